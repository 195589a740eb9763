#include "shell/dircmd.h"

#include <dirent.h>
#include <fnmatch.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "platform/home.h"
#include "platform/process.h"
#include "shell/paths.h"

namespace {

struct Entry {
    std::string name;
    bool directory = false;
    std::int64_t size = 0;
    std::int64_t mtime = 0;
};

std::string trimmed(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace

std::string dirsizetext(std::int64_t n) {
    char buf[32];
    if (n < 1024) std::snprintf(buf, sizeof buf, "%lld B", static_cast<long long>(n));
    else if (n < 1048576) std::snprintf(buf, sizeof buf, "%lldKB", static_cast<long long>(n / 1024));
    else if (n < 1073741824) std::snprintf(buf, sizeof buf, "%lldMB", static_cast<long long>(n / 1048576));
    else std::snprintf(buf, sizeof buf, "%lldGB", static_cast<long long>(n / 1073741824));
    return buf;
}

bool dirtimetext(std::int64_t seconds, std::string& date, std::string& time) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local;
    if (!localtime_r(&t, &local)) return false;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d\\%02d\\%04d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    date = buf;
    // Hours after noon are shown less 12 with PM, noon itself as 12 PM; the hours before
    // noon as they are with AM (half past midnight is 00:30 AM).
    int hour = local.tm_hour;
    const char* half = hour >= 12 ? "PM" : "AM";
    if (hour > 12) hour -= 12;
    std::snprintf(buf, sizeof buf, "%02d:%02d %s", hour, local.tm_min, half);
    time = buf;
    return true;
}

void listdirectory(std::string filter) {
    filter = trimmed(filter);
    if (filter.empty()) filter = "*";
    const std::string cwd = platform::currentDirectory();
    std::string heading = cwd;
    std::string completed = filter;
    if (filter.find_first_of("\\/") != std::string::npos) {
        completed = nativepath(filter);
        if (completed[0] != '/') completed = cwd + "/" + completed;
        heading = completed;
    }
    printout("\n\nDirectory of: %s\n\n", heading.c_str());
    if (completed.back() != '*') completed += "*";
    filter += filter.back() == '*' ? "" : "*";

    // The folder searched and the pattern of the names.
    std::string folder = ".", pattern = completed;
    std::size_t slash = completed.find_last_of('/');
    if (slash != std::string::npos) {
        folder = slash == 0 ? "/" : completed.substr(0, slash);
        pattern = completed.substr(slash + 1);
    }
    std::vector<Entry> entries;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            if (fnmatch(pattern.c_str(), e->d_name, FNM_CASEFOLD) != 0) continue;
            struct stat st;
            std::string path = folder + "/" + e->d_name;
            if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) continue;
            Entry x;
            x.name = e->d_name;
            x.directory = S_ISDIR(st.st_mode);
            x.size = x.directory ? 0 : static_cast<std::int64_t>(st.st_size);
            x.mtime = static_cast<std::int64_t>(st.st_mtime);
            entries.push_back(std::move(x));
        }
        closedir(d);
    }
    if (entries.empty()) {
        printout("\nFile \"%s\" not found.\n", slash == std::string::npos ? filter.c_str() : completed.c_str());
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        int c = strcasecmp(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    int files = 0, dirs = 0;
    double megabytes = 0;
    for (const Entry& e : entries) {
        std::string date, time;
        if (!dirtimetext(e.mtime, date, time)) {
            printout("\nError:  in \"dir\" command.  Syntax is:\n");
            printout("dir [filter]\n");
            return;
        }
        printout("%s\t%s\t%7s\t%8s\t%s\n", date.c_str(), time.c_str(), e.directory ? "<Dir>" : "",
                 e.directory ? "" : dirsizetext(e.size).c_str(), e.name.c_str());
        if (e.directory) ++dirs;
        else ++files;
        megabytes += static_cast<double>(e.size) / 1048576.0;
    }
    printout("\n\t\t%d file(s), %f MB\n", files, megabytes);
    const std::int64_t free = platform::freeSpace(".");
    printout("\t\t%d Dir(s)\t%d MB free\n\n\n", dirs, static_cast<int>(free < 0 ? 0 : free / 1048576));
}

int dircmd(std::FILE* in) {
    std::string filter;
    int c = chop(in);
    bool comment = false;
    while (c != '\n' && c != '\r' && c != -1 && c != 0 && c != 18 && c != 27) {
        if (c == '#') {
            comment = true;
            break;
        }
        filter += static_cast<char>(c);
        c = chop(in);
    }
    if (comment || c == '\r') skipline(in);
    listdirectory(filter);
    return 0;
}
