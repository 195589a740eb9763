// Hashed bank: look-ups by name in a bank of 65,000 series.
// Baseline measured in the same run: the same names looked up in a std::unordered_map of
// std::string (a plain in-memory hash table), so that the bank's own cost shows as a ratio.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench hashbank_bench && build-bench/bench/hashbank_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "banks/compbank.h"
#include "banks/hashbank.h"
#include "banks/slots.h"
#include "core/bytes.h"
#include "core/date.h"
#include "platform/scripted_platform.h"

namespace {

constexpr int seriesCount = 65000;
constexpr int bucketCount = 8191;

struct Fixture {
    std::string stem;
    std::vector<std::string> names;    // in a shuffled look-up order
    Fixture() {
        char pattern[] = "/tmp/jexhashbenchXXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        stem = std::string(pattern) + "/big";
        wsStartDate = JexDate(1960, 1, 1, 13);
        wsBaseYear = 1960;
        wsMaxObs = 1999;
        std::vector<std::vector<std::pair<std::string, std::int32_t>>> buckets(bucketCount);
        bytes::ByteWriter data;
        data.fixedText("Benchmark bank", 80);
        data.i16(static_cast<std::int16_t>(seriesCount));  // does not fit: the hash file's count is used
        std::vector<float> values(60);
        for (int i = 0; i < seriesCount; ++i) {
            std::string name = "ser" + std::to_string(i) + (i % 3 ? "q" : "a");
            for (int k = 0; k < 60; ++k) values[k] = static_cast<float>(i + k);
            const auto record = encodepackedrecord(1960, 1, 1, 255, values);
            buckets[HashBank::hashvalue(name.c_str()) % bucketCount].push_back(
                {name, static_cast<std::int32_t>(data.size())});
            data.raw(record.data(), record.size());
            names.push_back(name);
        }
        std::FILE* f = std::fopen((stem + ".hbk").c_str(), "wb");
        std::fwrite(data.data().data(), 1, data.size(), f);
        std::fclose(f);
        bytes::ByteWriter h;
        h.i32(seriesCount);
        h.u16(bucketCount);
        std::vector<bytes::ByteWriter> blocks(bucketCount);
        for (int b = 0; b < bucketCount; ++b)
            for (const auto& [n, p] : buckets[b]) blocks[b].name(n.c_str());
        for (int b = 0; b < bucketCount; ++b) h.u16(static_cast<std::uint16_t>(buckets[b].size()));
        for (int b = 0; b < bucketCount; ++b) h.u16(static_cast<std::uint16_t>(blocks[b].size()));
        std::uint32_t at = 6 + 8 * bucketCount;
        for (int b = 0; b < bucketCount; ++b) {
            h.u32(at);
            at += static_cast<std::uint32_t>(blocks[b].size() + 4 * buckets[b].size());
        }
        for (int b = 0; b < bucketCount; ++b) {
            h.raw(blocks[b].data().data(), blocks[b].size());
            for (const auto& [n, p] : buckets[b]) h.i32(p);
        }
        f = std::fopen((stem + ".hin").c_str(), "wb");
        std::fwrite(h.data().data(), 1, h.size(), f);
        std::fclose(f);
        std::shuffle(names.begin(), names.end(), std::mt19937(7));
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_UnorderedMapLookup(benchmark::State& state) {
    auto& fx = fixture();
    std::unordered_map<std::string, int> map;
    for (std::size_t i = 0; i < fx.names.size(); ++i) map.emplace(fx.names[i], static_cast<int>(i));
    std::size_t i = 0;
    for (auto _ : state) {
        auto it = map.find(fx.names[i].c_str());  // from a C string, as the bank gets it
        benchmark::DoNotOptimize(it);
        if (++i == fx.names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_HashBankFindser(benchmark::State& state) {
    auto& fx = fixture();
    platform::ScopedScriptedPlatform quiet;
    HashBank bank(fx.stem.c_str(), 1);
    if (!bank.isOpen() || bank.seriesCount() != seriesCount) {
        state.SkipWithError("bank did not open");
        return;
    }
    std::size_t i = 0;
    for (auto _ : state) {
        int p = bank.findser(fx.names[i].c_str());
        benchmark::DoNotOptimize(p);
        if (++i == fx.names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_HashBankGetser(benchmark::State& state) {
    auto& fx = fixture();
    platform::ScopedScriptedPlatform quiet;
    HashBank bank(fx.stem.c_str(), 1);
    std::vector<float> v(seriesArrayLength);
    std::size_t i = 0;
    for (auto _ : state) {
        int r = bank.getser(fx.names[i].c_str(), v.data(), -1);
        benchmark::DoNotOptimize(r);
        if (++i == fx.names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_UnorderedMapLookup);
BENCHMARK(BM_HashBankFindser);
BENCHMARK(BM_HashBankGetser);
BENCHMARK_MAIN();
