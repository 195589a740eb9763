// Series lookup by name across the bank slots (fetchseries), the subscripts that may follow
// a name (a lag in brackets, a date in braces), and the workspace date index.
#pragma once

#include <cstdint>
#include <cstdio>

// The missing switch missingOn ('y': undefined values are the missing value; 'n': 0)
// belongs to the regression subsystem's state.
#include "regress/regress_state.h"

// Reads the series `name` (plain, or a bank letter and a point before it: a.gdp, w.gdp)
// into `array` (room for 1999 values; null: only test whether the name exists), aligned to
// the workspace calendar. verbose 1 reports failures and reads a subscript that follows the
// name in the input. `text` is the caller's expression text cursor (may be null); the
// subscript's text is appended there. Result: 0 found, 2 a whole Vam element was loaded,
// 3 a row of a Vam matrix was loaded, -1 not found (or a subscript outside the workspace:
// reported, and the last supplier then names the bank that holds the series).
std::int16_t fetchseries(const char* name, float* array, char*& text, std::FILE* in,
                         int verbose);
// Reads an optional subscript after a name: [lag] shifts the values, {date} spreads the
// value of that date over every observation. Returns the lag, 0, 32000 after a syntax error,
// or subscriptOutside when the lag or the date lies outside the workspace (nothing shifted).
int readsubscript(float* array, char*& text, std::FILE* in);
constexpr int subscriptOutside = 32001;
// With missingOn 'n', missing values among the first `count` entries become 0. Returns 0.
int zeromissing(float* array, int count);
// Loads an element of the Vam bank in `slot`: 2 whole element, 3 a matrix row, -1 failure.
int fetchvamelement(int slot, const char* name);
// Date number (1990, 1990.2, 1990.011, 1990.5) to workspace observation index; -1 before
// the base year. Sets currentFrequency.
int dateindex(double x);
// Observation index to date number for currentFrequency 1, 4 or 12; else -1.
double dateno(int i);
// 1 for a digit, '+', '-' or '.', else 0.
int isnumchar(int c);

// Series names hold at most this many characters (a name token is read into 78 bytes).
constexpr int maxSeriesNameLength = 77;
// Says that a series name is too long, naming it whole (printed with the error).
void reportlongname(const char* name);
// For a command about to store or delete the series `name`, just read with gettoken into a
// buffer of 78 bytes: when the word goes on in the input past the 77 characters kept, the
// rest of it is read, the name is reported whole and true returned; the caller then stores
// nothing and skips its statement.
bool seriesnametoolong(const char* name, std::FILE* in);
