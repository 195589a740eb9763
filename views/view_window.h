// The windows of the data views (the look window and the grids) as console models. Showing a
// window prints it through the platform (standard error, never the results), then takes
// answers until it closes or, shown without waiting, until "Leave": an answer is one of the
// window's console choices, or a path through its own menu ("Copy", "File/Save"), matched as
// the main menu's "::" paths are. An empty answer, or none, takes the default: Leave for a
// window shown without waiting, Close for a modal one. "Close" is the window's close box and
// "Escape" the Escape key (the key is pressed, then its shortcut runs).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shell/menu.h"

// A grid's selected range, in grid columns and rows (fixed ones counted).
struct GridRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

class ViewWindow {
public:
    explicit ViewWindow(std::string caption) : caption_(std::move(caption)) {}
    virtual ~ViewWindow() = default;
    ViewWindow(const ViewWindow&) = delete;
    ViewWindow& operator=(const ViewWindow&) = delete;

    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption) { caption_ = std::move(caption); }
    bool visible() const { return visible_; }
    // The window's main menu (what its row of the main Window menu holds).
    std::vector<MenuItem>& menu() { return menu_; }

    // Makes the window visible, activates it and takes answers: modal until it closes,
    // otherwise until Leave.
    void show(bool modal);
    // Asks the window to close (its close handler may refuse): true when it closed.
    bool close();
    // Runs one answer: a console choice or a path of the window's menu. False when it names
    // nothing the window has.
    bool answer(const std::string& word);
    // What the window prints when it is shown, ending in a line end.
    virtual std::string consoleText() const = 0;
    // Activation (the window comes to the front, or one of its menu items is chosen).
    virtual void activate() {}

protected:
    // A console choice of the window; false when the word is none.
    virtual bool choice(const std::string&) { return false; }
    // The close event: false refuses the close (the window stays as it was).
    virtual bool closing() { return true; }
    // The Escape key: true when the window has a shortcut on it (which then runs).
    virtual bool escapeKey() { return false; }
    // What a modal window does without an answer: its Close (by default the close box).
    virtual void defaultClose() { close(); }
    // Marks the window shown or hidden without the close event.
    void setVisible(bool v) { visible_ = v; }
    // Close on the Escape key's shortcut: the window closes, then waits until the key is
    // released, so that the same press does not also stop a running add file.
    void closeReleasingEscape();

    std::vector<MenuItem> menu_;

private:
    std::string caption_;
    bool visible_ = false;
};

// Runs a path of a window's menu ("File/Save"): each segment matches a visible caption
// without '&', ignoring case, exactly or as the only caption it begins. False when no
// enabled item answers it.
bool runwindowmenu(std::vector<MenuItem>& items, const std::string& path);

// The console text of a grid: the caption, then a line per row, each cell trimmed of blanks
// and padded to its column's widest text (the first `fixedColumns` columns aligned left, the
// others right), cells two blanks apart, no blanks at the end of a line.
std::string gridconsoletext(const std::string& caption, int columns, int rows, int fixedColumns,
                            const std::function<std::string(int column, int row)>& cell);

// A text trimmed of blanks at both ends.
std::string trimmedtext(const std::string& text);

// Reads "l t r b" (a Select answer's numbers) into a range; false unless four whole numbers
// with l <= r and t <= b lie within columns firstColumn..columns-1 and rows firstRow..rows-1.
bool readselection(const std::string& text, int firstColumn, int firstRow, int columns, int rows,
                   GridRect& out);

// The Copy of the grids: the selected range (widened to column 0 and row 0 by the copy
// options), a field per cell followed by a tab, each row's last tab made a CR LF, the last
// CR LF removed, the caption and a line feed first with the title option. `value` gives a
// data cell's value for the scientific notation (false: the cell's text is used).
struct GridCopySource {
    std::string caption;
    GridRect range;
    int fixedColumns = 1, fixedRows = 1;
    std::function<std::string(int column, int row)> cell;
    std::function<bool(int column, int row, double& value)> value;
};
std::string gridcopytext(const GridCopySource& grid, bool title, bool rowHeaders, bool columnHeaders,
                         bool scientific);
// The Copy of a grid: the copy options are asked, then the text goes to the clipboard.
void copygrid(const GridCopySource& grid);
// A menu item with its click handler, or a menu of items.
MenuItem menuitem(const std::string& caption, std::function<void()> click, std::vector<MenuItem> items = {});
// A value in exponent notation with 7 significant digits and at least 4 exponent digits
// (1.234568E+0003).
std::string exponenttext(double value);

// Makes the data views' windows ("Show Form", "Look", "GridTy") known to the Window menu:
// each row is visible while its window is and holds that window's menu, its window
// activated before an item runs; Close All Other closes them.
void registerviewwindows();
