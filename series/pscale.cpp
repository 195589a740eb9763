#include "series/pscale.h"

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <exception>
#include <new>
#include <algorithm>
#include <cstring>

#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "platform/platform.h"
#include "series/lanes.h"

namespace {

constexpr double zeroTol = 1e-7;       // zero, sign and equality of sums
constexpr double amountTol = 1e-10;    // size of the amount to distribute
constexpr double smallestMove = 1e-100;
constexpr double maxStart = -1e101;    // start of every maximum

// The keys of the member sort; non-empty only while a rank-preserving run sorts.
std::vector<double> sortKeys;
// Set when the user cancels at a numerical-error box; a Cancel ends the scaling at once.
bool cancelled = false;
// Internal result of a step that was cancelled (the entry points turn it into -1).
constexpr int stepCancelled = -27;
// The flags the numerical check looks at (inexact does not count).
constexpr int checkedFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;

// pscalesolve's copy of the listed values as they came, made only once a step is about to
// change them in a way a Cancel must undo; kept between calls so that it is allocated once.
std::vector<double> keptValues;
bool valuesKept = false;

bool floatStatusSet() { return std::fetestexcept(checkedFlags) != 0; }

}  // namespace

int scalingcheck() {
    if (!floatStatusSet()) return 0;
    platform::clearFloatingPointStatus();
    printout("Error:  numerical error in proportional scaling routine.\n");
    return pausebox("Error:  in proportional scaling routine.", "Error") == 27 ? 27 : 0;
}

bool scalecancelled() { return cancelled; }

namespace {

bool validMember(short i, short n) { return i >= 1 && i <= n; }

// The numerical check inside the routines: true (and the cancel flag set) on Cancel.
bool cancelnow() {
    if (scalingcheck() != 27) return false;
    cancelled = true;
    return true;
}

// Sorts positions 0..m-1 ascending by keyLess: a bottom-up merge sort, which stays within its
// arrays whatever the comparison answers. Returns false when a comparison was cancelled (the
// order is then not usable).
bool sortPositions(std::vector<int>& pos) {
    const size_t m = pos.size();
    std::vector<int> tmp(m);
    for (size_t width = 1; width < m; width *= 2) {
        for (size_t lo = 0; lo < m; lo += 2 * width) {
            size_t mid = lo + width < m ? lo + width : m;
            size_t hi = lo + 2 * width < m ? lo + 2 * width : m;
            size_t a = lo, b = mid, k = lo;
            while (a < mid && b < hi) {
                // Take from the right run only when it is strictly smaller: stable.
                bool rightFirst = keyLess(pos[b], pos[a]);
                if (cancelled) return false;
                tmp[k++] = rightFirst ? pos[b++] : pos[a++];
            }
            while (a < mid) tmp[k++] = pos[a++];
            while (b < hi) tmp[k++] = pos[b++];
        }
        pos.swap(tmp);
    }
    return true;
}

// The rank-preserving method, steps 4 to 15. Throws only what allocation throws.
int rankPreserving(double* x, short n, const short* members, short nidx, double c,
                   char includeZeros, bool allZero) {
    bool zeroControlWarning = false;

    // 4. A zero control for members that are not zero.
    if (!allZero && std::fabs(c) < zeroTol) {
        printout("Warning:  vector elements are not zero, but control is zero.\n");
        int shown = 0;
        for (short k = 0; k < nidx; ++k) {
            short i = members[k];
            if (!validMember(i, n)) continue;
            ++shown;
            printout("%d (%15.8f), %s", i, x[i], shown % 5 == 0 ? "\n" : "");
        }
        printout("\ncontrol:  %15.8f\n", c);
        zeroControlWarning = true;
    }

    // 5. Zero members for a control that is not zero.
    if (includeZeros == 0 && allZero && std::fabs(c) > zeroTol) {
        printout("Warning:  vector elements are zero, but control is not zero.\n");
        return -1;
    }

    // 6. The participating members, in list order.
    std::vector<short> part;
    for (short k = 0; k < nidx; ++k) {
        short i = members[k];
        if (!validMember(i, n)) continue;
        if (includeZeros != 0 || std::fabs(x[i]) >= zeroTol) part.push_back(i);
    }
    const int m = static_cast<int>(part.size());
    if (m < 1) {
        printout("Error:  in proportional scaling routine.\n");
        return -1;
    }

    // 7. Sign-adjusted values, sorted ascending.
    const double sgn = c >= 0 ? 1.0 : -1.0;
    std::vector<double> key(m);
    for (int j = 0; j < m; ++j) key[j] = sgn * x[part[j]];
    std::vector<int> order(m);
    for (int j = 0; j < m; ++j) order[j] = j;
    setSortKeys(key.data(), m);
    bool sorted = sortPositions(order);
    setSortKeys(nullptr, -1);
    if (!sorted || cancelnow()) return stepCancelled;

    std::vector<double> v(m);
    std::vector<short> elem(m);
    for (int j = 0; j < m; ++j) {
        v[j] = key[order[j]];
        elem[j] = part[order[j]];
    }
    for (int j = 0; j + 1 < m; ++j) {
        if (!(v[j] <= v[j + 1])) {
            for (int k = 0; k < m; ++k)
                printout("indx: %d, gindx: %d, gindx[indx]: %d, vec[gindx]: %f, "
                         "vec[gindx[indx]]: %f, x[i]: %f\n",
                         order[k], part[k], part[order[k]], x[part[k]], x[part[order[k]]],
                         v[k]);
            return -1;
        }
    }

    // 8. The amount to distribute.
    double sx = 0;
    for (double value : v) sx += value;
    const double D = std::fabs(c) - sx;

    // 9. Plain weights.
    std::vector<double> w(m);
    double sw = 0;
    for (int j = 0; j < m; ++j) {
        w[j] = std::fabs(v[j]) + 1;
        sw += w[j];
    }

    // 10. The gaps between neighbours relative to the amount.
    std::vector<double> lhs(m > 1 ? m - 1 : 0);
    for (int j = 0; j + 1 < m; ++j)
        lhs[j] = std::fabs(D) > amountTol ? (v[j] - v[j + 1]) / D : (v[j] - v[j + 1]);

    // 11. Would the plain weights break the order?
    double g1 = maxStart, g2 = maxStart;
    const double q = m < sw ? sw - m : 1.0;
    for (int j = 0; j + 1 < m; ++j) {
        double a = lhs[j] - (w[j + 1] - w[j]) / sw;
        double b = lhs[j] - ((w[j + 1] - 1) - (w[j] - 1)) / q;
        if (a > g1) g1 = a;
        if (b > g2) g2 = b;
    }
    if (cancelnow()) return stepCancelled;

    // 12. Flatten the weights just enough.
    bool failed = false;
    if (g1 > 0 && std::fabs(g2) > zeroTol) {
        double nlo = 1, nhi = 10;
        int bracketed = bracketRoot(&nlo, &nhi, w, lhs);
        if (cancelled) return stepCancelled;
        if (bracketed != 0) {
            printout("Warning:  in pscale, trouble finding bracket for solution.\n");
            for (int j = 0; j < m; ++j)
                printout("x%d = %f (Element %d, value %f), w%d = %f\n", j, v[j], elem[j],
                         x[elem[j]], j, w[j]);
            printout("ctrl = %f\n", std::fabs(c));
            printout("Employ uniform weights in place of proportional weights.\n");
            for (double& wj : w) wj = 1;
            sw = m;
        } else {
            double root = 0;
            int r = rtbis(nlo, nhi, &root, w, lhs);
            if (cancelled) return stepCancelled;
            if (r != 0 || root < 1) {
                for (int j = 0; j < m; ++j)
                    printout("x%d = %f (Element %d, value %f)\n", j, v[j], elem[j], x[elem[j]]);
                printout("ctrl = %f\n", std::fabs(c));
                for (int j = 0; j < m; ++j) printout("w%d = %f\n", j, w[j]);
                for (int j = 0; j + 1 < m; ++j) printout("lhs%d = %f\n", j, lhs[j]);
                printout("D = %f\n", D);
                printout("sx = %f\n", sx);
                printout("n = %f\n", root);
                printout("Error:  in pscale, trouble finding solution.\n");
                failed = true;
            } else {
                sw = 0;
                for (double& wj : w) {
                    wj = clampedPow(wj, 1.0 / root);
                    sw += wj;
                }
            }
        }
    }

    if (!failed) {
        // 13, 14. Distribute and write back.
        for (int j = 0; j < m; ++j) {
            v[j] += D * w[j] / sw;
            x[elem[j]] = sgn * v[j];
        }
    }

    // 15.
    if (cancelnow()) return stepCancelled;
    if (failed) return -1;
    return zeroControlWarning ? 28 : 0;
}

}  // namespace

double clampedPow(double a, double p) {
    double b = a > 1 ? std::log(a) : 1.0;
    double lo = doubleLogMin / b, hi = doubleLogMax / b;
    if (p < lo) p = lo;
    if (p > hi) p = hi;
    return std::pow(a, p);
}

void setSortKeys(const double* keys, int m) {
    if (m < 0 || keys == nullptr) {
        sortKeys.clear();
        return;
    }
    sortKeys.assign(keys, keys + m);
}

int sortKeyCount() { return static_cast<int>(sortKeys.size()); }

bool keyLess(int i, int j) {
    bool less = false;
    if (!sortKeys.empty() && i >= 0 && j >= 0 && static_cast<size_t>(i) < sortKeys.size() &&
        static_cast<size_t>(j) < sortKeys.size())
        less = sortKeys[i] < sortKeys[j];
    // A Cancel ends the sort: the comparison answers "not less" and the sort stops.
    if (cancelnow()) return false;
    return less;
}

double rankViolation(double n, const std::vector<double>& w, const std::vector<double>& lhs) {
    const size_t m = w.size();
    std::vector<double> u(m);
    double U = 0;
    for (size_t j = 0; j < m; ++j) {
        u[j] = clampedPow(w[j], 1.0 / n);
        U += u[j];
    }
    double result = maxStart;
    for (size_t j = 0; j + 1 < m && j < lhs.size(); ++j) {
        double du = u[j + 1] - u[j];
        if (du < 0) {
            double value = lhs[j] - du / U;
            if (value > result) result = value;
        }
    }
    if (cancelnow()) return 27;
    return result;
}

int bracketRoot(double* nlo, double* nhi, const std::vector<double>& w,
                const std::vector<double>& lhs) {
    cancelled = false;
    if (*nlo == *nhi) return -1;
    double f1 = rankViolation(*nlo, w, lhs);
    double f2 = rankViolation(*nhi, w, lhs);
    for (int k = 0; k < 53; ++k) {
        if (cancelled || cancelnow()) return 27;
        if (f1 * f2 < 0) return 0;
        *nhi += 1.6 * (*nhi - *nlo);
        f2 = rankViolation(*nhi, w, lhs);
    }
    return -1;
}

int rtbis(double nlo, double nhi, double* root, const std::vector<double>& w,
          const std::vector<double>& lhs) {
    cancelled = false;
    const double xacc = (std::fabs(nlo) + std::fabs(nhi)) * 1e-11 / 2;
    double f = rankViolation(nlo, w, lhs);
    double fmid = rankViolation(nhi, w, lhs);
    if (cancelled) return -1;
    if (f * fmid >= 0) {
        printout("Error:  Root must be bracketed for bisection in rtbis");
        return -1;
    }
    double rtb = f < 0 ? nlo : nhi;
    double dx = f < 0 ? nhi - nlo : nlo - nhi;
    for (int k = 0; k < 40; ++k) {
        dx /= 2;
        double xmid = rtb + dx;
        fmid = rankViolation(xmid, w, lhs);
        if (cancelled) return -1;
        if (fmid <= 0) rtb = xmid;
        if (std::fabs(dx) < xacc || fmid == 0) {
            *root = rtb;
            return 0;
        }
    }
    printout("Error:  Too many bisections in rtbis");
    return -1;
}

namespace {

// Keeps the listed values for a Cancel to put back (keptValues holds nidx places).
void keepForCancel(const double* x, short n, const short* members, short nidx) {
    for (short k = 0; k < nidx; ++k)
        if (validMember(members[k], n)) keptValues[static_cast<size_t>(k)] = x[members[k]];
    valuesKept = true;
}

// The move of one member in the absolute-value method: the fraction f of its magnitude, at
// least 1e-100 in size.
double absoluteMove(double value, double f) {
    double d = std::fabs(value) * f;
    if (std::fabs(d) <= smallestMove) d = d < 0 ? -smallestMove : smallestMove;
    return d;
}

int absoluteCode(double S, double A, double c, bool posFound, bool negFound, bool allZero);

// Where in keptValues the values of a line from x[first] on are best kept: half a page of
// addresses away from the line. (A store to an address that shares its last 12 bits with the
// value loaded next holds that load up; at such a distance the moves cost a third more.)
std::size_t aside(const double* x, short first) {
    const auto from = reinterpret_cast<std::uintptr_t>(keptValues.data());
    const auto to = reinterpret_cast<std::uintptr_t>(x) +
                    static_cast<std::uintptr_t>(static_cast<std::intptr_t>(first) * 8) + 2048;
    return ((to - from) & 4095) / sizeof(double);
}

// pscalesolve's steps; stepCancelled after a Cancel (the values may be partly changed and
// are then kept in keptValues).
int solvesteps(double* x, short n, const short* members, short nidx, double c,
               double* factor, char includeZeros) {
    // 1.
    if (cancelnow()) return stepCancelled;
    *factor = 0;

    // 2. Sums and signs over the valid members.
    double S = 0, A = 0;
    bool posFound = false, negFound = false;
    for (short k = 0; k < nidx; ++k) {
        short i = members[k];
        if (!validMember(i, n)) continue;
        S += x[i];
        A += std::fabs(x[i]);
        if (x[i] > zeroTol) posFound = true;
        if (x[i] < -zeroTol) negFound = true;
    }
    const bool allZero = !posFound && !negFound;

    // 3. Choice of method.
    const bool rank = (c - (S + A) >= zeroTol && negFound) ||
                      (c - (S - A) <= -zeroTol && posFound) ||
                      (allZero && std::fabs(c) > zeroTol) ||
                      (!allZero && std::fabs(c) < zeroTol);
    if (rank) {
        keepForCancel(x, n, members, nidx);
        try {
            return rankPreserving(x, n, members, nidx, c, includeZeros, allZero);
        } catch (const std::exception&) {
            bool stop = cancelnow();
            setSortKeys(nullptr, -1);
            if (stop) return stepCancelled;
            printout("Error:  in pscale routine.\n");
            return -1;
        }
    }

    // Absolute-value method.
    // 4. Already at the control?
    if ((std::fabs(c) < zeroTol && std::fabs(c - S) < zeroTol) ||
        (std::fabs(c) > zeroTol && std::fabs((c - S) / c) < zeroTol)) {
        if (cancelnow()) return stepCancelled;
        return 0;
    }
    // 5.
    const double f = std::fabs(A) > zeroTol ? (c - S) / A : 0.0;
    *factor = f;
    // 6. Every member moves by the fraction f of its magnitude, with the check after each
    // move and each addition. The check can only speak when a status flag is set, so while
    // the flags are clear the moves are made first and the flags tested once: when they are
    // still clear, no check would have spoken. Otherwise the moves are undone and made again
    // one by one with their checks, which raise the same flags at the same members.
    if (!floatStatusSet()) {
        std::fexcept_t flags;
        std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
        double* before = keptValues.data() + aside(x, nidx > 0 ? members[0] : 0);
        for (short k = 0; k < nidx; ++k) {
            const short i = members[k];
            if (!validMember(i, n)) continue;
            before[static_cast<size_t>(k)] = x[i];
            x[i] += absoluteMove(x[i], f);
        }
        if (!floatStatusSet()) return absoluteCode(S, A, c, posFound, negFound, allZero);
        // Backwards, so that a member listed twice gets its first value back.
        for (short k = nidx - 1; k >= 0; --k)
            if (validMember(members[k], n)) x[members[k]] = before[k];
        std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    }
    keepForCancel(x, n, members, nidx);
    for (short k = 0; k < nidx; ++k) {
        short i = members[k];
        if (!validMember(i, n)) continue;
        const double d = absoluteMove(x[i], f);
        if (cancelnow()) return stepCancelled;
        x[i] += d;
        if (cancelnow()) return stepCancelled;
    }
    return absoluteCode(S, A, c, posFound, negFound, allZero);
}

// The result code of the absolute-value method.
int absoluteCode(double S, double A, double c, bool posFound, bool negFound, bool allZero) {
    // 7.
    if (posFound && negFound) {
        if (c - (S + A) > zeroTol) return 21;
        if (std::fabs(c - (S + A)) <= zeroTol) return 22;
        if (std::fabs(c - (S - A)) <= zeroTol) return 23;
        if (c - (S - A) < zeroTol) return 24;
        return 20;
    }
    if (posFound && !negFound && c < -zeroTol) return 25;
    if (negFound && !posFound && c > zeroTol) return 26;
    if (std::fabs(c) < zeroTol) return 27;
    if (!allZero && std::fabs(c) < zeroTol) return 28;
    return 20;
}

}  // namespace

int pscalesolve(double* x, short n, const short* members, short nidx, double c,
                double* factor, char includeZeros) {
    cancelled = false;
    *factor = 0;
    if (members == nullptr || nidx < 0) nidx = 0;
    // Room for the listed values as they came, to put back after a Cancel.
    try {
        // (with room to start half a page away from the line, see aside())
        const size_t room = static_cast<size_t>(nidx) + 4096 / sizeof(double);
        if (keptValues.size() < room) keptValues.resize(room);
    } catch (const std::bad_alloc&) {
        nomemory();
        printout("Error:  in pscale routine.\n");
        return -1;
    }
    valuesKept = false;

    int code = solvesteps(x, n, members, nidx, c, factor, includeZeros);
    if (code != stepCancelled) return code;
    // Before any value changed nothing was kept, and there is nothing to put back.
    if (valuesKept)
        for (short k = nidx - 1; k >= 0; --k)
            if (validMember(members[k], n)) x[members[k]] = keptValues[static_cast<size_t>(k)];
    *factor = 0;
    return -1;
}

namespace {

// The magnitude of every lane of a vector of doubles.
template <class D>
[[gnu::always_inline]] inline D magnitude(D v) {
    typedef typename lanes::Lanes<static_cast<int>(sizeof(D) / 8)>::Q Q;
    return reinterpret_cast<D>(reinterpret_cast<Q>(v) & 0x7fffffffffffffffLL);
}

// What pscalecolumns' first walk gathers per column: the sums and signs of solvesteps' step 2,
// and the largest and the smallest nonzero magnitude and whether one is not finite, which tell
// whether a move could raise a flag.
struct ColumnSums {
    std::vector<double> S, A, positive, negative, largest, smallest, unordered;
    void reset(std::size_t width) {
        unordered.assign(width, 0.0);
        S.assign(width, 0.0);
        A.assign(width, 0.0);
        positive.assign(width, 0.0);
        negative.assign(width, 0.0);
        largest.assign(width, 0.0);
        smallest.assign(width, HUGE_VAL);
    }
};

// Step 2 of solvesteps for every column, M = N / 2 columns at a time, walking the members' rows
// in list order (so each column's sums are added in pscalesolve's order). A NaN marks its
// column unordered, an infinity makes the largest magnitude infinite.
template <int N>
[[gnu::always_inline]] inline void columnsumslanes(const double* table, std::size_t stride, short n,
                                                   const short* members, short nidx, ColumnSums& c) {
    constexpr int M = N / 2;
    typedef typename lanes::Lanes<M>::D D;
    const D tol = D{} + zeroTol, one = D{} + 1.0, zero = D{}, huge = D{} + HUGE_VAL;
    const std::size_t width = stride - stride % M;
    for (short m = 0; m < nidx; ++m) {
        const short i = members[m];
        if (!validMember(i, n)) continue;
        const double* row = table + static_cast<std::size_t>(i) * stride;
        std::size_t k = 0;
        for (; k < width; k += M) {
            D v, s, a, p, q, big, small, nan;
            std::memcpy(&v, row + k, sizeof v);
            std::memcpy(&nan, &c.unordered[k], sizeof nan);
            std::memcpy(&s, &c.S[k], sizeof s);
            std::memcpy(&a, &c.A[k], sizeof a);
            std::memcpy(&p, &c.positive[k], sizeof p);
            std::memcpy(&q, &c.negative[k], sizeof q);
            std::memcpy(&big, &c.largest[k], sizeof big);
            std::memcpy(&small, &c.smallest[k], sizeof small);
            const D mag = magnitude(v);
            s += v;
            a += mag;
            p = v > tol ? one : p;
            q = v < -tol ? one : q;
            // (Selects one at a time: the compiler makes a combination of comparisons lane
            // by lane in scalar code.)
            big = mag > big ? mag : big;
            nan = mag != mag ? one : nan;
            const D nonzero = mag > zero ? mag : huge;
            small = nonzero < small ? nonzero : small;
            std::memcpy(&c.unordered[k], &nan, sizeof nan);
            std::memcpy(&c.S[k], &s, sizeof s);
            std::memcpy(&c.A[k], &a, sizeof a);
            std::memcpy(&c.positive[k], &p, sizeof p);
            std::memcpy(&c.negative[k], &q, sizeof q);
            std::memcpy(&c.largest[k], &big, sizeof big);
            std::memcpy(&c.smallest[k], &small, sizeof small);
        }
        for (; k < stride; ++k) {
            const double v = row[k], mag = std::fabs(v);
            c.S[k] += v;
            c.A[k] += mag;
            if (v > zeroTol) c.positive[k] = 1;
            if (v < -zeroTol) c.negative[k] = 1;
            if (mag > c.largest[k]) c.largest[k] = mag;
            if (mag != mag) c.unordered[k] = 1;
            if (mag > 0 && mag < c.smallest[k]) c.smallest[k] = mag;
        }
    }
}
LANES_VERSIONS(columnsums, columnsumslanes,
               (const double* table, std::size_t stride, short n, const short* members, short nidx, ColumnSums& c),
               (table, stride, n, members, nidx, c))

// Step 6 for every column whose fraction is f[k] (moving[k] 1; others stay), the members' rows
// in list order: x += absoluteMove(x, f).
template <int N>
[[gnu::always_inline]] inline void columnmoveslanes(double* table, std::size_t stride, short n, const short* members,
                                                    short nidx, const double* f, const double* moving) {
    constexpr int M = N / 2;
    typedef typename lanes::Lanes<M>::D D;
    const D least = D{} + smallestMove, zero = D{};
    const std::size_t width = stride - stride % M;
    for (short m = 0; m < nidx; ++m) {
        const short i = members[m];
        if (!validMember(i, n)) continue;
        double* row = table + static_cast<std::size_t>(i) * stride;
        std::size_t k = 0;
        for (; k < width; k += M) {
            D v, fv, mv;
            std::memcpy(&v, row + k, sizeof v);
            std::memcpy(&fv, f + k, sizeof fv);
            std::memcpy(&mv, moving + k, sizeof mv);
            const D x = mv != zero ? v : zero;  // a column that stays computes on 0
            D d = magnitude(x) * fv;
            d = magnitude(d) <= least ? (d < zero ? -least : least) : d;
            const D moved = x + d;
            v = mv != zero ? moved : v;
            std::memcpy(row + k, &v, sizeof v);
        }
        for (; k < stride; ++k)
            if (moving[k] != 0) row[k] += absoluteMove(row[k], f[k]);
    }
}
LANES_VERSIONS(columnmoves, columnmoveslanes,
               (double* table, std::size_t stride, short n, const short* members, short nidx, const double* f,
                const double* moving),
               (table, stride, n, members, nidx, f, moving))

}  // namespace

namespace {

// Steps 3 to 5 and 7 of solvesteps for a line with the sums and signs of step 2: true when it
// takes the absolute-value method with signs kept (code 20, the fraction in factor) or is at
// its control (code 0, factor 0), and no move of its values (of the largest and the smallest
// nonzero magnitude given, none unordered) can raise a flag: every |x| * |f| then is a normal
// number below 1e300, or 0, so that neither the product nor x + d overflows or underflows.
bool absolutedecision(double S, double A, double c, bool posFound, bool negFound, bool unordered,
                      double largest, double smallest, double& factor, int& code) {
    const bool allZero = !posFound && !negFound;
    const bool rank = (c - (S + A) >= zeroTol && negFound) || (c - (S - A) <= -zeroTol && posFound) ||
                      (allZero && std::fabs(c) > zeroTol) || (!allZero && std::fabs(c) < zeroTol);
    if (rank || unordered || !(largest <= DBL_MAX)) return false;
    factor = 0;
    code = 0;
    if ((std::fabs(c) < zeroTol && std::fabs(c - S) < zeroTol) ||
        (std::fabs(c) > zeroTol && std::fabs((c - S) / c) < zeroTol))
        return true;  // at the control
    const double f = std::fabs(A) > zeroTol ? (c - S) / A : 0.0;
    code = absoluteCode(S, A, c, posFound, negFound, allZero);
    const bool safe = f == 0 || (largest * std::fabs(f) <= 1e300 &&
                                 (smallest == HUGE_VAL || smallest * std::fabs(f) >= 1e-290));
    factor = f;
    return code == 20 && safe;
}

// The signs and magnitudes of a line's values that tell absolutedecision whether it applies:
// the order of the values does not matter to them.
struct LineStats {
    bool positive = false, negative = false, unordered = false;
    double largest = 0, smallest = HUGE_VAL;
    void add(double v) {
        const double mag = std::fabs(v);
        positive = positive || v > zeroTol;
        negative = negative || v < -zeroTol;
        unordered = unordered || mag != mag;
        if (mag > largest) largest = mag;
        if (mag > 0 && mag < smallest) smallest = mag;
    }
};

template <int N>
[[gnu::always_inline]] inline void linestatslanes(const double* x, int n, LineStats& r) {
    constexpr int M = N / 2;
    typedef typename lanes::Lanes<M>::D D;
    const D tol = D{} + zeroTol, one = D{} + 1.0, zero = D{}, huge = D{} + HUGE_VAL;
    D p = zero, q = zero, nan = zero, big = zero, small = huge;
    int i = 0;
    for (; i + M <= n; i += M) {
        D v;
        std::memcpy(&v, x + i, sizeof v);
        const D mag = magnitude(v);
        // (Selects one at a time: the compiler makes a combination of comparisons lane by
        // lane in scalar code.)
        p = v > tol ? one : p;
        q = v < -tol ? one : q;
        nan = mag != mag ? one : nan;
        big = mag > big ? mag : big;
        const D nonzero = mag > zero ? mag : huge;
        small = nonzero < small ? nonzero : small;
    }
    for (int l = 0; l < M; ++l) {
        r.positive = r.positive || p[l] != 0;
        r.negative = r.negative || q[l] != 0;
        r.unordered = r.unordered || nan[l] != 0;
        if (big[l] > r.largest) r.largest = big[l];
        if (small[l] < r.smallest) r.smallest = small[l];
    }
    for (; i < n; ++i) r.add(x[i]);
}
LANES_VERSIONS(linestats, linestatslanes, (const double* x, int n, LineStats& r), (x, n, r))

// The flags as they were when a many-lines scaling began, put back when it does not apply.
struct FlagsKept {
    std::fexcept_t flags;
    FlagsKept() { std::fegetexceptflag(&flags, FE_ALL_EXCEPT); }
    bool refuse() {
        std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
        return false;
    }
};

}  // namespace

bool pscalecolumns(double* table, std::size_t stride, short n, const short* members, short nidx,
                   const int* columns, int ncolumns, const double* controls, double* factors,
                   int* codes) {
    if (members == nullptr || nidx < 0) nidx = 0;
    if (floatStatusSet()) return false;
    FlagsKept kept;
    static ColumnSums c;
    static std::vector<double> f, moving;
    c.reset(stride);
    f.assign(stride, 0.0);
    moving.assign(stride, 0.0);
    for (int j = 0; j < ncolumns; ++j) {
        const int k = columns[j];
        if (k < 1 || static_cast<std::size_t>(k) >= stride || moving[static_cast<std::size_t>(k)] != 0)
            return kept.refuse();
        moving[static_cast<std::size_t>(k)] = 1;  // (marks the columns seen; set again below)
    }
    columnsums(table, stride, n, members, nidx, c);
    if (floatStatusSet()) return kept.refuse();
    std::fill(moving.begin(), moving.end(), 0.0);
    for (int j = 0; j < ncolumns; ++j) {
        const std::size_t k = static_cast<std::size_t>(columns[j]);
        if (!absolutedecision(c.S[k], c.A[k], controls[j], c.positive[k] != 0, c.negative[k] != 0,
                              c.unordered[k] != 0, c.largest[k], c.smallest[k], factors[j], codes[j]))
            return kept.refuse();
        f[k] = factors[j];
        moving[k] = codes[j] == 20 ? 1 : 0;
    }
    if (floatStatusSet()) return kept.refuse();
    columnmoves(table, stride, n, members, nidx, f.data(), moving.data());
    return true;
}

bool pscalerows(double* table, std::size_t stride, short n, const short* members, short nidx,
                const int* rows, int nrows, const double* controls, double* factors, int* codes) {
    if (members == nullptr || nidx < 0) nidx = 0;
    if (floatStatusSet()) return false;
    static std::vector<char> seen;
    seen.clear();
    for (int j = 0; j < nrows; ++j) {
        const std::size_t k = static_cast<std::size_t>(rows[j]);
        if (rows[j] < 0) return false;
        if (seen.size() <= k) seen.resize(k + 1, 0);
        if (seen[k]) return false;
        seen[k] = 1;
    }
    FlagsKept kept;
    bool whole = nidx == n;
    for (short m = 0; whole && m < nidx; ++m) whole = members[m] == m + 1;
    // Step 2: the sums of four rows at a time, whose chains are independent and overlap
    // (each row's own sums added in member order, as pscalesolve adds them); the signs and
    // magnitudes, which do not depend on the order, of a row whose members are all of 1..n
    // in one pass of vectors.
    constexpr int G = 4;
    for (int j0 = 0; j0 < nrows; j0 += G) {
        const int g = std::min(G, nrows - j0);
        const double* line[G];
        for (int q = 0; q < G; ++q) line[q] = table + static_cast<std::size_t>(rows[j0 + std::min(q, g - 1)]) * stride;
        double S[G] = {}, A[G] = {};
        LineStats stats[G];
        if (whole) {
            for (int i = 1; i <= n; ++i)
                for (int q = 0; q < G; ++q) {
                    const double v = line[q][i];
                    S[q] += v;
                    A[q] += std::fabs(v);
                }
            for (int q = 0; q < g; ++q) linestats(line[q] + 1, n, stats[q]);
        } else {
            for (short m = 0; m < nidx; ++m) {
                const short i = members[m];
                if (!validMember(i, n)) continue;
                for (int q = 0; q < G; ++q) {
                    const double v = line[q][i];
                    S[q] += v;
                    A[q] += std::fabs(v);
                    stats[q].add(v);
                }
            }
        }
        for (int q = 0; q < g; ++q)
            if (!absolutedecision(S[q], A[q], controls[j0 + q], stats[q].positive, stats[q].negative,
                                  stats[q].unordered, stats[q].largest, stats[q].smallest, factors[j0 + q],
                                  codes[j0 + q]))
                return kept.refuse();
    }
    if (floatStatusSet()) return kept.refuse();
    // Step 6, row by row (all of 1..n in order: one loop the compiler makes in vectors).
    for (int j = 0; j < nrows; ++j) {
        if (codes[j] != 20) continue;
        double* x = table + static_cast<std::size_t>(rows[j]) * stride;
        const double f = factors[j];
        if (whole) {
            for (int i = 1; i <= n; ++i) x[i] += absoluteMove(x[i], f);
            continue;
        }
        for (short m = 0; m < nidx; ++m) {
            const short i = members[m];
            if (validMember(i, n)) x[i] += absoluteMove(x[i], f);
        }
    }
    return true;
}

int pscale(float* x, short n, const short* members, short nidx, float c, float* factor,
           char includeZeros) {
    *factor = 0;
    // 1.
    cancelled = false;
    if (cancelnow()) return -1;
    if (members == nullptr || nidx < 0) nidx = 0;
    // 2.
    const int size = n > 0 ? n : 0;
    std::vector<double> y;
    std::vector<float> old;
    try {
        y.resize(static_cast<size_t>(size) + 1);
        old.assign(x, x + size + 1);
    } catch (const std::bad_alloc&) {
        nomemory();
        printout("Error:  cannot allocate memory in the pscale function\n");
        return -1;
    }
    for (int i = 1; i <= size; ++i) y[i] = x[i];
    if (cancelnow()) return -1;

    // 3.
    double f = 0;
    int code = pscalesolve(y.data(), n, members, nidx, c, &f, includeZeros);
    if (cancelled || cancelnow()) return -1;
    *factor = static_cast<float>(f);

    // 4. Only the listed elements are written back: the others keep their exact values.
    bool stop = false;
    for (short k = 0; k < nidx && !stop; ++k) {
        const short i = members[k];
        if (!validMember(i, n)) continue;
        double value = y[i];
        if (std::fabs(value) > FLT_MAX) x[i] = value < 0 ? -FLT_MAX : FLT_MAX;
        else if (std::fabs(value) < 1e-37) x[i] = 0.0f;
        else x[i] = static_cast<float>(value);
        stop = cancelnow();
    }
    // 5.
    if (stop || cancelnow()) {
        for (int i = 1; i <= size; ++i) x[i] = old[i];
        *factor = 0;
        return -1;
    }
    return code;
}

int scalemessage(int code) {
    switch (code) {
        case -1:
            printout("Error:  in scaling routine.\n");
            return -1;
        case 21:
            printout("\nThe control total is greater than the sum of the elements and\n");
            printout("the sum of the absolute values of the elements.\n");
            printout("\nThe negative elements become positive and their rank order is changed.\n");
            return 21;
        case 22:
            printout("\nThe control total is equal to the sum of the elements and\n");
            printout("the sum of the absolute values of the elements.\n");
            printout("\nThe negative elements become zero and their rank order is changed.\n");
            return 22;
        case 23:
            printout("\nThe control total is equal to the difference between the sum of\n");
            printout("the elements and the sum of the absolute values of the elements.\n");
            printout("\nThe positive elements become zero and their rank order is changed.\n");
            return 23;
        case 24:
            printout("\nThe control total is less than the difference between the sum of\n");
            printout("the elements and the sum of the absolute values of the elements.\n");
            printout("\nThe positive elements become negative and their rank order is changed.\n");
            return 24;
        case 25:
            printout("The control total is less than zero and all of the elelments are greater than\n");
            printout("or equal to zero.\n");
            printout("The positive elements become negative.\n");
            return 25;
        case 26:
            printout("The control total is greater than zero and all of the elements are less than\n");
            printout("or equal to zero.\n");
            printout("The negative elements become positive.\n");
            return 26;
        case 27:
            printout("The control total is zero and either all of the elements positive or\n");
            printout("all of the elements are negative.\n");
            printout("All of the elements become zero.\n");
            return 27;
        case 28:
            printout("The control total is zero but the elements are not zero\n");
            return 0;
        case 30:
            return 0;
        default:
            return code;
    }
}
