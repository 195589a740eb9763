#include "shell/menu_annot.h"

#include <sstream>
#include <string>

#include "graphs/annot_editor.h"
#include "platform/platform.h"
#include "shell/form.h"

namespace {

using graphs::AnnGraphFm;
using graphs::MouseButton;

// An item that runs `click`, or a menu of `items`.
MenuItem entry(const std::string& caption, std::function<void()> click,
               std::vector<MenuItem> items = {}) {
    MenuItem m;
    m.caption = caption;
    m.onClick = std::move(click);
    m.items = std::move(items);
    return m;
}
MenuItem action(const std::string& caption, std::function<void()> click) {
    return entry(caption, std::move(click));
}

// A handler of the editor after which the client area shows what it drew.
std::function<void()> shown(void (graphs::TAnnGraphFm::*handler)()) {
    return [handler] {
        (AnnGraphFm.*handler)();
        AnnGraphFm.showPicture();
    };
}

// One answer of numbers (after an optional leading word); false when it does not read.
bool asknumbers(const std::string& prompt, const std::string& caption, std::string* word,
                int* numbers, int count) {
    std::string answer;
    if (!platform::current().askText(prompt, caption, answer)) return false;
    std::istringstream in(answer);
    bool ok = true;
    if (word) ok = static_cast<bool>(in >> *word);
    for (int i = 0; ok && i < count; ++i) ok = static_cast<bool>(in >> numbers[i]);
    std::string extra;
    if (!ok || in >> extra) {
        platform::current().notice("Expected: " + prompt);
        return false;
    }
    return true;
}

// Mouse: pressed at the first point, moved to the second and released there.
void MouseAnswer() {
    std::string which;
    int p[4];
    if (!asknumbers("<left|right> x1 y1 x2 y2", "Mouse", &which, p, 4)) return;
    MouseButton button;
    if (samewords(which, "left")) button = MouseButton::left;
    else if (samewords(which, "right")) button = MouseButton::right;
    else {
        platform::current().notice("Expected: <left|right> x1 y1 x2 y2");
        return;
    }
    AnnGraphFm.FormMouseDown(button, p[0], p[1]);
    AnnGraphFm.FormMouseMove(p[2], p[3]);
    AnnGraphFm.FormMouseUp(button, p[2], p[3]);
    AnnGraphFm.showPicture();
}

// Click: the left button pressed and released at one point.
void ClickAnswer() {
    int p[2];
    if (!asknumbers("x y", "Click", nullptr, p, 2)) return;
    AnnGraphFm.FormMouseDown(MouseButton::left, p[0], p[1]);
    AnnGraphFm.FormMouseUp(MouseButton::left, p[0], p[1]);
    AnnGraphFm.showPicture();
}

// Resize: the client area's new width and height.
void ResizeAnswer() {
    int p[2];
    if (!asknumbers("width height", "Resize", nullptr, p, 2)) return;
    if (p[0] < 1 || p[1] < 1 || p[0] > 32767 || p[1] > 32767) {
        platform::current().notice("Expected: width height (1 to 32767)");
        return;
    }
    AnnGraphFm.FormResize(p[0], p[1]);
}

std::vector<MenuItem> annotatemenu() {
    return {submenu("&File",
                    {action("&New", [] { AnnGraphFm.NewClick(); }),
                     submenu("&Open", {action("Annotation", shown(&graphs::TAnnGraphFm::Annotation1Click)),
                                       action("Metafile", shown(&graphs::TAnnGraphFm::WindowsMetafile1Click))}),
                     submenu("&Save", {action("Annotation", [] { AnnGraphFm.SaveAnnClick(); }),
                                       action("Metafile", [] { AnnGraphFm.SaveMetafileClick(); })}),
                     action("&Print", [] { AnnGraphFm.Print1Click(); }),
                     action("E&xit", [] { AnnGraphFm.Exit1Click(); })}),
            action("&Text", [] { AnnGraphFm.EditingTextClick(); }),
            action("E&xit", [] { AnnGraphFm.Exit1Click(); }),
            action("Mouse", MouseAnswer),
            action("Click", ClickAnswer),
            action("Resize", ResizeAnswer)};
}

}  // namespace

void registerannotationwindow() {
    ToolWindow tool;
    tool.visible = [] { return AnnGraphFm.visible; };
    tool.show = graphs::showannotationeditor;
    tool.close = [] { AnnGraphFm.Exit1Click(); };
    tool.menu = annotatemenu;
    registertoolwindow("Graph Annotate", std::move(tool));
}

void installannotationmenus(std::vector<MenuItem>& tree) {
    for (MenuItem& menu : tree) {
        if (plaincaption(menu.caption) != "Graph") continue;
        for (MenuItem& item : menu.items)
            if (plaincaption(item.caption) == "Annotations") item.onClick = graphs::showannotationeditor;
    }
}
