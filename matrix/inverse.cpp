#include "matrix/inverse.h"

#include <cmath>
#include <cstdlib>

#include "core/matrix.h"
#include "core/vector.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "matrix/frame.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

namespace {

// row[j] -= f * pivot[j] for j < n (two different rows).
void eliminaterow(float* __restrict row, const float* __restrict pivot, float f, int n) {
    for (int j = 0; j < n; ++j) row[j] -= f * pivot[j];
}

}  // namespace

int leontief(float* a, int n, int cols) {
    auto at = [&](int i, int j) -> float& { return a[static_cast<std::size_t>(i) * cols + j]; };
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) at(i, j) = -at(i, j);
        at(i, i) += 1.0f;
    }
    for (int k = 0; k < n; ++k) {
        const double p = at(k, k);
        at(k, k) = 1.0f;
        if (std::fabs(p) < 1e-7) return k;
        float* rowk = &at(k, 0);
        for (int j = 0; j < cols; ++j) rowk[j] = static_cast<float>(rowk[j] / p);
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            float* rowi = &at(i, 0);
            const float f = rowi[k];
            rowi[k] = 0.0f;
            if (f == 0.0f) continue;
            eliminaterow(rowi, rowk, f, n);
        }
    }
    return -1;
}

namespace {

void linvusage() {
    printout("Usage: linv <matrix>  [yr]\r\n");
    printout("where matrix is the name of a matrix\r\n");
    printout("      yr is the year for balancing. Default as specified in fdate\r\n");
}

void minvusage() {
    printout("Usage: minv <matrix>  [yr]\r\n");
    printout("where matrix is the name of a matrix to be inverted\r\n");
    printout("      yr is the year for inversion. Default as specified in fdate\r\n");
}

// The common reading of linv and minv: the matrix and the year. False after the message.
bool readinverse(DataBank* db, std::FILE* in, void (*usage)(), const char* word, Operand& m,
                 Range& r) {
    VamFile* bank = vamof(db);
    storefirst(bank);
    char name[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        usage();
        droprest(in, cls);
        return false;
    }
    const float year = readyear(in, cls);
    droprest(in, cls);
    if (!lookup(bank, name, true, m) || !m.matrix()) {
        printout("\r\nNo such matrix as %s\r\n", name);
        return false;
    }
    if (m.type == 'p') {
        printout("%s does not work with packed matrices.\r\n", word);
        usage();
        return false;
    }
    r = rangefor(year);
    clip(r, *m.bank);
    return true;
}

}  // namespace

int linvcmd(DataBank* db, std::FILE* in) {
    Operand m;
    Range r;
    if (!readinverse(db, in, linvusage, "linv", m, r)) return -1;
    const int n = m.rows < m.cols ? m.rows : m.cols;
    const int status = eachperiod(r, m, " in linv", linvusage, [&](float* a, const JexDate& d) {
        if (leontief(a, n, m.cols) < 0) return true;
        char date[JexDate::textSize];
        printout("Singular matrix in %s.\r\n", d.print(date));
        linvusage();
        return false;  // the half-eliminated table never reaches the file
    });
    if (status != 0) return -1;
    printout("\n");
    return 0;
}

int minvcmd(DataBank* db, std::FILE* in) {
    Operand m;
    Range r;
    if (!readinverse(db, in, minvusage, "minv", m, r)) return -1;
    const int n = m.rows < m.cols ? m.rows : m.cols;
    Matrix<double> work(n, n);
    if (!work.hasStorage()) return -1;
    const int status = eachperiod(r, m, " in minv", minvusage, [&](float* a, const JexDate&) {
        try {
            for (int i = 0; i < n; ++i) {
                const float* src = a + static_cast<std::size_t>(i) * m.cols;
                double* dst = work.rowAt(i);
                for (int j = 0; j < n; ++j) dst[j] = src[j];
            }
            // A decomposition whose pivot vanishes would stand a tiny number in for it and give
            // an "inverse" of huge values: refuse the matrix as singular instead.
            bool singular = false;
            work.invert(&singular);
            if (singular) {
                printout("\nError:  singular matrix in routine ludcmp.\n");
                throw Jex7Errors("singular matrix");
            }
            for (int i = 0; i < n; ++i) {
                const double* src = work.rowAt(i);
                float* dst = a + static_cast<std::size_t>(i) * m.cols;
                for (int j = 0; j < n; ++j) dst[j] = static_cast<float>(src[j]);
            }
            return true;
        } catch (...) {
            minvusage();
            return false;
        }
    });
    if (status != 0) return -1;
    printout("\n");
    return 0;
}
