// LU decomposition (Crout's method with implicit row scaling and partial pivoting, as in
// ludcmp/lubksb of Numerical Recipes), inversion, the Gauss-Jordan sweep and the operators.
//
// The decomposition is computed by elimination in column panels (core/lu_kernels.cpp): every
// element receives exactly the same subtractions, in the same order of k, as in Crout's
// column-by-column order, so the factors are bit for bit those of the textbook routine; the
// inner loops just run along contiguous rows that stay in the cache. The inverse solves all
// unit right-hand sides at once the same way.

#include "core/matrix_algebra.h"

#include <cmath>
#include <vector>

#include "core/lu_kernels.h"

namespace {

void ensureIndexVector(Vector<double>& indx, int n) {
    if (indx.count() == n && indx.first() == 1 && indx.hasData()) return;
    indx.clear();
    indx.resize(n, 1, 1, 1);
}

}  // namespace

template <>
void Matrix<double>::ludcmp(Vector<double>& indx, double& sign, bool* tinyPivot) {
    const int n = rows_;
    if (!table_ || cols_ != rows_) {
        printout("\nError:  matrix is not square in ludcmp():  %d rows and %d columns.\n", rows_,
                 cols_);
        pausebox("Error in Matrix.ludcmp().", "");
        throw Jex7Errors("Error in Matrix.ludcmp()");
    }
    ensureIndexVector(indx, n);
    std::vector<double> scale(static_cast<std::size_t>(n));
    sign = 1.0;
    for (int i = 0; i < n; ++i) {
        double big = 0.0;
        const double* r = table_[i];
        for (int j = 0; j < n; ++j) {
            double t = std::fabs(r[j]);
            if (t > big) big = t;
        }
        if (big == 0.0) {
            printout("\nError:  singular matrix in routine ludcmp.\n");
            pausebox("Error in Matrix.ludcmp().", "");
            throw Jex7Errors("Error in Matrix.ludcmp()");
        }
        scale[static_cast<std::size_t>(i)] = 1.0 / big;
    }
    double* pivotRows = indx.data();
    double** rows = table_.get();
    bool tiny = false;
    lukernels::eliminate(rows, n, [&](int j) {
        // Column j is complete for rows j..n-1: choose the pivot (the later row on ties).
        double big = 0.0;
        int imax = j;
        for (int i = j; i < n; ++i) {
            double dum = scale[static_cast<std::size_t>(i)] * std::fabs(rows[i][j]);
            if (dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (imax != j) {
            std::swap(rows[imax], rows[j]);
            sign = -sign;
            scale[static_cast<std::size_t>(imax)] = scale[static_cast<std::size_t>(j)];
        }
        pivotRows[j] = static_cast<double>(imax + firstRow_);
        const double size = std::fabs(rows[j][j]);
        if (size <= 1e-20) tiny = true;
        if (size < 1e-20) rows[j][j] = 1e-20;
        const double pivot = rows[j][j];
        for (int i = j + 1; i < n; ++i) rows[i][j] /= pivot;
    });
    if (tinyPivot) *tinyPivot = tiny;
}

template <>
void Matrix<double>::lubksb(const Vector<double>& indx, Vector<double>& b) const {
    const int n = rows_;
    if (!table_ || cols_ != n || indx.count() != n || b.count() != n) {
        printout("\nError:  dimensions do not match in lubksb().\n");
        pausebox("Error in Matrix.lubksb().", "");
        throw Jex7Errors("Error in Matrix.lubksb()");
    }
    double* x = b.data();
    const double* pivotRows = indx.data();
    int ii = -1;
    for (int i = 0; i < n; ++i) {
        int ip = static_cast<int>(pivotRows[i]) - firstRow_;
        if (ip < 0 || ip >= n) {
            printout("\nError:  bad pivot index %d in lubksb().\n", ip + firstRow_);
            pausebox("Error in Matrix.lubksb().", "");
            throw Jex7Errors("Error in Matrix.lubksb()");
        }
        double sum = x[ip];
        x[ip] = x[i];
        if (ii >= 0) {
            const double* r = table_[i];
            for (int j = ii; j < i; ++j) sum -= r[j] * x[j];
        } else if (sum != 0.0) {
            ii = i;
        }
        x[i] = sum;
    }
    for (int i = n - 1; i >= 0; --i) {
        const double* r = table_[i];
        double sum = x[i];
        for (int j = i + 1; j < n; ++j) sum -= r[j] * x[j];
        x[i] = sum / r[i];
    }
}

template <>
double Matrix<double>::invert(bool* tinyPivot) {
    if (rows_ != cols_ || !table_) {
        printout("Error:  matrix is not square in invert():  %d rows and %d columns.\n", rows_,
                 cols_);
        pausebox("Error in Matrix.invert().", "");
        throw Jex7Errors("Error:  matrix is not square in invert()");
    }
    const int n = rows_;
    Vector<double> indx;
    double det = 0;
    ludcmp(indx, det, tinyPivot);
    if (tinyPivot && *tinyPivot) return 0.0;
    for (int i = 0; i < n; ++i) {
        double diag = table_[i][i];
        if (std::fabs(9.99e100 / diag) < std::fabs(det)) {
            det = 9.99e100;
            printout("\nWarning:  determinant is not accurate.\n");
            break;
        }
        det *= diag;
    }
    if (std::fabs(det) < doubleEpsilon)
        printout("\nWarning:  matrix is singular or nearly singular in invert().\n");

    // Each unit vector e_c goes through the row interchanges and lands at row position[c];
    // solving for the unit vectors in the order of those positions lets the forward
    // substitution skip the leading zeros exactly as the one-column substitution does.
    std::vector<int> original(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) original[static_cast<std::size_t>(i)] = i;
    for (int i = 0; i < n; ++i) {
        int ip = static_cast<int>(indx.data()[i]) - firstRow_;
        std::swap(original[static_cast<std::size_t>(i)], original[static_cast<std::size_t>(ip)]);
    }
    // Column k of the solution belongs to the unit vector original[k]; the rows of the
    // factors are no longer needed once it is complete, so the inverse is written over them.
    if (!lukernels::invertFromFactors(const_cast<const double* const*>(table_.get()),
                                      original.data(), table_.get(), n)) {
        printout("\nError:  out of memory on array number %d.\n", arrayNumber);
        pausebox("Error in Matrix.invert().", "");
    }
    return det;
}

template <>
double Matrix<double>::gaussJordan(int first, int last, Vector<double>& pivots) {
    Matrix<double>& a = *this;
    if (first == 0) first = firstRow_;
    if (last == 0) last = lastRow_;
    double product = 1.0;
    for (int k = first; k <= last; ++k) {
        double p = a(k, k);
        if (std::fabs(p) < 1e-6) {
            printout("\nNear-zero diagonal; matrix probably singular. Returning partly inverted matrix.\n");
            return product;
        }
        product *= p;
        pivots[k] = p;
        a(k, k) = 1.0;
        double* rk = table_[k - firstRow_];
        for (int j = 0; j < cols_; ++j) rk[j] /= p;
        for (int i = 0; i < rows_; ++i) {
            if (i == k - firstRow_) continue;
            double* ri = table_[i];
            double f = ri[k - firstCol_];
            ri[k - firstCol_] = 0.0;
            for (int j = 0; j < cols_; ++j) ri[j] -= f * rk[j];
        }
    }
    return product;
}

// ---- operators -------------------------------------------------------------------------

namespace {

Vector<double> sameShape(const Vector<double>& v) {
    if (!v.hasData()) return Vector<double>();
    return Vector<double>(v.rows(), v.cols(), 'n', v.firstRow(), v.firstCol());
}

}  // namespace

Vector<double> operator*(double number, const Vector<double>& v) {
    Vector<double> r = sameShape(v);
    for (int k = 0; k < r.count(); ++k) r.data()[k] = v.data()[k] * number;
    return r;
}

Vector<double> operator*(const Vector<double>& v, double number) { return number * v; }

Vector<double> operator/(const Vector<double>& v, double number) {
    if (!v.hasData()) return Vector<double>();
    Vector<double> r(v.rows(), v.cols(), 'n', 1, 1);
    if (number == 0) {
        printout("Division by zero in Vector operator /.\n");
        r.fill(0.0);
        return r;
    }
    double inverse = 1.0 / number;
    for (int k = 0; k < r.count(); ++k) r.data()[k] = v.data()[k] * inverse;
    return r;
}

Vector<double> operator+(const Vector<double>& a, const Vector<double>& b) {
    if (a.firstRow() != b.firstRow() || a.lastRow() != b.lastRow())
        printout("\nWarning:  vector dimensions do not match in + operator.\n");
    Vector<double> r = sameShape(a);
    int common = std::min(r.count(), b.hasData() ? b.count() : 0);
    for (int k = 0; k < common; ++k) r.data()[k] = a.data()[k] + b.data()[k];
    for (int k = common; k < r.count(); ++k) r.data()[k] = a.data()[k];
    return r;
}

Vector<double> operator-(const Vector<double>& a, const Vector<double>& b) {
    if (a.firstRow() != b.firstRow() || a.lastRow() != b.lastRow()) {
        printout("\nError:  vector dimensions do not match in - operator.\n");
        pausebox("Error: vector dimensions do not match.", "Error");
    }
    Vector<double> r = sameShape(a);
    int common = std::min(r.count(), b.hasData() ? b.count() : 0);
    for (int k = 0; k < common; ++k) r.data()[k] = a.data()[k] - b.data()[k];
    for (int k = common; k < r.count(); ++k) r.data()[k] = a.data()[k];
    return r;
}

Vector<double> operator*(const Matrix<double>& m, const Vector<double>& v) {
    if (!m.hasStorage() || !v.hasData()) {
        printout("\nmatrix*vector dimensions do not match.\n");
        printout("returning a zero vector.\n");
        return Vector<double>();
    }
    Vector<double> r(m.rows(), v.cols(), 'n', m.firstRow(), v.firstCol());
    if (!r.hasData()) return r;
    if (v.rows() != m.cols() || !v.hasData() || !m.hasStorage() || v.count() != m.cols()) {
        printout("\nmatrix*vector dimensions do not match.\n");
        printout("returning a zero vector.\n");
        r.fill(0.0);
        return r;
    }
    for (int i = 0; i < r.count(); ++i) {
        double s = 0;
        const double* row = m.rowAt(i);
        for (int k = 0; k < m.cols(); ++k) s += row[k] * v.data()[k];
        r.data()[i] = s;
    }
    return r;
}

Matrix<double> operator*(const Matrix<double>& a, const Matrix<double>& b) {
    Matrix<double> c(a.rows(), b.cols(), 'n', a.firstRow(), b.firstCol());
    if (!c.hasStorage()) return c;
    if (b.rows() != a.cols() || !a.hasStorage() || !b.hasStorage()) {
        printout("\nError:  matrix dimensions do not match in * operator.\n");
        pausebox("Error in Matrix*.", "");
        c.fill(0.0);
        return c;
    }
    // Accumulated in the order k = 0..cols-1 for every element, a row of C at a time.
    const int n = b.cols();
    std::vector<double> acc(static_cast<std::size_t>(n));
    for (int i = 0; i < a.rows(); ++i) {
        std::fill(acc.begin(), acc.end(), 0.0);
        const double* ai = a.rowAt(i);
        for (int k = 0; k < a.cols(); ++k) {
            const double f = ai[k];
            const double* bk = b.rowAt(k);
            for (int j = 0; j < n; ++j) acc[static_cast<std::size_t>(j)] += f * bk[j];
        }
        std::copy(acc.begin(), acc.end(), c.rowAt(i));
    }
    return c;
}

Matrix<double> operator/(const Matrix<double>& m, double number) {
    if (!m.hasStorage()) return Matrix<double>();
    Matrix<double> r(m.rows(), m.cols(), 'n', m.firstRow(), m.firstCol());
    if (!r.hasStorage()) return r;
    if (number == 0) {
        printout("Warning:  dividing a matrix by 0. Result is 0.\n");
        pausebox("Error in Matrix/.", "");
        r.fill(0.0);
        return r;
    }
    double inverse = 1.0 / number;
    for (int i = 0; i < m.rows(); ++i)
        for (int j = 0; j < m.cols(); ++j) r.rowAt(i)[j] = m.rowAt(i)[j] * inverse;
    return r;
}

Matrix<double> operator+(const Matrix<double>& a, const Matrix<double>& b) {
    if (a.firstRow() != b.firstRow() || a.lastRow() != b.lastRow()) {
        printout("\nWarning:  matrix dimensions do not match in + operator.\n");
        printout("adding overlapping areas into a matrix with dimensions of the left one.\n");
    }
    Matrix<double> r(a);
    if (!r.hasStorage() || !b.hasStorage()) return r;
    int r0 = std::max(a.firstRow(), b.firstRow()), r1 = std::min(a.lastRow(), b.lastRow());
    int c0 = std::max(a.firstCol(), b.firstCol()), c1 = std::min(a.lastCol(), b.lastCol());
    for (int i = r0; i <= r1; ++i) {
        double* dst = r.rowAt(i - a.firstRow());
        const double* src = b.rowAt(i - b.firstRow());
        for (int j = c0; j <= c1; ++j) dst[j - a.firstCol()] += src[j - b.firstCol()];
    }
    return r;
}

Vector<double> transpose(const Vector<double>& v) {
    if (!v.hasData()) return Vector<double>();
    Vector<double> r(v.cols(), v.rows(), 'n', v.firstCol(), v.firstRow());
    for (int k = 0; k < r.count(); ++k) r.data()[k] = v.data()[k];
    return r;
}

Vector<double> operator*(const Vector<double>& v, const Matrix<double>& m) {
    if (!m.hasStorage() || !v.hasData()) {
        printout("\nWarning:  vector*matrix dimensions do not match.\n");
        printout("returning a zero vector.\n");
        return Vector<double>();
    }
    Vector<double> r(1, m.cols(), 'n', v.firstRow(), m.firstCol());
    if (!r.hasData()) return r;
    if (v.cols() != m.rows() || !v.hasData() || !m.hasStorage() || v.count() != m.rows()) {
        printout("\nWarning:  vector*matrix dimensions do not match.\n");
        printout("returning a zero vector.\n");
        r.fill(0.0);
        return r;
    }
    for (int j = 0; j < m.cols(); ++j) {
        double s = 0;
        for (int i = 0; i < m.rows(); ++i) s += v.data()[i] * m.rowAt(i)[j];
        r.data()[j] = s;
    }
    return r;
}

Matrix<double> operator*(const Vector<double>& u, const Vector<double>& v) {
    Matrix<double> r(u.rows(), v.cols(), 'n', u.firstRow(), v.firstCol());
    if (!r.hasStorage()) return r;
    if (u.cols() != v.rows() || !u.hasData() || !v.hasData()) {
        printout("\n\nWarning:  vector*vector dimensions do not match.\n");
        printout("returning a zero matrix.\n");
        r.fill(0.0);
        return r;
    }
    if (v.rows() == 1) {
        for (int i = 0; i < r.rows(); ++i)
            for (int j = 0; j < r.cols(); ++j) r.rowAt(i)[j] = u.data()[i] * v.data()[j];
    } else {
        double s = 0;
        for (int k = 0; k < u.count() && k < v.count(); ++k) s += u.data()[k] * v.data()[k];
        r.fill(s);
    }
    return r;
}
