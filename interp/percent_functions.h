// The %-functions: %name(arguments) in command text is replaced by the function's result,
// a piece of text. `percentfunction` is the one entry point: it reads the name, picks the
// function from an ordered chain of names (exact names, names matched by their first
// letters, names that begin with a keyword), reads the arguments against a signature with
// `parseargs`, and computes the result or reports the failure in one common way.
//
// The functions read the state of the other layers (the last regression's statistics, the
// print format settings, date settings, window fonts, the Excel link, banks, string
// variables) and never change it. %if reads its condition with `percentif`.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// The statistics of the last regression, by name: "ncoef", "beta1".."betaN",
// "mexval1".."mexvalN", "see", "rsq", "rho", "rbarsq", "mape", "dw", "logl",
// "obs_in_regress". Empty until the first regression; the regression commands fill it
// after each estimation, and only the %-functions read it.
extern std::map<std::string, float> regressionResults;

// Reads and evaluates one %-function. `pos` is on the first letter of the name (just
// after the '%') in `text` (the rest of the line, with its newline); on return it is just
// after the last character the function read. Returns 0 with the function's text in
// `result`; -1 on failure (message printed; `result` empty); or an abort code (27, 18)
// passed up from a nested expansion. In quiet mode (percentMode 2) failures give 0 with
// an empty result and no message, except the failures that always print (regression and
// format keywords, which keep -1; %xlcol, which fails silently with -1).
int percentfunction(std::string& result, std::string& text, std::size_t& pos);

// Reads the tokens of an argument list against `signature` (see percent_functions.cpp):
// every token read, parentheses and commas included, is appended to `list`. Returns -1
// on failure, else a number >= 0; `cls` is 0 after success, -1 after a mismatch, or the
// abort code a nested expansion gave.
int parseargs(std::string& text, std::size_t& pos, int& cls, const char* signature,
              std::vector<std::string>& list);

// Reads one %if condition from pos: up to and including the ',' that ends it at the top
// level of %if, or the ')' that ends a parenthesised group. Returns 0 with `truth` set
// (1 holds, 0 not), -1 on failure (message printed unless quiet), or an abort code.
int percentif(std::string& text, std::size_t& pos, int& cls, unsigned char& truth);

// ---- number/text converters of the %-functions and the integer expressions ----
// Input converters read the leading number of the text as a stream does (blanks skipped,
// an optional sign); 0 when nothing can be read.
int textToInt(const std::string& text);
double textToDouble(const std::string& text);
float textToFloat(const std::string& text);
// Output converters. Real numbers follow the print settings: fixed notation with `decs`
// decimals when `decsGiven` is set, otherwise the general form with 6 significant digits.
std::string intToText(int value);
std::string shortToText(short value);
std::string unsignedToText(unsigned value);
std::string floatToText(float value);
std::string doubleToText(double value);
