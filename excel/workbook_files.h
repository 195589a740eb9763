// The files of the workbook model: .xlsx workbooks (written with libxlsxwriter, read by our
// own reader over libzip and pugixml) and the text formats (.csv and tab-separated .txt,
// written and read by our own code). Every reader refuses a damaged file with a reason and
// never trusts a size or an index read from it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "excel/workbook_model.h"

namespace xlmodel {

// Text formats by the server's file-format code.
struct TextFormat {
    char separator;   // ',' or '\t'
    const char* end;  // line end: "\r\n" or "\r"
    bool utf16;       // UTF-16LE with a byte-order mark
};
// The text format of a file-format code; null for a code that is not a text format.
const TextFormat* textformat(int code);

// Reads a workbook file by its extension (.csv, .txt; anything else as .xlsx). ServerError
// with a reason naming the file when it cannot be read; `warning` receives what the file
// holds that is not read (cells beyond IV65536, charts, pictures, comments), else "".
std::unique_ptr<Workbook> readworkbookfile(const std::string& path, std::string& warning);
// The .xlsx reader over bytes in memory (the fuzz target's entry); `name` names them in
// reasons.
std::unique_ptr<Workbook> readxlsxbytes(const void* data, std::size_t size,
                                        const std::string& name, std::string& warning);

// Writes the workbook in a file format (workbookFormat or a text format's code) beside the
// target and renames it over; a file opened with unread content and saved over is first
// kept as <path>.bak. ServerError when it cannot be written. The workbook then names the
// file and is no longer modified.
void saveworkbookfile(Workbook& book, const std::string& path, int format);

// The model's text bytes as UTF-8: valid UTF-8 passes through, any other byte is taken as
// Latin-1.
std::string toutf8(const std::string& bytes);

// Internal pieces of the writers and readers.
void writexlsx(const Workbook& book, const std::string& path);
void writetextfile(const Workbook& book, const std::string& path, const TextFormat& f);
// The cells of a range as text lines: fields as a text file holds them (numbers in their
// format, formulas as their text), separated and each line ended as given.
std::string sheettext(const Worksheet& sheet, const Rect& area, char separator, const char* end);
std::unique_ptr<Workbook> readtextfile(const std::string& path, char separator,
                                       std::string& warning);
// The width the .xlsx writer stores for a column width, and the width read back from it.
double storedwidth(double width);
double widthfromstored(double stored);

}  // namespace xlmodel
