#include "interp/tokens.h"

#include <cstdlib>
#include <cstring>

#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"

namespace {

const char* const endOfFileMessage = "\r\nEnd of File on input \n";

}  // namespace

double readnumber(std::FILE* in) {
    char buf[78];
    int previous = 0;
    for (;;) {
        int cls = gettoken(buf, in, 0, sizeof buf);
        if (cls == 'n') {
            double v = std::strtod(buf, nullptr);
            return previous == '-' ? -v : v;
        }
        if (cls == '?') return MISSING;
        if (cls == 'e') {
            printout("%s", endOfFileMessage);
            return 0;
        }
        if (cls == -1) {
            printout("\nError:  error encountered when attempting to read a number.\n");
            return -1;
        }
        previous = cls;
    }
}

int readinteger(std::FILE* in) {
    char buf[78];
    int previous = 0;
    for (;;) {
        int cls = gettoken(buf, in, 0, sizeof buf);
        if (cls == 'n') {
            long v = std::strtol(buf, nullptr, 10);
            if (v > 2147483647L) v = 2147483647L;
            int r = static_cast<int>(v);
            return previous == '-' ? -r : r;
        }
        if (cls == 'e') {
            printout("%s", endOfFileMessage);
            return 0;
        }
        if (cls == -1) return -1;
        previous = cls;
    }
}

int readsignedfloat(std::FILE* in, float& out) {
    char buf[78];
    float sign = 1;
    int cls = gettoken(buf, in, 0, sizeof buf);
    if (cls == '-') {
        sign = -1;
        cls = gettoken(buf, in, 0, sizeof buf);
    }
    if (cls == 'n') out = static_cast<float>(std::strtod(buf, nullptr)) * sign;
    return cls;
}

int skipstatement(std::FILE* in) {
    char buf[78];
    int previous = 0;
    int tokensOnLine = 0;
    for (;;) {
        int cls = gettoken(buf, in, 0, sizeof buf);
        if (cls == 'e' || cls == -1) return cls;
        if (cls == 'f') {
            bool script = keyboardInput == 'n' || replayList != nullptr;
            bool continued = previous == '+' || previous == '-' || previous == '/' ||
                             previous == '*' || previous == ',' || previous == '_';
            if (!script || !continued || tokensOnLine == 0) return 'f';
            previous = 0;
            tokensOnLine = 0;
            continue;
        }
        previous = cls;
        ++tokensOnLine;
    }
}

int skipline(std::FILE* in) {
    int saved = percentMode;
    percentMode = 0;
    int result = 0;
    for (;;) {
        int c = chop(in);
        if (c == '\n') break;
        if (c == -1 || c == 27 || c == 18 || c < 0 || c > 255) {
            result = (c == 27 || c == 18) ? c : -1;
            break;
        }
    }
    percentMode = saved;
    return result;
}

char* strcpyend(char* dst, const char* src) {
    if (!dst || !src) {
        printout("Error:  trouble reading \"%s\" and \"%s\".\n", dst ? dst : "(null)",
                 src ? src : "(null)");
        return dst;
    }
    std::size_t n = std::strlen(src);
    std::memcpy(dst, src, n + 1);
    return dst + n + 1;
}

int namewithnumber(char* dst, const char* name, int n) {
    if (n > 0)
        std::sprintf(dst, "%s%d", name, n);
    else
        std::strcpy(dst, name);
    return 0;
}

namespace {

// Read at most 9 decimal digits of s[from, to) as a number.
int digitsvalue(const char* s, std::size_t from, std::size_t to) {
    int v = 0;
    if (to - from > 9) from = to - 9;
    for (std::size_t i = from; i < to; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

std::size_t trailingdigitsstart(const char* s, std::size_t end) {
    std::size_t i = end;
    while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9') --i;
    return i;
}

}  // namespace

short splitdigits(const char* name, char* stem) {
    std::size_t n = std::strlen(name);
    std::size_t d = trailingdigitsstart(name, n);
    std::memmove(stem, name, d);
    stem[d] = 0;
    if (d == n) return 1;
    return static_cast<short>(digitsvalue(name, d, n));
}

short splitnamenumbers(const char* name, char* stem, short& second) {
    std::size_t n = std::strlen(name);
    std::size_t d = trailingdigitsstart(name, n);
    short result = d == n ? 0 : static_cast<short>(digitsvalue(name, d, n));
    std::size_t stemEnd = d;
    if (d < n && d > 0 && name[d - 1] == '.') {
        std::size_t e = trailingdigitsstart(name, d - 1);
        second = e == d - 1 ? -1 : static_cast<short>(digitsvalue(name, e, d - 1));
        stemEnd = e;
    }
    std::memmove(stem, name, stemEnd);
    stem[stemEnd] = 0;
    return result;
}

void trimblanks(char* text) {
    std::size_t n = std::strlen(text);
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
    text[n] = 0;
}

int wildmatch(const char* name, const char* pattern) {
    if (!*name) return 0;
    if (!*pattern) return 1;
    const char* n = name;
    const char* p = pattern;
    while (*p) {
        if (*p == '^') {
            if (!*n) return 0;
            ++n;
            ++p;
        } else if (*p == '*') {
            char next = p[1];
            if (next == 0) return 1;
            if (next == '*' || next == '^') return -1;
            while (*n && *n != next) ++n;
            if (!*n) return 0;
            ++n;
            p += 2;
        } else {
            if (*n != *p) return 0;
            ++n;
            ++p;
        }
    }
    return *n == 0 ? 1 : 0;
}
