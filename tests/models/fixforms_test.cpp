// The macro-fix and vector-fix dialogs: their configuration files byte for byte, the roots
// and extensions, the run-batch flag and the named groups read again after a vector-fix run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "models/fixforms.h"
#include "tests/models/model_test_util.h"
#include "tests/shell/command_fixture.h"
#include "vam/groups.h"

namespace fixforms_test {

class FixForms : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        macFixConfigFile = "MacMender.cfg";
        vecFixConfigFile = "Mender.cfg";
    }
    void TearDown() override {
        macFixConfigFile = "MacMender.cfg";
        vecFixConfigFile = "Mender.cfg";
        closegrouphome();
        ModelDialogTest::TearDown();
    }
};

TEST_F(FixForms, DefaultsSaveByteForByteAndSavingTwiceChangesNothing) {
    struct Case {
        TFixFm& (*form)();
        const char* file;
        const char* saveName;
        std::string bytes;
    } cases[] = {
        {MacFixFm, "MacMender.cfg", "BitBtn2",
         "Input fix file    ;Macrofix.mfx\r\nOutput fixes bank ;MacFixes\r\nModel Jex bank    ;hist\r\n"
         "Output check file ;MacMender.chk\r\n"},
        {VecFixFm, "Mender.cfg", "SaveBtn",
         "Text input file; vectors.vfx\r\nFix index file;  vecfixes\r\nVAM reference;   hist\r\n"
         "Text check file; mender.chk\r\n"},
    };
    for (const Case& c : cases) {
        TFixFm& form = c.form();
        form.configLoaded = false;
        screen.platform.answers = {"ok", c.saveName, c.file, "CancelBtn"};
        form.showModal(true);
        EXPECT_EQ(slurp(c.file), c.bytes);
        screen.platform.answers = {c.saveName, c.file, "CancelBtn"};
        form.findButton(c.saveName)->enabled = true;
        form.showModal(true);
        EXPECT_EQ(slurp(c.file), c.bytes) << "saved twice";
    }
    EXPECT_EQ(slurp("MacMender.cfg").size(), 121u);
    EXPECT_EQ(slurp("Mender.cfg").size(), 109u);
    EXPECT_TRUE(runs.empty());
}

TEST_F(FixForms, RootsExtensionsAndReadingBack) {
    TFixFm& mac = MacFixFm();
    mac.configLoaded = true;  // no file to read yet
    screen.platform.answers = {"ok", "MacFixEd=Macrofix.mfx", "OutEd=MacFixes.bnk", "BitBtn2", "m.cfg", "CancelBtn"};
    mac.showModal(true);
    EXPECT_EQ(slurp("m.cfg").substr(0, 62), "Input fix file    ;Macrofix.mfx\r\nOutput fixes bank ;MacFixes\r\n");
    EXPECT_EQ(mac.text("MacFixEd"), "Macrofix.mfx");
    EXPECT_EQ(macFixConfigFile, "m.cfg");
    mac.setText("MacFixEd", "other");
    screen.platform.answers = {"CancelBtn"};
    mac.showModal(true);  // shown again after Cancel: read anew, without extensions
    EXPECT_EQ(mac.text("MacFixEd"), "Macrofix");
    EXPECT_EQ(mac.text("CheckEd"), "MacMender");

    // The vector-fix fields have no maximum length: a 150-character root is saved whole.
    TFixFm& vec = VecFixFm();
    vec.configLoaded = true;
    std::string longRoot(150, 'v');
    screen.platform.answers = {"ok", "TextInEd=" + longRoot, "SaveBtn", "Mender.cfg", "CancelBtn"};
    vec.showModal(true);
    EXPECT_EQ(slurp("Mender.cfg").substr(0, 17 + 150 + 4 + 2), "Text input file; " + longRoot + ".vfx\r\n");
}

TEST_F(FixForms, OkRunsTheToolOnlyWhenTheFlagIsSetAndRereadsTheGroups) {
    std::ofstream("groups.bin", std::ios::binary) << encodegroups({});
    opengrouphome();
    EXPECT_EQ(namedgroupcount(), 0);
    // A vector-fix tool that adds a group; the groups must be read again after it.
    onRun = [](const std::string&) {
        std::ofstream("groups.bin", std::ios::binary) << encodegroups({{"g1", {1, 2, 3}}});
    };
    TFixFm& vec = VecFixFm();
    vec.configLoaded = false;
    vecFixRunBatch = true;
    screen.platform.answers = {"ok", "OKBtn", "Mender.cfg"};
    vec.showModal(true);
    EXPECT_EQ(runs, std::vector<std::string>{"Mender.bat"});
    EXPECT_EQ(slurp("Mender.bat"), "echo Running Mender.exe.\r\nMender.exe\r\npause\r\n");
    EXPECT_EQ(namedgroupcount(), 1);

    // Opened from the run dialog (flag cleared): configuration and batch file, no tool.
    TFixFm& mac = MacFixFm();
    mac.configLoaded = false;
    macFixRunBatch = false;
    screen.platform.answers = {"ok", "OutEd=MacFixes", "OKBtn", "MacMender.cfg"};
    mac.showModal(false);
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(slurp("MacMender.bat"), "echo Running MacMender.exe.\r\nMacMender.exe\r\npause\r\n");
    EXPECT_EQ(slurp("MacMender.cfg").size(), 121u);
    EXPECT_TRUE(macFixRunBatch);
}

}  // namespace fixforms_test
