// Positioned file access, sizes, identities and the working directory: the few file-system
// services the banks and the shell need beyond buffered streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// Pushes a stream's buffered bytes to the operating system and, with `toDevice`, on to the
// storage device. False when either step fails.
bool flushFile(std::FILE* f, bool toDevice);

// Writes n bytes at a position of the file without the stream's buffer (the stream's own
// position is not used); with `toDevice` the file is then forced to the storage device.
// False on a failed or short write.
bool writeAt(std::FILE* f, std::int64_t pos, const std::uint8_t* data, std::size_t n,
             bool toDevice);

// Reads n bytes at a position of the file, whatever the stream's position; false when fewer
// could be read.
bool readAt(std::FILE* f, std::int64_t pos, std::uint8_t* out, std::size_t n);

// The file's size in bytes, -1 when it cannot be told.
std::int64_t fileSize(std::FILE* f);

// Moves the stream to a 64-bit position; false when that fails.
bool seekTo(std::FILE* f, std::int64_t pos);

// The file's identity on its device (device and file number); false when it cannot be told.
bool fileIdentity(std::FILE* f, std::uint64_t& device, std::uint64_t& number);

// Changes the working directory; false when that fails.
bool changeDirectory(const std::string& path);

}  // namespace platform

namespace platform {

// The file a path names once its symbolic links are followed (the last component, again
// and again, relative links read from the link's own folder); the path itself when it is
// no link. A link to a file that does not exist yet gives that file's path.
std::string resolveLinks(const std::string& path);

// Opens a file for reading and writing without truncating it, creating it when it does not
// exist; null on failure. The descriptor is not inherited by child processes.
std::FILE* openForUpdate(const std::string& path);

// Removes a file (never a directory); false when there was none or it could not be removed.
bool removeFile(const std::string& path);

// Cuts the file to `size` bytes; false when that fails.
bool truncateFile(std::FILE* f, std::int64_t size);

// A file rewritten whole, so that an interrupted or failed writer never leaves half a file
// under the name. The path's symbolic links are followed and a regular file (or none) is
// written beside its target under a fresh temporary name and renamed over it on commit,
// taking the old file's permissions (and owner and group where that is allowed). A target
// that exists and is not a regular file (a device, a pipe) is written in place and never
// replaced. Only the temporary this object created is ever removed, and only with unlink,
// which never removes a directory.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& path);
    ~ReplacingFile();  // abandons an uncommitted file
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Opens the stream to write ("w" text, "wb" binary); null on failure (errno tells why).
    std::FILE* open(const char* mode = "wb");
    std::FILE* file() const { return file_; }
    // Flushes (to the device with `toDevice`), checks the stream and its close, then puts
    // the file in place. False when any step failed: the target is then as it was (unless
    // it is written in place) and the temporary is gone.
    bool commit(bool toDevice = false);
    // Drops what was written: the temporary is removed, the target left as it was.
    void abandon();
    // The file finally written: the path with its links followed.
    const std::string& target() const { return target_; }

private:
    std::string target_;
    std::string temp_;      // empty when writing in place
    std::FILE* file_ = nullptr;
    bool inPlace_ = false;
};

// An exclusive advisory lock (flock) on a file, held for as long as the object lives or
// until release. Within this program the lock of a file is shared: a second lock on a file
// this program holds already succeeds, and the file stays locked until the last one goes.
// The lock lives on a descriptor of its own, which child processes do not inherit.
class FileLock {
public:
    enum Result { Locked = 1, InUse = 0, Failed = -1 };
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks the file open as `f` (found again through `path`). InUse when another program
    // holds a lock on it.
    Result acquire(std::FILE* f, const std::string& path);
    void release();
    bool held() const { return held_; }

private:
    std::uint64_t device_ = 0, number_ = 0;
    bool held_ = false;
};

}  // namespace platform
