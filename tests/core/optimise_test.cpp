// Minimisers, the Broyden solver, linear and quadratic programming.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/lprog.h"
#include "core/matrix.h"
#include "core/minimise.h"
#include "core/printout.h"
#include "core/qprog.h"
#include "core/vector.h"
#include "platform/platform.h"
#include "platform/scripted_platform.h"

namespace optimise_test {

namespace {

class OptimiseTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPendingLine();
        platform::clearFloatingPointStatus();
    }
    void TearDown() override { clearPendingLine(); }
    std::string out() const { return scripted.platform.text() + pendingLine(); }
    const std::vector<std::string>& boxes() const { return scripted.platform.boxes; }
    platform::ScopedScriptedPlatform scripted;
};

Matrix<double> matrixOf(std::vector<std::vector<double>> rows, int cols = -1) {
    int r = static_cast<int>(rows.size());
    int c = cols >= 0 ? cols : (r ? static_cast<int>(rows[0].size()) : 0);
    Matrix<double> m(r, c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) m(i + 1, j + 1) = rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    return m;
}

Vector<double> vectorOf(std::vector<double> values) {
    Vector<double> v(static_cast<int>(values.size()), 1);
    for (int i = 0; i < static_cast<int>(values.size()); ++i) v[i + 1] = values[static_cast<std::size_t>(i)];
    return v;
}

// ---- dfpmin and lnsrch ------------------------------------------------------------------

struct Counting : SolverContext {
    int calls = 0;
};

double bowl(Vector<double>& x, SolverContext& ctx) {
    ++static_cast<Counting&>(ctx).calls;
    return (x[1] - 1) * (x[1] - 1) + (x[2] + 2) * (x[2] + 2);
}

void bowlGradient(Vector<double>& x, Vector<double>& g, SolverContext&) {
    g[1] = 2 * (x[1] - 1);
    g[2] = 2 * (x[2] + 2);
}

double rosenbrock(Vector<double>& x, SolverContext&) {
    double a = 1 - x[1], b = x[2] - x[1] * x[1];
    return a * a + 100 * b * b;
}

void rosenbrockGradient(Vector<double>& x, Vector<double>& g, SolverContext&) {
    g[1] = -2 * (1 - x[1]) - 400 * x[1] * (x[2] - x[1] * x[1]);
    g[2] = 200 * (x[2] - x[1] * x[1]);
}

TEST_F(OptimiseTest, DfpminFindsMinimumOfBowl) {
    Vector<double> p = vectorOf({0, 0});
    Counting ctx;
    int iter = 0;
    double value = -1;
    EXPECT_EQ(dfpmin(p, 1e-8, iter, value, bowl, bowlGradient, ctx), 0);
    EXPECT_NEAR(p[1], 1.0, 1e-8);
    EXPECT_NEAR(p[2], -2.0, 1e-8);
    EXPECT_NEAR(value, 0.0, 1e-12);
    EXPECT_GE(iter, 1);
    EXPECT_LE(iter, 4);
    // One progress line per iteration, the first starting from the value 5 at (0, 0).
    const auto& lines = scripted.platform.lines;
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("Iteration 1, LL 5.000000   d(x) ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("   d(gradient) "), std::string::npos);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(OptimiseTest, DfpminRosenbrock) {
    Vector<double> p = vectorOf({-1.2, 1});
    Counting ctx;
    int iter = 0;
    double value = 0;
    EXPECT_EQ(dfpmin(p, 1e-10, iter, value, rosenbrock, rosenbrockGradient, ctx), 0);
    EXPECT_NEAR(p[1], 1.0, 1e-4);
    EXPECT_NEAR(p[2], 1.0, 1e-4);
}

TEST_F(OptimiseTest, DfpminFailsAtStationaryStart) {
    Vector<double> p = vectorOf({1, -2});
    Counting ctx;
    int iter = 0;
    double value = 0;
    EXPECT_EQ(dfpmin(p, 1e-8, iter, value, bowl, bowlGradient, ctx), -1);
    EXPECT_EQ(out(), "Iteration 1, LL 0.000000Roundoff problem in lnsrch.");
}

TEST_F(OptimiseTest, LnsrchRejectsAscentAndSteps) {
    Counting ctx;
    Vector<double> xold = vectorOf({0, 0}), g(2, 1), x(2, 1);
    bowlGradient(xold, g, ctx);  // (-2, 4)
    Vector<double> ascent = vectorOf({-1, 1});
    double f = 0;
    int check = -1;
    EXPECT_EQ(lnsrch(2, xold, 5.0, g, ascent, x, f, 100, check, bowl, ctx), -1);
    EXPECT_EQ(out(), "Roundoff problem in lnsrch.");
    // The Newton step (1, -2) is accepted whole.
    Vector<double> newton = vectorOf({1, -2});
    EXPECT_EQ(lnsrch(2, xold, 5.0, g, newton, x, f, 100, check, bowl, ctx), 0);
    EXPECT_EQ(check, 0);
    EXPECT_EQ(f, 0.0);
    EXPECT_EQ(x[1], 1.0);
    // A step three times too long is cut back by the quadratic model to the minimum.
    Vector<double> longStep = vectorOf({3, -6});
    EXPECT_EQ(lnsrch(2, xold, 5.0, g, longStep, x, f, 100, check, bowl, ctx), 0);
    EXPECT_NEAR(f, 0.0, 1e-12);
    EXPECT_NEAR(x[1], 1.0, 1e-6);
}

// ---- broydn -------------------------------------------------------------------------------

struct System : SolverContext {
    int calls = 0;
    bool throwOnCall = false;
};

// x1^2 + x2^2 = 4, x1 - x2 = 0: root (sqrt 2, sqrt 2) from a positive start.
void circleLine(Vector<double>& x, SolverContext& ctx) {
    auto& s = static_cast<System&>(ctx);
    ++s.calls;
    if (s.throwOnCall && s.calls > 1) throw Jex7Errors("callback failed");
    Vector<double>& f = *ctx.functionValues;
    f[1] = x[1] * x[1] + x[2] * x[2] - 4;
    f[2] = x[1] - x[2];
}

// The second variable does not enter: a zero column of the Jacobian.
void ignoresSecond(Vector<double>& x, SolverContext& ctx) {
    Vector<double>& f = *ctx.functionValues;
    f[1] = x[1] - 1;
    f[2] = 2 * x[1] - 3;
}

TEST_F(OptimiseTest, BroydnSolvesSmallSystem) {
    Vector<double> x = vectorOf({1, 2});
    System ctx;
    int check = -1;
    EXPECT_EQ(broydn(x, check, circleLine, ctx), 0);
    EXPECT_EQ(check, 0);
    EXPECT_NEAR(x[1], std::sqrt(2.0), 1e-4);
    EXPECT_NEAR(x[2], std::sqrt(2.0), 1e-4);
    EXPECT_EQ(ctx.functionValues, nullptr);  // the slot is as it was
    EXPECT_EQ(ctx.vectorFunction, nullptr);
}

TEST_F(OptimiseTest, BroydnAtRootReturnsAtOnce) {
    Vector<double> x = vectorOf({std::sqrt(2.0), std::sqrt(2.0)});
    System ctx;
    int check = -1;
    EXPECT_EQ(broydn(x, check, circleLine, ctx), 0);
    EXPECT_EQ(check, 0);
    EXPECT_EQ(ctx.calls, 1);  // no Jacobian was evaluated
}

TEST_F(OptimiseTest, BroydnSingularJacobianThrowsAndRestoresSlot) {
    Vector<double> x = vectorOf({0, 0});
    System ctx;
    Vector<double> mine(2, 1);
    ctx.functionValues = &mine;
    int check = 0;
    try {
        broydn(x, check, ignoresSecond, ctx);
        ADD_FAILURE() << "no exception";
    } catch (const Jex7Errors& e) {
        EXPECT_STREQ(e.text(), "Error:  type singular Jacobian in broydn.\n");
    }
    EXPECT_EQ(ctx.functionValues, &mine);
    EXPECT_EQ(ctx.vectorFunction, nullptr);
    EXPECT_EQ(broydnSize, 0);
}

// An exception from the caller's own function inside fdjac leaves the slot and the point
// as they were.
TEST_F(OptimiseTest, CallbackExceptionRestoresSlotAndPoint) {
    Vector<double> x = vectorOf({1, 2});
    System ctx;
    ctx.throwOnCall = true;
    int check = 0;
    EXPECT_THROW(broydn(x, check, circleLine, ctx), Jex7Errors);
    EXPECT_EQ(ctx.functionValues, nullptr);
    EXPECT_EQ(x[1], 1.0);
    EXPECT_EQ(x[2], 2.0);
}

TEST_F(OptimiseTest, QrPieces) {
    // R x = b with R = [[2, 1], [0, 4]] (diagonal held in d): x = (0.5, 1) for b = (2, 4).
    Matrix<double> r = matrixOf({{0, 1}, {0, 0}});
    Vector<double> d = vectorOf({2, 4}), b = vectorOf({2, 4});
    rsolv(r, d, b);
    EXPECT_DOUBLE_EQ(b[1], 0.5);
    EXPECT_DOUBLE_EQ(b[2], 1.0);

    // qrdcmp: |d_k| are the diagonal magnitudes of R, and |R11 R22| = |det A| = 5.
    Matrix<double> a = matrixOf({{3, 1}, {4, 3}});
    Vector<double> c(2, 1), diag(2, 1);
    int sing = -1;
    qrdcmp(a, c, diag, sing);
    EXPECT_EQ(sing, 0);
    EXPECT_NEAR(std::fabs(diag[1]), 5.0, 1e-6);
    EXPECT_NEAR(std::fabs(diag[1] * diag[2]), 5.0, 1e-6);
    Matrix<double> zeroCol = matrixOf({{0, 1}, {0, 2}});
    qrdcmp(zeroCol, c, diag, sing);
    EXPECT_EQ(sing, 1);
}

// ---- LPROG --------------------------------------------------------------------------------

struct LpCase {
    const char* name;
    std::vector<std::vector<double>> A;
    std::vector<double> b, c;
    int neq, phaseOnly, status;
    std::vector<double> x;  // expected point when the status is 0
};

TEST_F(OptimiseTest, LprogTable) {
    const std::vector<LpCase> cases = {
        {"max x1+x2", {{1, 2}, {3, 1}}, {4, 6}, {-1, -1}, 0, 0, 0, {1.6, 1.2}},
        {"phase I point", {{1, 2}, {3, 1}}, {4, 6}, {-1, -1}, 0, 1, 0, {1.6, 1.2}},
        {"equality", {{1, 1}}, {1}, {1, 2}, 1, 0, 0, {1, 0}},
        {"contradictory", {{1, 1}, {1, 1}}, {1, 0.5}, {1, 1}, 1, 1, 1, {}},
        {"negative equality rhs", {{1, 1}}, {-1}, {1, 1}, 1, 1, 1, {}},
        {"negative inequality rhs", {{1, 1}}, {-1}, {1, 1}, 0, 0, 1, {}},
        {"flipped rhs feasible", {{-1, -1}, {1, 0}}, {-2, 5}, {1, 1}, 0, 0, 0, {2, 0}},
        {"unbounded", {{1, -1}}, {1}, {-1, 0}, 0, 0, 2, {}},
        {"no constraints", {}, {}, {1, 2}, 0, 0, 0, {0, 0}},
    };
    for (const LpCase& t : cases) {
        SCOPED_TRACE(t.name);
        Matrix<double> A = matrixOf(t.A, 2);
        Vector<double> b = vectorOf(t.b), c = vectorOf(t.c), x;
        int status = -99;
        LPROG(x, c, A, b, t.neq, &status, 100, t.phaseOnly, 1e-8, 'n');
        EXPECT_EQ(status, t.status);
        if (t.status == 0) {
            ASSERT_EQ(x.count(), 2);
            EXPECT_NEAR(x[1], t.x[0], 1e-12);
            EXPECT_NEAR(x[2], t.x[1], 1e-12);
        }
        if (t.status == 0 || t.status == 1) {  // never a point that breaks x >= 0
            for (int i = 1; i <= x.count(); ++i) EXPECT_GE(x[i], 0.0);
        }
    }
}

TEST_F(OptimiseTest, LprogMessages) {
    Matrix<double> A = matrixOf({{1, 1}, {1, 1}});
    Vector<double> b = vectorOf({1, 0.5}), c = vectorOf({1, 1}), x;
    int status = 0;
    LPROG(x, c, A, b, 1, &status, 100, 0, 1e-8, 'n');
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out(), "Error: Contradictory constraints.\n");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[Error] Error:  unbounded problem in QP");

    scripted.platform.lines.clear();
    Matrix<double> wrong = matrixOf({{1, 2, 3}});
    Vector<double> b1 = vectorOf({1});
    LPROG(x, c, wrong, b1, 0, &status, 100, 0, 1e-8, 'n');
    EXPECT_EQ(status, -1);
    EXPECT_EQ(out(), "Error: A should be 1x2 not 1x3  in LPROG.\n");
    scripted.platform.lines.clear();
    Matrix<double> A1 = matrixOf({{1, 2}});
    Vector<double> b2 = vectorOf({1, 2});
    LPROG(x, c, A1, b2, 0, &status, 100, 0, 1e-8, 'n');
    EXPECT_EQ(status, -1);
    EXPECT_EQ(out(), "Error: b should be 1x1 not 2x1 in LPROG.\n");
    scripted.platform.lines.clear();
    LPROG(x, c, A1, b1, 2, &status, 100, 0, 1e-8, 'n');
    EXPECT_EQ(status, -1);

    scripted.platform.lines.clear();
    Matrix<double> A2 = matrixOf({{1, 2}, {3, 1}});
    Vector<double> b3 = vectorOf({4, 6}), c2 = vectorOf({-1, -1});
    LPROG(x, c2, A2, b3, 0, &status, 0, 1, 1e-8, 'n');
    EXPECT_EQ(status, 3);
    EXPECT_EQ(out(), "The phase I of simplex method does not converges after 0 iterations.\n");

    scripted.platform.lines.clear();
    LPROG(x, c2, A2, b3, 0, &status, 100, 0, 1e-8, 'y');
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out(), "In LPROG, minimum = -2.800000\n\nsolution x = \n  1    1.60000    1.20000\n");
}

// A basis whose determinant is below the tolerance ends with status 4 in either phase.
TEST_F(OptimiseTest, LprogSingularBasis) {
    Matrix<double> A = matrixOf({{1, 2}, {3, 1}});
    Vector<double> b = vectorOf({4, 6}), c = vectorOf({-1, -1}), x;
    int status = 0;
    // The first basis is the identity (determinant 1): a tolerance above 1 fails phase I.
    LPROG(x, c, A, b, 0, &status, 100, 1, 2.0, 'n');
    EXPECT_EQ(status, 4);
    EXPECT_EQ(out(), "Error: The determinant of B is equal to zero.\n");

    // Phase I ends at the slack basis (det 1); phase II's first pivot makes det 0.5 < 0.8.
    scripted.platform.lines.clear();
    Matrix<double> A2 = matrixOf({{0.5, 0}, {0, 0.5}});
    Vector<double> b2 = vectorOf({1, 1}), c2 = vectorOf({-1, -1});
    LPROG(x, c2, A2, b2, 0, &status, 100, 0, 0.8, 'n');
    EXPECT_EQ(status, 4);
    EXPECT_NE(out().find("The determinant of B is equal to zero.\n"), std::string::npos);
}

TEST_F(OptimiseTest, LuDecompAndSolver) {
    // A zero pivot where the row is not zero: replaced by 1e-20, the decomposition completes.
    Matrix<double> a = matrixOf({{1, 1}, {1, 1}});
    Vector<int> perm;
    int status = 0;
    ludecomp(a, perm, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(a(2, 2), 1e-20);

    // B = [[0, 2, 1], [1, 1, 0], [3, 0, 1]] against known solutions of B x = v and B' y = w.
    Matrix<double> B = matrixOf({{0, 2, 1}, {1, 1, 0}, {3, 0, 1}});
    Matrix<double> lu = B;
    ludecomp(lu, perm, &status);
    ASSERT_EQ(status, 0);
    Vector<double> x = vectorOf({0, 0, 5});  // leading zeros; x = (5/3, -5/3, 0) ... checked below
    lusolver(lu, x, perm, &status, 0);
    for (int i = 1; i <= 3; ++i) {
        double s = 0;
        for (int j = 1; j <= 3; ++j) s += B(i, j) * x[j];
        EXPECT_NEAR(s, i == 3 ? 5 : 0, 1e-12);
    }
    Vector<double> y = vectorOf({1, 2, 3});
    lusolver(lu, y, perm, &status, 1);
    for (int j = 1; j <= 3; ++j) {
        double s = 0;
        for (int i = 1; i <= 3; ++i) s += B(i, j) * y[i];
        EXPECT_NEAR(s, j, 1e-12);
    }
    EXPECT_EQ(status, 0);

    // On a random matrix (no tiny pivots) the factors are exactly those of Matrix::ludcmp,
    // and the permutation is the product of its row exchanges.
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> u(-1, 1);
    const int n = 70;
    Matrix<double> big(n, n);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) big(i, j) = u(gen);
    Matrix<double> f1 = big, f2 = big;
    Vector<double> indx;
    double sign = 0;
    f1.ludcmp(indx, sign);
    ludecomp(f2, perm, &status);
    ASSERT_EQ(status, 0);
    int mismatches = 0;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) mismatches += f1(i, j) != f2(i, j);
    EXPECT_EQ(mismatches, 0);
    std::vector<int> order(n + 1);
    for (int i = 1; i <= n; ++i) order[static_cast<std::size_t>(i)] = i;
    for (int i = 1; i <= n; ++i) std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(indx[i])]);
    for (int i = 1; i <= n; ++i) EXPECT_EQ(perm[i], order[static_cast<std::size_t>(i)]);

    Matrix<double> zeroRow = matrixOf({{1, 2}, {0, 0}});
    ludecomp(zeroRow, perm, &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out().find("Error: Singular matrix in ludecomp."), std::string::npos);

    status = 0;
    Matrix<double> wide = matrixOf({{1, 2, 3}});
    ludecomp(wide, perm, &status);
    EXPECT_EQ(status, -1);
    status = 0;
    Vector<double> shortV = vectorOf({1});
    lusolver(lu, shortV, perm, &status, 0);
    EXPECT_EQ(status, -1);
}

// Small random programs against brute force: every basic solution of [A I] x = b (m of the
// n + m columns) is solved by plain elimination; the best feasible one is the optimum.
double bruteForceMinimum(const std::vector<std::vector<double>>& A, const std::vector<double>& b,
                         const std::vector<double>& c) {
    const int m = static_cast<int>(A.size()), n = static_cast<int>(c.size()), total = n + m;
    double best = 1e300;
    for (int mask = 0; mask < (1 << total); ++mask) {
        if (__builtin_popcount(static_cast<unsigned>(mask)) != m) continue;
        std::vector<int> cols;
        for (int k = 0; k < total; ++k)
            if (mask & (1 << k)) cols.push_back(k);
        std::vector<std::vector<double>> M(static_cast<std::size_t>(m), std::vector<double>(static_cast<std::size_t>(m + 1)));
        for (int i = 0; i < m; ++i) {
            for (int k = 0; k < m; ++k) {
                int col = cols[static_cast<std::size_t>(k)];
                M[i][k] = col < n ? A[i][col] : (col - n == i ? 1.0 : 0.0);
            }
            M[i][m] = b[i];
        }
        bool singular = false;
        for (int k = 0; k < m && !singular; ++k) {
            int piv = k;
            for (int i = k + 1; i < m; ++i)
                if (std::fabs(M[i][k]) > std::fabs(M[piv][k])) piv = i;
            if (std::fabs(M[piv][k]) < 1e-12) singular = true;
            if (singular) break;
            std::swap(M[k], M[piv]);
            for (int i = 0; i < m; ++i) {
                if (i == k) continue;
                double f = M[i][k] / M[k][k];
                for (int j = k; j <= m; ++j) M[i][j] -= f * M[k][j];
            }
        }
        if (singular) continue;
        double value = 0;
        bool feasible = true;
        for (int k = 0; k < m; ++k) {
            double v = M[k][m] / M[k][k];
            if (v < -1e-9) feasible = false;
            int col = cols[static_cast<std::size_t>(k)];
            if (col < n) value += c[col] * v;
        }
        if (feasible) best = std::min(best, value);
    }
    return best;
}

TEST_F(OptimiseTest, LprogMatchesBruteForce) {
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> u(0.1, 1.0);
    for (int trial = 0; trial < 20; ++trial) {
        SCOPED_TRACE(trial);
        const int m = 3, n = 4;
        std::vector<std::vector<double>> A(m, std::vector<double>(n));
        std::vector<double> b(m), c(n);
        for (auto& row : A)
            for (double& a : row) a = u(gen);
        for (double& v : b) v = 2 * u(gen);
        for (double& v : c) v = -u(gen);
        Matrix<double> Am = matrixOf(A);
        Vector<double> bv = vectorOf(b), cv = vectorOf(c), x;
        int status = -99;
        LPROG(x, cv, Am, bv, 0, &status, 100, 0, 1e-10, 'n');
        ASSERT_EQ(status, 0);
        double value = 0;
        for (int j = 0; j < n; ++j) {
            EXPECT_GE(x[j + 1], -1e-12);
            value += c[j] * x[j + 1];
        }
        for (int i = 0; i < m; ++i) {
            double lhs = 0;
            for (int j = 0; j < n; ++j) lhs += A[i][j] * x[j + 1];
            EXPECT_LE(lhs, b[i] + 1e-9);
        }
        EXPECT_NEAR(value, bruteForceMinimum(A, b, c), 1e-9);
    }
}

// ---- QPROG --------------------------------------------------------------------------------

struct QpCase {
    const char* name;
    std::vector<std::vector<double>> Q, A;
    std::vector<double> c, b;
    int neq, status;
    std::vector<double> x;
    double minimum;
};

TEST_F(OptimiseTest, QprogTable) {
    const std::vector<QpCase> cases = {
        {"not binding", {{1, 0}, {0, 1}}, {{1, 1}}, {-1, -2}, {10}, 0, 0, {1, 2}, -2.5},
        {"binding", {{1, 0}, {0, 1}}, {{1, 1}}, {-1, -2}, {1}, 0, 0, {0, 1}, -1.5},
        {"equality", {{1, 0}, {0, 1}}, {{1, 1}}, {0, 0}, {1}, 1, 0, {0.5, 0.5}, 0.25},
        {"bound binds", {{1, 0}, {0, 1}}, {{1, 1}}, {1, -2}, {10}, 0, 0, {0, 2}, -2},
        {"bounds only", {{1, 0}, {0, 1}}, {}, {-1, 2}, {}, 0, 0, {1, 0}, -0.5},
        {"coupled", {{2, 1}, {1, 2}}, {{1, 1}}, {-3, -3}, {10}, 0, 0, {1, 1}, -3},
        {"infeasible", {{1, 0}, {0, 1}}, {{1, 1}, {1, 1}}, {0, 0}, {1, 0.5}, 1, -3, {}, 0},
        {"negative rhs infeasible", {{1, 0}, {0, 1}}, {{1, 1}}, {0, 0}, {-1}, 0, -3, {}, 0},
    };
    for (const QpCase& t : cases) {
        SCOPED_TRACE(t.name);
        Matrix<double> Q = matrixOf(t.Q), A = matrixOf(t.A, 2);
        Vector<double> c = vectorOf(t.c), b = vectorOf(t.b), x, lambda;
        int status = -99;
        QPROG(x, Q, c, A, b, lambda, t.neq, &status, 'n', 200, 1e-6);
        EXPECT_EQ(status, t.status);
        if (t.status != 0) continue;
        EXPECT_NEAR(x[1], t.x[0], 1e-6);
        EXPECT_NEAR(x[2], t.x[1], 1e-6);
        double f = c[1] * x[1] + c[2] * x[2] +
                   0.5 * (x[1] * (Q(1, 1) * x[1] + Q(1, 2) * x[2]) + x[2] * (Q(2, 1) * x[1] + Q(2, 2) * x[2]));
        EXPECT_NEAR(f, t.minimum, 1e-6);
        EXPECT_EQ(lambda.count(), A.rows());
    }
}

TEST_F(OptimiseTest, QprogMessagesAndPrint) {
    Matrix<double> Q1 = matrixOf({{1}}), A1 = matrixOf({{1}});
    Vector<double> c1 = vectorOf({1}), b1 = vectorOf({1}), x, lambda;
    int status = 0;
    QPROG(x, Q1, c1, A1, b1, lambda, 0, &status, 'n', 200, 1e-6);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(out(), "\nError: No. of variables less that 2.\n");
    EXPECT_EQ(boxes().back(), "[Warning] Error: No. of variables less that 2 in QP");

    scripted.platform.lines.clear();
    clearPendingLine();
    Matrix<double> Q = matrixOf({{1, 0}, {0, 1}}), A = matrixOf({{1, 1, 1}});
    Vector<double> c = vectorOf({-1, -2}), b = vectorOf({1});
    QPROG(x, Q, c, A, b, lambda, 0, &status, 'n', 200, 1e-6);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(out(), "\nError: Dimensions in inputs wrong in QPROG");

    scripted.platform.lines.clear();
    clearPendingLine();
    Matrix<double> A2 = matrixOf({{1, 1}});
    QPROG(x, Q, c, A2, b, lambda, 2, &status, 'n', 200, 1e-6);  // more equalities than rows
    EXPECT_EQ(status, -2);

    scripted.platform.lines.clear();
    clearPendingLine();
    QPROG(x, Q, c, A2, b, lambda, 0, &status, 'y', 200, 1e-6);
    EXPECT_EQ(status, 0);
    std::string text = out();
    EXPECT_NE(text.find("nvar = 2   ncon = 3   neq = 0\n"), std::string::npos);
    EXPECT_NE(text.find("\nInitial feasible solution\n"), std::string::npos);
    EXPECT_NE(text.find("      minimum = -1.500000\n"), std::string::npos);
}

// Bound-constrained problems of 4 variables against the enumeration of every set of free
// variables: the KKT point (x_S solves Q_SS x_S = -c_S with x_S >= 0, the gradient of the
// fixed variables >= 0) is the unique minimum of a positive definite Q.
TEST_F(OptimiseTest, QprogMatchesKktEnumeration) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> u(-1, 1);
    const int n = 4;
    for (int trial = 0; trial < 10; ++trial) {
        SCOPED_TRACE(trial);
        double M[n][n], Qa[n][n], ca[n];
        for (auto& row : M)
            for (double& v : row) v = u(gen);
        for (int i = 0; i < n; ++i) {
            ca[i] = u(gen);
            for (int j = 0; j < n; ++j) {
                Qa[i][j] = i == j ? 0.5 : 0.0;
                for (int k = 0; k < n; ++k) Qa[i][j] += M[k][i] * M[k][j];
            }
        }
        std::vector<double> expected;
        for (int mask = 0; mask < (1 << n) && expected.empty(); ++mask) {
            std::vector<int> freeVars;
            for (int i = 0; i < n; ++i)
                if (mask & (1 << i)) freeVars.push_back(i);
            const int k = static_cast<int>(freeVars.size());
            std::vector<std::vector<double>> S(k, std::vector<double>(k + 1));
            for (int a = 0; a < k; ++a) {
                for (int b = 0; b < k; ++b) S[a][b] = Qa[freeVars[a]][freeVars[b]];
                S[a][k] = -ca[freeVars[a]];
            }
            for (int p = 0; p < k; ++p)  // Q_SS is positive definite: no pivoting needed
                for (int a = 0; a < k; ++a) {
                    if (a == p) continue;
                    double f = S[a][p] / S[p][p];
                    for (int b = p; b <= k; ++b) S[a][b] -= f * S[p][b];
                }
            std::vector<double> x(n, 0.0);
            bool ok = true;
            for (int a = 0; a < k; ++a) {
                x[freeVars[a]] = S[a][k] / S[a][a];
                ok = ok && x[freeVars[a]] >= 0;
            }
            for (int i = 0; i < n && ok; ++i) {
                if (mask & (1 << i)) continue;
                double g = ca[i];
                for (int j = 0; j < n; ++j) g += Qa[i][j] * x[j];
                ok = g >= 0;
            }
            if (ok) expected = x;
        }
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(n));
        Matrix<double> Q(n, n), A(0, n);
        Vector<double> c(n, 1), b(0, 1), x, lambda;
        for (int i = 0; i < n; ++i) {
            c[i + 1] = ca[i];
            for (int j = 0; j < n; ++j) Q(i + 1, j + 1) = Qa[i][j];
        }
        int status = -99;
        QPROG(x, Q, c, A, b, lambda, 0, &status, 'n', 200, 1e-6);
        EXPECT_EQ(status, 0);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i + 1], expected[static_cast<std::size_t>(i)], 1e-5);
    }
}

// Values below 1e-7, negative ones included, are reported as 0.
TEST_F(OptimiseTest, QprogZeroesTinyValues) {
    // Minimum at (1e-9, 2) of (x1 - 1e-9)^2 / 2 + (x2 - 2)^2 / 2, unconstrained but for x >= 0.
    Matrix<double> Q = matrixOf({{1, 0}, {0, 1}}), A = matrixOf({{1, 1}});
    Vector<double> c = vectorOf({-1e-9, -2}), b = vectorOf({10}), x, lambda;
    int status = -99;
    QPROG(x, Q, c, A, b, lambda, 0, &status, 'n', 200, 1e-6);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(x[1], 0.0);
    EXPECT_NEAR(x[2], 2.0, 1e-6);
}

}  // namespace

}  // namespace optimise_test
