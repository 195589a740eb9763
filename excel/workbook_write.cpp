// Writing workbooks: .xlsx through libxlsxwriter, the text formats by our own code, and the
// save that writes beside the target and renames over it.
#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <utility>

#include "excel/numformat.h"
#include "excel/workbook_files.h"

namespace xlmodel {

namespace {

// Length of the valid UTF-8 sequence at s[i], 0 when the byte does not start one.
std::size_t utf8length(const std::string& s, std::size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    unsigned long cp = n == 1 ? c : n == 2 ? c & 0x1f : n == 3 ? c & 0x0f : c & 0x07;
    for (std::size_t k = 1; k < n; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d >> 6) != 2) return 0;
        cp = (cp << 6) | (d & 0x3f);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid.
    static const unsigned long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || (cp >= 0xd800 && cp <= 0xdfff) || cp > 0x10ffff) return 0;
    return n;
}

// Code points of the model's bytes (UTF-8, any other byte Latin-1).
template <class Emit>
void codepoints(const std::string& s, Emit emit) {
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = utf8length(s, i);
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (n == 0) {
            emit(static_cast<unsigned long>(c));
            ++i;
            continue;
        }
        unsigned long cp = n == 1 ? c : n == 2 ? c & 0x1f : n == 3 ? c & 0x0f : c & 0x07;
        for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3f);
        emit(cp);
        i += n;
    }
}

lxw_color_t rgb(int bgr) {
    unsigned v = static_cast<unsigned>(bgr) & 0xffffff;
    unsigned r = v & 255, g = (v >> 8) & 255, b = (v >> 16) & 255;
    unsigned out = (r << 16) | (g << 8) | b;
    return out == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : out;
}

std::uint8_t borderstyle(const BorderLine& b) {
    bool heavy = b.weight == xl::medium || b.weight == xl::thick;
    switch (b.lineStyle) {
    case xl::continuous:
        return b.weight == xl::hairline ? LXW_BORDER_HAIR
               : b.weight == xl::medium ? LXW_BORDER_MEDIUM
               : b.weight == xl::thick  ? LXW_BORDER_THICK
                                        : LXW_BORDER_THIN;
    case xl::dash: return heavy ? LXW_BORDER_MEDIUM_DASHED : LXW_BORDER_DASHED;
    case xl::dot: return LXW_BORDER_DOTTED;
    case xl::lineDouble: return LXW_BORDER_DOUBLE;
    case xl::dashDot: return heavy ? LXW_BORDER_MEDIUM_DASH_DOT : LXW_BORDER_DASH_DOT;
    case xl::dashDotDot: return heavy ? LXW_BORDER_MEDIUM_DASH_DOT_DOT : LXW_BORDER_DASH_DOT_DOT;
    case xl::slantDashDot: return LXW_BORDER_SLANT_DASH_DOT;
    default: return LXW_BORDER_NONE;
    }
}

std::uint8_t horizontalalign(int a) {
    switch (a) {
    case xl::left: return LXW_ALIGN_LEFT;
    case xl::center: return LXW_ALIGN_CENTER;
    case xl::right: return LXW_ALIGN_RIGHT;
    case xl::justify: return LXW_ALIGN_JUSTIFY;
    default: return LXW_ALIGN_NONE;
    }
}

std::uint8_t verticalalign(int a) {
    switch (a) {
    case xl::top: return LXW_ALIGN_VERTICAL_TOP;
    case xl::center: return LXW_ALIGN_VERTICAL_CENTER;
    case xl::bottom: return LXW_ALIGN_VERTICAL_BOTTOM;
    case xl::justify: return LXW_ALIGN_VERTICAL_JUSTIFY;
    default: return LXW_ALIGN_NONE;
    }
}

std::uint8_t underlinestyle(int u) {
    switch (u) {
    case xl::underlineSingle: return LXW_UNDERLINE_SINGLE;
    case xl::underlineDouble: return LXW_UNDERLINE_DOUBLE;
    case xl::underlineSingleAccounting: return LXW_UNDERLINE_SINGLE_ACCOUNTING;
    case xl::underlineDoubleAccounting: return LXW_UNDERLINE_DOUBLE_ACCOUNTING;
    default: return 0;
    }
}

class XlsxWriter {
public:
    XlsxWriter(const Workbook& book, const std::string& path) : book_(book), formats_(book.styles.size()) {
        // Sheets are written row after row, so the writer can stream each row out as it is
        // done; merged ranges write cells of several rows at once and need the whole sheet
        // kept in memory.
        bool merges = false;
        for (const auto& sheet : book.sheetsView()) merges = merges || !sheet->merges.empty();
        lxw_workbook_options options{};
        options.constant_memory = merges ? LXW_FALSE : LXW_TRUE;
        wb_ = workbook_new_opt(path.c_str(), &options);
        if (!wb_) throw ServerError("cannot create " + path);
    }
    ~XlsxWriter() {
        if (wb_) {
            // An abandoned workbook is still closed to free it; its file is the caller's to drop.
            workbook_close(wb_);
        }
    }

    void write() {
        for (const auto& sheet : book_.sheetsView()) writesheet(*sheet);
        lxw_error e = workbook_close(wb_);
        wb_ = nullptr;
        if (e != LXW_NO_ERROR) throw ServerError(lxw_strerror(e));
    }

private:
    void check(lxw_error e) {
        if (e != LXW_NO_ERROR) throw ServerError(lxw_strerror(e));
    }

    lxw_format* format(std::uint32_t index) {
        if (index == 0) return nullptr;
        if (formats_[index]) return formats_[index];
        const Style& s = book_.styles[index];
        lxw_format* f = workbook_add_format(wb_);
        if (s.numberFormat != "General") format_set_num_format(f, toutf8(s.numberFormat).c_str());
        const Font& font = s.font;
        if (font.name != "Calibri") format_set_font_name(f, toutf8(font.name).c_str());
        if (font.size != 11) format_set_font_size(f, font.size);
        if (font.bold) format_set_bold(f);
        if (font.italic) format_set_italic(f);
        if (std::uint8_t u = underlinestyle(font.underline)) format_set_underline(f, u);
        if (font.color != 0) format_set_font_color(f, rgb(font.color));
        if (std::uint8_t a = horizontalalign(s.horizontal)) format_set_align(f, a);
        if (std::uint8_t a = verticalalign(s.vertical)) format_set_align(f, a);
        if (s.wrap) format_set_text_wrap(f);
        if (s.interior >= 0) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, rgb(s.interior));
        }
        struct Edge {
            BorderSlot slot;
            void (*style)(lxw_format*, std::uint8_t);
            void (*color)(lxw_format*, lxw_color_t);
        };
        const Edge edges[] = {{leftEdge, format_set_left, format_set_left_color},
                              {rightEdge, format_set_right, format_set_right_color},
                              {topEdge, format_set_top, format_set_top_color},
                              {bottomEdge, format_set_bottom, format_set_bottom_color}};
        for (const Edge& e : edges) {
            const BorderLine& b = s.borders[e.slot];
            if (std::uint8_t st = borderstyle(b)) {
                e.style(f, st);
                if (b.color != 0) e.color(f, rgb(b.color));
            }
        }
        std::uint8_t up = borderstyle(s.borders[diagUp]), down = borderstyle(s.borders[diagDown]);
        if (up || down) {
            // The file has one style and colour for both diagonals.
            const BorderLine& b = up ? s.borders[diagUp] : s.borders[diagDown];
            format_set_diag_type(f, up && down ? LXW_DIAGONAL_BORDER_UP_DOWN
                                    : up       ? LXW_DIAGONAL_BORDER_UP
                                               : LXW_DIAGONAL_BORDER_DOWN);
            format_set_diag_border(f, up ? up : down);
            if (b.color != 0) format_set_diag_color(f, rgb(b.color));
        }
        formats_[index] = f;
        return f;
    }

    void writesheet(const Worksheet& sheet) {
        lxw_worksheet* ws = workbook_add_worksheet(wb_, toutf8(sheet.name()).c_str());
        if (!ws) throw ServerError("cannot add the sheet " + sheet.name());
        for (const auto& [col, width] : sheet.columnWidths)
            check(worksheet_set_column(ws, col - 1, col - 1, width, nullptr));
        for (const Rect& m : sheet.merges)
            check(worksheet_merge_range(ws, m.row1 - 1, m.col1 - 1, m.row2 - 1, m.col2 - 1, "", nullptr));
        // The panes split where the window's top-left cell plus the frozen rows and columns
        // lie; the lower right pane begins at the cell that was frozen.
        if (sheet.paneRow > 0 || sheet.paneCol > 0)
            worksheet_freeze_panes_opt(ws, sheet.paneRow, sheet.paneCol,
                                       sheet.scrollRow - 1 + sheet.paneRow, sheet.scrollCol - 1 + sheet.paneCol, 0);
        // The file keeps whether gridlines show, not their colour.
        if (!sheet.gridlines) worksheet_gridlines(ws, LXW_HIDE_ALL_GRIDLINES);
        if (sheet.landscape) worksheet_set_landscape(ws);
        if (const Rect& a = sheet.printArea; a.row1 > 0)
            check(worksheet_print_area(ws, a.row1 - 1, a.col1 - 1, a.row2 - 1, a.col2 - 1));
        for (const CondFormat& cf : sheet.conditionalFormats) writeconditions(ws, cf);
        // Row heights and cells in row order: a row's height goes before its cells.
        auto height = sheet.rowHeights.begin();
        for (int r = 1; r <= sheet.lastRow() || height != sheet.rowHeights.end(); ++r) {
            if (height != sheet.rowHeights.end() && height->first == r) {
                check(worksheet_set_row(ws, r - 1, height->second, nullptr));
                ++height;
            }
            for (int c = 1; c <= sheet.lastColumn(r); ++c) {
                const Cell* cell = sheet.find(r, c);
                if (cell && (cell->kind != Kind::empty || cell->style != 0 || !sheet.formula(r, c).empty()))
                    writecell(ws, sheet, r, c, *cell);
            }
        }
    }

    // The differential format of a conditional rule: font colour, underline, bold, italic
    // and fill.
    lxw_format* ruleformat(const CondRule& rule) {
        lxw_format* f = workbook_add_format(wb_);
        if (rule.fontColor >= 0) format_set_font_color(f, rgb(rule.fontColor));
        if (std::uint8_t u = underlinestyle(rule.underline)) format_set_underline(f, u);
        if (rule.bold) format_set_bold(f);
        if (rule.italic) format_set_italic(f);
        if (rule.fill >= 0) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, rgb(rule.fill));
        }
        return f;
    }

    void writeconditions(lxw_worksheet* ws, const CondFormat& cf) {
        for (const CondRule& rule : cf.rules) {
            std::string f1 = toutf8(rule.formula1), f2 = toutf8(rule.formula2);
            lxw_conditional_format c{};
            c.format = ruleformat(rule);
            if (rule.type == cf::expression) {
                c.type = LXW_CONDITIONAL_TYPE_FORMULA;
                c.value_string = f1.data();
            } else {
                c.type = LXW_CONDITIONAL_TYPE_CELL;
                switch (rule.op) {
                case cf::between: c.criteria = LXW_CONDITIONAL_CRITERIA_BETWEEN; break;
                case cf::notBetween: c.criteria = LXW_CONDITIONAL_CRITERIA_NOT_BETWEEN; break;
                case cf::equal: c.criteria = LXW_CONDITIONAL_CRITERIA_EQUAL_TO; break;
                case cf::notEqual: c.criteria = LXW_CONDITIONAL_CRITERIA_NOT_EQUAL_TO; break;
                case cf::greater: c.criteria = LXW_CONDITIONAL_CRITERIA_GREATER_THAN; break;
                case cf::less: c.criteria = LXW_CONDITIONAL_CRITERIA_LESS_THAN; break;
                case cf::greaterEqual: c.criteria = LXW_CONDITIONAL_CRITERIA_GREATER_THAN_OR_EQUAL_TO; break;
                default: c.criteria = LXW_CONDITIONAL_CRITERIA_LESS_THAN_OR_EQUAL_TO; break;
                }
                if (rule.op == cf::between || rule.op == cf::notBetween) {
                    c.min_value_string = f1.data();
                    c.max_value_string = f2.data();
                } else {
                    c.value_string = f1.data();
                }
            }
            const Rect& r = cf.range;
            check(worksheet_conditional_format_range(ws, r.row1 - 1, r.col1 - 1, r.row2 - 1, r.col2 - 1, &c));
        }
    }

    // A text with raised or lowered characters: plain and scripted fragments in turn.
    void writerich(lxw_worksheet* ws, lxw_row_t row, lxw_col_t col, const std::string& text,
                   const std::vector<ScriptRun>& runs, std::uint32_t style) {
        lxw_format* f = format(style);
        std::vector<signed char> script(text.size(), 0);  // 0 plain, 1 raised, 2 lowered
        for (const ScriptRun& run : runs)
            for (int i = run.start - 1; i < run.start - 1 + run.length; ++i)
                if (i >= 0 && i < static_cast<int>(text.size())) script[i] = run.subscript ? 2 : 1;
        std::vector<std::string> pieces;
        std::vector<lxw_rich_string_tuple> tuples;
        for (std::size_t i = 0; i < text.size();) {
            std::size_t j = i;
            while (j < text.size() && script[j] == script[i]) ++j;
            pieces.push_back(toutf8(text.substr(i, j - i)));
            tuples.push_back({runformat(script[i], style), nullptr});
            i = j;
        }
        std::vector<lxw_rich_string_tuple*> list;
        for (std::size_t i = 0; i < tuples.size(); ++i) {
            tuples[i].string = pieces[i].data();
            list.push_back(&tuples[i]);
        }
        list.push_back(nullptr);
        check(worksheet_write_rich_string(ws, row, col, list.data(), f));
    }

    // The runs of a text keep the font of their cell; 0 plain, 1 raised, 2 lowered.
    lxw_format* runformat(int script, std::uint32_t style) {
        if (script == 0 && style == 0) return nullptr;
        lxw_format*& f = runFormats_[std::make_pair(style, script)];
        if (!f) {
            f = workbook_add_format(wb_);
            if (script != 0) format_set_font_script(f, script == 2 ? LXW_FONT_SUBSCRIPT : LXW_FONT_SUPERSCRIPT);
            const Font& font = book_.styles[style].font;
            format_set_font_name(f, toutf8(font.name).c_str());
            format_set_font_size(f, font.size);
            if (font.bold) format_set_bold(f);
            if (font.italic) format_set_italic(f);
            if (std::uint8_t u = underlinestyle(font.underline)) format_set_underline(f, u);
            if (font.color != 0) format_set_font_color(f, rgb(font.color));
        }
        return f;
    }

    void writecell(lxw_worksheet* ws, const Worksheet& sheet, int r, int c, const Cell& cell) {
        lxw_row_t row = r - 1;
        lxw_col_t col = c - 1;
        lxw_format* f = format(cell.style);
        const std::string& formula = sheet.formula(r, c);
        if (!formula.empty()) {
            // A formula set through the link has no computed result; one read from a file
            // keeps the result the file had.
            std::string text = toutf8(formula.substr(1));
            if (cell.kind == Kind::number) check(worksheet_write_formula_num(ws, row, col, text.c_str(), f, cell.number));
            else if (cell.kind == Kind::text) check(worksheet_write_formula_str(ws, row, col, text.c_str(), f, toutf8(cell.text).c_str()));
            else check(worksheet_write_formula(ws, row, col, text.c_str(), f));
            return;
        }
        if (cell.kind == Kind::text && !cell.text.empty()) {
            auto runs = sheet.scripts.find(Worksheet::key(r, c));
            if (runs != sheet.scripts.end() && !runs->second.empty()) {
                writerich(ws, row, col, cell.text, runs->second, cell.style);
                return;
            }
        }
        switch (cell.kind) {
        case Kind::number: check(worksheet_write_number(ws, row, col, cell.number, f)); break;
        case Kind::text: check(worksheet_write_string(ws, row, col, toutf8(cell.text).c_str(), f)); break;
        case Kind::boolean: check(worksheet_write_boolean(ws, row, col, cell.number != 0, f)); break;
        case Kind::error:
            // An error constant is a formula of its own (=#N/A); the reader turns it back.
            check(worksheet_write_formula_str(ws, row, col, cell.text.c_str(), f, cell.text.c_str()));
            break;
        default:
            if (f) check(worksheet_write_blank(ws, row, col, f));
        }
    }

    const Workbook& book_;
    lxw_workbook* wb_ = nullptr;
    std::vector<lxw_format*> formats_;
    std::map<std::pair<std::uint32_t, int>, lxw_format*> runFormats_;
};

// One field of a text file.
std::string fieldtext(const Worksheet& sheet, const Workbook& book, int r, int c, char separator) {
    const Cell* cell = sheet.find(r, c);
    if (!cell) return {};
    std::string text;
    const std::string& formula = sheet.formula(r, c);
    if (!formula.empty()) {
        text = formula;
    } else {
        switch (cell->kind) {
        case Kind::number: text = displaytext(cell->number, book.styles[cell->style].numberFormat); break;
        case Kind::boolean: text = cell->number != 0 ? "TRUE" : "FALSE"; break;
        case Kind::text:
        case Kind::error: text = cell->text; break;
        default: break;
        }
    }
    if (text.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) return text;
    std::string quoted = "\"";
    for (char ch : text) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    return quoted + "\"";
}

void appendutf16(std::string& out, const std::string& text) {
    auto unit = [&](unsigned long u) {
        out += static_cast<char>(u & 255);
        out += static_cast<char>((u >> 8) & 255);
    };
    codepoints(text, [&](unsigned long cp) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xd800 + (cp >> 10));
            unit(0xdc00 + (cp & 0x3ff));
        } else {
            unit(cp);
        }
    });
}

}  // namespace

std::string toutf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = utf8length(bytes, i);
        if (n) {
            out.append(bytes, i, n);
            i += n;
        } else {
            unsigned char c = static_cast<unsigned char>(bytes[i++]);
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

std::string sheettext(const Worksheet& sheet, const Rect& area, char separator, const char* end) {
    std::string out;
    for (int r = area.row1; r <= area.row2; ++r) {
        for (int c = area.col1; c <= area.col2; ++c) {
            if (c > area.col1) out += separator;
            out += fieldtext(sheet, sheet.book(), r, c, separator);
        }
        out += end;
    }
    return out;
}

const TextFormat* textformat(int code) {
    static const TextFormat csvWindows{',', "\r\n", false}, csvMac{',', "\r", false},
        textWindows{'\t', "\r\n", false}, textMac{'\t', "\r", false}, unicode{'\t', "\r\n", true};
    switch (code) {
    case 6: case 23: case 24: return &csvWindows;
    case 22: return &csvMac;
    case 20: case 21: return &textWindows;
    case 19: return &textMac;
    case 42: return &unicode;
    default: return nullptr;
    }
}

double storedwidth(double width) {
    // As the writer stores it: whole pixels of a 7-pixel digit plus 5 pixels of padding.
    if (width <= 0) return 0;
    double pixels = width < 1 ? std::floor(width * 12 + 0.5) : std::floor(width * 7 + 0.5) + 5;
    return std::floor(pixels / 7 * 256) / 256;
}

double widthfromstored(double stored) {
    if (!(stored > 0) || stored > 1e4) return stored > 0 ? stored : 0;
    // Every width between two pixel steps is stored alike: give back the plainest of them.
    const double steps[] = {1, 0.5, 0.25, 0.1, 0.05, 0.01};
    double approx = stored - 5.0 / 7;
    for (double step : steps) {
        long lo = static_cast<long>(std::floor((approx - 1.5) / step));
        long hi = static_cast<long>(std::ceil((approx + 1.5) / step));
        for (long k = std::max(lo, 0L); k <= hi; ++k)
            if (std::fabs(storedwidth(k * step) - stored) < 1e-9) return k * step;
    }
    return std::round(approx * 100) / 100;
}

void writexlsx(const Workbook& book, const std::string& path) {
    XlsxWriter writer(book, path);
    writer.write();
}

void writetextfile(const Workbook& book, const std::string& path, const TextFormat& f) {
    std::string out;
    if (f.utf16) out = "\xff\xfe";
    const Worksheet* sheet = book.activeSheet();
    Rect used;
    if (sheet && sheet->usedRange(used)) {
        std::string text = sheettext(*sheet, used, f.separator, f.end);
        if (f.utf16) appendutf16(out, text);
        else out += text;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw ServerError("cannot write " + path + ": " + std::strerror(errno));
    bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) throw ServerError("cannot write " + path);
}

void saveworkbookfile(Workbook& book, const std::string& path, int format) {
    const TextFormat* text = textformat(format);
    if (!text && format != xl::workbookFormat) throw ServerError("this file format cannot be written");
    std::string temporary = path + ".jex-new";
    // A place that cannot be written is found before the writer tries (and complains).
    if (std::FILE* probe = std::fopen(temporary.c_str(), "wb")) {
        std::fclose(probe);
    } else {
        throw ServerError("cannot write " + path + ": " + std::strerror(errno));
    }
    try {
        if (text) writetextfile(book, temporary, *text);
        else writexlsx(book, temporary);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    // A file whose content was not all read is kept before it is written over.
    if (!book.unreadContent.empty() && path == book.path()) {
        std::string kept = path + ".bak";
        if (std::rename(path.c_str(), kept.c_str()) != 0 && errno != ENOENT) {
            std::remove(temporary.c_str());
            throw ServerError("cannot keep " + path + " as " + kept);
        }
        book.unreadContent.clear();
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw ServerError("cannot write " + path + ": " + std::strerror(errno));
    }
    book.setFile(path, format);
    book.modified = false;
}

}  // namespace xlmodel
