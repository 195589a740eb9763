// The Hildreth-Lu search against least squares on the quasi-differenced float data
// computed here: each rho's coefficients and SEE, the long-run SEE and predictions from the
// untransformed data, the one-step predictions, and the refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace hl_test {

struct HlFit {
    std::vector<double> b;  // b1 the transformed intercept (or x1's coefficient with "!")
    double see, seeLong;
    std::vector<double> longRun, shortRun;  // 1991 .. 2001
};

// Fit 1991 .. 1999, test to 2001; `intercept` false drops the column of ones.
HlFit hl(double rho, bool intercept) {
    HlFit f;
    std::vector<Column> X;
    Column y;
    auto row = [&](int t) {
        Column r;
        if (intercept) r.push_back(1.0);
        r.push_back(static_cast<double>(x1Data[t]) - static_cast<double>(static_cast<float>(rho) * x1Data[t - 1]));
        r.push_back(static_cast<double>(x2Data[t]) - static_cast<double>(static_cast<float>(rho) * x2Data[t - 1]));
        return r;
    };
    for (int t = 1; t <= 9; ++t) {
        X.push_back(row(t));
        y.push_back(static_cast<double>(yData[t]) - static_cast<double>(static_cast<float>(rho) * yData[t - 1]));
    }
    f.b = leastsquares(X, y);
    double ssr = 0.0, ssrLong = 0.0;
    for (std::size_t t = 0; t < X.size(); ++t) {
        double p = 0.0;
        for (std::size_t j = 0; j < X[t].size(); ++j) p += f.b[j] * X[t][j];
        ssr += (y[t] - p) * (y[t] - p);
    }
    for (int t = 1; t <= 11; ++t) {
        const int o = intercept ? 1 : 0;
        double p = (intercept ? f.b[0] / (1.0 - rho) : 0.0) + f.b[o] * x1Data[t] + f.b[o + 1] * x2Data[t];
        f.longRun.push_back(p);
        if (t <= 9) ssrLong += (p - yData[t]) * (p - yData[t]);
        const Column r = row(t);
        double s = rho * yData[t - 1];
        for (std::size_t j = 0; j < r.size(); ++j) s += f.b[j] * r[j];
        f.shortRun.push_back(s);
    }
    f.see = std::sqrt(ssr / 9);
    f.seeLong = std::sqrt(ssrLong / 9);
    return f;
}

class HildrethLu : public RegressFixture {
protected:
    void SetUp() override {
        RegressFixture::SetUp();
        limits(1991, 1999, 2001);
        regZip = 'y';
    }
};

TEST_F(HildrethLu, EachRhoIsLeastSquaresOnTheQuasiDifferences) {
    for (bool intercept : {true, false}) {
        SCOPED_TRACE(intercept ? "with intercept" : "without intercept");
        ASSERT_EQ(run(hlcmd, intercept ? "0.2 0.6 0.2 y = x1, x2" : "0.2 0.6 0.2 y = ! x1, x2"), 0) << output();
        const std::string text = output();
        EXPECT_NE(text.find("HLRHO = 0.6000"), std::string::npos);
        const double published[3][3] = {{0.991273, -0.329596, 0.942344},
                                        {1.074580, -0.350935, 0.962347},
                                        {1.182621, -0.350652, 1.052192}};
        // The rows of the table: rho, SEE one ahead, rho estimated, SEE long-run.
        const std::size_t head = text.find("SEE LONG-RUN\r\n\n");
        ASSERT_NE(head, std::string::npos);
        const char* p = text.c_str() + head + 16;
        for (int i = 0; i < 3; ++i) {
            const double rho = 0.2 * (i + 1);
            const HlFit f = hl(rho, intercept);
            double cell[4];
            int used = 0;
            ASSERT_EQ(std::sscanf(p, "%lf %lf %lf %lf%n", &cell[0], &cell[1], &cell[2], &cell[3], &used), 4);
            p += used;
            EXPECT_NEAR(cell[0], rho, 1e-6);
            EXPECT_TRUE(closeto(cell[1], f.see)) << i;
            EXPECT_TRUE(closeto(cell[3], f.seeLong)) << i;
            if (intercept) {
                EXPECT_NEAR(f.see, published[i][0], 2e-6);
                EXPECT_NEAR(cell[2], published[i][1], 2e-6);
                EXPECT_NEAR(f.seeLong, published[i][2], 2e-6);
            }
        }
        const HlFit last = hl(0.6f, intercept);
        const std::vector<float> lr = series("hllong"), sr = series("hlshort");
        for (int t = 1; t <= 11; ++t) {
            EXPECT_TRUE(closeto(lr[t], last.longRun[t - 1])) << t;
            EXPECT_TRUE(closeto(sr[t], last.shortRun[t - 1])) << t;
        }
        EXPECT_TRUE(ismissing(lr[0]));
        EXPECT_TRUE(ismissing(sr[12]));
        if (intercept) {
            EXPECT_NEAR(lr[1], 20.7102, 1e-4);
            EXPECT_NEAR(lr[11], 56.3458, 1e-4);
            EXPECT_NEAR(sr[1], 21.8881, 1e-4);
            EXPECT_NEAR(sr[11], 57.4898, 1e-4);
        }
        EXPECT_EQ(hlActive, 'n');
        // No ordinary regression series are written while the search runs.
        EXPECT_TRUE(series("resid").empty());
    }
}

TEST_F(HildrethLu, RhoOneStopsTheSearch) {
    ASSERT_EQ(run(hlcmd, "0.5 1.5 0.25 y = x1, x2"), 0);
    const std::string text = output();
    EXPECT_NE(text.find("\nHL does not work for rho = 1.\n"), std::string::npos);
    EXPECT_NE(text.find("0.750000"), std::string::npos);
    EXPECT_EQ(text.find("    1.000000  "), std::string::npos);
}

TEST_F(HildrethLu, RefusalsEndWithNothingStored) {
    struct Case {
        float start;
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {1991, "", "Need the lower limit of range of rho to be searched.\n"},
        {1991, "0.2", "Need the upper limit of range of rho to be searched.\n"},
        {1991, "0.2 0.6 y", "Need searching step size.\n"},
        {1991, "0.6 0.2 0.2 y = x1", "is above the upper one"},
        {1990, "0.2 0.6 0.2 y = x1", "must start after the first observation"},
        {1991, "0.2 0.6 0.2 y = nosuch", "can't be found"},
    };
    for (const Case& c : cases) {
        limits(c.start, 1999, 2001);
        ASSERT_EQ(run(concmd, "1 1 = a2"), 0);
        EXPECT_EQ(run(hlcmd, c.line), -1) << c.line;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.message;
        EXPECT_TRUE(series("hllong").empty());
        EXPECT_EQ(hlActive, 'n');
        EXPECT_EQ(softConstraints.count, 0);
    }
}

}  // namespace
}  // namespace regresstest

