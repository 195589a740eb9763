// The globals of the regression subsystem that other layers read before any estimation
// command exists: the regression limits and the missing switch. The estimation commands
// (regress, limits/rdates, the regression settings) will use and change them;
// resetregressstate() puts them back to their start-up values.
#pragma once

// The regression limits as date numbers (1990, 1990.2, 1990.011): the start and end of the
// fit and the end of the test period; 0 while unset. jex.cfg sets them to its three default
// dates; read by %lim1..%lim3 (%rdate1..%rdate3) and by @sum.
extern float fitStart;
extern float fitEnd;
extern float testEnd;

// The missing switch: 'y' (start) undefined values, and values outside the f dates, are the
// missing value; 'n' they are 0. Set by the missing command; read by the series look-up, the
// f command, the listings and the @functions.
extern char missingOn;

void resetregressstate();
