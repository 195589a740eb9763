// Fuzz target: an add file of Vam data commands (vdata, vupdate, fvread, matin, pmatin,
// matin5, vmatdata) run against a fixture bank made by vamcreate (x 10 x 1, am 10 x 10, the
// packed pm 3 x 4, 1990-1995). Only those commands run: a line that does not begin with one of them is passed
// over. Whatever the text, nothing crashes, the bank file keeps its length and still opens
// with the same element tables.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/slots.h"
#include "fuzz/fuzz_support.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "vam/data_entry.h"
#include "vam/packed_text.h"
#include "vam/punch.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

namespace {

// The fixture bank, made once by vamcreate; its bytes.
std::vector<std::uint8_t> fixturebank(const std::string& dir) {
    const std::string cfg = dir + "/model.cfg";
    const char text[] = "1990 1995\nx 10 1 0 r.txt\nam 10 10 0 r.txt c.txt\npm 3 4 p r.txt c.txt\n";
    fuzzsupport::writefile(cfg, reinterpret_cast<const std::uint8_t*>(text), sizeof text - 1);
    settypedline("\"" + cfg + "\" \"" + dir + "/fixture\"");
    if (vamcrcmd(nullptr) != 1) std::abort();
    std::vector<std::uint8_t> bytes;
    std::FILE* f = std::fopen((dir + "/fixture.vam").c_str(), "rb");
    if (!f) std::abort();
    for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fclose(f);
    return bytes;
}

struct Tables {
    std::vector<std::string> names;
    std::vector<long> sizes;
    std::vector<int> rows, columns;
    std::vector<char> types;
    bool operator==(const Tables&) const = default;
};

Tables tablesof(const VamFile& b) {
    Tables t;
    for (int i = 0; i < b.elementCount(); ++i) {
        t.names.emplace_back(b.nameOf(i));
        t.sizes.push_back(b.sizeOf(i));
        t.rows.push_back(b.rowsOf(i));
        t.columns.push_back(b.columnsOf(i));
        t.types.push_back(b.typeOf(i));
    }
    return t;
}

using Handler = int (*)(DataBank*, std::FILE*);
struct Command {
    const char* word;
    Handler handler;
};
const Command commands[] = {
    {"vdata", vdatacmd},   {"vupdate", vupdatecmd}, {"fvread", fvreadcmd},   {"matin", matincmd},
    {"pmatin", pmatincmd}, {"matin5", matin5cmd},   {"vmatdata", vmatdatacmd}, {"vmatdat", vmatdatacmd},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        fuzzsupport::installQuietPlatform();
        fuzzsupport::workspaceFrom1990();
        vamMode = 's';
        std::string d = fuzzsupport::makeTempDir("/tmp/jexvamdatafuzzXXXXXX");
        if (chdir(d.c_str()) != 0) std::abort();
        return d;
    }();
    // File names of the text stay plain names inside the fuzzing folder.
    for (std::size_t k = 0; k < size; ++k)
        if (data[k] == '/' || data[k] == '\\' || data[k] == 0) return 0;
    static const std::vector<std::uint8_t> bankBytes = fixturebank(dir);
    fuzzsupport::writefile(dir + "/bank.vam", bankBytes.data(), bankBytes.size());
    fuzzsupport::writefile(dir + "/input.add", data, size);
    Tables before;
    {
        VamFile bank((dir + "/bank").c_str());
        if (!bank.isOpen()) std::abort();
        before = tablesof(bank);
        resetinterpstate();
        percentMode = 0;
        addPrint = 0;
        keyboardInput = 'n';
        std::FILE* in = std::fopen((dir + "/input.add").c_str(), "r");
        if (!in) std::abort();
        char word[80];
        for (int steps = 0; steps < 1000; ++steps) {
            const int cls = gettoken(word, in, 0, 78);
            if (cls == 'e' || cls == -1) break;
            if (cls == 'f') continue;
            Handler handler = nullptr;
            if (cls == 'a')
                for (const Command& c : commands)
                    if (std::strcmp(word, c.word) == 0) handler = c.handler;
            if (handler) handler(&bank, in);
            else if (skipline(in) != 0) break;
        }
        std::fclose(in);
        bank.storecmd();
        resetinterpstate();
    }
    VamFile again((dir + "/bank").c_str());
    if (!again.isOpen() || !(tablesof(again) == before)) std::abort();
    if (platform::fileSize(again.file()) != static_cast<long long>(bankBytes.size())) std::abort();
    return 0;
}
