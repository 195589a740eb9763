#include "excel/columns.h"

#include "core/printout.h"

namespace {

bool isletter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int lettervalue(char c) { return (c >= 'a' ? c - 'a' : c - 'A') + 1; }

void beforeOrBeyond() { printout("\nError:  cannot have columns before \"A\" or beyond \"IV\".\n"); }

}  // namespace

std::string colletters(int n) {
    if (n >= 1 && n <= 26) return std::string(1, static_cast<char>(64 + n));
    if (n < 1 || n / 26 > 9) {
        beforeOrBeyond();
        return "-1";
    }
    if (n / 26 == 9 && n % 26 > 22) {
        printout("\nError:  cannot have columns beyond \"IV\".\n");
        return "-1";
    }
    std::string s;
    s += static_cast<char>(64 + (n - 1) / 26);
    s += static_cast<char>(65 + (n - 1) % 26);
    return s;
}

int colnumber(const char* text) {
    if (text == nullptr || !isletter(text[0])) return -1;
    if (text[1] == '\0') return lettervalue(text[0]);
    if (!isletter(text[1])) return -1;
    return 26 * lettervalue(text[0]) + lettervalue(text[1]);
}

std::string coloffset(const std::string& letters, int offset) {
    std::string t = letters;
    for (char& c : t)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    long column = 0;
    if (t.size() == 1) {
        column = static_cast<unsigned char>(t[0]) - 96;
    } else if (t.size() == 2) {
        for (char c : t)
            if (c < 'a' || c > 'z') return "-1";
        column = 26L * (t[0] - 96) + (t[1] - 96);
    }
    long value = column + offset;
    std::string out;
    for (long v = value; v > 0 && out.size() <= 2; v /= 26) {
        --v;
        out.insert(out.begin(), static_cast<char>(65 + v % 26));
    }
    bool beyond = out.size() == 2 && (out[0] > 'I' || (out[0] == 'I' && out[1] > 'V'));
    if (value <= 0 || out.size() > 2 || beyond) {
        beforeOrBeyond();
        return "-1";
    }
    return out;
}
