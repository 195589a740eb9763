// The chow and normality commands and their tests.
#include "regress/chow.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "regress/regress_state.h"

int chowcmd(std::FILE* in) {
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    const int count = cls == 'n' ? std::atoi(token) : 0;
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    // A test takes at least two regressions; anything else could never be run.
    if (cls != 'n' || count < 2 || count > 32000) {
        printout("Usage: chow <number>\n");
        return -1;
    }
    chowRecords.assign(count, ChowRecord{});
    chowCount = static_cast<std::int16_t>(count);
    chowNext = 0;
    return 0;
}

int chowtest() {
    const int m = chowCount;
    double F = 0.0;
    int d1 = 0, d2 = 0;
    if (m == 2) {
        d1 = chowRecords[1].n - chowRecords[0].n;
        d2 = chowRecords[0].n - chowRecords[0].k;
        if (d1 >= 1 && d2 >= 1)
            F = ((chowRecords[1].ssr - chowRecords[0].ssr) / d1) / (chowRecords[0].ssr / d2);
    } else {
        int K = 0, N = 0;
        double S = 0.0;
        for (int i = 0; i < m - 1; ++i) {
            K += chowRecords[i].k;
            N += chowRecords[i].n;
            S += chowRecords[i].ssr;
        }
        d1 = K - chowRecords[m - 1].k;
        d2 = N - K;
        if (d1 >= 1 && d2 >= 1) F = ((chowRecords[m - 1].ssr - S) / d1) / (S / d2);
    }
    if (d1 < 1 || d2 < 1) {
        printout("\nChow test period longer than number of parameters.\n");
    } else {
        printout("                 Chow Test Results");
        printout("\r\n\r\nRegression   Number of   Number of   Sum of Squared");
        printout("\r\n Number      Ind. Var.    Observ.      Residuals.");
        for (int i = 0; i < m; ++i) {
            if (i > 0 && i % 20 == 0) printout("\r\n == More ==");
            printout("\r\n  %3d            %3d      %5d       %12.4f", i + 1, chowRecords[i].k,
                     chowRecords[i].n, chowRecords[i].ssr);
        }
        printout("\r\nThe F statistic is %.4f", F);
        printout("\r\nwith %d degrees of freedom in the numerator and %d in the denominator.\r\n", d1, d2);
        if (regZip == 'n') {
            printout("Tap any key to continue.\n");
            waitkey();
        }
    }
    chowRecords.clear();
    chowCount = 0;
    chowNext = 0;
    return 0;
}

int normalitycmd(std::FILE* in) {
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    if (cls == 'a' && (token[0] == 'y' || token[0] == 'n' || token[0] == 'f')) {
        normalityTest = token[0];
        return 0;
    }
    printout("Usage is\n  normality  <yes | no | full>\n");
    return -1;
}

float normalitytest(int n, const float* e) {
    double mean = 0.0;
    for (int i = 0; i < n; ++i) mean += e[i];
    mean /= n;
    double mu2 = 0.0, mu3 = 0.0, mu4 = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = e[i] - mean;
        mu2 += d * d;
        mu3 += d * d * d;
        mu4 += d * d * d * d;
    }
    mu2 /= n;
    mu3 /= n;
    mu4 /= n;
    const double beta1 = mu3 * mu3 / (mu2 * mu2 * mu2);
    const double beta2 = mu4 / (mu2 * mu2);
    const double jb = n * ((beta2 - 3.0) * (beta2 - 3.0) / 24.0 + beta1 / 6.0);
    if (normalityTest == 'f') {
        printout("                        Normality Tests\r\n");
        printout("mu2 = %.2f  mu3 = %.2f  mu4 = %.2f\r\n", mu2, mu3, mu4);
        printout("Symmetry coefficient (beta1) = %.3f; normal = 0\r\n", beta1);
        printout("Peakedness coefficient (beta2) = %.3f; normal = 3.0\r\n", beta2);
        printout("Jarque-Bera test  = %.3f;  5%% = 5.99  1%% = 9.21\r\n", jb);
        if (regZip == 'n') waitkey();
    }
    return static_cast<float>(jb);
}
