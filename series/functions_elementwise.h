// Elementwise @functions of one series (differences, logarithms, rounding, gap filling,
// random draws). Each kernel works in place on observations 0..n-1 of a float series.
#pragma once

#include <cstdint>

// x[i] - x[i-1]; missing when either is missing; observation 0 missing.
void diffkernel(float* x, int n);
// safelog(x[i]) - safelog(x[i-1]); missing when either is missing, near zero or negative.
void dlogkernel(float* x, int n);
// Value by value through f.
void mapkernel(float* x, int n, float (*f)(float));
// Value by value through fnsqrt, many lanes at a time (the same bits, no flag fnsqrt lacks).
void sqrtkernel(float* x, int n);
// Value by value through fnlog and fnexp, many lanes at a time (the same bits and flags).
void logkernel(float* x, int n);
void expkernel(float* x, int n);
// Value by value through fnsin, many lanes at a time (the same bits and flags).
void sinkernel(float* x, int n);

// The value functions of mapkernel.
float fnexp(float x);    // safeexp; missing stays missing
float fnlog(float x);    // safelog; 0 and negative give missing
float fnsqrt(float x);   // negative (the missing value too) gives 0
float fnsq(float x);     // x * x; missing stays missing
float fnfabs(float x);   // |x|; missing stays missing
float fnsign(float x);   // -1 below 0, else 1 (no missing test)
float fnsin(float x);    // sin x correctly rounded (no missing test: the missing value's sine is itself)
float fnifpos(float x);  // 1 above 0, else 0
float fnpos(float x);    // x at or above 0, else 0; missing stays missing
float fnzero(float x);   // missing becomes 0
float fnmiss(float x);   // near zero becomes missing

// x rounded to `decimals` decimals, halves away from zero (no missing test). A value too
// large for the 64-bit intermediate keeps its value (it has no digits to round at that scale).
void roundkernel(float* x, int n, long decimals);
// exp(y * log x); x[i] stays where x[i] or y[i] is missing or x[i] < 0.0000001.
void powkernel(float* x, const float* y, int n);
// Interior runs of missing values filled linearly; leading and trailing runs stay missing.
void lintkernel(float* x, int n);
// Uniform draws in [0, 1) from the shared generator, observations in order.
void randkernel(float* x, int n);
// Standard normal draws, observations in order.
void normalkernel(float* x, int n);
