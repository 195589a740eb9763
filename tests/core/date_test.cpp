#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/date.h"
#include "core/printout.h"
#include "platform/scripted_platform.h"

namespace date_test {

namespace {

// Collects what the dates print (completed lines and the unfinished one).
class DateTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPendingLine();
        resetDateGlobals();
    }
    void TearDown() override {
        clearPendingLine();
        resetDateGlobals();
    }
    std::string printed() const { return scripted.platform.text() + pendingLine(); }
    platform::ScopedScriptedPlatform scripted;
};

struct Fields {
    int year, period, day, frequency;
};

void expectFields(const JexDate& d, Fields f, const std::string& what) {
    EXPECT_EQ(d.year, f.year) << what;
    EXPECT_EQ(d.period, f.period) << what;
    EXPECT_EQ(d.day, f.day) << what;
    EXPECT_EQ(d.frequency, f.frequency) << what;
}

JexDate daily(int y, int m, int d) {
    return JexDate(static_cast<std::int16_t>(y), static_cast<std::uint8_t>(m),
                   static_cast<std::uint8_t>(d), 13);
}

}  // namespace

TEST(Calendar, DaysInYearAndMonth) {
    struct Case { int year, days; } years[] = {
        {1900, 365}, {2000, 366}, {1996, 366}, {1995, 365}, {2100, 365}, {2400, 366}};
    for (auto c : years) EXPECT_EQ(daysinyear(c.year), c.days) << c.year;
    EXPECT_EQ(daysinmonth(1996, 2), 29);
    EXPECT_EQ(daysinmonth(1900, 2), 28);
    EXPECT_EQ(daysinmonth(2001, 4), 30);
    EXPECT_EQ(daysinmonth(2001, 12), 31);
}

TEST_F(DateTest, InvalidMonthPrinted) {
    EXPECT_EQ(daysinmonth(2001, 13), -1);
    EXPECT_EQ(daysinmonth(2001, 0), -1);
    EXPECT_EQ(printed(), "Invalid month 13.\nInvalid month 0.\n");
}

TEST_F(DateTest, ParseTable) {
    struct Case { const char* text; int result; Fields f; } cases[] = {
        {"1990q3", 0, {1990, 3, 0, 4}},
        {"1990.3", 0, {1990, 3, 0, 4}},
        {"1990m11", 0, {1990, 11, 0, 12}},
        {"1990.011", 0, {1990, 11, 0, 12}},
        {"1990m1", 0, {1990, 1, 0, 12}},
        {"1990M1", 0, {1990, 1, 0, 12}},
        {"95q1", 0, {1995, 1, 0, 4}},
        {"24", 0, {2024, 1, 0, 1}},
        {"25", 0, {1925, 1, 0, 1}},
        {"299", 0, {2199, 1, 0, 1}},
        {"300", 0, {300, 1, 0, 1}},
        {"1990", 0, {1990, 1, 0, 1}},
        {"1990s2", 0, {1990, 2, 0, 2}},
        {"1990.5", 0, {1990, 1, 0, 2}},
        {"1990.6", 0, {1990, 2, 0, 2}},
        {"1990.45", 0, {1990, 1, 0, 1}},
        {"1990.05", 0, {1990, 0, 0, 4}},
        {"1990.012", 0, {1990, 12, 0, 12}},
        {"1990.013", 0, {1990, 13, 0, 12}},
        {"2001m3d15", 0, {2001, 3, 15, 13}},
        {"2001m12d31", 0, {2001, 12, 31, 13}},
        {"2001m3d5xyz", 0, {2001, 3, 5, 13}},
        {"1990q", 0, {1990, 0, 0, 4}},
        {"1990m", 0, {1990, 0, 0, 12}},
        {"1990qx", 0, {1990, 0, 0, 4}},
        {"", 0, {2000, 1, 0, 1}},
        {"32767", 0, {32767, 1, 0, 1}},
        {"32767m12", 0, {32767, 12, 0, 12}},
    };
    for (const auto& c : cases) {
        JexDate d;
        EXPECT_EQ(d.parse(c.text), c.result) << c.text;
        expectFields(d, c.f, c.text);
        expectFields(JexDate(c.text), c.f, std::string("ctor ") + c.text);
    }
    EXPECT_EQ(printed(), "");
}

TEST_F(DateTest, ParseUnrecognizedPeriod) {
    JexDate d;
    EXPECT_EQ(d.parse("1990x1"), -1);
    EXPECT_EQ(printed(), "Unrecognized period indicator in x.");
    expectFields(d, {1990, 1, 0, 1}, "keeps the year as annual");
}

TEST_F(DateTest, YearsPastRangeRefused) {
    const char* texts[] = {"32768", "99999q1", "123456789012345678901234m3", "40000.3"};
    for (const char* t : texts) {
        clearPendingLine();
        JexDate d("1990q1");
        EXPECT_EQ(d.parse(t), -1) << t;
        EXPECT_EQ(d.frequency, 0) << t;
        EXPECT_EQ(d.wsIndex(), -32000) << t;
    }
    JexDate f;
    EXPECT_EQ(f.fromFloat(32768.0f), -1);
    EXPECT_EQ(f.frequency, 0);
    EXPECT_EQ(f.fromFloat(1.0e20f), -1);
    EXPECT_EQ(f.fromFloat(-5000.0f), -1);
    EXPECT_EQ(JexDate(70000.2f).frequency, 0);
    EXPECT_NE(printed().find("out of range"), std::string::npos);
    EXPECT_EQ(f.fromFloat(32767.0f), 0);
    EXPECT_EQ(f.year, 32767);
}

TEST_F(DateTest, ArithmeticPastRangeRefused) {
    struct Case { JexDate d; int n; } cases[] = {
        {JexDate("32767"), 1},
        {JexDate("32767q4"), 1},
        {JexDate("32767m12"), 1},
        {JexDate("1990q1"), 2147483647},
        {JexDate("1990m1"), -2147483647 - 1},
        {JexDate("300"), -301},
        {daily(32767, 12, 31), 1},
        {daily(300, 1, 1), -400 * 366},
        {daily(1990, 1, 1), 2147483647},
    };
    for (const auto& c : cases) {
        JexDate r = c.d + c.n;
        EXPECT_EQ(r.frequency, 0) << c.d.printNew() << " + " << c.n;
    }
    EXPECT_EQ((JexDate("32767") - (-2147483647 - 1)).frequency, 0);
    EXPECT_NE(printed().find("out of range"), std::string::npos);
    // Right at the edge still works.
    expectFields(JexDate("32766q4") + 4, {32767, 4, 0, 4}, "edge");
    expectFields(daily(32767, 12, 30) + 1, {32767, 12, 31, 13}, "daily edge");
}

TEST_F(DateTest, FromFloatAndToFloat) {
    struct Case { float x; Fields f; } cases[] = {
        {1990.0f, {1990, 1, 0, 1}}, {1990.1f, {1990, 1, 0, 4}},
        {1990.4f, {1990, 4, 0, 4}}, {1990.001f, {1990, 1, 0, 12}},
        {1990.012f, {1990, 12, 0, 12}}, {95.2f, {1995, 2, 0, 4}},
        {5.011f, {2005, 11, 0, 12}}, {1990.5f, {1990, 1, 0, 2}}, {1990.6f, {1990, 2, 0, 2}},
    };
    for (const auto& c : cases) expectFields(JexDate(c.x), c.f, std::to_string(c.x));
    EXPECT_FLOAT_EQ(JexDate("1990q3").toFloat(), 1990.3f);
    EXPECT_FLOAT_EQ(JexDate("1990m11").toFloat(), 1990.011f);
    EXPECT_FLOAT_EQ(JexDate("1990").toFloat(), 1990.0f);
    EXPECT_FLOAT_EQ(JexDate("1990s2").toFloat(), 0.0f);
    EXPECT_FLOAT_EQ(JexDate("2001m3d15").toFloat(), 0.0f);
    // Every quarter and month survives the round trip through its number.
    for (int y : {1900, 1990, 2024, 2099}) {
        for (int q = 1; q <= 4; ++q) {
            JexDate d(static_cast<std::int16_t>(y), static_cast<std::uint8_t>(q), 0, 4);
            EXPECT_TRUE(JexDate(d.toFloat()) == d) << y << "q" << q;
        }
        for (int m = 1; m <= 12; ++m) {
            JexDate d(static_cast<std::int16_t>(y), static_cast<std::uint8_t>(m), 0, 12);
            EXPECT_TRUE(JexDate(d.toFloat()) == d) << y << "m" << m;
        }
    }
}

TEST_F(DateTest, SetAndSetMonth) {
    JexDate d;
    EXPECT_EQ(d.set(0, 1, 0, 0), 0);
    expectFields(d, {1900, 1, 0, 0}, "set year 0 without frequency");
    d.set(5, 2, 0, 4);
    expectFields(d, {2005, 2, 0, 4}, "set short year with frequency");
    d.set(90, 2, 0, 4);
    expectFields(d, {1990, 2, 0, 4}, "set 90");
    struct Case { int month, frequency; Fields f; } cases[] = {
        {7, 1, {1980, 1, 0, 1}},  {7, 12, {1980, 7, 0, 12}}, {7, 4, {1980, 3, 0, 4}},
        {6, 4, {1980, 2, 0, 4}},  {7, 2, {1980, 2, 0, 2}},   {6, 2, {1980, 1, 0, 2}},
        {7, 13, {1980, 7, 1, 13}},
    };
    for (const auto& c : cases) {
        d.setMonth(80, static_cast<std::int16_t>(c.month), c.frequency);
        expectFields(d, c.f, "setMonth " + std::to_string(c.frequency));
        expectFields(JexDate(1980, static_cast<std::int16_t>(c.month), c.frequency), c.f, "ctor");
    }
}

TEST_F(DateTest, Comparisons) {
    JexDate q1("1990q1"), q2("1990q2"), m1("1990m1"), m1b("1991m1"), a90("1990");
    EXPECT_EQ(q1 < q2, 1);
    EXPECT_EQ(q2 < q1, 0);
    EXPECT_EQ(q1 <= q1, 1);
    EXPECT_EQ(q1 > q2, 0);
    EXPECT_EQ(q2 >= q1, 1);
    EXPECT_EQ(q1 < m1b, 1);
    EXPECT_EQ(JexDate("1989") < q1, 1);
    EXPECT_EQ(daily(2001, 3, 15) < daily(2001, 3, 16), 1);
    EXPECT_EQ(printed(), "");

    EXPECT_EQ(q1 < m1, -1);
    EXPECT_EQ(q1 <= m1, -1);
    EXPECT_EQ(q1 > m1, -1);
    EXPECT_EQ(printed(), "Dates of different frequencies cannot be compared.\n"
                         "Dates of different frequencies cannot be compared.\n"
                         "Dates of different frequencies cannot be compared.\n");
    EXPECT_EQ(q1 >= a90, -1);
    EXPECT_NE(printed().find("Two dates of different frequencies cannot be compared.\n"),
              std::string::npos);

    EXPECT_TRUE(JexDate("1990q3") == JexDate("1990.3"));
    EXPECT_FALSE(q1 == m1);
    EXPECT_FALSE(daily(2001, 3, 15) == daily(2001, 3, 16));
}

TEST_F(DateTest, Differences) {
    struct Case { const char* left; const char* right; int diff; } cases[] = {
        {"1991q1", "1990q4", 1},     {"1990m3", "1990m11", -8}, {"1995", "1990", 5},
        {"1990q1", "1990q1", 0},     {"1992s1", "1990s2", 3},   {"2001m3d15", "2001m1d1", 73},
        {"1992m1d1", "1989m12d31", 731}, {"1989m12d31", "1992m1d1", -731},
        {"2001m1d1", "2000m12d31", 1},   {"2000m3d1", "2000m2d28", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JexDate(c.left) - JexDate(c.right), c.diff) << c.left << " - " << c.right;
    }
    EXPECT_EQ(JexDate("1990q1") - JexDate("1990m1"), -1);
    EXPECT_EQ(printed(), "");
}

TEST_F(DateTest, DailyDifferenceMatchesDayCounting) {
    // Walking day by day must agree with the difference at every step.
    JexDate start = daily(1995, 11, 20);
    JexDate d = start;
    for (int i = 1; i <= 1600; ++i) {
        d = d + 1;
        ASSERT_EQ(d - start, i) << d.printNew();
        ASSERT_EQ(start - d, -i);
        ASSERT_TRUE((d - i) == start) << i;
    }
    expectFields(d, {2000, 4, 7, 13}, "1600 days after 20 Nov 1995");  // by a calendar library
}

TEST_F(DateTest, DayOfYear) {
    EXPECT_EQ(JexDate("2001m3d15").dayOfYear(), 74);
    EXPECT_EQ(JexDate("2000m3d15").dayOfYear(), 75);
    EXPECT_EQ(daily(2001, 1, 1).dayOfYear(), 1);
    EXPECT_EQ(daily(2000, 12, 31).dayOfYear(), 366);
    EXPECT_EQ(daily(2000, 12, 31).daysToYearEnd(), 0);
    EXPECT_EQ(daily(2001, 1, 1).daysToYearEnd(), 364);
    EXPECT_EQ(printed(), "");
    EXPECT_EQ(JexDate("1990q1").dayOfYear(), -1);
    EXPECT_EQ(daily(2001, 13, 1).dayOfYear(), -1);
    EXPECT_EQ(printed(), "Not a daily date.\nMonth 13 invalid.\n");
}

TEST_F(DateTest, Shifting) {
    struct Case { const char* from; int n; Fields f; } cases[] = {
        {"1990q1", -1, {1989, 4, 0, 4}},   {"1990q1", -5, {1988, 4, 0, 4}},
        {"1990q1", -4, {1989, 1, 0, 4}},   {"1990q1", 0, {1990, 1, 0, 4}},
        {"1990m12", 1, {1991, 1, 0, 12}},  {"1990m12", 25, {1993, 1, 0, 12}},
        {"1990m1", -12, {1989, 1, 0, 12}}, {"1990m1", -13, {1988, 12, 0, 12}},
        {"1990s2", 1, {1991, 1, 0, 2}},    {"1990s1", -1, {1989, 2, 0, 2}},
        {"1990", -3, {1987, 1, 0, 1}},     {"1990q4", 5, {1992, 1, 0, 4}},
        {"2001m1d31", 29, {2001, 3, 1, 13}}, {"2001m3d5", -10, {2001, 2, 23, 13}},
        {"2000m12d31", 1, {2001, 1, 1, 13}}, {"2001m1d1", -1, {2000, 12, 31, 13}},
        {"2000m2d28", 1, {2000, 2, 29, 13}}, {"1999m12d31", 366 + 365, {2001, 12, 31, 13}},
    };
    for (const auto& c : cases) {
        std::string what = std::string(c.from) + " + " + std::to_string(c.n);
        expectFields(JexDate(c.from) + c.n, c.f, what);
        expectFields(JexDate(c.from) - (-c.n), c.f, what + " via -");
    }
    EXPECT_EQ(printed(), "");
    // The difference undoes the shift at every frequency.
    for (const char* s : {"1990q3", "1990m7", "1990s2", "1990"}) {
        for (int n = -30; n <= 30; ++n) EXPECT_EQ((JexDate(s) + n) - JexDate(s), n) << s << n;
    }
}

TEST_F(DateTest, ShiftWithoutFrequency) {
    JexDate d;
    d.set(1990, 1, 0, 0);
    JexDate r = d + 3;
    EXPECT_EQ(printed(), "\nError:  no frequency set in JexDate + routine.  Please report it, \n"
                         "and please check your results.\n");
    expectFields(r, {1993, 1, 0, 0}, "year moves by period + n - 1");
}

TEST_F(DateTest, DailyShiftWithBadMonthFails) {
    JexDate r = daily(2001, 14, 1) + 40;  // must not loop for ever
    EXPECT_EQ(r.frequency, 0);
    EXPECT_NE(printed().find("Invalid month 14."), std::string::npos);
}

TEST_F(DateTest, ToFrequency) {
    struct Case { const char* from; int target; Fields f; } cases[] = {
        {"1990", 12, {1990, 1, 0, 12}},   {"1990", 4, {1990, 1, 0, 4}},
        {"1990s2", 4, {1990, 3, 0, 4}},   {"1990s2", 12, {1990, 7, 0, 12}},
        {"1990s1", 12, {1990, 1, 0, 12}}, {"1990s2", 1, {1990, 1, 0, 1}},
        {"1990q3", 2, {1990, 2, 0, 2}},   {"1990q2", 2, {1990, 1, 0, 2}},
        {"1990q4", 12, {1990, 10, 0, 12}}, {"1990q2", 12, {1990, 4, 0, 12}},
        {"1990q3", 1, {1990, 1, 0, 1}},   {"1990m6", 2, {1990, 1, 0, 2}},
        {"1990m7", 2, {1990, 2, 0, 2}},   {"1990m3", 4, {1990, 1, 0, 4}},
        {"1990m4", 4, {1990, 2, 0, 4}},   {"1990m9", 4, {1990, 3, 0, 4}},
        {"1990m10", 4, {1990, 4, 0, 4}},  {"1990m11", 12, {1990, 11, 0, 12}},
        {"2001m11d15", 4, {2001, 4, 0, 4}}, {"2001m11d15", 12, {2001, 11, 0, 12}},
    };
    for (const auto& c : cases) {
        expectFields(JexDate(c.from).toFrequency(c.target), c.f,
                     std::string(c.from) + " to " + std::to_string(c.target));
    }
    EXPECT_EQ(printed(), "");
    expectFields(JexDate("1990q3").toFrequency(3), {1990, 3, 0, 4}, "bad target");
    EXPECT_EQ(printed(), "Error:  illegal target frequency\n");
}

TEST_F(DateTest, WorkspaceIndex) {
    wsStartDate = daily(1980, 7, 1);
    struct Case { const char* date; int index; } cases[] = {
        {"1980m7", 0},  {"1980q3", 0},  {"1980", 0},    {"1980s2", 0},   {"1981m7", 12},
        {"1980m6", -1}, {"1980q2", -1}, {"1979", -1},   {"1981q1", 2},   {"1980m7d1", 0},
        {"1980m8d1", 31}, {"1980m6d30", -1}, {"1981m7d1", 365},
    };
    for (const auto& c : cases) EXPECT_EQ(JexDate(c.date).wsIndex(), c.index) << c.date;
    EXPECT_EQ(JexDate().wsIndex(), -32000);
    EXPECT_EQ(printed(), "");
    JexDate odd(1990, 1, 0, 7);
    EXPECT_EQ(odd.wsIndex(), -1);
    EXPECT_EQ(printed(), "Bad frequency in date 7.\n");

    wsStartDate = daily(1965, 1, 1);
    EXPECT_EQ(JexDate("1990q3").wsIndex(), 25 * 4 + 2);
    EXPECT_EQ(JexDate("1990m11").wsIndex(), 25 * 12 + 10);
    resetDateGlobals();
    EXPECT_EQ(wsStartDate.frequency, 0);
    EXPECT_EQ(wsStartDate.year, 0);
}

TEST_F(DateTest, PrintTexts) {
    struct Case { const char* date; char style; const char* text; } cases[] = {
        {"1995q2", '4', "1995.2"},  {"1995m11", '4', "1995.011"}, {"1995", '4', "1995"},
        {"1995", '2', "95"},        {"2005", '2', "05"},          {"1995", '3', " 95"},
        {"2005", '3', "105"},       {"2005q1", '2', "05.1"},      {"1995m1", '3', " 95.001"},
        {"1995q2", 'x', "1995.2"},  {"1990s1", '4', "1990.5"},    {"1990s2", '4', "1990.6"},
        {"2001m3d15", '4', "2001m3d15"}, {"300", '4', " 300"},
    };
    for (const auto& c : cases) {
        char buffer[10];
        JexDate d(c.date);
        EXPECT_STREQ(d.print(buffer, c.style), c.text) << c.date << c.style;
        EXPECT_EQ(d.printNew(c.style), c.text);
    }
    // Texts printed as numbers read back as the same date.
    for (const char* s : {"1995q2", "1995m11", "1990s2", "1990", "2001m3d15"}) {
        EXPECT_TRUE(JexDate(JexDate(s).printNew().c_str()) == JexDate(s)) << s;
    }
}

TEST_F(DateTest, PrintIsBounded) {
    // The longest texts are cut to the buffer and stay terminated.
    char small[6];
    std::string canary = "ZZZZ";
    char guarded[10 + 4];
    std::memcpy(guarded + 10, canary.data(), 4);
    JexDate longDaily = daily(32767, 12, 31);
    longDaily.print(guarded, 10, '4');
    EXPECT_EQ(std::string(guarded), "32767m12d");
    EXPECT_EQ(std::string(guarded + 10, 4), canary);
    EXPECT_STREQ(JexDate("32767m12").print(small), "32767");
    EXPECT_EQ(longDaily.printNew(), "32767m12d31");
    JexDate d(1990, 1, 0, 1);
    d.year = -32768;  // a damaged year still prints within bounds
    EXPECT_EQ(d.printNew('2'), "-34668");
}

}  // namespace date_test
