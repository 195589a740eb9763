// xl write and xl read: series, texts and dates between the workspace (or a sector of a
// Vam vector) and the active worksheet. Dates are placed in the workspace calendar at the
// frequency of the first date; nothing is stored before every check has passed.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "excel/excel.h"
#include "excel/xl_internal.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "vam/vamfile.h"

using namespace xlinternal;

namespace {

// Room of the series buffer: the workspace's index range.
constexpr int bufferLength = 2000;

// Indexes of a date range in the workspace calendar at the first date's frequency. Prints
// the reason and gives false when the range does not lie in the workspace. seriesFrequency
// (xl write: the series' own, 0 for none) must agree with the dates'.
bool alignrange(const JexDate& first, const JexDate& last, int seriesFrequency, int& i1, int& i2) {
    if (first.frequency == 0) {
        printout("\nError:  First date for xl is before beginning of workspace bank.\n");
        return false;
    }
    const JexDate reference(wsBaseYear, cfgFirstMonth, first.frequency);
    i1 = first - reference;
    i2 = last.frequency == first.frequency ? last - reference : -1;
    if (i1 < 0) {
        printout("\nError:  First date for xl is before beginning of workspace bank.\n");
        return false;
    }
    if (seriesFrequency != 0 && seriesFrequency != first.frequency) {
        printout("\nError:  frequency of dates for xl command does not match frequency of series.\n");
        return false;
    }
    if (i2 < 0) {
        printout("\nError:  in dates for xl command.\n");
        return false;
    }
    // The last workspace index is wsMaxObs - 1: an index equal to wsMaxObs lies past it.
    if (i2 >= wsMaxObs) {
        printout("\nError:  second date invalid in xl command.\n");
        return false;
    }
    return true;
}

// The date number a date cell is written from: semiannual and quarterly dates as the
// monthly date of their first month.
float writtendate(const JexDate& d) {
    if (d.frequency == 4) return JexDate(d.year, static_cast<std::uint8_t>(3 * d.period - 2), 0, 12).toFloat();
    if (d.frequency == 2) return JexDate(d.year, static_cast<std::uint8_t>(6 * d.period - 5), 0, 12).toFloat();
    return d.toFloat();
}

int readstring(const std::string& column, int row) {
    std::string text;
    if (excelSession.ReadString(column, row, text, 1) != 0) return -1;
    excelSession.setLastText(text);
    return 0;
}

int readdates(std::FILE* in, const std::string& column, int row) {
    std::string column2, row2, text;
    int cls;
    if (xlcolumnarg(in, column2, cls) != 0) {
        ungettoken();
        column2 = column;
        row2 = std::to_string(row);
    } else if (xlrowarg(in, row2, cls) != 0) {
        printout("\nError:  in \"xl read column1 row1 date column2\", following argument must specify the second row.\n");
        return -1;
    } else if (column2 != column && std::atoi(row2.c_str()) != row) {
        printout("\nError:  in \"xl read column1 row1 date column2 row2\", either a single row or single column must be specified.\n");
        return -1;
    }
    if (excelSession.ReadDates(column, row, text, 1, column2, std::atoi(row2.c_str())) != 0) return -1;
    excelSession.setLastText(text);
    return 0;
}

// The values read, at workspace indexes first.., into a sector of a vector of the Vam bank
// named by `name` (b.out12).
int storevam(const std::string& name, std::vector<float>& buffer, const JexDate& first, const JexDate& last) {
    const int slot = name[0] - 'a';
    VamFile* bank = dynamic_cast<VamFile*>(bankSlots[slot]);
    if (!bank) {
        printout("\nError:  bank not open in the xl command.\n");
        return -1;
    }
    char stem[tokenSize];
    short second = -1;
    const short sector = splitnamenumbers(name.c_str() + 2, stem, second);
    if (sector == 0) {
        printout("\r\nError:  in xl.\n");
        printout("Name \"%s\" is supplied without either a sector number or\n", name.c_str());
        printout("a row number.\n");
        printout("Returning...\r\n");
        pausebox("Warning!", "");
        return -1;
    }
    const int element = bank->findser(stem);
    if (element == -1) {
        printout("\r\nNo such series or vector as %s\r\n", stem);
        return -1;
    }
    const char type = bank->eltype(element);
    if (type == 'm') {
        printout("\nError:  at this time, you cannot read matrices\n");
        printout("with the xl command.\n");
        return -1;
    }
    if (type != 'v' && type != 'l') {
        printout("\nError:  xl reads only macro data series and vectors.\n");
        return -1;
    }
    if (sector <= 0) {
        printout("\nError:  in xl command, %s is not a valid vector.\n", stem);
        return -1;
    }
    if (bank->loadcmd(stem, 'x', 0) < 0) {
        printout("\nError:  in xl command, cannot load vector.\n");
        return -1;
    }
    bank->alignToWorkspace(buffer.data());
    if (JexDate(bank->startDate()).frequency != first.frequency ||
        JexDate(bank->lastDate()).frequency != last.frequency) {
        printout("\nError:  in xl, dates declared are not of the same frequency\n");
        printout("as the Vam bank dates.\n");
        return -1;
    }
    if (bank->putseries(sector, buffer.data(), 0) < 0) {
        printout("\nError:  in xl, cannot write vector to vam bank.\n");
        return -1;
    }
    return 0;
}

int readseries(std::FILE* in, const std::string& column, int row) {
    char direction;
    if (xldirectionarg(in, direction) != 0) {
        printout("\nError:  in \"xl read column row\", following argument must\n");
        printout("specify the direction:  \"down,\" \"right,\" \"up\" or \"left.\"\n");
        return -1;
    }
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    std::string name;
    if (istext(cls)) {
        name = token;
    } else if (cls == 'n' && excelSession.seriesNameLength() > 0) {
        ungettoken();
        name = excelSession.seriesName();
    } else {
        printout("\nError:  in \"xl read column row direction\", following argument must\n");
        printout("specify the data series name.\n");
        return -1;
    }
    const bool banked = name.size() > 2 && name[1] == '.';
    if (!banked && seriesnametoolong(name.c_str(), in)) return -1;

    JexDate first = fdate1Date, last = fdate2Date;
    bool xldates = false;
    cls = gettoken(token, in, 0, tokenSize);
    if (istext(cls) && std::strncmp(token, "xldate", 6) == 0) {
        if (!excelSession.hasDates()) {
            printout("\nError:  in \"xl read <column> <row> <direction> <series name> [xldates]\"\n");
            printout("        no xl dates have been set.\n");
            return -1;
        }
        xldates = true;
        excelSession.earliestDate();
        first = JexDate(excelSession.dateText().c_str());
        excelSession.latestDate();
        last = JexDate(excelSession.dateText().c_str());
    } else {
        ungettoken();
        if (xldatesarg(in, first, last) == -1) {
            printout("\nError:  in \"xl read <column> <row> <direction> <series name> [<start date> [<end date>]]\"\n");
            printout("        next arguments must specify the dates.\n");
            return -1;
        }
    }

    std::vector<float> buffer(bufferLength, MISSING);
    int i1, i2;
    if (!alignrange(first, last, 0, i1, i2)) return -1;
    const int count = i2 - i1 + 1;
    std::vector<float> cells(static_cast<std::size_t>(count), excelSession.missingValue());
    if (excelSession.ReadNumberArray(column, row, direction, count, cells.data(), 1, xldates ? 1 : 0) != 0)
        return -1;

    FdatesGuard saved;
    FdatesGuard::set(first, last);

    if (banked) {
        const char letter = name[0];
        if (letter < 'a' || letter > 'z') {
            printout("\nError:  %c is not a valid bank letter.\n", letter);
            return -1;
        }
        switch (bankTypes[letter - 'a']) {
        case 'c':
            printout("\nError:  writing to compressed banks is not supported\n");
            printout("in the xl command.\n");
            return -1;
        case 'd':
            printout("\nError:  writing to Dirfor banks is not supported\n");
            printout("in the xl command.\n");
            return -1;
        case 'h':
            printout("\nError:  writing to hash banks is not supported\n");
            printout("in the xl command.\n");
            return -1;
        case 'w':
            printout("\nError:  writing to assigned JexBanks banks is not supported\n");
            printout("in the xl command.  In the future, Jex7 may offer this capability.\n");
            printout("For now, assign the bank as the workspace bank, and then call\n");
            printout("xl.  Do not include a bank letter with the series name.\n");
            return -1;
        case 'v':
            std::copy(cells.begin(), cells.end(), buffer.begin() + i1);
            return storevam(name, buffer, first, last);
        default:
            printout("\nError:  bank not open in the xl command.\n");
            return -1;
        }
    }

    int frequency = first.frequency;
    char* text = nullptr;
    if (fetchseries(name.c_str(), buffer.data(), text, nullptr, 0) == 0) {
        // The values of an existing series stay outside the range read; they sit at the
        // indexes of its own frequency, which must be the dates'.
        if (currentFrequency != 0 && currentFrequency != first.frequency) {
            printout("\nError:  frequency of dates for xl command does not match frequency of series.\n");
            return -1;
        }
    } else {
        std::fill(buffer.begin(), buffer.end(), MISSING);
    }
    std::copy(cells.begin(), cells.end(), buffer.begin() + i1);
    if (!workspaceBank) return -1;
    workspaceBank->setFreq(frequency);
    if (workspaceBank->addser(name.c_str(), buffer.data(), 'y', -1) < 0) {
        printout("Error:  cannot write \"%s\" to workspace in \"xl read\".\n", name.c_str());
        return -1;
    }
    return 0;
}

}  // namespace

int xlwritecmd(std::FILE* in) {
    std::string column, rowText;
    int cls;
    if (xlcolumnarg(in, column, cls) != 0) {
        printout("\nError:  in \"xl write\", following argument must specify the column.\n");
        return -1;
    }
    if (xlrowarg(in, rowText, cls) != 0) {
        printout("\nError:  in \"xl write column\", following argument must specify the row.\n");
        return -1;
    }
    const int row = std::atoi(rowText.c_str());
    try {
        char text[250];
        cls = gettoken(text, in, 0, sizeof text);
        if (cls == '"') return excelSession.WriteString(column, row, text) == 0 ? 0 : -1;
        ungettoken();
        char direction;
        if (xldirectionarg(in, direction) != 0) {
            printout("\nError:  in \"xl write column row\", following argument must\n");
            printout("specify the direction:  \"down\", \"right\", \"up\", or \"left\".\n");
            return -1;
        }
        char token[tokenSize];
        cls = gettoken(token, in, 0, tokenSize);
        std::string name;
        if (cls == 'n') {
            ungettoken();
        } else if (cls == 'a') {
            name = token;
        } else {
            printout("\nError:  in \"xl write column row direction\", following argument must\n");
            printout("specify the data series name.\n");
            return -1;
        }
        JexDate first(printDates[0]), last(printDates[1]);
        if (xldatesarg(in, first, last) == -1) {
            printout("\nError:  in \"xl write column row direction\", following arguments must\n");
            printout("specify the starting and ending dates.\n");
            return -1;
        }
        excelSession.setDecimals(decsGiven && decs < 10 ? decs : 2);

        std::vector<float> buffer(bufferLength, MISSING);
        int seriesFrequency = 0;
        if (!name.empty()) {
            char* cursor = nullptr;
            if (fetchseries(name.c_str(), buffer.data(), cursor, nullptr, 0) < 0) {
                printout("Error:  cannot find %s.\n", name.c_str());
                return -1;
            }
            seriesFrequency = currentFrequency;
        } else {
            currentFrequency = first.frequency;
        }
        int i1, i2;
        if (!alignrange(first, last, seriesFrequency, i1, i2)) return -1;
        int datesFlag = 0;
        if (name.empty()) {
            for (int i = i1; i <= i2; ++i) buffer[static_cast<std::size_t>(i)] = writtendate(first + (i - i1));
            datesFlag = first.frequency;
        }
        return excelSession.WriteNumberArray(column, row, direction, i2 - i1 + 1, buffer.data() + i1, datesFlag) == 0
                   ? 0
                   : -1;
    } catch (...) {
        printout("\nError:  in Excel write command.\n");
        return -1;
    }
}

int xlreadcmd(std::FILE* in) {
    std::string column, rowText;
    int cls;
    if (xlcolumnarg(in, column, cls) != 0) {
        printout("\nError:  in \"xl read\", following argument must specify the column.\n");
        return -1;
    }
    if (xlrowarg(in, rowText, cls) != 0) {
        printout("\nError:  in \"xl read column\", following argument must specify the row.\n");
        return -1;
    }
    const int row = std::atoi(rowText.c_str());
    try {
        char token[tokenSize];
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == '"' || (cls == 'a' && std::strcmp(token, "string") == 0)) return readstring(column, row);
        if (cls == 'a' && std::strcmp(token, "date") == 0) return readdates(in, column, row);
        if (cls != 'a') {
            printout("\nError:  in xl read, a valid direction must follow the row and column parameters.\n");
            return -1;
        }
        ungettoken();
        return readseries(in, column, row);
    } catch (...) {
        printout("\nError:  in Excel read command.\n");
        return -1;
    }
}
