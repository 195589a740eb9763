#include "series/functions_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>

#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/lanes.h"
#include "series/rhs.h"
#include "series/series_state.h"

// ---- kernels ----

namespace {

// The sum in double of x[j..v] (leaving out missing values when skipMissing) and the number
// of values added. By definition the values are added one after another in index order. But
// where every value is a multiple of one power of two and the largest magnitude is at most
// 2^18 times the smallest nonzero one, no partial sum of fewer than 2^11 of them needs more
// than a double's 53 bits: every partial sum is exact, so every order of adding gives the
// same bits. Such spans (the usual case) are added in eight independent chains, which the
// processor overlaps; others (infinities, NaNs, wider ranges, longer spans) in order.
struct SpanSum {
    double sum = 0.0;
    int count = 0;
};

// Magnitudes as bit patterns (below 2^31, so signed comparisons order them).
constexpr std::int32_t noMagnitude = 0x7fffffff, infiniteMagnitude = 0x7f800000;

// Whether the span's partial sums are exact (see SpanSum), from its largest magnitude, its
// smallest nonzero one (noMagnitude when none) and whether it holds an infinity or NaN.
bool exactsums(int length, std::int32_t largest, std::int32_t smallest, bool special) {
    if (special || length >= 2048) return false;
    if (smallest == noMagnitude) return true;  // nothing but zeros
    const int high = largest >> 23, low = std::max(smallest >> 23, 1);
    return high - low <= 18;
}

// The one pass over x[j..] in blocks of 2N: N chains of sums in double (two vectors of N / 2
// lanes, for each half of the block), the count, and the magnitudes that tell whether the
// chains' sum is the sum in order. next is where the blocks stopped.
struct ChainPass {
    double sum = 0.0;
    int count = 0;
    std::int32_t largest = 0, smallest = noMagnitude;
    bool special = false;
    int next = 0;
};

template <int N>
[[gnu::always_inline]] inline void chainlanes(const float* x, int j, int v, bool skipMissing, ChainPass& r) {
    using L = lanes::Lanes<N>;
    typedef typename L::I I;
    typedef typename lanes::Lanes<N / 2>::D D;
    const std::uint32_t first = lanes::missingFirstBits(), span = lanes::missingSpan();
    const I none = I{} + noMagnitude, all = I{} - 1;
    D chain[4] = {};
    I counts = {}, big = {}, small = none, odd = {};
    int i = j;
    for (; i + 2 * N <= v + 1; i += 2 * N)
        for (int h = 0; h < 2; ++h) {
            const typename L::F a = L::load(x + i + N * h);
            const typename L::U b = lanes::bitsof(a);
            const I kept = skipMissing ? reinterpret_cast<I>(~lanes::missingmask(b, first, span)) : all;
            const I mag = reinterpret_cast<I>(b & 0x7fffffffu) & kept;
            // mag >= infiniteMagnitude as the sign of a difference that cannot overflow (the
            // compiler makes the comparison's mask lane by lane in 16-lane code).
            odd |= ((I{} + (infiniteMagnitude - 1)) - mag) >> 31;
            big = mag > big ? mag : big;
            const I nonzero = mag == 0 ? none : mag;
            small = nonzero < small ? nonzero : small;
            counts -= kept;
            const typename L::F y = lanes::floatof(b & reinterpret_cast<typename L::U>(kept));
            // All N floats converted at once, then split: GCC converts a half of them taken
            // out first two floats at a time, through memory.
            const typename L::D wide = __builtin_convertvector(y, typename L::D);
            D low, high;
            std::memcpy(&low, &wide, sizeof low);
            std::memcpy(&high, reinterpret_cast<const char*>(&wide) + sizeof low, sizeof high);
            chain[2 * h] += low;
            chain[2 * h + 1] += high;
        }
    for (int k = 0; k < N; ++k) {
        r.largest = std::max(r.largest, big[k]);
        r.smallest = std::min(r.smallest, small[k]);
        r.special = r.special || odd[k] != 0;
        r.count += counts[k];
    }
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < N / 2; ++k) r.sum += chain[c][k];
    r.next = i;
}
LANES_VERSIONS(chainpass, chainlanes, (const float* x, int j, int v, bool skipMissing, ChainPass& r),
               (x, j, v, skipMissing, r))

SpanSum spansum(const float* x, int j, int v, bool skipMissing) {
    SpanSum r;
    int i = j;
    if (v - j + 1 >= 16) {
        ChainPass pass;
        chainpass(x, j, v, skipMissing, pass);
        i = pass.next;
        std::int32_t largest = pass.largest, smallest = pass.smallest;
        bool special = pass.special;
        for (int k = i; k <= v; ++k) {
            if (skipMissing && ismissing(x[k])) continue;
            const std::int32_t mag = static_cast<std::int32_t>(lanes::bitsof(x[k]) & 0x7fffffffu);
            special = special || mag >= infiniteMagnitude;
            largest = std::max(largest, mag);
            if (mag != 0) smallest = std::min(smallest, mag);
        }
        if (exactsums(v - j + 1, largest, smallest, special)) {
            r.sum = pass.sum;
            r.count = pass.count;
        } else {
            i = j;  // added again, in order
        }
    }
    for (; i <= v; ++i) {
        if (skipMissing && ismissing(x[i])) continue;
        r.sum += x[i];
        ++r.count;
    }
    return r;
}

}  // namespace

int sumkernel(float* x, int n, int i1, int i2) {
    if (i1 < 0) i1 = 0;
    if (i2 > n - 1) i2 = n - 1;
    if (i1 > i2) return -1;
    const double sum = spansum(x, i1, i2, false).sum;
    std::fill(x, x + n, 0.0f);
    x[i2] = static_cast<float>(sum);
    return 0;
}

float meankernel(const float* x, int j, int v) {
    const SpanSum s = spansum(x, j, v, true);
    return s.count == 0 ? MISSING : static_cast<float>(s.sum / s.count);
}

float stdevkernel(const float* x, int j, int v) {
    const SpanSum s = spansum(x, j, v, true);
    const int count = s.count;
    if (count == 0) return MISSING;
    const double mean = s.sum / count;
    double squares = 0.0;
    for (int i = j; i <= v; ++i) {
        if (ismissing(x[i])) continue;
        squares += (x[i] - mean) * (x[i] - mean);
    }
    const double variance = squares / (count > 1 ? count - 1 : 1);
    return variance > 0.00000001 ? static_cast<float>(std::sqrt(variance)) : 0.0f;
}

float ggrkernel(const float* x, int j, int v) {
    const float a = x[j];
    const float b = x[v];
    if (j == v || ismissing(a) || ismissing(b) || a == 0.0f || static_cast<double>(a) * b < 0.0) return MISSING;
    const float ratio = b / a;
    const float exponent = 1.0f / static_cast<float>(v - j);
    return static_cast<float>(100.0 * (std::pow(static_cast<double>(ratio), static_cast<double>(exponent)) - 1.0));
}

namespace {

// The lanes' bests of x[j..] in blocks of N, each lane keeping its first best value; next is
// where the blocks stopped.
template <int N>
[[gnu::always_inline]] inline void extremelanes(const float* x, int j, int v, bool wantMax, float start,
                                                float* best, int& next) {
    using L = lanes::Lanes<N>;
    const std::uint32_t first = lanes::missingFirstBits(), span = lanes::missingSpan();
    typename L::F lane = typename L::F{} + start;
    int i = j;
    for (; i + N <= v + 1; i += N) {
        const typename L::F a = L::load(x + i);
        const typename L::U better = reinterpret_cast<typename L::U>(wantMax ? a > lane : a < lane) &
                                     ~lanes::missingmask(lanes::bitsof(a), first, span);
        lane = lanes::pick(better, a, lane);
    }
    for (int k = 0; k < N; ++k) best[k] = lane[k];
    next = i;
}
LANES_VERSIONS(extremepass, extremelanes,
               (const float* x, int j, int v, bool wantMax, float start, float* best, int& next),
               (x, j, v, wantMax, start, best, next))

}  // namespace

float extremekernel(const float* x, int j, int v, bool wantMax) {
    const double start = wantMax ? -static_cast<double>(floatMax) : static_cast<double>(floatMax);
    double best = start;
    int i = j;
    // Lanes of 4, 8 or 16, each keeping its first best value; the lanes' bests then compete in
    // the order of their first observations. Only equal values of different bits (0 and -0)
    // could make that differ from the one pass in order: a zero is looked for again in order.
    if (v - j + 1 >= 16) {
        float lanebest[16];
        std::fill_n(lanebest, 16, static_cast<float>(start));  // lanes a narrower version leaves
        extremepass(x, j, v, wantMax, static_cast<float>(start), lanebest, i);
        for (int k = 0; k < 16; ++k)
            if (wantMax ? lanebest[k] > best : lanebest[k] < best) best = lanebest[k];
        if (best == 0.0) {
            best = start;
            i = j;
        }
    }
    for (; i <= v; ++i) {
        if (ismissing(x[i])) continue;
        if (wantMax ? x[i] > best : x[i] < best) best = x[i];
    }
    return std::fabs(best - start) <= 1.0 ? MISSING : static_cast<float>(best);
}

void fillspan(float* x, int first, int last, float value) {
    for (int i = first; i <= last; ++i) x[i] = value;
}

int checkdates(const char* name, int j, int v, int n, bool after) {
    if (j < 0) {
        printout("\nError:  In %s, first date is before start date in jex.cfg.\n", name);
    } else if (j >= n) {
        printout("Error:  In %s, first date exceeds the end of the workspace.\n", name);
    } else if (v < 0) {
        printout("\nError:  In %s, second date is before start date in jex.cfg.\n", name);
    } else if (v >= n) {
        printout("Error:  In %s, second date exceeds the end of the workspace.\n", name);
    } else if (after) {
        printout("\nError:  In %s, second date must come after the first.\n", name);
    } else {
        return 0;
    }
    return -1;
}

// ---- handlers ----

namespace {

// After the series argument's ",": date1 "," date2 ")" and the checks. byText: the dates
// are made from the tokens' text and compared by index (max, min), else from their values
// and compared as dates. Returns 0 with j and v, or -1 after the messages.
int readdates(std::FILE* in, char*& text, const char* label, const char* name, bool byText, int& j, int& v) {
    char first[78];
    char second[78];
    char token[78];
    if (atread(first, in, text) != 'n') return atfail(label);
    if (atread(token, in, text) != ',') return atfail(label);
    if (atread(second, in, text) != 'n') return atfail(label);
    if (atread(token, in, text) != ')') return atfail(label);
    JexDate d1;
    JexDate d2;
    if (byText) {
        d1.parse(first);
        d2.parse(second);
    } else {
        d1 = JexDate(static_cast<float>(std::strtod(first, nullptr)));
        d2 = JexDate(static_cast<float>(std::strtod(second, nullptr)));
    }
    j = d1.wsIndex();
    v = d2.wsIndex();
    const int n = atobs();
    bool after;
    const bool inside = j >= 0 && j < n && v >= 0 && v < n;
    if (inside && d1.frequency != d2.frequency) {
        // Indexes of dates of two frequencies count different periods, so they make no span
        // (1990.2 to 1991 would be observations 1 to 1): refused like unordered dates.
        printout("Dates of different frequencies cannot be compared.\n");
        after = true;
    } else if (byText) {
        after = j > v;
    } else {
        // Dates of one year and different frequencies cannot be ordered (-1): refused too.
        after = inside && (d1 > d2) != 0;
    }
    if (checkdates(name, j, v, n, after) != 0) return atfail(label);
    return 0;
}

// @mean, @stdev, @ggr: (x, date1, date2).
int spanstatistic(float* out, std::FILE* in, char*& text, const char* label, const char* name,
                  float (*kernel)(const float*, int, int)) {
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 44) return atfail(label);
    atcomma(text);
    int j = 0;
    int v = 0;
    if (readdates(in, text, label, name, false, j, v) != 0) return -1;
    const float value = kernel(out, j, v);
    FRange range = frange(atobs());
    fillspan(out, range.first, range.last, value);
    return 0;
}

// @max, @min: (x) over the f range or (x, date1, date2).
int extreme(float* out, std::FILE* in, char*& text, const char* label, const char* name, bool wantMax) {
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    int r = rhs(out, in, text);
    FRange range = frange(atobs());
    int j = range.first;
    int v = range.last;
    if (r == 44) {
        atcomma(text);
        if (readdates(in, text, label, name, true, j, v) != 0) return -1;
    } else if (r == 41) {
        atback(text);
    } else {
        return atfail(label);
    }
    const float value = j <= v ? extremekernel(out, j, v, wantMax) : MISSING;
    fillspan(out, range.first, range.last, value);
    return 0;
}

}  // namespace

int atmean(float* out, std::FILE* in, char*& text) {
    return spanstatistic(out, in, text, "@mean", "@mean()", meankernel);
}
int atstdev(float* out, std::FILE* in, char*& text) {
    return spanstatistic(out, in, text, "@stdev", "@stdev()", stdevkernel);
}
int atggr(float* out, std::FILE* in, char*& text) {
    return spanstatistic(out, in, text, "@ggr", "@ggr()", ggrkernel);
}
int atmax(float* out, std::FILE* in, char*& text) { return extreme(out, in, text, "@max", "@max()", true); }
int atmin(float* out, std::FILE* in, char*& text) { return extreme(out, in, text, "@min", "@min()", false); }
