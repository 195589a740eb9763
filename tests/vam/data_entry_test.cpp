// vdata, vupdate, fvread, matin and the free-form number reader, on the bank hist (x 10 x 1,
// am 10 x 10, 1990-1995): values are checked in the file's bytes at the positions computed
// from the layout (data offset 255, 110 floats a period, am from float 10).
#include "tests/vam/vam_fixture.h"
#include "vam/data_entry.h"

namespace data_entry_test {

using namespace vamtest;

namespace {

constexpr std::size_t dataStart = 255;
constexpr std::size_t periodBytes = 440;

std::size_t xpos(int period, int k) { return dataStart + periodBytes * period + 4 * (k - 1); }
std::size_t ampos(int period, int r, int c) {
    return dataStart + periodBytes * period + 40 + 4 * (10 * (r - 1) + (c - 1));
}

class DataEntry : public VamTest {
protected:
    VamFile* hist() {
        create(modelConfig);
        return open();
    }
};

TEST(ReadNumber, FreeFormText) {
    struct Case {
        const char* text;
        std::vector<float> values;
    } cases[] = {
        {"1.2E+02 -3\n", {120, -3}},
        {"12-3\n", {12, -3}},
        {"a E b\n", {0}},
        {"x=1.5E-3;y=+4\n", {0.0015f, 4}},
        {"1,2,,3\n", {1, 2, 3}},
    };
    for (const Case& c : cases) {
        std::string line = c.text;
        std::size_t pos = 0;
        for (float want : c.values) {
            float v = -99;
            ASSERT_EQ(readnumber(line, pos, nullptr, 0, v), 0) << c.text;
            EXPECT_FLOAT_EQ(v, want) << c.text;
        }
        float v;
        EXPECT_EQ(readnumber(line, pos, nullptr, 0, v), -1) << c.text;
    }
}

TEST_F(DataEntry, FvreadSkipsLabelColumnsAndShortLines) {
    VamFile* v = hist();
    ASSERT_NE(v, nullptr);
    const auto before = readFile("hist.vam");
    ASSERT_EQ(fvreadcmd(v, openscript("x 1991 4\nlab1 1 2 3\nab\nrow2 4 5\n"
                                      "rw3 6 7 8 9 10\nnext\n")),
              0);
    auto after = readFile("hist.vam");
    ASSERT_EQ(after.size(), before.size());
    // rw3 leaves "6" in column 5 after the four label columns dropped: 3 values come
    // from "lab1", 2 from "row2", the rest from the third line; 695 is the first byte.
    EXPECT_EQ(xpos(1, 1), 695u);
    const float want[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (int k = 1; k <= 10; ++k) EXPECT_EQ(f32at(after, xpos(1, k)), want[k - 1]) << k;
    for (std::size_t b = 0; b < after.size(); ++b)
        if (b < 695 || b >= 735) {
            ASSERT_EQ(after[b], before[b]) << b;
        }
    EXPECT_EQ(nexttoken(), "next");
}

TEST_F(DataEntry, FvreadRefusals) {
    VamFile* v = hist();
    ASSERT_NE(v, nullptr);
    const auto before = readFile("hist.vam");
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"x 1989\n1 2 3 4 5 6 7 8 9 10\n", "fvread date 1989 out of boundaries"},
        {"x 1996\n1 2 3 4 5 6 7 8 9 10\n", "fvread date 1996 out of boundaries"},
        {"am 1990\n1 2 3\n", "am is not a vector name."},
        {"x\n", "Need period value"},
        {"x 1990\n1 2 3\n", "Out of data in fvread. Read 3 items."},
        // A skip count beyond any int skips every item of every line.
        {"x 1990 1E38\n1 2 3 4 5 6 7 8 9 10\n", "Out of data in fvread. Read 0 items."},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(fvreadcmd(v, openscript(c.text)), -1) << c.text;
        EXPECT_THAT(output(), testing::HasSubstr(c.message)) << c.text;
        EXPECT_EQ(readFile("hist.vam"), before) << c.text;
    }
    clearOutput();
    EXPECT_EQ(typed([&](std::FILE* in) { return fvreadcmd(v, in); }, "x 1990"), -1);
    EXPECT_THAT(output(), testing::HasSubstr("lines after it in an add file"));
}

TEST_F(DataEntry, MatinFormatLineAndSkipCount) {
    VamFile* v = hist();
    ASSERT_NE(v, nullptr);
    // Columns 1-3 and 6-8 are read; 9 onwards is not; a comment line is passed over.
    ASSERT_EQ(matincmd(v, openscript("am 1995 2 3 4 5\nrrr  rrr\n# note\n 1 99 2 777\n"
                                     "1.5xx-2.25 9\n")),
              0)
        << output();
    auto b = readFile("hist.vam");
    EXPECT_EQ(f32at(b, ampos(5, 2, 4)), 1);
    EXPECT_EQ(f32at(b, ampos(5, 2, 5)), 2);
    EXPECT_EQ(f32at(b, ampos(5, 3, 4)), 1.5f);
    EXPECT_EQ(f32at(b, ampos(5, 3, 5)), -2);  // "-2." of columns 6-8: column 9 is dropped
    EXPECT_EQ(f32at(b, ampos(5, 2, 6)), 0);
    // Skip 5 with a row continued on the next line (read whole), period 95 is 1995.
    ASSERT_EQ(matincmd(v, openscript("am 95 1 1 1 3 5\nrow1   7\n8 9\n")), 0) << output();
    b = readFile("hist.vam");
    EXPECT_EQ(f32at(b, ampos(5, 1, 1)), 7);
    EXPECT_EQ(f32at(b, ampos(5, 1, 2)), 8);
    EXPECT_EQ(f32at(b, ampos(5, 1, 3)), 9);
}

TEST_F(DataEntry, MatinRefusesBlocksOutsideTheMatrixAndWritesNothing) {
    create(packedConfig, "pk");
    writeFile("pm.pmx", packedFixture());
    std::unique_ptr<VamFile> packed(new VamFile("pk"));
    ASSERT_TRUE(packed->isOpen());
    clearOutput();
    const auto pkBefore = readFile("pk.vam");
    EXPECT_EQ(matincmd(packed.get(), openscript("pm 1990 1 1 1 1 0\n5\n")), -1);
    EXPECT_THAT(output(), testing::HasSubstr("pm is a packed matrix"));
    EXPECT_EQ(readFile("pk.vam"), pkBefore);
    packed.reset();

    VamFile* v = hist();
    ASSERT_NE(v, nullptr);
    const auto before = readFile("hist.vam");
    const char* cases[] = {
        "am 1990 1 11 1 1 0\n1\n",   // row beyond the matrix
        "am 1990 0 1 1 1 0\n1\n",    // row 0
        "am 1990 1 1 9 11 0\n1\n",   // column beyond
        "am 1990 2 1 1 1 0\n1\n",    // rows reversed
        "nosuch 1990 1 1 1 1 0\n1\n",
        "am 1996 1 1 1 1 0\n1\n",
        "am 1990 1 2 1 2 0\n1 2\n",  // out of data on row 2
        "am 1990 1 1 1 2 0\n1\n",    // row 1 cannot be completed
        "am 1990 1 1E38 1 1 0\n1\n",  // rows beyond any int
        "am 1990 -1E38 1 1 1 0\n1\n",
    };
    for (const char* c : cases) {
        EXPECT_EQ(matincmd(v, openscript(c)), -1) << c;
        EXPECT_EQ(readFile("hist.vam"), before) << c;
    }
}

TEST_F(DataEntry, VdataAndVupdate) {
    VamFile* v = hist();
    ASSERT_NE(v, nullptr);
    fdate1Date = JexDate(1991.0f);
    fdate2Date = JexDate(1993.0f);
    // vdata: periods of the fdates range without a value get 0.
    ASSERT_EQ(vdatacmd(v, openscript("am3.5\n1991 4 5\n;\n")), 0) << output();
    ASSERT_EQ(v->storecmd(), 0);
    auto b = readFile("hist.vam");
    EXPECT_EQ(f32at(b, ampos(1, 3, 5)), 4);
    EXPECT_EQ(f32at(b, ampos(2, 3, 5)), 5);
    EXPECT_EQ(f32at(b, ampos(3, 3, 5)), 0);
    // vupdate keeps periods without a value.
    poke("hist.vam", ampos(4, 3, 5), {8});
    ASSERT_EQ(vupdatecmd(v, openscript("am3.5\n1991 6\n;\n")), 0) << output();
    ASSERT_EQ(v->storecmd(), 0);
    b = readFile("hist.vam");
    EXPECT_EQ(f32at(b, ampos(1, 3, 5)), 6);
    EXPECT_EQ(f32at(b, ampos(2, 3, 5)), 5);
    EXPECT_EQ(f32at(b, ampos(4, 3, 5)), 8);

    const auto before = readFile("hist.vam");
    struct Case {
        int (*handler)(DataBank*, std::FILE*);
        const char* text;
        const char* message;
    } cases[] = {
        {vdatacmd, "am\n1991 1\n;\n", "is supplied without either a sector number"},
        {vdatacmd, "x11\n1991 1\n;\n", "item 11 is outside the loaded x"},
        {vdatacmd, "am3.11\n1991 1\n;\n", "item 11 is outside the loaded am"},
        {vupdatecmd, "x\n1991 1\n;\n", "names no element of x"},
        {vupdatecmd, "x11\n1991 1\n;\n", "names no element of x"},
        {vupdatecmd, "nosuch3\n1991 1\n;\n", "Cannot find vector nosuch3"},
        {vupdatecmd, "x2\n1991 1\n1889 2\n;\n", ""},
    };
    for (const Case& c : cases) {
        clearOutput();
        EXPECT_EQ(c.handler(v, openscript(c.text)), -1) << c.text;
        EXPECT_THAT(output(), testing::HasSubstr(c.message)) << c.text;
        if (v->isLoaded()) {
            EXPECT_FALSE(v->isModified()) << c.text;
            EXPECT_EQ(v->storecmd(), 0);
        }
        EXPECT_EQ(readFile("hist.vam"), before) << c.text;
    }
}

}  // namespace

}  // namespace data_entry_test
