// The border, printer and conditional-format sub-commands of xl.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/printout.h"
#include "excel/excel.h"
#include "excel/jexfont.h"
#include "excel/xl_internal.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"

using xlinternal::islineend;
using xlinternal::istext;
using xlinternal::tokenSize;

namespace {

bool same(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// Two cells (column, row, column, row) with the command's two refusal lines.
bool readcells(std::FILE* in, const char* command, std::string& col1, int& row1, std::string& col2, int& row2) {
    std::string row;
    if (xlcellarg(in, col1, row) != 0) {
        printout("\nError:  in \"xl %s\" command, next arguments must be \"<first column><first row>\".\n", command);
        return false;
    }
    row1 = std::atoi(row.c_str());
    if (xlcellarg(in, col2, row) != 0) {
        printout("\nError:  in \"xl %s <first column><first row>\" command, next arguments must be \"<second column><second row>\".\n", command);
        return false;
    }
    row2 = std::atoi(row.c_str());
    return true;
}

int bordersettings(std::FILE* in) {
    std::string col1, col2;
    int row1, row2;
    if (!readcells(in, "border", col1, row1, col2, row2)) return -1;
    XLBorderSetting setting;
    JexFont font;
    const char* invalid =
        "\nError:  in \"xl border <col 1><row 1><col 2><row 2>\" command, \nnext argument must be a valid border setting (e.g. \"off\").\n";
    for (;;) {
        char token[251];
        int cls = gettoken(token, in, 0, sizeof token);
        if (islineend(cls)) break;
        if (cls == -1) {
            printout("%s", invalid);
            return -1;
        }
        if (!istext(cls)) {
            printout("\nError:  in \"xl border <col 1><row 1><col 2><row 2>\" command, \nnext argument must be a valid color setting.\n");
            return -1;
        }
        const std::string w = token;
        if (JexFont::isColorName(w)) {
            if (!xlinternal::readcolour(in, w, font,
                            "\nError:  in \"xl border <col 1><row 1><col 2><row 2>\" command, \nthe RGB color syntax is incorrect (e.g. \"RGB(<int1>,<int2>,<int3>)\").\n"))
                return -1;
            setting.colour = font.colorValue();
        } else if (isborderweight(w)) {
            setting.weight = w;
        } else if (islinestyle(w)) {
            setting.lineStyle = w;
        } else if (isborderposition(w)) {
            setting.position = w;
        } else if (w == "clear" || w == "off" || w == "none") {
            setting.clearText = "clear";
        } else {
            printout("%s", invalid);
            return -1;
        }
    }
    return excelSession.CellBorder(col1, row1, col2, row2, setting) == 0 ? 0 : -1;
}

int printersettings(std::FILE* in) {
    bool print = false;
    for (;;) {
        char token[tokenSize];
        int cls = gettoken(token, in, 0, tokenSize);
        if (islineend(cls)) break;
        if (cls == -1) {
            printout("\nError:  in \"xl printer\" command, \nnext argument must be a valid printer option (e.g. \"off\").\n");
            return -1;
        }
        if (!istext(cls)) {
            printout("\nError:  in \"xl printer\" command,\tthe next argument must be valid.\n");
            return -1;
        }
        const std::string w = token;
        if (w == "landscape" || w == "portrait") {
            if (excelSession.setWorksheetOrientation(w) != 0) {
                printout("\nError:  in \"xl printer <orientation>\" command, \nthe valid options are \"portrait\" and \"landscape\".\n");
                return -1;
            }
        } else if (w == "area") {
            char next[tokenSize];
            int c = gettoken(next, in, 0, tokenSize);
            if (c == 'a' && (std::strcmp(next, "off") == 0 || std::strcmp(next, "clear") == 0)) {
                if (excelSession.setWorksheetPrintArea("a", 0, "a", 0) != 0) {
                    printout("\nError:  in \"xl printer area off\" command.\n");
                    return -1;
                }
                continue;
            }
            ungettoken();
            std::string col1, col2;
            int row1, row2;
            if (!readcells(in, "printer area", col1, row1, col2, row2)) return -1;
            if (excelSession.setWorksheetPrintArea(col1, row1, col2, row2) != 0) {
                printout("\nError:  in \"xl printer area<col 1><row 1><col 2><row 2>\" command, \nthe syntax or area is invalid.\n");
                return -1;
            }
        } else if (w == "print") {
            print = true;
        } else {
            printout("\nError:  in \"xl printer\" command, the next argument must be valid.\n");
            return -1;
        }
    }
    if (print && excelSession.PrintSheet() != 0) {
        printout("\nError:  in \"xl printer print\" command.\n");
        return -1;
    }
    return 0;
}

// ---- conditional formats ----

constexpr const char* ruleHead = "\nError:  in \"xl cf <col 1><row 1><col 2><row 2> <number of formats>\"";

void invalidcondition() {
    printout("%s\n              \"  value\" command, a valid condition must follow.\n", ruleHead);
}

bool iscomparison(int cls) { return cls == '<' || cls == '>' || cls == '=' || cls == '!'; }

// An operator of one or two of < > = ! after its first character; "=" alone is equality.
// Only the operators a rule can carry pass.
bool readoperator(std::FILE* in, int first, std::string& op) {
    op = std::string(1, static_cast<char>(first));
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (iscomparison(cls)) op += static_cast<char>(cls);
    else ungettoken();
    if (op == "=") op = "==";
    return op == "==" || op == "!=" || op == "<>" || op == "><" || op == ">" || op == "<" || op == ">=" || op == "<=";
}

// The value after an operator: a cell (column ":" row, flag set), a negative number, or a
// number or quoted text as typed.
bool readvalue(std::FILE* in, std::string& value, bool& isCell) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    isCell = false;
    if (cls == 'a') {
        ungettoken();
        std::string col, row;
        if (xlcellarg(in, col, row) != 0) {
            printout("\nError:  in \"xl cf\" command, next arguments must be \"<first column><first row>\".\n");
            return false;
        }
        value = col + ":" + row;
        isCell = true;
        return true;
    }
    if (cls == '-') {
        gettoken(token, in, 0, tokenSize);
        value = std::string("-") + token;
        return true;
    }
    if (cls == 'n' || cls == '"') {
        value = token;
        return true;
    }
    invalidcondition();
    return false;
}

// The settings of a rule's font group.
bool fontsetting(std::FILE* in, int cls, const char* token, XLConditFormatSetting& rule) {
    JexFont& font = rule.font;
    const std::string w = token;
    auto badsize = [] {
        printout("\nError:  in \"xl cf\" command, \nthe font size syntax is incorrect.\n");
        return false;
    };
    if (cls == 'n') {
        int n = std::atoi(token);
        if (n < 1) return badsize();
        font.setSize(n);
        return true;
    }
    if (istext(cls) && JexFont::isColorName(w)) {
        return xlinternal::readcolour(in, w, font,
                          "\nError:  in \"xl cf <col 1><row 1><col 2><row 2>\" command, \nthe RGB color syntax is incorrect (e.g. \"RGB(<int1>,<int2>,<int3>)\").\n");
    }
    if (istext(cls) && JexFont::isTypeface(w)) {
        font.setTypeface(w);
        return true;
    }
    if (w == "bold") return font.setBold(1) == 0;
    if (w == "italic") return font.setItalic(1) == 0;
    const char first = w.empty() ? static_cast<char>(cls) : w[0];
    if (strncasecmp(w.c_str(), "underline", 9) == 0 || (!istext(cls) && std::strchr("-_=~", cls)) ||
        (istext(cls) && (first == '-' || first == '_' || first == '=' || first == '~' || first == 'n' || first == 'f'))) {
        static const char* const named[] = {"UnderlineDouble", "UnderlineDoubleAccounting", "UnderlineNone",
                                            "UnderlineSingle", "UnderlineSingleAccounting"};
        for (const char* n : named)
            if (same(w, n)) return font.setUnderline(n) == 0;
        if (first == '-' || first == '=' || first == '_' || first == '~') return font.setUnderline(std::string(1, first)) == 0;
        if (w == "no" || w == "false") return font.setUnderline("") == 0;
        if (istext(cls) || std::strchr("-_=~", cls)) return font.setUnderline("-") == 0;
    }
    if (istext(cls) && (w == "pitch" || w == "point" || w == "size")) {
        char next[tokenSize];
        if (gettoken(next, in, 0, tokenSize) == 'n') {
            int n = std::atoi(next);
            if (n < 1) return badsize();
            if (w == "point") font.setPitch(n);
            else font.setSize(n);
        } else {
            ungettoken();
            font.setSize(12);
        }
        return true;
    }
    if (istext(cls) && (w.compare(0, 5, "pitch") == 0 || w.compare(0, 5, "point") == 0) && w.size() > 5) {
        int n = std::atoi(w.c_str() + 5);
        if (n < 1) return badsize();
        font.setSize(n);
        return true;
    }
    if (istext(cls) && w.compare(0, 4, "size") == 0 && w.size() > 4) {
        int n = std::atoi(w.c_str() + 4);
        if (w.size() <= 5 || n < 1) return badsize();
        font.setSize(n);
        return true;
    }
    printout("\nError:  in \"xl cf\" command, \nthe font syntax is incorrect.\n");
    return false;
}

// One rule line.
bool readrule(std::FILE* in, XLConditFormatSetting& rule) {
    rule.clear();
    rule.background = -1;
    char token[251];
    int cls = gettoken(token, in, 0, sizeof token);
    if (!istext(cls) || (token[0] != 'v' && token[0] != 'f')) {
        printout("%s command, \nthe next line must begin with \"value\" or \"formula\".\n",
                 "\nError:  in \"xl cf <col 1><row 1><col 2><row 2> <number of formats>\"");
        return false;
    }
    rule.type = token[0] == 'v' ? "v" : "f";
    bool pending = false;  // a token read and not yet used
    if (rule.type == "v") {
        cls = gettoken(token, in, 0, sizeof token);
        if (!iscomparison(cls) || !readoperator(in, cls, rule.op)) {
            invalidcondition();
            return false;
        }
        if (!readvalue(in, rule.formula1, rule.formula1IsCell)) return false;
        cls = gettoken(token, in, 0, sizeof token);
        if (iscomparison(cls)) {
            std::string second;
            if (!readoperator(in, cls, second)) {
                invalidcondition();
                return false;
            }
            if (!readvalue(in, rule.formula2, rule.formula2IsCell)) return false;
            const std::string first = rule.op;
            if ((first == "<" || first == "<=") && (second == ">" || second == ">=")) rule.op = "<>";
            else if ((first == ">" || first == ">=") && (second == "<" || second == "<=")) rule.op = "><";
            cls = gettoken(token, in, 0, sizeof token);
        }
        if (cls == 'a' && std::strcmp(token, "font") != 0 && std::strcmp(token, "border") != 0 &&
            std::strcmp(token, "background") != 0) {
            invalidcondition();
            return false;
        }
        pending = true;
    } else {
        // A formula rule's expression, as a quoted text right after the word.
        cls = gettoken(token, in, 0, sizeof token);
        if (cls == '"') rule.formula1 = token;
        else pending = true;
    }
    // Format groups to the end of the line.
    enum { none, font, border, background } group = none;
    for (;;) {
        if (!pending) cls = gettoken(token, in, 0, sizeof token);
        pending = false;
        if (islineend(cls)) break;
        const std::string w = istext(cls) ? token : "";
        if (w == "font" || w == "border" || w == "background") {
            group = w == "font" ? font : w == "border" ? border : background;
            continue;
        }
        if (group == none) {
            if (!istext(cls)) {
                printout("%s\n              \"  value ...,\" command, a valid format type must follow.\n", ruleHead);
                return false;
            }
            group = w[0] == 'f' ? font : (w[0] == 'b' && w.size() > 1 && w[1] == 'o') ? border : background;
            continue;
        }
        if (group == font) {
            if (!fontsetting(in, cls, token, rule)) return false;
        } else if (group == background) {
            if (istext(cls) && JexFont::isColorName(w)) {
                JexFont colour;
                if (!xlinternal::readcolour(in, w, colour,
                                "\nError:  in \"xl cf <col 1><row 1><col 2><row 2>\" command, \nthe RGB color syntax is incorrect (e.g. \"RGB(<int1>,<int2>,<int3>)\").\n"))
                    return false;
                rule.background = colour.colorValue();
            } else {
                rule.background = 0;
            }
        }
        // Border settings are read and not kept.
    }
    return true;
}

int cfsettings(std::FILE* in) {
    std::string col1, col2;
    int row1, row2;
    if (!readcells(in, "cf", col1, row1, col2, row2)) return -1;
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    const int count = cls == 'n' ? std::atoi(token) : 0;
    if (cls != 'n' || count < 1 || count > 3 || std::atof(token) != count) {
        printout("\nError:  in \"xl cf <col 1><row 1><col 2><row 2>\" command, \nnext argument must be a valid number of formats, between 1 and 3.\n");
        return -1;
    }
    if (!islineend(gettoken(token, in, 0, tokenSize))) {
        printout("\nError:  in \"xl cf <col 1><row 1><col 2><row 2> <number of formats>\" command, \nthere are extra words where a new line should begin.\n");
        return -1;
    }
    XLConditFormatSetting rules[3];
    for (int i = 0; i < count; ++i)
        if (!readrule(in, rules[i])) return -1;
    return excelSession.ConditionalFormat(col1, row1, col2, row2, count, rules) == 0 ? 0 : -1;
}

}  // namespace

int xlbordercmd(std::FILE* in) {
    int rc;
    try {
        rc = bordersettings(in);
    } catch (...) {
        printout("\nError:  in Excel \"border\" command.\n");
        return -1;
    }
    if (rc != 0) {
        printout("Syntax is\n");
        printout("\t\"xl border <col 1><row 1><col 2><row 2><setting>\"\n");
        printout("\t\"Valid settings include\n");
        printout("\t\t\"off\", color, style, weight, and position.\n");
    }
    return rc;
}

int xlprintercmd(std::FILE* in) {
    int rc;
    try {
        rc = printersettings(in);
    } catch (...) {
        printout("\nError:  in Excel \"printer\" command.\n");
        return -1;
    }
    if (rc != 0) {
        printout("Syntax is\n");
        printout("\t\"xl printer <settings>\"\n");
        printout("\t\"Valid settings include\n");
        printout("\t\t[<landscape>|<portrait>], [<area <fc><fr><lc><lr> > | <area off>], [<print>]\n");
    }
    return rc;
}

int xlcfcmd(std::FILE* in) {
    try {
        return cfsettings(in);
    } catch (...) {
        printout("\nError:  in Excel \"cf\" command.\n");
        return -1;
    }
}
