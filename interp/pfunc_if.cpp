// The condition of %if: comparisons of numbers and of texts, a little arithmetic on the
// left value (+ * / from left to right), unary '-' and '!', parenthesised groups, and the
// joins || and && (a join takes everything after it as its right side). The condition is
// read token by token from the text and evaluated as it is read.
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/printout.h"
#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "interp/state.h"

namespace {

// Messages, as printed.
const char* const stringsOnly =
    "Error:  in \"%if()\" function, strings only may be compared with ==, !=, <, <=, >=, or >.\n";
const char* const handlingStrings = "Error:  in \"%if()\" function, an error in handling strings.\n";
const char* const secondString = "Error:  in \"%if()\" function, second argument must be a string.\n";
const char* const handlingStringsIf = "Error:  in \"if\" function, an error in handling strings.\n";
const char* const minusFollow =
    "\nError:  a \"-\" must be followed by a number or a \"(\" in the \"%if()\" function .\n";
const char* const notFollow =
    "\nError:  a \"!\" must be followed by a number or a \"(\" in the \"%if()\" function .\n";
const char* const invalidComparison = "\nError:  invalid comparison in the \"%if()\" function.\n";
const char* const divideByZero = "\nDivide-by-zero error in \"%if()\" function.\n";
const char* const inCondition = "\nError:  In the \"%if()\" function condition.\n";
const char* const invalidArgument = "\nError:  invalid argument in the \"%if()\" function.\n";
const char* const notUnderstood =
    "\nError:  the \"%%if()\" function condition \"%s\" was not understood.\n";
const char* const mustBeFollowed =
    "\nError:  the \"%if()\" function arguments must be followed by a \")\" or with another argument.\n";

// Prints a message unless in quiet mode; -1.
int complain(const char* message) {
    if (percentMode != 2) printout("%s", message);
    return -1;
}

// Keeps percentMode for the lifetime of a skip.
class ModeKeeper {
public:
    explicit ModeKeeper(int mode) : saved_(percentMode) { percentMode = mode; }
    ~ModeKeeper() { percentMode = saved_; }
    ModeKeeper(const ModeKeeper&) = delete;
    ModeKeeper& operator=(const ModeKeeper&) = delete;

private:
    int saved_;
};

class ConditionReader {
public:
    ConditionReader(std::string& text, std::size_t& pos) : text_(text), pos_(pos) {}

    // One condition. depth 0 is the top level of %if, whose condition ends at its ','.
    // `ending` receives the token that ended the condition (',' or ')'), or 0 when it
    // ended otherwise (a newline or the end of the text in a skip).
    int condition(unsigned char& truth, int depth, int& ending) {
        truth = 0;
        ending = 0;
        std::string t;
        int c = 0;
        if (int a = next(t, c)) return a;
        if (c == 'a' || c == '"') return textcondition(t, truth, depth, ending);
        if (c == 'n' || c == '(' || c == '!' || c == '-') return numbercondition(t, c, truth, depth, ending);
        return complain(invalidComparison);
    }

private:
    std::string& text_;
    std::size_t& pos_;

    // The next token; 0, or an abort code passed up from a nested expansion. A token that
    // cannot be read (end of the text, a failed expansion) has the class -1.
    int next(std::string& token, int& cls) {
        if (stringtoken(token, text_, pos_, cls) < 0) {
            if (cls > 0) return cls;
            cls = -1;
            token.clear();
        }
        return 0;
    }

    int textcondition(const std::string& left, unsigned char& truth, int depth, int& ending) {
        std::string t;
        int c = 0;
        if (int a = next(t, c)) return a;
        if (c != '=' && c != '!' && c != '<' && c != '>') return complain(stringsOnly);
        std::string op(1, static_cast<char>(c));
        if (int a = next(t, c)) return a;
        if (c == '=') {
            op += '=';
        } else if (c == 'a') {
            pushtoken(t, 'a');
        } else {
            return complain(handlingStrings);
        }
        std::string right;
        if (int a = next(right, c)) return a;
        if (c != 'a' && c != '"') return complain(secondString);
        int cmp = left.compare(right);  // byte by byte as unsigned characters
        if (op == "!=") truth = cmp != 0;
        else if (op == "<=") truth = cmp <= 0;
        else if (op == "<") truth = cmp < 0;
        else if (op == "==") truth = cmp == 0;
        else if (op == ">=") truth = cmp >= 0;
        else if (op == ">") truth = cmp > 0;
        else return complain(handlingStringsIf);
        return endtest(truth, depth, ending);
    }

    // A parenthesised group: its truth (the group reads its own ')').
    int group(unsigned char& truth, int depth) {
        int inner = 0;
        return condition(truth, depth + 1, inner);
    }

    // The left value of a numeric condition, from its first token.
    int leftvalue(const std::string& first, int c, double& value, int depth) {
        if (c == 'n') {
            value = std::atof(first.c_str());
            return 0;
        }
        if (c == '(') {
            unsigned char t = 0;
            if (int st = group(t, depth)) return st;
            value = t;
            return 0;
        }
        std::string t;
        int tc = 0;
        if (int a = next(t, tc)) return a;
        if (c == '-') {
            if (tc == 'n') {
                value = -std::atof(t.c_str());
                return 0;
            }
            if (tc == '(') {
                unsigned char g = 0;
                if (int st = group(g, depth)) return st;
                value = -static_cast<double>(g);
                return 0;
            }
            return complain(minusFollow);
        }
        // '!'
        if (tc == 'n') {
            value = std::atof(t.c_str()) == 0 ? 1 : 0;
            return 0;
        }
        if (tc == '(') {
            unsigned char g = 0;
            if (int st = group(g, depth)) return st;
            value = g == 0 ? 1 : 0;
            return 0;
        }
        return complain(notFollow);
    }

    int numbercondition(const std::string& first, int c, unsigned char& truth, int depth, int& ending) {
        double left = 0;
        if (int st = leftvalue(first, c, left, depth)) return st;
        std::string t;
        for (;;) {
            if (int a = next(t, c)) return a;
            if (c == ')') {
                truth = left != 0;
                ending = ')';
                return 0;
            }
            if (c == '+' || c == '*' || c == '/') {
                std::string number;
                int nc = 0;
                if (int a = next(number, nc)) return a;
                if (nc != 'n') return complain(invalidComparison);
                double v = std::atof(number.c_str());
                if (c == '+') {
                    left += v;
                } else if (c == '*') {
                    left *= v;
                } else if (std::fabs(v) < 0.0000001) {
                    printout("%s", divideByZero);  // printed in quiet mode too
                    left = 0;
                } else {
                    left /= v;
                }
                continue;
            }
            if (c == '<' || c == '=' || c == '>' || c == '!' || c == '|' || c == '&' || c == '-') break;
            return complain(invalidComparison);
        }
        return comparison(left, c, truth, depth, ending);
    }

    int comparison(double left, int c, unsigned char& truth, int depth, int& ending) {
        std::string op(1, static_cast<char>(c));
        double right = 0;
        bool ended = false;  // a nested right side has read the end of the condition
        std::string t;
        int tc = 0;
        if (c == '-') {
            // Subtraction is not available in conditions: the operator is not understood.
            if (int a = next(t, tc)) return a;
            if (tc != 'n' && tc != '(') return complain(minusFollow);
        } else {
            if (int a = next(t, tc)) return a;
            if (tc == '=') {
                if (c == '|' || c == '&') return complain(inCondition);
                op += '=';
                if (int a = next(t, tc)) return a;
                if (tc == 'n') right = std::atof(t.c_str());
                else if (op == "!=") right = left + 222;  // a word after != : the condition holds
                else return complain(invalidArgument);
            } else if (tc == '|' || tc == '&') {
                if (tc != c) return complain(inCondition);
                // A join directly after a value always reads its right side.
                unsigned char rightTruth = 0;
                if (int st = condition(rightTruth, depth, ending)) return st;
                truth = c == '|' ? (left != 0 || rightTruth) : (left != 0 && rightTruth);
                return 0;
            } else if (tc == '!') {
                unsigned char nested = 0;
                if (int st = condition(nested, depth, ending)) return st;
                right = -static_cast<double>(nested);
                ended = true;
            } else if (tc == '-') {
                if (int a = next(t, tc)) return a;
                if (tc == 'n') {
                    right = -std::atof(t.c_str());
                } else if (tc == '(') {
                    unsigned char g = 0;
                    if (int st = group(g, depth)) return st;
                    right = -static_cast<double>(g);
                } else {
                    return complain(minusFollow);
                }
            } else if (tc == 'n') {
                right = std::atof(t.c_str());
            } else {
                return complain(inCondition);
            }
        }
        if (op == "<") truth = left < right;
        else if (op == "<=") truth = left <= right;
        else if (op == "==") truth = left == right;
        else if (op == ">=") truth = left >= right;
        else if (op == ">") truth = left > right;
        else if (op == "!=") truth = left != right;
        else {
            if (percentMode != 2) printout(notUnderstood, op.c_str());
            return -1;
        }
        if (ended) return 0;
        return endtest(truth, depth, ending);
    }

    // After a comparison: ',' or ')' ends the condition; || or && joins the next one.
    int endtest(unsigned char& truth, int depth, int& ending) {
        std::string t;
        int c = 0;
        if (int a = next(t, c)) return a;
        if (c == ',' || c == ')') {
            ending = c;
            return 0;
        }
        if (c != '|' && c != '&') return complain(mustBeFollowed);
        int join = c;
        if (int a = next(t, c)) return a;
        if (c != join) return complain(inCondition);
        if (join == '|') {
            if (truth) {
                truth = 1;
                return skipcharacters(depth, ending);
            }
        } else if (!truth) {
            truth = 0;
            return skiptokens(depth, ending);
        }
        unsigned char rightTruth = 0;
        if (int st = condition(rightTruth, depth, ending)) return st;
        truth = rightTruth;
        return 0;
    }

    // The right side of a || whose left side holds: read unexpanded, character by
    // character, to the ')' that closes the current group; at the top level of %if to the
    // ',' that ends the condition (a ',' or parenthesis inside a quoted text does not
    // count). A newline also ends it. The end of the text gives -1, the characters Escape
    // and Ctrl-R give 27 and 18.
    int skipcharacters(int depth, int& ending) {
        ModeKeeper off(0);
        int count = 1;
        for (;;) {
            int ch = textgetc(text_, pos_);
            if (ch < 0) return -1;
            if (ch == 27 || ch == 18) return ch;
            if (ch == '\n') return 0;
            if (ch == '"') {
                while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\n') ++pos_;
                if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
                continue;
            }
            if (ch == '(') {
                ++count;
            } else if (ch == ')') {
                if (--count == 0) {
                    ending = ')';
                    return 0;
                }
            } else if (ch == ',' && depth == 0 && count == 1) {
                ending = ',';
                return 0;
            }
        }
    }

    // The right side of a && whose left side is false: read token by token to the ')'
    // that closes the current group (at the top level of %if to the ',' that ends the
    // condition), the end of the line or the end of the text.
    int skiptokens(int depth, int& ending) {
        int count = 1;
        std::string t;
        for (;;) {
            int c = 0;
            if (int a = next(t, c)) return a;
            // The end of the text ends the skip; a %-sequence that failed in the skipped
            // part (its message printed) fails the condition.
            if (c == -1) return pos_ < text_.size() ? -1 : 0;
            if (c == 'f') return 0;
            if (c == '(') {
                ++count;
            } else if (c == ')') {
                if (--count == 0) {
                    ending = ')';
                    return 0;
                }
            } else if (c == ',' && depth == 0 && count == 1) {
                ending = ',';
                return 0;
            }
        }
    }
};

}  // namespace

int percentif(std::string& text, std::size_t& pos, int& cls, unsigned char& truth) {
    ConditionReader reader(text, pos);
    int ending = 0;
    int status = reader.condition(truth, 0, ending);
    cls = status;
    return status;
}
