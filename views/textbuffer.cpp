#include "views/textbuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Backward searches look at blocks of starting places, from the end towards the start; in
// each the last match wins.
constexpr std::size_t blockSize = 64 * 1024;

inline unsigned char foldbyte(unsigned char c) {
    return static_cast<unsigned char>(c | ((static_cast<unsigned char>(c - 'A') < 26) << 5));
}

bool hasletter(std::string_view s) {
    for (unsigned char c : s)
        if (foldbyte(c) != c || (c >= 'a' && c <= 'z')) return true;
    return false;
}

// Sixteen bytes at a time, folded in registers (A-Z gain the 0x20 bit).
using Bytes16 = unsigned char __attribute__((vector_size(16)));

inline Bytes16 load16(const char* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline Bytes16 fold16(Bytes16 v) {
    const Bytes16 upper = reinterpret_cast<Bytes16>(static_cast<Bytes16>(v - 'A') < 26);
    return v | (upper & 0x20);
}

inline bool any16(Bytes16 v) {
    std::uint64_t half[2];
    std::memcpy(half, &v, sizeof half);
    return (half[0] | half[1]) != 0;
}

// Finds the places where the needle stands, without the whole-word rule: with memmem when
// case matters (or the needle has no letters), else by comparing the folded first and last
// bytes of sixteen places at once and checking the places where both agree.
class Finder {
public:
    Finder(const std::string& text, std::string_view what, bool matchCase)
        : text_(text), needle_(what), fold_(!matchCase && hasletter(what)) {
        if (fold_)
            for (char& c : needle_) c = static_cast<char>(foldbyte(static_cast<unsigned char>(c)));
    }

    // The first place at or after p whose match ends at or before `to`; noMatch when none.
    std::size_t next(std::size_t p, std::size_t to) const {
        const std::size_t m = needle_.size();
        to = std::min(to, text_.size());
        if (m == 0 || p > to || to - p < m) return noMatch;
        const char* base = text_.data();
        if (!fold_) {
            const void* hit = memmem(base + p, to - p, needle_.data(), m);
            return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : noMatch;
        }
        const std::size_t last = to - m;  // the last place a match may start
        const unsigned char first = static_cast<unsigned char>(needle_[0]);
        const unsigned char final = static_cast<unsigned char>(needle_[m - 1]);
        for (; p + 16 <= last + 1; p += 16) {
            const Bytes16 a = fold16(load16(base + p)) == first;
            const Bytes16 b = fold16(load16(base + p + m - 1)) == final;
            const Bytes16 both = reinterpret_cast<Bytes16>(a) & reinterpret_cast<Bytes16>(b);
            if (!any16(both)) continue;
            for (std::size_t k = 0; k < 16; ++k)
                if (both[k] && matchesat(p + k)) return p + k;
        }
        for (; p <= last; ++p)
            if (matchesat(p)) return p;
        return noMatch;
    }

private:
    bool matchesat(std::size_t p) const {
        for (std::size_t i = 0; i < needle_.size(); ++i)
            if (foldbyte(static_cast<unsigned char>(text_[p + i])) != static_cast<unsigned char>(needle_[i]))
                return false;
        return true;
    }

    const std::string& text_;
    std::string needle_;
    bool fold_;
};

// No letter, digit or '_' right before the match (`before`, -1 for none) or right after it.
bool wholeword(int before, const std::string& text, std::size_t after) {
    if (before >= 0 && wordbyte(static_cast<unsigned char>(before))) return false;
    return after >= text.size() || !wordbyte(static_cast<unsigned char>(text[after]));
}

bool wholeat(const std::string& text, std::size_t pos, std::size_t m) {
    return wholeword(pos ? static_cast<unsigned char>(text[pos - 1]) : -1, text, pos + m);
}

bool isbreak(char c) { return c == '\n' || c == '\r'; }

}  // namespace

bool wordbyte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

void TextBuffer::load(std::string bytes) {
    text_ = std::move(bytes);
    selStart_ = selLength_ = 0;
    modified_ = false;
    undo_.clear();
    redo_.clear();
}

void TextBuffer::select(std::size_t start, std::size_t length) {
    selStart_ = std::min(start, text_.size());
    selLength_ = std::min(length, text_.size() - selStart_);
}

void TextBuffer::record(Step step) {
    undo_.push_back(std::move(step));
    redo_.clear();
    modified_ = true;
}

void TextBuffer::replace(std::size_t pos, std::size_t length, std::string_view with) {
    pos = std::min(pos, text_.size());
    length = std::min(length, text_.size() - pos);
    if (length == 0 && with.empty()) return;
    Step step{pos, {}, with.size(), selStart_, selLength_, modified_};
    if (pos == 0 && length == text_.size()) {
        step.removed = std::move(text_);
        text_.assign(with.data(), with.size());
    } else {
        step.removed = text_.substr(pos, length);
        text_.replace(pos, length, with.data(), with.size());
    }
    record(std::move(step));
    select(pos + with.size(), 0);
}

TextBuffer::Step TextBuffer::swapStep(Step step) {
    Step back{step.pos, {}, step.removed.size(), selStart_, selLength_, modified_};
    if (step.pos == 0 && step.inserted == text_.size()) {
        back.removed = std::move(text_);
        text_ = std::move(step.removed);
    } else {
        back.removed = text_.substr(step.pos, step.inserted);
        text_.replace(step.pos, step.inserted, step.removed);
    }
    select(step.selStart, step.selLength);
    // The text differs from what the file holds as far as anybody can tell.
    modified_ = true;
    return back;
}

bool TextBuffer::moveStep(std::vector<Step>& from, std::vector<Step>& to) {
    if (from.empty()) return false;
    Step step = std::move(from.back());
    from.pop_back();
    to.push_back(swapStep(std::move(step)));
    return true;
}

bool TextBuffer::undo() { return moveStep(undo_, redo_); }
bool TextBuffer::redo() { return moveStep(redo_, undo_); }

std::size_t TextBuffer::findForward(std::string_view what, std::size_t from, std::size_t to,
                                    SearchOptions options) const {
    Finder finder(text_, what, options.matchCase);
    for (std::size_t p = from;;) {
        const std::size_t hit = finder.next(p, to);
        if (hit == noMatch || !options.wholeWord || wholeat(text_, hit, what.size())) return hit;
        p = hit + 1;
    }
}

std::size_t TextBuffer::findBackward(std::string_view what, std::size_t end, SearchOptions options) const {
    const std::size_t m = what.size();
    end = std::min(end, text_.size());
    if (m == 0 || end < m) return noMatch;
    Finder finder(text_, what, options.matchCase);
    // Blocks of starting places, from the last possible start down to 0; in each, the last
    // match wins.
    std::size_t hi = end - m;  // the last start this block may hold
    for (;;) {
        const std::size_t lo = hi + 1 > blockSize ? hi + 1 - blockSize : 0;
        std::size_t last = noMatch;
        for (std::size_t p = lo;;) {
            const std::size_t hit = finder.next(p, hi + m);
            if (hit == noMatch) break;
            if (!options.wholeWord || wholeat(text_, hit, m)) last = hit;
            p = hit + 1;
        }
        if (last != noMatch) return last;
        if (lo == 0) return noMatch;
        hi = lo - 1;
    }
}

std::size_t TextBuffer::findDown(std::string_view what, SearchOptions options) const {
    return findForward(what, selEnd(), text_.size(), options);
}

std::size_t TextBuffer::findUp(std::string_view what, SearchOptions options) const {
    if (hasSelection()) return findBackward(what, selStart_, options);
    // Nothing selected: a match may start at the caret itself.
    return findBackward(what, std::min(text_.size(), selStart_ + what.size()), options);
}

std::size_t TextBuffer::replaceAll(std::string_view what, std::string_view with, std::size_t from,
                                   SearchOptions options) {
    const std::size_t m = what.size();
    from = std::min(from, text_.size());
    if (m == 0) return 0;
    Finder finder(text_, what, options.matchCase);
    std::size_t first = finder.next(from, text_.size());
    if (first == noMatch) return 0;
    // The text is built anew in one pass: what a search made after each replacement would
    // see is the text built so far followed by the rest of the old text.
    std::string out;
    out.reserve(text_.size() + (with.size() > m ? (with.size() - m) * 16 : 0));
    out.append(text_, 0, from);
    std::size_t cur = from, count = 0;
    for (std::size_t hit = first; hit != noMatch; hit = finder.next(cur, text_.size())) {
        out.append(text_, cur, hit - cur);
        cur = hit;
        if (options.wholeWord &&
            !wholeword(out.empty() ? -1 : static_cast<unsigned char>(out.back()), text_, hit + m)) {
            out.push_back(text_[hit]);
            cur = hit + 1;
            continue;
        }
        out.append(with.data(), with.size());
        cur = hit + m;
        ++count;
    }
    if (count == 0) return 0;
    const std::size_t caret = out.size();
    out.append(text_, cur, std::string::npos);
    Step step{0, std::move(text_), out.size(), selStart_, selLength_, modified_};
    text_ = std::move(out);
    record(std::move(step));
    // The caret stands after the last text put in.
    select(caret, 0);
    return count;
}

namespace {

template <class F>
std::string mapped(std::string_view s, F f) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(f(static_cast<unsigned char>(c)));
    return out;
}

unsigned char lowerbyte(unsigned char c) { return foldbyte(c); }
unsigned char upperbyte(unsigned char c) {
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
}

}  // namespace

void TextBuffer::lowerCase() {
    if (!hasSelection()) return;
    const std::size_t start = selStart_, length = selLength_;
    replace(start, length, mapped(selectedText(), lowerbyte));
    select(start, length);
}

void TextBuffer::upperCase() {
    if (!hasSelection()) return;
    const std::size_t start = selStart_, length = selLength_;
    replace(start, length, mapped(selectedText(), upperbyte));
    select(start, length);
}

void TextBuffer::titleCase() {
    if (!hasSelection()) return;
    const std::size_t start = selStart_, length = selLength_;
    std::string s = selectedText();
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (i == 0) {
            s[i] = static_cast<char>(upperbyte(c));
        } else {
            const char before = s[i - 1];
            s[i] = static_cast<char>(before == ' ' || before == '\t' ? upperbyte(c) : lowerbyte(c));
        }
    }
    replace(start, length, s);
    select(start, length);
}

std::size_t TextBuffer::lineCount() const {
    std::size_t n = 1;
    for (std::size_t i = 0; i < text_.size(); ++i)
        if (text_[i] == '\n' || (text_[i] == '\r' && (i + 1 == text_.size() || text_[i + 1] != '\n'))) ++n;
    return n;
}

std::size_t TextBuffer::lineStart(std::size_t line) const {
    std::size_t pos = 0;
    for (; line > 0; --line) {
        std::size_t i = pos;
        while (i < text_.size() && !isbreak(text_[i])) ++i;
        if (i == text_.size()) return text_.size();
        pos = i + (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n' ? 2 : 1);
    }
    return pos;
}

std::size_t TextBuffer::lineTextEnd(std::size_t line) const {
    std::size_t i = lineStart(line);
    while (i < text_.size() && !isbreak(text_[i])) ++i;
    return i;
}

std::size_t TextBuffer::lineBreakEnd(std::size_t line) const {
    const std::size_t i = lineTextEnd(line);
    if (i == text_.size()) return i;
    return i + (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n' ? 2 : 1);
}

std::size_t TextBuffer::lineOf(std::size_t pos) const {
    pos = std::min(pos, text_.size());
    std::size_t n = 0;
    // A CR right before pos whose LF is at pos has not ended its line yet.
    for (std::size_t i = 0; i < pos; ++i)
        if (text_[i] == '\n' || (text_[i] == '\r' && (i + 1 == text_.size() || text_[i + 1] != '\n'))) ++n;
    return n;
}

std::string TextBuffer::lineBreak() const {
    const std::size_t i = text_.find_first_of("\r\n");
    if (i == std::string::npos) return "\n";
    if (text_[i] == '\r') return i + 1 < text_.size() && text_[i + 1] == '\n' ? "\r\n" : "\r";
    return "\n";
}

std::vector<std::string> cutlines(std::string_view text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (isbreak(text[i])) {
            pieces.emplace_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    if (start < text.size()) pieces.emplace_back(text.substr(start));
    return pieces;
}

std::string trimcontrols(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
    return std::string(text.substr(b, e - b));
}

std::string firstline(std::string_view text) {
    std::string s = trimcontrols(text);
    for (;;) {
        const std::size_t cut = s.find_first_of("\r\n");
        if (cut == std::string::npos) return s;
        s = trimcontrols(std::string_view(s).substr(0, cut));
    }
}
