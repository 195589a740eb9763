// xl mkseries and xl modify (the series name taken from a cell and the last text read), and
// the missing-value sub-commands xl missing and xl print missing.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/numfuncs.h"
#include "core/printout.h"
#include "excel/excel.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "interp/tokens.h"

namespace {

constexpr int tokenSize = 78;

bool islineend(int cls) { return cls == 'f' || cls == 'e'; }

bool isletter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string floattext(float x) {
    char buffer[64];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, r.ptr);
}

std::string valuetext(const xlmodel::Value& v) {
    return v.kind == xlmodel::Kind::text ? v.text : floattext(static_cast<float>(v.number));
}

// One token, with a sign joined to the number after it: the class of the result ('n' for a
// signed number) and its text.
int signedtoken(std::FILE* in, char* token) {
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != '-' && cls != '+') return cls;
    const char sign = static_cast<char>(cls);
    char number[tokenSize];
    if (gettoken(number, in, 0, tokenSize) != 'n') {
        ungettoken();
        token[0] = sign;
        token[1] = '\0';
        return sign;
    }
    std::snprintf(token, tokenSize, "%c%.*s", sign, tokenSize - 2, number);
    return 'n';
}

}  // namespace

std::string xlreplaceall(const std::string& text, const std::string& target, const std::string& replacement) {
    if (target.empty()) return text;
    std::string out = text;
    std::size_t at = 0;
    while ((at = out.find(target, at)) != std::string::npos) {
        out.replace(at, target.size(), replacement);
        at += replacement.size();
    }
    return out;
}

int xlmkseriescmd(std::FILE* in) {
    char token[tokenSize];
    if (gettoken(token, in, 0, tokenSize) != 'n') {
        printout("\nError:  in \"xl mkseries column\", the first argument must provide the frequency.\n");
        return -1;
    }
    const int frequency = typedint(std::atof(token));
    if (frequency != 1 && frequency != 4 && frequency != 12) {
        printout("\nError:  in \"xl mkseries column\", the frequency must be 1, 4, or 12.\n");
        return -1;
    }
    std::string name, column, row;
    int cls;
    for (;;) {
        if (xlcolumnarg(in, column, cls) != 0) {
            printout("\nError:  in \"xl mkseries <frequency>\", the following argument \n");
            printout("must specify the column to be read or provide a prefix in quotes.\n");
            return -1;
        }
        if (cls != '"') break;
        name += column;
    }
    if (xlrowarg(in, row, cls) != 0) {
        printout("\nError:  in \"xl mkseries <frequency> [\"<prefix>\"] <column>\",\n");
        printout("the next argument must specify the row.\n");
        return -1;
    }
    if (!excelSession.worksheet()) {
        excelSession.readcell(column, row);  // says that no worksheet is open
        return -1;
    }
    try {
        name += excelSession.readcell(column, row);
    } catch (...) {
        return -1;
    }
    while ((cls = gettoken(token, in, 0, tokenSize)) == '"') name += token;
    if (!islineend(cls)) {
        printout("\nError:  extra text in xl mkseries (%s).\n", token);
        printout("Syntax:  \"xl mkseries <frequency>[\"<prefix>\"]<column><row>[\"<suffix>\"]\",\n");
        skipline(in);
        return -1;
    }
    if (name.empty() || !isletter(name[0])) {
        printout("\nError:  invalid series name specified in xl mkseries (%s).\n", name.c_str());
        printout("Series names must start with a letter.\n");
        return -1;
    }
    if (name.size() > static_cast<std::size_t>(maxSeriesNameLength)) {
        reportlongname(name.c_str());
        return -1;
    }
    if (!workspaceBank) return -1;
    excelSession.setSeriesName(name);
    std::vector<float> values(2000, MISSING);
    workspaceBank->setFreq(frequency);
    return workspaceBank->addser(name.c_str(), values.data(), 'y', -1) < 0 ? -1 : 0;
}

int xlmodifycmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    const bool strr = (cls == 'a' || cls == '"') && std::strncmp(token, "strr", 4) == 0;
    const bool serr = (cls == 'a' || cls == '"') && std::strncmp(token, "serr", 4) == 0;
    if (!strr && !serr) {
        printout("\nError:  invalid command in \"xl modify.\"\n");
        return -1;
    }
    if (strr && excelSession.lastText().empty()) {
        printout("\nError:  no string to modify in \"xl modify.\"\n");
        return -1;
    }
    if (serr && (!workspaceBank || excelSession.seriesName().empty() ||
                 workspaceBank->findser(excelSession.seriesName().c_str()) == -1)) {
        printout("\nError:  in \"xl modify.\"\n");
        printout("Series first must be created by \"mkseries\" command.\n");
        return -1;
    }
    cls = gettoken(token, in, 0, tokenSize);
    if (islineend(cls) || token[0] == '\0') {
        if (strr) printout("\nError:  need to supply text to be replaced in \"xl modify strreplace <target>.\"\n");
        return -1;
    }
    const std::string target = token;
    cls = gettoken(token, in, 0, tokenSize);
    if (islineend(cls) || token[0] == '\0') {
        if (strr)
            printout("\nError:  need to supply replacement text in \"xl modify strreplace <target> <replacement>.\"\n");
        return -1;
    }
    const std::string replacement = token;
    if (strr) {
        excelSession.setLastText(xlreplaceall(excelSession.lastText(), target, replacement));
        return 0;
    }
    const std::string renamed = xlreplaceall(excelSession.seriesName(), target, replacement);
    if (renamed.size() > static_cast<std::size_t>(maxSeriesNameLength)) {
        reportlongname(renamed.c_str());
        return -1;
    }
    if (workspaceBank->renser(excelSession.seriesName().c_str(), renamed.c_str()) < 0) return -1;
    excelSession.setSeriesName(renamed);
    return 0;
}

int xlmissingcmd(std::FILE* in) {
    if (excelSession.missingCodeCount() >= Excel::maxMissingCodes()) {
        printout("Error:  cannot have more than %d different entries for \"xl missing\".\n", Excel::maxMissingCodes());
        printout("You can clear the list with \"xl clear missing\".\n");
        return -1;
    }
    char token[tokenSize];
    const int cls = signedtoken(in, token);
    if (cls != 'a' && cls != '"' && cls != 'n') {
        printout("\nError:  \"xl missing\" must be followed by a valid\n");
        printout("argument, e.g. \"NA\", 0.0, ?, ....\n");
        if (excelSession.missingCodeCount() > 0) {
            printout("\nList of missing value codes:\n");
            int i = 1;
            for (const MissingCode& code : excelSession.missingCodes()) {
                printout("%d\t%s\n", i++, code.isText ? code.text.c_str() : floattext(code.number).c_str());
            }
            printout("\n");
        }
        return islineend(cls) ? 0 : -1;
    }
    skipline(in);
    const int result = cls == 'n' ? excelSession.addMissingNumber(static_cast<float>(std::atof(token)))
                                  : excelSession.addMissingCode(token);
    return result == 0 ? 0 : -1;
}

int xlprintcmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (islineend(cls)) {
        printout("\nError:  \"xl print\" must be followed by a valid\n");
        printout("argument, e.g. \"missing [<symbol>]\"\n");
        return -1;
    }
    if (cls != 'a' || std::strcmp(token, "missing") != 0) {
        printout("\nError:  cannot process argument \"%s\" in \n\"xl print\" command.\n", token);
        return -1;
    }
    cls = signedtoken(in, token);
    if (islineend(cls)) {
        printout("\nxl will print missing values as \"%s\"\n", valuetext(excelSession.printMissingAs()).c_str());
        return 0;
    }
    xlmodel::Value v;
    if (cls == 'n') v = xlmodel::Value::num(static_cast<float>(std::atof(token)));
    else v = xlmodel::Value::str(cls == '"' && token[0] == '\0' ? std::string(" ") : std::string(token));
    return excelSession.setPrintMissingAs(v) == 0 ? 0 : -1;
}
