#include "core/lprog.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/lu_kernels.h"
#include "core/matrix_algebra.h"
#include "core/printout.h"

namespace {

// An n-element column vector indexed from 1 (emptied first, so no resize warning).
void makeColumn(Vector<double>& v, int n) {
    v.clear();
    v.resize(n, 1, 1, 1);
    v.fill(0.0);
}

// The sign that makes row i's right-hand side non-negative.
double rowSign(const Vector<double>& b, int i) { return b.data()[i] < 0 ? -1.0 : 1.0; }

// Determinant of a copy of B; a matrix with a zero row counts as singular.
double basisDeterminant(const Matrix<double>& B) {
    Matrix<double> copy = B;
    try {
        return copy.invert();
    } catch (const Jex7Errors&) {
        return 0.0;
    }
}

void swapColumns(Matrix<double>& B, int leave, Matrix<double>& N, int enter) {
    for (int i = 0; i < B.rows(); ++i) std::swap(B.rowAt(i)[leave], N.rowAt(i)[enter]);
}

// The factors of the basis, the basic values and the multipliers of one iteration.
struct BasisSolve {
    Matrix<double> lu;
    Vector<int> perm;
    Vector<double> xB;
    Vector<double> y;
};

}  // namespace

void ludecomp(Matrix<double>& a, Vector<int>& perm, int* status) {
    const int n = a.rows();
    if (!a.hasStorage() || a.cols() != n) {
        printout("\nError: A is not nxn in ludecomp.\n");
        pausebox("Error:  problem in L-U decomposition.", "Warning");
        *status = -1;
        return;
    }
    if (!(perm.count() == n && perm.first() == 1 && perm.hasData())) {
        perm.clear();
        perm.resize(n, 1, 1, 1);
    }
    std::vector<double> scale(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        double big = 0.0;
        for (int j = 0; j < n; ++j) big = std::max(big, std::fabs(a.rowAt(i)[j]));
        if (big == 0.0) {
            printout("\nError: Singular matrix in ludecomp.\n");
            pausebox("Error in LU decomposition", "Warning");
            *status = 2;
            return;
        }
        scale[static_cast<std::size_t>(i)] = 1.0 / big;
        perm.data()[i] = i + 1;
    }
    // Crout's method by elimination in column panels: every element receives the same
    // subtractions in the same order as in the column-by-column order.
    double** rows = a.rowTable();
    int* p = perm.data();
    lukernels::eliminate(rows, n, [&](int j) {
        double big = 0.0;
        int imax = j;
        for (int i = j; i < n; ++i) {
            double v = scale[static_cast<std::size_t>(i)] * std::fabs(rows[i][j]);
            if (v >= big) {
                big = v;
                imax = i;
            }
        }
        if (imax != j) {
            std::swap(rows[imax], rows[j]);
            std::swap(scale[static_cast<std::size_t>(imax)], scale[static_cast<std::size_t>(j)]);
            std::swap(p[imax], p[j]);
        }
        if (rows[j][j] == 0.0) rows[j][j] = 1e-20;
        if (j < n - 1) {
            const double pivot = rows[j][j];
            for (int i = j + 1; i < n; ++i) rows[i][j] /= pivot;
        }
    });
}

void lusolver(Matrix<double>& lu, Vector<double>& v, Vector<int>& perm, int* status,
              char transposed) {
    const int n = lu.rows();
    bool ok = lu.hasStorage() && lu.cols() == n && v.hasData() && v.count() == n &&
              perm.hasData() && perm.count() == n;
    for (int i = 0; ok && i < n; ++i) ok = perm.data()[i] >= 1 && perm.data()[i] <= n;
    if (!ok) {
        printout("Error in dimensions in lusolver\n");
        pausebox("Error in dimensions in lusolver", "Warning");
        *status = -1;
        return;
    }
    std::vector<double> y(static_cast<std::size_t>(n));
    double* x = v.data();
    const int* p = perm.data();
    if (!transposed) {
        for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = x[p[i] - 1];
        int ii = -1;
        for (int i = 0; i < n; ++i) {
            double sum = y[static_cast<std::size_t>(i)];
            if (ii >= 0) {
                const double* r = lu.rowAt(i);
                for (int j = ii; j < i; ++j) sum -= r[j] * y[static_cast<std::size_t>(j)];
            } else if (sum != 0.0) {
                ii = i;
            }
            y[static_cast<std::size_t>(i)] = sum;
        }
        for (int i = n - 1; i >= 0; --i) {
            const double* r = lu.rowAt(i);
            double sum = y[static_cast<std::size_t>(i)];
            for (int j = i + 1; j < n; ++j) sum -= r[j] * y[static_cast<std::size_t>(j)];
            y[static_cast<std::size_t>(i)] = sum / r[i];
        }
        for (int i = 0; i < n; ++i) x[i] = y[static_cast<std::size_t>(i)];
    } else {
        // U' z = v (lower triangular, diagonal of U), then L' w = z (unit upper).
        int ii = -1;
        for (int i = 0; i < n; ++i) {
            double sum = x[i];
            if (ii >= 0) {
                for (int j = ii; j < i; ++j) sum -= lu.rowAt(j)[i] * y[static_cast<std::size_t>(j)];
            } else if (sum != 0.0) {
                ii = i;
            }
            y[static_cast<std::size_t>(i)] = sum / lu.rowAt(i)[i];
        }
        for (int i = n - 1; i >= 0; --i) {
            double sum = y[static_cast<std::size_t>(i)];
            for (int j = i + 1; j < n; ++j) sum -= lu.rowAt(j)[i] * y[static_cast<std::size_t>(j)];
            y[static_cast<std::size_t>(i)] = sum;
        }
        for (int i = 0; i < n; ++i) x[p[i] - 1] = y[static_cast<std::size_t>(i)];
    }
}

namespace {

// Factorises B and solves for the basic values xB (B xB = rhs) and the multipliers y
// (B' y = cB). On failure prints the phase's messages and returns false with *status set.
bool solveBasis(const Matrix<double>& B, const Vector<double>& rhs, const Vector<double>& cB,
                BasisSolve& s, int* status, bool phaseOne) {
    s.lu = B;
    int st = 0;
    ludecomp(s.lu, s.perm, &st);
    if (st != 0) {
        if (phaseOne) {
            *status = -1;
            pausebox("Error: problem in L-U decomposition for QP problem.", "Error");
        } else {
            *status = st;
        }
        return false;
    }
    s.xB = rhs;
    lusolver(s.lu, s.xB, s.perm, &st, 0);
    if (st != 0) {
        *status = phaseOne ? -1 : st;
        return false;
    }
    s.y = cB;
    lusolver(s.lu, s.y, s.perm, &st, 1);
    if (st != 0) {
        *status = phaseOne ? -1 : st;
        if (phaseOne) pausebox("Error: problem in L-U solver for QP problem.", "Error");
        return false;
    }
    return true;
}

// The column with the most negative reduced cost cN_k - N_k'y (the first on ties), or -1.
int enteringColumn(const Matrix<double>& N, const Vector<double>& cN, const Vector<double>& y) {
    const int m = N.rows(), cols = N.cols();
    std::vector<double> r(static_cast<std::size_t>(cols));
    for (int k = 0; k < cols; ++k) r[static_cast<std::size_t>(k)] = cN.data()[k];
    for (int i = 0; i < m; ++i) {
        const double* row = N.rowAt(i);
        const double yi = y.data()[i];
        for (int k = 0; k < cols; ++k) r[static_cast<std::size_t>(k)] -= row[k] * yi;
    }
    int best = -1;
    double bestValue = 0.0;
    for (int k = 0; k < cols; ++k) {
        if (r[static_cast<std::size_t>(k)] < bestValue) {
            bestValue = r[static_cast<std::size_t>(k)];
            best = k;
        }
    }
    return best;
}

// H = B^-1 N_k. Returns false on an LU failure.
bool enteringDirection(BasisSolve& s, const Matrix<double>& N, int k, Vector<double>& H,
                       int* status) {
    makeColumn(H, N.rows());
    for (int i = 0; i < N.rows(); ++i) H.data()[i] = N.rowAt(i)[k];
    int st = 0;
    lusolver(s.lu, H, s.perm, &st, 0);
    if (st != 0) {
        *status = st;
        return false;
    }
    return true;
}

// The ratio test: the row with H_i > 0 and the smallest xB_i / H_i (the first on ties), or
// -1 when no H_i is positive.
int leavingRow(const Vector<double>& xB, const Vector<double>& H, double start) {
    int leave = -1, firstPositive = -1;
    double best = start;
    for (int i = 0; i < H.count(); ++i) {
        if (H.data()[i] > 0) {
            if (firstPositive < 0) firstPositive = i;
            double ratio = xB.data()[i] / H.data()[i];
            if (ratio < best) {
                best = ratio;
                leave = i;
            }
        }
    }
    return leave >= 0 ? leave : firstPositive;
}

// The right-hand sides with every row made non-negative.
Vector<double> normalisedRhs(const Vector<double>& b) {
    Vector<double> r;
    makeColumn(r, b.count());
    for (int i = 0; i < b.count(); ++i) r.data()[i] = std::fabs(b.data()[i]);
    return r;
}

void pointFromBasis(Vector<double>& x, const Vector<int>& basisIndex, const Vector<double>& xB,
                    int n) {
    x.fill(0.0);
    for (int i = 0; i < basisIndex.count(); ++i) {
        int v = basisIndex.data()[i];
        if (v >= 1 && v <= n) x[v] = xB.data()[i];
    }
}

}  // namespace

void simplexphase1(Matrix<double>& A, Vector<double>& b, int n, int m, int neq,
                   Vector<int>& basisIndex, Vector<int>& nonbasicIndex, Matrix<double>& B,
                   Matrix<double>& nonbasic, Vector<double>& x, int* status, int maxiter,
                   double eps) {
    const int f = n + (m - neq);
    *status = 0;
    // The extended matrix with slacks, every row signed so that its right-hand side is >= 0.
    nonbasic.clear();
    nonbasic.resize(m, f, 1, 1);
    nonbasic.fill(0.0);
    for (int i = 0; i < m; ++i) {
        const double s = rowSign(b, i);
        double* row = nonbasic.rowAt(i);
        for (int j = 0; j < n; ++j) row[j] = s * A.rowAt(i)[j];
        if (i >= neq) row[n + (i - neq)] = s;
    }
    Vector<double> rhs = normalisedRhs(b);
    B.clear();
    B.resize(m, m, 1, 1);
    B.fill(0.0);
    for (int i = 0; i < m; ++i) B.rowAt(i)[i] = 1.0;
    basisIndex.clear();
    basisIndex.resize(m, 1, 1, 1);
    nonbasicIndex.clear();
    nonbasicIndex.resize(f, 1, 1, 1);
    Vector<double> cB, cN;
    makeColumn(cB, m);
    makeColumn(cN, f);
    for (int i = 0; i < m; ++i) {
        basisIndex.data()[i] = f + i + 1;
        cB.data()[i] = 1.0;
    }
    for (int k = 0; k < f; ++k) nonbasicIndex.data()[k] = k + 1;

    BasisSolve s;
    Vector<double> H;
    for (int iter = 0;; ++iter) {
        if (iter >= maxiter) {
            *status = 3;
            printout("The phase I of simplex method does not converges after %d iterations.\n",
                     iter);
            pausebox("Warning: Nonconvergence in QP problem.", "Warning");
            return;
        }
        if (std::fabs(basisDeterminant(B)) < eps) {
            *status = 4;
            printout("Error: The determinant of B is equal to zero.\n");
            pausebox("Error: The determinant of B is equal to zero.", "Error");
            return;
        }
        if (!solveBasis(B, rhs, cB, s, status, true)) return;
        int enter = enteringColumn(nonbasic, cN, s.y);
        if (enter < 0) {
            pointFromBasis(x, basisIndex, s.xB, n);
            bool artificial = false;
            for (int i = 0; i < m; ++i) artificial = artificial || basisIndex.data()[i] > f;
            if (artificial) {
                *status = 1;
                return;
            }
            // Phase II works on the non-basic columns that are not artificial.
            int keep = 0;
            for (int k = 0; k < nonbasic.cols(); ++k)
                if (nonbasicIndex.data()[k] <= f) ++keep;
            Matrix<double> compact(m, keep, 'n', 1, 1);
            Vector<int> compactIndex(keep, 1, 'n', 1, 1);
            int col = 0;
            for (int k = 0; k < nonbasic.cols(); ++k) {
                if (nonbasicIndex.data()[k] > f) continue;
                for (int i = 0; i < m; ++i) compact.rowAt(i)[col] = nonbasic.rowAt(i)[k];
                compactIndex.data()[col] = nonbasicIndex.data()[k];
                ++col;
            }
            nonbasic.clear();
            nonbasicIndex.clear();
            nonbasic = std::move(compact);
            nonbasicIndex = std::move(compactIndex);
            return;
        }
        if (!enteringDirection(s, nonbasic, enter, H, status)) {
            *status = -1;
            return;
        }
        int leave = leavingRow(s.xB, H, 1.7e37);
        if (leave < 0) {
            *status = 2;
            printout("## Warning: The problem is unbounded.\n");
            pausebox("Warning: The problem is unbounded.", "Warning");
            return;
        }
        swapColumns(B, leave, nonbasic, enter);
        std::swap(cB.data()[leave], cN.data()[enter]);
        std::swap(basisIndex.data()[leave], nonbasicIndex.data()[enter]);
    }
}

void LPROG(Vector<double>& x, Vector<double>& c, Matrix<double>& A, Vector<double>& b, int neq,
           int* status, int maxiter, int phaseOnly, double eps, char print) {
    const int m = A.rows();
    const int n = c.count();
    if (A.cols() != n || (m > 0 && !A.hasStorage())) {
        printout("Error: A should be %dx%d not %dx%d  in LPROG.\n", m, n, m, A.cols());
        pausebox("Error in dimensions in QP problem", "Warning");
        *status = -1;
        return;
    }
    if (b.rows() != m || b.count() != m) {
        printout("Error: b should be %dx1 not %dx1 in LPROG.\n", m, b.rows());
        pausebox("Error in dimensions in QP problem.", "Warning");
        *status = -1;
        return;
    }
    if (neq < 0 || neq > m) {
        printout("Error: %d equality constraints among %d constraints in LPROG.\n", neq, m);
        pausebox("Error in dimensions in QP problem.", "Warning");
        *status = -1;
        return;
    }
    makeColumn(x, n);
    *status = 0;
    if (m == 0) {
        // No constraints: x = 0 is feasible, and optimal unless some cost is negative.
        if (phaseOnly == 1) return;
        for (int j = 0; j < n; ++j) {
            if (c.data()[j] < 0) {
                printout("Error: The problem is unbounded.\n");
                *status = 2;
                pausebox("Warning:  unbounded problem in QP", "Warning");
                return;
            }
        }
        return;
    }

    Vector<int> basisIndex, nonbasicIndex;
    Matrix<double> B, N;
    simplexphase1(A, b, n, m, neq, basisIndex, nonbasicIndex, B, N, x, status, maxiter, eps);
    if (phaseOnly == 1) return;
    if (*status > 0) {
        if (*status == 1) printout("Error: Contradictory constraints.\n");
        if (*status == 2) printout("Error: Unbounded problem.\n");
        pausebox("Error:  unbounded problem in QP", "Error");
        return;
    }
    if (*status < 0) return;

    // Phase II from phase I's basis with the real costs (0 for slacks).
    Vector<double> rhs = normalisedRhs(b);
    Vector<double> cB, cN;
    makeColumn(cB, m);
    makeColumn(cN, N.cols());
    for (int i = 0; i < m; ++i) {
        int v = basisIndex.data()[i];
        cB.data()[i] = v <= n ? c.data()[v - 1] : 0.0;
    }
    for (int k = 0; k < N.cols(); ++k) {
        int v = nonbasicIndex.data()[k];
        cN.data()[k] = v <= n ? c.data()[v - 1] : 0.0;
    }
    BasisSolve s;
    Vector<double> H;
    for (int iter = 1;; ++iter) {
        if (iter > maxiter + 1) {
            *status = 3;
            printout("Error: The phase II of the simplex method does not converge after %d iterations.\n",
                     maxiter + 1);
            pausebox("Warning: no convergence in QP problem", "Warning");
            return;
        }
        if (std::fabs(basisDeterminant(B)) < eps) {
            printout("The determinant of B is equal to zero.\n");
            pausebox("Warning:  determinant = 0 in QP problem.", "Warning");
            *status = 4;
            return;
        }
        if (!solveBasis(B, rhs, cB, s, status, false)) return;
        int enter = N.cols() > 0 ? enteringColumn(N, cN, s.y) : -1;
        if (enter < 0) {
            pointFromBasis(x, basisIndex, s.xB, n);
            if (print == 'y') {
                double minimum = 0;
                for (int j = 1; j <= n; ++j) minimum += c[j] * x[j];
                printout("In LPROG, minimum = %f\n", minimum);
                x.print("solution x = ", 10, 5);
            }
            return;
        }
        if (!enteringDirection(s, N, enter, H, status)) return;
        int leave = leavingRow(s.xB, H, 1e37);
        if (leave < 0) {
            printout("Error: The problem is unbounded.\n");
            *status = 2;
            pausebox("Warning:  unbounded problem in QP", "Warning");
            return;
        }
        swapColumns(B, leave, N, enter);
        std::swap(cB.data()[leave], cN.data()[enter]);
        std::swap(basisIndex.data()[leave], nonbasicIndex.data()[enter]);
    }
}
