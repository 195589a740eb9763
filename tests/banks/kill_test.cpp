// Nothing stored is lost when the program is killed: the jex program stores series with the
// data command and is killed (SIGKILL) right after; the bank it leaves opens, from another
// directory's session with the bank command and in process, with every series stored
// before the kill. Runs the jex binary built beside this test (build/app/jex).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "core/missing.h"
#include "tests/banks/bank_test_util.h"

using ::testing::HasSubstr;

namespace {

std::string jexbinary() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = 0;
    auto path = std::filesystem::path(self).parent_path().parent_path() / "app" / "jex";
    return std::filesystem::exists(path) ? path.string() : "";
}

// A running jex in a directory, fed through a pipe, its results window read from a pipe.
class JexProcess {
public:
    JexProcess(const std::string& binary, const std::string& dir) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            close(in[1]);
            close(out[0]);
            if (chdir(dir.c_str()) != 0) _exit(127);
            execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toJex_ = in[1];
        fromJex_ = out[0];
    }
    ~JexProcess() {
        if (toJex_ >= 0) close(toJex_);
        if (fromJex_ >= 0) close(fromJex_);
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    void send(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t n = write(toJex_, text.data() + done, text.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }
    void endInput() {
        close(toJex_);
        toJex_ = -1;
    }
    // Reads until the output holds `marker` (empty: until the end of output) or the time
    // runs out; returns whether it was found.
    bool readUntil(const std::string& marker, int seconds = 60) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (marker.empty() || output.find(marker) == std::string::npos) {
            int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count());
            if (left <= 0) return false;
            pollfd p{fromJex_, POLLIN, 0};
            if (poll(&p, 1, left) <= 0) return false;
            char buf[4096];
            ssize_t n = read(fromJex_, buf, sizeof buf);
            if (n <= 0) return marker.empty();
            output.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }
    void killNow() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return status;
    }

    std::string output;

private:
    pid_t pid_ = -1;
    int toJex_ = -1, fromJex_ = -1;
    bool reaped_ = false;
};

std::string datacommand(int i) {
    return "data s" + std::to_string(i) + " 1990 " + std::to_string(i) + " " +
           std::to_string(i + 1) + " ;\n";
}

const char* endMarker = "provided to access any other data bank.";

class KillTest : public banktest::BankDirTest {
protected:
    void SetUp() override {
        BankDirTest::SetUp();
        binary = jexbinary();
        if (binary.empty()) GTEST_SKIP() << "the jex program is not built beside the tests";
        std::filesystem::create_directory(path("a"));
        std::filesystem::create_directory(path("b"));
    }
    // Every series the bank in a/ holds reads as stored: s<i> holds i and i + 1. Returns
    // the count.
    int checkbank() {
        JexBank bank(path("a/ws").c_str(), "Read", 1965, 200, 1);
        EXPECT_TRUE(bank.isOpen());
        if (!bank.isOpen()) return -1;
        std::vector<float> v(seriesArrayLength);
        for (int i = 0; i < bank.seriesCount(); ++i) {
            const std::string name = "s" + std::to_string(i);
            EXPECT_EQ(bank.getser(name.c_str(), v.data(), -1), 0) << name;
            EXPECT_EQ(v[0], static_cast<float>(i)) << name;
            EXPECT_EQ(v[1], static_cast<float>(i + 1)) << name;
            EXPECT_EQ(v[2], MISSING) << name;
        }
        return bank.seriesCount();
    }
    std::string binary;
};

}  // namespace

TEST_F(KillTest, SeriesStoredBeforeTheKillAreAllThere) {
    const int count = 40;
    {
        JexProcess jex(binary, path("a"));
        ASSERT_TRUE(jex.started());
        std::string commands = "zap 1990 1 100\n";
        for (int i = 0; i < count; ++i) commands += datacommand(i);
        jex.send(commands + "findmode\n");
        // findmode answers once every data command before it has returned.
        ASSERT_TRUE(jex.readUntil(endMarker)) << jex.output;
        jex.killNow();
    }
    EXPECT_EQ(checkbank(), count);

    // Another session, in another directory, assigns the bank and finds the series.
    JexProcess other(binary, path("b"));
    ASSERT_TRUE(other.started());
    other.send("zap 1990 1 100\nbank \"" + path("a/ws") + "\" b\nfindmode a\nfrequency s0\n"
               "frequency b.s" + std::to_string(count - 1) + "\n");
    other.endInput();
    ASSERT_TRUE(other.readUntil(""));
    other.wait();
    EXPECT_THAT(other.output, HasSubstr("Contains " + std::to_string(count) + " series."));
    EXPECT_THAT(other.output, HasSubstr("s0 has 1 observations per year."));
    EXPECT_THAT(other.output, HasSubstr("b.s39 has 1 observations per year."));
}

TEST_F(KillTest, AKillAtAnyMomentLeavesABankThatOpens) {
    std::mt19937 rng(2026);
    for (int round = 0; round < 6; ++round) {
        std::filesystem::remove_all(path("a"));
        std::filesystem::create_directory(path("a"));
        const int count = 200;
        int finished = 0;
        {
            JexProcess jex(binary, path("a"));
            ASSERT_TRUE(jex.started());
            std::string commands = "zap 1990 1 100\n";
            for (int i = 0; i < count; ++i) commands += datacommand(i);
            jex.send(commands);
            // Wait for the echo of a command chosen at random: every command before it has
            // returned. Then kill while later ones run.
            const int seen = 1 + static_cast<int>(rng() % (count - 1));
            ASSERT_TRUE(jex.readUntil(datacommand(seen))) << round;
            jex.killNow();
            finished = seen;  // s0 .. s(seen-1) were stored before s<seen> was echoed
        }
        const int stored = checkbank();
        EXPECT_GE(stored, finished) << round;
        EXPECT_LE(stored, count) << round;
    }
}
