#include "matrix/index.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "banks/databank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/numfuncs.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "matrix/frame.h"
#include "series/series_state.h"
#include "vam/data_entry.h"
#include "vam/floatio.h"
#include "vam/groups.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

bool endtoken(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// Observations of the workspace that a series array holds.
int wslimit() { return std::min<int>(wsMaxObs, seriesArrayLength); }

// Positions (from 0) of the periods of the f dates that the bank holds: the periods putseries
// writes (the whole bank when the f dates are not set or of another frequency).
struct Span {
    int first = 0, last = -1;
};
Span fspan(const VamFile& bank) {
    Span s;
    if (!fdatesperiods(bank, s.first, s.last)) s = Span{};
    return s;
}

// Interpolates the gaps that follow position `start`.
void lintfrom(float* column, int periods, int start) {
    for (int i = start; i < periods;) i = fillgap(column, i, periods, 1);
}

// A packed cell over time: leading values exactly 0 or missing are left.
void lintpacked(float* column, int periods) {
    int i = 0;
    while (i < periods && (column[i] == 0.0f || ismissing(column[i]))) ++i;
    lintfrom(column, periods, i);
}

// Column k (1-based) of the loaded table, one value per period of the bank.
void loadedcolumn(VamFile* bank, int k, std::vector<float>& column) {
    column.assign(static_cast<std::size_t>(bank->periodCount()), 0.0f);
    for (int p = 0; p < bank->loadedRows() && p < bank->periodCount(); ++p)
        column[static_cast<std::size_t>(p)] = bank->loadedRow(p)[k - 1];
}

// The loaded element's columns that lint and index work on: false after a message when
// nothing is loaded, the view holds one period, or a column lies outside the table.
bool checkloaded(VamFile* bank) {
    if (!bank->isLoaded()) {
        printout("Nothing loaded.\n");
        return false;
    }
    const char v = bank->loadedView();
    if (v != 'x' && v != 'r' && v != 'c') {
        printout("Error: Invalid view.\n");
        return false;
    }
    return true;
}
bool checkcolumns(VamFile* bank, const std::vector<int>& columns) {
    if (!checkloaded(bank)) return false;
    for (int k : columns)
        if (k < 1 || k > bank->loadedCount()) {
            printout("\nError:  item %d is outside the loaded %s.\n", k, bank->loadedName());
            return false;
        }
    return true;
}
// A number target: column k, or 0 for every column the view has.
bool numbercolumns(VamFile* bank, int k, std::vector<int>& columns) {
    if (!checkloaded(bank)) return false;
    columns.clear();
    if (k > 0) {
        columns.push_back(k);
    } else {
        const int i = bank->loadedIndex();
        int last = bank->loadedView() == 'x' ? std::max(bank->rowsOf(i), bank->columnsOf(i))
                   : bank->loadedView() == 'r' ? bank->columnsOf(i)
                                               : bank->rowsOf(i);
        last = std::min(last, bank->loadedCount());
        for (int c = 1; c <= last; ++c) columns.push_back(c);
    }
    return checkcolumns(bank, columns);
}

// The group after ':': the dynamic group when a blank or the end of the line follows, a
// named group for a word or number. `none` is set when ':' is followed by anything else.
// False after "No such group: %s\n".
bool readgroup(std::FILE* in, std::vector<int>& columns, bool& none, int& cls) {
    columns.clear();
    none = false;
    const int c = chop(in);
    unchop(c);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == -1 || c == 0) {
        for (std::int16_t e : dynamicGroupElements) columns.push_back(e);
        cls = 'a';
        return true;
    }
    char name[tokenSize];
    cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'n' && cls != 'a') {
        none = true;
        if (endtoken(cls)) ungettoken();
        return true;
    }
    const int n = groupHome ? groupHome->groupSize(name) : -1;
    if (n < 0) {
        printout("No such group: %s\n", name);
        return false;
    }
    std::vector<std::int16_t> elements(static_cast<std::size_t>(n));
    if (n > 0) groupHome->getGroup(name, elements.data());
    columns.assign(elements.begin(), elements.end());
    return true;
}

// The targets of index and lint, read one token at a time to the end of the line: a number
// or a ':' group names columns of the loaded element (`columns`), a word an element
// (`named`); anything else prints `unknown`. 0, or -1 at the first target that fails (the
// rest of the line is dropped).
template <class Columns, class Named>
int eachtarget(VamFile* bank, std::FILE* in, const char* unknown, Columns columns, Named named) {
    char token[tokenSize];
    while (true) {
        int cls = gettoken(token, in, 0, tokenSize);
        if (endtoken(cls)) return 0;
        int status = 0;
        std::vector<int> cols;
        if (cls == 'n') {
            status = numbercolumns(bank, std::atoi(token), cols) ? columns(cols) : -1;
        } else if (cls == ':') {
            bool none = false;
            status = readgroup(in, cols, none, cls) ? (none ? 0 : columns(cols)) : -1;
        } else if (cls == 'a') {
            status = named(token);
        } else {
            printout(unknown, token);
            status = -1;
        }
        if (status != 0) {
            droprest(in, cls);
            return -1;
        }
    }
}

// Finds a target: the whole name first, else the name without its trailing number (k).
int findtarget(VamFile* bank, const char* name, int& k) {
    k = 0;
    int i = bank->findser(name);
    if (i >= 0) return i;
    char stem[tokenSize];
    short second = -1;
    k = splitnamenumbers(name, stem, second);
    if (k <= 0 || second >= 0) return -1;
    return bank->findser(stem);
}

bool isvector(const VamFile& bank, int i) {
    const char t = bank.typeOf(i);
    return t != 'm' && t != 'p';
}

// A vector target: the vector loaded whole (a failed load is reported with `where` and
// ends the command) and its element k, or all of them for 0.
bool vectorcolumns(VamFile* bank, int i, int k, const char* where, std::vector<int>& cols) {
    if (bank->loadcmd(bank->nameOf(i), 'x', 0) != 0) {
        loadfailurebox(where);
        return false;
    }
    return numbercolumns(bank, k, cols);
}

// ---- index ----

// The index of one column: every period of the span becomes its base value times the
// guide's ratio to the base period. -1 after "Zero in base year of index.\n".
int indexseries(const VamFile& bank, float* column, const float* guide, int bpos, Span s) {
    const int w = bank.firstJexDate().wsIndex();
    const float gb = guide[w + bpos];
    if (gb == 0 || ismissing(gb)) {
        printout("Zero in base year of index.\n");
        return -1;
    }
    const float base = column[bpos];
    const float r = base / gb;
    for (int p = s.first; p <= s.last; ++p) {
        const int obs = w + p;
        if (obs < 0 || obs >= wslimit()) continue;
        const float g = guide[obs];
        column[p] = ismissing(g) || ismissing(base) ? MISSING : g * r;
    }
    return 0;
}

struct IndexRun {
    VamFile* bank;
    float basedate;
    int bpos;  // the base date's period in the bank
    IndexGuide guide;
    Span span;

    int columns(const std::vector<int>& cols) {
        if (!checkcolumns(bank, cols)) return -1;
        std::vector<float> column;
        for (int k : cols) {
            loadedcolumn(bank, k, column);
            if (indexseries(*bank, column.data(), guide.series, bpos, span) != 0) continue;
            if (bank->putseries(k, column.data(), 0) != 0) return -1;
        }
        return 0;
    }

    // Rows r1..r2 of a matrix on the file.
    int matrix(int i, int r1, int r2) {
        // The file must hold what a changed loaded table of this matrix holds.
        if (bank->isLoaded() && bank->loadedIndex() == i && bank->isModified() &&
            bank->storecmd() != 0)
            return -1;
        if (guide.vector) return guidevectorrows(i, r1, r2);
        const int C = bank->columnsOf(i);
        const std::size_t n = static_cast<std::size_t>(r2 - r1 + 1) * C;
        std::vector<float> out(n);
        const int w = bank->firstJexDate().wsIndex();
        const float gb = guide.series[w + bpos];
        if (gb == 0 || ismissing(gb)) {
            printout("Error.\n");
            return 0;
        }
        Operand op;
        if (!lookup(bank, bank->nameOf(i), false, op)) return -1;
        const JexDate base = bank->firstJexDate() + bpos;
        if (!loadperiod(op, base, " in index")) return -1;
        const std::vector<float> table = copyloaded(op);
        drop(bank);
        const float* rows = table.data() + static_cast<std::size_t>(r1 - 1) * C;
        if (addPrint == 1) printout("Working on period\n");
        for (int t = span.first; t <= span.last; ++t) {
            const int obs = w + t;
            if (obs < 0 || obs >= wslimit()) continue;
            if (addPrint == 1) {
                char text[JexDate::textSize];
                printout("%s\n", (bank->firstJexDate() + t).print(text));
            }
            const float g = guide.series[obs];
            const float factor = g / gb;
            for (std::size_t m = 0; m < n; ++m)
                out[m] = ismissing(g) || ismissing(rows[m]) ? MISSING : rows[m] * factor;
            if (!writefloatsat(bank->file(), bank->elementPos(i, t) + 4LL * (r1 - 1) * C,
                               out.data(), static_cast<long>(n))) {
                printout("\nIncomplete write of row %d.\n", r1);
                return -1;
            }
        }
        return 0;
    }

    // Each row along its own element of the guide vector.
    int guidevectorrows(int i, int r1, int r2) {
        const int C = bank->columnsOf(i);
        std::vector<float> row(static_cast<std::size_t>(C)), out(row.size());
        const std::size_t count = static_cast<std::size_t>(guide.count);
        for (int r = r1; r <= r2 && r <= guide.count; ++r) {
            const float gb = guide.table[bpos * count + r - 1];
            if (std::fabs(gb) == 0 || ismissing(gb)) continue;
            const long long at = 4LL * (r - 1) * C;
            if (!readfloatsat(bank->file(), bank->elementPos(i, bpos) + at, row.data(), C)) {
                printout("Could not read row %d.\n", r);
                return -1;
            }
            for (int t = span.first; t <= span.last; ++t) {
                if (t == bpos) continue;
                const float g = guide.table[static_cast<std::size_t>(t) * count + r - 1];
                for (int c = 0; c < C; ++c)
                    out[c] = ismissing(g) || ismissing(row[c]) ? MISSING : row[c] * g / gb;
                if (!writefloatsat(bank->file(), bank->elementPos(i, t) + at, out.data(), C)) {
                    printout("\nIncomplete write of row %d.\n", r);
                    return -1;
                }
            }
        }
        return 0;
    }

    int target(const char* name) {
        int k = 0;
        const int i = findtarget(bank, name, k);
        if (i < 0) return -1;
        if (isvector(*bank, i)) {
            std::vector<int> cols;
            return vectorcolumns(bank, i, k, " in index", cols) ? columns(cols) : -1;
        }
        const int R = bank->rowsOf(i);
        if (k > R) {
            printout("Invalid line number.\n");
            return -1;
        }
        const int r1 = k > 0 ? k : 1, r2 = k > 0 ? k : R;
        if (bank->typeOf(i) == 'p') {
            if (pmxrow(bank, bank->packedFileName(bank->lagsOf(i)), basedate, guide, r1, r2) != 0) {
                printout("Cannot divide by a 0.\n");
                return -1;
            }
            return 0;
        }
        return matrix(i, r1, r2);
    }
};

// ---- lint ----

int lintcolumns(VamFile* bank, const std::vector<int>& cols) {
    if (!checkcolumns(bank, cols)) return -1;
    std::vector<float> column;
    for (int k : cols) {
        loadedcolumn(bank, k, column);
        lintseries(column.data(), static_cast<int>(column.size()));
        if (bank->putseries(k, column.data(), 0) != 0) return -1;
    }
    return 0;
}

int linttarget(VamFile* bank, const char* name) {
    int k = 0;
    const int i = findtarget(bank, name, k);
    if (i < 0) return -1;
    if (isvector(*bank, i)) {
        std::vector<int> cols;
        return vectorcolumns(bank, i, k, " in index ", cols) ? lintcolumns(bank, cols) : -1;
    }
    if (bank->typeOf(i) == 'p') return pmlint(bank, bank->packedFileName(bank->lagsOf(i)));
    Operand op;
    if (!lookup(bank, bank->nameOf(i), false, op)) return -1;
    if (addPrint == 1) printout("\r\nWorking on row:\n");
    std::vector<int> cols;
    for (int r = 1; r <= op.rows; ++r) {
        if (addPrint == 1) printout("\r %d", r);
        if (bank->loadcmd(op.name.c_str(), 'r', static_cast<float>(r)) != 0) {
            loadfailurebox(" in index");
            return -1;
        }
        cols.clear();
        for (int c = 1; c <= op.cols; ++c) cols.push_back(c);
        if (lintcolumns(bank, cols) != 0) {
            drop(bank);
            return -1;
        }
        if (storeperiod(op) != 0) return -1;
    }
    if (addPrint == 1) printout("\rDone\r\n");
    return 0;
}

// Opens a packed file for update and checks its pattern against the bank: null after a
// message.
std::FILE* openpacked(VamFile* bank, const char* file, PackedPattern& p) {
    const std::string path = bank->findFile(file ? file : "");
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb+");
    if (!f) {
        printout("Cannot find packed matrix file %s.\r\n", file ? file : "");
        return nullptr;
    }
    if (!readpackedpattern(f, -1, -1, bank->periodCount(), p)) {
        printout("Error:  %s is not a valid packed matrix file.\n", file);
        std::fclose(f);
        return nullptr;
    }
    return f;
}

struct Closer {
    std::FILE* f;
    ~Closer() {
        if (f) std::fclose(f);
    }
};

}  // namespace

void lintseries(float* column, int periods) {
    int i = 0;
    while (i < periods && (ismissing(column[i]) || std::fabs(column[i]) <= 1e-7f)) ++i;
    lintfrom(column, periods, i);
}

int pmxrow(VamFile* bank, const char* file, float basedate, const IndexGuide& guide, int first,
           int last) {
    const JexDate b(basedate);
    const int bobs = b.wsIndex();
    if (bobs < 0) {
        printout("Error in index command.  Bad basedate for Jex series: %d.\r\n", wsBaseYear);
        return -1;
    }
    PackedPattern p;
    Closer f{openpacked(bank, file, p)};
    if (!f.f) return -1;
    const int kb = b.frequency == p.first.frequency ? static_cast<int>(b - p.first) : -1;
    const int bpos = position(*bank, b);
    if (kb < 0 || kb >= p.periods || !p.hasPeriod(kb) || bpos < 0) {
        printout("Error in index command.  The base date is outside packed matrix file %s.\r\n",
                 file);
        return -1;
    }
    if (first < 1 || last > p.header.rows) {
        printout("Invalid line number.\n");
        return -1;
    }
    float gb = 0;
    if (!guide.vector) {
        gb = bobs < wslimit() ? guide.series[bobs] : 0;
        if (gb == 0 || ismissing(gb)) return -1;  // nothing to divide by: nothing written
    }
    // The f dates cut to the file's periods and the bank's.
    JexDate from = p.first, to = p.last;
    if (fdate1Date.frequency == from.frequency && fdate1Date > from) from = fdate1Date;
    if (fdate2Date.frequency == to.frequency && fdate2Date < to) to = fdate2Date;
    std::vector<float> row, out;
    for (int r = first; r <= last; ++r) {
        const int c = p.rowCounts[r - 1];
        if (c == 0) continue;
        const std::size_t count = static_cast<std::size_t>(guide.count);
        const float gr = guide.vector && r <= guide.count ? guide.table[bpos * count + r - 1] : 0;
        if (guide.vector && (std::fabs(gr) == 0 || ismissing(gr))) continue;
        row.resize(c);
        out.resize(c);
        const long long at = 4LL * p.rowStarts[r - 1];
        if (!readfloatsat(f.f, p.valuesAt(kb) + at, row.data(), c)) {
            printout("Could not read row %d. Bye.\r\n", r);
            return -1;
        }
        if (to < from) continue;
        for (JexDate d = from; d <= to; d = d + 1) {
            if (d == b) continue;
            const int k = static_cast<int>(d - p.first);
            if (!p.hasPeriod(k)) continue;
            float g, base;
            if (guide.vector) {
                const int pos = position(*bank, d);
                if (pos < 0) continue;
                g = guide.table[static_cast<std::size_t>(pos) * count + r - 1];
                base = gr;
            } else {
                const int obs = d.wsIndex();
                if (obs < 0 || obs >= wslimit()) continue;
                g = guide.series[obs];
                base = gb;
            }
            for (int m = 0; m < c; ++m)
                out[m] = ismissing(g) || ismissing(row[m]) ? MISSING : row[m] * (g / base);
            if (!writefloatsat(f.f, p.valuesAt(k) + at, out.data(), c)) {
                printout("\nIncomplete write of row %d.\n", r);
                return -1;
            }
        }
    }
    return 0;
}

int pmlint(VamFile* bank, const char* file) {
    PackedPattern p;
    Closer f{openpacked(bank, file, p)};
    if (!f.f) return -1;
    const int P = p.periods;
    for (int k = 0; k < P; ++k)
        if (!p.hasPeriod(k)) {
            printout("Error:  %s holds no values for some periods.\n", file);
            return -1;
        }
    std::vector<float> table, column(static_cast<std::size_t>(P));
    for (int r = 0; r < p.header.rows; ++r) {
        const int c = p.rowCounts[r];
        if (c == 0) continue;
        if (addPrint == 1) printout("pmlint in row %4d\n", r + 1);
        const long long at = 4LL * p.rowStarts[r];
        table.resize(static_cast<std::size_t>(P) * c);
        for (int k = 0; k < P; ++k)
            if (!readfloatsat(f.f, p.valuesAt(k) + at, table.data() + static_cast<std::size_t>(k) * c, c)) {
                printout("Could not read row %d. Bye.\r\n", r + 1);
                return -1;
            }
        for (int m = 0; m < c; ++m) {
            for (int k = 0; k < P; ++k) column[k] = table[static_cast<std::size_t>(k) * c + m];
            lintpacked(column.data(), P);
            for (int k = 0; k < P; ++k) table[static_cast<std::size_t>(k) * c + m] = column[k];
        }
        for (int k = 0; k < P; ++k)
            if (!writefloatsat(f.f, p.valuesAt(k) + at, table.data() + static_cast<std::size_t>(k) * c, c)) {
                printout("\nIncomplete write of row %d.\n", r + 1);
                return -1;
            }
    }
    if (addPrint == 1) printout("\r\n");
    return 0;
}

int indexcmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n' || !bank) {
        printout("Format is: index <basedate> <guide> <name1> [more names]\n");
        droprest(in, cls);
        return -1;
    }
    IndexRun run{bank, static_cast<float>(std::atof(token)), -1, {}, fspan(*bank)};
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Need name of guide series.\n");
        droprest(in, cls);
        return -1;
    }
    run.bpos = position(*bank, JexDate(run.basedate));
    if (run.bpos < 0) {
        char text[JexDate::textSize];
        printout("Error in index command.  The base date %s is outside the Vam bank.\r\n",
                 JexDate(run.basedate).print(text));
        droprest(in, cls);
        return -1;
    }
    std::vector<float> series(static_cast<std::size_t>(std::max<int>(seriesArrayLength, wsMaxObs)), 0.0f);
    char* text = nullptr;
    const int found = fetchseries(token, series.data(), text, in, 1);
    if (found == 2 && !(bank->isLoaded() && bank->loadedView() == 'x' &&
                        std::strcmp(bank->loadedName(), token) == 0)) {
        // a whole element of another bank
        printout("Need name of guide series.\n");
        droprest(in, lastTokenClass);
        return -1;
    }
    if (found == 2) {
        // A vector of the bank, now its loaded element: its own table is the guide, and
        // the series guide of columns and vectors is all zeros.
        run.guide.vector = true;
        run.guide.count = bank->loadedCount();
        const float* t = bank->loadedRow(0);
        run.guide.table.assign(t, t + static_cast<std::size_t>(bank->loadedRows()) * run.guide.count);
        std::fill(series.begin(), series.end(), 0.0f);
    } else if (found != 0) {
        droprest(in, lastTokenClass);
        return -1;
    } else {
        const int w = bank->firstJexDate().wsIndex() + run.bpos;
        if (w < 0 || w >= wslimit()) {
            printout("Error in index command.  Bad basedate for Jex series: %d.\r\n", wsBaseYear);
            droprest(in, lastTokenClass);
            return -1;
        }
    }
    run.guide.series = series.data();
    return eachtarget(bank, in, "Unrecognized name: %s\n",
                      [&](const std::vector<int>& cols) { return run.columns(cols); },
                      [&](const char* name) { return run.target(name); });
}

int Lintcmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    if (!bank) return -1;
    return eachtarget(bank, in, "Unrecognized name %s\r\n",
                      [&](const std::vector<int>& cols) { return lintcolumns(bank, cols); },
                      [&](const char* name) { return linttarget(bank, name); });
}
