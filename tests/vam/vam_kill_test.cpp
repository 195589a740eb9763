// Nothing written is lost when the program is killed (SIGKILL) right after a store,
// setveclag, vtitle, pmfile or a group definition: the files open and hold what was
// written. A kill while vamcreate writes over an existing bank leaves the old bank whole
// (or, when the new one was complete, the new one).
#include "tests/jex_process.h"
#include "tests/vam/vam_fixture.h"

namespace vam_kill_test {

using namespace vamtest;

namespace {

class VamKill : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        binary = jextest::jexbinary();
        if (binary.empty()) GTEST_SKIP() << "the jex program is not built beside the tests";
        writeText("jex.cfg", banktest::jexcfg(""));
        // The program started below writes the folder's workspace: this process lets go
        // of its own (and of its lock).
        deleteallbanks();
    }
    std::string binary;
};

TEST_F(VamKill, WritesSurviveAKill) {
    create(packedConfig);
    writeFile("pm.pmx", packedFixture());
    writeText("g.add", "group basics\n1-3 7\n");
    {
        jextest::JexProcess jex(binary, dir);
        ASSERT_TRUE(jex.started());
        jex.send("vam hist b\ndvam b\nload pm r 1\nstore\nsetveclag x 2\nvtitle Killed run\n"
                 "pmfile pm pm.pmx\nload pm y 1991\nadd g.add\ndvam\n");
        ASSERT_TRUE(jex.readUntil("Default Vam file is b"));
        jex.killNow();
    }
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->lagsOf(0), 2);
    EXPECT_EQ(v->typeOf(0), 'l');
    EXPECT_STREQ(v->vamTitle(), "Killed run");
    EXPECT_STREQ(v->packedFileName(0), "pm.pmx");
    EXPECT_EQ(readFile("pm.pmx"), packedFixture());
    ASSERT_EQ(v->loadcmd("pm", 'y', 1991), 0);
    EXPECT_EQ(v->loadedRow(1)[2], 7);
    opengrouphome();
    EXPECT_EQ(groupHome->groupSize("basics"), 4);
}

TEST_F(VamKill, KillDuringVamcreateKeepsTheOldBank) {
    create(modelConfig);
    poke("hist.vam", 255, {4.5f});
    const auto old = readFile("hist.vam");
    // A bank of about 40 MB takes long enough to write that the kill comes in the middle.
    writeText("big.cfg", "1990 2029\nbig 500 500 0 r.txt c.txt\n");
    {
        jextest::JexProcess jex(binary, dir);
        ASSERT_TRUE(jex.started());
        jex.send("vamcreate big.cfg hist\n");
        ASSERT_TRUE(jex.readUntil("vamcreate big.cfg hist"));
        usleep(2000);
        jex.killNow();
    }
    const auto now = readFile("hist.vam");
    if (now.size() == old.size()) {
        EXPECT_EQ(now, old);
    } else {
        EXPECT_EQ(now.size(), 181u + 40u * 500 * 500 * 4);  // the new bank, complete
        VamFile v("hist");
        EXPECT_TRUE(v.isOpen());
    }
}

}  // namespace

}  // namespace vam_kill_test
