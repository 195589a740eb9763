// Nothing is lost when the program is killed (SIGKILL): during pmatin over an existing packed
// file the old file stays whole (or the new one is complete); right after fvread, matin,
// matin5 or vmatdata the bank opens with the values written.
#include <unistd.h>

#include <string>

#include "tests/jex_process.h"
#include "tests/vam/vam_fixture.h"

namespace vamdata_kill_test {

using namespace vamtest;

namespace {

class VamDataKill : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        binary = jextest::jexbinary();
        if (binary.empty()) GTEST_SKIP() << "the jex program is not built beside the tests";
        writeText("jex.cfg", banktest::jexcfg(""));
        deleteallbanks();
    }
    std::string binary;
};

TEST_F(VamDataKill, ValuesWrittenSurviveAKill) {
    create(modelConfig);
    writeText("d.add",
              "fvread x 1991\n1 2 3 4 5 6 7 8 9 10\n"
              "matin am 1992 1 1 1 2 0\n7 8\n"
              "matin5 am 1993 9 3 4\nam      2   2    4.500\n;\n"
              "vmatdat c 1 2 1 2 4\nx       1994    1995\nx1     1.000   3.000\nx2     2.000   4.000\n"
              "echo all done\n");
    {
        jextest::JexProcess jex(binary, dir);
        ASSERT_TRUE(jex.started());
        jex.send("vam hist b\ndvam b\nadd d.add\n");
        ASSERT_TRUE(jex.readUntil("all done"));
        jex.killNow();
    }
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(cell("hist.vam", *v, 0, 1, 9), 10);
    EXPECT_EQ(cell("hist.vam", *v, 1, 2, 1), 8);
    EXPECT_EQ(cell("hist.vam", *v, 1, 3, 11), 4.5f);
    EXPECT_EQ(cell("hist.vam", *v, 0, 4, 1), 2);
    EXPECT_EQ(cell("hist.vam", *v, 0, 5, 0), 3);
}

TEST_F(VamDataKill, KillDuringPmatinKeepsTheOldPackedFile) {
    create("1990 2039\npm 300 300 p r.txt c.txt\n", "big", "big.cfg");
    // 50 periods of 300 rows of 20 cells: a text of some megabytes.
    std::string text = "pmatin pm pm.pmx\n";
    char line[64];
    for (int year = 1990; year <= 2039; ++year) {
        text += std::to_string(year) + "\n";
        for (int r = 1; r <= 300; ++r) {
            text += " " + std::to_string(r) + " 20\n";
            for (int c = 1; c <= 20; ++c) {
                std::snprintf(line, sizeof line, " %d %d.%03d", c * 15, year, r);
                text += line;
                if (c % 6 == 0 || c == 20) text += "\n";
            }
        }
    }
    text += "echo built\n";
    writeText("pm.add", text);
    const std::string old = "an older packed file that must survive\n";
    writeText("pm.pmx", old);
    {
        jextest::JexProcess jex(binary, dir);
        ASSERT_TRUE(jex.started());
        jex.send("vam big b\ndvam b\naddprint off\nadd pm.add\n");
        ASSERT_TRUE(jex.readUntil("add pm.add"));
        usleep(20000);
        jex.killNow();
    }
    const auto now = readFile("pm.pmx");
    if (now.size() == old.size()) {
        EXPECT_EQ(std::string(now.begin(), now.end()), old);
    } else {
        // The new file, complete: 119 + 2 x (300 + 6000) + 4 x 6000 x 50 bytes.
        EXPECT_EQ(now.size(), 119u + 2u * (300 + 6000) + 4u * 6000 * 50);
    }
}

}  // namespace

}  // namespace vamdata_kill_test
