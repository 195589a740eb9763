#include "models/batchtext.h"

#include <algorithm>
#include <cstdio>

#include "models/modelfiles.h"
#include "platform/clipboard.h"

namespace {

// The text with every CR LF and lone CR made a '\n'.
std::string unixlines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> splitlines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

}  // namespace

std::string BatchText::text() const {
    std::string out;
    for (const std::string& line : lines_) out += line + '\n';
    return out;
}

void BatchText::changed() {
    if (onChange) onChange();
}

void BatchText::setText(const std::string& text) {
    lines_ = splitlines(unixlines(text));
    selStart_ = selEnd_ = 0;
    changed();
}

void BatchText::setLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    selStart_ = selEnd_ = 0;
    changed();
}

bool BatchText::setLine(std::size_t n, const std::string& text) {
    if (n < 1 || n > lines_.size() + 1) return false;
    // A line holds no line end: what follows one is cut.
    std::string line = unixlines(text);
    line = line.substr(0, line.find('\n'));
    if (n == lines_.size() + 1) lines_.push_back(line);
    else lines_[n - 1] = line;
    std::size_t size = this->text().size();
    selStart_ = std::min(selStart_, size);
    selEnd_ = std::min(selEnd_, size);
    changed();
    return true;
}

bool BatchText::selectLines(std::size_t first, std::size_t last) {
    if (first < 1 || last + 1 < first || last > lines_.size()) return false;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < first; ++i) start += lines_[i].size() + 1;
    std::size_t end = start;
    for (std::size_t i = first - 1; i < last; ++i) end += lines_[i].size() + 1;
    select(start, end);
    return true;
}

void BatchText::select(std::size_t start, std::size_t end) {
    std::size_t size = text().size();
    selStart_ = std::min(start, size);
    selEnd_ = std::min(std::max(end, selStart_), size);
}

std::string BatchText::selected() const { return text().substr(selStart_, selEnd_ - selStart_); }

void BatchText::replaceSelection(const std::string& inserted) {
    std::string all = text();
    std::string piece = unixlines(inserted);
    all.replace(selStart_, selEnd_ - selStart_, piece);
    std::size_t caret = selStart_ + piece.size();
    lines_ = splitlines(all);
    selStart_ = selEnd_ = std::min(caret, text().size());
    changed();
}

void BatchText::copy(std::size_t limit) {
    std::string piece = selected().substr(0, limit);
    std::string out;
    for (char c : piece) {
        if (c == '\n') out += '\r';
        out += c;
    }
    platform::clipboard().setText(out);
}

void BatchText::cut() {
    if (selStart_ == selEnd_) return;
    copy();
    replaceSelection("");
}

void BatchText::paste() {
    if (platform::clipboard().hasText()) replaceSelection(platform::clipboard().text());
}

bool BatchText::load(const std::string& name) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    std::string bytes;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    setText(bytes);
    return true;
}

bool BatchText::save(const std::string& name) const { return writedosfile(name, lines_); }
