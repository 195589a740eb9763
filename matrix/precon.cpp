#include "matrix/precon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/missing.h"
#include "core/printout.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "matrix/frame.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "series/pscale.h"
#include "series/rhs.h"

std::vector<PreconditionEntry> preconditionList;

namespace {

constexpr int tokenSize = 78;
constexpr int observations = 1999;

// A failure of a phase: a syntax error of the file, or any other error.
struct Failure {
    bool syntax;
};

bool ingroup(const std::vector<std::int16_t>& group, int k) {
    return std::find(group.begin(), group.end(), static_cast<std::int16_t>(k)) != group.end();
}

bool isend(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// The tokenizer reads the file: the caller's line, position and input switches are kept and
// given back on every way out.
struct FileReading {
    ReaderPositionSaver position;
    ReaderSourceSaver source;
    FileReading() {
        keyboardInput = 'n';
        replayMode = 'n';
        replayList = nullptr;
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
    }
};

// A row or column parameter: an integer or a parenthesised group. Every member must lie in
// 1..limit; a single integer must also be in the caller's group.
std::vector<int> readlist(std::FILE* f, int limit, const std::vector<std::int16_t>& group,
                          bool isRow) {
    char token[tokenSize];
    const int cls = gettoken(token, f, 0, tokenSize);
    std::vector<int> out;
    if (cls == 'n') {
        out.push_back(std::atoi(token));
    } else if (cls == '(') {
        char text[exprTextSize];
        char* cursor = text;
        std::vector<std::int16_t> members;
        if (parsegroup(f, cursor, members, groupLimit, sizeof text) <= 0) throw Failure{false};
        out.assign(members.begin(), members.end());
    } else {
        printout(isRow ? "The second parameter, preconrow, must be an integer or a group.\n"
                       : "The third (column) parameter must be an integer.\n");
        throw Failure{true};
    }
    for (int k : out) {
        if (k < 1 || k > limit) {
            if (isRow)
                printout("The row (%d) cannot be less than 1 or greater than %d.\n", k, limit);
            else
                printout("The column (%d) cannot be less than 1 or greater than %d\n", k, limit);
            throw Failure{false};
        }
    }
    if (cls == 'n' && !ingroup(group, out[0])) {
        if (isRow)
            printout("The row (%d) must be included in the set of matrix rows to be balanced.\n",
                     out[0]);
        else
            printout("The column (%d) must be included in the set of matrix columns to be "
                     "balanced.\n",
                     out[0]);
        throw Failure{false};
    }
    return out;
}

// The second row or column of a block: an integer from `low` to `limit`, in the group.
int readsecond(std::FILE* f, int low, int limit, const std::vector<std::int16_t>& group,
               bool isRow) {
    char token[tokenSize];
    if (gettoken(token, f, 0, tokenSize) != 'n') {
        printout(isRow ? "The fourth parameter, preconrow, must be an integer\n"
                       : "The fifth (column) parameter must be an integer.\n");
        throw Failure{true};
    }
    const int k = std::atoi(token);
    const char* what = isRow ? "row" : "column";
    if (k < low || k > limit) {
        printout("The second %s (%d) cannot be less than %d or greater than %d.\n", what, k, low,
                 limit);
        throw Failure{false};
    }
    if (!ingroup(group, k)) {
        printout("The second %s (%d) must be included in the set of matrix %ss to be balanced.\n",
                 what, k, what);
        throw Failure{false};
    }
    return k;
}

bool isblockcommand(const std::string& w) {
    return w == "eq" || w == "pt" || w == "cell" || w == "max" || w == "min";
}
bool isgroupcommand(const std::string& w) { return w == "sc" || w == "scmax" || w == "scmin"; }

// One condition line after its command word.
PreconditionEntry readcondition(std::FILE* f, const std::string& word, const BalanceTable& t,
                                const std::vector<std::int16_t>& rowGroup,
                                const std::vector<std::int16_t>& colGroup, int count) {
    PreconditionEntry e;
    e.command = word;
    const std::vector<int> rows = readlist(f, t.R, rowGroup, true);
    const std::vector<int> cols = readlist(f, t.C, colGroup, false);
    if (rows.size() != cols.size()) {
        printout("Error:  in conditions file, unequal number of elements in row (%d) and column "
                 "(%d) groups for the %s command.\n",
                 static_cast<int>(rows.size()), static_cast<int>(cols.size()), word.c_str());
        throw Failure{true};
    }
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (ingroup(rowGroup, rows[k]) && ingroup(colGroup, cols[k]))
            e.cells.emplace_back(rows[k], cols[k]);
    if (e.cells.empty()) {
        printout("Error:  In RAS conditions file, no legal row/column combinations found\n for "
                 "the %s command.\n",
                 word.c_str());
        throw Failure{false};
    }
    const bool block = isblockcommand(word) && rows.size() == 1;
    if (block) {
        const int row2 = readsecond(f, rows[0], t.R, rowGroup, true);
        const int col2 = readsecond(f, cols[0], t.C, colGroup, false);
        for (int i = rows[0]; i <= row2; ++i)
            for (int j = cols[0]; j <= col2; ++j)
                if ((i != rows[0] || j != cols[0]) && ingroup(rowGroup, i) && ingroup(colGroup, j))
                    e.cells.emplace_back(i, j);
    }
    char token[tokenSize];
    const int cls = gettoken(token, f, 0, tokenSize);
    if (isend(cls)) {
        printout(block ? "The sixth parameter, precocommand, must be alphanumeric.\n"
                       : "The fourth parameter, precocommand, must be alphanumeric.\n");
        throw Failure{true};
    }
    ungettoken();
    std::vector<float> values(observations + 1, 0.0f);
    char text[exprTextSize];
    char* cursor = text;
    text[0] = '\0';
    const int code = rhs(values.data(), f, cursor, sizeof text);
    if (code == -1 || code == 27) {
        printout("Error:  when calculating precondition value, row %d.", count);
        throw Failure{false};
    }
    if (code != 102 && !mframe::lineended()) skipline(f);
    e.values.assign(values.begin(), values.begin() + observations);
    return e;
}

void readfile(std::FILE* f, const BalanceTable& t, const std::vector<std::int16_t>& rowGroup,
              const std::vector<std::int16_t>& colGroup, bool& removal, bool& iteration,
              int& count, const std::string& file) {
    char token[tokenSize];
    bool first = true;
    for (;;) {
        int cls = gettoken(token, f, 0, tokenSize);
        if (cls == 'e' || cls == -1) {
            if (first) printout("%s is an empty file\n", file.c_str());
            return;
        }
        first = false;
        if (cls == 'f') continue;
        if (cls == ':' || (token[0] == ':' && token[1] == 0)) {
            // a comment block, up to and including the next line that begins with ':'
            skipline(f);
            for (;;) {
                cls = gettoken(token, f, 0, tokenSize);
                if (cls == 'e' || cls == -1) {
                    printout("\nIn the precondition file, colons must be used in pairs\n\n");
                    throw Failure{false};
                }
                if (cls == 'f') continue;
                const bool colon = cls == ':' || (token[0] == ':' && token[1] == 0);
                skipline(f);
                if (colon) break;
            }
            continue;
        }
        if (cls != 'a') {
            printout("The first parameter, preconcommand, must be alphanumeric.\n");
            throw Failure{true};
        }
        const std::string word = token;
        PreconditionEntry e;
        if (isblockcommand(word) || isgroupcommand(word)) {
            if (word == "eq" || word == "pt")
                removal = true;
            else
                iteration = true;
            e = readcondition(f, word, t, rowGroup, colGroup, count);
        } else if (word == "fdates") {
            char d1[tokenSize], d2[tokenSize];
            const int c1 = gettoken(d1, f, 0, tokenSize);
            const int c2 = c1 == 'n' ? gettoken(d2, f, 0, tokenSize) : 0;
            const JexDate a(static_cast<float>(std::atof(d1)));
            const JexDate b(c2 == 'n' ? static_cast<float>(std::atof(d2)) : 0.0f);
            if (c1 != 'n' || c2 != 'n' || a.frequency == 0 || b.frequency == 0 ||
                (b < a) != 0) {
                printout("Error:  illegal fdates in RAS conditions file.\n");
                throw Failure{false};
            }
            skipline(f);
            e.command = word;
            e.cells.emplace_back(b - a, 0);
            e.values.push_back(a.toFloat());
        } else {
            printout("\nError:  Command \"%s\" is not recognized.\n", word.c_str());
            throw Failure{false};
        }
        preconditionList.push_back(std::move(e));
        ++count;
    }
}

// The entries that act in the period, with their value there.
template <class Act>
void eachactive(const JexDate& date, int wsIndex, Act act) {
    bool active = true;
    for (PreconditionEntry& e : preconditionList) {
        if (e.command == "fdates") {
            const JexDate d1(static_cast<float>(e.values[0]));
            const JexDate d2 = d1 + e.cells[0].first;
            active = (d1 <= date) == 1 && (date <= d2) == 1;
            continue;
        }
        if (!active || wsIndex < 0 || wsIndex >= static_cast<int>(e.values.size())) continue;
        const double v = e.values[static_cast<std::size_t>(wsIndex)];
        if (ismissing(static_cast<float>(v))) continue;
        act(e, v);
    }
}

void removeorrestore(BalanceTable& t, const JexDate& date, int wsIndex, bool restore) {
    eachactive(date, wsIndex, [&](PreconditionEntry& e, double v) {
        if (e.command != "eq" && e.command != "pt") return;
        for (auto [i, j] : e.cells) {
            if (restore) {
                t.r[i] += v;
                t.c[j] += v;
                t.at(i, j) += v;
            } else {
                t.r[i] -= v;
                t.c[j] -= v;
                if (e.command == "eq")
                    t.at(i, j) = 0;
                else
                    t.at(i, j) -= v;
            }
        }
    });
}

void conditions(BalanceTable& t, const JexDate& date, int wsIndex,
                std::vector<FixedCell>& fixedCells) {
    eachactive(date, wsIndex, [&](PreconditionEntry& e, double v) {
        const std::string& w = e.command;
        if (w == "cell") {
            for (auto [i, j] : e.cells) t.at(i, j) = v;
        } else if (w == "max" || w == "min") {
            for (auto [i, j] : e.cells) {
                double& a = t.at(i, j);
                if (w == "max" ? a > v : a < v) {
                    a = v;
                    fixedCells.push_back({i, j, v});
                }
            }
        } else if (isgroupcommand(w)) {
            const int n = static_cast<int>(e.cells.size());
            if (n >= observations) {
                printout("Error:  maximum size exceeded in precon routine.\nPlease report the "
                         "problem.\n");
                throw Failure{false};
            }
            std::vector<double> x(static_cast<std::size_t>(n) + 1, 0.0);
            std::vector<short> list;
            double sum = 0;
            for (int k = 1; k <= n; ++k) {
                x[static_cast<std::size_t>(k)] = t.at(e.cells[k - 1].first, e.cells[k - 1].second);
                sum += x[static_cast<std::size_t>(k)];
                list.push_back(static_cast<short>(k));
            }
            // scmax caps the cells' sum at the value, scmin floors it there.
            if ((w == "scmax" && sum <= v) || (w == "scmin" && sum >= v)) return;
            if (scalingcheck() == 27) throw Failure{false};
            double factor = 0;
            const int code = pscalesolve(x.data(), static_cast<short>(n), list.data(),
                                         static_cast<short>(n), v, &factor, 0);
            if (code == -1 || (code >= 21 && code != 30)) {
                printout("\nError in precondition function.  Group\n");
                for (auto [i, j] : e.cells)
                    printout("   row %d, column %d, value %f.\n", i, j, t.at(i, j));
                printout("Attempted control value:  %f.\n", v);
                scalemessage(code);
                throw Failure{false};
            }
            for (int k = 1; k <= n; ++k)
                t.at(e.cells[k - 1].first, e.cells[k - 1].second) = x[static_cast<std::size_t>(k)];
        }
    });
}

}  // namespace

void closepreconditions(bool announce) {
    if (announce && !preconditionList.empty()) printout("\nClose preconditions\n\n");
    preconditionList.clear();
}

int readpreconditions(VamFile* /*bank*/, BalanceTable& t,
                      const std::vector<std::int16_t>& rowGroup,
                      const std::vector<std::int16_t>& colGroup, int wsIndex,
                      const std::string& file, bool& removal, bool& iteration, int& count,
                      int phase, const JexDate& date, std::vector<FixedCell>& fixedCells) {
    fixedCells.clear();
    try {
        switch (phase) {
        case 1: {
            preconditionList.clear();
            removal = iteration = false;
            count = 0;
            FileReading reading;
            printout("\nRead preconditions\n");
            std::FILE* f = std::fopen(file.c_str(), "r");
            if (!f) {
                printoutlong("Unable to open precondition file: %s\r\n", file.c_str());
                throw Failure{false};
            }
            struct Closer {
                std::FILE* f;
                ~Closer() { std::fclose(f); }
            } closer{f};
            readfile(f, t, rowGroup, colGroup, removal, iteration, count, file);
            printout("\n");
            break;
        }
        case 2:
            printout("\nRemove preconditions\n\n");
            removeorrestore(t, date, wsIndex, false);
            break;
        case 3:
            if (scalingcheck() == 27) throw Failure{false};
            conditions(t, date, wsIndex, fixedCells);
            break;
        case 4:
            printout("\nRestore preconditions\n");
            removeorrestore(t, date, wsIndex, true);
            break;
        default:
            return -1;
        }
        if (scalingcheck() == 27) throw Failure{false};
    } catch (const Failure& failure) {
        printout(failure.syntax ? "Precondition Syntax Error\n" : "Precondition Error\n");
        preconditionList.clear();
        fixedCells.clear();
        return -1;
    }
    return 0;
}

bool BalanceLog::open(const char* file, const char* command, const char* heading) {
    f = std::fopen(file, "w");
    if (!f) {
        printout("Error:  in %s.  Could not open log file.\n", command);
        printout("Returning...\r\n");
        pausebox("Error", "");
        return false;
    }
    std::fputs(heading, f);
    return true;
}
