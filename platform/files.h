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
