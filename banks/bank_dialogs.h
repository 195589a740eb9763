// The bank dialogs as models: the assign dialog (one row per slot a..v, x..z with its file,
// the find mode and the default Vam bank), whose OK closes the lettered banks and assigns
// the rows again by running bank commands, and the bank list (pick an assigned bank, open
// the assign dialog, close all banks). The window layer shows them; the console commands
// assigndialog and banklist fill and confirm them from command input.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

// Runs one command line (without its line end); returns its status. The default runs it
// through the command loop as a typed line.
using CommandRunner = std::function<int(const std::string&)>;
int runcommandline(const std::string& line);
// Position of the '.' that starts a bank name's extension: the first '.' of the file name,
// never one of a directory (proj.v2/us.bnk); npos when the file name has none.
std::size_t extensionpoint(const std::string& name);

// One row of the assign dialog.
struct TBankOpenItems {
    char slot = 0;              // slot letter a..v, x..z
    std::string caption;        // "Bank A"
    std::string name;           // BankOpenItemsList0 ...
    int left = 8, top = 85;
    std::string fileName;       // BankFileName
    bool vamBoxEnabled = false; // VamModes enabled (Vam files only)
    bool vamBoxVisible = false;
    std::string vamModeItem = "Advanced";  // "Simple" or "Advanced"
    bool visible = true;

    // The open dialog chose `file` (empty: cancelled).
    void BankLetterClick(const std::string& file);
    // The file name was edited.
    void BankFileNameChange(const std::string& text);
};

class TAssignBank2 {
public:
    static constexpr int rowCount = 25;
    static constexpr const char* caption = "AssignBank2";
    // The items of the default-Vam list: "None", "A".."V", "X", "Y", "Z".
    static const std::vector<std::string>& vamItems();
    // Slot of a default-Vam item (position in the list), -1 for "None" or no item.
    static int itemslot(int item);
    // Item of a slot, -1 for w or no slot.
    static int slotitem(int slot);
    // Slot of row r: a..v, then x..z.
    static int rowslot(int row) { return row < 22 ? row : row + 1; }

    void FormActivate();
    void OKButton1Click() { resultFlag = 0; }
    void CancelButtonClick() {}
    void FormDestroy() { rows.clear(); }
    void clearRows();
    // The OK result as the shell carries it out: find mode, every row checked, then the
    // lettered banks closed and assigned again through `run`, then the default Vam bank.
    // 0, or -1 when a row names a file that is not a bank (nothing is then changed).
    int applyOK(const CommandRunner& run = runcommandline);

    std::string pwd;
    int resultFlag = 1;
    int findModeItem = 0;  // 0 "Manual", 1 "Advanced"
    int vamSelection = -1; // item of the default-Vam list, -1 none selected
    int vamTopItem = 0;
    std::vector<TBankOpenItems> rows;
};

class TBankListForm {
public:
    static constexpr const char* caption = "Currently Assigned Banks";
    void FormShow();
    // selected: index of the selected line, -1 none.
    void OKBtnClick(int selected);
    void BankListDblClick(int index);
    void CancelBtnClick() { code = -1; }
    // Opens the assign dialog through `openAssign`, then refills the list.
    void Assign1Click(const std::function<void()>& openAssign);
    void CloseAllBtnClick(TAssignBank2& assign, const CommandRunner& run = runcommandline);
    void FormClose() {}

    std::vector<std::string> lines;
    int code = 2;
    char letter = 0;
};

extern TAssignBank2 assignBank2;
extern TBankListForm bankListForm;
