// Share regression: log share = a + b1 log T1 + b2 log T2 + b3 T3, with b1 expected in
// -4 .. 0 and b2 in 0 .. 4. The shares are screened, the fit period cut to the trailing run
// of significant shares, and the equation refitted under a fixed table of configurations
// (coefficients fixed at their bounds or dropped) until a fit is accepted; the result is
// one line of rcoef.dat.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/functions_common.h"
#include "series/rhs.h"

namespace {

constexpr float lowBound = -4.0f;   // b1
constexpr float highBound = 4.0f;   // b2
constexpr float significant = 0.0001f;
constexpr int workLength = 2000;
constexpr int maxRefits = 20;       // beyond the fallback table a configuration only repeats

bool noLogFlag = false;
bool zipRestore = false;

// Slot 2 and 3 hold the first and second estimated coefficients; S1: T3 in the last slot;
// S2: log T2 in slot 2; S3: b1 fixed at -4; S4: b2 fixed at 4.
struct Config {
    int k;
    bool s1, s2, s3, s4;
};
const Config configs[15] = {
    {0, false, false, false, false},
    {4, false, false, false, false}, {2, true, false, true, true},   {3, true, true, true, false},
    {3, true, false, false, true},   {3, false, false, false, false}, {2, false, true, true, false},
    {2, false, false, false, true},  {3, true, false, false, false}, {2, true, false, true, false},
    {3, true, true, false, false},   {2, true, false, false, true},  {2, false, false, false, false},
    {2, false, true, false, false},  {2, true, false, false, false},
};

// The data column in slot j of a configuration.
int slotcolumn(const Config& c, int j) {
    if (c.s1 && j == c.k) return 4;
    if (c.s2 && j == 2) return 3;
    return j;
}

struct Share {
    std::vector<std::vector<float>> columns;  // 0 log share, 1 ones, 2 log T1, 3 log T2, 4 T3
    int intercept = 1;
    int n = 0;
    std::FILE* out = nullptr;  // rcoef.dat
};

void resultline(Share& s, const char* text) {
    if (s.out) std::fprintf(s.out, "%60s  %s", currentTitle, text);
}

// The acceptance test of one fit: 0 accept (b adjusted to a bound when the table says so),
// else the fallback code.
int accept(int config, float p, float q, float& b1, float& b2) {
    switch (config) {
    case 1:
        if (p < lowBound && q > highBound) return -5;
        if (p < lowBound && q > 0) return -4;
        if (p < 0 && q > highBound) return -3;
        if (p > 0 || q < 0) return -2;
        return 0;
    case 3:
        if (p > highBound) return b2 = highBound, 0;
        return p < 0 ? -2 : 0;
    case 4:
        if (p < lowBound) return b1 = lowBound, 0;
        return p > 0 ? -2 : 0;
    case 5:
        if (p < lowBound && q > highBound) return b1 = lowBound, b2 = highBound, 0;
        if (p < lowBound && q > 0) return -4;
        if (p < 0 && q > highBound) return -3;
        if (p > 0 || q < 0) return -2;
        return 0;
    case 6:
        if (p > highBound) return b2 = highBound, 0;
        return p <= 0 ? -2 : 0;
    case 7:
        if (p < lowBound) return b1 = lowBound, 0;
        return p >= 0 ? -2 : 0;
    case 8:
        if (p < lowBound) return -4;
        if (noLogFlag) return -10;
        return p >= 0 ? -2 : 0;
    case 10:
        if (p > highBound) return -3;
        return p <= 0 ? -2 : 0;
    case 12:
        if (p < lowBound) return b1 = lowBound, 0;
        return p > 0 ? -2 : 0;
    case 13:
        if (p > highBound) return b2 = highBound, 0;
        return p < 0 ? -2 : 0;
    default:  // 2, 9, 11, 14
        return 0;
    }
}

// The configuration after a refused fit (refit counter r, code c); the current one when
// no rule matches.
int fallback(int config, int r, int c) {
    const bool w3 = config == 2 || config == 3 || config == 4 || config == 8 || config == 9 ||
                    config == 10 || config == 11 || config == 14;
    const bool w2 = config == 3 || config == 6 || config == 10 || config == 13;
    const bool nl = noLogFlag;
    switch (r) {
    case 1:
        if (c == -5) return 2;
        if (c == -4) return 3;
        if (c == -3) return 4;
        if (c == -2) return 5;
        break;
    case 2:
        if (c == -2 && w3) return 5;
        if (c == -4 && !w3) return 6;
        if (c == -3) return 7;
        if (c == -2 && !w3) return 8;
        break;
    case 3:
        if (c == -4 && !w3) return 6;
        if (c == -3) return 7;
        if (c == -2 && !w3) return 8;
        if (c == -4 && w3) return 9;
        if (c == -2 && w3) return 10;
        break;
    case 4:
        if (c == -2 && !w3) return 8;
        if (c == -4) return 9;
        if (c == -2 && w3 && !w2 && !nl) return 10;
        if (c == -3) return 11;
        if (c == -2 && w3 && (w2 || nl)) return 12;
        break;
    case 5:
        if (c == -4) return 9;
        if (c == -2 && w3 && !w2 && !nl) return 10;
        if (c == -3) return 11;
        if (c == -2 && w3 && (w2 || nl)) return 12;
        if (c == -2 && !w3 && !w2 && !nl) return 13;
        break;
    case 6:
        if (c == -3) return 11;
        if (c == -2 && w3 && (w2 || nl)) return 12;
        if (c == -2 && !w3 && !w2 && !nl) return 13;
        if (c == -2 && !w3 && (w2 || nl)) return 14;
        break;
    case 7:
        if (c == -2 && !w2 && !nl) return 13;
        if (c == -2 && (w2 || nl)) return 14;
        break;
    case 8:
        if (c == -2 || c == -10) return 14;
        break;
    default:
        if (c == -10) return 14;
        break;
    }
    return config;
}

// One fit of a configuration: 0 accepted (line written), 3 a combination error (line
// written), or the fallback code.
int fit(Share& s, int config) {
    const Config& c = configs[config];
    const int n = s.n;
    Regression r;
    r.nfit = r.ntot = n;
    r.eq.k = c.k;
    r.eq.intercept = s.intercept;
    r.eq.columns.assign(c.k + 1, std::vector<float>(n + 1, 0.0f));
    for (int t = 0; t < n; ++t) {
        r.eq.columns[0][t] = s.columns[0][t] + (c.s3 ? 4.0f * s.columns[2][t] : 0.0f) -
                             (c.s4 ? 4.0f * s.columns[3][t] : 0.0f);
        for (int j = 1; j <= c.k; ++j) r.eq.columns[j][t] = s.columns[slotcolumn(c, j)][t];
    }
    printout("Calculating ...\r\n");
    fpcheck("before mxpx", -1);
    r.m = Moments(c.k + 2);
    if (s.intercept == 1) {
        if (xpx(r) != 0) {
            resultline(s, "Missing value.\n");
            return 3;
        }
    }
    fpcheck("before inversion", -1);
    const char saved = sweepPredicts;
    sweepPredicts = 'n';
    const int swept = regsweep(r);
    sweepPredicts = saved;
    fpcheck("after inversion.", -1);
    if (swept == -1) {
        // regsweep has named the pivot: the first slot whose pivot is not positive.
        int p = s.intercept + 1;
        while (p <= c.k && r.m(p, p) > 0.0) ++p;
        char text[100];
        std::snprintf(text, sizeof text, "Error: Variable %d is a combination of preceeding variables\r\n", p);
        resultline(s, text);
        return 3;
    }
    // The coefficients: estimated in their slots, fixed at a bound, or dropped (0).
    float b[5] = {0.0f, 0.0f, c.s3 ? lowBound : 0.0f, c.s4 ? highBound : 0.0f, 0.0f};
    for (int j = 2; j <= c.k; ++j) b[slotcolumn(c, j)] = static_cast<float>(r.m(j, 0));
    const float p = static_cast<float>(r.m(2, 0));
    const float q = c.k >= 3 ? static_cast<float>(r.m(3, 0)) : 0.0f;
    const int code = accept(config, p, q, b[2], b[3]);
    if (code != 0) return code;

    // The statistics of the accepted fit on the untransformed log share.
    fpcheck("before predictreg", -1);
    const double a = r.m(1, 0);
    double ssr = 0.0, dw = 0.0, sy = 0.0, sf = 0.0, previous = 0.0;
    for (int t = 0; t < n; ++t) {
        const double fitted = a + b[2] * s.columns[2][t] + b[3] * s.columns[3][t] + b[4] * s.columns[4][t];
        const double y = s.columns[0][t];
        const double e = fitted - y;
        ssr += e * e;
        if (t > 0) dw += (e - previous) * (e - previous);
        previous = e;
        sy += y * y;
        sf += fitted * fitted;
    }
    const double durbin = ssr > 0.0 ? dw / ssr : 2.0;
    const double rho = 1.0 - durbin / 2.0;
    const double see = safesqrt(ssr / n);
    const double ratio = sy > 0.0001 ? sf / sy : 0.0;
    if (s.out) {
        std::fprintf(s.out, "%60s  ", currentTitle);
        std::fprintf(s.out, "%6.3f %6.3f %6.3f %6.3f ", a, b[2], b[3], b[4]);
        std::fprintf(s.out, "%3.2f %3.2f %3.2f\n", see, rho, ratio);
    }
    return 0;
}

// A term into column `col` of the share data; logged (positive values only) for T1, T2.
int readterm(Share& s, std::FILE* in, int col, int f, int z, int& delimiter) {
    std::vector<float> work(workLength);
    char text[3000];
    text[0] = 0;
    char* cursor = text;
    delimiter = rhs(work.data(), in, cursor, sizeof text);
    if (delimiter == -1 || delimiter == 27) return -1;
    if (col > 4) return 0;  // terms past the third are read and not used
    if (col == 2 || col == 3) {
        bool anyPositive = false;
        for (int i = 0; i < wsMaxObs; ++i) {
            if (work[i] > 0.0f && !ismissing(work[i])) {
                anyPositive = true;
                work[i] = safelog(work[i]);
            } else {
                work[i] = MISSING;
            }
        }
        if (col == 3 && !anyPositive) noLogFlag = true;
    }
    place(s.columns[col].data(), work.data(), f, z);
    return 0;
}

int sharefit(std::FILE* in, Share& s) {
    regressionResults.clear();
    if (zipRestore) {
        regZip = 'n';
        zipRestore = false;
    }
    int f = dateindex(fitStart);
    const int e = dateindex(fitEnd);
    const int z = dateindex(testEnd);
    if (checklimits("wregress", f, e, z) != 0) {
        skipstatement(in);
        return -1;
    }
    int n = e - f + 1;
    int N = z - f + 1;
    if (annSaveOn == 'y') {
        echoline(0, 'a', '%');
        annSaveEcho = 'y';
    }
    std::vector<float> share(workLength);
    char text[3000];
    text[0] = 0;
    char* cursor = text;
    const int d = rhs(share.data(), in, cursor, sizeof text);
    if (d == -1 || d == 27) return d;
    if (d != '=') {
        printout("An = sign is expected in an r command.\r\n");
        return -1;
    }

    // Screening of the untransformed shares.
    if (catchOn == 'y' && catchFile) std::fprintf(catchFile, "Base Share: %9.4lf\n", static_cast<double>(share[e - 1 >= 0 ? e - 1 : 0]));
    int run = 0;
    for (int t = e; t >= f && share[t] >= significant; --t) ++run;
    int ones = 0, zeros = 0;
    for (int t = f; t <= e; ++t) {
        if (std::fabs(share[t] - 1.0f) < significant) ++ones;
        if (std::fabs(share[t]) < significant) ++zeros;
    }
    const char* failure = zeros == n ? "Zero shares.\n"
                          : ones == n - zeros ? "Monopoly.\n"
                          : run < 4 ? "Not enough significant shares.\n"
                                    : nullptr;
    if (failure) {
        printout("%s", failure);
        resultline(s, failure);
        if (regZip == 'n') zipRestore = true;
        skipstatement(in);
        if (catchOn == 'y' && catchFile) std::fprintf(catchFile, "%s", failure);
        return 0;
    }
    if (run < n) {
        // The fit keeps the trailing run of significant shares; fitStart moves by periods.
        n = run;
        f = e - run + 1;
        N = z - f + 1;
        fitStart = static_cast<float>(dateno(f));
    }
    const int mode = n == 5 ? 1 : n == 6 ? 2 : 3;
    for (float& v : share) v = v > 0.0f && !ismissing(v) ? safelog(v) : MISSING;
    s.columns.assign(5, std::vector<float>(N + 1, 0.0f));
    place(s.columns[0].data(), share.data(), f, z);
    s.n = n;

    // The terms: [!] T1, T2, T3.
    fpcheck("before mxmatrix", -1);
    noLogFlag = false;
    char token[80];
    s.intercept = 1;
    if (gettoken(token, in, 0, 78) == '!') s.intercept = 0;
    else ungettoken();
    std::fill(s.columns[1].begin(), s.columns[1].begin() + N, 1.0f);
    int terms = 0, delimiter = ',';
    while (delimiter == ',') {
        if (readterm(s, in, terms + 2, f, z, delimiter) != 0) {
            annSaveEcho = 'n';
            return 0;
        }
        ++terms;
    }
    annSaveEcho = 'n';
    if (terms < 3) {
        printout("\nError:  wregress needs the three terms T1, T2 and T3; %d given.\n", terms);
        return 0;
    }

    int config = mode == 1 ? 12 : mode == 2 ? 5 : 1;
    int refits = 0;
    if (mode != 1 && noLogFlag) {
        config = 8;
        refits = 2;
    }
    for (;;) {
        const int code = fit(s, config);
        if (code >= 0) return 0;
        if (++refits > maxRefits) {
            resultline(s, "No acceptable fit.\n");
            printout("No acceptable fit.\n");
            return 0;
        }
        config = fallback(config, refits, code);
    }
}

}  // namespace

int wregresscmd(std::FILE* in) {
    const float savedStart = fitStart;
    Share s;
    s.out = std::fopen("rcoef.dat", "a");
    if (!s.out) printout("Cannot open file to write");
    const int status = sharefit(in, s);
    annSaveEcho = 'n';
    if (s.out) std::fclose(s.out);
    fitStart = savedStart;
    if (zipRestore) regZip = 'y';
    return status;
}
