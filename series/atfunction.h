// @functions of series expressions: "@" name "(" arguments ")". atfunction reads the name,
// finds its handler in a fixed, ordered chain of names and calls it.
//
// Every handler has the same contract: handler(out, input, text) with out the operand array
// of rhs (2000 floats), input the command input and text the expression text cursor. It
// reads "(" and its arguments itself (series arguments with rhs), copies every token it
// reads to the text (through textappend, series/exprtext.h), writes its value for every
// observation into out, leaves the frequency of the result in currentFrequency and returns
// 0, or a non-zero code after printing its own message.
#pragma once

#include <cstdio>

using AtHandler = int (*)(float* out, std::FILE* in, char*& text);

// Called by rhs right after it read "@" and copied it to the text. Returns the handler's
// result, or -1 for a name that is missing, unknown or not available in this version.
int atfunction(float* out, std::FILE* in, char*& text);

// @cum(output, input, spill): cumulation of the input into a stock that loses the share
// spill every period, over the f dates; the value is also stored as the series output.
int atcum(float* out, std::FILE* in, char*& text);
// @csum(name, groupdefn) or @csum(name): the sum of name1, name2, ... over the members of
// a group, or over the elements of a Vam vector.
int atcsum(float* out, std::FILE* in, char*& text);

// The chain of names in the order they are tried. handler is null for a function that this
// version does not have.
struct AtFunctionEntry {
    const char* name;
    bool prefix3;  // true: any name with the same first three letters matches (hpf..., pre...)
    AtHandler handler;
    // true: the handler's first use of out is evaluating its first argument into it (rhs,
    // which writes every observation), so out need not be cleared before the call. Other
    // handlers get out set to 0.
    bool writesFirst = false;
};
// The chain and its length.
const AtFunctionEntry* atfunctionchain(int& count);
