// The xl command on the widest and longest sheet: 256 workspace series of 1999 observations
// written down columns A..IV by one xl write each, saved, opened again and read back by one
// xl read each into new series. The commands go through xlcmd as a typed line would. The
// baseline, measured in the same run, is the block benchmark of the link (xlsx_bench): the
// same 1999 x 256 numbers put by one range assignment, saved, opened and read by one range
// read. The target is a cost per cell of at most 1.5 times the block's.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench xl_bench && build-bench/bench/xl_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/bench_workspace.h"
#include "core/missing.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"

namespace {

constexpr int observations = 1999;
constexpr int columns = 256;
constexpr int baseYear = 1990;  // 1990 .. 3988

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

float value(int t, int k) { return static_cast<float>(t) * 0.5f + static_cast<float>(k) / 8.0f; }

// One typed line: the command word, as the command loop reads it, then xlcmd.
int run(const std::string& line) {
    settypedline(line);
    char word[78];
    gettoken(word, nullptr, 0, sizeof word);
    return xlcmd(nullptr);
}

void BM_XlWriteAndReadSeries(benchmark::State& state) {
    platform::QuietPlatform quiet;
    const auto dir = openbenchworkspace(quiet, baseYear, observations);
    std::vector<float> series(2000, MISSING);
    for (int k = 0; k < columns; ++k) {
        for (int t = 0; t < observations; ++t) series[static_cast<std::size_t>(t)] = value(t, k);
        workspaceBank->setFreq(1);
        workspaceBank->addser(("s" + std::to_string(k)).c_str(), series.data(), 'n', -1);
    }
    // File names are words of the command line: work in the workspace's directory.
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    const std::string file = "series.xlsx";
    const std::string dates = " " + std::to_string(baseYear) + " " + std::to_string(baseYear + observations - 1);
    double write = 0, read = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        bool ok = run("xl create wb") == 0;
        for (int k = 0; ok && k < columns; ++k)
            ok = run("xl write " + colletters(k + 1) + " 1 d s" + std::to_string(k) + dates) == 0;
        ok = ok && run("xl save " + file) == 0 && run("xl exit") == 0;
        auto t1 = std::chrono::steady_clock::now();
        ok = ok && run("xl open " + file) == 0;
        for (int k = 0; ok && k < columns; ++k)
            ok = run("xl read " + colletters(k + 1) + " 1 d r" + std::to_string(k) + dates) == 0;
        ok = ok && run("xl exit") == 0;
        auto t2 = std::chrono::steady_clock::now();
        if (!ok) state.SkipWithError("an xl command failed");
        // The last series read holds what the last one written held.
        std::vector<float> back(2000);
        if (workspaceBank->getser(("r" + std::to_string(columns - 1)).c_str(), back.data(), -1) != 0 ||
            back[observations - 1] != value(observations - 1, columns - 1))
            state.SkipWithError("read back differs");
        write += seconds(t0, t1);
        read += seconds(t1, t2);
    }
    const double cells = static_cast<double>(observations) * columns * static_cast<double>(state.iterations());
    state.counters["write_s"] = write / static_cast<double>(state.iterations());
    state.counters["read_s"] = read / static_cast<double>(state.iterations());
    state.counters["ns_per_cell"] = (write + read) / cells * 1e9;
    std::filesystem::current_path(home);
    closebenchworkspace(dir);
}
BENCHMARK(BM_XlWriteAndReadSeries)->Unit(benchmark::kMillisecond)->Iterations(3);

// xl font and xl border on 500 ranges of 10 x 10 cells (25 across, 20 down), then xl save;
// against one xl write of a 1999-observation series, measured in the same run.
void BM_XlFontAndBorder(benchmark::State& state) {
    platform::QuietPlatform quiet;
    const auto dir = openbenchworkspace(quiet, baseYear, observations);
    std::vector<float> series(2000, MISSING);
    for (int t = 0; t < observations; ++t) series[static_cast<std::size_t>(t)] = value(t, 0);
    workspaceBank->setFreq(1);
    workspaceBank->addser("s0", series.data(), 'n', -1);
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::vector<std::string> ranges;
    for (int down = 0; down < 20; ++down)
        for (int across = 0; across < 25; ++across)
            ranges.push_back(colletters(across * 10 + 1) + " " + std::to_string(down * 10 + 1) + " " +
                             colletters(across * 10 + 10) + " " + std::to_string(down * 10 + 10));
    double font = 0, border = 0, save = 0, write = 0;
    for (auto _ : state) {
        bool ok = run("xl create wb") == 0;
        auto t0 = std::chrono::steady_clock::now();
        for (const std::string& r : ranges) ok = ok && run("xl font " + r + " bold italic red 14") == 0;
        auto t1 = std::chrono::steady_clock::now();
        for (const std::string& r : ranges) ok = ok && run("xl border " + r + " thick continuous Red") == 0;
        auto t2 = std::chrono::steady_clock::now();
        ok = ok && run("xl save styled.xlsx") == 0;
        auto t3 = std::chrono::steady_clock::now();
        ok = ok && run("xl write A 1 d s0 " + std::to_string(baseYear) + " " +
                       std::to_string(baseYear + observations - 1)) == 0;
        auto t4 = std::chrono::steady_clock::now();
        ok = ok && run("xl exit") == 0;
        if (!ok) state.SkipWithError("an xl command failed");
        font += seconds(t0, t1);
        border += seconds(t1, t2);
        save += seconds(t2, t3);
        write += seconds(t3, t4);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["font_us"] = font / n / 500 * 1e6;
    state.counters["border_us"] = border / n / 500 * 1e6;
    state.counters["save_ms"] = save / n * 1e3;
    state.counters["write1999_us"] = write / n * 1e6;
    std::filesystem::current_path(home);
    closebenchworkspace(dir);
}
BENCHMARK(BM_XlFontAndBorder)->Unit(benchmark::kMillisecond)->Iterations(5);

// The block benchmark of the link, as xlsx_bench runs it.
void BM_LinkBlock(benchmark::State& state) {
    platform::QuietPlatform quiet;
    const auto dir = openbenchworkspace(quiet, baseYear, observations);
    std::vector<xlmodel::Value> block;
    block.reserve(static_cast<std::size_t>(observations) * columns);
    for (int t = 0; t < observations; ++t)
        for (int k = 0; k < columns; ++k) block.push_back(xlmodel::Value::num(value(t, k)));
    const std::string file = (dir / "block.xlsx").string();
    double total = 0;
    for (auto _ : state) {
        Excel x;
        auto t0 = std::chrono::steady_clock::now();
        x.OpenWorkbook("");
        x.worksheet()->setValues(1, 1, observations, columns, block);
        if (x.saveAs(file, "", 2) != 0 || x.OpenWorkbook(file) != 0) state.SkipWithError("save or open failed");
        std::vector<xlmodel::Value> back = x.worksheet()->values(1, 1, observations, columns);
        benchmark::DoNotOptimize(back);
        total += seconds(t0, std::chrono::steady_clock::now());
    }
    const double cells = static_cast<double>(observations) * columns * static_cast<double>(state.iterations());
    state.counters["ns_per_cell"] = total / cells * 1e9;
    closebenchworkspace(dir);
}
BENCHMARK(BM_LinkBlock)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
