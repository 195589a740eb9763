// mcopy's overlapping block and the command list's length, checked in the bank file bytes.
#include "banks/slots.h"
#include "series/series_state.h"
#include "tests/vam/vam_fixture.h"
#include "vam/gidmake.h"
#include "vam/listing.h"

namespace listing_test {

using namespace vamtest;

namespace {

class Mcopy : public VamTest {
protected:
    void TearDown() override {
        for (int s : {0, 1}) {
            bankSlots[s] = nullptr;
            bankTypes[s] = ' ';
        }
        defaultVamBank = -1;
        other.reset();
        VamTest::TearDown();
    }
    std::unique_ptr<VamFile> other;
};

// 110 command words and the empty entry that ends the list.
TEST(CommandList, HoldsOneHundredAndTenWords) { EXPECT_EQ(commandlistsize(), 111u); }

TEST_F(Mcopy, McopyCopiesTheOverlapAndLeavesTheRest) {
    create(modelConfig);
    create("1990 1995\nam 8 12 0 r.txt c.txt\n", "small", "small.cfg");
    ASSERT_NE(open(), nullptr);
    other.reset(new VamFile("small"));
    ASSERT_TRUE(other->isOpen());
    bankSlots[0] = bank.get();
    bankSlots[1] = other.get();
    bankTypes[0] = bankTypes[1] = 'v';
    defaultVamBank = 0;
    std::vector<float> source(100), dest(96, 9.0f);
    for (int k = 0; k < 100; ++k) source[k] = static_cast<float>(k + 1);  // am(r, c) = 10(r-1) + c
    poke("hist.vam", static_cast<std::size_t>(bank->elementPos(1, 5)), source);
    poke("small.vam", static_cast<std::size_t>(other->elementPos(0, 5)), dest);
    const auto before = readFile("small.vam");
    ASSERT_EQ(typed(mcopycmd, "b.am = am 1995"), 0) << output();
    const auto after = readFile("small.vam");
    const std::size_t at = static_cast<std::size_t>(other->elementPos(0, 5));
    for (int r = 1; r <= 8; ++r)
        for (int c = 1; c <= 12; ++c)
            EXPECT_EQ(f32at(after, at + 4 * (12 * (r - 1) + c - 1)), c <= 10 ? 10.0f * (r - 1) + c : 9.0f)
                << r << " " << c;
    // Nothing outside 1995's record of am changed.
    for (std::size_t b = 0; b < after.size(); ++b)
        if (b < at || b >= at + 4 * 96) {
            ASSERT_EQ(after[b], before[b]) << b;
        }
    clearOutput();
    EXPECT_EQ(typed(mcopycmd, "b.am = am 1985"), 0);  // no period of both banks: nothing copied
    EXPECT_EQ(readFile("small.vam"), after);
}

}  // namespace

namespace {

class Gidmake : public VamTest {};

TEST_F(Gidmake, WritesTheMatinTextWithCarriageReturns) {
    writeText("gid.cfg", "io 3 4 1995\n2 (1-3) 30\n");
    writeText("gid.out", "old\n");
    ASSERT_EQ(typed([](std::FILE* in) { return gidmakecmd(nullptr, in); }, "gid.cfg gid.out"), 0) << output();
    auto b = readFile("gid.out");
    EXPECT_EQ(std::string(b.begin(), b.end()),
              "matin io 1995 1 3 1 4 8\r\n#guide matrix\r\n#              1       2       3       4\r\n"
              "       1   0.000  10.000   0.000   0.000\r\n"
              "       2   0.000  10.000   0.000   0.000\r\n"
              "       3   0.000  10.000   0.000   0.000");
    // A row beyond the table or a column beyond it is refused and the old output stays.
    for (const char* cfg : {"io 3 4 1995\n1 (1 4) 9\n", "io 3 4 1995\n5 (1) 9\n", "io 3 4 1995\n(0 5) (1) 9\n"}) {
        writeText("bad.cfg", cfg);
        EXPECT_EQ(typed([](std::FILE* in) { return gidmakecmd(nullptr, in); }, "bad.cfg gid.out"), -1) << cfg;
        EXPECT_EQ(readFile("gid.out"), b) << cfg;
    }
}

}  // namespace

namespace {

class Lv : public VamTest {
protected:
    void TearDown() override {
        bankSlots[1] = nullptr;
        bankTypes[1] = ' ';
        defaultVamBank = -1;
        VamTest::TearDown();
    }
};

TEST_F(Lv, FiveOrOneNamesALineFilteredAndSorted) {
    std::string config = "1990 1991\n";
    const char* names[] = {"x1", "m2", "x3", "y4", "x5", "m6", "x7", "y8", "x9", "m10", "x11", "y12"};
    for (const char* n : names) config += std::string(n) + " 2 1 0 r.txt\n";
    create(config);
    ASSERT_NE(open(), nullptr);
    bankSlots[1] = bank.get();
    bankTypes[1] = 'v';
    defaultVamBank = 1;
    clearOutput();
    auto pad = [](const char* n) {
        std::string s(n);
        s.resize(15, ' ');
        return s;
    };
    std::string five, one;
    for (int k = 0; k < 12; ++k) {
        five += pad(names[k]) + (k % 5 == 4 ? "\n" : "");
        one += pad(names[k]) + "\n";
    }
    EXPECT_EQ(typed([](std::FILE* in) { return lvcmd(in, 1); }, ""), 0);
    EXPECT_EQ(output(), five + "\n");
    clearOutput();
    EXPECT_EQ(typed([](std::FILE* in) { return lvcmd(in, 0); }, "b"), 0);
    EXPECT_EQ(output(), one + "\n");
    clearOutput();
    EXPECT_EQ(typed([](std::FILE* in) { return lvcmd(in, 1); }, "-s b x*"), 0);
    EXPECT_EQ(output(), pad("x1") + pad("x11") + pad("x3") + pad("x5") + pad("x7") + "\n" + pad("x9") + "\n");  // the results window shows "\r\n" as "\n"
    clearOutput();
    EXPECT_EQ(typed([](std::FILE* in) { return lvcmd(in, 0); }, "-SR b ^4"), 0);
    EXPECT_EQ(output(), pad("y4") + "\n\n");
    clearOutput();
    EXPECT_EQ(typed([](std::FILE* in) { return lvcmd(in, 1); }, "c"), -1);
    EXPECT_EQ(output(), "Error:  In lv, bank c not assigned.\n");
}

}  // namespace

}  // namespace listing_test
