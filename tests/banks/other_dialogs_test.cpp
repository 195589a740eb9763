// The bank dialogs as models: rows and default-Vam items, the OK result that produces bank
// commands, and the bank list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "banks/bank_dialogs.h"
#include "banks/compbank.h"
#include "banks/other_commands.h"
#include "tests/banks/command_test_util.h"
#include "tests/banks/other_fixtures.h"

namespace other_dialogs_test {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A bank that is only a name: stands for a Vam bank in the slot tables.
class NamedBank : public DataBank {
public:
    explicit NamedBank(const char* path) : DataBank(path) {
        dataPath_ = path;
        status_ = 1;
    }
    std::int16_t getser(const char*, float*, std::int16_t) override { return -1; }
    std::int16_t collectser(std::vector<std::string>& l, const char*, std::int16_t) override {
        l.clear();
        return 0;
    }
};

class Dialogs : public banktest::BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        dialog = TAssignBank2();
        vamMode = 'a';
    }
    void put(int slot, DataBank* bank, char kind) {
        bankSlots[slot] = bank;
        bankTypes[slot] = kind;
        ++assignedBankCount;
    }
    TBankOpenItems& row(char slot) {
        for (auto& r : dialog.rows)
            if (r.slot == slot) return r;
        throw std::runtime_error("no row");
    }
    CommandRunner recorder() {
        return [this](const std::string& line) {
            commands.push_back(line);
            return 0;
        };
    }
    TAssignBank2 dialog;
    std::vector<std::string> commands;
};

TEST_F(Dialogs, RowsAndDefaultVamItems) {
    dialog.FormActivate();
    ASSERT_EQ(dialog.rows.size(), 25u);
    EXPECT_EQ(dialog.rows[0].caption, "Bank A");
    EXPECT_EQ(dialog.rows[21].slot, 'v');
    EXPECT_EQ(dialog.rows[22].slot, 'x');
    EXPECT_EQ(dialog.rows[24].slot, 'z');
    EXPECT_EQ(dialog.rows[24].name, "BankOpenItemsList24");
    EXPECT_EQ(dialog.rows[3].top, 85 + 25 * 3);
    EXPECT_EQ(dialog.resultFlag, 1);
    EXPECT_EQ(dialog.vamSelection, -1);
    const auto& items = TAssignBank2::vamItems();
    ASSERT_EQ(items.size(), 26u);
    EXPECT_EQ(items[22], "V");
    EXPECT_EQ(items[23], "X");
    // Every item names its own letter's slot, X, Y and Z included.
    for (int item = 1; item < 26; ++item) {
        const int slot = TAssignBank2::itemslot(item);
        EXPECT_EQ(std::string(1, static_cast<char>('A' + slot)), items[item]);
        EXPECT_EQ(TAssignBank2::slotitem(slot), item);
    }
    EXPECT_EQ(TAssignBank2::itemslot(0), -1);
    EXPECT_EQ(TAssignBank2::slotitem(22), -1);
    // A default Vam bank in slot y (beyond t) is selected.
    put(24, new NamedBank("model.vam"), 'v');
    defaultVamBank = 24;
    findMode = 'a';
    dialog.FormActivate();
    EXPECT_EQ(items[dialog.vamSelection], "Y");
    EXPECT_EQ(dialog.findModeItem, 1);
    EXPECT_EQ(row('y').fileName, "model.vam");
    EXPECT_TRUE(row('y').vamBoxVisible);
}

TEST_F(Dialogs, TypedNamesAndTheVamBox) {
    dialog.FormActivate();
    row('b').BankFileNameChange("mydata.VAM");
    EXPECT_TRUE(row('b').vamBoxEnabled);
    EXPECT_EQ(row('b').vamModeItem, "Advanced");
    row('b').BankFileNameChange("mydata.cbk");
    EXPECT_FALSE(row('b').vamBoxEnabled);
    row('c').BankFileNameChange("notes.txt");
    dialog.FormActivate();
    EXPECT_EQ(row('b').fileName, "mydata.cbk");
    EXPECT_EQ(row('c').fileName, "");  // not a bank name: emptied
    dialog.clearRows();
    EXPECT_EQ(row('b').fileName, "");
}

TEST_F(Dialogs, OkProducesBankCommands) {
    put(0, new NamedBank("old.bnk"), 'w');
    dialog.FormActivate();
    row('a').BankFileNameChange("");
    row('b').BankFileNameChange("data.cbk");
    row('c').BankFileNameChange("Big.HBK");
    row('d').BankFileNameChange("fc.dfr");
    row('x').BankFileNameChange("m.vam");
    row('x').vamModeItem = "Simple";
    row('z').BankFileNameChange("ws2.bnk");
    row('e').BankFileNameChange("data");
    dialog.findModeItem = 1;
    dialog.vamSelection = TAssignBank2::slotitem(1);
    dialog.OKButton1Click();
    EXPECT_EQ(dialog.resultFlag, 0);
    ASSERT_EQ(dialog.applyOK(recorder()), 0);
    EXPECT_THAT(commands, ElementsAre("cbk data b", "hbk Big c", "dfr fc d", "vam m x", "bank ws2 z"));
    EXPECT_EQ(vamMode, 's');
    EXPECT_EQ(findMode, 'a');
    EXPECT_EQ(bankSlots[0], nullptr);
    EXPECT_EQ(assignedBankCount, 0);
    EXPECT_THAT(screen.platform.boxes, ElementsAre("[Error] Error:  Bank name must include extension."));
    EXPECT_THAT(output(), HasSubstr("Warning:  Bank b has not been assigned to a Vam file.\nCannot assign default Vam file.\n"));
}

TEST_F(Dialogs, ABadRowChangesNothing) {
    put(0, new NamedBank("keep.bnk"), 'w');
    put(3, new NamedBank("keep2.bnk"), 'w');
    dialog.FormActivate();
    row('b').BankFileNameChange("data.cbk");
    row('c').fileName = "data.txt";
    EXPECT_EQ(dialog.applyOK(recorder()), -1);
    EXPECT_EQ(output(), "That file was not a bank.\n");
    EXPECT_TRUE(commands.empty());
    EXPECT_NE(bankSlots[0], nullptr);
    EXPECT_NE(bankSlots[3], nullptr);
    EXPECT_EQ(assignedBankCount, 2);
}

TEST_F(Dialogs, RealCommandsThroughTheCommandLoop) {
    banktest::makeNamedBank("real", {{"gdp", 5}});
    dialog.FormActivate();
    row('c').BankFileNameChange("real.bnk");
    ASSERT_EQ(dialog.applyOK(), 0);
    EXPECT_EQ(bankTypes[2], 'w');
    EXPECT_STREQ(bankSlots[2]->dataPath(), "real.bnk");
}

TEST_F(Dialogs, BankList) {
    put(0, new NamedBank("a.bnk"), 'w');
    put(2, new NamedBank("model.vam"), 'v');
    TBankListForm list;
    list.FormShow();
    ASSERT_EQ(list.lines.size(), 2u);
    EXPECT_EQ(list.lines[0], "Bank a: a.bnk                                          Type: bnk ");
    EXPECT_EQ(list.lines[1].substr(list.lines[1].size() - 4), "vam ");
    list.BankListDblClick(1);
    EXPECT_EQ(list.code, 1);
    EXPECT_EQ(list.letter, 'c');
    list.OKBtnClick(-1);
    EXPECT_EQ(list.code, 2);
    list.OKBtnClick(0);
    EXPECT_EQ(list.letter, 'a');
    list.CancelBtnClick();
    EXPECT_EQ(list.code, -1);
    TAssignBank2 assign;
    assign.FormActivate();
    assign.rows[0].fileName = "a.bnk";
    list.CloseAllBtnClick(assign, [&](const std::string& line) {
        commands.push_back(line);
        for (int s = 0; s < 26; ++s) {
            delete bankSlots[s];
            bankSlots[s] = nullptr;
            bankTypes[s] = ' ';
        }
        return 0;
    });
    EXPECT_THAT(commands, ElementsAre("close all"));
    EXPECT_TRUE(list.lines.empty());
    EXPECT_EQ(assign.rows[0].fileName, "");
}

TEST_F(Dialogs, ConsoleForms) {
    banktest::makeNamedBank("real", {{"gdp", 5}});
    otherbanks::makeCompressed("cb", "c", {{"x", otherbanks::plainRecord(90, 0x11, {1})}});
    std::FILE* f = openscript("\nb real.bnk\nfind a\nq nothing.txt\nq -\nok\n");
    // Run the console dialog from the script (the command word was read already).
    ASSERT_EQ(assigndialogcmd(f), 0) << output();
    EXPECT_EQ(bankTypes[1], 'w');
    EXPECT_EQ(findMode, 'a');
    clearOutput();
    f = openscript("1\n");
    EXPECT_EQ(banklistcmd(f), 0);
    EXPECT_THAT(output(), HasSubstr("1  Bank b: real.bnk"));
    EXPECT_THAT(output(), HasSubstr("Bank b chosen."));
}

}  // namespace

}  // namespace other_dialogs_test
