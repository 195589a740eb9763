#include "interp/pfunc_neighbours.h"

const char* neighbourgraphsubtitle() { return ""; }
