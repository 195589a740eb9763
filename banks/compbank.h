// The compressed bank: a read-only bank whose series keep only their own span of
// observations, each with its own start date and frequency, usually as scaled 16-bit
// differences. <stem>.cbk holds the title, the series count, the record table and the packed
// records; <stem>.cin holds the names. Little-endian, byte-packed.
//
// Every count, length and position read from the files is checked before use: a damaged
// bank is refused at open with a message, a damaged record gives -1 when it is read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "banks/databank.h"

// Most values a packed record may hold (its work area).
constexpr int packedWorkArea = 3998;

// One decoded packed series record (shared by the compressed and the hashed bank).
struct PackedRecord {
    int year = 0;               // full year
    int frequency = 0;          // 1, 2, 4, 12, 13
    int period = 0;             // period (month of a daily series) of the first value
    std::uint8_t scale = 255;   // 255 plain floats; else shift (high nibble), decimals (low)
    std::int16_t count = 0;     // the count field as stored
    std::vector<float> values;  // the decoded values, first at the start date
};

// Reads and decodes the packed record at the stream's position. 0, or -1 for a short read,
// an unknown frequency, a period outside the frequency or a count outside the work area.
int readpackedrecord(std::FILE* f, PackedRecord& record);
// Decodes a packed record from memory (the same checks).
int decodepackedrecord(const std::uint8_t* data, std::size_t size, PackedRecord& record);
// Fills the first seriesArrayLength entries of `array` with the missing value and places the
// record's values at the workspace indexes of their dates (values outside the array are
// dropped). Returns the index just after the last value.
int placepackedrecord(const PackedRecord& record, float* array);
// The bytes of a packed record (the writer used by tests and tools): plain floats when
// scale is 255, else an integer start and 16-bit differences of the values scaled by
// 10^decimals (a zero value is written as the 32767 marker). Values that do not fit give
// an empty result.
std::vector<std::uint8_t> encodepackedrecord(int year, int frequency, int period,
                                             std::uint8_t scale,
                                             const std::vector<float>& values);

// What the compressed and the hashed bank share: both are read-only, keep their series as
// packed records in the data file and describe themselves alike.
class PackedBank : public DataBank {
public:
    explicit PackedBank(const char* stem) : DataBank(stem) {}
    ~PackedBank() override;  // closes the data and the index file
    int info(std::int16_t slot) override;
    // The index just after the last observation of the series read last.
    int lastEnd() const { return lastEnd_; }

protected:
    // "Cannot open <path>" (unless quiet); the bank stays closed.
    static void cannotopen(const std::string& path, int quiet);
    // The damage message naming `path` (unless quiet); the bank is closed. Returns -1.
    int refusefile(const std::string& path, const char* what, int quiet);
    // Reads the packed record at byte `position` of the data file into `array`; the bank's
    // frequency and first month become the record's. 0, or -1 when it cannot be read.
    std::int16_t readrecordat(std::int64_t position, float* array);

    std::int64_t dataSize_ = 0;
    PackedRecord last_;
    int lastEnd_ = 0;
};

class CompBank : public PackedBank {
public:
    CompBank(const char* stem, int quiet = 0);

    // Reads the header fields (title, count, table position) from the data file; 0 or -1.
    int readHeader(std::FILE* f);

    std::int16_t getser(const char* name, float* array, std::int16_t count) override;
    std::int16_t show(const char*, int, std::FILE*) override { return 1; }
    int findser(const char* name) override;
    std::int16_t listser(std::FILE* out, const char* pattern, std::int16_t columns) override;
    std::int16_t collectser(std::vector<std::string>& list, const char* pattern,
                            std::int16_t columns) override;
    const std::vector<std::string>& names() const { return names_; }

private:
    int refuse(const char* what, int quiet) { return refusefile(dataPath_, what, quiet); }

    std::int32_t tablePosition_ = 0;
    std::int16_t headerCount_ = 0;
    std::vector<std::int32_t> recordTable_;
    std::vector<std::string> names_;
};

// Size of an open file in bytes, -1 when it cannot be told. The stream's position is kept.
std::int64_t filesize(std::FILE* f);
