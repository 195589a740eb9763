#include "vam/element_access.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/bytes.h"
#include "core/printout.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "vam/floatio.h"
#include "vam/vamfile.h"

namespace {

// The bank's period of a date, or -1 after a message.
int periodfor(VamFile* bank, float date, const char* name) {
    int k = 0;
    if (!bank->periodOf(JexDate(date), k)) {
        printout("\nError:  the date %g lies outside the Vam bank for %s.\n",
                 static_cast<double>(date), name);
        return -1;
    }
    return k;
}

bool transfer(VamFile* bank, long long pos, float* values, long n, bool write) {
    return write ? writefloatsat(bank->file(), pos, values, n) : readfloatsat(bank->file(), pos, values, n);
}

// True when the matrix's rows follow one another in memory in row order.
bool contiguous(Matrix<float>& m) {
    for (int r = 1; r < m.rows(); ++r)
        if (m.rowAt(r) != m.rowAt(0) + static_cast<long>(r) * m.cols()) return false;
    return true;
}

int vectorio(Vector<float>& v, VamFile* bank, const char* name, float date, bool write) {
    const int i = bank ? bank->findser(name) : -1;
    if (i < 0) {
        printout("No such vector as %s.\n", name);
        return -1;
    }
    if (bank->rowsOf(i) != v.rows() || bank->columnsOf(i) != v.cols() || !v.data() ||
        bank->typeOf(i) == 'p') {
        printout("Vector %s has wrong dimensions!\n", name);
        printout("Rows = %d.  Columns = %d.  Declared (%d,%d).\n", bank->rowsOf(i),
                 bank->columnsOf(i), v.rows(), v.cols());
        return -1;
    }
    const int k = periodfor(bank, date, name);
    if (k < 0) return -1;
    if (!transfer(bank, bank->elementPos(i, k), v.data(), v.count(), write)) {
        printout("Error reading vector.\n");
        return -1;
    }
    return 0;
}

}  // namespace

int declarevector(Vector<float>& v, VamFile* bank, const char* name) {
    if (!bank || !bank->isOpen()) {
        printout("VamFile not opened in Vector initialization.\r\n");
        return -1;
    }
    const int i = bank->findser(name);
    if (i < 0) {
        printout("No such vector as %s.\n", name);
        v.clear();
        return -1;
    }
    if (bank->typeOf(i) == 'p') {
        printout("Error: You are trying to declare a vector: %s.\r\n", name);
        printout("  In the Vam file it is a packed matrix!\r\n");
        return -1;
    }
    const int R = bank->rowsOf(i), C = bank->columnsOf(i);
    if (R >= 2 && C >= 2) {
        printout("%s must be declared to be a matrix, not a vector.\n", name);
        return -1;
    }
    const long n = static_cast<long>(R) + C - 1;
    if (n > 16000 || n < 0) {
        printout("%ld is an illegal number of elements for a vector.\n", n);
        return -1;
    }
    v.clear();
    Vector<float> made(R, C, 'n', 1, 1);
    if (!made.data()) {
        printout("Out of memory allocating %s.\n", name);
        return -1;
    }
    v = std::move(made);
    return 0;
}

int readvector(Vector<float>& v, VamFile* bank, const char* name, float date) {
    return vectorio(v, bank, name, date, false);
}

int writevector(Vector<float>& v, VamFile* bank, const char* name, float date) {
    return vectorio(v, bank, name, date, true);
}

int declarematrix(Matrix<float>& m, VamFile* bank, const char* name) {
    if (!bank || !bank->isOpen()) {
        printout("VamFile not opened in Vector initialization.\r\n");
        return -1;
    }
    const int i = bank->findser(name);
    if (i < 0) {
        printout("No such matrix as %s.\n", name);
        return -1;
    }
    const char type = bank->typeOf(i);
    if (type == 'v' && bank->lagsOf(i) == 0) {
        printout("The vector %s does not have any lags!  Cannot be declared as a matrix.\r\n", name);
        printout("Change the value in the lags column and then remake your HIST.VAM file.\r\n");
        platform::current().messageBox("Error:  trying to load matrix", "Error", platform::Buttons::Ok);
        return -1;
    }
    if (type == 'p') {
        printout("Error: You are trying to declare a matrix: %s.\r\n", name);
        printout("  In the Vam file it is a packed matrix!\r\n");
        platform::current().messageBox("Error:  trying to load matrix", "Error", platform::Buttons::Ok);
        return -1;
    }
    m.resize(bank->rowsOf(i), bank->columnsOf(i), 1, 1);
    if (!m.hasStorage()) {
        printout("Out of memory assigning %s.\n", name);
        platform::current().messageBox("Error:  trying to load matrix", "Error", platform::Buttons::Ok);
        return -1;
    }
    m.name = name;
    return 0;
}

int readmatrix(Matrix<float>& m, VamFile* bank, const char* name, float date) {
    const int i = bank ? bank->findser(name) : -1;
    if (i < 0 || bank->typeOf(i) == 'p' || bank->rows(i) != m.rows() || bank->cols(i) != m.cols() ||
        !m.hasStorage())
        return -1;
    const int k = periodfor(bank, date, name);
    if (k < 0) return -1;
    if (contiguous(m))  // the rows lie one after the other: one read straight into them
        return transfer(bank, bank->elementPos(i, k), m.rowAt(0), static_cast<long>(m.rows()) * m.cols(), false)
                   ? 0
                   : -1;
    // The whole period in one read, then row by row into the matrix.
    std::vector<float> block(static_cast<std::size_t>(m.rows()) * m.cols());
    if (!transfer(bank, bank->elementPos(i, k), block.data(), static_cast<long>(block.size()), false))
        return -1;
    for (int r = 0; r < m.rows(); ++r)
        std::copy(block.begin() + static_cast<long>(r) * m.cols(),
                  block.begin() + static_cast<long>(r + 1) * m.cols(), m.rowAt(r));
    return 0;
}

int writematrix(Matrix<float>& m, VamFile* bank, const char* name, float date) {
    const int i = bank ? bank->findser(name) : -1;
    if (i < 0 || bank->typeOf(i) == 'p') {
        printout("\nError writing matrix:  No such matrix as %s.\n", name);
        return -1;
    }
    if (bank->rows(i) != m.rows() || bank->cols(i) != m.cols() || !m.hasStorage()) {
        printout("\nError writing matrix:  Matrix %s has wrong dimensions!\n", name);
        printout("Rows = %d.  Columns = %d.  Declared (%d,%d).\n", bank->rows(i), bank->cols(i),
                 m.rows(), m.cols());
        return -1;
    }
    const int k = periodfor(bank, date, name);
    if (k < 0) return -1;
    std::vector<float> block;
    float* start = m.rowAt(0);
    if (!contiguous(m)) {
        block.resize(static_cast<std::size_t>(m.rows()) * m.cols());
        for (int r = 0; r < m.rows(); ++r)
            std::copy(m.rowAt(r), m.rowAt(r) + m.cols(), block.begin() + static_cast<long>(r) * m.cols());
        start = block.data();
    }
    if (!transfer(bank, bank->elementPos(i, k), start, static_cast<long>(m.rows()) * m.cols(), true)) {
        printout("\nError writing matrix %d.\n", 1);
        return -1;
    }
    return 0;
}
