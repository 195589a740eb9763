// Small numerical routines shared by the series functions and the matrix commands: the
// near-zero test, linear filling of gaps in a series, and four-point Lagrange interpolation.
// The random draws are in core/random.h.
#pragma once

#include "core/random.h"

// True when |x| <= 0.0000001.
bool nearzero(float x);

// A count, an index or a code typed as a number: truncated toward zero and kept within int (a
// number beyond it gives the nearest end, which a check of its range then refuses; not a
// number gives 0).
int typedint(double v);

// Fills the next gap of values[start..count-1] linearly from the good values on its two
// sides. A gap is a run of missing values (mode non-zero) or of near-zero values (mode 0).
// Returns the index where the scan stopped: the first good value after the gap (call again
// from there), or count when the range ends (a gap that runs to count stays unfilled).
// A gap that begins at `start` has no good value before it inside the range: it is left as
// it is and the scan returns the first good value after it. Nothing outside
// values[max(start,0)..count-1] is read or written.
int fillgap(float* values, int start, int count, int mode);

// The four Lagrange weights at x for the abscissae a[0..3]: w[i] = product over j != i of
// (x - a[j]) / (a[i] - a[j]). Returns 1, or 0 (weights unfinished) when two abscissae are equal.
int lagrangeweights(float x, float w[4], const float a[4]);

// Spreads source values over `count` sub-periods (1 to 4) with rows of weights from
// lagrangeweights, starting at table row `row`. Mode 'y' (levels): the knots are
// source[si..si+3] and out[oi+r] = value r. Mode 'n' (flows): the knots are the running sums
// 0, s0, s0+s1, s0+s1+s2 of source[si..si+2] and out[oi+r] = (value r+1 - value r) * count.
// Uses table rows row..row+count. Returns 0; -1 (nothing written) for a count outside 1..4.
int subperiodvalues(const float* source, const float (*table)[4], float* out, int count, int si,
                    int oi, int row, char mode);

// Four-point Lagrange interpolation in the table (a[i], b[i]), i < n, a ascending: b[0] at or
// below a[0], b[n-1] above a[n-1], else the cubic through the four points around x (computed
// in double). With fewer than four points, the polynomial through all of them; with none,
// MISSING. When two of the chosen abscissae are equal, the ordinate of the first point at or
// above x.
double lagrangeat(float x, const float* a, const float* b, int n);
