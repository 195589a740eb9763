// The condition language of the if command: numbers, + - * / from left to right (no
// precedence), the comparisons < <= == >= > !=, string comparisons, !, unary -, && and ||,
// nested parentheses, and the condition functions (NARGS, eval, exists, strlen, strcmp,
// strncmp, strncmpi, strcmpi, isnum, mod). A condition is read and evaluated token by
// token straight from the input.
#pragma once

#include <cstdio>

// The value of a condition that failed (its message has been printed). The if command
// tests the value truncated to an integer against it.
constexpr double ifErrorValue = -987659128.0;

// Reads a condition from the input, positioned after its opening parenthesis, up to and
// including its closing one. Returns its value (comparisons, && and || give 0 or 1), or
// ifErrorValue. When the input ends, is cancelled or runs out while the rest of a
// condition is skipped, `stop` receives -1, 27 or 18 (else 0) and the result is
// ifErrorValue.
double ifcondition(std::FILE* in, int& stop);
double ifcondition(std::FILE* in);

// Turns a condition function named by the word in `text` into a number token: reads the
// function's arguments from the input and writes the value's text into `text` (a buffer of
// `textSize` bytes). Returns the class after evaluation: 'n' when a function was evaluated,
// -1 on error (message printed), the class unchanged when the token is no function.
int ifeval(char* text, int textSize, int cls, std::FILE* in);

// The number of script arguments, counted at the start of every if command (NARGS).
extern int scriptArgCount;
// Counts scriptArgs into scriptArgCount (at most 99).
void countscriptargs();
