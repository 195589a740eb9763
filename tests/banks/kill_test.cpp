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
#include "tests/jex_process.h"

namespace kill_test {

using ::testing::HasSubstr;

namespace {

using jextest::JexProcess;
using jextest::jexbinary;

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

}  // namespace kill_test
