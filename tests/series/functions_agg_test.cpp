#include <gtest/gtest.h>

#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "functions_fixture.h"
#include "platform/platform.h"
#include "series/functions_agg.h"

namespace functions_agg_test {

using seriestest::AtCall;
using seriestest::expectSeries;
using seriestest::M;

namespace {

TEST(AggregationKernels, MembersAreTheNameFollowedByDigits) {
    EXPECT_TRUE(aggmember("out121", "out12"));
    EXPECT_TRUE(aggmember("out1210", "out12"));
    EXPECT_FALSE(aggmember("out12", "out12"));
    EXPECT_FALSE(aggmember("out12x", "out12"));
    EXPECT_FALSE(aggmember("out12x1", "out12"));
    EXPECT_FALSE(aggmember("out13", "out12"));
}

TEST(AggregationKernels, ConditionalComparesAndCopiesTheChosenValue) {
    const std::vector<float> a = {1, 2, 3, M, 5};
    const std::vector<float> b = {2, 2, 2, 2, M};
    const std::vector<float> t = {10, 20, M, 40, 50};
    const std::vector<float> f = {-1, -2, -3, -4, -5};
    struct Case {
        const char* op;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"<", {10, -2, -3, M, M}}, {"<=", {10, 20, -3, M, M}}, {"==", {-1, 20, -3, M, M}},
        {">", {-1, -2, M, M, M}},  {">=", {-1, 20, M, M, M}},
    };
    for (const Case& c : cases) {
        std::vector<float> out(5, 99);
        ASSERT_EQ(ifkernel(out.data(), a.data(), b.data(), t.data(), f.data(), 5, c.op), 0);
        expectSeries(out, c.expected, c.op);
    }
    std::vector<float> out(5);
    EXPECT_EQ(ifkernel(out.data(), a.data(), b.data(), t.data(), f.data(), 5, "="), -1);
}

class AggregationHandlers : public seriestest::FunctionFixture {
protected:
    void SetUp() override {
        FunctionFixture::SetUp();
        store("out121", std::vector<float>(obs, 1.0f), 4);
        std::vector<float> two(obs, 2.0f);
        two[5] = M;
        store("out122", two, 4);
        store("out12x", std::vector<float>(obs, 100.0f));
        store("out12", std::vector<float>(obs, 50.0f));
        store("x", {-1, 0, 3, M, 2});
    }
};

TEST_F(AggregationHandlers, SumsTheFamilyOnly) {
    AtCall r = call(atagg, "(out12)", 7.0f);
    ASSERT_EQ(r.code, 0) << output();
    EXPECT_EQ(r.values[0], 3.0f);
    EXPECT_EQ(r.values[obs - 1], 3.0f);
    EXPECT_TRUE(ismissing(r.values[5]));
    EXPECT_EQ(r.text, "(out12)");
    EXPECT_EQ(r.frequency, 4);
    // Nothing matches: 0 everywhere, whatever the output array held.
    AtCall none = call(atagg, "(zz9)", 7.0f);
    ASSERT_EQ(none.code, 0);
    EXPECT_EQ(none.values[3], 0.0f);
    EXPECT_EQ(none.frequency, 0);
}

TEST_F(AggregationHandlers, BankLettersAndArguments) {
    AtCall invalid = call(atagg, "(out)");
    EXPECT_NE(invalid.code, 0);
    EXPECT_TRUE(printed("\"out\" is not a valid argument.\n"));
    output();
    AtCall emptySlot = call(atagg, "(b.out12)");
    EXPECT_NE(emptySlot.code, 0);
    EXPECT_TRUE(printed("Error:  in @agg() function.  Invalid bank letter (b.out12).\n"));
    output();
    AtCall upper = call(atagg, "(B.out12)");
    EXPECT_NE(upper.code, 0);
    EXPECT_TRUE(printed("Invalid bank letter (B.out12)"));
    output();
    EXPECT_NE(call(atagg, "(out12, 3)").code, 0);
    EXPECT_TRUE(printed(" error in @agg function"));
}

// A bank whose listing is followed by a press of the Escape key, as when the user presses
// it while the members are being summed.
class EscapingBank : public DataBank {
public:
    EscapingBank() { setFreq(1); }
    std::int16_t getser(const char*, float* array, std::int16_t) override {
        if (array != nullptr)
            for (int i = 0; i < seriesArrayLength; ++i) array[i] = 1.0f;
        return 0;
    }
    std::int16_t collectser(std::vector<std::string>& list, const char*, std::int16_t) override {
        list = {"out121", "out122"};
        platform::pressEscape();
        return 0;
    }
};

TEST_F(AggregationHandlers, EscapeAbortsTheSum) {
    platform::pressEscape();
    AtCall before = call(atagg, "(out12)");
    EXPECT_EQ(before.code, 27);
    output();

    bankSlots[1] = new EscapingBank;
    bankTypes[1] = 'w';
    AtCall during = call(atagg, "(b.out12)");
    platform::clearEscape();
    EXPECT_EQ(during.code, 27);
    EXPECT_TRUE(printed("@agg stopped by the user."));
}

// A bank whose listing was stopped by Escape part way: some names and a non-zero result,
// the key press already taken by the bank's own poll.
class StoppedListingBank : public EscapingBank {
public:
    std::int16_t collectser(std::vector<std::string>& list, const char*, std::int16_t) override {
        list = {"out121"};
        return 27;
    }
};

TEST_F(AggregationHandlers, AStoppedListingAbortsTheSum) {
    bankSlots[1] = new StoppedListingBank;
    bankTypes[1] = 'w';
    AtCall r = call(atagg, "(b.out12)", 7.0f);
    EXPECT_EQ(r.code, 27);
    EXPECT_TRUE(printed("@agg stopped by the user."));
    EXPECT_EQ(r.values[0], 7.0f);  // nothing was summed from the partial list
}

TEST_F(AggregationHandlers, ConditionalThroughTheHandler) {
    AtCall pos = call(atif, "(x > 0, x, 0)");
    ASSERT_EQ(pos.code, 0) << output();
    expectSeries(pos.values, {0, 0, 3, M, 2}, "@if(x > 0, x, 0)");
    EXPECT_EQ(pos.text, "(x>0,x,0)");
    AtCall eq = call(atif, "(x == 0, 1, 0)");
    ASSERT_EQ(eq.code, 0) << output();
    expectSeries(eq.values, {0, 1, 0, M, 0}, "@if(x == 0, 1, 0)");
    EXPECT_EQ(eq.text, "(x==0,1,0)");
    AtCall ge = call(atif, "(x >= 2, 1, 0)");
    ASSERT_EQ(ge.code, 0);
    expectSeries(ge.values, {0, 0, 1, M, 1}, "@if(x >= 2, 1, 0)");
    for (const char* line : {"(x = 0, 1, 0)", "(x, 1, 0)", "(x < 1, 2)", "(x < 1, 2, 3"}) {
        EXPECT_NE(call(atif, line).code, 0) << line;
        EXPECT_TRUE(printed(" error in @if function")) << line;
        output();
    }
}

}  // namespace

}  // namespace functions_agg_test
