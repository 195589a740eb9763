// Writing texts and formatting cells through the spreadsheet link: WriteString, formatCell,
// ReadNumberMatrix, and the font, alignment, wrap, number-format, background and border
// settings of a range.
#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "banks/lookup.h"
#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "excel/link_internal.h"

using namespace xlmodel;
using xllink::textint;
using xllink::underlinefromchar;

namespace {

bool same(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

}  // namespace

int xllink::textint(const std::string& text) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    while (end && *end == ' ') ++end;
    if (text.empty() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        throw ServerError("type mismatch: " + text);
    return static_cast<int>(v);
}

int xllink::underlinefromchar(char c) {
    switch (c) {
    case '=': return xl::underlineDouble;
    case '~': return xl::underlineDoubleAccounting;
    case '_': return xl::underlineSingleAccounting;
    default: return xl::underlineSingle;
    }
}

void XLBorderSetting::clear() {
    position.clear();
    lineStyle.clear();
    weight.clear();
    clearText.clear();
    colour = -1;
}

bool isborderposition(const std::string& w) {
    return w.compare(0, 9, "diagonaldown", 0, 9) == 0 || w.compare(0, 9, "diagonalup", 0, 9) == 0 ||
           w == "bottom" || w == "top" || w == "left" || w == "right" || w == "border" ||
           (w.size() >= 7 && (w.compare(0, 7, "insidehorizontal", 0, 7) == 0 ||
                              w.compare(0, 7, "insidevertical", 0, 7) == 0));
}

bool isborderweight(const std::string& w) {
    return w.compare(0, 4, "hair") == 0 || w == "thick" || w == "thin" || w == "medium";
}

bool islinestyle(const std::string& w) {
    return w == "continuous" || w == "dash" || w == "dot" || w == "double" || w == "slantdashdot" ||
           w == "linestylenone" || w == "dashdot" || w == "dashdotdot";
}

Excel::CurrentRange& Excel::range(const std::string& col1, int row1, const std::string& col2, int row2) {
    int c1 = colnumber(col1), c2 = colnumber(col2);
    if (c1 < 1 || c2 < 1) throw ServerError("a bad cell reference");
    Worksheet::checkRange(row1, c1, row2, c2);
    current_ = {worksheet_, row1, c1, row2, c2};
    return current_;
}

// ---- texts ----

int Excel::WriteString(const std::string& col, int row, const std::string& text, bool asText) {
    if (!worksheet_) {
        printout("Error:  in 'XL write \"%s\",\nworksheet is not open.\n", text.c_str());
        return -1;
    }
    try {
        CurrentRange& r = range(col, row, col, row);
        if (text.empty()) {
            worksheet_->setValue(r.row1, r.col1, Value());
            return 0;
        }
        Value v = Value::str(text);
        bool numeric = !asText;
        for (char c : text)
            if (!isnumchar(static_cast<unsigned char>(c))) numeric = false;
        if (numeric) {
            char* end = nullptr;
            errno = 0;
            if (text.find('.') != std::string::npos) {
                double x = std::strtod(text.c_str(), &end);
                if (*end == '\0' && end != text.c_str()) v = Value::num(x);
            } else {
                long x = std::strtol(text.c_str(), &end, 10);
                if (*end == '\0' && end != text.c_str() && errno != ERANGE && x >= INT32_MIN && x <= INT32_MAX)
                    v = Value::num(static_cast<double>(x));
            }
        }
        Style s = worksheet_->style(r.row1, r.col1);
        s.numberFormat = "@";
        worksheet_->setStyleIndex(r.row1, r.col1, worksheet_->book().styles.intern(s));
        worksheet_->setValue(r.row1, r.col1, v);
    } catch (const std::exception&) {
        printout("Error:  in Excel::WriteString().\n");
        return -1;
    }
    if (formatCell(col, row, col, row, defaultFont_) != 0) {
        printout("Error:  Cannot set cell format in Excel::WriteString().\n");
        return -1;
    }
    return 0;
}

int Excel::formatCell(const std::string& col1, int row1, const std::string& col2, int row2,
                      const JexFont& font) {
    auto apply = [&](const std::string& text, int option) {
        return setFormat(col1, row1, col2, row2, text, option) == 0;
    };
    if (font.underline()) {
        std::string u(1, font.underline());
        setDefaultUnderline(u);
        if (!apply("underline", 0)) {
            printout("\nError:  cannot set \"underline\" format to \"%s\" in Excel file.\n", u.c_str());
            return -1;
        }
    }
    if (font.bold() && !apply("bold", 1)) {
        printout("\nError:  cannot set format to \"bold\" in Excel file.\n");
        return -1;
    }
    if (font.italic() && !apply("italic", 1)) {
        printout("\nError:  cannot set format to \"italic\" in Excel file.\n");
        return -1;
    }
    if (font.horizontal()) {
        std::string h(1, font.horizontal());
        setDefaultHorizontal(h);
        if (!apply(h, 'h')) {
            printout("\nError:  cannot set format to \"%s\" in Excel file.\n", h.c_str());
            return -1;
        }
    }
    if (font.vertical()) {
        // The font keeps 'c' and 'j' for vcenter and vjustify: give the words back.
        std::string v(1, font.vertical());
        std::string word = v == "c" ? "vc" : v == "j" ? "vj" : v;
        setDefaultVertical(v == "c" ? "v" : v);
        if (!apply(word, 'v')) {
            printout("\nError:  cannot set format to \"%s\" in Excel file.\n", v.c_str());
            return -1;
        }
    }
    if (!font.typeface().empty() && !apply(font.typeface(), 't')) {
        printout("\nError:  cannot set font to \"%s\" in Excel file.\n", font.typeface().c_str());
        return -1;
    }
    if (font.pitch() > 0 || font.size() > 0) {
        std::string size = std::to_string(std::max(font.pitch(), font.size()));
        if (!apply(size, 'n')) {
            printout("\nError:  cannot set font size to \"%s\" in Excel file.\n", size.c_str());
            return -1;
        }
    }
    if (!font.colorName().empty() && !apply(font.colorName(), 'c')) {
        printout("\nError:  cannot set font color to \"%s\" in Excel file.\n", font.colorName().c_str());
        return -1;
    }
    if (!font.numberFormat().empty() && !apply(font.numberFormat(), 'F')) {
        printout("\nError:  cannot set format to \"%s\" in Excel file.\n", font.numberFormat().c_str());
        return -1;
    }
    return 0;
}

int Excel::ReadNumberMatrix(const std::int16_t* cols, int colCount, const std::int16_t* rows,
                            int rowCount, Matrix<float>& matrix) {
    if (!worksheet_) {
        printout("\nError:  in Excel::ReadNumberMatrix().  Excel worksheet is not open.\n");
        return -1;
    }
    for (int i = 1; i <= colCount; ++i) {
        std::string letters = colletters(cols[i - 1]);
        for (int j = 1; j <= rowCount; ++j) {
            int row = rows[j - 1];
            std::vector<Value> v;
            if (!readrange(letters, row, letters, row, v)) {
                printout("\nError:  in Excel::ReadNumberMatrix().\n");
                printout("In Excel file, Column %s, Row %d.\n", letters.c_str(), row);
                return -1;
            }
            double number = 0;
            std::string text;
            if (reportBadValue(v[0], number, text) != 'n') {
                printout("\nError:  in XL read; got bad value.\n");
                printout("In Excel file, Column %s, Row %d.\n", letters.c_str(), row);
                return -1;
            }
            matrix(j, i) = static_cast<float>(number);
        }
    }
    return 0;
}

// ---- formats ----

int Excel::setDefaultUnderline(const std::string& t) {
    if (t == "=" || same(t, "xlUnderlineStyleDouble")) defaultUnderline_ = xl::underlineDouble;
    else if (t == "~" || same(t, "xlUnderlineStyleDoubleAccounting")) defaultUnderline_ = xl::underlineDoubleAccounting;
    else if (t == "-" || same(t, "xlUnderlineStyleSingle")) defaultUnderline_ = xl::underlineSingle;
    else if (t == "_" || same(t, "xlUnderlineStyleSingleAccounting")) defaultUnderline_ = xl::underlineSingleAccounting;
    else defaultUnderline_ = xl::none;
    return 0;
}

int Excel::setDefaultHorizontal(const std::string& t) {
    char c = t.empty() ? 0 : t[0];
    defaultHorizontal_ = c == 'j' ? xl::justify : c == 'c' ? xl::center : c == 'r' ? xl::right : xl::left;
    return 0;
}

int Excel::setDefaultVertical(const std::string& t) {
    char c = t.empty() ? 0 : t[0];
    defaultVertical_ = c == 't' ? xl::top : c == 'v' ? xl::center : c == 'b' ? xl::bottom : xl::justify;
    return 0;
}

int Excel::setFormat(const std::string& col1, int row1, const std::string& col2, int row2,
                     const std::string& text, int option) {
    if (!worksheet_) {
        printout("Error:  in 'setFormatText,' worksheet is not open.\n");
        return -1;
    }
    try {
        CurrentRange& r = range(col1, row1, col2, row2);
        auto change = [&](auto f) { worksheet_->changeStyle(r.row1, r.col1, r.row2, r.col2, f); };
        std::string lower = text;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "bold") {
            change([&](Style& s) { s.font.bold = option != 0; });
        } else if (lower == "italic") {
            change([&](Style& s) { s.font.italic = option != 0; });
        } else if (lower == "clear") {
            change([](Style& s) {
                s.font.bold = s.font.italic = false;
                s.font.underline = xl::none;
                s.horizontal = s.vertical = 0;
                s.font.color = 0;
                s.font.name = "Arial";
                s.font.size = 10;
            });
        } else if (lower.compare(0, 9, "underline") == 0 || lower.find("underline") != std::string::npos ||
                   option == 'u') {
            int u;
            if (option == 'u') u = text.empty() ? xl::none : underlinefromchar(text[0] == '-' ? '-' : text[0]);
            else if (lower != "underline") u = textint(text);  // the server takes the text as a number
            else u = defaultUnderline_;
            if (u != xl::none && u != xl::underlineSingle && u != xl::underlineDouble &&
                u != xl::underlineSingleAccounting && u != xl::underlineDoubleAccounting)
                throw ServerError("no such underline style");
            change([&](Style& s) { s.font.underline = u; });
        } else if (option == 'h') {
            char c = static_cast<char>(lower.empty() ? 0 : lower[0]);
            int a = c == 'j' ? xl::justify : c == 'c' ? xl::center : c == 'r' ? xl::right : c == 'l' ? xl::left : defaultHorizontal_;
            change([&](Style& s) { s.horizontal = a; });
        } else if (option == 'v') {
            int a = lower.compare(0, 1, "t") == 0    ? xl::top
                    : lower.compare(0, 2, "vc") == 0 ? xl::center
                    : lower.compare(0, 1, "b") == 0  ? xl::bottom
                    : lower.compare(0, 2, "vj") == 0 ? xl::justify
                                                     : defaultVertical_;
            change([&](Style& s) { s.vertical = a == xl::bottom ? 0 : a; });
        } else if (option == 'f' || option == 't') {
            if (text.empty() || text.size() > 31) throw ServerError("no such font");
            change([&](Style& s) { s.font.name = text; });
        } else if (option == 'F') {
            if (text.size() > 255) throw ServerError("a number format has at most 255 characters");
            std::string f = same(text, "general") ? std::string("General") : text;
            change([&](Style& s) { s.numberFormat = f; });
        } else if (option == 'n') {
            int size = textint(text);
            if (size < 1 || size > 409) throw ServerError("a font size lies in 1..409");
            change([&](Style& s) { s.font.size = size; });
        } else if (option == 'c') {
            int color = textint(text);
            if (color < 0 || color > xl::noColor) throw ServerError("no such colour");
            change([&](Style& s) { s.font.color = color; });
        } else if (option == 'w') {
            bool wrap = textint(text) != 0;
            change([&](Style& s) { s.wrap = wrap; });
        } else {
            return -1;
        }
    } catch (const std::exception&) {
        printout("Error:  in Excel::setFormat().\n");
        return -1;
    }
    return 0;
}

int Excel::setFormatBackground(const std::string& col1, int row1, const std::string& col2, int row2,
                               const std::string& text, int option) {
    if (!worksheet_) {
        printout("Error:  in 'setFormatBackground,' worksheet is not open.\n");
        return -1;
    }
    try {
        CurrentRange& r = range(col1, row1, col2, row2);
        int fill;
        if (option == 'c') {
            fill = textint(text);
            if (fill < 0 || fill > xl::noColor) throw ServerError("no such colour");
        } else if (same(text, "clear")) {
            fill = -1;
        } else {
            return -1;
        }
        worksheet_->changeStyle(r.row1, r.col1, r.row2, r.col2, [&](Style& s) { s.interior = fill; });
    } catch (const std::exception&) {
        printout("Error:  in Excel::setFormatBackground().\n");
        return -1;
    }
    return 0;
}

int Excel::CellBorder(const std::string& col1, int row1, const std::string& col2, int row2,
                      const XLBorderSetting& setting) {
    if (!worksheet_) return -1;
    try {
        CurrentRange& r = range(col1, row1, col2, row2);
        const std::string& p = setting.position;
        int index;
        if (p.empty() || p == "border") index = 0;
        else if (p == "diagonaldown" || p == "diagonald") index = xl::diagonalDown;
        else if (p == "diagonalup" || p == "diagonalu") index = xl::diagonalUp;
        else if (p == "bottom") index = xl::edgeBottom;
        else if (p == "top") index = xl::edgeTop;
        else if (p == "left") index = xl::edgeLeft;
        else if (p == "right") index = xl::edgeRight;
        else if (p == "insidehorizontal" || p == "insideh") index = xl::insideHorizontal;
        else if (p == "insidevertical" || p == "insidev") index = xl::insideVertical;
        else return -1;

        // A property set on a border (or on every edge of every cell for the whole
        // collection): the cells and sides it reaches.
        auto apply = [&](auto change) {
            struct Part { int r1, c1, r2, c2; BorderSlot slot; };
            std::vector<Part> parts;
            switch (index) {
            case 0:
                for (BorderSlot s : {leftEdge, topEdge, bottomEdge, rightEdge})
                    parts.push_back({r.row1, r.col1, r.row2, r.col2, s});
                break;
            case xl::diagonalDown: parts.push_back({r.row1, r.col1, r.row2, r.col2, diagDown}); break;
            case xl::diagonalUp: parts.push_back({r.row1, r.col1, r.row2, r.col2, diagUp}); break;
            case xl::edgeLeft: parts.push_back({r.row1, r.col1, r.row2, r.col1, leftEdge}); break;
            case xl::edgeRight: parts.push_back({r.row1, r.col2, r.row2, r.col2, rightEdge}); break;
            case xl::edgeTop: parts.push_back({r.row1, r.col1, r.row1, r.col2, topEdge}); break;
            case xl::edgeBottom: parts.push_back({r.row2, r.col1, r.row2, r.col2, bottomEdge}); break;
            case xl::insideHorizontal:
                if (r.row2 > r.row1) {
                    parts.push_back({r.row1, r.col1, r.row2 - 1, r.col2, bottomEdge});
                    parts.push_back({r.row1 + 1, r.col1, r.row2, r.col2, topEdge});
                }
                break;
            default:
                if (r.col2 > r.col1) {
                    parts.push_back({r.row1, r.col1, r.row2, r.col2 - 1, rightEdge});
                    parts.push_back({r.row1, r.col1 + 1, r.row2, r.col2, leftEdge});
                }
            }
            for (const Part& part : parts)
                worksheet_->changeStyle(part.r1, part.c1, part.r2, part.c2,
                                        [&](Style& s) { change(s.borders[part.slot]); });
        };

        if (!setting.weight.empty()) {
            const std::string& w = setting.weight;
            int weight = w == "hairline" ? xl::hairline : w == "thin" ? xl::thin : w == "medium" ? xl::medium : w == "thick" ? xl::thick : 0;
            if (weight == 0) return -1;
            apply([&](BorderLine& b) {
                b.weight = weight;
                if (b.lineStyle == xl::none) b.lineStyle = xl::continuous;
            });
        }
        if (!setting.lineStyle.empty()) {
            const std::string& l = setting.lineStyle;
            int style = l == "continuous" ? xl::continuous : l == "dash" ? xl::dash : l == "dashdot" ? xl::dashDot
                      : l == "dashdotdot" ? xl::dashDotDot : l == "dot" ? xl::dot : l == "double" ? xl::lineDouble
                      : l == "slantdashdot" ? xl::slantDashDot : l == "none" || l == "linestylenone" ? xl::none : 0;
            if (style == 0) return -1;
            apply([&](BorderLine& b) {
                b.lineStyle = style;
                if (style == xl::none) b = BorderLine();
                if (style == xl::lineDouble) b.weight = xl::thick;  // a double line is thick
            });
        }
        if (setting.colour != 0) {
            if (setting.colour < 0 || setting.colour > xl::noColor) throw ServerError("no such colour");
            apply([&](BorderLine& b) {
                b.color = setting.colour;
                if (b.lineStyle == xl::none) b.lineStyle = xl::continuous;
            });
        }
        if (!setting.clearText.empty()) {
            if (setting.clearText != "clear") return -1;
            apply([](BorderLine& b) { b = BorderLine(); });
        }
    } catch (const std::exception&) {
        printout("Error:  in Excel::CellBorder().\n");
        return -1;
    }
    return 0;
}
