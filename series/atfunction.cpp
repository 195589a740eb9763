#include "series/atfunction.h"

#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "series/exprtext.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/group.h"
#include "series/rhs.h"
#include "series/series_state.h"

namespace {

// The chain, in the order the names are tried. d and diff share a handler, and so do pct
// and gr; any name beginning with hpf or pre runs the Hodrick-Prescott filter in vector or
// matrix form.
const AtFunctionEntry chain[] = {
    {"agg", false, atagg}, {"atoq", false, atatoq}, {"atoqe", false, atatoqe},
    {"atoqi", false, atatoqi}, {"bmk", false, atbmk}, {"csum", false, atcsum},
    {"cum", false, atcum}, {"d", false, atdiff}, {"diff", false, atdiff},
    {"dlog", false, atdlog}, {"exp", false, atexp}, {"fabs", false, atfabs},
    {"ggr", false, atggr}, {"hpf", true, athpfilter}, {"pre", true, atprescott},
    {"if", false, atif}, {"ifpos", false, atifpos}, {"interp", false, atinterp},
    {"lint", false, atlint}, {"log", false, atlog}, {"ma", false, atma},
    {"max", false, atmax}, {"mean", false, atmean}, {"min", false, atmin},
    {"miss", false, atmiss}, {"mtoa", false, atmtoa}, {"mtoae", false, atmtoae},
    {"mtoamax", false, atmtoamax}, {"mtoamin", false, atmtoamin}, {"mtoas", false, atmtoas},
    {"mtoq", false, atmtoq}, {"mtoqe", false, atmtoqe}, {"mtoqmax", false, atmtoqmax},
    {"mtoqmin", false, atmtoqmin}, {"mtoqs", false, atmtoqs}, {"normal", false, atnormal},
    {"pchain", false, atpchain}, {"pchwt", false, atpchwt}, {"pcl", false, atpcl},
    {"pct", false, atpct}, {"gr", false, atpct}, {"peak", false, atpeak},
    {"pos", false, atpos}, {"pow", false, atpow}, {"qchain", false, atqchain},
    {"qchwt", false, atqchwt}, {"qtoa", false, atqtoa}, {"qtoae", false, atqtoae},
    {"qtoamax", false, atqtoamax}, {"qtoamin", false, atqtoamin}, {"qtoas", false, atqtoas},
    {"qtom", false, atqtom}, {"qtome", false, atqtome}, {"qtos", false, atqtos},
    {"qtose", false, atqtose}, {"qtoss", false, atqtoss}, {"qtosmax", false, atqtosmax},
    {"qtosmin", false, atqtosmin}, {"rand", false, atrand}, {"round", false, atround},
    {"sign", false, atsign}, {"sin", false, atsin}, {"sq", false, atsq},
    {"sqrt", false, atsqrt}, {"stdev", false, atstdev}, {"stoq", false, atstoq},
    {"sum", false, atsum}, {"yoy", false, atyoy}, {"zero", false, atzero},
};
constexpr int chainLength = static_cast<int>(sizeof chain / sizeof chain[0]);

// A work array of 2000 floats, held for reuse.
struct WorkArray {
    HeldArray<float> held;
    float* v = held.data();
};

// Reads one token and copies it to the text; returns its class.
int readcopy(char* token, int size, std::FILE* in, char*& text) {
    int cls = gettoken(token, in, 0, size);
    textappend(text, token);
    return cls;
}

// After an rhs call the cursor stands one past the NUL ending the argument's text.
void backontext(char*& text) {
    if (text != nullptr) --text;
}

}  // namespace

const AtFunctionEntry* atfunctionchain(int& count) {
    count = chainLength;
    return chain;
}

int atfunction(float* out, std::FILE* in, char*& text) {
    char name[78];
    int cls = gettoken(name, in, 0, 78);
    if (cls != 'a') {
        printout("@ must be followed by function name");
        return -1;
    }
    textappend(text, name);
    for (const AtFunctionEntry& e : chain) {
        bool match = e.prefix3 ? std::strncmp(name, e.name, 3) == 0 : std::strcmp(name, e.name) == 0;
        if (!match) continue;
        if (e.handler == nullptr) {
            printout("\nError:  the @%s function is not available in this version.\n", name);
            return -1;
        }
        return e.handler(out, in, text);
    }
    printout(" %s is not a recognized function", name);
    return -1;
}

int atcum(float* out, std::FILE* in, char*& text) {
    const char* usage = "syntax error in @cum(output,input,spill)";
    const int n = wsMaxObs;
    // The range: the f dates, clamped to the observations of the workspace.
    int s1 = fdate1index();
    int s2 = fdate2index();
    if (s1 < 0) s1 = 0;
    if (s2 > n - 1) s2 = n - 1;

    WorkArray spill;

    char token[78];
    char output[78];
    if (readcopy(token, 78, in, text) != '(') {
        printout("%s", usage);
        return -1;
    }
    if (readcopy(output, 78, in, text) != 'a' || readcopy(token, 78, in, text) != ',') {
        printout("%s", usage);
        return -1;
    }
    int r = rhs(out, in, text);
    if (r != 44) {
        if (r != -1 && r != 27) printout("%s", usage);
        return -1;
    }
    backontext(text);
    textappend(text, ",");
    int frequency = currentFrequency != 0 ? currentFrequency : JexDate(fdate1).frequency;
    r = rhs(spill.v, in, text);
    if (r != 41) {
        if (r != -1 && r != 27) printout("%s", usage);
        return -1;
    }
    backontext(text);

    for (int i = 0; i < n; ++i) {
        if (i < s1 || i > s2) out[i] = MISSING;
    }
    if (s1 <= s2) {
        float stock = ismissing(out[s1]) ? 0.0f : out[s1];
        for (int t = s1 + 1; t <= s2; ++t) {
            stock = stock * (1.0f - spill.v[t]);
            if (!ismissing(out[t])) {
                stock += out[t];
                out[t] = stock;
            }
        }
    }

    currentFrequency = static_cast<std::int16_t>(frequency);
    if (workspaceBank == nullptr) {
        printout("%s", usage);
        return -1;
    }
    workspaceBank->setFreq(frequency);
    if (workspaceBank->addser(output, out, 'y', -1) < 0) {
        printout("%s", usage);
        return -1;
    }
    return 0;
}

int atcsum(float* out, std::FILE* in, char*& text) {
    WorkArray member;
    std::memset(out, 0, sizeof(float) * seriesArrayLength);

    char token[78];
    char name[78];
    if (readcopy(token, 78, in, text) != '(' || readcopy(name, 78, in, text) != 'a') {
        printout("Syntax error in @csum(name,groupdefn)\n");
        return -1;
    }
    std::vector<int> members;
    int cls = gettoken(token, in, 0, 78);
    if (cls == ',') {
        textappend(text, ",\"");
        std::vector<std::int32_t> list;
        std::string echo;
        int count = parsegroupint(in, text, list, echo, groupLimit);
        if (count < 0) {
            printout("\nError:  in group routine, error in group specification.\n");
            return -1;
        }
        // The group must have ended at the call's closing parenthesis.
        if (lastTokenClass != ')') {
            printout("Syntax error in @csum(name,groupdefn)\n");
            return -1;
        }
        if (text != nullptr && text[-1] == ')') {
            --text;
            *text = '\0';
        }
        members.assign(list.begin(), list.end());
    } else if (cls == ')') {
        int slot;
        const char* vector = name;
        if (name[1] == '.') {
            slot = name[0] - 'a';
            vector = name + 2;
            if (slot < 0 || slot >= bankSlotCount) {
                printout("\r\nNo such bank as %c.\r\n", name[0]);
                return -1;
            }
        } else {
            slot = defaultVamBank;
            if (slot < 0) {
                printout("Error:  No default vam file has been specified.  Please\n");
                printout("specify a bank letter or, if you wish to read data from\n");
                printout("the workspace, provide the range of sector numbers.\n\n");
                return -1;
            }
        }
        DataBank* bank = bankSlots[slot];
        if (bank == nullptr) {
            printout("Bank %c not assigned.\r\n", 'a' + slot);
            return -1;
        }
        int element = bank->findser(vector);
        if (element < 0) {
            printout("\r\nNo such vector as %s.\r\n", vector);
            return -1;
        }
        int length = bank->rows(element);
        if (length < 0 || length > groupLimit) {
            printout("\r\nVector is length %d; only %d elements can be added with csum.\r\n", length, groupLimit);
            return -1;
        }
        char range[32];
        std::snprintf(range, sizeof range, ",\"1-%d", length);
        textappend(text, range);
        for (int k = 1; k <= length; ++k) members.push_back(k);
    } else {
        printout("Syntax error in @csum(name,groupdefn)\n");
        return -1;
    }

    char scratch[exprTextSize];
    for (int k : members) {
        if (k <= 0) continue;
        char series[96];
        std::snprintf(series, sizeof series, "%s%d", name, k);
        scratch[0] = '\0';
        char* cursor = scratch;
        if (fetchseries(series, member.v, cursor, in, 1) < 0) {
            printout("Error reading series %s from bank.\n", series);
            return -1;
        }
        for (int i = 0; i < seriesArrayLength; ++i) {
            float m = member.v[i];
            if (m >= floatMax || out[i] >= floatMax || ismissing(m) || ismissing(out[i])) {
                out[i] = MISSING;
            } else {
                out[i] += m;
            }
        }
    }
    textappend(text, "\")");
    return 0;
}
