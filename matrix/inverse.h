// Leontief inverse (I - A)^-1 in place by Gauss-Jordan elimination without pivoting (linv),
// and the plain inverse by LU decomposition (minv), period by period.
#pragma once

#include <cstdio>

class DataBank;

// linv <matrix> [yr]
int linvcmd(DataBank* bank, std::FILE* in);
// minv <matrix> [yr]
int minvcmd(DataBank* bank, std::FILE* in);

// The Leontief inverse of the leading n x n block of a row-major table with `cols` columns
// (cols >= n), in place; the cells of each pivot row beyond the block are divided by that
// step's pivot. Returns the pivot step (from 0) whose pivot is below 1e-7 in magnitude, or
// -1 when all were usable.
int leontief(float* a, int n, int cols);
