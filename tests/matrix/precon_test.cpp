// Precondition files: reading, the removal and restoring of eq and pt values, the conditions
// applied in every iteration, fdates sections, and the refusals of the reader.
#include "matrix/precon.h"
#include "tests/matrix/balancing_fixture.h"

namespace precon_test {

namespace {

using namespace baltest;

class Precon : public Balancing {
protected:
    void SetUp() override {
        Balancing::SetUp();
        t.resize(3, 5);
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 5; ++j) t.at(i, j) = 10 * i + j;
        for (int i = 1; i <= 3; ++i) rows.push_back(static_cast<std::int16_t>(i));
        for (int j = 1; j <= 5; ++j) cols.push_back(static_cast<std::int16_t>(j));
    }
    void TearDown() override {
        closepreconditions(false);
        Balancing::TearDown();
    }
    int phase(int p, float year = 1995) {
        const JexDate d(year);
        return readpreconditions(bank.get(), t, rows, cols, d.wsIndex(), "p.txt", removal,
                                 iteration, count, p, d, fixed);
    }
    int read(const std::string& text) {
        writeText("p.txt", text);
        return phase(1);
    }
    BalanceTable t;
    std::vector<std::int16_t> rows, cols;
    bool removal = false, iteration = false;
    int count = -1;
    std::vector<FixedCell> fixed;
};

TEST_F(Precon, EqIsHeldOutOfTheBalancingAndPutBack) {
    t.r[2] = 500;
    t.c[5] = 300;
    ASSERT_EQ(read("eq 2 5 2 5 100\n"), 0);
    EXPECT_TRUE(removal);
    EXPECT_FALSE(iteration);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(phase(2), 0);
    EXPECT_EQ(t.r[2], 400);
    EXPECT_EQ(t.c[5], 200);
    EXPECT_EQ(t.at(2, 5), 0);
    t.at(2, 5) = 0;  // the balancing keeps it 0
    ASSERT_EQ(phase(4), 0);
    EXPECT_EQ(t.r[2], 500);
    EXPECT_EQ(t.c[5], 300);
    EXPECT_EQ(t.at(2, 5), 100);
    EXPECT_NE(output().find("\nRemove preconditions\n\n"), std::string::npos);
    // pt takes its value out of the cell as well, and gives it back.
    ASSERT_EQ(read("pt 1 1 1 1 4\n"), 0);
    ASSERT_EQ(phase(2), 0);
    EXPECT_EQ(t.at(1, 1), 7);
    ASSERT_EQ(phase(4), 0);
    EXPECT_EQ(t.at(1, 1), 11);
    // The list serves every period of the command until it is closed.
    ASSERT_EQ(phase(2, 1996), 0);
    EXPECT_EQ(t.at(1, 1), 7);
    closepreconditions(false);
    ASSERT_EQ(phase(4, 1996), 0);
    EXPECT_EQ(t.at(1, 1), 7);
}

TEST_F(Precon, ConditionsOfTheIteration) {
    // A block of cells set, a bound that binds and one that does not, a single cell rescaled
    // and a group of cells rescaled to a total.
    ASSERT_EQ(read("# set, bound, rescale\n"
                   "cell 3 4 3 4 0\n"
                   "cell 1 1 1 2 -1\n"
                   "max 2 1 2 1 15\n"
                   "min 2 2 2 2 5\n"
                   "sc 2 3 50\n"
                   "sc (3 3) (1 2) 62\n"),
              0);
    EXPECT_FALSE(removal);
    EXPECT_TRUE(iteration);
    EXPECT_EQ(count, 6);
    ASSERT_EQ(phase(3), 0);
    EXPECT_EQ(t.at(3, 4), 0);
    EXPECT_EQ(t.at(1, 1), -1);
    EXPECT_EQ(t.at(1, 2), -1);
    EXPECT_EQ(t.at(2, 1), 15);
    EXPECT_EQ(t.at(2, 2), 22);
    EXPECT_NEAR(t.at(2, 3), 50, 1e-12);
    EXPECT_NEAR(t.at(3, 1), 31 * 62.0 / 63, 1e-9);
    EXPECT_NEAR(t.at(3, 2), 32 * 62.0 / 63, 1e-9);
    ASSERT_EQ(fixed.size(), 1u);
    EXPECT_EQ(fixed[0].row, 2);
    EXPECT_EQ(fixed[0].column, 1);
    EXPECT_EQ(fixed[0].value, 15);
    // Once the bound no longer binds the cell is released.
    t.at(2, 1) = 12;
    ASSERT_EQ(phase(3), 0);
    EXPECT_TRUE(fixed.empty());
    EXPECT_EQ(t.at(2, 1), 12);
}

TEST_F(Precon, FdatesSectionsAndSeriesValues) {
    settot(7, 8);
    ASSERT_EQ(read(": a comment block\n"
                   "  cell 1 1 1 1 99\n"
                   ":\n"
                   "cell 1 1 1 1 tot\n"
                   "fdates 1996 1996\n"
                   "cell 2 2 2 2 tot * 10\n"
                   "cell 3 3 3 3 tot - tot - 0.000001\n"),
              0);
    EXPECT_EQ(count, 4);
    ASSERT_EQ(phase(3, 1995), 0);
    EXPECT_EQ(t.at(1, 1), 7);
    EXPECT_EQ(t.at(2, 2), 22);  // not in 1995
    ASSERT_EQ(phase(3, 1996), 0);
    EXPECT_EQ(t.at(1, 1), 8);
    EXPECT_EQ(t.at(2, 2), 80);
    EXPECT_EQ(t.at(3, 3), 33);  // missing in every period: left out
}

TEST_F(Precon, RefusalsOfTheReader) {
    rows = {1, 2};
    struct Case {
        const char* text;
        const char* message;
        const char* closing;
    };
    const Case cases[] = {
        {"cell 1 1 1 1 0\n:\nno end\n", "colons must be used in pairs", "Precondition Error"},
        {"5 1 1 1 1 0\n", "The first parameter, preconcommand, must be alphanumeric.",
         "Precondition Syntax Error"},
        {"eq x 1 1 1 0\n", "The second parameter, preconrow, must be an integer or a group.",
         "Precondition Syntax Error"},
        {"eq 4 1 4 1 0\n", "The row (4) cannot be less than 1 or greater than 3.", "Precondition Error"},
        {"eq 3 1 3 1 0\n", "The row (3) must be included in the set of matrix rows to be balanced.",
         "Precondition Error"},
        {"eq 1 6 1 6 0\n", "The column (6) cannot be less than 1 or greater than 5", "Precondition Error"},
        {"sc (1 2) (1 2 3) 5\n", "unequal number of elements in row (2) and column (3) groups for the sc command.",
         "Precondition Syntax Error"},
        {"sc (3) (1) 5\n", "no legal row/column combinations found\n for the sc command.", "Precondition Error"},
        {"eq 2 1 1 1 0\n", "The second row (1) cannot be less than 2 or greater than 3.", "Precondition Error"},
        {"eq 1 1 1\n", "The fifth (column) parameter must be an integer.", "Precondition Syntax Error"},
        {"eq 1 1 1 1\n", "The sixth parameter, precocommand, must be alphanumeric.", "Precondition Syntax Error"},
        {"sc 1 1\n", "The fourth parameter, precocommand, must be alphanumeric.", "Precondition Syntax Error"},
        {"fdates 2005 2000\n", "Error:  illegal fdates in RAS conditions file.", "Precondition Error"},
        {"cell 1 1 1 1 0\nfix 1 1 1 1 0\n", "Error:  Command \"fix\" is not recognized.", "Precondition Error"},
        {"cell 1 1 1 1 nosuch\n", "Error:  when calculating precondition value, row 0.", "Precondition Error"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        clearOutput();
        EXPECT_EQ(read(k.text), -1);
        EXPECT_NE(output().find(k.message), std::string::npos) << output();
        EXPECT_NE(output().find(std::string(k.closing) + "\n"), std::string::npos) << output();
        EXPECT_TRUE(preconditionList.empty());
    }
    clearOutput();
    EXPECT_EQ(phase(1), -1);  // p.txt holds the last case
    std::remove("p.txt");
    clearOutput();
    EXPECT_EQ(phase(1), -1);
    EXPECT_NE(output().find("Unable to open precondition file: p.txt"), std::string::npos);
    // Only comments: read with no entries and no flags.
    removal = iteration = true;
    EXPECT_EQ(read(":\n cell 1 1 1 1 0\n:\n# nothing\n"), 0);
    EXPECT_FALSE(removal || iteration);
    EXPECT_EQ(count, 0);
    // A failed rescaling names its cells and empties the list.
    t.at(2, 2) = 0;
    ASSERT_EQ(read("sc 2 2 50\n"), 0);
    clearOutput();
    EXPECT_EQ(phase(3), -1);
    EXPECT_NE(output().find("Error in precondition function.  Group\n   row 2, column 2, value 0.000000.\n"
                            "Attempted control value:  50.000000.\n"),
              std::string::npos)
        << output();
    EXPECT_TRUE(preconditionList.empty());
}

}  // namespace

}  // namespace precon_test
