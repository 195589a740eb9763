// Printing, copying and listing Vam elements: vp prints a vector or a view of a matrix as a
// table, mcopy copies the overlapping part of one dense element into another, lv and lvc
// list element names, and commands prints the command words.
#include "vam/listing.h"

#include <algorithm>
#include <cfenv>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/platform.h"
#include "series/series_state.h"
#include "vam/data_entry.h"
#include "vam/vamfile.h"

namespace {

constexpr int tokenSize = 78;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// A Vam bank named by a letter and a point before the name, else the bank in `fallback`;
// the bare name. Null after the message of the command.
VamFile* letterbank(const char* written, int fallback, std::string& name, const char* command) {
    int slot = fallback;
    name = written;
    if (written[0] && written[1] == '.') {
        if (written[0] < 'a' || written[0] > 'z') {
            printout("Bank designation out of range. Use a. through v. \n");
            return nullptr;
        }
        slot = written[0] - 'a';
        name = written + 2;
    }
    if (slot < 0 || slot >= bankSlotCount || !bankSlots[slot]) {
        printout("Bank %c not assigned.\n", slot >= 0 && slot < bankSlotCount ? 'a' + slot : '?');
        return nullptr;
    }
    VamFile* bank = bankTypes[slot] == 'v' ? dynamic_cast<VamFile*>(bankSlots[slot]) : nullptr;
    if (!bank) printout("The %s command can be used only with Vam banks.\n", command);
    return bank;
}

// The bank periods of the fdates range (the whole bank when the fdates are not set).
bool rangeperiods(const VamFile& bank, int& k1, int& k2) { return fdatesperiods(bank, k1, k2); }

// vp's output: the results window when addPrint is 1, and the save file when saving.
void vpout(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (addPrint == 1) printout("%s", text);
    if (saveOn == 'y' && saveFile) std::fputs(text, saveFile);
}

void vpusage() {
    printout("Usage is: vp <vecname> [r|c][field width][decimal places]\n");
    printout("or\n");
    printout("Usage is: vp <matname><view><line> [r|c][field width][decimal places]\n\n");
}

}  // namespace

int vpcmd(std::FILE* in) {
    char written[tokenSize], token[tokenSize];
    int cls = gettoken(written, in, 0, tokenSize);
    if (cls != 'a') {
        if (!endclass(cls)) skipline(in);
        vpusage();
        return -1;
    }
    auto refuse = [&](const char* extra) {
        if (!endclass(cls)) skipline(in);
        vpusage();
        if (extra) printout("%s", extra);
        return -1;
    };
    std::string name;
    VamFile* bank = letterbank(written, 0, name, "vp");
    if (!bank) {
        skipline(in);
        return -1;
    }
    const int i = bank->findser(name.c_str());
    if (i < 0) {
        printout("\nError:  in vp command.  Cannot find vector or matrix \"%s.\"\n", name.c_str());
        skipline(in);
        return -1;
    }
    if (bank->typeOf(i) == 'p') {
        printout("\r\nvp works only on standard, non-packed matrices and vectors.\r\n");
        skipline(in);
        return -1;
    }
    const bool matrix = bank->typeOf(i) == 'm';
    char view = 'x';
    float line = 0;
    if (matrix) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'a' || (token[0] != 'r' && token[0] != 'c' && token[0] != 'y'))
            return refuse("\"view\" must be r, c, or y.\n");
        view = token[0];
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') return refuse("\"line\" must be a valid row number, column number, or year.\n");
        line = static_cast<float>(std::atof(token));
    } else {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'a' && token[0] != 'r' && token[0] != 'c') return refuse(nullptr);
        if (cls != 'a') ungettoken();
    }
    int w = 9, d = 2;
    cls = gettoken(token, in, 0, tokenSize);
    if (!endclass(cls)) {
        if (cls != 'n') return refuse("\"field width\" must be a valid number.\n");
        w = std::atoi(token);
        cls = gettoken(token, in, 0, tokenSize);
        if (!endclass(cls)) {
            if (cls != 'n') return refuse("\"decimal places\" must be a valid number.\n");
            d = std::atoi(token);
            cls = gettoken(token, in, 0, tokenSize);
            if (!endclass(cls)) skipline(in);
        }
    }
    if (w < 0 || w > 15) {
        printout("Error:  Illegal width (%d) in vp command.\r\n", w);
        return -1;
    }
    if (d < 0 || d > 7) {
        printout("Error:  Illegal decimal specification (%d) in vp command.\r\n", d);
        return -1;
    }
    // The line and the period are checked against the element and the bank before printing.
    int yearPeriod = 0;
    const int lineNumber = static_cast<int>(line);
    if ((view == 'r' && (lineNumber < 1 || lineNumber > bank->rowsOf(i))) ||
        (view == 'c' && (lineNumber < 1 || lineNumber > bank->columnsOf(i)))) {
        printout("\nError:  in vp command, %s %d is outside %s.\n", view == 'r' ? "row" : "column",
                 lineNumber, name.c_str());
        return -1;
    }
    if (view == 'y' && !bankperiod(*bank, line, yearPeriod)) {
        printout("\nError:  in vp command, the period %g is outside the bank.\n", static_cast<double>(line));
        return -1;
    }
    int k1 = 0, k2 = -1;
    if (view != 'y' && !rangeperiods(*bank, k1, k2)) {
        printout("\nError:  in vp command, the fdates lie outside the bank.\n");
        return -1;
    }
    if (bank->loadcmd(name.c_str(), view, line) != 0) {
        printout("\nError:  in vp command.\n");
        return -1;
    }
    char valueFormat[32], headFormat[32];
    std::snprintf(valueFormat, sizeof valueFormat, "%%%d.%df ", w, d);
    std::snprintf(headFormat, sizeof headFormat, "%%%dd ", w);
    const double p1 = (bank->firstJexDate() + k1).toFloat();
    const double p2 = (bank->firstJexDate() + k2).toFloat();
    vpout("\n%s\n", name.c_str());
    if (view == 'c' || view == 'r') {
        vpout(view == 'c' ? "Column %d\n" : "Row %d\n", lineNumber);
        vpout("Periods %4f to %4f\n", p1, p2);
    } else if (view == 'y') {
        vpout("Period:  %4f\nRows %d to %d\n", static_cast<double>(line), 1, bank->rowsOf(i));
        vpout("Columns %d to %d\n", 1, bank->columnsOf(i));
    } else {
        vpout("Periods %f to %f\n", p1, p2);
    }
    const int columns = bank->loadedCount();
    vpout(headFormat, 0);
    for (int c = 1; c <= columns; ++c) vpout(headFormat, c);
    vpout("\n");
    const int first = view == 'y' ? 0 : k1;
    const int last = view == 'y' ? bank->loadedRows() - 1 : k2;
    for (int k = first; k <= last; ++k) {
        const float* row = bank->loadedRow(k);
        if (!row) {
            printout("\nError:  in vp command.\n");
            return -1;
        }
        const JexDate date = bank->firstJexDate() + k;
        if (view == 'y') {
            vpout(headFormat, k + 1);
        } else if (matrix) {
            vpout(headFormat, static_cast<int>(date.toFloat()));
        } else {
            char text[32];
            vpout("%s ", date.print(text, sizeof text, '4'));
        }
        for (int c = 0; c < columns; ++c) vpout(valueFormat, static_cast<double>(row[c]));
        vpout("\n");
    }
    return 0;
}

namespace {

void mcopyusage() {
    printout("Usage 1: mcopy <destination matrix> = <source matrix>  [yr]\r\n");
    printout("where <destination matrix> and <source matrix> are matrix names for the copy, and\r\n");
    printout("yr is the year for copy. Default copy range is specified by fdates.\r\n");
    printout("\r\nUsage 2: mcopy <destination vector> <source vector>  [yr]\r\n");
    printout("where <destination vector> and <source vector> are vector names for the copy, and\r\n");
    printout("yr is the year for copy. Default copy range is specified by fdates.\r\n");
}

// The Vam bank of a name with an optional letter (default: the default Vam bank); null
// when the letter is outside a to z or the slot holds no Vam bank.
VamFile* mcopybank(const char* written, std::string& name) {
    int slot = defaultVamBank;
    name = written;
    if (written[0] && written[1] == '.') {
        slot = written[0] >= 'a' && written[0] <= 'z' ? written[0] - 'a' : -1;
        name = written + 2;
    }
    if (slot < 0 || slot >= bankSlotCount || !bankSlots[slot] || bankTypes[slot] != 'v') return nullptr;
    return dynamic_cast<VamFile*>(bankSlots[slot]);
}

}  // namespace

int mcopycmd(std::FILE* in) {
    char dest[tokenSize], source[tokenSize], token[tokenSize];
    int cls = gettoken(dest, in, 0, tokenSize);
    if (cls != 'a' || (cls = gettoken(token, in, 0, tokenSize)) != '=' ||
        (cls = gettoken(source, in, 0, tokenSize)) != 'a') {
        if (!endclass(cls)) skipline(in);
        mcopyusage();
        return -1;
    }
    float year = 0;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        year = static_cast<float>(std::atof(token));
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (!endclass(cls)) skipline(in);
    std::string dname, sname;
    VamFile* db = mcopybank(dest, dname);
    VamFile* sb = mcopybank(source, sname);
    if (!db || !sb) {
        printout("\nError:  in mcopy, bank is not open.\n");
        return -1;
    }
    const int si = sb->findser(sname.c_str());
    if (si < 0) {
        printout("\r\nNo such matrix or vector as %s\r\n", source);
        return -1;
    }
    auto dense = [](char t) { return t == 'm' || t == 'v' || t == 'l'; };
    if (!dense(sb->typeOf(si))) {
        printout("\r\nmcopy works only on standard, non-packed matrices and vectors.\r\n");
        return -1;
    }
    const int di = db->findser(dname.c_str());
    if (di < 0) {
        printout("\r\nNo such vector or matrix as %s\r\n", dest);
        return -1;
    }
    if (!dense(db->typeOf(di))) {
        printout("\r\nmcopy works only on standard, non-packed matrices and vectors.\r\n");
        return -1;
    }
    JexDate first = year != 0 ? JexDate(year) : fdate1Date;
    JexDate last = year != 0 ? JexDate(year) : fdate2Date;
    const int frequency = db->firstJexDate().frequency;
    if (first.frequency == 0) first = db->firstJexDate();
    if (last.frequency == 0) last = db->lastJexDate();
    if (sb->firstJexDate().frequency != frequency || first.frequency != frequency ||
        last.frequency != frequency) {
        printout("\r\nError: in mcopy, frequency of source bank does not match frequency of "
                 "destination bank.\r\n");
        return -1;
    }
    for (const VamFile* b : {db, sb}) {
        if ((first < b->firstJexDate()) != 0) first = b->firstJexDate();
        if ((last > b->lastJexDate()) != 0) last = b->lastJexDate();
    }
    const int periods = last - first + 1;
    if (db->typeOf(di) == 'm') {
        for (int p = 0; p < periods; ++p) {
            const float date = (first + p).toFloat();
            if (sb->loadcmd(sname.c_str(), 'y', date) != 0) {
                printout("\r\nLoad of source failed in mcopy.\r\n");
                mcopyusage();
                return -1;
            }
            const int R = sb->loadedRows(), C = sb->loadedCount();
            std::vector<float> work;
            for (int r = 0; r < R; ++r) work.insert(work.end(), sb->loadedRow(r), sb->loadedRow(r) + C);
            if (db->loadcmd(dname.c_str(), 'y', date) != 0) {
                printout("\r\nLoad of destination failed in mcopy.\r\n");
                mcopyusage();
                return -1;
            }
            const int rows = std::min(R, db->loadedRows()), cols = std::min(C, db->loadedCount());
            for (int r = 0; r < rows; ++r)
                std::copy(work.begin() + static_cast<long>(r) * C, work.begin() + static_cast<long>(r) * C + cols,
                          db->loadedRow(r));
            db->setModified();
            if (db->storecmd() != 0) return -1;
        }
    } else if (periods > 0) {
        if (sb->loadcmd(sname.c_str(), 'x', 0) != 0) {
            printout("\r\nLoad of source failed in mcopy.\r\n");
            mcopyusage();
            return -1;
        }
        const int m = sb->loadedCount();
        const int so = first - sb->firstJexDate();
        std::vector<float> work;
        for (int p = 0; p < periods; ++p)
            work.insert(work.end(), sb->loadedRow(so + p), sb->loadedRow(so + p) + m);
        if (db->loadcmd(dname.c_str(), 'x', 0) != 0) {
            printout("\r\nLoad of destination failed in mcopy.\r\n");
            mcopyusage();
            return -1;
        }
        const int n = std::min(m, db->loadedCount());
        const int to = first - db->firstJexDate();
        for (int p = 0; p < periods; ++p)
            std::copy(work.begin() + static_cast<long>(p) * m, work.begin() + static_cast<long>(p) * m + n,
                      db->loadedRow(to + p));
        db->setModified();
        if (db->storecmd() != 0) return -1;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    return 0;
}

int lvcmd(std::FILE* in, int five) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    bool ascending = false, descending = false;
    if (cls == -1 || cls == 27 || cls == 18) return cls;
    if (cls == '-' || (cls == 'a' && token[0] == '-')) {
        std::string options = token;
        if (cls == '-') {
            cls = gettoken(token, in, 0, tokenSize);
            options = token;
        }
        for (char c : options) {
            if (c == 's' || c == 'S') ascending = true;
            if (c == 'r' || c == 'R') descending = true;
        }
        cls = gettoken(token, in, 0, tokenSize);
    }
    int slot = defaultVamBank;
    if (cls == 'a') {
        const char letter = token[0];
        if (letter < 'a' || letter > 'z') {
            printout("Error:  Bank designation out of range in lv. Use a through v. \n");
            skipline(in);
            return -1;
        }
        slot = letter - 'a';
        if (!bankSlots[slot]) {
            printout("Error:  In lv, bank %c not assigned.\n", letter);
            skipline(in);
            return -1;
        }
        cls = gettoken(token, in, 0, tokenSize);
    } else if (!endclass(cls)) {
        printout("Error:  in lv, trouble reading optional bank letter.\n");
        skipline(in);
        return -1;
    } else if (slot < 0 || slot >= bankSlotCount || !bankSlots[slot]) {
        printout("Error:  To use lv, either declare a default vam bank first,\n");
        printout("or provide the letter for an open vam bank.\n");
        return -1;
    }
    VamFile* bank = bankTypes[slot] == 'v' ? dynamic_cast<VamFile*>(bankSlots[slot]) : nullptr;
    if (!bank) {
        printout("Error:  The lv command can be used only with Vam banks.\n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    std::string pattern;
    while (!endclass(cls)) {
        pattern += token;
        cls = gettoken(token, in, 0, tokenSize);
    }
    const bool toSave = saveOn == 'y' && saveFile;
    auto out = [&](const char* text) {
        if (toSave) std::fputs(text, saveFile);
        else printout("%s", text);
    };
    if (toSave)
        std::fprintf(saveFile, "\n\n# Vector and matrix names list for assigned bank %c:  %s\n\n",
                     'a' + slot, bank->dataPath());
    std::vector<std::string> names;
    for (int i = 0; i < bank->elementCount(); ++i)
        if (pattern.empty() || wildmatch(bank->nameOf(i), pattern.c_str()) == 1) names.emplace_back(bank->nameOf(i));
    if (descending) std::sort(names.begin(), names.end(), std::greater<>());
    else if (ascending) std::sort(names.begin(), names.end());
    const int perLine = five ? 5 : 1;
    char text[128];
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::snprintf(text, sizeof text, "%-15s", names[k].c_str());
        out(text);
        if ((k + 1) % perLine == 0) out("\n");
    }
    out(ascending || descending ? "\r\n" : "\n");
    return 0;
}

namespace {

const char* const commandList[] = {
    "add(ad)", "addprint(addp)", "addtype(addt)", "annline(annl)", "annsave(anns)", "anntext(annt)",
    "autoprint(autop)", "bank(ba)", "bj", "catch", "cbk(cb)", "clear(cl)", "coef", "color", "con",
    "commands(com)", "ctrl(ct)", "data", "del", "diagextract(diage)", "diaginsert(diagi)", "do", "dos",
    "ed", "f", "fadd", "fdates(fd)", "flow", "format(form)", "fvread(fv)", "gdates(gd)", "getsum",
    "(gid)make", "glist(gl)", "graph(gr)", "gtf", "gti", "group(gro)", "hbk(hb)", "help", "hl",
    "hrange(hr)", "index(in)", "legend(le)", "lgraph(lg)", "limits", "line(lin)", "listgroups(listg)",
    "lint(li)", "linv", "listnames(lis)", "listvecs(lv)", "load(lo)", "look(loo)", "lplot(lp)", "ls",
    "madd", "matdata(matd)", "matin", "matin5", "matpr(matp)", "matty(matt)", "matupdate(matu)",
    "mcopy", "minv", "mem", "mgraph(mg)", "mmult", "mode(mo)", "mplot(mp)", "mtrans", "pause(pa)",
    "pmatin", "pmfile", "printer", "pmpunch", "punchvec(pv)", "quit", "r", "ras", "rdras",
    "rename(ren)", "rowscale(rows)", "save", "sg", "sgraph(sgr)", "show(sh)", "sma", "store(sto)",
    "subtitle(subt)", "tcolor(tc)", "tdates(td)", "time", "type(ty)", "update(up)", "vaxlab(vaxl)",
    "vaxtitle(vaxt)", "vc", "vdata(vd)", "vf", "vp", "vmake(vmak)", "vmatdat(vmatd)", "vrange(vr)",
    "vtitle(vt)", "vupdate(vu)", "wrindex(wri)", "wsbank(wsb)", "zap", "zip", "",
};

}  // namespace

int commandscmd(DataBank*, std::FILE*) {
    int n = 0;
    for (const char* entry : commandList) {
        if (++n == 96) {
            printout("\r");
            printout("=== more ====");
            if (waitkey() == 27) return 0;
            platform::current().clearResults();
        }
        printout("%-19s", entry);
        if (n % 4 == 0) printout("\r\n");
    }
    printout("\r\n");
    return 0;
}

std::size_t commandlistsize() { return sizeof commandList / sizeof commandList[0]; }
