#include "excel/jexfont.h"

#include <strings.h>

#include <cstdlib>

#include "interp/reader.h"

namespace {

bool same(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

struct ColorName {
    const char* name;
    std::size_t prefix;  // 0: the whole name must match; else the letters that must
    int value;
};

const ColorName colorNames[] = {
    {"None", 0, 536870911},    {"Aqua", 0, 16776960},       {"Black", 0, 0},
    {"Blue", 0, 16711680},     {"Cream", 0, 15793151},      {"Dark Gray", 0, 8421504},
    {"Fuchsia", 0, 16711935},  {"Gray", 0, 8421504},        {"Green", 0, 32768},
    {"Lime green", 4, 65280},  {"Light Gray", 4, 12632256}, {"Maroon", 0, 128},
    {"Medium Gray", 0, 10789024}, {"Mint green", 4, 12639424}, {"Navy blue", 4, 8388608},
    {"Olive green", 5, 32896}, {"Purple", 0, 8388736},      {"Red", 0, 255},
    {"Silver", 0, 12632256},   {"Sky blue", 3, 15780518},   {"Teal", 0, 8421376},
    {"White", 0, 16777215},    {"Yellow", 0, 65535},
};

const ColorName* findcolor(const std::string& name) {
    for (const ColorName& c : colorNames) {
        bool match = c.prefix ? name.size() >= c.prefix &&
                                    strncasecmp(name.c_str(), c.name, c.prefix) == 0
                              : same(name, c.name);
        if (match) return &c;
    }
    return nullptr;
}

const char* const typefaces[] = {
    "Courier New", "Arial", "Times New Roman", "Times", "Agency FB", "Agency FB Bold",
    "Algerian", "Arial Black", "Arial Black Italic", "Arial Bold", "Arial Bold Italic",
    "Arial Italic", "Arial Narrow", "Arial Narrow Bold", "Arial Narrow Bold Italic",
    "Arial Narrow Italic", "Arial Rounded MT Bold", "Arial Unicode MS", "Baskerville Old Face",
    "Batang", "Bauhaus 93", "Bell MT", "Bell MT Bold", "Bell MT Italic", "Berlin Sans FB",
    "Berlin Sans FB Bold", "Berlin Sans FB Demi Bold", "Bernard MT Condensed", "Blackadder ITC",
    "Bodoni MT", "Bodoni MT Black", "Bodoni MT Black Italic", "Bodoni MT Bold",
    "Bodoni MT Bold Italic", "Bodoni MT Condensed", "Bodoni MT Condensed Bold",
    "Bodoni MT Condensed Bold Italic", "Bodoni MT Condensed Italic", "Bodoni MT Italic",
    "Bodoni MT Poster Compressed", "Book Antiqua", "Book Antiqua Bold",
    "Book Antiqua Bold Italic", "Book Antiqua Italic", "Bookman Old Style",
    "Bookman Old Style Bold", "Bookman Old Style Bold Italic", "Bookman Old Style Italic",
    "Bradley Hand ITC", "Britannic Bold", "Broadway", "Brush Script MT Italic",
    "Californian FB", "Californian FB Bold", "Californian FB Italic", "Calisto MT",
    "Calisto MT Bold", "Calisto MT Bold Italic", "Calisto MT Italic", "Castellar", "Centaur",
    "Century", "Century Gothic", "Century Gothic Bold", "Century Gothic Bold Italic",
    "Century Gothic Italic", "Century Schoolbook", "Century Schoolbook Bold",
    "Century Schoolbook Bold Italic", "Century Schoolbook Italic", "Chiller", "Colonna MT",
    "Comic Sans MS", "Comic Sans MS Bold", "Cooper Black", "Copperplate Gothic Bold",
    "Copperplate Gothic Light", "Courier", "Courier New Bold", "Courier Bold",
    "Courier New Bold Italic", "Courier Bold Italic", "Courier New Italic", "Courier Italic",
    "Curlz MT", "Edwardian Script ITC", "Elephant", "Elephant Italic", "Engravers MT",
    "Eras Bold ITC", "Eras Demi ITC", "Eras Light ITC", "Eras Medium ITC", "Felix Titling",
    "Footlight MT Light", "Forte", "Franklin Gothic Book", "Franklin Gothic Book Italic",
    "Franklin Gothic Demi", "Franklin Gothic Demi Cond", "Franklin Gothic Demi Italic",
    "Franklin Gothic Heavy", "Franklin Gothic Heavy Italic", "Franklin Gothic Medium",
    "Franklin Gothic Medium Cond", "Franklin Gothic Medium Italic", "Freestyle Script",
    "French Script MT", "Garamond", "Garamond Bold", "Garamond Italic", "Gigi", "Gill Sans MT",
    "Gill Sans MT Bold", "Gill Sans MT Bold Italic", "Gill Sans MT Condensed",
    "Gill Sans MT Ext Condensed Bold", "Gill Sans MT Italic", "Gill Sans Ultra Bold",
    "Gill Sans Ultra Bold Condensed", "Gloucester MT Extra Condensed", "Goudy Old Style",
    "Goudy Old Style Bold", "Goudy Old Style Italic", "Goudy Stout", "Haettenschweiler",
    "Harlow Solid Italic", "Harrington", "High Tower Text", "High Tower Text Italic", "Impact",
    "Imprint MT Shadow", "Informal Roman", "Jokerman", "Juice ITC", "Kristen ITC",
    "Kunstler Script", "Lucida Bright", "Lucida Bright Demibold",
    "Lucida Bright Demibold Italic", "Lucida Bright Italic", "Lucida Calligraphy Italic",
    "Lucida Fax Demibold", "Lucida Fax Demibold Italic", "Lucida Fax Italic",
    "Lucida Fax Regular", "Lucida Handwriting Italic", "Lucida Sans Demibold Italic",
    "Lucida Sans Demibold Roman", "Lucida Sans Italic", "Lucida Sans Regular",
    "Lucida Sans Typewriter Bold", "Lucida Sans Typewriter Bold Oblique",
    "Lucida Sans Typewriter Oblique", "Lucida Sans Typewriter Regular", "Magneto Bold",
    "Maiandra GD", "Map Symbols", "Matura MT Script Capitals", "Mistral", "Modern No. 20",
    "Monotype Corsiva", "MS Mincho", "MS Outlook", "MT Extra", "Niagara Engraved",
    "Niagara Solid", "OCR A Extended", "Old English Text MT", "Onyx", "Palace Script MT",
    "Palatino Linotype", "Palatino Linotype Bold", "Palatino Linotype Bold Italic",
    "Palatino Linotype Italic", "Papyrus", "Parchment", "Perpetua", "Perpetua Bold",
    "Perpetua Bold Italic", "Perpetua Italic", "Perpetua Titling MT Bold",
    "Perpetua Titling MT Light", "Playbill", "PMingLiU", "Poor Richard", "Pristina",
    "Rage Italic", "Ravie", "Rockwell", "Rockwell Bold", "Rockwell Bold Italic",
    "Rockwell Condensed", "Rockwell Condensed Bold", "Rockwell Extra Bold", "Rockwell Italic",
    "Script MT Bold", "Showcard Gothic", "SimSun", "Snap ITC", "Stencil", "Symbol", "Tahoma",
    "Tahoma Bold", "Tempus Sans ITC", "Times New Roman Bold", "Times New Roman Bold Italic",
    "Times New Roman Italic", "Trebuchet MS", "Trebuchet MS Bold", "Trebuchet MS Bold Italic",
    "Trebuchet MS Italic", "Tw Cen MT", "Tw Cen MT Bold", "Tw Cen MT Bold Italic",
    "Tw Cen MT Condensed", "Tw Cen MT Condensed Bold", "Tw Cen MT Condensed Extra Bold",
    "Tw Cen MT Italic", "Verdana", "Verdana Bold", "Verdana Bold Italic", "Verdana Italic",
    "Viner Hand ITC", "Vivaldi Italic", "Vladimir Script", "Wide Latin", "Wingdings",
    "Wingdings 2", "Wingdings 3", "Fixedsys",
};

const char* const formatNames[] = {"general",    "number",     "currency", "accounting",
                                   "date",       "short date", "long date", "time",
                                   "percentage", "fraction",   "scientific", "text",
                                   "format"};

}  // namespace

int JexFont::setTypeface(const std::string& name) {
    typeface_ = name;
    return 0;
}

int JexFont::setPitch(int n) {
    if (n < 1) return -1;
    pitch_ = n;
    return 0;
}

int JexFont::setSize(int n) {
    if (n < 1) return -1;
    size_ = n;
    return 0;
}

int JexFont::setItalic(int flag) {
    italic_ = flag ? 1 : 0;
    return 0;
}

int JexFont::setBold(int flag) {
    bold_ = flag ? 1 : 0;
    return 0;
}

int JexFont::setUnderline(const std::string& w) {
    if (w == "underline" || w == "UnderlineSingle" || w == "-") underline_ = '-';
    else if (w == "UnderlineDouble" || w == "=") underline_ = '=';
    else if (w == "UnderlineSingleAccounting" || w == "_") underline_ = '_';
    else if (w == "UnderlineDoubleAccounting" || w == "~") underline_ = '~';
    else if (w == "UnderlineNone" || w.empty()) underline_ = 0;
    else return -1;
    return 0;
}

int JexFont::setHorizontal(const std::string& word) {
    if (word.empty()) return -1;
    switch (word[0]) {
    case 'l': case 'L': horizontal_ = 'l'; return 0;
    case 'c': case 'C': horizontal_ = 'c'; return 0;
    case 'r': case 'R': horizontal_ = 'r'; return 0;
    case 'j': case 'J': horizontal_ = 'j'; return 0;
    default: return -1;
    }
}

int JexFont::setVertical(const std::string& word) {
    auto begins = [&](const char* p) { return strncasecmp(word.c_str(), p, std::char_traits<char>::length(p)) == 0; };
    if (begins("t")) vertical_ = 't';
    else if (begins("vc")) vertical_ = 'c';
    else if (begins("b")) vertical_ = 'b';
    else if (begins("vj")) vertical_ = 'j';
    else return -1;
    return 0;
}

bool JexFont::colorByName(const std::string& name, int& value) {
    const ColorName* c = findcolor(name.empty() ? std::string("Black") : name);
    if (!c) return false;
    value = c->value;
    return true;
}

int JexFont::setColorName(const std::string& name) {
    int value = 0;
    if (!colorByName(name, value)) return -1;
    color_ = value;
    colorText_ = std::to_string(value);
    return 0;
}

int JexFont::setColorRGB(int red, int green, int blue) {
    color_ = (red & 255) + 256 * (green & 255) + 65536 * (blue & 255);
    colorText_ = std::to_string(color_);
    return 0;
}

int JexFont::setSeparator(const std::string& text) {
    if (text.empty() || same(text, "off")) separator_.clear();
    else separator_ = text.substr(0, 1);
    // A literal format does not depend on the separator: it stays as it was.
    if (formatKeyword_ != "custom") makeFormat(formatKeyword_, 0);
    return 0;
}

int JexFont::makeFormat(const std::string& keyword, int decimals) {
    formatKeyword_ = keyword;
    const std::string& s = separator_;
    std::string dec;
    if (decimals > 0) dec = "." + std::string(static_cast<std::size_t>(decimals), '0');
    std::string& f = numberFormat_;
    if (keyword.empty() || same(keyword, "off")) {
        f.clear();
        formatKeyword_.clear();
    } else if (same(keyword, "general")) {
        f = "general";
    } else if (same(keyword, "number")) {
        f = (s.empty() ? "0" : "#" + s + "##0") + dec;
    } else if (same(keyword, "currency")) {
        f = "$#" + s + "##0" + dec + ";[Red]$#" + s + "##0" + dec;
    } else if (same(keyword, "accounting")) {
        f = "_($* #" + s + "##0" + dec + "_);_($* (#,##0" + dec + ");_($* \"-\"??_);_(@_)";
    } else if (same(keyword, "date") || same(keyword, "short date")) {
        f = "m/d/yyyy";
    } else if (same(keyword, "long date")) {
        f = "[$-F800]dddd, mmmm dd, yyyy";
    } else if (same(keyword, "time")) {
        f = "[$-F400]h:mm:ss am/pm";
    } else if (same(keyword, "percentage")) {
        f = (s.empty() ? "0" : "#" + s + "##0") + dec + "%";
    } else if (same(keyword, "fraction")) {
        f = "# ?/?";
    } else if (same(keyword, "scientific")) {
        // The exponent needs its "E": "0.00E+00" shows 1234.5 as 1.23E+03.
        f = "0" + dec + "E+00";
    } else if (same(keyword, "text")) {
        f = "@";
    } else {
        f = keyword;
        formatKeyword_ = "custom";
    }
    return 0;
}

bool JexFont::isColorName(const std::string& word) {
    if (word.empty()) return false;
    return same(word, "RGB") || findcolor(word) != nullptr;
}

bool JexFont::isTypeface(const std::string& word) {
    if (same(word, "TF") || word == "typeface") return true;
    for (const char* face : typefaces)
        if (same(word, face)) return true;
    return false;
}

bool JexFont::isFormatName(const std::string& word) {
    for (const char* name : formatNames)
        if (same(word, name)) return true;
    return false;
}

int parsergb(std::FILE* in, int& red, int& green, int& blue) {
    char token[78];
    int* part[3] = {&red, &green, &blue};
    if (gettoken(token, in, 0, 78) != '(') return -1;
    for (int i = 0; i < 3; ++i) {
        if (gettoken(token, in, 0, 78) != 'n') return -1;
        *part[i] = std::atoi(token);
        if (gettoken(token, in, 0, 78) != (i < 2 ? ',' : ')')) return -1;
    }
    for (int* p : part)
        if (*p < 0 || *p > 255) return -1;
    return 0;
}

int parseparens(std::FILE* in, std::string& text) {
    char token[78];
    if (gettoken(token, in, 0, 78) != '(') return -1;
    int cls = gettoken(token, in, 0, 78);
    if (cls != 'a' && cls != '"') return -1;
    text = token;
    if (gettoken(token, in, 0, 78) != ')') return -1;
    return 0;
}
