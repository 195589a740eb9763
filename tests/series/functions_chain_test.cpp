#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/date.h"
#include "functions_fixture.h"
#include "series/functions_chain.h"

namespace functions_chain_test {

using seriestest::AtCall;
using seriestest::expectSeries;
using seriestest::M;

namespace {

using Table = std::vector<std::vector<float>>;

// Three goods over six periods with prices and quantities moving apart.
const Table quantities = {{10, 12, 13, 15, 14, 18}, {5, 5, 6, 4, 7, 8}, {20, 18, 22, 25, 24, 30}};
const Table prices = {{1.0f, 1.1f, 1.3f, 1.2f, 1.5f, 1.6f}, {4, 3.8f, 4.2f, 5, 4.4f, 4.1f}, {0.5f, 0.6f, 0.55f, 0.7f, 0.8f, 0.75f}};

double sumproduct(const Table& p, int tp, const Table& q, int tq) {
    double s = 0;
    for (std::size_t k = 0; k < p.size(); ++k) s += static_cast<double>(p[k][tp]) * q[k][tq];
    return s;
}

TEST(ChainKernels, FisherChainAgainstTheTextbookFormula) {
    const int w = 6;
    const int u = 2;
    std::vector<float> qi, pi;
    ASSERT_EQ(chainkernel(quantities, prices, w, u, qi, pi), 0);
    // Textbook Fisher links: the geometric mean of the Laspeyres and Paasche links.
    std::vector<double> Q(w, 1.0), P(w, 1.0);
    for (int t = 1; t < w; ++t) {
        const double laspeyresQ = sumproduct(prices, t - 1, quantities, t) / sumproduct(prices, t - 1, quantities, t - 1);
        const double paascheQ = sumproduct(prices, t, quantities, t) / sumproduct(prices, t, quantities, t - 1);
        const double laspeyresP = sumproduct(prices, t, quantities, t - 1) / sumproduct(prices, t - 1, quantities, t - 1);
        const double paascheP = sumproduct(prices, t, quantities, t) / sumproduct(prices, t - 1, quantities, t);
        Q[t] = Q[t - 1] * std::sqrt(laspeyresQ * paascheQ);
        P[t] = P[t - 1] * std::sqrt(laspeyresP * paascheP);
    }
    const double total = quantities[0][u] + quantities[1][u] + quantities[2][u];
    for (int t = 0; t < w; ++t) {
        EXPECT_NEAR(pi[t], P[t] / P[u], 1e-6) << t;
        EXPECT_NEAR(qi[t], Q[t] / Q[u] * total, 1e-5 * total) << t;
        // Factor reversal: price index times quantity index moves with the total value.
        const double value = sumproduct(prices, t, quantities, t) / sumproduct(prices, u, quantities, u);
        EXPECT_NEAR(pi[t] * qi[t] / total, value, 1e-5) << t;
    }
}

TEST(ChainKernels, UnitPricesAndZeroBases) {
    const Table q = {{1, 2, 3}, {4, 4, 5}};
    const Table ones = {{1, 1, 1}, {1, 1, 1}};
    std::vector<float> qi, pi;
    ASSERT_EQ(chainkernel(q, ones, 3, 0, qi, pi), 0);
    expectSeries(pi, {1, 1, 1}, "price");
    expectSeries(qi, {5, 6, 8}, "quantity = sum of quantities");
    // Both links 0 in period 1 (every value there is 0 in one of its sums): a base there
    // has no price level.
    const Table q2 = {{1, 0}, {1, 1}};
    const Table p2 = {{1, 1}, {1, 0}};
    EXPECT_EQ(chainkernel(q2, p2, 2, 1, qi, pi), -1);
    EXPECT_EQ(chainkernel(q2, p2, 2, 0, qi, pi), 0);
}

TEST(ChainKernels, NominalFormMatchesTheChainForm) {
    const int w = 6;
    const int u = 3;
    Table values(3, std::vector<float>(w));
    for (int k = 0; k < 3; ++k)
        for (int t = 0; t < w; ++t) values[k][t] = prices[k][t] * quantities[k][t];
    std::vector<double> Q, N;
    ASSERT_EQ(chwtkernel(values, quantities, w, u, false, 1990, Q, N), 0);
    std::vector<float> qi, pi;
    ASSERT_EQ(chainkernel(quantities, prices, w, u, qi, pi), 0);
    const double total = quantities[0][u] + quantities[1][u] + quantities[2][u];
    EXPECT_NEAR(Q[u], N[u], 1e-9 * N[u]);
    for (int t = 0; t < w; ++t) {
        EXPECT_NEAR(N[t], sumproduct(prices, t, quantities, t), 1e-4);
        EXPECT_NEAR(Q[t], qi[t] / total * N[u], 1e-5 * N[u]) << t;
        EXPECT_NEAR(N[t] / Q[t], pi[t], 1e-5) << t;  // the implicit price index
    }
}

TEST(ChainKernels, NominalBreaksFailOrRestartWithZ) {
    // The nominal total is zero in period 2: without z a failure, with z the chain is
    // missing there and restarts at 1 after it.
    const Table v = {{10, 11, 0, 12, 13}, {5, 6, 0, 6, 7}};
    const Table q = {{10, 10, 0, 11, 12}, {5, 5, 0, 5, 6}};
    std::vector<double> Q, N;
    EXPECT_EQ(chwtkernel(v, q, 5, 0, false, 1990, Q, N), -1);
    ASSERT_EQ(chwtkernel(v, q, 5, 0, true, 1990, Q, N), 0);
    EXPECT_TRUE(ismissing(static_cast<float>(Q[2])));
    EXPECT_NEAR(Q[0], N[0], 1e-9);
    EXPECT_FALSE(ismissing(static_cast<float>(Q[3])));
    EXPECT_FALSE(ismissing(static_cast<float>(Q[4])));
}

TEST(ChainKernels, NominalFormByHand) {
    // v1 10 12 0 15, v2 5 6 7 8, q1 10 11 12 12, q2 5 5 6 6, base period 1.
    // Link 1: E = 12/11*10 + 6 = 16.909; L = 10/15*1.1 + 5/15 = 1.06667;
    //         P = (10.909*1.1 + 6*1) / 16.909 = 1.06452.
    // Link 2: E = 0 + 7/6*5; L = 12/18*12/11 + 6/18*1.2 = 1.12727; P = 1.2.
    // Link 3: L = 7/7 = 1 (the zero value carries no share); P = (15 + 8) / 23 = 1.
    const Table v = {{10, 12, 0, 15}, {5, 6, 7, 8}};
    const Table q = {{10, 11, 12, 12}, {5, 5, 6, 6}};
    std::vector<double> Q, N;
    ASSERT_EQ(chwtkernel(v, q, 4, 1, true, 1990, Q, N), 0);
    const double E1 = 12.0 / 11 * 10 + 6;
    const double link1 = std::sqrt((10.0 / 15 * 1.1 + 5.0 / 15) * ((12.0 / 11 * 10 * 1.1 + 6) / E1));
    const double link2 = std::sqrt((12.0 / 18 * 12 / 11 + 6.0 / 18 * 1.2) * 1.2);
    const double expected[4] = {18 / link1, 18, 18 * link2, 18 * link2};
    for (int t = 0; t < 4; ++t) EXPECT_NEAR(Q[t], expected[t], 1e-5 * expected[t]) << t;
    EXPECT_NEAR(N[2], 7, 1e-12);
}

// The chain as its rule reads, period by period: the four sums over the pairs, the Fisher
// links (none where a sum is zero; a negative product warned of and its link 1), the indexes
// as running products in float, normalised at the base. The warnings are returned as text.
struct PeriodByPeriod {
    std::vector<float> quantity, price;
    std::string warnings;
    int code = 0;
};
PeriodByPeriod periodbyperiod(const Table& q, const Table& p, int w, int u) {
    PeriodByPeriod r;
    r.quantity.assign(static_cast<std::size_t>(w), 1.0f);
    r.price.assign(static_cast<std::size_t>(w), 1.0f);
    char line[160];
    for (int t = 1; t < w; ++t) {
        double A = 0, B = 0, C = 0, D = 0;
        for (std::size_t k = 0; k < q.size(); ++k) {
            const double q0 = q[k][t - 1], q1 = q[k][t], p0 = p[k][t - 1], p1 = p[k][t];
            A += p0 * q1;
            B += p0 * q0;
            C += p1 * q0;
            D += p1 * q1;
        }
        double ql = 1.0, pl = 1.0;
        if (B == 0.0 || C == 0.0 || A == 0.0) {
            std::snprintf(line, sizeof line, "Warning:  in the chain function, data is missing in the %dth year.\n", t);
            r.warnings += line;
        } else {
            const double qq = (A / B) * (D / C), pp = (C / B) * (D / A);
            if (qq < 0.0 || pp < 0.0) {
                std::snprintf(line, sizeof line, "Warning:  illegal (negative) value in the chain function, in the %dth year.\n", t);
                r.warnings += line;
            }
            if (qq >= 0.0) ql = std::sqrt(qq);
            if (pp >= 0.0) pl = std::sqrt(pp);
        }
        r.quantity[t] = static_cast<float>(r.quantity[t - 1] * ql);
        r.price[t] = static_cast<float>(r.price[t - 1] * pl);
    }
    if (std::fabs(r.price[u]) < 0.0000001f || std::fabs(r.quantity[u]) < 0.0000001f) {
        r.code = -1;
        return r;
    }
    const float priceBase = r.price[u];
    for (float& x : r.price) x /= priceBase;
    double total = 0.0;
    for (std::size_t k = 0; k < q.size(); ++k) total += q[k][u];
    const double factor = total / r.quantity[u];
    for (float& x : r.quantity) x = static_cast<float>(x * factor);
    return r;
}

// chainkernel against the rule above on the same pairs, each with the flags `before` raised
// first: the code, the fault flags (those raised before stay raised, the others are the
// rule's), the warnings in order and every bit of both indexes.
void expectTheRule(platform::ScopedScriptedPlatform& screen, const Table& q, const Table& p, int w, int u,
                   int before) {
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW;
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(before);
    const PeriodByPeriod want = periodbyperiod(q, p, w, u);
    const int wantFlags = std::fetestexcept(faults);
    screen.platform.lines.clear();
    clearPendingLine();
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(before);
    std::vector<float> quantity, price;
    const int code = chainkernel(q, p, w, u, quantity, price);
    const int gotFlags = std::fetestexcept(faults);
    const std::string printed = screen.platform.text() + pendingLine();
    clearPendingLine();
    ASSERT_EQ(code, want.code);
    EXPECT_EQ(gotFlags, wantFlags);
    if (code != 0) return;
    ASSERT_EQ(printed, want.warnings);
    for (int t = 0; t < w; ++t) {
        ASSERT_EQ(bits(quantity[t]), bits(want.quantity[t])) << "quantity at " << t;
        ASSERT_EQ(bits(price[t]), bits(want.price[t])) << "price at " << t;
    }
}

// The kernel forms the links of many periods at a time: bit for bit the rule above, with its
// warnings in the same order and the same floating-point flags, in every version the machine
// runs; over lengths that leave each version a remainder, periods whose sums are zero (a
// period of no quantities, a good priced 0), negative prices, and magnitudes far apart.
TEST(ChainKernels, ManyPeriodsAtATimeAreThePeriodByPeriodRule) {
    platform::ScopedScriptedPlatform screen;
    std::mt19937 random(23);
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        // Up to 8 pairs a block's sums are added in registers; 12 takes the arrays of sums.
        for (int pairs : {1, 2, 3, 7, 12})
            for (int w : {1, 2, 3, 9, 17, 40, 1999}) {
                SCOPED_TRACE(testing::Message() << width << " lanes, " << pairs << " pairs, " << w << " periods");
                Table q(static_cast<std::size_t>(pairs), std::vector<float>(static_cast<std::size_t>(w)));
                Table p = q;
                for (int t = 0; t < w; ++t) {
                    const bool none = random() % 11 == 0;  // no quantities at all in this period
                    for (int k = 0; k < pairs; ++k) {
                        const int power = static_cast<int>(random() % 30) - 15;
                        const float value = std::ldexp(1.0f + static_cast<float>(random() % 1000) / 999.0f, power);
                        q[k][t] = none || random() % 13 == 0 ? 0.0f : value;
                        const int kind = static_cast<int>(random() % 17);
                        p[k][t] = kind == 0 ? 0.0f : kind == 1 ? -value : 1.0f + value / 8.0f;
                    }
                }
                const int u = static_cast<int>(random() % static_cast<unsigned>(w));
                expectTheRule(screen, q, p, w, u, 0);
            }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// Chains whose periods are all plain (no zero sum, no negative product) are made without the
// tests of each period, and a chain with one irregular period is made again with them; both
// must be the rule bit for bit, with its warnings and flags, and flags raised before the call
// kept. Lengths around the blocks of periods (two at a time, three blocks ahead) and up to 8
// pairs (more take the arrays of sums); one irregular period of each kind placed first, in the
// blocks, in the last whole block and among the last periods; and a chain whose index grows
// past the largest float although every link is finite.
TEST(ChainKernels, PlainChainsAndOneIrregularPeriodAreThePeriodByPeriodRule) {
    platform::ScopedScriptedPlatform screen;
    std::mt19937 random(31);
    enum Irregular { none, zeroQuantities, zeroPrice, negativePrice, undefinedValue, growing };
    struct Case {
        Irregular kind;
        int where;  // the period: from the start if 0 or more, else from the end (-1 the last)
    };
    const Case cases[] = {{none, 0},          {zeroQuantities, 1}, {zeroQuantities, -1}, {zeroPrice, 0},
                          {zeroPrice, 6},     {negativePrice, 2},  {negativePrice, -2},  {undefinedValue, 5},
                          {undefinedValue, -3}, {growing, 0}};
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (const Case& c : cases)
            for (int pairs : {1, 2, 8})
                for (int w : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 23, 1999}) {
                    const int at = c.where >= 0 ? c.where : w + c.where;
                    if (c.kind != none && c.kind != growing && (at < 0 || at >= w)) continue;
                    SCOPED_TRACE(testing::Message() << width << " lanes, case " << c.kind << " at " << at << ", "
                                                    << pairs << " pairs, " << w << " periods");
                    Table q(static_cast<std::size_t>(pairs), std::vector<float>(static_cast<std::size_t>(w)));
                    Table p = q;
                    for (int t = 0; t < w; ++t)
                        for (int k = 0; k < pairs; ++k) {
                            const int power = static_cast<int>(random() % 20) - 10;
                            q[k][t] = std::ldexp(1.0f + static_cast<float>(random() % 1000) / 999.0f, power);
                            p[k][t] = 1.0f + static_cast<float>(random() % 1000) / 250.0f;
                            // Quantities from 2^-140 growing 2^5 a period up to 2^120: the
                            // quantity index passes the largest float after some 26 periods.
                            if (c.kind == growing) q[k][t] = std::ldexp(q[k][t], std::min(-140 + 5 * t, 120) - power);
                        }
                    if (c.kind == zeroQuantities)
                        for (int k = 0; k < pairs; ++k) q[k][at] = 0.0f;
                    if (c.kind == zeroPrice)
                        for (int k = 0; k < pairs; ++k) p[k][at] = 0.0f;
                    if (c.kind == negativePrice) p[0][at] = -p[0][at];
                    if (c.kind == undefinedValue) q[pairs - 1][at] = std::nanf("");
                    const int u = static_cast<int>(random() % static_cast<unsigned>(w));
                    // A flag raised before the call stays raised, the others are the rule's.
                    expectTheRule(screen, q, p, w, u, pairs == 2 ? FE_UNDERFLOW : 0);
                }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// The chain-weighted index as its rule reads, period by period (what chwtkernel must equal):
// the nominal sums, each period's E, L and P over the pairs in pair order, the breaks and
// negative links reported (and, with z, restarted), the index normalised at the base.
struct NominalRule {
    std::vector<double> Q, N;
    std::string printed;
    int code = 0;
};
NominalRule nominalrule(const Table& v, const Table& q, int W, int u, bool zero, float firstDate) {
    NominalRule r;
    char line[200];
    auto print = [&](const char* text) { r.printed += text; };
    auto isgap = [](double x) { return ismissing(static_cast<float>(x)); };
    const double missing = M;
    r.N.assign(static_cast<std::size_t>(W), 0.0);
    for (int t = 0; t < W; ++t)
        for (std::size_t k = 0; k < v.size(); ++k)
            if (!ismissing(v[k][t])) r.N[t] += v[k][t];
    if (std::fabs(r.N[u]) < 0.0000001) {
        r.code = -1;
        return r;
    }
    std::vector<double>& Q = r.Q;
    Q.assign(static_cast<std::size_t>(W), missing);
    std::vector<char> restarted(static_cast<std::size_t>(W), 0);
    if (std::fabs(r.N[0]) > 0.000001) Q[0] = 1.0;
    for (int t = 1; t < W; ++t) {
        const double previous = r.N[t - 1];
        double E = 0.0;
        for (std::size_t k = 0; k < v.size(); ++k)
            if (std::fabs(q[k][t]) > 0.000001f) E += static_cast<double>(v[k][t]) / q[k][t] * q[k][t - 1];
        const bool nominalBreak = std::fabs(previous) < 0.000001;
        if (nominalBreak || std::fabs(E) < 0.000001) {
            char date[JexDate::textSize];
            (JexDate(firstDate) + (nominalBreak ? t - 1 : t)).print(date, '4');
            std::snprintf(line, sizeof line, "Error:  in chwt function, source data is zero in %s.\n", date);
            print(line);
            if (!zero) {
                r.code = -1;
                return r;
            }
            if (t == 1 || std::fabs(r.N[t]) < 0.000001) {
                Q[t] = missing;
            } else {
                Q[t] = 1.0;
                restarted[t] = 1;
            }
            continue;
        }
        double L = 0.0, P = 0.0;
        for (std::size_t k = 0; k < v.size(); ++k) {
            const double q0 = q[k][t - 1], q1 = q[k][t];
            if (std::fabs(q0) <= 0.000001) continue;
            L += v[k][t - 1] / previous * (q1 / q0);
            if (std::fabs(q1) > 0.0000001) P += (v[k][t] / q1 * q0) / E * (q1 / q0);
        }
        if (L * P > 0.000001) {
            Q[t] = isgap(Q[t - 1]) ? 1.0 : Q[t - 1] * std::sqrt(L * P);
            continue;
        }
        std::snprintf(line, sizeof line, "Warning:  illegal (negative) value in the chain function, in the %dth year.\n", t);
        if (!zero) {
            print(line);
            r.code = -1;
            return r;
        }
        if (t == 1 || restarted[t]) {
            Q[t - 1] = missing;
            Q[t] = missing;
            if (t + 1 < W) {
                Q[t + 1] = 1.0;
                restarted[t + 1] = 1;
            }
        } else if (isgap(Q[t - 1])) {
            print(line);
            r.code = -1;
            return r;
        } else {
            Q[t] = missing;
        }
    }
    double factor = 0.0;
    if (std::fabs(r.N[u]) >= 0.0000001 && !isgap(Q[u])) factor = Q[u] / r.N[u];
    if (std::fabs(factor) < 0.00000000001) {
        r.code = -1;
        return r;
    }
    for (double& x : Q)
        if (!isgap(x)) x /= factor;
    return r;
}

// The kernel sums many periods at a time: bit for bit the rule above, with its messages and the
// floating-point flags, in every version the machine runs; over lengths that leave each version
// a remainder, with values and quantities of zero (breaks and restarts with z), negative values
// (negative links), magnitudes far apart, and a series with an infinity (taken period by period).
TEST(ChainKernels, NominalSumsManyPeriodsAtATimeAreThePeriodByPeriodRule) {
    platform::ScopedScriptedPlatform screen;
    std::mt19937 random(29);
    auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
    const int faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        // 40 pairs: more than the kernel keeps the quotients of (it divides again past 32).
        for (int pairs : {1, 2, 3, 7, 40})
            for (int W : {2, 3, 9, 17, 40, 1999})
                for (int trial = 0; trial < 3; ++trial) {
                    if (pairs == 40 && W == 1999) continue;
                    const bool zero = trial != 1;
                    SCOPED_TRACE(testing::Message() << width << " lanes, " << pairs << " pairs, " << W
                                                    << " periods, trial " << trial);
                    Table v(static_cast<std::size_t>(pairs), std::vector<float>(static_cast<std::size_t>(W)));
                    Table q = v;
                    // Trial 0 has zeros and negative values (breaks, restarts, negative links);
                    // 1 (without z) and 2 have none, so that long runs are summed.
                    const unsigned rare = trial == 0 ? 60 : 1u << 30;
                    for (int t = 0; t < W; ++t)
                        for (int k = 0; k < pairs; ++k) {
                            const int spread = trial == 0 ? 15 : 2;  // magnitudes far apart in trial 0
                            const int power = static_cast<int>(random() % (2 * spread)) - spread;
                            const float value = std::ldexp(1.0f + static_cast<float>(random() % 1000) / 999.0f, power);
                            const unsigned kind = random() % rare;
                            q[k][t] = kind == 0 ? 0.0f : kind == 1 ? 1e-7f : value;
                            v[k][t] = kind == 2 ? 0.0f : kind == 3 ? -value : kind == 4 ? M : value * (1.0f + static_cast<float>(random() % 7));
                        }
                    if (trial == 2 && W > 5) q[0][W / 2] = INFINITY;
                    const int u = static_cast<int>(random() % static_cast<unsigned>(W));
                    std::feclearexcept(FE_ALL_EXCEPT);
                    const NominalRule want = nominalrule(v, q, W, u, zero, 1990);
                    const int wantFlags = std::fetestexcept(faults);
                    screen.platform.lines.clear();
                    clearPendingLine();
                    std::feclearexcept(FE_ALL_EXCEPT);
                    std::vector<double> Q, N;
                    const int code = chwtkernel(v, q, W, u, zero, 1990, Q, N);
                    const int gotFlags = std::fetestexcept(faults);
                    const std::string printed = screen.platform.text() + pendingLine();
                    clearPendingLine();
                    ASSERT_EQ(code, want.code);
                    EXPECT_EQ(gotFlags, wantFlags);
                    if (code != 0) continue;
                    ASSERT_EQ(printed, want.printed);
                    for (int t = 0; t < W; ++t) {
                        ASSERT_EQ(bits(Q[t]), bits(want.Q[t])) << "index at " << t;
                        ASSERT_EQ(bits(N[t]), bits(want.N[t])) << "nominal at " << t;
                    }
                }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

class ChainHandlers : public seriestest::FunctionFixture {
protected:
    void SetUp() override {
        FunctionFixture::SetUp();
        for (int k = 0; k < 3; ++k) {
            std::vector<float> q(obs, M), p(obs, M), v(obs, M);
            for (int t = 0; t < 6; ++t) {
                q[t] = quantities[k][t];
                p[t] = prices[k][t];
                v[t] = p[t] * q[t];
            }
            store(("q" + std::to_string(k + 1)).c_str(), q);
            store(("p" + std::to_string(k + 1)).c_str(), p);
            store(("v" + std::to_string(k + 1)).c_str(), v);
        }
        setfdates(1990, 1995);
    }
};

TEST_F(ChainHandlers, PriceIndexStoredAndReturned) {
    AtCall r = call(atpchain, "(q1, q2, q3, p(1-3), 1992)", 7.0f);
    ASSERT_EQ(r.code, 0) << output();
    std::vector<float> qi, pi;
    ASSERT_EQ(chainkernel(quantities, prices, 6, 2, qi, pi), 0);
    expectSeries(r.values, {pi[0], pi[1], 1, pi[3], pi[4], pi[5], 7}, "@pchain");
    expectSeries(series("chwpi"), {pi[0], pi[1], 1, pi[3], pi[4], pi[5], M}, "chwpi");
    expectSeries(series("chwqi"), {qi[0], qi[1], qi[2], qi[3], qi[4], qi[5], M}, "chwqi");
    EXPECT_EQ(r.text, "(q1,q2,q3,p(\"1-3\"),1992)");
    EXPECT_TRUE(printed("Fisher price chain index requested."));
    EXPECT_TRUE(printed("There are 6 quantity and price variables"));
    EXPECT_TRUE(printed(" p1 p2 p3"));
    EXPECT_TRUE(printed("The base date of the chain function is 1992"));

    AtCall q = call(atqchain, "(q1, q2, q3, p1, p2, p3, 1992)");
    ASSERT_EQ(q.code, 0);
    EXPECT_NEAR(q.values[2], quantities[0][2] + quantities[1][2] + quantities[2][2], 1e-4);
}

TEST_F(ChainHandlers, NominalFormAndItsZOption) {
    AtCall r = call(atqchwt, "(v1, v2, v3, q1, q2, q3, 1993)");
    ASSERT_EQ(r.code, 0) << output();
    const double n3 = sumproduct(prices, 3, quantities, 3);
    EXPECT_NEAR(r.values[3], n3, 1e-4 * n3);
    expectSeries(series("chwni"), {static_cast<float>(sumproduct(prices, 0, quantities, 0))}, "chwni");

    // A base date after the f range widens the working range for the nominal form.
    setfdates(1990, 1992);
    AtCall wide = call(atpchwt, "(v1, v2, v3, q1, q2, q3, 1994)");
    ASSERT_EQ(wide.code, 0) << output();
    EXPECT_TRUE(ismissing(series("chwqi")[3]));  // stored over the f range only

    setfdates(1990, 1995);
    std::vector<float> gap(obs, M);
    for (int t = 0; t < 6; ++t) gap[t] = prices[0][t] * quantities[0][t];
    gap[4] = M;
    store("v1", gap);
    EXPECT_EQ(call(atqchwt, "(v1, v2, v3, q1, q2, q3, 1993)").code, -1);
    EXPECT_TRUE(printed("Error:  in chwt command, there is a missing value in v1 in 1994.000000."));
    output();
    AtCall z = call(atqchwt, "(v1, v2, v3, q1, q2, q3, 1993, z)");
    EXPECT_EQ(z.code, 0) << output();
    EXPECT_TRUE(printed("Replacing missing values with zero."));
}

// The stored series of the nominal form over a range with gaps in its index (breaks restarted
// with z, negative links): the quantity index, the price index (nominal / quantity) and the
// nominal sums, each missing where the rule says, bit for bit what the kernel's index and sums
// give by the rule; every version the machine runs.
TEST_F(ChainHandlers, NominalSeriesFromTheIndexWithGaps) {
    std::vector<float> v1(obs), v2(obs), q1(obs), q2(obs);
    for (int t = 0; t < obs; ++t) {
        q1[t] = 10.0f + static_cast<float>(t % 7);
        q2[t] = 4.0f + static_cast<float>((3 * t) % 5);
        v1[t] = q1[t] * (1.0f + 0.1f * static_cast<float>(t));
        v2[t] = q2[t] * (2.0f - 0.05f * static_cast<float>(t));
    }
    for (int t : {5, 6}) q1[t] = q2[t] = v1[t] = v2[t] = 0.0f;  // breaks: nothing in two periods
    q1[13] = 60.0f;  // a negative link: the quantity of a good of negative value quadruples
    v1[13] = 138.0f;
    v1[12] = -400.0f;
    v2[12] = 410.0f;
    store("v1", v1);
    store("v2", v2);
    store("q1", q1);
    store("q2", q2);
    setfdates(1990, 1990 + obs - 1);
    const Table values = {v1, v2}, quantities = {q1, q2};
    std::vector<double> Q, N;
    ASSERT_EQ(chwtkernel(values, quantities, obs, 2, true, 1990, Q, N), 0) << output();
    bool gaps = false;
    std::vector<float> qi(obs), pi(obs), ni(obs);
    for (int t = 0; t < obs; ++t) {
        const bool gap = ismissing(static_cast<float>(Q[t]));
        gaps = gaps || gap;
        qi[t] = gap ? M : static_cast<float>(Q[t]);
        pi[t] = gap ? M : static_cast<float>(N[t] / Q[t]);
        ni[t] = static_cast<float>(N[t]);
    }
    ASSERT_TRUE(gaps);
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        AtCall r = call(atpchwt, "(v1, v2, q1, q2, 1992, z)");
        ASSERT_EQ(r.code, 0) << output();
        output();
        const std::vector<float> storedQ = series("chwqi"), storedP = series("chwpi"), storedN = series("chwni");
        for (int t = 0; t < obs; ++t) {
            ASSERT_EQ(bits(storedQ[t]), bits(qi[t])) << width << " lanes, quantity index at " << t;
            ASSERT_EQ(bits(storedP[t]), bits(pi[t])) << width << " lanes, price index at " << t;
            ASSERT_EQ(bits(storedN[t]), bits(ni[t])) << width << " lanes, nominal at " << t;
            ASSERT_EQ(bits(r.values[t]), bits(pi[t])) << width << " lanes, value at " << t;
        }
    }
}

TEST_F(ChainHandlers, RefusedLists) {
    struct Case {
        AtHandler handler;
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {atpchain, "(q1, q2, p1, 1992)", "Error in @chain function: Odd number of series: 3."},
        {atpchwt, "(v1, q1, q2, 1992)", "Error in @chwt function: Odd number of series: 3."},
        {atpchwt, "(1992)", "Error:  In @chwt function, zero data series found."},
        {atpchain, "(q1, p1, 1992.1)", "frequency for base date does not match fdates"},
        {atpchain, "(q1, p1)", "frequency for base date does not match fdates"},
        {atpchain, "(q1, p1, 1996)", "lies outside the f dates"},
        {atpchain, "(q1, p1, 1989)", "lies outside the f dates"},
        {atpchain, "(q1, nothere, 1992)", "nothere can't be found."},
        {atpchain, "(q1, p1, 1992, z)", "Error in chain function!"},
        {atpchwt, "(v1, q1, 1992, y)", "Error in chwt function!"},
        {atpchain, "(q1; p1, 1992)", "Error:  when reading text in chain routine."},
        {atpchain, "(q(1-2000), p(1-2000), 1992)", "too many series given (more than 1500)"},
    };
    for (const Case& c : cases) {
        AtCall r = call(c.handler, c.line);
        EXPECT_EQ(r.code, -1) << c.line;
        EXPECT_TRUE(printed(c.message)) << c.line << "\n" << output();
        output();
    }
    // Only the first f date set.
    fdate2 = -1;
    fdate2Date = JexDate();
    EXPECT_EQ(call(atpchain, "(q1, p1, 1992)").code, -1);
    EXPECT_TRUE(printed("need both f dates set"));
}

}  // namespace

}  // namespace functions_chain_test
