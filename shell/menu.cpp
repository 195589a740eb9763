#include "shell/menu.h"

#include <strings.h>

#include "core/printout.h"
#include "interp/state.h"
#include "models/fixforms.h"
#include "models/modelmenu.h"
#include "models/orybuild.h"
#include "models/runctrl.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "regress/regress_state.h"
#include "regress/settings_commands.h"
#include "shell/dialogs.h"
#include "shell/form.h"
#include "shell/mainform.h"
#include "shell/menu_annot.h"
#include "shell/menu_handlers.h"
#include "shell/recentfiles.h"
#include "shell/shell_commands.h"
#include "shell/start.h"
#include "views/window_menu.h"
#include "views/view_window.h"

MenuItem submenu(const std::string& caption, std::vector<MenuItem> items) {
    MenuItem m;
    m.caption = caption;
    m.items = std::move(items);
    return m;
}

namespace {

std::vector<MenuItem> tree;
bool built = false;

MenuItem item(const std::string& caption, std::function<void()> click = nullptr) {
    MenuItem m;
    m.caption = caption;
    m.onClick = std::move(click);
    return m;
}

// An item whose handler belongs to a part of the system that this version lacks.
MenuItem other(const std::string& caption) {
    MenuItem m;
    m.caption = caption;
    const std::string name = plaincaption(caption);
    m.onClick = [name] { notavailable(name); };
    return m;
}

MenuItem separator() {
    MenuItem m;
    m.separator = true;
    return m;
}

MenuItem hidden(MenuItem m) {
    m.visible = [] { return false; };
    return m;
}

MenuItem disabled(MenuItem m) {
    m.enabled = [] { return false; };
    return m;
}

// Enabled while a graph window is shown.
MenuItem whilegraphshown(MenuItem m) {
    m.enabled = graphitemsenabled;
    return m;
}

// The execute box: runs the add file it names (choosing one first when it is empty).
void ExecuteButtonClick() {
    std::string name = Main.executeBoxText;
    if (name.empty()) {
        if (!filedialog("Open", "", name) || name.empty()) return;
        if (!platform::fileExists(name)) {
            printout("\nWarning:  File \"%s\"not found.\n", name.c_str());
            return;
        }
        Main.executeBoxText = name;
    }
    if (!platform::fileExists(name)) {
        printout("\nWarning:  File \"%s\"not found.\n", name.c_str());
        return;
    }
    runaddline(name);
}

// The Load button: chooses the file for the execute box.
void SpeedButton7Click() {
    std::string name;
    filedialog("Open", "", name);
    if (name.empty()) return;
    if (!platform::fileExists(name)) {
        printout("\nWarning:  File \"%s\"not found.\n", name.c_str());
        return;
    }
    Main.executeBoxText = name;
}

std::vector<MenuItem> recentitems() {
    std::vector<MenuItem> out;
    if (!recentFiles) return out;
    const std::vector<std::string> captions = recentFiles->captions();
    for (std::size_t i = 0; i < captions.size(); ++i)
        out.push_back(item(captions[i], [i] { recentFiles->itemClick(static_cast<int>(i)); }));
    if (!out.empty()) out.push_back(separator());
    return out;
}

// The fixed rows of the Window menu, in the order Close All Other closes their windows.
const char* const windowRowCaptions[] = {"Show Form", "Jex Graph", "Graph 1", "Graph 2", "Run ", "Run Orb",
                                         "Jex Graph Settings", "Bank Listing", "Graph Browser", "Graph Annotate",
                                         "Tables", "Regression Setting", "OryBuild", "Mac Mender", "Vec Mender",
                                         "Look", "GridTy"};

std::vector<std::pair<std::string, ToolWindow>>& toolwindows() {
    static std::vector<std::pair<std::string, ToolWindow>> windows;
    return windows;
}

// A fixed row of the Window menu: shown while its registered window is visible; it brings the
// window forward, or, when the window has a menu, that menu hangs under it.
MenuItem toolwindowrow(const std::string& caption) {
    MenuItem m = item(caption, [caption] {
        if (const ToolWindow* w = toolwindow(caption); w && w->show) w->show();
    });
    m.visible = [caption] {
        const ToolWindow* w = toolwindow(caption);
        return w && w->visible && w->visible();
    };
    if (const ToolWindow* w = toolwindow(caption); w && w->menu) m.items = w->menu();
    // A row with the window's own menu under it opens that menu; a row without one is an item.
    if (!m.items.empty()) m.onClick = nullptr;
    m.onOpen = [caption] {
        if (const ToolWindow* w = toolwindow(caption); w && w->activate) w->activate();
    };
    return m;
}

// The Window menu: Close All Editors, Close All Other, a separator, a row per registered
// editor (by its number), then the fixed rows, each shown while its window is visible.
std::vector<MenuItem> windowrows() {
    MenuItem closeEditors = item("Close All Editors", [] { Main.CloseAllEditors1Click(); });
    closeEditors.enabled = [] { return Main.editorCount != 0; };
    MenuItem closeOther = item("Close All Other", [] { Main.CloseAllOther1Click(); });
    closeOther.enabled = [] { return anytoolwindowvisible(); };
    std::vector<MenuItem> out = {closeEditors, closeOther, separator()};
    for (MenuItem& m : editorwindowitems()) out.push_back(std::move(m));
    for (const char* row : windowRowCaptions) out.push_back(toolwindowrow(row));
    return out;
}

}  // namespace

void registertoolwindow(const std::string& caption, ToolWindow window) {
    for (auto& [name, w] : toolwindows())
        if (name == caption) {
            w = std::move(window);
            return;
        }
    toolwindows().emplace_back(caption, std::move(window));
}

const ToolWindow* toolwindow(const std::string& caption) {
    for (const auto& [name, w] : toolwindows())
        if (name == caption) return &w;
    return nullptr;
}

bool anytoolwindowvisible() {
    for (const char* row : windowRowCaptions)
        if (const ToolWindow* w = toolwindow(row); w && w->visible && w->visible()) return true;
    return false;
}

void closetoolwindows() {
    for (const char* row : windowRowCaptions)
        if (const ToolWindow* w = toolwindow(row); w && w->visible && w->visible() && w->close) w->close();
}

void notavailable(const std::string& caption) {
    printout("Error:  the menu item \"%s\" is not available in this version.\n", caption.c_str());
}

void buildmainmenu() {
    registergraphwindows();
    registerviewwindows();
    registerannotationwindow();
    MenuItem autoSize = item("&Auto Font Size", AutoFontSizeClick);
    autoSize.checked = [] { return mainAutoFontSize; };
    MenuItem autoCompleteItem = item("Autocomplete", [] { autoComplete = !autoComplete; });
    autoCompleteItem.checked = [] { return autoComplete; };
    MenuItem file = submenu("&File", {
        item("Open Editor", [] { Main.Editor1Click(); }),
        item("Execute Script", ExecuteButtonClick),
        hidden(item("Execute File", ExecuteButtonClick)),
        item("Change Directory", ChangeDirClick),
        item("Open WordPad", WordPad1Click),
        item("Clear Results Window", [] { Main.Clearresults1Click(); }),
        item("Change Font", FontDlgClick),
        autoSize,
        item("Set Background Color", BackgroundColor1Click),
        autoCompleteItem,
        submenu("Command Cache", {item("Display Previous Commands", [] { Main.DisplayPreviousCommands1Click(); }),
                               item("Clear Cache", [] { Main.ClearCache1Click(); }),
                               item("Replay Cached Commands", [] { Main.ReplayCachedCommands1Click(); })}),
        separator(),
    });
    for (MenuItem& m : recentitems()) file.items.push_back(m);
    file.items.push_back(item("Open DOS Window", DOS1Click));
    file.items.push_back(item("Exit", [] {
        // the main window closes, unless an editor kept its text open
        if (shutdown() == 0) quitRequested = true;
    }));

    MenuItem windowmenu = submenu("&Window", windowrows());
    windowmenu.onOpen = [] { Main.MainWindowClick(); };
    MenuItem zip = item("&Zip", MainRegZipClick);
    zip.checked = [] { return mainRegZipChecked; };
    MenuItem cmdBtn = item("CmdBtn", [] { Main.panelTop = !Main.panelTop; });
    cmdBtn.checked = [] { return Main.panelTop; };
    tree = {
        file,
        submenu("&Edit", {item("Cut", [] { Main.Cut1Click(); }), item("Copy", [] { Main.Copy1Click(); }),
                       item("Paste", [] { Main.Paste1Click(); }), item("&Options", showoptions)}),
        submenu("&Bank", {item("Assign Data Banks", Assign1Click), item("Close All Banks", CloseAllBanks1Click),
                       item("Assign Workspace Bank", Workspace1Click), item("Look at a Bank", Look1Click),
                       item("List Loaded Banks", List1Click), item("Zap:  Clear Workspace Memory", Zap1Click)}),
        submenu("&Graph", {whilegraphshown(item("Save", GraphSaveAsClick)), item("Settings", GraphSettingsClick),
                        item("Font", GraphFontClick), whilegraphshown(item("Shift1", S1Click)),
                        whilegraphshown(item("Shift2", Shift21Click)), item("Printer setup", printersetupdialog),
                        whilegraphshown(item("Print", Print1Click)), other("Annotations"),
                        item("Graph Browser", GraphBrowser1Click)}),
        submenu("&Regression", {item("Settings", RegresSettingsClick), zip}),
        item("&Editor", [] { Main.Editor1Click(); }),
        submenu("&Model", {item("Edit Master File", ModelMasterClick), item("Build Macro Model", ModelBuildClick), item("Run Macro Model", [] { RunForm().showModal(true); }),
                        item("Run &OryBuild and compile model", [] { OryBldForm().showModal(true); }), hidden(item("Run VecMender", [] {
                            vecFixRunBatch = true;
                            VecFixFm().showModal(true);
                        })),
                        hidden(item("Run MacMender", [] {
                            macFixRunBatch = true;
                            MacFixFm().showModal(true);
                        })), item("Run &Orb Model", RunOrb1Click),
                        item("Tables - Configure and Run", Tables1Click), item("Express Tables - Run Tabrun.bat", ExpressTables1Click)}),
        windowmenu,
        submenu("&Help", {item("Contents", [] { openhelppage(helpContentsPage); }),
                       item("Tutorial", [] { openhelppage(helpTutorialPage); }),
                       item("Reference", [] { openhelppage(helpReferencePage); }),
                       item("About",
                            [] {
                                TAboutBox box;
                                box.showModal();
                            }),
                       item("Online Help", [] { openwebaddress(onlineHelpAddress, "Online Help"); }),
                       item("Check For Updates", [] { openwebaddress(updatesAddress, "Check For Updates"); }),
                       item("Norvane Web Site", [] { openwebaddress(makerSiteAddress, "Norvane Web Site"); })}),
        submenu("Toolbar", {item("FileOpenBtn", [] { Main.Editor1Click(); }), item("SpeedButton3", ChangeDirClick), item("SpeedButton4", FontDlgClick),
                         item("SpeedButton5", Look1Click), item("SpeedButton6", GraphSettingsClick), cmdBtn,
                         item("SpeedButton1", [] { openhelppage(helpReferencePage); }),
                         item("SpeedButton2", ExecuteButtonClick), item("Load", SpeedButton7Click),
                         item("ExecuteBox",
                              [] {
                                  std::string name;
                                  if (platform::current().askText("ExecuteBox", "Toolbar", name))
                                      Main.executeBoxText = name;
                              }),
                         hidden(disabled(item("Execute", ExecuteButtonClick)))}),
    };
    installannotationmenus(tree);
    built = true;
}

std::vector<MenuItem>& mainmenu() {
    if (!built) buildmainmenu();
    return tree;
}

std::string listmenu(const std::vector<MenuItem>& items, int level, bool deep) {
    std::string out;
    for (const MenuItem& m : items) {
        if (!m.isVisible()) continue;
        out += std::string(static_cast<std::size_t>(2 * level), ' ') + plaincaption(m.caption);
        if (m.isChecked()) out += " [x]";
        if (!m.isEnabled()) out += " (disabled)";
        out += "\n";
        if (deep) out += listmenu(m.items, level + 1, true);
    }
    return out;
}

void runmenupath(const std::string& path) {
    buildmainmenu();  // the recent-files items follow the list
    if (path.empty()) {
        std::string list = listmenu(tree, 0, true);
        if (!list.empty()) list.pop_back();
        platform::current().notice(list);
        return;
    }
    runmenuitems(tree, path);
}

MenuItem* findmenuitem(std::vector<MenuItem>& level, const std::string& segment) {
    MenuItem* prefix = nullptr;
    int prefixes = 0;
    for (MenuItem& m : level) {
        if (!m.isVisible()) continue;
        const std::string caption = plaincaption(m.caption);
        if (samewords(caption, segment) || (!m.pathName.empty() && m.pathName == segment)) return &m;
        if (!segment.empty() && caption.size() > segment.size() &&
            strncasecmp(caption.c_str(), segment.c_str(), segment.size()) == 0) {
            prefix = &m;
            ++prefixes;
        }
    }
    return prefixes == 1 ? prefix : nullptr;
}

void runmenuitems(std::vector<MenuItem>& items, const std::string& path) {
    std::vector<MenuItem>* level = &items;
    MenuItem* found = nullptr;
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = path.find('/', start);
        const std::string segment = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        found = findmenuitem(*level, segment);
        if (!found) {
            platform::current().notice("No menu item \"" + path + "\".");
            return;
        }
        if (!found->isEnabled()) {
            platform::current().notice("The menu item \"" + path + "\" is disabled.");
            return;
        }
        if (slash == std::string::npos) break;
        if (found->onOpen) found->onOpen();
        level = &found->items;
        start = slash + 1;
    }
    if (!found->onClick) {
        if (found->onOpen) found->onOpen();
        std::string list = listmenu(found->items, 1, false);
        if (!list.empty() && list.back() == '\n') list.pop_back();
        platform::current().notice(list);
        return;
    }
    found->onClick();
}
