// The model run dialog: the run configuration byte for byte, its reading back into the
// type of simulation, bad lines, and the batch file handed to the runner.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "models/modelfiles.h"
#include "models/oryrun.h"
#include "shell/mainform.h"
#include "tests/models/model_test_util.h"
#include "tests/shell/command_fixture.h"

namespace oryrun_test {

class RunForm : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        lastModelRun = lastModelHistName = lastModelSimName = exogFileName = "";
    }
    void TearDown() override {
        for (RunMode mode : modes) EXPECT_EQ(mode, RunMode::system);
        lastModelRun = lastModelHistName = lastModelSimName = exogFileName = "";
        ModelDialogTest::TearDown();
    }
};

const char* const stochasticOrb =
    "Title of run   ;Demonstration \r\nStart year     ;1995\r\nFinish year    ;2010\r\n"
    "Start MacEq yr ;2003\r\nDiscrepancy yr ;1995\r\nUse all data?  ;yes\r\nVecFix file    ;Vecfixes\r\n"
    "MacroFix file  ;Macfixes\r\nVam file       ;base\r\nJex bank       ;base\r\nDebug start yr ;3200\r\n"
    "Max iterations ;100\r\nOptimization specification file; none\r\nNumber of random draws; 25\r\n"
    "Additive random errors; yes\r\nRandom coefficients; no\r\n";

TEST_F(RunForm, StochasticRunWritesOrbCfgAndRunsTheBatchFileWithTheSimulation) {
    spit("Run.Bat", "run\r\n");
    TORYRunFm form;
    screen.platform.answers = {"Stochastic", "Edit1=25", "CoefCB", "OKBtn"};
    form.showModal(true);
    EXPECT_EQ(slurp("orb.cfg"), stochasticOrb);
    EXPECT_EQ(slurp("orb.cfg").size(), 401u);
    EXPECT_EQ(runs, std::vector<std::string>{"Run.Bat sim"});
    EXPECT_EQ(lastModelRun, "orb");
    EXPECT_EQ(lastModelSimName, "sim");
    EXPECT_FALSE(form.isOpen());

    // Without a simulation name the command line is the batch file's name alone.
    TORYRunFm again;
    screen.platform.answers = {"SimBankName=", "OKBtn"};
    again.configLoaded = true;
    again.showModal(true);
    EXPECT_EQ(runs.back(), "Run.Bat");
}

TEST_F(RunForm, LinesThirteenToSixteenGiveTheTypeOfSimulation) {
    struct Case {
        std::string tail;
        int type;
        std::string edit1, opt;
        bool addErr, coef;
    } cases[] = {
        {"Opt; none\r\nDraws; 0\r\n", 0, "50", "none", false, false},
        {"Opt; none\r\nDraws; 50\r\nAdd; yes\r\nCoef; Yes\r\n", 1, "50", "none", true, true},
        {"Opt; none\r\nDraws; 7\r\nAdd; no\r\nCoef; y\r\n", 1, "7", "none", false, true},
        {"Opt; my.opt\r\n", 2, "50", "my.opt", true, true},
    };
    std::string head(stochasticOrb);
    head = head.substr(0, head.find("Optimization"));
    for (const Case& c : cases) {
        spit("orb.run.cfg", head + c.tail);
        TORYRunFm form;
        std::FILE* f = std::fopen("orb.run.cfg", "r");
        form.readRunConfig(f, "dir/orb.run.cfg");
        EXPECT_EQ(form.simType(), c.type) << c.tail;
        EXPECT_EQ(form.text("Edit1"), c.edit1) << c.tail;
        EXPECT_EQ(form.text("OptEdit"), c.opt) << c.tail;
        EXPECT_EQ(form.isChecked("AddErrCB"), c.addErr) << c.tail;
        EXPECT_EQ(form.isChecked("CoefCB"), c.coef) << c.tail;
        EXPECT_EQ(form.isEnabled("OptEdit"), c.type == 2) << c.tail;
        EXPECT_EQ(form.isEnabled("Edit1"), c.type == 1) << c.tail;
        EXPECT_EQ(form.text("ModelEd"), "orb");
        EXPECT_EQ(form.text("RunEd"), "base");
    }
    EXPECT_EQ(screen.platform.text(), "");
}

TEST_F(RunForm, BadLinesAreReportedAndKeepTheirFields) {
    struct Case {
        std::string from, to, message;
        const char* field;
        std::string kept;
    } cases[] = {
        {"Start MacEq yr ;2003", "Start MacEq yr 2003", "Config line missing ;: Start MacEq yr 2003\n", "MacEqStartEd",
         "2003"},
        {"Max iterations ;100", "Max iterations ;1000", "Config line too long: Max iterations ;1000\n", "MaxItEd",
         "100"},
    };
    for (const Case& c : cases) {
        std::string text(stochasticOrb);
        text.replace(text.find(c.from), c.from.size(), c.to);
        std::string numbered = text;
        numbered.replace(numbered.find("Debug start yr ;3200"), 20, "Debug start yr ;1234");
        spit("orb.cfg", numbered);
        screen.platform.lines.clear();
        TORYRunFm form;
        form.findField(c.field)->text = "old";
        form.readRunConfig(std::fopen("orb.cfg", "r"), "orb.cfg");
        EXPECT_EQ(screen.platform.text(), c.message + "Error in reading configuration file.\n");
        EXPECT_EQ(form.text(c.field), "old");
        EXPECT_EQ(form.text("DebugEd"), "1234");  // the other lines are read
        EXPECT_EQ(form.simType(), 0);             // lines 13 to 16 are not
        EXPECT_EQ(form.text("Edit1"), "50");
    }
}

TEST_F(RunForm, MissingFilesGiveTheirMessages) {
    TORYRunFm form;
    // No run configuration of the last model: the box at activation.
    lastModelRun = "none";
    screen.platform.answers = {"ok", "CancelBtn"};
    form.showModal(true);
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_NE(screen.platform.boxes.back().find("Could not open file"), std::string::npos);

    // Neither the batch file nor Run.Bat: the error, and the form stays open.
    screen.platform.answers = {"ok", "OKBtn", "ok", "CancelBtn"};
    form.batchFileName = "mine.bat";
    screen.platform.lines.clear();
    form.showModal(true);
    EXPECT_EQ(screen.platform.text(), "\nError:  Cannot open mine.bat.\n");
    EXPECT_TRUE(runs.empty());

    // Run.Bat stands in for a missing batch file.
    spit("Run.Bat", "x\r\n");
    screen.platform.answers = {"ok", "OKBtn", "ok"};
    screen.platform.lines.clear();
    form.showModal(true);
    EXPECT_EQ(screen.platform.text(), "\nWarning:  Cannot open mine.bat.\nRunning Run.bat instead.\n");
    EXPECT_EQ(runs, std::vector<std::string>{"Run.Bat sim"});
    EXPECT_EQ(form.batchFileName, "mine.bat");

    // A Load of a missing file.
    screen.platform.lines.clear();
    screen.platform.answers = {"LoadBtn", "gone.cfg", "CancelBtn"};
    form.showModal(true);
    EXPECT_EQ(screen.platform.text(), "Cannot open gone.cfg.\n");
}

}  // namespace oryrun_test
