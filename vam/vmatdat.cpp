// The vmatdat text: a table of vector values, several vectors in one period or one vector in
// several periods, one line per vector or period ('r') or per element ('c'). punchvec writes
// one vector over periods in this form; vmatdata reads it into the default Vam bank. Every
// name, element range and period is checked before any value is written.
#include <cfenv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "vam/data_entry.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/punch.h"
#include "vam/vamfile.h"
#include "vam/vampath.h"

namespace {

constexpr int tokenSize = 78;
constexpr int maxTableLines = 100;
constexpr int maxWrittenLine = 1498;
constexpr std::size_t maxNameLength = 34;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

bool valuechar(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

int vmatusage() {
    printout("vmatdat usage is:\n");
    printout("vmatdat <r or c> <# of vectors> <# of years> <first elem> <last elem> [skip]\n");
    return -1;
}

// The characters of the line in the read columns (from column skip + 1), without the line end.
std::string kepttext(const std::string& line, int skip) {
    const std::size_t n = linelength(line);
    return n > static_cast<std::size_t>(skip) ? line.substr(static_cast<std::size_t>(skip), n - skip) : std::string();
}

// The next value of the table: 0, or -1 at the end of the data or for a value with two
// decimal points (after its messages).
int readmaskedvalue(int skip, float& value, std::FILE* in, std::string& line, std::size_t& pos) {
    for (;;) {
        while (pos < line.size() && !valuechar(line[pos])) ++pos;
        if (pos < line.size()) break;
        std::string next;
        do {
            if (!nextdataline(in, next) || next[0] == 26) return -1;
        } while (next[0] == '#');
        line = kepttext(next, skip);
        pos = 0;
    }
    const std::size_t start = pos++;
    while (pos < line.size() && valuechar(line[pos]) && line[pos] != '-') ++pos;
    const std::string text = line.substr(start, pos - start);
    if (text.find('.') != text.rfind('.')) {
        printout("\nError:  there are more than one decimal points in the data:\n%s\n", line.c_str());
        printout("Returning 0; please fix problem.\n");
        value = 0;
        return -1;
    }
    value = std::strtof(text.c_str(), nullptr);
    return 0;
}

// A token of the heading (line ends passed over).
int headingtoken(char* token, std::FILE* in) {
    int cls;
    do cls = gettoken(token, in, 0, tokenSize);
    while (cls == 'f');
    return cls;
}

}  // namespace

int vmatdatacmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    auto usage = [&]() {
        if (!endclass(cls)) skipline(in);
        return vmatusage();
    };
    if (cls != 'a' || !bank || (token[0] != 'r' && token[0] != 'c')) return usage();
    const char layout = token[0];
    int counts[4];
    for (int& n : counts) {
        if ((cls = gettoken(token, in, 0, tokenSize)) != 'n') return usage();
        n = std::atoi(token);
    }
    const int vectors = counts[0], periods = counts[1], first = counts[2], last = counts[3];
    int skip = 0;
    if ((cls = gettoken(token, in, 0, tokenSize)) == 'n') {
        skip = std::atoi(token);
        skipline(in);
        cls = 'f';
    } else if (!endclass(cls)) {
        return usage();
    }
    if (vectors < 1 || periods < 1 || first < 1 || last < first || skip < 0) return usage();
    if (vectors > 1 && periods > 1) {
        printout("Number of vectors and number of years cannot both be > 1.\r\n");
        return vmatusage();
    }
    const int n = vectors > periods ? vectors : periods;
    if (n > maxTableLines) {
        printout(layout == 'r' ? "Too many rows. 50 is max.\n" : "Too many cols. 50 is max.\n");
        return vmatusage();
    }

    // The heading: the names and periods.
    std::vector<std::string> names;
    std::vector<int> ks;
    auto periodof = [&](const char* text) {
        int k = 0;
        if (!bankperiod(*bank, static_cast<float>(std::atof(text)), k)) {
            printout("Warning: Period %s is out of range. \n", text);
            return -1;
        }
        return k;
    };
    cls = headingtoken(token, in);
    if (periods == 1) {
        // The period comes first; the one-vector form that punchvec writes has the name first.
        std::string nameFirst;
        if (cls == 'a' && vectors == 1) {
            nameFirst = std::string(token).substr(0, maxNameLength);
            cls = headingtoken(token, in);
        }
        if (cls != 'n') {
            printout("Need period at beginning of second line.\n");
            return usage();
        }
        const int k = periodof(token);
        if (k < 0) return usage();
        ks.push_back(k);
        if (!nameFirst.empty()) names.push_back(nameFirst);
        while (static_cast<int>(names.size()) < vectors) {
            if ((cls = headingtoken(token, in)) != 'a') {
                printout("Need %d vector names.\n", vectors);
                return usage();
            }
            names.push_back(std::string(token).substr(0, maxNameLength));
        }
    } else {
        if (cls != 'a') {
            printout("Need vector name at beginning of second line.\n");
            return usage();
        }
        names.push_back(std::string(token).substr(0, maxNameLength));
        for (int t = 0; t < periods; ++t) {
            if ((cls = headingtoken(token, in)) != 'n') {
                printout("Need %d years specified.\n", periods);
                return usage();
            }
            const int k = periodof(token);
            if (k < 0) return usage();
            ks.push_back(k);
        }
    }
    cls = gettoken(token, in, 0, tokenSize);
    if (!endclass(cls)) skipline(in);

    // Every name and the element range are checked before anything is read or written.
    std::vector<int> elements;
    for (std::size_t t = 0; t < names.size(); ++t) {
        const int i = bank->findser(names[t].c_str());
        if (i < 0) {
            printout(t == 0 ? "\nError:  in vmatdata, cannot find vector \"%s\".\n"
                            : "\nError:  in vmatdata, cannot find sector \"%s\".\n",
                     names[t].c_str());
            return -1;
        }
        if (bank->typeOf(i) == 'p' || last > bank->sizeOf(i)) {
            printout("\nError:  in vmatdata, elements %d to %d lie outside %s.\n", first, last,
                     names[t].c_str());
            return -1;
        }
        elements.push_back(i);
    }
    std::FILE* data = datalinesource(in, "vmatdata");
    if (!data) return -1;
    if (bank->isLoaded() && bank->storecmd() != 0) return -1;

    const int width = last - first + 1;
    std::vector<float> table(static_cast<std::size_t>(n) * width, 0.0f);
    const int lines = layout == 'r' ? n : width;
    const int perLine = layout == 'r' ? width : n;
    for (int l = 0; l < lines; ++l) {
        std::string raw, line;
        for (;;) {
            if (!nextdataline(data, raw)) {
                printout("Ran out of data\r\n");
                return -1;
            }
            if (raw[0] == '#' || linelength(raw) <= static_cast<std::size_t>(skip)) continue;
            line = kepttext(raw, skip);
            if (line.find_first_not_of(" \t") != std::string::npos) break;
        }
        std::size_t pos = 0;
        for (int place = 0; place < perLine; ++place) {
            float value = 0;
            if (readmaskedvalue(skip, value, data, line, pos) != 0) {
                printout("\nError:  reading %s with vmatdata.\n", names[0].c_str());
                printout("Error reading line %d.\n", l);
                printout("%s\n", raw.c_str());
                printout("\n");
                return vmatusage();
            }
            const int t = layout == 'r' ? l : place;
            const int e = layout == 'r' ? place : l;
            table[static_cast<std::size_t>(t) * width + e] = value;
        }
    }
    for (int t = 0; t < n; ++t) {
        const int i = periods == 1 ? elements[static_cast<std::size_t>(t)] : elements[0];
        const int k = periods == 1 ? ks[0] : ks[static_cast<std::size_t>(t)];
        const long long at = bank->elementPos(i, k) + 4LL * (first - 1);
        if (!writefloatsat(bank->file(), at, table.data() + static_cast<std::size_t>(t) * width, width)) {
            printout("Error writing %s.\n", names[periods == 1 ? t : 0].c_str());
            return -1;
        }
    }
    return 0;
}

int punchveccmd(std::FILE* in) {
    auto usage = []() {
        printout("Usage is: punchvec <filename> <vecname> <startyear> <endyear> [<width> <decs>]\n");
        return -1;
    };
    char file[tokenSize], written[tokenSize], token[tokenSize];
    int cls = gettoken(file, in, 0, tokenSize);
    if (cls != 'a' || (cls = gettoken(written, in, 0, tokenSize)) != 'a') {
        if (!endclass(cls)) skipline(in);
        return usage();
    }
    std::string name;
    VamFile* bank = punchbank(written, name, "punch5");
    if (!bank) {
        skipline(in);
        return -1;
    }
    float dates[2];
    for (float& d : dates) {
        if ((cls = gettoken(token, in, 0, tokenSize)) != 'n') {
            if (!endclass(cls)) skipline(in);
            return usage();
        }
        d = static_cast<float>(std::atof(token));
    }
    int format[2] = {8, 3};
    for (int& f : format) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') break;
        f = std::atoi(token);
    }
    if (cls == 'n') cls = gettoken(token, in, 0, tokenSize);
    if (!endclass(cls)) {
        skipline(in);
        return usage();
    }
    const int w = format[0], d = format[1];
    const int i = bank->findser(name.c_str());
    if (i < 0) {
        printout("Cannot find %s.\r\n", written);
        return -1;
    }
    int k1 = 0, k2 = 0;
    if (!bankperiod(*bank, dates[0], k1) || !bankperiod(*bank, dates[1], k2) || k2 < k1) {
        printout("One or both of the dates is too far out.\r\n");
        return -1;
    }
    if (w < 0 || w > 15) {
        printout("Illegal width: %d.\r\n", w);
        return -1;
    }
    if (d < 0 || d > 7) {
        printout("Illegal decs: %d.\r\n", d);
        return -1;
    }
    if (bank->typeOf(i) != 'v' && bank->typeOf(i) != 'l') {
        printout("punchvec(pv) only works with vectors.  Try punch5(p5) for matrices.\n");
        return -1;
    }
    const int rows = bank->rowsOf(i), cols = bank->columnsOf(i);
    const int m = rows > 1 && cols == 1 ? rows : rows == 1 && cols >= 2 ? cols : 0;
    if (m == 0) {
        printout("\nError:  %s is not a vector.\n", name.c_str());
        return usage();
    }
    const std::size_t L = name.size() + 3;
    if (L >= 1499) {
        printout("\nError:  in punchvec, vector name is too long.\n");
        return usage();
    }
    const int k = k2 - k1 + 1;
    const std::string p1 = periodtext(*bank, k1), p2 = periodtext(*bank, k2);
    char text[512];
    std::string out = "# Vector: " + name + "\n# For periods: " + p1 + " to " + p2 + "\n";
    std::snprintf(text, sizeof text, "# %d.%d format.\nvmatdat c 1 %d 1 %d %d\n", w, d, k, m,
                  static_cast<int>(L));
    out += text;
    std::string heading = name;
    heading.resize(L + 1, ' ');
    for (int p = k1; p <= k2; ++p) {
        const std::string t = periodtext(*bank, p);
        const int pad = w - static_cast<int>(t.size()) - 1;
        if (pad > 0) heading.append(static_cast<std::size_t>(pad), ' ');
        heading += t + " ";
    }
    heading.erase(heading.find_last_not_of(' ') + 1);
    if (heading.size() > maxWrittenLine) {
        printout("\nError:  in punchvec, date line is too long; try fewer years or decrease the "
                 "width setting.\n");
        return usage();
    }
    out += heading + "\n";
    printout("Printing %s for years %s to %s.\r\n", name.c_str(), p1.c_str(), p2.c_str());
    printout("  from vam file: %s\r\n", bank->dataPath());
    if (bank->loadcmd(name.c_str(), 'x', 0) != 0) {
        loadfailurebox(" in punchvec");
        return usage();
    }
    char format2[32];
    std::snprintf(format2, sizeof format2, "%%%d.%df", w, d);
    std::feclearexcept(FE_ALL_EXCEPT);
    for (int j = 1; j <= m; ++j) {
        std::snprintf(text, sizeof text, "%s%d", name.c_str(), j);
        std::string line(text);
        line.resize(L, ' ');
        for (int p = k1; p <= k2; ++p) {
            std::snprintf(text, sizeof text, format2, static_cast<double>(bank->loadedRow(p)[j - 1]));
            line += text;
        }
        if (line.size() > maxWrittenLine) {
            printout("\nError:  in punchvec, output line is too long; try fewer years or decrease "
                     "the width setting.\n");
            return usage();
        }
        out += line + "\n";
    }
    if (!replacefile(vampath(file), out)) {
        printout("Cannot open %s for saving.\n", file);
        return -1;
    }
    if (std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW)) {
        std::feclearexcept(FE_ALL_EXCEPT);
        if (pausebox("Error:  In vecpunch.", "Error") == 27) return 27;
    }
    return 0;
}
