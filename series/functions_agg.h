// @agg: the sum of the series whose names are a given name followed by further digits;
// @if: the observation-by-observation choice between two expressions.
#pragma once

// True when name is argument followed by one or more digits and nothing else.
bool aggmember(const char* name, const char* argument);
// sum[i] += member[i] over 0..n-1; MISSING where either is missing.
void aggadd(float* sum, const float* member, int n);
// out[i] = (a[i] op b[i]) ? t[i] : f[i], MISSING where a[i] or b[i] is missing. op is "<",
// "<=", "==", ">" or ">=". Returns 0, or -1 for another operator.
int ifkernel(float* out, const float* a, const float* b, const float* t, const float* f, int n, const char* op);
