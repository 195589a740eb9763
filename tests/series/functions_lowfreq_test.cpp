#include <gtest/gtest.h>

#include <vector>

#include "banks/lookup.h"
#include "functions_fixture.h"
#include "series/functions_interp.h"
#include "series/functions_lowfreq.h"

namespace functions_lowfreq_test {

using seriestest::AtCall;
using seriestest::expectSeries;
using seriestest::M;

namespace {

std::vector<float> convert(std::vector<float> x, int ratio, char method, const char* extreme, float fill = M) {
    convertkernel(x.data(), static_cast<int>(x.size()), ratio, method, extreme, fill);
    return x;
}

TEST(LowFrequencyKernels, EightQuartersByEveryMethod) {
    // Eight quarters, then zeros to the end of the array (the end of the data).
    std::vector<float> q = {1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0};
    expectSeries(convert(q, 4, 'n', nullptr), {2.5f, 6.5f, M, M, M, M, M, M, 0, 0, 0, 0}, "qtoa");
    expectSeries(convert(q, 4, 's', nullptr), {10, 26, M, M, M, M, M, M, 0}, "qtoas");
    expectSeries(convert(q, 4, 'y', nullptr), {4, 8, M}, "qtoae");
    expectSeries(convert(q, 4, 'n', "max"), {4, 8, M}, "qtoamax");
    expectSeries(convert(q, 4, 'n', "min"), {1, 5, M}, "qtoamin");
    expectSeries(convert(q, 2, 'n', nullptr), {1.5f, 3.5f, 5.5f, 7.5f, M, M, M, M, 0}, "qtos");
    // With the missing switch off the fill value is 0.
    expectSeries(convert(q, 4, 'n', nullptr, 0.0f), {2.5f, 6.5f, 0, 0, 0, 0, 0, 0, 0}, "fill 0");
}

TEST(LowFrequencyKernels, MissingQuartersAndTheEndOfTheData) {
    // A missing second quarter in year 1, a missing fourth quarter in year 2, a whole
    // missing year 3; -0.000005 lies in the conversions' wider missing band.
    std::vector<float> q = {1, M, 3, 4, 5, 6, 7, -0.000005f, M, M, M, M, 9, 9, 9, 9};
    expectSeries(convert(q, 4, 'n', nullptr), {8.0f / 3, 6, M, 9}, "averages of the valid quarters");
    expectSeries(convert(q, 4, 's', nullptr), {8, 18, M, 36}, "sums of the valid quarters");
    std::vector<float> e = convert(q, 4, 'y', nullptr);
    EXPECT_EQ(e[0], 4.0f);
    EXPECT_FLOAT_EQ(e[1], -0.000005f);  // the end value, missing or not
    // Nine quarters: the incomplete second year gets the fill value.
    expectSeries(convert({1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, 4, 'n', nullptr), {2.5f, 6.5f, M, M, M, M, M, M, M, 0},
                 "nine quarters");
    // A last quarter of exactly 0 ends the data early: only the first year converts.
    expectSeries(convert({1, 2, 3, 4, 5, 6, 7, 0}, 4, 'n', nullptr), {2.5f, M, M, M, M, M, M, 0}, "trailing zero");
}

TEST(LowFrequencyKernels, AnnualToQuartersAndBackGivesTheAnnualSeries) {
    const int n = 20;
    std::vector<float> x(n, M);
    const float annual[4] = {10, 14, 18, 22};
    for (int i = 0; i < 4; ++i) x[i] = annual[i];
    ASSERT_EQ(interpkernel(x.data(), n, 'q', 'n'), 0);
    convertkernel(x.data(), n, 4, 'n', nullptr, M);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[i], annual[i], 1e-5 * annual[i]) << i;
    EXPECT_TRUE(ismissing(x[4]));
}

class LowFrequencyHandlers : public seriestest::FunctionFixture {};

TEST_F(LowFrequencyHandlers, TheHandlerSetsTheLowerFrequency) {
    std::vector<float> q = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 8; i < obs; ++i) q.push_back(0);
    store("q", q, 4);
    AtCall a = call(atqtoa, "(q)");
    ASSERT_EQ(a.code, 0);
    expectSeries(a.values, {2.5f, 6.5f, M, M, M, M, M, M, 0}, "@qtoa(q)");
    EXPECT_EQ(a.frequency, 1);
    EXPECT_EQ(a.text, "(q)");
    AtCall s = call(atqtoas, "(q)");
    expectSeries(s.values, {10, 26}, "@qtoas(q)");
    missingOn = 'n';
    AtCall m = call(atmtoq, "(q)");
    EXPECT_EQ(m.frequency, 4);
    expectSeries(m.values, {2, 5, 0, 0, 0, 0, 0, 0, 0}, "@mtoq(q) with missing off");
    AtCall bad = call(atmtoa, "(q");
    EXPECT_EQ(bad.code, -1);
    EXPECT_EQ(bad.frequency, 1);  // set whether the conversion succeeded or not
    EXPECT_TRUE(printed("syntax error in conversion function"));
}

}  // namespace

}  // namespace functions_lowfreq_test
