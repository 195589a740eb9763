// The estimators that are not linear in their coefficients, with a quiet results window:
// - logit of three alternatives with four coefficients (an intercept and a price each) on
//   1999 annual observations of shares, rhoadj off (/0) and on (/1: a root finding for the
//   period errors of every observation);
// - nl on y = a0*@exp(a1*tt) in a workspace of 200 observations, fit over all of them, and
//   one evaluation of its equation against the same expression in an f statement.
#include <benchmark/benchmark.h>

#include "bench_workspace.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/quiet_platform.h"
#include "regress/nlcommon.h"
#include "regress/nonlinear.h"
#include "regress/regress_state.h"
#include "series/series_commands.h"

namespace {

platform::QuietPlatform quiet;

void store(const char* name, const std::vector<float>& v) { workspaceBank->addser(name, v.data(), 'y', -1); }

// Runs a handler on replayed lines (a block, or a statement over several lines).
int replay(int (*handler)(std::FILE*), const std::vector<std::string>& lines) {
    resetinterpstate();
    addPrint = 0;
    replayList = &lines;
    replayCursor = 0;
    replayMode = 'y';
    lastChar = '\n';
    const int status = handler(nullptr);
    resetinterpstate();
    return status;
}

void BM_Logit(benchmark::State& state) {
    const int n = 1999, base = 1900;
    const std::filesystem::path dir = openbenchworkspace(quiet, base, n);
    workspaceBank->setFreq(1);
    std::vector<float> p2(2000), p3(2000), s1(2000), s2(2000), s3(2000);
    for (int t = 0; t < n; ++t) {
        p2[t] = static_cast<float>(1.0 + 0.5 * std::sin(0.13 * t));
        p3[t] = static_cast<float>(1.2 + 0.4 * std::cos(0.07 * t));
        const double u2 = 0.8 - 1.1 * p2[t] + 0.1 * std::sin(1.7 * t);
        const double u3 = 0.3 - 0.6 * p3[t] + 0.1 * std::cos(2.3 * t);
        const double S = 1.0 + std::exp(u2) + std::exp(u3);
        s1[t] = static_cast<float>(1.0 / S);
        s2[t] = static_cast<float>(std::exp(u2) / S);
        s3[t] = static_cast<float>(std::exp(u3) / S);
    }
    store("p2", p2);
    store("p3", p3);
    store("s1", s1);
    store("s2", s2);
    store("s3", s3);
    fitStart = base;
    fitEnd = testEnd = static_cast<float>(base + n - 1);
    rhoadjSwitch = static_cast<std::uint8_t>(state.range(0));
    const std::vector<std::string> block = {"r s1", "r s2 = p2", "r s3 = p3", "do"};
    for (auto _ : state)
        if (replay(logitcmd, block) != 0) state.SkipWithError("logit failed");
    closebenchworkspace(dir);
}
BENCHMARK(BM_Logit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The workspace of the exponential: tt = 1 .. 200 and y near 50 exp(0.0079 tt).
std::filesystem::path exponential() {
    const int n = 200, base = 1900;
    const std::filesystem::path dir = openbenchworkspace(quiet, base, n);
    workspaceBank->setFreq(1);
    std::vector<float> tt(2000), y(2000);
    for (int t = 0; t < n; ++t) {
        tt[t] = static_cast<float>(t + 1);
        y[t] = static_cast<float>(50.0 * std::exp(0.0079 * (t + 1)) + 0.7 * std::sin(1.3 * t));
    }
    store("tt", tt);
    store("y", y);
    fitStart = base;
    fitEnd = testEnd = static_cast<float>(base + n - 1);
    return dir;
}

void BM_Nl(benchmark::State& state) {
    const std::filesystem::path dir = exponential();
    const std::vector<std::string> statement = {"y = a0*@exp(a1*tt)", "2", "40 0.001", "0.1 0.0001"};
    long evaluations = 0;
    for (auto _ : state) {
        if (replay(nlcmd, statement) != 0) state.SkipWithError("nl failed");
        evaluations += nlEvaluations;
    }
    state.counters["evaluations"] = static_cast<double>(evaluations) / static_cast<double>(state.iterations());
    closebenchworkspace(dir);
}
BENCHMARK(BM_Nl)->Unit(benchmark::kMillisecond);

void BM_NlEvaluation(benchmark::State& state) {
    const std::filesystem::path dir = exponential();
    const std::string text = "y = a0*@exp(a1*tt)";
    const float params[2] = {50.0f, 0.0079f};
    std::vector<float> depvar(2001), predic(2001);
    for (auto _ : state) benchmark::DoNotOptimize(nlevaluate(text, params, 2, depvar.data(), predic.data()));
    closebenchworkspace(dir);
}
BENCHMARK(BM_NlEvaluation)->Unit(benchmark::kMicrosecond);

void BM_FStatement(benchmark::State& state) {
    const std::filesystem::path dir = exponential();
    for (auto _ : state) {
        settypedline("p = 50*@exp(0.0079*tt)");
        if (fcmd(nullptr) != 0) state.SkipWithError("f failed");
    }
    closebenchworkspace(dir);
}
BENCHMARK(BM_FStatement)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
