// The ctrl command's core: member series scaled period by period to a control series.
#include <gtest/gtest.h>

#include <cfenv>

#include <cmath>
#include <string>
#include <vector>

#include "core/missing.h"
#include "core/printout.h"
#include "platform/platform.h"
#include "platform/scripted_platform.h"
#include "series/ctrlscale.h"
#include "tests/series/scaling_test_util.h"

namespace scaling_ctrl_test {

namespace {

using scalingtest::FlagRaisingPlatform;

constexpr int obs = 2000;

class CtrlScaleTest : public ::testing::Test {
protected:
    void SetUp() override { clearPendingLine(); }
    void TearDown() override { clearPendingLine(); }

    // Members out1..outN with the given values in every period first..last (index 10..12,
    // dates 1990..1992), and a control of `total` in each period.
    void setup(const std::vector<float>& values, float total) {
        members.clear();
        for (size_t k = 0; k < values.size(); ++k) {
            CtrlMember m;
            m.number = static_cast<int>(k + 1);
            m.name = "out" + std::to_string(k + 1);
            m.values.assign(obs, 0.0f);
            for (int t = 10; t <= 12; ++t) m.values[t] = values[k];
            m.values[9] = 100;  // outside the periods: never touched
            members.push_back(m);
        }
        control.assign(obs, 0.0f);
        for (int t = 10; t <= 12; ++t) control[t] = total;
        run = CtrlRun{};
        run.control = control.data();
        run.members = &members;
        run.rootName = "out";
        run.first = 10;
        run.last = 12;
        run.firstDate = JexDate(1990.0f);
    }
    std::vector<std::string> shown() const { return scalingtest::splitlines(scripted.platform.text()); }
    float at(int k, int t) const { return members[k - 1].values[t]; }

    platform::ScopedScriptedPlatform scripted;
    std::vector<CtrlMember> members;
    std::vector<float> control;
    CtrlRun run;
};

TEST_F(CtrlScaleTest, ScalesEveryPeriodAndPrintsTheFactor) {
    setup({1, 2, 3}, 12);
    control[12] = 6;  // already the sum in the last period
    run.addPrint = 1;
    EXPECT_EQ(ctrlscale(run), 0);
    for (int t = 10; t <= 11; ++t) {
        EXPECT_FLOAT_EQ(at(1, t), 2);
        EXPECT_FLOAT_EQ(at(2, t), 4);
        EXPECT_FLOAT_EQ(at(3, t), 6);
    }
    EXPECT_FLOAT_EQ(at(3, 12), 3);
    EXPECT_FLOAT_EQ(at(1, 9), 100);
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           "For 1990, the proportional scaling factor is  1.0000.",
                           "For 1991, the proportional scaling factor is  1.0000.",
                           "For 1992, the sum of the elements already equals the control."}));
    EXPECT_TRUE(scripted.platform.boxes.empty());
}

// The rank-preserving method also gives code 0, but it moves the values: the period's line
// must not say that nothing had to change.
TEST_F(CtrlScaleTest, RankPreservingPeriodIsNotReportedAsAlreadyEqual) {
    setup({1, 2, 3}, -6);
    run.last = 10;
    run.addPrint = 1;
    EXPECT_EQ(ctrlscale(run), 0);
    EXPECT_NEAR(at(1, 10), -2.0321, 1e-4);
    EXPECT_NEAR(at(3, 10), -1.9358, 1e-4);
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           "For 1990, the proportional scaling factor is  0.0000."}));
    EXPECT_TRUE(scripted.platform.boxes.empty());
}

TEST_F(CtrlScaleTest, RightDirectionScalingReportsItsFactor) {
    setup({1, 2, 3}, 12);
    run.rightDirection = true;
    run.addPrint = 1;
    EXPECT_EQ(ctrlscale(run), 0);
    EXPECT_FLOAT_EQ(at(1, 11), 2);
    EXPECT_FLOAT_EQ(at(3, 11), 6);
    // 6 e = 12: e = 2.
    EXPECT_EQ(shown()[0], "For 1990, the proportional scaling factor is  2.0000.");
}

TEST_F(CtrlScaleTest, QuarterlyPeriodsAreLabelledByTheirDates) {
    setup({1, 3}, 8);
    run.firstDate = JexDate(1990.4f);
    run.addPrint = 1;
    EXPECT_EQ(ctrlscale(run), 0);
    EXPECT_EQ(shown()[0], "For 1990.4, the proportional scaling factor is  1.0000.");
    EXPECT_EQ(shown()[1], "For 1991.1, the proportional scaling factor is  1.0000.");
}

TEST_F(CtrlScaleTest, MissingControlSkipsThePeriodAfterOk) {
    setup({1, 2, 3}, 12);
    control[11] = MISSING;
    EXPECT_EQ(ctrlscale(run), 0);
    EXPECT_FLOAT_EQ(at(2, 10), 4);
    EXPECT_FLOAT_EQ(at(2, 11), 2);  // left as it was
    EXPECT_FLOAT_EQ(at(2, 12), 4);
    EXPECT_EQ(shown(), (std::vector<std::string>{"", "The control total for period 1991 is missing.",
                                                 "The listed sectors for out will not be scaled.",
                                                 ""}));
    ASSERT_EQ(scripted.platform.boxes.size(), 1u);
    EXPECT_EQ(scripted.platform.boxes[0], "[Warning] OK to continue, Cancel to quit");
}

TEST_F(CtrlScaleTest, CancelStopsWithoutHalfScaledPeriods) {
    setup({1, 2, 3}, 12);
    control[11] = MISSING;
    scripted.platform.answers = {"cancel"};
    EXPECT_EQ(ctrlscale(run), -1);
    EXPECT_FLOAT_EQ(at(2, 10), 4);  // the period before the question is done
    EXPECT_FLOAT_EQ(at(2, 11), 2);
    EXPECT_FLOAT_EQ(at(2, 12), 2);  // nothing after it

    // A missing member in the middle period, Cancel: that period is untouched.
    setup({1, 2, 3}, 12);
    members[1].values[11] = MISSING;
    scripted.platform.boxes.clear();
    scripted.platform.answers = {"cancel"};
    EXPECT_EQ(ctrlscale(run), -1);
    EXPECT_FLOAT_EQ(at(1, 10), 2);
    EXPECT_FLOAT_EQ(at(1, 11), 1);
    EXPECT_TRUE(ismissing(at(2, 11)));
    EXPECT_FLOAT_EQ(at(3, 11), 3);
    ASSERT_EQ(scripted.platform.boxes.size(), 1u);
    EXPECT_EQ(scripted.platform.boxes[0], "[] OK to continue, Cancel to quit");
}

TEST_F(CtrlScaleTest, MissingMemberIsLeftOutAfterOk) {
    setup({1, 2, 3}, 12);
    members[0].values[10] = MISSING;
    EXPECT_EQ(ctrlscale(run), 0);
    EXPECT_TRUE(ismissing(at(1, 10)));
    // 2 and 3 to 12: f = 7 / 5.
    EXPECT_NEAR(at(2, 10), 2 * 2.4, 1e-5);
    EXPECT_NEAR(at(3, 10), 3 * 2.4, 1e-5);
    EXPECT_FLOAT_EQ(at(1, 11), 2);
    EXPECT_EQ(shown()[1], "out1 is missing in 1990. If the algorithm continues,");
    EXPECT_EQ(shown()[2], "the other series in the group will be scaled to the total");
}

TEST_F(CtrlScaleTest, ForcedMissingMemberTakesPartLikeAnyValue) {
    setup({1, 2, 3}, 12);
    members[0].values[10] = MISSING;
    control[10] = 10;
    run.force = true;
    EXPECT_EQ(ctrlscale(run), 0);
    // -0.000001, 2, 3 to 10: S + A = 10, so the negative value becomes zero (code 22).
    EXPECT_NEAR(at(1, 10), 0, 1e-9);
    EXPECT_NEAR(at(2, 10), 4, 1e-5);
    EXPECT_NEAR(at(3, 10), 6, 1e-5);
    std::vector<std::string> s = shown();
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s[0], "For 1990, ");
    EXPECT_EQ(s[1], "The control total is equal to the sum of the elements and");
    EXPECT_EQ(scripted.platform.boxes.size(), 1u);  // the report's question, no missing question
}

TEST_F(CtrlScaleTest, FailedScalingIsReportedAndLeftUnchanged) {
    setup({0, 0}, 5);
    run.last = 10;
    EXPECT_EQ(ctrlscale(run), 0);
    EXPECT_EQ(at(1, 10), 0);
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           "Warning:  vector elements are zero, but control is not zero.",
                           "For 1990, Error:  in scaling routine."}));
    EXPECT_EQ(scripted.platform.boxes.size(), 1u);
}

TEST_F(CtrlScaleTest, NegativeMemberNumbersTakeNoPart) {
    setup({1, 5, 3}, 12);
    members[1].number = -2;
    EXPECT_EQ(ctrlscale(run), 0);
    EXPECT_FLOAT_EQ(at(1, 10), 3);  // 1 and 3 to 12: f = 2
    EXPECT_FLOAT_EQ(at(2, 10), 5);
    EXPECT_FLOAT_EQ(at(3, 10), 9);
}

TEST_F(CtrlScaleTest, RangeOutsideTheArraysIsRefused) {
    setup({1, 2}, 6);
    run.last = obs;  // beyond the members' arrays
    EXPECT_EQ(ctrlscale(run), -1);
    run.last = 12;
    run.first = -3;
    EXPECT_EQ(ctrlscale(run), -1);
    EXPECT_FLOAT_EQ(at(1, 10), 1);
}

TEST_F(CtrlScaleTest, CancelInsideTheScalingEndsTheCommandAtOnce) {
    for (int stop = 1; stop <= 6; ++stop) {
        SCOPED_TRACE(stop);
        setup({1, 2, 3}, 12);
        FlagRaisingPlatform box;
        platform::install(&box);
        std::feraiseexcept(FE_INVALID);
        // Box 1 is the check before the scaling; the others are inside it (pscale's entry,
        // its copy, pscalesolve's entry, the first move, the first addition).
        for (int k = 1; k < stop; ++k) box.inner.answers.push_back("ok");
        box.inner.answers.push_back("cancel");
        int code = ctrlscale(run);
        platform::install(&scripted.platform);
        platform::clearFloatingPointStatus();
        EXPECT_EQ(code, -1);
        for (int k = 1; k <= 3; ++k) EXPECT_FLOAT_EQ(at(k, 10), static_cast<float>(k));
        EXPECT_EQ(box.inner.boxes.size(), static_cast<size_t>(stop));  // nothing asked after
    }
}

}  // namespace

}  // namespace scaling_ctrl_test
