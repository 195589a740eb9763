// The reader of jex.cfg.
#include "banks/startup.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "banks/jexbank.h"
#include "banks/openbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "regress/regress_state.h"
#include "series/series_state.h"
#include "views/editor.h"

namespace {

constexpr int entrySize = 80;

// The reader's whole state, kept while the configuration file is read and put back after,
// so that a wsreset typed in the middle of a line leaves the rest of that line intact.
struct ReaderState {
    std::string buffer;
    std::ptrdiff_t position;
    int last, ungot, lastClass;
    char pushed;
    std::string token;
    char keyboard, replay;
    const std::vector<std::string>* list;
    std::size_t cursor;

    ReaderState()
        : buffer(commandBuffer, commandBufferSize), position(readPointer - commandBuffer),
          last(lastChar), ungot(ungotChar), lastClass(lastTokenClass), pushed(tokenPushedBack),
          token(lastToken), keyboard(keyboardInput), replay(replayMode), list(replayList),
          cursor(replayCursor) {}
    void restore() const {
        std::memcpy(commandBuffer, buffer.data(), commandBufferSize);
        readPointer = commandBuffer + position;
        lastChar = last;
        ungotChar = ungot;
        lastTokenClass = lastClass;
        tokenPushedBack = pushed;
        std::snprintf(lastToken, commandBufferSize, "%s", token.c_str());
        keyboardInput = keyboard;
        replayMode = replay;
        replayList = list;
        replayCursor = cursor;
    }
};

// Switches the tokenizer to a file for the life of the object.
struct FileSource {
    char keyboard = keyboardInput, replay = replayMode;
    const std::vector<std::string>* list = replayList;
    FileSource() {
        keyboardInput = 'n';
        replayMode = 'n';
        replayList = nullptr;
    }
    ~FileSource() {
        keyboardInput = keyboard;
        replayMode = replay;
        replayList = list;
    }
};

bool isnumbertext(const char* s) {
    if (!s || !*s) return false;
    char* end = nullptr;
    std::strtod(s, &end);
    return end != s;
}

std::string stemof(const char* value) {
    std::string s(value);
    std::size_t dot = s.find('.');
    return dot == std::string::npos ? s : s.substr(0, dot);
}

std::string datetext(float date) {
    char buf[JexDate::textSize];
    JexDate(date).print(buf, '4');
    return buf;
}

}  // namespace

int readcfgentry(char* buf, std::FILE* file) {
    if (!file) return -1;
    FileSource source;
    char token[78];
    int cls;
    do {
        cls = gettoken(token, file, 0, 78);
        if (cls == 'e' || cls == -1) return 101;
    } while (cls != ';');
    cls = gettoken(token, file, 0, 78);
    if (cls == 'a' || cls == 'n') {
        std::snprintf(buf, 78, "%s", token);
        return 0;
    }
    if (cls == 'f') {
        buf[0] = 0;
        ungettoken();  // the end of the line ends the entry; the next skip reads it
        return 0;
    }
    if (cls == 'e' || cls == -1) return 101;
    printout("Bad entry in jex.cfg file.\n");
    return -1;
}

int readstartupcfg(int) {
    std::FILE* cfg = std::fopen("jex.cfg", "r");
    if (!cfg) {
        printout("\nWarning:  Cannot open file \"%s\".\n", "jex.cfg");
        platform::current().messageBox("There must be a jex.cfg file in the starting directory.",
                                       "Fatal Error", platform::Buttons::Ok);
        return -1;
    }
    ReaderState saved;
    lastChar = '\n';  // the next chop reads the file's first line
    ungotChar = 0;
    tokenPushedBack = 0;
    addPrint = 0;
    int result = 0;

    char value[entrySize] = "";
    // 1: the workspace stem.
    std::string wsStem = "ws";
    if (readcfgentry(value, cfg) == 0 && value[0]) wsStem = stemof(value);
    // 2 (not used), 3: bank a.
    readcfgentry(value, cfg);
    std::string bankStem;
    char bankKind = 0;
    bool badKind = false;
    if (readcfgentry(value, cfg) == 0 && value[0]) {
        bankStem = stemof(value);
        const char* dot = std::strchr(value, '.');
        std::string ext = dot ? dot + 1 : "";
        while (!ext.empty() && (ext.back() == ' ' || ext.back() == '\t')) ext.pop_back();
        if (ext.empty() || ext == "bnk") bankKind = 'w';
        else if (ext == "cbk") bankKind = 'c';
        else if (ext == "hbk") bankKind = 'h';
        else if (ext == "vam") bankKind = 'v';
        else if (ext == "dfr") bankKind = 'd';
        else {
            printout("Unrecognized bank type %s", ext.c_str());
            badKind = true;
            result = -1;
        }
    }
    // 4, 5, 6: not used.
    for (int k = 0; k < 3; ++k) readcfgentry(value, cfg);
    // 7: the default dates.
    float first = fdate1, middle = fdate1 + 20, last = fdate2;
    bool haveDates = false;
    if (readcfgentry(value, cfg) == 0 && isnumbertext(value)) {
        FileSource source;
        haveDates = true;
        first = static_cast<float>(std::strtod(value, nullptr));
        char token[entrySize];
        int cls = gettoken(token, cfg, 0, 78);
        middle = cls == 'n' ? static_cast<float>(std::strtod(token, nullptr)) : first + 20;
        if (cls == 'n') cls = gettoken(token, cfg, 0, 78);
        last = cls == 'n' ? static_cast<float>(std::strtod(token, nullptr)) : middle;
        if (cls == 'f' || cls == 'e') ungettoken();
    }
    currentFrequency = fdate1Date.frequency;
    // 8: the base year, and the check of the dates.
    if (readcfgentry(value, cfg) == 0 && isnumbertext(value))
        wsBaseYear = static_cast<std::int16_t>(std::atoi(value));
    if (haveDates && (wsBaseYear > first || middle < first || last < middle)) {
        printout("\nError:  Illegal dates.\n");
        printout("Dates must be in ascending order.\n");
        printout("Specified dates are:  base year (%d), first (%s),middle (%s), last (%s).\n",
                 wsBaseYear, datetext(first).c_str(), datetext(middle).c_str(),
                 datetext(last).c_str());
        if (first < wsBaseYear) first = wsBaseYear + (first - std::floor(first));
        if (middle < first) middle = first;
        if (last < middle) last = middle;
        printout("Adjusted dates are:  base year (%d), first (%s),middle (%s), last (%s).\n",
                 wsBaseYear, datetext(first).c_str(), datetext(middle).c_str(),
                 datetext(last).c_str());
        pausebox("Error:  Illegal dates.", "");
    }
    // The default date ranges: the print dates (first, last), the regression limits and
    // the graph dates (first, middle, last) and the f dates (first, last). The switches
    // that say the print and graph dates were set by their commands stay as they are.
    if (haveDates) {
        printDates[0] = first;
        printDates[1] = last;
        printDateRange[0] = JexDate(first);
        printDateRange[1] = JexDate(last);
        fitStart = first;
        fitEnd = middle;
        testEnd = last;
        graphDates[0] = first;
        graphDates[1] = middle;
        graphDates[2] = last;
        fdate1 = first;
        fdate2 = last;
        fdate1Date = JexDate(first);
        fdate2Date = JexDate(last);
    }
    // 9: the first month; 10: the maximum number of observations.
    if (readcfgentry(value, cfg) == 0 && isnumbertext(value)) {
        wsFirstMonth = static_cast<std::int16_t>(std::atoi(value));
        cfgFirstMonth = wsFirstMonth;
    }
    if (readcfgentry(value, cfg) == 0 && isnumbertext(value)) {
        long obs = std::atol(value);
        if (obs > maxSeriesObs) {
            printout("\nError:  maximum number of observations assigned in jex.cfg (%ld) exceeds\n",
                     obs);
            printout("the maximum number allowed (%d).\n", maxSeriesObs);
            pausebox("Error:  maximum number of observations is too high.", "");
            obs = maxSeriesObs;
        }
        wsMaxObs = static_cast<std::int16_t>(obs);
    }
    // The workspace bank, new and empty.
    delete workspaceBank;
    setWorkspaceBank(new JexBank(wsStem.c_str(), "New", wsBaseYear, wsMaxObs, cfgFirstMonth));
    if (!workspaceBank->isOpen() && workspaceBank->inUse()) {
        // Another session writes this folder's workspace: nothing here may touch it.
        printout("Error:  the workspace of this folder is in use by another session of Jex7.\n");
        std::fclose(cfg);
        saved.restore();
        addPrint = 1;
        return startupWorkspaceInUse;
    }
    if (!workspaceBank->isOpen()) {
        printout("Error:  Cannot open workspace bank.\n");
        printout("If the bank exists already, make sure that you have write access.\n");
    }
    wsSeriesCount = 0;
    wsStartDate = JexDate(wsBaseYear, static_cast<std::uint8_t>(cfgFirstMonth), 1, 13);

    // Bank a: the bank there before is closed first.
    if (bankKind != 0 || badKind) {
        if (bankSlots[0]) {
            delete bankSlots[0];
            bankSlots[0] = nullptr;
            if (defaultVamBank == 0) defaultVamBank = -1;
            --assignedBankCount;
        }
        bankTypes[0] = ' ';
    }
    if (bankKind != 0) {
        // A directory of forecasts reads its listing from dirfor.dat, as the dfr command does
        // when no other listing file is named.
        DataBank* bank = bankkindavailable(bankKind) ? openbank(bankKind, bankStem.c_str(), "dirfor.dat")
                                                     : nullptr;
        if (!bank) {
            const char* word = bankKind == 'c' ? "compressed" : bankKind == 'h' ? "hashed"
                             : bankKind == 'v' ? "Vam" : "directory-of-forecasts";
            printout("\nError:  %s banks are not available in this version.\n", word);
        }
        if (bank && bank->isOpen()) {
            bankSlots[0] = bank;
            bankTypes[0] = bankKind;
            defaultBankPath = bankStem;
            ++assignedBankCount;
            printout("%s\n", bank->title());
        } else {
            delete bank;
            printout("Unable to open %s as assigned bank.  Continuing.\n", bankStem.c_str());
        }
    }

    // 11: the add file to run at start.
    if (readcfgentry(value, cfg) == 0 && value[0]) {
        if (std::strncmp(value, "ad", 2) == 0) {
            FileSource source;
            simpleadd(cfg);
        } else if (std::strncmp(value, "ed", 2) == 0) {
            editorcmd(cfg);
        } else {
            printout("Warning:  Error on last line of jex.cfg.\n");
            printout("The proper syntax, to run a file called \"init.add,\" is\n");
            printout("\tadd init.add\n\n");
        }
    }
    std::fclose(cfg);
    saved.restore();
    addPrint = 1;
    if (platform::floatingPointFault()) {
        platform::clearFloatingPointStatus();
        pausebox("Error:  in jex.cfg processor.", "");
        return -1;
    }
    return result;
}
