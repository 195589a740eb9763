#include "graphs/svg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace graphs {
namespace {

std::string colourtext(std::uint32_t c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

// Text and attribute values: the bytes are Latin-1; markup characters are escaped.
std::string escaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (c < 0x20) out += ' ';
            else if (c < 0x80) out += static_cast<char>(c);
            else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    }
    return out;
}

const char* dashes(int style) {
    switch (style) {
    case 1: return "18 6";
    case 2: return "3 3";
    case 3: return "9 6 3 6";
    case 4: return "9 3 3 3 3 3";
    default: return nullptr;
    }
}

// Hatch patterns of the fills 2..7, one per fill and colour, defined where first used.
const char* hatchpath(int fill) {
    switch (fill) {
    case 2: return "M0 4H8";
    case 3: return "M4 0V8";
    case 4: return "M0 8L8 0";
    case 5: return "M0 0L8 8";
    case 6: return "M0 4H8M4 0V8";
    default: return "M0 8L8 0M0 0L8 8";
    }
}

}  // namespace

std::string writesvg(const Metafile& m, int pixelWidth, int pixelHeight) {
    std::string out;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                  "viewBox=\"0 0 %d %d\" preserveAspectRatio=\"none\">\n",
                  pixelWidth, pixelHeight, m.width, m.height);
    out += buf;
    Pen pen{0, 1, 0};
    Brush brush{0, 16777215};
    Font font;
    int align = 0;
    std::uint32_t textColour = 0;
    int cx = 0, cy = 0;
    std::vector<std::string> patterns;

    auto stroke = [&]() -> std::string {
        if (pen.style == penNull) return " stroke=\"none\"";
        std::string s = " stroke=\"" + colourtext(pen.colour) + "\" stroke-width=\"" +
                        std::to_string(std::max(pen.width, 1)) + "\"";
        if (const char* d = dashes(pen.style)) s += std::string(" stroke-dasharray=\"") + d + "\"";
        return s;
    };
    auto fillattr = [&]() -> std::string {
        if (brush.fill == brushNull) return " fill=\"none\"";
        if (brush.fill == brushSolid) return " fill=\"" + colourtext(brush.colour) + "\"";
        const std::string id = "h" + std::to_string(brush.fill) + "_" +
                               colourtext(brush.colour).substr(1);
        if (std::find(patterns.begin(), patterns.end(), id) == patterns.end()) {
            patterns.push_back(id);
            std::snprintf(buf, sizeof buf,
                          "<defs><pattern id=\"%s\" width=\"8\" height=\"8\" "
                          "patternUnits=\"userSpaceOnUse\"><path d=\"%s\" stroke=\"%s\"/>"
                          "</pattern></defs>\n",
                          id.c_str(), hatchpath(brush.fill), colourtext(brush.colour).c_str());
            out += buf;
        }
        return " fill=\"url(#" + id + ")\"";
    };

    for (const Record& r : m.records) {
        switch (r.op) {
        case Op::Pen: pen = Pen{r.a, r.b, r.colour}; break;
        case Op::Brush: brush = Brush{r.a, r.colour}; break;
        case Op::Font: font = Font{r.text, r.a, r.b}; break;
        case Op::TextAlign: align = r.a; break;
        case Op::TextColor: textColour = r.colour; break;
        case Op::MoveTo:
            cx = r.a;
            cy = r.b;
            break;
        case Op::LineTo:
            if (pen.style != penNull) {
                std::snprintf(buf, sizeof buf, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\"", cx,
                              cy, r.a, r.b);
                out += buf + stroke() + "/>\n";
            }
            cx = r.a;
            cy = r.b;
            break;
        case Op::Rectangle: {
            const int x = std::min(r.a, r.c), y = std::min(r.b, r.d);
            const std::string f = fillattr();
            std::snprintf(buf, sizeof buf, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"", x,
                          y, std::abs(r.c - r.a), std::abs(r.d - r.b));
            out += buf + f + stroke() + "/>\n";
            break;
        }
        case Op::Pixel:
            std::snprintf(buf, sizeof buf,
                          "<rect x=\"%d\" y=\"%d\" width=\"1\" height=\"1\" fill=\"%s\"/>\n", r.a,
                          r.b, colourtext(r.colour).c_str());
            out += buf;
            break;
        case Op::Text: {
            const int h = align & 6;
            const char* anchor = h == alignCenter ? "middle" : h == alignRight ? "end" : "start";
            // The vertical alignment as an offset from the reference point along the text's
            // own up direction: ascent 4/5 and descent 1/5 of the font height.
            const int v = align & 24;
            const int dy = v == alignBaseline ? 0 : v == alignBottom ? -font.height / 5
                                                                     : font.height * 4 / 5;
            std::snprintf(buf, sizeof buf,
                          "<text x=\"%d\" y=\"%d\" dy=\"%d\" font-family=\"%s\" "
                          "font-size=\"%d\" text-anchor=\"%s\" fill=\"%s\" "
                          "xml:space=\"preserve\"",
                          r.a, r.b, dy, escaped(font.face).c_str(), font.height, anchor,
                          colourtext(textColour).c_str());
            out += buf;
            if (font.escapement != 0) {
                std::snprintf(buf, sizeof buf, " transform=\"rotate(%d %d %d)\"",
                              -font.escapement / 10, r.a, r.b);
                out += buf;
            }
            out += ">" + escaped(r.text) + "</text>\n";
            break;
        }
        }
    }
    out += "</svg>\n";
    return out;
}

}  // namespace graphs
