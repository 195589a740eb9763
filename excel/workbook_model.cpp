#include "excel/workbook_model.h"

#include <strings.h>

#include <algorithm>

#include "excel/columns.h"
#include "excel/numformat.h"
#include "excel/workbook_files.h"

namespace xlmodel {

std::string stylekey(const Style& s) {
    std::string k = s.numberFormat;
    k += '\x1f';
    k += s.font.name;
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "\x1f%.17g|%d|%d|%d|%d|%d|%d|%d|%d", s.font.size,
                  s.font.bold, s.font.italic, s.font.underline, s.font.color, s.horizontal,
                  s.vertical, s.wrap, s.interior);
    k += buffer;
    for (const BorderLine& b : s.borders) {
        std::snprintf(buffer, sizeof buffer, "|%d,%d,%d", b.lineStyle, b.weight, b.color);
        k += buffer;
    }
    return k;
}

StyleTable::StyleTable() { intern(Style()); }

std::uint32_t StyleTable::intern(const Style& s) {
    std::string k = stylekey(s);
    auto it = index_.find(k);
    if (it != index_.end()) return it->second;
    std::uint32_t i = static_cast<std::uint32_t>(list_.size());
    list_.push_back(s);
    index_.emplace(std::move(k), i);
    return i;
}

// ---- worksheets ----

void Worksheet::setName(const std::string& name) {
    if (name.empty() || name.size() > 31 || name.find_first_of(":\\/?*[]") != std::string::npos)
        throw ServerError("a sheet name has 1 to 31 characters, none of : \\ / ? * [ ]");
    Worksheet* other = book_->findSheet(name);
    if (other && other != this) throw ServerError("the name " + name + " is already taken");
    name_ = name;
    touched();
}

void Worksheet::checkCell(int row, int col) {
    if (row < 1 || row > maxRows || col < 1 || col > maxCols)
        throw ServerError("cell reference outside A1:IV65536");
}

void Worksheet::checkRange(int row1, int col1, int row2, int col2) {
    checkCell(row1, col1);
    checkCell(row2, col2);
    if (row2 < row1 || col2 < col1) throw ServerError("a range runs from its first corner to its last");
}

void Worksheet::touched() { book_->modified = true; }

const Cell* Worksheet::find(int row, int col) const {
    if (row < 1 || row > static_cast<int>(rows_.size())) return nullptr;
    const std::vector<Cell>& r = rows_[row - 1];
    if (col < 1 || col > static_cast<int>(r.size())) return nullptr;
    return &r[col - 1];
}

Cell& Worksheet::at(int row, int col) {
    checkCell(row, col);
    if (static_cast<int>(rows_.size()) < row) rows_.resize(row);
    std::vector<Cell>& r = rows_[row - 1];
    if (static_cast<int>(r.size()) < col) r.resize(col);
    return r[col - 1];
}

void Worksheet::reserveRow(int row, int cols) {
    checkCell(row, cols);
    if (static_cast<int>(rows_.size()) < row) rows_.resize(row);
    rows_[row - 1].reserve(cols);
}

int Worksheet::lastColumn(int row) const {
    if (row < 1 || row > static_cast<int>(rows_.size())) return 0;
    return static_cast<int>(rows_[row - 1].size());
}

Value Worksheet::value(int row, int col) const {
    checkCell(row, col);
    const Cell* c = find(row, col);
    if (!c) return Value();
    Value v{c->kind, c->number, c->text};
    if (v.kind == Kind::number && isDateFormat(book_->styles[c->style].numberFormat))
        v.kind = Kind::date;
    return v;
}

void Worksheet::setValue(int row, int col, const Value& v) {
    Cell& c = at(row, col);
    touched();
    formulas_.erase(key(row, col));
    // Raised characters stay only while the text they lie in stays at the front.
    if (auto runs = scripts.find(key(row, col)); runs != scripts.end() &&
        !(c.kind == Kind::text && v.kind == Kind::text && v.text.compare(0, c.text.size(), c.text) == 0))
        scripts.erase(runs);
    c.text.clear();
    c.number = 0;
    switch (v.kind) {
    case Kind::empty:
        c.kind = Kind::empty;
        return;
    case Kind::text: {
        double serial;
        std::string format;
        const Style& s = book_->styles[c.style];
        if (strcasecmp(s.numberFormat.c_str(), "General") == 0 && typeddate(v.text, serial, format)) {
            Style dated = s;
            dated.numberFormat = format;
            c.style = book_->styles.intern(dated);
            c.kind = Kind::number;
            c.number = serial;
            return;
        }
        c.kind = Kind::text;
        c.text = v.text;
        return;
    }
    case Kind::date:
        c.kind = Kind::number;
        c.number = v.number;
        if (!isDateFormat(book_->styles[c.style].numberFormat)) {
            Style dated = book_->styles[c.style];
            dated.numberFormat = "m/d/yyyy";
            c.style = book_->styles.intern(dated);
        }
        return;
    case Kind::error:
        c.kind = Kind::error;
        c.text = v.text;
        return;
    default:
        c.kind = v.kind;
        c.number = v.number;
        return;
    }
}

void Worksheet::setTextUnchecked(int row, int col, const std::string& text) {
    Cell& c = at(row, col);
    touched();
    c.kind = Kind::text;
    c.text = text;
    c.number = 0;
}

std::vector<Value> Worksheet::values(int row1, int col1, int row2, int col2) const {
    checkRange(row1, col1, row2, col2);
    std::vector<Value> out;
    out.reserve(static_cast<std::size_t>(row2 - row1 + 1) * (col2 - col1 + 1));
    for (int r = row1; r <= row2; ++r)
        for (int c = col1; c <= col2; ++c) out.push_back(value(r, c));
    return out;
}

void Worksheet::setValues(int row1, int col1, int row2, int col2, const std::vector<Value>& values) {
    checkRange(row1, col1, row2, col2);
    std::size_t n = static_cast<std::size_t>(row2 - row1 + 1) * (col2 - col1 + 1);
    if (values.size() != n) throw ServerError("the values do not fit the range");
    std::size_t i = 0;
    for (int r = row1; r <= row2; ++r)
        for (int c = col1; c <= col2; ++c) setValue(r, c, values[i++]);
}

const std::string& Worksheet::formula(int row, int col) const {
    static const std::string none;
    auto it = formulas_.find(key(row, col));
    return it == formulas_.end() ? none : it->second;
}

void Worksheet::setFormula(int row, int col, const std::string& text) {
    at(row, col);
    touched();
    if (text.empty()) formulas_.erase(key(row, col));
    else formulas_[key(row, col)] = text[0] == '=' ? text : "=" + text;
}

namespace {

// The keys of a map by cell, with every cell in the deleted row or column dropped and those
// after it moved back by one.
template <class T>
void shiftkeys(std::map<std::uint32_t, T>& m, bool byRow, int at) {
    std::map<std::uint32_t, T> out;
    for (auto& [k, v] : m) {
        int r = static_cast<int>(k >> 9), c = static_cast<int>(k & 511);
        int& n = byRow ? r : c;
        if (n == at) continue;
        if (n > at) --n;
        out.emplace(Worksheet::key(r, c), std::move(v));
    }
    m.swap(out);
}

// Sizes by row or column number likewise.
void shiftsizes(std::map<int, double>& m, int at) {
    std::map<int, double> out;
    for (auto [n, size] : m)
        if (n != at) out.emplace(n > at ? n - 1 : n, size);
    m.swap(out);
}

// Merged ranges lose the deleted line; a range left as a single cell is no merge.
void shiftmerges(std::vector<Rect>& merges, bool byRow, int at) {
    std::vector<Rect> out;
    for (Rect m : merges) {
        int& lo = byRow ? m.row1 : m.col1;
        int& hi = byRow ? m.row2 : m.col2;
        if (lo > at) --lo;
        if (hi >= at) --hi;
        if (hi >= lo && (m.row1 != m.row2 || m.col1 != m.col2)) out.push_back(m);
    }
    merges.swap(out);
}

}  // namespace

void Worksheet::deleteRow(int row) {
    checkCell(row, 1);
    touched();
    if (row <= static_cast<int>(rows_.size())) rows_.erase(rows_.begin() + (row - 1));
    shiftkeys(formulas_, true, row);
    shiftkeys(scripts, true, row);
    shiftsizes(rowHeights, row);
    shiftmerges(merges, true, row);
}

void Worksheet::deleteColumn(int col) {
    checkCell(1, col);
    touched();
    for (auto& r : rows_)
        if (col <= static_cast<int>(r.size())) r.erase(r.begin() + (col - 1));
    shiftkeys(formulas_, false, col);
    shiftkeys(scripts, false, col);
    shiftsizes(columnWidths, col);
    shiftmerges(merges, false, col);
}

const Style& Worksheet::style(int row, int col) const { return book_->styles[styleIndex(row, col)]; }

std::uint32_t Worksheet::styleIndex(int row, int col) const {
    const Cell* c = find(row, col);
    return c ? c->style : 0;
}

void Worksheet::setStyleIndex(int row, int col, std::uint32_t index) {
    const Cell* old = find(row, col);
    if (old == nullptr && index == 0) return;
    Cell& c = at(row, col);
    if (c.style != index) touched();
    c.style = index;
}

bool Worksheet::usedRange(Rect& out) const {
    bool any = false;
    for (int r = 1; r <= static_cast<int>(rows_.size()); ++r) {
        const std::vector<Cell>& row = rows_[r - 1];
        for (int c = 1; c <= static_cast<int>(row.size()); ++c) {
            const Cell& cell = row[c - 1];
            if (cell.kind == Kind::empty && cell.style == 0) continue;
            if (!any) out = {r, c, r, c};
            any = true;
            out.row1 = std::min(out.row1, r);
            out.row2 = std::max(out.row2, r);
            out.col1 = std::min(out.col1, c);
            out.col2 = std::max(out.col2, c);
        }
    }
    return any;
}

// ---- workbooks ----

void Workbook::setFile(const std::string& path, int format) {
    path_ = path;
    std::size_t slash = path.find_last_of('/');
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    fileFormat_ = format;
}

Worksheet& Workbook::sheet(int i) const {
    if (i < 1 || i > sheetCount()) throw ServerError("no sheet " + std::to_string(i));
    return *sheets_[i - 1];
}

Worksheet* Workbook::activeSheet() const { return active_; }

void Workbook::activate(Worksheet& sheet) { active_ = &sheet; }

Worksheet* Workbook::findSheet(const std::string& name) const {
    for (const auto& s : sheets_)
        if (strcasecmp(s->name().c_str(), name.c_str()) == 0) return s.get();
    return nullptr;
}

Worksheet& Workbook::addSheet(Worksheet* at, bool before) {
    int n = 1;
    while (findSheet("Sheet" + std::to_string(n))) ++n;
    auto sheet = std::make_unique<Worksheet>(*this, "Sheet" + std::to_string(n));
    Worksheet* made = sheet.get();
    auto pos = sheets_.end();
    for (auto it = sheets_.begin(); it != sheets_.end(); ++it)
        if (it->get() == at) pos = before ? it : it + 1;
    sheets_.insert(pos, std::move(sheet));
    active_ = made;
    modified = true;
    return *made;
}

// ---- the application ----

Workbook& Application::addWorkbook() {
    auto book = std::make_unique<Workbook>("Book" + std::to_string(nextBook_++));
    for (int i = 0; i < std::max(1, sheetsInNewWorkbook); ++i) book->addSheet(nullptr, false);
    book->activate(*book->sheets().front());
    book->modified = false;
    active_ = book.get();
    workbooks_.push_back(std::move(book));
    return *active_;
}

Workbook& Application::openWorkbook(const std::string& path, std::string& warning) {
    std::unique_ptr<Workbook> book = readworkbookfile(path, warning);
    book->modified = false;
    active_ = book.get();
    workbooks_.push_back(std::move(book));
    return *active_;
}

void Application::closeWorkbook(Workbook* book) {
    for (auto it = workbooks_.begin(); it != workbooks_.end(); ++it)
        if (it->get() == book) {
            workbooks_.erase(it);
            break;
        }
    if (active_ == book) active_ = workbooks_.empty() ? nullptr : workbooks_.back().get();
}

}  // namespace xlmodel
