// Handlers of the listing and mode commands, the workspace cache and dump, and the console
// form of the bank dialogs. Each reads its own arguments from the input (an add file, or
// null for a typed line) and returns a CommandStatus.
#pragma once

#include <cstdio>

// lb, listbanks
int listbankscmd(std::FILE* in);
// listnames/ln (columns 1), listnamescol/lnc (columns 0):
// listnames [-options] [root] <ws | letter> [pattern]
int listnamescmd(std::FILE* in, int columns);
// btitle w [new title] | btitle <letter>
int btitlecmd(std::FILE* in);
// show, s: [letter.]element of a Vam bank
int showcmd(std::FILE* in);
// wsi: describe the workspace bank
int wsicmd(std::FILE* in);
// vammode [s|a]
int vammodecmd(std::FILE* in);
// dfreq [0|1|2|4|6|12]
int dfreqcmd(std::FILE* in);
// wrindex <y|n>
int wrindexcmd(std::FILE* in);
// yearformat, yf [2|3|4]
int yearformatcmd(std::FILE* in);
// wscache [yes|on|no|off]
int wscachecmd(std::FILE* in);
// wsdump <file> [t]
int wsdumpcmd(std::FILE* in);
// assigndialog: the assign dialog on the console (rows read from the input, then OK/Cancel).
int assigndialogcmd(std::FILE* in);
// banklist: the bank list on the console (choose a bank, or close all).
int banklistcmd(std::FILE* in);
