// Putting numbers written in add files into the default Vam bank (vdata, vupdate, fvread,
// matin), and the free-form number reader shared by the Vam text formats.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

class DataBank;
class VamFile;

// Longest data line read at a time; a longer line arrives in pieces.
constexpr int vamDataLineSize = 3498;

// The add file from which the lines after a command are read directly, or null after a
// message naming the command when it was typed in the command box (no data lines follow).
std::FILE* datalinesource(std::FILE* in, const char* command);
// The next line of the add file (at most vamDataLineSize characters, line end kept).
// False at the end of the input.
bool nextdataline(std::FILE* in, std::string& line);
// Characters of the line before its line end.
std::size_t linelength(const std::string& line);

// The next number of free-form text: from `pos` in `line`, characters that are not digits,
// '+', '-', '.' or 'E' are passed over; at the line's end the next line is read (a line of
// no more than `skip` characters is passed over, reading resumes at column skip + 1). A
// number stops before a '-' that does not follow an 'E'. 0 with the value, -1 at the end of
// the data (end of input or a line beginning with Ctrl-Z).
int readnumber(std::string& line, std::size_t& pos, std::FILE* in, int skip, float& value);
// The same over any source of further lines (false at the end of the input).
using LineSource = std::function<bool(std::string&)>;
int readnumber(std::string& line, std::size_t& pos, const LineSource& next, int skip, float& value);
// True when pos is at the end of the line's text (its line end or past it).
bool atlineend(const std::string& line, std::size_t pos);

// Byte position of row r, column c (1-based) of element i in period k of the bank.
long long cellpos(const VamFile& bank, int i, int k, int r, int c);
// The bank's period index of a date number (after the date number's own rules); false when
// it lies outside the bank.
bool bankperiod(const VamFile& bank, float dateNumber, int& k);
// The periods k1..k2 of the bank within the fdates range (the whole bank when the fdates
// have another frequency); false when none.
bool fdatesperiods(const VamFile& bank, int& k1, int& k2);
// The text of the bank's period k (year style 4).
std::string periodtext(const VamFile& bank, int k);

int vdatacmd(DataBank* bank, std::FILE* in);
int vupdatecmd(DataBank* bank, std::FILE* in);
int fvreadcmd(DataBank* bank, std::FILE* in);
int matincmd(DataBank* bank, std::FILE* in);
