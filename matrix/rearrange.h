// Diagonal transfer between a square matrix and a vector (diagextract, diaginsert, and
// their packed twins pmextract, pminsertcmd), row scaling (rowscale) and block moves of
// rows or columns (move).
#pragma once

#include <cstdio>

class DataBank;
class VamFile;

// diagextract <matrix_name> <vector_name>
int extractcmd(DataBank* bank, std::FILE* in);
// diaginsert <matrix_name> <vector_name>
int insertcmd(DataBank* bank, std::FILE* in);
// The packed twins on packed element `matrix`, with the vector loaded whole. 0 or -1.
int pmextract(VamFile* bank, int matrix);
int pminsertcmd(VamFile* bank, int matrix);
// rowscale <matrix> <rowvec> [y|n]
int rowscalecmd(DataBank* bank, std::FILE* in);
// move <matrix> <up|down|left|right> <first> <last> <newfirst> [yr]
int movecmd(DataBank* bank, std::FILE* in);
