// Commands that write series out: the worksheet export (p123, rp123) and the tables of
// series (matty, matpr).
#pragma once

#include <cstdio>

// p123 (mode 'c': a column per series) and rp123 (mode 'r': a row per series):
// p123 <file> <date1> <date2> [width [format]] <names ...> ;
int p123cmd(std::FILE* in, char mode);
// matty | matpr [file <name>] [<date1> <date2>] [dump] <names ...> ;
int mattycmd(std::FILE* in);
