// A shared mapping of a file open for update: stores into the mapped bytes go straight to
// the operating system's copy of the file (its page cache), as a write system call would,
// so they are in the file whatever happens to the program afterwards (a kill, a fault);
// only a crash of the system itself before the kernel writes them out loses them, exactly
// as for a write without fsync.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace platform {

class SharedFileMapping {
public:
    SharedFileMapping() = default;
    ~SharedFileMapping() { release(); }
    SharedFileMapping(const SharedFileMapping&) = delete;
    SharedFileMapping& operator=(const SharedFileMapping&) = delete;

    // Maps `reserve` bytes of address space onto the file from its start, for reading and
    // writing. The file may be shorter, and may grow (by writes through the stream) into
    // the reserved range: only bytes that lie inside the file at the moment may be touched.
    // Refused (false) where a store into the mapping could fail without a way to report it:
    // a file system other than those that overwrite a file's blocks in place without new
    // space (ext2/3/4, tmpfs); a copy-on-write file system would need space for every
    // overwrite, and a full disk would end the program instead of failing a write.
    bool map(std::FILE* f, std::size_t reserve);
    void release();
    bool mapped() const { return data_ != nullptr; }
    std::uint8_t* data() const { return data_; }
    std::size_t reserved() const { return length_; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t length_ = 0;
};

}  // namespace platform
