// Packed text: a packed matrix period by period as rows of column-value pairs. pmpunch writes
// it; pmatin reads it back into a packed-matrix file. pmatin checks the whole text and finds
// the structure (the union of the cells that any period gives) before it writes anything;
// the file is then made whole beside its name and renamed over it, and only then does the
// bank's packed-file name table change.
#include "vam/packed_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "core/bytes.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "vam/data_entry.h"
#include "vam/pmatrix.h"
#include "vam/punch.h"
#include "vam/vamfile.h"
#include "vam/vampath.h"

namespace {

constexpr int tokenSize = 78;
constexpr int maxPackedFileName = vamPackedNameSize - 1;
constexpr float punchThreshold = 0.0000001f;

// Lines of the add file, remembering where the last one began (counted from the position
// at the start, so that no line costs a seek).
struct TextLines {
    std::FILE* in;
    long start = 0;
    long at = std::ftell(in);
    bool next(std::string& line) {
        start = at;
        if (!nextdataline(in, line)) return false;
        at += static_cast<long>(line.size());
        return true;
    }
};

// An integer of the packed text: characters other than digits, signs and the line end are
// passed over; a sign gives 0 and stays for the next read. -1 at the end of the data.
int readpackedinteger(std::string& line, std::size_t& pos, const LineSource& next, long& value) {
    for (;;) {
        while (!atlineend(line, pos) && !std::isdigit(static_cast<unsigned char>(line[pos])) &&
               line[pos] != '+' && line[pos] != '-')
            ++pos;
        if (!atlineend(line, pos)) break;
        if (!next(line) || line[0] == 26) return -1;
        pos = 0;
    }
    value = 0;
    if (line[pos] == '+' || line[pos] == '-') return 0;
    for (int n = 0; n < 15 && pos < line.size() && std::isdigit(static_cast<unsigned char>(line[pos])); ++n)
        value = value * 10 + (line[pos++] - '0');
    return 0;
}

// A line of a block that starts a new period: its first number is above 1900 and only
// blanks come between it and a non-digit.
bool periodline(const std::string& line, std::size_t p) {
    std::size_t q = p;
    long number = 0;
    while (q < line.size() && std::isdigit(static_cast<unsigned char>(line[q])) && q - p < 15)
        number = number * 10 + (line[q++] - '0');
    if (q == p || number <= 1900) return false;
    while (q < line.size() && (line[q] == ' ' || line[q] == '\t')) ++q;
    return q >= line.size() || !std::isdigit(static_cast<unsigned char>(line[q]));
}

struct PackedRow {
    int row;
    std::vector<std::pair<int, float>> pairs;
};
struct PackedBlock {
    int period;
    std::vector<PackedRow> rows;
};

// Pass 1: reads and checks the whole text, marking the structure. The input is left after
// the text (at another matrix's pmatin line when one ends it). False after the messages.
bool scanpackedtext(VamFile& bank, std::FILE* in, const char* name, int R, int C, int slot,
                    std::vector<std::vector<char>>& marked, std::vector<PackedBlock>& blocks) {
    TextLines src{in};
    LineSource next = [&src](std::string& l) { return src.next(l); };
    auto fail = [](const char* format, int n) {
        if (format) printout(format, n);
        printout("Errors found in reading. ScanP failed.\n");
        return false;
    };
    std::string line;
    bool inBlock = false;
    bool pending = false;  // the line in hand is to be classified again
    int lastRow = 0, rowsRead = 0;
    while (pending || src.next(line)) {
        pending = false;
        std::size_t p = 0;
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
        const char c = p < line.size() ? line[p] : '\n';
        if (c == '#' || c == '\r' || c == '\n') continue;
        if (line.compare(p, 6, "pmatin") == 0) {
            std::size_t q = p + 6;
            while (q < line.size() && (line[q] == ' ' || line[q] == '\t')) ++q;
            std::size_t e = q;
            while (e < line.size() && !std::isspace(static_cast<unsigned char>(line[e]))) ++e;
            if (line.compare(q, e - q, name) == 0 && e - q == std::strlen(name)) continue;
            std::fseek(in, src.start, SEEK_SET);  // the next command
            break;
        }
        if (inBlock && c == ';') {
            inBlock = false;
            continue;
        }
        if ((inBlock && periodline(line, p)) || (!inBlock && std::isdigit(static_cast<unsigned char>(c)))) {
            const float date = std::strtof(line.c_str() + p, nullptr);
            if (!inBlock && date == 0) continue;
            int k = 0;
            if (!bankperiod(bank, date, k)) {
                printout("Error: Year is out of range: %s\n", line.substr(p, linelength(line) - p).c_str());
                return fail(nullptr, 0);
            }
            if (addPrint == 1)
                printout("Matrix %2d is being scanned. Year %s\n", slot, periodtext(bank, k).c_str());
            blocks.push_back({k, {}});
            inBlock = true;
            lastRow = rowsRead = 0;
            continue;
        }
        if (!inBlock) {
            printout("Error:  bad line in datafile.\n");
            return fail(nullptr, 0);
        }
        if (rowsRead == R) {  // the block is complete: the line belongs to what follows
            inBlock = false;
            pending = true;
            continue;
        }
        ++rowsRead;
        std::size_t pos = p;
        long r = 0, n = 0;
        if (readpackedinteger(line, pos, next, r) != 0 || readpackedinteger(line, pos, next, n) != 0)
            return fail("Errors in getting number on nonzeros in row %4d\n", rowsRead);
        if (r < 1 || r > R) return fail("Row number out of range in %4d\n", static_cast<int>(r));
        if (r <= lastRow) return fail("Row %4d comes out of increasing order in its block.\n", static_cast<int>(r));
        lastRow = static_cast<int>(r);
        PackedRow row{static_cast<int>(r), {}};
        pos = line.size();  // the pairs begin on the next line
        for (long j = 0; j < n; ++j) {
            long column = 0;
            float value = 0;
            if (readpackedinteger(line, pos, next, column) != 0 ||
                readnumber(line, pos, next, 0, value) != 0)
                return fail("Cannot get the column number or coeffcient in row %4d\n", static_cast<int>(r));
            if (column < 1 || column > C)
                return fail("Column number out of range in row %4d\n", static_cast<int>(r));
            marked[r - 1][column - 1] = 1;
            row.pairs.emplace_back(static_cast<int>(column), value);
        }
        blocks.back().rows.push_back(std::move(row));
    }
    if (blocks.empty()) return fail(nullptr, 0);
    return true;
}

void putpackedheader(bytes::ByteWriter& w, const VamFile& bank, const char* name, int R, int C,
                     int cells) {
    PackedHeader h;
    h.name = name;
    h.dated = true;
    const JexDate& a = bank.firstJexDate();
    const JexDate& b = bank.lastJexDate();
    const std::uint8_t details[6] = {a.period, a.day, a.frequency, b.period, b.day, b.frequency};
    std::memcpy(h.details, details, 6);
    h.firstYear = a.year;
    h.lastYear = b.year;
    h.rows = static_cast<std::int16_t>(R);
    h.columns = static_cast<std::int16_t>(C);
    h.firstRow = h.firstColumn = 1;
    h.lastRow = static_cast<std::int16_t>(R);
    h.lastColumn = static_cast<std::int16_t>(C);
    h.cells = cells;
    h.bytesPerPeriod = 4 * cells;
    w.raw(encodepackedheader(h).data(), packedHeaderSize);
}

// Pass 2: the packed-matrix file of the structure found and the values of the blocks (zero
// where the text gives none), made whole beside its name and renamed over it; then the
// bank's packed-file name table. 0 or -1.
int buildpackedfile(VamFile& bankRef, const char* name, const char* file, int slot, int R, int C,
                    const std::vector<std::vector<char>>& marked, const std::vector<PackedBlock>& blocks,
                    const char* zeroText) {
    VamFile* bank = &bankRef;
    // Column lists, row by row.
    std::vector<std::int16_t> counts(static_cast<std::size_t>(R), 0);
    std::vector<std::vector<int>> columns(static_cast<std::size_t>(R));
    int cells = 0;
    for (int r = 0; r < R; ++r) {
        for (int c = 0; c < C; ++c)
            if (marked[r][c]) columns[r].push_back(c + 1);
        counts[r] = static_cast<std::int16_t>(columns[r].size());
        cells += counts[r];
    }
    std::vector<int> rowStart(static_cast<std::size_t>(R) + 1, 0);
    for (int r = 0; r < R; ++r) rowStart[r + 1] = rowStart[r] + counts[r];

    // Pass 2: the values of every period, zero where the text gives none.
    if (zeroText) printout("%s", zeroText);
    const int periods = bank->periodCount();
    std::vector<float> values(static_cast<std::size_t>(cells) * periods, 0.0f);
    for (const PackedBlock& block : blocks) {
        if (addPrint == 1)
            printout("Writing packed matrix for period %s.\n", periodtext(*bank, block.period).c_str());
        float* period = values.data() + static_cast<std::size_t>(cells) * block.period;
        for (const PackedRow& row : block.rows) {
            const std::vector<int>& list = columns[row.row - 1];
            float* cell = period + rowStart[row.row - 1];
            std::fill(cell, cell + list.size(), 0.0f);
            std::size_t from = 0;
            for (const auto& [column, value] : row.pairs) {
                auto at = std::find(list.begin() + static_cast<long>(from), list.end(), column);
                if (at == list.end()) continue;
                from = static_cast<std::size_t>(at - list.begin());
                cell[from++] = value;
            }
        }
    }

    bytes::ByteWriter w;
    putpackedheader(w, *bank, name, R, C, cells);
    for (std::int16_t n : counts) w.i16(n);
    for (const auto& list : columns)
        for (int c : list) w.i16(static_cast<std::int16_t>(c));
    for (float v : values) w.f32(v);
    const auto& out = w.data();
    if (!replacefile(vampath(file), std::string(out.begin(), out.end()))) {
        printout("Cannot open %s .\n", file);
        return -1;
    }
    return bank->setPackedFileName(slot, file);
}

}  // namespace

// The packed matrix and the file name of pmatin and pmatin1 (quoted text allowed when
// `quoted`), with the element's packed slot; false after the command's message.
static bool readpackedtarget(VamFile* bank, std::FILE* in, bool quoted, const char* notFound,
                      const char* usage, char* name, char* file, int& i, int& slot) {
    if (!bank) return false;
    if (bank->isLoaded() && bank->storecmd() != 0) return false;
    int cls = gettoken(name, in, 0, tokenSize);
    i = cls == 'a' ? bank->findser(name) : -1;
    slot = i >= 0 ? bank->lagsOf(i) : -1;
    if (i < 0 || bank->typeOf(i) != 'p' || slot < 0 || slot >= bank->packedCount()) {
        printout("%s", notFound);
        return false;
    }
    cls = gettoken(file, in, 0, tokenSize);
    if (cls != 'a' && !(quoted && cls == '"')) {
        printout("%s", usage);
        return false;
    }
    if (std::strlen(file) > maxPackedFileName) {
        printout("\nError:  the packed matrix file name %s is longer than %d characters.\n", file,
                 maxPackedFileName);
        return false;
    }
    if (cls != 'f') skipline(in);
    return true;
}

int pmatincmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char name[tokenSize], file[tokenSize];
    int i = -1, slot = -1;
    if (!readpackedtarget(bank, in, true, "Cannot find packed matrix name. \n",
                          "Usage is: pmatin <matrix name> <output pmatrix file name>\n", name, file, i, slot))
        return -1;
    std::FILE* data = datalinesource(in, "pmatin");
    if (!data) return -1;
    const int R = bank->rowsOf(i), C = bank->columnsOf(i);

    // Pass 1: the whole text is checked and the structure found.
    std::vector<std::vector<char>> marked(static_cast<std::size_t>(R), std::vector<char>(C, 0));
    std::vector<PackedBlock> blocks;
    if (!scanpackedtext(*bank, data, name, R, C, slot, marked, blocks)) return -1;

    return buildpackedfile(*bank, name, file, slot, R, C, marked, blocks,
                           addPrint == 1 ? "\r\nZeroout....\n" : nullptr);
}

// One block of packed text for the loaded period of a matrix.
void pmpunchperiod(VamFile& bank, std::string& out, int k, int decimals) {
    const std::string date = periodtext(bank, k);
    out += date + "\n";
    if (addPrint == 1) printout("%s\r", date.c_str());
    char text[64];
    for (int r = 0; r < bank.loadedRows(); ++r) {
        const float* row = bank.loadedRow(r);
        int n = 0;
        for (int c = 0; c < bank.loadedCount(); ++c)
            if (std::fabs(row[c]) > punchThreshold) ++n;
        if (n == 0) continue;
        std::snprintf(text, sizeof text, "%2d %d\n", r + 1, n);
        out += text;
        int written = 0;
        for (int c = 0; c < bank.loadedCount(); ++c) {
            if (std::fabs(row[c]) <= punchThreshold) continue;
            std::snprintf(text, sizeof text, " %d %2.*f", c + 1, decimals, static_cast<double>(row[c]));
            out += text;
            if (++written % 6 == 0) out += "\n";
        }
        if (n % 6 != 0) out += "\n";
    }
}

int pmpunchcmd(DataBank*, std::FILE* in) {
    auto usage = []() {
        printout("Usage is: pmpunch  <filename> <matname> <decs>]\n");
        return -1;
    };
    char file[tokenSize], written[tokenSize];
    if (gettoken(file, in, 0, tokenSize) != 'a' || gettoken(written, in, 0, tokenSize) != 'a')
        return usage();
    std::string name;
    VamFile* bank = punchbank(written, name, "pmpunch");
    if (!bank) return -1;
    int k1 = 0, k2 = 0;
    const bool any = fdatesperiods(*bank, k1, k2);
    if (bank->isLoaded() && bank->storecmd() != 0) return -1;
    char token[tokenSize];
    int decimals = 3;
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        decimals = std::atoi(token);
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    const int i = bank->findser(name.c_str());
    if (i < 0) {
        printout("Cannot find %s.\r\n", written);
        return -1;
    }
    if (decimals < 0 || decimals > 15) {
        printout("Illegal decs: %d.  Cannot exceed 15.\r\n", decimals);
        return -1;
    }
    if (bank->typeOf(i) != 'p' && bank->typeOf(i) != 'm') {
        printout("pmpunch works only with matrices.  Try punchvec(pv) for vectors.\n");
        return usage();
    }
    std::string out = "pmatin " + name + " " + name + ".pmx\n";
    if (addPrint == 1) printout("\n");
    int status = 0;
    for (int k = k1; any && k <= k2; ++k) {
        bank->releaseLoaded();
        if (bank->loadcmd(name.c_str(), 'y', (bank->firstJexDate() + k).toFloat()) != 0) {
            printout("\nError:  in pmpunch command.  Cannot load data.\n");
            status = -1;
            break;
        }
        pmpunchperiod(*bank, out, k, decimals);
    }
    bank->releaseLoaded();
    if (!replacefile(vampath(file), out)) {
        printout("Cannot open %s for saving.\n", file);
        return -1;
    }
    if (addPrint == 1) printout("\n");
    return status == 0 ? 0 : usage();
}

int pmatin1cmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char name[tokenSize], file[tokenSize];
    int i = -1, slot = -1;
    if (!readpackedtarget(bank, in, false, "Cannot find packed matrix name. \r\n",
                          "Usage is: pmatin1 <matrix name> <output pmatrix file name>\r\n", name, file, i,
                          slot))
        return -1;
    std::FILE* data = datalinesource(in, "pmatin1");
    if (!data) return -1;
    const int R = bank->rowsOf(i), C = bank->columnsOf(i);
    auto fail = [](const char* format, const char* text) {
        if (format) printout(format, text);
        printout("Errors found in reading. ScanP failed.\n");
        return -1;
    };
    // Pass 1: every period's rows, each row on a new line and continued over further lines.
    std::vector<std::vector<char>> marked(static_cast<std::size_t>(R), std::vector<char>(C, 0));
    std::vector<PackedBlock> blocks;
    LineSource next = [data](std::string& l) { return nextdataline(data, l); };
    std::string line;
    while (nextdataline(data, line)) {
        std::size_t p = line.find_first_not_of(" \t");
        if (p == std::string::npos || line[p] == '#' || line[p] == '\r' || line[p] == '\n') continue;
        const std::string periodText = line.substr(p, linelength(line) - p);
        int k = 0;
        if (!bankperiod(*bank, std::strtof(line.c_str() + p, nullptr), k))
            return fail("Error: Year is out of range: %s\n", periodText.c_str());
        const std::string period = periodtext(*bank, k);
        if (addPrint == 1) printout("Matrix %2d year %s is being scanned.\n", slot, period.c_str());
        PackedBlock block{k, {}};
        for (int r = 1; r <= R; ++r) {
            if (!nextdataline(data, line)) {
                printout("Not enough data for period %s\n", period.c_str());
                return -1;
            }
            std::size_t pos = 0;
            PackedRow row{r, {}};
            for (int c = 1; c <= C; ++c) {
                float v = 0;
                if (readnumber(line, pos, next, 0, v) != 0) return fail(nullptr, nullptr);
                if (std::fabs(v) > 0.0000000001f) marked[r - 1][c - 1] = 1;
                if (v != 0) row.pairs.emplace_back(c, v);
            }
            block.rows.push_back(std::move(row));
        }
        blocks.push_back(std::move(block));
    }
    return buildpackedfile(*bank, name, file, slot, R, C, marked, blocks, "\r\nZeroout....\r\n");
}
