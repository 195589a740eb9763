// index and lint on the bank b (1995-1998): vectors, matrix rows, packed matrices and groups
// of columns, each checked against the ratio or the straight line computed here; and the
// refusals that leave the bank and the packed file as they were.
#include "matrix/index.h"

#include "platform/scripted_platform.h"
#include "tests/matrix/time_fixture.h"
#include "vam/groups.h"

namespace index_test {

namespace {

using namespace timetest;

const std::vector<float> gdp = {100, 110, 121, 133.1f};

class IndexLint : public TimeBank {
protected:
    void SetUp() override {
        TimeBank::SetUp();
        setws("gdp", 1995, gdp);
        setws("zero", 1995, {0, 1, 2, 3});
    }
    // base(k) times gdp(t) / gdp(base year), computed in double.
    static double along(double base, int t, int b = 0) { return base * gdp[t] / gdp[b]; }
    void definegroups(const std::vector<GroupDefn>& groups) {
        const std::string text = encodegroups(groups);
        writeFile("groups.bin", std::vector<std::uint8_t>(text.begin(), text.end()));
        opengrouphome();
    }
};

TEST_F(IndexLint, IndexCarriesVectorsAlongTheGuide) {
    setv("v", 0, {1, 2, 3});
    ASSERT_EQ(run(indexcmd, "1995 gdp v"), 0);
    for (int t = 0; t < 4; ++t) expectnear(getv("v", t), {along(1, t), along(2, t), along(3, t)});
    expectnear(getv("v", 2), {1.21, 2.42, 3.63});
    expectnear(getv("v", 3), {1.331, 2.662, 3.993});
    EXPECT_EQ(getv("v", 0), (std::vector<double>{1, 2, 3}));

    // One element by its number, from a later base year, within narrower f dates.
    setv("w", 1, {10, 20, 30, 40, 50});
    setfdates(1995, 1997);
    ASSERT_EQ(run(indexcmd, "1996 gdp w2"), 0);
    const std::vector<double> w2 = {getv("w", 0)[1], getv("w", 1)[1], getv("w", 2)[1], getv("w", 3)[1]};
    expectnear(w2, {along(20, 0, 1), 20, along(20, 2, 1), 0});  // 1998 kept its 0
    EXPECT_EQ(getv("w", 2)[0], 0);

    // Number targets are columns of the loaded element.
    setfdates(1995, 1998);
    setv("u", 0, {5, 6, 7});
    ASSERT_EQ(bank->loadcmd("u", 'x', 0), 0);
    ASSERT_EQ(run(indexcmd, "1995 gdp 3 1"), 0);
    expectnear(getv("u", 3), {along(5, 3), 0, along(7, 3)});
}

TEST_F(IndexLint, IndexOfMatrixRowsAndPackedMatrices) {
    setm("mm", 0, coefA);
    ASSERT_EQ(run(indexcmd, "1995 gdp mm"), 0);
    for (int t = 0; t < 4; ++t) {
        Dense want = coefA;
        for (auto& row : want)
            for (double& x : row) x = along(x, t);
        expectnear(getm("mm", t), want);
    }
    // One row: the others keep their values.
    setm("mm", 0, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    ASSERT_EQ(run(indexcmd, "1995 gdp mm2"), 0);
    const Dense m3 = getm("mm", 3);
    expectnear(m3[1], {along(2, 3), along(2, 3), along(2, 3)});
    expectnear(m3[0], {along(0.15, 3), along(0.25, 3), along(0.05, 3)});

    // The packed matrix in its own file.
    ASSERT_EQ(run(indexcmd, "1995 gdp pm"), 0);
    for (int t = 0; t < 4; ++t) {
        const auto got = packedperiod(t);
        const auto a = flat(coefA);
        for (std::size_t m = 0; m < got.size(); ++m) EXPECT_NEAR(got[m], along(a[m], t), 1e-6);
    }

    // A guide vector of the bank: row r follows element r of the guide.
    setm("mm", 0, coefA);
    setpacked(packedfile(3, 3, densepattern(), {flat(coefA), flat(coefA), flat(coefA), flat(coefA)}, 1995));
    for (int t = 0; t < 4; ++t) setv("u", t, {1.0 + t, 2.0, 4.0 - t});
    ASSERT_EQ(run(indexcmd, "1995 u mm pm"), 0);
    for (int t = 0; t < 4; ++t) {
        const std::vector<double> ratio = {1.0 + t, 1.0, (4.0 - t) / 4};
        Dense want = coefA;
        for (std::size_t r = 0; r < 3; ++r)
            for (double& x : want[r]) x *= ratio[r];
        expectnear(getm("mm", t), want);
        const auto got = packedperiod(t);
        for (std::size_t m = 0; m < 9; ++m) EXPECT_NEAR(got[m], flat(want)[m], 1e-6);
    }
}

TEST_F(IndexLint, AGuideOfZeroInTheBaseYearChangesNothing) {
    setv("v", 0, {1, 2, 3});
    setm("mm", 0, coefA);
    const auto before = bytesnow();
    const auto packed = readFile("pm.pmx");
    clearOutput();
    ASSERT_EQ(run(indexcmd, "1995 zero v mm"), 0);
    EXPECT_EQ(output(), "Zero in base year of index.\nZero in base year of index.\n"
                        "Zero in base year of index.\nError.\n");
    EXPECT_EQ(bytesnow(), before);
    clearOutput();
    EXPECT_EQ(run(indexcmd, "1995 zero pm"), -1);
    EXPECT_EQ(output(), "Cannot divide by a 0.\n");
    EXPECT_EQ(readFile("pm.pmx"), packed);
}

TEST_F(IndexLint, IndexKeepsInsideTheBankTheWorkspaceAndThePackedFile) {
    // f dates wider than the bank: only the bank's periods are written.
    setv("v", 0, {1, 2, 3});
    setfdates(1990, 2010);
    ASSERT_EQ(run(indexcmd, "1995 gdp v"), 0);
    expectnear(getv("v", 3), {along(1, 3), along(2, 3), along(3, 3)});

    // A packed file that begins a year after the bank: the year before it is not written
    // (it would land in the pattern), the later ones are.
    const auto later = packedfile(3, 3, densepattern(), {flat(coefA), flat(coefA), flat(coefA)}, 1996);
    setpacked(later);
    ASSERT_EQ(run(indexcmd, "1996 gdp pm"), 0);
    const auto data = readFile("pm.pmx");
    EXPECT_TRUE(std::equal(later.begin(), later.begin() + packedHeaderSize + 2 * 12, data.begin()));
    EXPECT_EQ(packedperiod(0), flat(coefA));
    for (int t = 1; t < 3; ++t) {
        const auto got = packedperiod(t);
        for (std::size_t m = 0; m < 9; ++m) EXPECT_NEAR(got[m], along(flat(coefA)[m], t + 1, 1), 1e-6);
    }
    // Its base date must lie inside it.
    const auto now = readFile("pm.pmx");
    EXPECT_EQ(run(indexcmd, "1995 gdp pm"), -1);
    EXPECT_EQ(readFile("pm.pmx"), now);
}

TEST_F(IndexLint, IndexRefusals) {
    setv("v", 0, {1, 2, 3});
    {
        std::vector<std::int16_t> many;
        for (int k = 1; k <= 600; ++k) many.push_back(static_cast<std::int16_t>(k));
        definegroups({{"big", many}, {"two", {2, 5}}});
    }
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"1990 gdp v", "Error in index command.  The base date 1990 is outside the Vam bank.\n"},
        {"1999 gdp v", "Error in index command.  The base date 1999 is outside the Vam bank.\n"},
        {"gdp v", "Format is: index <basedate> <guide> <name1> [more names]\n"},
        {"1995 7 v", "Need name of guide series.\n"},
        {"1995 nosuch v", "\nnosuch can't be found.\n"},
        {"1995 gdp 2", "Nothing loaded.\n"},
        {"1995 gdp :big", "Nothing loaded.\n"},
        {"1995 gdp :none", "No such group: none\n"},
        {"1995 gdp nosuch", ""},
        {"1995 gdp mm4", "Invalid line number.\n"},
        {"1995 gdp v4", "\nError:  item 4 is outside the loaded v.\n"},
        {"1995 gdp ,", "Unrecognized name: ,\n"},
    };
    for (const auto& c : cases) {
        const auto before = bytesnow();
        clearOutput();
        EXPECT_EQ(run(indexcmd, c.line), -1) << c.line;
        EXPECT_EQ(output(), c.message) << c.line;
        EXPECT_EQ(bytesnow(), before) << c.line;
    }
    // A group of 600 columns on a loaded vector of 5: refused before any column changes.
    setv("w", 0, {1, 2, 3, 4, 5});
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);
    auto before = bytesnow();
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);
    clearOutput();
    EXPECT_EQ(run(indexcmd, "1995 gdp :big"), -1);
    EXPECT_EQ(output(), "\nError:  item 6 is outside the loaded w.\n");
    EXPECT_EQ(bytesnow(), before);
    // A group inside the loaded vector works.
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);
    EXPECT_EQ(run(indexcmd, "1995 gdp :two"), 0);
    expectnear(getv("w", 2), {0, along(2, 2), 0, 0, along(5, 2)});
}

TEST(LintSeries, StraightLinesOverGaps) {
    const float M = MISSING;
    const struct {
        std::vector<float> in, want;
    } cases[] = {
        {{10, M, 20}, {10, 15, 20}},
        {{10, M, M, 20}, {10, 13.333333f, 16.666667f, 20}},
        {{M, M, M, 1, M, 3, M, M}, {M, M, M, 1, 2, 3, M, M}},
        {{0, M, 4, M, 8}, {0, M, 4, 6, 8}},  // a leading zero counts as not there yet
        {{5, M, M, M, M, 0}, {5, 4, 3, 2, 1, 0}},
        {{M}, {M}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        std::vector<float> v = c.in;
        lintseries(v.data(), static_cast<int>(v.size()));
        ASSERT_EQ(v.size(), c.want.size());
        for (std::size_t k = 0; k < v.size(); ++k) EXPECT_NEAR(v[k], c.want[k], 1e-5) << k;
    }
}

TEST_F(IndexLint, LintFillsVectorsMatricesPackedAndGroups) {
    const float M = MISSING;
    // v1 10 M M 20, v2 10 M 20 M, v3 M M 5 M.
    setv("v", 0, {10, 10, M});
    setv("v", 1, {M, M, M});
    setv("v", 2, {M, 20, 5});
    setv("v", 3, {20, M, M});
    ASSERT_EQ(run(Lintcmd, "v"), 0);
    expectnear(getv("v", 1), {13.333333, 15, M});
    expectnear(getv("v", 2), {16.666667, 20, 5});
    expectnear(getv("v", 3), {20, M, M});

    // A matrix, every row and column.
    setm("mm", 0, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    setm("mm", 1, {{M, M, M}, {M, M, M}, {M, M, M}});
    setm("mm", 2, {{3, 4, 5}, {6, 7, 8}, {9, 10, 11}});
    setm("mm", 3, {{M, M, M}, {M, M, M}, {M, M, M}});
    ASSERT_EQ(run(Lintcmd, "mm"), 0);
    expectnear(getm("mm", 1), {{2, 3, 4}, {5, 6, 7}, {8, 9, 10}});
    expectnear(getm("mm", 3), {{M, M, M}, {M, M, M}, {M, M, M}});

    // The packed matrix over all the periods of its file.
    setpacked(packedfile(3, 3, {{1}, {}, {2, 3}},
                         {{10, 0, 1}, {M, 0, M}, {M, 9, M}, {20, M, 3}}, 1995));
    ASSERT_EQ(run(Lintcmd, "pm"), 0);
    const Dense got = {{packedperiod(1, 3)[0], packedperiod(2, 3)[0]},
                       {packedperiod(1, 3)[1], packedperiod(2, 3)[1], packedperiod(3, 3)[1]},
                       {packedperiod(1, 3)[2], packedperiod(2, 3)[2]}};
    expectnear(got, {{13.333333, 16.666667}, {0, 9, M}, {1.6666667, 2.3333333}});

    // A named group and the dynamic group: columns of the loaded element.
    definegroups({{"even", {2, 4}}});
    for (int t = 0; t < 4; ++t) setv("w", t, t == 0 ? std::vector<double>{1, 1, 1, 1, 1}
                                             : t == 3 ? std::vector<double>{4, 4, 4, 4, 4}
                                                      : std::vector<double>{M, M, M, M, M});
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);
    ASSERT_EQ(run(Lintcmd, ":even"), 0);
    expectnear(getv("w", 1), {M, 2, M, 2, M});
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);
    dynamicGroupElements = {5};
    ASSERT_EQ(run(Lintcmd, ":"), 0);
    expectnear(getv("w", 2), {M, 3, M, 3, 3});
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);
    ASSERT_EQ(run(Lintcmd, "0"), 0);  // every column of the loaded vector
    expectnear(getv("w", 2), {3, 3, 3, 3, 3});
}

TEST_F(IndexLint, LintRefusals) {
    const auto before = bytesnow();
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"2", "Nothing loaded.\n"},
        {":", "Nothing loaded.\n"},
        {":nogroup", "No such group: nogroup\n"},
        {"nosuch", ""},
        {"u9", "\nError:  item 9 is outside the loaded u.\n"},
        {"=", "Unrecognized name =\n"},
    };
    for (const auto& c : cases) {
        clearOutput();
        EXPECT_EQ(run(Lintcmd, c.line), -1) << c.line;
        EXPECT_EQ(output(), c.message) << c.line;
        EXPECT_EQ(bytesnow(), before) << c.line;
    }
    // A packed file that cannot be opened is reported and fails the command.
    std::remove("pm.pmx");
    clearOutput();
    EXPECT_EQ(run(Lintcmd, "pm"), -1);
    EXPECT_EQ(output(), "Cannot open pm.pmx for reading.\nCannot find packed matrix file pm.pmx.\n");
    // A year view is not columns over time.
    ASSERT_EQ(bank->loadcmd("mm", 'y', 1995), 0);
    clearOutput();
    EXPECT_EQ(run(Lintcmd, "1"), -1);
    EXPECT_EQ(output(), "Error: Invalid view.\n");
}


TEST_F(IndexLint, AFailedLoadEndsTheCommandAndWritesNothing) {
    setv("v", 0, {1, 2, 3});
    // The file loses v's last period after the bank was opened: loading v fails.
    auto data = readFile("b.vam");
    data.resize(static_cast<std::size_t>(bank->elementPos(bank->findser("v"), 3)) + 4);
    writeFile("b.vam", data);
    const auto cut = readFile("b.vam");
    for (const char* line : {"1995 gdp v", "v"}) {
        platform::ScopedScriptedPlatform box;
        const bool lint = std::string(line) == "v";
        EXPECT_EQ(lint ? run(Lintcmd, line) : run(indexcmd, line), -1) << line;
        EXPECT_EQ(box.platform.boxes,
                  (std::vector<std::string>{lint ? "[Load failure] Unable to load vector in  in index "
                                                 : "[Load failure] Unable to load vector in  in index"}));
        EXPECT_FALSE(bank->isLoaded());
        EXPECT_EQ(readFile("b.vam"), cut);
    }
}


TEST_F(IndexLint, AGuideVectorOfAnotherBankIsRefused) {
    create("1995 1998\ng 3 1 0 s.txt\n", "other", "other.cfg");
    VamFile other("other");
    ASSERT_TRUE(other.isOpen());
    bankSlots[0] = &other;
    bankTypes[0] = 'v';
    vamMode = 's';  // a bank's whole elements are served as series
    setv("v", 0, {1, 2, 3});
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);  // something else loaded in the default bank
    const auto before = bytesnow();
    ASSERT_EQ(bank->loadcmd("w", 'x', 0), 0);
    clearOutput();
    EXPECT_EQ(run(indexcmd, "1995 a.g mm"), -1);
    EXPECT_EQ(output(), "Need name of guide series.\n");
    EXPECT_EQ(bytesnow(), before);
    bankSlots[0] = nullptr;
    bankTypes[0] = ' ';
}

}  // namespace

}  // namespace index_test
