// Handlers of the bank commands: assignment (bank, wsbank, zap, close, dvam), data entry
// and series maintenance (data, update, monup, matdata, matup, bupdate, del, rename,
// frequency) and the search mode (findmode). Each reads its own arguments from the input
// (an add file, or null for a typed line or a replay list) and returns a CommandStatus.
#pragma once

#include <cstdio>

// bank/b ('w'), cbk/c ('c'), hbk ('h'), dfr ('d'), vam/v ('v'): <stem> [slot letter].
// Only the workspace format is available in this version; the other kinds are refused.
int bankcmd(std::FILE* in, char kind);
// wsbank <stem>: the workspace becomes that bank (opened for writing, or created empty
// with the present calendar when no such bank exists).
int wsbankcmd(std::FILE* in);
// zap [base year [first month [observations]]]: a new empty workspace ws.
int zapcmd(std::FILE* in);
// close <letter>... | close all
int closecmd(std::FILE* in);
// dvam [letter]: set or show the default Vam bank.
int dvamcmd(std::FILE* in);
// findmode [m|a]
int findmodecmd(std::FILE* in);

// data <name> with data lines: a new series.
int datacmd(std::FILE* in);
// update <name> with data lines: change observations of an existing series.
int updatecmd(std::FILE* in);
// monup <name> with lines of monthly figures: quarterly means.
int monupcmd(std::FILE* in);
// matdata ('d') / matup ('u'): several series from a table of columns; or, when a word
// follows, the root-name form (matdataroot).
int matdatacmd(std::FILE* in, char mode);
// matdata root(group) start_date, then one line of values per member k > 0 of the group,
// stored as root<k> at the frequency of the start date. 0, -1, or 27.
int matdataroot(std::FILE* in);
// bupdate <name> = <expression>: replace observations where the expression is not missing.
int bupdatecmd(std::FILE* in);
// del ('d') <name>... / rename ('r') <old> <new>
int delcmd(std::FILE* in, char mode);
// frequency <name> [n]: show or set a series' frequency.
int frequencycmd(std::FILE* in);

// Reads data lines into `array` (filled beforehand by the caller): dated lines, or a start
// date followed by continuous values. Values that would fall past the end of the workspace
// are not written: the series' name (when given) is reported and the result is -1.
// 0, -1, or 27 on an abort.
int readdatalines(float* array, std::FILE* in, const char* name = nullptr);
