// Writing texts and formatting cells: WriteString, formatCell, setFormat, backgrounds and
// borders, checked in the model and, after saving, by openpyxl reading our file.
#include "tests/excel/excel_fixture.h"

namespace cells_test {

namespace {

using exceltest::ExcelTest;
using exceltest::python;
using namespace xlmodel;

TEST_F(ExcelTest, WrittenTextsBecomeNumbersOnlyWhenTheyAreNumbers) {
    newBook();
    struct Case { const char* text; Kind kind; double number; };
    const Case cases[] = {{"year", Kind::text, 0},  {"12", Kind::number, 12},  {"1.5", Kind::number, 1.5},
                          {"1e5", Kind::text, 0},   {"1-2", Kind::text, 0},    {"-3", Kind::number, -3},
                          {".", Kind::text, 0},     {"4/1990", Kind::text, 0}, {"99999999999", Kind::text, 0}};
    int row = 1;
    for (const Case& c : cases) {
        ASSERT_EQ(x.WriteString("A", row, c.text), 0) << c.text;
        Value v = sheet().value(row, 1);
        EXPECT_EQ(v.kind, c.kind) << c.text;
        if (c.kind == Kind::number) EXPECT_EQ(v.number, c.number) << c.text;
        else EXPECT_EQ(v.text, c.text);
        EXPECT_EQ(sheet().style(row, 1).numberFormat, "@") << c.text;
        ++row;
    }
    EXPECT_EQ(printed(), "");
    // An empty text empties the cell and formats nothing.
    x.defaultFont().setBold(1);
    ASSERT_EQ(x.WriteString("B", 1, ""), 0);
    EXPECT_EQ(sheet().value(1, 2).kind, Kind::empty);
    EXPECT_FALSE(sheet().style(1, 2).font.bold);
    // With a default font of bold only, a written cell is bold and nothing else changes.
    ASSERT_EQ(x.WriteString("B", 2, "b"), 0);
    Style s = sheet().style(2, 2);
    EXPECT_TRUE(s.font.bold);
    s.font.bold = false;
    s.numberFormat = "General";
    EXPECT_EQ(s, Style());
    // Outside the sheet, or without a sheet.
    EXPECT_EQ(x.WriteString("A", 65537, "x"), -1);
    EXPECT_EQ(printed(), "Error:  in Excel::WriteString().\n");
    x.CloseWorksheet();
    EXPECT_EQ(x.WriteString("A", 1, "x"), -1);
    EXPECT_EQ(printed(), "Error:  in 'XL write \"x\",\nworksheet is not open.\n");
}

TEST_F(ExcelTest, FormatCellAppliesEachAttributeOfTheFont) {
    newBook();
    JexFont f;
    f.setBold(1);
    f.setSize(14);
    f.setColorRGB(255, 0, 0);
    f.makeFormat("#,##0.00", 0);
    f.setUnderline("=");
    f.setHorizontal("c");
    f.setVertical("vcenter");
    f.setTypeface("Arial");
    ASSERT_EQ(x.formatCell("B", 2, "C", 3, f), 0);
    for (int r = 2; r <= 3; ++r)
        for (int c = 2; c <= 3; ++c) {
            const Style& s = sheet().style(r, c);
            EXPECT_TRUE(s.font.bold);
            EXPECT_FALSE(s.font.italic);
            EXPECT_EQ(s.font.size, 14);
            EXPECT_EQ(s.font.color, 255);
            EXPECT_EQ(s.font.name, "Arial");
            EXPECT_EQ(s.font.underline, xl::underlineDouble);
            EXPECT_EQ(s.horizontal, xl::center);
            EXPECT_EQ(s.vertical, xl::center);
            EXPECT_EQ(s.numberFormat, "#,##0.00");
        }
    EXPECT_EQ(sheet().style(1, 1), Style());
    EXPECT_EQ(sheet().style(4, 4), Style());
    // Sizes: the larger of pitch and size; none when both are 0.
    struct Case { int pitch, size; double expected; };
    const Case cases[] = {{10, 12, 12}, {14, 0, 14}, {0, 0, 11}};
    for (const Case& c : cases) {
        JexFont g;
        if (c.pitch) g.setPitch(c.pitch);
        if (c.size) g.setSize(c.size);
        ASSERT_EQ(x.formatCell("E", 1, "E", 1, g), 0);
        EXPECT_EQ(sheet().style(1, 5).font.size, c.expected);
        x.setFormat("E", 1, "E", 1, "11", 'n');
    }
}

TEST_F(ExcelTest, SetFormatWordsAndOptions) {
    newBook();
    auto st = [&]() { return sheet().style(1, 1); };
    EXPECT_EQ(x.setFormat("A", 1, "A", 1, "BOLD", 1), 0);
    EXPECT_TRUE(st().font.bold);
    EXPECT_EQ(x.setFormat("A", 1, "A", 1, "bold", 0), 0);
    EXPECT_FALSE(st().font.bold);
    x.setFormat("A", 1, "A", 1, "italic", 1);
    x.setFormat("A", 1, "A", 1, "=", 'u');
    EXPECT_EQ(st().font.underline, xl::underlineDouble);
    x.setFormat("A", 1, "A", 1, "-", 'u');
    EXPECT_EQ(st().font.underline, xl::underlineSingle);
    x.setFormat("A", 1, "A", 1, "", 'u');
    EXPECT_EQ(st().font.underline, xl::none);
    x.setDefaultUnderline("~");
    x.setFormat("A", 1, "A", 1, "underline", 0);
    EXPECT_EQ(st().font.underline, xl::underlineDoubleAccounting);
    x.setFormat("A", 1, "A", 1, "Right", 'h');
    EXPECT_EQ(st().horizontal, xl::right);
    x.setDefaultHorizontal("c");
    x.setFormat("A", 1, "A", 1, "x", 'h');
    EXPECT_EQ(st().horizontal, xl::center);
    x.setFormat("A", 1, "A", 1, "vj", 'v');
    EXPECT_EQ(st().vertical, xl::justify);
    x.setDefaultVertical("t");
    x.setFormat("A", 1, "A", 1, "v", 'v');
    EXPECT_EQ(st().vertical, xl::top);
    x.setFormat("A", 1, "A", 1, "1", 'w');
    EXPECT_TRUE(st().wrap);
    x.setFormat("A", 1, "A", 1, "255", 'c');
    x.setFormat("A", 1, "A", 1, "Courier New", 'f');
    ASSERT_EQ(x.setFormat("A", 1, "A", 1, "clear", 0), 0);
    Style cleared;
    cleared.font.name = "Arial";
    cleared.font.size = 10;
    cleared.wrap = true;  // clear leaves the wrap alone
    EXPECT_EQ(st(), cleared);
    EXPECT_EQ(printed(), "");
    // Refusals: an unknown option quietly, what the model refuses with the message.
    Style before = st();
    EXPECT_EQ(x.setFormat("A", 1, "A", 1, "x", 'q'), -1);
    EXPECT_EQ(printed(), "");
    EXPECT_EQ(x.setFormat("A", 1, "A", 1, "16777216", 'c'), -1);
    EXPECT_EQ(x.setFormat("A", 1, "A", 1, "big", 'n'), -1);
    EXPECT_EQ(x.setFormat("A", 1, "IW", 1, "bold", 1), -1);
    EXPECT_EQ(printed(), "Error:  in Excel::setFormat().\nError:  in Excel::setFormat().\nError:  in Excel::setFormat().\n");
    EXPECT_EQ(st(), before);
}

TEST_F(ExcelTest, BackgroundsAndBorders) {
    newBook();
    EXPECT_EQ(x.setFormatBackground("A", 1, "B", 2, "65535", 'c'), 0);
    EXPECT_EQ(sheet().style(2, 2).interior, 65535);
    EXPECT_EQ(x.setFormatBackground("A", 1, "A", 1, "Clear", 0), 0);
    EXPECT_EQ(sheet().style(1, 1).interior, -1);
    EXPECT_EQ(x.setFormatBackground("A", 1, "A", 1, "blue", 0), -1);
    EXPECT_EQ(x.setFormatBackground("A", 1, "A", 1, "536870911", 'c'), -1);  // above the largest colour
    EXPECT_EQ(printed(), "Error:  in Excel::setFormatBackground().\n");

    XLBorderSetting left;
    left.position = "left";
    left.weight = "thick";
    left.colour = 255;
    ASSERT_EQ(x.CellBorder("A", 1, "A", 1, left), 0);
    BorderLine thickRed{xl::continuous, xl::thick, 255};
    EXPECT_EQ(sheet().style(1, 1).borders[leftEdge], thickRed);
    EXPECT_EQ(sheet().style(1, 1).borders[rightEdge], BorderLine());
    EXPECT_EQ(sheet().style(1, 2).borders[leftEdge], BorderLine());

    XLBorderSetting bad;
    bad.position = "outer";
    EXPECT_EQ(x.CellBorder("A", 1, "A", 1, bad), -1);
    bad.position = "diagonaldo";
    EXPECT_TRUE(isborderposition("diagonaldo"));
    EXPECT_EQ(x.CellBorder("A", 1, "A", 1, bad), -1);
    EXPECT_EQ(printed(), "");

    XLBorderSetting inside;
    inside.position = "insideh";
    inside.lineStyle = "dash";
    ASSERT_EQ(x.CellBorder("C", 1, "C", 3, inside), 0);
    EXPECT_EQ(sheet().style(1, 3).borders[topEdge].lineStyle, xl::none);
    EXPECT_EQ(sheet().style(1, 3).borders[bottomEdge].lineStyle, xl::dash);
    EXPECT_EQ(sheet().style(2, 3).borders[topEdge].lineStyle, xl::dash);
    EXPECT_EQ(sheet().style(3, 3).borders[bottomEdge].lineStyle, xl::none);

    XLBorderSetting none;
    none.position = "insideh";
    none.lineStyle = "linestylenone";
    ASSERT_EQ(x.CellBorder("C", 1, "C", 3, none), 0);
    EXPECT_EQ(sheet().style(2, 3).borders[topEdge], BorderLine());

    EXPECT_TRUE(isborderposition("insidevert"));
    EXPECT_FALSE(isborderposition("inside"));
    EXPECT_FALSE(isborderposition("Left"));
    EXPECT_TRUE(isborderweight("hairline"));
    EXPECT_TRUE(isborderweight("hairy"));
    EXPECT_FALSE(isborderweight("Thick"));
    EXPECT_TRUE(islinestyle("dashdotdot"));
    EXPECT_FALSE(islinestyle("none"));
}

TEST_F(ExcelTest, OpenpyxlReadsTextsFontsAlignmentsFillsAndBorders) {
    SKIP_WITHOUT_OPENPYXL();
    newBook();
    const char* texts[] = {"year", "12", "1.5", "1e5", "1-2"};
    for (int i = 0; i < 5; ++i) ASSERT_EQ(x.WriteString("A", i + 1, texts[i]), 0);
    JexFont f;
    f.setBold(1);
    f.setSize(14);
    f.setColorRGB(255, 0, 0);
    f.makeFormat("#,##0.00", 0);
    ASSERT_EQ(x.formatCell("B", 2, "C", 3, f), 0);
    ASSERT_EQ(x.setFormat("D", 1, "D", 1, "Right", 'h'), 0);
    ASSERT_EQ(x.setFormat("D", 2, "D", 2, "1", 'w'), 0);
    ASSERT_EQ(x.setFormatBackground("E", 1, "E", 1, "65535", 'c'), 0);
    ASSERT_EQ(x.setFormatBackground("E", 2, "E", 2, "65535", 'c'), 0);
    ASSERT_EQ(x.setFormatBackground("E", 2, "E", 2, "clear", 0), 0);
    ASSERT_EQ(x.saveAs("look", "", 2), 0);

    x.Create("", "wb", "", "");
    XLBorderSetting left;
    left.position = "left";
    left.weight = "thick";
    left.colour = 255;
    ASSERT_EQ(x.CellBorder("A", 1, "A", 1, left), 0);
    ASSERT_EQ(x.saveAs("borders", "", 2), 0);
    x.Create("", "wb", "", "");
    XLBorderSetting all;
    all.weight = "thick";
    all.lineStyle = "continuous";
    ASSERT_EQ(x.CellBorder("A", 1, "C", 3, all), 0);
    ASSERT_EQ(x.saveAs("whole", "", 2), 0);

    std::string out = python(R"(
ws = openpyxl.load_workbook('look.xlsx').active
for r in range(1, 6):
    c = ws.cell(r, 1)
    print(repr(c.value), c.number_format)
c = ws['B2']
print(c.font.b, c.font.sz, c.font.color.rgb, c.number_format)
print(ws['C3'].font.b, ws['B4'].font.b)
print(ws['D1'].alignment.horizontal, ws['D2'].alignment.wrap_text)
print(ws['E1'].fill.fill_type, ws['E1'].fill.fgColor.rgb, ws['E2'].fill.fill_type)
ws = openpyxl.load_workbook('borders.xlsx').active
a = ws['A1'].border.left
print(a.style, a.color.rgb, ws['A1'].border.right.style, ws['A2'].border.left.style, ws['B1'].border.left.style)
ws = openpyxl.load_workbook('whole.xlsx').active
sides = set()
for row in ws['A1:C3']:
    for c in row:
        for s in (c.border.left, c.border.right, c.border.top, c.border.bottom):
            sides.add(s.style)
print(sorted(sides), ws['D1'].border.left.style, ws['A4'].border.top.style)
)");
    EXPECT_EQ(out,
              "'year' @\n12 @\n1.5 @\n'1e5' @\n'1-2' @\n"
              "True 14.0 FFFF0000 #,##0.00\n"
              "True False\n"
              "right True\n"
              "solid FFFFFF00 None\n"
              "thick FFFF0000 None None None\n"
              "['thick'] None None\n");
}

TEST_F(ExcelTest, NumberBlocksStopAtTheFirstBadCell) {
    newBook();
    Worksheet& s = sheet();
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 2; ++c) s.setValue(r, c, Value::num(10 * r + c));
    s.setValue(2, 2, Value::str("text"));
    std::int16_t cols[] = {1, 2}, rows[] = {1, 2, 3};
    Matrix<float> m(3, 2);
    m.fill(0);
    EXPECT_EQ(x.ReadNumberMatrix(cols, 2, rows, 3, m), -1);
    EXPECT_EQ(printed(), "\nError:  in XL read; got bad value.\nIn Excel file, Column B, Row 2.\n");
    EXPECT_EQ(m(3, 1), 31);  // the first column was read
    EXPECT_EQ(m(1, 2), 12);
    s.setValue(2, 2, Value());
    std::int16_t reversed[] = {3, 1};
    Matrix<float> n(2, 2);
    ASSERT_EQ(x.ReadNumberMatrix(cols, 2, reversed, 2, n), 0);
    EXPECT_EQ(n(1, 1), 31);
    EXPECT_EQ(n(2, 2), 12);
    EXPECT_EQ(n(1, 2), 32);
    x.CloseWorksheet();
    EXPECT_EQ(x.ReadNumberMatrix(cols, 2, rows, 3, m), -1);
    EXPECT_EQ(printed(), "\nError:  in Excel::ReadNumberMatrix().  Excel worksheet is not open.\n");
}

}  // namespace

}  // namespace cells_test
