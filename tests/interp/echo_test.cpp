// The echo, copy and switch commands: the save, catch, annsave and rhosave files, addprint,
// ic, text, cc/id, second, title, vaxtitle and autoprint.
#include <gtest/gtest.h>

#include <string>

#include "interp/echo_commands.h"
#include "interp/switches.h"
#include "tests/shell/command_fixture.h"

namespace echo_test {

namespace {

class Echo : public CommandFixture {};

// Line breaks inside a printed text stay in the one results line.
const char* const saveFormat = "\r\nFormat is \r\n save [-a|-w] <filename | off> \n";

TEST_F(Echo, SaveTypeIsKeptUntilSaveOff) {
    EXPECT_EQ(typed("save out.sav gf"), statusTyped);
    EXPECT_EQ(saveOn, 'y');
    EXPECT_STREQ(saveType, "gf");
    EXPECT_EQ(saveTypeGiven, 'y');
    EXPECT_EQ(saveFilePath, (dir() / "out.sav").string());
    EXPECT_EQ(typed("save other.sav"), statusTyped);
    EXPECT_STREQ(saveType, "gf");
    EXPECT_EQ(saveFilePath, (dir() / "other.sav").string());
    EXPECT_EQ(typed("save other.sav bogus"), statusTyped);
    EXPECT_EQ(results(), "bogus not a valid type.  Ignored.\n");
    EXPECT_STREQ(saveType, "gf");
    EXPECT_EQ(typed("save off"), statusTyped);
    EXPECT_EQ(saveOn, 'n');
    EXPECT_EQ(saveFile, nullptr);
    EXPECT_STREQ(saveType, "update");
    EXPECT_EQ(saveTypeGiven, 'n');
    EXPECT_EQ(saveFilePath, "");
}

TEST_F(Echo, OffWhenNothingIsOpen) {
    EXPECT_EQ(typed("save off"), statusTyped);
    EXPECT_EQ(typed("catch off"), statusTyped);
    EXPECT_EQ(results(), "Saving is not on.\nCatching was not on.\n");
}

TEST_F(Echo, SaveFormatErrors) {
    for (const char* line : {"save -x out.sav", "save", "save 12", "save - out.sav",
                             "save -a 5"}) {
        clearResults();
        EXPECT_EQ(typed(line), -1) << line;
        EXPECT_EQ(results(), saveFormat) << line;
        EXPECT_EQ(saveOn, 'n') << line;
    }
    clearResults();
    EXPECT_EQ(typed("catch -q c.txt"), -1);
    EXPECT_EQ(results(), "\r\nFormat is \r\n catch [-a | -w] <filename | off> \n");
}

TEST_F(Echo, SaveAppendsWithAnOptionOfWhichOnlyTheFirstLetterCounts) {
    write("out.sav", "old line\n");
    EXPECT_EQ(typed("save -append out.sav"), statusTyped);
    EXPECT_EQ(typed("text new line"), statusTyped);
    EXPECT_EQ(typed("save off"), statusTyped);
    EXPECT_EQ(read("out.sav"), "old line\nnew line\n");
    EXPECT_EQ(typed("save -w out.sav"), statusTyped);
    EXPECT_EQ(typed("text fresh"), statusTyped);
    EXPECT_EQ(typed("save off"), statusTyped);
    EXPECT_EQ(read("out.sav"), "fresh\n");
    EXPECT_EQ(results(), "");
}

TEST_F(Echo, SaveThatCannotOpenLeavesSavingOffAndTheOldFileClosed) {
    std::filesystem::create_directory("adir");  // a directory cannot be opened for writing
    EXPECT_EQ(typed("save good.sav"), statusTyped);
    EXPECT_EQ(typed("save adir"), -1);
    EXPECT_EQ(results(), "Cannot open adir for saving.\n");
    EXPECT_EQ(saveOn, 'n');
    EXPECT_EQ(saveFile, nullptr);
    EXPECT_EQ(saveFilePath, "");
    // Nothing writes into the closed file: text goes to the results window.
    clearResults();
    EXPECT_EQ(typed("text shown"), statusTyped);
    EXPECT_EQ(results(), "shown\n");
    EXPECT_EQ(read("good.sav"), "");
}

TEST_F(Echo, CatchFileReceivesThePrintedLines) {
    EXPECT_EQ(typed("catch c.txt"), statusTyped);
    EXPECT_EQ(catchOn, 'y');
    EXPECT_EQ(typed("text hello"), statusTyped);
    EXPECT_EQ(typed("ic  a comment"), statusTyped);
    EXPECT_EQ(typed("catch off"), statusTyped);
    EXPECT_EQ(read("c.txt"), "hello\n  a comment\n\r\n");
    EXPECT_EQ(results(), "hello\n  a comment\nCatching is now off.\n");
    EXPECT_EQ(catchOn, 'n');
    EXPECT_EQ(catchFile, nullptr);
    // -a appends to what is there.
    EXPECT_EQ(typed("catch -a c.txt"), statusTyped);
    EXPECT_EQ(typed("text more"), statusTyped);
    EXPECT_EQ(typed("catch off"), statusTyped);
    EXPECT_EQ(read("c.txt"), "hello\n  a comment\n\r\nmore\n\r\n");
}

TEST_F(Echo, CatchThatCannotOpenSaysSoAndTurnsCatchingOff) {
    EXPECT_EQ(typed("catch first.txt"), statusTyped);
    EXPECT_EQ(typed("catch \"nodir/c.txt\""), statusTyped);  // status stays 0
    EXPECT_EQ(results(), "\nError:  Cannot open nodir/c.txt for catching.\n");
    EXPECT_EQ(catchOn, 'n');
    EXPECT_EQ(catchFile, nullptr);
    clearResults();
    EXPECT_EQ(typed("text after"), statusTyped);
    EXPECT_EQ(typed("catch off"), statusTyped);
    EXPECT_EQ(results(), "after\nCatching was not on.\n");
    EXPECT_EQ(read("first.txt"), "");
}

TEST_F(Echo, AnnsaveAndRhosave) {
    EXPECT_EQ(typed("annsave a.ann"), statusTyped);
    EXPECT_EQ(annSaveOn, 'y');
    EXPECT_EQ(typed("vaxtitle Billions of dollars"), statusTyped);
    EXPECT_EQ(typed("annsave off"), statusTyped);
    EXPECT_EQ(annSaveOn, 'n');
    EXPECT_EQ(annSaveFile, nullptr);
    EXPECT_EQ(read("a.ann"), "vaxtitle Billions of dollars\n");

    EXPECT_EQ(typed("rhosave r.txt"), statusTyped);
    EXPECT_EQ(rhoSaveOn, 'y');
    ASSERT_NE(rhoSaveFile, nullptr);
    EXPECT_EQ(typed("rhosave off"), statusTyped);
    EXPECT_EQ(rhoSaveOn, 'n');
    EXPECT_EQ(rhoSaveFile, nullptr);
    EXPECT_EQ(results(), "");

    EXPECT_EQ(typed("annsave \"a.ann\""), -1);  // quoted text is no file name here
    std::filesystem::create_directory("adir");
    EXPECT_EQ(typed("rhosave adir"), -1);
    EXPECT_EQ(rhoSaveOn, 'n');
    EXPECT_EQ(rhoSaveFile, nullptr);
    EXPECT_EQ(results(), "Usage:  annsave <filename | off>\nCannot open adir for saving.\n");
}

struct SwitchCase {
    const char* line;
    int status;
    int addPrintAfter;
    const char* output;
};

TEST_F(Echo, AddprintSetsTheEchoSwitch) {
    const SwitchCase cases[] = {
        {"addprint no", statusTyped, 0, "\r\naddprint is 0\n"},
        {"addprint Yes", statusTyped, 1, "\r\naddprint is 1\n"},
        {"addprint N", statusTyped, 0, "\r\naddprint is 0\n"},
        {"addtype whatever", statusTyped, 1, "\r\naddprint is 1\n"},
        {"addprint 0", -1, 1,
         "\nAddprint is set to \"yes.\"\r\nFormat is \r\n addprint <y | n>\n"},
        {"addp", statusTyped, 1,
         "\nAddprint is set to \"yes.\"\r\nFormat is \r\n addprint <y | n>\n"},
    };
    for (const SwitchCase& c : cases) {
        clearResults();
        EXPECT_EQ(typed(c.line), c.status) << c.line;
        EXPECT_EQ(addPrint, c.addPrintAfter) << c.line;
        EXPECT_EQ(results(), c.output) << c.line;
    }
}

TEST_F(Echo, AutoprintAndSecond) {
    EXPECT_EQ(typed("autoprint yes"), statusTyped);
    EXPECT_EQ(autoPrint, 'y');
    EXPECT_EQ(typed("autop n"), statusTyped);
    EXPECT_EQ(autoPrint, 'n');
    EXPECT_EQ(typed("autoprint 1"), -1);
    EXPECT_EQ(typed("autoprint Yes"), -1);
    EXPECT_EQ(autoPrint, 'n');
    EXPECT_EQ(results(), "Usage is\n  autoprint  <y|n>\nUsage is\n  autoprint  <y|n>\n");

    EXPECT_EQ(typed("second"), statusTyped);
    EXPECT_EQ(secondMode, 'y');
    EXPECT_EQ(typed("second off"), statusTyped);
    EXPECT_EQ(secondMode, 'n');
    EXPECT_EQ(typed("second on"), statusTyped);
    EXPECT_EQ(secondMode, 'y');
}

TEST_F(Echo, IcPrintsOrSavesTheCommentWithItsLeadingBlank) {
    EXPECT_EQ(typed("ic a note"), statusTyped);
    EXPECT_EQ(results(), " a note\n");
    EXPECT_EQ(typed("save s.sav"), statusTyped);
    EXPECT_EQ(typed("ic a note"), statusTyped);
    EXPECT_EQ(typed("save off"), statusTyped);
    EXPECT_EQ(read("s.sav"), "# a note\n");
}

TEST_F(Echo, IcKeepsAtMost499Characters) {
    std::string longText(600, 'x');
    EXPECT_EQ(script("ic " + longText + "\ntext next\n"), 0);
    // the blank after ic and 498 x's
    EXPECT_EQ(results(), " " + std::string(498, 'x') + "\nnext\n");
}

TEST_F(Echo, TextCases) {
    EXPECT_EQ(typed("text"), statusTyped);
    EXPECT_EQ(results(), "");
    EXPECT_EQ(typed("text  two blanks"), statusTyped);
    EXPECT_EQ(results(), " two blanks\n");
    clearResults();
    // %-sequences are expanded quietly.
    EXPECT_EQ(typed("text 100%% sure"), statusTyped);
    EXPECT_EQ(results(), "100% sure\n");
    clearResults();
    // The last line of a file needs no line end.
    EXPECT_EQ(script("text last line without end"), 0);
    EXPECT_EQ(results(), "last line without end\n");
    clearResults();
    // The longest line the reader delivers is printed as one line.
    std::string longText(2983, 'y');
    EXPECT_EQ(script("text " + longText + "\n"), 0);
    EXPECT_EQ(results(), longText + "\n");
}

TEST_F(Echo, CcWithSavingOffDropsTheWholeStatement) {
    EXPECT_EQ(script("cc x = a +\n  b +\n  c\ntext after\n"), 0);
    EXPECT_EQ(results(), "after\n");
}

TEST_F(Echo, CcAndIdCopyTheWholeLineToTheSaveFile) {
    EXPECT_EQ(typed("save s.sav"), statusTyped);
    EXPECT_EQ(typed("cc f x = y + 1"), statusTyped);
    EXPECT_EQ(script("id copied from a file\ntext after\n"), 0);
    EXPECT_EQ(typed("save off"), statusTyped);
    EXPECT_EQ(read("s.sav"), "cc f x = y + 1\nid copied from a file\nafter\n");
}

TEST_F(Echo, TitleKeeps89CharactersAndTheNextLineIsReadNormally) {
    std::string title(95, 't');
    EXPECT_EQ(script("title " + title + "\ntext next\n"), 0);
    EXPECT_EQ(std::string(currentTitle), std::string(89, 't'));
    EXPECT_EQ(results(), "next\n");
    EXPECT_EQ(typed("title   Gross output   "), statusTyped);
    EXPECT_STREQ(currentTitle, "Gross output");
    EXPECT_EQ(typed("ti"), statusTyped);
    EXPECT_STREQ(currentTitle, "");
}

TEST_F(Echo, VaxtitleOf39CharactersIsKeptWhole) {
    std::string text(39, 'v');
    EXPECT_EQ(script("vaxtitle " + text + "\ntext next\n"), 0);
    EXPECT_EQ(std::string(vaxTitle), text);
    EXPECT_EQ(results(), "next\n");
    std::string longer(45, 'w');
    EXPECT_EQ(script("vaxtitle " + longer + "\ntext next\n"), 0);
    EXPECT_EQ(std::string(vaxTitle), std::string(40, 'w'));
}

// The copy stops at the first '%', and the next statement in the file still starts a line.
TEST_F(Echo, TitleIsCopiedToTheSaveFileUpToTheFirstPercent) {
    EXPECT_EQ(typed("save s.sav"), statusTyped);
    EXPECT_EQ(typed("annsave a.ann"), statusTyped);
    EXPECT_EQ(typed("title Output 100%% real"), statusTyped);
    EXPECT_EQ(typed("title Plain"), statusTyped);
    EXPECT_EQ(typed("vaxtitle Per cent %%"), statusTyped);
    EXPECT_EQ(typed("text next"), statusTyped);
    EXPECT_EQ(typed("save off"), statusTyped);
    EXPECT_EQ(typed("annsave off"), statusTyped);
    EXPECT_STREQ(currentTitle, "Plain");
    EXPECT_STREQ(vaxTitle, "Per cent %");
    EXPECT_EQ(read("s.sav"), "title Output 100\ntitle Plain\nnext\n");
    EXPECT_EQ(read("a.ann"), "title Output 100\ntitle Plain\nvaxtitle Per cent \n");
}

}  // namespace

}  // namespace echo_test
