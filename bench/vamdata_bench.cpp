// The Vam text formats at size: punch5 and matin5 of a dense 500 x 500 matrix (250,000
// entries), and pmatin of a packed 500 x 500 matrix of 25,000 cells over 50 periods, beside a
// baseline that reads the same packed text once (line by line, every number converted).
//   cmake -S . -B build-bench -G Ninja -DJEX_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench vamdata_bench && build-bench/bench/vamdata_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/date.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/quiet_platform.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/packed_text.h"
#include "vam/punch.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

namespace {

constexpr int side = 500;
constexpr int periods = 50;
constexpr int cellsPerRow = 50;  // 500 rows x 50 = 25,000 cells

std::string dir() {
    static std::string d = [] {
        char pattern[] = "/tmp/jexvamdatabenchXXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        static platform::QuietPlatform quiet;
        platform::install(&quiet);
        wsStartDate = JexDate(1990, 1, 1, 13);
        if (chdir(pattern) != 0) std::abort();
        return std::string(pattern);
    }();
    return d;
}

// The bank (dense "big" and packed "pm", 1990-2039) in slot a as the default Vam bank, with
// big's 1990 record filled with non-zero values.
VamFile& bank() {
    static VamFile* b = [] {
        const std::string cfg = dir() + "/model.cfg";
        std::FILE* f = std::fopen(cfg.c_str(), "w");
        std::fprintf(f, "1990 %d\nbig %d %d 0 r.txt c.txt\npm %d %d p r.txt c.txt\n",
                     1990 + periods - 1, side, side, side, side);
        std::fclose(f);
        settypedline("\"" + cfg + "\" hist");
        vamcrcmd(nullptr);
        auto* v = new VamFile("hist");
        if (!v->isOpen()) std::abort();
        std::vector<float> values(static_cast<std::size_t>(side) * side);
        for (std::size_t k = 0; k < values.size(); ++k) values[k] = 1.0f + static_cast<float>(k % 977) / 8.0f;
        writefloatsat(v->file(), v->elementPos(0, 0), values.data(), static_cast<long>(values.size()));
        bankSlots[0] = v;
        bankTypes[0] = 'v';
        defaultVamBank = 0;
        addPrint = 0;
        return v;
    }();
    return *b;
}

// Runs a handler on the text of a file, as the command reader would after the command word.
int runfile(int (*handler)(DataBank*, std::FILE*), const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "r");
    keyboardInput = 'n';
    replayMode = 'n';
    lastChar = '\n';
    ungotChar = 0;
    tokenPushedBack = 0;
    char word[80];
    gettoken(word, in, 0, 78);
    const int status = handler(&bank(), in);
    std::fclose(in);
    keyboardInput = 'y';
    return status;
}

void BM_Punch5Dense(benchmark::State& state) {
    bank();
    fdate1Date = fdate2Date = JexDate(1990.0f);
    for (auto _ : state) {
        settypedline("dense.add big");
        if (punch5cmd(nullptr) != 0) std::abort();
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_Punch5Dense)->Unit(benchmark::kMillisecond);

void BM_Matin5Dense(benchmark::State& state) {
    bank();
    fdate1Date = fdate2Date = JexDate(1990.0f);
    settypedline("dense.add big");
    if (punch5cmd(nullptr) != 0) std::abort();
    for (auto _ : state)
        if (runfile(matin5cmd, "dense.add") != 0) std::abort();
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_Matin5Dense)->Unit(benchmark::kMillisecond);

// The packed text: every period gives the same 25,000 cells.
const std::string& packedtext() {
    static std::string path = [] {
        std::string p = dir() + "/pm.add";
        std::FILE* f = std::fopen(p.c_str(), "w");
        std::fprintf(f, "pmatin pm pm.pmx\n");
        for (int year = 1990; year < 1990 + periods; ++year) {
            std::fprintf(f, "%d\n", year);
            for (int r = 1; r <= side; ++r) {
                std::fprintf(f, "%2d %d\n", r, cellsPerRow);
                for (int c = 1; c <= cellsPerRow; ++c) {
                    std::fprintf(f, " %d %2.3f", c * 10 - (r % 10), (year - 1989) + r / 1000.0);
                    if (c % 6 == 0 || c == cellsPerRow) std::fprintf(f, "\n");
                }
            }
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_ReadPackedTextOnce(benchmark::State& state) {
    const std::string& path = packedtext();
    for (auto _ : state) {
        std::FILE* in = std::fopen(path.c_str(), "r");
        char line[4000];
        double sum = 0;
        while (std::fgets(line, sizeof line, in))
            for (char* p = line; *p;) {
                char* end = nullptr;
                const double v = std::strtod(p, &end);
                if (end == p) ++p;
                else sum += v, p = end;
            }
        std::fclose(in);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * side * cellsPerRow * periods);
}
BENCHMARK(BM_ReadPackedTextOnce)->Unit(benchmark::kMillisecond);

void BM_Pmatin(benchmark::State& state) {
    bank();
    const std::string& path = packedtext();
    for (auto _ : state)
        if (runfile(pmatincmd, path) != 0) std::abort();
    state.SetItemsProcessed(state.iterations() * side * cellsPerRow * periods);
}
BENCHMARK(BM_Pmatin)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
