// Numeric arrays with chosen index bounds: the common base `vorm` and the `Vector<T>`
// template (float, double, int). Every element access tests its bounds; a failed test prints
// a message and throws Jex7Errors.
//
// Ownership: arrays are values. Copying copies the elements, moving hands the storage over,
// so a result of an operator is consumed only when it really is a temporary (an rvalue). The
// `temp` mark is kept for code that marks scratch arrays itself: `freeIfTemp` clears an array
// so marked. Copies and moved-into arrays are always ordinary ('n').
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "core/missing.h"
#include "core/printout.h"

// Set to 1 by every failed vector index test before it throws; read and cleared by callers
// that abandon a computation.
extern char vectorIndexError;

class vorm {
public:
    vorm() = default;
    virtual ~vorm() = default;

    virtual void clear() {}
    void freeIfTemp() {
        if (temp == 'y') clear();
    }

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int firstRow() const { return firstRow_; }
    int firstCol() const { return firstCol_; }
    int lastRow() const { return lastRow_; }
    int lastCol() const { return lastCol_; }

    int arrayNumber = 0;   // shown in messages; set by the owners of named arrays
    char temp = 'n';       // 'y' marks a scratch array that freeIfTemp may clear
    std::string name;      // name of a matrix (vectors do not use it)

protected:
    vorm(const vorm&) = default;
    vorm& operator=(const vorm&) = default;

    void setShape(int rows, int cols, int firstRow, int firstCol) {
        rows_ = rows;
        cols_ = cols;
        firstRow_ = firstRow;
        firstCol_ = firstCol;
        lastRow_ = firstRow + rows - 1;
        lastCol_ = firstCol + cols - 1;
    }
    void resetShape() { rows_ = cols_ = firstRow_ = firstCol_ = lastRow_ = lastCol_ = 0; }
    void copyShape(const vorm& o) {
        rows_ = o.rows_;
        cols_ = o.cols_;
        firstRow_ = o.firstRow_;
        firstCol_ = o.firstCol_;
        lastRow_ = o.lastRow_;
        lastCol_ = o.lastCol_;
    }

    int rows_ = 0;
    int cols_ = 0;
    int firstRow_ = 0;
    int firstCol_ = 0;
    int lastRow_ = 0;
    int lastCol_ = 0;
};

namespace vectordetail {
// Failure paths of the index test, kept out of line.
[[noreturn]] void deletedVector();
[[noreturn]] void badVectorIndex(int index);
}  // namespace vectordetail

template <typename T>
class Vector : public vorm {
public:
    Vector() = default;

    Vector(int rows, int cols, char tempMark = 'n', int firstRow = 1, int firstCol = 1) {
        if (rows != 1 && cols != 1) {
            printout("\nWarning:  Either the number of rows or the number of columns must be 1.\n");
            pausebox("Error in Vector constructor.", "");
            return;
        }
        temp = tempMark;
        setShape(rows, cols, firstRow, firstCol);
        first_ = cols == 1 ? firstRow : firstCol;
        long long n = static_cast<long long>(rows) + cols - 1;
        if (n < 0) {
            printout("\n%d is an illegal number of elements for a vector.\n", static_cast<int>(n));
            pausebox("Error in Vector constructor.", "");
            return;
        }
        if (n == 0) return;
        if (static_cast<unsigned long long>(n) > static_cast<unsigned long long>(PTRDIFF_MAX) / sizeof(T)) {
            printout("\nOut of memory.\n");
            return;
        }
        data_.reset(new (std::nothrow) T[static_cast<std::size_t>(n)]);
        if (!data_) {
            printout("\nOut of memory.\n");
            return;
        }
        count_ = static_cast<int>(n);
    }

    // A copy has its own storage and is an ordinary array.
    Vector(const Vector& other) : vorm() {
        copyShape(other);
        first_ = other.first_;
        if (!other.data_) return;
        data_.reset(new (std::nothrow) T[static_cast<std::size_t>(other.count_)]);
        if (!data_) {
            printout("Out of memory trying to create vector %d.\n", other.arrayNumber);
            return;
        }
        count_ = other.count_;
        std::copy(other.data_.get(), other.data_.get() + count_, data_.get());
    }

    // Moving takes the storage over; the source is left empty.
    Vector(Vector&& other) noexcept : vorm() {
        copyShape(other);
        first_ = other.first_;
        count_ = other.count_;
        data_ = std::move(other.data_);
        other.clear();
    }

    ~Vector() override { Vector::clear(); }

    Vector& operator=(const Vector& src) {
        if (this == &src) return *this;
        warnIfUnequal(src);
        char mark = temp;
        if (!src.data_) {
            clear();
            temp = mark;
            return *this;
        }
        std::unique_ptr<T[]> copy(new (std::nothrow) T[static_cast<std::size_t>(src.count_)]);
        clear();
        temp = mark;
        if (!copy) {
            printout("Error:  cannot copy vector.\n");
            pausebox("Error:  In Vector copy routine.", "Error");
            return *this;
        }
        std::copy(src.data_.get(), src.data_.get() + src.count_, copy.get());
        copyShape(src);
        first_ = src.first_;
        count_ = src.count_;
        data_ = std::move(copy);
        return *this;
    }

    Vector& operator=(Vector&& src) {
        if (this == &src) return *this;
        warnIfUnequal(src);
        char mark = temp;
        clear();
        temp = mark;
        if (!src.data_) {
            src.clear();
            return *this;
        }
        copyShape(src);
        first_ = src.first_;
        count_ = src.count_;
        data_ = std::move(src.data_);
        src.clear();
        return *this;
    }

    // Fills the vector; an empty vector first becomes a one-element vector indexed 1.
    Vector& operator=(double value) {
        if (!data_) {
            data_.reset(new (std::nothrow) T[1]);
            if (!data_) {
                printout("Error:  cannot copy vector.\n");
                pausebox("Error:  In Vector copy routine.", "Error");
                return *this;
            }
            setShape(1, 1, 1, 1);
            first_ = 1;
            count_ = 1;
        }
        fill(static_cast<T>(value));
        return *this;
    }

    void clear() override {
        data_.reset();
        count_ = 0;
        first_ = 0;
        resetShape();
        temp = 0;
    }

    void resize(int rows, int cols, int firstRow = 1, int firstCol = 1) {
        if (data_) {
            printout("\nWarning:  resizing vector with content.\n");
            pausebox("Error in Vector.resize().", "");
            data_.reset();
            count_ = 0;
        }
        if (rows != 1 && cols != 1) {
            printout("\nError:  Rows and columns both not equal to one in resize().\n");
            pausebox("Error in Vector.resize().", "");
            int number = arrayNumber;
            clear();
            arrayNumber = number;
            throw Jex7Errors("in Vector resize function");
        }
        setShape(rows, cols, firstRow, firstCol);
        first_ = cols == 1 ? firstRow : firstCol;
        // One element per row or column; a vector with no rows or no columns has none.
        int n = rows <= 0 || cols <= 0 ? 0 : std::max(rows, cols);
        count_ = 0;
        if (n > 0) {
            data_.reset(new (std::nothrow) T[static_cast<std::size_t>(n)]);
            if (!data_) {
                printout("\nError:  out of memory trying to resize vector %d.\n", arrayNumber);
                pausebox("Error in Vector.resize().", "");
            } else {
                count_ = n;
            }
        }
        temp = 'n';
    }

    void fill(T value) { std::fill(data_.get(), data_.get() + (data_ ? count_ : 0), value); }

    T& operator[](int index) {
        if (!data_) vectordetail::deletedVector();
        if (!valid(index)) vectordetail::badVectorIndex(index);
        return data_[static_cast<std::size_t>(index - first_)];
    }
    const T& operator[](int index) const { return const_cast<Vector&>(*this)[index]; }

    bool valid(int index) const {
        int last = cols_ == 1 ? lastRow_ : lastCol_;
        return index >= first_ && index <= last && index - first_ < count_;
    }

    int count() const { return count_; }
    int first() const { return first_; }
    int length() const {
        if (!data_) return 0;
        return std::max(lastCol_ - firstCol_, lastRow_ - firstRow_) + 1;
    }
    bool hasData() const { return data_ != nullptr; }
    // The elements in storage order (element k is index first() + k); null without data.
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }

    double sum() const {
        double s = 0;
        for (int k = 0; k < (data_ ? count_ : 0); ++k) s += static_cast<double>(data_[k]);
        return s;
    }

    // The elements, 76 / (width + 1) to a line, each line numbered by its first element.
    void print(const char* title, int width, int decimals) const {
        if (title && *title) printout("\n%s", title);
        int perLine = std::max(1, 76 / (width + 1));
        for (int k = 0; k < (data_ ? count_ : 0); ++k) {
            if (k % perLine == 0) printout("\n%3d", first_ + k);
            printout(" %*.*f", width, decimals, static_cast<double>(data_[k]));
        }
        printout("\n");
    }

    // Sum of products over a's index range; b is read with checked access.
    static double dot(const Vector& a, const Vector& b) {
        if (a.count_ != b.count_) {
            printout("Error:  vectors of unequal length in dot.\n");
            pausebox("Error in Vector.dot().", "");
        }
        double s = 0;
        for (int k = 0; k < (a.data_ ? a.count_ : 0); ++k)
            s += static_cast<double>(a.data_[k]) * static_cast<double>(b[a.first_ + k]);
        return s;
    }

private:
    void warnIfUnequal(const Vector& src) const {
        if ((rows_ > 0 && rows_ != src.rows_) || (cols_ > 0 && cols_ != src.cols_))
            printout("\nWarning:  Assigning vectors of unequal size.\n");
    }

    int count_ = 0;
    int first_ = 0;
    std::unique_ptr<T[]> data_;
};
