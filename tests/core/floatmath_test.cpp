#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "core/floatmath.h"
#include "core/missing.h"
#include "largesines.h"

namespace floatmath_test {

// The certified value: MPFR's correctly rounded logarithm or exponential at float precision
// (every value these tests ask for is a normal float).
float certified(float x, bool exponential) {
    mpfr_t a, r;
    mpfr_init2(a, 24);
    mpfr_init2(r, 24);
    mpfr_set_flt(a, x, MPFR_RNDN);
    if (exponential) mpfr_exp(r, a, MPFR_RNDN);
    else mpfr_log(r, a, MPFR_RNDN);
    const float f = mpfr_get_flt(r, MPFR_RNDN);
    mpfr_clear(a);
    mpfr_clear(r);
    return f;
}

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

double approx(float x, bool exponential) {
    return exponential ? floatmath::expapprox<float, double, std::int64_t>(x)
                       : floatmath::logapprox<float, std::uint32_t, std::int32_t, double>(x);
}
float rounded(float x, bool exponential) { return exponential ? floatmath::exp(x) : floatmath::ln(x); }
// The same with the polynomials' steps fused (fma on each lane), as the vector versions of 8
// and 16 lanes compute them.
float roundedFused(float x, bool exponential) {
    const double y = exponential ? floatmath::expapprox<float, double, std::int64_t, true>(x)
                                 : floatmath::logapprox<float, std::uint32_t, std::int32_t, double, true>(x);
    if (floatmath::indoubt<double, std::uint32_t, std::uint64_t>(y))
        return exponential ? floatmath::expslow(x) : floatmath::lnslow(x);
    return static_cast<float>(y);
}

// Arguments whose value lies so near a point halfway between two floats that the double
// approximation cannot decide the rounding: they must take the long double path and still
// give the certified float. Some of them are arguments the C library's logf rounds the other
// way (the first, and the third).
TEST(FloatMath, ArgumentsNearAHalfwayPointAreRecomputed) {
    struct Case {
        bool exponential;
        float x;
    };
    const Case cases[] = {
        {false, 0x1.6b6dfep-124f}, {false, 0x1.6580a8p-112f}, {false, 0x1.917748p-100f},
        {false, 0x1.cadceap-88f},  {false, 0x1.bfa42ep-76f},  {false, 0x1.463ea2p-63f},
        {true, -0x1.fffffap-26f},  {true, -0x1.b09b6cp-13f},  {true, 0x1.b78498p-1f},
        {true, 0x1p-24f},          {true, -0x1p-25f},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE((floatmath::indoubt<double, std::uint32_t, std::uint64_t>(approx(c.x, c.exponential))))
            << std::hexfloat << c.x;
        EXPECT_EQ(bits(rounded(c.x, c.exponential)), bits(certified(c.x, c.exponential)))
            << (c.exponential ? "exp " : "ln ") << std::hexfloat << c.x;
    }
}

// Every 2011th float of each domain (about a million arguments in all, every binade of both
// functions) against the certified value, and the ends of the domains the @functions use: the
// scalar functions, and the same approximations with their steps fused.
TEST(FloatMath, CorrectlyRoundedAcrossTheDomains) {
    for (std::uint32_t u = 0x00800000u; u < 0x7f800000u; u += 2011) {
        const float x = std::bit_cast<float>(u);
        const std::uint32_t want = bits(certified(x, false));
        ASSERT_EQ(bits(floatmath::ln(x)), want) << "ln " << std::hexfloat << x;
        ASSERT_EQ(bits(roundedFused(x, false)), want) << "fused ln " << std::hexfloat << x;
    }
    for (std::uint32_t u = 0; u <= std::bit_cast<std::uint32_t>(floatLogMax); u += 2011) {
        for (float x : {std::bit_cast<float>(u), -std::bit_cast<float>(u)}) {
            if (x <= floatLogMin) continue;
            const std::uint32_t want = bits(certified(x, true));
            ASSERT_EQ(bits(floatmath::exp(x)), want) << "exp " << std::hexfloat << x;
            ASSERT_EQ(bits(roundedFused(x, true)), want) << "fused exp " << std::hexfloat << x;
        }
    }
    const float ends[] = {FLT_MIN, floatExpMin, std::nextafter(1.0f, 0.0f), 1.0f,
                          std::nextafter(1.0f, 2.0f), FLT_MAX};
    for (float x : ends) {
        EXPECT_EQ(bits(floatmath::ln(x)), bits(certified(x, false))) << std::hexfloat << x;
        EXPECT_EQ(bits(roundedFused(x, false)), bits(certified(x, false))) << std::hexfloat << x;
    }
    const float exps[] = {std::nextafter(floatLogMin, 0.0f), -1e-30f, 0.0f, 1e-30f, FLT_TRUE_MIN, -FLT_MIN,
                          std::nextafter(floatLogMax, 0.0f), floatLogMax};
    for (float x : exps) {
        EXPECT_EQ(bits(floatmath::exp(x)), bits(certified(x, true))) << std::hexfloat << x;
        EXPECT_EQ(bits(roundedFused(x, true)), bits(certified(x, true))) << std::hexfloat << x;
    }
    EXPECT_EQ(bits(floatmath::ln(1.0f)), 0u);
    EXPECT_EQ(bits(roundedFused(1.0f, false)), 0u);
    EXPECT_EQ(floatmath::exp(0.0f), 1.0f);
    EXPECT_EQ(roundedFused(0.0f, true), 1.0f);
}

// The doubt test on 64-bit lanes (a negative result) is the same test: the window's ends and
// the values beside them in the 29 dropped bits, under any higher bits, and random patterns.
TEST(FloatMath, DoubtTestOnWideLanesIsTheSameTest) {
    auto same = [](std::uint64_t b) {
        const double y = std::bit_cast<double>(b);
        return (floatmath::doubtsign<double, std::int64_t>(y) < 0) ==
               floatmath::indoubt<double, std::uint32_t, std::uint64_t>(y);
    };
    const std::uint64_t lows[] = {0,          1,          0x0FFDFFFF, 0x0FFE0000, 0x0FFE0001, 0x0FFFFFFF,
                                  0x10000000, 0x1001FFFF, 0x10020000, 0x10020001, 0x1FFFFFFF};
    const std::uint64_t highs[] = {0, 0x3FF0000000000000u, 0xBFF0000000000000u, 0x7FEFFFFFE0000000u,
                                   0xFFFFFFFFE0000000u, 0x0000000020000000u};
    int inside = 0;
    for (std::uint64_t high : highs)
        for (std::uint64_t low : lows) {
            EXPECT_TRUE(same(high | low)) << std::hex << (high | low);
            inside += floatmath::indoubt<double, std::uint32_t, std::uint64_t>(std::bit_cast<double>(high | low));
        }
    EXPECT_EQ(inside, 6 * 6);  // the six from 0x0FFE0000 to 0x10020000, under every high part
    std::mt19937_64 random(5);
    for (int k = 0; k < 1000000; ++k) {
        const std::uint64_t b = random();
        ASSERT_TRUE(same(b)) << std::hex << b;
        // Dropped bits near the window's ends.
        ASSERT_TRUE(same((b & ~0x1FFFFFFFull) | ((0x0FFE0000u + (b & 0x7FFFF)) - 0x40000u))) << std::hex << b;
    }
}

using largesines::certifiedsin;
double sinapprox(float x) { return floatmath::sinapprox<float, double, std::int64_t>(x); }

// Arguments whose double sine lies so near a point halfway between two floats that it cannot
// decide the rounding: they take the long double path and give the certified float (the
// values written here were computed with MPFR; the C library's sinf rounds every one of them
// the other way). For the first two even rounding the double once would give the wrong float.
TEST(FloatMath, SineArgumentsNearAHalfwayPointAreRecomputed) {
    struct Case {
        float x, sine;
    };
    const Case cases[] = {
        {0x1.33333p+13f, -0x1.63f4bap-2f}, {0x1.f83c38p+20f, 0x1.fe11ap-1f},  {0x1.250cp-11f, 0x1.250bfep-11f},
        {0x1.333b2cp-2f, 0x1.2ea476p-2f},  {0x1.000064p+0f, 0x1.aed5b4p-1f},  {0x1.8044bp+1f, 0x1.1cc35cp-3f},
        {0x1.90056cp+6f, -0x1.00eafcp-1f}, {0x1.34b7c8p+10f, -0x1.ca41f4p-3f}, {0x1.117044p+16f, -0x1.4a9372p-1f},
        {0x1.315bfep+22f, 0x1.6c6adap-1f}, {-0x1.0006e2p+1f, -0x1.d183fap-1f}, {-0x1.906204p+8f, 0x1.f89a5ap-1f},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE((floatmath::indoubt<double, std::uint32_t, std::uint64_t>(sinapprox(c.x)))) << std::hexfloat << c.x;
        EXPECT_EQ(bits(floatmath::sin(c.x)), bits(c.sine)) << std::hexfloat << c.x;
        EXPECT_EQ(bits(certifiedsin(c.x)), bits(c.sine)) << std::hexfloat << c.x;
    }
    EXPECT_NE(bits(static_cast<float>(sinapprox(0x1.33333p+13f))), bits(-0x1.63f4bap-2f));
    EXPECT_NE(bits(static_cast<float>(sinapprox(0x1.f83c38p+20f))), bits(0x1.fe11ap-1f));
}

// Every 2011th float below 2^24 of either sign (the double path and its doubt test), a
// stride through the larger floats (the reduction on integers), and the arguments where the
// Cody-Waite reduction is hardest: the floats nearest multiples of pi, in several binades,
// whose remainder is as small as 2^-26.8. Then the ends of the double path's domain,
// subnormals and both zeros.
TEST(FloatMath, SineCorrectlyRoundedForEveryKindOfArgument) {
    for (std::uint32_t u = 0; u < floatmath::sinBoundBits; u += 2011) {
        for (float x : {std::bit_cast<float>(u), -std::bit_cast<float>(u)}) {
            ASSERT_EQ(bits(floatmath::sin(x)), bits(certifiedsin(x))) << std::hexfloat << x;
        }
    }
    for (std::uint32_t u = floatmath::sinBoundBits; u < 0x7f800000u; u += 100003) {
        const float x = std::bit_cast<float>(u);
        ASSERT_EQ(bits(floatmath::sin(x)), bits(certifiedsin(x))) << std::hexfloat << x;
        ASSERT_EQ(bits(floatmath::sin(-x)), bits(certifiedsin(-x))) << std::hexfloat << -x;
    }
    const float nearpi[] = {0x1.921fb6p+1f, 0x1.921fb6p+2f, 0x1.2d97c8p+3f, 0x1.2d97c8p+7f, 0x1.f9cbe2p+8f,
                            0x1.f9cbe2p+11f, 0x1.17cc5p+15f, 0x1.9a48dep+16f, 0x1.04ccbcp+21f, 0x1.4ac55cp+22f,
                            0x1.4ac55cp+23f};
    for (float x : nearpi) {
        // These arguments are that near a multiple of pi: their sines are below 2^-19.
        EXPECT_LT(std::fabs(certifiedsin(x)), 0x1p-19f) << std::hexfloat << x;
        EXPECT_EQ(bits(floatmath::sin(x)), bits(certifiedsin(x))) << std::hexfloat << x;
        EXPECT_EQ(bits(floatmath::sin(-x)), bits(certifiedsin(-x))) << std::hexfloat << -x;
    }
    const float ends[] = {0x1p24f, std::nextafter(0x1p24f, 0.0f), std::nextafter(0x1p24f, 0x1p25f), FLT_MAX,
                          0x1p-149f, 0x1.fffffcp-127f, FLT_MIN, 1e-30f, 0x1p-12f, 0x1.6a09e6p-12f, 1.5707964f,
                          3.1415927f, 1e6f};
    for (float x : ends) {
        EXPECT_EQ(bits(floatmath::sin(x)), bits(certifiedsin(x))) << std::hexfloat << x;
        EXPECT_EQ(bits(floatmath::sin(-x)), bits(certifiedsin(-x))) << std::hexfloat << -x;
    }
    // A tiny argument is its own sine, the missing value included; zeros keep their sign.
    EXPECT_EQ(bits(floatmath::sin(MISSING)), bits(MISSING));
    EXPECT_EQ(bits(floatmath::sin(0.0f)), 0u);
    EXPECT_EQ(bits(floatmath::sin(-0.0f)), 0x80000000u);
}

// The constants of the reduction from 2^24 on: the first 256 bits of 1/pi, the window of 128
// of them for each binade (bits e to e + 127 for the floats m 2^e) and the scales by pi,
// against MPFR's pi in 400 bits.
TEST(FloatMath, LargeSineReductionHoldsTheBitsOfPi) {
    mpfr_t v, wrap;
    mpfr_init2(v, 400);
    mpfr_init2(wrap, 400);
    mpfr_set_ui_2exp(wrap, 1, 64, MPFR_RNDN);
    // The 64-bit integer whose bits are those of weights 2^-from to 2^-(from + 63) in 1/pi.
    auto bitsof = [&](int from) {
        mpfr_const_pi(v, MPFR_RNDN);
        mpfr_ui_div(v, 1, v, MPFR_RNDN);
        mpfr_mul_2si(v, v, from + 63, MPFR_RNDN);
        mpfr_floor(v, v);
        mpfr_fmod(v, v, wrap, MPFR_RNDN);
        return static_cast<std::uint64_t>(mpfr_get_ui(v, MPFR_RNDN));
    };
    for (int k = 0; k < 4; ++k) EXPECT_EQ(floatmath::invPiBits[k], bitsof(64 * k + 1)) << k;
    for (int e = 1; e <= 104; ++e) {
        EXPECT_EQ(floatmath::invPiWindows.at[150 + e].high, bitsof(e)) << e;
        EXPECT_EQ(floatmath::invPiWindows.at[150 + e].low, bitsof(e + 64)) << e;
    }
    mpfr_const_pi(v, MPFR_RNDN);
    const double pi = mpfr_get_d(v, MPFR_RNDN);
    for (int negative : {0, 1}) {
        EXPECT_EQ(floatmath::sinLargeScales[negative][0], (negative ? -pi : pi) * 0x1p-64) << negative;
        EXPECT_EQ(floatmath::sinLargeScales[negative][1], (negative ? -pi : pi) * 0x1p-117) << negative;
    }
    mpfr_clear(v);
    mpfr_clear(wrap);
}

// The sine from 2^24 on (the reduction on integers): in every binade up to FLT_MAX and of
// either sign, the binade's ends and random floats in it; then the floats nearest a multiple
// of pi and those whose sine is nearest a halfway point. The double is within 2^-44 of the
// sine (MPFR's in 160 bits: the bound the doubt test relies on), the halfway ones are in doubt,
// and the float is MPFR's, with the inexact flag alone raised.
TEST(FloatMath, SineOfLargeArgumentsWithinTheBound) {
    std::vector<float> xs;
    std::mt19937 random(24);
    for (std::uint32_t exponent = 151; exponent <= 254; ++exponent) {
        const std::uint32_t first = exponent << 23;
        for (std::uint32_t u : {first, first + 1, first + 0x7FFFFFu})
            xs.push_back(std::bit_cast<float>(u));
        for (int k = 0; k < 30; ++k)
            xs.push_back(std::bit_cast<float>(first + static_cast<std::uint32_t>(random() & 0x7FFFFFu)));
    }
    xs.insert(xs.end(), std::begin(largesines::nearpi), std::end(largesines::nearpi));
    xs.insert(xs.end(), std::begin(largesines::halfway), std::end(largesines::halfway));
    mpfr_t a, sine, error;
    mpfr_init2(a, 24);
    mpfr_init2(sine, 160);
    mpfr_init2(error, 160);
    for (float magnitude : xs) {
        for (float x : {magnitude, -magnitude}) {
            const double y = floatmath::sinlargeapprox(x);
            mpfr_set_flt(a, x, MPFR_RNDN);
            mpfr_sin(sine, a, MPFR_RNDN);
            mpfr_sub_d(error, sine, y, MPFR_RNDN);
            mpfr_abs(error, error, MPFR_RNDN);
            mpfr_div(error, error, sine, MPFR_RNDN);
            mpfr_abs(error, error, MPFR_RNDN);
            ASSERT_LT(mpfr_get_d(error, MPFR_RNDU), 0x1p-44) << std::hexfloat << x;
            std::feclearexcept(FE_ALL_EXCEPT);
            const float got = floatmath::sin(x);
            ASSERT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_INEXACT) << std::hexfloat << x;
            ASSERT_EQ(bits(got), bits(certifiedsin(x))) << std::hexfloat << x;
        }
    }
    for (float x : largesines::nearpi) EXPECT_LT(std::fabs(certifiedsin(x)), 0x1p-21f) << std::hexfloat << x;
    for (float x : largesines::halfway) {
        EXPECT_TRUE((floatmath::indoubt<double, std::uint32_t, std::uint64_t>(floatmath::sinlargeapprox(x))))
            << std::hexfloat << x;
    }
    mpfr_clear(a);
    mpfr_clear(sine);
    mpfr_clear(error);
}

// The sine of an infinity is a NaN and raises the invalid flag, as the C library's does; a
// quiet NaN passes through without it. Finite arguments raise no flag but inexact; a tiny one
// (the missing value among them) is its own sine with no flag at all, and a subnormal one
// raises underflow, as the C library's sinf did.
TEST(FloatMath, SineFlags) {
    for (float x : {INFINITY, -INFINITY}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        EXPECT_TRUE(std::isnan(floatmath::sin(x)));
        EXPECT_TRUE(std::fetestexcept(FE_INVALID));
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_TRUE(std::isnan(floatmath::sin(std::nanf(""))));
    EXPECT_EQ(std::fetestexcept(FE_INVALID), 0);
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
    std::feclearexcept(FE_ALL_EXCEPT);
    float sink = 0;
    for (float x : {FLT_MIN, 1e-30f, MISSING, 0.0f, 0.5f, 0x1.33333p+13f, 3.1415927f, 1e7f, 1e30f, FLT_MAX})
        sink += floatmath::sin(x) + floatmath::sin(-x);
    EXPECT_EQ(std::fetestexcept(faults), 0);
    EXPECT_TRUE(std::isfinite(sink));
    for (float x : {MISSING, -0x1.fffffep-13f, 1e-30f, FLT_MIN, 0.0f, -0.0f}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        EXPECT_EQ(bits(floatmath::sin(x)), bits(x)) << std::hexfloat << x;
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0) << std::hexfloat << x;
    }
    for (float x : {0x1p-149f, -0x1.fffffcp-127f}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        EXPECT_EQ(bits(floatmath::sin(x)), bits(x)) << std::hexfloat << x;
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_UNDERFLOW | FE_INEXACT) << std::hexfloat << x;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// Within their domains the functions raise no flag but inexact, and not even that where the
// result is exact (ln 1 = 0, e^0 = 1): also for the tiniest arguments of e^x, whose powers in
// the polynomial would underflow if formed (no power above the fourth is), and with the steps
// fused.
TEST(FloatMath, RaiseNoFaultFlag) {
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
    for (bool fused : {false, true}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        float sink = 0;
        for (float x : {FLT_MIN, 1e-30f, 0.5f, 1.0f, 3.0f, 1e30f, FLT_MAX})
            sink += fused ? roundedFused(x, false) : floatmath::ln(x);
        for (float x : {floatLogMin, -1.0f, 0.0f, 1e-30f, 1.0f, floatLogMax, FLT_TRUE_MIN, -FLT_TRUE_MIN, 1e-39f,
                        -FLT_MIN, 0x1.2p-126f, -0x1.fffffep-126f})
            sink += fused ? roundedFused(x, true) : floatmath::exp(x);
        EXPECT_EQ(std::fetestexcept(faults), 0) << (fused ? "fused" : "separate");
        EXPECT_TRUE(std::isfinite(sink));
        std::feclearexcept(FE_ALL_EXCEPT);
        sink = fused ? roundedFused(1.0f, false) + roundedFused(0.0f, true) + roundedFused(-0.0f, true)
                     : floatmath::ln(1.0f) + floatmath::exp(0.0f) + floatmath::exp(-0.0f);
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0) << (fused ? "fused" : "separate");
        EXPECT_EQ(sink, 2.0f);
    }
}

}  // namespace floatmath_test
