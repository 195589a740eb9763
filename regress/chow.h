// The Chow test over a series of regressions and the normality test of the fit residuals.
#pragma once

#include <cstdio>

// chow <number>: the next <number> regressions (at least 2) make one Chow test.
int chowcmd(std::FILE* in);
// Prints the test over the recorded regressions and ends it. Returns 0.
int chowtest();
// normality <yes | no | full>
int normalitycmd(std::FILE* in);
// The Jarque-Bera statistic of e[0 .. n-1]; the full report when normalityTest is 'f'.
float normalitytest(int n, const float* e);
