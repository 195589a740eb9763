// The packed text of packed matrices (pmatin reads it, pmpunch writes it).
#pragma once

#include <cstdio>
#include <string>

class DataBank;
class VamFile;

// pmatin <packed matrix name> <packed matrix file name>, then the packed text.
int pmatincmd(DataBank* bank, std::FILE* in);
// pmpunch <file> [b.]<matrix> [decimals]: the matrix over the fdates range as packed text.
int pmpunchcmd(DataBank* bank, std::FILE* in);
// pmatin1 <packed matrix name> <file name>, then for each period a period line and the rows
// with all their columns.
int pmatin1cmd(DataBank* bank, std::FILE* in);
// Appends the block of bank period k of the loaded matrix (loaded whole for that period).
void pmpunchperiod(VamFile& bank, std::string& out, int k, int decimals);
