// mc: rewrites every period record of a Vam element in place with its own values, through
// the element's read and write operations.
#pragma once

#include <cstdio>

class DataBank;
class JexDate;

// mc <name> [group] [group] [(] = ...
int mccmd(DataBank* bank, std::FILE* in);
// Cuts first..last to from..to: -1 (nothing changed) when either run is reversed or they do
// not overlap, else 0.
int clipdates(JexDate& first, JexDate& last, const JexDate& from, const JexDate& to);
// One optional bracketed group: 0 when absent or read (count set), -1 when it fails.
int mcgroup(int& count, std::FILE* in);
