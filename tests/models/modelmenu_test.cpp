// The Model and Regression menus reached by their "::" paths: model.bat written once and run,
// the master file in an editor, the express tables with the named groups closed around the tool, the run dialog chosen by
// the model-run interface, the tables dialog's opening choice and the regression settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "models/modelmenu.h"
#include "models/tables.h"
#include "shell/mainform.h"
#include "shell/menu.h"
#include "tests/models/model_test_util.h"
#include "vam/groups.h"
#include "views/editor.h"

namespace modelmenu_test {

class ModelMenuTest : public ModelDialogTest {
protected:
    void TearDown() override {
        discardeditors();
        closegrouphome();
        Main.modelInterface = 0;
        ModelDialogTest::TearDown();
    }
    // The caption line of the last form shown.
    std::string lastForm() {
        const std::string& f = screen.platform.forms.back();
        return f.substr(0, f.find('\n'));
    }
};

TEST_F(ModelMenuTest, BuildMacroModelWritesModelBatOnceAndRunsIt) {
    runmenupath("Model/Build Macro Model");
    EXPECT_EQ(slurp("model.bat"), "cls;\r\npath c:\\kvt;" + std::string(compilerToolsDir) +
                                      ";%PATH%;\r\nbuild master\r\nmake -frun.bpr\r\npause\r\n");
    EXPECT_EQ(runs, std::vector<std::string>{"model.bat"});
    EXPECT_EQ(modes, std::vector<RunMode>{RunMode::spawn});

    spit("model.bat", "my own build\n");
    runmenupath("Model/Build Macro Model");
    EXPECT_EQ(slurp("model.bat"), "my own build\n");
    EXPECT_EQ(runs.size(), 2u);

    // model.bat cannot be written: said, and nothing runs.
    std::filesystem::remove("model.bat");
    std::filesystem::create_directory("model.bat");
    runmenupath("Model/Build Macro Model");
    EXPECT_EQ(screen.platform.text(), "Could not open model.bat.\n");
    EXPECT_EQ(runs.size(), 2u);
}

TEST_F(ModelMenuTest, ExpressTablesClosesTheGroupsAroundTabrun) {
    runmenupath("Model/Express Tables - Run Tabrun.bat");
    ASSERT_EQ(screen.platform.boxes.size(), 1u);
    EXPECT_EQ(screen.platform.boxes[0], "[Error] Error:  No Tabrun.bat file present.");
    EXPECT_TRUE(runs.empty());

    spit("tabrun.bat", "compare tables.in\r\n");
    spit("groups.bin", encodegroups({}));
    opengrouphome();
    bool closedWhileRunning = false;
    onRun = [&](const std::string&) {
        closedWhileRunning = groupHome == nullptr;
        spit("groups.bin", encodegroups({{"made", {1, 2}}, {"more", {3}}}));
    };
    runmenupath("Model/Express Tables - Run Tabrun.bat");
    EXPECT_EQ(runs, std::vector<std::string>{"tabrun.bat"});
    EXPECT_TRUE(closedWhileRunning);
    EXPECT_EQ(namedgroupcount(), 2);
}

TEST_F(ModelMenuTest, RunOrbModelFollowsTheInterfaceAndTablesOpensOnTheSecondChoice) {
    Main.modelInterface = 1;
    runmenupath("Model/Run Orb Model");
    EXPECT_EQ(lastForm(), "[Orrery Run Specification]");
    Main.modelInterface = 0;
    runmenupath("Model/Run Orb Model");
    EXPECT_EQ(lastForm(), "[OryRun]");

    // No display choice made: the second; a choice made is kept.
    TablesFm().setDisplay(-1);
    runmenupath("Model/Tables - Configure and Run");
    EXPECT_EQ(TablesFm().display(), 1);
    EXPECT_NE(screen.platform.forms.back().find("(*) Differences from bank 1"), std::string::npos);
    TablesFm().setDisplay(2);
    runmenupath("Model/Tables - Configure and Run");
    EXPECT_EQ(TablesFm().display(), 2);
}

TEST_F(ModelMenuTest, RegressionSettingsShowsTheDialog) {
    runmenupath("Regression/Settings");
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_EQ(screen.platform.boxes.front().substr(0, 32), "[Regression Settings] Start fit ");
}

TEST_F(ModelMenuTest, EditMasterFileOpensMasterInAnEditor) {
    spit("master", "model text\r\n");
    runmenupath("Model/Edit Master File");
    std::vector<TEditForm*> open = registeredEditors();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0]->PathName, (std::filesystem::current_path() / "master").string());
    EXPECT_EQ(open[0]->Editor.bytes(), "model text\r\n");
    EXPECT_FALSE(open[0]->Editor.modified());
    // Chosen again, the window that has it comes forward: no second one.
    runmenupath("Model/Edit Master File");
    EXPECT_EQ(registeredEditors().size(), 1u);
    discardeditors();
}

}  // namespace modelmenu_test
