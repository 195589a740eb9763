// Bank assignment commands: bank, wsbank, zap, close, dvam; and findmode.
#include <cstring>
#include <filesystem>
#include <string>

#include "banks/commands.h"
#include "banks/jexbank.h"
#include "banks/openbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "views/look_window.h"

namespace {

constexpr int tokenSize = 78;

const char* kindword(char kind) {
    switch (kind) {
    case 'c': return "cbk";
    case 'h': return "hbk";
    case 'd': return "dfr";
    case 'v': return "vam";
    default: return "bank";
    }
}

// Drops the rest of the line unless the token just read ended it already.
void droprest(std::FILE* in, int lastClass) {
    if (lastClass != 'f' && lastClass != 'e' && lastClass != -1) skipline(in);
}

void closeslot(int s) {
    lookslotclosed(s);  // the look window showing this slot's bank closes
    delete bankSlots[s];
    bankSlots[s] = nullptr;
    bankTypes[s] = ' ';
    if (defaultVamBank == s) defaultVamBank = -1;
    --assignedBankCount;
}

void setcalendar(int baseYear, int firstMonth, int maxObs) {
    wsBaseYear = static_cast<std::int16_t>(baseYear);
    wsFirstMonth = static_cast<std::int16_t>(firstMonth);
    wsMaxObs = static_cast<std::int16_t>(maxObs);
    wsStartDate = JexDate(static_cast<std::int16_t>(baseYear), static_cast<std::uint8_t>(firstMonth),
                          1, 13);
}

}  // namespace

int bankcmd(std::FILE* in, char kind) {
    if (!bankkindavailable(kind)) {
        printout("\nError:  the %s command is not available in this version.\n", kindword(kind));
        droprest(in, lastTokenClass);
        return -1;
    }
    char stem[tokenSize];
    int cls = gettoken(stem, in, 0, tokenSize);
    if (cls != 'a' && cls != '"') {
        printout("Format is \r\nbank <filename>\n");
        droprest(in, cls);
        return -1;
    }
    char token[tokenSize];
    int slot = 0;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'a') {
        slot = token[0] - 'a';
        if (slot < 0 || slot >= bankSlotCount) {
            printout("Illegal bank number: %d\r\n", slot);
            skipline(in);
            return -1;
        }
        skipline(in);
    }
    if (bankTypes[slot] != ' ' || bankSlots[slot]) closeslot(slot);
    // A directory of forecasts takes the name of its listing file from the next line; any
    // token other than a word there (it is consumed either way) means dirfor.dat.
    std::string listing = "dirfor.dat";
    if (kind == 'd') {
        printout("\r\nPlease give name of Dirfor.dat file: ");
        char name[tokenSize];
        if (gettoken(name, in, 0, tokenSize) == 'a') listing = name;
    }
    DataBank* bank = openbank(kind, stem, listing.c_str());
    if (!bank || !bank->isOpen()) {
        printout("Unable to open %s as assigned bank %c.  Continuing.\n", stem, 'a' + slot);
        delete bank;
        return -1;
    }
    bankSlots[slot] = bank;
    bankTypes[slot] = kind;
    ++assignedBankCount;
    if (slot == 0) defaultBankPath = stem;
    bank->info(static_cast<std::int16_t>(slot));
    if (annSaveOn == 'y') echoline(0, 'a', 0);
    return 0;
}

int wsbankcmd(std::FILE* in) {
    char stem[tokenSize];
    int cls = gettoken(stem, in, 0, tokenSize);
    if (cls != 'a' && cls != '"') {
        printout("Format is \r\nwsbank <filename>\n");
        droprest(in, cls);
        return -1;
    }
    // The present calendar, for a new bank.
    int baseYear = wsBaseYear, maxObs = wsMaxObs, firstMonth = wsFirstMonth;
    if (workspaceBank && workspaceBank->isOpen()) {
        baseYear = workspaceBank->baseyear();
        maxObs = workspaceBank->maxObs();
        firstMonth = workspaceBank->firstMonth();
    }
    const std::string data = std::string(stem) + ".bnk";
    const std::string index = std::string(stem) + ".ind";
    std::error_code ec;
    const bool exists = std::filesystem::exists(data, ec) || std::filesystem::exists(index, ec);
    JexBank* bank = nullptr;
    if (exists) {
        // A bank that is there but cannot be opened is reported and left as it is: it is
        // never replaced by a new empty one.
        bank = new JexBank(stem, "ReadWrite", 1965, 200, 1);
        if (!bank->isOpen()) {
            delete bank;
            printout("\nError:  %s cannot be opened as the workspace bank; it is left as it is.\n",
                     stem);
            printout("The workspace bank is unchanged.\n");
            return -1;
        }
    } else {
        bank = new JexBank(stem, "New", baseYear, maxObs, firstMonth);
        if (!bank->isOpen()) {
            delete bank;
            printout("The workspace bank is unchanged.\n");
            return -1;
        }
    }
    delete workspaceBank;
    setWorkspaceBank(bank);
    setcalendar(bank->baseyear(), bank->firstMonth(), bank->maxObs());
    wsSeriesCount = static_cast<std::int16_t>(bank->seriesCount());
    printout("Title of workspace:%s\n", exists ? bank->title() : "");
    printout("Base year %d; first month covered %d\n", wsBaseYear, wsFirstMonth);
    printout("Max observations per series %d.\n", wsMaxObs);
    printout("Contains %d series.\n", wsSeriesCount);
    return 0;
}

int zapcmd(std::FILE* in) {
    long values[3] = {wsBaseYear, wsFirstMonth, wsMaxObs};
    if (workspaceBank && workspaceBank->isOpen()) {
        values[0] = workspaceBank->baseyear();
        values[1] = workspaceBank->firstMonth();
        values[2] = workspaceBank->maxObs();
    }
    char token[tokenSize];
    for (int k = 0; k < 3; ++k) {
        int cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') break;  // the token that ends the list is dropped
        values[k] = std::strtol(token, nullptr, 10);
    }
    if (values[2] < 0 || values[2] > maxSeriesObs) {
        printout("\nError:  a workspace series may hold at most %d observations (%ld asked).\n",
                 maxSeriesObs, values[2]);
        printout("The workspace bank is unchanged.\n");
        return -1;
    }
    if (values[1] < 1 || values[1] > 12) {
        printout("\nError:  the first month must lie between 1 and 12 (%ld given).\n", values[1]);
        printout("The workspace bank is unchanged.\n");
        return -1;
    }
    const bool cached = workspaceBank && workspaceBank->cacheOn();
    // The new bank is made before the old one is let go: when it cannot be created, the
    // command fails and the workspace stays as it was.
    auto* fresh = new JexBank("ws", "New", static_cast<int>(values[0]),
                              static_cast<int>(values[2]), static_cast<int>(values[1]));
    if (!fresh->isOpen()) {
        delete fresh;
        printout("The workspace bank is unchanged.\n");
        return -1;
    }
    delete workspaceBank;
    setWorkspaceBank(fresh);
    setcalendar(static_cast<int>(values[0] < 1900 ? values[0] + 1900 : values[0]),
                static_cast<int>(values[1]), static_cast<int>(values[2]));
    wsSeriesCount = 0;
    workspaceBank->setCache(cached);
    return 0;
}

int closecmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Usage: close <letter designating bank to be closed>\n");
        printout("Example:  close c\n");
        printout("Example:  close a b c\n");
        printout("Example:  close all\r\n");
        droprest(in, cls);
        return -1;
    }
    auto refuse = [&](int lastClass) {
        printout("Error in \"close\" command:  %s.\n", token);
        printout("Returning...\r\n");
        pausebox("Warning!", "");
        droprest(in, lastClass);
        return -1;
    };
    const bool all = std::strcmp(token, "all") == 0;
    if (!all && std::strlen(token) > 1) return refuse(cls);
    int letter = all ? 'a' : token[0];
    for (int handled = 0; handled < bankSlotCount; ++handled) {
        if (letter < 'a' || letter > 'z') {
            printout("%c is an illegal bank designation.\n", letter);
            droprest(in, cls);
            return 0;
        }
        const int s = letter - 'a';
        if (all && assignedBankCount <= 0) break;
        if (bankTypes[s] == ' ' && !bankSlots[s]) {
            if (!all) printout("No bank %c assigned.\n", letter);
        } else {
            closeslot(s);
        }
        if (all) {
            if (assignedBankCount <= 0 || s == bankSlotCount - 1) break;
            ++letter;
            continue;
        }
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'f' || cls == 'e') return 0;
        if (cls != 'a') return refuse(cls);
        letter = token[0];
    }
    return 0;
}

int dvamcmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, 20);
    if (cls == 'a') {
        const int s = token[0] - 'a';
        if (s < 0 || s >= bankSlotCount || bankTypes[s] != 'v') {
            printout("Error:  Bank %s has not been assigned to a Vam file.  \n"
                     "Use vam command before dvam.\n",
                     token);
            return -1;
        }
        defaultVamBank = static_cast<signed char>(s);
        return 0;
    }
    if (defaultVamBank < 0 || !bankSlots[defaultVamBank]) {
        printout("No default Vam file currently is assigned.\n");
        printout("Usage: dvam <letter>\n");
    } else {
        printout("Default Vam file is %c: %s.\n", 'a' + defaultVamBank,
                 bankSlots[defaultVamBank]->dataPath());
        printout("To change default: \"dvam <letter>\".\n");
    }
    return 0;
}

int findmodecmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    int result = 0;
    if (cls == 'a') {
        if (token[0] == 'a' || token[0] == 'm') {
            findMode = token[0];
            return 0;
        }
        result = -1;
    } else if (cls != 'f' && cls != 'e') {
        printout("Usage is\n  findmode  <m|a>\n");
        return 27;
    }
    printout(findMode == 'a' ? "findmode is now a(utomatic).\r\n" : "findmode is now m(anual).\r\n");
    printout("Usage is\n  findmode  <m|a>\n");
    printout("Setting findmode to 'a' allows Jex7 to search sequentially\n"
             "through all open data banks, beginning with the workspace,\n"
             "to find a data series.  If vammode is 'm', then\n"
             "only the workspace, bank 'a', and the default vam bank\n"
             "will be searched.  In this case, a bank letter must be\n"
             "provided to access any other data bank.\n");
    return result;
}
