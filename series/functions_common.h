// Shared pieces of the @function handlers: reading and copying the tokens of an argument
// list, the generic failure message, the f range as observation indexes, the fill value,
// the guarded logarithm and exponential, and work arrays.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/floatmath.h"
#include "core/missing.h"

// Length of a series work array (indexes 0..1999).
constexpr int fnArrayLength = 2000;

// A near-zero value for the @functions: absolute value below 0.0000001.
inline bool belowtiny(float x) { return x > -0.0000001f && x < 0.0000001f; }

// Guarded logarithm: MISSING for a missing value; floatLogOfMax above floatMax; at or below
// floatExpMin MISSING for 0 and negative values, else floatLogMin; else ln x, correctly
// rounded (core/floatmath.h; a NaN stays a NaN). Inline: the kernels call it for every
// observation.
inline float safelog(float x) {
    if (ismissing(x)) return MISSING;
    if (x > floatMax) return floatLogOfMax;
    if (x <= floatExpMin) return x <= 0.0f ? MISSING : floatLogMin;
    if (x != x) return x + x;
    return floatmath::ln(x);
}
// Guarded exponential: MISSING for a missing value; floatExpMax at or above floatLogMax;
// floatExpMin at or below floatLogMin; else e^x, correctly rounded (a NaN stays a NaN).
inline float safeexp(float x) {
    if (ismissing(x)) return MISSING;
    if (x >= floatLogMax) return floatExpMax;
    if (x <= floatLogMin) return floatExpMin;
    if (x != x) return x + x;
    return floatmath::exp(x);
}

// Prints "\r\n error in %s function \r\n" with the label; returns -1.
int atfail(const char* label);

// Reads one token (no date letters, 78 bytes) and copies it to the text; returns its class.
int atread(char* token, std::FILE* in, char*& text);
// After an rhs call the cursor stands one past the NUL ending the argument's text: moves
// it back onto that NUL.
void atback(char*& text);
// atback, then append "," (rhs does not keep the comma it stopped at).
void atcomma(char*& text);

// The f range as observation indexes, clamped to 0..n-1 (n = wsMaxObs): first is
// fdate1index (0 when off), last fdate2index (n-1 when off or beyond). first > last when the
// range holds no observation of the workspace.
struct FRange {
    int first;
    int last;
};
FRange frange(int n);

// The fill value of new observations: MISSING when missingOn is 'y', 0 when 'n'.
float atfillvalue();

// A work array of fnArrayLength elements held for reuse. Taking one takes an array from a
// pool (allocating only when the pool is empty); the destructor gives it back. The pool keeps
// as many arrays as the deepest nesting of expressions and @functions has held at once, so
// after the first statements no work array calls the system allocator. Arrays are handed
// out last in, first out; their contents are whatever the last user left.
template <class T>
class HeldArray {
public:
    HeldArray();
    ~HeldArray();
    HeldArray(const HeldArray&) = delete;
    HeldArray& operator=(const HeldArray&) = delete;
    T* data() { return block_.get(); }
    T& operator[](std::size_t i) { return block_[i]; }

private:
    std::unique_ptr<T[]> block_;
};
extern template class HeldArray<float>;
extern template class HeldArray<double>;

// A held work array of fnArrayLength floats, set to 0.
struct WorkSeries {
    HeldArray<float> v;
    WorkSeries() { std::fill_n(v.data(), fnArrayLength, 0.0f); }
    float* data() { return v.data(); }
};

// The live length of a series: wsMaxObs, kept within 0..1999.
int atobs();
