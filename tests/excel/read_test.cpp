// Reading cells: the classifier with and without missing codes (on a workbook openpyxl
// makes), one cell as text, runs of numbers in four directions, and dates.
#include "core/missing.h"
#include "excel/numformat.h"
#include "tests/excel/excel_fixture.h"

namespace read_test {

namespace {

using exceltest::ExcelTest;
using exceltest::python;
using namespace xlmodel;

struct Classified {
    int kind;
    double number;
    std::string text;
};

class ReadTest : public ExcelTest {
protected:
    Classified classify(int row, int col) {
        Classified c{0, 0, ""};
        c.kind = x.reportBadValue(sheet().value(row, col), c.number, c.text);
        return c;
    }
    // A sheet whose column A holds the first days of January 1990 .. March 1991.
    void monthlyDates() {
        newBook();
        for (int i = 0; i < 15; ++i) sheet().setValue(i + 1, 1, Value::date(dateserial(1990 + i / 12, i % 12 + 1, 1)));
    }
};

TEST_F(ReadTest, ClassifierOnAWorkbookMadeByOpenpyxl) {
    SKIP_WITHOUT_OPENPYXL();
    ASSERT_EQ(python(R"(
wb = openpyxl.Workbook()
ws = wb.active
ws['A1'] = 1.5
ws['A2'] = 'NA'
ws['A3'] = '-99'
ws['A4'] = ''
ws['A6'] = '#N/A'
ws['A6'].data_type = 'e'
ws['A7'] = True
ws['A8'] = -99
ws['A9'] = datetime.date(1990, 4, 1)
wb.save('fixture.xlsx')
)"), "");
    ASSERT_EQ(x.OpenWorkbook("fixture.xlsx"), 0);
    printed();
    struct Expect { int kind; double number; const char* text; };
    const double m = static_cast<double>(MISSING);
    // Without codes.
    const Expect plain[] = {{'n', 1.5, ""}, {'a', 0, "NA"}, {'a', 0, "-99"}, {'n', m, ""}, {'n', m, ""},
                            {-1, 0, ""},    {'n', -1, ""},  {'n', -99, ""},  {'d', 32964, ""}};
    for (int r = 1; r <= 9; ++r) {
        Classified c = classify(r, 1);
        EXPECT_EQ(c.kind, plain[r - 1].kind) << "row " << r;
        if (c.kind == 'n' || c.kind == 'd') {
            EXPECT_FLOAT_EQ(c.number, plain[r - 1].number) << "row " << r;
        }
        EXPECT_EQ(c.text, plain[r - 1].text) << "row " << r;
    }
    EXPECT_EQ(printed(), "");
    // With the text code NA and the number code -99.
    x.addMissingCode("NA");
    x.addMissingNumber(-99);
    const Expect coded[] = {{'n', 1.5, ""}, {'n', m, ""}, {'a', 0, "-99"}, {'n', m, ""}, {'n', m, ""},
                            {'n', m, ""},   {'n', -1, ""}, {'n', m, ""},   {'d', 32964, ""}};
    for (int r = 1; r <= 9; ++r) {
        Classified c = classify(r, 1);
        EXPECT_EQ(c.kind, coded[r - 1].kind) << "row " << r;
        if (c.kind == 'n' || c.kind == 'd') {
            EXPECT_FLOAT_EQ(c.number, coded[r - 1].number) << "row " << r;
        }
        std::string text = printed();
        EXPECT_EQ(text, r == 6 ? "Error:  in spreadsheet.  Inserting missing value code and continuing...\n" : "")
            << "row " << r;
    }
    // The missing value a code reads as can be changed.
    x.setMissingValue(-7);
    EXPECT_EQ(classify(2, 1).number, -7);
}

TEST_F(ReadTest, OneCellAsText) {
    newBook();
    sheet().setValue(1, 1, Value::num(2.5));
    sheet().setValue(2, 1, Value::date(dateserial(1990, 4, 1)));
    sheet().setValue(3, 1, Value::num(0.1 + 0.2));
    std::string out = "old";
    EXPECT_EQ(x.ReadString("A", 1, out, 1), 0);
    EXPECT_EQ(out, "2.5");
    EXPECT_EQ(x.ReadString("B", 1, out, 1), 0);
    EXPECT_EQ(out, "");
    out = "kept";
    EXPECT_EQ(x.ReadString("A", 2, out, 1), -1);
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(printed(), "Error:  cannot read string.\n");
    EXPECT_EQ(x.ReadString("A", 3, out, 1), 0);
    EXPECT_EQ(std::stod(out), 0.1 + 0.2);  // reads back as the same double
    EXPECT_EQ(x.readcell("A", "2"), "4/1/1990");
    EXPECT_EQ(x.readcell("A", "1"), "2.5");
    EXPECT_THROW(x.readcell("A", "0"), Jex7Errors);
    EXPECT_EQ(printed(), "\nError:  in Excel::readcell().\nIn Excel file, Column A, Row 0.\n");
    x.CloseWorksheet();
    EXPECT_EQ(x.readcell("A", "1"), "-1");
    EXPECT_EQ(x.ReadString("A", 1, out, 1), -1);
    EXPECT_EQ(printed(), "Error:  cannot read string.  Excel worksheet is not open.\n"
                         "Error:  cannot read string.  Excel worksheet is not open.\n");
}

TEST_F(ReadTest, RunsOfNumbersInFourDirections) {
    newBook();
    for (int r = 1; r <= 10; ++r)
        for (int c = 1; c <= 10; ++c) sheet().setValue(r, c, Value::num(100 * r + c));
    struct Case { const char* col; int row; char dir; float first, last; };
    const Case cases[] = {{"B", 10, 'u', 1002, 602}, {"B", 2, 'd', 202, 602},
                          {"C", 3, 'r', 303, 307},   {"G", 3, 'l', 307, 303}};
    for (const Case& c : cases) {
        float v[5] = {0, 0, 0, 0, 0};
        ASSERT_EQ(x.ReadNumberArray(c.col, c.row, c.dir, 5, v, 1, 0), 0) << c.dir;
        EXPECT_EQ(v[0], c.first) << c.dir;
        EXPECT_EQ(v[4], c.last) << c.dir;
    }
    sheet().setValue(8, 2, Value::str("text"));
    float v[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(x.ReadNumberArray("B", 10, 'u', 5, v, 1, 0), -1);
    EXPECT_EQ(printed(), "\nError:  in XL read; got bad value.\nIn Excel file, Column B, Row 8.\n");
    EXPECT_EQ(v[1], 902);  // values before the bad cell stay
    EXPECT_EQ(x.ReadNumberArray("B", 1, 'x', 5, v, 1, 0), -1);
    EXPECT_EQ(printed(), "Error:  invalid direction;\n");
    EXPECT_EQ(x.ReadNumberArray("B", 1, 'l', 5, v, 1, 0), -1);
    EXPECT_EQ(printed(), "\nError:  cannot have columns before \"A\" or beyond \"IV\".\n");
}

TEST_F(ReadTest, DatesWithAGapAndTheirFields) {
    newBook();
    const int days[][3] = {{1990, 1, 15}, {1990, 2, 15}, {0, 0, 0}, {1991, 7, 4}};
    for (int i = 0; i < 4; ++i)
        if (days[i][0]) sheet().setValue(i + 1, 1, Value::date(dateserial(days[i][0], days[i][1], days[i][2])));
    std::string text;
    ASSERT_EQ(x.ReadDates("A", 1, text, 1, "A", 4), 0);
    ASSERT_EQ(x.dateCount(), 4);
    EXPECT_EQ(x.dateEntry(0), dateserial(1990, 1, 15));
    EXPECT_EQ(x.dateEntry(2), dateserial(1991, 7, 4));
    EXPECT_EQ(x.dateEntry(3), 0);
    EXPECT_EQ(x.year(), 1991);
    EXPECT_EQ(x.month(), 7);
    EXPECT_EQ(x.day(), 4);
    EXPECT_EQ(x.quarter(), 3);
    EXPECT_EQ(text, "7/4/1991");
    EXPECT_EQ(x.lastText(), "7/4/1991");
    // A single empty date cell is a bad value; so is a number.
    EXPECT_EQ(x.ReadDates("B", 1, text, 1, "B", 1), -1);
    EXPECT_EQ(printed(), "\nError:  in XL read dates; got bad value.\nIn Excel file, Column B, Row 1.\n");
    sheet().setValue(2, 3, Value::num(5));
    sheet().setValue(1, 2, Value::date(dateserial(2000, 1, 1)));
    // Across: A1 and B1 dates, C1 empty and passed over.
    EXPECT_EQ(x.ReadDates("A", 1, text, 1, "C", 1), 0);
    EXPECT_EQ(x.year(), 2000);
    sheet().setValue(1, 3, Value::num(5));
    EXPECT_EQ(x.ReadDates("A", 1, text, 1, "C", 1), -1);
    EXPECT_EQ(printed(), "\nError:  in XL read dates; got bad value.\nIn Excel file, Column C, Row 1.\n");
}

TEST_F(ReadTest, EarliestAndLatestDates) {
    monthlyDates();
    std::string text;
    ASSERT_EQ(x.ReadDates("A", 1, text, 1, "A", 15), 0);
    ASSERT_EQ(x.setFrequency(12), 0);
    EXPECT_EQ(x.earliestDate(), 0);
    EXPECT_EQ(x.dateText(), "1990.001");
    EXPECT_EQ(x.latestDate(), 14);
    EXPECT_EQ(x.dateText(), "1991.003");
    EXPECT_EQ(x.dateListText(14), "1991.003");
    EXPECT_EQ(x.dateListText(15), "-1");
    ASSERT_EQ(x.setFrequency(4), 0);
    EXPECT_EQ(x.dateText(), "1991.1");
    ASSERT_EQ(x.setFrequency(1), 0);
    x.earliestDate();
    EXPECT_EQ(x.dateText(), "1990");
    x.latestDate();
    EXPECT_EQ(x.dateText(), "1991");
    EXPECT_EQ(x.setFrequency(3), -1);
    EXPECT_EQ(x.frequency(), 1);
    EXPECT_EQ(x.dateAt(20).frequency, 0);
}

TEST_F(ReadTest, DateAlignedReading) {
    monthlyDates();
    // The dates stand in reverse order in column B, the values beside them in column C.
    for (int i = 0; i < 15; ++i) {
        sheet().setValue(i + 1, 2, sheet().value(15 - i, 1));
        sheet().setValue(i + 1, 3, Value::num(1000 + (14 - i)));
    }
    std::string text;
    ASSERT_EQ(x.ReadDates("B", 1, text, 1, "B", 15), 0);
    x.setFrequency(12);
    float v[15];
    for (float& f : v) f = -1;
    ASSERT_EQ(x.ReadNumberArray("C", 1, 'd', 15, v, 1, 1), 0);
    EXPECT_EQ(v[0], 1000);   // January 1990
    EXPECT_EQ(v[14], 1014);  // March 1991
    for (int i = 0; i < 15; ++i) EXPECT_EQ(v[i], 1000 + i);
    // Without a date list nothing is placed.
    x.reset();
    newBook();
    float w[3] = {-1, -1, -1};
    ASSERT_EQ(x.ReadNumberArray("A", 1, 'd', 3, w, 1, 1), 0);
    EXPECT_EQ(w[0], -1);
}

}  // namespace

}  // namespace read_test
