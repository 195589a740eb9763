// Fuzz target: the .xlsx reader (zip archive and XML parts) on arbitrary bytes. Whatever the
// bytes, reading either refuses them with a reason or gives a workbook whose every cell can
// be read back; entries are inflated only up to the reader's cap, so no input allocates
// without bound.
//
// An input that begins with 'X' reaches the XML readers past the zip layer: the rest is cut
// at each "\n--\n" into a sheet, a shared-string table and a style sheet, which are stored
// (uncompressed) in an archive beside a fixed workbook part. Any other input is read as the
// archive itself.
#include <zip.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "excel/workbook_files.h"
#include "platform/platform.h"
#include "platform/quiet_platform.h"

namespace {

// A zip archive in memory of stored entries; empty when libzip fails.
std::string storedzip(const std::vector<std::pair<const char*, std::string>>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!memory) return {};
    zip_source_keep(memory);
    zip_t* z = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    std::string out;
    if (z) {
        for (const auto& [name, bytes] : parts) {
            zip_source_t* s = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
            zip_int64_t i = s ? zip_file_add(z, name, s, ZIP_FL_OVERWRITE) : -1;
            if (i < 0) {
                zip_source_free(s);
                continue;
            }
            zip_set_file_compression(z, static_cast<zip_uint64_t>(i), ZIP_CM_STORE, 0);
        }
        if (zip_close(z) != 0) zip_discard(z);
        zip_stat_t st;
        if (zip_source_open(memory) == 0) {
            if (zip_source_stat(memory, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
                out.resize(static_cast<std::size_t>(st.size));
                if (zip_source_read(memory, out.data(), st.size) != static_cast<zip_int64_t>(st.size)) out.clear();
            }
            zip_source_close(memory);
        }
    }
    zip_source_free(memory);
    zip_error_fini(&error);
    return out;
}

std::string xmlparts(const std::uint8_t* data, std::size_t size) {
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> cut;
    for (std::size_t start = 0;;) {
        std::size_t at = rest.find("\n--\n", start);
        cut.push_back(rest.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos || cut.size() == 3) break;
        start = at + 4;
    }
    cut.resize(3);
    return storedzip({
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "</Relationships>"},
        {"xl/worksheets/sheet1.xml", cut[0]},
        {"xl/sharedStrings.xml", cut[1]},
        {"xl/styles.xml", cut[2]},
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::QuietPlatform quiet;
    platform::install(&quiet);
    std::string archive;
    if (size > 0 && data[0] == 'X') {
        archive = xmlparts(data, size);
        data = reinterpret_cast<const std::uint8_t*>(archive.data());
        size = archive.size();
    }
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
