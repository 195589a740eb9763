#include "shell/paths.h"

std::string nativepath(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
    if (drive) {
        path.erase(0, 2);
        if (path.empty() || path[0] != '/') path.insert(path.begin(), '/');
    }
    return path;
}

std::string directorypart(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return "";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string filenamepart(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
