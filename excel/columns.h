// Spreadsheet columns: numbers 1..256 and their letters A..IV (a bijective base-26 number:
// A..Z are the digits 1..26, two letters XY stand for 26 * X + Y). Used by the Excel link,
// by the group parser (column letters as sector numbers) and by %xlcol.
#pragma once

#include <string>

// Letters of a column number: 1 A, 26 Z, 27 AA, 256 IV. Below 1 or from 260 on prints
// "cannot have columns before "A" or beyond "IV"", 257..259 "cannot have columns beyond
// "IV""; both give "-1".
std::string colletters(int n);
// Column number of one or two letters of either case (AA 27); characters after the second
// are not read; -1 for an empty text or a character that is not a letter. No upper limit.
int colnumber(const char* text);
inline int colnumber(const std::string& text) { return colnumber(text.c_str()); }
// The letters of the column `offset` columns away from `letters`, or "-1" (with a message
// when the result lies before A or beyond IV; without one for two characters that are not
// both letters).
std::string coloffset(const std::string& letters, int offset);
