// The xl command run by the jex program in a directory of its own: the main road (series
// and dates written, saved, opened again and read back), a workbook made by openpyxl with
// texts, empty and error cells among the numbers, file names that begin with a position
// letter, damaged workbooks, and Vam names that name nothing (with the Warning! box). openpyxl checks
// the files jex wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/excel/xl_process_fixture.h"

namespace xl_process_test {

namespace {

using exceltest::readFile;
using exceltest::writeFile;

using exceltest::XlProcessTest;
using exceltest::expectendswith;

const char* const road =
    "data gdp 1990 100.5 102.25 ? 110.75 ;\n"
    "data cons 1990 60 61.5 63 64.5 ;\n"
    "data inv 1990 20.25 ? 22 23.125 ;\n"
    "xl create wb out.xlsx\n"
    "xl write A 1 \"year\"\n"
    "xl write A 2 d 1990 1993\n"
    "xl write F 2 d 1990.1 1990.4\n"
    "xl write B 1 \"gdp\"\n"
    "xl write B 2 d gdp 1990 1993\n"
    "xl write B 7 r gdp 1990 1993\n"
    "decs 0\n"
    "xl write C 2 d cons 1990 1993\n"
    "decs 3\n"
    "xl write D 2 d inv 1990 1993\n"
    "xl write H 5 u cons 1990 1993\n"
    "xl save\n"
    "xl close\n"
    "xl exit\n";

TEST_F(XlProcessTest, MainRoadWritesTheWorkbookAndReadsItBack) {
    SKIP_WITHOUT_OPENPYXL();
    writeFile(dir + "/road.add", road);
    std::string out = run(
        "add road.add\n"
        "xl open out.xlsx\n"
        "xl read B 2 d g2 1990 1993\n"
        "xl read B 7 r g3 1990 1993\n"
        "xl read H 5 u h 1990 1993\n"
        "type g2 1990 1993\n"
        "type g3 1990 1993\n"
        "type h 1990 1993\n"
        "xl read A 2 date A 5\n"
        "ic %xlgdate %xldate %xlyear %xlmonth %xlday\n");
    EXPECT_EQ(status, 0);
    const std::string tail =
        "xl exit\n"
        "xl open out.xlsx\n"
        "Opening <dir>/out.xlsx\n"
        "xl read B 2 d g2 1990 1993\n"
        "xl read B 7 r g3 1990 1993\n"
        "xl read H 5 u h 1990 1993\n"
        "type g2 1990 1993\n"
        "g2\n"
        " 1990    100.500   102.250  -0.000001   110.750\n"
        "type g3 1990 1993\n"
        "g3\n"
        " 1990    100.500   102.250  -0.000001   110.750\n"
        "type h 1990 1993\n"
        "h\n"
        " 1990     60.000    61.500    63.000    64.500\n"
        "xl read A 2 date A 5\n"
        "ic %xlgdate %xldate %xlyear %xlmonth %xlday\n"
        " 1993 1990 1993 1 1\n";
    expectendswith(out, tail);
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;

    // openpyxl reads the file jex saved.
    std::string summary = python(
        "wb = openpyxl.load_workbook('out.xlsx')\n"
        "print(wb.sheetnames)\n"
        "ws = wb['Sheet1']\n"
        "for ref in ['A1','B1','A2','A3','A4','A5','F2','F3','F4','F5','B2','B3','B4','B5',\n"
        "            'B7','C7','D7','E7','C2','C3','C4','C5','D2','D3','D4','D5','H5','H4','H3','H2']:\n"
        "    c = ws[ref]\n"
        "    v = c.value.date().isoformat() if isinstance(c.value, datetime.datetime) else repr(c.value)\n"
        "    print(ref, v, c.number_format)\n");
    EXPECT_EQ(summary,
              "['Sheet1', 'Sheet2', 'Sheet3']\n"
              "A1 'year' @\nB1 'gdp' @\n"
              "A2 1990-01-01 mmm-yy\nA3 1991-01-01 mmm-yy\nA4 1992-01-01 mmm-yy\nA5 1993-01-01 mmm-yy\n"
              "F2 1990-01-01 mmm-yy\nF3 1990-04-01 mmm-yy\nF4 1990-07-01 mmm-yy\nF5 1990-10-01 mmm-yy\n"
              "B2 100.5 0.00\nB3 102.25 0.00\nB4 -9.999999974752427e-07 @\nB5 110.75 0.00\n"
              "B7 100.5 0.00\nC7 102.25 0.00\nD7 -9.999999974752427e-07 @\nE7 110.75 0.00\n"
              "C2 60 0\nC3 61.5 0\nC4 63 0\nC5 64.5 0\n"
              "D2 20.25 0.000\nD3 -9.999999974752427e-07 @\nD4 22 0.000\nD5 23.125 0.000\n"
              "H5 60 0.000\nH4 61.5 0.000\nH3 63 0.000\nH2 64.5 0.000\n");
    // The date serials as a spreadsheet counts them.
    EXPECT_EQ(python("import zipfile, re\n"
                     "x = zipfile.ZipFile('out.xlsx').read('xl/worksheets/sheet1.xml').decode()\n"
                     "print([re.search(r'<c r=\"A%d\"[^>]*><v>([^<]*)' % r, x).group(1) for r in range(2, 6)])\n"),
              "['32874', '33239', '33604', '33970']\n");
}

TEST_F(XlProcessTest, MissingCodesOnAWorkbookMadeByOpenpyxl) {
    SKIP_WITHOUT_OPENPYXL();
    ASSERT_EQ(python("wb = openpyxl.Workbook()\n"
                     "ws = wb.active\n"
                     "ws.title = 'Data'\n"
                     "for i, m in enumerate([(1990, 1), (1990, 4), (1990, 7), (1990, 10), (1991, 1)]):\n"
                     "    ws.cell(row=2 + i, column=1, value=datetime.datetime(m[0], m[1], 1))\n"
                     "ws['B2'] = 1.5\nws['B3'] = 'NA'\nws['B5'] = '#N/A'\nws['B6'] = 2.5\n"
                     "ws['C2'] = -99\nws['C3'] = -99.0\nws['C4'] = '-99'\n"
                     "wb.create_sheet('Other')\n"
                     "wb.save('fix.xlsx')\n"),
              "");
    std::string out = run(
        "xl open fix.xlsx\n"
        "xl open ws Data\n"
        "xl read B 2 d x 1990.1 1991.1\n"
        "type x 1990.1 1991.1\n"
        "xl missing NA\n"
        "xl read B 2 d x 1990.1 1991.1\n"
        "type x 1990.1 1991.1\n"
        "xl setfrequency 4\n"
        "xl read A 2 date A 6\n"
        "xl read B 2 d y xldates\n"
        "type y 1990.1 1991.1\n"
        "ic %xlgdate %xldate %xlyear %xlquarter %xlmonth %xlday\n"
        "xl read C 2 d z 1990.1 1990.2\n"
        "type z 1990.1 1990.2\n"
        "xl missing - 99\n"
        "xl read C 2 d z 1990.1 1990.2\n"
        "type z 1990.1 1990.2\n"
        "xl read C 2 d z 1990.1 1990.3\n"
        "xl clear missing\n"
        "xl read B 5 d w 1990.1 1990.1\n"
        "type w\n"
        "xl open ws Missing\n"
        "xl exit\n");
    EXPECT_EQ(out,
              "Your present working directory is <dir>\n\n"
              "xl open fix.xlsx\n"
              "Opening <dir>/fix.xlsx\n"
              "xl open ws Data\n"
              "xl read B 2 d x 1990.1 1991.1\n"
              "\nError:  in XL read; got bad value.\n"
              "In Excel file, Column B, Row 3.\n"
              "type x 1990.1 1991.1\n"
              "\nx can't be found.\n"
              "xl missing NA\n"
              "xl read B 2 d x 1990.1 1991.1\n"
              "Error:  in spreadsheet.  Inserting missing value code and continuing...\n"
              "type x 1990.1 1991.1\n"
              "x\n"
              " 1990.1    1.500000  -0.000001  -0.000001  -0.000001\n"
              " 1991.1    2.500000\n"
              "xl setfrequency 4\n"
              "xl read A 2 date A 6\n"
              "xl read B 2 d y xldates\n"
              "Error:  in spreadsheet.  Inserting missing value code and continuing...\n"
              "type y 1990.1 1991.1\n"
              "y\n"
              " 1990.1    1.500000  -0.000001  -0.000001  -0.000001\n"
              " 1991.1    2.500000\n"
              "ic %xlgdate %xldate %xlyear %xlquarter %xlmonth %xlday\n"
              " 1991.1 1990.1 1991 1 1 1\n"
              // Without a number code, -99 is a number like any other.
              "xl read C 2 d z 1990.1 1990.2\n"
              "type z 1990.1 1990.2\n"
              "z\n"
              " 1990.1   -99.00000  -99.00000\n"
              "xl missing - 99\n"
              "xl read C 2 d z 1990.1 1990.2\n"
              "type z 1990.1 1990.2\n"
              "z\n"
              " 1990.1   -0.000001  -0.000001\n"
              // The text -99 does not match the number code.
              "xl read C 2 d z 1990.1 1990.3\n"
              "\nError:  in XL read; got bad value.\n"
              "In Excel file, Column C, Row 4.\n"
              "xl clear missing\n"
              // Without codes an error cell stops the reading; nothing is stored.
              "xl read B 5 d w 1990.1 1990.1\n"
              "\nError:  in XL read; got bad value.\n"
              "In Excel file, Column B, Row 5.\n"
              "type w\n"
              "\nw can't be found.\n"
              "xl open ws Missing\n"
              "\nError:  Cannot open sheet \"Missing\".\n"
              "xl exit\n");
}

TEST_F(XlProcessTest, CreateTakesOnlyPositionWordsAsPositions) {
    SKIP_WITHOUT_OPENPYXL();
    // results.xlsx, ante.xlsx, lamb.xlsx and bravo.xlsx are file names; "l" and "aft" are
    // leading parts of left and after.
    std::string out = run(
        "xl create results.xlsx\nxl exit\n"
        "xl create ante.xlsx\nxl exit\n"
        "xl create lamb.xlsx\nxl exit\n"
        "xl create bravo.xlsx\nxl exit\n"
        "xl create wb rtf.xlsx\nxl write A 1 \"kept\"\nxl save\nxl exit\n"
        "xl create aft wb after.xlsx\nxl create l ws Left\nxl save\nxl exit\n");
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    for (const char* name : {"results.xlsx", "ante.xlsx", "lamb.xlsx", "bravo.xlsx"})
        EXPECT_EQ(python(std::string("print(openpyxl.load_workbook('") + name + "').sheetnames)\n"), "['Sheet1', 'Sheet2', 'Sheet3']\n")
            << name;
    EXPECT_EQ(python("print(openpyxl.load_workbook('rtf.xlsx').active['A1'].value)\n"), "kept\n");
    EXPECT_EQ(python("print(openpyxl.load_workbook('after.xlsx').sheetnames)\n"), "['Left', 'Sheet1', 'Sheet2', 'Sheet3']\n");
}

TEST_F(XlProcessTest, DamagedWorkbooksAreRefusedAndNothingIsRead) {
    writeFile(dir + "/bad.xlsx", "PK\x03\x04 this is not a workbook");
    std::string out = run(
        "xl open bad.xlsx\n"
        "xl read B 2 d x 1990 1993\n"
        "type x\n");
    EXPECT_NE(out.find("\nError:  cannot open Excel server application.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nError:  in Excel::ReadNumberArray().  Excel worksheet is not open.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nx can't be found.\n"), std::string::npos) << out;
}

TEST_F(XlProcessTest, VamNamesWithoutSectorsAndMissingVectors) {
    writeFile(dir + "/model.cfg", "1990 1995\nx 10 1 0 rows.txt\nam 10 10 0 rows.txt cols.txt\n");
    std::string out = run(
        "vamcreate model.cfg hist\n"
        "vam hist b\n"
        "dvam b\n"
        "xl create wb\n"
        "xl write A 1 \"2\"\n"
        "xl read A 1 d b.x 1992 1992\n"
        "xl read A 1 d b.nosuch3 1992 1992\n"
        "xl vecwrite nosuch v(1) c(2) r(2) d 1990 1990\n"
        "xl vecread c(B) r(2) d nosuch v(9) 1990 1995\n"
        "xl matread c(A) r(1) nosuch c(1) r(1) 1991\n");
    const std::string expected =
        "xl read A 1 d b.x 1992 1992\n"
        "\nError:  in xl.\n"
        "Name \"b.x\" is supplied without either a sector number or\n"
        "a row number.\n"
        "Returning...\n"
        "xl read A 1 d b.nosuch3 1992 1992\n"
        "\nNo such series or vector as nosuch\n"
        "xl vecwrite nosuch v(1) c(2) r(2) d 1990 1990\n"
        "Error:  In xl vecwrite, no such vector as nosuch\n"
        "Syntax for xl vecwrite:\n"
        " xl vecwrite <vector><v(sectors )><c(columns)><r(rows)><direction>[<start>[<end>]]\n"
        " where sectors are vector index values, rows and columns are spreadsheet positions,\n"
        " direction is right or down (the direction of increasing dates), and start and end\n"
        " are dates in Jex7 date format.\n"
        "xl vecread c(B) r(2) d nosuch v(9) 1990 1995\n"
        "\nNo such vector as nosuch\n"
        "xl matread c(A) r(1) nosuch c(1) r(1) 1991\n"
        "\nNo such matrix as nosuch\n";
    expectendswith(out, expected);
    // The Warning! box is shown (on standard error) for the name without a sector.
    EXPECT_NE(readFile(dir + "/stderr.txt").find("Warning!"), std::string::npos);
}

}  // namespace

}  // namespace xl_process_test
