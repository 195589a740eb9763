#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "core/floatmath.h"
#include "core/missing.h"

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
// functions) against the certified value, and the ends of the domains the @functions use.
TEST(FloatMath, CorrectlyRoundedAcrossTheDomains) {
    for (std::uint32_t u = 0x00800000u; u < 0x7f800000u; u += 2011) {
        const float x = std::bit_cast<float>(u);
        ASSERT_EQ(bits(floatmath::ln(x)), bits(certified(x, false))) << "ln " << std::hexfloat << x;
    }
    for (std::uint32_t u = 0; u <= std::bit_cast<std::uint32_t>(floatLogMax); u += 2011) {
        const float x = std::bit_cast<float>(u);
        ASSERT_EQ(bits(floatmath::exp(x)), bits(certified(x, true))) << "exp " << std::hexfloat << x;
        if (-x > floatLogMin) {
            ASSERT_EQ(bits(floatmath::exp(-x)), bits(certified(-x, true))) << "exp " << std::hexfloat << -x;
        }
    }
    const float ends[] = {FLT_MIN, floatExpMin, std::nextafter(1.0f, 0.0f), 1.0f,
                          std::nextafter(1.0f, 2.0f), FLT_MAX};
    for (float x : ends) EXPECT_EQ(bits(floatmath::ln(x)), bits(certified(x, false))) << std::hexfloat << x;
    const float exps[] = {std::nextafter(floatLogMin, 0.0f), -1e-30f, 0.0f, 1e-30f,
                          std::nextafter(floatLogMax, 0.0f), floatLogMax};
    for (float x : exps) EXPECT_EQ(bits(floatmath::exp(x)), bits(certified(x, true))) << std::hexfloat << x;
    EXPECT_EQ(bits(floatmath::ln(1.0f)), 0u);
    EXPECT_EQ(floatmath::exp(0.0f), 1.0f);
}

// Within their domains the functions raise no flag but inexact.
TEST(FloatMath, RaiseNoFaultFlag) {
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
    std::feclearexcept(FE_ALL_EXCEPT);
    float sink = 0;
    for (float x : {FLT_MIN, 1e-30f, 0.5f, 1.0f, 3.0f, 1e30f, FLT_MAX}) sink += floatmath::ln(x);
    for (float x : {floatLogMin, -1.0f, 0.0f, 1e-30f, 1.0f, floatLogMax}) sink += floatmath::exp(x);
    EXPECT_EQ(std::fetestexcept(faults), 0);
    EXPECT_TRUE(std::isfinite(sink));
}

}  // namespace floatmath_test
