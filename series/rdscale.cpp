#include "series/rdscale.h"

#include <cmath>
#include <new>
#include <vector>

#include "core/printout.h"
#include "core/workarrays.h"

namespace {
constexpr double zeroTol = 1e-7;
}  // namespace

int rdscalecore(DataBank* /*context*/, double* x, short n, const short* members, int count,
                double c, double* factor) {
    *factor = 0;
    if (members == nullptr || count < 0) count = 0;
    double P = 0, N = 0;
    bool allZero = true;
    for (int k = 0; k < count; ++k) {
        short g = members[k];
        if (g < 1 || g > n) continue;
        if (x[g] > 0) P += x[g];
        else N += x[g];
        if (std::fabs(x[g]) >= zeroTol) allZero = false;
    }
    // The checks report a floating-point exception and go on: the caller decides what a
    // doubtful result is worth.
    fpcheck(" in rdscale middle.", -1);

    if (std::fabs(c - P - N) < zeroTol) return 0;
    if (allZero && std::fabs(c) > zeroTol) return -1;

    double e;
    if (P > zeroTol) {
        // Positive elements only (N effectively zero) cannot reach a negative control by a
        // positive factor: e would be 0 and every element zeroed, far from the control.
        if (std::fabs(N) < zeroTol && c < -zeroTol) return -1;
        double D = c * c - 4 * P * N;
        double s = D > 1e-10 ? std::sqrt(D) : 0.0;
        e = (s + c) / (2 * P);
    } else {
        // A positive total of at most 1e-7 counts as no positive total at all.
        e = std::fabs(c) >= zeroTol ? N / c : 0.0;
    }
    fpcheck(" in rdscale bottom.", count + 2);

    for (int k = 0; k < count; ++k) {
        short g = members[k];
        if (g < 1 || g > n) continue;
        if (x[g] > 0) x[g] *= e;
        else x[g] = std::fabs(e) >= 0.000001 ? x[g] / e : 0.0;
    }
    *factor = e;
    fpcheck(" in rdscale at end.", -1);
    return 30;
}

int rdscale(DataBank* context, float* x, short n, const short* members, int count, float c,
            float* factor) {
    const int size = n > 0 ? n : 0;
    std::vector<double> y;
    try {
        y.resize(static_cast<size_t>(size) + 1);
    } catch (const std::bad_alloc&) {
        nomemory();
        printout("Error:  cannot allocate memory in the rdscale function\n");
        return -1;
    }
    for (int i = 1; i <= size; ++i) y[i] = x[i];
    double e = 0;
    int code = rdscalecore(context, y.data(), n, members, count, c, &e);
    *factor = static_cast<float>(e);
    if (code == 30)
        for (int i = 1; i <= size; ++i) x[i] = static_cast<float>(y[i]);
    return code;
}
