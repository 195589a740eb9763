// The spreadsheet link: its built state, starting and quitting the model's application,
// closing links, visibility and the missing codes.
#include "tests/excel/excel_fixture.h"

namespace link_test {

namespace {

using exceltest::ExcelTest;
using namespace xlmodel;

TEST_F(ExcelTest, FreshLinkHoldsTheYear2000Annual) {
    EXPECT_EQ(x.year(), 2000);
    EXPECT_EQ(x.month(), 1);
    EXPECT_EQ(x.quarter(), 1);
    EXPECT_EQ(x.day(), 0);
    EXPECT_EQ(x.frequency(), 1);
    EXPECT_EQ(x.application(), nullptr);
    EXPECT_EQ(x.decimals(), 2);
    EXPECT_EQ(x.missingValue(), -0.000001f);
    EXPECT_EQ(x.printMissingAs().kind, Kind::number);
    EXPECT_EQ(static_cast<float>(x.printMissingAs().number), -0.000001f);
}

TEST_F(ExcelTest, StartingTwiceQuitsTheOldApplication) {
    ASSERT_EQ(x.OpenExcel(), 0);
    Application* first = x.application();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->visible);
    EXPECT_FALSE(first->screenUpdating);
    EXPECT_EQ(first->sheetsInNewWorkbook, 3);
    x.application()->addWorkbook();
    ASSERT_EQ(x.OpenExcel(), 0);
    EXPECT_EQ(printed(), "\nWarning:  Excel already is running.  Closing and reopening Excel...\n");
    EXPECT_TRUE(x.application()->workbooks().empty());  // the old one went with its server
    EXPECT_FALSE(x.application()->visible);
}

TEST_F(ExcelTest, VisibilityNeedsTheApplication) {
    EXPECT_EQ(x.setVisible(1), -1);
    EXPECT_EQ(printed(), "Warning:  Excel is not running, so cannot make invisible.\n");
    x.OpenExcel();
    EXPECT_EQ(x.setVisible(1), 0);
    EXPECT_TRUE(x.application()->visible && x.application()->screenUpdating);
    EXPECT_EQ(x.setVisible(0), 0);
    EXPECT_FALSE(x.application()->visible || x.application()->screenUpdating);
    EXPECT_EQ(x.waitIfBusy(), 0);  // never busy
    x.CloseExcel();
    EXPECT_EQ(x.waitIfBusy(), -1);
}

TEST_F(ExcelTest, ClosingAWorkbookWithoutASheetLinkOnlyDropsTheLink) {
    newBook();
    Workbook* book = x.workbook();
    sheet().setValue(1, 1, Value::num(1));
    x.CloseWorksheet();
    EXPECT_EQ(x.sheetKind(), 0);
    EXPECT_EQ(x.CloseWorkbook(), 0);
    EXPECT_EQ(x.workbook(), nullptr);
    ASSERT_EQ(x.application()->workbooks().size(), 1u);  // still open in the application
    EXPECT_EQ(x.application()->workbooks()[0].get(), book);
    EXPECT_EQ(printed(), "");
}

TEST_F(ExcelTest, ClosingAModifiedWorkbookSavesIt) {
    newBook();
    ASSERT_EQ(x.saveAs("kept", "", 1), 0);
    sheet().setValue(2, 2, Value::num(7));
    EXPECT_TRUE(x.workbook()->modified);
    ASSERT_EQ(x.CloseWorkbook(), 0);
    EXPECT_TRUE(x.application()->workbooks().empty());
    ASSERT_EQ(x.OpenWorkbook("kept.xlsx"), 0);
    EXPECT_EQ(x.worksheet()->value(2, 2).number, 7);
}

TEST_F(ExcelTest, ClosingANewModifiedWorkbookAsksForAName) {
    newBook();
    sheet().setValue(1, 1, Value::str("x"));
    // In a batch run the box gives no name: the workbook closes unsaved.
    EXPECT_EQ(x.CloseWorkbook(), 0);
    EXPECT_EQ(printed(), "Warning:  workbook Book1 was closed without saving.\n");
    EXPECT_TRUE(x.application()->workbooks().empty());

    newBook();
    sheet().setValue(1, 1, Value::str("y"));
    scripted.platform.answers.push_back("named");
    EXPECT_EQ(x.CloseWorkbook(), 0);
    EXPECT_TRUE(std::filesystem::exists("named.xlsx"));
    // An unmodified new workbook closes without a question.
    newBook();
    EXPECT_EQ(x.CloseWorkbook(), 0);
    EXPECT_EQ(printed(), "");
}

TEST_F(ExcelTest, ClosingTheLinkQuitsWithAlertsOnAndAVisibleServer) {
    newBook();
    EXPECT_EQ(x.CloseExcel(), 0);
    EXPECT_EQ(x.application(), nullptr);
    EXPECT_EQ(x.workbook(), nullptr);
    EXPECT_EQ(x.worksheet(), nullptr);
    EXPECT_EQ(x.CloseExcel(), 0);  // nothing left to close
}

TEST_F(ExcelTest, MissingCodes) {
    EXPECT_EQ(x.addMissingCode("NA"), 0);
    EXPECT_EQ(x.addMissingCode("NA"), 0);  // dropped again
    EXPECT_EQ(x.missingCodeCount(), 1);
    EXPECT_EQ(x.addMissingCode("1"), 0);
    EXPECT_EQ(x.addMissingNumber(1), 0);  // the text 1 and the number 1 are two codes
    EXPECT_EQ(x.missingCodeCount(), 3);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(x.addMissingNumber(static_cast<float>(10 + i)), 0);
    EXPECT_EQ(x.missingCodeCount(), 10);
    EXPECT_EQ(x.addMissingCode("eleventh"), -1);
    EXPECT_EQ(x.addMissingNumber(99), -1);
    EXPECT_EQ(x.missingCodeCount(), 10);
    EXPECT_EQ(printed(), "");
    x.setMissingValue(-99);
    x.clearMissingCodes();
    EXPECT_EQ(x.missingCodeCount(), 0);
    EXPECT_EQ(x.missingValue(), -0.000001f);
}

TEST_F(ExcelTest, GlobalObjectsBuildAndCloseTheSessionLink) {
    createglobalobjects();
    ASSERT_EQ(excelSession.OpenWorkbook(""), 0);
    destroyglobalobjects();
    EXPECT_EQ(excelSession.application(), nullptr);
    createglobalobjects();
    EXPECT_EQ(excelSession.year(), 2000);
    printed();
}

}  // namespace

}  // namespace link_test
