// The road of one regression: the equation is read and its terms evaluated into columns
// (xmatrix, place), the moment matrix built (xpx), soft constraints added, the matrix swept
// (regsweep), the fit predicted and reported (predictreg, printreg), and the constraint
// tables emptied. The estimators built on this pipeline reuse its stages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// A square matrix of doubles with indexes 0 .. size-1, stored by rows.
class Moments {
public:
    Moments() = default;
    explicit Moments(int size) : n_(size), a_(static_cast<std::size_t>(size) * size, 0.0) {}
    double& operator()(int i, int j) { return a_[static_cast<std::size_t>(i) * n_ + j]; }
    double operator()(int i, int j) const { return a_[static_cast<std::size_t>(i) * n_ + j]; }
    double* row(int i) { return a_.data() + static_cast<std::size_t>(i) * n_; }
    int size() const { return n_; }

private:
    int n_ = 0;
    std::vector<double> a_;
};

constexpr int maxColumnSlots = 501;  // columns 0 .. 500: dependent, coefficients, spare
constexpr int nameAreaSize = 1000;   // all names with their terminators

// An equation read by xmatrix: column 0 the dependent variable, 1 .. k the coefficients'
// columns (column 1 the intercept when there is one), column k + 1 the spare column that
// receives the fit residuals. Each column holds ntot + 1 floats, position t the observation
// at workspace index first + t.
struct Equation {
    std::vector<std::vector<float>> columns;
    std::vector<std::string> names;  // 0 the dependent variable, i the column i
    int k = 0;
    int intercept = 1;               // 1 intercept, 0 none ("!"), -1 no regressors at all
    int nameBytes = 0;               // room used in the name area
};

// Everything one regression works on between the stages.
struct Regression {
    Equation eq;
    Moments m;                    // (k + 2) x (k + 2)
    std::vector<double> means;    // 0 .. k
    std::vector<float> sd;        // 0 .. k
    std::vector<double> ssrSteps; // 0 .. k
    int first = 0;                // workspace index of the fit start
    int nfit = 0;
    int ntot = 0;
};

// The residual statistics predictreg hands to the report.
struct FitStatistics {
    double ssr = 0.0;
    float dw = 2.0f;
    float mape = 0.0f;       // a fraction
    float testSee = 0.0f;
    float testMape = 0.0f;   // a fraction
    float seePlus1 = 0.0f;
    float jarqueBera = 0.0f;
    bool testGiven = false;  // the test statistics were computed (test mode, test period)
};

// regress (r) <dependent> = [!] <term>, <term>, ...
int rcmd(std::FILE* in);

// Reads the equation and fills the columns and names. 0, -1 (reported) or 27.
int xmatrix(Equation& eq, std::FILE* in, int first, int last, int ntot);
// Copies series[first .. last] to column positions 0 .. last - first; values beyond the
// float range or below the smallest normal float become 0. Returns 0.
int place(float* column, const float* series, int first, int last);
// Fills the moment matrix, the means and the standard deviations from the first nfit
// positions of columns 0 .. k. 0, or -1 after a missing value in the fit period.
int xpx(Regression& r);
// The Gauss-Jordan sweep of the regressors. -1 when a variable is a combination of earlier
// ones; otherwise predictreg's result (0 when predictions are off).
int regsweep(Regression& r);

// Prediction, fit statistics and the series a regression leaves. k the equation's
// coefficients, D its dependent column, R the row of its first coefficient, E the equation
// count, K the coefficient total, eqNumber 0 for a single equation.
int predictreg(Regression& r, int k, int D, int R, int E, int K, int eqNumber);
// L(j) for j = 1 .. k (index 0 unused): the lag when regressor j is the dependent variable
// lagged, else 0.
void findlagdep(std::vector<int>& lags, const std::vector<std::string>& names, int D, int k);
// The leverage of each fit observation, stored as the series lever.
void leverage(const Regression& r, int k, int D, int R, int eqNumber);
// The printed report; -1 when the dependent variable is constant.
int printreg(Regression& r, const FitStatistics& fit, int k, int D, int R, int E, int K,
             int eqNumber);

// A table of the coefficient rows R .. R + k - 1: a heading of their indexes, then one row
// per coefficient with cell(row, column) for each coefficient column.
void printcoefficienttable(int R, int k, const char* headFormat, const char* cellFormat,
                           const std::function<double(int, int)>& cell);

// The workspace series store: the frequency of the next stores, and one store under a name
// (all observations, the index rewritten at once). addser's result.
void wssetfreq(int frequency);
int wsaddser(const char* name, const float* values);
