#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "interp/switches.h"
#include "series/series_commands.h"
#include "series_fixture.h"

namespace print_test {

using seriestest::M;

namespace {

int print(std::FILE* in) { return prcmd(in, 'y'); }
int sprint(std::FILE* in) { return prcmd(in, 'n'); }

class Print : public seriestest::SeriesFixture {
protected:
    void SetUp() override {
        SeriesFixture::SetUp();
        setPrintDates(1990, 1999);
        store("gdp", {1234.5f, 0.5f, M, -20.25f, 150000.0f, 2000000.0f, 12.0f, 5.0f, 300.0f, 0.0f});
        store("pop", {2, 4, 5, 10, 3, 4, 4, 4, 4, 4});
    }
    void setPrintDates(float a, float b) {
        printDates[0] = a;
        printDates[1] = b;
        printDateRange[0] = JexDate(a);
        printDateRange[1] = JexDate(b);
    }
};

}  // namespace

TEST_F(Print, AutomaticDecimalsByMagnitude) {
    output();
    EXPECT_EQ(typed(print, "gdp"), 0);
    EXPECT_EQ(output(),
              "gdp\n"
              " 1990    1234.500  0.5000000  -0.000001  -20.25000   150000.0\n"
              " 1995     2000000   12.00000   5.000000   300.0000  0.0000000\n");
}

TEST_F(Print, FormatCommandsSetWidthDecimalsAndObservationsPerLine) {
    EXPECT_EQ(typed(decscmd, "2"), 0);
    output();
    EXPECT_EQ(typed(print, "pop 1990 1993"), 0);
    // decs alone: the default width 10 with 2 decimals; the missing code keeps 6 decimals.
    EXPECT_EQ(output(), "pop\n 1990       2.00      4.00      5.00     10.00\n");

    EXPECT_EQ(typed(formatcmd, "8 2 3"), 0);
    EXPECT_EQ(typed(print, "gdp 1990 1994"), 0);
    EXPECT_EQ(output(),
              "gdp\n"
              " 1990  1234.50    0.50 -0.000001\n"
              " 1993   -20.25 150000.00\n");
    // The dates given on the command line stay as the print dates.
    EXPECT_FLOAT_EQ(printDates[0], 1990.0f);
    EXPECT_FLOAT_EQ(printDates[1], 1994.0f);

    EXPECT_EQ(typed(formatcmd, "off"), 0);
    EXPECT_EQ(formatGiven, 0);
    EXPECT_EQ(typed(print, "gdp 1990 1990"), 0);
    EXPECT_EQ(output(), "gdp\n 1990    1234.500\n");
}

TEST_F(Print, FormatCommandRefusals) {
    EXPECT_EQ(typed(decscmd, ""), 0);
    EXPECT_NE(output().find("decs command has not been given yet."), std::string::npos);
    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"8 7", "Invalid decs: 7"},
        {"21", "Invalid width: 21"},
        {"8 2 0", "Invalid obspl: 0"},
        {"8 2 101", "Invalid obspl: 101"},
        {"wide", "Usage: format <width> [<decs>] [<ObsPerLine>] | <\"off\">"},
        {"", "Usage: format <width> [<decs>] [<ObsPerLine>] | <\"off\">"},
    };
    for (const Case& c : cases) {
        output();
        EXPECT_EQ(typed(formatcmd, c.line), -1) << c.line;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.line;
    }
    // A refused value leaves its setting as it was.
    EXPECT_EQ(obsPerLine, 6);
    EXPECT_EQ(obsPerLineGiven, 0);

    EXPECT_EQ(typed(decscmd, "13"), -1);
    EXPECT_NE(output().find("Invalid decs: 13"), std::string::npos);
    // "8 2 0" set the width and the decimals before it refused the 0.
    EXPECT_EQ(typed(decscmd, ""), 0);
    EXPECT_NE(output().find("Current value of decs is 2"), std::string::npos);
    EXPECT_EQ(typed(widthcmd, "41"), -1);
    EXPECT_NE(output().find("Invalid width: 41"), std::string::npos);
    EXPECT_EQ(typed(widthcmd, "12"), 0);
    EXPECT_EQ(typed(widthcmd, ""), 0);
    EXPECT_NE(output().find("Current value of width is 12"), std::string::npos);
}

TEST_F(Print, ExpressionListingLeavesNoSeriesBehind) {
    output();
    EXPECT_EQ(typed(print, "(gdp / pop) 1990 1991"), 0);
    EXPECT_EQ(output(), "gdp/pop\n 1990    617.2500  0.1250000\n");
    EXPECT_TRUE(series("boo_temp").empty());
    EXPECT_EQ(typed(print, "(gdp / ) 1990 1991"), -1);
    EXPECT_NE(output().find("error in f command; check parentheses"), std::string::npos);
    EXPECT_EQ(typed(print, "(gdp , pop)"), -1);
    EXPECT_NE(output().find("Error:  invalid expression in type command."), std::string::npos);
    EXPECT_EQ(typed(print, "+"), -1);
    EXPECT_NE(output().find("invalid name or expression."), std::string::npos);
}

TEST_F(Print, DatesMustFitTheSeries) {
    store("q", {1, 2, 3, 4}, 4);
    output();
    EXPECT_EQ(typed(print, "q"), -1);
    EXPECT_NE(output().find("Dates do not match frequency of series."), std::string::npos);
    EXPECT_EQ(typed(print, "gdp 1980 1990"), -1);
    EXPECT_NE(output().find("First date for type command before beginning of workspace bank."), std::string::npos);
    EXPECT_EQ(typed(print, "gdp 1990 2030"), -1);
    EXPECT_NE(output().find("second date too far out."), std::string::npos);
    EXPECT_EQ(typed(print, "nosuch"), -1);
    EXPECT_NE(output().find("nosuch can't be found."), std::string::npos);
    // Quarterly print dates list the quarterly series, four to a line.
    setPrintDates(1990.1f, 1990.4f);
    EXPECT_EQ(typed(print, "q"), 0);
    EXPECT_EQ(output(), "q\n 1990.1   1.0000000   2.000000   3.000000   4.000000\n");
}

TEST_F(Print, SaveFileGetsTheListing) {
    std::string path = (dir / "save.txt").string();
    saveFile = std::fopen(path.c_str(), "w");
    ASSERT_NE(saveFile, nullptr);
    saveOn = 'y';
    std::snprintf(saveType, saveTypeSize, "%s", "update");
    EXPECT_EQ(typed(sprint, "pop 1990 1996"), 0);
    EXPECT_EQ(output(), "");  // sprint writes the save file only
    std::fclose(saveFile);
    saveFile = nullptr;
    saveOn = 'n';
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    EXPECT_EQ(s.str(),
              "update pop\n"
              "    1990    2.000000   4.000000   5.000000  10.000000   3.000000\n"
              "    1995    4.000000   4.000000\n");
}

TEST_F(Print, CmtypeSwitch) {
    EXPECT_EQ(typed(cmtypecmd, "yes"), 0);
    EXPECT_EQ(showRelations, 1);
    EXPECT_EQ(typed(cmtypecmd, "no"), 0);
    EXPECT_EQ(showRelations, 0);
    output();
    EXPECT_EQ(typed(cmtypecmd, "5"), 0);
    EXPECT_NE(output().find("cmtype <yes | no>"), std::string::npos);
}

}  // namespace print_test
