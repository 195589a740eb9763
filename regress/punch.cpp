// punch, eqpunch, pch, ipch, titpch and tpch.
#include "regress/punch.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "regress/regress_state.h"

TableOptions tableOptions;

namespace {

constexpr int tokenSize = 78;
constexpr int seriesLength = 2000;
constexpr const char* punchFirst = "\r\nBefore using pch, you must open file with punch command.\r\n";

// pch, ipch, titpch and tpch need their file open.
bool fileopen(char on) {
    if (on == 'y') return true;
    printout("%s", punchFirst);
    return false;
}

void failurebox() { pausebox("Warning!", ""); }

// punch and eqpunch: open (or close) the file and copy the rest of the line into it.
int openpunch(std::FILE* in, char& on, std::FILE*& file) {
    char token[tokenSize + 2];
    int cls = gettoken(token, in, 0, tokenSize);
    // A file name is a word, or quoted text (a path with blanks or slashes).
    if (cls != 'a' && cls != '"') {
        printout("\r\nFormat is \r\n punch <filename | off> \r\n");
        return -1;
    }
    if (on == 'y' && cls == 'a' && std::strcmp(token, "off") == 0) {
        std::fputs("\n", file);
        std::fclose(file);
        file = nullptr;
        on = 'n';
        return 0;
    }
    if (file) std::fclose(file);
    file = nullptr;
    on = 'n';
    file = std::fopen(token, "w");
    if (!file) {
        printout("\r\nError:  in punch command.\n");
        printout("Cannot open %s.\n", token);
        printout("Returning...\r\n");
        failurebox();
        return -1;
    }
    for (;;) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'f') {
            std::fputs("\n", file);
            on = 'y';
            return 0;
        }
        if (cls == 'e' || cls == -1) {
            printout("\r\nError:  in punch command\n");
            printout("when reading arguments after filename.\n");
            printout("Returning...\r\n");
            failurebox();
            return -1;
        }
        std::fprintf(file, " %s", token);
    }
}

// Fetches rcoef (rcoef<which> when which is not empty) into values; false when absent.
bool fetchrcoef(const std::string& which, std::vector<float>& values) {
    values.assign(seriesLength, 0.0f);
    const std::string name = "rcoef" + which;
    char* text = nullptr;
    return fetchseries(name.c_str(), values.data(), text, nullptr, 0) == 0;
}

int coefcount(const std::vector<float>& rcoef) {
    const int k = static_cast<int>(rcoef[0] + 0.1f);
    return k < 0 ? 0 : (3 * k + 7 > seriesLength ? (seriesLength - 7) / 3 : k);
}

const char* cardformat(float v) {
    const float a = std::fabs(v);
    if (a < 1.0f) return "%9.6f";
    if (a < 100.0f) return "%9.4f";
    if (a < 10000.0f) return "%9.2f";
    return "%9.0f";
}

}  // namespace

int punchcmd(std::FILE* in) { return openpunch(in, punchOn, punchFile); }

int eqpunchcmd(std::FILE* in) { return openpunch(in, eqpunchOn, eqpunchFile); }

int pchcmd(std::FILE* in) {
    if (!fileopen(punchOn)) return -1;
    char token[tokenSize + 2];
    char name[tokenSize + 2];
    int cls = gettoken(name, in, 0, tokenSize);
    const int nameClass = cls;
    int number = 0;
    bool haveNumber = false;
    std::string which;
    if (nameClass == 'a') {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'n') {
            haveNumber = true;
            number = std::atoi(token);
            cls = gettoken(token, in, 0, tokenSize);
            if (cls == 'n') which = std::to_string(std::atoi(token));
            else if (cls != 'f' && cls != 'e' && cls != -1) ungettoken();
        }
    }
    std::vector<float> rcoef;
    if (nameClass != 'a' || !haveNumber || !fetchrcoef(which, rcoef)) {
        printout("\r\nFormat is\r\n pch <name> <number>\r\n");
        return -1;
    }
    const int k = coefcount(rcoef);
    rcoef[0] = rcoef[2 * k + 3];
    for (int j = 0; j <= k; ++j) {
        if (j % 5 == 0) std::fprintf(punchFile, "\n%-5.5s", name);
        std::fprintf(punchFile, "%3d%3d", number, j + 1);
        std::fprintf(punchFile, cardformat(rcoef[j]), rcoef[j]);
    }
    return 0;
}

int ipchcmd(std::FILE* in) {
    if (!fileopen(punchOn)) return -1;
    static const char* const usage = "Format is: ipch [which] <label> <sector> [psn1] ... [psnN]\n";
    char token[tokenSize + 2];
    std::string which;
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'n') {
        which = std::to_string(std::atoi(token));
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != 'a') {
        printout("%s", usage);
        return -1;
    }
    const std::string label = token;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') {
        printout("%s", usage);
        return -1;
    }
    const int sector = std::atoi(token);
    char type = 'a';
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'a') type = token[0];
    else ungettoken();
    std::vector<float> rcoef;
    if (!fetchrcoef(which, rcoef)) {
        printout("\n%s can't be found.\n", ("rcoef" + which).c_str());
        return -1;
    }
    const int k = coefcount(rcoef);
    std::vector<int> positions(k);
    for (int i = 0; i < k; ++i) positions[i] = i + 1;
    // Up to k positions replace the defaults; the first other token ends the list.
    int read = 0;
    for (;;) {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n' || read == k) break;
        positions[read++] = std::atoi(token);
    }
    std::vector<float> values(rcoef.begin() + 1, rcoef.begin() + 1 + k);
    if (cls == 'a' && std::strcmp(token, "extra") == 0) {
        const int fitIndex = dateindex(fitEnd);
        float sign = 1.0f;
        for (;;) {
            cls = gettoken(token, in, 0, tokenSize);
            if (cls == '+' || cls == '-') {
                const int next = gettoken(token, in, 0, tokenSize);
                if (next != 'n') break;
                values.push_back((cls == '-' ? -1.0f : 1.0f) * static_cast<float>(std::atof(token)));
            } else if (cls == 'n') {
                values.push_back(sign * static_cast<float>(std::atof(token)));
            } else if (cls == 'a') {
                std::vector<float> s(seriesLength, 0.0f);
                char* text = nullptr;
                if (fetchseries(token, s.data(), text, nullptr, 1) != 0) return -1;
                values.push_back(fitIndex >= 0 && fitIndex < seriesLength ? s[fitIndex] : 0.0f);
            } else {
                break;
            }
            positions.push_back(static_cast<int>(positions.size()) + 1);
        }
    }
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    std::fprintf(punchFile, "%s %d %c %d \n", label.c_str(), sector, type, static_cast<int>(values.size()));
    for (int p : positions) std::fprintf(punchFile, " %d", p);
    std::fprintf(punchFile, "\n");
    std::fprintf(punchFile, " %12.6f", rcoef[2 * k + 3]);
    for (float v : values) std::fprintf(punchFile, " %12.6f", v);
    std::fprintf(punchFile, "\n");
    return 0;
}

int titpchcmd(std::FILE* in) {
    if (!fileopen(eqpunchOn)) return -1;
    TableOptions& o = tableOptions;
    o = TableOptions{};
    char token[tokenSize + 2];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == '-') {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'a') {
            printout("format of titpch is:\r\n");
            printout(" titpch [-<options>] [<stub_len>] [\"str1\" \"str2\" ..\"strn\"]\r\n");
            return -1;
        }
        for (const char* p = token; *p; ++p) {
            switch (*p) {
            case 'b': o.b = true; break;
            case 'o': o.o = true; break;
            case 'r': o.r = true; break;
            case 's': o.s = true; break;
            case 'f': o.f = true; break;
            case 'd': o.d = true; break;
            case 'm': o.m = true; break;
            case 't': o.t = true; break;
            default: break;
            }
        }
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (o.m && o.t) {
        printout(" Can't print both mexvals and T.  Printing mexvals...\r\n");
        o.t = false;
    }
    if (!o.m && !o.t) o.plain = true;
    int stub = 0;
    if (cls == 'n') {
        stub = std::atoi(token);
        cls = gettoken(token, in, 0, tokenSize);
    }
    std::fprintf(eqpunchFile, "Sec#%s", std::string(stub > 0 ? stub : 0, ' ').c_str());
    while (cls == 'a' || cls == '"') {
        std::fprintf(eqpunchFile, "%11s", token);
        if (o.m) std::fprintf(eqpunchFile, "    (mex) ");
        else if (o.t) std::fprintf(eqpunchFile, "    (T)   ");
        ++o.titles;
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    std::fprintf(eqpunchFile, " ");
    if (o.b) std::fprintf(eqpunchFile, "     RBSQ");
    if (o.o) std::fprintf(eqpunchFile, "     RHO ");
    if (o.r) std::fprintf(eqpunchFile, "     RSQ ");
    if (o.s) std::fprintf(eqpunchFile, "     SEE");
    std::fprintf(eqpunchFile, "\n");
    return 0;
}

int tpchcmd(std::FILE* in) {
    if (!fileopen(eqpunchOn)) return -1;
    static const char* const usage = "Format is: tpch <sector> [string] [str_len]\n";
    const TableOptions& o = tableOptions;
    char token[tokenSize + 2];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') {
        printout("%s", usage);
        return -1;
    }
    const int sector = std::atoi(token);
    std::string text;
    int length = 30;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'a' || cls == '"') {
        text = token;
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls == 'n') {
        length = std::atoi(token);
        if (length < 0) length = 0;
        if (length > 200) length = 200;
        cls = gettoken(token, in, 0, tokenSize);
    }
    std::vector<float> rcoef;
    if (!fetchrcoef("", rcoef)) {
        printout("%s", usage);
        return -1;
    }
    const int k = coefcount(rcoef);
    std::vector<int> positions;
    if (cls == '(') {
        int previous = 0;
        for (;;) {
            cls = gettoken(token, in, 0, tokenSize);
            if (cls != 'n') break;
            const int p = std::atoi(token);
            if (p < 1 || p > 500) {
                printout("tpch: Error in coefficient number: %d\r\n", p);
                return -1;
            }
            if (p <= previous) {
                printout("tpch: coefficient numbers must be in increasing order.\r\n");
                return -1;
            }
            positions.push_back(p);
            previous = p;
        }
        if (cls != ')') printout("tpch: No matching paren.  I'll let you off easy this time.\r\n");
        if (static_cast<int>(positions.size()) != k) {
            printout("tpch: ncoef != niv.  You need the same number of coefs as you have in the equation!\r\n");
            return -1;
        }
    } else {
        for (int i = 1; i <= k; ++i) positions.push_back(i);
    }
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);

    char fieldFormat[32];
    std::snprintf(fieldFormat, sizeof fieldFormat, "%%-%d.%ds", length, length);
    const bool second = o.d && (o.m || o.t);
    std::fprintf(eqpunchFile, "%-5d", sector);
    if (!text.empty()) std::fprintf(eqpunchFile, fieldFormat, second ? "Sector" : text.c_str());
    const bool inlineStats = (o.m || o.t) && !o.d;
    int field = 0;
    for (int i = 1; i <= k; ++i) {
        for (; field + 1 < positions[i - 1]; ++field)
            std::fprintf(eqpunchFile, "%s", inlineStats ? "                    " : "           ");
        ++field;
        std::fprintf(eqpunchFile, o.f ? " %10.4f" : "  %9.4g", rcoef[i]);
        if (inlineStats) {
            if (o.m) std::fprintf(eqpunchFile, " (%7.1f)", std::fabs(rcoef[k + i]));
            else std::fprintf(eqpunchFile, " (%7.2f)", std::fabs(rcoef[2 * k + 6 + i]));
        }
    }
    for (; field < o.titles; ++field)
        std::fprintf(eqpunchFile, "%s", inlineStats ? "                    " : "           ");
    if (second) {
        std::fprintf(eqpunchFile, "\n    ");
        if (!text.empty()) std::fprintf(eqpunchFile, fieldFormat, text.c_str());
        for (int i = 1; i <= k; ++i)
            std::fprintf(eqpunchFile, " (%8.1f)", std::fabs(o.m ? rcoef[k + i] : rcoef[2 * k + 6 + i]));
    }
    const char* stat = o.f ? "  %7.4f" : "  %7.4g";
    if (o.b) std::fprintf(eqpunchFile, stat, rcoef[2 * k + 4]);
    if (o.o) std::fprintf(eqpunchFile, stat, rcoef[2 * k + 3]);
    if (o.r) std::fprintf(eqpunchFile, stat, rcoef[2 * k + 2]);
    if (o.s) std::fprintf(eqpunchFile, stat, rcoef[2 * k + 1]);
    std::fprintf(eqpunchFile, "\n");
    return 0;
}
