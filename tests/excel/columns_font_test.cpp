// Column letters and numbers, and the font and format descriptor.
#include <gtest/gtest.h>

#include <string>

#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "excel/jexfont.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"

namespace columns_font_test {

namespace {

const char* const beforeOrBeyond = "\nError:  cannot have columns before \"A\" or beyond \"IV\".\n";

struct Printed {
    platform::ScopedScriptedPlatform scripted;
    Printed() { clearPendingLine(); }
    std::string text() {
        std::string t = scripted.platform.text();
        if (linePending()) t += pendingLine();
        return t;
    }
};

TEST(Columns, LettersOfNumbers) {
    struct Case { int n; const char* letters; const char* message; };
    const Case cases[] = {
        {1, "A", ""},    {26, "Z", ""},   {27, "AA", ""},  {52, "AZ", ""},
        {53, "BA", ""},  {256, "IV", ""}, {257, "-1", "\nError:  cannot have columns beyond \"IV\".\n"},
        {259, "-1", "\nError:  cannot have columns beyond \"IV\".\n"},
        {260, "-1", beforeOrBeyond}, {0, "-1", beforeOrBeyond}, {-5, "-1", beforeOrBeyond},
    };
    for (const Case& c : cases) {
        Printed p;
        EXPECT_EQ(colletters(c.n), c.letters) << c.n;
        EXPECT_EQ(p.text(), c.message) << c.n;
    }
}

TEST(Columns, NumbersOfLetters) {
    struct Case { const char* text; int n; };
    const Case cases[] = {{"A", 1},   {"a", 1},    {"AA", 27}, {"aA", 27}, {"IV", 256},
                          {"B12", -1}, {"12", -1}, {"ABC", 28}, {"", -1},   {"ZZ", 702}};
    for (const Case& c : cases) EXPECT_EQ(colnumber(c.text), c.n) << c.text;
    // Every column survives the round trip.
    for (int n = 1; n <= 256; ++n) EXPECT_EQ(colnumber(colletters(n)), n);
}

TEST(Columns, Offsets) {
    struct Case { const char* letters; int offset; const char* result; bool message; };
    const Case cases[] = {
        {"A", 1, "B", false},   {"Z", 1, "AA", false},   {"IV", 1, "-1", true},
        {"B", -2, "-1", true},  {"a1", 0, "-1", false},  {"", 3, "C", false},
        {"iu", 1, "IV", false}, {"AZ", 1, "BA", false},  {"IV", -255, "A", false},
        {"ABC", 2, "B", false},
    };
    for (const Case& c : cases) {
        Printed p;
        EXPECT_EQ(coloffset(c.letters, c.offset), c.result) << c.letters << c.offset;
        EXPECT_EQ(p.text().empty(), !c.message) << c.letters << c.offset;
    }
}

TEST(Columns, NextAndPreviousColumn) {
    Excel x;
    struct Case { const char* letters; const char* next; const char* previous; };
    const Case cases[] = {{"Z", "AA", "Y"}, {"AZ", "BA", "AY"}, {"AB", "AC", "AA"},
                          {"BA", "BB", "AZ"}, {"AA", "AB", "Z"}, {"b", "c", "a"},
                          {"IV", "IW", "IU"}, {"A1", "-1", "-1"}};
    for (const Case& c : cases) {
        EXPECT_EQ(x.colmath(c.letters), c.next) << c.letters;
        EXPECT_EQ(x.ColMinusOne(c.letters), c.previous) << c.letters;
    }
    Printed p;
    EXPECT_EQ(x.ColMinusOne("A"), "-1");
    EXPECT_EQ(p.text(), "\nError:  in Excel::ColMinusOne().\n\nCannot access column before 'A'.\n");
    Printed q;
    EXPECT_EQ(x.colmath("ABC"), "-1");
    EXPECT_EQ(q.text(), "\nError:  in Excel::colmath().\n");
}

TEST(JexFontTest, NewFontIsEmpty) {
    JexFont f;
    EXPECT_EQ(f.typeface(), "");
    EXPECT_EQ(f.size(), 0);
    EXPECT_EQ(f.pitch(), 0);
    EXPECT_EQ(f.bold() + f.italic() + f.underline() + f.horizontal() + f.vertical(), 0);
    EXPECT_EQ(f.colorName(), "");
    EXPECT_EQ(f.numberFormat(), "");
}

TEST(JexFontTest, ColourNames) {
    struct Case { const char* name; int result; int value; };
    const Case cases[] = {{"light grey", 0, 12632256}, {"sky", 0, 15780518},
                          {"skyblue", 0, 15780518},    {"Lim", -1, 0},
                          {"", 0, 0},                  {"purple", 0, 8388736},
                          {"RED", 0, 255},             {"olive", 0, 32896},
                          {"oliv", -1, 0},             {"None", 0, 536870911}};
    for (const Case& c : cases) {
        JexFont f;
        f.setColorRGB(1, 2, 3);  // something to keep when the name is refused
        EXPECT_EQ(f.setColorName(c.name), c.result) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(f.colorValue(), c.value) << c.name;
            EXPECT_EQ(f.colorName(), std::to_string(c.value)) << c.name;
        } else {
            EXPECT_EQ(f.colorValue(), 1 + 2 * 256 + 3 * 65536);
        }
    }
    EXPECT_FALSE(JexFont::isColorName(""));
    EXPECT_TRUE(JexFont::isColorName("rgb"));
    EXPECT_TRUE(JexFont::isColorName("navy"));
    EXPECT_FALSE(JexFont::isColorName("nav"));
    JexFont f;
    f.setColorRGB(255, 0, 0);
    EXPECT_EQ(f.colorValue(), 255);
    EXPECT_EQ(f.colorName(), "255");
    f.setColorRGB(0, 0, 255);
    EXPECT_EQ(f.colorValue(), 16711680);
}

TEST(JexFontTest, UnderlineAndAlignmentWords) {
    struct Case { char kind; const char* word; int result; char value; };
    const Case cases[] = {
        {'u', "underline", 0, '-'}, {'u', "Underline", -1, '='}, {'u', "", 0, 0},
        {'u', "=", 0, '='},         {'u', "UnderlineDoubleAccounting", 0, '~'},
        {'v', "vjustify", 0, 'j'},  {'v', "vcenter", 0, 'c'},    {'v', "Top", 0, 't'},
        {'v', "v", -1, 'b'},        {'v', "BOTTOM", 0, 'b'},
        {'h', "Right", 0, 'r'},     {'h', "x", -1, 'l'},         {'h', "", -1, 'l'},
        {'h', "justify", 0, 'j'},
    };
    for (const Case& c : cases) {
        JexFont f;
        f.setUnderline("=");
        f.setVertical("b");
        f.setHorizontal("l");
        int r = c.kind == 'u' ? f.setUnderline(c.word) : c.kind == 'v' ? f.setVertical(c.word) : f.setHorizontal(c.word);
        EXPECT_EQ(r, c.result) << c.word;
        char v = c.kind == 'u' ? f.underline() : c.kind == 'v' ? f.vertical() : f.horizontal();
        EXPECT_EQ(v, c.value) << c.word;
    }
}

TEST(JexFontTest, NumberFormats) {
    struct Case { const char* separator; const char* keyword; int decimals; const char* format; const char* kept; };
    const Case cases[] = {
        {"", "number", 2, "0.00", "number"},
        {",", "number", 2, "#,##0.00", "number"},
        {"", "currency", 0, "$###0;[Red]$###0", "currency"},
        {",", "currency", 1, "$#,##0.0;[Red]$#,##0.0", "currency"},
        {"", "percentage", 1, "0.0%", "percentage"},
        {"", "scientific", 2, "0.00E+00", "scientific"},
        {"", "scientific", 0, "0E+00", "scientific"},
        {"", "long date", 3, "[$-F800]dddd, mmmm dd, yyyy", "long date"},
        {"", "SHORT DATE", 0, "m/d/yyyy", "SHORT DATE"},
        {"", "time", 0, "[$-F400]h:mm:ss am/pm", "time"},
        {"", "0.000", 0, "0.000", "custom"},
        {"", "text", 0, "@", "text"},
        {"", "General", 4, "general", "General"},
        {"", "fraction", 0, "# ?/?", "fraction"},
        {"", "off", 0, "", ""},
        {"", "number", -3, "0", "number"},
        {",", "accounting", 2, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", "accounting"},
    };
    for (const Case& c : cases) {
        JexFont f;
        f.setSeparator(c.separator);
        EXPECT_EQ(f.makeFormat(c.keyword, c.decimals), 0);
        EXPECT_EQ(f.numberFormat(), c.format) << c.keyword;
        EXPECT_EQ(f.formatKeyword(), c.kept) << c.keyword;
    }
}

TEST(JexFontTest, SeparatorRebuildsKeywordFormatsButKeepsLiteralOnes) {
    JexFont f;
    f.makeFormat("number", 2);
    f.setSeparator(",");
    EXPECT_EQ(f.numberFormat(), "#,##0");  // built again with 0 decimals
    f.setSeparator("OFF");
    EXPECT_EQ(f.numberFormat(), "0");
    f.makeFormat("0.000", 0);
    f.setSeparator(".");
    EXPECT_EQ(f.numberFormat(), "0.000");
    EXPECT_EQ(f.formatKeyword(), "custom");
    EXPECT_EQ(f.separator(), ".");
}

TEST(JexFontTest, SizesAndWordTests) {
    JexFont f;
    EXPECT_EQ(f.setPitch(10), 0);
    EXPECT_EQ(f.setPitch(0), -1);
    EXPECT_EQ(f.pitch(), 10);
    EXPECT_EQ(f.setSize(-1), -1);
    EXPECT_EQ(f.size(), 0);
    EXPECT_TRUE(JexFont::isTypeface("courier new"));
    EXPECT_TRUE(JexFont::isTypeface("Fixedsys"));
    EXPECT_TRUE(JexFont::isTypeface("tf"));
    EXPECT_TRUE(JexFont::isTypeface("typeface"));
    EXPECT_FALSE(JexFont::isTypeface("Typeface"));
    EXPECT_FALSE(JexFont::isTypeface("Comic"));
    EXPECT_TRUE(JexFont::isFormatName("Short Date"));
    EXPECT_FALSE(JexFont::isFormatName("custom"));
}

class ReaderInput : public ::testing::Test {
protected:
    void SetUp() override { resetinterpstate(); }
    void TearDown() override { resetinterpstate(); }
    void typed(const std::string& line) {
        keyboardInput = 'y';
        replayMode = 'n';
        settypedline(line);
    }
    std::string rest() {
        char token[78];
        std::string out;
        for (int cls = gettoken(token, nullptr, 0, 78); cls != 'f' && cls != 'e' && cls != -1;
             cls = gettoken(token, nullptr, 0, 78))
            out += token;
        return out;
    }
};

TEST_F(ReaderInput, ColourTriples) {
    struct Case { const char* line; int result; int r, g, b; const char* rest; };
    const Case cases[] = {
        {"(10,20,30) x", 0, 10, 20, 30, "x"},
        {"(10,20,300) x", -1, 10, 20, 300, "x"},  // the whole group is read
        {"(10;20,30)", -1, 10, -7, -7, "20,30)"},  // stops at the semicolon
        {"10,20,30", -1, -7, -7, -7, ",20,30"},
        {"(0, 255 , 7)", 0, 0, 255, 7, ""},
    };
    for (const Case& c : cases) {
        typed(c.line);
        int r = -7, g = -7, b = -7;
        EXPECT_EQ(parsergb(nullptr, r, g, b), c.result) << c.line;
        EXPECT_EQ(r, c.r) << c.line;
        EXPECT_EQ(g, c.g) << c.line;
        EXPECT_EQ(b, c.b) << c.line;
        EXPECT_EQ(rest(), c.rest) << c.line;
    }
}

TEST_F(ReaderInput, WordsInParentheses) {
    struct Case { const char* line; int result; const char* text; };
    const Case cases[] = {{"(Arial)", 0, "Arial"},           {"(\"Times New Roman\")", 0, "Times New Roman"},
                          {"(Arial", -1, "Arial"},           {"Arial)", -1, "keep"},
                          {"(12)", -1, "keep"},              {"()", -1, "keep"}};
    for (const Case& c : cases) {
        typed(c.line);
        std::string text = "keep";
        EXPECT_EQ(parseparens(nullptr, text), c.result) << c.line;
        EXPECT_EQ(text, c.text) << c.line;
    }
}

}  // namespace

}  // namespace columns_font_test
