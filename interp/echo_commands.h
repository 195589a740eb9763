// The echo, copy and switch commands: the output files (save, catch, annsave, rhosave), the
// echo switch (addprint), copying input text to the save file or the results window (ic,
// text, cc, id), the one-word switches (second, autoprint, title, vaxtitle) and the command
// cache. Each is a command handler: it reads its own arguments from the current input
// (null for a typed line or a replay list) and returns a CommandStatus.
#pragma once

#include <cstdio>

int savecmd(std::FILE* in);          // save [-a|-w] <filename|off> [type]
int catchcmd(std::FILE* in);         // catch [-a|-w] <filename|off>
int annsavecmd(std::FILE* in);       // annsave <filename|off>
int rhosavecmd(std::FILE* in);       // rhosave <filename|off>
int addprintcmd(std::FILE* in);      // addprint|addtype <y|n>
int iccmd(std::FILE* in);            // ic <text>: a comment line
int textcmd(std::FILE* in);          // text <text>
int cccmd(std::FILE* in);            // cc|id <text>: copy the command line
int secondcmd(std::FILE* in);        // second [off]
int titlecmd(std::FILE* in);         // title <text>
int vaxtitlecmd(std::FILE* in);      // vaxtitle <text>
int autoprintcmd(std::FILE* in);     // autoprint <y|n>
int commandcachecmd(std::FILE* in);  // commandcache <clear|print|replay>
