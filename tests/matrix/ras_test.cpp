// ras, rdras and psras on the 3 x 4 flow matrix m of the bank b: the balanced matrix against
// an independent biproportional fitting, the options, the control sums that differ, groups,
// preconditions over several periods, and the totals that cannot be met.
#include <cfenv>
#include <cstring>
#include <filesystem>

#include "matrix/ras.h"
#include "tests/matrix/balancing_fixture.h"

namespace ras_test {

namespace {

using namespace baltest;

class Ras : public Balancing {
public:
    // A row of zeros with a positive control.
    void zerorow() { setm("m", 0, {{0, 0, 0, 0}, flows[1], flows[2]}); }
    // Positive cells of row 3 to a negative control (the sums still agree).
    void negativecontrol() {
        setv("rt", 0, {60, 55, -45});
        setv("ct", 0, {10, 10, 25, 25});
    }

protected:
    int ras(const std::string& line, int mode = 0) { return run(rascmd, mode, line); }
    static double rowsum(const Dense& m, int i) {
        double s = 0;
        for (double v : m[static_cast<std::size_t>(i)]) s += v;
        return s;
    }
    static double colsum(const Dense& m, int j) {
        double s = 0;
        for (const auto& row : m) s += row[static_cast<std::size_t>(j)];
        return s;
    }
    void expectcontrols(const Dense& m, const std::vector<double>& r, const std::vector<double>& c) {
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(rowsum(m, i), r[static_cast<std::size_t>(i)], 1e-4) << "row " << i + 1;
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(colsum(m, j), c[static_cast<std::size_t>(j)], 2e-6 * c[static_cast<std::size_t>(j)] + 2e-5)
                << "column " << j + 1;
    }
};

const Dense balanced = {{7.280133, 14.219331, 18.597353, 19.903184},
                        {13.043903, 6.369237, 22.214069, 13.372791},
                        {19.675965, 14.411433, 4.188578, 6.724025}};

TEST_F(Ras, BalancesToTheBiproportionalSolution) {
    // The figures are the plain fitting's own.
    expectnear(ipf(flows, rowControls, colControls), balanced, 1e-6);
    std::string logs[3], tables[3];
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        setm("m", 0, flows);
        clearOutput();
        ASSERT_EQ(ras("m rt ct 1995", mode), 0);
        const Dense got = getm("m", 0);
        expectnear(got, balanced, 1e-4);
        expectnear(got, ipf(flows, rowControls, colControls), 1e-4);
        expectcontrols(got, rowControls, colControls);
        expectnear(getm("m", 1), flows, 0);
        const auto bytes = readFile("ras.log");
        logs[mode].assign(bytes.begin(), bytes.end());
        tables[mode] = output();
    }
    EXPECT_EQ(logs[0], logs[2]);
    EXPECT_EQ(tables[0], tables[2]);
    EXPECT_EQ(logs[0].rfind("ras.log -- Scale factors for balancing matrices\n\niter[1], col[1], cscale = ", 0), 0u);
    EXPECT_NE(tables[0].find("For the period 1995\nSum of row controls:   160.00\nSum of col controls:   160.00\n"
                             "Iter  row   scale   col   scale     col       max-disc\n"
                             "   1    3 -0.1798951   2 0.1666667    1       0.0760512\n"
                             "   2    3 -0.0302189   1 0.0760512    1       0.0094245\n"),
              std::string::npos)
        << tables[0];
    EXPECT_NE(tables[0].find("The largest relative difference between the control for\n"
                             "any row or column and the sum of its elements 0.00000"),
              std::string::npos);
    // rdras logs the multipliers themselves: 40 / 35 on column 1 of iteration 1.
    EXPECT_NE(logs[1].find("iter[1], col[1], cscale =    1.1428571\n"), std::string::npos) << logs[1];
    EXPECT_FALSE(bank->isLoaded());

    // -c: each cell over its column control.
    setm("m", 0, flows);
    ASSERT_EQ(ras("-c m rt ct 1995"), 0);
    const Dense coef = getm("m", 0);
    const std::vector<double> row1 = {0.182003, 0.406267, 0.413275, 0.49758};
    for (std::size_t j = 0; j < 4; ++j) EXPECT_NEAR(coef[0][j], row1[j], 2e-6);
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 4; ++j) EXPECT_NEAR(coef[i][j], balanced[i][j] / colControls[j], 2e-6);

    // The packed copy balanced through pmras gives the same coefficients.
    Dense start = flows;
    for (auto& row : start)
        for (std::size_t j = 0; j < 4; ++j) row[j] /= colControls[j];
    writeFile("pm.pmx", densePacked(start));
    ASSERT_EQ(ras("pm rt ct 1995"), 0);
    VamFile probe("b");
    const auto data = readFile("pm.pmx");
    for (std::size_t k = 0; k < 12; ++k)
        EXPECT_NEAR(f32at(data, packedHeaderSize + 30 + 4 * k), coef[k / 4][k % 4], 1e-3 * coef[k / 4][k % 4]);
}

TEST_F(Ras, ControlSumsThatDiffer) {
    setv("ct", 0, {50, 45, 55, 50});
    const auto before = readFile("b.vam");
    EXPECT_EQ(ras("m rt ct 1995"), -1);
    EXPECT_NE(output().find("The sum of the row totals does not equal the sum of\n"
                            "the column totals.  Use the optional parameter [r|c]\n"
                            "to specifiy which controls, or scale the totals before\nusing ras\n"),
              std::string::npos);
    EXPECT_EQ(readFile("b.vam"), before);
    EXPECT_FALSE(bank->isLoaded());

    addPrint = 1;
    ASSERT_EQ(ras("m rt ct 1995 r"), 0);
    EXPECT_NE(output().find("The column controls were scaled by -0.20000\n"), std::string::npos);
    Dense got = getm("m", 0);
    const std::vector<double> cols = {40, 36, 44, 40};
    expectcontrols(got, rowControls, cols);
    expectnear(got, ipf(flows, rowControls, cols), 1e-4);
    expectnear({got[0]}, {{7.297292, 14.662151, 18.146954, 19.893603}}, 1e-4);

    setm("m", 0, flows);
    ASSERT_EQ(ras("m rt ct 1995 C"), 0);
    EXPECT_NE(output().find("The row controls were scaled by 0.25000\n"), std::string::npos);
    got = getm("m", 0);
    const std::vector<double> rows = {75, 68.75, 56.25};
    expectcontrols(got, rows, {50, 45, 55, 50});
    expectnear({got[0]}, {{9.121615, 18.327688, 22.683693, 24.867004}}, 1e-4);
}

TEST_F(Ras, GroupsLimitsAndTolerance) {
    // Rows 1 and 2 only: row 3 keeps its values and is written back with the others.
    ASSERT_EQ(ras("m(r 1-2) rt ct 1995 c"), 0);
    Dense got = getm("m", 0);
    expectnear({got[2]}, {flows[2]}, 0);
    const Dense part = {flows[0], flows[1]};
    const Dense want = ipf(part, {60 * 160 / 115.0, 55 * 160 / 115.0}, colControls);
    expectnear({got[0], got[1]}, want, 1e-4);

    // A cell read as 0.0000004 is balanced as 0 and stored as 0.
    Dense tiny = flows;
    tiny[1][1] = 0.0000004;
    setm("m", 0, tiny);
    ASSERT_EQ(ras("m rt ct 1995"), 0);
    EXPECT_EQ(getm("m", 0)[1][1], 0.0);
    tiny[1][1] = 0;
    expectnear(getm("m", 0), ipf(tiny, rowControls, colControls), 1e-4);

    // -maxiter 0 means 100; a tolerance of 0 never converges: every iteration runs and the
    // period is stored with the non-convergence lines.
    setm("m", 0, flows);
    clearOutput();
    EXPECT_EQ(ras("m rt ct 1995 -0 0"), -1);
    const std::string out = output();
    EXPECT_NE(out.find("\n 100 "), std::string::npos);
    EXPECT_EQ(out.find("\n 101 "), std::string::npos);
    EXPECT_NE(out.find("Did not converge. Maximum percentage discrepancy = "), std::string::npos);
    EXPECT_NE(out.find("The matrix will be stored\n"), std::string::npos);
    expectnear(getm("m", 0), balanced, 1e-4);

    // The first iteration of a balanced matrix finds nothing to do: one table line.
    clearOutput();
    ASSERT_EQ(ras("m rt ct 1995 - 7"), 0);
    EXPECT_NE(output().find("\n   1 "), std::string::npos);
    EXPECT_EQ(output().find("\n   2 "), std::string::npos) << output();
}

TEST_F(Ras, PreconditionsOverThePeriods) {
    struct Case {
        const char* file;
        void (*check)(const Dense& y1995, const Dense& y1996);
    };
    const Case cases[] = {
        // cell holds its cell at 0 in every iteration
        {"cell 3 4 3 4 0\n", [](const Dense& a, const Dense&) { EXPECT_EQ(a[2][3], 0); }},
        // a max bound that binds is held
        {"max 1 1 1 1 6\n", [](const Dense& a, const Dense& b) {
             EXPECT_EQ(a[0][0], 6);
             EXPECT_EQ(b[0][0], 6);
         }},
        // after fdates 1996 1996 a line acts in 1996 only
        {"fdates 1996 1996\ncell 3 4 3 4 0\n", [](const Dense& a, const Dense& b) {
             EXPECT_NEAR(a[2][3], 6.724025, 1e-4);
             EXPECT_EQ(b[2][3], 0);
         }},
        // eq acts in every period of the run
        {"eq 1 1 1 1 5\n", [](const Dense& a, const Dense& b) {
             EXPECT_NEAR(a[0][0], 5, 1e-6);
             EXPECT_NEAR(b[0][0], 5, 1e-6);
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.file);
        writeText("p.txt", k.file);
        setm("m", 0, flows);
        setm("m", 1, flows);
        ASSERT_EQ(ras("m rt ct - p.txt"), 0) << output();
        const Dense a = getm("m", 0), b = getm("m", 1);
        k.check(a, b);
        expectcontrols(a, rowControls, colControls);
        expectcontrols(b, rowControls, colControls);
        EXPECT_TRUE(preconditionList.empty());
    }
}

TEST_F(Ras, TotalsThatCannotBeMet) {
    struct Case {
        const char* line;
        int mode;
        std::vector<const char*> messages;
        void (Ras::*prepare)();
    };
    auto zerorow = &Ras::zerorow;
    auto negative = &Ras::negativecontrol;
    const Case cases[] = {
        {"m rt ct 1995", 0, {"\niter[1], row[1]\n", "Error:  in scaling routine.\n"}, zerorow},
        {"m rt ct 1995", 1, {"\niter[1], row[3]\n", "Error:  in scaling routine.\n"}, negative},
        {"m rt4 ct 1995", 0, {"Sizes do not match.\n"}, nullptr},
        {"m rt ct 1997 extra words", 0, {"The year specified must be between the limits of the vam file.",
                                         "Returning..."}, nullptr},
        {"m cm 1 ct 1995", 0, {"Error:  In ras, the row control matrix cm has 2 rows, fewer than the 3 of m."}, nullptr},
        {"m rm 5 ct 1995", 0, {"The column selected (5) as the row control must be less"}, nullptr},
        {"m rt km 1 1995", 0, {"Error:  In ras, the column control matrix km has 2 columns"}, nullptr},
        {"-x m rt ct", 0, {"Syntax Error 1\n", "ras <matrix>[(r rgroup)]"}, nullptr},
        {"5", 2, {"Syntax Error 2\n", "psras <matrix>"}, nullptr},
        {"rt rt ct", 0, {"No such matrix as rt.\n"}, nullptr},
        {"m (c 1) (r 1) rt ct", 0, {"Syntax Error 3\n"}, nullptr},
        {"m (r 1-4) rt ct", 0, {"The number of rows selected (4) cannot exceed\nthe number of rows in the vector (3)\n"}, nullptr},
        {"m rt 5", 0, {"Syntax Error 5\n"}, nullptr},
        {"m rt ct 1995 x", 0, {"Syntax Error 6\n"}, nullptr},
        {"m rt ct 1995 r -5 p.txt 0.1 9", 0, {"Syntax Error:  ras tolerance specification.\n"}, nullptr},
        {"m rt ct 1995 r 7", 0, {"Syntax Error 8\n"}, nullptr},
        {"m rt ct 1995 - nofile", 0, {"Unable to open precondition file: nofile", "Error in the precondition function\n"}, nullptr},
        {"pm (r 1) rt ct", 0, {"\nError:  Row total vector expected.  Groups not accepted for packed matrices.\n"}, nullptr},
    };
    writeText("p.txt", "cell 1 1 1 1 5\n");
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        setm("m", 0, flows);
        setv("rt", 0, rowControls);
        setv("ct", 0, colControls);
        if (k.prepare) (this->*k.prepare)();
        const auto before = readFile("b.vam");
        clearOutput();
        EXPECT_EQ(ras(k.line, k.mode), -1);
        for (const char* m : k.messages) EXPECT_NE(output().find(m), std::string::npos) << output();
        EXPECT_EQ(readFile("b.vam"), before);
        EXPECT_FALSE(bank->isLoaded());
    }
}

}  // namespace

namespace {

// A column whose sum exceeds its control counts as much as one that falls short.
TEST(RasDiscrepancy, SmallerOfAbsoluteAndRelative) {
    struct Case {
        double c, s, d;
    };
    const Case cases[] = {
        {5, 10, 0.5},         // sum above the control: | |c / s| - 1 | = 0.5
        {10, 5, 1},           // below: the relative term 1 is smaller than 5
        {10, 10.5, 1 / 21.0}, // relative
        {0.5, 0.25, 0.25},    // absolute smaller than relative (1)
        {40, 1e-8, 40 - 1e-8},  // a column summing to nothing: the absolute difference
        {-10, 5, 1},
        {10, -10, 0},
    };
    for (const Case& k : cases) EXPECT_NEAR(columndiscrepancy(k.c, k.s), k.d, 1e-12) << k.c << " " << k.s;
}

}  // namespace

namespace {

// A log that cannot be written stops the command before it reads its arguments.
TEST_F(Ras, LogThatCannotBeOpened) {
    std::filesystem::create_directory("ras.log");
    const auto before = readFile("b.vam");
    EXPECT_EQ(ras("m rt ct 1995"), -1);
    EXPECT_NE(output().find("Error:  in ras.  Could not open log file.\nReturning...\n"), std::string::npos)
        << output();
    EXPECT_EQ(readFile("b.vam"), before);
}

}  // namespace

namespace {

// A floating-point exception left pending: OK goes on, Cancel ends the command with 27
// before the iteration.
TEST_F(Ras, PendingFloatingPointException) {
    for (const char* answer : {"ok", "cancel"}) {
        SCOPED_TRACE(answer);
        setm("m", 0, flows);
        clearOutput();
        screen.platform.answers = {answer};
        std::feraiseexcept(FE_DIVBYZERO);
        const int status = ras("m rt ct 1995");
        EXPECT_NE(output().find("Error:  numerical error in proportional scaling routine.\n"), std::string::npos);
        if (answer[0] == 'o') {
            EXPECT_EQ(status, 0);
            expectnear(getm("m", 0), balanced, 1e-4);
        } else {
            EXPECT_EQ(status, 27);
            expectnear(getm("m", 0), flows, 0);
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace

namespace {

// One iteration worked the plain way on a matrix with cells of both signs, controls in reach
// of the absolute-value method: every column over the row group, then every row over the
// column group, each line moved as that method defines it (f = (c - S) / A, every member by
// f |x|, at least 1e-100). The iteration must give the same bits, whatever way it walks the
// matrix or tests the floating-point flags; the groups leave row 2 and column 4 alone.
// (The rows do not meet their controls: they add to more than the columns.)
TEST(RasIteration, SameBitsAsTheLinesScaledOneByOne) {
    const int R = 7, C = 5;
    BalanceTable t;
    t.resize(R, C);
    auto cell = [](int i, int j) { return ((i * 7 + j * 3) % 11 + 0.5) / 3.1 + 0.01 * i * j; };
    for (int i = 1; i <= R; ++i)
        for (int j = 1; j <= C; ++j) t.at(i, j) = cell(i, j);
    t.at(3, 1) = -0.4;
    t.at(6, 5) = -0.2;
    const std::vector<std::int16_t> rows = {1, 3, 4, 5, 6, 7}, cols = {5, 1, 2, 3};
    // Controls 5% to 20% off the sums of the groups: every line stays with the
    // absolute-value method.
    for (int i : rows)
        for (int j : cols) {
            t.r[static_cast<std::size_t>(i)] += t.at(i, j) * (1.2 - 0.03 * i);
            t.c[static_cast<std::size_t>(j)] += t.at(i, j) * (0.8 + 0.04 * j);
        }
    BalanceTable want = t;
    auto scaleline = [](std::vector<double*> line, double c) {
        double S = 0, A = 0;
        for (double* x : line) {
            S += *x;
            A += std::fabs(*x);
        }
        const double f = (c - S) / A;
        for (double* x : line) {
            double d = std::fabs(*x) * f;
            if (std::fabs(d) <= 1e-100) d = d < 0 ? -1e-100 : 1e-100;
            *x += d;
        }
    };
    for (int k : cols) {
        std::vector<double*> line;
        for (int m : rows) line.push_back(&want.at(m, k));
        scaleline(line, want.c[static_cast<std::size_t>(k)]);
    }
    for (int k : rows) {
        std::vector<double*> line;
        for (int m : cols) line.push_back(&want.at(k, m));
        scaleline(line, want.r[static_cast<std::size_t>(k)]);
    }

    platform::ScopedScriptedPlatform screen;
    rasiteration(t, rows, cols, 0);
    EXPECT_EQ(screen.platform.text(), "");  // every line by the absolute-value method, no box
    ASSERT_EQ(t.a.size(), want.a.size());
    for (std::size_t k = 0; k < t.a.size(); ++k)
        EXPECT_EQ(std::memcmp(&t.a[k], &want.a[k], sizeof(double)), 0)
            << "cell " << k / (C + 1) << " " << k % (C + 1) << ": " << t.a[k] << " against " << want.a[k];
    // Row 2 and column 4 kept their cells.
    EXPECT_EQ(t.at(2, 3), cell(2, 3));
    EXPECT_EQ(t.at(6, 4), cell(6, 4));
}

}  // namespace

}  // namespace ras_test
