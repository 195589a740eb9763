#include "matrix/iocoef.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "core/printout.h"
#include "interp/reader.h"
#include "matrix/frame.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

void coefusage(const char* word) {
    printout("Usage: %s <matrix> <coltots> [yr]\r\n", word);
    printout("where matrix is the name of a matrix\r\n");
    printout("      coltots is the name of the vector of column totals\r\n");
    printout("      yr is the year for balancing. Default as specified in fdate\r\n");
}

// coef's quotient of a flow by its total, kept within float range.
float coefficient(float flow, float total) {
    double a;
    if (std::fabs(total) > 1e-7)
        a = static_cast<double>(flow) / total;
    else
        a = (total > 0 && flow > 0) ? FLT_MAX : 0.0;
    if (std::fabs(a) > FLT_MAX) return a < 0 ? -FLT_MAX : FLT_MAX;
    if (std::fabs(a) < 1e-37) return 0.0f;
    return static_cast<float>(a);
}

// The totals of one period read from the Vam file and applied to every stored cell.
struct TotalsVisit : PackedVisit {
    VamFile* bank;
    int totals;
    char option;  // 'c', 'r', or 'f' (flow: multiply by column totals)
    PackedCells& cells;
    const char* seekText;
    const char* periodText;
    TotalsVisit(VamFile* b, int t, char o, PackedCells& c, const char* s, const char* p)
        : bank(b), totals(t), option(o), cells(c), seekText(s), periodText(p) {}
    bool period(int pos, const JexDate& d, std::vector<float>& values, bool& write) override {
        char date[JexDate::textSize];
        printout(periodText, d.print(date));
        const int n = bank->rowsOf(totals) * bank->columnsOf(totals);
        std::vector<float> tot(static_cast<std::size_t>(n) + 1, 0.0f);
        if (!readfloatsat(bank->file(), bank->elementPos(totals, pos), tot.data(), n)) {
            printout("%s", seekText);
            return false;
        }
        for (int b = 0; b < cells.rows; ++b) {
            for (int c = cells.rowStart[b]; c < cells.rowStart[b + 1]; ++c) {
                const int at = option == 'r' ? b : cells.column[c] - cells.firstColumn;
                const float T = at >= 0 && at < n ? tot[at] : 0.0f;
                float& v = values[static_cast<std::size_t>(c)];
                if (option == 'f') {
                    if (std::fabs(T) > 0) v *= T;
                } else if (std::fabs(T) > 1e-7) {
                    v = static_cast<float>(static_cast<double>(v) / T);
                }
            }
        }
        write = true;
        return true;
    }
};

int packedtotals(VamFile* bank, int matrix, const char* totals, float date, char option,
                 const char* seekText, const char* periodText) {
    const int t = bank->findser(totals);
    if (t < 0) return -1;
    PackedCells cells;
    TotalsVisit visit(bank, t, option, cells, seekText, periodText);
    return packedpass(bank, matrix, rangefor(date), "Can not find packed matrix %s\r\n", cells,
                      visit);
}

}  // namespace

int pmcoef(VamFile* bank, int matrix, const char* totals, float date, char option) {
    return packedtotals(bank, matrix, totals, date, option == 'r' ? 'r' : 'c',
                        "Fseek failed in load coltots\r\n", "Processing Period %s\n");
}

int pmdecoef(VamFile* bank, int matrix, const char* totals, float date) {
    return packedtotals(bank, matrix, totals, date, 'f', "Fseek failed in load coltots.\n",
                        "Processing Year %s\n");
}

int coefcmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char token[tokenSize], mname[tokenSize], tname[tokenSize];
    char option = 'c';
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == '-') {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'a') {
            if (token[0] != 'r' && token[0] != 'c') {
                printout("Error:  in coef, the option must be -c or -r, not -%s.\n", token);
                droprest(in, cls);
                printout("\n");
                return -1;
            }
            option = token[0];
        } else {
            ungettoken();
        }
    } else {
        ungettoken();
    }
    cls = gettoken(mname, in, 0, tokenSize);
    if (cls == 'a') cls = gettoken(tname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        coefusage("coef");
        droprest(in, cls);
        return -1;
    }
    cls = gettoken(token, in, 0, tokenSize);
    float year = 0;
    if (cls == 'n') {
        year = static_cast<float>(std::atof(token));
    } else if (cls != 'f' && cls != 'e' && cls != -1) {
        printout("Error:  in coef, error reading date or end of line.\n");
        droprest(in, cls);
        printout("\n");
        return -1;
    }
    droprest(in, cls);
    Operand m, t;
    int status = -1;
    if (!matrixandvector(bank, mname, tname, "\n", m, t)) {
        // refused with its message; the closing line follows
    } else if (t.rows * t.cols != (option == 'c' ? m.cols : m.rows)) {
        printout("Number of matrix %s does not equal vector length.\n",
                 option == 'c' ? "columns" : "rows");
    } else if (m.type == 'p') {
        status = pmcoef(bank, m.index, t.name.c_str(), year, option);
    } else {
        Range r = rangefor(year);
        clip(r, *bank);
        std::vector<float> tot;
        int count = 0;
        if (takevector(bank, t.name.c_str(), tot, count, " in coef"))
            status = eachperiod(r, m, " in coef", nullptr, [&](float* a, const JexDate& d) {
                const float* T = tot.data() + static_cast<std::size_t>(position(*bank, d)) * count;
                for (int i = 0; i < m.rows; ++i)
                    for (int j = 0; j < m.cols; ++j) {
                        float& cell = a[static_cast<std::size_t>(i) * m.cols + j];
                        cell = coefficient(cell, T[option == 'c' ? j : i]);
                    }
                return true;
            });
    }
    printout("\n");
    return status;
}

int flowcmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char mname[tokenSize], tname[tokenSize];
    int cls = gettoken(mname, in, 0, tokenSize);
    if (cls == 'a') cls = gettoken(tname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        coefusage("flow");
        droprest(in, cls);
        return -1;
    }
    const float year = readyear(in, cls);
    droprest(in, cls);
    Operand m, t;
    if (!matrixandvector(bank, mname, tname, "", m, t)) return -1;
    if (t.rows * t.cols != m.cols) {
        printout("Number of columns does not equal\n");
        return -1;
    }
    if (m.type == 'p') return pmdecoef(bank, m.index, t.name.c_str(), year);
    Range r = rangefor(year);
    clip(r, *bank);
    std::vector<float> tot;
    int count = 0;
    if (!takevector(bank, t.name.c_str(), tot, count, " in flow")) return -1;
    if (r.empty()) return 0;
    // Row by row over all periods: one load and one store per row.
    for (int i = 1; i <= m.rows; ++i) {
        if (bank->loadcmd(m.name.c_str(), 'r', static_cast<float>(i)) != 0) {
            loadfailurebox(" in flow");
            return -1;
        }
        for (JexDate d = r.first; d <= r.last; d = d + 1) {
            const int k = position(*bank, d);
            float* row = bank->loadedRow(k);
            const float* T = tot.data() + static_cast<std::size_t>(k) * count;
            for (int j = 0; j < m.cols; ++j)
                if (std::fabs(T[j]) > 0) row[j] *= T[j];
        }
        if (storeperiod(m) != 0) return -1;
    }
    return 0;
}
