// The editor's text: loading and lines, the searches (against a plain position-by-position
// search written here), Replace All, case changes, undo and redo, and the bridge's cutting.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "views/textbuffer.h"

namespace textbuffer_test {

// The reference: every position in turn, letters folded by hand.
bool sameat(const std::string& text, std::size_t pos, const std::string& what, bool matchCase) {
    for (std::size_t i = 0; i < what.size(); ++i) {
        char a = text[pos + i], b = what[i];
        if (!matchCase) {
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        }
        if (a != b) return false;
    }
    return true;
}

bool isword(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool refmatch(const std::string& text, std::size_t pos, const std::string& what, SearchOptions o) {
    if (what.empty() || pos + what.size() > text.size() || !sameat(text, pos, what, o.matchCase))
        return false;
    if (!o.wholeWord) return true;
    if (pos > 0 && isword(text[pos - 1])) return false;
    return pos + what.size() >= text.size() || !isword(text[pos + what.size()]);
}

std::size_t reffirst(const std::string& text, const std::string& what, std::size_t from,
                     SearchOptions o) {
    for (std::size_t p = from; p + what.size() <= text.size(); ++p)
        if (refmatch(text, p, what, o)) return p;
    return noMatch;
}

std::size_t reflastending(const std::string& text, const std::string& what, std::size_t end,
                          SearchOptions o) {
    for (std::size_t p = end + 1; p-- > 0;)
        if (p + what.size() <= end && refmatch(text, p, what, o)) return p;
    return noMatch;
}

// Replace All as the dialog does it: search from the caret, replace, the caret after.
std::string refreplaceall(std::string text, const std::string& what, const std::string& with,
                          std::size_t from, SearchOptions o, std::size_t& count) {
    count = 0;
    std::size_t caret = from;
    for (;;) {
        const std::size_t hit = reffirst(text, what, caret, o);
        if (hit == noMatch) return text;
        text.replace(hit, what.size(), with);
        caret = hit + with.size();
        ++count;
    }
}

TextBuffer loaded(const std::string& text) {
    TextBuffer b;
    b.load(text);
    return b;
}

TEST(TextBufferLines, EveryKindOfBreakEndsALineWithItsOwnLength) {
    // "ab" LF, "cd" CR LF, "ef" CR, then "" CR LF, then "g"
    const TextBuffer b = loaded("ab\ncd\r\nef\r\r\ng");
    EXPECT_EQ(b.lineCount(), 5u);
    const std::size_t starts[] = {0, 3, 7, 10, 12};
    for (std::size_t line = 0; line < 5; ++line) EXPECT_EQ(b.lineStart(line), starts[line]) << line;
    EXPECT_EQ(b.lineTextEnd(1), 5u);
    EXPECT_EQ(b.lineBreakEnd(1), 7u);
    EXPECT_EQ(b.lineStart(9), b.size());
    struct Case {
        std::size_t pos, line, column;
    } cases[] = {{0, 0, 1}, {2, 0, 3}, {3, 1, 1}, {5, 1, 3}, {6, 1, 4},  // between CR and LF
                 {7, 2, 1}, {9, 2, 3}, {10, 3, 1}, {12, 4, 1}, {13, 4, 2}};
    for (const Case& c : cases) {
        EXPECT_EQ(b.lineOf(c.pos), c.line) << c.pos;
        EXPECT_EQ(b.columnOf(c.pos), c.column) << c.pos;
    }
    EXPECT_EQ(loaded("").lineCount(), 1u);
    EXPECT_EQ(loaded("x\n").lineCount(), 2u);
    EXPECT_EQ(loaded("a\r\nb").lineBreak(), "\r\n");
    EXPECT_EQ(loaded("a\rb").lineBreak(), "\r");
    EXPECT_EQ(loaded("ab").lineBreak(), "\n");
}

TEST(TextBufferLoad, KeepsTheBytesAndStartsClean) {
    std::string bytes("a\0b\r\n\xff\xfe z", 9);
    TextBuffer b = loaded(bytes);
    EXPECT_EQ(b.bytes(), bytes);
    EXPECT_FALSE(b.modified());
    EXPECT_FALSE(b.canUndo());
    EXPECT_EQ(b.selStart(), 0u);
    b.select(7, 100);  // clamped to the text
    EXPECT_EQ(b.selLength(), 2u);
    b.select(50, 3);
    EXPECT_EQ(b.selStart(), 9u);
    EXPECT_EQ(b.selLength(), 0u);
}

TEST(TextBufferSearch, TheDialogsExampleDownwardAndUpward) {
    TextBuffer b = loaded("ab\nxx ab\nAb");
    std::vector<std::size_t> found;
    for (int i = 0; i < 3; ++i) {
        const std::size_t hit = b.findDown("ab", {});
        found.push_back(hit);
        if (hit != noMatch) b.select(hit, 2);
    }
    EXPECT_EQ(found, (std::vector<std::size_t>{0, 6, 9}));
    // Upward from the selection at 9: the match must end by 9.
    EXPECT_EQ(b.findUp("ab", {}), 6u);
    // With match case the third Find finds nothing.
    b.select(6, 2);
    EXPECT_EQ(b.findDown("ab", {true, false}), noMatch);
    // Upward from the caret at 9 with match case: "Ab" is not it.
    b.setCaret(9);
    EXPECT_EQ(b.findUp("ab", {true, false}), 6u);
    // Without match case a match starting at the caret itself counts.
    EXPECT_EQ(b.findUp("ab", {}), 9u);
}

TEST(TextBufferSearch, UpwardTakesTheNearestMatchWhereverItLies) {
    TextBuffer b = loaded(std::string(47, 'x') + "needle" + std::string(67, 'y'));
    b.setCaret(90);
    EXPECT_EQ(b.findUp("needle", {}), 47u);
    // With nothing selected a match around the caret counts: it starts before it.
    b.setCaret(50);
    EXPECT_EQ(b.findUp("needle", {}), 47u);
    b.setCaret(46);
    EXPECT_EQ(b.findUp("needle", {}), noMatch);
    // With a selection it must end by the selection's start.
    b.select(52, 3);
    EXPECT_EQ(b.findUp("needle", {}), noMatch);
    b.select(53, 3);
    EXPECT_EQ(b.findUp("needle", {}), 47u);
    // Caret 10 into the text, a match at 2: found.
    TextBuffer c = loaded("..ab........ab");
    c.setCaret(10);
    EXPECT_EQ(c.findUp("ab", {}), 2u);
}

TEST(TextBufferSearch, AnEmptyTextFindsNothing) {
    TextBuffer b = loaded("abc");
    EXPECT_EQ(b.findDown("", {}), noMatch);
    EXPECT_EQ(b.findUp("", {}), noMatch);
    EXPECT_EQ(b.replaceAll("", "x", 0, {}), 0u);
    EXPECT_EQ(b.bytes(), "abc");
    EXPECT_FALSE(b.canUndo());
}

TEST(TextBufferSearch, WholeWordsAndFoldingOnlyTouchAsciiLetters) {
    const TextBuffer b = loaded("gdp_x gdp2 (GDP) \xc9gdp gdp");
    EXPECT_EQ(b.findForward("gdp", 0, b.size(), {false, true}), 12u);  // (GDP)
    EXPECT_EQ(b.findForward("gdp", 13, b.size(), {false, true}), 18u);  // after a byte >= 128
    EXPECT_EQ(b.findForward("gdp", 0, b.size(), {true, true}), 18u);
    EXPECT_EQ(b.findForward("\xe9gdp", 0, b.size(), {}), noMatch);  // 0xC9 and 0xE9 do not fold
    EXPECT_EQ(b.findForward("[", 0, b.size(), {}), noMatch);       // '[' is not a folded '{'
}

// Random short texts over a small alphabet against the reference, for every option set and
// every starting place: the folding, block and whole-word rules agree with it everywhere.
TEST(TextBufferSearch, AgreesWithThePlainSearch) {
    std::mt19937 random(7);
    const std::string alphabet = "aAb_ \n\r.";
    for (int round = 0; round < 300; ++round) {
        std::string text, what;
        const int n = static_cast<int>(random() % 40), m = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < n; ++i) text += alphabet[random() % alphabet.size()];
        for (int i = 0; i < m; ++i) what += alphabet[random() % 4];
        const TextBuffer b = loaded(text);
        for (int o = 0; o < 4; ++o) {
            const SearchOptions opt{(o & 1) != 0, (o & 2) != 0};
            for (std::size_t from = 0; from <= text.size(); ++from) {
                ASSERT_EQ(b.findForward(what, from, text.size(), opt), reffirst(text, what, from, opt))
                    << text << "|" << what << "|" << from << "|" << o;
                ASSERT_EQ(b.findBackward(what, from, opt), reflastending(text, what, from, opt))
                    << text << "|" << what << "|" << from << "|" << o;
            }
            std::size_t want = 0;
            const std::string expected = refreplaceall(text, what, "xA", 1 % (text.size() + 1), opt, want);
            TextBuffer r = loaded(text);
            ASSERT_EQ(r.replaceAll(what, "xA", 1 % (text.size() + 1), opt), want) << text << "|" << what;
            ASSERT_EQ(r.bytes(), expected) << text << "|" << what << "|" << o;
        }
    }
}

// Long texts cross the search's blocks: matches at a block's edges and straddling them.
TEST(TextBufferSearch, MatchesAcrossBlocksAreFound) {
    for (std::size_t at : {std::size_t{65530}, std::size_t{65533}, std::size_t{65536}, std::size_t{131070}}) {
        std::string text(200000, 'q');
        text.replace(at, 6, "NeEdLe");
        const TextBuffer b = loaded(text);
        EXPECT_EQ(b.findForward("needle", 0, text.size(), {}), at);
        EXPECT_EQ(b.findForward("needle", at + 1, text.size(), {}), noMatch);
        EXPECT_EQ(b.findBackward("needle", text.size(), {}), at);
        EXPECT_EQ(b.findBackward("needle", at + 5, {}), noMatch);
        EXPECT_EQ(b.findForward("needle", 0, text.size(), {true, false}), noMatch);
    }
}

TEST(TextBufferReplaceAll, AsTheDialogDoesIt) {
    struct Case {
        const char* text;
        const char* what;
        const char* with;
        std::size_t from;
        SearchOptions options;
        const char* result;
        std::size_t count;
    } cases[] = {
        {"aaa", "a", "aa", 0, {}, "aaaaaa", 3},       // a replacement holding the find text
        {"gdp GDP Gdp", "gdp", "gnp", 0, {}, "gnp gnp gnp", 3},
        {"gdp GDP Gdp", "gdp", "gnp", 0, {true, false}, "gnp GDP Gdp", 1},
        {"gdp gdp gdp", "gdp", "x", 1, {}, "gdp x x", 2},  // from the caret on
        {"--", "-", "a", 0, {false, true}, "a-", 1},  // the text put in is next to the next one
        {"gdpx gdp", "gdp", "y", 0, {false, true}, "gdpx y", 1},
        {"abc", "zz", "y", 0, {}, "abc", 0},
    };
    for (const Case& c : cases) {
        TextBuffer b = loaded(c.text);
        EXPECT_EQ(b.replaceAll(c.what, c.with, c.from, c.options), c.count) << c.text;
        EXPECT_EQ(b.bytes(), c.result) << c.text;
        EXPECT_EQ(b.modified(), c.count != 0) << c.text;
    }
    TextBuffer b = loaded("gdp and gdp and more");
    b.replaceAll("gdp", "gross", 0, {});
    EXPECT_EQ(b.selStart(), 15u);  // after the last text put in
    ASSERT_TRUE(b.undo());         // one step for all of them
    EXPECT_EQ(b.bytes(), "gdp and gdp and more");
    EXPECT_FALSE(b.canUndo());
    ASSERT_TRUE(b.redo());
    EXPECT_EQ(b.bytes(), "gross and gross and more");
}

TEST(TextBufferCase, ChangesOnlyAsciiLettersOfTheSelection) {
    struct Case {
        const char* text;
        int change;  // 0 lower, 1 upper, 2 title
        const char* result;
    } cases[] = {
        {"hELLO wORLD", 2, "Hello World"},
        {"x-ray", 2, "X-ray"},
        {"ab\ncd", 2, "Ab\ncd"},
        {"ab\tcd  eF", 2, "Ab\tCd  Ef"},
        {"Mixed \xe9\xc9 Text", 0, "mixed \xe9\xc9 text"},
        {"Mixed \xe9\xc9 Text", 1, "MIXED \xe9\xc9 TEXT"},
    };
    for (const Case& c : cases) {
        TextBuffer b = loaded(std::string("[") + c.text + "]");
        b.select(1, b.size() - 2);
        if (c.change == 0) b.lowerCase();
        else if (c.change == 1) b.upperCase();
        else b.titleCase();
        EXPECT_EQ(b.bytes(), std::string("[") + c.result + "]") << c.text;
        EXPECT_EQ(b.selStart(), 1u);
        EXPECT_EQ(b.selLength(), b.size() - 2);
    }
}

TEST(TextBufferUndo, OneStepPerOperationAndRedoPutsItBack) {
    TextBuffer b = loaded("one two");
    b.select(4, 3);
    b.replaceSelection("three");
    EXPECT_EQ(b.bytes(), "one three");
    EXPECT_EQ(b.selStart(), 9u);
    b.select(0, 3);
    b.upperCase();
    EXPECT_EQ(b.bytes(), "ONE three");
    ASSERT_TRUE(b.undo());
    EXPECT_EQ(b.bytes(), "one three");
    EXPECT_EQ(b.selStart(), 0u);
    EXPECT_EQ(b.selLength(), 3u);
    ASSERT_TRUE(b.undo());
    EXPECT_EQ(b.bytes(), "one two");
    EXPECT_EQ(b.selStart(), 4u);  // the selection of the first step
    EXPECT_FALSE(b.undo());
    ASSERT_TRUE(b.redo());
    ASSERT_TRUE(b.redo());
    EXPECT_EQ(b.bytes(), "ONE three");
    EXPECT_FALSE(b.redo());
    // A new step drops what could be redone; undo leaves the text modified.
    b.setModified(false);
    ASSERT_TRUE(b.undo());
    EXPECT_TRUE(b.modified());
    b.replace(0, 0, "x");
    EXPECT_FALSE(b.canRedo());
    b.clear();
    EXPECT_EQ(b.bytes(), "");
    ASSERT_TRUE(b.undo());
    EXPECT_EQ(b.bytes(), "xone three");
}

TEST(Bridge, CuttingKeepsEveryByteAndEndsPiecesAtBreaks) {
    struct Case {
        const char* text;
        std::vector<std::string> pieces;
    } cases[] = {
        {"f a = 1\nf b = 2\n", {"f a = 1\n", "f b = 2\n"}},
        {"f a = 1\r\nf b", {"f a = 1\r", "\n", "f b"}},
        {"x\r\ry", {"x\r", "\r", "y"}},
        {"", {}},
        {"no break", {"no break"}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> pieces = cutlines(c.text);
        EXPECT_EQ(pieces, c.pieces) << c.text;
        std::string joined;
        for (const std::string& p : pieces) joined += p;
        EXPECT_EQ(joined, c.text);
    }
    EXPECT_EQ(firstline("  gdp/pop \r\n next"), "gdp/pop");
    EXPECT_EQ(firstline("\r\n\t b/a\rrest"), "b/a");
    EXPECT_EQ(firstline("\n\n"), "");
    EXPECT_EQ(trimcontrols("\t\"my calc.add\" \n"), "\"my calc.add\"");
}

}  // namespace textbuffer_test
