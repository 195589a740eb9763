// The punch card of pch (the value widths chosen by size), ipch's positions and extra values,
// and the workspace series store.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "regress/punch.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace punch_test {

std::string readfile(const std::filesystem::path& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST_F(RegressFixture, PchChoosesTheDecimalsBySize) {
    // Coefficients of about 0.5, 50, 5000 and 50000 (y is exact in them).
    std::vector<float> a(12), b(12), c(12), y(12);
    for (int t = 0; t < 12; ++t) {
        a[t] = static_cast<float>(t % 5);
        b[t] = static_cast<float>((t * 7) % 11) / 100.0f;
        c[t] = static_cast<float>((t * 3) % 7) / 1000.0f;
        y[t] = 0.5f + 50.0f * a[t] + 5000.0f * b[t] + 50000.0f * c[t] + (t % 2 ? 0.01f : -0.01f);
    }
    store("a", a);
    store("b", b);
    store("c", c);
    store("yy", y);
    ASSERT_EQ(r("yy = a, b, c"), 0) << output();
    const auto path = dir / "p.txt";
    ASSERT_EQ(run(punchcmd, "\"" + path.string() + "\" first card"), 0);
    ASSERT_EQ(run(pchcmd, "gross 7"), 0);
    ASSERT_EQ(run(punchcmd, "off"), 0);
    char expected[400];
    std::snprintf(expected, sizeof expected, " first card\n\ngross  7  1%9.6f  7  2%9.6f  7  3%9.4f  7  4%9.2f  7  5%9.0f\n",
                  regRho, beta(1), beta(2), beta(3), beta(4));
    EXPECT_EQ(readfile(path), expected);
    EXPECT_NEAR(beta(4), 50000.0, 50.0);
}

TEST_F(RegressFixture, IpchWritesPositionsAndExtraValues) {
    ASSERT_EQ(r("y = x1, x2"), 0);
    const auto path = dir / "i.txt";
    ASSERT_EQ(run(punchcmd, "\"" + path.string() + "\""), 0);
    ASSERT_EQ(run(ipchcmd, "food 12 b 3 1 2 extra 0.25 - 4 x1"), 0);
    ASSERT_EQ(run(ipchcmd, "fuel 3"), 0);
    ASSERT_EQ(run(punchcmd, "off"), 0);
    char expected[600];
    std::snprintf(expected, sizeof expected,
                  "\nfood 12 b 6 \n 3 1 2 4 5 6\n %12.6f %12.6f %12.6f %12.6f %12.6f %12.6f %12.6f\n"
                  "fuel 3 a 3 \n 1 2 3\n %12.6f %12.6f %12.6f %12.6f\n\n",
                  regRho, beta(1), beta(2), beta(3), 0.25, -4.0, 27.1, regRho, beta(1), beta(2), beta(3));
    EXPECT_EQ(readfile(path), expected);
}

TEST_F(RegressFixture, PunchFailuresSayWhy) {
    EXPECT_EQ(run(pchcmd, "gross 7"), -1);
    EXPECT_EQ(output(), "\r\nBefore using pch, you must open file with punch command.\n");
    EXPECT_EQ(run(punchcmd, "3"), -1);
    EXPECT_EQ(output(), "\r\nFormat is \r\n punch <filename | off> \n");
    EXPECT_EQ(run(punchcmd, "\"" + (dir / "nodir" / "p.txt").string() + "\""), -1);
    EXPECT_NE(output().find("Cannot open"), std::string::npos);
    EXPECT_EQ(punchOn, 'n');
    ASSERT_EQ(run(punchcmd, "\"" + (dir / "p.txt").string() + "\""), 0);
    EXPECT_EQ(run(pchcmd, "gross"), -1);  // no number
    EXPECT_EQ(run(pchcmd, "gross 7"), -1);  // no rcoef yet
    EXPECT_EQ(output(), "\r\nFormat is\r\n pch <name> <number>\n\r\nFormat is\r\n pch <name> <number>\n");
}

TEST_F(RegressFixture, TheWorkspaceStoreCarriesTheFrequencySetBeforeIt) {
    std::vector<float> v(2000, 1.5f);
    wssetfreq(4);
    ASSERT_GE(wsaddser("q1", v.data()), 0);
    ASSERT_GE(wsaddser("q2", v.data()), 0);
    EXPECT_EQ(frequencyOf("q1"), 4);
    EXPECT_EQ(frequencyOf("q2"), 4);
    wssetfreq(1);
    v[0] = 2.5f;
    ASSERT_GE(wsaddser("q1", v.data()), 0);
    EXPECT_EQ(frequencyOf("q1"), 1);
    EXPECT_EQ(series("q1")[0], 2.5f);
}

}  // namespace
}  // namespace regresstest

