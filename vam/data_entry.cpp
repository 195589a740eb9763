#include "vam/data_entry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "banks/commands.h"
#include "banks/databank.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/numfuncs.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/vamfile.h"

namespace {

constexpr int tokenSize = 78;
constexpr int maskColumns = 3500;
constexpr int workValues = 3998;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

bool numberchar(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
           c == 'E';
}

// A number token read with gettoken, as a float; false for any other token.
bool readfloat(std::FILE* in, float& value, int& cls) {
    char token[tokenSize];
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') return false;
    value = static_cast<float>(std::atof(token));
    return true;
}

bool blank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

void matinusage() {
    printout("Usage is: matin <matrix name> <period> <firstrow> <lastrow> <firstcol> <lastcol> "
             "[skip]\n");
    printout("If skip is not specified, a format line must follow with an r in every column to "
             "be read.\n");
}

}  // namespace

std::FILE* datalinesource(std::FILE* in, const char* command) {
    if (in && in != stdin && keyboardInput == 'n' && replayMode != 'y') return in;
    printout("\nError:  %s reads its data from the lines after it in an add file.\n", command);
    return nullptr;
}

bool nextdataline(std::FILE* in, std::string& line) {
    char buffer[vamDataLineSize + 1];
    if (!in || !std::fgets(buffer, sizeof buffer, in)) return false;
    line = buffer;
    return true;
}

std::size_t linelength(const std::string& line) {
    std::size_t n = line.size();
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) --n;
    return n;
}

bool atlineend(const std::string& line, std::size_t pos) {
    return pos >= line.size() || line[pos] == '\n';
}

int readnumber(std::string& line, std::size_t& pos, std::FILE* in, int skip, float& value) {
    return readnumber(line, pos, [in](std::string& l) { return nextdataline(in, l); }, skip, value);
}

int readnumber(std::string& line, std::size_t& pos, const LineSource& next, int skip, float& value) {
    for (;;) {
        while (!atlineend(line, pos) && !numberchar(line[pos])) ++pos;
        if (!atlineend(line, pos)) break;
        for (;;) {
            if (!next(line) || line.empty() || line[0] == 26) return -1;
            if (linelength(line) > static_cast<std::size_t>(skip)) break;
        }
        pos = static_cast<std::size_t>(skip);
    }
    char number[36];
    std::size_t n = 0;
    number[n++] = line[pos++];
    while (!atlineend(line, pos) && numberchar(line[pos]) && n < 35) {
        if (line[pos] == '-' && number[n - 1] != 'E') break;
        number[n++] = line[pos++];
    }
    number[n] = '\0';
    value = std::strtof(number, nullptr);  // the longest valid prefix; none gives 0
    return 0;
}

long long cellpos(const VamFile& bank, int i, int k, int r, int c) {
    return bank.elementPos(i, k) + 4LL * (static_cast<long long>(bank.columnsOf(i)) * (r - 1) + (c - 1));
}

bool bankperiod(const VamFile& bank, float dateNumber, int& k) {
    JexDate date(dateNumber);
    return bank.periodOf(date, k);
}

bool fdatesperiods(const VamFile& bank, int& k1, int& k2) {
    k1 = 0;
    k2 = bank.periodCount() - 1;
    const JexDate& first = bank.firstJexDate();
    if (fdate1Date.frequency == first.frequency) k1 = std::max(k1, static_cast<int>(fdate1Date - first));
    if (fdate2Date.frequency == first.frequency) k2 = std::min(k2, static_cast<int>(fdate2Date - first));
    return k1 <= k2;
}

std::string periodtext(const VamFile& bank, int k) {
    char text[32];
    return (bank.firstJexDate() + k).print(text, sizeof text, '4');
}

int vdatacmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char word[tokenSize];
    if (gettoken(word, in, 0, tokenSize) != 'a' || !bank) {
        printout("No name in data command.\n");
        return -1;
    }
    char stem[tokenSize];
    short r = -1;
    const int n = splitnamenumbers(word, stem, r);
    if (n == 0) {
        printout("\r\nError:  in vdata.\n");
        printout("Name \"%s\" is supplied without either a sector number or\n", word);
        printout("a row number.\n");
        printout("Returning...\r\n");
        pausebox("Warning!", "");
        return -1;
    }
    const int loaded = r >= 1 ? bank->loadcmd(stem, 'r', r) : bank->loadcmd(stem, 'x', 0);
    if (loaded != 0) {
        printout("\nError:  vector %s not found in vdata command.\n", stem);
        return -1;
    }
    // The element is checked before its data lines are read: nothing outside it is written.
    if (n > bank->loadedCount()) {
        printout("\nError:  item %d is outside the loaded %s.\n", n, bank->loadedName());
        return -1;
    }
    std::vector<float> work(std::max(workValues, seriesArrayLength + 1), 0.0f);
    if (readdatalines(work.data(), in, stem) != 0) {
        printout("\nError:  error while reading vector %s in vdata command.\n", stem);
        return -1;
    }
    bank->alignToWorkspace(work.data());
    return bank->putseries(n, work.data(), 0);
}

int vupdatecmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char word[tokenSize];
    if (gettoken(word, in, 0, tokenSize) != 'a' || !bank) {
        printout("No name in vupdate command.\n");
        return -1;
    }
    char stem[tokenSize];
    short r = -1;
    const int n = splitnamenumbers(word, stem, r);
    if (r >= 1) {
        if (bank->loadcmd(stem, 'r', r) != 0) {
            printout("\nError:  Cannot find matrix %s.\n", word);
            return -1;
        }
    } else if (bank->loadcmd(stem, 'x', 0) != 0) {
        printout("\nError:  Cannot find vector %s.\n", word);
        return -1;
    }
    if (n < 1 || n > bank->loadedCount()) {
        printout("\nError:  in vupdate, %s names no element of %s (1 to %d).\n", word,
                 bank->loadedName(), bank->loadedCount());
        return -1;
    }
    std::vector<float> work(std::max(workValues, seriesArrayLength + 1), MISSING);
    // A data line in error leaves the element as it was.
    if (readdatalines(work.data(), in, stem) != 0) return -1;
    bank->alignToWorkspace(work.data());
    for (int q = 0; q < bank->periodCount(); ++q) {
        if (ismissing(work[q])) continue;
        float* row = bank->loadedRow(q);
        if (row) row[n - 1] = work[q];
    }
    bank->setModified();
    return 0;
}

int fvreadcmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    auto refuse = [](const char* text) {
        printout("%s", text);
        pausebox("Hit a key to continue", "");
        return -1;
    };
    char name[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a' || !bank) return refuse("Usage is: fvread <vector_name> <period> [skip]\n");
    float period = 0;
    if (!readfloat(in, period, cls)) return refuse("Need period value\n");
    if (bank->isLoaded() && bank->storecmd() != 0) return -1;
    float skipValue = 0;
    int skip = 0;
    if (readfloat(in, skipValue, cls)) skip = std::max(0, typedint(skipValue));
    if (!endclass(cls)) skipline(in);
    const int i = bank->findser(name);
    if (i < 0 || (bank->typeOf(i) != 'v' && bank->typeOf(i) != 'l')) {
        printout("%s is not a vector name.\n", name);
        return refuse("");
    }
    int k = 0;
    if (!bankperiod(*bank, period, k)) {
        char text[32];
        printout("\r\nfvread date %s out of boundaries\n", JexDate(period).print(text, sizeof text));
        return -1;
    }
    std::FILE* data = datalinesource(in, "fvread");
    if (!data) return -1;
    const long m = bank->sizeOf(i);
    std::vector<float> values(static_cast<std::size_t>(m));
    std::string line;
    std::size_t pos = 0;
    for (long j = 0; j < m; ++j) {
        if (readnumber(line, pos, data, skip, values[j]) != 0) {
            printout("Out of data in fvread. Read %d items.\n", static_cast<int>(j));
            return -1;
        }
    }
    if (!writefloatsat(bank->file(), bank->elementPos(i, k), values.data(), m)) {
        printout("Error writing vector %s.\n", name);
        return -1;
    }
    return 0;
}

int matincmd(DataBank* b, std::FILE* in) {
    VamFile* bank = dynamic_cast<VamFile*>(b);
    char name[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    float period = 0;
    if (cls != 'a' || !bank || !readfloat(in, period, cls)) {
        matinusage();
        return -1;
    }
    JexDate date(period);
    if (date.toFloat() < 1900) date = date + 1900;
    int k = 0;
    if (!bank->periodOf(date, k)) {
        printout("\r\nmatin date out of boundaries\n");
        return -1;
    }
    float limits[4];
    for (float& v : limits) {
        if (!readfloat(in, v, cls)) {
            matinusage();
            return -1;
        }
    }
    const int r1 = typedint(limits[0]), r2 = typedint(limits[1]);
    const int c1 = typedint(limits[2]), c2 = typedint(limits[3]);
    if (bank->isLoaded() && bank->storecmd() != 0) return -1;
    float skipValue = 0;
    const bool skipGiven = readfloat(in, skipValue, cls);
    const int skip = skipGiven ? std::max(0, typedint(skipValue)) : 0;
    if (!endclass(cls)) skipline(in);

    // The matrix and the block are checked before anything is read or made.
    const int i = bank->findser(name);
    if (i < 0) {
        printout("\nError:  Cannot find matrix %s.\n", name);
        return -1;
    }
    if (bank->typeOf(i) == 'p') {
        printout("\nError:  %s is a packed matrix; matin writes dense elements only.\n", name);
        return -1;
    }
    if (r1 < 1 || r2 < r1 || r2 > bank->rowsOf(i) || c1 < 1 || c2 < c1 || c2 > bank->columnsOf(i)) {
        printout("\nError:  rows %d-%d and columns %d-%d lie outside %s (%d x %d) in matin.\n", r1,
                 r2, c1, c2, name, bank->rowsOf(i), bank->columnsOf(i));
        return -1;
    }
    std::FILE* data = datalinesource(in, "matin");
    if (!data) return -1;
    const std::size_t width = static_cast<std::size_t>(c2 - c1 + 1);
    std::vector<float> work;
    try {
        work.assign(width * static_cast<std::size_t>(r2 - r1 + 1), 0.0f);
    } catch (const std::bad_alloc&) {
        printout("Error exit from matin with matrix %s.\n", name);
        std::exit(1);
    }

    std::vector<char> mask(maskColumns, 0);
    std::string line;
    if (skipGiven) {
        for (int c = skip; c < maskColumns; ++c) mask[c] = 1;
    } else {
        if (!nextdataline(data, line)) {
            printout("Ran out of data on line %d.\n", r1);
            return -1;
        }
        for (std::size_t c = 0; c < linelength(line) && c < mask.size(); ++c)
            mask[c] = line[c] == 'r';
    }
    bool failed = false;
    for (int r = r1; r <= r2; ++r) {
        std::string kept;
        for (;;) {
            if (!nextdataline(data, line)) {
                printout("Ran out of data on line %d.\n", r);
                return -1;
            }
            if (line[0] == '#') continue;
            const std::size_t n = linelength(line);
            if (skipGiven && n <= static_cast<std::size_t>(skip)) continue;
            kept.clear();
            for (std::size_t c = 0; c < n && c < mask.size(); ++c)
                if (mask[c]) kept.push_back(line[c]);
            if (!blank(kept)) break;
        }
        std::size_t pos = 0;
        float* row = work.data() + width * static_cast<std::size_t>(r - r1);
        for (std::size_t c = 0; c < width; ++c) {
            if (readnumber(kept, pos, data, 0, row[c]) != 0) {
                printout("Error reading row %d\n", r);
                failed = true;
                break;
            }
        }
    }
    if (failed) return -1;
    for (int r = r1; r <= r2; ++r) {
        const float* row = work.data() + width * static_cast<std::size_t>(r - r1);
        if (!writefloatsat(bank->file(), cellpos(*bank, i, k, r, c1), row, static_cast<long>(width))) {
            printout("Error writing row %d \n", r);
            return -1;
        }
    }
    return 0;
}
