#include "views/view_window.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/clipboard.h"
#include "platform/platform.h"
#include "shell/form.h"
#include "views/look_window.h"
#include "views/series_grid.h"
#include "views/small_dialogs.h"
#include "views/vam_grid.h"

void ViewWindow::show(bool modal) {
    visible_ = true;
    activate();
    while (visible_) {
        std::string word;
        const bool given = platform::current().formAnswer(consoleText(), word);
        word = trimmedtext(word);
        if (!given || word.empty()) {
            if (!modal) return;
            defaultClose();
            continue;
        }
        if (!modal && samewords(word, "Leave")) return;
        answer(word);
    }
}

bool ViewWindow::close() {
    if (!visible_) return true;
    if (!closing()) return false;
    visible_ = false;
    return true;
}

void ViewWindow::closeReleasingEscape() {
    close();
    platform::clearEscape();
}

bool ViewWindow::answer(const std::string& word) {
    if (choice(word)) return true;
    if (runwindowmenu(menu_, word)) return true;
    if (samewords(word, "Close")) {
        close();
        return true;
    }
    if (samewords(word, "Escape") || samewords(word, "Esc")) return escapeKey();
    return false;
}

bool runwindowmenu(std::vector<MenuItem>& items, const std::string& path) {
    std::vector<MenuItem>* level = &items;
    MenuItem* found = nullptr;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string segment =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        found = findmenuitem(*level, segment);
        if (!found || !found->isEnabled()) return false;
        if (slash == std::string::npos) break;
        level = &found->items;
        start = slash + 1;
    }
    if (!found->onClick) return false;
    found->onClick();
    return true;
}

std::string trimmedtext(const std::string& text) {
    const std::size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    const std::size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

std::string gridconsoletext(const std::string& caption, int columns, int rows, int fixedColumns,
                            const std::function<std::string(int, int)>& cell) {
    std::vector<std::vector<std::string>> texts(static_cast<std::size_t>(rows > 0 ? rows : 0));
    std::vector<std::size_t> widths(static_cast<std::size_t>(columns > 0 ? columns : 0), 0);
    for (int r = 0; r < rows; ++r) {
        auto& line = texts[static_cast<std::size_t>(r)];
        line.reserve(widths.size());
        for (int c = 0; c < columns; ++c) {
            line.push_back(trimmedtext(cell(c, r)));
            widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)], line.back().size());
        }
    }
    std::string out = caption;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += '\n';
    for (const auto& line : texts) {
        std::string row;
        for (std::size_t c = 0; c < line.size(); ++c) {
            if (c > 0) row += "  ";
            const std::string pad(widths[c] - line[c].size(), ' ');
            if (static_cast<int>(c) < fixedColumns) row += line[c] + pad;
            else row += pad + line[c];
        }
        while (!row.empty() && row.back() == ' ') row.pop_back();
        out += row + '\n';
    }
    return out;
}

bool readselection(const std::string& text, int firstColumn, int firstRow, int columns, int rows,
                   GridRect& out) {
    long n[4];
    const char* p = text.c_str();
    for (long& v : n) {
        char* end = nullptr;
        errno = 0;
        v = std::strtol(p, &end, 10);
        if (end == p || errno != 0) return false;
        p = end;
    }
    while (*p == ' ') ++p;
    if (*p) return false;
    if (n[0] < firstColumn || n[2] < n[0] || n[2] >= columns) return false;
    if (n[1] < firstRow || n[3] < n[1] || n[3] >= rows) return false;
    out = GridRect{static_cast<int>(n[0]), static_cast<int>(n[1]), static_cast<int>(n[2]), static_cast<int>(n[3])};
    return true;
}

std::string exponenttext(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6E", value);
    std::string text = buffer;
    const std::size_t e = text.find('E');
    if (e == std::string::npos || e + 2 > text.size()) return text;  // inf, nan
    std::string digits = text.substr(e + 2);
    while (digits.size() < 4) digits.insert(digits.begin(), '0');
    return text.substr(0, e + 2) + digits;
}

std::string gridcopytext(const GridCopySource& grid, bool title, bool rowHeaders, bool columnHeaders,
                         bool scientific) {
    GridRect r = grid.range;
    if (rowHeaders) r.left = 0;
    if (columnHeaders) r.top = 0;
    std::string text;
    if (title) text = grid.caption + "\n";
    for (int row = r.top; row <= r.bottom; ++row) {
        for (int column = r.left; column <= r.right; ++column) {
            double v = 0;
            const bool data = column >= grid.fixedColumns && row >= grid.fixedRows;
            if (data && scientific && grid.value && grid.value(column, row, v)) text += exponenttext(v);
            else text += trimmedtext(grid.cell(column, row));
            text += '\t';
        }
        if (!text.empty() && text.back() == '\t') text.back() = '\r';
        text += '\n';
    }
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    return text;
}

void copygrid(const GridCopySource& grid) {
    ShowCopy.ask();
    platform::clipboard().setText(gridcopytext(grid, ShowCopy.cbIncTitle(), ShowCopy.cbIncRowHeaders(),
                                               ShowCopy.cbIncColHeaders(), ShowCopy.rbScientific()));
}

MenuItem menuitem(const std::string& caption, std::function<void()> click, std::vector<MenuItem> items) {
    MenuItem m;
    m.caption = caption;
    m.onClick = std::move(click);
    m.items = std::move(items);
    return m;
}

void registerviewwindows() {
    // Reached through a getter each time, so a window made anew is the one used.
    const std::pair<const char*, std::function<ViewWindow*()>> rows[] = {
        {"Look", [] { return static_cast<ViewWindow*>(&LookForm2); }},
        {"GridTy", [] { return static_cast<ViewWindow*>(&MattyFm); }},
        {"Show Form", [] { return static_cast<ViewWindow*>(ShowFm); }},
    };
    for (const auto& row : rows) {
        const std::function<ViewWindow*()> window = row.second;
        ToolWindow tool;
        tool.visible = [window] {
            ViewWindow* w = window();
            return w && w->visible();
        };
        tool.show = [window] {
            if (ViewWindow* w = window()) w->show(false);
        };
        tool.close = [window] {
            if (ViewWindow* w = window()) w->close();
        };
        tool.menu = [window] {
            ViewWindow* w = window();
            return w ? w->menu() : std::vector<MenuItem>{};
        };
        tool.activate = [window] {
            if (ViewWindow* w = window()) w->activate();
        };
        registertoolwindow(row.first, std::move(tool));
    }
}
