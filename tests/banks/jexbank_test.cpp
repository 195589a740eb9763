// The workspace-format bank: its files byte by byte, reading with alignment to the workspace
// calendar, replacing, deleting and renaming, the limits of the name block, and damaged files.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cmath>
#include <cstring>
#include <random>

#include "banks/jexbank.h"
#include "core/bytes.h"
#include "core/missing.h"
#include "platform/platform.h"
#include "tests/banks/bank_test_util.h"

namespace jexbank_test {

using banktest::readFile;
using banktest::writeFile;
using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::vector<float> series(std::initializer_list<float> head, int length = seriesArrayLength) {
    std::vector<float> v(length, MISSING);
    std::copy(head.begin(), head.end(), v.begin());
    return v;
}

Bytes floatBytes(float f) {
    Bytes b(4);
    bytes::putF32(b.data(), f);
    return b;
}

class JexBankTest : public banktest::BankDirTest {};

}  // namespace

TEST_F(JexBankTest, NewBankHeaderAndEmptyIndex) {
    JexBank bank("ws", "New", 1990, 100, 1);
    ASSERT_TRUE(bank.isOpen());
    Bytes bnk = readFile("ws.bnk");
    ASSERT_EQ(bnk.size(), 86u);
    EXPECT_EQ(Bytes(bnk.begin(), bnk.begin() + 6), (Bytes{0xc6, 0x07, 0x01, 0x00, 0x64, 0x00}));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&bnk[6])), "Untitled");
    for (int i = 6 + 8; i < 86; ++i) EXPECT_EQ(bnk[i], 0) << i;
    EXPECT_EQ(readFile("ws.ind"), (Bytes{0, 0}));
    EXPECT_FALSE(std::filesystem::exists("ws.ind.tmp"));

    JexBank big("big", "New", 1990, 1999, 1);
    EXPECT_EQ(readFile("big.bnk").size(), 86u);
    EXPECT_EQ(readFile("big.ind"), (Bytes{0, 0}));
}

TEST_F(JexBankTest, FirstSeriesRecordAndIndexBytes) {
    JexBank bank("ws", "New", 1990, 100, 1);
    bank.setFreq(1);
    auto v = series({1, 2, 3});
    EXPECT_EQ(bank.addser("gdp", v.data(), 'y'), 0);
    Bytes bnk = readFile("ws.bnk");
    ASSERT_EQ(bnk.size(), 487u);
    EXPECT_EQ(bnk[86], 1);  // frequency byte
    EXPECT_EQ(Bytes(bnk.begin() + 87, bnk.begin() + 91), (Bytes{0x00, 0x00, 0x80, 0x3f}));
    EXPECT_EQ(Bytes(bnk.begin() + 91, bnk.begin() + 95), floatBytes(2.0f));
    EXPECT_EQ(Bytes(bnk.begin() + 95, bnk.begin() + 99), floatBytes(3.0f));
    EXPECT_EQ(Bytes(bnk.begin() + 99, bnk.begin() + 103), (Bytes{0xbd, 0x37, 0x86, 0xb5}));
    EXPECT_EQ(Bytes(bnk.end() - 4, bnk.end()), floatBytes(MISSING));
    Bytes ind = readFile("ws.ind");
    ASSERT_EQ(ind.size(), 11u);
    EXPECT_EQ(Bytes(ind.begin(), ind.begin() + 10),
              (Bytes{1, 0, 0, 0, 4, 0, 'g', 'd', 'p', 0}));

    // A second series: record 1 at 86 + 401, index with offsets 0, 4, 6.
    bank.setFreq(4);
    auto w = series({7});
    EXPECT_EQ(bank.addser("x", w.data(), 'y'), 1);
    bnk = readFile("ws.bnk");
    ASSERT_EQ(bnk.size(), 888u);
    EXPECT_EQ(bnk[487], 4);
    EXPECT_EQ(Bytes(bnk.begin() + 488, bnk.begin() + 492), floatBytes(7.0f));
    ind = readFile("ws.ind");
    ASSERT_EQ(ind.size(), 2u + 6 + 7);
    EXPECT_EQ(Bytes(ind.begin(), ind.begin() + 14),
              (Bytes{2, 0, 0, 0, 4, 0, 6, 0, 'g', 'd', 'p', 0, 'x', 0}));
}

TEST_F(JexBankTest, ReplaceRewritesRecordInPlaceAndKeepsIndex) {
    JexBank bank("ws", "New", 1990, 100, 1);
    bank.setFreq(1);
    auto a = series({1, 2, 3});
    auto b = series({4});
    bank.addser("a", a.data(), 'y');
    bank.addser("b", b.data(), 'y');
    Bytes indBefore = readFile("ws.ind");
    auto a2 = series({9, 8});
    bank.setFreq(12);
    EXPECT_EQ(bank.addser("a", a2.data(), 'y'), 0);
    EXPECT_EQ(readFile("ws.ind"), indBefore);
    Bytes bnk = readFile("ws.bnk");
    ASSERT_EQ(bnk.size(), 86u + 2 * 401);
    EXPECT_EQ(bnk[86], 12);
    EXPECT_EQ(Bytes(bnk.begin() + 87, bnk.begin() + 91), floatBytes(9.0f));
    EXPECT_EQ(bnk[487], 1);  // b untouched
    EXPECT_EQ(Bytes(bnk.begin() + 488, bnk.begin() + 492), floatBytes(4.0f));
}

TEST_F(JexBankTest, DeleteMiddleMovesLastIntoItsPlace) {
    JexBank bank("ws", "New", 1990, 100, 1);
    bank.setFreq(1);
    auto a = series({1}), b = series({2}), c = series({3, 33});
    bank.addser("aa", a.data(), 'y');
    bank.addser("bbb", b.data(), 'y');
    bank.setFreq(4);
    bank.addser("c", c.data(), 'y');
    ASSERT_EQ(bank.delser("bbb"), 0);
    EXPECT_EQ(bank.seriesCount(), 2);
    EXPECT_EQ(bank.findser("bbb"), -1);
    EXPECT_EQ(bank.findser("c"), 1);
    Bytes ind = readFile("ws.ind");
    EXPECT_EQ(Bytes(ind.begin(), ind.begin() + 13),
              (Bytes{2, 0, 0, 0, 3, 0, 5, 0, 'a', 'a', 0, 'c', 0}));
    Bytes bnk = readFile("ws.bnk");
    EXPECT_EQ(bnk[487], 4);  // c's frequency, as stored
    EXPECT_EQ(Bytes(bnk.begin() + 488, bnk.begin() + 492), floatBytes(3.0f));
    EXPECT_EQ(Bytes(bnk.begin() + 492, bnk.begin() + 496), floatBytes(33.0f));

    // The reopened bank agrees.
    JexBank again("ws", "Read", 1965, 200, 1);
    ASSERT_TRUE(again.isOpen());
    std::vector<float> out(seriesArrayLength);
    ASSERT_EQ(again.getser("c", out.data(), -1), 0);
    EXPECT_EQ(out[0], 3.0f);
    EXPECT_EQ(out[1], 33.0f);
    EXPECT_EQ(again.freq(), 4);
    // Deleting the last one only shortens the index.
    ASSERT_EQ(bank.delser("c"), 0);
    EXPECT_EQ(readFile("ws.ind").size(), 2u + 4 + 4);
    EXPECT_EQ(bank.delser("zz"), -1);
    EXPECT_THAT(output(), HasSubstr("Cannot find zz"));
}

TEST_F(JexBankTest, DeleteKeepsAnOddFrequencySeriesUnshifted) {
    JexBank bank("ws", "New", 1990, 100, 1);
    auto a = series({1}), b = series({5, 6, 7});
    bank.setFreq(1);
    bank.addser("a", a.data(), 'y');
    bank.setFreq(7);  // a frequency the calendar does not know
    bank.addser("b", b.data(), 'y');
    ASSERT_EQ(bank.delser("a"), 0);
    Bytes bnk = readFile("ws.bnk");
    EXPECT_EQ(bnk[86], 7);
    EXPECT_EQ(Bytes(bnk.begin() + 87, bnk.begin() + 91), floatBytes(5.0f));
}

TEST_F(JexBankTest, RenameChecksTheNewName) {
    JexBank bank("ws", "New", 1990, 100, 1);
    bank.setFreq(1);
    auto v = series({1});
    bank.addser("a", v.data(), 'y');
    bank.addser("bb", v.data(), 'y');
    bank.addser("c", v.data(), 'y');
    ASSERT_EQ(bank.renser("bb", "longer"), 0);
    Bytes ind = readFile("ws.ind");
    EXPECT_EQ(Bytes(ind.begin(), ind.begin() + 20),
              (Bytes{3, 0, 0, 0, 2, 0, 9, 0, 11, 0, 'a', 0, 'l', 'o', 'n', 'g', 'e', 'r', 0, 'c'}));
    EXPECT_EQ(bank.findser("longer"), 1);
    EXPECT_EQ(bank.findser("c"), 2);
    Bytes before = readFile("ws.ind");
    EXPECT_EQ(bank.renser("longer", "c"), -1);  // taken
    EXPECT_THAT(output(), HasSubstr("c already exists"));
    EXPECT_EQ(readFile("ws.ind"), before);
    EXPECT_EQ(bank.renser("nothere", "q"), -1);
    EXPECT_EQ(bank.findser("longer"), 1);
}

TEST_F(JexBankTest, NameBlockLimits) {
    const bool sync = JexBank::syncWrites;
    JexBank::syncWrites = false;  // thousands of additions; durability is not the point here
    struct Restore {
        bool sync;
        ~Restore() { JexBank::syncWrites = sync; }
    } restore{sync};
    JexBank bank("ws", "New", 1990, 1, 1);
    bank.setFreq(1);
    float v[seriesArrayLength] = {1};
    // 5-character names take 6 bytes each: 10919 names end at 65514, the next at 65520.
    char name[16];
    int i = 0;
    for (; i < 10919; ++i) {
        std::snprintf(name, sizeof name, "n%04x", i);
        ASSERT_EQ(bank.addser(name, v, 'n'), i) << name;
    }
    clearOutput();
    std::snprintf(name, sizeof name, "n%04x", i);
    EXPECT_EQ(bank.addser(name, v, 'y'), -1);  // stored, with the warning
    EXPECT_THAT(output(), HasSubstr("No room for any more variables in data bank"));
    EXPECT_THAT(output(), HasSubstr("Series = 10920; Characters in names = 65520"));
    EXPECT_EQ(bank.findser(name), 10919);
    // 65520 + 14 + 1 = 65535: refused, nothing changes.
    clearOutput();
    EXPECT_EQ(bank.addser("abcdefghijklmn", v, 'y'), -1);
    EXPECT_THAT(output(), HasSubstr(" No more room for abcdefghijklmn in workspace bank!"));
    EXPECT_EQ(bank.seriesCount(), 10920);
    // A rename that would not fit is refused; one that fits is done.
    EXPECT_EQ(bank.renser("n0000", "n0000abcdefghijklmno"), -1);  // would end at 65535
    EXPECT_EQ(bank.findser("n0000"), 0);
    EXPECT_EQ(bank.renser("n0000", "n00001234567890"), 0);
    JexBank again("ws", "Read", 1965, 200, 1);
    ASSERT_TRUE(again.isOpen());
    EXPECT_EQ(again.seriesCount(), 10920);
    EXPECT_EQ(again.findser("n00001234567890"), 0);
    EXPECT_EQ(again.findser(name), 10919);
}

TEST_F(JexBankTest, TitleIsWrittenToTheHeader) {
    JexBank bank("ws", "New", 1990, 100, 1);
    std::string longTitle(120, 't');
    ASSERT_NE(bank.settitle(longTitle.c_str()), nullptr);
    Bytes bnk = readFile("ws.bnk");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&bnk[6]), 79), std::string(79, 't'));
    EXPECT_EQ(bnk[85], 0);
    JexBank again("ws", "Read", 1965, 200, 1);
    EXPECT_EQ(std::string(again.title()), std::string(79, 't'));
}

// ---- alignment to the workspace calendar ----

using banktest::makeBank;

TEST_F(JexBankTest, ShortBaseYearMeansNineteenHundredAndSome) {
    makeBank("old", 85, 1, 10, 1, {1});
    JexBank bank("old", "Read", 1965, 200, 1);
    ASSERT_TRUE(bank.isOpen());
    EXPECT_EQ(bank.baseyear(), 1985);
    EXPECT_STREQ(bank.title(), "made by hand");
}

TEST_F(JexBankTest, AlignsToTheWorkspaceStart) {
    // Workspace from 1990; banks from 1988 and 1993, annual; one undated.
    makeBank("early", 1988, 1, 6, 1, {1, 2, 3, 4, 5, 6});
    makeBank("late", 1993, 1, 6, 1, {1, 2, 3, 4, 5, 6});
    makeBank("undated", 1993, 1, 6, 0, {1, 2, 3, 4, 5, 6});
    struct Case { const char* stem; std::vector<float> want; } cases[] = {
        {"early", {3, 4, 5, 6, MISSING, MISSING}},
        {"late", {MISSING, MISSING, MISSING, 1, 2, 3, 4, 5, 6}},
        {"undated", {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        JexBank bank(c.stem, "Read", 1965, 200, 1);
        ASSERT_TRUE(bank.isOpen()) << c.stem;
        std::vector<float> out(seriesArrayLength, 42.0f);
        ASSERT_EQ(bank.getser("s", out.data(), -1), 0) << c.stem;
        for (std::size_t i = 0; i < c.want.size(); ++i) EXPECT_EQ(out[i], c.want[i]) << c.stem << i;
    }
    // Quarterly from 1990q3 in a workspace that starts in January 1990: two missing first.
    makeBank("q", 1990, 7, 4, 4, {1, 2, 3, 4});
    JexBank q("q", "Read", 1965, 200, 1);
    std::vector<float> out(seriesArrayLength);
    ASSERT_EQ(q.getser("s", out.data(), -1), 0);
    EXPECT_EQ(out[0], MISSING);
    EXPECT_EQ(out[1], MISSING);
    EXPECT_EQ(out[2], 1.0f);
    EXPECT_EQ(out[5], 4.0f);
}

TEST_F(JexBankTest, AlignmentNeverWritesPastTheArray) {
    // A bank starting 2000 years after the workspace, a daily one 36500 days later and a
    // monthly one 11880 months earlier: nothing of them falls inside the workspace.
    makeBank("far", 3990, 1, 1999, 1, std::vector<float>(1999, 5.0f));
    makeBank("daily", 2090, 1, 1999, 13, std::vector<float>(1999, 5.0f));
    makeBank("before", 1000, 1, 1999, 12, std::vector<float>(1999, 5.0f));
    for (const char* stem : {"far", "daily", "before"}) {
        JexBank bank(stem, "Read", 1965, 200, 1);
        ASSERT_TRUE(bank.isOpen());
        std::vector<float> out(seriesArrayLength + 8, 42.0f);
        ASSERT_EQ(bank.getser("s", out.data(), -1), 0);
        for (int i = seriesArrayLength; i < seriesArrayLength + 8; ++i) EXPECT_EQ(out[i], 42.0f);
        for (int i = 0; i < seriesArrayLength; ++i) ASSERT_EQ(out[i], MISSING) << stem << i;
    }
    // 1000 years later: the first values land at index 1000, the rest are cut at 1998.
    makeBank("later", 2990, 1, 1999, 1, std::vector<float>(1999, 5.0f));
    JexBank bank("later", "Read", 1965, 200, 1);
    std::vector<float> out(seriesArrayLength + 8, 42.0f);
    ASSERT_EQ(bank.getser("s", out.data(), -1), 0);
    EXPECT_EQ(out[999], MISSING);
    EXPECT_EQ(out[1000], 5.0f);
    EXPECT_EQ(out[1998], 5.0f);
    EXPECT_EQ(out[1999], 42.0f);
}

// ---- damaged files ----

TEST_F(JexBankTest, RefusesDamagedBanks) {
    makeBank("good", 1990, 1, 4, 1, {1, 2, 3, 4});
    const Bytes goodBnk = readFile("good.bnk");
    const Bytes goodInd = readFile("good.ind");
    struct Case {
        const char* what;
        Bytes bnk, ind;
        const char* message;
    };
    Bytes tooMany = goodBnk;
    tooMany[4] = 0xd0; tooMany[5] = 0x07;  // 2000 observations
    std::vector<Case> cases = {
        {"2000 observations", tooMany, goodInd, "at most 1999 are allowed"},
        {"short header", Bytes(goodBnk.begin(), goodBnk.begin() + 50), goodInd, "Cannot open "},
        {"no index", goodBnk, {}, " Cannot open index file bad.ind"},
        {"one-byte index", goodBnk, {1}, "Cannot read index file."},
        {"offsets cut", goodBnk, {1, 0, 0, 0}, "Index file not read "},
        {"names cut", goodBnk, {1, 0, 0, 0, 2, 0, 's'}, "Index file not read."},
        {"offset 0xFFFF", goodBnk, {1, 0, 0, 0, 0xff, 0xff}, "overflow in Jexbank constructor"},
        {"offset past names", goodBnk, {2, 0, 0, 0, 9, 0, 2, 0, 's', 0, 0}, "is damaged"},
        {"first offset not 0", goodBnk, {1, 0, 1, 0, 2, 0, 's', 0, 0}, "is damaged"},
        {"name without NUL", goodBnk, {1, 0, 0, 0, 2, 0, 's', 't', 0}, "is damaged"},
        {"NUL inside a name", goodBnk, {1, 0, 0, 0, 3, 0, 0, 't', 0, 0}, "is damaged"},
        {"offsets not rising", goodBnk, {2, 0, 0, 0, 2, 0, 2, 0, 's', 0, 0}, "is damaged"},
    };
    for (const Case& c : cases) {
        clearOutput();
        writeFile("bad.bnk", c.bnk);
        if (c.ind.empty()) std::filesystem::remove("bad.ind");
        else writeFile("bad.ind", c.ind);
        JexBank bank("bad", "ReadWrite", 1965, 200, 1);
        EXPECT_FALSE(bank.isOpen()) << c.what;
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.what;
        // Nothing was written.
        EXPECT_EQ(readFile("bad.bnk"), c.bnk) << c.what;
        JexBank quiet("bad", "Read", 1965, 200, 1, 1);
        EXPECT_FALSE(quiet.isOpen());
    }
}

TEST_F(JexBankTest, TruncatedRecordIsAReadFailure) {
    makeBank("cut", 1990, 1, 4, 1, {1, 2, 3, 4});
    Bytes bnk = readFile("cut.bnk");
    bnk.resize(bnk.size() - 3);
    writeFile("cut.bnk", bnk);
    JexBank bank("cut", "Read", 1965, 200, 1);
    ASSERT_TRUE(bank.isOpen());
    std::vector<float> out(seriesArrayLength);
    EXPECT_EQ(bank.getser("s", out.data(), -1), -1);
    EXPECT_THAT(output(), HasSubstr("cannot read series s from cut.bnk"));
    EXPECT_EQ(bank.getser("s", nullptr, -1), 0);  // the name exists
}

TEST_F(JexBankTest, DuplicateNamesFindTheFirst) {
    makeBank("dup", 1990, 1, 1, 1, {1});
    Bytes bnk = readFile("dup.bnk");
    bnk.push_back(1);
    Bytes two = floatBytes(2);
    bnk.insert(bnk.end(), two.begin(), two.end());
    writeFile("dup.bnk", bnk);
    writeFile("dup.ind", Bytes{2, 0, 0, 0, 2, 0, 4, 0, 's', 0, 's', 0, 0});
    JexBank bank("dup", "Read", 1965, 200, 1);
    ASSERT_TRUE(bank.isOpen());
    EXPECT_EQ(bank.findser("s"), 0);
}

TEST_F(JexBankTest, RandomBytesNeverCrash) {
    std::mt19937 rng(7);
    makeBank("seed", 1990, 1, 3, 1, {1, 2, 3});
    const Bytes bnk = readFile("seed.bnk");
    const Bytes ind = readFile("seed.ind");
    for (int round = 0; round < 300; ++round) {
        Bytes b = bnk, x = ind;
        int flips = 1 + rng() % 6;
        for (int k = 0; k < flips; ++k) {
            Bytes& t = (rng() % 2) ? b : x;
            t[rng() % t.size()] = static_cast<std::uint8_t>(rng());
        }
        if (rng() % 4 == 0) x.resize(rng() % (x.size() + 1));
        if (rng() % 4 == 0) b.resize(rng() % (b.size() + 1));
        writeFile("r.bnk", b);
        writeFile("r.ind", x);
        JexBank bank("r", "ReadWrite", 1965, 200, 1, 1);
        if (!bank.isOpen()) continue;
        std::vector<float> out(seriesArrayLength + 4, 42.0f);
        for (int i = 0; i < bank.seriesCount(); ++i) bank.getser(bank.nameAt(i), out.data(), -1);
        for (int i = seriesArrayLength; i < seriesArrayLength + 4; ++i) ASSERT_EQ(out[i], 42.0f);
        std::vector<std::string> names;
        bank.collectser(names, "", 0);
        EXPECT_EQ(names.size(), bank.seriesCount());
    }
    clearOutput();
}

TEST_F(JexBankTest, ReadWriteReopenKeepsEverything) {
    {
        JexBank bank("ws", "New", 1990, 10, 1);
        bank.setFreq(4);
        for (int i = 0; i < 50; ++i) {
            auto v = series({static_cast<float>(i), static_cast<float>(i * 2)}, seriesArrayLength);
            std::string name = "s" + std::to_string(i);
            ASSERT_EQ(bank.addser(name.c_str(), v.data(), 'y'), i);
        }
    }
    JexBank bank("ws", "ReadWrite", 1965, 200, 1);
    ASSERT_TRUE(bank.isOpen());
    EXPECT_EQ(bank.seriesCount(), 50);
    std::vector<float> out(seriesArrayLength);
    ASSERT_EQ(bank.getser("s37", out.data(), -1), 0);
    EXPECT_EQ(out[0], 37.0f);
    EXPECT_EQ(out[1], 74.0f);
    EXPECT_EQ(bank.freq(), 4);
    auto v = series({99});
    EXPECT_EQ(bank.addser("new", v.data(), 'y'), 50);
    std::vector<std::string> names;
    bank.collectser(names, "s1*", 0);
    EXPECT_EQ(names.size(), 11u);  // s1, s10..s19
    EXPECT_EQ(names.front(), "s1");
}

TEST_F(JexBankTest, ReadOnlyBankRefusesWrites) {
    makeBank("ro", 1990, 1, 3, 1, {1, 2, 3});
    const Bytes before = readFile("ro.bnk");
    const Bytes beforeInd = readFile("ro.ind");
    JexBank bank("ro", "Read", 1965, 200, 1);
    ASSERT_TRUE(bank.isOpen());
    auto v = series({5});
    EXPECT_EQ(bank.addser("t", v.data(), 'y'), -1);
    EXPECT_EQ(bank.findser("t"), -1);
    EXPECT_EQ(bank.seriesCount(), 1);
    EXPECT_EQ(readFile("ro.bnk"), before);
    EXPECT_EQ(readFile("ro.ind"), beforeInd);
}

TEST_F(JexBankTest, CacheModeLeavesTheFilesAlone) {
    JexBank bank("ws", "New", 1990, 10, 1);
    bank.setCache(true);
    bank.setFreq(1);
    auto v = series({3});
    EXPECT_EQ(bank.addser("b", v.data(), 'y'), 0);
    EXPECT_EQ(bank.addser("a", v.data(), 'y'), 0);
    EXPECT_EQ(readFile("ws.ind"), (Bytes{0, 0}));
    EXPECT_EQ(readFile("ws.bnk").size(), 86u);
    EXPECT_EQ(bank.findser("a"), 0);
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(bank.renser("a", "c"), 0);
    EXPECT_EQ(bank.delser("b"), 0);
    EXPECT_EQ(bank.seriesCount(), 1);
    std::vector<float> out(seriesArrayLength);
    EXPECT_EQ(bank.getser("c", out.data(), -1), 0);
    EXPECT_EQ(out[0], 3.0f);
}

TEST_F(JexBankTest, CollectAndDescribe) {
    banktest::makeNamedBank("names", {{"gdp", 1}, {"gnp", 2}, {"cons", 3}, {"g", 4}});
    JexBank bank("names", "Read", 1965, 200, 1);
    ASSERT_TRUE(bank.isOpen());
    struct Case { const char* pattern; std::vector<std::string> names; } cases[] = {
        {"", {"gdp", "gnp", "cons", "g"}},
        {"*", {"gdp", "gnp", "cons", "g"}},
        {"g*", {"gdp", "gnp", "g"}},
        {"g^p", {"gdp", "gnp"}},
        {"*s", {"cons"}},
        {"x*", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> names{"stale"};
        EXPECT_EQ(bank.collectser(names, c.pattern, 1), 0);
        EXPECT_EQ(names, c.names) << c.pattern;
    }
    clearOutput();
    bank.info(0);
    EXPECT_EQ(output(), "Index file read.\nTitle of assigned bank:Untitled\n"
                        "Base year 1990; first month covered 1\n"
                        "Max observations per series 100.\nContains 4 series.\n");
    clearOutput();
    bank.info(3);
    EXPECT_THAT(output(), HasSubstr("This bank assigned as bank: d."));
    // A read sets the bank's frequency to that of the series read.
    std::vector<float> out(seriesArrayLength);
    bank.setFreq(12);
    ASSERT_EQ(bank.getser("cons", out.data(), -1), 0);
    EXPECT_EQ(bank.freq(), 1);
}

TEST_F(JexBankTest, EscapeStopsCollectingWithAResult) {
    for (bool cached : {false, true}) {
        JexBank bank(cached ? "wc" : "ws", "New", 1990, 10, 1);
        bank.setCache(cached);
        bank.setFreq(1);
        auto v = series({1});
        for (const char* name : {"g1", "g2", "h1"}) ASSERT_GE(bank.addser(name, v.data(), 'y'), 0);
        std::vector<std::string> names = {"left over"};
        EXPECT_EQ(bank.collectser(names, "g*", 0), 0);
        EXPECT_EQ(names, (std::vector<std::string>{"g1", "g2"}));
        // Escape down: the walk stops at once, reports it, and keeps no stale names.
        platform::pressEscape();
        EXPECT_EQ(bank.collectser(names, "", 0), 27) << cached;
        EXPECT_TRUE(names.empty());
        EXPECT_FALSE(platform::escapePressed());  // the poll took the key press
        EXPECT_EQ(bank.collectser(names, "", 0), 0);
        EXPECT_EQ(names.size(), 3u);
    }
}

// The record cache of a writable bank, and the mapping of its data file, change nothing
// but speed: the same operations on a bank that keeps no records in memory and writes every
// record with a system call give the same series and the same file bytes.
TEST_F(JexBankTest, RecordCacheIsInvisibleInResultsAndFiles) {
    const std::size_t limit = JexBank::recordCacheLimit;
    const bool mapRecords = JexBank::mapRecords;
    struct Restore {
        std::size_t limit;
        bool map;
        ~Restore() {
            JexBank::recordCacheLimit = limit;
            JexBank::mapRecords = map;
        }
    } restore{limit, mapRecords};
    // Limits: none, room for 3 records (the rest read from the file), the default.
    for (std::size_t room : {std::size_t{0}, std::size_t{3 * 12 * sizeof(float)}, limit}) {
        std::filesystem::create_directories("plain");
        std::filesystem::create_directories("cached");
        std::filesystem::create_directories("mapped");
        JexBank::mapRecords = false;
        JexBank::recordCacheLimit = 0;
        JexBank plain("plain/ws", "New", 1990, 12, 1);
        JexBank::recordCacheLimit = room;
        JexBank cached("cached/ws", "New", 1990, 12, 1);
        JexBank::mapRecords = true;
        JexBank mapped("mapped/ws", "New", 1990, 12, 1);
        EXPECT_FALSE(plain.recordsMapped());
        EXPECT_FALSE(cached.recordsMapped());
        // Where the file system allows it (the test folder's).
        const bool mapping = mapped.recordsMapped();
        std::mt19937 random(7);
        std::vector<float> v(seriesArrayLength), a(seriesArrayLength), b(seriesArrayLength);
        auto both = [&](auto op) {
            JexBank::recordCacheLimit = 0;
            auto x = op(plain);
            JexBank::recordCacheLimit = room;
            auto y = op(cached);
            EXPECT_EQ(x, y);
            EXPECT_EQ(x, op(mapped));
        };
        for (int step = 0; step < 600; ++step) {
            const std::string name = "s" + std::to_string(random() % 9);
            const std::string other = "s" + std::to_string(random() % 9);
            switch (random() % 6) {
            case 0:
            case 1: {  // a whole series, or the first few values only (count given)
                for (float& x : v) x = static_cast<float>(random() % 1000);
                const int count = random() % 3 == 0 ? static_cast<int>(random() % 12) : -1;
                const int freq = 1 + static_cast<int>(random() % 2) * 3;
                both([&](JexBank& bank) {
                    bank.setFreq(freq);
                    return bank.addser(name.c_str(), v.data(), 'y', static_cast<std::int16_t>(count));
                });
                break;
            }
            case 2:
                both([&](JexBank& bank) { return static_cast<int>(bank.delser(name.c_str())); });
                break;
            case 3:
                both([&](JexBank& bank) {
                    return static_cast<int>(bank.renser(name.c_str(), other.c_str()));
                });
                break;
            default: {
                JexBank::recordCacheLimit = 0;
                int ra = plain.getser(name.c_str(), a.data(), -1);
                JexBank::recordCacheLimit = room;
                int rb = cached.getser(name.c_str(), b.data(), -1);
                ASSERT_EQ(ra, rb) << step;
                EXPECT_EQ(plain.freq(), cached.freq()) << step;
                EXPECT_EQ(a, b) << step;
                ASSERT_EQ(mapped.getser(name.c_str(), b.data(), -1), ra) << step;
                EXPECT_EQ(plain.freq(), mapped.freq()) << step;
                EXPECT_EQ(a, b) << step;
            }
            }
        }
        EXPECT_EQ(plain.cachedRecords(), 0);
        if (room == 0) EXPECT_EQ(cached.cachedRecords(), 0);
        else if (room < limit) EXPECT_LE(cached.cachedRecords(), 3);
        else EXPECT_GT(cached.cachedRecords(), 0);
        EXPECT_EQ(mapped.cachedRecords(), 0) << "a mapped bank keeps no copies";
        if (mapping) {
            EXPECT_TRUE(mapped.recordsMapped());
        }
        EXPECT_EQ(readFile("plain/ws.bnk"), readFile("cached/ws.bnk")) << room;
        EXPECT_EQ(readFile("plain/ws.ind"), readFile("cached/ws.ind")) << room;
        EXPECT_EQ(readFile("plain/ws.bnk"), readFile("mapped/ws.bnk")) << room;
        EXPECT_EQ(readFile("plain/ws.ind"), readFile("mapped/ws.ind")) << room;
        // Every store is in the file when it returns: a second reader sees each series.
        for (JexBank* writer : {&cached, &mapped}) {
            JexBank reader(writer == &cached ? "cached/ws" : "mapped/ws", "Read", 1965, 200, 1);
            ASSERT_TRUE(reader.isOpen());
            for (int i = 0; i < writer->seriesCount(); ++i) {
                ASSERT_EQ(reader.getser(writer->nameAt(i), a.data(), -1), 0);
                ASSERT_EQ(writer->getser(writer->nameAt(i), b.data(), -1), 0);
                EXPECT_EQ(a, b) << writer->nameAt(i);
            }
        }
        std::filesystem::remove_all("plain");
        std::filesystem::remove_all("cached");
        std::filesystem::remove_all("mapped");
    }
}

TEST_F(JexBankTest, ReadOnlyBanksKeepNoRecords) {
    {
        JexBank bank("ws", "New", 1990, 5, 1);
        bank.setFreq(1);
        auto v = series({1, 2, 3});
        ASSERT_EQ(bank.addser("x", v.data(), 'y'), 0);
    }
    JexBank bank("ws", "Read", 1965, 200, 1);
    std::vector<float> out(seriesArrayLength);
    ASSERT_EQ(bank.getser("x", out.data(), -1), 0);
    EXPECT_EQ(bank.cachedRecords(), 0);
    // A change made to the file by someone else is seen by the next read.
    {
        JexBank writer("ws", "ReadWrite", 1965, 200, 1);
        writer.setFreq(1);
        auto v = series({9});
        ASSERT_EQ(writer.addser("x", v.data(), 'y'), 0);
    }
    ASSERT_EQ(bank.getser("x", out.data(), -1), 0);
    EXPECT_EQ(out[0], 9.0f);
}

}  // namespace jexbank_test
