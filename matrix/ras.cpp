#include "matrix/ras.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/frame.h"
#include "matrix/pmras.h"
#include "platform/platform.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "series/pscale.h"
#include "series/rdscale.h"
#include "series/series_state.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

double columndiscrepancy(double c, double s) {
    const double absolute = std::fabs(std::fabs(c) - std::fabs(s));
    if (std::fabs(s) <= 1e-7) return absolute;
    return std::min(absolute, std::fabs(std::fabs(c / s) - 1));
}

namespace {

constexpr int groupMost = 500;

bool failed(int code) { return code == -1 || (code >= 21 && code != 30); }

// The scaling of one line (a column over the row group, a row over the column group).
int scaleline(int mode, VamFile* bank, double* x, int n, const std::vector<std::int16_t>& group,
              double target, double& factor) {
    factor = 0;
    if (mode == 1)
        return rdscalecore(bank, x, static_cast<short>(n), group.data(),
                           static_cast<int>(group.size()), target, &factor);
    return pscalesolve(x, static_cast<short>(n), group.data(), static_cast<short>(group.size()),
                       target, &factor, 0);
}

// The work of one balancing: the table, the groups, the fixed cells and the log.
struct RasRun {
    BalanceTable& t;
    const std::vector<std::int16_t>& rows;
    const std::vector<std::int16_t>& cols;
    int mode;
    VamFile* bank = nullptr;
    std::FILE* log = nullptr;
    std::vector<FixedCell> fixed;
    std::vector<double> work, sums;
    std::vector<char> member;  // member[m]: m is in the group across the lines of the pass
    int iter = 1;
    // the largest factors of the last passes and where they were
    double cmax = 0, rmax = 0;
    int ccol = 1, rrow = 1;
    // the largest discrepancy and its column, control and sum
    double disc = 0, discC = 0, discS = 0;
    int discCol = -1;

    RasRun(BalanceTable& table, const std::vector<std::int16_t>& r,
           const std::vector<std::int16_t>& c, int m)
        : t(table), rows(r), cols(c), mode(m) {}

    void logf(const char* format, int a, int b, double f) {
        if (log) std::fprintf(log, format, a, b, f);
    }
    void logline() {
        if (log) std::fputs("\n", log);
    }

    // Scales one line held in x[1..across] (a column of A over the row group, or a row over
    // the column group) to its target, the fixed cells of the line held out; records the
    // factor. False when a failed scaling ends the command.
    bool scaleheld(bool byColumns, std::size_t pos, int k, double* x, int across, int members,
                   const std::vector<std::int16_t>& inner) {
        double target = byColumns ? t.c[static_cast<std::size_t>(k)] : t.r[static_cast<std::size_t>(k)];
        int held = 0;
        for (const FixedCell& f : fixed) {
            const int line = byColumns ? f.column : f.row;
            const int m = byColumns ? f.row : f.column;
            if (line != k || m < 1 || m > across || !member[static_cast<std::size_t>(m)]) continue;
            target -= x[m];
            x[m] = 0;
            ++held;
        }
        double factor = 0;
        if (held < members) {
            const int code = scaleline(mode, bank, x, across, inner, target, factor);
            if (failed(code)) {
                printout(byColumns ? "\niter[%d], col[%d]\n" : "\niter[%d], row[%d]\n", iter,
                         byColumns ? static_cast<int>(pos) : k);
                if (scalemessage(code) != 0) return false;
            }
            if (iter == 1 || std::fabs(factor) > 1.005)
                logf(byColumns ? "iter[%d], col[%d], cscale = %12.7f\n"
                               : "iter[%d], row[%d], rscale = %12.7f\n",
                     iter, static_cast<int>(pos), factor);
        }
        if (iter == 1 && pos % 5 == 0) logline();
        for (const FixedCell& f : fixed)
            if ((byColumns ? f.column : f.row) == k) x[byColumns ? f.row : f.column] = f.value;
        double& largest = byColumns ? cmax : rmax;
        if (std::fabs(factor) > std::fabs(largest)) {
            largest = factor;
            (byColumns ? ccol : rrow) = k;
        }
        return true;
    }

    // A pass with every line scaled at once (pscalecolumns walks the rows for the columns,
    // pscalerows sums four rows side by side), where no line needs more than the absolute-
    // value method: the same values, factors and log as scaling the lines one by one. False
    // when it does not apply (nothing changed).
    bool linesatonce(bool byColumns, const std::vector<std::int16_t>& outer, int across, int members,
                     const std::vector<std::int16_t>& inner) {
        if (mode == 1 || !fixed.empty() || members == 0) return false;
        const int lines = byColumns ? t.C : t.R;
        const std::vector<double>& targets = byColumns ? t.c : t.r;
        lineList.clear();
        controls.clear();
        for (std::int16_t k : outer) {
            if (k < 1 || k > lines) continue;
            lineList.push_back(k);
            controls.push_back(targets[static_cast<std::size_t>(k)]);
        }
        factors.resize(lineList.size());
        codes.resize(lineList.size());
        auto scale = byColumns ? pscalecolumns : pscalerows;
        if (!scale(t.a.data(), static_cast<std::size_t>(t.C) + 1, static_cast<short>(across), inner.data(),
                   static_cast<short>(inner.size()), lineList.data(), static_cast<int>(lineList.size()),
                   controls.data(), factors.data(), codes.data()))
            return false;
        // The log and the largest factor, line by line as scaleheld records them.
        std::size_t j = 0;
        for (std::size_t pos = 1; pos <= outer.size(); ++pos) {
            const int k = outer[pos - 1];
            if (k < 1 || k > lines) continue;
            const double factor = factors[j++];
            if (iter == 1 || std::fabs(factor) > 1.005)
                logf(byColumns ? "iter[%d], col[%d], cscale = %12.7f\n" : "iter[%d], row[%d], rscale = %12.7f\n",
                     iter, static_cast<int>(pos), factor);
            if (iter == 1 && pos % 5 == 0) logline();
            double& largest = byColumns ? cmax : rmax;
            if (std::fabs(factor) > std::fabs(largest)) {
                largest = factor;
                (byColumns ? ccol : rrow) = k;
            }
        }
        return true;
    }
    std::vector<int> lineList, codes;
    std::vector<double> controls, factors;

    // A column pass (byColumns) or a row pass: false when a failed scaling ends the command.
    // A row is scaled where it lies; columns are gathered a block at a time into contiguous
    // work lines, so that the matrix is read and written row by row.
    bool pass(bool byColumns) {
        const int lines = byColumns ? t.C : t.R;
        const int across = byColumns ? t.R : t.C;
        const std::vector<std::int16_t>& outer = byColumns ? cols : rows;
        const std::vector<std::int16_t>& inner = byColumns ? rows : cols;
        member.assign(static_cast<std::size_t>(across) + 1, 0);
        int members = 0;
        for (std::int16_t m : inner)
            if (m >= 1 && m <= across && !member[static_cast<std::size_t>(m)]) {
                member[static_cast<std::size_t>(m)] = 1;
                ++members;
            }
        (byColumns ? cmax : rmax) = 0;
        (byColumns ? ccol : rrow) = 1;
        const std::size_t width = static_cast<std::size_t>(across) + 1;
        if (!byColumns) {
            if (linesatonce(false, outer, across, members, inner)) return true;
            for (std::size_t pos = 1; pos <= outer.size(); ++pos) {
                const int k = outer[pos - 1];
                if (k < 1 || k > lines) continue;
                if (!scaleheld(false, pos, k, &t.at(k, 0), across, members, inner)) return false;
            }
            return true;
        }
        if (linesatonce(true, outer, across, members, inner)) return true;
        constexpr std::size_t block = 16;
        work.resize(block * width);
        for (std::size_t first = 1; first <= outer.size(); first += block) {
            const std::size_t last = std::min(outer.size(), first + block - 1);
            for (int m = 1; m <= across; ++m) {
                if (!member[static_cast<std::size_t>(m)]) continue;
                const double* row = &t.at(m, 0);
                for (std::size_t pos = first; pos <= last; ++pos) {
                    const int k = outer[pos - 1];
                    if (k >= 1 && k <= lines) work[(pos - first) * width + static_cast<std::size_t>(m)] = row[k];
                }
            }
            for (std::size_t pos = first; pos <= last; ++pos) {
                const int k = outer[pos - 1];
                if (k < 1 || k > lines) continue;
                if (!scaleheld(true, pos, k, &work[(pos - first) * width], across, members, inner))
                    return false;
            }
            for (int m = 1; m <= across; ++m) {
                if (!member[static_cast<std::size_t>(m)]) continue;
                double* row = &t.at(m, 0);
                for (std::size_t pos = first; pos <= last; ++pos) {
                    const int k = outer[pos - 1];
                    if (k >= 1 && k <= lines) row[k] = work[(pos - first) * width + static_cast<std::size_t>(m)];
                }
            }
        }
        return true;
    }

    // The largest column discrepancy, the columns summed row by row.
    void discrepancy() {
        disc = 0;
        discCol = -1;
        discC = discS = 0;
        sums.assign(static_cast<std::size_t>(t.C) + 1, 0.0);
        for (std::int16_t m : rows) {
            if (m < 1 || m > t.R) continue;
            const double* row = &t.at(m, 0);
            for (int k = 1; k <= t.C; ++k) sums[static_cast<std::size_t>(k)] += row[k];
        }
        for (std::int16_t k : cols) {
            if (k < 1 || k > t.C) continue;
            const double s = sums[static_cast<std::size_t>(k)];
            const double d = columndiscrepancy(t.c[static_cast<std::size_t>(k)], s);
            if (d > disc) {
                disc = d;
                discCol = k;
                discC = t.c[static_cast<std::size_t>(k)];
                discS = s;
            }
        }
    }

    void tableline(int counter) const {
        printout("%4d %4d %8.7f %3d %8.7f %4d %15.7f\n", counter, rrow, rmax, ccol, cmax, discCol,
                 disc);
    }
};

void rasusage(int mode) {
    printout("%s", mode == 1 ? "rdras " : mode == 2 ? "psras " : "ras ");
    printout("<matrix>[(r rgroup)][(c cgroup)]<row-ctrl><col-ctrl>[yr][r|c][-maxiter][-precon]\n");
}

// The floating-point check of the command: 0 go on, otherwise the command ends.
int rascheck() {
    return scalingcheck() == 27 ? 27 : 0;
}

bool isend(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// A control: a vector, or a column (for row controls) or row (for column controls) of a
// matrix in the period.
struct Control {
    Operand op;
    int line = 0;  // 0 for a vector
    std::vector<float> table;
    int count = 0;
};

// The messages of reading a row or a column control.
struct ControlTexts {
    const char* notWord;
    const char* notFound;
    const char* noNumber;
    const char* outside;
    const char* side;
};

bool loadcontrol(Control& k, const VamFile& bank, const JexDate& d, std::vector<double>& out,
                 int n, bool rowsOfMatrix) {
    if (k.line == 0) {
        const int pos = position(bank, d);
        for (int i = 1; i <= n; ++i)
            out[static_cast<std::size_t>(i)] =
                k.table[static_cast<std::size_t>(pos) * k.count + (i - 1)];
    } else {
        const float* m = loadperiod(k.op, d, " in ras");
        if (!m) {
            printout("Error:  cannot load data (%s) in the precondition function\n",
                     k.op.name.c_str());
            return false;
        }
        for (int i = 1; i <= n; ++i)
            out[static_cast<std::size_t>(i)] =
                rowsOfMatrix ? m[static_cast<std::size_t>(i - 1) * k.op.cols + (k.line - 1)]
                             : m[static_cast<std::size_t>(k.line - 1) * k.op.cols + (i - 1)];
    }
    for (int i = 1; i <= n; ++i)
        if (std::fabs(out[static_cast<std::size_t>(i)]) < 0.0000005) out[static_cast<std::size_t>(i)] = 0;
    return true;
}

float tofloat(double v) {
    const double a = std::fabs(v);
    if (a > FLT_MAX) return v < 0 ? -FLT_MAX : FLT_MAX;
    // The scaling moves a zero cell by a vanishing amount; below the float range it is 0
    // again (not 1e-37, which would turn every zero of the matrix into a stored value).
    if (a < 1e-37) return 0.0f;
    return static_cast<float>(v);
}

// Reads a group "(r ...)" or "(c ...)" after its "(": the side letter and the members.
int readgroup(std::FILE* in, char& side, std::vector<std::int16_t>& out) {
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    side = cls == 'a' ? static_cast<char>(token[0] | 0x20) : 0;
    char text[exprTextSize];
    char* cursor = text;
    return parsegroup(in, cursor, out, groupLimit, sizeof text);
}

}  // namespace

double rasiteration(BalanceTable& t, const std::vector<std::int16_t>& rowGroup,
                    const std::vector<std::int16_t>& colGroup, int mode) {
    RasRun run(t, rowGroup, colGroup, mode);
    run.iter = 2;
    run.pass(true);
    run.pass(false);
    run.discrepancy();
    return run.disc;
}

int rascmd(DataBank* db, std::FILE* in, int mode) {
    VamFile* bank = vamof(db);
    BalanceLog log;
    if (!log.open("ras.log", "ras", "ras.log -- Scale factors for balancing matrices\n\n"))
        return -1;
    storefirst(bank);
    PreconditionScope preconScope;
    if (rascheck()) return 27;

    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    auto syntax = [&](const char* message) {
        printout("%s", message);
        rasusage(mode);
        droprest(in, cls);
        return -1;
    };
    auto refuse = [&] {
        droprest(in, cls);
        return -1;
    };
    bool coefficients = false;
    if (cls == '-') {
        cls = gettoken(token, in, 0, tokenSize);
        const char o = cls == 'a' ? static_cast<char>(token[0] | 0x20) : 0;
        if (o != 'f' && o != 'c') return syntax("Syntax Error 1\n");
        coefficients = o == 'c';
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != 'a' || !bank) return syntax("Syntax Error 2\n");
    Operand mat;
    if (!lookup(bank, token, false, mat) || !mat.matrix()) {
        printout("No such matrix as %s.\n", token);
        return refuse();
    }
    const int R = mat.rows, C = mat.cols;

    if (mat.type == 'p') {
        char rowName[tokenSize], colName[tokenSize];
        cls = gettoken(rowName, in, 0, tokenSize);
        if (cls != 'a') {
            printout("\nError:  Row total vector expected.  %s\n",
                     cls == '(' ? "Groups not accepted for packed matrices." : "");
            return refuse();
        }
        cls = gettoken(colName, in, 0, tokenSize);
        if (cls != 'a') {
            printout("\nError:  Column total vector expected.  %s\n",
                     cls == '(' ? "Groups not accepted for row totals." : "");
            return refuse();
        }
        cls = gettoken(token, in, 0, tokenSize);
        float year = 0;
        if (cls == 'n') {
            year = static_cast<float>(std::atof(token));
            cls = gettoken(token, in, 0, tokenSize);
        }
        const char governing = isend(cls) ? 0 : token[0];
        droprest(in, cls);
        return pmras(bank, mat.index, rowName, colName, year, governing, 100);
    }

    // Groups.
    std::vector<std::int16_t> rowGroup, colGroup;
    cls = gettoken(token, in, 0, tokenSize);
    bool haveRows = false, haveCols = false;
    while (cls == '(' && !haveCols) {
        char side = 0;
        std::vector<std::int16_t> members;
        const int count = readgroup(in, side, members);
        const bool r = side == 'r' && !haveRows;
        if (side != 'c' && !r) return syntax("Syntax Error 3\n");
        const char* what = r ? "rows" : "columns";
        const int most = r ? R : C;
        if (count > groupMost) {
            printout("The number of %s selected (%d) can not exceed %d\n", what, count, groupMost);
            return refuse();
        }
        if (count > most) {
            printout("The number of %s selected (%d) cannot exceed\n", what, count);
            printout("the number of %s in the vector (%d)\n", what, most);
            return refuse();
        }
        if (count <= 0) {
            printout(r ? "Error:  when reading row group in the RAS routine.\n"
                       : "Error:  when reading column group in the RAS routine.\n");
            return refuse();
        }
        (r ? rowGroup : colGroup) = members;
        (r ? haveRows : haveCols) = true;
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls == '(') return syntax("Syntax Error 3\n");
    if (!haveRows)
        for (int i = 1; i <= R; ++i) rowGroup.push_back(static_cast<std::int16_t>(i));
    if (!haveCols)
        for (int j = 1; j <= C; ++j) colGroup.push_back(static_cast<std::int16_t>(j));

    // Row and column controls.
    Control rc, cc;
    const ControlTexts rowTexts = {"Error:  In ras, invalid row control.\n",
                                   "Error:  In ras, no such vector as %s\n",
                                   "Error:  In ras, invalid row control.\n",
                                   "The column selected (%d) as the row control must be less \nthan or "
                                   "equal to the number of columns in the matrix (%d).\n",
                                   "row"};
    const ControlTexts colTexts = {"Syntax Error 5\n", "No such vector as %s\n", "",
                                   "The row selected (%d) as column control must be less than\nor "
                                   "equal to the number of rows in the matrix (%d).\n",
                                   "column"};
    for (bool rows : {true, false}) {
        if (!rows) cls = gettoken(token, in, 0, tokenSize);
        const ControlTexts& text = rows ? rowTexts : colTexts;
        Control& k = rows ? rc : cc;
        // A row control is a vector of R or a column of a matrix with C columns (and at
        // least R rows); a column control the other way round.
        const int length = rows ? R : C, across = rows ? C : R;
        if (cls != 'a') return syntax(text.notWord);
        if (!lookup(bank, token, false, k.op) || k.op.type == 'p') {
            printout(text.notFound, token);
            return refuse();
        }
        if (k.op.type != 'm') {
            if (k.op.rows * k.op.cols != length) {
                printout("Sizes do not match.\n");
                return refuse();
            }
            continue;
        }
        const int matching = rows ? k.op.cols : k.op.rows, reach = rows ? k.op.rows : k.op.cols;
        if (matching != across) {
            printout("Sizes do not match.\n");
            return refuse();
        }
        if (reach < length) {
            printout("Error:  In ras, the %s control matrix %s has %d %s, fewer than the %d of %s.\n",
                     text.side, k.op.name.c_str(), reach, rows ? "rows" : "columns", length,
                     mat.name.c_str());
            return refuse();
        }
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') return syntax(text.noNumber);
        k.line = std::atoi(token);
        if (k.line < 1 || k.line > across) {
            printout(text.outside, k.line, across);
            return refuse();
        }
    }

    // Periods.
    const JexDate& start = bank->firstJexDate();
    const JexDate& end = bank->lastJexDate();
    auto inbank = [&](const JexDate& d) { return position(*bank, d) >= 0; };
    Range range;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        const JexDate d(static_cast<float>(std::atof(token)));
        if (!inbank(d)) {
            printout("\r\nThe year specified must be between the limits of the vam file.\r\n");
            printout("Returning...\r\n");
            pausebox("Warning", "");
            return refuse();
        }
        range = Range{d, d};
        cls = gettoken(token, in, 0, tokenSize);
    } else {
        range = fdaterange();
        if (range.first.frequency == 0 || range.last.frequency == 0 || !inbank(range.first) ||
            !inbank(range.last)) {
            printout("\r\nWarning:  In ras, psras, or rdras command.\r\n");
            printout("fdates must be set within the limits of the vam file \n");
            printout("or a year must be given as an argument.\r\n");
            printout("Returning...\r\n");
            pausebox("Warning!", "");
            return refuse();
        }
    }
    (void)start;
    (void)end;

    // Governing side.
    char governing = 0;
    if (cls == 'a') {
        const char g = static_cast<char>(token[0] | 0x20);
        if (g != 'r' && g != 'c') return syntax("Syntax Error 6\n");
        governing = g;
        cls = gettoken(token, in, 0, tokenSize);
    }

    // Options.
    BalanceTable t;
    try {
        t.resize(R, C);
    } catch (const std::bad_alloc&) {
        printout("Error:  cannot allocate memory in the rAs function\n");
        return refuse();
    }
    int limit = 100;
    double tolerance = 0.000002;
    bool removal = false, iteration = false;
    int entries = 0;
    std::vector<FixedCell> fixedDummy;
    const JexDate none;
    auto readfile = [&](const char* name) {
        if (!*name) return true;
        if (readpreconditions(bank, t, rowGroup, colGroup, -1, name, removal, iteration, entries,
                              1, none, fixedDummy) != 0) {
            printout("Error in the precondition function\n");
            return false;
        }
        return true;
    };
    if (cls == '-') {
        cls = gettoken(token, in, 0, tokenSize);
        bool file = false;
        if (cls == 'n') {
            limit = std::atoi(token);
            cls = gettoken(token, in, 0, tokenSize);
            if (cls == '-') cls = gettoken(token, in, 0, tokenSize);
            file = cls == 'a';
        } else if (cls == 'a') {
            file = true;
        } else if (isend(cls)) {
            printout("\n");
        } else {
            return syntax("Syntax Error 7\n");
        }
        if (file) {
            if (!readfile(token)) return refuse();
            cls = gettoken(token, in, 0, tokenSize);
            if (cls == '-') cls = gettoken(token, in, 0, tokenSize);
        }
        if (cls == 'n') {
            tolerance = std::atof(token);
            cls = gettoken(token, in, 0, tokenSize);
        }
        if (!isend(cls)) return syntax("Syntax Error:  ras tolerance specification.\n");
    } else if (!isend(cls)) {
        return syntax("Syntax Error 8\n");
    }
    if (limit < 1) limit = 100;
    if (rascheck()) return 27;

    if (rc.line == 0 && !takevector(bank, rc.op.name.c_str(), rc.table, rc.count, " in ras"))
        return -1;
    if (cc.line == 0 && !takevector(bank, cc.op.name.c_str(), cc.table, cc.count, " in ras"))
        return -1;

    RasRun run(t, rowGroup, colGroup, mode);
    run.bank = bank;
    run.log = log.f;
    const std::vector<std::int16_t>& rg = rowGroup;
    const std::vector<std::int16_t>& cg = colGroup;
    auto fail = [&] {
        drop(bank);
        return -1;
    };

    for (JexDate d = range.first; (d <= range.last) == 1; d = d + 1) {
        char date[JexDate::textSize];
        d.print(date, '4');
        printout("For the period %s\n", date);
        if (!loadcontrol(rc, *bank, d, t.r, R, true) || !loadcontrol(cc, *bank, d, t.c, C, false))
            return fail();
        double sr = 0, sc = 0;
        for (std::int16_t m : rg)
            if (m >= 1 && m <= R) sr += t.r[static_cast<std::size_t>(m)];
        for (std::int16_t k : cg)
            if (k >= 1 && k <= C) sc += t.c[static_cast<std::size_t>(k)];
        printout("Sum of row controls: %8.2f\n", sr);
        printout("Sum of col controls: %8.2f\n", sc);
        if (rascheck()) {
            drop(bank);
            return 27;
        }
        const bool differ = (std::fabs(sr) < 0.000001 && std::fabs(sc) > 0.000001) ||
                            (std::fabs(sc) < 0.000001 && std::fabs(sr) > 0.000001) ||
                            (std::fabs(sr) > 1e-7 && std::fabs(sc / sr - 1) > 0.000001);
        if (differ) {
            if (governing == 0) {
                printout("The sum of the row totals does not equal the sum of\n");
                printout("the column totals.  Use the optional parameter [r|c]\n");
                printout("to specifiy which controls, or scale the totals before\n");
                printout("using ras\n");
                return fail();
            }
            const bool scaleCols = governing == 'r';
            double factor = 0;
            const int code = scaleCols ? scaleline(mode, bank, t.c.data(), C, cg, sr, factor)
                                       : scaleline(mode, bank, t.r.data(), R, rg, sc, factor);
            if (failed(code)) {
                printout(scaleCols ? "\nError in scaling column controls\n"
                                   : "\nError in scaling row controls\n");
                scalemessage(code);
                return fail();
            }
            if (addPrint == 1)
                printout(scaleCols ? "The column controls were scaled by %1.5f\n"
                                   : "The row controls were scaled by %1.5f\n",
                         factor);
        }
        const float* m = loadperiod(mat, d, " in ras");
        if (!m) {
            printout("Error:  cannot load data (%s) in the precondition function\n",
                     mat.name.c_str());
            return fail();
        }
        for (int i = 1; i <= R; ++i)
            for (int j = 1; j <= C; ++j) {
                const double v = m[static_cast<std::size_t>(i - 1) * C + (j - 1)];
                t.at(i, j) = std::fabs(v) < 0.0000005 ? 0.0 : v;
            }
        const int ws = d.wsIndex();
        run.fixed.clear();
        if (removal && readpreconditions(bank, t, rg, cg, ws, "", removal, iteration, entries, 2,
                                         d, run.fixed) != 0) {
            printout("Error in the precondition function\n");
            return fail();
        }
        printout("Iter  row   scale   col   scale     col       max-disc\n");

        bool converged = false;
        int counter = 1;
        for (run.iter = 1; static_cast<unsigned>(run.iter) <= static_cast<unsigned>(limit);
             ++run.iter) {
            counter = run.iter;
            if (run.iter > 1 && platform::escapePressed()) break;
            for (int cycle = 0;; ++cycle) {
                if (!run.pass(true)) return fail();
                run.logline();
                if (!run.pass(false)) return fail();
                if (rascheck()) return fail();
                if (!iteration) break;
                if (readpreconditions(bank, t, rg, cg, ws, "", removal, iteration, entries, 3, d,
                                      run.fixed) != 0) {
                    printout("Error:  in Phase 3 of the the precondition routine.\n");
                    return fail();
                }
                if (run.fixed.empty() || cycle == 2) break;
            }
            run.logline();
            run.discrepancy();
            if (run.iter < 5 || run.iter % 5 == 0) run.tableline(run.iter);
            if (run.disc < tolerance) {
                converged = true;
                break;
            }
        }
        if (!converged) counter = run.iter;
        if (counter > 5 && counter < limit && counter % 5 != 0) run.tableline(counter);

        if (converged) {
            printout("The largest relative difference between the control for\n");
            printout("any row or column and the sum of its elements %7.7f\n", run.disc);
        } else {
            printout("Did not converge. Maximum percentage discrepancy = %8.5f.\n", run.disc);
            printout("The largest discrepancy is in column %d, period %s.\n", run.discCol, date);
            printout("The control value is %f while the actual sum is %f\n", run.discC, run.discS);
            printout("The matrix will be stored\n");
        }
        if (removal && readpreconditions(bank, t, rg, cg, ws, "", removal, iteration, entries, 4,
                                         d, run.fixed) != 0) {
            printout("Error in the precondition function\n");
            return fail();
        }
        if (coefficients) {
            for (std::int16_t i : rg)
                for (std::int16_t j : cg) {
                    if (i < 1 || i > R || j < 1 || j > C) continue;
                    const double c = t.c[static_cast<std::size_t>(j)];
                    t.at(i, j) = std::fabs(c) <= 1e-7 ? 0.0 : t.at(i, j) / c;
                }
        }
        float* out = bank->loadedRow(0);
        for (int i = 1; i <= R; ++i)
            for (int j = 1; j <= C; ++j)
                out[static_cast<std::size_t>(i - 1) * C + (j - 1)] = tofloat(t.at(i, j));
        if (storeperiod(mat) != 0) return -1;
        if (!converged) return -1;
    }
    closepreconditions(true);
    return 0;
}
