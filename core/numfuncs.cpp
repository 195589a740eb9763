#include "core/numfuncs.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/missing.h"

bool nearzero(float x) { return std::fabs(x) <= 0.0000001f; }

int fillgap(float* values, int start, int count, int mode) {
    auto gap = [&](int i) { return mode != 0 ? ismissing(values[i]) : nearzero(values[i]); };
    if (start < 0) start = 0;
    if (start >= count) return count;
    int i = start;
    while (i < count && !gap(i)) ++i;
    if (i >= count) return count;
    int g = i - 1;  // the last good value before the gap; below start when the gap leads
    while (i < count && gap(i)) ++i;
    if (i >= count) return count;
    int e = i;
    if (g < start) return e;  // a leading gap has no left side: left unfilled
    float step = (values[e] - values[g]) / static_cast<float>(e - g);
    for (int m = g + 1; m < e; ++m) values[m] = values[m - 1] + step;
    return e;
}

int typedint(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483648.0) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

int lagrangeweights(float x, float w[4], const float a[4]) {
    for (int i = 0; i < 4; ++i) {
        float product = 1.0f;
        for (int j = 0; j < 4; ++j) {
            if (j == i) continue;
            float d = a[i] - a[j];
            if (d == 0.0f) return 0;
            product *= (x - a[j]) / d;
        }
        w[i] = product;
    }
    return 1;
}

int subperiodvalues(const float* source, const float (*table)[4], float* out, int count, int si,
                    int oi, int row, char mode) {
    if (count < 1 || count > 4) return -1;
    float knots[4];
    if (mode == 'y') {
        for (int k = 0; k < 4; ++k) knots[k] = source[si + k];
    } else {
        knots[0] = 0.0f;
        knots[1] = source[si];
        knots[2] = knots[1] + source[si + 1];
        knots[3] = knots[2] + source[si + 2];
    }
    float value[5];
    for (int r = 0; r <= count; ++r) {
        float sum = 0.0f;
        for (int k = 0; k < 4; ++k) sum += table[row + r][k] * knots[k];
        value[r] = sum;
    }
    for (int r = 0; r < count; ++r) {
        out[oi + r] = mode == 'y' ? value[r] : (value[r + 1] - value[r]) * static_cast<float>(count);
    }
    return 0;
}

double lagrangeat(float x, const float* a, const float* b, int n) {
    if (n < 1) return MISSING;
    int i = 0;
    while (i < n && !(x <= a[i])) ++i;
    if (i == 0) return b[0];
    if (i == n) return b[n - 1];
    int points = std::min(n, 4);
    int first = std::max(i - 2, 0);
    first = std::min(first, n - points);
    double sum = 0.0;
    for (int j = first; j < first + points; ++j) {
        double term = b[j];
        for (int k = first; k < first + points; ++k) {
            if (k == j) continue;
            double d = static_cast<double>(a[j]) - a[k];
            if (d == 0.0) return b[i];
            term *= (static_cast<double>(x) - a[k]) / d;
        }
        sum += term;
    }
    return sum;
}
