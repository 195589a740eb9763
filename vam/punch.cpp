// punch5 and matin5: the non-zero cells of a matrix, period by period, in fixed columns (a
// header that is itself the matin5 command, lines of up to five entries, a closing ';').
// Every punch command checks its element and arguments before it writes, and writes its
// file whole beside the old one: a refused punch leaves an existing file as it was.
#include "vam/punch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "banks/databank.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "vam/data_entry.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"
#include "vam/vampath.h"

namespace {

constexpr int tokenSize = 78;
constexpr int matin5LineSize = 1999;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// A field of exactly `width` characters: the formatted text cut at the width.
void putfield(std::string& line, const char* text, int width) {
    std::string field(text);
    if (static_cast<int>(field.size()) > width) field.resize(static_cast<std::size_t>(width));
    line += field;
}
void putintfield(std::string& line, int width, long value) {
    char format[16], text[64];
    std::snprintf(format, sizeof format, "%%%dd", width);
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    putfield(line, text, width);
}
void putfloatfield(std::string& line, int width, int decimals, float value) {
    char format[16], text[400];
    std::snprintf(format, sizeof format, "%%%d.%df", width, decimals);
    std::snprintf(text, sizeof text, format, static_cast<double>(value));
    putfield(line, text, width);
}

struct Matin5Format {
    int width = 9, decimals = 3, index = 4;
};

// Entries of a matin5 block, five to a line after the label.
class Matin5Lines {
public:
    Matin5Lines(std::string& out, const std::string& name, Matin5Format f) : out_(out), f_(f) {
        label_ = name.substr(0, 5);
        label_.resize(5, ' ');
        line_ = label_;
    }
    void add(int row, int column, float value) {
        putintfield(line_, f_.index, row);
        putintfield(line_, f_.index, column);
        putfloatfield(line_, f_.width, f_.decimals, value);
        if (++entries_ % 5 == 0) {
            out_ += line_ + "\n";
            line_ = label_;
        }
    }
    bool holdsEntries() const { return line_.size() > label_.size(); }
    const std::string& line() const { return line_; }

private:
    std::string& out_;
    Matin5Format f_;
    std::string label_, line_;
    int entries_ = 0;
};

void matin5header(std::string& out, const std::string& name, const std::string& period, Matin5Format f) {
    char text[160];
    std::snprintf(text, sizeof text, "matin5 %s %s %d %d %d\n", name.c_str(), period.c_str(),
                  f.width, f.decimals, f.index);
    out += text;
}

// The block of the loaded (dense) matrix: cells above the threshold.
void punchmatin5(VamFile& bank, std::string& out, const std::string& name, int k, Matin5Format f) {
    const std::string period = periodtext(bank, k);
    matin5header(out, name, period, f);
    printout("%s\r", period.c_str());
    const float threshold = f.decimals > 3 ? std::pow(10.0f, static_cast<float>(1 - f.decimals)) : 0.0000001f;
    Matin5Lines lines(out, name, f);
    for (int r = 0; r < bank.loadedRows(); ++r) {
        const float* row = bank.loadedRow(r);
        for (int c = 0; c < bank.loadedCount(); ++c)
            if (std::fabs(row[c]) > threshold) lines.add(r + 1, c + 1, row[c]);
    }
    if (lines.holdsEntries()) out += lines.line() + "\n";
    out += ";\n";
}

// The block of a packed matrix: every stored cell, read from its packed-matrix file.
int punchpacked5(VamFile& bank, std::string& out, int i, int k, Matin5Format f) {
    const std::string name = bank.nameOf(i);
    const char* stored = bank.packedFileName(bank.lagsOf(i));
    const std::string path = stored && *stored ? bank.findFile(stored) : std::string();
    if (path.empty()) {
        if (!stored || !*stored) printout("Cannot open %s for reading.\r\n", stored ? stored : "");
        return -1;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    PackedPattern p;
    const bool ok = file && readpackedpattern(file, bank.rowsOf(i), bank.columnsOf(i), bank.periodCount(), p);
    const JexDate date = bank.firstJexDate() + k;
    const int period = ok && date.frequency == p.first.frequency ? static_cast<int>(date - p.first) : -1;
    std::vector<float> values(static_cast<std::size_t>(p.header.cells));
    if (!ok || !p.hasPeriod(period) || !readfloatsat(file, p.valuesAt(period), values.data(), p.header.cells)) {
        if (file) std::fclose(file);
        printout("Could not read row %d. Bye.\n", 1);
        return -1;
    }
    std::fclose(file);
    const std::string text = periodtext(bank, k);
    if (addPrint == 1) printout("Printing %s for period %s\n", name.c_str(), text.c_str());
    matin5header(out, name, text, f);
    Matin5Lines lines(out, name, f);
    for (int r = 0; r < p.header.rows; ++r)
        for (int n = p.rowStarts[r]; n < p.rowStarts[r + 1]; ++n)
            lines.add(r + 1, p.columns[n], values[n]);
    if (lines.holdsEntries()) out += lines.line();
    out += ";\n";
    return 0;
}

// Up to `count` numbers of the command line; a '-' before a number makes it negative.
// Returns how many were read; the rest of the line is dropped.
int readnumbers(std::FILE* in, int* values, int count) {
    char token[tokenSize];
    int n = 0;
    int cls = gettoken(token, in, 0, tokenSize);
    while (n < count) {
        int sign = 1;
        if (cls == '-') {
            sign = -1;
            cls = gettoken(token, in, 0, tokenSize);
        }
        if (cls != 'n') break;
        values[n++] = sign * std::atoi(token);
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (!endclass(cls)) skipline(in);
    return n;
}

}  // namespace

VamFile* punchbank(const char* written, std::string& name, const char* command) {
    int slot = defaultVamBank;
    name = written;
    if (written[0] && written[1] == '.') {
        const char letter = written[0];
        if (letter < 'a' || letter > 'z') {
            printout("Bank designation out of range. Use a. through v. \n");
            return nullptr;
        }
        slot = letter - 'a';
        name = written + 2;
        if (!bankSlots[slot]) {
            printout("Bank %c not assigned.\n", letter);
            return nullptr;
        }
    } else if (slot < 0 || slot >= bankSlotCount || !bankSlots[slot]) {
        printout("No default Vam file has been assigned.\n");
        return nullptr;
    }
    VamFile* bank = bankTypes[slot] == 'v' ? dynamic_cast<VamFile*>(bankSlots[slot]) : nullptr;
    if (!bank) printout("The %s command can be used only with Vam banks.\n", command);
    return bank;
}

int punch5cmd(std::FILE* in) {
    auto usage = []() {
        printout("Usage is: punch5 <filename> <vecname> [<width> <decs> <Indexwidth>]\r\n");
        return -1;
    };
    char file[tokenSize], written[tokenSize];
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
    int numbers[3] = {9, 3, 4};
    readnumbers(in, numbers, 3);
    const Matin5Format f{numbers[0], numbers[1], numbers[2]};
    const int i = bank->findser(name.c_str());
    if (i < 0) {
        printout("Cannot find %s.\r\n", written);
        return -1;
    }
    if (f.width < 0 || f.width > 20) {
        printout("Illegal width: %d.  Cannot exceed 20.\r\n", f.width);
        return -1;
    }
    if (f.decimals < 0 || f.decimals > 15) {
        printout("Illegal decs: %d.  Cannot exceed 15.\r\n", f.decimals);
        return -1;
    }
    if (f.index < 1 || f.index > 20) {
        printout("Illegal index width: %d.\r\n", f.index);
        return -1;
    }
    const char type = bank->typeOf(i);
    if (type != 'm' && type != 'p') {
        printout("punch5(p5) only works with matrices.  Try punchvec(pv) for vectors.\n");
        return -1;
    }
    int k1 = 0, k2 = -1;
    fdatesperiods(*bank, k1, k2);
    std::string out;
    for (int k = k1; k <= k2; ++k) {
        int status;
        if (type == 'p') {
            status = punchpacked5(*bank, out, i, k, f);
        } else {
            status = bank->loadcmd(name.c_str(), 'y', (bank->firstJexDate() + k).toFloat());
            if (status == 0) punchmatin5(*bank, out, name, k, f);
        }
        if (status < 0) return usage();
    }
    if (!replacefile(vampath(file), out)) {
        printout("Cannot open %s for saving.\n", file);
        return -1;
    }
    if (k1 <= k2)
        printout("\r\n %s %s printed from %s to %s in file %s\r\n",
                 type == 'p' ? "Packed matrix" : "matrix", name.c_str(),
                 periodtext(*bank, k1).c_str(), periodtext(*bank, k2).c_str(), file);
    return 0;
}

int matin5cmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char name[tokenSize], token[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a' || !bank || (cls = gettoken(token, in, 0, tokenSize)) != 'n') {
        printout("Usage is: matin5 <matrix name> <period> \n");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    const float dateNumber = static_cast<float>(std::atof(token));
    int k = 0;
    if (!bankperiod(*bank, dateNumber, k)) {
        char a[32], s[32], e[32];
        printout("Cannot load matrix for period %s.\nStartDate = %s  EndDate = %s.\n",
                 JexDate(dateNumber).print(a, sizeof a), bank->firstJexDate().print(s, sizeof s),
                 bank->lastJexDate().print(e, sizeof e));
        skipline(in);
        return -1;
    }
    const int i = bank->findser(name);
    if (i < 0) {
        printout("Cannot find matrix name. \n");
        skipline(in);
        return -1;
    }
    int numbers[3] = {9, 3, 4};
    const int given = readnumbers(in, numbers, 3);
    const int w = given >= 1 ? numbers[0] : 9;
    const int iw = given >= 3 ? numbers[2] : 4;
    if (w < 0 || iw < 0) {
        printout("\nError:  matin5 cannot read fields of negative width (%d, %d).\n", w, iw);
        return -1;
    }
    if (bank->typeOf(i) == 'p') {
        printout("\nError:  %s is a packed matrix; matin5 writes dense matrices only (use pmatin).\n", name);
        return -1;
    }
    std::FILE* data = datalinesource(in, "matin5");
    if (!data) return -1;
    const int C = bank->columnsOf(i);
    const int R = C > 0 ? static_cast<int>(bank->sizeOf(i) / C) : 0;
    if (bank->isLoaded() && bank->storecmd() != 0) return -1;
    std::vector<float> work;
    try {
        work.assign(static_cast<std::size_t>(R) * C, 0.0f);
    } catch (const std::bad_alloc&) {
        printout("Error exit from matin5 with matrix %s.\n", name);
        std::exit(1);
    }
    // Widths come from the command line: take the group's width in size_t so a huge one
    // cannot overflow, it only makes every line too short.
    const std::size_t fw = static_cast<std::size_t>(iw);
    const std::size_t g = 2 * fw + static_cast<std::size_t>(w);
    auto field = [](const std::string& line, std::size_t at, std::size_t width) {
        if (at >= line.size()) return std::string();
        return line.substr(at, std::min<std::size_t>(width, 19));
    };
    char buffer[matin5LineSize + 1];
    bool done = false;
    for (int count = 1; !done && std::fgets(buffer, sizeof buffer, data); ++count) {
        const std::string line(buffer);
        if (line[0] == '#') continue;
        if (line[0] == ';') break;
        done = line.find("matin5") != std::string::npos;
        for (std::size_t e = 0; e < 5 && !done; ++e) {
            const std::size_t at = 5 + e * g;
            if (at < line.size() && line[at] == '#') break;
            if (at < line.size() && line[at] == ';') {
                done = true;
                break;
            }
            if (line.size() < 6 + (e + 1) * g || (at + 1 < line.size() && line[at + 1] == ';')) {
                done = true;
                break;
            }
            const int row = std::atoi(field(line, at, fw).c_str());
            const int column = std::atoi(field(line, at + fw, fw).c_str());
            const float value = static_cast<float>(std::atof(field(line, at + 2 * fw, static_cast<std::size_t>(w)).c_str()));
            if (row == 0) continue;
            if (row >= 1 && row <= R && column >= 1 && column <= C) {
                work[static_cast<std::size_t>(row - 1) * C + column - 1] = value;
            } else {
                printout("Entry out of range in line %d.\n ", count);
                printout("Year: %f, Row: %d, Column: %d\n", static_cast<double>(dateNumber), row, column);
                printout("First Row: %d, Last Row: %d, First Col: %d, Last Col: %d\n", 1, R, 1, C);
                printout("Entry:  %s\n", line.c_str());
            }
        }
    }
    if (!writefloatsat(bank->file(), bank->elementPos(i, k), work.data(), static_cast<long>(work.size()))) {
        printout("Error writing matrix %s.\n", name);
        return -1;
    }
    return 0;
}
