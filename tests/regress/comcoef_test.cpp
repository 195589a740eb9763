// Common-coefficient regression against pooled least squares computed here on the
// float-rounded data (each equation's rows with zeros in the other equations' own
// coefficients), and the blocks that must not be estimated.
#include <gtest/gtest.h>

#include <cmath>

#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace comcoef_test {

const std::vector<float> wData = {17.7f, 12.8f, 15.0f, 19.8f, 10.2f, 14.7f, 6.6f, 10.3f, 7.5f, 14.4f};

class CommonCoefficients : public RegressFixture {
protected:
    void SetUp() override {
        RegressFixture::SetUp();
        store("w", wData);
        limits(1990, 1999, 1999);
    }
    int block(const std::string& args, std::vector<std::string> lines) {
        lines.insert(lines.begin(), args);
        return replayed(comcoefcmd, std::move(lines));
    }
};

TEST_F(CommonCoefficients, ThePooledFitIsLeastSquaresOnTheStackedRows) {
    ASSERT_EQ(block("2 6", {"r y = x1, x2", "r w = x1, x2", "do"}), 0);
    const std::string text = output();
    std::vector<Column> X;
    Column y;
    for (int t = 0; t < 10; ++t) {
        X.push_back({1.0, x1Data[t], x2Data[t], 0.0});
        y.push_back(yData[t]);
    }
    for (int t = 0; t < 10; ++t) {
        X.push_back({1.0, x1Data[t], 0.0, x2Data[t]});
        y.push_back(wData[t]);
    }
    const std::vector<double> b = leastsquares(X, y);
    const std::vector<Column> inv = inversemoments(X);
    double ssr = 0.0;
    for (std::size_t t = 0; t < X.size(); ++t) {
        double p = 0.0;
        for (int i = 0; i < 4; ++i) p += b[i] * X[t][i];
        ssr += (y[t] - p) * (y[t] - p);
    }
    const double published[4] = {4.31905, 0.85625, 2.38346, -0.99977};
    const double publishedSd[4] = {14.50361, 0.52097, 1.94023, 1.94023};
    const int owners[4] = {0, 0, 1, 2};
    const char* names[4] = {"intercept", "x1", "x2", "x2"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(closeto(beta(i + 1), b[i])) << i;
        EXPECT_NEAR(b[i], published[i], 1e-5);
        const double sd = std::sqrt(ssr / (20 - 4) * inv[i][i]);
        EXPECT_NEAR(sd, publishedSd[i], 1e-5);
        char row[80];
        std::snprintf(row, sizeof row, "\n%2d %2d %-10s %12.5f", i + 1, owners[i], names[i], b[i]);
        EXPECT_NE(text.find(row), std::string::npos) << row << text;
        std::snprintf(row, sizeof row, " %12.5f", sd);
        EXPECT_NE(text.find(row), std::string::npos) << row;
    }
    EXPECT_NE(text.find("Total Number of Observations =   20"), std::string::npos);
    EXPECT_EQ(stat("obs_in_regress"), 20.0f);
    EXPECT_EQ(series("rcoef")[0], 4.0f);
    EXPECT_TRUE(closeto(series("rcoef")[3], b[2]));
}

TEST_F(CommonCoefficients, IncompleteOrRefusedBlocksEstimateNothing) {
    struct Case {
        const char* name;
        std::string args;
        std::vector<std::string> lines;
        const char* message;
    };
    const Case cases[] = {
        {"usage", "2", {}, "Format is comcoef <m> <n>"},
        {"more common than total", "3 2", {}, "Format is comcoef <m> <n>"},
        {"quit", "2 6", {"r y = x1, x2", "quit"}, ""},
        {"no do", "2 6", {"r y = x1, x2", "r w = x1, x2"}, "the input ended before \"do\""},
        {"fewer than m coefficients", "2 6", {"r y = x1, x2", "r w = ! x1", "do"}, "fewer than the 2 common"},
        {"a total past n", "1 3", {"r y = x1, x2", "r w = x1, x2", "do"}, "more than 3"},
        {"names past the area", "1 2", {"r y = x1 + x2 + x1 + x2 + x1", "do"}, "more than 24 characters"},
        {"bad equation", "2 6", {"r y = nosuch", "do"}, "can't be found"},
        {"a bad code is skipped, the rest goes on", "2 6", {"frobnicate", "quit"}, "\n bad code "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(block(c.args, c.lines), 0);
        const std::string text = output();
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(text.find("Common Coefficient Regression"), std::string::npos);
        EXPECT_TRUE(series("rcoef").empty());
        EXPECT_TRUE(regressionResults.empty());
    }
}

}  // namespace
}  // namespace regresstest

