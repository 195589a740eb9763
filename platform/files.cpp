#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <random>
#include <utility>

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

std::string resolveLinks(const std::string& path) {
    std::string current = path;
    // Forty links in a row are a loop; the path is then taken as it stands.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return current;
        link.resize(static_cast<std::size_t>(n));
        if (link[0] == '/') {
            current = link;
        } else {
            const std::size_t slash = current.find_last_of('/');
            current = slash == std::string::npos ? link : current.substr(0, slash + 1) + link;
        }
    }
    return path;
}

std::FILE* openForUpdate(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "r+b");
    if (!f) ::close(fd);
    return f;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool truncateFile(std::FILE* f, std::int64_t size) {
    return f && std::fflush(f) == 0 && ::ftruncate(fileno(f), static_cast<off_t>(size)) == 0;
}

// ---------------------------------------------------------------------------------------
// Files rewritten whole

ReplacingFile::ReplacingFile(const std::string& path) : target_(resolveLinks(path)) {}

ReplacingFile::~ReplacingFile() { abandon(); }

std::FILE* ReplacingFile::open(const char* mode) {
    abandon();
    struct stat old;
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    int fd = -1;
    if (exists && !S_ISREG(old.st_mode)) {
        // A device or a pipe is written as it is; a directory cannot be opened to write.
        inPlace_ = true;
        fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    } else {
        inPlace_ = false;
        static std::minstd_rand next(static_cast<unsigned>(::getpid()) ^
                                     static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(this)));
        for (int tries = 0; fd < 0 && tries < 100; ++tries) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".tmp%06x", static_cast<unsigned>(next() & 0xFFFFFF));
            temp_ = target_ + suffix;
            // O_EXCL: a name already taken (a file, a link, a directory) is never used.
            fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            temp_.clear();
            return nullptr;
        }
        if (exists) {
            // The new file takes the old one's owner (where allowed) and permissions.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
                [[maybe_unused]] int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
            }
            [[maybe_unused]] int ignored = ::fchmod(fd, old.st_mode & 07777);
        }
    }
    if (fd < 0) return nullptr;
    file_ = ::fdopen(fd, mode);
    if (!file_) {
        const int saved = errno;
        ::close(fd);
        abandon();
        errno = saved;
    }
    return file_;
}

bool ReplacingFile::commit(bool toDevice) {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    if (ok && toDevice && !inPlace_) ok = ::fsync(fileno(file_)) == 0;
    int saved = errno;
    if (std::fclose(file_) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    file_ = nullptr;
    if (ok && !inPlace_) {
        ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
        saved = errno;
        if (ok) temp_.clear();
    }
    abandon();
    errno = saved;
    return ok;
}

void ReplacingFile::abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

// ---------------------------------------------------------------------------------------
// Advisory locks

namespace {

struct HeldLock {
    int fd = -1;
    int users = 0;
};

std::map<std::pair<std::uint64_t, std::uint64_t>, HeldLock>& heldlocks() {
    static std::map<std::pair<std::uint64_t, std::uint64_t>, HeldLock> locks;
    return locks;
}

}  // namespace

FileLock::Result FileLock::acquire(std::FILE* f, const std::string& path) {
    release();
    if (!fileIdentity(f, device_, number_)) return Failed;
    auto& locks = heldlocks();
    const auto key = std::make_pair(device_, number_);
    auto it = locks.find(key);
    if (it != locks.end()) {
        ++it->second.users;
        held_ = true;
        return Locked;
    }
    // A descriptor of its own, so that closing the bank's stream never drops the lock.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_dev) != device_ ||
        static_cast<std::uint64_t>(st.st_ino) != number_) {
        if (fd >= 0) ::close(fd);
        return Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? InUse : Failed;
    }
    locks[key] = HeldLock{fd, 1};
    held_ = true;
    return Locked;
}

void FileLock::release() {
    if (!held_) return;
    held_ = false;
    auto& locks = heldlocks();
    auto it = locks.find(std::make_pair(device_, number_));
    if (it == locks.end()) return;
    if (--it->second.users > 0) return;
    ::close(it->second.fd);  // closing the last descriptor of the lock releases it
    locks.erase(it);
}

}  // namespace platform
