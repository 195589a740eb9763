// Vector and Matrix templates: bounds, index errors, value semantics, sizing, group sums.
#include <gtest/gtest.h>

#include <string>

#include "core/matrix.h"
#include "core/matrix_algebra.h"
#include "core/printout.h"
#include "core/vector.h"
#include "platform/scripted_platform.h"

namespace vector_matrix_test {

namespace {

class ArrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPendingLine();
        vectorIndexError = 0;
    }
    void TearDown() override { clearPendingLine(); }
    // Everything printed, completed lines and the pending rest.
    std::string out() const { return scripted.platform.text() + pendingLine(); }
    const std::vector<std::string>& boxes() const { return scripted.platform.boxes; }
    platform::ScopedScriptedPlatform scripted;
};

// Expects `f` to throw Jex7Errors with exactly `text`.
template <typename F>
void expectThrowText(F f, const std::string& text) {
    try {
        f();
        ADD_FAILURE() << "no exception";
    } catch (const Jex7Errors& e) {
        EXPECT_EQ(std::string(e.text()), text);
    }
}

Vector<double> column(std::initializer_list<double> values, int first = 1) {
    Vector<double> v(static_cast<int>(values.size()), 1, 'n', first, 1);
    int i = first;
    for (double x : values) v[i++] = x;
    return v;
}

const std::string vectorIndexText = "Error:  type \nError:  illegal vector index: .\n";

TEST_F(ArrayTest, VectorIndexBounds) {
    struct Case {
        int rows, cols, firstRow, firstCol, index;
        bool ok;
    } cases[] = {
        {5, 1, 3, 1, 3, true},  {5, 1, 3, 1, 7, true},  {5, 1, 3, 1, 8, false},
        {5, 1, 3, 1, 2, false}, {1, 4, 1, 0, 0, true},  {1, 4, 1, 0, 3, true},
        {1, 4, 1, 0, 4, false}, {1, 4, 1, 0, -1, false}, {1, 1, 1, 9, 1, true},
        {1, 1, 1, 9, 9, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << "x" << c.cols << " index " << c.index);
        scripted.platform.lines.clear();
        vectorIndexError = 0;
        Vector<double> v(c.rows, c.cols, 'n', c.firstRow, c.firstCol);
        if (c.ok) {
            v[c.index] = 4.5;
            EXPECT_EQ(v[c.index], 4.5);
            EXPECT_EQ(vectorIndexError, 0);
        } else {
            expectThrowText([&] { v[c.index] = 1; }, vectorIndexText);
            EXPECT_EQ(vectorIndexError, 1);
            EXPECT_EQ(out(), "\nError:  illegal vector index: " + std::to_string(c.index) + "\n");
        }
    }
    EXPECT_TRUE(boxes().empty());  // vector index errors show no box
}

TEST_F(ArrayTest, DeletedVectorAndBadShapes) {
    Vector<double> empty;
    expectThrowText([&] { empty[1] = 0; }, vectorIndexText);
    EXPECT_EQ(vectorIndexError, 1);
    EXPECT_EQ(out(), "\nError:  Reference to a deleted vector.\n");

    scripted.platform.lines.clear();
    Vector<double> square(2, 2);
    EXPECT_FALSE(square.hasData());
    EXPECT_EQ(square.rows(), 0);
    Vector<double> negative(1, -3);
    EXPECT_FALSE(negative.hasData());
    EXPECT_EQ(out(),
              "\nWarning:  Either the number of rows or the number of columns must be 1.\n"
              "\n-3 is an illegal number of elements for a vector.\n");
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0], "[] Error in Vector constructor.");
}

TEST_F(ArrayTest, VectorResize) {
    Vector<double> v(3, 1);
    v.fill(1);
    v.arrayNumber = 12;
    expectThrowText([&] { v.resize(2, 2); }, "Error:  type in Vector resize function.\n");
    EXPECT_EQ(out(),
              "\nWarning:  resizing vector with content.\n"
              "\nError:  Rows and columns both not equal to one in resize().\n");
    EXPECT_EQ(boxes().size(), 2u);
    EXPECT_FALSE(v.hasData());
    EXPECT_EQ(v.arrayNumber, 12);

    v.resize(1, 4, 1, 0);
    EXPECT_EQ(v.count(), 4);
    EXPECT_EQ(v.first(), 0);
    EXPECT_EQ(v.length(), 4);
    EXPECT_EQ(v.temp, 'n');
}

TEST_F(ArrayTest, NumberAssignmentMakesOneByOne) {
    Vector<double> v;
    v = 2.5;
    EXPECT_EQ(v.count(), 1);
    EXPECT_EQ(v.first(), 1);
    EXPECT_EQ(v[1], 2.5);
    Matrix<double> m;
    m = 7.0;
    EXPECT_EQ(m.rows(), 1);
    EXPECT_EQ(m.cols(), 1);
    EXPECT_EQ(m.firstRow(), 1);
    EXPECT_EQ(m.firstCol(), 1);
    EXPECT_EQ(m(1, 1), 7.0);
    m = 3.0;  // a matrix with storage is filled
    EXPECT_EQ(m(1, 1), 3.0);
    Vector<double> w(3, 1);
    w = 1.5;
    EXPECT_EQ(w.sum(), 4.5);
}

// A named vector made from an operator's result is an ordinary value: using it in later
// expressions must not free it.
TEST_F(ArrayTest, NamedResultSurvivesLaterOperators) {
    Vector<double> a = column({1, 2, 3});
    Vector<double> b = column({10, 20, 30});
    Vector<double> s = a + b;
    EXPECT_EQ(s.temp, 'n');
    Vector<double> twice = s + s;
    Vector<double> diff = s - a;
    ASSERT_TRUE(s.hasData());
    EXPECT_EQ(s[1], 11);
    EXPECT_EQ(s[3], 33);
    EXPECT_EQ(twice[2], 44);
    EXPECT_EQ(diff[3], 30);
    s.freeIfTemp();
    EXPECT_TRUE(s.hasData());

    Matrix<double> m(2, 2);
    m.fill(1);
    Matrix<double> p = m * m;
    Matrix<double> q = p + p;
    Matrix<double> r = p * m;
    ASSERT_TRUE(p.hasStorage());
    EXPECT_EQ(p(2, 2), 2);
    EXPECT_EQ(q(1, 2), 4);
    EXPECT_EQ(r(1, 1), 4);
}

TEST_F(ArrayTest, CopiesAreDeepMovesTakeOver) {
    Vector<double> scratch(3, 1, 'y');
    scratch.fill(2);
    Vector<double> copy(scratch);  // an lvalue is copied, never consumed
    EXPECT_TRUE(scratch.hasData());
    EXPECT_EQ(copy.temp, 'n');
    copy[1] = 9;
    EXPECT_EQ(scratch[1], 2);

    Vector<double> moved(std::move(scratch));
    EXPECT_FALSE(scratch.hasData());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(moved[3], 2);

    Vector<double> target(3, 1);
    target = column({4, 5, 6});  // a true temporary is handed over
    EXPECT_EQ(target.temp, 'n');
    EXPECT_EQ(target[2], 5);

    Vector<double> marked(2, 1, 'y');
    marked.fill(1);
    marked.freeIfTemp();
    EXPECT_FALSE(marked.hasData());

    Matrix<double> a(2, 3, 'y');
    a.fill(1);
    Matrix<double> b = a;
    b(1, 1) = 5;
    EXPECT_EQ(a(1, 1), 1);
    EXPECT_EQ(b.temp, 'n');
    Matrix<double> c = std::move(a);
    EXPECT_FALSE(a.hasStorage());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(c(2, 3), 1);
}

TEST_F(ArrayTest, AssignmentWarnsOnUnequalSizeAndKeepsTargetMark) {
    Vector<double> target(2, 1);
    target.temp = 'y';
    Vector<double> src = column({1, 2, 3});
    target = src;
    EXPECT_EQ(out(), "\nWarning:  Assigning vectors of unequal size.\n");
    EXPECT_EQ(target.temp, 'y');
    EXPECT_EQ(target.count(), 3);
    EXPECT_EQ(src.count(), 3);

    scripted.platform.lines.clear();
    Matrix<double> m(2, 2);
    m.arrayNumber = 4;
    m.name = "flows";
    Matrix<double> big(3, 3);
    big.fill(1);
    m = big;
    EXPECT_EQ(out(), "\nWarning:  Assigning matrices of unequal size.\n");
    EXPECT_EQ(m.rows(), 3);
    EXPECT_EQ(m.arrayNumber, 4);
    EXPECT_EQ(m.name, "flows");

    scripted.platform.lines.clear();
    Vector<double> fresh;
    fresh = src;  // an empty target takes any size quietly
    EXPECT_EQ(out(), "");
}

// A bad row index is an error: no other row's data is handed back.
TEST_F(ArrayTest, BadMatrixRowThrows) {
    Matrix<double> m(3, 2);
    m.fill(8);
    expectThrowText([&] { m[9][1] = 0; }, "Error:  type Error in Matrix[].\n");
    EXPECT_EQ(out(), "\nillegal matrix row index: 9.\n");
    EXPECT_EQ(out().find("returning first row"), std::string::npos);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[] Error in Matrix[].");
    EXPECT_EQ(m(1, 1), 8);
    EXPECT_EQ(vectorIndexError, 0);

    scripted.platform.lines.clear();
    Matrix<double> none;
    expectThrowText([&] { none[1]; }, "Error:  type Error in Matrix[].\n");
    EXPECT_EQ(out(), "\nError: Reference to a deleted matrix.\n");
}

TEST_F(ArrayTest, RowAccess) {
    Matrix<double> m(2, 3, 'n', 1, 0);
    m.fill(0);
    m[2][0] = 5;
    m[2][2] = 6;
    EXPECT_EQ(m(2, 0), 5);
    EXPECT_EQ(m(2, 2), 6);
    Matrix<double>::Row row = m[2];
    EXPECT_EQ(row.firstCol(), 0);
    EXPECT_EQ(row.lastCol(), 2);
    expectThrowText([&] { row[3] = 1; }, "Error:  type Column index violation..\n");
    EXPECT_EQ(out(), "\nIllegal row index: 3\n");
    EXPECT_EQ(boxes().back(), "[] Column index violation.");
    Matrix<double>::Row deleted(nullptr, 1, 1);
    expectThrowText([&] { deleted[1]; }, "Error:  type Row index violation..\n");
}

TEST_F(ArrayTest, ElementAccessErrors) {
    struct Case {
        int row, col;
        std::string printed;
    } cases[] = {
        {0, 1, "\nError:  illegal matrix row index: 0.\n\nmatix id number 7.\n"},
        {4, 1, "\nError:  illegal matrix row index: 4.\n\nmatix id number 7.\n"},
        {1, 3, "\nError:  illegal matrix column index: 3.\nmatix id number 7.\n"},
        {2, -1, "\nError:  illegal matrix column index: -1.\nmatix id number 7.\n"},
    };
    Matrix<double> m(3, 2);
    m.arrayNumber = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.col);
        scripted.platform.lines.clear();
        scripted.platform.boxes.clear();
        expectThrowText([&] { m(c.row, c.col) = 1; }, "Error:  type Error:  in Matrix() operator.\n");
        EXPECT_EQ(out(), c.printed);
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0], "[] Error:  in Matrix() operator");
    }
    scripted.platform.lines.clear();
    Matrix<double> none;
    EXPECT_THROW(none(1, 1), Jex7Errors);
    EXPECT_EQ(out(), "\nError: Reference to a deleted matrix.\n");
}

TEST_F(ArrayTest, GroupSums) {
    Matrix<float> m(2, 3);
    float values[2][3] = {{1, 2, 3}, {4, 5, 6}};
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) m(i, j) = values[i - 1][j - 1];
    Vector<int> group(2, 1);
    group[1] = 1;
    group[2] = 3;
    Vector<float> rs = m.rowsum(group);
    ASSERT_EQ(rs.count(), 2);
    EXPECT_EQ(rs[1], 4.0f);
    EXPECT_EQ(rs[2], 10.0f);

    Vector<int> rowsGroup(1, 1);
    rowsGroup[1] = 2;
    Vector<float> cs = m.colsum(rowsGroup);
    ASSERT_EQ(cs.count(), 3);
    EXPECT_EQ(cs[3], 6.0f);
    Vector<float> all = m.rowsum();
    EXPECT_EQ(all[2], 15.0f);
    Vector<float> allCols = m.colsum();
    EXPECT_EQ(allCols[1], 5.0f);

    group[2] = 4;
    Vector<float> bad = m.rowsum(group);
    EXPECT_FALSE(bad.hasData());
    EXPECT_EQ(out(), "Error:  group element 4 out of bounds.Error:  in Matrix row sum.\n");

    scripted.platform.lines.clear();
    Vector<int> empty;
    EXPECT_FALSE(m.colsum(empty).hasData());
    EXPECT_EQ(out(), "Error:  in Matrix column sum.\n");
}

TEST_F(ArrayTest, PrintFormats) {
    Vector<double> v = column({1.5, -2.25}, 0);
    v.print("title", 10, 5);
    Matrix<double> m(2, 2);
    m.fill(1.25);
    m.print("M", 6, 2);
    EXPECT_EQ(out(),
              "\ntitle\n  0    1.50000   -2.25000\n"
              "\nM\n  1   1    1.25   1.25\n  2   1    1.25   1.25\n\n");
    scripted.platform.lines.clear();
    Matrix<int> counts(1, 2);
    counts(1, 1) = 3;
    counts(1, 2) = -12;
    counts.print("N\n", 4, 0);  // a title ending in a line end gets no second one
    EXPECT_EQ(out(), "\nN\n  1   1     3  -12\n\n");
    scripted.platform.lines.clear();
    Vector<double> longer(8, 1);
    longer.fill(0);
    longer.print("", 10, 1);  // 76 / 11 = 6 to a line
    EXPECT_EQ(out(), "\n  1        0.0        0.0        0.0        0.0        0.0        0.0"
                     "\n  7        0.0        0.0\n");
}

}  // namespace

}  // namespace vector_matrix_test
