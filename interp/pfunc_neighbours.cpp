#include "interp/pfunc_neighbours.h"

const char* neighbourgraphsubtitle() { return ""; }
std::string neighbourexcellasttext() { return std::string(); }
std::string neighbourexceldatelisttext(int) { return "-1"; }
std::string neighbourexceldatetext() { return std::string(); }
int neighbourexcelyear() { return 0; }
int neighbourexcelquarter() { return 0; }
int neighbourexcelmonth() { return 0; }
int neighbourexcelday() { return 0; }
