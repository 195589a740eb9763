// The configuration-line reader, the DOS-text writer, the written-once batch files and the
// build dialog's configuration file, checked byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "models/fixforms.h"
#include "models/modelfiles.h"
#include "models/orybuild.h"
#include "models/oryrun.h"
#include "models/tables.h"
#include "shell/mainform.h"
#include "tests/models/model_test_util.h"
#include "tests/shell/command_fixture.h"

namespace modelfiles_test {

class ModelFiles : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        buildConfigFile = "Build.cfg";
    }
    void TearDown() override {
        buildConfigFile = "Build.cfg";
        ModelDialogTest::TearDown();
    }
};

TEST_F(ModelFiles, ReadConfigLineCases) {
    struct Case {
        std::string line;
        short n;
        int result;
        std::string value, message;
    } cases[] = {
        {"Title of run   ;\r\n", 10, 0, "", ""},
        {"Start year;    1995\r\n", 10, 0, "1995", ""},
        {"Tab;\t \tx y  \n", 10, 0, "x y  ", ""},  // blanks at the end are kept
        {"Name; abcde\r\n", 5, 0, "abcde", ""},
        {"Name; abcdef\r\n", 5, -1, "abcde", "Config line too long: Name; abcdef\n"},
        {"No separator here\r\n", 5, -1, "", "Config line missing ;: No separator here\n"},
        {"", 5, -1, "", ""},
    };
    for (const Case& c : cases) {
        spit("t.cfg", c.line);
        screen.platform.lines.clear();
        std::FILE* f = std::fopen("t.cfg", "r");
        char buf[300] = "junk";
        EXPECT_EQ(readconfigline(f, buf, c.n), c.result) << c.line;
        EXPECT_EQ(std::string(buf), c.value) << c.line;
        EXPECT_EQ(screen.platform.text(), c.message) << c.line;
        std::fclose(f);
    }
}

TEST_F(ModelFiles, LongLinesAreReadInPiecesAndTheNextLineFollows) {
    std::string longLine = "a;" + std::string(298, 'b');
    spit("t.cfg", longLine + "\r\nno separator\r\nlast; 7\r\n");
    std::FILE* f = std::fopen("t.cfg", "r");
    char buf[300];
    EXPECT_EQ(readconfigline(f, buf, 299), 0);
    EXPECT_EQ(std::string(buf), std::string(237, 'b'));  // 239 characters in the first piece
    EXPECT_EQ(readconfigline(f, buf, 299), -1);           // the other 61, without a ';'
    EXPECT_EQ(screen.platform.text(), "Config line missing ;: " + std::string(61, 'b') + "\n");
    EXPECT_EQ(readconfigline(f, buf, 299), -1);
    EXPECT_EQ(readconfigline(f, buf, 299), 0);
    EXPECT_EQ(std::string(buf), "7");
    EXPECT_EQ(readconfigline(f, buf, 299), -1);
    std::fclose(f);

    // Exactly 239 characters and their CR LF are one line.
    spit("t.cfg", "a;" + std::string(237, 'c') + "\r\nb;d\r\n");
    f = std::fopen("t.cfg", "r");
    EXPECT_EQ(readconfigline(f, buf, 299), 0);
    EXPECT_EQ(readconfigline(f, buf, 299), 0);
    EXPECT_EQ(std::string(buf), "d");
    std::fclose(f);
}

TEST_F(ModelFiles, BatchFileIsWrittenOnceAndNeverRewritten) {
    const std::vector<std::string> lines = {"echo one", "pause"};
    EXPECT_TRUE(writeoncerun("tool.bat", lines));
    EXPECT_EQ(slurp("tool.bat"), "echo one\r\npause\r\n");
    spit("tool.bat", "my own edit\n");
    EXPECT_TRUE(writeoncerun("tool.bat", lines));
    EXPECT_EQ(slurp("tool.bat"), "my own edit\n");
    EXPECT_EQ(runs, (std::vector<std::string>{"tool.bat", "tool.bat"}));

    // A name that cannot be written runs nothing.
    std::filesystem::create_directory("adir");
    EXPECT_FALSE(writeoncerun("adir/missing/x.bat", lines));
    EXPECT_EQ(screen.platform.text(), "Cannot open adir/missing/x.bat.\n");
    EXPECT_EQ(runs.size(), 2u);
}

TEST_F(ModelFiles, DefaultRunnerSaysItCannotRun) {
    setbatchrunner(nullptr);
    runBatch("Run.Bat sim", RunMode::system);
    EXPECT_EQ(screen.platform.text(), "\nWarning:  cannot run Run.Bat sim on this system.\n");
}

const char* const expectedBuildCfg =
    "Name of workspace; hist14.bnk\r\n"
    "Name of workspace index; hist14.ind\r\n"
    "Name of default; macro.hbk\r\n"
    "Name of default index; macro.hin\r\n"
    "Path to files for inclusion; c:\\kvt\r\n"
    "Reserved for future use; x\r\n"
    "Default regression limits; 1972 2008 2025\r\n"
    "Default base year of workspace file; 1972\r\n"
    "First month covered; 1\r\n"
    "Default maximun number of observations per series in workspace; 600\r\n"
    "Do you wish to supply convergence test and subdivision manually?; n\r\n"
    "Is there a global declaration file \"global.inc\" to be included?; n\r\n";

TEST_F(ModelFiles, BuildDialogSavesOkRunsAndReadsBack) {
    TOryBldForm form;
    // Build.cfg is missing: the activation's box, then the edits, Save and OK.
    screen.platform.answers = {"ok", "WSBnkEdit=hist14.bnk", "HistBankEdit=Macro.HBK", "SaveBtn",
                               "Build.cfg", "OKBtn"};
    form.showModal(true);
    EXPECT_EQ(slurp("Build.cfg"), expectedBuildCfg);
    EXPECT_EQ(slurp("Build.cfg").size(), 511u);
    EXPECT_EQ(slurp("orymodel.bat"),
              "echo Running OryBuild.exe.\r\norybuild.exe master\r\necho Compiling the Orrery model.\r\n"
              "make -frun.mak\r\npause\r\n");
    EXPECT_EQ(runs, std::vector<std::string>{"orymodel.bat"});
    EXPECT_FALSE(form.isOpen());
    EXPECT_EQ(form.text("WSBnkEdit"), "hist14");
    EXPECT_EQ(form.text("HistBankEdit"), "macro.hbk");

    // Shown again, it reads the file back.
    TOryBldForm again;
    screen.platform.answers.clear();
    again.showModal(true);
    EXPECT_EQ(again.text("WSBnkEdit"), "hist14.bnk");
    EXPECT_EQ(again.text("HistBankEdit"), "macro.hbk");
    EXPECT_EQ(again.text("rd3Edit"), "2025");
    EXPECT_FALSE(again.findButton("SaveBtn")->enabled);

    // Load (the open dialog keeps Build.cfg) reads the saved name back over a change.
    screen.platform.answers = {"WSBnkEdit=other.bnk", "LoadBtn", "Open"};
    again.showModal(true);
    EXPECT_EQ(again.text("WSBnkEdit"), "hist14.bnk");
    EXPECT_FALSE(again.findButton("SaveBtn")->enabled);

    // An edited batch file survives the next OK.
    spit("orymodel.bat", "edited\r\n");
    screen.platform.answers = {"OKBtn"};
    again.showModal(true);
    EXPECT_EQ(slurp("orymodel.bat"), "edited\r\n");
    EXPECT_EQ(runs.size(), 2u);
}

TEST_F(ModelFiles, BuildDialogRefusesABankWithoutBankExtension) {
    TOryBldForm form;
    // Refused by Save, and by OK once a change enabled Save again: OK then stays in the form.
    screen.platform.answers = {"ok", "HistBankEdit=macro.dat", "SaveBtn", "Build.cfg", "ok",
                               "PathEdit=/k", "OKBtn", "Build.cfg", "ok", "CancelBtn"};
    form.showModal(true);
    EXPECT_FALSE(std::filesystem::exists("Build.cfg"));
    EXPECT_FALSE(std::filesystem::exists("orymodel.bat"));
    EXPECT_TRUE(runs.empty());
    int warnings = 0;
    for (const std::string& b : screen.platform.boxes)
        if (b.find("invalid extension for the history bank") != std::string::npos) ++warnings;
    EXPECT_EQ(warnings, 2);
}

TEST_F(ModelFiles, BuildConfigReadingEdgeCases) {
    // A regression-limits line with one value keeps rd2 and copies it into rd3; names with
    // two dots have the stem up to the first; a short file leaves the later fields alone.
    spit("Build.cfg",
         "Name of workspace; my.model.bnk\r\nName of workspace index; my.ind\r\nName of default; h.cbk\r\n"
         "Name of default index; h.cin\r\nPath to files for inclusion; /p\r\nReserved for future use; x\r\n"
         "Default regression limits; 1980\r\nDefault base year of workspace file; 1990\r\n");
    TOryBldForm form;
    form.setText("rd2Edit", "2001");
    form.showModal(true);
    EXPECT_EQ(form.text("rd1Edit"), "1980");
    EXPECT_EQ(form.text("rd2Edit"), "2001");
    EXPECT_EQ(form.text("rd3Edit"), "2001");
    EXPECT_EQ(form.text("dbyEdit"), "1990");
    EXPECT_EQ(form.text("MonthEdit"), "1");
    EXPECT_EQ(form.text("HistBankEdit"), "h.cbk");
    screen.platform.answers = {"SaveBtn", "out.cfg", "CancelBtn"};
    form.setText("MonthEdit", "2");
    form.showModal(true);
    std::string out = slurp("out.cfg");
    EXPECT_NE(out.find("Name of workspace; my.bnk\r\nName of workspace index; my.ind\r\n"), std::string::npos);
    EXPECT_NE(out.find("Name of default index; h.cin\r\n"), std::string::npos);
    EXPECT_EQ(buildConfigFile, "out.cfg");

    // A Load of a missing file says so and changes nothing.
    screen.platform.lines.clear();
    screen.platform.answers = {"LoadBtn", "none.cfg", "ok", "CancelBtn"};
    form.showModal(true);
    EXPECT_EQ(screen.platform.text(), "\nError:  cannot open file \"none.cfg\".\n");
    EXPECT_EQ(form.text("MonthEdit"), "2");
}

TEST_F(ModelFiles, MissingFilesGiveEachDialogsMessage) {
    // Each dialog at its activation with its configuration file missing, then Load of a file
    // that does not exist: what is printed and how many "Could not open file" boxes appear.
    TOryBldForm build;
    TORYRunFm run;
    TTablesFm tables;
    struct Case {
        const char* dialog;
        Form* form;
        std::vector<std::string> answers;
        std::string printed;
        std::size_t boxes;
    } cases[] = {
        {"build", &build, {"ok", "LoadBtn", "none.cfg", "ok", "CancelBtn"},
         "\nError:  cannot open file \"none.cfg\".\n", 2},
        {"macro fix", &MacFixFm(), {"ok", "BitBtn1", "none.cfg", "ok", "CancelBtn"}, "", 2},
        {"vector fix", &VecFixFm(), {"ok", "LoadBtn", "none.cfg", "ok", "CancelBtn"}, "", 2},
        {"run", &run, {"ok", "LoadBtn", "none.cfg", "CancelBtn"}, "Cannot open none.cfg.\n", 1},
        {"tables", &tables, {"LoadBtn", "none.in", "CancelBtn"}, "Cannot open none.in.\n", 0},
    };
    lastModelRun = lastTableName = "gone";
    MacFixFm().configLoaded = VecFixFm().configLoaded = false;
    for (const Case& c : cases) {
        screen.platform.lines.clear();
        screen.platform.boxes.clear();
        screen.platform.answers.assign(c.answers.begin(), c.answers.end());
        c.form->showModal(true);
        EXPECT_EQ(screen.platform.text(), c.printed) << c.dialog;
        EXPECT_EQ(screen.platform.boxes.size(), c.boxes) << c.dialog;
        for (const std::string& b : screen.platform.boxes) EXPECT_EQ(b, "[Error] Could not open file") << c.dialog;
        EXPECT_FALSE(c.form->isOpen()) << c.dialog;
    }
    lastModelRun = lastTableName = "";
}

}  // namespace modelfiles_test
