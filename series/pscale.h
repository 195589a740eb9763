// Proportional scaling of a list of elements to a control total.
//
// Given values x[1..n] and a list of element numbers, the listed elements are changed so that
// their sum equals the control c, each moving roughly in proportion to its size while the
// rank order of the elements is kept:
//   - the absolute-value method moves every element by one fraction f of its absolute value
//     (used whenever that keeps the signs);
//   - otherwise the rank-preserving method distributes the missing amount with weights
//     (|v| + 1)^(1/n), searching for the smallest exponent n >= 1 at which the sorted order
//     of the elements survives.
// The result code tells which situation arose; scalemessage explains it in words.
//
// Result codes: 0 nothing to change / rank-preserving method succeeded; 20 absolute-value
// method, signs kept; 21-24 members of both signs whose signs or rank order change; 25, 26
// one-signed members against a control of the other sign; 27 one-signed members and a zero
// control (all become zero); 28 zero control but non-zero members (rank-preserving); -1
// failure, with the values unchanged.
//
// Between their steps the routines test the floating-point exception flags and ask the user
// (scalingcheck). A Cancel there ends the scaling at once: the values are put back as they
// came, the result is -1, and scalecancelled() tells the caller that the user cancelled.
//
// These routines are pure numerics: they use the results window and the OK/Cancel box of the
// console writer only, and nothing of the command interpreter. All arithmetic is in double
// precision; pscale is the single-precision entry point.
#pragma once

#include <cstddef>
#include <vector>

// Floats x[1..n] (x[0] unused): converts to doubles, scales with pscalesolve and writes back
// (magnitudes above FLT_MAX become +-FLT_MAX, below 1e-37 become 0). `factor` receives the
// fraction of the absolute-value method, else 0. includeZeros 0: only members with
// |x| >= 1e-7 take part in the rank-preserving method; 1: every member does.
int pscale(float* x, short n, const short* members, short nidx, float c, float* factor,
           char includeZeros);

// The same on doubles x[1..n], in place.
int pscalesolve(double* x, short n, const short* members, short nidx, double c,
                double* factor, char includeZeros);

// pscalesolve (includeZeros 0) of many columns of a row-major table at once: column k is
// x[i] = table[i * stride + k], i = 1..n, scaled over the members to controls[j] for
// k = columns[j], j = 0..ncolumns-1 (columns distinct, 1..stride-1). The sums walk the rows and
// the moves are made row by row, which gives every value the bits pscalesolve gives it. Done
// only when every column takes the absolute-value method with signs kept (code 20) or is at
// its control (0), and nothing raises a floating-point flag: then true, with factors[j] and
// codes[j] as pscalesolve would give them. Otherwise false with the table and the flags as
// they were, and the columns are to be scaled one by one.
bool pscalecolumns(double* table, std::size_t stride, short n, const short* members, short nidx,
                   const int* columns, int ncolumns, const double* controls, double* factors,
                   int* codes);

// The same for rows: row k is x[i] = table[k * stride + i], i = 1..n, over the members, to
// controls[j] for k = rows[j] (rows distinct).
bool pscalerows(double* table, std::size_t stride, short n, const short* members, short nidx,
                const int* rows, int nrows, const double* controls, double* factors, int* codes);

// Prints the explanation of a result code; returns the code (0 for 28 and 30).
int scalemessage(int code);

// ---- pieces of the rank-preserving method (exposed for the tests) ----

// a^p with p clamped so that the result neither overflows nor underflows for a >= 1.
double clampedPow(double a, double p);

// The largest violation of the sorted order when the weights w (in sorted order of the
// values) are flattened to w^(1/n): over adjacent pairs j with u[j+1] < u[j] the largest
// lhs[j] - (u[j+1] - u[j]) / U; -1e101 when no pair qualifies; 27 after a Cancel (which
// also ends the bracketing and bisection that called it).
double rankViolation(double n, const std::vector<double>& w, const std::vector<double>& lhs);

// Moves *nhi upward until rankViolation changes sign between *nlo and *nhi:
// 0 bracketed, -1 failed, 27 cancelled.
int bracketRoot(double* nlo, double* nhi, const std::vector<double>& w,
                const std::vector<double>& lhs);

// Bisection for the root of rankViolation on a bracket, ending on the side where the
// violation is not positive: 0 found (in *root), -1 failed or cancelled.
int rtbis(double nlo, double nhi, double* root, const std::vector<double>& w,
          const std::vector<double>& lhs);

// The keys by which member positions are sorted. setSortKeys(keys, m) copies m keys;
// a negative m empties them. keyLess(i, j) is keys[i] < keys[j] (false while empty).
void setSortKeys(const double* keys, int m);
bool keyLess(int i, int j);
// Number of keys currently held (0 outside a rank-preserving run).
int sortKeyCount();

// The numerical check between the steps of the scaling routines: the floating-point exception
// flags (invalid operation, division by zero, overflow, underflow; inexact does not count)
// are tested; when any is set they are cleared, "Error:  numerical error in proportional
// scaling routine." is printed and the user is asked OK/Cancel. 0: go on; 27: Cancel.
int scalingcheck();

// True when the last pscale or pscalesolve call ended because the user cancelled.
bool scalecancelled();
