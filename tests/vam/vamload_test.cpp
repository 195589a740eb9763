// Loaded elements (load, store, the views and their bounds), the Vam bank as a series bank,
// setveclag and vtitle rewriting the tables in place, and period access through Vector and
// Matrix.
#include "tests/vam/vam_fixture.h"

#include <unistd.h>

#include "core/missing.h"
#include "vam/element_access.h"

namespace vamload_test {

using ::testing::HasSubstr;
using namespace vamtest;

namespace {

// hist: x (10 x 1) and am (10 x 10) over 1990-1995, with x[n] = 100 k + n and
// am(r, c) = 1000 k + 10 r + c in period k.
class VamLoad : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        create(modelConfig);
        std::vector<float> all;
        for (int k = 0; k < 6; ++k) {
            for (int n = 1; n <= 10; ++n) all.push_back(100.0f * k + n);
            for (int r = 1; r <= 10; ++r)
                for (int c = 1; c <= 10; ++c) all.push_back(1000.0f * k + 10 * r + c);
        }
        poke("hist.vam", 255, all);
        ASSERT_EQ(typed(bankcmd, 'v', "hist b"), 0);
        ASSERT_EQ(typed(dvamcmd, "b"), 0);
        v = dynamic_cast<VamFile*>(bankSlots[1]);
        ASSERT_NE(v, nullptr);
        clearOutput();
    }
    std::vector<float> series(const char* name) {
        std::vector<float> a(seriesArrayLength, -7);
        last = v->getser(name, a.data(), -1);
        return a;
    }
    // A command of the default Vam bank on a typed line.
    int gate(int (*handler)(DataBank*, std::FILE*), const std::string& line) {
        settypedline(line);
        return handler(v, nullptr);
    }
    VamFile* v = nullptr;
    int last = 0;
};

TEST_F(VamLoad, SeriesNames) {
    // The workspace starts in 1990: x3 over the bank's six periods, zeros after them.
    auto x3 = series("x3");
    EXPECT_EQ(last, 0);
    EXPECT_EQ(std::vector<float>(x3.begin(), x3.begin() + 7),
              (std::vector<float>{3, 103, 203, 303, 403, 503, 0}));
    auto am = series("am2.3");
    EXPECT_EQ(last, 0);
    EXPECT_EQ(am[0], 23);
    EXPECT_EQ(am[5], 5023);
    EXPECT_EQ(series("am7")[1], 1017);  // value 7 of the first row
    EXPECT_STREQ(v->loadedName(), "am");
    series("x2.3");  // a row number on a vector: no such name
    EXPECT_EQ(last, -1);
    series("am2.99");
    EXPECT_EQ(last, -1);
    series("am11.1");
    EXPECT_EQ(last, -1);
    series("x11");
    EXPECT_EQ(last, -1);
    // With the advanced Vam mode a bare name is not a series of the bank; in the simple mode
    // it loads the element whole.
    series("x");
    EXPECT_EQ(last, -1);
    vamMode = 's';
    series("x");
    EXPECT_EQ(last, 2);
    EXPECT_EQ(v->loadedView(), 'x');
    auto l4 = series("l4");
    EXPECT_EQ(last, 0);
    EXPECT_EQ(l4[2], 204);
    series("l11");
    EXPECT_EQ(last, -1);
    v->releaseLoaded();
    clearOutput();
    series("l4");
    EXPECT_EQ(last, -1);
    EXPECT_EQ(output(), "Nothing loaded.\n");
    // The year view holds rows, not periods: l is refused there.
    ASSERT_EQ(v->loadcmd("am", 'y', 1991), 0);
    series("l1");
    EXPECT_EQ(last, -1);
}

// Series lookup by plain name: the vectors of the default Vam bank load whole (2); a
// matrix written with a row and a column is a series of that bank (0).
TEST_F(VamLoad, FetchseriesFromTheDefaultBank) {
    std::vector<float> a(seriesArrayLength);
    char* text = nullptr;
    EXPECT_EQ(fetchseries("x", a.data(), text, nullptr, 0), 2);
    EXPECT_STREQ(v->loadedName(), "x");
    EXPECT_EQ(v->loadedView(), 'x');
    EXPECT_EQ(fetchseries("am4.2", a.data(), text, nullptr, 0), 0);
    EXPECT_EQ(a[1], 1042);
    EXPECT_EQ(fetchvamelement(1, "am3"), -1);  // a matrix number without a row
    EXPECT_EQ(fetchvamelement(1, "am3.2"), 3);
    EXPECT_EQ(v->loadedRow(0)[0], 31);
    EXPECT_EQ(fetchseries("nosuch", a.data(), text, nullptr, 0), -1);
}

TEST_F(VamLoad, AlignedToALaterWorkspace) {
    // The workspace starting two years after the bank: the first two periods fall before it.
    wsStartDate = JexDate(1992, 1, 1, 13);
    auto x3 = series("x3");
    EXPECT_EQ(std::vector<float>(x3.begin(), x3.begin() + 5), (std::vector<float>{203, 303, 403, 503, 0}));
    // ... and one starting two years before it: zeros first.
    wsStartDate = JexDate(1988, 1, 1, 13);
    x3 = series("x3");
    EXPECT_EQ(std::vector<float>(x3.begin(), x3.begin() + 4), (std::vector<float>{0, 0, 3, 103}));
}

TEST_F(VamLoad, ViewsAndBounds) {
    ASSERT_EQ(v->loadcmd("am", 'c', 3), 0);
    EXPECT_EQ(v->loadedRow(2)[4], 2053);  // period 2, row 5, column 3
    ASSERT_EQ(v->loadcmd("am", 'y', 1994), 0);
    EXPECT_EQ(v->loadedRow(1)[2], 4023);
    ASSERT_EQ(v->loadcmd("am", 'r', 10), 0);
    EXPECT_EQ(v->loadedRow(5)[9], 5110);
    struct Case { char view; float line; } bad[] = {
        {'r', 0}, {'r', 11}, {'c', 11}, {'c', -1}, {'y', 1989}, {'y', 1996}, {'y', 1994.2f}, {'q', 1}};
    for (const Case& c : bad) {
        clearOutput();
        EXPECT_EQ(v->loadcmd("am", c.view, c.line), -1) << c.view << c.line;
        EXPECT_THAT(output(), HasSubstr("Problem loading data.")) << c.view << c.line;
        EXPECT_FALSE(v->isLoaded());
    }
    EXPECT_EQ(v->loadcmd("nosuch", 'x', 0), -1);
}

TEST_F(VamLoad, StoreWritesBackEveryView) {
    // Row 2 changed in 1993 and stored: only those ten floats of the file change.
    const auto before = readFile("hist.vam");
    ASSERT_EQ(v->loadcmd("am", 'r', 2), 0);
    for (int c = 0; c < 10; ++c) v->loadedRow(3)[c] = -1.0f - c;
    v->setModified();
    ASSERT_EQ(v->storecmd(), 0);
    EXPECT_FALSE(v->isLoaded());
    const auto after = readFile("hist.vam");
    const std::size_t at = static_cast<std::size_t>(v->elementPos(1, 3)) + 4 * 10;
    for (std::size_t k = 0; k < after.size(); ++k) {
        if (k < at || k >= at + 40) {
            ASSERT_EQ(after[k], before[k]) << k;
        }
    }
    EXPECT_EQ(f32at(after, at + 4 * 9), -10.0f);
    // A column view stored writes one cell a row.
    ASSERT_EQ(v->loadcmd("am", 'c', 4), 0);
    v->loadedRow(0)[6] = 77;
    ASSERT_EQ(v->storecmd(), 0);
    EXPECT_EQ(cell("hist.vam", *v, 1, 0, 6 * 10 + 3), 77.0f);
    // A year view, and x through putseries over the f dates.
    ASSERT_EQ(v->loadcmd("am", 'y', 1995), 0);
    v->loadedRow(9)[9] = 99;
    ASSERT_EQ(v->storecmd(), 0);
    EXPECT_EQ(cell("hist.vam", *v, 1, 5, 99), 99.0f);
    ASSERT_EQ(v->loadcmd("x", 'x', 0), 0);
    std::vector<float> s(seriesArrayLength, 0.0000005f);
    fdate1Date = JexDate(1991.0f);
    fdate2Date = JexDate(1992.0f);
    ASSERT_EQ(v->putseries(2, s.data(), '/'), 0);  // a divisor that near zero divides by 1
    EXPECT_EQ(v->loadedRow(1)[1], 102);
    s[1] = 4;
    s[2] = MISSING;
    ASSERT_EQ(v->putseries(2, s.data(), '*'), 0);
    EXPECT_EQ(v->loadedRow(1)[1], 408);
    EXPECT_TRUE(ismissing(v->loadedRow(2)[1]));
    EXPECT_EQ(v->loadedRow(0)[1], 2);  // before the f dates: untouched
    EXPECT_EQ(v->putseries(11, s.data(), 0), -1);
    EXPECT_EQ(v->putseries(0, s.data(), 0), -1);
    ASSERT_EQ(v->storecmd(), 0);
    EXPECT_EQ(cell("hist.vam", *v, 0, 1, 1), 408.0f);
}

TEST_F(VamLoad, LoadStoresAModifiedElementFirst) {
    ASSERT_EQ(v->loadcmd("x", 'x', 0), 0);
    v->loadedRow(0)[0] = 55;
    // The same request reads nothing: the change in memory stays.
    ASSERT_EQ(v->loadcmd("x", 'x', 0), 0);
    EXPECT_EQ(v->loadedRow(0)[0], 55);
    // Unchanged, it is dropped by another load.
    ASSERT_EQ(v->loadcmd("am", 'r', 1), 0);
    EXPECT_EQ(cell("hist.vam", *v, 0, 0, 0), 1.0f);
    ASSERT_EQ(v->loadcmd("x", 'x', 0), 0);
    v->loadedRow(0)[0] = 56;
    v->setModified();
    ASSERT_EQ(v->loadcmd("am", 'r', 1), 0);
    EXPECT_EQ(cell("hist.vam", *v, 0, 0, 0), 56.0f);
    // Closing the bank stores the loaded element, changed or not.
    ASSERT_EQ(v->loadcmd("x", 'x', 0), 0);
    v->loadedRow(5)[9] = 57;
    ASSERT_EQ(typed(closecmd, "b"), 0);
    VamFile again("hist");
    EXPECT_EQ(cell("hist.vam", again, 0, 5, 9), 57.0f);
}

TEST_F(VamLoad, FailedStoreKeepsTheElement) {
    ASSERT_EQ(v->loadcmd("x", 'x', 0), 0);
    v->loadedRow(0)[0] = 9;
    // The bank's descriptor made read-only for a moment: the write fails, nothing is lost.
    std::FILE* readOnly = std::fopen("hist.vam", "rb");
    std::FILE* own = v->file();
    const int saved = dup(fileno(own));
    dup2(fileno(readOnly), fileno(own));
    clearOutput();
    EXPECT_EQ(v->storecmd(), -1);
    EXPECT_THAT(output(), HasSubstr("cannot store x in hist.vam; it stays loaded."));
    EXPECT_TRUE(v->isLoaded());
    EXPECT_TRUE(v->isModified());
    dup2(saved, fileno(own));
    close(saved);
    std::fclose(readOnly);
    EXPECT_EQ(v->storecmd(), 0);
    EXPECT_EQ(cell("hist.vam", *v, 0, 0, 0), 9.0f);
}

TEST_F(VamLoad, LoadCommand) {
    ASSERT_EQ(gate(loadcommand, "x"), 0);
    EXPECT_EQ(v->loadedView(), 'x');
    EXPECT_EQ(v->loadedRows(), 6);
    ASSERT_EQ(gate(loadcommand, "am r 3"), 0);
    EXPECT_EQ(v->loadedView(), 'r');
    EXPECT_EQ(v->loadedRow(1)[0], 1031);
    clearOutput();
    EXPECT_EQ(gate(loadcommand, "am"), -1);
    EXPECT_THAT(output(), HasSubstr("Usage: load <name> <view> <line>"));
    clearOutput();
    EXPECT_EQ(gate(loadcommand, "nosuch"), -1);
    EXPECT_EQ(output(), "");
    EXPECT_EQ(gate(loadcommand, "am r 11"), -1);
}

TEST_F(VamLoad, SetveclagRewritesLagsAndTypesInOneWrite) {
    const auto before = readFile("hist.vam");
    ASSERT_EQ(gate(setveclag, "x 2"), 0);
    auto after = readFile("hist.vam");
    EXPECT_EQ(after[124], 2);
    EXPECT_EQ(after[125], 0);
    EXPECT_EQ(after[128], 'l');
    for (std::size_t k = 0; k < after.size(); ++k) {
        if (k != 124 && k != 128) {
            ASSERT_EQ(after[k], before[k]) << k;
        }
    }
    clearOutput();
    ASSERT_EQ(gate(setveclag, "x"), 0);
    EXPECT_EQ(output(), " Vector lags for x:  2.\n");
    ASSERT_EQ(gate(setveclag, "x 0"), 0);
    EXPECT_EQ(readFile("hist.vam"), before);
    struct Case { const char* line; const char* message; } bad[] = {
        {"x 21", "invalid number of lags in setveclag."},
        {"x -1", "invalid number of lags in setveclag."},
        {"x y", "invalid number of lags in setveclag."},
        {"am 2", "invalid vector \"am\" in setveclag."},
        {"q 2", "Incorrect vector name in setveclag:  q"},
        {"", "Usage:  setveclag <vector> <# lags>"},
    };
    for (const Case& c : bad) {
        clearOutput();
        EXPECT_EQ(gate(setveclag, c.line), -1) << c.line;
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.line;
    }
    EXPECT_EQ(readFile("hist.vam"), before);
}

TEST_F(VamLoad, Vtitle) {
    ASSERT_EQ(gate(vtitlecmd, ""), 0);
    EXPECT_THAT(output(), HasSubstr("No vam title specified yet."));
    ASSERT_EQ(gate(vtitlecmd, "   Base run \t # a comment"), 0);
    auto b = readFile("hist.vam");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 22)), "Base run");
    clearOutput();
    ASSERT_EQ(gate(vtitlecmd, ""), 0);
    EXPECT_EQ(output(), "The old vam title is:  Base run\n");
    // 85 characters: the first 79 are kept.
    ASSERT_EQ(gate(vtitlecmd, std::string(80, 'a') + "bcdef"), 0);
    b = readFile("hist.vam");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 22)), std::string(79, 'a'));
    EXPECT_EQ(b[101], 0);
    VamFile again("hist");
    EXPECT_EQ(std::string(again.vamTitle()), std::string(79, 'a'));
}

TEST_F(VamLoad, VectorAndMatrixByPeriod) {
    Vector<float> x;
    ASSERT_EQ(declarevector(x, v, "x"), 0);
    EXPECT_EQ(x.count(), 10);
    ASSERT_EQ(readvector(x, v, "x", 1993), 0);
    EXPECT_EQ(x[10], 310);
    x[10] = -5;
    ASSERT_EQ(writevector(x, v, "x", 1993), 0);
    EXPECT_EQ(cell("hist.vam", *v, 0, 3, 9), -5.0f);
    clearOutput();
    EXPECT_EQ(readvector(x, v, "x", 1989), -1);  // before the bank: never the tables
    EXPECT_EQ(writevector(x, v, "x", 1996), -1);
    EXPECT_EQ(readvector(x, v, "x", 1993.2f), -1);
    Vector<float> wrong;
    EXPECT_EQ(declarevector(wrong, v, "am"), -1);
    EXPECT_THAT(output(), HasSubstr("am must be declared to be a matrix, not a vector."));

    Matrix<float> am;
    ASSERT_EQ(declarematrix(am, v, "am"), 0);
    ASSERT_EQ(readmatrix(am, v, "am", 1995), 0);
    EXPECT_EQ(am(3, 4), 5034);
    am(3, 4) = 1;
    ASSERT_EQ(writematrix(am, v, "am", 1995), 0);
    EXPECT_EQ(cell("hist.vam", *v, 1, 5, 23), 1.0f);
    EXPECT_EQ(writematrix(am, v, "am", 1989), -1);
    // Rows exchanged by their pointers are still read and written as rows 1, 2, ...
    am.swapRowsAt(0, 1);
    ASSERT_EQ(readmatrix(am, v, "am", 1991), 0);
    EXPECT_EQ(am(1, 2), 1012);
    EXPECT_EQ(am(2, 1), 1021);
    am(2, 1) = -3;
    ASSERT_EQ(writematrix(am, v, "am", 1991), 0);
    EXPECT_EQ(cell("hist.vam", *v, 1, 1, 10), -3.0f);
    EXPECT_EQ(cell("hist.vam", *v, 1, 1, 0), 1011.0f);
    EXPECT_EQ(readmatrix(am, v, "x", 1995), -1);
    Matrix<float> notLagged;
    EXPECT_EQ(declarematrix(notLagged, v, "x"), -1);
    ASSERT_EQ(gate(setveclag, "x 1"), 0);
    EXPECT_EQ(declarematrix(notLagged, v, "x"), 0);
    EXPECT_EQ(notLagged.rows(), 10);
}

// A quarterly bank: a date is its own period, not the year's.
TEST_F(VamLoad, QuarterlyPeriods) {
    create("1990.1 1990.4\nq 2 1 0 r.txt\n", "quarter");
    VamFile* b = open("quarter");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->periodCount(), 4);
    Vector<float> q;
    ASSERT_EQ(declarevector(q, b, "q"), 0);
    q[1] = 7;
    q[2] = 8;
    ASSERT_EQ(writevector(q, b, "q", 1990.3f), 0);
    EXPECT_EQ(cell("quarter.vam", *b, 0, 2, 0), 7.0f);
    EXPECT_EQ(cell("quarter.vam", *b, 0, 0, 0), 0.0f);
    EXPECT_EQ(writevector(q, b, "q", 1990.0f), -1);  // an annual date is not a quarter
}

}  // namespace

}  // namespace vamload_test
