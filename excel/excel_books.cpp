// Workbooks and sheets of the spreadsheet link: opening a workbook file, attaching to a
// sheet, creating workbooks and sheets, naming them and saving under a format keyword.
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <exception>

#include "core/printout.h"
#include "excel/excel.h"
#include "excel/workbook_files.h"

namespace {

// Limits of names and composed paths.
constexpr std::size_t nameLimit = 249;
constexpr std::size_t pathLimit = 259;

bool fileexists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string workingdirectory() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

// A name as a POSIX path: '\' is read as '/'.
std::string posixname(const std::string& name) {
    std::string s = name;
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool toolong(const std::string& name, const std::string& path) {
    if (name.size() <= nameLimit && path.size() <= pathLimit) return false;
    printout("\nError:  file name too long in XL command.\n");
    return true;
}

// The file formats of saveAs: keyword, the server's code, the extension appended.
struct SaveFormat {
    const char* keyword;
    int code;
    const char* extension;
};

const SaveFormat saveFormats[] = {
    {"AddIn", 18, ".xlam"},        {"CSV", 6, ".csv"},          {"CSVMac", 22, ".csv"},
    {"CSVMSDOS", 24, ".csv"},      {"CSVWindows", 23, ".csv"},  {"DBF2", 7, ".dbf"},
    {"DBF3", 8, ".dbf"},           {"DBF4", 11, ".dbf"},        {"DIF", 9, ".dif"},
    {"Excel2", 16, ".xls"},        {"Excel2FarEast", 27, ".xls"}, {"Excel3", 29, ".xls"},
    {"Excel4", 33, ".xls"},        {"Excel5", 39, ".xls"},      {"Excel7", 39, ".xls"},
    {"Excel9795", 43, ".xls"},     {"Excel4Workbook", 35, ".xls"}, {"IntlAddIn", 26, ".xla"},
    {"IntlMacro", 25, ".xlsm"},    {"WorkbookNormal", -4143, ".xls"}, {"SYLK", 2, ".slk"},
    {"Template", 17, ".xltx"},     {"TextMac", 19, ".txt"},     {"TextMSDOS", 21, ".txt"},
    {"TextPrinter", 36, ".txt"},   {"TextWindows", 20, ".txt"}, {"WK1", 5, ".wk1"},
    {"WK1ALL", 31, ".wk1"},        {"WK1FMT", 30, ".wk1"},      {"WK3", 15, ".wk3"},
    {"WK4", 38, ".wk4"},           {"WK3FM3", 32, ".wk3"},      {"WKS", 4, ".wks"},
    {"WQ1", 34, ".wq1"},           {"UnicodeText", 42, ".txt"}, {"Html", 44, ".html"},
};

bool isworkbookcode(int code) {
    switch (code) {
    case -4143: case 16: case 27: case 29: case 33: case 39: case 43: case 35: return true;
    default: return false;
    }
}

bool endsxls(const std::string& s) {
    return s.size() >= 4 && strcasecmp(s.c_str() + s.size() - 4, ".xls") == 0;
}

}  // namespace

// ---- opening ----

int Excel::OpenWorkbook(const std::string& fileName) {
    if (!application_ && OpenExcel() != 0) return -1;
    if (workbook_) {
        printout("Warning:  Workbook already is open.  Closing and continuing....\n");
        if (CloseWorkbook() != 0 || waitIfBusy() != 0) return -1;
    }
    if (worksheet_ && CloseWorksheet() != 0) return -1;
    if (chart_ && CloseChart() != 0) return -1;
    if (fileName.empty()) {
        Create("", "wb", "", "");
        return 0;
    }
    std::string name = posixname(fileName);
    std::string cwd = workingdirectory();
    std::string path;
    bool reportOpening = true;
    if (name[0] == '/') {
        // A full path: used as it is.
        if (toolong(fileName, name)) return -1;
        if (!fileexists(name)) {
            printout("\nWarning:  File %s not found in XL command.\n", fileName.c_str());
            printout("Check the path, and include full path with drive letter if problem persists.\n\n");
            CloseExcel();
            return -1;
        }
        path = name;
        reportOpening = false;
    } else if (name.rfind("..", 0) == 0) {
        // Leading ../ groups climb from the working directory, one level each.
        std::string rest = name;
        int levels = 0;
        while (rest.size() >= 3 && rest.compare(0, 3, "../") == 0) {
            rest.erase(0, 3);
            ++levels;
        }
        std::string dir = cwd;
        while (levels > 0 && dir.size() > 1) {
            std::size_t slash = dir.rfind('/');
            dir = slash == 0 ? "/" : dir.substr(0, slash);
            --levels;
        }
        if (levels != 0 || rest.rfind("..", 0) == 0) {
            printout("\n\nError:  In \"xl open\" command.\n");
            printout("Cannot open %s\n in directory %s.\n\n", fileName.c_str(), cwd.c_str());
            CloseExcel();
            return -1;
        }
        path = (dir == "/" ? "" : dir) + "/" + rest;
    } else {
        path = cwd + "/" + name;
    }
    if (toolong(fileName, path)) return -1;
    if (!fileexists(path)) {
        printout("Warning:  Excel file cannot be found.  Try providing the full path, including the drive letter.\n");
        CloseExcel();
        return -1;
    }
    try {
        std::string unread;
        workbook_ = &application_->openWorkbook(path, unread);
        if (!unread.empty())
            printout("Warning:  %s holds %s, which are not read; saving over it keeps the old file as %s.bak.\n",
                     path.c_str(), unread.c_str(), path.c_str());
    } catch (const std::exception& e) {
        printout("Error:  %s.\n", e.what());
        printout("\nError:  cannot open Excel server application.\n");
        workbook_ = nullptr;
        return -1;
    }
    if (reportOpening) printout("Opening %s\n", path.c_str());
    return OpenSheet("") != 0 ? -1 : 0;
}

int Excel::OpenSheet(const std::string& text) {
    if (!application_) {
        printout("\nWarning:  Excel application not open.\n");
        return -1;
    }
    if (!workbook_) {
        printout("\nWarning:  Excel workbook not open.\n");
        return -1;
    }
    int result = 0;
    if (worksheet_ && CloseWorksheet() != 0) result = -1;
    sheetKind_ = 1;
    sheetCount_ = workbook_->sheetCount();
    long index = 1;
    if (!text.empty()) {
        char* end = nullptr;
        const char* s = text.c_str();
        bool hex = s[0] == '$' || (s[0] == '0' && (s[1] == 'x' || s[1] == 'X'));
        index = std::strtol(hex ? s + (s[0] == '$' ? 1 : 2) : s, &end, hex ? 16 : 10);
        if (end == s || *end != '\0') index = -1;
    } else if (sheetCount_ > 0) {
        worksheet_ = &workbook_->sheet(1);
        lastText_ = worksheet_->name();
    }
    if (index == -1) {
        xlmodel::Worksheet* found = nullptr;
        for (int i = 1; i <= sheetCount_ && !found; ++i)
            if (strcasecmp(workbook_->sheet(i).name().c_str(), text.c_str()) == 0) found = &workbook_->sheet(i);
        if (!found) {
            printout("\nError:  Cannot open sheet \"%s\".\n", text.c_str());
            CloseWorksheet();
            result = -1;
        }
        worksheet_ = found;
    } else if (index >= 1 && index <= sheetCount_) {
        worksheet_ = &workbook_->sheet(static_cast<int>(index));
        sheetKind_ = 1;
    } else {
        printout("\nError:  There is no worksheet \"%d\" in this workbook.\n", std::atoi(text.c_str()));
        worksheet_ = nullptr;
        sheetKind_ = 0;
        return -1;
    }
    if (worksheet_) {
        workbook_->activate(*worksheet_);
        application_->activate(workbook_);
    }
    return result;
}

// ---- creating ----

int Excel::Create(const std::string& name, const std::string& kindText, const std::string& format,
                  const std::string& placement) {
    char kind = kindText == "worksheet" || kindText == "ws" ? 's' : kindText == "chart" || kindText == "ch" ? 'c' : 'b';
    if (!application_ && OpenExcel() != 0) return -1;
    if (kind == 'b' && workbook_) {
        printout("Warning:  Workbook already is open.  Closing and continuing....\n");
        if (CloseWorkbook() != 0) return -1;
    }
    if (!workbook_) {
        if (kind == 's') {
            printout("Error:  Workbook is not open.  \nCannot add worksheet.\n");
            return -1;
        }
        if (kind == 'c') {
            printout("Error:  Workbook is not open.  \nCannot add chart.\n");
            return -1;
        }
    }
    try {
        if (kind == 's') {
            xlmodel::Worksheet* active = application_->activeSheet();
            bool before = !placement.empty() && placement[0] == 'b';
            worksheet_ = &workbook_->addSheet(active, before);
            sheetKind_ = 1;
            if (!name.empty()) {
                std::string base = worksheet_->name();
                int clashes = 0, position = 1;
                for (int i = 1; i <= workbook_->sheetCount(); ++i) {
                    const std::string& n = workbook_->sheet(i).name();
                    if (n == base) {
                        position = i;
                    } else {
                        std::size_t dash = n.rfind('-');
                        if ((dash == std::string::npos ? n : n.substr(0, dash)) == name) ++clashes;
                    }
                }
                std::string unique = clashes > 0 ? name + "-" + std::to_string(clashes + 1) : name;
                worksheet_ = &workbook_->sheet(position);
                if (setWorksheetName(unique) != 0) return -1;
            }
            return 0;
        }
        // A workbook (a chart kind takes the same road: the model has no chart sheets).
        workbook_ = &application_->addWorkbook();
        worksheet_ = workbook_->activeSheet();
        application_->sheetsInNewWorkbook = 1;
        sheetKind_ = 1;
        if (!name.empty()) return saveAs(name, format, 2);
        return 0;
    } catch (const std::exception&) {
        printout("\nError:  cannot create new Excel %s.\n", kind == 's' ? "worksheet" : kind == 'c' ? "chart" : "workbook");
        return -1;
    }
}

// ---- saving ----

int Excel::SaveWorksheet(const std::string& fileName, const std::string& format, int mode) {
    if (!application_) {
        printout("Error:  Excel application not open, so you cannot save the worksheet.\n");
        return -1;
    }
    if (!workbook_) {
        printout("Error:  Workbook is not open, so you cannot save the worksheet.\n");
        return -1;
    }
    if (!worksheet_ && !chart_) {
        printout("Error:  Worksheet is not open, so you cannot save the worksheet.\n");
        return -1;
    }
    return saveAs(fileName, format, mode) != 0 ? -1 : 0;
}

int Excel::saveFailed() {
    printout("\nError:  in Excel::Save Worksheet().\n");
    pausebox("Error:  in Excel::Save Worksheet().", "Error");
    if (application_) application_->displayAlerts = true;
    return -1;
}

int Excel::saveAs(const std::string& fileName, const std::string& formatKeyword, int mode) {
    if (!workbook_) return 0;
    if (mode == 2) application_->displayAlerts = false;
    const SaveFormat* found = nullptr;
    for (const SaveFormat& f : saveFormats)
        if (!found && strcasecmp(f.keyword, formatKeyword.c_str()) == 0) found = &f;
    int code = found ? found->code : -4143;
    bool oldBinary = found && isworkbookcode(code);
    std::string path;
    if (fileName.empty()) {
        // Save: the workbook's own file and format (a new workbook goes to the working
        // directory under its name).
        path = workbook_->path();
        code = workbook_->fileFormat();
        if (path.empty()) {
            path = workingdirectory() + "/" + workbook_->name() + ".xlsx";
            code = xlmodel::xl::workbookFormat;
        }
    } else {
        std::string name = posixname(fileName);
        path = name[0] == '/' ? name : workingdirectory() + "/" + name;
        if (toolong(fileName, path)) {
            application_->displayAlerts = true;
            return -1;
        }
        // Only a point in the file's own name counts as its extension.
        std::size_t slash = path.rfind('/');
        bool extension = path.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos;
        if (isworkbookcode(code)) {
            code = xlmodel::xl::workbookFormat;
            if (endsxls(path)) {
                oldBinary = true;
                path += "x";
            } else if (!extension) {
                path += ".xlsx";
            }
        } else if (!extension) {
            path += found->extension;
        }
    }
    if (code != xlmodel::xl::workbookFormat && !xlmodel::textformat(code)) {
        printout("\nError:  file format %s cannot be written by Jex7; use a workbook, CSV or Text format.\n",
                 formatKeyword.c_str());
        application_->displayAlerts = true;
        return -1;
    }
    try {
        xlmodel::saveworkbookfile(*workbook_, path, code);
    } catch (const std::exception& e) {
        printout("Error:  %s.\n", e.what());
        return saveFailed();
    }
    if (oldBinary) printout("Warning:  .xls workbooks cannot be written; saved as %s.\n", path.c_str());
    application_->displayAlerts = true;
    return 0;
}

// ---- sheet names ----

int Excel::setWorksheetName(const std::string& name) {
    if (!application_ || !workbook_ || !worksheet_) {
        printout("Error:  Worksheet is not open.  \nCannot name worksheet.\n");
        return -1;
    }
    try {
        worksheet_->setName(name);
    } catch (const std::exception&) {
        printout("\nError:  cannot set worksheet name.\n");
        return -1;
    }
    return 0;
}

int Excel::setChartName(const std::string&) {
    // No chart sheet is ever linked in the model.
    printout("Error:  Chart is not open.  \nCannot name chart sheet.\n");
    return -1;
}

int Excel::getWorksheetName(std::string& name) {
    if (!application_ || !workbook_ || !worksheet_) {
        printout("Error:  Worksheet is not open.  \nCannot get name of worksheet.\n");
        return -1;
    }
    name = worksheet_->name();
    lastText_ = name;
    return 0;
}

int Excel::getChartName(std::string&) {
    printout("Error:  Chart is not open.  \nCannot get name of chart sheet.\n");
    return -1;
}
