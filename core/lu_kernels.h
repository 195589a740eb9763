// Inner loops of the LU decomposition and the inversion, over raw row pointers (row i of a
// matrix is rows[i], its element j is rows[i][j]). Kept apart so that they can be compiled
// for vectorisation; each element gets its operations in the same order as the plain loops.
#pragma once

#include <functional>

namespace lukernels {

// Gaussian elimination of the n x n matrix in rows, in column panels. pivotStep(j) is called
// when column j is complete for the rows j..n-1: it chooses the pivot row, exchanges row
// pointers, fixes a tiny pivot and divides the column below the diagonal by it. Every element
// receives the same subtractions a_ic -= a_ik * a_kc in the same ascending order of k as in
// Crout's method or in the one-column-at-a-time elimination, so the factors are identical;
// the panels only change when the updates of a column block reach the rest of the matrix.
void eliminate(double** rows, int n, const std::function<void(int)>& pivotStep);

// Given the LU factors (unit lower L below the diagonal, U on and above it) of an n x n
// matrix whose rows are already permuted, computes U^-1 L^-1 e_k for each k (the inverse of
// the permuted matrix) and writes it as column column[k] of out, which may be the factors'
// own rows. Each column is computed exactly as a forward substitution that skips leading
// zeros followed by a back substitution would compute it. The work rows are kept between
// calls; false (out unchanged) when they cannot be had.
bool invertFromFactors(const double* const* lu, const int* column, double* const* out, int n);

}  // namespace lukernels
