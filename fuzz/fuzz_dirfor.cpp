// Fuzz target: opening and reading a directory-of-forecasts bank from arbitrary bytes. The
// input is three 2-byte little-endian lengths a, b, c, then a bytes of the forecast file, b
// bytes of the history file, c bytes of the macro names file, and the rest as the listing
// file. Whatever the bytes, opening either refuses the bank or gives one whose every listed
// series reads (or fails with a message) without touching memory outside the caller's array.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/dirfor.h"
#include "core/bytes.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string work;  // the listing names its files relative to this folder
std::string home;  // the fuzzer's own folder, restored after each input

void setup() {
    fuzzsupport::installQuietPlatform();
    work = fuzzsupport::makeTempDir("/tmp/jexdirforfuzzXXXXXX");
    char here[4096];
    if (!getcwd(here, sizeof here)) std::abort();
    home = here;
}

// Works in the fuzz folder while it lives, back home afterwards (libFuzzer reads its
// corpus and writes its artifacts relative to the folder it was started in).
struct InWork {
    InWork() {
        if (chdir(work.c_str()) != 0) std::abort();
    }
    ~InWork() {
        if (chdir(home.c_str()) != 0) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = (setup(), true);
    (void)ready;
    if (size < 6) return 0;
    InWork inWork;
    std::size_t at = 6;
    const char* files[] = {"fc.dfr", "fc.dhs", "macro.nam"};
    for (int i = 0; i < 3; ++i) {
        std::size_t n = bytes::getU16(data + 2 * i);
        if (n > size - at) n = size - at;
        fuzzsupport::writefile(files[i], data + at, n);
        at += n;
    }
    fuzzsupport::writefile("dirfor.dat", data + at, size - at);
    Dirfor bank("fc", "dirfor.dat");
    if (!bank.isOpen()) return 0;
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    std::vector<float> v = fuzzsupport::guardedArray();
    std::size_t tried = 0;
    for (const std::string& name : names) {
        if (++tried > 200) break;
        bank.getser(name.c_str(), v.data(), -1);
        fuzzsupport::checkGuard(v);
    }
    bank.getser("x9999999", v.data(), -1);
    bank.info(3);
    return 0;
}
