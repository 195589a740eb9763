// The results window writer: printf-like output assembled into lines; each completed line
// goes to the results window and, while catching is on, to the catch file.
#pragma once

#include <cstdio>
#include <string>

// Formatted text of one call (at most printBufferSize - 1 characters; longer text is cut).
constexpr int printBufferSize = 3000;
// Pending text longer than this is pushed out as a line before more is appended.
constexpr int printPushLimit = 500;
constexpr int printLongPushLimit = 2999;

// The catch switch ('y'/'n') and file, owned by the catch command.
extern char catchOn;
extern std::FILE* catchFile;

void printout(const char* format, ...) __attribute__((format(printf, 1, 2)));
void printoutlong(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Text printed since the last completed line.
const std::string& pendingLine();
bool linePending();
void clearPendingLine();
// Pushes the text printed since the last completed line out as a line of its own.
void flushPendingLine();
// Copies a line to the catch file alone, while catching is on: a line that the results
// window shows already (a command typed at a terminal, where the line editor shows it).
void catchOnly(const std::string& line);

// OK/Cancel box: 27 on Cancel, else 0.
int pausebox(const char* text, const char* caption);
// Plain notice captioned "Jex Message"; always 0.
int infobox(const char* text);
// The key wait of paged listings; never waits, always 0.
int waitkey();
