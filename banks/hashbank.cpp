// The hashed bank.
#include "banks/hashbank.h"


#include <cstring>

#include "core/bytes.h"
#include "core/printout.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace {
// Largest hash file kept in memory.
constexpr std::int64_t maxHashFile = std::int64_t{512} << 20;
}  // namespace

std::uint16_t HashBank::hashvalue(const char* name) {
    std::uint16_t h = 0;
    for (const char* p = name; *p; ++p)
        h = static_cast<std::uint16_t>(31 * h + static_cast<signed char>(*p));
    return h;
}

int HashBank::hash(const char* name) const {
    if (buckets_ == 0) return 0;
    return hashvalue(name) % buckets_;
}

HashBank::HashBank(const char* stem, int quiet) : PackedBank(stem) {
    className_ = "HashBank";
    dataPath_ = std::string(stem) + ".hbk";
    indexPath_ = std::string(stem) + ".hin";
    kind_ = 'h';
    status_ = -1;
    dataFile_ = std::fopen(dataPath_.c_str(), "rb");
    std::uint8_t head[84];
    if (!dataFile_ || !bytes::readBytes(dataFile_, head, 82)) {
        cannotopen(dataPath_, quiet);
        return;
    }
    {
        std::string t;
        bytes::ByteReader in(head, 80);
        in.fixedText(t, 80);
        title_ = t;
    }
    const std::int16_t count16 = bytes::getI16(head + 80);
    dataSize_ = filesize(dataFile_);

    indexFile_ = std::fopen(indexPath_.c_str(), "rb");
    if (!indexFile_) {
        cannotopen(indexPath_, quiet);
        return;
    }
    const std::int64_t size = filesize(indexFile_);
    if (size < 0 || size > maxHashFile) {
        refuse("hash file of unusable size", quiet);
        return;
    }
    index_.resize(static_cast<std::size_t>(size));
    if (!bytes::readBytes(indexFile_, index_.data(), index_.size())) {
        refuse("hash file cannot be read", quiet);
        return;
    }
    bytes::ByteReader in(index_);
    if (!in.i32(hashCount_) || !in.u16(buckets_)) {
        refuse("hash file too short", quiet);
        return;
    }
    if (hashCount_ < 0 || hashCount_ > 65535) {
        refuse("bad series count", quiet);
        return;
    }
    if (buckets_ == 0) {
        refuse("no buckets", quiet);
        return;
    }
    bucketNames_.resize(buckets_);
    bucketLengths_.resize(buckets_);
    bucketPositions_.resize(buckets_);
    for (auto& m : bucketNames_) in.u16(m);
    for (auto& l : bucketLengths_) in.u16(l);
    for (auto& p : bucketPositions_) in.u32(p);
    if (!in.ok()) {
        refuse("bucket tables cut short", quiet);
        return;
    }
    const std::int64_t tables = 6 + 8 * static_cast<std::int64_t>(buckets_);
    std::int64_t names = 0;
    for (int b = 0; b < buckets_; ++b) {
        const std::int64_t pos = bucketPositions_[b];
        const std::int64_t m = bucketNames_[b];
        const std::int64_t end = pos + bucketLengths_[b] + 4 * m;
        if (m == 0) continue;
        if (pos < tables || end > size) {
            refuse("bucket outside the hash file", quiet);
            return;
        }
        // The block must hold m names.
        bytes::ByteReader block(index_.data() + pos, bucketLengths_[b]);
        std::string name;
        for (std::int64_t k = 0; k < m; ++k) {
            if (!block.name(name, bucketLengths_[b])) {
                refuse("bucket holds fewer names than it counts", quiet);
                return;
            }
        }
        names += m;
    }
    if (names > 65535) {
        refuse("too many names", quiet);
        return;
    }

    std::int32_t count = count16;
    if (count != hashCount_) {
        std::int32_t count32 = bytes::getI32(head + 80);
        std::uint8_t more[2];
        bool wide = false;
        if (bytes::readBytes(dataFile_, more, 2)) {
            std::uint8_t four[4] = {head[80], head[81], more[0], more[1]};
            count32 = bytes::getI32(four);
            wide = true;
        }
        if (!wide || count32 != hashCount_) {
            if (!quiet) {
                printout("Warning: .hin file does not match .hbk file.\n");
                printout("Warning: # of series set to # in .hin file!\n");
            }
        }
    }
    seriesCount_ = static_cast<std::uint16_t>(hashCount_);
    baseYear_ = 1925;
    frequency_ = 1;
    maxObs_ = 1999;
    firstMonth_ = 1;
    status_ = 1;
    // Read the first series once: as every read, it sets frequency and firstMonth.
    for (int b = 0; b < buckets_; ++b) {
        if (bucketNames_[b] == 0) continue;
        const char* first = reinterpret_cast<const char*>(index_.data() + bucketPositions_[b]);
        std::vector<float> scratch(seriesArrayLength);
        getser(first, scratch.data(), -1);
        break;
    }
}

int HashBank::findser(const char* name) {
    if (status_ != 1 || !name) return -1;
    const int b = hash(name);
    const std::uint16_t m = bucketNames_[b];
    if (m == 0) return -1;
    const std::uint8_t* block = index_.data() + bucketPositions_[b];
    const std::uint8_t* positions = block + bucketLengths_[b];
    const std::size_t length = std::strlen(name);
    const char* p = reinterpret_cast<const char*>(block);
    for (int k = 0; k < m; ++k) {
        const std::size_t n = std::strlen(p);
        if (n == length && std::memcmp(p, name, n) == 0) return bytes::getI32(positions + 4 * k);
        p += n + 1;
    }
    return -1;
}

std::int16_t HashBank::getser(const char* name, float* array, std::int16_t) {
    const int p = findser(name);
    if (p < 0) return -1;
    if (!array) return 0;
    if (static_cast<std::int64_t>(p) + 5 > dataSize_) return -1;
    return readrecordat(p, array);
}

std::int16_t HashBank::collectser(std::vector<std::string>& list, const char* pattern,
                                  std::int16_t) {
    list.clear();
    if (status_ != 1) return 0;
    const char* pat = pattern ? pattern : "";
    for (int b = 0; b < buckets_; ++b) {
        const char* p = reinterpret_cast<const char*>(index_.data() + bucketPositions_[b]);
        for (int k = 0; k < bucketNames_[b]; ++k) {
            if (platform::escapePressed()) return 0;
            if (*pat == 0 || wildmatch(p, pat) == 1) list.emplace_back(p);
            p += std::strlen(p) + 1;
        }
    }
    return 0;
}
