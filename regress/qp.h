// Least squares under hard constraints (qpcon): the residual sum of squares minimised as a
// quadratic program, with the soft constraints folded into the objective.
#pragma once

#include <vector>

#include "regress/regression.h"

// Solves the regression r (single equation, from rcmd) or, with `stacked`, the weighted
// stacked system already in r.m (coefficients 1 .. K), whose equation e has counts[e - 1]
// coefficients and its dependent variable in column depColumns[e - 1]. 0, -1 or 27.
int qp(Regression& r, bool stacked, int K = 0, const std::vector<int>& counts = {},
       const std::vector<int>& depColumns = {});
