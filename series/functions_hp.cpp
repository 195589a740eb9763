#include "series/functions_hp.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "banks/slots.h"
#include "core/matrix.h"
#include "core/missing.h"
#include "core/printout.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/rhs.h"

namespace {

// Work space of the kernels, held between calls and grown when a longer span needs it.
double* heldspace(std::vector<double>& space, int n, int arrays) {
    const std::size_t need = static_cast<std::size_t>(n) * static_cast<std::size_t>(arrays);
    if (space.size() < need) space.resize(need);
    return space.data();
}

// The five-band solve on plain arrays of n entries: bb and cc are the off-diagonals
// extended with zeros to n entries. Works in place; the solution is left in y.
void bandsolve(double* y, double* a, double* bb, double* cc, int n) {
    double H1 = 0, H2 = 0, H3 = 0, H4 = 0, H5 = 0, HH1 = 0, HH2 = 0, HH3 = 0, HH5 = 0;
    for (int i = 0; i < n; ++i) {
        const double Z = a[i] - H4 * H1 - HH5 * HH2;
        const double HB = bb[i];
        HH1 = H1;
        H1 = (HB - H4 * H2) / Z;
        bb[i] = H1;
        const double HC = cc[i];
        HH2 = H2;
        H2 = HC / Z;
        cc[i] = H2;
        a[i] = (y[i] - HH3 * HH5 - H3 * H4) / Z;
        HH3 = H3;
        H3 = a[i];
        H4 = HB - H5 * HH1;
        HH5 = H5;
        H5 = HC;
    }
    H2 = 0;
    H1 = a[n - 1];
    y[n - 1] = H1;
    for (int i = n - 1; i >= 0; --i) {
        y[i] = a[i] - bb[i] * H1 - cc[i] * H2;
        H2 = H1;
        H1 = y[i];
    }
}

}  // namespace

Vector<double> hpsolve(Vector<double>& y, Vector<double>& a, Vector<double>& b, Vector<double>& c) {
    const int n = y.count();
    if (a.count() != n) {
        printout("\nError:  Inner matrix dimensions must agree.");
        return Vector<double>();
    }
    if (b.count() + 1 != n || c.count() + 2 != n || n < 1) {
        printout("\nError:  a,b,c must have the same dimension.\n");
        return Vector<double>();
    }
    std::vector<double> yy(static_cast<std::size_t>(n)), aa(yy.size()), bb(yy.size()), cc(yy.size());
    for (int i = 1; i <= n; ++i) {
        yy[i - 1] = y[i];
        aa[i - 1] = a[i];
        bb[i - 1] = i <= n - 1 ? b[i] : 0.0;
        cc[i - 1] = i <= n - 2 ? c[i] : 0.0;
    }
    bandsolve(yy.data(), aa.data(), bb.data(), cc.data(), n);
    for (int i = 1; i <= n; ++i) {
        y[i] = yy[i - 1];
        a[i] = aa[i - 1];
    }
    return y;
}

namespace {

// The elimination of the five-band solve for I + lambda K'K of n entries: it depends on
// lambda and n alone, so the last one is kept and used again while both are the same (a
// script filters many series alike). Per entry i: the pivot Z, the H4 and HH5 that the
// right-hand side's recursion takes at that step, and the eliminated off-diagonals (bb, cc)
// of the back substitution: every value made by the same operations as in bandsolve.
struct HpElimination {
    double lambda = 0.0;
    int n = 0;
    std::vector<double> space;
    double *Z = nullptr, *H4 = nullptr, *HH5 = nullptr, *bb = nullptr, *cc = nullptr;

    void make(int length, double lam) {
        if (length == n && lam == lambda) return;
        n = 0;  // incomplete until the end
        Z = heldspace(space, length, 5);
        H4 = Z + length;
        HH5 = H4 + length;
        bb = HH5 + length;
        cc = bb + length;
        // The band entries, in double so that no lambda overflows them; the off-diagonals
        // extended with zeros to n entries.
        auto diagonal = [&](int i) {  // i = 1..length
            if (i == 1 || i == length) return 1.0 + lam;
            if (i == 2 || i == length - 1) return 1.0 + 5.0 * lam;
            return 1.0 + 6.0 * lam;
        };
        auto first = [&](int i) {
            if (i > length - 1) return 0.0;
            return i == 1 || i == length - 1 ? -2.0 * lam : -4.0 * lam;
        };
        auto second = [&](int i) { return i > length - 2 ? 0.0 : lam; };
        double h1 = 0, h2 = 0, h4 = 0, h5 = 0, hh1 = 0, hh2 = 0, hh5 = 0;
        for (int i = 0; i < length; ++i) {
            const double z = diagonal(i + 1) - h4 * h1 - hh5 * hh2;
            Z[i] = z;
            H4[i] = h4;
            HH5[i] = hh5;
            const double hb = first(i + 1);
            hh1 = h1;
            h1 = (hb - h4 * h2) / z;
            bb[i] = h1;
            const double hc = second(i + 1);
            hh2 = h2;
            h2 = hc / z;
            cc[i] = h2;
            h4 = hb - h5 * hh1;
            hh5 = h5;
            h5 = hc;
        }
        n = length;
        lambda = lam;
    }
};

}  // namespace

int hpfilterkernel(const double* y, int n, double lambda, double* trend) {
    if (n < 4) return -1;
    static HpElimination e;
    e.make(n, lambda);
    // The right-hand side's recursion (bandsolve's a[i], left in trend), then the back
    // substitution.
    double H3 = 0, HH3 = 0;
    for (int i = 0; i < n; ++i) {
        const double a = (y[i] - HH3 * e.HH5[i] - H3 * e.H4[i]) / e.Z[i];
        trend[i] = a;
        HH3 = H3;
        H3 = a;
    }
    double H2 = 0;
    double H1 = trend[n - 1];
    for (int i = n - 1; i >= 0; --i) {
        trend[i] = trend[i] - e.bb[i] * H1 - e.cc[i] * H2;
        H2 = H1;
        H1 = trend[i];
    }
    return 0;
}

int prescottkernel(const double* y, int n, double lambda, double* trend) {
    // The recursions divide by lambda.
    if (n < 3 || !(lambda > 0.0)) return -1;
    // Arrays indexed 1..n as the recursions are written: T, D, Y, the gains V1, V2, V3,
    // the two entries G1, G2 of the inverse gain that both passes take from them, and the
    // backward pass's M1, M2 (P1, P2).
    static std::vector<double> space;
    double* base = heldspace(space, n + 1, 10);
    const std::size_t m = static_cast<std::size_t>(n) + 1;
    double* T = base;
    double* D = T + m;
    double* Y = D + m;
    double* V1 = Y + m;
    double* V2 = V1 + m;
    double* V3 = V2 + m;
    double* G1 = V3 + m;
    double* G2 = G1 + m;
    double* P1 = G2 + m;
    double* P2 = P1 + m;
    for (int i = 1; i <= n; ++i) {
        Y[i] = y[i - 1];
        T[i] = 0.0;
        D[i] = 0.0;
    }
    // Gains. They depend on lambda and n alone, so the gains of the last call are kept (at
    // the same place in the held space, which depends on n alone) and used again when both
    // are the same: a script filters many series alike.
    static double gainsLambda = 0.0;
    static int gainsLength = 0;
    const bool known = gainsLength == n && gainsLambda == lambda;
    gainsLength = n;
    gainsLambda = lambda;
    double V11 = 1, V22 = 1, V12 = 0, X = 0, Z = 0, DET = 0;
    if (!known) {
        for (int i = 1; i <= n; ++i) V1[i] = V2[i] = V3[i] = 0.0;
    }
    for (int i = 3; !known && i <= n; ++i) {
        X = V11;
        Z = V12;
        V11 = 1.0 / lambda + 4.0 * (X - Z) + V22;
        V12 = 2.0 * X - Z;
        V22 = X;
        DET = V11 * V22 - V12 * V12;
        V1[i] = V22 / DET;
        V3[i] = V11 / DET;
        V2[i] = -V12 / DET;
        X = V11 + 1.0;
        Z = V11;
        V11 = V11 - V11 * V11 / X;
        V22 = V22 - V12 * V12 / X;
        V12 = V12 - Z * V12 / X;
    }
    for (int i = 3; !known && i <= n; ++i) {
        DET = V1[i] * V3[i] - V2[i] * V2[i];
        G1[i] = V3[i] / DET;
        G2[i] = -V2[i] / DET;
    }
    // The forward and the backward pass. Their recursions (of M1 and M2) do not depend on
    // each other, so one loop runs both side by side and their latencies overlap. The
    // backward pass's trend values need the forward pass's T and D: they follow in a loop of
    // their own, from the backward recursion's values kept in P1 and P2. Every value is
    // computed by the same operations as in two passes one after the other.
    double F1 = Y[2], F2 = Y[1];      // M1, M2 of the forward pass
    double B1 = Y[n - 1], B2 = Y[n];  // M1, M2 of the backward pass
    for (int k = 0; k < n - 2; ++k) {
        const int i = 3 + k;      // forward, i = 3 .. n
        const int j = n - 2 - k;  // backward, j = n-2 .. 1
        X = F1;
        F1 = 2.0 * F1 - F2;
        F2 = X;
        T[i - 1] = V1[i] * F1 + V2[i] * F2;
        D[i - 1] = V2[i] * F1 + V3[i] * F2;
        const double ZF = (Y[i] - F1) / (G1[i] + 1.0);
        F1 = F1 + G1[i] * ZF;
        F2 = F2 + G2[i] * ZF;

        const int IB = n - j + 1;
        X = B1;
        B1 = 2.0 * B1 - B2;
        B2 = X;
        P1[j] = B1;
        P2[j] = B2;
        const double ZB = (Y[j] - B1) / (G1[IB] + 1.0);
        B1 = B1 + G1[IB] * ZB;
        B2 = B2 + G2[IB] * ZB;
    }
    T[n] = F1;
    T[n - 1] = F2;
    for (int j = 3; j <= n - 2; ++j) {
        const int I1 = j + 1;
        const int IB = n - j + 1;
        const double E1 = V3[IB] * P2[j] + V2[IB] * P1[j] + T[j];
        const double E2 = V2[IB] * P2[j] + V1[IB] * P1[j] + D[j];
        const double B11 = V3[IB] + V1[I1];
        const double B12 = V2[IB] + V2[I1];
        const double B22 = V1[IB] + V3[I1];
        DET = B11 * B22 - B12 * B12;
        T[j] = (-B12 * E1 + B11 * E2) / DET;
    }
    T[1] = B1;
    T[2] = B2;
    for (int k = 1; k <= n; ++k) trend[k - 1] = T[k];
    return 0;
}

// ---- handlers ----

namespace {

int hptrend(float* out, std::FILE* in, char*& text, const char* label,
            int (*kernel)(const double*, int, double, double*)) {
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    int r = rhs(out, in, text);
    double lambda = 1600.0;
    if (currentFrequency == 12) lambda = 14400.0;
    if (currentFrequency == 1) lambda = 100.0;
    if (r == 44) {
        atcomma(text);
        if (atread(token, in, text) != 'n') return atfail(label);
        lambda = std::trunc(std::strtod(token, nullptr));
        if (!std::isfinite(lambda)) return atfail(label);
        if (atread(token, in, text) != ')') return atfail(label);
    } else if (r == 41) {
        atback(text);
    } else {
        return atfail(label);
    }
    FRange range = frange(atobs());
    const int n = range.last - range.first + 1;
    const int shortest = kernel == hpfilterkernel ? 4 : 3;
    if (n < shortest) {
        printout("\nError:  %s needs at least %d observations in the f range.\n", label, shortest);
        return atfail(label);
    }
    HeldArray<double> y;
    HeldArray<double> trend;
    for (int k = 0; k < n; ++k) y[static_cast<std::size_t>(k)] = out[range.first + k];
    if (kernel(y.data(), n, lambda, trend.data()) != 0) return atfail(label);
    for (int k = 0; k < n; ++k) out[range.first + k] = static_cast<float>(trend[static_cast<std::size_t>(k)]);
    return 0;
}

}  // namespace

int athpfilter(float* out, std::FILE* in, char*& text) {
    return hptrend(out, in, text, "@hpfilter", hpfilterkernel);
}

int atprescott(float* out, std::FILE* in, char*& text) {
    return hptrend(out, in, text, "@prescott", prescottkernel);
}
