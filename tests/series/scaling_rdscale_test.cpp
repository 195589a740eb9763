// Right-direction scaling: P e + N / e = c, positive elements times e, the others divided by e.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/printout.h"
#include "platform/scripted_platform.h"
#include "series/rdscale.h"

namespace scaling_rdscale_test {

namespace {

struct Case {
    const char* what;
    std::vector<float> x;       // elements 1..n
    float c;
    int code;
    std::vector<double> expected;
    double factor;
};

TEST(RdscaleTest, Table) {
    platform::ScopedScriptedPlatform scripted;
    const double e46 = (std::sqrt(36.0 + 16.0) + 6) / 8;  // 4, -1 to 6: 4 e - 1/e = 6
    const Case cases[] = {
        // Positive only: 6 e = 12.
        {"positive", {1, 2, 3}, 12, 30, {2, 4, 6}, 2},
        {"mixed", {4, -1}, 6, 30, {4 * e46, -1 / e46}, e46},
        // Negative only (P = 0): e = N / c = -4 / 2; the negatives divided by -2.
        {"negative only", {-1, -3}, 2, 30, {0.5, 1.5}, -2},
        // 1 + 2 + 3 is already the control: nothing to do.
        {"already", {1, 2, 3}, 6, 0, {1, 2, 3}, 0},
        {"all zero", {0, 0, 0}, 5, -1, {0, 0, 0}, 0},
        // A positive total of at most 1e-7 counts as none: e = N / c = -2 / -4 = 0.5, so the
        // negative element becomes -4 (it used to zero everything and report success).
        {"tiny positive total", {5e-8f, -2}, -4, 30, {2.5e-8, -4}, 0.5},
        // Positive elements only cannot reach a negative control with a positive factor.
        {"unreachable", {1, 2}, -3, -1, {1, 2}, 0},
        // Zero control for positive elements: e = 0, all become zero, which is the control.
        {"zero control", {1, 2}, 0, 30, {0, 0}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<float> x = {99};
        x.insert(x.end(), k.x.begin(), k.x.end());
        std::vector<short> list;
        for (size_t i = 1; i <= k.x.size(); ++i) list.push_back(static_cast<short>(i));
        float factor = -7;
        int code = rdscale(nullptr, x.data(), static_cast<short>(k.x.size()), list.data(),
                           static_cast<int>(list.size()), k.c, &factor);
        EXPECT_EQ(code, k.code);
        EXPECT_NEAR(factor, k.factor, 1e-6);
        EXPECT_EQ(x[0], 99);
        for (size_t i = 0; i < k.expected.size(); ++i)
            EXPECT_NEAR(x[i + 1], k.expected[i], 1e-6 * std::max(1.0, std::fabs(k.expected[i])))
                << "element " << i + 1;
        if (code == 30) {
            double sum = 0;
            for (size_t i = 1; i < x.size(); ++i) sum += x[i];
            EXPECT_NEAR(sum, k.c, 1e-5);
        }
    }
    EXPECT_TRUE(scripted.platform.lines.empty());
}

TEST(RdscaleTest, OnlyListedElementsWithinTheVectorMove) {
    std::vector<double> x = {0, 1, 50, 3, 7};
    std::vector<short> list = {1, 3, 0, 12, -2};
    double e = 0;
    // P = 4: e = 2 for the control 8.
    EXPECT_EQ(rdscalecore(nullptr, x.data(), 3, list.data(), static_cast<int>(list.size()), 8, &e),
              30);
    EXPECT_DOUBLE_EQ(e, 2);
    EXPECT_EQ(x, (std::vector<double>{0, 2, 50, 6, 7}));
}

}  // namespace

}  // namespace scaling_rdscale_test
