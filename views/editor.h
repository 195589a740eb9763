// Editor windows: a text bound to one file, opened by the editor command, the main window's
// menus and the editor's own Open items, saved, closed (with the save question) and
// reloaded when the file changed outside. The main window keeps the registered windows in
// its table of 100 (Main.editors). The text's tools and the runs of its lines through the
// interpreter are the window's other handlers (views/editor_search.cpp, editor_bridge.cpp);
// on the console a window shows itself as a form (views/editor_console.cpp).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "shell/form.h"
#include "shell/mainform.h"
#include "shell/menu.h"
#include "views/textbuffer.h"

// Reads a file's bytes whole; false when it cannot be read.
bool readfilebytes(const std::string& path, std::string& out);
// The file's last-write time in seconds since the epoch, at full resolution, its symbolic
// links followed; 0 when there is no such file.
double FileAge(const std::string& path);
// The full path of a name, relative to the current directory ('.' and '..' resolved).
std::string ExpandFileName(const std::string& path);

class TEditForm : public std::enable_shared_from_this<TEditForm> {
public:
    TEditForm();
    ~TEditForm();
    TEditForm(const TEditForm&) = delete;
    TEditForm& operator=(const TEditForm&) = delete;

    // ---- the window ----
    std::string PathName = "Untitled";  // the file; "Untitled" for none
    double FileTime = 0;                // the file's time when last loaded or saved; 0 unknown
    std::string caption = "Jex Editor";
    TextBuffer Editor;                  // the text control
    WindowFont font;                    // the text's font and background colour
    int color = 0;
    Bounds bounds;
    WindowState windowState = WindowState::normal;
    bool runEnabled = false;  // the Run item: enabled by the first change of the text
    bool closed = false;      // closed and freed (nothing may use it any more)

    // ---- search state ----
    std::string LastFindText;
    bool FindDialogOpen = false;
    std::string PendingFindText;
    bool ReshowFindDialog = true;

    // ---- opening, saving, closing (views/editor.cpp) ----
    void FormCreate();
    void FormResize() {}
    // The reload check of an activation: a file changed since it was loaded or saved is
    // offered for reloading.
    void FormActivate();
    // The window's close event: the save question for unsaved text; false when the window
    // stays open (the question was cancelled, or the save it asked for did not happen).
    bool FormClose();
    // Loads a file into this newly created window and registers it; false when the window
    // did not stay (the file is open in another editor, or the table is full).
    bool openFile(const std::string& path);
    void New1Click();
    void Open1Click();
    // Save and Save As: true when the text was written.
    bool Save1Click();
    bool SaveAs1Click();
    void SaveandClose1Click();
    void Close1Click();
    void SaveWindowPosition1Click();
    // The main window's editor font and colour, the modified flag kept.
    void applyLook();
    // Comes forward: its normal size, the focus, the reload check.
    void bringForward();

    // ---- running the text (views/editor_bridge.cpp) ----
    void Run1Click();
    void ExecSelect1Click();
    void RuntoCursor1Click();
    void Type1Click();
    void GraphSeries1Click();

    // ---- search and text tools (views/editor_search.cpp) ----
    void Find1Click();
    void FindDialogEdFind();
    void FindAgain1Click();
    void Replace1Click();
    void EdReplaceDialogFind(bool replacing);
    void EdReplaceDialogReplace(bool all);
    void Undo1Click();
    void Redo1Click();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Delete1Click();
    void Lowercase1Click();
    void Uppercase1Click();
    void TitleCase1Click();
    void Insert1Click();
    void FileName1Click();
    void OpenSelectedFile1Click();
    void Font1Click();
    void Background1Click();
    void SelectPrinter1Click();
    void Print1Click();
    // The caret's line (0-based) and column (1-based).
    std::size_t caretLine() const;
    std::size_t caretColumn() const;

    // ---- the console (views/editor_console.cpp) ----
    // The window's menus: File, Open, Save, Edit, Find, Replace, Tools (hidden), Run, and
    // the pop-up menu as "Popup".
    std::vector<MenuItem> menu();
    // Shows the window: its console form, then answers (menu paths, Select, Lines, Type,
    // the shortcut keys) until it closes or the answer is Leave (the default).
    void show();
    std::string consoleText() const;
    // Applies one answer; false when it names nothing of the window.
    bool consoleAnswer(const std::string& answer);

    // The find and replace dialogs of this window (made on first use).
    Form& findDialog();
    Form& replaceDialog();

private:
    // The save question before unsaved text is dropped: true to go on (No, or Yes and the
    // text was saved), false to stop.
    bool saveQuestion();
    // The search of the find dialog with its text and options; shows the sorry form when
    // nothing is found.
    bool searchFromDialog();
    // Find's own step: the pending text, else the selection, becomes the find text.
    void putFindText();
    // Runs a piece of the text as replayed lines, or one command about the selection.
    void runEditorLines();
    void runEditorCommand(const char* word);

    std::unique_ptr<Form> findDialog_, replaceDialog_;
    Form::Check *findCase_ = nullptr, *findWord_ = nullptr, *replaceCase_ = nullptr, *replaceWord_ = nullptr;
    Form::Radio* findDirection_ = nullptr;
    int dialogColor_ = 0;  // the colour dialog's own colour (black at first)
};

// The most recently created editor window (null before the first and once it is freed).
extern TEditForm* EditForm;

// ---- the shared opening steps ----
// The registered window that has the file (the exact path; ignoring letter case only when
// no file has the path), brought forward; null when none has it.
TEditForm* findOpenEditor(const std::string& fullPath);
// A new shown window with the main window's placement; it becomes EditForm.
std::shared_ptr<TEditForm> createEditorWindow();
// Puts the window into the first free slot; with all 100 taken the window goes (unasked,
// untouched) and "\nError:  cannot have more than %d editors open.\n" is printed.
bool registerEditor(TEditForm* window);
// True when the save command writes that file (the warning is printed).
bool savecommandfile(const std::string& fullPath, const std::string& shownName);
// The registered windows in slot order.
std::vector<TEditForm*> registeredEditors();

// editor [file], e, edd: opens a file (or a new untitled window) in an editor. 0, or -1
// when the save command's file was refused or the table is full.
int editorcmd(std::FILE* in);
// Shut-down: asks each registered editor to close, in slot order; 27 as soon as one stays
// open, else 0.
int closeeditorsforshutdown();
// The end of input closes every editor whatever its answer: the windows are dropped.
void discardeditors();
