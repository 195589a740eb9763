// A quasi-Newton minimiser (dfpmin: BFGS update of the inverse Hessian with the
// backtracking line search lnsrch) and a globally convergent Broyden solver of nonlinear
// systems (broydn, with fmin, fdjac, qrdcmp, qrupdt, rotate, rsolv), after the routines of
// the same names in Numerical Recipes in C. Vectors are indexed 1..n, matrices 1..n by 1..n.
#pragma once

#include "core/matrix.h"
#include "core/vector.h"

struct SolverContext;

// f(x); the gradient of f at x into g; the n function values of a system into the vector
// that context.functionValues points to.
using ObjectiveFunction = double (*)(Vector<double>& x, SolverContext& context);
using GradientFunction = void (*)(Vector<double>& x, Vector<double>& g, SolverContext& context);
using VectorFunction = void (*)(Vector<double>& x, SolverContext& context);

// The caller's data for the callbacks: callers derive their own record from it. broydn and
// fdjac use the two fields; they point functionValues at their own vectors while they run
// and put it back as it was on every way out.
struct SolverContext {
    virtual ~SolverContext() = default;
    Vector<double>* functionValues = nullptr;
    VectorFunction vectorFunction = nullptr;
};

// The order of the system of the running broydn (read by fmin).
extern int broydnSize;

// Minimises func from the point p (replaced by the minimum found). 0 on convergence, -1 when
// the line search fails or after 200 iterations. iter gets the iteration, fret the value.
int dfpmin(Vector<double>& p, double gtol, int& iter, double& fret, ObjectiveFunction func,
           GradientFunction dfunc, SolverContext& context);

// Backtracking line search from xold along p: 0, or -1 when p is not a descent direction.
// check becomes 1 when the step shrank below its minimum (x is then xold).
int lnsrch(int n, Vector<double>& xold, double fold, Vector<double>& g, Vector<double>& p,
           Vector<double>& x, double& f, double stpmax, int& check, ObjectiveFunction func,
           SolverContext& context);

// Finds x with every function value 0, starting from x. 0, or -1 after 200 iterations or a
// failed line search; check is 1 when it stopped at a local minimum of fmin that is no root.
// Throws Jex7Errors for a singular Jacobian or a singular updated R.
int broydn(Vector<double>& x, int& check, VectorFunction vecfunc, SolverContext& context);

// Half the sum of squares of the function values at x (the merit function of broydn).
double fmin(Vector<double>& x, SolverContext& context);

// Forward-difference Jacobian at x, where the function values are fvec.
void fdjac(Vector<double>& x, Vector<double>& fvec, Matrix<double>& df, VectorFunction vecfunc,
           SolverContext& context);

void qrdcmp(Matrix<double>& a, Vector<double>& c, Vector<double>& d, int& sing);
void qrupdt(Matrix<double>& r, Matrix<double>& qt, Vector<double>& u, Vector<double>& v);
void rotate(Matrix<double>& r, Matrix<double>& qt, int i, double a, double b);
void rsolv(Matrix<double>& a, Vector<double>& d, Vector<double>& b);
