// The scale command on vectors and on a row or a column of a matrix, proportionally and in
// the right direction, and the floating-point checks of the right-direction core.
#include <cfenv>
#include <cfloat>

#include "matrix/scale.h"
#include "series/rdscale.h"
#include "tests/matrix/balancing_fixture.h"

namespace scale_test {

namespace {

using namespace baltest;

class Scale : public Balancing {};

TEST_F(Scale, VectorsToTheControl) {
    settot(12, 6);
    const double e = (std::sqrt(36.0 + 16.0) + 6) / 8;
    struct Case {
        const char* line;
        std::vector<double> before, after;  // the vector in 1995
        const char* factorLine;
    };
    const Case cases[] = {
        {"tot v 1995", {1, 2, 3}, {2, 4, 6}, "For 1995, the proportional scaling factor is  1.0000"},
        {"tot v 1995 rdscale", {1, 2, 3}, {2, 4, 6},
         "For 1995, the proportional scaling factor is  2.0000"},
        // The group's members carry the whole control; element 1 keeps its value.
        {"tot v (2 3) 1995", {1, 2, 3}, {1, 4.8, 7.2}, nullptr},
        {"tot v 1995", {3, 4, 5}, {3, 4, 5}, "For 1995, the sum of the elements already equals the control"},
    };
    addPrint = 1;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.line);
        setv("v", 0, k.before);
        setv("v", 1, {7, 8, 9});
        clearOutput();
        ASSERT_EQ(run(scalecmd, k.line), 0);
        expectnear({getv("v", 0)}, {k.after}, 1e-6);
        expectnear({getv("v", 1)}, {{7, 8, 9}}, 0);  // not the year given
        if (k.factorLine) {
            EXPECT_NE(output().find(k.factorLine), std::string::npos) << output();
        }
    }
    // 4, -1 to 6 (1996's control) in the right direction.
    setv("w", 1, {4, -1});
    ASSERT_EQ(run(scalecmd, "tot w 1996 r"), 0);
    EXPECT_NE(output().find("Right direction scaling"), std::string::npos);
    expectnear({getv("w", 1)}, {{4 * e, -1 / e}}, 1e-6);
    expectnear({getv("w", 1)}, {{6.6055513, -0.6055513}}, 1e-6);

    // Without a year: the f dates, both periods to their own controls.
    setv("v", 0, {1, 1, 1});
    setv("v", 1, {1, 2, 3});
    ASSERT_EQ(run(scalecmd, "tot v"), 0);
    expectnear({getv("v", 0)}, {{4, 4, 4}}, 1e-6);
    expectnear({getv("v", 1)}, {{1, 2, 3}}, 1e-6);
}

TEST_F(Scale, ARowAndAColumnOfAMatrix) {
    settot(100, 50);
    ASSERT_EQ(run(scalecmd, "tot m r 2 1995"), 0);
    Dense want = flows;
    for (double& x : want[1]) x *= 2;  // row 2 sums to 50
    expectnear(getm("m", 0), want, 1e-6);
    ASSERT_EQ(run(scalecmd, "tot m c3 (1 3) 1996"), 0);  // rows 1 and 3 of column 3 to 50
    want = flows;
    want[0][2] = 15 * 50.0 / 20;
    want[2][2] = 5 * 50.0 / 20;
    expectnear(getm("m", 1), want, 1e-6);
    EXPECT_FALSE(bank->isLoaded());

    struct Refusal {
        const char* line;
        const char* message;
    };
    const Refusal refusals[] = {
        {"tot m r 4 1995", "The rows selected (4) must be less than or equal"},
        {"tot m c 5 1995", "The columns selected (5) must be less than or equal"},
        {"tot m 2 1995", "Syntax error:"},
        {"nothere v", "Cannot find nothere from bank"},
        {"tot pm r 1", "Error:  scale currently cannot handle packed matrices like pm."},
        {"tot zz", "Error:  in scale, no such vector as zz."},
        {"tot c.v", "Error:  No banks loaded in slot c"},
        {"tot v (1-4)", "Error:  The number of elements selected (4) cannot exceed"},
        {"tot v 1994", "The year specified must be between within the limits of the vam file"},
    };
    const auto before = readFile("b.vam");
    for (const Refusal& k : refusals) {
        SCOPED_TRACE(k.line);
        clearOutput();
        EXPECT_EQ(run(scalecmd, k.line), -1);
        EXPECT_NE(output().find(k.message), std::string::npos) << output();
    }
    EXPECT_EQ(readFile("b.vam"), before);
}

// A vector run that ends early stores nothing, and leaves nothing loaded for a later store.
TEST_F(Scale, CancelledVectorRunStoresNothing) {
    settot(12, 5);
    setv("v", 0, {1, 2, 3});
    setv("v", 1, {0, 0, 0});
    const auto before = readFile("b.vam");
    screen.platform.answers = {"cancel"};
    EXPECT_EQ(run(scalecmd, "tot v rdscale"), -1);
    EXPECT_NE(output().find("For 1996, Error:  in scaling routine."), std::string::npos) << output();
    EXPECT_FALSE(bank->isLoaded());
    EXPECT_EQ(bank->storecmd(), 0);
    EXPECT_EQ(readFile("b.vam"), before);

    // OK goes on: 1995 scaled, 1996's zeros written back as they were.
    clearOutput();
    screen.platform.answers = {"ok"};
    EXPECT_EQ(run(scalecmd, "tot v rdscale"), 0);
    expectnear({getv("v", 0)}, {{2, 4, 6}}, 1e-6);
    expectnear({getv("v", 1)}, {{0, 0, 0}}, 0);
}

// Periods of the f dates before the workspace's first date have no control value.
TEST_F(Scale, PeriodsBeforeTheWorkspaceAreRefused) {
    settot(12, 12);
    setv("v", 1, {1, 2, 3});
    wsStartDate = JexDate(1996, 1, 1, 13);
    wsBaseYear = 1996;
    const auto before = readFile("b.vam");
    EXPECT_EQ(run(scalecmd, "tot v"), -1);
    EXPECT_NE(output().find("are not all within the workspace"), std::string::npos) << output();
    EXPECT_EQ(readFile("b.vam"), before);
    EXPECT_EQ(run(scalecmd, "tot v 1995"), -1);
    EXPECT_EQ(readFile("b.vam"), before);
}

// The core's three checks report a floating-point exception with their stage and go on.
TEST(RdscaleChecks, ReportTheirStageAndGoOn) {
    platform::ScopedScriptedPlatform screen;
    std::feclearexcept(FE_ALL_EXCEPT);
    // P overflows (middle); D = c^2 - 4 P N is inf * 0, an invalid operation (bottom).
    std::vector<double> x = {0, DBL_MAX, DBL_MAX};
    const short list[] = {1, 2};
    double e = -1;
    EXPECT_EQ(rdscalecore(nullptr, x.data(), 2, list, 2, 5, &e), 30);
    const std::string out = screen.platform.text();
    EXPECT_NE(out.find("in rdscale middle..\n"), std::string::npos) << out;
    EXPECT_NE(out.find("in rdscale bottom. at 4.\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("at end"), std::string::npos) << out;
    EXPECT_EQ(e, 0);
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace

}  // namespace scale_test
