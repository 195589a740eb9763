// RAS balancing of a matrix of the default Vam bank: its columns and rows are scaled in turn
// to vectors of column and row controls until every column meets its control, period by
// period, with an optional precondition file; the scale factors go to ras.log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "matrix/precon.h"

class DataBank;

// ras|rdras|psras [-f|-c] matrix[(r rowgroup)][(c colgroup)] rowcontrol colcontrol [year]
//   [r|c] [-[maxiter] [[-]preconfile] [[-]tolerance]]
// mode 0 ras, 1 rdras (right-direction scaling), 2 psras (as ras).
int rascmd(DataBank* bank, std::FILE* in, int mode);

// The discrepancy of one column: the smaller of the absolute difference of the magnitudes of
// its control c and its sum s and the relative one | |c / s| - 1 |; the absolute difference
// alone when |s| <= 1e-7.
double columndiscrepancy(double c, double s);

// One iteration of the balancing (a column pass, a row pass and the discrepancy) on the
// table's groups, without fixed cells or log: the largest column discrepancy. mode as rascmd.
// The benchmark times it.
double rasiteration(BalanceTable& t, const std::vector<std::int16_t>& rowGroup,
                    const std::vector<std::int16_t>& colGroup, int mode);
