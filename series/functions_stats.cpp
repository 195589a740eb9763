#include "series/functions_stats.h"

#include <cmath>
#include <cstdlib>

#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/rhs.h"
#include "series/series_state.h"

// ---- kernels ----

int sumkernel(float* x, int n, int i1, int i2) {
    if (i1 < 0) i1 = 0;
    if (i2 > n - 1) i2 = n - 1;
    if (i1 > i2) return -1;
    double sum = 0.0;
    for (int i = i1; i <= i2; ++i) sum += x[i];
    for (int i = 0; i < n; ++i) x[i] = 0.0f;
    x[i2] = static_cast<float>(sum);
    return 0;
}

float meankernel(const float* x, int j, int v) {
    double sum = 0.0;
    int count = 0;
    for (int i = j; i <= v; ++i) {
        if (ismissing(x[i])) continue;
        sum += x[i];
        ++count;
    }
    return count == 0 ? MISSING : static_cast<float>(sum / count);
}

float stdevkernel(const float* x, int j, int v) {
    double sum = 0.0;
    int count = 0;
    for (int i = j; i <= v; ++i) {
        if (ismissing(x[i])) continue;
        sum += x[i];
        ++count;
    }
    if (count == 0) return MISSING;
    const double mean = sum / count;
    double squares = 0.0;
    for (int i = j; i <= v; ++i) {
        if (ismissing(x[i])) continue;
        squares += (x[i] - mean) * (x[i] - mean);
    }
    const double variance = squares / (count > 1 ? count - 1 : 1);
    return variance > 0.00000001 ? static_cast<float>(std::sqrt(variance)) : 0.0f;
}

float ggrkernel(const float* x, int j, int v) {
    const float a = x[j];
    const float b = x[v];
    if (j == v || ismissing(a) || ismissing(b) || a == 0.0f || static_cast<double>(a) * b < 0.0) return MISSING;
    const float ratio = b / a;
    const float exponent = 1.0f / static_cast<float>(v - j);
    return static_cast<float>(100.0 * (std::pow(static_cast<double>(ratio), static_cast<double>(exponent)) - 1.0));
}

float extremekernel(const float* x, int j, int v, bool wantMax) {
    const double start = wantMax ? -static_cast<double>(floatMax) : static_cast<double>(floatMax);
    double best = start;
    for (int i = j; i <= v; ++i) {
        if (ismissing(x[i])) continue;
        if (wantMax ? x[i] > best : x[i] < best) best = x[i];
    }
    return std::fabs(best - start) <= 1.0 ? MISSING : static_cast<float>(best);
}

void fillspan(float* x, int first, int last, float value) {
    for (int i = first; i <= last; ++i) x[i] = value;
}

int checkdates(const char* name, int j, int v, int n, bool after) {
    if (j < 0) {
        printout("\nError:  In %s, first date is before start date in jex.cfg.\n", name);
    } else if (j >= n) {
        printout("Error:  In %s, first date exceeds the end of the workspace.\n", name);
    } else if (v < 0) {
        printout("\nError:  In %s, second date is before start date in jex.cfg.\n", name);
    } else if (v >= n) {
        printout("Error:  In %s, second date exceeds the end of the workspace.\n", name);
    } else if (after) {
        printout("\nError:  In %s, second date must come after the first.\n", name);
    } else {
        return 0;
    }
    return -1;
}

// ---- handlers ----

namespace {

// After the series argument's ",": date1 "," date2 ")" and the checks. byText: the dates
// are made from the tokens' text and compared by index (max, min), else from their values
// and compared as dates. Returns 0 with j and v, or -1 after the messages.
int readdates(std::FILE* in, char*& text, const char* label, const char* name, bool byText, int& j, int& v) {
    char first[78];
    char second[78];
    char token[78];
    if (atread(first, in, text) != 'n') return atfail(label);
    if (atread(token, in, text) != ',') return atfail(label);
    if (atread(second, in, text) != 'n') return atfail(label);
    if (atread(token, in, text) != ')') return atfail(label);
    JexDate d1;
    JexDate d2;
    if (byText) {
        d1.parse(first);
        d2.parse(second);
    } else {
        d1 = JexDate(static_cast<float>(std::strtod(first, nullptr)));
        d2 = JexDate(static_cast<float>(std::strtod(second, nullptr)));
    }
    j = d1.wsIndex();
    v = d2.wsIndex();
    const int n = atobs();
    bool after;
    const bool inside = j >= 0 && j < n && v >= 0 && v < n;
    if (inside && d1.frequency != d2.frequency) {
        // Indexes of dates of two frequencies count different periods, so they make no span
        // (1990.2 to 1991 would be observations 1 to 1): refused like unordered dates.
        printout("Dates of different frequencies cannot be compared.\n");
        after = true;
    } else if (byText) {
        after = j > v;
    } else {
        // Dates of one year and different frequencies cannot be ordered (-1): refused too.
        after = inside && (d1 > d2) != 0;
    }
    if (checkdates(name, j, v, n, after) != 0) return atfail(label);
    return 0;
}

// @mean, @stdev, @ggr: (x, date1, date2).
int spanstatistic(float* out, std::FILE* in, char*& text, const char* label, const char* name,
                  float (*kernel)(const float*, int, int)) {
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 44) return atfail(label);
    atcomma(text);
    int j = 0;
    int v = 0;
    if (readdates(in, text, label, name, false, j, v) != 0) return -1;
    const float value = kernel(out, j, v);
    FRange range = frange(atobs());
    fillspan(out, range.first, range.last, value);
    return 0;
}

// @max, @min: (x) over the f range or (x, date1, date2).
int extreme(float* out, std::FILE* in, char*& text, const char* label, const char* name, bool wantMax) {
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    int r = rhs(out, in, text);
    FRange range = frange(atobs());
    int j = range.first;
    int v = range.last;
    if (r == 44) {
        atcomma(text);
        if (readdates(in, text, label, name, true, j, v) != 0) return -1;
    } else if (r == 41) {
        atback(text);
    } else {
        return atfail(label);
    }
    const float value = j <= v ? extremekernel(out, j, v, wantMax) : MISSING;
    fillspan(out, range.first, range.last, value);
    return 0;
}

}  // namespace

int atmean(float* out, std::FILE* in, char*& text) {
    return spanstatistic(out, in, text, "@mean", "@mean()", meankernel);
}
int atstdev(float* out, std::FILE* in, char*& text) {
    return spanstatistic(out, in, text, "@stdev", "@stdev()", stdevkernel);
}
int atggr(float* out, std::FILE* in, char*& text) {
    return spanstatistic(out, in, text, "@ggr", "@ggr()", ggrkernel);
}
int atmax(float* out, std::FILE* in, char*& text) { return extreme(out, in, text, "@max", "@max()", true); }
int atmin(float* out, std::FILE* in, char*& text) { return extreme(out, in, text, "@min", "@min()", false); }
