// Sheet layout, printing and conditional formats through the spreadsheet link: widths and
// heights, deleted rows and columns, formulas, frozen panes, merges, raised and lowered
// characters, gridlines, orientation, print area, printing, conditional-format rules, and
// the default cell font and background.
#include <cerrno>
#include <cstdlib>
#include <exception>

#include "banks/lookup.h"
#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "excel/link_internal.h"
#include "excel/workbook_files.h"
#include "platform/printspool.h"

using namespace xlmodel;
using xllink::textint;
using xllink::underlinefromchar;

namespace {

int columnof(const std::string& letters) {
    int c = colnumber(letters);
    if (c < 1 || c > maxCols) throw ServerError("a bad column: " + letters);
    return c;
}

std::string defaultprintsink(const std::string& title, bool landscape, const std::string& text) {
    platform::PrintJob job;
    job.title = title;
    job.landscape = landscape;
    job.text = true;
    job.content = text;
    return platform::spoolPrintJob(job);
}

XLPrintSink printSink = defaultprintsink;

// The server's operator of a rule's operator text; 0 for a text it does not know.
int conditionoperator(const std::string& op) {
    static const struct { const char* text; int op; } table[] = {
        {"><", cf::between}, {"<>", cf::notBetween}, {"==", cf::equal}, {"!=", cf::notEqual},
        {">", cf::greater},  {"<", cf::less},        {">=", cf::greaterEqual}, {"<=", cf::lessEqual}};
    for (const auto& t : table)
        if (op == t.text) return t.op;
    return 0;
}

// A rule's formula: a cell kept as column ":" row becomes the absolute reference =$B$5.
std::string ruleformula(const std::string& text, bool isCell) {
    if (!isCell) return text;
    std::size_t colon = text.find(':');
    if (colon == std::string::npos) throw ServerError("a bad cell reference: " + text);
    std::string col = text.substr(0, colon);
    int row = textint(text.substr(colon + 1));
    Worksheet::checkCell(row, columnof(col));
    return "=$" + col + "$" + std::to_string(row);
}

}  // namespace

XLPrintSink setxlprintsink(XLPrintSink sink) {
    XLPrintSink old = printSink;
    printSink = sink ? sink : defaultprintsink;
    return old;
}

std::string xlspooltext(const std::string& title, bool landscape, const std::string& text) {
    return printSink(title, landscape, text);
}

void XLConditFormatSetting::clear() {
    type.clear();
    op.clear();
    formula1.clear();
    formula2.clear();
    formula1IsCell = formula2IsCell = false;
    border.clear();
    font = JexFont();
    background = -1;
}

int Excel::rows() const { return worksheet_ ? maxRows : -1; }
int Excel::columns() const { return worksheet_ ? maxCols : -1; }

// ---- widths, heights, deletions ----

int Excel::setColWidth(const std::string& col, float width) {
    if (!worksheet_) {
        printout("Error:  in \"Excel::setColWidth()\",\nworksheet is not open.\n");
        return -1;
    }
    try {
        CurrentRange& r = range(col, 1, col, 1);
        if (!(width >= 0 && width <= 255)) throw ServerError("a column width lies in 0..255");
        worksheet_->columnWidths[r.col1] = width;
        worksheet_->book().modified = true;
    } catch (const std::exception&) {
        printout("\nError:  in Excel setColWidth() function.\n");
        return -1;
    }
    return 0;
}

int Excel::deleteCol(const std::string& col) {
    if (!worksheet_) {
        printout("Error:  in \"Excel::deleteCol()\",\nworksheet is not open.\n");
        return -1;
    }
    try {
        CurrentRange& r = range(col, 1, col, 1);
        worksheet_->deleteColumn(r.col1);
    } catch (const std::exception&) {
        printout("\nError:  in Excel deleteCol() function.\n");
        return -1;
    }
    return 0;
}

int Excel::setRowHeight(const std::string& row, float height) {
    if (!worksheet_) {
        printout("Error:  in \"Excel::setRowHeight()\",\nworksheet is not open.\n");
        return -1;
    }
    try {
        CurrentRange& r = range("A", textint(row), "A", textint(row));
        if (!(height >= 0 && height <= 409)) throw ServerError("a row height lies in 0..409");
        worksheet_->rowHeights[r.row1] = height;
        worksheet_->book().modified = true;
    } catch (const std::exception&) {
        printout("\nError:  in Excel setRowHeight() function.\n");
        return -1;
    }
    return 0;
}

int Excel::deleteRow(const std::string& row) {
    if (!worksheet_) {
        printout("Error:  in \"Excel::deleteRow()\",\nworksheet is not open.\n");
        return -1;
    }
    try {
        CurrentRange& r = range("A", textint(row), "A", textint(row));
        worksheet_->deleteRow(r.row1);
    } catch (const std::exception&) {
        printout("\nError:  in Excel deleteRow() function.\n");
        return -1;
    }
    return 0;
}

// ---- formulas ----

int Excel::setFormula(const std::string& col1, int row1, const std::string& col2, int row2,
                      const std::string& formula) {
    if (!worksheet_) {
        printout("Error:  in 'setFormula,' worksheet is not open.\n");
        return -1;
    }
    CurrentRange r;
    try {
        r = range(col1, row1, col2, row2);
    } catch (const std::exception&) {
        printout("Error:  in Excel::setFormula().\n");
        return -1;
    }
    if (formatCell(col1, row1, col2, row2, defaultFont_) != 0) {
        printout("Error:  Cannot set cell format in Excel::setFormula().\n");
        return -1;
    }
    try {
        // The formula is kept as text; the cell holds no computed result.
        for (int row = r.row1; row <= r.row2; ++row)
            for (int col = r.col1; col <= r.col2; ++col) {
                worksheet_->setValue(row, col, Value());
                worksheet_->setFormula(row, col, formula);
            }
        current_ = r;
    } catch (const std::exception&) {
        printout("Error:  in Excel::setFormula().\n");
        return -1;
    }
    return 0;
}

// ---- frozen panes ----

int Excel::Freeze(const std::string& where, const std::string& rowBefore, const std::string& colBefore,
                  const std::string& colAfter, const std::string& rowAfter) {
    if (!worksheet_) {
        printout("Error:  in 'setFreeze,' worksheet is not open.\n");
        return -1;
    }
    try {
        workbook_->activate(*worksheet_);
        Worksheet& s = *worksheet_;
        auto scrollrow = [&](const std::string& t) {
            if (t.empty()) return;
            int row = textint(t);
            Worksheet::checkCell(row, 1);
            s.scrollRow = row;
        };
        auto scrollcol = [&](const std::string& t) {
            if (!t.empty()) s.scrollCol = columnof(t);
        };
        // Scrolling after the panes are frozen moves the lower right pane only: the
        // positions are checked as a server checks them, and the panes stay.
        auto after = [&]() {
            if (!colAfter.empty()) columnof(colAfter);
            if (!rowAfter.empty()) Worksheet::checkCell(textint(rowAfter), 1);
        };
        // The split lies at the top-left cell of the selection, counted from the window's
        // top-left cell; a cell above or left of the window splits nothing there.
        auto freeze = [&](int row, int col) {
            s.paneRow = row > s.scrollRow ? row - s.scrollRow : 0;
            s.paneCol = col > s.scrollCol ? col - s.scrollCol : 0;
            s.book().modified = true;
        };
        if (where == "off") {
            freeze(0, 0);
            return 0;
        }
        if (where.empty()) throw ServerError("nothing to freeze at");
        if (isnumchar(static_cast<unsigned char>(where[0]))) {
            int row = textint(where);
            Worksheet::checkCell(row, 1);
            freeze(0, 0);
            scrollrow(rowBefore);
            freeze(row, 0);
        } else if (isnumchar(static_cast<unsigned char>(where.back()))) {
            std::size_t digits = where.find_first_of("0123456789+-.");
            int col = columnof(where.substr(0, digits));
            int row = textint(where.substr(digits));
            Worksheet::checkCell(row, col);
            freeze(0, 0);
            scrollcol(colBefore);
            scrollrow(rowBefore);
            freeze(row, col);
        } else {
            int col = columnof(where);
            freeze(0, 0);
            scrollcol(colBefore);
            freeze(0, col);
        }
        after();
    } catch (const std::exception&) {
        printout("Error:  in Excel::Freeze().\n");
        return -1;
    }
    return 0;
}

// ---- merges ----

int Excel::setMerge(const std::string& col1, const std::string& row1, const std::string& col2,
                    const std::string& row2, int merge) {
    if (!worksheet_) {
        printout("Error:  in 'setMerge,' worksheet is not open.\n");
        return -1;
    }
    try {
        CurrentRange& r = range(col1, textint(row1), col2, textint(row2));
        Worksheet& s = *worksheet_;
        auto overlaps = [&](const Rect& m) {
            return m.row1 <= r.row2 && r.row1 <= m.row2 && m.col1 <= r.col2 && r.col1 <= m.col2;
        };
        // A merged range that overlaps the new one becomes part of it (and with off, is
        // undone as a whole).
        Rect whole{r.row1, r.col1, r.row2, r.col2};
        std::vector<Rect> kept;
        for (const Rect& m : s.merges) {
            if (!overlaps(m)) {
                kept.push_back(m);
                continue;
            }
            whole = {std::min(whole.row1, m.row1), std::min(whole.col1, m.col1),
                     std::max(whole.row2, m.row2), std::max(whole.col2, m.col2)};
        }
        s.merges.swap(kept);
        s.book().modified = true;
        if (merge != 0 && (whole.row1 != whole.row2 || whole.col1 != whole.col2)) {
            // The top-left value stays; the other cells of the range are emptied.
            for (int row = whole.row1; row <= whole.row2; ++row)
                for (int col = whole.col1; col <= whole.col2; ++col)
                    if ((row != whole.row1 || col != whole.col1) && s.find(row, col))
                        s.setValue(row, col, Value());
            s.merges.push_back(whole);
        }
    } catch (const std::exception&) {
        printout("Error:  in Excel::setMerge().\n");
        return -1;
    }
    return 0;
}

// ---- raised and lowered characters ----

int Excel::Superscript(const std::string& col, int row, int start, int length, int subscript,
                       const std::string& text) {
    if (!worksheet_) {
        printout("Error:  in 'XL Superscript \"%s\",\nworksheet is not open.\n", text.c_str());
        return -1;
    }
    try {
        CurrentRange& r = range(col, row, col, row);
        const Cell* cell = worksheet_->find(r.row1, r.col1);
        if (!cell || cell->kind != Kind::text) throw ServerError("only the characters of a text can be raised");
        int size = static_cast<int>(cell->text.size());
        if (start < 1 || length < 0 || start > size) throw ServerError("no such characters");
        if (length > size - start + 1) length = size - start + 1;
        worksheet_->scripts[Worksheet::key(r.row1, r.col1)].push_back({start, length, subscript != 0});
        worksheet_->book().modified = true;
    } catch (const std::exception&) {
        printout("Error:  in Excel::Superscript().\n");
        return -1;
    }
    return 0;
}

// ---- gridlines ----

int Excel::setGridlines(int show, const std::string& colour) {
    if (!application_ || !workbook_ || !worksheet_) return -1;
    try {
        int color = -1;
        if (!colour.empty()) {
            color = textint(colour);
            if (color < 0 || color > xl::noColor) throw ServerError("no such colour");
        }
        if (show >= 0) worksheet_->gridlines = show != 0;
        if (color >= 0) worksheet_->gridlineColor = color;
        workbook_->modified = true;
    } catch (const std::exception&) {
        printout("\nError:  cannot change gridlines settings.\n");
        return -1;
    }
    return 0;
}

// ---- printing ----

int Excel::setWorksheetPrintArea(const std::string& col1, int row1, const std::string& col2, int row2) {
    if (!worksheet_) return -1;
    try {
        if (row1 <= 0 || row2 <= 0) {
            worksheet_->printArea = Rect{0, 0, 0, 0};
        } else {
            CurrentRange& r = range(col1, row1, col2, row2);
            worksheet_->printArea = Rect{r.row1, r.col1, r.row2, r.col2};
        }
        worksheet_->book().modified = true;
    } catch (const std::exception&) {
        printout("Error:  in Excel::setWorksheetPrintArea().\n");
        return -1;
    }
    return 0;
}

int Excel::setWorksheetOrientation(const std::string& text) {
    if (!worksheet_) return -1;
    worksheet_->landscape = text == "landscape";
    worksheet_->book().modified = true;
    return 0;
}

int Excel::PrintSheet() {
    if (!worksheet_) return -1;  // the model has no chart sheets
    try {
        Rect area = worksheet_->printArea;
        std::string text;
        if (area.row1 > 0 || worksheet_->usedRange(area)) text = sheettext(*worksheet_, area, '\t', "\n");
        std::string title = workbook_->name() + " - " + worksheet_->name();
        if (xlspooltext(title, worksheet_->landscape, text).empty()) throw ServerError("the print job was not spooled");
    } catch (const std::exception&) {
        printout("Error:  in Excel::PrintSheet().\n");
        return -1;
    }
    return 0;
}

// ---- conditional formats ----

int Excel::ConditionalFormat(const std::string& col1, int row1, const std::string& col2, int row2,
                             int count, const XLConditFormatSetting* rules) {
    if (!worksheet_ || count < 1 || count > 3 || !rules) return -1;
    try {
        CurrentRange& r = range(col1, row1, col2, row2);
        // Every rule is made before the range's old conditions go: a refused rule leaves them.
        CondFormat made{Rect{r.row1, r.col1, r.row2, r.col2}, {}};
        for (int i = 0; i < count; ++i) {
            const XLConditFormatSetting& in = rules[i];
            CondRule rule;
            rule.type = !in.type.empty() && in.type[0] == 'v' ? cf::cellValue : cf::expression;
            rule.op = conditionoperator(in.op);
            if (rule.type == cf::cellValue && rule.op == 0) return -1;
            if (rule.op == 0) rule.op = cf::between;
            rule.formula1 = ruleformula(in.formula1, in.formula1IsCell);
            rule.formula2 = ruleformula(in.formula2, in.formula2IsCell);
            if (rule.type == cf::expression && rule.formula1.empty()) throw ServerError("a formula rule needs its formula");
            if (rule.type == cf::cellValue && rule.formula1.empty()) throw ServerError("a rule needs a value");
            if (rule.type == cf::cellValue && (rule.op == cf::between || rule.op == cf::notBetween) &&
                rule.formula2.empty())
                throw ServerError("a between rule needs two values");
            if (!in.font.colorName().empty()) rule.fontColor = in.font.colorValue();
            if (in.font.underline()) rule.underline = underlinefromchar(in.font.underline());
            rule.bold = in.font.bold() != 0;
            rule.italic = in.font.italic() != 0;
            if (in.background >= 0) rule.fill = in.background;
            made.rules.push_back(rule);
        }
        // The rules of exactly this range are replaced; rules kept for other ranges stay,
        // even where they overlap it.
        auto& list = worksheet_->conditionalFormats;
        for (auto it = list.begin(); it != list.end();)
            if (it->range.row1 == made.range.row1 && it->range.col1 == made.range.col1 &&
                it->range.row2 == made.range.row2 && it->range.col2 == made.range.col2)
                it = list.erase(it);
            else
                ++it;
        list.push_back(std::move(made));
        worksheet_->book().modified = true;
    } catch (const std::exception&) {
        printout("Error:  in Excel::ConditionalFormat().\n");
        return -1;
    }
    return 0;
}

// ---- defaults ----

int Excel::setFont(const JexFont& font) {
    defaultFont_ = font;
    return 0;
}

int Excel::setBackground(const std::string& colour) {
    background_ = colour;
    return 0;
}
