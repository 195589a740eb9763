// Packed text (pmatin, pmpunch) and the matin5 text (punch5, matin5): the exact text written,
// the bytes of the files built, round trips (what a punch writes reads back to the same
// numbers), and bad text that must leave the files as they were.
#include "banks/slots.h"
#include "series/series_state.h"
#include "tests/vam/vam_fixture.h"
#include "vam/data_entry.h"
#include "vam/packed_text.h"
#include "vam/punch.h"

namespace punch_test {

using namespace vamtest;

namespace {

const char* pmText =
    "pmatin pm pm.pmx\n1990\n 1 2\n 2 1.500 4 2.000\n 3 1\n 1 -1.000\n1991\n 1 1\n 2 3.000\n"
    " 2 1\n 3 7.000\n";

class Punch : public VamTest {
protected:
    void TearDown() override {
        bankSlots[1] = nullptr;
        bankTypes[1] = ' ';
        defaultVamBank = -1;
        VamTest::TearDown();
    }
    // Opens the bank in slot b as the default Vam bank, fdates over the whole bank.
    VamFile* assign(const std::string& stem) {
        VamFile* v = open(stem);
        if (!v) return nullptr;
        bankSlots[1] = v;
        bankTypes[1] = 'v';
        defaultVamBank = 1;
        fdate1Date = v->firstJexDate();
        fdate2Date = v->lastJexDate();
        return v;
    }
    // Runs the text as an add file: its first line's command word picks the handler.
    int runcommand(int (*handler)(DataBank*, std::FILE*), const std::string& text) {
        std::FILE* in = openscript(text);
        char word[80];
        gettoken(word, in, 0, 78);
        return handler(bank.get(), in);
    }
    VamFile* packedbank() {
        create(packedConfig, "pk");
        return assign("pk");
    }
};

TEST_F(Punch, PmatinBuildsThePackedFileAndPmpunchWritesTheSameText) {
    VamFile* v = packedbank();
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(runcommand(pmatincmd, pmText), 0) << output();
    EXPECT_EQ(readFile("pm.pmx"), packedFixture());
    auto vam = readFile("pk.vam");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(vam.data()) + 102), "pm.pmx");
    EXPECT_STREQ(v->packedFileName(0), "pm.pmx");

    ASSERT_EQ(typed([](std::FILE* in) { return pmpunchcmd(nullptr, in); }, "out.add pm"), 0) << output();
    auto out = readFile("out.add");
    EXPECT_EQ(std::string(out.begin(), out.end()), pmText);

    // Running the punched text over another file rebuilds the same bytes.
    std::remove("pm.pmx");
    ASSERT_EQ(runcommand(pmatincmd, std::string(out.begin(), out.end())), 0) << output();
    EXPECT_EQ(readFile("pm.pmx"), packedFixture());
}

TEST_F(Punch, PmatinStructureIsTheUnionOfThePeriods) {
    VamFile* v = packedbank();
    ASSERT_NE(v, nullptr);
    // 1990 gives (1,1) and (3,4), 1991 gives (1,3) and (3,4); a pair with value 0 marks its
    // cell; a following pmatin line of another matrix is left for the command reader.
    ASSERT_EQ(runcommand(pmatincmd, "pmatin pm u.pmx\n1990\n 1 1\n 1 5\n 3 1\n 4 0\n;\n"
                                    "1991\n 1 1\n 3 2.5\n 3 1\n 4 -6\n"
                                    "pmatin other o.pmx\n"),
              0)
        << output();
    EXPECT_EQ(nexttoken(), "pmatin");
    ASSERT_EQ(v->loadcmd("pm", 'y', 1990), 0) << output();
    const float want90[3][4] = {{5, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(v->loadedRow(r)[c], want90[r][c]) << r << c;
    ASSERT_EQ(v->loadcmd("pm", 'y', 1991), 0);
    EXPECT_EQ(v->loadedRow(0)[2], 2.5f);
    EXPECT_EQ(v->loadedRow(0)[0], 0);
    EXPECT_EQ(v->loadedRow(2)[3], -6);
    // Cells: row 1 holds columns 1 and 3, row 3 column 4.
    auto b = readFile("u.pmx");
    ASSERT_GE(b.size(), 119u + 6 + 6);
    EXPECT_EQ(bytes::getI32(b.data() + 98), 3);
    const int counts[3] = {2, 0, 1}, cols[3] = {1, 3, 4};
    for (int k = 0; k < 3; ++k) EXPECT_EQ(bytes::getI16(b.data() + 119 + 2 * k), counts[k]);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(bytes::getI16(b.data() + 125 + 2 * k), cols[k]);
    EXPECT_EQ(b.size(), 119u + 6 + 6 + 4 * 3 * 2);
}

TEST_F(Punch, BadPackedTextLeavesTheOldFileAndTheNameTable) {
    VamFile* v = packedbank();
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(runcommand(pmatincmd, pmText), 0);
    const auto pmx = readFile("pm.pmx");
    const auto vam = readFile("pk.vam");
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"pmatin pm pm.pmx\n1989\n 1 1\n 1 2\n", "Error: Year is out of range: 1989"},
        {"pmatin pm pm.pmx\n1990\n 4 1\n 1 2\n", "Row number out of range in    4"},
        {"pmatin pm pm.pmx\n1990\n 1 1\n 5 2\n", "Column number out of range in row    1"},
        {"pmatin pm pm.pmx\n1990\n 2 1\n 1 2\n 1 1\n 1 2\n", "out of increasing order"},
        {"pmatin pm pm.pmx\n1990\n 1 2\n 1 2\n", "Cannot get the column number or coeffcient"},
        {"pmatin pm pm.pmx\nwhat\n", "Error:  bad line in datafile."},
        {"pmatin pm pm.pmx\n# nothing\n", "Errors found in reading. ScanP failed."},
        {"pmatin pm other.pmx\n1990\n 4 1\n 1 2\n", "ScanP failed"},
        {"pmatin pm abcdefghijklmnopqrstuvwxyz0123456.pmx\n1990\n", "longer than 31 characters"},
        {"pmatin x pm.pmx\n", "Cannot find packed matrix name."},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(runcommand(pmatincmd, c.text), -1) << c.text;
        EXPECT_THAT(output(), testing::HasSubstr(c.message)) << c.text;
        EXPECT_EQ(readFile("pm.pmx"), pmx) << c.text;
        EXPECT_EQ(readFile("pk.vam"), vam) << c.text;
        EXPECT_STREQ(v->packedFileName(0), "pm.pmx") << c.text;
    }
    EXPECT_FALSE(std::ifstream("other.pmx").good());
}

TEST_F(Punch, Pmatin1BuildsTheSameFileFromDenseText) {
    VamFile* v = packedbank();
    ASSERT_NE(v, nullptr);
    // Rows continue over lines; a value of 1E-11 marks no cell.
    ASSERT_EQ(runcommand(pmatin1cmd, "pmatin1 pm pm.pmx\n# dense\n1990\n0 1.5 0\n 2\n1E-11 0 0 0\n-1 0 0 0\n"
                                     "1991\n0 3 0 0\n0 0 7 0\n0 0 0 0\n"),
              0)
        << output();
    EXPECT_EQ(readFile("pm.pmx"), packedFixture());
    const auto pmx = readFile("pm.pmx");
    const auto vam = readFile("pk.vam");
    for (const char* bad : {"pmatin1 pm pm.pmx\n1989\n0 0 0 0\n0 0 0 0\n0 0 0 0\n",
                            "pmatin1 pm pm.pmx\n1990\n0 0 0 0\n0 0 0 0\n",
                            "pmatin1 pm abcdefghijklmnopqrstuvwxyz0123456.pmx\n",
                            "pmatin1 x pm.pmx\n"}) {
        clearOutput();
        EXPECT_EQ(runcommand(pmatin1cmd, bad), -1) << bad;
        EXPECT_EQ(readFile("pm.pmx"), pmx) << bad;
        EXPECT_EQ(readFile("pk.vam"), vam) << bad;
    }
}

TEST_F(Punch, Punch5OfAPackedMatrixWritesEveryStoredCell) {
    VamFile* v = packedbank();
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(runcommand(pmatincmd, pmText), 0);
    ASSERT_EQ(typed(punch5cmd, "f.add pm"), 0) << output();
    auto text = readFile("f.add");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "matin5 pm 1990 9 3 4\n"
              "pm      1   2    1.500   1   4    2.000   2   3    0.000   3   1   -1.000;\n"
              "matin5 pm 1991 9 3 4\n"
              "pm      1   2    3.000   1   4    0.000   2   3    7.000   3   1    0.000;\n");
    EXPECT_THAT(output(), testing::HasSubstr("Packed matrix pm printed from 1990 to 1991 in file f.add"));
}

TEST_F(Punch, Punch5WritesTheMatin5TextAndMatin5ReadsItBack) {
    create(modelConfig);
    VamFile* v = assign("hist");
    ASSERT_NE(v, nullptr);
    const std::size_t am95 = static_cast<std::size_t>(v->elementPos(1, 5));
    poke("hist.vam", am95, {1.5f, 0, 2});
    poke("hist.vam", am95 + 4 * 12, {-3.25f});
    fdate1Date = fdate2Date = JexDate(1995.0f);
    ASSERT_EQ(typed(punch5cmd, "f.add am"), 0) << output();
    auto text = readFile("f.add");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "matin5 am 1995 9 3 4\n"
              "am      1   1    1.500   1   3    2.000   2   3   -3.250\n"
              ";\n");
    const auto full = readFile("hist.vam");
    // On a zero am the three cells come back and every other cell is 0.
    poke("hist.vam", am95, std::vector<float>(100, 0.0f));
    poke("hist.vam", am95 + 4 * 50, {9});
    ASSERT_EQ(runcommand(matin5cmd, std::string(text.begin(), text.end())), 0) << output();
    EXPECT_EQ(readFile("hist.vam"), full);

    // Five entries make one full line and ";" on its own line; d = 5 drops |v| <= 0.0001;
    // p5 f m 12 4 3 writes 3-character indexes and 12-character values.
    poke("hist.vam", am95, {1, 2, 3, 4, 5, 0.0001f, 0.00011f});
    ASSERT_EQ(typed(punch5cmd, "g.add am 12 5 3"), 0) << output();
    text = readFile("g.add");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "matin5 am 1995 12 5 3\n"
              "am     1  1     1.00000  1  2     2.00000  1  3     3.00000  1  4     4.00000  1  5     5.00000\n"
              "am     1  7     0.00011  2  3    -3.25000\n"
              ";\n");
    const auto before = readFile("hist.vam");
    poke("hist.vam", am95, std::vector<float>(100, 7.0f));
    ASSERT_EQ(runcommand(matin5cmd, std::string(text.begin(), text.end())), 0) << output();
    auto back = readFile("hist.vam");
    for (int c = 0; c < 100; ++c) {
        const float want = c == 5 ? 0.0f : f32at(before, am95 + 4 * c);
        EXPECT_FLOAT_EQ(f32at(back, am95 + 4 * c), want) << c;
    }
}

TEST_F(Punch, Matin5ReadsFixedColumnsAndRefuses) {
    create(modelConfig);
    VamFile* v = assign("hist");
    ASSERT_NE(v, nullptr);
    const std::size_t am90 = static_cast<std::size_t>(v->elementPos(1, 0));
    // w = 9, i = 4: an entry is 17 columns, the first row index in columns 6-9; an index
    // too long for its width is cut; an entry outside the matrix is reported and skipped;
    // a line with two entries ends the data.
    ASSERT_EQ(runcommand(matin5cmd, "matin5 am 1990 9 3 4\n"
                                    "am      2   3    4.250  11   1    9.000\n"
                                    "am      1   1    1.000   1   2    2.000\n"
                                    "after\n"),
              0)
        << output();
    EXPECT_THAT(output(), testing::HasSubstr("Entry out of range in line 1."));
    EXPECT_THAT(output(), testing::HasSubstr("Row: 11, Column: 1"));
    auto b = readFile("hist.vam");
    EXPECT_EQ(f32at(b, am90 + 4 * 12), 4.25f);
    EXPECT_EQ(f32at(b, am90), 0);  // the second line is never read: a short first line ends the data
    EXPECT_EQ(nexttoken(), "am");

    const auto before = readFile("hist.vam");
    create(packedConfig, "pk");
    std::unique_ptr<VamFile> pk(new VamFile("pk"));
    ASSERT_TRUE(pk->isOpen());
    const auto pkBefore = readFile("pk.vam");
    clearOutput();
    std::FILE* in = openscript("matin5 pm 1990\npm      1   2    1.000\n;\n");
    char word[80];
    gettoken(word, in, 0, 78);
    EXPECT_EQ(matin5cmd(pk.get(), in), -1);
    EXPECT_THAT(output(), testing::HasSubstr("packed matrix"));
    EXPECT_EQ(readFile("pk.vam"), pkBefore);
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"matin5 am 1989\n;\n", "Cannot load matrix for period 1989.\nStartDate = 1990  EndDate = 1995."},
        {"matin5 nosuch 1990\n;\n", "Cannot find matrix name."},
        {"matin5 am 1990 -9 3 4\nam      1   1    1.000\n", "negative width"},
        {"matin5 am 1990 9 3 -4\nam      1   1    1.000\n", "negative width"},
        {"matin5 am\n", "Usage is: matin5 <matrix name> <period>"},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(runcommand(matin5cmd, c.text), -1) << c.text;
        EXPECT_THAT(output(), testing::HasSubstr(c.message)) << c.text;
        EXPECT_EQ(readFile("hist.vam"), before) << c.text;
    }

    // Widths near the int range: an entry's width does not overflow; every line is too short
    // for one entry, so the data end at once and the matrix is written with no entries.
    clearOutput();
    ASSERT_EQ(runcommand(matin5cmd, "matin5 am 1990 2000000000 3 1111110000\n"
                                    "am      1   1    1.000\n"
                                    "after\n"),
              0)
        << output();
    const auto huge = readFile("hist.vam");
    EXPECT_EQ(f32at(huge, am90), 0);
    EXPECT_EQ(nexttoken(), "after");
}

TEST_F(Punch, RefusedPunchesLeaveAnExistingFile) {
    create(modelConfig);
    ASSERT_NE(assign("hist"), nullptr);
    writeText("keep.add", "precious\n");
    struct Case {
        int (*handler)(std::FILE*);
        const char* line;
        const char* message;
    } cases[] = {
        {punch5cmd, "keep.add x", "punch5(p5) only works with matrices."},
        {punch5cmd, "keep.add nosuch", "Cannot find nosuch."},
        {punch5cmd, "keep.add am 21", "Illegal width: 21.  Cannot exceed 20."},
        {punch5cmd, "keep.add am 9 16", "Illegal decs: 16.  Cannot exceed 15."},
        {punch5cmd, "keep.add c.am", "Bank c not assigned."},
        {punch5cmd, "keep.add B.am", "Bank designation out of range."},
        {[](std::FILE* in) { return pmpunchcmd(nullptr, in); }, "keep.add x", "pmpunch works only with matrices."},
        {[](std::FILE* in) { return pmpunchcmd(nullptr, in); }, "keep.add nosuch", "Cannot find nosuch."},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(typed(c.handler, c.line), -1) << c.line;
        EXPECT_THAT(output(), testing::HasSubstr(c.message)) << c.line;
        auto b = readFile("keep.add");
        EXPECT_EQ(std::string(b.begin(), b.end()), "precious\n") << c.line;
    }
}

TEST_F(Punch, PmpunchNarrowsToTheBankPeriods) {
    VamFile* v = packedbank();
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(runcommand(pmatincmd, pmText), 0);
    fdate1Date = JexDate(1985.0f);
    fdate2Date = JexDate(1991.0f);
    ASSERT_EQ(typed([](std::FILE* in) { return pmpunchcmd(nullptr, in); }, "o.add b.pm 1"), 0) << output();
    auto out = readFile("o.add");
    EXPECT_EQ(std::string(out.begin(), out.end()),
              "pmatin pm pm.pmx\n1990\n 1 2\n 2 1.5 4 2.0\n 3 1\n 1 -1.0\n1991\n 1 1\n 2 3.0\n"
              " 2 1\n 3 7.0\n");
}

}  // namespace

namespace {

class Vmatdat : public Punch {
protected:
    // x = 1.5 2 3 in 1990 and 4 5 -9.25 in 1991 in the packed bank's x.
    VamFile* xbank() {
        create(packedConfig, "pk");
        VamFile* v = assign("pk");
        if (!v) return nullptr;
        poke("pk.vam", static_cast<std::size_t>(v->elementPos(0, 0)), {1.5f, 2, 3});
        poke("pk.vam", static_cast<std::size_t>(v->elementPos(0, 1)), {4, 5, -9.25f});
        return v;
    }
    std::string text(const char* file) {
        auto b = readFile(file);
        return std::string(b.begin(), b.end());
    }
    void zerox(VamFile* v) {
        poke("pk.vam", static_cast<std::size_t>(v->elementPos(0, 0)), {0, 0, 0, 0, 0, 0});
    }
};

TEST_F(Vmatdat, PunchvecWritesTheTableAndItReadsBack) {
    VamFile* v = xbank();
    ASSERT_NE(v, nullptr);
    const auto full = readFile("pk.vam");
    ASSERT_EQ(typed(punchveccmd, "f.add x 1990 1991 8 3"), 0) << output();
    EXPECT_EQ(text("f.add"),
              "# Vector: x\n# For periods: 1990 to 1991\n# 8.3 format.\nvmatdat c 1 2 1 3 4\n"
              "x       1990    1991\n"
              "x1     1.500   4.000\nx2     2.000   5.000\nx3     3.000  -9.250\n");
    zerox(v);
    // From its command line on (the comment lines are passed over by the command reader).
    ASSERT_EQ(runcommand(vmatdatacmd, text("f.add").substr(text("f.add").find("vmatdat"))), 0) << output();
    EXPECT_EQ(readFile("pk.vam"), full);

    // One period: the name comes before the period in the heading, and it reads back too.
    ASSERT_EQ(typed(punchveccmd, "f1.add x 1991 1991"), 0) << output();
    EXPECT_EQ(text("f1.add"),
              "# Vector: x\n# For periods: 1991 to 1991\n# 8.3 format.\nvmatdat c 1 1 1 3 4\n"
              "x       1991\nx1     4.000\nx2     5.000\nx3    -9.250\n");
    zerox(v);
    poke("pk.vam", static_cast<std::size_t>(v->elementPos(0, 0)), {1.5f, 2, 3});
    ASSERT_EQ(runcommand(vmatdatacmd, text("f1.add").substr(text("f1.add").find("vmatdat"))), 0) << output();
    EXPECT_EQ(readFile("pk.vam"), full);
}

TEST_F(Vmatdat, LayoutsHeadingsAndMasks) {
    create(modelConfig);
    VamFile* v = assign("hist");
    ASSERT_NE(v, nullptr);
    auto xat = [&](int k, int e) { return f32at(readFile("hist.vam"), static_cast<std::size_t>(v->elementPos(0, k)) + 4 * (e - 1)); };
    // 'r', one vector over four periods: one line per period, elements 2..3.
    ASSERT_EQ(runcommand(vmatdatacmd, "vmatdata r 1 4 2 3\nx 1990 1991 1992 1995\n1 2\n# c\n3 4\n\n5 6\n7 8\n"), 0) << output();
    EXPECT_EQ(xat(0, 2), 1);
    EXPECT_EQ(xat(1, 3), 4);
    EXPECT_EQ(xat(2, 2), 5);
    EXPECT_EQ(xat(5, 3), 8);
    EXPECT_EQ(xat(3, 2), 0);
    // Two vectors in one period, layout 'c', skip 6: a label wider than the skip is cut by
    // the mask at exactly those columns; no exponent: "2-3" gives 2 and -3.
    ASSERT_EQ(runcommand(vmatdatacmd, "vmatdat c 2 1 9 10 6\n1993 x am\nx1000012 7\nx10   2-3\n"), 0) << output();
    EXPECT_EQ(xat(3, 9), 12);
    EXPECT_EQ(xat(3, 10), 2);
    EXPECT_EQ(f32at(readFile("hist.vam"), static_cast<std::size_t>(v->elementPos(1, 3)) + 4 * 8), 7);
    EXPECT_EQ(f32at(readFile("hist.vam"), static_cast<std::size_t>(v->elementPos(1, 3)) + 4 * 9), -3);

    const auto before = readFile("hist.vam");
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"vmatdata c 1 1 1 2\nx 1990\n1.5.2\n2\n", "more than one decimal points in the data:\n1.5.2"},
        {"vmatdata c 2 2 1 2\n", "cannot both be > 1"},
        {"vmatdata r 101 1 1 2\n", "Too many rows. 50 is max."},
        {"vmatdata c 1 1 9 11\n1990 x\n1\n2\n3\n", "elements 9 to 11 lie outside x"},
        {"vmatdata c 1 1 1 1\n1996 x\n1\n", "Warning: Period 1996 is out of range."},
        {"vmatdata c 1 2 1 1\nx 1990 1989\n1 2\n", "Warning: Period 1989 is out of range."},
        {"vmatdata c 3 1 1 1\n1990 x am nosuch\n1 2 3\n", "cannot find sector \"nosuch\""},
        {"vmatdata c 1 1 1 1\n1990 nosuch\n1\n", "cannot find vector \"nosuch\""},
        {"vmatdata c 1 1 1 2\n1990 x\n1\n", "Ran out of data"},
        {"vmatdata q 1 1 1 2\n", "vmatdat usage is:"},
        {"vmatdata c 2 1 1 2\n1990 x\n", "Need 2 vector names."},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(runcommand(vmatdatacmd, c.text), -1) << c.text;
        EXPECT_THAT(output(), testing::HasSubstr(c.message)) << c.text;
        EXPECT_EQ(readFile("hist.vam"), before) << c.text;
    }
}

TEST_F(Vmatdat, PunchvecRefusals) {
    VamFile* v = xbank();
    ASSERT_NE(v, nullptr);
    writeText("keep.add", "precious\n");
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {"keep.add x 1985 1990", "One or both of the dates is too far out."},
        {"keep.add x 1991 1990", "One or both of the dates is too far out."},
        {"keep.add pm 1990 1991", "punchvec(pv) only works with vectors."},
        {"keep.add x 1990 1991 16", "Illegal width: 16."},
        {"keep.add x 1990 1991 8 8", "Illegal decs: 8."},
        {"keep.add nosuch 1990 1991", "Cannot find nosuch."},
        {"keep.add x 1990", "Usage is: punchvec"},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(typed(punchveccmd, c.line), -1) << c.line;
        EXPECT_THAT(output(), testing::HasSubstr(c.message)) << c.line;
        EXPECT_EQ(text("keep.add"), "precious\n") << c.line;
    }
}

}  // namespace

}  // namespace punch_test
