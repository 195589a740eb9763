// The expression text: while the evaluator, the @functions and the group parsers read
// tokens, they copy every token to a caller's text buffer through a cursor that always
// rests on the NUL ending the text copied so far. Callers use that text as a heading or a
// variable name.
//
// The copy is bounded. The outermost reader opens a TextBound over the caller's buffer
// (its room from the cursor, or exprTextSize when the caller does not say), and every copy
// made while it is open stops at the bound: text beyond it is dropped, the evaluation goes
// on unchanged. Nested readers (a parenthesis, an @function's arguments) that get a cursor
// inside the open region keep the outer bound. A margin is kept free behind the bound for
// the subscript text ("[2]", "{1995.2}") that the series lookup appends itself; after every
// lookup the reader calls textclamp, so that those pieces can never pile up.
#pragma once

#include <cstddef>

// The room callers of rhs and parsegroup give when they do not pass a size.
constexpr std::size_t exprTextSize = 3000;
// Bytes kept free behind the bound for the lookup's subscript text and the final NULs.
constexpr std::size_t exprTextMargin = 80;

class TextBound {
public:
    // room 0: keep the bound that is open when the cursor lies inside it, else bound the
    // text to exprTextSize bytes from the cursor. room > 0: the caller's buffer has `room`
    // bytes from the cursor on (at least exprTextMargin + 2 are needed to copy anything).
    explicit TextBound(char* cursor, std::size_t room = 0);
    ~TextBound();
    TextBound(const TextBound&) = delete;
    TextBound& operator=(const TextBound&) = delete;

private:
    char* savedStart_;
    char* savedLimit_;
};

// Append src at the cursor (as much as fits before the open bound; all of it when no bound
// is open); the cursor ends on the NUL after the copy.
void textappend(char*& cursor, const char* src);
// Append one character.
void textappendchar(char*& cursor, char c);
// Move the cursor forward onto the NUL ending the text it stands in, but never past the
// open bound (the text is cut there).
void textclamp(char*& cursor);
