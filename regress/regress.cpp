// The regress command and the data assembly every estimator shares: the equation read into
// columns, the moment matrix with the intercept swept out, and the sweep that solves it.
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "regress/constraints.h"
#include "regress/estimators.h"
#include "regress/qp.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/rhs.h"
#include "series/series_state.h"

namespace {

constexpr int workLength = 2000;
constexpr int maxTermLength = 3000;

// Stores a name in the equation's name table, within the room of the name area.
bool addname(Equation& eq, std::string name) {
    const int need = static_cast<int>(name.size()) + 1;
    if (eq.nameBytes + need > nameAreaSize) {
        printout("\nError:  in r command, the names of the variables take more than %d characters.\n",
                 nameAreaSize);
        return false;
    }
    eq.nameBytes += need;
    eq.names.push_back(std::move(name));
    return true;
}

}  // namespace

int place(float* column, const float* series, int first, int last) {
    // On the bits: an exponent of all ones is an infinity or not a number, an exponent of
    // zeros with a non-zero fraction a number below the smallest normal float.
    for (int i = first; i <= last; ++i) {
        std::uint32_t u;
        std::memcpy(&u, series + i, sizeof u);
        const std::uint32_t exponent = u & 0x7f800000u;
        const bool outside = exponent == 0x7f800000u || (exponent == 0 && (u & 0x007fffffu) != 0);
        column[i - first] = outside ? 0.0f : series[i];
    }
    return 0;
}

int xmatrix(Equation& eq, std::FILE* in, int first, int last, int ntot) {
    std::vector<float> work(workLength);
    char text[maxTermLength];
    text[0] = 0;
    char* cursor = text;
    eq.columns.clear();
    eq.names.clear();
    eq.nameBytes = 0;
    int d = rhs(work.data(), in, cursor, sizeof text);
    if (d == -1 || d == 27) return d;
    if (d != '=' && d != 102) {
        printout("An = sign is expected in an r command.\n");
        return -1;
    }
    if (!addname(eq, text)) return -1;
    eq.columns.emplace_back(ntot + 1, 0.0f);
    place(eq.columns[0].data(), work.data(), first, last);
    if (d == 102) {
        eq.k = 0;
        eq.intercept = -1;
        eq.columns.emplace_back(ntot + 1, 0.0f);  // the residuals
        return 0;
    }

    eq.intercept = 1;
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    if (cls == -1) return 27;
    if (cls == '!') {
        eq.intercept = 0;
    } else {
        ungettoken();
        eq.columns.emplace_back(ntot + 1, 0.0f);
        std::fill(eq.columns[1].begin(), eq.columns[1].begin() + ntot, 1.0f);
        if (!addname(eq, "intercept")) return -1;
    }
    for (int col = eq.intercept + 1;; ++col) {
        // Column `col` and the spare column after it must fit the column table.
        if (col + 1 >= maxColumnSlots) {
            printout("\nError:  in r command, more than %d coefficients.\n", maxColumnSlots - 2);
            return -1;
        }
        text[0] = 0;
        cursor = text;
        d = rhs(work.data(), in, cursor, sizeof text);
        if (d == -1 || d == 27) return d;
        eq.columns.emplace_back(ntot + 1, 0.0f);
        place(eq.columns[col].data(), work.data(), first, last);
        const char* name = text;
        if (name[0] == 'a' && name[1] == '.') name += 2;
        if (!addname(eq, name)) return -1;
        if (d != ',') break;
    }
    eq.k = static_cast<int>(eq.columns.size()) - 1;
    eq.columns.emplace_back(ntot + 1, 0.0f);  // the spare column: the fit residuals
    return 0;
}

namespace {

// The bits of the float nearest to the negative bound b on the side that lies inside the
// missing range (towards -0.000001): the range test of ismissing, made on floats. Evaluated
// when compiling: the conversion of b to float is inexact, and made at run time (on the
// first call, by a compiler that keeps the flags of constant operations, as Clang told that
// operations may trap does) it raised the inexact flag in that one call. A negative float's
// neighbour towards zero has the bit pattern one below its own, away from zero one above.
consteval std::uint32_t floatbits(double b, bool high) {
    const float f = static_cast<float>(b);
    std::uint32_t u = std::bit_cast<std::uint32_t>(f);
    if (high && static_cast<double>(f) > b) ++u;
    if (!high && static_cast<double>(f) < b) --u;
    return u;
}

// The sum of x[0 .. n-1] in double, in eight interleaved partial sums (the chains of
// additions run side by side; the result differs from a single running sum only in the
// last bits). False when a value is missing (the test of ismissing) or not finite.
bool columnsum(const float* x, int n, double& sum) {
    // On the bits of the floats: the missing values are the negative floats from
    // missingHigh (nearest 0) to missingLow, and a non-finite value has every exponent bit.
    constexpr std::uint32_t missingHigh = floatbits(-0.0000009, true);
    constexpr std::uint32_t missingLow = floatbits(-0.0000011, false);
    // One pass: eight floats at a time are tested on their bits and added, widened, to the
    // partial sums s[0 .. 7] (pairs of them in the lanes of sums[0 .. 3]).
    using Bits = std::uint32_t __attribute__((vector_size(16)));
    using Floats = float __attribute__((vector_size(16)));
    using Pair = double __attribute__((vector_size(16)));
    const Bits high = {missingHigh, missingHigh, missingHigh, missingHigh};
    const std::uint32_t w = missingLow - missingHigh;
    const Bits width = {w, w, w, w};
    const std::uint32_t e = 0x7f800000u;
    const Bits exponent = {e, e, e, e};
    Bits bad = {0, 0, 0, 0};
    Pair sums[4] = {};
    int t = 0;
    for (; t + 8 <= n; t += 8) {
        for (int h = 0; h < 2; ++h) {
            Bits u;
            std::memcpy(&u, x + t + 4 * h, sizeof u);
            bad |= (u - high <= width) | ((u & exponent) == exponent);
            Floats f;
            std::memcpy(&f, &u, sizeof f);
            sums[2 * h] += Pair{f[0], f[1]};
            sums[2 * h + 1] += Pair{f[2], f[3]};
        }
    }
    double s[8] = {sums[0][0], sums[0][1], sums[1][0], sums[1][1],
                   sums[2][0], sums[2][1], sums[3][0], sums[3][1]};
    std::uint32_t flagged = bad[0] | bad[1] | bad[2] | bad[3];
    for (; t < n; ++t) {
        std::uint32_t u;
        std::memcpy(&u, x + t, sizeof u);
        flagged |= static_cast<std::uint32_t>(u - missingHigh <= missingLow - missingHigh);
        flagged |= static_cast<std::uint32_t>((u & 0x7f800000u) == 0x7f800000u);
        s[0] += x[t];
    }
    sum = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
    return flagged == 0;
}

// Dot products of a with b[0 .. N-1] over n entries, each in P interleaved partial sums
// (four for a single product, so that its chain of additions does not stall the loop).
template <int N, int P = (N == 1 ? 4 : 2)>
void dots(const double* a, const double* const* b, int n, double* out) {
    double s[N][P] = {};
    int t = 0;
    for (; t + P <= n; t += P)
        for (int q = 0; q < N; ++q)
            for (int p = 0; p < P; ++p) s[q][p] += a[t + p] * b[q][t + p];
    for (; t < n; ++t)
        for (int q = 0; q < N; ++q) s[q][0] += a[t] * b[q][t];
    for (int q = 0; q < N; ++q) {
        double sum = 0.0;
        for (int p = 0; p < P; ++p) sum += s[q][p];
        out[q] = sum;
    }
}

// Entries (i, j), j >= i, of the cross products of the columns listed in `use` (each a
// column of n doubles in `cols`), into the upper triangle and mirrored; up to four entries
// of a row are summed in one pass over the observations.
void crossproducts(Moments& m, const std::vector<const double*>& cols, const std::vector<int>& use,
                   int n) {
    const std::size_t u = use.size();
    for (std::size_t a = 0; a < u; ++a) {
        for (std::size_t b = a; b < u; b += 4) {
            const double* partners[4];
            const int count = static_cast<int>(u - b < 4 ? u - b : 4);
            for (int q = 0; q < count; ++q) partners[q] = cols[use[b + q]];
            double out[4];
            switch (count) {
            case 1: dots<1>(cols[use[a]], partners, n, out); break;
            case 2: dots<2>(cols[use[a]], partners, n, out); break;
            case 3: dots<3>(cols[use[a]], partners, n, out); break;
            default: dots<4>(cols[use[a]], partners, n, out); break;
            }
            for (int q = 0; q < count; ++q) {
                m(use[a], use[b + q]) = out[q];
                m(use[b + q], use[a]) = out[q];
            }
        }
    }
}

// Scratch room for the columns in double, kept between regressions so that a long fit does
// not map and fault in fresh pages every time.
std::vector<double>& scratch(std::size_t size) {
    static std::vector<double> room;
    if (room.size() < size) room.resize(size);
    return room;
}

}  // namespace

int xpx(Regression& r) {
    const Equation& eq = r.eq;
    const int k = eq.k;
    const int n = r.nfit;
    Moments& m = r.m;
    r.means.assign(k + 1, 0.0);
    r.sd.assign(k + 1, 0.0f);
    for (int c = 0; c <= k; ++c) {
        double sum = 0.0;
        if (!columnsum(eq.columns[c].data(), n, sum)) {
            printout("Missing value in variable %d.", c);
            printout(" Type a key to continue\n");
            waitkey();
            return -1;
        }
        r.means[c] = sum / n;
    }
    for (int i = 0; i <= k; ++i)
        for (int j = 0; j <= k; ++j) m(i, j) = 0.0;

    // Each column in double (as deviations from its mean with an intercept), then the
    // cross products of every pair.
    const bool intercept = eq.intercept == 1;
    std::vector<double>& room = scratch(static_cast<std::size_t>(k + 1) * n);
    std::vector<const double*> cols(k + 1);
    std::vector<int> use;
    for (int c = 0; c <= k; ++c) {
        double* d = room.data() + static_cast<std::size_t>(c) * n;
        cols[c] = d;
        if (intercept && c == 1) continue;
        use.push_back(c);
        const float* x = eq.columns[c].data();
        const double mean = intercept ? r.means[c] : 0.0;
        for (int t = 0; t < n; ++t) d[t] = x[t] - mean;
    }
    crossproducts(m, cols, use, n);

    if (intercept) {
        for (int c = 0; c <= k; ++c) r.sd[c] = static_cast<float>(safesqrt(m(c, c) / n));
        if (showRelations == 1) {
            printout("StdDev and Cross Correlation Matrix\n");
            for (int c = 0; c <= k; ++c) {
                if (c == 1) continue;
                printout("%2d %8.2f :", c, r.sd[c]);
                for (int j = 0; j <= k; ++j) {
                    if (j == 1) continue;
                    const float denominator = static_cast<float>(n) * r.sd[c] * r.sd[j];
                    printout(" %6.3f", static_cast<float>(m(c, j)) / denominator);
                }
                printout("\n");
            }
        }
        for (int j = 0; j <= k; ++j) {
            m(1, j) = r.means[j];
            m(j, 1) = -r.means[j];
        }
        m(1, 1) = 1.0 / n;
    } else {
        for (int i = 0; i <= k; ++i)
            r.sd[i] = static_cast<float>(safesqrt((m(i, i) - n * r.means[i] * r.means[i]) / n));
    }
    return 0;
}

int regsweep(Regression& r) {
    const int k = r.eq.k;
    const int flag = r.eq.intercept;
    Moments& m = r.m;
    r.ssrSteps.assign(k + 1, 0.0);
    if (flag >= 0) r.ssrSteps[flag] = m(0, 0);
    else r.ssrSteps[0] = m(0, 0);
    // Without regressors there is nothing to sweep (the dependent variable stays).
    for (int p = flag + 1 > 1 ? flag + 1 : 1; p <= k; ++p) {
        const double pivot = m(p, p);
        if (pivot <= 0.0) {
            printout("Error: Variable %d is a combination of preceeding variables\r\n", p);
            return -1;
        }
        double* rowp = m.row(p);
        rowp[p] = 1.0;
        for (int j = 0; j <= k; ++j) rowp[j] /= pivot;
        for (int i = 0; i <= k; ++i) {
            if (i == p) continue;
            double* row = m.row(i);
            const double t = row[p];
            if (t == 0.0) continue;
            row[p] = 0.0;
            for (int j = 0; j <= k; ++j) row[j] -= t * rowp[j];
        }
        r.ssrSteps[p] = m(0, 0);
    }
    if (sweepPredicts != 'y') return 0;
    return predictreg(r, k, 0, 1, 1, k, 0);
}

int checklimits(const char* command, int first, int middle, int last) {
    const char* which = first == -1 ? "first" : middle == -1 ? "middle" : last == -1 ? "last" : nullptr;
    if (which) {
        printout("\nError:  in %s command, %s date is before workspace begins.\n", command, which);
        return -1;
    }
    // The columns hold the fit and test periods: the limits must be in order and inside
    // the workspace.
    if (first > middle || middle > last) {
        printout("\nError:  in %s command, the limits %.3f %.3f %.3f are out of order.\n",
                 command, fitStart, fitEnd, testEnd);
        return -1;
    }
    if (last >= wsMaxObs) {
        printout("\nError:  in %s command, last date is after workspace ends.\n", command);
        return -1;
    }
    return 0;
}

int rcmd(std::FILE* in) {
    // The report's lines go out together when the command ends, not one write each.
    platform::ResultsHold hold;
    const int first = dateindex(fitStart);
    const int middle = dateindex(fitEnd);
    const int last = dateindex(testEnd);
    if (checklimits("r", first, middle, last) != 0) {
        clearcons();
        return -1;
    }

    Regression r;
    r.first = first;
    r.nfit = middle - first + 1;
    r.ntot = last - first + 1;
    if (annSaveOn == 'y') {
        echoline(0, 'a', '%');
        annSaveEcho = 'y';
    }
    int status = xmatrix(r.eq, in, first, last, r.ntot);
    annSaveEcho = 'n';
    if (status == 0 && r.nfit < r.eq.k) {
        printout("\nError:  in r command, the fit period has %d observations, fewer than the %d "
                 "coefficients.\n",
                 r.nfit, r.eq.k);
        status = -1;
    }
    if (status == 0) {
        const int k = r.eq.k;
        r.m = Moments(k + 2);
        status = xpx(r);
        if (status == 0) {
            if (hardConstraints.count > 0) {
                status = qp(r, false);
            } else {
                if (softConstraints.count > 0) addsoftcons(r.nfit, k, r.m, r.eq.intercept);
                status = regsweep(r);
            }
        }
    }
    clearcons();
    return status;
}
