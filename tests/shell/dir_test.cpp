// The dir command: its heading, lines, totals and messages on a fixture whose times and sizes
// are set, in UTC.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/dircmd.h"
#include "tests/shell/command_fixture.h"

namespace dir_test {

namespace fs = std::filesystem;

namespace {

class Dir : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        const char* tz = getenv("TZ");
        savedTz_ = tz ? tz : "";
        hadTz_ = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
        const char* free = getenv("JEX_FREE_SPACE_MB");
        hadFree_ = free != nullptr;
        savedFree_ = free ? free : "";
        setenv("JEX_FREE_SPACE_MB", "777", 1);
    }
    void TearDown() override {
        if (hadTz_) setenv("TZ", savedTz_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
        if (hadFree_) setenv("JEX_FREE_SPACE_MB", savedFree_.c_str(), 1);
        else unsetenv("JEX_FREE_SPACE_MB");
        CommandFixture::TearDown();
    }
    // A file of n bytes last changed on 2024-01-17 at hh:mm UTC.
    void make(const std::string& name, std::uintmax_t n, int hh, int mm) {
        std::ofstream(name, std::ios::binary).flush();
        fs::resize_file(name, n);
        stamp(name, hh, mm);
    }
    void stamp(const std::string& name, int hh, int mm) {
        const std::int64_t seconds = 1705449600 + hh * 3600 + mm * 60;  // 2024-01-17 00:00 UTC
        auto sys = std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
        fs::last_write_time(name, fs::file_time_type::clock::from_sys(sys));
    }
    void fixture() {
        make("a.add", 0, 9, 5);
        make("b.add", 1024, 12, 0);
        make("c.add1", 1048575, 0, 30);
        make("D.ADD", 512, 13, 5);
        make("notes.txt", 10, 8, 0);
        fs::create_directory("sub");
        make("sub/x.add", 1023, 23, 59);
        stamp("sub", 10, 0);
    }

private:
    std::string savedTz_, savedFree_;
    bool hadTz_ = false, hadFree_ = false;
};

TEST_F(Dir, ListsTheMatchesInOrderIgnoringCaseWithTotals) {
    fixture();
    const std::string here = fs::current_path().string();
    EXPECT_EQ(typed("dir  *.add  # x"), statusTyped);
    EXPECT_EQ(results(),
              "\n\nDirectory of: " + here + "\n\n"
              "01\\17\\2024\t09:05 AM\t       \t     0 B\ta.add\n"
              "01\\17\\2024\t12:00 PM\t       \t     1KB\tb.add\n"
              "01\\17\\2024\t00:30 AM\t       \t  1023KB\tc.add1\n"
              "01\\17\\2024\t01:05 PM\t       \t   512 B\tD.ADD\n"
              "\n\t\t4 file(s), 1.001464 MB\n"
              "\t\t0 Dir(s)\t777 MB free\n\n\n");
}

TEST_F(Dir, APathFilterHeadsTheCompletedPathAndNothingFoundHasNoTotals) {
    fixture();
    const std::string here = fs::current_path().string();
    EXPECT_EQ(typed("dir sub\\*.add"), statusTyped);
    EXPECT_EQ(results(),
              "\n\nDirectory of: " + here + "/sub/*.add\n\n"
              "01\\17\\2024\t11:59 PM\t       \t  1023 B\tx.add\n"
              "\n\t\t1 file(s), 0.000976 MB\n"
              "\t\t0 Dir(s)\t777 MB free\n\n\n");
    clearResults();
    EXPECT_EQ(typed("dir *.xyz"), statusTyped);
    EXPECT_EQ(results(), "\n\nDirectory of: " + here + "\n\n\nFile \"*.xyz*\" not found.\n");
    clearResults();
    EXPECT_EQ(typed("dir /no/such/place"), statusTyped);
    EXPECT_EQ(results(), "\n\nDirectory of: /no/such/place\n\n\nFile \"/no/such/place*\" not found.\n");
}

TEST_F(Dir, DirAloneCountsTheDotEntriesAsDirectories) {
    fixture();
    EXPECT_EQ(typed("dir"), statusTyped);
    const std::string out = results();
    EXPECT_NE(out.find("  <Dir>\t        \t.\n"), std::string::npos);
    EXPECT_NE(out.find("  <Dir>\t        \t..\n"), std::string::npos);
    EXPECT_NE(out.find("01\\17\\2024\t10:00 AM\t  <Dir>\t        \tsub\n"), std::string::npos);
    EXPECT_NE(out.find("\t\t5 file(s), "), std::string::npos);
    EXPECT_NE(out.find("\t\t3 Dir(s)\t777 MB free\n"), std::string::npos);
}

TEST(DirText, SizesAndTimesAtTheirEdges) {
    struct Size { std::int64_t n; const char* text; } sizes[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1024, "1KB"}, {1048575, "1023KB"}, {1048576, "1MB"},
        {1073741823, "1023MB"}, {1073741824, "1GB"}, {5368709120LL, "5GB"}};
    for (const Size& s : sizes) EXPECT_EQ(dirsizetext(s.n), s.text) << s.n;
}

}  // namespace

}  // namespace dir_test
