// The shell services the command chains call: pwd, cd, version, the main window's start-up
// settings, clearing the results window and the shut-down.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "interp/switches.h"
#include "shell/mainform.h"
#include "shell/shell_commands.h"
#include "shell/version.h"
#include "tests/shell/command_fixture.h"

namespace shell_test {

namespace {

class Shell : public CommandFixture {};

std::string pwdLine(const std::filesystem::path& p) {
    return "Your present working directory is " + p.string() + "\n\n";
}

TEST_F(Shell, PwdPrintsTheCurrentDirectory) {
    pwdcmd();
    EXPECT_EQ(results(), pwdLine(std::filesystem::current_path()));
}

TEST_F(Shell, CdChangesRecordsAndPrints) {
    std::filesystem::create_directories("my dir/inner");
    auto target = std::filesystem::canonical("my dir");
    // Leading blanks skipped, blanks inside kept, trailing blanks and the comment dropped.
    EXPECT_EQ(typed("cd    my dir   # a comment"), statusTyped);
    EXPECT_EQ(std::filesystem::current_path(), target);
    EXPECT_EQ(std::string(workingDirectory), target.string());
    EXPECT_EQ(results(), pwdLine(target));
    clearResults();
    // Backslashes stand for slashes.
    EXPECT_EQ(script("cd inner\\\ntext after\n"), 0);
    EXPECT_EQ(std::filesystem::current_path(), target / "inner");
    EXPECT_EQ(results(), pwdLine(target / "inner") + "after\n");
}

TEST_F(Shell, CdToAMissingDirectoryChangesNothing) {
    auto before = std::filesystem::current_path();
    EXPECT_EQ(typed("cd nowhere"), statusTyped);
    EXPECT_EQ(std::filesystem::current_path(), before);
    EXPECT_EQ(results(), "Invalid directory: nowhere\n" + pwdLine(before));
}

TEST_F(Shell, CdWithoutADirectoryPrintsItsUsage) {
    EXPECT_EQ(typed("cd   "), statusTyped);
    EXPECT_EQ(results(),
              "\ncd command:  cd <directory>\nto change directories.\n"
              "Related command:  \"pwd\" prints the working directory.\n");
}

TEST_F(Shell, CdKeepsAtMost99CharactersAndDropsTheRest) {
    std::string name(99, 'd');
    std::filesystem::create_directories(name);
    EXPECT_EQ(script("cd " + name + "EXTRA\ntext after\n"), 0);
    EXPECT_EQ(std::filesystem::current_path().filename().string(), name);
    EXPECT_NE(results().find("after\n"), std::string::npos);
}

TEST_F(Shell, VersionPrintsTheVersionText) {
    EXPECT_EQ(typed("vers"), statusTyped);
    EXPECT_EQ(results(), "Jex7: Version 7.4150\nBuild Date: January 17, 2024.\n");
}

TEST_F(Shell, FormCreateSetsTheStartUpValues) {
    mainFont.size = 99;
    autoComplete = false;
    std::strcpy(currentTitle, "old");
    commandCache = {"x"};
    printout("half a line");
    mainformcreate();
    EXPECT_EQ(pendingLine(), "");
    EXPECT_EQ(mainFont.name, "Fixedsys");
    EXPECT_EQ(mainFont.size, 9);
    EXPECT_EQ(mainFont.color, 65535);
    EXPECT_EQ(mainColor, 16711680);
    EXPECT_FALSE(mainFont.bold);
    EXPECT_EQ(editorFont.name, "Courier");
    EXPECT_EQ(editorFont.size, 8);
    EXPECT_TRUE(autoComplete);
    EXPECT_TRUE(mainAutoFontSize);
    EXPECT_STREQ(currentTitle, "");
    EXPECT_TRUE(commandCache.empty());
    EXPECT_NE(shutdownHandler, nullptr);
    EXPECT_EQ(std::string(workingDirectory), std::filesystem::current_path().string());
}

TEST_F(Shell, ClearEmptiesTheResultsWindow) {
    Main.Clearresults1Click();
    EXPECT_EQ(clears(), 1);
}

TEST_F(Shell, ShutdownClosesTheOutputFiles) {
    EXPECT_EQ(typed("save s.sav"), statusTyped);
    EXPECT_EQ(typed("catch c.txt"), statusTyped);
    EXPECT_EQ(typed("text kept"), statusTyped);
    EXPECT_EQ(shutdown(), 0);
    EXPECT_EQ(saveOn, 'n');
    EXPECT_EQ(saveFile, nullptr);
    EXPECT_EQ(catchOn, 'n');
    EXPECT_EQ(catchFile, nullptr);
    EXPECT_EQ(read("s.sav"), "kept\n");
}

}  // namespace

}  // namespace shell_test
