// Vector formulas (vf) and line copying between Vam elements (vmake, vplus, vminus).
#pragma once

#include <cstdio>

#include "core/date.h"

class DataBank;

// vf <cell> [{date[-date]}] [+ - * /] = <expression>
int vfcmd(DataBank* bank, std::FILE* in);
// vmake (mode 0), vplus (1), vminus (2): [first [last]] target source [source ...]
int vmakecmd(DataBank* bank, std::FILE* in, int mode);
