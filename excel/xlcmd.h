// The xl command: the command-language face of the spreadsheet link `excelSession`. xlcmd
// reads one sub-command word and hands the rest of the line to its handler; the handlers
// share the argument readers below. Every handler returns 0 (done) or -1 (refused, after
// its message).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/date.h"

// xl, XL and excel: the sub-command and its arguments.
int xlcmd(std::FILE* in);

// ---- argument readers ----
// A column: a word or quoted text with its first two lower-case letters raised (ab AB, abc
// ABc), or a number 1..256 as its letters in lower case (27 aa). -1 without a message.
int xlcolumnarg(std::FILE* in, std::string& column, int& tokenClass);
// A row number 0..65536 (a number outside prints the invalid-row line).
int xlrowarg(std::FILE* in, std::string& row, int& tokenClass);
// A column and a row, each refusal with its line.
int xlcellarg(std::FILE* in, std::string& column, std::string& row);
// 'd', 'r', 'u' or 'l' from a word beginning with that letter.
int xldirectionarg(std::FILE* in, char& direction);
// Up to two date numbers from the input: 0 (none; the token is given back), 1 (both dates
// the same), 2, or -1 when the second is earlier or of another frequency. Prints nothing.
int xldatesarg(std::FILE* in, JexDate& first, JexDate& second);
// A group after its letter ("c", "r" or "v", either case), the parenthesis optional; fewer
// than `limit` members. -1 after a message (out is then empty).
int xlgrouparg(std::FILE* in, std::vector<std::int16_t>& out, int limit, const char* letter);

// ---- sub-commands ----
int xlsetfrequencycmd(std::FILE* in);
int xlopencmd(std::FILE* in);
int xlcreatecmd(std::FILE* in);
int xlsavecmd(std::FILE* in);
int xlnamecmd(std::FILE* in);
int xlmkseriescmd(std::FILE* in);
int xlmodifycmd(std::FILE* in);
int xlmissingcmd(std::FILE* in);
int xlprintcmd(std::FILE* in);
int xlwritecmd(std::FILE* in);
int xlreadcmd(std::FILE* in);
int xlvecreadcmd(std::FILE* in);
int xlvecwritecmd(std::FILE* in);
int xlmatreadcmd(std::FILE* in);
// Sheet layout: xl column, row, formula, freeze, merge, superscript (subscript 0) and
// subscript (1), gridlines. xl column, row, formula and freeze give 27 when the line ends
// right after the sub-command (after the syntax text).
int xlcolumncmd(std::FILE* in);
int xlrowcmd(std::FILE* in);
int xlformulacmd(std::FILE* in);
int xlfreezecmd(std::FILE* in);
int xlmergecmd(std::FILE* in);
int xlscriptcmd(std::FILE* in, int subscript);
int xlgridlinescmd(std::FILE* in);
// xl font and background (mode 0, a range) and xl setfont and setbackground (mode 1, the
// defaults); 27 when mode 0 finds nothing after the sub-command.
int xlfontcmd(std::FILE* in, int mode);
int xlbackgroundcmd(std::FILE* in, int mode);
int xlbordercmd(std::FILE* in);
int xlprintercmd(std::FILE* in);
// xl cf: the command line, then one line per rule.
int xlcfcmd(std::FILE* in);
// Divides a cell text (B5) at its first numeric character: letters and digits appended;
// -1 (nothing appended) for a text without one.
int splitcell(const std::string& text, std::string& letters, std::string& digits);

// Every occurrence of `target` in `text` replaced by `replacement`, from the left, the
// search going on after each replacement.
std::string xlreplaceall(const std::string& text, const std::string& target, const std::string& replacement);
