// The drawing surface of the graphs: a canvas that records every drawing operation and every
// change of pen, brush, font, text alignment and text colour, in the graph's logical units.
// The records are what a metafile holds; the WMF writer and the SVG writer turn them into
// files, and the WMF reader plays a file back onto a canvas. Text is measured with one fixed
// table, so that the layout is the same on every machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace graphs {

// Text alignment flags (the metafile's values).
constexpr int alignLeft = 0, alignRight = 2, alignCenter = 6;
constexpr int alignTop = 0, alignBottom = 8, alignBaseline = 24;

// Pen styles 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 null.
constexpr int penNull = 5;
// Brush fills 0 solid, 1 null, 2..7 hatched (horizontal, vertical, forward diagonal,
// backward diagonal, cross, diagonal cross).
constexpr int brushSolid = 0, brushNull = 1;

enum class Op : std::uint8_t {
    Pen,        // a style, b width, colour
    Brush,      // a fill, colour
    Font,       // a height, b escapement (0 or 900), text face
    TextAlign,  // a flags
    TextColor,  // colour
    MoveTo,     // a x, b y
    LineTo,     // a x, b y
    Rectangle,  // a left, b top, c right, d bottom
    Pixel,      // a x, b y, colour
    Text,       // a x, b y, text
};

struct Record {
    Op op = Op::MoveTo;
    int a = 0, b = 0, c = 0, d = 0;
    std::uint32_t colour = 0;
    std::string text;
    bool operator==(const Record&) const = default;
};

struct Pen {
    int style = 0, width = 1;
    std::uint32_t colour = 0;
};
struct Brush {
    int fill = 0;
    std::uint32_t colour = 16777215;
};
struct Font {
    std::string face = "Arial";
    int height = 0;      // logical units
    int escapement = 0;  // tenths of a degree: 0, or 900 for text reading upward
};

// A coordinate as the metafile holds it: truncated toward zero and clamped to 16 bits; a
// value that is not a number becomes 0.
int coord(double v);
// Height in logical units of a font of `points` points (96 units per inch).
int fontunits(int points);
// Width of a text in a font of that face and height (advances in thousandths of the height:
// 600 for every character of Courier, Courier New and unknown faces, a table of our own for
// the proportional faces).
int textwidth(const std::string& face, int height, const std::string& text);

class Canvas {
public:
    Canvas(int width = 1500, int height = 1125) : width_(width), height_(height) {}
    int width() const { return width_; }
    int height() const { return height_; }

    // State changes are recorded only when they change something.
    void setPen(const Pen& p);
    void setPen(std::uint32_t colour, int width, int style) { setPen(Pen{style, width, colour}); }
    void setBrush(const Brush& b);
    void setBrush(int fill, std::uint32_t colour) { setBrush(Brush{fill, colour}); }
    void setFont(const Font& f);
    void setTextAlign(int flags);
    void setTextColor(std::uint32_t colour);
    const Pen& pen() const { return pen_; }
    const Brush& brush() const { return brush_; }
    const Font& font() const { return font_; }
    int textAlign() const { return align_; }

    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void rectangle(int left, int top, int right, int bottom);
    // Fills the box with a colour and no outline: a rectangle drawn with the null pen and a
    // solid brush; pen and brush are put back afterwards.
    void fill(int left, int top, int right, int bottom, std::uint32_t colour);
    void setPixel(int x, int y, std::uint32_t colour);
    void textOut(int x, int y, const std::string& text);

    // Height of a text in the current font: the font's height, 0 for an empty text.
    int textHeight(const std::string& text) const;
    int textWidth(const std::string& text) const;

    // Applies one record (used by the metafile reader).
    void play(const Record& r);
    const std::vector<Record>& records() const { return records_; }
    std::vector<Record> takeRecords() { return std::move(records_); }

private:
    int width_, height_;
    Pen pen_{0, 1, 0};
    Brush brush_{0, 16777215};
    Font font_;
    int align_ = 0;
    std::uint32_t textColour_ = 0;
    bool penSet_ = false, brushSet_ = false, fontSet_ = false, alignSet_ = false,
         colourSet_ = false;
    std::vector<Record> records_;
};

// A finished picture: its logical size and its records.
struct Metafile {
    int width = 1500, height = 1125;
    std::vector<Record> records;
};

}  // namespace graphs
