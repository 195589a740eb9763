// RAS balancing of a packed matrix in its own file: the stored coefficients become flows
// (times their column controls), columns and rows are scaled alternately to their controls,
// and the result is written back as coefficients, period by period.
#pragma once

#include <vector>

#include "matrix/frame.h"

class VamFile;

// Element `matrix` (packed) of the bank balanced to the vectors rowName and colName over the
// year (0: the f dates); 'r' keeps the row controls when the control sums differ, any other
// character the column controls. 0, or -1 after a message.
int pmras(VamFile* bank, int matrix, const char* rowName, const char* colName, float year,
          char governing, int limit);

// The largest |factor - 1| of a pass, where it was and that line's sum before the pass.
struct PassDiscrepancy {
    float discrepancy = -1;
    int at = 0;  // index from 0
    float sum = 0;
};

// One column pass over the stored flows (values in file order): every column multiplied by
// its control over its sum (a column whose sum is at most 1e-7 in magnitude keeps its cells).
// work holds C floats.
PassDiscrepancy pmrascolumns(const mframe::PackedCells& cells, std::vector<float>& values,
                             const std::vector<float>& colControls, std::vector<float>& work);
// One row pass: every row with stored cells and a control above 1e-7 in magnitude multiplied
// by its control over its sum (a row summing to exactly 0 keeps its cells).
PassDiscrepancy pmrasrows(const mframe::PackedCells& cells, std::vector<float>& values,
                          const std::vector<float>& rowControls);
