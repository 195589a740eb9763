// rs aggmatrix on one period of a 2500-sector matrix, every detailed sector mapped to one of
// 100 aggregates, beside its baseline in the same run: one period of the same element read
// from the Vam file and summed in one pass.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench resector_bench && build-bench/bench/resector_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/date.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/resector.h"
#include "matrix/rs_command.h"
#include "platform/quiet_platform.h"
#include "series/series_state.h"
#include "vam/element_access.h"
#include "vam/floatio.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

namespace {

constexpr int detailed = 2500;
constexpr int aggregates = 100;

struct Bench {
    std::string dir;
    VamFile* bank = nullptr;
    Bench() {
        char pattern[] = "/tmp/jexrsbenchXXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        dir = pattern;
        static platform::QuietPlatform quiet;
        platform::install(&quiet);
        wsStartDate = JexDate(1990, 1, 1, 13);
        addPrint = 0;
        const std::string cfg = dir + "/rs.cfg";
        std::FILE* f = std::fopen(cfg.c_str(), "w");
        std::fprintf(f, "1995 1995\nm %d %d 0 s.txt s.txt\no %d %d 0 s.txt s.txt\n", detailed, detailed,
                     aggregates, aggregates);
        std::fclose(f);
        settypedline("\"" + cfg + "\" \"" + dir + "/rs\"");
        vamcrcmd(nullptr);
        bank = new VamFile((dir + "/rs").c_str());
        if (!bank->isOpen()) std::abort();
        bankSlots[0] = bank;
        defaultVamBank = 0;
        fdate1 = fdate2 = 1995;

        std::mt19937_64 gen(2026);
        std::uniform_real_distribution<float> u(0.0f, 100.0f);
        std::vector<float> values(static_cast<std::size_t>(detailed) * detailed);
        for (float& v : values) v = u(gen);
        writefloatsat(bank->file(), bank->elementPos(bank->findser("m"), 0), values.data(),
                      static_cast<long>(values.size()));

        // the key: detailed sector s belongs to aggregate (s - 1) / 25 + 1
        const std::string key = dir + "/key.txt";
        f = std::fopen(key.c_str(), "w");
        std::fprintf(f, "%d %d\n", detailed, aggregates);
        for (int s = 1; s <= detailed; ++s) std::fprintf(f, "%d %d\n", s, (s - 1) / (detailed / aggregates) + 1);
        std::fclose(f);
        if (reSector.readKeyFile(key.c_str(), 2, detailed) != 0 ||
            reSector.formConcordance(detailed, aggregates) != 0)
            std::abort();
        // one run checked: the aggregate keeps the total of the detail
        settypedline("aggmatrix 2500 100 2500 100 m o");
        if (rscmd(nullptr) != 0) std::abort();
        Matrix<float> o;
        declarematrix(o, bank, "o");
        readmatrix(o, bank, "o", 1995);
        double total = 0, aggregated = 0;
        for (float v : values) total += v;
        for (int i = 0; i < aggregates; ++i)
            for (int j = 0; j < aggregates; ++j) aggregated += o.rowAt(i)[j];
        if (std::abs(aggregated - total) > 1e-4 * total) {
            std::fprintf(stderr, "rs aggmatrix lost the total: %g of %g\n", aggregated, total);
            std::abort();
        }
    }
};

Bench& bench() {
    static Bench b;
    return b;
}

void BM_RsAggmatrix(benchmark::State& state) {
    bench();
    for (auto _ : state) {
        settypedline("aggmatrix 2500 100 2500 100 m o");
        if (rscmd(nullptr) != 0) state.SkipWithError("rs aggmatrix failed");
    }
}
BENCHMARK(BM_RsAggmatrix)->Unit(benchmark::kMillisecond);

// The baseline: the period read into a matrix and every float summed once.
void BM_ReadAndSum(benchmark::State& state) {
    Bench& b = bench();
    Matrix<float> m;
    declarematrix(m, b.bank, "m");
    for (auto _ : state) {
        if (readmatrix(m, b.bank, "m", 1995) != 0) state.SkipWithError("read failed");
        double sum = 0;
        for (int i = 0; i < detailed; ++i) {
            const float* row = m.rowAt(i);
            for (int j = 0; j < detailed; ++j) sum += row[j];
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadAndSum)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
