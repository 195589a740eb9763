// Spot checks of the @functions against values computed outside this code base.
//
// Every expected literal below was computed with python3 (exact rational arithmetic with
// fractions.Fraction where a linear system or a polynomial is involved), straight from the
// textbook definition of the statistic, never from this program's output:
//   - HP trend: the solution of (I + lambda K'K) x = y by exact Gaussian elimination,
//     K the (n-2) x n second-difference operator;
//   - mean / stdev (n-1 divisor) / compound growth 100*((x_v/x_j)^(1/(v-j)) - 1);
//   - flows to quarters: r * (P(u + (j+1)/r) - P(u + j/r)), P the cubic through the running
//     sums 0, x[s], x[s]+x[s+1], x[s]+x[s+1]+x[s+2] (Lagrange form);
//   - levels to quarters: the cubic through four consecutive annual levels;
//   - indicator interpolation: the cumulated source as a cubic (Lagrange) of the cumulated
//     indicator, differenced per quarter.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>
#include <vector>

#include "core/missing.h"
#include "functions_fixture.h"

namespace qa_functions_numbers_test {

using seriestest::AtCall;
using seriestest::M;

namespace {

class QaFunctionNumbers : public seriestest::FunctionFixture {};

void expectNear(const std::vector<float>& got, const std::vector<double>& want, double rel, const char* what) {
    ASSERT_GE(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (ismissing(want[i]))
            EXPECT_TRUE(ismissing(got[i])) << what << " observation " << i << ": " << got[i];
        else
            EXPECT_NEAR(got[i], want[i], rel * (1.0 + std::fabs(want[i]))) << what << " observation " << i;
    }
}

const std::vector<float> zigzag = {3, 5, 4, 8, 7, 11, 10, 14, 13, 17, 16, 20, 19, 23, 22, 26, 25, 29, 28, 32};

TEST_F(QaFunctionNumbers, HodrickPrescottTrendOfAnAnnualZigzag) {
    store("x", zigzag);
    // lambda 100 (the annual default) and an explicit lambda of 5.
    const std::vector<double> lambda100 = {2.725360, 4.125186, 5.527758, 6.944571, 8.371842, 9.816343, 11.271125,
                                           12.741078, 14.218382, 15.707802, 17.201922, 18.706248, 20.214267,
                                           21.732402, 23.254934, 24.788821, 26.328469, 27.880400, 29.437847, 31.005242};
    const std::vector<double> lambda5 = {3.003738, 4.228742, 5.452998, 6.830011, 8.222684, 9.727921, 11.198086,
                                         12.739961, 14.220710, 15.759506, 17.231377, 18.759453, 20.220588,
                                         21.739743, 23.197763, 24.727546, 26.222436, 27.830266, 29.454385, 31.232086};
    AtCall hp = call(athpfilter, "(x)");
    ASSERT_EQ(hp.code, 0) << output();
    expectNear(hp.values, lambda100, 2e-6, "hpfilter 100");
    AtCall pr = call(atprescott, "(x)");
    ASSERT_EQ(pr.code, 0) << output();
    expectNear(pr.values, lambda100, 2e-6, "prescott 100");
    AtCall hp5 = call(athpfilter, "(x, 5)");
    ASSERT_EQ(hp5.code, 0) << output();
    expectNear(hp5.values, lambda5, 2e-6, "hpfilter 5");
    AtCall pr5 = call(atprescott, "(x, 5)");
    ASSERT_EQ(pr5.code, 0) << output();
    expectNear(pr5.values, lambda5, 2e-6, "prescott 5");
}

TEST_F(QaFunctionNumbers, StatisticsSkipAMissingYear) {
    store("y", {3, 5, M, 8, 7, 11, 10, 14, 13, 17});
    setfdates(1990, 1991);
    AtCall m = call(atmean, "(y, 1990, 1999)");
    ASSERT_EQ(m.code, 0) << output();
    EXPECT_NEAR(m.values[0], 9.777777777777779, 1e-5);
    EXPECT_NEAR(m.values[1], 9.777777777777779, 1e-5);
    EXPECT_NEAR(m.values[2], M, 1e-9);  // outside the f range: y's own value
    AtCall s = call(atstdev, "(y, 1990, 1999)");
    ASSERT_EQ(s.code, 0) << output();
    EXPECT_NEAR(s.values[0], 4.493822920904254, 1e-5);
    AtCall g = call(atggr, "(y, 1990, 1999)");
    ASSERT_EQ(g.code, 0) << output();
    EXPECT_NEAR(g.values[0], 21.25595434196079, 1e-4);  // 100*((17/3)^(1/9)-1)
    AtCall ma = call(atma, "(y, 3, 0.2, 0.3, 0.5)");
    ASSERT_EQ(ma.code, 0) << output();
    // Range 1990-1991 holds no complete window: both are missing, the rest is y.
    EXPECT_NEAR(ma.values[0], M, 1e-9);
    EXPECT_NEAR(ma.values[1], M, 1e-9);
    setfdates(-1, -1);
    store("z", zigzag);
    AtCall mz = call(atma, "(z, 3, 0.2, 0.3, 0.5)");
    ASSERT_EQ(mz.code, 0) << output();
    expectNear(mz.values, {M, M, 4.1, 6.2, 6.7, 9.2}, 1e-6, "weighted ma");
}

TEST_F(QaFunctionNumbers, AnnualToQuarterlyOfAnUnevenSeries) {
    store("a", {10, 14, 19, 21, 30});
    AtCall q = call(atatoq, "(a)");
    ASSERT_EQ(q.code, 0) << output();
    EXPECT_EQ(q.frequency, 4);
    expectNear(q.values,
               {8.71875, 9.53125, 10.40625, 11.34375, 12.34375, 13.40625, 14.53125, 15.71875, 17.59375, 18.65625,
                19.53125, 20.21875, 19.15625, 20.09375, 21.46875, 23.28125, 25.53125, 28.21875, 31.34375, 34.90625},
               1e-6, "atoq");
    AtCall e = call(atatoqe, "(a)");
    ASSERT_EQ(e.code, 0) << output();
    expectNear(e.values,
               {M, M, M, 10.0, 10.6875, 11.625, 12.75, 14.0, 15.3125, 16.625, 17.875, 19.0, 19.390625, 19.75,
                20.234375, 21.0, 22.203125, 24.0, 26.546875, 30.0},
               1e-6, "atoqe");
    store("ind", {1, 1, 2, 2, 1, 1, 3, 3, 1, 2, 2, 1, 2, 2, 2, 2, 1, 1, 1, 5}, 4);
    AtCall i = call(atatoqi, "(a, ind)");
    ASSERT_EQ(i.code, 0) << output();
    expectNear(i.values,
               {7.78571, 7.18571, 13.02857, 12.00000, 5.90000, 5.98571, 19.61429, 24.50000, 11.78734, 25.08766,
                26.08766, 13.03734, 20.95455, 20.35065, 20.69805, 21.99675, 11.78267, 12.46408, 13.26441, 82.48884},
               2e-6, "atoqi");
}

TEST_F(QaFunctionNumbers, RoundingWithManyDecimalsRaisesNoArithmeticException) {
    store("x", {1.25f, -2.5f, 3e30f, M});
    for (const char* args : {"(x, 100)", "(x, 40)", "(x, 20)"}) {
        std::feclearexcept(FE_ALL_EXCEPT);
        AtCall r = call(atround, args);
        const int raised = std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO);
        ASSERT_EQ(r.code, 0) << args;
        // So many decimals leave every value as it is (a float has no more digits to drop).
        EXPECT_EQ(r.values[0], 1.25f) << args;
        EXPECT_EQ(r.values[1], -2.5f) << args;
        EXPECT_EQ(r.values[2], 3e30f) << args;
        EXPECT_EQ(raised, 0) << args;
    }
}

TEST_F(QaFunctionNumbers, DatesOfTwoFrequenciesMakeNoSpan) {
    store("q", {1, 2, 3, 4, 5, 6, 7, 8}, 4);
    // Same frequency: quarters 1990q2..1991q1 hold 2, 3, 4, 5 (mean 3.5, maximum 5).
    AtCall good = call(atmean, "(q, 1990.2, 1991.1)");
    ASSERT_EQ(good.code, 0) << output();
    EXPECT_FLOAT_EQ(good.values[0], 3.5f);
    AtCall top = call(atmax, "(q, 1990.2, 1991.1)");
    ASSERT_EQ(top.code, 0) << output();
    EXPECT_FLOAT_EQ(top.values[0], 5.0f);
    output();
    // A quarter and a year, in different years or the same one, are refused: their indexes
    // count different periods (1990.2 to 1991 used to give the mean of one quarter).
    struct Case {
        AtHandler handler;
        const char* args;
        const char* message;
    } cases[] = {
        {atmean, "(q, 1990.2, 1991)", "In @mean(), second date must come after the first."},
        {atmean, "(q, 1990.2, 1990)", "In @mean(), second date must come after the first."},
        {atstdev, "(q, 1990, 1991.3)", "In @stdev(), second date must come after the first."},
        {atggr, "(q, 1990.1, 1992)", "In @ggr(), second date must come after the first."},
        {atmax, "(q, 1990.2, 1991)", "In @max(), second date must come after the first."},
        {atmin, "(q, 1990, 1990.4)", "In @min(), second date must come after the first."},
    };
    for (const Case& c : cases) {
        AtCall r = call(c.handler, c.args);
        const std::string said = output();
        EXPECT_NE(r.code, 0) << c.args;
        EXPECT_NE(said.find("Dates of different frequencies cannot be compared."), std::string::npos) << c.args << said;
        EXPECT_NE(said.find(c.message), std::string::npos) << c.args << said;
    }
}

// Nominal values and quantities of two goods; the implicit prices are v/q. Expected values:
// python3, textbook Fisher quantity links sqrt(Laspeyres * Paasche) chained from 1990 and
// scaled so that the index equals the nominal total in the base year 1990, which lies
// before the f range 1991-1995 (the nominal form widens its working range to the base).
TEST_F(QaFunctionNumbers, NominalChainWithABaseBeforeTheRange) {
    store("v1", {10, 13.2f, 16.9f, 18, 21, 28.8f});
    store("v2", {20, 19, 25.2f, 20, 30.8f, 32.8f});
    store("q1", {10, 12, 13, 15, 14, 18});
    store("q2", {5, 5, 6, 4, 7, 8});
    setfdates(1991, 1995);
    AtCall q = call(atqchwt, "(v1, v2, q1, q2, 1990)", 7.0f);
    ASSERT_EQ(q.code, 0) << output();
    expectNear(q.values, {7.0, 32.099844, 36.954085, 31.324496, 41.567113, 50.010372, 7.0}, 2e-6, "qchwt");
    expectNear(series("chwpi"), {M, 1.0031201, 1.1392516, 1.2131081, 1.2461775, 1.2317445, M}, 2e-6, "chwpi");
    expectNear(series("chwni"), {M, 32.2, 42.1, 38.0, 51.8, 61.6, M}, 2e-6, "chwni");
}

}  // namespace

}  // namespace qa_functions_numbers_test
