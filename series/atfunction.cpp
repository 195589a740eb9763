#include "series/atfunction.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
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
    {"cum", false, atcum, true}, {"d", false, atdiff, true}, {"diff", false, atdiff, true},
    {"dlog", false, atdlog, true}, {"exp", false, atexp, true}, {"fabs", false, atfabs, true},
    {"ggr", false, atggr, true}, {"hpf", true, athpfilter, true}, {"pre", true, atprescott, true},
    {"if", false, atif}, {"ifpos", false, atifpos, true}, {"interp", false, atinterp, true},
    {"lint", false, atlint, true}, {"log", false, atlog, true}, {"ma", false, atma, true},
    {"max", false, atmax, true}, {"mean", false, atmean, true}, {"min", false, atmin, true},
    {"miss", false, atmiss, true}, {"mtoa", false, atmtoa}, {"mtoae", false, atmtoae},
    {"mtoamax", false, atmtoamax}, {"mtoamin", false, atmtoamin}, {"mtoas", false, atmtoas},
    {"mtoq", false, atmtoq}, {"mtoqe", false, atmtoqe}, {"mtoqmax", false, atmtoqmax},
    {"mtoqmin", false, atmtoqmin}, {"mtoqs", false, atmtoqs}, {"normal", false, atnormal},
    {"pchain", false, atpchain}, {"pchwt", false, atpchwt}, {"pcl", false, atpcl, true},
    {"pct", false, atpct, true}, {"gr", false, atpct, true}, {"peak", false, atpeak, true},
    {"pos", false, atpos, true}, {"pow", false, atpow, true}, {"qchain", false, atqchain},
    {"qchwt", false, atqchwt}, {"qtoa", false, atqtoa}, {"qtoae", false, atqtoae},
    {"qtoamax", false, atqtoamax}, {"qtoamin", false, atqtoamin}, {"qtoas", false, atqtoas},
    {"qtom", false, atqtom}, {"qtome", false, atqtome}, {"qtos", false, atqtos},
    {"qtose", false, atqtose}, {"qtoss", false, atqtoss}, {"qtosmax", false, atqtosmax},
    {"qtosmin", false, atqtosmin}, {"rand", false, atrand}, {"round", false, atround, true},
    {"sign", false, atsign, true}, {"sin", false, atsin, true}, {"sq", false, atsq, true},
    {"sqrt", false, atsqrt, true}, {"stdev", false, atstdev, true}, {"stoq", false, atstoq},
    {"sum", false, atsum, true}, {"yoy", false, atyoy, true}, {"zero", false, atzero, true},
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

namespace {

// The first entry of the chain that the name matches: the first of the entry with that exact
// name (looked up by hashing) and the first prefix entry with the name's first three letters.
const AtFunctionEntry* findatfunction(const char* name) {
    static const std::unordered_map<std::string_view, int> exact = [] {
        std::unordered_map<std::string_view, int> m;
        for (int k = chainLength - 1; k >= 0; --k)
            if (!chain[k].prefix3) m[chain[k].name] = k;
        return m;
    }();
    int found = chainLength;
    if (auto it = exact.find(std::string_view(name)); it != exact.end()) found = it->second;
    for (int k = 0; k < found; ++k) {
        if (chain[k].prefix3 && std::strncmp(name, chain[k].name, 3) == 0) {
            found = k;
            break;
        }
    }
    return found < chainLength ? &chain[found] : nullptr;
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
    const AtFunctionEntry* e = findatfunction(name);
    if (e == nullptr) {
        printout(" %s is not a recognized function", name);
        return -1;
    }
    if (e->handler == nullptr) {
        printout("\nError:  the @%s function is not available in this version.\n", name);
        return -1;
    }
    if (!e->writesFirst) std::memset(out, 0, sizeof(float) * seriesArrayLength);
    return e->handler(out, in, text);
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
