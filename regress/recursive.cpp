// Recursive regression: the equation fitted on the observations from the fit end to the
// test end, then on samples growing by one earlier observation at a time down to the fit
// start. The plain cross products are updated by one observation per step; each step is
// swept (and, unless zipped, predicted and reported) like an ordinary regression, and its
// coefficients and standard errors become the paths b1 .. bk and s1 .. sk, indexed by the
// first date of the step's sample.
#include <string>
#include <vector>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "regress/constraints.h"
#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress/regression.h"

namespace {

constexpr int seriesLength = 2001;  // the workspace observations and one spare

// Adds position t of every column to the accumulators; false (after the message and the
// wait) when a value is missing.
bool addobservation(const Equation& eq, int t, Moments& cross, std::vector<double>& sums,
                    std::vector<double>& squares) {
    const int k = eq.k;
    for (int c = 0; c <= k; ++c) {
        if (ismissing(eq.columns[c][t])) {
            printout("Missing value in variable %d.", c);
            printout(" Type a key to continue\n");
            waitkey();
            return false;
        }
    }
    for (int i = 0; i <= k; ++i) {
        const double xi = eq.columns[i][t];
        sums[i] += xi;
        squares[i] += xi * xi;
        for (int j = 0; j <= i; ++j) {
            const double v = xi * eq.columns[j][t];
            cross(i, j) += v;
            if (j != i) cross(j, i) += v;
        }
    }
    return true;
}

void recursivepaths(const std::vector<std::vector<float>>& paths, int k, const char* prefix) {
    wssetfreq(currentFrequency);
    for (int i = 1; i <= k; ++i) {
        const std::string name = prefix + std::to_string(i);
        wsaddser(name.c_str(), paths[i].data());
    }
}

int recursivesteps(std::FILE* in, int first, int middle, int last) {
    const int ntot = last - first + 1;
    Equation eq;
    if (annSaveOn == 'y') {
        echoline(0, 'a', '%');
        annSaveEcho = 'y';
    }
    int status = xmatrix(eq, in, first, last, ntot);
    annSaveEcho = 'n';
    if (status != 0) return status;
    const int k = eq.k;
    if (k < 1) {
        printout("\nError:  the recursive command needs at least one regressor.\n");
        return -1;
    }

    Moments cross(k + 2);
    std::vector<double> sums(k + 1, 0.0), squares(k + 1, 0.0);
    int p = middle - first;
    int n = 0;
    for (int t = p; t < ntot; ++t, ++n)
        if (!addobservation(eq, t, cross, sums, squares)) return -1;

    std::vector<std::vector<float>> bpath(k + 1, std::vector<float>(seriesLength, MISSING));
    std::vector<std::vector<float>> spath = bpath;
    sweepPredicts = regZip == 'y' ? 'n' : 'y';
    const float savedTestEnd = testEnd;
    Regression r;
    r.eq.k = k;
    r.eq.intercept = 0;  // the intercept, if any, is an ordinary column of ones here
    r.eq.names = eq.names;
    for (;;) {
        r.m = Moments(k + 2);
        for (int i = 0; i <= k; ++i)
            for (int j = 0; j <= k; ++j) r.m(i, j) = cross(i, j);
        if (softConstraints.count > 0) addsoftcons(n, k, r.m, 0);
        fitEnd = savedTestEnd;
        fitStart = static_cast<float>(dateno(first + p));
        r.first = first + p;
        r.nfit = r.ntot = n;
        r.means.assign(k + 1, 0.0);
        r.sd.assign(k + 1, 0.0f);
        for (int c = 0; c <= k; ++c) {
            r.means[c] = sums[c] / n;
            r.sd[c] = static_cast<float>(safesqrt(squares[c] / n - r.means[c] * r.means[c]));
        }
        if (sweepPredicts == 'y') {
            // The columns from position p on, and the spare column for the residuals.
            r.eq.columns.assign(k + 2, std::vector<float>());
            for (int c = 0; c <= k + 1; ++c) {
                r.eq.columns[c].assign(n + 1, 0.0f);
                if (c <= k) std::copy(eq.columns[c].begin() + p, eq.columns[c].begin() + ntot, r.eq.columns[c].begin());
            }
        }
        fpcheck("before inversion", -1);
        status = regsweep(r);
        if (status != -1) {
            // With no degree of freedom left the standard errors have no value.
            const double s2 = n > k ? r.m(0, 0) / (n - k) : 0.0;
            for (int i = 1; i <= k; ++i) {
                bpath[i][first + p] = static_cast<float>(r.m(i, 0));
                spath[i][first + p] = n > k ? static_cast<float>(safesqrt(s2 * r.m(i, i))) : MISSING;
            }
        }
        if (--p < 0) break;
        if (!addobservation(eq, p, cross, sums, squares)) {
            status = -1;
            break;
        }
        ++n;
    }
    recursivepaths(bpath, k, "b");
    recursivepaths(spath, k, "s");
    return status;
}

}  // namespace

int recurcmd(std::FILE* in) {
    const float savedStart = fitStart, savedEnd = fitEnd, savedTestEnd = testEnd;
    const int first = dateindex(fitStart);
    const int middle = dateindex(fitEnd);
    const int last = dateindex(testEnd);
    int status = checklimits("recursive", first, middle, last);
    const char savedPredicts = sweepPredicts;
    if (status == 0) status = recursivesteps(in, first, middle, last);
    sweepPredicts = savedPredicts;
    regZip = 'n';
    mainRegZipChecked = false;
    clearcons();
    fitStart = savedStart;
    fitEnd = savedEnd;
    testEnd = savedTestEnd;
    return status;
}
