#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "series/lanes.h"
#include "series/rhs.h"
#include "series_fixture.h"

namespace expr_rhs_test {

using seriestest::expectSeries;
using seriestest::LaneWidth;
using seriestest::WorkspaceLength;
using seriestest::M;

namespace {

class Rhs : public seriestest::SeriesFixture {
protected:
    void SetUp() override {
        SeriesFixture::SetUp();
        store("a", {1, 2, M, 4});
        store("b", {2, 0.00000005f, 3, 2});
        store("c", {3, 5, 7, 11});
    }

    struct Result {
        int code;
        std::vector<float> values;
        std::string text;
        int frequency;
    };

    // Evaluates the replayed lines with rhs.
    Result eval(std::vector<std::string> lines) {
        seriestest::ReplayInput input(std::move(lines));
        return evalhere();
    }
    Result evaltyped(const std::string& line) {
        settypedline(line);
        return evalhere();
    }
    Result evalhere() {
        std::vector<float> out(2000, 99.0f);
        char text[3000];
        text[0] = '\0';
        char* cursor = text;
        currentFrequency = -7;
        Result r;
        r.code = rhs(out.data(), nullptr, cursor, sizeof text);
        r.values = out;
        r.text = text;
        r.frequency = currentFrequency;
        return r;
    }
};

}  // namespace

TEST_F(Rhs, DivisionByNearZeroGivesZeroAndMissingPropagates) {
    Result q = eval({"a / b"});
    EXPECT_EQ(q.code, 102);
    expectSeries(q.values, {0.5f, 0.0f, M, 2.0f}, "a / b");
    Result w = eval({"2 * (a - (b + 1))"});
    EXPECT_EQ(w.code, 102);
    // 2 * (2 - 1.00000005) is 2 within single precision.
    expectSeries(w.values, {-4.0f, 2.0f, M, 2.0f}, "2 * (a - (b + 1))");
    EXPECT_EQ(w.text, "2*(a-(b+1))");
    // A missing left factor stays missing; a missing divisor gives missing.
    expectSeries(eval({"a * b"}).values, {2.0f, 0.0000001f, M, 8.0f}, "a * b");
    expectSeries(eval({"c / a"}).values, {3.0f, 2.5f, M, 2.75f}, "c / a");
}

TEST_F(Rhs, PrecedenceAndAssociativity) {
    // a + b * c = 1 + 6, 2 + 0.00000025, missing, 4 + 22.
    expectSeries(eval({"a + b * c"}).values, {7.0f, 2.0f, M, 26.0f}, "a + b * c");
    // c / a / b = (3 / 1) / 2, ..., (11 / 4) / 2.
    expectSeries(eval({"c / a / b"}).values, {1.5f, 0.0f, M, 1.375f}, "c / a / b");
    // - a * b is 0 - (a * b).
    expectSeries(eval({"- a * b"}).values, {-2.0f, -0.0000001f, M, -8.0f}, "- a * b");
    expectSeries(eval({"(a + b) * c"}).values, {9.0f, 10.0000003f, M, 66.0f}, "(a + b) * c");
    expectSeries(eval({"c - a - 1"}).values, {1.0f, 2.0f, M, 6.0f}, "c - a - 1");
    expectSeries(eval({"+ c"}).values, {3.0f, 5.0f, 7.0f, 11.0f}, "+ c");
}

TEST_F(Rhs, NumberIsAConstantSeriesUpToTheWorkspaceLength) {
    Result r = eval({"3"});
    EXPECT_EQ(r.code, 102);
    EXPECT_EQ(r.frequency, 0);
    for (int i = 0; i < obs; ++i) EXPECT_EQ(r.values[i], 3.0f);
    for (int i = obs; i < 1999; ++i) ASSERT_EQ(r.values[i], 0.0f) << i;
    EXPECT_EQ(r.values[1999], 99.0f);  // not part of the cleared array
    expectSeries(eval({"1.5E2 / 3"}).values, {50.0f}, "1.5E2 / 3");
}

TEST_F(Rhs, DelimitersEndTheExpression) {
    struct Case {
        std::string line;
        int code;
        std::string text;
    } cases[] = {
        {"a )", 41, "a)"},     {"a , b", 44, "a"},   {"a < b", 60, "a"}, {"a > b", 62, "a"},
        {"a ; b", 59, "a"},    {"a = b", 61, "a"},   {"a", 102, "a"},    {"(a) b", 41, "(a)b"},
        {"a b", 0, "ab"},      {"a 5", 0, "a5"},     {"(c)", 102, "(c)"},
    };
    for (const Case& c : cases) {
        Result r = eval({c.line});
        EXPECT_EQ(r.code, c.code) << c.line;
        EXPECT_EQ(r.text, c.text) << c.line;
    }
    // a b uses a alone.
    expectSeries(eval({"a b"}).values, {1.0f, 2.0f, M, 4.0f}, "a b");
    // a 5 leaves 5 to be read again.
    {
        seriestest::ReplayInput input({"a 5"});
        Result r = evalhere();
        EXPECT_EQ(r.code, 0);
        char token[78];
        EXPECT_EQ(gettoken(token, nullptr, 0, 78), 'n');
        EXPECT_STREQ(token, "5");
    }
}

TEST_F(Rhs, TextPacksOneExpressionAfterAnother) {
    seriestest::ReplayInput input({"a + 1 , c * 2 )"});
    std::vector<float> out(2000);
    char text[3000];
    char* cursor = text;
    EXPECT_EQ(rhs(out.data(), nullptr, cursor, sizeof text), 44);
    EXPECT_EQ(rhs(out.data(), nullptr, cursor, 0), 41);
    EXPECT_STREQ(text, "a+1");
    EXPECT_STREQ(text + 4, "c*2)");
    EXPECT_EQ(cursor, text + 4 + 5);
    EXPECT_EQ(*cursor, '\0');
}

TEST_F(Rhs, OperatorAtLineEndContinuesOnTheNextLine) {
    Result r = eval({"a +", "c"});
    EXPECT_EQ(r.code, 102);
    expectSeries(r.values, {4.0f, 7.0f, M, 15.0f}, "a + c over two lines");
    EXPECT_EQ(r.text, "a+c");
    // A typed line has no next line: the end of input is not an element.
    Result t = evaltyped("a +");
    EXPECT_EQ(t.code, -1);
    EXPECT_TRUE(printed("Unrecognized element in expression"));
}

TEST_F(Rhs, SyntaxErrors) {
    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"a * - b", "Bad syntax in expression."},
        {"a - - b", "Bad syntax in expression."},
        {"a / / b", "Bad syntax in expression."},
        // An operator right before a delimiter has no right operand.
        {"a + )", "Bad syntax in expression."},
        {"a * ;", "Bad syntax in expression."},
        {"a - , b", "Bad syntax in expression."},
        {"a / = 1", "Bad syntax in expression."},
        {"(a + )", "error: missing )"},
        {"a + \"q\"", "Unrecognized element in expression"},
        {"a _ b", "Unrecognized element in expression"},
        {"@3", "@ must be followed by function name"},
        {"@foo(a)", " foo is not a recognized function"},
    };
    for (const Case& c : cases) {
        output();
        Result r = eval({c.line});
        EXPECT_EQ(r.code, -1) << c.line;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.line;
    }
}

TEST_F(Rhs, UnclosedParenthesisReportsMissing) {
    Result r = evaltyped("(a + b");
    EXPECT_EQ(r.code, -1);
    EXPECT_TRUE(printed("error: missing )"));
}

TEST_F(Rhs, FrequencyConflict) {
    store("q4", {1, 2, 3, 4}, 4);
    Result r = eval({"q4 + a"});
    EXPECT_EQ(r.code, -1);
    EXPECT_NE(output().find("Frequency conflict in expression."), std::string::npos);
    // Within one term, and inside parentheses too.
    EXPECT_EQ(eval({"a * (q4)"}).code, -1);
    Result k = eval({"q4 + 3"});
    EXPECT_EQ(k.code, 102);
    EXPECT_EQ(k.frequency, 4);
    EXPECT_EQ(eval({"3 + a"}).frequency, 1);
}

TEST_F(Rhs, UnknownNameAsksAndCancelAborts) {
    Result r = eval({"zz + 1"});
    EXPECT_EQ(r.code, -1);
    EXPECT_NE(output().find("zz can't be found."), std::string::npos);
    ASSERT_EQ(screen.platform.boxes.size(), 1u);
    EXPECT_EQ(screen.platform.boxes[0], "[rhs error] Unable to find zz");
    screen.platform.answers.push_back("cancel");
    EXPECT_EQ(eval({"1 + zz"}).code, 27);
}

TEST_F(Rhs, TextCopyIsBoundedByTheBuffer) {
    // An expression continued over many lines, much longer than the buffer.
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) lines.push_back("a + c +");
    lines.push_back("1");
    seriestest::ReplayInput input(lines);
    std::vector<float> out(2000);
    char text[400];
    std::memset(text, 'x', sizeof text);
    text[0] = '\0';
    char* cursor = text;
    EXPECT_EQ(rhs(out.data(), nullptr, cursor, 300), 102);
    EXPECT_LT(std::strlen(text), 300u);
    for (int i = 300; i < 400; ++i) ASSERT_EQ(text[i], 'x') << i;
    // The evaluation itself is unchanged: 200 * (a + c) + 1.
    expectSeries(out, {801.0f, 1401.0f, M, 3001.0f}, "long sum");
}

TEST_F(Rhs, MissingBandAndNearZeroEdges) {
    // Values at and beside the edges of the missing band and of the near-zero divisor band.
    std::vector<float> edges;
    for (double edge : {-0.0000011, -0.0000009}) {
        float f = static_cast<float>(edge);
        for (float v : {std::nextafter(std::nextafter(f, -1.0f), -1.0f), std::nextafter(f, -1.0f), f,
                        std::nextafter(f, 0.0f), std::nextafter(std::nextafter(f, 0.0f), 0.0f)})
            edges.push_back(v);
    }
    edges.push_back(-0.0f);
    edges.push_back(std::nanf(""));
    store("m", edges);
    Result r = eval({"m + 0"});
    ASSERT_EQ(r.code, 102);
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (ismissing(edges[i])) {
            EXPECT_EQ(r.values[i], MISSING) << i;
        } else if (!std::isnan(edges[i])) {
            EXPECT_EQ(r.values[i], edges[i]) << i;
        }
    }
    const float tiny = 0.0000001f;
    store("z", {tiny, std::nextafter(tiny, 0.0f), -tiny, std::nextafter(-tiny, 0.0f), 0.0f});
    r = eval({"1 / z"});
    EXPECT_FLOAT_EQ(r.values[0], 1.0f / tiny);
    EXPECT_EQ(r.values[1], 0.0f);
    EXPECT_FLOAT_EQ(r.values[2], -1.0f / tiny);
    EXPECT_EQ(r.values[3], 0.0f);
    EXPECT_EQ(r.values[4], 0.0f);
}

// An expression of one term is written over the result without reading it: the same bits as
// adding the term to zeros (a negative zero becomes 0, a value in the missing band the
// missing value, a NaN stays a NaN), zeros after the workspace up to the cleared length, and
// the element after that untouched; a leading minus and a failed expression as before.
TEST_F(Rhs, OneTermIsTheTermAddedToZeros) {
    std::vector<float> values = {-0.0f, 0.0f, 2.5f, -3.0f, std::nextafter(MISSING, 0.0f), MISSING,
                                 std::nanf(""), 3.0e38f};
    store("m", values);
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    for (int width : {4, 8, 16})
    for (const char* expression : {"m", "(m)", "+m"}) {
        if (width > lanes::machineWidth) continue;
        LaneWidth lanesUsed(width);
        Result r = eval({expression});
        ASSERT_EQ(r.code, 102) << expression;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const float expected = ismissing(values[i]) ? MISSING : 0.0f + values[i];
            EXPECT_EQ(bits(r.values[i]), bits(expected)) << expression << " " << i;
        }
        for (int i = wsMaxObs; i < 1999; ++i) ASSERT_EQ(bits(r.values[i]), 0u) << expression << " " << i;
        EXPECT_EQ(r.values[1999], 99.0f) << expression;
    }
    Result negated = eval({"-m"});
    EXPECT_EQ(negated.values[2], -2.5f);
    EXPECT_EQ(negated.values[5], MISSING);
    Result failed = eval({"@nosuchfunction(m)"});
    EXPECT_EQ(failed.code, -1);
    for (int i = 0; i < 1999; ++i) ASSERT_EQ(bits(failed.values[i]), 0u) << i;
}

TEST_F(Rhs, RandomTokenSoupNeverBreaksTheEvaluator) {
    // Every kind of token the evaluator meets, strung together at random: whatever it
    // returns must be one of its codes, and the text must stay within the buffer.
    const char* pieces[] = {"a", "b", "c", "zz", "3", "0.0000001", "(", ")", "+", "-", "*", "/",
                            ",", ";", "<", ">", "=", "@", "@cum", "@csum", "@d", "(a)", "[1]",
                            "{1991}", "\"q\"", "_", "#x", ":", "1E30", "1E-30"};
    const std::set<int> codes = {41, 44, 60, 62, 59, 61, 102, 0, -1, 27};
    unsigned state = 12345;
    auto next = [&]() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> lines;
        int nlines = 1 + next() % 3;
        for (int l = 0; l < nlines; ++l) {
            std::string line;
            int n = 1 + next() % 12;
            for (int k = 0; k < n; ++k) {
                line += pieces[next() % (sizeof pieces / sizeof pieces[0])];
                if (next() % 2) line += " ";
            }
            lines.push_back(line);
        }
        screen.platform.answers.push_back(next() % 2 ? "ok" : "cancel");
        seriestest::ReplayInput input(lines);
        std::vector<float> out(2000);
        char text[512];
        std::memset(text, 'x', sizeof text);
        text[0] = '\0';
        char* cursor = text;
        int code = rhs(out.data(), nullptr, cursor, 400);
        EXPECT_TRUE(codes.count(code)) << code << " for " << lines[0];
        for (int i = 400; i < 512; ++i) ASSERT_EQ(text[i], 'x') << lines[0];
        output();
    }
}

// The folding passes against the rules written plainly, observation by observation: missing
// operands (tested in double, as ismissing does) give the missing operand, a divisor strictly
// inside (-0.0000001, 0.0000001) gives 0, '+' and '-' give the missing value when the term is
// missing. Bit for bit, over values at the edges of both bands, zeros of either sign and huge
// values; in every version of the passes this machine runs (4, 8 and 16 lanes at a time) and
// over workspace lengths that leave each a remainder, the observations after the workspace
// untouched.
TEST(RhsFolding, PassesFollowTheRuleObservationByObservation) {
    std::vector<float> special = {0.0f, -0.0f, 1.0f, -2.5f, 3.0e38f, -3.0e38f, 1.0e-30f, MISSING};
    for (double edge : {-0.0000011, -0.0000009, 0.0000001, -0.0000001}) {
        float f = static_cast<float>(edge);
        for (float v : {std::nextafter(f, -1.0f), f, std::nextafter(f, 1.0f)}) special.push_back(v);
    }
    auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        for (int obs : {1999, 37}) {
            SCOPED_TRACE(testing::Message() << width << " lanes, " << obs << " observations");
            LaneWidth lanesUsed(width);
            WorkspaceLength length(obs);
            std::mt19937 random(11);
            auto draw = [&]() {
                if (random() % 3 == 0) return special[random() % special.size()];
                const int power = static_cast<int>(random() % 20) - 10;  // (drawn first on every compiler)
                return std::ldexp(static_cast<float>(random() % 2000) - 1000.0f, power);
            };
            for (char op : {'*', '/', '+', '-'}) {
                std::vector<float> a(2000), b(2000);
                for (int i = 0; i < 2000; ++i) {
                    a[i] = draw();
                    b[i] = draw();
                }
                std::vector<float> folded = a;
                char stack[3] = {'+', op, 0};
                int top = 1;
                int f1 = 1, f2 = 1;
                if (op == '*' || op == '/') ASSERT_EQ(applymuldiv(folded.data(), stack, top, b.data(), f1, f2), 0);
                else ASSERT_EQ(applyaddsub(folded.data(), stack, top, b.data(), f1, f2), 0);
                EXPECT_EQ(top, 0);
                for (int i = 0; i < obs; ++i) {
                    const float x = a[i], y = b[i];
                    float expected;
                    if (op == '*' || op == '/') {
                        if (ismissing(x)) expected = x;
                        else if (ismissing(y)) expected = y;
                        else if (op == '*') expected = x * y;
                        else expected = std::fabs(static_cast<double>(y)) < 0.0000001 ? 0.0f : x / y;
                    } else {
                        if (ismissing(y)) expected = MISSING;
                        else if (ismissing(x)) expected = x;
                        else expected = op == '+' ? x + y : x - y;
                    }
                    ASSERT_TRUE(same(folded[i], expected)) << op << " at " << i << ": " << x << " " << y
                                                           << " gave " << folded[i] << " not " << expected;
                }
                for (int i = obs; i < 2000; ++i) ASSERT_TRUE(same(folded[i], a[i])) << op << " at " << i;
            }
        }
    }
}

}  // namespace expr_rhs_test
