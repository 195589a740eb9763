// The vector calculator: vc <vector> [{d1[-d2]}] = <term> [op <term>] ... assigns to a vector
// of the default Vam bank, over a range of periods, an expression of numbers, series,
// vectors, and products of a matrix (dense or packed) or its transpose with a vector. The
// whole statement is evaluated in memory and the left side written only when every term
// succeeded.
#pragma once

#include <cstdio>

class DataBank;

int vccmd(DataBank* bank, std::FILE* in);

// The dense product's row kernels, for tests: the sum in double of a[k] * b[k] (eight lanes
// at a time, added in one fixed order), and the same for every row of a block of rows x cols
// floats with, for each row, whether it may hold a missing value (a float in a band a little
// wider than the missing value's).
double vcdotrow(const float* a, const double* b, int n);
void vcdotrows(const float* a, int rows, int cols, const double* b, double* sums, unsigned char* suspect);
