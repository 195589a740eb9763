// Growth rates (@pct, @gr, @yoy), levels from growth rates (@pcl), running peaks (@peak)
// and weighted moving averages (@ma). Kernels work in place on observations 0..n-1.
#pragma once

// 100 (x[i] - x[i-1]) / x[i-1]; missing when x[i] is missing or x[i-1] is missing or near
// zero; observation 0 missing.
void pctkernel(float* x, int n);
// 100 (x[i] / x[i-lag] - 1); missing when either is missing or near zero; observations
// 0..lag-1 missing (lag 0: every value compares with itself).
void yoykernel(float* x, int n, int lag);
// Rebuilds level over s..e from the percentage changes pct: forward ('f') from the level
// before the range, backward (any other direction) from the level after it. The base of a
// backward chain must be an observation of the series: the last observation is never
// computed backward (it is the base when the range reaches it).
void pclkernel(float* level, const float* pct, int n, int s, int e, char direction);
// y[i] = max(x[i], (1 - spill) y[i-1]), with a decayed value below 0.000001 taken as 0.
void peakkernel(float* x, int n, float spill);
// Moving average over windows of `count` observations (1..20) inside the range f1..f2,
// weights[0] on the oldest; the first count-1 observations of the range become missing, a
// window holding a missing value gives missing; outside the range x stays.
void makernel(float* x, int n, int f1, int f2, int count, const float* weights);
