// The simplex method (LPROG) on a dense program of 200 variables and 100 inequality
// constraints, phase I alone and both phases. The baseline measured in the same run is one
// reference-LAPACK inversion (dgetrf + dgetri) of a 100 x 100 matrix, the size of the basis:
// the ratio says how many basis inversions one solve costs.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/lprog.h"
#include "core/matrix.h"
#include "core/vector.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"

extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
}

namespace {

// Keeps the results window quiet while benchmarking.
using platform::QuietPlatform;

constexpr int variables = 200;
constexpr int constraints = 100;

// maximise a random positive profit under random non-negative resource rows.
struct Program {
    Matrix<double> A{constraints, variables};
    Vector<double> b{constraints, 1};
    Vector<double> c{variables, 1};
    Program() {
        std::mt19937_64 gen(2024);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        for (int i = 1; i <= constraints; ++i) {
            double rowSum = 0;
            for (int j = 1; j <= variables; ++j) rowSum += A(i, j) = u(gen);
            b[i] = 0.1 * rowSum;
        }
        for (int j = 1; j <= variables; ++j) c[j] = -u(gen);
    }
};

void runLprog(benchmark::State& state, int phaseOnly) {
    QuietPlatform quiet;
    platform::install(&quiet);
    Program p;
    int status = -1;
    for (auto _ : state) {
        Vector<double> x;
        LPROG(x, p.c, p.A, p.b, 0, &status, 10000, phaseOnly, 1e-12, 'n');
        benchmark::DoNotOptimize(x.data());
    }
    platform::install(nullptr);
    state.counters["status"] = status;
    if (status != 0) state.SkipWithError("the program was not solved");
}

void BM_LprogPhaseOne(benchmark::State& state) { runLprog(state, 1); }
void BM_LprogBothPhases(benchmark::State& state) { runLprog(state, 0); }

void BM_LapackInvertBasis(benchmark::State& state) {
    const int n = constraints;
    std::mt19937_64 gen(5);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> original(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) original[static_cast<std::size_t>(i) * n + j] = u(gen) + (i == j ? 10 : 0);
    std::vector<int> ipiv(static_cast<std::size_t>(n));
    int lwork = 64 * n, info = 0;
    std::vector<double> work(static_cast<std::size_t>(lwork)), a;
    for (auto _ : state) {
        a = original;
        dgetrf_(&n, &n, a.data(), &n, ipiv.data(), &info);
        dgetri_(&n, a.data(), &n, ipiv.data(), work.data(), &lwork, &info);
        benchmark::DoNotOptimize(a.data());
    }
}

}  // namespace

BENCHMARK(BM_LprogPhaseOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LprogBothPhases)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackInvertBasis)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
