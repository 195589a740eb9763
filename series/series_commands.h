// The command handlers of the series layer, for the dispatch chains. Each reads its own
// arguments from the input (the open add file, or null for a typed line or a replay list)
// and returns a CommandStatus.
#pragma once

#include <cstdio>

// f, fdup, fex: f name [{date[-date]}] [+|-|*|/]= expression. 0, -1, or 27 (cancelled).
int fcmd(std::FILE* in);
// fdates [+|-]date [[+|-]date] | fdates off | fdates (shows the range).
int fdatescmd(std::FILE* in);
// intvar name date1 date2 [date3 ... date50]: piecewise trend series name1, name2, ...
int intvarcmd(std::FILE* in);
// print, type, p, t (mode 'y'); sprint, stype (mode 'n', the save file only):
// print name [date1 [date2]] | print ( expression ) [date1 [date2]]. The dispatch table's
// page length argument (24) is not used: listings run to their end.
int prcmd(std::FILE* in, char mode, int pageLines = 24);
// decs [n], d [n]: decimals of printed numbers (0..12).
int decscmd(std::FILE* in);
// width [n], w [n]: field width of printed numbers (0..40).
int widthcmd(std::FILE* in);
// format width [decs [obsPerLine]] | format off.
int formatcmd(std::FILE* in);
// cmtype yes|no, vcprint: regressions print their correlation and covariance matrices.
int cmtypecmd(std::FILE* in);

// Lists one series over the print dates (used by prcmd and the update command): name,
// mode 'y' (results window and save file) or 'n' (save file only), the heading printed for
// the temporary name of an expression listing, and the input (print dates may follow).
// 0 or -1.
int typeseries(const char* name, char mode, const char* heading, std::FILE* in);
