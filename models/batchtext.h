// The text of the run dialog's batch editor: plain text in lines, with a selection, cut, copy
// and paste through the program's clipboard, and a change handler that every change of the
// text calls (the dialog marks the batch file modified there). Lines are held without their
// line ends; files are read with CR LF and LF alike and written in DOS text (CR LF).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class BatchText {
public:
    const std::vector<std::string>& lines() const { return lines_; }
    // The whole text, each line ended by '\n'.
    std::string text() const;
    // Replaces the whole text (a file's bytes: CR LF, LF and a lone CR end lines); nothing
    // is selected afterwards, the caret at the start.
    void setText(const std::string& text);
    void setLines(std::vector<std::string> lines);
    void clear() { setLines({}); }
    // Line n (from 1) takes the text; n one past the last line adds a line. False for any
    // other n.
    bool setLine(std::size_t n, const std::string& text);

    // The selection, as positions in text(): [start, end).
    std::size_t selStart() const { return selStart_; }
    std::size_t selEnd() const { return selEnd_; }
    // Selects lines first to last (from 1) with their line ends; false when they are not
    // lines of the text. first = last + 1 puts the caret at the start of line `first` (one
    // past the last line: the end of the text) with nothing selected.
    bool selectLines(std::size_t first, std::size_t last);
    void select(std::size_t start, std::size_t end);
    std::string selected() const;
    // Replaces the selection (the caret when nothing is selected) by the text; the caret then
    // stands after it.
    void replaceSelection(const std::string& text);

    // The clipboard holds text with CR LF line ends. Cut takes the selection away; Copy copies
    // at most `limit` characters of it; Paste puts the clipboard's text in its place.
    void cut();
    void copy(std::size_t limit = std::string::npos);
    void paste();

    // Reads a file into the text; false (the text unchanged) when it does not open.
    bool load(const std::string& name);
    // Writes the lines in DOS text beside the file and renames them over it; false when that
    // failed (the old file is then as it was).
    bool save(const std::string& name) const;

    // Called after every change of the text.
    std::function<void()> onChange;

private:
    void changed();
    std::vector<std::string> lines_;
    std::size_t selStart_ = 0, selEnd_ = 0;
};
