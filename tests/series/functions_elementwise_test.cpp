#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cfloat>
#include <cstdint>
#include <random>
#include <cmath>
#include <string>
#include <vector>

#include "core/floatmath.h"
#include "core/missing.h"
#include "core/random.h"
#include "../core/largesines.h"
#include "functions_fixture.h"
#include "series/functions_common.h"
#include "series/functions_elementwise.h"

namespace functions_elementwise_test {

using seriestest::AtCall;
using seriestest::expectSeries;
using seriestest::M;

namespace {

std::vector<float> apply(void (*kernel)(float*, int), std::vector<float> x) {
    kernel(x.data(), static_cast<int>(x.size()));
    return x;
}

TEST(ElementwiseKernels, DifferencesUseEarlierValuesAndMarkGaps) {
    // A gap at 2 spoils observations 2 and 3; observation 0 has no predecessor.
    expectSeries(apply(diffkernel, {1, 4, M, 10, 15}), {M, 3, M, M, 5}, "diff");
    // ln(e^2) - ln(e) = 1; a zero, a negative and a missing value spoil both neighbours.
    const float e = static_cast<float>(std::exp(1.0));
    expectSeries(apply(dlogkernel, {e, e * e, 0, 5, -3, 5, M, 2}), {M, 1, M, M, M, M, M, M}, "dlog");
    expectSeries(apply(dlogkernel, {2, 8}), {M, static_cast<float>(std::log(4.0))}, "dlog ratio");
}

// The differences are taken four at a time from the top down: bit for bit the rule written
// observation by observation, at every length up to 40, over ordinary values, both zeros,
// values in and beside the missing band, infinities and NaNs.
TEST(ElementwiseKernels, DifferencesFourAtATimeFollowTheRule) {
    const std::vector<float> pool = {1.5f, -2.25f, 0.0f, -0.0f, M, std::nextafter(M, 0.0f),
                                     std::nextafter(static_cast<float>(-0.0000009), 0.0f), 3e38f,
                                     -3e38f, INFINITY, std::nanf(""), 1e-30f, 7.0f};
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    std::mt19937 random(99);
    for (int n = 0; n <= 40; ++n)
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<float> x(static_cast<std::size_t>(n));
            for (float& f : x) f = pool[random() % pool.size()];
            std::vector<float> expected = x;
            for (int i = n - 1; i >= 1; --i)
                expected[i] = ismissing(x[i]) || ismissing(x[i - 1]) ? M : x[i] - x[i - 1];
            if (n > 0) expected[0] = M;
            const std::vector<float> got = apply(diffkernel, x);
            for (int i = 0; i < n; ++i) ASSERT_EQ(bits(got[i]), bits(expected[i])) << n << " " << i;
        }
}

// The square roots many lanes at a time: bit for bit fnsqrt's, in every version the machine
// runs and over lengths that leave each a remainder, raising the floating-point flags the
// rule raises and no other (a negative value's root, which would raise the invalid flag, is
// never taken; comparing a NaN with 0 raises it in both).
TEST(ElementwiseKernels, SquareRootsManyAtATimeFollowTheRule) {
    const std::vector<float> pool = {2.0f, 0.0f, -0.0f, -4.0f, M, 1e-30f, 3e38f, INFINITY, -INFINITY,
                                     std::nanf(""), 1e-45f, 0.25f, 7.0f};
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    std::mt19937 random(7);
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (int n : {0, 1, 15, 16, 17, 37, 64, 1999}) {
            std::vector<float> x(static_cast<std::size_t>(n));
            for (float& f : x) f = pool[random() % pool.size()];
            const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
            std::feclearexcept(FE_ALL_EXCEPT);
            const std::vector<float> got = apply(sqrtkernel, x);
            const int raised = std::fetestexcept(faults);
            std::feclearexcept(FE_ALL_EXCEPT);
            std::vector<float> expected(x.size());
            for (int i = 0; i < n; ++i) expected[i] = fnsqrt(x[i]);
            EXPECT_EQ(raised, std::fetestexcept(faults)) << width << " lanes, " << n;
            std::feclearexcept(FE_ALL_EXCEPT);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(bits(got[i]), bits(expected[i])) << width << " lanes, " << n << " at " << i;
        }
    }
}

// Without a NaN the rule raises no flag at all, whatever the negatives: none in the blocks and
// none in the values after the last whole block (which an optimising compiler once turned into
// the root of every value with the choice made after it).
TEST(ElementwiseKernels, SquareRootsOfNegativesRaiseNothing) {
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (int n : {1, 3, 7, 15, 17, 31, 1999}) {
            std::vector<float> x(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) x[i] = i % 3 == 1 ? 9.0f : -4.0f;
            std::feclearexcept(FE_ALL_EXCEPT);
            const std::vector<float> got = apply(sqrtkernel, x);
            EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0) << width << " lanes, " << n;
            std::feclearexcept(FE_ALL_EXCEPT);
            for (int i = 0; i < n; ++i) ASSERT_EQ(got[i], i % 3 == 1 ? 3.0f : 0.0f) << width << " lanes, " << n;
        }
    }
}

// The logarithms, exponentials, log differences and powers many lanes at a time: bit for bit
// the rule written out with the scalar functions, and flag for flag, in every version the
// machine runs. The values mix the guards' edges (missing, zero, negatives, the limits and the
// floats beside them, infinities, NaN, the tiniest floats, whose exponentials must raise no
// underflow) with floats of every exponent, so that every lane of a block meets both.
TEST(ElementwiseKernels, LogarithmsAndPowersManyAtATimeFollowTheRule) {
    const std::vector<float> edges = {M, 0.0f, -0.0f, -3.0f, 1.0f, 0.5f, 2.0f, 1e-30f, 1e-7f, 9e-8f,
                                      floatExpMin, std::nextafter(floatExpMin, 1.0f), floatMax,
                                      INFINITY, -INFINITY, std::nanf(""), floatLogMax,
                                      std::nextafter(floatLogMax, 0.0f), floatLogMin,
                                      std::nextafter(floatLogMin, 0.0f), -87.0f, 87.0f, 88.0f,
                                      FLT_TRUE_MIN, -FLT_TRUE_MIN, FLT_MIN, -0x1.2p-126f};
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    auto bad = [](float v) { return ismissing(v) || belowtiny(v) || v < 0.0f; };
    std::mt19937 random(31);
    auto draw = [&] {
        if (random() % 3 == 0) return edges[random() % edges.size()];
        const std::uint32_t u = static_cast<std::uint32_t>(random());
        const float f = std::bit_cast<float>(u);
        // Mostly of a size whose exponential is a number, of either sign.
        return random() % 2 ? f : std::fmod(f, 90.0f);
    };
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (int n : {0, 1, 15, 16, 17, 37, 64, 1999}) {
            std::vector<float> x(static_cast<std::size_t>(n)), y(x.size());
            for (float& f : x) f = draw();
            for (float& f : y) f = draw();
            for (const char* what : {"log", "exp", "dlog", "pow"}) {
                const std::string name = what;
                std::feclearexcept(FE_ALL_EXCEPT);
                std::vector<float> got = x;
                if (name == "log") logkernel(got.data(), n);
                if (name == "exp") expkernel(got.data(), n);
                if (name == "dlog") dlogkernel(got.data(), n);
                if (name == "pow") powkernel(got.data(), y.data(), n);
                const int raised = std::fetestexcept(faults);
                std::feclearexcept(FE_ALL_EXCEPT);
                std::vector<float> expected = x, logs(x.size());
                for (int i = 0; i < n; ++i) logs[i] = name == "dlog" ? safelog(x[i]) : 0.0f;
                for (int i = 0; i < n; ++i) {
                    if (name == "log") expected[i] = safelog(x[i]);
                    if (name == "exp") expected[i] = safeexp(x[i]);
                    if (name == "dlog") expected[i] = i == 0 || bad(x[i]) || bad(x[i - 1]) ? M : logs[i] - logs[i - 1];
                    if (name == "pow" && !(ismissing(x[i]) || ismissing(y[i]) || x[i] < 0.0000001f))
                        expected[i] = safeexp(y[i] * safelog(x[i]));
                }
                EXPECT_EQ(raised, std::fetestexcept(faults)) << what << ", " << width << " lanes, " << n;
                std::feclearexcept(FE_ALL_EXCEPT);
                for (int i = 0; i < n; ++i)
                    ASSERT_EQ(bits(got[i]), bits(expected[i]))
                        << what << ", " << width << " lanes, " << n << " at " << i << ": " << x[i];
            }
        }
    }
}

// Arguments whose double approximation is too near a point halfway between two floats (the
// cases of core/floatmath_test.cpp) are recomputed alone: in every lane of a vector, two at a
// time, in every version the machine runs, the kernels give the scalar function's float.
TEST(ElementwiseKernels, ArgumentsInDoubtAreRecomputedInEveryLane) {
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    const std::vector<float> logs = {0x1.6b6dfep-124f, 0x1.6580a8p-112f, 0x1.917748p-100f, 0x1.cadceap-88f};
    const std::vector<float> exps = {-0x1.fffffap-26f, -0x1.b09b6cp-13f, 0x1.b78498p-1f, 0x1p-24f, -0x1p-25f};
    for (float x : logs)
        ASSERT_TRUE((floatmath::indoubt<double, std::uint32_t, std::uint64_t>(
            floatmath::logapprox<float, std::uint32_t, std::int32_t, double>(x))))
            << std::hexfloat << x;
    for (float x : exps)
        ASSERT_TRUE((floatmath::indoubt<double, std::uint32_t, std::uint64_t>(
            floatmath::expapprox<float, double, std::int64_t>(x))))
            << std::hexfloat << x;
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (bool exponential : {false, true}) {
            const std::vector<float>& doubtful = exponential ? exps : logs;
            for (int at = 0; at < 34; ++at) {
                std::vector<float> x(40, exponential ? 0.75f : 3.0f);
                x[at] = doubtful[at % doubtful.size()];
                x[at + 5] = doubtful[(at + 1) % doubtful.size()];
                const std::vector<float> got = apply(exponential ? expkernel : logkernel, x);
                for (std::size_t i = 0; i < x.size(); ++i)
                    ASSERT_EQ(bits(got[i]), bits(exponential ? safeexp(x[i]) : safelog(x[i])))
                        << (exponential ? "exp " : "ln ") << width << " lanes, at " << i << ": " << std::hexfloat
                        << x[i];
            }
        }
    }
}

// A block of ordinary values takes the functions at once, a block with a lane for the guards
// selects their answers: one guarded value (missing, zero, negative, beyond the limits) at
// every place of a series of ordinary ones, in every version, gives the rule's floats.
TEST(ElementwiseKernels, OneGuardedLaneAnywhereFollowsTheRule) {
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    const float guarded[] = {M, 0.0f, -2.0f, 1e-38f, 3e38f, 100.0f, -100.0f};
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (bool exponential : {false, true}) {
            for (int at = 0; at < 37; ++at) {
                std::vector<float> x(37);
                for (int i = 0; i < 37; ++i) x[i] = 0.5f + 0.37f * static_cast<float>(i);
                x[at] = guarded[at % std::size(guarded)];
                const std::vector<float> got = apply(exponential ? expkernel : logkernel, x);
                for (std::size_t i = 0; i < x.size(); ++i)
                    ASSERT_EQ(bits(got[i]), bits(exponential ? safeexp(x[i]) : safelog(x[i])))
                        << (exponential ? "exp " : "ln ") << width << " lanes, guarded at " << at << ", " << i;
            }
        }
    }
}

// The sines many lanes at a time: bit for bit fnsin's and flag for flag (inexact included),
// in every version the machine runs, over lengths that leave each a remainder. The values
// mix the long double path's (infinities, NaN, arguments in doubt) and the reduction on
// integers (2^24 and beyond) with the double path's (floats of every size below 2^24) and the
// tiny ones (the missing value, both zeros, subnormals), so that every lane of a block meets
// them all. Only an infinity or a
// signalling NaN raises the invalid flag, as the C library's sinf did; a series of missing
// values, zeros and infinities raises no inexact flag either (the evaluator reports the flags'
// word: 16 before, 16 still).
TEST(ElementwiseKernels, SinesManyAtATimeFollowTheRule) {
    const std::vector<float> edges = {M, 0.0f, -0.0f, 1e-45f, -1e-40f, FLT_MIN, INFINITY, -INFINITY,
                                      std::nanf(""), 0x1p24f, -0x1p24f, std::nextafter(0x1p24f, 0.0f),
                                      3e38f, -1e30f, 0x1.33333p+13f, 0x1.000064p+0f, -0x1.906204p+8f,
                                      0x1.4ac55cp+22f, 3.1415927f, 1.5707964f, 0x1p-12f, -0x1.fffffep-13f};
    const std::vector<float> inexactfree = {M, 0.0f, -0.0f, 1e-30f, -0x1.fffffep-13f, INFINITY, -INFINITY,
                                            std::nanf("")};
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    // The quiet bit clear: a signalling NaN, which raises the invalid flag.
    auto signalling = [&](float f) { return std::isnan(f) && (bits(f) & 0x00400000u) == 0; };
    std::mt19937 random(17);
    auto draw = [&] {
        if (random() % 4 == 0) return edges[random() % edges.size()];
        const float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        // Mostly of the statements' sizes, of either sign.
        return random() % 3 ? std::fmod(f, 3000.0f) : f;
    };
    const int flags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW | FE_INEXACT;
    enum Kind { finite, withinfinities, noninexact };
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (int n : {0, 1, 7, 15, 16, 17, 37, 64, 1999}) {
            for (Kind kind : {finite, withinfinities, noninexact}) {
                std::vector<float> x(static_cast<std::size_t>(n));
                for (float& f : x) {
                    if (kind == noninexact) {
                        f = inexactfree[random() % inexactfree.size()];
                        continue;
                    }
                    do f = draw();
                    while (kind == finite && (std::isinf(f) || signalling(f)));
                }
                if (kind != finite && n > 0) x[random() % n] = random() % 2 ? INFINITY : -INFINITY;
                std::feclearexcept(FE_ALL_EXCEPT);
                const std::vector<float> got = apply(sinkernel, x);
                const int raised = std::fetestexcept(flags);
                std::feclearexcept(FE_ALL_EXCEPT);
                std::vector<float> expected(x.size());
                for (int i = 0; i < n; ++i) expected[i] = fnsin(x[i]);
                const std::string where = std::to_string(width) + " lanes, " + std::to_string(n) + ", kind " +
                                          std::to_string(static_cast<int>(kind));
                EXPECT_EQ(raised, std::fetestexcept(flags)) << where;
                EXPECT_EQ(raised & FE_INVALID, kind != finite && n > 0 ? FE_INVALID : 0) << where;
                if (kind == noninexact) {
                    EXPECT_EQ(raised & FE_INEXACT, 0) << where;
                }
                std::feclearexcept(FE_ALL_EXCEPT);
                for (int i = 0; i < n; ++i)
                    ASSERT_EQ(bits(got[i]), bits(expected[i])) << where << " at " << i << ": " << std::hexfloat << x[i];
            }
        }
    }
}

// A lane that leaves the double path (in doubt, or outside its domain) is recomputed alone:
// in every lane of a vector, two at a time, in every version the machine runs.
TEST(ElementwiseKernels, SineLanesLeavingTheDoublePathAreRecomputed) {
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    // Certified by MPFR (the first two, in doubt, sinf rounds the other way).
    struct Case {
        float x, sine;
    };
    const Case cases[] = {{0x1.33333p+13f, -0x1.63f4bap-2f}, {-0x1.906204p+8f, 0x1.f89a5ap-1f},
                          {0x1p24f, -0x1.8f22f8p-1f},        {-3e38f, -0x1.bff388p-1f}};
    for (const Case& c : cases) ASSERT_EQ(bits(fnsin(c.x)), bits(c.sine)) << std::hexfloat << c.x;
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (int at = 0; at < 34; ++at) {
            std::vector<float> x(40, 2.0f);
            x[at] = cases[at % 4].x;
            x[at + 5] = cases[(at + 1) % 4].x;
            const std::vector<float> got = apply(sinkernel, x);
            for (std::size_t i = 0; i < x.size(); ++i) {
                const float want = i == static_cast<std::size_t>(at)       ? cases[at % 4].sine
                                   : i == static_cast<std::size_t>(at + 5) ? cases[(at + 1) % 4].sine
                                                                           : fnsin(2.0f);
                ASSERT_EQ(bits(got[i]), bits(want)) << width << " lanes, at " << i << ": " << std::hexfloat << x[i];
            }
        }
    }
}

// The sine from 2^24 on, many lanes at a time (each such lane is reduced alone on integers):
// a float in every binade up to FLT_MAX, the floats nearest a multiple of pi and those whose
// sine is nearest a halfway point, of either sign, against MPFR's sine rounded to float, in
// every version the machine runs. First all in a row, so that whole vectors take that path
// and raise the inexact flag alone; then one or two at a time among ordinary values, so that
// each falls in every lane.
TEST(ElementwiseKernels, SinesOfLargeArgumentsManyAtATime) {
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    std::vector<float> large;
    for (std::uint32_t exponent = 151; exponent <= 254; ++exponent)
        large.push_back(std::bit_cast<float>(exponent << 23 | ((exponent * 0x9E3779u) & 0x7FFFFFu)));
    large.insert(large.end(), std::begin(largesines::nearpi), std::end(largesines::nearpi));
    large.insert(large.end(), std::begin(largesines::halfway), std::end(largesines::halfway));
    large.push_back(FLT_MAX);
    const std::size_t count = large.size();
    for (std::size_t i = 0; i < count; ++i) large.push_back(-large[i]);
    std::vector<float> want(large.size());
    for (std::size_t i = 0; i < large.size(); ++i) want[i] = largesines::certifiedsin(large[i]);
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        std::feclearexcept(FE_ALL_EXCEPT);
        const std::vector<float> got = apply(sinkernel, large);
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_INEXACT) << width << " lanes";
        for (std::size_t i = 0; i < large.size(); ++i)
            ASSERT_EQ(bits(got[i]), bits(want[i])) << width << " lanes: " << std::hexfloat << large[i];
        for (int gap : {1, 2, 3, 5, 7, 9, 13, 17}) {
            std::vector<float> x, expected;
            for (std::size_t i = 0; i < large.size(); ++i) {
                x.push_back(large[i]);
                expected.push_back(want[i]);
                for (int k = 0; k < gap; ++k) {
                    x.push_back(0.5f + static_cast<float>(k));
                    expected.push_back(largesines::certifiedsin(x.back()));
                }
            }
            const std::vector<float> mixed = apply(sinkernel, x);
            for (std::size_t i = 0; i < x.size(); ++i)
                ASSERT_EQ(bits(mixed[i]), bits(expected[i]))
                    << width << " lanes, gap " << gap << ": " << std::hexfloat << x[i];
        }
    }
}

TEST(ElementwiseKernels, ValueFunctionsFollowTheirMissingRules) {
    struct Case {
        const char* name;
        float (*f)(float);
        float in;
        float expected;
    };
    const Case cases[] = {
        {"exp 0", fnexp, 0, 1},           {"exp 100", fnexp, 100, floatExpMax},
        {"exp missing", fnexp, M, M},     {"log e", fnlog, static_cast<float>(std::exp(1.0)), 1},
        {"log 0", fnlog, 0, M},           {"log -2", fnlog, -2, M},
        {"log missing", fnlog, M, M},     {"log max", fnlog, FLT_MAX, std::log(FLT_MAX)},
        {"sqrt 9", fnsqrt, 9, 3},         {"sqrt -4", fnsqrt, -4, 0},
        {"sqrt missing", fnsqrt, M, 0},   {"sq -3", fnsq, -3, 9},
        {"sq missing", fnsq, M, M},       {"fabs -2", fnfabs, -2, 2},
        {"fabs missing", fnfabs, M, M},   {"sign 0", fnsign, 0, 1},
        {"sign -5", fnsign, -5, -1},      {"sign missing", fnsign, M, -1},
        {"ifpos 0", fnifpos, 0, 0},       {"ifpos 2", fnifpos, 2, 1},
        {"ifpos missing", fnifpos, M, 0}, {"pos -3", fnpos, -3, 0},
        {"pos 3", fnpos, 3, 3},           {"pos missing", fnpos, M, M},
        {"zero missing", fnzero, M, 0},   {"zero 4", fnzero, 4, 4},
        {"miss 0", fnmiss, 0, M},         {"miss 0.00000005", fnmiss, 0.00000005f, M},
        {"miss 1", fnmiss, 1, 1},         {"sin pi/2", fnsin, 1.5707964f, 1},
        {"sin missing", fnsin, M, M},     {"sin 0", fnsin, 0, 0},
    };
    for (const Case& c : cases) {
        const float got = c.f(c.in);
        if (ismissing(c.expected)) {
            EXPECT_TRUE(ismissing(got)) << c.name << " gave " << got;
        } else {
            EXPECT_NEAR(got, c.expected, 1e-6 * (1 + std::fabs(c.expected))) << c.name;
        }
    }
}

TEST(ElementwiseKernels, RoundHalvesAwayFromZeroAndNeverOverflows) {
    struct Case {
        float in;
        long decimals;
        float expected;
    };
    const Case cases[] = {
        {2.5f, 0, 3}, {-2.5f, 0, -3}, {1.2345f, 2, 1.23f}, {-1.2355f, 3, -1.236f},
        {7.6f, -1, 8}, {M, 2, 0}, {M, 6, -0.000001f},
        // Far beyond the 64-bit intermediate: the value stands as it is.
        {3.0e30f, 2, 3.0e30f}, {-1.0e20f, 0, -1.0e20f}, {12.5f, 60, 12.5f},
    };
    for (const Case& c : cases) {
        std::vector<float> x = {c.in};
        roundkernel(x.data(), 1, c.decimals);
        EXPECT_NEAR(x[0], c.expected, 1e-6 * (1 + std::fabs(c.expected))) << c.in << " to " << c.decimals;
    }
}

TEST(ElementwiseKernels, PowLeavesZeroNegativeAndMissingBases) {
    std::vector<float> x = {3, 0, -2, M, 4, 2};
    const std::vector<float> y = {2, 2, 2, 2, M, 0.5f};
    powkernel(x.data(), y.data(), 6);
    expectSeries(x, {9, 0, -2, M, 4, std::sqrt(2.0f)}, "pow");
}

TEST(ElementwiseKernels, LintFillsInteriorGapsOnly) {
    expectSeries(apply(lintkernel, {M, 1, M, M, 4, M}), {M, 1, 2, 3, 4, M}, "lint");
    expectSeries(apply(lintkernel, {M, M, M}), {M, M, M}, "all missing");
    expectSeries(apply(lintkernel, {0, M, 10, M, M, M, 2}), {0, 5, 10, 8, 6, 4, 2}, "two gaps");
}

TEST(ElementwiseKernels, RandomDrawsRepeatAfterTheSameSeed) {
    std::vector<float> a(500), b(500), c(500);
    randuniform(5);
    randkernel(a.data(), 500);
    randkernel(c.data(), 500);
    randuniform(5);
    randkernel(b.data(), 500);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);  // one seed gives one continuing sequence
    for (float v : a) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LT(v, 1.0f);
    }
    std::vector<float> n(4000);
    randuniform(11);
    normalkernel(n.data(), 4000);
    double sum = 0, squares = 0;
    for (float v : n) {
        sum += v;
        squares += static_cast<double>(v) * v;
    }
    EXPECT_NEAR(sum / 4000, 0.0, 0.08);
    EXPECT_NEAR(squares / 4000, 1.0, 0.1);
}

// The kernels draw many values at a time from the shared generator: the same sequence, bit
// for bit, as the shared routines drawing one value at a time, whatever the mix of uniform
// and normal draws, odd counts (a normal pair split across calls) and reseeds, and the
// routines go on with the sequence afterwards.
TEST(ElementwiseKernels, BatchDrawsAreTheSharedGeneratorsSequence) {
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    struct Step {
        char kind;  // 'u' uniform, 'n' normal, 's' reseed
        int count;
    };
    const std::vector<Step> steps = {{'s', 77},  {'u', 1999}, {'n', 7},   {'u', 3},   {'n', 1999},
                                     {'n', 1},   {'u', 0},    {'n', 2},   {'s', 123}, {'n', 5},
                                     {'u', 500}, {'s', -4},   {'u', 1},   {'n', 333}};
    // The normal draws' factors are taken many lanes at a time: every version the machine runs.
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        std::vector<float> byOne, byKernel;
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<float>& out = pass == 0 ? byOne : byKernel;
            for (const Step& step : steps) {
                if (step.kind == 's') {
                    randuniform(step.count);
                    continue;
                }
                std::vector<float> x(static_cast<std::size_t>(step.count));
                if (pass == 0) {
                    for (float& v : x) v = step.kind == 'u' ? randuniform(drawSeed) : randnormal();
                } else if (step.kind == 'u') {
                    randkernel(x.data(), step.count);
                } else {
                    normalkernel(x.data(), step.count);
                }
                out.insert(out.end(), x.begin(), x.end());
                // The shared routines continue the sequence.
                out.push_back(randuniform(drawSeed));
                out.push_back(randnormal());
            }
        }
        ASSERT_EQ(byOne.size(), byKernel.size());
        for (std::size_t i = 0; i < byOne.size(); ++i)
            ASSERT_EQ(bits(byOne[i]), bits(byKernel[i])) << width << " lanes, at " << i;
    }
}

class ElementwiseHandlers : public seriestest::FunctionFixture {
protected:
    void SetUp() override {
        FunctionFixture::SetUp();
        store("x", {M, 1, M, M, 4, M, 2.5f, -2.5f});
        store("q", {100, 110, 99}, 4);
    }
};

TEST_F(ElementwiseHandlers, ValuesTextAndFrequency) {
    AtCall lint = call(atlint, "(x)");
    ASSERT_EQ(lint.code, 0);
    expectSeries(lint.values, {M, 1, 2, 3, 4, 3.25f, 2.5f, -2.5f, M}, "@lint(x)");
    EXPECT_EQ(lint.text, "(x)");
    EXPECT_EQ(lint.frequency, 1);

    AtCall round = call(atround, "(x, 0)");
    ASSERT_EQ(round.code, 0);
    EXPECT_EQ(round.values[6], 3.0f);
    EXPECT_EQ(round.values[7], -3.0f);
    EXPECT_EQ(round.text, "(x,0)");

    AtCall whole = call(atround, "(q*1.26, -1)");
    ASSERT_EQ(whole.code, 0);
    EXPECT_EQ(whole.values[0], 126.0f);
    EXPECT_EQ(whole.frequency, 4);

    AtCall pow = call(atpow, "(q, 2)");
    ASSERT_EQ(pow.code, 0);
    EXPECT_NEAR(pow.values[1], 12100.0f, 0.01f);
    EXPECT_EQ(pow.frequency, 0);  // that of the constant exponent
    EXPECT_EQ(pow.text, "(q,2)");

    AtCall diff = call(atdiff, "(q)");
    ASSERT_EQ(diff.code, 0);
    expectSeries(diff.values, {M, 10, -11, M}, "@diff(q)");
}

TEST_F(ElementwiseHandlers, ArgumentFaultsAreReported) {
    struct Case {
        AtHandler handler;
        const char* line;
        const char* label;
    };
    const Case cases[] = {
        {atexp, "(x, 2)", "@exp"},   {atdiff, "x)", "@diff"},  {atround, "(x)", "round"},
        {atround, "(x, y)", "round"}, {atpow, "(x)", "@pow"},   {atrand, "(3)", "@rand"},
        {atnormal, "(x)", "@normal"},
    };
    for (const Case& c : cases) {
        AtCall r = call(c.handler, c.line);
        EXPECT_NE(r.code, 0) << c.line;
        EXPECT_TRUE(printed(std::string(" error in ") + c.label + " function")) << c.line << output();
        output();
    }
}

TEST_F(ElementwiseHandlers, RandomDrawsHaveNoFrequency) {
    randuniform(5);
    AtCall r = call(atrand, "()");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.frequency, 0);
    randuniform(5);
    std::vector<float> again(obs);
    randkernel(again.data(), obs);
    EXPECT_EQ(r.values, again);
    EXPECT_EQ(r.text, "()");
}

}  // namespace

}  // namespace functions_elementwise_test
