// vc on the bank b (1995-1998): products of the dense and packed coefficient matrix with a
// vector, the Leontief inverse applied to final demand, numbers and series in a term, and
// the statements refused whole, each checked against a computation of the test's own (a
// dense solve of (I - A) x = u for the gross outputs).
#include "matrix/vc.h"

#include <bit>
#include <cstdint>
#include <functional>
#include <random>

#include "matrix/arith.h"
#include "matrix/index.h"
#include "matrix/inverse.h"
#include "platform/scripted_platform.h"
#include "series/lanes.h"
#include "tests/matrix/time_fixture.h"

namespace vc_test {

namespace {

using namespace timetest;
using Vec = std::vector<double>;

const Vec demand = {300, 1300, 150};
const std::vector<float> xs = {2, 3, 4, 5};

Vec times(const Dense& m, const Vec& v, bool transpose = false) {
    Vec out(v.size(), 0);
    for (std::size_t i = 0; i < m.size(); ++i)
        for (std::size_t j = 0; j < m.size(); ++j)
            out[i] += (transpose ? m[j][i] : m[i][j]) * v[j];
    return out;
}
Vec axpy(double a, const Vec& x, const Vec& y) {
    Vec out = y;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] += a * x[i];
    return out;
}
Vec scaled(double a, const Vec& x) { return axpy(a, x, Vec(x.size(), 0)); }

// (I - A) x = b by Gaussian elimination with partial pivoting.
Vec leontiefsolve(const Dense& a, Vec b) {
    const std::size_t n = a.size();
    Dense m(n, Vec(n));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) m[i][j] = (i == j ? 1.0 : 0.0) - a[i][j];
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t p = k;
        for (std::size_t i = k + 1; i < n; ++i)
            if (std::fabs(m[i][k]) > std::fabs(m[p][k])) p = i;
        std::swap(m[k], m[p]);
        std::swap(b[k], b[p]);
        for (std::size_t i = k + 1; i < n; ++i) {
            const double f = m[i][k] / m[k][k];
            for (std::size_t j = k; j < n; ++j) m[i][j] -= f * m[k][j];
            b[i] -= f * b[k];
        }
    }
    Vec x(n);
    for (std::size_t i = n; i-- > 0;) {
        double s = b[i];
        for (std::size_t j = i + 1; j < n; ++j) s -= m[i][j] * x[j];
        x[i] = s / m[i][i];
    }
    return x;
}

class Vector : public TimeBank {
protected:
    void SetUp() override {
        TimeBank::SetUp();
        for (int t = 0; t < 4; ++t) {
            setm("mm", t, coefA);
            setv("u", t, demand);
        }
        ASSERT_EQ(run(mmultcmd, "l = mm & 1"), 0);
        ASSERT_EQ(run(linvcmd, "l"), 0);
        setws("x", 1995, xs);
        clearOutput();
    }
    int vc(const std::string& line) { return run(vccmd, line); }
    int scriptvc(const std::string& text) {
        return script([&](std::FILE* in) { return vccmd(bank.get(), in); }, text);
    }
};

TEST_F(Vector, ProductsSumsAndScalarsAgainstTheirDefinitions) {
    const Vec au = times(coefA, demand), atu = times(coefA, demand, true);
    const Vec gross = leontiefsolve(coefA, demand);
    expectnear(gross, {1000, 2000, 1000});
    const Vec u = demand;
    const struct {
        const char* line;
        std::function<Vec(int)> want;  // by period from 0
    } cases[] = {
        {"y = mm * u", [&](int) { return au; }},
        {"y = mm / u", [&](int) { return atu; }},
        {"y = l * u", [&](int) { return gross; }},
        {"y = u - mm * u", [&](int) { return axpy(-1, au, u); }},
        {"y = x * mm * u", [&](int t) { return scaled(xs[t], au); }},
        {"y = 2 * u + x", [&](int t) { return axpy(2, u, Vec(3, xs[t])); }},
        {"y = u / 2 - 1", [&](int) { return axpy(0.5, u, Vec(3, -1)); }},
        {"y = 2", [&](int) { return Vec(3, 2); }},
        {"y = -x", [&](int t) { return Vec(3, -xs[t]); }},
        {"y = u * x / 4", [&](int t) { return scaled(xs[t] / 4.0, u); }},
        {"y = mm * u * u", [&](int) { return Vec{au[0] * u[0], au[1] * u[1], au[2] * u[2]}; }},
        {"y = pm * u", [&](int) { return au; }},
        {"y = pm / u", [&](int) { return atu; }},
        {"y = x * pm * u - u", [&](int t) { return axpy(-1, u, scaled(xs[t], au)); }},
        {"y = mm * u{1996}", [&](int) { return au; }},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(vc(c.line), 0) << c.line;
        for (int t = 0; t < 4; ++t) expectnear(getv("y", t), c.want(t));
    }
    expectnear(getv("y", 0), {377.5, 185, 422.5});

    ASSERT_EQ(vc("y = x * mm * u"), 0);
    expectnear(getv("y", 0), {755, 370, 845});
    expectnear(getv("y", 2), {1510, 740, 1690});
    ASSERT_EQ(vc("y = 2 * u + x"), 0);
    expectnear(getv("y", 1), {603, 2603, 303});
    clearOutput();
    ASSERT_EQ(vc("y = 5 / 0"), 0);
    EXPECT_EQ(output(), "Error: Divided by zero. Assuming 1\n");
    expectnear(getv("y", 3), {5, 5, 5});
    // A shorter right side fills the first elements, the rest is 0; a longer one is left out.
    ASSERT_EQ(vc("w = u + 1"), 0);
    expectnear(getv("w", 2), {301, 1301, 151, 0, 0});
    clearOutput();
    ASSERT_EQ(vc("y = w"), 0);
    EXPECT_EQ(output(), "The left-hand-side vector is too small\n");
    expectnear(getv("y", 0), {0, 0, 0});
    // The term's width stays that of the last element, so a number after it is too wide too.
    clearOutput();
    ASSERT_EQ(vc("y = w + 7"), 0);
    EXPECT_EQ(output(), "The left-hand-side vector is too small\n"
                        "The left-hand-side vector is too small\n");
    expectnear(getv("y", 0), {0, 0, 0});
}

TEST_F(Vector, RangesMissingValuesAndTheLoadedElement) {
    ASSERT_EQ(vc("y = 9"), 0);
    ASSERT_EQ(vc("y{1996} = 1"), 0);
    EXPECT_EQ(getv("y", 1), (Vec{1, 1, 1}));
    EXPECT_EQ(getv("y", 0), (Vec{9, 9, 9}));
    EXPECT_EQ(getv("y", 2), (Vec{9, 9, 9}));
    ASSERT_EQ(vc("y{1997-1998} = u"), 0);
    EXPECT_EQ(getv("y", 3), demand);
    EXPECT_EQ(getv("y", 1), (Vec{1, 1, 1}));
    EXPECT_EQ(fdate1, 1995);  // the f dates are as they were
    EXPECT_EQ(fdate2, 1998);
    // f dates wider than the bank, or not set, give the bank's periods.
    setfdates(1990, 2010);
    ASSERT_EQ(vc("y = 3"), 0);
    EXPECT_EQ(getv("y", 0), (Vec{3, 3, 3}));
    fdate1 = fdate2 = -1;
    fdate1Date = fdate2Date = JexDate();
    ASSERT_EQ(vc("y = 4"), 0);
    EXPECT_EQ(getv("y", 3), (Vec{4, 4, 4}));
    EXPECT_EQ(fdate2, -1);
    setfdates(1995, 1998);

    // A missing x before the vector makes the element missing; after it, leaves it unscaled.
    setws("x", 1995, {2, MISSING, 4, 5});
    ASSERT_EQ(vc("y = x * u"), 0);
    EXPECT_TRUE(ismissing(static_cast<float>(getv("y", 1)[0])));
    expectnear(getv("y", 2), scaled(4, demand));
    ASSERT_EQ(vc("y = u * x"), 0);
    expectnear(getv("y", 1), demand);
    expectnear(getv("y", 3), scaled(5, demand));

    // A missing cell of the matrix, or a missing element of the vector, is left out of the
    // products' sums, dense and packed alike.
    Dense holed = coefA;
    holed[0][1] = MISSING;
    setm("mm", 1, holed);
    setv("u", 2, {300, MISSING, 150});
    const auto a = flat(coefA);
    setpacked(packedfile(3, 3, densepattern(), {a, flat(holed), a, a}, 1995));
    for (const char* m : {"mm", "pm"}) {
        ASSERT_EQ(vc(std::string("y = ") + m + " * u"), 0);
        expectnear(getv("y", 1), {0.15 * 300 + 0.05 * 150, 185, 422.5});
        expectnear(getv("y", 2), {0.15 * 300 + 0.05 * 150, 0.2 * 300 + 0.4 * 150, 0.3 * 300 + 0.05 * 150});
        ASSERT_EQ(vc(std::string("y = ") + m + " / u"), 0);
        expectnear(getv("y", 1), {350, 0.05 * 1300 + 0.25 * 150, 542.5});
        expectnear(getv("y", 2), {0.15 * 300 + 0.3 * 150, 0.25 * 300 + 0.25 * 150, 0.05 * 300 + 0.05 * 150});
    }
    setm("mm", 1, coefA);
    setv("u", 2, demand);

    // A changed loaded element reaches the file before vc reads it.
    ASSERT_EQ(bank->loadcmd("u", 'x', 0), 0);
    bank->loadedRow(2)[1] = 7;
    bank->setModified();
    ASSERT_EQ(vc("y = u"), 0);
    EXPECT_FALSE(bank->isLoaded());
    EXPECT_EQ(getv("y", 2), (Vec{300, 7, 150}));

    // The statement ends at ';' and leaves the rest of the line.
    EXPECT_EQ(scriptvc("y = 1; next\n"), 0);
    EXPECT_EQ(nexttoken(), "next");
}

TEST_F(Vector, RefusedStatementsWriteNothing) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"y = 3 *", "Incorrect operator\n"},
        {"y = u * mm",
         "Illegal matrix operations\nAt this time, cannot handle matrix on right-hand side.\n"
         "In place of transpose(vector) X matrix, \nuse equivalent transpose(matrix) X vector.\n"},
        {"y = nosuch", "Cannot find nosuch\n"},
        {"y = mm", ""},  // a matrix alone is a term of zeros: accepted below, not here
        {"y{1997-1995} = 1", "Bad fdate range in vc command.\n"},
        {"y{1990} = 1", "Bad fdate range in vc command.\n"},
        {"y{1996-2003} = 1", "Bad fdate range in vc command.\n"},
        {"y{2200} = 1", "Bad fdate in vc command.\n"},
        {"y{x} = 1", "Bad fdate in vc command.\n"},
        {"y{1996 = 1", "Expected } in vc command.\n"},
        {"y 1", "No = in vc command. Tap.\n"},
        {"= u",
         "vc command format:\nvc <vec_name> = <term> [op <term>] ... \nWhere operator op is +, "
         "-, * or / \nand a valid term includes constant, time series,\nvector, or matrix names "
         "with proper dimensions.\n"},
        {"nosuch = u", "\nError:  cannot find left-hand-side variable \"nosuch.\"\n"},
        {"mm = u", "Left side of vc command should be a vector\n"},
        {"pm = u", "\nError:  vc command does not work with packed matrix variables.\n"},
        {"y = mm * w", "Matrix/vector and vector sizes do not match\n"},
        {"y = mm / w", "In matrix / vector, number of rows do not match vector size\n"},
        {"y = u * w", "Matrix/vector and vector sizes do not match\n"},
        {"y = u{1990}", "Bad fdate in vc command.\n"},
        {"y = u{x}", "\nError:  '{' must be followed by a date in the vc command.\n"},
        {"y = 2 3", "Error: Invalid scalar here\n"},
        {"y = u * * u", "\r\nBad syntax in expression.\nIncorrect operator\n"},
        {"y = u + ,", "\r\nUnrecognized element in expression\n"},
        {"y = 1 + u * nosuch", "Cannot find nosuch\n"},
    };
    ASSERT_EQ(vc("y = 5"), 0);
    for (const auto& c : cases) {
        if (std::string(c.line) == "y = mm") continue;
        const auto before = bytesnow();
        clearOutput();
        EXPECT_EQ(vc(c.line), -1) << c.line;
        EXPECT_EQ(output(), c.message) << c.line;
        EXPECT_EQ(bytesnow(), before) << c.line;
        EXPECT_EQ(fdate1, 1995) << c.line;
        EXPECT_EQ(fdate2, 1998) << c.line;
    }
    ASSERT_EQ(vc("y = mm"), 0);
    EXPECT_EQ(getv("y", 0), (Vec{0, 0, 0}));

    // A refused statement in a script leaves the next line.
    EXPECT_EQ(scriptvc("y = nosuch + 1\nnext\n"), -1);
    EXPECT_EQ(nexttoken(), "next");
}

TEST_F(Vector, PackedFilesThatDoNotFitAreRefused) {
    ASSERT_EQ(vc("y = 5"), 0);
    const auto before = bytesnow();
    const auto a = flat(coefA);
    const auto whole = packedfile(3, 3, densepattern(), {a}, 1995);
    const struct {
        std::vector<std::uint8_t> file;
        const char* message;
    } cases[] = {
        // dates 1996-1998 where the bank begins in 1995
        {packedfile(3, 3, densepattern(), {a, a, a}, 1996),
         "Error: The packed matrix file has different dates than the fdates setting.\n"},
        // a column number past the matrix's three
        {packedfile(3, 3, {{1, 4}, {2}, {3}}, {{1, 1, 1, 1}}, 1995),
         "Error:  pm.pmx is not a valid packed matrix file.\n"},
        // the pattern cut short
        {std::vector<std::uint8_t>(whole.begin(), whole.begin() + 130),
         "Error:  pm.pmx is not a valid packed matrix file.\n"},
    };
    for (const auto& c : cases) {
        setpacked(c.file);
        clearOutput();
        EXPECT_EQ(vc("y = pm * u"), -1);
        EXPECT_EQ(output(), c.message);
        EXPECT_EQ(bytesnow(), before);
    }
    std::remove("pm.pmx");
    clearOutput();
    EXPECT_EQ(vc("y = pm / u"), -1);
    EXPECT_EQ(output(), "Cannot open pm.pmx for reading.\n\n"
                        "Error:  in vc command.  Cannot open packed matrix file pm.pmx.\n");
    EXPECT_EQ(bytesnow(), before);

    // A file that ends before the range gives the product for its own periods only.
    setpacked(packedfile(3, 3, densepattern(), {a, a}, 1995));
    ASSERT_EQ(vc("y = pm * u"), 0);
    expectnear(getv("y", 1), times(coefA, demand));
    EXPECT_EQ(getv("y", 2), (Vec{0, 0, 0}));
}

TEST_F(Vector, AFailedReadOfTheMatrixWritesNothing) {
    ASSERT_EQ(vc("y = 5"), 0);
    // The file loses the last period's matrix after the bank was opened.
    const int mm = bank->findser("mm");
    auto data = readFile("b.vam");
    data.resize(static_cast<std::size_t>(bank->elementPos(mm, 3)) + 8);
    const auto cut = data;
    writeFile("b.vam", data);
    clearOutput();
    EXPECT_EQ(vc("y = mm * u{1995}"), -1);
    EXPECT_EQ(output(), "Fread failed in vc command\n");
    EXPECT_EQ(readFile("b.vam"), cut);
}

}  // namespace

namespace {

using namespace timetest;

// A bank that begins before the workspace (1990): vc's scalars and index's guide series are
// kept by workspace observation, so both refuse rather than read before it.
TEST_F(TimeBank, BeforeTheWorkspaceIsRefused) {
    create("1985 1988\ny 3 1 0 s.txt\n", "early", "early.cfg");
    VamFile early("early");
    ASSERT_TRUE(early.isOpen());
    setfdates(1985, 1988);
    setws("gdp", 1990, {100, 110});
    const auto before = readFile("early.vam");
    clearOutput();
    EXPECT_EQ(typed([&](std::FILE* in) { return vccmd(&early, in); }, "y = 1"), -1);
    EXPECT_EQ(output(), "Error:  Vam bank begins before workspace bank.  Make the workspace "
                        "cover the vam file dates.\n");
    clearOutput();
    EXPECT_EQ(typed([&](std::FILE* in) { return indexcmd(&early, in); }, "1986 gdp y"), -1);
    EXPECT_EQ(output(), "Error in index command.  Bad basedate for Jex series: 1990.\n");
    EXPECT_EQ(readFile("early.vam"), before);
}

// An overflow in the statement shows the box; Cancel makes a success 27, OK keeps it.
TEST_F(TimeBank, AnOverflowShowsTheBox) {
    {
        platform::ScopedScriptedPlatform box;
        box.platform.answers = {"cancel"};
        EXPECT_EQ(run(vccmd, "y = 1E38 * 1E38"), 27);
        EXPECT_EQ(box.platform.boxes, (std::vector<std::string>{"[Error] Error:  In vc command."}));
    }
    {
        platform::ScopedScriptedPlatform box;
        EXPECT_EQ(run(vccmd, "y = 1E38 * 1E38"), 0);
        EXPECT_EQ(box.platform.boxes.size(), 1u);
        EXPECT_EQ(run(vccmd, "y = 1"), 0);  // a clean statement shows none
        EXPECT_EQ(box.platform.boxes.size(), 1u);
    }
}

// The row kernels of the dense product: every row's sum of the block kernel (two rows side by
// side, the missing band looked for in the same pass) is bit for bit the one-row kernel's,
// with the AVX-512 version and the plain one, over odd row counts and column counts that
// leave remainders; a row holding a value of the band (a missing value, or its neighbours)
// is reported, and one without is not.
TEST(VcRowKernels, BlockSumsAreTheRowSumsBitForBit) {
    std::mt19937 random(3);
    const float band[] = {static_cast<float>(-0.000001), -1.1e-6f, -0.85e-6f};
    for (int width : {8, 16}) {
        if (width > lanes::machineWidth) continue;
        lanes::width = width;
        for (int cols : {1, 15, 16, 17, 33, 500}) {
            const int rows = 7;
            std::vector<float> a(static_cast<std::size_t>(rows * cols));
            std::vector<double> b(static_cast<std::size_t>(cols));
            for (float& x : a) x = static_cast<float>(static_cast<int>(random() % 20000) - 10000) / 37.0f;
            for (double& x : b) x = static_cast<double>(random() % 10000) / 3.0 - 1000.0;
            std::vector<bool> holds(rows, false);
            for (int h = 1; h < rows; h += 3) {
                a[static_cast<std::size_t>(h * cols + static_cast<int>(random() % cols))] = band[h % 3];
                holds[h] = true;
            }
            std::vector<double> sums(rows);
            std::vector<unsigned char> suspect(rows);
            vcdotrows(a.data(), rows, cols, b.data(), sums.data(), suspect.data());
            for (int h = 0; h < rows; ++h) {
                EXPECT_EQ(std::bit_cast<std::uint64_t>(sums[h]),
                          std::bit_cast<std::uint64_t>(vcdotrow(a.data() + h * cols, b.data(), cols)))
                    << width << " lanes, " << cols << " columns, row " << h;
                EXPECT_EQ(suspect[h] != 0, holds[h]) << width << " lanes, " << cols << " columns, row " << h;
            }
        }
    }
    lanes::width = lanes::machineWidth;
}

}  // namespace

}  // namespace vc_test
