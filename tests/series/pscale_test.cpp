// Proportional scaling to a control total: both methods, the result codes, the messages, the
// float entry point, and the Cancel paths of the numerical-error box.
#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/printout.h"
#include "platform/platform.h"
#include "platform/scripted_platform.h"
#include "series/pscale.h"
#include "tests/series/series_fixture.h"
#include "tests/series/scaling_test_util.h"

namespace pscale_test {

namespace {

using scalingtest::FlagRaisingPlatform;

// Values 1..n in a 1-based array with all of them listed.
struct Scaled {
    std::vector<double> x;  // x[0] unused
    std::vector<short> list;
    double factor = -99;
    int code = -99;
};

Scaled solve(std::vector<double> values, double c, char includeZeros = 0) {
    Scaled s;
    s.x.push_back(0);
    for (double v : values) s.x.push_back(v);
    for (size_t i = 1; i <= values.size(); ++i) s.list.push_back(static_cast<short>(i));
    s.code = pscalesolve(s.x.data(), static_cast<short>(values.size()), s.list.data(),
                         static_cast<short>(s.list.size()), c, &s.factor, includeZeros);
    return s;
}

class PscaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPendingLine();
        platform::clearFloatingPointStatus();
    }
    void TearDown() override {
        clearPendingLine();
        platform::clearFloatingPointStatus();
    }
    platform::ScopedScriptedPlatform scripted;
    // The results window as the user sees it: one entry per displayed line.
    std::vector<std::string> shown() const { return scalingtest::splitlines(scripted.platform.text()); }
    void clearShown() { scripted.platform.lines.clear(); }
};

// The absolute-value method: every member moves by f |x|, f = (c - S) / A.
TEST_F(PscaleTest, AbsoluteValueMethodTable) {
    struct Case {
        std::vector<double> x;
        double c;
        std::vector<double> expected;  // from x + |x| (c - S) / A worked by hand
        double factor;
        int code;
    } cases[] = {
        {{1, 2, 3}, 12, {2, 4, 6}, 1.0, 20},        // S 6, A 6, f = 6/6
        {{1, 2, 3}, 3, {0.5, 1, 1.5}, -0.5, 20},    // f = -3/6
        {{-1, 2, 3}, 10, {0, 4, 6}, 1.0, 22},       // c = S + A = 10: the negative one -> 0
        {{-1, 2, 3}, -2, {-2, 0, 0}, -1.0, 23},     // c = S - A = -2: the positive ones -> 0
        {{-1, 2, 3}, 6, {-2.0 / 3, 8.0 / 3, 4}, 1.0 / 3, 20},  // both signs, inside the band
        {{-2, -4}, -9, {-3, -6}, -0.5, 20},         // negatives: S -6, A 6, f = -3/6 -> x (1 - f)
        {{5}, 8, {8}, 0.6, 20},                     // one member gets the whole difference
    };
    for (const Case& k : cases) {
        Scaled s = solve(k.x, k.c);
        SCOPED_TRACE(testing::Message() << "c = " << k.c);
        EXPECT_EQ(s.code, k.code);
        EXPECT_NEAR(s.factor, k.factor, 1e-12);
        ASSERT_EQ(s.x.size(), k.expected.size() + 1);
        double sum = 0;
        for (size_t i = 0; i < k.expected.size(); ++i) {
            EXPECT_NEAR(s.x[i + 1], k.expected[i], 1e-12) << "element " << i + 1;
            sum += s.x[i + 1];
        }
        EXPECT_NEAR(sum, k.c, 1e-12);
    }
    EXPECT_TRUE(shown().empty());
}

// The absolute-value moves of a list, worked one member after the other in list order as the
// method defines them: f = (c - S) / A over the listed valid members, every listed member
// moves by f |x| (at least 1e-100 in size), a member listed twice moving twice.
std::vector<double> movedOneByOne(std::vector<double> x, const std::vector<short>& list, double c) {
    const short n = static_cast<short>(x.size() - 1);
    double S = 0, A = 0;
    for (short i : list)
        if (i >= 1 && i <= n) {
            S += x[static_cast<size_t>(i)];
            A += std::fabs(x[static_cast<size_t>(i)]);
        }
    const double f = (c - S) / A;
    for (short i : list) {
        if (i < 1 || i > n) continue;
        double d = std::fabs(x[static_cast<size_t>(i)]) * f;
        if (std::fabs(d) <= 1e-100) d = d < 0 ? -1e-100 : 1e-100;
        x[static_cast<size_t>(i)] += d;
    }
    return x;
}

// The same bits, so that -0 and 0 differ too.
void expectSameBits(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(std::memcmp(&got[i], &want[i], sizeof(double)), 0)
            << "element " << i << ": " << got[i] << " against " << want[i];
}

struct MoveCase {
    const char* what;
    std::vector<double> x;  // x[0] unused
    std::vector<short> list;
    double c;
};

const MoveCase moveCases[] = {
    {"plain", {0, 0.3, 1.7, 2.9, 0.11}, {1, 2, 3, 4}, 7.3},
    {"both signs", {0, -0.7, 1.3, 2.1, -0.05}, {1, 2, 3, 4}, 4.4},
    {"listed twice, outside, unlisted", {0, 1.1, 2.2, 3.3, 4.4}, {3, 1, 9, 3, -2, 2}, 1.9},
    {"a zero member moves by the least move", {0, 0, 1, 2}, {1, 2, 3}, 2.5},
    {"a subnormal move", {0, 1, 1e-308, 1}, {1, 3, 1, 2}, 3.2},
};

// With the flags clear the moves are made without a check per member; they must be the
// moves made one by one, bit for bit, and the same as when every check speaks (OK each time).
TEST_F(PscaleTest, AbsoluteValueMovesAreTheMovesOneByOne) {
    for (const MoveCase& k : moveCases) {
        SCOPED_TRACE(k.what);
        const std::vector<double> want = movedOneByOne(k.x, k.list, k.c);
        std::vector<double> quiet = k.x;
        double f = 0;
        scripted.platform.answers.assign(3, "ok");
        scripted.platform.boxes.clear();
        platform::clearFloatingPointStatus();
        EXPECT_GE(pscalesolve(quiet.data(), static_cast<short>(k.x.size() - 1), k.list.data(),
                              static_cast<short>(k.list.size()), k.c, &f, 0),
                  20);
        expectSameBits(quiet, want);
        // Only the subnormal move raises a flag (underflow), and its check asks once.
        EXPECT_EQ(scripted.platform.boxes.size(), k.x[2] == 1e-308 ? 1u : 0u);

        FlagRaisingPlatform box;
        platform::install(&box);
        std::feraiseexcept(FE_INVALID);
        std::vector<double> checked = k.x;
        pscalesolve(checked.data(), static_cast<short>(k.x.size() - 1), k.list.data(),
                    static_cast<short>(k.list.size()), k.c, &f, 0);
        platform::install(&scripted.platform);
        platform::clearFloatingPointStatus();
        expectSameBits(checked, want);
        EXPECT_GT(box.inner.boxes.size(), k.list.size());
    }
}

// The scaling of many lines of a table at once (pscalecolumns, pscalerows): where it applies,
// every value, factor and code is bit for bit what pscalesolve gives the lines one by one
// (tables of mixed magnitudes, member lists whole, partial, with a member listed twice and
// members outside the line, lines at their controls, zero lines against zero controls), in
// every version of the passes the machine runs; where a line needs more than the
// absolute-value method (mixed signs that change, a zero control, a value whose move would
// underflow, a NaN, a line listed twice) it declines with the table and the flags as they
// were, and asks nothing.
TEST_F(PscaleTest, ManyLinesAtOnceAreTheLinesOneByOne) {
    const int R = 13, C = 21;
    const std::size_t stride = C + 1;
    auto bits = [](double d) { std::uint64_t u; std::memcpy(&u, &d, sizeof u); return u; };
    std::mt19937 random(17);
    auto table = [&](int kind) {
        std::vector<double> a(static_cast<std::size_t>(R + 1) * stride, -7.0);
        for (int i = 1; i <= R; ++i)
            for (int k = 1; k <= C; ++k) {
                // (Drawn in two statements: the order of a call's arguments is the compiler's.)
                const int power = static_cast<int>(random() % 40) - 20;
                double v = std::ldexp(1.0 + static_cast<double>(random() % 1000) / 999.0, power);
                if (kind == 1 && random() % 7 == 0) v = 0;
                a[static_cast<std::size_t>(i) * stride + k] = v;
            }
        return a;
    };
    struct Case {
        const char* what;
        int kind;
        std::vector<short> members;
        double scale;  // controls: the line's sum times this (1: at the control)
        bool applies;
    };
    std::vector<short> all;
    for (short k = 1; k <= 30; ++k) all.push_back(k);  // (20 past a column's 13 rows are skipped)
    const std::vector<Case> cases = {
        {"whole lines", 0, {}, 1.37, true},
        {"zeros among the values", 1, {}, 0.61, true},
        {"partial list, one listed twice, one outside", 0, {3, 1, 7, 3, 40, -2, 9}, 1.9, true},
        {"every line at its control", 0, {}, 1.0, true},
        {"a zero control", 0, {}, 0.0, false},
    };
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (const Case& k : cases)
            for (bool byColumns : {true, false}) {
                SCOPED_TRACE(testing::Message() << k.what << (byColumns ? ", columns" : ", rows") << ", " << width << " lanes");
                const short across = byColumns ? R : C;
                std::vector<short> members = k.members;
                if (members.empty())
                    for (short i = 1; i <= across; ++i) members.push_back(i);
                const std::vector<double> a = table(k.kind);
                std::vector<int> lines;
                for (int l = byColumns ? C : R; l >= 1; l -= 2) lines.push_back(l);
                std::vector<double> controls, want = a;
                std::vector<double> wantFactor;
                std::vector<int> wantCode;
                for (int l : lines) {
                    std::vector<double> x(static_cast<std::size_t>(across) + 1, 0.0);
                    for (int i = 1; i <= across; ++i)
                        x[i] = byColumns ? a[static_cast<std::size_t>(i) * stride + l] : a[static_cast<std::size_t>(l) * stride + i];
                    double sum = 0;
                    for (short m : members)
                        if (m >= 1 && m <= across) sum += x[m];
                    controls.push_back(sum * k.scale);
                    double f = 0;
                    wantCode.push_back(pscalesolve(x.data(), across, members.data(), static_cast<short>(members.size()),
                                                   controls.back(), &f, 0));
                    wantFactor.push_back(f);
                    for (int i = 1; i <= across; ++i)
                        (byColumns ? want[static_cast<std::size_t>(i) * stride + l] : want[static_cast<std::size_t>(l) * stride + i]) = x[i];
                }
                clearShown();
                platform::clearFloatingPointStatus();
                std::vector<double> got = a, factors(lines.size(), -1.0);
                std::vector<int> codes(lines.size(), -1);
                const bool done = byColumns
                    ? pscalecolumns(got.data(), stride, across, members.data(), static_cast<short>(members.size()),
                                    lines.data(), static_cast<int>(lines.size()), controls.data(), factors.data(), codes.data())
                    : pscalerows(got.data(), stride, across, members.data(), static_cast<short>(members.size()),
                                 lines.data(), static_cast<int>(lines.size()), controls.data(), factors.data(), codes.data());
                EXPECT_FALSE(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW));
                EXPECT_TRUE(shown().empty());
                ASSERT_EQ(done, k.applies);
                const std::vector<double>& expected = done ? want : a;
                for (std::size_t v = 0; v < got.size(); ++v) ASSERT_EQ(bits(got[v]), bits(expected[v])) << "at " << v;
                if (!done) continue;
                for (std::size_t j = 0; j < lines.size(); ++j) {
                    EXPECT_EQ(bits(factors[j]), bits(wantFactor[j])) << "line " << lines[j];
                    EXPECT_EQ(codes[j], wantCode[j]) << "line " << lines[j];
                }
            }
    }
    // Declined whole: a line whose move would underflow, a NaN, a line listed twice, mixed
    // signs whose signs would change; the flags set before stay set and nothing else is.
    std::vector<double> a = table(0);
    std::vector<short> members;
    for (short i = 1; i <= R; ++i) members.push_back(i);
    std::vector<int> lines = {1, 2, 3};
    const std::vector<double> controls = {1e6, 1e6, 1e6};
    std::vector<double> factors(3);
    std::vector<int> codes(3);
    auto declines = [&](std::vector<double> t, std::vector<int> l, const char* what) {
        platform::clearFloatingPointStatus();
        std::feraiseexcept(FE_INEXACT);
        const std::vector<double> before = t;
        EXPECT_FALSE(pscalecolumns(t.data(), stride, R, members.data(), static_cast<short>(members.size()), l.data(),
                                   static_cast<int>(l.size()), controls.data(), factors.data(), codes.data()))
            << what;
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_INEXACT) << what;
        for (std::size_t v = 0; v < t.size(); ++v) ASSERT_EQ(bits(t[v]), bits(before[v])) << what << " at " << v;
    };
    std::vector<double> tiny = a;
    tiny[1 * stride + 2] = 1e-300;  // times a factor below 1e10: below 1e-290
    std::vector<double> t2 = tiny;
    for (int i = 1; i <= R; ++i) t2[static_cast<std::size_t>(i) * stride + 2] *= 1e-12;
    declines(t2, lines, "a move that would underflow");
    std::vector<double> nan = a;
    nan[5 * stride + 3] = std::nan("");
    declines(nan, lines, "a NaN");
    declines(a, {1, 2, 1}, "a line listed twice");
    std::vector<double> mixed = a;
    for (int i = 1; i <= R; ++i) mixed[static_cast<std::size_t>(i) * stride + 1] = 1.0;
    mixed[4 * stride + 1] = -1e7;  // the sum of the values' magnitudes and their sum: far below 1e6
    declines(mixed, lines, "signs that would change");
    platform::clearFloatingPointStatus();
}

// A flag raised by a move itself: the check after that move asks, once; Cancel there puts
// every value back as it came, also a member listed twice and already moved twice.
TEST_F(PscaleTest, FaultOfAMoveAsksAtThatMoveAndCancelPutsEverythingBack) {
    const MoveCase& k = moveCases[4];
    std::vector<double> x = k.x;
    double f = 0;
    scripted.platform.answers = {"cancel"};
    EXPECT_EQ(pscalesolve(x.data(), 3, k.list.data(), 4, k.c, &f, 0), -1);
    EXPECT_TRUE(scalecancelled());
    expectSameBits(x, k.x);
    EXPECT_EQ(f, 0);
    EXPECT_EQ(scripted.platform.boxes,
              (std::vector<std::string>{"[Error] Error:  in proportional scaling routine."}));
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           "Error:  numerical error in proportional scaling routine."}));
}

TEST_F(PscaleTest, NothingToChangeWhenTheSumIsAlreadyTheControl) {
    struct Case { std::vector<double> x; double c; } cases[] = {
        {{1, 2, 3}, 6},
        {{1, 2, 3}, 6 + 6e-7},      // relative difference 1e-7 / 1
        {{0, 0, 0}, 0},
        {{0, 0, 0}, 5e-8},          // a zero control within the tolerance
        {{-1, 2, 3}, 4.00000001},
    };
    for (const Case& k : cases) {
        Scaled s = solve(k.x, k.c);
        EXPECT_EQ(s.code, 0) << k.c;
        EXPECT_EQ(s.factor, 0) << k.c;
        for (size_t i = 0; i < k.x.size(); ++i) EXPECT_EQ(s.x[i + 1], k.x[i]);
    }
    EXPECT_TRUE(shown().empty());
}

// The rank-preserving method on 1, 2, 3 with c = -6: sign-adjusted values -3, -2, -1 (elements
// 3, 2, 1), D = 12, weights 4, 3, 2 would reverse the order. The exponent makes the binding
// pair (elements 2 and 1) equal: 12 (3^(1/n) - 2^(1/n)) = 4^(1/n) + 3^(1/n) + 2^(1/n).
TEST_F(PscaleTest, RankPreservingMethodFindsTheFlatteningExponent) {
    auto binding = [](double n) {
        double a = std::pow(4, 1 / n), b = std::pow(3, 1 / n), c = std::pow(2, 1 / n);
        return 12 * (b - c) - (a + b + c);
    };
    double lo = 1, hi = 10;  // binding(1) > 0 > binding(10)
    ASSERT_GT(binding(lo), 0);
    ASSERT_LT(binding(hi), 0);
    for (int k = 0; k < 200; ++k) {
        double mid = (lo + hi) / 2;
        (binding(mid) > 0 ? lo : hi) = mid;
    }
    const double n = hi;
    EXPECT_NEAR(n, 1.422521, 1e-6);
    const double u4 = std::pow(4, 1 / n), u3 = std::pow(3, 1 / n), u2 = std::pow(2, 1 / n);
    const double U = u4 + u3 + u2;
    const double expected[3] = {1 - 12 * u2 / U, 2 - 12 * u3 / U, 3 - 12 * u4 / U};

    Scaled s = solve({1, 2, 3}, -6);
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.factor, 0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(s.x[i + 1], expected[i], 1e-8) << i + 1;
    EXPECT_NEAR(s.x[1], -2.0321, 1e-4);
    EXPECT_NEAR(s.x[2], -2.0321, 1e-4);
    EXPECT_NEAR(s.x[3], -1.9358, 1e-4);
    EXPECT_NEAR(s.x[1] + s.x[2] + s.x[3], -6, 1e-12);
    EXPECT_LE(s.x[1], s.x[2] + 1e-12);  // the old order survives, the binding pair equal
    EXPECT_LT(s.x[2], s.x[3]);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(sortKeyCount(), 0);
}

// When the plain weights |v| + 1 keep the order they are used as they are.
TEST_F(PscaleTest, RankPreservingMethodKeepsPlainWeightsWhenTheyKeepTheOrder) {
    // -1, 4 to 10: c > S + A = 8 with a negative member. D = 7, weights 2, 5 of 7.
    Scaled s = solve({-1, 4}, 10);
    EXPECT_EQ(s.code, 0);
    EXPECT_NEAR(s.x[1], -1 + 7.0 * 2 / 7, 1e-12);
    EXPECT_NEAR(s.x[2], 4 + 7.0 * 5 / 7, 1e-12);
    // 5 to -7: a single participating member receives the whole difference.
    Scaled one = solve({5}, -7);
    EXPECT_EQ(one.code, 0);
    EXPECT_NEAR(one.x[1], -7, 1e-12);
    // Zero members take no part (include-zeros 0) and keep their value.
    Scaled z = solve({0, 1, 3}, -4);
    EXPECT_EQ(z.x[1], 0);
    EXPECT_NEAR(z.x[2] + z.x[3], -4, 1e-12);
    EXPECT_LE(z.x[2], z.x[3] + 1e-9);
    EXPECT_NEAR(z.x[2], -2, 1e-8);  // the binding pair ends up equal
}

TEST_F(PscaleTest, ZeroControlForNonZeroMembersWarnsAndGives28) {
    Scaled s = solve({1, 2, 3}, 0);
    EXPECT_EQ(s.code, 28);
    // Weights 2, 3, 4 of 9 times D = -6 added.
    EXPECT_NEAR(s.x[1], 1 - 6.0 * 2 / 9, 1e-12);
    EXPECT_NEAR(s.x[2], 0, 1e-12);
    EXPECT_NEAR(s.x[3], 3 - 6.0 * 4 / 9, 1e-12);
    ASSERT_EQ(shown().size(), 3u);
    EXPECT_EQ(shown()[0], "Warning:  vector elements are not zero, but control is zero.");
    EXPECT_EQ(shown()[1],
              "1 (     1.00000000), 2 (     2.00000000), 3 (     3.00000000), ");
    EXPECT_EQ(shown()[2], "control:       0.00000000");
}

// Mixed signs against a zero control: the pair (-2, 1) with weights 3, 2 breaks the order
// whatever the exponent, so the weights end up (all but) uniform: each moves by D / 3.
TEST_F(PscaleTest, ZeroControlWithMixedSignsFallsBackToUniformWeights) {
    Scaled s = solve({-2, 1, 3}, 0);
    EXPECT_EQ(s.code, 28);
    const double D = -2;  // 0 - (-2 + 1 + 3)
    EXPECT_NEAR(s.x[1], -2 + D / 3, 1e-9);
    EXPECT_NEAR(s.x[2], 1 + D / 3, 1e-9);
    EXPECT_NEAR(s.x[3], 3 + D / 3, 1e-9);
    EXPECT_NEAR(s.x[1] + s.x[2] + s.x[3], 0, 1e-12);
    EXPECT_EQ(sortKeyCount(), 0);
}

TEST_F(PscaleTest, ZeroControlListingBreaksAfterEveryFifthMember) {
    Scaled s = solve({1, 1, 1, 1, 1, 1}, 0);
    EXPECT_EQ(s.code, 28);
    ASSERT_EQ(shown().size(), 4u);
    EXPECT_EQ(shown()[1].substr(0, 21), "1 (     1.00000000), ");
    EXPECT_EQ(shown()[2], "6 (     1.00000000), ");
    EXPECT_EQ(shown()[3], "control:       0.00000000");
}

TEST_F(PscaleTest, ZeroMembersAgainstANonZeroControlFail) {
    Scaled s = solve({0, 0, 0}, 5);
    EXPECT_EQ(s.code, -1);
    EXPECT_EQ(s.x, (std::vector<double>{0, 0, 0, 0}));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], "Warning:  vector elements are zero, but control is not zero.");
    // With include-zeros 1 every member takes part with weight 1.
    clearShown();
    Scaled u = solve({0, 0, 0}, 6, 1);
    EXPECT_EQ(u.code, 0);
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(u.x[i], 2, 1e-12);
}

TEST_F(PscaleTest, MembersOutsideTheVectorAreIgnored) {
    std::vector<double> x = {0, 1, 2, 3, 100};
    std::vector<short> list = {1, 0, -3, 3, 9, 4};  // 0, -3 and 9 are not elements of 1..3
    double f = 0;
    int code = pscalesolve(x.data(), 3, list.data(), static_cast<short>(list.size()), 8, &f, 0);
    EXPECT_EQ(code, 20);
    // Members 1 and 3: S 4, A 4, f = 1.
    EXPECT_NEAR(x[1], 2, 1e-12);
    EXPECT_EQ(x[2], 2);
    EXPECT_NEAR(x[3], 6, 1e-12);
    EXPECT_EQ(x[4], 100);
}

TEST_F(PscaleTest, FloatEntryPointClampsAndLeavesUnlistedElementsAlone) {
    // -3e38, 3e38 to 3e38: f = 3e38 / 6e38 = 0.5, so 3e38 would become 4.5e38.
    std::vector<float> x = {0, -3e38f, 3e38f, 5e-38f, 7.25f};
    std::vector<short> list = {1, 2};
    float f = 0;
    int code = pscale(x.data(), 4, list.data(), 2, 3e38f, &f, 0);
    EXPECT_EQ(code, 20);
    EXPECT_FLOAT_EQ(f, 0.5f);
    EXPECT_FLOAT_EQ(x[1], -1.5e38f);
    EXPECT_EQ(x[2], FLT_MAX);
    EXPECT_EQ(x[3], 5e-38f);
    EXPECT_EQ(x[4], 7.25f);

    // Results below 1e-37 in magnitude become 0: 1.5e-37, 4 to 2 gives f = -1/2.
    std::vector<short> both = {1, 2};
    std::vector<float> w = {0, 1.5e-37f, 4.0f};
    code = pscale(w.data(), 2, both.data(), 2, 2.0f, &f, 0);
    EXPECT_EQ(code, 20);
    EXPECT_EQ(w[1], 0.0f);  // 0.75e-37 < 1e-37
    EXPECT_FLOAT_EQ(w[2], 2.0f);
}

TEST_F(PscaleTest, ScaleMessageTable) {
    struct Case { int code; int returns; const char* first; size_t count; } cases[] = {
        {-1, -1, "Error:  in scaling routine.", 1},
        {21, 21, "", 5},
        {22, 22, "", 5},
        {23, 23, "", 5},
        {24, 24, "", 5},
        {25, 25, "The control total is less than zero and all of the elelments are greater than", 3},
        {26, 26, "The control total is greater than zero and all of the elements are less than", 3},
        {27, 27, "The control total is zero and either all of the elements positive or", 3},
        {28, 0, "The control total is zero but the elements are not zero", 1},
        {30, 0, nullptr, 0},
        {0, 0, nullptr, 0},
        {20, 20, nullptr, 0},
    };
    for (const Case& k : cases) {
        clearShown();
        EXPECT_EQ(scalemessage(k.code), k.returns) << k.code;
        ASSERT_EQ(shown().size(), k.count) << k.code;
        if (k.count) {
            EXPECT_EQ(shown()[0], k.first) << k.code;
        }
    }
    clearShown();
    scalemessage(22);
    EXPECT_EQ(shown()[1], "The control total is equal to the sum of the elements and");
    EXPECT_EQ(shown()[4], "The negative elements become zero and their rank order is changed.");
}

TEST_F(PscaleTest, ClampedPowNeitherOverflowsNorUnderflows) {
    EXPECT_NEAR(clampedPow(4, 0.5), 2, 1e-15);
    EXPECT_NEAR(clampedPow(0.25, 0.5), 0.5, 1e-15);
    double big = clampedPow(10, 1000);  // p clamped to 308
    EXPECT_TRUE(std::isfinite(big));
    EXPECT_NEAR(std::log10(big), 308, 1e-9);
    double small = clampedPow(10, -1000);  // p clamped to -307
    EXPECT_GT(small, 0);
    EXPECT_NEAR(std::log10(small), -307, 1e-9);
    EXPECT_FALSE(std::fetestexcept(FE_OVERFLOW | FE_UNDERFLOW));
}

TEST_F(PscaleTest, RtbisWithoutABracketSaysSoWithoutALineEnd) {
    // Weights and gaps of the c = -6 case: the violation is positive over [1, 1.2].
    std::vector<double> w = {4, 3, 2}, lhs = {-1.0 / 12, -1.0 / 12};
    EXPECT_GT(rankViolation(1, w, lhs), 0);
    double root = 0;
    EXPECT_EQ(rtbis(1, 1.2, &root, w, lhs), -1);
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(pendingLine(), "Error:  Root must be bracketed for bisection in rtbis");
    double nlo = 1, nhi = 10;
    EXPECT_EQ(bracketRoot(&nlo, &nhi, w, lhs), 0);
    EXPECT_EQ(bracketRoot(&nlo, &nlo, w, lhs), -1);  // an empty interval
    EXPECT_EQ(rtbis(nlo, nhi, &root, w, lhs), 0);
    EXPECT_NEAR(root, 1.422521, 1e-6);
    EXPECT_LE(rankViolation(root, w, lhs), 0);
}

class PscaleCancelTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPendingLine();
        platform::install(&box);
        std::feraiseexcept(FE_INVALID);  // a fault left by an earlier computation
    }
    void TearDown() override {
        platform::install(nullptr);
        platform::clearFloatingPointStatus();
        clearPendingLine();
    }
    FlagRaisingPlatform box;
};

// Cancel while the members are sorted: the scaling ends at once, values unchanged, -1.
TEST_F(PscaleCancelTest, CancelDuringTheSortEndsWithValuesUnchanged) {
    // Box 1: the check on entry (OK). Box 2: the first comparison of the sort (Cancel).
    box.inner.answers = {"ok", "cancel"};
    Scaled s = solve({1, 2, 3, 4, 5, 6, 7, 8}, -6);
    EXPECT_EQ(s.code, -1);
    EXPECT_EQ(s.x, (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(box.inner.boxes.size(), 2u);
    EXPECT_EQ(box.inner.boxes[1], "[Error] Error:  in proportional scaling routine.");
    EXPECT_EQ(sortKeyCount(), 0);
    EXPECT_EQ(box.inner.lines.back(), "Error:  numerical error in proportional scaling routine.");
}

// OK at every box: the scaling runs to the end and the result is the same as without faults.
TEST_F(PscaleCancelTest, OkAtEveryBoxScalesAsUsual) {
    Scaled s = solve({1, 2, 3}, -6);
    EXPECT_EQ(s.code, 0);
    EXPECT_NEAR(s.x[1] + s.x[2] + s.x[3], -6, 1e-9);
    EXPECT_NEAR(s.x[3], -1.9358, 1e-4);
    EXPECT_GT(box.inner.boxes.size(), 10u);
}

// Every Cancel ends the scaling at once with the values as they came and -1; 27 keeps its
// meaning "all zero".
TEST_F(PscaleCancelTest, CancelAtAnyCheckLeavesTheValuesAndGivesMinusOne) {
    struct Case {
        const char* what;
        std::vector<double> x;
        double c;
        std::vector<std::string> answers;
    } cases[] = {
        {"entry", {1, 2, 3}, 12, {"cancel"}},
        // The absolute-value method checks after each move and each addition.
        {"after the first move", {1, 2, 3}, 12, {"ok", "ok", "cancel"}},
        {"after the second addition", {1, 2, 3}, 12, {"ok", "ok", "ok", "ok", "cancel"}},
        {"after the rank-preserving sort", {1, 2}, -6, {"ok", "ok", "cancel"}},
        {"in the exponent search", {1, 2, 3}, -6,
         {"ok", "ok", "ok", "ok", "ok", "ok", "ok", "cancel"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::feraiseexcept(FE_INVALID);
        box.inner.boxes.clear();
        box.inner.answers.assign(k.answers.begin(), k.answers.end());
        Scaled s = solve(k.x, k.c);
        EXPECT_EQ(s.code, -1);
        EXPECT_EQ(s.factor, 0);
        std::vector<double> unchanged = {0};
        unchanged.insert(unchanged.end(), k.x.begin(), k.x.end());
        EXPECT_EQ(s.x, unchanged);
        EXPECT_TRUE(scalecancelled());
        EXPECT_EQ(box.inner.boxes.size(), k.answers.size());  // no question after the Cancel
        EXPECT_EQ(sortKeyCount(), 0);
    }
}

TEST_F(PscaleCancelTest, CancelInTheFloatEntryLeavesTheFloats) {
    std::vector<short> list = {1, 2, 3};
    // Entry, after the copy, inside pscalesolve, after it, during the conversion back.
    for (int at = 1; at <= 5; ++at) {
        SCOPED_TRACE(at);
        std::feraiseexcept(FE_INVALID);
        box.inner.boxes.clear();
        box.inner.answers.clear();
        for (int k = 1; k < at; ++k) box.inner.answers.push_back("ok");
        box.inner.answers.push_back("cancel");
        std::vector<float> x = {0, 1, 2, 3};
        float f = 9;
        EXPECT_EQ(pscale(x.data(), 3, list.data(), 3, 3.0f, &f, 0), -1);
        EXPECT_EQ(x, (std::vector<float>{0, 1, 2, 3}));
        EXPECT_EQ(f, 0);
        EXPECT_TRUE(scalecancelled());
    }
    // Without a Cancel the same call scales: 1, 2, 3 to 3 halves them.
    std::feraiseexcept(FE_INVALID);
    box.inner.answers.clear();
    std::vector<float> x = {0, 1, 2, 3};
    float f = 0;
    EXPECT_EQ(pscale(x.data(), 3, list.data(), 3, 3.0f, &f, 0), 20);
    EXPECT_EQ(x, (std::vector<float>{0, 0.5f, 1, 1.5f}));
    EXPECT_FALSE(scalecancelled());
}

}  // namespace

}  // namespace pscale_test
