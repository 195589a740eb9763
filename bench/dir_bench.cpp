// dir on a folder of 20,000 files, against `ls -l` on the same folder in the same run: the
// listing, its sort and its formatting should stay within a small factor of the system's own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "platform/quiet_platform.h"
#include "shell/dircmd.h"

namespace fs = std::filesystem;

namespace {

struct Folder {
    fs::path dir;
    Folder() {
        dir = fs::temp_directory_path() / ("jex_dir_bench_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        for (int i = 0; i < 20000; ++i) {
            std::ofstream f(dir / ("File" + std::to_string(i) + (i % 3 ? ".add" : ".txt")));
            f << i;
        }
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
};

Folder& folder() {
    static Folder f;
    return f;
}

void BM_dir(benchmark::State& state) {
    platform::QuietPlatform quiet;
    platform::install(&quiet);
    const std::string filter = folder().dir.string() + "/*";
    for (auto _ : state) listdirectory(filter);
    platform::install(nullptr);
}

void BM_ls_l(benchmark::State& state) {
    const std::string command = "ls -l '" + folder().dir.string() + "' > /dev/null";
    for (auto _ : state) {
        int rc = std::system(command.c_str());
        benchmark::DoNotOptimize(rc);
    }
}

BENCHMARK(BM_ls_l)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_dir)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
