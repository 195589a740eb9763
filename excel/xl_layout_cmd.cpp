// The sheet layout sub-commands of xl: column, row, formula, freeze, merge, superscript and
// subscript, gridlines.
#include <strings.h>

#include <cstdlib>
#include <stdexcept>
#include <cstring>
#include <string>

#include "banks/lookup.h"
#include "core/printout.h"
#include "excel/columns.h"
#include "excel/excel.h"
#include "excel/jexfont.h"
#include "excel/xl_internal.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"

using xlinternal::islineend;
using xlinternal::istext;
using xlinternal::tokenSize;

namespace {

// Runs a handler body: an exception prints its line and gives -1 without the syntax text;
// any other non-zero result is followed by the syntax text.
template <class Body>
int guarded(const char* failure, void (*syntax)(), Body body) {
    int rc;
    try {
        rc = body();
    } catch (...) {
        printout("%s", failure);
        return -1;
    }
    if (rc != 0 && syntax) syntax();
    return rc;
}

void columnsyntax() {
    printout("Syntax is\n");
    printout("\t\"xl column width <column> <width>\n");
    printout("\t\"xl column delete <column>\n");
}

void rowsyntax() {
    printout("Syntax is\n");
    printout("\t\"xl row height <row> <height>\n");
    printout("\t\"xl row delete <row>\n");
}

void formulasyntax() {
    printout("Syntax is\n");
    printout("\txl formula <column> <row> \"<formula>\"\n");
    printout("\t\t\"such as \"=sum(A1:A10)\"\n");
}

void freezesyntax() {
    printout("Syntax is\n");
    printout("\txl freeze <[r | c | rc | off]> [[r | c | rc] [rc]]>\n");
}

void gridlinessyntax() {
    printout("Syntax is\n");
    printout("\txl %s [<on|off>] [<color>] \n", "gridlines");
}

}  // namespace

int splitcell(const std::string& text, std::string& letters, std::string& digits) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (isnumchar(static_cast<unsigned char>(text[i]))) {
            letters += text.substr(0, i);
            digits += text.substr(i);
            return 0;
        }
    return -1;
}

int xlcolumncmd(std::FILE* in) {
    return guarded("\nError:  in Excel \"column\" command.\n", columnsyntax, [&]() {
        char instruction[tokenSize], token[tokenSize];
        int cls = gettoken(instruction, in, 0, tokenSize);
        if (islineend(cls)) return 27;
        if (cls != 'a') {
            printout("\nError:  in \"xl column\" command, next argument must specify an instruction.\n");
            return -1;
        }
        std::string column;
        if (xlcolumnarg(in, column, cls) != 0) {
            printout("\nError:  in \"xl column width\", following argument must specify the column.\n");
            return -1;
        }
        if (instruction[0] == 'w') {
            if (gettoken(token, in, 0, tokenSize) != 'n') {
                printout("\nError:  in \"xl column width <column>\" command,\nnext argument must specify the width.\n");
                return -1;
            }
            if (excelSession.setColWidth(column, static_cast<float>(std::atof(token))) != 0) {
                printout("\nError:  in \"xl column width\" command, error when setting width.\n");
                return -1;
            }
            return 0;
        }
        if (instruction[0] == 'd') {
            if (excelSession.deleteCol(column) != 0) {
                printout("\nError:  in \"xl column delete <column>\" command, error when deleting.\n");
                return -1;
            }
            return 0;
        }
        printout("\nError:  in \"xl column\" command, next argument must specify a valid instruction.\n");
        return -1;
    });
}

int xlrowcmd(std::FILE* in) {
    return guarded("\nError:  in Excel \"row\" command.\n", rowsyntax, [&]() {
        char instruction[tokenSize], token[tokenSize];
        int cls = gettoken(instruction, in, 0, tokenSize);
        if (islineend(cls)) return 27;
        if (cls != 'a') {
            printout("\nError:  in \"xl row\" command, next argument must be \"height\".\n");
            return -1;
        }
        std::string row;
        if (xlrowarg(in, row, cls) != 0) return -1;
        if (instruction[0] == 'h') {
            if (gettoken(token, in, 0, tokenSize) != 'n') {
                printout("\nError:  in \"xl row height <row>\" command,\nnext argument must specify the height.\n");
                return -1;
            }
            if (excelSession.setRowHeight(row, static_cast<float>(std::atof(token))) != 0) {
                printout("\nError:  in \"xl row height\" command, error when setting height.\n");
                return -1;
            }
            return 0;
        }
        if (instruction[0] == 'd') {
            if (excelSession.deleteRow(row) != 0) {
                printout("\nError:  in \"xl row delete <row>\" command, error when deleting row.\n");
                return -1;
            }
            return 0;
        }
        printout("\nError:  in \"xl row\" command, next argument must specify a valid instruction.\n");
        return -1;
    });
}

int xlformulacmd(std::FILE* in) {
    return guarded("\nError:  in Excel \"formula\" command.\n", formulasyntax, [&]() {
        std::string column, row;
        int cls;
        if (xlcolumnarg(in, column, cls) != 0) {
            if (islineend(cls)) return 27;
            printout("\nError:  in \"xl formula\" command, next argument must be \"column\".\n");
            return -1;
        }
        if (xlrowarg(in, row, cls) != 0) {
            printout("\nError:  in \"xl formula <col 1>\" command, next argument must be \"row\".\n");
            return -1;
        }
        char formula[tokenSize * 4];
        cls = gettoken(formula, in, 0, sizeof formula);
        if (!istext(cls) && cls != '=') {
            printout("\nError:  in \"xl formula <col 1><row 1>\" command, \nnext argument must be a valid formula setting (i.e. \"=sum(A1:A10)\").\n");
            return -1;
        }
        const int r = std::atoi(row.c_str());
        return excelSession.setFormula(column, r, column, r, formula) == 0 ? 0 : -1;
    });
}

int xlfreezecmd(std::FILE* in) {
    return guarded("\nError:  in Excel \"freeze\" command.\n", freezesyntax, [&]() {
        char first[tokenSize], second[tokenSize], third[tokenSize];
        int c1 = gettoken(first, in, 0, tokenSize);
        if (islineend(c1)) return 27;
        int c2 = 'f', c3 = 'f';
        if (c1 == 'n' || c1 == 'a') {
            c2 = gettoken(second, in, 0, tokenSize);
            if (c2 == 'n' || c2 == 'a') c3 = gettoken(third, in, 0, tokenSize);
        }
        enum { off, row, column, cell } kind;
        std::string where = first, whereCol, whereRow;
        if (c1 == 'a' && where == "off") kind = off;
        else if (c1 == 'n') kind = row;
        else if (c1 == 'a' && isnumchar(static_cast<unsigned char>(where.back()))) kind = cell;
        else if (c1 == 'a') kind = column;
        else return -1;
        if (kind == cell) splitcell(where, whereCol, whereRow);

        std::string rowBefore, colBefore, colAfter, rowAfter;
        if (!islineend(c2) && kind != off) {
            if (kind == row) {
                if (c2 != 'n') return -1;
                rowBefore = second;
            } else if (kind == column) {
                if (c2 != 'a') return -1;
                colBefore = second;
            } else {
                if (c2 != 'a') return -1;
                splitcell(second, colBefore, rowBefore);
                if (colBefore.empty() && rowBefore.empty()) colBefore = second;
            }
            if (!islineend(c3)) {
                if (c3 != 'a') return -1;
                if (splitcell(third, colAfter, rowAfter) != 0) colAfter = third;
            }
        } else if (!islineend(c2)) {
            return -1;
        }

        // The positions must lie on the sheet, before the split where they scroll before it.
        const int rows = excelSession.rows(), cols = excelSession.columns();
        auto rowof = [](const std::string& t) {
            char* end = nullptr;
            long v = std::strtol(t.c_str(), &end, 10);
            if (t.empty() || *end) throw std::invalid_argument("not a row: " + t);
            return v;
        };
        auto colof = [](const std::string& t) { return static_cast<long>(colnumber(t)); };
        auto given = [](const std::string& t) { return !t.empty(); };
        bool ok = true;
        // A row text that is not a whole number is the server's refusal, with the syntax.
        try {
        if (kind == row) {
            long r = rowof(where);
            ok = r >= 1 && r <= rows && (!given(rowBefore) || (rowof(rowBefore) >= 1 && rowof(rowBefore) < r)) &&
                 (!given(rowAfter) || (rowof(rowAfter) >= r && rowof(rowAfter) >= 1)) &&
                 (!given(colAfter) || (colof(colAfter) >= 1 && colof(colAfter) <= cols));
        } else if (kind == column) {
            long c = colof(where);
            ok = c >= 1 && c <= cols && (!given(colBefore) || (colof(colBefore) >= 1 && colof(colBefore) < c)) &&
                 (!given(rowAfter) || (rowof(rowAfter) >= 1 && rowof(rowAfter) <= rows)) &&
                 (!given(colAfter) || (colof(colAfter) >= c && colof(colAfter) >= 1));
        } else if (kind == cell) {
            long r = rowof(whereRow), c = colof(whereCol);
            ok = r >= 1 && r <= rows && c >= 1 && c <= cols &&
                 (!given(rowBefore) || (rowof(rowBefore) >= 1 && rowof(rowBefore) < r)) &&
                 (!given(colBefore) || (colof(colBefore) >= 1 && colof(colBefore) < c)) &&
                 (!given(rowAfter) || (rowof(rowAfter) >= r && rowof(rowAfter) >= 1)) &&
                 (!given(colAfter) || (colof(colAfter) >= c && colof(colAfter) >= 1));
        }
        } catch (const std::invalid_argument&) {
            printout("\nError:  in Excel \"freeze\" command.\n");
            return -1;
        }
        if (!ok) return -1;
        return excelSession.Freeze(where, rowBefore, colBefore, colAfter, rowAfter) == 0 ? 0 : -1;
    });
}

int xlmergecmd(std::FILE* in) {
    try {
        std::string col1, row1, col2, row2;
        int cls;
        if (xlcolumnarg(in, col1, cls) != 0) {
            printout("\nError:  in \"xl merge\", following argument must specify the column.\n");
            return -1;
        }
        if (xlrowarg(in, row1, cls) != 0) {
            printout("\nError:  in \"xl merge column\", following argument must specify the row.\n");
            return -1;
        }
        if (xlcolumnarg(in, col2, cls) != 0) {
            printout("\nError:  in \"xl merge <column1> <row1>\", following argument must specify the column.\n");
            return -1;
        }
        if (xlrowarg(in, row2, cls) != 0) {
            printout("\nError:  in \"xl merge <column1> <row1> <column2>\", following argument must specify the row.\n");
            return -1;
        }
        char token[tokenSize];
        int merge = 1;
        cls = gettoken(token, in, 0, tokenSize);
        if (!islineend(cls)) {
            if (cls != 'a' || std::strcmp(token, "off") != 0) {
                printout("\nError:  in \"xl merge <column1> <row1> <column2> <row2>\", an optional final argument must be \"off\".\n");
                return -1;
            }
            merge = 0;
        }
        const int rows = excelSession.rows(), cols = excelSession.columns();
        const int r1 = std::atoi(row1.c_str()), r2 = std::atoi(row2.c_str());
        const int c1 = colnumber(col1), c2 = colnumber(col2);
        if (!(r1 >= 1 && r1 <= rows && r2 >= r1 && r2 <= rows && c1 >= 1 && c1 <= cols && c2 >= c1 && c2 <= cols))
            return -1;
        return excelSession.setMerge(col1, row1, col2, row2, merge) == 0 ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

int xlscriptcmd(std::FILE* in, int subscript) {
    const char* name = subscript ? "subscript" : "superscript";
    int rc;
    try {
        rc = [&]() {
            std::string column, row;
            int cls;
            if (xlcolumnarg(in, column, cls) != 0) {
                printout("\nError:  in \"xl %s\", following argument must specify the column.\n", name);
                return -1;
            }
            if (xlrowarg(in, row, cls) != 0) {
                printout("\nError:  in \"xl %s column\", following argument must specify the row.\n", name);
                return -1;
            }
            char text[251];
            if (gettoken(text, in, 0, sizeof text) != '"') return -1;
            if (text[0] == '\0') return 0;
            const int r = std::atoi(row.c_str());
            std::string present;
            if (excelSession.ReadString(column, r, present, 0) != 0) return -1;
            // The combined text stays a text: a mark after a number must not make it a
            // bigger number.
            std::string combined = present + text;
            if (excelSession.WriteString(column, r, combined, true) != 0) return -1;
            const int start = static_cast<int>(present.size()) + 1;
            const int length = static_cast<int>(std::strlen(text));
            return excelSession.Superscript(column, r, start, length, subscript, combined) == 0 ? 0 : -1;
        }();
    } catch (...) {
        printout("\nError:  in Excel %s command.\n", name);
        return -1;
    }
    if (rc != 0) {
        printout("Syntax is\n");
        printout("\txl %s <column> <row> \"<text>\"\n", name);
    }
    return rc;
}

int xlgridlinescmd(std::FILE* in) {
    return guarded("\nError:  in Excel gridlines command.\n", gridlinessyntax, [&]() {
        int show = -1;
        std::string colour;
        int words = 0;
        JexFont font;
        while (words < 2) {
            char token[251];
            int cls = gettoken(token, in, 0, sizeof token);
            if (!istext(cls)) {
                if (words > 0 && islineend(cls)) break;
                printout("\nError:  ");
                return -1;
            }
            std::string w = token;
            if (w == "false" || w == "off" || w == "hide") {
                show = 0;
            } else if (w == "true" || w == "on" || w == "view") {
                show = 1;
            } else if (!JexFont::isColorName(w)) {
                printout("\nError:  ");
                return -1;
            } else if (!xlinternal::readcolour(in, w, font,
                                               "\nError:  in \"xl gridlines\" command, \nthe RGB color syntax is incorrect (i.e. \"RGB(<int1>,<int2>,<int3>)\").\n")) {
                if (strcasecmp(w.c_str(), "RGB") != 0) printout("\nError:  ");
                return -1;
            } else {
                colour = font.colorName();
            }
            ++words;
        }
        excelSession.setGridlines(show, colour);
        return 0;
    });
}
