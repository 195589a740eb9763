// Fuzz target: opening and reading a hashed bank from arbitrary bytes. The input is a
// 2-byte little-endian length n, then n bytes of the data file (.hbk), then the hash file
// (.hin). Whatever the bytes, opening either refuses the bank or gives one whose every
// named series reads (or fails) without touching memory outside the caller's array.
#include <cstdint>
#include <string>
#include <vector>

#include "banks/hashbank.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string stem = fuzzsupport::packedbankstem("/tmp/jexhashfuzzXXXXXX");
    return fuzzsupport::readpackedbank<HashBank>(
        data, size, stem, ".hbk", ".hin",
        [](HashBank& bank, const std::vector<std::string>& names) {
            for (const std::string& name : names) bank.findser(name.c_str());
        });
}
