// The print and type commands, the listing of one series, and the format commands.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "banks/jexbank.h"
#include "banks/listing_commands.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "series/exprtext.h"
#include "series/rhs.h"
#include "series/series_commands.h"
#include "series/series_state.h"
#include "views/series_grid.h"

namespace {

// The temporary name of the expression being listed (empty when none): its listing shows
// the heading in place of the name.
std::string listingTempName;

// The fixed-point text of one value in the listing format.
std::string valuetext(float v) {
    char buffer[400];
    if (ismissing(v)) {
        int c = widthGiven == 1 ? width : 11;
        if (c < 10) c = 10;
        std::snprintf(buffer, sizeof buffer, "%*.6f", c, static_cast<double>(v));
        return buffer;
    }
    int w = 11, d;
    if (formatGiven == 1) {
        w = width;
        d = decs;
    } else {
        double a = std::fabs(static_cast<double>(v));
        d = a > 1000000 ? 0 : a > 100000 ? 1 : a > 10000 ? 2 : a > 1000 ? 3 : a > 100 ? 4 : a > 10 ? 5 : a > 1 ? 6 : 7;
    }
    std::snprintf(buffer, sizeof buffer, "%*.*f", w, d, static_cast<double>(v));
    return buffer;
}

int observationsperline(int frequency) {
    if (obsPerLineGiven == 1 && obsPerLine > 0) return obsPerLine;
    if (frequency == 1) return 5;
    if (frequency == 4 || frequency == 2) return 4;
    return 12;
}

// The name without a bank prefix (a.gdp gives gdp).
const char* plainname(const char* name) { return name[0] != '\0' && name[1] == '.' ? name + 2 : name; }

}  // namespace

int typeseries(const char* name, char mode, const char* heading, std::FILE* in) {
    float values[seriesArrayLength + 1];
    char textBuffer[exprTextSize];
    textBuffer[0] = '\0';
    char* cursor = textBuffer;
    if (fetchseries(name, values, cursor, in, 1) < 0) return -1;
    const int frequency = currentFrequency;

    // Dates after the name replace the print dates.
    char token[78];
    if (gettoken(token, in, 0, 78) == 'n') {
        printDates[0] = static_cast<float>(std::atof(token));
        printDateRange[0] = JexDate(printDates[0]);
        printDatesSet = 'y';
        if (gettoken(token, in, 0, 78) == 'n') {
            printDates[1] = static_cast<float>(std::atof(token));
            printDateRange[1] = JexDate(printDates[1]);
        }
    } else {
        ungettoken();
    }

    const JexDate& first = printDateRange[0];
    JexDate base(wsBaseYear, cfgFirstMonth, first.frequency);
    int start = first.frequency == base.frequency ? first - base : -1;
    if (start < 0) {
        printout("First date for type command before beginning of workspace bank.\n");
        printout("Use tdates command to reset the dates for the type command.\n");
        return -1;
    }
    if (first.frequency != frequency) {
        printout("\r\nDates do not match frequency of series.\r\n");
        return -1;
    }
    const JexDate& last = printDateRange[1];
    int end = last.frequency == base.frequency ? last - base : -1;
    if (end < 0) return 0;
    if (end >= wsMaxObs) {
        printout("\r\n second date too far out. \r\n");
        return -1;
    }

    const int perLine = observationsperline(frequency);
    const bool temporary = !listingTempName.empty() && listingTempName == name;
    const char* shown = temporary ? heading : name;

    if (saveOn == 'y' && saveFile != nullptr) {
        const bool dump = std::strcmp(saveType, "dump") == 0;
        if (dump) {
            std::fprintf(saveFile, "%s ", plainname(name));
        } else if (std::strcmp(saveType, "gf") == 0) {
            std::fprintf(saveFile, "%s %s", "data", plainname(name));
        } else {
            std::fprintf(saveFile, "%s %s", saveType, plainname(name));
        }
        for (int row = start; row <= end; row += perLine) {
            char date[JexDate::textSize];
            (first + (row - start)).print(date, yearFormat);
            std::fprintf(saveFile, dump ? "%8s " : "\n%8s ", date);
            for (int i = row; i < row + perLine && i <= end; ++i)
                std::fprintf(saveFile, "%s", valuetext(values[i]).c_str());
        }
        std::fprintf(saveFile, "\n");
    }

    if (mode == 'y') {
        printout("%s\n", shown);
        // The typed-output grid keeps the listing: a row per line.
        TyFrm.start(shown, perLine + 1);
        for (int row = start; row <= end; row += perLine) {
            char date[JexDate::textSize];
            (first + (row - start)).print(date, yearFormat);
            TyFrm.addline(date, values + row, std::min(perLine, end - row + 1));
            printout("%*s ", static_cast<int>(std::strlen(date)) + 1, date);
            for (int i = row; i < row + perLine && i <= end; ++i) {
                std::string v = valuetext(values[i]);
                printout(v[0] == ' ' ? "%s" : " %s", v.c_str());
            }
            printout("\n");
        }
    }
    return 0;
}

int prcmd(std::FILE* in, char mode, int) {
    char token[78];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'a') return typeseries(token, mode, token, in);
    if (cls != '(') {
        printout("\r\ninvalid name or expression. \r\n ");
        return -1;
    }

    float values[2001] = {};
    const float fill = missingOn == 'n' ? 0.0f : MISSING;
    const int n = wsMaxObs;
    int i1 = fdate1Date.wsIndex();
    if (i1 < 0) i1 = 0;
    int i2 = fdate2Date.wsIndex();
    if (i2 < 0) i2 = n - 1;
    if (i2 >= n) {
        printout("\r\n second date too far out. \r\n");
        return -1;
    }

    char textBuffer[exprTextSize];
    textBuffer[0] = '\0';
    char* cursor = textBuffer;
    int r = rhs(values, in, cursor, sizeof textBuffer);
    if (r == -1 || r == 27) {
        printout(" \r\n error in f command; check parentheses\r\n");
        return r;
    }
    if (r != 41) {
        printout("\nError:  invalid expression in type command.\n");
        return -1;
    }
    const int expressionFrequency = currentFrequency;
    if (fdate1Date.frequency != 0 && expressionFrequency != 0 && expressionFrequency != fdate1Date.frequency) {
        printout("fdates inconsistent with the frequency of the series.\n");
        pausebox("Bad fdates", "");
        return -1;
    }

    // A name that no bank holds.
    std::string temp = "boo_temp";
    for (;;) {
        char scratch[exprTextSize] = "";
        char* scratchCursor = scratch;
        if (fetchseries(temp.c_str(), nullptr, scratchCursor, in, 0) != 0) break;
        temp.clear();
        for (int k = 0; k < 8; ++k) temp.push_back(static_cast<char>('a' + std::rand() % 26));
    }

    int frequency = expressionFrequency != 0   ? expressionFrequency
                    : fdate1Date.wsIndex() >= 0 ? fdate1Date.frequency
                                                : static_cast<int>(defaultFrequency);
    for (int i = 0; i < n; ++i)
        if (i < i1 || i > i2) values[i] = fill;
    if (workspaceBank == nullptr) return -1;
    workspaceBank->setFreq(frequency);
    if (workspaceBank->addser(temp.c_str(), values, 'y', -1) < 0) return -1;

    std::string heading = textBuffer;
    if (!heading.empty() && heading.back() == ')' && heading.size() < 800) heading.pop_back();
    listingTempName = temp;
    int result = typeseries(temp.c_str(), mode, heading.c_str(), in);
    listingTempName.clear();
    workspaceBank->delser(temp.c_str());
    return result;
}

int decscmd(std::FILE* in) {
    char token[78];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'n') {
        int n = std::atoi(token);
        if (n < 0 || n > 12) {
            printout("Invalid decs: %d\n", n);
            return -1;
        }
        decs = static_cast<std::int16_t>(n);
        decsGiven = 1;
        formatGiven = 1;
    } else if (cls == 'f' || cls == 'e') {
        if (decsGiven == 1) {
            printout("Current value of decs is %d\n", decs);
        } else {
            printout("decs command has not been given yet.  Output will depend upon values\n");
        }
    }
    return 0;
}

int widthcmd(std::FILE* in) {
    char token[78];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'n') {
        int n = std::atoi(token);
        if (n < 0 || n > 40) {
            printout("Invalid width: %d\r\n", n);
            return -1;
        }
        width = static_cast<std::int16_t>(n);
        widthGiven = 1;
        formatGiven = 1;
    } else if (cls == 'f' || cls == 'e') {
        if (widthGiven == 1) {
            printout("Current value of width is %d\r\n", width);
        } else {
            printout("width command has not been given yet.  Output will depend upon values\n");
        }
    }
    return 0;
}

int formatcmd(std::FILE* in) {
    const char* usage = "\r\nUsage: format <width> [<decs>] [<ObsPerLine>] | <\"off\">\r\n";
    char token[78];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'a') {
        if (std::strcmp(token, "off") == 0) {
            obsPerLineGiven = 0;
            decsGiven = 0;
            widthGiven = 0;
            formatGiven = 0;
            return 0;
        }
        printout("%s", usage);
        return -1;
    }
    if (cls != 'n') {
        printout("%s", usage);
        return -1;
    }
    int w = std::atoi(token);
    if (w < 0 || w > 20) {
        printout("Invalid width: %d\r\n", w);
        return -1;
    }
    width = static_cast<std::int16_t>(w);
    widthGiven = 1;
    formatGiven = 1;

    if (gettoken(token, in, 0, 78) != 'n') {
        ungettoken();
        return 0;
    }
    int d = std::atoi(token);
    if (d < 0 || d > w - 2) {
        printout("Invalid decs: %d\r\n", d);
        return -1;
    }
    decs = static_cast<std::int16_t>(d);
    decsGiven = 1;

    if (gettoken(token, in, 0, 78) != 'n') {
        ungettoken();
        return 0;
    }
    int k = std::atoi(token);
    // No observations per line would list nothing, forever.
    if (k < 1 || k > 100) {
        printout("Invalid obspl: %d\r\n", k);
        return -1;
    }
    obsPerLine = static_cast<std::int16_t>(k);
    obsPerLineGiven = 1;
    return 0;
}

int cmtypecmd(std::FILE* in) {
    char token[78];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'a' && token[0] == 'y') {
        showRelations = 1;
    } else if (cls == 'a' && token[0] == 'n') {
        showRelations = 0;
    } else {
        printout("\r\nThe format is \r\n cmtype <yes | no>\r\n");
    }
    gettoken(token, in, 0, 78);
    return 0;
}
