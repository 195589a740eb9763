// The grid of Vam data on a bank made by vamcreate: the cells of each view, edits, paste,
// delete, the options dialog, and Save, which writes back into the .vam file exactly the
// values that changed; the failures of Save keep the edits marked.
#include <fcntl.h>
#include <unistd.h>

#include <cfloat>

#include "banks/other_commands.h"
#include "platform/clipboard.h"
#include "shell/mainform.h"
#include "tests/vam/vam_fixture.h"
#include "views/vam_grid.h"

namespace vam_grid_test {

using vamtest::f32at;
using vamtest::readFile;
using vamtest::writeText;

// hist, 1990-1992: the vector x (3 sectors) and the matrix am (3 rows, 4 columns), with
// x[n] = 10 k + n and am(r, c) = 100 k + 10 r + c in period k (from 0).
class VamGrid : public vamtest::VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        writeText("rows.txt", "Farms;Agriculture\nMines;Mining\nMills;Manufacturing\n");
        writeText("cols.txt", "c1\nc2\nc3\nc4\n");
        create("1990 1992\nx 3 1 0 rows.txt\nam 3 4 0 rows.txt cols.txt\n");
        std::vector<float> all;
        for (int k = 0; k < 3; ++k) {
            for (int n = 1; n <= 3; ++n) all.push_back(10.0f * k + n);
            for (int r = 1; r <= 3; ++r)
                for (int c = 1; c <= 4; ++c) all.push_back(100.0f * k + 10 * r + c);
        }
        const auto bytes = readFile("hist.vam");
        poke("hist.vam", bytes.size() - 4 * all.size(), all);
        ASSERT_EQ(typed(bankcmd, 'v', "hist b"), 0);
        vam = dynamic_cast<VamFile*>(bankSlots[1]);
        ASSERT_NE(vam, nullptr);
        keyboardInput = 'y';
        showDecimals = 2;
        clearOutput();
    }
    void TearDown() override {
        closevamgrid();
        platform::clipboard().clear();
        VamTest::TearDown();
    }
    // show on a typed line, with the answers the window (and its dialogs) take.
    int show(const std::string& line, std::vector<std::string> answers = {}) {
        for (auto& a : answers) screen.platform.answers.push_back(a);
        return typed(showcmd, line);
    }
    float fileCell(int element, int k, int n) { return cell("hist.vam", *vam, element, k, n); }

    VamFile* vam = nullptr;
};

TEST_F(VamGrid, VectorViewHasAColumnPerPeriodAndPrintsItsCells) {
    ASSERT_EQ(show("b.x"), 0);
    ASSERT_NE(ShowFm, nullptr);
    TShowFm& g = *ShowFm;
    EXPECT_EQ(g.colCount, 3 + 2);  // three periods, not one past them
    EXPECT_EQ(g.rowCount, 3 + 1);
    EXPECT_EQ(g.cellText(1, 0, false), "x");
    EXPECT_EQ(g.cellText(2, 0, false), "1990");
    EXPECT_EQ(g.cellText(4, 0, false), "1992");
    EXPECT_EQ(g.cellText(0, 3, false), "3");
    EXPECT_EQ(g.cellText(1, 1, false), "Farms");
    EXPECT_EQ(g.cellText(1, 1, true), "Agriculture");
    EXPECT_EQ(g.cellText(3, 2, false), "     12.00");  // sector 2 in 1991
    EXPECT_EQ(g.cellText(5, 1, false), "");
    ASSERT_FALSE(screen.platform.forms.empty());
    EXPECT_EQ(screen.platform.forms[0],
              "\n"
              "   x      1990   1991   1992\n"
              "1  Farms  1.00  11.00  21.00\n"
              "2  Mines  2.00  12.00  22.00\n"
              "3  Mills  3.00  13.00  23.00\n");
    // A cell past the last period takes nothing: the grid stays unmodified.
    g.ShowGrdSetEditText(5, 1, "9");
    g.ShowGrdSetEditText(2, 4, "9");
    EXPECT_EQ(g.GridModified, 'n');
}

TEST_F(VamGrid, SaveWritesOnlyTheEditedValue) {
    const auto before = readFile("hist.vam");
    ASSERT_EQ(show("b.x", {"Edit cell 3 2 12.5abc", "File/Save"}), 0);
    EXPECT_EQ(ShowFm->GridModified, 'n');
    const auto after = readFile("hist.vam");
    ASSERT_EQ(after.size(), before.size());
    const std::size_t at = static_cast<std::size_t>(vam->elementPos(vam->findser("x"), 1)) + 4;
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) changed.push_back(i);
    ASSERT_FALSE(changed.empty());
    EXPECT_GE(changed.front(), at);
    EXPECT_LT(changed.back(), at + 4);
    EXPECT_EQ(f32at(after, at), 12.5f);
}

TEST_F(VamGrid, TitleAndHeaderCellsTakeNoEdits) {
    ASSERT_EQ(show("b.x", {"Edit cell 1 2 99", "Edit cell 2 0 7", "Edit cell 0 1 5"}), 0);
    EXPECT_EQ(ShowFm->GridModified, 'n');
    EXPECT_EQ(ShowFm->cellText(1, 2, false), "Mines");
    EXPECT_EQ(ShowFm->cellText(2, 0, false), "1990");
}

TEST_F(VamGrid, YearViewHoldsTheMatrixOfOneYear) {
    ASSERT_EQ(show("b.am y 1991", {"Edit cell 3 4 -7.25", "File/Save"}), 0);
    TShowFm& g = *ShowFm;
    EXPECT_EQ(g.colCount, 4 + 2);
    EXPECT_EQ(g.rowCount, 3 + 2);
    EXPECT_EQ(g.cellText(1, 0, false), "am");
    EXPECT_EQ(g.cellText(1, 1, false), "1991");
    EXPECT_EQ(g.cellText(2, 0, false), "1");
    EXPECT_EQ(g.cellText(0, 2, false), "1");
    EXPECT_EQ(g.cellText(1, 3, false), "Mines");
    EXPECT_EQ(g.cellText(4, 1, false), "c3");
    EXPECT_EQ(g.cellText(5, 4, false), "    134.00");  // row 3, column 4 of 1991
    // Row 3, column 2 of 1991 was written; its neighbours kept.
    const int am = vam->findser("am");
    EXPECT_EQ(fileCell(am, 1, 2 * 4 + 1), -7.25f);
    EXPECT_EQ(fileCell(am, 1, 2 * 4 + 0), 131.0f);
    EXPECT_EQ(fileCell(am, 0, 2 * 4 + 1), 32.0f);
}

TEST_F(VamGrid, RowAndColumnViewsLabelTheirLine) {
    struct Case {
        const char* line;
        const char* label;
        int rows, cols;
        const char* firstTitle;
        const char* lastValue;
    } cases[] = {
        {"b.am r 2", "am r2", 4, 3, "c1", "    224.00"},
        {"b.am c 3", "am c3", 3, 3, "Farms", "    233.00"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(show(c.line), 0) << c.line;
        TShowFm& g = *ShowFm;
        EXPECT_EQ(g.cellText(1, 0, false), c.label);
        EXPECT_EQ(g.DataRows, c.rows) << c.line;
        EXPECT_EQ(g.DataCols, c.cols) << c.line;
        EXPECT_EQ(g.cellText(1, 1, false), c.firstTitle) << c.line;
        EXPECT_EQ(g.cellText(g.colCount - 1, g.rowCount - 1, false), c.lastValue) << c.line;
    }
}

TEST_F(VamGrid, SaveFailuresKeepTheEditsMarked) {
    ASSERT_EQ(show("b.x", {"Edit cell 2 1 4"}), 0);
    TShowFm& g = *ShowFm;
    ASSERT_EQ(g.GridModified, 'y');

    // The slot of the bank looks free: nothing is written.
    bankTypes[1] = ' ';
    g.Save1Click();
    bankTypes[1] = 'v';
    EXPECT_THAT(output(), ::testing::HasSubstr("Bank b no longer assigned.  Cannot save changes.\n"));
    EXPECT_EQ(g.GridModified, 'y');

    // Another bank in the slot.
    clearOutput();
    g.ShownBank = nullptr;
    g.Save1Click();
    g.ShownBank = vam;
    EXPECT_THAT(output(), ::testing::HasSubstr("The bank assigned as b has changed.  Cannot save changes.\n"));
    EXPECT_EQ(g.GridModified, 'y');
    EXPECT_EQ(fileCell(vam->findser("x"), 0, 0), 1.0f);

    // A store that cannot write: the bank's file descriptor made read-only.
    const int fd = fileno(vam->file());
    const int readOnly = ::open("hist.vam", O_RDONLY);
    ASSERT_GE(readOnly, 0);
    const int saved = ::dup(fd);
    ASSERT_EQ(::dup2(readOnly, fd), fd);
    g.Save1Click();
    EXPECT_EQ(g.GridModified, 'y');
    ASSERT_EQ(::dup2(saved, fd), fd);
    ::close(saved);
    ::close(readOnly);
    g.Save1Click();
    EXPECT_EQ(g.GridModified, 'n');
    EXPECT_EQ(fileCell(vam->findser("x"), 0, 0), 4.0f);
}

TEST_F(VamGrid, CloseAsksTheSaveQuestion) {
    // Cancel: the window stays with its edits; No: the edits go; Yes: saved, then closed.
    ASSERT_EQ(show("b.x", {"Edit cell 2 1 4", "Close", "Cancel"}), 0);
    ASSERT_TRUE(ShowFm->visible());
    EXPECT_EQ(ShowFm->cellText(2, 1, false), "      4.00");
    EXPECT_EQ(ShowFm->GridModified, 'y');
    screen.platform.answers = {"No"};
    EXPECT_TRUE(ShowFm->close());
    EXPECT_EQ(ShowFm->DataRows, 0);
    EXPECT_EQ(fileCell(vam->findser("x"), 0, 0), 1.0f);

    ASSERT_EQ(show("b.x", {"Edit cell 2 1 4", "Close", "Yes"}), 0);
    EXPECT_FALSE(ShowFm->visible());
    EXPECT_EQ(ShowFm->WindowClosed, 'y');
    EXPECT_EQ(fileCell(vam->findser("x"), 0, 0), 4.0f);
}

TEST_F(VamGrid, ClosingTheBankAsksBeforeTheDataGo) {
    ASSERT_EQ(show("b.x", {"Edit cell 4 3 8"}), 0);
    screen.platform.answers = {"Yes"};
    ASSERT_EQ(typed(closecmd, "b"), 0);
    EXPECT_EQ(ShowFm, nullptr);
    ASSERT_FALSE(screen.platform.forms.empty());
    EXPECT_NE(screen.platform.forms.back().find("[Save Query]"), std::string::npos);
    VamFile* reopened = open();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(cell("hist.vam", *reopened, reopened->findser("x"), 2, 2), 8.0f);
}

TEST_F(VamGrid, PasteStoresTheFieldsThatFit) {
    ASSERT_EQ(show("b.x", {"Select 3 1 3 1"}), 0);  // two columns before the last one
    TShowFm& g = *ShowFm;
    platform::clipboard().setText("1 2 3\r\n4,5,6\n\"7\" x y\n8 8 8");
    g.PasteClick();
    EXPECT_EQ(g.cellText(3, 1, false), "      1.00");
    EXPECT_EQ(g.cellText(4, 1, false), "      2.00");
    EXPECT_EQ(g.cellText(3, 2, false), "      4.00");
    EXPECT_EQ(g.cellText(4, 2, false), "      5.00");
    EXPECT_EQ(g.cellText(3, 3, false), "      7.00");
    EXPECT_EQ(g.cellText(4, 3, false), "      0.00");  // a word reads as 0
    EXPECT_EQ(g.cellText(2, 1, false), "      1.00");  // left of the selection: kept
    EXPECT_EQ(g.GridModified, 'y');

    // Nothing on the clipboard: the error box, nothing changed.
    platform::clipboard().clear();
    g.GridModified = 'n';
    g.PasteClick();
    EXPECT_EQ(g.GridModified, 'n');
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_EQ(screen.platform.boxes.back(), "[Error] Paste failed. Unsupported clipboard format!");
}

TEST_F(VamGrid, DeleteAsksOnlyForABlock) {
    ASSERT_EQ(show("b.x", {"Select 2 1 2 1"}), 0);
    TShowFm& g = *ShowFm;
    g.DeleteClick();
    EXPECT_TRUE(screen.platform.boxes.empty());
    EXPECT_EQ(g.cellText(2, 1, false), "      0.00");

    ASSERT_TRUE(g.answer("Select 2 2 3 3"));
    screen.platform.answers = {"No"};
    g.DeleteClick();
    ASSERT_EQ(screen.platform.boxes.size(), 1u);
    EXPECT_EQ(screen.platform.boxes[0], "[Confirm] Delete selected cells?");
    EXPECT_EQ(g.cellText(3, 3, false), "     13.00");
    screen.platform.answers = {"Yes"};
    g.DeleteClick();
    for (int c = 2; c <= 3; ++c)
        for (int r = 2; r <= 3; ++r) EXPECT_EQ(g.cellText(c, r, false), "      0.00");
    EXPECT_EQ(g.cellText(4, 3, false), "     23.00");
}

TEST_F(VamGrid, OptionsDefaultDecimalsApplyHereToo) {
    ASSERT_EQ(show("b.x"), 0);
    screen.platform.answers = {"DefDecPlacesEd=4", "LocDecPlacesEd=1", "OK"};
    ShowFm->Display1Click();
    EXPECT_EQ(showDecimals, 4);
    EXPECT_EQ(ShowFm->Decimals, 4);
    EXPECT_EQ(ShowFm->cellText(2, 1, false), "    1.0000");
    // The same default again: the local value holds for this window only.
    screen.platform.answers = {"LocDecPlacesEd=0", "OK"};
    ShowFm->Display1Click();
    EXPECT_EQ(showDecimals, 4);
    EXPECT_EQ(ShowFm->cellText(2, 1, false), "         1");
    showDecimals = 2;
    showColumnWidth = 80;
}

TEST_F(VamGrid, PressingATitleShowsItsLongText) {
    ASSERT_EQ(show("b.x", {"Press 1 3"}), 0);
    EXPECT_EQ(ShowFm->hint, "Manufacturing");
    ASSERT_FALSE(screen.platform.notices.empty());
    EXPECT_EQ(screen.platform.notices.back(), "[Hint] Manufacturing");
}

TEST(VamGridText, LeadingNumberAndCommaFields) {
    struct Number {
        const char* text;
        float value;
    } numbers[] = {{"12.5abc", 12.5f}, {"  -3", -3.0f}, {"abc", 0.0f}, {"", 0.0f}, {".5", 0.5f},
                   {"-.", 0.0f},       {"1e3", 1.0f},   {"+7.", 7.0f}, {"nan", 0.0f}};
    for (const Number& n : numbers) EXPECT_EQ(leadingnumber(n.text), n.value) << n.text;
    EXPECT_EQ(leadingnumber(std::string(400, '9')), FLT_MAX);

    struct Fields {
        const char* line;
        std::vector<std::string> fields;
    } lines[] = {
        {"a b\tc", {"a", "b", "c"}},
        {"  a , b ,c ", {"a", "b", "c"}},
        {"a,,b", {"a", "", "b"}},
        {"\"x y\",z", {"x y", "z"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"open", {"open"}},
        {"", {}},
        {"a,", {"a"}},
    };
    for (const Fields& f : lines) EXPECT_EQ(commafields(f.line), f.fields) << f.line;
}

}  // namespace vam_grid_test
