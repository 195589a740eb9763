#include "series/functions_benchmark.h"

#include <cmath>

#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/rhs.h"

namespace {

// A mover value that a ratio or a growth rate can be taken from.
bool usable(float m) { return !ismissing(m) && !belowtiny(m); }

}  // namespace

int bmksegment(float* out, const float* B, const float* M, int a, int n, char method, int* written) {
    int i = a == 0 ? 0 : a + 1;
    while (i < n && ismissing(B[i])) ++i;
    if (i >= n) return n;

    if (a == 0) {
        const bool scaled = usable(M[i]);
        const float r = scaled ? B[i] / M[i] : 0.0f;
        if (i == 0) {
            i = 1;
            while (i < n && ismissing(B[i])) ++i;
        }
        for (int j = 0; j < i; ++j) out[j] = !scaled || ismissing(M[j]) ? MISSING : M[j] * r;
        if (!ismissing(B[0])) out[0] = B[0];  // a benchmark at the start stands as it is
        int j = i;
        while (j < n && !ismissing(B[j])) {
            out[j] = B[j];
            ++j;
        }
        if (written != nullptr) *written = j;
        return i >= n ? n : j - 1;
    }

    const float span = static_cast<float>(i - a);
    if (method == 'g') {
        const bool grounded = usable(M[a]) && !ismissing(M[i]) && !belowtiny(B[a]);
        if (grounded) {
            const bool flat = std::fabs(M[i] - M[a]) < 0.0000001f;
            const float benchGrowth = (B[i] - B[a]) / B[a];
            const float e = flat ? benchGrowth : benchGrowth / ((M[i] - M[a]) / M[a]);
            for (int j = a + 1; j <= i; ++j) {
                if (ismissing(M[j])) {
                    out[j] = MISSING;
                } else if (!flat) {
                    out[j] = B[a] * (1.0f + e * (M[j] - M[a]) / M[a]);
                } else {
                    out[j] = B[a] * (1.0f + e * static_cast<float>(j - a) / span);
                }
            }
        } else {
            for (int j = a + 1; j < i; ++j) out[j] = MISSING;
        }
        out[i] = B[i];
        if (written != nullptr) *written = i + 1;
        return i;
    }

    // Method d.
    if (usable(M[a]) && !ismissing(M[i])) {
        const float c = B[a] / M[a];
        const float g = B[i] - c * M[i];
        for (int j = a + 1; j <= i; ++j) {
            out[j] = ismissing(M[j]) ? MISSING : c * M[j] + static_cast<float>(j - a) / span * g;
        }
    } else {
        for (int j = a + 1; j < i; ++j) out[j] = MISSING;
    }
    out[i] = B[i];
    if (written != nullptr) *written = i + 1;
    return i;
}

void bmkkernel(float* out, const float* B, const float* M, int n, char method) {
    int a = 0;
    int written = 0;
    while (a < n) a = bmksegment(out, B, M, a, n, method, &written);
    for (int j = written; j < n; ++j) out[j] = MISSING;
}

// ---- handler ----

int atbmk(float* out, std::FILE* in, char*& text) {
    auto usage = []() {
        printout("syntax error in @bmk(bench,mover)\r\n");
        return -1;
    };
    char token[78];
    if (atread(token, in, text) != '(') return usage();
    WorkSeries bench;
    WorkSeries mover;
    if (rhs(bench.data(), in, text) != 44) return usage();
    atcomma(text);
    int r = rhs(mover.data(), in, text);
    char method = 'd';
    if (r == 44) {
        atcomma(text);
        atread(token, in, text);
        if (token[0] != 'd' && token[0] != 'g') return usage();
        method = token[0];
        if (atread(token, in, text) != ')') return usage();
    } else if (r == 41) {
        atback(text);
    } else {
        return usage();
    }
    const int n = atobs();
    int a = 0;
    int written = 0;
    while (a < n) {
        if (fpcheck("in benchmark", -1) == 27) return usage();
        a = bmksegment(out, bench.data(), mover.data(), a, n, method, &written);
    }
    for (int j = written; j < n; ++j) out[j] = MISSING;
    return 0;
}
