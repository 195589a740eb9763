// The matrix commands on a small input-output bank: coefficients and flows, the Leontief and
// plain inverses, matrix arithmetic, row and column sums, the diagonal, row scaling, block
// moves and mc, each checked against a computation of its own in the test; and the frame's
// rules: store first, periods clipped, nothing half-written after a failure.
#include <cfloat>
#include <cmath>

#include "banks/slots.h"
#include "matrix/arith.h"
#include "matrix/getsum.h"
#include "matrix/inverse.h"
#include "matrix/iocoef.h"
#include "matrix/mc.h"
#include "matrix/rearrange.h"
#include "platform/scripted_platform.h"
#include "tests/vam/vam_fixture.h"

namespace matrix_test {

namespace {

using namespace vamtest;
using Dense = std::vector<std::vector<double>>;

// Elements of the bank io, 1995-1996, in file order.
const char* ioConfig =
    "1995 1996\n"
    "z 3 3 0 s.txt s.txt\na 3 3 0 s.txt s.txt\nl 3 3 0 s.txt s.txt\nt 3 3 0 s.txt s.txt\n"
    "x 3 1 0 s.txt\nfd 3 1 0 s.txt\nmult 3 1 0 s.txt\nct 3 1 0 s.txt\n"
    "s 2 2 0 s.txt s.txt\nw 3 4 0 s.txt s.txt\nv4 4 1 0 s.txt\nm6 6 2 0 s.txt s.txt\n"
    "pz 3 3 p s.txt s.txt\n";

const Dense flows = {{150, 500, 50}, {200, 100, 400}, {300, 500, 50}};
const std::vector<double> outputs = {1000, 2000, 1000};

// The dense packed file of pz: every cell stored, 1995 holding the flows, 1996 zeros.
std::vector<std::uint8_t> packedFlows(int rowCountOfFirstRow = 3) {
    PackedHeader h;
    h.name = "pz";
    h.firstYear = 1995;
    h.lastYear = 1996;
    h.rows = h.columns = 3;
    h.lastRow = h.lastColumn = 3;
    h.cells = 9;
    h.bytesPerPeriod = 36;
    bytes::ByteWriter w;
    w.raw(encodepackedheader(h).data(), packedHeaderSize);
    w.i16(static_cast<std::int16_t>(rowCountOfFirstRow));
    w.i16(3);
    w.i16(3);
    for (int r = 0; r < 3; ++r)
        for (int c = 1; c <= 3; ++c) w.i16(static_cast<std::int16_t>(c));
    for (const auto& row : flows)
        for (double v : row) w.f32(static_cast<float>(v));
    for (int k = 0; k < 9; ++k) w.f32(0);
    return w.data();
}

// Textbook inverse by Gauss-Jordan elimination with partial pivoting, in double.
Dense inverse(Dense m) {
    const std::size_t n = m.size();
    Dense inv(n, std::vector<double>(n, 0));
    for (std::size_t i = 0; i < n; ++i) inv[i][i] = 1;
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t p = k;
        for (std::size_t i = k + 1; i < n; ++i)
            if (std::fabs(m[i][k]) > std::fabs(m[p][k])) p = i;
        std::swap(m[k], m[p]);
        std::swap(inv[k], inv[p]);
        const double d = m[k][k];
        for (std::size_t j = 0; j < n; ++j) {
            m[k][j] /= d;
            inv[k][j] /= d;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (i == k) continue;
            const double f = m[i][k];
            for (std::size_t j = 0; j < n; ++j) {
                m[i][j] -= f * m[k][j];
                inv[i][j] -= f * inv[k][j];
            }
        }
    }
    return inv;
}

Dense identityminus(const Dense& a) {
    Dense m = a;
    for (std::size_t i = 0; i < m.size(); ++i)
        for (std::size_t j = 0; j < m.size(); ++j) m[i][j] = (i == j ? 1.0 : 0.0) - a[i][j];
    return m;
}

double det(const Dense& m) {
    if (m.size() == 1) return m[0][0];
    if (m.size() == 2) return m[0][0] * m[1][1] - m[0][1] * m[1][0];
    double d = 0;
    for (std::size_t j = 0; j < 3; ++j) {
        Dense minor;
        for (std::size_t i = 1; i < 3; ++i) {
            std::vector<double> row;
            for (std::size_t c = 0; c < 3; ++c)
                if (c != j) row.push_back(m[i][c]);
            minor.push_back(row);
        }
        d += (j % 2 ? -1 : 1) * m[0][j] * det(minor);
    }
    return d;
}

Dense leading(const Dense& m, std::size_t n) {
    Dense out(n);
    for (std::size_t i = 0; i < n; ++i) out[i].assign(m[i].begin(), m[i].begin() + static_cast<long>(n));
    return out;
}

class MatrixCommands : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        writeText("s.txt", "agr\nman\nsrv\n");
        create(ioConfig, "io", "io.cfg");
        writeFile("pz.pmx", packedFlows());
        ASSERT_TRUE(open("io"));
        settypedline("pz pz.pmx");
        ASSERT_EQ(pmfilegate(bank.get(), nullptr), 0);
        bank.reset();
        setm("z", 0, flows);
        setv("x", 0, outputs);
        setv("fd", 0, {300, 1300, 150});
        ASSERT_TRUE(open("io"));
        bankSlots[1] = bank.get();
        fdate1 = 1995;
        fdate2 = 1996;
    }
    void TearDown() override {
        bankSlots[1] = nullptr;
        VamTest::TearDown();
    }
    // Runs a handler of the default bank on a typed line.
    int run(int (*handler)(DataBank*, std::FILE*), const std::string& line) {
        return typed([&](std::FILE* in) { return handler(bank.get(), in); }, line);
    }
    int index(const char* name) {
        VamFile probe("io");
        return probe.findser(name);
    }
    // Element values of period k straight from the file (the bank's writes are in it).
    Dense getm(const char* name, int k) {
        VamFile probe("io");
        const int i = probe.findser(name);
        Dense m(static_cast<std::size_t>(probe.rowsOf(i)));
        for (int r = 0; r < probe.rowsOf(i); ++r)
            for (int c = 0; c < probe.columnsOf(i); ++c)
                m[static_cast<std::size_t>(r)].push_back(cell("io.vam", probe, i, k, r * probe.columnsOf(i) + c));
        return m;
    }
    std::vector<double> getv(const char* name, int k) {
        std::vector<double> v;
        for (const auto& row : getm(name, k)) v.push_back(row[0]);
        return v;
    }
    // Writes values straight into the file (only while the test's bank is closed or has
    // nothing loaded).
    void setm(const char* name, int k, const Dense& m) {
        VamFile probe("io");
        const int i = probe.findser(name);
        std::vector<float> flat;
        for (const auto& row : m)
            for (double v : row) flat.push_back(static_cast<float>(v));
        const auto pos = static_cast<std::size_t>(probe.elementPos(i, k));
        poke("io.vam", pos, flat);
    }
    void setv(const char* name, int k, const std::vector<double>& v) {
        Dense m;
        for (double x : v) m.push_back({x});
        setm(name, k, m);
    }
    // The bank's bytes, to show that a refused command wrote nothing.
    std::vector<std::uint8_t> bytesnow() { return readFile("io.vam"); }
};

void expectnear(const Dense& got, const Dense& want, double rel = 1e-5) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        for (std::size_t j = 0; j < want[i].size(); ++j)
            EXPECT_NEAR(got[i][j], want[i][j], rel * std::max(1.0, std::fabs(want[i][j])))
                << "cell " << i + 1 << "." << j + 1;
}

Dense coefficients() {
    Dense a = flows;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) a[i][j] = flows[i][j] / outputs[j];
    return a;
}

TEST_F(MatrixCommands, CoefficientsAndFlowsBackAgain) {
    ASSERT_EQ(run(mmultcmd, "a = z & 1 1995"), 0);
    ASSERT_EQ(run(coefcmd, "-c a x 1995"), 0);
    const Dense a = coefficients();
    expectnear(getm("a", 0), a);
    expectnear(getm("a", 0), {{0.15, 0.25, 0.05}, {0.2, 0.05, 0.4}, {0.3, 0.25, 0.05}});
    expectnear(getm("a", 1), Dense(3, std::vector<double>(3, 0)));  // not in the year given

    ASSERT_EQ(run(mmultcmd, "t = a & 1"), 0);
    ASSERT_EQ(run(flowcmd, "t x 1995"), 0);
    expectnear(getm("t", 0), flows);

    // Row coefficients: each cell over its row's total.
    ASSERT_EQ(run(mmultcmd, "t = z & 1 1995"), 0);
    ASSERT_EQ(run(getsum, "z r ct"), 0);
    ASSERT_EQ(run(coefcmd, "-r t ct 1995"), 0);
    Dense rowcoef = flows;
    for (auto& row : rowcoef) {
        const double s = row[0] + row[1] + row[2];
        for (double& v : row) v /= s;
    }
    expectnear(getm("t", 0), rowcoef);
    EXPECT_NEAR(getm("t", 0)[0][0], 0.2142857, 1e-6);
}

TEST_F(MatrixCommands, CoefficientLimitsAndZeroTotalsInFlow) {
    // Totals 1e-8 (positive, not above 1e-7), 0 and 1e-30; flows of both signs.
    bank->releaseLoaded();
    setv("x", 1, {1e-8, 0, 1e-30});
    setm("t", 1, {{5, 5, 1e10}, {-5, -5, -1e10}, {0, 0, 1e-40}});
    ASSERT_EQ(run(coefcmd, "t x 1996"), 0);
    // Column 3 divides 1e10 by 1e-30 only when the total is above 1e-7: it is not, so the
    // positive flows (1e-40 too) are the float maximum and the others 0.
    expectnear(getm("t", 1), {{FLT_MAX, 0, FLT_MAX}, {0, 0, 0}, {0, 0, FLT_MAX}}, 1e-6);

    setv("x", 1, {2e-7, 1, 1e30});
    setm("t", 1, {{1e35, 1, 1e-10}, {-1e35, 2, 1}, {1, 3, 2}});
    ASSERT_EQ(run(coefcmd, "t x 1996"), 0);
    const Dense got = getm("t", 1);
    EXPECT_EQ(got[0][0], FLT_MAX);   // 5e41 overflows float
    EXPECT_EQ(got[1][0], -FLT_MAX);  // with its sign
    EXPECT_EQ(got[0][2], 0.0);       // 1e-40 is below 1e-37
    EXPECT_NEAR(got[1][2], 1e-30, 1e-36);

    // flow leaves a cell whose total is 0 as it was.
    setv("x", 1, {0, 2, 0});
    setm("t", 1, {{0.5, 0.5, 0.5}, {1, 1, 1}, {2, 2, 2}});
    ASSERT_EQ(run(flowcmd, "t x 1996"), 0);
    expectnear(getm("t", 1), {{0.5, 1, 0.5}, {1, 2, 1}, {2, 4, 2}});
}

TEST_F(MatrixCommands, LeontiefInverseAgainstADenseInverse) {
    ASSERT_EQ(run(mmultcmd, "a = z & 1 1995"), 0);
    ASSERT_EQ(run(coefcmd, "a x 1995"), 0);
    ASSERT_EQ(run(mmultcmd, "l = a & 1 1995"), 0);
    ASSERT_EQ(run(linvcmd, "l 0"), 0);  // 0: every period of the f dates
    const Dense want = inverse(identityminus(coefficients()));
    const Dense got = getm("l", 0);
    expectnear(got, want);
    expectnear(got, {{1.3650861, 0.4252605, 0.2509037},
                     {0.527323, 1.3480757, 0.5953647},
                     {0.569849, 0.4890495, 1.2885392}});
    // 1996 held zeros: (I - 0)^-1 is the identity.
    expectnear(getm("l", 1), {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    // L times the final demand gives the outputs back.
    const std::vector<double> f = {300, 1300, 150};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(got[i][0] * f[0] + got[i][1] * f[1] + got[i][2] * f[2], outputs[i], 1e-2);
    // Output multipliers: the column sums.
    ASSERT_EQ(run(getsum, "l c mult"), 0);
    const auto m = getv("mult", 0);
    const std::vector<double> sums = {2.4622581, 2.2623857, 2.1348076};
    for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_NEAR(m[j], want[0][j] + want[1][j] + want[2][j], 1e-5);
        EXPECT_NEAR(m[j], sums[j], 1e-5);
    }
    EXPECT_EQ(getv("mult", 1), (std::vector<double>{1, 1, 1}));
}

TEST_F(MatrixCommands, LeontiefOfAWideMatrixDividesThePivotRowsExtraCells) {
    const Dense w = {{0.1, 0.2, 0.3, 7}, {0.3, 0.1, 0.2, 11}, {0.2, 0.2, 0.1, 13}};
    bank->releaseLoaded();
    setm("w", 0, w);
    ASSERT_EQ(run(linvcmd, "w 1995"), 0);
    const Dense got = getm("w", 0);
    const Dense ima = identityminus(leading(w, 3));
    expectnear(leading(got, 3), inverse(ima));
    // The pivot of step k is det(leading k+1) / det(leading k) of I - A.
    double before = 1;
    for (std::size_t k = 0; k < 3; ++k) {
        const double now = det(leading(ima, k + 1));
        EXPECT_NEAR(got[k][3], w[k][3] * before / now, 1e-4) << "row " << k + 1;
        before = now;
    }
}

TEST_F(MatrixCommands, RefusalsLeaveTheBankAsItWas) {
    bank->releaseLoaded();
    setm("s", 0, {{1, 0.5}, {0.5, 0}});
    setm("t", 0, {{1, 2}, {2, 4}, {0, 0}});
    setv("v4", 0, {1, 2, 3, 4});
    ASSERT_EQ(run(mmultcmd, "a = z & 1 1995"), 0);
    struct Case {
        int (*handler)(DataBank*, std::FILE*);
        const char* line;
    } cases[] = {
        {linvcmd, "s 1995"},          // I - A has a zero first pivot
        {linvcmd, "x"},               // a vector
        {linvcmd, "pz"},              // packed
        {linvcmd, "q.a"},             // slot q is empty
        {linvcmd, "c.a"},             // slot c too
        {coefcmd, "a v4 1995"},       // totals of the wrong length
        {coefcmd, "b.a x 1995"},      // coef takes no bank letter
        {coefcmd, "-q a x"},          // no such option
        {coefcmd, "a x word"},        // not a year
        {flowcmd, "b.a x"},
        {mmultcmd, "t = w * w 1995"},  // incompatible
        {mmultcmd, "s = z * z 1995"},  // result too small
        {mmultcmd, "t = 2 * 3"},       // both numbers
        {mmultcmd, "t = a ^ a"},
        {mmultcmd, "t = a * a 2001"},  // outside the bank
        {maddcmd, "t = a + w"},
        {mtranscmd, "s a"},
        {rowscalecmd, "b.a x"},
        {movecmd, "b.a up 2 3 1"},
        {movecmd, "a up x 3 1"},
        {movecmd, "m6 down 1 6 2"},   // last equal to the rows
        {movecmd, "m6 up 3 5 1 1990"},  // outside the f dates
        {getsum, "z c (1-5) ct"},
        {getsum, "z r (0) ct"},
        {getsum, "z r t"},            // a matrix as target
        {getsum, "q.z r ct"},
    };
    for (const Case& c : cases) {
        const auto before = bytesnow();
        EXPECT_EQ(run(c.handler, c.line), -1) << c.line;
        bank->storecmd();  // whatever is still loaded goes back to the file now
        EXPECT_EQ(bytesnow(), before) << c.line;
        EXPECT_FALSE(bank->isLoaded()) << c.line;
    }
    // minv inverts what linv cannot (it pivots), and refuses a singular matrix.
    ASSERT_EQ(run(minvcmd, "s 1995"), 0);
    expectnear(getm("s", 0), inverse({{1, 0.5}, {0.5, 0}}));
    setm("s", 0, {{1, 2}, {2, 4}});
    const auto before = bytesnow();
    EXPECT_EQ(run(minvcmd, "s 1995"), -1);
    bank->storecmd();
    EXPECT_EQ(bytesnow(), before);
}

TEST_F(MatrixCommands, ArithmeticAgainstItsDefinitions) {
    ASSERT_EQ(run(mmultcmd, "a = z & 1 1995"), 0);
    ASSERT_EQ(run(coefcmd, "a x 1995"), 0);
    const Dense a = getm("a", 0);
    Dense ata(3, std::vector<double>(3, 0)), sq = a, tr = a;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) {
            for (std::size_t k = 0; k < 3; ++k) ata[i][j] += a[k][i] * a[k][j];
            sq[i][j] = a[i][j] * a[i][j];
            tr[i][j] = a[j][i];
        }
    ASSERT_EQ(run(mmultcmd, "t = a ' a 1995"), 0);
    expectnear(getm("t", 0), ata);
    expectnear({getm("t", 0)[0]}, {{0.1525, 0.1225, 0.1025}});
    ASSERT_EQ(run(mmultcmd, "t = a & a 1995"), 0);
    expectnear(getm("t", 0), sq);
    ASSERT_EQ(run(mtranscmd, "t a 1995"), 0);
    expectnear(getm("t", 0), tr);
    ASSERT_EQ(run(maddcmd, "t = a - a 1995"), 0);
    expectnear(getm("t", 0), Dense(3, std::vector<double>(3, 0)));
    ASSERT_EQ(run(maddcmd, "t a + a 1995"), 0);  // the "=" supplied
    Dense twice = a;
    for (auto& row : twice)
        for (double& v : row) v *= 2;
    expectnear(getm("t", 0), twice);
    // A number first term of * is a matrix of that number: every row the column sums.
    ASSERT_EQ(run(mmultcmd, "t = 2 * a 1995"), 0);
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            EXPECT_NEAR(getm("t", 0)[i][j], 2 * (a[0][j] + a[1][j] + a[2][j]), 1e-6);
    // Ordinary product, quotient with a zero divisor, minimum and maximum.
    ASSERT_EQ(run(mmultcmd, "t = z * a 1995"), 0);
    Dense za(3, std::vector<double>(3, 0));
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            for (std::size_t k = 0; k < 3; ++k) za[i][j] += flows[i][k] * a[k][j];
    expectnear(getm("t", 0), za);
    ASSERT_EQ(run(mmultcmd, "t = z / t 1996"), 0);  // zeros in 1996: z stays
    ASSERT_EQ(run(mmultcmd, "t = a < 0.2 1995"), 0);
    ASSERT_EQ(run(mmultcmd, "l = a > 0.2 1995"), 0);
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) {
            EXPECT_NEAR(getm("t", 0)[i][j], std::min(a[i][j], 0.2), 1e-7);
            EXPECT_NEAR(getm("l", 0)[i][j], std::max(a[i][j], 0.2), 1e-7);
        }
    // The plain inverse, and a transposition in place; a bank letter is accepted.
    ASSERT_EQ(run(mmultcmd, "t = a & 1 1995"), 0);
    ASSERT_EQ(run(minvcmd, "b.t 1995"), 0);
    const Dense inv = inverse(a);
    expectnear(getm("t", 0), inv);
    expectnear(getm("t", 0), {{-6.6666667, 0, 6.6666667},
                              {7.5213675, -0.5128205, -3.4188034},
                              {2.3931624, 2.5641026, -2.9059829}});
    ASSERT_EQ(run(mtranscmd, "t b.t 1995"), 0);
    Dense invt = inv;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) invt[i][j] = inv[j][i];
    expectnear(getm("t", 0), invt);
}

TEST_F(MatrixCommands, SumsDiagonalRowScalingAndMoves) {
    ASSERT_EQ(run(getsum, "z r ct"), 0);
    EXPECT_EQ(getv("ct", 0), (std::vector<double>{700, 700, 850}));
    ASSERT_EQ(run(getsum, "z c (1-2) ct"), 0);
    EXPECT_EQ(getv("ct", 0), (std::vector<double>{350, 600, 450}));
    ASSERT_EQ(run(getsum, "pz c (1-2) ct"), 0);  // a packed source sums the same
    EXPECT_EQ(getv("ct", 0), (std::vector<double>{350, 600, 450}));

    ASSERT_EQ(run(mmultcmd, "a = z & 1 1995"), 0);
    ASSERT_EQ(run(coefcmd, "a x 1995"), 0);
    ASSERT_EQ(run(extractcmd, "a ct"), 0);
    const auto d = getv("ct", 0);
    EXPECT_NEAR(d[0], 0.15, 1e-7);
    EXPECT_NEAR(d[1], 0.05, 1e-7);
    EXPECT_NEAR(d[2], 0.05, 1e-7);
    bank->releaseLoaded();
    setv("ct", 0, {7, 8, 9});
    ASSERT_EQ(run(insertcmd, "t ct"), 0);
    expectnear(getm("t", 0), {{7, 0, 0}, {0, 8, 0}, {0, 0, 9}});
    ASSERT_EQ(run(extractcmd, "pz ct"), 0);
    EXPECT_EQ(getv("ct", 0), (std::vector<double>{150, 100, 50}));
    ASSERT_EQ(run(insertcmd, "pz x"), 0);
    ASSERT_EQ(run(getsum, "pz r ct"), 0);  // 1000 + 500 + 50, 200 + 2000 + 400, 300 + 500 + 1000
    EXPECT_EQ(getv("ct", 0), (std::vector<double>{1550, 2600, 1800}));

    // rowscale with and without the diagonal.
    setv("ct", 0, {1, 2, 3});
    ASSERT_EQ(run(mmultcmd, "t = z & 1 1995"), 0);
    ASSERT_EQ(run(rowscalecmd, "t ct y"), 0);
    expectnear(getm("t", 0), {{150, 500, 50}, {400, 100, 800}, {900, 1500, 50}});
    ASSERT_EQ(run(mmultcmd, "t = z & 1 1995"), 0);
    ASSERT_EQ(run(rowscalecmd, "t ct 7"), 0);
    expectnear(getm("t", 0), {{150, 500, 50}, {400, 200, 800}, {900, 1500, 150}});

    // Moves of a 6 x 2 matrix.
    const Dense six = {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}};
    bank->releaseLoaded();
    setm("m6", 0, six);
    ASSERT_EQ(run(movecmd, "m6 up 3 5 1 1995"), 0);
    expectnear(getm("m6", 0), {{5, 6}, {7, 8}, {9, 10}, {0, 0}, {0, 0}, {11, 12}});
    setm("m6", 0, six);
    ASSERT_EQ(run(movecmd, "m6 down 1 3 2 1995"), 0);
    expectnear(getm("m6", 0), {{0, 0}, {1, 2}, {3, 4}, {5, 6}, {9, 10}, {11, 12}});
    setm("m6", 0, six);
    ASSERT_EQ(run(movecmd, "m6 left 2 2 1 1995"), 0);
    expectnear(getm("m6", 0), {{2, 0}, {4, 0}, {6, 0}, {8, 0}, {10, 0}, {12, 0}});
    setm("m6", 0, six);
    ASSERT_EQ(run(movecmd, "m6 right 1 1 2"), 0);
    expectnear(getm("m6", 0), {{0, 1}, {0, 3}, {0, 5}, {0, 7}, {0, 9}, {0, 11}});
}

TEST_F(MatrixCommands, PackedCoefficientsMatchTheDenseOnes) {
    ASSERT_EQ(run(coefcmd, "pz x 1995"), 0);
    ASSERT_EQ(run(getsum, "pz r ct"), 0);  // the row sums of the coefficients
    const Dense a = coefficients();
    const auto ct = getv("ct", 0);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(ct[i], a[i][0] + a[i][1] + a[i][2], 1e-6);
    ASSERT_EQ(run(flowcmd, "pz x 1995"), 0);
    ASSERT_EQ(run(getsum, "pz r ct"), 0);
    EXPECT_EQ(getv("ct", 0), (std::vector<double>{700, 700, 850}));

    // A damaged file (row counts that do not add up to the cells) is refused whole.
    writeFile("pz.pmx", packedFlows(4));
    const auto before = readFile("pz.pmx");
    EXPECT_EQ(run(coefcmd, "pz x"), -1);
    EXPECT_EQ(run(extractcmd, "pz ct"), -1);
    EXPECT_EQ(run(insertcmd, "pz ct"), -1);
    EXPECT_EQ(readFile("pz.pmx"), before);
}

TEST_F(MatrixCommands, StoreFirstEvenWithWrongArgumentsAndNothingHalfWritten) {
    // A changed table loaded in the default bank reaches the file before anything is read,
    // whatever the arguments (mc stores only once its "=" is read).
    float value = 42;
    for (auto handler : {linvcmd, minvcmd, coefcmd, flowcmd, mtranscmd, maddcmd, mmultcmd,
                         rowscalecmd, movecmd, getsum}) {
        ASSERT_EQ(bank->loadcmd("x", 'x', 0), 0);
        bank->loadedRow(0)[0] = ++value;
        bank->setModified();
        EXPECT_EQ(run(handler, "\"nonsense\" + ="), -1);
        EXPECT_FALSE(bank->isLoaded());
        EXPECT_EQ(getv("x", 0)[0], value);
    }

    // A singular period after a good one: the good one stays inverted, the bad one keeps
    // its values, and neither the next command nor closing the bank writes it.
    bank->releaseLoaded();
    setm("s", 0, {{0.5, 0}, {0, 0.5}});
    setm("s", 1, {{1, 0.5}, {0.5, 0}});
    EXPECT_EQ(run(linvcmd, "s"), -1);
    expectnear(getm("s", 0), {{2, 0}, {0, 2}});
    EXPECT_FALSE(bank->isLoaded());
    EXPECT_EQ(run(getsum, "s r x"), 0);
    bank.reset();
    expectnear(getm("s", 1), {{1, 0.5}, {0.5, 0}});

    // Periods are clipped to the bank: f dates 1990-2010 still work on 1995 and 1996.
    ASSERT_TRUE(open("io"));
    fdate1 = 1990;
    fdate2 = 2010;
    ASSERT_EQ(run(linvcmd, "l"), 0);
    expectnear(getm("l", 0), {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    expectnear(getm("l", 1), {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
}

TEST_F(MatrixCommands, ARefusedCommandLeavesTheNextLineOfAScript) {
    auto runscript = [&](int (*handler)(DataBank*, std::FILE*), const std::string& text) {
        return script([&](std::FILE* in) { return handler(bank.get(), in); }, text);
    };
    const struct {
        int (*handler)(DataBank*, std::FILE*);
        const char* text;
    } cases[] = {
        {getsum, "z r (1-2\nnext\n"},      {getsum, "z r (1-5) ct extra\nnext\n"},
        {getsum, "z r (0) ct\nnext\n"},    {getsum, "z q ct\nnext\n"},
        {mccmd, "x [1-2\nnext\n"},         {mccmd, "x [] = 1\nnext\n"},
        {linvcmd, "nothere 1995 x\nnext\n"}, {coefcmd, "a x word more\nnext\n"},
        {mmultcmd, "t = a ^ a\nnext\n"},   {movecmd, "m6 up 3 x 1\nnext\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runscript(c.handler, c.text), -1) << c.text;
        EXPECT_EQ(nexttoken(), "next") << c.text;
    }
    EXPECT_EQ(runscript(linvcmd, "l 1995\nnext\n"), 0);
    EXPECT_EQ(nexttoken(), "next");
}

TEST_F(MatrixCommands, GetsumArithmeticBoxTurnsOnlyASuccessIntoCancel) {
    // Two float maxima in a row overflow the float sum.
    bank->releaseLoaded();
    setm("t", 0, {{FLT_MAX, FLT_MAX, 0}, {1, 2, 3}, {0, 0, 0}});
    {
        platform::ScopedScriptedPlatform box;
        box.platform.answers = {"cancel"};
        EXPECT_EQ(run(getsum, "t r ct"), 27);
        EXPECT_EQ(box.platform.boxes, (std::vector<std::string>{"[Error] In getsum"}));
    }
    {
        platform::ScopedScriptedPlatform box;
        EXPECT_EQ(run(getsum, "t r ct"), 0);  // OK keeps the success
        EXPECT_EQ(box.platform.boxes.size(), 1u);
    }
    EXPECT_EQ(getv("ct", 0)[1], 6);
    // A refusal stays a refusal, and a later clean getsum shows no box.
    platform::ScopedScriptedPlatform box;
    box.platform.answers = {"cancel"};
    EXPECT_EQ(run(getsum, "t r (9) ct"), -1);
    EXPECT_EQ(run(getsum, "z r ct"), 0);
    EXPECT_TRUE(box.platform.boxes.empty());
}

TEST_F(MatrixCommands, McRewritesEveryValueAsItWas) {
    const auto before = bytesnow();
    EXPECT_EQ(run(mccmd, "z = anything at all"), 0);
    EXPECT_EQ(run(mccmd, "x [1-3] = 0"), 0);
    EXPECT_EQ(run(mccmd, "pz = 0"), 0);
    EXPECT_EQ(run(mccmd, "b.fd = 0"), 0);
    EXPECT_EQ(bytesnow(), before);
    EXPECT_EQ(run(mccmd, "nothere = 0"), -1);
    EXPECT_EQ(run(mccmd, "z 3"), -1);
    EXPECT_EQ(run(mccmd, "q.z = 0"), -1);
    fdate1 = 2001;
    fdate2 = 2002;
    EXPECT_EQ(run(mccmd, "z = 0"), -1);  // no overlap with the bank

    JexDate a(1990.0f), b(2000.0f);
    EXPECT_EQ(clipdates(a, b, JexDate(1995.0f), JexDate(1996.0f)), 0);
    EXPECT_EQ(a, JexDate(1995.0f));
    EXPECT_EQ(b, JexDate(1996.0f));
    EXPECT_EQ(clipdates(a, b, JexDate(1997.0f), JexDate(1998.0f)), -1);
    EXPECT_EQ(a, JexDate(1995.0f));
}

}  // namespace

}  // namespace matrix_test
