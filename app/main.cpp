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
#include "vam/groups.h"

namespace {

// The start of the program as the main window makes it: its creation (switches, fonts,
// floating-point masks, the random generator, the shut-down routine), then, on its first
// showing, the start-up configuration file. The console has no start-directory dialog: the
// working directory is the start directory. The named groups of groups.bin are read before
// jex.cfg. Without a jex.cfg there the reader says so (a
// warning and a message box) and the program goes on with no workspace bank and no banks;
// zap or wsreset makes a workspace later.
// False when the workspace of the folder is in use by another session (already said).
bool startup() {
    resetinterpstate();
    platform::loadAnswerQueueFromEnvironment();
    mainformcreate();
    opengrouphome();
    pwdcmd();
    return readstartupcfg(0) != startupWorkspaceInUse;
}

// One line as the command box runs it: echoed to the results window, kept in the command
// cache, then run as a typed command. At a terminal the line editor has shown the line as
// typed, so it is not shown again: only the catch file gets the echo. Returns the command
// loop's status.
int runtypedline(std::string line, bool shownAlready) {
    // A NUL byte cannot stand in a command line: it reads as a blank.
    std::replace(line.begin(), line.end(), '\0', ' ');
    // The echo shows what runs: a line too long for the buffer is cut (with a warning).
    const std::string echo = line.substr(0, std::min<std::size_t>(line.size(), maxReadLineLength));
    if (shownAlready) catchOnly(echo);
    else printoutlong("%s\n", echo.c_str());
    commandCache.push_back(line);
    settypedline(line);
    std::FILE* none = nullptr;
    return commandloop(&none);
}

// The file name as the reader will take it whole: a plain word as it stands, anything else
// in double quotes; a '%' is doubled so that it is not read as a %-sequence.
std::string addfileword(const std::string& name) {
    bool plain = !name.empty();
    std::string escaped;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '_' || c == '$' || c == '\\' || c == ':' || c == '&' || c == '!';
        if (!ok) plain = false;
        escaped += c;
        if (c == '%') escaped += '%';
    }
    if (plain && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z')))
        return name;
    return "\"" + escaped + "\"";
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
    for (;;) {
        std::fflush(stdout);
        text = readline("jex> ");
        if (text) break;
        // Ctrl-C at the prompt is Escape: the line typed so far is dropped and a fresh
        // prompt follows. Only the end of input (Ctrl-D) ends the session.
        if (!platform::escapePressed()) return false;
        std::fputs("\n", stdout);
    }
    line = text;
    std::free(text);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) add_history(line.c_str());  // the history keeps the last 29 lines
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    platform::installEscapeOnInterrupt();
    if (!startup()) {
        std::fflush(stdout);
        return 1;
    }

    if (argc > 1) {
        settypedline("add " + addfileword(argv[1]));
        std::FILE* none = nullptr;
        commandloop(&none);
    }

    const bool terminal = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
    if (terminal) stifle_history(29);
    std::string line;
    while (!quitRequested) {
        if (!(terminal ? readline_terminal(line) : readline_plain(line))) break;
        platform::clearEscape();
        runtypedline(line, terminal);
    }

    if (linePending()) {
        platform::current().appendResultsLine(pendingLine());
        clearPendingLine();
    }
    // The end of input closes the main window: the orderly shut-down, as quit would run it.
    if (!quitRequested && shutdownHandler) shutdownHandler();
    std::fflush(stdout);
    return 0;
}
