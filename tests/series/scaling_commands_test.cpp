// The ctrl and ls commands read from the input, over a real workspace bank.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"
#include "series/scaling_commands.h"
#include "series/series_state.h"
#include "series_test_util.h"

namespace scaling_commands_test {

namespace {

class ScalingCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jexscalingXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        resetbankslots();
        resetseriesstate();
        clearPendingLine();
        savedSyncWrites = JexBank::syncWrites;
        JexBank::syncWrites = false;
        workspace(200);
    }
    void TearDown() override {
        resetbankslots();
        resetseriesstate();
        resetDateGlobals();
        clearPendingLine();
        JexBank::syncWrites = savedSyncWrites;
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }

    bool savedSyncWrites = false;

    // A workspace from 1980 (first month 1) with maxObs observations.
    void workspace(int maxObs) {
        resetbankslots();
        wsStartDate = JexDate(1980, 1, 1, 13);
        wsBaseYear = 1980;
        wsFirstMonth = 1;
        cfgFirstMonth = 1;
        wsMaxObs = static_cast<std::int16_t>(maxObs);
        setWorkspaceBank(new JexBank("ws", "New", 1980, maxObs, 1, 1));
    }
    // A series in a bank: `fill` everywhere, the given observations set.
    static void put(JexBank* bank, const std::string& name, int frequency,
                    const std::map<int, float>& values, float fill = 1.0f) {
        std::vector<float> v(2000, fill);
        for (auto [t, x] : values) v[t] = x;
        bank->setFreq(frequency);
        ASSERT_GE(bank->addser(name.c_str(), v.data(), 'y'), 0);
    }
    void put(const std::string& name, const std::map<int, float>& values, int frequency = 1) {
        put(workspaceBank, name, frequency, values);
    }
    // A series as the workspace holds it now.
    std::vector<float> get(const std::string& name) {
        std::vector<float> v(2000, 0.0f);
        char text[100] = "";
        char* cursor = text;
        std::string w = "w." + name;
        EXPECT_EQ(fetchseries(w.c_str(), v.data(), cursor, nullptr, 0), 0) << name;
        return v;
    }
    void setfdates(float a, float b) {
        fdate1 = a;
        fdate2 = b;
        fdate1Date = JexDate(a);
        fdate2Date = JexDate(b);
    }
    int run(int (*cmd)(std::FILE*), const std::string& line, int echo = 0) {
        seriestest::ReplayInput input({line});
        addPrint = echo;
        return cmd(nullptr);
    }
    // The results window line by line, the pending line last when there is one.
    std::vector<std::string> shown() const {
        std::vector<std::string> out;
        std::string line;
        for (char ch : screen.platform.text() + pendingLine()) {
            if (ch == '\n') {
                out.push_back(line);
                line.clear();
            } else if (ch != '\r') {
                line += ch;
            }
        }
        if (!line.empty()) out.push_back(line);
        return out;
    }
    void clearShown() {
        screen.platform.lines.clear();
        screen.platform.boxes.clear();
        clearPendingLine();
    }
    // The three members 1, 2, 3 and the control 12 over 1990-1992 (indexes 10..12).
    void threeMembers() {
        put("out1", {{10, 1}, {11, 1}, {12, 1}});
        put("out2", {{10, 2}, {11, 2}, {12, 2}});
        put("out3", {{10, 3}, {11, 3}, {12, 3}});
        put("tot", {{10, 12}, {11, 12}, {12, 12}});
        setfdates(1990, 1992);
    }

    platform::ScopedScriptedPlatform screen;
    std::string dir;
    std::filesystem::path old;
};

TEST_F(ScalingCommandTest, CtrlScalesEveryPeriodAndPrintsTheFactor) {
    threeMembers();
    EXPECT_EQ(run(ctrlcmd, "tot out (1-3)", 1), 0);
    for (int t = 10; t <= 12; ++t) {
        EXPECT_FLOAT_EQ(get("out1")[t], 2);
        EXPECT_FLOAT_EQ(get("out2")[t], 4);
        EXPECT_FLOAT_EQ(get("out3")[t], 6);
    }
    EXPECT_FLOAT_EQ(get("out1")[9], 1);   // outside the f dates
    EXPECT_FLOAT_EQ(get("out1")[13], 1);
    EXPECT_EQ(shown(), (std::vector<std::string>{
                           "tot out (1-3)",  // the line echoed as it is read (addPrint 1)
                           "For 1990, the proportional scaling factor is  1.0000.",
                           "For 1991, the proportional scaling factor is  1.0000.",
                           "For 1992, the proportional scaling factor is  1.0000."}));
}

TEST_F(ScalingCommandTest, CtrlRightDirectionAndOptions) {
    threeMembers();
    put("out2", {{10, -2}, {11, 2}, {12, 2}});
    // -f and an option word both set the force mode; r after the group: rdscale.
    EXPECT_EQ(run(ctrlcmd, "-f -force tot out (1-3) r", 1), 0);
    // 1990: P = 4, N = -2, 4 e - 2 / e = 12: e = (12 + sqrt(144 + 32)) / 8.
    const double e = (12 + std::sqrt(176.0)) / 8;
    EXPECT_NEAR(get("out1")[10], e, 1e-5);
    EXPECT_NEAR(get("out2")[10], -2 / e, 1e-5);
    EXPECT_NEAR(get("out3")[10], 3 * e, 1e-5);
    EXPECT_FLOAT_EQ(get("out2")[11], 4);  // 1991: e = 2
    EXPECT_EQ(shown()[1], "Right direction controlling");
}

// The periods come from the workspace indexes of the f dates at their own frequency.
TEST_F(ScalingCommandTest, CtrlQuarterlyPeriods) {
    // 1990.2 is observation (1990 - 1980) * 4 + 1 = 41.
    put("q1", {{40, 1}, {41, 1}, {42, 1}, {43, 1}, {44, 1}}, 4);
    put("q2", {{40, 3}, {41, 3}, {42, 3}, {43, 3}, {44, 3}}, 4);
    put("qt", {{40, 8}, {41, 8}, {42, 8}, {43, 8}, {44, 8}}, 4);
    setfdates(1990.2f, 1990.4f);
    EXPECT_EQ(run(ctrlcmd, "qt q (1 2)", 1), 0);
    std::vector<float> q1 = get("q1"), q2 = get("q2");
    EXPECT_FLOAT_EQ(q1[40], 1);
    for (int t = 41; t <= 43; ++t) {
        EXPECT_FLOAT_EQ(q1[t], 2);
        EXPECT_FLOAT_EQ(q2[t], 6);
    }
    EXPECT_FLOAT_EQ(q2[44], 3);
    EXPECT_EQ(shown()[1], "For 1990.2, the proportional scaling factor is  1.0000.");
    EXPECT_EQ(shown()[3], "For 1990.4, the proportional scaling factor is  1.0000.");
}

TEST_F(ScalingCommandTest, CtrlRefusesUnsetOrMismatchedFdates) {
    threeMembers();
    struct Case { float a, b; const char* message; } cases[] = {
        {-1, -1, "Error:  in ctrl command, the fdates must be set to give the periods to scale."},
        {1990, -1, "Error:  in ctrl command, the fdates must be set to give the periods to scale."},
        {1990.1f, 1990.3f, "Error:  in ctrl command, the fdates do not match the frequency of tot."},
        {1970, 1990, "Error:  in ctrl command, the fdates lie outside the workspace."},
    };
    for (const Case& k : cases) {
        clearShown();
        if (k.a < 0) {
            resetseriesstate();
        } else if (k.b < 0) {
            setfdates(k.a, k.a);
            fdate2 = -1;
            fdate2Date = JexDate();
        } else {
            setfdates(k.a, k.b);
        }
        EXPECT_EQ(run(ctrlcmd, "tot out (1-3)"), -1) << k.message;
        EXPECT_EQ(shown().back(), k.message);
        EXPECT_FLOAT_EQ(get("out2")[10], 2);
    }
}

TEST_F(ScalingCommandTest, CtrlBadInput) {
    threeMembers();
    struct Case { const char* line; const char* message; } cases[] = {
        {"", "Format: ctrl <x> <rootname> <group>"},
        {"-3 tot out (1-3)", "Unknown option -3."},
        {"nosuch out (1-3)", "Cannot find control total nosuch in data bank."},
        {"tot 5 (1-3)", "Please supply a valid root name."},
        {"tot out ()", "Error:  A valid <group> of sectors must be specified"},
        {"tot out", "Error:  A valid <group> of sectors must be specified"},
        {"tot out (1-4)", "Error reading series out4 from bank."},
        {"tot out (1 $)", "Error:  A valid <group> of sectors must be specified"},
    };
    for (const Case& k : cases) {
        clearShown();
        EXPECT_EQ(run(ctrlcmd, k.line), -1) << k.line;
        std::string all;
        for (const std::string& s : shown()) all += s + "|";
        EXPECT_NE(all.find(k.message), std::string::npos) << k.line << ": " << all;
        EXPECT_FLOAT_EQ(get("out2")[10], 2) << k.line;
    }
    clearShown();
    run(ctrlcmd, "");
    EXPECT_EQ(shown().size(), 13u);  // the whole usage
    EXPECT_EQ(shown()[9], "    ctrl tot out (1-10 (4-7) 13 15)");
}

TEST_F(ScalingCommandTest, CtrlMissingControlOkAndCancel) {
    threeMembers();
    put("tot", {{10, 12}, {11, MISSING}, {12, 12}});
    screen.platform.answers = {"cancel"};
    EXPECT_EQ(run(ctrlcmd, "tot out (1-3)"), -1);
    EXPECT_FLOAT_EQ(get("out1")[10], 1);  // nothing stored
    EXPECT_EQ(screen.platform.boxes[0], "[Warning] OK to continue, Cancel to quit");

    clearShown();
    screen.platform.answers = {"ok"};
    EXPECT_EQ(run(ctrlcmd, "tot out (1-3)"), 0);
    EXPECT_FLOAT_EQ(get("out1")[10], 2);
    EXPECT_FLOAT_EQ(get("out1")[11], 1);  // the period without a control as it was
    EXPECT_FLOAT_EQ(get("out1")[12], 2);
    EXPECT_EQ(shown()[1], "The control total for period 1991 is missing.");
    EXPECT_EQ(shown()[2], "The listed sectors for out will not be scaled.");
}

TEST_F(ScalingCommandTest, CtrlMissingMemberOkAndCancel) {
    threeMembers();
    put("out1", {{10, 1}, {11, MISSING}, {12, 1}});
    screen.platform.answers = {"cancel"};
    EXPECT_EQ(run(ctrlcmd, "tot out (1-3)"), -1);
    EXPECT_FLOAT_EQ(get("out2")[10], 2);  // nothing stored
    EXPECT_EQ(screen.platform.boxes[0], "[] OK to continue, Cancel to quit");

    clearShown();
    screen.platform.answers = {"ok"};
    EXPECT_EQ(run(ctrlcmd, "tot out (1-3)"), 0);
    EXPECT_TRUE(ismissing(get("out1")[11]));
    // 2 and 3 to 12: f = 7 / 5.
    EXPECT_NEAR(get("out2")[11], 4.8, 1e-5);
    EXPECT_NEAR(get("out3")[11], 7.2, 1e-5);
    EXPECT_EQ(shown()[1], "out1 is missing in 1991. If the algorithm continues,");
}

TEST_F(ScalingCommandTest, CtrlReadsMembersFromAnOrdinaryBankAndWritesTheWorkspace) {
    setfdates(1990, 1990);
    put("tot", {{10, 9}});
    JexBank* a = new JexBank("abank", "New", 1980, 200, 1, 1);
    bankSlots[0] = a;
    bankTypes[0] = 'w';
    put(a, "out1", 1, {{10, 1}});
    put(a, "out2", 1, {{10, 2}});
    EXPECT_EQ(run(ctrlcmd, "tot a.out (1-2)"), 0);
    EXPECT_FLOAT_EQ(get("out1")[10], 3);
    EXPECT_FLOAT_EQ(get("out2")[10], 6);
    EXPECT_EQ(workspaceBank->findser("a.out1"), -1);
}

TEST_F(ScalingCommandTest, LsLinksForwardAndBackward) {
    struct Case { const char* line; std::map<int, float> expected; } cases[] = {
        // x[1990] = 10, y[1990] = 5: ratio 2.
        {"x y 1990", {{9, 1}, {10, 10}, {11, 12}, {12, 14}, {15, 20}, {16, 22}}},
        {"x y 1990 F", {{9, 1}, {11, 12}}},
        {"x y 1990 b", {{8, 6}, {9, 8}, {10, 10}, {11, 1}}},
        {"x y 1990 1995", {{11, 12}, {15, 20}, {16, 1}}},
        // Scaled differences: 10 + 2 (y - 5).
        {"-i x y 1990", {{11, 12}, {12, 14}}},
    };
    for (const Case& k : cases) {
        std::map<int, float> y;
        for (int t = 0; t < 40; ++t) y[t] = static_cast<float>(t - 5);
        put("y", y);
        put("x", {{10, 10}});
        clearShown();
        EXPECT_EQ(run(lscmd, k.line), 0) << k.line;
        std::vector<float> x = get("x");
        for (auto [t, v] : k.expected) EXPECT_FLOAT_EQ(x[t], v) << k.line << " at " << t;
    }
}

TEST_F(ScalingCommandTest, LsNegativeRatioOkAndCancel) {
    put("x", {{10, -10}});
    put("y", {{10, 5}, {11, 6}});
    screen.platform.answers = {"cancel"};
    EXPECT_EQ(run(lscmd, "x y 1990"), 27);
    EXPECT_FLOAT_EQ(get("x")[11], 1);
    screen.platform.answers = {"ok"};
    EXPECT_EQ(run(lscmd, "x y 1990"), 0);
    EXPECT_FLOAT_EQ(get("x")[11], -12);
    put("x", {{10, -10}});
    EXPECT_EQ(run(lscmd, "-i x y 1990"), 0);
    EXPECT_FLOAT_EQ(get("x")[11], -8);
    EXPECT_EQ(screen.platform.boxes.size(), 2u);
}

TEST_F(ScalingCommandTest, LsBadInput) {
    put("x", {{10, 10}});
    put("y", {{10, 5}, {11, 6}});
    put("q", {{10, 5}}, 4);
    struct Case { const char* line; int code; const char* message; } cases[] = {
        {"", -1, "Format: ls [-<flag>] <x> <y> <date> [direction]"},
        {"-z x y 1990", -1, "Error:  illegal flag given in ls command."},
        {"nosuch y 1990", -1, "Error:  In ls command; See help menu or type \"ls\" to see correct format."},
        {"x nosuch 1990", -1, "Error:  In ls command, cannot find nosuch from the workspace or the assigned bank."},
        {"x y", -1, "Error:  In ls command; See help menu or type \"ls\" to see correct format."},
        {"x y 1970", -1, "The link date 1970 is before the beginning of the workspace bank."},
        {"x y 1990 4000", -1, "Error:  In ls command, the second date 4000 is not valid."},
        {"x y 1990 sideways", -1, "Unclear which direction to extend x.  See help menu."},
        {"x q 1990", -1, "Frequency of 'x' (1) does not match frequency of 'q' (4)."},
        {"x y 1990.2", -1, "Frequency of 'x' (1) does not match frequency of link date (4)."},
        {"x y 1991", -1, "Data missing at link date 1991 for 'x'."},
    };
    put("x", {{10, 10}, {11, MISSING}});
    put("y", {{10, 5}, {11, 6}});
    for (const Case& k : cases) {
        clearShown();
        EXPECT_EQ(run(lscmd, k.line), k.code) << k.line;
        std::string all;
        for (const std::string& s : shown()) all += s + "|";
        EXPECT_NE(all.find(k.message), std::string::npos) << k.line << ": " << all;
        EXPECT_FLOAT_EQ(get("x")[12], 1) << k.line;
    }
}

}  // namespace

}  // namespace scaling_commands_test
