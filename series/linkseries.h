// The numerical core of the ls command: a series x is linked to a guide series y at a link
// date, so that from that date on (or back to the start) x follows the movement of y, by
// ratio or by scaled difference. Works over plain arrays indexed by workspace observation
// (at least 1999 entries each); reading the command, fetching and storing is the handler's.
#pragma once

// What one link does.
struct LinkSpec {
    const char* xName = "";      // names and the link date as typed, for the messages
    const char* yName = "";
    const char* dateText = "";
    char flag = 0;               // 0, or 'f' (no warning on a negative ratio), 'i' (scaled
                                 // differences), 'a' (as i, scale from an average of y)
    int link = 0;                // workspace index of the link date
    int second = -1;             // workspace index of the second date; -1 when none given
    int fx = 0, fy = 0;          // frequencies of x and y
    int linkFrequency = 0;       // frequency of the link date
    int secondFrequency = 0;     // frequency of the second date (the link date's when none)
};

// Checks the link (date inside the workspace, values at the link date, frequencies) and
// computes the link ratio x[L] / y[L]; a zero y[L] under a zero x[L] is taken as 1 (in y).
// Asks before going on with a negative ratio when no flag was given.
// Returns 0, -1 (reported), or 27 when the user cancelled at the negative-ratio question.
int linkratio(const float* x, float* y, const LinkSpec& spec, double& ratio);

// Extends x forward (from L + 1 up to the end of the workspace or the second date) or backward
// (from the second date, or the start, up to L - 1) by y with the ratio from linkratio.
// Observations where y is missing keep their values; x at the link date never changes.
// avgFirst/avgLast: workspace indexes of the f dates (the averaging window of flag a; any
// index outside the workspace narrows the window). Returns 0.
int linkextend(float* x, const float* y, const LinkSpec& spec, bool backward, double ratio,
               int wsMaxObs, int avgFirst, int avgLast, int addPrint);
