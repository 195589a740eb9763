// Shared pieces of the %-function files: the call being evaluated, the failure protocol
// and the function groups, each in its own file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One %-function call while it is evaluated.
struct PfuncCall {
    std::string name;               // the name as written
    std::string key;                // the keyword of the chain entry that matched it
    std::string& result;            // receives the function's text
    std::string& text;              // the text being expanded
    std::size_t& pos;               // read position in it
    std::vector<std::string> list;  // the tokens of the argument list
    int cls = 0;                    // final class of parseargs

    PfuncCall(std::string& r, std::string& t, std::size_t& p) : result(r), text(t), pos(p) {}
    // Argument k (1-based) of the list: tokens 2, 4, 6.
    const std::string& arg(int k) const { return list[static_cast<std::size_t>(2 * k - 1)]; }
    int argCount() const { return static_cast<int>(list.size()) / 2; }
};

bool pfuncquiet();

// The argument-failure message of %s and %w, also printed when their positions fail.
extern const char* const pfSubstringMessage;

// A failure of a function whose arguments were read to their end (or that takes none):
// the message (a printf format with the name for each %s; null for none) unless in quiet
// mode, status -1; in quiet mode an empty result and status 0.
int pfuncfail(PfuncCall& call, const char* message);
// A failure of the argument list: the message unless quiet; the status is the parse's
// final class when it is 0 or more, else -1. In quiet mode the result is empty, the
// status 0 (an abort code is passed up as it is) and, when the list was not read to its
// end (`incomplete`), the position moves one character on to drop the rest of the call.
int pfuncargfail(PfuncCall& call, const char* message, bool incomplete);
// A failure printed in both modes: the message, status -1.
int pfuncloudfail(PfuncCall& call, const char* message);

// The functions of each group; each returns the call's status with call.result set.
// Literals, regression statistics, titles, format settings, trimming, case, arithmetic,
// string operations, script arguments and string-store values (pfunc_text.cpp).
int pflit(PfuncCall& c);
int pfelit(PfuncCall& c);
int pfregression(PfuncCall& c);
int pftitle(PfuncCall& c);
int pfformat(PfuncCall& c);
int pftrim(PfuncCall& c);
int pfcase(PfuncCall& c);
int pfmath1(PfuncCall& c);
int pfround(PfuncCall& c);
int pfmath2(PfuncCall& c);
int pfstrnset(PfuncCall& c);
int pfstrstr(PfuncCall& c);
int pfstrlen(PfuncCall& c);
int pfstrcmp(PfuncCall& c);
int pfnargs(PfuncCall& c);
int pfsubstring(PfuncCall& c);
int pfword(PfuncCall& c);
int pfstringstore(PfuncCall& c);
// Column letters, date and time, date settings, Excel values, fonts, series values,
// existence tests, bank sizes and %if (pfunc_state.cpp).
int pfxlcol(PfuncCall& c);
int pfclock(PfuncCall& c);
int pfdatesetting(PfuncCall& c);
int pfexcel(PfuncCall& c);
int pffont(PfuncCall& c);
int pfeval(PfuncCall& c);
int pfexists(PfuncCall& c);
int pfsexists(PfuncCall& c);
int pfnseries(PfuncCall& c);
int pfif(PfuncCall& c);

// The number of a name from its first digit on (beta12 gives 12), 0 without digits.
int pfnamenumber(const std::string& name);
// A value written under the print settings with `decsGiven` forced on (and `decs` given,
// or kept when decimals < 0), the settings restored afterwards.
std::string pffixed(double value, int decimals);
// Pads a number's text with a point and zeros up to `decs` decimals.
std::string pfpad(std::string text);
