#include "core/lu_kernels.h"

#include <algorithm>

// These loops are the cost of inversion; let the compiler vectorise them (element order is
// unaffected: every vector lane is a separate element).
#pragma GCC optimize("O3")

namespace lukernels {

namespace {

// Column blocks of this many doubles keep the rows being combined in the cache.
constexpr int columnBlock = 128;

inline void axpyMinus(double* __restrict y, const double* __restrict x, double a, int len) {
    for (int c = 0; c < len; ++c) y[c] -= a * x[c];
}

}  // namespace

void eliminate(double** rows, int n, const std::function<void(int)>& pivotStep) {
    constexpr int panel = 32;
    for (int j0 = 0; j0 < n; j0 += panel) {
        const int j1 = std::min(n, j0 + panel);
        // The panel's own columns, one elimination step at a time.
        for (int j = j0; j < j1; ++j) {
            pivotStep(j);
            const double* pj = rows[j] + j + 1;
            const int len = j1 - j - 1;
            if (len > 0)
                for (int i = j + 1; i < n; ++i) axpyMinus(rows[i] + j + 1, pj, rows[i][j], len);
        }
        if (j1 == n) break;
        const int len = n - j1;
        // The panel's rows right of the panel take the updates of the earlier panel rows.
        for (int k = j0 + 1; k < j1; ++k) {
            double* rk = rows[k];
            for (int kk = j0; kk < k; ++kk) axpyMinus(rk + j1, rows[kk] + j1, rk[kk], len);
        }
        // The rows below: the panel's updates in order, one row at a time.
        for (int i = j1; i < n; ++i) {
            double* ri = rows[i];
            for (int k = j0; k < j1; ++k) axpyMinus(ri + j1, rows[k] + j1, ri[k], len);
        }
    }
}

void invertFromFactors(const double* const* lu, double* const* out, int n) {
    // Forward substitution with the unit lower factor on the identity: row i of the result
    // is nonzero only in columns 0..i, and column c takes the terms j = c..i-1 in order.
    for (int i = 0; i < n; ++i) {
        double* wi = out[i];
        std::fill(wi, wi + n, 0.0);
        wi[i] = 1.0;
    }
    for (int c0 = 0; c0 < n; c0 += columnBlock) {
        const int c1 = std::min(n, c0 + columnBlock);
        for (int i = c0 + 1; i < n; ++i) {
            double* wi = out[i];
            const double* li = lu[i];
            const int jEnd = i;  // terms j < i
            for (int j = c0; j < jEnd; ++j) {
                const int cEnd = std::min(j + 1, c1);  // columns c <= j of this block
                axpyMinus(wi + c0, out[j] + c0, li[j], cEnd - c0);
            }
        }
    }
    // Back substitution with the upper factor, every column, terms j = i+1..n-1 in order.
    for (int c0 = 0; c0 < n; c0 += columnBlock) {
        const int len = std::min(n, c0 + columnBlock) - c0;
        for (int i = n - 1; i >= 0; --i) {
            double* xi = out[i] + c0;
            const double* ui = lu[i];
            for (int j = i + 1; j < n; ++j) axpyMinus(xi, out[j] + c0, ui[j], len);
            const double d = ui[i];
            for (int c = 0; c < len; ++c) xi[c] /= d;
        }
    }
}

}  // namespace lukernels
