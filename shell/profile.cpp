#include "shell/profile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/home.h"

namespace {

std::string trimmed(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

bool parseint32(const std::string& text, int& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    out = static_cast<int>(v);
    return true;
}

ProfileFile::Section* ProfileFile::section(const std::string& name, bool make) {
    for (Section& s : sections_)
        if (sameName(s.name, name)) return &s;
    if (!make) return nullptr;
    sections_.push_back(Section{name, {}});
    return &sections_.back();
}

const ProfileFile::Section* ProfileFile::section(const std::string& name) const {
    for (const Section& s : sections_)
        if (sameName(s.name, name)) return &s;
    return nullptr;
}

void ProfileFile::parse(const std::string& text) {
    sections_.clear();
    Section* current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            std::size_t close = line.find(']');
            if (close == std::string::npos) continue;  // not a section line: skipped
            current = section(trimmed(line.substr(1, close - 1)), true);
            continue;
        }
        std::size_t eq = line.find('=');
        if (!current || eq == std::string::npos) continue;
        std::string key = trimmed(line.substr(0, eq));
        if (key.empty()) continue;
        std::string value;
        if (find(current->name, key, value)) continue;  // the first of two equal keys counts
        current->keys.emplace_back(key, trimmed(line.substr(eq + 1)));
    }
}

void ProfileFile::load(const std::string& path) {
    sections_.clear();
    if (!platform::fileExists(path)) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    std::ostringstream s;
    s << in.rdbuf();
    parse(s.str());
}

bool ProfileFile::find(const std::string& sectionName, const std::string& key,
                       std::string& value) const {
    const Section* s = section(sectionName);
    if (!s) return false;
    for (const auto& kv : s->keys)
        if (sameName(kv.first, key)) {
            value = kv.second;
            return true;
        }
    return false;
}

std::string ProfileFile::readString(const std::string& s, const std::string& key,
                                    const std::string& def) const {
    std::string v;
    return find(s, key, v) ? v : def;
}

int ProfileFile::readInteger(const std::string& s, const std::string& key, int def) const {
    std::string v;
    int n = 0;
    return find(s, key, v) && parseint32(v, n) ? n : def;
}

bool ProfileFile::readBool(const std::string& s, const std::string& key, bool def) const {
    return readInteger(s, key, def ? 1 : 0) != 0;
}

void ProfileFile::writeString(const std::string& s, const std::string& key, const std::string& text) {
    // A line end inside a value would end the line in the file.
    std::string value = text;
    for (char& c : value)
        if (c == '\n' || c == '\r') c = ' ';
    Section* sec = section(s, true);
    for (auto& kv : sec->keys)
        if (sameName(kv.first, key)) {
            kv.second = value;
            return;
        }
    sec->keys.emplace_back(key, value);
}

void ProfileFile::writeInteger(const std::string& s, const std::string& key, long long value) {
    writeString(s, key, std::to_string(value));
}

void ProfileFile::writeBool(const std::string& s, const std::string& key, bool value) {
    writeString(s, key, value ? "1" : "0");
}

std::string ProfileFile::text() const {
    std::string out;
    for (const Section& s : sections_) {
        out += "[" + s.name + "]\n";
        for (const auto& kv : s.keys) out += kv.first + "=" + kv.second + "\n";
    }
    return out;
}

bool ProfileFile::save(const std::string& path) const {
    platform::ReplacingFile file(path);
    std::FILE* f = file.open("wb");
    if (!f) return false;
    const std::string t = text();
    if (std::fwrite(t.data(), 1, t.size(), f) != t.size()) return false;
    return file.commit();
}
