// The grid of Vam data: the show command puts one element of a Vam bank (a vector or a matrix
// over the bank's periods, one matrix row or column, or one year of a matrix) into an editable
// grid that saves back into the bank. At most one such window exists; the next show and the
// bank's closing close it (asking first whether to save edits).
//
// Console choices: Select l t r b (the data cells selected), Edit cell col row text (the text
// typed into a cell), Press col row (a mouse press: the top-left cell fits the columns, a
// title shows its long text). The menu: File (Save, Close), Edit (Delete, Copy, Paste),
// Options (Display).
#pragma once

#include <string>
#include <vector>

#include "core/date.h"
#include "shell/form.h"
#include "shell/mainform.h"
#include "views/view_window.h"

class DataBank;

// The default column width of the grid (pixels), set by the options dialog; not kept.
extern short showColumnWidth;

// What the show command hands the grid (its steps 8 and 9).
struct VamGridData {
    char view = 'x';                 // 'x' whole, 'r' row, 'c' column, 'y' one year
    std::string elementLabel;        // the loaded element's name, as the bank holds it
    std::string elementName;         // the name from the show command
    float viewNumber = 0;            // row or column number, or the year of a 'y' view
    int slot = 0;                    // bank slot 0..25
    DataBank* bank = nullptr;
    std::string caption;             // the bank's title
    JexDate firstDate;               // the bank's first date
    std::vector<std::string> rowTitles, columnTitles;
    // The loaded table: `tableRows` rows of `tableCount` values (a row per period for the
    // views x, r and c; a row per matrix row for a 'y' view).
    int tableRows = 0, tableCount = 0;
    std::vector<float> table;
    int firstRow = 1;                // the first sector shown
    int firstColumn = 1;             // the first date's period (1 the first) or year-view column
};

class TShowFm : public ViewWindow {
public:
    TShowFm();

    std::string ElementLabel;
    char ViewType = 'x';
    char GridModified = 'n';
    short Decimals = 2;
    float ViewNumber = 0;
    JexDate FirstDate;
    char ClosedByBank = 'n';
    std::string EditStartText;
    char WindowClosed = 'n';
    DataBank* ShownBank = nullptr;
    int BankSlot = 0;
    std::string ElementName;
    int DataRows = 0, DataCols = 0;
    std::vector<std::string> RowTitles, ColumnTitles;

    // The grid.
    int colCount = 0, rowCount = 0, fixedRows = 1;
    static constexpr int fixedCols = 2;
    GridRect selection;
    int defaultColWidth = 60, defaultRowHeight = 18;
    std::vector<int> colWidths;  // pixels
    int color = 0xFFFFFF, fixedColor = 0xC0C0C0;
    WindowFont font;
    std::string hint;
    bool showHint = false;

    // Fills the window from the show command (the data, the titles, the grid's size, the
    // first row and column, the selection at the top-left data cell).
    void fill(const VamGridData& data);
    // Values[a][b] counted from 1: [column][row] for the views x, r and c, [row][column] for
    // a 'y' view.
    float& value(int a, int b);
    float value(int a, int b) const;

    std::string cellText(int column, int row, bool hint) const;
    void autoSize();
    std::string ShowGrdGetEditText(int column, int row);
    void ShowGrdSetEditText(int column, int row, const std::string& text);
    void ShowGrdMouseDown(int column, int row);
    void ShowGrdExit();
    void CopyClick();
    void PasteClick();
    void DeleteClick();
    void Display1Click();
    void Save1Click();
    void FormShow();
    // Closed by the next show or by the bank: the save question, then the data is freed.
    void closeForBank();

    std::string consoleText() const override;

protected:
    bool choice(const std::string& word) override;
    bool closing() override;  // FormClose
    bool escapeKey() override;
    void defaultClose() override { ShowGrdExit(); }

private:
    std::vector<float> values_;
    int minor_ = 0;  // the second index's extent, plus one
    void freeData();
};

// The window while it exists (null before the first show and after it was forgotten).
extern TShowFm* ShowFm;

// The options dialog "Specify Options for Show Command".
class TShwOptFm : public Form {
public:
    TShwOptFm();
    void ShwOptOkBtnClick();
};
extern TShwOptFm ShwOptFm;

// Closes the grid window (the save question first, for unsaved edits) and forgets it.
void closevamgrid();
// The same when `bank` is the one the window shows (the bank is being deleted).
void closevamgridofbank(const DataBank* bank);
// Makes the grid window for the show command and shows it: modal while an add file runs
// (it is forgotten once closed), else without waiting.
void showvamgrid(const VamGridData& data);

// The leading decimal number of a text (sign, digits, point, digits), 0 when there is none;
// held to the float range.
float leadingnumber(const std::string& text);
// The fields of one line by the comma-text rule: fields end at a comma or at a blank, tab or
// other control character; double quotes group (two inside stand for one); blanks between
// fields are skipped, and two commas enclose an empty field.
std::vector<std::string> commafields(const std::string& line);
