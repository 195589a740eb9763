#include "series/functions_agg.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "platform/platform.h"
#include "series/exprtext.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/rhs.h"

bool aggmember(const char* name, const char* argument) {
    const std::size_t length = std::strlen(argument);
    if (std::strncmp(name, argument, length) != 0 || std::strlen(name) <= length) return false;
    for (const char* p = name + length; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    }
    return true;
}

void aggadd(float* sum, const float* member, int n) {
    for (int i = 0; i < n; ++i) sum[i] = ismissing(sum[i]) || ismissing(member[i]) ? MISSING : sum[i] + member[i];
}

int ifkernel(float* out, const float* a, const float* b, const float* t, const float* f, int n, const char* op) {
    int kind;
    if (std::strcmp(op, "<") == 0) kind = 0;
    else if (std::strcmp(op, "<=") == 0) kind = 1;
    else if (std::strcmp(op, "==") == 0) kind = 2;
    else if (std::strcmp(op, ">") == 0) kind = 3;
    else if (std::strcmp(op, ">=") == 0) kind = 4;
    else return -1;
    for (int i = 0; i < n; ++i) {
        if (ismissing(a[i]) || ismissing(b[i])) {
            out[i] = MISSING;
            continue;
        }
        bool holds = false;
        switch (kind) {
        case 0: holds = a[i] < b[i]; break;
        case 1: holds = a[i] <= b[i]; break;
        case 2: holds = a[i] == b[i]; break;
        case 3: holds = a[i] > b[i]; break;
        default: holds = a[i] >= b[i]; break;
        }
        out[i] = holds ? t[i] : f[i];
    }
    return 0;
}

// ---- handlers ----

int atagg(float* out, std::FILE* in, char*& text) {
    const char* label = "@agg";
    char token[78];
    char argument[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (atread(argument, in, text) != 'a') return atfail(label);
    if (atread(token, in, text) != ')') return atfail(label);

    // The stem is the argument without its trailing digits.
    std::size_t length = std::strlen(argument);
    std::size_t stemLength = length;
    while (stemLength > 0 && std::isdigit(static_cast<unsigned char>(argument[stemLength - 1]))) --stemLength;
    if (stemLength == length || stemLength == 0) {
        printout("\nError:  in @agg() function.\n");
        printout("\"%s\" is not a valid argument.\n", argument);
        return atfail(label);
    }
    DataBank* bank = workspaceBank;
    std::string prefix;  // "b." when a bank letter was given
    const char* plain = argument;
    if (stemLength > 2 && argument[1] == '.') {
        const char letter = argument[0];
        const int slot = letter - 'a';
        bank = letter >= 'a' && letter <= 'z' && bankTypes[slot] != ' ' ? bankSlots[slot] : nullptr;
        if (bank == nullptr) {
            printout("Error:  in @agg() function.  Invalid bank letter (%s).\n", argument);
            return atfail(label);
        }
        prefix.assign(argument, 2);
        plain = argument + 2;
    }
    if (bank == nullptr) {
        printout("Error:  in @agg() function.  Invalid bank letter (%s).\n", argument);
        return atfail(label);
    }

    std::vector<std::string> names;
    std::string pattern = std::string(plain) + "*";
    // A listing stopped by Escape (a non-zero result) is an abort as well.
    if (platform::escapePressed() || bank->collectser(names, pattern.c_str(), -1) != 0) {
        printout("\r\n@agg stopped by the user.\r\n");
        return 27;
    }

    const int n = atobs();
    for (int i = 0; i < n; ++i) out[i] = 0.0f;
    currentFrequency = 0;  // a constant 0 when nothing matches; else that of the last member
    WorkSeries member;
    for (const std::string& name : names) {
        if (platform::escapePressed()) {
            printout("\r\n@agg stopped by the user.\r\n");
            return 27;
        }
        if (!aggmember(name.c_str(), plain)) continue;
        std::string full = prefix + name;
        char* none = nullptr;
        if (fetchseries(full.c_str(), member.data(), none, in, 0) < 0) {
            printout("Error:  in @agg() function.  Invalid series in bank (%s).\n", full.c_str());
            return atfail(label);
        }
        aggadd(out, member.data(), n);
    }
    return 0;
}

int atif(float* out, std::FILE* in, char*& text) {
    const char* label = "@if";
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    WorkSeries a;
    WorkSeries b;
    WorkSeries t;
    WorkSeries f;
    int r = rhs(a.data(), in, text);
    char op[3] = {0, 0, 0};
    if (r == 60) op[0] = '<';
    else if (r == 61) op[0] = '=';
    else if (r == 62) op[0] = '>';
    else return atfail(label);
    atback(text);
    if (text != nullptr) textappendchar(text, op[0]);
    int cls = gettoken(token, in, 0, 78);
    if (cls == '=') {
        op[1] = '=';
        if (text != nullptr) textappendchar(text, '=');
    } else {
        ungettoken();
    }
    if (std::strcmp(op, "=") == 0) return atfail(label);
    if (rhs(b.data(), in, text) != 44) return atfail(label);
    atcomma(text);
    if (rhs(t.data(), in, text) != 44) return atfail(label);
    atcomma(text);
    if (rhs(f.data(), in, text) != 41) return atfail(label);
    atback(text);
    ifkernel(out, a.data(), b.data(), t.data(), f.data(), atobs(), op);
    return 0;
}
