// The vector calculator: vc <vector> [{d1[-d2]}] = <term> [op <term>] ... assigns to a vector
// of the default Vam bank, over a range of periods, an expression of numbers, series,
// vectors, and products of a matrix (dense or packed) or its transpose with a vector. The
// whole statement is evaluated in memory and the left side written only when every term
// succeeded.
#pragma once

#include <cstdio>

class DataBank;

int vccmd(DataBank* bank, std::FILE* in);
