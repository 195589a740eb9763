#include "series/functions_elementwise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <cstdlib>

#include "banks/slots.h"
#include "core/floatmath.h"
#include "core/missing.h"
#include "core/numfuncs.h"
#include "core/random.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/lanes.h"
#include "series/rhs.h"

// ---- kernels ----

void diffkernel(float* x, int n) {
    // Four differences at a time from the top down (each block reads x[i - 1 .. i + 3]
    // before any of them is overwritten), then the rest one by one: the same subtraction
    // and missing test on every observation.
    const std::uint32_t first = lanes::missingFirstBits(), span = lanes::missingSpan();
    int top = n - 1;
    for (; top - 3 >= 1; top -= 4) {
        const int i = top - 3;
        const lanes::vfloat now = lanes::load(x + i), before = lanes::load(x + i - 1);
        const lanes::vbits either = lanes::missingmask(lanes::bitsof(now), first, span) |
                                    lanes::missingmask(lanes::bitsof(before), first, span);
        // Missing operands are replaced by 1s, so no flag is raised that the rule lacks.
        const lanes::vfloat d = lanes::pick(either, 1.0f, now) - lanes::pick(either, 1.0f, before);
        const lanes::vfloat r = lanes::pick(either, MISSING, d);
        std::memcpy(x + i, &r, sizeof r);
    }
    for (int i = top; i >= 1; --i) {
        x[i] = ismissing(x[i]) || ismissing(x[i - 1]) ? MISSING : x[i] - x[i - 1];
    }
    if (n > 0) x[0] = MISSING;
}

namespace {

// dlog's bad value: missing, near zero or negative.
inline bool dlogbad(float v) { return ismissing(v) || belowtiny(v) || v < 0.0f; }

// dlog's differences from the logarithms, N at a time from the top down (each block reads
// x[i - 1 .. i + N - 1] before any of them is overwritten). A value is bad when it is missing or
// below 0.0000001 (negative or near zero), which is what the rule's three tests say for a
// number; a NaN is none of them in both.
template <int N>
[[gnu::always_inline]] inline void dloglanes(float* x, const float* logs, int n) {
    typedef lanes::Lanes<N> L;
    typedef typename L::U U;
    const std::uint32_t first = lanes::missingFirstBits(), span = lanes::missingSpan();
    int top = n - 1;
    for (; top - (N - 1) >= 1; top -= N) {
        const int i = top - (N - 1);
        const typename L::F now = L::load(x + i), before = L::load(x + i - 1);
        const U bad = lanes::missingmask(lanes::bitsof(now), first, span) |
                      lanes::missingmask(lanes::bitsof(before), first, span) |
                      reinterpret_cast<U>(now < 0.0000001f) | reinterpret_cast<U>(before < 0.0000001f);
        L::store(x + i, lanes::pick(bad, MISSING, L::load(logs + i) - L::load(logs + i - 1)));
    }
    for (int i = top; i >= 1; --i) x[i] = dlogbad(x[i]) || dlogbad(x[i - 1]) ? MISSING : logs[i] - logs[i - 1];
}
LANES_VERSIONS(dlogpass, dloglanes, (float* x, const float* logs, int n), (x, logs, n))

}  // namespace

void dlogkernel(float* x, int n) {
    // Each logarithm once, many at a time (safelog of a bad value is a constant: no log is
    // taken).
    HeldArray<float> held;
    float* logs = held.data();
    const int m = n < fnArrayLength ? n : fnArrayLength;
    std::copy_n(x, m, logs);
    logkernel(logs, m);
    if (n == m) {
        dlogpass(x, logs, n);
    } else {
        for (int i = n - 1; i >= 1; --i) {
            const float now = i < m ? logs[i] : safelog(x[i]);
            const float before = i - 1 < m ? logs[i - 1] : safelog(x[i - 1]);
            x[i] = dlogbad(x[i]) || dlogbad(x[i - 1]) ? MISSING : now - before;
        }
    }
    if (n > 0) x[0] = MISSING;
}

void mapkernel(float* x, int n, float (*f)(float)) {
    for (int i = 0; i < n; ++i) x[i] = f(x[i]);
}

namespace {

// mapkernel with the value function known when compiling, so that it is inlined (and the
// loop vectorised where the function allows).
template <float (*F)(float)>
void mapeach(float* x, int n) {
    for (int i = 0; i < n; ++i) x[i] = F(x[i]);
}

}  // namespace

float fnexp(float x) { return safeexp(x); }
float fnlog(float x) { return safelog(x); }
float fnsqrt(float x) { return x < 0.0f ? 0.0f : std::sqrt(x); }
float fnsq(float x) { return ismissing(x) ? x : x * x; }
float fnfabs(float x) { return ismissing(x) ? x : std::fabs(x); }
float fnsign(float x) { return x < 0.0f ? -1.0f : 1.0f; }
float fnsin(float x) { return floatmath::sin(x); }
float fnifpos(float x) { return x > 0.0f ? 1.0f : 0.0f; }
float fnpos(float x) { return ismissing(x) || x >= 0.0f ? x : 0.0f; }
float fnzero(float x) { return ismissing(x) ? 0.0f : x; }
float fnmiss(float x) { return belowtiny(x) ? MISSING : x; }

namespace {

// fnsqrt on N lanes at a time: a negative lane's square root is not taken (it would raise
// the invalid flag) but that of 0, which the rule gives.
template <int N>
[[gnu::always_inline]] inline void sqrtlanes(float* x, int n) {
    using L = lanes::Lanes<N>;
    auto roots = [](typename L::F v) __attribute__((always_inline)) {
        const typename L::U negative = reinterpret_cast<typename L::U>(v < 0.0f);
        return lanes::sqrt(lanes::pick(negative, 0.0f, v));
    };
    int i = 0;
    for (; i + N <= n; i += N) L::store(x + i, roots(L::load(x + i)));
    // The last values in a vector filled up with zeros. A scalar loop here (fnsqrt, or the
    // choice written before the root) is vectorised at -O3 with the root of every value
    // taken and the choice made after it, which raises the invalid flag on a negative value.
    if (i < n) {
        typename L::F v{};
        std::memcpy(&v, x + i, sizeof(float) * static_cast<std::size_t>(n - i));
        v = roots(v);
        std::memcpy(x + i, &v, sizeof(float) * static_cast<std::size_t>(n - i));
    }
}
LANES_VERSIONS(sqrtpass, sqrtlanes, (float* x, int n), (x, n))

}  // namespace

void sqrtkernel(float* x, int n) { sqrtpass(x, n); }

namespace {

// safelog and safeexp on the lanes of v, none of them a NaN: the guards as masks, the function
// taken of 1 (or 0) in the lanes they answer, so that it raises no flag the rule would not; a
// vector of up to eight lanes with no lane for the guards (the usual one) takes the function
// of v at once, without the selections (sixteen lanes select with one ternary-logic
// instruction each, about what the test would cost). A series with a NaN is left to the rule,
// whose comparisons raise the invalid flag on it.
// a where the mask is set, else b, as lanes::pick. Up to eight lanes as a vector selection
// (one blend where the machine has it, instead of and, and-not and or); sixteen as
// lanes::pick, which AVX-512 makes one ternary-logic instruction.
template <class M, class V>
[[gnu::always_inline]] inline V choose(M mask, V a, V b) {
    typedef typename lanes::Lanes<static_cast<int>(sizeof(V) / 4)>::I I;
    if constexpr (sizeof(V) <= 32) return reinterpret_cast<I>(mask) ? a : b;
    else return lanes::pick(mask, a, b);
}
template <class M, class V>
[[gnu::always_inline]] inline V choose(M mask, float a, V b) {
    return choose(mask, V{} + a, b);
}
// The guards' bounds and answers, read once before a loop: the loop's stores could otherwise
// be taken to change the globals, which would be read again for every vector.
struct Guards {
    std::uint32_t first = lanes::missingFirstBits(), span = lanes::missingSpan();
    float max = floatMax, expMin = floatExpMin, logMin = floatLogMin, logOfMax = floatLogOfMax;
    float logMax = floatLogMax, expMax = floatExpMax;
};
template <class V>
[[gnu::always_inline]] inline V safelogs(V v, const Guards& g) {
    typedef lanes::BitsOf<V> U;
    const U missing = lanes::missingmask(lanes::bitsof(v), g.first, g.span);
    const U big = reinterpret_cast<U>(v > g.max);
    const U small = reinterpret_cast<U>(v <= g.expMin);
    if constexpr (sizeof(V) <= 32) {
        if (!lanes::anyset(missing | big | small)) [[likely]] return lanes::ln(v);
    }
    V r = lanes::ln(choose(missing | big | small, 1.0f, v));
    r = choose(small, choose(reinterpret_cast<U>(v <= 0.0f), MISSING, V{} + g.logMin), r);
    r = choose(big, g.logOfMax, r);
    return choose(missing, MISSING, r);
}
template <class V>
[[gnu::always_inline]] inline V safeexps(V v, const Guards& g) {
    typedef lanes::BitsOf<V> U;
    const U missing = lanes::missingmask(lanes::bitsof(v), g.first, g.span);
    const U big = reinterpret_cast<U>(v >= g.logMax);
    const U small = reinterpret_cast<U>(v <= g.logMin);
    if constexpr (sizeof(V) <= 32) {
        if (!lanes::anyset(missing | big | small)) [[likely]] return lanes::exp(v);
    }
    V r = lanes::exp(choose(missing | big | small, 0.0f, v));
    r = choose(small, g.expMin, r);
    r = choose(big, g.expMax, r);
    return choose(missing, MISSING, r);
}

// A guarded function over a series, N lanes at a time: Rule::one on a value, Rule::many on
// the lanes of a vector with no NaN among them. A series with a NaN is left to Rule::one.
template <class Rule, int N>
[[gnu::always_inline]] inline void guardedlanes(float* x, int n) {
    typedef lanes::Lanes<N> L;
    const Guards guards;
    int i = 0;
    if (lanes::anynan(x, n)) {
        for (; i < n; ++i) x[i] = Rule::one(x[i]);
        return;
    }
    for (; i + N <= n; i += N) L::store(x + i, Rule::many(L::load(x + i), guards));
    for (; i < n; ++i) x[i] = Rule::one(x[i]);
}
struct LogRule {
    static float one(float x) { return safelog(x); }
    template <class V>
    [[gnu::always_inline]] static V many(V v, const Guards& g) {
        return safelogs(v, g);
    }
};
struct ExpRule {
    static float one(float x) { return safeexp(x); }
    template <class V>
    [[gnu::always_inline]] static V many(V v, const Guards& g) {
        return safeexps(v, g);
    }
};
template <int N>
[[gnu::always_inline]] inline void loglanes(float* x, int n) { guardedlanes<LogRule, N>(x, n); }
template <int N>
[[gnu::always_inline]] inline void explanes(float* x, int n) { guardedlanes<ExpRule, N>(x, n); }
LANES_VERSIONS(logpass, loglanes, (float* x, int n), (x, n))
LANES_VERSIONS(exppass, explanes, (float* x, int n), (x, n))

// The power's rule on N lanes: the lanes it leaves (a missing base or exponent, a base below
// 0.0000001) compute e^(0 * ln 1); a series with a NaN is left to the rule.
template <int N>
[[gnu::always_inline]] inline void powlanes(float* x, const float* y, int n) {
    typedef lanes::Lanes<N> L;
    typedef typename L::U U;
    const Guards guards;
    const std::uint32_t first = guards.first, span = guards.span;
    auto rule = [&](int i) {
        if (ismissing(x[i]) || ismissing(y[i]) || x[i] < 0.0000001f) return;
        x[i] = safeexp(y[i] * safelog(x[i]));
    };
    int i = 0;
    if (lanes::anynan(x, n) || lanes::anynan(y, n)) {  // left to the rule
        for (; i < n; ++i) rule(i);
        return;
    }
    // Pieces of a few hundred observations: the products y ln x of a piece first, then their
    // exponentials (one loop doing both would keep too much in registers).
    constexpr int piece = 32 * N;
    float products[piece];
    auto stays = [&](typename L::F b, typename L::F e) {
        return lanes::missingmask(lanes::bitsof(b), first, span) | lanes::missingmask(lanes::bitsof(e), first, span) |
               reinterpret_cast<U>(b < 0.0000001f);
    };
    for (; i + N <= n;) {
        const int end = i + piece <= n ? i + piece : n - (n - i) % N;
        for (int k = i; k < end; k += N) {
            const typename L::F b = L::load(x + k), e = L::load(y + k);
            const U left = stays(b, e);
            L::store(products + (k - i),
                     lanes::pick(left, 0.0f, e) * safelogs(lanes::pick(left, 1.0f, b), guards));
        }
        for (int k = i; k < end; k += N) {
            const typename L::F b = L::load(x + k);
            L::store(x + k, lanes::pick(stays(b, L::load(y + k)), b,
                                        safeexps(L::load(products + (k - i)), guards)));
        }
        i = end;
    }
    for (; i < n; ++i) rule(i);
}
LANES_VERSIONS(powpass, powlanes, (float* x, const float* y, int n), (x, y, n))

// fnsin on N lanes at a time. Every float is in the sine's domain and the tests that send a
// lane to the long double recomputation are made on bits, so no value needs a guard; the
// values after the last whole vector take fnsin itself.
template <int N>
[[gnu::always_inline]] inline void sinlanes(float* x, int n) {
    typedef lanes::Lanes<N> L;
    int i = 0;
    for (; i + N <= n; i += N) L::store(x + i, lanes::sin(L::load(x + i)));
    for (; i < n; ++i) x[i] = fnsin(x[i]);
}
LANES_VERSIONS(sinpass, sinlanes, (float* x, int n), (x, n))

}  // namespace

void logkernel(float* x, int n) { logpass(x, n); }
void expkernel(float* x, int n) { exppass(x, n); }
void sinkernel(float* x, int n) { sinpass(x, n); }

void roundkernel(float* x, int n, long decimals) {
    // The factor stops short of overflowing a float: past 1e38 no float has digits left to
    // drop, and an infinite factor would raise the overflow flag for every observation.
    float f = 1.0f;
    for (long k = 0; k < decimals && f <= std::numeric_limits<float>::max() / 10.0f; ++k) f *= 10.0f;
    const float inverse = 1.0f / f;
    // Magnitudes from 2^62 on do not fit the integer intermediate (with the 0.5 added).
    constexpr double limit = 4611686018427387904.0;
    for (int i = 0; i < n; ++i) {
        // The product of two floats is exact in double; rounding it to float afterwards gives
        // the float product, without overflowing when it is too large to round anyway.
        const double exact = static_cast<double>(x[i]) * static_cast<double>(f);
        if (!std::isfinite(exact) || std::fabs(exact) >= limit) continue;
        const double scaled = static_cast<double>(static_cast<float>(exact));
        std::int64_t v = static_cast<std::int64_t>(x[i] < 0.0f ? scaled - 0.5 : scaled + 0.5);
        x[i] = inverse * static_cast<float>(v);
    }
}

void powkernel(float* x, const float* y, int n) { powpass(x, y, n); }

void lintkernel(float* x, int n) {
    int s = 0;
    while (s < n && ismissing(x[s])) ++s;
    while (s < n) s = fillgap(x, s, n, 1);
}

namespace {

// The shared generator's draws (core/random.h), many at a time: the state is taken into
// locals, the draws made, and the state put back, so that randuniform and randnormal go on
// with the same sequence. With the scale 32768 every float step of a uniform draw is exact
// (the raw draws are integers below 2^15, 50 times one is below 2^24, and dividing by a power
// of two only moves the exponent), so the slot is (50 * last) >> 15 and the draw last * 2^-15,
// the same values without a division in the chain from one draw to the next.
class Draws {
public:
    // False when the generator is not in the state this class follows (not yet seeded or
    // filled, or another scale): the caller then draws through the shared routines.
    bool take() {
        if (!rawRandomSeeded || uniformReady == 0 || uniformScale != 32768.0f) return false;
        state_ = rawRandomState;
        last_ = static_cast<std::int32_t>(uniformLast);
        for (int k = 0; k < 50; ++k) {
            // The table holds raw draws (integers 0..32767) as floats.
            if (uniformShuffle[k] != static_cast<float>(static_cast<std::int32_t>(uniformShuffle[k])))
                return false;
            table_[k] = static_cast<std::int32_t>(uniformShuffle[k]);
        }
        if (uniformLast != static_cast<float>(last_) || last_ < 0 || last_ > 32767) return false;
        for (int k = 0; k < 50; ++k)
            if (table_[k] < 0 || table_[k] > 32767) return false;
        for (int k = 0; k < 50; ++k) slots_[k] = slotof(table_[k]);
        slot_ = slotof(last_);
        return true;
    }
    void giveBack() const {
        rawRandomState = state_;
        uniformLast = static_cast<float>(last_);
        for (int k = 0; k < 50; ++k) uniformShuffle[k] = static_cast<float>(table_[k]);
    }
    // The next draw. Its slot was known when the value before it was put in the table: each
    // slot keeps, beside its raw draw, the slot that draw leads to, so the chain from one draw
    // to the next is one load (the slot's arithmetic is made when a raw draw is put in).
    float uniform() {
        const std::size_t j = slot_;
        slot_ = slots_[j];
        last_ = table_[j];
        state_ = state_ * 22695477u + 1u;
        const std::int32_t raw = static_cast<std::int32_t>((state_ >> 16) & 0x7fffu);
        slots_[j] = slotof(raw);
        table_[j] = raw;
        return static_cast<float>(last_) * 0x1p-15f;
    }

private:
    // The slot a draw leads to: (50 * last) >> 15, as (25 * last) >> 14; 0..49 for 0..32767.
    static std::uint32_t slotof(std::int32_t last) { return (25u * static_cast<std::uint32_t>(last)) >> 14; }

    // The slots first and the slot as a full-width index: the load of the next slot is then
    // one instruction on the frame's address plus the index, with no address arithmetic of
    // its own in the chain from draw to draw.
    std::uint32_t slots_[50] = {};
    std::int32_t table_[50] = {};
    std::uint32_t state_ = 0;
    std::int32_t last_ = 0;
    std::size_t slot_ = 0;
};

}  // namespace

void randkernel(float* x, int n) {
    int i = 0;
    // The first draw through the shared routine seeds and fills the generator when needed.
    if (n > 0) x[i++] = randuniform(drawSeed);
    Draws draws;
    if (!draws.take()) {
        for (; i < n; ++i) x[i] = randuniform(drawSeed);
        return;
    }
    for (; i < n; ++i) x[i] = draws.uniform();
    draws.giveBack();
}

namespace {

// The polar method's factor sqrt(-2 ln r / r) of N pairs at a time.
template <int N>
[[gnu::always_inline]] inline void factorlanes(const float* r, float* f, int n) {
    typedef lanes::Lanes<N> L;
    int i = 0;
    for (; i + N <= n; i += N) {
        const typename L::F v = L::load(r + i);
        L::store(f + i, lanes::sqrt(-2.0f * lanes::ln(v) / v));
    }
    for (; i < n; ++i) f[i] = std::sqrt(-2.0f * floatmath::ln(r[i]) / r[i]);
}
LANES_VERSIONS(factorpass, factorlanes, (const float* r, float* f, int n), (r, f, n))

}  // namespace

void normalkernel(float* x, int n) {
    int i = 0;
    // As randnormal: a waiting second value of a pair first, then pairs by the polar method.
    if (n > 0 && (normalSpareReady || !rawRandomSeeded || uniformReady == 0)) x[i++] = randnormal();
    Draws draws;
    if (!draws.take()) {
        for (; i < n; ++i) x[i] = randnormal();
        return;
    }
    // The pairs of a block are drawn in order first (the draws are a chain), then their
    // factors taken many at a time; the block's last second value may be left waiting.
    constexpr int block = fnArrayLength / 4;
    HeldArray<float> held, heldDraws;
    float* const us = heldDraws.data();  // the draws of a round: two per attempt, 2 * block at most
    float* const as = held.data();
    float* const bs = as + block;
    float* const rs = bs + block;
    float* const fs = rs + block;
    while (i < n) {
        if (normalSpareReady) {
            normalSpareReady = false;
            x[i++] = normalSpare;
            continue;
        }
        const int pairs = std::min((n - i + 1) / 2, block);
        // Attempts in rounds: a round makes as many attempts as pairs are still wanted (each
        // takes two draws, whether it is kept or not), so the draws end with the last pair kept,
        // as one attempt after another would; the kept ones are packed without a branch.
        for (int kept = 0; kept < pairs;) {
            const int attempts = pairs - kept;
            for (int k = 0; k < 2 * attempts; ++k) us[k] = draws.uniform();
            for (int t = 0; t < attempts; ++t) {
                const float a = 2.0f * us[2 * t] - 1.0f;
                const float b = 2.0f * us[2 * t + 1] - 1.0f;
                const float r = a * a + b * b;
                as[kept] = a;
                bs[kept] = b;
                rs[kept] = r;
                kept += r < 1.0f && r != 0.0f;  // r = 0 (both draws one half) has no direction
            }
        }
        factorpass(rs, fs, pairs);
        for (int p = 0; p < pairs; ++p) {
            x[i++] = bs[p] * fs[p];
            if (i < n) {
                x[i++] = as[p] * fs[p];
            } else {
                normalSpare = as[p] * fs[p];
                normalSpareReady = true;
            }
        }
    }
    draws.giveBack();
}

// ---- handlers ----

namespace {

// "(" x ")": x evaluated into out, then the kernel.
int oneseries(float* out, std::FILE* in, char*& text, const char* label, void (*kernel)(float*, int)) {
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 41) return atfail(label);
    atback(text);
    kernel(out, atobs());
    return 0;
}

// The value function known when compiling: mapeach<F> has it inlined into its loop.
template <float (*F)(float)>
int mapped(float* out, std::FILE* in, char*& text, const char* label) {
    return oneseries(out, in, text, label, mapeach<F>);
}

// "(" ")" for the random draws, which have frequency 0.
int draws(float* out, std::FILE* in, char*& text, const char* label, void (*kernel)(float*, int)) {
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (atread(token, in, text) != ')') return atfail(label);
    kernel(out, atobs());
    currentFrequency = 0;
    return 0;
}

}  // namespace

int atdiff(float* out, std::FILE* in, char*& text) { return oneseries(out, in, text, "@diff", diffkernel); }
int atdlog(float* out, std::FILE* in, char*& text) { return oneseries(out, in, text, "@dlog", dlogkernel); }
int atlint(float* out, std::FILE* in, char*& text) { return oneseries(out, in, text, "@lint", lintkernel); }
int atexp(float* out, std::FILE* in, char*& text) { return oneseries(out, in, text, "@exp", expkernel); }
int atlog(float* out, std::FILE* in, char*& text) { return oneseries(out, in, text, "@log", logkernel); }
int atsqrt(float* out, std::FILE* in, char*& text) { return oneseries(out, in, text, "@sqrt", sqrtkernel); }
int atsq(float* out, std::FILE* in, char*& text) { return mapped<fnsq>(out, in, text, "@sq"); }
int atfabs(float* out, std::FILE* in, char*& text) { return mapped<fnfabs>(out, in, text, "@fabs"); }
int atsign(float* out, std::FILE* in, char*& text) { return mapped<fnsign>(out, in, text, "@sign"); }
int atsin(float* out, std::FILE* in, char*& text) { return oneseries(out, in, text, "@sin", sinkernel); }
int atifpos(float* out, std::FILE* in, char*& text) { return mapped<fnifpos>(out, in, text, "@ifpos"); }
int atpos(float* out, std::FILE* in, char*& text) { return mapped<fnpos>(out, in, text, "@pos"); }
int atzero(float* out, std::FILE* in, char*& text) { return mapped<fnzero>(out, in, text, "@zero"); }
int atmiss(float* out, std::FILE* in, char*& text) { return mapped<fnmiss>(out, in, text, "@miss"); }
int atrand(float* out, std::FILE* in, char*& text) { return draws(out, in, text, "@rand", randkernel); }
int atnormal(float* out, std::FILE* in, char*& text) { return draws(out, in, text, "@normal", normalkernel); }

int atround(float* out, std::FILE* in, char*& text) {
    const char* label = "round";
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 44) return atfail(label);
    atcomma(text);
    // A count, which may be written with a minus sign (@round(x, -1)).
    int cls = atread(token, in, text);
    long sign = 1;
    if (cls == '-') {
        sign = -1;
        cls = atread(token, in, text);
    }
    if (cls != 'n') return atfail(label);
    long decimals = sign * std::strtol(token, nullptr, 10);
    if (atread(token, in, text) != ')') return atfail(label);
    roundkernel(out, atobs(), decimals);
    return 0;
}

int atpow(float* out, std::FILE* in, char*& text) {
    const char* label = "@pow";
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 44) return atfail(label);
    atcomma(text);
    WorkSeries y;
    if (rhs(y.data(), in, text) != 41) return atfail(label);
    atback(text);
    powkernel(out, y.data(), atobs());
    return 0;
}
