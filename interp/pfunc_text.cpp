// %-functions on text and numbers: literals, the statistics of the last regression,
// titles, the print format settings, trimming and case, arithmetic, string operations,
// script arguments and the values of the string-variable store.
#include <cctype>
#include <climits>
#include <cmath>
#include <string>

#include "core/printout.h"
#include "interp/percent_functions.h"
#include "interp/pfunc_internal.h"
#include "interp/pfunc_neighbours.h"
#include "interp/state.h"
#include "interp/strings.h"
#include "interp/switches.h"
#include "series/series_state.h"
#include "shell/version.h"

namespace {

const char* const keywordError = "\nError:  in %%%s keyword.\n";
const char* const keywordNotFound = "\nError:  %%%s keyword not found.\n";

// Keeps the print settings that a conversion changes.
class FormatKeeper {
public:
    FormatKeeper() : decs_(decs), decsGiven_(decsGiven) {}
    ~FormatKeeper() {
        decs = decs_;
        decsGiven = decsGiven_;
    }
    FormatKeeper(const FormatKeeper&) = delete;
    FormatKeeper& operator=(const FormatKeeper&) = delete;

private:
    std::int16_t decs_;
    std::int16_t decsGiven_;
};

int uc(char c) { return static_cast<unsigned char>(c); }

// The comparison of strcmp: the difference of the first differing characters (as unsigned
// bytes, optionally upper-cased), or -1/1 when one text is the start of the other.
int comparetexts(const std::string& a, const std::string& b, bool ignoreCase) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        int x = uc(a[i]), y = uc(b[i]);
        if (ignoreCase) {
            x = std::toupper(x);
            y = std::toupper(y);
        }
        if (x != y) return x - y;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// The characters of a trim set written with escape pairs.
std::string trimset(const std::string& literal) {
    std::string set;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        char c = literal[i];
        if (c != '\\' || i + 1 == literal.size()) {
            set += c;
            continue;
        }
        char e = literal[++i];
        switch (e) {
        case '0': set += '\0'; break;
        case 'a': set += '\a'; break;
        case 'b': set += '\b'; break;
        case 't': set += '\t'; break;
        case 'f': set += '\f'; break;
        case 'n': set += '\n'; break;
        case 'r': set += '\r'; break;
        case '\\': set += '\\'; break;
        default:
            set += '\\';
            set += e;
        }
    }
    return set;
}

// Characters a..b (1-based) of a text; b < 0 reads as "to the end". False when a is
// below 1 or beyond the text, or b is below a, or (unless cut) b is beyond the text.
bool substring(const std::string& text, int a, int b, bool cutEnd, std::string& out) {
    long long len = static_cast<long long>(text.size());
    if (a < 1 || a > len) return false;
    long long last = b < 0 ? LLONG_MAX : b;
    if (last < a) return false;
    if (last > len) {
        if (!cutEnd) return false;
        last = len;
    }
    out = text.substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(last - a + 1));
    return true;
}

int truncated(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0f) return INT_MAX;
    if (v <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

int pfnamenumber(const std::string& name) {
    std::size_t i = name.find_first_of("0123456789");
    return i == std::string::npos ? 0 : textToInt(name.substr(i));
}

std::string pffixed(double value, int decimals) {
    FormatKeeper keep;
    decsGiven = 1;
    if (decimals >= 0) decs = static_cast<std::int16_t>(decimals);
    return doubleToText(value);
}

std::string pfpad(std::string text) {
    std::size_t point = text.find('.');
    int have = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
    if (have >= decs) return text;
    if (point == std::string::npos) text += '.';
    text.append(static_cast<std::size_t>(decs - have), '0');
    return text;
}

// ---- 1. literals ----

int pflit(PfuncCall& c) {
    c.result = c.arg(1);
    return 0;
}

int pfelit(PfuncCall& c) {
    const std::string& in = c.arg(1);
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        char ch = in[i];
        if (ch != '\\' || i + 1 == in.size()) {
            out += ch;
            continue;
        }
        char e = in[++i];
        switch (e) {
        case '0':
            // The character code 0 would end the command line where it stands.
            if (!pfuncquiet())
                printout("\nError:  in %%%s() routine, \"\\0\" (the character code 0) cannot stand in a command.\n",
                         c.name.c_str());
            return pfuncfail(c, nullptr);
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 't': out += '\t'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case '\'': out += '\''; break;
        default:
            out += '\\';
            out += e;
        }
    }
    c.result = out;
    return 0;
}

// ---- 2. regression statistics ----

int pfregression(PfuncCall& c) {
    const auto& r = regressionResults;
    if (r.empty()) {
        c.result = c.key == "ncoef" ? "0" : "NA";
        return 0;
    }
    auto ncoefEntry = r.find("ncoef");
    if (ncoefEntry == r.end()) return pfuncloudfail(c, keywordError);
    const int ncoef = truncated(ncoefEntry->second);
    if (c.key == "ncoef") {
        c.result = intToText(ncoef);
        return 0;
    }
    std::string key = c.key;
    if (c.key == "beta" || c.key == "mexval") {
        int n = pfnamenumber(c.name);
        if (n < 1 || n > ncoef) {
            c.result = "0";
            return 0;
        }
        key += intToText(n);
    } else if (c.key == "obsinreg" || c.key == "nobs") {
        key = "obs_in_regress";
    }
    auto it = r.find(key);
    if (it == r.end()) return pfuncloudfail(c, keywordNotFound);
    c.result = key == "obs_in_regress" ? intToText(truncated(it->second))
                                       : pffixed(static_cast<double>(it->second), 5);
    return 0;
}

// ---- 3. titles ----

int pftitle(PfuncCall& c) {
    if (c.key == "title") c.result = currentTitle;
    else if (c.key == "subti") c.result = neighbourgraphsubtitle();
    else c.result = vaxTitle;
    return 0;
}

// ---- 4. format settings ----

int pfformat(PfuncCall& c) {
    int n = pfnamenumber(c.name);
    if (n < 1 || n > 3) return pfuncloudfail(c, keywordNotFound);
    const std::string digit = intToText(n);
    const std::int16_t given[] = {widthGiven, decsGiven, obsPerLineGiven};
    const std::int16_t value[] = {width, decs, obsPerLine};
    if (c.name == "formatgiven" + digit) {
        c.result = shortToText(given[n - 1]);
    } else if (c.name == "format" + digit) {
        c.result = given[n - 1] ? shortToText(value[n - 1]) : std::string();
    } else {
        return pfuncloudfail(c, keywordNotFound);
    }
    return 0;
}

// ---- 5. trimming ----

int pftrim(PfuncCall& c) {
    const std::string set = c.argCount() > 1 ? trimset(c.arg(2)) : std::string(" \t\f\v\n\r");
    const std::string& text = c.arg(1);
    std::size_t first = 0, last = text.size();
    if (c.key != "trimright")
        while (first < last && set.find(text[first]) != std::string::npos) ++first;
    if (c.key != "trimleft")
        while (last > first && set.find(text[last - 1]) != std::string::npos) --last;
    c.result = text.substr(first, last - first);
    return 0;
}

// ---- 6. case ----

int pfcase(PfuncCall& c) {
    std::string s = c.arg(1);
    if (c.key == "lower") {
        for (char& ch : s) ch = static_cast<char>(std::tolower(uc(ch)));
    } else if (c.key == "upper") {
        for (char& ch : s) ch = static_cast<char>(std::toupper(uc(ch)));
    } else {
        for (std::size_t i = 0; i < s.size(); ++i) {
            bool start = i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t';
            if (start && s[i] >= 'a' && s[i] <= 'z') s[i] = static_cast<char>(s[i] - 'a' + 'A');
            else if (i > 0 && !start && s[i] >= 'A' && s[i] <= 'Z') s[i] = static_cast<char>(s[i] - 'A' + 'a');
        }
    }
    c.result = s;
    return 0;
}

// ---- 7 to 9. arithmetic ----

int pfmath1(PfuncCall& c) {
    double x = textToDouble(c.arg(1));
    double v = c.key == "fabs" ? std::fabs(x) : c.key == "log" ? std::log(x) : std::exp(x);
    c.result = pfpad(pffixed(v, -1));
    return 0;
}

int pfround(PfuncCall& c) {
    double x = textToDouble(c.arg(1));
    c.result = pffixed(c.key == "floor" ? std::floor(x) : std::ceil(x), 0);
    return 0;
}

int pfmath2(PfuncCall& c) {
    double x = textToDouble(c.arg(1));
    double y = textToDouble(c.arg(2));
    double v;
    if (c.key == "mod") v = std::fmod(x, y);
    else if (c.key == "max") v = x >= y ? x : y;
    else v = x < y ? x : y;
    c.result = doubleToText(v);
    if (decsGiven) c.result = pfpad(c.result);
    return 0;
}

// ---- 10 to 13. string operations ----

int pfstrnset(PfuncCall& c) {
    const std::string& text = c.arg(1);
    int n = textToInt(c.arg(2));
    c.result.clear();
    if (n <= 0 || text.empty()) return 0;
    // The result goes into the command line: it may not be longer than the line buffer.
    const long long limit = commandBufferSize - 1;
    if (static_cast<long long>(text.size()) * n > limit) {
        if (!pfuncquiet())
            printout("\nError:  in %%%s() routine, the result would be longer than %lld characters.\n",
                     c.name.c_str(), limit);
        return pfuncfail(c, nullptr);
    }
    c.result.reserve(text.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) c.result += text;
    return 0;
}

int pfstrstr(PfuncCall& c) {
    std::size_t at = c.arg(1).find(c.arg(2));
    c.result = at == std::string::npos ? std::string() : c.arg(1).substr(at);
    return 0;
}

int pfstrlen(PfuncCall& c) {
    c.result = unsignedToText(static_cast<unsigned>(c.arg(1).size()));
    return 0;
}

int pfstrcmp(PfuncCall& c) {
    const std::string& a = c.arg(1);
    const std::string& b = c.arg(2);
    const bool ignoreCase = c.key == "strcmpi" || c.key == "strncmpi";
    int v;
    if (c.key == "strcmp" || c.key == "strcmpi") {
        v = comparetexts(a, b, ignoreCase);  // a third argument is read and ignored
    } else {
        int n = textToInt(c.arg(3));
        // A negative count reads as a very large one: the whole texts are compared.
        std::size_t count = n < 0 ? std::string::npos : static_cast<std::size_t>(n);
        if (c.key == "strncmp" && n >= 0 && (a.size() < count || b.size() < count))
            v = -1;
        else
            v = comparetexts(a.substr(0, count), b.substr(0, count), ignoreCase);
    }
    c.result = intToText(v);
    return 0;
}

// ---- 14 to 16. script arguments and substrings ----

int pfnargs(PfuncCall& c) {
    std::size_t n = scriptArgs ? scriptArgs->size() : 0;
    if (n > static_cast<std::size_t>(maxScriptArgs)) n = maxScriptArgs;
    c.result = intToText(static_cast<int>(n));
    return 0;
}

int pfsubstring(PfuncCall& c) {
    const std::string& text = c.arg(1);
    if (c.argCount() == 1) {
        c.result = text;
        return 0;
    }
    int a = textToInt(c.arg(2));
    int b = c.argCount() == 3 ? textToInt(c.arg(3)) : a;
    if (!substring(text, a, b, true, c.result)) return pfuncfail(c, pfSubstringMessage);
    return 0;
}

int pfword(PfuncCall& c) {
    std::string word;
    if (stringStore.word(textToInt(c.arg(1)), word) != 0) {
        if (!pfuncquiet()) printout(pfSubstringMessage, c.name.c_str(), c.name.c_str());
        c.result.clear();
        return 0;
    }
    if (c.argCount() == 1) {
        c.result = word;
        return 0;
    }
    int a = textToInt(c.arg(2));
    int b = c.argCount() == 3 ? textToInt(c.arg(3)) : a;
    if (!substring(word, a, b, false, c.result)) return pfuncfail(c, pfSubstringMessage);
    return 0;
}

// ---- 17 to 20. string-store values and the version ----

int pfstringstore(PfuncCall& c) {
    if (c.key == "numword") c.result = unsignedToText(static_cast<unsigned>(stringStore.wordCount()));
    else if (c.key == "linelen") c.result = intToText(stringStore.lineLength());
    else if (c.key == "line") c.result = stringStore.lastLine();
    else c.result = versionText;
    return 0;
}
