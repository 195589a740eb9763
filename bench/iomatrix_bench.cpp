// The matrix commands on one 500-sector period of a Vam bank, each beside its baseline in
// the same run: linv (load, Leontief inverse in place, store) and minv against the reference
// LAPACK dgetrf + dgetri on the same matrix, mmult * of two 500 x 500 matrices against the
// reference BLAS dgemm (one thread).
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench iomatrix_bench && build-bench/bench/iomatrix_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/date.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/arith.h"
#include "matrix/inverse.h"
#include "platform/quiet_platform.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
void dgemm_(const char* ta, const char* tb, const int* m, const int* n, const int* k,
            const double* alpha, const double* a, const int* lda, const double* b, const int* ldb,
            const double* beta, double* c, const int* ldc, std::size_t, std::size_t);
}

namespace {

constexpr int side = 500;

// Input coefficients: columns summing to about 0.9, so I - A is well conditioned.
std::vector<float> coefficients() {
    std::mt19937_64 gen(2024);
    std::uniform_real_distribution<float> u(0.0f, 1.8f / side);
    std::vector<float> a(static_cast<std::size_t>(side) * side);
    for (float& v : a) v = u(gen);
    return a;
}

struct Bench {
    std::string dir;
    VamFile* bank = nullptr;
    std::vector<float> a = coefficients();
    Bench() {
        char pattern[] = "/tmp/jexiobenchXXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        dir = pattern;
        static platform::QuietPlatform quiet;
        platform::install(&quiet);
        wsStartDate = JexDate(1990, 1, 1, 13);
        addPrint = 0;
        const std::string cfg = dir + "/io.cfg";
        std::FILE* f = std::fopen(cfg.c_str(), "w");
        std::fprintf(f, "1995 1995\n");
        for (const char* n : {"a", "b", "r"}) std::fprintf(f, "%s %d %d 0 s.txt s.txt\n", n, side, side);
        std::fclose(f);
        settypedline("\"" + cfg + "\" \"" + dir + "/io\"");
        vamcrcmd(nullptr);
        bank = new VamFile((dir + "/io").c_str());
        if (!bank->isOpen()) std::abort();
        fdate1 = fdate2 = 1995;
        reset("a");
        reset("b");
    }
    // Puts the coefficients back into an element.
    void reset(const char* name) {
        const int i = bank->findser(name);
        writefloatsat(bank->file(), bank->elementPos(i, 0), a.data(), static_cast<long>(a.size()));
    }
    int run(int (*handler)(DataBank*, std::FILE*), const char* line) {
        settypedline(line);
        return handler(bank, nullptr);
    }
};

Bench& bench() {
    static Bench b;
    return b;
}

void BM_Linv(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) {
        state.PauseTiming();
        b.reset("r");
        state.ResumeTiming();
        if (b.run(linvcmd, "r 1995") != 0) state.SkipWithError("linv failed");
    }
}
BENCHMARK(BM_Linv)->Unit(benchmark::kMillisecond);

void BM_Minv(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) {
        state.PauseTiming();
        b.reset("r");
        state.ResumeTiming();
        if (b.run(minvcmd, "r 1995") != 0) state.SkipWithError("minv failed");
    }
}
BENCHMARK(BM_Minv)->Unit(benchmark::kMillisecond);

// The baseline of both: I - A inverted by the reference LAPACK in double.
void BM_LapackInverse(benchmark::State& state) {
    const std::vector<float>& a = bench().a;
    std::vector<double> original(a.size());
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            original[static_cast<std::size_t>(j) * side + i] =
                (i == j ? 1.0 : 0.0) - a[static_cast<std::size_t>(i) * side + j];
    std::vector<int> ipiv(side);
    const int n = side;
    int lwork = -1, info = 0;
    double query = 0;
    dgetri_(&n, original.data(), &n, ipiv.data(), &query, &lwork, &info);
    lwork = static_cast<int>(query);
    std::vector<double> work(static_cast<std::size_t>(lwork));
    for (auto _ : state) {
        std::vector<double> m = original;
        dgetrf_(&n, &n, m.data(), &n, ipiv.data(), &info);
        dgetri_(&n, m.data(), &n, ipiv.data(), work.data(), &lwork, &info);
        benchmark::DoNotOptimize(m.data());
    }
}
BENCHMARK(BM_LapackInverse)->Unit(benchmark::kMillisecond);

void BM_Mmult(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state)
        if (b.run(mmultcmd, "r = a * b 1995") != 0) state.SkipWithError("mmult failed");
}
BENCHMARK(BM_Mmult)->Unit(benchmark::kMillisecond);

void BM_BlasProduct(benchmark::State& state) {
    const std::vector<float>& a = bench().a;
    std::vector<double> x(a.begin(), a.end()), y(a.begin(), a.end()), c(a.size());
    const int n = side;
    const double one = 1, zero = 0;
    for (auto _ : state) {
        dgemm_("N", "N", &n, &n, &n, &one, x.data(), &n, y.data(), &n, &zero, c.data(), &n, 1, 1);
        benchmark::DoNotOptimize(c.data());
    }
}
BENCHMARK(BM_BlasProduct)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
