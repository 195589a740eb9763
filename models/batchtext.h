// The text of the run dialog's batch editor, kept in the editor windows' text buffer: plain
// text seen as lines (a line break ends a line; what follows the last break, when not empty,
// is the last line), with a selection, cut, copy and paste through the program's clipboard,
// and a change handler that every change of the text calls (the dialog marks the batch file
// modified there). Files are read as they are and written in DOS text, line by line.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "views/textbuffer.h"

class BatchText {
public:
    std::vector<std::string> lines() const;
    const std::string& text() const { return buffer_.bytes(); }
    // Replaces the whole text by the lines, each ended in CR LF.
    void setLines(const std::vector<std::string>& lines);
    void clear() { setLines({}); }
    // Line n (from 1) takes the text; n one past the last line adds a line. False for any
    // other n.
    bool setLine(std::size_t n, const std::string& text);

    // The selection, as byte positions in text(): [start, end).
    std::size_t selStart() const { return buffer_.selStart(); }
    std::size_t selEnd() const { return buffer_.selEnd(); }
    // Selects lines first to last (from 1) with their line breaks; false when they are not
    // lines of the text. first = last + 1 puts the caret at the start of line `first` (one
    // past the last line: the end of the text) with nothing selected.
    bool selectLines(std::size_t first, std::size_t last);
    void select(std::size_t start, std::size_t end) { buffer_.select(start, end > start ? end - start : 0); }
    std::string selected() const { return buffer_.selectedText(); }
    // Replaces the selection (the caret when nothing is selected) by the text; the caret then
    // stands after it.
    void replaceSelection(const std::string& text);

    // The clipboard holds text with CR LF line breaks. Cut takes the selection away; Copy
    // copies at most `limit` bytes of it; Paste puts the clipboard's text in its place.
    void cut();
    void copy(std::size_t limit = std::string::npos);
    void paste();

    // Reads a file into the text; false (the text unchanged) when it cannot be read.
    bool load(const std::string& name);
    // Writes the lines in DOS text beside the file and renames them over it; false when that
    // failed (the old file is then as it was).
    bool save(const std::string& name) const;

    // Called after every change of the text.
    std::function<void()> onChange;

private:
    // The number of lines.
    std::size_t count() const;
    void changed();
    TextBuffer buffer_;
};
