// %-functions that read the program's state: %eval over the workspace (and the reader
// state it must give back), existence tests, bank sizes, spreadsheet columns, date
// settings, Excel values, fonts, the date and the time.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "excel/excel.h"
#include "interp/percent_functions.h"
#include "interp/strings.h"
#include "platform/platform.h"
#include "shell/mainform.h"
#include "tests/interp/reader_fixture.h"  // PercentOutcome, startscript
#include "tests/series/series_fixture.h"

namespace pfunc_state_test {

namespace {

using seriestest::M;

class PfuncState : public seriestest::SeriesFixture {
protected:
    void SetUp() override {
        SeriesFixture::SetUp();
        stringStore.reset();
        store("gdp", {1, 2, 3});
    }
    void TearDown() override {
        stringStore.reset();
        if (file_) std::fclose(file_);
        SeriesFixture::TearDown();
    }
    using Outcome = PercentOutcome;
    Outcome call(std::string text) {
        output();
        std::size_t pos = 0;
        std::string result;
        int st = percentfunction(result, text, pos);
        return {st, result, text.substr(pos), output()};
    }
    std::string eval(const std::string& text) {
        Outcome o = call(text);
        return o.status == 0 ? o.result : "<status " + std::to_string(o.status) + ">";
    }
    std::FILE* file_ = nullptr;
};

TEST_F(PfuncState, EvalGivesTheValueAtTheDate) {
    EXPECT_EQ(eval("eval(gdp,1991)\n"), "2.000");
    EXPECT_EQ(eval("getval(\"gdp*2+1\",1992)\n"), "7.000");
    EXPECT_EQ(eval("eval(gdp,1990)\n"), "1.000");
    EXPECT_EQ(eval("eval(gdp,1995)\n"), "-0.000");  // missing, written as its number
    EXPECT_EQ(eval("eval(\"gdp/3\",1990)\n"), "0.333");
    widthGiven = 1;
    decs = 1;
    EXPECT_EQ(eval("eval(gdp,1991)\n"), "2.0");
    widthGiven = 0;
    decsGiven = 1;  // only widthGiven chooses decs
    EXPECT_EQ(eval("eval(gdp,1991)\n"), "2.000");
}

TEST_F(PfuncState, EvalFailures) {
    struct Case {
        const char* text;
        const char* printed;  // the message of %eval itself (the expression may print first)
    };
    const Case cases[] = {
        {"eval(gdp,1980)\n", "\nError:  in \"%eval()\" command, date is before start date in jex.cfg.\n"},
        {"eval(gdp,-5)\n", "\nError:  in \"%eval()\" command, date is before start date in jex.cfg.\n"},
        {"eval(gdp,2010)\n", "\nError:  in \"%eval()\" command, date exceeds the end of the workspace.\n"},
        {"getval(gdp,2500)\n", "\nError:  in \"%getval()\" command, date exceeds the end of the workspace.\n"},
        {"eval(\"gdp gdp\",1991)\n", "\nError:  in \"%eval()\", error in expression.\n"},
        {"eval(\"gdp+\",1991)\n", "\nError:  in \"%eval()\", error in expression.\n"},
        {"eval(\"(gdp\",1991)\n", "\nError:  in \"%eval()\", error in expression.\n"},
        {"eval(gdp)\n", "\nError:  in %eval() routine, need \n\t'%eval(<string>,<number>)'.\n"},
        {"eval(gdp,x)\n", "\nError:  in %eval() routine, need \n\t'%eval(<string>,<number>)'.\n"},
    };
    for (const Case& c : cases) {
        Outcome o = call(c.text);
        EXPECT_EQ(o.status, -1) << c.text;
        EXPECT_EQ(o.result, "") << c.text;
        ASSERT_GE(o.printed.size(), std::strlen(c.printed)) << c.text << o.printed;
        EXPECT_EQ(o.printed.substr(o.printed.size() - std::strlen(c.printed)), c.printed) << c.text;
    }
    percentMode = 2;
    Outcome q = call("eval(gdp,1980) x\n");
    EXPECT_EQ(q.status, 0);
    EXPECT_EQ(q.printed, "");
    EXPECT_EQ(q.rest, " x\n");
}

TEST_F(PfuncState, EvalGivesTheReaderBackWhole) {
    // An add file whose first line is being read; the expression is evaluated in the middle
    // of it and must neither disturb that line nor read the next one.
    startscript(file_, "first %eval(\"gdp+\",1991) line\nsecond line\n");
    char token[78];
    ASSERT_EQ(gettoken(token, file_, 0, sizeof token), 'a');
    ASSERT_STREQ(token, "first");
    ungettoken();
    const std::string bufferBefore(commandBuffer);
    const std::ptrdiff_t offsetBefore = readPointer - commandBuffer;
    const int lastCharBefore = lastChar;
    const std::string tokenBefore(lastToken);
    const long filePosition = std::ftell(file_);

    for (const char* text : {"eval(\"gdp+\",1991)\n", "eval(gdp,1991)\n", "eval(\"(gdp\",1980)\n"}) {
        Outcome o = call(text);
        EXPECT_EQ(o.status, std::strcmp(text, "eval(gdp,1991)\n") == 0 ? 0 : -1) << text;
        EXPECT_EQ(std::string(commandBuffer), bufferBefore) << text;
        EXPECT_EQ(readPointer - commandBuffer, offsetBefore) << text;
        EXPECT_EQ(lastChar, lastCharBefore) << text;
        EXPECT_EQ(std::string(lastToken), tokenBefore) << text;
        EXPECT_EQ(tokenPushedBack, 1) << text;
        EXPECT_EQ(keyboardInput, 'n') << text;
        EXPECT_EQ(addPrint, 1) << text;
        EXPECT_EQ(std::ftell(file_), filePosition) << text;
        EXPECT_TRUE(textPushBack.empty()) << text;
    }
    // The add file reads on from where it was.
    ASSERT_EQ(gettoken(token, file_, 0, sizeof token), 'a');
    EXPECT_STREQ(token, "first");
}

TEST_F(PfuncState, ExistenceTestsAndBankSizes) {
    stringStore.set("h", "x");
    const std::pair<const char*, const char*> cases[] = {
        {"exists(gdp)\n", "1"},     {"exist(w.gdp)\n", "1"},  {"exists(nosuch)\n", "0"},
        {"exists(\"gdp\")\n", "1"}, {"sexists(h)\n", "1"},    {"sexist(hh)\n", "0"},
        {"nseries(w)\n", "1"},      {"nseries(\"ws\")\n", "1"}, {"nseries(q)\n", "<status -1>"},
        {"nseries(\"1\")\n", "<status -1>"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(eval(text), expected) << text;
    store("cons", {4});
    EXPECT_EQ(eval("nseries(w)\n"), "2");
    EXPECT_EQ(output(), "");  // a free slot fails without a message
    percentMode = 2;
    Outcome q = call("nseries(q) x\n");
    EXPECT_EQ(q.status, 0);
    EXPECT_EQ(q.result, "");
    EXPECT_EQ(q.rest, " x\n");
}

TEST_F(PfuncState, SpreadsheetColumns) {
    const std::pair<const char*, const char*> cases[] = {
        {"xlcol(1)\n", "A"},      {"xlcol(26)\n", "Z"},     {"xlcol(27)\n", "AA"},
        {"xlcol(28)\n", "AB"},    {"xlcol(256)\n", "IV"},   {"xlcol(AB)\n", "28"},
        {"xlcol(ab)\n", "28"},    {"xlcol(\"iv\")\n", "256"}, {"xlcol(A)\n", "1"},
        {"xlcol(ABC)\n", "28"},   {"xlcol(0)\n", "<status -1>"}, {"xlcol(\"\")\n", "<status -1>"},
        {"xlcol(\"A1\")\n", "<status -1>"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(eval(text), expected) << text;
    EXPECT_EQ(output(), "");
    EXPECT_EQ(eval("xlcol(257)\n"), "-1");
    EXPECT_EQ(output(), "");  // eval's call() collects the output itself
    Outcome o = call("xlcol(257)\n");
    EXPECT_EQ(o.printed, "\nError:  cannot have columns beyond \"IV\".\n");
    o = call("xlcol(300)\n");
    EXPECT_EQ(o.result, "-1");
    EXPECT_EQ(o.printed, "\nError:  cannot have columns before \"A\" or beyond \"IV\".\n");
}

TEST_F(PfuncState, DateSettings) {
    // Unset f dates (the series layer keeps -1), print dates, graph dates, regression limits.
    Outcome o = call("fdate1\n");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.printed, "\nError:  Invalid %fdate1 syntax.\n");
    fdate1 = 1990;
    fdate2 = 2000.2f;
    EXPECT_EQ(eval("fdate1\n"), "1990");
    EXPECT_EQ(eval("fdates1\n"), "1990");
    EXPECT_EQ(eval("fdates2\n"), "2000.2");
    fdate2 = 1995.011f;
    EXPECT_EQ(eval("fdate2\n"), "1995.011");
    o = call("fdate3\n");
    EXPECT_EQ(o.printed, "\nError:  Invalid %fdate3 syntax.\n");

    o = call("tdate1\n");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.printed, "\nError:  tdates have not been set.\n\nError:  Invalid %tdate1 syntax.\n");
    printDates[0] = 1991;
    printDates[1] = 1999.5f;
    percentMode = 2;
    EXPECT_EQ(eval("tdate1\n"), "1991");  // quiet mode skips the precondition
    percentMode = 1;
    printDatesSet = 'y';
    EXPECT_EQ(eval("tdates2\n"), "1999.5");

    o = call("gdate2\n");
    EXPECT_EQ(o.printed, "\nError:  gdates have not been set.\n\nError:  Invalid %gdate2 syntax.\n");
    for (const char* name : {"lim1\n", "rdate2\n", "rdates3\n"}) {
        o = call(name);
        EXPECT_EQ(o.status, -1) << name;  // no regression limits in this build: unset
    }
    percentMode = 2;
    o = call("lim2 x\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.result, "");
    EXPECT_EQ(o.printed, "");
    EXPECT_EQ(o.rest, " x\n");
}

TEST_F(PfuncState, ExcelValuesComeFromTheLink) {
    // Before any read: nothing read, no date list, the date fields of the start (no f
    // range: the year 2000, annual).
    excelSession.reset();
    EXPECT_EQ(eval("xls\n"), "");
    EXPECT_EQ(eval("xldate\n"), "-1");
    EXPECT_EQ(eval("xlgdate\n"), "2000");
    const std::pair<const char*, const char*> start[] = {
        {"xlyear\n", "2000"}, {"xlquarter\n", "1"}, {"xlmonth\n", "1"}, {"xlday\n", "0"}};
    for (const auto& [name, value] : start) EXPECT_EQ(eval(name), value) << name;

    // Quarterly dates read from a sheet: the first entry, the last date read and its fields.
    ASSERT_EQ(excelSession.OpenWorkbook(""), 0);
    const float months[] = {1990.001f, 1990.004f, 1990.007f};
    ASSERT_EQ(excelSession.WriteNumberArray("A", 1, 'd', 3, months, 12), 0);
    ASSERT_EQ(excelSession.setFrequency(4), 0);
    std::string text;
    ASSERT_EQ(excelSession.ReadDates("A", 1, text, 1, "A", 3), 0);
    excelSession.setLastText("read");
    const std::pair<const char*, const char*> read[] = {
        {"xls\n", "read"},   {"xldate\n", "1990.1"}, {"xlgdate\n", "1990.3"}, {"xlyear\n", "1990"},
        {"xlquarter\n", "3"}, {"xlmonth\n", "7"},     {"xlday\n", "1"}};
    for (const auto& [name, value] : read) EXPECT_EQ(eval(name), value) << name;
    excelSession.reset();
}

TEST_F(PfuncState, FontsAndColours) {
    const WindowFont savedMain = mainFont, savedEditor = editorFont;
    const int savedColors[] = {mainColor, editorColor};
    const bool savedSwitches[] = {mainAutoFontSize, autoComplete};
    mainFont = WindowFont{"Courier New", 11, -16777208, 1, true, false, true, false};
    editorFont = WindowFont{"Arial", 9, 255, 0, false, true, false, true};
    mainColor = 16777215;
    editorColor = -5;
    mainAutoFontSize = true;
    autoComplete = false;
    const std::pair<const char*, const char*> cases[] = {
        {"mainfontname\n", "Courier New"}, {"mainfontsize\n", "11"}, {"mainfontcolor\n", "-16777208"},
        {"maincolor\n", "16777215"},       {"mainfontcharset\n", "1"}, {"mainfontbold\n", "1"},
        {"mainfontitalic\n", "0"},         {"mainfontunderline\n", "1"}, {"mainfontstrikeout\n", "0"},
        {"mainautofontsize\n", "1"},       {"autocomplete\n", "0"},   {"edfontname\n", "Arial"},
        {"edfontsize\n", "9"},             {"edfontcolor\n", "255"},  {"edcolor\n", "-5"},
        {"edfontcharset\n", "0"},          {"edfontbold\n", "0"},     {"edfontitalic\n", "1"},
        {"edfontunderline\n", "0"},        {"edfontstrikeout\n", "1"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(eval(text), expected) << text;
    mainFont = savedMain;
    editorFont = savedEditor;
    mainColor = savedColors[0];
    editorColor = savedColors[1];
    mainAutoFontSize = savedSwitches[0];
    autoComplete = savedSwitches[1];
}

TEST_F(PfuncState, DateAndTimeOfTheClock) {
    std::time_t t = static_cast<std::time_t>(platform::unixTimeNow());
    std::tm local{};
    localtime_r(&t, &local);
    char today[64];
    std::strftime(today, sizeof today, "%x", &local);
    EXPECT_EQ(eval("date\n"), today);
    std::string now = eval("time\n");
    ASSERT_EQ(now.size(), 8u);
    EXPECT_EQ(now[2], ':');
    EXPECT_EQ(now[5], ':');
}

}  // namespace

}  // namespace pfunc_state_test
