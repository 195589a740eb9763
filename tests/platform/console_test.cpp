// The console's results window: each line goes to standard output with its line breaks
// ("\r\n" or a lone "\r") made plain "\n", so that no carriage return reaches the output.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace console_test {

TEST(ConsoleResults, LineBreaksInsideALineBecomeNewlines) {
    platform::install(nullptr);  // the console implementation
    struct Case {
        std::string line;
        std::string shown;
    } cases[] = {
        {"", "\n"},
        {"plain text", "plain text\n"},
        {"\r\nExpression nested too deeply", "\nExpression nested too deeply\n"},
        {"a\r\nb\r\nc", "a\nb\nc\n"},
        {"a\rb", "a\nb\n"},
        {"a\r", "a\n\n"},
        {"a\r\n", "a\n\n"},
        {"\r\r\n\r", "\n\n\n\n"},
        {std::string("nul\0inside", 10), std::string("nul\0inside\n", 11)},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        platform::current().appendResultsLine(c.line);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.shown) << c.line;
    }
}

}  // namespace console_test
