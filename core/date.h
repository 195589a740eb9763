// Dates of time-series observations: a year and a period within the year at one of five
// frequencies (1 annual, 2 semiannual, 4 quarterly, 12 monthly, 13 daily; 0 = no date set).
// Dates come from command text (1990q2, 1990m11, 2001m3d15), from single-precision date
// numbers (1990.2, 1990.011, 1990.5) and from bank files; they are compared, subtracted,
// shifted by whole periods, and turned into date numbers, texts and workspace indexes.
//
// Failures print a message through printout and give -1 (or -32000 from wsIndex for an
// unset date); nothing is thrown. Years are kept in 0..32767: a date that would get a year
// outside that range (typed, from a number, or by arithmetic) is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Days in a year: 366 in a leap year (divisible by 4 and, if by 100, also by 400), else 365.
int daysinyear(int year);
// Days in a month 1..12 of a year (29 for February of a leap year); another month prints
// "Invalid month %d.\n" and gives -1.
int daysinmonth(int year, int month);

class JexDate {
public:
    // Largest year a date can hold.
    static constexpr long maxYear = 32767;
    // Room that a caller's text buffer should have for print (texts are cut to fit).
    static constexpr std::size_t textSize = 16;

    std::int16_t year = 0;      // the full year, after normalisation
    std::uint8_t period = 0;    // quarter, month, half-year; 1 annual; the month of a daily date
    std::uint8_t day = 0;       // day of the month of a daily date, else 0
    std::uint8_t frequency = 0; // 1, 2, 4, 12, 13; 0 = no date set

    // All fields 0: the unset date.
    JexDate() = default;
    // From a date number (fromFloat); a refused number leaves the unset date.
    explicit JexDate(float dateNumber);
    // Fields as given, year normalised.
    JexDate(std::int16_t year, std::uint8_t period, std::uint8_t day, std::uint8_t frequency);
    // Year normalised, period from the month (see setMonth).
    JexDate(std::int16_t year, std::int16_t month, int frequency);
    // From text (parse); a refused text leaves what parse leaves.
    explicit JexDate(const char* text);
    JexDate(const JexDate&) = default;
    JexDate& operator=(const JexDate&) = default;

    // Short years: below 25 add 2000, else below 300 add 1900; 300 and above stay.
    static long normaliseYear(long year);

    // Sets all fields. A year below 25 gets 2000 only when frequency > 0; otherwise a year
    // below 300 gets 1900 (so year 0 with frequency 0 becomes 1900). Returns 0.
    int set(std::int16_t year, std::uint8_t period, std::uint8_t day, std::uint8_t frequency);
    // Year normalised, day 0, period from the month: annual 1, monthly the month, quarterly
    // (month-1)/3+1, semiannual (month-1)/6+1; daily: period = month and day 1. Returns 0.
    int setMonth(std::int16_t year, std::int16_t month, int frequency);
    // Date from text: "1990", "95q1", "1990m11", "1990s2", "2001m3d15", or a date number
    // holding a '.' ("1990.3"). Returns 0, or -1 for a period letter other than q, m or s
    // (prints "Unrecognized period indicator in %c."; the year stays as an annual date) or
    // for a year out of range (the date is left unset).
    int parse(const char* text);
    // Date from a number: 1990 annual, 1990.1-1990.4 quarterly, 1990.001-1990.012 monthly,
    // 1990.5/1990.6 semiannual. Returns 0, or -1 for a number whose year is out of range
    // (the date is left unset).
    int fromFloat(float dateNumber);

    // 1 when year, frequency, period and day are all equal, else 0.
    bool operator==(const JexDate& other) const;

    // Ordering by (year, period, day). A different year decides whatever the frequencies.
    // With equal years and different frequencies these print a message and return -1.
    // -1 IS A FAILURE, NOT "FALSE" AND NOT "TRUE": callers must test for -1 first and
    // refuse the comparison (never write `if (a < b)` where the frequencies may differ).
    int operator<(const JexDate& other) const;
    int operator<=(const JexDate& other) const;
    int operator>(const JexDate& other) const;
    int operator>=(const JexDate& other) const;

    // Periods from `other` to this date (this minus other); days for daily dates.
    // Dates of different frequencies give -1 without a message, which cannot be told from a
    // true difference of -1: callers must check that the frequencies match first.
    std::int32_t operator-(const JexDate& other) const;
    // The date n periods (days for a daily date) later; n may be negative. A result whose
    // year would leave 0..32767 prints a message and gives the unset date (frequency 0).
    JexDate operator+(std::int32_t n) const;
    // The date n periods earlier.
    JexDate operator-(std::int32_t n) const;

    // Day of the year of a daily date (1 for January 1); -1 with a message for a date
    // without a day or with a month outside 1..12.
    int dayOfYear() const;
    // daysinyear(year) - dayOfYear().
    int daysToYearEnd() const;
    // The date at frequency 1, 2, 4 or 12: the period that contains it (the first
    // sub-period when the target is finer); day 0. Another target prints
    // "Error:  illegal target frequency\n" and gives this date unchanged.
    JexDate toFrequency(int target) const;

    // Date number: annual the year, quarterly year + q*0.1, monthly year + m*0.001;
    // any other frequency 0.
    float toFloat() const;
    // Observation index in the workspace calendar that starts at wsStartDate: 0 at the
    // first observation, negative before it; -32000 for an unset date; -1 with a message
    // for an unknown frequency.
    int wsIndex() const;

    // The date's text into a caller's buffer of `size` bytes (cut to fit, always
    // terminated); returns the buffer. yearStyle '2' two-digit year, '3' year - 1900,
    // anything else four digits. Annual "1995", quarterly "1995.2", monthly "1995.011",
    // semiannual "1995.5"/"1995.6", daily "2001m3d15"; an unset date gives the year alone.
    char* print(char* buffer, std::size_t size, char yearStyle = '4') const;
    template <std::size_t N>
    char* print(char (&buffer)[N], char yearStyle = '4') const {
        return print(buffer, N, yearStyle);
    }
    // The same text as a new string owned by the caller.
    std::string printNew(char yearStyle = '4') const;
};

// The workspace calendar's start: a daily date (the workspace's base year, period = its first
// month, day 1, frequency 13), the reference of JexDate::wsIndex. Set by the start-up reader
// and the workspace commands; unset (all zero) at start.
extern JexDate wsStartDate;

// Puts the date globals back to their start-up values.
void resetDateGlobals();
