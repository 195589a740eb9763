// The recent-files list: what a sequence of paths from the editors leaves listed, the cut to
// nine entries, and the file written at the end.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/home.h"
#include "shell/recentfiles.h"
#include "tests/shell/command_fixture.h"

namespace recentfiles_test {

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class RecentFiles : public CommandFixture {
protected:
    std::string file() const { return (std::filesystem::current_path() / "file_history.dat").string(); }
};

TEST_F(RecentFiles, SequencesOfPathsLeaveTheListThePartDescribes) {
    struct Case {
        const char* name;
        std::vector<std::string> start;  // the list file's lines
        std::vector<std::string> calls;  // paths given to addFile
        std::vector<std::string> listed;
        std::string held;
    } cases[] = {
        {"three new paths: the last is held back", {}, {"A", "B", "C"}, {"B", "A"}, "C"},
        {"open and close one path", {}, {"A", "A"}, {"A"}, "A"},
        {"a listed path stays where it is", {"B", "A"}, {"C", "A"}, {"C", "B", "A"}, "A"},
        {"letter case does not make a new entry", {"a.add"}, {"A.ADD", "b"}, {"a.add"}, "b"},
        {"an empty path moves the held one to the top", {"B"}, {"A", ""}, {"A", "B"}, ""},
        {"a path listed twice loses one copy", {"A", "X", "A"}, {"A"}, {"A", "X"}, "A"},
    };
    for (const Case& c : cases) {
        {
            std::ofstream out(file(), std::ios::binary);
            for (const std::string& l : c.start) out << l << "\n";
        }
        TFileHistory h(9, file());
        for (const std::string& p : c.calls) h.addFile(p);
        EXPECT_EQ(h.entries, c.listed) << c.name;
        EXPECT_EQ(h.currentPath, c.held) << c.name;
    }
}

TEST_F(RecentFiles, AFifteenLineFileGivesNineItemsAndIsWrittenBackAsNine) {
    std::string text, nine;
    for (int i = 1; i <= 15; ++i) {
        text += "file" + std::to_string(i) + ".add\r\n";
        if (i <= 9) nine += "file" + std::to_string(i) + ".add\n";
    }
    std::ofstream(file(), std::ios::binary) << text;
    {
        TFileHistory h(9, file());
        ASSERT_EQ(h.captions().size(), 9u);
        EXPECT_EQ(h.captions()[1], "&2 file2.add");
    }
    EXPECT_EQ(readFile(file()), nine);
}

TEST_F(RecentFiles, ThePathGivenLastIsSavedAtTheTop) {
    {
        TFileHistory h(9, file());
        for (const char* p : {"A", "B", "C"}) h.addFile(p);
    }
    EXPECT_EQ(readFile(file()), "C\nB\nA\n");
    TFileHistory again(9, file());
    EXPECT_EQ(again.entries, (std::vector<std::string>{"C", "B", "A"}));
}

TEST_F(RecentFiles, AnEmptyFileGivesNoItemsAndAnUnwritableOneABox) {
    std::ofstream(file(), std::ios::binary) << "";
    {
        TFileHistory h(9, file());
        EXPECT_TRUE(h.captions().empty());
    }
    platform::ScopedScriptedPlatform scripted;
    const std::string blocked = (std::filesystem::current_path() / "blocked").string();
    std::filesystem::create_directories(blocked);
    { TFileHistory h(9, blocked); }
    ASSERT_EQ(scripted.platform.boxes.size(), 1u);
    EXPECT_NE(scripted.platform.boxes[0].find("Could not save history file"), std::string::npos);
}

}  // namespace

}  // namespace recentfiles_test
