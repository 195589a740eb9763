#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "functions_fixture.h"
#include "series/functions_growth.h"

namespace functions_growth_test {

using seriestest::AtCall;
using seriestest::expectSeries;
using seriestest::M;

namespace {

TEST(GrowthKernels, PercentChangeAndYearOnYear) {
    std::vector<float> x = {100, 110, 99, 0, 5, M, 3};
    pctkernel(x.data(), 7);
    expectSeries(x, {M, 10, -10, -100, M, M, M}, "pct");

    // Quarterly lag 4: the current value near zero is missing too.
    std::vector<float> q = {100, 200, 50, 10, 110, 0, 55, 12};
    yoykernel(q.data(), 8, 4);
    expectSeries(q, {M, M, M, M, 10, M, 10, 20}, "yoy");
    // A constant (lag 0) compares each value with itself.
    std::vector<float> c = {3, 3, 3};
    yoykernel(c.data(), 3, 0);
    expectSeries(c, {0, 0, 0}, "yoy of a constant");
}

TEST(GrowthKernels, LevelsForwardAndBackwardFromTheBase) {
    const int n = 10;
    std::vector<float> pct(n, 2.0f);
    std::vector<float> level = {50, 50, 50, 50, 100, M, M, M, M, 7};
    pclkernel(level.data(), pct.data(), n, 5, 8, 'f');
    expectSeries(level, {50, 50, 50, 50, 100, 102, 104.04f, 106.1208f, 108.243216f, 7}, "forward");

    // Backward from the level after the range: level[i] = level[i+1] / 1.02.
    std::vector<float> back = {M, M, M, M, M, 200, 300, 0, 0, 0};
    pclkernel(back.data(), pct.data(), n, 1, 4, 'b');
    expectSeries(back, {M, 200 / 1.02f / 1.02f / 1.02f / 1.02f, 200 / 1.02f / 1.02f / 1.02f, 200 / 1.02f / 1.02f,
                        200 / 1.02f, 200, 300, 0, 0, 0},
                 "backward");

    // A backward range that reaches the last observation starts one earlier: the last
    // observation is the base and nothing beyond the series is read.
    std::vector<float> edge(n + 1, 1.0e9f);  // the entry after the series holds rubbish
    for (int i = 0; i < n; ++i) edge[i] = M;
    edge[n - 1] = 102;
    pclkernel(edge.data(), pct.data(), n, 7, n, 'b');
    expectSeries(edge, {M, M, M, M, M, M, M, 102 / 1.02f / 1.02f, 100, 102}, "backward at the end");
}

TEST(GrowthKernels, PeakAndMovingAverage) {
    std::vector<float> x = {10, 5, 5, 20, 0};
    peakkernel(x.data(), 5, 0.1f);
    expectSeries(x, {10, 9, 8.1f, 20, 18}, "peak");

    std::vector<float> y(16);
    for (int i = 0; i < 16; ++i) y[i] = static_cast<float>(i * i);
    std::vector<float> ma = y;
    const float third[3] = {1.0f / 3, 1.0f / 3, 1.0f / 3};
    makernel(ma.data(), 16, 10, 14, 3, third);
    EXPECT_TRUE(ismissing(ma[10]) && ismissing(ma[11]));
    EXPECT_NEAR(ma[12], (100 + 121 + 144) / 3.0f, 1e-3);
    EXPECT_NEAR(ma[14], (144 + 169 + 196) / 3.0f, 1e-3);  // the range's last observation too
    EXPECT_EQ(ma[9], 81.0f);                               // outside the range x stays
    EXPECT_EQ(ma[15], 225.0f);

    std::vector<float> w = {1, 2, M, 4, 8};
    const float weights[2] = {0.25f, 0.75f};
    makernel(w.data(), 5, 0, 4, 2, weights);
    expectSeries(w, {M, 1.75f, M, M, 7}, "weighted");
}

// The kernel sums all windows together; each window must still give, bit for bit, the sum
// of its own products in the order of the weights, and missing wherever it holds a missing
// value. Checked against the window-by-window rule on long series with missing values
// scattered and in runs, for several widths and ranges.
TEST(GrowthKernels, MovingAverageEqualsTheWindowByWindowRule) {
    std::vector<float> base(1999);
    unsigned state = 12345;
    for (std::size_t i = 0; i < base.size(); ++i) {
        state = state * 1103515245u + 12345u;
        base[i] = static_cast<float>((state >> 8) % 100000) / 37.0f - 900.0f;
        if ((state >> 4) % 53 == 0) base[i] = M;
    }
    for (int i = 700; i < 712; ++i) base[static_cast<std::size_t>(i)] = M;
    const float weights[7] = {0.1f, 0.3f, 1.0f / 3, 0.7f, 1e-3f, 2.5f, -0.4f};
    struct Range {
        int f1, f2;
    };
    for (int count : {1, 2, 3, 5, 7}) {
        for (Range r : {Range{0, 1998}, Range{3, 1000}, Range{690, 720}, Range{1995, 1998}, Range{5, 6}}) {
            std::vector<float> got = base;
            makernel(got.data(), 1999, r.f1, r.f2, count, weights);
            for (int t = 0; t < 1999; ++t) {
                float want = base[static_cast<std::size_t>(t)];
                if (t >= r.f1 && t <= r.f2) {
                    want = M;
                    if (t - count + 1 >= r.f1) {
                        float sum = 0.0f;
                        bool missing = false;
                        for (int k = 0; k < count && !missing; ++k) {
                            const float v = base[static_cast<std::size_t>(t - count + 1 + k)];
                            missing = ismissing(v);
                            sum += weights[k] * v;
                        }
                        if (!missing) want = sum;
                    }
                }
                ASSERT_EQ(std::bit_cast<std::uint32_t>(got[static_cast<std::size_t>(t)]), std::bit_cast<std::uint32_t>(want))
                    << "count " << count << " range " << r.f1 << "-" << r.f2 << " at " << t;
            }
        }
    }
}

class GrowthHandlers : public seriestest::FunctionFixture {
protected:
    void SetUp() override {
        FunctionFixture::SetUp();
        store("x", {100, 110, 99});
        store("lev", {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100});
        store("g", std::vector<float>(20, 2.0f));
    }
};

TEST_F(GrowthHandlers, PercentChangeThroughTheHandler) {
    AtCall r = call(atpct, "(x)");
    ASSERT_EQ(r.code, 0);
    expectSeries(r.values, {M, 10, -10, M}, "@pct(x)");
    EXPECT_EQ(r.text, "(x)");
    EXPECT_EQ(r.frequency, 1);
}

TEST_F(GrowthHandlers, LevelsOverTheFRange) {
    setfdates(2001, 2005);
    AtCall r = call(atpcl, "(lev, g)");
    ASSERT_EQ(r.code, 0) << output();
    EXPECT_NEAR(r.values[11], 102.0f, 1e-4);
    EXPECT_NEAR(r.values[15], 100 * std::pow(1.02f, 5.0f), 1e-3);
    EXPECT_EQ(r.values[10], 100.0f);
    EXPECT_TRUE(ismissing(r.values[16]));  // lev was missing there and stays
    EXPECT_EQ(r.text, "(lev,g)");
    // Backward from the level after the range.
    store("known", {M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, 102});
    setfdates(2001, 2005);
    AtCall back = call(atpcl, "(known, g, b)");
    ASSERT_EQ(back.code, 0) << output();
    EXPECT_NEAR(back.values[15], 100.0f, 1e-4);
    EXPECT_NEAR(back.values[11], 102 / std::pow(1.02f, 5.0f), 1e-3);
    EXPECT_TRUE(ismissing(back.values[10]));
    EXPECT_EQ(back.text, "(known,g,b)");
    // Without f dates the chain runs over the whole workspace from the first observation.
    setfdates(-1, -1);
    AtCall whole = call(atpcl, "(lev, g)");
    ASSERT_EQ(whole.code, 0);
    EXPECT_EQ(whole.values[0], 100.0f);
    EXPECT_NEAR(whole.values[obs - 1], 100 * std::pow(1.02f, static_cast<float>(obs - 1)), 1e-2);
    AtCall bad = call(atpcl, "(lev g)");
    EXPECT_NE(bad.code, 0);
    EXPECT_TRUE(printed("@pcl(level, pct) in which pct of 1 means 1%."));
}

TEST_F(GrowthHandlers, PeakStoresItsSeries) {
    store("y", {10, 5, 5, 20}, 4);
    AtCall r = call(atpeak, "(pk, y, 0.1)");
    ASSERT_EQ(r.code, 0) << output();
    expectSeries(series("pk"), {10, 9, 8.1f, 20}, "stored peak");
    EXPECT_EQ(frequencyOf("pk"), 4);
    EXPECT_EQ(call(atpeak, "(pk, y, z)").code, -1);
    EXPECT_TRUE(printed("syntax error in @peak(output,input,spill)"));
}

TEST_F(GrowthHandlers, MovingAverageArguments) {
    setfdates(2000, 2005);
    AtCall r = call(atma, "(g, 2, 0.25, 0.75)");
    ASSERT_EQ(r.code, 0) << output();
    EXPECT_TRUE(ismissing(r.values[10]));
    EXPECT_NEAR(r.values[11], 2.0f, 1e-6);
    EXPECT_EQ(r.text, "(g,2,0.25,0.75)");
    for (const char* line : {"(g, 21)", "(g, 0)", "(g, 2, 0.5)", "(g, 2, 0.5, 0.5, 0.5)", "(g, 2, 0.5, x)"}) {
        EXPECT_NE(call(atma, line).code, 0) << line;
        EXPECT_TRUE(printed(" error in @ma function")) << line;
        output();
    }
}

}  // namespace

}  // namespace functions_growth_test
