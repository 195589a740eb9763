// The regress command over 1999 observations with k = 2 coefficients (an intercept and one
// regressor) and k = 20 (an intercept and 19), zip on (no leverage series) and a quiet
// results window: the whole road of one regression from the equation text (rcmd: the terms
// evaluated into columns, the moment matrix, the sweep, predictions, the report, and the
// six series stored in the workspace bank), read from the command buffer for each run.
//
// A variant runs the same with the workspace bank in cache mode (no file access).
//
// Baseline, measured in the same run: the reference LAPACK's least-squares solve (dgels,
// QR) of the same 1999 x k problem, coefficients only, from data already in a matrix.
#include <benchmark/benchmark.h>

#include "bench_workspace.h"

#include <cmath>
#include <cstdio>
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
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/series_state.h"

extern "C" {
void dgels_(const char* trans, const int* m, const int* n, const int* nrhs, double* a,
            const int* lda, double* b, const int* ldb, double* work, const int* lwork, int* info,
            std::size_t transLength);
}

namespace {

constexpr int observations = 1999;
constexpr int baseYear = 1900;

platform::QuietPlatform quiet;

double value(int series, int t) {
    return 10.0 + std::sin(0.37 * t * (series + 1)) + 0.01 * t * (series % 3) + 0.1 * series;
}

struct Workspace {
    std::filesystem::path dir;
    std::string equation;

    Workspace(int k, bool cached) {
        dir = openbenchworkspace(quiet, baseYear, observations);
        if (cached) workspaceBank->setCache(true);
        std::vector<float> v(2000);
        equation = "y = ";
        for (int s = 1; s < k; ++s) {
            for (int t = 0; t < observations; ++t) v[t] = static_cast<float>(value(s, t));
            const std::string name = "x" + std::to_string(s);
            workspaceBank->setFreq(1);
            workspaceBank->addser(name.c_str(), v.data(), 'y', -1);
            equation += (s > 1 ? ", " : "") + name;
        }
        for (int t = 0; t < observations; ++t) {
            double y = 2.0 + 0.5 * std::cos(1.7 * t);
            for (int s = 1; s < k; ++s) y += (0.3 + 0.01 * s) * value(s, t);
            v[t] = static_cast<float>(y);
        }
        workspaceBank->addser("y", v.data(), 'y', -1);
        fitStart = baseYear;
        fitEnd = testEnd = static_cast<float>(baseYear + observations - 1);
        regZip = 'y';
    }
    ~Workspace() { closebenchworkspace(dir); }
};

void runRegressions(benchmark::State& state, bool cached) {
    const int k = static_cast<int>(state.range(0));
    Workspace ws(k, cached);
    int status = 0;
    for (auto _ : state) {
        settypedline(ws.equation);
        status = rcmd(nullptr);
        benchmark::DoNotOptimize(status);
    }
    if (status != 0) state.SkipWithError("the regression failed");
    if (regressionResults["ncoef"] != static_cast<float>(k)) state.SkipWithError("wrong coefficient count");
    if (regressionResults["obs_in_regress"] != static_cast<float>(observations))
        state.SkipWithError("wrong observation count");
}

void BM_Regress(benchmark::State& state) { runRegressions(state, false); }
// The workspace in cache mode: the series live in memory and no file is touched, which
// isolates the regression's own work from the six stores of its series.
void BM_RegressCachedWorkspace(benchmark::State& state) { runRegressions(state, true); }

void BM_LapackLeastSquares(benchmark::State& state) {
    const int k = static_cast<int>(state.range(0));
    const int m = observations, one = 1;
    std::vector<double> x(static_cast<std::size_t>(m) * k), y(m);
    for (int t = 0; t < m; ++t) {
        x[t] = 1.0;
        double v = 2.0 + 0.5 * std::cos(1.7 * t);
        for (int s = 1; s < k; ++s) {
            x[static_cast<std::size_t>(s) * m + t] = value(s, t);
            v += (0.3 + 0.01 * s) * value(s, t);
        }
        y[t] = v;
    }
    int lwork = -1, info = 0;
    double query = 0;
    std::vector<double> a = x, b = y;
    dgels_("N", &m, &k, &one, a.data(), &m, b.data(), &m, &query, &lwork, &info, 1);
    lwork = static_cast<int>(query);
    std::vector<double> work(lwork);
    for (auto _ : state) {
        a = x;
        b = y;
        dgels_("N", &m, &k, &one, a.data(), &m, b.data(), &m, work.data(), &lwork, &info, 1);
        benchmark::DoNotOptimize(b.data());
    }
    if (info != 0) state.SkipWithError("dgels failed");
}

}  // namespace

BENCHMARK(BM_LapackLeastSquares)->Arg(2)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Regress)->Arg(2)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RegressCachedWorkspace)->Arg(2)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
