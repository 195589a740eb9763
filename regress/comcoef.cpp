// Common-coefficient regression: several equations pooled into one moment matrix, the
// first m coefficients shared by all of them (matched by column position) and the rest
// each equation's own; the pooled matrix is swept once and reported in its own table.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/commands.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "regress/chow.h"
#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "regress/settings_commands.h"
#include "series/series_commands.h"

namespace {

struct Pool {
    int m = 0, n = 0;
    Moments P;
    std::vector<std::int16_t> owner;
    std::vector<std::string> names;
    int nameBytes = 0;
    int equations = 0;
    int q = 0;  // the next free position; K at the end
    int N = 0;  // observations of all equations
};

bool addname(Pool& pool, int s, const std::string& name) {
    pool.nameBytes += static_cast<int>(name.size()) + 1;
    if (pool.nameBytes > 12 * pool.n) {
        printout("\nError:  in comcoef, the coefficient names take more than %d characters.\n",
                 12 * pool.n);
        return false;
    }
    pool.names[s] = name;
    return true;
}

int readequation(std::FILE* in, Pool& pool) {
    const int i = pool.equations + 1;
    const int first = dateindex(fitStart);
    const int middle = dateindex(fitEnd);
    const int last = dateindex(testEnd);
    if (checklimits("comcoef", first, middle, last) != 0) return -1;
    const int nfit = middle - first + 1;
    const int ntot = last - first + 1;
    Equation eq;
    const int status = xmatrix(eq, in, first, last, ntot);
    if (status != 0) return status;
    const int k = eq.k, m = pool.m;
    if (k < m) {
        printout("\nError:  in comcoef, equation %d has %d coefficients, fewer than the %d common "
                 "ones.\n",
                 i, k, m);
        return -1;
    }
    if (pool.q + k - m > pool.n) {
        printout("\nError:  in comcoef, equation %d brings the coefficients to %d, more than %d.\n", i,
                 pool.q + k - m, pool.n);
        return -1;
    }
    for (int s = 0; s <= k; ++s)
        for (int t = 0; t < nfit; ++t)
            if (ismissing(eq.columns[s][t])) {
                printout("Missing value in variable %d.", s);
                printout(" Type a key to continue\n");
                waitkey();
                return -1;
            }
    if (i == 1)
        for (int s = 0; s <= m; ++s) {
            pool.owner[s] = 0;
            if (!addname(pool, s, eq.names[s])) return -1;
        }
    for (int s = 1; s <= k - m; ++s) {
        pool.owner[pool.q + s] = static_cast<std::int16_t>(i);
        if (!addname(pool, pool.q + s, eq.names[m + s])) return -1;
    }
    auto pos = [&](int s) { return s <= m ? s : pool.q + (s - m); };
    for (int s = 0; s <= k; ++s)
        for (int c = 0; c <= s; ++c) {
            double sum = 0.0;
            const float* a = eq.columns[s].data();
            const float* b = eq.columns[c].data();
            for (int t = 0; t < nfit; ++t) sum += a[t] * b[t];
            pool.P(pos(s), pos(c)) += sum;
            if (s != c) pool.P(pos(c), pos(s)) += sum;
        }
    pool.N += nfit;
    ++pool.equations;
    pool.q += k - m;
    return 0;
}

// 0 after "do", -1 after quit or a refused equation, 27 after Escape, 'e' at the end of
// the input.
int readcomcoefblock(std::FILE* in, Pool& pool) {
    char token[80];
    for (;;) {
        const int cls = blockword(in, token);
        if (cls == 'e') return 'e';
        if (cls == -1) return 27;
        const std::string w = cls == 'a' ? token : "";
        auto starts = [&](const char* prefix) { return w.rfind(prefix, 0) == 0; };
        if (w == "f") {
            fcmd(in);
        } else if (w == "add") {
            simpleadd(in);
        } else if (starts("pa")) {
            waitkey();
        } else if (starts("q")) {
            return -1;
        } else if (starts("lim")) {
            limitscmd(in);
        } else if (w == "hbk" || w == "cbk" || w == "vam") {
            bankcmd(in, w[0] == 'v' ? 'v' : w[0]);
        } else if (starts("ba")) {
            bankcmd(in, 'w');
        } else if (starts("r")) {
            const int status = readequation(in, pool);
            if (status != 0) return status;
        } else if (w == "do") {
            return 0;
        } else {
            printout("\n bad code ");
            skipstatement(in);
        }
    }
}

void comcoefreport(Pool& pool, const std::vector<double>& steps) {
    const int K = pool.q, N = pool.N;
    const Moments& P = pool.P;
    printout(":");
    printout("%s", currentTitle);
    printout("\r\n                         Common Coefficient Regression\r\n");
    printout("Total Number of Observations = %4d\r\n", N);
    printout("Num R Variable        Reg-Coef Mexval T-Value     Std-Dev   SumSqResid F-value");
    const double s2 = N > K ? P(0, 0) / (N - K) : 0.0;
    regressionResults.clear();
    std::vector<float> rcoef(2001, 0.0f);
    for (int s = 1; s <= K; ++s) {
        const double b = P(s, 0), c = P(s, s);
        printout("\r\n%2d %2d %-10s %12.5f", s, pool.owner[s], pool.names[s].c_str(), b);
        const float sd = static_cast<float>(safesqrt(c * s2));
        const float t = sd > 0.0f ? static_cast<float>(b / sd) : 0.0f;
        const float mexval = static_cast<float>(100.0 * (safesqrt(b * b / (c * P(0, 0)) + 1.0) - 1.0));
        float F = 0.0f;
        if (steps[K] > 0.0 && N > K)
            F = static_cast<float>(((steps[s - 1] - steps[K]) / (K - s + 1)) / (steps[K] / (N - K)));
        if (F > 9999.99f || !std::isfinite(F)) F = 9999.99f;
        printout(" %6.1f %7.2f %12.5f %12.5f %7.2f", mexval, t, sd, steps[s], F);
        rcoef[s] = static_cast<float>(b);
        rcoef[K + s] = mexval;
        regressionResults["beta" + std::to_string(s)] = static_cast<float>(b);
        regressionResults["mexval" + std::to_string(s)] = mexval;
    }
    rcoef[0] = static_cast<float>(K);
    regressionResults["ncoef"] = static_cast<float>(K);
    regressionResults["obs_in_regress"] = static_cast<float>(N);
    wssetfreq(currentFrequency);
    wsaddser("rcoef", rcoef.data());
    if (chowCount > 0 && chowNext < chowCount) {
        chowRecords[chowNext] = {P(0, 0), static_cast<std::int16_t>(K), static_cast<std::int16_t>(N)};
        ++chowNext;
    }
    printout("\r\nTap any key to continue.");
    waitkey();
    if (chowCount > 1 && chowNext == chowCount) chowtest();
}

}  // namespace

int comcoefcmd(std::FILE* in) {
    char a[80], b[80];
    const int ca = gettoken(a, in, 0, 78);
    const int cb = ca == 'n' ? gettoken(b, in, 0, 78) : 0;
    const int m = std::atoi(a), n = cb == 'n' ? std::atoi(b) : 0;
    if (ca != 'n' || cb != 'n' || m > n || n < 1) {
        printout("\nFormat is comcoef <m> <n>");
        printout("\nwhere <m> is the number of common coefficients.\n");
        printout("and <n> is maximum total number of independent variables.\n");
        return 0;
    }
    Pool pool;
    pool.m = pool.q = m;
    pool.n = n;
    pool.P = Moments(n + 1);
    pool.owner.assign(n + 1, 0);
    pool.names.assign(n + 1, "");
    // Only a block ended by "do" is complete: anything else estimates nothing.
    const int block = readcomcoefblock(in, pool);
    if (block == 'e') printout("\nError:  the input ended before \"do\"; nothing is estimated.\n");
    if (block != 0 || pool.equations == 0) return 0;
    Regression r;
    r.eq.k = pool.q;
    r.eq.intercept = 0;
    r.m = std::move(pool.P);
    const char saved = sweepPredicts;
    sweepPredicts = 'n';
    const int status = regsweep(r);
    sweepPredicts = saved;
    pool.P = std::move(r.m);
    if (status != -1) comcoefreport(pool, r.ssrSteps);
    return 0;
}
