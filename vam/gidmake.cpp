// gidmake: a guide matrix (rows by columns for one period) from a configuration file whose
// lines spread values, numbers or series values of the period, evenly over groups of rows of
// given columns; written as matin text, an add file that puts the table into a matrix of the
// default Vam bank. The configuration is read with the command tokenizer; the output file
// is written whole, and only after the whole configuration was read.
#include "vam/gidmake.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/lookup.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "vam/vampath.h"

namespace {

constexpr int tokenSize = 78;
constexpr std::size_t pairsTextSize = 599;

void gidusage() {
    printout("Format for gidmake command: \r\n");
    printout(" gidmake <infile> <outfile>\r\n");
    printout(" eg: gidmake gid.cfg gid.out\r\n");
}

// The tokenizer's input switches, given back on every way out; the reader then refills
// from the add file at its next line.
struct ReaderGuard {
    char keyboard = keyboardInput, replay = replayMode;
    const std::vector<std::string>* list = replayList;
    ReaderGuard() {
        keyboardInput = 'n';
        replayMode = 'n';
        replayList = nullptr;
        clearpending();
    }
    ~ReaderGuard() {
        keyboardInput = keyboard;
        replayMode = replay;
        replayList = list;
        clearpending();
    }
    static void clearpending() {
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
    }
};

struct GuideTable {
    int R = 0, C = 0, period = 0;
    std::vector<float> cells;
    float& at(int r, int c) { return cells[static_cast<std::size_t>(r - 1) * C + (c - 1)]; }
};

// The rest of the configuration file's current line.
std::string restofline(std::FILE* cfg) {
    std::string text;
    for (int c = chop(cfg); c != '\n' && c >= 0 && c != 27 && c != 18; c = chop(cfg))
        if (text.size() < pairsTextSize && c != '\r') text.push_back(static_cast<char>(c));
    lastChar = '\n';
    return text;
}

// Adds one line's pairs to one column: name mode 'y' extends series names by the column.
int gidrowpairs(GuideTable& table, const std::string& pairs, int column, char nameMode) {
    if (column < 1 || column > table.C) {
        printout("\nError:  in gidmake, column %d is outside 1 to %d.\n", column, table.C);
        return -1;
    }
    keyboardInput = 'y';
    settypedline(pairs);
    struct Back {
        ~Back() {
            keyboardInput = 'n';
            lastChar = '\n';
            ungotChar = 0;
            tokenPushedBack = 0;
        }
    } back;
    char token[tokenSize];
    for (;;) {
        int cls = gettoken(token, nullptr, 0, tokenSize);
        if (cls == 'f' || cls == 'e' || cls == -1) return 0;
        if (cls != '(') continue;
        char buffer[exprTextSize];
        buffer[0] = '\0';
        char* cursor = buffer;
        std::vector<std::int16_t> rows;
        if (parsegroup(nullptr, cursor, rows, groupLimit, sizeof buffer) < 0) return -1;
        int k = 0;
        for (int r : rows) {
            if (r < 1) continue;
            if (r > table.R) {
                printout("\nError:  in gidmake, row %d is outside 1 to %d.\n", r, table.R);
                return -1;
            }
            ++k;
        }
        if (k == 0) return 0;
        cls = gettoken(token, nullptr, 0, tokenSize);
        float v = 0;
        if (cls == 'n') {
            v = static_cast<float>(std::atof(token));
        } else if (cls == 'a') {
            char name[tokenSize + 24];
            if (nameMode == 'y') std::snprintf(name, sizeof name, "%s%d", token, column);
            else std::snprintf(name, sizeof name, "%s", token);
            std::vector<float> series(seriesArrayLength + 1);
            char* none = nullptr;
            const int fetched = fetchseries(name, series.data(), none, nullptr, 0);
            const int index = dateindex(table.period);
            if (fetched < 0 || index < 0 || index >= seriesArrayLength) return -1;
            v = series[static_cast<std::size_t>(index)];
        } else {
            return -1;
        }
        for (int r : rows)
            if (r >= 1) table.at(r, column) += v / static_cast<float>(k);
    }
}

}  // namespace

int gidmakecmd(DataBank*, std::FILE* in) {
    char infile[tokenSize], outfile[tokenSize], token[tokenSize];
    int cls = gettoken(infile, in, 0, tokenSize);
    if (cls != 'a' || (cls = gettoken(outfile, in, 0, tokenSize)) != 'a') {
        if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
        gidusage();
        return -1;
    }
    int w = 8, d = 3;
    if ((cls = gettoken(token, in, 0, tokenSize)) == 'n') {
        w = std::atoi(token);
        if ((cls = gettoken(token, in, 0, tokenSize)) == 'n') {
            d = std::atoi(token);
            cls = gettoken(token, in, 0, tokenSize);
        }
    }
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    if (w < 1 || w > 30 || d < 0 || d > 15 ) {
        printout("\nError:  in gidmake, width %d with %d decimals cannot be written.\n", w, d);
        gidusage();
        return -1;
    }
    std::FILE* cfg = std::fopen(vampath(infile).c_str(), "r");
    if (!cfg) {
        printout("Cannot open %s for saving.\n", infile);
        return -1;
    }
    GuideTable table;
    std::string name;
    int status = 0;
    {
        ReaderGuard guard;
        auto incorrect = [&]() {
            printout("Incorrect config file\r\n");
            gidusage();
            return -1;
        };
        // The header: the name, then rows, columns and the period.
        while ((cls = gettoken(token, cfg, 0, tokenSize)) != 'a')
            if (cls == 'e' || cls == -1) break;
        if (cls == 'a') name = token;
        int numbers[3] = {0, 0, 0};
        int got = 0;
        while (cls == 'a' && got < 3) {
            const int c = gettoken(token, cfg, 0, tokenSize);
            if (c == 'e' || c == -1) break;
            if (c == 'n') numbers[got++] = std::atoi(token);
        }
        if (name.empty() || got < 3 || numbers[0] < 1 || numbers[1] < 1 || numbers[0] > 10000 ||
            numbers[1] > 10000) {
            status = incorrect();
        } else {
            restofline(cfg);
            table.R = numbers[0];
            table.C = numbers[1];
            table.period = numbers[2];
            table.cells.assign(static_cast<std::size_t>(table.R) * table.C, 0.0f);
            for (;;) {
                cls = gettoken(token, cfg, 0, tokenSize);
                if (cls == 'e' || cls == -1) break;
                if (cls == 'n') {
                    const int column = std::atoi(token);
                    const std::string pairs = restofline(cfg);
                    if (gidrowpairs(table, pairs, column, 'n') != 0) {
                        status = incorrect();
                        break;
                    }
                } else if (cls == '(') {
                    char buffer[exprTextSize];
                    buffer[0] = '\0';
                    char* cursor = buffer;
                    std::vector<std::int16_t> columns;
                    if (parsegroup(cfg, cursor, columns, groupLimit, sizeof buffer) < 0) {
                        status = incorrect();
                        break;
                    }
                    const std::string pairs = restofline(cfg);
                    for (int c : columns) {
                        if (c < 1) continue;
                        if (gidrowpairs(table, pairs, c, 'y') != 0) {
                            status = incorrect();
                            break;
                        }
                    }
                    if (status != 0) break;
                }
            }
        }
    }
    std::fclose(cfg);
    if (status != 0) return -1;

    char line[128];
    std::string out;
    std::snprintf(line, sizeof line, "matin %s %d 1 %d 1 %d %d\r\n", name.c_str(), table.period, table.R,
                  table.C, w);
    out += line;
    out += "#guide matrix\r\n";
    out += "#" + std::string(static_cast<std::size_t>(w - 1), ' ');
    char intFormat[16], floatFormat[16];
    std::snprintf(intFormat, sizeof intFormat, "%%%dd", w);
    std::snprintf(floatFormat, sizeof floatFormat, "%%%d.%df", w, d);
    for (int c = 1; c <= table.C; ++c) {
        std::snprintf(line, sizeof line, intFormat, c);
        out += line;
    }
    for (int r = 1; r <= table.R; ++r) {
        out += "\r\n";
        std::snprintf(line, sizeof line, intFormat, r);
        out += line;
        for (int c = 1; c <= table.C; ++c) {
            std::snprintf(line, sizeof line, floatFormat, static_cast<double>(table.at(r, c)));
            out += line;
        }
    }
    if (!replacefile(vampath(outfile), out)) {
        printout("Cannot open %s for saving.\n", outfile);
        return -1;
    }
    return 0;
}
