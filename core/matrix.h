// The `Matrix<T>` template (float, double, int): rows firstRow..lastRow by columns
// firstCol..lastCol, every access tested. The elements live in one block, row after row, and
// a row table points at each row, so rows can be exchanged by exchanging pointers and a row
// is handed out (`Matrix<T>::Row`) without copying.
//
// Matrices are values like vectors (see core/vector.h): copies are deep and ordinary, moves
// take the storage over.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "core/missing.h"
#include "core/printout.h"
#include "core/vector.h"

namespace matrixdetail {
[[noreturn]] void deletedMatrixRow();
[[noreturn]] void badMatrixRow(int row);
[[noreturn]] void deletedRow();
[[noreturn]] void badRowColumn(int col);
[[noreturn]] void badElement(int kind, int row, int col, int arrayNumber);
}  // namespace matrixdetail

template <typename T>
class Matrix : public vorm {
public:
    // One row of a matrix, indexed by column number; it does not own the row.
    template <typename U>
    class RowRef {
    public:
        RowRef(U* elements, int firstCol, int lastCol)
            : elements_(elements), firstCol_(firstCol), lastCol_(lastCol) {}
        U& operator[](int col) const {
            if (!elements_) matrixdetail::deletedRow();
            if (col < firstCol_ || col > lastCol_) matrixdetail::badRowColumn(col);
            return elements_[col - firstCol_];
        }
        int firstCol() const { return firstCol_; }
        int lastCol() const { return lastCol_; }
        // The row's first element (column firstCol), unchecked.
        U* elements() const { return elements_; }

    private:
        U* elements_;
        int firstCol_;
        int lastCol_;
    };
    using Row = RowRef<T>;
    using ConstRow = RowRef<const T>;

    Matrix() = default;

    Matrix(int rows, int cols, char tempMark = 'n', int firstRow = 1, int firstCol = 1) {
        temp = tempMark;
        setShape(rows, cols, firstRow, firstCol);
        if (!allocate()) printout("\nError:  out of memory on array number %d.\n", arrayNumber);
    }

    Matrix(const Matrix& other) : vorm() {
        copyShape(other);
        if (!other.table_) return;
        if (!allocate()) {
            printout("\nError:  out of memory on array number %d.\n", arrayNumber);
            pausebox("Error in Matrix constructor.", "");
            return;
        }
        copyElements(other);
    }

    Matrix(Matrix&& other) noexcept : vorm() {
        copyShape(other);
        block_ = std::move(other.block_);
        table_ = std::move(other.table_);
        other.clear();
    }

    ~Matrix() override { Matrix::clear(); }

    Matrix& operator=(const Matrix& src) {
        if (this == &src) return *this;
        warnIfUnequal(src);
        releaseKeepingIdentity();
        if (!src.table_) return *this;
        copyShape(src);
        if (!allocate()) {
            printout("\nError:  out of memory on array number %d.\n", arrayNumber);
            pausebox("Error in Matrix=.", "");
            resetShape();
            return *this;
        }
        copyElements(src);
        return *this;
    }

    Matrix& operator=(Matrix&& src) {
        if (this == &src) return *this;
        warnIfUnequal(src);
        releaseKeepingIdentity();
        if (!src.table_) return *this;
        copyShape(src);
        block_ = std::move(src.block_);
        table_ = std::move(src.table_);
        src.clear();
        return *this;
    }

    // Fills the matrix; an empty matrix first becomes 1x1 indexed from 1.
    Matrix& operator=(double value) {
        if (!table_) {
            setShape(1, 1, 1, 1);
            if (!allocate()) {
                printout("\nError:  out of memory on array number %d.\n", arrayNumber);
                pausebox("Error in Matrix=.", "");
                resetShape();
                return *this;
            }
        }
        fill(static_cast<T>(value));
        return *this;
    }

    void clear() override {
        if (!table_) return;
        table_.reset();
        block_.reset();
        resetShape();
        temp = 0;
        name.clear();
    }

    void resize(int rows, int cols, int firstRow = 1, int firstCol = 1) {
        if (table_) releaseKeepingIdentity();
        setShape(rows, cols, firstRow, firstCol);
        if (!allocate()) {
            printout("\nError:  out of memory resizing array number %d.\n", arrayNumber);
            pausebox("Error in Matrix.resize().", "");
        }
        temp = 'n';
    }

    void fill(T value) {
        if (table_) std::fill(block_.get(), block_.get() + elementCount(), value);
    }

    Row operator[](int row) {
        checkRow(row);
        return Row(table_[row - firstRow_], firstCol_, lastCol_);
    }
    ConstRow operator[](int row) const {
        checkRow(row);
        return ConstRow(table_[row - firstRow_], firstCol_, lastCol_);
    }

    T& operator()(int row, int col) {
        if (!table_) matrixdetail::badElement(0, row, col, arrayNumber);
        if (row < firstRow_ || row > lastRow_) matrixdetail::badElement(1, row, col, arrayNumber);
        if (col < firstCol_ || col > lastCol_) matrixdetail::badElement(2, row, col, arrayNumber);
        return table_[row - firstRow_][col - firstCol_];
    }
    const T& operator()(int row, int col) const { return const_cast<Matrix&>(*this)(row, col); }

    bool hasStorage() const { return table_ != nullptr; }

    // Unchecked access for the numerical kernels: the row at offset i from firstRow (its
    // element at offset j from firstCol is [j]).
    T* rowAt(int i) { return table_[i]; }
    const T* rowAt(int i) const { return table_[i]; }
    // The row table itself: rowTable()[i] is rowAt(i); null without storage.
    T** rowTable() { return table_.get(); }
    // Exchanges two rows (offsets from firstRow) by their pointers.
    void swapRowsAt(int i, int k) { std::swap(table_[i], table_[k]); }

    // Sums over a group of column numbers (rowsum) or row numbers (colsum), or over all.
    // A failure prints its message and gives an empty vector.
    Vector<T> rowsum(const Vector<int>& group) const { return groupSum(group, true); }
    Vector<T> colsum(const Vector<int>& group) const { return groupSum(group, false); }
    Vector<T> rowsum() const { return fullSum(true); }
    Vector<T> colsum() const { return fullSum(false); }

    // Numerical members, for double matrices indexed from 1 (core/matrix_algebra.cpp).
    // A pivot of magnitude below 1e-20 is replaced by 1e-20. With tinyPivot given, it is set
    // to whether some pivot had a magnitude of at most 1e-20 (the matrix is singular).
    void ludcmp(Vector<double>& indx, double& sign, bool* tinyPivot = nullptr);
    void lubksb(const Vector<double>& indx, Vector<double>& b) const;
    // Inverts in place and gives the determinant. A caller that passes tinyPivot refuses a
    // singular matrix: when the decomposition meets a pivot of magnitude at most 1e-20 it sets
    // *tinyPivot and returns 0 at once, silently, leaving the factors in the matrix; otherwise
    // *tinyPivot is false and the inverse is exactly the one invert() gives.
    double invert(bool* tinyPivot = nullptr);
    double gaussJordan(int first, int last, Vector<double>& pivots);

    void print(const char* title, int width, int decimals) const;

private:
    std::size_t elementCount() const {
        return static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_);
    }

    // Allocates the block and the row table for the current shape. No rows: no storage.
    bool allocate() {
        table_.reset();
        block_.reset();
        if (rows_ < 0 || cols_ < 0) return false;
        if (rows_ == 0) return true;
        std::size_t n = elementCount();
        if (n > static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(T)) return false;
        block_.reset(new (std::nothrow) T[n == 0 ? 1 : n]);
        table_.reset(new (std::nothrow) T*[static_cast<std::size_t>(rows_)]);
        if (!block_ || !table_) {
            block_.reset();
            table_.reset();
            return false;
        }
        for (int i = 0; i < rows_; ++i)
            table_[i] = block_.get() + static_cast<std::size_t>(i) * static_cast<std::size_t>(cols_);
        return true;
    }

    void copyElements(const Matrix& src) {
        for (int i = 0; i < rows_; ++i) std::copy(src.table_[i], src.table_[i] + cols_, table_[i]);
    }

    // Frees the storage but keeps the array's number, name and mark (the target of an
    // assignment stays the same array).
    void releaseKeepingIdentity() {
        table_.reset();
        block_.reset();
        resetShape();
    }

    void warnIfUnequal(const Matrix& src) const {
        if ((rows_ > 0 && rows_ != src.rows_) || (cols_ > 0 && cols_ != src.cols_))
            printout("\nWarning:  Assigning matrices of unequal size.\n");
    }

    void checkRow(int row) const {
        if (!table_) matrixdetail::deletedMatrixRow();
        if (row < firstRow_ || row > lastRow_) matrixdetail::badMatrixRow(row);
    }

    Vector<T> groupSum(const Vector<int>& group, bool byRows) const {
        try {
            int n = byRows ? rows_ : cols_;
            Vector<T> result(n, 1, 'n', byRows ? firstRow_ : firstCol_, 1);
            result.fill(T(0));
            if (group.count() <= 0) throw Jex7Errors("empty group");
            for (int k = group.first(); k < group.first() + group.count(); ++k) {
                int g = group[k];
                int lo = byRows ? firstCol_ : firstRow_;
                int hi = byRows ? lastCol_ : lastRow_;
                if (g < lo || g > hi) {
                    printout("Error:  group element %d out of bounds.", g);
                    throw Jex7Errors("group element out of bounds");
                }
                for (int i = 0; i < n; ++i) {
                    T v = byRows ? table_[i][g - firstCol_] : table_[g - firstRow_][i];
                    result.data()[i] = static_cast<T>(result.data()[i] + v);
                }
            }
            return result;
        } catch (...) {
            printout(byRows ? "Error:  in Matrix row sum.\n" : "Error:  in Matrix column sum.\n");
            return Vector<T>();
        }
    }

    Vector<T> fullSum(bool byRows) const {
        int n = byRows ? rows_ : cols_;
        Vector<T> result(n, 1, 'n', byRows ? firstRow_ : firstCol_, 1);
        if (!result.hasData()) return result;
        for (int i = 0; i < n; ++i) {
            double s = 0;
            if (table_) {
                if (byRows)
                    for (int j = 0; j < cols_; ++j) s += static_cast<double>(table_[i][j]);
                else
                    for (int r = 0; r < rows_; ++r) s += static_cast<double>(table_[r][i]);
            }
            result.data()[i] = static_cast<T>(s);
        }
        return result;
    }

    std::unique_ptr<T[]> block_;
    std::unique_ptr<T*[]> table_;
};

// Columns become rows: element (j, i) of the result is element (i, j) of m.
template <typename T>
Matrix<T> transpose(const Matrix<T>& m) {
    if (!m.hasStorage()) return Matrix<T>();
    Matrix<T> t(m.cols(), m.rows(), 'n', m.firstCol(), m.firstRow());
    if (!t.hasStorage()) return t;
    for (int i = 0; i < m.rows(); ++i)
        for (int j = 0; j < m.cols(); ++j) t.rowAt(j)[i] = m.rowAt(i)[j];
    return t;
}

template <typename T>
void Matrix<T>::print(const char* title, int width, int decimals) const {
    if (title && *title) {
        printout("\n%s", title);
        std::string t(title);
        if (t.back() != '\n') printout("\n");
    }
    char format[32];
    if constexpr (std::is_integral_v<T>)
        std::snprintf(format, sizeof format, " %s%dd", "%", width);
    else
        std::snprintf(format, sizeof format, " %s%d.%df", "%", width, decimals);
    for (int i = 0; i < rows_ && table_; ++i) {
        printout("%3d", firstRow_ + i);
        printout(" %3d ", 1);
        for (int j = 0; j < cols_; ++j) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
            if constexpr (std::is_integral_v<T>)
                printoutlong(format, static_cast<int>(table_[i][j]));
            else
                printoutlong(format, static_cast<double>(table_[i][j]));
#pragma GCC diagnostic pop
        }
        printout("\n");
    }
    printout("\n");
}
