// Small readers on top of gettoken and chop (one number, one integer, the rest of a
// statement or of a line), and name helpers: packing texts, names with number suffixes,
// splitting a name into stem and trailing numbers, trimming, and the wildcard matcher.
#pragma once

#include <cstdio>

// The next number of the input: other tokens are skipped (across lines); a '-' just before
// it negates it; '?' gives the missing value; end of input prints a message and gives 0;
// an abort prints a message and gives -1.
double readnumber(std::FILE* in);
// As readnumber, without '?', converted like strtol (7.9 gives 7).
int readinteger(std::FILE* in);
// One optionally signed number into `out`; returns the class of the last token read
// ('n' means success).
int readsignedfloat(std::FILE* in, float& out);
// Skip to the end of the statement; returns 'f', 'e' or -1. In scripts a line ending in
// one of + - / * , _ continues on the next line.
int skipstatement(std::FILE* in);
// Drop the rest of the line (no %-expansion); 0 at the newline, else -1, 27 or 18.
int skipline(std::FILE* in);

// Copy src with its terminator to dst; returns the position just after the terminator.
char* strcpyend(char* dst, const char* src);
// dst = name followed by n in decimal when n > 0, the name alone otherwise. Returns 0.
int namewithnumber(char* dst, const char* name, int n);
// Trailing digits of the name are its number (1 when none); the stem is the rest.
short splitdigits(const char* name, char* stem);
// Trailing digits are the result (0 when none); with a point before them, the digits
// before the point give `second` (-1 when none there) and the stem ends before those.
short splitnamenumbers(const char* name, char* stem, short& second);
// Remove trailing blanks and tabs in place.
void trimblanks(char* text);
// 1 match, 0 no match, -1 bad pattern ('^' any one character, '*' a run).
int wildmatch(const char* name, const char* pattern);

inline int imax(int a, int b) { return a > b ? a : b; }
inline int imin(int a, int b) { return a < b ? a : b; }
