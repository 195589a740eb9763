// Packed-matrix files: checking them, loading a row, column or period into a bank's loaded
// table, writing a row back, the Pmatrix class and the pmfile command.
#include "vam/pmatrix.h"

#include "vam/floatio.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/bytes.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "vam/vamfile.h"
#include "vam/vampath.h"

namespace {

bool validperiod(std::uint8_t period, std::uint8_t frequency) {
    if (frequency != 1 && frequency != 2 && frequency != 4 && frequency != 12) return false;
    return period >= 1 && period <= frequency;
}


struct FileCloser {
    std::FILE* f = nullptr;
    ~FileCloser() {
        if (f) std::fclose(f);
    }
};

}  // namespace

std::vector<std::uint8_t> encodepackedheader(const PackedHeader& h) {
    bytes::ByteWriter w;
    w.fixedText(h.name.c_str(), 72);
    if (h.dated) {
        w.u8('n');
        w.u8(0);
    } else {
        w.u8(0);
        w.u8(0);
    }
    w.raw(h.details, 6);
    w.i16(h.firstYear);
    w.i16(h.lastYear);
    w.i16(0);
    w.i16(h.rows);
    w.i16(h.columns);
    w.i16(h.firstRow);
    w.i16(h.firstColumn);
    w.i16(h.lastRow);
    w.i16(h.lastColumn);
    w.i32(h.cells);
    w.i32(h.bytesPerPeriod);
    w.u8('n');
    w.i32(0);
    w.i32(0);
    w.i32(packedHeaderSize);
    return w.data();
}

bool decodepackedpattern(const std::uint8_t* data, std::size_t size, int rows, int columns,
                         int maxPeriods, PackedPattern& out) {
    if (size < packedHeaderSize) return false;
    PackedHeader& h = out.header;
    bytes::ByteReader r(data, size);
    std::uint8_t marker[2];
    r.fixedText(h.name, 72);
    r.raw(marker, 2);
    r.raw(h.details, 6);
    r.i16(h.firstYear);
    r.i16(h.lastYear);
    r.skip(2);
    r.i16(h.rows);
    r.i16(h.columns);
    r.i16(h.firstRow);
    r.i16(h.firstColumn);
    r.i16(h.lastRow);
    r.i16(h.lastColumn);
    r.i32(h.cells);
    r.i32(h.bytesPerPeriod);
    h.dated = marker[0] == 'n' && marker[1] == 0;
    if (!h.dated) {
        const std::uint8_t annual[6] = {1, 0, 1, 1, 0, 1};
        std::memcpy(h.details, annual, 6);
    }
    if (h.rows < 1 || h.columns < 1) return false;
    if (rows >= 0 && h.rows != rows) return false;
    if (columns >= 0 && h.columns != columns) return false;
    if (h.cells < 0 || h.cells > static_cast<long long>(h.rows) * h.columns) return false;
    if (!validperiod(h.details[0], h.details[2]) || !validperiod(h.details[3], h.details[5]) ||
        h.details[2] != h.details[5] || h.firstYear < 300 || h.lastYear < 300)
        return false;
    out.first = JexDate(h.firstYear, h.details[0], h.details[1], h.details[2]);
    out.last = JexDate(h.lastYear, h.details[3], h.details[4], h.details[5]);
    const long periods = static_cast<long>(out.last - out.first) + 1;
    if (periods < 1 || (maxPeriods >= 0 && periods > maxPeriods)) return false;
    out.periods = static_cast<int>(periods);
    const long long patternEnd = packedHeaderSize + 2LL * (h.rows + h.cells);
    if (static_cast<long long>(size) < patternEnd) return false;
    out.rowCounts.resize(h.rows);
    out.rowStarts.assign(h.rows + 1, 0);
    long long total = 0;
    for (int i = 0; i < h.rows; ++i) {
        out.rowCounts[i] = bytes::getI16(data + packedHeaderSize + 2 * i);
        if (out.rowCounts[i] < 0 || out.rowCounts[i] > h.columns) return false;
        total += out.rowCounts[i];
        if (total > h.cells) return false;
        out.rowStarts[i + 1] = static_cast<std::int32_t>(total);
    }
    if (total != h.cells) return false;
    out.columns.resize(h.cells);
    const std::uint8_t* c = data + packedHeaderSize + 2 * h.rows;
    std::int16_t* col = out.columns.data();
    for (int k = 0; k < h.cells; ++k) col[k] = bytes::getI16(c + 2 * k);
    // Each row's numbers rise within 1..columns: checked without a branch per cell.
    for (int i = 0; i < h.rows; ++i) {
        const int b = out.rowStarts[i], e = out.rowStarts[i + 1];
        if (b == e) continue;
        if (col[b] < 1 || col[e - 1] > h.columns) return false;
        int falling = 0;
        for (int k = b + 1; k < e; ++k) falling |= col[k] <= col[k - 1];
        if (falling) return false;
    }
    out.fileSize = static_cast<long long>(size);
    return true;
}

bool readpackedpattern(std::FILE* f, int rows, int columns, int maxPeriods, PackedPattern& out) {
    const long long size = platform::fileSize(f);
    std::uint8_t head[packedHeaderSize];
    if (size < packedHeaderSize || !platform::readAt(f, 0, head, sizeof head)) return false;
    const long long r = bytes::getI16(head + 86);
    const long long t = bytes::getI32(head + 98);
    if (r < 1 || t < 0) return false;
    const long long patternEnd = packedHeaderSize + 2 * (r + t);
    if (patternEnd > size) return false;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(patternEnd));
    if (!platform::readAt(f, 0, data.data(), data.size())) return false;
    if (!decodepackedpattern(data.data(), data.size(), rows, columns, maxPeriods, out))
        return false;
    out.fileSize = size;
    return true;
}

// ---- loading into a bank's table and writing a row back ----

int pmload(VamFile& bank, int i, char view, float line, std::vector<float>& table, int& rows,
           int& count) {
    const char* name = bank.packedFileName(bank.lagsOf(i));
    const std::string path = bank.findFile(name ? name : "");
    FileCloser file;
    if (!path.empty()) file.f = std::fopen(path.c_str(), "rb");
    if (!file.f) {
        printout("Error: Can not open file %s, load command failed.\n", name ? name : "");
        return -1;
    }
    PackedPattern p;
    if (!readpackedpattern(file.f, bank.rowsOf(i), bank.columnsOf(i), -1, p)) {
        printout("Error:  %s is not a valid packed matrix file for %s.\n", name, bank.nameOf(i));
        return -1;
    }
    if (p.periods > bank.periodCount()) {
        printout("Error: Invalid pmx date range.  Verify correspondence of Vam and PMX files.\n");
        return -1;
    }
    const int R = p.header.rows, C = p.header.columns;
    auto damaged = [&] {
        printout("Error:  %s holds no values for some periods.\n", name);
        return -1;
    };
    std::vector<float> block(static_cast<std::size_t>(p.header.cells));
    if (view == 'r') {
        const int n = static_cast<int>(line);
        if (n < 1 || n > R) {
            printout("Error: Invalid row number: %d!\n", n);
            return -1;
        }
        rows = bank.periodCount();
        count = C;
        table.assign(static_cast<std::size_t>(rows) * count, 0.0f);
        const int b = p.rowStarts[n - 1], c = p.rowCounts[n - 1];
        for (int k = 0; k < p.periods; ++k) {
            if (!p.hasPeriod(k)) return damaged();
            if (!readfloatsat(file.f, p.valuesAt(k) + 4LL * b, block.data(), c)) return damaged();
            for (int m = 0; m < c; ++m) table[static_cast<std::size_t>(k) * C + p.columns[b + m] - 1] = block[m];
        }
        return 0;
    }
    if (view == 'c') {
        const int j = static_cast<int>(line);
        if (j < 1 || j > C) {
            printout("Error: Invalid column number: %d!\n", j);
            return -1;
        }
        rows = bank.periodCount();
        count = R;
        table.assign(static_cast<std::size_t>(rows) * count, 0.0f);
        for (int k = 0; k < p.periods; ++k) {
            if (!p.hasPeriod(k)) return damaged();
            if (!readfloatsat(file.f, p.valuesAt(k), block.data(), p.header.cells)) return damaged();
            for (int row = 0; row < R; ++row)
                for (int m = p.rowStarts[row]; m < p.rowStarts[row + 1]; ++m)
                    if (p.columns[m] == j) table[static_cast<std::size_t>(k) * R + row] = block[m];
        }
        return 0;
    }
    if (view == 'y') {
        const JexDate d(line);
        int k = -1;
        if (d.frequency == p.first.frequency) k = static_cast<int>(d - p.first);
        if (d.frequency != p.first.frequency || k < 0 || k >= p.periods) {
            char text[JexDate::textSize];
            printout("Error: Invalid year : %s!\n", d.print(text));
            return -1;
        }
        rows = R;
        count = C;
        table.assign(static_cast<std::size_t>(rows) * count, 0.0f);
        if (!p.hasPeriod(k) || !readfloatsat(file.f, p.valuesAt(k), block.data(), p.header.cells))
            return damaged();
        for (int row = 0; row < R; ++row)
            for (int m = p.rowStarts[row]; m < p.rowStarts[row + 1]; ++m)
                table[static_cast<std::size_t>(row) * C + p.columns[m] - 1] = block[m];
        return 0;
    }
    printout("Error: Invalid view.\n");
    return -1;
}

int writearow(VamFile& bank, const char* file, float date, int row, const float* values,
              int count) {
    const std::string path = bank.findFile(file ? file : "");
    if (path.empty()) return -1;
    FileCloser f;
    f.f = std::fopen(path.c_str(), "rb+");
    if (!f.f) return -1;
    PackedPattern p;
    if (!readpackedpattern(f.f, -1, -1, bank.periodCount(), p)) return -1;
    if (row < 1 || row > p.header.rows || count < p.header.columns) return -1;
    const JexDate d(date);
    if (d.frequency != p.first.frequency) return -1;
    const long k = d - p.first;
    if (k < 0 || k >= p.periods || !p.hasPeriod(static_cast<int>(k))) return -1;
    const int b = p.rowStarts[row - 1], c = p.rowCounts[row - 1];
    if (c == 0) return 0;
    std::vector<float> cells(c);
    for (int m = 0; m < c; ++m) cells[m] = values[p.columns[b + m] - 1];
    return writefloatsat(f.f, p.valuesAt(static_cast<int>(k)) + 4LL * b, cells.data(), c) ? 0 : -1;
}

// ---- Pmatrix ----

bool Pmatrix::openpattern(const char* file, const char* mode, std::FILE*& f, PackedPattern& p,
                          const char* failText) {
    f = nullptr;
    std::string path;
    if (bank_) {
        path = bank_->findFile(file);
    } else {
        path = vampath(file);
    }
    if (!path.empty()) f = std::fopen(path.c_str(), mode);
    if (!f) {
        printout(failText, file);
        return false;
    }
    if (!readpackedpattern(f, -1, -1, bank_ ? bank_->periodCount() : -1, p)) {
        printout("Error:  %s is not a valid packed matrix file.\n", file);
        std::fclose(f);
        f = nullptr;
        return false;
    }
    return true;
}

bool Pmatrix::samepattern(const PackedPattern& p) const {
    if (p.header.rows != rows_ || p.header.columns != cols_ || p.header.cells != nelem_)
        return false;
    for (int i = 0; i < rows_; ++i) {
        if (p.rowCounts[i] != rowCounts_[i]) return false;
        for (int m = 0; m < rowCounts_[i]; ++m)
            if (p.columns[p.rowStarts[i] + m] != columnIndexes_[i][m]) return false;
    }
    return true;
}

int Pmatrix::declare(VamFile* bank, const char* matrixName, const char* file) {
    if (!bank || !bank->isOpen()) {
        printout("VamFile not opened in Pmatrix initialization.\r\n");
        return -1;
    }
    const int i = bank->findser(matrixName);
    if (i < 0) {
        printout("No such packed matrix as %s.\n", matrixName);
        return -1;
    }
    if (bank->typeOf(i) != 'p') {
        printout("Error: You are trying to declare a Packed matrix: %s.\r\n", matrixName);
        printout("  In the Vam file it is not a packed matrix!\r\n");
        platform::current().messageBox("Error:  in Pmatrix", "", platform::Buttons::Ok);
        return -1;
    }
    clear();
    if (!file || !*file) {
        nelem_ = 0;
        return -1;
    }
    if (std::strcmp(file, "same") == 0 || std::strcmp(file, "home") == 0) {
        printout("\nERROR:  function for Pmatrix not yet implemented!\n");
        return -1;
    }
    bank_ = bank;
    std::FILE* f = nullptr;
    PackedPattern p;
    if (!openpattern(file, "rb+", f, p, "Cannot open %s to define Packed Matrix.\n")) {
        bank_ = nullptr;
        return -1;
    }
    std::fclose(f);
    if (p.header.rows != bank->rowsOf(i) || p.header.columns != bank->columnsOf(i)) {
        printout("Error: The rows or columns do not match for packed matrix\n");
        bank_ = nullptr;
        return -1;
    }
    try {
        setShape(p.header.rows, p.header.columns, 1, 1);
        nelem_ = p.header.cells;
        rowCounts_ = p.rowCounts;
        columnIndexes_.assign(rows_, {});
        rowValues_.assign(rows_, {});
        for (int r = 0; r < rows_; ++r) {
            columnIndexes_[r].assign(p.columns.begin() + p.rowStarts[r],
                                     p.columns.begin() + p.rowStarts[r + 1]);
            rowValues_[r].assign(rowCounts_[r], 0.0f);
        }
    } catch (const std::bad_alloc&) {
        outofmemoryexit("Pmatrix row");
    }
    name = matrixName;
    temp = 'r';
    return 0;
}

int Pmatrix::load(const char* file, float date) {
    if (temp != 'r' && temp != 's') {
        printout("Error: Reference to a deleted or unloaded Pmatrix.\n");
        return -1;
    }
    std::FILE* f = nullptr;
    PackedPattern p;
    if (!openpattern(file, "rb", f, p, "Error:  Cannot open packed matrix file %s\n")) return -1;
    FileCloser closer{f};
    const JexDate d(date);
    const long k = d.frequency == p.first.frequency ? static_cast<long>(d - p.first) : -1;
    if (k < 0 || k >= p.periods) {
        printout("Error:  The year %8.3f is out of range for packed matrix\n", date);
        return -1;
    }
    if (!samepattern(p)) {
        printout("Error: The rows or columns do not match for packed matrix\n");
        return -1;
    }
    std::vector<float> block(static_cast<std::size_t>(nelem_));
    if (!p.hasPeriod(static_cast<int>(k)) ||
        !readfloatsat(f, p.valuesAt(static_cast<int>(k)), block.data(), nelem_))
        return -1;
    for (int r = 0; r < rows_; ++r)
        std::copy(block.begin() + p.rowStarts[r], block.begin() + p.rowStarts[r + 1],
                  rowValues_[r].begin());
    temp = 's';
    return 0;
}

int Pmatrix::store(const char* file, float date) {
    if (temp != 's') {
        printout("Error: Reference to a deleted or unloaded Pmatrix.\n");
        return -1;
    }
    std::FILE* f = nullptr;
    PackedPattern p;
    if (!openpattern(file, "rb+", f, p, "\nError:  Can not open packed matrix file %s\n"))
        return -1;
    FileCloser closer{f};
    const JexDate d(date);
    const long k = d.frequency == p.first.frequency ? static_cast<long>(d - p.first) : -1;
    if (k < 0 || k >= p.periods || !p.hasPeriod(static_cast<int>(k))) {
        printout("\nError:  The year %4.0f is out of range.\n", date);
        return -1;
    }
    if (!samepattern(p)) {
        printout("\nError: Pmatrices do not match. Write failed.\n");
        return -1;
    }
    std::vector<float> block;
    block.reserve(static_cast<std::size_t>(nelem_));
    for (int r = 0; r < rows_; ++r) block.insert(block.end(), rowValues_[r].begin(), rowValues_[r].end());
    if (!writefloatsat(f, p.valuesAt(static_cast<int>(k)), block.data(), nelem_)) {
        printout("\nError: Pmatrices do not match. Write failed.\n");
        return -1;
    }
    return 0;
}

float Pmatrix::at(int row, int column) {
    if (temp != 's') {
        printout("Error: Reference to a deleted or unloaded Pmatrix.\n");
        return 0;
    }
    if (row < firstRow_ || row > lastRow_ || column < firstCol_ || column > lastCol_) {
        printout("Error:  illegal Pmatrix index: %d, %d.\n", row, column);
        printout("Returning zero.\n");
        platform::current().messageBox("Error:  out of bounds.", "Error", platform::Buttons::Ok);
        return 0;
    }
    const auto& cols = columnIndexes_[row - 1];
    for (std::size_t m = 0; m < cols.size(); ++m)
        if (cols[m] == column) return rowValues_[row - 1][m];
    return 0;
}

int Pmatrix::set(int row, int column, float value) {
    if (temp != 's' && temp != 'r') return -1;
    if (row < firstRow_ || row > lastRow_ || column < firstCol_ || column > lastCol_) return -1;
    const auto& cols = columnIndexes_[row - 1];
    for (std::size_t m = 0; m < cols.size(); ++m) {
        if (cols[m] == column) {
            rowValues_[row - 1][m] = value;
            return 0;
        }
    }
    return -1;
}

bool Pmatrix::usablegroup(const Vector<int>& group, int low, int high, const char* sum) const {
    const int n = group.count();
    if (temp == 's' && n > 0) {
        for (int g = 0; g < n; ++g) {
            const int e = group.data()[g];
            if (e < low || e > high) {
                printout("Error:  group element %d out of bounds.", e);
                printout("Error:  in Pmatrix %s sum.\n", sum);
                return false;
            }
        }
        return true;
    }
    if (n == 0) printout("Error:  empty group for Pmatrix %s sum.", sum);
    printout("Error:  in Pmatrix %s sum.\n", sum);
    return false;
}

Vector<float> Pmatrix::columnSum() {
    if (temp != 's') {
        printout("Error:  in Pmatrix column sum.\n");
        return {};
    }
    Vector<float> sums(cols_, 1, 'y', firstCol_, 1);
    sums.fill(0.0f);
    for (int r = 0; r < rows_; ++r)
        for (std::size_t m = 0; m < columnIndexes_[r].size(); ++m)
            sums[columnIndexes_[r][m]] += rowValues_[r][m];
    return sums;
}

Vector<float> Pmatrix::rowSum() {
    if (temp != 's') {
        printout("Error:  in Pmatrix row sum.\n");
        return {};
    }
    Vector<float> sums(rows_, 1, 'y', firstRow_, 1);
    for (int r = 0; r < rows_; ++r) {
        float s = 0;
        for (float v : rowValues_[r]) s += v;
        sums[r + firstRow_] = s;
    }
    return sums;
}

Vector<float> Pmatrix::groupColumnSum(const Vector<int>& group) {
    const int n = group.count();
    if (!usablegroup(group, firstRow_, lastRow_, "column")) return {};
    Vector<float> sums(cols_, 1, 'y', firstCol_, 1);
    sums.fill(0.0f);
    for (int g = 0; g < n; ++g) {
        const int r = group.data()[g] - 1;
        for (std::size_t m = 0; m < columnIndexes_[r].size(); ++m)
            sums[columnIndexes_[r][m]] += rowValues_[r][m];
    }
    return sums;
}

Vector<float> Pmatrix::groupRowSum(const Vector<int>& group) {
    const int n = group.count();
    if (!usablegroup(group, firstCol_, lastCol_, "row")) return {};
    Vector<float> sums(rows_, 1, 'y', firstRow_, 1);
    for (int r = 0; r < rows_; ++r) {
        float s = 0;
        for (int g = 0; g < n; ++g) {
            const int c = group.data()[g];
            for (std::size_t m = 0; m < columnIndexes_[r].size(); ++m) {
                if (columnIndexes_[r][m] >= c) {
                    if (columnIndexes_[r][m] == c) s += rowValues_[r][m];
                    break;
                }
            }
        }
        sums[r + firstRow_] = s;
    }
    return sums;
}

void Pmatrix::clear() {
    // Released: neither the pattern nor the values can be used until the next declare.
    rowCounts_.clear();
    columnIndexes_.clear();
    rowValues_.clear();
    nelem_ = 0;
    if (temp != 'n') temp = 'p';
    resetShape();
    name.clear();
    bank_ = nullptr;
}

// ---- pmfile ----

namespace {

void pmfileusage() { printout("\nUsage: pmfile <packed matrix name> [packed matrix filename]\n"); }

}  // namespace

int pmfilecmd(VamFile* bank, std::FILE* in) {
    char token[80];
    int cls = gettoken(token, in, 0, 78);
    auto refuse = [&](int lastClass) {
        pmfileusage();
        if (lastClass != 'f' && lastClass != 'e' && lastClass != -1) skipline(in);
        return -1;
    };
    if (cls != 'a' && cls != '"') return refuse(cls);
    const int i = bank->findser(token);
    if (i < 0) {
        printout("Incorrect packed matrix name: %s\n", token);
        return refuse(0);
    }
    if (bank->typeOf(i) != 'p') {
        printout("\nError:  invalid matrix \"%s.\"  A packed matrix must be specified.\n", token);
        return refuse(0);
    }
    if (std::strlen(token) >= 32) {
        printout("\nError:  invalid vector or matrix name.  Valid names are <= 32 characters.\n");
        return refuse(0);
    }
    const std::string matrix = token;
    const int slot = bank->lagsOf(i);
    cls = gettoken(token, in, 0, 78);
    if (cls == 'a' || cls == '"') {
        if (std::strlen(token) > 31) {
            printout("\nError:  Filename (and path) too long.  Vam banks cannot store \n");
            printout("more than 32 characters.\n");
            return refuse(0);
        }
        if (bank->setPackedFileName(slot, token) != 0) return refuse(0);
        cls = gettoken(token, in, 0, 78);
    } else {
        std::uint8_t field[vamPackedNameSize + 1] = {};
        if (!platform::readAt(bank->file(), vamHeaderSize + 32LL * slot, field, vamPackedNameSize))
            field[0] = 0;
        const char* stored = reinterpret_cast<const char*>(field);
        if (stored[0] == ' ' || stored[0] == 0) printout("No filename for %s\n", matrix.c_str());
        else printout("Filename for packed matrix %s is %s\n", matrix.c_str(), stored);
    }
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    if (bank->isLoaded()) bank->storecmd();
    return 0;
}

int loadfailurebox(const char* where) {
    platform::current().messageBox(std::string("Unable to load vector in ") + where, "Load failure",
                                   platform::Buttons::Ok);
    return 0;
}

void outofmemoryexit(const char* where) {
    platform::current().messageBox(std::string("Ran out of memory ") + where, "Fatal Error",
                                   platform::Buttons::Ok);
    std::exit(1);
}
