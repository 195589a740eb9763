// The commands that set the regression limits and switches.
#pragma once

#include <cstdio>

int limitscmd(std::FILE* in);      // limits (rdates) [+|-]d1 [+|-]d2 [[+|-]d3]
int showtcmd(std::FILE* in);       // showt <y | n>
int missingcmd(std::FILE* in);     // missing <y | n>
int modecmd(std::FILE* in);        // mode [forecast | test]
int stochasticcmd(std::FILE* in);  // stochastic <y | n>
// zip [off | no]: regZip on, or off with a word beginning with n (or "off"); with no input
// to read (no add file, keyboardInput 'n', no replay list) it reads nothing.
int zipcmd(std::FILE* in);
// Sets regZip and the tick of the main window's Zip item together.
void setregzip(bool on);
