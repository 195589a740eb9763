// Writing numbers and dates through the spreadsheet link: a series or its dates as a run of
// cells in one of four directions, a block of Vam data, and the number format of a number
// of decimals. A run or block reaches the model in one assignment of its values; only the
// cells of missing values (and each date cell) are set one by one afterwards.
#include <exception>
#include <string>
#include <vector>

#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"

using namespace xlmodel;

int Excel::setDecimals(int d) {
    if (d < 0 || d > 9) return -1;
    decimals_ = d;
    return 0;
}

int Excel::setFormatDecimal(const std::string& col1, int row1, const std::string& col2, int row2,
                            int decimals) {
    if (!worksheet_) {
        printout("Error:  in 'setFormatDecimal,' worksheet is not open.\n");
        return -1;
    }
    std::string format = "0";
    if (decimals != 0) format += "." + std::string(static_cast<std::size_t>(decimals < 0 ? 0 : decimals), '0');
    try {
        CurrentRange& r = range(col1, row1, col2, row2);
        worksheet_->changeStyle(r.row1, r.col1, r.row2, r.col2, [&](Style& s) { s.numberFormat = format; });
    } catch (const std::exception&) {
        printout("Error:  in Excel::setFormatDecimal().\n");
        return -1;
    }
    return 0;
}

namespace {

// Where value k of a run of n values from column c, row r lies.
void runcell(char direction, int c, int r, int k, int& col, int& row) {
    col = c;
    row = r;
    switch (direction) {
    case 'd': row = r + k; break;
    case 'u': row = r - k; break;
    case 'r': col = c + k; break;
    default: col = c - k; break;
    }
}

}  // namespace

int Excel::WriteNumberArray(const std::string& col, int row, char direction, int count,
                            const float* values, int dateFrequency) {
    if (!worksheet_) {
        printout("\nError:  in \"XL write\", worksheet is not open.\n");
        return -1;
    }
    if (count < 1) return 0;
    std::string reached = col;  // the column reached so far, for the exception message
    int messageRow = row;
    try {
        if (dateFrequency != 0) {
            if (dateFrequency != 1 && dateFrequency != 2 && dateFrequency != 4 && dateFrequency != 12) {
                printout("Error:  Cannot set date series in Excel::WriteNumberArray().\n");
                return -1;
            }
            std::string first = col, last = col;
            int row1 = row, row2 = row;
            switch (direction) {
            case 'd': row2 = row + count - 1; break;
            case 'u':
                row1 = row - count + 1;
                messageRow = row1;
                break;
            case 'r': last = coloffset(col, count - 1); break;
            case 'l': first = coloffset(col, -(count - 1)); break;
            default:
                printout("Error:  invalid direction for printing dates.\n");
                return -1;
            }
            if (first == "-1" || last == "-1") return -1;
            range(first, row1, last, row2);
            int c0 = colnumber(col);
            for (int k = 0; k < count; ++k) {
                JexDate d(values[k]);
                int c, r;
                runcell(direction, c0, row, k, c, r);
                reached = colletters(c);
                Worksheet::checkCell(r, c);
                worksheet_->setValue(r, c, Value::str(std::to_string(d.period) + "/" + std::to_string(d.year)));
            }
            if (formatCell(first, row1, last, row2, defaultFont_) != 0) {
                printout("Error:  Cannot set cell format in Excel::WriteNumberArray().\n");
                return -1;
            }
            return 0;
        }

        // Observations: the block's corners.
        std::string first = col, last = col;
        int row1 = row, row2 = row;
        switch (direction) {
        case 'd': row2 = row + count - 1; break;
        case 'u': row1 = row - count + 1; break;
        case 'r':
            for (int k = 1; k < count && last != "-1"; ++k) last = colmath(last);
            break;
        case 'l':
            for (int k = 1; k < count && first != "-1"; ++k) first = ColMinusOne(first);
            break;
        default:
            printout("Error:  invalid direction;\n");
            return -1;
        }
        if (first == "-1" || last == "-1") return -1;
        CurrentRange& block = range(first, row1, last, row2);
        const bool across = direction == 'r' || direction == 'l';
        std::vector<Value> cells(static_cast<std::size_t>(count), Value::num(0));
        std::vector<int> missing;
        for (int k = 0; k < count; ++k) {
            int at = direction == 'u' || direction == 'l' ? count - 1 - k : k;
            if (ismissing(values[k])) missing.push_back(k);
            else cells[static_cast<std::size_t>(at)] = Value::num(values[k]);
        }
        worksheet_->setValues(block.row1, block.col1, block.row2, block.col2, cells);
        reached = across ? last : col;
        if (direction == 'd') {
            if (setFormatDecimal(first, row1, last, row2, decimals_) != 0) return -1;
            if (formatCell(first, row1, last, row2, defaultFont_) != 0) {
                printout("Error:  Cannot set cell format in Excel::WriteNumberArray().\n");
                return -1;
            }
        } else {
            if (formatCell(first, row1, last, row2, defaultFont_) != 0) {
                printout("Error:  Cannot set cell format in Excel::WriteNumberArray().\n");
                return -1;
            }
            if (setFormatDecimal(first, row1, last, row2, decimals_) != 0) return -1;
        }
        int c0 = colnumber(col);
        for (int k : missing) {
            int c, r;
            runcell(direction, c0, row, k, c, r);
            std::string letters = colletters(c);
            reached = letters;
            Style s = worksheet_->style(r, c);
            s.numberFormat = "@";
            worksheet_->setStyleIndex(r, c, worksheet_->book().styles.intern(s));
            worksheet_->setValue(r, c, printMissingAs_);
            if (formatCell(letters, r, letters, r, defaultFont_) != 0) {
                printout("Error:  Cannot set cell format in Excel::WriteNumberArray().\n");
                return -1;
            }
        }
        return 0;
    } catch (const std::exception&) {
        printout("\nError:  in Excel::WriteNumberArray().\n");
        printout("In column %s, row %d,  attempting to set as %f.\n", reached.c_str(), messageRow,
                 static_cast<double>(values[0]));
        return -1;
    }
}

int Excel::WriteFloatArray(const std::string& col, int row, int colCount, int rowCount,
                           const float* const* rows) {
    std::string last = coloffset(col, colCount - 1);
    if (last == "-1") return -1;
    if (!worksheet_) {
        printout("\nError:  in xl writing routine, worksheet is not open.\n");
        return -1;
    }
    if (colCount < 1 || rowCount < 1) return 0;
    try {
        CurrentRange& block = range(col, row, last, row + rowCount - 1);
        const std::size_t m = static_cast<std::size_t>(colCount);
        std::vector<Value> cells(m * static_cast<std::size_t>(rowCount), Value::num(0));
        std::vector<char> missing(cells.size(), 0);
        bool anyMissing = false;
        for (int i = 0; i < rowCount; ++i)
            for (int j = 0; j < colCount; ++j) {
                std::size_t at = static_cast<std::size_t>(i) * m + static_cast<std::size_t>(j);
                float v = rows[i][j];
                if (ismissing(v)) missing[at] = anyMissing = true;
                else cells[at] = Value::num(v);
            }
        worksheet_->setValues(block.row1, block.col1, block.row2, block.col2, cells);
        if (setFormatDecimal(col, row, last, row + rowCount - 1, decimals_) != 0) return -1;
        if (formatCell(col, row, last, row + rowCount - 1, defaultFont_) != 0) {
            printout("Error:  Cannot set cell format in Excel::WriteFloatArray().\n");
            return -1;
        }
        if (anyMissing) {
            int c0 = colnumber(col);
            for (int j = 0; j < colCount; ++j)
                for (int i = 0; i < rowCount; ++i) {
                    if (!missing[static_cast<std::size_t>(i) * m + static_cast<std::size_t>(j)]) continue;
                    int r = row + i, c = c0 + j;
                    Style s = worksheet_->style(r, c);
                    s.numberFormat = "@";
                    worksheet_->setStyleIndex(r, c, worksheet_->book().styles.intern(s));
                    worksheet_->setValue(r, c, printMissingAs_);
                }
        }
    } catch (const std::exception&) {
        printout("\nError:  in Excel::WriteFloatArray().\n");
        return -1;
    }
    return 0;
}
