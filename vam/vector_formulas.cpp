// vf: one cell of a vector or matrix over time from a series expression; vmake, vplus and
// vminus: selected lines of source elements (from any assigned Vam bank) copied into, added
// to or subtracted from selected lines of a target element of the default Vam bank. The
// whole command line is checked before anything changes.
#include "vam/vector_formulas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/printout.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "series/rhs.h"
#include "series/series_state.h"
#include "vam/vamfile.h"

namespace {

constexpr int tokenSize = 78;
constexpr int maxSources = 200;

bool wsdateok(const JexDate& d) {
    const int i = d.wsIndex();
    return i >= 0 && i < wsMaxObs;
}

// One line of a source or target: its bank, element, view and line number.
struct LineRef {
    VamFile* bank;
    std::string name;
    char view;
    int line;
};

class VmakeError {};

}  // namespace

int vfcmd(DataBank* b, std::FILE* in) {
    FdatesKeeper saved;
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char word[tokenSize], token[tokenSize];
    if (gettoken(word, in, 0, tokenSize) != 'a' || !bank) {
        printout("No name in vf command.  Tap.\n");
        return -1;
    }
    char stem[tokenSize];
    short r = -1;
    const int c = splitnamenumbers(word, stem, r);
    if (c <= 0) {
        printout("vf error: Left side should be an element of a vector or matrix\r\n");
        skipline(in);
        return -1;
    }
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == '{') {
        auto bad = []() {
            printout("Bad fdate in vf command.\n");
            return -1;
        };
        if (gettoken(token, in, 0, tokenSize) != 'n') return bad();
        fdate1 = static_cast<float>(std::atof(token));
        fdate1Date = JexDate(fdate1);
        if (!wsdateok(fdate1Date)) return bad();
        fdate2 = fdate1;
        fdate2Date = fdate1Date;
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == '-') {
            if (gettoken(token, in, 0, tokenSize) != 'n') return bad();
            fdate2 = static_cast<float>(std::atof(token));
            fdate2Date = JexDate(fdate2);
            if (!wsdateok(fdate2Date) || (fdate2Date < fdate1Date) != 0) return bad();
            if (gettoken(token, in, 0, tokenSize) != '}') return bad();
        } else if (cls != '}') {
            printout("Expected } in vf command.\n");
            return -1;
        }
        cls = gettoken(token, in, 0, tokenSize);
    }
    int operation = 0;
    if (cls == '+' || cls == '-' || cls == '*' || cls == '/') {
        operation = cls;
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != '=') {
        printout("No = in vf command. Tap.\n");
        return -1;
    }
    std::vector<float> values(static_cast<std::size_t>(std::max<int>(seriesArrayLength, wsMaxObs)) + 1, 0.0f);
    char text[exprTextSize];
    text[0] = '\0';
    char* cursor = text;
    const int end = rhs(values.data(), in, cursor, sizeof text);
    if (end == -1 || end == 0 || end == 27) {
        printout("Error in expression: %s\n", lastToken);
        if (end == 0) skipstatement(in);
        return end == 27 ? 27 : -1;
    }
    const int loaded = r >= 1 ? bank->loadcmd(stem, 'r', r) : bank->loadcmd(stem, 'x', 0);
    if (loaded != 0) {
        printout("\nError:  in vf command.\n\"%s\" not found.\r\n", stem);
        pausebox("Error!", "");
        return -1;
    }
    if (r >= 1) {
        const int i = bank->findser(stem);
        if (r > bank->rowsOf(i) || c > bank->columnsOf(i)) {
            printout("\nError:  in vf command, LHS matrix element (%d, %d) is out of bounds.\n", r, c);
            return -1;
        }
    } else if (c > bank->loadedCount()) {
        printout("\nError:  in vf command, LHS vector element %d is out of bounds.\n", c);
        return -1;
    }
    bank->alignToWorkspace(values.data());
    if (bank->putseries(c, values.data(), operation) != 0) return -1;
    bank->setModified();
    return 0;
}

namespace {

void vmakeusage() {
    printout("\nFormat:<vmake|vplus|vminus>[startyr [endyr]]<target><source>[source...]\n");
    printout("where the target and sources are: \n");
    printout("     matrix (<r|c>[lines]) [(c|r elements)] \n");
    printout("or \n");
    printout("     vector [(v lines)] \n\n");
    printout("Up to 200 sources may be taken from any assigned vam file\n\n");
}

[[noreturn]] void vfail(const char* text) {
    printout("%s", text);
    throw VmakeError();
}

// A group after its view letter; the list of members (all of 1..all when empty).
std::vector<int> readgroup(std::FILE* in, int all) {
    char buffer[exprTextSize];
    buffer[0] = '\0';
    char* cursor = buffer;
    std::vector<std::int16_t> members;
    const int n = parsegroup(in, cursor, members, groupLimit, sizeof buffer);
    if (n < 0) throw VmakeError();
    std::vector<int> out;
    if (n == 0)
        for (int k = 1; k <= all; ++k) out.push_back(k);
    else
        out.assign(members.begin(), members.end());
    return out;
}

// Checks every member against 1..high; the message names the first one outside.
void checkmembers(const std::vector<int>& g, int high, const char* format, const char* kind) {
    for (int m : g) {
        if (m < 1 || m > high) {
            printout(format, kind, m);
            throw VmakeError();
        }
    }
}

// The bank named by a prefix letter ("b.name"), or the default Vam bank; the bare name.
VamFile* vmakebank(const char* written, std::string& name) {
    int slot = defaultVamBank;
    name = written;
    if (written[0] && written[1] == '.') {
        const char letter = written[0];
        if (letter < 'a' || letter > 'z') {
            printout("\nError:  In vmake, the bank letter %c is not one of a to z.\n", letter);
            throw VmakeError();
        }
        slot = letter - 'a';
        name = written + 2;
    }
    VamFile* bank = slot >= 0 && slot < bankSlotCount && bankTypes[slot] == 'v'
                        ? dynamic_cast<VamFile*>(bankSlots[slot])
                        : nullptr;
    if (!bank) {
        printout("\nError:  In vmake, Bank %c is not open.\n", slot >= 0 ? 'a' + slot : '?');
        throw VmakeError();
    }
    return bank;
}

// Narrows first..last to the bank's periods; dates given must lie within the target bank's
// (a source bank only narrows them).
void narrow(const VamFile& bank, int dates, JexDate& first, JexDate& last, const char* which) {
    const JexDate& a = bank.firstJexDate();
    const JexDate& z = bank.lastJexDate();
    if (first.frequency != a.frequency || last.frequency != a.frequency ||
        (dates > 0 && std::strcmp(which, "target") == 0 && ((first < a) != 0 || (last > z) != 0))) {
        printout("\nError:  In vmake, the optional dates must fall between the\n");
        printout("the start date and the end date of the %s vam file.\n\n", which);
        throw VmakeError();
    }
    if ((first < a) != 0) first = a;
    if ((last > z) != 0) last = z;
}

int vmakerun(VamFile* target, std::FILE* in, int mode) {
    JexDate first, last;
    const int dates = xldatesarg(in, first, last);
    if (dates < 0) vfail("\nError:  In vmake, trouble with the optional dates in vmake.\n");
    char word[tokenSize], token[tokenSize];
    if (gettoken(word, in, 0, tokenSize) != 'a') vfail("\nError:  In vmake, incorrect target name in vmake.\n");
    if (word[1] == '.' && word[0] != 'a' + defaultVamBank) {
        if (word[0] < 'a' || word[0] > 'z') {
            printout("\nError:  In vmake, the bank letter %c is not one of a to z.\n", word[0]);
            throw VmakeError();
        }
        vfail("\nError:  In vmake, the target vector or matrix must be in the default vam file\n\n");
    }
    std::string targetName;
    VamFile* tb = vmakebank(word, targetName);
    if (tb != target) vfail("\nError:  In vmake, the target vector or matrix must be in the default vam file\n\n");
    const int ti = tb->findser(targetName.c_str());
    if (ti < 0) {
        printout("\nError:  In vmake, the target %s not found\n\n", targetName.c_str());
        throw VmakeError();
    }
    if (tb->typeOf(ti) == 'p')
        vfail("\nvmake, vplus and vminus only work on standard, non-packed matrices and vectors\n\n");
    if (dates == 0) {
        first = tb->firstJexDate();
        last = tb->lastJexDate();
    }
    narrow(*tb, dates, first, last, "target");
    if (tb->rowsOf(ti) < 1) vfail("\nError:  In vmake, the number of rows appears to be zero.\n\n");

    // Target lines and elements.
    const bool targetMatrix = tb->typeOf(ti) == 'm';
    std::vector<LineRef> T;
    std::vector<int> E;
    char view = 'x';
    int lineLength = static_cast<int>(tb->sizeOf(ti));
    if (targetMatrix) {
        if (gettoken(token, in, 0, tokenSize) != '(')
            vfail("\nError:  In vmake, a group must be specified after the target matrix name\n\n");
        if (gettoken(token, in, 0, tokenSize) != 'a')
            vfail("\nError:  In vmake, 'r' or 'c' must preceed the group specification.\n\n");
        if (token[0] != 'r' && token[0] != 'c') vfail("\nError:  In vmake, the view must be 'r' or 'c'\n\n");
        view = token[0];
        const int lines = view == 'r' ? tb->rowsOf(ti) : tb->columnsOf(ti);
        lineLength = view == 'r' ? tb->columnsOf(ti) : tb->rowsOf(ti);
        const std::vector<int> g = readgroup(in, lines);
        if (static_cast<int>(g.size()) > lineLength) {
            printout("\nError:  In vmake, groups cannot exceed %d elements.\n", lineLength);
            throw VmakeError();
        }
        checkmembers(g, lines, "\nError:  %s index %d in vmake target matrix is out of bounds.\n",
                     view == 'c' ? "column" : "row");
        for (int m : g) T.push_back({tb, targetName, view, m});
    } else {
        T.push_back({tb, targetName, 'x', 0});
    }
    const char elementLetter = view == 'r' ? 'c' : view == 'c' ? 'r' : 'v';
    auto wrongletter = [](char letter) {
        if (letter == 'c')
            printout("\nError:  In vmake, if data are to be inserted into a matrix by rows, \n"
                     "the second group must be for columns within the rows\n\n");
        else if (letter == 'r')
            printout("\nError:  In vmake, if data are to be inserted into a matrix by columns, \n"
                     "the second group must be for rows within the columns\n\n");
        else
            printout("\nError:  In vmake, if data are to be inserted into a vector, \n"
                     "the group must be for rows within the vector\n\n");
        throw VmakeError();
    };
    if (gettoken(token, in, 0, tokenSize) == '(') {
        if (gettoken(token, in, 0, tokenSize) != 'a')
            vfail("\nError:  In vmake, a group must be specified after the target name\n\n");
        if (token[0] != elementLetter) wrongletter(elementLetter);
        E = readgroup(in, lineLength);
        checkmembers(E, lineLength, "\nError:  %s index %d in vmake target is out of bounds.\n",
                     elementLetter == 'c' ? "column" : "row");
    } else {
        ungettoken();
        for (int k = 1; k <= lineLength; ++k) E.push_back(k);
    }
    const std::size_t nT = T.size(), nE = E.size();

    // Sources.
    std::vector<LineRef> S;
    std::vector<std::vector<int>> M;  // per source line: the elements taken
    int cls;
    int sources = 0;
    while ((cls = gettoken(word, in, 0, tokenSize)) == 'a' && sources < maxSources) {
        ++sources;
        std::string name;
        VamFile* sb = vmakebank(word, name);
        const int si = sb->findser(name.c_str());
        if (si < 0) {
            printout("\nError:  In vmake, the source %s not found.\n\n", name.c_str());
            throw VmakeError();
        }
        if (sb->typeOf(si) == 'p')
            vfail("\nError:  vmake, vplus and vminus only work on standard, non-packed matrices and vectors.\n");
        narrow(*sb, dates, first, last, "source");
        if (sb->rowsOf(si) < 1) vfail("\nError:  in vmake, the number of rows appears to be zero.\n");
        const std::size_t before = S.size();
        char sview = 'x';
        int slength = static_cast<int>(sb->sizeOf(si));
        if (sb->typeOf(si) == 'm') {
            if (gettoken(token, in, 0, tokenSize) != '(')
                vfail("\nError:  In vmake, a group must be specified after the source matrix name\n\n");
            if (gettoken(token, in, 0, tokenSize) != 'a')
                vfail("\nError:  In vmake, 'r' or 'c' must preceed the group specification.\n\n");
            if (token[0] != 'r' && token[0] != 'c') vfail("\nError:  In vmake, the view must be 'r' or 'c'\n\n");
            sview = token[0];
            const int lines = sview == 'r' ? sb->rowsOf(si) : sb->columnsOf(si);
            slength = sview == 'r' ? sb->columnsOf(si) : sb->rowsOf(si);
            const std::vector<int> g = readgroup(in, lines);
            if (g.size() > nT) {
                printout("\nError:  in vmake, groups cannot exceed %d elements.\n", static_cast<int>(nT));
                throw VmakeError();
            }
            checkmembers(g, lines, "\nError:  In vmake, %s index %d in vmake source is out of bounds.\n",
                         sview == 'c' ? "column" : "row");
            for (int m : g) S.push_back({sb, name, sview, m});
        } else {
            S.push_back({sb, name, 'x', 0});
        }
        if (S.size() > nT) {
            printout("\nError:  In vmake, the total number of source lines selected is greater\n");
            printout("than the number of lines selected in the target\n\n");
            throw VmakeError();
        }
        std::vector<int> elements;
        const char letter = sview == 'r' ? 'c' : sview == 'c' ? 'r' : 'v';
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == -1) throw VmakeError();
        if (cls == '(') {
            if (gettoken(token, in, 0, tokenSize) != 'a')
                vfail("\nError:  In vmake, 'v', 'r', or 'c' must preceed the group specification.\n\n");
            if (token[0] != letter) wrongletter(letter);
            elements = readgroup(in, slength);
            if (elements.size() > nE) {
                printout("\nError:  In vmake, source group cannot exceed %d elements.\n", static_cast<int>(nE));
                throw VmakeError();
            }
            checkmembers(elements, slength, "\nError:  %s index %d in vmake source is out of bounds.\n",
                         letter == 'c' ? "column" : "row");
        } else {
            ungettoken();
            for (int k = 1; k <= slength; ++k) elements.push_back(k);
        }
        if (elements.size() != nE) {
            printout("\nThe number of source elements selected (%d) in source (%d) must\n",
                     static_cast<int>(elements.size()), sources);
            printout("equal the number target elements selected (%d). \n\n", static_cast<int>(nE));
            throw VmakeError();
        }
        for (std::size_t k = before; k < S.size(); ++k) M.push_back(elements);
    }
    if (cls == -1) throw VmakeError();
    if (cls != 'f' && cls != 'e') skipline(in);
    if (S.size() != nT) {
        printout("\nThe total number of source lines selected(%d) must\n", static_cast<int>(S.size()));
        printout("equal the number of target lines selected(%d)\n\n", static_cast<int>(nT));
        throw VmakeError();
    }
    if ((last < first) != 0) vfail("\nError:  In vmake, trouble with the optional dates in vmake.\n");

    if (addPrint == 1) {
        printout("\nThe effective range is from %10.3f to %10.3f\n\n", static_cast<double>(first.toFloat()),
                 static_cast<double>(last.toFloat()));
        printout("Making %s\n", targetName.c_str());
    }
    const int P = last - first + 1;
    std::vector<float> work(static_cast<std::size_t>(P) * nE);
    for (std::size_t i = 0; i < nT; ++i) {
        if (addPrint == 1 && targetMatrix) printout(" %c %d\n", T[i].view, T[i].line);
        const LineRef& s = S[i];
        if (s.bank->loadcmd(s.name.c_str(), s.view, static_cast<float>(s.line)) != 0)
            vfail("\nSource load failed\n\n");
        const int so = first - s.bank->firstJexDate();
        if (so < 0) vfail("\nError:  in vmake, start period comes before the beginning of the source vam bank.\n");
        for (int p = 0; p < P; ++p)
            for (std::size_t j = 0; j < nE; ++j)
                work[p * nE + j] = s.bank->loadedRow(so + p)[M[i][j] - 1];
        const LineRef& t = T[i];
        if (tb->loadcmd(t.name.c_str(), t.view, static_cast<float>(t.line)) != 0)
            vfail("\nTarget load failed\n\n");
        const int to = first - tb->firstJexDate();
        if (to < 0) vfail("\nError:  in vmake, start period comes before the beginning of the target vam bank.\n");
        for (int p = 0; p < P; ++p) {
            float* row = tb->loadedRow(to + p);
            for (std::size_t j = 0; j < nE; ++j) {
                float& cell = row[E[j] - 1];
                const float v = work[p * nE + j];
                cell = mode == 0 ? v : mode == 1 ? cell + v : cell - v;
            }
        }
        tb->setModified();
        if (tb->storecmd() != 0) return -1;
    }
    if (addPrint == 1) printout("\n");
    return 0;
}

}  // namespace

int vmakecmd(DataBank* b, std::FILE* in, int mode) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    if (!bank) return -1;
    try {
        return vmakerun(bank, in, mode);
    } catch (const VmakeError&) {
        vmakeusage();
        return -1;
    }
}
