// Editor windows through their handlers: the table of 100 and a window it refuses, the
// save question with a cancelled Save As, the reload question after the file's time moved
// (utimensat, below a second), the letter-case rule of finding an open file, saving a file
// that may not be written, and the shut-down that an editor cancels.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/printout.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"
#include "shell/mainform.h"
#include "shell/shell_commands.h"
#include "views/editor.h"

namespace editor_test {

class EditorWindows : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() / ("jex_editor_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        recordworkingdirectory();
        clearPendingLine();
    }
    void TearDown() override {
        discardeditors();
        clearPendingLine();
        std::filesystem::current_path(home_);
        recordworkingdirectory();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The editor command on a typed line.
    int editor(const std::string& args) {
        settypedline("editor " + args);
        std::FILE* none = nullptr;
        char word[78];
        gettoken(word, none, 0, sizeof word);
        return editorcmd(none);
    }
    std::string results() const { return scripted_.platform.text(); }
    std::deque<std::string>& answers() { return scripted_.platform.answers; }
    std::filesystem::path dir_;

private:
    platform::ScopedScriptedPlatform scripted_;
    std::filesystem::path home_;
};

TEST_F(EditorWindows, TheTableHoldsAHundredAndTheRefusedWindowGoesUntouched) {
    for (int i = 0; i < 100; ++i) ASSERT_EQ(editor(""), 0);
    EXPECT_EQ(Main.editorCount, 100);
    TEditForm* last = EditForm;
    EXPECT_EQ(editor(""), -1);
    EXPECT_EQ(Main.editorCount, 100);
    // The refused window is gone: it is no longer the most recent one, and no close event
    // of it reported a window missing from the table.
    EXPECT_EQ(EditForm, nullptr);
    EXPECT_NE(results().find("\nError:  cannot have more than 100 editors open.\n"), std::string::npos);
    EXPECT_EQ(results().find("bug in Editors FormClose"), std::string::npos);
    // Freeing a slot makes room again.
    last->Close1Click();
    EXPECT_EQ(Main.editorCount, 99);
    EXPECT_EQ(editor(""), 0);
    EXPECT_EQ(Main.editorCount, 100);
}

TEST_F(EditorWindows, YesThenACancelledSaveAsKeepsTheWindowAndItsText) {
    ASSERT_EQ(editor(""), 0);
    TEditForm* w = EditForm;
    w->Editor.replaceSelection("f a = 1\n");
    answers() = {"Yes", "Cancel"};
    EXPECT_FALSE(w->FormClose());
    EXPECT_EQ(Main.editorCount, 1);
    EXPECT_EQ(w->Editor.bytes(), "f a = 1\n");
    EXPECT_TRUE(w->Editor.modified());
    // The shut-down asks the same and is cancelled before anything is released.
    answers() = {"Yes", "Cancel"};
    EXPECT_EQ(closeeditorsforshutdown(), 27);
    // Yes with a name given saves and closes.
    answers() = {"Yes", "kept.add"};
    EXPECT_TRUE(w->FormClose());
    EXPECT_EQ(Main.editorCount, 0);
    EXPECT_EQ(read("kept.add"), "f a = 1\n");
}

TEST_F(EditorWindows, ATimeMovedBelowASecondAsksAtTheNextActivation) {
    write("calc.add", "f a = 1\n");
    ASSERT_EQ(editor("calc.add"), 0);
    TEditForm* w = EditForm;
    const double loaded = w->FileTime;
    ASSERT_GT(loaded, 0);
    // Another program writes the file within the same second: only the fractions differ.
    write("calc.add", "f a = 2\n");
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(loaded);
    times[0].tv_nsec = times[1].tv_nsec = 999000000;
    ASSERT_EQ(::utimensat(AT_FDCWD, "calc.add", times, 0), 0);
    w->Editor.setCaret(4);
    answers() = {"cancel"};
    w->FormActivate();
    EXPECT_EQ(w->Editor.bytes(), "f a = 1\n");  // kept
    EXPECT_GT(w->FileTime, loaded);
    answers().clear();
    w->FormActivate();  // not asked again: the default would have reloaded
    EXPECT_EQ(w->Editor.bytes(), "f a = 1\n");
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(loaded) + 5;
    ASSERT_EQ(::utimensat(AT_FDCWD, "calc.add", times, 0), 0);
    answers() = {"ok"};
    w->FormActivate();
    EXPECT_EQ(w->Editor.bytes(), "f a = 2\n");
    EXPECT_EQ(w->Editor.selStart(), 4u);  // the caret where it was
    EXPECT_FALSE(w->Editor.modified());
    // A file deleted after loading asks nothing.
    std::filesystem::remove("calc.add");
    answers() = {"ok"};
    w->FormActivate();
    EXPECT_EQ(w->Editor.bytes(), "f a = 2\n");
}

TEST_F(EditorWindows, LetterCaseIsIgnoredOnlyWhenNoFileHasThePath) {
    write("calc.add", "lower\n");
    write("CALC.add", "upper\n");
    ASSERT_EQ(editor("calc.add"), 0);
    // Two files whose names differ in case are two files: the second opens a window.
    ASSERT_EQ(editor("CALC.add"), 0);
    EXPECT_EQ(Main.editorCount, 2);
    EXPECT_EQ(EditForm->Editor.bytes(), "upper\n");
    // A name that no file has finds the window of its other case.
    EXPECT_EQ(editor("Calc.ADD"), 0);
    EXPECT_EQ(Main.editorCount, 2);
    EXPECT_NE(results().find("File " + (dir_ / "Calc.ADD").string() + " already open.\n"), std::string::npos);
}

TEST_F(EditorWindows, SaveAfterACdStillWritesTheWindowsOwnFile) {
    write("calc.add", "f a = 1\n");
    ASSERT_EQ(editor("calc.add"), 0);
    TEditForm* w = EditForm;
    std::filesystem::create_directories("other");
    changedirectory("other");
    w->Editor.replaceSelection("# ");
    ASSERT_TRUE(w->Save1Click());
    EXPECT_EQ(read((dir_ / "calc.add").string()), "# f a = 1\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "other" / "calc.add"));
}

TEST_F(EditorWindows, AFileThatMayNotBeWrittenIsRefusedAndTheWindowStaysModified) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
    write("ro.add", "f a = 1\n");
    ::chmod("ro.add", 0444);
    ASSERT_EQ(editor("ro.add"), 0);
    TEditForm* w = EditForm;
    w->Editor.replaceSelection("x");
    EXPECT_FALSE(w->Save1Click());
    EXPECT_NE(results().find("Errror:  access denied.  Cannot save file.\n"), std::string::npos);
    EXPECT_TRUE(w->Editor.modified());
    EXPECT_EQ(read("ro.add"), "f a = 1\n");
}

TEST_F(EditorWindows, OpeningAFileOpenElsewhereDropsTheNewWindowQuietly) {
    write("calc.add", "f a = 1\n");
    ASSERT_EQ(editor("calc.add"), 0);
    auto w = createEditorWindow();
    EXPECT_FALSE(w->openFile("calc.add"));
    EXPECT_TRUE(w->closed);
    EXPECT_EQ(Main.editorCount, 1);
    EXPECT_NE(results().find("File calc.add already open.\n"), std::string::npos);
    EXPECT_EQ(results().find("bug in Editors"), std::string::npos);
    // A missing file leaves the window registered, empty and untitled.
    auto v = createEditorWindow();
    EXPECT_TRUE(v->openFile("missing.add"));
    EXPECT_EQ(v->PathName, "Untitled");
    EXPECT_NE(results().find("\nWarning:  File \"missing.add\" not found.\n"), std::string::npos);
    EXPECT_EQ(Main.editorCount, 2);
}

TEST_F(EditorWindows, FileAgeKeepsTheFractionsOfASecond) {
    write("t.add", "x");
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 1700000000;
    times[0].tv_nsec = times[1].tv_nsec = 250000000;
    ASSERT_EQ(::utimensat(AT_FDCWD, "t.add", times, 0), 0);
    EXPECT_DOUBLE_EQ(FileAge("t.add"), 1700000000.25);
    EXPECT_EQ(FileAge("none.add"), 0);
    EXPECT_EQ(ExpandFileName("a/../b.add"), (dir_ / "b.add").string());
}

}  // namespace editor_test
