// The Help menu and the help command, the outside programs of the File menu and the display
// settings. This system has no help viewer, web browser, WordPad or console window of its
// own: each says on one line what it cannot open.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/printout.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "regress/regress_state.h"
#include "regress/settings_commands.h"
#include "shell/dialogs.h"
#include "shell/mainform.h"
#include "shell/menu_handlers.h"

const char* const helpContentsPage = "::/index.html";
const char* const helpReferencePage = "::/source/referencemanual.html";
const char* const helpTutorialPage = "::/source/jex7Tutorial.html";

std::string onlineHelpAddress, updatesAddress, makerSiteAddress;

namespace {

void cannotopen(const std::string& what) { printout("Cannot open on this system: %s\n", what.c_str()); }

}  // namespace

bool openhelppage(const char* page) {
    if (!platform::fileExists(Main.helpFilePath)) {
        infobox(("Jex7 help file ((char*)" + Main.helpFilePath + ") not found.").c_str());
        return false;
    }
    cannotopen(Main.helpFilePath + page);
    return true;
}

int helpcmd(std::FILE*) { return openhelppage(helpContentsPage) ? 0 : -1; }

void openwebaddress(const std::string& address, const std::string& item) {
    if (address.empty()) cannotopen("no address is configured for " + item);
    else cannotopen(address);
}

void WordPad1Click() { cannotopen("C:\\Program Files\\Windows NT\\Accessories\\wordpad.exe"); }

void DOS1Click() {
    std::fflush(nullptr);
    // On a terminal the user's shell runs there, waited for: two programs cannot share it.
    if (platform::openConsoleWindow()) return;
    const char* shell = std::getenv("SHELL");
    const std::string path = shell && *shell ? shell : "/bin/sh";
    if (platform::fileExists(path)) {
        cannotopen(path);
        return;
    }
    printout("The command.com program cannot be found.\n");
    printout("Please report this problem to Norvane.\n");
    platform::current().messageBox("Cannot launch console", "Error", platform::Buttons::Ok);
}

void FontDlgClick() { fontdialog(mainFont, "Font"); }

void BackgroundColor1Click() { colordialog(mainColor); }

// The console has no window width to fit: the switch alone changes.
void AutoFontSizeClick() { mainAutoFontSize = !mainAutoFontSize; }

void MainRegZipClick() { setregzip(!mainRegZipChecked); }
