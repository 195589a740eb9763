// The regress command against independent least squares on the float-rounded data: plain,
// without intercept, under soft constraints (each one a weighted pseudo-observation, the
// intercept included), with polynomial lags and with a lagged dependent variable; the
// statistics and series a regression leaves; and its refusals.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdlib>

#include "core/missing.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace regress_test {

// A soft constraint as the test states it independently: sum row(i) b(i) = value with
// weight n x trade-off.
struct Pseudo {
    float tradeoff;
    double value;
    std::vector<double> row;
};

struct SoftCase {
    const char* name;
    std::vector<std::string> commands;
    std::vector<Pseudo> pseudo;
};

class SoftConstraints : public RegressFixture, public ::testing::WithParamInterface<SoftCase> {};

TEST_P(SoftConstraints, CoefficientsAreLeastSquaresWithWeightedPseudoObservations) {
    const SoftCase& c = GetParam();
    for (const std::string& line : c.commands) ASSERT_EQ(run(concmd, line), 0) << line << output();
    ASSERT_EQ(r("y = x1, x2"), 0) << output();
    std::vector<Column> X;
    Column y;
    exampledata(X, y);
    for (const Pseudo& p : c.pseudo) {
        const double s = std::sqrt(static_cast<double>(10.0f * p.tradeoff));
        Column row;
        for (double v : p.row) row.push_back(s * v);
        X.push_back(row);
        y.push_back(s * p.value);
    }
    const std::vector<double> b = leastsquares(X, y);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(closeto(beta(i + 1), b[i])) << c.name << " beta" << i + 1;
    // The tables are empty afterwards: the next regression is plain.
    EXPECT_EQ(softConstraints.count, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoftConstraints,
    ::testing::Values(
        SoftCase{"none", {}, {}},
        SoftCase{"slopes sum to one", {"100 1 = a2 + a3"}, {{100, 1, {0, 1, 1}}}},
        SoftCase{"a2 = 2 a3", {"100 0 = a2 - 2*a3"}, {{100, 0, {0, 1, -2}}}},
        SoftCase{"the intercept itself", {"100 5 = a1"}, {{100, 5, {1, 0, 0}}}},
        SoftCase{"a negative value on the intercept", {"1 -4 = a1"}, {{1, -4, {1, 0, 0}}}},
        SoftCase{"two constraints naming the intercept",
                 {"3 5 = a1 + a2", "0.5 2 = 2 a3 - a1"},
                 {{3, 5, {1, 1, 0}}, {0.5f, 2, {-1, 0, 2}}}},
        SoftCase{"multipliers with and without a star",
                 {"2 1 = a2 + 0.5 * a3 + a1"},
                 {{2, 1, {1, 1, 0.5}}}}),
    [](const ::testing::TestParamInfo<SoftCase>& info) {
        std::string s;
        for (const char* p = info.param.name; *p; ++p) s += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return s;
    });

TEST_F(RegressFixture, APlusAtTheEndOfALineContinuesTheTerms) {
    int offsets[1] = {0};
    {
        seriestest::ReplayInput lines({"con 100 1 = a2 +", "a3"});
        char word[80];
        ASSERT_EQ(gettoken(word, nullptr, 0, 78), 'a');
        ASSERT_EQ(concmd(nullptr, offsets), 0);
    }
    EXPECT_EQ(softConstraints.rows[0][2], 1.0f);
    EXPECT_EQ(softConstraints.rows[0][3], 1.0f);
    ASSERT_EQ(r("y = x1, x2"), 0);
    EXPECT_NEAR(beta(2), 1.79784, 6e-6);
}

TEST_F(RegressFixture, TheWorkedExampleGivesItsPublishedCoefficients) {
    struct Row {
        const char* constraint;
        double b1, b2, b3;
    };
    const Row rows[] = {{nullptr, 2.58844, 1.77800, -0.89745},
                        {"100 1 = a2 + a3", 1.87072, 1.79784, -0.79951},
                        {"100 0 = a2 - 2*a3", -8.35896, 2.00560, 0.99271},
                        {"100 5 = a1", 4.99925, 1.69927, -1.14131}};
    for (const Row& row : rows) {
        if (row.constraint) {
            ASSERT_EQ(run(concmd, row.constraint), 0);
        }
        ASSERT_EQ(r("y = x1, x2"), 0);
        EXPECT_NEAR(beta(1), row.b1, 6e-6) << (row.constraint ? row.constraint : "plain");
        EXPECT_NEAR(beta(2), row.b2, 6e-6);
        EXPECT_NEAR(beta(3), row.b3, 6e-6);
    }
}

TEST_F(RegressFixture, WithoutAnInterceptAndWithAConstraint) {
    ASSERT_EQ(run(concmd, "10 2 = a1 + a2"), 0);
    ASSERT_EQ(r("y = ! x1, x2"), 0) << output();
    std::vector<Column> X;
    Column y;
    for (int t = 0; t < 10; ++t) {
        X.push_back({x1Data[t], x2Data[t]});
        y.push_back(yData[t]);
    }
    const double s = std::sqrt(100.0);
    X.push_back({s, s});
    y.push_back(2 * s);
    const std::vector<double> b = leastsquares(X, y);
    EXPECT_EQ(stat("ncoef"), 2);
    EXPECT_TRUE(closeto(beta(1), b[0]));
    EXPECT_TRUE(closeto(beta(2), b[1]));
}

TEST_F(RegressFixture, StatisticsAndSeriesMatchTheirDefinitions) {
    ASSERT_EQ(r("y = x1, x2"), 0) << output();
    std::vector<Column> X;
    Column y;
    exampledata(X, y, 12);
    std::vector<Column> Xfit(X.begin(), X.begin() + 10);
    Column yfit(y.begin(), y.begin() + 10);
    const std::vector<double> b = leastsquares(Xfit, yfit);
    std::vector<double> e(12);
    for (int t = 0; t < 12; ++t) e[t] = b[0] + b[1] * X[t][1] + b[2] * X[t][2] - y[t];
    double ssr = 0, mean = 0, dw = 0, mape = 0;
    for (int t = 0; t < 10; ++t) {
        ssr += e[t] * e[t];
        mean += yfit[t] / 10;
        mape += std::fabs(e[t] / yfit[t]) / 10;
        if (t > 0) dw += (e[t] - e[t - 1]) * (e[t] - e[t - 1]);
    }
    double tss = 0;
    for (int t = 0; t < 10; ++t) tss += (yfit[t] - mean) * (yfit[t] - mean);
    dw /= ssr;
    EXPECT_TRUE(closeto(stat("see"), std::sqrt(ssr / 10), 1e-5));
    EXPECT_TRUE(closeto(stat("rsq"), 1 - ssr / tss, 1e-5));
    EXPECT_TRUE(closeto(stat("rbarsq"), 1 - (ssr / 7) / (tss / 9), 1e-5));
    EXPECT_TRUE(closeto(stat("dw"), dw, 1e-5));
    EXPECT_TRUE(closeto(stat("rho"), 1 - dw / 2, 1e-4));
    EXPECT_TRUE(closeto(stat("mape"), mape, 1e-5));
    EXPECT_EQ(stat("obs_in_regress"), 10);

    // resid is fitted minus actual; predic continues over the test years; lever is the
    // diagonal of the hat matrix; rcoef holds k, the coefficients, and the statistics.
    const std::vector<float> resid = series("resid"), predic = series("predic"), lever = series("lever");
    const std::vector<float> rcoef = series("rcoef");
    const std::vector<Column> inv = inversemoments(Xfit);
    for (int t = 0; t < 12; ++t) {
        EXPECT_TRUE(closeto(predic[t], b[0] + b[1] * X[t][1] + b[2] * X[t][2], 1e-5)) << t;
        if (t < 10) {
            EXPECT_NEAR(resid[t], e[t], 2e-5) << t;
            double h = 0;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) h += X[t][i] * inv[i][j] * X[t][j];
            EXPECT_TRUE(closeto(lever[t], h, 1e-4)) << t;
        } else {
            EXPECT_EQ(resid[t], 0.0f);
            EXPECT_EQ(lever[t], 0.0f);
        }
    }
    EXPECT_TRUE(ismissing(predic[12]));
    EXPECT_EQ(rcoef[0], 3.0f);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(closeto(rcoef[1 + i], b[i]));
    EXPECT_FLOAT_EQ(rcoef[7], static_cast<float>(stat("see")));
    EXPECT_FLOAT_EQ(rcoef[8], static_cast<float>(stat("rsq")));
    EXPECT_FLOAT_EQ(rcoef[12], 10.0f);
    // depvar: the actual values in test mode.
    const std::vector<float> depvar = series("depvar");
    for (int t = 0; t < 12; ++t) EXPECT_FLOAT_EQ(depvar[t], yData[t]);
}

TEST_F(RegressFixture, TValuesAreStoredAfterTheStatisticsOfRcoef) {
    ASSERT_EQ(r("y = x1"), 0);
    std::vector<Column> X;
    Column y;
    for (int t = 0; t < 10; ++t) {
        X.push_back({1.0, x1Data[t]});
        y.push_back(yData[t]);
    }
    const std::vector<double> b = leastsquares(X, y);
    double ssr = 0;
    for (int t = 0; t < 10; ++t) ssr += std::pow(b[0] + b[1] * X[t][1] - y[t], 2);
    const std::vector<Column> inv = inversemoments(X);
    const std::vector<float> rcoef = series("rcoef");
    // k = 2: positions 2k + 7 = 11 and 12 hold the t values.
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(closeto(rcoef[11 + i], b[i] / std::sqrt(inv[i][i] * ssr / 8), 1e-4)) << i;
}

TEST_F(RegressFixture, ALaggedDependentVariablePredictsDynamically) {
    limits(1991.0f, 1999.0f, 2001.0f);
    ASSERT_EQ(r("y = x1, y[1]"), 0) << output();
    EXPECT_EQ(lagDepIndex, 3);
    std::vector<Column> X;
    Column y;
    for (int t = 1; t < 10; ++t) {
        X.push_back({1.0, x1Data[t], yData[t - 1]});
        y.push_back(yData[t]);
    }
    const std::vector<double> b = leastsquares(X, y);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(closeto(beta(i + 1), b[i]));
    const std::vector<float> predic = series("predic"), bpred = series("bpred");
    const double p2000 = b[0] + b[1] * x1Data[10] + b[2] * yData[9];
    const double p2001 = b[0] + b[1] * x1Data[11] + b[2] * p2000;
    EXPECT_TRUE(closeto(predic[10], p2000, 1e-5));
    EXPECT_TRUE(closeto(predic[11], p2001, 1e-5));
    double d = b[0] + b[1] * x1Data[1] + b[2] * yData[0];
    EXPECT_TRUE(closeto(bpred[1], d, 1e-5));
    for (int t = 2; t < 12; ++t) {
        d = b[0] + b[1] * x1Data[t] + b[2] * d;
        EXPECT_TRUE(closeto(bpred[t], d, 1e-5)) << t;
    }
    EXPECT_TRUE(ismissing(bpred[0]));

    // Forecast mode: depvar beyond the fit is the prediction less rho^h times the last
    // fit residual.
    forecastMode = 1;
    ASSERT_EQ(r("y = x1, y[1]"), 0);
    const std::vector<float> depvar = series("depvar"), resid = series("resid");
    const double rho = regRho;
    EXPECT_TRUE(closeto(depvar[10], p2000 - rho * resid[9], 1e-5));
    EXPECT_TRUE(closeto(depvar[11], p2001 - rho * rho * resid[9], 1e-5));
}

TEST_F(RegressFixture, SmaPutsTheLagCoefficientsOnAPolynomial) {
    std::vector<float> x(20), z(20, MISSING);
    for (int t = 0; t < 20; ++t) x[t] = static_cast<float>(10 + 3 * std::sin(t * 1.3) + 0.2 * t);
    for (int t = 3; t < 13; ++t)
        z[t] = static_cast<float>(1 + 0.4 * x[t] + 0.3 * x[t - 1] + 0.15 * x[t - 2] + 0.1 * x[t - 3] +
                                  0.3 * std::cos(t * 2.1));
    store("x", x);
    store("z", z);
    limits(1993.0f, 2002.0f, 2002.0f);
    struct Case {
        const char* command;
        std::vector<std::vector<double>> rows;  // second differences over a2..a5 (a6 = 0 tied)
    };
    const Case cases[] = {{"10 a2 a5 1", {{0, 1, -2, 1, 0}, {0, 0, 1, -2, 1}, {0, 0, 0, 1, -2}}},
                          {"10 a2 a5 1 f", {{0, 1, -2, 1, 0}, {0, 0, 1, -2, 1}}},
                          {"0.5 a2 a5 0", {{0, 1, -1, 0, 0}, {0, 0, 1, -1, 0}, {0, 0, 0, 1, -1}, {0, 0, 0, 0, 1}}}};
    for (const Case& c : cases) {
        ASSERT_EQ(run(smacmd, c.command), 0) << c.command << output();
        EXPECT_EQ(softConstraints.count, static_cast<int>(c.rows.size()));
        ASSERT_EQ(r("z = x, x[1], x[2], x[3]"), 0) << output();
        std::vector<Column> X;
        Column y;
        for (int t = 3; t < 13; ++t) {
            X.push_back({1.0, x[t], x[t - 1], x[t - 2], x[t - 3]});
            y.push_back(z[t]);
        }
        const float tradeoff = static_cast<float>(std::atof(c.command));
        const double s = std::sqrt(static_cast<double>(10.0f * tradeoff));
        for (const auto& row : c.rows) {
            Column scaled;
            for (double v : row) scaled.push_back(s * v);
            X.push_back(scaled);
            y.push_back(0.0);
        }
        const std::vector<double> b = leastsquares(X, y);
        for (int i = 0; i < 5; ++i) EXPECT_TRUE(closeto(beta(i + 1), b[i])) << c.command << " beta" << i + 1;
    }
}

TEST_F(RegressFixture, RefusedRegressionsStoreNothingAndEmptyTheTables) {
    struct Case {
        float a, b, c;
        const char* equation;
        const char* message;
    };
    const Case cases[] = {
        {1980, 1999, 2001, "y = x1", "first date is before workspace begins"},
        {1995, 1990, 2001, "y = x1", "are out of order"},
        {1990, 1999, 1998, "y = x1", "are out of order"},
        {1990, 1999, 2015, "y = x1", "last date is after workspace ends"},
        {1990, 1991, 2001, "y = x1, x2, x1*x2", "fewer than the 4 coefficients"},
        {1990, 1999, 2001, "y x1", "An = sign is expected in an r command."},
        {1990, 1999, 2001, "y = nosuch", "nosuch can't be found."},
    };
    for (const Case& c : cases) {
        limits(c.a, c.b, c.c);
        ASSERT_EQ(run(concmd, "1 1 = a2"), 0);
        ASSERT_EQ(run(qpconcmd, "0 < a2"), 0);
        EXPECT_EQ(r(c.equation), -1) << c.equation;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.message;
        EXPECT_EQ(softConstraints.count, 0);
        EXPECT_EQ(hardConstraints.count, 0);
        EXPECT_TRUE(series("rcoef").empty());
    }
    // Hard constraints that cannot be met store nothing either.
    limits(1990, 1999, 2001);
    ASSERT_EQ(run(qpconcmd, "1 = a2"), 0);
    ASSERT_EQ(run(qpconcmd, "2 = a2"), 0);
    EXPECT_EQ(r("y = x1, x2"), -1);
    EXPECT_NE(output().find("after qprog."), std::string::npos);
    EXPECT_EQ(hardConstraints.count, 0);
    EXPECT_TRUE(regressionResults.empty());
    EXPECT_TRUE(series("rcoef").empty());
}

TEST_F(RegressFixture, MissingValuesStopTheFitButNotTheTestPeriod) {
    store("w", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, seriestest::M, 12});
    EXPECT_EQ(r("y = x1, w"), 0);
    store("w", {1, 2, seriestest::M, 4});
    output();
    EXPECT_EQ(r("y = x1, w"), -1);
    EXPECT_EQ(output(), "Missing value in variable 3. Type a key to continue\n");
}

namespace {

// The moments of y on x without an intercept, n = 4: y = 1, 3, 1, 3 and x = 2, 2, 2, 2 (or
// a column of the value given), every sum, mean, deviation and root of which is exact.
Regression exactmoments(float x = 2.0f) {
    Regression r;
    r.eq.k = 1;
    r.eq.intercept = 0;
    r.eq.columns = {{1.0f, 3.0f, 1.0f, 3.0f}, {x, x, x, x}};
    r.nfit = 4;
    r.ntot = 4;
    r.m = Moments(3);
    return r;
}

}  // namespace

// The column sums test the missing band on the floats' bits. The bounds of the bits are made
// once: the first moments made in a process raise the flags of any later ones (here none,
// every operation on the data being exact; the conversion of a bound to float, were it made
// by that first call, would raise the inexact flag). The process is a fresh one, so that its
// call is the first. And a column is refused exactly when the test in double (ismissing)
// finds a missing value in it: the floats at and beside both bounds of the band.
TEST_F(RegressFixture, MomentsRaiseTheSameFlagsOnTheFirstCallAndAfterAndFindTheMissingBand) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int flags[2];
            for (int& f : flags) {
                Regression r = exactmoments();
                std::feclearexcept(FE_ALL_EXCEPT);
                const int code = xpx(r);
                f = std::fetestexcept(FE_ALL_EXCEPT);
                if (code != 0 || r.sd[0] != 1.0f || r.sd[1] != 0.0f) std::_Exit(3);
            }
            std::_Exit(flags[0] != flags[1] ? 1 : flags[0] != 0 ? 2 : 0);
        },
        ::testing::ExitedWithCode(0), "");

    for (double bound : {-0.0000011, -0.0000009}) {
        const float f = static_cast<float>(bound);
        const float beside[] = {std::nextafter(std::nextafter(f, -1.0f), -1.0f), std::nextafter(f, -1.0f), f,
                                std::nextafter(f, 0.0f), std::nextafter(std::nextafter(f, 0.0f), 0.0f)};
        for (float x : beside) {
            Regression r = exactmoments(x);
            EXPECT_EQ(xpx(r), ismissing(x) ? -1 : 0) << x;
            output();
        }
    }
}

TEST_F(RegressFixture, PlaceZeroesValuesOutsideTheNormalFloatRange) {
    const float in[] = {1.5f, INFINITY, -INFINITY, 1e-40f, -1e-40f, NAN, MISSING, 0.0f, 3e38f};
    float out[9];
    place(out, in, 0, 8);
    const float expected[] = {1.5f, 0, 0, 0, 0, 0, MISSING, 0, 3e38f};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST_F(RegressFixture, NamesTermsAndTheNameArea) {
    ASSERT_EQ(r("y = x1 + x2, a.x1"), -1);  // no bank a
    output();
    std::vector<std::string> names;
    Equation eq;
    settypedline("y = x1 + x2, x1");
    ASSERT_EQ(xmatrix(eq, nullptr, 0, 11, 12), 0);
    EXPECT_EQ(eq.k, 3);
    EXPECT_EQ(eq.names, (std::vector<std::string>{"y", "intercept", "x1+x2", "x1"}));
    EXPECT_EQ(eq.columns.size(), 5u);  // dependent, three, spare
    // More names than the 1000-character area holds.
    std::string line = "y = ";
    for (int i = 0; i < 100; ++i) line += (i ? ", " : "") + std::string("x1+x2+x1+x2");
    settypedline(line);
    EXPECT_EQ(xmatrix(eq, nullptr, 0, 11, 12), -1);
    EXPECT_NE(output().find("more than 1000 characters"), std::string::npos);
}

TEST_F(RegressFixture, AnnotationEchoEndsWhenTheEquationFails) {
    std::FILE* ann = std::tmpfile();
    annSaveFile = ann;
    annSaveOn = 'y';
    EXPECT_EQ(r("y = nosuch"), -1);
    EXPECT_EQ(annSaveEcho, 'n');
    annSaveOn = 'n';
    annSaveFile = nullptr;
    std::fclose(ann);
}

}  // namespace
}  // namespace regresstest

