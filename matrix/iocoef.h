// Input-output coefficients and flows: coef divides each cell of a matrix by its column (or
// row) total, flow multiplies coefficients back by column totals; packed matrices are
// worked on in their own files (pmcoef, pmdecoef).
#pragma once

#include <cstdio>

class DataBank;
class VamFile;

// coef [-c | -r] <matrix> <coltots> [yr]
int coefcmd(DataBank* bank, std::FILE* in);
// flow <matrix> <coltots> [yr]
int flowcmd(DataBank* bank, std::FILE* in);
// The packed twins: element `matrix` of the bank, the totals vector, one year or 0 for the
// f dates. 0 or -1.
int pmcoef(VamFile* bank, int matrix, const char* totals, float date, char option);
int pmdecoef(VamFile* bank, int matrix, const char* totals, float date);
