// Right-direction scaling of a list of elements to a control total.
//
// With P the sum of the positive listed elements and N the sum of the others, the factor e
// solves P e + N / e = c: positive elements are multiplied by e and the others divided by it,
// so that every element moves the sum towards the control. Arithmetic in double precision.
//
// Results: 30 scaled; 0 the listed elements already sum to c (within 1e-7); -1 when every
// listed element is within 1e-7 of zero but c is not, when the control cannot be reached this
// way (only positive elements and a negative control), or when memory runs out. On -1 the
// values are unchanged. Element numbers outside 1..n are ignored.
#pragma once

class DataBank;

// Doubles x[1..n] in place; `factor` receives e (0 when nothing was scaled).
int rdscalecore(DataBank* context, double* x, short n, const short* members, int count,
                double c, double* factor);

// Floats x[1..n]: scales a double copy and writes it back. The context is not used (the ctrl
// command passes none).
int rdscale(DataBank* context, float* x, short n, const short* members, int count, float c,
            float* factor);
