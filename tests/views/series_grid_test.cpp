// The series grid: its table and console text, Copy with the copy options (fixed or
// exponent notation), the save file's copy of the table, and the typed-output grid that the
// type command fills.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "interp/echo_commands.h"
#include "interp/switches.h"
#include "platform/clipboard.h"
#include "regress/regress_state.h"
#include "series/series_commands.h"
#include "tests/banks/command_test_util.h"
#include "views/series_grid.h"
#include "views/small_dialogs.h"

namespace series_grid_test {

int typecmd(std::FILE* in, char mode) { return prcmd(in, mode); }

// gdp = 100, 102.5, 105.3 and cons = 80, missing, 84 for 1990-1992; print dates 1990-1992.
class SeriesGrid : public banktest::BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        resetseriesstate();
        ASSERT_EQ(typed(datacmd, "gdp 1990 100 102.5 105.3"), 0);
        ASSERT_EQ(typed(datacmd, "cons 1990 80 -0.000001 84"), 0);
        printDates[0] = 1990;
        printDates[1] = 1992;
        printDateRange[0] = JexDate(1990.0f);
        printDateRange[1] = JexDate(1992.0f);
        keyboardInput = 'y';
        clearOutput();
    }
    void TearDown() override {
        resetseriesgrids();
        platform::clipboard().clear();
        resetseriesstate();
        BankCmdTest::TearDown();
    }
    // gridty on a typed line with the answers of its window and dialogs.
    int gridty(const std::string& line, std::vector<std::string> answers = {}) {
        for (auto& a : answers) screen.platform.answers.push_back(a);
        return typed(gridtycmd, line);
    }
    // The answers that set the copy options as given and press OK.
    static void copyoptions(std::deque<std::string>& answers, bool title, bool rows, bool columns,
                                   bool scientific) {
        if (!ShowCopy.cbIncTitle() != !title) answers.push_back("cbIncTitle");
        if (!ShowCopy.cbIncRowHeaders() != !rows) answers.push_back("cbIncRowHeaders");
        if (!ShowCopy.cbIncColHeaders() != !columns) answers.push_back("cbIncColHeaders");
        answers.push_back(scientific ? "Scientific" : "Fixed decimals");
        answers.push_back("OK");
    }
};

TEST_F(SeriesGrid, TableAndConsoleText) {
    ASSERT_EQ(gridty("1990 1992 gdp 1 cons 0"), 0);
    EXPECT_TRUE(MattyFm.visible());  // typed: left open
    EXPECT_EQ(gridCount, 2);
    EXPECT_EQ(gridRows, 3);
    ASSERT_EQ(screen.platform.forms.size(), 1u);
    EXPECT_EQ(screen.platform.forms[0],
              "Doruvud Display\n"
              "Dates       gdp  cons\n"
              "1990.000  100.0    80\n"
              "1991.000  102.5    -0\n"
              "1992.000  105.3    84\n");
    EXPECT_EQ(MattyFm.cellText(0, 2), " 1991.000 ");
    EXPECT_EQ(MattyFm.cellText(2, 3), "         84");
    MattyFm.Close1Click();
    EXPECT_FALSE(MattyFm.visible());
    EXPECT_EQ(gridCount, 0);  // the table goes with the window
}

TEST_F(SeriesGrid, CopyFollowsTheCopyOptions) {
    ASSERT_EQ(gridty("1990 1992 gdp 1 cons 0", {"Select 1 1 1 2"}), 0);
    struct Case {
        bool title, rows, columns, scientific;
        const char* text;
    } cases[] = {
        {true, true, true, false, "Doruvud Display\nDates\tgdp\r\n1990.000\t100.0\r\n1991.000\t102.5"},
        {false, false, false, false, "100.0\r\n102.5"},
        {false, true, false, true, "1990.000\t1.000000E+0002\r\n1991.000\t1.025000E+0002"},
        {false, false, true, true, "gdp\r\n1.000000E+0002\r\n1.025000E+0002"},
    };
    for (const Case& c : cases) {
        copyoptions(screen.platform.answers, c.title, c.rows, c.columns, c.scientific);
        MattyFm.Copy1Click();
        EXPECT_EQ(platform::clipboard().text(), c.text);
        // The options are kept for the next Copy, in either grid.
        EXPECT_EQ(ShowCopy.cbIncTitle(), c.title);
        EXPECT_EQ(ShowCopy.rbScientific(), c.scientific);
    }
    // A block with the missing value, in exponent notation.
    ASSERT_TRUE(MattyFm.answer("Select 2 2 2 3"));
    copyoptions(screen.platform.answers, false, false, false, true);
    MattyFm.Copy1Click();
    EXPECT_EQ(platform::clipboard().text(), "-1.000000E-0006\r\n8.400000E+0001");
    copyoptions(screen.platform.answers, true, true, true, false);
    MattyFm.Copy1Click();
}

TEST_F(SeriesGrid, SelectionMustLieInTheGrid) {
    ASSERT_EQ(gridty("1990 1992 gdp"), 0);
    for (const char* bad : {"Select 0 1 1 1", "Select 1 0 1 1", "Select 2 1 1 1", "Select 1 1 2 1",
                            "Select 1 1 1 4", "Select 1 1 1", "Select 1 1 1 1 1", "Select a b c d"})
        EXPECT_FALSE(MattyFm.answer(bad)) << bad;
    EXPECT_TRUE(MattyFm.answer("Select 1 1 1 3"));
    EXPECT_EQ(MattyFm.selection.bottom, 3);
}

TEST_F(SeriesGrid, ExponentNotation) {
    struct Case {
        double v;
        const char* text;
    } cases[] = {{1234.568, "1.234568E+0003"}, {0, "0.000000E+0000"}, {-0.000001, "-1.000000E-0006"},
                 {1e300, "1.000000E+0300"},   {5e-310, "5.000000E-0310"}, {1e40, "1.000000E+0040"}};
    for (const Case& c : cases) EXPECT_EQ(exponenttext(c.v), c.text);
}

TEST_F(SeriesGrid, SaveFileGetsTheTableUnlessZipped) {
    ASSERT_EQ(typed(savecmd, "saved.txt"), 0);
    ASSERT_EQ(gridty("1990 1991 gdp 1 cons 0"), 0);
    regZip = 'y';
    ASSERT_EQ(gridty("1990 1991 gdp 1"), 0);
    regZip = 'n';
    closesavefile();
    std::ifstream f("saved.txt");
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_THAT(text, ::testing::EndsWith("\n   Date           gdp       cons\n"
                                          " 1990.000       100.0         80\n"
                                          " 1991.000       102.5       -0.0\n"
                                          "\n   Date           gdp\n"
                                          "\n\n"));
}

TEST_F(SeriesGrid, ModalFromAnAddFileClosesWithoutAnAnswer) {
    keyboardInput = 'n';
    screen.platform.answers = {"Leave"};
    ASSERT_EQ(gridty("1990 1992 gdp"), 0);
    EXPECT_FALSE(MattyFm.visible());
    EXPECT_EQ(screen.platform.forms.size(), 2u);  // Leave does not leave a modal window
    keyboardInput = 'y';
}

TEST_F(SeriesGrid, TypeFillsTheTypedOutputGrid) {
    ASSERT_EQ(typed(typecmd, 'y', "gdp"), 0);
    EXPECT_EQ(TyFrm.caption, "gdp");
    EXPECT_EQ(TyFrm.colCount, 5 + 1);  // five annual observations a line
    EXPECT_EQ(TyFrm.rowCount, 1);
    EXPECT_EQ(TyFrm.cell(0, 0), "1990");
    EXPECT_EQ(TyFrm.cell(1, 0), "    100.000");
    EXPECT_EQ(TyFrm.cell(3, 0), "    105.300");
    EXPECT_EQ(TyFrm.cell(4, 0), "");

    printDates[1] = 1999;
    printDateRange[1] = JexDate(1999.0f);
    ASSERT_EQ(typed(typecmd, 'y', "(gdp+1)"), 0);
    EXPECT_EQ(TyFrm.rowCount, 2);
    EXPECT_EQ(TyFrm.cell(0, 1), "1995");
    EXPECT_EQ(TyFrm.cell(1, 0), "    101.000");
    // The caption is the heading the listing printed: the expression's text.
    EXPECT_THAT(output(), ::testing::HasSubstr(TyFrm.caption + "\n"));
    EXPECT_NE(TyFrm.caption.find("gdp+1"), std::string::npos);
}

}  // namespace series_grid_test
