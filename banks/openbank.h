// Making a bank of a given kind for a slot: the one place where the bank command and the
// start-up reader construct lettered banks.
#pragma once

class DataBank;

// True when banks of this kind ('w', 'c', 'h', 'd', 'v') can be opened in this version.
bool bankkindavailable(char kind);
// A new bank of the kind opened from the stem (listing: the listing file of a directory of
// forecasts), open or not (the caller tests isOpen and deletes a failed one); null when the
// kind is not available.
DataBank* openbank(char kind, const char* stem, const char* listing = nullptr);
