// The costly @functions: the Hodrick-Prescott trend by the banded solve (@hpfilter) and by
// Prescott's recursions (@prescott), and the Fisher chain indexes over many pairs.
//
// HP filters: the kernels on spans of 250 to 1999 observations (a banded solve must grow
// linearly with the span), the whole @hpfilter call on a 1999-observation workspace series
// (argument reading, evaluation and the filter), and as baselines in the same run one pass
// of a five-point moving sum over the same span and, for small spans, the dense solution of
// (I + lambda K'K) x = y by Gaussian elimination, which grows with the cube of the span.
//
// Chain indexes: 700 quantity-price pairs over 100 and over 1999 periods, chain form and
// nominal form; baseline: one pass computing the four sums of products of every link.
//
// Logarithms, exponentials and sines: the kernels of @log, @exp, @dlog, @pow, @normal and @sin
// on 1999 observations (every value correctly rounded), with the C library's logf, expf and
// sinf on each observation as baselines in the same run.
//
// Interpolations: @atoqi's kernel (499 annual values over 1999 quarters, the quarterly
// indicator the annual values interpolated) and @interp's (1999 values through a table of
// four points), on the data of the statements' benchmark.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/quiet_platform.h"
#include "core/random.h"
#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/floatmath.h"
#include "core/missing.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "series/atfunction.h"
#include "series/functions.h"
#include "series/functions_chain.h"
#include "series/functions_elementwise.h"
#include "series/functions_hp.h"
#include "series/functions_interp.h"
#include "series/series_state.h"

namespace {

std::vector<double> wavy(int n) {
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) y[i] = 100 + 0.8 * i + 5 * std::sin(0.07 * i) + 2 * std::cos(2.3 * i * i);
    return y;
}

void BM_HpFilterKernel(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> y = wavy(n);
    std::vector<double> trend(static_cast<std::size_t>(n));
    for (auto _ : state) {
        if (hpfilterkernel(y.data(), n, 1600, trend.data()) != 0) state.SkipWithError("hpfilter failed");
        benchmark::DoNotOptimize(trend.data());
    }
    state.SetComplexityN(n);
}

void BM_PrescottKernel(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> y = wavy(n);
    std::vector<double> trend(static_cast<std::size_t>(n));
    for (auto _ : state) {
        if (prescottkernel(y.data(), n, 1600, trend.data()) != 0) state.SkipWithError("prescott failed");
        benchmark::DoNotOptimize(trend.data());
    }
    state.SetComplexityN(n);
}

// Baseline: one pass of a five-point moving sum over the span.
void BM_MovingSumBaseline(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> y = wavy(n);
    std::vector<double> out(static_cast<std::size_t>(n));
    for (auto _ : state) {
        for (int i = 2; i + 2 < n; ++i) out[i] = y[i - 2] + y[i - 1] + y[i] + y[i + 1] + y[i + 2];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetComplexityN(n);
}

// Baseline: the dense solution of (I + lambda K'K) x = y, by Gaussian elimination.
void BM_DenseSolveBaseline(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> y = wavy(n);
    const double lambda = 1600;
    std::vector<double> A(static_cast<std::size_t>(n) * n);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (auto _ : state) {
        std::fill(A.begin(), A.end(), 0.0);
        for (int i = 0; i < n; ++i) A[i * n + i] = 1.0;
        for (int r = 0; r + 2 < n; ++r) {
            const double k[3] = {1, -2, 1};
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) A[(r + a) * n + r + b] += lambda * k[a] * k[b];
        }
        x = y;
        for (int c = 0; c < n; ++c) {
            for (int r = c + 1; r < n; ++r) {
                const double f = A[r * n + c] / A[c * n + c];
                if (f == 0.0) continue;
                for (int j = c; j < n; ++j) A[r * n + j] -= f * A[c * n + j];
                x[r] -= f * x[c];
            }
        }
        for (int r = n - 1; r >= 0; --r) {
            double s = x[r];
            for (int j = r + 1; j < n; ++j) s -= A[r * n + j] * x[j];
            x[r] = s / A[r * n + r];
        }
        benchmark::DoNotOptimize(x.data());
    }
    state.SetComplexityN(n);
}

platform::QuietPlatform quiet;

// The whole @hpfilter / @prescott call on a quarterly series of 1999 observations in a
// workspace held in memory.
void runHandler(benchmark::State& state, AtHandler handler) {
    char pattern[] = "/tmp/jexbenchXXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    const std::filesystem::path dir = pattern;
    platform::install(&quiet);
    resetinterpstate();
    resetbankslots();
    resetseriesstate();
    wsBaseYear = 1000;
    wsMaxObs = 1999;
    wsFirstMonth = 1;
    cfgFirstMonth = 1;
    wsStartDate = JexDate(1000, 1, 1, 13);
    setWorkspaceBank(new JexBank((dir / "ws").c_str(), "New", 1000, 1999, 1));
    workspaceBank->setCache(true);
    const std::vector<double> y = wavy(1999);
    std::vector<float> v(y.begin(), y.end());
    v.resize(2000);
    workspaceBank->setFreq(4);
    workspaceBank->addser("x", v.data(), 'y', -1);
    std::vector<float> out(2000);
    char text[3000];
    for (auto _ : state) {
        settypedline("(x)");
        text[0] = '\0';
        char* cursor = text;
        if (handler(out.data(), nullptr, cursor) != 0) state.SkipWithError("the handler failed");
        benchmark::DoNotOptimize(out.data());
    }
    resetbankslots();
    resetinterpstate();
    platform::install(nullptr);
    std::filesystem::remove_all(dir);
}

void BM_HpFilterCall1999(benchmark::State& state) { runHandler(state, athpfilter); }
void BM_PrescottCall1999(benchmark::State& state) { runHandler(state, atprescott); }

// Pairs of quantities and prices (700 unless said) over `periods` periods.
struct Pairs {
    std::vector<std::vector<float>> q, p, v;
    explicit Pairs(int periods, int count = 700) : q(count), p(count), v(count) {
        for (int k = 0; k < count; ++k) {
            q[k].resize(static_cast<std::size_t>(periods));
            p[k].resize(static_cast<std::size_t>(periods));
            v[k].resize(static_cast<std::size_t>(periods));
            for (int t = 0; t < periods; ++t) {
                q[k][t] = 10.0f + static_cast<float>((k * 7 + t * 3) % 23) + 0.01f * t;
                p[k][t] = 1.0f + 0.01f * static_cast<float>((k * 5 + t * 11) % 37) + 0.002f * t;
                v[k][t] = p[k][t] * q[k][t];
            }
        }
    }
};

void BM_FisherChain700(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    Pairs data(periods);
    std::vector<float> qi, pi;
    for (auto _ : state) {
        if (chainkernel(data.q, data.p, periods, 0, qi, pi) != 0) state.SkipWithError("chain failed");
        benchmark::DoNotOptimize(qi.data());
    }
    state.SetItemsProcessed(state.iterations() * 700 * periods);
}

void BM_FisherChwt700(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    Pairs data(periods);
    std::vector<double> Q, N;
    for (auto _ : state) {
        if (chwtkernel(data.v, data.q, periods, 0, false, 1000, Q, N) != 0) state.SkipWithError("chwt failed");
        benchmark::DoNotOptimize(Q.data());
    }
    state.SetItemsProcessed(state.iterations() * 700 * periods);
}

// The chain form with two pairs, as in a statement that chains two goods.
void BM_FisherChain2(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    Pairs data(periods, 2);
    std::vector<float> qi, pi;
    for (auto _ : state) {
        if (chainkernel(data.q, data.p, periods, 0, qi, pi) != 0) state.SkipWithError("chain failed");
        benchmark::DoNotOptimize(qi.data());
    }
    state.SetItemsProcessed(state.iterations() * 2 * periods);
}

// The same with two pairs, as in a statement that chains two goods: the sums are a small part,
// the rest is the chain of the index and the series made from it.
void BM_FisherChwt2(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    Pairs data(periods, 2);
    std::vector<double> Q, N;
    for (auto _ : state) {
        if (chwtkernel(data.v, data.q, periods, 0, false, 1000, Q, N) != 0) state.SkipWithError("chwt failed");
        benchmark::DoNotOptimize(Q.data());
    }
    state.SetItemsProcessed(state.iterations() * 2 * periods);
}

// Baseline: the four sums of products of every link, nothing else.
void BM_ChainSumsBaseline(benchmark::State& state) {
    const int periods = static_cast<int>(state.range(0));
    Pairs data(periods);
    std::vector<double> out(static_cast<std::size_t>(periods));
    for (auto _ : state) {
        for (int t = 1; t < periods; ++t) {
            double A = 0, B = 0, C = 0, D = 0;
            for (int k = 0; k < 700; ++k) {
                const double q0 = data.q[k][t - 1], q1 = data.q[k][t], p0 = data.p[k][t - 1], p1 = data.p[k][t];
                A += p0 * q1;
                B += p0 * q0;
                C += p1 * q0;
                D += p1 * q1;
            }
            out[t] = A * D / (B * C);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 700 * periods);
}

}  // namespace

// Positive values of several magnitudes, as a series of levels.
std::vector<float> levels(int n) {
    std::vector<float> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) x[i] = static_cast<float>(1.0 + 0.37 * i + 50.0 * std::sin(0.01 * i) * std::sin(0.01 * i));
    return x;
}

// One kernel on a fresh copy of the values each time (the copy is timed in the baselines too).
template <class Kernel>
void runKernel(benchmark::State& state, const std::vector<float>& values, Kernel kernel) {
    std::vector<float> x(values.size());
    for (auto _ : state) {
        x = values;
        kernel(x.data(), static_cast<int>(x.size()));
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
}

void BM_LogKernel1999(benchmark::State& state) { runKernel(state, levels(1999), logkernel); }
void BM_LibmLogBaseline1999(benchmark::State& state) {
    runKernel(state, levels(1999), [](float* x, int n) {
        for (int i = 0; i < n; ++i) x[i] = logf(x[i]);
    });
}
void BM_ExpKernel1999(benchmark::State& state) {
    std::vector<float> x = levels(1999);
    for (float& v : x) v = v / 20.0f - 40.0f;
    runKernel(state, x, expkernel);
}
void BM_LibmExpBaseline1999(benchmark::State& state) {
    std::vector<float> x = levels(1999);
    for (float& v : x) v = v / 20.0f - 40.0f;
    runKernel(state, x, [](float* p, int n) {
        for (int i = 0; i < n; ++i) p[i] = expf(p[i]);
    });
}
void BM_DlogKernel1999(benchmark::State& state) { runKernel(state, levels(1999), dlogkernel); }
void BM_PowKernel1999(benchmark::State& state) {
    const std::vector<float> y(1999, 1.5f);
    runKernel(state, levels(1999), [&](float* x, int n) { powkernel(x, y.data(), n); });
}
void BM_NormalKernel1999(benchmark::State& state) {
    randuniform(7);
    runKernel(state, std::vector<float>(1999), normalkernel);
}
void BM_RandKernel1999(benchmark::State& state) {
    randuniform(7);
    runKernel(state, std::vector<float>(1999), randkernel);
}

// The statements' benchmark series: 100 + 0.8 i + 5 sin(0.07 i), i = 0..1998.
std::vector<float> climbing(int n) {
    std::vector<float> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) x[i] = static_cast<float>(100 + 0.8 * i + 5 * std::sin(0.07 * i));
    return x;
}
// The sines of the statements' series (95 to 1704: the reduction by multiples of pi matters).
void BM_SinKernel1999(benchmark::State& state) { runKernel(state, climbing(1999), sinkernel); }
void BM_LibmSinBaseline1999(benchmark::State& state) {
    runKernel(state, climbing(1999), [](float* x, int n) {
        for (int i = 0; i < n; ++i) x[i] = sinf(x[i]);
    });
}
// Large arguments: the statements' series scaled by 2^18 ... 2^116 in turn, from 2^24.6 to
// 2^126.7 (every binade from 2^25 on, both signs): the reduction by pi on integers. The
// long double sine of the same values (how the kernel took each of them before) and the C
// library's sinf beside it.
std::vector<float> largeangles(int n) {
    std::vector<float> x = climbing(n);
    for (int i = 0; i < n; ++i) x[i] = std::ldexp(i % 2 ? -x[i] : x[i], 18 + i % 99);
    return x;
}
void BM_SinKernelLarge1999(benchmark::State& state) { runKernel(state, largeangles(1999), sinkernel); }
void BM_SinLongDoubleLarge1999(benchmark::State& state) {
    runKernel(state, largeangles(1999), [](float* x, int n) {
        for (int i = 0; i < n; ++i) x[i] = floatmath::sinslow(x[i]);
    });
}
void BM_LibmSinLargeBaseline1999(benchmark::State& state) {
    runKernel(state, largeangles(1999), [](float* x, int n) {
        for (int i = 0; i < n; ++i) x[i] = sinf(x[i]);
    });
}
void BM_IninKernel1999(benchmark::State& state) {
    // The annual values in the first quarter of the span, the rest missing; the indicator is
    // their plain interpolation to quarters.
    std::vector<float> annual = climbing(1999);
    std::fill(annual.begin() + 499, annual.end(), MISSING);
    std::vector<float> indicator = annual;
    if (interpkernel(indicator.data(), 1999, 'q', 'n') != 0) state.SkipWithError("interpolation failed");
    runKernel(state, annual, [&](float* x, int n) {
        if (ininkernel(x, indicator.data(), n, 4) != 0) state.SkipWithError("ininkernel failed");
    });
}
void BM_TableKernel1999(benchmark::State& state) {
    const float a[] = {0, 1, 2, 30}, b[] = {0, 100, 400, 900};
    std::vector<float> t = climbing(1999);
    for (float& v : t) v /= 100.0f;
    runKernel(state, t, [&](float* x, int n) { tablekernel(x, n, a, b, 4); });
}
// The same through a table whose abscissae are unevenly spaced (no difference a power of two).
void BM_TableKernelUneven1999(benchmark::State& state) {
    const float a[] = {0, 1.5f, 3.25f, 30}, b[] = {0, 100, 400, 900};
    std::vector<float> t = climbing(1999);
    for (float& v : t) v /= 100.0f;
    runKernel(state, t, [&](float* x, int n) { tablekernel(x, n, a, b, 4); });
}

BENCHMARK(BM_HpFilterKernel)->Arg(250)->Arg(500)->Arg(1000)->Arg(1999)->Complexity();
BENCHMARK(BM_PrescottKernel)->Arg(250)->Arg(500)->Arg(1000)->Arg(1999)->Complexity();
BENCHMARK(BM_MovingSumBaseline)->Arg(250)->Arg(500)->Arg(1000)->Arg(1999);
BENCHMARK(BM_DenseSolveBaseline)->Arg(125)->Arg(250)->Arg(500);
BENCHMARK(BM_HpFilterCall1999);
BENCHMARK(BM_PrescottCall1999);
BENCHMARK(BM_FisherChain700)->Arg(100)->Arg(1999);
BENCHMARK(BM_FisherChain2)->Arg(1999);
BENCHMARK(BM_FisherChwt700)->Arg(100)->Arg(1999);
BENCHMARK(BM_FisherChwt2)->Arg(1999);
BENCHMARK(BM_ChainSumsBaseline)->Arg(100)->Arg(1999);

BENCHMARK(BM_LogKernel1999);
BENCHMARK(BM_LibmLogBaseline1999);
BENCHMARK(BM_ExpKernel1999);
BENCHMARK(BM_LibmExpBaseline1999);
BENCHMARK(BM_DlogKernel1999);
BENCHMARK(BM_PowKernel1999);
BENCHMARK(BM_NormalKernel1999);
BENCHMARK(BM_RandKernel1999);
BENCHMARK(BM_SinKernel1999);
BENCHMARK(BM_LibmSinBaseline1999);
BENCHMARK(BM_SinKernelLarge1999);
BENCHMARK(BM_SinLongDoubleLarge1999);
BENCHMARK(BM_LibmSinLargeBaseline1999);
BENCHMARK(BM_IninKernel1999);
BENCHMARK(BM_TableKernel1999);
BENCHMARK(BM_TableKernelUneven1999);

BENCHMARK_MAIN();
