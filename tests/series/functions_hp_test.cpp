#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "functions_fixture.h"
#include "series/functions_hp.h"

namespace functions_hp_test {

using seriestest::AtCall;
using seriestest::M;

namespace {

// The trend by the textbook definition: solve (I + lambda K'K) x = y densely, K the
// (n-2) x n second-difference operator, by Gaussian elimination with partial pivoting.
std::vector<double> densetrend(const std::vector<double>& y, double lambda) {
    const int n = static_cast<int>(y.size());
    std::vector<std::vector<double>> A(n, std::vector<double>(n + 1, 0.0));
    for (int i = 0; i < n; ++i) {
        A[i][i] = 1.0;
        A[i][n] = y[i];
    }
    for (int r = 0; r + 2 < n; ++r) {
        const int cols[3] = {r, r + 1, r + 2};
        const double k[3] = {1.0, -2.0, 1.0};
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) A[cols[a]][cols[b]] += lambda * k[a] * k[b];
    }
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(A[r][c]) > std::fabs(A[pivot][c])) pivot = r;
        std::swap(A[c], A[pivot]);
        for (int r = c + 1; r < n; ++r) {
            const double f = A[r][c] / A[c][c];
            for (int j = c; j <= n; ++j) A[r][j] -= f * A[c][j];
        }
    }
    std::vector<double> x(n);
    for (int r = n - 1; r >= 0; --r) {
        double s = A[r][n];
        for (int j = r + 1; j < n; ++j) s -= A[r][j] * x[j];
        x[r] = s / A[r][r];
    }
    return x;
}

std::vector<double> wavy(int n) {
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) y[i] = 100 + 0.8 * i + 5 * std::sin(0.7 * i) + 2 * std::cos(2.3 * i * i);
    return y;
}

void expectClose(const std::vector<double>& a, const std::vector<double>& b, double tolerance, const char* what) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], tolerance * (1 + std::fabs(b[i]))) << what << " " << i;
}

TEST(HodrickPrescott, BothFiltersMatchTheDirectSolution) {
    for (int n : {3, 4, 5, 9, 40, 200}) {
        for (double lambda : {6.0, 100.0, 1600.0, 14400.0}) {
            const std::vector<double> y = wavy(n);
            const std::vector<double> expected = densetrend(y, lambda);
            std::vector<double> prescott(n);
            ASSERT_EQ(prescottkernel(y.data(), n, lambda, prescott.data()), 0);
            expectClose(prescott, expected, 1e-7, "prescott");
            if (n < 4) continue;
            std::vector<double> banded(n);
            ASSERT_EQ(hpfilterkernel(y.data(), n, lambda, banded.data()), 0);
            expectClose(banded, expected, 1e-9, "hpfilter");
        }
    }
}

TEST(HodrickPrescott, StraightLinesAndVeryLargeLambda) {
    const int n = 30;
    std::vector<double> line(n);
    for (int i = 0; i < n; ++i) line[i] = 3.5 - 0.25 * i;
    std::vector<double> t(n);
    ASSERT_EQ(hpfilterkernel(line.data(), n, 1600, t.data()), 0);
    expectClose(t, line, 1e-10, "line, hpfilter");
    ASSERT_EQ(prescottkernel(line.data(), n, 1600, t.data()), 0);
    expectClose(t, line, 1e-9, "line, prescott");

    // With a huge lambda the trend is the least-squares line; 1e12 would have overflowed
    // integer band entries.
    const std::vector<double> y = wavy(n);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        sx += i;
        sy += y[i];
        sxx += static_cast<double>(i) * i;
        sxy += i * y[i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double intercept = (sy - slope * sx) / n;
    for (double lambda : {1e8, 1e12}) {
        ASSERT_EQ(hpfilterkernel(y.data(), n, lambda, t.data()), 0);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(t[i], intercept + slope * i, 1e-3) << lambda << " " << i;
    }
}

// Prescott's gains depend on lambda and the span alone and are kept between calls: a trend
// computed with kept gains must equal, bit for bit, the same trend computed after a call
// with another lambda or span (gains computed afresh), whatever the order of the calls.
TEST(HodrickPrescott, KeptGainsGiveTheTrendOfFreshGains) {
    const std::vector<double> y1 = wavy(300);
    std::vector<double> y2(y1.rbegin(), y1.rend());
    struct Call {
        const std::vector<double>* y;
        int n;
        double lambda;
    };
    auto trend = [](const Call& c) {
        std::vector<double> t(static_cast<std::size_t>(c.n));
        EXPECT_EQ(prescottkernel(c.y->data(), c.n, c.lambda, t.data()), 0);
        return t;
    };
    const Call target{&y2, 250, 1600};
    // Before each the call that leaves the kept gains: same span and lambda, another lambda,
    // another span (longer and shorter), then the target once more.
    const Call before[] = {{&y1, 250, 1600}, {&y1, 250, 100}, {&y1, 300, 1600}, {&y1, 40, 1600}, {&y2, 250, 1600}};
    trend({&y1, 17, 3});
    const std::vector<double> fresh = trend(target);
    for (const Call& c : before) {
        trend(c);
        const std::vector<double> again = trend(target);
        ASSERT_EQ(again.size(), fresh.size());
        for (std::size_t i = 0; i < fresh.size(); ++i) ASSERT_EQ(again[i], fresh[i]) << "after n " << c.n << " lambda " << c.lambda << " at " << i;
    }
    // And it is the trend of the direct solution.
    std::vector<double> y(y2.begin(), y2.begin() + 250);
    const std::vector<double> dense = densetrend(y, 1600);
    for (std::size_t i = 0; i < dense.size(); ++i) EXPECT_NEAR(fresh[i], dense[i], 1e-6 * (1 + std::fabs(dense[i])));
}

// The band solve done whole on the five bands of I + lambda K'K (hpsolve).
[[gnu::noinline]] std::vector<double> hprule(const std::vector<double>& y, double lambda) {
    const int n = static_cast<int>(y.size());
    Vector<double> v(n, 1), a(n, 1), b(n - 1, 1), c(n - 2, 1);
    for (int i = 1; i <= n; ++i) {
        v[i] = y[i - 1];
        a[i] = i == 1 || i == n ? 1.0 + lambda : i == 2 || i == n - 1 ? 1.0 + 5.0 * lambda : 1.0 + 6.0 * lambda;
        if (i <= n - 1) b[i] = i == 1 || i == n - 1 ? -2.0 * lambda : -4.0 * lambda;
        if (i <= n - 2) c[i] = lambda;
    }
    hpsolve(v, a, b, c);
    std::vector<double> t(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i) t[i - 1] = v[i];
    return t;
}

// The filter keeps the elimination of its band matrix (it depends on lambda and the span
// alone) and solves only for the right-hand side while they are the same: its trends are bit
// for bit those of the band solve done whole (hpsolve), whatever call came before.
TEST(HodrickPrescott, KeptEliminationGivesTheBitsOfTheWholeBandSolve) {
    const std::vector<double> long1 = wavy(300);
    const std::vector<double> long2(long1.rbegin(), long1.rend());
    struct Call {
        const std::vector<double>* y;
        int n;
        double lambda;
    };
    const Call calls[] = {{&long1, 250, 1600}, {&long2, 250, 1600}, {&long1, 250, 100}, {&long2, 250, 1600},
                          {&long1, 300, 1600}, {&long2, 4, 1600},   {&long2, 5, 1e12},  {&long1, 250, 1600}};
    for (const Call& c : calls) {
        const std::vector<double> y(c.y->begin(), c.y->begin() + c.n);
        std::vector<double> t(y.size());
        ASSERT_EQ(hpfilterkernel(y.data(), c.n, c.lambda, t.data()), 0);
        const std::vector<double> expected = hprule(y, c.lambda);
        for (int i = 0; i < c.n; ++i)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(t[i]), std::bit_cast<std::uint64_t>(expected[i]))
                << "n " << c.n << " lambda " << c.lambda << " at " << i;
    }
}

// Lambda 0 and -0 compare equal but make the band's off-diagonals zeros of opposite signs,
// and the signs of the zeros in the trend of a series with zeros follow them: the
// elimination kept for one is not the other's. Every series of 0, -0 and 1 of 4 to 7
// observations, filtered with each zero right after a call with the other, from doubles
// and from floats, gives the bits of the band solve done whole for its own lambda.
TEST(HodrickPrescott, KeptEliminationOfLambdaZeroIsNotServedForMinusZero) {
    const double values[3] = {0.0, -0.0, 1.0};
    for (int n = 4; n <= 7; ++n) {
        int count = 1;
        for (int i = 0; i < n; ++i) count *= 3;
        for (int pattern = 0; pattern < count; ++pattern) {
            std::vector<double> y(static_cast<std::size_t>(n));
            for (int i = 0, p = pattern; i < n; ++i, p /= 3) y[i] = values[p % 3];
            for (double lambda : {0.0, -0.0}) {
                const double other = -lambda;
                const std::vector<double> rule = hprule(y, lambda);
                std::vector<double> t(y.size());
                ASSERT_EQ(hpfilterkernel(y.data(), n, other, t.data()), 0);
                ASSERT_EQ(hpfilterkernel(y.data(), n, lambda, t.data()), 0);
                std::vector<float> f(y.begin(), y.end());
                ASSERT_EQ(hpfilterkernel(f.data(), n, other, f.data()), 0);
                f.assign(y.begin(), y.end());
                ASSERT_EQ(hpfilterkernel(f.data(), n, lambda, f.data()), 0);
                for (int i = 0; i < n; ++i) {
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(t[i]), std::bit_cast<std::uint64_t>(rule[i]))
                        << "lambda " << (std::signbit(lambda) ? "-0" : "0") << " n " << n << " pattern " << pattern << " at " << i;
                    ASSERT_EQ(std::bit_cast<std::uint32_t>(f[i]), std::bit_cast<std::uint32_t>(static_cast<float>(rule[i])))
                        << "from floats, lambda " << (std::signbit(lambda) ? "-0" : "0") << " n " << n << " pattern " << pattern
                        << " at " << i;
                }
            }
        }
    }
}

// Prescott's recursions as they are written: the gains, a forward pass and a backward pass
// one after the other, every inverse gain and determinant formed where it is used, nothing
// kept between calls.
[[gnu::noinline]] std::vector<double> prescottrule(const std::vector<double>& y, double lambda) {
    const int n = static_cast<int>(y.size());
    std::vector<double> T(n + 1, 0.0), D(n + 1, 0.0), Y(n + 1, 0.0);
    std::vector<std::vector<double>> V(n + 1, std::vector<double>(4, 0.0));
    for (int i = 1; i <= n; ++i) Y[i] = y[i - 1];
    double V11 = 1, V22 = 1, V12 = 0, X = 0, Z = 0, DET = 0;
    for (int i = 3; i <= n; ++i) {
        X = V11;
        Z = V12;
        V11 = 1.0 / lambda + 4.0 * (X - Z) + V22;
        V12 = 2.0 * X - Z;
        V22 = X;
        DET = V11 * V22 - V12 * V12;
        V[i][1] = V22 / DET;
        V[i][3] = V11 / DET;
        V[i][2] = -V12 / DET;
        X = V11 + 1.0;
        Z = V11;
        V11 = V11 - V11 * V11 / X;
        V22 = V22 - V12 * V12 / X;
        V12 = V12 - Z * V12 / X;
    }
    double M1 = Y[2], M2 = Y[1];
    for (int i = 3; i <= n; ++i) {
        X = M1;
        M1 = 2.0 * M1 - M2;
        M2 = X;
        T[i - 1] = V[i][1] * M1 + V[i][2] * M2;
        D[i - 1] = V[i][2] * M1 + V[i][3] * M2;
        DET = V[i][1] * V[i][3] - V[i][2] * V[i][2];
        V11 = V[i][3] / DET;
        V12 = -V[i][2] / DET;
        Z = (Y[i] - M1) / (V11 + 1.0);
        M1 = M1 + V11 * Z;
        M2 = M2 + V12 * Z;
    }
    T[n] = M1;
    T[n - 1] = M2;
    M1 = Y[n - 1];
    M2 = Y[n];
    for (int i = n - 2; i >= 1; --i) {
        const int I1 = i + 1;
        const int IB = n - i + 1;
        X = M1;
        M1 = 2.0 * M1 - M2;
        M2 = X;
        if (i > 2) {
            const double E1 = V[IB][3] * M2 + V[IB][2] * M1 + T[i];
            const double E2 = V[IB][2] * M2 + V[IB][1] * M1 + D[i];
            const double B11 = V[IB][3] + V[I1][1];
            const double B12 = V[IB][2] + V[I1][2];
            const double B22 = V[IB][1] + V[I1][3];
            DET = B11 * B22 - B12 * B12;
            T[i] = (-B12 * E1 + B11 * E2) / DET;
        }
        DET = V[IB][1] * V[IB][3] - V[IB][2] * V[IB][2];
        V11 = V[IB][3] / DET;
        V12 = -V[IB][2] / DET;
        Z = (Y[i] - M1) / (V11 + 1.0);
        M1 = M1 + V11 * Z;
        M2 = M2 + V12 * Z;
    }
    T[1] = M1;
    T[2] = M2;
    return std::vector<double>(T.begin() + 1, T.end());
}

// The series the bit-for-bit tests filter: ragged, zero (every operation on the data exact,
// so that only the work on lambda and the span raises the inexact flag), constant, a ramp
// and one with very large and very small values.
std::vector<std::vector<float>> series(int n) {
    std::vector<std::vector<float>> all(5, std::vector<float>(static_cast<std::size_t>(n)));
    for (int i = 0; i < n; ++i) {
        all[0][i] = static_cast<float>(100 + 0.8 * i + 5 * std::sin(0.7 * i) + 2 * std::cos(2.3 * i * i));
        all[1][i] = 0.0f;
        all[2][i] = 4.0f;
        all[3][i] = static_cast<float>(i);
        all[4][i] = i % 3 == 0 ? 3e38f : i % 3 == 1 ? -1e-44f : 2.5e-30f;
    }
    return all;
}

// The same bits, but for NaNs: where an invalid operation makes one (lambda 1e-300, whose
// reciprocal overflows), its sign depends on which operand of an addition or a
// multiplication the compiler puts first, which the written operations leave open.
bool samebits(const std::vector<double>& a, const std::vector<double>& b, std::string& where) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i]) && !(std::isnan(a[i]) && std::isnan(b[i]))) {
            where = "at " + std::to_string(i) + ": " + std::to_string(a[i]) + " against " + std::to_string(b[i]);
            return false;
        }
    return true;
}

// Both filters give the rule's bits and raise its floating-point flags, from doubles and from
// floats (the handlers' form: the trend written over the series, each value the rule's
// trend rounded to float), whatever lambda and span the call before used: the work kept for
// the last lambda and span is served only for the same pair, and a call that uses it raises
// the flags its making raised. Spans odd and even, short and long (the middle of the span
// and the steps that complete one observation or two differ with both).
TEST(HodrickPrescott, BothFiltersGiveTheBitsAndFlagsOfTheRuleAfterAnyCall) {
    struct Call {
        int n;
        double lambda;
    };
    const Call calls[] = {{3, 1600},   {4, 1600},   {5, 1600},  {6, 1600}, {7, 100},    {8, 100},  {9, 100},
                          {10, 6},     {11, 6},     {12, 6},    {40, 6},   {40, 14400}, {41, 0.5}, {251, 1600},
                          {250, 1600}, {251, 1600}, {1999, 100}, {1998, 100}, {1999, 100}, {30, 1e8}, {7, 1e8},
                          {7, 100},    {60, 1e300}, {61, 1e-300}};
    for (int pass = 0; pass < 2; ++pass) {  // the second pass meets every pair after another
        for (const Call& c : calls) {
            for (const std::vector<float>& x : series(c.n)) {
                const std::vector<double> y(x.begin(), x.end());
                const bool hp = c.n >= 4;
                for (int kernel = 0; kernel < (hp ? 2 : 1); ++kernel) {
                    const char* name = kernel == 0 ? "prescott" : "hpfilter";
                    std::feclearexcept(FE_ALL_EXCEPT);
                    const std::vector<double> rule = kernel == 0 ? prescottrule(y, c.lambda) : hprule(y, c.lambda);
                    const int ruleflags = std::fetestexcept(FE_ALL_EXCEPT);

                    // Twice: the first call may make the kept work, the second uses it.
                    for (int again = 0; again < 2; ++again) {
                        std::vector<double> t(y.size());
                        std::feclearexcept(FE_ALL_EXCEPT);
                        const int code = kernel == 0 ? prescottkernel(y.data(), c.n, c.lambda, t.data())
                                                     : hpfilterkernel(y.data(), c.n, c.lambda, t.data());
                        const int flags = std::fetestexcept(FE_ALL_EXCEPT);
                        ASSERT_EQ(code, 0);
                        std::string where;
                        ASSERT_TRUE(samebits(t, rule, where)) << name << " n " << c.n << " lambda " << c.lambda << " series "
                                                              << x[1] << " " << where;
                        ASSERT_EQ(flags, ruleflags) << name << " n " << c.n << " lambda " << c.lambda << " series " << x[1];

                        std::vector<float> f = x;
                        std::feclearexcept(FE_ALL_EXCEPT);
                        ASSERT_EQ(kernel == 0 ? prescottkernel(f.data(), c.n, c.lambda, f.data())
                                              : hpfilterkernel(f.data(), c.n, c.lambda, f.data()),
                                  0);
                        const int floatflags = std::fetestexcept(FE_ALL_EXCEPT);
                        std::feclearexcept(FE_ALL_EXCEPT);
                        std::vector<float> expected(rule.size());
                        for (std::size_t i = 0; i < rule.size(); ++i) expected[i] = static_cast<float>(rule[i]);
                        const int roundflags = std::fetestexcept(FE_ALL_EXCEPT);
                        for (std::size_t i = 0; i < rule.size(); ++i)
                            if (!std::isnan(expected[i]))
                                ASSERT_EQ(std::bit_cast<std::uint32_t>(f[i]), std::bit_cast<std::uint32_t>(expected[i]))
                                    << name << " from floats, n " << c.n << " lambda " << c.lambda << " at " << i;
                            else
                                ASSERT_TRUE(std::isnan(f[i])) << name << " from floats, n " << c.n << " at " << i;
                        ASSERT_EQ(floatflags, ruleflags | roundflags) << name << " from floats, n " << c.n;
                    }
                }
            }
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// Doubles beyond what a series holds: results that overflow, and ones below the normal range
// (where doubling a rounded sum or product is no longer the same as rounding the doubled
// one); the trend and the flags are still the rule's.
TEST(HodrickPrescott, PrescottGivesTheRuleAtTheEdgesOfTheRange) {
    for (int n : {5, 6, 40, 41}) {
        std::vector<std::vector<double>> all(4, std::vector<double>(static_cast<std::size_t>(n)));
        for (int i = 0; i < n; ++i) {
            all[0][i] = i % 2 == 0 ? 1.7e308 : -1.7e308;                       // overflows
            all[1][i] = (i % 5 + 1) * 3e-310 * (i % 2 == 0 ? 1 : -1);          // below the normal range
            all[2][i] = i == n / 2 ? 1e308 : 1.0;                              // one overflow, late
            all[3][i] = i % 3 == 0 ? std::nextafter(0x1p-1022, 1.0) : 7e-309;  // at the normal range's edge
        }
        for (double lambda : {0.5, 100.0, 1e8}) {
            for (const std::vector<double>& y : all) {
                std::feclearexcept(FE_ALL_EXCEPT);
                const std::vector<double> rule = prescottrule(y, lambda);
                const int ruleflags = std::fetestexcept(FE_ALL_EXCEPT);
                std::vector<double> t(y.size());
                std::feclearexcept(FE_ALL_EXCEPT);
                ASSERT_EQ(prescottkernel(y.data(), n, lambda, t.data()), 0);
                const int flags = std::fetestexcept(FE_ALL_EXCEPT);
                std::string where;
                EXPECT_TRUE(samebits(t, rule, where)) << "n " << n << " lambda " << lambda << " y " << y[0] << " " << where;
                EXPECT_EQ(flags, ruleflags) << "n " << n << " lambda " << lambda << " y " << y[0];
            }
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(HodrickPrescott, TooShortSpansAndBadSizesAreRefused) {
    const std::vector<double> y = {1, 2, 3};
    std::vector<double> t(3, -1);
    EXPECT_EQ(hpfilterkernel(y.data(), 3, 1600, t.data()), -1);
    EXPECT_EQ(prescottkernel(y.data(), 2, 1600, t.data()), -1);
    EXPECT_EQ(prescottkernel(y.data(), 3, 0, t.data()), -1);
    EXPECT_EQ(t[0], -1);
    Vector<double> a(5, 1), b(3, 1), c(3, 1), v(5, 1);
    EXPECT_EQ(hpsolve(v, a, b, c).count(), 0);
    Vector<double> a4(4, 1);
    Vector<double> b4(4, 1), c3(3, 1);
    EXPECT_EQ(hpsolve(v, a4, b4, c3).count(), 0);
}

class HodrickPrescottHandlers : public seriestest::FunctionFixture {
protected:
    void SetUp() override {
        FunctionFixture::SetUp();
        std::vector<double> y = wavy(obs);
        std::vector<float> x(y.begin(), y.end());
        store("x", x);
        store("q", x, 4);
        store("m", x, 12);
        values = y;
    }
    std::vector<double> values;

    // The kernel's trend over observations first..last of the stored series.
    std::vector<double> expected(int first, int last, double lambda) {
        std::vector<double> y(values.begin() + first, values.begin() + last + 1);
        std::vector<double> t(y.size());
        EXPECT_EQ(hpfilterkernel(y.data(), static_cast<int>(y.size()), lambda, t.data()), 0);
        return t;
    }
};

TEST_F(HodrickPrescottHandlers, LambdaFromTheFrequencyOrTheArgument) {
    struct Case {
        AtHandler handler;
        const char* line;
        double lambda;
    };
    const Case cases[] = {
        {athpfilter, "(x)", 100},        {athpfilter, "(q)", 1600},    {athpfilter, "(m)", 14400},
        {athpfilter, "(x, 6.25)", 6},    {atprescott, "(q)", 1600},    {atprescott, "(m, 6)", 6},
    };
    for (const Case& c : cases) {
        AtCall r = call(c.handler, c.line);
        ASSERT_EQ(r.code, 0) << c.line << output();
        const std::vector<double> t = expected(0, obs - 1, c.lambda);
        for (int i = 0; i < obs; ++i) EXPECT_NEAR(r.values[i], t[i], 1e-4 * std::fabs(t[i])) << c.line << " " << i;
    }
    EXPECT_EQ(call(athpfilter, "(x, 6.25)").text, "(x,6.25)");
    EXPECT_EQ(call(athpfilter, "(q)").frequency, 4);
}

TEST_F(HodrickPrescottHandlers, OnlyTheFRangeIsFiltered) {
    setfdates(1993, 2002);
    AtCall r = call(athpfilter, "(x)");
    ASSERT_EQ(r.code, 0);
    const std::vector<double> t = expected(3, 12, 100);
    EXPECT_FLOAT_EQ(r.values[2], static_cast<float>(values[2]));
    EXPECT_FLOAT_EQ(r.values[13], static_cast<float>(values[13]));
    for (int i = 3; i <= 12; ++i) EXPECT_NEAR(r.values[i], t[i - 3], 1e-4 * std::fabs(t[i - 3]));

    setfdates(1993, 1995);
    EXPECT_NE(call(athpfilter, "(x)").code, 0);
    EXPECT_TRUE(printed(" error in @hpfilter function"));
    EXPECT_EQ(call(atprescott, "(x)").code, 0);  // three observations suffice for the recursions
    setfdates(1993, 1994);
    EXPECT_NE(call(atprescott, "(x)").code, 0);
    for (const char* line : {"(x, y)", "(x, 5", "x)"}) {
        EXPECT_NE(call(athpfilter, line).code, 0) << line;
    }
}

}  // namespace

}  // namespace functions_hp_test
