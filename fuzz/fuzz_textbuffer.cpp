// Fuzz target: the editor's text buffer on any bytes. The input is split at its first two
// 0x01 bytes into a find text, a replace text and the text itself (the first byte of the
// find text, when present, picks the options). The searches agree with a plain search at
// every position, Replace All with the dialog's own loop, case changes touch only ASCII
// letters and undo restores every byte; the bridge's cut lines rejoin into the selection and
// the first line of a selection holds no break.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "views/textbuffer.h"

namespace {

bool word(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

unsigned char low(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool matchat(const std::string& t, std::size_t p, const std::string& w, SearchOptions o) {
    if (w.empty() || p + w.size() > t.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i) {
        unsigned char a = t[p + i], b = w[i];
        if (!o.matchCase) a = low(a), b = low(b);
        if (a != b) return false;
    }
    if (!o.wholeWord) return true;
    if (p > 0 && word(t[p - 1])) return false;
    return p + w.size() >= t.size() || !word(t[p + w.size()]);
}

std::size_t first(const std::string& t, const std::string& w, std::size_t from, SearchOptions o) {
    for (std::size_t p = from; p + w.size() <= t.size(); ++p)
        if (matchat(t, p, w, o)) return p;
    return noMatch;
}

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::size_t a = in.find('\x01');
    const std::size_t b = a == std::string::npos ? std::string::npos : in.find('\x01', a + 1);
    if (b == std::string::npos) return 0;
    std::string what = in.substr(0, a);
    const std::string with = in.substr(a + 1, b - a - 1);
    const std::string text = in.substr(b + 1);
    unsigned char flags = 0;
    if (!what.empty()) {
        flags = static_cast<unsigned char>(what[0]);
        what.erase(0, 1);
    }
    const SearchOptions o{(flags & 1) != 0, (flags & 2) != 0};

    TextBuffer t;
    t.load(text);
    check(t.bytes() == text && !t.modified());

    // Searches from a few places, down and up.
    for (std::size_t from : {std::size_t{0}, text.size() / 3, text.size() / 2, text.size()}) {
        check(t.findForward(what, from, text.size(), o) == first(text, what, from, o));
        std::size_t last = noMatch;
        for (std::size_t p = 0; p + what.size() <= from; ++p)
            if (matchat(text, p, what, o)) last = p;
        check(t.findBackward(what, from, o) == last);
    }

    // Replace All against the dialog's loop: search from the caret, replace, caret after.
    {
        std::string ref = text;
        std::size_t caret = 0, count = 0;
        for (std::size_t hit; (hit = first(ref, what, caret, o)) != noMatch;) {
            ref.replace(hit, what.size(), with);
            caret = hit + with.size();
            ++count;
        }
        TextBuffer r;
        r.load(text);
        check(r.replaceAll(what, with, 0, o) == count);
        check(r.bytes() == ref);
        if (count) {
            check(r.undo() && r.bytes() == text);
            check(r.redo() && r.bytes() == ref);
        }
    }

    // Case changes of a selection: the same length, only ASCII letters differ, undone whole.
    const std::size_t s0 = text.size() / 4, len = text.size() / 2;
    for (int change = 0; change < 3; ++change) {
        TextBuffer c;
        c.load(text);
        c.select(s0, len);
        if (change == 0) c.lowerCase();
        else if (change == 1) c.upperCase();
        else c.titleCase();
        check(c.size() == text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned char x = text[i], y = c.bytes()[i];
            if (i < s0 || i >= s0 + len) check(x == y);
            else check(x == y || low(x) == low(y));
        }
        if (c.canUndo()) check(c.undo() && c.bytes() == text);
    }

    // The bridge's cutting: the pieces rejoin, each ends at its only break.
    t.select(s0, len);
    const std::string selected = t.selectedText();
    std::string joined;
    const std::vector<std::string> pieces = cutlines(selected);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::string& p = pieces[i];
        check(!p.empty());
        const std::size_t br = p.find_first_of("\r\n");
        if (i + 1 < pieces.size()) check(br == p.size() - 1);
        else check(br == std::string::npos || br == p.size() - 1);
        joined += p;
    }
    check(joined == selected);
    const std::string line = firstline(selected);
    check(line.find_first_of("\r\n") == std::string::npos);
    check(line.empty() || (static_cast<unsigned char>(line.front()) > 32 && static_cast<unsigned char>(line.back()) > 32));

    // Lines: every position lies on the line that starts at or before it.
    const std::size_t lines = t.lineCount();
    for (std::size_t pos = 0; pos <= text.size(); pos += 1 + text.size() / 16) {
        const std::size_t l = t.lineOf(pos);
        check(l < lines && t.lineStart(l) <= pos && t.lineBreakEnd(l) >= pos);
    }
    return 0;
}
