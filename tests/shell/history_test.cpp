// The command box's drop-down history and HIST.DAT, the profile-format reader of the
// settings file, and the placement rules applied to what it reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/home.h"
#include "shell/mainform.h"
#include "shell/profile.h"
#include "shell/settings.h"
#include "tests/shell/command_fixture.h"

namespace history_test {

namespace {

std::string readHome(const std::string& name) {
    std::ifstream in(platform::homeFile(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class History : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        Main.history.clear();
    }
    void enter(const std::string& line) {
        Main.rememberline(line);
        Main.trimhistory();
    }
};

TEST_F(History, ThirtyOneDistinctLinesKeepTheTwentyNineNewest) {
    for (int i = 1; i <= 31; ++i) enter("text line " + std::to_string(i));
    ASSERT_EQ(Main.history.size(), 29u);
    EXPECT_EQ(Main.history.front(), "text line 31");
    EXPECT_EQ(Main.history.back(), "text line 3");
    Main.savehistory();
    std::string expected;
    for (int i = 31; i >= 3; --i) expected += "text line " + std::to_string(i) + "\n";
    EXPECT_EQ(readHome("HIST.DAT"), expected);
}

TEST_F(History, ALongLineIsKeptAsItsFirst2998Characters) {
    std::string line(5000, 'x');
    line[2997] = 'y';
    enter(line);
    ASSERT_EQ(Main.history.size(), 1u);
    EXPECT_EQ(Main.history.front().size(), 2998u);
    EXPECT_EQ(Main.history.front().back(), 'y');
}

TEST_F(History, BlankLinesAreNotKeptAndATrimmedDuplicateMovesToTheTop) {
    enter("a");
    enter("b");
    enter("   ");
    enter("\ta ");
    ASSERT_EQ(Main.history.size(), 2u);
    EXPECT_EQ(Main.history[0], "\ta ");
    EXPECT_EQ(Main.history[1], "b");
}

TEST(Profile, ReadsTheFormatAsItsRulesSay) {
    ProfileFile ini;
    ini.parse("Early=1\r\n[One]\r\n  Key  =  value with blanks  \r\nkey=second\r\n[Two\r\nn=5\r\n"
              "noise\r\n[two]\r\nBig=2147483647\r\nHuge=2147483648\r\nNeg=-2147483648\r\n"
              "Text=12x\r\nFlag=7\r\n");
    std::string v;
    EXPECT_FALSE(ini.find("", "Early", v));
    EXPECT_EQ(ini.readString("ONE", "key", "-"), "value with blanks");
    EXPECT_EQ(ini.readInteger("one", "n", -1), 5);  // the '[Two' line is skipped
    struct Row { const char* key; int expected; } rows[] = {
        {"Big", 2147483647}, {"Huge", 9}, {"Neg", -2147483647 - 1}, {"Text", 9}, {"Missing", 9}};
    for (const Row& r : rows) EXPECT_EQ(ini.readInteger("Two", r.key, 9), r.expected) << r.key;
    EXPECT_TRUE(ini.readBool("two", "Flag", false));
}

TEST(Profile, WritesSectionsInTheOrderKeysAreWritten) {
    ProfileFile ini;
    ini.writeString("A", "x", "1");
    ini.writeInteger("B", "y", -2);
    ini.writeBool("A", "z", true);
    ini.writeString("B", "text", "two\nlines");
    EXPECT_EQ(ini.text(), "[A]\nx=1\nz=1\n[B]\ny=-2\ntext=two lines\n");
}

// The placement rules at the edges of the 1024 x 768 work area.
TEST_F(History, PlacementsAreCheckedAgainstTheWorkArea) {
    struct Case {
        const char* ini;
        int width, height, top, left;  // of the main window
    } cases[] = {
        {"[Placement]\nWidth=1024\nHeight=768\nTop=768\nLeft=1023\n", 1024, 768, 768, 1023},
        {"[Placement]\nWidth=1025\nHeight=769\nTop=5\nLeft=5\n", 512, 768, 0, 0},
        {"[Placement]\nWidth=300\nHeight=300\nTop=769\nLeft=-1\n", 512, 768, 0, 0},
        {"[Placement]\nWidth=1\nHeight=1\nTop=0\nLeft=0\n", 1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        mainformcreate();
        ProfileFile ini;
        ini.parse(c.ini);
        applysettings(ini);
        EXPECT_EQ(Main.bounds.width, c.width) << c.ini;
        EXPECT_EQ(Main.bounds.height, c.height) << c.ini;
        EXPECT_EQ(Main.bounds.top, c.top) << c.ini;
        EXPECT_EQ(Main.bounds.left, c.left) << c.ini;
    }
    // Editors beside a main window narrower than the work area; a main window wider than it
    // (right edge beyond the work area) sends them to the right half.
    mainformcreate();
    ProfileFile ini;
    ini.parse("[Placement]\nWidth=1000\nHeight=500\nTop=20\nLeft=100\n");
    applysettings(ini);
    EXPECT_EQ(Main.editorLeft, 512u);
    EXPECT_EQ(Main.editorWidth, 512u);
    EXPECT_EQ(Main.editorTop, 20u);
    EXPECT_EQ(Main.editorHeight, 500u);
    // A graph window whose bottom passes the work area puts the pause box above the edge.
    ini.parse("[Graph Placement]\nWidth=300\nHeight=700\nTop=700\nLeft=0\n");
    applysettings(ini);
    EXPECT_EQ(Main.caTop, 768 - pauseBoxHeight);
    EXPECT_EQ(Main.caLeft, 0);
}

TEST_F(History, AnEmptyRememberedGraphWidthIsWrittenAsTheFixedPlace) {
    mainformcreate();
    Main.graphWidth = 0;
    ProfileFile ini = collectsettings();
    EXPECT_EQ(ini.readInteger("Graph Placement", "Width", -1), 345);
    EXPECT_EQ(ini.readInteger("Graph Placement", "Height", -1), 320);
    EXPECT_EQ(ini.readInteger("Graph Placement", "Top", -1), 441);
    EXPECT_EQ(ini.readInteger("Graph Placement", "Left", -1), 980);
}

}  // namespace

}  // namespace history_test
