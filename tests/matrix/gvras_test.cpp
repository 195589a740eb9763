// gvras on an expanded table of two sectors, one value-added row, two final-demand columns
// and a weak gross value (the outputs of both sectors are uncertain, only their total is
// known); IO2expIO and expIO2IO between the input-output layout and the expanded one.
#include "matrix/gvras.h"
#include "matrix/precon.h"
#include "tests/matrix/balancing_fixture.h"

namespace gvras_test {

namespace {

using namespace baltest;

// Rows: sectors 1-2, value added, the weak gross value row, the targets of the columns.
// Columns: sectors 1-2, final demand 1-2, the weak gross value column, the row targets.
const Dense expanded = {{22, 28, 45, 10, -100, 15},
                        {38, 12, 30, 18, -100, 5},
                        {41, 58, 0, 0, 0, 100},
                        {-100, -100, 0, 0, 0, -200},
                        {15, 5, 70, 30, -200, 0}};

// An input-output table: sectors, intermediate totals, value added, totals.
const Dense iotable = {{20, 30, 50, 40, 10, 100},
                       {40, 10, 50, 30, 20, 100},
                       {60, 40, 100, 70, 30, 200},
                       {40, 60, 100, 0, 0, 100},
                       {100, 100, 200, 70, 30, 300}};

class Gvras : public Balancing {
protected:
    int gvras(const std::string& line) { return run(gvrascmd, line); }
};

TEST_F(Gvras, ConvergedRunMeetsItsTargets) {
    setm("ex", 0, expanded);
    setm("ex", 1, expanded);
    ASSERT_GE(gvras("ex 2 1 2 2 1995"), 0) << output();
    EXPECT_NE(output().find("For the year 1995\nIter  col     scale   row     scale\n"), std::string::npos);
    EXPECT_NE(output().find("Converged.\n"), std::string::npos);
    const Dense a = getm("ex", 0);
    // Every line it scales meets its target, over the entries before the total position,
    // within 1e-5 of the line's sum of magnitudes (the measure of its scale figure).
    for (int j = 0; j < 5; ++j) {
        double s = 0, size = 0;
        for (int i = 0; i < 4; ++i) {
            s += a[i][j];
            size += std::fabs(a[i][j]);
        }
        EXPECT_NEAR(s, expanded[4][j], 1e-5 * size + 1e-4) << "column " << j + 1;
    }
    for (int i = 0; i < 4; ++i) {
        double s = 0, size = 0;
        for (int j = 0; j < 5; ++j) {
            s += a[i][j];
            size += std::fabs(a[i][j]);
        }
        EXPECT_NEAR(s, expanded[i][5], 1e-5 * size + 1e-4) << "row " << i + 1;
    }
    // The weak gross value row equals its column; the targets stay.
    EXPECT_EQ(a[3][0], a[0][4]);
    EXPECT_EQ(a[3][1], a[1][4]);
    EXPECT_GT(std::fabs(a[3][0] + 100), 1);  // the outputs moved, their total did not
    EXPECT_NEAR(a[3][0] + a[3][1], -200, 1e-3);
    for (int j = 0; j < 6; ++j) EXPECT_EQ(a[4][j], expanded[4][j]);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a[i][5], expanded[i][5]);
    expectnear(getm("ex", 1), expanded, 0);
    const auto log = readFile("gvras.log");
    const std::string text(log.begin(), log.end());
    EXPECT_EQ(text.rfind("gvras.log -- Proportional scale factors for balancing\n"
                         "             matrices with uncertain totals\n\niter[1], col[1], cscale   = ", 0),
              0u)
        << text;
    EXPECT_NE(text.find("iter[1], row[4], GVRSCALE = "), std::string::npos);
    EXPECT_NE(text.find("iter[1], col[5], GVCSCALE = "), std::string::npos);

    // maxiter 1 runs no iteration: nothing stored.
    setm("ex", 0, expanded);
    clearOutput();
    EXPECT_EQ(gvras("ex 2 1 2 2 1995 1"), -1);
    EXPECT_NE(output().find("Did not converge.\n"), std::string::npos);
    expectnear(getm("ex", 0), expanded, 0);
    EXPECT_FALSE(bank->isLoaded());
}

TEST_F(Gvras, PreconditionsAndAFailedStage) {
    setm("ex", 0, expanded);
    writeText("p.txt", "eq 2 1 2 1 10\ncell 2 2 2 2 12\n");
    ASSERT_GE(gvras("ex 2 1 2 2 1995 50 p.txt"), 0) << output();
    const Dense a = getm("ex", 0);
    EXPECT_NEAR(a[1][0], 10, 1e-5);  // held out at 0, then given its 10 back
    EXPECT_NEAR(a[1][1], 12, 1e-3);  // set before every row pass
    EXPECT_NE(output().find("\nRestore preconditions\n"), std::string::npos);
    EXPECT_TRUE(preconditionList.empty());

    // A stage 3 that fails ends gvras with -1 and nothing stored.
    setm("ex", 0, expanded);
    writeText("p.txt", "eq 2 1 2 1 10\nsc 3 3 5\n");
    clearOutput();
    EXPECT_EQ(gvras("ex 2 1 2 2 1995 50 p.txt"), -1);
    EXPECT_NE(output().find("Error:  in Phase 3 of the the precondition routine.\n"), std::string::npos)
        << output();
    expectnear(getm("ex", 0), expanded, 0);
    EXPECT_TRUE(preconditionList.empty());
}

TEST_F(Gvras, RefusalsChangeNothing) {
    Dense wrong = expanded;
    wrong[3][1] = 5;  // the weak row's sector 2 differs from its column
    setm("ex", 0, wrong);
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"", "\ngvras command is to balance matrices with uncertain totals.\n"},
        {"5", "Syntax Error 1\n"},
        {"rt 2 1 2 2 1995", "No such matrix as rt.\n"},
        {"pm 2 1 2 2 1995", "Does not accept packed matrixes\n"},
        {"ex 2 1 x", "Syntax Error 4\n"},
        {"ex 2 1 2 1 1995", "Check the number of sectors in the A matrix, the number of\n"},
        {"ex 2 1 2 2 y", "Syntax Error 6\n"},
        {"ex 2 1 2 2 1997", "The year selected (1997) must be greater than or\nequal to fdate1 (1995)"},
        {"ex 2 1 2 2 1995 5 6", "Syntax Error 7\n"},
        {"ex 2 1 2 2 1995", "io[4][2] should equal io[2][5]\n"},
    };
    const auto before = readFile("b.vam");
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        clearOutput();
        EXPECT_EQ(gvras(k.line), -1);
        EXPECT_NE(output().find(k.message), std::string::npos) << output();
        EXPECT_EQ(readFile("b.vam"), before);
    }
    // A row of zeros with a positive target cannot be scaled.
    Dense zero = expanded;
    zero[2] = {0, 0, 0, 0, 0, 100};
    setm("ex", 0, zero);
    clearOutput();
    EXPECT_EQ(gvras("ex 2 1 2 2 1995"), -1);
    EXPECT_NE(output().find("\niter[1], row[3]\nError:  in scaling routine.\n"), std::string::npos) << output();
    expectnear(getm("ex", 0), zero, 0);
}

TEST_F(Gvras, ExpandAndFoldBack) {
    setm("io", 0, iotable);
    setm("ex", 0, Dense(5, std::vector<double>(6, 7)));  // the weak block keeps its 7s
    ASSERT_EQ(run(io2expiocmd, "io b.ex 2 1 2 2 1995"), 0) << output();
    const Dense want = {{20, 30, 40, 10, 7, 100},
                        {40, 10, 30, 20, 7, 100},
                        {40, 60, 7, 7, 7, 100},
                        {7, 7, 7, 7, 7, 7},
                        {100, 100, 70, 30, 7, 7}};
    expectnear(getm("ex", 0), want, 0);
    setm("back", 0, Dense(5, std::vector<double>(6, 0)));
    ASSERT_EQ(run(expio2iocmd, "ex back 2 1 2 2 1995"), 0) << output();
    const Dense back = getm("back", 0);
    // Sector block, value-added row, final-demand columns and totals as in io; the
    // intermediate totals are the sums of what was folded.
    expectnear(back, {{20, 30, 50, 40, 10, 100},
                      {40, 10, 50, 30, 20, 100},
                      {60, 40, 100, 70, 30, 200},
                      {40, 60, 100, 0, 0, 0},
                      {100, 100, 200, 0, 0, 0}},
               0);

    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"io m 2 1 2 2 1995", "Check the number of the number of rows in the destination matrix,"},
        {"nosuch ex 2 1 2 2 1995", "\nNo such matrix as nosuch\n"},
        {"pm ex 2 1 2 2 1995", "IO2expIO does not work with packed matrices."},
        {"io ex 2 1 2 2 1994", "The year selected (1994) must be greater than or"},
        {"io ex 2 1 x", "Usage: IO2expIO <source> <destination> <nsec> <nva> <nfd> <ngv> <yr>"},
        {"io ex 9 1 2 2 1995", "Usage: IO2expIO"},
    };
    const auto before = readFile("b.vam");
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        clearOutput();
        EXPECT_EQ(run(io2expiocmd, k.line), -1);
        EXPECT_NE(output().find(k.message), std::string::npos) << output();
    }
    clearOutput();
    EXPECT_EQ(run(expio2iocmd, "ex back 2 1 1 2 1995"), -1);
    EXPECT_NE(output().find("Check the number of the number of columns in the source matrix,"), std::string::npos);
    EXPECT_EQ(readFile("b.vam"), before);
}

}  // namespace

}  // namespace gvras_test
