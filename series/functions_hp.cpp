#include "series/functions_hp.h"

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>
#if defined(__SSE2__) && defined(__x86_64__)
#include <xmmintrin.h>
#endif

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

// The floating-point flags raised by the work a kernel keeps between calls: recorded when
// the work is done and raised again by every call that uses it, so that a call raises the
// flags of the whole rule whether or not the kept work was done afresh.
struct KeptFlags {
    std::fexcept_t saved{};
    void begin() {
        std::fegetexceptflag(&saved, FE_ALL_EXCEPT);
        std::feclearexcept(FE_ALL_EXCEPT);
    }
    int end() {
        const int raised = std::fetestexcept(FE_ALL_EXCEPT);
        std::fesetexceptflag(&saved, FE_ALL_EXCEPT);
        return raised;
    }
};

// Raises the flags (a set of FE_ values) KeptFlags recorded. On x86-64 the FE_ values are
// the status bits of the SSE control register, where the operations set them: the flags
// are set there directly (the library's feraiseexcept performs an operation per flag, which
// costs more than a short filter).
[[gnu::noinline]] void raiseflags(int flags) {
#if defined(__SSE2__) && defined(__x86_64__)
    static_assert(FE_INVALID == 0x01 && FE_DIVBYZERO == 0x04 && FE_OVERFLOW == 0x08 && FE_UNDERFLOW == 0x10 &&
                  FE_INEXACT == 0x20);
    const unsigned bits = static_cast<unsigned>(flags) & 0x3fu;
    const unsigned csr = _mm_getcsr();
    if ((csr & bits) != bits) _mm_setcsr(csr | bits);
#else
    if (flags != 0) std::feraiseexcept(flags);
#endif
}

// Whether kept work made for lambda b serves lambda a: the same double, bit for bit. 0 and -0
// compare equal but are not the same band: -2 lambda, -4 lambda and lambda change sign with
// it, and so do the zeros the elimination makes of them, which reach the trend of a series
// with zeros in it (a lambda typed as -0.5 is truncated to -0).
bool samelambda(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// The elimination of the five-band solve for I + lambda K'K of n entries: it depends on
// lambda and n alone, so the last one is kept and used again while both are the same (a
// script filters many series alike). Per entry i: the pivot Z, the H4 and HH5 that the
// right-hand side's recursion takes at that step, and the eliminated off-diagonals (bb, cc)
// of the back substitution: every value made by the same operations as in bandsolve. A
// sixth array holds the right-hand side's recursion when the trend goes to floats.
struct HpElimination {
    double lambda = 0.0;
    int n = 0;
    int flags = 0;
    std::vector<double> space;
    double *Z = nullptr, *H4 = nullptr, *HH5 = nullptr, *bb = nullptr, *cc = nullptr, *work = nullptr;

    void make(int length, double lam) {
        if (length == n && samelambda(lam, lambda)) return;
        n = 0;  // incomplete until the end
        Z = heldspace(space, length, 6);
        H4 = Z + length;
        HH5 = H4 + length;
        bb = HH5 + length;
        cc = bb + length;
        work = cc + length;
        KeptFlags kept;
        kept.begin();
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
        flags = kept.end();
        n = length;
        lambda = lam;
    }
};

HpElimination& hpelimination(int n, double lambda) {
    static HpElimination e;
    e.make(n, lambda);
    raiseflags(e.flags);
    return e;
}

// The right-hand side's recursion (bandsolve's a[i], left in a), then the back substitution
// into trend. a may be trend itself; trend may be y itself (y is read whole first).
template <class In, class Out>
void hpsweeps(const HpElimination& e, const In* y, int n, double* a, Out* trend) {
    double H3 = 0, HH3 = 0;
    for (int i = 0; i < n; ++i) {
        const double v = (static_cast<double>(y[i]) - HH3 * e.HH5[i] - H3 * e.H4[i]) / e.Z[i];
        a[i] = v;
        HH3 = H3;
        H3 = v;
    }
    double H2 = 0;
    double H1 = a[n - 1];
    for (int i = n - 1; i >= 0; --i) {
        const double t = a[i] - e.bb[i] * H1 - e.cc[i] * H2;
        trend[i] = static_cast<Out>(t);
        H2 = H1;
        H1 = t;
    }
}

// Prescott's gains for lambda and n, kept for the last pair (they depend on nothing else):
// per i = 3..n the gains V1, V2, V3 and the inverse gain G1, G2 that both passes take from
// them, with G1 + 1 (the divisor of both passes); per j = 3..n-2 what the backward pass
// takes for the trend at j from the gains alone: the gains at n-j+1, B11, -B12 and the
// determinant of B. Every value by the operations of the recursions as they are written.
// The same per-j values also in pairs, the pair of step k holding j = k + 2 and n - 2 - k
// (prescottrun completes both at that step, as two lanes of one vector).
struct PrescottGains {
    typedef double Pair __attribute__((vector_size(16)));
    struct Gain {
        double v1, v2, v3, g1, g2, g1p;
    };
    struct Final {
        double w1, w2, w3, b11, nb12, det;
    };
    struct Finals {
        Pair w1, w2, w3, b11, nb12, det;
    };
    double lambda = 0.0;
    int n = 0;
    int flags = 0;
    std::vector<Gain> gain;     // indexed 1..n
    std::vector<Final> final;   // indexed 1..n
    std::vector<Finals> pairs;  // indexed by the step k

    void make(int length, double lam) {
        if (length == n && samelambda(lam, lambda)) return;
        n = 0;  // incomplete until the end
        const std::size_t m = static_cast<std::size_t>(length) + 1;
        if (gain.size() < m) {
            gain.resize(m);
            final.resize(m);
            pairs.resize(m);
        }
        KeptFlags kept;
        kept.begin();
        for (int i = 1; i <= length; ++i) gain[i] = Gain{0, 0, 0, 0, 0, 0};
        double V11 = 1, V22 = 1, V12 = 0, X = 0, Z = 0, DET = 0;
        for (int i = 3; i <= length; ++i) {
            X = V11;
            Z = V12;
            V11 = 1.0 / lam + 4.0 * (X - Z) + V22;
            V12 = 2.0 * X - Z;
            V22 = X;
            DET = V11 * V22 - V12 * V12;
            gain[i].v1 = V22 / DET;
            gain[i].v3 = V11 / DET;
            gain[i].v2 = -V12 / DET;
            X = V11 + 1.0;
            Z = V11;
            V11 = V11 - V11 * V11 / X;
            V22 = V22 - V12 * V12 / X;
            V12 = V12 - Z * V12 / X;
        }
        for (int i = 3; i <= length; ++i) {
            Gain& g = gain[i];
            DET = g.v1 * g.v3 - g.v2 * g.v2;
            g.g1 = g.v3 / DET;
            g.g2 = -g.v2 / DET;
            g.g1p = g.g1 + 1.0;
        }
        for (int j = 3; j <= length - 2; ++j) {
            const Gain& b = gain[length - j + 1];
            const Gain& f = gain[j + 1];
            const double B11 = b.v3 + f.v1;
            const double B12 = b.v2 + f.v2;
            const double B22 = b.v1 + f.v3;
            final[j] = Final{b.v1, b.v2, b.v3, B11, -B12, B11 * B22 - B12 * B12};
        }
        flags = kept.end();
        for (int k = pairedfrom(length); k <= pairedto(length); ++k) {
            const Final& a = final[k + 2];
            const Final& b = final[length - 2 - k];
            pairs[k] = Finals{Pair{a.w1, b.w1}, Pair{a.w2, b.w2},  Pair{a.w3, b.w3},
                              Pair{a.b11, b.b11}, Pair{a.nb12, b.nb12}, Pair{a.det, b.det}};
        }
        n = length;
        lambda = lam;
    }
    // The steps k at which j = k + 2 and j = n - 2 - k are both in 3..n-2 and differ.
    static int pairedfrom(int n) { return (n - 2) / 2; }
    static int pairedto(int n) { return n - 5; }
};

// Prescott's forward and backward recursions into trend. They do not depend on each other,
// so one loop runs both side by side and their latencies overlap. The trend at j (3..n-2)
// needs the forward pass's T and D at j and the backward pass's M1, M2 at j, kept in P1 and
// P2: from the middle of the span on, each step completes two such j (the one the forward
// pass has just reached and the one the backward pass has), so their work overlaps the
// recursions' latencies instead of following them. Every value is computed by the same
// operations as in the two passes one after the other. trend may be y itself: each y is
// read before the trend is written there.
template <class In, class Out>
int prescottrun(const In* y, int n, double lambda, Out* trend) {
    // The recursions divide by lambda.
    if (n < 3 || !(lambda > 0.0)) return -1;
    static PrescottGains gains;
    gains.make(n, lambda);
    raiseflags(gains.flags);
    const PrescottGains::Gain* G = gains.gain.data();
    const PrescottGains::Final* F = gains.final.data();
    // T, D and P1, P2 indexed 1..n.
    static std::vector<double> space;
    const std::size_t m = static_cast<std::size_t>(n) + 1;
    double* T = heldspace(space, n + 1, 4);
    double* D = T + m;
    double* P1 = D + m;
    double* P2 = P1 + m;
    auto Y = [y](int i) { return static_cast<double>(y[i - 1]); };
    double F1 = Y(2), F2 = Y(1);      // M1, M2 of the forward pass
    double B1 = Y(n - 1), B2 = Y(n);  // M1, M2 of the backward pass
    double B1before = 0, B2before = 0;  // the last P1, P2 stored
    auto step = [&](int k) {
        const int i = 3 + k;      // forward, i = 3 .. n
        const int j = n - 2 - k;  // backward, j = n-2 .. 1, whose gains are at n-j+1 = i
        const PrescottGains::Gain& g = G[i];
        double X = F1;
        F1 = 2.0 * F1 - F2;
        F2 = X;
        T[i - 1] = g.v1 * F1 + g.v2 * F2;
        D[i - 1] = g.v2 * F1 + g.v3 * F2;
        const double ZF = (Y(i) - F1) / g.g1p;
        F1 = F1 + g.g1 * ZF;
        F2 = F2 + g.g2 * ZF;

        X = B1;
        B1 = 2.0 * B1 - B2;
        B2 = X;
        P1[j] = B1;
        P2[j] = B2;
        B1before = B1;
        B2before = B2;
        const double ZB = (Y(j) - B1) / g.g1p;
        B1 = B1 + g.g1 * ZB;
        B2 = B2 + g.g2 * ZB;
    };
    auto finish = [&](int j) {  // j = 3..n-2
        const PrescottGains::Final& f = F[j];
        const double E1 = f.w3 * P2[j] + f.w2 * P1[j] + T[j];
        const double E2 = f.w2 * P2[j] + f.w1 * P1[j] + D[j];
        trend[j - 1] = static_cast<Out>((f.nb12 * E1 + f.b11 * E2) / f.det);
    };
    // At step k the forward pass has T, D up to k + 2 and the backward pass P1, P2 down to
    // n - 2 - k: both for a j once k >= (n - 4) / 2. Where the two j of a step are distinct
    // and in range they are completed together, lane by lane by the same operations (the
    // values the step has just made from registers, the others from memory).
    const int middle = (n - 3) / 2;
    const int pairedfrom = PrescottGains::pairedfrom(n), pairedto = PrescottGains::pairedto(n);
    for (int k = 0; k < middle; ++k) step(k);
    for (int k = middle; k < n - 2; ++k) {
        step(k);
        const int j1 = k + 2, j2 = n - 2 - k;  // j2 <= j1
        if (k >= pairedfrom && k <= pairedto) {
            typedef PrescottGains::Pair Pair;
            const PrescottGains::Finals& f = gains.pairs[static_cast<std::size_t>(k)];
            const Pair p1 = {P1[j1], B1before};
            const Pair p2 = {P2[j1], B2before};
            const Pair t = {T[j1], T[j2]};
            const Pair d = {D[j1], D[j2]};
            const Pair E1 = f.w3 * p2 + f.w2 * p1 + t;
            const Pair E2 = f.w2 * p2 + f.w1 * p1 + d;
            const Pair r = (f.nb12 * E1 + f.b11 * E2) / f.det;
            trend[j1 - 1] = static_cast<Out>(r[0]);
            trend[j2 - 1] = static_cast<Out>(r[1]);
        } else {
            if (j1 >= 3 && j1 <= n - 2) finish(j1);
            if (j2 >= 3 && j2 < j1) finish(j2);
        }
    }
    trend[n - 1] = static_cast<Out>(F1);
    trend[n - 2] = static_cast<Out>(F2);
    trend[0] = static_cast<Out>(B1);
    trend[1] = static_cast<Out>(B2);
    return 0;
}

}  // namespace

int hpfilterkernel(const double* y, int n, double lambda, double* trend) {
    if (n < 4) return -1;
    hpsweeps(hpelimination(n, lambda), y, n, trend, trend);
    return 0;
}

int hpfilterkernel(const float* y, int n, double lambda, float* trend) {
    if (n < 4) return -1;
    HpElimination& e = hpelimination(n, lambda);
    hpsweeps(e, y, n, e.work, trend);
    return 0;
}

int prescottkernel(const double* y, int n, double lambda, double* trend) {
    return prescottrun(y, n, lambda, trend);
}

int prescottkernel(const float* y, int n, double lambda, float* trend) {
    return prescottrun(y, n, lambda, trend);
}

// ---- handlers ----

namespace {

using FloatKernel = int (*)(const float*, int, double, float*);

int hptrend(float* out, std::FILE* in, char*& text, const char* label, FloatKernel kernel, int shortest) {
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
    if (n < shortest) {
        printout("\nError:  %s needs at least %d observations in the f range.\n", label, shortest);
        return atfail(label);
    }
    // The trend replaces the series' observations in the range.
    if (kernel(out + range.first, n, lambda, out + range.first) != 0) return atfail(label);
    return 0;
}

}  // namespace

int athpfilter(float* out, std::FILE* in, char*& text) {
    return hptrend(out, in, text, "@hpfilter", static_cast<FloatKernel>(hpfilterkernel), 4);
}

int atprescott(float* out, std::FILE* in, char*& text) {
    return hptrend(out, in, text, "@prescott", static_cast<FloatKernel>(prescottkernel), 3);
}
