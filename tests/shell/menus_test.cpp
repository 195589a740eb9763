#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/bank_dialogs.h"
#include "platform/scripted_platform.h"
#include "shell/mainform.h"
#include "shell/menu_handlers.h"
#include "tests/shell/command_fixture.h"

namespace menus_test {

TEST(BankNames, TheExtensionStartsAtTheFirstPointOfTheFileName) {
    struct Case {
        const char* name;
        std::size_t point;
    } cases[] = {
        {"us.bnk", 2},          {"Data.BNK", 4},       {"a.b.cbk", 1},
        {"proj.v2/us.bnk", 10}, {"proj.v2/us", std::string::npos},
        {"proj.v2\\us.hbk", 10}, {"us", std::string::npos}, {"/x.y/z/", std::string::npos},
    };
    for (const Case& c : cases) EXPECT_EQ(extensionpoint(c.name), c.point) << c.name;
}

class MenuHandlers : public CommandFixture {};

TEST_F(MenuHandlers, TheAssignDialogBuildsItsCommandsFromTheFileName) {
    platform::ScopedScriptedPlatform scripted;
    TAssignBank2 d;
    d.FormActivate();
    d.rows[1].BankFileNameChange("Data.BNK");
    d.rows[2].BankFileNameChange("proj.v2/us");       // no extension in the file name
    d.rows[3].BankFileNameChange("proj.v2/old.cbk");
    std::vector<std::string> run;
    EXPECT_EQ(d.applyOK([&](const std::string& line) {
        run.push_back(line);
        return 0;
    }),
              0);
    EXPECT_EQ(run, (std::vector<std::string>{"bank Data b", "cbk proj.v2/old d"}));
    ASSERT_EQ(scripted.platform.boxes.size(), 1u);
    EXPECT_EQ(scripted.platform.boxes[0], "[Error] Error:  Bank name must include extension.");
}

TEST_F(MenuHandlers, AWorkspaceNameWithoutExtensionIsRefusedBeforeAnyCommand) {
    platform::ScopedScriptedPlatform scripted;
    std::filesystem::create_directory("proj.v2");
    scripted.platform.answers = {"proj.v2/ws"};
    Workspace1Click();
    ASSERT_EQ(scripted.platform.boxes.size(), 1u);
    EXPECT_EQ(scripted.platform.boxes[0], "[Error] Error:  Bank name must include extension.");
    EXPECT_EQ(scripted.platform.text(), "");
    EXPECT_FALSE(std::filesystem::exists("proj.v2/ws.bnk"));
    EXPECT_FALSE(std::filesystem::exists("proj.bnk"));
}

TEST_F(MenuHandlers, LookRefusesWhatIsNotALowerCaseLetterAndEndsAnAddFile) {
    platform::ScopedScriptedPlatform scripted;
    for (const char* word : {"A", "?", "1", "ab"}) {
        scripted.platform.lines.clear();
        EXPECT_EQ(script(std::string("look ") + word + "\ntext reached\n"), -1) << word;
        EXPECT_EQ(scripted.platform.text(), "Use one letter to represent the bank.\n") << word;
    }
}

TEST_F(MenuHandlers, HelpWithoutItsFileShowsTheBoxAndFails) {
    platform::ScopedScriptedPlatform scripted;
    const std::string saved = Main.helpFilePath;
    Main.helpFilePath = (std::filesystem::current_path() / "Jex7Help.chm").string();
    write("Jex7Help.chm", "");
    EXPECT_EQ(typed("help"), statusTyped);
    EXPECT_EQ(scripted.platform.text(), "Cannot open on this system: " + Main.helpFilePath + "::/index.html\n");
    std::filesystem::remove(Main.helpFilePath);
    scripted.platform.lines.clear();
    EXPECT_EQ(script("h\ntext reached\n"), -1);
    EXPECT_EQ(scripted.platform.text(), "");
    ASSERT_EQ(scripted.platform.boxes.size(), 1u);
    EXPECT_EQ(scripted.platform.boxes[0], "[Jex Message] Jex7 help file ((char*)" + Main.helpFilePath + ") not found.");
    Main.helpFilePath = saved;
}

TEST_F(MenuHandlers, WithoutATerminalTheConsoleItemNamesTheShellOrSaysItHasNone) {
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) GTEST_SKIP() << "a terminal would run the shell";
    platform::ScopedScriptedPlatform scripted;
    const char* old = std::getenv("SHELL");
    const std::string saved = old ? old : "";
    write("myshell", "");
    const std::string present = (std::filesystem::current_path() / "myshell").string();
    setenv("SHELL", present.c_str(), 1);
    EXPECT_EQ(typed("dos"), statusTyped);
    EXPECT_EQ(scripted.platform.text(), "Cannot open on this system: " + present + "\n");
    EXPECT_TRUE(scripted.platform.boxes.empty());
    scripted.platform.lines.clear();
    setenv("SHELL", (std::filesystem::current_path() / "none").c_str(), 1);
    DOS1Click();
    EXPECT_EQ(scripted.platform.text(),
              "The command.com program cannot be found.\nPlease report this problem to Norvane.\n");
    ASSERT_EQ(scripted.platform.boxes.size(), 1u);
    EXPECT_EQ(scripted.platform.boxes[0], "[Error] Cannot launch console");
    if (old) setenv("SHELL", saved.c_str(), 1);
    else unsetenv("SHELL");
}

}  // namespace menus_test
