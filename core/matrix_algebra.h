// Arithmetic of Vector<double> and Matrix<double>: products, sums, scalar operations,
// transposes. Results are new values; operands are never changed or freed. The decomposition,
// inversion and Gauss-Jordan members of Matrix<double> are defined in matrix_algebra.cpp.
#pragma once

#include "core/matrix.h"
#include "core/vector.h"

// Each element times the number; the vector's shape and indexes.
Vector<double> operator*(double number, const Vector<double>& v);
Vector<double> operator*(const Vector<double>& v, double number);
// Each element times 1/number, indexed from 1; zeros (after a message) when number is 0.
Vector<double> operator/(const Vector<double>& v, double number);
// Element by element in storage order, the left operand's shape and indexes. Elements of the
// left operand beyond the right one's count are taken as they are (the right one counts as 0).
Vector<double> operator+(const Vector<double>& a, const Vector<double>& b);
Vector<double> operator-(const Vector<double>& a, const Vector<double>& b);

// Matrix times column vector: the matrix's rows (and first row) by the vector's columns.
Vector<double> operator*(const Matrix<double>& m, const Vector<double>& v);
Matrix<double> operator*(const Matrix<double>& a, const Matrix<double>& b);
Matrix<double> operator/(const Matrix<double>& m, double number);
// Sum within the overlap of the operands' ranges; elsewhere the left operand's elements.
Matrix<double> operator+(const Matrix<double>& a, const Matrix<double>& b);

// Rows and columns (and their first indexes) exchanged, same elements.
Vector<double> transpose(const Vector<double>& v);
// Row vector (1 x k) times matrix (k x l): a row vector of l elements.
Vector<double> operator*(const Vector<double>& v, const Matrix<double>& m);
// u's rows by v's columns: the outer product when v has one row, else the inner product.
Matrix<double> operator*(const Vector<double>& u, const Vector<double>& v);
