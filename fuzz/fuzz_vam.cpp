// Fuzz target: a .vam file from arbitrary bytes. Opening either refuses the bank or gives one
// whose every element loads (or fails) in every view, reads as series without touching
// memory outside the caller's array, and stores back without growing the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/slots.h"
#include "fuzz/fuzz_support.h"
#include "platform/files.h"
#include "vam/vamfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        fuzzsupport::installQuietPlatform();
        fuzzsupport::workspaceFrom1990();
        vamMode = 's';
        return fuzzsupport::makeTempDir("/tmp/jexvamfuzzXXXXXX");
    }();
    const std::string stem = dir + "/bank";
    fuzzsupport::writefile(stem + ".vam", data, size);
    VamFile bank(stem.c_str());
    if (!bank.isOpen()) return 0;
    std::vector<float> v = fuzzsupport::guardedArray();
    const float first = bank.startDate(), last = bank.lastDate();
    for (int i = 0; i < bank.elementCount() && i < 50; ++i) {
        const std::string name = bank.nameOf(i);
        const int rows = bank.rowsOf(i), cols = bank.columnsOf(i);
        bank.loadcmd(name.c_str(), 'x', 0);
        for (int line : {1, rows, cols, rows + 1}) {
            bank.loadcmd(name.c_str(), 'r', static_cast<float>(line));
            bank.loadcmd(name.c_str(), 'c', static_cast<float>(line));
        }
        for (float d : {first, last, last + 1}) bank.loadcmd(name.c_str(), 'y', d);
        for (const std::string& s : {name + "1", name + "2.1", name + std::to_string(rows), std::string("l1")}) {
            bank.getser(s.c_str(), v.data(), -1);
            fuzzsupport::checkGuard(v);
        }
        if (bank.isLoaded()) {
            bank.setModified();
            bank.storecmd();
        }
    }
    std::vector<std::string> names;
    bank.collectser(names, "*", 0);
    bank.info(1);
    if (platform::fileSize(bank.file()) != static_cast<long long>(size)) std::abort();
    return 0;
}
