// The workbook files: what our writer puts into an .xlsx file comes back through our reader
// (values, formulas, number formats, fonts, alignments, fills, borders, widths, heights,
// merges, panes), openpyxl agrees, and files openpyxl writes read as it wrote them.
#include "excel/numformat.h"
#include "excel/workbook_files.h"
#include "tests/excel/excel_fixture.h"

namespace files_test {

namespace {

using exceltest::ExcelTest;
using exceltest::python;
using namespace xlmodel;

TEST(XlsxWidths, WriterPaddingAndReaderInverse) {
        // The plainest width that is stored alike comes back: 8.43 is stored as 8.4 is.
    struct Case { double width, stored, back; };
    const Case cases[] = {{12.5, 13.28515625, 12.5}, {8.43, 9.140625, 8.4}, {10, 10.7109375, 10},
                          {0.5, 0.85546875, 0.5}, {20.1, 20.85546875, 20.1}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(storedwidth(c.width), c.stored) << c.width;
        EXPECT_DOUBLE_EQ(widthfromstored(c.stored), c.back) << c.width;
    }
    // Any stored width reads as a width that the writer stores alike.
    for (double w = 1; w < 60; w += 0.37) EXPECT_DOUBLE_EQ(storedwidth(widthfromstored(storedwidth(w))), storedwidth(w));
}

TEST(NumberFormats, DateFormatsAndDisplayTexts) {
    struct DateCase { const char* format; bool date; };
    const DateCase dates[] = {{"General", false}, {"0.00", false},      {"m/d/yyyy", true},
                              {"mmm-yy", true},   {"\"day\" 0", false}, {"[Red]0.0", false},
                              {"\\d0", false},    {"hh:mm", true},      {"@", false},
                              {"[$-F800]dddd, mmmm dd, yyyy", true},    {"0.00E+00", false}};
    for (const DateCase& d : dates) EXPECT_EQ(isDateFormat(d.format), d.date) << d.format;
    struct Shown { double x; const char* format; const char* text; };
    const Shown shown[] = {{1.5, "0.00", "1.50"},         {1234567.891, "#,##0.00", "1,234,567.89"},
                           {-1234.5, "#,##0", "-1,235"},   {0.125, "0.0%", "12.5%"},
                           {0.5, "0%", "50%"},             {2.25, "General", "2.25"},
                           {2.25, "@", "2.25"},            {1e20, "General", "1e+20"},
                           {32964, "mmm-yy", "Apr-90"},    {32964, "m/d/yyyy", "4/1/1990"},
                           {1.5, "$#,##0", "1.5"},         {-0.001, "0.00", "0.00"},
                           {100000, "General", "100000"}};
    for (const Shown& s : shown) EXPECT_EQ(displaytext(s.x, s.format), s.text) << s.x << " " << s.format;
    EXPECT_EQ(dateserial(1899, 12, 30), 0);
    EXPECT_EQ(dateserial(1990, 4, 1), 32964);
    int y, m, d;
    serialdate(32964.75, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 19900401);
    double serial;
    std::string format;
    EXPECT_TRUE(typeddate("2/29/2000", serial, format));
    EXPECT_EQ(format, "m/d/yyyy");
    EXPECT_FALSE(typeddate("2/29/1900", serial, format));
    EXPECT_FALSE(typeddate("13/1990", serial, format));
    EXPECT_FALSE(typeddate("1/2/3/4", serial, format));
    EXPECT_EQ(numbertext(0.1), "0.1");
    EXPECT_EQ(numbertext(-3), "-3");
}

TEST_F(ExcelTest, OurFilesReadBackAsWritten) {
    newBook();
    Worksheet& s = sheet();
    s.setValue(1, 1, Value::num(3.25));
    s.setValue(1, 2, Value::str("text <&> \"quoted\""));
    s.setValue(1, 3, Value::boolean(true));
    s.setValue(1, 4, Value::error("#N/A"));
    s.setValue(1, 5, Value::str("3/1991"));
    s.setValue(2, 1, Value::num(1));
    s.setValue(2, 2, Value::num(2));
    s.setFormula(2, 3, "=A2+B2");
    s.setValue(2, 3, Value::num(3));
    s.setFormula(2, 3, "=A2+B2");
    s.setValue(256, 1, Value::num(-1));
    s.setValue(65536, 256, Value::str("corner"));
    JexFont f;
    f.setItalic(1);
    f.setUnderline("_");
    f.setTypeface("Times New Roman");
    f.setSize(9);
    f.setColorRGB(0, 128, 255);
    f.setHorizontal("justify");
    f.setVertical("top");
    f.makeFormat("number", 3);
    ASSERT_EQ(x.formatCell("A", 1, "A", 1, f), 0);
    ASSERT_EQ(x.setFormat("B", 1, "B", 1, "1", 'w'), 0);
    ASSERT_EQ(x.setFormatBackground("B", 1, "B", 1, "12632256", 'c'), 0);
    XLBorderSetting diag;
    diag.position = "diagonalup";
    diag.lineStyle = "dash";
    diag.weight = "medium";
    diag.colour = 65280;
    ASSERT_EQ(x.CellBorder("C", 1, "C", 1, diag), 0);
    XLBorderSetting top;
    top.position = "top";
    top.lineStyle = "double";
    ASSERT_EQ(x.CellBorder("D", 1, "E", 1, top), 0);
    s.columnWidths[2] = 12.5;
    s.rowHeights[3] = 30;
    s.merges.push_back({4, 1, 5, 3});
    s.paneRow = 1;
    s.paneCol = 2;
    ASSERT_EQ(x.Create("Second", "ws", "", ""), 0);
    sheet().setValue(1, 1, Value::str("other sheet"));
    ASSERT_EQ(x.saveAs("round", "", 2), 0);
    Workbook& original = *x.workbook();

    std::string warning;
    std::unique_ptr<Workbook> back = readworkbookfile(dir + "/round.xlsx", warning);
    EXPECT_EQ(warning, "");
    ASSERT_EQ(back->sheetCount(), original.sheetCount());
    for (int i = 1; i <= back->sheetCount(); ++i) EXPECT_EQ(back->sheet(i).name(), original.sheet(i).name());
    const Worksheet& a = *original.findSheet("Sheet1");
    const Worksheet& b = *back->findSheet("Sheet1");
    for (int r = 1; r <= 65536; r = r < 300 ? r + 1 : r * 2 > 65536 && r != 65536 ? 65536 : r * 2)
        for (int c : {1, 2, 3, 4, 5, 256}) {
            Value va = a.value(r, c), vb = b.value(r, c);
            EXPECT_EQ(va.kind, vb.kind) << r << "," << c;
            EXPECT_EQ(va.number, vb.number) << r << "," << c;
            EXPECT_EQ(va.text, vb.text) << r << "," << c;
            EXPECT_EQ(a.formula(r, c), b.formula(r, c)) << r << "," << c;
            EXPECT_EQ(a.style(r, c), b.style(r, c)) << r << "," << c;
        }
    EXPECT_EQ(b.value(1, 5).kind, Kind::date);
    EXPECT_EQ(b.style(1, 5).numberFormat, "mmm-yy");
    EXPECT_EQ(b.formula(2, 3), "=A2+B2");
    EXPECT_EQ(b.columnWidths, a.columnWidths);
    EXPECT_EQ(b.rowHeights, a.rowHeights);
    ASSERT_EQ(b.merges.size(), 1u);
    EXPECT_EQ(b.merges[0].row1 * 1000 + b.merges[0].col1 * 100 + b.merges[0].row2 * 10 + b.merges[0].col2, 4153);
    EXPECT_EQ(b.paneRow, 1);
    EXPECT_EQ(b.paneCol, 2);
    EXPECT_EQ(back->findSheet("Second")->value(1, 1).text, "other sheet");
}

TEST_F(ExcelTest, OpenpyxlReadsWidthsFormulasAndErrors) {
    SKIP_WITHOUT_OPENPYXL();
    newBook();
    sheet().columnWidths[2] = 12.5;
    sheet().setValue(1, 1, Value::error("#N/A"));
    sheet().setFormula(1, 2, "=SUM(C1:C2)");
    sheet().setValue(1, 3, Value::str("4/1/1990"));
    ASSERT_EQ(x.saveAs("w", "", 2), 0);
    EXPECT_EQ(python(R"(
ws = openpyxl.load_workbook('w.xlsx').active
print(ws.column_dimensions['B'].width, ws['A1'].value, ws['B1'].value, ws['C1'].value, ws['C1'].number_format)
)"),
              "13.28515625 =#N/A =SUM(C1:C2) 1990-04-01 00:00:00 m/d/yyyy\n");
}

TEST_F(ExcelTest, FilesWrittenByOpenpyxlReadAsWritten) {
    SKIP_WITHOUT_OPENPYXL();
    ASSERT_EQ(python(R"(
from openpyxl.styles import Font, PatternFill, Border, Side, Alignment
wb = openpyxl.Workbook()
ws = wb.active
ws.title = 'Data'
ws['A1'] = 'plain'
ws['A2'] = 2.5
ws['A2'].number_format = '0.000'
ws['A2'].font = Font(name='Arial', size=13, bold=True, italic=True, underline='double', color='FF0000FF')
ws['A2'].fill = PatternFill('solid', fgColor='FF00FF00')
ws['A2'].border = Border(bottom=Side(style='mediumDashed', color='FFFF0000'))
ws['A2'].alignment = Alignment(horizontal='center', vertical='top', wrap_text=True)
ws['A3'] = '=A2*2'
ws['A4'] = datetime.datetime(1990, 4, 1)
ws['A5'] = False
ws.column_dimensions['B'].width = 20
ws.row_dimensions[2].height = 25
ws.merge_cells('C1:D2')
ws.freeze_panes = 'B3'
wb.create_sheet('Notes')['B2'] = 'second'
wb.save('py.xlsx')
wb = openpyxl.Workbook()
wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
wb.active['A1'] = datetime.date(1990, 4, 1)
wb.save('mac.xlsx')
)"), "");
    ASSERT_EQ(x.OpenWorkbook("py.xlsx"), 0);
    printed();
    Worksheet& s = sheet();
    EXPECT_EQ(s.name(), "Data");
    EXPECT_EQ(s.value(1, 1).text, "plain");
    EXPECT_EQ(s.value(2, 1).number, 2.5);
    const Style& st = s.style(2, 1);
    EXPECT_EQ(st.numberFormat, "0.000");
    EXPECT_EQ(st.font.name, "Arial");
    EXPECT_EQ(st.font.size, 13);
    EXPECT_TRUE(st.font.bold && st.font.italic);
    EXPECT_EQ(st.font.underline, xl::underlineDouble);
    EXPECT_EQ(st.font.color, 16711680);  // blue as a Windows colour value
    EXPECT_EQ(st.interior, 65280);
    EXPECT_EQ(st.borders[bottomEdge], (BorderLine{xl::dash, xl::medium, 255}));
    EXPECT_EQ(st.horizontal, xl::center);
    EXPECT_EQ(st.vertical, xl::top);
    EXPECT_TRUE(st.wrap);
    EXPECT_EQ(s.formula(3, 1), "=A2*2");
    EXPECT_EQ(s.value(4, 1).kind, Kind::date);
    EXPECT_EQ(s.value(4, 1).number, 32964);
    EXPECT_EQ(s.value(5, 1).kind, Kind::boolean);
    EXPECT_DOUBLE_EQ(s.columnWidths.at(2), 19.25);  // stored 20 is what the writer stores for 19.25
    EXPECT_EQ(s.rowHeights.at(2), 25);
    ASSERT_EQ(s.merges.size(), 1u);
    EXPECT_EQ(s.paneRow, 2);
    EXPECT_EQ(s.paneCol, 1);
    ASSERT_EQ(x.OpenSheet("notes"), 0);
    EXPECT_EQ(sheet().value(2, 2).text, "second");
    // A workbook of the 1904 calendar gives the same day.
    ASSERT_EQ(x.OpenWorkbook("mac.xlsx"), 0);
    EXPECT_EQ(sheet().value(1, 1).kind, Kind::date);
    EXPECT_EQ(sheet().value(1, 1).number, 32964);
}

}  // namespace

}  // namespace files_test
