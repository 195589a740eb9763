#include "shell/mainform.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/printout.h"
#include "core/random.h"
#include "core/vector.h"
#include "interp/addfile.h"
#include "interp/commandloop.h"
#include "interp/state.h"
#include "interp/stepdialog.h"
#include "interp/switches.h"
#include "platform/platform.h"
#include "shell/shell_commands.h"

WindowFont mainFont;
WindowFont editorFont;
int mainColor = 0;
int editorColor = 0;
bool mainAutoFontSize = true;
bool autoComplete = true;

TMain Main;

namespace {

// Colour values of the window system's own colours (negative: a system colour index).
constexpr int windowTextColor = -16777208;
constexpr int windowColor = -16777211;

bool replaying = false;

void runshutdown() { shutdown(); }

}  // namespace

void TMain::FormCreate() {
    clearPendingLine();
    platform::maskFloatingPointExceptions();
    seedrawrand(static_cast<std::uint32_t>(platform::unixTimeNow()));
    vectorIndexError = 0;

    mainFont = WindowFont{};
    mainFont.name = "Courier New";
    mainFont.size = 10;
    mainFont.color = windowTextColor;
    editorFont = mainFont;
    mainColor = windowColor;
    editorColor = windowColor;
    mainAutoFontSize = true;
    autoComplete = true;
    caLeft = 0;
    caTop = 0;
    configFileName.clear();

    resetswitches();
    shutdownHandler = runshutdown;
    stepDialog = runstepdialog;
    recordworkingdirectory();
}

void TMain::Clearresults1Click() { platform::current().clearResults(); }

void TMain::repaintResults() {}

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

void mainformcreate() { Main.FormCreate(); }
