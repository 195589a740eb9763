// The look window on stub files: the stub file's name, picking a line (title, listing over
// whole years of the series' frequency, dates put back), Home, the searches and the sorry
// form, a missing stub file, and the close of its bank's slot.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "graphs/graph_settings.h"
#include "interp/switches.h"
#include "shell/menu_handlers.h"
#include "tests/banks/command_test_util.h"
#include "views/look_window.h"

namespace look_window_test {

using ::testing::HasSubstr;
using ::testing::Not;

// Bank a (us): gdp and cons, annual; bank b (qb): s, quarterly 1 .. 8 from 1990.1.
// Print dates 1990-1991, graph dates 1990, 1991, 1991.
class LookWindow : public banktest::BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        resetseriesstate();
        banktest::makeNamedBank("us", {{"gdp", 100}, {"cons", 80}});
        banktest::makeBank("qb", 1990, 1, 100, 4, {1, 2, 3, 4, 5, 6, 7, 8});
        banktest::writeText("us.stb", "US bank\n  gdp ; Gross domestic product\n# notes\n"
                                      "  cons # Personal consumption\r\nPrices # of goods\n");
        banktest::writeText("qb.stb", "Quarterly bank\r  s ; Quarterly series\r");
        ASSERT_EQ(typed(bankcmd, 'w', "us a"), 0);
        ASSERT_EQ(typed(bankcmd, 'w', "qb b"), 0);
        printDates[0] = graphDates[0] = 1990;
        printDates[1] = graphDates[1] = graphDates[2] = 1991;
        printDateRange[0] = JexDate(1990.0f);
        printDateRange[1] = JexDate(1991.0f);
        printDatesSet = 'y';
        graphDatesSet = 'n';
        clearOutput();
    }
    void TearDown() override {
        LookForm2.close();
        LookForm2.lines.clear();
        LookForm2.LastFindText.clear();
        LookForm2.setCaption("LookForm2");
        lookLineIndex = 0;
        currentTitle[0] = 0;
        resetseriesstate();
        BankCmdTest::TearDown();
    }
    // look on a typed line, with the answers of the window and its dialogs.
    int look(const std::string& line, std::vector<std::string> answers = {}) {
        for (auto& a : answers) screen.platform.answers.push_back(a);
        return typed(lookcmd, line);
    }
    bool formShown(const std::string& caption) const {
        for (const std::string& f : screen.platform.forms)
            if (f.rfind("[" + caption + "]", 0) == 0) return true;
        return false;
    }
};

TEST(LookStubName, OnlyTheFileNamesExtensionIsReplaced) {
    const std::string longDirectory(150, 'd');
    struct Case {
        std::string bank, stub;
    } cases[] = {
        {"../banks/us.bnk", "../banks/us.stb"},
        {"data.v2/us.bnk", "data.v2/us.stb"},
        {"..\\banks\\us.bnk", "..\\banks\\us.stb"},
        {"us.old.bnk", "us.stb"},
        {"us", "us.stb"},
        {longDirectory + "/us.bnk", longDirectory + "/us.stb"},
    };
    for (const Case& c : cases) EXPECT_EQ(stubfilename(c.bank), c.stub) << c.bank;
}

TEST_F(LookWindow, PickListsOverWholeYearsAndPutsTheDatesBack) {
    ASSERT_EQ(look("b", {"1"}), 0);
    EXPECT_TRUE(LookForm2.visible());
    EXPECT_EQ(LookForm2.caption(), "qb.bnk");
    EXPECT_EQ(LookForm2.lines, (std::vector<std::string>{"Quarterly bank", "  s ; Quarterly series"}));
    // 1990.1 to 1991.4: the quarters of the annual print dates.
    EXPECT_THAT(output(), HasSubstr("  s ; Quarterly series\nb.s\n"
                                    " 1990.1   1.0000000   2.000000   3.000000   4.000000\n"
                                    " 1991.1    5.000000   6.000000   7.000000   8.000000\n"));
    EXPECT_STREQ(currentTitle, "  s ; Quarterly series");
    EXPECT_EQ(lookLineIndex, 1);
    EXPECT_EQ(printDates[0], 1990.0f);
    EXPECT_EQ(printDates[1], 1991.0f);
    EXPECT_EQ(printDateRange[1].frequency, 1);
    EXPECT_EQ(graphDates[2], 1991.0f);
    EXPECT_EQ(printDatesSet, 'y');
    EXPECT_EQ(graphDatesSet, 'n');
}

TEST_F(LookWindow, LinesWithoutASeriesOnlySetTheTitle) {
    struct Case {
        const char* answer;
        const char* title;
        const char* listed;  // the listing's heading, or null for none
    } cases[] = {
        {"0", "US bank", nullptr},  // a word the bank does not have
        {"2", "", nullptr},
        {"3", "  cons", "a.cons\n"},
        {"4", "Prices", nullptr},
    };
    for (const Case& c : cases) {
        clearOutput();
        ASSERT_EQ(look("a", {c.answer}), 0) << c.answer;
        EXPECT_STREQ(currentTitle, c.title) << c.answer;
        if (c.listed) EXPECT_THAT(output(), HasSubstr(c.listed));
        else EXPECT_THAT(output(), Not(HasSubstr(" 1990 ")));
    }
    clearOutput();
    ASSERT_EQ(look("a", {"0"}), 0);
    EXPECT_THAT(output(), HasSubstr("Error:  cannot find series \"US bank\" in Look.\n"));
}

TEST_F(LookWindow, TheTitleKeepsAtMost89Characters) {
    banktest::writeText("us.stb", "  gdp ; " + std::string(200, 'x') + "\n");
    ASSERT_EQ(look("a", {"0"}), 0);
    EXPECT_EQ(std::string(currentTitle), "  gdp ; " + std::string(81, 'x'));
    EXPECT_THAT(output(), HasSubstr("a.gdp\n"));
}

TEST_F(LookWindow, HomeSelectsTheSecondLine) {
    ASSERT_EQ(look("a", {"Home"}), 0);
    EXPECT_EQ(LookForm2.selected, 1);
    EXPECT_EQ(lookLineIndex, 1);
    EXPECT_THAT(screen.platform.forms.back(), HasSubstr(">1    gdp ; Gross"));
}

TEST_F(LookWindow, FindAgainBeforeAnySearchShowsTheSorryForm) {
    ASSERT_EQ(look("a", {"F3"}), 0);
    EXPECT_TRUE(formShown("Sorry, Not Found"));
    EXPECT_FALSE(formShown("Find"));
}

TEST_F(LookWindow, SearchesWrapAndHonourTheCase) {
    ASSERT_EQ(look("a"), 0);
    LookForm2.LookWinClick(0);
    // Upward from the first line: the search starts again at the second line, going up.
    screen.platform.answers = {"Direction=0", "FindText=us", "Find Next"};
    LookForm2.LookFindClick();
    EXPECT_EQ(LookForm2.selected, 0);
    EXPECT_EQ(lookLineIndex, 0);  // a search does not move the picked line
    // Downward, matching case: "Gross" is found, "gross" is not (the sorry form, then the
    // dialog again, which Cancel closes).
    screen.platform.answers = {"Direction=1", "MatchCase", "FindText=gross", "Find Next", "OK", "Cancel"};
    LookForm2.LookFindClick();
    EXPECT_EQ(LookForm2.selected, 0);
    EXPECT_TRUE(formShown("Sorry, Not Found"));
    screen.platform.answers = {"FindText=Gross", "Find Next", "Cancel"};
    LookForm2.LookFindClick();
    EXPECT_EQ(LookForm2.selected, 1);
    // Find Again runs the last search from the selected line.
    screen.platform.answers = {"MatchCase", "FindText=prices", "Find Next", "Cancel"};
    LookForm2.LookFindClick();
    EXPECT_EQ(LookForm2.selected, 4);
    LookForm2.LookWinClick(2);
    LookForm2.FindAgainClick();
    EXPECT_EQ(LookForm2.selected, 4);
}

TEST_F(LookWindow, AMissingStubFileClosesTheWindowAgain) {
    std::remove("us.stb");
    ASSERT_EQ(look("a"), 0);
    EXPECT_FALSE(LookForm2.visible());
    EXPECT_FALSE(LookForm2.CloseRequested);
    EXPECT_THAT(output(), HasSubstr("Warning:  Stub file us.stb not found.\nLooking in directory "));
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_EQ(screen.platform.boxes.back(), "[Warning] Warning:  not found!");
}

TEST_F(LookWindow, ClosingItsBankClosesTheWindow) {
    ASSERT_EQ(look("a"), 0);
    ASSERT_TRUE(LookForm2.visible());
    ASSERT_EQ(typed(closecmd, "b"), 0);
    EXPECT_TRUE(LookForm2.visible());  // another bank's slot
    ASSERT_EQ(typed(closecmd, "a"), 0);
    EXPECT_FALSE(LookForm2.visible());
    EXPECT_EQ(LookForm2.BankIndex, -1);
    EXPECT_EQ(LookForm2.setBankIndex(26), -1);
    EXPECT_EQ(LookForm2.setBankIndex(-1), -1);
    EXPECT_EQ(LookForm2.BankIndex, -1);
}

}  // namespace look_window_test
