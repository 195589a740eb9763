// Stacked and seemingly unrelated regressions: a block of equations and constraints read
// up to "do", each equation first fitted alone, the covariance of their residuals (its
// diagonal only for stack), and generalised least squares on the stacked system, swept or
// solved under the hard constraints, then each equation predicted and reported with the
// joint coefficients.
#include <cstring>
#include <string>
#include <vector>

#include "banks/commands.h"
#include "banks/lookup.h"
#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/echo_commands.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "regress/constraints.h"
#include "regress/estimators.h"
#include "regress/qp.h"
#include "regress/regress_state.h"
#include "regress/regression.h"

namespace {

constexpr int maxEquations = 10;
constexpr int stackNameArea = 700;

struct Block {
    std::vector<Regression> eqs;
    int offsets[maxEquations + 1] = {};  // D(1) .. D(E + 1)
    int nameBytes = 0;
};

// Reads the block up to "do": 0 after "do", -1 after quit or a refused equation, 27 after
// Escape in an equation, 'e' when the input ends first.
int readstackblock(std::FILE* in, Block& b, int first, int last, int nfit, int ntot) {
    char token[80];
    for (;;) {
        const int cls = blockword(in, token);
        if (cls == 'e' || cls == -1) return cls == -1 ? 27 : 'e';
        if (cls == '"') {
            skipstatement(in);
            continue;
        }
        const std::string w = token;
        auto starts = [&](const char* prefix) { return w.rfind(prefix, 0) == 0; };
        const int E = static_cast<int>(b.eqs.size());
        setoffsetcount(E);
        if (w == "do") return 0;
        if (w == "add") {
            simpleadd(in);
        } else if (w == "con" || w == "qpcon" || w == "sma") {
            // A refused constraint (a parameter outside the equations read so far among
            // them) ends the block: the system would be estimated without it.
            const int status = w == "con"     ? concmd(in, b.offsets)
                               : w == "sma" ? smacmd(in, b.offsets)
                                            : qpconcmd(in, b.offsets);
            if (status != 0) return status == 27 ? 27 : -1;
        } else if (starts("pa")) {
            waitkey();
        } else if (starts("sav")) {
            savecmd(in);
        } else if (starts("q")) {
            return -1;
        } else if (starts("r")) {
            if (E >= maxEquations) {
                printout("\nError:  a stacked system holds at most %d equations.\n", maxEquations);
                skipstatement(in);
                return -1;
            }
            Regression r;
            r.first = first;
            r.nfit = nfit;
            r.ntot = ntot;
            const int status = xmatrix(r.eq, in, first, last, ntot);
            if (status != 0) return status;
            if (b.nameBytes + r.eq.nameBytes > stackNameArea) {
                printout("\nError:  the names of the stacked equations take more than %d "
                         "characters.\n",
                         stackNameArea);
                return -1;
            }
            if (r.eq.k < 1) {
                printout("\nError:  equation %d of the stacked system has no regressors.\n", E + 1);
                return -1;
            }
            b.nameBytes += r.eq.nameBytes;
            b.offsets[E + 1] = b.offsets[E] + r.eq.k + 1;
            b.eqs.push_back(std::move(r));
        } else if (starts("t")) {
            titlecmd(in);
        } else {
            printout("\n bad code ");
            skipstatement(in);
        }
    }
}

// The residuals (fitted minus actual) of a swept equation over the fit period.
std::vector<double> residuals(const Regression& r) {
    std::vector<double> e(r.nfit);
    for (int t = 0; t < r.nfit; ++t) {
        double fitted = 0.0;
        for (int j = 1; j <= r.eq.k; ++j) fitted += r.m(j, 0) * r.eq.columns[j][t];
        e[t] = fitted - r.eq.columns[0][t];
    }
    return e;
}

void printblock(const Moments& a, int rows, const char* format) {
    for (int i = 0; i < rows; ++i) {
        printout("\r\n%2d", i);
        for (int j = 0; j < rows; ++j) printout(format, a(i + 1, j + 1));
        printout("\n");
    }
    pausebox("Hit a key", "");
}

// The sum over the fit of column a of equation p times column c of equation q.
double cross(const Regression& p, int a, const Regression& q, int c) {
    double s = 0.0;
    for (int t = 0; t < p.nfit; ++t)
        s += static_cast<double>(p.eq.columns[a][t]) * q.eq.columns[c][t];
    return s;
}

int estimate(Block& b, char mode, int nfit) {
    const int E = static_cast<int>(b.eqs.size());
    // Constraints must name coefficients of the system.
    int K = 0;
    std::vector<int> counts, R(E), depColumns;
    for (int e = 0; e < E; ++e) {
        R[e] = K + 1;
        K += b.eqs[e].eq.k;
        counts.push_back(b.eqs[e].eq.k);
        depColumns.push_back(b.offsets[e]);
    }
    for (const ConstraintTable* t : {&softConstraints, &hardConstraints})
        for (int c = 0; c < t->count; ++c)
            for (int i = K + 1; i < constraintWidth; ++i)
                if (t->rows[c][i] != 0.0f) {
                    printout("\nError:  a constraint names coefficient %d; the stacked system "
                             "has %d.\n",
                             i, K);
                    return -1;
                }

    // Each equation alone, as an ordinary regression.
    const char savedSave = saveOn;
    saveOn = 'n';
    std::vector<std::vector<double>> res;
    for (Regression& r : b.eqs) {
        r.m = Moments(r.eq.k + 2);
        int status = xpx(r);
        if (status == 0) status = regsweep(r);
        if (status != 0) {
            saveOn = savedSave;
            return -1;
        }
        res.push_back(residuals(r));
    }
    saveOn = savedSave;

    // Sigma, the covariance of the residuals, and its inverse.
    Regression s;
    s.eq.k = E;
    s.eq.intercept = -1;
    s.nfit = nfit;
    s.m = Moments(E + 1);
    for (int i = 0; i < E; ++i)
        for (int j = 0; j < E; ++j) {
            double v = 0.0;
            if (i == j || mode == 'u')
                for (int t = 0; t < nfit; ++t) v += res[i][t] * res[j][t];
            s.m(i + 1, j + 1) = v / nfit;
        }
    printout("\r\nThe Sigma Matrix");
    printblock(s.m, E, " %10.5f");
    const char savedPredicts = sweepPredicts;
    sweepPredicts = 'n';
    int status = regsweep(s);
    sweepPredicts = savedPredicts;
    if (status != 0) return -1;
    printout("\r\nThe Sigma Inverse Matrix");
    printblock(s.m, E, " %7.4f");
    printout("\r\nCalculating ...");

    // The stacked moment matrix: the weighted dependent variables in 0, coefficients 1 .. K.
    Regression sys;
    sys.eq.k = K;
    sys.eq.intercept = 0;
    sys.nfit = nfit;
    sys.first = b.eqs[0].first;
    sys.ntot = b.eqs[0].ntot;
    sys.m = Moments(K + 1);
    for (const Regression& r : b.eqs)
        for (int c = 0; c <= r.eq.k; ++c) sys.eq.columns.push_back(r.eq.columns[c]);
    Moments& M = sys.m;
    for (int i = 0; i < E; ++i) {
        const Regression& ri = b.eqs[i];
        for (int j = 0; j < E; ++j) {
            if (mode == 't' && j != i) continue;
            const double w = s.m(i + 1, j + 1);
            const Regression& rj = b.eqs[j];
            M(0, 0) += w * cross(ri, 0, rj, 0);
            for (int a = 1; a <= ri.eq.k; ++a) M(R[i] + a - 1, 0) += w * cross(ri, a, rj, 0);
            if (j > i) continue;
            for (int a = 1; a <= ri.eq.k; ++a)
                for (int c = 1; c <= rj.eq.k; ++c) M(R[i] + a - 1, R[j] + c - 1) = w * cross(ri, a, rj, c);
        }
    }
    for (int i = 0; i <= K; ++i)
        for (int j = i + 1; j <= K; ++j) M(i, j) = M(j, i);
    if (softConstraints.count > 0) addsoftcons(nfit, K, M, 0);

    if (hardConstraints.count > 0) {
        status = qp(sys, true, K, counts, depColumns);
        if (status != 0) return status;
    } else {
        sweepPredicts = 'n';
        status = regsweep(sys);
        sweepPredicts = savedPredicts;
        if (status != 0) return -1;
    }

    // Each equation predicted and reported with the joint coefficients.
    for (int e = 0; e < E; ++e) {
        Regression& r = b.eqs[e];
        r.m = sys.m;
        r.ssrSteps = sys.ssrSteps;
        predictreg(r, r.eq.k, 0, R[e], E, K, e + 1);
    }
    return 0;
}

}  // namespace

int blockword(std::FILE* in, char* token) {
    if (!in) printout("\r\n:");
    int cls;
    do {
        cls = gettoken(token, in, 0, 78);
    } while (cls != 'a' && cls != '"' && cls != 'e' && cls != -1);
    return cls;
}

int stackcmd(std::FILE* in, char mode) {
    clearcons();
    const int first = dateindex(fitStart);
    const int middle = dateindex(fitEnd);
    const int last = dateindex(testEnd);
    int status = checklimits("stack", first, middle, last);
    if (status == 0) {
        Block b;
        status = readstackblock(in, b, first, last, middle - first + 1, last - first + 1);
        setoffsetcount(1);
        if (status == 'e') {
            printout("\nError:  the input ended before \"do\"; nothing is estimated.\n");
            status = -1;
        }
        if (status == 0 && b.eqs.empty()) {
            printout("\nError:  no equation in the block.\n");
            status = -1;
        }
        if (status == 0) status = estimate(b, mode, middle - first + 1);
    }
    clearcons();
    return status == 27 ? 27 : (status == 0 ? 0 : -1);
}
