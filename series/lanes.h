// Observations several at a time: vectors of floats (the compiler's vector types) and the
// bit-pattern tests that let loops over series run without branches. The missing-value test
// on bits is exactly core/missing.h's, lane by lane. Four lanes are SSE2, which every x86-64
// has; a loop may also be built in versions of 8 lanes (AVX2 and FMA) and 16 (AVX-512),
// chosen when the program starts (LANES_VERSIONS below).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <type_traits>

#include "core/floatmath.h"
#include "core/missing.h"

namespace lanes {

typedef float vfloat __attribute__((vector_size(16)));
typedef std::uint32_t vbits __attribute__((vector_size(16)));

inline std::uint32_t bitsof(float x) { return std::bit_cast<std::uint32_t>(x); }
// Vectors of N floats (N = 4, 8, 16), their bit patterns, and loads and stores that need no
// alignment. A helper taking vectors works for every width (vfloat is Lanes<4>::F).
template <int N>
struct Lanes {
    typedef float F __attribute__((vector_size(4 * N)));
    typedef std::uint32_t U __attribute__((vector_size(4 * N)));
    typedef std::int32_t I __attribute__((vector_size(4 * N)));
    typedef float IO __attribute__((vector_size(4 * N), aligned(4), may_alias));
    typedef double D __attribute__((vector_size(8 * N)));         // N doubles
    typedef std::int64_t Q __attribute__((vector_size(8 * N)));   // N 64-bit integers
    [[gnu::always_inline]] static F load(const float* p) { return *reinterpret_cast<const IO*>(p); }
    [[gnu::always_inline]] static void store(float* p, F x) { *reinterpret_cast<IO*>(p) = x; }
};
template <class V>
using BitsOf = typename Lanes<static_cast<int>(sizeof(V) / 4)>::U;
template <class V>
using FloatsOf = typename Lanes<static_cast<int>(sizeof(V) / 4)>::F;

template <class V>
[[gnu::always_inline]] inline BitsOf<V> bitsof(V x) {
    return reinterpret_cast<BitsOf<V>>(x);
}
template <class V>
[[gnu::always_inline]] inline FloatsOf<V> floatof(V b) {
    return reinterpret_cast<FloatsOf<V>>(b);
}
inline vfloat load(const float* p) { return Lanes<4>::load(p); }
// All ones when c holds, else 0.
inline std::uint32_t maskif(bool c) { return 0u - static_cast<std::uint32_t>(c); }
// a where the mask is set, else b.
inline float pick(std::uint32_t mask, float a, float b) {
    return std::bit_cast<float>((mask & bitsof(a)) | (~mask & bitsof(b)));
}
template <class M, class V>
[[gnu::always_inline]] inline V pick(M mask, V a, V b) {
    return floatof((mask & bitsof(a)) | (~mask & bitsof(b)));
}
template <class M, class V>
[[gnu::always_inline]] inline V pick(M mask, float a, V b) {
    return pick(mask, V{} + a, b);
}
template <class M, class V>
[[gnu::always_inline]] inline V pick(M mask, V a, float b) {
    return pick(mask, a, V{} + b);
}

// The band of the missing-value test (x in [-0.0000011, -0.0000009] compared in double) as
// floats: the floats just inside the double bounds, so that a float lies in the band exactly
// when it lies between these two. The conversion of a bound is inexact: made on a call, it
// would raise the inexact flag in that call alone where the compiler keeps the flags of
// constant operations (Clang with maytrap). They are made before the program starts, by
// the namespace-scope constants of series/rhs.cpp that take them. (Made when compiling
// instead, the constants change the code of the evaluator's passes, which ran 0.2 us per
// statement slower on the first Zen.)
inline float missingLow() {
    static const float low = [] {
        float f = static_cast<float>(-0.0000011);
        return static_cast<double>(f) < -0.0000011 ? std::nextafter(f, 0.0f) : f;
    }();
    return low;
}
inline float missingHigh() {
    static const float high = [] {
        float f = static_cast<float>(-0.0000009);
        return static_cast<double>(f) > -0.0000009 ? std::nextafter(f, -1.0f) : f;
    }();
    return high;
}
// Negative floats order their bit patterns by magnitude: the missing band is one range of
// patterns, from that of missingHigh (the smaller magnitude) to that of missingLow. A loop
// takes first and span once and tests every lane against them.
inline std::uint32_t missingFirstBits() { return bitsof(missingHigh()); }
inline std::uint32_t missingSpan() { return bitsof(missingLow()) - bitsof(missingHigh()); }
inline bool missingbits(std::uint32_t b, std::uint32_t first, std::uint32_t span) {
    return b - first <= span;
}
inline std::uint32_t missingmask(std::uint32_t b, std::uint32_t first, std::uint32_t span) {
    return maskif(missingbits(b, first, span));
}
// The square root of every lane (floats or doubles), correctly rounded as sqrtf's or sqrt's:
// the compiler makes the loop one instruction of the vector's width (the project is compiled
// with -fno-math-errno, so a square root needs no call that could set errno).
template <class V>
[[gnu::always_inline]] inline V sqrt(V x) {
    typedef std::remove_cvref_t<decltype(x[0])> E;
    V r;
    for (unsigned k = 0; k < sizeof(V) / sizeof(E); ++k) {
        if constexpr (sizeof(E) == sizeof(float)) r[k] = __builtin_sqrtf(x[k]);
        else r[k] = __builtin_sqrt(x[k]);
    }
    return r;
}

// Whether any lane of a mask (of any lane size) is set: the halves of the vector or-ed together
// down to 64 bits (a loop over the lanes would be compiled as one extraction per lane).
template <class M>
[[gnu::always_inline]] inline bool anyset(M m) {
    if constexpr (sizeof(M) <= 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, &m, sizeof m);
        return w != 0;
    } else {
        typedef typename Lanes<static_cast<int>(sizeof(M) / 8)>::U H;  // half the bytes of M
        H low, high;
        std::memcpy(&low, &m, sizeof low);
        std::memcpy(&high, reinterpret_cast<const char*>(&m) + sizeof low, sizeof high);
        return anyset(low | high);
    }
}

// Scans of n floats on their bits (no comparison of floats, so no flag is raised), in
// series/lanes.cpp: whether any is a NaN; whether any is the missing value or a NaN (also
// while copying them to to, in the same pass); whether none is an infinity or a NaN.
bool anynan(const float* x, int n);
bool anymissingornan(const float* x, int n);
bool copymissingornan(const float* x, int n, float* to);
bool allfinite(const float* x, int n);

// The floats of the lanes of y, the double approximation of f(x) on four lanes; a lane in
// doubt is f's long double recomputation slow(x).
template <class V>
[[gnu::always_inline]] inline V roundonce(V x, typename Lanes<static_cast<int>(sizeof(V) / 4)>::D y,
                                          float (*slow)(float)) {
    typedef Lanes<static_cast<int>(sizeof(V) / 4)> L;
    typedef std::uint64_t UQ __attribute__((vector_size(2 * sizeof(V))));
    V r = floatmath::convert<V>(y);
    const auto doubt = floatmath::indoubt<typename L::D, typename L::U, UQ>(y);
    if (anyset(doubt)) [[unlikely]] {
        for (unsigned k = 0; k < sizeof(V) / 4; ++k)
            if (doubt[k]) r[k] = slow(x[k]);
    }
    return r;
}

// The lower and the upper half of the lanes of a vector of 8 or 16 lanes, and the vector made
// of two halves.
template <class V>
[[gnu::always_inline]] inline auto lowhalf(V x) {
    if constexpr (sizeof(V) / sizeof(x[0]) == 8) return __builtin_shufflevector(x, x, 0, 1, 2, 3);
    else return __builtin_shufflevector(x, x, 0, 1, 2, 3, 4, 5, 6, 7);
}
template <class V>
[[gnu::always_inline]] inline auto highhalf(V x) {
    if constexpr (sizeof(V) / sizeof(x[0]) == 8) return __builtin_shufflevector(x, x, 4, 5, 6, 7);
    else return __builtin_shufflevector(x, x, 8, 9, 10, 11, 12, 13, 14, 15);
}
template <class H>
[[gnu::always_inline]] inline auto joined(H low, H high) {
    if constexpr (sizeof(H) == 16) {
        return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
    } else {
        static_assert(sizeof(H) == 32, "two halves of four or eight lanes");
        return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    }
}

// roundonce for eight or sixteen lanes, whose doubles come in two halves (low, high): vectors
// of the machine's width, each computed on its own, so that no vector wider than a register
// is ever put together from two (the compiler would pass it through memory).
template <class V, class DH>
[[gnu::always_inline]] inline V roundhalves(V x, DH low, DH high, float (*slow)(float)) {
    typedef Lanes<static_cast<int>(sizeof(V) / 8)> H;
    V r = joined(floatmath::convert<typename H::F>(low), floatmath::convert<typename H::F>(high));
    bool doubt;
    if constexpr (sizeof(V) == 32) {
        // Eight lanes (AVX2): each half tested on its own 64-bit lanes, with no narrowing; the
        // lanes' signs say whether any is in doubt (movmskpd is SSE2, which every x86-64 has).
        typedef std::int64_t Q2 __attribute__((vector_size(16)));
        const typename H::Q signs = floatmath::doubtsign<DH, typename H::Q>(low) |
                                    floatmath::doubtsign<DH, typename H::Q>(high);
        const Q2 both = __builtin_shufflevector(signs, signs, 0, 1) | __builtin_shufflevector(signs, signs, 2, 3);
        doubt = _mm_movemask_pd(reinterpret_cast<__m128d>(both)) != 0;
    } else {
        // Sixteen (AVX-512): the test on 32-bit lanes of each half.
        typedef std::uint64_t UQ __attribute__((vector_size(sizeof(DH))));
        doubt = anyset(floatmath::indoubt<DH, typename H::U, UQ>(low) |
                       floatmath::indoubt<DH, typename H::U, UQ>(high));
    }
    if (doubt) [[unlikely]] {
        // The lanes put in arrays here only, so that the usual path keeps them in registers.
        typedef Lanes<static_cast<int>(sizeof(V) / 4)> L;
        typedef double DIO __attribute__((vector_size(sizeof(DH)), aligned(8), may_alias));
        float xs[sizeof(V) / 4], rs[sizeof(V) / 4];
        double ys[sizeof(V) / 4];
        L::store(xs, x);
        L::store(rs, r);
        *reinterpret_cast<DIO*>(ys) = low;
        *reinterpret_cast<DIO*>(ys + sizeof(V) / 8) = high;
        for (unsigned k = 0; k < sizeof(V) / 4; ++k)
            if (floatmath::indoubt<double, std::uint32_t, std::uint64_t>(ys[k])) rs[k] = slow(xs[k]);
        r = L::load(rs);
    }
    return r;
}
// ln x and e^x of every lane, correctly rounded: core/floatmath.h's functions on all lanes at
// once, in doubles of the same lanes; the rare lane whose rounding is in doubt is recomputed
// alone. Every lane must lie in the scalar function's domain (a loop puts 1 or 0 in the lanes
// it answers otherwise). Eight and sixteen lanes are computed in two halves and fuse the
// polynomials' steps (their versions are built for FMA and AVX-512): the doubles differ from
// the scalar function's in their last bits, the floats do not.
template <class V>
[[gnu::always_inline]] inline V ln(V x) {
    typedef Lanes<static_cast<int>(sizeof(V) / 4)> L;
    if constexpr (sizeof(V) == 16) {
        return roundonce(x, floatmath::logapprox<V, typename L::U, typename L::I, typename L::D>(x),
                         floatmath::lnslow);
    } else {
        // The split on all lanes at once, the doubles in halves.
        typedef typename Lanes<static_cast<int>(sizeof(V) / 8)>::D DH;
        using floatmath::convert;
        const floatmath::LogParts<V, typename L::I> parts = floatmath::logparts<V, typename L::U, typename L::I>(x);
        const typename L::D md = convert<typename L::D>(parts.m), kd = convert<typename L::D>(parts.k);
        const DH low = floatmath::logof<DH, true>(lowhalf(md), lowhalf(kd));
        const DH high = floatmath::logof<DH, true>(highhalf(md), highhalf(kd));
        return roundhalves(x, low, high, floatmath::lnslow);
    }
}
template <class V>
[[gnu::always_inline]] inline V exp(V x) {
    typedef Lanes<static_cast<int>(sizeof(V) / 4)> L;
    if constexpr (sizeof(V) == 16) {
        return roundonce(x, floatmath::expapprox<V, typename L::D, typename L::Q>(x), floatmath::expslow);
    } else {
        typedef Lanes<static_cast<int>(sizeof(V) / 8)> H;
        using floatmath::convert;
        const typename L::D xd = convert<typename L::D>(x);
        const typename H::D low = floatmath::expof<typename H::D, typename H::Q, true>(lowhalf(xd));
        const typename H::D high = floatmath::expof<typename H::D, typename H::Q, true>(highhalf(xd));
        return roundhalves(x, low, high, floatmath::expslow);
    }
}

// sin x of every lane, correctly rounded, for any floats: core/floatmath.h's sine, its tests
// made on the bits (which raise no flag). A lane that sinapprox does not take (below 2^-12 or
// from 2^24 in magnitude, infinities, NaN) takes the sine of 0 instead, which raises no flag;
// then a tiny lane is x - w w as in floatmath::sin, a finite lane from 2^24 on is reduced
// alone as in floatmath::sinlarge, and the rare lanes in doubt, infinities and NaN are
// recomputed alone in long double. In two steps, which a loop may take for many
// vectors in turn (each step's chain of operations is then short enough for the processor to
// overlap those of several vectors): sinreduced, sinapprox's reduction, and sinfinish.
template <class V>
[[gnu::always_inline]] inline typename Lanes<static_cast<int>(sizeof(V) / 4)>::D sinreduced(V x) {
    typedef Lanes<static_cast<int>(sizeof(V) / 4)> L;
    typedef typename L::U U;
    // The magnitudes' bits are below 2^31: signed comparisons, which every width has.
    const typename L::I magnitude = std::bit_cast<typename L::I>(bitsof(x) & 0x7FFFFFFFu);
    const U tiny = reinterpret_cast<U>(magnitude < static_cast<std::int32_t>(floatmath::sinTinyBits));
    const U outside = reinterpret_cast<U>(magnitude >= static_cast<std::int32_t>(floatmath::sinBoundBits));
    const V y = pick(tiny | outside, 0.0f, x);
    return floatmath::sinreduce<typename L::D, typename L::Q>(floatmath::convert<typename L::D>(y));
}
template <class V>
[[gnu::always_inline]] inline V sinfinish(V x, typename Lanes<static_cast<int>(sizeof(V) / 4)>::D reduced) {
    typedef Lanes<static_cast<int>(sizeof(V) / 4)> L;
    typedef typename L::U U;
    const typename L::I magnitude = std::bit_cast<typename L::I>(bitsof(x) & 0x7FFFFFFFu);
    const U tiny = reinterpret_cast<U>(magnitude < static_cast<std::int32_t>(floatmath::sinTinyBits));
    const U subnormal = reinterpret_cast<U>(magnitude < static_cast<std::int32_t>(floatmath::normalBits));
    const U outside = reinterpret_cast<U>(magnitude >= static_cast<std::int32_t>(floatmath::sinBoundBits));
    const V w = pick(subnormal, x, 0.0f);
    if (anyset(outside)) [[unlikely]] {
        // The lanes put in arrays here only, so that the usual path keeps them in registers.
        // Every lane is reduced alone on integers (floatmath::sinlargereduce, straight code
        // with no test: a lane below 2^24, an infinity or a NaN gives 0, exactly and with no
        // flag) and the lanes outside take that reduction; then the series and the rounding
        // are taken on all lanes, the same operations as floatmath::sinlarge's on each. An
        // infinity or a NaN is recomputed in long double.
        float xs[sizeof(V) / 4];
        double reductions[sizeof(V) / 4];
        L::store(xs, x);
        bool nonfinite = false;
        for (unsigned k = 0; k < sizeof(V) / 4; ++k) {
            reductions[k] = floatmath::sinlargereduce(xs[k]);
            nonfinite |= (bitsof(xs[k]) & 0x7FFFFFFFu) >= 0x7F800000u;
        }
        typename L::D large;
        std::memcpy(&large, reductions, sizeof(reductions));
        typedef typename L::Q Q;
        const Q wide = floatmath::convert<Q>(std::bit_cast<typename L::I>(outside));
        reduced = floatmath::bitsas<typename L::D>((wide & floatmath::bitsas<Q>(large)) |
                                                   (~wide & floatmath::bitsas<Q>(reduced)));
        V r = roundonce(x, floatmath::sinseries(reduced), floatmath::sinslow);
        if (nonfinite) {
            float rs[sizeof(V) / 4];
            L::store(rs, r);
            for (unsigned k = 0; k < sizeof(V) / 4; ++k)
                if ((bitsof(xs[k]) & 0x7FFFFFFFu) >= 0x7F800000u) rs[k] = floatmath::sinslow(xs[k]);
            r = L::load(rs);
        }
        return pick(tiny, x - w * w, r);
    }
    return pick(tiny, x - w * w, roundonce(x, floatmath::sinseries(reduced), floatmath::sinslow));
}
template <class V>
[[gnu::always_inline]] inline V sin(V x) {
    return sinfinish(x, sinreduced(x));
}

// The same on vectors. A comparison of vectors wider than the machine's is made lane by lane
// in scalar code: a loop of N lanes is built only where the machine has N-lane vectors
// (LANES_VERSIONS).
template <class M>
[[gnu::always_inline]] inline M missingmask(M b, std::uint32_t first, std::uint32_t span) {
    return reinterpret_cast<M>((b - first) <= span);
}

}  // namespace lanes

namespace lanes {

// The widest version of the LANES_VERSIONS functions the processor runs: 16, 8 or 4. A test
// may lower it, to run every version on one machine.
inline int detectwidth() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return 16;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return 8;
    return 4;
}
inline const int machineWidth = detectwidth();
inline int width = machineWidth;

}  // namespace lanes

// Three versions of a function that runs kernel<N>(args...): 4 lanes for every x86-64, 8 where
// the processor has AVX2 and FMA and 16 where it has AVX-512, chosen by lanes::width at each
// call. Every lane is the same IEEE operation on the same floats in each version, and the
// project is compiled with -ffp-contract=off (no multiply and add fused into one rounding
// unless the code asks for it, as ln and exp above do where their floats stay the same), so
// the versions give the same bits. kernel must be always inlined, so that it takes the
// instruction set of the version it is in.
#define LANES_VERSIONS(name, kernel, params, args)                              \
    __attribute__((target("avx512f"))) void name##16 params { kernel<16> args; } \
    __attribute__((target("avx2,fma"))) void name##8 params { kernel<8> args; }  \
    void name##4 params { kernel<4> args; }                                      \
    void name params {                                                          \
        if (lanes::width >= 16) name##16 args;                                   \
        else if (lanes::width >= 8) name##8 args;                                \
        else name##4 args;                                                      \
    }
