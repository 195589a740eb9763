// The worksheet export commands p123 and rp123.
#include "series/export_commands.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/listing_commands.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "banks/wk1file.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "series/exprtext.h"
#include "series/group.h"

namespace {

constexpr int tokenSize = 78;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// The workspace's first date at the frequency of `d`.
JexDate wsfirst(const JexDate& d) {
    JexDate first;
    first.setMonth(wsBaseYear, cfgFirstMonth, d.frequency);
    return first;
}

}  // namespace

int p123cmd(std::FILE* in, char mode) {
    const bool rows = mode == 'r';
    const int limit = rows ? 4096 : 256;
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a' && cls != '"') {
        printout("\nNeed filename for spreadsheet.\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    std::string path = token;

    cls = gettoken(token, in, 1, tokenSize);
    JexDate d1, d2;
    if (cls != 'n' || d1.parse(token) != 0 || d1.frequency == 0) {
        printout("\nNeed dates!\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    if ((d1 < wsfirst(d1)) == 1 || d1.wsIndex() < 0) {
        printout("\n First date is before beginning of workspace bank.\n");
        skipline(in);
        return -1;
    }
    cls = gettoken(token, in, 1, tokenSize);
    if (cls != 'n' || d2.parse(token) != 0 || d2.frequency == 0) {
        printout("\nNeed two dates. \n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    const int i1 = d1.wsIndex();
    const int i2 = d2.wsIndex();
    if (i2 >= wsMaxObs) {
        printout("\n Second date is too far out.  \n");
        skipline(in);
        return -1;
    }
    if (d1.frequency != d2.frequency) {
        printout("\nError:  the two dates have different frequencies.\n");
        skipline(in);
        return -1;
    }
    if (i2 < i1) {
        printout("\nError:  the second date is before the first.\n");
        skipline(in);
        return -1;
    }

    WK1File sheet(path, 1);
    if (!sheet.isReady()) {
        printout("Error: Can't open %s. Make sure the file isn't already open.\n", path.c_str());
        skipline(in);
        return -1;
    }
    const int n = i2 - i1 + 1;
    sheet.writeLabel(0, 0, "Dates", '^');
    char text[JexDate::textSize];
    for (int k = 0; k < n; ++k) {
        (d1 + k).print(text, yearFormat);
        if (rows) sheet.writeLabel(0, k + 1, text, '^');
        else sheet.writeLabel(k + 1, 0, text, '^');
    }

    int columnWidth = 9;
    int format = 3;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        columnWidth = std::atoi(token);
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'n') {
            format = std::atoi(token);
            cls = gettoken(token, in, 0, tokenSize);
        }
    }
    if (cls != 'a') printout("Give up to %d series names, terminated by a ';'.\n", limit);

    std::vector<float> values(seriesArrayLength + 1);
    int j = 0;
    auto writeseries = [&](const char* name) -> int {
        if (++j > limit) {
            printout("\nNo more than %d series will fit.\n", limit);
            return -1;
        }
        char* none = nullptr;
        if (fetchseries(name, values.data(), none, in, 1) != 0) {
            printout("Continuing anyway.\n");
            for (float& v : values) v = 0.0f;
        } else if (currentFrequency != 0 && currentFrequency != d1.frequency) {
            printout("\n %s has the wrong frequency.\n", name);
            return -1;
        }
        if (rows) sheet.writeLabel(j, 0, name, '^');
        else sheet.writeLabel(0, j, name, '^');
        sheet.writeColumnWidth(j, columnWidth);
        for (int k = 0; k < n; ++k) {
            if (rows) sheet.writeNumber(j, k + 1, values[i1 + k], format);
            else sheet.writeNumber(k + 1, j, values[i1 + k], format);
        }
        return 0;
    };

    bool first = true;
    for (;;) {
        if (!first) cls = gettoken(token, in, 0, tokenSize);
        first = false;
        if (cls == ';' || cls == 'e' || cls == -1) break;
        if (cls != 'a') continue;
        std::string word = token;
        char next[tokenSize];
        const int ncls = gettoken(next, in, 0, tokenSize);
        if (ncls == '(') {
            std::vector<std::int16_t> members;
            std::vector<char> groupText(exprTextSize, 0);
            char* cursor = groupText.data();
            const int count = parsegroup(in, cursor, members, groupLimit, groupText.size());
            if (count <= 0) {
                printout("\r\nGroup definition invalid\r\n");
                skipstatement(in);
                return -1;
            }
            for (std::int16_t m : members) {
                if (m == 0) continue;
                const std::string member = word + std::to_string(m);
                if (writeseries(member.c_str()) != 0) {
                    skipstatement(in);
                    return -1;
                }
            }
        } else {
            ungettoken();
            if (writeseries(word.c_str()) != 0) {
                skipstatement(in);
                return -1;
            }
        }
    }
    if (rows) sheet.writeDimensions(0, 0, j, n);
    else sheet.writeDimensions(0, 0, n, j);
    if (!sheet.finish()) {
        printout("\nError:  cannot write %s.\n", path.c_str());
        return -1;
    }
    return 0;
}
