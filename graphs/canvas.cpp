#include "graphs/canvas.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace graphs {
namespace {

// Advances of the printable ASCII characters 32..126 in a proportional face, in thousandths
// of the font height.
constexpr short proportional[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // ' '../
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556,                                // 0..9
    278, 278, 584, 584, 584, 556, 1015,                                              // :..@
    667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833,                 // A..M
    722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611,                 // N..Z
    278, 278, 278, 469, 556, 333,                                                    // [..`
    556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833,                 // a..m
    556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500,                 // n..z
    334, 260, 334, 584};                                                             // {..~

bool isproportional(const std::string& face) {
    static const char* const faces[] = {"arial",  "helvetica", "times new roman", "times",
                                        "tahoma", "verdana",   "ms sans serif"};
    std::string lower(face);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::find(std::begin(faces), std::end(faces), lower) != std::end(faces);
}

}  // namespace

int coord(double v) {
    if (std::isnan(v)) return 0;
    if (v <= -32768.0) return -32768;
    if (v >= 32767.0) return 32767;
    return static_cast<int>(v);
}

int fontunits(int points) { return points * 96 / 72; }

int textwidth(const std::string& face, int height, const std::string& text) {
    const bool prop = isproportional(face);
    long long sum = 0;
    for (unsigned char c : text) {
        if (!prop) sum += 600;
        else if (c >= 32 && c <= 126) sum += proportional[c - 32];
        else sum += 556;
    }
    return static_cast<int>(sum * height / 1000);
}

void Canvas::setPen(const Pen& p) {
    if (penSet_ && p.style == pen_.style && p.width == pen_.width && p.colour == pen_.colour)
        return;
    pen_ = p;
    penSet_ = true;
    records_.push_back(Record{Op::Pen, p.style, p.width, 0, 0, p.colour, {}});
}

void Canvas::setBrush(const Brush& b) {
    if (brushSet_ && b.fill == brush_.fill && b.colour == brush_.colour) return;
    brush_ = b;
    brushSet_ = true;
    records_.push_back(Record{Op::Brush, b.fill, 0, 0, 0, b.colour, {}});
}

void Canvas::setFont(const Font& f) {
    if (fontSet_ && f.face == font_.face && f.height == font_.height &&
        f.escapement == font_.escapement)
        return;
    font_ = f;
    fontSet_ = true;
    records_.push_back(Record{Op::Font, f.height, f.escapement, 0, 0, 0, f.face});
}

void Canvas::setTextAlign(int flags) {
    if (alignSet_ && flags == align_) return;
    align_ = flags;
    alignSet_ = true;
    records_.push_back(Record{Op::TextAlign, flags, 0, 0, 0, 0, {}});
}

void Canvas::setTextColor(std::uint32_t colour) {
    if (colourSet_ && colour == textColour_) return;
    textColour_ = colour;
    colourSet_ = true;
    records_.push_back(Record{Op::TextColor, 0, 0, 0, 0, colour, {}});
}

void Canvas::moveTo(int x, int y) {
    records_.push_back(Record{Op::MoveTo, coord(x), coord(y), 0, 0, 0, {}});
}

void Canvas::lineTo(int x, int y) {
    records_.push_back(Record{Op::LineTo, coord(x), coord(y), 0, 0, 0, {}});
}

void Canvas::rectangle(int left, int top, int right, int bottom) {
    records_.push_back(
        Record{Op::Rectangle, coord(left), coord(top), coord(right), coord(bottom), 0, {}});
}

void Canvas::fill(int left, int top, int right, int bottom, std::uint32_t colour) {
    const Pen oldPen = pen_;
    const Brush oldBrush = brush_;
    const bool hadPen = penSet_, hadBrush = brushSet_;
    setPen(Pen{penNull, 1, 0});
    setBrush(Brush{brushSolid, colour});
    rectangle(left, top, right, bottom);
    if (hadPen) setPen(oldPen);
    if (hadBrush) setBrush(oldBrush);
}

void Canvas::setPixel(int x, int y, std::uint32_t colour) {
    records_.push_back(Record{Op::Pixel, coord(x), coord(y), 0, 0, colour, {}});
}

void Canvas::textOut(int x, int y, const std::string& text) {
    records_.push_back(Record{Op::Text, coord(x), coord(y), 0, 0, 0, text});
}

int Canvas::textHeight(const std::string& text) const {
    return text.empty() ? 0 : font_.height;
}

int Canvas::textWidth(const std::string& text) const {
    return textwidth(font_.face, font_.height, text);
}

void Canvas::play(const Record& r) {
    switch (r.op) {
    case Op::Pen: setPen(Pen{r.a, r.b, r.colour}); break;
    case Op::Brush: setBrush(Brush{r.a, r.colour}); break;
    case Op::Font: setFont(Font{r.text, r.a, r.b}); break;
    case Op::TextAlign: setTextAlign(r.a); break;
    case Op::TextColor: setTextColor(r.colour); break;
    case Op::MoveTo: moveTo(r.a, r.b); break;
    case Op::LineTo: lineTo(r.a, r.b); break;
    case Op::Rectangle: rectangle(r.a, r.b, r.c, r.d); break;
    case Op::Pixel: setPixel(r.a, r.b, r.colour); break;
    case Op::Text: textOut(r.a, r.b, r.text); break;
    }
}

}  // namespace graphs
