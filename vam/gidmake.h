// gidmake <configuration file> <output file> [width [decimals]]: a guide matrix as matin text.
#pragma once

#include <cstdio>

class DataBank;

int gidmakecmd(DataBank* bank, std::FILE* in);
