#include "matrix/getsum.h"

#include <cstdint>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/matrix.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/frame.h"
#include "platform/platform.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "vam/element_access.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

int getsumusage(std::FILE* in, int cls) {
    droprest(in, cls);
    printout("\r\nFormat for getsum: getsum <vector_from> <r|c> [(group)] <vector_to>");
    printout("\r\nWhere: <vector_from> -> name of vector or matrix you want to sum up");
    printout("\r\n       <r|c> [(group)] : if you wish to get the sum by rows or columns");
    printout("\r\n       <vector_to> -> name of vector where the results will be stored\r\n");
    return -1;
}

// The sums of one period into `sums`; false after a message.
bool periodsums(VamFile* src, const Operand& s, const char* file, const JexDate& d, bool byRows,
                const Vector<int>* group, Matrix<float>& dense, Pmatrix& packed,
                Vector<float>& sums) {
    if (s.type == 'p') {
        if (packed.load(file, d.toFloat()) != 0) {
            printout("Error:  problem reading packed matrix data\n");
            return false;
        }
        sums = byRows ? (group ? packed.groupRowSum(*group) : packed.rowSum())
                      : (group ? packed.groupColumnSum(*group) : packed.columnSum());
    } else {
        if (readmatrix(dense, src, s.name.c_str(), d.toFloat()) != 0) {
            printout("Error:  problem reading matrix data\n");
            return false;
        }
        sums = byRows ? (group ? dense.rowsum(*group) : dense.rowsum())
                      : (group ? dense.colsum(*group) : dense.colsum());
    }
    return sums.count() > 0;
}

}  // namespace

int getsum(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    platform::clearFloatingPointStatus();  // only the sums' own faults count below
    char sname[tokenSize], dir[tokenSize], tname[tokenSize];
    int cls = gettoken(sname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        printout("\nError:  invalid matrix name in getsum.\n");
        return getsumusage(in, cls);
    }
    VamFile* src = bank;
    const char* name = sname;
    if (sname[1] == '.') {
        const char c = sname[0];
        if (c < 'a' || c > 'z') {
            printout("\nError:  invalid matrix name in getsum.\n");
            return getsumusage(in, cls);
        }
        src = vamof(bankSlots[c - 'a']);
        if (!src) {
            printout("Error:  No banks loaded in slot %c\r\n", c);
            return getsumusage(in, cls);
        }
        name = sname + 2;
    }
    Operand s;
    if (!lookup(src, name, false, s)) {
        printout("\nError:  in getsum, cannot find matrix %s.\n", name);
        return getsumusage(in, cls);
    }
    cls = gettoken(dir, in, 0, tokenSize);
    if (cls != 'a' || (dir[0] != 'r' && dir[0] != 'c')) {
        printout("\nError:  invalid [row|column] parameter in getsum.\n");
        printout("Second argument must be 'r' or 'c'\r\n");
        return getsumusage(in, cls);
    }
    const bool byRows = dir[0] == 'r';
    std::vector<std::int16_t> members;
    bool grouped = false;
    cls = gettoken(tname, in, 0, tokenSize);
    if (cls == '(') {
        char text[exprTextSize];
        char* cursor = text;
        const int count = parsegroup(in, cursor, members, groupLimit, sizeof text);
        // Every member must name a column (r) or a row (c) of the source.
        const int high = byRows ? s.cols : s.rows;
        bool ok = count > 0;
        for (std::int16_t g : members) ok = ok && g >= 1 && g <= high;
        if (!ok) {
            printout("Error:  in getsum group specification.\n");
            return getsumusage(in, 0);
        }
        grouped = true;
        cls = lineended() ? 'f' : gettoken(tname, in, 0, tokenSize);
        if (cls != 'a') {
            printout("Error:  in getsum vector specification.\n");
            return getsumusage(in, cls);
        }
    }
    droprest(in, cls);
    Operand t;
    if (!lookup(bank, tname, false, t)) {
        printout("\nError:  in getsum, cannot find vector %s.\n", tname);
        return getsumusage(in, 'f');
    }
    if (t.rows >= 2 && t.cols >= 2) {
        printout("\r\nDestination must be a vector, not a matrix\r\n");
        return getsumusage(in, 'f');
    }
    const int need = byRows ? s.rows : s.cols;
    if (t.rows < need && t.cols < need) {
        printout("\r\nTarget vector must be at least as big as source.\r\n");
        return getsumusage(in, 'f');
    }
    Vector<int> group;
    if (grouped) {
        group = Vector<int>(static_cast<int>(members.size()), 1);
        for (std::size_t k = 0; k < members.size(); ++k) group[static_cast<int>(k) + 1] = members[k];
    }
    Matrix<float> dense;
    Pmatrix packed;
    const char* file = s.type == 'p' ? src->packedFileName(src->lagsOf(s.index)) : nullptr;
    if (s.type == 'p')
        packed.declare(src, s.name.c_str(), file);
    else
        declarematrix(dense, src, s.name.c_str());
    const int length = t.cols >= t.rows ? t.cols : t.rows;
    std::vector<float> out(static_cast<std::size_t>(length), 0.0f);
    if (addPrint == 1) printout("\n");
    Range r = fdaterange();
    clip(r, *src);
    clip(r, *bank);
    int status = 0;
    if (!r.empty()) {
        Vector<float> sums;
        for (JexDate d = r.first; d <= r.last; d = d + 1) {
            if (addPrint == 1) {
                char date[JexDate::textSize];
                printout("Calculating %s.\n", d.print(date));
            }
            if (!periodsums(src, s, file, d, byRows, grouped ? &group : nullptr, dense, packed, sums)) {
                status = -1;
                break;
            }
            for (int k = 0; k < sums.count() && k < length; ++k) out[static_cast<std::size_t>(k)] = sums.data()[k];
            if (!writefloatsat(bank->file(), bank->elementPos(t.index, position(*bank, d)), out.data(), length)) {
                printout("Error:  cannot write vector %s\n", tname);
                status = -1;
                break;
            }
        }
    }
    if (status != 0) getsumusage(in, 'f');
    if (addPrint == 1) printout("\n");
    if (platform::floatingPointFault()) {
        platform::clearFloatingPointStatus();
        const auto answer = platform::current().messageBox("In getsum", "Error", platform::Buttons::OkCancel);
        if (status == 0 && answer == platform::Answer::Cancel) status = 27;
    }
    return status;
}
