// The work of one logit run, shared by the estimation (logit.cpp) and the prediction of each
// alternative (logit_predict.cpp). Alternatives are numbered 1 .. J in their final order, the
// normalized one (utility 0, no coefficients) first; coefficients 0 .. K-1 follow the
// equations in order, within an equation the order of its regressors.
#pragma once

#include <vector>

#include "core/matrix.h"
#include "core/minimise.h"
#include "core/vector.h"
#include "regress/regression.h"

struct LogitRun : SolverContext {
    int J = 0;                    // alternatives
    int K = 0;                    // coefficients
    int n = 0;                    // fit observations
    int N = 0;                    // fit and test observations
    int first = 0;                // workspace index of the fit start
    std::vector<Equation> eqs;    // 1 .. J in eqs[0 .. J-1]
    std::vector<int> start;       // start[e]: the first coefficient of alternative e (e >= 2)
    std::vector<int> count;       // count[e]: its number of coefficients (0 for e = 1)
    std::vector<double> X;        // N x K, row t the regressors of every coefficient
    std::vector<float> Y;         // N x J, row t the dependent series of every alternative
    std::vector<const std::string*> names;  // K: the regressor name of each coefficient
    Vector<double> beta;          // 1 .. K
    Matrix<double> H;             // the information matrix, then its inverse V
    bool wantH = false;           // the gradient also accumulates H
    int obs = 0;                  // the fit observation (1 .. n) of the period-error equations
    Matrix<double> R;             // n x (J-1) period errors
    std::vector<double> rho, mu;  // J-1
    std::vector<double> u;        // J + 1 scratch utilities
    std::vector<float> p;         // J + 1 scratch probabilities
};

// Utilities of the alternatives at observation row x (K values): u[1] = 0, u[e] for e >= 2;
// returns the largest of 0 and the u[e].
double logitutilities(const LogitRun& run, const double* x, const Vector<double>& beta,
                      std::vector<double>& u);

// The five series of alternative a (1 .. J): resid, predic, predp1, bpred and depvar followed
// by a; the fit residuals go to residuals (n entries).
void predictlogit(const LogitRun& run, int a, std::vector<float>& residuals);
