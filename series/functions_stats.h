// Statistics over a span of observations (@sum, @mean, @stdev, @ggr, @max, @min). The
// kernels read x[j..v] (0 <= j <= v < n, checked by the callers) and give one number;
// sums are kept in double.
#pragma once

// Zeros over 0..n-1 with the sum of x[i1..i2] (no missing test) at i2. The span is cut to
// the series: i1 below 0 starts at 0, i2 beyond n-1 ends at n-1. Returns 0, or -1 (nothing
// written) when no observation of the span lies in the series.
int sumkernel(float* x, int n, int i1, int i2);
// Mean of the values of x[j..v] that are not missing; MISSING when there is none.
float meankernel(const float* x, int j, int v);
// Standard deviation (divisor n-1, or 1 for a single value) of the values that are not
// missing; MISSING when there is none; 0 when the variance is at most 0.00000001.
float stdevkernel(const float* x, int j, int v);
// Compound growth rate in percent per period from x[j] to x[v]; MISSING when either is
// missing, x[j] is 0, their product is negative, or j equals v.
float ggrkernel(const float* x, int j, int v);
// Largest (wantMax) or smallest value of x[j..v] that is not missing; MISSING when none.
float extremekernel(const float* x, int j, int v, bool wantMax);
// x[first..last] = value (nothing when first > last).
void fillspan(float* x, int first, int last, float value);
// The date checks of the statistics: j and v must lie in 0..n-1 and the first date must
// not come after the second (after says so). Prints the message with the function name
// ("@mean()") and returns -1, else 0.
int checkdates(const char* name, int j, int v, int n, bool after);
