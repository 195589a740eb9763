#include "matrix/frame.h"

#include <cstdlib>
#include <cstring>

#include "banks/slots.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "series/series_state.h"
#include "core/printout.h"
#include "interp/tokens.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

namespace mframe {

VamFile* vamof(DataBank* bank) { return dynamic_cast<VamFile*>(bank); }

void storefirst(VamFile* bank) {
    if (bank && bank->isLoaded()) bank->storecmd();
}

bool Range::empty() const {
    if (first.frequency == 0 || last.frequency == 0) return true;
    const int before = last < first;
    return before != 0;  // 1 earlier, -1 not comparable
}

Range fdaterange() { return Range{JexDate(fdate1), JexDate(fdate2)}; }

Range rangefor(float year) {
    if (year != 0) return Range{JexDate(year), JexDate(year)};
    return fdaterange();
}

void clip(Range& r, const VamFile& bank) {
    if (r.empty()) return;
    const JexDate& a = bank.firstJexDate();
    const JexDate& b = bank.lastJexDate();
    if (a.frequency != r.first.frequency || b.frequency != r.last.frequency) {
        r.first = JexDate();  // periods of another frequency: nothing to do
        return;
    }
    if (r.first < a) r.first = a;
    if (r.last > b) r.last = b;
}

bool lookup(VamFile* def, const char* typed, bool letters, Operand& out) {
    VamFile* bank = def;
    const char* name = typed;
    if (letters && typed[0] && typed[1] == '.') {
        const char c = typed[0];
        if (c < 'a' || c > 'z') return false;
        bank = vamof(bankSlots[c - 'a']);
        name = typed + 2;
    }
    if (!bank || !*name) return false;
    const int i = bank->findser(name);
    if (i < 0) return false;
    out.bank = bank;
    out.name = bank->nameOf(i);
    out.index = i;
    out.type = bank->typeOf(i);
    out.rows = bank->rowsOf(i);
    out.cols = bank->columnsOf(i);
    return true;
}

bool matrixandvector(VamFile* bank, const char* mname, const char* vname, const char* vectorEnd,
                     Operand& m, Operand& v) {
    if (!lookup(bank, vname, false, v) || !v.vector()) {
        printout("No such vector as %s%s", vname, vectorEnd);
        return false;
    }
    if (!lookup(bank, mname, false, m) || !m.matrix()) {
        printout("No such matrix as %s", mname);
        return false;
    }
    return true;
}

int position(const VamFile& bank, const JexDate& d) {
    int k = -1;
    return bank.periodOf(d, k) ? k : -1;
}

bool takevector(VamFile* bank, const char* name, std::vector<float>& table, int& count,
                const char* where) {
    if (bank->loadcmd(name, 'x', 0) != 0) {
        loadfailurebox(where);
        return false;
    }
    count = bank->loadedCount();
    const int rows = bank->loadedRows();
    const float* data = bank->loadedRow(0);
    table.assign(data, data + static_cast<std::size_t>(rows) * count);
    bank->releaseLoaded();
    return true;
}

float* loadperiod(const Operand& op, const JexDate& d, const char* where) {
    if (op.bank->loadcmd(op.name.c_str(), 'y', d.toFloat()) != 0) {
        loadfailurebox(where);
        return nullptr;
    }
    return op.bank->loadedRow(0);
}

int storeperiod(const Operand& op) {
    op.bank->setModified();
    if (op.bank->storecmd() != 0) {
        op.bank->releaseLoaded();
        return -1;
    }
    return 0;
}

void drop(VamFile* bank) {
    if (bank) bank->releaseLoaded();
}

std::vector<float> copyloaded(const Operand& op) {
    const float* t = op.bank->loadedRow(0);
    return std::vector<float>(t, t + static_cast<std::size_t>(op.rows) * op.cols);
}

float readyear(std::FILE* in, int& cls) {
    char token[tokenSize];
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') return static_cast<float>(std::atof(token));
    return 0;
}

bool lineended() { return lastChar == '\n' && ungotChar == 0 && !tokenPushedBack; }

void droprest(std::FILE* in, int cls) {
    if (cls == 'f' || cls == 'e' || cls == -1) return;
    if (lineended()) return;  // the next line is not ours
    skipline(in);
}

int packedpass(VamFile* bank, int element, Range range, const char* openFailText,
               PackedCells& cells, PackedVisit& visit) {
    const char* file = bank->packedFileName(bank->lagsOf(element));
    std::string path = bank->findFile(file);
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb+");
    if (!f) {
        printout(openFailText, path.empty() ? file : path.c_str());
        return -1;
    }
    PackedPattern p;
    if (!readpackedpattern(f, bank->rowsOf(element), bank->columnsOf(element),
                           bank->periodCount(), p)) {
        printout("Error:  %s is not a valid packed matrix file.\n", file);
        std::fclose(f);
        return -1;
    }
    cells.rows = p.header.rows;
    cells.cols = p.header.columns;
    cells.firstColumn = p.header.firstColumn;
    cells.firstRow = p.header.firstRow;
    cells.rowStart.assign(p.rowStarts.begin(), p.rowStarts.end());
    cells.column.assign(p.columns.begin(), p.columns.end());
    // The file's periods bound the range as well as the bank's.
    clip(range, *bank);
    if (!range.empty() && p.first.frequency == range.first.frequency) {
        if (range.first < p.first) range.first = p.first;
        if (range.last > p.last) range.last = p.last;
    } else {
        range.first = JexDate();
    }
    int status = 0;
    std::vector<float> values(static_cast<std::size_t>(p.header.cells));
    if (!range.empty()) {
        for (JexDate d = range.first; d <= range.last; d = d + 1) {
            const int k = d - p.first;
            const int pos = position(*bank, d);
            if (pos < 0 || !p.hasPeriod(k) ||
                !readfloatsat(f, p.valuesAt(k), values.data(), p.header.cells)) {
                printout("Error:  problem reading packed matrix data\n");
                status = -1;
                break;
            }
            bool write = false;
            if (!visit.period(pos, d, values, write)) {
                status = -1;
                break;
            }
            if (write && !writefloatsat(f, p.valuesAt(k), values.data(), p.header.cells)) {
                printout("Error:  cannot write packed matrix %s\n", file);
                status = -1;
                break;
            }
        }
    }
    std::fclose(f);
    return status;
}

}  // namespace mframe
