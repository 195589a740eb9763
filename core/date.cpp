#include "core/date.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/printout.h"

JexDate wsStartDate;

void resetDateGlobals() { wsStartDate = JexDate(); }

int daysinyear(int year) {
    bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return leap ? 366 : 365;
}

int daysinmonth(int year, int month) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        printout("Invalid month %d.\n", month);
        return -1;
    }
    if (month == 2 && daysinyear(year) == 366) return 29;
    return lengths[month - 1];
}

namespace {

bool yearInRange(long long year) { return year >= 0 && year <= JexDate::maxYear; }

void reportYear(long long year) {
    printout("Error:  year %lld is out of range for a date.\n", year);
}

// Starts a date read from a number or a text: the year `full`, annual, first period. A year
// out of range is reported and leaves the empty date; -1.
int startannual(JexDate& date, long long full) {
    if (!yearInRange(full)) {
        date = JexDate();
        reportYear(full);
        return -1;
    }
    date.year = static_cast<std::int16_t>(full);
    date.frequency = 1;
    date.period = 1;
    return 0;
}

// Reads one or two digits at p (a missing first digit counts 0) and moves past them.
int twodigits(const unsigned char*& p) {
    int v = std::isdigit(*p) ? *p - '0' : 0;
    if (*p) ++p;
    if (std::isdigit(*p)) {
        v = v * 10 + (*p - '0');
        ++p;
    }
    return v;
}

}  // namespace

long JexDate::normaliseYear(long y) {
    if (y < 25) return y + 2000;
    if (y < 300) return y + 1900;
    return y;
}

JexDate::JexDate(float dateNumber) { fromFloat(dateNumber); }

JexDate::JexDate(std::int16_t y, std::uint8_t p, std::uint8_t d, std::uint8_t f)
    : year(static_cast<std::int16_t>(normaliseYear(y))), period(p), day(d), frequency(f) {}

JexDate::JexDate(std::int16_t y, std::int16_t month, int f) { setMonth(y, month, f); }

JexDate::JexDate(const char* text) { parse(text); }

int JexDate::set(std::int16_t y, std::uint8_t p, std::uint8_t d, std::uint8_t f) {
    long full = y;
    if (full < 25 && f > 0) {
        full += 2000;
    } else if (full < 300) {
        full += 1900;
    }
    year = static_cast<std::int16_t>(full);
    period = p;
    day = d;
    frequency = f;
    return 0;
}

int JexDate::setMonth(std::int16_t y, std::int16_t month, int f) {
    year = static_cast<std::int16_t>(normaliseYear(y));
    day = 0;
    frequency = static_cast<std::uint8_t>(f);
    switch (f) {
    case 1: period = 1; break;
    case 12: period = static_cast<std::uint8_t>(month); break;
    case 4: period = static_cast<std::uint8_t>((month - 1) / 3 + 1); break;
    case 2: period = static_cast<std::uint8_t>((month - 1) / 6 + 1); break;
    case 13:
        period = static_cast<std::uint8_t>(month);
        day = 1;
        break;
    default: period = static_cast<std::uint8_t>(month); break;
    }
    return 0;
}

int JexDate::fromFloat(float x) {
    *this = JexDate();
    period = 1;
    // Numbers whose year cannot be held are refused before any integer conversion.
    if (!std::isfinite(x) || std::fabs(static_cast<double>(x)) > 1.0e9) {
        *this = JexDate();
        printout("Error:  date number %g is out of range.\n", static_cast<double>(x));
        return -1;
    }
    float t = x + 0.0005f;
    long long c = static_cast<long long>(t);
    long long d = static_cast<long long>(1000.0 * static_cast<double>(t));  // exact in double
    long long f = d - 1000 * c;

    if (startannual(*this, normaliseYear(static_cast<long>(x))) != 0) return -1;
    if (f > 0 && f <= 13) {
        frequency = 12;
        period = static_cast<std::uint8_t>(f);
    } else if (f > 13 && f < 450) {
        frequency = 4;
        period = static_cast<std::uint8_t>(f / 100);
    } else if (f > 450) {
        frequency = 2;
        period = static_cast<std::uint8_t>((f - 400) / 100);
    }
    return 0;
}

int JexDate::parse(const char* text) {
    *this = JexDate();
    if (!text) text = "";
    for (const char* s = text; *s; ++s) {
        if (*s == '.') return fromFloat(static_cast<float>(std::atof(text)));
    }

    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    long long digits = 0;
    while (std::isdigit(*p)) {
        if (digits <= maxYear * 10) digits = digits * 10 + (*p - '0');  // stays past the limit
        ++p;
    }
    long long full = digits > maxYear * 10 ? digits : normaliseYear(static_cast<long>(digits));
    if (startannual(*this, full) != 0) return -1;
    if (*p == 0) return 0;

    auto digitAt = [](const unsigned char* q) { return std::isdigit(*q) ? *q - '0' : 0; };
    int letter = std::tolower(*p);
    ++p;
    switch (letter) {
    case 'q':
        period = static_cast<std::uint8_t>(digitAt(p));
        frequency = 4;
        if (*p) ++p;
        break;
    case 'm':
        period = static_cast<std::uint8_t>(twodigits(p));
        frequency = 12;
        break;
    case 's':
        period = static_cast<std::uint8_t>(digitAt(p));
        frequency = 2;
        if (*p) ++p;
        break;
    default:
        printout("Unrecognized period indicator in %c.", static_cast<char>(letter));
        return -1;
    }

    if (*p == 'd') {
        ++p;
        day = static_cast<std::uint8_t>(twodigits(p));
        frequency = 13;
    }
    return 0;
}

bool JexDate::operator==(const JexDate& o) const {
    return year == o.year && frequency == o.frequency && period == o.period && day == o.day;
}

namespace {

// Three-way order of two dates: -1, 0, 1; 2 when the years are equal and the frequencies
// differ (no order).
int order(const JexDate& a, const JexDate& b) {
    auto ya = static_cast<std::uint16_t>(a.year);
    auto yb = static_cast<std::uint16_t>(b.year);
    if (ya != yb) return ya < yb ? -1 : 1;
    if (a.frequency != b.frequency) return 2;
    if (a.period != b.period) return a.period < b.period ? -1 : 1;
    if (a.day != b.day) return a.day < b.day ? -1 : 1;
    return 0;
}

}  // namespace

int JexDate::operator<(const JexDate& o) const {
    int r = order(*this, o);
    if (r == 2) {
        printout("Dates of different frequencies cannot be compared.\n");
        return -1;
    }
    return r < 0 ? 1 : 0;
}

int JexDate::operator<=(const JexDate& o) const {
    int r = order(*this, o);
    if (r == 2) {
        printout("Dates of different frequencies cannot be compared.\n");
        return -1;
    }
    return r <= 0 ? 1 : 0;
}

int JexDate::operator>(const JexDate& o) const {
    int r = order(*this, o);
    if (r == 2) {
        printout("Dates of different frequencies cannot be compared.\n");
        return -1;
    }
    return r > 0 ? 1 : 0;
}

int JexDate::operator>=(const JexDate& o) const {
    int r = order(*this, o);
    if (r == 2) {
        printout("Two dates of different frequencies cannot be compared.\n");
        return -1;
    }
    return r >= 0 ? 1 : 0;
}

int JexDate::dayOfYear() const {
    if (day == 0) {
        printout("Not a daily date.\n");
        return -1;
    }
    if (period < 1 || period > 12) {
        printout("Month %d invalid.\n", period);
        return -1;
    }
    int total = 0;
    for (int m = 1; m < period; ++m) total += daysinmonth(year, m);
    return total + day;
}

int JexDate::daysToYearEnd() const { return daysinyear(year) - dayOfYear(); }

std::int32_t JexDate::operator-(const JexDate& o) const {
    if (frequency != o.frequency) return -1;
    if (frequency != 13) {
        return (static_cast<std::int32_t>(year) - o.year) * frequency + period - o.period;
    }
    if (year == o.year) return dayOfYear() - o.dayOfYear();
    bool thisLater = year > o.year;
    const JexDate& later = thisLater ? *this : o;
    const JexDate& earlier = thisLater ? o : *this;
    std::int32_t days = earlier.daysToYearEnd();
    for (int y = earlier.year + 1; y < later.year; ++y) days += daysinyear(y);
    days += later.dayOfYear();
    return thisLater ? days : -days;
}

JexDate JexDate::operator+(std::int32_t n) const {
    JexDate r = *this;
    long long newYear = year;
    if (frequency == 1) {
        newYear = static_cast<long long>(year) + n;
    } else if (frequency >= 2 && frequency <= 12) {
        long long f = frequency;
        long long a = static_cast<long long>(period) + n;
        if (a >= 1 && a <= f) {
            r.period = static_cast<std::uint8_t>(a);
        } else if (a > f) {
            newYear = year + (a - 1) / f;
            r.period = static_cast<std::uint8_t>((a - 1) % f + 1);
        } else {
            newYear = year + a / f - 1;
            r.period = static_cast<std::uint8_t>(f - ((-a) % f));
        }
    } else if (frequency == 13) {
        long long a = static_cast<long long>(day) + n;
        long long y = year;
        int month = period;
        int length = daysinmonth(static_cast<int>(y), month);
        if (length < 0) return JexDate();
        while (a > length) {
            a -= length;
            if (++month > 12) {
                month = 1;
                if (++y > maxYear) break;
            }
            length = daysinmonth(static_cast<int>(y), month);
        }
        while (a < 1 && y >= 0) {
            if (--month < 1) {
                month = 12;
                if (--y < 0) break;
            }
            a += daysinmonth(static_cast<int>(y), month);
        }
        newYear = y;
        r.period = static_cast<std::uint8_t>(month);
        r.day = static_cast<std::uint8_t>(a);
    } else {
        printout("\nError:  no frequency set in JexDate + routine.  Please report it, \n"
                 "and please check your results.\n");
        newYear = year + (static_cast<long long>(period) + n) - 1;
    }
    if (!yearInRange(newYear)) {
        reportYear(newYear);
        return JexDate();
    }
    r.year = static_cast<std::int16_t>(newYear);
    return r;
}

JexDate JexDate::operator-(std::int32_t n) const {
    // -n of the most negative int32 cannot be formed; it is far beyond any year anyway.
    if (n == INT32_MIN) return *this + INT32_MAX;
    return *this + (-n);
}

JexDate JexDate::toFrequency(int target) const {
    if (target != 1 && target != 2 && target != 4 && target != 12) {
        printout("Error:  illegal target frequency\n");
        return *this;
    }
    JexDate r = *this;
    r.day = 0;
    r.frequency = static_cast<std::uint8_t>(target);
    int p = period;
    int from = frequency;
    if (from == 13) from = 12;  // a daily date's period is its month
    int out = p;
    switch (from) {
    case 1: out = 1; break;
    case 2:
        switch (target) {
        case 1: out = 1; break;
        case 2: out = p; break;
        case 4: out = p == 1 ? 1 : 3; break;
        case 12: out = p == 1 ? 1 : 7; break;
        }
        break;
    case 4:
        switch (target) {
        case 1: out = 1; break;
        case 2: out = p <= 2 ? 1 : 2; break;
        case 4: out = p; break;
        case 12: out = 3 * p - 2; break;
        }
        break;
    case 12:
        switch (target) {
        case 1: out = 1; break;
        case 2: out = p <= 6 ? 1 : 2; break;
        case 4: out = (p - 1) / 3 + 1; break;
        case 12: out = p; break;
        }
        break;
    default: out = p; break;
    }
    r.period = static_cast<std::uint8_t>(out);
    return r;
}

float JexDate::toFloat() const {
    switch (frequency) {
    case 1: return static_cast<float>(year);
    case 4: return static_cast<float>(year + period * 0.1);
    case 12: return static_cast<float>(year + period * 0.001);
    default: return 0.0f;
    }
}

int JexDate::wsIndex() const {
    int y0 = wsStartDate.year;
    int m0 = wsStartDate.period;
    switch (frequency) {
    case 0: return -32000;
    case 1: return year - y0;
    case 2: return (year - y0) * 2 + period - ((m0 - 1) / 6 + 1);
    case 4: return (year - y0) * 4 + period - ((m0 - 1) / 3 + 1);
    case 12: return (year - y0) * 12 + period - m0;
    case 13: return *this - wsStartDate;
    default:
        printout("Bad frequency in date %d.\n", frequency);
        return -1;
    }
}

char* JexDate::print(char* buffer, std::size_t size, char yearStyle) const {
    if (!buffer || size == 0) return buffer;
    char yearText[16];
    switch (yearStyle) {
    case '2':
        std::snprintf(yearText, sizeof yearText, "%02d", year >= 2000 ? year - 2000 : year - 1900);
        break;
    case '3': std::snprintf(yearText, sizeof yearText, "%3d", year - 1900); break;
    default: std::snprintf(yearText, sizeof yearText, "%4d", year); break;
    }
    switch (frequency) {
    case 4: std::snprintf(buffer, size, "%s.%d", yearText, period); break;
    case 12: std::snprintf(buffer, size, "%s.%03d", yearText, period); break;
    case 2: std::snprintf(buffer, size, "%s.%d", yearText, period + 4); break;
    case 13: std::snprintf(buffer, size, "%sm%dd%d", yearText, period, day); break;
    default: std::snprintf(buffer, size, "%s", yearText); break;
    }
    return buffer;
}

std::string JexDate::printNew(char yearStyle) const {
    char buffer[textSize * 2];
    return print(buffer, yearStyle);
}
