#include <gtest/gtest.h>

#include <vector>

#include "functions_fixture.h"
#include "series/functions_benchmark.h"

namespace functions_benchmark_test {

using seriestest::AtCall;
using seriestest::expectSeries;
using seriestest::M;

namespace {

std::vector<float> run(const std::vector<float>& B, const std::vector<float>& Mv, char method, float start = 0.0f) {
    std::vector<float> out(B.size(), start);
    bmkkernel(out.data(), B.data(), Mv.data(), static_cast<int>(B.size()), method);
    return out;
}

const std::vector<float> bench = {M, M, 100, M, M, 130, M};
const std::vector<float> mover = {10, 11, 12, 12, 13, 15, 16};

TEST(BenchmarkKernels, RatioWithLinearCorrection) {
    // Before the first benchmark: the mover times 100/12. Between 2 and 5: 100 M[j] / 12
    // plus the share (j - 2) / 3 of the discrepancy 130 - 125 = 5.
    const float r = 100.0f / 12.0f;
    expectSeries(run(bench, mover, 'd'),
                 {10 * r, 11 * r, 100, 12 * r + 5.0f / 3, 13 * r + 10.0f / 3, 130, M}, "method d");
}

TEST(BenchmarkKernels, GrowthStretchedToTheBenchmarks) {
    // e = 0.3 / 0.25 = 1.2; observations 3..5 are 100 (1 + 1.2 (M - 12) / 12).
    const float r = 100.0f / 12.0f;
    expectSeries(run(bench, mover, 'g'), {10 * r, 11 * r, 100, 100, 110, 130, M}, "method g");
    // A flat mover gives the straight line between the benchmarks.
    expectSeries(run({M, 100, M, M, 160}, {5, 5, 5, 5, 5}, 'g'), {100, 100, 120, 140, 160}, "flat mover");
}

TEST(BenchmarkKernels, RunsOfBenchmarksAndABenchmarkAtTheStart) {
    // Consecutive benchmarks are copied; a benchmark at 0 scales the mover up to the next.
    expectSeries(run({50, M, M, 80, 90, M}, {10, 11, 12, 13, 14, 15}, 'd'), {50, 55, 60, 80, 90, M}, "start");
    // A single benchmark at 0: the scaled mover runs to the end.
    expectSeries(run({50, M, M}, {10, 11, 12}, 'd'), {50, 55, 60}, "only one");
    // No benchmark at all: nothing to follow, so nothing but missing values, whatever the
    // output array held.
    expectSeries(run({M, M, M}, {1, 2, 3}, 'd', 7.0f), {M, M, M}, "none");
}

TEST(BenchmarkKernels, NoNumbersFromNothing) {
    // A mover of 0 at the first benchmark gives no ratio: the values before it are missing
    // (not infinite, not 0).
    std::vector<float> zero = run({M, M, 100, M, 120}, {4, 5, 0, 6, 7}, 'd', 7.0f);
    EXPECT_TRUE(ismissing(zero[0]) && ismissing(zero[1]));
    EXPECT_EQ(zero[2], 100.0f);
    EXPECT_EQ(zero[4], 120.0f);
    // A missing mover inside a segment stays missing (no share of the correction is added).
    // d: c = 10, discrepancy 130 - 140 = -10; g: e = 0.3 / 0.4 = 0.75.
    const std::vector<float> B = {M, 100, M, M, 130};
    expectSeries(run(B, {9, 10, M, 12, 14}, 'd'), {90, 100, M, 120 - 20.0f / 3, 130}, "gap in d");
    expectSeries(run(B, {9, 10, M, 12, 14}, 'g'), {90, 100, M, 115, 130}, "gap in g");
    // A mover missing at a benchmark leaves nothing to scale or stretch from; the
    // benchmarks themselves stand.
    for (char method : {'d', 'g'}) {
        expectSeries(run({M, 100, M, M, 130, M}, {9, M, 12, 13, 14, 15}, method, 7.0f), {M, 100, M, M, 130, M},
                     "missing at a");
        expectSeries(run(B, {9, 10, 11, 12, M}, method, 7.0f), {90, 100, M, M, 130}, "missing at i");
        expectSeries(run({100, M, 130}, {M, 5, 6}, method, 7.0f), {100, M, 130}, "missing at the first");
    }
}

class BenchmarkHandlers : public seriestest::FunctionFixture {
protected:
    void SetUp() override {
        FunctionFixture::SetUp();
        store("b", {M, M, 100, M, M, 130});
        store("m", {10, 11, 12, 12, 13, 15, 16}, 4);
    }
};

TEST_F(BenchmarkHandlers, MethodsAndSyntax) {
    AtCall d = call(atbmk, "(b, m)");
    ASSERT_EQ(d.code, 0) << output();
    EXPECT_NEAR(d.values[5], 130.0f, 1e-4);
    EXPECT_EQ(d.frequency, 4);
    EXPECT_EQ(d.text, "(b,m)");
    AtCall g = call(atbmk, "(b, m, growth)");
    ASSERT_EQ(g.code, 0);
    EXPECT_NEAR(g.values[4], 110.0f, 1e-4);
    EXPECT_EQ(g.text, "(b,m,growth)");
    for (const char* line : {"(b, m, x)", "(b m)", "(b, m, d", "b, m)"}) {
        EXPECT_EQ(call(atbmk, line).code, -1) << line;
        EXPECT_TRUE(printed("syntax error in @bmk(bench,mover)")) << line;
        output();
    }
}

}  // namespace

}  // namespace functions_benchmark_test
