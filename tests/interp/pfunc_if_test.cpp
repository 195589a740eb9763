// %if and its condition: string and number comparisons, arithmetic on the left value,
// unary '-' and '!', groups, the joins || and && with their skips, and the messages of
// each kind of failure, in normal and quiet mode.
#include <string>

#include "interp/percent_functions.h"
#include "interp/strings.h"
#include "tests/interp/reader_fixture.h"

namespace pfunc_if_test {

namespace {

class PfuncIf : public ReaderFixture {
protected:
    void SetUp() override {
        ReaderFixture::SetUp();
        stringStore.reset();
        stringStore.set("y", "yes");
        stringStore.set("n", "no");
    }
    void TearDown() override {
        stringStore.reset();
        ReaderFixture::TearDown();
    }
    // %if with the text after its name.
    Outcome run(const std::string& args) { return call("if" + args); }
};

const char* const argumentsMessage = "\nError:  in the arguments for the \"%if()\" command.\n";

struct IfCase {
    const char* args;
    const char* result;   // the text chosen; null when the condition fails
    const char* printed;  // the messages (on failure, those before the arguments message)
};

const IfCase ifCases[] = {
    {"(1 < 2, y, n) x\n", "yes", ""},
    {"(2 <= 1, y, n)\n", "no", ""},
    {"(2 >= 2, y, n)\n", "yes", ""},
    {"(1.5 > 1.25, y, n)\n", "yes", ""},
    {"(2 == 2.0, y, n)\n", "yes", ""},
    {"(2 != 2, y, n)\n", "no", ""},
    {"(abc == abc, y, n)\n", "yes", ""},
    {"(abc < abd, y, n)\n", "yes", ""},
    {"(abd <= abc, y, n)\n", "no", ""},
    {"(\"ab\" < abc, y, n)\n", "yes", ""},      // a text that starts the other is smaller
    {"(abc != \"abc\", y, n)\n", "no", ""},
    {"(2*3 == 6, y, n)\n", "yes", ""},
    {"(1 + 2 * 3 == 9, y, n)\n", "yes", ""},    // left to right, no precedence
    {"(7 / 2 == 3.5, y, n)\n", "yes", ""},
    {"(-1 < 0, y, n)\n", "yes", ""},
    {"(!0 == 1, y, n)\n", "yes", ""},
    {"(!5 == 0, y, n)\n", "yes", ""},
    {"((1 < 2) == 1, y, n)\n", "yes", ""},
    {"(-(1 < 2) < 0, y, n)\n", "yes", ""},
    {"(!(1 > 2) == 1, y, n)\n", "yes", ""},
    {"(0 < -1, y, n)\n", "no", ""},
    {"(5 != x, y, n)\n", "yes", ""},              // a word after != : holds
    {"((1 == 1 || 2 == 3) == 1, y, n)\n", "yes", ""},
    {"((1 == 2 && x == y) == 0, y, n)\n", "yes", ""},
    {"((1 == 2 || 3 == 3) == 1, y, n)\n", "yes", ""},
    {"((1 == 1 && 3 == 4) == 0, y, n)\n", "yes", ""},
    // top-level joins: the skip stops at the ',' that ends the condition
    {"(1 == 1 || 2 == 3, y, n)\n", "yes", ""},
    {"(1 == 1 || (2 == (3)), y, n)\n", "yes", ""},
    {"(abc == abc || q == \",)\", y, n)\n", "yes", ""},
    {"(1 == 2 && 3 == 3, y, n)\n", "no", ""},
    {"(1 == 2 && (3 == 3), y, n)\n", "no", ""},
    {"(1 == 2 || 3 == 3, y, n)\n", "yes", ""},
    {"(1 == 1 && 3 == 4, y, n)\n", "no", ""},
    {"(1 == 2 || 3 == 4 || 5 == 5, y, n)\n", "yes", ""},
    {"(1 < 2, \"a b\", \"c\")\n", "a b", ""},
    // a join straight after a value reads its right side
    {"(1 || 2 == 3, y, n)\n", "yes", ""},
    {"(0 && 2 == 2, y, n)\n", "no", ""},
    // failures
    {"(3 - 1 == 2, y, n)\n", nullptr, "\nError:  the \"%if()\" function condition \"-\" was not understood.\n"},
    {"(3 -x, y, n)\n", nullptr,
     "\nError:  a \"-\" must be followed by a number or a \"(\" in the \"%if()\" function .\n"},
    {"(5 == x, y, n)\n", nullptr, "\nError:  invalid argument in the \"%if()\" function.\n"},
    {"(1, y, n)\n", nullptr, "\nError:  invalid comparison in the \"%if()\" function.\n"},
    {"(1 + x < 2, y, n)\n", nullptr, "\nError:  invalid comparison in the \"%if()\" function.\n"},
    {"(, y, n)\n", nullptr, "\nError:  invalid comparison in the \"%if()\" function.\n"},
    {"(!x, y, n)\n", nullptr,
     "\nError:  a \"!\" must be followed by a number or a \"(\" in the \"%if()\" function .\n"},
    {"(1 = 2, y, n)\n", nullptr, "\nError:  the \"%if()\" function condition \"=\" was not understood.\n"},
    {"(1 |= 2, y, n)\n", nullptr, "\nError:  In the \"%if()\" function condition.\n"},
    {"(1 < x, y, n)\n", nullptr, "\nError:  In the \"%if()\" function condition.\n"},
    {"(1 < 2 y, n)\n", nullptr,
     "\nError:  the \"%if()\" function arguments must be followed by a \")\" or with another argument.\n"},
    {"(1 < 2 | 3, y, n)\n", nullptr, "\nError:  In the \"%if()\" function condition.\n"},
    {"(abc + abd, y, n)\n", nullptr,
     "Error:  in \"%if()\" function, strings only may be compared with ==, !=, <, <=, >=, or >.\n"},
    {"(abc < \"abd\", y, n)\n", nullptr, "Error:  in \"%if()\" function, an error in handling strings.\n"},
    {"(abc == 3, y, n)\n", nullptr, "Error:  in \"%if()\" function, second argument must be a string.\n"},
    {"(abc = abd, y, n)\n", nullptr, "Error:  in \"if\" function, an error in handling strings.\n"},
    {"(1 < 2\n", nullptr,
     "\nError:  the \"%if()\" function arguments must be followed by a \")\" or with another argument.\n"},
};

class PfuncIfCases : public PfuncIf, public ::testing::WithParamInterface<IfCase> {};

TEST_P(PfuncIfCases, ChooseOrFail) {
    const IfCase& c = GetParam();
    Outcome o = run(c.args);
    if (c.result) {
        EXPECT_EQ(o.status, 0) << c.args;
        EXPECT_EQ(o.result, c.result) << c.args;
        EXPECT_EQ(o.printed, c.printed) << c.args;
    } else {
        EXPECT_EQ(o.status, -1) << c.args;
        EXPECT_EQ(o.result, "") << c.args;
        EXPECT_EQ(o.printed, std::string(c.printed) + argumentsMessage) << c.args;
    }
    // Quiet mode: no message, status 0, and on failure an empty text.
    percentMode = 2;
    Outcome q = run(c.args);
    EXPECT_EQ(q.status, 0) << "quiet " << c.args;
    EXPECT_EQ(q.result, c.result ? c.result : "") << "quiet " << c.args;
    EXPECT_EQ(q.printed, "") << "quiet " << c.args;
}

INSTANTIATE_TEST_SUITE_P(Conditions, PfuncIfCases, ::testing::ValuesIn(ifCases));

TEST_F(PfuncIf, TheChoiceEndsAtItsClosingParenthesis) {
    Outcome o = run("(1 < 2, y, n) x\n");
    EXPECT_EQ(o.rest, " x\n");
    o = run("(1 == 1 || 2 == 3, y, n)tail\n");
    EXPECT_EQ(o.rest, "tail\n");
    o = run("((1 == 2 && x == y) == 0, y, n)tail\n");
    EXPECT_EQ(o.rest, "tail\n");
}

TEST_F(PfuncIf, ASkipThatMeetsTheEndOfTheLineLeavesNoTexts) {
    Outcome o = run("(1 == 1 || 2 == 3\n");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.printed,
              "\nError:  in %if() routine, need \n\t'%if(<condition> ,<if_true_string>, <if_false_string>)'.\n");
}

TEST_F(PfuncIf, TheTextsMustBeStringsOrQuoted) {
    Outcome o = run("(1 < 2, a, b)\n");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.printed,
              "\nError:  in %if() routine, need \n\t'%if(<condition> ,<if_true_string>, <if_false_string>)'.\n");
    o = run("(1 < 2, y)\n");
    EXPECT_EQ(o.status, -1);
}

TEST_F(PfuncIf, NeedsItsParenthesis) {
    Outcome o = run(" 1 < 2, y, n)\n");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.printed, "\nError:  the \"%if()\" function must be followed by a \"(\".\n");
    percentMode = 2;
    o = run(" 1 < 2, y, n)\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.printed, "");
}

TEST_F(PfuncIf, DivisionByZeroIsReportedEvenInQuietMode) {
    Outcome o = run("(1/0 == 0, y, n)\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.result, "yes");
    EXPECT_EQ(o.printed, "\nDivide-by-zero error in \"%if()\" function.\n");
    percentMode = 2;
    o = run("(1/0.00000001 == 0, y, n)\n");
    EXPECT_EQ(o.result, "yes");
    EXPECT_EQ(o.printed, "\nDivide-by-zero error in \"%if()\" function.\n");
}

TEST_F(PfuncIf, QuietFailuresDropTheCallUpToTheFailingToken) {
    percentMode = 2;
    Outcome o = run("(3 - 1 == 2, y, n) tail\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.result, "");
    // Read up to the 1 that ended the failing condition, and one character more.
    EXPECT_EQ(o.rest, "== 2, y, n) tail\n");
}

TEST_F(PfuncIf, SequencesInTheConditionExpandOnlyWhenRead) {
    // The right side of || is skipped unread; that of && is read token by token, so a
    // failing %-sequence there fails the condition, with its message once.
    Outcome o = run("(1 == 1 || %strlen(x) == 1, y, n)\n");
    EXPECT_EQ(o.result, "yes");
    EXPECT_EQ(o.printed, "");
    o = run("(1 == 2 && %strlen(x) == 1, y, n)\n");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.printed, std::string("\nError:  in %strlen() routine, need \n\t'%strlen(<string>)'.\n") +
                             argumentsMessage);
    o = run("(%strlen(\"abc\") == 3, y, n)\n");
    EXPECT_EQ(o.result, "yes");
}

TEST_F(PfuncIf, ConditionsReadDirectly) {
    struct Case {
        const char* text;
        int status;
        int truth;
        const char* rest;
    };
    const Case cases[] = {
        {"1 < 2, rest\n", 0, 1, " rest\n"},
        {"1 < 2) rest\n", 0, 1, " rest\n"},        // a group ends with its ')'
        {"(1 < 2)) rest\n", 0, 1, " rest\n"},      // a group whose value is its truth
        {"0) rest\n", 0, 0, " rest\n"},            // a bare value ends a group
        {"1 == 1 || 2) rest\n", 0, 1, " rest\n"},  // inside a group the skip ends at ')'
        {"1 == 1 || 2, (3)), rest\n", 0, 1, " (3)), rest\n"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        std::size_t pos = 0;
        int cls = 0;
        unsigned char truth = 9;
        EXPECT_EQ(percentif(text, pos, cls, truth), c.status) << c.text;
        EXPECT_EQ(truth, c.truth) << c.text;
        EXPECT_EQ(text.substr(pos), c.rest) << c.text;
    }
}

}  // namespace

}  // namespace pfunc_if_test
