// vp, mcopy, lv/lvc and commands.
#pragma once

#include <cstddef>
#include <cstdio>

class DataBank;

// vp [b.]<vector> [r|c] [width [decimals]] / vp [b.]<matrix> <r|c|y> <line> [width [decimals]]
int vpcmd(std::FILE* in);
// mcopy [b.]<destination> = [b.]<source> [year]
int mcopycmd(std::FILE* in);
// lv / lvc [-options] [bank letter] [pattern]: five names a line (five != 0) or one.
int lvcmd(std::FILE* in, int five);
// commands: the command words, four to a line.
int commandscmd(DataBank* bank, std::FILE* in);
// Entries of the command list (its last one empty).
std::size_t commandlistsize();
