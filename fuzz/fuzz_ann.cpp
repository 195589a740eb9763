// Fuzz target: bytes replayed as an annotation file by the editor model. The replay reads
// only the bytes given (they are not copied, so a read past them is a fault the sanitizer
// sees) and stops at the first line it does not know; the script it leaves holds only lines
// of the three keywords, each ending in a line end, that the reader reads back the same.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "graphs/annot_editor.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An empty folder of its own: smf lines look for their metafiles in the working directory.
    static const bool ready = [] {
        static platform::QuietPlatform quiet;
        platform::install(&quiet);
        char work[] = "/tmp/jexfuzzannXXXXXX";
        if (mkdtemp(work) == nullptr || chdir(work) != 0) std::abort();
        return true;
    }();
    (void)ready;

    graphs::resetannotationeditor();
    graphs::AnnGraphFm.replayText(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string script = graphs::annScript;
    std::size_t start = 0;
    while (start < script.size()) {
        const std::size_t end = script.find('\n', start);
        if (end == std::string::npos) std::abort();
        const std::string_view line(script.data() + start, end - start);
        if (line.rfind("smf ", 0) != 0 && line.rfind("anntext ", 0) != 0 &&
            line.rfind("annline ", 0) != 0)
            std::abort();
        start = end + 1;
    }
    graphs::resetannotationeditor();
    graphs::AnnGraphFm.replayText(script);
    if (graphs::annScript != script) std::abort();
    graphs::resetannotationeditor();
    return 0;
}
