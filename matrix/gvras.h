// Balancing of an input-output table whose totals are uncertain (gvras), on the expanded
// layout in which the gross values appear as extra rows and columns; IO2expIO copies an
// input-output matrix into that layout and expIO2IO folds it back.
//
// Which entries a scaling adjusts: every row and column scaling of gvras adjusts the
// entries of its line that lie before the total position, that is the sector, value-added
// (final-demand) and weak gross value entries (code 1 and 2); the total row n and the total
// column m hold the targets and are never changed.
#pragma once

#include <cstdio>

class DataBank;

// gvras <matrix> <nsec> <nva> <nfd> <ngv> <yr> [maxiter] [precon]
int gvrascmd(DataBank* bank, std::FILE* in);
// IO2expIO <source> <destination> <nsec> <nva> <nfd> <ngv> <yr>
int io2expiocmd(DataBank* bank, std::FILE* in);
// expIO2IO <source> <destination> <nsec> <nva> <nfd> <ngv> <yr>
int expio2iocmd(DataBank* bank, std::FILE* in);
