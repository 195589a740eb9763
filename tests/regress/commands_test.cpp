// The constraint commands, the chow and normality tests, the limits and switch commands,
// zip, and the Regression Settings dialog.
#include <gtest/gtest.h>

#include <cmath>

#include "interp/switches.h"
#include "regress/chow.h"
#include "regress/regress_state.h"
#include "regress/regset_dialog.h"
#include "regress/settings_commands.h"
#include "regress_fixture.h"
#include "series/series_state.h"


namespace regresstest {
namespace commands_test {

TEST(Binomialterm, SignedBinomialCoefficientsUpToOrderTwelve) {
    EXPECT_EQ(binomialterm(3, 0), 1);
    EXPECT_EQ(binomialterm(3, 1), -3);
    EXPECT_EQ(binomialterm(3, 2), 3);
    EXPECT_EQ(binomialterm(3, 3), -1);
    // The largest order sma accepts: every term exact, alternating, summing to 0.
    long sum = 0;
    long expected = 1;
    for (int j = 0; j <= 12; ++j) {
        EXPECT_EQ(std::labs(binomialterm(12, j)), expected) << j;
        sum += binomialterm(12, j);
        expected = expected * (12 - j) / (j + 1);
    }
    EXPECT_EQ(sum, 0);
}

struct CommandCase {
    const char* command;  // "con ...", "sma ...", "qpcon ..."
    int status;
    const char* message;  // expected in the output ("" none)
    int softCount, hardCount;
};

class ConstraintCommands : public RegressFixture, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(ConstraintCommands, StoreOrRefuse) {
    const CommandCase& c = GetParam();
    const std::string line = c.command;
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.substr(line.find(' ') + 1);
    const int status = word == "con" ? run(concmd, rest) : word == "sma" ? run(smacmd, rest) : run(qpconcmd, rest);
    EXPECT_EQ(status, c.status) << c.command;
    const std::string out = output();
    if (*c.message) {
        EXPECT_NE(out.find(c.message), std::string::npos) << c.command << ": " << out;
    } else {
        EXPECT_EQ(out, "") << c.command;
    }
    EXPECT_EQ(softConstraints.count, c.softCount) << c.command;
    EXPECT_EQ(hardConstraints.count, c.hardCount) << c.command;
    // A refused command leaves no entry behind in the rows.
    if (c.status != 0) {
        for (const ConstraintTable* t : {&softConstraints, &hardConstraints})
            for (float v : t->rows[0]) ASSERT_EQ(v, 0.0f) << c.command;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConstraintCommands,
    ::testing::Values(
        CommandCase{"con 100 1 = a2 + a3", 0, "", 1, 0},
        CommandCase{"con 1 = a2", -1, "Number is needed for constraint.\n", 0, 0},
        CommandCase{"con -1 0 = a2", -1, "Need positive number for trade-off parameter.\n", 0, 0},
        CommandCase{"con 1 0 a2", -1, "Syntax requires = sign.\n", 0, 0},
        CommandCase{"con 1 0 = a2 + (", -1, "Bad format in con command.\n", 0, 0},
        CommandCase{"con 1 0 = a0", -1, "parameter a0 is not one of a1 .. a499", 0, 0},
        CommandCase{"con 1 0 = a500", -1, "parameter a500 is not one of a1 .. a499", 0, 0},
        CommandCase{"con 1 0 = b2", -1, "parameter b2 is not one of a1 .. a499", 0, 0},
        CommandCase{"con 1 0 = a499", 0, "", 1, 0},
        CommandCase{"sma 10 a2 a7 2", 0, "", 4, 0},
        CommandCase{"sma 10 a2 a7 2 f", 0, "", 3, 0},
        CommandCase{"sma 10 a2 a3 2", -1, "too few for a polynomial of order 2", 0, 0},
        CommandCase{"sma 10 a2 a3 1 f", -1, "too few for a polynomial of order 1", 0, 0},
        CommandCase{"sma 10 a2 a20 12", -1, "must lie in 0 .. 11", 0, 0},
        CommandCase{"sma 10 a2 a500 1", -1, "parameter a500 is not one of a1 .. a499", 0, 0},
        CommandCase{"sma 10 a2 a60 1", -1, "   58 is too many constraints.\n", 0, 0},
        CommandCase{"sma x", -1, "Need number for trade-off parameter. \n", 0, 0},
        CommandCase{"sma 1 2", -1, "Need an 'a' for a_first. \n", 0, 0},
        CommandCase{"sma 1 a2 3", -1, "Need an 'a' for a_last. \n", 0, 0},
        CommandCase{"sma 1 a2 a5 x", -1, "Need order of polynomial.)\n", 0, 0},
        CommandCase{"qpcon 0 <= a2", 0, "", 0, 1},
        CommandCase{"qpcon -1 > 2 * a2 - a3", 0, "", 0, 1},
        CommandCase{"qpcon 1 = a500", -1, "a0, ... a499, b0, ..., b499, ... are allowed.\nParameter a500 is given.\n", 0, 0},
        CommandCase{"qpcon x < a2", -1, "need scalar on LHS of qpcons command.\nHave \"x\"\n", 0, 0},
        CommandCase{"qpcon 1 a2", -1, "need scalar, then <, =, or >", 0, 0},
        CommandCase{"qpcon 1 < 2 3", -1, "Bad format in qpcon command.\n", 0, 0}));

TEST_F(RegressFixture, TheStoredRowsOfConSmaAndQpcon) {
    ASSERT_EQ(run(concmd, "100 -2 = a2 - 2*a3 + 0.5 a4"), 0);
    EXPECT_EQ(softConstraints.weight[0], 100.0f);
    EXPECT_EQ(softConstraints.value[0], -2.0f);
    EXPECT_EQ(softConstraints.rows[0][2], 1.0f);
    EXPECT_EQ(softConstraints.rows[0][3], -2.0f);
    EXPECT_EQ(softConstraints.rows[0][4], 0.5f);
    // Third differences of a2..a7 tied to zero after a7: entries 1, -3, 3, -1.
    ASSERT_EQ(run(smacmd, "10 a2 a7 2"), 0);
    const float third[] = {1, -3, 3, -1};
    for (int r = 0; r < 4; ++r)
        for (int j = 0; j < 4; ++j) {
            const int index = 2 + r + j;
            EXPECT_EQ(softConstraints.rows[1 + r][index], index <= 7 ? third[j] : 0.0f) << r << " " << j;
        }
    ASSERT_EQ(run(qpconcmd, "-1 >= 2 * a2 - a3"), 0);
    EXPECT_EQ(hardConstraints.weight[0], -1.0f);
    EXPECT_EQ(hardConstraints.value[0], -1.0f);
    EXPECT_EQ(hardConstraints.rows[0][2], 2.0f);
    EXPECT_EQ(hardConstraints.rows[0][3], -1.0f);
    clearcons();
    EXPECT_EQ(softConstraints.count, 0);
    EXPECT_EQ(softConstraints.rows[0][2], 0.0f);
    EXPECT_EQ(hardConstraints.rows[0][2], 0.0f);
}

TEST_F(RegressFixture, TheFiftyFirstConstraintIsRefused) {
    for (int i = 0; i < 50; ++i) ASSERT_EQ(run(concmd, "1 0 = a2"), 0);
    EXPECT_EQ(run(concmd, "1 0 = a2"), -1);
    EXPECT_EQ(output(), "   51 is too many constraints.\n");
    for (int i = 0; i < 50; ++i) ASSERT_EQ(run(qpconcmd, "0 < a2"), 0);
    EXPECT_EQ(run(qpconcmd, "0 < a2"), -1);
    EXPECT_EQ(output(), "\nToo many constraints in qpcon command:  51.\n");
}

// ---- chow and normality ----

// The residual sum of squares of y on (1, x1, x2) over the years first .. last of the data.
double ssrof(int first, int last) {
    std::vector<Column> X;
    Column y;
    for (int t = first; t <= last; ++t) {
        X.push_back({1.0, x1Data[t], x2Data[t]});
        y.push_back(yData[t]);
    }
    const std::vector<double> b = leastsquares(X, y);
    double ssr = 0;
    for (std::size_t t = 0; t < X.size(); ++t)
        ssr += std::pow(b[0] + b[1] * X[t][1] + b[2] * X[t][2] - y[t], 2);
    return ssr;
}

std::string fline(double F, int d1, int d2) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "The F statistic is %.4f\r\nwith %d degrees of freedom in the numerator and %d in the denominator.",
                  F, d1, d2);
    return buf;
}

TEST_F(RegressFixture, ChowOverTwoRegressionsUsesTheFirstDegreesOfFreedom) {
    regZip = 'y';
    ASSERT_EQ(run(chowcmd, "2"), 0);
    limits(1990, 1997, 1997);
    ASSERT_EQ(r("y = x1, x2"), 0);
    limits(1990, 1999, 1999);
    output();
    ASSERT_EQ(r("y = x1, x2"), 0);
    const double s1 = ssrof(0, 7), s2 = ssrof(0, 9);
    const std::string out = output();
    EXPECT_NE(out.find(fline(((s2 - s1) / 2) / (s1 / 5), 2, 5)), std::string::npos) << out;
    EXPECT_EQ(chowCount, 0);
    EXPECT_TRUE(chowRecords.empty());
}

TEST_F(RegressFixture, ChowOverSubPeriodsAndTheWhole) {
    regZip = 'y';
    ASSERT_EQ(run(chowcmd, "3"), 0);
    limits(1990, 1994, 1994);
    ASSERT_EQ(r("y = x1, x2"), 0);
    limits(1995, 1999, 1999);
    ASSERT_EQ(r("y = x1, x2"), 0);
    limits(1990, 1999, 1999);
    output();
    ASSERT_EQ(r("y = x1, x2"), 0);
    const double S = ssrof(0, 4) + ssrof(5, 9), whole = ssrof(0, 9);
    // d1 = 3 + 3 - 3, d2 = 10 - 6.
    const std::string out = output();
    EXPECT_NE(out.find(fline(((whole - S) / 3) / (S / 4), 3, 4)), std::string::npos) << out;
}

TEST_F(RegressFixture, ChowRefusesCountsBelowTwoAndReplacesAPendingTest) {
    for (const char* bad : {"1", "0", "", "x"}) {
        EXPECT_EQ(run(chowcmd, bad), -1) << bad;
        EXPECT_EQ(output(), "Usage: chow <number>\n");
        EXPECT_EQ(chowCount, 0);
    }
    ASSERT_EQ(run(chowcmd, "3"), 0);
    ASSERT_EQ(r("y = x1, x2"), 0);
    EXPECT_EQ(chowNext, 1);
    ASSERT_EQ(run(chowcmd, "2"), 0);
    EXPECT_EQ(chowNext, 0);
    EXPECT_EQ(chowRecords.size(), 2u);
    // A test whose periods leave no degrees of freedom prints no F.
    limits(1990, 1992, 1992);
    ASSERT_EQ(r("y = x1, x2"), 0);
    limits(1990, 1999, 1999);
    output();
    ASSERT_EQ(r("y = x1, x2"), 0);
    const std::string out = output();
    EXPECT_NE(out.find("\nChow test period longer than number of parameters.\n"), std::string::npos);
    EXPECT_EQ(out.find("F statistic"), std::string::npos);
    EXPECT_EQ(chowCount, 0);
}

TEST_F(RegressFixture, NormalityMomentsOfTheResiduals) {
    const float e[] = {0.5f, -1.25f, 2.0f, 0.0f, -0.75f, 3.5f, -1.0f};
    const int n = 7;
    double mean = 0;
    for (float v : e) mean += v / n;
    double m2 = 0, m3 = 0, m4 = 0;
    for (float v : e) {
        m2 += std::pow(v - mean, 2) / n;
        m3 += std::pow(v - mean, 3) / n;
        m4 += std::pow(v - mean, 4) / n;
    }
    const double jb = n * (std::pow(m4 / (m2 * m2) - 3, 2) / 24 + m3 * m3 / (m2 * m2 * m2) / 6);
    normalityTest = 'y';
    EXPECT_TRUE(closeto(normalitytest(n, e), jb, 1e-6));
    EXPECT_EQ(output(), "");
    normalityTest = 'f';
    regZip = 'y';
    normalitytest(n, e);
    char expected[400];
    std::snprintf(expected, sizeof expected,
                  "                        Normality Tests\nmu2 = %.2f  mu3 = %.2f  mu4 = %.2f\n"
                  "Symmetry coefficient (beta1) = %.3f; normal = 0\n"
                  "Peakedness coefficient (beta2) = %.3f; normal = 3.0\n"
                  "Jarque-Bera test  = %.3f;  5%% = 5.99  1%% = 9.21\n",
                  m2, m3, m4, m3 * m3 / (m2 * m2 * m2), m4 / (m2 * m2), jb);
    EXPECT_EQ(output(), expected);
    for (const char* word : {"yes", "no", "full"}) {
        EXPECT_EQ(run(normalitycmd, word), 0);
        EXPECT_EQ(normalityTest, word[0]);
    }
    EXPECT_EQ(run(normalitycmd, "maybe"), -1);
    EXPECT_EQ(output(), "Usage is\n  normality  <yes | no | full>\n");
    EXPECT_EQ(normalityTest, 'f');
}

// ---- limits and switches ----

TEST_F(RegressFixture, LimitsSetMoveAndReport) {
    struct Case {
        const char* line;
        int status;
        float a, b, c;
        const char* printed;
    };
    limits(1990, 1999, 2001);
    const Case cases[] = {
        {"1990.1 2000.4", 0, 1990.1f, 2000.4f, 2000.4f, ""},
        {"", 0, 1990.1f, 2000.4f, 2000.4f, "Present limits are 1990.100 2000.400 2000.400\n"},
        {"+ 1 + 1 + 1", 0, 1991.1f, 2001.4f, 2001.4f, ""},
        {"- 1 2005 + 2", 0, 1990.1f, 2005.0f, 2003.4f, ""},
        {"1995", -1, 1995.0f, 2005.0f, 2003.4f, "\r\nNeed at least two dates in limits command\n"},
        {"+", -1, 1995.0f, 2005.0f, 2003.4f, "Present limits are 1995.000 2005.000 2003.400\n"},
        {"1990 +", -1, 1990.0f, 2005.0f, 2003.4f, "Present limits are 1990.000 2005.000 2003.400\n"},
        {"1990 1999 2001", 0, 1990.0f, 1999.0f, 2001.0f, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(limitscmd, c.line), c.status) << c.line;
        EXPECT_FLOAT_EQ(fitStart, c.a) << c.line;
        EXPECT_FLOAT_EQ(fitEnd, c.b) << c.line;
        EXPECT_FLOAT_EQ(testEnd, c.c) << c.line;
        EXPECT_EQ(output(), c.printed) << c.line;
    }
}

TEST_F(RegressFixture, SwitchCommands) {
    struct Case {
        int (*handler)(std::FILE*);
        const char* line;
        int status;
        const char* printed;
    };
    const Case cases[] = {
        {showtcmd, "yes", 0, "showt is yes\n"},
        {showtcmd, "n", 0, "showt is n\n"},
        {showtcmd, "", -1, "Usage: showt <y | n>\n"},
        {missingcmd, "no", 0, "\r\nmissing is n\n"},
        {missingcmd, "y", 0, "\r\nmissing is y\n"},
        {missingcmd, "3", -1, "\r\nFormat is \r\n missing <y | n>\n"},
        {modecmd, "forecast", 0, "Present mode is forecast\n"},
        {modecmd, "other", 0, "Present mode is forecast\n"},
        {modecmd, "", 0, "Present mode is forecast\n"},
        {modecmd, "4", 0, "Usage:  mode [forecast | test]\nPresent mode is forecast\n"},
        {modecmd, "t", 0, "Present mode is test\n"},
        {stochasticcmd, "yes", 0, ""},
        {stochasticcmd, "maybe", -1, "Usage is\n  stochastic  <y|n>\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.handler, c.line), c.status) << c.line;
        EXPECT_EQ(output(), c.printed) << c.line;
    }
    EXPECT_EQ(showT, 0);
    EXPECT_EQ(missingOn, 'y');
    EXPECT_EQ(forecastMode, 0);
    EXPECT_EQ(stochastic, 'y');
}

TEST_F(RegressFixture, ZipTurnsOnAndOffWithItsMenuTick) {
    const struct {
        const char* line;
        char zip;
    } cases[] = {{"", 'y'}, {"off", 'n'}, {"yes", 'y'}, {"nothing", 'n'}, {"no", 'n'}};
    for (const auto& c : cases) {
        EXPECT_EQ(run(zipcmd, c.line), 0);
        EXPECT_EQ(regZip, c.zip) << c.line;
        EXPECT_EQ(mainRegZipChecked, c.zip == 'y');
    }
    // Without input (the pause box's Zip button) nothing is read.
    keyboardInput = 'n';
    settypedline("off");
    EXPECT_EQ(zipcmd(nullptr), 0);
    EXPECT_EQ(regZip, 'y');
}

// ---- the dialog ----

TEST_F(RegressFixture, TheDialogShowsAndWritesBackTheSettings) {
    limits(1990.2f, 2000.4f, 2002.1f);
    showT = 1;
    normalityTest = 'f';
    secondMode = 'y';
    TRegSetFm& f = RegSetFm;
    f.FormShow();
    EXPECT_EQ(f.StartFit, "1990.200");
    EXPECT_EQ(f.EndFit, "2000.400");
    EXPECT_TRUE(f.cbShowT);
    EXPECT_FALSE(f.cbMode);
    EXPECT_TRUE(f.cbSecond);
    EXPECT_TRUE(f.rbFull);
    EXPECT_FALSE(f.rbNone);

    f.StartFit = "1991";
    f.EndTest = "junk";
    f.cbMode = true;
    f.cbCmtype = true;
    f.cbZip = true;
    f.cbStochastic = true;
    f.cbShowT = false;
    f.CancelBtnClick();
    EXPECT_FLOAT_EQ(fitStart, 1990.2f);
    f.OKBtnClick();
    EXPECT_FLOAT_EQ(fitStart, 1991.0f);
    EXPECT_FLOAT_EQ(fitEnd, 2000.4f);
    EXPECT_FLOAT_EQ(testEnd, 0.0f);  // text that is not a number gives 0
    EXPECT_EQ(showT, 0);
    EXPECT_EQ(forecastMode, 1);
    EXPECT_EQ(showRelations, 1);
    EXPECT_EQ(stochastic, 'y');
    EXPECT_EQ(regZip, 'y');
    EXPECT_TRUE(mainRegZipChecked);
    EXPECT_EQ(normalityTest, 'f');
    // No radio button selected leaves the normality test alone.
    f.rbNone = f.rbJB = f.rbFull = false;
    normalityTest = 'y';
    f.OKBtnClick();
    EXPECT_EQ(normalityTest, 'y');
}

TEST_F(RegressFixture, TheDialogAnsweredThroughThePlatform) {
    limits(1990, 1999, 2001);
    // Three edits, six check boxes, the normality group, then OK.
    screen.platform.answers = {"1991", "cancel", "2003", "on", "off", "off", "off", "on", "off", "Full", "OK"};
    EXPECT_EQ(regsetdialog(), 1);
    EXPECT_FLOAT_EQ(fitStart, 1991.0f);
    EXPECT_FLOAT_EQ(fitEnd, 1999.0f);  // an unanswered edit keeps its text
    EXPECT_FLOAT_EQ(testEnd, 2003.0f);
    EXPECT_EQ(showT, 1);
    EXPECT_EQ(regZip, 'y');
    EXPECT_EQ(normalityTest, 'f');
    EXPECT_EQ(screen.platform.boxes.front(), "[Regression Settings] Start fit [1990.000]");
    // Nobody answers: Cancel, nothing changes.
    screen.platform.answers.clear();
    screen.platform.boxes.clear();
    EXPECT_EQ(regsetdialog(), 0);
    EXPECT_FLOAT_EQ(fitStart, 1991.0f);
    EXPECT_EQ(showT, 1);
    EXPECT_EQ(screen.platform.boxes.size(), 11u);
}

}  // namespace
}  // namespace regresstest

