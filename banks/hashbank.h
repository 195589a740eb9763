// The hashed bank: a large read-only bank whose names are found through a hash table.
// <stem>.hbk holds the title, the series count and the packed series records (as in the
// compressed bank); <stem>.hin holds the series count, the number of buckets, per bucket the
// number of names, the length and position of its name block, and after each block the
// record positions of its names. Little-endian, byte-packed.
//
// The hash file is checked whole when the bank opens (every bucket's block and positions lie
// in the file and hold as many names as the bucket counts) and kept in memory, so that a look-up
// reads no file: it hashes the name and compares the names of one bucket. A damaged bank is
// refused with a message.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "banks/compbank.h"
#include "banks/databank.h"

class HashBank : public PackedBank {
public:
    HashBank(const char* stem, int quiet = 0);

    // The bucket of a name: h = (31 h + c) mod 65536 over its bytes taken as signed, then
    // h mod the number of buckets (0 when the bank has no buckets).
    int hash(const char* name) const;
    // The same hash before the bucket is taken.
    static std::uint16_t hashvalue(const char* name);

    std::int16_t getser(const char* name, float* array, std::int16_t count) override;
    std::int16_t show(const char*, int, std::FILE*) override { return 0; }
    // Byte position of the name's record in the data file, -1 when absent.
    int findser(const char* name) override;
    std::int16_t collectser(std::vector<std::string>& list, const char* pattern,
                            std::int16_t columns) override;

    int bucketCount() const { return buckets_; }
    std::int32_t hashCount() const { return hashCount_; }

private:
    int refuse(const char* what, int quiet) { return refusefile(indexPath_, what, quiet); }

    std::int32_t hashCount_ = 0;
    std::uint16_t buckets_ = 0;
    std::vector<std::uint16_t> bucketNames_;
    std::vector<std::uint16_t> bucketLengths_;
    std::vector<std::uint32_t> bucketPositions_;
    std::vector<std::uint8_t> index_;  // the whole hash file
};
