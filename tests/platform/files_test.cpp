// Files rewritten whole (platform::ReplacingFile) and the advisory write lock
// (platform::FileLock): links followed, permissions kept, devices written in place, nothing
// but the writer's own temporary ever removed; the lock shared within the program and seen
// by another process.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/files.h"

namespace files_test {

namespace fs = std::filesystem;

namespace {

class ReplacingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jexfilestestXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    static std::string read(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static void write(const std::string& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    // Writes text through a ReplacingFile; the result of commit (false when open failed).
    static bool replace(const std::string& p, const std::string& text) {
        platform::ReplacingFile out(p);
        std::FILE* f = out.open("wb");
        if (!f) return false;
        std::fputs(text.c_str(), f);
        return out.commit();
    }
    int entries() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    std::string dir;
};

TEST_F(ReplacingFileTest, ReplacesKeepingModeAndLinks) {
    struct Case {
        const char* what;
        const char* link;     // the name written to (a link when not the target)
        const char* target;   // the file that must hold the text
        const char* linkTo;   // link text, or null
        bool before;          // the target exists before
        mode_t mode;
    };
    const Case cases[] = {
        {"a new file", "new.txt", "new.txt", nullptr, false, 0},
        {"a private file", "p.txt", "p.txt", nullptr, true, 0600},
        {"a relative link", "l.txt", "t.txt", "t.txt", true, 0640},
        {"an absolute link to a missing file", "d.txt", "sub/m.txt", "", false, 0},
    };
    fs::create_directory(path("sub"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.before) {
            write(path(c.target), "old");
            ASSERT_EQ(chmod(path(c.target).c_str(), c.mode), 0);
        }
        if (c.linkTo) fs::create_symlink(*c.linkTo ? std::string(c.linkTo) : path(c.target), path(c.link));
        const int before = entries();
        ASSERT_TRUE(replace(path(c.link), "new text"));
        EXPECT_EQ(read(path(c.target)), "new text");
        if (c.linkTo) {
            EXPECT_TRUE(fs::is_symlink(path(c.link)));
        }
        struct stat st;
        ASSERT_EQ(stat(path(c.target).c_str(), &st), 0);
        if (c.before) {
            EXPECT_EQ(st.st_mode & 07777, c.mode);
        }
        // No temporary is left beside it.
        EXPECT_EQ(entries(), before + (c.before || c.linkTo ? 0 : 1));
    }
}

TEST_F(ReplacingFileTest, ADirectoryIsNeverReplacedNorRemoved) {
    fs::create_directory(path("out"));
    write(path("out/inside"), "kept");
    EXPECT_FALSE(replace(path("out"), "text"));
    EXPECT_EQ(read(path("out/inside")), "kept");
    EXPECT_EQ(entries(), 1);
}

TEST_F(ReplacingFileTest, AnAbandonedFileLeavesTheOldOne) {
    write(path("a.txt"), "old");
    {
        platform::ReplacingFile out(path("a.txt"));
        ASSERT_NE(out.open("w"), nullptr);
        std::fputs("half", out.file());
    }
    EXPECT_EQ(read(path("a.txt")), "old");
    EXPECT_EQ(entries(), 1);
}

TEST_F(ReplacingFileTest, DevicesAreWrittenInPlace) {
    EXPECT_TRUE(replace("/dev/null", "text"));
    EXPECT_FALSE(replace("/dev/full", "text"));  // the write fails: reported, not hidden
    struct stat st;
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(ReplacingFileTest, TheWriteLockIsSharedHereAndSeenElsewhere) {
    write(path("bank"), "data");
    std::FILE* f = std::fopen(path("bank").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    auto lockedElsewhere = [&]() {
        // Another process asks for the same lock.
        pid_t child = fork();
        if (child == 0) {
            int fd = open(path("bank").c_str(), O_RDONLY);
            _exit(flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 1;
    };
    {
        platform::FileLock first, second;
        EXPECT_EQ(first.acquire(f, path("bank")), platform::FileLock::Locked);
        EXPECT_EQ(second.acquire(f, path("bank")), platform::FileLock::Locked);
        EXPECT_TRUE(lockedElsewhere());
        first.release();
        EXPECT_TRUE(lockedElsewhere());  // the second one still holds it
    }
    EXPECT_FALSE(lockedElsewhere());
    std::fclose(f);
}

}  // namespace

}  // namespace files_test
