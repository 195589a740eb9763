// The start-up configuration file jex.cfg: the workspace bank, bank a, the default dates,
// the workspace calendar and an add file to run. Read at start-up and by wsreset.
#pragma once

#include <cstdio>

// Reads jex.cfg of the working directory and builds the workspace bank and bank a from it.
// 0, or -1 when the file is missing, the bank type is unknown or a floating-point error
// occurred, or startupWorkspaceInUse. The flag is not used.
int readstartupcfg(int flag = 0);
// The result of readstartupcfg when the workspace bank is in use by another program: the
// reading stopped there, and the program that starts must end.
constexpr int startupWorkspaceInUse = -2;
// Reads the next entry of a configuration file: skips the tokens up to the next ';' and
// puts the one token after it into buf (at most 78 characters; an end of line gives an
// empty value). 0 done, 101 at the end of the file, -1 after "Bad entry in jex.cfg file."
// for any other token, -1 at once for a null file. The reader is switched to the file
// meanwhile and put back before it returns.
int readcfgentry(char* buf, std::FILE* file);
