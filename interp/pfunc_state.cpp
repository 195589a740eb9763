// %-functions that read the program's state: spreadsheet columns, the date and time, the
// date settings, values left by the Excel link, fonts and colours, the value of a series
// expression at a date, existence tests, the number of series in a bank, and %if.
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "banks/databank.h"
#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "interp/percent_functions.h"
#include "interp/pfunc_internal.h"
#include "interp/pfunc_neighbours.h"
#include "regress/regress_state.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/strings.h"
#include "platform/platform.h"
#include "series/rhs.h"
#include "series/series_state.h"
#include "shell/mainform.h"

namespace {

// ---- the reader's whole state, kept while %eval reads its expression ----

class ReaderSnapshot {
public:
    ReaderSnapshot()
        : keyboardInput_(keyboardInput),
          replayMode_(replayMode),
          replayList_(replayList),
          replayCursor_(replayCursor),
          percentMode_(percentMode),
          addPrint_(addPrint),
          saveEcho_(saveEcho),
          annSaveEcho_(annSaveEcho),
          textPushBack_(std::move(textPushBack)) {
        textPushBack.clear();
    }
    ~ReaderSnapshot() {
        keyboardInput = keyboardInput_;
        replayMode = replayMode_;
        replayList = replayList_;
        replayCursor = replayCursor_;
        percentMode = percentMode_;
        addPrint = addPrint_;
        saveEcho = saveEcho_;
        annSaveEcho = annSaveEcho_;
        textPushBack = std::move(textPushBack_);
    }
    ReaderSnapshot(const ReaderSnapshot&) = delete;
    ReaderSnapshot& operator=(const ReaderSnapshot&) = delete;

private:
    ReaderPositionSaver position_;
    char keyboardInput_;
    char replayMode_;
    const std::vector<std::string>* replayList_;
    std::size_t replayCursor_;
    int percentMode_;
    int addPrint_;
    char saveEcho_;
    char annSaveEcho_;
    std::deque<std::pair<std::string, int>> textPushBack_;
};


}  // namespace

// ---- 21. spreadsheet columns ----

int pfxlcol(PfuncCall& c) {
    const std::string& x = c.arg(1);
    c.result.clear();
    // Both failures give -1 without a message, in quiet mode too.
    if (!x.empty() && x[0] >= '0' && x[0] <= '9') {
        int n = textToInt(x);
        if (n <= 0) return -1;
        c.result = colletters(n);
        return 0;
    }
    int n = colnumber(x);
    if (n < 1) return -1;
    c.result = intToText(n);
    return 0;
}

// ---- 22. date and time ----

int pfclock(PfuncCall& c) {
    std::time_t t = static_cast<std::time_t>(platform::unixTimeNow());
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[64];
    std::size_t n = std::strftime(buffer, sizeof buffer, c.key == "date" ? "%x" : "%X", &local);
    c.result.assign(buffer, n);
    return 0;
}

// ---- 23. date settings ----

int pfdatesetting(PfuncCall& c) {
    struct Setting {
        const char* names[3];
        char kind;  // 'f' f dates, 't' print dates, 'g' graph dates, 'r' regression limits
        int index;
    };
    static const Setting settings[] = {
        {{"fdate1", "fdates1", nullptr}, 'f', 0},    {{"fdate2", "fdates2", nullptr}, 'f', 1},
        {{"tdate1", "tdates1", nullptr}, 't', 0},    {{"tdate2", "tdates2", nullptr}, 't', 1},
        {{"gdate1", "gdates1", nullptr}, 'g', 0},    {{"gdate2", "gdates2", nullptr}, 'g', 1},
        {{"gdate3", "gdates3", nullptr}, 'g', 2},    {{"lim1", "rdate1", "rdates1"}, 'r', 0},
        {{"lim2", "rdate2", "rdates2"}, 'r', 1},     {{"lim3", "rdate3", "rdates3"}, 'r', 2},
    };
    const char* const invalid = "\nError:  Invalid %%%s syntax.\n";
    const Setting* found = nullptr;
    for (const Setting& s : settings)
        for (const char* n : s.names)
            if (n && c.name == n) found = &s;
    if (!found) return pfuncfail(c, invalid);
    float value = 0;
    switch (found->kind) {
    case 'f': value = found->index == 0 ? fdate1 : fdate2; break;
    case 't':
        if (printDatesSet != 'y' && !pfuncquiet()) {
            printout("\nError:  tdates have not been set.\n");
            return pfuncfail(c, invalid);
        }
        value = printDates[found->index];
        break;
    case 'g':
        if (graphDatesSet != 'y' && !pfuncquiet()) {
            printout("\nError:  gdates have not been set.\n");
            return pfuncfail(c, invalid);
        }
        value = graphDates[found->index];
        break;
    default:
        value = found->index == 0 ? fitStart : found->index == 1 ? fitEnd : testEnd;
    }
    // A setting of 0 (or below it: the series layer keeps -1 for "off") is not set.
    if (!(value > 0.0f)) return pfuncfail(c, invalid);
    JexDate date(value);
    if (date.year == 0 || date.frequency == 0) return pfuncfail(c, invalid);
    char buffer[20];
    date.print(buffer, '4');
    c.result = buffer;
    return 0;
}

// ---- 24. values left by the Excel link ----

int pfexcel(PfuncCall& c) {
    if (c.key == "xls") c.result = excelSession.lastText();
    else if (c.key == "xldate") c.result = excelSession.dateListText(0);
    else if (c.key == "xlgdate") c.result = excelSession.dateText();
    else if (c.key == "xlyear") c.result = intToText(excelSession.year());
    else if (c.key == "xlquarter") c.result = intToText(excelSession.quarter());
    else if (c.key == "xlmonth") c.result = intToText(excelSession.month());
    else c.result = intToText(excelSession.day());
    return 0;
}

// ---- 25. fonts and colours ----

int pffont(PfuncCall& c) {
    const std::string& k = c.key;
    if (k == "autocomplete") {
        c.result = autoComplete ? "1" : "0";
        return 0;
    }
    if (k == "mainautofontsize") {
        c.result = mainAutoFontSize ? "1" : "0";
        return 0;
    }
    const bool main = k.compare(0, 4, "main") == 0;
    const WindowFont& f = main ? mainFont : editorFont;
    const std::string what = k.substr(main ? 4 : 2);
    auto flag = [&](bool b) { c.result = b ? "1" : "0"; };
    if (what == "fontname") c.result = f.name;
    else if (what == "fontsize") c.result = intToText(f.size);
    else if (what == "fontcolor") c.result = intToText(f.color);
    else if (what == "color") c.result = intToText(main ? mainColor : editorColor);
    else if (what == "fontcharset") c.result = intToText(f.charset);
    else if (what == "fontbold") flag(f.bold);
    else if (what == "fontitalic") flag(f.italic);
    else if (what == "fontunderline") flag(f.underline);
    else flag(f.strikeout);
    return 0;
}

// ---- 26. the value of a series expression at a date ----

int pfeval(PfuncCall& c) {
    const std::string& expression = c.arg(1);
    const float dateNumber = textToFloat(c.arg(2));
    const JexDate date(dateNumber);
    // The expression is read as a line of its own, ended by a ',' and a newline.
    if (expression.size() + 3 > static_cast<std::size_t>(commandBufferSize)) {
        if (!pfuncquiet())
            printout("\nError:  in \"%%%s()\", the expression is longer than %d characters.\n",
                     c.name.c_str(), commandBufferSize - 3);
        return pfuncfail(c, nullptr);
    }
    std::vector<float> values(2000, 0.0f);
    std::vector<char> exprText(commandBufferSize, 0);
    int delimiter;
    {
        // The running input is set aside whole and comes back as it was, whatever the
        // expression does. The expression is typed input, which is never refilled, so it
        // cannot read on into the next line of an add file or a replay list.
        ReaderSnapshot keep;
        keyboardInput = 'y';
        replayMode = 'n';
        replayList = nullptr;
        replayCursor = 0;
        addPrint = 0;
        saveEcho = 'n';
        annSaveEcho = 'n';
        std::string line = expression + ",\n";
        std::memcpy(commandBuffer, line.c_str(), line.size() + 1);
        resetreader();
        fixedTokenWidth = 0;
        char* cursor = exprText.data();
        delimiter = rhs(values.data(), nullptr, cursor, exprText.size());
    }
    if (delimiter == 27) return 27;
    if (delimiter != ',') return pfuncfail(c, "\nError:  in \"%%%s()\", error in expression.\n");
    // A negative date number lies before any workspace (the date type would read it as a
    // short year).
    int i = dateNumber < 0 ? -1 : date.wsIndex();
    if (i < 0) return pfuncfail(c, "\nError:  in \"%%%s()\" command, date is before start date in jex.cfg.\n");
    if (i >= wsMaxObs || i >= static_cast<int>(values.size()))
        return pfuncfail(c, "\nError:  in \"%%%s()\" command, date exceeds the end of the workspace.\n");
    int d = widthGiven ? decs : 3;
    if (d < 0) d = 0;
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, "%-30.*f", d, static_cast<double>(values[static_cast<std::size_t>(i)]));
    if (n < 0 || n >= static_cast<int>(sizeof buffer))
        n = std::snprintf(buffer, sizeof buffer, "%.17g", static_cast<double>(values[static_cast<std::size_t>(i)]));
    std::string out(buffer);
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    c.result = out;
    return 0;
}

// ---- 27 to 29. existence tests and bank sizes ----

int pfexists(PfuncCall& c) {
    std::string name = c.arg(1).substr(0, 90);
    char* noText = nullptr;
    c.result = fetchseries(name.c_str(), nullptr, noText, nullptr, 0) == 0 ? "1" : "0";
    return 0;
}

int pfsexists(PfuncCall& c) {
    std::string value;
    c.result = stringStore.value(c.arg(1), value) == 0 ? "1" : "0";
    return 0;
}

int pfnseries(PfuncCall& c) {
    const std::string& letter = c.arg(1);
    const DataBank* bank = nullptr;
    char first = letter.empty() ? 0 : letter[0];
    if (first == 'w') {
        bank = workspaceBank;
    } else if (first >= 'a' && first <= 'z' && bankTypes[first - 'a'] != ' ') {
        bank = bankSlots[first - 'a'];
    }
    if (!bank) return pfuncfail(c, nullptr);  // no message
    c.result = intToText(bank->seriesCount());
    return 0;
}

// ---- 30. %if ----

int pfif(PfuncCall& c) {
    std::string token;
    int cls = 0;
    if (stringtoken(token, c.text, c.pos, cls) < 0 && cls > 0) return cls;
    if (cls != '(') {
        c.cls = -1;
        return pfuncargfail(c, "\nError:  the \"%%if()\" function must be followed by a \"(\".\n", true);
    }
    unsigned char truth = 0;
    int st = percentif(c.text, c.pos, cls, truth);
    if (st > 0) return st;
    if (st != 0) {
        c.cls = -1;
        return pfuncargfail(c, "\nError:  in the arguments for the \"%%if()\" command.\n", true);
    }
    const char* const need =
        "\nError:  in %%%s() routine, need \n\t'%%%s(<condition> ,<if_true_string>, <if_false_string>)'.\n";
    if (parseargs(c.text, c.pos, c.cls, "S,S)", c.list) == -1) return pfuncargfail(c, need, true);
    if (c.list.size() != 4) return pfuncargfail(c, need, false);
    c.result = truth ? c.list[0] : c.list[2];
    return 0;
}
