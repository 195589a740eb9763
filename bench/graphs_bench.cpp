// A graph of seven series of 1999 observations (graph s1 ... s7 : 0 1998), drawn by the
// graph command and written as a metafile, against the baseline of writing its 13,993 points
// as "%d %d\n" lines to a file; and the SVG of the same picture.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_workspace.h"
#include "graphs/graph_command.h"
#include "graphs/svg.h"
#include "interp/reader.h"
#include "regress/regress_state.h"

namespace {

constexpr int observations = 1999;

struct GraphFixture {
    platform::QuietPlatform quiet;
    std::filesystem::path dir;
    GraphFixture() {
        dir = openbenchworkspace(quiet, 1000, observations);
        std::vector<float> v(observations + 2);
        for (int s = 1; s <= 7; ++s) {
            for (int t = 0; t < observations; ++t)
                v[t] = static_cast<float>(100 + 10 * s + 30 * std::sin(0.01 * t * s));
            workspaceBank->setFreq(1);
            workspaceBank->addser(("s" + std::to_string(s)).c_str(), v.data(), 'y', -1);
        }
        regZip = 'y';  // no window picture: the benchmark writes the metafile itself
    }
    ~GraphFixture() {
        graphs::resetgraphstate();
        closebenchworkspace(dir);
    }
    void draw() {
        settypedline("s1 s2 s3 s4 s5 s6 s7 : 0 1998");
        if (graphs::graph(nullptr, 'n', 'n', 'n') != 32) std::abort();
    }
};

void BM_GraphSevenSeriesToWmf(benchmark::State& state) {
    GraphFixture f;
    const std::string path = (f.dir / "bench.wmf").string();
    for (auto _ : state) {
        f.draw();
        if (!graphs::savemetafile(*graphs::graphMetafile, path)) std::abort();
    }
}
BENCHMARK(BM_GraphSevenSeriesToWmf)->Unit(benchmark::kMillisecond);

void BM_GraphSevenSeriesToSvg(benchmark::State& state) {
    GraphFixture f;
    f.draw();
    const std::string path = (f.dir / "bench.svg").string();
    for (auto _ : state) {
        const std::string svg = graphs::writesvg(*graphs::graphMetafile, 1500, 1125);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(svg.data(), 1, svg.size(), out);
        std::fclose(out);
    }
}
BENCHMARK(BM_GraphSevenSeriesToSvg)->Unit(benchmark::kMillisecond);

// Baseline: the 7 x 1999 points as text lines.
void BM_PointsAsTextLines(benchmark::State& state) {
    const std::string path = "/tmp/jexbench_points.txt";
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        for (int s = 0; s < 7; ++s)
            for (int t = 0; t < observations; ++t) std::fprintf(out, "%d %d\n", t, 100 * s + t % 97);
        std::fclose(out);
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_PointsAsTextLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
