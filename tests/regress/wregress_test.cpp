// Share regression against least squares computed here on the float-rounded logarithms:
// the full fit, the fit with both bounds fixed, and a shortened fit period; the screening
// lines; and the fit period that must come back after every command.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "interp/switches.h"
#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace wregress_test {

const std::vector<float> t1 = {1.014f, 1.110f, 1.029f, 1.217f, 1.198f, 1.218f, 1.268f, 1.307f, 1.391f, 1.483f};
const std::vector<float> t2 = {101.2f, 104.3f, 102.6f, 105.9f, 116.1f, 118.2f, 124.7f, 126.0f, 124.1f, 133.9f};
const std::vector<float> t3 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const std::vector<float> s1 = {0.2653f, 0.2404f, 0.2547f, 0.2132f, 0.2311f, 0.2300f, 0.2247f, 0.2195f, 0.1946f, 0.1920f};
const std::vector<float> s2 = {0.1410f, 0.1050f, 0.1436f, 0.0758f, 0.1319f, 0.1346f, 0.1475f, 0.1348f, 0.0942f, 0.1012f};

double lg(float v) { return std::log(static_cast<double>(v)); }

class ShareRegression : public RegressFixture {
protected:
    void SetUp() override {
        RegressFixture::SetUp();
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        std::snprintf(currentTitle, sizeof currentTitle, "share test");
        store("T1", t1);
        store("T2", t2);
        store("T3", t3);
        limits(1990, 1999, 1999);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        currentTitle[0] = 0;
        RegressFixture::TearDown();
    }
    // The lines of rcoef.dat.
    std::vector<std::string> lines() {
        std::ifstream f(dir / "rcoef.dat");
        std::vector<std::string> v;
        for (std::string l; std::getline(f, l);) v.push_back(l);
        return v;
    }
    // The numbers after the title of a result line.
    static std::vector<double> numbers(const std::string& line) {
        std::vector<double> v;
        std::size_t p = 62;
        while (p < line.size()) {
            std::size_t used = 0;
            v.push_back(std::stod(line.substr(p), &used));
            p += used;
        }
        return v;
    }
    std::filesystem::path previous;
};

TEST_F(ShareRegression, TheFullFitAndTheFitAtBothBoundsAreLeastSquares) {
    store("s", s1);
    ASSERT_EQ(run(wregresscmd, "s = T1, T2, T3"), 0);
    store("s", s2);
    ASSERT_EQ(run(wregresscmd, "s = T1, T2, T3"), 0);
    const std::vector<std::string> l = lines();
    ASSERT_EQ(l.size(), 2u);
    const std::string title = std::string(50, ' ') + "share test  ";
    EXPECT_EQ(l[0], title + "-5.711 -1.188  0.956 -0.015 0.01 -0.74 1.00");
    EXPECT_EQ(l[1], title + "-20.413 -4.000  4.000  0.013 0.04 -0.13 1.00");

    // Configuration 1 on the first shares.
    std::vector<Column> X;
    Column y;
    for (int t = 0; t < 10; ++t) {
        X.push_back({1.0, lg(t1[t]), lg(t2[t]), t3[t]});
        y.push_back(lg(s1[t]));
    }
    std::vector<double> b = leastsquares(X, y);
    std::vector<double> got = numbers(l[0]);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], b[i], 0.0005) << i;
    // The second shares: the full fit breaks both bounds (b1 -4.92, b2 5.01) ...
    y.clear();
    for (int t = 0; t < 10; ++t) y.push_back(lg(s2[t]));
    b = leastsquares(X, y);
    EXPECT_NEAR(b[1], -4.92, 0.005);
    EXPECT_NEAR(b[2], 5.01, 0.005);
    // ... so b1 = -4 and b2 = 4 are fixed and only the intercept and b3 estimated.
    std::vector<Column> X2;
    Column y2;
    for (int t = 0; t < 10; ++t) {
        X2.push_back({1.0, t3[t]});
        y2.push_back(lg(s2[t]) + 4 * lg(t1[t]) - 4 * lg(t2[t]));
    }
    b = leastsquares(X2, y2);
    got = numbers(l[1]);
    EXPECT_NEAR(got[0], b[0], 0.0005);
    EXPECT_NEAR(got[3], b[1], 0.0005);
    EXPECT_TRUE(regressionResults.empty());
}

TEST_F(ShareRegression, AShortenedFitPeriodIsPutBackForTheNextCommand) {
    std::vector<float> s = s1;
    s[0] = s[1] = s[2] = 0.0f;
    store("s", s);
    ASSERT_EQ(run(wregresscmd, "s = T1, T2, T3"), 0);
    EXPECT_EQ(fitStart, 1990.0f);
    ASSERT_EQ(run(wregresscmd, "s = T1, T2, T3"), 0);
    const std::vector<std::string> l = lines();
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], l[1]);
    // The full fit of 1993 .. 1999 is accepted.
    const std::vector<double> got = numbers(l[0]);
    std::vector<Column> X;
    Column y;
    for (int t = 3; t < 10; ++t) {
        X.push_back({1.0, lg(t1[t]), lg(t2[t]), t3[t]});
        y.push_back(lg(s[t]));
    }
    const std::vector<double> b = leastsquares(X, y);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], b[i], 0.0005) << i;
}

TEST_F(ShareRegression, ScreeningLinesAndRefusals) {
    struct Case {
        std::vector<float> share;
        const char* line;
    };
    const Case cases[] = {
        {std::vector<float>(10, 0.0f), "Zero shares."},
        {{0, 1, 0, 1, 0, 0, 0, 1, 1, 1}, "Monopoly."},
        {{.1f, .2f, .3f, .1f, .2f, .2f, .3f, .2f, 0, .2f}, "Not enough significant shares."},
    };
    for (const Case& c : cases) {
        store("s", c.share);
        regZip = 'n';
        EXPECT_EQ(run(wregresscmd, "s = T1, T2, T3"), 0);
        EXPECT_NE(output().find(c.line), std::string::npos) << c.line;
        EXPECT_EQ(lines().back(), std::string(50, ' ') + "share test  " + c.line);
        EXPECT_EQ(regZip, 'y');  // until the next wregress begins
    }
    store("s", s1);
    const std::size_t before = lines().size();
    EXPECT_EQ(run(wregresscmd, "s = T1, T2"), 0);
    EXPECT_NE(output().find("needs the three terms"), std::string::npos);
    EXPECT_EQ(lines().size(), before);
    EXPECT_EQ(regZip, 'n');
    EXPECT_EQ(run(wregresscmd, "s T1"), -1);
    EXPECT_NE(output().find("An = sign is expected"), std::string::npos);
}

}  // namespace
}  // namespace regresstest

