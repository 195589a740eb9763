// Workbooks and sheets: attaching to sheets, creating sheets with unique names, saving under
// a format keyword, the text formats, and opening damaged files.
#include <zip.h>

#include "excel/workbook_files.h"
#include "tests/excel/excel_fixture.h"

namespace books_test {

namespace {

using exceltest::ExcelTest;
using exceltest::readFile;
using exceltest::writeFile;
using namespace xlmodel;

TEST_F(ExcelTest, SheetsByNumberAndByName) {
    ASSERT_EQ(x.OpenWorkbook(""), 0);
    ASSERT_EQ(x.Create("", "ws", "", ""), 0);
    ASSERT_EQ(x.Create("SALES", "ws", "", ""), 0);
    printed();
    EXPECT_EQ(x.OpenSheet("2"), 0);
    EXPECT_EQ(x.worksheet(), &x.workbook()->sheet(2));
    EXPECT_EQ(x.sheetKind(), 1);
    EXPECT_EQ(x.OpenSheet("sales"), 0);
    EXPECT_EQ(x.worksheet()->name(), "SALES");
    EXPECT_EQ(x.OpenSheet("$1"), 0);
    EXPECT_EQ(x.worksheet(), &x.workbook()->sheet(1));
    EXPECT_EQ(printed(), "");
    EXPECT_EQ(x.OpenSheet("9"), -1);
    EXPECT_EQ(printed(), "\nError:  There is no worksheet \"9\" in this workbook.\n");
    EXPECT_EQ(x.OpenSheet("0"), -1);
    EXPECT_EQ(printed(), "\nError:  There is no worksheet \"0\" in this workbook.\n");
    EXPECT_EQ(x.OpenSheet("Nosuch"), -1);
    EXPECT_EQ(printed(), "\nError:  Cannot open sheet \"Nosuch\".\n");
    EXPECT_EQ(x.worksheet(), nullptr);
    EXPECT_EQ(x.OpenSheet(""), 0);
    EXPECT_EQ(x.lastText(), x.workbook()->sheet(1).name());
}

TEST_F(ExcelTest, SheetsNeedTheApplicationAndAWorkbook) {
    EXPECT_EQ(x.OpenSheet("1"), -1);
    EXPECT_EQ(printed(), "\nWarning:  Excel application not open.\n");
    x.OpenExcel();
    EXPECT_EQ(x.OpenSheet("1"), -1);
    EXPECT_EQ(printed(), "\nWarning:  Excel workbook not open.\n");
    EXPECT_EQ(x.Create("a", "ws", "", ""), -1);
    EXPECT_EQ(printed(), "Error:  Workbook is not open.  \nCannot add worksheet.\n");
    EXPECT_EQ(x.Create("a", "ch", "", ""), -1);
    EXPECT_EQ(printed(), "Error:  Workbook is not open.  \nCannot add chart.\n");
}

TEST_F(ExcelTest, NewWorksheetNamesAreMadeUnique) {
    newBook();
    ASSERT_EQ(x.Create("Data", "ws", "", ""), 0);
    ASSERT_EQ(x.Create("Data", "ws", "", ""), 0);
    EXPECT_EQ(x.worksheet()->name(), "Data-2");
    ASSERT_EQ(x.Create("Data", "ws", "", ""), 0);
    EXPECT_EQ(x.worksheet()->name(), "Data-3");
    // Only Data-2 left: the name tried is Data-2 again, which the model refuses.
    ASSERT_EQ(x.OpenSheet("Data"), 0);
    ASSERT_EQ(x.setWorksheetName("Other"), 0);
    ASSERT_EQ(x.OpenSheet("Data-3"), 0);
    ASSERT_EQ(x.setWorksheetName("Third"), 0);
    printed();
    EXPECT_EQ(x.Create("Data", "ws", "", ""), -1);
    EXPECT_EQ(printed(), "\nError:  cannot set worksheet name.\n");
    // Placement before the active sheet.
    ASSERT_EQ(x.OpenSheet("Other"), 0);
    int at = 0;
    for (int i = 1; i <= x.workbook()->sheetCount(); ++i)
        if (x.workbook()->sheet(i).name() == "Other") at = i;
    ASSERT_EQ(x.Create("Front", "ws", "", "before"), 0);
    EXPECT_EQ(x.workbook()->sheet(at).name(), "Front");
}

TEST_F(ExcelTest, NewWorkbooksAreNumberedAndLaterOnesHaveOneSheet) {
    newBook();
    EXPECT_EQ(x.workbook()->name(), "Book1");
    EXPECT_EQ(x.workbook()->sheetCount(), 3);
    EXPECT_EQ(x.worksheet()->name(), "Sheet1");
    EXPECT_EQ(x.Create("", "wb", "", ""), 0);
    EXPECT_EQ(printed(), "Warning:  Workbook already is open.  Closing and continuing....\n");
    EXPECT_EQ(x.workbook()->name(), "Book2");
    EXPECT_EQ(x.workbook()->sheetCount(), 1);
}

TEST_F(ExcelTest, SheetNames) {
    std::string name;
    EXPECT_EQ(x.getWorksheetName(name), -1);
    EXPECT_EQ(printed(), "Error:  Worksheet is not open.  \nCannot get name of worksheet.\n");
    EXPECT_EQ(x.setWorksheetName("a"), -1);
    EXPECT_EQ(printed(), "Error:  Worksheet is not open.  \nCannot name worksheet.\n");
    newBook();
    EXPECT_EQ(x.setWorksheetName("Sheet2"), -1);  // taken
    EXPECT_EQ(x.setWorksheetName("a/b"), -1);
    EXPECT_EQ(x.setWorksheetName(std::string(32, 'n')), -1);
    EXPECT_EQ(printed(), "\nError:  cannot set worksheet name.\n\nError:  cannot set worksheet name.\n"
                         "\nError:  cannot set worksheet name.\n");
    EXPECT_EQ(x.setWorksheetName("Prices"), 0);
    EXPECT_EQ(x.getWorksheetName(name), 0);
    EXPECT_EQ(name, "Prices");
    EXPECT_EQ(x.lastText(), "Prices");
    EXPECT_EQ(x.setChartName("c"), -1);
    EXPECT_EQ(x.getChartName(name), -1);
    EXPECT_EQ(printed(), "Error:  Chart is not open.  \nCannot name chart sheet.\n"
                         "Error:  Chart is not open.  \nCannot get name of chart sheet.\n");
}

TEST_F(ExcelTest, SavingUnderFormatKeywords) {
    static const std::string longName(250, 'n');
    std::filesystem::create_directory("a.b");
    struct Case {
        const char* name;
        const char* keyword;
        const char* file;  // written, or "" for none
        const char* message;
        bool zip;
    };
    const Case cases[] = {
        {"out", "CSV", "out.csv", "", false},
        {"out", "", "out.xlsx", "", true},
        {"out.xls", "Excel9795", "out.xlsx", "Warning:  .xls workbooks cannot be written; saved as %s/out.xlsx.\n", true},
        {"w2", "WorkbookNormal", "w2.xlsx", "Warning:  .xls workbooks cannot be written; saved as %s/w2.xlsx.\n", true},
        {"old.xls", "", "old.xlsx", "Warning:  .xls workbooks cannot be written; saved as %s/old.xlsx.\n", true},
        {"odd", "nosuchformat", "odd.xlsx", "", true},
        {"out.dat", "", "out.dat", "", true},
        {"out", "DBF4", "", "\nError:  file format DBF4 cannot be written by Jex7; use a workbook, CSV or Text format.\n", false},
        {"a.b/out", "CSV", "a.b/out.csv", "", false},
        {"tab", "TextWindows", "tab.txt", "", false},
        {"uni", "unicodetext", "uni.txt", "", false},
        {longName.c_str(), "", "", "\nError:  file name too long in XL command.\n", false},
    };
    for (const Case& c : cases) {
        x.reset();
        printed();
        newBook();
        sheet().setValue(1, 1, Value::str("x"));
        std::string before;
        for (const auto& e : std::filesystem::directory_iterator(".")) before += e.path().string() + ";";
        int result = x.saveAs(c.name, c.keyword, 1);
        EXPECT_EQ(result, *c.file ? 0 : -1) << c.name << " " << c.keyword;
        char message[600];
        std::snprintf(message, sizeof message, c.message, dir.c_str());
        EXPECT_EQ(printed(), message) << c.name << " " << c.keyword;
        EXPECT_TRUE(x.application()->displayAlerts);
        if (*c.file) {
            EXPECT_TRUE(std::filesystem::exists(c.file)) << c.file;
            EXPECT_EQ(readFile(c.file).rfind("PK", 0) == 0, c.zip) << c.file;
            EXPECT_EQ(x.workbook()->path(), dir + "/" + c.file);
            EXPECT_FALSE(x.workbook()->modified);
            std::filesystem::remove(c.file);
        } else {
            std::string after;
            for (const auto& e : std::filesystem::directory_iterator(".")) after += e.path().string() + ";";
            EXPECT_EQ(before, after) << "no file written for " << c.keyword;
        }
    }
}

TEST_F(ExcelTest, SavingNeedsTheLinks) {
    EXPECT_EQ(x.SaveWorksheet("a", "", 1), -1);
    EXPECT_EQ(printed(), "Error:  Excel application not open, so you cannot save the worksheet.\n");
    x.OpenExcel();
    EXPECT_EQ(x.SaveWorksheet("a", "", 1), -1);
    EXPECT_EQ(printed(), "Error:  Workbook is not open, so you cannot save the worksheet.\n");
    newBook();
    x.CloseWorksheet();
    EXPECT_EQ(x.SaveWorksheet("a", "", 1), -1);
    EXPECT_EQ(printed(), "Error:  Worksheet is not open, so you cannot save the worksheet.\n");
    x.OpenSheet("1");
    EXPECT_EQ(x.SaveWorksheet("a", "", 2), 0);
    EXPECT_TRUE(std::filesystem::exists("a.xlsx"));
    // Saving into a directory that does not exist fails with the save message and box.
    EXPECT_EQ(x.SaveWorksheet("nodir/b", "", 2), -1);
    std::string text = printed();
    EXPECT_NE(text.find("\nError:  in Excel::Save Worksheet().\n"), std::string::npos) << text;
    EXPECT_EQ(scripted.platform.boxes.back(), "[Error] Error:  in Excel::Save Worksheet().");
    EXPECT_TRUE(x.application()->displayAlerts);
}

TEST_F(ExcelTest, SaveWithoutANameRewritesTheFileInItsFormat) {
    newBook();
    sheet().setValue(1, 1, Value::num(1));
    ASSERT_EQ(x.saveAs("t", "CSV", 2), 0);
    sheet().setValue(1, 2, Value::num(2));
    ASSERT_EQ(x.saveAs("", "", 2), 0);
    EXPECT_EQ(readFile("t.csv"), "1,2\r\n");
}

TEST_F(ExcelTest, CreatingANamedWorkbookSavesIt) {
    EXPECT_EQ(x.Create("made", "wb", "CSV", ""), 0);
    EXPECT_TRUE(std::filesystem::exists("made.csv"));
    // A refused format is passed on; the workbook stays open and linked.
    EXPECT_EQ(x.Create("bad", "wb", "SYLK", ""), -1);
    EXPECT_NE(x.workbook(), nullptr);
    EXPECT_NE(x.worksheet(), nullptr);
    EXPECT_FALSE(std::filesystem::exists("bad.slk"));
}

TEST_F(ExcelTest, CsvBytesFollowTheCellFormats) {
    newBook();
    Worksheet& s = sheet();
    s.setValue(1, 1, Value::str("x"));
    ASSERT_EQ(x.setFormat("B", 1, "B", 1, "0.00", 'F'), 0);
    s.setValue(1, 2, Value::num(1.5));
    s.setValue(2, 1, Value::str("4/1990"));  // becomes April 1990 in mmm-yy
    EXPECT_EQ(s.style(2, 1).numberFormat, "mmm-yy");
    s.setValue(2, 3, Value::str("a,b"));
    ASSERT_EQ(x.saveAs("s", "CSV", 2), 0);
    EXPECT_EQ(readFile("s.csv"), "x,1.50,\r\nApr-90,,\"a,b\"\r\n");
}

TEST_F(ExcelTest, TextFormatsQuoteAndEncode) {
    newBook();
    Worksheet& s = sheet();
    s.setValue(1, 1, Value::str("say \"hi\""));
    s.setValue(1, 2, Value::str("two\nlines"));
    s.setValue(1, 3, Value::str("caf\xc3\xa9"));  // UTF-8 passes through
    s.setValue(2, 1, Value::num(1234567.891));
    ASSERT_EQ(x.setFormat("A", 2, "A", 2, "#,##0.00", 'F'), 0);
    s.setValue(2, 2, Value::num(0.125));
    ASSERT_EQ(x.setFormat("B", 2, "B", 2, "0.0%", 'F'), 0);
    s.setValue(2, 3, Value::boolean(true));
    s.setFormula(3, 1, "=SUM(A2:B2)");
    s.setValue(3, 2, Value::str("4/1/1990"));
    s.setValue(3, 3, Value::str("t\tab"));
    ASSERT_EQ(x.saveAs("m", "CSVMac", 2), 0);
    EXPECT_EQ(readFile("m.csv"),
              "\"say \"\"hi\"\"\",\"two\nlines\",caf\xc3\xa9\r"
              "\"1,234,567.89\",12.5%,TRUE\r"
              "=SUM(A2:B2),4/1/1990,t\tab\r");
    ASSERT_EQ(x.saveAs("t", "TextMac", 2), 0);
    EXPECT_EQ(readFile("t.txt"),
              "\"say \"\"hi\"\"\"\t\"two\nlines\"\tcaf\xc3\xa9\r"
              "1,234,567.89\t12.5%\tTRUE\r"
              "=SUM(A2:B2)\t4/1/1990\t\"t\tab\"\r");
    ASSERT_EQ(x.saveAs("u", "UnicodeText", 2), 0);
    std::string u = readFile("u.txt");
    ASSERT_GE(u.size(), 4u);
    EXPECT_EQ(u.substr(0, 4), std::string("\xff\xfe\"\0", 4));
    // é is one UTF-16 unit, 0x00e9.
    EXPECT_NE(u.find(std::string("c\0a\0f\0\xe9\0", 8)), std::string::npos);
    // The text files read back as they were.
    ASSERT_EQ(x.OpenWorkbook("u.txt"), 0);
    printed();
    EXPECT_EQ(x.worksheet()->value(1, 3).text, "caf\xc3\xa9");
    EXPECT_EQ(x.worksheet()->value(1, 1).text, "say \"hi\"");
    EXPECT_EQ(x.worksheet()->value(1, 2).text, "two\nlines");
    EXPECT_EQ(x.worksheet()->value(2, 3).kind, Kind::boolean);
    EXPECT_EQ(x.worksheet()->value(3, 2).kind, Kind::date);
}

TEST_F(ExcelTest, Latin1BytesAreWrittenAsTheirCharacters) {
    newBook();
    sheet().setValue(1, 1, Value::str("caf\xe9"));  // not UTF-8: taken as Latin-1
    ASSERT_EQ(x.saveAs("l", "", 2), 0);
    ASSERT_EQ(x.OpenWorkbook("l.xlsx"), 0);
    EXPECT_EQ(x.worksheet()->value(1, 1).text, "caf\xc3\xa9");
}

TEST_F(ExcelTest, OpeningFindsFilesRelativeToTheWorkingDirectory) {
    std::filesystem::create_directories("sub/deeper");
    newBook();
    sheet().setValue(1, 1, Value::num(42));
    ASSERT_EQ(x.saveAs("sub/data", "", 2), 0);
    std::filesystem::current_path("sub/deeper");
    x.CloseWorkbook();
    EXPECT_EQ(x.OpenWorkbook("..\\data.xlsx"), 0);
    EXPECT_EQ(printed(), "Opening " + dir + "/sub/data.xlsx\n");
    EXPECT_EQ(x.worksheet()->value(1, 1).number, 42);
    EXPECT_EQ(x.OpenWorkbook("../../../../../../../../../../../../x.xlsx"), -1);
    EXPECT_EQ(printed(), "Warning:  Workbook already is open.  Closing and continuing....\n\n\nError:  In \"xl open\" command.\nCannot open ../../../../../../../../../../../../x.xlsx\n in directory " +
                             dir + "/sub/deeper.\n\n");
    EXPECT_EQ(x.application(), nullptr);  // the whole link was closed
    EXPECT_EQ(x.OpenWorkbook("missing.xlsx"), -1);
    EXPECT_EQ(printed(), "Warning:  Excel file cannot be found.  Try providing the full path, including the drive letter.\n");
    EXPECT_EQ(x.OpenWorkbook(dir + "/none.xlsx"), -1);
    EXPECT_EQ(printed(), "\nWarning:  File " + dir + "/none.xlsx not found in XL command.\n"
                         "Check the path, and include full path with drive letter if problem persists.\n\n");
    EXPECT_EQ(x.OpenWorkbook(dir + "/sub/data.xlsx"), 0);
    EXPECT_EQ(printed(), "");
    std::filesystem::current_path(dir);
}

// A zip archive of named entries, made with libzip.
std::string makezip(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string path = "made.zip";
    std::filesystem::remove(path);
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* s = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
        zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE);
    }
    zip_close(z);
    std::string out = readFile(path);
    std::filesystem::remove(path);
    return out;
}

std::vector<std::pair<std::string, std::string>> minimalparts(const std::string& sheetData,
                                                              const std::string& strings) {
    return {
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"http://x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"http://x/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"},
        {"xl/sharedStrings.xml", "<sst>" + strings + "</sst>"},
    };
}

TEST_F(ExcelTest, DamagedFilesAreRefusedWithAReason) {
    newBook();
    sheet().setValue(1, 1, Value::num(1));
    ASSERT_EQ(x.saveAs("good", "", 2), 0);
    std::string good = readFile("good.xlsx");
    auto noBook = minimalparts("", "");
    noBook.erase(noBook.begin());
    struct Case { const char* file; std::string bytes; const char* reason; };
    const Case cases[] = {
        {"empty.xlsx", "", "the file is empty"},
        {"cut.xlsx", good.substr(0, 100), "a damaged zip archive"},
        {"text.xlsx", "just some text\n", "not a workbook (not a zip archive)"},
        {"nobook.xlsx", makezip(noBook), "no xl/workbook.xml in the archive"},
        {"a0.xlsx", makezip(minimalparts("<row r=\"1\"><c r=\"A0\"><v>1</v></c></row>", "")),
         "a bad cell reference A0 in xl/worksheets/sheet1.xml"},
        {"sst.xlsx", makezip(minimalparts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row>", "<si><t>only</t></si>")),
         "a shared string index past the table at A1 in xl/worksheets/sheet1.xml"},
        {"old.xls", std::string("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + std::string(504, '\0'),
         "an old binary .xls workbook, which Jex7 does not read; save it as .xlsx in the spreadsheet program and open that"},
    };
    x.CloseWorkbook();
    for (const Case& c : cases) {
        writeFile(c.file, c.bytes);
        printed();
        EXPECT_EQ(x.OpenWorkbook(c.file), -1) << c.file;
        std::string text = printed();
        std::string expectStart = "Error:  cannot read " + dir + "/" + c.file + ": " + c.reason;
        EXPECT_EQ(text.rfind(expectStart, 0), 0u) << text << " expected " << expectStart;
        std::string tail = "\nError:  cannot open Excel server application.\n";
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << c.file;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;  // one reason line
        EXPECT_EQ(x.workbook(), nullptr) << c.file;
        EXPECT_EQ(x.worksheet(), nullptr) << c.file;
    }
    // A sound minimal archive opens.
    writeFile("fine.xlsx", makezip(minimalparts("<row r=\"1\"><c r=\"B1\" t=\"s\"><v>0</v></c><c t=\"b\"><v>1</v></c>"
                                                "<c r=\"D1\" t=\"d\"><v>1990-04-01</v></c><c r=\"E1\" t=\"inlineStr\"><is><t>inl</t></is></c>"
                                                "<c r=\"F1\" t=\"e\"><v>#DIV/0!</v></c><c r=\"G1\" t=\"str\"><f>B1</f><v>s</v></c></row>",
                                                "<si><r><t>jo</t></r><r><t>ined</t></r></si>")));
    ASSERT_EQ(x.OpenWorkbook("fine.xlsx"), 0);
    EXPECT_EQ(x.worksheet()->name(), "S");
    EXPECT_EQ(x.worksheet()->value(1, 2).text, "joined");
    EXPECT_EQ(x.worksheet()->value(1, 3).kind, Kind::boolean);
    EXPECT_EQ(x.worksheet()->value(1, 4).kind, Kind::date);
    EXPECT_EQ(x.worksheet()->value(1, 4).number, 32964);
    EXPECT_EQ(x.worksheet()->value(1, 5).text, "inl");
    EXPECT_EQ(x.worksheet()->value(1, 6).kind, Kind::error);
    EXPECT_EQ(x.worksheet()->value(1, 6).text, "#DIV/0!");
    EXPECT_EQ(x.worksheet()->value(1, 7).text, "s");
    EXPECT_EQ(x.worksheet()->formula(1, 7), "=B1");
}

TEST_F(ExcelTest, UnreadContentIsReportedAndKeptWhenSavedOver) {
    auto parts = minimalparts("<row r=\"1\"><c r=\"A1\"><v>5</v></c><c r=\"IW1\"><v>6</v></c></row>"
                              "<row r=\"70000\"><c r=\"A70000\"><v>7</v></c></row>", "");
    parts[2].second.insert(parts[2].second.find("</worksheet>"), "<drawing r:id=\"rId9\"/>");
    writeFile("big.xlsx", makezip(parts));
    ASSERT_EQ(x.OpenWorkbook("big.xlsx"), 0);
    std::string path = dir + "/big.xlsx";
    EXPECT_EQ(printed(), "Warning:  " + path + " holds cells beyond IV65536 and charts or pictures, which are not read; "
                         "saving over it keeps the old file as " + path + ".bak.\nOpening " + path + "\n");
    EXPECT_EQ(x.worksheet()->value(1, 1).number, 5);
    std::string original = readFile("big.xlsx");
    ASSERT_EQ(x.saveAs("", "", 2), 0);
    EXPECT_EQ(readFile("big.xlsx.bak"), original);
    EXPECT_NE(readFile("big.xlsx"), original);
}

}  // namespace

namespace {

TEST_F(ExcelTest, TextFilesOpenAsTypedCells) {
    writeFile("in.csv", "name,1.5,TRUE\r\n\"a,b\",4/1/1990,3/1991\n\"say \"\"x\"\"\",,-2e3\r\"12\"");
    ASSERT_EQ(x.OpenWorkbook("in.csv"), 0);
    printed();
    Worksheet& s = sheet();
    EXPECT_EQ(s.name(), "in");
    EXPECT_EQ(s.value(1, 1).text, "name");
    EXPECT_EQ(s.value(1, 2).number, 1.5);
    EXPECT_EQ(s.value(1, 3).kind, Kind::boolean);
    EXPECT_EQ(s.value(2, 1).text, "a,b");
    EXPECT_EQ(s.value(2, 2).kind, Kind::date);
    EXPECT_EQ(s.value(2, 2).number, 32964);
    EXPECT_EQ(s.style(2, 3).numberFormat, "mmm-yy");
    EXPECT_EQ(s.value(3, 1).text, "say \"x\"");
    EXPECT_EQ(s.value(3, 2).kind, Kind::empty);
    EXPECT_EQ(s.value(3, 3).number, -2000);
    EXPECT_EQ(s.value(4, 1).kind, Kind::text);  // quoted: a text
    EXPECT_EQ(x.workbook()->fileFormat(), 6);
    // Saved again without a name, it stays a CSV file.
    s.setValue(4, 2, Value::num(7));
    ASSERT_EQ(x.saveAs("", "", 2), 0);
    EXPECT_EQ(readFile("in.csv"), "name,1.5,TRUE\r\n\"a,b\",4/1/1990,Mar-91\r\n\"say \"\"x\"\"\",,-2000\r\n12,7,\r\n");
}

TEST_F(ExcelTest, LongNamesAreRefusedWhenOpening) {
    EXPECT_EQ(x.OpenWorkbook(std::string(250, 'n') + ".xlsx"), -1);
    EXPECT_EQ(printed(), "\nError:  file name too long in XL command.\n");
    EXPECT_EQ(x.OpenWorkbook("/" + std::string(260, 'p')), -1);
    EXPECT_EQ(printed(), "\nError:  file name too long in XL command.\n");
    EXPECT_EQ(x.workbook(), nullptr);
}

TEST_F(ExcelTest, AChartKindAddsAWorkbookAndNoChart) {
    newBook();
    EXPECT_EQ(x.Create("", "chart", "", ""), 0);
    EXPECT_EQ(x.workbook()->name(), "Book2");
    EXPECT_EQ(x.sheetKind(), 1);
    printed();
}

}  // namespace

}  // namespace books_test
