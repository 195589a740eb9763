// The f command (f, fdup, fex), the fdates command and the intvar command.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "banks/jexbank.h"
#include "banks/listing_commands.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/echo_commands.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "interp/switches.h"
#include "series/exprtext.h"
#include "series/functions_common.h"
#include "series/rhs.h"
#include "series/series_commands.h"
#include "series/series_state.h"

namespace {

// The f dates as they stood, put back when the command ends, whatever happens.
struct SavedFdates {
    float d1 = fdate1, d2 = fdate2;
    JexDate date1 = fdate1Date, date2 = fdate2Date;
    ~SavedFdates() {
        fdate1 = d1;
        fdate2 = d2;
        fdate1Date = date1;
        fdate2Date = date2;
    }
};

// The echo switches of the save files are off again on every way out.
struct EchoOff {
    ~EchoOff() {
        saveEcho = 'n';
        annSaveEcho = 'n';
    }
};

// The value and the series it replaces, held for reuse (series/functions_common.h).
struct FArrays {
    HeldArray<float> valuesArray;
    HeldArray<float> oldArray;
    float* values = valuesArray.data();
    float* old = oldArray.data();
};

bool inworkspace(int index) { return index >= 0 && index < wsMaxObs; }

int badfdate() {
    printout("Bad fdate in f command.\n");
    return -1;
}

int frequencyerror() {
    printout("\nError:  in f command.\n");
    printout("fdates inconsistent with the frequency of the series.\n");
    pausebox("Bad fdates", "");
    return -1;
}

// The braces after the name: "{" date [ "-" date ] "}". The first "{" has been read.
int readbraces(std::FILE* in) {
    char token[10];
    if (gettoken(token, in, 0, 10) != 'n') return badfdate();
    fdate1 = static_cast<float>(std::atof(token));
    fdate1Date = JexDate(fdate1);
    if (!inworkspace(fdate1Date.wsIndex())) return badfdate();
    int cls = gettoken(token, in, 0, 10);
    fdate2Date = fdate1Date;
    if (cls == '-') {
        if (gettoken(token, in, 0, 10) != 'n') return badfdate();
        fdate2 = static_cast<float>(std::atof(token));
        fdate2Date = JexDate(fdate2);
        cls = gettoken(token, in, 0, 10);
        // Both dates in the workspace, of one frequency, the second not before the first.
        if (!inworkspace(fdate2Date.wsIndex()) || fdate2Date.frequency != fdate1Date.frequency ||
            (fdate2Date < fdate1Date) != 0 || cls != '}')
            return badfdate();
    } else if (cls == '}') {
        fdate2 = fdate2Date.toFloat();
    } else {
        printout("Expected } in f command.\n");
        return -1;
    }
    return 0;
}

}  // namespace

int fcmd(std::FILE* in) {
    FArrays arrays;
    const float fill = missingOn == 'n' ? 0.0f : MISSING;
    SavedFdates saved;

    if (secondMode == 'y') {
        cccmd(in);
        return 0;
    }
    EchoOff echoOff;

    char name[78];
    if (gettoken(name, in, 0, 78) != 'a') {
        printout(" \r\n no left side variable \r\n");
        printout("\nError:  in f command.\n");
        return -1;
    }
    if (seriesnametoolong(name, in)) {
        skipstatement(in);
        printout("\nError:  in f command.\n");
        return -1;
    }
    char token[78];
    int cls = gettoken(token, in, 0, 2);
    if (cls == '{') {
        if (readbraces(in) != 0) return -1;
        cls = gettoken(token, in, 0, 78);
    }
    char compound = 0;
    if (cls == '+' || cls == '-' || cls == '*' || cls == '/') {
        compound = static_cast<char>(cls);
        cls = gettoken(token, in, 0, 78);
    }
    if (cls != '=') {
        printout("\r\n No = in f command; one supplied.\r\n");
        return -1;
    }
    if (saveOn == 'y' || annSaveOn == 'y') {
        echoline(0, 'b', '%');
        saveEcho = 'y';
        annSaveEcho = 'y';
    }

    // The range: i1..i2 within the workspace, and its frequency when it came from a date.
    const int n = wsMaxObs;
    int i1 = fdate1Date.wsIndex();
    int rangeFrequency = 0;
    if (i1 >= 0) {
        rangeFrequency = fdate1Date.frequency;
    } else {
        i1 = 0;
    }
    int i2 = fdate2Date.wsIndex();
    if (i2 < 0 || i2 > n - 1) i2 = n - 1;
    if (i1 > n - 1) return badfdate();

    char textBuffer[exprTextSize];
    textBuffer[0] = '\0';
    char* cursor = textBuffer;
    int r = rhs(arrays.values, in, cursor, sizeof textBuffer);
    if (r == 0) {
        // An operand followed a complete operand with no operator between them.
        skipstatement(in);
        r = -1;
    }
    if (r == -1 || r == 27) {
        printout("\nError:  in f command.  Check the syntax on the right-hand side.\n");
        return r;
    }

    int target = rangeFrequency != 0 ? rangeFrequency : currentFrequency;
    if (rangeFrequency != 0 && currentFrequency != 0 && currentFrequency != rangeFrequency)
        return frequencyerror();

    if (name[1] == '.') {
        printout("\nError:  cannot specify bank letter on left-hand side\n");
        printout(" of an f command:  \"%s\" is not allowed.\n", name);
        return -1;
    }

    char scratch[exprTextSize];
    scratch[0] = '\0';
    char* scratchCursor = scratch;
    // The old values are needed outside the range and for a compound operator. A statement
    // over the whole workspace that replaces a workspace series needs only to know that it
    // exists and its frequency: the look-up without an array gives both, without the copy.
    bool exists;
    const bool wholeRange = i1 == 0 && i2 == n - 1 && compound == 0;
    if (wholeRange && fetchseries(name, nullptr, scratchCursor, in, 0) == 0 &&
        lastSupplierBank == static_cast<DataBank*>(workspaceBank)) {
        exists = true;
    } else {
        exists = fetchseries(name, arrays.old, scratchCursor, in, 0) == 0;
    }
    float* values = arrays.values;
    const float* old = arrays.old;
    if (!exists) {
        if (compound != 0) {
            printout("\nError:  to use the %c= operator in the f command, the LHS series must exist.\n", compound);
            return -1;
        }
        if (currentFrequency == 0 && target != 0) currentFrequency = static_cast<std::int16_t>(target);
        std::fill(values, values + i1, fill);
        std::fill(values + i2 + 1, values + n, fill);
    } else {
        if (currentFrequency != 0 && target != 0 && currentFrequency != target) {
            if (lastSupplierBank == static_cast<DataBank*>(workspaceBank) && fdate1Date.wsIndex() >= 0)
                return frequencyerror();
            currentFrequency = static_cast<std::int16_t>(target);
        }
        std::copy(old, old + i1, values);
        std::copy(old + i2 + 1, old + n, values + i2 + 1);
        for (int i = i1; compound != 0 && i <= i2; ++i) {
            float v = values[i], o = old[i];
            if (ismissing(v) || ismissing(o)) {
                values[i] = MISSING;
            } else if (compound == '+') {
                values[i] = o + v;
            } else if (compound == '-') {
                values[i] = o - v;
            } else if (compound == '*') {
                values[i] = o * v;
            } else {
                values[i] = std::fabs(v) > 0.000001f ? o / v : o;
            }
        }
    }

    if (currentFrequency == 0) currentFrequency = static_cast<std::int16_t>(defaultFrequency);
    if (workspaceBank == nullptr) {
        printout("\nError:  in f command, cannot write series %s to the workspace bank.\n", name);
        return -1;
    }
    workspaceBank->setFreq(currentFrequency);
    if (workspaceBank->addser(name, values, 'y', -1) < 0) {
        printout("\nError:  in f command, cannot write series %s to the workspace bank.\n", name);
        return -1;
    }
    return 0;
}

namespace {

void fdateformat() {
    printout("Format is: fdate <begin date> [stop date]\r\n");
    printout("       Or: fdate off\r\n");
}

int fdatefailure() {
    printout("Dates invalid in fdate command\r\n");
    return -1;
}

int fdatesyntax() {
    printout("\nError:  in fdate command.\n");
    fdateformat();
    return fdatefailure();
}

// A first date must lie in the workspace.
int checkfirst() {
    int i = fdate1Date.wsIndex();
    if (i < 0) {
        printout("\nError:  First date is before start date in jex.cfg.\n");
        printout("Modify jex.cfg and restart Jex7.\n");
        return -1;
    }
    if (i >= wsMaxObs) {
        printout("\nError:  not enough observations available (%d).\n", wsMaxObs);
        printout("First date comes %d observations after start date in jex.cfg.\n", i);
        printout("Modify jex.cfg and restart Jex7.\n");
        return -1;
    }
    return 0;
}

// A second date must not come before the first, must lie in the workspace and be of the
// first date's frequency.
int checksecond() {
    int before = fdate2Date < fdate1Date;
    int i = fdate2Date.wsIndex();
    if (before != 0) {
        printout("\nError:  Date 2 is before Date 1.\n");
        return -1;
    }
    if (i >= wsMaxObs || i < 0) {
        printout("\nError:  too many observations required.\n");
        printout("%d required, %d available.  Modify jex.cfg and restart Jex7.\n", i, wsMaxObs);
        return -1;
    }
    if (fdate2Date.frequency != fdate1Date.frequency) {
        printout("\nError:  frequency of first date does not match frequency of second.\n");
        return -1;
    }
    return 0;
}

}  // namespace

int fdatescmd(std::FILE* in) {
    // A refused date does not replace the one it was to replace.
    const float old1 = fdate1, old2 = fdate2;
    const JexDate oldDate1 = fdate1Date, oldDate2 = fdate2Date;
    auto refusefirst = [&]() {
        fdate1 = old1;
        fdate1Date = oldDate1;
        return fdatefailure();
    };
    auto refusesecond = [&]() {
        fdate2 = old2;
        fdate2Date = oldDate2;
        return fdatefailure();
    };

    char token[78];
    int cls = gettoken(token, in, 0, 78);
    if (cls == '+' || cls == '-') {
        char number[78];
        if (gettoken(number, in, 0, 78) != 'n') return fdatesyntax();
        float shift = static_cast<float>(std::atof(number));
        fdate1 = cls == '+' ? fdate1 + shift : fdate1 - shift;
        fdate1Date = JexDate(fdate1);
    } else {
        ungettoken();
        cls = gettoken(token, in, 0, 78);
        if (cls != 'n') {
            if (cls == 'a' && std::strcmp(token, "off") == 0) {
                fdate1 = -1;
                fdate2 = -1;
                fdate1Date = JexDate();
                fdate2Date = JexDate();
                return 0;
            }
            if (fdate1 > 0) {
                printout("Current fdate: %8.3f", fdate1);
                if (fdate2 > 0) printout(" %8.3f", fdate2);
                printout("\n");
            } else {
                printout("No fdates defined.\n");
            }
            fdateformat();
            return 0;
        }
        fdate1 = static_cast<float>(std::atof(token));
        fdate1Date = JexDate(fdate1);
    }
    if (checkfirst() != 0) return refusefirst();

    cls = gettoken(token, in, 0, 78);
    if (cls == '+' || cls == '-') {
        char number[78];
        if (gettoken(number, in, 0, 78) != 'n') return fdatesyntax();
        float shift = static_cast<float>(std::atof(number));
        fdate2 = cls == '+' ? fdate2 + shift : fdate2 - shift;
        fdate2Date = JexDate(fdate2);
        // A moved second date is checked like a new one.
        if (checksecond() != 0) return refusesecond();
        return 0;
    }
    ungettoken();
    cls = gettoken(token, in, 0, 78);
    if (cls != 'n') {
        fdate2 = -1;
        fdate2Date = JexDate();
        return 0;
    }
    fdate2 = static_cast<float>(std::atof(token));
    fdate2Date = JexDate(fdate2);
    if (checksecond() != 0) return refusesecond();
    return 0;
}

namespace {

constexpr int intvarMaxDates = 50;

int intvarusage() {
    printout("Usage: intvar <name> <date1> <date2> [date3] ... [dateN]\n");
    return -1;
}

}  // namespace

int intvarcmd(std::FILE* in) {
    char name[78];
    if (gettoken(name, in, 0, 78) != 'a') {
        printout("Need a variable name.\n");
        printout("Usage: intvar <name> <date1> <date2> [date3] ... [dateN]\n");
        pausebox("Hit a key to continue", "");
        return -1;
    }
    if (saveOn == 'y') echoline(0, 'b', '%');

    JexDate dates[intvarMaxDates];
    int indexes[intvarMaxDates];
    int count = 0;
    for (;;) {
        char token[40];
        int cls = gettoken(token, in, 1, 40);
        if (cls == 'f' || cls == 'e' || cls == -1) break;
        if (count == intvarMaxDates) {
            printout("\nError:  intvar takes at most %d dates.\n", intvarMaxDates);
            skipstatement(in);
            return intvarusage();
        }
        JexDate d;
        if (cls != 'n' || d.parse(token) != 0) {
            printout("\nError:  \"%s\" is not a date.\n", token);
            skipstatement(in);
            return intvarusage();
        }
        int index = d.wsIndex();
        if (index < 0 || index >= wsMaxObs) {
            printout("\nError:  intvar date %s is outside the workspace.\n", token);
            skipstatement(in);
            return intvarusage();
        }
        dates[count] = d;
        indexes[count] = index;
        ++count;
    }
    if (count < 2) {
        printout("intvar needs at least 2 dates.\n");
        return -1;
    }
    if (workspaceBank == nullptr) {
        printout("\nError:  in intvar command, cannot write to the workspace bank.\n");
        return -1;
    }

    currentFrequency = dates[0].frequency;
    float values[seriesArrayLength];
    for (int j = 1; j <= count; ++j) {
        std::memset(values, 0, sizeof values);
        int s = indexes[j - 1];
        int e = j < count ? indexes[j] : seriesArrayLength;
        for (int k = 0; s + k < e; ++k) values[s + k] = static_cast<float>(k + 1);
        for (int i = e; i < seriesArrayLength; ++i) values[i] = static_cast<float>(e - s);
        char series[96];
        std::snprintf(series, sizeof series, "%s%d", name, j);
        workspaceBank->setFreq(dates[0].frequency);
        if (workspaceBank->addser(series, values, 'y', -1) < 0) {
            printout("\nError:  in intvar command, cannot write series %s to the workspace bank.\n", series);
            return -1;
        }
    }
    return 0;
}
