// The ctrl and ls commands: scaling a group of series to a control series period by period,
// and linking a series to a guide series at a date. Each reads its own arguments from the
// input (the open add file, or null for a typed line or a replay list) and returns a
// CommandStatus.
#pragma once

#include <cstdio>

// ctrl [-<option> ...] <x> <rootname> <group> [r]
// Scales rootname<k> for the members k of the group so that in every period of the f dates
// they add up to x; r selects right-direction scaling. 0 or -1.
int ctrlcmd(std::FILE* in);

// ls [-f|-i|-a] <x> <y> <date> [<date2>] [f|b]
// Extends x forward (f, the default) or backward (b) from the link date by the movement of
// y. 0, -1, or 27 when the user cancels at the negative-ratio question.
int lscmd(std::FILE* in);
