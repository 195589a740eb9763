// jex [addfile]: the console front end. Standard input is the command box, standard output
// the results window. With an argument the program first runs "add <addfile>", as the main
// window does at start-up; then it reads command lines until the end of input or quit.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <editline/readline.h>

#include "banks/startup.h"
#include "core/printout.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/console_platform.h"
#include "platform/platform.h"
#include "interp/switches.h"
#include "shell/mainform.h"
#include "shell/shell_commands.h"
#include "shell/start.h"
#include "vam/groups.h"

namespace {

// The start of the program as the main window makes it: its creation (switches, fonts,
// floating-point masks, the random generator, the shut-down routine), then, on its first
// showing, the start sequence (settings, start-directory dialog, named groups, working
// directory, jex.cfg). False when the workspace of the folder is in use by another session
// (already said).
bool startup() {
    resetinterpstate();
    platform::loadAnswerQueueFromEnvironment();
    mainformcreate();
    return startsequence();
}

// Read one line of standard input without its line end (and the carriage return of a
// CR LF line end); false at the end of input.
bool readline_plain(std::string& line) {
    char* buf = nullptr;
    std::size_t cap = 0;
    ssize_t n = getline(&buf, &cap, stdin);
    if (n < 0) {
        std::free(buf);
        return false;
    }
    line.assign(buf, static_cast<std::size_t>(n));
    std::free(buf);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool readline_terminal(std::string& line) {
    // What the last command left unfinished goes out before the prompt, not after the
    // next command.
    flushPendingLine();
    char* text = nullptr;
    std::string pasted;
    for (;;) {
        std::fflush(stdout);
        // Text pasted into the command box begins the line: it stands after the prompt and
        // what is typed follows it.
        pasted = Main.takeCommandBoxText();
        text = readline(("jex> " + pasted).c_str());
        if (text) break;
        // Ctrl-C at the prompt is Escape: the line typed so far is dropped and a fresh
        // prompt follows. Only the end of input (Ctrl-D) ends the session.
        if (!platform::escapePressed()) return false;
        std::fputs("\n", stdout);
    }
    line = pasted + text;
    std::free(text);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    platform::installEscapeOnInterrupt();
    if (!startup()) {
        std::fflush(stdout);
        return 1;
    }

    // Only the first argument is used.
    if (argc > 1) runstartargument(argv[1]);

    const bool terminal = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
    std::string line;
    while (!quitRequested) {
        if (terminal) {
            // The line editor's history is the command box's drop-down history.
            clear_history();
            for (auto it = Main.history.rbegin(); it != Main.history.rend(); ++it) add_history(it->c_str());
        }
        if (terminal) {
            if (!readline_terminal(line)) break;
        } else {
            // Without a terminal the pasted text simply precedes the line read.
            const std::string pasted = Main.takeCommandBoxText();
            if (!readline_plain(line)) break;
            line.insert(0, pasted);
        }
        platform::clearEscape();
        runinputline(line, terminal);
    }
    // The end of input closes the main window (a refusal cannot keep it open).
    endofrun();
    std::fflush(stdout);
    return 0;
}
