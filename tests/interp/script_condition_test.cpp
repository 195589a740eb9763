// The condition language of the if command, read straight from the input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/printout.h"
#include "interp/ifcondition.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"

namespace script_condition_test {

namespace {

class ConditionTest : public ::testing::Test {
protected:
    platform::ScopedScriptedPlatform screen;
    void SetUp() override {
        resetinterpstate();
        clearPendingLine();
        scriptArgCount = 0;
    }
    void TearDown() override { resetinterpstate(); }

    // Evaluates the condition text that follows an opening parenthesis; `rest` receives
    // the next token after it.
    double eval(const std::string& text, int* stop = nullptr, std::string* rest = nullptr) {
        settypedline(text);
        int s = 0;
        double v = ifcondition(nullptr, s);
        if (stop) *stop = s;
        if (rest) {
            char buf[78];
            int c = gettoken(buf, nullptr, 0, sizeof buf);
            *rest = c == 'f' ? std::string("<eol>") : std::string(buf);
        }
        return v;
    }
    std::string output() { return screen.platform.text() + pendingLine(); }
};

TEST_F(ConditionTest, ValuesOfConditions) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"2 + 3 * 2 == 10)", 1},  // left to right, no precedence
        {"2 + 3 * 2 == 8)", 0},
        {"5 - 3 == 2)", 1},
        {"8 / 2 / 2 == 2)", 1},
        {"5)", 5},
        {"0)", 0},
        {"1.5 * 2)", 3},
        {"!0)", 1},
        {"!(3))", 0},
        {"-(2 + 1) < -2)", 1},
        {"-4 < -3)", 1},
        {"(1 + 1) * 3 == 6)", 1},
        {"1 < 2)", 1},
        {"2 <= 2)", 1},
        {"3 >= 4)", 0},
        {"3 > 2)", 1},
        {"3 != 3)", 0},
        {"5 != )", 1},  // a non-number after != counts as different
        {"5 != abc)", 1},
        {"abc == abc)", 1},
        {"abc < abd)", 1},
        {"\"a b\" == \"a b\")", 1},
        {"abc != \"abc\")", 0},
        {"b > a)", 1},
        {"1 < 2 || 2 >= 1)", 1},
        {"1 == 2 || 2 == 2)", 1},
        {"1 == 2 || 2 == 3)", 0},
        {"1 == 1 && 2 == 2)", 1},
        {"1 == 1 && 2 == 3)", 0},
        {"1 || 0)", 1},
        {"0 || 0)", 0},
        {"0 && 1)", 0},
        {"1 == 1 || x == y)", 1},   // right side skipped
        {"1 == 2 && x == y)", 0},   // right side skipped
        {"1 == 1 || (x == ) ( ))", 1},  // skipped character by character
        {"1 < !0)", 0},  // 1 < 1
        {"1 == 1 && (2 == 2 || 0))", 1},
        {"strlen(hello) == 5)", 1},
        {"strlen(\"a b c\") == 5)", 1},
        {"isnum(12))", 1},
        {"isnum(1.5))", 0},
        {"isnum(abc))", 0},
        {"mod(7, 3) == 1)", 1},
        {"mod(7.5, 2) == 1.5)", 1},
        {"mod(7, 0) == 0)", 0},  // the remainder by zero is not a number
        {"mod(7, 0) != 0)", 1},
        {"strcmp(abc, abc) == 0)", 1},
        {"strcmp(abc, abd) < 0)", 1},
        {"strcmpi(ABC, abc) == 0)", 1},
        {"strncmp(abcx, abcy, 3) == 0)", 1},
        {"strncmp(abcx, abcy, 4) == 0)", 0},
        {"strncmpi(ABcx, abCy, 3) == 0)", 1},
    };
    for (const Case& c : cases) {
        clearPendingLine();
        int stop = -99;
        std::string rest;
        EXPECT_DOUBLE_EQ(eval(c.text, &stop, &rest), c.value) << c.text << "\n" << output();
        EXPECT_EQ(stop, 0) << c.text;
        EXPECT_EQ(rest, "<eol>") << c.text << ": the condition must end at its parenthesis";
    }
}

TEST_F(ConditionTest, NargsCountsScriptArguments) {
    std::vector<std::string> args = {"a", "b"};
    scriptArgs = &args;
    countscriptargs();
    EXPECT_EQ(scriptArgCount, 2);
    EXPECT_DOUBLE_EQ(eval("NARGS > 1)"), 1);
    EXPECT_DOUBLE_EQ(eval("NARGS == 3)"), 0);
    scriptArgs = nullptr;
    countscriptargs();
    EXPECT_EQ(scriptArgCount, 0);
}

TEST_F(ConditionTest, DivideByZeroGivesZeroWithAMessage) {
    EXPECT_DOUBLE_EQ(eval("4 / 0 == 0)"), 1);
    EXPECT_NE(output().find("Divide-by-zero error in \"if\" command."), std::string::npos);
}

TEST_F(ConditionTest, ErrorsGiveTheErrorValueAndTheirMessage) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"abc 5)", "Error:  in \"if\" command, strings only may be compared with ==, !=, <, <=, >=, or >."},
        {"abc == 5)", "Error:  in \"if\" command, second argument must be a string."},
        {"abc =< abc)", "Error:  in \"if\" command, an error in handling strings."},
        {"1 + abc)", "Error:  invalid comparison in the \"if\" command."},
        {"1 ; 2)", "Error:  invalid comparison in the \"if\" command."},
        {"!abc)", "Error:  a \"!\" must be followed by a number or a \"(\" in the \"if\" command ."},
        {"-abc)", "Error:  a \"-\" must be followed by a number or a \"(\" in the \"if\" command ."},
        {"1 < x)", "Error:  In the \"if\" command condition."},
        {"1 == x)", "Error:  invalid argument in the \"if\" command."},
        {"-3 == -3)", "Error:  invalid argument in the \"if\" command."},
        {"1 = 2)", "Error:  the \"if\" command condition \"=\" was not understood."},
        {"1 |= 2)", "Error:  In the \"if\" command condition."},
        {"1 < 2 5)", "Error:  the \"if\" command arguments must be followed by a \")\" or with another argument."},
        {"1 < 2 |x)", "Error:  In the \"if\" command condition, the condition is not understood."},
        {"1 < 2 |&)", "Error:  In the \"if\" command condition."},
        {"strlen hello)", "Error:  in \"if(strlen())\" command, opening '(' is missing."},
        {"strlen(5))", "Error:  in \"if(strlen())\" command, argument must be a string."},
        {"strlen(a b)", "Error:  in \"if(strlen())\" command, closing ')' is missing."},
        {"strcmp(a b))", "Error:  in \"if(strcmp())\" command, strings must be separated with a commma."},
        {"strcmp(5, b))", "Error:  in \"if(strcmp())\" command, first argument must be a string."},
        {"strncmp(a, b, x))", "Error:  in \"if(strncmp())\" command, last argument must be a number."},
        {"strncmpi(a, b, 101))", "Error:  in \"if(strncmpi())\" command, last argument \"101\" is invalid."},
        {"isnum(,))", "Error:  in \"if(isnum())\" command, first argument must be a number or a string."},
        {"mod(7 3))", "Error:  in \"if(mod())\" command, arguments must be separated with a commma."},
    };
    for (const Case& c : cases) {
        screen.platform.lines.clear();
        clearPendingLine();
        int stop = -99;
        EXPECT_EQ(eval(c.text, &stop), ifErrorValue) << c.text;
        EXPECT_EQ(stop, 0) << c.text;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.text << "\n" << output();
    }
}

TEST_F(ConditionTest, NestedErrorFailsTheWholeCondition) {
    EXPECT_EQ(eval("1 == 2 || (1 + x))"), ifErrorValue);
    EXPECT_EQ(eval("(1 + x) || 1)"), ifErrorValue);
}

TEST_F(ConditionTest, AbortWhileSkippingAfterOrIsNotTrue) {
    // An Escape (27) or Ctrl-R (18) character met while the rest of the condition is
    // skipped ends the condition: 27 is passed up, 18 fails; neither counts as true.
    int stop = 0;
    EXPECT_EQ(eval("1 == 1 || (2 == \x1b 3)", &stop), ifErrorValue);
    EXPECT_EQ(stop, 27);
    EXPECT_EQ(eval("1 == 1 || (2 == \x12 3)", &stop), ifErrorValue);
    EXPECT_EQ(stop, 18);
    // The same skip over a clean rest gives true.
    EXPECT_DOUBLE_EQ(eval("1 == 1 || (2 == 3))", &stop), 1);
    EXPECT_EQ(stop, 0);
}

TEST_F(ConditionTest, EvalNumberNeverOverflowsTheTokenBuffer) {
    // The functions write their numbers into the token buffer; a tiny buffer must hold a
    // terminated, shortened text rather than overflow.
    char small[8] = "mod";
    settypedline("(123456789, 1000000000)");
    int c = ifeval(small, sizeof small, 'a', nullptr);
    EXPECT_EQ(c, 'n');
    EXPECT_LT(std::strlen(small), sizeof small);
}

}  // namespace

}  // namespace script_condition_test
