// The Bank menu and the look command.
#include <algorithm>
#include <cstring>
#include <string>

#include "banks/bank_dialogs.h"
#include "banks/databank.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/command.h"
#include "interp/reader.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "shell/form.h"
#include "shell/menu_handlers.h"
#include "shell/shell_commands.h"
#include "views/look_window.h"

char lookBankLetter = 0;

namespace {

// A bank command built by a menu item, run from the working directory.
int runbankcommand(const std::string& line) {
    platform::changeDirectory(workingDirectory);
    return runcommandline(line);
}

// The command loop ends a typed line it ran well with statusTyped (statusDone at the end of
// the buffer); a failed command leaves its stop code.
bool ranwell(int status) { return status == statusDone || status == statusTyped; }

const char* const noBankToExamine = " No bank found to examine.  Assign a bank first!\n";

// Records the bank of slot s (a..z, or the workspace) as the one the look operations chose.
void chooselook(int s, char letter) {
    defaultBankPath = bankSlots[s] ? bankSlots[s]->dataPath() : "";
    lookBankLetter = letter;
}

// A button that closes the form and records `value` in `pressed`.
Form::Button& closer(Form& form, const std::string& name, const std::string& caption, int& pressed, int value) {
    Form::Button& b = form.button(name, caption);
    b.onClick = [&form, &pressed, value] {
        pressed = value;
        form.close();
    };
    return b;
}

// Buttons of the bank list besides its lines (which press their index).
constexpr int pressedCancel = -1, pressedAssign = -2, pressedCloseAll = -3;

}  // namespace

void Assign1Click() {
    TAssignBank2& d = assignBank2;
    d.FormActivate();
    Form form(TAssignBank2::caption);
    for (const TBankOpenItems& row : d.rows) {
        form.field(std::string(1, row.slot), row.caption, row.fileName);
        // The row's Vam mode box, shown for a Vam file; "cmode=Simple" answers it.
        form.field(std::string(1, row.slot) + "mode", "Vam mode", row.vamModeItem).visible = row.vamBoxEnabled;
    }
    Form::Radio& find = form.radio("FindModeRG", "Find mode", {"Manual", "Advanced"});
    find.index = d.findModeItem;
    const int vamSlot = TAssignBank2::itemslot(d.vamSelection);
    form.field("vam", "Default Vam bank", vamSlot < 0 ? "none" : std::string(1, static_cast<char>('a' + vamSlot)));
    int pressed = 0;
    closer(form, "OKButton1", "&OK", pressed, 1).isDefault = true;
    closer(form, "CancelButton", "&Cancel", pressed, 0).isCancel = true;
    form.showModal();
    if (pressed != 1) {
        d.CancelButtonClick();
        return;
    }
    d.OKButton1Click();
    for (TBankOpenItems& row : d.rows) {
        const std::string name = form.text(std::string(1, row.slot));
        if (name != row.fileName) row.BankFileNameChange(name);
        const std::string mode = form.text(std::string(1, row.slot) + "mode");
        if (row.vamBoxEnabled && (mode == "Simple" || mode == "Advanced")) row.vamModeItem = mode;
    }
    d.findModeItem = find.index == 1 ? 1 : 0;
    const std::string vam = form.text("vam");
    d.vamSelection = 0;
    if (vam.size() == 1 && vam[0] >= 'a' && vam[0] <= 'z')
        d.vamSelection = std::max(0, TAssignBank2::slotitem(vam[0] - 'a'));
    d.applyOK(runbankcommand);
}

void Workspace1Click() {
    std::string path;
    if (!filedialog("OpenWSBank", "ws.bnk", path) || path.empty()) return;
    const std::size_t point = extensionpoint(path);
    if (point == std::string::npos) {
        platform::current().messageBox("Error:  Bank name must include extension.", "Error", platform::Buttons::Ok);
        return;
    }
    runcommandline("wsb " + path.substr(0, point));
}

void Zap1Click() {
    if (ranwell(runcommandline("zap"))) printout("zap:  Workspace cleared.\n");
}

void CloseAllBanks1Click() {
    if (ranwell(runcommandline("close all"))) printout("close all:  All databanks closed.\n");
}

int lookcmd(std::FILE* in) {
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    bool found = false;
    if (cls == 'e' || cls == -1 || cls == 'f') {
        for (int s = 0; s < bankSlotCount; ++s) {
            if (!bankSlots[s]) continue;
            chooselook(s, static_cast<char>('a' + s));
            found = true;
        }
    } else {
        if (cls != 'a' || std::strlen(token) != 1 || token[0] < 'a' || token[0] > 'z') {
            printout("Use one letter to represent the bank.\n");
            return -1;
        }
        const char letter = token[0];
        if (letter == 'w') {
            chooselook(workspaceSlot, 'w');
            printout("The workspace bank currently cannot be viewed with the look command.\n");
            return -1;
        }
        if (!bankSlots[letter - 'a']) {
            printout("No bank is assigned at position %c\n", letter);
        } else {
            chooselook(letter - 'a', letter);
            found = true;
        }
    }
    if (!found) {
        printout("%s", noBankToExamine);
        return -1;
    }
    if (LookForm2.setBankIndex(lookBankLetter - 'a') < 0) {
        printout("%s", noBankToExamine);
        return -1;
    }
    chooselook(lookBankLetter - 'a', lookBankLetter);
    LookForm2.showForLook();
    return 0;
}

void Look1Click() {
    TBankListForm& list = bankListForm;
    list.FormShow();
    Form form(TBankListForm::caption);
    int chosen = pressedCancel;
    for (std::size_t i = 0; i < list.lines.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        closer(form, number, number + "  " + list.lines[i], chosen, static_cast<int>(i));
    }
    closer(form, "Assign", "Assign", chosen, pressedAssign);
    closer(form, "CloseAllBtn", "Close All", chosen, pressedCloseAll);
    closer(form, "CancelBtn", "&Cancel", chosen, pressedCancel).isCancel = true;
    form.showModal();
    if (chosen == pressedAssign) {
        Assign1Click();
        return;
    }
    if (chosen == pressedCloseAll) {
        CloseAllBanks1Click();
        return;
    }
    if (chosen < 0) {
        list.CancelBtnClick();
        return;
    }
    list.OKBtnClick(chosen);
    if (list.code != 1 || !list.letter) return;
    const int k = list.letter - 'a';
    if (k < 0 || k >= bankSlotCount) {
        printout("\nError:  In Look command, there is no bank in position %d.\n", k);
        platform::current().messageBox("Error!", "Error!", platform::Buttons::Ok);
        return;
    }
    if (!bankSlots[k]) {
        platform::current().messageBox(std::string("No bank open on position ") + list.letter + ".", "Error!",
                                       platform::Buttons::Ok);
        return;
    }
    LookForm2.setBankIndex(k);
    chooselook(k, list.letter);
    LookForm2.showForLook();
}

void List1Click() {
    TBankListForm& list = bankListForm;
    list.FormShow();
    if (list.lines.empty()) {
        printout("No databanks loaded.\n");
        return;
    }
    printout("%d databanks loaded:\n", static_cast<int>(list.lines.size()));
    // A line is printed whole, however long its bank path.
    for (const std::string& line : list.lines) printoutlong("%s\n", line.c_str());
}
