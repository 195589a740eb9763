// Fuzz target: opening and reading a workspace bank from arbitrary bytes, then writing to it.
// The input is a 2-byte little-endian length n, then n bytes of the data file (.bnk), then
// the index file (.ind). Whatever the bytes, opening must either refuse the bank or give one
// whose every named series reads without touching memory outside the caller's array; a bank
// that opened for writing must, after an addition, a rename and a deletion, open again with
// the series it was given.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string stem;

void setup() {
    fuzzsupport::installQuietPlatform();
    // Files in memory when the system has a memory file system: the disk is not what is
    // tested, and it would slow every input down.
    char shm[] = "/dev/shm/jexbankfuzzXXXXXX";
    char tmp[] = "/tmp/jexbankfuzzXXXXXX";
    const char* dir = mkdtemp(shm);
    if (!dir) dir = mkdtemp(tmp);
    if (!dir) std::abort();
    stem = std::string(dir) + "/b";
    static std::string made = dir;
    std::atexit([] { std::filesystem::remove_all(made); });
    fuzzsupport::workspaceFrom1990();
    wsFirstMonth = 1;
    JexBank::syncWrites = false;  // durability is not what is tested here
}

// Reads every named series into an array with guard values behind it.
void readall(JexBank& bank) {
    std::vector<float> v = fuzzsupport::guardedArray();
    for (int i = 0; i < bank.seriesCount(); ++i) {
        bank.getser(bank.nameAt(i), v.data(), -1);
        fuzzsupport::checkGuard(v);
    }
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    if (names.size() != bank.seriesCount()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = (setup(), true);
    (void)ready;
    if (!fuzzsupport::splitTwoFiles(data, size, stem + ".bnk", stem + ".ind")) return 0;

    {
        JexBank bank(stem.c_str(), "Read", 1965, 200, 1, 1);
        if (bank.isOpen()) readall(bank);
    }
    JexBank bank(stem.c_str(), "ReadWrite", 1965, 200, 1, 1);
    if (!bank.isOpen()) return 0;
    readall(bank);
    std::vector<float> values(seriesArrayLength, 7.0f);
    bank.setFreq(0);  // undated: read back exactly as stored
    const int added = bank.addser("fz", values.data(), 'y');
    if (bank.seriesCount() > 1) {
        bank.renser(bank.nameAt(0), "fz0");
        bank.delser(bank.nameAt(0));
    }
    readall(bank);
    if (added < 0) return 0;
    JexBank again(stem.c_str(), "Read", 1965, 200, 1, 1);
    if (!again.isOpen()) std::abort();  // a bank we wrote must open
    readall(again);
    if (again.findser("fz") >= 0 && again.maxObs() > 0) {
        std::vector<float> v = fuzzsupport::guardedArray();
        if (again.getser("fz", v.data(), -1) == 0 && v[0] != 7.0f) std::abort();
    }
    return 0;
}
