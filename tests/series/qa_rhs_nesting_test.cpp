// Deep nesting in series expressions: parentheses and @function arguments recurse in the
// evaluator, so an expression nested past the limit is refused with one message instead of
// exhausting the stack (an add file of 200,000 lines of "(" crashed the program before).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "series/series_commands.h"
#include "series/rhs.h"
#include "series_fixture.h"

namespace qa_rhs_nesting_test {

namespace {

class QaNesting : public seriestest::SeriesFixture {
protected:
    int evaluate(std::vector<std::string> lines, std::vector<float>& out) {
        seriestest::ReplayInput input(std::move(lines));
        out.assign(2000, 0.0f);
        char text[3000];
        text[0] = '\0';
        char* cursor = text;
        return rhs(out.data(), nullptr, cursor, sizeof text);
    }
    static int count(const std::string& haystack, const std::string& needle) {
        int n = 0;
        for (std::size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1)) ++n;
        return n;
    }
};

TEST_F(QaNesting, ModerateNestingStillEvaluates) {
    store("x", {1, 2, 3});
    std::vector<float> out;
    // 150 levels of parentheses on one line and 150 of @fabs over several lines.
    std::string line = std::string(150, '(') + "x+1" + std::string(150, ')') + ";";
    ASSERT_EQ(evaluate({line}, out), ';') << output();
    EXPECT_EQ(out[0], 2.0f);
    EXPECT_EQ(out[2], 4.0f);
    std::vector<std::string> lines;
    for (int i = 0; i < 150; ++i) lines.push_back("@fabs(");
    lines.push_back("x*2" + std::string(150, ')') + ";");
    ASSERT_EQ(evaluate(lines, out), ';') << output();
    EXPECT_EQ(out[1], 4.0f);
}

TEST_F(QaNesting, TooDeepIsRefusedOnceWithoutCrashing) {
    store("x", {1, 2, 3});
    std::vector<float> out;
    // Parentheses continued line after line (an opening parenthesis lets the expression go on).
    std::vector<std::string> lines(100000, "(");
    lines.push_back("x)");
    EXPECT_EQ(evaluate(lines, out), -1);
    std::string said = output();
    EXPECT_EQ(count(said, "Expression nested too deeply (more than 200 levels)."), 1) << said.substr(0, 400);
    EXPECT_EQ(count(said, "error: missing )"), 0);

    // The same through @function arguments; the f command stores nothing.
    std::vector<std::string> calls(5000, "@sqrt(");
    calls.insert(calls.begin(), "deep = ");
    calls.push_back("x)");
    seriestest::ReplayInput input(calls);
    EXPECT_EQ(fcmd(nullptr), -1);
    said = output();
    EXPECT_EQ(count(said, "Expression nested too deeply"), 1);
    EXPECT_EQ(count(said, "error in @sqrt function"), 0) << said.substr(0, 400);
    EXPECT_TRUE(series("deep").empty());

    // The limit is per expression: the next one evaluates normally, and its failures are
    // reported again.
    ASSERT_EQ(evaluate({"(x*3);"}, out), ';');
    EXPECT_EQ(out[2], 9.0f);
    EXPECT_EQ(evaluate({"@sqrt(x;"}, out), -1);
    EXPECT_EQ(count(output(), "error in @sqrt function"), 1);
}

}  // namespace

}  // namespace qa_rhs_nesting_test
