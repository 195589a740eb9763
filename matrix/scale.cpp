#include "matrix/scale.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "banks/databank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/frame.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "series/pscale.h"
#include "series/rdscale.h"
#include "series/series_state.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

constexpr int controlLength = 1999;

int scaleusage(std::FILE* in, int cls) {
    static const char* const lines[] = {
        "Syntax error:\n",
        "  scale <control> <vectorname> [group] [year] [rdscale]\n",
        "or:\n",
        "  scale <control> <matrixname> <r rnum> [colgroup] [year] [rdscale]\n",
        "or:\n",
        "  scale <control> <matrixname> <c cnum> [rowgroup] [year] [rdscale]\n",
        "where:\n",
        "<control> is a series from any bank (a.ctrl), or from any vector (b.vec2),\n",
        "  or from any matrix (c.mat1.1) that contains to value to which the vector\n",
        "  is to be scaled.\n",
        "For a vector:\n",
        "<vectorname> is vector whose elements are to be scaled.\n",
        "Optionally,\n",
        "[group] specifies which elements of the vector are to be scaled.\n",
        "[year] specifies a single year for which the elements of the vector\n",
        "  are to be scaled.\n",
        "[rdscale] specifies that right direction scaling is to be used.\n",
        "For a matrix:\n",
        "<matrixname> is a matrix one of whose rows or columns is to be scaled.\n",
        "<r rnum> or <c cnum> specifies that a row or columns is to be scaled and\n",
        "  the number of the row or column.\n",
        "Optionally,\n",
        "[colgroup] or [rowgroup] specifies which elements of the column or row\n",
        "  are to be scaled.\n",
    };
    for (const char* line : lines) printout("%s", line);
    droprest(in, cls);
    return -1;
}

bool before(const JexDate& a, const JexDate& b) { return (a < b) == 1; }
bool after(const JexDate& a, const JexDate& b) { return (a > b) == 1; }

// The periods to scale: the year, or the f dates moved into the bank. False after the
// messages (the rest of the line dropped).
bool scaleperiods(const VamFile& bank, float year, std::FILE* in, int cls, Range& r) {
    const JexDate& start = bank.firstJexDate();
    const JexDate& end = bank.lastJexDate();
    if (year != 0) {
        const JexDate d(year);
        const int ws = d.wsIndex();
        if (d.frequency != start.frequency || before(d, start) || after(d, end) || ws < 0 ||
            ws >= controlLength) {
            printout("\r\nThe year specified must be between within the limits of the vam file\n");
            printout("and the fdates.\n");
            printout("Returning...\r\n");
            droprest(in, cls);
            return false;
        }
        r = Range{d, d};
        return true;
    }
    r = fdaterange();
    if (r.empty() || r.first.frequency != start.frequency) {
        r.first = JexDate();
        return true;  // no periods of the bank's frequency: nothing to do
    }
    if (before(r.first, start) && !before(r.last, start)) r.first = start;
    if (after(r.last, end)) r.last = end;
    if (before(r.first, start)) {
        printout("\r\nWarning:  In scale command.\r\n");
        printout("fdates must be set within the limits of the vam bank\n");
        printout("or a year must be given as an argument.\r\n");
        printout("Returning...\r\n");
        droprest(in, cls);
        return false;
    }
    // Every period needs its control value: one outside the workspace has none.
    if (!r.empty()) {
        const int a = r.first.wsIndex(), b = r.last.wsIndex();
        if (a < 0 || b >= controlLength || a >= wsMaxObs || b >= wsMaxObs) {
            char d1[JexDate::textSize], d2[JexDate::textSize];
            printout("\nError:  in scale, the periods %s to %s are not all within the "
                     "workspace,\nwhich holds the control values.\n",
                     r.first.print(d1), r.last.print(d2));
            droprest(in, cls);
            return false;
        }
    }
    return true;
}

}  // namespace

int scalecmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char token[tokenSize], cname[tokenSize], ename[tokenSize];
    int cls = gettoken(cname, in, 0, tokenSize);
    if (cls != 'a') return scaleusage(in, cls);

    std::vector<float> control;
    try {
        control.assign(controlLength, 0.0f);
    } catch (const std::bad_alloc&) {
        printout("Out of memory in scale\n");
        droprest(in, cls);
        return -1;
    }
    char text[exprTextSize];
    char* cursor = text;
    text[0] = '\0';
    if (fetchseries(cname, control.data(), cursor, in, 0) < 0) {
        printout("Cannot find %s from bank\n", cname);
        droprest(in, cls);
        return -1;
    }
    const int controlFrequency = lastSupplierBank ? lastSupplierBank->freq() : 0;

    cls = gettoken(ename, in, 0, tokenSize);
    if (cls != 'a') return scaleusage(in, cls);
    const char* name = ename;
    int slot = -1;
    if (ename[0] && ename[1] == '.') {
        slot = ename[0] - 'a';
        name = ename + 2;
        if (slot < 0 || slot >= 26 || !bankSlots[slot]) {
            printout("Error:  No banks loaded in slot %c\r\n", ename[0]);
            droprest(in, cls);
            return -1;
        }
        if (!bank || bankSlots[slot] != db) {
            printout("Error:  Vector or matrix to be scaled must be stored in the Default Vam "
                     "bank.\r\n");
            droprest(in, cls);
            return -1;
        }
    }
    Operand op;
    if (!bank || !lookup(bank, name, false, op)) {
        printout("Error:  in scale, no such vector as %s.\n", name);
        droprest(in, cls);
        return -1;
    }
    if (controlFrequency != bank->firstJexDate().frequency) {
        printout("\nError:  frequency of index is not equal to the frequency of the vector or "
                 "matrix.\n");
        droprest(in, cls);
        return -1;
    }

    char view = 'x';
    int line = 0, n = 0;
    if (op.type == 'm') {
        cls = gettoken(token, in, 0, tokenSize);
        const char side = cls == 'a' ? token[0] : 0;
        if (side != 'r' && side != 'R' && side != 'c' && side != 'C') return scaleusage(in, cls);
        view = (side == 'r' || side == 'R') ? 'r' : 'c';
        if (token[1]) {
            // "r2": the number written onto the letter
            char* end = nullptr;
            line = static_cast<int>(std::strtol(token + 1, &end, 10));
            if (*end) return scaleusage(in, cls);
        } else {
            cls = gettoken(token, in, 0, tokenSize);
            if (cls != 'n') return scaleusage(in, cls);
            line = std::atoi(token);
        }
        if (view == 'r') {
            if (line < 1 || line > op.rows) {
                printout("The rows selected (%d) must be less than or equal\n", line);
                printout("to the number of rows in the vector (%d)\n", op.rows);
                droprest(in, cls);
                return -1;
            }
            n = op.cols;
        } else {
            if (line < 1 || line > op.cols) {
                printout("The columns selected (%d) must be less than or equal\n", line);
                printout("to the number of columns in the vector (%d)\n", op.cols);
                droprest(in, cls);
                return -1;
            }
            n = op.rows;
        }
    } else if (op.type == 'p') {
        printout("Error:  scale currently cannot handle packed matrices like %s.\n", name);
        droprest(in, cls);
        return -1;
    } else if (op.type == 'v' || op.type == 'l') {
        n = op.rows * op.cols;
    } else {
        printout("Error:  in scale, no such vector as %s.\n", name);
        droprest(in, cls);
        return -1;
    }

    std::vector<std::int16_t> group;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == '(') {
        char gtext[exprTextSize];
        char* gcursor = gtext;
        const int count = parsegroup(in, gcursor, group, groupLimit, sizeof gtext);
        if (count > n) {
            printout("Error:  The number of elements selected (%d) cannot exceed\n", count);
            printout("the number of elements in the vector (%d)\n", n);
            droprest(in, 'f');
            return -1;
        }
        if (count <= 0) {
            printout("Error:  error int the specification of the group of elements to scale.\n");
            droprest(in, 'f');
            return -1;
        }
        cls = gettoken(token, in, 0, tokenSize);
    } else {
        for (int i = 1; i <= n; ++i) group.push_back(static_cast<std::int16_t>(i));
    }
    float year = 0;
    if (cls == 'n') {
        year = static_cast<float>(std::atof(token));
        cls = gettoken(token, in, 0, tokenSize);
    }
    Range range;
    if (!scaleperiods(*bank, year, in, cls, range)) return -1;
    bool rd = false;
    if (cls == 'a' && (token[0] == 'r' || token[0] == 'R')) {
        rd = true;
        printout("Right direction scaling\n");
    } else if (cls != 'f' && cls != 'e' && cls != -1) {
        ungettoken();
    }
    droprest(in, cls);

    const short count = static_cast<short>(group.size());
    std::vector<float> x(static_cast<std::size_t>(n) + 1, 0.0f);
    if (view == 'x' && bank->loadcmd(op.name.c_str(), 'x', 0) != 0) {
        loadfailurebox(" in scale");
        return -1;
    }
    // A vector run that ends early leaves the bank as it was: its loaded table is dropped.
    auto fail = [&] {
        bank->releaseLoaded();
        return -1;
    };
    if (range.empty()) {
        if (view == 'x') bank->releaseLoaded();
        return 0;
    }
    for (JexDate d = range.first; d <= range.last; d = d + 1) {
        const int pos = position(*bank, d);
        if (fpcheck(" in scale, top of loop.", pos + 1) != 0) return fail();
        if (view != 'x' && bank->loadcmd(op.name.c_str(), view, static_cast<float>(line)) != 0) {
            loadfailurebox(" in scale");
            return fail();
        }
        float* values = bank->loadedRow(pos);
        for (int i = 1; i <= n; ++i) x[static_cast<std::size_t>(i)] = values[i - 1];
        if (fpcheck(" in scale, before if(rd).", pos) != 0) return fail();
        const float T = control[static_cast<std::size_t>(d.wsIndex())];
        float factor = 0;
        const int code = rd ? rdscale(bank, x.data(), static_cast<short>(n), group.data(), count,
                                      T, &factor)
                            : pscale(x.data(), static_cast<short>(n), group.data(), count, T,
                                     &factor, 0);
        if (!rd && code == -1 && scalecancelled()) return fail();
        char date[JexDate::textSize];
        d.print(date, '4');
        if (addPrint == 1) {
            printout("For %s, ", date);
            if (code == 0)
                printout("the sum of the elements already equals the control\n");
            else if (code >= 20)
                printout("the proportional scaling factor is %7.4f\n", factor);
        }
        if (code == -1 || (code >= 21 && code != 30)) {
            if (addPrint == 0) printout("For %s, ", date);
            if (scalemessage(code) != 0 &&
                pausebox("OK to continue, Cancel to quit", "") == 27)
                return fail();
        }
        for (int i = 1; i <= n; ++i) values[i - 1] = x[static_cast<std::size_t>(i)];
        if (view != 'x') {
            bank->setModified();
            if (bank->storecmd() != 0) return fail();
        }
    }
    if (view == 'x') {
        bank->setModified();
        if (bank->storecmd() != 0) return fail();
    }
    return 0;
}
