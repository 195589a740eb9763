// Shared mappings of files (see mapping.h).
#include "platform/mapping.h"

#include <sys/mman.h>
#include <sys/vfs.h>

namespace platform {

namespace {

// File systems whose overwrites of a file's existing bytes need no new space.
bool overwritesinplace(int fd) {
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0) return false;
    constexpr unsigned long ext = 0xEF53, tmpfs = 0x01021994;
    const unsigned long type = static_cast<unsigned long>(fs.f_type);
    return type == ext || type == tmpfs;
}

}  // namespace

bool SharedFileMapping::map(std::FILE* f, std::size_t reserve) {
    release();
    if (!f || reserve == 0) return false;
    const int fd = fileno(f);
    if (fd < 0 || !overwritesinplace(fd)) return false;
    void* p = ::mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return false;
    data_ = static_cast<std::uint8_t*>(p);
    length_ = reserve;
    return true;
}

void SharedFileMapping::release() {
    if (data_) ::munmap(data_, length_);
    data_ = nullptr;
    length_ = 0;
}

}  // namespace platform
