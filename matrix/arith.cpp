#include "matrix/arith.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/printout.h"
#include "interp/reader.h"
#include "matrix/frame.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

void mtransusage() {
    printout("Usage: mtrans <destination>  <source>  [yr]\r\n");
    printout("where <destination> and <source> are matrix names for the transposition, and\r\n");
    printout("      yr is the year for copy. Default copy range is specified by fdates.\r\n");
}

void maddusage() {
    printout("Usage: madd <result matrix> = <term1 matrix> + <term2 matrix> [yr]\r\n");
    printout("Or   : madd <result matrix> = <term1 matrix> - <term2 matrix> [yr]\r\n");
    printout("where yr is the year for copy. Default copy range is specified by fdates.\r\n");
}

void mmultusage() {
    printout("Usage: mmult <result> = <term1> * <term2> [yr] for standard matrix multiplication\r\n");
    printout("Or   : mmult <result> = <term1> ' <term2> [yr] to transpose term1 before multiplying\r\n");
    printout("Or   : mmult <result> = <term1> & <term2> [yr] for element-by-element multiplication\r\n");
    printout("Or   : mmult <result> = <term1> / <term2> [yr] for element-by-element division\r\n");
    printout("where yr is the year for copy. Default copy range is specified by fdates.\r\n");
}

// A matrix operand that is found, of kind 'm'; false after the command's message.
bool findmatrix(VamFile* bank, const char* name, Operand& op, const char* word) {
    if (!lookup(bank, name, true, op) || !op.matrix()) {
        printout("\r\nNo such matrix as %s\r\n", name);
        return false;
    }
    if (op.type == 'p') {
        printout("%s does not work with packed matrices.\r\n", word);
        return false;
    }
    return true;
}

// Loads one period of the operand into a work table; false after the box.
bool loadcopy(const Operand& op, const JexDate& d, const char* where, std::vector<float>& work) {
    if (!loadperiod(op, d, where)) return false;
    work = copyloaded(op);
    return true;
}

}  // namespace

int mtranscmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char dname[tokenSize], sname[tokenSize];
    int cls = gettoken(dname, in, 0, tokenSize);
    if (cls == 'a') cls = gettoken(sname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        mtransusage();
        droprest(in, cls);
        return -1;
    }
    const float year = readyear(in, cls);
    droprest(in, cls);
    Operand s, t;
    if (!findmatrix(bank, sname, s, "mtrans") || !findmatrix(bank, dname, t, "mtrans")) return -1;
    if (t.rows < s.cols || t.cols < s.rows) {
        printout("Destination not big enough for transpose of source.\r\n");
        mtransusage();
        return -1;
    }
    Range r = rangefor(year);
    clip(r, *s.bank);
    clip(r, *t.bank);
    if (r.empty()) return 0;
    std::vector<float> work;
    for (JexDate d = r.first; d <= r.last; d = d + 1) {
        if (!loadcopy(s, d, " in mtrans", work)) {
            mtransusage();
            return -1;
        }
        float* out = loadperiod(t, d, " for destination matrix in mtrans");
        if (!out) {
            mtransusage();
            return -1;
        }
        for (int i = 0; i < s.rows; ++i)
            for (int j = 0; j < s.cols; ++j)
                out[static_cast<std::size_t>(j) * t.cols + i] = work[static_cast<std::size_t>(i) * s.cols + j];
        if (storeperiod(t) != 0) return -1;
    }
    return 0;
}

int maddcmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char rname[tokenSize], n1[tokenSize], n2[tokenSize], op[tokenSize], token[tokenSize];
    int cls = gettoken(rname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        maddusage();
        droprest(in, cls);
        return -1;
    }
    int errors = 0;
    cls = gettoken(token, in, 0, tokenSize);
    if (std::strcmp(token, "=") != 0) {
        printout("No = in madd command. One supplied.\r\n");
        ungettoken();
    }
    if (gettoken(n1, in, 0, tokenSize) != 'a') {
        printout("Improper Term1 name in madd command.\r\n");
        ++errors;
    }
    cls = gettoken(op, in, 0, tokenSize);
    if (std::strcmp(op, "+") != 0 && std::strcmp(op, "-") != 0) {
        printout("Improper operator %s in madd command. Should be + or -.\r\n", op);
        ++errors;
    }
    cls = gettoken(n2, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Improper Term2 name in madd command.\r\n");
        ++errors;
    }
    const float year = readyear(in, cls);
    droprest(in, cls);
    if (errors > 0) {
        maddusage();
        return -1;
    }
    Operand a, b, res;
    if (!findmatrix(bank, n1, a, "madd") || !findmatrix(bank, n2, b, "madd") ||
        !findmatrix(bank, rname, res, "madd"))
        return -1;
    if (a.rows != b.rows || a.cols != b.cols) {
        printout("The two right side matrices must have the same dimension.\r\n");
        return -1;
    }
    if (res.rows < a.rows || res.cols < a.cols) {
        printout("The left side matrix must be big enough to hold the result.\r\n");
        return -1;
    }
    Range r = rangefor(year);
    clip(r, *a.bank);
    clip(r, *b.bank);
    clip(r, *res.bank);
    if (r.empty()) return 0;
    const bool minus = op[0] == '-';
    std::vector<float> t1, t2;
    for (JexDate d = r.first; d <= r.last; d = d + 1) {
        if (!loadcopy(a, d, " in madd for term1", t1) || !loadcopy(b, d, " in madd for term2", t2)) {
            maddusage();
            return -1;
        }
        float* out = loadperiod(res, d, " in madd for result matrix");
        if (!out) {
            maddusage();
            return -1;
        }
        for (int i = 0; i < a.rows; ++i)
            for (int j = 0; j < a.cols; ++j) {
                const std::size_t k = static_cast<std::size_t>(i) * a.cols + j;
                out[static_cast<std::size_t>(i) * res.cols + j] = minus ? t1[k] - t2[k] : t1[k] + t2[k];
            }
        if (storeperiod(res) != 0) return -1;
    }
    return 0;
}

namespace {

// One term of mmult: a matrix or a number.
struct Term {
    bool number = false;
    float value = 0;
    Operand op;
    int rows = 0, cols = 0;
    std::vector<float> table;
};

// The range of mmult: one year inside every bank, or the f dates cut to all of them.
bool mmultrange(float year, const std::vector<VamFile*>& banks, Range& r) {
    if (year != 0) {
        for (VamFile* b : banks) {
            const float first = static_cast<float>(b->firstJexDate().year);
            const float last = static_cast<float>(b->lastJexDate().year);
            if (static_cast<int>(year) < first || static_cast<int>(year) > last) {
                printout("Error:  in mmult, invalid date has been specified.\r\n");
                return false;
            }
        }
        r = rangefor(year);
        for (VamFile* b : banks) clip(r, *b);
        return true;
    }
    r = fdaterange();
    for (VamFile* b : banks) clip(r, *b);
    if (r.empty()) {
        printout("Error:  in mmult, invalid date range.\r\n");
        return false;
    }
    return true;
}

}  // namespace

int mmultcmd(DataBank* db, std::FILE* in) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char rname[tokenSize], n1[tokenSize], n2[tokenSize], op[tokenSize], token[tokenSize];
    int cls = gettoken(rname, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        mmultusage();
        droprest(in, cls);
        return -1;
    }
    cls = gettoken(token, in, 0, tokenSize);
    if (std::strcmp(token, "=") != 0) {
        printout("No = in mmult command. One supplied.\r\n");
        ungettoken();
    }
    int errors = 0;
    Term t1, t2;
    auto readterm = [&](char* name, Term& t, const char* text) {
        const int c = gettoken(name, in, 0, tokenSize);
        if (c == 'n') {
            t.number = true;
            t.value = static_cast<float>(std::atof(name));
        } else if (c != 'a') {
            printout("%s", text);
            ++errors;
        }
        return c;
    };
    readterm(n1, t1, "Improper Term1 name in mmult command.\r\n");
    cls = gettoken(op, in, 0, tokenSize);
    const char o = op[0];
    if (op[1] != '\0' || !std::strchr("*'/&<>", o) || o == '\0') {
        printout("Improper operator %s in mmult command. Should be * ' / & < or >.\r\n", op);
        ++errors;
    }
    cls = readterm(n2, t2, "Improper Term2 name in mmult command.\r\n");
    if (errors > 0) {
        droprest(in, cls);
        mmultusage();
        return -1;
    }
    Operand res;
    if (!findmatrix(bank, rname, res, "mmult")) {
        droprest(in, 0);
        return -1;
    }
    for (auto* t : {&t1, &t2}) {
        if (t->number) continue;
        if (!findmatrix(bank, t == &t1 ? n1 : n2, t->op, "mmult")) {
            droprest(in, 0);
            return -1;
        }
        t->rows = t->op.rows;
        t->cols = t->op.cols;
    }
    const float year = readyear(in, cls);
    droprest(in, cls);
    std::vector<VamFile*> banks{res.bank};
    for (auto* t : {&t1, &t2})
        if (!t->number) banks.push_back(t->op.bank);
    Range r;
    if (!mmultrange(year, banks, r)) return -1;
    if (t1.number && t2.number) {
        printout("Error:  in mmult, at least one of the RHS arguments must be a matrix; both cannot be scalars.\r\n");
        return -1;
    }
    const int R = res.rows, C = res.cols;
    if (o == '*' || o == '\'') {
        if (t1.number) {
            t1.rows = R;
            t1.cols = t2.rows;
        }
        if (t2.number) {
            t2.rows = o == '*' ? t1.cols : t1.rows;
            t2.cols = C;
        }
    } else {
        if (t1.number) {
            t1.rows = t2.rows;
            t1.cols = t2.cols;
        }
        if (t2.number) {
            t2.rows = t1.rows;
            t2.cols = t1.cols;
        }
    }
    const int r1 = t1.rows, c1 = t1.cols, r2 = t2.rows, c2 = t2.cols;
    const char* mismatch = nullptr;
    const char* small = "The left side matrix must be big enough to hold the result.\r\n";
    if (o == '*') {
        if (c1 != r2) mismatch = "The two right side matrices must have compatible dimensions.\r\n";
        else if (r1 > R || c2 > C) mismatch = small;
    } else if (o == '\'') {
        if (r1 != r2) mismatch = "The two right side matrices must have compatible dimensions.\r\n";
        else if (c1 > R || c2 > C) mismatch = small;
    } else if (o == '/' || o == '&') {
        if (r1 != r2 || c1 != c2) mismatch = "The two right side matrices must have the same dimensions.\r\n";
        else if (r1 > R || c2 > C) mismatch = small;
    } else {
        if (r1 != r2 || c1 != c2)
            mismatch = "\nError:  in mmult, the two right side matrices must have the same dimensions.\r\n";
        else if (r1 > R || c2 > C)
            mismatch = "\nError:  In mmult, the left side matrix must be big enough to hold the result.\r\n";
    }
    if (mismatch) {
        printout("%s", mismatch);
        return -1;
    }
    for (auto* t : {&t1, &t2})
        if (t->number) t->table.assign(static_cast<std::size_t>(t->rows) * t->cols, t->value);
    if (r.empty()) return 0;
    std::vector<double> acc;
    for (JexDate d = r.first; d <= r.last; d = d + 1) {
        if ((!t1.number && !loadcopy(t1.op, d, " in mmult for term1", t1.table)) ||
            (!t2.number && !loadcopy(t2.op, d, " in mmult for term2", t2.table))) {
            mmultusage();
            return -1;
        }
        float* out = loadperiod(res, d, " in mmult for result matrix");
        if (!out) {
            mmultusage();
            return -1;
        }
        const float* a = t1.table.data();
        const float* b = t2.table.data();
        auto cell = [&](int i, int j) -> float& { return out[static_cast<std::size_t>(i) * C + j]; };
        if (o == '*') {
            // Each cell's sum runs over k = 1 .. n in order; the cells of a row advance
            // together (the row's cells innermost) so the loops run along rows.
            acc.assign(static_cast<std::size_t>(c2), 0.0);
            for (int i = 0; i < r1; ++i) {
                std::fill(acc.begin(), acc.end(), 0.0);
                const float* ai = a + static_cast<std::size_t>(i) * c1;
                for (int k = 0; k < c1; ++k) {
                    const double f = ai[k];
                    const float* bk = b + static_cast<std::size_t>(k) * c2;
                    for (int j = 0; j < c2; ++j) acc[static_cast<std::size_t>(j)] += f * static_cast<double>(bk[j]);
                }
                for (int j = 0; j < c2; ++j) cell(i, j) = static_cast<float>(acc[static_cast<std::size_t>(j)]);
            }
        } else if (o == '\'') {
            // The same with term1 read down its columns: all cells accumulate at once.
            acc.assign(static_cast<std::size_t>(c1) * c2, 0.0);
            for (int k = 0; k < r1; ++k) {
                const float* ak = a + static_cast<std::size_t>(k) * c1;
                const float* bk = b + static_cast<std::size_t>(k) * c2;
                for (int i = 0; i < c1; ++i) {
                    const double f = ak[i];
                    double* si = acc.data() + static_cast<std::size_t>(i) * c2;
                    for (int j = 0; j < c2; ++j) si[j] += f * static_cast<double>(bk[j]);
                }
            }
            for (int i = 0; i < c1; ++i)
                for (int j = 0; j < c2; ++j) cell(i, j) = static_cast<float>(acc[static_cast<std::size_t>(i) * c2 + j]);
        } else {
            for (int i = 0; i < r1; ++i)
                for (int j = 0; j < c1; ++j) {
                    const float x = a[static_cast<std::size_t>(i) * c1 + j];
                    const float y = b[static_cast<std::size_t>(i) * c1 + j];
                    float v;
                    switch (o) {
                    case '&': v = x * y; break;
                    case '/': v = std::fabs(y) > 1e-7f ? x / y : x; break;
                    case '<': v = x < y ? x : y; break;
                    default: v = x > y ? x : y; break;
                    }
                    cell(i, j) = v;
                }
        }
        if (storeperiod(res) != 0) return -1;
    }
    return 0;
}
