#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/missing.h"
#include "core/printout.h"
#include "platform/scripted_platform.h"

namespace missing_printout_test {

TEST(Missing, IsMissingBounds) {
    struct Case { float x; bool missing; } cases[] = {
        {-0.000001f, true}, {-0.00000105f, true}, {-0.0000012f, false},
        {0.0f, false}, {0.000001f, false}, {-0.00000091f, true},
    };
    for (auto c : cases) EXPECT_EQ(ismissing(c.x), c.missing) << c.x;
    EXPECT_FALSE(ismissing(std::nanf("")));
    std::uint32_t bits;
    std::memcpy(&bits, &MISSING, 4);
    EXPECT_EQ(bits, 0xb58637bdu);
}

TEST(Missing, SafeSqrt) {
    EXPECT_DOUBLE_EQ(safesqrt(4), 2);
    EXPECT_DOUBLE_EQ(safesqrt(0), 0);
    EXPECT_FLOAT_EQ(static_cast<float>(safesqrt(-4)), MISSING);
    EXPECT_FLOAT_EQ(static_cast<float>(safesqrt(-0.000001)), MISSING);
}

TEST(Missing, Limits) {
    EXPECT_NEAR(floatLogMax, 87.49823, 1e-4);
    EXPECT_NEAR(floatLogMin, -85.19565, 1e-4);
    EXPECT_NEAR(doubleLogMax, 709.19620864, 1e-6);
    EXPECT_NEAR(floatLogOfMax, 88.72284, 1e-4);
    EXPECT_NEAR(floatExpMin / 2.7182825e-37f, 1.0, 1e-5);
}

TEST(Jex7ErrorsTest, FormatsAndCuts) {
    Jex7Errors e("in Vector resize function");
    EXPECT_STREQ(e.text(), "Error:  type in Vector resize function.\n");
    std::string longMessage(600, 'x');
    Jex7Errors big(longMessage.c_str());
    std::string expect = ("Error:  type " + longMessage).substr(0, 499);
    EXPECT_EQ(std::string(big.text()), expect);
    Jex7Errors copy = big;
    EXPECT_STREQ(copy.text(), big.text());
}

class PrintoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPendingLine();
        catchFile = std::tmpfile();
        catchOn = 'y';
    }
    void TearDown() override {
        catchOn = 'n';
        std::fclose(catchFile);
        catchFile = nullptr;
        clearPendingLine();
    }
    std::string caught() {
        std::fflush(catchFile);
        std::rewind(catchFile);
        std::string s;
        int c;
        while ((c = std::fgetc(catchFile)) != EOF) s += static_cast<char>(c);
        return s;
    }
    platform::ScopedScriptedPlatform ui;
};

TEST_F(PrintoutTest, PiecesMakeOneLine) {
    printout("abc");
    EXPECT_TRUE(ui.platform.lines.empty());
    printout("def\n");
    ASSERT_EQ(ui.platform.lines.size(), 1u);
    EXPECT_EQ(ui.platform.lines[0], "abcdef");
    EXPECT_EQ(caught(), "abcdef\n");
}

TEST_F(PrintoutTest, LineEndings) {
    struct Case { const char* text; const char* line; } cases[] = {
        {"x\r\n", "x"}, {"x\n", "x"}, {"x\r", "x"}, {"x\r\r", "x"}, {"x\n\r", "x\n"}, {"\n", ""},
    };
    for (auto c : cases) {
        ui.platform.lines.clear();
        printout("%s", c.text);
        ASSERT_EQ(ui.platform.lines.size(), 1u) << c.text;
        EXPECT_EQ(ui.platform.lines[0], c.line);
    }
}

TEST_F(PrintoutTest, InnerLineFeedStaysPending) {
    printout("a\nb");
    EXPECT_TRUE(ui.platform.lines.empty());
    printout("c\n");
    ASSERT_EQ(ui.platform.lines.size(), 1u);
    EXPECT_EQ(ui.platform.lines[0], "a\nbc");
}

TEST_F(PrintoutTest, EarlyPushReachesCatchFileToo) {
    std::string a(450, 'a'), b(60, 'b');
    printout("%s", a.c_str());
    printout("%s", b.c_str());
    ASSERT_EQ(ui.platform.lines.size(), 1u);
    EXPECT_EQ(ui.platform.lines[0], a);
    EXPECT_EQ(pendingLine(), b);
    EXPECT_EQ(caught(), a + "\n");
    clearPendingLine();
    printoutlong("%s", a.c_str());
    printoutlong("%s\n", b.c_str());
    ASSERT_EQ(ui.platform.lines.size(), 2u);
    EXPECT_EQ(ui.platform.lines[1], a + b);
}

TEST_F(PrintoutTest, FirstLongCallPushesEmptyLine) {
    std::string a(600, 'a');
    printout("%s", a.c_str());
    ASSERT_EQ(ui.platform.lines.size(), 1u);
    EXPECT_EQ(ui.platform.lines[0], "");
    EXPECT_EQ(pendingLine(), a);
}

TEST_F(PrintoutTest, OverlongTextIsCutNotOverflowed) {
    std::string a(5000, 'z');
    printoutlong("%s\n", a.c_str());  // cut to the buffer: the line end is lost
    printoutlong("\n");                 // pushes the cut text out, then an empty line
    ASSERT_EQ(ui.platform.lines.size(), 3u);
    EXPECT_EQ(ui.platform.lines[1], std::string(printBufferSize - 1, 'z'));
}

TEST_F(PrintoutTest, Boxes) {
    ui.platform.answers = {"ok", "cancel"};
    EXPECT_EQ(pausebox("go on?", "Pause"), 0);
    EXPECT_EQ(pausebox("go on?", "Pause"), 27);
    EXPECT_EQ(infobox("note"), 0);
    EXPECT_EQ(ui.platform.boxes.back(), "[Jex Message] note");
    EXPECT_EQ(waitkey(), 0);
}

}  // namespace missing_printout_test
