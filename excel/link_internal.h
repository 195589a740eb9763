// Small pieces the link's operations share: how a server reads a whole number from a text,
// and the underline style of an underline character.
#pragma once

#include <string>

namespace xllink {

// The integer a server makes of a text: leading blanks, a sign and digits; ServerError for
// a text that is not one.
int textint(const std::string& text);
// '=' double, '~' double accounting, '_' single accounting, anything else single.
int underlinefromchar(char c);

}  // namespace xllink
