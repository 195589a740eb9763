// Packed-matrix files: loading rows, columns and years into the bank, storing them back, the
// Pmatrix class, pmfile, and damaged files refused.
#include "tests/vam/vam_fixture.h"

namespace pmatrix_test {

using ::testing::HasSubstr;
using namespace vamtest;

namespace {

// hist: x (3 x 1) and the packed pm (3 x 4) over 1990-1991, pm's file pm.pmx.
class Packed : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        create(packedConfig);
        writeFile("pm.pmx", packedFixture());
        ASSERT_EQ(typed(bankcmd, 'v', "hist b"), 0);
        ASSERT_EQ(typed(dvamcmd, "b"), 0);
        v = dynamic_cast<VamFile*>(bankSlots[1]);
        ASSERT_NE(v, nullptr);
        settypedline("pm pm.pmx");
        ASSERT_EQ(pmfilegate(v, nullptr), 0);
        clearOutput();
    }
    std::vector<float> row(int k) {
        return std::vector<float>(v->loadedRow(k), v->loadedRow(k) + v->loadedCount());
    }
    VamFile* v = nullptr;
};

TEST_F(Packed, FixtureFile) {
    const auto b = readFile("pm.pmx");
    ASSERT_EQ(b.size(), 165u);
    EXPECT_EQ(b[72], 'n');
    EXPECT_EQ(bytes::getI16(b.data() + 86), 3);
    EXPECT_EQ(bytes::getI32(b.data() + 98), 4);
    EXPECT_EQ(bytes::getI32(b.data() + 115), 119);
    const auto vam = readFile("hist.vam");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(vam.data() + 102)), "pm.pmx");
}

TEST_F(Packed, LoadRowsColumnsAndYears) {
    ASSERT_EQ(v->loadcmd("pm", 'r', 1), 0);
    EXPECT_EQ(row(0), (std::vector<float>{0, 1.5f, 0, 2}));
    EXPECT_EQ(row(1), (std::vector<float>{0, 3, 0, 0}));
    ASSERT_EQ(v->loadcmd("pm", 'c', 3), 0);
    EXPECT_EQ(row(1), (std::vector<float>{0, 7, 0}));
    ASSERT_EQ(v->loadcmd("pm", 'y', 1990), 0);
    EXPECT_EQ(row(2), (std::vector<float>{-1, 0, 0, 0}));
    EXPECT_EQ(v->loadcmd("pm", 'x', 0), -1);  // never whole
    clearOutput();
    EXPECT_EQ(v->loadcmd("pm", 'r', 4), -1);
    EXPECT_THAT(output(), HasSubstr("Error: Invalid row number: 4!"));
    // As series: pm1.4 over the two years.
    std::vector<float> s(seriesArrayLength);
    ASSERT_EQ(v->getser("pm1.4", s.data(), -1), 0);
    EXPECT_EQ(s[0], 2);
    EXPECT_EQ(s[1], 0);
}

TEST_F(Packed, StoreWritesOnlyThePattern) {
    const auto before = readFile("pm.pmx");
    ASSERT_EQ(v->loadcmd("pm", 'y', 1991), 0);
    v->loadedRow(1)[2] = 8;   // (2,3): in the pattern
    v->loadedRow(1)[0] = 99;  // (2,1): not in the pattern, lost
    v->setModified();
    ASSERT_EQ(v->storecmd(), 0);
    auto after = readFile("pm.pmx");
    for (std::size_t k = 0; k < after.size(); ++k) {
        if (k < 157 || k > 160) {
            ASSERT_EQ(after[k], before[k]) << k;
        }
    }
    EXPECT_EQ(f32at(after, 157), 8.0f);
    // A row view stores each period's row.
    ASSERT_EQ(v->loadcmd("pm", 'r', 1), 0);
    v->loadedRow(0)[3] = 5;
    ASSERT_EQ(v->storecmd(), 0);
    EXPECT_EQ(f32at(readFile("pm.pmx"), 137), 5.0f);
    // A column of a packed matrix cannot be stored: its changes are dropped with a note.
    ASSERT_EQ(v->loadcmd("pm", 'c', 2), 0);
    v->loadedRow(0)[0] = 6;
    clearOutput();
    ASSERT_EQ(v->storecmd(), 0);
    EXPECT_THAT(output(), HasSubstr("Cannot store a column of a packed matrix at this moment"));
    EXPECT_EQ(f32at(readFile("pm.pmx"), 133), 1.5f);
}

TEST_F(Packed, PmatrixOnePeriod) {
    Pmatrix p;
    EXPECT_EQ(p.load("pm.pmx", 1991), -1);  // never declared
    ASSERT_EQ(p.declare(v, "pm", "pm.pmx"), 0);
    EXPECT_EQ(p.state(), 'r');
    clearOutput();
    EXPECT_EQ(p.at(1, 2), 0);
    EXPECT_THAT(output(), HasSubstr("Reference to a deleted or unloaded Pmatrix."));
    ASSERT_EQ(p.load("pm.pmx", 1991), 0);
    EXPECT_EQ(p.at(2, 3), 7);
    EXPECT_EQ(p.at(1, 3), 0);
    EXPECT_EQ(p.set(1, 3, 4), -1);  // not in the pattern
    EXPECT_EQ(p.set(4, 1, 4), -1);
    ASSERT_EQ(p.set(2, 3, 8), 0);
    const auto before = readFile("pm.pmx");
    ASSERT_EQ(p.store("pm.pmx", 1991), 0);
    const auto after = readFile("pm.pmx");
    for (std::size_t k = 0; k < after.size(); ++k) {
        if (k < 157 || k > 160) {
            ASSERT_EQ(after[k], before[k]) << k;
        }
    }
    EXPECT_EQ(std::vector<std::uint8_t>(after.begin() + 157, after.begin() + 161),
              (std::vector<std::uint8_t>{0, 0, 0, 0x41}));
    // Sums of 1990: columns 1 (row 3: -1), 2 (1.5), 3 (0), 4 (2); rows 3.5, 0, -1.
    ASSERT_EQ(p.load("pm.pmx", 1990), 0);
    Vector<float> cs = p.columnSum();
    EXPECT_EQ(cs[1], -1);
    EXPECT_EQ(cs[2], 1.5f);
    EXPECT_EQ(cs[4], 2);
    Vector<float> rs = p.rowSum();
    EXPECT_EQ(rs[1], 3.5f);
    EXPECT_EQ(rs[3], -1);
    Vector<int> group(2, 1);
    group[1] = 4;
    group[2] = 1;
    Vector<float> grs = p.groupRowSum(group);
    EXPECT_EQ(grs[1], 2);
    EXPECT_EQ(grs[3], -1);
    EXPECT_EQ(p.load("pm.pmx", 1992), -1);
    p.clear();
    EXPECT_EQ(p.load("pm.pmx", 1990), -1);  // released
    EXPECT_EQ(p.set(2, 3, 1), -1);
}

TEST_F(Packed, DamagedPackedFilesAreRefused) {
    const auto good = packedFixture();
    auto with = [&](std::size_t at, const std::vector<std::uint8_t>& patch) {
        return patched(good, at, patch);
    };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"header cut", std::vector<std::uint8_t>(good.begin(), good.begin() + 100)},
        {"pattern cut", std::vector<std::uint8_t>(good.begin(), good.begin() + 128)},
        {"rows not the element's", with(86, {4, 0})},
        {"columns not the element's", with(88, {5, 0})},
        {"counts not summing to the cells", with(119, {3, 0})},
        {"negative count", with(121, {0xff, 0xff})},
        {"columns not rising", with(125, {4, 0})},
        {"column beyond the matrix", with(127, {5, 0})},
        {"column 0", with(131, {0, 0})},
        {"more periods than the bank", with(82, {0xc8, 0x07})},
        {"frequency unknown", with(76, {3})},
    };
    for (const Case& c : cases) {
        writeFile("pm.pmx", c.file);
        for (char view : {'r', 'c', 'y'}) {
            EXPECT_EQ(v->loadcmd("pm", view, view == 'y' ? 1990 : 1), -1) << c.what << view;
        }
        Pmatrix p;
        EXPECT_EQ(p.declare(v, "pm", "pm.pmx"), -1) << c.what;
        EXPECT_EQ(readFile("pm.pmx"), c.file) << c.what;
    }
    // Values missing for the last period: the loads that need them fail, the rest works.
    const std::vector<std::uint8_t> cut(good.begin(), good.end() - 4);
    writeFile("pm.pmx", cut);
    EXPECT_EQ(v->loadcmd("pm", 'r', 1), -1);
    EXPECT_EQ(v->loadcmd("pm", 'y', 1990), 0);
    Pmatrix p;
    ASSERT_EQ(p.declare(v, "pm", "pm.pmx"), 0);
    EXPECT_EQ(p.load("pm.pmx", 1991), -1);
    ASSERT_EQ(p.load("pm.pmx", 1990), 0);
    EXPECT_EQ(p.store("pm.pmx", 1991), -1);
    EXPECT_EQ(readFile("pm.pmx"), cut);
}

TEST_F(Packed, PmfileCommand) {
    clearOutput();
    settypedline("pm");
    ASSERT_EQ(pmfilegate(v, nullptr), 0);
    EXPECT_EQ(output(), "Filename for packed matrix pm is pm.pmx\n");
    const std::string name31(31, 'f'), name32(32, 'f');
    settypedline("pm " + name31);
    ASSERT_EQ(pmfilegate(v, nullptr), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(readFile("hist.vam").data() + 102)), name31);
    clearOutput();
    settypedline("pm " + name32);
    EXPECT_EQ(pmfilegate(v, nullptr), -1);
    EXPECT_THAT(output(), HasSubstr("Filename (and path) too long."));
    EXPECT_STREQ(v->packedFileName(0), name31.c_str());
    struct Case { const char* line; const char* message; } bad[] = {
        {"x a.pmx", "A packed matrix must be specified."},
        {"q a.pmx", "Incorrect packed matrix name: q"},
        {"", "Usage: pmfile <packed matrix name> [packed matrix filename]"},
    };
    for (const Case& c : bad) {
        clearOutput();
        settypedline(c.line);
        EXPECT_EQ(pmfilegate(v, nullptr), -1) << c.line;
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.line;
    }
}

// With the advanced mode the file is looked for beside the bank only.
TEST_F(Packed, FilesFoundBesideTheBank) {
    std::filesystem::create_directory("sub");
    create(packedConfig, "sub\\other");
    writeFile("sub/pm.pmx", packedFixture());
    std::filesystem::remove("pm.pmx");
    VamFile other("sub/other");
    ASSERT_TRUE(other.isOpen());
    ASSERT_EQ(other.setPackedFileName(0, "pm.pmx"), 0);
    EXPECT_EQ(other.loadcmd("pm", 'r', 1), 0);
    ASSERT_EQ(other.storecmd(), 0);
    writeFile("pm.pmx", packedFixture());
    pmModeAdvanced = true;
    ASSERT_EQ(other.loadcmd("pm", 'y', 1990), 0);
    EXPECT_EQ(other.loadedRow(0)[1], 1.5f);
    std::filesystem::remove("sub/pm.pmx");
    EXPECT_EQ(other.loadcmd("pm", 'y', 1991), -1);
}

TEST_F(Packed, Boxes) {
    loadfailurebox(" in linv");
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_THAT(screen.platform.boxes.back(), HasSubstr("Unable to load vector in  in linv"));
    EXPECT_THAT(screen.platform.boxes.back(), HasSubstr("Load failure"));
}

}  // namespace

}  // namespace pmatrix_test
