// Reading workbooks: .xlsx over libzip and pugixml, and the text formats. Every size, index
// and reference read from a file is checked before it is used; entries are inflated only up
// to a fixed cap.
#include <strings.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <pugixml.hpp>
#include <set>

#include "excel/numformat.h"
#include "excel/workbook_files.h"

namespace xlmodel {

namespace {

// The largest entry inflated, and the most inflated from one archive.
constexpr std::uint64_t entryCap = 256u << 20;
constexpr std::uint64_t archiveCap = 1024u << 20;

[[noreturn]] void refuse(const std::string& name, const std::string& reason) {
    throw ServerError("cannot read " + name + ": " + reason);
}

bool endswithnocase(const std::string& s, const char* tail) {
    std::size_t n = std::strlen(tail);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

// A cell reference such as B12: its column and row; false when it is not one. Columns and
// rows beyond the model's limits are given as they are (the caller skips them).
bool cellref(const char* s, long& row, long& col) {
    col = 0;
    int letters = 0;
    for (; (*s >= 'A' && *s <= 'Z') || (*s >= 'a' && *s <= 'z'); ++s) {
        if (++letters > 3) return false;
        col = col * 26 + ((*s | 0x20) - 'a' + 1);
    }
    if (letters == 0 || *s < '1' || *s > '9') return false;
    row = 0;
    int digits = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        if (++digits > 7) return false;
        row = row * 10 + (*s - '0');
    }
    return *s == '\0';
}

bool parsedouble(const char* s, double& out) {
    while (*s == ' ') ++s;
    if (*s == '\0') return false;
    char* end = nullptr;
    out = std::strtod(s, &end);
    while (*end == ' ') ++end;
    return *end == '\0' && std::isfinite(out);
}

// An ARGB colour attribute as a Windows colour value; -1 when it has none that we read.
int argbcolor(const pugi::xml_node& node) {
    const char* text = node.attribute("rgb").value();
    std::size_t n = std::strlen(text);
    if (n != 8 && n != 6) return -1;
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 16);
    if (*end) return -1;
    unsigned r = (v >> 16) & 255, g = (v >> 8) & 255, b = v & 255;
    return static_cast<int>(r | (g << 8) | (b << 16));
}

BorderLine borderline(const pugi::xml_node& node) {
    struct Named { const char* name; int lineStyle; int weight; };
    static const Named styles[] = {
        {"hair", xl::continuous, xl::hairline},     {"thin", xl::continuous, xl::thin},
        {"medium", xl::continuous, xl::medium},     {"thick", xl::continuous, xl::thick},
        {"dashed", xl::dash, xl::thin},             {"mediumDashed", xl::dash, xl::medium},
        {"dotted", xl::dot, xl::thin},              {"double", xl::lineDouble, xl::thick},
        {"dashDot", xl::dashDot, xl::thin},         {"mediumDashDot", xl::dashDot, xl::medium},
        {"dashDotDot", xl::dashDotDot, xl::thin},   {"mediumDashDotDot", xl::dashDotDot, xl::medium},
        {"slantDashDot", xl::slantDashDot, xl::medium},
    };
    BorderLine b;
    const char* style = node.attribute("style").value();
    for (const Named& s : styles)
        if (std::strcmp(style, s.name) == 0) {
            b.lineStyle = s.lineStyle;
            b.weight = s.weight;
            int c = argbcolor(node.child("color"));
            b.color = c < 0 ? 0 : c;
        }
    return b;
}

int alignment(const char* word, bool vertical) {
    if (!vertical) {
        if (!std::strcmp(word, "left")) return xl::left;
        if (!std::strcmp(word, "center")) return xl::center;
        if (!std::strcmp(word, "right")) return xl::right;
        if (!std::strcmp(word, "justify")) return xl::justify;
        return 0;
    }
    if (!std::strcmp(word, "top")) return xl::top;
    if (!std::strcmp(word, "center")) return xl::center;
    if (!std::strcmp(word, "justify")) return xl::justify;
    return 0;
}

class XlsxReader {
public:
    XlsxReader(const void* data, std::size_t size, const std::string& name) : name_(name) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        if (size == 0) refuse(name_, "the file is empty");
        if (size >= 8 && std::memcmp(p, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) == 0)
            refuse(name_, "an old binary .xls workbook, which Jex7 does not read; save it as .xlsx in the spreadsheet program and open that");
        if (size < 4 || p[0] != 'P' || p[1] != 'K') refuse(name_, "not a workbook (not a zip archive)");
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
        if (source) zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!zip_) {
            if (source) zip_source_free(source);
            std::string reason = std::string("a damaged zip archive (") + zip_error_strerror(&error) + ")";
            zip_error_fini(&error);
            refuse(name_, reason);
        }
        zip_error_fini(&error);
    }
    ~XlsxReader() {
        if (zip_) zip_discard(zip_);
    }
    XlsxReader(const XlsxReader&) = delete;
    XlsxReader& operator=(const XlsxReader&) = delete;

    std::unique_ptr<Workbook> read(std::string& warning) {
        std::string bookPath = "xl/workbook.xml";
        pugi::xml_document rootRels;
        if (load("_rels/.rels", rootRels, false))
            for (pugi::xml_node r : rootRels.child("Relationships").children("Relationship"))
                if (endswith(r.attribute("Type").value(), "/officeDocument"))
                    bookPath = target("", r.attribute("Target").value());
        pugi::xml_document wbDoc;
        if (!load(bookPath, wbDoc, false)) refuse(name_, "no " + bookPath + " in the archive");
        pugi::xml_node wb = wbDoc.child("workbook");
        if (!wb) refuse(name_, bookPath + " is not a workbook part");
        std::string pr = wb.child("workbookPr").attribute("date1904").value();
        date1904_ = pr == "1" || pr == "true";

        std::string bookDir = directory(bookPath);
        std::map<std::string, std::pair<std::string, std::string>> rels;  // id -> (type, path)
        pugi::xml_document relsDoc;
        if (load(bookDir + "_rels/" + basename(bookPath) + ".rels", relsDoc, false))
            for (pugi::xml_node r : relsDoc.child("Relationships").children("Relationship"))
                rels[r.attribute("Id").value()] = {r.attribute("Type").value(),
                                                   target(bookDir, r.attribute("Target").value())};
        std::string stringsPath = bookDir + "sharedStrings.xml", stylesPath = bookDir + "styles.xml";
        for (const auto& [id, rel] : rels) {
            if (endswith(rel.first, "/sharedStrings")) stringsPath = rel.second;
            if (endswith(rel.first, "/styles")) stylesPath = rel.second;
        }
        auto book = std::make_unique<Workbook>(name_);
        book_ = book.get();
        readstrings(stringsPath);
        readstyles(stylesPath);

        for (pugi::xml_node s : wb.child("sheets").children("sheet")) {
            auto it = rels.find(s.attribute("r:id").value());
            if (it == rels.end()) refuse(name_, "the sheet " + std::string(s.attribute("name").value()) + " has no part");
            if (endswith(it->second.first, "/chartsheet")) {
                unread_.insert("charts");
                continue;
            }
            if (!endswith(it->second.first, "/worksheet")) continue;
            std::string sheetName = s.attribute("name").value();
            if (sheetName.empty() || sheetName.size() > 255 || book->findSheet(sheetName))
                refuse(name_, "a sheet without a name or with the name of another");
            Worksheet& sheet = book->addSheet(nullptr, false);
            sheet.setNameUnchecked(sheetName);
            readsheet(it->second.second, sheet);
        }
        if (book->sheetCount() == 0) refuse(name_, "the workbook has no worksheet");
        book->activate(*book->sheets().front());
        if (!unread_.empty()) {
            std::vector<std::string> what(unread_.begin(), unread_.end());
            for (std::size_t i = 0; i < what.size(); ++i) {
                if (i > 0) warning += i + 1 == what.size() ? " and " : ", ";
                warning += what[i];
            }
        }
        return book;
    }

private:
    static bool endswith(const std::string& s, const char* tail) {
        std::size_t n = std::strlen(tail);
        return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
    }
    static std::string directory(const std::string& path) {
        std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? "" : path.substr(0, slash + 1);
    }
    static std::string basename(const std::string& path) {
        std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }
    // A relationship's target as a part name: absolute from the archive's root, else
    // relative to the source's directory, with "." and ".." resolved.
    static std::string target(const std::string& dir, const std::string& t) {
        std::string whole = !t.empty() && t[0] == '/' ? t.substr(1) : dir + t;
        std::vector<std::string> parts;
        std::size_t start = 0;
        while (start <= whole.size()) {
            std::size_t end = whole.find('/', start);
            if (end == std::string::npos) end = whole.size();
            std::string part = whole.substr(start, end - start);
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = end + 1;
        }
        std::string out;
        for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
        return out;
    }

    // An entry's bytes; false when there is no such entry (and `required` is false).
    bool entry(const std::string& part, std::string& out) {
        zip_int64_t index = zip_name_locate(zip_, part.c_str(), ZIP_FL_NOCASE);
        if (index < 0) return false;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) != 0)
            refuse(name_, "a damaged entry " + part);
        if ((st.valid & ZIP_STAT_SIZE) && st.size > entryCap)
            refuse(name_, "the entry " + part + " is too large");
        zip_file_t* f = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
        if (!f) refuse(name_, "the entry " + part + " cannot be inflated");
        out.clear();
        // Room for the whole entry at once, as far as its stated size is believable: deflate
        // expands at most about a thousandfold.
        if ((st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_COMP_SIZE))
            out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(st.size, st.comp_size * 1100 + 65536)));
        char buffer[65536];
        for (;;) {
            zip_int64_t n = zip_fread(f, buffer, sizeof buffer);
            if (n < 0) {
                zip_fclose(f);
                refuse(name_, "the entry " + part + " is damaged");
            }
            if (n == 0) break;
            if (out.size() + static_cast<std::uint64_t>(n) > entryCap ||
                inflated_ + static_cast<std::uint64_t>(n) > archiveCap) {
                zip_fclose(f);
                refuse(name_, "the entry " + part + " is too large");
            }
            out.append(buffer, static_cast<std::size_t>(n));
            inflated_ += static_cast<std::uint64_t>(n);
        }
        zip_fclose(f);
        return true;
    }

    // Line ends and blanks inside attribute values are not normalised: no part read here
    // depends on them.
    static constexpr unsigned parseOptions = pugi::parse_cdata | pugi::parse_escapes;

    // Parses bytes in place: they must live as long as the document.
    void parse(const std::string& part, pugi::xml_document& doc, std::string& bytes) {
        pugi::xml_parse_result r = doc.load_buffer_inplace(bytes.data(), bytes.size(), parseOptions, pugi::encoding_utf8);
        if (!r) refuse(name_, part + " is not well-formed XML (" + r.description() + ")");
    }

    // An entry parsed as a document; false when there is no such entry.
    bool load(const std::string& part, pugi::xml_document& doc, bool required) {
        buffers_.emplace_back();
        if (!entry(part, buffers_.back())) {
            if (required) refuse(name_, "no " + part + " in the archive");
            return false;
        }
        parse(part, doc, buffers_.back());
        return true;
    }

    static std::string runtext(const pugi::xml_node& si) {
        if (pugi::xml_node t = si.child("t")) return t.text().get();
        std::string joined;
        for (pugi::xml_node r : si.children("r")) joined += r.child("t").text().get();
        return joined;
    }

    // The raised and lowered runs of a rich text, by their place in the joined text.
    static std::vector<ScriptRun> runscripts(const pugi::xml_node& si) {
        std::vector<ScriptRun> runs;
        int at = 1;
        for (pugi::xml_node r : si.children("r")) {
            int length = static_cast<int>(std::strlen(r.child("t").text().get()));
            std::string align = r.child("rPr").child("vertAlign").attribute("val").value();
            if (length > 0 && (align == "superscript" || align == "subscript"))
                runs.push_back({at, length, align == "subscript"});
            at += length;
        }
        return runs;
    }

    void readstrings(const std::string& part) {
        pugi::xml_document doc;
        if (!load(part, doc, false)) return;
        for (pugi::xml_node si : doc.child("sst").children("si")) {
            strings_.push_back(runtext(si));
            stringRuns_.push_back(runscripts(si));
        }
    }

    void readstyles(const std::string& part) {
        pugi::xml_document doc;
        if (!load(part, doc, false)) return;
        pugi::xml_node ss = doc.child("styleSheet");
        std::map<long, std::string> formats;
        for (pugi::xml_node f : ss.child("numFmts").children("numFmt"))
            formats[f.attribute("numFmtId").as_int(-1)] = f.attribute("formatCode").value();
        std::vector<Font> fonts;
        for (pugi::xml_node f : ss.child("fonts").children("font")) {
            Font font;
            if (pugi::xml_node n = f.child("name")) font.name = n.attribute("val").value();
            if (pugi::xml_node n = f.child("sz")) {
                double size = n.attribute("val").as_double(11);
                if (size >= 1 && size <= 409) font.size = size;
            }
            auto flag = [&](const char* tag) {
                pugi::xml_node n = f.child(tag);
                return n && n.attribute("val").as_bool(true);
            };
            font.bold = flag("b");
            font.italic = flag("i");
            if (pugi::xml_node u = f.child("u")) {
                std::string v = u.attribute("val").value();
                font.underline = v == "double"             ? xl::underlineDouble
                                 : v == "singleAccounting" ? xl::underlineSingleAccounting
                                 : v == "doubleAccounting" ? xl::underlineDoubleAccounting
                                 : v == "none"             ? xl::none
                                                           : xl::underlineSingle;
            }
            int c = argbcolor(f.child("color"));
            font.color = c < 0 ? 0 : c;
            fonts.push_back(font);
        }
        std::vector<int> fills;
        for (pugi::xml_node f : ss.child("fills").children("fill")) {
            pugi::xml_node p = f.child("patternFill");
            std::string type = p.attribute("patternType").value();
            int c = -1;
            if (type == "solid") {
                c = argbcolor(p.child("fgColor"));
                if (c < 0) c = 0;
            }
            fills.push_back(c);
        }
        std::vector<std::array<BorderLine, borderSlots>> borders;
        for (pugi::xml_node b : ss.child("borders").children("border")) {
            std::array<BorderLine, borderSlots> lines;
            lines[leftEdge] = borderline(b.child("left"));
            lines[rightEdge] = borderline(b.child("right"));
            lines[topEdge] = borderline(b.child("top"));
            lines[bottomEdge] = borderline(b.child("bottom"));
            BorderLine diagonal = borderline(b.child("diagonal"));
            if (b.attribute("diagonalUp").as_bool()) lines[diagUp] = diagonal;
            if (b.attribute("diagonalDown").as_bool()) lines[diagDown] = diagonal;
            borders.push_back(lines);
        }
        for (pugi::xml_node xf : ss.child("cellXfs").children("xf")) {
            Style s;
            long id = xf.attribute("numFmtId").as_int(0);
            auto it = formats.find(id);
            std::string f = it != formats.end() ? it->second : builtinFormat(static_cast<int>(id));
            if (f.empty()) f = isBuiltinDateId(static_cast<int>(id)) ? "m/d/yyyy" : "General";
            s.numberFormat = f;
            std::size_t font = xf.attribute("fontId").as_uint(0);
            if (font < fonts.size()) s.font = fonts[font];
            std::size_t fill = xf.attribute("fillId").as_uint(0);
            if (fill < fills.size()) s.interior = fills[fill];
            std::size_t border = xf.attribute("borderId").as_uint(0);
            if (border < borders.size()) std::copy(borders[border].begin(), borders[border].end(), s.borders);
            if (pugi::xml_node a = xf.child("alignment")) {
                s.horizontal = alignment(a.attribute("horizontal").value(), false);
                s.vertical = alignment(a.attribute("vertical").value(), true);
                s.wrap = a.attribute("wrapText").as_bool();
            }
            xfStyles_.push_back(book_->styles.intern(s));
        }
    }

    void readsheet(const std::string& part, Worksheet& sheet) {
        // The rows of the sheet data are parsed one at a time (a whole sheet's tree would
        // take several times the part's size); the rest of the part as one document.
        std::string bytes;  // before the documents, which point into them
        if (!entry(part, bytes)) refuse(name_, "no " + part + " in the archive");
        std::string rows;
        std::size_t open = bytes.find("<sheetData");
        std::size_t close = bytes.find("</sheetData>");
        if (open != std::string::npos && close != std::string::npos && open < close &&
            (bytes[open + 10] == '>' || bytes[open + 10] == ' ')) {
            std::size_t inner = bytes.find('>', open) + 1;
            if (inner <= close) {
                rows = bytes.substr(inner, close - inner);
                bytes.erase(inner, close - inner);
            }
        }
        pugi::xml_document doc;
        parse(part, doc, bytes);
        pugi::xml_node ws = doc.child("worksheet");
        if (!ws) refuse(name_, part + " is not a worksheet part");
        if (ws.child("drawing")) unread_.insert("charts or pictures");
        if (ws.child("legacyDrawing")) unread_.insert("comments");
        pugi::xml_document rels;
        if (load(directory(part) + "_rels/" + basename(part) + ".rels", rels, false))
            for (pugi::xml_node r : rels.child("Relationships").children("Relationship")) {
                std::string type = r.attribute("Type").value();
                if (endswith(type, "/comments")) unread_.insert("comments");
                if (endswith(type, "/drawing")) unread_.insert("charts or pictures");
            }

        for (pugi::xml_node c : ws.child("cols").children("col")) {
            long lo = c.attribute("min").as_int(0), hi = c.attribute("max").as_int(0);
            double w = c.attribute("width").as_double(-1);
            if (w <= 0 || w > 1e4 || lo < 1) continue;
            for (long k = lo; k <= std::min<long>(hi, maxCols); ++k) sheet.columnWidths[static_cast<int>(k)] = widthfromstored(w);
        }
        for (pugi::xml_node m : ws.child("mergeCells").children("mergeCell")) {
            std::string ref = m.attribute("ref").value();
            std::size_t colon = ref.find(':');
            long r1, c1, r2, c2;
            if (colon == std::string::npos || !cellref(ref.substr(0, colon).c_str(), r1, c1) ||
                !cellref(ref.substr(colon + 1).c_str(), r2, c2))
                refuse(name_, "a bad merged range " + ref);
            if (r2 > maxRows || c2 > maxCols) {
                unread_.insert("cells beyond IV65536");
                continue;
            }
            if (r1 <= r2 && c1 <= c2)
                sheet.merges.push_back({static_cast<int>(r1), static_cast<int>(c1), static_cast<int>(r2), static_cast<int>(c2)});
        }
        pugi::xml_node pane = ws.child("sheetViews").child("sheetView").child("pane");
        if (pane && std::string(pane.attribute("state").value()).rfind("frozen", 0) == 0) {
            sheet.paneCol = std::clamp(pane.attribute("xSplit").as_int(0), 0, maxCols);
            sheet.paneRow = std::clamp(pane.attribute("ySplit").as_int(0), 0, maxRows);
        }

        long previousRow = 0;
        for (pugi::xml_node row : ws.child("sheetData").children("row")) readrow(row, previousRow, sheet, part);
        pugi::xml_document rowDoc;
        for (std::size_t pos = rows.find("<row"); pos != std::string::npos; pos = rows.find("<row", pos)) {
            std::size_t gt = rows.find('>', pos);
            if (gt == std::string::npos) refuse(name_, part + " is not well-formed XML (a row is cut)");
            std::size_t end = gt + 1;
            if (rows[gt - 1] != '/') {
                std::size_t closing = rows.find("</row>", gt);
                if (closing == std::string::npos) refuse(name_, part + " is not well-formed XML (a row is not closed)");
                end = closing + 6;
            }
            rowDoc.reset();
            pugi::xml_parse_result r = rowDoc.load_buffer_inplace(&rows[pos], end - pos, parseOptions, pugi::encoding_utf8);
            if (!r) refuse(name_, part + " is not well-formed XML (" + r.description() + ")");
            readrow(rowDoc.child("row"), previousRow, sheet, part);
            pos = end;
        }
    }

    void readrow(const pugi::xml_node& row, long& previousRow, Worksheet& sheet, const std::string& part) {
        long r = row.attribute("r").as_llong(previousRow + 1);
        if (r < 1 || r > 1048576) refuse(name_, "a bad row number in " + part);
        previousRow = r;
        if (r > maxRows) {
            unread_.insert("cells beyond IV65536");
            return;
        }
        if (pugi::xml_attribute ht = row.attribute("ht")) {
            double h = ht.as_double(-1);
            if (h >= 0 && h <= 409.5) sheet.rowHeights[static_cast<int>(r)] = h;
        }
        long previousCol = 0, lastRow = 0, lastCol = 0;
        // Room for the row's cells at once, when its last cell names its column.
        if (pugi::xml_node last = row.last_child(); last && cellref(last.attribute("r").value(), lastRow, lastCol) &&
                                                    lastRow == r && lastCol <= maxCols)
            sheet.reserveRow(static_cast<int>(r), static_cast<int>(lastCol));
        for (pugi::xml_node c : row.children("c")) {
            long cr = r, cc = previousCol + 1;
            if (pugi::xml_attribute ref = c.attribute("r")) {
                if (!cellref(ref.value(), cr, cc) || cr != r)
                    refuse(name_, "a bad cell reference " + std::string(ref.value()) + " in " + part);
            }
            previousCol = cc;
            if (cc > maxCols) {
                unread_.insert("cells beyond IV65536");
                continue;
            }
            readcell(c, sheet, static_cast<int>(r), static_cast<int>(cc), part);
        }
    }

    void readcell(const pugi::xml_node& c, Worksheet& sheet, int r, int col, const std::string& part) {
        auto at = [&]() { return std::string(c.attribute("r").value()) + " in " + part; };
        std::size_t xf = c.attribute("s").as_uint(0);
        std::uint32_t style = xf < xfStyles_.size() ? xfStyles_[xf] : 0;
        std::string type = c.attribute("t").value();
        const char* v = c.child("v").text().get();
        std::string formula = c.child("f").text().get();
        Value value;
        std::vector<ScriptRun> runs;
        if (type == "s") {
            char* end = nullptr;
            unsigned long i = std::strtoul(v, &end, 10);
            if (*v == '\0' || *end || i >= strings_.size())
                refuse(name_, "a shared string index past the table at " + at());
            value = Value::str(strings_[i]);
            runs = stringRuns_[i];
        } else if (type == "inlineStr") {
            value = Value::str(runtext(c.child("is")));
            runs = runscripts(c.child("is"));
        } else if (type == "str") {
            static const char* const errors[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"};
            value = Value::str(v);
            for (const char* e : errors)
                if (formula == e && value.text == e) {
                    value = Value::error(e);  // an error constant written as a formula
                    formula.clear();
                }
        } else if (type == "b") {
            value = Value::boolean(std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0);
        } else if (type == "e") {
            value = Value::error(v);
        } else if (type == "d") {
            int y, m, d, hh = 0, mm = 0;
            double ss = 0;
            int n = std::sscanf(v, "%d-%d-%dT%d:%d:%lf", &y, &m, &d, &hh, &mm, &ss);
            if (n < 3 || m < 1 || m > 12 || d < 1 || d > 31 || y < 1 || y > 9999)
                refuse(name_, "a bad date at " + at());
            value = Value::num(dateserial(y, m, d) + (hh * 3600 + mm * 60 + ss) / 86400.0);
            if (!isDateFormat(book_->styles[style].numberFormat)) {
                Style dated = book_->styles[style];
                dated.numberFormat = "m/d/yyyy";
                style = book_->styles.intern(dated);
            }
        } else if (type.empty() || type == "n") {
            if (*v) {
                double x;
                if (!parsedouble(v, x)) refuse(name_, "a bad number at " + at());
                if (date1904_ && isDateFormat(book_->styles[style].numberFormat)) x += 1462;
                value = Value::num(x);
            }
        } else {
            refuse(name_, "an unknown cell type " + type + " at " + at());
        }
        sheet.setStyleIndex(r, col, style);
        if (value.kind == Kind::text) {
            sheet.setTextUnchecked(r, col, value.text);
            if (!runs.empty()) sheet.scripts[Worksheet::key(r, col)] = std::move(runs);
        } else if (value.kind != Kind::empty) sheet.setValue(r, col, value);
        if (!formula.empty()) sheet.setFormula(r, col, formula);
    }

    std::string name_;
    zip_t* zip_ = nullptr;
    std::uint64_t inflated_ = 0;
    Workbook* book_ = nullptr;
    bool date1904_ = false;
    std::vector<std::string> strings_;
    std::vector<std::vector<ScriptRun>> stringRuns_;  // beside strings_
    std::vector<std::uint32_t> xfStyles_;
    std::set<std::string> unread_;
    std::list<std::string> buffers_;  // the bytes of the parsed parts
};

// The bytes of a text file as the model's text: UTF-16LE with its mark becomes UTF-8, a
// UTF-8 mark is dropped, anything else is kept as it is.
std::string decodetext(const std::string& raw) {
    if (raw.size() >= 3 && raw.compare(0, 3, "\xef\xbb\xbf") == 0) return raw.substr(3);
    if (raw.size() < 2 || raw.compare(0, 2, "\xff\xfe") != 0) return raw;
    std::string out;
    auto put = [&](unsigned long cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xc0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xe0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        }
    };
    for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
        unsigned long u = static_cast<unsigned char>(raw[i]) | (static_cast<unsigned char>(raw[i + 1]) << 8);
        if (u >= 0xd800 && u < 0xdc00 && i + 3 < raw.size()) {
            unsigned long low = static_cast<unsigned char>(raw[i + 2]) | (static_cast<unsigned char>(raw[i + 3]) << 8);
            if (low >= 0xdc00 && low < 0xe000) {
                put(0x10000 + ((u - 0xd800) << 10) + (low - 0xdc00));
                i += 2;
                continue;
            }
        }
        put(u >= 0xd800 && u < 0xe000 ? 0xfffd : u);
    }
    return out;
}

// A field of a text file as a server types it into a General cell.
Value typedvalue(const std::string& field, bool quoted) {
    if (field.empty()) return Value();
    if (quoted) return Value::str(field);
    double x;
    bool numeric = field.find_first_not_of("0123456789+-.eE ") == std::string::npos;
    if (numeric && parsedouble(field.c_str(), x)) return Value::num(x);
    if (strcasecmp(field.c_str(), "TRUE") == 0) return Value::boolean(true);
    if (strcasecmp(field.c_str(), "FALSE") == 0) return Value::boolean(false);
    return Value::str(field);
}

bool readfile(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    out.clear();
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace

std::unique_ptr<Workbook> readxlsxbytes(const void* data, std::size_t size, const std::string& name,
                                        std::string& warning) {
    warning.clear();
    XlsxReader reader(data, size, name);
    return reader.read(warning);
}

std::unique_ptr<Workbook> readtextfile(const std::string& path, char separator, std::string& warning) {
    warning.clear();
    std::string raw;
    if (!readfile(path, raw)) refuse(path, "the file cannot be read");
    std::string text = decodetext(raw);
    auto book = std::make_unique<Workbook>(path);
    Worksheet& sheet = book->addSheet(nullptr, false);
    std::size_t slash = path.find_last_of('/');
    std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
    stem = stem.substr(0, stem.rfind('.'));
    std::string sheetName;
    for (char c : stem)
        if (!std::strchr(":\\/?*[]", c) && sheetName.size() < 31) sheetName += c;
    if (!sheetName.empty()) sheet.setNameUnchecked(sheetName);
    bool beyond = false;
    int row = 1, col = 1;
    std::string field;
    bool quoted = false;
    std::size_t i = 0;
    auto endfield = [&]() {
        if (row <= maxRows && col <= maxCols) {
            Value v = typedvalue(field, quoted);
            if (v.kind != Kind::empty) sheet.setValue(row, col, v);
        } else if (!field.empty()) {
            beyond = true;
        }
        field.clear();
        quoted = false;
        ++col;
    };
    while (i < text.size()) {
        char c = text[i];
        if (c == '"' && field.empty() && !quoted) {
            quoted = true;
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    field += text[i];
                }
            }
            continue;
        }
        if (c == separator) {
            endfield();
        } else if (c == '\r' || c == '\n') {
            endfield();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++row;
            col = 1;
        } else {
            field += c;
        }
        ++i;
    }
    if (!field.empty() || quoted || col > 1) endfield();
    if (beyond) warning = "cells beyond IV65536";
    book->activate(*book->sheets().front());
    return book;
}

std::unique_ptr<Workbook> readworkbookfile(const std::string& path, std::string& warning) {
    std::unique_ptr<Workbook> book;
    int format = xl::workbookFormat;
    if (endswithnocase(path, ".csv")) {
        book = readtextfile(path, ',', warning);
        format = 6;
    } else if (endswithnocase(path, ".txt")) {
        book = readtextfile(path, '\t', warning);
        format = 20;
    } else {
        std::string bytes;
        if (!readfile(path, bytes)) refuse(path, "the file cannot be read");
        book = readxlsxbytes(bytes.data(), bytes.size(), path, warning);
    }
    book->setFile(path, format);
    book->unreadContent = warning;
    return book;
}

}  // namespace xlmodel
