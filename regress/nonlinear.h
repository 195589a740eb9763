// The estimators that are not linear in their coefficients: the multinomial logit (found by
// the quasi-Newton minimiser), non-linear least squares by the simplex method (nl) and the
// optimisation of an expression by Powell's method (nlp). nl and nlp keep their equation as
// text and run it through the series machinery for every trial vector of parameters.
#pragma once

#include <cstdint>
#include <cstdio>

// logit rhoadj yes|no, or logit followed by a block of equations up to "do".
int logitcmd(std::FILE* in);
// nl [-] <equation>, then the parameter count, the start values and the steps.
int nlcmd(std::FILE* in);
// nlp [-] <equation>, then the parameter count, the start values and the steps.
int nlpcmd(std::FILE* in);

// 1 (start): the logit computes the period errors and their rho and uses them in forecasts.
extern std::uint8_t rhoadjSwitch;

// While nlParamMode is 'y' the series look-up gives a name made of 'a' and digits (a0, a1,
// ...) below nlParamCount as the constant series of that element of nlParams.
extern char nlParamMode;
extern const float* nlParams;
extern int nlParamCount;
// The parameter a name stands for while nlParamMode is 'y': its index, or -1.
int nlparamindex(const char* name);

// Exponential and logarithm with cut-offs at the float and double limits: clampexp in single
// precision; clamplog gives the missing value for an argument in the missing band or not
// positive. dmin(a, b) is a when a < b, else b.
float clampexp(float x);
double clamplog(double x);
double dmin(double a, double b);
