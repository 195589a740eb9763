#include "interp/percent.h"

#include <climits>
#include <cstdint>
#include <exception>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/percent_functions.h"

namespace {

const char* const missingArgumentText =
    "You either called an add file that required an argument (like %1), and you\r\n"
    "  did not provide it, or you typed '%' without giving a number.\r\n"
    "  Please click OK to continue or Cancel to quit.";

// The missing-argument box: 27 on Cancel, -1 on OK.
int missingargument() { return pausebox(missingArgumentText, "Error") == 27 ? 27 : -1; }

bool quiet() { return percentMode == 2; }

// Expansions nest (an argument or a group inside %{...} is read by the text tokenizer,
// which expands the sequences it meets); a text that expands into itself would nest
// without end. Every nested expansion and parenthesised group counts one level; past the
// limit the expansion fails with an error and every expansion still running fails at
// once too, so that no retry starts the descent again.
constexpr int maxExpansionDepth = 100;
int expansionDepth = 0;
bool expansionTooDeep = false;
// Steps of one outermost expansion (every level entered counts). A word in braces that is not
// an expression is read a second time as a word, so braces nested around such words would
// cost two to the power of their depth: below the depth limit, the work has a limit of its own.
constexpr long maxExpansionSteps = 200000;
long expansionSteps = 0;

class DepthGuard {
public:
    DepthGuard() {
        if (expansionDepth == 0) expansionSteps = 0;
        if (expansionTooDeep) {
            failed_ = true;
        } else if (expansionDepth >= maxExpansionDepth) {
            expansionTooDeep = true;
            failed_ = true;
            printout("\nError:  %%-sequences nested too deeply (more than %d levels).\n",
                     maxExpansionDepth);
        } else if (++expansionSteps > maxExpansionSteps) {
            expansionTooDeep = true;
            failed_ = true;
            printout("\nError:  %%-sequences too intricate to expand (more than %ld steps).\n",
                     maxExpansionSteps);
        }
        ++expansionDepth;
    }
    ~DepthGuard() {
        if (--expansionDepth == 0) expansionTooDeep = false;
    }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    // The status to return when this level must not run: 18 stops the reading.
    bool failed() const { return failed_; }

private:
    bool failed_ = false;
};

bool isvalueclass(int cls) {
    return !(cls == 0 || cls == '=' || cls == '+' || cls == '-' || cls == '*' || cls == '/');
}

}  // namespace

int wrapadd(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
int wrapsub(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
int wrapmul(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
int wrapdiv(int a, int b) {
    if (b == 0) return 0;
    if (a == INT_MIN && b == -1) return INT_MIN;
    return a / b;
}

namespace {

// a op b with the wrapping operations ('/' for any other operator).
int wraparith(char op, int a, int b) {
    switch (op) {
    case '+': return wrapadd(a, b);
    case '-': return wrapsub(a, b);
    case '*': return wrapmul(a, b);
    default: return wrapdiv(a, b);
    }
}

}  // namespace

void texterase(std::string& text, std::size_t& pos) {
    if (pos < text.size()) text.erase(pos, 1);
}

int textskipline(std::string& text, std::size_t& pos) {
    std::string tok;
    int cls = 0;
    for (;;) {
        if (stringtoken(tok, text, pos, cls) < 0) return cls;
        if (cls == 'f' || cls == 'e' || cls == -1 || cls == 27 || cls == 18) return cls;
    }
}

int intexpression(std::string& result, std::string& text, std::size_t& pos) {
    DepthGuard depth;
    if (depth.failed()) return 18;
    int sum = 0, term = 0, operand = 0;
    char ops[3] = {'+', 0, 0};
    int top = 0;
    int previous = 0;
    // The pending operator of a level, when it is one of that level's two, folds the new
    // value into the level's running value; else the new value starts it.
    auto fold = [&](int& running, int value, char first, char second) {
        if (top >= 0 && (ops[top] == first || ops[top] == second))
            running = wraparith(ops[top--], running, value);
        else
            running = value;
    };
    auto applymuldiv = [&] { fold(term, operand, '*', '/'); };
    auto applyaddsub = [&] { fold(sum, term, '+', '-'); };
    auto badsyntax = [&] {
        if (previous == '+' || previous == '-' || previous == '*' || previous == '/') {
            printout("\r\nBad syntax in expression.\r\n");
            return true;
        }
        return false;
    };
    std::string tok;
    for (;;) {
        int cls = 0;
        stringtoken(tok, text, pos, cls);
        if (cls == 'n') {
            if (isvalueclass(previous)) break;
            operand = textToInt(tok);
            applymuldiv();
        } else if (cls == '(') {
            std::string inner;
            int st = intexpression(inner, text, pos);
            if (st != 0) {
                textskipline(text, pos);
                return st;
            }
            if (isvalueclass(previous)) break;
            operand = textToInt(inner);
            applymuldiv();
        } else if (cls == ')' || cls == '}') {
            break;
        } else if (cls == '*' || cls == '/') {
            if (badsyntax()) return -1;
            top = 1;
            ops[1] = static_cast<char>(cls);
        } else if (cls == '+' || cls == '-') {
            if (badsyntax()) return -1;
            applyaddsub();
            top = 0;
            ops[0] = static_cast<char>(cls);
        } else if (cls == '%') {
            return quiet() ? -1 : missingargument();
        } else if (cls == 27 || cls == 18) {
            return cls;
        } else {
            return -1;
        }
        previous = cls;
    }
    applyaddsub();
    result = std::to_string(sum);
    return 0;
}

namespace {

// Expands the one sequence at pos (see expandpercent).
int expandsequence(std::string& result, std::string& text, std::size_t& pos) {
    try {
        std::size_t start = pos;
        // In quiet mode a sequence that cannot be expanded stays as it is: a plain '%'.
        auto keeppercent = [&] {
            result = "%";
            pos = start;
            return 0;
        };
        // The sequence (start up to `end`) replaced by the result, to be read from its start.
        auto replaceby = [&](std::size_t end) {
            text.replace(start, end - start, result);
            pos = start;
            return 0;
        };
        int next = start + 1 < text.size() ? static_cast<unsigned char>(text[start + 1]) : -1;
        if (next >= '0' && next <= '9') {
            std::size_t end = start + 2;
            int n = next - '0';
            if (end < text.size() && text[end] >= '0' && text[end] <= '9') n = n * 10 + (text[end++] - '0');
            if (scriptArgs && n >= 1 && static_cast<std::size_t>(n) <= scriptArgs->size()) {
                result = (*scriptArgs)[n - 1];
                return replaceby(end);
            }
            if (quiet()) return keeppercent();
            return missingargument();
        }
        if (next == '{') {
            std::size_t inner = start + 2;
            if (text.find('}', inner) == std::string::npos) {
                // Without its closing brace the sequence cannot be read at all.
                if (quiet()) return keeppercent();
                printout("\nError:  \"%%{\" without its closing brace \"}\".\n");
                return 18;
            }
            std::size_t p = inner;
            int st = intexpression(result, text, p);
            if (st == 0) return replaceby(p);
            if (st != -1) {
                pos = start;
                return st;
            }
            // A single word in braces stands for itself.
            p = inner;
            std::string word, close;
            int c1 = 0, c2 = 0;
            if (stringtoken(word, text, p, c1) >= 0 && c1 == 'a' &&
                stringtoken(close, text, p, c2) >= 0 && c2 == '}') {
                result = word;
                return replaceby(p);
            }
            result.clear();
            pos = start;
            return -1;
        }
        if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')) {
            std::size_t p = start + 1;
            result.clear();
            int st = percentfunction(result, text, p);
            if (st == -1) {
                result.clear();
                pos = start;
                return -1;
            }
            text.replace(start, p - start, result);
            fixedTokenWidth = 0;
            pos = start;
            return st;
        }
        if (next == '%') {
            texterase(text, pos);
            result = "%";
            return 0;
        }
        if (quiet()) return keeppercent();
        return missingargument();
    } catch (const std::exception&) {
        printout("\nError:  in routine trying to interpret \"%%\"\n");
        return -1;
    }
}

}  // namespace

int expandpercent(std::string& result, std::string& text, std::size_t& pos) {
    result.clear();
    DepthGuard depth;
    if (depth.failed()) return 18;
    const std::size_t before = text.size();
    int status = expandsequence(result, text, pos);
    // A text that grows past the line buffer cannot be read back into a line. Checked here
    // as well as by the reader, because an argument that holds its own %-sequence makes
    // the text of a nested reader grow at every turn, never reaching the reader's check.
    const std::size_t limit = linelimit();
    if (status == 0 && text.size() > before && text.size() >= limit) {
        printout("\nError:  line too long after %%-expansion (the limit is %d characters).\n",
                 static_cast<int>(limit - 1));
        result.clear();
        return 18;
    }
    return status;
}
