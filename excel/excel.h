// The spreadsheet link `Excel` and its one instance `excelSession`: the program's link to
// the workbook model (excel/workbook_model.h), which stands where a spreadsheet server
// stood. It holds the links to the model's application, workbook, worksheet and chart, the
// missing-value conventions in both directions, the defaults of written and formatted
// cells, and the dates last read from a sheet.
//
// Every operation returns 0 on success and -1 on failure unless stated otherwise, prints its
// own messages through printout, and catches every refusal of the model itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/matrix.h"
#include "excel/jexfont.h"
#include "excel/workbook_model.h"

// The settings of one border request of the xl border command.
struct XLBorderSetting {
    std::string position;   // "" the whole range, else a position word
    int colour = 0;         // BGR; 0 no colour given
    std::string lineStyle;  // "" or a line-style word
    std::string weight;     // "" or a weight word
    std::string clearText;  // "" or "clear"
    // Empties the four texts and sets the colour to -1.
    void clear();
};

// One rule of the xl cf command: a cell-value rule (type beginning with 'v') with its
// operator and one or two formulas, or a formula rule; a cell reference is kept as
// column ":" row with its flag set. The font gives the colour, underline, bold and italic
// of the rule's format; background -1 is none.
struct XLConditFormatSetting {
    std::string type;
    std::string op;
    std::string formula1;
    bool formula1IsCell = false;
    std::string formula2;
    bool formula2IsCell = false;
    XLBorderSetting border;
    JexFont font;
    int background = -1;
    void clear();
};

// The sheet's text for printing, made into a print job; replaceable so that the job goes
// to the print spool of the platform. Returns the file the job was written to, or "" when
// it could not be spooled.
using XLPrintSink = std::string (*)(const std::string& title, bool landscape, const std::string& text);
XLPrintSink setxlprintsink(XLPrintSink sink);
std::string xlspooltext(const std::string& title, bool landscape, const std::string& text);

bool isborderposition(const std::string& word);
bool isborderweight(const std::string& word);
bool islinestyle(const std::string& word);

// A missing code: a text or a single-precision number.
struct MissingCode {
    bool isText = false;
    std::string text;
    float number = 0;
};

class Excel {
public:
    Excel();
    ~Excel();
    Excel(const Excel&) = delete;
    Excel& operator=(const Excel&) = delete;

    // Closes the link and puts every field back to its built state.
    void reset();

    // ---- the link ----
    int OpenExcel();
    int waitIfBusy();
    int CloseExcel();
    int CloseWorkbook();
    int CloseWorksheet();
    int CloseChart();
    int setVisible(int flag);
    int addMissingCode(const std::string& text);
    int addMissingNumber(float number);
    int setPrintMissingAs(const xlmodel::Value& value);
    const xlmodel::Value& printMissingAs() const { return printMissingAs_; }
    void clearMissingCodes();
    int missingCodeCount() const { return static_cast<int>(missingCodes_.size()); }
    const std::vector<MissingCode>& missingCodes() const { return missingCodes_; }
    float missingValue() const { return missingValue_; }
    void setMissingValue(float v) { missingValue_ = v; }

    // ---- workbooks and sheets ----
    int OpenWorkbook(const std::string& fileName);
    int OpenSheet(const std::string& sheet);
    int Create(const std::string& name, const std::string& kind, const std::string& format,
               const std::string& placement);
    int SaveWorksheet(const std::string& fileName, const std::string& format, int mode);
    int saveAs(const std::string& fileName, const std::string& format, int mode);
    int setWorksheetName(const std::string& name);
    int setChartName(const std::string& name);
    int getWorksheetName(std::string& name);
    int getChartName(std::string& name);
    int sheetCount() const { return sheetCount_; }

    // ---- cell addressing ----
    std::string colmath(const std::string& letters) const;
    std::string ColMinusOne(const std::string& letters) const;

    // ---- texts, cell fonts and number blocks ----
    // A text into a cell; an all-digit text becomes a number unless asText is set.
    int WriteString(const std::string& col, int row, const std::string& text, bool asText = false);
    int formatCell(const std::string& col1, int row1, const std::string& col2, int row2,
                   const JexFont& font);
    // Element (j, i) of the 1-based matrix gets the cell in the j-th listed row and the i-th
    // listed column.
    int ReadNumberMatrix(const std::int16_t* cols, int colCount, const std::int16_t* rows,
                         int rowCount, Matrix<float>& matrix);
    JexFont& defaultFont() { return defaultFont_; }
    int decimals() const { return decimals_; }
    // Decimals of written numbers, 0..9; -1 (and no change) outside.
    int setDecimals(int d);

    // ---- writing numbers and dates ----
    // A run of `count` values from the cell (col, row) in the direction 'd', 'u', 'r' or
    // 'l'; dateFrequency 0 writes observations, 1, 2, 4 or 12 writes the values (date
    // numbers) as dates.
    int WriteNumberArray(const std::string& col, int row, char direction, int count,
                         const float* values, int dateFrequency);
    // A block of rowCount rows by colCount columns from (col, row); rows[i][j] goes to
    // column col + j of row row + i.
    int WriteFloatArray(const std::string& col, int row, int colCount, int rowCount,
                        const float* const* rows);
    int setFormatDecimal(const std::string& col1, int row1, const std::string& col2, int row2,
                         int decimals);

    // ---- cell formats, background and borders ----
    int setFormat(const std::string& col1, int row1, const std::string& col2, int row2,
                  const std::string& text, int option);
    int setFormatBackground(const std::string& col1, int row1, const std::string& col2,
                            int row2, const std::string& text, int option);
    int CellBorder(const std::string& col1, int row1, const std::string& col2, int row2,
                   const XLBorderSetting& setting);
    int setDefaultUnderline(const std::string& text);
    int setDefaultHorizontal(const std::string& text);
    int setDefaultVertical(const std::string& text);

    // ---- sheet layout ----
    // The rows and columns of the connected worksheet; -1 without one.
    int rows() const;
    int columns() const;
    int setColWidth(const std::string& col, float width);
    int deleteCol(const std::string& col);
    int setRowHeight(const std::string& row, float height);
    int deleteRow(const std::string& row);
    int setFormula(const std::string& col1, int row1, const std::string& col2, int row2,
                   const std::string& formula);
    int Freeze(const std::string& where, const std::string& rowBefore, const std::string& colBefore,
               const std::string& colAfter, const std::string& rowAfter);
    int setMerge(const std::string& col1, const std::string& row1, const std::string& col2,
                 const std::string& row2, int merge);
    int Superscript(const std::string& col, int row, int start, int length, int subscript,
                    const std::string& text);
    // show: negative leaves the display, 0 hides, other shows; colour: a number text or "".
    int setGridlines(int show, const std::string& colour);

    // ---- printing and conditional formats ----
    int setWorksheetPrintArea(const std::string& col1, int row1, const std::string& col2, int row2);
    int setWorksheetOrientation(const std::string& text);
    int PrintSheet();
    int ConditionalFormat(const std::string& col1, int row1, const std::string& col2, int row2,
                          int count, const XLConditFormatSetting* rules);
    // The default cell font (xl setfont) and background text (xl setbackground).
    int setFont(const JexFont& font);
    int setBackground(const std::string& colour);
    const std::string& background() const { return background_; }

    // ---- reading cells ----
    // 'n' number (or the missing value), 'd' date (its serial), 'a' text, or -1.
    int reportBadValue(const xlmodel::Value& cell, double& number, std::string& text);
    std::string readcell(const std::string& col, const std::string& row);
    int ReadString(const std::string& col, int row, std::string& out, int flag);
    int ReadNumberArray(const std::string& col, int row, char direction, int count,
                        float* values, int flag, int dateAligned);
    int ReadDates(const std::string& col1, int row1, std::string& out, int flag,
                  const std::string& col2, int row2);
    int setFrequency(int frequency);
    int latestDate();
    int earliestDate();
    std::string dateText() const;
    JexDate dateAt(int i) const;
    // Entry i of the date list as program date text; "-1" outside the list or for an
    // entry that holds no date.
    std::string dateListText(int i) const;
    int dateCount() const { return static_cast<int>(dateList_.size()); }
    double dateEntry(int i) const { return dateList_[static_cast<std::size_t>(i)]; }
    int year() const { return year_; }
    int quarter() const { return quarter_; }
    int month() const { return month_; }
    int day() const { return day_; }
    int frequency() const { return frequency_; }
    const std::string& lastText() const { return lastText_; }
    void setLastText(const std::string& text) { lastText_ = text; }
    const std::string& seriesName() const { return seriesName_; }
    void setSeriesName(const std::string& name) { seriesName_ = name; }
    int seriesNameLength() const { return static_cast<int>(seriesName_.size()); }
    bool hasDates() const { return !dateList_.empty(); }
    static constexpr int maxMissingCodes() { return 10; }

    // ---- the links, for the commands and the tests ----
    xlmodel::Application* application() const { return application_.get(); }
    xlmodel::Workbook* workbook() const { return workbook_; }
    xlmodel::Worksheet* worksheet() const { return worksheet_; }
    int sheetKind() const { return sheetKind_; }

private:
    struct CurrentRange {
        xlmodel::Worksheet* sheet = nullptr;
        int row1 = 0, col1 = 0, row2 = 0, col2 = 0;
    };

    void initialDates();
    // The range of two cells of the worksheet, made the current range; ServerError for a
    // column that is not letters or a cell outside the sheet.
    CurrentRange& range(const std::string& col1, int row1, const std::string& col2, int row2);
    // The values of a range (one Value read), which becomes the current range; false when
    // the model refuses the range.
    bool readrange(const std::string& col1, int row1, const std::string& col2, int row2,
                   std::vector<xlmodel::Value>& out);
    void decode(double serial);
    // Closes a workbook in the model with SaveChanges true.
    void closeSaving(xlmodel::Workbook* book);
    int saveFailed();

    std::unique_ptr<xlmodel::Application> application_;
    xlmodel::Workbook* workbook_ = nullptr;
    xlmodel::Worksheet* worksheet_ = nullptr;
    void* chart_ = nullptr;  // the model has no chart sheets: this link stays empty
    CurrentRange current_;
    int sheetKind_ = 0;
    std::vector<MissingCode> missingCodes_;
    xlmodel::Value printMissingAs_ = xlmodel::Value::num(-0.000001f);
    int sheetCount_ = 0;
    float missingValue_ = -0.000001f;
    std::string seriesName_;
    std::string lastText_;
    int decimals_ = 2;
    int defaultUnderline_ = xlmodel::xl::underlineSingle;
    int defaultHorizontal_ = 0;
    int defaultVertical_ = 0;
    JexFont defaultFont_;
    std::string background_;
    std::vector<double> dateList_;
    std::int16_t day_ = 0, month_ = 1, quarter_ = 1, year_ = 2000, frequency_ = 1;
};

extern Excel excelSession;

// The program's global objects: createglobalobjects builds the link afresh (the other two
// global objects, the string store and the resectoring engine, are built by their own
// subsystems); destroyglobalobjects closes it, which tells a running server to quit.
void createglobalobjects();
void destroyglobalobjects();
