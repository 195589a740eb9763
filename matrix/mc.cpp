#include "matrix/mc.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/date.h"
#include "core/matrix.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "matrix/frame.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "series/series_state.h"
#include "vam/element_access.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using namespace mframe;

int clipdates(JexDate& first, JexDate& last, const JexDate& from, const JexDate& to) {
    if (first.frequency == 0 || from.frequency == 0 || first.frequency != from.frequency ||
        last.frequency != to.frequency)
        return -1;
    if (first > last || from > to || last < from || to < first) return -1;
    if (first < from) first = from;
    if (last > to) last = to;
    return 0;
}

int mcgroup(int& count, std::FILE* in) {
    char token[tokenSize];
    if (gettoken(token, in, 0, tokenSize) != '[') {
        ungettoken();
        return 0;
    }
    // The group parser ends a group at ')': the closing ']' of this line is read as one.
    // A group not closed on its line is refused (the parser would read on past the line).
    char* close = nullptr;
    if (!tokenPushedBack && !ungotChar && readPointer) {
        close = std::strchr(readPointer, ']');
        char* line = std::strchr(readPointer, '\n');
        if (close && line && line < close) close = nullptr;
    }
    if (!close) {
        printout("Error:  problem in list.\n");
        return -1;
    }
    *close = ')';
    char text[exprTextSize];
    char* cursor = text;
    std::vector<std::int16_t> members;
    count = parsegroup(in, cursor, members, groupLimit, sizeof text);
    return count <= 0 ? -1 : 0;
}

int mccmd(DataBank* db, std::FILE* in) {
    VamFile* def = vamof(db);
    char name[tokenSize], token[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a' && cls != '"') {
        printout("\nError:  in mc command, invalid vector or matrix name on left side.\n");
        droprest(in, cls);
        return -1;
    }
    if (def) {
        const int i = def->findser(name);
        if (i >= 0) {
            const char ty = def->typeOf(i);
            const int groups = (ty == 'v' || ty == 'l') ? 1 : 2;
            for (int g = 0; g < groups; ++g) {
                int count = 0;
                if (mcgroup(count, in) != 0) {
                    droprest(in, 0);
                    return -1;
                }
            }
        }
    }
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == '(') cls = gettoken(token, in, 0, tokenSize);
    if (cls == '{') {  // "{ token =" : the token is read and not used
        gettoken(token, in, 0, tokenSize);
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (token[0] != '=' || token[1] != '\0') {
        printout("\nError:  in mc command, no =.\n");
        droprest(in, cls);
        return -1;
    }
    droprest(in, 0);  // nothing after '=' is read
    storefirst(def);
    VamFile* bank = def;
    const char* element = name;
    if (name[0] && name[1] == '.') {
        const char c = name[0];
        bank = (c >= 'a' && c <= 'z') ? vamof(bankSlots[c - 'a']) : nullptr;
        if (!bank) {
            printout("Error:  No banks loaded in slot %c\r\n", c);
            return -1;
        }
        element = name + 2;
    }
    const int i = bank ? bank->findser(element) : -1;
    if (i < 0 || !def) {
        printout("\nError:  in mc, cannot find vector or matrix %s.\n", element);
        return -1;
    }
    JexDate first = def->firstJexDate(), last = def->lastJexDate();
    if (clipdates(first, last, JexDate(fdate1), JexDate(fdate2)) != 0) return -1;
    const char type = bank->eltype(i);
    Vector<float> v;
    Matrix<float> m;
    Pmatrix p;
    const char* file = nullptr;
    if (type == 'v' || type == 'l') {
        declarevector(v, bank, element);
    } else if (type == 'p') {
        file = bank->packedFileName(bank->lagsOf(i));
        p.declare(bank, element, file);
    } else {
        declarematrix(m, bank, element);
    }
    for (JexDate d = first; d <= last; d = d + 1) {
        if (addPrint == 1) {
            char date[JexDate::textSize];
            printout("Calculating %s.\n", d.print(date));
        }
        const float f = d.toFloat();
        if (type == 'v' || type == 'l') {
            if (readvector(v, bank, element, f) != 0) {
                printout("Error:  problem reading matrix data\n");
                return -1;
            }
            if (writevector(v, bank, element, f) != 0) return -1;
        } else if (type == 'p') {
            if (p.load(file, f) != 0) {
                printout("Error:  problem reading packed matrix data\n");
                return -1;
            }
            if (p.store(file, f) != 0) return -1;
        } else {
            if (readmatrix(m, bank, element, f) != 0) {
                printout("Error:  problem reading matrix data\n");
                return -1;
            }
            if (writematrix(m, bank, element, f) != 0) return -1;
        }
    }
    return 0;
}
