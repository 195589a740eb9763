// The estimators built on the regression pipeline, and the test of the regression limits
// they share with the regress command.
#pragma once

#include <cstdio>

// The workspace indexes of fitStart, fitEnd and testEnd must exist and be in order inside
// the workspace; otherwise a message naming `command` and -1.
int checklimits(const char* command, int first, int middle, int last);

// The next sub-command of a block read up to "do": prints the prompt "\r\n:" for typed input
// and skips tokens up to a word, a quoted text ('"'), the end of input ('e') or an abort
// (-1); returns that class with the token in `token` (80 bytes).
int blockword(std::FILE* in, char* token);

// stack (mode 't') and sur (mode 'u'): a block of equations and constraints up to "do".
int stackcmd(std::FILE* in, char mode);
// recursive <dependent> = [!] <terms>
int recurcmd(std::FILE* in);
// hl <rho low> <rho high> <step> <dependent> = [!] <terms>
int hlcmd(std::FILE* in);
// bj <q> <dependent> = [!] <terms>
int bjcmd(std::FILE* in);
// ac <series> [order]
int accmd(std::FILE* in);
// comcoef <m> <n>, then a block of equations up to "do"
int comcoefcmd(std::FILE* in);
// wregress <share> = <term>, <term>, <term> ...
int wregresscmd(std::FILE* in);
