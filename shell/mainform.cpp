#include "shell/mainform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/printout.h"
#include "core/random.h"
#include "core/vector.h"
#include "graphs/graph_windows.h"
#include "interp/addfile.h"
#include "interp/commandloop.h"
#include "interp/state.h"
#include "interp/stepdialog.h"
#include "interp/switches.h"
#include "platform/clipboard.h"
#include "platform/home.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "shell/recentfiles.h"
#include "shell/settings.h"
#include "shell/shell_commands.h"

WindowFont mainFont;
WindowFont editorFont;
int mainColor = 0;
int editorColor = 0;
bool mainAutoFontSize = true;
bool autoComplete = true;
short showDecimals = 2;
std::string lastModelRun, lastModelHistName, lastModelSimName, lastTableName, macroModelStartDate,
    macroModelStopDate, macroModelResultsName, macroModelFixFile, exogFileName;

TMain Main;

namespace {

// The results window's start-up look: yellow Fixedsys text on blue.
constexpr int resultsTextColor = 65535;
constexpr int resultsBackColor = 16711680;

bool replaying = false;

// quit and exit: an editor that keeps its text open cancels the end of the program.
void runshutdown() {
    if (shutdown() != 0) quitRequested = false;
}

}  // namespace

void TMain::FormCreate() {
    clearPendingLine();
    platform::maskFloatingPointExceptions();
    seedrawrand(static_cast<std::uint32_t>(platform::unixTimeNow()));
    vectorIndexError = 0;

    mainFont = WindowFont{};
    mainFont.name = "Fixedsys";
    mainFont.size = 9;
    mainFont.color = resultsTextColor;
    mainFont.charset = 1;
    mainColor = resultsBackColor;
    // Graph text, and the editor font until the settings give it the results window's.
    graphFont = WindowFont{};
    graphFont.name = "Courier";
    graphFont.size = 8;
    graphFont.charset = 1;
    editorFont = graphFont;
    editorColor = resultsBackColor;
    mainAutoFontSize = true;
    autoComplete = true;
    showDecimals = 2;
    caLeft = 0;
    caTop = 0;
    configFileName = "jex.cfg";
    // The window's size follows the screen's width.
    const float factor = static_cast<float>(platform::screenWidth) / 800.0f;
    bounds = Bounds{static_cast<int>(454 * factor), static_cast<int>(570 * factor), 0, 0};
    panelTop = false;
    executeBoxText.clear();
    graphForm = Bounds{};
    graphFormState = WindowState::normal;
    graphWidth = 0, graphHeight = -999, graphTop = -999, graphLeft = -999;
    pauseBoxTop = 0, pauseBoxLeft = 0;
    editorWidth = 0, editorHeight = 0, editorTop = 0, editorLeft = 0;
    modelInterface = 0;
    helpFilePath = platform::helpFilePath();
    history.clear();
    openrecentfiles();

    resetswitches();
    shutdownHandler = runshutdown;
    stepDialog = runstepdialog;
    recordworkingdirectory();
}

void TMain::Clearresults1Click() { platform::current().clearResults(); }

void TMain::repaintResults() {}

void TMain::Cut1Click() {
    if (!cmdBox.focused) {
        // The results window's text stays printed; its selection goes to the clipboard.
        platform::clipboard().setText(resultsSelection);
        resultsSelection.clear();
        return;
    }
    const std::size_t start = std::min(cmdBox.selStart, cmdBox.text.size());
    cmdBox.selStart = start;
    Copy1Click();
    // The selection goes with the copy; the caret stays where it began.
    cmdBox.text.erase(start, cmdBox.selStart - start);
    cmdBox.selStart = start;
}

void TMain::Copy1Click() {
    if (!cmdBox.focused) {
        platform::clipboard().setText(resultsSelection.substr(0, resultsMaxCopy));
        return;
    }
    cmdBox.selStart = std::min(cmdBox.selStart, cmdBox.text.size());
    cmdBox.selLength = std::min(cmdBox.selLength, cmdBox.text.size() - cmdBox.selStart);
    platform::clipboard().setText(cmdBox.text.substr(cmdBox.selStart, cmdBox.selLength));
    // The caret goes to the end of the selection and nothing stays selected.
    cmdBox.selStart += cmdBox.selLength;
    cmdBox.selLength = 0;
}

void TMain::Paste1Click() {
    // Pasted elsewhere than into the command box, the text has nowhere to go.
    if (!cmdBox.focused || !platform::clipboard().hasText()) return;
    std::string text = platform::clipboard().text().substr(0, commandBoxMaxPaste);
    cmdBox.selStart = std::min(cmdBox.selStart, cmdBox.text.size());
    cmdBox.selLength = std::min(cmdBox.selLength, cmdBox.text.size() - cmdBox.selStart);
    cmdBox.text.replace(cmdBox.selStart, cmdBox.selLength, text);
    cmdBox.text.resize(std::min(cmdBox.text.size(), commandBoxMaxText));
    cmdBox.selStart = std::min(cmdBox.selStart + text.size(), cmdBox.text.size());
    cmdBox.selLength = 0;
}

std::string TMain::takeCommandBoxText() {
    std::string text;
    text.swap(cmdBox.text);
    cmdBox.selStart = cmdBox.selLength = 0;
    return text;
}

void TMain::DisplayPreviousCommands1Click() {
    printout("# Command History:\n");
    for (const std::string& line : commandCache) printout("%s\n", line.c_str());
}

void TMain::ClearCache1Click() { commandCache.clear(); }

int TMain::ReplayCachedCommands1Click() {
    if (replaying) {
        printout("\nError:  the command cache is already being replayed.\n");
        return -1;
    }
    replaying = true;
    // The run reads a copy, so that a cached line that changes the cache cannot pull the
    // list from under the reader.
    const std::vector<std::string> lines = commandCache;
    const char savedMode = replayMode;
    const std::vector<std::string>* savedList = replayList;
    const std::size_t savedCursor = replayCursor;
    replayList = &lines;
    replayCursor = 0;
    tokenPushedBack = 0;
    std::FILE* none = nullptr;
    int status = runaddfile(nullptr, &none, 0);
    replayList = savedList;
    replayCursor = savedCursor;
    replayMode = savedMode;
    replaying = false;
    return status;
}

namespace {

std::string trimmedline(const std::string& line) {
    std::size_t b = 0, e = line.size();
    while (b < e && static_cast<unsigned char>(line[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(line[e - 1]) <= 32) --e;
    return line.substr(b, e - b);
}

}  // namespace

void TMain::rememberline(const std::string& typed) {
    const std::string line = typed.substr(0, std::min(typed.size(), commandBoxMaxText));
    const std::string key = trimmedline(line);
    if (key.empty()) return;
    for (auto it = history.begin(); it != history.end(); ++it)
        if (trimmedline(*it) == key) {
            history.erase(it);
            break;
        }
    history.insert(history.begin(), line);
}

void TMain::trimhistory() {
    if (history.size() > historyEntries) history.resize(historyEntries);
}

void TMain::savehistory() const {
    const std::string path = platform::homeFile("HIST.DAT");
    bool ok = platform::makeProgramHome();
    if (ok) {
        platform::ReplacingFile file(path);
        std::FILE* f = file.open("wb");
        ok = f != nullptr;
        for (std::size_t i = 0; ok && i < history.size() && i < historyEntries; ++i)
            ok = std::fprintf(f, "%s\n", history[i].c_str()) >= 0;
        ok = ok && file.commit();
    }
    if (!ok) printout("\nWarning:  Cannot write %s.\n", path.c_str());
}

void TMain::FormDestroy() {
    savesettings();
    savehistory();
}

void mainformcreate() {
    Main.FormCreate();
    // The graph windows are made after the main window, sized for the screen; the settings
    // file then places the graph window.
    graphs::creategraphwindows(platform::screenWidth);
}
