// Scratch arrays with a chosen index range nl..nh: the handle is indexed directly by i.
// The storage always starts at index min(0, nl), so the handle points into (or at the start
// of) its own block and never before it; for nl > 0 the entries below nl are unused.
// Every array is freed by the routine of its kind with the same lower bounds.
#pragma once

#include <cstdint>

float* fvector(long nl, long nh);
double* dvector(long nl, long nh);
std::int16_t* svector(long nl, long nh);
std::int32_t* ivector(long nl, long nh);
void free_fvector(float* v, long nl);
void free_dvector(double* v, long nl);
void free_svector(std::int16_t* v, long nl);
void free_ivector(std::int32_t* v, long nl);

float** fmatrix(long nrl, long nrh, long ncl, long nch);
double** dmatrix(long nrl, long nrh, long ncl, long nch);
void free_fmatrix(float** m, long nrl, long nrh, long ncl);
void free_dmatrix(double** m, long nrl, long nrh, long ncl);

// Called after a failed allocation; has no effect.
void nomemory();

// Reports a floating-point exception left since the last check: prints the status word and
// the stage text (and position when >= 0), clears the flags and asks with a box. Returns 0
// when there was none, -1 on OK and 27 on Cancel.
int fpcheck(const char* stage, int position);

// The status word as fpcheck prints it: 1 inexact, 2 underflow, 4 overflow, 8 division by
// zero, 16 invalid operation.
int floatingPointStatusWord();
