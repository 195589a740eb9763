// Fuzz target: the .xlsx reader (zip archive and XML parts) on arbitrary bytes. Whatever the
// bytes, reading either refuses them with a reason or gives a workbook whose every cell can
// be read back; entries are inflated only up to the reader's cap, so no input allocates
// without bound.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "excel/workbook_files.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::QuietPlatform quiet;
    platform::install(&quiet);
    std::string warning;
    try {
        auto book = xlmodel::readxlsxbytes(data, size, "fuzz.xlsx", warning);
        for (const auto& sheet : book->sheetsView()) {
            for (int r = 1; r <= sheet->lastRow(); ++r)
                for (int c = 1; c <= sheet->lastColumn(r); ++c) {
                    xlmodel::Value v = sheet->value(r, c);
                    if (v.kind == xlmodel::Kind::text && v.text.size() > size) std::abort();
                }
            xlmodel::Rect used;
            sheet->usedRange(used);
        }
    } catch (const xlmodel::ServerError&) {
        // Refused with a reason: what a damaged file should give.
    }
    return 0;
}
