// RAS balancing of a packed matrix in its file, against a plain biproportional fitting of
// the same flows; the column pass on a column that sums to nothing; the refusals that come
// before anything is read or written.
#include "matrix/pmras.h"
#include "tests/matrix/balancing_fixture.h"
#include "vam/floatio.h"

namespace pmras_test {

namespace {

using namespace baltest;

class Pmras : public Balancing {
protected:
    // The coefficients of pm in period k (file order: rows, then columns).
    Dense packedcells(int k) {
        const auto data = readFile("pm.pmx");
        const std::size_t at = packedHeaderSize + 2 * (3 + 12) + 4 * 12 * static_cast<std::size_t>(k);
        Dense m(3, std::vector<double>(4));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j) m[i][j] = f32at(data, at + 4 * static_cast<std::size_t>(i * 4 + j));
        return m;
    }
    int pm() { return bank->findser("pm"); }
};

TEST_F(Pmras, BalancesCoefficientsAgainstAPlainFitting) {
    Dense coef = flows;
    for (auto& row : coef)
        for (std::size_t j = 0; j < 4; ++j) row[j] /= colControls[j];
    writeFile("pm.pmx", densePacked(coef));
    ASSERT_EQ(pmras(bank.get(), pm(), "rt", "ct", 1995, 'f', 100), 0);
    Dense want = ipf(flows, rowControls, colControls);
    for (auto& row : want)
        for (std::size_t j = 0; j < 4; ++j) row[j] /= colControls[j];
    expectnear(packedcells(0), want, 1e-3);
    EXPECT_NEAR(packedcells(0)[0][0], 0.182003, 1e-3 * 0.182003);
    EXPECT_NEAR(packedcells(0)[0][3], 0.49758, 1e-3 * 0.49758);
    expectnear(packedcells(1), coef, 1e-7);  // another year
    EXPECT_NE(output().find("Processing Period 1995"), std::string::npos);
    EXPECT_EQ(output().find("governs"), std::string::npos);  // equal sums
    // Over the f dates both years; unequal sums and 'r': the column controls follow the rows.
    writeFile("pm.pmx", densePacked(coef));
    setv("ct", 1, {50, 45, 55, 50});
    ASSERT_EQ(pmras(bank.get(), pm(), "rt", "ct", 0, 'r', 100), 0);
    EXPECT_NE(output().find("row governs"), std::string::npos);
    const std::vector<double> scaled = {40, 36, 44, 40};
    Dense start = coef;
    for (auto& row : start)
        for (std::size_t j = 0; j < 4; ++j) row[j] *= scaled[j];
    want = ipf(start, rowControls, scaled);
    for (auto& row : want)
        for (std::size_t j = 0; j < 4; ++j) row[j] /= scaled[j];
    expectnear(packedcells(1), want, 1e-3);
}

// A column whose cells sum to nothing keeps them: their mixed signs are not wiped out.
TEST_F(Pmras, ColumnSummingToNothingKeepsItsCells) {
    mframe::PackedCells cells;
    cells.rows = 2;
    cells.cols = 2;
    cells.rowStart = {0, 2, 4};
    cells.column = {1, 2, 1, 2};
    std::vector<float> values = {3, 1, -3, 3};
    std::vector<float> work(2);
    const PassDiscrepancy d = pmrascolumns(cells, values, {40, 8}, work);
    EXPECT_EQ(values, (std::vector<float>{3, 2, -3, 6}));
    EXPECT_FLOAT_EQ(d.discrepancy, 1);  // column 2 only
    EXPECT_EQ(d.at, 1);
    // A row that sums to exactly 0 keeps its cells as well.
    values = {2, -2, 1, 1};
    const PassDiscrepancy r = pmrasrows(cells, values, {5, 4});
    EXPECT_EQ(values, (std::vector<float>{2, -2, 2, 2}));
    EXPECT_FLOAT_EQ(r.discrepancy, 1);
}

TEST_F(Pmras, RefusedBeforeAnythingIsReadOrWritten) {
    const auto before = readFile("pm.pmx");
    struct Case {
        const char* rows;
        const char* cols;
        float year;
        const char* message;
    };
    const Case cases[] = {
        {"nosuch", "ct", 1995, "Error:  cannot find row total vector in RAS routine."},
        {"rt", "nosuch", 1995, "Error:  cannot find column total vector in RAS routine."},
        {"rt4", "ct", 1995, "Matrix and vector sizes do not match"},
        {"rt", "m", 1995, "Matrix and vector sizes do not match"},
        {"rt", "ct", 1994, "Error:  the periods 1994 to 1994 lie outside the packed matrix"},
        {"rt", "ct", 1997, "Error:  the periods 1997 to 1996 lie outside the packed matrix"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.message);
        clearOutput();
        EXPECT_EQ(pmras(bank.get(), pm(), k.rows, k.cols, k.year, 'c', 100), -1);
        EXPECT_NE(output().find(k.message), std::string::npos) << output();
        EXPECT_EQ(output().find("Processing"), std::string::npos);
    }
    fdate1 = 1994;
    fdate1Date = JexDate(1994.0f);
    EXPECT_EQ(pmras(bank.get(), pm(), "rt", "ct", 0, 'c', 100), -1);
    EXPECT_EQ(readFile("pm.pmx"), before);
}

}  // namespace

}  // namespace pmras_test
