// The character reader `chop` and the tokenizers over commandBuffer (gettoken) and over a
// text held in memory (stringtoken). The reader's state is in interp/state.h.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The class of a token, returned by gettoken and stringtoken: 'a' word, 'n' number,
// '"' quoted (or fixed-width) text, 'f' end of line, 'e' end of input, 'c' any other single
// character, a punctuation character as itself, -1 abort (Escape, Ctrl-R, no input).
using TokenClass = int;

// Next character of the current input (0..255), -1 at end of input, or the non-zero
// status of a failed %-expansion (27 on Cancel), or 18 when an add file is needed and
// none is open. `in` is the open add file, or null.
int chop(std::FILE* in);
// Push one character (1..255) back; -1 pushes nothing back. Returns 1.
int unchop(int c);
// Read one token into buf (bufSize bytes; command words use 78). With dateLetters set,
// m, q and d may stand inside a number (1990q2).
TokenClass gettoken(char* buf, std::FILE* in, int dateLetters, int bufSize);
// True for a character that goes on a word begun by a letter (letters, digits and . _ $ \ : & !).
bool continuesWord(int c);
// The next gettoken returns lastToken again. Returns 1.
int ungettoken();
// Copy the current line from offset `from` to the save file (mode 'b') and the annsave
// file (modes 'b' and 'a'), stopping before the first `stop` character when stop is not 0.
int echoline(int from, char mode, char stop);

// Put a typed line into commandBuffer with a trailing newline and reset the reader
// (read position at the start, no last character, nothing pushed back). A line too long
// for the buffer is cut with the line-too-long warning. Used by the command box and by
// anyone who runs one line of text as a typed command.
void settypedline(const std::string& line);
// Reset the read position to the start of commandBuffer and clear lastChar, ungotChar
// and tokenPushedBack.
void resetreader();

// Limit of the current line's length after %-expansion (the terminating NUL included):
// commandBufferSize, or more for a line longer than a typed line may be, which may grow by
// as much as the longest typed line may.
std::size_t linelimit();

// The line reader's position: the text of the line buffer, the read position in it, the
// last character delivered, the pushed-back character and token and the fixed token width.
// A nested run keeps it from its start and puts it back on every way out, so that its
// caller reads on exactly where it stood, whatever ended the run (the end of its input,
// return, break, continue, an error, Escape).
class ReaderPositionSaver {
public:
    ReaderPositionSaver();
    ~ReaderPositionSaver();
    ReaderPositionSaver(const ReaderPositionSaver&) = delete;
    ReaderPositionSaver& operator=(const ReaderPositionSaver&) = delete;

private:
    std::string line_;
    std::size_t readOffset_;
    std::size_t lineLimit_;
    int lastChar_;
    int ungotChar_;
    std::string lastToken_;
    int lastTokenClass_;
    char tokenPushedBack_;
    int fixedTokenWidth_;
};

// ---- text tokenizer over a string in memory and a position in it ----
int textgetc(const std::string& text, std::size_t& pos);    // char, or -1 at the end
int textungetc(const std::string& text, std::size_t& pos);  // moves back; -1 at the start
int textskipblanks(const std::string& text, std::size_t& pos);  // next char, or -1 at end
// One token of text from pos (the text is rewritten in place by %-expansion); returns -1
// on failure or at the end of the text, else a number >= 0; the class goes to `cls`.
int stringtoken(std::string& out, std::string& text, std::size_t& pos, int& cls);
// A quoted text's contents, or the value of the string variable a word names; else -1.
int textterm(std::string& out, std::string& text, std::size_t& pos);
// A double-quoted literal read with %-expansion off (backslash pairs kept); -1 on failure.
int textquoted(std::string& out, std::string& text, std::size_t& pos);
// Append a token to the back of textPushBack.
void pushtoken(const std::string& text, int cls);
