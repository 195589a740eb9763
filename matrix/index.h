// Filling the periods of vectors and matrices from values the bank already holds: index
// extrapolates from a base date along a guide series (or a guide vector of the bank), lint
// fills gaps of missing values by straight lines. Packed matrices are worked on in their own
// files (pmxrow, pmlint). Every period read or written lies inside the element, the bank,
// the packed file and, for a guide series, the workspace.
#pragma once

#include <cstdio>
#include <vector>

class DataBank;
class VamFile;

// index <basedate> <guide> <target> [<target> ...]
int indexcmd(DataBank* bank, std::FILE* in);
// lint <target> [<target> ...]
int Lintcmd(DataBank* bank, std::FILE* in);

// Interpolates the gaps of missing values of one column over the bank's periods: leading
// values that are missing or within 1e-7 of 0 are left, a gap that reaches the end stays.
void lintseries(float* column, int periods);
// The guide of index: a series by workspace observation, or a vector of the bank (its
// values period by period, `count` values a period).
struct IndexGuide {
    bool vector = false;
    const float* series = nullptr;  // workspace observations
    std::vector<float> table;       // vector guide: periods x count
    int count = 0;
};
// Indexes rows first..last (1-based) of the packed matrix kept in `file` from the base date
// along the guide, over the f dates cut to the packed file's periods. 0, or -1 after a
// message (a guide series that is 0 at the base date gives -1 with nothing written).
int pmxrow(VamFile* bank, const char* file, float basedate, const IndexGuide& guide, int first,
           int last);
// Interpolates every stored cell of a packed matrix over all the periods of its file.
// 0, or -1 after a message.
int pmlint(VamFile* bank, const char* file);
