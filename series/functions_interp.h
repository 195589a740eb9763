// Interpolation to higher frequencies (four-point Lagrange over windows of source periods),
// interpolation after an indicator series, and interpolation in a table of points.
#pragma once

#include <cstdio>

// Spreads the low-frequency series x (observations 0..n-1) over r sub-periods per period:
// target 'q' (r 4), 's' (r 2) or 'm' (r 3); mode 'n' keeps each period's average, 'y' passes
// through the end-of-period levels. Sub-periods outside the computed span are MISSING.
// Returns 0, or -1 (x untouched) when the span from the first to the last valid value is
// shorter than one window (3 periods in mode 'n', 4 in mode 'y').
int interpkernel(float* x, int n, char target, char mode);

// Spreads the annual series x over `ratio` sub-periods following the indicator (both
// observations 0..n-1), keeping each period's average; sub-periods outside the years of x
// are 0. Returns 0; -1 (x untouched) when x has fewer than three valid periods; -2 when the
// indicator sums to 0 over a year of a window or does not reach the last sub-period.
int ininkernel(float* x, const float* indicator, int n, int ratio);

// Reads the pairs "abscissa ordinate" of a table file (at most 99 are used). Returns the
// count, or -1 when the file holds text that is not a number, fewer than four pairs, or
// abscissae that do not strictly ascend.
int readinterptable(std::FILE* file, float* abscissae, float* ordinates, int room);
// Every value of x through the table (flat beyond its ends, four-point Lagrange inside).
void tablekernel(float* x, int n, const float* abscissae, const float* ordinates, int pairs);
