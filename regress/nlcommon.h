// What nl and nlp share: the statement they read (options, the equation kept as text, the
// parameter count, start values and steps), the evaluation of the equation for a trial vector
// of parameters, the progress line, the report of the estimates (varcov) and the equation
// saved with the estimates in place of the parameters (nlsave).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct NlStatement {
    std::string text;          // the equation, continuation lines joined by blanks
    bool verbose = false;      // a '-' followed the command word
    int n = 0;                 // parameters a0 .. a(n-1)
    std::vector<float> start;  // n start values
    std::vector<float> steps;  // n steps
};

// Reads the statement of `command` (nl or nlp) allowing at most maxParams parameters.
// 0, or -1 / 27 after a refusal that it reported. A statement read whole sets the evaluation
// counter and error flag back to 0.
int readnlstatement(std::FILE* in, const char* command, int maxParams, NlStatement& s);

// The estimates in rcoef (made 2001 long: [0] n, [1 .. n] the estimates, the rest 0) and,
// after the results map is emptied, under beta1 .. beta<n>, with ncoef.
void nlestimates(const float* estimates, int n, std::vector<float>& rcoef);

// Evaluations since the command started and whether one of them failed.
extern int nlEvaluations;
extern bool nlEvaluationError;

// The objective of the equation at params (n values): the sum of squared differences of the
// right-hand side from the dependent series over the fit range, the sum of the right-hand
// side ("zero") or its value at the end of the fit range ("last"). depvar and predic (2001
// floats each) receive the series. -1 with nlEvaluationError set when it cannot be evaluated.
// The reader's whole state is put back on every way out.
double nlevaluate(const std::string& text, const float* params, int n, float* depvar, float* predic);

// " %5d %11.5f " and the parameters, six to a line.
void nlprogress(const float* point, int n, double value);

// Prints the estimates with their standard deviations, t-values and covariance matrix from
// numerical derivatives of the fitted series (each with the step 0.1 x steps[i]); t-values go
// to tvalues. 0, or -1 when it could not be computed.
int varcov(int n, double objective, const std::string& text, const float* estimates,
           const float* steps, std::vector<float>& tvalues);

// Writes the equation to the save file as "r <equation>" with the estimates (rcoef[k + 1]
// for a<k>) in place of the parameters, then "s" or "d". 0, or the status of an interrupted
// read.
int nlsave(const float* rcoef, const std::string& text);
