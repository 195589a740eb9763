// The switches of the listing and mode commands (their globals) and the helpers the listing
// commands share with the bank dialogs and the %-functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Default frequency of the f, type and graph commands: 0, 1, 2, 4, 6 or 12 [0].
extern char defaultFrequency;
// 'y' [start] / 'n': the wrindex switch (the index is written after every addition anyway).
extern char writeIndexMode;
// Year style of date texts: '2', '3' or '4' [4].
extern char yearFormat;
// The title block shown last by btitle for a lettered bank: base year, first month,
// maximum observations, series count.
extern std::int16_t bankInfo[4];

// Puts the switches above back to their start-up values.
void resetlistingstate();

// The type word of a slot kind: "bnk", "cbk", "hbk", "vam", "dfr" ("" for a free slot).
const char* banktypeword(char kind);
// Prints a bank's title block.
void showbanktitle(const char* title, int baseYear, int firstMonth, int maxObs, int count);
// The names of the workspace (location 22) or of the bank in slot 0..25 that match the
// pattern, with the option letters of listnames (g, v for Vam banks; s sorts, s and r sort
// descending). 0, or -1 for a bad location or a free slot.
int collectnames(std::vector<std::string>& list, const std::string& options,
                 const char* pattern, int location);
// The list-sorting comparison of the Vam element listing: descending, without regard to case.
bool comparetextdescending(const std::string& a, const std::string& b);
