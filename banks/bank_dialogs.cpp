// The bank dialogs and their console forms.
#include "banks/bank_dialogs.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "banks/databank.h"
#include "banks/listing_commands.h"
#include "banks/other_commands.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/platform.h"
#include "views/look_window.h"

TAssignBank2 assignBank2;
TBankListForm bankListForm;

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Kind of a file name by its extension ("" for none of the bank extensions).
char kindofname(const std::string& name) {
    const std::string l = lower(name);
    if (l.find(".vam") != std::string::npos) return 'v';
    if (l.find(".bnk") != std::string::npos) return 'w';
    if (l.find(".cbk") != std::string::npos) return 'c';
    if (l.find(".hbk") != std::string::npos) return 'h';
    if (l.find(".dfr") != std::string::npos) return 'd';
    return 0;
}

const char* vamitem() { return vamMode == 's' ? "Simple" : "Advanced"; }

void freeslot(int s) {
    if (!bankSlots[s] && bankTypes[s] == ' ') return;
    lookslotclosed(s);  // the look window showing this slot's bank closes
    delete bankSlots[s];
    bankSlots[s] = nullptr;
    if (bankTypes[s] != ' ') --assignedBankCount;
    bankTypes[s] = ' ';
    if (defaultVamBank == s) defaultVamBank = -1;
}

}  // namespace

int runcommandline(const std::string& line) {
    settypedline(line);
    std::FILE* none = nullptr;
    return commandloop(&none);
}

std::size_t extensionpoint(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    return name.find('.', slash == std::string::npos ? 0 : slash + 1);
}

void TBankOpenItems::BankLetterClick(const std::string& file) {
    if (file.empty()) return;
    BankFileNameChange(file);
}

void TBankOpenItems::BankFileNameChange(const std::string& text) {
    fileName = text;
    if (lower(text).find(".vam") != std::string::npos) {
        vamBoxEnabled = true;
        vamModeItem = vamitem();
    } else {
        vamBoxEnabled = false;
    }
}

const std::vector<std::string>& TAssignBank2::vamItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> v = {"None"};
        for (char c = 'A'; c <= 'Z'; ++c)
            if (c != 'W') v.emplace_back(1, c);
        return v;
    }();
    return items;
}

int TAssignBank2::itemslot(int item) {
    if (item <= 0 || item > rowCount) return -1;
    return rowslot(item - 1);
}

int TAssignBank2::slotitem(int slot) {
    if (slot < 0 || slot >= bankSlotCount || slot == 22) return -1;
    return (slot < 22 ? slot : slot - 1) + 1;
}

void TAssignBank2::FormActivate() {
    std::error_code ec;
    pwd = std::filesystem::current_path(ec).string();
    resultFlag = 1;
    findModeItem = findMode != 'm' ? 1 : 0;
    vamSelection = slotitem(defaultVamBank);
    if (vamSelection >= 0) vamTopItem = vamSelection;
    if (rows.empty()) {
        rows.resize(rowCount);
        for (int r = 0; r < rowCount; ++r) {
            TBankOpenItems& row = rows[r];
            row.slot = static_cast<char>('a' + rowslot(r));
            row.caption = std::string("Bank ") + static_cast<char>('A' + rowslot(r));
            row.name = "BankOpenItemsList" + std::to_string(r);
            row.left = 8;
            row.top = 85 + 25 * r;
            row.visible = true;
            row.vamModeItem = vamitem();
            row.fileName.clear();
        }
    }
    for (TBankOpenItems& row : rows) {
        const int s = row.slot - 'a';
        char kind = bankTypes[s];
        if (kind == ' ') kind = kindofname(row.fileName);
        row.vamBoxVisible = kind == 'v';
        row.vamBoxEnabled = kind == 'v';
        if (kind == 'v') row.vamModeItem = vamitem();
        if (bankSlots[s] && bankTypes[s] != ' ') row.fileName = bankSlots[s]->dataPath();
        else if (!kindofname(row.fileName)) row.fileName.clear();
    }
}

void TAssignBank2::clearRows() {
    for (TBankOpenItems& row : rows) {
        row.vamBoxVisible = false;
        row.vamModeItem = vamitem();
        row.fileName.clear();
    }
}

int TAssignBank2::applyOK(const CommandRunner& run) {
    findMode = findModeItem == 1 ? 'a' : 'm';
    // Every row is checked before any bank is closed: a file that is not a bank leaves
    // every slot as it was.
    for (const TBankOpenItems& row : rows) {
        if (row.fileName.empty()) continue;
        const std::size_t point = extensionpoint(row.fileName);
        if (point == std::string::npos) continue;
        const std::string ext = lower(row.fileName.substr(point));
        if (ext != ".bnk" && ext != ".cbk" && ext != ".hbk" && ext != ".vam" && ext != ".dfr") {
            printout("That file was not a bank.\n");
            return -1;
        }
    }
    for (const TBankOpenItems& row : rows) {
        const int s = row.slot - 'a';
        freeslot(s);
        if (row.fileName.empty()) continue;
        const std::size_t point = extensionpoint(row.fileName);
        if (point == std::string::npos) {
            platform::current().messageBox("Error:  Bank name must include extension.", "Error",
                                           platform::Buttons::Ok);
            continue;
        }
        const std::string ext = lower(row.fileName.substr(point));
        const std::string stem = row.fileName.substr(0, point);
        std::string word = ext == ".bnk" ? "bank" : ext.substr(1);
        if (ext == ".vam") vamMode = row.vamModeItem == "Advanced" ? 'a' : 's';
        run(word + " " + stem + " " + row.slot);
    }
    const int slot = itemslot(vamSelection);
    if (slot < 0) {
        defaultVamBank = -1;
    } else if (bankTypes[slot] == 'v' && bankSlots[slot]) {
        defaultVamBank = static_cast<signed char>(slot);
    } else {
        printout("Warning:  Bank %c has not been assigned to a Vam file.\nCannot assign default Vam file.\n",
                 'a' + slot);
    }
    return 0;
}

void TBankListForm::FormShow() {
    lines.clear();
    for (int s = 0; s < bankSlotCount; ++s) {
        if (!bankSlots[s] || bankTypes[s] == ' ') continue;
        // "Bank %c: %-45s  Type: %-4s", whole however long the path.
        std::string path = bankSlots[s]->dataPath();
        if (path.size() < 45) path.resize(45, ' ');
        std::string type = banktypeword(bankTypes[s]);
        if (type.size() < 4) type.resize(4, ' ');
        lines.push_back(std::string("Bank ") + static_cast<char>('a' + s) + ": " + path + "  Type: " + type);
    }
}

void TBankListForm::OKBtnClick(int selected) {
    if (selected < 0 || selected >= static_cast<int>(lines.size())) {
        code = 2;
        letter = 0;
        return;
    }
    letter = lines[selected][5];
    code = 1;
}

void TBankListForm::BankListDblClick(int index) {
    if (index < 0 || index >= static_cast<int>(lines.size())) return;
    letter = lines[index][5];
    code = 1;
}

void TBankListForm::Assign1Click(const std::function<void()>& openAssign) {
    if (openAssign) openAssign();
    FormShow();
}

void TBankListForm::CloseAllBtnClick(TAssignBank2& assign, const CommandRunner& run) {
    run("close all");
    lines.clear();
    assign.clearRows();
    FormShow();
}

// ---------------------------------------------------------------------------------------
// Console forms

namespace {

void showassign(const TAssignBank2& d) {
    printout("Present Working Directory: %s\n", d.pwd.c_str());
    printout("Find Mode: %s\n", d.findModeItem == 1 ? "Advanced" : "Manual");
    printout("Default Vam: %s\n", d.vamSelection >= 0 ? TAssignBank2::vamItems()[d.vamSelection].c_str() : "");
    for (const TBankOpenItems& row : d.rows)
        if (!row.fileName.empty())
            printout("%s: %s%s%s\n", row.caption.c_str(), row.fileName.c_str(),
                     row.vamBoxEnabled ? "  Vam mode: " : "", row.vamBoxEnabled ? row.vamModeItem.c_str() : "");
}

}  // namespace

// assigndialog, then lines of: <letter> <file> | <letter> - (empty the row) | find m|a |
// dvam <letter|none> | vammode <letter> s|a | ok | cancel.
int assigndialogcmd(std::FILE* in) {
    TAssignBank2& d = assignBank2;
    d.FormActivate();
    skipline(in);
    showassign(d);
    char token[80];
    for (;;) {
        int cls = gettoken(token, in, 0, 78);
        if (cls == 'e' || cls == -1) {
            d.CancelButtonClick();
            return 27;
        }
        if (cls == 'f') continue;
        const std::string word = token;
        if (word == "ok") {
            skipline(in);
            d.OKButton1Click();
            return d.applyOK() == 0 ? 0 : -1;
        }
        if (word == "cancel") {
            skipline(in);
            d.CancelButtonClick();
            return 0;
        }
        if (word == "find") {
            cls = gettoken(token, in, 0, 78);
            d.findModeItem = (cls == 'a' && token[0] == 'a') ? 1 : 0;
        } else if (word == "dvam") {
            cls = gettoken(token, in, 0, 78);
            int item = -1;
            if (cls == 'a' && std::strlen(token) == 1) item = TAssignBank2::slotitem(token[0] - 'a');
            d.vamSelection = item < 0 ? 0 : item;
        } else if (word == "vammode") {
            cls = gettoken(token, in, 0, 78);
            const int slot = token[0] - 'a';
            cls = gettoken(token, in, 0, 78);
            for (TBankOpenItems& row : d.rows)
                if (row.slot - 'a' == slot && row.vamBoxEnabled) row.vamModeItem = token[0] == 's' ? "Simple" : "Advanced";
        } else if (cls == 'a' && word.size() == 1 && word[0] >= 'a' && word[0] <= 'z' && word[0] != 'w') {
            // The rest of the line is the file name.
            std::string name;
            for (int c = chop(in); c != '\n' && c != -1; c = chop(in)) name.push_back(static_cast<char>(c));
            while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
            std::size_t b = 0;
            while (b < name.size() && std::isspace(static_cast<unsigned char>(name[b]))) ++b;
            name = name.substr(b);
            if (name == "-") name.clear();
            for (TBankOpenItems& row : d.rows)
                if (row.slot == word[0]) row.BankFileNameChange(name);
            continue;
        } else {
            printout("Rows: <letter> <file>, find <m|a>, dvam <letter|none>, vammode <letter> <s|a>, ok, cancel\n");
        }
        skipline(in);
    }
}

// banklist [<line number> | closeall | cancel]
int banklistcmd(std::FILE* in) {
    TBankListForm& f = bankListForm;
    f.FormShow();
    for (std::size_t i = 0; i < f.lines.size(); ++i) printout("%zu  %s\n", i + 1, f.lines[i].c_str());
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    if (cls == 'n') {
        f.OKBtnClick(std::atoi(token) - 1);
    } else if (cls == 'a' && std::strcmp(token, "closeall") == 0) {
        f.CloseAllBtnClick(assignBank2);
        f.code = 2;
    } else if (cls == 'a' && std::strcmp(token, "cancel") == 0) {
        f.CancelBtnClick();
    } else {
        f.OKBtnClick(-1);
    }
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    if (f.code == 1) printout("Bank %c chosen.\n", f.letter);
    return f.code == -1 ? 27 : 0;
}
