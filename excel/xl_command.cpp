// The xl command's dispatcher, the argument readers its handlers share, and xl setfrequency.
#include <cstdlib>
#include <cstring>

#include "core/numfuncs.h"
#include "core/printout.h"
#include "excel/excel.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "series/group.h"

namespace {

constexpr int tokenSize = 78;

using Handler = int (*)(std::FILE*);

bool leadingpart(const char* word, const char* name, std::size_t least) {
    std::size_t n = std::strlen(word);
    return n >= least && n <= std::strlen(name) && std::strncmp(word, name, n) == 0;
}

// xl replace number: the value a missing cell reads as.
int xlreplace(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    double sign = 1;
    if (cls == '-' || cls == '+') {
        // A signed number, as xl missing takes it.
        sign = cls == '-' ? -1 : 1;
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') cls = 0;
    }
    if (cls != 'n' && cls != '"') {
        printout("Error:  illegal argument in \"xl replace\".  Argument must be a number.\n");
        return -1;
    }
    excelSession.setMissingValue(static_cast<float>(sign * std::atof(token)));
    return 0;
}

int xlclear(std::FILE* in) {
    char token[tokenSize];
    if (gettoken(token, in, 0, tokenSize) != 'a' || std::strcmp(token, "missing") != 0) {
        printout("Error:  illegal argument in \"xl clear\".\n");
        return -1;
    }
    excelSession.clearMissingCodes();
    return 0;
}

int dispatchword(const char* w, std::FILE* in) {
    auto is = [&](const char* name) { return std::strcmp(w, name) == 0; };
    if (is("create")) return xlcreatecmd(in);
    if (leadingpart(w, "modify", 3)) {
        if (xlmodifycmd(in) == -1) {
            printout("Error:  in \"xl modify\".\n");
            return -1;
        }
        return 0;
    }
    if (leadingpart(w, "mkseries", 3)) {
        if (xlmkseriescmd(in) == -1) {
            printout("Error:  in \"xl mkseries\".\n");
            return -1;
        }
        return 0;
    }
    if (is("replace")) return xlreplace(in);
    if (is("clear")) return xlclear(in);
    if (is("missing")) return xlmissingcmd(in);
    if (is("print")) return xlprintcmd(in);
    if (is("save")) return xlsavecmd(in);
    if (is("name")) return xlnamecmd(in);
    if (is("open")) return xlopencmd(in);
    if (is("close")) return excelSession.CloseWorkbook() == 0 ? 0 : -1;
    if (is("exit")) return excelSession.CloseExcel() == 0 ? 0 : -1;
    // The flags are kept; the model has no window to show.
    if (is("visible")) return excelSession.setVisible(1) == 0 ? 0 : -1;
    if (is("invisible")) return excelSession.setVisible(0) == 0 ? 0 : -1;
    if (is("write")) return xlwritecmd(in);
    if (is("vecwrite")) return xlvecwritecmd(in);
    if (is("read")) return xlreadcmd(in);
    if (is("vecread")) return xlvecreadcmd(in);
    if (is("matread")) return xlmatreadcmd(in);
    if (is("column")) return xlcolumncmd(in);
    if (is("row")) return xlrowcmd(in);
    if (is("formula")) return xlformulacmd(in);
    if (is("freeze")) return xlfreezecmd(in);
    if (is("merge")) return xlmergecmd(in);
    if (is("superscript")) return xlscriptcmd(in, 0);
    if (is("subscript")) return xlscriptcmd(in, 1);
    if (is("gridlines")) return xlgridlinescmd(in);
    if (is("font")) return xlfontcmd(in, 0);
    if (is("setfont")) return xlfontcmd(in, 1);
    if (is("background")) return xlbackgroundcmd(in, 0);
    if (is("setbackground")) return xlbackgroundcmd(in, 1);
    if (is("border")) return xlbordercmd(in);
    if (is("printer")) return xlprintercmd(in);
    if (is("cf") || std::strncmp(w, "condform", 8) == 0) return xlcfcmd(in);
    if (std::strncmp(w, "setfr", 5) == 0) return xlsetfrequencycmd(in);
    printout("\nError:  \"%s\" is not a valid argument in xl.\n", w);
    return -1;
}

}  // namespace

int xlcmd(std::FILE* in) {
    char word[tokenSize];
    try {
        if (gettoken(word, in, 0, tokenSize) != 'a') {
            printout("\nError:  \"%s\" is not a valid argument.\n", word);
            return -1;
        }
        return dispatchword(word, in) == 0 ? 0 : -1;
    } catch (...) {
        printout("\nError:  trouble with Excel command.\n");
        return -1;
    }
}

// ---- readers ----

int xlcolumnarg(std::FILE* in, std::string& column, int& tokenClass) {
    char token[tokenSize];
    tokenClass = gettoken(token, in, 0, tokenSize);
    if (tokenClass != 'a' && tokenClass != 'n' && tokenClass != '"') return -1;
    // Lower-case letters among the first two become capitals.
    for (int i = 0; i < 2 && token[i] != '\0'; ++i)
        if (token[i] >= 'a' && token[i] <= 'z') token[i] = static_cast<char>(token[i] - 32);
    if (tokenClass == 'n') {
        const double v = std::atof(token);
        if (!(v >= 1 && v < 257)) return -1;
        const int n = static_cast<int>(v);
        if (n <= 26) {
            column = std::string(1, static_cast<char>('a' + n - 1));
        } else {
            column = std::string(1, static_cast<char>('a' - 1 + (n - 1) / 26));
            column += static_cast<char>('a' + (n - 1) % 26);
        }
        return 0;
    }
    column = token;
    return 0;
}

int xlrowarg(std::FILE* in, std::string& row, int& tokenClass) {
    char token[tokenSize];
    tokenClass = gettoken(token, in, 0, tokenSize);
    if (tokenClass != 'n') return -1;
    const double v = std::atof(token);
    if (!(v >= 0 && v < 65537)) {
        long shown = v > 2147483647.0 ? 2147483647L : static_cast<long>(v);
        printout("\nError:  invalid row:  %ld.\n", shown);
        return -1;
    }
    row = std::to_string(static_cast<int>(v));
    return 0;
}

int xlcellarg(std::FILE* in, std::string& column, std::string& row) {
    int cls;
    if (xlcolumnarg(in, column, cls) != 0) {
        printout("\nError:  invalid column.\n");
        return -1;
    }
    if (xlrowarg(in, row, cls) != 0) {
        printout("\nError:  invalid row.\n");
        return -1;
    }
    return 0;
}

int xldirectionarg(std::FILE* in, char& direction) {
    char token[tokenSize];
    if (gettoken(token, in, 0, tokenSize) == 'a' &&
        (token[0] == 'd' || token[0] == 'r' || token[0] == 'u' || token[0] == 'l')) {
        direction = token[0];
        return 0;
    }
    printout("\nError:  invalid direction!  \nValid directions are \"down\", \"right\", \"up\", or \"left\".\n");
    return -1;
}

int xldatesarg(std::FILE* in, JexDate& first, JexDate& second) {
    char token[tokenSize];
    if (gettoken(token, in, 0, tokenSize) != 'n') {
        ungettoken();
        return 0;
    }
    first = JexDate(static_cast<float>(std::atof(token)));
    second = first;
    if (gettoken(token, in, 0, tokenSize) != 'n') {
        ungettoken();
        return 1;
    }
    second = JexDate(static_cast<float>(std::atof(token)));
    if (second < first) return -1;  // earlier, or of another frequency (-1)
    return 2;
}

int xlgrouparg(std::FILE* in, std::vector<std::int16_t>& out, int limit, const char* letter) {
    out.clear();
    char token[tokenSize];
    gettoken(token, in, 0, tokenSize);
    for (char* p = token; *p; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + 32);
    if (std::strcmp(token, letter) != 0) {
        printout("The Excel group must be preceeded by a %s\n", letter);
        return -1;
    }
    if (gettoken(token, in, 0, tokenSize) != '(') ungettoken();
    // The group's echo goes to a scratch text that is dropped.
    std::vector<char> scratch(3500, '\0');
    char* cursor = scratch.data();
    std::vector<std::int16_t> group;
    int count = parsegroup(in, cursor, group, groupLimit, scratch.size());
    if (count < 0) return -1;
    if (count >= limit) {
        printout("\nError:  the specified group is too large.\n");
        return -1;
    }
    out = std::move(group);
    return 0;
}

int xlsetfrequencycmd(std::FILE* in) {
    char token[tokenSize];
    try {
        if (gettoken(token, in, 0, tokenSize) != 'n' ||
            excelSession.setFrequency(typedint(std::atof(token))) != 0) {
            printout("Error:  in xl setfreqency, a valid frequency must be specified.\n");
            return -1;
        }
    } catch (...) {
        printout("\nError:  in Excel setfrequency command.\n");
        return -1;
    }
    return 0;
}
