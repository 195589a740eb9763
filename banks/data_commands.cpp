// Data entry and series maintenance: data, update, monup, matdata/matup, bupdate, del,
// rename, frequency.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/commands.h"
#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "series/rhs.h"
#include "series/series_commands.h"

namespace {

constexpr int tokenSize = 78;
constexpr int maxMatdataNames = 20;

// The last observation a command may write: the workspace length, within the array.
int obslimit() { return wsMaxObs < seriesArrayLength ? wsMaxObs : seriesArrayLength; }

bool isvalue(int cls) { return cls == 'n' || cls == '?' || cls == '-'; }

// Stores a series in the workspace at the frequency of the last date read.
int storeseries(const char* name, const float* values) {
    if (!workspaceBank) {
        printout("\nError:  workspace bank is not open.  Cannot write to file.\n");
        return -1;
    }
    workspaceBank->setFreq(currentFrequency);
    return workspaceBank->addser(name, values, 'y', -1);
}

// Values of one series that fell past the workspace's end: reported once per series.
struct Overflow {
    const char* name;
    bool reported = false;
    void report() {
        if (reported) return;
        reported = true;
        printout("\nError:  values of %s reach past the end of the workspace (%d observations);"
                 " they are not stored.\n",
                 name ? name : "the series", obslimit());
    }
};

void junk() { printout("\nError:  in data command, %s.\n", "Junk on data line\n"); }

}  // namespace

int readdatalines(float* array, std::FILE* in, const char* name) {
    char token[tokenSize];
    Overflow overflow{name};
    const int limit = obslimit();
    int i = 0;
    bool continuous = false;
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        continuous = true;
        const double date = std::strtod(token, nullptr);
        i = dateindex(date);
        if (i == -1) {
            printout("\nError:  the data series that you are attempting to read\n"
                     "begins in %f, but the workspace begins in %d.\n",
                     date, wsBaseYear);
            return -1;
        }
        for (; i < 0; ++i) readnumber(in);  // values before the workspace's first month
        cls = gettoken(token, in, 0, tokenSize);
    }
    for (;;) {
        if (!continuous) {
            if (cls == 'n') {
                i = dateindex(std::strtod(token, nullptr));
                if (i < 0) {
                    printout("Date before beginning of workspace\n");
                    int end = skipstatement(in);
                    if (end == 'e' || end == -1) { cls = 'e'; break; }
                    cls = gettoken(token, in, 0, tokenSize);
                    continue;
                }
                cls = gettoken(token, in, 0, tokenSize);
            } else if (cls == 'f') {
                cls = gettoken(token, in, 0, tokenSize);
                continue;
            } else if (cls == 'a' || cls == 'e' || cls == '"' || cls == ';') {
                break;
            } else if (cls == -1) {
                return 27;
            } else {
                junk();
                return -1;
            }
        }
        bool negative = false;
        while (isvalue(cls)) {
            if (cls == '-') {
                negative = true;
            } else {
                float v = cls == '?' ? MISSING : static_cast<float>(std::strtod(token, nullptr));
                if (cls == 'n' && negative) v = -v;
                negative = false;
                if (i >= 0 && i < limit) array[i] = v;
                else overflow.report();
                ++i;
            }
            cls = gettoken(token, in, 0, tokenSize);
        }
        if (cls == -1) return 27;
        if (cls != ';' && cls != 'f' && cls != 'e') {
            junk();
            return -1;
        }
        if (cls == 'f') {
            cls = gettoken(token, in, 0, tokenSize);
            continue;
        }
        break;
    }
    if (cls != ';') ungettoken();
    return overflow.reported ? -1 : 0;
}

int datacmd(std::FILE* in) {
    char name[tokenSize];
    if (gettoken(name, in, 0, tokenSize) != 'a') {
        printout("No name on data command.\n");
        pausebox("Hit a key to continue", "");
        return -1;
    }
    if (seriesnametoolong(name, in)) {
        skipstatement(in);
        printout("\nError:  in data command.\n");
        return -1;
    }
    std::vector<float> values(seriesArrayLength + 1, MISSING);
    int r = readdatalines(values.data(), in, name);
    if (r == 0) {
        int stored = storeseries(name, values.data());
        if (stored < 0) r = stored;
    }
    if (r != 0) printout("\nError:  in data command.\n");
    return r;
}

int updatecmd(std::FILE* in) {
    char name[tokenSize];
    if (gettoken(name, in, 0, tokenSize) != 'a') {
        printout("No name on data command.\n");
        return -1;
    }
    if (seriesnametoolong(name, in)) {
        skipstatement(in);
        return -1;
    }
    std::vector<float> values(seriesArrayLength + 1, MISSING);
    char* text = nullptr;
    if (fetchseries(name, values.data(), text, in, 1) != 0) return -1;
    readdatalines(values.data(), in, name);  // what was read is stored even after an error
    if (storeseries(name, values.data()) < 0) return -1;
    // With the save file open, the updated series is listed there (not on the screen).
    if (saveOn == 'y') {
        const int r = typeseries(name, 'n', "", in);
        if (r != 0) return r;
    }
    return 0;
}

int monupcmd(std::FILE* in) {
    char name[tokenSize];
    if (gettoken(name, in, 0, tokenSize) != 'a') {
        printout("No name on data command\n");
        return -1;
    }
    if (seriesnametoolong(name, in)) {
        skipstatement(in);
        return -1;
    }
    if (in && in != stdin && addPrint == 0) printout("data %-20s\n", name);
    std::vector<float> values(seriesArrayLength + 1, MISSING);
    char* text = nullptr;
    if (fetchseries(name, values.data(), text, in, 1) != 0) return -1;
    Overflow overflow{name};
    const int limit = obslimit();
    char token[tokenSize];
    long figures = 0;
    int i = 0;
    double sum = 0;
    int result = 0;
    auto mark = [&](int k) {
        if (k >= 0 && k < limit) values[k] = MISSING;
    };
    int cls = gettoken(token, in, 0, tokenSize);
    for (;;) {
        if (figures % 3 != 0) {
            printout("All observations for a quarter must be on the same line.\n");
            result = -1;
            break;
        }
        if (cls == 'f') {
            cls = gettoken(token, in, 0, tokenSize);
            continue;
        }
        if (cls == 'a' || cls == 'e' || cls == '"' || cls == ';') break;
        if (cls != 'n') {
            printout("Junk on data line\n");
            result = -1;
            break;
        }
        i = dateindex(std::strtod(token, nullptr));
        if (i < 0) {
            printout("Error in date on data line.\n");
            result = -1;
            break;
        }
        mark(i);
        sum = 0;
        bool negative = false;
        cls = gettoken(token, in, 0, tokenSize);
        while (cls == 'n' || cls == '-') {
            if (cls == '-') {
                negative = true;
            } else {
                double v = std::strtod(token, nullptr);
                sum += negative ? -v : v;
                negative = false;
                ++figures;
                if (figures % 3 == 0) {
                    if (i < limit) values[i] = static_cast<float>(sum / 3);
                    else overflow.report();
                    ++i;
                    mark(i);
                    sum = 0;
                }
            }
            cls = gettoken(token, in, 0, tokenSize);
        }
        if (cls != 'f') break;
    }
    if (result == 0 && figures % 3 != 0) {
        printout("all observations for a quarter must be on the same line.\n");
        result = -1;
    }
    if (cls != ';') ungettoken();
    if (overflow.reported) result = -1;
    if (result != 0) return result;
    return storeseries(name, values.data()) < 0 ? -1 : 0;
}

namespace {

int matdataformat() {
    printout("format: matdata <rootname(group)> <start_date>\n");
    return -1;
}

}  // namespace

int matdataroot(std::FILE* in) {
    char root[tokenSize];
    char token[tokenSize];
    if (gettoken(root, in, 0, tokenSize) != 'a' || gettoken(token, in, 0, tokenSize) != '(')
        return matdataformat();
    char groupText[exprTextSize];
    groupText[0] = '\0';
    char* cursor = groupText;
    std::vector<std::int16_t> members;
    if (parsegroup(in, cursor, members, groupLimit, sizeof groupText) < 0) return matdataformat();
    if (gettoken(token, in, 0, tokenSize) != 'n') return matdataformat();
    const double date = std::strtod(token, nullptr);
    int start = dateindex(date);
    const std::int16_t frequency = currentFrequency;
    if (start == -1) {
        printout("\nError:  the data series that you are attempting to read\n"
                 "begins in %f, but the workspace begins in %d.\n",
                 date, wsBaseYear);
        skipline(in);
        return -1;
    }
    skipline(in);

    const int limit = obslimit();
    int result = 0;
    std::vector<float> values(seriesArrayLength + 1);
    for (const std::int16_t k : members) {
        if (k <= 0) continue;
        char name[tokenSize + 8];
        std::snprintf(name, sizeof name, "%s%d", root, k);
        std::fill(values.begin(), values.end(), MISSING);
        Overflow overflow{name};
        // One line of values: a number, '?', or a sign and a number; values before the
        // workspace's first observation (a start date early in the base year) are dropped.
        int i = start;
        int cls = gettoken(token, in, 0, tokenSize);
        for (;; cls = gettoken(token, in, 0, tokenSize)) {
            if (cls == 'f') break;
            if (cls == 'e') {
                printout("Insufficient data lines\n");
                return matdataformat();
            }
            if (cls == -1) return 27;
            float sign = 1.0f;
            if (cls == '+' || cls == '-') {
                sign = cls == '-' ? -1.0f : 1.0f;
                cls = gettoken(token, in, 0, tokenSize);
                if (cls != 'n') return matdataformat();
            }
            if (cls != 'n' && cls != '?') {
                skipline(in);
                break;
            }
            const float v = cls == '?' ? MISSING : sign * static_cast<float>(std::strtod(token, nullptr));
            if (i >= limit) overflow.report();
            else if (i >= 0) values[i] = v;
            ++i;
        }
        if (overflow.reported) {
            result = -1;
            continue;
        }
        currentFrequency = frequency;
        if (storeseries(name, values.data()) < 0) return -1;
    }
    currentFrequency = frequency;
    return result;
}

int matdatacmd(std::FILE* in, char mode) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'a') {
        // A root name with a group: one line of values for each member (in either mode).
        ungettoken();
        return matdataroot(in);
    }
    bool consecutive = false;
    int row = 0;
    if (cls == 'n') {
        consecutive = true;
        row = dateindex(std::strtod(token, nullptr)) - 1;
        skipline(in);
    } else if (cls != 'f') {
        printout("format: matdata <rootname(group)> <start_date>\n");
        return -1;
    }
    std::vector<std::string> names;
    for (cls = gettoken(token, in, 0, tokenSize); cls == 'a'; cls = gettoken(token, in, 0, tokenSize)) {
        if (static_cast<int>(names.size()) == maxMatdataNames) {
            printout("No more than 20 series allowed on matdat command.\n");
            return -1;
        }
        names.emplace_back(token);
    }
    const int limit = obslimit();
    std::vector<std::vector<float>> columns(names.size(),
                                            std::vector<float>(seriesArrayLength + 1, MISSING));
    // cls holds the token that ended the names (normally the end of their line).
    bool more = cls == 'f';
    while (more) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == ';' || cls == 'e' || cls == -1) break;
        if (cls == 'f') continue;  // an empty line
        if (cls == 'a' || cls == '"') {
            ungettoken();
            cls = 0;
            break;
        }
        if (consecutive) {
            ++row;
            ungettoken();
        } else if (cls == 'n') {
            row = dateindex(std::strtod(token, nullptr));
        }
        if (row >= limit || (!consecutive && cls != 'n')) {
            printout("Observation outside range of workspace bank. %s\n", token);
            skipstatement(in);
            return -1;
        }
        if (row < 0) {
            printout("Observation outside range of workspace bank. %s\n", token);
            skipline(in);
            continue;
        }
        for (auto& column : columns) column[row] = static_cast<float>(readnumber(in));
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'f') break;
    }
    if (cls != ';' && cls != 0) ungettoken();
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (mode == 'u') {
            std::vector<float> old(seriesArrayLength + 1, MISSING);
            char* text = nullptr;
            const std::int16_t frequency = currentFrequency;
            if (fetchseries(names[k].c_str(), old.data(), text, in, 1) != 0) return -1;
            currentFrequency = frequency;
            for (int j = 0; j < limit; ++j)
                if (!ismissing(columns[k][j])) old[j] = columns[k][j];
            columns[k] = std::move(old);
        }
        if (storeseries(names[k].c_str(), columns[k].data()) < 0) return -1;
    }
    return 0;
}

int bupdatecmd(std::FILE* in) {
    char name[tokenSize];
    if (gettoken(name, in, 0, tokenSize) != 'a') {
        printout("Bad format; see help menu\n");
        return -1;
    }
    if (seriesnametoolong(name, in)) {
        skipstatement(in);
        return -1;
    }
    std::vector<float> old(seriesArrayLength + 1, MISSING);
    char* none = nullptr;
    const bool found = fetchseries(name, old.data(), none, in, 1) == 0;
    const std::int16_t seriesFrequency = currentFrequency;
    char token[tokenSize];
    if (gettoken(token, in, 0, tokenSize) != '=') printout("Supplied = sign\n");

    std::vector<float> values(seriesArrayLength + 1, 0.0f);
    char textBuffer[exprTextSize];
    textBuffer[0] = '\0';
    char* cursor = textBuffer;
    int r = rhs(values.data(), in, cursor, sizeof textBuffer);
    if (r == 0) {
        // An operand followed a complete operand with no operator between them.
        skipstatement(in);
        r = -1;
    }
    if (r == 27) return 27;
    if (r == -1) {
        printout("Error in bup command; check parentheses.\n");
        return -1;
    }
    if (!found) return -1;
    const int limit = obslimit();
    for (int i = 0; i < limit; ++i)
        if (!ismissing(values[i])) old[i] = values[i];
    // The series takes the expression's frequency; a constant expression has none, and
    // then the series keeps its own (it would otherwise be stored as undated).
    if (currentFrequency == 0) currentFrequency = seriesFrequency;
    return storeseries(name, old.data()) < 0 ? -1 : 0;
}

int delcmd(std::FILE* in, char mode) {
    char name[tokenSize];
    if (!workspaceBank) {
        printout("\nError:  workspace bank is not open.  Cannot write to file.\n");
        return -1;
    }
    if (mode == 'd') {
        for (;;) {
            int cls = gettoken(name, in, 0, tokenSize);
            if (cls == 'f' || cls == 'e') return 0;
            if (cls != 'a') {
                printout("Bad format\n");
                return -1;
            }
            if (seriesnametoolong(name, in)) {
                skipline(in);
                return -1;
            }
            if (workspaceBank->findser(name) < 0) {
                printout("Cannot find %s\n", name);
                skipline(in);
                return -1;
            }
            if (workspaceBank->delser(name) != 0) return -1;
        }
    }
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Bad format\n");
        return -1;
    }
    if (seriesnametoolong(name, in)) {
        skipline(in);
        return -1;
    }
    if (workspaceBank->findser(name) < 0) {
        printout("Cannot find %s\n", name);
        return -1;
    }
    char newName[tokenSize];
    if (gettoken(newName, in, 0, tokenSize) != 'a') {
        printout("Bad format.\n");
        return -1;
    }
    if (seriesnametoolong(newName, in)) {
        skipline(in);
        return -1;
    }
    return workspaceBank->renser(name, newName) == 0 ? 0 : -1;
}

int frequencycmd(std::FILE* in) {
    char name[tokenSize];
    if (gettoken(name, in, 0, tokenSize) != 'a') return -1;
    if (seriesnametoolong(name, in)) {
        skipstatement(in);
        return -1;
    }
    std::vector<float> values(seriesArrayLength + 1, MISSING);
    char* text = nullptr;
    if (fetchseries(name, values.data(), text, in, 1) != 0) return -1;
    char token[tokenSize];
    if (gettoken(token, in, 0, tokenSize) == 'n') {
        currentFrequency = static_cast<std::int16_t>(std::atoi(token));
        return storeseries(name, values.data()) < 0 ? -1 : 0;
    }
    ungettoken();
    printout("%s has %d observations per year.\n", name, currentFrequency);
    skipstatement(in);
    return 0;
}
