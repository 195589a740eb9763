// vc beside its baselines in the same run:
//  - `vc y = p * u` for one period with p packed, 10000 x 10000 at 1% density (1,000,000
//    stored cells), against reading the pattern and the period's values with one read each
//    and forming the same product in memory;
//  - `vc y = mm * u` over 40 periods of a 500-sector bank, against reading the same bytes.
// Each vc result is checked once against its baseline's product before timing.
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench vc_bench && build-bench/bench/vc_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_workspace.h"
#include "core/bytes.h"
#include "interp/reader.h"
#include "matrix/vc.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

namespace {

constexpr int sparseSide = 10000;
constexpr int perRow = 100;  // 1% of the columns
constexpr int denseSide = 500;
constexpr int periods = 40;

struct Banks {
    platform::QuietPlatform quiet;
    std::filesystem::path dir;
    VamFile* sparse = nullptr;
    VamFile* dense = nullptr;
    std::vector<float> u;       // the sparse bank's vector
    std::vector<float> du;      // the dense bank's vector, every period
    Banks() {
        dir = openbenchworkspace(quiet, 1990, 100);
        std::filesystem::current_path(dir);
        addPrint = 0;
        makesparse();
        makedense();
    }
    static VamFile* create(const char* stem, const std::string& config) {
        std::FILE* f = std::fopen((std::string(stem) + ".cfg").c_str(), "w");
        std::fputs(config.c_str(), f);
        std::fclose(f);
        settypedline(std::string(stem) + ".cfg " + stem);
        vamcrcmd(nullptr);
        auto* bank = new VamFile(stem);
        if (!bank->isOpen()) std::abort();
        return bank;
    }
    void makesparse() {
        const std::string n = std::to_string(sparseSide);
        sparse = create("sp", "1995 1995\ny " + n + " 1 0 s.txt\nu " + n + " 1 0 s.txt\np " + n +
                                   " " + n + " p s.txt s.txt\n");
        std::mt19937_64 gen(7);
        std::uniform_real_distribution<float> value(0.0f, 0.01f);
        std::vector<int> columns(sparseSide);
        for (int c = 0; c < sparseSide; ++c) columns[c] = c + 1;
        PackedHeader h;
        h.name = "p";
        h.firstYear = h.lastYear = 1995;
        h.rows = h.columns = h.lastRow = h.lastColumn = static_cast<std::int16_t>(sparseSide);
        h.cells = sparseSide * perRow;
        h.bytesPerPeriod = 4 * h.cells;
        bytes::ByteWriter w;
        w.raw(encodepackedheader(h).data(), packedHeaderSize);
        for (int r = 0; r < sparseSide; ++r) w.i16(perRow);
        for (int r = 0; r < sparseSide; ++r) {
            std::shuffle(columns.begin(), columns.end(), gen);
            std::vector<int> chosen(columns.begin(), columns.begin() + perRow);
            std::sort(chosen.begin(), chosen.end());
            for (int c : chosen) w.i16(static_cast<std::int16_t>(c));
        }
        for (int k = 0; k < h.cells; ++k) w.f32(value(gen));
        const auto data = w.data();
        std::FILE* f = std::fopen("p.pmx", "wb");
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        settypedline("p p.pmx");
        if (pmfilegate(sparse, nullptr) != 0) std::abort();
        u.resize(sparseSide);
        for (float& v : u) v = value(gen) * 1000;
        writefloatsat(sparse->file(), sparse->elementPos(sparse->findser("u"), 0), u.data(), sparseSide);
    }
    void makedense() {
        const std::string n = std::to_string(denseSide);
        dense = create("dn", "1995 " + std::to_string(1995 + periods - 1) + "\nmm " + n + " " + n +
                                 " 0 s.txt s.txt\nu " + n + " 1 0 s.txt\ny " + n + " 1 0 s.txt\n");
        std::mt19937_64 gen(11);
        std::uniform_real_distribution<float> value(0.0f, 1.8f / denseSide);
        std::vector<float> m(static_cast<std::size_t>(denseSide) * denseSide);
        du.resize(static_cast<std::size_t>(denseSide) * periods);
        for (float& v : du) v = value(gen) * 1e5f;
        for (int t = 0; t < periods; ++t) {
            for (float& v : m) v = value(gen);
            writefloatsat(dense->file(), dense->elementPos(dense->findser("mm"), t), m.data(),
                          static_cast<long>(m.size()));
            writefloatsat(dense->file(), dense->elementPos(dense->findser("u"), t),
                          du.data() + static_cast<std::size_t>(t) * denseSide, denseSide);
        }
    }
    int vc(VamFile* bank, const char* line) {
        settypedline(line);
        return vccmd(bank, nullptr);
    }
};

Banks& banks() {
    static Banks b;
    return b;
}

// The baseline of the packed product: the pattern in one read, the period's values in one
// read, the vector in one read, the product in memory.
std::vector<float> packedbaseline(Banks& b) {
    std::FILE* f = std::fopen("p.pmx", "rb");
    const long long rows = sparseSide, cells = static_cast<long long>(sparseSide) * perRow;
    std::vector<std::uint8_t> pattern(static_cast<std::size_t>(packedHeaderSize + 2 * (rows + cells)));
    std::vector<float> values(static_cast<std::size_t>(cells)), u(sparseSide), y(sparseSide);
    std::fread(pattern.data(), 1, pattern.size(), f);
    readfloatsat(f, static_cast<long long>(pattern.size()), values.data(), static_cast<long>(cells));
    std::fclose(f);
    readfloatsat(b.sparse->file(), b.sparse->elementPos(b.sparse->findser("u"), 0), u.data(), sparseSide);
    const std::uint8_t* counts = pattern.data() + packedHeaderSize;
    const std::uint8_t* cols = counts + 2 * rows;
    long long m = 0;
    for (long long r = 0; r < rows; ++r) {
        const int c = bytes::getI16(counts + 2 * r);
        double sum = 0;
        for (int k = 0; k < c; ++k, ++m) sum += static_cast<double>(values[m]) * u[bytes::getI16(cols + 2 * m) - 1];
        y[r] = static_cast<float>(sum);
    }
    return y;
}

// The baseline of the dense product over time: the same bytes read, matrix and vector of
// every period.
std::vector<float> densebaseline(Banks& b) {
    const int mm = b.dense->findser("mm"), u = b.dense->findser("u");
    std::vector<float> m(static_cast<std::size_t>(denseSide) * denseSide), v(denseSide),
        y(static_cast<std::size_t>(denseSide) * periods);
    for (int t = 0; t < periods; ++t) {
        readfloatsat(b.dense->file(), b.dense->elementPos(mm, t), m.data(), static_cast<long>(m.size()));
        readfloatsat(b.dense->file(), b.dense->elementPos(u, t), v.data(), denseSide);
        benchmark::DoNotOptimize(m.data());
        for (int h = 0; h < denseSide; ++h) y[static_cast<std::size_t>(t) * denseSide + h] = m[static_cast<std::size_t>(h) * denseSide] * v[0];
    }
    return y;
}

bool sameas(const std::vector<float>& got, const std::vector<float>& want) {
    for (std::size_t k = 0; k < want.size(); ++k)
        if (std::fabs(got[k] - want[k]) > 1e-5f * std::max(1.0f, std::fabs(want[k]))) return false;
    return true;
}

void BM_VcPackedProduct(benchmark::State& state) {
    Banks& b = banks();
    fdate1 = fdate2 = 1995;
    fdate1Date = fdate2Date = JexDate(1995.0f);
    if (b.vc(b.sparse, "y = p * u") != 0) state.SkipWithError("vc failed");
    std::vector<float> y(sparseSide);
    readfloatsat(b.sparse->file(), b.sparse->elementPos(b.sparse->findser("y"), 0), y.data(), sparseSide);
    if (!sameas(y, packedbaseline(b))) state.SkipWithError("vc differs from the baseline");
    for (auto _ : state)
        if (b.vc(b.sparse, "y = p * u") != 0) state.SkipWithError("vc failed");
}
BENCHMARK(BM_VcPackedProduct)->Unit(benchmark::kMillisecond);

void BM_PackedProductBaseline(benchmark::State& state) {
    Banks& b = banks();
    for (auto _ : state) benchmark::DoNotOptimize(packedbaseline(b).data());
}
BENCHMARK(BM_PackedProductBaseline)->Unit(benchmark::kMillisecond);

void BM_VcDenseProductOverTime(benchmark::State& state) {
    Banks& b = banks();
    fdate1 = 1995;
    fdate2 = 1995 + periods - 1;
    fdate1Date = JexDate(fdate1);
    fdate2Date = JexDate(fdate2);
    if (b.vc(b.dense, "y = mm * u") != 0) state.SkipWithError("vc failed");
    // Checked against a product of the test's own, in double, for the first and last period.
    const int mm = b.dense->findser("mm"), yi = b.dense->findser("y");
    std::vector<float> m(static_cast<std::size_t>(denseSide) * denseSide), y(denseSide), want(denseSide);
    for (int t : {0, periods - 1}) {
        readfloatsat(b.dense->file(), b.dense->elementPos(mm, t), m.data(), static_cast<long>(m.size()));
        readfloatsat(b.dense->file(), b.dense->elementPos(yi, t), y.data(), denseSide);
        for (int h = 0; h < denseSide; ++h) {
            double s = 0;
            for (int k = 0; k < denseSide; ++k)
                s += static_cast<double>(m[static_cast<std::size_t>(h) * denseSide + k]) * b.du[static_cast<std::size_t>(t) * denseSide + k];
            want[h] = static_cast<float>(s);
        }
        if (!sameas(y, want)) state.SkipWithError("vc differs from the product");
    }
    for (auto _ : state)
        if (b.vc(b.dense, "y = mm * u") != 0) state.SkipWithError("vc failed");
}
BENCHMARK(BM_VcDenseProductOverTime)->Unit(benchmark::kMillisecond);

void BM_DenseReadBaseline(benchmark::State& state) {
    Banks& b = banks();
    for (auto _ : state) benchmark::DoNotOptimize(densebaseline(b).data());
}
BENCHMARK(BM_DenseReadBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
