// Regression under hard constraints against independent least squares on the float-rounded
// data: an active constraint is substituted into the equation by hand, an inactive one
// leaves the plain fit (negative coefficients included: the coefficients are free).
#include <gtest/gtest.h>

#include <cmath>

#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace qp_test {

class HardConstraints : public RegressFixture {
protected:
    void qpcon(const std::string& line) { ASSERT_EQ(run(qpconcmd, line), 0) << line << output(); }
};

TEST_F(HardConstraints, AnActiveBoundDropsTheRegressor) {
    qpcon("0 < a3");
    ASSERT_EQ(r("y = x1, x2"), 0) << output();
    std::vector<Column> X, X2;
    Column y;
    exampledata(X, y);
    for (const Column& row : X) X2.push_back({row[0], row[1]});
    const std::vector<double> b = leastsquares(X2, y);
    EXPECT_TRUE(closeto(beta(1), b[0]));
    EXPECT_TRUE(closeto(beta(2), b[1]));
    EXPECT_NEAR(beta(3), 0.0, 1e-6);
    EXPECT_NEAR(b[0], -3.13893, 1e-5);
    EXPECT_NEAR(b[1], 1.91438, 1e-5);
    EXPECT_EQ(stat("mexval2"), 0.0);
    EXPECT_EQ(hardConstraints.count, 0);
}

TEST_F(HardConstraints, AnEqualityIsSubstituted) {
    qpcon("1 = a2 + a3");
    ASSERT_EQ(r("y = x1, x2"), 0) << output();
    // y - x2 = a1 + a2 (x1 - x2)
    std::vector<Column> X, Xs;
    Column y, ys;
    exampledata(X, y);
    for (std::size_t t = 0; t < X.size(); ++t) {
        Xs.push_back({1.0, X[t][1] - X[t][2]});
        ys.push_back(y[t] - X[t][2]);
    }
    const std::vector<double> b = leastsquares(Xs, ys);
    EXPECT_TRUE(closeto(beta(1), b[0]));
    EXPECT_TRUE(closeto(beta(2), b[1]));
    EXPECT_TRUE(closeto(beta(3), 1.0 - b[1]));
    EXPECT_NEAR(b[0], 1.86050, 1e-5);
    EXPECT_NEAR(1.0 - b[1], -0.79812, 1e-5);
    double ssr = 0.0;
    for (std::size_t t = 0; t < X.size(); ++t) {
        const double d = y[t] - b[0] - b[1] * X[t][1] - (1.0 - b[1]) * X[t][2];
        ssr += d * d;
    }
    EXPECT_NEAR(ssr, 9.0561, 1e-4);
    EXPECT_TRUE(closeto(regressionResults.at("see") * regressionResults.at("see") * 10, ssr, 1e-4));
}

TEST_F(HardConstraints, AnInactiveBoundLeavesTheFreeFitWithItsNegativeCoefficient) {
    qpcon("5 > a2");
    ASSERT_EQ(r("y = x1, x2"), 0) << output();
    std::vector<Column> X;
    Column y;
    exampledata(X, y);
    const std::vector<double> b = leastsquares(X, y);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(closeto(beta(i + 1), b[i])) << i;
    EXPECT_LT(beta(3), 0.0);
}

TEST_F(HardConstraints, ASoftConstraintActsThroughTheObjective) {
    ASSERT_EQ(run(concmd, "100 1 = a2 + a3"), 0) << output();
    qpcon("0 < a3");
    ASSERT_EQ(r("y = x1, x2"), 0) << output();
    std::vector<Column> X, X2;
    Column y;
    exampledata(X, y);
    for (const Column& row : X) X2.push_back({row[0], row[1]});
    const double s = std::sqrt(static_cast<double>(10.0f * 100.0f));
    X2.push_back({0.0, s});
    y.push_back(s);
    const std::vector<double> b = leastsquares(X2, y);
    EXPECT_TRUE(closeto(beta(1), b[0]));
    EXPECT_TRUE(closeto(beta(2), b[1]));
    EXPECT_NEAR(beta(3), 0.0, 1e-6);
    EXPECT_NEAR(b[0], 9.63710, 1e-5);
    EXPECT_NEAR(b[1], 1.23117, 1e-5);
}

TEST_F(HardConstraints, ASingleFreeCoefficientIsSolved) {
    // y = a1 x1 alone gives about 1.8: the bound a1 < 1.5 holds it at 1.5.
    qpcon("1.5 > a1");
    ASSERT_EQ(r("y = ! x1"), 0) << output();
    EXPECT_NEAR(beta(1), 1.5, 1e-6);
    std::vector<Column> X;
    Column y;
    exampledata(X, y);
    std::vector<Column> X1;
    for (const Column& row : X) X1.push_back({row[1]});
    EXPECT_GT(leastsquares(X1, y)[0], 1.5);
}

TEST_F(HardConstraints, ContradictoryEqualitiesEndWithAStatusAndNoReport) {
    qpcon("1 = a2");
    qpcon("2 = a2");
    output();
    EXPECT_EQ(r("y = x1, x2"), -1);
    const std::string text = output();
    EXPECT_NE(text.find("after qprog.\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("SEE"), std::string::npos) << text;
    EXPECT_TRUE(regressionResults.empty());
    EXPECT_EQ(hardConstraints.count, 0);
}

}  // namespace
}  // namespace regresstest

