// The series a logit run leaves for each alternative: fitted probabilities with test-period
// predictions, residuals, rho-adjusted fitted values, dynamic predictions and the dependent
// series extended by forecasts.
#include <cmath>
#include <vector>

#include "banks/slots.h"
#include "core/missing.h"
#include "core/workarrays.h"
#include "interp/tokens.h"
#include "regress/chow.h"
#include "regress/logit.h"
#include "regress/nonlinear.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/series_state.h"

namespace {

constexpr int workLength = 2001;

void storeseries(const char* name, int a, const std::vector<float>& values) {
    char full[100];
    namewithnumber(full, name, a);
    wsaddser(full, values.data());
}

// The probability of alternative a at observation t (0 .. N-1). The regressor of a's own
// equation at position q with a lag L > 0 in the lag table (a's dependent series lagged) is,
// once t - n >= L, the value of `source` L observations back (workspace indexes); the other
// equations' regressors are their data. shift[e] is added to the utility of e >= 2, and the
// shift is left out of the largest utility that scales the exponentials.
float probability(const LogitRun& run, int a, int t, const std::vector<int>& lags, const float* source,
                  const std::vector<double>* shift) {
    const int J = run.J, K = run.K;
    const double* x = run.X.data() + static_cast<std::size_t>(t) * K;
    std::vector<double> u(J + 1, 0.0);
    double m = 0.0;
    for (int e = 2; e <= J; ++e) {
        double s = 0.0;
        for (int k = run.start[e]; k < run.start[e] + run.count[e]; ++k) {
            const int q = k - run.start[e] + 1;
            const int L = e == a && q < static_cast<int>(lags.size()) ? lags[q] : 0;
            const double value = source && L > 0 && t - run.n >= L ? source[run.first + t - L] : x[k];
            s += run.beta[k + 1] * value;
        }
        u[e] = s;
        if (s > m) m = s;
    }
    float S = 0.0f, pa = 0.0f;
    for (int e = 1; e <= J; ++e) {
        const double v = u[e] + (shift && e >= 2 ? (*shift)[e] : 0.0);
        const float p = clampexp(static_cast<float>(v - m));
        S += p;
        if (e == a) pa = p;
    }
    return pa / S;
}

}  // namespace

void predictlogit(const LogitRun& run, int a, std::vector<float>& residuals) {
    fpcheck("at top of predictlogit", -1);
    const int n = run.n, N = run.N, f = run.first;
    const Equation& eq = run.eqs[a - 1];
    const float* y = eq.columns[0].data();
    std::vector<float> predicted(workLength, MISSING), dynamic(workLength, MISSING);
    std::vector<float> rhoadjusted(workLength, 0.0f), residual(workLength, 0.0f);
    std::vector<int> lags;
    findlagdep(lags, eq.names, 0, eq.k);
    lagDepIndex = 0;
    for (int q = 1; q <= eq.k; ++q)
        if (lags[q] >= 1) lagDepIndex = static_cast<std::int16_t>(q);

    double ss = 0.0, ds = 0.0;
    for (int t = 0; t < n; ++t) {
        predicted[f + t] = probability(run, a, t, lags, nullptr, nullptr);
        const float r = predicted[f + t] - y[t];
        residual[f + t] = r;
        residuals[t] = r;
        ss += static_cast<double>(r) * r;
        if (t >= 1) {
            const double d = static_cast<double>(r) - residuals[t - 1];
            ds += d * d;
        }
    }
    fpcheck("mid predictlogit 1", -1);
    for (int t = n; t < N; ++t) predicted[f + t] = probability(run, a, t, lags, predicted.data(), nullptr);
    if (lagDepIndex > 0)
        for (int t = 0; t < N; ++t) dynamic[f + t] = probability(run, a, t, lags, dynamic.data(), nullptr);
    fpcheck("mid predictlogit 4", -1);
    const double dw = ss > 0.0 ? ds / ss : 2.0;
    regRho = static_cast<float>(1.0 - dw / 2.0);
    float previous = 0.0f;
    for (int t = 0; t < n; ++t) {
        rhoadjusted[f + t] = predicted[f + t] - regRho * previous;
        previous = predicted[f + t] - y[t];
    }
    if (normalityTest != 'n') normalitytest(n, residuals.data());
    fpcheck("before predic", -1);
    wssetfreq(currentFrequency);
    storeseries("resid", a, residual);
    storeseries("predic", a, predicted);
    storeseries("predp1", a, rhoadjusted);
    storeseries("bpred", a, dynamic);
    fpcheck("after predic", -1);

    // The dependent series, extended in forecast mode by the model's probabilities with the
    // last period error of each alternative carried forward at the rate rho.
    std::vector<double> shift(run.J + 1, 0.0);
    for (int t = 0; t < N; ++t) {
        if (t < n || forecastMode == 0) {
            predicted[f + t] = y[t];
            continue;
        }
        if (rhoadjSwitch == 1) {
            const int h = t - n;
            for (int e = 2; e <= run.J; ++e) {
                const double rho = run.rho[e - 2], mu = run.mu[e - 2];
                shift[e] = std::pow(rho, h) * run.R(n, e - 1) + mu * (1.0 - std::pow(rho, h + 1)) / (1.0 - rho);
            }
        }
        predicted[f + t] = probability(run, a, t, lags, predicted.data(), &shift);
    }
    storeseries("depvar", a, predicted);
    fpcheck("after prediction with rhoadj.", -1);
}
