#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "functions_fixture.h"
#include "regress/regress_state.h"
#include "series/functions_stats.h"

namespace functions_stats_test {

using seriestest::AtCall;
using seriestest::LaneWidth;
using seriestest::expectSeries;
using seriestest::M;

namespace {

TEST(StatsKernels, MeanAndStandardDeviationByHand) {
    // 2 4 4 4 5 5 7 9: mean 40/8 = 5, squared deviations 9+1+1+1+0+0+4+16 = 32, sample
    // variance 32/7.
    const std::vector<float> x = {2, 4, M, 4, 4, 5, 5, 7, 9};
    EXPECT_FLOAT_EQ(meankernel(x.data(), 0, 8), 5.0f);
    EXPECT_NEAR(stdevkernel(x.data(), 0, 8), std::sqrt(32.0 / 7.0), 1e-6);
    // One valid value: variance divided by 1 is 0; a constant series: 0; none: missing.
    EXPECT_EQ(stdevkernel(x.data(), 1, 2), 0.0f);
    const std::vector<float> c = {3, 3, 3};
    EXPECT_EQ(stdevkernel(c.data(), 0, 2), 0.0f);
    EXPECT_TRUE(ismissing(stdevkernel(x.data(), 2, 2)));
    EXPECT_TRUE(ismissing(meankernel(x.data(), 2, 2)));
}

TEST(StatsKernels, CompoundGrowth) {
    std::vector<float> x(11, 0.0f);
    x[0] = 100;
    x[10] = 200;
    EXPECT_NEAR(ggrkernel(x.data(), 0, 10), 100.0 * (std::pow(2.0, 0.1) - 1.0), 1e-4);  // about 7.177
    x[10] = 0;
    EXPECT_FLOAT_EQ(ggrkernel(x.data(), 0, 10), -100.0f);
    x[0] = -100;
    x[10] = 200;
    EXPECT_TRUE(ismissing(ggrkernel(x.data(), 0, 10)));
    x[0] = 0;
    EXPECT_TRUE(ismissing(ggrkernel(x.data(), 0, 10)));
    x[0] = M;
    EXPECT_TRUE(ismissing(ggrkernel(x.data(), 0, 10)));
    // Equal dates: no growth period, so no rate (and no division by zero).
    x[3] = 50;
    EXPECT_TRUE(ismissing(ggrkernel(x.data(), 3, 3)));
}

TEST(StatsKernels, ExtremesAndSums) {
    const std::vector<float> x = {3, M, -7, 12, 5};
    EXPECT_EQ(extremekernel(x.data(), 0, 4, true), 12.0f);
    EXPECT_EQ(extremekernel(x.data(), 0, 4, false), -7.0f);
    EXPECT_TRUE(ismissing(extremekernel(x.data(), 1, 1, true)));

    std::vector<float> s = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(sumkernel(s.data(), 6, 1, 3), 0);
    expectSeries(s, {0, 0, 0, 9, 0, 0}, "sum");
    // Limits beyond the series are cut to it; limits wholly outside are refused.
    std::vector<float> t = {1, 2, 3, 4};
    ASSERT_EQ(sumkernel(t.data(), 4, -3, 99), 0);
    expectSeries(t, {0, 0, 0, 10}, "cut sum");
    std::vector<float> u = {1, 2, 3, 4};
    EXPECT_EQ(sumkernel(u.data(), 4, 5, 9), -1);
    EXPECT_EQ(sumkernel(u.data(), 4, -9, -1), -1);
    expectSeries(u, {1, 2, 3, 4}, "untouched");
}

// The kernels add the values in several chains, compare several at a time and square several at
// a time (adding the squares in order) where that cannot change a bit of the result. Checked against the definition written out here (one pass in
// index order, double sums, missing values left out) on spans of many kinds: ordinary data,
// values over a wide range of magnitudes, tiny and subnormal values, zeros of both signs,
// infinities, NaNs, missing values and large values that cancel, at every length up to 70 and every start;
// in every version of the passes the machine runs (4, 8 and 16 lanes).
TEST(StatsKernels, FastPassesGiveTheBitsOfTheOneInOrder) {
    auto mean = [](const std::vector<float>& x, int j, int v) {
        double sum = 0.0;
        int count = 0;
        for (int i = j; i <= v; ++i)
            if (!ismissing(x[i])) sum += x[i], ++count;
        return count == 0 ? M : static_cast<float>(sum / count);
    };
    auto stdev = [](const std::vector<float>& x, int j, int v) {
        double sum = 0.0;
        int count = 0;
        for (int i = j; i <= v; ++i)
            if (!ismissing(x[i])) sum += x[i], ++count;
        if (count == 0) return M;
        const double mean = sum / count;
        double squares = 0.0;
        for (int i = j; i <= v; ++i)
            if (!ismissing(x[i])) squares += (x[i] - mean) * (x[i] - mean);
        const double variance = squares / (count > 1 ? count - 1 : 1);
        return variance > 0.00000001 ? static_cast<float>(std::sqrt(variance)) : 0.0f;
    };
    auto sum = [](const std::vector<float>& x, int j, int v) {
        double s = 0.0;
        for (int i = j; i <= v; ++i) s += x[i];
        return static_cast<float>(s);
    };
    auto extreme = [](const std::vector<float>& x, int j, int v, bool wantMax) {
        const double start = wantMax ? -static_cast<double>(FLT_MAX) : static_cast<double>(FLT_MAX);
        double best = start;
        for (int i = j; i <= v; ++i)
            if (!ismissing(x[i]) && (wantMax ? x[i] > best : x[i] < best)) best = x[i];
        return std::fabs(best - start) <= 1.0 ? M : static_cast<float>(best);
    };
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        LaneWidth lanesUsed(width);
        for (int kind = 0; kind < 8; ++kind) {
            for (int trial = 0; trial < 40; ++trial) {
                std::vector<float> x(80);
                for (float& f : x) {
                    const float u = unit(random);
                    switch (kind) {
                    case 0: f = 100.0f + 900.0f * u; break;                        // ordinary
                    case 1: f = std::ldexp(u - 0.5f, static_cast<int>(random() % 60) - 30); break;
                    case 2: f = std::ldexp(u, -140 + static_cast<int>(random() % 20)); break;  // subnormal
                    case 3: f = random() % 3 == 0 ? -0.0f : random() % 2 ? 0.0f : u - 0.5f; break;
                    case 4: f = random() % 5 == 0 ? M : 1.0f + u; break;                    // missing
                    case 5: f = random() % 9 == 0 ? (random() % 2 ? INFINITY : -INFINITY) : u; break;
                    case 6: f = random() % 9 == 0 ? NAN : 1e30f * u - 1e29f; break;
                    default:  // large values that cancel, leaving the small ones' rounding
                        f = random() % 3 == 0 ? (random() % 2 ? 0x1p30f : -0x1p30f) : u; break;
                    }
                }
                for (int j = 0; j < 10; ++j)
                    for (int v = j; v < j + 70; ++v) {
                        EXPECT_EQ(bits(meankernel(x.data(), j, v)), bits(mean(x, j, v))) << kind << " " << j << " " << v;
                        EXPECT_EQ(bits(stdevkernel(x.data(), j, v)), bits(stdev(x, j, v))) << kind << " " << j << " " << v;
                        EXPECT_EQ(bits(extremekernel(x.data(), j, v, true)), bits(extreme(x, j, v, true)))
                            << kind << " " << j << " " << v;
                        EXPECT_EQ(bits(extremekernel(x.data(), j, v, false)), bits(extreme(x, j, v, false)))
                            << kind << " " << j << " " << v;
                        std::vector<float> y = x;
                        ASSERT_EQ(sumkernel(y.data(), v + 1, j, v), 0);
                        EXPECT_EQ(bits(y[v]), bits(sum(x, j, v))) << kind << " " << j << " " << v;
                    }
            }
        }
    }
}

class StatsHandlers : public seriestest::FunctionFixture {
protected:
    void SetUp() override {
        FunctionFixture::SetUp();
        // 1990..1995: 10 20 missing 30 40 50, then 60 from 1996.
        std::vector<float> x = {10, 20, M, 30, 40, 50};
        for (int i = 6; i < obs; ++i) x.push_back(60);
        store("x", x);
        store("none", {M, M, M, M, M, M});
    }
};

TEST_F(StatsHandlers, MeanFillsTheFRange) {
    setfdates(1992, 1994);
    AtCall r = call(atmean, "(x, 1990, 1995)");
    ASSERT_EQ(r.code, 0) << output();
    // (10 + 20 + 30 + 40 + 50) / 5.
    expectSeries(r.values, {10, 20, 30, 30, 30, 50, 60}, "@mean over 1992-1994");
    EXPECT_EQ(r.text, "(x,1990,1995)");
    EXPECT_EQ(r.frequency, 1);

    AtCall none = call(atmean, "(none, 1990, 1995)");
    ASSERT_EQ(none.code, 0);
    EXPECT_TRUE(ismissing(none.values[3]));

    AtCall sd = call(atstdev, "(x, 1990, 1995)");
    ASSERT_EQ(sd.code, 0);
    // Deviations from 30: -20 -10 0 10 20 -> 1000 / 4.
    EXPECT_NEAR(sd.values[2], std::sqrt(250.0), 1e-4);
}

TEST_F(StatsHandlers, DateChecksAndTheirMessages) {
    struct Case {
        AtHandler handler;
        const char* line;
        const char* message;
        const char* label;
    };
    const Case cases[] = {
        {atmean, "(x, 1900, 1995)", "Error:  In @mean(), first date is before start date in jex.cfg.", "@mean"},
        {atmean, "(x, 2100, 2101)", "Error:  In @mean(), first date exceeds the end of the workspace.", "@mean"},
        {atstdev, "(x, 1990, 1900)", "Error:  In @stdev(), second date is before start date in jex.cfg.", "@stdev"},
        {atggr, "(x, 1990, 2100)", "Error:  In @ggr(), second date exceeds the end of the workspace.", "@ggr"},
        {atmax, "(x, 1995, 1990)", "Error:  In @max(), second date must come after the first.", "@max"},
        {atmean, "(x, 1995, 1990)", "Error:  In @mean(), second date must come after the first.", "@mean"},
        {atmin, "(x, 1990 1995)", nullptr, "@min"},
        {atmean, "(x)", nullptr, "@mean"},
    };
    for (const Case& c : cases) {
        AtCall r = call(c.handler, c.line);
        EXPECT_NE(r.code, 0) << c.line;
        if (c.message != nullptr) {
            EXPECT_TRUE(printed(c.message)) << c.line << output();
        }
        EXPECT_TRUE(printed(std::string(" error in ") + c.label + " function")) << c.line;
        output();
    }
}

TEST_F(StatsHandlers, SumOverTheRegressionLimits) {
    // Limits 1990-1999: 10 + 20 + missing + 30 + 40 + 50 + 4 x 60 = 390 (the missing value
    // adds -0.000001, below a float's resolution at 390), at 1999; 0 elsewhere.
    fitStart = 1990;
    fitEnd = 1999;
    AtCall r = call(atsum, "(x)");
    ASSERT_EQ(r.code, 0) << output();
    for (int i = 0; i < obs; ++i) EXPECT_EQ(r.values[i], i == 9 ? 390.0f : 0.0f) << i;
    EXPECT_EQ(r.text, "(x)");
    EXPECT_EQ(r.frequency, 1);
    // A last limit past the workspace is cut at its last observation (2009).
    fitStart = 1995;
    fitEnd = 2050;
    AtCall cut = call(atsum, "(x)");
    ASSERT_EQ(cut.code, 0);
    EXPECT_EQ(cut.values[obs - 1], 50.0f + 14 * 60.0f);
    EXPECT_EQ(cut.values[5], 0.0f);
}

TEST_F(StatsHandlers, SumNeedsLimitsInsideTheWorkspace) {
    struct Case {
        float start, end;
        const char* message;
    };
    const Case cases[] = {
        {0, 0, "Error:  In @sum(), no regression limits are set."},
        {1995, 0, "Error:  In @sum(), no regression limits are set."},
        {2030, 2040, "Error:  In @sum(), the regression limits lie outside the workspace."},
        {1970, 1980, "Error:  In @sum(), the regression limits lie outside the workspace."},
    };
    for (const Case& c : cases) {
        fitStart = c.start;
        fitEnd = c.end;
        AtCall r = call(atsum, "(x)");
        EXPECT_NE(r.code, 0) << c.start;
        EXPECT_TRUE(printed(c.message)) << c.start << output();
        EXPECT_TRUE(printed(" error in @sum function")) << c.start;
        output();
    }
    fitStart = 1990;
    fitEnd = 1999;
    EXPECT_NE(call(atsum, "(x, 2)").code, 0);
    EXPECT_TRUE(printed(" error in @sum function"));
}

TEST_F(StatsHandlers, ExtremesOverTheRangeOrDatesAndGrowth) {
    AtCall whole = call(atmax, "(x)");
    ASSERT_EQ(whole.code, 0);
    EXPECT_EQ(whole.values[0], 60.0f);
    EXPECT_EQ(whole.values[obs - 1], 60.0f);
    AtCall span = call(atmin, "(x, 1991, 1993)");
    ASSERT_EQ(span.code, 0);
    EXPECT_EQ(span.values[5], 20.0f);

    setfdates(1990, 1990);
    AtCall g = call(atggr, "(x, 1990, 1993)");
    ASSERT_EQ(g.code, 0);
    EXPECT_NEAR(g.values[0], 100.0 * (std::pow(3.0, 1.0 / 3.0) - 1.0), 1e-4);
    EXPECT_EQ(g.values[1], 20.0f);
    AtCall same = call(atggr, "(x, 1993, 1993)");
    ASSERT_EQ(same.code, 0);
    EXPECT_TRUE(ismissing(same.values[0]));
}

}  // namespace

}  // namespace functions_stats_test
