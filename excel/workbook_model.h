// The workbook model behind the spreadsheet link: an application with its workbooks, their
// worksheets and cells, kept in this process. It answers the calls the link makes of a
// spreadsheet server (values, number formats, fonts, alignments, fills, borders, sheet
// names, saving) and refuses what such a server refuses by throwing ServerError.
//
// Cells lie in A1..IV65536 (rows 1..65536, columns 1..256); a reference outside is refused.
// Colours are Windows colour values: red in the low byte, then green, then blue.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace xlmodel {

constexpr int maxRows = 65536;
constexpr int maxCols = 256;

// The server's constants, as the link passes them.
namespace xl {
constexpr int none = -4142;
constexpr int underlineSingle = 2, underlineDouble = -4119, underlineSingleAccounting = 4,
              underlineDoubleAccounting = 5;
constexpr int left = -4131, center = -4108, right = -4152, justify = -4130;
constexpr int top = -4160, bottom = -4107;
constexpr int hairline = 1, thin = 2, medium = -4138, thick = 4;
constexpr int continuous = 1, dash = -4115, dashDot = 4, dashDotDot = 5, dot = -4118,
              lineDouble = -4119, slantDashDot = 13;
constexpr int diagonalDown = 5, diagonalUp = 6, edgeLeft = 7, edgeTop = 8, edgeBottom = 9,
              edgeRight = 10, insideVertical = 11, insideHorizontal = 12;
// File formats the model writes.
constexpr int workbookFormat = 51;  // .xlsx
constexpr int noColor = 16777215;   // the largest colour value
}  // namespace xl

// A refusal by the model, with the reason a server would give.
class ServerError : public std::runtime_error {
public:
    explicit ServerError(const std::string& reason) : std::runtime_error(reason) {}
};

// What a cell holds or a Value call passes: empty, a number, a text, a Boolean, an error
// (its text, such as #N/A) or, when read, a date (a number in a date format; the number is
// the date serial, days since 30 December 1899).
enum class Kind : std::uint8_t { empty, number, text, boolean, error, date };

struct Value {
    Kind kind = Kind::empty;
    double number = 0;  // number, date serial, Boolean (1 or 0)
    std::string text;   // text, or the error's text

    static Value num(double x) { return {Kind::number, x, {}}; }
    static Value str(std::string s) { return {Kind::text, 0, std::move(s)}; }
    static Value boolean(bool b) { return {Kind::boolean, b ? 1.0 : 0.0, {}}; }
    static Value error(std::string s) { return {Kind::error, 0, std::move(s)}; }
    static Value date(double serial) { return {Kind::date, serial, {}}; }
};

struct Font {
    std::string name = "Calibri";
    double size = 11;
    bool bold = false;
    bool italic = false;
    int underline = xl::none;  // one of the underline constants
    int color = 0;
    bool operator==(const Font&) const = default;
};

struct BorderLine {
    int lineStyle = xl::none;
    int weight = xl::thin;
    int color = 0;
    bool operator==(const BorderLine&) const = default;
};

// Border slots of a style, in the order of the border index constants 5..10.
enum BorderSlot { diagDown, diagUp, leftEdge, topEdge, bottomEdge, rightEdge, borderSlots };

struct Style {
    std::string numberFormat = "General";
    Font font;
    int horizontal = 0;  // 0 general, else an alignment constant
    int vertical = 0;    // 0 bottom (the default), else an alignment constant
    bool wrap = false;
    int interior = -1;   // fill colour, -1 none
    BorderLine borders[borderSlots];
    bool operator==(const Style&) const = default;
};

// The styles of a workbook, each kept once; index 0 is the default style.
class StyleTable {
public:
    StyleTable();
    std::uint32_t intern(const Style& s);
    const Style& operator[](std::uint32_t i) const { return list_[i]; }
    std::size_t size() const { return list_.size(); }

private:
    std::vector<Style> list_;
    std::unordered_map<std::string, std::uint32_t> index_;
};

struct Cell {
    Kind kind = Kind::empty;
    std::uint32_t style = 0;
    double number = 0;
    std::string text;
};

struct Rect {
    int row1, col1, row2, col2;
};

// Characters of a cell's text raised or lowered: from `start` (1-based), `length` of them.
struct ScriptRun {
    int start = 1;
    int length = 0;
    bool subscript = false;
};

// The server's conditional-format constants.
namespace cf {
constexpr int cellValue = 1, expression = 2;
constexpr int between = 1, notBetween = 2, equal = 3, notEqual = 4, greater = 5, less = 6,
              greaterEqual = 7, lessEqual = 8;
}  // namespace cf

// One conditional-format rule: a cell-value comparison with one or two formulas, or an
// expression (formula 1), and the format it gives: font colour (-1 none), underline (0 not
// set, else an underline constant), bold, italic, fill colour (-1 none).
struct CondRule {
    int type = cf::cellValue;
    int op = cf::between;
    std::string formula1, formula2;
    int fontColor = -1;
    int underline = 0;
    bool bold = false;
    bool italic = false;
    int fill = -1;
};

struct CondFormat {
    Rect range;
    std::vector<CondRule> rules;
};

class Workbook;

class Worksheet {
public:
    Worksheet(Workbook& book, std::string name) : book_(&book), name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    // A new name: 1..31 characters, none of : \ / ? * [ ], not the name of another sheet
    // of the workbook (compared without regard to case); else ServerError.
    void setName(const std::string& name);
    Workbook& book() const { return *book_; }
    // The name a file gives the sheet, taken as it is.
    void setNameUnchecked(const std::string& name) { name_ = name; }

    // Throws ServerError for a reference outside A1..IV65536.
    static void checkCell(int row, int col);
    static void checkRange(int row1, int col1, int row2, int col2);

    // The cell at (row, col), or null when it was never touched.
    const Cell* find(int row, int col) const;
    // The value read from a cell: a number in a date format reads as a date.
    Value value(int row, int col) const;
    // Puts a value as a server does: an omitted (empty) value empties the cell; a text
    // m/yyyy or m/d/yyyy put into a General cell becomes that day's serial in the format
    // mmm-yy or m/d/yyyy; numbers and texts otherwise stay what they are.
    void setValue(int row, int col, const Value& v);
    // A text read from a file: it stays a text whatever it looks like.
    void setTextUnchecked(int row, int col, const std::string& text);
    // The values of a range, row after row.
    std::vector<Value> values(int row1, int col1, int row2, int col2) const;
    // Puts values row after row over a range (values.size() must be the range's size).
    void setValues(int row1, int col1, int row2, int col2, const std::vector<Value>& values);

    // A cell's formula text (with its leading "="), empty when it has none.
    const std::string& formula(int row, int col) const;
    void setFormula(int row, int col, const std::string& text);
    const std::map<std::uint32_t, std::string>& formulas() const { return formulas_; }

    const Style& style(int row, int col) const;
    std::uint32_t styleIndex(int row, int col) const;
    void setStyleIndex(int row, int col, std::uint32_t index);
    // Changes the style of every cell of a range by `change` (called with a Style&).
    template <class Change>
    void changeStyle(int row1, int col1, int row2, int col2, Change change);

    // The smallest range that holds every cell with a value or a style; false when none.
    bool usedRange(Rect& out) const;
    int lastRow() const { return static_cast<int>(rows_.size()); }
    // Makes room for the cells of a row up to a column (a reader that knows its rows).
    void reserveRow(int row, int cols);
    int lastColumn(int row) const;

    // Sheet layout: column widths (characters), row heights (points), merged ranges and
    // frozen panes (the number of frozen rows and columns; 0 for none).
    std::map<int, double> columnWidths;
    std::map<int, double> rowHeights;
    std::vector<Rect> merges;
    int paneRow = 0;
    int paneCol = 0;
    // The window's top-left cell when the panes were frozen (1 when not scrolled).
    int scrollRow = 1;
    int scrollCol = 1;
    // Gridlines shown and their colour (-1 the default colour).
    bool gridlines = true;
    int gridlineColor = -1;
    // Page setup: orientation and print area (row1 0: none).
    bool landscape = false;
    Rect printArea{0, 0, 0, 0};
    // Raised and lowered characters of cells' texts, by cell key.
    std::map<std::uint32_t, std::vector<ScriptRun>> scripts;
    std::vector<CondFormat> conditionalFormats;

    // Deletes a whole row or column: the cells after it move up or left with their
    // formulas, styles, raised characters, heights or widths and merges (references inside
    // formulas are not rewritten).
    void deleteRow(int row);
    void deleteColumn(int col);

    static std::uint32_t key(int row, int col) {
        return (static_cast<std::uint32_t>(row) << 9) | static_cast<std::uint32_t>(col);
    }

private:
    Cell& at(int row, int col);
    void touched();

    Workbook* book_;
    std::string name_;
    std::vector<std::vector<Cell>> rows_;  // rows_[row - 1][col - 1]
    std::map<std::uint32_t, std::string> formulas_;
};

class Workbook {
public:
    explicit Workbook(std::string name) : name_(std::move(name)) {}

    // The workbook's name: Book1 ... for a new one, else the file's name.
    const std::string& name() const { return name_; }
    // The full path of its file; empty for a workbook never saved.
    const std::string& path() const { return path_; }
    int fileFormat() const { return fileFormat_; }
    void setFile(const std::string& path, int format);
    bool modified = false;

    std::vector<std::unique_ptr<Worksheet>>& sheets() { return sheets_; }
    const std::vector<std::unique_ptr<Worksheet>>& sheetsView() const { return sheets_; }
    int sheetCount() const { return static_cast<int>(sheets_.size()); }
    Worksheet& sheet(int i) const;  // 1-based; ServerError outside 1..count
    Worksheet* activeSheet() const;
    void activate(Worksheet& sheet);
    // A new sheet named SheetN (the next free number) before or after `at` (null: at the end).
    Worksheet& addSheet(Worksheet* at, bool before);
    Worksheet* findSheet(const std::string& name) const;  // without regard to case

    StyleTable styles;

    // What opening the file could not read (cells beyond IV65536, charts, pictures,
    // comments): saving over that file first keeps it as <name>.bak.
    std::string unreadContent;

private:
    std::string name_;
    std::string path_;
    int fileFormat_ = xl::workbookFormat;
    std::vector<std::unique_ptr<Worksheet>> sheets_;
    Worksheet* active_ = nullptr;
};

class Application {
public:
    bool visible = false;
    bool screenUpdating = true;
    bool displayAlerts = true;
    int sheetsInNewWorkbook = 3;

    std::vector<std::unique_ptr<Workbook>>& workbooks() { return workbooks_; }
    Workbook* activeWorkbook() const { return active_; }
    Worksheet* activeSheet() const { return active_ ? active_->activeSheet() : nullptr; }
    // A new workbook Book1, Book2 ... with sheetsInNewWorkbook sheets.
    Workbook& addWorkbook();
    // Opens a workbook file (.xlsx, .csv, .txt); ServerError with the reason when it cannot
    // be read. `warning` receives what was left unread, or stays empty.
    Workbook& openWorkbook(const std::string& path, std::string& warning);
    // Drops a workbook from the application (saving is the caller's).
    void closeWorkbook(Workbook* book);
    void activate(Workbook* book) { active_ = book; }

private:
    std::vector<std::unique_ptr<Workbook>> workbooks_;
    Workbook* active_ = nullptr;
    int nextBook_ = 1;
};

// Identity of a style for the style table.
std::string stylekey(const Style& s);

template <class Change>
void Worksheet::changeStyle(int row1, int col1, int row2, int col2, Change change) {
    checkRange(row1, col1, row2, col2);
    // Cells that share a style get the same new style: remember each old-to-new pair.
    std::unordered_map<std::uint32_t, std::uint32_t> done;
    for (int r = row1; r <= row2; ++r)
        for (int c = col1; c <= col2; ++c) {
            std::uint32_t old = styleIndex(r, c);
            auto it = done.find(old);
            if (it == done.end()) {
                Style s = book_->styles[old];
                change(s);
                it = done.emplace(old, book_->styles.intern(s)).first;
            }
            setStyleIndex(r, c, it->second);
        }
}

}  // namespace xlmodel
