// Fuzz target: opening and reading a compressed bank from arbitrary bytes. The input is a
// 2-byte little-endian length n, then n bytes of the data file (.cbk), then the name file
// (.cin). Whatever the bytes, opening either refuses the bank or gives one whose every
// named series reads (or fails) without touching memory outside the caller's array.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/compbank.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string stem = fuzzsupport::packedbankstem("/tmp/jexcompfuzzXXXXXX");
    return fuzzsupport::readpackedbank<CompBank>(
        data, size, stem, ".cbk", ".cin",
        [](CompBank& bank, const std::vector<std::string>& names) {
            if (names.size() != bank.seriesCount()) std::abort();
        });
}
