// RAS balancing, each beside a baseline of the same run: the first iteration of ras (column
// pass, row pass, discrepancy) on a dense 500 x 500 matrix against one summing pass over its
// 250,000 doubles; a whole ras of a 500 x 500 period of a Vam bank to 2e-6 with ras.log (its
// iteration count reported); one pmras iteration on a packed 10000 x 10000 matrix at 1%
// density against one summing pass over its values.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench balancing_bench && build-bench/bench/balancing_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/date.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/pmras.h"
#include "matrix/ras.h"
#include "platform/quiet_platform.h"
#include "platform/scripted_platform.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

namespace {

constexpr int side = 500;

// Positive flows and the controls of a biproportional rescaling of them (so a solution
// exists): row i times 0.5..1.5, column j times 0.5..1.5.
struct Dense {
    std::vector<double> flows, rows, cols;
    Dense() {
        std::mt19937_64 gen(7);
        std::uniform_real_distribution<double> u(0.1, 10.0), f(0.5, 1.5);
        flows.resize(static_cast<std::size_t>(side) * side);
        for (double& v : flows) v = u(gen);
        std::vector<double> a(side), b(side);
        for (double& v : a) v = f(gen);
        for (double& v : b) v = f(gen);
        rows.assign(side, 0.0);
        cols.assign(side, 0.0);
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j) {
                const double x = a[static_cast<std::size_t>(i)] * flows[static_cast<std::size_t>(i) * side + j] *
                                 b[static_cast<std::size_t>(j)];
                rows[static_cast<std::size_t>(i)] += x;
                cols[static_cast<std::size_t>(j)] += x;
            }
    }
};

const Dense& dense() {
    static Dense d;
    return d;
}

std::vector<std::int16_t> oneto(int n) {
    std::vector<std::int16_t> g;
    for (int k = 1; k <= n; ++k) g.push_back(static_cast<std::int16_t>(k));
    return g;
}

void BM_SumPass(benchmark::State& state) {
    const std::vector<double>& v = dense().flows;
    for (auto _ : state) {
        double s = 0;
        for (double x : v) s += x;
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_SumPass)->Unit(benchmark::kMicrosecond);

// mode 0: ras (pscalesolve), 1: rdras (rdscalecore).
void BM_RasIteration(benchmark::State& state) {
    static platform::QuietPlatform quiet;
    platform::install(&quiet);
    const Dense& d = dense();
    BalanceTable t;
    t.resize(side, side);
    for (int i = 1; i <= side; ++i) {
        t.r[static_cast<std::size_t>(i)] = d.rows[static_cast<std::size_t>(i - 1)];
        t.c[static_cast<std::size_t>(i)] = d.cols[static_cast<std::size_t>(i - 1)];
        for (int j = 1; j <= side; ++j) t.at(i, j) = d.flows[static_cast<std::size_t>(i - 1) * side + (j - 1)];
    }
    const auto g = oneto(side);
    const int mode = static_cast<int>(state.range(0));
    // Every time the first iteration from the flows: repeated on the same table the lines
    // would soon be at their controls and the scaling would leave them at once.
    const std::vector<double> flows = t.a;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(flows.begin(), flows.end(), t.a.begin());
        state.ResumeTiming();
        benchmark::DoNotOptimize(rasiteration(t, g, g, mode));
    }
    platform::install(nullptr);
}
BENCHMARK(BM_RasIteration)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The whole command on a Vam bank: load, iterate to 2e-6 with ras.log, store.
void BM_RasWhole(benchmark::State& state) {
    const Dense& d = dense();
    std::string pattern = "/tmp/jexrasbenchXXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(pattern);
    platform::ScriptedPlatform screen;
    platform::install(&screen);
    wsStartDate = JexDate(1990, 1, 1, 13);
    addPrint = 0;
    std::FILE* f = std::fopen("b.cfg", "w");
    std::fprintf(f, "1995 1995\nm %d %d 0 s.txt s.txt\nr %d 1 0 s.txt\nc %d 1 0 s.txt\n", side,
                 side, side, side);
    std::fclose(f);
    settypedline("b.cfg b");
    vamcrcmd(nullptr);
    {
        VamFile bank("b");
        std::vector<float> r(d.rows.begin(), d.rows.end()), c(d.cols.begin(), d.cols.end());
        writefloatsat(bank.file(), bank.elementPos(bank.findser("r"), 0), r.data(), side);
        writefloatsat(bank.file(), bank.elementPos(bank.findser("c"), 0), c.data(), side);
    }
    const std::vector<float> flows(d.flows.begin(), d.flows.end());
    VamFile bank("b");
    const int m = bank.findser("m");
    int iterations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        writefloatsat(bank.file(), bank.elementPos(m, 0), flows.data(), static_cast<long>(flows.size()));
        screen.lines.clear();
        state.ResumeTiming();
        settypedline("m r c 1995");
        if (rascmd(&bank, nullptr, 0) != 0) state.SkipWithError("ras failed");
        state.PauseTiming();
        // The last table line before the closing lines carries the iteration count.
        for (const std::string& line : screen.lines)
            if (line.size() > 4 && line[0] == ' ' && std::isdigit(static_cast<unsigned char>(line[3])))
                iterations = std::atoi(line.c_str());
        state.ResumeTiming();
    }
    state.counters["iterations"] = iterations;
    platform::install(nullptr);
    std::filesystem::current_path(old);
    std::filesystem::remove_all(pattern);
}
BENCHMARK(BM_RasWhole)->Unit(benchmark::kMillisecond);

// A packed 10000 x 10000 matrix with 100 cells in every row (1%), columns spread at random.
struct Packed {
    mframe::PackedCells cells;
    std::vector<float> values, rows, cols;
    Packed() {
        const int n = 10000, perRow = 100;
        std::mt19937_64 gen(11);
        std::uniform_int_distribution<int> col(1, n);
        std::uniform_real_distribution<float> u(0.1f, 10.0f);
        cells.rows = cells.cols = n;
        cells.rowStart.push_back(0);
        for (int i = 0; i < n; ++i) {
            std::vector<int> cs;
            while (static_cast<int>(cs.size()) < perRow) {
                const int c = col(gen);
                if (std::find(cs.begin(), cs.end(), c) == cs.end()) cs.push_back(c);
            }
            std::sort(cs.begin(), cs.end());
            for (int c : cs) cells.column.push_back(c);
            cells.rowStart.push_back(static_cast<int>(cells.column.size()));
        }
        values.resize(cells.column.size());
        for (float& v : values) v = u(gen);
        rows.assign(n, 0.0f);
        cols.assign(n, 0.0f);
        for (int i = 0; i < n; ++i)
            for (int k = cells.rowStart[static_cast<std::size_t>(i)]; k < cells.rowStart[static_cast<std::size_t>(i) + 1]; ++k) {
                const float x = values[static_cast<std::size_t>(k)] * (0.5f + (i % 7) / 7.0f);
                rows[static_cast<std::size_t>(i)] += x;
                cols[static_cast<std::size_t>(cells.column[static_cast<std::size_t>(k)] - 1)] += x;
            }
    }
};

const Packed& packed() {
    static Packed p;
    return p;
}

void BM_PackedSumPass(benchmark::State& state) {
    const std::vector<float>& v = packed().values;
    for (auto _ : state) {
        float s = 0;
        for (float x : v) s += x;
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_PackedSumPass)->Unit(benchmark::kMicrosecond);

void BM_PmrasIteration(benchmark::State& state) {
    const Packed& p = packed();
    std::vector<float> values = p.values, work(static_cast<std::size_t>(p.cells.cols));
    for (auto _ : state) {
        benchmark::DoNotOptimize(pmrascolumns(p.cells, values, p.cols, work));
        benchmark::DoNotOptimize(pmrasrows(p.cells, values, p.rows));
    }
}
BENCHMARK(BM_PmrasIteration)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
