// Prediction over the fit and test periods, the residual statistics handed to the report,
// and the series a regression leaves in the workspace.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/tokens.h"
#include "regress/chow.h"
#include "regress/constraints.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/series_state.h"

namespace {

constexpr int seriesLength = 2001;

void storeseries(const char* name, int eqNumber, const float* values) {
    char full[100];
    namewithnumber(full, name, eqNumber);
    wsaddser(full, values);
}

// Four floats side by side: each lane is operated on exactly as a plain float would be.
using Floats = float __attribute__((vector_size(16)));
using Lanes = std::int32_t __attribute__((vector_size(16)));

inline Floats loadfloats(const float* p) {
    Floats v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void storefloats(float* p, Floats v) { std::memcpy(p, &v, sizeof v); }
// |v|: the sign bit cleared, as fabs does.
inline Floats absfloats(Floats v) {
    Lanes bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits &= 0x7fffffff;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Room for one value per observation, kept between regressions.
float* observationroom(std::vector<float>& room, int n) {
    if (room.size() < static_cast<std::size_t>(n)) room.resize(static_cast<std::size_t>(n));
    return room.data();
}

// The residuals (fitted minus actual) of the fit, into resid and the residual column (when
// there is one), with their sum of squares, the sum of |e / actual| over the non-zero
// actual values, and the Durbin-Watson sum of squared differences. The terms are made in a
// pass of their own, four observations at a time (the divisions run side by side), and
// summed in order of the observations in a second one.
__attribute__((noinline)) void fitsums(const float* fitted, const float* y, int n, float* resid, float* column, double& ssr,
             double& mape, double& dw) {
    static std::vector<float> room;
    float* ratio = observationroom(room, n);
    int t = 0;
    const Floats zero = {0.0f, 0.0f, 0.0f, 0.0f}, one = {1.0f, 1.0f, 1.0f, 1.0f};
    for (; t + 4 <= n; t += 4) {
        const Floats yt = loadfloats(y + t);
        const Floats e = loadfloats(fitted + t) - yt;
        storefloats(resid + t, e);
        const Lanes counted = absfloats(yt) > zero;
        const Floats q = absfloats(e / (counted ? yt : one));
        storefloats(ratio + t, counted ? q : zero);
    }
    for (; t < n; ++t) {
        const float e = fitted[t] - y[t];
        resid[t] = e;
        const bool counted = std::fabs(y[t]) > 0.0f;
        const float q = std::fabs(e / (counted ? y[t] : 1.0f));
        ratio[t] = counted ? q : 0.0f;
    }
    double s = 0.0, m = 0.0, d = 0.0;
    float previous = 0.0f;
    for (t = 0; t < n; ++t) {
        const float e = resid[t];
        s += static_cast<double>(e) * e;
        m += ratio[t];
        const float step = t >= 1 ? e - previous : 0.0f;
        d += static_cast<double>(step) * step;
        previous = e;
    }
    if (column) std::copy(resid, resid + n, column);
    ssr = s;
    mape = m;
    dw = d;
}

// SEE+1: the sum of squares of u = e - rho * (the previous residual, 0 before the first),
// the even and the odd observations in two sums; and predp1, the fit less rho times the
// previous residual.
double seeplus1sum(const float* e, const float* fitted, float rho, int n, float* predp1) {
    static std::vector<float> room;
    float* u = observationroom(room, n);
    if (n > 0) {
        u[0] = e[0] - rho * 0.0f;
        predp1[0] = fitted[0] - rho * 0.0f;
    }
    for (int t = 1; t < n; ++t) {
        u[t] = e[t] - rho * e[t - 1];
        predp1[t] = fitted[t] - rho * e[t - 1];
    }
    double sumu0 = 0.0, sumu1 = 0.0;
    int t = 0;
    for (; t + 2 <= n; t += 2) {
        sumu0 += static_cast<double>(u[t]) * u[t];
        sumu1 += static_cast<double>(u[t + 1]) * u[t + 1];
    }
    if (t < n) sumu0 += static_cast<double>(u[t]) * u[t];
    return sumu0 + sumu1;
}

}  // namespace

void wssetfreq(int frequency) {
    if (workspaceBank) workspaceBank->setFreq(frequency);
}

int wsaddser(const char* name, const float* values) {
    if (!workspaceBank) return -1;
    return workspaceBank->addser(name, values, 'y', -1);
}

void findlagdep(std::vector<int>& lags, const std::vector<std::string>& names, int D, int k) {
    lags.assign(k + 1, 0);
    const std::string& dependent = names[D];
    for (int j = 1; j <= k; ++j) {
        const std::string& name = names[D + j];
        const std::size_t bracket = name.find('[');
        if (bracket == std::string::npos || bracket > 80) continue;
        if (name.compare(0, bracket, dependent) != 0 || bracket != dependent.size()) continue;
        lags[j] = std::atoi(name.c_str() + bracket + 1);
    }
}

void leverage(const Regression& r, int k, int D, int R, int eqNumber) {
    std::vector<float> lever(seriesLength, 0.0f);
    std::vector<float> x(k + 1);
    for (int t = 0; t < r.nfit; ++t) {
        for (int j = 1; j <= k; ++j) x[j] = r.eq.columns[D + j][t];
        double sum = 0.0;
        for (int i = 1; i <= k; ++i) {
            for (int j = 1; j <= k; ++j)
                sum += x[i] * static_cast<float>(r.m(R + i - 1, R + j - 1)) * x[j];
        }
        lever[r.first + t] = static_cast<float>(sum);
    }
    storeseries("lever", eqNumber, lever.data());
}

int predictreg(Regression& r, int k, int D, int R, int E, int K, int eqNumber) {
    const int nfit = r.nfit;
    const int ntot = r.ntot;
    const int first = r.first + (hlActive == 'y' ? 1 : 0);
    std::vector<float> predic(seriesLength, MISSING), bpred(seriesLength, MISSING);
    std::vector<float> predp1(seriesLength, 0.0f), resid(seriesLength, 0.0f);
    std::vector<int> lags;
    findlagdep(lags, r.eq.names, D, k);
    lagDepIndex = 0;
    for (int j = 1; j <= k; ++j)
        if (lags[j] >= 1) lagDepIndex = static_cast<std::int16_t>(j);

    std::vector<float> b(k + 1);
    std::vector<const float*> x(k + 1);
    for (int j = 1; j <= k; ++j) {
        b[j] = static_cast<float>(r.m(R + j - 1, 0));
        x[j] = r.eq.columns[D + j].data();
    }
    const float* y = r.eq.columns[D].data();
    float* residualColumn =
        D + k + 1 < static_cast<int>(r.eq.columns.size()) ? r.eq.columns[D + k + 1].data() : nullptr;

    // The fitted values, each summed over the coefficients in order in single precision.
    float* fitted = predic.data() + first;
    std::fill(fitted, fitted + nfit, 0.0f);
    for (int j = 1; j <= k; ++j) {
        const float bj = b[j];
        const float* xj = x[j];
        for (int t = 0; t < nfit; ++t) fitted[t] += bj * xj[t];
    }
    FitStatistics fit;
    double ssr = 0.0, mapeSum = 0.0, dwSum = 0.0;
    fitsums(fitted, y, nfit, resid.data() + first, residualColumn, ssr, mapeSum, dwSum);
    if (chowCount > 0 && chowNext < chowCount) {
        chowRecords[chowNext] = {ssr, static_cast<std::int16_t>(k), static_cast<std::int16_t>(nfit)};
        ++chowNext;
    }

    // The test period: a lagged dependent variable takes its own predictions once the lag
    // reaches into the test period.
    for (int t = nfit; t < ntot; ++t) {
        float sum = 0.0f;
        for (int j = 1; j <= k; ++j) {
            const int L = lags[j];
            const float z = (L >= 1 && t - nfit >= L) ? predic[first + t - L] : x[j][t];
            sum += b[j] * z;
        }
        predic[first + t] = sum;
    }
    if (lagDepIndex > 0) {
        for (int t = 0; t < ntot; ++t) {
            float sum = 0.0f;
            for (int j = 1; j <= k; ++j) {
                const int L = lags[j];
                const float z = (L >= 1 && t >= L) ? bpred[first + t - L] : x[j][t];
                sum += b[j] * z;
            }
            bpred[first + t] = sum;
        }
    }
    if (forecastMode == 0 && ntot > nfit) {
        double sumsq = 0.0, sumMape = 0.0;
        for (int t = nfit; t < ntot; ++t) {
            const float d = y[t] - predic[first + t];
            sumsq += static_cast<double>(d) * d;
            if (y[t] != 0.0f) sumMape += std::fabs(d / y[t]);
        }
        fit.testSee = static_cast<float>(safesqrt(sumsq / (ntot - nfit)));
        fit.testMape = static_cast<float>(sumMape / (ntot - nfit));
        fit.testGiven = true;
    }
    fit.ssr = ssr;
    fit.dw = ssr > 0.0 ? static_cast<float>(dwSum / ssr) : 2.0f;
    regRho = 1.0f - 0.5f * fit.dw;
    fit.mape = static_cast<float>(mapeSum / nfit);

    // SEE+1: the residuals less rho times the previous one (0 before the first).
    const double sumu = seeplus1sum(resid.data() + first, fitted, regRho, nfit, predp1.data() + first);
    fit.seePlus1 = static_cast<float>(safesqrt(sumu / nfit));
    fit.jarqueBera = normalityTest != 'n' ? normalitytest(nfit, resid.data() + first) : 0.0f;

    printreg(r, fit, k, D, R, E, K, eqNumber);

    wssetfreq(currentFrequency);
    if (hlActive != 'y') {
        storeseries("resid", eqNumber, resid.data());
        storeseries("predic", eqNumber, predic.data());
        storeseries("predp1", eqNumber, predp1.data());
        storeseries("bpred", eqNumber, bpred.data());
        if (regZip == 'n') leverage(r, k, D, R, eqNumber);
        // depvar: the actual values, and in forecast mode beyond the fit the prediction
        // with the last fit residual decaying by rho.
        float e = nfit > 0 ? resid[first + nfit - 1] : 0.0f;
        for (int t = 0; t < ntot; ++t) {
            if (t < nfit || forecastMode == 0) {
                predic[first + t] = y[t];
            } else {
                e = std::fabs(e) > 1e-6f ? regRho * e : 0.0f;
                predic[first + t] -= e;
            }
        }
        storeseries("depvar", eqNumber, predic.data());
    }

    if (regZip == 'n' && showRelations == 1 && hardConstraints.count == 0) {
        const float s2 = static_cast<float>(ssr / (nfit - k));
        printout("Variance-Covariance Matrix of Regression Coefficients\n");
        printcoefficienttable(R, k, " %11d", " %11.4e", [&](int i, int j) {
            return static_cast<double>(s2 * static_cast<float>(r.m(i, j)));
        });
    }
    if (chowCount > 1 && chowNext == chowCount) chowtest();
    return 0;
}
