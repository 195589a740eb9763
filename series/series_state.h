// The globals of the series layer: the f dates (the range of the f command and of the
// @functions, also read as the period range by commands of other subsystems) and the print
// format settings. resetseriesstate() puts them back to their start-up values.
#pragma once

#include <cstdint>

#include "core/date.h"

// First and last date of the f range as date numbers (1990, 1990.3, 1990.011); -1 when off.
extern float fdate1;
extern float fdate2;
// The same as dates; the unset date (frequency 0) when off, which wsIndex reports as -32000.
extern JexDate fdate1Date;
extern JexDate fdate2Date;

// Workspace index of fdate1Date, 0 when no first f date is set.
int fdate1index();
// Workspace index of fdate2Date, wsMaxObs (one past the last observation) when no second
// f date is set; callers that index with it clamp it to wsMaxObs - 1.
int fdate2index();

// The print dates (the tdates command, the start-up configuration, and dates given to the
// print command): two date numbers, the same as dates, and 'y' once they are set.
extern float printDates[2];
extern JexDate printDateRange[2];
extern char printDatesSet;

// The graph dates (first, middle, last) as date numbers, 0 until set; graphDatesSet is 'y'
// once the gdates command has set them. jex.cfg sets the dates (not the switch) at start.
// They belong to the graph commands; they are kept here, beside the print dates, since the
// start-up reader and the %gdate functions need them before any graph command exists.
extern float graphDates[3];
extern char graphDatesSet;

// Print format settings.
extern std::int16_t decs;             // decimals of printed numbers [1]
extern std::int16_t width;            // field width [10]
extern std::int16_t obsPerLine;       // observations per printed line [6]
extern std::int16_t decsGiven;        // 1 when set by a command [0]
extern std::int16_t widthGiven;
extern std::int16_t obsPerLineGiven;
extern std::int16_t formatGiven;      // 1: listings use width and decs [0]
extern std::int16_t showRelations;    // cmtype: regressions print their correlations [0]

void resetseriesstate();

// The f dates as they stood when made, put back when it goes out of scope: for a command that
// changes them for its own range and must leave them as they were on every way out.
struct FdatesKeeper {
    float d1 = fdate1, d2 = fdate2;
    JexDate date1 = fdate1Date, date2 = fdate2Date;
    ~FdatesKeeper() {
        fdate1 = d1;
        fdate2 = d2;
        fdate1Date = date1;
        fdate2Date = date2;
    }
};
