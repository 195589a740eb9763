// The main window's menus as data: a tree of items (caption, checked, enabled, visible, what
// a click does, what opening a menu does), built once. A "::path" line of standard input
// reaches it: the segments, split at '/', match the visible captions without '&', ignoring
// case, exactly or else as the only caption they begin. A menu runs its opening handler and
// lists its items; an item runs its handler. "::" alone lists the whole tree. The lists and
// the messages about paths go to the platform's notices (standard error), never the results.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct MenuItem {
    std::string caption;
    std::function<void()> onClick;   // null: a menu, or an item of another part of the system
    std::function<void()> onOpen;    // run when the menu is opened
    std::function<bool()> checked;   // null: never checked
    std::function<bool()> enabled;   // null: always enabled
    std::function<bool()> visible;   // null: always visible
    bool separator = false;
    std::vector<MenuItem> items;
    std::string pathName;  // a path segment naming the item besides its caption (an editor's number)

    bool isChecked() const { return checked && checked(); }
    bool isEnabled() const { return !enabled || enabled(); }
    bool isVisible() const { return !separator && (!visible || visible()); }
};

// A menu of the given items.
MenuItem submenu(const std::string& caption, std::vector<MenuItem> items);

// The tree: the main menu's menus, then the tool bar as the menu "Toolbar".
std::vector<MenuItem>& mainmenu();
// Rebuilds the tree (the recent-files items follow the list).
void buildmainmenu();
// Runs a "::" line's path (the text after "::").
void runmenupath(const std::string& path);
// The visible item of a menu level that a path segment names: its caption without '&',
// ignoring case (or its path name), else the only caption that begins with the segment;
// null when none does.
MenuItem* findmenuitem(std::vector<MenuItem>& level, const std::string& segment);
// Runs a path among the given items (a window's own menus): a menu lists its items, an item
// runs its handler; an item with both runs its handler.
void runmenuitems(std::vector<MenuItem>& items, const std::string& path);
// The listing of items below a menu, as "::" prints it (two blanks of indent per level).
std::string listmenu(const std::vector<MenuItem>& items, int level, bool deep);
// "Error:  the menu item \"%s\" is not available in this version.\n"
void notavailable(const std::string& caption);

// A tool window of the Window menu's fixed rows, as the part of the system that owns it
// makes it known: whether it is visible (its row is shown only then), how its row brings it
// forward, how Close All Other closes it, and the menu that hangs under its row
// ("::Window/GridTy/Copy"). Rows of windows nobody registered stay hidden.
struct ToolWindow {
    std::function<bool()> visible;
    std::function<void()> show;
    std::function<void()> close;
    std::function<std::vector<MenuItem>()> menu;
    // Run when a path goes through the row: the window is activated before its item runs.
    std::function<void()> activate;
};
// Registers the window of the row with this caption ("Show Form", "Look", "GridTy", ...).
void registertoolwindow(const std::string& caption, ToolWindow window);
// The registered window of a row, null when none is.
const ToolWindow* toolwindow(const std::string& caption);
// True when a registered tool window is visible (Close All Other is enabled only then).
bool anytoolwindowvisible();
// Close All Other: closes each visible tool window in the order of the rows.
void closetoolwindows();
