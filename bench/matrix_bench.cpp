// Inversion and LU solution of a dense 500 x 500 matrix: Matrix<double>::invert,
// ludcmp/lubksb and ludecomp/lusolver against the reference LAPACK (dgetrf + dgetri, dgetrf + dgetrs), one thread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/matrix.h"
#include "core/lprog.h"
#include "core/matrix_algebra.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"

extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info, std::size_t transLength);
}

namespace {

// Keeps the results window quiet while benchmarking (a large determinant prints a warning).
using platform::QuietPlatform;

QuietPlatform quiet;

// A well-conditioned random matrix (diagonally weighted) and a right-hand side.
std::vector<double> testMatrix(int n) {
    std::mt19937_64 gen(12345);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> a(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) a[static_cast<std::size_t>(i) * n + j] = u(gen) + (i == j ? n / 10.0 : 0);
    return a;
}

Matrix<double> toMatrix(const std::vector<double>& a, int n) {
    Matrix<double> m(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) m.rowAt(i)[j] = a[static_cast<std::size_t>(i) * n + j];
    return m;
}

// The right-hand side of the solves (1-based): i % 7 - 3.
Vector<double> testRhs(int n) {
    Vector<double> rhs(n, 1);
    for (int i = 1; i <= n; ++i) rhs[i] = i % 7 - 3.0;
    return rhs;
}

void BM_JexInvert(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Matrix<double> original = toMatrix(testMatrix(n), n);
    for (auto _ : state) {
        Matrix<double> m = original;
        benchmark::DoNotOptimize(m.invert());
        benchmark::DoNotOptimize(m.rowAt(0));
    }
}

// The same inverse in the textbook loop order (Crout column by column, then one unit vector
// at a time through the substitutions), for comparison with the reordered loops of invert.
void textbookInvert(std::vector<double>& a, int n) {
    auto at = [&](int i, int j) -> double& { return a[static_cast<std::size_t>(i) * n + j]; };
    std::vector<double> vv(static_cast<std::size_t>(n)), b(static_cast<std::size_t>(n));
    std::vector<int> indx(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        double big = 0;
        for (int j = 0; j < n; ++j) big = std::max(big, std::fabs(at(i, j)));
        vv[static_cast<std::size_t>(i)] = 1.0 / big;
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            double sum = at(i, j);
            for (int k = 0; k < i; ++k) sum -= at(i, k) * at(k, j);
            at(i, j) = sum;
        }
        double big = 0;
        int imax = j;
        for (int i = j; i < n; ++i) {
            double sum = at(i, j);
            for (int k = 0; k < j; ++k) sum -= at(i, k) * at(k, j);
            at(i, j) = sum;
            double dum = vv[static_cast<std::size_t>(i)] * std::fabs(sum);
            if (dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (imax != j) {
            for (int k = 0; k < n; ++k) std::swap(at(imax, k), at(j, k));
            vv[static_cast<std::size_t>(imax)] = vv[static_cast<std::size_t>(j)];
        }
        indx[static_cast<std::size_t>(j)] = imax;
        if (std::fabs(at(j, j)) < 1e-20) at(j, j) = 1e-20;
        for (int i = j + 1; i < n; ++i) at(i, j) /= at(j, j);
    }
    std::vector<double> inv(a.size());
    for (int col = 0; col < n; ++col) {
        std::fill(b.begin(), b.end(), 0.0);
        b[static_cast<std::size_t>(col)] = 1.0;
        int ii = -1;
        for (int i = 0; i < n; ++i) {
            int ip = indx[static_cast<std::size_t>(i)];
            double sum = b[static_cast<std::size_t>(ip)];
            b[static_cast<std::size_t>(ip)] = b[static_cast<std::size_t>(i)];
            if (ii >= 0)
                for (int j = ii; j < i; ++j) sum -= at(i, j) * b[static_cast<std::size_t>(j)];
            else if (sum != 0.0)
                ii = i;
            b[static_cast<std::size_t>(i)] = sum;
        }
        for (int i = n - 1; i >= 0; --i) {
            double sum = b[static_cast<std::size_t>(i)];
            for (int j = i + 1; j < n; ++j) sum -= at(i, j) * b[static_cast<std::size_t>(j)];
            b[static_cast<std::size_t>(i)] = sum / at(i, i);
        }
        for (int i = 0; i < n; ++i) inv[static_cast<std::size_t>(i) * n + col] = b[static_cast<std::size_t>(i)];
    }
    a.swap(inv);
}

void BM_TextbookInvert(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> original = testMatrix(n);
    for (auto _ : state) {
        std::vector<double> a = original;
        textbookInvert(a, n);
        benchmark::DoNotOptimize(a.data());
    }
}

void BM_LapackInvert(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> original = testMatrix(n);
    std::vector<int> ipiv(static_cast<std::size_t>(n));
    int lwork = -1, info = 0;
    double query = 0;
    std::vector<double> a = original;
    dgetri_(&n, a.data(), &n, ipiv.data(), &query, &lwork, &info);
    lwork = static_cast<int>(query);
    std::vector<double> work(static_cast<std::size_t>(lwork));
    for (auto _ : state) {
        a = original;
        dgetrf_(&n, &n, a.data(), &n, ipiv.data(), &info);
        dgetri_(&n, a.data(), &n, ipiv.data(), work.data(), &lwork, &info);
        benchmark::DoNotOptimize(a.data());
    }
}

void BM_JexLuSolve(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Matrix<double> original = toMatrix(testMatrix(n), n);
    const Vector<double> rhs = testRhs(n);
    for (auto _ : state) {
        Matrix<double> m = original;
        Vector<double> indx, b = rhs;
        double sign = 0;
        m.ludcmp(indx, sign);
        m.lubksb(indx, b);
        benchmark::DoNotOptimize(b.data());
    }
}

// The same solve through the routines of the simplex method (ludecomp, lusolver).
void BM_JexLuDecompSolver(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Matrix<double> original = toMatrix(testMatrix(n), n);
    const Vector<double> rhs = testRhs(n);
    for (auto _ : state) {
        Matrix<double> m = original;
        Vector<int> perm;
        Vector<double> b = rhs;
        int status = 0;
        ludecomp(m, perm, &status);
        lusolver(m, b, perm, &status, 0);
        benchmark::DoNotOptimize(b.data());
    }
}

void BM_LapackLuSolve(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> original = testMatrix(n);
    std::vector<int> ipiv(static_cast<std::size_t>(n));
    std::vector<double> rhs(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) rhs[static_cast<std::size_t>(i)] = (i + 1) % 7 - 3.0;
    const int one = 1;
    int info = 0;
    for (auto _ : state) {
        std::vector<double> a = original, b = rhs;
        dgetrf_(&n, &n, a.data(), &n, ipiv.data(), &info);
        // The row-major matrix is the transpose in column-major terms.
        dgetrs_("T", &n, &one, a.data(), &n, ipiv.data(), b.data(), &n, &info, 1);
        benchmark::DoNotOptimize(b.data());
    }
}

}  // namespace

BENCHMARK(BM_JexInvert)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextbookInvert)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackInvert)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JexLuSolve)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JexLuDecompSolver)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackLuSolve)->Arg(500)->Unit(benchmark::kMillisecond);
int main(int argc, char** argv) {
    platform::install(&quiet);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    platform::install(nullptr);
    return 0;
}
