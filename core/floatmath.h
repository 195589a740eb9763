// The natural logarithm, the exponential and the sine of floats, correctly rounded: the result
// is the float nearest the exact value (ties cannot occur), for every argument these functions
// take.
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

// The bits of a scalar or a vector as another type of the same size. A vector is reinterpreted
// in place: std::bit_cast of a vector wider than the machine's registers goes through memory.
template <class To, class From>
[[gnu::always_inline]] inline To bitsas(From x) {
    if constexpr (std::is_arithmetic_v<From>) return std::bit_cast<To>(x);
    else return reinterpret_cast<To>(x);
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

// sin x in double for floats x with 2^-12 <= |x| < 2^24 (Q: the 64-bit integers of the same
// lanes as D); also 0 for 0, with no flag.
//
// x = k pi + r with k the integer nearest x / pi (taken from the bits of a sum with 1.5 * 2^52,
// as in expapprox) and |r| <= pi/2 + 2^-28; sin x = sin((-1)^k r), the sign put on r by a
// product with +-1 (exact). r = ((x - k P1) - k P2) - k P3 (Cody and Waite) with pi = P1 + P2 +
// P3 + e: P1 and P2 of 30 significant bits, so that with |k| < 2^23 the products k P1 and k P2
// are exact, and x - k P1 is exact too (x and k P1 are within a factor of two, Sterbenz); P1 is
// pi rounded down and P2 the rest rounded down, |P3| < 2^-59.7 and 0 < e < 2^-113.1. sin r by
// its Taylor series to r^17 / 17!: sin r = r + r z p(z), z = r^2, which as computed is odd in r
// (every rounding is to nearest, symmetric about 0), so that the sign may go on r first.
//
// The error bound. Reduction: k e is below 2^22.4 * 2^-113.1 = 2^-90.7, the rounding of k P3
// below 2^-53 * 2^22.4 * 2^-59.7 = 2^-90.3, and the two subtractions round each once, by 2^-53
// of their results, which differ from r by at most k P3 < 2^-37.3: r is within 2^-52 |r| +
// 2^-88.8 of x - k pi. For k = 0, r = x exactly; otherwise |r| >= 2^-26.8, the least distance
// of a float below 2^24 from a multiple of pi other than 0 (found by going through every such
// float), so that r's relative error is below 2^-51.9; it moves sin r by at most as much
// relative to itself, as |r cos r| <= |sin r| for |r| <= pi/2. The series alternates with
// decreasing terms, so the first term left out bounds the rest: |r|^19 / 19! <= 2^-44.37
// |sin r| (the worst is |r| = pi/2, where sin r = 1; sin r >= 2r/pi). The polynomial: p lies
// in [-1/6, -0.146] and the sum of its terms' magnitudes is below 0.19, so its fourteen
// roundings (each 2^-53 of a partial sum no larger than 0.19; those of z^2 and z^4 move only
// terms below 2^-12 of p) leave it within 2^-47.5 of itself; z, r z and (r z) p add three
// more; |r z p| <= 0.571 |sin r| (at r = pi/2), so its error is below 2^-47.9 |sin r|; the
// last sum rounds once more, by 2^-53 of |y| <= 1.0001 |sin r|. Together below 2^-44.37 +
// 2^-47.9 + 2^-51.9 + 2^-53 < 2^-44 of sin x: the doubt test's window of 2^17 units, at least
// 2^-36 of y, holds it with room to spare (over every float from 2^-12 to 2^24 of either sign,
// checked once against long double, the largest error is 394 units of the double's last
// place). Nothing underflows: |r| >= 2^-26.8, so z^4 >= 2^-215 and r z^7 / 17! >= 2^-427.
//
// The reduction and the series are two functions, so that a loop may take them apart.
template <class D, class Q>
[[gnu::always_inline]] inline D sinreduce(D xd) {
    constexpr double shifter = 6755399441055744.0;  // 1.5 * 2^52
    constexpr double invPi = 3.18309886183790691216e-01;
    constexpr double pi1 = 0x1.921fb54p+1, pi2 = 0x1.10b46118p-29, pi3 = 0x1.313198a2e037p-60;
    const D t = xd * invPi + shifter;
    const D kd = t - shifter;
    const D r = ((xd - kd * pi1) - kd * pi2) - kd * pi3;
    // k sits in the low bits of t: its lowest bit, put in the sign bit of 1, gives (-1)^k (a
    // product rather than a change of the sign bit of r: the bits of a vector wider than the
    // machine's registers would go through memory, in the chain of every lane).
    const Q odd = bitsas<Q>(t) << 63;
    return r * bitsas<D>(odd | 0x3FF0000000000000);
}
template <class D>
[[gnu::always_inline]] inline D sinseries(D r) {
    // p(z) = -1/3! + z/5! - ... + z^7/17!: pairs of terms, then pairs of pairs (Estrin's
    // scheme): a chain of five steps after z, not fourteen.
    const D z = r * r;
    const D z2 = z * z;
    const D z4 = z2 * z2;
    const D q0 = z * (1.0 / 120.0) - 1.0 / 6.0;
    const D q1 = z * (1.0 / 362880.0) - 1.0 / 5040.0;
    const D q2 = z * (1.0 / 6227020800.0) - 1.0 / 39916800.0;
    const D q3 = z * (1.0 / 355687428096000.0) - 1.0 / 1307674368000.0;
    const D p = (q0 + z2 * q1) + z4 * (q2 + z2 * q3);
    return r + (r * z) * p;
}
template <class F, class D, class Q>
[[gnu::always_inline]] inline D sinapprox(F x) {
    return sinseries(sinreduce<D, Q>(convert<D>(x)));
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
float sinslow(float x);

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

// The bits of the floats 2^-12 and 2^24, the ends of sinapprox's part of the sine's domain,
// and of the least normal float.
constexpr std::uint32_t sinTinyBits = 0x39800000u, sinBoundBits = 0x4B800000u, normalBits = 0x00800000u;

// sin x, correctly rounded, for every float: sinapprox from 2^-12 to 2^24 in magnitude, long
// double for larger values, infinities, NaN and the values in doubt.
//
// Below 2^-12 the sine rounds to x itself: |x - sin x| < |x|^3 / 6 < 2^-26.5 |x|, less than
// half the gap between x and its neighbours (at least 2^-25 |x|). It is x - w w, with w = x
// for a subnormal x and 0 otherwise (both zeros included), which raises the flags the C
// library's sinf raised there and no other: none for a normal x (so that a series of
// missing values raises nothing), and underflow and inexact for a subnormal one, whose
// square underflows to 0.
inline float sin(float x) {
    const std::uint32_t magnitude = std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFFu;
    if (magnitude < sinTinyBits) {
        const float w = magnitude < normalBits ? x : 0.0f;
        return x - w * w;
    }
    if (magnitude >= sinBoundBits) return sinslow(x);
    const double y = sinapprox<float, double, std::int64_t>(x);
    return indoubt<double, std::uint32_t, std::uint64_t>(y) ? sinslow(x) : static_cast<float>(y);
}

}  // namespace floatmath
