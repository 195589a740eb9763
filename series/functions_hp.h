// Hodrick-Prescott filters: the trend that minimises sum (y - x)^2 + lambda sum (second
// difference of x)^2, by a direct solution of the five-band system (I + lambda K'K) x = y
// (hpsolve) and by Prescott's recursive smoothing. Both run in time linear in the length.
#pragma once

#include "core/vector.h"

// Solves the symmetric five-band system with main diagonal a (n), first off-diagonal b
// (n-1) and second off-diagonal c (n-2) for the right-hand side y (n); works on its
// arguments in place. An empty Vector after its message when the sizes do not fit.
Vector<double> hpsolve(Vector<double>& y, Vector<double>& a, Vector<double>& b, Vector<double>& c);

// The trend of y[0..n-1] with the smoothing parameter lambda into trend[0..n-1].
// Returns 0, or -1 when the span is too short (n below 4) or a vector operation failed.
int hpfilterkernel(const double* y, int n, double lambda, double* trend);
// The same trend by Prescott's recursions (n of 3 or more, lambda above 0). 0 or -1 as above.
int prescottkernel(const double* y, int n, double lambda, double* trend);
// Both from and into floats, as the handlers filter a series: the trend of the double
// kernels for the values widened to double, each rounded to float. trend may be y itself.
int hpfilterkernel(const float* y, int n, double lambda, float* trend);
int prescottkernel(const float* y, int n, double lambda, float* trend);
