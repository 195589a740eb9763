// JexFont: how text in cells should look (typeface, sizes, bold, italic, underline,
// alignments, colour and number format), with the vocabulary of the commands that fill one:
// underline and alignment words, colour names, known typefaces, number-format keywords,
// and readers for a parenthesised colour triple and a parenthesised word.
#pragma once

#include <cstdio>
#include <string>

class JexFont {
public:
    JexFont() = default;
    JexFont(const JexFont&) = default;
    JexFont& operator=(const JexFont&) = default;

    // Setters give 0, or -1 when the argument is refused (the field keeps its value).
    int setTypeface(const std::string& name);
    int setPitch(int n);  // 1 or more
    int setSize(int n);   // 1 or more
    int setItalic(int flag);
    int setBold(int flag);
    // "underline", "UnderlineSingle", "-" single; "UnderlineDouble", "=" double;
    // "UnderlineSingleAccounting", "_"; "UnderlineDoubleAccounting", "~"; "UnderlineNone"
    // or "" none. Case counts.
    int setUnderline(const std::string& word);
    int setHorizontal(const std::string& word);  // l, c, r, j by the first character
    int setVertical(const std::string& word);    // t..., vc..., b..., vj...
    int setColorName(const std::string& name);
    int setColorRGB(int red, int green, int blue);
    // "off" or "" clears the separator, any other text sets its first character; a format
    // built from a keyword is built again with 0 decimals (a literal format is kept).
    int setSeparator(const std::string& text);
    // Builds the number format from a keyword and decimals; an unknown keyword is taken as a
    // literal format (keyword "custom").
    int makeFormat(const std::string& keyword, int decimals);

    const std::string& typeface() const { return typeface_; }
    int pitch() const { return pitch_; }
    int size() const { return size_; }
    int italic() const { return italic_; }
    int bold() const { return bold_; }
    char underline() const { return underline_; }
    char horizontal() const { return horizontal_; }
    char vertical() const { return vertical_; }
    const std::string& colorName() const { return colorText_; }
    int colorValue() const { return color_; }
    const std::string& numberFormat() const { return numberFormat_; }
    const std::string& formatKeyword() const { return formatKeyword_; }
    const std::string& separator() const { return separator_; }

    // Word tests; they look at no field.
    static bool isColorName(const std::string& word);
    static bool isTypeface(const std::string& word);
    static bool isFormatName(const std::string& word);
    // The value of a colour name of the table (the empty text is Black); false for others.
    static bool colorByName(const std::string& name, int& value);

private:
    std::string typeface_;
    std::string numberFormat_;
    std::string formatKeyword_;
    std::string separator_;
    int pitch_ = 0;
    int size_ = 0;
    unsigned char italic_ = 0;
    unsigned char bold_ = 0;
    char underline_ = 0;
    char horizontal_ = 0;
    char vertical_ = 0;
    std::string colorText_;
    int color_ = 0;
};

// "(" r "," g "," b ")" read with gettoken from `in`; 0 when all three lie in 0..255, else
// -1 (numbers read before a bad token are already stored).
int parsergb(std::FILE* in, int& red, int& green, int& blue);
// "(" a word or quoted text ")"; 0, or -1 (a missing ")" leaves the text stored).
int parseparens(std::FILE* in, std::string& text);
