// Token-level readers (numbers, integers, statements, lines) and the name helpers.
#include <cstring>

#include "core/missing.h"
#include "interp/tokens.h"
#include "tests/interp/reader_fixture.h"

namespace tokens_test {

class TokensTest : public ReaderFixture {};

TEST_F(TokensTest, ReadNumberSkipsOtherTokensAndTakesTheSign) {
    typed("abc - 5");
    EXPECT_DOUBLE_EQ(readnumber(nullptr), -5);
    typed("5");
    EXPECT_DOUBLE_EQ(readnumber(nullptr), 5);
    typed("?");
    EXPECT_FLOAT_EQ(static_cast<float>(readnumber(nullptr)), MISSING);
    typed("2.5E2 x");
    EXPECT_DOUBLE_EQ(readnumber(nullptr), 250);
}

TEST_F(TokensTest, ReadNumberGoesOnIntoTheNextLinesOfAFile) {
    std::FILE* f = script("words only\nmore - 1.5\n");
    EXPECT_DOUBLE_EQ(readnumber(f), -1.5);
}

TEST_F(TokensTest, EndOfInputGivesZeroWithAMessage) {
    std::FILE* f = script("no number here\n");
    EXPECT_DOUBLE_EQ(readnumber(f), 0);
    EXPECT_NE(results().find("End of File on input "), std::string::npos);
    typed("nothing");
    EXPECT_EQ(readinteger(nullptr), 0);
}

TEST_F(TokensTest, ReadIntegerTruncates) {
    typed("7.9");
    EXPECT_EQ(readinteger(nullptr), 7);
    typed("x - 12");
    EXPECT_EQ(readinteger(nullptr), -12);
}

TEST_F(TokensTest, ReadSignedFloat) {
    float v = 0;
    typed("- 2.5");
    EXPECT_EQ(readsignedfloat(nullptr, v), 'n');
    EXPECT_FLOAT_EQ(v, -2.5f);
    typed("word");
    EXPECT_EQ(readsignedfloat(nullptr, v), 'a');
}

TEST_F(TokensTest, SkipStatementFollowsContinuationLinesOnlyInScripts) {
    std::FILE* f = script("a = b +\nc + d\nnext\n");
    EXPECT_EQ(skipstatement(f), 'f');
    char buf[78];
    EXPECT_EQ(gettoken(buf, f, 0, 78), 'a');
    EXPECT_STREQ(buf, "next");

    f = script("a = b ,\nc ,\nd\nnext\n");
    EXPECT_EQ(skipstatement(f), 'f');
    EXPECT_EQ(gettoken(buf, f, 0, 78), 'a');
    EXPECT_STREQ(buf, "next");

    typed("a = b +");
    EXPECT_EQ(skipstatement(nullptr), 'f');
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), 'e');
}

TEST_F(TokensTest, SkipLineReadsWithoutExpansion) {
    std::FILE* f = script("rest %9 of line\nnext\n");
    EXPECT_EQ(skipline(f), 0);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(percentMode, 1);
    char buf[78];
    EXPECT_EQ(gettoken(buf, f, 0, 78), 'a');
    EXPECT_STREQ(buf, "next");
    EXPECT_EQ(skipline(f), 0);
    EXPECT_EQ(skipline(f), -1);
}

TEST(NameHelpers, StrcpyEndPacksTexts) {
    char store[32];
    char* p = strcpyend(store, "ab");
    p = strcpyend(p, "");
    p = strcpyend(p, "cde");
    EXPECT_EQ(p - store, 8);
    EXPECT_EQ(std::memcmp(store, "ab\0\0cde\0", 8), 0);
}

TEST(NameHelpers, NameWithNumber) {
    char out[32];
    namewithnumber(out, "x", 12);
    EXPECT_STREQ(out, "x12");
    namewithnumber(out, "x", 0);
    EXPECT_STREQ(out, "x");
}

TEST(NameHelpers, SplitDigits) {
    char stem[32];
    EXPECT_EQ(splitdigits("abc", stem), 1);
    EXPECT_STREQ(stem, "abc");
    EXPECT_EQ(splitdigits("a1b22", stem), 22);
    EXPECT_STREQ(stem, "a1b");
    EXPECT_EQ(splitdigits("x12", stem), 12);
    EXPECT_STREQ(stem, "x");
    EXPECT_EQ(splitdigits("123", stem), 123);
    EXPECT_STREQ(stem, "");
}

TEST(NameHelpers, SplitNameNumbers) {
    char stem[32];
    short second = 99;
    EXPECT_EQ(splitnamenumbers("name12", stem, second), 12);
    EXPECT_STREQ(stem, "name");
    EXPECT_EQ(second, 99);
    EXPECT_EQ(splitnamenumbers("name1.3", stem, second), 3);
    EXPECT_STREQ(stem, "name");
    EXPECT_EQ(second, 1);
    EXPECT_EQ(splitnamenumbers("name.3", stem, second), 3);
    EXPECT_STREQ(stem, "name");
    EXPECT_EQ(second, -1);
    second = 5;
    EXPECT_EQ(splitnamenumbers("plain", stem, second), 0);
    EXPECT_STREQ(stem, "plain");
    EXPECT_EQ(second, 5);
}

TEST(NameHelpers, TrimBlanks) {
    char a[] = "ab \t ";
    trimblanks(a);
    EXPECT_STREQ(a, "ab");
    char b[] = "  \t";
    trimblanks(b);
    EXPECT_STREQ(b, "");
}

TEST(NameHelpers, WildMatch) {
    struct Case {
        const char* name;
        const char* pattern;
        int expected;
    };
    const Case cases[] = {{"gdp", "g*", 1},   {"gdp", "g^p", 1},    {"gdp", "*p", 1},
                          {"gdp", "g**", -1}, {"gdp", "g*^", -1},   {"gdp", "gd", 0},
                          {"banana", "*a", 0}, {"", "x", 0},       {"gdp", "", 1},
                          {"gdp", "gdp", 1},  {"gdp", "gdpx", 0},   {"gd", "g^^", 0},
                          {"GDP", "gdp", 0},  {"gdp95", "g*9^", 1}};
    for (const Case& c : cases)
        EXPECT_EQ(wildmatch(c.name, c.pattern), c.expected) << c.name << " vs " << c.pattern;
}

}  // namespace tokens_test
