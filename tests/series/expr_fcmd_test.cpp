#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "interp/switches.h"
#include "series/series_commands.h"
#include "series_fixture.h"

namespace expr_fcmd_test {

using seriestest::expectSeries;
using seriestest::M;

namespace {

class FCommand : public seriestest::SeriesFixture {
protected:
    void SetUp() override {
        SeriesFixture::SetUp();
        store("a", {1, 2, M, 4});
        store("b", {2, 0.00000005f, 3, 2});
    }
    // n observations of the missing value.
    static std::vector<float> missing(int n) { return std::vector<float>(static_cast<std::size_t>(n), M); }
};

}  // namespace

TEST_F(FCommand, RoadOfOneCommand) {
    // Bank a: a workspace-format bank with gdp, opened read-only in slot a.
    {
        JexBank other((dir / "other").c_str(), "New", 1990, obs, 1);
        std::vector<float> gdp(2000, M);
        for (int i = 0; i < obs; ++i) gdp[i] = 100.0f + i;
        other.setFreq(1);
        ASSERT_GE(other.addser("gdp", gdp.data(), 'y', -1), 0);
    }
    bankSlots[0] = new JexBank((dir / "other").c_str(), "Read", 1965, 200, 1);
    bankTypes[0] = 'w';
    ASSERT_TRUE(bankSlots[0]->isOpen());
    store("ws1", std::vector<float>(obs, 0.5f));

    EXPECT_EQ(typed(fcmd, "gdp = a.gdp + ws1"), 0) << output();
    std::vector<float> expected;
    for (int i = 0; i < obs; ++i) expected.push_back(100.5f + i);
    expectSeries(series("gdp"), expected, "gdp");
    EXPECT_EQ(frequencyOf("gdp"), 1);

    printDates[0] = 1990;
    printDates[1] = 1994;
    printDateRange[0] = JexDate(1990.0f);
    printDateRange[1] = JexDate(1994.0f);
    output();
    EXPECT_EQ(typed([](std::FILE* in) { return prcmd(in, 'y'); }, "gdp"), 0);
    EXPECT_EQ(output(), "gdp\n 1990    100.5000   101.5000   102.5000   103.5000   104.5000\n");
}

TEST_F(FCommand, QuotientsAndNestedParentheses) {
    EXPECT_EQ(typed(fcmd, "q = a / b"), 0);
    expectSeries(series("q"), {0.5f, 0.0f, M, 2.0f}, "q");
    EXPECT_EQ(typed(fcmd, "w = 2 * (a - (b + 1))"), 0);
    expectSeries(series("w"), {-4.0f, 2.0f, M, 2.0f}, "w");
    output();
    EXPECT_EQ(typed(fcmd, "e = a * - b"), -1);
    std::string out = output();
    EXPECT_NE(out.find("Bad syntax in expression."), std::string::npos);
    EXPECT_NE(out.find("Error:  in f command.  Check the syntax on the right-hand side."), std::string::npos);
    EXPECT_TRUE(series("e").empty());
}

TEST_F(FCommand, FrequencyConflictStoresNothing) {
    store("q4", {1, 2, 3, 4}, 4);
    EXPECT_EQ(typed(fcmd, "x = q4 + a"), -1);
    EXPECT_NE(output().find("Frequency conflict in expression."), std::string::npos);
    EXPECT_TRUE(series("x").empty());
    // A quarterly expression with an annual f range.
    fdate1 = 1990;
    fdate2 = 1995;
    fdate1Date = JexDate(1990.0f);
    fdate2Date = JexDate(1995.0f);
    EXPECT_EQ(typed(fcmd, "x = q4 * 2"), -1);
    EXPECT_NE(output().find("fdates inconsistent with the frequency of the series."), std::string::npos);
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_EQ(screen.platform.boxes.back(), "[] Bad fdates");
    EXPECT_TRUE(series("x").empty());
}

TEST_F(FCommand, RangeOfFdatesAndBraces) {
    EXPECT_EQ(typed(fdatescmd, "1990 1995"), 0);
    EXPECT_EQ(typed(fcmd, "x = 1"), 0);
    std::vector<float> x(6, 1.0f);
    for (int i = 6; i < obs; ++i) x.push_back(M);
    expectSeries(series("x"), x, "x");
    EXPECT_EQ(frequencyOf("x"), 1);

    EXPECT_EQ(typed(fcmd, "x{1992} = x * 2"), 0);
    x[2] = 2.0f;
    expectSeries(series("x"), x, "x after x{1992}");
    // The braces held for that statement only.
    EXPECT_FLOAT_EQ(fdate1, 1990.0f);
    EXPECT_FLOAT_EQ(fdate2, 1995.0f);
    EXPECT_EQ(fdate2Date.wsIndex(), 5);

    EXPECT_EQ(typed(fcmd, "x{1993-1994} = 7"), 0);
    x[3] = x[4] = 7.0f;
    expectSeries(series("x"), x, "x after x{1993-1994}");

    // With missing 'n' a new series gets 0 outside the range.
    missingOn = 'n';
    EXPECT_EQ(typed(fcmd, "z = 2"), 0);
    std::vector<float> z(6, 2.0f);
    z.resize(obs, 0.0f);
    expectSeries(series("z"), z, "z with missing n");
}

TEST_F(FCommand, CompoundOperators) {
    output();
    EXPECT_EQ(typed(fcmd, "y += 1"), -1);
    EXPECT_NE(output().find("Error:  to use the += operator in the f command, the LHS series must exist."),
              std::string::npos);
    EXPECT_TRUE(series("y").empty());

    store("x", {10, 20, 30, 40, M});
    store("d", {2, 0.0000005f, M, -4, 1});
    EXPECT_EQ(typed(fcmd, "x /= d"), 0);
    // |d| <= 0.000001 keeps the old value; a missing operand gives missing.
    expectSeries(series("x"), {5, 20, M, -10, M}, "x /= d");
    EXPECT_EQ(typed(fcmd, "x -= 1"), 0);
    expectSeries(series("x"), {4, 19, M, -11, M}, "x -= 1");
    EXPECT_EQ(typed(fcmd, "x *= 3"), 0);
    expectSeries(series("x"), {12, 57, M, -33, M}, "x *= 3");
    EXPECT_EQ(typed(fcmd, "x += a"), 0);
    expectSeries(series("x"), {13, 59, M, -29, M}, "x += a");
}

TEST_F(FCommand, BadInputStoresNothing) {
    struct Case {
        std::string line;
        std::string message;
        int status;
    } cases[] = {
        {"t = a b", "Error:  in f command.  Check the syntax on the right-hand side.", -1},
        {"t = a 5", "Error:  in f command.  Check the syntax on the right-hand side.", -1},
        {"t = (a + b", "error: missing )", -1},
        {"t = nosuch + 1", "nosuch can't be found.", -1},
        {"t = @foo(a)", " foo is not a recognized function", -1},
        {"t = @log(a", "Check the syntax on the right-hand side.", -1},
        {"a.t = 1", " of an f command:  \"a.t\" is not allowed.", -1},
        {"t 1", "No = in f command; one supplied.", -1},
        {"= 1", "no left side variable", -1},
        {"t{1980} = 1", "Bad fdate in f command.", -1},
        {"t{2050} = 1", "Bad fdate in f command.", -1},
        {"t{1995-1992} = 1", "Bad fdate in f command.", -1},
        {"t{1995-2050} = 1", "Bad fdate in f command.", -1},
        {"t{1992-1993.2} = 1", "Bad fdate in f command.", -1},
        {"t{1992 = 1", "Expected } in f command.", -1},
    };
    for (const Case& c : cases) {
        output();
        EXPECT_EQ(typed(fcmd, c.line), c.status) << c.line;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.line;
        EXPECT_TRUE(series("t").empty()) << c.line;
        EXPECT_TRUE(series("a.t").empty()) << c.line;
    }
    EXPECT_FLOAT_EQ(fdate1, -1.0f);
    EXPECT_EQ(fdate1Date.frequency, 0);
    // The rest of a refused line is not left for the command loop.
    typed(fcmd, "t = a 5");
    char token[78];
    EXPECT_NE(gettoken(token, nullptr, 0, 78), 'n');
}

TEST_F(FCommand, FdatesFromTheConfigurationNeverPassTheWorkspace) {
    // The start-up configuration may set a last date beyond the workspace.
    fdate1 = 2005;
    fdate2 = 2030;
    fdate1Date = JexDate(2005.0f);
    fdate2Date = JexDate(2030.0f);
    EXPECT_EQ(typed(fcmd, "x = 4"), 0) << output();
    std::vector<float> x = missing(15);
    x.resize(obs, 4.0f);
    expectSeries(series("x"), x, "x over 2005..end");
    // A first date beyond the workspace stores nothing.
    fdate1Date = JexDate(2030.0f);
    EXPECT_EQ(typed(fcmd, "y = 4"), -1);
    EXPECT_TRUE(series("y").empty());
}

TEST_F(FCommand, FdatesCommand) {
    EXPECT_EQ(typed(fdatescmd, ""), 0);
    EXPECT_NE(output().find("No fdates defined."), std::string::npos);
    EXPECT_EQ(typed(fdatescmd, "1990 1995"), 0);
    EXPECT_EQ(typed(fdatescmd, ""), 0);
    EXPECT_NE(output().find("Current fdate: 1990.000 1995.000"), std::string::npos);
    EXPECT_EQ(typed(fdatescmd, "+1"), 0);
    EXPECT_FLOAT_EQ(fdate1, 1991.0f);
    EXPECT_EQ(fdate1Date.wsIndex(), 1);
    EXPECT_FLOAT_EQ(fdate2, -1.0f);  // only one date given: the range runs to the end
    EXPECT_EQ(typed(fdatescmd, "1992"), 0);
    EXPECT_EQ(fdate2Date.frequency, 0);
    EXPECT_EQ(typed(fdatescmd, "off"), 0);
    EXPECT_FLOAT_EQ(fdate1, -1.0f);
    EXPECT_EQ(fdate1Date.frequency, 0);

    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"1980", "Error:  First date is before start date in jex.cfg."},
        {"1995 1992", "Error:  Date 2 is before Date 1."},
        {"1990 2050", "Error:  too many observations required."},
        {"1990 1992.2", "Error:  frequency of first date does not match frequency of second."},
        {"2030", "Error:  not enough observations available (20)."},
        {"+ x", "Error:  in fdate command."},
        // A moved date is checked like a new one.
        {"1990 1995", ""},
        {"-5", "Error:  First date is before start date in jex.cfg."},
        {"1990 +100", "Error:  too many observations required."},
    };
    for (const Case& c : cases) {
        output();
        int r = typed(fdatescmd, c.line);
        std::string out = output();
        if (c.message.empty()) {
            EXPECT_EQ(r, 0) << c.line << out;
            continue;
        }
        EXPECT_EQ(r, -1) << c.line;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.line << out;
        EXPECT_NE(out.find("Dates invalid in fdate command"), std::string::npos) << c.line;
    }
    // A refused date did not replace the one before it.
    EXPECT_FLOAT_EQ(fdate1, 1990.0f);
    EXPECT_FLOAT_EQ(fdate2, 1995.0f);
    EXPECT_EQ(fdate2Date.wsIndex(), 5);
}

TEST_F(FCommand, IntvarBuildsTrends) {
    EXPECT_EQ(typed(intvarcmd, "tr 1992 1995 1998"), 0) << output();
    expectSeries(series("tr1"), {0, 0, 1, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}, "tr1");
    expectSeries(series("tr2"), {0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}, "tr2");
    expectSeries(series("tr3"), {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, "tr3");
    EXPECT_EQ(frequencyOf("tr1"), 1);

    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"u 1992", "intvar needs at least 2 dates."},
        {"u 1980 1995", "outside the workspace"},
        {"u 1992 2030", "outside the workspace"},
        {"u 1992 abc", "is not a date"},
        {"", "Need a variable name."},
    };
    for (const Case& c : cases) {
        output();
        EXPECT_EQ(typed(intvarcmd, c.line), -1) << c.line;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.line;
        EXPECT_TRUE(series("u1").empty()) << c.line;
    }
    std::string many = "u";
    for (int i = 0; i < 51; ++i) many += " 1992";
    EXPECT_EQ(typed(intvarcmd, many), -1);
    EXPECT_NE(output().find("at most 50 dates"), std::string::npos);
    EXPECT_TRUE(series("u1").empty());
}

namespace {

std::string readfile(const std::filesystem::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    std::string s;
    if (f == nullptr) return s;
    for (int c; (c = std::fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
    std::fclose(f);
    return s;
}

}  // namespace

TEST_F(FCommand, SaveFileGetsTheStatementWithItsContinuationLines) {
    std::filesystem::path path = dir / "save.add";
    {
        seriestest::ReplayInput input({"s = a +", "b", "t = 1"});
        saveFile = std::fopen(path.c_str(), "w");
        ASSERT_NE(saveFile, nullptr);
        saveOn = 'y';
        EXPECT_EQ(fcmd(nullptr), 0);
        // The echo ends with the statement: the next line is not copied.
        EXPECT_EQ(saveEcho, 'n');
        char token[78];
        EXPECT_EQ(gettoken(token, nullptr, 0, 78), 'a');
        std::fclose(saveFile);
        saveFile = nullptr;
        saveOn = 'n';
    }
    EXPECT_EQ(readfile(path), "s = a +\nb\n");
    expectSeries(series("s"), {3, 2.00000005f, M, 6}, "s");
}

TEST_F(FCommand, SecondModeOnlyCopiesTheStatement) {
    std::filesystem::path path = dir / "second.add";
    saveFile = std::fopen(path.c_str(), "w");
    ASSERT_NE(saveFile, nullptr);
    saveOn = 'y';
    secondMode = 'y';
    EXPECT_EQ(typed(fcmd, "x = a + 1"), 0);
    secondMode = 'n';
    std::fclose(saveFile);
    saveFile = nullptr;
    saveOn = 'n';
    EXPECT_TRUE(series("x").empty());
    EXPECT_EQ(readfile(path), "x = a + 1\n");
}

}  // namespace expr_fcmd_test
