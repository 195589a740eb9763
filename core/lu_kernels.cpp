#include "core/lu_kernels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

// These loops are the cost of inversion; let the compiler vectorise them (element order is
// unaffected: every vector lane is a separate element). A product and the subtraction that
// uses it stay two roundings even where the target could fuse them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3", "fp-contract=off")
#endif

namespace lukernels {

namespace {

// Two doubles side by side: each lane is a separate element, operated on exactly as a plain
// double would be. Loads and stores go through memcpy, so no alignment is assumed.
using Pair = double __attribute__((vector_size(16)));

inline Pair load(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }
inline Pair splat(double a) { return Pair{a, a}; }

inline void axpyMinus(double* __restrict y, const double* __restrict x, double a, int len) {
    for (int c = 0; c < len; ++c) y[c] -= a * x[c];
}

// The update of a rows x 2*pairs tile of the matrix below and right of a panel by the panel's
// rows k0..k1-1: element (i, c) becomes a_ic - a_ik * a_kc for k = k0, k0 + 1, ... in turn,
// as axpyMinus row after row would leave it, but the tile stays in registers over all k.
template <int rows, int pairs>
void tileUpdate(double* const* r, int c, const double* const* panelRows, int k0, int k1) {
    Pair acc[rows][pairs];
    for (int i = 0; i < rows; ++i)
        for (int p = 0; p < pairs; ++p) acc[i][p] = load(r[i] + c + 2 * p);
    for (int k = k0; k < k1; ++k) {
        const double* rk = panelRows[k] + c;
        Pair b[pairs];
        for (int p = 0; p < pairs; ++p) b[p] = load(rk + 2 * p);
        for (int i = 0; i < rows; ++i) {
            const Pair a = splat(r[i][k]);
            for (int p = 0; p < pairs; ++p) acc[i][p] -= a * b[p];
        }
    }
    for (int i = 0; i < rows; ++i)
        for (int p = 0; p < pairs; ++p) store(r[i] + c + 2 * p, acc[i][p]);
}

// Rows first..n-1, columns c0..n-1 take the updates of the panel rows k0..k1-1 (whose
// multipliers are in columns k0..k1-1 of each row), in ascending order of k per element.
void updateBelow(double** rows, int first, int n, int c0, int k0, int k1) {
    constexpr int tileRows = 4, tilePairs = 2, tileCols = 2 * tilePairs;
    const int cEnd = c0 + (n - c0) / tileCols * tileCols;
    int i = first;
    for (; i + tileRows <= n; i += tileRows)
        for (int c = c0; c < cEnd; c += tileCols)
            tileUpdate<tileRows, tilePairs>(rows + i, c, rows, k0, k1);
    for (; i < n; ++i)
        for (int c = c0; c < cEnd; c += tileCols) tileUpdate<1, tilePairs>(rows + i, c, rows, k0, k1);
    if (cEnd < n)
        for (int r = first; r < n; ++r) {
            double* ri = rows[r];
            for (int k = k0; k < k1; ++k) axpyMinus(ri + cEnd, rows[k] + cEnd, ri[k], n - cEnd);
        }
}

// Columns of the work rows are handled in strips of this many doubles: a strip of every row
// stays in the first-level cache while the substitutions run down or up its rows.
constexpr int strip = 12;
constexpr int stripPairs = strip / 2;

// acc -= coef[j] * x_j for j = j0..j1-1 in turn, x_j being the strip of work row j.
inline void subtractTerms(Pair (&acc)[stripPairs], const double* coef, const double* x,
                          std::size_t stride, int j0, int j1) {
    for (int j = j0; j < j1; ++j) {
        const Pair a = splat(coef[j]);
        const double* xj = x + static_cast<std::size_t>(j) * stride;
        for (int p = 0; p < stripPairs; ++p) acc[p] -= a * load(xj + 2 * p);
    }
}

// The work rows of the inversion: n rows of a stride rounded up to whole strips (the extra
// columns hold zeros and results nobody reads), kept between calls so that repeated inversions
// neither allocate nor fault in fresh pages. Kept only up to a modest size.
class WorkRows {
public:
    double* get(std::size_t count) {
        if (count > capacity_) {
            release();
            data_ = static_cast<double*>(
                ::operator new(count * sizeof(double), std::align_val_t(64), std::nothrow));
            if (!data_) return nullptr;
            capacity_ = count;
        }
        return data_;
    }
    void trim() {
        if (capacity_ > keepLimit) release();
    }
    ~WorkRows() { release(); }

private:
    static constexpr std::size_t keepLimit = std::size_t(8) << 20;  // doubles: 64 MB
    void release() {
        if (data_) ::operator delete(data_, std::align_val_t(64));
        data_ = nullptr;
        capacity_ = 0;
    }
    double* data_ = nullptr;
    std::size_t capacity_ = 0;
};

thread_local WorkRows workRows;

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
        // The rows below: the panel's updates in order, tile by tile.
        updateBelow(rows, j1, n, j1, j0, j1);
    }
}

bool invertFromFactors(const double* const* lu, const int* column, double* const* out, int n) {
    const std::size_t stride = static_cast<std::size_t>((n + strip - 1) / strip * strip);
    double* w = workRows.get(stride * static_cast<std::size_t>(n));
    if (!w) return false;
    auto row = [&](int i) { return w + static_cast<std::size_t>(i) * stride; };
    // Row i of L^-1 is nonzero only in columns 0..i; column c takes the terms j = c..i-1 in
    // order, starting from the unit vector (as the forward substitution that skips leading
    // zeros does). Column c of a strip starting at s has its terms j = c..s+strip-1 first
    // (one by one, only for the columns they reach), then the whole strip takes j from
    // s+strip on.
    for (int i = 0; i < n; ++i) {
        std::fill(row(i), row(i) + stride, 0.0);
        row(i)[i] = 1.0;
    }
    for (int s = 0; s < n; s += strip) {
        const int headEnd = std::min(n, s + strip);
        for (int i = s + 1; i < n; ++i) {
            double* wi = row(i) + s;
            const double* li = lu[i];
            const int jHead = std::min(i, headEnd);
            for (int j = s; j < jHead; ++j) axpyMinus(wi, row(j) + s, li[j], j - s + 1);
            if (i <= headEnd) continue;
            Pair acc[stripPairs];
            for (int p = 0; p < stripPairs; ++p) acc[p] = load(wi + 2 * p);
            subtractTerms(acc, li, w + s, stride, headEnd, i);
            for (int p = 0; p < stripPairs; ++p) store(wi + 2 * p, acc[p]);
        }
    }
    // Back substitution with the upper factor on every column: terms j = i+1..n-1 in order,
    // then the division by the diagonal.
    for (int s = 0; s < n; s += strip) {
        for (int i = n - 1; i >= 0; --i) {
            double* xi = row(i) + s;
            const double* ui = lu[i];
            Pair acc[stripPairs];
            for (int p = 0; p < stripPairs; ++p) acc[p] = load(xi + 2 * p);
            subtractTerms(acc, ui, w + s, stride, i + 1, n);
            const Pair d = splat(ui[i]);
            for (int p = 0; p < stripPairs; ++p) store(xi + 2 * p, acc[p] / d);
        }
    }
    // Column k of the solution belongs to the unit vector column[k].
    for (int i = 0; i < n; ++i) {
        double* dst = out[i];
        const double* src = row(i);
        for (int k = 0; k < n; ++k) dst[column[k]] = src[k];
    }
    workRows.trim();
    return true;
}

}  // namespace lukernels
