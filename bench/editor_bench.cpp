// The editor's text on a 10 MB add file with CR LF line ends, against the C library's memmem
// over the same bytes in the same run: Find down for 9 letters at the end (with and without
// match case), Find up for a text at the start, loading the file, and Replace All gdp -> gnp
// against one memmem-driven copying pass.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "views/editor.h"
#include "views/textbuffer.h"

namespace {

// Lines of an add file: f statements, regressions and comments, each ending in CR LF. The
// text "gdp" stands in most of them; the 9 letters "endmarker" only at the very end, and
// "startword" only in the first line.
struct AddFile {
    std::string path;
    std::string bytes;
    AddFile() {
        path = (std::filesystem::temp_directory_path() /
                ("jex_editor_bench_" + std::to_string(::getpid()) + ".add"))
                   .string();
        std::string text = "# startword: a model of the economy\r\n";
        const char* const lines[] = {
            "f gdp = cons + inv + gov + exports - imports\r\n",
            "r gdp = gdp[1], cons, inv\r\n",
            "# the consumption equation, with lagged income\r\n",
            "f cons = 0.8 * gdp[1] + 12.5\r\n",
            "ty gdp cons inv\r\n",
        };
        for (std::size_t i = 0; text.size() < 10 * 1024 * 1024; ++i) text += lines[i % 5];
        text += "endmarker\r\n";
        bytes = text;
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    ~AddFile() { std::remove(path.c_str()); }
};

AddFile& addfile() {
    static AddFile f;
    return f;
}

const char* const absent = "zqzqzqzqz";

void BM_MemmemAbsent(benchmark::State& state) {
    const std::string& b = addfile().bytes;
    for (auto _ : state) benchmark::DoNotOptimize(memmem(b.data(), b.size(), absent, 9));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(b.size()));
}

void BM_FindDownMatchCase(benchmark::State& state) {
    TextBuffer t;
    t.load(addfile().bytes);
    for (auto _ : state) {
        const std::size_t hit = t.findDown("endmarker", {true, false});
        if (hit == noMatch) state.SkipWithError("not found");
        benchmark::DoNotOptimize(hit);
    }
}

void BM_FindDown(benchmark::State& state) {
    TextBuffer t;
    t.load(addfile().bytes);
    for (auto _ : state) {
        const std::size_t hit = t.findDown("EndMarker", {});
        if (hit == noMatch) state.SkipWithError("not found");
        benchmark::DoNotOptimize(hit);
    }
}

void BM_FindUp(benchmark::State& state) {
    TextBuffer t;
    t.load(addfile().bytes);
    t.setCaret(t.size());
    for (auto _ : state) {
        const std::size_t hit = t.findUp("startword", {});
        if (hit != 2) state.SkipWithError("not found");
        benchmark::DoNotOptimize(hit);
    }
}

// The baseline of loading: the file's size, then one read into a string of that size.
void BM_ReadIntoString(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(addfile().path, std::ios::binary | std::ios::ate);
        std::string text(static_cast<std::size_t>(in.tellg()), '\0');
        in.seekg(0);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        benchmark::DoNotOptimize(text.data());
    }
}

void BM_Load(benchmark::State& state) {
    for (auto _ : state) {
        TextBuffer t;
        std::string bytes;
        if (!readfilebytes(addfile().path, bytes)) state.SkipWithError("unreadable");
        t.load(std::move(bytes));
        benchmark::DoNotOptimize(t.bytes().data());
    }
}

// One pass that finds each "gdp" with memmem and copies the text with "gnp" in its place.
void BM_MemmemCopyPass(benchmark::State& state) {
    const std::string& b = addfile().bytes;
    for (auto _ : state) {
        std::string out;
        out.reserve(b.size());
        const char* p = b.data();
        const char* end = b.data() + b.size();
        while (const char* hit = static_cast<const char*>(memmem(p, static_cast<std::size_t>(end - p), "gdp", 3))) {
            out.append(p, hit);
            out.append("gnp", 3);
            p = hit + 3;
        }
        out.append(p, end);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_ReplaceAll(benchmark::State& state) {
    const bool matchCase = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        TextBuffer t;
        t.load(addfile().bytes);
        state.ResumeTiming();
        benchmark::DoNotOptimize(t.replaceAll("gdp", "gnp", 0, {matchCase, false}));
    }
}

BENCHMARK(BM_MemmemAbsent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindDownMatchCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIntoString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemmemCopyPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceAll)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
