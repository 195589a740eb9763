#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "core/missing.h"
#include "core/numfuncs.h"
#include "core/random.h"
#include "platform/platform.h"

namespace numfuncs_test {

// Numbers typed where an int is meant: truncated, and kept within int at both ends.
TEST(TypedInt, TruncatedAndKeptWithinInt) {
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    const struct {
        double typed;
        int expected;
    } cases[] = {{3.7, 3},           {-3.7, -3},          {0.0, 0},
                 {2147483647.0, most}, {2147483648.0, most}, {1e38, most},
                 {-2147483648.0, least}, {-1e38, least},     {std::nan(""), 0}};
    for (const auto& c : cases) EXPECT_EQ(typedint(c.typed), c.expected) << c.typed;
}

namespace {

constexpr float M = MISSING;

// A cubic evaluated by hand: p(x) = 2x^3 - x^2 + 3x - 5.
double cubic(double x) { return ((2.0 * x - 1.0) * x + 3.0) * x - 5.0; }

// Reference model of the generator, written from its description: the congruential
// sequence with 64-bit arithmetic reduced mod 2^32, then the 50-slot shuffle.
struct ReferenceGenerator {
    std::uint64_t state;
    float table[50];
    float last;
    explicit ReferenceGenerator(std::uint32_t seed) : state(seed) {
        state = (state * 22695477ull + 1ull) % 4294967296ull;
        for (int i = 0; i < 97; ++i) last = static_cast<float>(raw());
        for (float& t : table) t = static_cast<float>(raw());
    }
    int raw() {
        state = (state * 22695477ull + 1ull) % 4294967296ull;
        return static_cast<int>((state / 65536ull) % 32768ull);
    }
    float uniform() {
        int j = static_cast<int>(50.0f * last / 32768.0f);
        if (j > 49) j = 49;
        last = table[j];
        table[j] = static_cast<float>(raw());
        return last / 32768.0f;
    }
};

}  // namespace

TEST(NearZero, Bounds) {
    struct Case { float x; bool near; } cases[] = {
        {0.0f, true}, {1e-7f, true}, {-1e-7f, true}, {2e-7f, false},
        {-0.000001f, false}, {1.0f, false}, {-1e-8f, true}};
    for (auto c : cases) EXPECT_EQ(nearzero(c.x), c.near) << c.x;
}

TEST(FillGap, Table) {
    struct Case {
        std::vector<float> in;
        int start, mode, result;
        std::vector<float> out;
    } cases[] = {
        {{1, M, M, 4}, 0, 1, 3, {1, 2, 3, 4}},
        {{1, M, M}, 0, 1, 3, {1, M, M}},               // gap to the end stays
        {{1, 2, 3}, 0, 1, 3, {1, 2, 3}},               // no gap
        {{5, 0, 0, 0, 1}, 0, 0, 4, {5, 4, 3, 2, 1}},   // near-zero gaps
        {{5, M, 1}, 0, 0, 3, {5, M, 1}},               // missing is no gap in mode 0
        {{M, M, 3, M, 5}, 0, 1, 2, {M, M, 3, M, 5}},   // leading gap: no left side, untouched
        {{0, 0, 2, 0, 4}, 0, 0, 2, {0, 0, 2, 0, 4}},
        {{1, M, 3, M, 9}, 2, 1, 4, {1, M, 3, 6, 9}},   // scan from a later start
        {{1, M, 3}, 3, 1, 3, {1, M, 3}},               // start at the end
        {{1, M, 3}, 7, 1, 3, {1, M, 3}},               // start past the end
        {{1, M, 3}, -2, 1, 2, {1, 2, 3}},              // negative start is the first value
    };
    for (auto& c : cases) {
        // Exactly sized heap arrays, so a read outside them is caught by the sanitizers.
        std::unique_ptr<float[]> v(new float[c.in.size()]);
        std::copy(c.in.begin(), c.in.end(), v.get());
        int n = static_cast<int>(c.in.size());
        EXPECT_EQ(fillgap(v.get(), c.start, n, c.mode), c.result);
        for (int i = 0; i < n; ++i) EXPECT_FLOAT_EQ(v[i], c.out[i]) << "entry " << i;
    }
}

TEST(FillGap, CallerLoopMatchesLinearFormula) {
    // Gaps of several lengths; every filled value must be L + k (R - L) / (run + 1).
    std::vector<float> v = {M, 2, M, M, M, 10, 11, M, 20, M, M};
    std::vector<float> expect = {M, 2, 4, 6, 8, 10, 11, 15.5f, 20, M, M};
    int n = static_cast<int>(v.size());
    int i = 1;  // the caller starts at the first good value
    int calls = 0;
    while (i < n && calls++ < 20) i = fillgap(v.data(), i, n, 1);
    EXPECT_EQ(i, n);
    for (int k = 0; k < n; ++k) EXPECT_FLOAT_EQ(v[k], expect[k]) << k;
    // Starting on the leading gap skips it and goes on from the first value.
    std::vector<float> w = {M, M, 2, M, 6};
    EXPECT_EQ(fillgap(w.data(), 0, 5, 1), 2);
    EXPECT_EQ(fillgap(w.data(), 2, 5, 1), 4);
    EXPECT_FLOAT_EQ(w[3], 4.0f);
    EXPECT_TRUE(ismissing(w[0]) && ismissing(w[1]));
}

TEST(LagrangeWeights, AtNodesAndOnCubic) {
    const float a[4] = {0, 1, 2, 3};
    float w[4];
    for (int node = 0; node < 4; ++node) {
        ASSERT_EQ(lagrangeweights(a[node], w, a), 1);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(w[i], i == node ? 1.0f : 0.0f);
    }
    // Weights applied to a cubic's values reproduce the cubic between and beyond the nodes.
    for (float x : {0.5f, 1.5f, 2.25f, -0.5f, 3.5f}) {
        ASSERT_EQ(lagrangeweights(x, w, a), 1);
        double sum = 0, total = 0;
        for (int i = 0; i < 4; ++i) {
            sum += w[i] * cubic(a[i]);
            total += w[i];
        }
        EXPECT_NEAR(sum, cubic(x), 1e-4) << x;
        EXPECT_NEAR(total, 1.0, 1e-6);
    }
    EXPECT_NEAR(cubic(1.5), 4.0, 1e-12);  // the hand value 2(3.375) - 2.25 + 4.5 - 5
    // Uneven nodes, checked against the weight formula worked by hand at x = 2:
    // nodes 0, 1, 3, 4: w = (-1/6, 2/3, 2/3, -1/6).
    const float b[4] = {0, 1, 3, 4};
    ASSERT_EQ(lagrangeweights(2.0f, w, b), 1);
    EXPECT_NEAR(w[0], -1.0 / 6, 1e-6);
    EXPECT_NEAR(w[1], 2.0 / 3, 1e-6);
    EXPECT_NEAR(w[2], 2.0 / 3, 1e-6);
    EXPECT_NEAR(w[3], -1.0 / 6, 1e-6);
    const float equal[4] = {0, 1, 1, 3};
    EXPECT_EQ(lagrangeweights(0.5f, w, equal), 0);
}

TEST(SubperiodValues, LevelsAndFlows) {
    // Weight rows at t = k / 4 for the nodes 0..3, as the interpolating conversions build them.
    const float nodes[4] = {0, 1, 2, 3};
    float table[16][4];
    for (int k = 0; k < 13; ++k) ASSERT_EQ(lagrangeweights(k * 0.25f, table[k], nodes), 1);

    // Levels of a cubic: the sub-period values are the cubic at the sub-period points.
    float source[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) source[i + 1] = static_cast<float>(cubic(i));
    float out[8] = {0};
    EXPECT_EQ(subperiodvalues(source, table, out, 4, 1, 2, 4, 'y'), 0);  // rows 4..8: t in [1, 2]
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(out[2 + r], cubic(1 + r * 0.25), 1e-4) << r;

    // Flows whose running sum is t^3 (1, 7, 19): each quarter gets 4 (C((r+1)/4) - C(r/4)).
    const float flows[3] = {1, 7, 19};
    float q[4];
    EXPECT_EQ(subperiodvalues(flows, table, q, 4, 0, 0, 0, 'n'), 0);
    for (int r = 0; r < 4; ++r) {
        double c0 = std::pow(r / 4.0, 3), c1 = std::pow((r + 1) / 4.0, 3);
        EXPECT_NEAR(q[r], 4 * (c1 - c0), 1e-5) << r;
    }
    // A constant annual flow spreads to the same annual rate in every sub-period.
    const float flat[3] = {8, 8, 8};
    float h[2];
    float halves[4][4];
    for (int k = 0; k < 3; ++k) ASSERT_EQ(lagrangeweights(k * 0.5f, halves[k], nodes), 1);
    EXPECT_EQ(subperiodvalues(flat, halves, h, 2, 0, 0, 0, 'n'), 0);
    EXPECT_NEAR(h[0], 8.0, 1e-5);
    EXPECT_NEAR(h[1], 8.0, 1e-5);

    float untouched[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(subperiodvalues(source, table, untouched, 5, 0, 0, 0, 'y'), -1);
    EXPECT_EQ(subperiodvalues(source, table, untouched, 0, 0, 0, 0, 'y'), -1);
    for (float v : untouched) EXPECT_EQ(v, 9.0f);
}

TEST(LagrangeAt, TableLookup) {
    const int n = 7;
    float a[n], b[n], line[n];
    for (int i = 0; i < n; ++i) {
        a[i] = static_cast<float>(i * i) * 0.5f;  // uneven, ascending: 0, .5, 2, 4.5, 8, ...
        b[i] = static_cast<float>(cubic(a[i]));
        line[i] = 3.0f * a[i] - 2.0f;
    }
    // Flat outside the table.
    EXPECT_EQ(lagrangeat(-1.0f, a, b, n), b[0]);
    EXPECT_EQ(lagrangeat(0.0f, a, b, n), b[0]);
    EXPECT_EQ(lagrangeat(18.5f, a, b, n), b[n - 1]);
    // Exact on a straight line and on a cubic, wherever the four points are taken.
    for (float x : {0.25f, 1.0f, 3.0f, 7.9f, 12.5f, 17.9f, 18.0f}) {
        EXPECT_NEAR(lagrangeat(x, a, line, n), 3.0 * x - 2.0, 1e-4) << x;
        EXPECT_NEAR(lagrangeat(x, a, b, n), cubic(x), 1e-6 * std::fabs(cubic(x)) + 1e-3) << x;
    }
    // Not a cubic: the value must be the cubic through the four points chosen around x.
    // x = 5 has i = 4 (a[4] = 8), so the points are 2..5: a = 2, 4.5, 8, 12.5, b = squares.
    float sq[n];
    for (int i = 0; i < n; ++i) sq[i] = std::sqrt(a[i]);
    double xa[4] = {2, 4.5, 8, 12.5};
    double expect = 0;
    for (int j = 0; j < 4; ++j) {
        double t = std::sqrt(xa[j]);
        for (int k = 0; k < 4; ++k)
            if (k != j) t *= (5.0 - xa[k]) / (xa[j] - xa[k]);
        expect += t;
    }
    EXPECT_NEAR(lagrangeat(5.0f, a, sq, n), expect, 1e-6);
}

TEST(LagrangeAt, ShortOrBadTablesStayInside) {
    // Exactly sized arrays: the sanitizers catch any read outside them.
    std::unique_ptr<float[]> a(new float[2]{0, 2}), b(new float[2]{1, 5});
    EXPECT_NEAR(lagrangeat(1.0f, a.get(), b.get(), 2), 3.0, 1e-9);  // the line through both
    EXPECT_EQ(lagrangeat(3.0f, a.get(), b.get(), 2), 5.0);
    EXPECT_TRUE(ismissing(static_cast<float>(lagrangeat(1.0f, a.get(), b.get(), 0))));
    std::unique_ptr<float[]> same(new float[4]{0, 1, 1, 3}), vals(new float[4]{0, 1, 2, 3});
    double v = lagrangeat(0.5f, same.get(), vals.get(), 4);
    EXPECT_TRUE(std::isfinite(v));
}

class RandomTest : public ::testing::Test {
protected:
    void SetUp() override { randuniform(12345); }
};

TEST_F(RandomTest, RawGeneratorSequence) {
    // The congruential sequence worked out independently with 64-bit arithmetic.
    seedrawrand(1);
    std::uint64_t s = 1;
    s = (s * 22695477ull + 1) % 4294967296ull;
    for (int i = 0; i < 1000; ++i) {
        s = (s * 22695477ull + 1) % 4294967296ull;
        ASSERT_EQ(rawrand(), static_cast<int>((s >> 16) & 0x7fff)) << i;
    }
}

TEST_F(RandomTest, UniformFollowsShuffleAndSeed) {
    for (std::uint32_t seed : {5u, 123u, 0u, 4000000000u}) {
        EXPECT_EQ(randuniform(static_cast<int>(seed)), 0.0f);
        ReferenceGenerator ref(seed);
        for (int i = 0; i < 500; ++i) ASSERT_EQ(randuniform(drawSeed), ref.uniform()) << i;
    }
    // Same seed, same values; a draw continues the sequence, it does not restart it.
    randuniform(5);
    std::vector<float> first;
    for (int i = 0; i < 20; ++i) first.push_back(randuniform(drawSeed));
    std::vector<float> more;
    for (int i = 0; i < 20; ++i) more.push_back(randuniform(drawSeed));
    randuniform(5);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(randuniform(drawSeed), first[i]);
    EXPECT_NE(first, more);
}

TEST_F(RandomTest, UniformMoments) {
    randuniform(77);
    const int n = 200000;
    double sum = 0, sumsq = 0, lo = 1, hi = 0;
    for (int i = 0; i < n; ++i) {
        double u = randuniform(drawSeed);
        sum += u;
        sumsq += u * u;
        lo = std::min(lo, u);
        hi = std::max(hi, u);
    }
    double mean = sum / n, var = sumsq / n - mean * mean;
    EXPECT_NEAR(mean, 0.5, 0.005);
    EXPECT_NEAR(var, 1.0 / 12, 0.002);
    EXPECT_GE(lo, 0.0);
    EXPECT_LE(hi, 32767.0 / 32768.0);
}

TEST_F(RandomTest, NormalSharesTheGeneratorAndItsSeed) {
    // The normal draws take their uniforms from the same sequence as @rand.
    // Take the first seed whose first pair of uniforms falls inside the unit circle.
    int seed = 1;
    float u = 0, w = 0, a = 0, b = 0, r = 1;
    for (; seed < 100; ++seed) {
        randuniform(seed);
        u = randuniform(drawSeed);
        w = randuniform(drawSeed);
        a = 2 * u - 1;
        b = 2 * w - 1;
        r = a * a + b * b;
        if (r < 1.0f && r > 0.0f) break;
    }
    ASSERT_LT(r, 1.0f);
    randuniform(seed);
    float f = std::sqrt(-2.0f * std::log(r) / r);
    EXPECT_FLOAT_EQ(randnormal(), b * f);
    EXPECT_FLOAT_EQ(randnormal(), a * f);  // the spare of the pair on the next call
    // A reseed drops a waiting spare: the sequence after a seed never depends on the past.
    randuniform(seed);
    float first = randnormal();
    randuniform(seed);
    EXPECT_EQ(randnormal(), first);
    randuniform(seed);
    EXPECT_EQ(normaluniform(), u);
}

TEST_F(RandomTest, NormalMoments) {
    randuniform(2024);
    const int n = 200000;
    double sum = 0, sumsq = 0, sum4 = 0;
    int inside = 0;
    for (int i = 0; i < n; ++i) {
        double x = randnormal();
        ASSERT_TRUE(std::isfinite(x));
        sum += x;
        sumsq += x * x;
        sum4 += x * x * x * x;
        if (std::fabs(x) < 1.959964) ++inside;
    }
    double mean = sum / n, var = sumsq / n - mean * mean;
    EXPECT_NEAR(mean, 0.0, 0.01);
    EXPECT_NEAR(var, 1.0, 0.015);
    EXPECT_NEAR(sum4 / n, 3.0, 0.1);                 // kurtosis of the normal
    EXPECT_NEAR(inside / double(n), 0.95, 0.003);    // two-sided 5% tails
}

TEST_F(RandomTest, NormalWithRadiusZeroDrawsAgain) {
    // Arrange the generator so that the next two uniforms are exactly one half: the table's
    // slot 25 holds 16384 and so does the next raw draw (state chosen by inverting the step).
    std::uint32_t inverse = 1;
    for (int i = 0; i < 5; ++i) inverse *= 2 - 22695477u * inverse;  // Newton: a^-1 mod 2^32
    ASSERT_EQ(inverse * 22695477u, 1u);
    std::uint32_t target = 16384u << 16;
    randuniform(1);
    randuniform(drawSeed);  // fill the table
    for (float& slot : uniformShuffle) slot = 16384.0f;
    uniformLast = 16384.0f;
    normalSpareReady = false;
    rawRandomState = (target - 1u) * inverse;
    std::uint32_t check = rawRandomState * 22695477u + 1u;
    ASSERT_EQ(check, target);
    float x = randnormal();
    float y = randnormal();
    EXPECT_TRUE(std::isfinite(x));
    EXPECT_TRUE(std::isfinite(y));
    EXPECT_LT(std::fabs(x), 10.0f);
}

TEST(RandomStart, SeededFromTheClockBeforeTheFirstDraw) {
    rawRandomSeeded = false;
    std::int64_t t0 = platform::unixTimeNow();
    rawrand();
    std::int64_t t1 = platform::unixTimeNow();
    EXPECT_TRUE(rawRandomSeeded);
    bool matched = false;
    for (std::int64_t t = t0; t <= t1; ++t) {
        std::uint32_t s = static_cast<std::uint32_t>(t);
        s = s * 22695477u + 1u;
        s = s * 22695477u + 1u;
        if (s == rawRandomState) matched = true;
    }
    EXPECT_TRUE(matched);
    randuniform(1);
}

}  // namespace numfuncs_test
