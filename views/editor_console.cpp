// An editor window on the console: its form (caption, lines, caret, selection, modified mark,
// menus and choices) printed through the platform, and the answers it takes: a path among
// its menus ("Edit/Execute Selection", "Popup/Type Series"), a shortcut key ("F10"),
// Select, Lines, Type, or Leave.
#include <strings.h>

#include <cstdlib>
#include <functional>

#include "platform/platform.h"
#include "views/editor.h"

namespace {

using Handler = void (TEditForm::*)();

MenuItem action(const std::shared_ptr<TEditForm>& w, const std::string& caption, Handler h) {
    MenuItem m;
    m.caption = caption;
    m.onClick = [w, h] {
        auto keep = w;
        ((*keep).*h)();
    };
    return m;
}

// The shortcut keys of the window's items.
struct Shortcut {
    const char* key;
    Handler handler;
};
const Shortcut shortcuts[] = {
    {"Ctrl+N", &TEditForm::New1Click},      {"Ctrl+O", &TEditForm::Open1Click},
    {"Ctrl+W", &TEditForm::Close1Click},    {"Ctrl+P", &TEditForm::Print1Click},
    {"Ctrl+Z", &TEditForm::Undo1Click},     {"Ctrl+Y", &TEditForm::Redo1Click},
    {"Ctrl+X", &TEditForm::Cut1Click},      {"Ctrl+C", &TEditForm::Copy1Click},
    {"Ctrl+V", &TEditForm::Paste1Click},    {"Ctrl+D", &TEditForm::Delete1Click},
    {"Ctrl+F", &TEditForm::Find1Click},     {"Ctrl+R", &TEditForm::Replace1Click},
    {"F3", &TEditForm::FindAgain1Click},    {"F10", &TEditForm::ExecSelect1Click},
    {"F11", &TEditForm::RuntoCursor1Click},
};

// A positive whole number; 0 when the text is none.
std::size_t number(const std::string& s) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return 0;
    return static_cast<std::size_t>(std::strtoul(s.c_str(), nullptr, 10));
}

// "L:C" as a position of the text (line and column from 1, held inside the line's text).
bool position(const TextBuffer& t, const std::string& s, std::size_t& pos) {
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos) return false;
    const std::size_t line = number(s.substr(0, colon)), column = number(s.substr(colon + 1));
    if (line == 0 || column == 0) return false;
    const std::size_t start = t.lineStart(line - 1), end = t.lineTextEnd(line - 1);
    pos = std::min(start + column - 1, std::max(start, end));
    if (line > t.lineCount()) pos = t.size();
    return true;
}

// "A-B" or "A" as lines from 1; B is A when not given.
bool linerange(const std::string& s, std::size_t& a, std::size_t& b) {
    const std::size_t dash = s.find('-');
    a = number(s.substr(0, dash));
    b = dash == std::string::npos ? a : number(s.substr(dash + 1));
    return a != 0 && b >= a;
}

std::string unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    return out;
}

std::string place(const TextBuffer& t, std::size_t pos) {
    return std::to_string(t.lineOf(pos) + 1) + ":" + std::to_string(t.columnOf(pos));
}

}  // namespace

std::vector<MenuItem> TEditForm::menu() {
    const std::shared_ptr<TEditForm> w = shared_from_this();
    auto saving = [w](bool (TEditForm::*h)()) {
        return [w, h] {
            auto keep = w;
            ((*keep).*h)();
        };
    };
    auto whenSelected = [w](MenuItem m) {
        m.enabled = [w] { return w->Editor.hasSelection(); };
        return m;
    };
    MenuItem save = submenu("&Save", {});
    save.onClick = saving(&TEditForm::Save1Click);
    MenuItem saveAs = submenu("Save &As...", {});
    saveAs.onClick = saving(&TEditForm::SaveAs1Click);
    MenuItem undo = action(w, "&Undo", &TEditForm::Undo1Click);
    undo.enabled = [w] { return w->Editor.canUndo(); };
    MenuItem findAgain = action(w, "Find Again", &TEditForm::FindAgain1Click);
    findAgain.visible = [] { return false; };
    MenuItem tools = submenu("Tools", {});
    tools.visible = [] { return false; };
    MenuItem run = action(w, "&Run", &TEditForm::Run1Click);
    run.enabled = [w] { return w->runEnabled; };
    auto fileItems = [&] {
        return submenu("File", {action(w, "Insert File Name", &TEditForm::FileName1Click),
                                action(w, "Open Selected File", &TEditForm::OpenSelectedFile1Click)});
    };
    return {
        submenu("File", {action(w, "&New", &TEditForm::New1Click), action(w, "&Open...", &TEditForm::Open1Click),
                         save, saveAs, action(w, "Save a&nd Close", &TEditForm::SaveandClose1Click),
                         action(w, "&Close", &TEditForm::Close1Click), action(w, "&Font", &TEditForm::Font1Click),
                         action(w, "&Background", &TEditForm::Background1Click),
                         action(w, "Save Window Position", &TEditForm::SaveWindowPosition1Click),
                         action(w, "Select Printer", &TEditForm::SelectPrinter1Click),
                         action(w, "&Print", &TEditForm::Print1Click)}),
        action(w, "&Open", &TEditForm::Open1Click),
        save,
        submenu("&Edit", {undo, action(w, "&Redo", &TEditForm::Redo1Click), action(w, "Cu&t", &TEditForm::Cut1Click),
                          action(w, "&Copy", &TEditForm::Copy1Click), action(w, "&Paste", &TEditForm::Paste1Click),
                          action(w, "&Delete", &TEditForm::Delete1Click),
                          submenu("Text", {whenSelected(action(w, "&Lower case", &TEditForm::Lowercase1Click)),
                                           whenSelected(action(w, "&Upper case", &TEditForm::Uppercase1Click)),
                                           whenSelected(action(w, "&Title Case", &TEditForm::TitleCase1Click))}),
                          action(w, "&Insert text from file", &TEditForm::Insert1Click), fileItems(), findAgain,
                          action(w, "&Execute Selection", &TEditForm::ExecSelect1Click),
                          action(w, "&Run to Cursor", &TEditForm::RuntoCursor1Click)}),
        action(w, "Fi&nd", &TEditForm::Find1Click),
        action(w, "Re&place", &TEditForm::Replace1Click),
        tools,
        run,
        submenu("Popup", {action(w, "Cut", &TEditForm::Copy1Click), action(w, "Copy", &TEditForm::Copy1Click),
                          action(w, "Paste", &TEditForm::Paste1Click), fileItems(),
                          action(w, "Type Series", &TEditForm::Type1Click),
                          action(w, "Graph Series", &TEditForm::GraphSeries1Click)}),
    };
}

std::string TEditForm::consoleText() const {
    std::string out = "[" + caption + "]\n  " + std::to_string(Editor.lineCount()) + " lines, caret " +
                      place(Editor, Editor.selStart()) + " (byte " + std::to_string(Editor.selStart()) + ")";
    if (Editor.hasSelection())
        out += ", selection " + place(Editor, Editor.selStart()) + "-" + place(Editor, Editor.selEnd()) + " (" +
               std::to_string(Editor.selLength()) + " bytes)";
    else
        out += ", nothing selected";
    if (Editor.modified()) out += ", modified";
    out += "\n  Menus: File Open Save Edit Find Replace ";
    out += runEnabled ? "Run" : "Run (disabled)";
    out += " Popup\n  Choices: Select L:C-L:C | A-B | L:C, Lines A-B, Type text, Leave\n";
    return out;
}

bool TEditForm::consoleAnswer(const std::string& answer) {
    auto keep = shared_from_this();
    const std::size_t blank = answer.find(' ');
    const std::string word = answer.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : answer.substr(blank + 1);
    if (samewords(word, "Select")) {
        std::size_t a = 0, b = 0, from = 0, to = 0;
        const std::size_t dash = rest.find('-');
        if (rest.find(':') == std::string::npos && linerange(rest, a, b)) {
            from = Editor.lineStart(a - 1);
            to = Editor.lineBreakEnd(b - 1);
        } else if (dash == std::string::npos && position(Editor, rest, from)) {
            to = from;
        } else if (dash == std::string::npos || !position(Editor, rest.substr(0, dash), from) ||
                   !position(Editor, rest.substr(dash + 1), to)) {
            platform::current().notice("Select L:C-L:C, A-B or L:C (lines and columns from 1).");
            return false;
        }
        if (to < from) std::swap(from, to);
        Editor.select(from, to - from);
        return true;
    }
    if (samewords(word, "Lines")) {
        std::size_t a = 1, b = Editor.lineCount();
        if (!rest.empty() && !linerange(rest, a, b)) {
            platform::current().notice("Lines A-B (lines from 1).");
            return false;
        }
        b = std::min(b, Editor.lineCount());
        const int width = static_cast<int>(std::to_string(b).size());
        std::string list;
        for (std::size_t line = a; line <= b; ++line) {
            std::string n = std::to_string(line);
            list += std::string(static_cast<std::size_t>(width) - n.size(), ' ') + n + "  " +
                    Editor.bytes().substr(Editor.lineStart(line - 1),
                                          Editor.lineTextEnd(line - 1) - Editor.lineStart(line - 1)) +
                    "\n";
        }
        if (!list.empty()) list.pop_back();
        platform::current().notice(list);
        return true;
    }
    if (samewords(word, "Type") && blank != std::string::npos) {
        Editor.replaceSelection(unescape(rest));
        runEnabled = true;
        return true;
    }
    for (const Shortcut& s : shortcuts)
        if (samewords(answer, s.key)) {
            (this->*s.handler)();
            return true;
        }
    if (samewords(answer, "Ctrl+S")) {
        Save1Click();
        return true;
    }
    if (samewords(answer, "F9")) {
        if (runEnabled) Run1Click();
        return true;
    }
    std::vector<MenuItem> items = menu();
    runmenuitems(items, answer);
    return true;
}

void TEditForm::show() {
    auto keep = shared_from_this();
    bringForward();
    while (!closed) {
        std::string answer;
        if (!platform::current().formAnswer(consoleText(), answer)) return;  // Leave
        if (samewords(answer, "Leave")) return;
        consoleAnswer(answer);
    }
}
