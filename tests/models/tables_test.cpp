// The tables dialog: tables.in byte for byte, tabrun.bat written when missing, the groups
// read again after the tool, and the reader of tables files with its bad counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "models/modelfiles.h"
#include "models/tables.h"
#include "shell/mainform.h"
#include "tests/models/model_test_util.h"
#include "tests/shell/command_fixture.h"
#include "vam/groups.h"

namespace tables_test {

class Tables : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        // The table tool adds a named group.
        onRun = [](const std::string&) {
            std::ofstream("groups.bin", std::ios::binary) << encodegroups({{"tg", {4, 5}}});
        };
        lastTableName = "";
    }
    void TearDown() override {
        lastTableName = "";
        closegrouphome();
        ModelDialogTest::TearDown();
    }
};

const char* const twoBanks = "2\r\nw\r\nbase\r\nv\r\nalt\r\nd\r\nmytab.stb\r\nmytab.out\r\n";

TEST_F(Tables, TwoBanksWriteTablesInRunTheToolAndReadTheGroupsAgain) {
    spit("tabrun.bat", "C:\\KVT\\compare.exe tables.in\r\npause\r\n");
    opengrouphome();
    TTablesFm form;
    screen.platform.answers = {"BT2=1", "BN2=base", "BT5=2", "BN5=alt", "RadioGroup1=1", "StubFile=mytab",
                               "OutFile=mytab.out", "OKBtn"};
    form.showModal(true);
    EXPECT_EQ(slurp("tables.in"), twoBanks);
    EXPECT_EQ(runs, std::vector<std::string>{"tabrun.bat"});
    EXPECT_EQ(namedgroupcount(), 1);
    EXPECT_EQ(lastTableName, "tables");
    // A second OK starts from an empty table and writes the same file.
    screen.platform.answers = {"OKBtn"};
    form.showModal(true);
    EXPECT_EQ(slurp("tables.in"), twoBanks);
    EXPECT_EQ(form.banks.size(), 2u);

    // Read back at the first activation of a new form.
    TTablesFm again;
    again.showModal(true);
    EXPECT_EQ(again.kind(1), 1);
    EXPECT_EQ(again.text("BN1"), "base");
    EXPECT_EQ(again.kind(2), 2);
    EXPECT_EQ(again.display(), 1);
    EXPECT_EQ(again.text("StubFile"), "mytab");
    EXPECT_EQ(again.text("OutFile"), "mytab.out");
}

TEST_F(Tables, OneBankHasNoDisplayLineAndTabrunIsWrittenWhenMissing) {
    opengrouphome();
    TTablesFm form;
    screen.platform.answers = {"BT1=3", "BN1=base.bnk", "StubFile=s", "OutFile=o", "OKBtn"};
    form.showModal(true);
    EXPECT_EQ(slurp("tables.in"), "1\r\nh\r\nbase.bnk\r\ns.stb\r\no\r\n");
    std::string bat = slurp("tabrun.bat");
    EXPECT_NE(bat.find("compare.exe tables.in\r\npause\r\n"), std::string::npos);
}

TEST_F(Tables, RowsWithoutNamesAndEmptyTables) {
    TTablesFm form;
    screen.platform.answers = {"BT1=1", "BN1=a", "BT3=1", "OKBtn", "ok", "CancelBtn"};
    form.showModal(true);
    EXPECT_FALSE(std::filesystem::exists("tables.in"));
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_NE(screen.platform.boxes.back().find("Error in Tables Configuration!"), std::string::npos);
    EXPECT_TRUE(form.banks.empty());
    TTablesFm empty;
    screen.platform.answers = {"OKBtn"};
    empty.showModal(true);
    EXPECT_EQ(screen.platform.text(), "No banks listed in Tables Configuration window.\n");
    EXPECT_TRUE(runs.empty());
}

TEST_F(Tables, BadTablesFilesLeaveTheControlsAndTheInputAlone) {
    struct Case {
        std::string bytes;
        const char* bank;  // BN1 afterwards (StubFile is kept by all)
    } cases[] = {
        {"0\r\nw\r\nbase\r\n", "keep"},
        {"11\r\nw\r\nbase\r\n", "keep"},
        {"x\r\n", "keep"},
        {"1\r\n5\r\n", ""},  // a number for a kind: the rows emptied, then the error
    };
    for (const Case& c : cases) {
        spit("t.in", c.bytes);
        TTablesFm form;
        form.findField("StubFile")->text = "keep";
        form.findField("BN1")->text = "keep";
        screen.platform.lines.clear();
        settypedline("echo is left");
        form.readConfig(std::fopen("t.in", "r"));
        EXPECT_EQ(screen.platform.text(), "Error in reading configuration file.\n") << c.bytes;
        EXPECT_EQ(form.text("StubFile"), "keep") << c.bytes;
        EXPECT_EQ(form.text("BN1"), c.bank) << c.bytes;
    }
    // Capital kind letters select the empty item.
    spit("t.in", "1\r\nW\r\nbase\r\nst\r\nout\r\n");
    TTablesFm form;
    form.readConfig(std::fopen("t.in", "r"));
    EXPECT_EQ(form.kind(1), 0);
    EXPECT_EQ(form.text("BN1"), "base");
    EXPECT_EQ(form.text("OutFile"), "out");
    // Typed commands still work afterwards.
    clearPendingLine();
    screen.platform.lines.clear();
    EXPECT_EQ(typed("dir *.in"), statusTyped);
}

// A tables file whose line nests %{ braces around words that are no expression (as a fuzzer
// made it): each level is read as an expression and then again as a word, so the readings
// doubled at every level and the file took minutes to read. The expansion's work has a limit:
// the reading stops with an error at once.
TEST_F(Tables, BracesNestedAroundWordsStopTheReadingWithAnError) {
    const unsigned char bytes[] = {
        0x00, 0x23, 0x00, 0x00, 0x60, 0x32, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x37,
        0x25, 0x7b, 0x69, 0x69, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x37, 0x25, 0x7b,
        0x69, 0x25, 0x7b, 0x69, 0x69, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x37, 0x25,
        0x7b, 0x69, 0x69, 0x69, 0x69, 0x73, 0x77, 0x2e, 0x2e, 0x69, 0x69, 0x69, 0x69, 0x69,
        0x69, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a,
        0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x25, 0x7b,
        0x69, 0x69, 0x69, 0x73, 0x77, 0x2e, 0x2e, 0x69, 0x69, 0x69, 0x69, 0x69, 0x69, 0x4a,
        0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a,
        0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x77,
        0x5a, 0x69, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69,
        0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x73, 0x77, 0x2e, 0x2e, 0x69, 0x69, 0x69,
        0x69, 0x69, 0x69, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x34, 0x45, 0x4a,
        0x4a, 0x4a, 0x4a, 0x61, 0x4a, 0x4a, 0x34, 0x45, 0x25, 0x73, 0x28, 0x4a, 0x4a, 0x4a,
        0x00, 0x00, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x69, 0x73, 0x77, 0x2e, 0x2e,
        0x69, 0x69, 0x69, 0x69, 0x69, 0x69, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a,
        0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a,
        0x4a, 0x4a, 0x4a, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x77, 0x5a, 0x69, 0x37, 0x25, 0x7b,
        0x69, 0x69, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x37, 0x25, 0x7b, 0x69, 0x69,
        0x69, 0x69, 0x73, 0x77, 0x2e, 0x2e, 0x69, 0x69, 0x69, 0x69, 0x69, 0x69, 0x4a, 0x4a,
        0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a,
        0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x77, 0x5a,
        0x69, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x37, 0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x37,
        0x25, 0x7b, 0x69, 0x69, 0x69, 0x69, 0x73, 0x77, 0x2e, 0x2e, 0x69, 0x69, 0x4a, 0x4a,
        0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a, 0x4a,
        0x4a, 0x61, 0x4a, 0x4a, 0x34, 0x45, 0x4a, 0x4a, 0x4a, 0x4a, 0x61, 0x4a, 0x4a, 0x34,
        0x45, 0x25, 0x73, 0x28, 0x4a, 0x4a, 0x4a, 0x00, 0x00, 0x37, 0x25, 0x7b, 0x69, 0x69,
        0x69, 0x69, 0x5d, 0x69, 0x69, 0x69, 0x69, 0x69, 0x7d, 0x6b, 0x35, 0x7d, 0x2b, 0x35,
        0x32,
    };
    spit("t.in", std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));
    TTablesFm form;
    screen.platform.lines.clear();
    clearPendingLine();
    settypedline("type gdp");
    form.readConfig(std::fopen("t.in", "rb"));
    EXPECT_NE((screen.platform.text() + pendingLine()).find("Error:  %-sequences too intricate to expand (more than 200000 steps)."),
              std::string::npos)
        << screen.platform.text();
}

TEST_F(Tables, BrowseCutsTheExtensionOfTheFileNameOnly) {
    std::filesystem::create_directories("../stubs_" + std::to_string(::getpid()));
    std::string dir = "../stubs_" + std::to_string(::getpid());
    spit(dir + "/mytab.stb", "stub\n");
    TTablesFm form;
    form.configLoaded = true;
    screen.platform.answers = {"BrowseCfgButton", dir + "/mytab.stb", "BrowseCfgButton", "none.stb", "CancelBtn"};
    form.showModal(true);
    EXPECT_EQ(form.text("StubFile"), dir + "/mytab");
    EXPECT_EQ(screen.platform.text(), "Cannot open none.stb.\n");
    std::filesystem::remove_all(dir);
}

}  // namespace tables_test
