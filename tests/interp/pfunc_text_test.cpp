// %-functions on text and numbers: literals, trimming, case, arithmetic under the print
// settings, string operations, substrings and words, script arguments, regression
// statistics and format settings; and the number/text converters.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "interp/percent_functions.h"
#include "interp/strings.h"
#include "series/series_state.h"
#include "shell/version.h"
#include "tests/interp/reader_fixture.h"

namespace pfunc_text_test {

namespace {

class PfuncText : public ReaderFixture {
protected:
    void SetUp() override {
        ReaderFixture::SetUp();
        resetseriesstate();
        stringStore.reset();
        stringStore.set("h", "hello");
        regressionResults.clear();
    }
    void TearDown() override {
        resetseriesstate();
        stringStore.reset();
        regressionResults.clear();
        ReaderFixture::TearDown();
    }
    // The result of the function that starts `text`, or "<status N>" when it fails.
    std::string eval(std::string text) {
        std::size_t pos = 0;
        std::string result;
        int st = percentfunction(result, text, pos);
        if (st != 0) return "<status " + std::to_string(st) + ">";
        return result;
    }
    std::string printed() { return results() + pendingLine(); }
};

struct TextCase {
    const char* text;
    const char* expected;
};

// With the start-up print settings: decs 1, decsGiven 0.
const TextCase textCases[] = {
    {"trim(\"  ab  \")\n", "ab"},
    {"trim(\" \t\fab\r\v \")\n", "ab"},
    {"trimright(\"xxabxx\",\"x\")\n", "xxab"},
    {"trimleft(\"xxabxx\",\"x\")\n", "abxx"},
    {"trim(\"abc\",\"abc\")\n", ""},
    {"trim(\"--ab-\t\",\"-\\t\")\n", "ab"},         // \t in the set is a tab
    {"trim(\"\\\\ab\\\\\",\"\\\\\")\n", "ab"},      // \\ in the set is one backslash
    {"trim(\"\\qab\\q\",\"\\q\")\n", "ab"},         // \q stands for both characters
    {"lower(\"MiXeD 1\")\n", "mixed 1"},
    {"upper(h)\n", "HELLO"},
    {"titlecase(\"hELLO wORLD\")\n", "Hello World"},
    {"titlecase(\"a\tbC D\")\n", "A\tBc D"},
    {"fabs(-2.25)\n", "2.2"},                      // fixed with decs (1) decimals
    {"ceiling(2.1)\n", "3"},
    {"floor(-2.1)\n", "-3"},
    {"modulus(7,3)\n", "1"},
    {"mod(-7,3)\n", "-1"},                          // the sign of x, as fmod
    {"max(1,2)\n", "2"},
    {"max(-2,1)\n", "1"},
    {"min(1,2)\n", "1"},
    {"min(0.5,0.25)\n", "0.25"},                    // general form while decsGiven is 0
    {"max(1234567,1)\n", "1.23457e+06"},
    {"strnset(\"ab\",3)\n", "ababab"},
    {"strnset(\"ab\",0)\n", ""},
    {"strnset(\"ab\",-1)\n", ""},
    {"strstr(\"hello\",\"ll\")\n", "llo"},
    {"strstr(h,\"z\")\n", ""},
    {"strlen(\"a\")\n", "1"},
    {"strlen(\"\")\n", "0"},
    {"strcmp(\"abc\",\"abd\")\n", "-1"},
    {"strcmp(\"b\",\"a\")\n", "1"},
    {"strcmp(\"ab\",\"abc\")\n", "-1"},
    {"strcmp(\"abc\",\"ab\")\n", "1"},
    {"strcmp(\"a\",\"a\",99)\n", "0"},               // the third argument is ignored
    {"strcmp(\"a\",\"z\")\n", "-25"},
    {"strcmpi(\"ABC\",\"abd\")\n", "-1"},
    {"strcmpi(\"AbC\",\"aBc\")\n", "0"},
    {"strncmp(\"abc\",\"abd\",2)\n", "0"},
    {"strncmp(\"ab\",\"abc\",3)\n", "-1"},
    {"strncmp(\"abc\",\"abd\",3)\n", "-1"},
    {"strncmp(\"b\",\"a\",1)\n", "1"},
    {"strncmpi(\"ABx\",\"aby\",2)\n", "0"},
    {"strncmpi(\"ABx\",\"aby\",3)\n", "-1"},
    {"s(\"hello\",2,4)\n", "ell"},
    {"s(\"hello\",2,99)\n", "ello"},
    {"s(\"hello\",2,-1)\n", "ello"},
    {"s(\"hello\",5)\n", "o"},
    {"s(h)\n", "hello"},
    {"s(\"hello\",0)\n", "<status -1>"},
    {"s(\"hello\",6)\n", "<status -1>"},
    {"s(\"hello\",3,2)\n", "<status -1>"},
    {"lit(\"%{1+1}\")\n", "%{1+1}"},
    {"elit(\"a\\nb\\\\c\\\"d\\'e\\qf\")\n", "a\nb\\c\"d'e\\qf"},
    {"elit(\"\\a\\b\\f\\r\")\n", "\a\b\f\r"},
};

class PfuncTextCases : public PfuncText, public ::testing::WithParamInterface<TextCase> {};

TEST_P(PfuncTextCases, GiveTheirText) {
    EXPECT_EQ(eval(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Functions, PfuncTextCases, ::testing::ValuesIn(textCases));

TEST_F(PfuncText, ArithmeticFollowsThePrintSettingsAndRestoresThem) {
    decs = 2;
    decsGiven = 0;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.2f", std::log(10.0));
    EXPECT_EQ(eval("log(10)\n"), expected);  // always fixed with decs decimals
    EXPECT_EQ(eval("log(10)\n"), "2.30");
    std::snprintf(expected, sizeof expected, "%.2f", std::exp(1.0));
    EXPECT_EQ(eval("exp(1)\n"), expected);
    EXPECT_EQ(eval("max(1,2)\n"), "2");      // the current settings: general form
    EXPECT_EQ(eval("ceiling(2.1)\n"), "3");
    EXPECT_EQ(decs, 2);
    EXPECT_EQ(decsGiven, 0);

    decsGiven = 1;
    EXPECT_EQ(eval("max(1,2)\n"), "2.00");
    EXPECT_EQ(eval("mod(7.5,2)\n"), "1.50");
    // Results without a decimal point are padded to decs decimals.
    EXPECT_EQ(eval("log(0)\n"), "-inf.00");
    EXPECT_EQ(eval("mod(1,0)\n").substr(eval("mod(1,0)\n").size() - 3), ".00");
    EXPECT_EQ(decs, 2);
    EXPECT_EQ(decsGiven, 1);
}

TEST_F(PfuncText, StrnsetStaysWithinTheCommandLine) {
    EXPECT_EQ(eval("strnset(\"x\",2999)\n"), std::string(2999, 'x'));
    EXPECT_EQ(eval("strnset(\"x\",3000)\n"), "<status -1>");
    EXPECT_EQ(eval("strnset(\"ab\",2147483647)\n"), "<status -1>");
    EXPECT_EQ(eval("strnset(\"ab\",99999999999999)\n"), "<status -1>");  // read as the int limit
    EXPECT_NE(printed().find("the result would be longer than 2999 characters"), std::string::npos);
}

TEST_F(PfuncText, EliteralRefusesTheCharacterCodeZero) {
    EXPECT_EQ(eval("elit(\"a\\0b\")\n"), "<status -1>");
    EXPECT_EQ(printed(),
              "\nError:  in %elit() routine, \"\\0\" (the character code 0) cannot stand in a command.\n");
    percentMode = 2;
    EXPECT_EQ(eval("eliteral(\"a\\0b\")\n"), "");
}

TEST_F(PfuncText, ScriptArgumentsAndWords) {
    EXPECT_EQ(eval("NARGS\n"), "0");
    setArgs({"x", "y"});
    EXPECT_EQ(eval("NARGS\n"), "2");
    setArgs(std::vector<std::string>(120, "a"));
    EXPECT_EQ(eval("NARGS\n"), "99");

    typed("\"alpha beta gamma\"");
    ASSERT_EQ(stringStore.parse(nullptr), 0);
    EXPECT_EQ(eval("numwords\n"), "3");
    EXPECT_EQ(eval("w(2)\n"), "beta");
    EXPECT_EQ(eval("w(3,2,4)\n"), "amm");
    EXPECT_EQ(eval("w(1,5)\n"), "a");
    EXPECT_EQ(eval("w(1,1,99)\n"), "<status -1>");  // b is not cut to the word
    EXPECT_EQ(eval("w(1,2,-1)\n"), "<status -1>");
    // No such word: the message, an empty text and status 0.
    EXPECT_EQ(eval("w(4)\n"), "");
    EXPECT_NE(printed().find("\nError:  in %w() routine, need \n\t'%w(<string> [,<int> [,<int]])'.\n"),
              std::string::npos);
    EXPECT_EQ(eval("version\n"), versionText);
}

TEST_F(PfuncText, RegressionStatisticsComeFromTheLastRegression) {
    EXPECT_EQ(eval("ncoef\n"), "0");
    for (const char* name : {"rsq\n", "see\n", "beta1\n", "mexval2\n", "nobs\n", "obsinreg\n", "dw\n"})
        EXPECT_EQ(eval(name), "NA") << name;

    regressionResults = {{"ncoef", 3.0f},   {"beta1", 1.5f},     {"beta2", -0.25f},
                         {"beta3", 2.0f},   {"mexval1", 10.0f},  {"rsq", 0.987654f},
                         {"see", 1.25f},    {"obs_in_regress", 20.0f}};
    decs = 2;
    decsGiven = 0;
    EXPECT_EQ(eval("ncoef\n"), "3");
    EXPECT_EQ(eval("beta2\n"), "-0.25000");
    EXPECT_EQ(eval("beta3\n"), "2.00000");
    EXPECT_EQ(eval("beta4\n"), "0");  // outside 1..ncoef
    EXPECT_EQ(eval("beta\n"), "0");
    EXPECT_EQ(eval("mexval1\n"), "10.00000");
    EXPECT_EQ(eval("rsq\n"), "0.98765");
    EXPECT_EQ(eval("nobs\n"), "20");
    EXPECT_EQ(eval("obsinregression\n"), "20");
    EXPECT_EQ(decs, 2);  // the settings are back
    EXPECT_EQ(decsGiven, 0);
    EXPECT_EQ(eval("dw\n"), "<status -1>");
    EXPECT_EQ(eval("mexval2\n"), "<status -1>");
    EXPECT_EQ(printed(), "\nError:  %dw keyword not found.\n\nError:  %mexval2 keyword not found.\n");

    // A map without ncoef: the keyword message, in quiet mode too.
    regressionResults = {{"rsq", 0.5f}};
    percentMode = 2;
    EXPECT_EQ(eval("rsq\n"), "<status -1>");
    EXPECT_NE(printed().find("\nError:  in %rsq keyword.\n"), std::string::npos);
}

TEST_F(PfuncText, FormatSettings) {
    EXPECT_EQ(eval("format2\n"), "");
    EXPECT_EQ(eval("formatgiven2\n"), "0");
    decs = 3;
    decsGiven = 1;
    width = 12;
    EXPECT_EQ(eval("format2\n"), "3");
    EXPECT_EQ(eval("formatgiven2\n"), "1");
    EXPECT_EQ(eval("format1\n"), "");  // width is not marked as given
    widthGiven = 1;
    obsPerLineGiven = 1;
    EXPECT_EQ(eval("format1\n"), "12");
    EXPECT_EQ(eval("format3\n"), "6");
    EXPECT_EQ(eval("format\n"), "<status -1>");
    EXPECT_EQ(eval("format1x\n"), "<status -1>");
}

TEST_F(PfuncText, Titles) {
    EXPECT_EQ(eval("title\n"), "");
    EXPECT_EQ(eval("subtitle\n"), "");  // no graph subtitle in this build: its start value
    EXPECT_EQ(eval("vaxtitle\n"), "");
}

TEST(PfuncConvert, NumbersAndTexts) {
    resetseriesstate();
    EXPECT_EQ(textToInt("3.7"), 3);
    EXPECT_EQ(textToInt("abc"), 0);
    EXPECT_EQ(textToInt("  -12x"), -12);
    EXPECT_EQ(textToInt("99999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(textToDouble("2.5e1x"), 25.0);
    EXPECT_DOUBLE_EQ(textToDouble(""), 0.0);
    EXPECT_FLOAT_EQ(textToFloat("1990.2"), 1990.2f);
    EXPECT_EQ(intToText(-5), "-5");
    EXPECT_EQ(shortToText(-32768), "-32768");
    EXPECT_EQ(unsignedToText(4000000000u), "4000000000");
    EXPECT_EQ(floatToText(0.5f), "0.5");
    EXPECT_EQ(doubleToText(1234.5678), "1234.57");
    EXPECT_EQ(doubleToText(0.1234567), "0.123457");
    EXPECT_EQ(doubleToText(1e-7), "1e-07");
    decsGiven = 1;
    decs = 2;
    EXPECT_EQ(floatToText(0.5f), "0.50");
    EXPECT_EQ(doubleToText(-1234.5678), "-1234.57");
    resetseriesstate();
}

}  // namespace

}  // namespace pfunc_text_test
