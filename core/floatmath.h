// The natural logarithm and the exponential of floats, correctly rounded: the result is the
// float nearest the exact value (ties cannot occur), for every argument these functions take.
//
// Each is computed in double, where its error is below 2^-39 of the value, and rounded to float
// once. That rounding can only go wrong when the exact value lies within the error of a point
// halfway between two floats; a double whose dropped bits are that close to a half (within
// 2^17 of its 2^29 last units, ten times the error) is recomputed in long double (64-bit
// significand), which the tests compare with certified values. About one argument in 2,000
// takes that path: the double needs no more precision than that, and a short series is fast.
//
// The approximations are written once for a double and for the compiler's vectors of doubles,
// so that a loop over a series computes many observations at a time with the same operations
// on each lane as the scalar function: series/lanes.h has the vector forms.
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>

namespace floatmath {

// A scalar or a vector converted element by element.
template <class To, class From>
[[gnu::always_inline]] inline To convert(From x) {
    if constexpr (std::is_arithmetic_v<From>) return static_cast<To>(x);
    else return __builtin_convertvector(x, To);
}

// ln 2 in two parts: the high part has 33 significant bits, so that k times it is exact for
// every exponent k of a float.
constexpr double ln2High = 6.93147180369123816490e-01;
constexpr double ln2Low = 1.90821492927058770002e-10;
constexpr double invLn2 = 1.44269504088896338700e+00;

// ln x in double for floats x that are positive, finite and normal (U and I: the unsigned and
// signed 32-bit integers of the same lanes as F; D: the doubles).
//
// x = 2^k m with m in [sqrt(1/2), sqrt(2)) is split exactly on the float's bits; then
// ln m = 2 atanh(s) = 2s + 2s^3/3 + 2s^5/5 + ... with s = (m - 1) / (m + 1), |s| <= 0.1716:
// seven terms leave out less than 2^-39 of the value. m - 1 and m + 1 are exact in double.
template <class F, class U, class I, class D>
[[gnu::always_inline]] inline D logapprox(F x) {
    const U u = std::bit_cast<U>(x);
    const I k = std::bit_cast<I>(u - 0x3F3504F3u) >> 23;  // the float bits of sqrt(1/2)
    const F m = std::bit_cast<F>(u - (std::bit_cast<U>(k) << 23));
    const D md = convert<D>(m);
    const D s = (md - 1.0) / (md + 1.0);
    const D z = s * s;
    D p = z * (2.0 / 13.0) + 2.0 / 11.0;
    p = p * z + 2.0 / 9.0;
    p = p * z + 2.0 / 7.0;
    p = p * z + 2.0 / 5.0;
    p = p * z + 2.0 / 3.0;
    const D lnm = (s + s) + s * (z * p);
    const D kd = convert<D>(k);
    return (kd * ln2High + lnm) + kd * ln2Low;
}

// e^x in double for floats x with |x| < 88 (so that e^x and 2^k below are normal doubles; Q:
// the 64-bit integers of the same lanes as D).
//
// x = k ln 2 + r with k the integer nearest x / ln 2 (taken from the bits of a sum with
// 1.5 * 2^52) and |r| <= 0.35, exact but for the last rounding; e^r by its Taylor series to
// r^10 / 10!, whose rest is below 2^-42; then the exact scaling by 2^k.
template <class F, class D, class Q>
[[gnu::always_inline]] inline D expapprox(F x) {
    constexpr double shifter = 6755399441055744.0;  // 1.5 * 2^52
    const D xd = convert<D>(x);
    const D t = xd * invLn2 + shifter;
    const D kd = t - shifter;
    const D r = (xd - kd * ln2High) - kd * ln2Low;
    D p = r * (1.0 / 3628800.0) + 1.0 / 362880.0;  // 1/10! and 1/9!
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;
    // k sits in the low bits of t: 2^k is the double with exponent field k + 1023.
    const Q k = std::bit_cast<Q>(t) - std::bit_cast<std::int64_t>(shifter);
    const D scale = std::bit_cast<D>((k + 1023) << 52);
    return p * scale;
}

// Whether the float rounding of y is in doubt: the 29 bits that rounding to float drops lie
// within 2^17 units of half their range. They lie in the low 32 bits of the double, which are
// taken as 32-bit integers (U: the unsigned 32-bit integers of the lanes of D; UQ: the 64-bit
// ones), so that a vector test needs no comparison of 64-bit lanes. All ones (a vector lane)
// or true when in doubt.
template <class D, class U, class UQ>
[[gnu::always_inline]] inline auto indoubt(D y) {
    const U low = convert<U>(std::bit_cast<UQ>(y)) & 0x1FFFFFFFu;
    return low - (0x10000000u - 0x20000u) <= 0x40000u;
}

// The recomputation in long double of the arguments in doubt.
float lnslow(float x);
float expslow(float x);

// ln x, correctly rounded, for x positive, finite and normal.
inline float ln(float x) {
    const double y = logapprox<float, std::uint32_t, std::int32_t, double>(x);
    return indoubt<double, std::uint32_t, std::uint64_t>(y) ? lnslow(x) : static_cast<float>(y);
}
// e^x, correctly rounded, for |x| < 87.5 (the result is a normal float).
inline float exp(float x) {
    const double y = expapprox<float, double, std::int64_t>(x);
    return indoubt<double, std::uint32_t, std::uint64_t>(y) ? expslow(x) : static_cast<float>(y);
}

}  // namespace floatmath
