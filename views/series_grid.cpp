#include "views/series_grid.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "banks/databank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "regress/regress_state.h"
#include "series/series_state.h"
#include "shell/dialogs.h"
#include "shell/form.h"

std::vector<std::string> gridNames;
std::vector<std::string> gridFormats;
std::vector<float> gridValues;
int gridCount = 0, gridRows = 0;
JexDate gridStart;

TMattyFm MattyFm;
TTyFrm TyFrm;

namespace {

constexpr int tokenSize = 78;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// The rest of the line, unless the last token ended it.
void droprest(std::FILE* in, int cls) {
    if (!endclass(cls)) skipline(in);
}

int refused() {
    printout("Calling format is:\n");
    printout("gridty [\"file\" <filename>] [<stdate>] [<enddate>] series1 [<precision>] series2 "
             "[<precision>] series3  [<precision>] ...\n");
    return -1;
}

std::string formatvalue(const std::string& format, float v) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<double>(v));
    return buffer;
}

std::string datetext(const JexDate& d) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%9.3f ", static_cast<double>(d.toFloat()));
    return buffer;
}

// One row of the table file and of the save file: the date and the values.
std::string tablerow(const JexDate& date, const float* values, const std::vector<std::string>& formats) {
    std::string row = datetext(date);
    for (std::size_t c = 0; c < formats.size(); ++c)
        row += ismissing(values[c]) ? std::string("       -0.0") : formatvalue(formats[c], values[c]);
    return row;
}

// The date editor of the Dates menu, shown without waiting.
class DateEditorForm : public Form {
public:
    DateEditorForm() : Form("DateConfig1") {
        field("Date1", "Date 1", "Date1");
        field("Date2", "Date 2", "Date2");
        field("Date3", "Date 3", "Date3");
        button("OKButton", "OK").onClick = [] {};
        button("CancelButton", "Cancel").onClick = [] {};
    }
    TDateConfig1 dates;
};

}  // namespace

// ---- the grid window ----

TMattyFm::TMattyFm() : ViewWindow("Doruvud Display") {
    menu_ = {menuitem("&Close", [this] { Close1Click(); }), menuitem("&Copy", [this] { Copy1Click(); }),
             menuitem("&Dates", nullptr, {menuitem("&Tdates", [this] { Gdates1Click(); })})};
}

std::string TMattyFm::cellText(int column, int row) const {
    if (row == 0 && column == 0) return "Dates";
    if (row == 0) return column <= gridCount ? gridNames[static_cast<std::size_t>(column - 1)] : "";
    if (row > gridRows || column > gridCount) return "";
    if (column == 0) return datetext(gridStart + (row - 1));
    const std::size_t c = static_cast<std::size_t>(column - 1);
    return formatvalue(gridFormats[c], gridValues[static_cast<std::size_t>(row - 1) * gridCount + c]);
}

std::string TMattyFm::consoleText() const {
    return gridconsoletext(caption(), colCount, rowCount, 1, [this](int c, int r) { return cellText(c, r); });
}

bool TMattyFm::choice(const std::string& word) {
    if (word.size() > 7 && samewords(word.substr(0, 7), "Select ")) {
        GridRect r;
        if (!readselection(word.substr(7), 1, 1, colCount, rowCount, r)) return false;
        selection = r;
        return true;
    }
    return false;
}

void TMattyFm::Copy1Click() {
    GridCopySource source;
    source.caption = caption();
    source.range = selection;
    source.cell = [this](int c, int r) { return cellText(c, r); };
    source.value = [](int c, int r, double& v) {
        if (r < 1 || r > gridRows || c < 1 || c > gridCount) return false;
        v = gridValues[static_cast<std::size_t>(r - 1) * gridCount + static_cast<std::size_t>(c - 1)];
        return true;
    };
    copygrid(source);
}

void TMattyFm::Close1Click() { closeReleasingEscape(); }

bool TMattyFm::escapeKey() {
    platform::pressEscape();
    Close1Click();
    return true;
}

void TMattyFm::Gdates1Click() {
    static DateEditorForm editor;
    editor.dates.FormShow();
    editor.showModal(true);
}

bool TMattyFm::closing() {
    gridNames.clear();
    gridFormats.clear();
    gridValues.clear();
    gridCount = gridRows = 0;
    return true;
}

// ---- the command ----

int gridtycmd(std::FILE* in) {
    JexDate startDate(printDates[0]), endDate(printDates[1]);
    char token[tokenSize];
    int cls = gettoken(token, in, 1, tokenSize);

    // The table file is written beside the file it replaces and put in place only when the
    // command succeeds: a refused command leaves the old file as it was.
    std::unique_ptr<platform::ReplacingFile> tableFile;
    std::FILE* table = nullptr;
    std::string tableName;
    if (cls == 'a' && std::strcmp(token, "file") == 0) {
        cls = gettoken(token, in, 0, tokenSize);
        tableName = cls == 'a' || cls == '"' ? token : "";
        if (!tableName.empty()) {
            tableFile = std::make_unique<platform::ReplacingFile>(tableName);
            table = tableFile->open("w");
        }
        if (!table) {
            printout("Cannot open %s.\n", tableName.c_str());
            droprest(in, cls);
            return -1;
        }
        cls = gettoken(token, in, 1, tokenSize);
    }
    auto fail = [&](int lastClass) {
        droprest(in, lastClass);
        if (tableFile) tableFile->abandon();
        return refused();
    };

    if (cls == 'n') {
        startDate = JexDate();
        startDate.parse(token);
        cls = gettoken(token, in, 1, tokenSize);
        if (cls == 'n') {
            endDate = JexDate();
            endDate.parse(token);
            cls = gettoken(token, in, 0, tokenSize);
        }
    }

    int precision = formatGiven == 1 ? decs : 3;
    std::vector<std::string> names;
    std::vector<int> precisions;
    bool afterName = false;
    for (;; cls = gettoken(token, in, 0, tokenSize)) {
        if (cls == 'f' || cls == 'e' || cls == ';') break;
        if (cls == -1 || platform::escapePressed()) {
            if (afterName) {
                if (tableFile) tableFile->abandon();
                return 0;
            }
            break;
        }
        if (cls == ',') continue;
        if (cls == 'a') {
            if (static_cast<int>(names.size()) >= gridMaxNames) {
                printout("doruvud handles a maximum of %d variables.\n", gridMaxNames);
                return fail(cls);
            }
            names.emplace_back(token, std::min<std::size_t>(std::strlen(token), gridNameLength));
            precisions.push_back(precision);
            afterName = true;
        } else if (cls == 'n' && afterName) {
            const int p = std::atoi(token);
            if (p < 0 || p > 10) {
                printout("Error:  in gridtype, illegal precision specified (%d).\n", p);
                return fail(cls);
            }
            precision = precisions.back() = p;
            afterName = false;
        } else {
            printout("Invalid variable name in position %d.\n", static_cast<int>(names.size()));
            return fail(cls);
        }
    }
    if (names.empty()) {
        if (tableFile) tableFile->abandon();
        printout("Calling format is:\n");
        printout("gridty [\"file\" <filename>] [<stdate>] [<enddate>]\n");
        printout("   series1 series2 series3 ... ;\n");
        return 0;
    }
    cls = 'f';  // the names are read: nothing more of the line is dropped

    std::vector<std::string> formats;
    for (int p : precisions) formats.push_back(" %10." + std::to_string(p) + "f");

    // The rows: the end date must lie within the workspace and not before the start.
    const int first = dateindex(startDate.toFloat());
    if (startDate.frequency == 0 || first < 0) {
        printout("\nError:  in Gridty command, first date before workspace begins.\n");
        return fail(cls);
    }
    const int last = dateindex(endDate.toFloat());
    if (endDate.frequency == 0 || last < 0 || last >= wsMaxObs || last >= seriesArrayLength) {
        printout("\nError:  in Gridty command, problem with second date.\n");
        return fail(cls);
    }
    if (startDate.frequency != endDate.frequency) {
        printout("\nError:  in Gridty command, the dates you provided are of different frequencies.\n");
        return fail(cls);
    }
    if (last < first) {
        printout("\nError:  in Gridty command, problem with second date.\n");
        return fail(cls);
    }
    const int rows = last - first + 1;
    const int count = static_cast<int>(names.size());

    // Each series must have the start date's frequency.
    std::vector<float> values(static_cast<std::size_t>(rows) * count);
    std::vector<float> series(seriesArrayLength + 1);
    for (int c = 0; c < count; ++c) {
        char* none = nullptr;
        if (fetchseries(names[c].c_str(), series.data(), none, nullptr, 0) != 0) {
            printout("Failed to find %s.\n", names[c].c_str());
            return fail(cls);
        }
        if (currentFrequency != 0 && currentFrequency != startDate.frequency) {
            printout("%s has wrong frequency.\n", names[c].c_str());
            return fail(cls);
        }
        for (int r = 0; r < rows; ++r) values[static_cast<std::size_t>(r) * count + c] = series[first + r];
    }

    const bool toSave = saveOn == 'y' && saveFile != nullptr;
    if (table) {
        std::fprintf(table, "\n\"  Date\"");
        for (const std::string& name : names) std::fprintf(table, " \"%8s\"", name.c_str());
        std::fprintf(table, "\n");
    } else if (toSave) {
        std::fprintf(saveFile, "\n   Date   ");
        for (const std::string& name : names) std::fprintf(saveFile, " %10s", name.c_str());
        std::fprintf(saveFile, "\n");
    }
    for (int r = 0; r < rows; ++r) {
        const std::string row = tablerow(startDate + r, &values[static_cast<std::size_t>(r) * count], formats);
        if (table) std::fprintf(table, "%s\n", row.c_str());
        if (toSave) {
            if (regZip == 'n') std::fputs(row.c_str(), saveFile);
            std::fputs("\n", saveFile);
        }
    }
    if (tableFile && !tableFile->commit()) {
        printout("Cannot open %s.\n", tableName.c_str());
        return -1;
    }

    gridNames = std::move(names);
    gridFormats = std::move(formats);
    gridValues = std::move(values);
    gridCount = count;
    gridRows = rows;
    gridStart = startDate;
    MattyFm.colCount = count + 1;
    MattyFm.rowCount = rows + 1;
    MattyFm.selection = GridRect{1, 1, 1, 1};
    // From an add file the window is modal: the add file waits until it is closed.
    MattyFm.show(keyboardInput == 'n');
    return 0;
}

// ---- the typed-output grid ----

void TTyFrm::start(const std::string& text, int columns) {
    caption = text;
    colCount = columns;
    rowCount = 0;
    cells_.clear();
}

void TTyFrm::addline(const std::string& date, const float* values, int count) {
    std::vector<std::string> line(static_cast<std::size_t>(colCount));
    if (!line.empty()) line[0] = date;
    for (int k = 0; k < count && k + 1 < colCount; ++k)
        line[static_cast<std::size_t>(k) + 1] = formatvalue(" %10.3f", values[k]);
    cells_.push_back(std::move(line));
    rowCount = static_cast<int>(cells_.size());
}

const std::string& TTyFrm::cell(int column, int row) const {
    static const std::string none;
    if (row < 0 || row >= rowCount || column < 0 || column >= colCount) return none;
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

std::string TTyFrm::consoleText() const {
    return gridconsoletext(caption, colCount, rowCount, 1, [this](int c, int r) { return cell(c, r); });
}

void resetseriesgrids() {
    MattyFm.close();
    MattyFm.colCount = MattyFm.rowCount = 1;
    TyFrm.start("", 0);
}
