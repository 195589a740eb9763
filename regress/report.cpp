// The printed regression report, the statistics it leaves (rcoef, regressionResults) and
// the estimated equation written to the save file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/percent_functions.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "platform/platform.h"
#include "regress/constraints.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/series_state.h"

namespace {

float capped(float v) { return v > 9999.99f ? 9999.99f : v; }

float withcentury(float date) { return date < 1900.0f ? date + 1900.0f : date; }

void putresult(const char* key, int i, float value) {
    char name[40];
    std::snprintf(name, sizeof name, "%s%d", key, i);
    regressionResults[name] = value;
}

// The estimated equation in the save file.
void saveequation(const Regression& r, int k, int D, int R, double ssr) {
    if (k < 1) return;  // no coefficient to write
    const bool gf = saveTypeGiven == 'y' && std::strcmp(saveType, "gf") == 0;
    const auto& names = r.eq.names;
    double b1 = r.m(R, 0);
    // The Hildreth-Lu intercept of the untransformed equation; without one there is nothing
    // to rescale.
    if (hlActive == 'y' && r.eq.intercept == 1) b1 /= (1.0 - hlRho);
    const char* dependent = names[D].c_str();
    const char* firstName = names[D + 1].c_str();
    if (gf) {
        if (std::strcmp(firstName, "intercept") == 0) std::fprintf(saveFile, "f %s = %12.6f", dependent, b1);
        else std::fprintf(saveFile, "f %s = %12.6f*%s", dependent, b1, firstName);
    } else {
        std::fprintf(saveFile, "r %s = %12.6f*%s", dependent, b1, firstName);
    }
    for (int i = 1; i < k; ++i) {
        const double b = r.m(R + i, 0);
        const char sign = b >= 0.0 ? '+' : '-';
        std::fprintf(saveFile, gf ? " %c %12.6f*%s" : " %c\n      %12.6f*%s", sign, std::fabs(b),
                     names[D + i + 1].c_str());
    }
    std::fprintf(saveFile, "\n");
    if (gf) return;
    if (stochastic == 'n' || hardConstraints.count > 0) {
        std::fprintf(saveFile, "d\n");
        return;
    }
    const double s2 = ssr / (r.nfit - k);
    std::fprintf(saveFile, "s\n");
    std::fprintf(saveFile, "rho = %12.6f", regRho);
    std::fprintf(saveFile, "\nsee = %12.6f", safesqrt(s2));
    std::fprintf(saveFile, "\nvc_matrix = ");
    for (int i = 0; i < k; ++i) {
        std::fprintf(saveFile, "\n    ");
        for (int j = 0; j < k; ++j) std::fprintf(saveFile, "%13.9f ", s2 * r.m(R + i, R + j));
    }
    std::fprintf(saveFile, "\n");
}

}  // namespace

void printcoefficienttable(int R, int k, const char* headFormat, const char* cellFormat,
                           const std::function<double(int, int)>& cell) {
    printout("   ");
    for (int i = 0; i < k; ++i) printout(headFormat, R + i);
    printout("\n");
    for (int i = 0; i < k; ++i) {
        printout("%2d ", R + i);
        for (int j = 0; j < k; ++j) printout(cellFormat, cell(R + i, R + j));
        printout("\n");
    }
}

int printreg(Regression& r, const FitStatistics& fit, int k, int D, int R, int E, int K,
             int eqNumber) {
    platform::clearFloatingPointStatus();
    const Moments& m = r.m;
    const int nfit = r.nfit;
    const auto& names = r.eq.names;

    const int p = (90 - static_cast<int>(std::strlen(currentTitle))) / 2;
    if (p > 0) printout("%s", (":" + std::string(p - 1, ' ')).c_str());
    printout("%s\n", currentTitle);
    if (eqNumber > 0) printout("Regression number %d, %-20s\n", eqNumber, names[D].c_str());

    const double ssr = fit.ssr;
    regSee = static_cast<float>(safesqrt(ssr / nfit));
    const float sdD = r.sd[D];
    const float tss = static_cast<float>(nfit) * sdD * sdD;
    if (std::fabs(tss) == 0.0f) {
        printout("Dependent variable is constant.\n");
        return -1;
    }
    const float rsq = static_cast<float>(1.0 - ssr / tss);
    // With no degree of freedom left the fit is exact: RBSQ and s2 have no value (0).
    const float rbsq =
        nfit > k ? static_cast<float>(1.0 - (ssr / (nfit - k)) / (tss / (nfit - 1.0))) : 0.0f;
    const int doFree = nfit * E - K;
    float s2 = doFree > 0 ? static_cast<float>(ssr / doFree) : 0.0f;
    if (E > 1) s2 = 1.0f;

    printout("  SEE   = %10.2f RSQ   = %6.4f RHO = %6.2f Obser  = %4d from %8.3f\n", regSee, rsq,
             regRho, nfit * E, withcentury(fitStart));
    printout("  SEE+1 = %10.2f RBSQ  = %6.4f", fit.seePlus1, rbsq);
    float durbinH = 999.0f;
    if (lagDepIndex == 0) {
        printout(" DW  = %6.2f", fit.dw);
    } else {
        const int J = R + lagDepIndex - 1;
        const double v = 1.0 - nfit * m(J, J) * s2;
        if (v > 0.0) durbinH = static_cast<float>(safesqrt(nfit / v) * regRho);
        printout(" DurH = %5.2f", durbinH);
    }
    printout(" DoFree = %4d to   %8.3f\n", doFree, withcentury(fitEnd));
    if (fit.mape < 999999.0f) printout("  MAPE  = %10.2f", 100.0f * fit.mape);
    else printout("  MAPE  = %10.2e", 100.0f * fit.mape);
    if (normalityTest != 'n') printout(" JarqBer = %4.2f", fit.jarqueBera);
    if (E > 1) printout(" SEESUR = %10.2f", safesqrt(m(0, 0) / (nfit * E)));
    if (hlActive == 'y') printout(" HLRHO = %6.4f", hlRho);
    if (forecastMode == 0 && r.ntot > nfit && fit.testGiven) {
        if (100.0f * fit.testMape < 999999.0f)
            printout(" Test period:   SEE %8.2f MAPE   %6.2f end  %8.3f", fit.testSee,
                     100.0f * fit.testMape, withcentury(testEnd));
        else
            printout(" Test period:   SEE %8.2f MAPE %8.2e end  %8.3f", fit.testSee,
                     100.0f * fit.testMape, withcentury(testEnd));
    }
    printout("\n");

    printout("    Variable name           Reg-Coef  Mexval");
    printout("  Elas   NorRes     Mean   Beta");
    printout(showT ? "  t-value  F-Stat\n" : "\n");
    printout(" %2d %-20s ", D, names[D].c_str());
    if (rhoSaveOn == 'y' && rhoSaveFile) std::fprintf(rhoSaveFile, "rho %s %4.2f\n", names[D].c_str(), regRho);
    printout(" - - - - - - - - - - - - - - - - - %9.2f - - -", r.means[D]);
    printout(showT ? " - - - - - - - - \n" : "\n");

    double m00 = m(0, 0);
    if (m00 <= 0.0 || s2 <= 0.0f) {
        m00 = 1.0;
        s2 = 1.0f;
        printout("  Perfect fit. Mexvals and T-stats meaningless.\n");
    }

    const int rcoefLength = std::max(2000, 3 * k + 7);
    std::vector<float> rcoef(rcoefLength, 0.0f);
    regressionResults.clear();
    const double lastStep = r.ssrSteps[R + k - 1];
    const bool hard = hardConstraints.count > 0;
    for (int i = 0; i < k; ++i) {
        const int row = R + i;
        const int col = D + i + 1;
        const double b = m(row, 0);
        const double inv = m(row, row);
        const float mexval = hard ? 0.0f : static_cast<float>(100.0 * (safesqrt(1.0 + b * b / (inv * m00)) - 1.0));
        const float t = static_cast<float>(b / safesqrt(inv * s2));
        const float elas = r.means[D] == 0.0 ? 0.0f : static_cast<float>(b * r.means[col] / r.means[D]);
        const float norres = lastStep > 0.0 ? capped(static_cast<float>(r.ssrSteps[row] / lastStep)) : 0.0f;
        printout(" %2d %-20s ", i + 1, names[col].c_str());
        printout(" %10.5f %7.1f", b, mexval);
        printout(" %6.2f %7.2f %9.2f", elas, norres, r.means[col]);
        if (i == 0) {
            if (showT) printout("        %7.3f", t);
            printout("\n");
        } else {
            const float beta = sdD > 0.0f ? static_cast<float>(b * r.sd[col] / sdD) : 0.0f;
            printout("%7.3f", beta);
            if (!showT) {
                printout("\n");
            } else {
                // No residual or no degree of freedom left: the F statistic has no finite value.
                float F = 10000.0f;
                if (lastStep != 0.0 && nfit > k)
                    F = capped(static_cast<float>(((r.ssrSteps[row - 1] - lastStep) / (k - i)) /
                                                  (lastStep / (nfit - k))));
                printout(" %7.3f", t);
                printout("%8.2f\n", F);
            }
        }
        rcoef[i + 1] = static_cast<float>(b);
        rcoef[k + i + 1] = mexval;
        rcoef[2 * k + 7 + i] = t;
        putresult("beta", i + 1, static_cast<float>(b));
        putresult("mexval", i + 1, mexval);
    }

    if (showRelations == 1 && !hard) {
        printout("\n");
        printout("Partial derivatives of regression coefficients with respect to each other.\n");
        printcoefficienttable(R, k, " %12d", " %12.5f", [&](int i, int j) {
            const double diag = m(j, j);
            return diag > 0.0 ? m(i, j) / diag : 0.0;
        });
    }

    rcoef[0] = static_cast<float>(k);
    rcoef[2 * k + 1] = regSee;
    rcoef[2 * k + 2] = rsq;
    rcoef[2 * k + 3] = regRho;
    rcoef[2 * k + 4] = rbsq;
    rcoef[2 * k + 5] = fit.mape;
    rcoef[2 * k + 6] = static_cast<float>(nfit);
    regressionResults["ncoef"] = static_cast<float>(k);
    regressionResults["see"] = regSee;
    regressionResults["rsq"] = rsq;
    regressionResults["rho"] = regRho;
    regressionResults["rbarsq"] = rbsq;
    regressionResults["mape"] = fit.mape;
    regressionResults["obs_in_regress"] = static_cast<float>(nfit);
    regressionResults["dw"] = fit.dw;
    wssetfreq(currentFrequency);
    char name[40];
    namewithnumber(name, "rcoef", eqNumber);
    wsaddser(name, rcoef.data());
    printout("\n");

    if (saveOn == 'y' && saveFile) saveequation(r, k, D, R, ssr);
    return 0;
}
