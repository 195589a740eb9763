// The Graph menu's handlers and the Window menu's rows of the graph windows.
#include <cstdio>

#include "graphs/graph_command.h"
#include "graphs/graph_windows.h"
#include "graphs/line_styles.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "shell/dialogs.h"
#include "shell/mainform.h"
#include "shell/menu.h"
#include "shell/menu_handlers.h"

void GraphSaveAsClick() { graphs::graphsaveas(); }
void S1Click() { graphs::graphshift(1); }
void Shift21Click() { graphs::graphshift(2); }
void Print1Click() { graphs::graphprint(); }
void GraphSettingsClick() { graphs::showgraphsettings(true); }
void GraphFontClick() { fontdialog(Main.graphFont, "Font"); }
void GraphBrowser1Click() { graphs::BrowseGraph.show(); }
bool graphitemsenabled() { return graphs::graphItemsEnabled; }

namespace {

MenuItem windowitem(const std::string& caption, std::function<void()> click) {
    MenuItem m;
    m.caption = caption;
    m.onClick = std::move(click);
    return m;
}

// Size: "<width> <height>" in pixels, kept on the screen; the window repaints.
MenuItem sizeitem(graphs::GraphWindow& w) {
    return windowitem("Size", [&w] {
        std::string answer;
        int width = 0, height = 0;
        if (!platform::current().askText("Width and height", w.caption, answer) ||
            std::sscanf(answer.c_str(), "%d %d", &width, &height) != 2)
            return;
        Bounds b = w.place();
        b.width = width;
        b.height = height;
        fitonscreen(b, platform::workAreaWidth, platform::workAreaHeight);
        w.place().top = b.top;
        w.place().left = b.left;
        w.resize(b.width, b.height);
    });
}

}  // namespace

void registergraphwindows() {
    using namespace graphs;
    for (GraphWindow* w : std::initializer_list<GraphWindow*>{&GraphForm, &GrForm1, &GrForm2, &BrowseGraph}) {
        ToolWindow tool;
        tool.visible = [w] { return w->visible; };
        tool.show = [w] { w->show(); };
        tool.close = [w] { w->close(); };
        tool.menu = [w] {
            if (w == &BrowseGraph)
                return std::vector<MenuItem>{windowitem("&Open", [] { BrowseGraph.Open1Click(); }),
                                             windowitem("E&xit", [] { BrowseGraph.Exit1Click(); }),
                                             sizeitem(BrowseGraph)};
            std::vector<MenuItem> items = {windowitem("Close", [w] { w->close(); }), sizeitem(*w)};
            if (w == &GraphForm) {
                items.push_back(windowitem("Maximize", [] { GraphForm.setState(WindowState::maximized); }));
                items.push_back(windowitem("Normal", [] { GraphForm.setState(WindowState::normal); }));
            }
            return items;
        };
        const char* row = w == &GraphForm ? "Jex Graph" : w == &GrForm1 ? "Graph 1"
                        : w == &GrForm2 ? "Graph 2" : "Graph Browser";
        registertoolwindow(row, std::move(tool));
    }
    ToolWindow settings;
    settings.visible = [] { return graphsettingsopen(); };
    settings.show = [] { showgraphsettings(true); };
    settings.close = [] { closegraphsettings(); };
    registertoolwindow("Jex Graph Settings", std::move(settings));
}
