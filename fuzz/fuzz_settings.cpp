// Fuzz target: JexReg.ini from arbitrary bytes. Every key reads (or takes its default), the
// placements end up inside the work area, and the file written back reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "banks/databank.h"
#include "fuzz/fuzz_support.h"
#include "platform/home.h"
#include "shell/mainform.h"
#include "shell/profile.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        fuzzsupport::installQuietPlatform();
        setenv("JEX_HOME", fuzzsupport::makeTempDir("/tmp/jexsettingsfuzzXXXXXX").c_str(), 1);
        return true;
    }();
    (void)ready;
    ProfileFile ini;
    ini.parse(std::string(reinterpret_cast<const char*>(data), size));
    mainformcreate();
    applysettings(ini);
    const Bounds& b = Main.bounds;
    if (b.width < 1 || b.width > platform::workAreaWidth || b.left < 0 || b.left >= platform::workAreaWidth ||
        b.height < 1 || b.height > platform::workAreaHeight || b.top < 0 || b.top > platform::workAreaHeight)
        std::abort();
    if (Main.editorLeft >= static_cast<std::uint32_t>(platform::workAreaWidth) ||
        Main.editorTop >= static_cast<std::uint32_t>(platform::workAreaHeight))
        std::abort();
    // What is written reads back to the same file once the rules have settled (new editors
    // follow the main window's height, which may move their top once more).
    ProfileFile again;
    again.parse(collectsettings().text());
    applysettings(again);
    const std::string text = collectsettings().text();
    again.parse(text);
    applysettings(again);
    if (collectsettings().text() != text) std::abort();
    return 0;
}
