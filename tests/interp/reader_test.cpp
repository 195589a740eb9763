// The character reader and the tokenizers: token classes, push-backs, line refills from
// files and replay lists, %-expansion in the reader, echo, and bad input.
#include <cstring>

#include "interp/percent.h"
#include "tests/interp/reader_fixture.h"

namespace reader_test {

using Tokens = std::vector<std::string>;

class ReaderTest : public ReaderFixture {};

TEST_F(ReaderTest, TypedLineGivesItsTokensThenEndOfLineAndNeverReadsPastIt) {
    typed("f x = 1");
    EXPECT_EQ(tokens(nullptr), (Tokens{"a:f", "a:x", "=:=", "n:1", "f:\n"}));
    // Past the newline of a typed line there is no more input, however often one asks.
    char buf[78];
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), 'e');
    EXPECT_EQ(chop(nullptr), -1);
    EXPECT_EQ(chop(nullptr), -1);
    EXPECT_EQ(readPointer, commandBuffer + std::strlen("f x = 1\n"));
}

struct TokenCase {
    const char* line;
    int dateLetters;
    Tokens expected;
};

class TokenClassTest : public ReaderFixture, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(TokenClassTest, SplitsTheLine) {
    typed(GetParam().line);
    EXPECT_EQ(tokens(nullptr, GetParam().dateLetters), GetParam().expected) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Classes, TokenClassTest,
    ::testing::Values(
        TokenCase{"1.5E-3", 0, {"n:1.5E-3", "f:\n"}},
        TokenCase{"1.5e-3", 0, {"n:1.5", "a:e", "-:-", "n:3", "f:\n"}},
        TokenCase{"1990q2", 1, {"n:1990q2", "f:\n"}},
        TokenCase{"1990q2", 0, {"n:1990", "a:q2", "f:\n"}},
        TokenCase{"abc.def$1", 0, {"a:abc.def$1", "f:\n"}},
        TokenCase{"_abc", 0, {"_:_", "a:abc", "f:\n"}},
        TokenCase{".5 .", 0, {"n:.5", "n:.", "f:\n"}},
        TokenCase{"\\dir\\x a:b&c!", 0, {"a:\\dir\\x", "a:a:b&c!", "f:\n"}},
        TokenCase{"x = \"a b\" # note", 0, {"a:x", "=:=", "quoted:a b", "f:#"}},
        TokenCase{"# only a comment", 0, {"f:#"}},
        TokenCase{"say \"abc", 0, {"a:say", "f:abc"}},
        TokenCase{"(a,b)", 0, {"(:(", "a:a", ",:,", "a:b", "):)", "f:\n"}},
        TokenCase{"\x01 \xe9", 0, {"c:\x01", "c:\xe9", "f:\n"}}));

TEST_F(ReaderTest, WordLongerThanTheBufferGoesOnAsTheNextToken) {
    typed("abcdefgh");
    EXPECT_EQ(tokens(nullptr, 0, 4), (Tokens{"a:abc", "a:def", "a:gh", "f:\n"}));
}

TEST_F(ReaderTest, QuotedTextOfExactlyBufferSizeMinusOneArrivesWhole) {
    std::string text(9, 'q');
    typed("\"" + text + "\"rest");
    EXPECT_EQ(tokens(nullptr, 0, 10), (Tokens{"quoted:" + text, "a:rest", "f:\n"}));
    typed("\"" + text + "XY\" next");
    EXPECT_EQ(tokens(nullptr, 0, 10), (Tokens{"quoted:" + text, "a:next", "f:\n"}));
}

TEST_F(ReaderTest, PushedBackTokenComesBackAndChopDeliversItsCharacters) {
    typed("alpha beta");
    char buf[78];
    ASSERT_EQ(gettoken(buf, nullptr, 0, 78), 'a');
    ungettoken();
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), 'a');
    EXPECT_STREQ(buf, "alpha");
    ungettoken();
    // The blank that ended the word was pushed back with unchop: it comes first.
    std::string chars;
    for (int i = 0; i < 6; ++i) chars.push_back(static_cast<char>(chop(nullptr)));
    EXPECT_EQ(chars, " alpha");
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), 'a');
    EXPECT_STREQ(buf, "beta");
    // A character pushed back with unchop comes before the pushed-back token's characters.
    typed("xy");
    ASSERT_EQ(gettoken(buf, nullptr, 0, 78), 'a');
    ungettoken();
    unchop('!');
    EXPECT_EQ(chop(nullptr), '!');
    EXPECT_EQ(chop(nullptr), 'x');
}

TEST_F(ReaderTest, FixedWidthTokenTakesExactlyThatManyCharacters) {
    typed("ab, cdef");
    fixedTokenWidth = 4;
    EXPECT_EQ(tokens(nullptr), (Tokens{"quoted:ab, ", "a:cdef", "f:\n"}));
    EXPECT_EQ(fixedTokenWidth, 0);
}

TEST_F(ReaderTest, CarriageReturnInsideATypedLineIsPassedOverAndTheNextByteDeliveredOnce) {
    typed("ab\rcd");
    std::string got;
    for (int c; (c = chop(nullptr)) != -1;) got.push_back(static_cast<char>(c));
    EXPECT_EQ(got, "abcd\n");
}

TEST_F(ReaderTest, FileLinesAreRefilledOneByOneAndCarriageReturnsEndTheLine) {
    std::FILE* f = script("first line\r\nsecond\nlast without newline");
    EXPECT_EQ(tokens(f), (Tokens{"a:first", "a:line", "f:\n"}));
    EXPECT_EQ(tokens(f), (Tokens{"a:second", "f:\n"}));
    EXPECT_EQ(tokens(f), (Tokens{"a:last", "a:without", "a:newline", "f:\n"}));
    EXPECT_EQ(tokens(f), (Tokens{"e:"}));
    EXPECT_EQ(chop(f), -1);  // and on every further call
}

TEST_F(ReaderTest, QuotedTextCutByTheEndOfLineContinuesWithTheNextLine) {
    std::FILE* f = script("\"abc\nnext\n");
    EXPECT_EQ(tokens(f), (Tokens{"f:abc"}));
    EXPECT_EQ(tokens(f), (Tokens{"a:next", "f:\n"}));
}

// A file line longer than a typed line may be (here far longer than the buffer's least
// size) is delivered whole, then the next line.
TEST_F(ReaderTest, LongFileLineIsDeliveredWhole) {
    std::FILE* f = script(std::string(5000, 'x') + "\n" + std::string(40000, 'x'));
    std::vector<int> lengths;
    int n = 0;
    for (int c; (c = chop(f)) != -1;) {
        if (c == '\n') {
            lengths.push_back(n);
            n = 0;
        } else {
            ASSERT_EQ(c, 'x');
            ++n;
        }
    }
    EXPECT_EQ(lengths, (std::vector<int>{5000, 40000}));
    EXPECT_EQ(results().find("Warning"), std::string::npos);
}

TEST_F(ReaderTest, NoAddFileWhereOneIsNeededIsReported) {
    keyboardInput = 'n';
    lastChar = '\n';
    EXPECT_EQ(chop(nullptr), 18);
    EXPECT_NE(results().find("Error:  file is not open for reading in chop()."), std::string::npos);
    char buf[78];
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), -1);
}

TEST_F(ReaderTest, BinaryBytesInAFileAreReadWithoutHarm) {
    std::string content("ab\0cd\xff\x01\n\0\0\0\n", 12);
    std::FILE* f = script(content);
    EXPECT_EQ(tokens(f), (Tokens{"a:ab", "a:cd", "c:\xff", "c:\x01", "f:\n"}));
    EXPECT_EQ(tokens(f), (Tokens{"f:\n"}));
    EXPECT_EQ(tokens(f), (Tokens{"e:"}));
}

TEST_F(ReaderTest, ReplayListLinesIncludingEmptyOnes) {
    addPrint = 0;
    replay({"one", "", "two 2"});
    EXPECT_EQ(tokens(nullptr), (Tokens{"a:one", "f:\n"}));
    EXPECT_EQ(tokens(nullptr), (Tokens{"f:\n"}));
    EXPECT_EQ(tokens(nullptr), (Tokens{"a:two", "n:2", "f:\n"}));
    EXPECT_EQ(tokens(nullptr), (Tokens{"e:"}));
}

// A replayed line is a line of a block read from a script: it too is delivered whole.
TEST_F(ReaderTest, LongReplayedLineIsDeliveredWhole) {
    addPrint = 0;
    replay({std::string(3500, 'y')});
    int n = 0;
    for (int c; (c = chop(nullptr)) != '\n';) {
        ASSERT_EQ(c, 'y');
        ++n;
    }
    EXPECT_EQ(n, 3500);
    EXPECT_EQ(results().find("Warning"), std::string::npos);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ReaderTest, OverlongTypedLineIsCutWithTheWarning) {
    typed(std::string(5000, 'z'));
    EXPECT_EQ(std::strlen(commandBuffer), 2999u);  // 2998 characters and the newline
    EXPECT_NE(results().find("Warning:  line length exceeds maximum length for reading."),
              std::string::npos);
    char buf[78];
    int words = 0;
    int cls;
    while ((cls = gettoken(buf, nullptr, 0, 78)) == 'a') ++words;
    EXPECT_EQ(cls, 'f');
    EXPECT_EQ(words, 39);  // 2998 letters in words of at most 77
}

TEST_F(ReaderTest, ArgumentsExpandInsideWordsUnlessExpansionIsOff) {
    setArgs({"x"});
    std::FILE* f = script("a%1b\na%1b\n");
    EXPECT_EQ(tokens(f), (Tokens{"a:axb", "f:\n"}));
    percentMode = 0;
    EXPECT_EQ(tokens(f), (Tokens{"a:a", "%:%", "n:1", "a:b", "f:\n"}));
}

TEST_F(ReaderTest, ScriptLinesAreEchoedOnceWithTheirExpansionsInPlace) {
    setArgs({"x", "yy"});
    std::FILE* f = script("show a%1b %2 100%%\nplain\n");
    while (tokens(f).back() != "e:") {
    }
    EXPECT_EQ(results(), "show axb yy 100%\nplain\n");
}

TEST_F(ReaderTest, EchoGoesToTheSaveFileWhenAsked) {
    std::FILE* save = std::tmpfile();
    saveOn = 'y';
    saveFile = save;
    saveEcho = 'y';
    addPrint = 0;
    setArgs({"x"});
    std::FILE* f = script("one %1 two\n");
    tokens(f);
    std::rewind(save);
    char text[100] = {};
    std::fread(text, 1, sizeof text - 1, save);
    std::fclose(save);
    saveFile = nullptr;
    EXPECT_STREQ(text, "one x two\n");
    EXPECT_EQ(results(), "");
}

TEST_F(ReaderTest, ExpansionThatWouldOverflowTheLineStopsWithAnError) {
    setArgs({std::string(2000, 'w')});
    typed("text %1 %1");
    char buf[78];
    int cls;
    while ((cls = gettoken(buf, nullptr, 0, 78)) == 'a') {
    }
    EXPECT_EQ(cls, -1);
    EXPECT_NE(results().find("\nError:  line too long after %-expansion"), std::string::npos);
}

TEST_F(ReaderTest, UnclosedBraceStopsWithAnErrorButStaysTextInQuietMode) {
    typed("x %{1+2");
    char buf[78];
    ASSERT_EQ(gettoken(buf, nullptr, 0, 78), 'a');
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), -1);
    EXPECT_NE(results().find("Error:  \"%{\" without its closing brace \"}\"."), std::string::npos);

    percentMode = 2;
    typed("x %{1+2");
    EXPECT_EQ(tokens(nullptr), (Tokens{"a:x", "%:%", "{:{", "n:1", "+:+", "n:2", "f:\n"}));
}

TEST_F(ReaderTest, CommentsAreReadWithoutExpansionMessages) {
    typed("# costs 100% and %{ and %9");
    EXPECT_EQ(tokens(nullptr), (Tokens{"f:#"}));
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(percentMode, 1);
}

TEST_F(ReaderTest, EchoLineCopiesTheLineToTheOpenFilesByMode) {
    std::FILE* save = std::tmpfile();
    std::FILE* ann = std::tmpfile();
    saveOn = 'y';
    saveFile = save;
    annSaveOn = 'y';
    annSaveFile = ann;
    std::strcpy(commandBuffer, "f x = 1 % y\r\n");
    echoline(2, 'b', '%');
    echoline(0, 'a', 0);
    auto contents = [](std::FILE* f) {
        std::rewind(f);
        char text[200] = {};
        std::fread(text, 1, sizeof text - 1, f);
        return std::string(text);
    };
    EXPECT_EQ(contents(save), "x = 1 ");
    EXPECT_EQ(contents(ann), "x = 1 f x = 1 % y\n");
    std::fclose(save);
    std::fclose(ann);
    saveFile = annSaveFile = nullptr;
}

// ---- the text tokenizer ----

class StringTokenTest : public ReaderFixture {
protected:
    // All tokens of a text as "class:text", ending with the failure or end as "fail".
    Tokens all(std::string text) {
        Tokens out;
        std::size_t pos = 0;
        std::string tok;
        for (int guard = 0; guard < 100; ++guard) {
            int cls = 0;
            if (stringtoken(tok, text, pos, cls) < 0) {
                out.push_back("fail:" + classname(cls));
                break;
            }
            out.push_back(classname(cls) + ":" + tok);
        }
        return out;
    }
};

TEST_F(StringTokenTest, ClassesFollowTheLineTokenizer) {
    EXPECT_EQ(all("ab.c 12.5E+3 (\"q t\") _\n"),
              (Tokens{"a:ab.c", "n:12.5E+3", "(:(", "quoted:q t", "):)", "_:_", "f:\n",
                      "fail:abort"}));
    // A number or word that meets the end of the text fails.
    EXPECT_EQ(all("x 12"), (Tokens{"a:x", "fail:abort"}));
    // An unclosed quote: class 'f' with the text when the text ends in a newline.
    EXPECT_EQ(all("\"abc\n"), (Tokens{"f:abc", "fail:abort"}));
    EXPECT_EQ(all("\"abc"), (Tokens{"fail:abort"}));
    EXPECT_EQ(all("# all of it\nnext\n"), (Tokens{"f:#", "a:next", "f:\n", "fail:abort"}));
}

TEST_F(StringTokenTest, PercentSequencesExpandInsideTokens) {
    setArgs({"12", "mid", "%1"});
    EXPECT_EQ(all("%1 a%2b \"q %2 q\" 100%% %3\n"),
              (Tokens{"n:12", "a:amidb", "quoted:q mid q", "n:100%", "%:%", "n:1", "f:\n",
                      "fail:abort"}));
}

TEST_F(StringTokenTest, PushedBackTokensComeFirst) {
    pushtoken("first", 'a');
    pushtoken("2", 'n');
    EXPECT_EQ(all("x\n"), (Tokens{"a:first", "n:2", "a:x", "f:\n", "fail:abort"}));
}

TEST_F(StringTokenTest, QuotedLiteralKeepsBackslashPairs) {
    std::string text = R"(  "a\"b%1c" rest)";
    std::size_t pos = 0;
    std::string out;
    EXPECT_EQ(textquoted(out, text, pos), 7);
    EXPECT_EQ(out, R"(a\"b%1c)");
    text = "\"abc\\";
    pos = 0;
    EXPECT_EQ(textquoted(out, text, pos), -1);
    text = "abc";
    pos = 0;
    EXPECT_EQ(textquoted(out, text, pos), -1);
}

}  // namespace reader_test
