// The natural logarithm and the exponential of floats, correctly rounded: the result is the
// float nearest the exact value (ties cannot occur), for every argument these functions take.
//
// Each is computed in double, where its error is below 2^-39 of the value, and rounded to float
// once. That rounding can only go wrong when the exact value lies within the error of a point
// halfway between two floats; a double whose dropped bits are that close to a half (within
// 2^17 of its 2^29 last units, eight times the bound) is recomputed in long double (64-bit
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

// The doubles nearest ln 2 and 1 / ln 2.
constexpr double ln2 = 6.93147180559945286227e-01;
constexpr double invLn2 = 1.44269504088896338700e+00;

// ln x in double for floats x that are positive, finite and normal (U and I: the unsigned and
// signed 32-bit integers of the same lanes as F; D: the doubles).
//
// x = 2^k m with m in [sqrt(1/2), sqrt(2)) is split exactly on the float's bits; then
// ln m = 2 atanh(s) = 2s + 2s^3/3 + 2s^5/5 + ... with s = (m - 1) / (m + 1), |s| <= 0.1716,
// z = s^2 <= 0.02944. m - 1 and m + 1 are exact in double.
//
// The error bound. Seven terms leave out 2|s|^15/15 + 2|s|^17/17 + ... < 2|s| z^7 / (15 (1 - z))
// < 1.3e-12 * 2|s| <= 2^-39.4 |ln m|, since |ln m| = 2 |atanh s| >= 2|s|. The roundings: s is
// within 2^-53 of its value, which moves ln m by at most 2^-53 (1 + z) |ln m|; s z p is below
// 0.021 |s| and carries at most 8 roundings (2^-50 of itself); for k = 0 the head is 2s
// exactly; otherwise |ln x| >= |k| ln 2 / 2 >= |ln m|, the double nearest ln 2 times k is
// within 2^-52.9 |k ln 2| <= 2^-51.9 |ln x| of k ln 2, and the head's sum and the last sum are
// each rounded once, relative to partial sums no larger than 1.02 |ln x| (k ln 2 + 2s is within
// 0.004 of ln x). Together below 2^-39.4 + 2^-49 < 2^-39 of ln x (the largest error over every
// positive normal float, checked once against long double, is 8105 units of the double's
// last place, 2^13: the doubt window is 2^17).
template <class F, class U, class I, class D>
[[gnu::always_inline]] inline D logapprox(F x) {
    const U u = std::bit_cast<U>(x);
    const I k = std::bit_cast<I>(u - 0x3F3504F3u) >> 23;  // the float bits of sqrt(1/2)
    const F m = std::bit_cast<F>(u - (std::bit_cast<U>(k) << 23));
    const D md = convert<D>(m);
    const D kd = convert<D>(k);
    const D s = (md - 1.0) / (md + 1.0);
    // The terms after 2s, s z (2/3 + 2z/5 + ... + 2z^5/13), summed in three independent pairs
    // (Estrin's scheme), so that the chain after the division is four steps, not six.
    const D z = s * s;
    const D z2 = z * z;
    const D low = z * (2.0 / 5.0) + 2.0 / 3.0;
    const D middle = z * (2.0 / 9.0) + 2.0 / 7.0;
    const D high = z * (2.0 / 13.0) + 2.0 / 11.0;
    const D p = (low + z2 * middle) + (z2 * z2) * high;
    const D head = kd * ln2 + (s + s);
    return head + (s * z) * p;
}

// e^x in double for floats x with |x| < 88 (so that e^x and 2^k below are normal doubles; Q:
// the 64-bit integers of the same lanes as D).
//
// x = k ln 2 + r with k the integer nearest x / ln 2 (taken from the bits of a sum with
// 1.5 * 2^52) and |r| <= 0.3466 + 2^-40, exact but for the last rounding; e^r by its Taylor
// series to r^10 / 10!; then the exact scaling by 2^k.
//
// The error bound. The rest of the series is below |r|^11 / 11! e^|r| < 2.2e-13 e^|r| <
// 2^-41 e^r, as e^|r| / e^r <= e^0.7 < 2.02. With |k| <= 128, k times the double nearest ln 2
// is within 128 ln 2 (2^-55.2 + 2^-53) < 2^-45.8 of k ln 2, and the subtraction adds at most
// 2^-54.5: r is within 2^-45.7 of x - k ln 2, which moves e^r by less than 2^-45.6 of itself
// (this sets the bound on the largest arguments); the polynomial's roundings, about
// twenty, are each relative to a partial sum below e^|r| < 2.02 e^r, and so below 2^-47 e^r in
// all; the scaling is exact. Together below 2^-40.9 of e^x (over every float from -87.3 to
// 88.72, checked once against long double, the largest error is 1902 units of the double's
// last place).
template <class F, class D, class Q>
[[gnu::always_inline]] inline D expapprox(F x) {
    constexpr double shifter = 6755399441055744.0;  // 1.5 * 2^52
    const D xd = convert<D>(x);
    const D t = xd * invLn2 + shifter;
    const D kd = t - shifter;
    const D r = xd - kd * ln2;
    // The polynomial in pairs of terms (Estrin's scheme): a chain of five steps, not ten.
    const D r2 = r * r;
    const D r4 = r2 * r2;
    const D q0 = r + 1.0;
    const D q1 = r * (1.0 / 6.0) + 0.5;
    const D q2 = r * (1.0 / 120.0) + 1.0 / 24.0;
    const D q3 = r * (1.0 / 5040.0) + 1.0 / 720.0;
    const D q4 = r * (1.0 / 362880.0) + 1.0 / 40320.0;  // 1/9! and 1/8!
    const D top = r2 * (1.0 / 3628800.0) + q4;          // 1/10!
    const D p = ((q0 + r2 * q1) + r4 * (q2 + r2 * q3)) + (r4 * r4) * top;
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

// The same test on 64-bit lanes (Q: the signed 64-bit integers of the lanes of D), for vectors
// whose 64-bit lanes are as cheap as 32-bit ones: the dropped bits plus 2^28 + 2^17 fall,
// modulo 2^29, in [0, 2^18] exactly when they lie within 2^17 of 2^28, so that the result
// less 2^18 + 1 is negative exactly when the rounding is in doubt. The lane's sign is the
// answer (a vector loop tests the signs of several lanes at once).
template <class D, class Q>
[[gnu::always_inline]] inline Q doubtsign(D y) {
    return ((std::bit_cast<Q>(y) + 0x10020000) & 0x1FFFFFFF) - 0x40001;
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
