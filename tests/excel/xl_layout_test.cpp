// The xl layout, font, background, border, printer and conditional-format commands run by
// the jex program on a new workbook; openpyxl (and, for raised characters, the sheet's XML)
// reads the saved .xlsx. Also the model's row and column deletion and the print job's text.
#include <gtest/gtest.h>

#include <string>

#include "excel/excel.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "tests/excel/excel_fixture.h"
#include "tests/excel/xl_process_fixture.h"

namespace xl_layout_test {

namespace {

using exceltest::ExcelTest;
using exceltest::writeFile;
using exceltest::XlProcessTest;

class XlLayoutTest : public XlProcessTest {
protected:
    // Runs the lines of an add file that starts a new workbook out.xlsx and ends saving it;
    // the results window after the add file's echo.
    std::string script(const std::string& lines) {
        writeFile(dir + "/s.add", "xl create wb out.xlsx\n" + lines + "xl save\n");
        return run("add s.add\n");
    }
    // As script, with lines of a second add file run after the first and before the save:
    // a refused line ends only its own add file.
    std::string scriptrefused(const std::string& lines, const std::string& refused) {
        writeFile(dir + "/s.add", "xl create wb out.xlsx\n" + lines);
        writeFile(dir + "/r.add", refused);
        writeFile(dir + "/t.add", "xl save\n");
        return run("add s.add\nadd r.add\nadd t.add\n");
    }
    // A python check of out.xlsx; `ws` is its first sheet.
    std::string check(const std::string& body) {
        return python("wb = openpyxl.load_workbook('out.xlsx')\nws = wb.worksheets[0]\n" + body);
    }
};

const char* const fontprint =
    "def f(c):\n"
    "    x = ws[c].font\n"
    "    print(c, x.b, x.i, x.color.rgb if x.color is not None and x.color.type == 'rgb' else None, x.sz, x.u, x.name)\n";

TEST_F(XlLayoutTest, FontSettingsLandInTheFile) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = script(
        "xl font A 1 C 3 bold italic red 14\n"
        "xl font D 1 D 1 bold italic\n"
        "xl font D 1 D 1 bold no italic 0\n"
        "xl font D 2 D 2 bold\n"
        "xl font D 2 D 2 bold false\n"
        "xl font E 1 E 1 underline =\n"
        "xl font E 2 E 2 underline\n"
        "xl font E 3 E 3 UnderlineDoubleAccounting\n"
        "xl font E 4 E 4 underline = underline no\n"
        "xl font F 1 F 1 size\n"
        "xl font F 2 F 2 size14\n"
        "xl font F 3 F 3 point 9\n"
        "xl font G 1 G 1 wrap\n"
        "xl font G 2 G 2 wrap wrap off\n"
        "xl font G 3 G 3 format(\"0.00\")\n"
        "xl font G 4 G 4 TF(\"Courier New\")\n"
        "xl font G 5 G 5 Arial center vcenter\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(check(std::string(fontprint) +
                    "for c in ['A1', 'C3', 'D1', 'D2', 'E1', 'E2', 'E3', 'E4', 'F1', 'F2', 'F3']: f(c)\n"
                    "for c in ['G1', 'G2']: print(c, ws[c].alignment.wrap_text)\n"
                    "print(ws['G3'].number_format, ws['G4'].font.name, ws['G5'].font.name,\n"
                    "      ws['G5'].alignment.horizontal, ws['G5'].alignment.vertical)\n"),
              "A1 True True FFFF0000 14.0 None Calibri\n"
              "C3 True True FFFF0000 14.0 None Calibri\n"
              "D1 False False None 11.0 None Calibri\n"
              "D2 False False None 11.0 None Calibri\n"
              "E1 False False None 11.0 double Calibri\n"
              "E2 False False None 11.0 single Calibri\n"
              "E3 False False None 11.0 doubleAccounting Calibri\n"
              "E4 False False None 11.0 None Calibri\n"
              "F1 False False None 12.0 None Calibri\n"
              "F2 False False None 14.0 None Calibri\n"
              "F3 False False None 9.0 None Calibri\n"
              "G1 True\n"
              "G2 None\n"
              "0.00 Courier New Arial center center\n");
}

TEST_F(XlLayoutTest, RefusedFontSettingsStopWithTheirMessageAndTheHelpText) {
    struct Case { const char* line; const char* message; };
    const Case cases[] = {
        {"xl font A 1 A 1 bold yes", "next argument must be a valid font setting (e.g. \"bold\").\n"},
        {"xl font A 1 A 1 format(0.00)", "the format syntax is incorrect (i.e. \"format(<format>)\").\n"},
        {"xl font A 1 A 1 TF(3)", "the typeface syntax is incorrect"},
        {"xl font A 1 A 1 RGB(1,2,300)", "the RGB color syntax is incorrect (i.e. \"RGB(<int1>,<int2>,<int3>)\").\n"},
        {"xl font", "Syntax is\n\t\"xl font <col 1><row 1><col 2><row 2><setting>[<setting>...]\"\n"},
        {"xl background A 1 B 2 5", "next argument must be a valid color setting.\n"},
        {"xl font A 1 IW 1 bold", "Error:  in Excel::setFormat().\n"},
        {"xl font A 65537 B 2 bold", "Error:  invalid row:  65537."},
    };
    for (const Case& c : cases) {
        std::string out = run("xl create wb\n" + std::string(c.line) + "\n");
        EXPECT_NE(out.find(c.message), std::string::npos) << c.line << "\n" << out;
        EXPECT_NE(out.find("Syntax is\n"), std::string::npos) << c.line << "\n" << out;
    }
}

TEST_F(XlLayoutTest, DefaultCellFontAndBackgrounds) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = script(
        "xl setfont bold Arial\n"
        "xl write B 2 \"x\"\n"
        "xl setfont clear\n"
        "xl write B 3 \"y\"\n"
        "xl background A 1 B 2 Yellow\n"
        "xl background C 1 C 1 Red\n"
        "xl background C 1 C 1 clear\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(check(std::string(fontprint) +
                    "f('B2'); f('B3')\n"
                    "for c in ['A1', 'B2', 'C1']: print(c, ws[c].fill.fill_type, ws[c].fill.fgColor.rgb)\n"),
              "B2 True False None 11.0 None Arial\n"
              "B3 False False None 11.0 None Calibri\n"
              "A1 solid FFFFFF00\n"
              "B2 solid FFFFFF00\n"
              "C1 None 00000000\n");
}

TEST_F(XlLayoutTest, BordersOnEveryEdgeAndClearedByPosition) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = script(
        "xl border A 1 C 3 thick continuous Red\n"
        "xl border A 1 C 3 bottom off\n"
        "xl border E 1 E 1 left dash medium\n"
        "xl border E 2 E 2 top dot\n"
        "xl border E 3 E 3 right double\n"
        "xl border E 4 E 4 bottom hairline\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(check("def b(c):\n"
                    "    x = ws[c].border\n"
                    "    print(c, [(s.style, s.color.rgb if s.color else None) for s in (x.left, x.right, x.top, x.bottom)])\n"
                    "for c in ['A1', 'B2', 'C3']: b(c)\n"
                    "print(ws['E1'].border.left.style, ws['E2'].border.top.style, ws['E3'].border.right.style,\n"
                    "      ws['E4'].border.bottom.style)\n"),
              "A1 [('thick', 'FFFF0000'), ('thick', 'FFFF0000'), ('thick', 'FFFF0000'), ('thick', 'FFFF0000')]\n"
              "B2 [('thick', 'FFFF0000'), ('thick', 'FFFF0000'), ('thick', 'FFFF0000'), ('thick', 'FFFF0000')]\n"
              "C3 [('thick', 'FFFF0000'), ('thick', 'FFFF0000'), ('thick', 'FFFF0000'), (None, None)]\n"
              "mediumDashed dotted double hair\n");
    // The last row's bottom went; the rows above keep theirs.
    EXPECT_EQ(check("print(ws['A2'].border.bottom.style, ws['A3'].border.bottom.style)\n"), "thick None\n");

    out = run("xl create wb\nxl border A 1 C 3 sparkle\n");
    EXPECT_NE(out.find("\nError:  in \"xl border <col 1><row 1><col 2><row 2>\" command, \n"
                       "next argument must be a valid border setting (e.g. \"off\").\n"
                       "Syntax is\n"
                       "\t\"xl border <col 1><row 1><col 2><row 2><setting>\"\n"
                       "\t\"Valid settings include\n"
                       "\t\t\"off\", color, style, weight, and position.\n"),
              std::string::npos)
        << out;
}

TEST_F(XlLayoutTest, WidthsHeightsAndDeletedRowsAndColumns) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = script(
        "xl write A 1 \"a1\"\n"
        "xl write C 1 \"c1\"\n"
        "xl write D 1 \"d1\"\n"
        "xl write A 4 \"a4\"\n"
        "xl write A 5 \"a5\"\n"
        "xl column width D 8\n"
        "xl row height 5 30\n"
        "xl column width C 12.5\n"
        "xl row height 4 20\n"
        "xl column delete 3\n"
        "xl row delete 4\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    // Column C went: D's cell and width are C's now; row 4 went: row 5 is row 4.
    EXPECT_EQ(check("print(ws['A1'].value, ws['C1'].value, ws['D1'].value, ws['A4'].value, ws['A5'].value)\n"
                    "print(ws.column_dimensions['C'].width, ws.row_dimensions[4].height)\n"),
              "a1 d1 None a5 None\n"
              "8.7109375 30.0\n");

    // Width 12.5 is stored as the file keeps it, and read back as typed.
    out = script("xl column width C 12.5\nxl row height 4 20\n");
    EXPECT_EQ(check("print(ws.column_dimensions['C'].width, ws.row_dimensions[4].height)\n"), "13.28515625 20.0\n");
}

TEST_F(ExcelTest, AColumnWidthReadsBackAsTyped) {
    newBook();
    ASSERT_EQ(x.setColWidth("C", 12.5f), 0);
    ASSERT_EQ(x.saveAs(dir + "/w.xlsx", "", 2), 0);
    ASSERT_EQ(x.OpenWorkbook(dir + "/w.xlsx"), 0);
    EXPECT_EQ(sheet().columnWidths, (std::map<int, double>{{3, 12.5}}));
}

TEST_F(XlLayoutTest, FormulasMergesAndFrozenPanes) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = scriptrefused(
        "xl write A 1 \"keep\"\n"
        "xl write B 1 \"gone\"\n"
        "xl formula B 10 \"=sum(A1:A10)\"\n"
        "xl merge A 1 C 1\n"
        "xl merge A 3 B 4\n"
        "xl merge A 3 B 4 off\n"
        "xl freeze C5\n",
        "xl merge C 1 A 1\n");
    // The refused merge says nothing.
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(check("print(ws['B10'].value, ws['A1'].value, ws['B1'].value, [str(r) for r in ws.merged_cells.ranges])\n"
                    "p = ws.sheet_view.pane\n"
                    "print(p.xSplit, p.ySplit, p.topLeftCell, p.state)\n"),
              "=sum(A1:A10) keep None ['A1:C1']\n"
              "2.0 4.0 C5 frozen\n");

    struct Case { const char* freeze; const char* pane; const char* refused; };
    const Case cases[] = {{"xl freeze 5", "None 4.0 A5\n", ""},
                          {"xl freeze 10 3", "None 7.0 A10\n", ""},
                          {"xl freeze E8 C2", "2.0 6.0 E8\n", ""},
                          {"xl freeze C", "2.0 None C1\n", ""},
                          {"xl freeze C5\nxl freeze off", "no pane\n", ""},
                          {"xl freeze C5", "2.0 4.0 C5\n", "xl freeze 5 6\n"},
                          {"xl freeze C5", "2.0 4.0 C5\n", "xl freeze 5 B\n"}};
    for (const Case& c : cases) {
        out = scriptrefused(std::string(c.freeze) + "\n", c.refused);
        if (*c.refused) {
            EXPECT_NE(out.find("Syntax is\n\txl freeze"), std::string::npos) << out;
        }
        EXPECT_EQ(check("p = ws.sheet_view.pane\n"
                        "print('no pane' if p is None else '%s %s %s' % (p.xSplit, p.ySplit, p.topLeftCell))\n"),
                  c.pane)
            << c.freeze;
    }
}

TEST_F(XlLayoutTest, RaisedAndLoweredCharactersStayText) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = script(
        "xl write B 2 \"m\"\n"
        "xl superscript B 2 \"2\"\n"
        "xl write B 3 \"H\"\n"
        "xl subscript B 3 \"2\"\n"
        "xl superscript B 3 \"x\"\n"
        "xl write B 4 \"2005\"\n"
        "xl superscript B 4 \"1\"\n"
        "xl font B 5 B 5 bold\n"
        "xl write B 5 \"x\"\n"
        "xl superscript B 5 \"n\"\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    // Opened and saved again, the runs stay.
    out = run("xl open out.xlsx\nxl save\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    // openpyxl drops the runs: they are read from the XML, shared strings or inline.
    EXPECT_EQ(python("import zipfile, re\n"
                     "z = zipfile.ZipFile('out.xlsx')\n"
                     "xml = ''.join(z.read(n).decode() for n in z.namelist() if n.endswith('.xml'))\n"
                     "for si in re.findall(r'<(?:si|is)>(.*?)</(?:si|is)>', xml):\n"
                     "    runs = re.findall(r'<r>(?:<rPr>(.*?)</rPr>)?<t[^>]*>(.*?)</t></r>', si)\n"
                     "    print([(t, re.search(r'vertAlign val=\"(\\w+)\"', p).group(1) if 'vertAlign' in p else '', '<b/>' in p) for p, t in runs])\n"
                     "wb = openpyxl.load_workbook('out.xlsx')\n"
                     "print(repr(wb.active['B4'].value))\n"),
              "[('m', '', False), ('2', 'superscript', False)]\n"
              "[('H', '', False), ('2', 'subscript', False), ('x', 'superscript', False)]\n"
              "[('2005', '', False), ('1', 'superscript', False)]\n"
              "[('x', '', True), ('n', 'superscript', True)]\n"
              "'20051'\n");
}

TEST_F(XlLayoutTest, GridlinesOrientationAndPrintArea) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = script("xl gridlines off\nxl printer landscape area A 1 F 40\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(check("print(ws.sheet_view.showGridLines, ws.page_setup.orientation, ws.print_area)\n"),
              "False landscape ['$A$1:$F$40']\n");
    out = script("xl gridlines red\nxl printer area A 1 F 40 portrait area off\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(check("print(ws.sheet_view.showGridLines, ws.page_setup.orientation, ws.print_area)\n"),
              "None None None\n");
}

const char* const cfprint =
    "for cf in ws.conditional_formatting:\n"
    "    for r in cf.rules:\n"
    "        d = r.dxf\n"
    "        print(cf.sqref, r.type, r.operator, r.formula, d.font.color.rgb if d.font and d.font.color else None,\n"
    "              d.font.b if d.font else None, d.font.i if d.font else None,\n"
    "              d.fill.bgColor.rgb if d.fill else None)\n";

TEST_F(XlLayoutTest, ConditionalFormatsFromRuleLines) {
    SKIP_WITHOUT_OPENPYXL();
    std::string out = script(
        "xl cf A 1 A 10 3\n"
        "value > 100 font Red bold background Yellow\n"
        "value >= 10 <= 20 font Blue\n"
        "value = B 5 font italic\n"
        "xl cf C 1 C 5 2\n"
        "value < 0 > 100 background Red\n"
        "value > -3 font Red\n"
        "xl cf D 1 D 5 1\n"
        "formula \"=D1>E1\" font bold\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(check(cfprint),
              "A1:A10 cellIs greaterThan ['100'] FFFF0000 True False FFFFFF00\n"
              "A1:A10 cellIs between ['10', '20'] FF0000FF False False None\n"
              "A1:A10 cellIs equal ['$B$5'] None False True None\n"
              "C1:C5 cellIs notBetween ['0', '100'] None None None FFFF0000\n"
              "C1:C5 cellIs greaterThan ['-3'] FFFF0000 False False None\n"
              "D1:D5 expression None ['D1>E1'] None True False None\n");
}

TEST_F(XlLayoutTest, RefusedRulesLeaveTheEarlierConditions) {
    SKIP_WITHOUT_OPENPYXL();
    struct Case { const char* lines; const char* message; };
    const Case cases[] = {
        {"xl cf A 1 A 10 4\n", "a valid number of formats, between 1 and 3.\n"},
        {"xl cf A 1 A 10 2 extra\n", "there are extra words where a new line should begin.\n"},
        {"xl cf A 1 A 10 1\nx > 5 font Red\n", "the next line must begin with \"value\" or \"formula\".\n"},
        {"xl cf A 1 A 10 1\nvalue => 5 font Red\n", "a valid condition must follow.\n"},
        {"xl cf A 1 A 10 1\nvalue > 5 bold\n", "a valid condition must follow.\n"},
        {"xl cf A 1 A 10 2\nvalue > 5 font Red\nvalue ! 3 font Blue\n", "a valid condition must follow.\n"},
    };
    for (const Case& c : cases) {
        writeFile(dir + "/s.add",
                  "xl create wb out.xlsx\nxl cf A 1 A 10 1\nvalue > 100 font Red\nxl save\n" + std::string(c.lines));
        writeFile(dir + "/t.add", "xl save\n");
        std::string out = run("add s.add\nadd t.add\n");
        EXPECT_NE(out.find(c.message), std::string::npos) << c.lines << out;
        EXPECT_EQ(check(cfprint), "A1:A10 cellIs greaterThan ['100'] FFFF0000 False False None\n") << c.lines;
    }
}

// ---- the model and the link without the program ----

TEST_F(ExcelTest, GridlineColourIsKeptInTheModel) {
    newBook();
    ASSERT_EQ(x.setGridlines(-1, "255"), 0);
    EXPECT_TRUE(sheet().gridlines);
    EXPECT_EQ(sheet().gridlineColor, 255);
    ASSERT_EQ(x.setGridlines(0, ""), 0);
    EXPECT_FALSE(sheet().gridlines);
    EXPECT_EQ(sheet().gridlineColor, 255);
    EXPECT_EQ(x.setGridlines(1, "x"), -1);
    EXPECT_EQ(printed(), "\nError:  cannot change gridlines settings.\n");
}

TEST_F(ExcelTest, DeletingARowOrColumnMovesCellsSizesAndMerges) {
    newBook();
    auto& s = sheet();
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) s.setValue(r, c, xlmodel::Value::num(r * 10 + c));
    s.setFormula(4, 4, "=A1");
    s.rowHeights = {{2, 20}, {3, 30}};
    s.columnWidths = {{2, 5}, {3, 7}};
    s.merges = {{3, 1, 4, 2}, {1, 3, 1, 4}, {2, 2, 2, 2}};
    ASSERT_EQ(x.deleteRow("2"), 0);
    ASSERT_EQ(x.deleteCol("C"), 0);
    EXPECT_EQ(s.value(1, 3).number, 14);
    EXPECT_EQ(s.value(2, 1).number, 31);
    EXPECT_EQ(s.value(3, 3).number, 44);  // the formula cell moved to (3, 3)
    EXPECT_EQ(s.formula(3, 3), "=A1");
    EXPECT_EQ(s.rowHeights, (std::map<int, double>{{2, 30}}));
    EXPECT_EQ(s.columnWidths, (std::map<int, double>{{2, 5}}));
    ASSERT_EQ(s.merges.size(), 1u);  // C1:D1 became a single cell, B2 was deleted
    EXPECT_EQ(s.merges[0].row1, 2);
    EXPECT_EQ(s.merges[0].row2, 3);
    EXPECT_EQ(s.merges[0].col2, 2);
    EXPECT_EQ(x.deleteRow("0"), -1);
    EXPECT_EQ(printed(), "\nError:  in Excel deleteRow() function.\n");
}

std::string lastJob;
bool lastLandscape;
std::string keepjob(const std::string& title, bool landscape, const std::string& text) {
    lastJob = title + "|" + text;
    lastLandscape = landscape;
    return "jexprint1.txt";
}

TEST_F(ExcelTest, PrintingSendsThePrintAreaOrTheUsedRangeAsText) {
    newBook();
    XLPrintSink old = setxlprintsink(keepjob);
    sheet().setValue(2, 2, xlmodel::Value::num(1.5));
    sheet().setValue(3, 3, xlmodel::Value::str("x\ty"));
    ASSERT_EQ(x.PrintSheet(), 0);
    EXPECT_EQ(lastJob, "Book1 - Sheet1|1.5\t\n\t\"x\ty\"\n");
    ASSERT_EQ(x.setWorksheetPrintArea("A", 1, "B", 2), 0);
    ASSERT_EQ(x.setWorksheetOrientation("landscape"), 0);
    ASSERT_EQ(x.PrintSheet(), 0);
    EXPECT_EQ(lastJob, "Book1 - Sheet1|\t\n\t1.5\n");
    EXPECT_TRUE(lastLandscape);
    // A spool that cannot write the job fails it with the link's message.
    setxlprintsink([](const std::string&, bool, const std::string&) { return std::string(); });
    EXPECT_EQ(x.PrintSheet(), -1);
    EXPECT_EQ(printed(), "Error:  in Excel::PrintSheet().\n");
    setxlprintsink(old);
}

// A typed line run as the command loop runs it: the command word, then xlcmd.
int typed(const std::string& line) {
    settypedline(line);
    char word[78];
    gettoken(word, nullptr, 0, sizeof word);
    return xlcmd(nullptr);
}

int jobs = 0;
std::string countjob(const std::string& title, bool landscape, const std::string& text) {
    ++jobs;
    return keepjob(title, landscape, text);
}

TEST_F(ExcelTest, XlPrinterPrintsOnceAfterTheWholeLine) {
    XLPrintSink old = setxlprintsink(countjob);
    excelSession.reset();
    ASSERT_EQ(typed("xl create wb"), 0);
    ASSERT_EQ(typed("xl write B 2 \"x\""), 0);
    ASSERT_EQ(typed("xl printer print landscape area A 1 B 2 print"), 0);
    EXPECT_EQ(jobs, 1);
    EXPECT_TRUE(lastLandscape);
    EXPECT_EQ(lastJob.substr(lastJob.find('|')), "|\t\n\tx\n");
    // A refused word after print prints nothing.
    EXPECT_EQ(typed("xl printer print colour"), -1);
    EXPECT_EQ(jobs, 1);
    excelSession.reset();
    setxlprintsink(old);
    printed();
}

TEST_F(ExcelTest, DefaultsOfSetfontAndSetbackgroundChangeOnlyWhenTheLineIsAccepted) {
    excelSession.reset();
    ASSERT_EQ(typed("xl setfont bold Arial 14"), 0);
    EXPECT_EQ(excelSession.defaultFont().typeface(), "Arial");
    EXPECT_EQ(excelSession.defaultFont().size(), 14);
    EXPECT_EQ(typed("xl setfont italic sparkle"), -1);
    EXPECT_EQ(excelSession.defaultFont().typeface(), "Arial");
    EXPECT_EQ(excelSession.defaultFont().italic(), 0);
    ASSERT_EQ(typed("xl setbackground Red"), 0);
    EXPECT_EQ(excelSession.background(), "255");
    EXPECT_EQ(typed("xl setbackground Blue sparkle"), -1);
    EXPECT_EQ(excelSession.background(), "255");
    ASSERT_EQ(typed("xl setbackground clear"), 0);
    EXPECT_EQ(excelSession.background(), "");
    excelSession.reset();
    printed();
}

}  // namespace

}  // namespace xl_layout_test
