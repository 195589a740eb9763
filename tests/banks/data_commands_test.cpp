// Data entry and series maintenance commands: data lines in both forms, update, monup,
// matdata/matup, del, rename, frequency; values past the workspace's end are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/missing.h"
#include "interp/state.h"
#include "series/series_state.h"
#include "tests/banks/command_test_util.h"

namespace data_commands_test {

using banktest::readFile;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {
class DataCmd : public banktest::BankCmdTest {};
}  // namespace

TEST_F(DataCmd, ContinuousFormOnTheCommandLine) {
    EXPECT_EQ(typed(datacmd, "gdp 1990 1 2 3 ;"), 0);
    EXPECT_EQ(readFile("ws.bnk").size(), 487u);
    EXPECT_EQ(readFile("ws.ind").size(), 11u);
    auto v = ws("gdp");
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 2.0f);
    EXPECT_EQ(v[2], 3.0f);
    EXPECT_EQ(v[3], MISSING);
    EXPECT_EQ(v[99], MISSING);
    EXPECT_EQ(workspaceBank->freq(), 1);
}

TEST_F(DataCmd, DatedLinesSignsAndMissing) {
    EXPECT_EQ(script(datacmd, "x\n1990 1 2 3\n\n1995 - 4 ? 6\n;\nnext\n"), 0);
    auto v = ws("x");
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[2], 3.0f);
    EXPECT_EQ(v[3], MISSING);
    EXPECT_EQ(v[5], -4.0f);
    EXPECT_EQ(v[6], MISSING);
    EXPECT_EQ(v[7], 6.0f);
    EXPECT_EQ(nexttoken(), "<eol>");  // the ';' was taken, the rest of its line stays
    EXPECT_EQ(nexttoken(), "next");
}

TEST_F(DataCmd, DatedBlockEndsAtACommandWord) {
    EXPECT_EQ(script(datacmd, "x\n1990 1\nprint x\n"), 0);
    EXPECT_EQ(ws("x")[0], 1.0f);
    EXPECT_EQ(nexttoken(), "print");
}

TEST_F(DataCmd, QuarterlyContinuousOverLines) {
    EXPECT_EQ(script(datacmd, "q 1990.1 1 2 3\n4 5\n;\n"), 0);
    auto v = ws("q");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i], i + 1.0f);
    EXPECT_EQ(v[5], MISSING);
    EXPECT_EQ(workspaceBank->freq(), 4);
}

TEST_F(DataCmd, DateBeforeTheWorkspace) {
    EXPECT_EQ(script(datacmd, "x\n1985 1 2\n1990 5\n;\n"), 0);
    EXPECT_THAT(output(), HasSubstr("Date before beginning of workspace"));
    EXPECT_EQ(ws("x")[0], 5.0f);
    clearOutput();
    EXPECT_EQ(typed(datacmd, "y 1980 1 2 ;"), -1);
    EXPECT_THAT(output(), HasSubstr("begins in 1980.000000, but the workspace begins in 1990."));
    EXPECT_THAT(output(), HasSubstr("Error:  in data command."));
    EXPECT_TRUE(ws("y").empty());
}

TEST_F(DataCmd, ValuesPastTheWorkspaceEndAreRefused) {
    // 100 annual observations: 2089 is the last.
    EXPECT_EQ(typed(datacmd, "late 2088 1 2 3 ;"), -1);
    EXPECT_THAT(output(), HasSubstr("values of late reach past the end of the workspace"));
    EXPECT_TRUE(ws("late").empty());
    clearOutput();
    EXPECT_EQ(script(datacmd, "far\n1990 1\n2500 7\n;\n"), -1);
    EXPECT_THAT(output(), HasSubstr("values of far reach past the end"));
    EXPECT_TRUE(ws("far").empty());
    // update stores what fitted, and says what did not.
    ASSERT_EQ(typed(datacmd, "u 1990 1 ;"), 0);
    clearOutput();
    EXPECT_EQ(script(updatecmd, "u\n2089 9 10\n;\n"), 0);
    EXPECT_THAT(output(), HasSubstr("values of u reach past the end"));
    auto v = ws("u");
    EXPECT_EQ(v[99], 9.0f);
    EXPECT_EQ(v[0], 1.0f);
}

TEST_F(DataCmd, JunkAndNoName) {
    EXPECT_EQ(typed(datacmd, "x 1990 1 , 2"), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  in data command, Junk on data line"));
    EXPECT_TRUE(ws("x").empty());
    clearOutput();
    EXPECT_EQ(typed(datacmd, "1990 1 2"), -1);
    EXPECT_THAT(output(), HasSubstr("No name on data command."));
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_THAT(screen.platform.boxes.back(), HasSubstr("Hit a key to continue"));
}

TEST_F(DataCmd, UpdateChangesOnlyTheGivenObservations) {
    ASSERT_EQ(typed(datacmd, "x 1990 1 2 3 ;"), 0);
    EXPECT_EQ(script(updatecmd, "x\n1991 9\n;\n"), 0);
    auto v = ws("x");
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 9.0f);
    EXPECT_EQ(v[2], 3.0f);
    EXPECT_EQ(typed(updatecmd, "nothere 1990 1 ;"), -1);
    EXPECT_THAT(output(), HasSubstr("nothere can't be found."));
}

TEST_F(DataCmd, MonupTakesQuarterlyMeans) {
    ASSERT_EQ(typed(datacmd, "m 1990.1 0 0 0 0 ;"), 0);
    EXPECT_EQ(script(monupcmd, "m\n1990.1 3 6 9 12 15 18\n;\n"), 0);
    auto v = ws("m");
    EXPECT_EQ(v[0], 6.0f);  // exactly: the sums start at 0
    EXPECT_EQ(v[1], 15.0f);
    EXPECT_EQ(v[2], MISSING);
    EXPECT_EQ(v[3], 0.0f);
    EXPECT_EQ(workspaceBank->freq(), 4);

    clearOutput();
    EXPECT_EQ(script(monupcmd, "m\n1990.1 3 6\n1990.2 1 1 1\n;\n"), -1);
    EXPECT_THAT(output(), HasSubstr("All observations for a quarter must be on the same line."));
    clearOutput();
    EXPECT_EQ(script(monupcmd, "m\n1990.1 3 6 ;\n"), -1);
    EXPECT_THAT(output(), HasSubstr("all observations for a quarter must be on the same line."));
    EXPECT_EQ(ws("m")[0], 6.0f);  // a failed monup stores nothing
}

TEST_F(DataCmd, MonupPastTheEnd) {
    // 100 quarters from 1990.1: 2014.4 is the last.
    ASSERT_EQ(typed(datacmd, "m 1990.1 0 ;"), 0);
    EXPECT_EQ(script(monupcmd, "m\n2014.4 3 3 3 6 6 6\n;\n"), -1);
    EXPECT_THAT(output(), HasSubstr("values of m reach past the end"));
}

TEST_F(DataCmd, MatdataAndMatup) {
    EXPECT_EQ(script(matdatacmd, 'd', "1990\na b\n1 2\n3 4\n;\n"), 0);
    auto a = ws("a"), b = ws("b");
    EXPECT_EQ(a[0], 1.0f);
    EXPECT_EQ(a[1], 3.0f);
    EXPECT_EQ(b[0], 2.0f);
    EXPECT_EQ(b[1], 4.0f);
    EXPECT_EQ(a[2], MISSING);
    // Dated rows; matup keeps what a row leaves missing.
    EXPECT_EQ(script(matdatacmd, 'u', "\na b\n1991 30 ?\n1995 ? 50\n;\n"), 0);
    a = ws("a");
    b = ws("b");
    EXPECT_EQ(a[1], 30.0f);
    EXPECT_EQ(b[1], 4.0f);
    EXPECT_EQ(b[5], 50.0f);
    EXPECT_EQ(a[0], 1.0f);
}

TEST_F(DataCmd, MatdataLimits) {
    std::string names;
    for (int i = 0; i < 21; ++i) names += " n" + std::to_string(i);
    EXPECT_EQ(script(matdatacmd, 'd', "1990\n" + names + "\n1\n;\n"), -1);
    EXPECT_THAT(output(), HasSubstr("No more than 20 series allowed on matdat command."));
    clearOutput();
    EXPECT_EQ(script(matdatacmd, 'd', "\nc d\n1990 1 2\n2100 3 4\n;\n"), -1);
    EXPECT_THAT(output(), HasSubstr("Observation outside range of workspace bank. 2100"));
    EXPECT_TRUE(ws("c").empty());
    clearOutput();
    EXPECT_EQ(script(matdatacmd, 'd', "2089\ne\n1\n2\n;\n"), -1);
    EXPECT_TRUE(ws("e").empty());
}

TEST_F(DataCmd, MatdataRootFormReadsOneLinePerMember) {
    // Members 1, 3 and 5 (2 taken out, 0 skipped): quarterly values from 1990.1, signs,
    // '?' for missing; a word ends a line's values and the rest of that line is dropped.
    EXPECT_EQ(script(matdatacmd, 'd',
                     "x(0-3 (2) 5) 1990.1 rest of line\n1 2 3\n? -4 +5\n7 junk 8\nnext\n"),
              0)
        << output();
    auto x1 = ws("x1"), x3 = ws("x3"), x5 = ws("x5");
    ASSERT_FALSE(x1.empty());
    ASSERT_FALSE(x3.empty());
    ASSERT_FALSE(x5.empty());
    EXPECT_TRUE(ws("x0").empty());
    EXPECT_TRUE(ws("x2").empty());
    EXPECT_EQ(x1[0], 1.0f);
    EXPECT_EQ(x1[2], 3.0f);
    EXPECT_EQ(x1[3], MISSING);
    EXPECT_EQ(x3[0], MISSING);
    EXPECT_EQ(x3[1], -4.0f);
    EXPECT_EQ(x3[2], 5.0f);
    EXPECT_EQ(x5[0], 7.0f);
    EXPECT_EQ(x5[1], MISSING);  // after the word nothing more of that line is read
    EXPECT_EQ(nexttoken(), "next");
    std::vector<float> v(1999);
    ASSERT_EQ(workspaceBank->getser("x3", v.data(), -1), 0);
    EXPECT_EQ(workspaceBank->freq(), 4);
    // matup with a root name creates the series the same way.
    EXPECT_EQ(script(matdatacmd, 'u', "y(2) 1991\n6 7\n"), 0);
    EXPECT_EQ(ws("y2")[1], 6.0f);
    EXPECT_EQ(ws("y2")[2], 7.0f);
}

TEST_F(DataCmd, MatdataRootFormErrors) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"x 1990\n1\n", "format: matdata <rootname(group)> <start_date>"},
        {"x(1-2)\n1\n", "format: matdata <rootname(group)> <start_date>"},
        {"x(1-2 :nogroup) 1990\n1\n", "Error:  problem in list."},
        {"x(1) 1990\n- a\n", "format: matdata <rootname(group)> <start_date>"},
        {"x(1) 1980\n1\n", "begins in 1980.000000, but the workspace begins in 1990."},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(script(matdatacmd, 'd', c.text), -1) << c.text;
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.text;
        EXPECT_TRUE(ws("x1").empty()) << c.text;
    }
    // The input ends before the last member's line: the members read before it are kept.
    clearOutput();
    EXPECT_EQ(script(matdatacmd, 'd', "z(1-3) 1990\n1\n2\n"), -1);
    EXPECT_THAT(output(), HasSubstr("Insufficient data lines\nformat: matdata"));
    EXPECT_EQ(ws("z1")[0], 1.0f);
    EXPECT_EQ(ws("z2")[0], 2.0f);
    EXPECT_TRUE(ws("z3").empty());
    // A member whose values run past the workspace's end (2089) is refused; the others
    // are stored.
    clearOutput();
    EXPECT_EQ(script(matdatacmd, 'd', "w(1-2) 2088\n1 2 3\n4\n"), -1);
    EXPECT_THAT(output(), HasSubstr("values of w1 reach past the end"));
    EXPECT_TRUE(ws("w1").empty());
    EXPECT_EQ(ws("w2")[98], 4.0f);
}

TEST_F(DataCmd, BupdateReplacesWhereTheExpressionIsNotMissing) {
    ASSERT_EQ(typed(datacmd, "x 1990 1 2 3 4 5 6 7 ;"), 0);
    ASSERT_EQ(typed(datacmd, "y 1995 50 60 ;"), 0);
    EXPECT_EQ(typed(bupdatecmd, "x = y * 2"), 0) << output();
    auto v = ws("x");
    const std::vector<float> expected = {1, 2, 3, 4, 5, 100, 120, MISSING};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(v[i], expected[i]) << i;
    // A missing "=" is supplied (the token in its place is dropped).
    EXPECT_EQ(typed(bupdatecmd, "x : y - 50"), 0);
    EXPECT_THAT(output(), HasSubstr("Supplied = sign"));
    EXPECT_EQ(ws("x")[5], 0.0f);
    EXPECT_EQ(ws("x")[4], 5.0f);
}

TEST_F(DataCmd, BupdateKeepsTheSeriesFrequencyForAConstant) {
    ASSERT_EQ(typed(datacmd, "q 1990.1 1 2 3 ;"), 0);
    EXPECT_EQ(typed(bupdatecmd, "q = 7"), 0);
    std::vector<float> v(1999);
    ASSERT_EQ(workspaceBank->getser("q", v.data(), -1), 0);
    EXPECT_EQ(workspaceBank->freq(), 4);
    EXPECT_EQ(v[0], 7.0f);
    EXPECT_EQ(v[99], 7.0f);
}

TEST_F(DataCmd, BupdateErrors) {
    ASSERT_EQ(typed(datacmd, "x 1990 1 2 ;"), 0);
    const auto before = readFile("ws.bnk");
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"5 = x", "Bad format; see help menu"},
        {"nothere = x + 1", "nothere can't be found."},
        {"x = (x + 1", "Error in bup command; check parentheses."},
        {"x = x x", "Error in bup command; check parentheses."},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(typed(bupdatecmd, c.line), -1) << c.line;
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.line;
    }
    EXPECT_TRUE(ws("nothere").empty());
    EXPECT_EQ(readFile("ws.bnk"), before);  // nothing was written
}

TEST_F(DataCmd, UpdateListsTheSeriesToTheSaveFile) {
    ASSERT_EQ(typed(datacmd, "x 1990 1 2 3 ;"), 0);
    printDates[0] = 1990;
    printDates[1] = 1992;
    printDateRange[0] = JexDate(1990.0f);
    printDateRange[1] = JexDate(1992.0f);
    saveFile = std::fopen("save.txt", "w");
    ASSERT_NE(saveFile, nullptr);
    saveOn = 'y';
    clearOutput();
    EXPECT_EQ(script(updatecmd, "x\n1991 9\n;\n"), 0);
    EXPECT_EQ(output(), "");  // the listing goes to the save file only
    EXPECT_EQ(ws("x")[1], 9.0f);
    // Print dates before the workspace: the series is stored, the listing fails.
    printDateRange[0] = JexDate(1985.0f);
    EXPECT_EQ(script(updatecmd, "x\n1992 8\n;\n"), -1);
    EXPECT_THAT(output(), HasSubstr("First date for type command before beginning"));
    EXPECT_EQ(ws("x")[2], 8.0f);
    std::fclose(saveFile);
    saveFile = nullptr;
    saveOn = 'n';
    resetseriesstate();
    const auto text = readFile("save.txt");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "update x\n    1990   1.0000000   9.000000   3.000000\n");
}

TEST_F(DataCmd, DelAndRename) {
    ASSERT_EQ(typed(datacmd, "a 1990 1 ;"), 0);
    ASSERT_EQ(typed(datacmd, "c 1990 3 ;"), 0);
    EXPECT_EQ(typed(delcmd, 'd', "a b c"), -1);
    EXPECT_THAT(output(), HasSubstr("Cannot find b"));
    EXPECT_TRUE(ws("a").empty());
    EXPECT_FALSE(ws("c").empty());
    EXPECT_EQ(typed(delcmd, 'd', "c"), 0);
    EXPECT_EQ(workspaceBank->seriesCount(), 0);

    ASSERT_EQ(typed(datacmd, "x 1990 1 ;"), 0);
    ASSERT_EQ(typed(datacmd, "y 1990 2 ;"), 0);
    EXPECT_EQ(typed(delcmd, 'r', "x z"), 0);
    EXPECT_EQ(ws("z")[0], 1.0f);
    EXPECT_EQ(typed(delcmd, 'r', "z y"), -1);  // taken
    EXPECT_EQ(ws("y")[0], 2.0f);
    EXPECT_EQ(typed(delcmd, 'r', "z 5"), -1);
    EXPECT_THAT(output(), HasSubstr("Bad format."));
}

TEST_F(DataCmd, FrequencyShowsAndSets) {
    ASSERT_EQ(typed(datacmd, "x 1990 1 ;"), 0);
    EXPECT_EQ(typed(frequencycmd, "x"), 0);
    EXPECT_THAT(output(), HasSubstr("x has 1 observations per year."));
    EXPECT_EQ(typed(frequencycmd, "x 4"), 0);
    clearOutput();
    EXPECT_EQ(typed(frequencycmd, "x"), 0);
    EXPECT_THAT(output(), HasSubstr("x has 4 observations per year."));
}

}  // namespace data_commands_test
