// The commands of the Vam banks: vamcreate, load, setveclag, vtitle, pmfile, pmmode, and the
// group commands (vam/groups.h).
#pragma once

#include <cstdio>

class DataBank;

namespace dispatch {
struct Call;
}

// vamcreate <configuration file> <bank stem>: 1 when done, -1 after the usage.
int vamcrcmd(std::FILE* in);
// load <name> [<view> <line>]
int loadcommand(DataBank* bank, std::FILE* in);
// setveclag <vector> [<# lags>]
int setveclag(DataBank* bank, std::FILE* in);
// vtitle [title] / runname [title]
int vtitlecmd(DataBank* bank, std::FILE* in);
// pmfile <packed matrix name> [file name]
int pmfilegate(DataBank* bank, std::FILE* in);
// pmmode [advanced|simple], carried out by the command chains.
int pmmodeinline(const dispatch::Call& call);
