#include "views/window_menu.h"

#include "core/printout.h"
#include "platform/home.h"
#include "shell/dialogs.h"
#include "shell/mainform.h"
#include "views/editor.h"

namespace {

// A caption shown as it is: each '&' doubled, so that none is taken for an accelerator.
std::string literalcaption(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

}  // namespace

std::vector<MenuItem> editorwindowitems() {
    std::vector<MenuItem> out;
    int number = 0;
    for (TEditForm* w : registeredEditors()) {
        ++number;
        const std::shared_ptr<TEditForm> window = w->shared_from_this();
        MenuItem m;
        m.pathName = std::to_string(number);
        m.caption = m.pathName + " " + literalcaption(w->caption);
        const int position = number + 2;
        m.onClick = [position] { editoritemclick(position); };
        // Choosing one of its items activates the window first.
        m.onOpen = [window] { window->bringForward(); };
        m.items = window->menu();
        out.push_back(std::move(m));
    }
    return out;
}

void editoritemclick(int k) {
    int count = 2;
    for (TEditForm* w : Main.editors) {
        if (!w) continue;
        if (++count == k) {
            const std::shared_ptr<TEditForm> window = w->shared_from_this();
            window->show();
            return;
        }
    }
    printout("\nError:  in \"Window\" menu.\n");
}

void TMain::Editor1Click() {
    const std::shared_ptr<TEditForm> w = createEditorWindow();
    if (!registerEditor(w.get())) return;
    w->applyLook();
    w->Editor.setModified(false);
    w->show();
}

void TMain::openEditorFile(const std::string& path) {
    const std::string full = ExpandFileName(path);
    if (findOpenEditor(full)) {
        printout("File %s already open.\n", path.c_str());
        return;
    }
    const std::shared_ptr<TEditForm> w = createEditorWindow();
    w->applyLook();
    w->Editor.setModified(false);
    if (!w->openFile(path)) return;
    w->applyLook();
    w->show();
}

void TMain::MainWindowClick() {
    windowEditorItems = 0;
    for (TEditForm* w : registeredEditors()) {
        fitonscreen(w->bounds, platform::screenWidth, platform::screenHeight);
        ++windowEditorItems;
    }
}

void TMain::CloseAllEditors1Click() {
    for (TEditForm* w : registeredEditors()) {
        const std::shared_ptr<TEditForm> window = w->shared_from_this();
        window->FormClose();
    }
}

void TMain::CloseAllOther1Click() { closetoolwindows(); }
