#include "matrix/gvras.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "core/printout.h"
#include "interp/reader.h"
#include "matrix/frame.h"
#include "matrix/precon.h"
#include "series/pscale.h"
#include "series/series_state.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

constexpr int codeTable = 500;

bool isend(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

void gvrashelp() {
    static const char* const lines[] = {
        "\ngvras command is to balance matrices with uncertain totals.\n",
        "gvras <matrix> <nsec> <nva> <nfd> <ngv> <yr> [maxiter] [precon]\n",
        "where:\n",
        "<matrix> the matrix whose rows and columns are to be balanced.\n",
        "<nsec> the number of sectors in the A matrix.\n",
        "<nva> the number of value added sectors.\n",
        "<nfd> the number of final demand sectors.\n",
        "<ngv> the number of gross value sectors.\n",
        "<yr> the year for which the I-O table is to be balanced.\n",
        "[maxiter] the maximum number of iterations.\n",
        "[precon] a file that contains a list of preconditions.\n",
    };
    for (const char* l : lines) printout("%s", l);
}

void yearmessage(int year) {
    printout("The year selected (%d) must be greater than or\n", year);
    printout("equal to fdate1 (%d) and less than or equal\n", static_cast<int>(fdate1));
    printout("to fdate2 (%d)\n", static_cast<int>(fdate2));
}

bool yearinfdates(float year) { return year >= fdate1 && year <= fdate2; }

// The entries 1 .. count, the list a scaling of a line adjusts.
std::vector<std::int16_t> firstentries(int count) {
    std::vector<std::int16_t> list;
    for (int k = 1; k <= count; ++k) list.push_back(static_cast<std::int16_t>(k));
    return list;
}

bool failed(int code) { return code == -1 || (code >= 21 && code != 30); }

// The balancing of one year on the expanded matrix t (n x m).
struct GvrasRun {
    BalanceTable& t;
    int s, nva, nfd, ngv, n, m;
    std::FILE* log;
    std::vector<std::int16_t> rowEntries, colEntries;  // rows 1..n-1, columns 1..m-1
    std::vector<double> colWork, rowWork;
    int iter = 1;
    int last = 0;  // the code of the last solver call
    double cmax = 0, rmax = 0;
    int ccol = 0, rrow = 0;

    GvrasRun(BalanceTable& table, int s_, int nva_, int nfd_, int ngv_, std::FILE* l)
        : t(table), s(s_), nva(nva_), nfd(nfd_), ngv(ngv_), n(table.R), m(table.C), log(l),
          rowEntries(firstentries(table.R - 1)), colEntries(firstentries(table.C - 1)),
          colWork(static_cast<std::size_t>(table.R) + 1), rowWork(static_cast<std::size_t>(table.C) + 1) {}

    int rowcode(int k) const { return k <= s + nva ? 1 : k < n ? 2 : 0; }
    int colcode(int k) const { return k <= s + nfd ? 1 : k < m ? 2 : 0; }

    // Scales column j (byColumn) or row j over its entries to its target: false on failure.
    bool scale(bool byColumn, int j, double& factor) {
        std::vector<double>& w = byColumn ? colWork : rowWork;
        const int len = byColumn ? n : m;
        for (int k = 1; k <= len; ++k) w[static_cast<std::size_t>(k)] = byColumn ? t.at(k, j) : t.at(j, k);
        const std::vector<std::int16_t>& list = byColumn ? rowEntries : colEntries;
        const double target = byColumn ? t.c[static_cast<std::size_t>(j)] : t.r[static_cast<std::size_t>(j)];
        last = pscalesolve(w.data(), static_cast<short>(len), list.data(),
                           static_cast<short>(list.size()), target, &factor, 0);
        if (failed(last)) return false;
        storeline(byColumn, j);
        return true;
    }
    void storeline(bool byColumn, int j) {
        const std::vector<double>& w = byColumn ? colWork : rowWork;
        const int len = byColumn ? n : m;
        for (int k = 1; k <= len; ++k) (byColumn ? t.at(k, j) : t.at(j, k)) = w[static_cast<std::size_t>(k)];
    }

    // A failed scaling explained; true when it was only a note (code 28) and its values
    // stand.
    bool note(bool byColumn, int j) {
        if (scalemessage(last) != 0) return false;
        storeline(byColumn, j);
        return true;
    }

    void logf(const char* format, int a, int b, double f) {
        if (log) std::fprintf(log, format, a, b, f);
    }
    void logline() {
        if (log) std::fputs("\n", log);
    }

    // The column pass (or the row pass): false after the failure messages.
    bool pass(bool byColumn) {
        double& largest = byColumn ? cmax : rmax;
        int& where = byColumn ? ccol : rrow;
        largest = 0;
        where = 0;
        const int lines = byColumn ? m : n;
        for (int j = 1; j <= lines; ++j) {
            if ((byColumn ? colcode(j) : rowcode(j)) != 1) continue;
            double f = 0;
            if (!scale(byColumn, j, f)) {
                printout(byColumn ? "\niter[%d], col[%d]\n" : "\niter[%d], row[%d]\n", iter, j);
                if (!note(byColumn, j)) return false;
            }
            if (iter == 1 || std::fabs(f) > 0.05)
                logf(byColumn ? "iter[%d], col[%d], cscale   = %12.6f\n"
                              : "iter[%d], row[%d], rscale   = %12.6f\n",
                     iter, j, f);
            if (iter == 1 && j % 5 == 0) logline();
            if (std::fabs(f) > std::fabs(largest)) {
                largest = f;
                where = j;
            }
        }
        logline();
        if (iter >= 2 && std::fabs(largest) <= 0.05)
            logf(byColumn ? "iter[%d], col[%d], cscalemax = %12.6f\n"
                          : "iter[%d], row[%d], rscalemax = %12.6f\n",
                 iter, where, largest);
        return true;
    }

    // The weak gross value rows (after the column pass) or columns (after the row pass),
    // each followed by the copy that keeps the row and the column of g equal.
    bool weak(bool rows) {
        if (ngv <= 1) return true;
        for (int g = 1; g <= ngv - 1; ++g) {
            const int r = s + nva + g, c = s + nfd + g;
            const bool due = rows ? t.at(r, m) < -1e-6 && rowcode(g) == 1 : t.at(n, c) < -1e-6;
            if (due) {
                double f = 0;
                if (!scale(!rows, rows ? r : c, f)) {
                    printout(rows ? "\niter[%d], weak gross value row[%d]\n"
                                  : "\niter[%d], weak gross value col[%d]\n",
                             iter, g);
                    if (!note(!rows, rows ? r : c)) return false;
                }
                if (iter == 1 || std::fabs(f) > 0.05)
                    logf(rows ? "iter[%d], row[%d], GVRSCALE = %12.6f\n"
                              : "iter[%d], col[%d], GVCSCALE = %12.6f\n",
                         iter, rows ? r : c, f);
            }
            for (int i = 1; i <= s; ++i) {
                if (rows)
                    t.at(i, c) = t.at(r, i);
                else
                    t.at(r, i) = t.at(i, c);
            }
        }
        logline();
        return true;
    }

    void tableline(int counter) const {
        printout("%4d %4d %11.7f %3d %11.7f\n", counter, ccol, cmax, rrow, rmax);
    }
};

// The four sizes after the names: false when one is not a number.
bool readsizes(std::FILE* in, int* out, int& cls) {
    char token[tokenSize];
    for (int k = 0; k < 4; ++k) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') return false;
        out[k] = std::atoi(token);
    }
    return true;
}

// The source and destination names of the converters: both plain matrices.
bool converternames(VamFile* bank, std::FILE* in, const char* word, Operand& src, Operand& dst,
                    int& cls) {
    char token[tokenSize];
    for (Operand* op : {&src, &dst}) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'a' || !bank || !lookup(bank, token, true, *op) || !op->matrix()) {
            printout("\r\nNo such matrix as %s\r\n", cls == 'a' ? token : "");
            return false;
        }
        if (op->type == 'p') {
            printout("%s does not work with packed matrices.\r\n", word);
            return false;
        }
    }
    return true;
}

void converterusage(const char* word, bool expand) {
    printout("Usage: %s <source> <destination> <nsec> <nva> <nfd> <ngv> <yr>\r\n", word);
    printout(expand ? "where <source> is the name of the matrix to be expanded for GVRAS\r\n"
                    : "where <source> is the name of the expanded matrix to be contracted\r\n");
    printout(expand ? "      <destination> is the name of the expanded matrix\r\n"
                    : "      <destination> is the name of the contracted matrix\r\n");
    printout("      <nsec> is the number of sectors in the A matrix\r\n");
    printout("      <nva> is the number of value added sectors in the expanded matrix\r\n");
    printout("      <nfd> is the number of final demand sectors in the expanded matrix\r\n");
    printout("      <ngv> is the number of gross value sector in the expanded matrix, and\r\n");
    printout("      <yr> is the year for which the matrix is to be balanced\r\n");
}

void checkmessage(const char* rowsOrColumns, const char* matrix, const char* part) {
    printout("Check the number of the number of %s in the %s matrix,\n", rowsOrColumns, matrix);
    printout("which should equal the number of sectors plus the number of\n");
    printout("%s sectors plus the number of gross value sectors.\n", part);
}

// IO2expIO (expand) and expIO2IO.
int convert(DataBank* db, std::FILE* in, bool expand) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    const char* word = expand ? "IO2expIO" : "expIO2IO";
    Operand S, D;
    int cls = 0;
    if (!converternames(bank, in, word, S, D, cls)) {
        droprest(in, cls);
        return -1;
    }
    auto usage = [&] {
        converterusage(word, expand);
        droprest(in, cls);
        return -1;
    };
    int size[4];
    if (!readsizes(in, size, cls)) return usage();
    const int s = size[0], nva = size[1], nfd = size[2], ngv = size[3];
    // The expanded matrix and the input-output one.
    const Operand& X = expand ? D : S;
    const Operand& T = expand ? S : D;
    const int R = T.rows, C = T.cols;
    bool ok = s >= 1 && nva >= 0 && nfd >= 0 && ngv >= 1 && s + 2 <= R && s + 2 <= C;
    if (X.rows != s + nva + ngv) {
        checkmessage("rows", expand ? "destination" : "source", "value added");
        ok = false;
    }
    if (X.cols != s + nfd + ngv) {
        checkmessage("columns", expand ? "destination" : "source", "final demand");
        ok = false;
    }
    char token[tokenSize];
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') return usage();
    const float year = static_cast<float>(std::atof(token));
    if (!yearinfdates(year)) {
        yearmessage(static_cast<int>(year));
        ok = false;
    }
    if (expand && (D.rows < S.rows || D.cols < S.cols)) {
        printout("Destination not big enough.\r\n");
        ok = false;
    }
    if (!ok) return usage();
    droprest(in, cls);

    const JexDate d(year);
    if (!loadperiod(S, d, expand ? " in IO2expIO" : " in expIO2IO")) {
        converterusage(word, expand);
        return -1;
    }
    const std::vector<float> src = copyloaded(S);
    float* dst = loadperiod(D, d, expand ? " for destination matrix in IO2expIO"
                                         : " for destination matrix in expIO2IO");
    if (!dst) {
        converterusage(word, expand);
        return -1;
    }
    auto Sv = [&](int i, int j) { return src[static_cast<std::size_t>(i - 1) * S.cols + (j - 1)]; };
    auto Dv = [&](int i, int j) -> float& { return dst[static_cast<std::size_t>(i - 1) * D.cols + (j - 1)]; };
    const int n = X.rows, m = X.cols;
    // Value-added rows and final-demand columns that both layouts hold.
    const int vaRows = std::min(R - s - 2, nva), fdCols = std::min(C - s - 2, nfd);
    if (expand) {
        for (int i = 1; i <= s; ++i)
            for (int j = 1; j <= s; ++j) Dv(i, j) = Sv(i, j);
        for (int i = 1; i <= vaRows; ++i) {
            for (int j = 1; j <= s; ++j) Dv(s + i, j) = Sv(s + 1 + i, j);
            Dv(s + i, m) = Sv(s + 1 + i, s + 1);
        }
        for (int j = 1; j <= fdCols; ++j) {
            for (int i = 1; i <= s; ++i) Dv(i, s + j) = Sv(i, s + 1 + j);
            Dv(n, s + j) = Sv(s + 1, s + 1 + j);
        }
        for (int k = 1; k <= s; ++k) {
            Dv(n, k) = Sv(R, k);
            Dv(k, m) = Sv(k, C);
        }
    } else {
        for (int i = 1; i <= s; ++i)
            for (int j = 1; j <= s; ++j) {
                Dv(i, j) = Sv(i, j);
                Dv(s + 1, j) += Sv(i, j);
                Dv(i, s + 1) += Sv(i, j);
                Dv(s + 1, s + 1) += Sv(i, j);
            }
        for (int i = 1; i <= vaRows; ++i) {
            for (int j = 1; j <= s; ++j) Dv(s + 1 + i, j) = Sv(s + i, j);
            Dv(s + 1 + i, s + 1) = Sv(s + i, m);
        }
        for (int j = 1; j <= fdCols; ++j) {
            for (int i = 1; i <= s; ++i) Dv(i, s + 1 + j) = Sv(i, s + j);
            Dv(s + 1, s + 1 + j) = Sv(n, s + j);
        }
        for (int k = 1; k <= s; ++k) {
            Dv(R, k) = Sv(n, k);
            Dv(R, s + 1) += Sv(n, k);
            Dv(k, C) = Sv(k, m);
            Dv(s + 1, C) += Sv(k, m);
        }
    }
    return storeperiod(D);
}

}  // namespace

int io2expiocmd(DataBank* db, std::FILE* in) { return convert(db, in, true); }
int expio2iocmd(DataBank* db, std::FILE* in) { return convert(db, in, false); }

int gvrascmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    BalanceLog log;
    if (!log.open("gvras.log", "gvras",
                  "gvras.log -- Proportional scale factors for balancing\n"
                  "             matrices with uncertain totals\n\n"))
        return -1;
    storefirst(bank);
    PreconditionScope preconScope;

    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    auto refuse = [&](const char* message) {
        printout("%s", message);
        droprest(in, cls);
        return -1;
    };
    if (isend(cls)) {
        gvrashelp();
        return -1;
    }
    if (cls != 'a') return refuse("Syntax Error 1\n");
    Operand mat;
    if (!bank || !lookup(bank, token, false, mat) || !mat.matrix()) {
        printout("No such matrix as %s.\n", token);
        return refuse("");
    }
    if (mat.type == 'p') return refuse("Does not accept packed matrixes\n");
    int size[4];
    static const char* const errors[] = {"Syntax Error 2\n", "Syntax Error 3\n",
                                         "Syntax Error 4\n", "Syntax Error 5\n"};
    for (int k = 0; k < 4; ++k) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') return refuse(errors[k]);
        size[k] = std::atoi(token);
    }
    const int s = size[0], nva = size[1], nfd = size[2], ngv = size[3];
    const int n = s + nva + ngv, m = s + nfd + ngv;
    if (s < 1 || nva < 0 || nfd < 0 || ngv < 1 || mat.rows != n || mat.cols != m) {
        printout("Check the number of sectors in the A matrix, the number of\n");
        printout("value added sectors, the number of final demand sectors, and\n");
        return refuse("the number of sectors of weak gross value\n");
    }
    if (n >= codeTable || m >= codeTable)
        return refuse("Error:  gvras balances matrices of at most 499 rows and 499 columns.\n");
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') return refuse("Syntax Error 6\n");
    const float year = static_cast<float>(std::atof(token));
    if (!yearinfdates(year)) {
        yearmessage(static_cast<int>(year));
        return refuse("");
    }
    int maxiter = 100;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        maxiter = std::atoi(token);
        if (maxiter <= 0) maxiter = 100;
        cls = gettoken(token, in, 0, tokenSize);
    }
    BalanceTable t;
    try {
        t.resize(n, m);
    } catch (const std::bad_alloc&) {
        return refuse("Error:  cannot allocate memory in the rAs function\n");
    }
    std::vector<std::int16_t> rowGroup = firstentries(n), colGroup = firstentries(m);
    bool removal = false, iteration = false;
    int entries = 0;
    std::vector<FixedCell> fixed;
    const JexDate d(year);
    if (cls == 'a') {
        if (readpreconditions(bank, t, rowGroup, colGroup, -1, token, removal, iteration,
                              entries, 1, d, fixed) != 0)
            return refuse("");
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (!isend(cls)) return refuse("Syntax Error 7\n");

    const float* table = loadperiod(mat, d, " in gvras");
    if (!table) return -1;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= m; ++j) t.at(i, j) = table[static_cast<std::size_t>(i - 1) * m + (j - 1)];
    auto fail = [&] {
        drop(bank);
        return -1;
    };
    bool consistent = true;
    for (int g = 1; g <= ngv; ++g)
        for (int i = 1; i <= s; ++i)
            if (std::fabs(t.at(s + nva + g, i) - t.at(i, s + nfd + g)) > 1e-5) {
                printout("io[%d][%d] should equal io[%d][%d]\n", s + nva + g, i, i, s + nfd + g);
                consistent = false;
            }
    double va = 0, fd = 0;
    for (int i = s + 1; i <= s + nva; ++i) va += t.at(i, m);
    for (int j = s + 1; j <= s + nfd; ++j) fd += t.at(n, j);
    if (!(std::fabs((va - fd) / fd) < 1e-5)) {
        printout("The sum of value added should equal the sum of final demand\n");
        consistent = false;
    }
    if (!consistent) return fail();

    for (int i = 1; i < n; ++i) t.r[static_cast<std::size_t>(i)] = t.at(i, m);
    for (int j = 1; j < m; ++j) t.c[static_cast<std::size_t>(j)] = t.at(n, j);
    const int ws = d.wsIndex();
    if (removal && readpreconditions(bank, t, rowGroup, colGroup, ws, "", removal, iteration,
                                     entries, 2, d, fixed) != 0)
        return fail();

    printout("For the year %d\n", static_cast<int>(year));
    printout("Iter  col     scale   row     scale\n");
    GvrasRun run(t, s, nva, nfd, ngv, log.f);
    bool converged = false;
    int counter = 1;
    for (run.iter = 1; run.iter < maxiter; ++run.iter) {
        counter = run.iter;
        if (!run.pass(true) || !run.weak(true)) return fail();
        if (iteration) {
            if (readpreconditions(bank, t, rowGroup, colGroup, ws, "", removal, iteration,
                                  entries, 3, d, fixed) != 0) {
                printout("Error:  in Phase 3 of the the precondition routine.\n");
                return fail();
            }
            run.last = 0;
        }
        if (!run.pass(false) || !run.weak(false)) return fail();
        if (run.iter < 5 || run.iter % 5 == 0) run.tableline(run.iter);
        if (std::fabs(run.cmax) < 1e-5 && std::fabs(run.rmax) < 1e-5) {
            converged = true;
            break;
        }
    }
    if (!converged) counter = run.iter;
    if (counter > 5 && counter % 5 != 0) run.tableline(counter);
    if (!converged) {
        printout("Did not converge.\n");
        return fail();
    }
    printout("Converged.\n");
    if (removal) {
        if (readpreconditions(bank, t, rowGroup, colGroup, ws, "", removal, iteration, entries, 4,
                              d, fixed) != 0)
            return fail();
        run.last = 0;
    }
    float* out = bank->loadedRow(0);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= m; ++j)
            out[static_cast<std::size_t>(i - 1) * m + (j - 1)] = static_cast<float>(t.at(i, j));
    if (storeperiod(mat) != 0) return -1;
    closepreconditions(true);
    return run.last;
}
