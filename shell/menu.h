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

    bool isChecked() const { return checked && checked(); }
    bool isEnabled() const { return !enabled || enabled(); }
    bool isVisible() const { return !separator && (!visible || visible()); }
};

// The tree: the main menu's menus, then the tool bar as the menu "Toolbar".
std::vector<MenuItem>& mainmenu();
// Rebuilds the tree (the recent-files items follow the list).
void buildmainmenu();
// Runs a "::" line's path (the text after "::").
void runmenupath(const std::string& path);
// The listing of items below a menu, as "::" prints it (two blanks of indent per level).
std::string listmenu(const std::vector<MenuItem>& items, int level, bool deep);
// "Error:  the menu item \"%s\" is not available in this version.\n"
void notavailable(const std::string& caption);
