// The natural logarithm, the exponential and the sine of floats, correctly rounded: the result
// is the float nearest the exact value (ties cannot occur), for every argument these functions
// take.
//
// Each is computed in double, where its error is below 2^-37.7 of the value (ln), 2^-39.6
// (e^x) or 2^-44 (sin), and rounded to float once. That rounding can only go wrong when the
// exact value lies within the error of a point halfway between two floats; a double whose
// dropped bits are that close to a half (within 2^17 of its 2^29 last units, which is more than
// 2^-36 of the value and so more than three times the largest bound) is recomputed in long
// double (64-bit significand), which the tests compare with certified values. About one
// argument in 2,000 takes that path: the double needs no more precision than that, and a short
// polynomial is fast.
//
// The approximations are written once for a double and for the compiler's vectors of doubles,
// so that a loop over a series computes many observations at a time with the same operations
// on each lane as the scalar function: series/lanes.h has the vector forms. Their steps
// a * b + c are taken either as a product and a sum, each rounded (the scalar functions and
// the vectors of four lanes, which every x86-64 runs), or fused into one rounding (the vectors
// of eight and sixteen lanes, whose processors have fused multiply-add): the doubles differ in
// their last bits, the bounds below hold for both, and so the floats are the same.
#pragma once

#include <bit>
#include <cstdint>
#include <immintrin.h>  // declares the builtins of AVX2, FMA and AVX-512
#include <type_traits>

namespace floatmath {

// A scalar or a vector converted element by element.
template <class To, class From>
[[gnu::always_inline]] inline To convert(From x) {
    if constexpr (std::is_arithmetic_v<From>) return static_cast<To>(x);
    else return __builtin_convertvector(x, To);
}

// a * b + c, rounded once when fused, else the product and the sum rounded each (b may be a
// double for every lane). Fused on vectors of four doubles only in a function built for FMA,
// on eight only in one built for AVX-512 (a register each); on a double it is fma's, exact
// everywhere.
template <bool fused, class D, class B>
[[gnu::always_inline]] inline D muladd(D a, B factor, D c) {
    D b;
    if constexpr (std::is_same_v<B, D>) b = factor;
    else b = D{} + factor;  // a constant, every lane
    if constexpr (!fused) {
        return a * b + c;
    } else if constexpr (std::is_arithmetic_v<D>) {
        return __builtin_fma(a, b, c);
#if defined(__clang__)
    } else if constexpr (true) {
        // Clang checks a builtin's target in the template itself: lane by lane there (the same
        // single rounding, so the same bits).
        D r;
        for (int i = 0; i < static_cast<int>(sizeof(D) / sizeof(double)); ++i) r[i] = __builtin_fma(a[i], b[i], c[i]);
        return r;
#else
    } else if constexpr (sizeof(D) == 32) {
        // The processor's own instructions, called as builtins: an intrinsic would be a
        // function of its own, which a function not built for FMA, as this one is, may not
        // inline; the builtin becomes the instruction in the function this one is inlined in.
        return __builtin_ia32_vfmaddpd256(a, b, c);
    } else {
        static_assert(sizeof(D) == 64, "fused steps on four or eight doubles");
        return __builtin_ia32_vfmaddpd512_mask(a, b, c, 0xFF, 4);  // every lane, the current rounding
#endif
    }
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
// signed 32-bit integers of the same lanes as F; D: the doubles; fused: whether the steps
// a * b + c are rounded once).
//
// x = 2^k m with m in [sqrt(1/2), sqrt(2)) is split exactly on the float's bits; then
// ln m = 2 atanh(s) = 2s (1 + z/3 + z^2/5 + ...) with s = (m - 1) / (m + 1), |s| <= 0.1716,
// z = s^2 <= Z = 0.02945; m - 1 and m + 1 are exact in double. ln x = k ln 2 + s P(z).
//
// The polynomial. P is the series 2 (1 + z/3 + ... + z^10/21) economised on [0, Z] down to
// degree 4: the terms z^10, z^9, ..., z^5 taken out one after the other by subtracting
// multiples of the shifted Chebyshev polynomials T_n(2z/Z - 1), whose size on [0, Z] is at
// most 1 (the exact rational coefficients computed so, then rounded to the nearest doubles).
// The multiples taken out sum to less than 8.54e-12, and the terms left out of the series
// to less than 2 Z^11 / (23 (1 - Z)) < 2e-18: P is within 8.54e-12 of 2 atanh(s) / s, and
// |s P(z) - ln m| < 4.27e-12 * 2|s| <= 2^-37.77 |ln m|, as |ln m| = 2 |atanh s| >= 2|s|.
//
// The roundings. Rounding the coefficients moves P by at most 2^-53 of it (P >= 2 and the
// rest is below 0.03 of P); s is within 2^-53 of its value, which moves ln m by at most
// 2^-53 / (1 - z) of it; P is about 2, its two steps of size 2 are rounded by at most 2^-52
// each and the others, scaled by z or z^2, by less than 2^-57 in all: P within 2^-51.9 of
// itself. For k = 0 the sum is s P rounded once (or twice, product and sum, with k ln 2 = 0).
// Otherwise |ln x| >= |k| ln 2 / 2 >= |ln m|; the double nearest ln 2 times k is rounded, the
// two within 2^-52.6 |k ln 2| <= 2^-51.6 |ln x| of k ln 2; the product s P (when not fused)
// and the last sum are rounded once each. Together below 2^-37.77 + 2^-49.5 < 2^-37.7 of
// ln x, at most 2^15.3 units of the double's last place (over every positive normal float,
// checked once against long double, the largest error is 37,949 units, separate or fused).
//
// logparts splits x = 2^k m on the float's bits, logof takes ln x from m and k in double.
template <class F, class I>
struct LogParts {
    F m;
    I k;
};
template <class F, class U, class I>
[[gnu::always_inline]] inline LogParts<F, I> logparts(F x) {
    const U u = std::bit_cast<U>(x);
    const I k = std::bit_cast<I>(u - 0x3F3504F3u) >> 23;  // the float bits of sqrt(1/2)
    return {std::bit_cast<F>(u - (std::bit_cast<U>(k) << 23)), k};
}
template <class D, bool fused = false>
[[gnu::always_inline]] inline D logof(D md, D kd) {
    const D s = (md - 1.0) / (md + 1.0);
    // P in pairs of terms (Estrin's scheme): the chain after the division is four steps.
    const D z = s * s;
    const D z2 = z * z;
    const D low = muladd<fused>(z, 0x1.555554dac581ep-1, D{} + 0x1.0000000004a1ep+1);
    const D high = muladd<fused>(z, 0x1.2432b8b12f744p-2, D{} + 0x1.999a9ca9624eap-2);
    const D top = muladd<fused>(z2, 0x1.e3b0edc79d148p-3, high);
    const D p = muladd<fused>(z2, top, low);
    return muladd<fused>(s, p, kd * ln2);
}
template <class F, class U, class I, class D, bool fused = false>
[[gnu::always_inline]] inline D logapprox(F x) {
    const LogParts<F, I> parts = logparts<F, U, I>(x);
    return logof<D, fused>(convert<D>(parts.m), convert<D>(parts.k));
}

// e^x in double for floats x with |x| < 88 (so that e^x and 2^k below are normal doubles; Q:
// the 64-bit integers of the same lanes as D; fused as for logapprox).
//
// x = k ln 2 + r with k the integer nearest x / ln 2 (taken from the bits of a sum with
// 1.5 * 2^52); e^r by a polynomial of degree 8 with the constant 1 exactly; then the exact
// scaling by 2^k. |r| <= a = 0.3466: k is the integer nearest x / ln 2 or nearest a value
// within 2^-45 of it (the product x / ln 2 rounded).
//
// The polynomial. The Taylor series of e^r to r^12 economised on [-a, a] down to degree 8:
// the terms r^12, ..., r^9 taken out by subtracting multiples of T_n(r/a) (even n: of
// T_n(r/a) - T_n(0), which leaves the constant 1 and is at most 2 in size), exact rational
// coefficients then rounded to doubles. The multiples taken out sum to 8.07e-13, the terms
// past r^12 to less than 2e-16; with e^r >= e^-a > 0.707 the polynomial is within 2^-39.67 of
// e^r, and rounding its coefficients moves it by at most 2^-53 e^a < 2^-52 e^r.
//
// The roundings. r: x - k times the double nearest ln 2 is rounded once when fused, else as
// a product (|k ln 2| < 128: within 2^-47) and a difference below 0.5 (within 2^-55); k times
// the double is within 128 * 2^-55.2 < 2^-48.2 of k ln 2; r is within 2^-46.5 of x - k ln 2,
// which moves e^r by less than 2^-46.4 of itself. The polynomial's steps: three are of size
// below 2 (rounded by at most 2^-53 each), the others scaled by
// r^2 or less or below 0.36 (at most 2^-54.5 in all): below 2^-51.3, which is 2^-50.8 of
// e^r. The scaling is exact. Together below 2^-39.6 of e^x, at most 2^13.4 units of the
// double's last place (over every float from -87.33 to 88.72, checked once against long
// double, the largest error is 7,153 units separate and 7,104 fused).
template <class D, class Q, bool fused = false>
[[gnu::always_inline]] inline D expof(D xd) {
    constexpr double shifter = 6755399441055744.0;  // 1.5 * 2^52
    const D t = muladd<fused>(xd, invLn2, D{} + shifter);
    const D kd = t - shifter;
    const D r = muladd<fused>(kd, -ln2, xd);
    // The polynomial in pairs of terms (Estrin's scheme): a chain of four steps after r^2.
    const D r2 = r * r;
    const D r4 = r2 * r2;
    const D q0 = muladd<fused>(r, 0x1.ffffffffd382cp-1, D{} + 1.0);
    const D q1 = muladd<fused>(r, 0x1.555555a2796b0p-3, D{} + 0x1.ffffffffe74a5p-2);
    const D q2 = muladd<fused>(r, 0x1.111080a037c95p-7, D{} + 0x1.55555588bf6fbp-5);
    const D q3 = muladd<fused>(r, 0x1.a1aa91ac42e84p-13, D{} + 0x1.6c162baa3d31dp-10);
    const D low = muladd<fused>(r2, q1, q0);
    const D high = muladd<fused>(r2, q3, q2);
    const D top = muladd<fused>(r4, 0x1.a17e00b4f1538p-16, high);
    const D p = muladd<fused>(r4, top, low);
    // k sits in the low bits of t: 2^k is the double with exponent field k + 1023.
    const Q k = std::bit_cast<Q>(t) - std::bit_cast<std::int64_t>(shifter);
    const D scale = std::bit_cast<D>((k + 1023) << 52);
    return p * scale;
}
template <class F, class D, class Q, bool fused = false>
[[gnu::always_inline]] inline D expapprox(F x) {
    return expof<D, Q, fused>(convert<D>(x));
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

// sin x in double for finite floats x with 2^24 <= |x| < 2^128, where Cody and Waite's
// reduction would need more parts of pi than a double holds: an exact reduction on integers
// (Payne and Hanek's), then sinseries.
//
// x = m 2^e with m the float's 24-bit significand and 1 <= e <= 104. With b_i the bits of 1/pi
// (1/pi = sum b_i 2^-i), x/pi = sum m b_i 2^(e-i); the terms with i < e are even integers and
// do not change sin x = sin(pi (x/pi mod 2)). The 128 bits b_e ... b_(e+127), an integer W,
// give x/pi mod 2 = R 2^-127 with R = m W mod 2^128 (two products of 64-bit integers), less
// the bits left out, whose share of x/pi is below 2^24 2^e 2^-(e+127) = 2^-103. R shifted left
// by one, as a signed 128-bit integer S, is f 2^128 with f = x/pi - k in [-1/2, 1/2) for k an
// integer nearest x/pi, odd when the top two bits of R differ; sin |x| = (-1)^k sin(pi f).
// r = +-pi f, the sign of x and (-1)^k put on by the choice of the scales: r = H c1 + L c2,
// with H the high 64 bits of S (signed), L the 53 bits below them, and c1, c2 the double
// nearest pi times 2^-64 and 2^-117 (or their opposites).
//
// The error bound. The least distance of a float x with 2^24 <= |x| < 2^128 from a multiple of
// pi is 2^-28.2 (at x = 0x1.f37c8ap+96; found by going through every such float with a
// reduction of 192 bits, the least of each binade checked against MPFR), so |f| >= 2^-29.86
// and |S| >= 2^98. The bits of 1/pi left out make f smaller by less than 2^-103, at most
// 2^-73.1 of |f|; the 11 bits of S below L lose less than 2^11, 2^-87 of |S|; H and L are
// exact integers, of which H is rounded to a double by 2^-53 of itself (|H| 2^64 <= |S| + 2^64
// <= (1 + 2^-34) |S|) and L not at all (below 2^53); the double nearest pi is within 2^-54.5
// of pi; the two products round by 2^-53 each, and the term L c2, below 2^-62.3, is at most
// 2^-34 of |r| >= 2^-28.3; the sum rounds by 2^-53. r is within 3.4 2^-53 < 2^-51.2 of pi |f|
// relative to it, and |r| <= pi/2 + 2^-28. So sinapprox's bound holds with 2^-51.2 for
// 2^-51.9: 2^-44.37 + 2^-47.9 + 2^-51.2 + 2^-53 < 2^-44.2 of sin x, and the doubt test's window
// holds it; nothing underflows (|r| >= 2^-28.3). Over every such float of either sign, checked
// once against sinslow, the result rounded to float is sinslow's wherever the doubt test lets
// it be, and raises the inexact flag alone, as sinslow does. The reduction and the series are
// two functions, as for sinapprox: a vector loop reduces its lanes one by one and takes the
// series on all of them at once.
//
// The bits of 1/pi from b_1, four 64-bit words (computed with MPFR; the tests check them), and
// the window W for each e: its high and low 64 bits.
constexpr std::uint64_t invPiBits[4] = {0x517cc1b727220a94u, 0xfe13abe8fa9a6ee0u, 0x6db14acc9e21c820u,
                                        0xff28b1d5ef5de2b0u};
// The scales c1 and c2 (the double nearest pi times 2^-64 and 2^-117), then their opposites.
constexpr double sinLargeScales[2][2] = {{0x1.921fb54442d18p+1 * 0x1p-64, 0x1.921fb54442d18p+1 * 0x1p-117},
                                         {-0x1.921fb54442d18p+1 * 0x1p-64, -0x1.921fb54442d18p+1 * 0x1p-117}};
struct InvPiWindow {
    std::uint64_t high, low;
};
struct InvPiWindows {
    // By the float's exponent field, 150 + e; zeros for the others, so that a float below 2^24,
    // an infinity or a NaN reduces to 0, exactly and with no flag.
    InvPiWindow at[256];
};
inline constexpr InvPiWindows invPiWindows = [] {
    InvPiWindows t{};
    for (int e = 1; e <= 104; ++e) {
        const int word = (e - 1) / 64, shift = (e - 1) % 64;
        auto from = [&](int k) {
            return shift == 0 ? invPiBits[k] : invPiBits[k] << shift | invPiBits[k + 1] >> (64 - shift);
        };
        t.at[150 + e] = {from(word), from(word + 1)};
    }
    return t;
}();
inline double sinlargereduce(float x) {
    __extension__ typedef unsigned __int128 U128;
    const std::uint32_t u = std::bit_cast<std::uint32_t>(x);
    const std::uint64_t m = (u & 0x007FFFFFu) | 0x00800000u;
    const InvPiWindow w = invPiWindows.at[(u >> 23) & 0xFFu];
    // R in two halves: m times the low word, and the low half of m times the high word.
    const U128 product = static_cast<U128>(m) * w.low;
    const std::uint64_t low = static_cast<std::uint64_t>(product);
    const std::uint64_t high = static_cast<std::uint64_t>(product >> 64) + m * w.high;
    // The top bit of high ^ (high << 1) is the parity of k.
    const std::uint64_t twice = high << 1;
    const unsigned negative = (u >> 31) ^ static_cast<unsigned>((high ^ twice) >> 63);
    // S's high half (signed) and the 53 bits below it.
    const double shigh = static_cast<double>(static_cast<std::int64_t>(twice | low >> 63));
    const double below = static_cast<double>(static_cast<std::int64_t>((low << 1) >> 11));
    return shigh * sinLargeScales[negative][0] + below * sinLargeScales[negative][1];
}
inline double sinlargeapprox(float x) { return sinseries(sinlargereduce(x)); }

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
// sin x, correctly rounded, for |x| >= 2^24, infinities and NaN: sinlargeapprox for the finite
// values, long double for the others and the values in doubt.
float sinlarge(float x);

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

// sin x, correctly rounded, for every float: sinapprox from 2^-12 to 2^24 in magnitude,
// sinlarge from there on (sinlargeapprox for finite values), long double for infinities, NaN
// and the values in doubt.
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
    if (magnitude >= sinBoundBits) return sinlarge(x);
    const double y = sinapprox<float, double, std::int64_t>(x);
    return indoubt<double, std::uint32_t, std::uint64_t>(y) ? sinslow(x) : static_cast<float>(y);
}

}  // namespace floatmath
