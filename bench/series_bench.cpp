// The f command over a long workspace: 10,000 statements of a few operators each, read from
// an add file with addprint off (through the add command's runner and the command loop),
// each evaluated over 1999 observations and stored in the workspace bank under one of 50
// names in turn (after the first 50 statements every store replaces an existing series,
// which leaves the bank's index unchanged).
//
// Variants: the bank as it runs (records kept in memory and written through, each write
// handed to the OS before the statement ends), the same without the record cache (every
// fetch reads the file), the same with fsync of every write (JexBank::syncWrites), and the
// workspace in cache mode (no file access at all), which isolates the cost of reading and
// evaluating.
//
// Baseline, measured in the same run: the same arithmetic as a plain loop over three arrays,
// without reading, parsing, missing-value tests or storing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/quiet_platform.h"
#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "interp/addfile.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "series/series_commands.h"
#include "series/series_state.h"

namespace {

constexpr int statements = 10000;
constexpr int names = 50;
constexpr int observations = 1999;

platform::QuietPlatform quiet;

struct Workspace {
    std::filesystem::path dir;
    std::string addFile;

    bool oldSync = JexBank::syncWrites;
    std::size_t oldLimit = JexBank::recordCacheLimit;

    Workspace(bool sync, bool cached, bool records = true) {
        char pattern[] = "/tmp/jexbenchXXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        dir = pattern;
        platform::install(&quiet);
        resetinterpstate();
        resetbankslots();
        resetseriesstate();
        JexBank::syncWrites = sync;
        if (!records) JexBank::recordCacheLimit = 0;
        wsBaseYear = 1000;
        wsMaxObs = observations;
        wsFirstMonth = 1;
        cfgFirstMonth = 1;
        wsStartDate = JexDate(1000, 1, 1, 13);
        setWorkspaceBank(new JexBank((dir / "ws").c_str(), "New", 1000, observations, 1));
        if (cached) workspaceBank->setCache(true);
        std::vector<float> v(2000);
        const char* inputs[] = {"a", "b", "c"};
        for (int k = 0; k < 3; ++k) {
            for (int i = 0; i < observations; ++i) v[i] = 1.0f + 0.001f * static_cast<float>((i * (k + 3)) % 997);
            workspaceBank->setFreq(1);
            workspaceBank->addser(inputs[k], v.data(), 'y', -1);
        }
        addFile = (dir / "many.add").string();
        std::FILE* f = std::fopen(addFile.c_str(), "w");
        const char* forms[] = {"(a + b) * c - a / 2", "a * b + c", "(a - c) / (b + 1)", "2 * a + b * c - 3"};
        for (int s = 0; s < statements; ++s) std::fprintf(f, "f x%d = %s\n", s % names, forms[s % 4]);
        std::fclose(f);
    }
    ~Workspace() {
        resetbankslots();
        resetinterpstate();
        JexBank::syncWrites = oldSync;
        JexBank::recordCacheLimit = oldLimit;
        platform::install(nullptr);
        std::filesystem::remove_all(dir);
    }
};

// Runs the add file through the add command's runner and the command loop, with addprint
// off; returns the runner's status (0 when every statement succeeded: a failing statement
// ends the run with -1).
int runstatements(const std::string& path) {
    settypedline("");
    std::FILE* none = nullptr;
    return runaddfile(path.c_str(), &none, 1);
}

void runStatements(benchmark::State& state, bool sync, bool cached = false, bool records = true) {
    Workspace ws(sync, cached, records);
    int status = 0;
    for (auto _ : state) {
        status = runstatements(ws.addFile);
        benchmark::DoNotOptimize(status);
    }
    if (status != 0) state.SkipWithError("a statement failed");
    if (workspaceBank->findser("x49") < 0) state.SkipWithError("the statements did not run");
    state.SetItemsProcessed(state.iterations() * statements);
    state.counters["us_per_statement"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * statements,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_FStatements(benchmark::State& state) { runStatements(state, false); }
// Every fetch read from the file (no record cache), as the bank did before it kept records.
void BM_FStatementsUncached(benchmark::State& state) { runStatements(state, false, false, false); }
void BM_FStatementsSynced(benchmark::State& state) { runStatements(state, true); }
// The workspace in cache mode: the series live in memory, no file is touched.
void BM_FStatementsCached(benchmark::State& state) { runStatements(state, false, true); }

void BM_PlainArithmetic(benchmark::State& state) {
    std::vector<float> a(2000), b(2000), c(2000), out(2000);
    for (int i = 0; i < observations; ++i) {
        a[i] = 1.0f + 0.001f * static_cast<float>(i % 997);
        b[i] = 2.0f + 0.002f * static_cast<float>(i % 991);
        c[i] = 3.0f;
    }
    for (auto _ : state) {
        for (int s = 0; s < statements; ++s) {
            for (int i = 0; i < observations; ++i) out[i] = (a[i] + b[i]) * c[i] - a[i] / 2;
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * statements);
}

}  // namespace

BENCHMARK(BM_PlainArithmetic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FStatements)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FStatementsUncached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FStatementsCached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FStatementsSynced)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
