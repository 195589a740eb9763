// Precondition files of the balancing commands (ras, rdras, psras, gvras): conditions on cells
// of the balanced matrix (held out of the balancing, set, capped, floored, groups rescaled),
// each with a value that is a series expression, read once into `preconditionList` and
// applied in every balanced period.
//
// Phases: 1 reads the file; 2 takes the eq and pt values out of the controls and the matrix;
// 3 (after each row pass) sets, caps and floors cells, rescales groups and rebuilds the fixed
// cells; 4 puts the eq and pt values back. A line that names several cells (a block or two
// groups) acts on every one of them. The list stays for the whole command, through every
// period; the command empties it when it ends (PreconditionScope), and a failed phase
// empties it at once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/date.h"

class VamFile;

struct PreconditionEntry {
    std::string command;                     // eq, pt, cell, max, min, sc, scmax, scmin, fdates
    std::vector<std::pair<int, int>> cells;  // (row, column); fdates: (periods, 0)
    std::vector<double> values;              // per workspace observation; fdates: its first date
};
extern std::vector<PreconditionEntry> preconditionList;

struct FixedCell {
    int row, column;
    double value;
};

// The balanced matrix of one period, rows 1..R and columns 1..C (row 0 and column 0 unused),
// with its row controls r[1..R] and column controls c[1..C].
struct BalanceTable {
    int R = 0, C = 0;
    std::vector<double> a, r, c;
    void resize(int rows, int cols) {
        R = rows;
        C = cols;
        a.assign(static_cast<std::size_t>(R + 1) * (C + 1), 0.0);
        r.assign(static_cast<std::size_t>(R) + 1, 0.0);
        c.assign(static_cast<std::size_t>(C) + 1, 0.0);
    }
    double& at(int i, int j) { return a[static_cast<std::size_t>(i) * (C + 1) + j]; }
    double at(int i, int j) const { return a[static_cast<std::size_t>(i) * (C + 1) + j]; }
};

// One call of a phase. wsIndex: the period's workspace observation (from 0); an entry has no
// value in a period outside the workspace and is skipped there. removal and iteration are set
// by phase 1 (some eq or pt line; some other condition line); count is the number of entries
// read. 0, or -1 after the messages (the list is then empty).
int readpreconditions(VamFile* bank, BalanceTable& t, const std::vector<std::int16_t>& rowGroup,
                      const std::vector<std::int16_t>& colGroup, int wsIndex,
                      const std::string& file, bool& removal, bool& iteration, int& count,
                      int phase, const JexDate& date, std::vector<FixedCell>& fixedCells);

// Empties the precondition list; with announce and a non-empty list it says so first.
void closepreconditions(bool announce);

// Empties the list when the command that read it ends, however it ends.
struct PreconditionScope {
    PreconditionScope() = default;
    PreconditionScope(const PreconditionScope&) = delete;
    PreconditionScope& operator=(const PreconditionScope&) = delete;
    ~PreconditionScope() { closepreconditions(false); }
};

// The log file of a balancing command (ras.log, gvras.log), created or emptied in the working
// directory and closed when it goes out of scope.
struct BalanceLog {
    std::FILE* f = nullptr;
    // False after "Error:  in <command>.  Could not open log file." and the box.
    bool open(const char* file, const char* command, const char* heading);
    BalanceLog() = default;
    BalanceLog(const BalanceLog&) = delete;
    BalanceLog& operator=(const BalanceLog&) = delete;
    ~BalanceLog() {
        if (f) std::fclose(f);
    }
};
