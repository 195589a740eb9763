// Fuzz target: a packed-matrix file from arbitrary bytes, bound to the packed element pm
// (3 x 4, 1990-1991) of a fixed bank. Every view loads or fails, a row stores back only
// inside the file, and Pmatrix declares, loads, reads, sums and stores or fails.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "banks/databank.h"
#include "fuzz/fuzz_support.h"
#include "platform/files.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

namespace {

// The bank: x (3 x 1) and pm (3 x 4, packed slot 0 named pm.pmx) over 1990-1991.
void writebank(const std::string& path) {
    VamTables t;
    t.header.firstDate = 1990;
    t.header.endDate = 1991;
    t.header.recordFloats = 3;
    t.header.elementTotal = 2;
    t.header.poolSize = 5;
    t.header.packedTotal = 1;
    t.header.dataStart = 104 + 32 + 146 + 5;
    t.packedNames = {"pm.pmx"};
    t.names = {"x", "pm"};
    t.sizes = {3, 12};
    t.rows = {3, 3};
    t.columns = {1, 4};
    t.lags = {0, 0};
    t.types = {'v', 'p'};
    t.rowStubs = {"r", "r"};
    t.columnStubs = {"", "c"};
    std::vector<std::uint8_t> b = encodevamtables(t);
    b.resize(b.size() + 2 * 3 * 4, 0);
    fuzzsupport::writefile(path, b.data(), b.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        fuzzsupport::installQuietPlatform();
        fuzzsupport::workspaceFrom1990();
        std::string d = fuzzsupport::makeTempDir("/tmp/jexpackedfuzzXXXXXX");
        writebank(d + "/bank.vam");
        return d;
    }();
    const std::string file = dir + "/pm.pmx";
    fuzzsupport::writefile(file, data, size);
    VamFile bank((dir + "/bank").c_str());
    if (!bank.isOpen()) std::abort();
    pmModeAdvanced = true;
    for (int line : {1, 3, 4, 5}) {
        if (bank.loadcmd("pm", 'r', static_cast<float>(line)) == 0) {
            bank.setModified();
            bank.storecmd();
        }
        bank.loadcmd("pm", 'c', static_cast<float>(line));
    }
    for (float d : {1990.0f, 1991.0f, 1992.0f}) {
        if (bank.loadcmd("pm", 'y', d) == 0) bank.storecmd();
    }
    bank.releaseLoaded();
    Pmatrix p;
    if (p.declare(&bank, "pm", "pm.pmx") == 0) {
        for (float d : {1990.0f, 1991.0f}) {
            if (p.load("pm.pmx", d) != 0) continue;
            for (int r = 1; r <= 3; ++r)
                for (int c = 1; c <= 4; ++c) p.set(r, c, p.at(r, c) + 1);
            p.columnSum();
            p.rowSum();
            p.store("pm.pmx", d);
        }
    }
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) std::abort();
    const long long now = platform::fileSize(f);
    std::fclose(f);
    if (now != static_cast<long long>(size)) std::abort();  // nothing written past its end
    return 0;
}
