// The spreadsheet link itself: building it, starting and quitting the model's application,
// closing workbook, sheet and chart links, visibility, the missing codes, and the column
// steps of the link.
#include <exception>

#include "core/date.h"
#include "core/printout.h"
#include "excel/excel.h"
#include "platform/platform.h"
#include "series/series_state.h"

Excel excelSession;

void createglobalobjects() { excelSession.reset(); }

void destroyglobalobjects() { excelSession.CloseExcel(); }

Excel::Excel() { initialDates(); }

Excel::~Excel() { CloseExcel(); }

void Excel::reset() {
    CloseExcel();
    application_.reset();
    current_ = CurrentRange();
    sheetKind_ = 0;
    missingCodes_.clear();
    printMissingAs_ = xlmodel::Value::num(-0.000001f);
    sheetCount_ = 0;
    missingValue_ = -0.000001f;
    seriesName_.clear();
    lastText_.clear();
    decimals_ = 2;
    defaultUnderline_ = xlmodel::xl::underlineSingle;
    defaultHorizontal_ = 0;
    defaultVertical_ = 0;
    defaultFont_ = JexFont();
    background_.clear();
    dateList_.clear();
    initialDates();
}

void Excel::initialDates() {
    // No f-command range (the series layer keeps -1 or 0 for that) reads as 0: the year
    // 2000, annual.
    JexDate d(fdate1 > 0 ? fdate1 : 0.0f);
    frequency_ = d.frequency;
    day_ = d.day;
    switch (d.frequency) {
    case 12: month_ = d.period; break;
    case 4: month_ = d.period == 1 ? 1 : d.period == 2 ? 4 : d.period == 3 ? 7 : 10; break;
    case 2: month_ = d.period == 1 ? 1 : 7; break;
    default: month_ = 1;
    }
    quarter_ = month_ <= 3 ? 1 : month_ <= 6 ? 2 : month_ <= 9 ? 3 : 4;
    year_ = d.year;
}

int Excel::OpenExcel() {
    if (application_) {
        printout("\nWarning:  Excel already is running.  Closing and reopening Excel...\n");
        CloseExcel();
    } else if (workbook_) {
        printout("\nWarning:  Excel workbook is open.  Closing workbook...\n");
        CloseWorkbook();
    } else if (worksheet_) {
        printout("\nWarning:  Excel worksheet is open.  Closing worksheet...\n");
        CloseWorksheet();
    } else if (chart_) {
        printout("\nWarning:  Excel chart sheet is open.  Closing chart sheet...\n");
        CloseChart();
    }
    application_ = std::make_unique<xlmodel::Application>();
    application_->visible = false;
    application_->screenUpdating = false;
    return 0;
}

int Excel::waitIfBusy() {
    // The model is never busy: nothing to poll.
    if (!application_) return -1;
    return 0;
}

int Excel::CloseWorksheet() {
    if (!worksheet_) return 0;
    worksheet_ = nullptr;
    if (sheetKind_ == 1) sheetKind_ = 0;
    return 0;
}

int Excel::CloseChart() {
    if (!chart_) return 0;
    chart_ = nullptr;
    if (sheetKind_ == 2) sheetKind_ = 0;
    return 0;
}

void Excel::closeSaving(xlmodel::Workbook* book) {
    if (book->modified) {
        if (book->path().empty()) {
            std::string name;
            if (!platform::current().askText("Save changes to " + book->name() + " as:", "Save As", name) ||
                name.empty()) {
                printout("Warning:  workbook %s was closed without saving.\n", book->name().c_str());
            } else if (saveAs(name, "", 2) != 0) {
                throw xlmodel::ServerError("the workbook was not saved");
            }
        } else if (saveAs("", "", 2) != 0) {
            throw xlmodel::ServerError("the workbook was not saved");
        }
    }
    application_->closeWorkbook(book);
}

int Excel::CloseWorkbook() {
    int result = 0;
    bool hadSheet = worksheet_ != nullptr, hadChart = chart_ != nullptr;
    if (hadSheet && CloseWorksheet() != 0) result = -1;
    if (hadChart && CloseChart() != 0) result = -1;
    sheetKind_ = 0;
    if (!workbook_) return result;
    if (hadSheet || hadChart) {
        try {
            closeSaving(workbook_);
        } catch (const std::exception&) {
            printout("\nError:  in Excel::CloseWorkbook(), cannot close worksheet.\n");
            pausebox("Error:  in Excel::CloseWorkbook().", "Error");
            workbook_ = nullptr;
            chart_ = nullptr;
            return -1;
        }
    }
    workbook_ = nullptr;
    sheetKind_ = 0;
    if (current_.sheet) current_ = CurrentRange();
    return result;
}

int Excel::CloseExcel() {
    int result = 0;
    if (worksheet_ && CloseWorksheet() != 0) result = -1;
    if (chart_ && CloseChart() != 0) result = -1;
    if (workbook_ && CloseWorkbook() != 0) result = -1;
    current_ = CurrentRange();
    dateList_.clear();
    if (!application_) return result;
    application_->displayAlerts = true;
    setVisible(1);
    // Quit: the model's application and every workbook in it are discarded.
    application_.reset();
    workbook_ = nullptr;
    worksheet_ = nullptr;
    return result;
}

int Excel::setVisible(int flag) {
    if (!application_) {
        printout("Warning:  Excel is not running, so cannot make invisible.\n");
        return -1;
    }
    application_->visible = flag != 0;
    application_->screenUpdating = flag != 0;
    return 0;
}

int Excel::addMissingCode(const std::string& text) {
    if (missingCodes_.size() >= 10) return -1;
    for (const MissingCode& c : missingCodes_)
        if (c.isText && c.text == text) return 0;
    MissingCode code;
    code.isText = true;
    code.text = text;
    missingCodes_.push_back(code);
    return 0;
}

int Excel::addMissingNumber(float number) {
    if (missingCodes_.size() >= 10) return -1;
    for (const MissingCode& c : missingCodes_)
        if (!c.isText && c.number == number) return 0;
    MissingCode code;
    code.number = number;
    missingCodes_.push_back(code);
    return 0;
}

int Excel::setPrintMissingAs(const xlmodel::Value& value) {
    printMissingAs_ = value;
    return 0;
}

void Excel::clearMissingCodes() {
    missingCodes_.clear();
    missingValue_ = -0.000001f;
}

// ---- columns ----

namespace {

bool isletter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string Excel::colmath(const std::string& s) const {
    if (s.size() == 1) {
        if (s == "Z" || s == "z") return "AA";
        return std::string(1, static_cast<char>(s[0] + 1));
    }
    if (s.size() != 2) {
        printout("\nError:  in Excel::colmath().\n");
        return "-1";
    }
    if (!isletter(s[0]) || !isletter(s[1])) return "-1";
    std::string out = s;
    if (s[1] == 'Z' || s[1] == 'z') {
        out[0] = static_cast<char>(s[0] + 1);
        out[1] = 'A';
    } else {
        out[1] = static_cast<char>(s[1] + 1);
    }
    return out;
}

std::string Excel::ColMinusOne(const std::string& s) const {
    if (s.size() == 1) {
        if (s == "A" || s == "a") {
            printout("\nError:  in Excel::ColMinusOne().\n");
            printout("\nCannot access column before 'A'.\n");
            return "-1";
        }
        return std::string(1, static_cast<char>(s[0] - 1));
    }
    if (s == "AA" || s == "aa") return "Z";
    if (s.size() != 2) {
        printout("\nError:  in Excel::ColMinusOne().\n");
        return "-1";
    }
    if (!isletter(s[0]) || !isletter(s[1])) return "-1";
    std::string out = s;
    if (s[1] == 'A' || s[1] == 'a') {
        out[0] = static_cast<char>(s[0] - 1);
        out[1] = 'Z';
    } else {
        out[1] = static_cast<char>(s[1] - 1);
    }
    return out;
}
