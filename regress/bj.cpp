// Moving-average errors (bj) and autocorrelation functions (ac).
//
// bj fits y(t) = sum b(j) x(j, t) + u(t), u(t) = e(t) + mu1 e(t-1) + ... + muq e(t-q), from
// the least-squares start by Gauss-Newton regressions on filtered data, with step halving
// and averaging, until the moving-average coefficients settle. In those regressions the
// filtered intercept is an ordinary column: the moments are plain sums of products.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress/regression.h"

namespace {

constexpr int seriesLength = 2001;

using Rows = std::vector<std::vector<float>>;

struct BjState {
    int E = 0, q = 0, D = 0, nfit = 0, ntot = 0;
    Rows copy;                 // rows 0 .. E the data, E + 1 u(t), E + 2 e(t)
    std::vector<float> beta;   // 1 .. E
    std::vector<float> mu;     // 0 .. q, mu0 = 1
};

// u(t) and e(t) over the fit with the current beta and mu, and the sum of squared
// innovations. With `zold` given, the pass stops once the sum exceeds it (a failed trial).
float innovations(BjState& s, const float* zold = nullptr) {
    float z = 0.0f;
    std::vector<float>& u = s.copy[s.E + 1];
    std::vector<float>& e = s.copy[s.E + 2];
    for (int t = 0; t < s.nfit; ++t) {
        float ut = s.copy[0][t];
        for (int j = 1; j <= s.E; ++j) ut -= s.beta[j] * s.copy[j][t];
        u[t] = ut;
        float et = ut;
        for (int k = 1; k <= s.q && k <= t; ++k) et -= s.mu[k] * e[t - k];
        e[t] = et;
        z += et * et;
        if (zold && z > *zold) break;
    }
    return z;
}

void bjfilter(BjState& s, Equation& eq) {
    const int E = s.E, q = s.q;
    for (int j = 1; j <= E; ++j) {
        std::vector<float>& c = eq.columns[j];
        for (int t = 0; t < s.nfit; ++t) {
            float v = s.copy[j][t];
            for (int k = 1; k <= q && k <= t; ++k) v -= s.mu[k] * c[t - k];
            c[t] = v;
        }
    }
    std::vector<float> p(2 * q + 1, 0.0f);
    for (int i = 0; i <= q; ++i)
        for (int j = 0; j <= q; ++j) p[i + j] += s.mu[i] * s.mu[j];
    const std::vector<float>& e = s.copy[E + 2];
    for (int i = 1; i <= q; ++i) {
        std::vector<float>& c = eq.columns[E + i];
        for (int t = 0; t < s.nfit; ++t) {
            float v = t >= i ? e[t - i] : 0.0f;
            for (int k = 1; k <= 2 * q && k <= t; ++k) v -= p[k] * c[t - k];
            c[t] = v;
        }
    }
}

void bjpseudodep(BjState& s, Equation& eq) {
    const std::vector<float>& e = s.copy[s.E + 2];
    for (int t = 0; t < s.nfit; ++t) {
        float v = e[t];
        for (int j = 1; j <= s.E; ++j) v += s.beta[j] * eq.columns[j][t];
        for (int i = 1; i <= s.q; ++i) v += s.mu[i] * eq.columns[s.E + i][t];
        eq.columns[0][t] = v;
    }
}

// The estimates table: T the trial, A1 the last accepted, A2 the one before.
struct Estimates {
    std::vector<float> T, A1, A2;
};

void settrial(BjState& s, const std::vector<float>& T) {
    for (int j = 1; j <= s.E; ++j) s.beta[j] = T[j];
    for (int i = 1; i <= s.q; ++i) s.mu[i] = T[s.E + i];
}

void bjstep(BjState& s, float step, const Moments& m, float& change, Estimates& est, int n) {
    const int D = s.D;
    for (int c = 1; c <= D; ++c)
        est.T[c] = (1.0f - step) * est.A1[c] + step * static_cast<float>(m(c, 0));
    settrial(s, est.T);
    change = 0.0f;
    for (int i = 1; i <= s.q; ++i) change = std::max(change, std::fabs(est.T[s.E + i] - est.A1[s.E + i]));
    if (n > 3) {
        double s1 = 0.0, s2 = 0.0;
        for (int c = 1; c <= D; ++c) {
            s1 += static_cast<double>(est.T[c] - est.A1[c]) * (est.T[c] - est.A1[c]);
            s2 += static_cast<double>(est.T[c] - est.A2[c]) * (est.T[c] - est.A2[c]);
        }
        if (s1 > s2) {
            for (int c = 1; c <= D; ++c) est.T[c] = 0.5f * est.T[c] + 0.5f * est.A1[c];
            settrial(s, est.T);
            printout("\nAveraging.\n");
        }
    }
}

// Statistics, series and report of the final estimates.
int bjfinish(BjState& s, Regression& r) {
    const int E = s.E, q = s.q, nfit = s.nfit, ntot = s.ntot;
    std::vector<float> depvar(seriesLength, 0.0f), predic(seriesLength, 0.0f);
    const int first = r.first;
    std::vector<float>& e = s.copy[E + 2];
    float ssr = 0.0f, mapeSum = 0.0f, dwSum = 0.0f, previous = 0.0f;
    for (int t = 0; t < nfit; ++t) {
        depvar[first + t] = s.copy[0][t];
        predic[first + t] = s.copy[0][t] - e[t];
        const float d = depvar[first + t] - predic[first + t];
        ssr += d * d;
        if (std::fabs(predic[first + t]) > 0.0f) mapeSum += std::fabs(d / predic[first + t]);
        if (t >= 1) dwSum += (d - previous) * (d - previous);
        previous = d;
    }
    std::vector<int> lags;
    findlagdep(lags, r.eq.names, 0, E);
    int lagIndex = 0;
    for (int j = 1; j <= E; ++j)
        if (lags[j] == 1) lagIndex = j;

    FitStatistics fit;
    if (ntot > nfit) {
        double testSsr = 0.0, testMape = 0.0;
        for (int t = nfit; t < ntot; ++t) {
            e[t] = 0.0f;
            float p = 0.0f;
            for (int j = 1; j <= E; ++j) {
                const int L = lags[j];
                float z = s.copy[j][t];
                if (L >= 1 && t - nfit >= L) {
                    z = predic[first + t - L];
                    s.copy[j][t] = z;
                }
                p += s.beta[j] * z;
            }
            for (int k = 1; k <= q; ++k)
                if (t - k >= 0) p += s.mu[k] * e[t - k];
            predic[first + t] = p;
            depvar[first + t] = s.copy[0][t];
            if (forecastMode == 1) {
                depvar[first + t] = p;
            } else {
                const float d = depvar[first + t] - p;
                testSsr += static_cast<double>(d) * d;
                if (depvar[first + t] != 0.0f) testMape += std::fabs(d / depvar[first + t]);
            }
        }
        if (forecastMode != 1) {
            fit.testMape = static_cast<float>(testMape / (ntot - nfit));
            fit.testSee = static_cast<float>(safesqrt(testSsr / (ntot - nfit)));
            fit.testGiven = true;
        }
    }
    fit.ssr = ssr;
    fit.dw = ssr != 0.0f ? dwSum / ssr : dwSum;
    fit.mape = mapeSum / nfit;
    r.m(0, 0) = ssr;

    wssetfreq(currentFrequency);
    wsaddser("predic", predic.data());
    wsaddser("depvar", depvar.data());
    std::vector<float> resid(seriesLength, 0.0f);
    for (int t = 0; t < seriesLength; ++t) resid[t] = depvar[t] - predic[t];
    wsaddser((r.eq.names[0] + "_mu").c_str(), resid.data());
    wsaddser("resid", resid.data());

    const std::int16_t savedLag = lagDepIndex;
    lagDepIndex = static_cast<std::int16_t>(lagIndex);
    printreg(r, fit, s.D, 0, 1, 1, s.D, 0);
    lagDepIndex = savedLag;
    return 0;
}

int bjrun(std::FILE* in) {
    char token[80];
    int cls = gettoken(token, in, 0, 78);
    bool negative = false;
    if (cls == '-') {
        negative = true;
        cls = gettoken(token, in, 0, 78);
    }
    if (cls == 'n' && negative) {
        printout("\nError:  in bj command, the order of the moving average must not be negative.\n");
        return -1;
    }
    if (cls != 'n') {
        printout("\n The bj format is \nbj q y = x1, x2, ... \nwhere q is the order of the moving "
                 "average error term.");
        return -1;
    }
    BjState s;
    s.q = std::atoi(token);
    const int first = dateindex(fitStart);
    const int middle = dateindex(fitEnd);
    const int last = dateindex(testEnd);
    if (checklimits("bj", first, middle, last) != 0) return -1;
    s.nfit = middle - first + 1;
    s.ntot = last - first + 1;

    Regression r;
    r.first = first;
    r.nfit = s.nfit;
    r.ntot = s.ntot;
    if (xmatrix(r.eq, in, first, last, s.ntot) != 0) return -1;
    s.E = r.eq.k;
    s.D = s.E + s.q;
    const int E = s.E, q = s.q, D = s.D;
    if (D + 2 > maxColumnSlots) {
        printout("\nError:  in bj command, %d coefficients and the spare column do not fit the %d "
                 "column slots.\n",
                 D, maxColumnSlots - 1);
        return -1;
    }
    if (E < 1) {
        printout("\nError:  the bj command needs at least one regressor.\n");
        return -1;
    }
    if (s.nfit <= D) {
        printout("\nError:  in bj command, the fit period has %d observations for %d coefficients.\n",
                 s.nfit, D);
        return -1;
    }
    for (int c = E + 2; c <= D + 1; ++c) r.eq.columns.emplace_back(s.ntot + 1, 0.0f);
    r.m = Moments(D + 2);

    // The least-squares start, reported as an ordinary regression.
    if (xpx(r) != 0) return -1;
    const char savedSave = saveOn;
    saveOn = 'n';
    const int status = regsweep(r);
    saveOn = savedSave;
    if (status == -1) return -1;

    Estimates est;
    est.T.assign(D + 1, 0.0f);
    est.A1 = est.A2 = est.T;
    s.beta.assign(E + 1, 0.0f);
    s.mu.assign(q + 1, 0.0f);
    s.mu[0] = 1.0f;
    for (int j = 1; j <= E; ++j) s.beta[j] = est.T[j] = est.A1[j] = static_cast<float>(r.m(j, 0));
    s.copy.assign(E + 3, std::vector<float>(s.ntot, 0.0f));
    for (int c = 0; c <= E; ++c)
        std::copy(r.eq.columns[c].begin(), r.eq.columns[c].begin() + s.ntot, s.copy[c].begin());
    for (int k = 1; k <= q; ++k) r.eq.names.push_back(r.eq.names[0] + "_mu[" + std::to_string(k) + "]");

    // The iterations regress on the filtered columns with the intercept as an ordinary one.
    r.eq.k = D;
    r.eq.intercept = 0;
    const char savedPredicts = sweepPredicts;
    for (int n = 1; n < 100; ++n) {
        const float z = innovations(s);
        bjfilter(s, r.eq);
        bjpseudodep(s, r.eq);
        if (xpx(r) != 0) return -1;
        sweepPredicts = 'n';
        const int swept = regsweep(r);
        sweepPredicts = savedPredicts;
        if (swept == -1) return -1;

        float step = 1.0f, change = 0.0f, trialZ = 0.0f;
        const float zold = z;
        for (;;) {
            bjstep(s, step, r.m, change, est, n);
            trialZ = innovations(s, step > 0.01f ? &zold : nullptr);
            if (trialZ > zold) {
                step *= 0.5f;
                if (step >= 0.005f) continue;
            }
            break;
        }
        if (step < 0.01f) {
            printout("Iterations = %d. Cornered.\n", n);
            for (int c = 1; c <= D; ++c) r.m(c, 0) = est.A1[c];
            return bjfinish(s, r);
        }
        est.A2 = est.A1;
        est.A1 = est.T;
        if (change < 0.001f) {
            printout("Iterations = %d. Converged.\n", n);
            for (int c = 1; c <= D; ++c) r.m(c, 0) = est.A1[c];
            return bjfinish(s, r);
        }
    }
    printout("BJ proceedure failed to converge in 100 iterations.\n");
    printout("Try a different specification.\n");
    return 0;
}

// Gauss-Jordan elimination of the Yule-Walker table, printing after each pivot the
// coefficients of the autoregression of that order.
int pacfprint(std::vector<std::vector<double>>& R, int order) {
    for (int i = 0; i < order; ++i) {
        const double pivot = R[i][i];
        if (pivot == 0.0) return -1;
        for (int c = i; c <= order; ++c) R[i][c] /= pivot;
        for (int j = 0; j < order; ++j) {
            if (j == i) continue;
            const double f = R[j][i];
            for (int c = i; c <= order; ++c) R[j][c] -= f * R[i][c];
        }
        for (int j = 0; j <= i; ++j) printout(" %6.3f", R[j][order]);
        printout("\n");
    }
    return 0;
}

}  // namespace

int bjcmd(std::FILE* in) { return bjrun(in); }

int accmd(std::FILE* in) {
    char token[80];
    if (gettoken(token, in, 0, 78) != 'a') {
        printout("\nThe format is\n ac <series name> order\n");
        return -1;
    }
    const std::string name = token;
    std::vector<float> x(seriesLength, 0.0f);
    char* none = nullptr;
    if (fetchseries(name.c_str(), x.data(), none, in, 1) != 0) return -1;
    int order = 11;
    if (gettoken(token, in, 0, 78) == 'n') order = std::atoi(token);
    const int first = dateindex(fitStart);
    const int last = dateindex(fitEnd);
    if (first == -1 || last == -1 || last < first || last >= wsMaxObs) {
        printout("\nError:  in ac command, the fit period %.3f %.3f is not inside the workspace.\n",
                 fitStart, fitEnd);
        return -1;
    }
    const int n = last - first + 1;
    if (order < 0 || order >= n) {
        printout("\nError:  in ac command, the order %d must lie in 0 .. %d, below the %d fit "
                 "observations.\n",
                 order, n - 1, n);
        return -1;
    }
    float mean = 0.0f;
    for (int t = first; t <= last; ++t) {
        if (ismissing(x[t])) {
            printout("\nError:  in ac command, %s is missing in the fit period.\n", name.c_str());
            return -1;
        }
        mean += x[t];
    }
    mean /= static_cast<float>(n);
    for (int t = first; t <= last; ++t) x[t] -= mean;
    std::vector<float> r(seriesLength, 0.0f), c(order + 1, 0.0f);
    for (int j = 0; j <= order; ++j) {
        float sum = 0.0f;
        for (int t = first + j; t <= last; ++t) sum += x[t] * x[t - j];
        c[j] = sum / static_cast<float>(n - j);
    }
    if (c[0] == 0.0f) {
        printout("\nError:  in ac command, %s is constant over the fit period.\n", name.c_str());
        return -1;
    }
    for (int j = 0; j <= order; ++j) r[j] = c[j] / c[0];
    printout("Autocorrelation function\n");
    for (int j = 0; j < order; ++j) printout(" %7.4f", r[j]);
    printout("\n");
    wssetfreq(currentFrequency);
    wsaddser((name + "_ac").c_str(), r.data());
    printout("Partial Autocorrelation\n");
    std::vector<std::vector<double>> R(order, std::vector<double>(order + 1, 0.0));
    for (int i = 0; i < order; ++i) {
        R[i][order] = r[i + 1];
        for (int j = 0; j < order; ++j) R[i][j] = r[std::abs(i - j)];
    }
    return pacfprint(R, order);
}
