// %-expansion of command text: %1..%99 (script arguments), %{...} (integer expressions),
// %name(...) (the %-functions) and %% (one percent sign).
#pragma once

#include <cstddef>
#include <string>

// Expand the %-sequence at `pos` (which must be on a '%') in place. Status 0: the sequence
// is replaced by its expansion, which is also in `result`, and pos is on its first
// character. Otherwise -1 (text unchanged), 27 (Cancel in the missing-argument box or an
// abort from a nested reader), 18 (an error that must stop the reading, its message
// printed: %{ without its closing brace, expansions nested past the limit), or a
// %-function's failure status.
int expandpercent(std::string& result, std::string& text, std::size_t& pos);
// Evaluate an integer expression from pos up to and including the ')' or '}' ending it:
// 0 with the value's decimal text in `result`, -1 on failure, 27 when aborted.
int intexpression(std::string& result, std::string& text, std::size_t& pos);
// Read and drop tokens until end of line or of text (or an abort); returns the last class.
int textskipline(std::string& text, std::size_t& pos);
// Remove the one character at pos.
void texterase(std::string& text, std::size_t& pos);

// 32-bit integer arithmetic that wraps on overflow like the machine words it mirrors:
// (2147483647 + 1) gives -2147483648; division truncates toward zero, a zero divisor gives
// 0 and the least value divided by -1 gives the least value.
int wrapadd(int a, int b);
int wrapsub(int a, int b);
int wrapmul(int a, int b);
int wrapdiv(int a, int b);
