#include "models/batchtext.h"

#include "models/modelfiles.h"
#include "platform/clipboard.h"
#include "views/editor.h"

std::size_t BatchText::count() const {
    const std::string& t = buffer_.bytes();
    std::size_t n = buffer_.lineCount();
    // A break at the end starts no line of its own.
    if (t.empty() || t.back() == '\n' || t.back() == '\r') --n;
    return n;
}

std::vector<std::string> BatchText::lines() const {
    std::vector<std::string> out;
    const std::string& t = buffer_.bytes();
    std::size_t pos = 0;
    while (pos < t.size()) {
        std::size_t end = t.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = t.size();
        out.push_back(t.substr(pos, end - pos));
        pos = end;
        if (pos < t.size()) pos += t[pos] == '\r' && pos + 1 < t.size() && t[pos + 1] == '\n' ? 2 : 1;
    }
    return out;
}

void BatchText::changed() {
    if (onChange) onChange();
}

void BatchText::setLines(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\r\n";
    buffer_.replace(0, buffer_.size(), all);
    buffer_.setCaret(0);
    changed();
}

bool BatchText::setLine(std::size_t n, const std::string& text) {
    const std::size_t lines = count();
    if (n < 1 || n > lines + 1) return false;
    // A line holds no break: what follows one is cut.
    const std::string line = text.substr(0, text.find_first_of("\r\n"));
    const std::size_t selStart = buffer_.selStart(), selLength = buffer_.selLength();
    if (n <= lines) {
        const std::size_t start = buffer_.lineStart(n - 1);
        buffer_.replace(start, buffer_.lineTextEnd(n - 1) - start, line);
    } else {
        const std::string& t = buffer_.bytes();
        // The text's own line break, or CR LF in a text without one.
        const std::string brk = t.find_first_of("\r\n") == std::string::npos ? "\r\n" : buffer_.lineBreak();
        const bool ended = t.empty() || t.back() == '\n' || t.back() == '\r';
        buffer_.replace(t.size(), 0, (ended ? "" : brk) + line + brk);
    }
    buffer_.select(selStart, selLength);  // the selection stays where it was, within the text
    changed();
    return true;
}

bool BatchText::selectLines(std::size_t first, std::size_t last) {
    const std::size_t lines = count();
    if (first < 1 || last + 1 < first || last > lines) return false;
    const std::size_t start = buffer_.lineStart(first - 1);
    select(start, last >= first ? buffer_.lineBreakEnd(last - 1) : start);
    return true;
}

void BatchText::replaceSelection(const std::string& text) {
    buffer_.replaceSelection(text);
    changed();
}

void BatchText::copy(std::size_t limit) {
    const std::string piece = selected().substr(0, limit);
    std::string out;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        if (piece[i] == '\r') {
            out += "\r\n";
            if (i + 1 < piece.size() && piece[i + 1] == '\n') ++i;
        } else if (piece[i] == '\n') {
            out += "\r\n";
        } else {
            out += piece[i];
        }
    }
    platform::clipboard().setText(out);
}

void BatchText::cut() {
    if (!buffer_.hasSelection()) return;
    copy();
    replaceSelection("");
}

void BatchText::paste() {
    if (platform::clipboard().hasText()) replaceSelection(platform::clipboard().text());
}

bool BatchText::load(const std::string& name) {
    std::string bytes;
    if (!readfilebytes(name, bytes)) return false;
    buffer_.load(std::move(bytes));
    changed();
    return true;
}

bool BatchText::save(const std::string& name) const { return writedosfile(name, lines()); }
