// The common bank interface: defaults of the operations and the generic listing.
#include "banks/databank.h"

#include "core/printout.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/platform.h"

DataBank::DataBank() : cacheCursor(cache.end()) {}

DataBank::DataBank(const char*)
    : baseYear_(1965), seriesCount_(0), frequency_(1), maxObs_(1999), cacheCursor(cache.end()) {}

DataBank::~DataBank() = default;

std::int16_t DataBank::show(const char*, int, std::FILE*) { return 1; }
std::int16_t DataBank::loadcmd(const char*, char, float) { return 0; }
int DataBank::findser(const char*) { return 0; }
std::int16_t DataBank::rows(int) { return 0; }
std::int16_t DataBank::cols(int) { return 0; }
char DataBank::eltype(int) { return 0; }

std::int16_t DataBank::listser(std::FILE* out, const char* pattern, std::int16_t columns) {
    std::vector<std::string> names;
    collectser(names, pattern, columns);
    const bool screen = out == stdout;
    int lines = 0;
    int onLine = 0;
    auto endLine = [&]() -> bool {
        if (screen) {
            printout("\n");
            if (++lines % 24 == 0) {
                printout("=== more ====\n");
                if (waitkey() == 27) return false;
            }
        } else {
            std::fputc('\n', out);
        }
        return true;
    };
    for (const std::string& n : names) {
        if (columns) {
            if (screen) printout("%-15s", n.c_str());
            else std::fprintf(out, "%-15s", n.c_str());
            if (++onLine == 5) {
                onLine = 0;
                if (!endLine()) return 0;
            }
        } else {
            if (screen) printout("%s", n.c_str());
            else std::fprintf(out, "%s", n.c_str());
            if (!endLine()) return 0;
        }
    }
    if (columns && onLine > 0) endLine();
    if (names.empty()) {
        const char* shown = (pattern && *pattern) ? pattern : "\"\"";
        if (addPrint == 1) printout("\nSorry:  no matches found for %s.\n", shown);
        if (saveOn == 'y' && out) std::fprintf(out, "\n\nSorry:  no matches found for %s\n\n", shown);
    }
    return 0;
}

int DataBank::info(std::int16_t slot) {
    printout("Index file read.\n");
    printout("Title of assigned bank:%s\n", title_.c_str());
    printout("Base year %d; first month covered %d\n", baseYear_, firstMonth_);
    printout("Max observations per series %d.\n", maxObs_);
    printout("Contains %d series.\n", seriesCount_);
    if (slot != 0) printout("\r\nThis bank assigned as bank: %c.\r\n", 'a' + slot);
    return 0;
}

const char* DataBank::settitle(const char* text) {
    title_ = text ? text : "";
    return title_.c_str();
}
