// Fuzz target: file_history.dat from arbitrary bytes. The list holds at most nine entries
// after loading, survives any sequence of paths, and is written back as it stands.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "banks/databank.h"
#include "fuzz/fuzz_support.h"
#include "shell/recentfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        fuzzsupport::installQuietPlatform();
        return fuzzsupport::makeTempDir("/tmp/jexhistoryfuzzXXXXXX");
    }();
    const std::string file = dir + "/file_history.dat";
    fuzzsupport::writefile(file, data, size);
    std::vector<std::string> kept;
    {
        TFileHistory h(9, file);
        if (h.entries.size() > 9) std::abort();
        for (const std::string& e : h.entries)
            if (e.empty() || e.find('\n') != std::string::npos) std::abort();
        // The first bytes pick a few paths from the list and new ones.
        for (std::size_t i = 0; i < size && i < 8; ++i) {
            const std::size_t k = data[i] % 12;
            h.addFile(k < h.entries.size() ? h.entries[k] : k == 11 ? std::string() : "new" + std::to_string(k));
            if (h.entries.size() > 9) std::abort();
        }
        h.addFile("");
        kept = h.entries;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    if (parserecentfiles(s.str()) != kept) std::abort();
    return 0;
}
