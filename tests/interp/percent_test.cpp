// %-expansion: script arguments, integer expressions with 32-bit wrap, %%, the quiet mode
// and the refusal of %-function names.
#include <climits>

#include "interp/percent.h"
#include "tests/interp/reader_fixture.h"

namespace percent_test {

class PercentTest : public ReaderFixture {
protected:
    // Expand every %-sequence of a text the way the reader does: at each '%', expand and
    // go on after the first character of the expansion. Returns the text, or "<status N>".
    std::string expandall(std::string text) {
        std::size_t pos = 0;
        while ((pos = text.find('%', pos)) != std::string::npos) {
            std::string result;
            int st = expandpercent(result, text, pos);
            if (st != 0) return "<status " + std::to_string(st) + ">";
            if (!result.empty()) ++pos;
        }
        return text;
    }
};

struct ExpandCase {
    const char* text;
    const char* expected;
};

class IntExpressionTest : public PercentTest, public ::testing::WithParamInterface<ExpandCase> {};

TEST_P(IntExpressionTest, Evaluates) {
    EXPECT_EQ(expandall(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Values, IntExpressionTest,
    ::testing::Values(ExpandCase{"%{2+3*4}\n", "14\n"}, ExpandCase{"%{-5}\n", "-5\n"},
                      ExpandCase{"%{8/0}\n", "0\n"}, ExpandCase{"%{ (2 + 3) * 2 }\n", "10\n"},
                      ExpandCase{"%{1-2-3}\n", "-4\n"}, ExpandCase{"%{7/2}\n", "3\n"},
                      ExpandCase{"%{-7/2}\n", "-3\n"}, ExpandCase{"%{(1+2)*3}\n", "9\n"},
                      ExpandCase{"%{3.7*2}\n", "6\n"}, ExpandCase{"%{abc}\n", "abc\n"},
                      ExpandCase{"x%{3 4}y\n", "x3}y\n"},
                      ExpandCase{"%{2147483647+1}\n", "-2147483648\n"},
                      ExpandCase{"%{0-2147483647-2}\n", "2147483647\n"},
                      ExpandCase{"%{65536*65536}\n", "0\n"},
                      ExpandCase{"%{65537*65537}\n", "131073\n"},
                      ExpandCase{"%{(0-2147483647-1)/(0-1)}\n", "-2147483648\n"},
                      ExpandCase{"%{(1+2)}0\n", "30\n"}));

TEST_F(PercentTest, WrappingArithmeticMatchesModularArithmetic) {
    // Computed independently in 64 bits and reduced modulo 2^32.
    auto reduce = [](long long v) {
        v &= 0xffffffffLL;
        return static_cast<int>(v >= 0x80000000LL ? v - 0x100000000LL : v);
    };
    const int samples[] = {0, 1, -1, 7, -13, 46341, 65536, INT_MAX, INT_MIN, INT_MAX - 5};
    for (int a : samples)
        for (int b : samples) {
            EXPECT_EQ(wrapadd(a, b), reduce(static_cast<long long>(a) + b));
            EXPECT_EQ(wrapsub(a, b), reduce(static_cast<long long>(a) - b));
            EXPECT_EQ(wrapmul(a, b), reduce(static_cast<long long>(a) * b));
        }
    EXPECT_EQ(wrapdiv(INT_MIN, -1), INT_MIN);
    EXPECT_EQ(wrapdiv(5, 0), 0);
    EXPECT_EQ(wrapdiv(-7, 2), -3);
}

TEST_F(PercentTest, FailingExpressionsLeaveTheTextAndSaySoOnlyForTwoOperators) {
    std::string text = "%{abc def}\n";
    std::size_t pos = 0;
    std::string result;
    EXPECT_EQ(expandpercent(result, text, pos), -1);
    EXPECT_EQ(text, "%{abc def}\n");
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(results(), "");

    text = "%{2*-3}\n";
    EXPECT_EQ(expandpercent(result, text, pos), -1);
    EXPECT_EQ(results(), "\r\nBad syntax in expression.\n");
}

TEST_F(PercentTest, UnclosedBraceIsAnErrorOfItsOwn) {
    std::string text = "%{1+2\n";
    std::size_t pos = 0;
    std::string result;
    EXPECT_EQ(expandpercent(result, text, pos), 18);
    EXPECT_NE(results().find("Error:  \"%{\" without its closing brace \"}\"."), std::string::npos);
    percentMode = 2;
    EXPECT_EQ(expandpercent(result, text, pos), 0);
    EXPECT_EQ(result, "%");
    EXPECT_EQ(text, "%{1+2\n");
}

TEST_F(PercentTest, ArgumentsAndMissingArguments) {
    setArgs({"x", "y"});
    EXPECT_EQ(expandall("a%1b%2\n"), "axby\n");
    EXPECT_EQ(expandall("%{%1}0\n"), "x0\n");
    EXPECT_EQ(expandall("100%%\n"), "100%\n");

    // %12 with two arguments: the box; OK gives -1, Cancel 27.
    EXPECT_EQ(expandall("%12\n"), "<status -1>");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].rfind("[Error] You either called an add file that required an argument "
                               "(like %1), and you\r\n",
                               0),
              0u);
    answers().push_back("cancel");
    EXPECT_EQ(expandall("line 100%\n"), "<status 27>");
    EXPECT_EQ(expandall("%0\n"), "<status -1>");

    percentMode = 2;
    EXPECT_EQ(expandall("%12 and 100%\n"), "%12 and 100%\n");
    EXPECT_EQ(boxes().size(), 3u);
}

TEST_F(PercentTest, AnArgumentStartingWithPercentIsDeliveredAsItStands) {
    setArgs({"%2", "two"});
    std::string text = "%1\n";
    std::size_t pos = 0;
    std::string result;
    EXPECT_EQ(expandpercent(result, text, pos), 0);
    EXPECT_EQ(result, "%2");
    EXPECT_EQ(text, "%2\n");
    EXPECT_EQ(pos, 0u);
}

TEST_F(PercentTest, EmptyArgumentLeavesNothing) {
    setArgs({""});
    EXPECT_EQ(expandall("a%1b\n"), "ab\n");
}

TEST_F(PercentTest, UnknownFunctionNamesAreRefusedAsInvalidKeywords) {
    std::string text = "%nosuchname(\"ab\") x\n";
    std::size_t pos = 0;
    std::string result;
    EXPECT_EQ(expandpercent(result, text, pos), -1);
    EXPECT_EQ(results(), "\nError:  invalid keyword \"%nosuchname\".\n");
    EXPECT_EQ(text, "%nosuchname(\"ab\") x\n");
    EXPECT_EQ(pos, 0u);

    // Quiet mode: the name goes without a message, the rest stays.
    percentMode = 2;
    EXPECT_EQ(expandpercent(result, text, pos), 0);
    EXPECT_EQ(result, "");
    EXPECT_EQ(text, "(\"ab\") x\n");
    EXPECT_EQ(results(), "\nError:  invalid keyword \"%nosuchname\".\n");
}

TEST_F(PercentTest, ReaderStopsAtAFailedExpansion) {
    setArgs({"x"});
    typed("one %7 two");
    char buf[78];
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), 'a');
    // OK in the missing-argument box: the reader gives end of input.
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), 'e');
    typed("one %7 two");
    answers().push_back("cancel");
    gettoken(buf, nullptr, 0, 78);
    EXPECT_EQ(gettoken(buf, nullptr, 0, 78), -1);
}

TEST_F(PercentTest, SelfExpandingTextStopsWithAnErrorInsteadOfNestingForever) {
    const std::string message = "Error:  %-sequences nested too deeply (more than 100 levels).";
    // An argument that expands into itself inside a word, and one that opens groups
    // without end: each fails once with the error (status 18 stops the reading).
    const std::vector<std::string> arguments = {"a%{%1}", std::string(120, '(') + "%1"};
    for (const std::string& argument : arguments) {
        setArgs({argument});
        clearPendingLine();
        std::string before = results();
        std::string text = "%{%1}\n";
        std::size_t pos = 0;
        std::string result;
        EXPECT_EQ(expandpercent(result, text, pos), 18) << argument;
        std::string printed = results().substr(before.size());
        EXPECT_NE(printed.find(message), std::string::npos) << argument;
        EXPECT_EQ(printed.find(message), printed.rfind(message)) << "printed more than once";
    }
    // The limit is per expansion: ordinary nesting works afterwards.
    setArgs({"2"});
    EXPECT_EQ(expandall("%{(%1+1)*%{%1*%1}}\n"), "12\n");
}

TEST_F(PercentTest, TextThatKeepsGrowingInsideAnExpressionStopsAtTheLineLimit) {
    // Each turn of the expression reads "1+" and meets %1 again: the text grows without
    // end unless the expansion stops at the line buffer's size.
    setArgs({"1+%1"});
    std::string text = "%{1+%1}\n";
    std::size_t pos = 0;
    std::string result;
    EXPECT_EQ(expandpercent(result, text, pos), 18);
    EXPECT_NE(results().find("Error:  line too long after %-expansion (the limit is 2999 "
                             "characters)."),
              std::string::npos);
    // The same inside a word read by the text tokenizer.
    setArgs({"a%1"});
    text = "%{x%1}\n";
    pos = 0;
    EXPECT_EQ(expandpercent(result, text, pos), 18);
}

}  // namespace percent_test
