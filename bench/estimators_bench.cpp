// Estimators over 1999 observations with a quiet results window:
// - recursive with k = 5 and k = 20 coefficients (an intercept and 4 or 19 regressors), zip
//   on: 1999 - k + 1 steps, each a sweep of the moment matrix updated by one observation,
//   and the 2k paths stored;
// - sur of 3 equations of 5 coefficients each, from the block text: three ordinary
//   regressions with their reports and series, Sigma and its inverse, the stacked system of
//   15 coefficients, and three reports with their series.
//
// Baselines, measured in the same run: the reference LAPACK's least-squares solve (dgels)
// repeated on each growing sample for recursive (what a package without updating does), and
// a bare two-step estimate for sur (three dgels, Sigma, the 15 x 15 stacked normal equations
// by dposv).
#include <benchmark/benchmark.h>

#include "bench_workspace.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"
#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/series_state.h"

extern "C" {
void dgels_(const char* trans, const int* m, const int* n, const int* nrhs, double* a,
            const int* lda, double* b, const int* ldb, double* work, const int* lwork, int* info,
            std::size_t transLength);
void dposv_(const char* uplo, const int* n, const int* nrhs, double* a, const int* lda, double* b,
            const int* ldb, int* info, std::size_t uploLength);
}

namespace {

constexpr int observations = 1999;
constexpr int baseYear = 1900;
platform::QuietPlatform quiet;

double value(int s, int t) { return 10.0 + std::sin(0.37 * t * (s + 1)) + 0.01 * t * (s % 3) + 0.1 * s; }
double noise(int s, int t) { return 0.5 * std::cos(1.7 * t + s); }

// A workspace of regressors x1 .. x<regressors> and dependent variables y1 .. y<dependents>.
struct Workspace {
    std::filesystem::path dir;
    Workspace(int regressors, int dependents) {
        dir = openbenchworkspace(quiet, baseYear, observations);
        workspaceBank->setFreq(1);
        std::vector<float> v(2000);
        for (int s = 1; s <= regressors; ++s) {
            for (int t = 0; t < observations; ++t) v[t] = static_cast<float>(value(s, t));
            workspaceBank->addser(("x" + std::to_string(s)).c_str(), v.data(), 'y', -1);
        }
        for (int d = 1; d <= dependents; ++d) {
            for (int t = 0; t < observations; ++t) {
                double y = 2.0 + noise(d, t);
                for (int s = 1; s <= regressors; ++s) y += (0.3 + 0.01 * s * d) * value(s, t);
                v[t] = static_cast<float>(y);
            }
            workspaceBank->addser(("y" + std::to_string(d)).c_str(), v.data(), 'y', -1);
        }
        fitStart = baseYear;
        fitEnd = testEnd = static_cast<float>(baseYear + observations - 1);
    }
    ~Workspace() { closebenchworkspace(dir); }
};

std::string terms(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += (i > from ? ", x" : "x") + std::to_string(i);
    return s;
}

void BM_Recursive(benchmark::State& state) {
    const int k = static_cast<int>(state.range(0));
    Workspace ws(k - 1, 1);
    const std::string line = "y1 = " + terms(1, k - 1);
    int status = 0;
    for (auto _ : state) {
        regZip = 'y';
        fitEnd = static_cast<float>(baseYear + observations - k);  // a first sample of k observations
        settypedline(line);
        status = recurcmd(nullptr);
        benchmark::DoNotOptimize(status);
    }
    if (status != 0) state.SkipWithError("recursive failed");
}

// The baseline: a fresh QR least-squares solve on every sample of the recursion.
void BM_LapackRecursive(benchmark::State& state) {
    const int k = static_cast<int>(state.range(0));
    std::vector<double> X(static_cast<std::size_t>(observations) * k), y(observations);
    for (int t = 0; t < observations; ++t) {
        X[t] = 1.0;
        for (int s = 1; s < k; ++s) X[static_cast<std::size_t>(s) * observations + t] = value(s, t);
        y[t] = 2.0 + noise(1, t) + value(1, t);
    }
    std::vector<double> a, b, work(static_cast<std::size_t>(64) * (k + 1) + observations);
    const int one = 1, lwork = static_cast<int>(work.size());
    for (auto _ : state) {
        for (int start = observations - k; start >= 0; --start) {
            const int m = observations - start;
            a.resize(static_cast<std::size_t>(m) * k);
            for (int s = 0; s < k; ++s)
                std::copy(X.begin() + static_cast<std::ptrdiff_t>(s) * observations + start,
                          X.begin() + static_cast<std::ptrdiff_t>(s + 1) * observations,
                          a.begin() + static_cast<std::ptrdiff_t>(s) * m);
            b.assign(y.begin() + start, y.end());
            int info = 0;
            dgels_("N", &m, &k, &one, a.data(), &m, b.data(), &m, work.data(), &lwork, &info, 1);
            benchmark::DoNotOptimize(b.data());
        }
    }
}

void BM_Sur(benchmark::State& state) {
    Workspace ws(12, 3);
    const std::vector<std::string> block = {"r y1 = " + terms(1, 4), "r y2 = " + terms(5, 8),
                                            "r y3 = " + terms(9, 12), "do"};
    int status = 0;
    addPrint = 0;
    for (auto _ : state) {
        regZip = 'y';
        // The block replayed to the reader, as the lines that follow the command.
        replayList = &block;
        replayCursor = 0;
        replayMode = 'y';
        lastChar = '\n';
        status = stackcmd(nullptr, 'u');
        benchmark::DoNotOptimize(status);
    }
    replayMode = 'n';
    replayList = nullptr;
    if (status != 0) state.SkipWithError("sur failed");
}

// The baseline: equation-by-equation QR, Sigma, and the stacked normal equations.
void BM_LapackSur(benchmark::State& state) {
    const int m = observations, k = 5, E = 3, K = E * k, one = 1;
    std::vector<std::vector<double>> X(E, std::vector<double>(static_cast<std::size_t>(m) * k)), Y(E);
    for (int e = 0; e < E; ++e) {
        Y[e].resize(m);
        for (int t = 0; t < m; ++t) {
            X[e][t] = 1.0;
            double yv = 2.0 + noise(e + 1, t);
            for (int s = 1; s < k; ++s) {
                X[e][static_cast<std::size_t>(s) * m + t] = value(4 * e + s, t);
                yv += 0.3 * value(4 * e + s, t);
            }
            Y[e][t] = yv;
        }
    }
    std::vector<double> work(static_cast<std::size_t>(64) * k + m);
    const int lwork = static_cast<int>(work.size());
    for (auto _ : state) {
        std::vector<std::vector<double>> res(E, std::vector<double>(m));
        for (int e = 0; e < E; ++e) {
            std::vector<double> a = X[e], b = Y[e];
            int info = 0;
            dgels_("N", &m, &k, &one, a.data(), &m, b.data(), &m, work.data(), &lwork, &info, 1);
            for (int t = 0; t < m; ++t) {
                double f = 0.0;
                for (int s = 0; s < k; ++s) f += b[s] * X[e][static_cast<std::size_t>(s) * m + t];
                res[e][t] = Y[e][t] - f;
            }
        }
        double S[E][E], W[E][E];
        for (int i = 0; i < E; ++i)
            for (int j = 0; j < E; ++j) {
                double v = 0.0;
                for (int t = 0; t < m; ++t) v += res[i][t] * res[j][t];
                S[i][j] = v / m;
            }
        // The inverse of Sigma by its adjugate (3 x 3).
        const double det = S[0][0] * (S[1][1] * S[2][2] - S[1][2] * S[2][1]) -
                           S[0][1] * (S[1][0] * S[2][2] - S[1][2] * S[2][0]) +
                           S[0][2] * (S[1][0] * S[2][1] - S[1][1] * S[2][0]);
        for (int i = 0; i < E; ++i)
            for (int j = 0; j < E; ++j) {
                const int r0 = (j + 1) % E, r1 = (j + 2) % E, c0 = (i + 1) % E, c1 = (i + 2) % E;
                W[i][j] = (S[r0][c0] * S[r1][c1] - S[r0][c1] * S[r1][c0]) / det;
            }
        std::vector<double> A(static_cast<std::size_t>(K) * K, 0.0), c(K, 0.0);
        for (int i = 0; i < E; ++i)
            for (int j = 0; j < E; ++j)
                for (int p = 0; p < k; ++p) {
                    const double* xp = &X[i][static_cast<std::size_t>(p) * m];
                    double sy = 0.0;
                    for (int t = 0; t < m; ++t) sy += xp[t] * Y[j][t];
                    c[i * k + p] += W[i][j] * sy;
                    for (int q = 0; q < k; ++q) {
                        const double* xq = &X[j][static_cast<std::size_t>(q) * m];
                        double s = 0.0;
                        for (int t = 0; t < m; ++t) s += xp[t] * xq[t];
                        A[static_cast<std::size_t>(j * k + q) * K + i * k + p] = W[i][j] * s;
                    }
                }
        int info = 0;
        dposv_("U", &K, &one, A.data(), &K, c.data(), &K, &info, 1);
        benchmark::DoNotOptimize(c.data());
    }
}

}  // namespace

BENCHMARK(BM_Recursive)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackRecursive)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackSur)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
