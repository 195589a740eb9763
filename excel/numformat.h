// Number formats and date serials of the workbook model: which formats show dates, the
// text of a number as the formats the model writes show it, and days since 30 December 1899
// (the server's date serial) to and from year, month and day.
#pragma once

#include <string>

namespace xlmodel {

// True when the format shows a date or time: outside quoted text, escaped characters and
// [...] sections it holds d, m, y, h or s (either case). "General" and "@" do not.
bool isDateFormat(const std::string& format);
// The format of a built-in number format id of the file format ("" for an unknown id).
std::string builtinFormat(int id);
// True for the built-in ids that show dates and times.
bool isBuiltinDateId(int id);

// Serial of a day (days since 30 December 1899) and back (the serial's whole days).
double dateserial(int year, int month, int day);
void serialdate(double serial, int& year, int& month, int& day);

// The shortest text that reads back as the same double (plain digits for magnitudes from
// 1e-5 to below 1e15, else with an exponent).
std::string numbertext(double x);
// A date serial as m/d/yyyy.
std::string datetext(double serial);
// A text m/yyyy or m/d/yyyy (month 1..12, a valid day, year 1900..9999): its serial and
// the format the server gives such a cell (mmm-yy or m/d/yyyy); false for any other text.
bool typeddate(const std::string& text, double& serial, std::string& format);
// A number as a format shows it, for General, 0, 0.0..., #,##0 and #,##0.0..., percent
// formats of these, "@", mmm-yy and m/d/yyyy; any other format gives the general form.
std::string displaytext(double x, const std::string& format);

}  // namespace xlmodel
