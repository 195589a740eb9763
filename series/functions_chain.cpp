#include "series/functions_chain.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "series/exprtext.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/group.h"
#include "series/lanes.h"
#include "series/series_state.h"

namespace {

// Most names a list may hold (the first half quantities or values, the second half the
// other member of each pair).
constexpr int chainNameLimit = 3000;

// The date text of period k of a range that starts at the date number first.
std::string perioddate(float first, int k) {
    JexDate d = JexDate(first) + k;
    char buffer[JexDate::textSize];
    d.print(buffer, '4');
    return buffer;
}

}  // namespace

// ---- kernels ----

namespace {

// Doubles M at a time: loads, floats widened, magnitudes, and the lanes whose float is missing
// (gaps). A loop of N float lanes takes M = N / 2 doubles. In a loop that compares doubles
// (comparedLanes) eight are taken as four: the compiler splits comparisons of eight doubles made
// in these templates into single lanes (the chain-weighted sums have their own eight-lane
// version, chwtsums16).
template <int N>
constexpr int doubleLanes = N / 2;
template <int N>
constexpr int comparedLanes = N >= 8 ? 4 : 2;
template <int M>
struct DoubleLanes {
    typedef typename lanes::Lanes<M>::D V;
    typedef typename lanes::Lanes<M>::Q Q;
    typedef typename lanes::Lanes<M>::F F;
    typedef typename lanes::Lanes<M>::U U;
    [[gnu::always_inline]] static V load(const double* x) {
        V v;
        std::memcpy(&v, x, sizeof v);
        return v;
    }
    [[gnu::always_inline]] static V widen(const float* x) {
        F f;
        std::memcpy(&f, x, sizeof f);
        return __builtin_convertvector(f, V);
    }
    [[gnu::always_inline]] static V magnitude(V x) {
        return reinterpret_cast<V>(reinterpret_cast<Q>(x) & 0x7FFFFFFFFFFFFFFFLL);
    }
    // The lanes whose value, rounded to float, is the missing value (as ismissing reads it).
    [[gnu::always_inline]] static Q gaps(V x) {
        const U bits = lanes::bitsof(__builtin_convertvector(x, F));
        return __builtin_convertvector(lanes::missingmask(bits, lanes::missingFirstBits(), lanes::missingSpan()) != 0u, Q);
    }
};

// The Fisher links of periods 1..w-1 of a chain. Each period's four sums over the pairs are
// added in pair order and its links follow from them alone, so the loops run over the periods
// and the compiler makes vector loops of them: each lane makes the operations of the period
// rule in its order (the same bits). A division or square root that the rule does not make is
// not made either (its operands are chosen first): a period with a zero sum divides 1 by 1, a
// negative or undefined product takes the root of 1; so no floating-point flag is raised that
// the period-by-period rule would not raise. status: 0, 1 a zero sum (links 1), 2 a negative
// product.
struct ChainLinks {
    std::vector<double> A, B, C, D;
    std::vector<unsigned char> status;
    bool flagged = false;  // some period's status is not 0
};

// The links of one period from its sums, as the rule reads; the status as in ChainLinks.
inline unsigned char periodlink(double A, double B, double C, double D, double& quantity, double& price) {
    quantity = price = 1.0;
    if (B == 0.0 || C == 0.0 || A == 0.0) return 1;
    const double qq = (A / B) * (D / C);
    const double pp = (C / B) * (D / A);
    const unsigned char status = qq < 0.0 || pp < 0.0 ? 2 : 0;
    if (qq >= 0.0) quantity = std::sqrt(qq);
    if (pp >= 0.0) price = std::sqrt(pp);
    return status;
}
// The four sums of period t, the pairs' products added in pair order into a, b, c, d (the
// series of pair k are q[k] and p[k]: vectors, or pointers to their values).
template <class Series>
[[gnu::always_inline]] inline void periodsums(const Series& q, const Series& p, std::size_t pairs, int t, double& a,
                                              double& b, double& c, double& d) {
    for (std::size_t k = 0; k < pairs; ++k) {
        const double q0 = q[k][t - 1], q1 = q[k][t], p0 = p[k][t - 1], p1 = p[k][t];
        a += p0 * q1;
        b += p0 * q0;
        c += p1 * q0;
        d += p1 * q1;
    }
}
// Up to this many pairs, a block's sums are added in registers (the pairs' values of the block
// read together); with more, each pair's series is added into the arrays of sums in one pass of
// its own, which reads every series once in order.
constexpr std::size_t pairsInRegisters = 8;

// The links, and the indexes as running products of them (each step rounded to float). The
// products of a block of periods are a chain of dependent steps; each block's links are formed
// before the products of the block before it are made, so that the processor runs the chain of
// one block while the divisions and roots of the next go on (the products follow the links in
// the order of the instructions, and the chain would otherwise wait for each block's roots).
template <int N>
[[gnu::always_inline]] inline void chainlinkslanes(const std::vector<std::vector<float>>& q,
                                                   const std::vector<std::vector<float>>& p, int w, ChainLinks& r,
                                                   float* __restrict quantityIndex, float* __restrict priceIndex) {
    const std::size_t pairs = q.size();
    const bool inRegisters = pairs <= pairsInRegisters;
    double* __restrict A = r.A.data();
    double* __restrict B = r.B.data();
    double* __restrict C = r.C.data();
    double* __restrict D = r.D.data();
    if (!inRegisters) {
        for (std::size_t k = 0; k < pairs; ++k) {
            const float* __restrict qk = q[k].data();
            const float* __restrict pk = p[k].data();
            for (int t = 1; t < w; ++t) {
                const double q0 = qk[t - 1], q1 = qk[t], p0 = pk[t - 1], p1 = pk[t];
                A[t] += p0 * q1;
                B[t] += p0 * q0;
                C[t] += p1 * q0;
                D[t] += p1 * q1;
            }
        }
    }
    unsigned char* __restrict status = r.status.data();
    float runningQuantity = 1.0f, runningPrice = 1.0f;
    // Doubles in a vector: at most four, whose comparisons the compiler makes as vector
    // instructions (it makes those of eight lane by lane).
    constexpr int M = comparedLanes<N>;
    typedef DoubleLanes<M> L;
    typedef typename L::V V;
    typedef typename L::Q Q;
    const V zero = V{}, one = V{} + 1.0;
    // The links of the block of periods from t: the sums (from 0, each pair's products added in
    // pair order), then the quotients and roots; the status of a period only where it is not 0
    // (the array holds 0 before).
    auto links = [&](int t, V& ql, V& pl) __attribute__((always_inline)) {
        V a, b, c, d;
        if (inRegisters) {
            a = b = c = d = zero;
            for (std::size_t k = 0; k < pairs; ++k) {
                const float* qk = q[k].data();
                const float* pk = p[k].data();
                const V q0 = L::widen(qk + t - 1), q1 = L::widen(qk + t);
                const V p0 = L::widen(pk + t - 1), p1 = L::widen(pk + t);
                a = a + p0 * q1;
                b = b + p0 * q0;
                c = c + p1 * q0;
                d = d + p1 * q1;
            }
        } else {
            a = L::load(A + t);
            b = L::load(B + t);
            c = L::load(C + t);
            d = L::load(D + t);
        }
        // The selects only in a block that needs them (on this machine's AVX2 they cost as
        // much as a third of the block's divisions); a select that keeps every lane is left out.
        const Q none = (b == zero) | (c == zero) | (a == zero);
        if (lanes::anyset(none)) [[unlikely]] {
            a = none ? one : a;
            b = none ? one : b;
            c = none ? one : c;
            d = none ? one : d;
        }
        const V qq = (a / b) * (d / c);
        const V pp = (c / b) * (d / a);
        const Q negative = (qq < zero) | (pp < zero);
        // One root of each: were it taken in both branches, the compiler could make both roots
        // and select between them (then the root of a negative lane would raise the invalid flag).
        const Q rootedQuantity = qq >= zero, rootedPrice = pp >= zero;
        V qs = qq, ps = pp;
        if (lanes::anyset(~(rootedQuantity & rootedPrice))) [[unlikely]] {
            qs = rootedQuantity ? qq : one;
            ps = rootedPrice ? pp : one;
        }
        ql = lanes::sqrt(qs);
        pl = lanes::sqrt(ps);
        if (lanes::anyset(none | negative)) [[unlikely]] {
            r.flagged = true;
            for (int k = 0; k < M; ++k) status[t + k] = none[k] ? 1 : negative[k] ? 2 : 0;
        }
    };
    auto chain = [&](int t, V ql, V pl) __attribute__((always_inline)) {
        for (int k = 0; k < M; ++k) {
            runningQuantity = static_cast<float>(runningQuantity * ql[k]);
            runningPrice = static_cast<float>(runningPrice * pl[k]);
            quantityIndex[t + k] = runningQuantity;
            priceIndex[t + k] = runningPrice;
        }
    };
    int t = 1;
    if (t + M <= w) {
        V ql, pl;
        links(t, ql, pl);
        for (; t + 2 * M <= w; t += M) {
            V nextQl, nextPl;
            links(t + M, nextQl, nextPl);
            chain(t, ql, pl);
            ql = nextQl;
            pl = nextPl;
        }
        chain(t, ql, pl);
        t += M;
    }
    for (; t < w; ++t) {
        double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
        if (inRegisters) {
            periodsums(q, p, pairs, t, a, b, c, d);
        } else {
            a = A[t];
            b = B[t];
            c = C[t];
            d = D[t];
        }
        double ql, pl;
        status[t] = periodlink(a, b, c, d, ql, pl);
        r.flagged = r.flagged || status[t] != 0;
        runningQuantity = static_cast<float>(runningQuantity * ql);
        runningPrice = static_cast<float>(runningPrice * pl);
        quantityIndex[t] = runningQuantity;
        priceIndex[t] = runningPrice;
    }
}
LANES_VERSIONS(chainlinks, chainlinkslanes,
               (const std::vector<std::vector<float>>& q, const std::vector<std::vector<float>>& p, int w, ChainLinks& r,
                float* quantityIndex, float* priceIndex),
               (q, p, w, r, quantityIndex, priceIndex))

// The links and the indexes of a chain whose periods all take the plain rule (no sum zero, no
// product negative or undefined): each period's quotients, products and roots made without the
// tests and selects of chainlinkslanes. Up to pairsInRegisters pairs, two periods at a time.
// Were a period not plain, its link would not be finite (a zero sum gives a quotient that is
// infinite or undefined, and so does its product; a negative or undefined product has an
// undefined root), and a running product that meets a link that is not finite stays so to the
// end (times a root, 0 or more, it is infinite or undefined; rounded to float it stays so).
// So the indexes are those of the rule when both running products end finite, which this
// returns; when not, the caller makes the chain again with chainlinks (a running product that
// overflows to infinity with finite links takes that way too, to the same result).
// The steps of a period are made in a software pipeline, for a processor whose divider takes
// as long as the chain of products and whose scheduler holds few operations: in one pass of the
// loop, the sums of the periods three blocks ahead, the quotients of those two blocks ahead,
// the products and roots of the next block, and the running products of this one; each takes
// what the pass before made, so that none waits for the long operations of its own pass. The
// two running products share one vector (quantity, price): widened, multiplied by the links and
// rounded to float lane by lane, which are the operations of the rule on each.
template <int N>
[[gnu::always_inline]] inline bool chainplainlanes(const std::vector<std::vector<float>>& q,
                                                   const std::vector<std::vector<float>>& p, int w,
                                                   float* __restrict quantityIndex, float* __restrict priceIndex) {
    constexpr int M = 2;
    typedef DoubleLanes<M> L;
    typedef typename L::V V;
    const std::size_t pairs = q.size();
    const float* qs[pairsInRegisters];
    const float* ps[pairsInRegisters];
    for (std::size_t k = 0; k < pairs; ++k) {
        qs[k] = q[k].data();
        ps[k] = p[k].data();
    }
    struct Sums {
        V a, b, c, d;
    };
    struct Quotients {
        V ab, dc, cb, da;
    };
    // The four sums of the block from t, from 0, the pairs' products added in pair order.
    auto sums = [&](int t) __attribute__((always_inline)) {
        Sums s;
        s.a = s.b = s.c = s.d = V{};
        for (std::size_t k = 0; k < pairs; ++k) {
            const V q0 = L::widen(qs[k] + t - 1), q1 = L::widen(qs[k] + t);
            const V p0 = L::widen(ps[k] + t - 1), p1 = L::widen(ps[k] + t);
            s.a = s.a + p0 * q1;
            s.b = s.b + p0 * q0;
            s.c = s.c + p1 * q0;
            s.d = s.d + p1 * q1;
        }
        return s;
    };
    auto divide = [](const Sums& s) __attribute__((always_inline)) {
        return Quotients{s.a / s.b, s.d / s.c, s.c / s.b, s.d / s.a};
    };
    __m128 running = _mm_set1_ps(1.0f);
    auto chain = [&](int t, const Quotients& x) __attribute__((always_inline)) {
        const V ql = lanes::sqrt(x.ab * x.dc), pl = lanes::sqrt(x.cb * x.da);
        typedef double Pair __attribute__((vector_size(16)));
        auto step = [&](int k, Pair links) __attribute__((always_inline)) {
            running = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtps_pd(running), reinterpret_cast<__m128d>(links)));
            quantityIndex[t + k] = running[0];
            priceIndex[t + k] = running[1];
        };
        step(0, __builtin_shufflevector(ql, pl, 0, 2));
        step(1, __builtin_shufflevector(ql, pl, 1, 3));
    };
    int t = 1;
    // The blocks from t, t + M and t + 2 M are whole.
    if (t + 3 * M <= w) {
        Sums twoAhead = sums(t + 2 * M);
        Quotients next = divide(sums(t + M));
        Quotients now = divide(sums(t));
        for (; t + 4 * M <= w; t += M) {
            const Sums threeAhead = sums(t + 3 * M);
            const Quotients twoAheadQuotients = divide(twoAhead);
            chain(t, now);
            now = next;
            next = twoAheadQuotients;
            twoAhead = threeAhead;
        }
        chain(t, now);
        chain(t + M, next);
        chain(t + 2 * M, divide(twoAhead));
        t += 3 * M;
    }
    float runningQuantity = running[0], runningPrice = running[1];
    for (; t < w; ++t) {
        double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
        periodsums(qs, ps, pairs, t, a, b, c, d);
        runningQuantity = static_cast<float>(runningQuantity * std::sqrt((a / b) * (d / c)));
        runningPrice = static_cast<float>(runningPrice * std::sqrt((c / b) * (d / a)));
        quantityIndex[t] = runningQuantity;
        priceIndex[t] = runningPrice;
    }
    return std::isfinite(runningQuantity) && std::isfinite(runningPrice);
}
__attribute__((target("avx2,fma"))) bool chainplain8(const std::vector<std::vector<float>>& q,
                                                     const std::vector<std::vector<float>>& p, int w,
                                                     float* quantityIndex, float* priceIndex) {
    return chainplainlanes<8>(q, p, w, quantityIndex, priceIndex);
}
bool chainplain4(const std::vector<std::vector<float>>& q, const std::vector<std::vector<float>>& p, int w,
                 float* quantityIndex, float* priceIndex) {
    return chainplainlanes<4>(q, p, w, quantityIndex, priceIndex);
}

}  // namespace

int chainkernel(const std::vector<std::vector<float>>& q, const std::vector<std::vector<float>>& p, int w, int u,
                std::vector<float>& quantity, std::vector<float>& price) {
    const std::size_t pairs = q.size();
    // Every index but the first is written by chainlinks.
    quantity.resize(static_cast<std::size_t>(w));
    price.resize(static_cast<std::size_t>(w));
    quantity[0] = price[0] = 1.0f;
    static ChainLinks links;
    const std::size_t width = static_cast<std::size_t>(w);
    links.flagged = false;
    // First the plain rule (the machines with AVX-512 take chainlinks, whose tests cost little
    // there); when some period is not plain, the floating-point flags as they were before it
    // and the chain again with the tests.
    bool plain = false;
    if (pairs <= pairsInRegisters && lanes::width < 16) {
        std::fexcept_t flags;
        std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
        plain = lanes::width >= 8 ? chainplain8(q, p, w, quantity.data(), price.data())
                                  : chainplain4(q, p, w, quantity.data(), price.data());
        if (!plain) std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    }
    if (!plain) {
        // The arrays of sums only where the pairs are summed into them.
        if (pairs > pairsInRegisters)
            for (std::vector<double>* sums : {&links.A, &links.B, &links.C, &links.D}) sums->assign(width, 0.0);
        links.status.assign(width, 0);
        chainlinks(q, p, w, links, quantity.data(), price.data());
    }
    for (int t = 1; links.flagged && t < w; ++t) {
        const std::size_t s = static_cast<std::size_t>(t);
        if (links.status[s] == 1)
            printout("Warning:  in the chain function, data is missing in the %dth year.\n", t);
        else if (links.status[s] == 2)
            printout("Warning:  illegal (negative) value in the chain function, in the %dth year.\n", t);
    }
    const std::size_t b = static_cast<std::size_t>(u);
    if (std::fabs(price[b]) < 0.0000001f) {
        printout("Error, price is zero in base year!\r\n");
        printout("Error in chain function!\r\n");
        return -1;
    }
    const float priceBase = price[b];
    for (float& x : price) x /= priceBase;
    if (std::fabs(quantity[b]) < 0.0000001f) {
        printout("Error, quantity is zero in base year!\r\n");
        printout("Error in chain function!\r\n");
        return -1;
    }
    double total = 0.0;
    for (std::size_t k = 0; k < pairs; ++k) total += q[k][b];
    const double factor = total / quantity[b];
    for (float& x : quantity) x = static_cast<float>(x * factor);
    return 0;
}

namespace {

// One period's sums as the rule reads them: E, the values of period t deflated to the
// quantities of t - 1, and (for a period that is no break) the product of the Laspeyres and
// Paasche sums L and P.
double periodE(const std::vector<std::vector<float>>& v, const std::vector<std::vector<float>>& q, std::size_t t) {
    double E = 0.0;
    for (std::size_t k = 0; k < v.size(); ++k) {
        if (std::fabs(q[k][t]) > 0.000001f) E += static_cast<double>(v[k][t]) / q[k][t] * q[k][t - 1];
    }
    return E;
}
double periodLP(const std::vector<std::vector<float>>& v, const std::vector<std::vector<float>>& q, std::size_t t,
                double previous, double E) {
    double L = 0.0;
    double P = 0.0;
    for (std::size_t k = 0; k < v.size(); ++k) {
        const double q0 = q[k][t - 1];
        const double q1 = q[k][t];
        if (std::fabs(q0) <= 0.000001) continue;
        L += v[k][t - 1] / previous * (q1 / q0);
        if (std::fabs(q1) > 0.0000001) {
            const double weight = (v[k][t] / q1 * q0) / E;
            P += weight * (q1 / q0);
        }
    }
    return L * P;
}

// The sums of the chain-weighted index, many periods at a time: for each period t >= 1 the sum
// E of its values deflated to the quantities of t - 1, the Laspeyres and Paasche sums L and P,
// their product and its root. Each lane makes the operations of the period rule in its order
// (the pairs in pair order); a term the rule leaves out is left out by a select, its division
// made of 1 instead; a period whose previous nominal sum or whose E is near zero (which the rule
// reports, not sums) divides by 1. The inputs are finite, so no lane raises a fault flag: the
// quotients and products of floats stay far inside the range of doubles.
struct ChwtSums {
    std::vector<double> E, LP, root;
};

// The pairs whose quotient of value over quantity a block of periods keeps from its sum E for
// its sum P; past them P divides again.
constexpr std::size_t keptQuotients = 32;

// The periods from t on one at a time, as the rule reads (the last periods of the batches).
void chwtsumstail(const std::vector<std::vector<float>>& v, const std::vector<std::vector<float>>& q,
                  const double* nominal, int t, int W, ChwtSums& r) {
    for (; t < W; ++t) {
        const std::size_t s = static_cast<std::size_t>(t);
        const double previous = nominal[s - 1];
        r.E[s] = periodE(v, q, s);
        r.LP[s] = 0.0;
        r.root[s] = 1.0;
        if (std::fabs(previous) < 0.000001 || std::fabs(r.E[s]) < 0.000001) continue;
        r.LP[s] = periodLP(v, q, s, previous, r.E[s]);
        if (r.LP[s] > 0.000001) r.root[s] = std::sqrt(r.LP[s]);
    }
}

template <int N>
[[gnu::always_inline]] inline int chwtsumslanes(const std::vector<std::vector<float>>& v,
                                                 const std::vector<std::vector<float>>& q, const double* nominal,
                                                 int W, ChwtSums& r) {
    typedef DoubleLanes<comparedLanes<N>> L;
    constexpr int M = comparedLanes<N>;
    typedef typename L::V V;
    typedef typename L::Q Q;
    const V one = V{} + 1.0, zero = V{};
    constexpr auto load = L::widen;
    constexpr auto magnitude = L::magnitude;
    const std::size_t pairs = v.size();
    // When every quantity's magnitude is above the largest of the rule's three bounds, every
    // term of every period is taken and no select of the quantities keeps anything but the
    // quantity: the loop below then runs without them (on this machine's AVX2 the selects cost
    // as much as a good part of the divisions). The quantities are finite here, so these
    // comparisons raise no flag.
    // The test on the floats' bits: a magnitude is above the bound when its bits are at least
    // those of the least float above it.
    const double bound = std::max({0.000001, static_cast<double>(0.000001f), 0.0000001});
    float least = static_cast<float>(bound);
    if (static_cast<double>(least) <= bound) least = std::nextafter(least, 1.0f);
    const std::uint32_t leastBits = lanes::bitsof(least);
    bool clean = true;
    for (std::size_t k = 0; clean && k < pairs; ++k) {
        const float* x = q[k].data();
        std::uint32_t below = 0;
        for (int t = 0; t < W; ++t) below |= (lanes::bitsof(x[t]) & 0x7FFFFFFFu) < leastBits;
        clean = below == 0;
    }
    int t = 1;
    if (clean) {
        for (; t + M <= W; t += M) {
            const V previous = L::load(nominal + t - 1);
            V perQuantity[keptQuotients];
            V E = zero;
            for (std::size_t k = 0; k < pairs; ++k) {
                const V v1 = load(v[k].data() + t), q1 = load(q[k].data() + t), q0 = load(q[k].data() + t - 1);
                const V quotient = v1 / q1;
                if (k < keptQuotients) perQuantity[k] = quotient;
                E = E + quotient * q0;
            }
            const Q reported = (magnitude(previous) < 0.000001) | (magnitude(E) < 0.000001);
            V byPrevious = previous, byE = E;
            if (lanes::anyset(reported)) [[unlikely]] {
                byPrevious = reported ? one : previous;
                byE = reported ? one : E;
            }
            V L = zero, P = zero;
            for (std::size_t k = 0; k < pairs; ++k) {
                const V v0 = load(v[k].data() + t - 1);
                const V q0 = load(q[k].data() + t - 1), q1 = load(q[k].data() + t);
                const V ratio = q1 / q0;
                L = L + v0 / byPrevious * ratio;
                const V quotient = k < keptQuotients ? perQuantity[k] : load(v[k].data() + t) / q1;
                const V weight = quotient * q0 / byE;
                P = P + weight * ratio;
            }
            const V LP = L * P;
            // One root: see chainlinkslanes.
            const Q rooted = LP > 0.000001;
            V rootOf = LP;
            if (lanes::anyset(~rooted)) [[unlikely]] rootOf = rooted ? LP : one;
            const V root = lanes::sqrt(rootOf);
            std::memcpy(r.E.data() + t, &E, sizeof E);
            std::memcpy(r.LP.data() + t, &LP, sizeof LP);
            std::memcpy(r.root.data() + t, &root, sizeof root);
        }
        return t;
    }
    for (; t + M <= W; t += M) {
        V previous;
        std::memcpy(&previous, nominal + t - 1, sizeof previous);
        // A pair's value over its quantity is the same quotient in E and in P: made once, where
        // either takes it (E where |q1| > 0.000001f, P where |q1| > 0.0000001, which includes
        // it). Pairs of up to 32 at a time keep their quotients for the second loop.
        V perQuantity[keptQuotients];
        V E = zero;
        for (std::size_t k = 0; k < pairs; ++k) {
            const V v1 = load(v[k].data() + t), q1 = load(q[k].data() + t), q0 = load(q[k].data() + t - 1);
            const V quotient = v1 / (magnitude(q1) > 0.0000001 ? q1 : one);
            if (k < keptQuotients) perQuantity[k] = quotient;
            const Q take = magnitude(q1) > static_cast<double>(0.000001f);
            E = take ? E + quotient * q0 : E;
        }
        const Q reported = (magnitude(previous) < 0.000001) | (magnitude(E) < 0.000001);
        const V byPrevious = reported ? one : previous, byE = reported ? one : E;
        V L = zero, P = zero;
        for (std::size_t k = 0; k < pairs; ++k) {
            const V v0 = load(v[k].data() + t - 1);
            const V q0 = load(q[k].data() + t - 1), q1 = load(q[k].data() + t);
            const Q use = magnitude(q0) > 0.000001;
            const V ratio = q1 / (use ? q0 : one);
            L = use ? L + v0 / byPrevious * ratio : L;
            const Q weighted = use & (magnitude(q1) > 0.0000001);
            const V quotient = k < keptQuotients ? perQuantity[k] : load(v[k].data() + t) / (weighted ? q1 : one);
            const V weight = quotient * q0 / byE;
            P = weighted ? P + weight * ratio : P;
        }
        const V LP = L * P;
        const V root = lanes::sqrt(LP > 0.000001 ? LP : one);
        std::memcpy(r.E.data() + t, &E, sizeof E);
        std::memcpy(r.LP.data() + t, &LP, sizeof LP);
        std::memcpy(r.root.data() + t, &root, sizeof root);
    }
    return t;
}

// The same eight periods at a time, for processors with AVX-512. The compiler's vector types
// are not used here: it splits comparisons of eight doubles made in a template into single
// lanes, so each operation is written as its instruction. Every lane makes the operations
// of chwtsumslanes in the same order (no multiply and add fused), so the bits and the flags
// are the same.
__attribute__((target("avx512f"))) int chwtsums16(const std::vector<std::vector<float>>& v,
                                                   const std::vector<std::vector<float>>& q,
                                                   const double* nominal, int W, ChwtSums& r) {
    const __m512d one = _mm512_set1_pd(1.0), zero = _mm512_setzero_pd();
    const __m512d tiny = _mm512_set1_pd(0.0000001), small = _mm512_set1_pd(0.000001);
    const __m512d smallFloat = _mm512_set1_pd(static_cast<double>(0.000001f));
    // (The zero-masking forms with every lane kept: the plain forms' undefined source trips
    // the compiler's check for uninitialised values.)
    constexpr __mmask8 all = 0xFF;
    auto widen = [](const float* x) __attribute__((target("avx512f"))) {
        return _mm512_maskz_cvtps_pd(all, _mm256_loadu_ps(x));
    };
    auto above = [](__m512d x, __m512d c) __attribute__((target("avx512f"))) {
        return _mm512_cmp_pd_mask(_mm512_abs_pd(x), c, _CMP_GT_OS);
    };
    const std::size_t pairs = v.size();
    int t = 1;
    for (; t + 8 <= W; t += 8) {
        const __m512d previous = _mm512_loadu_pd(nominal + t - 1);
        __m512d perQuantity[keptQuotients];
        __m512d E = zero;
        for (std::size_t k = 0; k < pairs; ++k) {
            const __m512d v1 = widen(v[k].data() + t), q1 = widen(q[k].data() + t), q0 = widen(q[k].data() + t - 1);
            const __m512d quotient = _mm512_div_pd(v1, _mm512_mask_blend_pd(above(q1, tiny), one, q1));
            if (k < keptQuotients) perQuantity[k] = quotient;
            E = _mm512_mask_blend_pd(above(q1, smallFloat), E, _mm512_add_pd(E, _mm512_mul_pd(quotient, q0)));
        }
        const __mmask8 reported = static_cast<__mmask8>(
            _mm512_cmp_pd_mask(_mm512_abs_pd(previous), small, _CMP_LT_OS) |
            _mm512_cmp_pd_mask(_mm512_abs_pd(E), small, _CMP_LT_OS));
        const __m512d byPrevious = _mm512_mask_blend_pd(reported, previous, one);
        const __m512d byE = _mm512_mask_blend_pd(reported, E, one);
        __m512d L = zero, P = zero;
        for (std::size_t k = 0; k < pairs; ++k) {
            const __m512d v0 = widen(v[k].data() + t - 1);
            const __m512d q0 = widen(q[k].data() + t - 1), q1 = widen(q[k].data() + t);
            const __mmask8 use = above(q0, small);
            const __m512d ratio = _mm512_div_pd(q1, _mm512_mask_blend_pd(use, one, q0));
            L = _mm512_mask_blend_pd(use, L, _mm512_add_pd(L, _mm512_mul_pd(_mm512_div_pd(v0, byPrevious), ratio)));
            const __mmask8 weighted = static_cast<__mmask8>(use & above(q1, tiny));
            const __m512d quotient = k < keptQuotients ? perQuantity[k]
                                              : _mm512_div_pd(widen(v[k].data() + t), _mm512_mask_blend_pd(weighted, one, q1));
            const __m512d weight = _mm512_div_pd(_mm512_mul_pd(quotient, q0), byE);
            P = _mm512_mask_blend_pd(weighted, P, _mm512_add_pd(P, _mm512_mul_pd(weight, ratio)));
        }
        const __m512d LP = _mm512_mul_pd(L, P);
        const __m512d root = _mm512_maskz_sqrt_pd(all, _mm512_mask_blend_pd(_mm512_cmp_pd_mask(LP, small, _CMP_GT_OS), one, LP));
        _mm512_storeu_pd(r.E.data() + t, E);
        _mm512_storeu_pd(r.LP.data() + t, LP);
        _mm512_storeu_pd(r.root.data() + t, root);
    }
    return t;
}
__attribute__((target("avx2"))) int chwtsums8(const std::vector<std::vector<float>>& v,
                                              const std::vector<std::vector<float>>& q, const double* nominal,
                                              int W, ChwtSums& r) {
    return chwtsumslanes<8>(v, q, nominal, W, r);
}
int chwtsums4(const std::vector<std::vector<float>>& v, const std::vector<std::vector<float>>& q,
              const double* nominal, int W, ChwtSums& r) {
    return chwtsumslanes<4>(v, q, nominal, W, r);
}
// The vector versions return the first period they left, and the last periods are summed
// here, after they have returned: a version that called the scalar code itself would reach
// it through a jump that skips the clearing of the vector registers' upper halves (then each
// scalar load of a double into a register waits for that register's last value, and the
// chain of the index below runs several times slower).
void chwtsums(const std::vector<std::vector<float>>& v, const std::vector<std::vector<float>>& q,
              const double* nominal, int W, ChwtSums& r) {
    const int t = lanes::width >= 16  ? chwtsums16(v, q, nominal, W, r)
                  : lanes::width >= 8 ? chwtsums8(v, q, nominal, W, r)
                                      : chwtsums4(v, q, nominal, W, r);
    chwtsumstail(v, q, nominal, t, W, r);
}

// Whether every value of every series is finite (no infinity, no NaN).
bool allfinite(const std::vector<std::vector<float>>& series) {
    for (const std::vector<float>& x : series)
        if (!lanes::allfinite(x.data(), static_cast<int>(x.size()))) return false;
    return true;
}

// The nominal sums of W periods: each period's values that are not missing, added in pair
// order, M periods at a time. The missing test is the comparison in double that ismissing
// makes (a NaN raises the invalid flag in both).
template <int N>
[[gnu::always_inline]] inline void nominalsumslanes(const std::vector<std::vector<float>>& v, int W, double* sums) {
    constexpr int M = comparedLanes<N>;
    typedef DoubleLanes<M> L;
    for (const std::vector<float>& values : v) {
        const float* x = values.data();
        int t = 0;
        for (; t + M <= W; t += M) {
            const typename L::V d = L::widen(x + t);
            const typename L::Q missing = (d >= -0.0000011) & (d <= -0.0000009);
            const typename L::V sum = L::load(sums + t);
            const typename L::V r = missing ? sum : sum + d;
            std::memcpy(sums + t, &r, sizeof r);
        }
        for (; t < W; ++t) {
            if (!ismissing(x[t])) sums[t] += x[t];
        }
    }
}
LANES_VERSIONS(nominalsums, nominalsumslanes, (const std::vector<std::vector<float>>& v, int W, double* sums),
               (v, W, sums))

// Every value of x that is not a gap divided by factor (a finite number, not 0); the gaps'
// quotients are made and not kept (a gap's value is finite, so its division raises no flag).
template <int N>
[[gnu::always_inline]] inline void scalegapslanes(double* x, int n, double factor) {
    constexpr int M = doubleLanes<N>;
    typedef DoubleLanes<M> L;
    int t = 0;
    for (; t + M <= n; t += M) {
        const typename L::V v = L::load(x + t);
        const typename L::V r = L::gaps(v) ? v : v / factor;
        std::memcpy(x + t, &r, sizeof r);
    }
    for (; t < n; ++t) {
        if (!ismissing(static_cast<float>(x[t]))) x[t] /= factor;
    }
}
LANES_VERSIONS(scalegaps, scalegapslanes, (double* x, int n, double factor), (x, n, factor))

// The results of period t alone, as the rule reads: what the vector forms make lane by lane.
inline void chwtresult(const double* Q, const double* nominal, int t, float* qi, float* pi, float* ni) {
    const bool gap = ismissing(static_cast<float>(Q[t]));
    qi[t] = gap ? MISSING : static_cast<float>(Q[t]);
    pi[t] = gap ? MISSING : static_cast<float>(nominal[t] / Q[t]);
    ni[t] = static_cast<float>(nominal[t]);
}

// The three series of the chain-weighted index from its index and nominal sums over n periods:
// the quantity index and the price index (nominal / quantity) missing where the index is a gap,
// the nominal sum. A gap's price is divided by 1 and not kept, so it raises no flag.
template <int N>
[[gnu::always_inline]] inline void chwtresultslanes(const double* Q, const double* nominal, int n, float* qi,
                                                    float* pi, float* ni) {
    constexpr int M = doubleLanes<N>;
    typedef DoubleLanes<M> L;
    typedef typename L::F F;
    typedef typename lanes::Lanes<M>::I I;
    const typename L::V zero = typename L::V{}, one = zero + 1.0;
    int t = 0;
    for (; t + M <= n; t += M) {
        const typename L::V q = L::load(Q + t), nominalSum = L::load(nominal + t);
        const typename L::Q gap = L::gaps(q);
        const I gapFloat = __builtin_convertvector(gap, I);
        const typename L::V price = gap ? zero : nominalSum / (gap ? one : q);
        const F missing = F{} + MISSING;
        const F qf = __builtin_convertvector(q, F), pf = __builtin_convertvector(price, F);
        const F nf = __builtin_convertvector(nominalSum, F);
        const F qr = gapFloat ? missing : qf, pr = gapFloat ? missing : pf;
        std::memcpy(qi + t, &qr, sizeof qr);
        std::memcpy(pi + t, &pr, sizeof pr);
        std::memcpy(ni + t, &nf, sizeof nf);
    }
    for (; t < n; ++t) chwtresult(Q, nominal, t, qi, pi, ni);
}
// The same four periods at a time for AVX2, written as its instructions: each lane makes the
// operations of chwtresultslanes (the gap test on the index rounded to float, the price divided
// by 1 in a gap and not kept). On the first Zen the divider and the conversions between double
// and float share a unit, and the compiler's form of this loop took as long as four divisions
// for each period (its conversions and lane shuffles went through it as well).
__attribute__((target("avx2"))) void chwtresults8(const double* Q, const double* nominal, int n, float* qi, float* pi,
                                                  float* ni) {
    const __m128i first = _mm_set1_epi32(static_cast<int>(lanes::missingFirstBits()));
    const __m128i span = _mm_set1_epi32(static_cast<int>(lanes::missingSpan()));
    const __m128 missing = _mm_set1_ps(MISSING);
    const __m256d one = _mm256_set1_pd(1.0);
    int t = 0;
    for (; t + 4 <= n; t += 4) {
        const __m256d q = _mm256_loadu_pd(Q + t), nominalSum = _mm256_loadu_pd(nominal + t);
        const __m128 qf = _mm256_cvtpd_ps(q);
        // A gap's bits less first are at most span (as unsigned): the least of them and span is
        // themselves.
        const __m128i shifted = _mm_sub_epi32(_mm_castps_si128(qf), first);
        const __m128i gap = _mm_cmpeq_epi32(_mm_min_epu32(shifted, span), shifted);
        const __m256d gapDouble = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(gap));
        const __m256d price =
            _mm256_andnot_pd(gapDouble, _mm256_div_pd(nominalSum, _mm256_blendv_pd(q, one, gapDouble)));
        const __m128 gapFloat = _mm_castsi128_ps(gap);
        _mm_storeu_ps(qi + t, _mm_blendv_ps(qf, missing, gapFloat));
        _mm_storeu_ps(pi + t, _mm_blendv_ps(_mm256_cvtpd_ps(price), missing, gapFloat));
        _mm_storeu_ps(ni + t, _mm256_cvtpd_ps(nominalSum));
    }
    for (; t < n; ++t) chwtresult(Q, nominal, t, qi, pi, ni);
}
__attribute__((target("avx512f"))) void chwtresults16(const double* Q, const double* nominal, int n, float* qi,
                                                      float* pi, float* ni) {
    chwtresultslanes<16>(Q, nominal, n, qi, pi, ni);
}
void chwtresults4(const double* Q, const double* nominal, int n, float* qi, float* pi, float* ni) {
    chwtresultslanes<4>(Q, nominal, n, qi, pi, ni);
}
void chwtresults(const double* Q, const double* nominal, int n, float* qi, float* pi, float* ni) {
    if (lanes::width >= 16) chwtresults16(Q, nominal, n, qi, pi, ni);
    else if (lanes::width >= 8) chwtresults8(Q, nominal, n, qi, pi, ni);
    else chwtresults4(Q, nominal, n, qi, pi, ni);
}

}  // namespace

int chwtkernel(const std::vector<std::vector<float>>& v, const std::vector<std::vector<float>>& q, int W, int u,
               bool zero, float firstDate, std::vector<double>& Q, std::vector<double>& N) {
    const double missing = MISSING;
    auto isgap = [](double x) { return ismissing(static_cast<float>(x)); };
    N.assign(static_cast<std::size_t>(W), 0.0);
    nominalsums(v, W, N.data());
    if (std::fabs(N[static_cast<std::size_t>(u)]) < 0.0000001) {
        printout("Error:  nominal data is zero in the base year.\r\n");
        printout("Error in chwt function!\r\n");
        return -1;
    }
    Q.assign(static_cast<std::size_t>(W), missing);
    static std::vector<char> restarted;
    restarted.assign(static_cast<std::size_t>(W), 0);
    if (std::fabs(N[0]) > 0.000001) Q[0] = 1.0;
    // The periods' sums many at a time when every value is finite (then no fault flag can be
    // raised by a period the rule would not reach); else each period's as the rule reads,
    // below.
    static ChwtSums sums;
    const bool batched = allfinite(v) && allfinite(q);
    if (batched) {
        for (std::vector<double>* x : {&sums.E, &sums.LP, &sums.root}) x->resize(static_cast<std::size_t>(W));
        chwtsums(v, q, N.data(), W, sums);
    }
    // The index of the period before, kept in a register: the products of the periods are a
    // chain, which would otherwise go through memory. Every path below sets Q[s] and before.
    double before = Q[0];
    for (int t = 1; t < W; ++t) {
        if (batched) {
            // The periods that are neither a break nor a negative link, in a tight loop: their
            // index is the one before times the root (1 after a gap).
            const double *nominal = N.data(), *Es = sums.E.data(), *LPs = sums.LP.data(), *roots = sums.root.data();
            double* index = Q.data();
            auto regular = [&](int p) {
                return p < W && std::fabs(nominal[p - 1]) >= 0.000001 && std::fabs(Es[p]) >= 0.000001 &&
                       LPs[p] > 0.000001;
            };
            if (regular(t)) {
                before = isgap(before) ? 1.0 : before * roots[t];
                index[t++] = before;
                // An index is a gap, 1, or a product of 1 and roots (positive): from here on in
                // the run it is 0 or more, never a gap, so the rule's test is false.
                while (regular(t)) {
                    before *= roots[t];
                    index[t++] = before;
                }
            }
            if (t == W) break;
        }
        const std::size_t s = static_cast<std::size_t>(t);
        const double previous = N[s - 1];
        const double E = batched ? sums.E[s] : periodE(v, q, s);
        const bool nominalBreak = std::fabs(previous) < 0.000001;
        if (nominalBreak || std::fabs(E) < 0.000001) {
            printout("Error:  in chwt function, source data is zero in %s.\n",
                     perioddate(firstDate, nominalBreak ? t - 1 : t).c_str());
            if (!zero) return -1;
            if (t == 1 || std::fabs(N[s]) < 0.000001) {
                Q[s] = missing;
            } else {
                Q[s] = 1.0;
                restarted[s] = 1;
            }
            before = Q[s];
            continue;
        }
        const double LP = batched ? sums.LP[s] : periodLP(v, q, s, previous, E);
        if (LP > 0.000001) {
            const double now = isgap(before) ? 1.0 : before * (batched ? sums.root[s] : std::sqrt(LP));
            Q[s] = now;
            before = now;
            continue;
        }
        if (!zero) {
            printout("Warning:  illegal (negative) value in the chain function, in the %dth year.\n", t);
            return -1;
        }
        if (t == 1 || restarted[s]) {
            Q[s - 1] = missing;
            Q[s] = missing;
            if (t + 1 < W) {
                Q[s + 1] = 1.0;
                restarted[s + 1] = 1;
            }
        } else if (isgap(before)) {
            printout("Warning:  illegal (negative) value in the chain function, in the %dth year.\n", t);
            return -1;
        } else {
            Q[s] = missing;
        }
        before = Q[s];
    }
    const std::size_t b = static_cast<std::size_t>(u);
    double factor = 0.0;
    if (std::fabs(N[b]) >= 0.0000001 && !isgap(Q[b])) factor = Q[b] / N[b];
    if (std::fabs(factor) < 0.00000000001) {
        printout("Error, quantity is zero in base year!\r\n");
        printout("Error in chwt function!\r\n");
        return -1;
    }
    scalegaps(Q.data(), W, factor);
    return 0;
}

// ---- handlers ----

namespace {

// What the argument list of a chain function gave.
struct ChainList {
    std::vector<std::string> names;
    JexDate base;        // unset when the list gave none
    bool zero = false;   // the z option of the nominal form
};

// Reads the list after "(". Returns 0, or -1 after the message.
int readchainlist(std::FILE* in, char*& text, bool nominal, ChainList& list) {
    const char* failure = nominal ? "Error in chwt function!\r\n" : "Error in chain function!\r\n";
    char token[78];
    bool first = true;
    auto separate = [&]() {
        if (!first && text != nullptr) textappend(text, ",");
        first = false;
    };
    for (;;) {
        if (static_cast<int>(list.names.size()) >= chainNameLimit) {
            printout("Error:  in chain weighting routine, too many series given (more than %d).\n", chainNameLimit / 2);
            return -1;
        }
        int cls = gettoken(token, in, 0, 78);
        if (cls == 'a') {
            char name[78];
            std::strcpy(name, token);
            char next[78];
            int after = gettoken(next, in, 0, 78);
            separate();
            if (after == '(') {
                if (text != nullptr) {
                    textappend(text, name);
                    textappend(text, "(\"");
                }
                std::vector<std::int32_t> members;
                std::string echo;
                const int room = chainNameLimit - static_cast<int>(list.names.size());
                int count = parsegroupint(in, text, members, echo, room);
                if (count < 0) {
                    printout("Error:  in chain weighting routine, too many series given (more than %d), or a bad group.\n",
                             chainNameLimit / 2);
                    return -1;
                }
                if (lastTokenClass != ')') {
                    printout("%s", failure);
                    return -1;
                }
                // The group's text ends with the ")" that closed it: the quote goes before it.
                if (text != nullptr && text[-1] == ')') {
                    --text;
                    *text = '\0';
                }
                if (text != nullptr) textappend(text, "\")");
                for (std::int32_t k : members) {
                    if (k < 0) continue;
                    list.names.push_back(std::string(name) + std::to_string(k));
                }
            } else {
                ungettoken();
                if (text != nullptr) textappend(text, name);
                list.names.push_back(name);
            }
        } else if (cls == 'n') {
            separate();
            if (text != nullptr) textappend(text, token);
            list.base = JexDate();
            list.base.parse(token);
            int next = gettoken(token, in, 0, 78);
            if (nominal && next == ',') {
                if (text != nullptr) textappend(text, ",");
                if (gettoken(token, in, 0, 78) != 'a' || token[0] != 'z') {
                    printout("%s", failure);
                    return -1;
                }
                if (text != nullptr) textappend(text, token);
                list.zero = true;
                next = gettoken(token, in, 0, 78);
            }
            if (next != ')') {
                printout("%s", failure);
                return -1;
            }
            if (text != nullptr) textappend(text, ")");
            return 0;
        } else if (cls == ',' || cls == 'f') {
            continue;
        } else if (cls == ')') {
            if (text != nullptr) textappend(text, ")");
            return 0;
        } else {
            printout("Error:  when reading text in chain routine.\n");
            return -1;
        }
    }
}

// The names of one half, " %s" each, a line break before a name that would pass 80.
void printnames(const std::vector<std::string>& names, std::size_t from, std::size_t to) {
    std::size_t column = 0;
    for (std::size_t k = from; k < to; ++k) {
        if (column > 0 && column + names[k].size() + 1 > 80) {
            printout("\r\n");
            column = 0;
        }
        printout(" %s", names[k].c_str());
        column += names[k].size() + 1;
    }
    printout("\r\n");
}

// The report and the checks common to both forms, and the f range as indexes.
// Returns 0 with the first index v and the number of periods w, or -1 after the message.
int chainsetup(const ChainList& list, bool nominal, char mode, int& v, int& w) {
    const std::size_t count = list.names.size();
    if (count % 2 != 0) {
        printout(nominal ? "Error in @chwt function: Odd number of series: %d.\r\n"
                         : "Error in @chain function: Odd number of series: %d.\r\n",
                 static_cast<int>(count));
        return -1;
    }
    if (nominal && count == 0) {
        printout("Error:  In @chwt function, zero data series found.\r\n");
        return -1;
    }
    const std::size_t half = count / 2;
    printout("Fisher %s chain index requested.\r\n", mode == 'p' ? "price" : "quantity");
    printout(nominal ? "There are %d nominal and quantity variables\r\n" : "There are %d quantity and price variables\r\n",
             static_cast<int>(count));
    printout(nominal ? "The nominal variables are:\r\n" : "The quantity variables are:\r\n");
    printnames(list.names, 0, half);
    printout(nominal ? "The quantity variables are:\r\n" : "The price variables are:\r\n");
    printnames(list.names, half, count);
    char date[JexDate::textSize];
    list.base.print(date, '4');
    printout("The base date of the chain function is %s\r\n", date);
    if (nominal && list.zero) printout("Replacing missing values with zero.\r\n");
    printout("Calculating...\r\n");
    if (list.base.frequency != fdate1Date.frequency) {
        printout("Error:  In @chwt function, frequency for base date does not match fdates.\r\n");
        return -1;
    }
    if (fdate1Date.frequency == 0 || fdate2Date.frequency != fdate1Date.frequency) {
        printout("Error:  the chain functions need both f dates set, of one frequency.\r\n");
        return -1;
    }
    v = fdate1Date.wsIndex();
    w = (fdate2Date - fdate1Date) + 1;
    if (v < 0 || w < 1 || v + w > atobs()) {
        printout("Error:  the f dates of the chain function lie outside the workspace.\r\n");
        return -1;
    }
    return 0;
}

// Fetches the series into scratch; -1 after the message when it is not found.
int fetchchain(const std::string& name, float* scratch, std::FILE* in, const char* failure) {
    char* none = nullptr;
    if (fetchseries(name.c_str(), scratch, none, in, 0) < 0) {
        printout("\n%s can't be found.\n", name.c_str());
        printout("%s", failure);
        return -1;
    }
    return 0;
}

// Stores values (w of them from index v, MISSING elsewhere) under name.
int storechain(const char* name, const std::vector<float>& values, int v, int frequency) {
    HeldArray<float> all;
    // MISSING before and after the values (v + w never passes the array's length).
    const std::size_t first = static_cast<std::size_t>(v), end = first + values.size();
    std::fill_n(all.data(), first, MISSING);
    std::copy(values.begin(), values.end(), all.data() + first);
    std::fill(all.data() + end, all.data() + fnArrayLength, MISSING);
    if (workspaceBank == nullptr) return -1;
    workspaceBank->setFreq(frequency);
    return workspaceBank->addser(name, all.data(), 'y', -1) < 0 ? -1 : 0;
}

}  // namespace

int atchain(float* out, std::FILE* in, char*& text, char mode) {
    // The report's lines reach the results window together, when the function ends.
    platform::ResultsHold hold;
    const char* failure = "Error in chain function!\r\n";
    char token[78];
    if (atread(token, in, text) != '(') {
        printout("%s", failure);
        return -1;
    }
    ChainList list;
    if (readchainlist(in, text, false, list) != 0) return -1;
    int v = 0;
    int w = 0;
    if (chainsetup(list, false, mode, v, w) != 0) return -1;
    const int u = list.base.wsIndex() - v;
    if (u < 0 || u >= w) {
        printout("Error:  the base date of the chain function lies outside the f dates.\r\n");
        printout("%s", failure);
        return -1;
    }
    const std::size_t half = list.names.size() / 2;
    // The arrays of the pairs and the results, held between calls (nothing below calls rhs,
    // so no nested call can use them meanwhile).
    static std::vector<std::vector<float>> q, p;
    static std::vector<float> quantity, price;
    q.resize(half);
    p.resize(half);
    // fetchseries writes every observation of the array, so it needs no clearing first.
    HeldArray<float> scratch;
    for (std::size_t k = 0; k < 2 * half; ++k) {
        if (fetchchain(list.names[k], scratch.data(), in, failure) != 0) return -1;
        std::vector<float>& target = k < half ? q[k] : p[k - half];
        target.resize(static_cast<std::size_t>(w));
        // A series without a missing value or a NaN (whose missing test would raise the invalid
        // flag) is copied as it is, in the same pass that looks for them.
        if (!lanes::copymissingornan(scratch.data() + v, w, target.data())) continue;
        for (int t = 0; t < w; ++t) {
            const float x = scratch[static_cast<std::size_t>(v + t)];
            target[static_cast<std::size_t>(t)] = ismissing(x) ? 0.0f : x;
        }
    }
    const int frequency = currentFrequency;
    if (chainkernel(q, p, w, u, quantity, price) != 0) return -1;
    if (storechain("chwqi", quantity, v, frequency) != 0 || storechain("chwpi", price, v, frequency) != 0) {
        printout("%s", failure);
        return -1;
    }
    const std::vector<float>& result = mode == 'p' ? price : quantity;
    for (int t = 0; t < w; ++t) out[v + t] = result[static_cast<std::size_t>(t)];
    currentFrequency = static_cast<std::int16_t>(frequency);
    return 0;
}

int atchwt(float* out, std::FILE* in, char*& text, char mode) {
    // The report's lines reach the results window together, when the function ends.
    platform::ResultsHold hold;
    const char* failure = "Error in chwt function!\r\n";
    char token[78];
    if (atread(token, in, text) != '(') {
        printout("%s", failure);
        return -1;
    }
    ChainList list;
    if (readchainlist(in, text, true, list) != 0) return -1;
    int v = 0;
    int w = 0;
    if (chainsetup(list, true, mode, v, w) != 0) return -1;
    // The working range: the f range widened to the base date.
    const int baseIndex = list.base.wsIndex();
    if (baseIndex < 0 || baseIndex >= atobs()) {
        printout("Error:  the base date of the chwt function lies outside the workspace.\r\n");
        printout("%s", failure);
        return -1;
    }
    const int start = baseIndex < v ? baseIndex : v;
    const int end = baseIndex > v + w - 1 ? baseIndex : v + w - 1;
    const int W = end - start + 1;
    const int u = baseIndex - start;
    const float startDate = (fdate1Date - (v - start)).toFloat();

    const std::size_t half = list.names.size() / 2;
    // The arrays of the pairs and the results, held between calls (nothing below calls rhs,
    // so no nested call can use them meanwhile).
    static std::vector<std::vector<float>> values, quantities;
    static std::vector<double> Q, N;
    static std::vector<float> qi, pi, ni;
    values.resize(half);
    quantities.resize(half);
    // fetchseries writes every observation of the array, so it needs no clearing first.
    HeldArray<float> scratch;
    for (std::size_t k = 0; k < 2 * half; ++k) {
        if (fetchchain(list.names[k], scratch.data(), in, failure) != 0) return -1;
        std::vector<float>& target = k < half ? values[k] : quantities[k - half];
        target.resize(static_cast<std::size_t>(W));
        // A series without a missing value or a NaN (which the missing test below would meet
        // with a comparison that raises the invalid flag) is copied as it is, in the same pass
        // that looks for them.
        if (!lanes::copymissingornan(scratch.data() + start, W, target.data())) continue;
        for (int t = 0; t < W; ++t) {
            float x = scratch[static_cast<std::size_t>(start + t)];
            if (ismissing(x)) {
                if (!list.zero) {
                    printout("Error:  in chwt command, there is a missing value in %s in %f.\r\n",
                             list.names[k].c_str(), static_cast<double>((JexDate(startDate) + t).toFloat()));
                    return -1;
                }
                x = 0.0f;
            }
            target[static_cast<std::size_t>(t)] = x;
        }
    }
    const int frequency = currentFrequency;
    if (chwtkernel(values, quantities, W, u, list.zero, startDate, Q, N) != 0) {
        printout("%s", failure);
        return -1;
    }
    // Over the f range only.
    qi.resize(static_cast<std::size_t>(w));
    pi.resize(qi.size());
    ni.resize(qi.size());
    const std::size_t first = static_cast<std::size_t>(v - start);
    chwtresults(Q.data() + first, N.data() + first, w, qi.data(), pi.data(), ni.data());
    if (storechain("chwqi", qi, v, frequency) != 0 || storechain("chwpi", pi, v, frequency) != 0 ||
        storechain("chwni", ni, v, frequency) != 0) {
        printout("%s", failure);
        return -1;
    }
    const std::vector<float>& result = mode == 'p' ? pi : qi;
    for (int t = 0; t < w; ++t) out[v + t] = result[static_cast<std::size_t>(t)];
    currentFrequency = static_cast<std::int16_t>(frequency);
    return 0;
}

int atpchain(float* out, std::FILE* in, char*& text) { return atchain(out, in, text, 'p'); }
int atqchain(float* out, std::FILE* in, char*& text) { return atchain(out, in, text, 'q'); }
int atpchwt(float* out, std::FILE* in, char*& text) { return atchwt(out, in, text, 'p'); }
int atqchwt(float* out, std::FILE* in, char*& text) { return atchwt(out, in, text, 'q'); }
