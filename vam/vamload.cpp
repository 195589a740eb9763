// The loaded element of a Vam bank (load, store, release, putseries) and the bank operations
// that serve its contents as series (getser, listings, info, show).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/bytes.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"
#include "views/vam_grid.h"

float* VamFile::loaded() { return isLoaded() && !table_.empty() ? table_.data() : nullptr; }

float* VamFile::loadedRow(int k) {
    if (!isLoaded() || k < 0 || k >= loadedRows_) return nullptr;
    return table_.data() + static_cast<std::size_t>(k) * loadedCount_;
}

int VamFile::releaseLoaded() {
    if (!isLoaded()) return 0;
    table_.clear();
    table_.shrink_to_fit();
    loadedFlag_ = 'n';
    modifiedFlag_ = 'n';
    loadedIndex_ = -1;
    return 0;
}

std::int16_t VamFile::loadcmd(const char* name, char view, float line) {
    if (isLoaded() && loadedName_ == name && loadedView_ == view && loadedLine_ == line) return 0;
    if (isLoaded() && isModified()) {
        if (storecmd() != 0) return -1;  // the changed element stays loaded: nothing is lost
        modifiedFlag_ = 'n';
    }
    if (isLoaded()) releaseLoaded();
    const int i = findser(name);
    if (i < 0) return -1;

    auto fail = [&] {
        printout("Problem loading data.\n");
        table_.clear();
        loadedFlag_ = 'n';
        loadedIndex_ = -1;
        return static_cast<std::int16_t>(-1);
    };
    const int R = rowsOf(i), C = columnsOf(i);
    const long size = sizeOf(i);
    const int periods = periodCount();
    const int whole = static_cast<int>(std::floor(line));
    int rows = 0, count = 0, yearPeriod = 0;
    // A packed element's file is checked by its own loader, with its own messages.
    const bool packed = typeOf(i) == 'p';
    switch (packed ? '-' : view) {
    case '-':
        break;
    case 'x':
        rows = periods;
        count = static_cast<int>(size);
        break;
    case 'r':
        if (whole < 1 || whole > R) {
            printout("Invalid line number.\n");
            return fail();
        }
        rows = periods;
        count = C;
        break;
    case 'c':
        if (whole < 1 || whole > C) {
            printout("Invalid line number.\n");
            return fail();
        }
        rows = periods;
        count = R;
        break;
    case 'y':
        if (!periodOf(JexDate(line), yearPeriod)) {
            printout("Invalid date: %4d.\n", whole);
            return fail();
        }
        rows = R;
        count = C;
        break;
    default:
        printout("Error: Invalid view.\n");
        return fail();
    }

    try {
        if (typeOf(i) == 'p') {
            if (pmload(*this, i, view, line, table_, rows, count) != 0) {
                printout("Pmload failed\r\n");
                return fail();
            }
        } else {
            table_.assign(static_cast<std::size_t>(rows) * count, 0.0f);
            if (view == 'x' || view == 'r') {
                const long long skip = view == 'r' ? 4LL * (whole - 1) * C : 0;
                for (int k = 0; k < periods; ++k) {
                    if (!readfloatsat(dataFile_, elementPos(i, k) + skip,
                                    table_.data() + static_cast<std::size_t>(k) * count, count)) {
                        printout("Fread failed in loadcmd. Tap.\n");
                        return fail();
                    }
                }
            } else {
                // One read of the whole element per period, not one per cell.
                std::vector<float> block(static_cast<std::size_t>(size));
                const int first = view == 'y' ? yearPeriod : 0;
                const int last = view == 'y' ? yearPeriod : periods - 1;
                for (int k = first; k <= last; ++k) {
                    if (!readfloatsat(dataFile_, elementPos(i, k), block.data(), size)) {
                        printout("Cannot read all of vector.\n");
                        return fail();
                    }
                    if (view == 'y') {
                        std::copy(block.begin(), block.end(), table_.begin());
                    } else {
                        float* row = table_.data() + static_cast<std::size_t>(k) * count;
                        for (int n = 0; n < R; ++n) row[n] = block[static_cast<std::size_t>(n) * C + whole - 1];
                    }
                }
            }
        }
    } catch (const std::bad_alloc&) {
        printout("\nNot enough space.\n");
        return fail();
    }
    loadedIndex_ = i;
    loadedRows_ = rows;
    loadedCount_ = count;
    loadedView_ = view;
    loadedLine_ = line;
    loadedFlag_ = 'y';
    modifiedFlag_ = 'n';
    loadedRowNumber_ = view == 'r' ? whole : -1;
    loadedName_ = name;
    return 0;
}

std::int16_t VamFile::storecmd() {
    if (!isLoaded()) {
        printout("No vector loaded, so none stored.\n");
        return 0;
    }
    const int i = loadedIndex_;
    const int C = columnsOf(i), R = rowsOf(i);
    const int whole = static_cast<int>(std::floor(loadedLine_));
    const bool packed = typeOf(i) == 'p';
    const char* file = packed ? packedFileName(lagsOf(i)) : nullptr;
    bool ok = true;
    if (loadedView_ == 'x' || loadedView_ == 'r') {
        for (int k = 0; ok && k < loadedRows_; ++k) {
            const float* row = table_.data() + static_cast<std::size_t>(k) * loadedCount_;
            if (packed) {
                const float date = (layout_.first + k).toFloat();
                ok = writearow(*this, file, date, whole, row, loadedCount_) == 0;
            } else {
                const long long skip = loadedView_ == 'r' ? 4LL * (whole - 1) * C : 0;
                ok = writefloatsat(dataFile_, elementPos(i, k) + skip, row, loadedCount_);
            }
        }
    } else if (loadedView_ == 'y') {
        int d = 0;
        periodOf(JexDate(loadedLine_), d);
        if (packed) {
            for (int n = 1; ok && n <= loadedRows_; ++n)
                ok = writearow(*this, file, loadedLine_, n,
                               table_.data() + static_cast<std::size_t>(n - 1) * loadedCount_,
                               loadedCount_) == 0;
        } else {
            ok = writefloatsat(dataFile_, elementPos(i, d), table_.data(),
                             static_cast<long>(table_.size()));
        }
    } else if (loadedView_ == 'c') {
        if (packed) {
            printout("Cannot store a column of a packed matrix at this moment\n");
            printout("Could you store a row instead?\n");
        } else {
            if (addPrint == 1) printout("Storing a column\n");
            for (int k = 0; ok && k < loadedRows_; ++k) {
                if (addPrint == 1 && (k + 1) % 5 == 0) printout(".");
                const float* row = table_.data() + static_cast<std::size_t>(k) * loadedCount_;
                for (int n = 1; ok && n <= R; ++n)
                    ok = writefloatsat(dataFile_, elementPos(i, k) + 4LL * ((n - 1) * C + whole - 1),
                                     row + n - 1, 1);
            }
            if (addPrint == 1) printout("\n");
        }
    }
    if (!ok) {
        printout("\nError:  cannot store %s in %s; it stays loaded.\n", loadedName_.c_str(),
                 dataPath());
        modifiedFlag_ = 'y';
        return -1;
    }
    table_.clear();
    table_.shrink_to_fit();
    loadedFlag_ = 'n';
    loadedIndex_ = -1;
    return 0;
}

int VamFile::putseries(int item, const float* array, int operation) {
    if (!isLoaded()) {
        printout("\nError:  in putseries() function.\nReturning...\r\n");
        platform::current().messageBox("Error!", "", platform::Buttons::Ok);
        return -1;
    }
    if (loadedView_ == 'y' || item < 1 || item > loadedCount_) {
        printout("\nError:  item %d is outside the loaded %s.\n", item, loadedName_.c_str());
        return -1;
    }
    int first = 1, last = periodCount();
    if (fdate1Date.frequency == layout_.first.frequency)
        first = std::max(1, static_cast<int>(fdate1Date - layout_.first) + 1);
    if (fdate2Date.frequency == layout_.first.frequency)
        last = std::min(last, static_cast<int>(fdate2Date - layout_.first) + 1);
    for (int k = first; k <= last; ++k) {
        float& t = table_[static_cast<std::size_t>(k - 1) * loadedCount_ + item - 1];
        const float s = array[k - 1];
        if (operation == 0) {
            t = s;
        } else if (ismissing(t)) {
        } else if (ismissing(s)) {
            t = MISSING;
        } else {
            switch (operation) {
            case '+': t += s; break;
            case '-': t -= s; break;
            case '*': t *= s; break;
            case '/': t /= std::fabs(s) > 0.000001f ? s : 1.0f; break;
            default: break;
            }
        }
    }
    modifiedFlag_ = 'y';
    return 0;
}

void VamFile::alignToWorkspace(float* array) {
    const int a = layout_.first.wsIndex();
    const int b = layout_.last.wsIndex();
    if (a < 0) {
        printout("Error:  Vam bank begins before workspace bank.  Make the workspace cover the "
                 "vam file dates.\n");
        return;
    }
    if (a == 0) return;
    for (int p = a; p <= b && p < seriesArrayLength; ++p) array[p - a] = array[p];
}

std::int16_t VamFile::getser(const char* name, float* array, std::int16_t n) {
    if (!name) return -1;
    if (array) std::fill(array, array + seriesArrayLength, 0.0f);
    char stem[commandBufferSize];
    if (std::strlen(name) >= sizeof stem) return -1;
    short r = -1;
    const int m = splitnamenumbers(name, stem, r);
    std::vector<float> values;
    auto take = [&](int position) {
        values.resize(periodCount());
        for (int k = 0; k < periodCount(); ++k)
            values[k] = table_[static_cast<std::size_t>(k) * loadedCount_ + position];
    };
    bool found = false;
    if (std::strcmp(stem, "l") == 0) {
        if (!isLoaded()) {
            printout("Nothing loaded.\n");
            return -1;
        }
        if (loadedView_ == 'y' || m < 1 || m > loadedCount_) return -1;
        take(m - 1);
        found = true;
    } else if (m > 0 || vamMode != 'a') {
        const int i = findser(stem);
        if (i >= 0 && m == 0 && r < 0) {
            return loadcmd(stem, 'x', 0) == 0 ? 2 : -1;
        }
        if (i >= 0 && m > 0) {
            const char type = typeOf(i);
            const int R = rowsOf(i), C = columnsOf(i);
            bool inRange;
            if (type == 'm' || type == 'p') inRange = m <= C && r <= R && r != 0;
            else if (C == 1) inRange = m <= R && r < 0;
            else inRange = m <= C && r < 0;  // a row vector
            if (inRange) {
                // A packed matrix cannot be loaded whole: its first row serves m alone.
                const int row = r >= 1 ? r : (type == 'p' ? 1 : -1);
                const char view = row >= 1 ? 'r' : 'x';
                if (!(isLoaded() && loadedName_ == stem && loadedView_ == view &&
                      loadedRowNumber_ == row)) {
                    if (loadcmd(stem, view, static_cast<float>(row >= 1 ? row : 0)) != 0)
                        return -1;
                }
                take(m - 1);
                found = true;
            }
        }
    }
    if (!found) {
        if (companionOpen_ && array && companionBank_->getser(name, array, -1) == 0) return 0;
        if (companionOpen_ && !array && companionBank_->findser(name) >= 0) return 0;
        return -1;
    }
    if (!array) return 0;
    const int q = layout_.first.wsIndex();
    int wanted = n < 0 ? periodCount() : n;
    for (int k = 0; k < periodCount(); ++k) {
        const int p = k + q;
        if (p < 0) continue;
        if (p >= seriesArrayLength || (q < 0 && p >= wanted)) break;
        array[p] = values[k];
    }
    return 0;
}

std::int16_t VamFile::collectser(std::vector<std::string>& list, const char* pattern,
                                 std::int16_t) {
    list.clear();
    for (int i = 0; i < elementCount(); ++i) {
        if (platform::escapePressed()) break;
        if (columnsOf(i) != 1) continue;
        for (int k = 1; k <= rowsOf(i); ++k) {
            const std::string name = std::string(nameOf(i)) + std::to_string(k);
            if (wildmatch(name.c_str(), pattern ? pattern : "") == 1) list.push_back(name);
        }
    }
    return 0;
}

std::int16_t VamFile::listser(std::FILE* out, const char* pattern, std::int16_t columns) {
    const int perLine = columns ? 5 : 1;
    const bool screen = out == stdout || !out;
    std::vector<std::string> names;
    collectser(names, pattern, columns);
    int written = 0;
    for (const std::string& name : names) {
        if (written > 0 && written % perLine == 0) {
            if (screen) printout("\n");
            else std::fputc('\n', out);
        }
        if (screen) printout("%-15s", name.c_str());
        else std::fprintf(out, "%-15s", name.c_str());
        ++written;
    }
    if (written > 0) {
        printout("\r\n");
        return 0;
    }
    const char* shown = pattern && *pattern ? pattern : "\"\"";
    char letter = '?';
    for (int s = 0; s < bankSlotCount; ++s)
        if (bankSlots[s] == this) letter = static_cast<char>('a' + s);
    if (addPrint == 1) printout("\nSorry:  no matches to %s found in bank %c.\n\n", shown, letter);
    if (saveOn == 'y' && saveFile)
        std::fprintf(saveFile, "\n\nSorry:  no matches found for %s in bank %c\n\n", shown, letter);
    return 0;
}

int VamFile::info(std::int16_t slot) {
    printout("Index file read.\n");
    printout("Title of assigned bank:%s\n", title_.c_str());
    printout("\r\nBase year %d.", baseYear_);
    printout("Max observations per series %d.\n", periodCount());
    printout("Contains %lld series.\n", totalSeries());
    if (slot > 0) printout("\r\nThis bank assigned as bank: %c.\r\n", 'a' + slot);
    return 0;
}

std::int16_t VamFile::show(const char* name, int slot, std::FILE* in) {
    auto droprest = [&](int cls) {
        if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    };
    // An earlier grid window goes first (asking whether to save its edits).
    closevamgrid();
    const int i = findser(name);
    if (i < 0) {
        printout("Error:  cannot find %s in show command.\n", name);
        droprest(lastTokenClass);
        return -1;
    }
    const int R = rowsOf(i), C = columnsOf(i);
    std::vector<std::string> rowTitles, columnTitles;
    char view = 'x';
    float line = 0;
    int lastClass = lastTokenClass;
    if (C < 2 || R < 2) {
        readTitleFile(rowStubFile(i), rowTitles, static_cast<int>(sizeOf(i)));
    } else {
        char token[80];
        int cls = gettoken(token, in, 0, 78);
        lastClass = cls;
        if (cls == 'a' && (token[0] == 'y' || token[0] == 'r' || token[0] == 'c' || token[0] == 'x'))
            view = token[0];
        else {
            printout("Error:  Invalid year, row, or column specification in show command.\n");
            droprest(cls);
            return -1;
        }
        cls = gettoken(token, in, 1, 78);
        lastClass = cls;
        if (cls == 'n') line = static_cast<float>(std::atof(token));
        if (view == 'x' || std::floor(line) == 0) {
            printout("To show a matrix, you must provide:\n");
            printout("  view type:  y, r, or c, (for year, row, or column.)\n");
            printout("  year:  e.g. 1998\n");
            printout("Example:  show am y 1998\n");
            droprest(cls);
            return -1;
        }
        int k = 0;
        if (view == 'y' && !periodOf(JexDate(line), k)) {
            printout("Invalid date: %4d.\n", static_cast<int>(line));
            droprest(cls);
            return -1;
        }
        if ((view == 'r' && line > R) || (view == 'c' && line > C) || line < 0) {
            printout("Invalid line number.\n");
            droprest(cls);
            return -1;
        }
        // The grid's rows are the matrix's columns in a row view, its rows otherwise.
        if (view == 'r') readTitleFile(columnStubFile(i), rowTitles, C);
        if (view == 'c') readTitleFile(rowStubFile(i), rowTitles, R);
        if (view == 'y') {
            readTitleFile(rowStubFile(i), rowTitles, R);
            readTitleFile(columnStubFile(i), columnTitles, C);
        }
    }
    if (loadcmd(name, view, line) != 0) {
        droprest(lastClass);
        return -1;
    }
    // The first sector, then the first column (year view) or the first date, and the title
    // options "- rowt <file>" and "- colt <file>".
    const int D = view == 'x' ? static_cast<int>(sizeOf(i)) : R;
    int numbers = 0;
    int firstRow = 1, firstColumn = 1;
    char token[80];
    int cls = lastClass == 'n' || lastClass == 'a' || lastClass == '"' ? gettoken(token, in, 1, 78)
                                                                        : lastClass;
    while (cls == 'n' || cls == '-') {
        if (cls == 'n') {
            const double value = std::atof(token);
            if (numbers == 0 || (numbers == 1 && view == 'y')) {
                const int limit = numbers == 0 ? D : C;
                const int sector = static_cast<int>(value);
                if (sector < 1 || sector > limit) {
                    printout("\nIllegal sector number in show command: %d.\n", sector);
                    printout("\nSector number must be in the range [%d,%d].\n", 1, limit);
                    droprest(cls);
                    return -1;
                }
                (numbers == 0 ? firstRow : firstColumn) = sector;
            } else if (numbers == 1) {
                int k = 0;
                if (!periodOf(JexDate(static_cast<float>(value)), k)) {
                    printout("Illegal date: %s.\n", token);
                    droprest(cls);
                    return -1;
                }
                firstColumn = k + 1;
            }
            ++numbers;
        } else {
            char option[80], file[80];
            if (gettoken(option, in, 0, 78) != 'a' || !((cls = gettoken(file, in, 0, 78)) == 'a' || cls == '"'))
                break;
            const std::string o = option;
            if (o.rfind("rowt", 0) == 0 || o == "rt")
                readTitleFile(file, rowTitles, static_cast<int>(rowTitles.empty() ? D : rowTitles.size()));
            else if ((o.rfind("colt", 0) == 0 || o == "ct") && !columnTitles.empty())
                readTitleFile(file, columnTitles, static_cast<int>(columnTitles.size()));
        }
        cls = gettoken(token, in, 1, 78);
    }
    droprest(cls);

    // The grid: the view, the names, the titles, the bank and a copy of the loaded table.
    VamGridData grid;
    grid.view = view;
    grid.elementLabel = loadedName();
    grid.elementName = name;
    grid.viewNumber = line;
    grid.slot = slot;
    grid.bank = this;
    grid.caption = vamTitle();
    grid.firstDate = firstJexDate();
    grid.rowTitles = std::move(rowTitles);
    grid.columnTitles = std::move(columnTitles);
    grid.tableRows = loadedRows();
    grid.tableCount = loadedCount();
    for (int k = 0; k < grid.tableRows; ++k) {
        const float* row = loadedRow(k);
        grid.table.insert(grid.table.end(), row, row + grid.tableCount);
    }
    grid.firstRow = firstRow;
    grid.firstColumn = firstColumn;
    showvamgrid(grid);
    return 0;
}
