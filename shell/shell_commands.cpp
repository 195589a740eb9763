#include "shell/shell_commands.h"

#include <cstring>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "graphs/annot_editor.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/home.h"
#include "shell/mainform.h"
#include "shell/paths.h"
#include "shell/recentfiles.h"
#include "shell/version.h"
#include "vam/groups.h"
#include "views/editor.h"

char workingDirectory[workingDirectorySize] = "";

namespace {

constexpr int maxDirectoryName = 99;

std::string currentdirectory() { return platform::currentDirectory(); }

bool endsname(int c) {
    return c == '\n' || c == '#' || c == -1 || c == 0 || c == 18 || c == 27;
}

}  // namespace

void recordworkingdirectory() {
    std::string dir = currentdirectory();
    std::snprintf(workingDirectory, sizeof workingDirectory, "%s", dir.c_str());
}

void pwdcmd() {
    printout("Your present working directory is %s\n\n", currentdirectory().c_str());
}

std::string readdirectoryname(std::FILE* in, std::string name) {
    int c = chop(in);
    while (!endsname(c) && static_cast<int>(name.size()) < maxDirectoryName) {
        name += static_cast<char>(c);
        c = chop(in);
    }
    if (static_cast<int>(name.size()) > maxDirectoryName) name.resize(maxDirectoryName);
    std::vector<char> text(name.begin(), name.end());
    text.push_back(0);
    trimblanks(text.data());
    // A comment, or the part of a name past the limit, is not read as a command.
    if (c == '#' || !endsname(c)) skipline(in);
    return text.data();
}

int cdcmd(std::FILE* in) {
    int c = chop(in);
    while (c == ' ' || c == '\t') c = chop(in);
    if (c == '\n' || c == '\r' || c == -1 || c == 0 || c == 18 || c == 27) {
        printout("\ncd command:  cd <directory>\n");
        printout("to change directories.\n");
        printout("Related command:  \"pwd\" prints the working directory.\r\n");
        if (c == 0 || c == '\r') skipline(in);
        return 0;
    }
    unchop(c);
    changedirectory(readdirectoryname(in, "").c_str());
    return 0;
}

void changedirectory(const char* name) {
    if (!*name || !platform::changeDirectory(nativepath(name))) printout("Invalid directory: %s\n", name);
    pwdcmd();
    recordworkingdirectory();
}

void consolebeep() {
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

int versioncmd(std::FILE*) {
    printout("Jex7: Version %s\r\n", versionText);
    printout("Build Date: %s\r\n", buildDate);
    return 0;
}

int shutdown() {
    // The editors close first; one that stays open (its save question was cancelled) cancels
    // the shut-down before anything is released. The recent-files list saves itself, the
    // annotation editor is freed; every
    // bank goes (the workspace bank first, a modified Vam element is stored by its bank); the
    // graph window's placement is remembered; the output files of the command language are
    // closed, so that nothing written to them is lost; then the named groups.
    if (closeeditorsforshutdown() != 0) return 27;
    closerecentfiles();
    graphs::resetannotationeditor();
    deleteallbanks();
    remembergraphplacement();
    resetswitches();
    closegrouphome();
    return 0;
}

void remembergraphplacement() {
    TMain& m = Main;
    if (m.graphFormState == WindowState::normal) {
        m.graphWidth = m.graphForm.width;
        m.graphHeight = m.graphForm.height;
        m.graphTop = m.graphForm.top;
        m.graphLeft = m.graphForm.left;
        return;
    }
    const int w = platform::screenWidth, h = platform::screenHeight;
    m.graphWidth = 3 * w / 8;
    m.graphHeight = h / 2;
    m.graphTop = h / 2 - 20;
    m.graphLeft = 5 * w / 8;
    m.caTop = h / 2 - 20;
    m.caLeft = 5 * w / 8;
}
