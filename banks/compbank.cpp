// The compressed bank and the packed series record it shares with the hashed bank.
#include "banks/compbank.h"


#include <cmath>
#include <cstring>

#include "core/bytes.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"

std::int64_t filesize(std::FILE* f) { return platform::fileSize(f); }

namespace {

bool validfrequency(int f) { return f == 1 || f == 2 || f == 4 || f == 12 || f == 13; }

bool validperiod(int f, int p) {
    if (p < 1) return false;
    return f == 13 ? p <= 12 : p <= f;
}

// Decodes the values that follow the 5 header bytes; `read` supplies raw bytes.
template <class Read>
int decodevalues(PackedRecord& r, Read read) {
    r.values.clear();
    if (r.count < 0) return -1;
    if (r.scale == 255) {
        if (r.count > packedWorkArea) return -1;
        std::vector<std::uint8_t> raw(4 * static_cast<std::size_t>(r.count));
        if (!read(raw.data(), raw.size())) return -1;
        r.values.resize(r.count);
        for (int k = 0; k < r.count; ++k) r.values[k] = bytes::getF32(&raw[4 * k]);
        return 0;
    }
    if (r.count > packedWorkArea - 1) return -1;
    std::uint8_t first[4];
    if (!read(first, 4)) return -1;
    std::vector<std::uint8_t> raw(2 * static_cast<std::size_t>(r.count));
    if (!read(raw.data(), raw.size())) return -1;
    const int shift = r.scale >> 4;
    const int decimals = r.scale & 0x0F;
    auto scaled = [decimals](std::int64_t v) {
        float x = static_cast<float>(v);
        for (int j = 0; j < decimals; ++j) x *= 0.1f;
        return x;
    };
    std::int64_t running = bytes::getI32(first);
    r.values.resize(static_cast<std::size_t>(r.count) + 1);
    r.values[0] = scaled(running);
    for (int k = 1; k <= r.count; ++k) {
        const std::int16_t e = bytes::getI16(&raw[2 * (k - 1)]);
        if (e == 32767) {
            r.values[k] = 0.0f;
            continue;
        }
        running += static_cast<std::int64_t>(e) * (std::int64_t{1} << shift);
        // Keep the running value within what the single-precision result can show; a
        // record that drifts further is damaged.
        if (running > (std::int64_t{1} << 52) || running < -(std::int64_t{1} << 52)) return -1;
        r.values[k] = scaled(running);
    }
    return 0;
}

int decodeheader(const std::uint8_t* h, PackedRecord& r) {
    r.year = h[0] + 1900;
    r.frequency = h[1] >> 4;
    r.period = h[1] & 0x0F;
    r.scale = h[2];
    r.count = bytes::getI16(h + 3);
    if (!validfrequency(r.frequency) || !validperiod(r.frequency, r.period)) return -1;
    return 0;
}

}  // namespace

int readpackedrecord(std::FILE* f, PackedRecord& record) {
    std::uint8_t h[5];
    if (!bytes::readBytes(f, h, 5)) return -1;
    if (decodeheader(h, record) != 0) return -1;
    return decodevalues(record, [f](std::uint8_t* p, std::size_t n) {
        return bytes::readBytes(f, p, n);
    });
}

int decodepackedrecord(const std::uint8_t* data, std::size_t size, PackedRecord& record) {
    bytes::ByteReader in(data, size);
    std::uint8_t h[5];
    if (!in.raw(h, 5)) return -1;
    if (decodeheader(h, record) != 0) return -1;
    return decodevalues(record, [&in](std::uint8_t* p, std::size_t n) { return in.raw(p, n); });
}

int placepackedrecord(const PackedRecord& record, float* array) {
    for (int i = 0; i < seriesArrayLength; ++i) array[i] = MISSING;
    const JexDate start(static_cast<std::int16_t>(record.year),
                        static_cast<std::uint8_t>(record.period),
                        static_cast<std::uint8_t>(record.frequency == 13 ? 1 : 0),
                        static_cast<std::uint8_t>(record.frequency));
    const int g = start.wsIndex();
    const int n = static_cast<int>(record.values.size());
    if (g == -32000) return 0;
    if (g <= 0) {
        for (int k = -g, i = 0; k < n && i < seriesArrayLength; ++k, ++i) array[i] = record.values[k];
    } else {
        for (int k = 0; k < n && g + k < seriesArrayLength; ++k) array[g + k] = record.values[k];
    }
    return g + n;
}

std::vector<std::uint8_t> encodepackedrecord(int year, int frequency, int period,
                                             std::uint8_t scale,
                                             const std::vector<float>& values) {
    bytes::ByteWriter w;
    if (year < 1900 || year > 1900 + 255 || !validfrequency(frequency) ||
        !validperiod(frequency, period) || values.empty())
        return {};
    w.u8(static_cast<std::uint8_t>(year - 1900));
    w.u8(static_cast<std::uint8_t>((frequency << 4) | period));
    w.u8(scale);
    if (scale == 255) {
        if (values.size() > static_cast<std::size_t>(packedWorkArea)) return {};
        w.i16(static_cast<std::int16_t>(values.size()));
        for (float v : values) w.f32(v);
        return w.data();
    }
    if (values.size() > static_cast<std::size_t>(packedWorkArea)) return {};
    const int shift = scale >> 4;
    const int decimals = scale & 0x0F;
    const double factor = std::pow(10.0, decimals);
    w.i16(static_cast<std::int16_t>(values.size() - 1));
    std::int64_t running = std::llround(values[0] * factor);
    if (running > INT32_MAX || running < INT32_MIN) return {};
    w.i32(static_cast<std::int32_t>(running));
    for (std::size_t k = 1; k < values.size(); ++k) {
        if (values[k] == 0.0f) {
            w.i16(32767);
            continue;
        }
        const std::int64_t v = std::llround(values[k] * factor);
        const std::int64_t step = std::int64_t{1} << shift;
        const std::int64_t d = v - running;
        if (d % step != 0) return {};
        const std::int64_t e = d / step;
        if (e > 32766 || e < -32768) return {};
        w.i16(static_cast<std::int16_t>(e));
        running = v;
    }
    return w.data();
}

// ---------------------------------------------------------------------------------------

int CompBank::readHeader(std::FILE* f) {
    std::uint8_t h[86];
    if (!bytes::readBytes(f, h, sizeof h)) return -1;
    std::string t;
    bytes::ByteReader in(h, sizeof h);
    in.fixedText(t, 80);
    title_ = t;
    in.i16(headerCount_);
    in.i32(tablePosition_);
    return in.ok() ? 0 : -1;
}

CompBank::CompBank(const char* stem, int quiet) : PackedBank(stem) {
    className_ = "CompBank";
    dataPath_ = std::string(stem) + ".cbk";
    indexPath_ = std::string(stem) + ".cin";
    kind_ = 'c';
    status_ = -1;
    dataFile_ = std::fopen(dataPath_.c_str(), "rb");
    if (!dataFile_ || readHeader(dataFile_) != 0) {
        cannotopen(dataPath_, quiet);
        return;
    }
    dataSize_ = filesize(dataFile_);
    const std::int64_t n = headerCount_;
    if (n < 0) {
        refuse("negative series count", quiet);
        return;
    }
    if (tablePosition_ < 86 || tablePosition_ + 4 * n > dataSize_) {
        refuse("record table outside the file", quiet);
        return;
    }
    if (!platform::seekTo(dataFile_, tablePosition_)) {
        refuse("record table cannot be read", quiet);
        return;
    }
    recordTable_.resize(n);
    for (auto& p : recordTable_) {
        if (!bytes::readI32(dataFile_, p)) {
            refuse("record table cannot be read", quiet);
            return;
        }
        if (p < 86 || static_cast<std::int64_t>(p) + 5 > dataSize_) {
            refuse("record position outside the file", quiet);
            return;
        }
    }
    indexFile_ = std::fopen(indexPath_.c_str(), "rb");
    if (!indexFile_) {
        cannotopen(indexPath_, quiet);
        return;
    }
    std::int16_t count = 0;
    std::int16_t length = 0;
    if (!bytes::readI16(indexFile_, count)) {
        refuse("name file too short", quiet);
        return;
    }
    if (count != n) {
        if (!quiet) printout("Warning: .cin file does not match .cbk file.\n");
        return;
    }
    if (!bytes::readI16(indexFile_, length) || length < 0) {
        refuse("bad name block length", quiet);
        return;
    }
    std::vector<std::uint8_t> block(static_cast<std::size_t>(length));
    if (!bytes::readBytes(indexFile_, block.data(), block.size())) {
        refuse("name block cut short", quiet);
        return;
    }
    bytes::ByteReader names(block);
    names_.reserve(n);
    for (std::int64_t i = 0; i < n; ++i) {
        std::string name;
        if (!names.name(name, block.size())) {
            refuse("fewer names than series", quiet);
            return;
        }
        names_.push_back(std::move(name));
    }
    seriesCount_ = static_cast<std::uint16_t>(n);
    baseYear_ = 1925;
    frequency_ = 1;
    maxObs_ = 1999;
    status_ = 1;
}

int CompBank::findser(const char* name) {
    if (!name) return -1;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return static_cast<int>(i);
    return -1;
}

std::int16_t CompBank::getser(const char* name, float* array, std::int16_t) {
    if (status_ != 1) return -1;
    const int i = findser(name);
    if (i < 0) return -1;
    if (!array) return 0;
    return readrecordat(recordTable_[i], array);
}

std::int16_t CompBank::listser(std::FILE* out, const char* pattern, std::int16_t) {
    return DataBank::listser(out, pattern, 1);
}

std::int16_t CompBank::collectser(std::vector<std::string>& list, const char* pattern,
                                  std::int16_t) {
    list.clear();
    const char* p = pattern ? pattern : "";
    for (const std::string& name : names_) {
        if (platform::escapePressed()) break;
        if (*p == 0 || wildmatch(name.c_str(), p) == 1) list.push_back(name);
    }
    return 0;
}

int PackedBank::info(std::int16_t slot) {
    printout("Index file read.\n");
    printout("Title of assigned bank:%s\n", title_.c_str());
    printout("Max observations per series %d.\n", maxObs_);
    printout("Contains %d series.\n", seriesCount_);
    if (slot != 0) printout("\r\nThis bank assigned as bank: %c.\r\n", 'a' + slot);
    return 0;
}

PackedBank::~PackedBank() {
    if (dataFile_) std::fclose(dataFile_);
    if (indexFile_) std::fclose(indexFile_);
}

void PackedBank::cannotopen(const std::string& path, int quiet) {
    if (!quiet) printout("Cannot open %s\r\nNo bank now assigned\n", path.c_str());
}

int PackedBank::refusefile(const std::string& path, const char* what, int quiet) {
    if (!quiet) printout("\nError:  %s is damaged (%s).\r\nNo bank now assigned\n", path.c_str(), what);
    status_ = -1;
    return -1;
}

std::int16_t PackedBank::readrecordat(std::int64_t position, float* array) {
    if (!platform::seekTo(dataFile_, position)) return -1;
    PackedRecord r;
    if (readpackedrecord(dataFile_, r) != 0) return -1;
    frequency_ = static_cast<std::uint16_t>(r.frequency);
    firstMonth_ = static_cast<std::uint16_t>(r.period);
    lastEnd_ = placepackedrecord(r, array);
    last_ = std::move(r);
    return 0;
}
