// Vector formulas (vf) and line copying between Vam elements (vmake, vplus, vminus).
#pragma once

#include <cstdio>

#include "core/date.h"

class DataBank;

// Up to two date numbers from the input: 0 (none; the token is given back), 1 (both dates
// the same), 2, or -1 when the second is earlier or of another frequency. Prints nothing.
int xldatesarg(std::FILE* in, JexDate& first, JexDate& second);

// vf <cell> [{date[-date]}] [+ - * /] = <expression>
int vfcmd(DataBank* bank, std::FILE* in);
// vmake (mode 0), vplus (1), vminus (2): [first [last]] target source [source ...]
int vmakecmd(DataBank* bank, std::FILE* in, int mode);
