// Packed-matrix files: a sparse matrix of a Vam bank kept in a file of its own, with the
// pattern of stored cells once and then, per period, the values of those cells.
//
//   0   char[72] name          72  char[2] marker "n" when bytes 74..79 hold date details
//   74  uint8 x 6  first period, day, frequency; last period, day, frequency
//   80  int16 first year   82 int16 last year   84 int16 reserved
//   86  int16 rows R   88 int16 columns C   90..97 int16 first/last row and column
//   98  int32 stored cells T   102 int32 bytes per period (4T)   106 char flag 'n'
//   107 int32, 111 int32 reserved   115 int32 119 (offset of the row counts)
//   119 int16 x R cells per row; then int16 x T column numbers, row by row, ascending;
//   then float32 x T per period, from the first period.
//
// Every reader checks the file before it uses it: its rows and columns must be those of the
// element, the row counts must add up to T, the column numbers of a row must rise within
// 1..C, the file may not cover more periods than the bank, and the values of every period
// read must be in the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/vector.h"

class VamFile;

constexpr int packedHeaderSize = 119;

struct PackedHeader {
    std::string name;
    bool dated = false;  // marker "n"
    std::uint8_t details[6] = {};
    std::int16_t firstYear = 0, lastYear = 0;
    std::int16_t rows = 0, columns = 0;
    std::int16_t firstRow = 1, firstColumn = 1, lastRow = 0, lastColumn = 0;
    std::int32_t cells = 0;
    std::int32_t bytesPerPeriod = 0;
};

// A packed file's header and pattern after every check.
struct PackedPattern {
    PackedHeader header;
    JexDate first, last;
    int periods = 0;
    std::vector<std::int16_t> rowCounts;   // R
    std::vector<std::int32_t> rowStarts;   // R+1: cells before each row
    std::vector<std::int16_t> columns;     // T column numbers
    long long fileSize = 0;
    // Byte of the first value of period p.
    long long valuesAt(int p) const {
        return packedHeaderSize + 2LL * (header.rows + header.cells) + 4LL * header.cells * p;
    }
    bool hasPeriod(int p) const {
        return p >= 0 && p < periods && valuesAt(p) + 4LL * header.cells <= fileSize;
    }
};

// The header and pattern encoded (for files made by the system and by tests).
std::vector<std::uint8_t> encodepackedheader(const PackedHeader& h);
// Reads and checks the header and pattern of an open packed file. rows/columns: those the
// element has (-1 not checked); maxPeriods: the bank's periods (-1 not checked). False, with
// nothing printed, when the file does not pass.
bool readpackedpattern(std::FILE* f, int rows, int columns, int maxPeriods, PackedPattern& out);
// The same on bytes in memory (the fuzz target).
bool decodepackedpattern(const std::uint8_t* data, std::size_t size, int rows, int columns,
                         int maxPeriods, PackedPattern& out);

// Fills a loaded table from the packed file of element i of the bank: view r (line = row),
// c (column) or y (date). The table gets rows x count values. 0, or -1 after a message.
int pmload(VamFile& bank, int i, char view, float line, std::vector<float>& table, int& rows,
           int& count);
// Writes one row of one period of a packed file from a dense row of `count` values (only the
// cells of the pattern). 0, or -1 when the file cannot be found, opened, does not pass its
// checks, the row or the date is outside it, or the write falls short.
int writearow(VamFile& bank, const char* file, float date, int row, const float* values,
              int count);

class Pmatrix : public vorm {
public:
    Pmatrix() { temp = 'n'; }
    ~Pmatrix() override { clear(); }
    Pmatrix(const Pmatrix&) = delete;
    Pmatrix& operator=(const Pmatrix&) = delete;

    // Binds to packed element `name` of the bank and reads the file's pattern. 0 or -1.
    int declare(VamFile* bank, const char* name, const char* file);
    // Reads the values of one period. 0 or -1.
    int load(const char* file, float date);
    // Writes the values of one period back. 0 or -1.
    int store(const char* file, float date);
    float at(int row, int column);
    int set(int row, int column, float value);
    Vector<float> columnSum();
    Vector<float> rowSum();
    Vector<float> groupColumnSum(const Vector<int>& group);
    Vector<float> groupRowSum(const Vector<int>& group);
    void clear() override;
    char state() const { return temp; }
    long cells() const { return nelem_; }

private:
    // The file's checked pattern, or false after a message.
    bool openpattern(const char* file, const char* mode, std::FILE*& f, PackedPattern& p,
                     const char* failText);
    bool samepattern(const PackedPattern& p) const;
    // A group of row (column) numbers in low..high for a column (row) sum; false after the
    // sum's messages.
    bool usablegroup(const Vector<int>& group, int low, int high, const char* sum) const;

    VamFile* bank_ = nullptr;
    long nelem_ = 0;
    std::vector<std::int16_t> rowCounts_;
    std::vector<std::vector<std::int16_t>> columnIndexes_;
    std::vector<std::vector<float>> rowValues_;
};

// pmfile <packed matrix name> [packed matrix filename]
int pmfilecmd(VamFile* bank, std::FILE* in);

// "Unable to load vector in <where>" in a box captioned "Load failure". Returns 0.
int loadfailurebox(const char* where);
// "Ran out of memory <where>" in a box captioned "Fatal Error", then the program ends.
[[noreturn]] void outofmemoryexit(const char* where);
