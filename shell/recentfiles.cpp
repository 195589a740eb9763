#include "shell/recentfiles.h"

#include <strings.h>

#include <fstream>
#include <sstream>

#include "core/printout.h"
#include "platform/files.h"
#include "platform/home.h"
#include "shell/mainform.h"

TFileHistory* recentFiles = nullptr;

namespace {

// The list compares its paths ignoring letter case.
int indexof(const std::vector<std::string>& list, const std::string& path) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].size() == path.size() && strncasecmp(list[i].c_str(), path.c_str(), path.size()) == 0)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

std::vector<std::string> parserecentfiles(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) out.push_back(line);
        start = end + 1;
    }
    return out;
}

TFileHistory::TFileHistory(int maxEntries_, std::string fileName_)
    : maxEntries(maxEntries_), fileName(std::move(fileName_)) {
    if (!platform::fileExists(fileName)) return;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return;
    std::ostringstream s;
    s << in.rdbuf();
    entries = parserecentfiles(s.str());
    rebuildMenu();
}

TFileHistory::~TFileHistory() {
    // The path given last is not lost: it goes to the top, as addFile("") puts it.
    addFile("");
    if (!save()) pausebox("Could not save history file", "Error");
}

void TFileHistory::addFile(const std::string& path) {
    if (path.empty()) {
        int i = indexof(entries, currentPath);
        if (i >= 0) entries.erase(entries.begin() + i);
    }
    if (!currentPath.empty() && indexof(entries, currentPath) < 0)
        entries.insert(entries.begin(), currentPath);
    if (!path.empty()) {
        int first = indexof(entries, path);
        if (first >= 0) {
            std::vector<std::string> rest(entries.begin() + first + 1, entries.end());
            int second = indexof(rest, path);
            if (second >= 0) entries.erase(entries.begin() + first + 1 + second);
        }
    }
    currentPath = path;
    rebuildMenu();
}

void TFileHistory::rebuildMenu() {
    if (static_cast<int>(entries.size()) > maxEntries) entries.resize(static_cast<std::size_t>(maxEntries));
}

void TFileHistory::itemClick(int n) {
    if (n < 0 || n >= static_cast<int>(entries.size())) return;
    const std::string path = entries[static_cast<std::size_t>(n)];
    Main.openEditorFile(path);
}

std::vector<std::string> TFileHistory::captions() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < entries.size(); ++i) out.push_back("&" + std::to_string(i + 1) + " " + entries[i]);
    return out;
}

bool TFileHistory::save() const {
    if (!platform::makeProgramHome() && fileName.rfind(platform::programHome(), 0) == 0) return false;
    platform::ReplacingFile file(fileName);
    std::FILE* f = file.open("wb");
    if (!f) return false;
    // Written byte for byte: a path read with a zero byte in it is kept whole.
    for (const std::string& e : entries) {
        const std::string line = e + "\n";
        if (std::fwrite(line.data(), 1, line.size(), f) != line.size()) return false;
    }
    return file.commit();
}

void openrecentfiles() {
    delete recentFiles;
    recentFiles = new TFileHistory(9, platform::homeFile("file_history.dat"));
}

void closerecentfiles() {
    delete recentFiles;
    recentFiles = nullptr;
}
