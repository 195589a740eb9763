// xl open, create, save and name: the server, workbook and sheet sub-commands. Each reads
// its words and calls one operation of the link, which prints its own reasons.
#include <cstring>
#include <string>

#include "core/printout.h"
#include "excel/excel.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "interp/tokens.h"

namespace {

constexpr int tokenSize = 78;

bool istext(int cls) { return cls == 'a' || cls == '"'; }
bool islineend(int cls) { return cls == 'f' || cls == 'e'; }
bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// A leading part of before, left, after or right: the place of a new sheet.
const char* positionword(const char* w) {
    std::size_t n = std::strlen(w);
    if (n == 0) return nullptr;
    for (const char* before : {"before", "left"})
        if (n <= std::strlen(before) && std::strncmp(w, before, n) == 0) return "before";
    for (const char* after : {"after", "right"})
        if (n <= std::strlen(after) && std::strncmp(w, after, n) == 0) return "after";
    return nullptr;
}

}  // namespace

int xlopencmd(std::FILE* in) {
    char token[tokenSize];
    try {
        int cls = gettoken(token, in, 0, tokenSize);
        int result;
        if ((cls == 'a' && same(token, "excel")) || islineend(cls)) {
            result = excelSession.OpenExcel();
        } else if (cls == 'a' && (same(token, "worksheet") || same(token, "ws"))) {
            cls = gettoken(token, in, 0, tokenSize);
            result = excelSession.OpenSheet(islineend(cls) ? std::string("1") : std::string(token));
        } else {
            if (!istext(cls)) {
                printout("\nError:  in \"xl open\" line; argument %s is not valid.\n\n", token);
                return -1;
            }
            if (cls == 'a' && (same(token, "workbook") || same(token, "wb"))) {
                cls = gettoken(token, in, 0, tokenSize);
                result = excelSession.OpenWorkbook(islineend(cls) ? std::string() : std::string(token));
            } else {
                result = excelSession.OpenWorkbook(token);
            }
        }
        if (result != 0) return -1;
        if (!islineend(cls)) skipline(in);
        return 0;
    } catch (...) {
        printout("\nError:  cannot open Excel object.\n");
        return -1;
    }
}

int xlcreatecmd(std::FILE* in) {
    char token[tokenSize];
    std::string position = "after", name, format, kind = "wb";
    int cls = gettoken(token, in, 0, tokenSize);
    if (istext(cls)) {
        // Only a leading part of a position word is one; any other word is a file name.
        if (const char* p = positionword(token)) {
            position = p;
            cls = gettoken(token, in, 0, tokenSize);
        }
    }
    if (cls == 'a' && (same(token, "worksheet") || same(token, "ws") || same(token, "chart") || same(token, "ch"))) {
        kind = token[1] == 'h' ? "ch" : "ws";
        cls = gettoken(token, in, 0, tokenSize);
        if (istext(cls)) name = token;
        else ungettoken();
    } else if (istext(cls)) {
        bool keyword = cls == 'a' && (same(token, "workbook") || same(token, "wb"));
        if (keyword) cls = gettoken(token, in, 0, tokenSize);
        if (istext(cls)) {
            name = token;
            cls = gettoken(token, in, 0, tokenSize);
            if (istext(cls)) format = token;
            else ungettoken();
        } else {
            ungettoken();
        }
    }
    if (!islineend(cls)) skipline(in);
    if (!islineend(cls) && cls != 'n' && !istext(cls)) {
        printout("\nError:  Invalid argument in xl create command:  %s\n", token);
        return -1;
    }
    try {
        return excelSession.Create(name, kind, format, position) == 0 ? 0 : -1;
    } catch (...) {
        printout("\nError:  cannot create new Excel %s.\n",
                 kind == "ws" ? "worksheet" : kind == "ch" ? "chart" : "workbook");
        return -1;
    }
}

int xlsavecmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'a') {
        for (const char* w : {"workbook", "wb", "chart", "ch", "worksheet", "ws"})
            if (same(token, w)) {
                cls = gettoken(token, in, 0, tokenSize);
                break;
            }
    }
    if (islineend(cls)) return excelSession.SaveWorksheet("", "", 1) == 0 ? 0 : -1;
    if (!istext(cls)) {
        printout("Error:  %s is not a legal worksheet name.\n", token);
        return -1;
    }
    std::string name = token, format;
    cls = gettoken(token, in, 0, tokenSize);
    if (istext(cls)) format = token;
    else ungettoken();
    if (excelSession.SaveWorksheet(name, format, 2) != 0) return -1;
    if (!islineend(cls)) {
        skipline(in);
        // The name of the file written, as the save completed it (an extension added).
        std::string written = excelSession.workbook() ? excelSession.workbook()->path() : name;
        std::size_t slash = written.rfind('/');
        if (slash != std::string::npos) written.erase(0, slash + 1);
        printout("Workbook saved:  %s\n", written.c_str());
    }
    return 0;
}

int xlnamecmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a' || !(same(token, "worksheet") || same(token, "ws") || same(token, "chart") || same(token, "ch"))) {
        printout("\nError:  syntax is \"xl name <ws|ch> <name>\".\n");
        printout("Please include \"ws\" or \"ch\"\n");
        return -1;
    }
    const bool sheet = token[0] == 'w';
    const char* what = sheet ? "worksheet" : "chart";
    cls = gettoken(token, in, 0, tokenSize);
    if (!islineend(cls)) {
        std::string name = token;
        skipline(in);
        try {
            return (sheet ? excelSession.setWorksheetName(name) : excelSession.setChartName(name)) == 0 ? 0 : -1;
        } catch (...) {
            printout("\nError:  cannot name Excel %s.\n", what);
            return -1;
        }
    }
    try {
        std::string name;
        if ((sheet ? excelSession.getWorksheetName(name) : excelSession.getChartName(name)) != 0) return -1;
        excelSession.setLastText(name);
        return 0;
    } catch (...) {
        printout("\nError:  cannot get name of Excel %s.\n", what);
        return -1;
    }
}
