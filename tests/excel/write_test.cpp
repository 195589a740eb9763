// Writing numbers and dates through the link (runs in four directions, blocks, decimals
// formats), the argument readers of the xl command, and the text replacement of xl modify.
#include <cstdint>
#include <vector>

#include "core/missing.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "tests/excel/excel_fixture.h"

namespace write_test {

namespace {

using exceltest::ExcelTest;
using namespace xlmodel;

// Days from 30 December 1899 to the first of a month, counted independently of the model.
double serialof(int year, int month) {
    auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    double n = 2;  // 30 and 31 December 1899
    for (int y = 1900; y < year; ++y) n += leap(y) ? 366 : 365;
    for (int m = 1; m < month; ++m) n += days[m - 1] + (m == 2 && leap(year) ? 1 : 0);
    return n;
}

TEST_F(ExcelTest, RunsLieFromTheStartingCellInTheirDirection) {
    newBook();
    const float values[] = {1.5f, 2.5f, MISSING};
    struct Case { char direction; const char* col; int row; int cells[3][2]; };  // (row, col) of value k
    const Case cases[] = {{'d', "B", 3, {{3, 2}, {4, 2}, {5, 2}}},
                          {'u', "D", 10, {{10, 4}, {9, 4}, {8, 4}}},
                          {'r', "F", 2, {{2, 6}, {2, 7}, {2, 8}}},
                          {'l', "K", 5, {{5, 11}, {5, 10}, {5, 9}}}};
    for (const Case& c : cases) {
        ASSERT_EQ(x.WriteNumberArray(c.col, c.row, c.direction, 3, values, 0), 0) << c.direction;
        for (int k = 0; k < 2; ++k) {
            Value v = sheet().value(c.cells[k][0], c.cells[k][1]);
            EXPECT_EQ(v.kind, Kind::number) << c.direction << k;
            EXPECT_EQ(v.number, static_cast<double>(values[k])) << c.direction << k;
            EXPECT_EQ(sheet().style(c.cells[k][0], c.cells[k][1]).numberFormat, "0.00") << c.direction << k;
        }
        // The missing value is written as the value written for missing, in text format.
        Value m = sheet().value(c.cells[2][0], c.cells[2][1]);
        EXPECT_EQ(m.kind, Kind::number) << c.direction;
        EXPECT_EQ(m.number, static_cast<double>(-0.000001f)) << c.direction;
        EXPECT_EQ(sheet().style(c.cells[2][0], c.cells[2][1]).numberFormat, "@") << c.direction;
    }
    EXPECT_EQ(printed(), "");

    // Upward from row 3 with five values asks for rows -1..3: refused, nothing written.
    const float five[] = {7, 7, 7, 7, 7};
    EXPECT_EQ(x.WriteNumberArray("M", 3, 'u', 5, five, 0), -1);
    EXPECT_EQ(printed(), "\nError:  in Excel::WriteNumberArray().\nIn column M, row 3,  attempting to set as 7.000000.\n");
    // Leftward from C with four values steps before A.
    EXPECT_EQ(x.WriteNumberArray("C", 20, 'l', 4, five, 0), -1);
    EXPECT_EQ(printed(), "\nError:  in Excel::ColMinusOne().\n\nCannot access column before 'A'.\n");
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(sheet().value(20, c).kind, Kind::empty);
    EXPECT_EQ(x.WriteNumberArray("C", 20, 'x', 1, five, 0), -1);
    EXPECT_EQ(printed(), "Error:  invalid direction;\n");

    // A run of missing values only, with a text written for missing.
    ASSERT_EQ(x.setPrintMissingAs(Value::str("NA")), 0);
    const float none[] = {MISSING, MISSING};
    ASSERT_EQ(x.WriteNumberArray("P", 1, 'd', 2, none, 0), 0);
    for (int r = 1; r <= 2; ++r) {
        EXPECT_EQ(sheet().value(r, 16).text, "NA");
        EXPECT_EQ(sheet().style(r, 16).numberFormat, "@");
    }
    x.CloseWorksheet();
    EXPECT_EQ(x.WriteNumberArray("A", 1, 'd', 1, five, 0), -1);
    EXPECT_EQ(printed(), "\nError:  in \"XL write\", worksheet is not open.\n");
}

TEST_F(ExcelTest, DatesAreWrittenAsTheFirstDayOfTheirMonth) {
    newBook();
    // Monthly dates rightward, and a quarter passed as its first month.
    const float monthly[] = {1990.003f, 1990.004f};
    ASSERT_EQ(x.WriteNumberArray("D", 1, 'r', 2, monthly, 12), 0);
    const float annual[] = {1990, 1991, 1992};
    ASSERT_EQ(x.WriteNumberArray("A", 5, 'u', 3, annual, 1), 0);
    struct Cell { int row, col, year, month; };
    const Cell cells[] = {{1, 4, 1990, 3}, {1, 5, 1990, 4}, {5, 1, 1990, 1}, {4, 1, 1991, 1}, {3, 1, 1992, 1}};
    for (const Cell& c : cells) {
        Value v = sheet().value(c.row, c.col);
        EXPECT_EQ(v.kind, Kind::date) << c.row << c.col;
        EXPECT_EQ(v.number, serialof(c.year, c.month)) << c.row << c.col;
        EXPECT_EQ(sheet().style(c.row, c.col).numberFormat, "mmm-yy");
    }
    EXPECT_EQ(serialof(1990, 1), 32874);  // the serial a spreadsheet gives 1 January 1990
    EXPECT_EQ(x.WriteNumberArray("A", 9, 'd', 1, annual, 13), -1);
    EXPECT_EQ(printed(), "Error:  Cannot set date series in Excel::WriteNumberArray().\n");
    EXPECT_EQ(sheet().value(9, 1).kind, Kind::empty);
    EXPECT_EQ(x.WriteNumberArray("A", 9, 'x', 1, annual, 1), -1);
    EXPECT_EQ(printed(), "Error:  invalid direction for printing dates.\n");
}

TEST_F(ExcelTest, BlocksAndDecimalsFormats) {
    newBook();
    const float row1[] = {1, 2, 3}, row2[] = {4, 5, MISSING};
    const float* rows[] = {row1, row2};
    ASSERT_EQ(x.setDecimals(3), 0);
    ASSERT_EQ(x.WriteFloatArray("B", 2, 3, 2, rows), 0);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) {
            if (i == 1 && j == 2) continue;
            EXPECT_EQ(sheet().value(2 + i, 2 + j).number, rows[i][j]);
            EXPECT_EQ(sheet().style(2 + i, 2 + j).numberFormat, "0.000");
        }
    EXPECT_EQ(sheet().style(3, 4).numberFormat, "@");
    EXPECT_EQ(sheet().value(3, 4).number, static_cast<double>(-0.000001f));
    EXPECT_EQ(x.WriteFloatArray("IV", 1, 2, 1, rows), -1);
    EXPECT_EQ(printed(), "\nError:  cannot have columns before \"A\" or beyond \"IV\".\n");

    struct Case { int decimals; const char* format; };
    for (Case c : {Case{0, "0"}, Case{2, "0.00"}, Case{9, "0.000000000"}}) {
        ASSERT_EQ(x.setFormatDecimal("A", 1, "A", 1, c.decimals), 0);
        EXPECT_EQ(sheet().style(1, 1).numberFormat, c.format);
    }
    EXPECT_EQ(x.setDecimals(10), -1);
    EXPECT_EQ(x.decimals(), 3);
    EXPECT_EQ(x.setFormatDecimal("A", 0, "A", 1, 2), -1);
    EXPECT_EQ(printed(), "Error:  in Excel::setFormatDecimal().\n");
}

// ---- the readers, over a typed line ----

class XlReaderTest : public ExcelTest {
protected:
    void line(const std::string& text) { settypedline(text); }
    std::string next() {
        char token[78];
        gettoken(token, nullptr, 0, sizeof token);
        return token;
    }
};

TEST_F(XlReaderTest, Columns) {
    struct Case { const char* typed; int result; const char* column; };
    const Case cases[] = {{"1", 0, "a"},    {"26", 0, "z"},     {"27", 0, "aa"},  {"52", 0, "az"},
                          {"53", 0, "ba"},  {"256", 0, "iv"},   {"0", -1, ""},    {"257", -1, ""},
                          {"b", 0, "B"},    {"ab", 0, "AB"},    {"abc", 0, "ABc"}, {"\"q1\"", 0, "Q1"},
                          {"(", -1, ""},    {"", -1, ""}};
    for (const Case& c : cases) {
        line(c.typed);
        std::string column;
        int cls = 0;
        EXPECT_EQ(xlcolumnarg(nullptr, column, cls), c.result) << c.typed;
        if (c.result == 0) {
            EXPECT_EQ(column, c.column) << c.typed;
        }
    }
    EXPECT_EQ(printed(), "");
}

TEST_F(XlReaderTest, RowsDirectionsAndCells) {
    struct Row { const char* typed; int result; const char* row; const char* message; };
    const Row rows[] = {{"0", 0, "0", ""},
                        {"65536", 0, "65536", ""},
                        {"65537", -1, "", "\nError:  invalid row:  65537.\n"},
                        {"x", -1, "", ""}};
    for (const Row& r : rows) {
        line(r.typed);
        std::string row;
        int cls = 0;
        EXPECT_EQ(xlrowarg(nullptr, row, cls), r.result) << r.typed;
        if (r.result == 0) {
            EXPECT_EQ(row, r.row);
        }
        EXPECT_EQ(printed(), r.message) << r.typed;
    }
    struct Direction { const char* typed; int result; char direction; };
    const Direction directions[] = {{"up", 0, 'u'}, {"u", 0, 'u'},  {"upward", 0, 'u'}, {"dn", 0, 'd'},
                                    {"right", 0, 'r'}, {"l", 0, 'l'}, {"Down", -1, 0},   {"1", -1, 0}};
    for (const Direction& d : directions) {
        line(d.typed);
        char direction = 0;
        EXPECT_EQ(xldirectionarg(nullptr, direction), d.result) << d.typed;
        if (d.result == 0) EXPECT_EQ(direction, d.direction);
        else EXPECT_EQ(printed(), "\nError:  invalid direction!  \nValid directions are \"down\", \"right\", \"up\", or \"left\".\n");
    }
    std::string column, row;
    line("257 3");
    EXPECT_EQ(xlcellarg(nullptr, column, row), -1);
    EXPECT_EQ(printed(), "\nError:  invalid column.\n");
    line("B 70000");
    EXPECT_EQ(xlcellarg(nullptr, column, row), -1);
    EXPECT_EQ(printed(), "\nError:  invalid row:  70000.\n\nError:  invalid row.\n");
}

TEST_F(XlReaderTest, Dates) {
    JexDate first, second;
    line("1990 1985");
    EXPECT_EQ(xldatesarg(nullptr, first, second), -1);
    line("1990");
    EXPECT_EQ(xldatesarg(nullptr, first, second), 1);
    EXPECT_EQ(first.toFloat(), 1990);
    EXPECT_EQ(second.toFloat(), 1990);
    line("1991 gdp");
    EXPECT_EQ(xldatesarg(nullptr, first, second), 1);
    EXPECT_EQ(next(), "gdp");
    line("1990.1 1990.4");
    EXPECT_EQ(xldatesarg(nullptr, first, second), 2);
    EXPECT_EQ(second - first, 3);
    line("x");
    first = JexDate(2000.0f);
    EXPECT_EQ(xldatesarg(nullptr, first, second), 0);
    EXPECT_EQ(first.toFloat(), 2000);
    EXPECT_EQ(next(), "x");
}

TEST_F(XlReaderTest, Groups) {
    struct Case { const char* typed; const char* letter; int result; std::size_t count; const char* message; };
    const Case cases[] = {
        {"C(1-5)", "c", 0, 5, ""},
        {"c 1-5", "c", 0, 5, ""},
        {"r(2,4-6)", "r", 0, 4, ""},
        {"v(1-499)", "v", 0, 499, ""},
        {"v(1-500)", "v", -1, 0, "\nError:  the specified group is too large.\n"},
        {"x(1)", "c", -1, 0, "The Excel group must be preceeded by a c\n"},
    };
    for (const Case& c : cases) {
        line(c.typed);
        std::vector<std::int16_t> group{99};
        EXPECT_EQ(xlgrouparg(nullptr, group, 500, c.letter), c.result) << c.typed;
        EXPECT_EQ(group.size(), c.count) << c.typed;
        EXPECT_EQ(printed(), c.message) << c.typed;
    }
    line("r(2,4-6)");
    std::vector<std::int16_t> group;
    ASSERT_EQ(xlgrouparg(nullptr, group, 500, "r"), 0);
    EXPECT_EQ(group, (std::vector<std::int16_t>{2, 4, 5, 6}));
}

TEST(XlModify, ReplacesEveryOccurrenceFromTheLeft) {
    struct Case { const char* text; const char* target; const char* replacement; const char* result; };
    const Case cases[] = {{"banana", "a", "ab", "babnabnab"},
                          {"aaa", "a", "", ""},
                          {"aaa", "aa", "a", "aa"},
                          {"gdp_x", "x", "y", "gdp_y"},
                          {"text", "q", "r", "text"}};
    for (const Case& c : cases) EXPECT_EQ(xlreplaceall(c.text, c.target, c.replacement), c.result) << c.text;
}

}  // namespace

}  // namespace write_test
