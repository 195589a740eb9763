// Reading cells through the spreadsheet link: the cell classifier with the missing codes,
// one cell as text, runs of numbers in four directions, and rows or columns of dates with
// the date fields derived from them.
#include <cmath>
#include <cstdlib>
#include <exception>

#include "core/missing.h"
#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "excel/numformat.h"

using namespace xlmodel;

namespace {

// A value as the text a server converts it to.
std::string valuetext(const Value& v) {
    switch (v.kind) {
    case Kind::number: return numbertext(v.number);
    case Kind::date: return datetext(v.number);
    case Kind::boolean: return v.number != 0 ? "True" : "False";
    case Kind::text:
    case Kind::error: return v.text;
    default: return {};
    }
}

// A Boolean reads as -1 (true) or 0.
double valuenumber(const Value& v) { return v.kind == Kind::boolean ? (v.number != 0 ? -1.0 : 0.0) : v.number; }

int periodof(int month, int frequency) {
    if (frequency == 12) return month;
    if (frequency == 4) return (month - 1) / 3 + 1;
    if (frequency == 2) return (month - 1) / 6 + 1;
    return 1;
}

}  // namespace

bool Excel::readrange(const std::string& col1, int row1, const std::string& col2, int row2,
                      std::vector<Value>& out) {
    try {
        CurrentRange& r = range(col1, row1, col2, row2);
        out = worksheet_->values(r.row1, r.col1, r.row2, r.col2);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int Excel::reportBadValue(const Value& cell, double& number, std::string& text) {
    for (const MissingCode& code : missingCodes_) {
        bool missing = false;
        switch (cell.kind) {
        case Kind::empty:
        case Kind::text:
            missing = code.isText && valuetext(cell) == code.text;
            break;
        case Kind::number:
        case Kind::boolean:
            missing = !code.isText && static_cast<float>(valuenumber(cell)) == code.number;
            break;
        case Kind::date:
            break;
        case Kind::error:
            printout("Error:  in spreadsheet.  ");
            printout("Inserting missing value code and continuing...\n");
            missing = true;
            break;
        }
        if (missing) {
            number = missingValue_;
            return 'n';
        }
    }
    switch (cell.kind) {
    case Kind::empty:
        number = missingValue_;
        return 'n';
    case Kind::number:
    case Kind::boolean:
        number = valuenumber(cell);
        return 'n';
    case Kind::date:
        number = cell.number;
        return 'd';
    case Kind::text:
        if (cell.text.empty()) {
            number = missingValue_;
            return 'n';
        }
        text = cell.text;
        return 'a';
    default:
        return -1;
    }
}

std::string Excel::readcell(const std::string& col, const std::string& rowText) {
    if (!worksheet_) {
        printout("Error:  cannot read string.  Excel worksheet is not open.\n");
        return "-1";
    }
    int row = std::atoi(rowText.c_str());
    try {
        CurrentRange& r = range(col, row, col, row);
        return valuetext(worksheet_->value(r.row1, r.col1));
    } catch (const std::exception&) {
        printout("\nError:  in Excel::readcell().\n");
        printout("In Excel file, Column %s, Row %d.\n", col.c_str(), row);
        throw Jex7Errors("Error:  problem in Cell1.");
    }
}

int Excel::ReadString(const std::string& col, int row, std::string& out, int) {
    if (!worksheet_) {
        printout("Error:  cannot read string.  Excel worksheet is not open.\n");
        return -1;
    }
    std::vector<Value> v;
    if (!readrange(col, row, col, row, v)) {
        printout("\nError:  in Excel::ReadString().\n");
        printout("In Excel file, Column %s, Row %d.\n", col.c_str(), row);
        return -1;
    }
    double number = 0;
    std::string text;
    int kind = reportBadValue(v[0], number, text);
    if (kind == 'a') {
        out = text;
    } else if (kind == 'n') {
        out = std::fabs(number - missingValue_) < 1e-9 ? std::string() : numbertext(number);
    } else {
        printout("Error:  cannot read string.\n");
        return -1;
    }
    lastText_ = out;
    return 0;
}

int Excel::ReadNumberArray(const std::string& col, int row, char direction, int count, float* values,
                           int, int dateAligned) {
    if (!worksheet_) {
        printout("\nError:  in Excel::ReadNumberArray().  Excel worksheet is not open.\n");
        return -1;
    }
    if (count < 1) return 0;
    std::string first = col, last = col;
    int row1 = row, row2 = row;
    switch (direction) {
    case 'd': row2 = row + count - 1; break;
    case 'u': row1 = row - count + 1; break;
    case 'r': last = coloffset(col, count - 1); break;
    case 'l': first = coloffset(col, -(count - 1)); break;
    default:
        printout("Error:  invalid direction;\n");
        return -1;
    }
    if (first == "-1" || last == "-1") return -1;
    std::vector<Value> cells;
    if (!readrange(first, row1, last, row2, cells)) {
        printout("\nError:  in Excel::ReadNumberArray().\n");
        return -1;
    }
    int reference = 0;
    JexDate referenceDate;
    if (dateAligned && !dateList_.empty()) {
        // The earliest date of the list, chosen as earliestDate chooses, fields untouched.
        int y, m, d;
        std::size_t best = 0;
        for (std::size_t k = 1; k < dateList_.size(); ++k) {
            serialdate(dateList_[k], y, m, d);
            if (y >= 1900 && dateList_[k] < dateList_[best]) best = k;
        }
        reference = static_cast<int>(best);
        referenceDate = dateAt(reference);
    }
    int startCol = colnumber(col);
    for (int i = 0; i < count; ++i) {
        std::size_t at = direction == 'u' || direction == 'l' ? static_cast<std::size_t>(count - 1 - i)
                                                              : static_cast<std::size_t>(i);
        double number = 0;
        std::string text;
        if (reportBadValue(cells[at], number, text) != 'n') {
            int cellRow = direction == 'd' ? row + i : direction == 'u' ? row - i : row;
            int cellCol = direction == 'r' ? startCol + i : direction == 'l' ? startCol - i : startCol;
            printout("\nError:  in XL read; got bad value.\n");
            printout("In Excel file, Column %s, Row %d.\n", colletters(cellCol).c_str(), cellRow);
            return -1;
        }
        if (!dateAligned) {
            values[i] = static_cast<float>(number);
            continue;
        }
        if (dateList_.empty() || i >= static_cast<int>(dateList_.size())) continue;
        int y, m, d;
        serialdate(dateList_[static_cast<std::size_t>(i)], y, m, d);
        if (y < 1900) continue;
        int position = dateAt(i) - referenceDate;
        if (position >= 0 && position < count) values[position] = static_cast<float>(number);
    }
    return 0;
}

int Excel::ReadDates(const std::string& col1, int row1, std::string& out, int, const std::string& col2,
                     int row2) {
    if (!worksheet_) {
        printout("Error:  cannot read dates.  Excel worksheet is not open.\n");
        return -1;
    }
    int columns = colnumber(col2) - colnumber(col1) + 1;
    int rows = row2 - row1 + 1;
    if (rows < 1 || columns < 1) {
        printout("\nError:  in Excel::ReadDates().\n");
        return -1;
    }
    std::vector<Value> cells;
    if (!readrange(col1, row1, col2, row2, cells)) {
        printout("\nError:  in Excel::ReadDates().\n");
        return -1;
    }
    bool down = rows != 1;
    int n = std::max(rows, columns);
    dateList_.assign(static_cast<std::size_t>(n), 0.0);
    std::size_t next = 0;
    double lastStored = 0;
    bool stored = false;
    int startCol = colnumber(col1);
    for (int u = 0; u < n; ++u) {
        // A range more than one cell wide and tall is read along its first column.
        const Value& cell = cells[down ? static_cast<std::size_t>(u) * columns : static_cast<std::size_t>(u)];
        double number = 0;
        std::string text;
        int kind = reportBadValue(cell, number, text);
        out = valuetext(cell);
        if (kind == 'd') {
            dateList_[next++] = number;
            lastStored = number;
            stored = true;
        } else if (!(kind == 'n' && std::fabs(number - missingValue_) < 1e-6 && n >= 2)) {
            printout("\nError:  in XL read dates; got bad value.\n");
            printout("In Excel file, Column %s, Row %d.\n", colletters(down ? startCol : startCol + u).c_str(),
                     down ? row1 + u : row1);
            return -1;
        }
    }
    decode(stored ? lastStored : dateList_[0]);
    lastText_ = out;
    return 0;
}

void Excel::decode(double serial) {
    int y, m, d;
    serialdate(serial, y, m, d);
    year_ = static_cast<std::int16_t>(y);
    month_ = static_cast<std::int16_t>(m);
    day_ = static_cast<std::int16_t>(d);
    quarter_ = static_cast<std::int16_t>((m - 1) / 3 + 1);
}

int Excel::setFrequency(int frequency) {
    if (frequency != 1 && frequency != 2 && frequency != 4 && frequency != 12) return -1;
    frequency_ = static_cast<std::int16_t>(frequency);
    return 0;
}

int Excel::latestDate() {
    if (dateList_.empty()) return 0;
    std::size_t best = 0;
    for (std::size_t k = 1; k < dateList_.size(); ++k)
        if (dateList_[k] > dateList_[best]) best = k;
    decode(dateList_[best]);
    return static_cast<int>(best);
}

int Excel::earliestDate() {
    if (dateList_.empty()) return 0;
    std::size_t best = 0;
    for (std::size_t k = 1; k < dateList_.size(); ++k) {
        int y, m, d;
        serialdate(dateList_[k], y, m, d);
        if (y >= 1900 && dateList_[k] < dateList_[best]) best = k;
    }
    decode(dateList_[best]);
    return static_cast<int>(best);
}

std::string Excel::dateText() const {
    char buffer[32];
    if (frequency_ == 12) std::snprintf(buffer, sizeof buffer, "%d.%03d", year_, month_);
    else if (frequency_ == 4) std::snprintf(buffer, sizeof buffer, "%d.%d", year_, quarter_);
    else if (frequency_ == 2) std::snprintf(buffer, sizeof buffer, "%d.%d", year_, month_ <= 6 ? 5 : 6);
    else std::snprintf(buffer, sizeof buffer, "%d", year_);
    return buffer;
}

JexDate Excel::dateAt(int i) const {
    if (i < 0) return JexDate(year_, static_cast<std::uint8_t>(periodof(month_, frequency_)),
                              static_cast<std::uint8_t>(day_), static_cast<std::uint8_t>(frequency_));
    if (i >= static_cast<int>(dateList_.size())) return JexDate();
    int y, m, d;
    serialdate(dateList_[static_cast<std::size_t>(i)], y, m, d);
    return JexDate(static_cast<std::int16_t>(y), static_cast<std::uint8_t>(periodof(m, frequency_)),
                   static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(frequency_));
}

std::string Excel::dateListText(int i) const {
    if (i < 0 || i >= static_cast<int>(dateList_.size())) return "-1";
    int y, m, d;
    serialdate(dateList_[static_cast<std::size_t>(i)], y, m, d);
    if (y < 1900) return "-1";  // an entry that holds no date
    return dateAt(i).printNew();
}
