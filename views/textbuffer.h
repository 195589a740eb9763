// The text of an editor window: the file's bytes as they were loaded (Save writes them back
// unchanged), a selection, a modified flag, and undo/redo with one step per operation.
// Positions are byte offsets. A line ends at LF, at CR LF or at a lone CR; every line is
// counted with its own break. Searches compare bytes; without match case the ASCII letters
// fold, and a whole word has no letter, digit or '_' next to it. Case changes touch ASCII
// letters only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct SearchOptions {
    bool matchCase = false;
    bool wholeWord = false;
};

// No match (a position that no text has).
constexpr std::size_t noMatch = static_cast<std::size_t>(-1);

class TextBuffer {
public:
    // The text as loaded: caret at 0, nothing selected, not modified, no undo.
    void load(std::string bytes);
    const std::string& bytes() const { return text_; }
    std::size_t size() const { return text_.size(); }

    // The selection: its start (the caret) and its length, both clamped to the text.
    std::size_t selStart() const { return selStart_; }
    std::size_t selLength() const { return selLength_; }
    std::size_t selEnd() const { return selStart_ + selLength_; }
    bool hasSelection() const { return selLength_ != 0; }
    void select(std::size_t start, std::size_t length);
    void setCaret(std::size_t pos) { select(pos, 0); }
    std::string selectedText() const { return text_.substr(selStart_, selLength_); }

    bool modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }

    // Editing; each call is one undo step and sets the modified flag. The caret then stands
    // after the text put in, with nothing selected.
    void replace(std::size_t pos, std::size_t length, std::string_view with);
    void replaceSelection(std::string_view with) { replace(selStart_, selLength_, with); }
    // Empties the text (one undo step when there was text).
    void clear() { replace(0, text_.size(), {}); }

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Take back the last step (its text is selected again as it was); redo puts it back.
    bool undo();
    bool redo();

    // The first match starting at or after `from` and ending at or before `to`; noMatch when
    // there is none, and always for an empty text.
    std::size_t findForward(std::string_view what, std::size_t from, std::size_t to,
                            SearchOptions options) const;
    // The last match ending at or before `end`; noMatch when there is none.
    std::size_t findBackward(std::string_view what, std::size_t end, SearchOptions options) const;
    // The downward search of the find dialog: from the end of the selection to the end of
    // the text.
    std::size_t findDown(std::string_view what, SearchOptions options) const;
    // The upward search: the nearest match ending at or before the selection's start, or
    // with nothing selected the nearest match starting at or before the caret.
    std::size_t findUp(std::string_view what, SearchOptions options) const;

    // Replace All from `from` to the end: every match (searched after the text put in for
    // the one before, so a replacement holding the find text does not loop) is replaced.
    // One undo step; the caret stands after the last replacement. Returns the count.
    std::size_t replaceAll(std::string_view what, std::string_view with, std::size_t from,
                           SearchOptions options);

    // Case changes of the selection (the selection stays on the changed text).
    void lowerCase();
    void upperCase();
    // Title case: the first letter and every letter after a blank or a tab upper case, every
    // other letter lower case.
    void titleCase();

    // Lines: the number of lines (breaks + 1), where a line starts, where its text ends
    // (before its break) and where its break ends, the line of a position (0-based) and its
    // column (1-based).
    std::size_t lineCount() const;
    std::size_t lineStart(std::size_t line) const;
    std::size_t lineTextEnd(std::size_t line) const;
    std::size_t lineBreakEnd(std::size_t line) const;
    std::size_t lineOf(std::size_t pos) const;
    std::size_t columnOf(std::size_t pos) const { return pos - lineStart(lineOf(pos)) + 1; }
    // The line break the text uses first (LF when it has none).
    std::string lineBreak() const;

private:
    struct Step {
        std::size_t pos = 0;
        std::string removed;        // the text the step took out
        std::size_t inserted = 0;   // the length of the text it put in
        std::size_t selStart = 0, selLength = 0;  // the selection before the step
        bool modified = false;                    // the modified flag before the step
    };
    // Applies a step's reverse and returns the step that reverses that again.
    Step swapStep(Step step);
    // Takes the last step of one list back (undo or redo) and puts its reverse on the other.
    bool moveStep(std::vector<Step>& from, std::vector<Step>& to);
    void record(Step step);

    std::string text_;
    std::size_t selStart_ = 0, selLength_ = 0;
    bool modified_ = false;
    std::vector<Step> undo_, redo_;
};

// True for a letter, a digit or '_' (what a whole word may not touch).
bool wordbyte(unsigned char c);
// The bridge's cutting of a selection into the lines it runs: each piece ends at a CR or an
// LF and includes it (a CR LF pair gives a piece ending in CR and a piece holding the LF);
// what follows the last break, when not empty, is the last piece. The pieces rejoin into
// the text.
std::vector<std::string> cutlines(std::string_view text);
// The first line of a text, trimmed of blanks and control characters at both ends: the
// trimming and the cut at a line break repeat until no break remains.
std::string firstline(std::string_view text);
// Text trimmed of blanks and control characters (codes up to 32) at both ends.
std::string trimcontrols(std::string_view text);
