// Fuzz target: opening and reading a hashed bank from arbitrary bytes. The input is a
// 2-byte little-endian length n, then n bytes of the data file (.hbk), then the hash file
// (.hin). Whatever the bytes, opening either refuses the bank or gives one whose every
// named series reads (or fails) without touching memory outside the caller's array.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/hashbank.h"
#include "banks/slots.h"
#include "core/bytes.h"
#include "core/date.h"
#include "platform/platform.h"

namespace {

class QuietPlatform final : public platform::Platform {
public:
    void appendResultsLine(const std::string&) override {}
    void clearResults() override {}
    platform::Answer messageBox(const std::string&, const std::string&, platform::Buttons b) override {
        return platform::defaultAnswer(b);
    }
    int choose(const std::string&, const std::string&, const std::vector<std::string>&, int d) override {
        return d;
    }
    bool askText(const std::string&, const std::string&, std::string&) override { return false; }
};

std::string stem;

void setup() {
    static QuietPlatform quiet;
    platform::install(&quiet);
    char pattern[] = "/tmp/jexhashfuzzXXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    stem = std::string(pattern) + "/c";
    wsStartDate = JexDate(1990, 1, 1, 13);
    wsBaseYear = 1990;
    wsMaxObs = 1999;
}

void writefile(const std::string& path, const std::uint8_t* p, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (n) std::fwrite(p, 1, n, f);
    std::fclose(f);
}

constexpr int guard = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = (setup(), true);
    (void)ready;
    if (size < 2) return 0;
    std::size_t n = bytes::getU16(data);
    if (n > size - 2) n = size - 2;
    writefile(stem + ".hbk", data + 2, n);
    writefile(stem + ".hin", data + 2 + n, size - 2 - n);
    HashBank bank(stem.c_str(), 0);
    if (!bank.isOpen()) return 0;
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    for (const std::string& name : names) bank.findser(name.c_str());
    std::vector<float> v(seriesArrayLength + guard, 42.0f);
    for (const std::string& name : names) {
        bank.getser(name.c_str(), v.data(), -1);
        for (int k = seriesArrayLength; k < seriesArrayLength + guard; ++k)
            if (v[k] != 42.0f) std::abort();
    }
    bank.info(1);
    return 0;
}
