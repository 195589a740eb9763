#include "series/functions_growth.h"

#include <cstdlib>
#include <vector>

#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/rhs.h"
#include "series/series_state.h"

// ---- kernels ----

void pctkernel(float* x, int n) {
    for (int i = n - 1; i >= 1; --i) {
        if (ismissing(x[i]) || ismissing(x[i - 1]) || belowtiny(x[i - 1])) {
            x[i] = MISSING;
        } else {
            x[i] = 100.0f * (x[i] - x[i - 1]) / x[i - 1];
        }
    }
    if (n > 0) x[0] = MISSING;
}

void yoykernel(float* x, int n, int lag) {
    if (lag < 0) lag = 0;
    auto bad = [](float v) { return ismissing(v) || belowtiny(v); };
    for (int i = n - 1; i >= lag; --i) {
        x[i] = bad(x[i]) || bad(x[i - lag]) ? MISSING : 100.0f * (x[i] / x[i - lag] - 1.0f);
    }
    for (int i = 0; i < lag && i < n; ++i) x[i] = MISSING;
}

void pclkernel(float* level, const float* pct, int n, int s, int e, char direction) {
    if (direction == 'f') {
        int from = s > 1 ? s : 1;
        int to = e < n - 1 ? e : n - 1;
        for (int i = from; i <= to; ++i) {
            if (ismissing(pct[i]) || ismissing(level[i - 1])) {
                level[i] = MISSING;
            } else {
                level[i] = (pct[i] / 100.0f + 1.0f) * level[i - 1];
            }
        }
        return;
    }
    int from = e < n - 2 ? e : n - 2;
    int to = s > 0 ? s : 0;
    for (int i = from; i >= to; --i) {
        if (ismissing(pct[i]) || ismissing(level[i + 1])) {
            level[i] = MISSING;
        } else {
            level[i] = level[i + 1] / (pct[i] / 100.0f + 1.0f);
        }
    }
}

void peakkernel(float* x, int n, float spill) {
    for (int i = 1; i < n; ++i) {
        float v = (1.0f - spill) * x[i - 1];
        if (v > -0.000001f && v < 0.000001f) v = 0.0f;
        if (x[i] < v) x[i] = v;
    }
}

void makernel(float* x, int n, int f1, int f2, int count, const float* weights) {
    if (f1 < 0) f1 = 0;
    if (f2 > n - 1) f2 = n - 1;
    if (f1 > f2 || count < 1) return;
    // The weighted sums of all windows are built together, one weight at a time: each
    // window still adds its products in the order of the weights, so every sum is the one
    // of the window taken alone, and the passes over the observations vectorise. Missing
    // values enter as 0; a window that holds one is set missing afterwards.
    HeldArray<float> held;
    HeldArray<float> sums;
    float* clean = held.data();
    for (int i = f1; i <= f2; ++i) clean[i] = ismissing(x[i]) ? 0.0f : x[i];
    const int first = f1 + count - 1;
    for (int t = first; t <= f2; ++t) sums[static_cast<std::size_t>(t)] = 0.0f;
    for (int k = 0; k < count; ++k) {
        const float w = weights[k];
        const float* from = clean + (k - count + 1);
        float* s = sums.data();
        for (int t = first; t <= f2; ++t) s[t] += w * from[t];
    }
    int lastMissing = f1 - count;  // the last missing observation seen so far
    for (int t = f1; t <= f2; ++t) {
        if (ismissing(x[t])) lastMissing = t;
        if (t < first || lastMissing > t - count) x[t] = MISSING;
        else x[t] = sums[static_cast<std::size_t>(t)];
    }
}

// ---- handlers ----

int atpct(float* out, std::FILE* in, char*& text) {
    const char* label = "@pct";
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 41) return atfail(label);
    atback(text);
    pctkernel(out, atobs());
    return 0;
}

int atyoy(float* out, std::FILE* in, char*& text) {
    const char* label = "@yoy";
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 41) return atfail(label);
    atback(text);
    yoykernel(out, atobs(), currentFrequency);
    return 0;
}

int atpcl(float* out, std::FILE* in, char*& text) {
    auto usage = []() {
        printout("\r\n@pcl(level, pct) in which pct of 1 means 1%%.\r\n");
        return -1;
    };
    char token[78];
    if (atread(token, in, text) != '(') return usage();
    if (rhs(out, in, text) != 44) return usage();
    atcomma(text);
    WorkSeries pct;
    int r = rhs(pct.data(), in, text);
    char direction = 'f';
    if (r == 44) {
        atcomma(text);
        int cls = atread(token, in, text);
        if (cls != 'a' && token[0] != 'f' && token[0] != 'b') return usage();
        direction = token[0];
        if (atread(token, in, text) != ')') return usage();
    } else if (r == 41) {
        atback(text);
    } else {
        return usage();
    }
    const int n = atobs();
    // dateindex sets currentFrequency: the value keeps the frequency of the percentages.
    const auto frequency = currentFrequency;
    int s = dateindex(fdate1);
    int e = dateindex(fdate2);
    currentFrequency = frequency;
    if (e < 0) e = n;
    pclkernel(out, pct.data(), n, s, e, direction);
    return 0;
}

int atpeak(float* out, std::FILE* in, char*& text) {
    auto usage = []() {
        printout("syntax error in @peak(output,input,spill)");
        return -1;
    };
    char token[78];
    char name[78];
    if (atread(token, in, text) != '(') return usage();
    if (atread(name, in, text) != 'a') return usage();
    if (atread(token, in, text) != ',') return usage();
    if (rhs(out, in, text) != 44) return usage();
    atcomma(text);
    if (atread(token, in, text) != 'n') return usage();
    float spill = static_cast<float>(std::strtod(token, nullptr));
    if (atread(token, in, text) != ')') return usage();
    const int n = atobs();
    peakkernel(out, n, spill);
    if (workspaceBank == nullptr) return usage();
    workspaceBank->setFreq(currentFrequency);
    if (workspaceBank->addser(name, out, 'y', -1) < 0) return usage();
    return 0;
}

int atma(float* out, std::FILE* in, char*& text) {
    const char* label = "@ma";
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 44) return atfail(label);
    atcomma(text);
    if (atread(token, in, text) != 'n') return atfail(label);
    long count = std::strtol(token, nullptr, 10);
    if (count < 1 || count > 20) return atfail(label);
    float weights[20];
    int cls = atread(token, in, text);
    if (cls == ')') {
        for (int k = 0; k < count; ++k) weights[k] = 1.0f / static_cast<float>(count);
    } else if (cls == ',') {
        for (int k = 0; k < count; ++k) {
            if (atread(token, in, text) != 'n') return atfail(label);
            weights[k] = static_cast<float>(std::strtod(token, nullptr));
            int separator = atread(token, in, text);
            if (separator == 'f' || separator == 'e' || separator == -1) return atfail(label);
            // ")" after the last weight, and only there.
            if ((k == count - 1) != (separator == ')')) return atfail(label);
        }
    } else {
        return atfail(label);
    }
    const int n = atobs();
    FRange range = frange(n);
    makernel(out, n, range.first, range.last, static_cast<int>(count), weights);
    return 0;
}
