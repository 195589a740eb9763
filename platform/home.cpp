#include "platform/home.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

namespace {

std::string environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

}  // namespace

std::string programHome() {
    std::string home = environment("JEX_HOME");
    if (!home.empty()) return home;
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty()) {
        std::string user = environment("HOME");
        config = (user.empty() ? std::string(".") : user) + "/.config";
    }
    return config + "/jex7";
}

bool makeProgramHome() {
    std::error_code ec;
    std::filesystem::create_directories(programHome(), ec);
    return directoryExists(programHome());
}

std::string homeFile(const std::string& name) { return programHome() + "/" + name; }

std::string executableDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    return exe.parent_path().string();
}

std::string helpFilePath() {
    const std::string home = homeFile("Jex7Help.chm");
    if (fileExists(home)) return home;
    const std::string exeDir = executableDirectory();
    if (!exeDir.empty() && fileExists(exeDir + "/Jex7Help.chm")) return exeDir + "/Jex7Help.chm";
    return home;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t freeSpace(const std::string& path) {
    std::string fixed = environment("JEX_FREE_SPACE_MB");
    if (!fixed.empty()) return std::strtoll(fixed.c_str(), nullptr, 10) * 1048576;
    struct statvfs fs;
    if (::statvfs(path.c_str(), &fs) != 0) return -1;
    return static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
}

}  // namespace platform
