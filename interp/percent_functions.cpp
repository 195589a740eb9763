// The calling frame of the %-functions: the chain of names, the signature reader and the
// failure protocol.
//
// Signatures: each character stands for one token of the argument list.
//   S  a quoted text (without its quotes), or a word naming a string variable (its value)
//   l  a double-quoted literal read with %-expansion off, backslash pairs kept
//   s  a word or a quoted text, taken as written
//   n  a number; a '-' followed by a number reads as the negative number
//   A  a number, a word or a quoted text
//   o  makes the next character optional: when the closing character of the signature
//      (its last) comes in its place, the list ends there
//   any other character: a token of exactly that class ('(', ',', ')')
#include "interp/percent_functions.h"

#include <cstring>

#include "core/printout.h"
#include "interp/pfunc_internal.h"
#include "interp/reader.h"
#include "interp/state.h"

std::map<std::string, float> regressionResults;

const char* const pfSubstringMessage =
    "\nError:  in %%%s() routine, need \n\t'%%%s(<string> [,<int> [,<int]])'.\n";

namespace {

// Argument-failure messages: printf formats that name the function twice.
const char* const needLiteral = "\nError:  in %%%s() routine, need \n\t'%%%s(\"<string>\")'.\n";
const char* const needTwoStrings = "\nError:  in %%%s() routine, need \n\t'%%%s(<string>,<string>)'.\n";
const char* const needTwoStringsInt =
    "\nError:  in %%%s() routine, need \n\t'%%%s(<string>,<string>,<int>)'.\n";
const char* const needString = "\nError:  in %%%s() routine, need \n\t'%%%s(<string>)'.\n";
const char* const needNumber = "\nError:  in %%%s() routine, need \n\t'%%%s(<number>)'.\n";
const char* const needTwoNumbers = "\nError:  in %%%s() routine, need \n\t'%%%s(<number>,<number>)'.\n";
const char* const needStringNumber = "\nError:  in %%%s() routine, need \n\t'%%%s(<string>,<number>)'.\n";
const char* const needSubstring = pfSubstringMessage;
const char* const needInt = "\nError:  in %%%s() routine, need \n\t'%%%s(<int>)'.\n";

enum class Match : unsigned char {
    Exact,   // the whole name equals the keyword
    Prefix,  // the name begins with the keyword (also the "first k characters" rule, the
             // keyword then being those k characters); whatever follows is ignored
};

constexpr unsigned sizes(int a, int b = 0, int c = 0) {
    return (1u << a) | (b ? 1u << b : 0u) | (c ? 1u << c : 0u);
}

struct Entry {
    const char* key;
    Match match;
    int (*fn)(PfuncCall&);
    const char* signature;        // null: the function reads no argument list itself
    unsigned accepted;            // bit n set: a list of n tokens is accepted
    const char* message;          // argument-failure message
    const char* sizeMessage;      // message for a list of a size not accepted (null: message)
};

constexpr Match E = Match::Exact;
constexpr Match P = Match::Prefix;

// The chain, tried in order; the first entry that matches decides.
const Entry chain[] = {
    // 1. literals
    {"lit", P, pflit, "(l)", sizes(3), needLiteral, nullptr},
    {"elit", P, pfelit, "(l)", sizes(3), needLiteral, nullptr},
    // 2. statistics of the last regression
    {"beta", P, pfregression, nullptr, 0, nullptr, nullptr},
    {"mexval", P, pfregression, nullptr, 0, nullptr, nullptr},
    {"see", E, pfregression, nullptr, 0, nullptr, nullptr},
    {"rsq", E, pfregression, nullptr, 0, nullptr, nullptr},
    {"rho", E, pfregression, nullptr, 0, nullptr, nullptr},
    {"rbarsq", E, pfregression, nullptr, 0, nullptr, nullptr},
    {"mape", E, pfregression, nullptr, 0, nullptr, nullptr},
    {"obsinreg", P, pfregression, nullptr, 0, nullptr, nullptr},
    {"nobs", P, pfregression, nullptr, 0, nullptr, nullptr},
    {"ncoef", E, pfregression, nullptr, 0, nullptr, nullptr},
    {"dw", E, pfregression, nullptr, 0, nullptr, nullptr},
    {"logl", E, pfregression, nullptr, 0, nullptr, nullptr},
    // 3. titles
    {"title", E, pftitle, nullptr, 0, nullptr, nullptr},
    {"subti", P, pftitle, nullptr, 0, nullptr, nullptr},
    {"vaxti", P, pftitle, nullptr, 0, nullptr, nullptr},
    // 4. print format settings
    {"format", P, pfformat, nullptr, 0, nullptr, nullptr},
    // 5. trimming
    {"trim", E, pftrim, "(So,l)", sizes(3, 5), needTwoStrings, nullptr},
    {"trimleft", E, pftrim, "(So,l)", sizes(3, 5), needTwoStrings, nullptr},
    {"trimright", E, pftrim, "(So,l)", sizes(3, 5), needTwoStrings, nullptr},
    // 6. case
    {"lower", E, pfcase, "(S)", sizes(3), needString, nullptr},
    {"upper", E, pfcase, "(S)", sizes(3), needString, nullptr},
    {"titlecase", E, pfcase, "(S)", sizes(3), needString, nullptr},
    // 7 to 9. arithmetic
    {"fabs", E, pfmath1, "(n)", sizes(3), needNumber, nullptr},
    {"log", E, pfmath1, "(n)", sizes(3), needNumber, nullptr},
    {"exp", E, pfmath1, "(n)", sizes(3), needNumber, nullptr},
    {"ceil", P, pfround, "(n)", sizes(3), needNumber, nullptr},
    {"floor", E, pfround, "(n)", sizes(3), needNumber, nullptr},
    {"mod", P, pfmath2, "(n,n)", sizes(5), needTwoNumbers, nullptr},
    {"max", E, pfmath2, "(n,n)", sizes(5), needTwoNumbers, nullptr},
    {"min", E, pfmath2, "(n,n)", sizes(5), needTwoNumbers, nullptr},
    // 10 to 13. string operations
    {"strnset", E, pfstrnset, "(S,n)", sizes(5), needStringNumber, nullptr},
    {"strstr", E, pfstrstr, "(S,S)", sizes(5), needTwoStrings, nullptr},
    {"strlen", E, pfstrlen, "(S)", sizes(3), needString, nullptr},
    {"strcmp", E, pfstrcmp, "(S,So,n)", sizes(5, 7), needTwoStrings, nullptr},
    {"strcmpi", E, pfstrcmp, "(S,So,n)", sizes(5, 7), needTwoStrings, nullptr},
    {"strncmp", E, pfstrcmp, "(S,So,n)", sizes(7), needTwoStrings, needTwoStringsInt},
    {"strncmpi", E, pfstrcmp, "(S,So,n)", sizes(7), needTwoStrings, needTwoStringsInt},
    // 14 to 16. script arguments and substrings
    {"NARGS", E, pfnargs, nullptr, 0, nullptr, nullptr},
    {"s", E, pfsubstring, "(So,no,n)", sizes(3, 5, 7), needSubstring, nullptr},
    {"w", E, pfword, "(no,no,n)", sizes(3, 5, 7), needSubstring, nullptr},
    // 17 to 20. string-store values and the version
    {"numword", P, pfstringstore, nullptr, 0, nullptr, nullptr},
    {"linelen", P, pfstringstore, nullptr, 0, nullptr, nullptr},
    {"line", E, pfstringstore, nullptr, 0, nullptr, nullptr},
    {"version", E, pfstringstore, nullptr, 0, nullptr, nullptr},
    // 21. spreadsheet columns
    {"xlcol", E, pfxlcol, "(A)", sizes(3), needInt, nullptr},
    // 22. date and time
    {"date", E, pfclock, nullptr, 0, nullptr, nullptr},
    {"time", E, pfclock, nullptr, 0, nullptr, nullptr},
    // 23. date settings
    {"fdate", P, pfdatesetting, nullptr, 0, nullptr, nullptr},
    {"tdate", P, pfdatesetting, nullptr, 0, nullptr, nullptr},
    {"gdate", P, pfdatesetting, nullptr, 0, nullptr, nullptr},
    {"lim", P, pfdatesetting, nullptr, 0, nullptr, nullptr},
    {"rdate", P, pfdatesetting, nullptr, 0, nullptr, nullptr},
    // 24. values left by the Excel link
    {"xls", E, pfexcel, nullptr, 0, nullptr, nullptr},
    {"xldate", E, pfexcel, nullptr, 0, nullptr, nullptr},
    {"xlgdate", E, pfexcel, nullptr, 0, nullptr, nullptr},
    {"xlyear", E, pfexcel, nullptr, 0, nullptr, nullptr},
    {"xlquarter", E, pfexcel, nullptr, 0, nullptr, nullptr},
    {"xlmonth", E, pfexcel, nullptr, 0, nullptr, nullptr},
    {"xlday", E, pfexcel, nullptr, 0, nullptr, nullptr},
    // 25. fonts and colours of the results window and the editor
    {"mainfontname", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainfontsize", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainfontcolor", E, pffont, nullptr, 0, nullptr, nullptr},
    {"maincolor", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainfontcharset", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainautofontsize", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainfontbold", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainfontitalic", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainfontunderline", E, pffont, nullptr, 0, nullptr, nullptr},
    {"mainfontstrikeout", E, pffont, nullptr, 0, nullptr, nullptr},
    {"autocomplete", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontname", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontsize", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontcolor", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edcolor", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontcharset", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontbold", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontitalic", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontunderline", E, pffont, nullptr, 0, nullptr, nullptr},
    {"edfontstrikeout", E, pffont, nullptr, 0, nullptr, nullptr},
    // 26 to 29. series values, existence tests, bank sizes
    {"eval", E, pfeval, "(s,n)", sizes(5), needStringNumber, nullptr},
    {"getval", E, pfeval, "(s,n)", sizes(5), needStringNumber, nullptr},
    {"exists", E, pfexists, "(s)", sizes(3), needString, nullptr},
    {"exist", E, pfexists, "(s)", sizes(3), needString, nullptr},
    {"sexists", E, pfsexists, "(s)", sizes(3), needString, nullptr},
    {"sexist", E, pfsexists, "(s)", sizes(3), needString, nullptr},
    {"nseries", E, pfnseries, "(s)", sizes(3), needStringNumber, nullptr},
    // 30. the choice of %if (reads its own condition and texts)
    {"if", E, pfif, nullptr, 0, nullptr, nullptr},
};

const Entry* findentry(const std::string& name) {
    for (const Entry& e : chain) {
        if (e.match == Match::Exact ? name == e.key : name.compare(0, std::strlen(e.key), e.key) == 0)
            return &e;
    }
    return nullptr;
}

}  // namespace

bool pfuncquiet() { return percentMode == 2; }

int pfuncfail(PfuncCall& call, const char* message) {
    call.result.clear();
    if (pfuncquiet()) return 0;
    if (message) printout(message, call.name.c_str(), call.name.c_str());
    return -1;
}

int pfuncargfail(PfuncCall& call, const char* message, bool incomplete) {
    call.result.clear();
    if (pfuncquiet()) {
        if (call.cls > 0) return call.cls;
        // The character after an unfinished list is normally its ')': it goes with the
        // call. A list read to its end keeps the text after it.
        if (incomplete && call.pos < call.text.size()) ++call.pos;
        return 0;
    }
    if (message) printout(message, call.name.c_str(), call.name.c_str());
    return call.cls >= 0 ? call.cls : -1;
}

int pfuncloudfail(PfuncCall& call, const char* message) {
    call.result.clear();
    printout(message, call.name.c_str(), call.name.c_str());
    return -1;
}

int parseargs(std::string& text, std::size_t& pos, int& cls, const char* signature,
              std::vector<std::string>& list) {
    std::size_t n = std::strlen(signature);
    cls = 0;
    if (n == 0) return 0;
    const char closing = signature[n - 1];
    bool optional = false;
    int status = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = signature[i];
        if (c == 'o') {
            if (i + 1 == n) {
                cls = -1;
                return -1;
            }
            optional = true;
            continue;
        }
        std::string token;
        int tc = 0;
        if (c == 'S') {
            if (textterm(token, text, pos) < 0) {
                cls = -1;
                return -1;
            }
            tc = 'S';
            status = 0;
        } else if (c == 'l') {
            status = textquoted(token, text, pos);
            if (status < 0) {
                cls = -1;
                return -1;
            }
            tc = 'l';
        } else {
            status = stringtoken(token, text, pos, tc);
            if (status < 0) {
                cls = tc >= 0 ? tc : -1;
                return -1;
            }
            if (c == 'n' && tc == '-') {
                std::string number;
                status = stringtoken(number, text, pos, tc);
                if (status < 0) {
                    cls = tc >= 0 ? tc : -1;
                    return -1;
                }
                token = "-" + number;
            }
            if (tc == 'a' || tc == '"') tc = 's';
        }
        list.push_back(token);
        if (tc == c || (c == 'A' && (tc == 'n' || tc == 's'))) {
            optional = false;
            continue;
        }
        if (optional && tc == closing) {
            cls = 0;
            return status;
        }
        cls = -1;
        return -1;
    }
    cls = 0;
    return status;
}

int percentfunction(std::string& result, std::string& text, std::size_t& pos) {
    result.clear();
    PfuncCall call(result, text, pos);
    int nameClass = 0;
    if (stringtoken(call.name, text, pos, nameClass) < 0) return nameClass >= 0 ? nameClass : -1;
    const Entry* entry = findentry(call.name);
    if (!entry) {
        if (pfuncquiet()) return 0;
        printout("\nError:  invalid keyword \"%%%s\".\n", call.name.c_str());
        return -1;
    }
    call.key = entry->key;
    if (entry->signature) {
        if (parseargs(text, pos, call.cls, entry->signature, call.list) == -1)
            return pfuncargfail(call, entry->message, true);
        std::size_t size = call.list.size();
        if (size >= 32 || !(entry->accepted & (1u << size)))
            return pfuncargfail(call, entry->sizeMessage ? entry->sizeMessage : entry->message,
                                false);
    }
    int status = entry->fn(call);
    if (status == -1) result.clear();
    return status;
}
