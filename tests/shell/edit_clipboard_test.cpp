// The Edit menu's Cut, Copy and Paste on the command box and the results window, through the
// program's clipboard.
#include <gtest/gtest.h>

#include <string>

#include "platform/clipboard.h"
#include "shell/mainform.h"

namespace edit_clipboard_test {

class EditClipboard : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Main.cmdBox;
        savedResults_ = Main.resultsSelection;
        platform::clipboard().clear();
    }
    void TearDown() override {
        Main.cmdBox = saved_;
        Main.resultsSelection = savedResults_;
        platform::clipboard().clear();
    }
    static void box(const std::string& text, std::size_t start, std::size_t length, bool focused = true) {
        Main.cmdBox.text = text;
        Main.cmdBox.selStart = start;
        Main.cmdBox.selLength = length;
        Main.cmdBox.focused = focused;
    }

private:
    TMain::CommandBox saved_;
    std::string savedResults_;
};

TEST_F(EditClipboard, CommandBoxCutCopyAndPaste) {
    struct Case {
        const char* what;
        const char* text;
        std::size_t start, length;
        const char* clipboardBefore;
        void (TMain::*click)();
        const char* boxAfter;
        std::size_t caretAfter;
        const char* clipboardAfter;
    } cases[] = {
        {"copy", "type gdp", 5, 3, "", &TMain::Copy1Click, "type gdp", 8, "gdp"},
        {"cut", "type gdp", 0, 5, "", &TMain::Cut1Click, "gdp", 0, "type "},
        {"paste over the selection", "ty x", 3, 1, "gdp", &TMain::Paste1Click, "ty gdp", 6, "gdp"},
        {"paste at the caret", "ty ", 3, 0, "gdp", &TMain::Paste1Click, "ty gdp", 6, "gdp"},
        {"copy of nothing empties the clipboard", "ty", 1, 0, "old", &TMain::Copy1Click, "ty", 1, ""},
        {"a selection past the text is held to it", "ty", 1, 50, "", &TMain::Copy1Click, "ty", 2, "y"},
    };
    for (const Case& c : cases) {
        box(c.text, c.start, c.length);
        platform::clipboard().setText(c.clipboardBefore);
        (Main.*c.click)();
        EXPECT_EQ(Main.cmdBox.text, c.boxAfter) << c.what;
        EXPECT_EQ(Main.cmdBox.selStart, c.caretAfter) << c.what;
        EXPECT_EQ(Main.cmdBox.selLength, 0u) << c.what;
        EXPECT_EQ(platform::clipboard().text(), c.clipboardAfter) << c.what;
    }
}

TEST_F(EditClipboard, APasteTakesAt998CharactersAndAnEmptyClipboardPastesNothing) {
    box("", 0, 0);
    Main.Paste1Click();
    EXPECT_EQ(Main.cmdBox.text, "");
    platform::clipboard().setText(std::string(1500, 'p'));
    Main.Paste1Click();
    EXPECT_EQ(Main.cmdBox.text, std::string(998, 'p'));
    EXPECT_EQ(Main.takeCommandBoxText(), std::string(998, 'p'));
    EXPECT_EQ(Main.cmdBox.text, "");
    EXPECT_EQ(Main.cmdBox.selStart, 0u);
}

TEST_F(EditClipboard, WithoutTheFocusTheResultsSelectionIsCopiedAndNothingIsPasted) {
    box("ty", 0, 2, false);
    Main.resultsSelection = std::string(20000, 'r');
    Main.Copy1Click();
    EXPECT_EQ(platform::clipboard().text().size(), 16383u);
    Main.Paste1Click();
    EXPECT_EQ(Main.cmdBox.text, "ty");
    Main.resultsSelection = "line";
    Main.Cut1Click();
    EXPECT_EQ(platform::clipboard().text(), "line");
    EXPECT_EQ(Main.resultsSelection, "");
    EXPECT_EQ(Main.cmdBox.text, "ty");
}

}  // namespace edit_clipboard_test
