// The ls command's core: linking a series to a guide series at a date.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/missing.h"
#include "core/printout.h"
#include "platform/scripted_platform.h"
#include "series/linkseries.h"
#include "tests/series/scaling_test_util.h"

namespace scaling_ls_test {

namespace {

constexpr int obs = 2000;
constexpr int wsMax = 40;  // observations in the workspace
constexpr int L = 10;      // the link date 1990 in a workspace starting in 1980

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPendingLine();
        x.assign(obs, 1.0f);
        y.assign(obs, MISSING);
        spec.xName = "x";
        spec.yName = "y";
        spec.dateText = "1990";
        spec.link = L;
        spec.fx = spec.fy = spec.linkFrequency = spec.secondFrequency = 1;
    }
    void TearDown() override { clearPendingLine(); }

    // linkratio then linkextend, as the command does; the ratio's result when it stops.
    int link(bool backward = false, int avgFirst = -32000, int avgLast = -32000) {
        double r = 0;
        int code = linkratio(x.data(), y.data(), spec, r);
        if (code != 0) return code;
        return linkextend(x.data(), y.data(), spec, backward, r, wsMax, avgFirst, avgLast, 0);
    }
    std::vector<std::string> shown() const { return scalingtest::splitlines(scripted.platform.text()); }

    platform::ScopedScriptedPlatform scripted;
    std::vector<float> x, y;
    LinkSpec spec;
};

TEST_F(LinkTest, ForwardByRatio) {
    x[L] = 10;
    y[L] = 5;
    y[L + 1] = 6;
    y[L + 2] = 7.5f;
    y[L - 1] = 4;
    EXPECT_EQ(link(), 0);
    EXPECT_FLOAT_EQ(x[L + 1], 12);  // ratio 2
    EXPECT_FLOAT_EQ(x[L + 2], 15);
    EXPECT_FLOAT_EQ(x[L + 3], 1);   // y missing: unchanged
    EXPECT_FLOAT_EQ(x[L], 10);
    EXPECT_FLOAT_EQ(x[L - 1], 1);   // before the link date: unchanged
    EXPECT_FLOAT_EQ(x[wsMax], 1);   // beyond the workspace: unchanged
    EXPECT_TRUE(shown().empty());
}

TEST_F(LinkTest, BackwardChangesOnlyEarlierObservations) {
    x[L] = 10;
    y[L] = 5;
    y[L + 1] = 6;
    for (int t = 0; t < L; ++t) y[t] = static_cast<float>(t);
    y[3] = MISSING;
    EXPECT_EQ(link(true), 0);
    EXPECT_FLOAT_EQ(x[0], 0);
    EXPECT_FLOAT_EQ(x[2], 4);
    EXPECT_FLOAT_EQ(x[3], 1);
    EXPECT_FLOAT_EQ(x[L - 1], 18);
    EXPECT_FLOAT_EQ(x[L], 10);
    EXPECT_FLOAT_EQ(x[L + 1], 1);
}

TEST_F(LinkTest, SecondDateLimitsTheExtension) {
    x[L] = 10;
    for (int t = 0; t < wsMax; ++t) y[t] = 5;
    spec.second = L + 5;  // 1995
    EXPECT_EQ(link(), 0);
    EXPECT_FLOAT_EQ(x[L + 5], 10);
    EXPECT_FLOAT_EQ(x[L + 6], 1);
    // Backward from a second date: from there up to the link date.
    x.assign(obs, 1.0f);
    x[L] = 10;
    spec.second = 4;
    EXPECT_EQ(link(true), 0);
    EXPECT_FLOAT_EQ(x[3], 1);
    EXPECT_FLOAT_EQ(x[4], 10);
    EXPECT_FLOAT_EQ(x[L - 1], 10);
}

TEST_F(LinkTest, ScaledDifferencesAndTheNegativeRatio) {
    struct Case { char flag; const char* answer; int code; float next; size_t boxes; } cases[] = {
        {'i', "", 0, -8, 0},        // -10 + |(-10) / 5| (6 - 5)
        {'f', "", 0, -12, 0},       // ratio -2 without a question
        {0, "ok", 0, -12, 1},       // ratio -2 after the warning
        {0, "cancel", 27, 1, 1},    // cancelled: nothing changes
    };
    for (const Case& k : cases) {
        SetUp();
        scripted.platform.boxes.clear();
        scripted.platform.lines.clear();
        scripted.platform.answers = {k.answer};
        x[L] = -10;
        y[L] = 5;
        y[L + 1] = 6;
        spec.flag = k.flag;
        EXPECT_EQ(link(), k.code) << k.flag;
        EXPECT_FLOAT_EQ(x[L + 1], k.next) << k.flag;
        EXPECT_EQ(scripted.platform.boxes.size(), k.boxes);
        if (k.boxes) {
            EXPECT_EQ(scripted.platform.boxes[0], "[Warning] Warning:  link ratio < 0");
            EXPECT_EQ(shown()[0], "Warning:  In ls command, link ratio is -2.000000.");
        }
    }
}

TEST_F(LinkTest, AveragedBase) {
    x[L] = 12;
    y[L] = 5;
    y[L + 1] = 6;
    y[L + 2] = 7;
    y[L + 3] = 100;  // outside the averaging window (fdate2 at L + 2)
    spec.flag = 'a';
    EXPECT_EQ(link(false, 0, L + 2), 0);
    // base = (5 + 6 + 7) / 3 = 6, mult = 12 / 6 = 2, off = 12 - 2 * 5 = 2.
    EXPECT_FLOAT_EQ(x[L + 1], 14);
    EXPECT_FLOAT_EQ(x[L + 2], 16);
    EXPECT_FLOAT_EQ(x[L + 3], 202);
}

TEST_F(LinkTest, ZeroAtTheLinkDate) {
    x[L] = 0;
    y[L] = 0;
    y[L + 1] = 6;
    EXPECT_EQ(link(), 0);
    EXPECT_FLOAT_EQ(x[L + 1], 0);
    EXPECT_EQ(shown()[1], "Warning:  In LinkSeries routine, the value to be moved is zero.");
    // Only y zero: no ratio.
    SetUp();
    scripted.platform.lines.clear();
    x[L] = 3;
    y[L] = 0;
    y[L + 1] = 6;
    EXPECT_EQ(link(), -1);
    EXPECT_FLOAT_EQ(x[L + 1], 1);
    EXPECT_EQ(shown()[0], "Error:  In ls command, the linking ratio is either zero or undefined.  "
                          "Linking aborted.");
}

TEST_F(LinkTest, RefusalsChangeNothing) {
    struct Case { const char* what; int link; bool yMissing, xMissing; int fy, linkFreq, secondFreq;
                  const char* second; } cases[] = {
        {"before", -1, false, false, 1, 1, 1, "The link date 1990 is before the beginning of the workspace bank."},
        {"after", 1999, false, false, 1, 1, 1, "The link date 1990 is after the end of the workspace bank."},
        {"y missing", L, true, false, 1, 1, 1, "Error:  In ls command, data missing at link date 1990 for 'y'."},
        {"x missing", L, false, true, 1, 1, 1, "Data missing at link date 1990 for 'x'."},
        {"frequencies", L, false, false, 4, 1, 1, "Frequency of 'x' (1) does not match frequency of 'y' (4)."},
        {"link freq", L, false, false, 1, 4, 1, "Frequency of 'x' (1) does not match frequency of link date (4)."},
        {"second freq", L, false, false, 1, 1, 12, "Frequency of 'x' (1) does not match frequency of second date (12)."},
    };
    for (const Case& k : cases) {
        SetUp();
        scripted.platform.lines.clear();
        x[L] = 10;
        y[L] = 5;
        y[L + 1] = 6;
        if (k.yMissing) y[L] = MISSING;
        if (k.xMissing) x[L] = MISSING;
        spec.link = k.link;
        spec.fy = k.fy;
        spec.linkFrequency = k.linkFreq;
        spec.secondFrequency = k.secondFreq;
        std::vector<float> before = x;
        EXPECT_EQ(link(), -1) << k.what;
        EXPECT_EQ(x, before) << k.what;
        std::vector<std::string> s = shown();
        ASSERT_FALSE(s.empty()) << k.what;
        EXPECT_EQ(s[0], "Error:  In ls command, linking aborted.") << k.what;
        EXPECT_EQ(s.back(), k.second) << k.what;
    }
}

TEST_F(LinkTest, ForwardClampsAndBackwardStaysFinite) {
    x[L] = 1e30f;
    y[L] = 1e-8f * 1e3f;  // 1e-5: ratio 1e35
    y[L + 1] = 1e5f;      // 1e40 beyond the float range
    y[L + 2] = 1e-8f;     // below FLT_EPSILON: taken as 0
    y[L - 1] = -1e5f;
    EXPECT_EQ(link(), 0);
    EXPECT_EQ(x[L + 1], 3.40282347e38f);
    EXPECT_EQ(x[L + 2], 0);
    EXPECT_EQ(link(true), 0);
    EXPECT_EQ(x[L - 1], -3.40282347e38f);
}

}  // namespace

}  // namespace scaling_ls_test
