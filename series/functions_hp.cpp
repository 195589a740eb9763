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
    // b and c extended with zeros to n entries.
    Vector<double> bb(n, 1);
    Vector<double> cc(n, 1);
    for (int i = 1; i <= n; ++i) {
        bb[i] = i <= n - 1 ? b[i] : 0.0;
        cc[i] = i <= n - 2 ? c[i] : 0.0;
    }
    double H1 = 0, H2 = 0, H3 = 0, H4 = 0, H5 = 0, HH1 = 0, HH2 = 0, HH3 = 0, HH5 = 0;
    for (int i = 1; i <= n; ++i) {
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
    H1 = a[n];
    y[n] = H1;
    for (int i = n; i >= 1; --i) {
        y[i] = a[i] - bb[i] * H1 - cc[i] * H2;
        H2 = H1;
        H1 = y[i];
    }
    return y;
}

int hpfilterkernel(const double* y, int n, double lambda, double* trend) {
    if (n < 4) return -1;
    try {
        Vector<double> a(n, 1), b(n - 1, 1), c(n - 2, 1), v(n, 1);
        // The band entries of I + lambda K'K, in double so that no lambda overflows them.
        for (int i = 1; i <= n; ++i) {
            v[i] = y[i - 1];
            if (i == 1 || i == n) a[i] = 1.0 + lambda;
            else if (i == 2 || i == n - 1) a[i] = 1.0 + 5.0 * lambda;
            else a[i] = 1.0 + 6.0 * lambda;
        }
        for (int i = 1; i <= n - 1; ++i) b[i] = i == 1 || i == n - 1 ? -2.0 * lambda : -4.0 * lambda;
        for (int i = 1; i <= n - 2; ++i) c[i] = lambda;
        Vector<double> result = hpsolve(v, a, b, c);
        if (result.count() != n) return -1;
        for (int k = 1; k <= n; ++k) trend[k - 1] = result[k];
    } catch (const Jex7Errors&) {
        return -1;
    }
    return 0;
}

int prescottkernel(const double* y, int n, double lambda, double* trend) {
    // The recursions divide by lambda.
    if (n < 3 || !(lambda > 0.0)) return -1;
    try {
        Vector<double> T(n, 1), D(n, 1), Y(n, 1);
        Matrix<double> V(n, 3);
        for (int i = 1; i <= n; ++i) {
            Y[i] = y[i - 1];
            T[i] = 0.0;
            D[i] = 0.0;
            for (int j = 1; j <= 3; ++j) V(i, j) = 0.0;
        }
        // Gains.
        double V11 = 1, V22 = 1, V12 = 0, X = 0, Z = 0, DET = 0;
        for (int i = 3; i <= n; ++i) {
            X = V11;
            Z = V12;
            V11 = 1.0 / lambda + 4.0 * (X - Z) + V22;
            V12 = 2.0 * X - Z;
            V22 = X;
            DET = V11 * V22 - V12 * V12;
            V(i, 1) = V22 / DET;
            V(i, 3) = V11 / DET;
            V(i, 2) = -V12 / DET;
            X = V11 + 1.0;
            Z = V11;
            V11 = V11 - V11 * V11 / X;
            V22 = V22 - V12 * V12 / X;
            V12 = V12 - Z * V12 / X;
        }
        // Forward pass.
        double M1 = Y[2], M2 = Y[1];
        for (int i = 3; i <= n; ++i) {
            X = M1;
            M1 = 2.0 * M1 - M2;
            M2 = X;
            T[i - 1] = V(i, 1) * M1 + V(i, 2) * M2;
            D[i - 1] = V(i, 2) * M1 + V(i, 3) * M2;
            DET = V(i, 1) * V(i, 3) - V(i, 2) * V(i, 2);
            V11 = V(i, 3) / DET;
            V12 = -V(i, 2) / DET;
            Z = (Y[i] - M1) / (V11 + 1.0);
            M1 = M1 + V11 * Z;
            M2 = M2 + V12 * Z;
        }
        T[n] = M1;
        T[n - 1] = M2;
        // Backward pass.
        M1 = Y[n - 1];
        M2 = Y[n];
        for (int i = n - 2; i >= 1; --i) {
            const int I1 = i + 1;
            const int IB = n - i + 1;
            X = M1;
            M1 = 2.0 * M1 - M2;
            M2 = X;
            if (i > 2) {
                const double E1 = V(IB, 3) * M2 + V(IB, 2) * M1 + T[i];
                const double E2 = V(IB, 2) * M2 + V(IB, 1) * M1 + D[i];
                const double B11 = V(IB, 3) + V(I1, 1);
                const double B12 = V(IB, 2) + V(I1, 2);
                const double B22 = V(IB, 1) + V(I1, 3);
                DET = B11 * B22 - B12 * B12;
                T[i] = (-B12 * E1 + B11 * E2) / DET;
            }
            DET = V(IB, 1) * V(IB, 3) - V(IB, 2) * V(IB, 2);
            V11 = V(IB, 3) / DET;
            V12 = -V(IB, 2) / DET;
            Z = (Y[i] - M1) / (V11 + 1.0);
            M1 = M1 + V11 * Z;
            M2 = M2 + V12 * Z;
        }
        T[1] = M1;
        T[2] = M2;
        for (int k = 1; k <= n; ++k) trend[k - 1] = T[k];
    } catch (const Jex7Errors&) {
        return -1;
    }
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
    std::vector<double> y(static_cast<std::size_t>(n));
    std::vector<double> trend(static_cast<std::size_t>(n));
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
