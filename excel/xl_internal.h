// Small pieces shared by the xl sub-commands.
#pragma once

#include <cstdio>
#include <string>

#include "core/date.h"
#include "excel/jexfont.h"
#include "series/series_state.h"

namespace xlinternal {

constexpr int tokenSize = 78;

inline bool islineend(int cls) { return cls == 'f' || cls == 'e'; }
inline bool istext(int cls) { return cls == 'a' || cls == '"'; }

// A colour word into the font: a named colour, or RGB with its parenthesised triple read from
// the input (a bad triple prints rgbMessage). False when refused.
bool readcolour(std::FILE* in, const std::string& word, JexFont& font, const char* rgbMessage);

// The f-command range as it was; put back when the command ends, whatever the outcome.
struct FdatesGuard {
    float d1 = fdate1, d2 = fdate2;
    JexDate j1 = fdate1Date, j2 = fdate2Date;
    FdatesGuard() = default;
    FdatesGuard(const FdatesGuard&) = delete;
    FdatesGuard& operator=(const FdatesGuard&) = delete;
    ~FdatesGuard() {
        fdate1 = d1;
        fdate2 = d2;
        fdate1Date = j1;
        fdate2Date = j2;
    }
    // Sets the range to two dates for the time of a transfer.
    static void set(const JexDate& first, const JexDate& last) {
        fdate1Date = first;
        fdate2Date = last;
        fdate1 = first.toFloat();
        fdate2 = last.toFloat();
    }
};

}  // namespace xlinternal
