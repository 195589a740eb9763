// The calling frame of the %-functions: matching names against the chain (exact, first
// letters, beginning), reading argument lists against signatures, and the failure
// protocol in normal and quiet mode.
#include <string>
#include <vector>

#include "interp/percent_functions.h"
#include "interp/strings.h"
#include "tests/interp/reader_fixture.h"

namespace pfunc_frame_test {

namespace {

class PfuncFrame : public ReaderFixture {
protected:
    void SetUp() override {
        ReaderFixture::SetUp();
        stringStore.reset();
        stringStore.set("h", "hello");
        regressionResults.clear();
    }
    void TearDown() override {
        stringStore.reset();
        regressionResults.clear();
        ReaderFixture::TearDown();
    }
};

struct NameCase {
    const char* text;
    int status;
    const char* result;
    const char* rest;
    const char* printed;
};

const NameCase nameCases[] = {
    // first k characters: lit (3 of literal), elit (4 of eliteral), mod, ceil, numword...
    {"lit(\"a\\\"b%1\") x\n", 0, "a\\\"b%1", " x\n", ""},
    {"literal(\"q\")\n", 0, "q", "\n", ""},
    {"litmus(\"q\")\n", 0, "q", "\n", ""},
    {"li(\"q\")\n", -1, "", "(\"q\")\n", "\nError:  invalid keyword \"%li\".\n"},
    {"elit(\"a\\tb\")\n", 0, "a\tb", "\n", ""},
    {"eliteral(\"\\x\\\\\")\n", 0, "\\x\\", "\n", ""},
    {"eli(\"q\")\n", -1, "", "(\"q\")\n", "\nError:  invalid keyword \"%eli\".\n"},
    {"model(7,3)\n", 0, "1", "\n", ""},
    {"modulus(7,3)\n", 0, "1", "\n", ""},
    {"ceil(2.1)\n", 0, "3", "\n", ""},
    {"ceiling(2.1)\n", 0, "3", "\n", ""},
    {"cei(2.1)\n", -1, "", "(2.1)\n", "\nError:  invalid keyword \"%cei\".\n"},
    {"numwordsx\n", 0, "0", "\n", ""},
    {"numwor\n", -1, "", "\n", "\nError:  invalid keyword \"%numwor\".\n"},
    // beginning with the keyword: beta, format, the date groups
    {"beta12 x\n", 0, "NA", " x\n", ""},
    {"betax\n", 0, "NA", "\n", ""},
    {"limit\n", -1, "", "\n", "\nError:  Invalid %limit syntax.\n"},
    // exact names: a longer or differently cased name is another name
    {"see(1)\n", 0, "NA", "(1)\n", ""},  // reads no arguments: the parenthesis stays text
    {"sees\n", -1, "", "\n", "\nError:  invalid keyword \"%sees\".\n"},
    {"strlen(h)\n", 0, "5", "\n", ""},
    {"strlenx(h)\n", -1, "", "(h)\n", "\nError:  invalid keyword \"%strlenx\".\n"},
    {"Upper(h)\n", -1, "", "(h)\n", "\nError:  invalid keyword \"%Upper\".\n"},
    {"NARGS\n", 0, "0", "\n", ""},
    {"nargs\n", -1, "", "\n", "\nError:  invalid keyword \"%nargs\".\n"},
    {"ncoef\n", 0, "0", "\n", ""},
    {"rsq\n", 0, "NA", "\n", ""},
    // the chain order decides: linelen before line, title before titlecase
    {"linelength\n", 0, "0", "\n", ""},
    {"line\n", 0, "", "\n", ""},
    {"titlecase(\"hELLO wORLD\")\n", 0, "Hello World", "\n", ""},
};

class PfuncNames : public PfuncFrame, public ::testing::WithParamInterface<NameCase> {};

TEST_P(PfuncNames, MatchAsTheChainSays) {
    const NameCase& c = GetParam();
    Outcome o = call(c.text);
    EXPECT_EQ(o.status, c.status) << c.text;
    EXPECT_EQ(o.result, c.result) << c.text;
    EXPECT_EQ(o.rest, c.rest) << c.text;
    EXPECT_EQ(o.printed, c.printed) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Chain, PfuncNames, ::testing::ValuesIn(nameCases));

struct SignatureCase {
    const char* signature;
    const char* text;
    bool ok;
    int cls;
    const char* list;  // the tokens read, joined by '|'
};

const SignatureCase signatureCases[] = {
    {"(S,So,n)", "(\"a\",h)\n", true, 0, "(|a|,|hello|)"},
    {"(S,So,n)", "(\"a\",h,3)\n", true, 0, "(|a|,|hello|,|3|)"},
    {"(S,So,n)", "(\"a\",h 3)\n", false, -1, "(|a|,|hello|3"},
    {"(So,no,n)", "(\"x\")\n", true, 0, "(|x|)"},
    {"(So,no,n)", "(\"x\",2)\n", true, 0, "(|x|,|2|)"},
    {"(So,no,n)", "(\"x\",2,-3)\n", true, 0, "(|x|,|2|,|-3|)"},
    {"(n,n)", "(-2,1)\n", true, 0, "(|-2|,|1|)"},
    {"(n)", "(x)\n", false, -1, "(|x"},
    {"(A)", "(AB)\n", true, 0, "(|AB|)"},
    {"(A)", "(\"AB\")\n", true, 0, "(|AB|)"},
    {"(A)", "(12)\n", true, 0, "(|12|)"},
    {"(A)", "(-1)\n", false, -1, "(|-"},
    {"(s)", "(a.gdp)\n", true, 0, "(|a.gdp|)"},
    {"(s)", "(\"x y\")\n", true, 0, "(|x y|)"},
    {"(S)", "(nosuch)\n", false, -1, "("},
    {"(l)", "(\"a\\\"b %1\")\n", true, 0, "(|a\\\"b %1|)"},
    {"(l)", "(abc)\n", false, -1, "("},
    {"(no", "(1)\n", false, -1, "(|1"},  // 'o' may not end a signature
    {"(S)", "(\"unclosed\n", false, -1, "("},
};

class PfuncSignatures : public PfuncFrame, public ::testing::WithParamInterface<SignatureCase> {};

TEST_P(PfuncSignatures, ReadTheTokensTheyAskFor) {
    const SignatureCase& c = GetParam();
    std::string text = c.text;
    std::size_t pos = 0;
    int cls = 99;
    std::vector<std::string> list;
    int st = parseargs(text, pos, cls, c.signature, list);
    EXPECT_EQ(st >= 0, c.ok) << c.signature << " " << c.text;
    EXPECT_EQ(cls, c.cls) << c.signature << " " << c.text;
    std::string joined;
    for (std::size_t i = 0; i < list.size(); ++i) joined += (i ? "|" : "") + list[i];
    EXPECT_EQ(joined, c.list) << c.signature << " " << c.text;
}

INSTANTIATE_TEST_SUITE_P(Letters, PfuncSignatures, ::testing::ValuesIn(signatureCases));

// The failure protocol, each case in normal and in quiet mode.
struct FailureCase {
    const char* text;
    int status;           // normal mode
    const char* printed;  // normal mode
    int quietStatus;
    const char* quietRest;
    const char* quietPrinted;
};

const FailureCase failureCases[] = {
    // a mismatch: the rest of the call (its ')') goes with it in quiet mode
    {"strlen(x) tail\n", -1, "\nError:  in %strlen() routine, need \n\t'%strlen(<string>)'.\n", 0,
     " tail\n", ""},
    // a list of a size the function does not take: empty text, status 0, the text after
    // the list kept in both modes
    {"strncmp(\"abc\",\"abd\")tail\n", 0,
     "\nError:  in %strncmp() routine, need \n\t'%strncmp(<string>,<string>,<int>)'.\n", 0,
     "tail\n", ""},
    {"strncmp(\"abc\",\"abd\" 1)tail\n", -1,
     "\nError:  in %strncmp() routine, need \n\t'%strncmp(<string>,<string>)'.\n", 0, "tail\n", ""},
    // an invalid keyword: nothing more is read in quiet mode
    {"zzz(1) tail\n", -1, "\nError:  invalid keyword \"%zzz\".\n", 0, "(1) tail\n", ""},
    // a failure after the whole list was read
    {"s(h,0)tail\n", -1, "\nError:  in %s() routine, need \n\t'%s(<string> [,<int> [,<int]])'.\n", 0,
     "tail\n", ""},
    {"s(h,3,2)tail\n", -1, "\nError:  in %s() routine, need \n\t'%s(<string> [,<int> [,<int]])'.\n", 0,
     "tail\n", ""},
    // failures that print and fail in quiet mode too
    {"format4 x\n", -1, "\nError:  %format4 keyword not found.\n", -1, " x\n",
     "\nError:  %format4 keyword not found.\n"},
    {"formatted2 x\n", -1, "\nError:  %formatted2 keyword not found.\n", -1, " x\n",
     "\nError:  %formatted2 keyword not found.\n"},
    // %xlcol fails silently with -1 in both modes
    {"xlcol(0) x\n", -1, "", -1, " x\n", ""},
    {"xlcol(\"#\")x\n", -1, "", -1, "x\n", ""},
    {"xlcol(-1)x\n", -1, "\nError:  in %xlcol() routine, need \n\t'%xlcol(<int>)'.\n", 0, ")x\n", ""},
    // missing arguments and unbalanced parentheses
    {"upper\n", -1, "\nError:  in %upper() routine, need \n\t'%upper(<string>)'.\n", 0, "", ""},
    {"upper()\n", -1, "\nError:  in %upper() routine, need \n\t'%upper(<string>)'.\n", 0, "", ""},
    {"upper(h\n", -1, "\nError:  in %upper() routine, need \n\t'%upper(<string>)'.\n", 0, "", ""},
    {"max(1,)\n", -1, "\nError:  in %max() routine, need \n\t'%max(<number>,<number>)'.\n", 0, "", ""},
    {"strnset(\"ab\",5000)x\n", -1,
     "\nError:  in %strnset() routine, the result would be longer than 2999 characters.\n", 0, "x\n", ""},
};

class PfuncFailures : public PfuncFrame, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PfuncFailures, FollowTheProtocolInBothModes) {
    const FailureCase& c = GetParam();
    Outcome o = call(c.text);
    EXPECT_EQ(o.status, c.status) << c.text;
    EXPECT_EQ(o.result, "") << c.text;
    EXPECT_EQ(o.printed, c.printed) << c.text;
    percentMode = 2;
    Outcome q = call(c.text);
    EXPECT_EQ(q.status, c.quietStatus) << "quiet " << c.text;
    EXPECT_EQ(q.result, "") << "quiet " << c.text;
    EXPECT_EQ(q.rest, c.quietRest) << "quiet " << c.text;
    EXPECT_EQ(q.printed, c.quietPrinted) << "quiet " << c.text;
}

INSTANTIATE_TEST_SUITE_P(Protocol, PfuncFailures, ::testing::ValuesIn(failureCases));

TEST_F(PfuncFrame, AnUnreadableNameGivesTheTokenizersFailure) {
    // The name runs into the end of the text: nothing can be read.
    Outcome o = call("abc");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.printed, "");
}

TEST_F(PfuncFrame, AFailedCallLeavesNoResultBehind) {
    std::string text = "strlen(x)\n";
    std::size_t pos = 0;
    std::string result = "stale";
    EXPECT_EQ(percentfunction(result, text, pos), -1);
    EXPECT_EQ(result, "");
    EXPECT_EQ(text, "strlen(x)\n");  // the function never rewrites the text it reads
}

}  // namespace

}  // namespace pfunc_frame_test
