// Linear programming by the revised simplex method (LPROG, with its phase I simplexphase1)
// and the dense LU decomposition and solves it uses (ludecomp, lusolver). The program:
// minimise c'x subject to A_i x = b_i for the first neq rows of A, A_i x <= b_i for the
// others, and x >= 0. Vectors and matrices are indexed from 1.
//
// Status codes: 0 solved, 1 contradictory constraints (no feasible point), 2 unbounded (from
// ludecomp: a row of zeros), 3 no convergence, 4 singular basis, -1 wrong dimensions or a
// failure of the LU routines.
#pragma once

#include "core/matrix.h"
#include "core/vector.h"

// LU factors of a square matrix in place (L unit lower, U upper); row i of the factors is
// row perm[i] of the matrix given. Sets *status only on failure.
void ludecomp(Matrix<double>& a, Vector<int>& perm, int* status);

// Solves lu x = v (transposed 0) or lu' x = v (transposed 1); v receives x.
void lusolver(Matrix<double>& lu, Vector<double>& v, Vector<int>& perm, int* status,
              char transposed);

// Phase I: a feasible basis (B, basisIndex) with the non-basic columns (nonbasic,
// nonbasicIndex) of the program with slacks, and the point x. Rows with a negative
// right-hand side are taken with both sides negated (and their slack with it), so that the
// artificial start is non-negative.
void simplexphase1(Matrix<double>& A, Vector<double>& b, int n, int m, int neq,
                   Vector<int>& basisIndex, Vector<int>& nonbasicIndex, Matrix<double>& B,
                   Matrix<double>& nonbasic, Vector<double>& x, int* status, int maxiter,
                   double eps);

// Solves the program; with phaseOnly 1 only the feasible point of phase I.
void LPROG(Vector<double>& x, Vector<double>& c, Matrix<double>& A, Vector<double>& b, int neq,
           int* status, int maxiter, int phaseOnly, double eps, char print);
