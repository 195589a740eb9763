// getsum: row or column sums of a matrix of a Vam bank, over all or a group of its columns
// (rows), written period by period into a vector of the default Vam bank.
#pragma once

#include <cstdio>

class DataBank;

// getsum <source> <r|c> [(group)] <target>
int getsum(DataBank* bank, std::FILE* in);
