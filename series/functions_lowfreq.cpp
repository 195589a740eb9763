#include "series/functions_lowfreq.h"

#include <cstring>

#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/rhs.h"

void convertkernel(float* x, int n, int ratio, char method, const char* extreme, float fill) {
    if (ratio < 1 || n < 1) return;
    int kind = 0;  // 1 max, -1 min
    if (extreme != nullptr && std::strcmp(extreme, "max") == 0) kind = 1;
    if (extreme != nullptr && std::strcmp(extreme, "min") == 0) kind = -1;
    int c = n;
    while (c > 0 && x[c - 1] == 0.0f) --c;
    if (c == 0) c = 1;
    const int m = c / ratio;
    for (int p = 0; p < m; ++p) {
        const int base = p * ratio;
        if (method == 'y') {
            x[p] = x[base + ratio - 1];
            continue;
        }
        int valid = ratio;
        double acc = kind == 1 ? -static_cast<double>(floatMax) : kind == -1 ? static_cast<double>(floatMax) : 0.0;
        for (int k = 0; k < ratio; ++k) {
            const float v = x[base + k];
            if (convmissing(v)) {
                --valid;
                continue;
            }
            if (kind == 1) {
                if (v > acc) acc = v;
            } else if (kind == -1) {
                if (v < acc) acc = v;
            } else {
                acc += v;
            }
        }
        if (valid == 0) {
            x[p] = fill;
        } else if (method == 's' || kind != 0) {
            x[p] = static_cast<float>(acc);
        } else {
            x[p] = static_cast<float>(acc / valid);
        }
    }
    for (int p = m; p < c; ++p) x[p] = fill;
}

int convertfrequency(float* out, std::FILE* in, char*& text, int ratio, char method, const char* extreme) {
    const float fill = atfillvalue();
    char token[78];
    if (atread(token, in, text) != '(' || rhs(out, in, text) != 41) {
        printout("syntax error in conversion function");
        return -1;
    }
    atback(text);
    convertkernel(out, atobs(), ratio, method, extreme, fill);
    return 0;
}

namespace {

int convert(float* out, std::FILE* in, char*& text, int ratio, char method, const char* extreme, int frequency) {
    int r = convertfrequency(out, in, text, ratio, method, extreme);
    currentFrequency = static_cast<std::int16_t>(frequency);
    return r;
}

}  // namespace

int atqtoa(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 4, 'n', nullptr, 1); }
int atqtoae(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 4, 'y', nullptr, 1); }
int atqtoamax(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 4, 'n', "max", 1); }
int atqtoamin(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 4, 'n', "min", 1); }
int atqtoas(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 4, 's', nullptr, 1); }
int atqtos(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 2, 'n', nullptr, 2); }
int atqtose(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 2, 'y', nullptr, 2); }
int atqtosmax(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 2, 'n', "max", 2); }
int atqtosmin(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 2, 'n', "min", 2); }
int atqtoss(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 2, 's', nullptr, 2); }
int atmtoq(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 3, 'n', nullptr, 4); }
int atmtoqe(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 3, 'y', nullptr, 4); }
int atmtoqmax(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 3, 'n', "max", 4); }
int atmtoqmin(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 3, 'n', "min", 4); }
int atmtoqs(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 3, 's', nullptr, 4); }
int atmtoa(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 12, 'n', nullptr, 1); }
int atmtoae(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 12, 'y', nullptr, 1); }
int atmtoamax(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 12, 'n', "max", 1); }
int atmtoamin(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 12, 'n', "min", 1); }
int atmtoas(float* out, std::FILE* in, char*& text) { return convert(out, in, text, 12, 's', nullptr, 1); }
