// The string command: assignment and append, save and read back, parse and replace with
// regular expressions, trim, getline and store args.
#include <gtest/gtest.h>

#include <string>

#include "core/printout.h"
#include "interp/command.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/strings.h"
#include "interp/userfunc.h"
#include "platform/scripted_platform.h"
#include "tests/interp/script_fixture.h"

namespace script_strings_test {

namespace {

class StringCommandTest : public ScriptFixture {
protected:
    StringCommandTest() : ScriptFixture("jex_str_") {}

    // Runs the text as an add file with the given arguments, typed as an add command.
    int script(const std::string& text, const std::string& args = "") {
        std::string p = write("run.add", text);
        return typed("add \"" + p + "\"" + (args.empty() ? "" : " " + args));
    }
};

TEST_F(StringCommandTest, AssignAppendAndJoin) {
    EXPECT_EQ(typed("str s = \"abc\""), statusTyped);
    EXPECT_EQ(typed("str s += \"def\""), statusTyped);
    EXPECT_EQ(var("s"), "abcdef");
    EXPECT_EQ(typed("string t = \"x\" + s + \"y\""), statusTyped);
    EXPECT_EQ(var("t"), "xabcdefy");
    // += creates a missing variable.
    EXPECT_EQ(typed("str fresh += \"1\""), statusTyped);
    EXPECT_EQ(var("fresh"), "1");
}

TEST_F(StringCommandTest, UnknownRightSideIsAnErrorAndLeavesTheTarget) {
    ASSERT_EQ(typed("str u = \"keep\""), statusTyped);
    EXPECT_EQ(typed("str u = nosuch"), -1);
    EXPECT_EQ(var("u"), "keep");
    EXPECT_NE(output().find("Error:  No valid string on right-hand side of \"string\" command."),
              std::string::npos);
    EXPECT_EQ(typed("str u + \"x\""), -1);
    EXPECT_NE(output().find("Error:  in str command, a '+' following the left-hand-side must"),
              std::string::npos);
    EXPECT_EQ(var("u"), "keep");
}

TEST_F(StringCommandTest, SubcommandNamesCanBeVariables) {
    ASSERT_EQ(typed("str print = \"x\""), statusTyped);
    EXPECT_EQ(var("print"), "x");
    screen.platform.lines.clear();
    ASSERT_EQ(typed("str print"), statusTyped);
    EXPECT_EQ(output(), "str print = \"x\"\n");
}

TEST_F(StringCommandTest, SaveClearAndAddRestoresEveryVariable) {
    stringStore.set("a", "plain text");
    stringStore.set("pct", "50% of %1");
    stringStore.set("q", "say \"hi\"");
    stringStore.set("nl", "two\nlines");
    std::string f = (dir / "vars.add").string();
    ASSERT_EQ(typed("str save \"" + f + "\""), statusTyped);
    // Values that the file could not give back are skipped with a warning, the rest saved.
    std::string out = output();
    EXPECT_NE(out.find("\"q\""), std::string::npos);
    EXPECT_NE(out.find("\"nl\""), std::string::npos);

    ASSERT_EQ(typed("str clear"), statusTyped);
    EXPECT_TRUE(stringStore.all().empty());
    addPrint = 0;
    ASSERT_EQ(typed("add \"" + f + "\""), statusTyped);
    EXPECT_EQ(stringStore.all().size(), 2u);
    EXPECT_EQ(var("a"), "plain text");
    EXPECT_EQ(var("pct"), "50% of %1");
    EXPECT_FALSE(stringStore.has("q"));
}

TEST_F(StringCommandTest, ClearOneAndMissingName) {
    stringStore.set("a", "1");
    stringStore.set("b", "2");
    ASSERT_EQ(typed("str clear a"), statusTyped);
    EXPECT_FALSE(stringStore.has("a"));
    EXPECT_TRUE(stringStore.has("b"));
    EXPECT_EQ(typed("str clear zz"), -1);
    EXPECT_NE(output().find("\nError:  String name \"zz\" not found.\n"[1]), std::string::npos);
}

TEST_F(StringCommandTest, ParseWithPatternAndRoot) {
    ASSERT_EQ(typed("str parse \"a,b,,c\" \",\" w"), statusTyped);
    EXPECT_EQ(var("w1"), "a");
    EXPECT_EQ(var("w2"), "b");
    EXPECT_EQ(var("w3"), "");
    EXPECT_EQ(var("w4"), "c");
    EXPECT_EQ(stringStore.wordCount(), 4);
    std::string w;
    EXPECT_EQ(stringStore.word(4, w), 0);
    EXPECT_EQ(w, "c");
    EXPECT_EQ(stringStore.word(5, w), -1);
    EXPECT_EQ(w, "");
}

TEST_F(StringCommandTest, ParseDefaultSplitsAtRunsOfBlanksAndTabs) {
    stringStore.set("line", "  alpha   beta\t\tgamma \t delta");
    ASSERT_EQ(typed("str parse line"), statusTyped);
    ASSERT_EQ(stringStore.wordCount(), 4);
    const auto& words = stringStore.allWords();
    EXPECT_EQ(words[0], "alpha");
    EXPECT_EQ(words[1], "beta");
    EXPECT_EQ(words[2], "gamma");
    EXPECT_EQ(words[3], "delta");
}

TEST_F(StringCommandTest, ParseRegexPatternWithBackslashes) {
    ASSERT_EQ(typed("str parse \"x1y22z\" \"\\d+\" p"), statusTyped);
    EXPECT_EQ(var("p1"), "x");
    EXPECT_EQ(var("p2"), "y");
    EXPECT_EQ(var("p3"), "z");
}

TEST_F(StringCommandTest, ParseErrors) {
    EXPECT_EQ(typed("str parse nosuch"), -1);
    EXPECT_NE(output().find("Error:  String name \"nosuch\" not found."), std::string::npos);
    EXPECT_EQ(typed("str parse \"a b\" \"(\" r"), -1);
    EXPECT_NE(output().find("tokenizer failed"), std::string::npos);
    EXPECT_FALSE(stringStore.has("r1"));
    EXPECT_EQ(typed("str parse \"a b\" 5"), -1);
    EXPECT_NE(output().find("Error:  no valid separator list."), std::string::npos);
}

TEST_F(StringCommandTest, ReplaceWithRegularExpressions) {
    stringStore.set("v", "abbbc");
    ASSERT_EQ(typed("str replace v \"b+\" \"X\""), statusTyped);
    EXPECT_EQ(var("v"), "aXc");
    // A replacement longer than the text, with a reference to the match.
    stringStore.set("w", "ab");
    ASSERT_EQ(typed("str replace w \"(a)(b)\" \"[$2$1$&]-longer-than-before\""), statusTyped);
    EXPECT_EQ(var("w"), "[baab]-longer-than-before");
    // A pattern with a backslash class reaches the regular expression as written.
    stringStore.set("d", "a1b22c");
    ASSERT_EQ(typed("str replace d \"\\d+\" \"#\""), statusTyped);
    EXPECT_EQ(var("d"), "a#b#c");
}

TEST_F(StringCommandTest, ReplaceWithInvalidPatternKeepsTextAndReaderState) {
    stringStore.set("v", "abc");
    EXPECT_EQ(typed("str replace v \"(b\" \"X\""), -1);
    EXPECT_EQ(var("v"), "abc");
    EXPECT_NE(output().find("Error:  in \"string replace\" command."), std::string::npos);
    EXPECT_EQ(percentMode, 1);
    // The next command reads normally.
    EXPECT_EQ(typed("str v = \"next\""), statusTyped);
    EXPECT_EQ(var("v"), "next");
    // Missing quotes.
    EXPECT_EQ(typed("str replace v b \"X\""), -1);
    EXPECT_EQ(typed("str replace nosuch \"b\" \"X\""), -1);
    EXPECT_EQ(typed("str replace v \"b\" X"), -1);
    EXPECT_NE(output().find("Error:  no valid replacement text.  Expected '\"'."), std::string::npos);
}

TEST_F(StringCommandTest, Trim) {
    stringStore.set("blanks", " \t  ");
    ASSERT_EQ(typed("str trim blanks"), statusTyped);
    EXPECT_EQ(var("blanks"), "");
    stringStore.set("x", "xxabcxx");
    ASSERT_EQ(typed("str trimleft x \"x\""), statusTyped);
    EXPECT_EQ(var("x"), "abcxx");
    stringStore.set("y", "  ab  ");
    ASSERT_EQ(typed("str trimright y"), statusTyped);
    EXPECT_EQ(var("y"), "  ab");
    EXPECT_EQ(typed("str trim nosuch"), -1);
    EXPECT_NE(output().find("Error:  String name \"nosuch\" not found in \"str trim\"."),
              std::string::npos);
}

TEST_F(StringCommandTest, GetlineReadsLinesThenStopsAtTheEnd) {
    std::string f = write("text.txt", "first line\r\nsecond\n");
    ASSERT_EQ(typed("str open \"" + f + "\""), statusTyped);
    ASSERT_EQ(typed("str getline v"), statusTyped);
    EXPECT_EQ(var("v"), "first line");
    EXPECT_EQ(stringStore.lineLength(), 10);
    ASSERT_EQ(typed("str getline v"), statusTyped);
    EXPECT_EQ(var("v"), "second");
    ASSERT_EQ(typed("str getline v"), statusTyped);
    EXPECT_EQ(var("v"), "second");
    EXPECT_EQ(stringStore.wordCount(), 0);
    EXPECT_EQ(stringStore.lineLength(), -1);
    ASSERT_EQ(typed("str close"), statusTyped);
    EXPECT_EQ(typed("str getline v"), -1);
    EXPECT_NE(output().find("Warning:  string text file not open for reading."), std::string::npos);
    EXPECT_EQ(typed("str open \"" + (dir / "none.txt").string() + "\""), -1);
}

TEST_F(StringCommandTest, StoreArgsOfTheRunningAddFile) {
    ASSERT_EQ(script("str store args a\n", "first \"second arg\""), statusTyped);
    EXPECT_EQ(var("a1"), "first");
    EXPECT_EQ(var("a2"), "second arg");
    EXPECT_FALSE(stringStore.has("a3"));
    EXPECT_EQ(typed("str store nothing a"), -1);
}

TEST_F(StringCommandTest, RegexHelpers) {
    EXPECT_EQ(regexreplace("abbbc", "b+", "X").value(), "aXc");
    EXPECT_FALSE(regexreplace("abc", "[", "X").has_value());
    std::vector<std::string> pieces;
    EXPECT_EQ(regexsplit("a,b,,c", ",", pieces), 4);
    EXPECT_EQ(regexsplit("abc", "(", pieces), -1);
    EXPECT_TRUE(pieces.empty());
}

}  // namespace

}  // namespace script_strings_test
