// The revised run dialog: orb.cfg byte for byte for each type of run, and run.add run through
// the command loop with the five names as its arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "interp/switches.h"
#include "models/oryrunrev.h"
#include "tests/models/model_test_util.h"

namespace oryrunrev_test {

class RevisedRunTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        // The script shows the arguments it was given in the title.
        spit("run.add", "title [%1][%2][%3][%4][%5]\n");
    }
};

const std::vector<std::string> dates = {"RunTitleEd=Test", "StartDateEd=2024", "EndDateEd=2050",
                                        "MacEqStartDate=2025", "DiscrepYr=2023"};

const char* const stochasticOrb =
    "Title of run   ;Test\r\nStart year     ;2024\r\nFinish year    ;2050\r\nStart MacEq yr ;2025\r\n"
    "Discrepancy yr ; 2023\r\nUse all data   ; yes\r\nVecfix file; vecfixes\r\nMacfix file; macfixes\r\n"
    "Vam file   ; tmp\r\nJex bank   ; tmp\r\nDebug start year; 2100\r\nMax iterations ; 100\r\n"
    "OptSpec file ; none\r\nNumber of random draws; 50\r\nAdditive errors; yes\r\nCoefficient errors; yes\r\n";

TEST_F(RevisedRunTest, StochasticRunWritesOrbCfgAndRunsTheScriptWithItsArguments) {
    TORYRunRevForm form;
    screen.platform.answers.assign(dates.begin(), dates.end());
    for (const char* a : {"Stochastic", "ResultEd=alt", "StartEd=base", "ExogEd=exo1", "MacfixesEd=none",
                          "VecfixesEd=none", "OKBtn"})
        screen.platform.answers.push_back(a);
    form.showModal(true);
    EXPECT_EQ(slurp("orb.cfg"), stochasticOrb);
    EXPECT_EQ(slurp("orb.cfg").size(), 357u);
    EXPECT_EQ(form.lastCommand(), "add run.add alt base exo1 none none \n");
    // The command is printed with a line end of its own: an empty line follows it.
    EXPECT_EQ(screen.platform.text().substr(0, 38), "add run.add alt base exo1 none none \n\n");
    EXPECT_STREQ(currentTitle, "[alt][base][exo1][none][none]");
    EXPECT_FALSE(form.isOpen());
    EXPECT_TRUE(runs.empty());  // nothing goes to the batch runner
}

TEST_F(RevisedRunTest, LinesThirteenToSixteenByTypeOfRun) {
    struct Case {
        std::vector<std::string> answers;
        std::string tail;  // lines 13 to 16
    } cases[] = {
        {{"Deterministic"},
         "OptSpec file ; none\r\nNumber of random draws; 0\r\nAdditive errors; no\r\nRandom coefficients; no\r\n"},
        {{"Optimizing", "OpSpecFileEd=my.opt"},
         "OptSpec file ; my.opt\r\nNumber of random draws; 0\r\nAdditive errors; no\r\nRandom coefficients; no\r\n"},
        // Typed while optimizing, then Stochastic: the file name is not written.
        {{"Optimizing", "OpSpecFileEd=my.opt", "Stochastic"},
         "OptSpec file ; none\r\nNumber of random draws; 50\r\nAdditive errors; yes\r\nCoefficient errors; yes\r\n"},
        // The stochastic panel stays disabled: its values cannot be changed.
        {{"Stochastic", "Edit2=7", "Additive errors", "Use all data"},
         "OptSpec file ; none\r\nNumber of random draws; 50\r\nAdditive errors; yes\r\nCoefficient errors; yes\r\n"},
        // Deterministic puts "none" back; a disabled file field takes no answer.
        {{"Optimizing", "OpSpecFileEd=my.opt", "Deterministic", "OpSpecFileEd=late.opt", "Optimizing"},
         "OptSpec file ; none\r\nNumber of random draws; 0\r\nAdditive errors; no\r\nRandom coefficients; no\r\n"},
    };
    for (const Case& c : cases) {
        TORYRunRevForm form;
        screen.platform.answers.assign(c.answers.begin(), c.answers.end());
        screen.platform.answers.push_back("OKBtn");
        form.showModal(true);
        std::string cfg = slurp("orb.cfg");
        ASSERT_NE(cfg.find("OptSpec file"), std::string::npos);
        EXPECT_EQ(cfg.substr(cfg.find("OptSpec file")), c.tail) << c.answers.back();
    }
    EXPECT_NE(slurp("orb.cfg").find("Use all data   ; yes\r\n"), std::string::npos);
}

TEST_F(RevisedRunTest, EmptyNamesLongNamesAndAnUnwritableOrbCfg) {
    TORYRunRevForm form;
    screen.platform.answers = {"OKBtn"};
    form.showModal(true);
    EXPECT_EQ(form.lastCommand(), "add run.add      \n");
    // The script has no arguments: its %1 asks for one.
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_NE(screen.platform.boxes[0].find("required an argument (like %1)"), std::string::npos);

    // Each name is cut to 99 characters.
    std::string longName(150, 'r');
    screen.platform.answers = {"ResultEd=" + longName, "OKBtn"};
    form.showModal(true);
    EXPECT_EQ(form.lastCommand(), "add run.add " + std::string(99, 'r') + "     \n");

    // orb.cfg cannot be made: said, nothing runs and the form stays open.
    std::filesystem::remove("orb.cfg");
    std::filesystem::create_directory("orb.cfg");
    screen.platform.lines.clear();
    spit("run.add", "title ran\n");
    screen.platform.answers = {"OKBtn"};
    form.showModal(true);
    EXPECT_EQ(screen.platform.text(), "Cannot open orb.cfg.\n");
    EXPECT_STRNE(currentTitle, "ran");
    EXPECT_TRUE(form.isOpen());
    form.close();
}

}  // namespace oryrunrev_test
