#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool flushFile(std::FILE* f, bool toDevice) {
    if (std::fflush(f) != 0) return false;
    return !toDevice || ::fsync(fileno(f)) == 0;
}

bool writeAt(std::FILE* f, std::int64_t pos, const std::uint8_t* data, std::size_t n,
             bool toDevice) {
    const int fd = fileno(f);
    std::size_t done = 0;
    while (done < n) {
        ssize_t w = ::pwrite(fd, data + done, n - done, static_cast<off_t>(pos + done));
        if (w <= 0) return false;
        done += static_cast<std::size_t>(w);
    }
    return !toDevice || ::fsync(fd) == 0;
}

bool readAt(std::FILE* f, std::int64_t pos, std::uint8_t* out, std::size_t n) {
    const int fd = fileno(f);
    std::size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd, out + done, n - done, static_cast<off_t>(pos + done));
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
    }
    return true;
}

std::int64_t fileSize(std::FILE* f) {
    if (!f) return -1;
    struct stat st;
    if (::fstat(fileno(f), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool seekTo(std::FILE* f, std::int64_t pos) {
    return f && fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
}

bool fileIdentity(std::FILE* f, std::uint64_t& device, std::uint64_t& number) {
    struct stat st;
    if (!f || ::fstat(fileno(f), &st) != 0) return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    number = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

bool changeDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

}  // namespace platform
