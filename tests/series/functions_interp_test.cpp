#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "functions_fixture.h"
#include "core/numfuncs.h"
#include "series/functions_interp.h"

namespace functions_interp_test {

using seriestest::AtCall;
using seriestest::expectSeries;
using seriestest::M;

namespace {

std::vector<float> series(std::initializer_list<float> values, int n) {
    std::vector<float> x(static_cast<std::size_t>(n), M);
    std::copy(values.begin(), values.end(), x.begin());
    return x;
}

TEST(InterpolationKernels, FlowsRisingLinearlyComeOutExactly) {
    // Annual flows 10 + 4p are the integrals of the rate 8 + 4t over each year, whose
    // cumulative sum is quadratic: the cubic through the cumulated knots is exact, and
    // quarter j of year p is the rate at its middle, 8 + 4 (p + (2j + 1) / 8).
    std::vector<float> x = series({10, 14, 18, 22, 26}, 24);
    ASSERT_EQ(interpkernel(x.data(), 24, 'q', 'n'), 0);
    for (int p = 0; p < 5; ++p) {
        double sum = 0;
        for (int j = 0; j < 4; ++j) {
            const float got = x[static_cast<std::size_t>(p * 4 + j)];
            EXPECT_NEAR(got, 8 + 4 * (p + (2 * j + 1) / 8.0), 1e-4) << p << " " << j;
            sum += got;
        }
        EXPECT_NEAR(sum, 4 * (10 + 4 * p), 1e-3);
    }
    EXPECT_TRUE(ismissing(x[20]));

    std::vector<float> c = series({5, 5, 5}, 16);
    ASSERT_EQ(interpkernel(c.data(), 16, 'q', 'n'), 0);
    expectSeries(c, {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, M, M, M, M}, "constant");
}

TEST(InterpolationKernels, MonthlyAveragesAndSemiannualStayExact) {
    // An uneven quarterly series: every quarter's three months average to it.
    const float q[6] = {3, 8, 2, 7, 7, 1};
    std::vector<float> x = series({3, 8, 2, 7, 7, 1}, 20);
    ASSERT_EQ(interpkernel(x.data(), 20, 'm', 'n'), 0);
    for (int p = 0; p < 6; ++p) {
        const double mean = (x[p * 3] + x[p * 3 + 1] + x[p * 3 + 2]) / 3.0;
        EXPECT_NEAR(mean, q[p], 2e-5 * 10) << p;
    }
    std::vector<float> s = series({4, 6, 10}, 8);
    ASSERT_EQ(interpkernel(s.data(), 8, 's', 'n'), 0);
    EXPECT_NEAR((s[0] + s[1]) / 2, 4, 1e-5);
    EXPECT_NEAR((s[4] + s[5]) / 2, 10, 1e-5);
}

TEST(InterpolationKernels, LevelsPassThroughTheEndOfEachPeriod) {
    std::vector<float> x = series({10, 20, 30, 40}, 20);
    ASSERT_EQ(interpkernel(x.data(), 20, 'q', 'y'), 0);
    expectSeries(x, {M, M, M, 10, 12.5f, 15, 17.5f, 20, 22.5f, 25, 27.5f, 30, 32.5f, 35, 37.5f, 40, M}, "atoqe");
}

TEST(InterpolationKernels, ASourceShorterThanOneWindowIsRefused) {
    std::vector<float> two = series({M, 10, 20}, 12);
    const std::vector<float> before = two;
    EXPECT_EQ(interpkernel(two.data(), 12, 'q', 'n'), -1);
    EXPECT_EQ(two, before);
    std::vector<float> three = series({10, 20, 30}, 12);
    EXPECT_EQ(interpkernel(three.data(), 12, 'q', 'y'), -1);
    std::vector<float> none(12, M);
    EXPECT_EQ(interpkernel(none.data(), 12, 'q', 'n'), -1);
    std::vector<float> ind(12, 1.0f);
    std::vector<float> short2 = series({10, 20}, 12);
    EXPECT_EQ(ininkernel(short2.data(), ind.data(), 12, 4), -1);
}

TEST(InterpolationKernels, IndicatorShapesTheQuarters) {
    const int n = 24;
    // A constant indicator gives the same quarters as the plain interpolation.
    std::vector<float> plain = series({10, 14, 19, 22, 30}, n);
    std::vector<float> withIndicator = plain;
    std::vector<float> flat(n, 2.0f);
    ASSERT_EQ(interpkernel(plain.data(), n, 'q', 'n'), 0);
    ASSERT_EQ(ininkernel(withIndicator.data(), flat.data(), n, 4), 0);
    for (int i = 0; i < 20; ++i) EXPECT_NEAR(withIndicator[i], plain[i], 1e-3) << i;
    EXPECT_EQ(withIndicator[20], 0.0f);  // outside the years of x: 0

    // An indicator growing in the second half of every year: later quarters get more, and
    // each year's quarters still average to the annual value.
    std::vector<float> grow(n);
    for (int i = 0; i < n; ++i) grow[i] = i % 4 < 2 ? 1.0f : 3.0f;
    std::vector<float> x = series({10, 10, 10, 10}, n);
    ASSERT_EQ(ininkernel(x.data(), grow.data(), n, 4), 0);
    for (int p = 0; p < 4; ++p) {
        EXPECT_NEAR((x[p * 4] + x[p * 4 + 1] + x[p * 4 + 2] + x[p * 4 + 3]) / 4, 10, 1e-3) << p;
        EXPECT_GT(x[p * 4 + 3], x[p * 4]) << p;
    }
    // An indicator that is 0 over a whole year of a window cannot place that year.
    std::vector<float> gap(n, 1.0f);
    for (int i = 4; i < 8; ++i) gap[i] = 0.0f;
    std::vector<float> y = series({10, 10, 10, 10}, n);
    EXPECT_EQ(ininkernel(y.data(), gap.data(), n, 4), -2);
    // An annual series whose windows need quarters beyond the series.
    std::vector<float> late(n, M);
    for (int i = 3; i < 8; ++i) late[i] = 5;
    EXPECT_EQ(ininkernel(late.data(), flat.data(), n, 4), -2);
}

// The first and last observation that is not missing.
bool validspan(const float* x, int n, int& first, int& last) {
    first = 0;
    while (first < n && ismissing(x[first])) ++first;
    if (first == n) return false;
    last = n - 1;
    while (ismissing(x[last])) --last;
    return true;
}

// The indicator interpolation as its rule reads, one sub-period point at a time.
int ininonebyone(float* x, const float* indicator, int n, int ratio) {
    const int a = ratio;
    int first = 0;
    int last = 0;
    if (!validspan(x, n, first, last) || last - first + 1 < 3) return -1;
    std::vector<float> result, C, Z;
    result.assign(static_cast<std::size_t>(n), 0.0f);
    C.assign(static_cast<std::size_t>(3 * a + 1), 0.0f);
    Z.assign(static_cast<std::size_t>(3 * a + 1), 0.0f);
    for (int i = first; i < last - 1; ++i) {
        // The window covers the sub-periods i*a .. (i+3)*a - 1, all inside the series.
        if ((i + 3) * a > n) return -2;
        C[0] = 0.0f;
        for (int k = 1; k <= 3 * a; ++k) C[k] = C[k - 1] + indicator[i * a + k - 1];
        float Y[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        float X[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int m = 1; m <= 3; ++m) {
            Y[m] = Y[m - 1] + x[i + m - 1];
            X[m] = C[m * a];
        }
        const int lo = i == first ? 0 : a;
        const int hi = i == last - 2 ? 3 * a : 2 * a;
        for (int k = lo; k <= hi; ++k) {
            float w[4];
            if (lagrangeweights(C[k], w, X) == 0) return -2;
            Z[k] = w[0] * Y[0] + w[1] * Y[1] + w[2] * Y[2] + w[3] * Y[3];
        }
        for (int k = lo; k < hi; ++k) result[static_cast<std::size_t>(i * a + k)] = (Z[k + 1] - Z[k]) * a;
    }
    for (int i = 0; i < n; ++i) x[i] = result[static_cast<std::size_t>(i)];
    return 0;
}


// The kernel forms the points of a window many at a time: the same bits and floating-point
// flags as one at a time, in every version the machine runs, for quarters, months and
// half-years, indicators of magnitudes far apart, negative and zero stretches (a window whose
// weights are undefined is refused alike), and a NaN closing the annual values (the search
// for the last value raises the invalid flag on it).
TEST(InterpolationKernels, IndicatorPointsManyAtATimeAreTheOneAtATimeBits) {
    std::mt19937 random(41);
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
    int refused = 0, compared = 0;
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (int ratio : {2, 3, 4, 12})
            for (int years : {3, 4, 7, 40})
                for (int trial = 0; trial < 7; ++trial) {
                    SCOPED_TRACE(testing::Message() << width << " lanes, ratio " << ratio << ", " << years << " years, trial " << trial);
                    const int n = years * ratio + 3;
                    std::vector<float> x(static_cast<std::size_t>(n), M), indicator(static_cast<std::size_t>(n));
                    for (int y = 0; y < years; ++y) x[y] = 10.0f + static_cast<float>(random() % 1000) / 7.0f;
                    if (trial == 6) x[years - 1] = NAN;
                    for (int k = 0; k < n; ++k) {
                        const int power = static_cast<int>(random() % 12) - 6;
                        float v = std::ldexp(1.0f + static_cast<float>(random() % 1000) / 999.0f, power);
                        if (trial == 4 && random() % 5 == 0) v = -v;
                        if (trial == 5 && k >= ratio && k < 2 * ratio) v = 0.0f;  // a year of nothing
                        indicator[k] = v;
                    }
                    std::vector<float> want = x, got = x;
                    std::feclearexcept(FE_ALL_EXCEPT);
                    const int wantCode = ininonebyone(want.data(), indicator.data(), n, ratio);
                    const int wantFlags = std::fetestexcept(faults);
                    std::feclearexcept(FE_ALL_EXCEPT);
                    const int code = ininkernel(got.data(), indicator.data(), n, ratio);
                    const int gotFlags = std::fetestexcept(faults);
                    ASSERT_EQ(code, wantCode);
                    if (code != 0) {
                        ++refused;
                        continue;
                    }
                    ++compared;
                    EXPECT_EQ(gotFlags, wantFlags);
                    for (int k = 0; k < n; ++k) ASSERT_EQ(bits(got[k]), bits(want[k])) << "at " << k;
                }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(compared, 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

std::FILE* tablefile(const std::string& content) {
    std::FILE* f = std::tmpfile();
    std::fputs(content.c_str(), f);
    std::rewind(f);
    return f;
}

// The table interpolation works on many observations at a time: bit for bit lagrangeat's
// value for each (converted to float), with the floating-point flags lagrangeat raises, in
// every version the machine runs, for tables of 4 to 99 pairs and values below, at, between
// and above the abscissae, NaNs and infinities, whole groups in one segment and groups that
// mix segments and ends; and a table that is not ascending value by value as before.
TEST(InterpolationKernels, TableValuesManyAtATimeAreLagrangeatsBits) {
    std::mt19937 random(5);
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    // Values below, at, between and above the abscissae of a table, each kind of series
    // through the kernel and through lagrangeat: the same bits and flags.
    auto compare = [&](const std::vector<float>& a, const std::vector<float>& b, const std::string& label) {
        const int pairs = static_cast<int>(a.size());
        for (int kind = 0; kind < 3; ++kind) {
            std::vector<float> x(61);
            for (std::size_t i = 0; i < x.size(); ++i) {
                if (kind == 0) {  // a slow climb: whole groups in one segment
                    x[i] = a[0] + (a[pairs - 1] - a[0]) * static_cast<float>(i) / 80.0f;
                } else {
                    const int pick = static_cast<int>(random() % 8);
                    const float node = a[random() % a.size()];
                    x[i] = pick == 0 ? node : pick == 1 ? a[0] - 5.0f : pick == 2 ? a[pairs - 1] + 1.0f
                         : pick == 3 && kind == 2 ? (random() % 2 ? NAN : -INFINITY)
                         : a[0] + (a[pairs - 1] - a[0]) * static_cast<float>(random() % 1000) / 1000.0f;
                }
            }
            std::feclearexcept(FE_ALL_EXCEPT);
            std::vector<float> got = x;
            tablekernel(got.data(), static_cast<int>(got.size()), a.data(), b.data(), pairs);
            const int raised = std::fetestexcept(faults);
            std::feclearexcept(FE_ALL_EXCEPT);
            std::vector<float> expected(x.size());
            for (std::size_t i = 0; i < x.size(); ++i)
                expected[i] = static_cast<float>(lagrangeat(x[i], a.data(), b.data(), pairs));
            EXPECT_EQ(raised, std::fetestexcept(faults)) << label << ", kind " << kind;
            std::feclearexcept(FE_ALL_EXCEPT);
            for (std::size_t i = 0; i < x.size(); ++i)
                ASSERT_EQ(bits(got[i]), bits(expected[i])) << label << ", kind " << kind << ", x " << x[i] << " at " << i;
        }
    };
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (int pairs : {4, 5, 9, 99}) {
            std::vector<float> a(static_cast<std::size_t>(pairs)), b(a.size());
            float at = -3.0f;
            for (int k = 0; k < pairs; ++k) {
                at += 0.25f + static_cast<float>(random() % 100) / 10.0f;
                a[k] = at;
                b[k] = static_cast<float>(random() % 2000) / 7.0f - 100.0f;
            }
            compare(a, b, std::to_string(width) + " lanes, " + std::to_string(pairs) + " pairs");
        }
        // Abscissae whose differences are powers of two (divisors taken as multiplications by
        // their reciprocals) among others, with ordinates that carry the values past the
        // largest float (overflow) and below the smallest.
        const std::vector<std::vector<float>> spaced = {{0, 1, 2, 30},
                                                        {-4, -2, -1, -0.5f, 0, 8, 9.5f, 1e6f},
                                                        {0, 0.75f, 1.5f, 2.25f, 3},
                                                        {1e-30f, 2e-30f, 3e-30f, 4e-30f, 6e-30f}};
        const std::vector<std::vector<float>> heights = {{0, 100, 400, 900},
                                                         {3e38f, -3e38f, 3e38f, -3e38f, 3e38f, -3e38f, 1, 2},
                                                         {1e-40f, -1e-41f, 3e-45f, 0, 1e-44f},
                                                         {5, -7, 1e30f, 2, 3}};
        for (std::size_t t = 0; t < spaced.size(); ++t)
            compare(spaced[t], heights[t], std::to_string(width) + " lanes, spaced table " + std::to_string(t));
    }
    const float a[] = {0, 2, 1, 3}, b[] = {0, 4, 1, 9};  // not ascending
    std::vector<float> x = {0.5f, 1.5f, 2.5f, -1.0f, 4.0f, 1.0f, 2.0f, 0.25f, 2.75f};
    std::vector<float> got = x;
    tablekernel(got.data(), static_cast<int>(got.size()), a, b, 4);
    for (std::size_t i = 0; i < x.size(); ++i)
        EXPECT_EQ(bits(got[i]), bits(static_cast<float>(lagrangeat(x[i], a, b, 4)))) << x[i];
}

TEST(InterpolationKernels, TablesNeedFourAscendingPairs) {
    float a[99], b[99];
    std::FILE* good = tablefile("0 0\n1 1\n2 4\n3 9\n");
    ASSERT_EQ(readinterptable(good, a, b, 99), 4);
    std::fclose(good);
    std::vector<float> x = {1.5f, -1, 10, 2};
    tablekernel(x.data(), 4, a, b, 4);
    expectSeries(x, {2.25f, 0, 9, 4}, "table");
    for (const char* bad : {"0 0\n1 1\n2 4\n", "0 0\n2 4\n1 1\n3 9\n", "0 0\n1 1\n1 4\n3 9\n", "0 0\n1 x\n2 4\n3 9\n"}) {
        std::FILE* f = tablefile(bad);
        EXPECT_EQ(readinterptable(f, a, b, 99), -1) << bad;
        std::fclose(f);
    }
    // More pairs than the table holds: the first 99 are used.
    std::string many;
    for (int i = 0; i < 150; ++i) many += std::to_string(i) + " " + std::to_string(2 * i) + "\n";
    std::FILE* f = tablefile(many);
    EXPECT_EQ(readinterptable(f, a, b, 99), 99);
    std::fclose(f);
    EXPECT_EQ(b[98], 196.0f);
}

class InterpolationHandlers : public seriestest::FunctionFixture {};

TEST_F(InterpolationHandlers, FrequencyAndFailures) {
    store("a", {10, 14, 18, 22});
    AtCall q = call(atatoq, "(a)");
    ASSERT_EQ(q.code, 0) << output();
    EXPECT_EQ(q.frequency, 4);
    EXPECT_NEAR(q.values[0], 8.5f, 1e-4);
    EXPECT_EQ(q.text, "(a)");

    store("b", {10, 14});
    AtCall shortSource = call(atatoq, "(b)");
    EXPECT_EQ(shortSource.code, -1);
    EXPECT_EQ(shortSource.frequency, 4);
    AtCall noParen = call(atqtom, "a)");
    EXPECT_EQ(noParen.code, -1);
    EXPECT_TRUE(printed("syntax error in interpolation function"));
    output();

    store("ind", std::vector<float>(obs, 0.0f), 4);
    AtCall zero = call(atatoqi, "(a, ind)");
    EXPECT_EQ(zero.code, -1);
    EXPECT_TRUE(printed("Indicator shorter than source.\n"));
    EXPECT_TRUE(printed("Error in inint."));
}

TEST_F(InterpolationHandlers, TableFromAFile) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::ofstream("tab") << "0 0\n1 1\n2 4\n3 9\n";
    std::ofstream("short") << "0 0\n1 1\n";
    store("x", {1.5f, -1, 10});
    AtCall r = call(atinterp, "(tab, x)");
    AtCall refused = call(atinterp, "(short, x)");
    AtCall missing = call(atinterp, "(nofile, x)");
    std::filesystem::current_path(previous);
    ASSERT_EQ(r.code, 0) << output();
    expectSeries(r.values, {2.25f, 0, 9}, "@interp(tab, x)");
    EXPECT_EQ(r.text, "(tab,x)");
    EXPECT_EQ(refused.code, -1);
    EXPECT_EQ(missing.code, -1);
    EXPECT_TRUE(printed("Cannot open nofile"));
    EXPECT_TRUE(printed("Error in @interp function."));
}

}  // namespace

}  // namespace functions_interp_test
