// Recursive regression against independent least squares on each step's sample (from the
// step's date to the test end): the coefficient and standard-error paths, what lies outside
// them, the steps with too few observations, and what the command leaves behind.
#include <gtest/gtest.h>

#include <cmath>

#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace recursive_test {

class Recursive : public RegressFixture {};

// Coefficients and standard errors of y on (1, x1, x2) over years from .. to.
void fit(int from, int to, std::vector<double>& b, std::vector<double>& se) {
    std::vector<Column> X;
    Column y;
    for (int t = from - 1990; t <= to - 1990; ++t) {
        X.push_back({1.0, x1Data[t], x2Data[t]});
        y.push_back(yData[t]);
    }
    b = leastsquares(X, y);
    const std::vector<Column> inv = inversemoments(X);
    double ssr = 0.0;
    for (std::size_t t = 0; t < X.size(); ++t) {
        const double d = y[t] - (b[0] + b[1] * X[t][1] + b[2] * X[t][2]);
        ssr += d * d;
    }
    se.clear();
    for (int i = 0; i < 3; ++i) se.push_back(std::sqrt(ssr / (static_cast<double>(X.size()) - 3) * inv[i][i]));
}

TEST_F(Recursive, PathsAreTheLeastSquaresOfEachSample) {
    limits(1990, 1995, 1999);
    regZip = 'y';
    ASSERT_EQ(run(recurcmd, "y = x1, x2"), 0) << output();
    EXPECT_EQ(output().find("SEE"), std::string::npos);  // zipped: no reports
    const double b2[] = {1.77800, 1.80551, 1.85130, 1.75388, 1.70617, 1.74032};
    const double s2[] = {0.07224, 0.08052, 0.10105, 0.06506, 0.06397, 0.09608};
    for (int d = 1990; d <= 1995; ++d) {
        std::vector<double> b, se;
        fit(d, 1999, b, se);
        for (int i = 1; i <= 3; ++i) {
            const std::string bn = "b" + std::to_string(i), sn = "s" + std::to_string(i);
            EXPECT_TRUE(closeto(series(bn.c_str())[d - 1990], b[i - 1])) << bn << " " << d;
            EXPECT_TRUE(closeto(series(sn.c_str())[d - 1990], se[i - 1], 1e-4)) << sn << " " << d;
        }
        EXPECT_NEAR(b[1], b2[d - 1990], 1e-5) << d;
        EXPECT_NEAR(se[1], s2[d - 1990], 1e-5) << d;
    }
    EXPECT_NEAR(series("b1")[0], 2.58844, 1e-5);
    for (int t = 6; t < obs; ++t) {
        EXPECT_TRUE(ismissing(series("b2")[t])) << t;
        EXPECT_TRUE(ismissing(series("s3")[t])) << t;
    }
    EXPECT_EQ(regZip, 'n');
    EXPECT_EQ(fitStart, 1990.0f);
    EXPECT_EQ(fitEnd, 1995.0f);
    EXPECT_EQ(testEnd, 1999.0f);
}

TEST_F(Recursive, StepsWithTooFewObservationsStoreTheMissingValue) {
    limits(1990, 1999, 1999);
    regZip = 'y';
    ASSERT_EQ(run(recurcmd, "y = x1, x2"), 0);
    EXPECT_NE(output().find("combination of preceeding variables"), std::string::npos);
    // 1999 and 1998: one and two observations for three coefficients; 1997: an exact fit.
    for (int t : {8, 9}) {
        EXPECT_TRUE(ismissing(series("b1")[t])) << t;
        EXPECT_TRUE(ismissing(series("s1")[t])) << t;
    }
    std::vector<double> b, se;
    fit(1997, 1999, b, se);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(closeto(series(("b" + std::to_string(i)).c_str())[7], b[i - 1], 1e-3)) << i;
        EXPECT_TRUE(ismissing(series(("s" + std::to_string(i)).c_str())[7])) << i;
    }
    fit(1990, 1999, b, se);
    EXPECT_TRUE(closeto(series("b3")[0], b[2]));
}

TEST_F(Recursive, WithPredictionsTheLastStepIsTheFullRegression) {
    limits(1990, 1996, 1999);
    ASSERT_EQ(run(recurcmd, "y = x1, x2"), 0);
    const std::string text = output();
    EXPECT_NE(text.find("from 1996.000"), std::string::npos);
    EXPECT_NE(text.find("from 1990.000"), std::string::npos);
    std::vector<double> b, se;
    fit(1990, 1999, b, se);
    EXPECT_TRUE(closeto(beta(2), b[1]));
    EXPECT_FALSE(series("resid").empty());
}

TEST_F(Recursive, RefusalsStoreNothingAndEmptyTheTables) {
    struct Case {
        float a, b, c;
        const char* equation;
        const char* message;
    };
    const Case cases[] = {
        {1980, 1995, 1999, "y = x1", "first date is before workspace begins"},
        {1995, 1990, 1999, "y = x1", "out of order"},
        {1990, 1995, 1999, "y = nosuch", "can't be found"},
        {1990, 1995, 2003, "y = x1", "Missing value in variable 0."},
    };
    for (const Case& c : cases) {
        limits(c.a, c.b, c.c);
        regZip = 'y';
        ASSERT_EQ(run(concmd, "1 1 = a2"), 0);
        EXPECT_EQ(run(recurcmd, c.equation), -1) << c.message;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.message;
        EXPECT_EQ(softConstraints.count, 0);
        EXPECT_EQ(regZip, 'n');
        EXPECT_TRUE(series("b1").empty());
        EXPECT_EQ(fitStart, c.a);
    }
}

}  // namespace
}  // namespace regresstest

