// Running an editor's text through the interpreter: the whole file as an add file (Run), the
// selected lines or the lines up to the caret as replayed lines (Execute Selection, Run to
// Cursor), and the first selected line as an expression to type or to graph. Each run keeps
// the reader's line, position and source switches and puts them back however it ends, so
// that a window driven while a command reads (the editor command of an add file) leaves
// that command reading where it stood.
#include <cstdio>

#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/commandloop.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "regress/regress_state.h"
#include "shell/start.h"
#include "views/editor.h"

namespace {

// Completes the last output line of a run.
void endoutputline() {
    if (linePending()) printout("\n");
}

}  // namespace

void TEditForm::Run1Click() {
    auto keep = shared_from_this();
    if (Editor.modified() && !Save1Click()) return;
    if (PathName == "Untitled") return;
    const std::size_t caret = Editor.selStart();
    {
        ReaderPositionSaver position;
        ReaderSourceSaver source;
        keyboardInput = 'y';
        replayMode = 'n';
        replayList = nullptr;
        // As typed into the command box: echoed, cached and kept in the history; the name
        // is quoted as the start argument's is, so that a name with a blank runs that file.
        runcommandboxline("add " + addfileword(PathName), false);
    }
    if (!closed) Editor.setCaret(caret);
}

void TEditForm::runEditorLines() {
    const std::size_t caret = Editor.selStart();
    const std::vector<std::string> pieces = cutlines(Editor.selectedText());
    {
        ReaderPositionSaver position;
        ReaderSourceSaver source;
        settypedline("");
        lastChar = ' ';
        keyboardInput = 'n';
        replayList = &pieces;
        replayCursor = 0;
        std::FILE* none = nullptr;
        runaddfile(nullptr, &none, 1);
    }
    endoutputline();
    if (!closed) Editor.setCaret(caret);
}

void TEditForm::ExecSelect1Click() {
    auto keep = shared_from_this();
    if (!Editor.hasSelection()) return;
    runEditorLines();
}

void TEditForm::RuntoCursor1Click() {
    auto keep = shared_from_this();
    const std::size_t caret = Editor.selStart();
    if (caret == 0) return;
    Editor.select(0, caret);
    runEditorLines();
}

void TEditForm::runEditorCommand(const char* word) {
    if (!Editor.hasSelection()) return;
    const std::size_t caret = Editor.selStart();
    const std::string text = firstline(Editor.selectedText());
    const char savedZip = regZip;
    if (word[0] == 'g') regZip = 'n';  // the graph window is shown for this command
    {
        ReaderPositionSaver position;
        ReaderSourceSaver source;
        const std::vector<std::string> lines = {std::string(word) + " (" + text + ")"};
        commandBuffer[0] = 0;
        readPointer = commandBuffer;
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
        keyboardInput = 'n';
        replayMode = 'y';
        replayList = &lines;
        replayCursor = 0;
        std::FILE* none = nullptr;
        commandloop(&none);
    }
    if (word[0] == 'g') regZip = savedZip;
    endoutputline();
    if (!closed) Editor.setCaret(caret);
}

void TEditForm::Type1Click() {
    auto keep = shared_from_this();
    runEditorCommand("ty");
}

void TEditForm::GraphSeries1Click() {
    auto keep = shared_from_this();
    runEditorCommand("gr");
}
