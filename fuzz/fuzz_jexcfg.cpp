// Fuzz target: the start-directory dialog loading jex.cfg from arbitrary bytes. Every field
// is filled, the start-up entry never passes 100 characters, and the reader and the echo
// switch are as they were afterwards.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "banks/databank.h"
#include "fuzz/fuzz_support.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "shell/configdialog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        fuzzsupport::installQuietPlatform();
        return fuzzsupport::makeTempDir("/tmp/jexcfgfuzzXXXXXX");
    }();
    const std::string file = dir + "/jex.cfg";
    fuzzsupport::writefile(file, data, size);
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return 0;
    const int print = addPrint;
    const char keyboard = keyboardInput;
    Tjexconfig3 dialog;
    dialog.jexOpenDlgName = "jex.cfg";
    dialog.loadConfigFile(f);
    if (dialog.text("addfile").size() > 100) std::abort();
    if (addPrint != print || keyboardInput != keyboard) std::abort();
    return 0;
}
