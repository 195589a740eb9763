#include "shell/start.h"

#include <algorithm>
#include <cstdio>

#include "banks/startup.h"
#include "core/printout.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "shell/configdialog.h"
#include "shell/mainform.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/shell_commands.h"
#include "views/editor.h"
#include "vam/groups.h"

namespace {

bool ended = false;

}  // namespace

bool startsequence() {
    ended = false;
    // The help file is only looked for: its absence is said once, and the program goes on.
    Main.helpFilePath = platform::helpFilePath();
    if (!platform::fileExists(Main.helpFilePath))
        infobox(("Jex7 help file ((char*)" + Main.helpFilePath + ") not found.").c_str());
    loadsettings();
    startdirectorydialog();
    opengrouphome();
    pwdcmd();
    recordworkingdirectory();
    const bool haveConfig = platform::fileExists("jex.cfg");
    const int cfg = readstartupcfg(0);
    if (cfg == startupWorkspaceInUse) return false;
    if (cfg == -1 && !haveConfig) {
        printout("Because the directory you selected has no jex.cfg file,\n");
        printout("you have no workspace or assigned banks.\n");
        printout("Unless you are up to something sophisticated, you probably should quit while you can!\n");
        printout("To do so, type 'q' and tap 'Enter'.\n");
    }
    return true;
}

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

void runstartargument(const std::string& name) {
    settypedline("add " + addfileword(name));
    std::FILE* none = nullptr;
    commandloop(&none);
    flushPendingLine();
    platform::current().appendResultsLine("\n\nFinish processing of call from command line.\n");
}

int runcommandboxline(std::string line, bool shownAlready) {
    // A NUL byte cannot stand in a command line: it reads as a blank.
    std::replace(line.begin(), line.end(), '\0', ' ');
    // The echo shows what runs: a line too long for the buffer is cut (with a warning).
    const std::string echo = line.substr(0, std::min<std::size_t>(line.size(), maxTypedLineLength));
    if (shownAlready) {
        catchOnly(echo);
    } else if (!linePending()) {
        // A whole line of its own: a line as long as the buffer is not pushed out as an empty
        // line first, as the printer does with text that would pass its limit.
        platform::current().appendResultsLine(echo);
        catchOnly(echo);
    } else {
        printoutlong("%s\n", echo.c_str());
    }
    commandCache.push_back(line);
    Main.rememberline(line);
    settypedline(line);
    std::FILE* none = nullptr;
    int status = commandloop(&none);
    Main.trimhistory();
    return status;
}

int runinputline(const std::string& line, bool shownAlready) {
    if (line.rfind("::", 0) == 0) {
        runmenupath(line.substr(2));
        return 0;
    }
    return runcommandboxline(line, shownAlready);
}

int runaddline(const std::string& name) {
    settypedline("add " + addfileword(name));
    std::FILE* none = nullptr;
    return commandloop(&none);
}

void endofrun() {
    if (ended) return;
    ended = true;
    if (linePending()) {
        platform::current().appendResultsLine(pendingLine());
        clearPendingLine();
    }
    // The end of input closes the main window: the orderly shut-down, as quit runs it. The
    // editors are asked to close; one that refuses cannot keep the window open.
    if (!quitRequested && shutdownHandler) {
        quitRequested = true;
        shutdownHandler();
        if (!quitRequested) {
            discardeditors();
            quitRequested = true;
            shutdownHandler();
        }
    }
    Main.FormDestroy();
    flushPendingLine();
}
