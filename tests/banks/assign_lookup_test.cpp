// Bank assignment (bank, wsbank, zap, close, findmode), series lookup across the slots with
// lags and date subscripts, and the workspace date index.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/missing.h"
#include "tests/banks/command_test_util.h"

namespace assign_lookup_test {

using banktest::makeBank;
using banktest::makeNamedBank;
using banktest::readFile;
using banktest::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {
class AssignCmd : public banktest::BankCmdTest {};
}  // namespace

TEST_F(AssignCmd, BankAssignsAndDescribes) {
    makeNamedBank("data", {{"gdp", 5}});
    EXPECT_EQ(typed(bankcmd, 'w', "data c"), 0);
    EXPECT_EQ(bankTypes[2], 'w');
    EXPECT_EQ(assignedBankCount, 1);
    EXPECT_THAT(output(), HasSubstr("Title of assigned bank:Untitled"));
    EXPECT_THAT(output(), HasSubstr("Contains 1 series."));
    EXPECT_THAT(output(), HasSubstr("This bank assigned as bank: c."));
    clearOutput();
    EXPECT_EQ(typed(bankcmd, 'w', "data"), 0);
    EXPECT_EQ(defaultBankPath, "data");
    EXPECT_THAT(output(), Not(HasSubstr("assigned as bank")));
    EXPECT_EQ(assignedBankCount, 2);
    EXPECT_EQ(typed(bankcmd, 'w', "data C"), -1);
    EXPECT_THAT(output(), HasSubstr("Illegal bank number: -30"));
    EXPECT_EQ(assignedBankCount, 2);
}

TEST_F(AssignCmd, FailedAssignmentFreesTheSlot) {
    makeNamedBank("data", {{"gdp", 5}});
    ASSERT_EQ(typed(bankcmd, 'w', "data b"), 0);
    EXPECT_EQ(typed(bankcmd, 'w', "nosuch b"), -1);
    EXPECT_THAT(output(), HasSubstr("Unable to open nosuch as assigned bank b.  Continuing."));
    EXPECT_EQ(bankTypes[1], ' ');
    EXPECT_EQ(bankSlots[1], nullptr);
    EXPECT_EQ(assignedBankCount, 0);
}

TEST_F(AssignCmd, MissingBanksLeaveTheSlotFree) {
    EXPECT_EQ(typed(bankcmd, 'v', "model b"), -1);
    EXPECT_THAT(output(), HasSubstr("Cannot open model.vam.\nUnable to open model as assigned bank b."));
    EXPECT_EQ(bankTypes[1], ' ');
    EXPECT_EQ(typed(bankcmd, 'c', "nosuchbank"), -1);
    EXPECT_THAT(output(), HasSubstr("Unable to open nosuchbank as assigned bank a.  Continuing."));
    EXPECT_EQ(bankTypes[0], ' ');
    EXPECT_EQ(assignedBankCount, 0);
    EXPECT_EQ(typed(dvamcmd, "b"), -1);
    EXPECT_THAT(output(), HasSubstr("Bank b has not been assigned to a Vam file."));
    clearOutput();
    EXPECT_EQ(typed(dvamcmd, ""), 0);
    EXPECT_THAT(output(), HasSubstr("No default Vam file currently is assigned."));
}

TEST_F(AssignCmd, Close) {
    makeNamedBank("data", {{"gdp", 5}});
    for (const char* line : {"data a", "data b", "data c"}) ASSERT_EQ(typed(bankcmd, 'w', line), 0);
    EXPECT_EQ(typed(closecmd, "a b"), 0);
    EXPECT_EQ(assignedBankCount, 1);
    EXPECT_EQ(bankTypes[0], ' ');
    EXPECT_EQ(bankTypes[1], ' ');
    EXPECT_EQ(typed(closecmd, "q"), 0);
    EXPECT_THAT(output(), HasSubstr("No bank q assigned."));
    ASSERT_EQ(typed(bankcmd, 'w', "data z"), 0);
    EXPECT_EQ(typed(closecmd, "all"), 0);
    EXPECT_EQ(assignedBankCount, 0);
    EXPECT_EQ(bankSlots[2], nullptr);
    EXPECT_EQ(bankSlots[25], nullptr);
    clearOutput();
    EXPECT_EQ(typed(closecmd, "abc"), -1);
    EXPECT_THAT(output(), HasSubstr("Error in \"close\" command:  abc."));
    EXPECT_EQ(typed(closecmd, "5"), -1);
    EXPECT_THAT(output(), HasSubstr("Example:  close all"));
}

TEST_F(AssignCmd, ZapMakesAnEmptyWorkspace) {
    ASSERT_EQ(typed(datacmd, "x 1990 1 ;"), 0);
    EXPECT_EQ(typed(zapcmd, "1980 1 400"), 0);
    auto bnk = readFile("ws.bnk");
    ASSERT_EQ(bnk.size(), 86u);
    EXPECT_EQ(std::vector<std::uint8_t>(bnk.begin(), bnk.begin() + 6),
              (std::vector<std::uint8_t>{0xbc, 0x07, 1, 0, 0x90, 0x01}));
    EXPECT_EQ(workspaceBank->seriesCount(), 0);
    EXPECT_EQ(wsBaseYear, 1980);
    EXPECT_EQ(wsMaxObs, 400);
    EXPECT_EQ(wsStartDate, JexDate(1980, 1, 1, 13));
    // Too many observations: refused, the workspace stays.
    ASSERT_EQ(typed(datacmd, "y 1980 1 ;"), 0);
    EXPECT_EQ(typed(zapcmd, "1990 1 2000"), -1);
    EXPECT_THAT(output(), HasSubstr("at most 1999 observations (2000 asked)"));
    EXPECT_EQ(wsMaxObs, 400);
    EXPECT_FALSE(ws("y").empty());
}

TEST_F(AssignCmd, WsbankOpensCreatesAndNeverOverwrites) {
    makeNamedBank("other", {{"a", 1}, {"b", 2}}, 1970, 300);
    EXPECT_EQ(typed(wsbankcmd, "other"), 0);
    EXPECT_THAT(output(), HasSubstr("Title of workspace:Untitled"));
    EXPECT_THAT(output(), HasSubstr("Base year 1970; first month covered 1"));
    EXPECT_THAT(output(), HasSubstr("Contains 2 series."));
    EXPECT_EQ(wsBaseYear, 1970);
    EXPECT_EQ(wsMaxObs, 300);
    EXPECT_EQ(std::string(workspaceBank->dataPath()), "other.bnk");
    // Writes go to the opened bank.
    ASSERT_EQ(typed(datacmd, "c 1970 3 ;"), 0);
    EXPECT_EQ(workspaceBank->seriesCount(), 3);

    // A stem with no bank: a new one with the present calendar.
    clearOutput();
    EXPECT_EQ(typed(wsbankcmd, "fresh"), 0);
    EXPECT_EQ(readFile("fresh.bnk").size(), 86u);
    EXPECT_THAT(output(), HasSubstr("Base year 1970; first month covered 1"));
    EXPECT_THAT(output(), HasSubstr("Max observations per series 300."));
    EXPECT_THAT(output(), HasSubstr("Contains 0 series."));

    // A damaged bank is reported and left alone; the workspace stays.
    auto damaged = readFile("other.ind");
    damaged[2] = 9;  // first offset not 0
    writeFile("other.ind", damaged);
    const auto bnkBefore = readFile("other.bnk");
    clearOutput();
    EXPECT_EQ(typed(wsbankcmd, "other"), -1);
    EXPECT_THAT(output(), HasSubstr("other cannot be opened as the workspace bank"));
    EXPECT_EQ(readFile("other.bnk"), bnkBefore);
    EXPECT_EQ(readFile("other.ind"), damaged);
    EXPECT_EQ(std::string(workspaceBank->dataPath()), "fresh.bnk");

    // A bank of 2000 observations per series is refused the same way.
    makeBank("huge", 1990, 1, 2000, 1, {1});
    const auto hugeBefore = readFile("huge.bnk");
    EXPECT_EQ(typed(wsbankcmd, "huge"), -1);
    EXPECT_EQ(readFile("huge.bnk"), hugeBefore);
    EXPECT_EQ(wsMaxObs, 300);
}

TEST_F(AssignCmd, Findmode) {
    EXPECT_EQ(typed(findmodecmd, "a"), 0);
    EXPECT_EQ(findMode, 'a');
    EXPECT_EQ(output(), "");
    EXPECT_EQ(typed(findmodecmd, ""), 0);
    EXPECT_THAT(output(), HasSubstr("findmode is now a(utomatic)."));
    EXPECT_THAT(output(), HasSubstr("provided to access any other data bank."));
    EXPECT_EQ(typed(findmodecmd, "3"), 27);
    EXPECT_EQ(typed(findmodecmd, "x"), -1);
    EXPECT_EQ(findMode, 'a');
    EXPECT_EQ(typed(findmodecmd, "m"), 0);
    EXPECT_EQ(findMode, 'm');
}

// ---- lookup ----

namespace {
class Lookup : public banktest::BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        makeNamedBank("bka", {{"both", 100}, {"onlya", 1}});
        makeNamedBank("bkc", {{"onlyc", 3}});
        ASSERT_EQ(typed(bankcmd, 'w', "bka a"), 0);
        ASSERT_EQ(typed(bankcmd, 'w', "bkc c"), 0);
        ASSERT_EQ(typed(datacmd, "both 1990 1 2 3 4 5 ;"), 0);
        clearOutput();
    }
    // fetchseries of the name on a typed line that holds what follows it.
    int fetch(const char* name, const std::string& rest, std::vector<float>& out,
              std::string* textOut = nullptr) {
        settypedline(rest);
        out.assign(1999 + 4, 42.0f);
        char text[200] = "";
        char* cursor = text;
        int r = fetchseries(name, out.data(), cursor, nullptr, 1);
        if (textOut) *textOut = text;
        return r;
    }
};
}  // namespace

TEST_F(Lookup, FindModeDecidesWhichBanksAreSearched) {
    std::vector<float> v;
    EXPECT_EQ(fetch("both", "", v), 0);
    EXPECT_EQ(v[0], 1.0f);  // the workspace first
    EXPECT_EQ(lastSupplierBank, workspaceBank);
    EXPECT_EQ(fetch("onlya", "", v), 0);
    EXPECT_EQ(lastSupplierBank, bankSlots[0]);
    EXPECT_EQ(fetch("onlyc", "", v), -1);  // mode m: only the workspace and bank a
    EXPECT_THAT(output(), HasSubstr("onlyc can't be found."));
    EXPECT_EQ(v[0], MISSING);
    EXPECT_EQ(fetch("c.onlyc", "", v), 0);
    EXPECT_EQ(v[0], 3.0f);
    findMode = 'a';
    EXPECT_EQ(fetch("onlyc", "", v), 0);
    EXPECT_EQ(lastSupplierBank, bankSlots[2]);
    EXPECT_EQ(currentFrequency, 1);
    EXPECT_EQ(fetch("a.both", "", v), 0);
    EXPECT_EQ(v[0], 100.0f);
    EXPECT_EQ(fetch("w.both", "", v), 0);
    EXPECT_EQ(v[0], 1.0f);
    for (int i = 1999; i < 2003; ++i) EXPECT_EQ(v[i], 42.0f);
}

TEST_F(Lookup, PrefixesAndExistence) {
    std::vector<float> v;
    char* none = nullptr;
    EXPECT_EQ(fetch("b.gdp", "", v), -1);
    EXPECT_THAT(output(), HasSubstr("Bank b not assigned."));
    clearOutput();
    EXPECT_EQ(fetchseries("b.gdp", nullptr, none, nullptr, 0), -1);
    EXPECT_THAT(output(), HasSubstr("Bank b not assigned."));
    clearOutput();
    EXPECT_EQ(fetchseries("1.gdp", v.data(), none, nullptr, 0), -1);
    EXPECT_EQ(output(), "");
    EXPECT_EQ(fetch("1.gdp", "", v), -1);
    EXPECT_THAT(output(), HasSubstr("Illegal name: 1.gdp."));
    clearOutput();
    EXPECT_EQ(fetch("c.nothere", "", v), -1);
    EXPECT_THAT(output(), HasSubstr("Cannot find c.nothere"));
    EXPECT_EQ(fetchseries("onlya", nullptr, none, nullptr, 0), 0);
    EXPECT_EQ(fetchseries("c.onlyc", nullptr, none, nullptr, 0), 0);
    EXPECT_EQ(fetchseries("onlyc", nullptr, none, nullptr, 0), -1);
}

TEST_F(Lookup, LagsAndDateSubscripts) {
    std::vector<float> v;
    std::string text;
    EXPECT_EQ(fetch("both", "[1]", v, &text), 0);
    EXPECT_EQ(text, "[1]");
    EXPECT_EQ(v[0], MISSING);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(v[4], 4.0f);
    EXPECT_EQ(fetch("both", "[-1]", v), 0);
    EXPECT_EQ(v[0], 2.0f);
    EXPECT_EQ(v[3], 5.0f);
    EXPECT_EQ(v[99], MISSING);
    EXPECT_EQ(fetch("both", "{1992}", v, &text), 0);
    EXPECT_EQ(text, "{1992}");
    for (int i = 0; i < 100; ++i) ASSERT_EQ(v[i], 3.0f);
    EXPECT_EQ(v[1999], 42.0f);
    missingOn = 'n';
    EXPECT_EQ(fetch("both", "[2]", v), 0);
    for (int i = 0; i < 100; ++i) ASSERT_FALSE(ismissing(v[i])) << i;
    EXPECT_EQ(v[0], 0.0f);
}

TEST_F(Lookup, SubscriptsOutsideTheWorkspaceAreErrors) {
    std::vector<float> v;
    struct Case { const char* rest; const char* message; } cases[] = {
        {"[100]", "the lag 100 reaches outside the workspace"},
        {"[-100]", "the lag -100 reaches outside the workspace"},
        {"[5000]", "the lag 5000 reaches outside"},
        {"{2090}", "the date 2090 lies outside the workspace"},
        {"{1989}", "the date 1989 lies outside the workspace"},
        {"{3000.1}", "lies outside the workspace"},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(fetch("both", c.rest, v), -1) << c.rest;
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.rest;
        for (int i = 1999; i < 2003; ++i) ASSERT_EQ(v[i], 42.0f) << c.rest;
    }
    EXPECT_EQ(fetch("both", "[99]", v), 0);  // the longest lag that fits
    EXPECT_EQ(v[99], 1.0f);
    clearOutput();
    EXPECT_EQ(fetch("both", "[2 x", v), 0);
    EXPECT_THAT(output(), HasSubstr("Missing bracket."));
    EXPECT_EQ(fetch("both", "{abc}", v), 0);
    EXPECT_THAT(output(), HasSubstr("Date must be a number."));
}

TEST(DateIndex, NumbersToObservations) {
    const std::int16_t base = wsBaseYear, month = wsFirstMonth;
    wsBaseYear = 1990;
    wsFirstMonth = 1;
    struct Case { double date; int index; int frequency; } cases[] = {
        {1990, 0, 1}, {1993, 3, 1}, {90, 0, 1}, {1990.2, 1, 4}, {1991.1, 4, 4},
        {1990.012, 11, 12}, {1990.001, 0, 12}, {1990.6, 1, 2}, {1990.5, 0, 2},
        {1989.999, -1, -1}, {1989, -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dateindex(c.date), c.index) << c.date;
        if (c.frequency > 0) {
            EXPECT_EQ(currentFrequency, c.frequency) << c.date;
        }
    }
    wsFirstMonth = 4;
    EXPECT_EQ(dateindex(1990.001), -3);
    EXPECT_EQ(dateindex(1990.2), 0);
    wsFirstMonth = 1;
    currentFrequency = 4;
    EXPECT_NEAR(dateno(1), 1990.2, 1e-9);
    EXPECT_NEAR(dateno(3), 1990.4, 1e-9);
    EXPECT_NEAR(dateno(4), 1991.1, 1e-9);
    currentFrequency = 12;
    EXPECT_NEAR(dateno(10), 1990.011, 1e-9);
    currentFrequency = 1;
    EXPECT_EQ(dateno(5), 1995);
    wsBaseYear = base;
    wsFirstMonth = month;
}

}  // namespace assign_lookup_test
