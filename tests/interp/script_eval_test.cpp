// The condition functions that read series: eval (an expression's value at a date) and
// exists, over a small annual workspace.
#include <gtest/gtest.h>

#include <string>

#include "interp/ifcondition.h"
#include "interp/reader.h"
#include "series/series_state.h"
#include "tests/series/series_fixture.h"

namespace script_eval_test {

namespace {

class EvalConditionTest : public seriestest::SeriesFixture {
protected:
    double eval(const std::string& text) {
        settypedline(text);
        int stop = 0;
        double v = ifcondition(nullptr, stop);
        EXPECT_EQ(stop, 0);
        return v;
    }
    std::string out() { return screen.platform.text() + pendingLine(); }
};

TEST_F(EvalConditionTest, EvalTakesTheValueAtADate) {
    store("x", {1, 2, 3, 4.25f, 5});
    // x at 1992 is 3, plus 1.
    EXPECT_DOUBLE_EQ(eval("eval(x + 1, 1992) == 4)"), 1) << out();
    // Three decimals by default: 4.25 * 2 = 8.5 exactly.
    EXPECT_DOUBLE_EQ(eval("eval(x * 2, 1993) == 8.5)"), 1) << out();
    // With decs given the value is rounded to them: 4.25 becomes 4 with none.
    decsGiven = 1;
    decs = 0;
    EXPECT_DOUBLE_EQ(eval("eval(x, 1993) == 4)"), 1) << out();
    decs = 1;
    EXPECT_DOUBLE_EQ(eval("eval(x, 1993) == 4.3)"), 0) << out();  // 4.2 with round-half-even of 4.25
}

TEST_F(EvalConditionTest, EvalErrors) {
    store("x", {1, 2, 3});
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"eval x, 1990) == 1)", "Error:  in \"if(eval())\" command, opening '(' is missing."},
        {"eval(x + , 1990) == 1)", "Error:  in \"if(eval())\" command, error in expression."},
        {"eval(x, abc) == 1)", "Error:  in \"if(eval())\" command, a valid date must follow the expression."},
        {"eval(x, 1980) == 1)", "Error:  in \"if(eval())\" command, date is before start date in jex.cfg."},
        {"eval(x, 2050) == 1)", "Error:  in \"if(eval())\" command, date exceeds the end of the workspace."},
        {"eval(x, 1990 == 1)", "Error:  in \"if(eval())\" command, closing ')' is missing."},
    };
    for (const Case& c : cases) {
        screen.platform.lines.clear();
        clearPendingLine();
        EXPECT_EQ(eval(c.text), ifErrorValue) << c.text;
        EXPECT_NE(out().find(c.message), std::string::npos) << c.text << "\n" << out();
    }
}

TEST_F(EvalConditionTest, ExistsTestsForASeries) {
    store("gdp", {1, 2});
    EXPECT_DOUBLE_EQ(eval("exists(gdp) == 1)"), 1) << out();
    EXPECT_DOUBLE_EQ(eval("existing(nosuch))"), 0) << out();
    EXPECT_EQ(out().find("nosuch"), std::string::npos) << "an existence test reports nothing";
    EXPECT_EQ(eval("exists(5))"), ifErrorValue);
    EXPECT_NE(out().find("Error:  in \"if(exists())\" command, argument must be a string."),
              std::string::npos);
}

}  // namespace

}  // namespace script_eval_test
