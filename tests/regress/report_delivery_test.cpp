// The regression's report reaches a results window that is a pipe as soon as the command
// ends, although its lines are written together: the jex program is fed through a pipe that
// stays open (it waits for its next command), and every line of the report, then the output
// of the next command, must arrive in order. Runs the jex binary built beside the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/jex_process.h"

namespace report_delivery_test {

namespace {

using jextest::JexProcess;
using jextest::jexbinary;

class ReportDelivery : public ::testing::Test {
protected:
    void SetUp() override {
        binary = jexbinary();
        if (binary.empty()) GTEST_SKIP() << "the jex program is not built beside the tests";
        char pattern[] = "/tmp/jexreportXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    std::string binary, dir;
};

TEST_F(ReportDelivery, WholeReportArrivesWhileTheProgramWaitsForInput) {
    JexProcess jex(binary, dir);
    ASSERT_TRUE(jex.started());
    jex.send("zap 1990 1 20\n"
             "data x1 1990 10.0 12.4 13.6 14.7 17.3 18.5 22.1 26.0 25.3 27.1 ;\n"
             "data y 1990 16.5 22.3 20.0 23.1 32.0 32.7 39.9 47.1 46.2 46.8 ;\n"
             "limits 1990 1999\n"
             "r y = x1\n");
    // The input stays open: the program now waits for its next command, with the report
    // written.
    ASSERT_TRUE(jex.readUntil("  2 x1 ", 30)) << jex.output;
    jex.send("text after the report\n");
    ASSERT_TRUE(jex.readUntil("\nafter the report", 30)) << jex.output;
    const std::string& out = jex.output;
    const char* lines[] = {"  SEE   =", "  SEE+1 =", "  MAPE  =", "    Variable name", "  0 y ",
                           "  1 intercept ", "  2 x1 ", "\n\n", "text after the report\n",
                           "\nafter the report\n"};
    std::size_t at = out.find("r y = x1");
    ASSERT_NE(at, std::string::npos) << out;
    for (const char* line : lines) {
        const std::size_t found = out.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << out;
        at = found;
    }
    jex.endInput();
    jex.readUntil("", 30);
    EXPECT_EQ(jex.wait(), 0);
}

}  // namespace

}  // namespace report_delivery_test
