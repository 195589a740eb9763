// Quadratic programming by an active-set method: minimise c'x + x'Qx/2 subject to
// Ain_i x = bin_i for the first neq rows of Ain, Ain_i x <= bin_i for the others, and x >= 0.
// The feasible start comes from phase I of LPROG; each iteration solves the subproblem of the
// active constraints with qpdirection (conjugate gradients on its Karush-Kuhn-Tucker system).
//
// Status codes: 0 solved, -1 dimensions disagree, -2 fewer than 2 variables or an impossible
// number of constraints, -3 no feasible starting point, 3 no convergence, 5 more active
// inequalities than inequalities.
#pragma once

#include "core/matrix.h"
#include "core/vector.h"

void QPROG(Vector<double>& x, Matrix<double>& Q, Vector<double>& c, Matrix<double>& Ain,
           Vector<double>& bin, Vector<double>& lambda, int neq, int* status, char print,
           int maxiter, double eps);

// Solves [[Q, Aa'], [Aa, 0]] z = (-g, 0), Aa being the equality rows of Af and the active
// inequality rows, for z of `size` elements starting from t; t receives z on convergence and
// is left as it was otherwise.
void qpdirection(Matrix<double>& Q, Matrix<double>& Af, Vector<int>& active, Vector<double>& g,
                 Vector<double>& t, int n, int r, int neq, int s, int p, int size, int maxiter,
                 double tolerance);
