// Workbooks: a 1999 x 256 block of numbers put into a sheet by one range assignment, saved as
// .xlsx, opened again and read back by one range read, through the spreadsheet link and its
// model. Baseline measured in the same run: openpyxl (Debian's python3) saving the same
// block in write-only mode and loading it in read-only mode.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench xlsx_bench && build-bench/bench/xlsx_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "excel/excel.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"

namespace {

constexpr int rows = 1999;
constexpr int cols = 256;

std::string dir() {
    static std::string d = [] {
        char pattern[] = "/tmp/jexxlsxbenchXXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        return std::string(pattern);
    }();
    return d;
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

void BM_LinkWriteAndRead(benchmark::State& state) {
    static platform::QuietPlatform quiet;
    platform::install(&quiet);
    std::vector<xlmodel::Value> block;
    block.reserve(static_cast<std::size_t>(rows) * cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) block.push_back(xlmodel::Value::num(r * 0.5 + c / 7.0));
    std::string file = dir() + "/jex.xlsx";
    double write = 0, read = 0;
    for (auto _ : state) {
        Excel x;
        auto t0 = std::chrono::steady_clock::now();
        x.OpenWorkbook("");
        x.worksheet()->setValues(1, 1, rows, cols, block);
        if (x.saveAs(file, "", 2) != 0) state.SkipWithError("save failed");
        auto t1 = std::chrono::steady_clock::now();
        if (x.OpenWorkbook(file) != 0) state.SkipWithError("open failed");
        std::vector<xlmodel::Value> back = x.worksheet()->values(1, 1, rows, cols);
        auto t2 = std::chrono::steady_clock::now();
        // The writer keeps 16 significant digits.
        if (back.size() != block.size() ||
            std::fabs(back.back().number - block.back().number) > 1e-15 * std::fabs(block.back().number))
            state.SkipWithError("read back differs");
        benchmark::DoNotOptimize(back);
        write += seconds(t0, t1);
        read += seconds(t1, t2);
    }
    state.counters["write_s"] = write / static_cast<double>(state.iterations());
    state.counters["read_s"] = read / static_cast<double>(state.iterations());
    platform::install(nullptr);
}
BENCHMARK(BM_LinkWriteAndRead)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenpyxlWriteAndRead(benchmark::State& state) {
    std::string script = dir() + "/baseline.py";
    std::ofstream(script) << "import openpyxl, sys, time\n"
                             "t0 = time.time()\n"
                             "wb = openpyxl.Workbook(write_only=True)\n"
                             "ws = wb.create_sheet()\n"
                             "for r in range(" << rows << "):\n"
                             "    ws.append([r * 0.5 + c / 7.0 for c in range(" << cols << ")])\n"
                             "wb.save(sys.argv[1])\n"
                             "t1 = time.time()\n"
                             "wb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                             "n = sum(1 for row in wb.active.iter_rows(values_only=True) for v in row)\n"
                             "t2 = time.time()\n"
                             "print(t1 - t0, t2 - t1, n)\n";
    double write = 0, read = 0;
    for (auto _ : state) {
        std::string command = "/usr/bin/python3 " + script + " " + dir() + "/py.xlsx";
        std::FILE* p = popen(command.c_str(), "r");
        double w = 0, r = 0;
        long n = 0;
        if (!p || std::fscanf(p, "%lf %lf %ld", &w, &r, &n) != 3 || n != static_cast<long>(rows) * cols)
            state.SkipWithError("openpyxl did not run");
        if (p) pclose(p);
        write += w;
        read += r;
    }
    state.counters["write_s"] = write / static_cast<double>(state.iterations());
    state.counters["read_s"] = read / static_cast<double>(state.iterations());
}
BENCHMARK(BM_OpenpyxlWriteAndRead)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
