// Matrix algebra (inversion, LU, Gauss-Jordan, operators), work arrays and fpcheck.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/matrix.h"
#include "core/matrix_algebra.h"
#include "core/printout.h"
#include "core/vector.h"
#include "core/workarrays.h"
#include "platform/platform.h"
#include "platform/scripted_platform.h"

namespace algebra_test {

namespace {

class AlgebraTest : public ::testing::Test {
protected:
    void SetUp() override { clearPendingLine(); }
    void TearDown() override { clearPendingLine(); }
    std::string out() const { return scripted.platform.text() + pendingLine(); }
    const std::vector<std::string>& boxes() const { return scripted.platform.boxes; }
    void reset() {
        scripted.platform.lines.clear();
        scripted.platform.boxes.clear();
        clearPendingLine();
    }
    platform::ScopedScriptedPlatform scripted;
};

Matrix<double> matrixOf(std::initializer_list<std::initializer_list<double>> rows) {
    int r = static_cast<int>(rows.size());
    int c = static_cast<int>(rows.begin()->size());
    Matrix<double> m(r, c);
    int i = 1;
    for (auto row : rows) {
        int j = 1;
        for (double x : row) m(i, j++) = x;
        ++i;
    }
    return m;
}

Vector<double> vectorOf(std::initializer_list<double> values, int first = 1, bool row = false) {
    int n = static_cast<int>(values.size());
    Vector<double> v(row ? 1 : n, row ? n : 1, 'n', first, first);
    int i = first;
    for (double x : values) v[i++] = x;
    return v;
}

// The textbook routines (ludcmp/lubksb in Crout's column order, one column of the inverse
// at a time) on plain arrays, as an independent reference for the inverse.
std::vector<std::vector<double>> textbookInverse(std::vector<std::vector<double>> a, double& det) {
    const int n = static_cast<int>(a.size());
    std::vector<double> vv(n);
    std::vector<int> indx(n);
    det = 1.0;
    for (int i = 0; i < n; ++i) {
        double big = 0;
        for (int j = 0; j < n; ++j) big = std::max(big, std::fabs(a[i][j]));
        vv[i] = 1.0 / big;
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            double sum = a[i][j];
            for (int k = 0; k < i; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        double big = 0;
        int imax = j;
        for (int i = j; i < n; ++i) {
            double sum = a[i][j];
            for (int k = 0; k < j; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            double dum = vv[i] * std::fabs(sum);
            if (dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (j != imax) {
            std::swap(a[imax], a[j]);
            det = -det;
            vv[imax] = vv[j];
        }
        indx[j] = imax;
        if (std::fabs(a[j][j]) < 1e-20) a[j][j] = 1e-20;
        for (int i = j + 1; i < n; ++i) a[i][j] /= a[j][j];
    }
    for (int i = 0; i < n; ++i) det *= a[i][i];
    std::vector<std::vector<double>> inv(n, std::vector<double>(n));
    for (int col = 0; col < n; ++col) {
        std::vector<double> b(n, 0.0);
        b[col] = 1.0;
        int ii = -1;
        for (int i = 0; i < n; ++i) {
            int ip = indx[i];
            double sum = b[ip];
            b[ip] = b[i];
            if (ii >= 0)
                for (int j = ii; j < i; ++j) sum -= a[i][j] * b[j];
            else if (sum != 0.0)
                ii = i;
            b[i] = sum;
        }
        for (int i = n - 1; i >= 0; --i) {
            double sum = b[i];
            for (int j = i + 1; j < n; ++j) sum -= a[i][j] * b[j];
            b[i] = sum / a[i][i];
        }
        for (int i = 0; i < n; ++i) inv[i][col] = b[i];
    }
    return inv;
}

TEST_F(AlgebraTest, InvertTwoByTwo) {
    Matrix<double> m = matrixOf({{4, 7}, {2, 6}});
    double det = m.invert();
    EXPECT_NEAR(det, 10.0, 1e-12);
    double expected[2][2] = {{0.6, -0.7}, {-0.2, 0.4}};
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j) EXPECT_NEAR(m(i, j), expected[i - 1][j - 1], 1e-14);
    EXPECT_EQ(out(), "");
}

// Sizes on both sides of the panels, tiles and strips of the inversion, with pivoting, and
// smaller ones after larger (the work rows are kept between calls); the inverse must be
// exactly the textbook routine's and must invert the matrix.
TEST_F(AlgebraTest, InvertMatchesTextbookRoutineExactly) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n : {1, 3, 17, 128, 129, 300, 37, 61}) {
        SCOPED_TRACE(n);
        std::vector<std::vector<double>> a(n, std::vector<double>(n));
        Matrix<double> m(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) m(i + 1, j + 1) = a[i][j] = u(gen);
        Matrix<double> original = m;
        double refDet = 0;
        auto ref = textbookInverse(a, refDet);
        double det = m.invert();
        if (std::fabs(refDet) < 9.99e100) {
            EXPECT_EQ(det, refDet);
        }
        int mismatches = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) mismatches += m(i + 1, j + 1) != ref[i][j];
        EXPECT_EQ(mismatches, 0);
        Matrix<double> product = original * m;
        double worst = 0;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                worst = std::max(worst, std::fabs(product(i, j) - (i == j ? 1.0 : 0.0)));
        EXPECT_LT(worst, 1e-8);
    }
}

TEST_F(AlgebraTest, InvertFailures) {
    Matrix<double> wide(2, 3);
    wide.fill(1);
    try {
        wide.invert();
        ADD_FAILURE() << "no exception";
    } catch (const Jex7Errors& e) {
        EXPECT_STREQ(e.text(), "Error:  type Error:  matrix is not square in invert().\n");
    }
    EXPECT_EQ(out(), "Error:  matrix is not square in invert():  2 rows and 3 columns.\n");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[] Error in Matrix.invert().");

    reset();
    Matrix<double> singular = matrixOf({{1, 2}, {2, 4}});
    double det = singular.invert();
    EXPECT_LT(std::fabs(det), 1e-15);
    EXPECT_EQ(out(), "\nWarning:  matrix is singular or nearly singular in invert().\n");
    EXPECT_TRUE(std::isfinite(singular(1, 1)));

    reset();
    Matrix<double> zeroRow = matrixOf({{1, 2}, {0, 0}});
    EXPECT_THROW(zeroRow.invert(), Jex7Errors);
    EXPECT_EQ(out(), "\nError:  singular matrix in routine ludcmp.\n");
    EXPECT_EQ(boxes().back(), "[] Error in Matrix.ludcmp().");

    reset();
    Matrix<double> huge = matrixOf({{1e60, 0}, {0, 1e60}});
    EXPECT_EQ(huge.invert(), 9.99e100);
    EXPECT_EQ(out(), "\nWarning:  determinant is not accurate.\n");
    EXPECT_DOUBLE_EQ(huge(1, 1), 1e-60);
}

// A caller that asks is told of a pivot of magnitude at most 1e-20 (which the decomposition
// replaces by 1e-20) and gets no inversion and no warning; a regular matrix reports nothing and
// gets exactly the inverse and determinant of the plain call.
TEST_F(AlgebraTest, InvertReportsTinyPivot) {
    struct Case {
        const char* name;
        Matrix<double> m;
        bool tiny;
    };
    const Case cases[] = {
        {"dependent rows", matrixOf({{1, 2}, {2, 4}}), true},
        {"zero pivot in the middle", matrixOf({{1, 2, 3}, {2, 4, 6}, {0, 1, 5}}), true},
        {"pivots below 1e-20", matrixOf({{1e-30, 0}, {0, 1e-30}}), true},
        {"regular", matrixOf({{4, 7}, {2, 6}}), false},
        {"regular with pivoting", matrixOf({{0, 1, 2}, {3, 0, 1}, {1, 2, 0}}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        Matrix<double> asked = c.m;
        bool tiny = !c.tiny;
        const double det = asked.invert(&tiny);
        EXPECT_EQ(tiny, c.tiny);
        EXPECT_EQ(out(), "");
        if (c.tiny) {
            EXPECT_EQ(det, 0.0);
            continue;
        }
        Matrix<double> plain = c.m;
        EXPECT_EQ(det, plain.invert());
        for (int i = 1; i <= c.m.rows(); ++i)
            for (int j = 1; j <= c.m.cols(); ++j) EXPECT_EQ(asked(i, j), plain(i, j));
        Matrix<double> product = c.m * asked;
        for (int i = 1; i <= c.m.rows(); ++i)
            for (int j = 1; j <= c.m.cols(); ++j)
                EXPECT_NEAR(product(i, j), i == j ? 1.0 : 0.0, 1e-14);

        Matrix<double> factors = c.m;
        Vector<double> indx;
        double sign = 0;
        tiny = true;
        factors.ludcmp(indx, sign, &tiny);
        EXPECT_FALSE(tiny);
    }
    // The decomposition reports too, and still stands 1e-20 in for the vanished pivot.
    Matrix<double> singular = matrixOf({{1, 2}, {2, 4}});
    Vector<double> indx;
    double sign = 0;
    bool tiny = false;
    singular.ludcmp(indx, sign, &tiny);
    EXPECT_TRUE(tiny);
    EXPECT_EQ(singular(2, 2), 1e-20);
}

TEST_F(AlgebraTest, LuSolve) {
    // 2x + y = 3, x + 3y = 5: x = 0.8, y = 1.4.
    Matrix<double> m = matrixOf({{2, 1}, {1, 3}});
    Vector<double> indx, b = vectorOf({3, 5});
    double sign = 0;
    m.ludcmp(indx, sign);
    m.lubksb(indx, b);
    EXPECT_NEAR(b[1], 0.8, 1e-15);
    EXPECT_NEAR(b[2], 1.4, 1e-15);
    // A pivot exchange flips the sign.
    Matrix<double> swapped = matrixOf({{0, 1}, {1, 0}});
    swapped.ludcmp(indx, sign);
    EXPECT_EQ(sign, -1.0);
    EXPECT_EQ(indx[1], 2.0);
}

TEST_F(AlgebraTest, GaussJordan) {
    Matrix<double> identity = matrixOf({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    Vector<double> pivots(3, 1);
    EXPECT_EQ(identity.gaussJordan(0, 0, pivots), 1.0);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(identity(i, j), i == j ? 1.0 : 0.0);

    Matrix<double> holed = matrixOf({{2, 0, 0}, {0, 0, 0}, {0, 0, 1}});
    EXPECT_EQ(holed.gaussJordan(0, 0, pivots), 2.0);
    EXPECT_EQ(out(),
              "\nNear-zero diagonal; matrix probably singular. Returning partly inverted matrix.\n");
    EXPECT_EQ(holed(1, 1), 0.5);

    // A full sweep inverts in place: pivots 4 and 2.5.
    Matrix<double> m = matrixOf({{4, 7}, {2, 6}});
    Vector<double> p2(2, 1);
    EXPECT_NEAR(m.gaussJordan(0, 0, p2), 10.0, 1e-12);
    EXPECT_NEAR(m(1, 2), -0.7, 1e-14);
    EXPECT_NEAR(m(2, 1), -0.2, 1e-14);
    EXPECT_EQ(p2[2], 2.5);
}

TEST_F(AlgebraTest, VectorScalarOperators) {
    Vector<double> v = vectorOf({2, 4, 6, 8, 10}, 5);
    Vector<double> half = v / 2;
    EXPECT_EQ(half.first(), 1);
    EXPECT_EQ(half[5], 5);
    Vector<double> zeros = v / 0;
    EXPECT_EQ(zeros.sum(), 0);
    EXPECT_EQ(out(), "Division by zero in Vector operator /.\n");
    Vector<double> scaled = 3 * v;
    EXPECT_EQ(scaled.first(), 5);
    EXPECT_EQ(scaled[9], 30);
    EXPECT_EQ((v * 0.5)[6], 2);
}

// A shorter right operand is never read past its end (checked under AddressSanitizer).
TEST_F(AlgebraTest, VectorSumsWithShorterRightOperand) {
    Vector<double> a = vectorOf({1, 2, 3, 4});
    Vector<double> b = vectorOf({10, 20});
    Vector<double> s = a + b;
    Vector<double> d = a - b;
    double sums[] = {11, 22, 3, 4}, diffs[] = {-9, -18, 3, 4};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(s[i], sums[i - 1]);
        EXPECT_EQ(d[i], diffs[i - 1]);
    }
    EXPECT_EQ(out(),
              "\nWarning:  vector dimensions do not match in + operator.\n"
              "\nError:  vector dimensions do not match in - operator.\n");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[Error] Error: vector dimensions do not match.");
    Vector<double> none;
    EXPECT_EQ((a + none)[4], 4);
}

TEST_F(AlgebraTest, Dot) {
    Vector<double> a = vectorOf({1, 2, 3}), b = vectorOf({4, 5, 6});
    EXPECT_EQ(Vector<double>::dot(a, b), 32);
    Vector<double> shortB = vectorOf({4, 5});
    EXPECT_THROW(Vector<double>::dot(a, shortB), Jex7Errors);
    EXPECT_EQ(boxes().front(), "[] Error in Vector.dot().");
}

TEST_F(AlgebraTest, MatrixProducts) {
    Matrix<double> a = matrixOf({{1, 2, 3}, {4, 5, 6}});
    Matrix<double> b = matrixOf({{7, 8}, {9, 10}, {11, 12}});
    Matrix<double> c = a * b;  // [[58, 64], [139, 154]]
    EXPECT_EQ(c(1, 1), 58);
    EXPECT_EQ(c(1, 2), 64);
    EXPECT_EQ(c(2, 1), 139);
    EXPECT_EQ(c(2, 2), 154);

    Matrix<double> bad = a * a;
    EXPECT_EQ(bad.rows(), 2);
    EXPECT_EQ(bad.cols(), 3);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(bad(i, j), 0);
    EXPECT_EQ(out(), "\nError:  matrix dimensions do not match in * operator.\n");
    EXPECT_EQ(boxes().back(), "[] Error in Matrix*.");

    reset();
    Vector<double> x = vectorOf({1, 1, 1});
    Vector<double> y = a * x;
    EXPECT_EQ(y[1], 6);
    EXPECT_EQ(y[2], 15);
    Vector<double> wrong = a * vectorOf({1, 1});
    EXPECT_EQ(wrong.sum(), 0);
    EXPECT_EQ(out(), "\nmatrix*vector dimensions do not match.\nreturning a zero vector.\n");

    reset();
    Vector<double> row = vectorOf({1, 2}, 1, true);
    Vector<double> vm = row * a;  // (1, 2) * a = (9, 12, 15)
    EXPECT_EQ(vm.count(), 3);
    EXPECT_EQ(vm[3], 15);
    Vector<double> vmBad = vectorOf({1, 2, 3}, 1, true) * a;
    EXPECT_EQ(vmBad.sum(), 0);
    EXPECT_EQ(out(), "\nWarning:  vector*matrix dimensions do not match.\nreturning a zero vector.\n");

    Matrix<double> outer = vectorOf({1, 2}) * vectorOf({3, 4, 5}, 1, true);
    EXPECT_EQ(outer.rows(), 2);
    EXPECT_EQ(outer(2, 3), 10);
    Matrix<double> inner = vectorOf({1, 2}, 1, true) * vectorOf({3, 4});
    EXPECT_EQ(inner(1, 1), 11);

    Matrix<double> t = transpose(a);
    EXPECT_EQ(t.rows(), 3);
    EXPECT_EQ(t(3, 2), 6);
    Vector<double> tv = transpose(vectorOf({1, 2, 3}, 2));
    EXPECT_EQ(tv.rows(), 1);
    EXPECT_EQ(tv.first(), 2);
    EXPECT_EQ(tv[4], 3);
}

TEST_F(AlgebraTest, MatrixSumAndDivision) {
    Matrix<double> a(3, 3);
    a.fill(1);
    Matrix<double> b(2, 2, 'n', 2, 2);
    b.fill(10);
    Matrix<double> s = a + b;
    EXPECT_EQ(s(1, 1), 1);
    EXPECT_EQ(s(2, 2), 11);
    EXPECT_EQ(s(3, 3), 11);
    EXPECT_EQ(s(3, 1), 1);
    EXPECT_EQ(a(2, 2), 1);
    EXPECT_EQ(out(),
              "\nWarning:  matrix dimensions do not match in + operator.\n"
              "adding overlapping areas into a matrix with dimensions of the left one.\n");
    reset();
    Matrix<double> z = a / 0;
    EXPECT_EQ(z(2, 2), 0);
    EXPECT_EQ(out(), "Warning:  dividing a matrix by 0. Result is 0.\n");
    EXPECT_EQ(boxes().back(), "[] Error in Matrix/.");
    EXPECT_EQ((a / 4)(3, 1), 0.25);
}

// Misuse of the numerical members ends in a message and Jex7Errors, never in a crash.
TEST_F(AlgebraTest, BadInputThrows) {
    Matrix<double> empty, wide(2, 3), sq = matrixOf({{1, 2}, {3, 4}});
    wide.fill(1);
    Vector<double> indx, shortIndx(1, 1), rhs(3, 1), pivots(1, 1);
    shortIndx.fill(1);
    rhs.fill(1);
    double sign = 0;
    struct Case {
        const char* name;
        std::function<void()> call;
    } cases[] = {
        {"invert empty", [&] { empty.invert(); }},
        {"ludcmp wide", [&] { wide.ludcmp(indx, sign); }},
        {"lubksb short index", [&] { sq.lubksb(shortIndx, rhs); }},
        {"lubksb bad pivot", [&] {
             Vector<double> bad(2, 1);
             bad.fill(7);
             Vector<double> b(2, 1);
             b.fill(1);
             sq.lubksb(bad, b);
         }},
        {"gaussJordan past last row", [&] { sq.gaussJordan(1, 3, pivots); }},
        {"gaussJordan short pivots", [&] { sq.gaussJordan(0, 0, pivots); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        EXPECT_THROW(c.call(), Jex7Errors);
        EXPECT_FALSE(out().empty());
    }
    // Operators on empty operands give empty or zero results.
    reset();
    Vector<double> none;
    EXPECT_FALSE((none / 2).hasData());
    EXPECT_FALSE((2 * none).hasData());
    EXPECT_FALSE(transpose(empty).hasStorage());
    EXPECT_EQ(Vector<double>::dot(none, none), 0);
    EXPECT_FALSE((empty * none).hasData());
    EXPECT_FALSE((none * empty).hasData());
    EXPECT_TRUE(boxes().empty());
}

TEST_F(AlgebraTest, WorkArrays) {
    struct Case {
        long nl, nh;
    } cases[] = {{1, 10}, {0, 0}, {0, 1999}, {-3, 2}, {5, 9}, {1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nl << ".." << c.nh);
        float* f = fvector(c.nl, c.nh);
        double* d = dvector(c.nl, c.nh);
        std::int16_t* s = svector(c.nl, c.nh);
        std::int32_t* iv = ivector(c.nl, c.nh);
        ASSERT_TRUE(f && d && s && iv);
        for (long i = c.nl; i <= c.nh; ++i) {  // every index is writable (ASan checks)
            f[i] = static_cast<float>(i);
            d[i] = static_cast<double>(i);
            s[i] = static_cast<std::int16_t>(i);
            iv[i] = static_cast<std::int32_t>(i);
        }
        if (c.nh >= c.nl) {
            EXPECT_EQ(iv[c.nh] + d[c.nl], static_cast<double>(c.nh + c.nl));
        }
        free_fvector(f, c.nl);
        free_dvector(d, c.nl);
        free_svector(s, c.nl);
        free_ivector(iv, c.nl);

        double** m = dmatrix(c.nl, c.nh, c.nl, c.nh);
        float** fm = fmatrix(c.nl, c.nh, 1, 3);
        ASSERT_TRUE(m && fm);
        for (long i = c.nl; i <= c.nh; ++i) {
            for (long j = c.nl; j <= c.nh; ++j) m[i][j] = static_cast<double>(i * 100 + j);
            for (long j = 1; j <= 3; ++j) fm[i][j] = 1.0f;
        }
        if (c.nh >= c.nl) {
            EXPECT_EQ(m[c.nh][c.nl], static_cast<double>(c.nh * 100 + c.nl));
        }
        free_dmatrix(m, c.nl, c.nh, c.nl);
        free_fmatrix(fm, c.nl, c.nh, 1);
    }
    free_fmatrix(nullptr, 1, 5, 1);
    free_fvector(nullptr, 1);
    nomemory();
    EXPECT_EQ(out(), "");
}

TEST_F(AlgebraTest, FpCheck) {
    platform::clearFloatingPointStatus();
    volatile double zero = 0.0;
    volatile double third = 1.0 / 3.0;  // inexact only
    (void)third;
    EXPECT_EQ(fpcheck("in logit command.", -1), 0);
    EXPECT_EQ(out(), "");

    platform::clearFloatingPointStatus();
    volatile double inf = 1.0 / zero;
    (void)inf;
    EXPECT_EQ(fpcheck("in logit command.", -1), -1);
    std::string text = out();
    EXPECT_EQ(text, "\nAn arithmetic exception 8 has occured in logit command..\nDo not trust answers.\n");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[Error] Arithmetic error!");
    EXPECT_FALSE(platform::floatingPointFault());

    reset();
    volatile double nan = zero / zero;
    (void)nan;
    scripted.platform.answers.push_back("cancel");
    EXPECT_EQ(fpcheck("top of dfpmin", 12), 27);
    EXPECT_EQ(out(), "\nAn arithmetic exception 16 has occured top of dfpmin at 12.\nDo not trust answers.\n");
    platform::clearFloatingPointStatus();
}

}  // namespace

}  // namespace algebra_test
