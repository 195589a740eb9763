// The Hildreth-Lu search: for each rho of a grid the quasi-differenced equation
// y(t) - rho y(t-1) = b1 + sum b(j) (x(j, t) - rho x(j, t-1)) is fitted and reported, and
// the one-period-ahead SEE compared with the SEE of the long-run predictions made from the
// untransformed data.
#include <cmath>
#include <vector>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "regress/constraints.h"
#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress/regression.h"

namespace {

constexpr int seriesLength = 2001;
constexpr int maxRows = 10;

struct HlRow {
    float rho, see, rhoEstimated, seeLong;
};

int hlsearch(std::FILE* in) {
    float low = 0.0f, high = 0.0f, step = 0.0f;
    char token[80];
    if (readsignedfloat(in, low) != 'n') {
        printout("Need the lower limit of range of rho to be searched.\n");
        return -1;
    }
    if (readsignedfloat(in, high) != 'n') {
        printout("Need the upper limit of range of rho to be searched.\n");
        return -1;
    }
    if (gettoken(token, in, 0, 78) != 'n') {
        printout("Need searching step size.\n");
        return -1;
    }
    step = static_cast<float>(std::atof(token));
    if (low > high) {
        printout("\nError:  in hl command, the lower limit of rho %g is above the upper one %g.\n",
                 low, high);
        return -1;
    }
    if (step <= 0.0f) {
        printout("\nError:  in hl command, the step must be positive.\n");
        return -1;
    }
    const int start = dateindex(fitStart);
    const int middle = dateindex(fitEnd);
    const int last = dateindex(testEnd);
    if (checklimits("hl", start, middle, last) != 0) return -1;
    // The columns begin one observation before the fit start.
    if (start == 0) {
        printout("\nError:  in hl command, the fit must start after the first observation of "
                 "the workspace.\n");
        return -1;
    }
    const int first = start - 1;
    const int nfit = middle - start + 1;
    const int ntot = last - start + 1;

    Equation raw;
    int status = xmatrix(raw, in, first, last, ntot + 1);
    if (status != 0) return -1;
    const int k = raw.k;
    if (k < 1) {
        printout("\nError:  the hl command needs at least one regressor.\n");
        return -1;
    }
    const std::vector<std::vector<float>>& U = raw.columns;  // positions 0 .. ntot
    const bool intercept = raw.intercept == 1;

    Regression r;
    r.eq.k = k;
    r.eq.intercept = raw.intercept;
    r.eq.names = raw.names;
    r.eq.columns.assign(k + 2, std::vector<float>(ntot + 1, 0.0f));
    r.first = first;
    r.nfit = nfit;
    r.ntot = ntot;
    std::vector<float> hllong(seriesLength, MISSING), hlshort(seriesLength, MISSING);
    std::vector<HlRow> rows;
    std::vector<double> b(k + 1, 0.0);
    float rho = low;
    while (static_cast<int>(rows.size()) < maxRows && rho <= high + 1e-6f) {
        if (rho > 0.999f && rho < 1.001f) {
            printout("\nHL does not work for rho = 1.\n");
            break;
        }
        for (int c = 0; c <= k; ++c)
            for (int t = 0; t < ntot; ++t)
                r.eq.columns[c][t] = (intercept && c == 1) ? 1.0f : U[c][t + 1] - rho * U[c][t];
        hlRho = rho;
        r.m = Moments(k + 2);
        if (xpx(r) != 0) return -1;
        if (softConstraints.count > 0) addsoftcons(nfit, k, r.m, r.eq.intercept);
        if (regsweep(r) == -1) return -1;
        for (int j = 1; j <= k; ++j) b[j] = r.m(j, 0);
        HlRow row{rho, regSee, regRho, 0.0f};

        // The long-run predictions from the untransformed data.
        const double b1 = b[1];
        if (intercept) b[1] /= (1.0 - rho);
        double sum = 0.0;
        for (int t = 1; t <= ntot; ++t) {
            double prediction = 0.0;
            for (int j = 1; j <= k; ++j) prediction += b[j] * U[j][t];
            hllong[first + t] = static_cast<float>(prediction);
            if (t <= nfit) sum += (prediction - U[0][t]) * (prediction - U[0][t]);
        }
        b[1] = b1;
        row.seeLong = static_cast<float>(safesqrt(sum / nfit));
        rows.push_back(row);
        rho += step;
    }
    if (rows.empty()) return -1;  // only rho = 1 was asked for: nothing was estimated
    hlRho = rows.back().rho;

    printout("\r\n\n       RHO-HL    SEE 1 AHEAD  RHO-EST  SEE LONG-RUN\r\n\n");
    for (const HlRow& row : rows) {
        printout("    %10.6f  %10.6f  %10.6f  ", row.rho, row.see, row.rhoEstimated);
        printout("%10.6f \r\n", row.seeLong);
    }
    wssetfreq(currentFrequency);
    wsaddser("hllong", hllong.data());

    // One period ahead from the previous actual value, with the last rho's coefficients
    // and transformed columns.
    for (int t = 0; t < ntot; ++t) {
        double prediction = hlRho * U[0][t];
        for (int j = 1; j <= k; ++j) prediction += b[j] * r.eq.columns[j][t];
        hlshort[start + t] = static_cast<float>(prediction);
    }
    wsaddser("hlshort", hlshort.data());
    hlActive = 'n';
    if (regZip == 'n' || low < high) pausebox("Hit a key", "");
    return 0;
}

}  // namespace

int hlcmd(std::FILE* in) {
    hlActive = 'y';
    const int status = hlsearch(in);
    hlActive = 'n';
    clearcons();
    return status == 0 ? 0 : -1;
}
