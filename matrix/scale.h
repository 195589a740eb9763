// The scale command: a vector, or one row or column of a matrix, of the default Vam bank
// scaled period by period so that its elements (or a group of them) sum to a control series,
// proportionally (pscale) or in the right direction (rdscale).
#pragma once

#include <cstdio>

class DataBank;

// scale <control> <vector> [(group)] [year] [rdscale]
// scale <control> <matrix> r|c <number> [(group)] [year] [rdscale]
int scalecmd(DataBank* bank, std::FILE* in);
