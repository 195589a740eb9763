// Vam bank of 999 elements over 50 periods: 998 vectors of 100 and one 500 x 500 matrix
// (about 70 MB). Opening, name look-ups, one period of the matrix read and written, a column
// over all periods, and vamcreate, each beside a baseline of the bare system calls on the
// same bytes from the page cache.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench vam_bench && build-bench/bench/vam_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/matrix.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/quiet_platform.h"
#include "vam/element_access.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

namespace {

constexpr int vectors = 998;
constexpr int periods = 50;
constexpr int side = 500;
constexpr long matrixBytes = 4L * side * side;

std::string dir() {
    static std::string d = [] {
        char pattern[] = "/tmp/jexvambenchXXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        static platform::QuietPlatform quiet;
        platform::install(&quiet);
        wsStartDate = JexDate(1990, 1, 1, 13);
        return std::string(pattern);
    }();
    return d;
}

std::string vectorName(int i) { return "vec" + std::to_string(i); }

// The configuration and the bank made from it (once).
const std::string& bankStem() {
    static std::string stem = [] {
        std::string cfg = dir() + "/model.cfg";
        std::FILE* f = std::fopen(cfg.c_str(), "w");
        std::fprintf(f, "1990 %d\n", 1990 + periods - 1);
        for (int i = 0; i < vectors; ++i) std::fprintf(f, "%s 100 1 0 r.txt\n", vectorName(i).c_str());
        std::fprintf(f, "big %d %d 0 r.txt c.txt\n", side, side);
        std::fclose(f);
        settypedline("\"" + cfg + "\" \"" + dir() + "/hist\"");
        vamcrcmd(nullptr);
        return dir() + "/hist";
    }();
    return stem;
}

VamFile& bank() {
    static VamFile b(bankStem().c_str());
    if (!b.isOpen()) std::abort();
    return b;
}

void BM_Open(benchmark::State& state) {
    const std::string& stem = bankStem();
    for (auto _ : state) {
        VamFile b(stem.c_str());
        benchmark::DoNotOptimize(b.isOpen());
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_Findser(benchmark::State& state) {
    VamFile& b = bank();
    std::vector<std::string> names;
    for (int i = 0; i < vectors; ++i) names.push_back(vectorName((i * 7919) % vectors));
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(b.findser(names[k].c_str()));
        if (++k == names.size()) k = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Findser);

void BM_PreadMatrixPeriod(benchmark::State& state) {
    VamFile& b = bank();
    std::vector<char> buffer(matrixBytes);
    const int fd = fileno(b.file());
    const long long pos = b.elementPos(vectors, 25);
    for (auto _ : state) benchmark::DoNotOptimize(pread(fd, buffer.data(), buffer.size(), pos));
}
BENCHMARK(BM_PreadMatrixPeriod)->Unit(benchmark::kMicrosecond);

void BM_ReadMatrixPeriod(benchmark::State& state) {
    VamFile& b = bank();
    Matrix<float> m;
    declarematrix(m, &b, "big");
    for (auto _ : state) benchmark::DoNotOptimize(readmatrix(m, &b, "big", 2015));
}
BENCHMARK(BM_ReadMatrixPeriod)->Unit(benchmark::kMicrosecond);

void BM_PwriteMatrixPeriod(benchmark::State& state) {
    VamFile& b = bank();
    std::vector<char> buffer(matrixBytes, 0);
    const int fd = fileno(b.file());
    const long long pos = b.elementPos(vectors, 25);
    for (auto _ : state) benchmark::DoNotOptimize(pwrite(fd, buffer.data(), buffer.size(), pos));
}
BENCHMARK(BM_PwriteMatrixPeriod)->Unit(benchmark::kMicrosecond);

void BM_WriteMatrixPeriod(benchmark::State& state) {
    VamFile& b = bank();
    Matrix<float> m;
    declarematrix(m, &b, "big");
    m.fill(0.0f);
    for (auto _ : state) benchmark::DoNotOptimize(writematrix(m, &b, "big", 2015));
}
BENCHMARK(BM_WriteMatrixPeriod)->Unit(benchmark::kMicrosecond);

void BM_PreadMatrixAllPeriods(benchmark::State& state) {
    VamFile& b = bank();
    std::vector<char> buffer(matrixBytes);
    const int fd = fileno(b.file());
    for (auto _ : state)
        for (int k = 0; k < periods; ++k)
            benchmark::DoNotOptimize(pread(fd, buffer.data(), buffer.size(), b.elementPos(vectors, k)));
}
BENCHMARK(BM_PreadMatrixAllPeriods)->Unit(benchmark::kMillisecond);

void BM_LoadColumn(benchmark::State& state) {
    VamFile& b = bank();
    for (auto _ : state) {
        benchmark::DoNotOptimize(b.loadcmd("big", 'c', 250));
        b.releaseLoaded();
    }
}
BENCHMARK(BM_LoadColumn)->Unit(benchmark::kMillisecond);

void BM_WriteSameBytes(benchmark::State& state) {
    bank();
    const std::string path = dir() + "/plain.bin";
    const long long total = 178LL + 73LL * 999 + 8000 + 4LL * periods * (vectors * 100LL + side * side);
    std::vector<char> block(1 << 20, 0);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        for (long long done = 0; done < total; done += static_cast<long long>(block.size()))
            std::fwrite(block.data(), 1, static_cast<std::size_t>(std::min<long long>(block.size(), total - done)), f);
        std::fflush(f);
        std::fclose(f);
    }
}
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond);

void BM_Vamcreate(benchmark::State& state) {
    bank();
    const std::string line = "\"" + dir() + "/model.cfg\" \"" + dir() + "/again\"";
    for (auto _ : state) {
        settypedline(line);
        vamcrcmd(nullptr);
    }
}
BENCHMARK(BM_Vamcreate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
