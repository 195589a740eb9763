// The geometry rules of the windows, the options dialog, the folder selection, the small
// forms and the print spool, driven through the scripted platform's answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/printspool.h"
#include "regress/regress_state.h"
#include "regress/settings_commands.h"
#include "shell/dialogs.h"
#include "shell/menu.h"
#include "tests/shell/command_fixture.h"

namespace dialogs_test {

namespace {

TEST(Geometry, FitOnScreenKeepsAStripOfTheFormOnTheWorkArea) {
    struct Case { Bounds in; Bounds out; } cases[] = {
        {{100, 5, 50, 50}, {100, 10, 50, 50}},           // too low: 10 high
        {{100, 10, 50, 50}, {100, 10, 50, 50}},          // 10 high stays
        {{2000, 900, 0, 0}, {1024, 768, 0, 0}},          // larger than the work area
        {{100, 100, 800, 1500}, {100, 100, 758, 1014}},  // below and right of it
        {{100, 100, -500, -500}, {100, 100, -90, -90}},  // above and left by more than its size
        {{100, 100, -90, -90}, {100, 100, -90, -90}},    // a 10-pixel strip inside stays
        {{100, 100, 758, 1014}, {100, 100, 758, 1014}},
    };
    for (const Case& c : cases) {
        Bounds b = c.in;
        fitonscreen(b, 1024, 768);
        EXPECT_EQ(b.width, c.out.width);
        EXPECT_EQ(b.height, c.out.height);
        EXPECT_EQ(b.top, c.out.top);
        EXPECT_EQ(b.left, c.out.left);
    }
}

TEST(Geometry, WindowSizesAndFontSizesAtTheirEdges) {
    struct Size { int screen, height, width; } sizes[] = {{1024, 729, 581}, {800, 570, 454}, {1600, 1140, 908}};
    for (const Size& s : sizes) {
        Bounds b = mainwindowsize(s.screen);
        EXPECT_EQ(b.height, s.height) << s.screen;
        EXPECT_EQ(b.width, s.width) << s.screen;
    }
    struct Font { int width, points; } fonts[] = {{599, 7}, {600, 8}, {699, 8}, {700, 10}, {779, 10}, {780, 12}};
    for (const Font& f : fonts) EXPECT_EQ(autofontsize(f.width), f.points) << f.width;
    TJex7OptionFm options;
    options.width = 40;
    options.FormResize();
    EXPECT_EQ(options.pagesWidth, 50);
    options.width = 400;
    options.FormResize();
    EXPECT_EQ(options.pagesWidth, 385);
}

class ShellDialogs : public CommandFixture {};

TEST_F(ShellDialogs, TheOptionsActAtOnceOnTheMainWindow) {
    platform::ScopedScriptedPlatform scripted;
    autoComplete = true;
    setregzip(false);
    Main.modelInterface = 0;
    scripted.platform.answers = {"Automatic Completion", "Zip", "Norvane Style", "Done"};
    showoptions();
    EXPECT_FALSE(autoComplete);
    EXPECT_TRUE(mainRegZipChecked);
    EXPECT_EQ(regZip, 'y');
    EXPECT_EQ(Main.modelInterface, 1);
    // Reopened, the dialog shows the state it left.
    scripted.platform.answers = {"Zip", "OryRunType=-1", "Done"};
    showoptions();
    EXPECT_NE(scripted.platform.forms.back().find("[ ] Automatic Completion"), std::string::npos);
    EXPECT_EQ(regZip, 'n');
    EXPECT_EQ(Main.modelInterface, 1);  // no item selected changes nothing
    autoComplete = true;
}

TEST_F(ShellDialogs, CancellingTheFontOrColourDialogLeavesTheResultsWindowAlone) {
    platform::ScopedScriptedPlatform scripted;
    mainformcreate();
    scripted.platform.answers = {"Change Output Window Font", "FontName=Arial", "FontSize=20", "Cancel",
                                 "Change Background Color", "Color=255", "Cancel", "Done"};
    showoptions();
    EXPECT_EQ(mainFont.name, "Fixedsys");
    EXPECT_EQ(mainColor, 16711680);
    scripted.platform.answers = {"Change Output Window Font", "FontName=Arial", "FontSize=20", "OK",
                                 "Change Background Color", "Color=255", "OK", "Done"};
    showoptions();
    EXPECT_EQ(mainFont.name, "Arial");
    EXPECT_EQ(mainFont.size, 20);
    EXPECT_EQ(mainColor, 255);
}

TEST_F(ShellDialogs, PrinterSetUpOrientationGoesWithPrintJobs) {
    platform::ScopedScriptedPlatform scripted;
    printerOrientation = Orientation::portrait;
    scripted.platform.answers = {"Landscape", "Cancel"};
    printersetupdialog();
    EXPECT_EQ(printerOrientation, Orientation::portrait);
    scripted.platform.answers = {"Landscape", "OK"};
    printersetupdialog();
    EXPECT_EQ(printerOrientation, Orientation::landscape);
    printerOrientation = Orientation::portrait;

    std::ofstream("jexprint1.txt") << "taken";
    platform::PrintJob job;
    job.title = "My graph";
    job.content = std::string("\x01\x00\x09\x00", 4);
    EXPECT_EQ(platform::spoolPrintJob(job), "jexprint1.wmf");
    job.text = true;
    job.content = "line\n";
    EXPECT_EQ(platform::spoolPrintJob(job), "jexprint2.txt");
    ASSERT_EQ(scripted.platform.notices.size(), 2u);
    EXPECT_EQ(scripted.platform.notices[0], "[Print: My graph] jexprint1.wmf");
    EXPECT_EQ(scripted.platform.notices[1], "[Print: My graph] jexprint2.txt");
    std::ifstream in("jexprint1.wmf", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), std::string("\x01\x00\x09\x00", 4));
    EXPECT_TRUE(scripted.platform.text().empty());  // nothing in the results
}

TEST_F(ShellDialogs, FolderSelectionOkChangesDirectoryAndCancelDoesNot) {
    platform::ScopedScriptedPlatform scripted;
    std::filesystem::create_directory("inner");
    const auto here = std::filesystem::current_path();
    TChDirForm form;
    EXPECT_EQ(form.top, 256);  // 1024 / 800 x 200
    scripted.platform.answers = {"ChDirEditBox=inner", "Cancel"};
    ChangeDirClick();
    EXPECT_EQ(std::filesystem::current_path(), here);
    scripted.platform.answers = {"ChDirEditBox=inner", "OK"};
    ChangeDirClick();
    EXPECT_EQ(std::filesystem::current_path(), here / "inner");
    EXPECT_NE(scripted.platform.text().find("Your present working directory is " + (here / "inner").string()),
              std::string::npos);
    std::filesystem::current_path(here);
}

TEST_F(ShellDialogs, MenuPathsMatchCaptionsExactlyOrByTheirOnlyBeginning) {
    platform::ScopedScriptedPlatform scripted;
    commandCache = {"text a"};
    runmenupath("file/command cache/display previous commands");
    EXPECT_EQ(scripted.platform.text(), "# Command History:\ntext a\n");
    runmenupath("F/Comm/Disp");
    EXPECT_EQ(scripted.platform.text(), "# Command History:\ntext a\n# Command History:\ntext a\n");
    struct Case { const char* path; const char* notice; } cases[] = {
        {"File/C", "No menu item \"File/C\"."},            // Change Directory, Change Font, ...
        {"Graph/Save", "The menu item \"Graph/Save\" is disabled."},
        {"Model/Run VecMender", "No menu item \"Model/Run VecMender\"."},  // hidden
        {"Window/Jex Graph", "No menu item \"Window/Jex Graph\"."},        // window not shown
    };
    for (const Case& c : cases) {
        runmenupath(c.path);
        ASSERT_FALSE(scripted.platform.notices.empty());
        EXPECT_EQ(scripted.platform.notices.back(), c.notice);
    }
    runmenupath("Bank/Li");  // the only caption of the Bank menu that begins so
    EXPECT_NE(scripted.platform.text().find("No databanks loaded.\n"), std::string::npos);
}

}  // namespace

}  // namespace dialogs_test
