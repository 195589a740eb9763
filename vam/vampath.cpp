#include "vam/vampath.h"

#include <cstdio>
#include <filesystem>

std::string vampath(const char* name) {
    std::string path(name ? name : "");
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string vamdirectory(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec) return "";
    return p.lexically_normal().parent_path().string();
}

bool replacefile(const std::string& path, const std::string& bytes) {
    const std::string part = path + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(part.c_str(), path.c_str()) == 0) return true;
    std::remove(part.c_str());
    return false;
}
