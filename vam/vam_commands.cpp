#include "vam/vam_commands.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/printout.h"
#include "interp/dispatch_table.h"
#include "interp/inline_commands.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

namespace {

constexpr int tokenSize = 78;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

void droprest(std::FILE* in, int cls) {
    if (!endclass(cls)) skipline(in);
}

VamFile* vamof(DataBank* bank) { return dynamic_cast<VamFile*>(bank); }

int loadusage(std::FILE* in, int cls) {
    printout("Usage: load <name> <view> <line>\r\n");
    printout("where name is name of vector or matrix\r\n");
    printout("      view is r, c or y  if name is a matrix\r\n");
    printout("      line is row, column, or year, if a matrix\r\n");
    droprest(in, cls);
    return -1;
}

}  // namespace

int loadcommand(DataBank* bank, std::FILE* in) {
    VamFile* vam = vamof(bank);
    char name[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a' || !vam) return loadusage(in, cls);
    const int i = vam->findser(name);
    if (i < 0) {
        droprest(in, 0);
        return -1;
    }
    char view = 'x';
    float line = 0;
    if (vam->rowsOf(i) > 1 && vam->columnsOf(i) > 1) {
        char token[tokenSize];
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'a' || (token[0] != 'r' && token[0] != 'c' && token[0] != 'y'))
            return loadusage(in, cls);
        view = token[0];
        cls = gettoken(token, in, 1, tokenSize);
        if (cls != 'n') return loadusage(in, cls);
        line = static_cast<float>(std::atof(token));
    }
    return vam->loadcmd(vam->nameOf(i), view, line);
}

int setveclag(DataBank* bank, std::FILE* in) {
    VamFile* vam = vamof(bank);
    auto usage = [&](int cls) {
        printout("\nUsage:  setveclag <vector> <# lags>\n");
        droprest(in, cls);
        return -1;
    };
    char name[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if ((cls != 'a' && cls != '"') || !vam) return usage(cls);
    const int i = vam->findser(name);
    if (i < 0) {
        printout("Incorrect vector name in setveclag:  %s\n", name);
        return usage(0);
    }
    if (vam->typeOf(i) != 'v' && vam->typeOf(i) != 'l') {
        printout("\nError:  invalid vector \"%s\" in setveclag.  A vector must be specified.\n",
                 name);
        return usage(0);
    }
    char token[tokenSize];
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'f' || cls == 'e') {
        printout(" Vector lags for %s:  %d.\n", name, vam->lagsOf(i));
        return 0;
    }
    char* end = nullptr;
    const long lags = cls == 'n' ? std::strtol(token, &end, 10) : -1;
    if (cls != 'n' || (end && *end) || lags < 0 || lags > 20) {
        printout("\nError:  invalid number of lags in setveclag.\n");
        return usage(cls);
    }
    droprest(in, gettoken(token, in, 0, tokenSize));
    return vam->setLag(i, static_cast<int>(lags));
}

int vtitlecmd(DataBank* bank, std::FILE* in) {
    VamFile* vam = vamof(bank);
    std::string text;
    int c = chop(in);
    while (c == ' ' || c == '\t') c = chop(in);
    bool ended = false;
    while (true) {
        if (c == '\n' || c == -1 || c == 0 || c == 27 || c == 18) {
            ended = true;
            break;
        }
        if (c == '#') break;
        text.push_back(static_cast<char>(c));
        if (text.size() == vamTitleSize - 1) break;
        c = chop(in);
    }
    if (!ended) skipline(in);
    if (!vam) return -1;
    if (text.empty()) {
        const char* old = vam->vamTitle();
        if (std::strspn(old, " \t\r\n") == std::strlen(old)) {
            printout("No vam title specified yet.\r\n");
            printout("Usage: vtitle [string]\r\n");
            printout("   Or  runname [string]\r\n");
        } else {
            printout("The old vam title is:  %s\n", old);
        }
        return 0;
    }
    char title[vamTitleSize];
    std::snprintf(title, sizeof title, "%s", text.c_str());
    trimblanks(title);
    return vam->setVamTitle(title);
}

int pmfilegate(DataBank* bank, std::FILE* in) {
    VamFile* vam = vamof(bank);
    if (!vam) return -1;
    return pmfilecmd(vam, in);
}

int pmmodeinline(const dispatch::Call& call) {
    return pmmodecmd(call.in ? *call.in : nullptr, pmModeAdvanced);
}
