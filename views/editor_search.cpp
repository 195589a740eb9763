// The editing tools of an editor window: the find and replace dialogs (modeless forms that
// stay up while their searches find something), Find Again, undo and redo, the clipboard,
// case changes, inserting a file's text or name, opening the file the selection names, the
// font and background, and printing as a text job of the print spool.
#include "core/printout.h"
#include "platform/clipboard.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "platform/printspool.h"
#include "shell/dialogs.h"
#include "views/editor.h"
#include "views/small_dialogs.h"

namespace {

// The options of a find or replace dialog as the text's search takes them.
SearchOptions optionsof(const Form::Check* matchCase, const Form::Check* wholeWord) {
    return {matchCase->checked, wholeWord->checked};
}

void sorry() {
    SorryFm.notfound();
}

}  // namespace

Form& TEditForm::findDialog() {
    if (!findDialog_) {
        findDialog_ = std::make_unique<Form>("Find");
        Form& d = *findDialog_;
        d.field("FindText", "Find what", "");
        findCase_ = &d.check("MatchCase", "Match &case", false);
        findWord_ = &d.check("WholeWord", "Match &whole word only", false);
        findDirection_ = &d.radio("Direction", "Direction", {"Up", "Down"});
        findDirection_->index = 1;
        Form::Button& next = d.button("FindNext", "&Find Next");
        next.isDefault = true;
        next.onClick = [this] { FindDialogEdFind(); };
        Form::Button& cancel = d.button("Cancel", "Cancel");
        cancel.isCancel = true;
        cancel.onClick = [this] {
            findDialog_->close();
            FindDialogOpen = false;
        };
    }
    return *findDialog_;
}

Form& TEditForm::replaceDialog() {
    if (!replaceDialog_) {
        replaceDialog_ = std::make_unique<Form>("Replace");
        Form& d = *replaceDialog_;
        d.field("FindText", "Find what", "");
        d.field("ReplaceText", "Replace with", "");
        replaceCase_ = &d.check("MatchCase", "Match &case", false);
        replaceWord_ = &d.check("WholeWord", "Match &whole word only", false);
        Form::Button& next = d.button("FindNext", "&Find Next");
        next.isDefault = true;
        next.onClick = [this] { EdReplaceDialogFind(false); };
        d.button("Replace", "&Replace").onClick = [this] { EdReplaceDialogReplace(false); };
        d.button("ReplaceAll", "Replace &All").onClick = [this] { EdReplaceDialogReplace(true); };
        Form::Button& cancel = d.button("Cancel", "Cancel");
        cancel.isCancel = true;
        cancel.onClick = [this] { replaceDialog_->close(); };
    }
    return *replaceDialog_;
}

void TEditForm::Find1Click() {
    auto keep = shared_from_this();
    // The dialog stands at (100, 110) of the screen; on the console it has no place.
    putFindText();
    FindDialogOpen = true;
    findDialog().showModal(true);
}

void TEditForm::putFindText() {
    Form& d = findDialog();
    if (!PendingFindText.empty()) {
        d.setText("FindText", PendingFindText);
        PendingFindText.clear();
    } else if (Editor.hasSelection()) {
        d.setText("FindText", Editor.selectedText());
    }
}

bool TEditForm::searchFromDialog() {
    Form& d = findDialog();
    LastFindText = d.text("FindText");
    const SearchOptions options = optionsof(findCase_, findWord_);
    const bool down = findDirection_->index != 0;
    const std::size_t hit = down ? Editor.findDown(LastFindText, options) : Editor.findUp(LastFindText, options);
    if (hit == noMatch) {
        sorry();
        return false;
    }
    Editor.select(hit, LastFindText.size());
    return true;
}

void TEditForm::FindDialogEdFind() {
    auto keep = shared_from_this();
    // Found or not, the dialog stays up (it is shown again after the sorry form) with the
    // selection (or the pending text) as its find text.
    const bool found = searchFromDialog();
    if (found && !ReshowFindDialog) return;
    putFindText();
}

void TEditForm::FindAgain1Click() {
    auto keep = shared_from_this();
    if (LastFindText.empty()) {
        sorry();
        Find1Click();
        return;
    }
    ReshowFindDialog = false;
    searchFromDialog();
    ReshowFindDialog = true;
}

void TEditForm::Replace1Click() {
    auto keep = shared_from_this();
    Form& d = replaceDialog();
    if (Editor.hasSelection()) d.setText("FindText", Editor.selectedText());
    d.showModal(true);
}

void TEditForm::EdReplaceDialogFind(bool replacing) {
    auto keep = shared_from_this();
    Form& d = replaceDialog();
    const std::string what = d.text("FindText");
    const SearchOptions options = optionsof(replaceCase_, replaceWord_);
    const std::size_t from = replacing ? Editor.selStart() : Editor.selEnd();
    const std::size_t hit = Editor.findForward(what, from, Editor.size(), options);
    if (hit == noMatch) sorry();
    else Editor.select(hit, what.size());
    if (Editor.hasSelection()) d.setText("FindText", Editor.selectedText());
}

void TEditForm::EdReplaceDialogReplace(bool all) {
    auto keep = shared_from_this();
    Form& d = replaceDialog();
    if (!all) {
        if (Editor.hasSelection()) {
            Editor.replaceSelection(d.text("ReplaceText"));
            runEnabled = true;
        }
        EdReplaceDialogFind(true);
        return;
    }
    const SearchOptions options = optionsof(replaceCase_, replaceWord_);
    if (Editor.replaceAll(d.text("FindText"), d.text("ReplaceText"), Editor.selStart(), options) != 0)
        runEnabled = true;
    if (Editor.hasSelection()) d.setText("FindText", Editor.selectedText());
}

void TEditForm::Undo1Click() {
    if (Editor.canUndo()) Editor.undo();
}

void TEditForm::Redo1Click() { Editor.redo(); }

void TEditForm::Cut1Click() {
    if (!Editor.hasSelection()) return;
    platform::clipboard().setText(Editor.selectedText());
    Editor.replaceSelection("");
    runEnabled = true;
}

void TEditForm::Copy1Click() {
    if (Editor.hasSelection()) platform::clipboard().setText(Editor.selectedText());
}

void TEditForm::Paste1Click() {
    if (!platform::clipboard().hasText()) return;
    Editor.replaceSelection(platform::clipboard().text());
    runEnabled = true;
}

void TEditForm::Delete1Click() {
    if (!Editor.hasSelection()) return;
    Editor.replaceSelection("");
    runEnabled = true;
}

void TEditForm::Lowercase1Click() { Editor.lowerCase(); }
void TEditForm::Uppercase1Click() { Editor.upperCase(); }
void TEditForm::TitleCase1Click() { Editor.titleCase(); }

std::size_t TEditForm::caretLine() const { return Editor.lineOf(Editor.selStart()); }
std::size_t TEditForm::caretColumn() const { return Editor.columnOf(Editor.selStart()); }

void TEditForm::Insert1Click() {
    auto keep = shared_from_this();
    std::string name;
    if (!filedialog("Open", "", name) || name.empty()) return;
    std::string bytes;
    if (!platform::fileExists(name) || !readfilebytes(name, bytes)) {
        printout("\nWarning:  File \"%s\" not found.\n", name.c_str());
        return;
    }
    // Each of the file's lines, whole, becomes a line of its own above the caret's line.
    const std::string lineBreak = Editor.lineBreak();
    TextBuffer file;
    file.load(std::move(bytes));
    std::string text;
    for (std::size_t line = 0, lines = file.lineCount(); line < lines; ++line) {
        const std::size_t start = file.lineStart(line), end = file.lineTextEnd(line);
        // Nothing after the last line break (or an empty file) is no line.
        if (line + 1 == lines && start == end) break;
        text.append(file.bytes(), start, end - start);
        text += lineBreak;
    }
    if (text.empty()) return;
    Editor.replace(Editor.lineStart(caretLine()), 0, text);
    runEnabled = true;
}

void TEditForm::FileName1Click() {
    auto keep = shared_from_this();
    std::string name;
    if (!filedialog("Open", "", name) || name.empty()) {
        printout("That file does not exist.\n");
        return;
    }
    // Into the caret's line before the character at the caret's column.
    const std::size_t pos = Editor.lineStart(caretLine()) + caretColumn() - 1;
    Editor.replace(pos, 0, ExpandFileName(name));
    runEnabled = true;
}

void TEditForm::OpenSelectedFile1Click() {
    auto keep = shared_from_this();
    if (!Editor.hasSelection()) return;
    const std::size_t caret = Editor.selStart();
    const std::string name = firstline(Editor.selectedText());
    Editor.setCaret(caret);
    auto w = createEditorWindow();
    w->Editor.setModified(false);
    if (!w->openFile(name)) return;
    w->Editor.setCaret(0);
    w->show();
}

void TEditForm::Font1Click() {
    fontdialog(font, "Font");
    editorFont = font;
}

void TEditForm::Background1Click() {
    colordialog(dialogColor_);
    // The dialog's own colour, whether it was confirmed or cancelled.
    color = editorColor = dialogColor_;
}

void TEditForm::SelectPrinter1Click() { printersetupdialog(); }

void TEditForm::Print1Click() {
    platform::PrintJob job;
    job.title = caption;
    job.landscape = printerOrientation == Orientation::landscape;
    job.text = true;
    job.content = Editor.bytes();
    if (platform::spoolPrintJob(job).empty()) printout("\nError:  cannot write the print file.\n");
}
