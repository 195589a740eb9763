// Benchmark interpolation: a series equal to the benchmarks where they exist and following
// a mover (an indicator) between them.
#pragma once

// One segment: from the previous benchmark a (0 for the first segment) to the next one.
// method 'd': the mover scaled at a and the discrepancy at the next benchmark spread
// linearly; 'g': the mover's growth stretched to the benchmarks' growth. Before the first
// benchmark the mover is scaled to it. Where the mover gives no ground (a missing mover
// value, a mover that is missing or zero at a benchmark it is scaled to) the value is
// MISSING; benchmarks are always copied. Returns the benchmark the segment ended on, or n
// when no benchmark is left. *written (when given) receives one past the last observation
// written, or is left alone when nothing was.
int bmksegment(float* out, const float* B, const float* M, int a, int n, char method, int* written = nullptr);
// All segments over 0..n-1; observations after the last benchmark (every observation when
// there is none) become MISSING.
void bmkkernel(float* out, const float* B, const float* M, int n, char method);
