// The reader of jex.cfg: the workspace bank and bank a it makes, the dates and the calendar,
// and its messages for a missing file, bad entries and too many observations.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "banks/startup.h"
#include "regress/regress_state.h"
#include "series/series_state.h"
#include "tests/banks/command_test_util.h"

namespace startup_test {

using banktest::makeNamedBank;
using banktest::readFile;
using banktest::writeText;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::string config(const std::string& bank = "data.bnk", const std::string& dates = "1991 2000 2010",
                   const std::string& base = "1990", const std::string& month = "1",
                   const std::string& obs = "100", const std::string& add = "") {
    return banktest::jexcfg(bank, dates, base, month, obs, add);
}

// With a bank data (1980, 50 observations, gdp) to be named as bank a.
class StartupCfg : public banktest::StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        makeNamedBank("data", {{"gdp", 1}}, 1980, 50);
        settypedline("wsreset");
    }
};

}  // namespace

TEST_F(StartupCfg, MissingFile) {
    EXPECT_EQ(readstartupcfg(0), -1);
    EXPECT_THAT(output(), HasSubstr("Warning:  Cannot open file \"jex.cfg\"."));
    ASSERT_EQ(screen.platform.boxes.size(), 1u);
    EXPECT_THAT(screen.platform.boxes[0], HasSubstr("Fatal Error"));
    EXPECT_THAT(screen.platform.boxes[0],
                HasSubstr("There must be a jex.cfg file in the starting directory."));
    EXPECT_EQ(workspaceBank, nullptr);
}

TEST_F(StartupCfg, BuildsTheWorkspaceAndBankA) {
    writeText("jex.cfg", config());
    EXPECT_EQ(readstartupcfg(0), 0);
    ASSERT_NE(workspaceBank, nullptr);
    auto bnk = readFile("ws.bnk");
    ASSERT_EQ(bnk.size(), 86u);
    EXPECT_EQ(std::vector<std::uint8_t>(bnk.begin(), bnk.begin() + 6),
              (std::vector<std::uint8_t>{0xc6, 0x07, 0x01, 0x00, 0x64, 0x00}));
    EXPECT_EQ(readFile("ws.ind").size(), 2u);
    EXPECT_EQ(wsBaseYear, 1990);
    EXPECT_EQ(wsMaxObs, 100);
    EXPECT_EQ(wsStartDate, JexDate(1990, 1, 1, 13));
    EXPECT_EQ(bankTypes[0], 'w');
    EXPECT_EQ(assignedBankCount, 1);
    EXPECT_EQ(defaultBankPath, "data");
    EXPECT_THAT(output(), HasSubstr("Untitled"));
    EXPECT_FLOAT_EQ(fdate1, 1991.0f);
    EXPECT_FLOAT_EQ(fdate2, 2010.0f);
    EXPECT_EQ(addPrint, 1);
    // The typed line the reader stood in is intact.
    char token[80];
    EXPECT_EQ(gettoken(token, nullptr, 0, 78), 'a');
    EXPECT_STREQ(token, "wsreset");
}

TEST_F(StartupCfg, ReadingAgainReplacesBankAWithoutLeak) {
    writeText("jex.cfg", config());
    ASSERT_EQ(readstartupcfg(0), 0);
    makeNamedBank("other", {{"x", 1}});
    ASSERT_EQ(typed(bankcmd, 'w', "other b"), 0);
    ASSERT_EQ(typed(datacmd, "gone 1990 1 ;"), 0);
    EXPECT_EQ(assignedBankCount, 2);
    ASSERT_EQ(readstartupcfg(0), 0);
    EXPECT_EQ(assignedBankCount, 2);
    EXPECT_EQ(bankTypes[1], 'w');
    EXPECT_EQ(workspaceBank->seriesCount(), 0);  // every reading starts an empty workspace
}

TEST_F(StartupCfg, UnknownBankTypeStillMakesTheWorkspace) {
    writeText("jex.cfg", config("data.xyz"));
    EXPECT_EQ(readstartupcfg(0), -1);
    EXPECT_THAT(output(), HasSubstr("Unrecognized bank type xyz"));
    ASSERT_NE(workspaceBank, nullptr);
    EXPECT_TRUE(workspaceBank->isOpen());
    EXPECT_EQ(bankTypes[0], ' ');
    EXPECT_EQ(bankSlots[0], nullptr);
    EXPECT_EQ(assignedBankCount, 0);
}

TEST_F(StartupCfg, BankAThatCannotBeOpened) {
    struct Case { const char* bank; const char* message; } cases[] = {
        {"nosuch", "Unable to open nosuch as assigned bank.  Continuing."},
        {"data.cbk", "Cannot open data.cbk"},
        {"data.vam", "Cannot open data.vam."},
    };
    for (const Case& c : cases) {
        clearOutput();
        writeText("jex.cfg", config(c.bank));
        EXPECT_EQ(readstartupcfg(0), 0) << c.bank;
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.bank;
        EXPECT_THAT(output(), HasSubstr("as assigned bank.  Continuing.")) << c.bank;
        EXPECT_EQ(bankTypes[0], ' ');
        EXPECT_EQ(assignedBankCount, 0);
        EXPECT_TRUE(workspaceBank->isOpen());
    }
}

TEST_F(StartupCfg, TooManyObservations) {
    writeText("jex.cfg", config("data.bnk", "1991 2000 2010", "1990", "1", "2500"));
    EXPECT_EQ(readstartupcfg(0), 0);
    EXPECT_THAT(output(), HasSubstr("maximum number of observations assigned in jex.cfg (2500) exceeds"));
    EXPECT_THAT(output(), HasSubstr("the maximum number allowed (1999)."));
    EXPECT_EQ(wsMaxObs, 1999);
    EXPECT_EQ(workspaceBank->maxObs(), 1999);
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_THAT(screen.platform.boxes.back(), HasSubstr("maximum number of observations is too high"));
}

TEST_F(StartupCfg, ShortFileKeepsTheRestOfTheCalendar) {
    wsFirstMonth = 4;
    cfgFirstMonth = 4;
    wsMaxObs = 55;
    std::string text = config();
    std::size_t cut = 0;
    for (int i = 0; i < 8; ++i) cut = text.find('\n', cut) + 1;
    writeText("jex.cfg", text.substr(0, cut));
    EXPECT_EQ(readstartupcfg(0), 0);
    EXPECT_EQ(workspaceBank->maxObs(), 55);
    EXPECT_EQ(workspaceBank->firstMonth(), 4);
    EXPECT_EQ(wsBaseYear, 1990);
}

TEST_F(StartupCfg, DatesAreDefaultedAndAdjusted) {
    writeText("jex.cfg", config("", "1980", "1970"));
    EXPECT_EQ(readstartupcfg(0), 0);
    EXPECT_FLOAT_EQ(fdate1, 1980.0f);
    EXPECT_FLOAT_EQ(fdate2, 2000.0f);
    clearOutput();
    writeText("jex.cfg", config("", "1985.3 1995 2000", "1990"));
    EXPECT_EQ(readstartupcfg(0), 0);
    EXPECT_THAT(output(), HasSubstr("Error:  Illegal dates."));
    EXPECT_THAT(output(), HasSubstr("Specified dates are:  base year (1990), first (1985.3),middle (1995), last (2000)."));
    EXPECT_THAT(output(), HasSubstr("Adjusted dates are:  base year (1990), first (1990.3),middle (1995), last (2000)."));
    EXPECT_EQ(fdate1Date, JexDate(1990, 3, 0, 4));
}

TEST_F(StartupCfg, TheDatesSetEveryDefaultRange) {
    // Quarterly dates: print dates first and last, regression limits and graph dates first,
    // middle and last, f dates first and last. The switches that the tdates and gdates
    // commands set stay off.
    writeText("jex.cfg", config("", "1991.2 2000.1 2010.4", "1990"));
    EXPECT_EQ(readstartupcfg(0), 0);
    EXPECT_FLOAT_EQ(printDates[0], 1991.2f);
    EXPECT_FLOAT_EQ(printDates[1], 2010.4f);
    EXPECT_EQ(printDateRange[0], JexDate(1991, 2, 0, 4));
    EXPECT_EQ(printDateRange[1], JexDate(2010, 4, 0, 4));
    EXPECT_EQ(printDatesSet, 'n');
    EXPECT_FLOAT_EQ(fitStart, 1991.2f);
    EXPECT_FLOAT_EQ(fitEnd, 2000.1f);
    EXPECT_FLOAT_EQ(testEnd, 2010.4f);
    EXPECT_FLOAT_EQ(graphDates[0], 1991.2f);
    EXPECT_FLOAT_EQ(graphDates[1], 2000.1f);
    EXPECT_FLOAT_EQ(graphDates[2], 2010.4f);
    EXPECT_EQ(graphDatesSet, 'n');
    EXPECT_EQ(fdate2Date, JexDate(2010, 4, 0, 4));
    // An entry 7 that holds no date leaves every range as it was.
    writeText("jex.cfg", config("", "", "1990"));
    EXPECT_EQ(readstartupcfg(0), 0);
    EXPECT_FLOAT_EQ(printDates[0], 1991.2f);
    EXPECT_FLOAT_EQ(fitEnd, 2000.1f);
    EXPECT_FLOAT_EQ(graphDates[2], 2010.4f);
}

TEST_F(StartupCfg, BadEntriesAndTheLastLine) {
    writeText("jex.cfg", config("data.bnk", "1991 2000 2010", "\"1990\"", "1", "100", "run init.add"));
    wsBaseYear = 1975;
    EXPECT_EQ(readstartupcfg(0), 0);
    EXPECT_THAT(output(), HasSubstr("Bad entry in jex.cfg file."));
    EXPECT_EQ(wsBaseYear, 1975);  // kept
    EXPECT_THAT(output(), HasSubstr("Warning:  Error on last line of jex.cfg."));
    EXPECT_THAT(output(), HasSubstr("The proper syntax, to run a file called \"init.add,\" is"));
}

}  // namespace startup_test
