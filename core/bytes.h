// Little-endian byte helper: every binary file of the system is read and written field by
// field through these routines, never by casting structs. All multi-byte values are stored
// least significant byte first; floats and doubles as their IEEE bit patterns.
//
// Buffers: ByteWriter appends to a growable buffer; ByteReader reads from a fixed span and
// fails (ok() false, value untouched) instead of reading past its end.
// Streams: readXxx / writeXxx on a FILE* return false on a short read or a failed write.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bytes {

// ---- raw encoders on memory (no bounds: the caller owns the room) ----
inline void putU8(std::uint8_t* p, std::uint8_t v) { p[0] = v; }
inline void putU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putU64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putI16(std::uint8_t* p, std::int16_t v) { putU16(p, static_cast<std::uint16_t>(v)); }
inline void putI32(std::uint8_t* p, std::int32_t v) { putU32(p, static_cast<std::uint32_t>(v)); }
inline void putF32(std::uint8_t* p, float v) { putU32(p, std::bit_cast<std::uint32_t>(v)); }
inline void putF64(std::uint8_t* p, double v) { putU64(p, std::bit_cast<std::uint64_t>(v)); }

inline std::uint8_t getU8(const std::uint8_t* p) { return p[0]; }
inline std::uint16_t getU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t getU32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
inline std::uint64_t getU64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
inline std::int16_t getI16(const std::uint8_t* p) { return static_cast<std::int16_t>(getU16(p)); }
inline std::int32_t getI32(const std::uint8_t* p) { return static_cast<std::int32_t>(getU32(p)); }
inline float getF32(const std::uint8_t* p) { return std::bit_cast<float>(getU32(p)); }
inline double getF64(const std::uint8_t* p) { return std::bit_cast<double>(getU64(p)); }

// ---- growable output buffer ----
class ByteWriter {
public:
    void u8(std::uint8_t v) { buf_.push_back(v); }
    void u16(std::uint16_t v) { grow(2); putU16(end(2), v); }
    void i16(std::int16_t v) { grow(2); putI16(end(2), v); }
    void u32(std::uint32_t v) { grow(4); putU32(end(4), v); }
    void i32(std::int32_t v) { grow(4); putI32(end(4), v); }
    void f32(float v) { grow(4); putF32(end(4), v); }
    void f64(double v) { grow(8); putF64(end(8), v); }
    // Raw bytes, as they are.
    void raw(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        buf_.insert(buf_.end(), b, b + n);
    }
    // A name and its terminating NUL.
    void name(const char* s) { raw(s, std::strlen(s) + 1); }
    // A text in a field of exactly `width` bytes: at most width-1 characters, then NULs.
    void fixedText(const char* s, std::size_t width) {
        if (width == 0) return;
        std::size_t n = s ? std::strlen(s) : 0;
        if (n > width - 1) n = width - 1;
        raw(s, n);
        buf_.insert(buf_.end(), width - n, 0);
    }
    const std::vector<std::uint8_t>& data() const { return buf_; }
    std::size_t size() const { return buf_.size(); }
    void clear() { buf_.clear(); }

private:
    void grow(std::size_t n) { buf_.resize(buf_.size() + n); }
    std::uint8_t* end(std::size_t n) { return buf_.data() + buf_.size() - n; }
    std::vector<std::uint8_t> buf_;
};

// ---- bounded input buffer ----
class ByteReader {
public:
    ByteReader(const void* data, std::size_t size)
        : p_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    explicit ByteReader(const std::vector<std::uint8_t>& v) : ByteReader(v.data(), v.size()) {}

    bool u8(std::uint8_t& v) { return take(1) && (v = getU8(at(1)), true); }
    bool u16(std::uint16_t& v) { return take(2) && (v = getU16(at(2)), true); }
    bool i16(std::int16_t& v) { return take(2) && (v = getI16(at(2)), true); }
    bool u32(std::uint32_t& v) { return take(4) && (v = getU32(at(4)), true); }
    bool i32(std::int32_t& v) { return take(4) && (v = getI32(at(4)), true); }
    bool f32(float& v) { return take(4) && (v = getF32(at(4)), true); }
    bool f64(double& v) { return take(8) && (v = getF64(at(8)), true); }
    bool raw(void* out, std::size_t n) {
        if (!take(n)) return false;
        if (n) std::memcpy(out, at(n), n);
        return true;
    }
    // A NUL-terminated name of at most maxLength characters; fails (and reads nothing) when
    // no NUL follows within maxLength + 1 bytes or before the end of the buffer.
    bool name(std::string& out, std::size_t maxLength) {
        if (failed_) return false;
        std::size_t limit = size_ - pos_;
        if (limit > maxLength + 1) limit = maxLength + 1;
        const void* nul = limit ? std::memchr(p_ + pos_, 0, limit) : nullptr;
        if (!nul) { failed_ = true; return false; }
        std::size_t n = static_cast<const std::uint8_t*>(nul) - (p_ + pos_);
        out.assign(reinterpret_cast<const char*>(p_ + pos_), n);
        pos_ += n + 1;
        return true;
    }
    // A text field of exactly `width` bytes; the result ends at its first NUL, or holds at
    // most width-1 characters when the field has none.
    bool fixedText(std::string& out, std::size_t width) {
        if (!take(width)) return false;
        const char* s = reinterpret_cast<const char*>(at(width));
        std::size_t n = 0;
        while (n + 1 < width && s[n] != 0) ++n;
        out.assign(s, n);
        return true;
    }
    bool skip(std::size_t n) { return take(n); }
    bool ok() const { return !failed_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }

private:
    bool take(std::size_t n) {
        if (failed_ || n > size_ - pos_) { failed_ = true; return false; }
        pos_ += n;
        return true;
    }
    const std::uint8_t* at(std::size_t n) const { return p_ + pos_ - n; }
    const std::uint8_t* p_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// ---- streams ----
inline bool writeBytes(std::FILE* f, const void* p, std::size_t n) {
    return f && (n == 0 || std::fwrite(p, 1, n, f) == n);
}
inline bool readBytes(std::FILE* f, void* p, std::size_t n) {
    return f && (n == 0 || std::fread(p, 1, n, f) == n);
}
inline bool writeU8(std::FILE* f, std::uint8_t v) { return writeBytes(f, &v, 1); }
inline bool writeU16(std::FILE* f, std::uint16_t v) { std::uint8_t b[2]; putU16(b, v); return writeBytes(f, b, 2); }
inline bool writeI16(std::FILE* f, std::int16_t v) { std::uint8_t b[2]; putI16(b, v); return writeBytes(f, b, 2); }
inline bool writeU32(std::FILE* f, std::uint32_t v) { std::uint8_t b[4]; putU32(b, v); return writeBytes(f, b, 4); }
inline bool writeI32(std::FILE* f, std::int32_t v) { std::uint8_t b[4]; putI32(b, v); return writeBytes(f, b, 4); }
inline bool writeF32(std::FILE* f, float v) { std::uint8_t b[4]; putF32(b, v); return writeBytes(f, b, 4); }
inline bool writeF64(std::FILE* f, double v) { std::uint8_t b[8]; putF64(b, v); return writeBytes(f, b, 8); }
inline bool writeName(std::FILE* f, const char* s) { return writeBytes(f, s, std::strlen(s) + 1); }

inline bool readU8(std::FILE* f, std::uint8_t& v) { return readBytes(f, &v, 1); }
inline bool readU16(std::FILE* f, std::uint16_t& v) {
    std::uint8_t b[2];
    if (!readBytes(f, b, 2)) return false;
    v = getU16(b);
    return true;
}
inline bool readI16(std::FILE* f, std::int16_t& v) {
    std::uint8_t b[2];
    if (!readBytes(f, b, 2)) return false;
    v = getI16(b);
    return true;
}
inline bool readU32(std::FILE* f, std::uint32_t& v) {
    std::uint8_t b[4];
    if (!readBytes(f, b, 4)) return false;
    v = getU32(b);
    return true;
}
inline bool readI32(std::FILE* f, std::int32_t& v) {
    std::uint8_t b[4];
    if (!readBytes(f, b, 4)) return false;
    v = getI32(b);
    return true;
}
inline bool readF32(std::FILE* f, float& v) {
    std::uint8_t b[4];
    if (!readBytes(f, b, 4)) return false;
    v = getF32(b);
    return true;
}
inline bool readF64(std::FILE* f, double& v) {
    std::uint8_t b[8];
    if (!readBytes(f, b, 8)) return false;
    v = getF64(b);
    return true;
}
// A NUL-terminated name of at most maxLength characters from a stream; false at the end of
// the stream or when no NUL comes within maxLength + 1 bytes.
inline bool readName(std::FILE* f, std::string& out, std::size_t maxLength) {
    out.clear();
    for (std::size_t i = 0; i <= maxLength; ++i) {
        int c = std::fgetc(f);
        if (c == EOF) return false;
        if (c == 0) return true;
        out.push_back(static_cast<char>(c));
    }
    return false;
}

}  // namespace bytes
