// Pieces shared by the bank fuzz targets: a platform that drops every message, a temporary
// folder, writing the input's slices to files, and reading a series into an array with guard
// values behind it.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/bytes.h"
#include "core/date.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"

namespace fuzzsupport {

inline void installQuietPlatform() {
    // Messages are dropped: only behaviour counts here.
    static platform::QuietPlatform quiet;
    platform::install(&quiet);
}

// A new temporary folder made from a mkdtemp pattern ("...XXXXXX"); aborts when none can be made.
inline std::string makeTempDir(const char* pattern) {
    std::string p = pattern;
    if (!mkdtemp(p.data())) std::abort();
    return p;
}

inline void writefile(const std::string& path, const std::uint8_t* p, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (n) std::fwrite(p, 1, n, f);
    std::fclose(f);
}

// The workspace the bank readers are fuzzed in: annual from 1990, 1999 observations at most.
inline void workspaceFrom1990() {
    wsStartDate = JexDate(1990, 1, 1, 13);
    wsBaseYear = 1990;
    wsMaxObs = 1999;
}

constexpr int guard = 16;

// An array for one series with guard values behind it.
inline std::vector<float> guardedArray() { return std::vector<float>(seriesArrayLength + guard, 42.0f); }

// Aborts when a read wrote past the series' end into the guard values.
inline void checkGuard(const std::vector<float>& v) {
    for (int k = seriesArrayLength; k < seriesArrayLength + guard; ++k)
        if (v[k] != 42.0f) std::abort();
}

// The common input of the two-file banks: a 2-byte little-endian length n, then n bytes of
// the first file, then the second. False (nothing written) when the input is too short.
inline bool splitTwoFiles(const std::uint8_t* data, std::size_t size, const std::string& first,
                          const std::string& second) {
    if (size < 2) return false;
    std::size_t n = bytes::getU16(data);
    if (n > size - 2) n = size - 2;
    writefile(first, data + 2, n);
    writefile(second, data + 2 + n, size - 2 - n);
    return true;
}

// Set-up of the compressed and hashed bank targets: the quiet platform, the workspace and a
// temporary folder (from the mkdtemp pattern); returns the stem of the bank's files in it.
inline std::string packedbankstem(const char* pattern) {
    installQuietPlatform();
    std::string stem = makeTempDir(pattern) + "/c";
    workspaceFrom1990();
    return stem;
}

// One input to a compressed or hashed bank: the two files are written from the input (see
// splitTwoFiles), the bank is opened at `stem` and, when it opens, its names are collected
// and handed to `checknames`, then every named series is read into a guarded array and the
// bank is described.
template <class Bank, class CheckNames>
int readpackedbank(const std::uint8_t* data, std::size_t size, const std::string& stem,
                   const char* dataEnding, const char* indexEnding, CheckNames checknames) {
    if (!splitTwoFiles(data, size, stem + dataEnding, stem + indexEnding)) return 0;
    Bank bank(stem.c_str(), 0);
    if (!bank.isOpen()) return 0;
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    checknames(bank, names);
    std::vector<float> v = guardedArray();
    for (const std::string& name : names) {
        bank.getser(name.c_str(), v.data(), -1);
        checkGuard(v);
    }
    bank.info(1);
    return 0;
}

}  // namespace fuzzsupport
