// The series expression evaluator. rhs reads an expression token by token from the
// current command input and writes its value for every observation of the workspace into
// a float array; it parses while it evaluates (no syntax tree): each operand is computed
// into a work array as soon as it is read and folded into the result with the operator
// before it. '*' and '/' bind tighter than '+' and '-'; parentheses nest by recursion;
// a missing operand gives a missing result; a divisor strictly between -0.0000001 and
// 0.0000001 gives 0.
#pragma once

#include <cstddef>
#include <cstdio>

// Evaluates one expression into out (room for 1999 floats or more: entries 0..1998 are
// cleared, 0..wsMaxObs-1 computed). Every token read is copied at the text cursor (bounded:
// see series/exprtext.h; textRoom is the room of the caller's buffer from the cursor, 0 for
// the open bound or exprTextSize). Returns the code of the delimiter that ended the
// expression:
//   41 ')' (kept in the text), or an operand after a parenthesised operand;
//   44 ',', 60 '<', 62 '>', 59 ';', 61 '=' (not kept);
//   102 the line ended after a complete operand;
//   0   an operand followed a complete operand with no operator between them;
//   -1  error (reported); 27 the user cancelled.
// On success the expression's frequency is left in currentFrequency and the cursor ends on
// an empty text just after the expression text's NUL.
int rhs(float* out, std::FILE* in, char*& text, std::size_t textRoom = 0);

// True while the expression being evaluated is unwinding after it was refused for nesting
// too deeply or for a lag or date subscript outside the workspace (reported once); the
// @function handlers then fail without a message each.
bool rhsrefused();

// -1 after "\r\nBad syntax in expression.\r\n" when the previous token class is an
// operator ('+', '-', '*', '/'); else 0.
int operatorcheck(int previousClass);
// Folds the operand into the term with the pending '*' or '/' (stack[top]); copies it when
// no such operator waits. 0, or -1 on a frequency conflict.
int applymuldiv(float* term, char* stack, int& top, const float* operand, int& termFrequency,
                int operandFrequency);
// Folds the term into the running sum with the pending '+' or '-' (stack[top]); copies it
// when none waits. 0, or -1 on a frequency conflict.
int applyaddsub(float* sum, char* stack, int& top, const float* term, int& sumFrequency,
                int termFrequency);
