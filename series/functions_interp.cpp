#include "series/functions_interp.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "banks/slots.h"
#include "core/missing.h"
#include "core/numfuncs.h"
#include "core/printout.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/lanes.h"
#include "series/rhs.h"

namespace {

// Whether the eight values from x on are all the missing value, tested on their bits (exactly
// ismissing's test, and no comparison of floats, so no flag).
bool eightmissing(const float* x, std::uint32_t firstbits, std::uint32_t span) {
    lanes::vbits low, high;
    std::memcpy(&low, x, sizeof low);
    std::memcpy(&high, x + 4, sizeof high);
    const lanes::vbits both = lanes::missingmask(low, firstbits, span) & lanes::missingmask(high, firstbits, span);
    return !lanes::anyset(~both);
}

// First and last observation that is not missing; false when there is none. The runs of
// missing values at either end (most of a series of a lower frequency in a workspace of the
// higher one) are passed eight at a time on their bits; the values around them are tested
// one at a time as before, so a NaN where a run stops raises the invalid flag as it did.
bool validspan(const float* x, int n, int& first, int& last) {
    const std::uint32_t firstbits = lanes::missingFirstBits(), span = lanes::missingSpan();
    first = 0;
    while (first + 8 <= n && eightmissing(x + first, firstbits, span)) first += 8;
    while (first < n && ismissing(x[first])) ++first;
    if (first == n) return false;
    last = n - 1;
    while (last - 8 >= first && eightmissing(x + last - 7, firstbits, span)) last -= 8;
    while (ismissing(x[last])) --last;
    return true;
}

}  // namespace

int interpkernel(float* x, int n, char target, char mode) {
    int r = 4;
    float h = 0.25f;
    if (target == 's') {
        r = 2;
        h = 0.5f;
    } else if (target == 'm') {
        r = 3;
        h = 0.33333331f;
    }
    int first = 0;
    int last = 0;
    if (!validspan(x, n, first, last)) return -1;
    const int window = mode == 'y' ? 4 : 3;
    if (last - first + 1 < window) return -1;

    // Weights of the cubic through the nodes 0..3 at t = 0, h, 2h, ... up to 3.
    float table[16][4] = {};
    const float nodes[4] = {0.0f, 1.0f, 2.0f, 3.0f};
    float t = 0.0f;
    for (int k = 0; k < 16 && t <= 3.0f; ++k, t += h) lagrangeweights(t, table[k], nodes);

    const int big = n > 1999 ? n : 1999;
    static std::vector<float> work;  // held between calls
    work.assign(static_cast<std::size_t>(big) + 1, MISSING);
    int pos = first * r + (mode == 'y' ? r - 1 : 0);
    if (pos + r <= big) subperiodvalues(x, table, work.data(), r, first, pos, 0, mode);
    const int stop = mode == 'y' ? last - 3 : last - 2;
    for (int i = first; i <= stop; ++i) {
        pos += r;
        if (pos + r > big) break;
        subperiodvalues(x, table, work.data(), r, i, pos, r, mode);
    }
    pos += r;
    if (pos + r < big) {
        subperiodvalues(x, table, work.data(), r, stop, pos, 2 * r, mode);
        if (mode == 'y') work[static_cast<std::size_t>(pos + r)] = x[last];
    }
    for (int i = 0; i < n; ++i) x[i] = work[static_cast<std::size_t>(i)];
    return 0;
}

namespace {

// The points lo..hi of one window of the indicator interpolation, L at a time (L = 8, or 4
// on a machine of 4-lane vectors): each lane makes the operations of lagrangeweights at its
// cumulated indicator value and then the window's sum of weighted values, in their order, so
// each point has the same bits as one at a time. A lane past hi computes a copy of the lane
// of lo (no floating-point flag that the points themselves would not raise) and is not stored.
template <int N>
[[gnu::always_inline]] inline void windowlanes(const float* C, int lo, int hi, const float* X, const float* Y,
                                               float* Z) {
    constexpr int L = N >= 8 ? 8 : 4;
    typedef typename lanes::Lanes<L>::F V;
    for (int k = lo; k <= hi; k += L) {
        V x;
        for (int l = 0; l < L; ++l) x[l] = k + l <= hi ? C[k + l] : C[lo];
        V w[4];
        for (int p = 0; p < 4; ++p) {
            V product = V{} + 1.0f;
            for (int q = 0; q < 4; ++q) {
                if (q == p) continue;
                const float d = X[p] - X[q];
                product *= (x - X[q]) / d;
            }
            w[p] = product;
        }
        const V z = w[0] * Y[0] + w[1] * Y[1] + w[2] * Y[2] + w[3] * Y[3];
        const int count = std::min(L, hi - k + 1);
        for (int l = 0; l < count; ++l) Z[k + l] = z[l];
    }
}
LANES_VERSIONS(windowpass, windowlanes, (const float* C, int lo, int hi, const float* X, const float* Y, float* Z),
               (C, lo, hi, X, Y, Z))

// Eight rows of four floats as four vectors of eight: row j and row j + 4 from p (rows 4 floats
// apart) in vector j, and the transposition of four such vectors within their halves: column
// i of rows 0..3 and of rows 4..7 in s[i]. The same transposition turns four vectors of eight
// back into eight rows of four (s[j] holding rows j and j + 4). Moves only, no arithmetic.
typedef float Eight __attribute__((vector_size(32)));
typedef float Four __attribute__((vector_size(16)));
[[gnu::always_inline]] inline Eight pairedrows(const float* p, int j) {
    Four low, high;
    std::memcpy(&low, p + 4 * j, sizeof low);
    std::memcpy(&high, p + 4 * (j + 4), sizeof high);
    return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}
[[gnu::always_inline]] inline void transposed8(Eight r0, Eight r1, Eight r2, Eight r3, Eight* s) {
    const Eight t0 = __builtin_shufflevector(r0, r1, 0, 8, 1, 9, 4, 12, 5, 13);
    const Eight t1 = __builtin_shufflevector(r0, r1, 2, 10, 3, 11, 6, 14, 7, 15);
    const Eight t2 = __builtin_shufflevector(r2, r3, 0, 8, 1, 9, 4, 12, 5, 13);
    const Eight t3 = __builtin_shufflevector(r2, r3, 2, 10, 3, 11, 6, 14, 7, 15);
    s[0] = __builtin_shufflevector(t0, t2, 0, 1, 8, 9, 4, 5, 12, 13);
    s[1] = __builtin_shufflevector(t0, t2, 2, 3, 10, 11, 6, 7, 14, 15);
    s[2] = __builtin_shufflevector(t1, t3, 0, 1, 8, 9, 4, 5, 12, 13);
    s[3] = __builtin_shufflevector(t1, t3, 2, 3, 10, 11, 6, 7, 14, 15);
}

// The middle windows of the indicator interpolation (those that give the sub-periods of their
// middle period: points a..2a), L windows at a time, one window per lane (L = N floats, the
// machine's width): windows first .. last of the source. Each lane makes, for its window, the
// operations of the window's rule in their order (the cumulated indicator from 0, the
// cumulated source values, then at each point those of lagrangeweights and the sum of the
// weighted values, then the differences of the points times a), so each value has the same
// bits as one window at a time; a window gives about a + 1 points, and a vector of windows
// fills every lane where a window's points filled about half of them. Lanes past the last
// window make the copy of the last one (no floating-point flag that it would not raise) and
// are not stored. Returns -2, having stored nothing of the batch, when a window's cumulated
// indicator values are alike (its weights undefined); the refused call's flags do not count.
template <int N>
[[gnu::always_inline]] inline int windowbatchlanes(const float* indicator, const float* x, int a, int first, int last,
                                                  float* result, float* work) {
    constexpr int L = N;
    typedef typename lanes::Lanes<L>::F V;
    typedef typename lanes::Lanes<L>::U U;
    typedef typename lanes::Lanes<L>::IO IO;
    auto get = [&](int k) { return *reinterpret_cast<const IO*>(work + static_cast<std::size_t>(k) * L); };
    for (int batch = first; batch <= last; batch += L) {
        int window[L];
        for (int l = 0; l < L; ++l) window[l] = std::min(batch + l, last);
        // The cumulated indicator of every window, sub-period by sub-period: work holds
        // C[k] of the lanes at k * L.
        const bool full = batch + L - 1 <= last;
        // Quarters of eight whole windows: the indicator of each window's year (4 values)
        // turned from rows into columns, three years a window (the years of windows b + 1 and
        // b + 2 hold the second and third years of window b).
        const bool quarters = L == 8 && a == 4 && full;
        V c = V{} + 0.0f;
        *reinterpret_cast<IO*>(work) = c;
        if constexpr (L == 8) {
            if (quarters) {
                for (int year = 0; year < 3; ++year) {
                    const float* from = indicator + static_cast<std::size_t>(batch + year) * 4;
                    V s[4];
                    transposed8(pairedrows(from, 0), pairedrows(from, 1), pairedrows(from, 2), pairedrows(from, 3), s);
                    for (int j = 0; j < 4; ++j) {
                        c = c + s[j];
                        *reinterpret_cast<IO*>(work + static_cast<std::size_t>(4 * year + j + 1) * L) = c;
                    }
                }
            }
        }
        if (!quarters) {
            for (int k = 1; k <= 3 * a; ++k) {
                V step;
                for (int l = 0; l < L; ++l) step[l] = indicator[window[l] * a + k - 1];
                c = c + step;
                *reinterpret_cast<IO*>(work + static_cast<std::size_t>(k) * L) = c;
            }
        }
        V x0, x1, x2;
        if (full) {
            x0 = lanes::Lanes<L>::load(x + batch);
            x1 = lanes::Lanes<L>::load(x + batch + 1);
            x2 = lanes::Lanes<L>::load(x + batch + 2);
        } else {
            for (int l = 0; l < L; ++l) {
                x0[l] = x[window[l]];
                x1[l] = x[window[l] + 1];
                x2[l] = x[window[l] + 2];
            }
        }
        const V zero = V{} + 0.0f;
        const V X[4] = {zero, get(a), get(2 * a), get(3 * a)};
        const V Y1 = zero + x0;
        const V Y2 = Y1 + x1;
        const V Y3 = Y2 + x2;
        V d[4][4];
        U alike = U{};
        for (int p = 0; p < 4; ++p)
            for (int q = 0; q < 4; ++q) {
                if (q == p) continue;
                d[p][q] = X[p] - X[q];
                // 0 or -0: the bits but the sign are 0 (no comparison of floats, no flag).
                alike |= reinterpret_cast<U>((lanes::bitsof(d[p][q]) << 1) == 0u);
            }
        if (lanes::anyset(alike)) return -2;
        V previous = V{};
        V outs[4] = {};
        for (int k = a; k <= 2 * a; ++k) {
            const V at = get(k);
            V w[4];
            for (int p = 0; p < 4; ++p) {
                V product = V{} + 1.0f;
                for (int q = 0; q < 4; ++q) {
                    if (q == p) continue;
                    product *= (at - X[q]) / d[p][q];
                }
                w[p] = product;
            }
            const V z = w[0] * zero + w[1] * Y1 + w[2] * Y2 + w[3] * Y3;
            if (k > a) {
                const V out = (z - previous) * static_cast<float>(a);
                if (quarters) {
                    outs[k - a - 1] = out;
                } else {
                    const int count = std::min(L, last - batch + 1);
                    for (int l = 0; l < count; ++l) result[static_cast<std::size_t>((batch + l) * a + k - 1)] = out[l];
                }
            }
            previous = z;
        }
        if constexpr (L == 8) {
            if (quarters) {
                // The four quarters of each window's middle year, columns back into rows.
                V s[4];
                transposed8(outs[0], outs[1], outs[2], outs[3], s);
                for (int j = 0; j < 4; ++j) {
                    std::memcpy(&result[static_cast<std::size_t>(batch + j + 1) * 4], &s[j], 16);
                    std::memcpy(&result[static_cast<std::size_t>(batch + j + 5) * 4], reinterpret_cast<const char*>(&s[j]) + 16, 16);
                }
            }
        }
    }
    return 0;
}
__attribute__((target("avx512f"))) int windowbatch16(const float* indicator, const float* x, int a, int first, int last,
                                                     float* result, float* work) {
    return windowbatchlanes<16>(indicator, x, a, first, last, result, work);
}
__attribute__((target("avx2"))) int windowbatch8(const float* indicator, const float* x, int a, int first, int last,
                                                 float* result, float* work) {
    return windowbatchlanes<8>(indicator, x, a, first, last, result, work);
}
int windowbatch4(const float* indicator, const float* x, int a, int first, int last, float* result, float* work) {
    return windowbatchlanes<4>(indicator, x, a, first, last, result, work);
}
int windowbatch(const float* indicator, const float* x, int a, int first, int last, float* result,
                std::vector<float>& work) {
    work.resize(static_cast<std::size_t>(3 * a + 1) * 16);
    if (lanes::width >= 16) return windowbatch16(indicator, x, a, first, last, result, work.data());
    if (lanes::width >= 8) return windowbatch8(indicator, x, a, first, last, result, work.data());
    return windowbatch4(indicator, x, a, first, last, result, work.data());
}

}  // namespace

int ininkernel(float* x, const float* indicator, int n, int ratio) {
    const int a = ratio;
    int first = 0;
    int last = 0;
    if (!validspan(x, n, first, last) || last - first + 1 < 3) return -1;
    // The windows start at first .. last - 2 and cover the sub-periods i*a .. (i+3)*a - 1,
    // which must all lie inside the series (the last window reaches furthest).
    if (static_cast<long long>(last + 1) * a > n) return -2;
    static std::vector<float> result, C, Z, work;  // held between calls
    result.assign(static_cast<std::size_t>(n), 0.0f);
    C.assign(static_cast<std::size_t>(3 * a + 1), 0.0f);
    Z.assign(static_cast<std::size_t>(3 * a + 1), 0.0f);
    // The first and the last window one at a time (they give the points of their first and
    // last periods too), the windows between them many at a time.
    const int ends[2] = {first, last - 2};
    for (int e = 0; e < (first == last - 2 ? 1 : 2); ++e) {
        const int i = ends[e];
        C[0] = 0.0f;
        for (int k = 1; k <= 3 * a; ++k) C[k] = C[k - 1] + indicator[i * a + k - 1];
        float Y[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        float X[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int m = 1; m <= 3; ++m) {
            Y[m] = Y[m - 1] + x[i + m - 1];
            X[m] = C[m * a];
        }
        const int lo = i == first ? 0 : a;
        const int hi = i == last - 2 ? 3 * a : 2 * a;
        // Two cumulated indicator values alike leave the window's weights undefined.
        for (int p = 0; p < 4; ++p)
            for (int q = 0; q < 4; ++q)
                if (p != q && X[p] - X[q] == 0.0f) return -2;
        windowpass(C.data(), lo, hi, X, Y, Z.data());
        for (int k = lo; k < hi; ++k) result[static_cast<std::size_t>(i * a + k)] = (Z[k + 1] - Z[k]) * a;
    }
    if (last - 3 >= first + 1 && windowbatch(indicator, x, a, first + 1, last - 3, result.data(), work) != 0) return -2;
    for (int i = 0; i < n; ++i) x[i] = result[static_cast<std::size_t>(i)];
    return 0;
}

int readinterptable(std::FILE* file, float* abscissae, float* ordinates, int room) {
    int count = 0;
    for (;;) {
        float a = 0.0f;
        float b = 0.0f;
        int got = std::fscanf(file, "%f %f", &a, &b);
        if (got == EOF) break;
        if (got != 2) return -1;
        if (count < room) {
            abscissae[count] = a;
            ordinates[count] = b;
            ++count;
        }
    }
    if (count < 4) return -1;
    for (int i = 1; i < count; ++i) {
        if (!(abscissae[i] > abscissae[i - 1])) return -1;
    }
    return count;
}

namespace {

// lagrangeat for M = N / 2 observations at a time, each lane a double: every lane makes the
// operations of lagrangeat in its order (its segment of the table found as lagrangeat finds
// it), so each value has the same bits; the divisions, which cost most, are made M at a
// time. Only for tables of at least four pairs with strictly ascending abscissae (the
// segment's differences are then never 0).
//
// One group of M values, each on its own: each lane's segment and ends found on the lane, the
// nodes gathered. A lane whose value is the table's first or last ordinate takes no part: it
// computes the copy of another lane of its group (the same operations, so no floating-point
// flag that lagrangeat would not raise). Returns the first node of the segment of the group's
// last value inside the table, or -1 when none is inside.
template <int M>
[[gnu::always_inline]] inline int tablegroup(float* x, const float* a, const float* b, int pairs) {
    typedef typename lanes::Lanes<M>::D D;
    typedef typename lanes::Lanes<M>::Q Counts;
    // Each lane's place in the table as lagrangeat finds it (the first abscissa at or
    // above the value, the table's length for a NaN), counted M lanes at a time.
    D xv;
    for (int l = 0; l < M; ++l) xv[l] = static_cast<double>(x[l]);
    Counts above = {};
    for (int p = 0; p < pairs; ++p) above = xv > static_cast<double>(a[p]) ? above + 1 : above;
    int first[M];
    bool inside[M];
    bool alike = true;
    int donor = -1;
    for (int l = 0; l < M; ++l) {
        const int k = xv[l] == xv[l] ? static_cast<int>(above[l]) : pairs;
        inside[l] = k != 0 && k != pairs;
        first[l] = std::min(std::max(k - 2, 0), pairs - 4);
        if (inside[l]) donor = l;
        alike = alike && inside[l] && first[l] == first[0];
    }
    if (donor < 0) {
        for (int l = 0; l < M; ++l) x[l] = static_cast<float>(xv[l] <= static_cast<double>(a[0]) ? b[0] : b[pairs - 1]);
        return -1;
    }
    D av[4], bv[4];
    if (alike) {
        // One segment for the whole group: its nodes in every lane.
        for (int p = 0; p < 4; ++p) {
            av[p] = D{} + static_cast<double>(a[first[0] + p]);
            bv[p] = D{} + static_cast<double>(b[first[0] + p]);
        }
    } else {
        alignas(64) double xs[M], as[4][M], bs[4][M];
        for (int l = 0; l < M; ++l) {
            const int from = inside[l] ? l : donor;
            xs[l] = xv[from];
            for (int p = 0; p < 4; ++p) {
                as[p][l] = static_cast<double>(a[first[from] + p]);
                bs[p][l] = static_cast<double>(b[first[from] + p]);
            }
        }
        std::memcpy(&xv, xs, sizeof xv);
        for (int p = 0; p < 4; ++p) {
            std::memcpy(&av[p], as[p], sizeof av[p]);
            std::memcpy(&bv[p], bs[p], sizeof bv[p]);
        }
    }
    D sum = D{} + 0.0;
    for (int j = 0; j < 4; ++j) {
        D term = bv[j];
        for (int k = 0; k < 4; ++k) {
            if (k == j) continue;
            const D d = av[j] - av[k];
            term *= (xv - av[k]) / d;
        }
        sum += term;
    }
    for (int l = 0; l < M; ++l) {
        const double edge = x[l] <= a[0] ? b[0] : b[pairs - 1];
        x[l] = static_cast<float>(inside[l] ? sum[l] : edge);
    }
    return first[donor];
}

// The nodes of one segment of the table (first node s) as the groups of one segment use them,
// made once for all the groups that fall in it: the nodes and ordinates in every lane, the
// differences of the nodes (the divisors), and the span of values whose segment it is, (low,
// high]: lagrangeat's place i of the value (the first abscissa at or above it) is one of those
// whose segment is s, i from s + 2 (1 for the first segment) to s + 2 (the table's last for the
// last segment). A divisor that is a power of two is used as the multiplication by its
// reciprocal, which is exact: the quotient is the same number, so the same double and the same
// floating-point flags (a table of evenly spaced abscissae, 1 or 0.5 apart, has half its
// divisors so).
template <int M>
struct TableSegment {
    typedef typename lanes::Lanes<M>::D D;
    int first = -1;
    float low = 0.0f, high = 0.0f;
    D av[4] = {}, bv[4] = {}, divisor[4][4] = {}, reciprocal[4][4] = {};
    bool power[4][4] = {};
    [[gnu::always_inline]] void set(int s, const float* a, const float* b, int pairs) {
        first = s;
        low = a[(s == 0 ? 1 : s + 2) - 1];
        high = a[s == pairs - 4 ? pairs - 1 : s + 2];
        for (int p = 0; p < 4; ++p) {
            av[p] = D{} + static_cast<double>(a[s + p]);
            bv[p] = D{} + static_cast<double>(b[s + p]);
        }
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) {
                if (k == j) continue;
                const double d = static_cast<double>(a[s + j]) - static_cast<double>(a[s + k]);
                const std::uint64_t bits = std::bit_cast<std::uint64_t>(d);
                const std::uint64_t exponent = (bits >> 52) & 0x7ff;
                // A normal double with no fraction bits; its reciprocal is normal too (d, the
                // difference of two floats, lies between 2^-149 and 2^129 in magnitude).
                power[j][k] = (bits & 0xfffffffffffffull) == 0 && exponent != 0 && exponent != 0x7ff;
                divisor[j][k] = D{} + d;
                reciprocal[j][k] = D{} + (power[j][k] ? 1.0 / d : 1.0);
            }
    }
};

// The groups run through tablegroup only where they leave the segment of the group before:
// a group whose values all lie in that segment's span (no NaN among them, then) is computed
// with the segment's nodes and divisors as they stand, its comparisons four floats or fewer
// at a time (the same comparisons as in double, the floats being exact in double; a NaN
// raises the invalid flag in either).
template <int N>
[[gnu::always_inline]] inline void tablelanes(float* x, int n, const float* a, const float* b, int pairs) {
    constexpr int M = N / 2;
    typedef typename lanes::Lanes<M>::D D;
    typedef float F __attribute__((vector_size(4 * M)));
    TableSegment<M> segment;
    int i = 0;
    for (; i + M <= n; i += M) {
        F xf;
        std::memcpy(&xf, x + i, sizeof xf);
        bool within = false;
        if (segment.first >= 0) {
            if constexpr (M >= 4) {
                within = !lanes::anyset(~((xf > segment.low) & (xf <= segment.high)));
            } else {
                const D xd = __builtin_convertvector(xf, D);
                within = !lanes::anyset(~((xd > static_cast<double>(segment.low)) & (xd <= static_cast<double>(segment.high))));
            }
        }
        if (!within) {
            const int s = tablegroup<M>(x + i, a, b, pairs);
            if (s >= 0 && s != segment.first) segment.set(s, a, b, pairs);
            continue;
        }
        const D xv = __builtin_convertvector(xf, D);
        D numerator[4];
        for (int k = 0; k < 4; ++k) numerator[k] = xv - segment.av[k];
        D sum = D{} + 0.0;
        for (int j = 0; j < 4; ++j) {
            D term = segment.bv[j];
            for (int k = 0; k < 4; ++k) {
                if (k == j) continue;
                if (segment.power[j][k]) term *= numerator[k] * segment.reciprocal[j][k];
                else term *= numerator[k] / segment.divisor[j][k];
            }
            sum += term;
        }
        const F out = __builtin_convertvector(sum, F);
        std::memcpy(x + i, &out, sizeof out);
    }
    for (; i < n; ++i) x[i] = static_cast<float>(lagrangeat(x[i], a, b, pairs));
}
LANES_VERSIONS(tablepass, tablelanes, (float* x, int n, const float* a, const float* b, int pairs),
               (x, n, a, b, pairs))

}  // namespace

void tablekernel(float* x, int n, const float* abscissae, const float* ordinates, int pairs) {
    bool ascending = pairs >= 4;
    for (int k = 1; ascending && k < pairs; ++k) ascending = abscissae[k] > abscissae[k - 1];
    if (ascending) {
        tablepass(x, n, abscissae, ordinates, pairs);
        return;
    }
    for (int i = 0; i < n; ++i) x[i] = static_cast<float>(lagrangeat(x[i], abscissae, ordinates, pairs));
}

// ---- handlers ----

int interpfrequency(float* out, std::FILE* in, char*& text, char target, char mode) {
    char token[78];
    if (atread(token, in, text) != '(' || rhs(out, in, text) != 41) {
        printout("syntax error in interpolation function");
        return -1;
    }
    atback(text);
    if (interpkernel(out, atobs(), target, mode) != 0) {
        printout("\nError:  too few periods of data to interpolate (%d needed).\n", mode == 'y' ? 4 : 3);
        return -1;
    }
    return 0;
}

int inint(float* out, std::FILE* in, char*& text, int ratio) {
    auto fail = []() {
        printout("\r\nError in inint.\r\n");
        return -1;
    };
    char token[78];
    if (atread(token, in, text) != '(') return fail();
    if (rhs(out, in, text) != 44) return fail();
    atcomma(text);
    WorkSeries indicator;
    if (rhs(indicator.data(), in, text) != 41) return fail();
    atback(text);
    int r = ininkernel(out, indicator.data(), atobs(), ratio);
    if (r == -1) {
        printout("\nError:  too few periods of data to interpolate (3 needed).\n");
        return fail();
    }
    if (r == -2) {
        printout("Indicator shorter than source.\n");
        return fail();
    }
    return 0;
}

namespace {

int tohigher(float* out, std::FILE* in, char*& text, char target, char mode, int frequency) {
    int r = interpfrequency(out, in, text, target, mode);
    currentFrequency = static_cast<std::int16_t>(frequency);
    return r;
}

}  // namespace

int atatoq(float* out, std::FILE* in, char*& text) { return tohigher(out, in, text, 'q', 'n', 4); }
int atatoqe(float* out, std::FILE* in, char*& text) { return tohigher(out, in, text, 'q', 'y', 4); }
int atqtom(float* out, std::FILE* in, char*& text) { return tohigher(out, in, text, 'm', 'n', 12); }
int atqtome(float* out, std::FILE* in, char*& text) { return tohigher(out, in, text, 'm', 'y', 12); }
int atstoq(float* out, std::FILE* in, char*& text) { return tohigher(out, in, text, 's', 'n', 4); }

int atatoqi(float* out, std::FILE* in, char*& text) {
    int r = inint(out, in, text, 4);
    currentFrequency = 4;
    return r;
}

int atinterp(float* out, std::FILE* in, char*& text) {
    auto fail = []() {
        printout("\r\nError in @interp function.\r\n");
        return -1;
    };
    char token[78];
    char name[78];
    if (atread(token, in, text) != '(') return fail();
    if (atread(name, in, text) != 'a') return fail();
    std::FILE* file = std::fopen(name, "r");
    if (file == nullptr) {
        printout("\r\nCannot open %s\r\n", name);
        return fail();
    }
    float abscissae[99];
    float ordinates[99];
    int pairs = readinterptable(file, abscissae, ordinates, 99);
    std::fclose(file);
    if (pairs < 0) {
        printout("\r\nThe table in %s needs at least four pairs of numbers with ascending abscissae.\r\n", name);
        return fail();
    }
    if (atread(token, in, text) != ',') return fail();
    if (rhs(out, in, text) != 41) return fail();
    atback(text);
    tablekernel(out, atobs(), abscissae, ordinates, pairs);
    return 0;
}
