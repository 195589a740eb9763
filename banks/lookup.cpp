// Series lookup across banks and the workspace date index.
#include "banks/lookup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "regress/nonlinear.h"
#include "series/exprtext.h"

namespace {

void append(char*& text, const char* piece) {
    if (text) textappend(text, piece);
}

float fillvalue() { return missingOn == 'n' ? 0.0f : MISSING; }

// The slot's bank, or null when the slot is free.
DataBank* slotbank(int slot) {
    if (slot < 0 || slot >= bankSlotCount || bankTypes[slot] == ' ') return nullptr;
    return bankSlots[slot];
}

// Reads (array) or tests (null) the name in one bank; >= 0 found, 2 a Vam element loaded.
int lookin(DataBank* bank, const char* name, float* array) {
    if (!bank) return -1;
    if (array) return bank->getser(name, array, -1);
    return bank->findser(name) != -1 ? 0 : -1;
}

}  // namespace

namespace {

// A whole series of missing values, copied in one block where an array is cleared.
const std::array<float, seriesArrayLength>& missingseries() {
    static const auto values = [] {
        std::array<float, seriesArrayLength> v;
        v.fill(MISSING);
        return v;
    }();
    return values;
}

}  // namespace

std::int16_t fetchseries(const char* name, float* array, char*& text, std::FILE* in,
                         int verbose) {
    setLastSupplier(nullptr);
    if (!name) return -1;
    // The parameters of nl and nlp (a0, a1, ...) while their equation is evaluated.
    const int parameter = nlparamindex(name);
    // The array starts as missing values, and a bank writes the observations it holds over
    // them. A plain name the workspace bank holds is read from it, and its getser writes the
    // first maxObs observations whatever happens (the values, or zeros when the read fails):
    // only the observations after them are cleared first.
    if (array) {
        int from = 0;
        if (parameter < 0 && !(name[0] != 0 && name[1] == '.') && workspaceBank != nullptr &&
            workspaceBank->findser(name) >= 0)
            from = std::min<int>(workspaceBank->maxObs(), seriesArrayLength);
        std::memcpy(array + from, missingseries().data(),
                    sizeof(float) * static_cast<std::size_t>(seriesArrayLength - from));
    }
    if (parameter >= 0) {
        if (array) std::fill(array, array + seriesArrayLength, nlParams[parameter]);
        currentFrequency = 0;
        if (verbose) readsubscript(array, text, in);
        return 0;
    }

    DataBank* found = nullptr;
    if (name[0] != 0 && name[1] == '.') {
        const char* proper = name + 2;
        if (name[0] == 'w') {
            if (lookin(workspaceBank, proper, array) >= 0) found = workspaceBank;
        } else {
            const int slot = name[0] - 'a';
            if (slot < 0 || slot >= bankSlotCount) {
                if (verbose && array) printout("\r\nIllegal name: %s.\r\n", name);
                return -1;
            }
            DataBank* bank = slotbank(slot);
            if (!bank) {
                printout("Bank %c not assigned.\r\n", name[0]);
                return -1;
            }
            const int r = lookin(bank, proper, array);
            if (r == 2 && array) return 2;
            if (r >= 0) {
                found = bank;
            } else {
                if (array) printout("Cannot find %s\n", name);
                return -1;
            }
        }
    } else {
        if (lookin(workspaceBank, name, array) >= 0) found = workspaceBank;
        for (int slot = 0; !found && slot < bankSlotCount; ++slot) {
            DataBank* bank = slotbank(slot);
            if (!bank) continue;
            if (findMode != 'a' && slot != 0 && slot != defaultVamBank) continue;
            const int r = lookin(bank, name, array);
            if (array && slot == 0 && (r == 2 || r == 3)) return static_cast<std::int16_t>(r);
            if (r >= 0) found = bank;
        }
        if (!found && defaultVamBank >= 0) {
            const int r = fetchvamelement(defaultVamBank, name);
            if (r == 2 || r == 3) return static_cast<std::int16_t>(r);
        }
    }

    if (!found) {
        if (verbose) printout("\n%s can't be found.\n", name);
        if (array) {
            const float fill = fillvalue();
            for (int i = 0; i < wsMaxObs && i < seriesArrayLength; ++i) array[i] = fill;
        }
        return -1;
    }
    setLastSupplier(found);
    if (verbose && readsubscript(array, text, in) == subscriptOutside) {
        if (array)
            for (int i = 0; i < seriesArrayLength; ++i) array[i] = fillvalue();
        return -1;
    }
    currentFrequency = static_cast<std::int16_t>(found->freq());
    if (array) zeromissing(array, wsMaxObs);
    return 0;
}

int readsubscript(float* array, char*& text, std::FILE* in) {
    if (!in && keyboardInput == 'n' && replayMode == 'n') return 0;
    char token[80];
    int cls = gettoken(token, in, 0, 78);
    const int m = wsMaxObs < seriesArrayLength ? wsMaxObs : seriesArrayLength;
    const float fill = fillvalue();
    if (cls == '[') {
        append(text, "[");
        const int n = readinteger(in);
        char number[24];
        std::snprintf(number, sizeof number, "%d", n);
        append(text, number);
        const bool outside = n >= m || -n >= m;
        if (outside) {
            printout("\nError:  the lag %d reaches outside the workspace (%d observations).\n",
                     n, m);
        } else if (array && n > 0) {
            for (int j = m - 1; j >= n; --j) array[j] = array[j - n];
            for (int j = 0; j < n; ++j) array[j] = fill;
        } else if (array && n < 0) {
            const int k = -n;
            for (int j = 0; j < m - k; ++j) array[j] = array[j + k];
            for (int j = m - k; j < m; ++j) array[j] = fill;
        }
        cls = gettoken(token, in, 0, 78);
        if (cls != ']') {
            printout("Missing bracket.\n");
            return outside ? subscriptOutside : 32000;
        }
        append(text, "]");
        return outside ? subscriptOutside : n;
    }
    if (cls == '{') {
        append(text, "{");
        cls = gettoken(token, in, 0, 78);
        if (cls != 'n') {
            printout("Date must be a number.\n");
            return 32000;
        }
        append(text, token);
        const int i = dateindex(std::strtod(token, nullptr));
        const bool outside = i < 0 || i >= m;
        if (outside) {
            printout("\nError:  the date %s lies outside the workspace.\n", token);
        } else if (array) {
            const float v = array[i];
            for (int j = 0; j < m; ++j) array[j] = v;
        }
        cls = gettoken(token, in, 0, 78);
        if (cls != '}') {
            printout("Missing right brace.\n");
            return outside ? subscriptOutside : 32000;
        }
        append(text, "}");
        return outside ? subscriptOutside : 0;
    }
    ungettoken();
    return 0;
}

int zeromissing(float* array, int count) {
    if (missingOn != 'n' || !array) return 0;
    if (count > seriesArrayLength) count = seriesArrayLength;
    for (int i = 0; i < count; ++i)
        if (ismissing(array[i])) array[i] = 0.0f;
    return 0;
}

int fetchvamelement(int slot, const char* name) {
    if (slot < 0 || slot >= bankSlotCount || bankTypes[slot] != 'v' || !bankSlots[slot] || !name)
        return -1;
    DataBank* bank = bankSlots[slot];
    char stem[commandBufferSize];
    if (std::strlen(name) >= sizeof stem) return -1;
    short row = -1;
    const short number = splitnamenumbers(name, stem, row);
    const int i = bank->findser(stem);
    if (i < 0) return -1;
    const char type = bank->eltype(i);
    const bool matrix = type == 'm' || type == 'p';
    if (number == 0 && (!matrix || row > 0)) return bank->loadcmd(stem, 'x', 0) == 0 ? 2 : -1;
    if (number > 0 && matrix) return bank->loadcmd(stem, 'r', row) == 0 ? 3 : -1;
    return -1;
}

int dateindex(double x) {
    if (std::isnan(x)) return -1;
    if (x > 1.0e6) return 32767;  // beyond any workspace
    int b = wsBaseYear;
    if (b < 1900) b += 1900;
    if (x < 1900) x += 1900;
    const float xf = static_cast<float>(x);
    if (static_cast<double>(xf) + 0.00001 < b) return -1;
    const float d = xf + 0.0003f;
    const long y = static_cast<long>(d);
    const long f = static_cast<long>(static_cast<double>(d) * 1000.0 - y * 1000.0);
    long period = 1;
    long g = 0;
    if (f == 0) {
        currentFrequency = 1;
        period = 0;
    } else if (f >= 1 && f <= 13) {
        currentFrequency = 12;
        period = f;
        g = wsFirstMonth;
    } else if (f > 13 && f < 450) {
        currentFrequency = 4;
        period = f / 100;
        g = (wsFirstMonth - 1) / 3 + 1;
    } else {
        currentFrequency = 2;
        period = (f - 400) / 100;
        g = (wsFirstMonth - 1) / 6 + 1;
    }
    return static_cast<int>((y - b) * currentFrequency + period - g);
}

double dateno(int i) {
    switch (currentFrequency) {
    case 1:
        return wsBaseYear + i;
    case 4:
    case 12: {
        const int p = currentFrequency;
        const double divisor = p == 4 ? 10.0 : 1000.0;
        int year = wsBaseYear + (i + 1) / p;
        int period = (i + 1) % p;
        if (period == 0) {
            period = p;
            --year;
        }
        return year + period / divisor;
    }
    default:
        if (currentFrequency != 0)
            printout("number of observations per year must be either 1, 4, or 12 in dateno.\r\n");
        return -1;
    }
}

int isnumchar(int c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

void reportlongname(const char* name) {
    printoutlong("\nError:  the series name %s is longer than %d characters; it is refused.\n",
                 name, maxSeriesNameLength);
}

bool seriesnametoolong(const char* name, std::FILE* in) {
    if (std::strlen(name) < static_cast<std::size_t>(maxSeriesNameLength)) return false;
    int c = chop(in);
    if (!continuesWord(c)) {
        unchop(c);
        return false;
    }
    std::string whole = name;
    while (continuesWord(c)) {
        whole.push_back(static_cast<char>(c));
        c = chop(in);
    }
    unchop(c);
    reportlongname(whole.c_str());
    return true;
}
