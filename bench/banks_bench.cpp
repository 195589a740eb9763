// Workspace bank: storing and fetching 9,000 series of 1999 observations by name.
// Baselines measured in the same run: writing and reading the same records with pwrite/pread
// at their offsets (the cost of the bytes alone, from the page cache), so that the bank's own
// cost (name look-up, index rewrite, flushing) shows as a ratio.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench banks_bench && build-bench/bench/banks_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "core/bytes.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/printout.h"
#include "platform/scripted_platform.h"

namespace {

constexpr int seriesCount = 9000;
constexpr int obs = 1999;
constexpr int recordSize = 4 * obs + 1;

std::string dir() {
    static std::string d = [] {
        char pattern[] = "/tmp/jexbankbenchXXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        return std::string(pattern);
    }();
    return d;
}

std::string name(int i) {
    char b[16];
    std::snprintf(b, sizeof b, "s%04d", i);
    return b;
}

void calendar() {
    wsStartDate = JexDate(1990, 1, 1, 13);
    wsBaseYear = 1990;
    wsFirstMonth = 1;
    wsMaxObs = obs;
}

// Order in which series are fetched: shuffled, the same in every benchmark.
const std::vector<int>& order() {
    static std::vector<int> o = [] {
        std::vector<int> v(seriesCount);
        std::iota(v.begin(), v.end(), 0);
        std::shuffle(v.begin(), v.end(), std::mt19937(1990));
        return v;
    }();
    return o;
}

// The bank that the fetch benchmarks read, built once.
const std::string& readbank() {
    static std::string stem = [] {
        calendar();
        std::string s = dir() + "/read";
        const bool sync = JexBank::syncWrites;
        JexBank::syncWrites = false;
        JexBank bank(s.c_str(), "New", 1990, obs, 1, 1);
        bank.setFreq(1);
        std::vector<float> v(obs);
        for (int i = 0; i < seriesCount; ++i) {
            std::fill(v.begin(), v.end(), static_cast<float>(i));
            bank.addser(name(i).c_str(), v.data(), i + 1 == seriesCount ? 'y' : 'n');
        }
        JexBank::syncWrites = sync;
        return s;
    }();
    return stem;
}

void storeall(benchmark::State& state, bool sync) {
    calendar();
    const bool oldSync = JexBank::syncWrites;
    JexBank::syncWrites = sync;
    std::vector<float> v(obs, 1.5f);
    std::vector<std::string> names(seriesCount);
    for (int i = 0; i < seriesCount; ++i) names[i] = name(i);
    for (auto _ : state) {
        const std::string stem = dir() + "/store";
        JexBank bank(stem.c_str(), "New", 1990, obs, 1, 1);
        bank.setFreq(1);
        for (int i = 0; i < seriesCount; ++i)
            if (bank.addser(names[i].c_str(), v.data(), 'y') < 0) state.SkipWithError("addser");
    }
    JexBank::syncWrites = oldSync;
    state.SetItemsProcessed(state.iterations() * seriesCount);
}

void BM_StoreSeries_Synced(benchmark::State& state) { storeall(state, true); }
void BM_StoreSeries_Flushed(benchmark::State& state) { storeall(state, false); }

// Baseline of the stores: the same records written with pwrite, nothing else.
void BM_Baseline_WriteRecords(benchmark::State& state) {
    std::vector<unsigned char> record(recordSize, 1);
    const std::string path = dir() + "/raw.bnk";
    for (auto _ : state) {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        for (int i = 0; i < seriesCount; ++i)
            if (pwrite(fd, record.data(), recordSize, 86 + static_cast<off_t>(i) * recordSize) !=
                recordSize)
                state.SkipWithError("pwrite");
        close(fd);
    }
    state.SetItemsProcessed(state.iterations() * seriesCount);
}

void BM_FetchByName(benchmark::State& state) {
    calendar();
    JexBank bank(readbank().c_str(), "Read", 1965, 200, 1, 1);
    std::vector<float> v(seriesArrayLength);
    std::vector<std::string> names(seriesCount);
    for (int i = 0; i < seriesCount; ++i) names[i] = name(i);
    for (auto _ : state) {
        for (int i : order()) {
            if (bank.getser(names[i].c_str(), v.data(), -1) != 0 || v[0] != static_cast<float>(i))
                state.SkipWithError("getser");
        }
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * seriesCount);
}

// Fetches every series through the series look-up of the commands (the workspace searched
// first), with the workspace bank opened in the given mode.
void fetchAllThroughLookup(benchmark::State& state, const char* mode) {
    calendar();
    platform::ScopedScriptedPlatform quiet;
    setWorkspaceBank(new JexBank(readbank().c_str(), mode, 1965, 200, 1, 1));
    std::vector<float> v(seriesArrayLength);
    std::vector<std::string> names(seriesCount);
    for (int i = 0; i < seriesCount; ++i) names[i] = name(i);
    char* text = nullptr;
    for (auto _ : state) {
        for (int i : order())
            if (fetchseries(names[i].c_str(), v.data(), text, nullptr, 0) != 0)
                state.SkipWithError("fetchseries");
        benchmark::DoNotOptimize(v.data());
    }
    delete workspaceBank;
    setWorkspaceBank(nullptr);
    state.SetItemsProcessed(state.iterations() * seriesCount);
}

// The look-up on a bank opened for reading: every fetch reads the file.
void BM_FetchSeries(benchmark::State& state) { fetchAllThroughLookup(state, "Read"); }

// The same look-up on a workspace opened for writing, as the workspace bank always is: its
// records are kept in memory (written through), so after the first pass a fetch copies
// from memory instead of reading the file.
void BM_FetchSeriesWorkspace(benchmark::State& state) { fetchAllThroughLookup(state, "ReadWrite"); }

// Baseline of the fetches: each record read with pread at its offset (page cache), decoded.
void BM_Baseline_ReadRecords(benchmark::State& state) {
    const std::string path = readbank() + ".bnk";
    int fd = open(path.c_str(), O_RDONLY);
    std::vector<unsigned char> record(recordSize);
    std::vector<float> v(seriesArrayLength);
    for (auto _ : state) {
        for (int i : order()) {
            if (pread(fd, record.data(), recordSize, 86 + static_cast<off_t>(i) * recordSize) !=
                recordSize)
                state.SkipWithError("pread");
            for (int k = 0; k < obs; ++k) v[k] = bytes::getF32(&record[1 + 4 * k]);
        }
        benchmark::DoNotOptimize(v.data());
    }
    close(fd);
    state.SetItemsProcessed(state.iterations() * seriesCount);
}

}  // namespace

BENCHMARK(BM_Baseline_WriteRecords)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoreSeries_Flushed)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_StoreSeries_Synced)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Baseline_ReadRecords)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchByName)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchSeries)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchSeriesWorkspace)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir());
    return 0;
}
