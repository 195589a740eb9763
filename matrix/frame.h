// The frame shared by the matrix commands: store the default bank's loaded element first,
// take the f dates (or one year) as the periods, clip them to every bank involved, then
// load, compute in place and store period by period. A command that fails after changing a
// loaded table drops it (VamFile::releaseLoaded), so the bank keeps the period's old values.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/date.h"

class DataBank;
class VamFile;

namespace mframe {

constexpr int tokenSize = 78;

VamFile* vamof(DataBank* bank);

// Writes back and releases the loaded element of the bank, if any.
void storefirst(VamFile* bank);

// A run of periods; empty when last is before first or the dates cannot be compared.
struct Range {
    JexDate first, last;
    bool empty() const;
};
// fdate1 .. fdate2.
Range fdaterange();
// The f dates, or the single period of `year` when it is not 0.
Range rangefor(float year);
// Cuts the range to the periods of the bank.
void clip(Range& r, const VamFile& bank);

// An element of a Vam bank, found by the name as typed.
struct Operand {
    VamFile* bank = nullptr;
    std::string name;  // without a bank letter
    int index = -1;
    char type = 0;
    int rows = 0, cols = 0;
    bool matrix() const { return type == 'm' || type == 'p'; }
    bool vector() const { return type != 'm' && type != 'p'; }
};
// Looks up `typed` in the default bank or, when letters are allowed and its second
// character is '.', in the bank of that slot. False (nothing printed) when the slot is
// empty, holds no Vam bank, or the element is not found.
bool lookup(VamFile* def, const char* typed, bool letters, Operand& out);

// The matrix and the vector of coef, flow and rowscale, both of the default bank: false after
// "No such vector as %s" (followed by vectorEnd) or "No such matrix as %s".
bool matrixandvector(VamFile* bank, const char* mname, const char* vname, const char* vectorEnd,
                     Operand& m, Operand& v);

// Position (from 0) of a date in the bank, -1 when outside.
int position(const VamFile& bank, const JexDate& d);

// Loads a vector whole (view 'x') and takes its table over: the values of period t (from 0)
// are at t * count. False after the load-failure box with `where`.
bool takevector(VamFile* bank, const char* name, std::vector<float>& table, int& count,
                const char* where);

// Loads one period of the operand (view 'y'); the table, or null after the load-failure
// box with `where`.
float* loadperiod(const Operand& op, const JexDate& d, const char* where);

// Marks the operand's bank modified and stores the loaded period: 0, or -1 (the changes are
// then dropped).
int storeperiod(const Operand& op);

// Drops whatever the bank holds loaded without writing it.
void drop(VamFile* bank);

// The road of one element period by period: load it (the load-failure box with `where`, then
// `usage` when given, and -1), let `compute(table, date)` work in the loaded table, store
// it. A compute that answers false stops the command with -1 and its period is dropped
// unstored. 0 when every period was stored.
template <class Compute>
int eachperiod(const Range& r, const Operand& op, const char* where, void (*usage)(),
               Compute compute) {
    if (r.empty()) return 0;
    for (JexDate d = r.first; d <= r.last; d = d + 1) {
        float* table = loadperiod(op, d, where);
        if (!table) {
            if (usage) usage();
            return -1;
        }
        if (!compute(table, d)) {
            drop(op.bank);
            return -1;
        }
        if (storeperiod(op) != 0) return -1;
    }
    return 0;
}

// Copies the loaded period of the operand into a work table (rows x cols).
std::vector<float> copyloaded(const Operand& op);

// The year token of [yr]: its value when it is a number, 0 otherwise (the token is read;
// its class goes to cls).
float readyear(std::FILE* in, int& cls);
// True when the reader has delivered the end of the current line (a group parser reads up to
// it when its group is not closed).
bool lineended();
// Drops the rest of the line unless the last token read (of class cls) ended it.
void droprest(std::FILE* in, int cls);

// A pass over the periods of a packed matrix's file: the file is opened for update and its
// pattern checked against the element (rows, columns, counts, column numbers, periods);
// for each period of the range that both the file and the bank hold, `visit` gets the
// period's position in the bank, its date and its values (cells in file order) and says
// whether to write them back. 0, or -1 after a message ("open" is printed with the path
// when the file cannot be opened; a damaged file, a failed read or write stop the pass).
struct PackedVisit {
    virtual ~PackedVisit() = default;
    // false ends the pass with -1
    virtual bool period(int bankPos, const JexDate& d, std::vector<float>& values,
                        bool& write) = 0;
};
struct PackedCells {
    int rows = 0, cols = 0, firstColumn = 1, firstRow = 1;
    std::vector<int> rowStart;  // rows + 1
    std::vector<int> column;    // stored column numbers
};
int packedpass(VamFile* bank, int element, Range range, const char* openFailText,
               PackedCells& cells, PackedVisit& visit);

}  // namespace mframe
