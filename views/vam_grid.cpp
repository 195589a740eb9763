#include "views/vam_grid.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cstdlib>
#include <cstring>

#include "banks/slots.h"
#include "core/printout.h"
#include "interp/state.h"
#include "platform/clipboard.h"
#include "platform/platform.h"
#include "shell/dialogs.h"
#include "vam/vamfile.h"
#include "views/small_dialogs.h"

short showColumnWidth = 80;
TShowFm* ShowFm = nullptr;
TShwOptFm ShwOptFm;

namespace {

constexpr std::size_t titleLimit = 50;
constexpr int textWidth = 7;    // pixels of one character of the grid's font
constexpr int textHeight = 13;  // pixels of "Gg"

// A title for display (the text before its first ';') or for the hint (the text after it,
// or the whole title without one): at most 50 characters, ending at a line end or ';', with
// tabs as blanks.
std::string titletext(const std::string& stored, bool hint) {
    const std::size_t semi = stored.find(';');
    std::string t = !hint ? stored.substr(0, semi) : semi == std::string::npos ? stored : stored.substr(semi + 1);
    if (t.size() > titleLimit) t.resize(titleLimit);
    t = t.substr(0, t.find_first_of("\r\n;"));
    std::replace(t.begin(), t.end(), '\t', ' ');
    return t;
}

std::string titleat(const std::vector<std::string>& titles, int k, bool hint) {
    return k >= 0 && k < static_cast<int>(titles.size()) ? titletext(titles[static_cast<std::size_t>(k)], hint) : "";
}

std::string numbertext(int n) { return std::to_string(n); }

// Reads a whole number at p (after blanks); false when there is none.
bool readint(const char*& p, long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtol(p, &end, 10);
    if (end == p || errno != 0) return false;
    p = end;
    return true;
}

int fieldint(Form& form, const char* name) { return static_cast<int>(std::strtol(form.text(name).c_str(), nullptr, 10)); }

short toshort(int v) { return static_cast<short>(std::clamp(v, -32768, 32767)); }

bool startswith(const std::string& word, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return word.size() > n && samewords(word.substr(0, n), prefix);
}

}  // namespace

float leadingnumber(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) return 0;
    const std::size_t start = i;
    if (text[i] == '+' || text[i] == '-') ++i;
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0;
    const double v = std::strtod(text.substr(start, i - start).c_str(), nullptr);
    return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

std::vector<std::string> commafields(const std::string& line) {
    std::vector<std::string> fields;
    auto blank = [&](std::size_t i) { return i < line.size() && static_cast<unsigned char>(line[i]) <= ' '; };
    std::size_t p = 0;
    while (blank(p)) ++p;
    while (p < line.size()) {
        std::string field;
        if (line[p] == '"') {
            ++p;
            while (p < line.size()) {
                if (line[p] == '"') {
                    if (p + 1 < line.size() && line[p + 1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += line[p++];
            }
        } else {
            while (p < line.size() && !blank(p) && line[p] != ',') field += line[p++];
        }
        fields.push_back(field);
        while (blank(p)) ++p;
        if (p < line.size() && line[p] == ',') {
            ++p;
            while (blank(p)) ++p;
        }
    }
    return fields;
}

// ---- the window ----

TShowFm::TShowFm() : ViewWindow("") {
    menu_ = {menuitem("&File", nullptr,
                      {menuitem("&Save", [this] { Save1Click(); }), menuitem("&Close", [this] { ShowGrdExit(); })}),
             menuitem("&Edit", nullptr,
                      {menuitem("&Delete", [this] { DeleteClick(); }), menuitem("&Copy", [this] { CopyClick(); }),
                       menuitem("&Paste", [this] { PasteClick(); })}),
             menuitem("&Options", nullptr, {menuitem("&Display", [this] { Display1Click(); })})};
}

void TShowFm::fill(const VamGridData& d) {
    ElementLabel = d.elementLabel;
    ElementName = d.elementName;
    ViewType = d.view;
    ViewNumber = d.viewNumber;
    FirstDate = d.firstDate;
    BankSlot = d.slot;
    ShownBank = d.bank;
    RowTitles = d.rowTitles;
    ColumnTitles = d.columnTitles;
    setCaption(d.caption);
    const int rows = std::max(d.tableRows, 0), count = std::max(d.tableCount, 0);
    const bool year = ViewType == 'y';
    fixedRows = year ? 2 : 1;
    // A 'y' view holds the matrix as it is; the others turn the periods into columns.
    DataRows = year ? rows : count;
    DataCols = year ? count : rows;
    rowCount = DataRows + fixedRows;
    colCount = DataCols + fixedCols;
    minor_ = (year ? DataCols : DataRows) + 1;
    values_.assign(static_cast<std::size_t>(year ? DataRows + 1 : DataCols + 1) * minor_, 0.0f);
    // Table row k is the grid's column k + 1 (a period), or in a 'y' view its row k + 1.
    for (int k = 0; k < rows; ++k)
        for (int j = 0; j < count; ++j) value(k + 1, j + 1) = d.table[static_cast<std::size_t>(k) * count + j];
    defaultColWidth = showColumnWidth;
    colWidths.assign(static_cast<std::size_t>(colCount), defaultColWidth);
    if (colCount > 0) colWidths[0] = 25;
    if (colCount > 1) colWidths[1] = 80;
    const int left = std::clamp(fixedCols + d.firstColumn - 1, fixedCols, std::max(fixedCols, colCount - 1));
    const int top = std::clamp(fixedRows + d.firstRow - 1, fixedRows, std::max(fixedRows, rowCount - 1));
    selection = GridRect{left, top, left, top};
}

float& TShowFm::value(int a, int b) { return values_[static_cast<std::size_t>(a) * minor_ + b]; }
float TShowFm::value(int a, int b) const { return values_[static_cast<std::size_t>(a) * minor_ + b]; }

std::string TShowFm::cellText(int c, int r, bool hintText) const {
    char buffer[400];
    auto valuetext = [&](float v) {
        std::snprintf(buffer, sizeof buffer, "%*.*f", 10, std::clamp<int>(Decimals, 0, 30), static_cast<double>(v));
        return std::string(buffer);
    };
    if (ViewType != 'y') {
        if (r == 0 && c >= 2) return (FirstDate + (c - 2)).printNew('4');
        if (c == 0 && r >= 1) return numbertext(r);
        if (c == 1 && r == 0) {
            if (ViewType == 'r' || ViewType == 'c') {
                std::snprintf(buffer, sizeof buffer, "%s %c%d", ElementLabel.c_str(), ViewType, static_cast<int>(ViewNumber));
                return buffer;
            }
            return ElementLabel;
        }
        if (c == 1 && r >= 1) return titleat(RowTitles, r - 1, hintText);
        if (c >= 2 && r >= 1 && c - 1 <= DataCols && r <= DataRows) return valuetext(value(c - 1, r));
        return "";
    }
    if (r == 0 && c >= 2) return numbertext(c - 1);
    if (c == 0 && r >= 2) return numbertext(r - 1);
    if (c == 1 && r == 0) return ElementLabel;
    if (c == 1 && r == 1) return JexDate(ViewNumber).printNew('4');
    if (c == 1 && r >= 2) return titleat(RowTitles, r - 2, hintText);
    if (r == 1 && c >= 2) return titleat(ColumnTitles, c - 2, hintText);
    if (c >= 2 && r >= 2 && r - 1 <= DataRows && c - 1 <= DataCols) return valuetext(value(r - 1, c - 1));
    return "";
}

std::string TShowFm::consoleText() const {
    return gridconsoletext(caption(), colCount, rowCount, fixedCols,
                           [this](int c, int r) { return cellText(c, r, false); });
}

void TShowFm::autoSize() {
    for (int c = 0; c < colCount; ++c) {
        std::size_t widest = 0;
        for (int r = 0; r < rowCount; ++r) widest = std::max(widest, trimmedtext(cellText(c, r, false)).size());
        colWidths[static_cast<std::size_t>(c)] = static_cast<int>(widest) * textWidth + 4;
    }
    defaultRowHeight = textHeight + 4;
}

std::string TShowFm::ShowGrdGetEditText(int c, int r) {
    EditStartText = trimmedtext(cellText(c, r, false));
    return EditStartText;
}

void TShowFm::ShowGrdSetEditText(int c, int r, const std::string& text) {
    const float v = leadingnumber(text);
    if (ViewType == 'y') {
        if (r < 2 || c < 2 || r - 1 > DataRows || c - 1 > DataCols) return;
        value(r - 1, c - 1) = v;
    } else {
        if (r < 1 || c < 2 || c - 1 > DataCols || r > DataRows) return;
        value(c - 1, r) = v;
    }
    GridModified = 'y';
}

void TShowFm::ShowGrdMouseDown(int c, int r) {
    if (c == 0 && r == 0) {
        autoSize();
        return;
    }
    if ((c == 1 && r >= 1) || (r == fixedRows - 1 && c >= 2)) {
        hint = cellText(c, r, true);
        showHint = true;
        platform::current().notice("[Hint] " + hint);
    }
}

void TShowFm::ShowGrdExit() { closeReleasingEscape(); }

bool TShowFm::escapeKey() {
    platform::pressEscape();
    ShowGrdExit();
    return true;
}

void TShowFm::CopyClick() {
    GridCopySource source;
    source.caption = caption();
    source.range = selection;
    source.fixedColumns = fixedCols;
    source.fixedRows = fixedRows;
    source.cell = [this](int c, int r) { return cellText(c, r, false); };
    source.value = [this](int c, int r, double& v) {
        if (ViewType == 'y') {
            if (r - 1 > DataRows || c - 1 > DataCols) return false;
            v = value(r - 1, c - 1);
        } else {
            if (c - 1 > DataCols || r > DataRows) return false;
            v = value(c - 1, r);
        }
        return true;
    };
    copygrid(source);
}

void TShowFm::PasteClick() {
    const platform::Clipboard& clip = platform::clipboard();
    if (!clip.hasText()) {
        platform::current().messageBox("Paste failed. Unsupported clipboard format!", "Error", platform::Buttons::Ok);
        return;
    }
    const std::string& text = clip.text();
    int row = selection.top;
    std::size_t p = 0;
    while (p < text.size() && row < rowCount) {
        std::size_t end = text.find_first_of("\r\n", p);
        if (end == std::string::npos) end = text.size();
        const std::vector<std::string> fields = commafields(text.substr(p, end - p));
        for (std::size_t j = 0; j < fields.size(); ++j) {
            const long column = selection.left + static_cast<long>(j);
            if (column >= colCount) break;
            ShowGrdSetEditText(static_cast<int>(column), row, fields[j]);
        }
        ++row;
        // A line ends at LF, CR LF or a lone CR.
        p = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    }
}

void TShowFm::DeleteClick() {
    const GridRect s = selection;
    if ((s.left != s.right || s.top != s.bottom) &&
        platform::current().messageBox("Delete selected cells?", "Confirm", platform::Buttons::YesNo) !=
            platform::Answer::Yes)
        return;
    for (int r = s.top; r <= s.bottom; ++r)
        for (int c = s.left; c <= s.right; ++c) ShowGrdSetEditText(c, r, "0");
}

void TShowFm::Display1Click() {
    ShwOptFm.setText("DefDecPlacesEd", std::to_string(showDecimals));
    ShwOptFm.setText("LocDecPlacesEd", std::to_string(Decimals));
    ShwOptFm.setText("DefColWidEd", std::to_string(defaultColWidth));
    ShwOptFm.setText("LocColWidEd", std::to_string(defaultColWidth));
    ShwOptFm.setText("RowHeightEd", std::to_string(defaultRowHeight));
    ShwOptFm.showModal(true);
}

void TShowFm::Save1Click() {
    if (GridModified != 'y') return;
    const char letter = static_cast<char>('a' + BankSlot);
    if (BankSlot < 0 || BankSlot >= bankSlotCount || bankTypes[BankSlot] == ' ') {
        printout("Bank %c no longer assigned.  Cannot save changes.\n", letter);
        return;
    }
    auto changed = [letter] { printout("The bank assigned as %c has changed.  Cannot save changes.\n", letter); };
    auto* bank = bankTypes[BankSlot] == 'v' && bankSlots[BankSlot] == ShownBank ? dynamic_cast<VamFile*>(ShownBank) : nullptr;
    if (!bank || bank->loadcmd(ElementName.c_str(), ViewType, ViewNumber) != 0) {
        changed();
        return;
    }
    const bool year = ViewType == 'y';
    if (bank->loadedRows() != (year ? DataRows : DataCols) || bank->loadedCount() != (year ? DataCols : DataRows)) {
        changed();
        return;
    }
    for (int k = 1; k <= bank->loadedRows(); ++k) {
        float* row = bank->loadedRow(k - 1);
        for (int j = 1; j <= bank->loadedCount(); ++j) row[j - 1] = value(k, j);
    }
    bank->setModified();
    // A store that failed keeps the edits marked: closing asks again.
    if (bank->storecmd() == 0) GridModified = 'n';
}

void TShowFm::FormShow() {
    Decimals = showDecimals;
    GridModified = 'n';
}

bool TShowFm::closing() {
    if (GridModified == 'y') {
        const int answer = SaveQuFm.ask();
        if (answer == saveYes) Save1Click();
        else if (answer == saveNo) GridModified = 'n';
        else return false;  // Cancel: the window stays with its data
    }
    freeData();
    WindowClosed = 'y';
    return true;
}

void TShowFm::closeForBank() {
    ClosedByBank = 'y';
    if (GridModified == 'y' && SaveQuFm.ask() == saveYes) Save1Click();
    freeData();
    WindowClosed = 'y';
    setVisible(false);
}

void TShowFm::freeData() {
    values_.clear();
    minor_ = 0;
    DataRows = DataCols = 0;
    colCount = fixedCols;
    rowCount = fixedRows;
    RowTitles.clear();
    ColumnTitles.clear();
    GridModified = 'n';
}

bool TShowFm::choice(const std::string& word) {
    if (startswith(word, "Select ")) {
        GridRect r;
        if (!readselection(word.substr(7), fixedCols, fixedRows, colCount, rowCount, r)) return false;
        selection = r;
        return true;
    }
    const bool edit = startswith(word, "Edit cell ");
    if (edit || startswith(word, "Press ")) {
        const char* p = word.c_str() + (edit ? 10 : 6);
        long c = 0, r = 0;
        if (!readint(p, c) || !readint(p, r) || c < 0 || r < 0 || c >= colCount || r >= rowCount) return false;
        if (!edit) {
            if (*p) return false;
            ShowGrdMouseDown(static_cast<int>(c), static_cast<int>(r));
            return true;
        }
        if (*p == ' ') ++p;
        ShowGrdGetEditText(static_cast<int>(c), static_cast<int>(r));
        ShowGrdSetEditText(static_cast<int>(c), static_cast<int>(r), p);
        return true;
    }
    return false;
}

// ---- the options dialog ----

TShwOptFm::TShwOptFm() : Form("Specify Options for Show Command") {
    field("DefDecPlacesEd", "Decimal Places: Default", "");
    field("LocDecPlacesEd", "Decimal Places: Here only", "");
    field("DefColWidEd", "Column Width: Default", "");
    field("LocColWidEd", "Column Width: Here only", "");
    field("RowHeightEd", "Row Height", "");
    Button& ok = button("ShwOptOkBtn", "OK");
    ok.isDefault = true;
    ok.onClick = [this] { ShwOptOkBtnClick(); };
    button("ShowOptCancBtn", "Cancel").isCancel = true;
    button("ColorBtn", "Color").onClick = [] {
        if (ShowFm) colordialog(ShowFm->color);
    };
    button("FontBtn", "Font").onClick = [] {
        if (ShowFm) fontdialog(ShowFm->font, "Font");
    };
    button("FrColorBtn", "Frame Color").onClick = [] {
        if (ShowFm) colordialog(ShowFm->fixedColor);
    };
}

void TShwOptFm::ShwOptOkBtnClick() {
    const short defDecimals = toshort(fieldint(*this, "DefDecPlacesEd"));
    short hereDecimals = toshort(fieldint(*this, "LocDecPlacesEd"));
    const short defWidth = toshort(fieldint(*this, "DefColWidEd"));
    short hereWidth = toshort(fieldint(*this, "LocColWidEd"));
    const int rowHeight = fieldint(*this, "RowHeightEd");
    if (ShowFm) {
        if (defDecimals != showDecimals) hereDecimals = defDecimals;
        ShowFm->Decimals = hereDecimals;
        if (defWidth != ShowFm->defaultColWidth) hereWidth = defWidth;
        ShowFm->defaultColWidth = hereWidth;
        ShowFm->colWidths.assign(static_cast<std::size_t>(ShowFm->colCount), hereWidth);
        if (ShowFm->colCount > 0) ShowFm->colWidths[0] = 25;
        if (ShowFm->colCount > 1) ShowFm->colWidths[1] = 80;
        ShowFm->defaultRowHeight = rowHeight;
    }
    showDecimals = defDecimals;
    showColumnWidth = defWidth;
    close();
}

// ---- the show command's window ----

void closevamgrid() {
    if (!ShowFm) return;
    TShowFm* w = ShowFm;
    w->closeForBank();
    ShowFm = nullptr;
    delete w;
}

void closevamgridofbank(const DataBank* bank) {
    if (ShowFm && ShowFm->ShownBank == bank) closevamgrid();
}

void showvamgrid(const VamGridData& data) {
    closevamgrid();
    ShowFm = new TShowFm;
    ShowFm->fill(data);
    ShowFm->FormShow();
    const bool modal = keyboardInput == 'n';
    ShowFm->show(modal);
    // A modal window is forgotten once it has closed.
    if (modal && ShowFm && !ShowFm->visible()) {
        delete ShowFm;
        ShowFm = nullptr;
    }
}
