// Moving-average errors and autocorrelations against independent computations on the
// float-rounded data: for a fixed mu the innovations are linear in the coefficients, so
// the least sum of squared innovations is a least-squares fit on filtered data, minimised
// over mu by a golden-section search; the autocorrelations and the Yule-Walker solutions
// are computed directly.
#include <gtest/gtest.h>

#include <cmath>

#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace bj_test {

const std::vector<float> xData = {9.5f,  8.5f,  8.5f,  9.2f,  10.7f, 11.1f, 10.8f, 10.4f, 11.4f, 13.3f,
                                  13.9f, 13.0f, 12.3f, 14.2f, 14.7f, 13.3f, 13.5f, 12.6f, 12.3f, 12.1f};
const std::vector<float> vData = {16.4f, 15.0f, 14.1f, 15.9f, 19.1f, 17.5f, 17.0f, 16.5f, 18.3f, 20.6f,
                                  22.1f, 21.5f, 20.1f, 22.1f, 23.0f, 20.6f, 20.2f, 20.3f, 19.5f, 20.7f};

// e(t) = z(t) - mu e(t - 1), e(-1) = 0.
Column filter(const Column& z, double mu) {
    Column e(z.size());
    for (std::size_t t = 0; t < z.size(); ++t) e[t] = z[t] - (t ? mu * e[t - 1] : 0.0);
    return e;
}

// The innovations of v = b1 + b2 x + e + mu e(-1).
Column innovations(double b1, double b2, double mu) {
    Column u;
    for (int t = 0; t < 20; ++t) u.push_back(vData[t] - b1 - b2 * xData[t]);
    return filter(u, mu);
}

// The least sum of squares for a fixed mu, and its coefficients.
double profile(double mu, std::vector<double>& b) {
    Column y, one(20, 1.0), x;
    for (int t = 0; t < 20; ++t) {
        y.push_back(vData[t]);
        x.push_back(xData[t]);
    }
    const Column fy = filter(y, mu), f1 = filter(one, mu), fx = filter(x, mu);
    std::vector<Column> X;
    for (int t = 0; t < 20; ++t) X.push_back({f1[t], fx[t]});
    b = leastsquares(X, fy);
    double s = 0.0;
    for (double e : innovations(b[0], b[1], mu)) s += e * e;
    return s;
}

class MovingAverage : public RegressFixture {
protected:
    void SetUp() override {
        RegressFixture::SetUp();
        store("x", xData);
        store("v", vData);
        limits(1990, 2009, 2009);
    }
};

TEST_F(MovingAverage, OrderZeroIsLeastSquaresInOneIteration) {
    ASSERT_EQ(run(bjcmd, "0 v = x"), 0);
    EXPECT_NE(output().find("Iterations = 1. Converged.\n"), std::string::npos);
    std::vector<double> b;
    profile(0.0, b);
    EXPECT_TRUE(closeto(beta(1), b[0]));
    EXPECT_TRUE(closeto(beta(2), b[1]));
    EXPECT_NEAR(b[0], 3.65313, 1e-5);
    EXPECT_NEAR(b[1], 1.30658, 1e-5);
}

TEST_F(MovingAverage, OrderOneEndsNearTheLeastSumOfSquaredInnovations) {
    ASSERT_EQ(run(bjcmd, "1 v = x"), 0);
    const std::string text = output();
    EXPECT_NE(text.find("Converged."), std::string::npos) << text;
    EXPECT_NE(text.find("v_mu[1]"), std::string::npos);
    // Golden-section search of the profile over mu.
    double lo = -0.9, hi = 0.9;
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    std::vector<double> b;
    for (int i = 0; i < 80; ++i) {
        const double a = hi - g * (hi - lo), c = lo + g * (hi - lo);
        if (profile(a, b) < profile(c, b)) hi = c;
        else lo = a;
    }
    const double muBest = (lo + hi) / 2.0;
    const double best = profile(muBest, b);
    EXPECT_NEAR(best, 8.4613, 1e-4);
    EXPECT_NEAR(muBest, 0.178, 0.005);
    const double b1 = beta(1), b2 = beta(2), mu = beta(3);
    double s = 0.0;
    for (double e : innovations(b1, b2, mu)) s += e * e;
    EXPECT_NEAR(s, best, 0.001);
    EXPECT_NEAR(b1, b[0], 0.02);
    EXPECT_NEAR(b2, b[1], 0.002);
    EXPECT_NEAR(mu, muBest, 0.005);
    // resid and v_mu hold the innovations (actual minus predicted) of the reported estimates.
    const Column e = innovations(b1, b2, mu);
    const std::vector<float> resid = series("resid"), vmu = series("v_mu");
    for (int t = 0; t < 20; ++t) {
        EXPECT_NEAR(resid[t], e[t], 1e-4) << t;
        EXPECT_EQ(vmu[t], resid[t]) << t;
    }
}

TEST_F(MovingAverage, AutocorrelationsAndPartialAutocorrelations) {
    ASSERT_EQ(run(accmd, "x 4"), 0);
    const std::string text = output();
    // Independent: sample autocorrelations with divisor n - j and the Yule-Walker solutions.
    double mean = 0.0;
    for (float v : xData) mean += v;
    mean /= 20;
    std::vector<double> c(5);
    for (int j = 0; j <= 4; ++j) {
        double s = 0.0;
        for (int t = j; t < 20; ++t) s += (xData[t] - mean) * (xData[t - j] - mean);
        c[j] = s / (20 - j);
    }
    const std::vector<float> ac = series("x_ac");
    for (int j = 0; j <= 4; ++j) EXPECT_NEAR(ac[j], c[j] / c[0], 2e-5) << j;
    EXPECT_NEAR(ac[4], 0.4387, 5e-5);
    EXPECT_EQ(ac[5], 0.0f);
    EXPECT_NE(text.find("Autocorrelation function\n  1.0000  0.8769  0.6492  0.5129\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Partial Autocorrelation\n  0.877\n  1.331 -0.518\n  1.647 -1.329  0.610\n"
                        "  2.092 -2.299  1.811 -0.729\n"),
              std::string::npos)
        << text;
    // The last line solves the Yule-Walker equations of order 4.
    std::vector<Column> T;
    Column rhs;
    for (int i = 0; i < 4; ++i) {
        Column row;
        for (int j = 0; j < 4; ++j) row.push_back(c[std::abs(i - j)] / c[0]);
        T.push_back(row);
        rhs.push_back(c[i + 1] / c[0]);
    }
    const std::vector<double> phi = leastsquares(T, rhs);
    EXPECT_NEAR(phi[3], -0.729, 5e-4);
    EXPECT_NEAR(phi[0], 2.092, 5e-4);
}

TEST_F(MovingAverage, RefusalsPrintAClearMessage) {
    struct Case {
        int (*handler)(std::FILE*);
        float start, end;
        const char* line;
        const char* message;
    };
    store("flat", std::vector<float>(20, 3.0f));
    const Case cases[] = {
        {bjcmd, 1990, 2009, "v = x", "The bj format is"},
        {bjcmd, 1990, 2009, "-1 v = x", "must not be negative"},
        {bjcmd, 1980, 2009, "1 v = x", "first date is before workspace begins"},
        {bjcmd, 1990, 2009, "1 v = nosuch", "can't be found"},
        {bjcmd, 1990, 2009, "600 v = x", "do not fit the 500 column slots"},
        {bjcmd, 1990, 2009, "18 v = x", "the fit period has 20 observations for 20 coefficients"},
        {accmd, 1990, 2009, "4", "The format is\n ac <series name> order"},
        {accmd, 1990, 2009, "nosuch 4", "can't be found"},
        {accmd, 1980, 2009, "x 4", "is not inside the workspace"},
        {accmd, 1990, 1993, "x 4", "below the 4 fit observations"},
        {accmd, 1990, 2009, "flat 2", "flat is constant over the fit period"},
    };
    for (const Case& c : cases) {
        limits(c.start, c.end, c.end);
        EXPECT_EQ(run(c.handler, c.line), -1) << c.line;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.message;
        EXPECT_TRUE(series("resid").empty()) << c.line;
        EXPECT_TRUE(series("flat_ac").empty()) << c.line;
    }
}

}  // namespace
}  // namespace regresstest

