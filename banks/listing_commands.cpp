// Listing and mode commands: lb, listnames, btitle, show, wsi, vammode, dfreq, wrindex,
// yearformat.
#include "banks/listing_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <strings.h>

#include "banks/databank.h"
#include "banks/jexbank.h"
#include "banks/other_commands.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/strings.h"
#include "interp/tokens.h"
#include "platform/platform.h"

char defaultFrequency = 0;
char writeIndexMode = 'y';
char yearFormat = '4';
std::int16_t bankInfo[4] = {0, 0, 0, 0};

void resetlistingstate() {
    defaultFrequency = 0;
    writeIndexMode = 'y';
    yearFormat = '4';
    for (auto& v : bankInfo) v = 0;
}

namespace {

constexpr int tokenSize = 78;
constexpr int workspaceLocation = 22;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// Leading and trailing blanks and control characters removed.
std::string cleantitle(const char* title) {
    std::string t = title ? title : "";
    auto junk = [](unsigned char c) { return c <= ' ' || c == 127; };
    std::size_t b = 0;
    while (b < t.size() && junk(static_cast<unsigned char>(t[b]))) ++b;
    std::size_t e = t.size();
    while (e > b && junk(static_cast<unsigned char>(t[e - 1]))) --e;
    return t.substr(b, e - b);
}

}  // namespace

const char* banktypeword(char kind) {
    switch (kind) {
    case 'w': return "bnk";
    case 'c': return "cbk";
    case 'h': return "hbk";
    case 'v': return "vam";
    case 'd': return "dfr";
    default: return "";
    }
}

bool comparetextdescending(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) > 0;
}

void showbanktitle(const char* title, int baseYear, int firstMonth, int maxObs, int count) {
    printout("Title: %s\n", title ? title : "");
    if (maxObs <= 0) {
        printout("\r\nCompressed.  ");
    } else {
        printout("Base year %d; first month covered %d.\n", baseYear, firstMonth);
        printout("Max observations per series %d.\n", maxObs);
    }
    printout("Contains %d series.\n", count);
}

int listbankscmd(std::FILE*) {
    if (assignedBankCount == 1) printout(" There currently is %d assigned bank.\r\n", assignedBankCount);
    else printout(" There currently are %d assigned banks.\r\n", assignedBankCount);
    for (int s = 0; s < bankSlotCount; ++s) {
        DataBank* bank = bankSlots[s];
        if (!bank || bankTypes[s] == ' ') continue;
        std::string title = cleantitle(bank->title());
        if (title.empty()) title = "Untitled";
        printout("Bank %c: \"%s,\" %s, Type: %-4s\r\n", 'a' + s, title.c_str(), bank->dataPath(),
                 banktypeword(bankTypes[s]));
    }
    return 0;
}

int collectnames(std::vector<std::string>& list, const std::string& options, const char* pattern,
                 int location) {
    list.clear();
    char cut[80];
    std::snprintf(cut, sizeof cut, "%s", pattern ? pattern : "");
    DataBank* bank = nullptr;
    if (location == workspaceLocation) {
        bank = workspaceBank;
    } else {
        if (location < 0 || location > 25 || bankTypes[location] == ' ') return -1;
        bank = bankSlots[location];
    }
    if (!bank) return -1;
    // A Vam bank lists its own element names through the same operation; its companion
    // bank's names are not reachable from here.
    bank->collectser(list, cut, 0);
    const bool sort = options.find('s') != std::string::npos;
    const bool reverse = options.find('r') != std::string::npos;
    if (sort && reverse) std::sort(list.begin(), list.end(), std::greater<>());
    else if (sort) std::sort(list.begin(), list.end());
    return 0;
}

int listnamescmd(std::FILE* in, int columns) {
    char token[tokenSize];
    std::string options;
    std::string root;
    int cls = gettoken(token, in, 0, tokenSize);
    while (cls == '-') {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'a') {
            printout("Error:  in listnames command, option is not recognized.\n");
            if (!endclass(cls)) skipline(in);
            return -1;
        }
        for (const char* p = token; *p; ++p) {
            if (!std::strchr("glrsv", *p)) {
                printout("Error:  in listnames command, option is not recognized.\n");
                skipline(in);
                return -1;
            }
        }
        options += token;
        if (std::strchr(token, 'l')) {
            cls = gettoken(token, in, 0, tokenSize);
            if (cls != 'a' && cls != '"') {
                printout("Error:  'l' option given, and so a valid root name is required in listnames routine.\r\n");
                if (!endclass(cls)) skipline(in);
                return -1;
            }
            root = token;
        }
        cls = gettoken(token, in, 0, tokenSize);
    }
    int location = -1;
    if (cls == 'a' && token[0] == 'w') location = workspaceLocation;
    else if (cls == 'n' && std::strcmp(token, "0") == 0) location = 0;
    else if (cls == 'a' && token[0] >= 'a' && token[0] <= 'z') location = token[0] - 'a';
    if (location < 0) {
        printout("\r\nThe format is \r\n listnames <ws | location> [wildcard]\r\n");
        if (!(token[0] >= 'a' && token[0] <= 'z') || endclass(cls))
            printout(" \r\n The bank must be between 'a' and 'z'\r\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    if (location != workspaceLocation && bankTypes[location] == ' ') {
        printout("No bank assigned to position %c.\r\n", 'a' + location);
        skipline(in);
        return -1;
    }
    std::string pattern;
    for (cls = gettoken(token, in, 0, tokenSize); !endclass(cls);
         cls = gettoken(token, in, 0, tokenSize))
        pattern += token;
    if (pattern.size() > 79) pattern.resize(79);

    std::vector<std::string> names;
    if (collectnames(names, options, pattern.c_str(), location) != 0) return -1;

    if (options.find('l') != std::string::npos) {
        std::map<std::string, std::string> entries;
        for (std::size_t i = 0; i < names.size(); ++i)
            entries[root + std::to_string(i + 1)] = names[i];
        if (stringStore.merge(entries) != 0) {
            printout("Error:  when merging string lists in listnames routine.\r\n");
            return -1;
        }
        return 0;
    }

    const bool toFile = saveOn == 'y' && saveFile;
    if (toFile && !names.empty()) {
        if (location == workspaceLocation)
            std::fprintf(saveFile, "# Series names list for the workspace bank\n");
        else
            std::fprintf(saveFile, "\n# Series names list for assigned bank %c:  %s\n", 'a' + location,
                         bankSlots[location]->dataPath());
    }
    auto put = [&](const char* format, const char* text) {
        if (toFile) std::fprintf(saveFile, format, text);
        else printout(format, text);
    };
    auto lineend = [&]() { put("%s", toFile ? "\n" : "\r\n"); };
    int onLine = 0;
    for (const std::string& name : names) {
        if (platform::escapePressed()) break;
        if (columns) {
            put(name.size() < 15 ? "%-15s" : "%s", name.c_str());
            if (++onLine == 5) {
                onLine = 0;
                lineend();
            }
        } else {
            put("%s", name.c_str());
            lineend();
        }
    }
    lineend();
    return 0;
}

int btitlecmd(std::FILE* in) {
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Format is: btitle <a | w>\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    if (token[0] == 'w') {
        if (!workspaceBank) {
            printout("\nError:  no workspace bank.\n");
            skipline(in);
            return -1;
        }
        showbanktitle(workspaceBank->title(), wsBaseYear, wsFirstMonth, workspaceBank->maxObs(),
                      workspaceBank->seriesCount());
        wsMaxObs = static_cast<std::int16_t>(workspaceBank->maxObs());
        wsSeriesCount = static_cast<std::int16_t>(workspaceBank->seriesCount());
        std::string text;
        bool first = true;
        for (;;) {
            const int c = chop(in);
            if (c == '\n' || c == -1 || c == 27 || c == 18 || c == 0) break;
            if (first) {
                first = false;
                continue;
            }
            if (text.size() < 80) text.push_back(static_cast<char>(c));
        }
        if (text.size() > 1) workspaceBank->settitle(text.c_str());
        return 0;
    }
    if (token[0] < 'a' || token[0] > 'z') {
        printout("Format is: btitle <a | w>\n");
        skipline(in);
        return -1;
    }
    const int slot = token[0] - 'a';
    skipline(in);
    DataBank* bank = bankSlots[slot];
    if (!bank || bankTypes[slot] == ' ') {
        printout("Bank %d not assigned.\r\n", slot);
        return -1;
    }
    if (bankTypes[slot] == 'v') {
        printout("\nWarning:  the \"btitle\" command is for macro banks.  To see\n");
        printout("the title of a Vam file, or to set the title of the default\n");
        printout("Vam file, use the \"vtitle\" command instead.\n\n");
        platform::current().messageBox("Warning:  Problem with \"btitle\" usage.", "Warning",
                                       platform::Buttons::Ok);
        return -1;
    }
    // Compressed, hashed and forecast banks cover whole years from their first month 1;
    // a workspace-format bank has its own first month.
    const int firstMonth = bankTypes[slot] == 'w' ? bank->firstMonth() : 1;
    bankInfo[0] = static_cast<std::int16_t>(bank->baseyear());
    bankInfo[1] = static_cast<std::int16_t>(firstMonth);
    bankInfo[2] = static_cast<std::int16_t>(bank->maxObs());
    bankInfo[3] = static_cast<std::int16_t>(bank->seriesCount());
    showbanktitle(bank->title(), bankInfo[0], bankInfo[1], bankInfo[2], bank->seriesCount());
    return 0;
}

int showcmd(std::FILE* in) {
    char token[33];
    const int cls = gettoken(token, in, 0, 33);
    if (cls != 'a') {
        printout("No vector or matrix name in show command.\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    int slot;
    const char* element = token;
    if (token[0] && token[1] == '.') {
        slot = token[0] - 'a';
        element = token + 2;
    } else {
        slot = defaultVamBank >= 0 ? defaultVamBank : 0;
    }
    if (slot < 0 || slot >= bankSlotCount) {
        printout("Bank designation out of range. Use a. through v. \n");
        return -1;
    }
    if (!bankSlots[slot] || bankTypes[slot] == ' ') {
        printout("Bank %c not assigned.\n", 'a' + slot);
        return -1;
    }
    if (bankTypes[slot] != 'v') {
        printout("The show command can be used only with Vam banks.\n");
        return -1;
    }
    return bankSlots[slot]->show(element, slot, in);
}

int wsicmd(std::FILE*) {
    if (!workspaceBank) {
        printout("\nError:  no workspace bank.\n");
        return -1;
    }
    workspaceBank->info(0);
    return 0;
}

int vammodecmd(std::FILE* in) {
    char token[21];
    const int cls = gettoken(token, in, 0, 21);
    int result = 0;
    if (cls == 'a' && (token[0] == 'a' || token[0] == 's')) {
        vamMode = token[0];
        return 0;
    }
    if (!endclass(cls)) {
        result = -1;
        skipline(in);
    }
    printout(vamMode == 's' ? "vammode is now s(imple).\r\n" : "vammode is now a(dvanced).\r\n");
    printout("Usage is\n  vammode  <s|a>\n");
    printout("Setting vammode to 'a' allows a corresponding macro databank\n"
             "to be loaded with a vam data bank.  If vammode is 's', then\n"
             "only the vam bank will be loaded with the \"vam\" command.\n");
    return result;
}

int dfreqcmd(std::FILE* in) {
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        const int n = std::atoi(token);
        if (n == 0 || n == 1 || n == 2 || n == 4 || n == 6 || n == 12) {
            defaultFrequency = static_cast<char>(n);
            return 0;
        }
        printout("\n.incorrect frequency %d\n", n);
        return -1;
    }
    if (endclass(cls)) {
        printout("\ndefault frequncy: %d\n", defaultFrequency);
        return 0;
    }
    printout("\ndfreq format: dfreq [0|1|2|4|6|12]\n");
    skipline(in);
    return -1;
}

int wrindexcmd(std::FILE* in) {
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a') {
        printout("\r\nFormat is \r\n wri <y | n>\r\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    if (std::strcmp(token, "n") == 0) {
        writeIndexMode = 'n';
    } else {
        writeIndexMode = 'y';
        if (workspaceBank) workspaceBank->writeIndex();
    }
    if (writeIndexMode == 'y') {
        printout("\r\nThe index of the work-space bank will be written whenever a variable is added.\r\n");
    } else {
        printout("\r\nCaution: the ws.ind file is NOT being written when a variable is added.\r\n");
        printout("It will be written if you do \"q\" or \"wri y\".\r\n");
    }
    return 0;
}

int yearformatcmd(std::FILE* in) {
    char token[tokenSize];
    token[0] = 0;
    const int cls = gettoken(token, in, 0, tokenSize);
    yearFormat = (!endclass(cls) && (token[0] == '2' || token[0] == '3')) ? token[0] : '4';
    return 0;
}
