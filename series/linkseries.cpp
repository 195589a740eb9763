#include "series/linkseries.h"

#include <cfloat>
#include <cmath>

#include "core/missing.h"
#include "core/printout.h"
#include "platform/platform.h"

namespace {

constexpr int seriesLength = 1999;

float clampForward(double v) {
    if (std::fabs(v) < FLT_EPSILON) return 0.0f;
    if (v > FLT_MAX) return FLT_MAX;
    if (v < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

}  // namespace

int linkratio(const float* x, float* y, const LinkSpec& spec, double& ratio) {
    const int L = spec.link;
    ratio = 0;
    if (L < 0) {
        printout("Error:  In ls command, linking aborted.\n");
        printout("\r\nThe link date %s is before the beginning of the workspace bank.\n",
                 spec.dateText);
        return -1;
    }
    if (L >= seriesLength) {
        printout("Error:  In ls command, linking aborted.\n");
        printout("\r\nThe link date %s is after the end of the workspace bank.\n", spec.dateText);
        return -1;
    }
    const char* aborted = "Error:  In ls command, linking aborted.\n";
    if (ismissing(y[L])) {
        printout("%s", aborted);
        printout("Error:  In ls command, data missing at link date %s for '%s'.\n", spec.dateText,
                 spec.yName);
        return -1;
    }
    if (ismissing(x[L])) {
        printout("%s", aborted);
        printout("\nData missing at link date %s for '%s'.\n", spec.dateText, spec.xName);
        return -1;
    }
    if (spec.fx != spec.fy) {
        printout("%s", aborted);
        printout("\nFrequency of '%s' (%d) does not match frequency of '%s' (%d).\n", spec.xName,
                 spec.fx, spec.yName, spec.fy);
        return -1;
    }
    if (spec.linkFrequency != spec.fx) {
        printout("%s", aborted);
        printout("\nFrequency of '%s' (%d) does not match frequency of link date (%d).\n",
                 spec.xName, spec.fx, spec.linkFrequency);
        return -1;
    }
    if (spec.secondFrequency != spec.fx) {
        printout("%s", aborted);
        printout("\nFrequency of '%s' (%d) does not match frequency of second date (%d).\n",
                 spec.xName, spec.fx, spec.secondFrequency);
        return -1;
    }

    if (std::fabs(x[L]) <= 1e-7) {
        printout("\nWarning:  In LinkSeries routine, the value to be moved is zero.\n");
        if (std::fabs(y[L]) <= 1e-7) y[L] = 1.0f;
    } else if (std::fabs(y[L]) <= 1e-7) {
        printout("Error:  In ls command, the linking ratio is either zero or undefined.  "
                 "Linking aborted.\n");
        return -1;
    }

    ratio = static_cast<double>(x[L]) / static_cast<double>(y[L]);
    if (ratio < 0 && spec.flag == 0) {
        printout("Warning:  In ls command, link ratio is %f.\n", ratio);
        printout("Results will be inversely correlated with the guide series.\n");
        printout("Options include\n\n");
        printout("   ls -f ...:  force calculation with the default algorithm\n");
        printout("   ls -i ...:  employ alternative algorithm to account for possible diffences "
                 "in signs\n");
        printout("   ls -a ...:  employ alternative algorithm to account for possible diffences "
                 "in signs\n");
        printout("               and to adjust the degree of scaling when y{base} is small.\n");
        printout("See the Help files for more details.\n");
        if (pausebox("Warning:  link ratio < 0", "Warning") == 27) return 27;
    }
    return 0;
}

int linkextend(float* x, const float* y, const LinkSpec& spec, bool backward, double ratio,
               int wsMaxObs, int avgFirst, int avgLast, int addPrint) {
    const int L = spec.link;
    if (wsMaxObs > seriesLength) wsMaxObs = seriesLength;
    const bool differences = spec.flag == 'i' || spec.flag == 'a';

    // The base of the scaled differences.
    double base = y[L];
    if (spec.flag == 'a') {
        double sum = y[L];
        int n = 1;
        int from = backward ? (avgFirst > 0 ? avgFirst : 0) : L + 1;
        int to = backward ? L - 1 : avgLast;
        if (to > wsMaxObs - 1) to = wsMaxObs - 1;
        for (int t = from; t <= to; ++t) {
            if (ismissing(y[t])) continue;
            sum += y[t];
            ++n;
        }
        base = sum / n;
    }
    const double mult = (base >= -9e-7 && base <= 1e-7) ? 0.0 : std::fabs(x[L] / base);
    const double off = x[L] - mult * y[L];

    if (!backward) {
        int end = wsMaxObs;
        if (spec.second >= 0 && spec.second + 1 < end) end = spec.second + 1;
        for (int t = L + 1; t < end; ++t) {
            float yt = clampForward(y[t]);
            if (ismissing(yt)) continue;
            double v = differences ? mult * yt + off : yt * ratio;
            platform::clearFloatingPointStatus();
            x[t] = clampForward(v);
        }
        if (addPrint != 0)
            printout("\rSeries %s has been extended from %s forward by series %s.\n", spec.xName,
                     spec.dateText, spec.yName);
    } else {
        int start = spec.second >= 0 ? spec.second : 0;
        for (int t = start; t < L; ++t) {
            if (ismissing(y[t])) continue;
            double v = differences ? mult * y[t] + off : y[t] * ratio;
            // Beyond the float range the value is held at the largest float, never infinite.
            if (v > FLT_MAX) v = FLT_MAX;
            else if (v < -FLT_MAX) v = -FLT_MAX;
            x[t] = static_cast<float>(v);
        }
        if (addPrint != 0)
            printout("\rSeries %s has been extended from %s backwards by series %s.\n",
                     spec.xName, spec.dateText, spec.yName);
    }
    return 0;
}
