// Punching coefficients: the punch file of card images (pch, ipch) and the equation punch
// file of coefficient tables (titpch, tpch), both read from the series rcoef that the last
// regression left.
#pragma once

#include <cstdio>

int punchcmd(std::FILE* in);    // punch <filename | off> [words...]
int eqpunchcmd(std::FILE* in);  // eqpunch <filename | off> [words...]
int pchcmd(std::FILE* in);      // pch <name> <number> [<equation number>]
int ipchcmd(std::FILE* in);     // ipch [which] <label> <sector> [type] [psn...] [extra ...]
int titpchcmd(std::FILE* in);   // titpch [-<options>] [<stub_len>] [titles...]
int tpchcmd(std::FILE* in);     // tpch <sector> [string] [length] [( positions )]

// The options of the last titpch, read by tpch.
struct TableOptions {
    bool b = false, o = false, r = false, s = false, d = false, f = false, m = false, t = false;
    bool plain = false;
    int titles = 0;
};
extern TableOptions tableOptions;
