// Fuzz target: opening and reading a workspace bank from arbitrary bytes, then writing to it.
// The input is a 2-byte little-endian length n, then n bytes of the data file (.bnk), then
// the index file (.ind). Whatever the bytes, opening must either refuse the bank or give one
// whose every named series reads without touching memory outside the caller's array; a bank
// that opened for writing must, after an addition, a rename and a deletion, open again with
// the series it was given.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/bytes.h"
#include "core/date.h"
#include "core/missing.h"
#include "platform/platform.h"

namespace {

// Messages are dropped: only behaviour counts here.
class QuietPlatform final : public platform::Platform {
public:
    void appendResultsLine(const std::string&) override {}
    void clearResults() override {}
    platform::Answer messageBox(const std::string&, const std::string&,
                                platform::Buttons b) override {
        return platform::defaultAnswer(b);
    }
    int choose(const std::string&, const std::string&, const std::vector<std::string>&,
               int d) override {
        return d;
    }
    bool askText(const std::string&, const std::string&, std::string&) override { return false; }
};

std::string stem;

void setup() {
    static QuietPlatform quiet;
    platform::install(&quiet);
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
    wsStartDate = JexDate(1990, 1, 1, 13);
    wsBaseYear = 1990;
    wsFirstMonth = 1;
    wsMaxObs = 1999;
    JexBank::syncWrites = false;  // durability is not what is tested here
}

void writefile(const std::string& path, const std::uint8_t* p, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (n) std::fwrite(p, 1, n, f);
    std::fclose(f);
}

constexpr int guard = 16;

// Reads every named series into an array with guard values behind it.
void readall(JexBank& bank) {
    std::vector<float> v(seriesArrayLength + guard, 42.0f);
    for (int i = 0; i < bank.seriesCount(); ++i) {
        bank.getser(bank.nameAt(i), v.data(), -1);
        for (int k = seriesArrayLength; k < seriesArrayLength + guard; ++k)
            if (v[k] != 42.0f) std::abort();
    }
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    if (names.size() != bank.seriesCount()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = (setup(), true);
    (void)ready;
    if (size < 2) return 0;
    std::size_t n = bytes::getU16(data);
    if (n > size - 2) n = size - 2;
    writefile(stem + ".bnk", data + 2, n);
    writefile(stem + ".ind", data + 2 + n, size - 2 - n);

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
        std::vector<float> v(seriesArrayLength + guard, 42.0f);
        if (again.getser("fz", v.data(), -1) == 0 && v[0] != 7.0f) std::abort();
    }
    return 0;
}
