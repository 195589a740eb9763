#include "matrix/rearrange.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/printout.h"
#include "interp/reader.h"
#include "matrix/frame.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

// The diagonal of each period of a packed file to or from the loaded vector.
struct DiagonalVisit : PackedVisit {
    VamFile* bank;
    bool insert;
    PackedCells& cells;
    DiagonalVisit(VamFile* b, bool i, PackedCells& c) : bank(b), insert(i), cells(c) {}
    bool period(int pos, const JexDate&, std::vector<float>& values, bool& write) override {
        float* v = bank->loadedRow(pos);
        const int n = bank->loadedCount();
        const int base = insert ? cells.firstColumn : cells.firstRow;
        for (int b = 0; b < cells.rows && b < n; ++b) {
            int at = -1;
            for (int c = cells.rowStart[b]; c < cells.rowStart[b + 1]; ++c)
                if (cells.column[c] == base + b) at = c;
            if (insert) {
                if (at >= 0) values[static_cast<std::size_t>(at)] = v[b];
            } else {
                v[b] = at >= 0 ? values[static_cast<std::size_t>(at)] : 0.0f;
            }
        }
        write = insert;
        return true;
    }
};

int packeddiagonal(VamFile* bank, int matrix, bool insert) {
    PackedCells cells;
    DiagonalVisit visit(bank, insert, cells);
    const int status = packedpass(bank, matrix, fdaterange(), "Cannot open %s\r\n", cells, visit);
    if (status != 0 || insert) {
        bank->releaseLoaded();  // a failed extraction leaves the vector as it was
        return status;
    }
    bank->setModified();
    return bank->storecmd() == 0 ? 0 : -1;
}

// diagextract and diaginsert: the names, the checks, the vector loaded whole, then the
// diagonal moved in one direction.
int diagonal(DataBank* db, std::FILE* in, bool insert) {
    VamFile* bank = vamof(db);
    const char* usage = insert ? "Usage: diaginsert <matrix_name> <vector_name>\r\n"
                               : "Usage: diagextract <matrix_name> <vector_name>\r\n";
    char mname[tokenSize], vname[tokenSize];
    int cls = gettoken(mname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        printout("%s", usage);
        droprest(in, cls);
        return -1;
    }
    Operand m, v;
    if (insert) {
        cls = gettoken(vname, in, 0, tokenSize);
        if (cls != 'a') {
            printout("%s", usage);
            droprest(in, cls);
            return -1;
        }
        droprest(in, cls);
        if (!lookup(bank, mname, false, m) || !lookup(bank, vname, false, v)) return -1;
        if (m.rows != m.cols) {
            printout("%s is not a square matrix\r\n", mname);
            return -1;
        }
    } else {
        if (!lookup(bank, mname, false, m)) {
            droprest(in, cls);
            return -1;
        }
        if (m.rows != m.cols) {
            droprest(in, cls);
            printout("%s is not a square matrix\r\n", mname);
            return -1;
        }
        cls = gettoken(vname, in, 0, tokenSize);
        droprest(in, cls);
        if (cls != 'a') {
            printout("%s", usage);
            return -1;
        }
        if (!lookup(bank, vname, false, v)) return -1;
    }
    if (!m.matrix() || !v.vector()) return -1;
    if (v.rows * v.cols < m.rows) {
        printout("Vector is not large enough to store the data\r\n");
        return -1;
    }
    if (bank->loadcmd(v.name.c_str(), 'x', 0) != 0) {
        printout(insert ? "Cannot load vector %s\r\n" : "Can not load vector %s\r\n", vname);
        return -1;
    }
    if (m.type == 'p') return packeddiagonal(bank, m.index, insert);
    Range r = fdaterange();
    clip(r, *bank);
    if (!r.empty()) {
        for (JexDate d = r.first; d <= r.last; d = d + 1) {
            const int k = position(*bank, d);
            float* row = bank->loadedRow(k);
            for (int i = 0; i < m.rows; ++i) {
                const long long at = bank->elementPos(m.index, k) + 4LL * (static_cast<long long>(i) * m.cols + i);
                const bool ok = insert ? writefloatsat(bank->file(), at, row + i, 1)
                                       : readfloatsat(bank->file(), at, row + i, 1);
                if (!ok) {
                    printout("Error:  problem %s matrix data\n", insert ? "writing" : "reading");
                    bank->releaseLoaded();
                    return -1;
                }
            }
        }
    }
    if (insert) {
        bank->releaseLoaded();
        return 0;
    }
    bank->setModified();
    return bank->storecmd() == 0 ? 0 : -1;
}

}  // namespace

int pmextract(VamFile* bank, int matrix) { return packeddiagonal(bank, matrix, false); }
int pminsertcmd(VamFile* bank, int matrix) { return packeddiagonal(bank, matrix, true); }

int extractcmd(DataBank* bank, std::FILE* in) { return diagonal(bank, in, false); }
int insertcmd(DataBank* bank, std::FILE* in) { return diagonal(bank, in, true); }

int rowscalecmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char mname[tokenSize], vname[tokenSize], token[tokenSize];
    int cls = gettoken(mname, in, 0, tokenSize);
    if (cls == 'a') cls = gettoken(vname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        printout("Usage: rowscale <matrix> <rowvec> [y|n]\r\n");
        printout("where matrix is the name of a matrix whose rows are to be scaled\r\n");
        printout("      rowvec is the name of the vector to scale the matrix\r\n");
        printout("      y|n specifies wether or not to skip the diagonals with n as default.\r\n");
        droprest(in, cls);
        return -1;
    }
    cls = gettoken(token, in, 0, tokenSize);
    const bool skip = cls == 'a' && token[0] == 'y';
    droprest(in, cls);
    Operand m, v;
    if (!matrixandvector(bank, mname, vname, "", m, v)) return -1;
    if (v.rows * v.cols != m.rows) {
        printout("Number of rows does not equal\n");
        return -1;
    }
    if (m.type == 'p') {
        printout("rowscale does not work for packed matrices.\n");
        pausebox("Warning in rowscale!", "");
        return -1;
    }
    std::vector<float> scale;
    int count = 0;
    if (!takevector(bank, v.name.c_str(), scale, count, " in rowscale")) return -1;
    Range r = fdaterange();
    clip(r, *bank);
    const int status = eachperiod(r, m, " in rowscale", nullptr, [&](float* a, const JexDate& d) {
        const float* s = scale.data() + static_cast<std::size_t>(position(*bank, d)) * count;
        for (int i = 0; i < m.rows; ++i)
            for (int j = 0; j < m.cols; ++j)
                if (!(skip && i == j)) a[static_cast<std::size_t>(i) * m.cols + j] *= s[i];
        return true;
    });
    if (status != 0) return -1;
    printout("\n");
    return 0;
}

namespace {

// The checks of move on the numbers against the matrix; false after their lines.
bool movechecks(char dir, int first, int last, int newfirst, int nrows, int ncols) {
    const int t = last - first;
    const bool rows = dir == 'u' || dir == 'd';
    const int n = rows ? nrows : ncols;
    const char* what = rows ? "nrows" : "ncols";
    bool ok = true;
    if (dir == 'u' || dir == 'l') {
        if (first < 2 || last < first) {
            printout("First (%d) must be greater than one and\n", first);
            printout("   less than or equal to last (%d)\n", last);
            ok = false;
        }
        if (last > n) {
            printout("Last (%d) must be less than or equal to %s (%d)\n", last, what, n);
            ok = false;
        }
        if (newfirst < 1 || newfirst >= first) {
            printout("Newfirst (%d) must be greater than zero\n", newfirst);
            printout("   and less than first (%d)\n", first);
            ok = false;
        }
    } else {
        if (first < 1 || last < first) {
            printout("First (%d) must be greater than zero and\n", first);
            printout("   less than last (%d)\n", last);
            ok = false;
        }
        if (last >= n) {
            printout("Last (%d) must be less than %s (%d)\n", last, what, n);
            ok = false;
        }
        if (first >= newfirst || newfirst + t > n) {
            printout("Newfirst (%d) must be greater than first (%d) and\n", newfirst, first);
            printout(rows ? "   there must be %d rows below newfirst\n"
                          : "   there must be %d columns to the right of newfirst\n",
                     t);
            ok = false;
        }
    }
    return ok;
}

// Moves the block in one period's table.
void moveblock(float* a, int nrows, int ncols, char dir, int first, int last, int newfirst) {
    const int t = last - first;
    const bool rows = dir == 'u' || dir == 'd';
    const bool upwards = dir == 'u' || dir == 'l';
    auto cell = [&](int line, int across) -> float& {
        return rows ? a[static_cast<std::size_t>(line - 1) * ncols + across]
                    : a[static_cast<std::size_t>(across) * ncols + line - 1];
    };
    const int across = rows ? ncols : nrows;
    for (int x = 0; x < across; ++x) {
        for (int s = 0; s <= t; ++s) {
            const int k = upwards ? s : t - s;
            const float v = cell(first + k, x);
            cell(first + k, x) = 0.0f;
            cell(newfirst + k, x) = v;
        }
    }
}

}  // namespace

int movecmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    const char* usage = "move <matrix> <up|down|left|right> <first> <last> <newfirst> [yr]\n";
    char mname[tokenSize], dir[tokenSize], token[tokenSize];
    int cls = gettoken(mname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        printout("Syntax Error 1\n");
        printout("%s", usage);
        droprest(in, cls);
        return -1;
    }
    Operand m;
    if (!lookup(bank, mname, false, m) || m.type != 'm') {
        droprest(in, cls);
        if (m.type == 'p')
            printout("Does not accept packed matrixes\n");
        else
            printout("No such matrix as %s.\n", mname);
        return -1;
    }
    cls = gettoken(dir, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Syntax Error 2\n");
        printout("%s", usage);
        droprest(in, cls);
        return -1;
    }
    if (std::strcmp(dir, "up") != 0 && std::strcmp(dir, "down") != 0 &&
        std::strcmp(dir, "left") != 0 && std::strcmp(dir, "right") != 0) {
        printout("Direction must be up, down, left, or right\n");
        droprest(in, cls);
        return -1;
    }
    int numbers[3];
    for (int& n : numbers) {
        cls = gettoken(token, in, 0, tokenSize);
        const double value = cls == 'n' ? std::atof(token) : 0.5;
        if (cls != 'n' || value != std::floor(value) || std::fabs(value) > 32767) {
            printout("%s", usage);
            droprest(in, cls);
            return -1;
        }
        n = static_cast<int>(value);
    }
    Range r = fdaterange();
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        const JexDate d(static_cast<float>(std::atof(token)));
        if (r.empty() || d.frequency != r.first.frequency || d < r.first || d > r.last) {
            printout("The period specified must be between the current fdates\n");
            droprest(in, cls);
            return -1;
        }
        r.first = r.last = d;
    }
    droprest(in, cls);
    clip(r, *bank);
    const char d0 = dir[0];
    bool checked = false;
    if (!r.empty()) {
        for (JexDate d = r.first; d <= r.last; d = d + 1) {
            float* a = loadperiod(m, d, " in move");
            if (!a) return -1;
            if (!checked) {
                if (!movechecks(d0, numbers[0], numbers[1], numbers[2], m.rows, m.cols)) {
                    drop(bank);
                    return -1;
                }
                checked = true;
            }
            moveblock(a, m.rows, m.cols, d0, numbers[0], numbers[1], numbers[2]);
            if (storeperiod(m) != 0) return -1;
        }
    }
    printout("OK\n");
    return 0;
}
