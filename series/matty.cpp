// Tables of series: matty and matpr print several series side by side, a row per date.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/listing_commands.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "series/export_commands.h"
#include "series/series_state.h"

namespace {

constexpr int tokenSize = 78;
constexpr int maxNames = 100;
constexpr int maxTokens = 150;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

void usage(bool spaced) {
    printout("Format of matty is:\n");
    printout(spaced ? "matty | matpr [file <file_name>] [<date1> [<date2>]] [<dump>]\n"
                    : "matty | matpr [file <file_name>] [<date1>[<date2>]] [<dump>]\n");
    printout("    <ser1> <ser2> .... <serN> ;\n");
}

}  // namespace

int mattycmd(std::FILE* in) {
    JexDate d1 = printDateRange[0];
    JexDate d2 = printDateRange[1];
    char token[tokenSize];
    int cls = gettoken(token, in, 1, tokenSize);
    if (endclass(cls)) {
        usage(true);
        printout("\nNote that the keyword \"file\" must preceed the optional file name.\n");
        return 0;
    }
    // The table file is written beside the file it replaces and renamed over it when the
    // table is complete: a refused command leaves an earlier file of that name as it was.
    std::FILE* table = nullptr;
    std::string tablePath;
    std::unique_ptr<platform::ReplacingFile> tableFile;
    auto closeall = [&]() {
        if (table) {
            tableFile->abandon();
        }
        table = nullptr;
    };
    if (cls == 'a' && std::strcmp(token, "file") == 0) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'a' && cls != '"') {
            printout("\r\n Can't open %s\r\n", "");
            if (!endclass(cls)) skipstatement(in);
            return -1;
        }
        tablePath = token;
        tableFile = std::make_unique<platform::ReplacingFile>(tablePath);
        table = tableFile->open("w");
        if (!table) {
            printout("\r\n Can't open %s\r\n", token);
            skipstatement(in);
            return -1;
        }
        cls = gettoken(token, in, 1, tokenSize);
    }
    if (cls == 'n') {
        JexDate first;
        first.parse(token);
        JexDate wsFirst;
        wsFirst.setMonth(wsBaseYear, cfgFirstMonth, first.frequency);
        if (first.frequency == 0 || (first < wsFirst) == 1) {
            printout("\r\n First date is before beginning of workspace bank. \r\n");
            closeall();
            skipstatement(in);
            return -1;
        }
        cls = gettoken(token, in, 1, tokenSize);
        JexDate second;
        if (cls != 'n' || second.parse(token) != 0 || second.frequency == 0) {
            printout("\r\n Need two dates. \r\n");
            closeall();
            if (!endclass(cls)) skipstatement(in);
            return -1;
        }
        printDateRange[0] = first;
        printDates[0] = first.toFloat();
        printDateRange[1] = second;
        printDates[1] = second.toFloat();
        printDatesSet = 'y';
        if (second.wsIndex() >= wsMaxObs) {
            printout("\r\n Second date is too far out. \r\n");
            closeall();
            skipstatement(in);
            return -1;
        }
        d1 = first;
        d2 = second;
        cls = gettoken(token, in, 0, tokenSize);
    }
    bool dump = false;
    if (cls == 'a' && std::strcmp(token, "dump") == 0) {
        dump = true;
        cls = gettoken(token, in, 0, tokenSize);
    }

    // The dates of the rows.
    if (d1.frequency == 0 || d2.frequency == 0 || d1.frequency != d2.frequency) {
        printout("\r\n Need two dates. \r\n");
        closeall();
        if (!endclass(cls)) skipstatement(in);
        return -1;
    }
    const int i1 = d1.wsIndex();
    const int i2 = d2.wsIndex();
    if (i1 < 0 || i2 >= wsMaxObs || i2 >= seriesArrayLength) {
        printout("\r\n Second date is too far out. \r\n");
        closeall();
        if (!endclass(cls)) skipstatement(in);
        return -1;
    }

    // The names, up to ";" (or the end of a typed line), each fetched as it is read.
    std::vector<std::string> names;
    std::vector<std::vector<float>> series;
    int tokens = 0;
    for (;; cls = gettoken(token, in, 0, tokenSize)) {
        if (cls == ';' || cls == 'e' || cls == -1) break;
        if (cls == 'f') {
            if (keyboardInput == 'y' || !in) break;
            continue;
        }
        if (++tokens > maxTokens) {
            printout("Error in matty:\n");
            printout("\";\" missing in second line.");
            usage(false);
            closeall();
            return -1;
        }
        if (cls != 'a') continue;
        if (static_cast<int>(names.size()) >= maxNames) {
            printout("No more than %d names.\n", maxNames);
            closeall();
            skipstatement(in);
            return -1;
        }
        names.emplace_back(token);
        series.emplace_back(seriesArrayLength + 1);
        char* none = nullptr;
        if (fetchseries(token, series.back().data(), none, in, 1) != 0) {
            closeall();
            skipstatement(in);
            return -1;
        }
        if (currentFrequency != 0 && currentFrequency != d1.frequency) {
            printout("\r\n%s has wrong frequency.\r\n", names.back().c_str());
            closeall();
            skipstatement(in);
            return -1;
        }
    }

    const int w = formatGiven == 1 ? width : 10;
    const int d = formatGiven == 1 ? decs : 3;
    char valueFormat[32];
    std::snprintf(valueFormat, sizeof valueFormat, " %%%d.%df", w, d);
    char dateHead[32], nameHead[32], dateCell[32];
    if (widthGiven) {
        std::snprintf(dateHead, sizeof dateHead, "%%-%d.%ds", width, width);
        std::snprintf(nameHead, sizeof nameHead, " %%%d.%ds", width, width);
        std::snprintf(dateCell, sizeof dateCell, "%%-%d.%ds", width, width);
    } else {
        std::snprintf(dateHead, sizeof dateHead, "%%%ds", 10);
        std::snprintf(nameHead, sizeof nameHead, " %%%ds", 10);
        std::snprintf(dateCell, sizeof dateCell, "%s", "%-8.8s");
    }
    const bool toSave = saveOn == 'y' && saveFile;
    if (table) {
        std::fprintf(table, dateHead, "Date");
        for (const auto& name : names) std::fprintf(table, nameHead, name.c_str());
    } else if (toSave && !dump) {
        std::fprintf(saveFile, dateHead, "Date");
        for (const auto& name : names) std::fprintf(saveFile, nameHead, name.c_str());
        std::fprintf(saveFile, "\n");
    }

    char text[JexDate::textSize];
    for (int i = i1; i <= i2; ++i) {
        (d1 + (i - i1)).print(text, yearFormat);
        std::string row;
        char cell[64];
        std::snprintf(cell, sizeof cell, dateCell, text);
        row += cell;
        for (const auto& s : series) {
            std::snprintf(cell, sizeof cell, valueFormat, static_cast<double>(s[i]));
            row += cell;
        }
        if (table) std::fprintf(table, "\n%s", row.c_str());
        else if (addPrint == 1) printout("%s\r\n", row.c_str());
        if (toSave) std::fprintf(saveFile, "%s\n", row.c_str());
    }
    if (!table && addPrint == 1) printout("\r\n");
    int result = 0;
    if (table) {
        const bool written = tableFile->commit();
        table = nullptr;
        if (!written) {
            printout("\nError:  cannot write %s.\n", tablePath.c_str());
            result = -1;
        }
    }
    if (toSave && !dump) std::fprintf(saveFile, "\n");
    return result;
}
