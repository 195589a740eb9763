// xl vecread, vecwrite and matread: chosen sectors of a Vam vector over a range of years,
// and a block of a Vam matrix for one year, between a Vam bank and the active worksheet.
// Cells and sectors are chosen with groups (c(...) columns, r(...) rows, v(...) sectors).
// Every date, sector and matrix index is checked before a cell or the bank is touched.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/matrix.h"
#include "core/missing.h"
#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "excel/xl_internal.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "vam/vamfile.h"

using namespace xlinternal;

namespace {

using Group = std::vector<std::int16_t>;
constexpr int groupLimit = 500;
constexpr int periodArrayLength = 2000;

// The Vam bank a name addresses (b.out: slot b; else the default Vam bank) and the name
// without its bank letter; null when there is none.
VamFile* vambank(const std::string& name, std::string& element) {
    int slot = defaultVamBank;
    element = name;
    if (name.size() > 2 && name[1] == '.') {
        slot = name[0] - 'a';
        element = name.substr(2);
        if (name[0] < 'a' || name[0] > 'z') return nullptr;
    }
    if (slot < 0 || slot >= bankSlotCount || bankTypes[slot] != 'v') return nullptr;
    return dynamic_cast<VamFile*>(bankSlots[slot]);
}

// Period index of a date in the bank (from its first date); -1 for another frequency or
// an unset date.
int periodindex(const VamFile& bank, const JexDate& date) {
    const JexDate& start = bank.firstJexDate();
    if (date.frequency == 0 || date.frequency != start.frequency) return -1;
    return date - start;
}

// A sector outside the vector is refused before any cell is read or written.
bool sectorsinside(const Group& sectors, int count, const std::string& name) {
    for (std::int16_t s : sectors)
        if (s < 1 || s > count) {
            printout("\nError:  sector %d is out of bounds for vector %s.\n", s, name.c_str());
            return false;
        }
    return true;
}

bool samefrequencies(const VamFile& bank, const JexDate& first, const JexDate& last) {
    return bank.firstJexDate().frequency == first.frequency && bank.lastJexDate().frequency == last.frequency;
}

// The Excel column group, then the Excel row group (vecread and matread).
int excelgroups(std::FILE* in, Group& columns, Group& rows) {
    if (xlgrouparg(in, columns, groupLimit, "c") != 0) {
        printout("The Excel column group must be preceeded by a c or a C\n");
        return -1;
    }
    if (xlgrouparg(in, rows, groupLimit, "r") != 0) {
        printout("The Excel row group must be preceeded by an r or an R\n");
        return -1;
    }
    return 0;
}

// The texts by which vecread and vecwrite refuse the same things.
struct VectorTexts {
    const char* command;        // "vecread" or "vecwrite"
    const char* downMismatch;   // first line of the count message, years down
    const char* rightMismatch;  // first line of the count message, years right
    const char* direction;      // up or left
    const char* bank;           // %c: the name's first character
    const char* firstDate;
    const char* dates;
    const char* secondDate;
    const char* noVector;       // %s: the name as typed
    const char* notVector;
    const char* cannotLoad;
    const char* frequency;      // first of the two frequency lines
    bool lastWithinBank;        // the last date must lie within the bank
};

const VectorTexts readTexts = {
    "vecread",
    "\n When years run down the worksheet, the number of Excel columns\n",
    "\n When time run right across the worksheet, the number of Excel rows\n",
    "Error:  In xl vecread, direction must be \"right\" or \"down\".\n",
    "\nError:  %c is not a valid bank letter, or the specified bank is not a vam file.\n",
    "\nError:  first date for xl is before beginning of Vam bank.\n",
    "\nError:  in dates for xl command.\n",
    "\nError:  second date invalid in xl command.\n",
    "\r\nNo such vector as %s\r\n",
    "\nError:  xl vecread only reads vectors.\n",
    "\nError:  in xl command, cannot load vector.\n",
    "\nError:  in xl, dates declared are not of the same frequency\n",
    false};

const VectorTexts writeTexts = {
    "vecwrite",
    "Error:  In xl vecwrite, when years run down the worksheet, the number of Excel columns\n",
    "Error:  In xl vecwrite, when time run right across the worksheet, the number of Excel rows\n",
    "Error:  In xl vecwrite, direction must be \"right\", \"left\", \"up\", or \"down\".\n",
    "Error:  In xl vecwrite, %c is not a valid bank letter, or no bank loaded,\n"
    " or the specified bank is not a vam file.\n",
    "Error:  In xl vecwrite, first date for xl is before beginning of Vam bank.\n",
    "Error:  In xl vecwrite, in dates for xl command.\n",
    "Error:  In xl vecwrite, second date invalid in xl command.\n",
    "Error:  In xl vecwrite, no such vector as %s\r\n",
    "Error:  xl vecwrite only writes vectors.\n",
    "Error:  In xl vecwrite, cannot load vector.\n",
    "Error:  In xl vecwrite, dates declared are not of the same frequency\n",
    true};

// What vecread and vecwrite share after their groups, direction and name are read: the shape
// of the groups, the dates, the bank, the vector loaded whole and its sectors. The f-command
// range is set to the dates (the caller's guard puts it back). -1 after the message.
int preparevector(std::FILE* in, const VectorTexts& t, const std::string& name, char direction,
                  const Group& columns, const Group& rows, const Group& sectors, VamFile*& bank,
                  int& i1, int& i2) {
    const int along = static_cast<int>(sectors.size());
    if (direction == 'd' || direction == 'r') {
        const Group& across = direction == 'd' ? columns : rows;
        const Group& single = direction == 'd' ? rows : columns;
        if (static_cast<int>(across.size()) != along) {
            printout("%s", direction == 'd' ? t.downMismatch : t.rightMismatch);
            printout(" selected (%d) must equal the number of vector rows selected (%d)\n",
                     static_cast<int>(across.size()), along);
            return -1;
        }
        if (single.size() != 1) return -1;
    } else {
        printout("%s", t.direction);
        return -1;
    }
    JexDate first = fdate1Date, last = fdate2Date;
    if (xldatesarg(in, first, last) == -1) {
        printout("\nError:  in \"xl %s <column> <row> <direction> <vector name> <start date>\"\n", t.command);
        printout("        next argument must specify the end date.\n");
        return -1;
    }
    std::string element;
    bank = vambank(name, element);
    if (!bank) {
        printout(t.bank, name[0]);
        return -1;
    }
    i1 = periodindex(*bank, first);
    i2 = last.frequency == first.frequency ? periodindex(*bank, last) : -1;
    if (i1 < 0) {
        printout("%s", t.firstDate);
        return -1;
    }
    if (i2 < 0) {
        printout("%s", t.dates);
        return -1;
    }
    // The last workspace index is wsMaxObs - 1; vecwrite reads the loaded table, which has
    // no row past the bank's last date.
    if (i2 >= wsMaxObs || i2 >= periodArrayLength - 1 || (t.lastWithinBank && i2 >= bank->periodCount())) {
        printout("%s", t.secondDate);
        return -1;
    }
    FdatesGuard::set(first, last);
    const int index = bank->findser(element.c_str());
    if (index == -1) {
        printout(t.noVector, name.c_str());
        return -1;
    }
    const char type = bank->eltype(index);
    if (type != 'v' && type != 'l') {
        printout("%s", t.notVector);
        return -1;
    }
    if (bank->loadcmd(element.c_str(), 'x', 0) < 0) {
        printout("%s", t.cannotLoad);
        return -1;
    }
    if (!samefrequencies(*bank, first, last)) {
        printout("%s", t.frequency);
        printout("as the Vam bank dates.\n");
        return -1;
    }
    return sectorsinside(sectors, bank->loadedCount(), name) ? 0 : -1;
}

int vecread(std::FILE* in) {
    Group columns, rows, sectors;
    if (excelgroups(in, columns, rows) != 0) return -1;
    char direction;
    if (xldirectionarg(in, direction) != 0) {
        printout("\nError:  in \"xl vecread column row\", following argument must\n");
        printout("specify the direction:  \"down\", \"right\", \"up\", or \"left\".\n");
        return -1;
    }
    char token[tokenSize];
    if (!istext(gettoken(token, in, 0, tokenSize))) {
        printout("\nError:  in xl vecread, a vector name must be supplied.\n");
        return -1;
    }
    const std::string name = token;
    if (xlgrouparg(in, sectors, groupLimit, "v") != 0) return -1;
    const int along = static_cast<int>(sectors.size());
    FdatesGuard saved;
    VamFile* bank = nullptr;
    int i1 = 0, i2 = 0;
    if (preparevector(in, readTexts, name, direction, columns, rows, sectors, bank, i1, i2) != 0) return -1;
    std::vector<float> periods(periodArrayLength, MISSING);
    const int count = i2 - i1 + 1;
    std::vector<float> cells(static_cast<std::size_t>(count));
    int result = 0;
    for (int k = 0; k < along; ++k) {
        const std::string column = colletters(direction == 'd' ? columns[static_cast<std::size_t>(k)] : columns[0]);
        const int row = direction == 'd' ? rows[0] : rows[static_cast<std::size_t>(k)];
        if (column == "-1") return -1;
        std::fill(cells.begin(), cells.end(), excelSession.missingValue());
        if (excelSession.ReadNumberArray(column, row, direction, count, cells.data(), 1, 0) != 0) return -1;
        if (result != 0) {
            printout("\nError:  in xl, cannot align data.\n");
            return -1;
        }
        std::copy(cells.begin(), cells.end(), periods.begin() + i1);
        result = bank->putseries(sectors[static_cast<std::size_t>(k)], periods.data(), 0);
        if (result != 0) {
            printout("\nError:  in xl, cannot write vector to vam bank.\n");
            result = -1;
        }
    }
    return result;
}

// The Excel group that runs along the sectors cut into runs of consecutive numbers: the
// index of each run's first member and its length.
std::vector<std::pair<int, int>> runsof(const Group& g) {
    std::vector<std::pair<int, int>> runs;
    for (std::size_t k = 0; k < g.size(); ++k) {
        if (k > 0 && g[k] == g[k - 1] + 1) ++runs.back().second;
        else runs.push_back({static_cast<int>(k), 1});
    }
    return runs;
}

int vecwrite(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (!istext(cls)) {
        if (!islineend(cls)) printout("Error:  In xl vecwrite, the first argument must be a valid vector name.\n");
        return -1;
    }
    const std::string name = token;
    Group sectors, columns, rows;
    if (xlgrouparg(in, sectors, groupLimit, "v") != 0) return -1;
    if (xlgrouparg(in, columns, groupLimit, "c") != 0) {
        printout("Error:  In xl vecwrite, the Excel column group must be preceeded by a c or a C\n");
        return -1;
    }
    if (xlgrouparg(in, rows, groupLimit, "r") != 0) return -1;
    char direction;
    if (xldirectionarg(in, direction) != 0) {
        printout("\nError:  in \"xl vecwrite column row\", following argument must\n");
        printout("specify the direction:  \"down\", \"right\", \"up\", or \"left\".\n");
        return -1;
    }
    FdatesGuard saved;
    VamFile* bank = nullptr;
    int i1 = 0, i2 = 0;
    if (preparevector(in, writeTexts, name, direction, columns, rows, sectors, bank, i1, i2) != 0) return -1;
    excelSession.setDecimals(decsGiven && decs < 10 ? decs : 2);
    const int years = i2 - i1 + 1;
    const Group& runGroup = direction == 'd' ? columns : rows;
    for (const auto& [start, width] : runsof(runGroup)) {
        // rows x cols of the block: years by the run's width down, the run by years right.
        const int blockRows = direction == 'd' ? years : width;
        const int blockCols = direction == 'd' ? width : years;
        std::vector<float> block(static_cast<std::size_t>(blockRows) * static_cast<std::size_t>(blockCols));
        std::vector<const float*> pointers(static_cast<std::size_t>(blockRows));
        for (int w = 0; w < width; ++w) {
            const int sector = sectors[static_cast<std::size_t>(start + w)];
            for (int t = 0; t < years; ++t) {
                const float v = bank->loadedRow(i1 + t)[sector - 1];
                const std::size_t at = direction == 'd' ? static_cast<std::size_t>(t) * blockCols + w
                                                        : static_cast<std::size_t>(w) * blockCols + t;
                block[at] = v;
            }
        }
        for (int r = 0; r < blockRows; ++r)
            pointers[static_cast<std::size_t>(r)] = block.data() + static_cast<std::size_t>(r) * blockCols;
        const int first = runGroup[static_cast<std::size_t>(start)];
        const std::string column = colletters(direction == 'd' ? first : columns[0]);
        const int row = direction == 'd' ? rows[0] : first;
        if (column == "-1" ||
            excelSession.WriteFloatArray(column, row, blockCols, blockRows, pointers.data()) != 0) {
            printout("Error:  In xl vecwrite, problem writing to spreadsheet.\n");
            return -1;
        }
    }
    return 0;
}

int matread(std::FILE* in) {
    Group columns, rows, matrixColumns, matrixRows;
    if (excelgroups(in, columns, rows) != 0) return -1;
    char token[tokenSize];
    if (!istext(gettoken(token, in, 0, tokenSize))) {
        printout("\nError:  in xl matread, the matrix name must be supplied.\n");
        return -1;
    }
    const std::string name = token;
    if (xlgrouparg(in, matrixColumns, groupLimit, "c") != 0) {
        printout("The matrix column group must be preceeded by a c or a C\n");
        return -1;
    }
    if (xlgrouparg(in, matrixRows, groupLimit, "r") != 0) {
        printout("The matrix row group must be preceeded by an r or an R\n");
        return -1;
    }
    if (rows.size() != matrixRows.size()) {
        printout("The number of Excel rows (%d) must equal the number of matrix rows(%d)\n",
                 static_cast<int>(rows.size()), static_cast<int>(matrixRows.size()));
        return -1;
    }
    if (columns.size() != matrixColumns.size()) {
        printout("The number of Excel columns (%d) must equal the number of matrix columns(%d)\n",
                 static_cast<int>(columns.size()), static_cast<int>(matrixColumns.size()));
        return -1;
    }
    JexDate date, second;
    if (xldatesarg(in, date, second) == -1) {
        printout("\nError: in \"xl matread\" command, you must provide a valid date.\n");
        return -1;
    }
    if (!(name.size() > 2 && name[1] == '.') && defaultVamBank < 0) {
        printout("\nError:  \"xl matread\" command works only with Vam files.\n");
        return -1;
    }
    std::string element;
    VamFile* bank = vambank(name, element);
    if (!bank) {
        printout("\nError:  %c is not a valid bank letter, or the specified bank is not a vam file.\n", name[0]);
        return -1;
    }
    const int period = periodindex(*bank, date);
    if (period < 0 || period >= wsMaxObs || period >= bank->periodCount()) {
        printout("\nError:  Date invalid in xl command.\n");
        return -1;
    }
    const int nr = static_cast<int>(rows.size()), nc = static_cast<int>(columns.size());
    Matrix<float> values(nr, nc);
    if (excelSession.ReadNumberMatrix(columns.data(), nc, rows.data(), nr, values) != 0) return -1;
    const int index = bank->findser(element.c_str());
    if (index == -1) {
        printout("\r\nNo such matrix as %s\r\n", name.c_str());
        return -1;
    }
    if (bank->eltype(index) != 'm') {
        printout("\nError:  \"xl matread\" operates on a matrix.\n");
        return -1;
    }
    if (bank->loadcmd(element.c_str(), 'y', date.toFloat()) < 0) {
        printout("\r\nLoad of destination failed in \"xl matread.\"\r\n");
        return -1;
    }
    const int R = bank->rows(index), C = bank->cols(index);
    if (R < nr) {
        printout("\nError:  too many Excel rows for Vam matrix.\n");
        return -1;
    }
    if (C < nc) {
        printout("\nError:  too many Excel cols for Vam matrix.\n");
        return -1;
    }
    // Every index is checked before the loaded table changes.
    for (std::int16_t r : matrixRows)
        if (r < 1 || r > R) {
            printout("\nError:  row index is out of bounds for Vam matrix.\n");
            return -1;
        }
    for (std::int16_t c : matrixColumns)
        if (c < 1 || c > C) {
            printout("\nError:  column index is out of bounds for Vam matrix.\n");
            return -1;
        }
    for (int i = 1; i <= nr; ++i)
        for (int j = 1; j <= nc; ++j)
            bank->loadedRow(matrixRows[static_cast<std::size_t>(i - 1)] - 1)[matrixColumns[static_cast<std::size_t>(j - 1)] - 1] =
                values(i, j);
    bank->setModified();
    return bank->storecmd() == 0 ? 0 : -1;
}

}  // namespace

int xlvecreadcmd(std::FILE* in) {
    try {
        return vecread(in);
    } catch (...) {
        printout("\nError:  in Excel vecread command.\n");
        return -1;
    }
}

int xlvecwritecmd(std::FILE* in) {
    int result;
    try {
        result = vecwrite(in);
    } catch (...) {
        printout("\nError:  in Excel vecwrite command.\n");
        return -1;
    }
    if (result != 0) {
        printout("Syntax for xl vecwrite:\n");
        printout(" xl vecwrite <vector><v(sectors )><c(columns)><r(rows)><direction>[<start>[<end>]]\n");
        printout(" where sectors are vector index values, rows and columns are spreadsheet positions,\n");
        printout(" direction is right or down (the direction of increasing dates), and start and end\n");
        printout(" are dates in Jex7 date format.\n");
    }
    return result;
}

int xlmatreadcmd(std::FILE* in) { return matread(in); }
