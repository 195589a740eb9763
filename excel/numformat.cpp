#include "excel/numformat.h"

#include <strings.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace xlmodel {

bool isDateFormat(const std::string& f) {
    if (strcasecmp(f.c_str(), "General") == 0) return false;
    for (std::size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (c == '"') {
            std::size_t end = f.find('"', i + 1);
            if (end == std::string::npos) return false;
            i = end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;  // the next character is shown (or padded) as it is
        } else if (c == '[') {
            std::size_t end = f.find(']', i + 1);
            if (end == std::string::npos) return false;
            i = end;
        } else {
            switch (c) {
            case 'd': case 'D': case 'm': case 'M': case 'y': case 'Y':
            case 'h': case 'H': case 's': case 'S':
                return true;
            default:
                break;
            }
        }
    }
    return false;
}

std::string builtinFormat(int id) {
    switch (id) {
    case 0: return "General";
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 5: return "\"$\"#,##0_);(\"$\"#,##0)";
    case 6: return "\"$\"#,##0_);[Red](\"$\"#,##0)";
    case 7: return "\"$\"#,##0.00_);(\"$\"#,##0.00)";
    case 8: return "\"$\"#,##0.00_);[Red](\"$\"#,##0.00)";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 12: return "# ?/?";
    case 13: return "# ?" "?/?" "?";
    case 14: return "m/d/yyyy";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "m/d/yyyy h:mm";
    case 37: return "#,##0_);(#,##0)";
    case 38: return "#,##0_);[Red](#,##0)";
    case 39: return "#,##0.00_);(#,##0.00)";
    case 40: return "#,##0.00_);[Red](#,##0.00)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mm:ss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    default: return "";
    }
}

bool isBuiltinDateId(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

namespace {

// Days from 1970-01-01 of a civil date, and back (proleptic Gregorian).
long daysfromcivil(long y, int m, int d) {
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilfromdays(long z, int& year, int& month, int& day) {
    z += 719468;
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const long epoch = daysfromcivil(1899, 12, 30);

bool leap(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }
int monthdays(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

// Digits only, 1..maxLength of them; false otherwise.
bool digits(const std::string& s, std::size_t maxLength, int& out) {
    if (s.empty() || s.size() > maxLength) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

// x with `decimals` decimals, thousands grouped by commas when `grouped`.
std::string fixedtext(double x, int decimals, bool grouped) {
    // Halves round away from zero, as the spreadsheet shows them.
    double scale = std::pow(10.0, decimals);
    if (std::fabs(x * scale) < 1e15) x = std::round(x * scale) / scale;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
    std::string s = buffer;
    if (s == "-0" || s.find_first_not_of("-0.") == std::string::npos) {
        if (s[0] == '-') s.erase(0, 1);  // no "-0.00"
    }
    if (!grouped) return s;
    std::size_t start = s[0] == '-' ? 1 : 0;
    std::size_t point = s.find('.');
    if (point == std::string::npos) point = s.size();
    for (std::size_t i = point; i > start + 3; i -= 3) s.insert(i - 3, ",");
    return s;
}

const char* const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

double dateserial(int year, int month, int day) {
    return static_cast<double>(daysfromcivil(year, month, day) - epoch);
}

void serialdate(double serial, int& year, int& month, int& day) {
    double d = std::floor(serial);
    if (!(d > -1e7 && d < 1e7)) d = 0;  // far outside any calendar the server shows
    civilfromdays(static_cast<long>(d) + epoch, year, month, day);
}

std::string numbertext(double x) {
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
    char buffer[400];
    double a = std::fabs(x);
    auto format = (a != 0 && (a < 1e-5 || a >= 1e15)) ? std::chars_format::scientific
                                                       : std::chars_format::fixed;
    auto r = std::to_chars(buffer, buffer + sizeof buffer, x, format);
    return std::string(buffer, r.ptr);
}

std::string datetext(double serial) {
    int y, m, d;
    serialdate(serial, y, m, d);
    return std::to_string(m) + "/" + std::to_string(d) + "/" + std::to_string(y);
}

bool typeddate(const std::string& text, double& serial, std::string& format) {
    std::size_t a = text.find('/');
    if (a == std::string::npos) return false;
    std::size_t b = text.find('/', a + 1);
    int month, day = 1, year;
    if (!digits(text.substr(0, a), 2, month)) return false;
    if (b == std::string::npos) {
        if (!digits(text.substr(a + 1), 4, year)) return false;
        format = "mmm-yy";
    } else {
        if (!digits(text.substr(a + 1, b - a - 1), 2, day)) return false;
        if (!digits(text.substr(b + 1), 4, year)) return false;
        format = "m/d/yyyy";
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > monthdays(year, month))
        return false;
    serial = dateserial(year, month, day);
    return true;
}

std::string displaytext(double x, const std::string& f) {
    if (f == "m/d/yyyy") return datetext(x);
    if (f == "mmm-yy") {
        int y, m, d;
        serialdate(x, y, m, d);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%s-%02d", monthNames[m - 1], ((y % 100) + 100) % 100);
        return buffer;
    }
    // 0, 0.0..., #,##0, #,##0.0..., each optionally followed by %.
    std::string body = f;
    bool percent = !body.empty() && body.back() == '%';
    if (percent) body.pop_back();
    bool grouped = body.rfind("#,##0", 0) == 0;
    std::string rest = grouped ? body.substr(5) : body.rfind("0", 0) == 0 ? body.substr(1) : "?";
    bool plain = rest.empty() || (rest[0] == '.' && rest.size() > 1 &&
                                  rest.find_first_not_of('0', 1) == std::string::npos);
    if (plain && std::isfinite(x)) {
        int decimals = rest.empty() ? 0 : static_cast<int>(rest.size()) - 1;
        return fixedtext(percent ? x * 100 : x, decimals, grouped) + (percent ? "%" : "");
    }
    return numbertext(x);
}

}  // namespace xlmodel
