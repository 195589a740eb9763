#include "views/look_window.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "banks/bank_dialogs.h"
#include "banks/databank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "graphs/graph_command.h"
#include "graphs/graph_settings.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "series/series_commands.h"
#include "series/series_state.h"
#include "shell/menu_handlers.h"
#include "views/small_dialogs.h"

int lookLineIndex = 0;
TLookForm2 LookForm2;

namespace {

constexpr std::size_t titleLimit = 89;
constexpr std::size_t nameLimit = 80;

std::string trimend(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The lines of a text file: a line ends at LF, CR LF or a lone CR; a last line without an
// end counts. False when the file cannot be read.
bool readlines(const std::string& path, std::vector<std::string>& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    out.clear();
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            out.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) out.push_back(line);
    return true;
}

// A print or graph date moved to the series' frequency: the period given, or (0) its own.
float wholeyeardate(float date, int frequency, int period) {
    JexDate d(date);
    d.frequency = static_cast<std::uint8_t>(frequency);
    if (period > 0) d.period = static_cast<std::uint8_t>(period);
    d.day = 0;
    return JexDate(d.toFloat()).toFloat();
}

// The dates and switches the pick changes, put back on every way out.
struct LookDatesKeeper {
    float print[2] = {printDates[0], printDates[1]};
    JexDate printRange[2] = {printDateRange[0], printDateRange[1]};
    float graph[3] = {graphDates[0], graphDates[1], graphDates[2]};
    char printSet = printDatesSet, graphSet = graphDatesSet;
    ~LookDatesKeeper() {
        printDates[0] = print[0];
        printDates[1] = print[1];
        printDateRange[0] = printRange[0];
        printDateRange[1] = printRange[1];
        for (int i = 0; i < 3; ++i) graphDates[i] = graph[i];
        printDatesSet = printSet;
        graphDatesSet = graphSet;
    }
};

// Points the reader at one line of text, as typed, for the handler that runs next.
void readerat(const std::string& text) {
    keyboardInput = 'y';
    replayMode = 'n';
    replayList = nullptr;
    settypedline(text);
}

}  // namespace

std::string stubfilename(const std::string& bankPath) {
    const std::size_t point = extensionpoint(bankPath);
    return (point == std::string::npos ? bankPath : bankPath.substr(0, point)) + ".stb";
}

TLookForm2::TLookForm2() : ViewWindow("LookForm2"), find_("Find") {
    // F3 (Find Again) sits in a hidden menu: its shortcut works, the menu is not shown.
    MenuItem hidden = menuitem("Hidden", nullptr, {menuitem("FindAgain", [this] { FindAgainClick(); })});
    hidden.visible = [] { return false; };
    menu_ = {menuitem("&Home", [this] { LookHomeClick(); }), menuitem("&Find", [this] { LookFindClick(); }), hidden};

    find_.field("FindText", "Find what", "");
    matchCase_ = &find_.check("MatchCase", "Match &case", false);
    direction_ = &find_.radio("Direction", "Direction", {"Up", "Down"});
    direction_->index = 1;
    find_.button("FindNext", "&Find Next").onClick = [this] { LookFindDlgFind(); };
    find_.button("Cancel", "Cancel").isCancel = true;
}

int TLookForm2::setBankIndex(int slot) {
    if (slot < 0 || slot >= bankSlotCount) return -1;
    BankIndex = slot;
    return slot;
}

void TLookForm2::FormActivate() {
    if (LoadStubFile) {
        LoadStubFile = false;
        const std::string stub = stubfilename(defaultBankPath);
        std::vector<std::string> list;
        if (!readlines(stub, list)) {
            printout("\n\nWarning:  Stub file %s not found.\n", stub.c_str());
            printout("Looking in directory %s\n\n", platform::currentDirectory().c_str());
            pausebox("Warning:  not found!", "Warning");
            CloseRequested = true;
            return;
        }
        lines = std::move(list);
        printoutlong("\nLooking at stub file %s.\n", stub.c_str());
        setCaption(defaultBankPath);
        CloseRequested = false;
        lookLineIndex = 0;
    }
    selected = lookLineIndex >= 0 && lookLineIndex < static_cast<int>(lines.size()) ? lookLineIndex : -1;
}

void TLookForm2::showForLook() {
    LoadStubFile = true;
    setVisible(true);
    FormActivate();
    LoadStubFile = false;
    if (CloseRequested) {
        close();
        CloseRequested = false;
        return;
    }
    show(false);
}

void TLookForm2::LookWinClick(int line) {
    if (line < 0 || line >= static_cast<int>(lines.size())) return;
    selected = line;
    lookLineIndex = line;
}

void TLookForm2::LookHomeClick() {
    selected = lines.size() > 1 ? 1 : -1;
    lookLineIndex = 1;
}

void TLookForm2::typeSelectedSeries() {
    if (selected < 0 || selected >= static_cast<int>(lines.size())) return;
    lookLineIndex = selected;
    const std::string line = lines[static_cast<std::size_t>(selected)];
    printoutlong("%s\n", line.c_str());

    // The title: the line before its comment.
    std::string title = trimend(line.substr(0, line.find('#')));
    if (title.size() > titleLimit) title.resize(titleLimit);
    std::snprintf(currentTitle, sizeof currentTitle, "%s", title.c_str());

    // The series name: from the first letter up to its description or comment.
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || !std::isalpha(static_cast<unsigned char>(line[start]))) return;
    std::string name = line.substr(start, line.find_first_of(";#", start) - start);
    if (name.size() > nameLimit) name.resize(nameLimit);
    name = trimend(name);
    const std::string input = std::string(1, lookBankLetter) + "." + name;

    LookDatesKeeper keep;
    printDatesSet = graphDatesSet = 'n';
    std::vector<float> work(seriesArrayLength + 1);
    char* none = nullptr;
    if (fetchseries(input.c_str(), work.data(), none, nullptr, 0) != 0) {
        printoutlong("Error:  cannot find series \"%s\" in Look.\n", name.c_str());
        return;
    }
    // Whole years in the series' frequency (the date numbers know annual, quarterly and
    // monthly dates; others keep the dates as they are).
    const int f = currentFrequency;
    if (f == 1 || f == 4 || f == 12) {
        printDates[0] = wholeyeardate(printDates[0], f, 1);
        printDates[1] = wholeyeardate(printDates[1], f, f);
        printDateRange[0] = JexDate(printDates[0]);
        printDateRange[1] = JexDate(printDates[1]);
        graphDates[0] = wholeyeardate(graphDates[0], f, 1);
        graphDates[1] = wholeyeardate(graphDates[1], f, f);
        graphDates[2] = wholeyeardate(graphDates[2], f, 0);
    }

    ReaderPositionSaver position;
    ReaderSourceSaver source;
    readerat(input);
    graphs::userDates = 'y';
    prcmd(nullptr, 'y');
    graphs::userDates = 'n';
    readerat(input);
    graphs::userDates = 'y';
    graphs::graph(nullptr, 'n', 'n', 'n');
}

void TLookForm2::LookFindClick() {
    // The dialog stays until it is cancelled, or until a search closes it; a search that
    // found nothing shows it again.
    do {
        findAgainShown_ = false;
        findShowing_ = FindDialogOpen = true;
        find_.showModal();
        findShowing_ = FindDialogOpen = false;
    } while (findAgainShown_);
}

void TLookForm2::LookFindDlgFind() {
    LastFindText = find_.text("FindText");
    const bool matchCase = matchCase_->checked;
    const bool down = direction_->index != 0;
    const std::string text = matchCase ? LastFindText : lowered(LastFindText);
    const int n = static_cast<int>(lines.size());
    auto matches = [&](int i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        return (matchCase ? line : lowered(line)).find(text) != std::string::npos;
    };
    int i;
    if (down) {
        i = selected + 1;
        if (selected == n - 1) {
            find_.close();
            i = 1;
        }
        for (; i < n; ++i)
            if (matches(i)) break;
    } else {
        i = selected - 1;
        if (selected <= 0) {
            find_.close();
            i = 1;
        }
        if (i >= n) i = n - 1;
        for (; i >= 0; --i)
            if (matches(i)) break;
    }
    if (i >= 0 && i < n) {
        selected = i;
        return;
    }
    find_.close();
    SorryFm.notfound();
    if (findShowing_) findAgainShown_ = true;
    else LookFindClick();
}

void TLookForm2::FindAgainClick() {
    if (LastFindText.empty()) {
        SorryFm.notfound();
        return;
    }
    LookFindDlgFind();
}

bool TLookForm2::choice(const std::string& word) {
    if (samewords(word, "F3")) {
        FindAgainClick();
        return true;
    }
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(word.c_str(), &end, 10);
    if (end == word.c_str() || *end || errno != 0 || n < 0 || n >= static_cast<long>(lines.size())) return false;
    LookWinClick(static_cast<int>(n));
    typeSelectedSeries();
    return true;
}

bool TLookForm2::closing() {
    find_.close();
    BankIndex = -1;
    return true;
}

std::string TLookForm2::consoleText() const {
    std::string out = caption() + "\n";
    const int width = static_cast<int>(std::to_string(lines.empty() ? 0 : lines.size() - 1).size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string number = std::to_string(i);
        number.insert(0, static_cast<std::size_t>(width) - number.size(), ' ');
        out += (static_cast<int>(i) == selected ? ">" : " ") + number + "  " + lines[i] + "\n";
    }
    return out;
}

void lookslotclosed(int slot) {
    if (LookForm2.visible() && LookForm2.BankIndex == slot) LookForm2.close();
}
