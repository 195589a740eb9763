// The run dialog's batch editor: loaded at activation, changed (Save offered, the batch file
// marked modified), saved in DOS text, chosen by Browse, and cut, copied and pasted through
// the program's clipboard.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "models/oryrun.h"
#include "platform/clipboard.h"
#include "shell/mainform.h"
#include "tests/models/model_test_util.h"

namespace batcheditor_test {

class BatchEditorTest : public ModelDialogTest {
protected:
    void SetUp() override {
        ModelDialogTest::SetUp();
        batchModified = false;
        platform::clipboard().clear();
        // The last model's run configuration, so that activation goes on to the batch file.
        lastModelRun = "orb";
        spit("orb.cfg", "Title of run   ;t\r\n");
    }
    void TearDown() override {
        lastModelRun = lastModelHistName = lastModelSimName = exogFileName = "";
        batchModified = false;
        platform::clipboard().clear();
        ModelDialogTest::TearDown();
    }
    bool saveEnabled(TORYRunFm& form) { return form.findButton("SaveBtn")->enabled; }
};

TEST_F(BatchEditorTest, ActivationLoadsEditsAreSavedInDosText) {
    spit("Run.Bat", "copy a b\nrun\r\npause");  // LF, CR LF and no line end at all
    TORYRunFm form;
    screen.platform.answers = {"Edit.2=run 2024", "Edit.4=echo done"};
    form.showModal(true);
    EXPECT_EQ(form.edit.lines(), (std::vector<std::string>{"copy a b", "run 2024", "pause", "echo done"}));
    EXPECT_TRUE(saveEnabled(form));
    EXPECT_TRUE(batchModified);
    // The console shows the numbered lines.
    EXPECT_NE(screen.platform.forms.back().find("  Edit:\n   1| copy a b\n   2| run 2024\n"),
              std::string::npos);

    // Shown again, the unsaved changes are kept, not loaded over.
    screen.platform.answers = {"Edit.9=no such line", "SaveBtn", "Open"};
    form.showModal(true);
    EXPECT_EQ(slurp("Run.Bat"), "copy a b\r\nrun 2024\r\npause\r\necho done\r\n");
    EXPECT_FALSE(saveEnabled(form));
    EXPECT_FALSE(batchModified);

    // A file changed on disk is loaded at the next activation once the editor is saved.
    spit("Run.Bat", "other\r\n");
    form.showModal(true);
    EXPECT_EQ(form.edit.lines(), std::vector<std::string>{"other"});
    EXPECT_FALSE(saveEnabled(form));
}

TEST_F(BatchEditorTest, SaveCancelledOrFailedKeepsTheChangesMarked) {
    spit("Run.Bat", "run\r\n");
    TORYRunFm form;
    screen.platform.answers = {"Edit.1=changed", "SaveBtn", "Cancel"};
    form.showModal(true);
    EXPECT_TRUE(saveEnabled(form));
    EXPECT_TRUE(batchModified);
    EXPECT_EQ(slurp("Run.Bat"), "run\r\n");

    // OK with the save dialog cancelled runs the batch file as it is on disk (with no
    // simulation name: the last model's settings are empty).
    screen.platform.answers = {"OKBtn", "Cancel"};
    form.showModal(true);
    EXPECT_EQ(runs, std::vector<std::string>{"Run.Bat"});
    EXPECT_EQ(slurp("Run.Bat"), "run\r\n");

    // A batch file that cannot be written: said, still marked, and OK runs nothing.
    std::filesystem::create_directory("sub");
    screen.platform.lines.clear();
    screen.platform.answers = {"OKBtn", "sub"};
    form.showModal(true);
    EXPECT_EQ(screen.platform.text(), "Cannot open sub.\n");
    EXPECT_TRUE(saveEnabled(form));
    EXPECT_TRUE(batchModified);
    EXPECT_TRUE(form.isOpen());
    EXPECT_EQ(runs.size(), 1u);
    form.close();
}

TEST_F(BatchEditorTest, MissingBatchFileIsCreatedEmpty) {
    TORYRunFm form;
    form.batchFileName = "new";
    form.EditBtnClick();
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_NE(screen.platform.boxes.back().find("Warning!  File does not exist; creating file."), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("new.bat"));
    EXPECT_EQ(slurp("new.bat"), "");
    EXPECT_EQ(form.batchFileName, "new");  // the stored name keeps its form
    EXPECT_TRUE(form.edit.lines().empty());
    EXPECT_FALSE(saveEnabled(form));

    // Neither readable nor creatable.
    form.batchFileName = "nodir/x.bat";
    form.edit.setLines({"kept"});
    form.EditBtnClick();
    EXPECT_NE(screen.platform.boxes.back().find("Warning:  cannot create file.  Returning..."), std::string::npos);
    EXPECT_EQ(form.edit.lines(), std::vector<std::string>{"kept"});
}

TEST_F(BatchEditorTest, BrowseTakesTheFileNameInTheWorkingDirectory) {
    spit("go.bat", "go\r\n");
    std::filesystem::create_directory("d");
    spit("d/far.bat", "far\r\n");
    TORYRunFm form;
    form.configLoaded = true;
    lastModelRun = "";
    screen.platform.answers = {"BatchSearchBtn", "d/far.bat", "BatchSearchBtn", "elsewhere/go", "CancelBtn"};
    form.showModal(true);
    // d/far.bat is looked for as far.bat here; elsewhere/go as go.bat, which is here.
    EXPECT_EQ(screen.platform.text(), "Cannot open far.bat.\n");
    EXPECT_EQ(form.batchFileName, "go.bat");
    EXPECT_EQ(form.edit.lines(), std::vector<std::string>{"go"});
    EXPECT_FALSE(saveEnabled(form));
}

TEST_F(BatchEditorTest, CutCopyAndPasteThroughTheClipboard) {
    TORYRunFm form;
    form.configLoaded = true;
    lastModelRun = "";
    form.edit.setLines({"one", "two", "three"});
    form.findButton("SaveBtn")->enabled = false;
    batchModified = false;
    // Copy changes nothing; Cut and Paste change the text.
    screen.platform.answers = {"Select=2", "Copy"};
    form.showModal(true);
    EXPECT_EQ(platform::clipboard().text(), "two\r\n");
    EXPECT_FALSE(batchModified);
    screen.platform.answers = {"Select=1-2", "Cut", "Caret=2", "Paste", "Select=", "Paste"};
    form.showModal(true);
    EXPECT_EQ(form.edit.lines(), (std::vector<std::string>{"three", "one", "two", "one", "two"}));
    EXPECT_TRUE(batchModified);
    EXPECT_TRUE(saveEnabled(form));
    // Bad selections name nothing of the form.
    for (const char* bad : {"Select=0", "Select=3-2", "Select=6", "Select=x", "Caret=7", "Edit.0=a", "Edit.7=a"})
        EXPECT_FALSE(form.answer(bad)) << bad;

    // Copy takes at most 16383 characters; the clipboard's own copy takes the whole selection.
    form.edit.setLines({std::string(20000, 'x')});
    form.edit.selectLines(1, 1);
    form.CopyClick();
    EXPECT_EQ(platform::clipboard().text(), std::string(16383, 'x'));
    form.EditSaveClipboard();
    EXPECT_EQ(platform::clipboard().text().size(), 20002u);
}

}  // namespace batcheditor_test
