#include "interp/ifcondition.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>
#include <strings.h>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "series/rhs.h"
#include "series/series_state.h"

int scriptArgCount = 0;

void countscriptargs() {
    std::size_t n = scriptArgs ? scriptArgs->size() : 0;
    scriptArgCount = static_cast<int>(n > static_cast<std::size_t>(maxScriptArgs) ? maxScriptArgs : n);
}

namespace {

constexpr int tokenSize = 78;

// Puts percentMode back on every way out.
class PercentModeSaver {
public:
    explicit PercentModeSaver(int mode) : saved_(percentMode) { percentMode = mode; }
    ~PercentModeSaver() { percentMode = saved_; }
    PercentModeSaver(const PercentModeSaver&) = delete;
    PercentModeSaver& operator=(const PercentModeSaver&) = delete;

private:
    int saved_;
};

// A number's text to its value (the longest valid prefix).
double numberValue(const char* text) { return std::strtod(text, nullptr); }

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Writes a value into the token buffer with the given format; a text too long for the
// buffer is written in the shortest exact form instead, so the buffer never overflows.
void writeNumber(char* text, int textSize, const char* format, int decimals, double v) {
    char buf[512];
    int n = decimals >= 0 ? std::snprintf(buf, sizeof buf, format, decimals, v)
                          : std::snprintf(buf, sizeof buf, format, v);
    if (n < 0 || n >= textSize || n >= static_cast<int>(sizeof buf))
        n = std::snprintf(buf, sizeof buf, "%.17g", v);
    std::snprintf(text, static_cast<std::size_t>(textSize), "%s", buf);
}

// ---- the condition functions ----

// Reads the '(' of a function; prints the message and gives false when it is missing.
bool openParen(const char* fn, std::FILE* in) {
    char t[tokenSize];
    if (gettoken(t, in, 0, tokenSize) != '(') {
        printout("Error:  in \"if(%s())\" command, opening '(' is missing.\n", fn);
        return false;
    }
    return true;
}

bool closeParen(const char* fn, std::FILE* in) {
    char t[tokenSize];
    if (gettoken(t, in, 0, tokenSize) != ')') {
        printout("Error:  in \"if(%s())\" command, closing ')' is missing.\n", fn);
        return false;
    }
    return true;
}

bool isText(int c) { return c == 'a' || c == '"'; }

int evalStrlen(char* text, int textSize, std::FILE* in) {
    if (!openParen("strlen", in)) return -1;
    char arg[commandBufferSize];
    int c = gettoken(arg, in, 0, sizeof arg);
    if (!isText(c)) {
        printout("Error:  in \"if(strlen())\" command, argument must be a string.\n");
        return -1;
    }
    if (!closeParen("strlen", in)) return -1;
    std::snprintf(text, static_cast<std::size_t>(textSize), "%zu", std::strlen(arg));
    return 'n';
}

// strcmp, strncmp, strncmpi, strcmpi.
int evalCompare(const char* fn, bool counted, bool ignoreCase, char* text, int textSize,
                std::FILE* in) {
    if (!openParen(fn, in)) return -1;
    char a[commandBufferSize], b[commandBufferSize], t[tokenSize];
    if (!isText(gettoken(a, in, 0, sizeof a))) {
        printout("Error:  in \"if(%s())\" command, first argument must be a string.\n", fn);
        return -1;
    }
    if (gettoken(t, in, 0, tokenSize) != ',') {
        printout("Error:  in \"if(%s())\" command, strings must be separated with a commma.\n", fn);
        return -1;
    }
    if (!isText(gettoken(b, in, 0, sizeof b))) {
        printout("Error:  in \"if(%s())\" command, second argument must be a string.\n", fn);
        return -1;
    }
    int result;
    if (counted) {
        if (gettoken(t, in, 0, tokenSize) != ',') {
            printout("Error:  in \"if(%s())\" command, strings must be separated with a commma.\n",
                     fn);
            return -1;
        }
        if (gettoken(t, in, 0, tokenSize) != 'n') {
            printout("Error:  in \"if(%s())\" command, last argument must be a number.\n", fn);
            return -1;
        }
        double n = numberValue(t);
        if (!(n >= 1 && n <= 100)) {
            printout("Error:  in \"if(%s())\" command, last argument \"%s\" is invalid.\n", fn, t);
            return -1;
        }
        std::size_t count = static_cast<std::size_t>(n);
        result = ignoreCase ? strncasecmp(a, b, count) : std::strncmp(a, b, count);
    } else {
        result = ignoreCase ? strcasecmp(a, b) : std::strcmp(a, b);
    }
    if (!closeParen(fn, in)) return -1;
    std::snprintf(text, static_cast<std::size_t>(textSize), "%d", sign(result));
    return 'n';
}

int evalIsnum(char* text, int textSize, std::FILE* in) {
    if (!openParen("isnum", in)) return -1;
    char arg[commandBufferSize];
    int c = gettoken(arg, in, 0, sizeof arg);
    if (!isText(c) && c != 'n') {
        printout("Error:  in \"if(isnum())\" command, first argument must be a number or a string.\n");
        return -1;
    }
    if (!closeParen("isnum", in)) return -1;
    bool digits = arg[0] != 0;
    for (const char* p = arg; *p; ++p)
        if (*p < '0' || *p > '9') digits = false;
    std::snprintf(text, static_cast<std::size_t>(textSize), "%d", digits ? 1 : 0);
    return 'n';
}

int evalMod(char* text, int textSize, std::FILE* in) {
    if (!openParen("mod", in)) return -1;
    char a[tokenSize], b[tokenSize], t[tokenSize];
    if (gettoken(a, in, 0, tokenSize) != 'n') {
        printout("Error:  in \"if(mod())\" command, first argument must be a number.\n");
        return -1;
    }
    if (gettoken(t, in, 0, tokenSize) != ',') {
        printout("Error:  in \"if(mod())\" command, arguments must be separated with a commma.\n");
        return -1;
    }
    if (gettoken(b, in, 0, tokenSize) != 'n') {
        printout("Error:  in \"if(mod())\" command, second argument must be a number.\n");
        return -1;
    }
    if (!closeParen("mod", in)) return -1;
    double divisor = numberValue(b);
    // The remainder by zero is not a number (and then equal to none); it is made here
    // rather than by fmod, which would also raise the invalid-operation flag that the
    // command loop reports as an arithmetic error.
    double remainder = divisor == 0 ? std::numeric_limits<double>::quiet_NaN()
                                    : std::fmod(numberValue(a), divisor);
    writeNumber(text, textSize, "%10f", -1, remainder);
    return 'n';
}

int evalExists(char* text, int textSize, std::FILE* in) {
    if (!openParen("exists", in)) return -1;
    char arg[tokenSize];
    if (!isText(gettoken(arg, in, 0, tokenSize))) {
        printout("Error:  in \"if(exists())\" command, argument must be a string.\n");
        return -1;
    }
    if (!closeParen("exists", in)) return -1;
    // An existence test only: no values are read and nothing is reported.
    char* noText = nullptr;
    int found = fetchseries(arg, nullptr, noText, in, 0);
    std::snprintf(text, static_cast<std::size_t>(textSize), "%d", found >= 0 ? 1 : 0);
    return 'n';
}

int evalEval(char* text, int textSize, std::FILE* in) {
    if (!openParen("eval", in)) return -1;
    std::vector<float> values(2000, 0.0f);
    std::vector<char> exprText(commandBufferSize, 0);
    char* cursor = exprText.data();
    int delimiter = rhs(values.data(), in, cursor, exprText.size());
    if (delimiter == -1 || delimiter == 27) {
        printout("Error:  in \"if(eval())\" command, error in expression.\n");
        return -1;
    }
    if (delimiter != ',') {
        printout("Error:  in \"if(eval())\" command, a ',' must follow the expression.\n");
        return -1;
    }
    char date[tokenSize];
    if (gettoken(date, in, 0, tokenSize) != 'n') {
        printout("Error:  in \"if(eval())\" command, a valid date must follow the expression.\n");
        return -1;
    }
    int index = dateindex(numberValue(date));
    if (index < 0) {
        printout("Error:  in \"if(eval())\" command, date is before start date in jex.cfg.\n");
        return -1;
    }
    if (index >= wsMaxObs || index >= static_cast<int>(values.size())) {
        printout("Error:  in \"if(eval())\" command, date exceeds the end of the workspace.\n");
        return -1;
    }
    if (!closeParen("eval", in)) return -1;
    int d = decsGiven ? decs : 3;
    if (d < 0) d = 0;
    writeNumber(text, textSize, "%-30.*f", d, values[static_cast<std::size_t>(index)]);
    // The field's trailing blanks go.
    for (int n = static_cast<int>(std::strlen(text)); n > 0 && text[n - 1] == ' '; --n)
        text[n - 1] = 0;
    return 'n';
}

// ---- the condition ----

bool isStop(int c) { return c == -1 || c == 27 || c == 18; }

struct Reader {
    std::FILE* in;
    int& stop;
    char tok[tokenSize];

    // Next token, as gettoken gives it.
    int next() { return gettoken(tok, in, 0, tokenSize); }
    // Next token in an operand position: condition functions become numbers.
    int operand() {
        int c = next();
        return ifeval(tok, tokenSize, c, in);
    }
    double value() const { return numberValue(tok); }

    double fail(const char* message) {
        printout("%s", message);
        return ifErrorValue;
    }

    double condition();
    double compare(double left, int opChar);
    double afterComparison(double result, bool closed);
    double skipOr();
    double skipAnd();
};

// The rest of a condition after || with a true left side: skipped character by character,
// parentheses counted, up to the closing one or the end of the line.
double Reader::skipOr() {
    PercentModeSaver quiet(0);
    int depth = 1;
    for (;;) {
        int c = chop(in);
        if (isStop(c) || c > 255) {
            stop = c > 255 ? -1 : c;
            return ifErrorValue;
        }
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) break;
        if (c == '\n') {
            unchop('\n');
            break;
        }
    }
    return 1;
}

// The rest of a condition after && with a false left side: skipped token by token.
double Reader::skipAnd() {
    PercentModeSaver quiet(0);
    int depth = 1;
    for (;;) {
        int c = next();
        if (c == -1) {
            stop = 18;
            return ifErrorValue;
        }
        if (c == 'f' || c == 'e') {
            ungettoken();
            break;
        }
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) break;
    }
    return 0;
}

double Reader::condition() {
    double left;
    int c = operand();
    if (c == 'a' || c == '"') {
        // A string comparison.
        std::string a = tok;
        int o = next();
        if (o != '=' && o != '!' && o != '<' && o != '>')
            return fail("Error:  in \"if\" command, strings only may be compared with ==, !=, <, <=, >=, or >.\n");
        std::string op(1, static_cast<char>(o));
        int d = next();
        if (d == '=') {
            op += '=';
        } else if (d == 'a' || d == '"') {
            ungettoken();
        } else {
            return fail("Error:  in \"if\" command, an error in handling strings.\n");
        }
        int e = operand();
        if (e != 'a' && e != '"')
            return fail("Error:  in \"if\" command, second argument must be a string.\n");
        int r = std::strcmp(a.c_str(), tok);
        double result;
        if (op == "==") result = r == 0;
        else if (op == "!=") result = r != 0;
        else if (op == "<") result = r < 0;
        else if (op == "<=") result = r <= 0;
        else if (op == ">") result = r > 0;
        else if (op == ">=") result = r >= 0;
        else return fail("Error:  in \"if\" command, an error in handling strings.\n");
        return afterComparison(result, false);
    }
    if (c == 'n') {
        left = value();
    } else if (c == '(') {
        left = condition();
        if (left == ifErrorValue) return ifErrorValue;
    } else if (c == '!' || c == '-') {
        int d = operand();
        double v;
        if (d == 'n') {
            v = value();
        } else if (d == '(') {
            v = condition();
            if (v == ifErrorValue) return ifErrorValue;
        } else if (c == '!') {
            return fail("\nError:  a \"!\" must be followed by a number or a \"(\" in the \"if\" command .\n");
        } else {
            return fail("\nError:  a \"-\" must be followed by a number or a \"(\" in the \"if\" command .\n");
        }
        left = c == '!' ? (v == 0 ? 1 : 0) : -v;
    } else {
        return fail("Error:  in \"if\" command, an error in handling strings.\n");
    }

    // Arithmetic, strictly from left to right.
    for (;;) {
        int o = next();
        if (o == ')') return left;
        if (o == '+' || o == '-' || o == '*' || o == '/') {
            if (operand() != 'n') return fail("\nError:  invalid comparison in the \"if\" command.\n");
            double r = value();
            if (o == '+') left += r;
            else if (o == '-') left -= r;
            else if (o == '*') left *= r;
            else if (std::fabs(r) < 0.0000001) {
                printout("\nDivide-by-zero error in \"if\" command.\n");
                left = 0;
            } else {
                left /= r;
            }
            continue;
        }
        if (o == '<' || o == '=' || o == '>' || o == '!' || o == '|' || o == '&')
            return compare(left, o);
        return fail("\nError:  invalid comparison in the \"if\" command.\n");
    }
}

double Reader::compare(double left, int opChar) {
    std::string op(1, static_cast<char>(opChar));
    int c = operand();
    double right = 0;
    bool closed = false;  // the condition's closing parenthesis has been read
    bool decided = false;
    double result = 0;
    if (c == '=') {
        if (opChar == '|' || opChar == '&') return fail("\nError:  In the \"if\" command condition.\n");
        op += '=';
        int d = operand();
        if (d == 'n') {
            right = value();
        } else if (op == "!=") {
            // Any token that is not a number differs from a number.
            decided = true;
            result = 1;
            closed = d == ')';
        } else {
            return fail("\nError:  invalid argument in the \"if\" command.\n");
        }
    } else if (c == '|' || c == '&') {
        if (c != opChar) return fail("\nError:  In the \"if\" command condition.\n");
        double rest = condition();
        if (rest == ifErrorValue) return ifErrorValue;
        return c == '|' ? (left != 0 || rest != 0) : (left != 0 && rest != 0);
    } else if (c == 'n') {
        right = value();
    } else if (c == '!') {
        double rest = condition();
        if (rest == ifErrorValue) return ifErrorValue;
        right = rest == 0 ? 1 : 0;
        closed = true;
    } else if (c == '-') {
        int d = operand();
        if (d == 'n') {
            right = -value();
        } else if (d == '(') {
            double v = condition();
            if (v == ifErrorValue) return ifErrorValue;
            right = -v;
        } else {
            return fail("\nError:  a \"-\" must be followed by a number or a \"(\" in the \"if\" command .\n");
        }
    } else {
        return fail("\nError:  In the \"if\" command condition.\n");
    }
    if (!decided) {
        if (op == "<") result = left < right;
        else if (op == "<=") result = left <= right;
        else if (op == "==") result = left == right;
        else if (op == ">=") result = left >= right;
        else if (op == ">") result = left > right;
        else if (op == "!=") result = left != right;
        else {
            printout("\nError:  the \"if\" command condition \"%s\" was not understood.\n", op.c_str());
            return ifErrorValue;
        }
    }
    return afterComparison(result, closed);
}

double Reader::afterComparison(double result, bool closed) {
    if (closed) return result;
    int c = next();
    if (c == ')') return result;
    if (c == '{') {
        // The closing parenthesis went to a nested part: the block follows.
        ungettoken();
        return result;
    }
    if (c == '|' || c == '&') {
        int d = next();
        if (d != c) {
            if (d == '|' || d == '&') return fail("\nError:  In the \"if\" command condition.\n");
            return fail("\nError:  In the \"if\" command condition, the condition is not understood.\n");
        }
        if (c == '|') {
            if (result != 0) return skipOr();
            double rest = condition();
            if (rest == ifErrorValue) return ifErrorValue;
            return rest != 0;
        }
        if (result == 0) return skipAnd();
        double rest = condition();
        if (rest == ifErrorValue) return ifErrorValue;
        return rest != 0;
    }
    return fail("\nError:  the \"if\" command arguments must be followed by a \")\" or with another argument.\n");
}

}  // namespace

int ifeval(char* text, int textSize, int cls, std::FILE* in) {
    if (cls != 'a') return cls;
    if (std::strcmp(text, "NARGS") == 0) {
        std::snprintf(text, static_cast<std::size_t>(textSize), "%d", scriptArgCount);
        return 'n';
    }
    if (std::strcmp(text, "eval") == 0) return evalEval(text, textSize, in);
    if (std::strncmp(text, "exist", 5) == 0) return evalExists(text, textSize, in);
    if (std::strcmp(text, "strlen") == 0) return evalStrlen(text, textSize, in);
    if (std::strcmp(text, "strcmp") == 0) return evalCompare("strcmp", false, false, text, textSize, in);
    if (std::strcmp(text, "strncmp") == 0) return evalCompare("strncmp", true, false, text, textSize, in);
    if (std::strcmp(text, "strncmpi") == 0) return evalCompare("strncmpi", true, true, text, textSize, in);
    if (std::strcmp(text, "strcmpi") == 0) return evalCompare("strcmpi", false, true, text, textSize, in);
    if (std::strcmp(text, "isnum") == 0) return evalIsnum(text, textSize, in);
    if (std::strcmp(text, "mod") == 0) return evalMod(text, textSize, in);
    return cls;
}

double ifcondition(std::FILE* in, int& stop) {
    stop = 0;
    Reader r{in, stop, {}};
    double v = r.condition();
    if (stop != 0) return ifErrorValue;
    return v;
}

double ifcondition(std::FILE* in) {
    int stop = 0;
    return ifcondition(in, stop);
}
