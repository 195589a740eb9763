// The run control dialog: _go.bat for each type of simulation, always written anew, and
// values over their limits refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "models/modelfiles.h"
#include "models/runctrl.h"
#include "shell/mainform.h"
#include "tests/models/model_test_util.h"
#include "tests/shell/command_fixture.h"

namespace runctrl_test {

class RunControl : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        runControlWaitMs = 0;
        macroModelStartDate = "2024";
        macroModelStopDate = "2050";
        macroModelResultsName = "base2";
        macroModelFixFile = "fix1";
    }
    void TearDown() override {
        for (RunMode mode : modes) EXPECT_EQ(mode, RunMode::system);
        runControlWaitMs = 1000;
        macroModelStartDate = macroModelStopDate = macroModelResultsName = macroModelFixFile = "";
        ModelDialogTest::TearDown();
    }
};

TEST_F(RunControl, GoBatForEachTypeOfSimulation) {
    struct Case {
        std::vector<std::string> answers;
        std::string runLine;
    } cases[] = {
        {{"Deterministic"}, "run 2024 2050 fix1.fix"},
        {{"Stochastic", "CoefErrCB"}, "run 2024 2050 fix1.fix 50 1 0"},
        {{"Optimizing"}, "run 2024 2050 fix1.fix m OptSpec.opt"},
    };
    spit("_go.bat", "an older batch file that is always replaced\r\n");
    for (const Case& c : cases) {
        TRunForm form;
        screen.platform.answers.assign(c.answers.begin(), c.answers.end());
        screen.platform.answers.push_back("OKBtn");
        form.showModal(true);
        EXPECT_EQ(slurp("_go.bat"), "copy bws.* rws.*\r\n" + c.runLine + "\r\ncopy rws.* base2.*\r\npause\r\n");
    }
    EXPECT_EQ(runs, (std::vector<std::string>{"_go.bat", "_go.bat", "_go.bat"}));
    EXPECT_EQ(screen.platform.text(), "About to run model.\nAbout to run model.\nAbout to run model.\n");
}

TEST_F(RunControl, TheSettingsKeepTheLastOk) {
    TRunForm form;
    screen.platform.answers = {"RunName=base3", "OKBtn"};
    form.showModal(true);
    EXPECT_EQ(macroModelResultsName, "base3");
    macroModelStartDate = "";
    TRunForm again;
    screen.platform.answers = {"RunStartDate=2024", "RunName=base2", "OKBtn"};
    again.showModal(true);  // shown with the settings of the last OK
    EXPECT_EQ(slurp("_go.bat"), "copy bws.* rws.*\r\nrun 2024 2050 fix1.fix\r\ncopy rws.* base2.*\r\npause\r\n");
    EXPECT_EQ(slurp("_go.bat").size(), 69u);
}

TEST_F(RunControl, ValuesOverTheirLimitsWriteNothing) {
    struct Case {
        std::string answer, message;
    } cases[] = {
        {"RunStartDate=123456789012", "\nError:  Start date is longer than 11 characters.\n"},
        {"FixName=" + std::string(80, 'f'), "\nError:  Fix file name is longer than 79 characters.\n"},
        {"IterNumb=12345678", "\nError:  Iterations is longer than 7 characters.\n"},
    };
    for (const Case& c : cases) {
        TRunForm form;
        screen.platform.lines.clear();
        screen.platform.answers = {c.answer, "OKBtn", "CancelBtn"};
        form.showModal(true);
        EXPECT_EQ(screen.platform.text(), c.message);
        EXPECT_FALSE(std::filesystem::exists("_go.bat"));
        EXPECT_EQ(macroModelStartDate, "2024");
    }
    EXPECT_TRUE(runs.empty());
}

}  // namespace runctrl_test
