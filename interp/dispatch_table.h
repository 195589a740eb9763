// The command chains as data. Each chain is an ordered table of entries: a name, its match
// rule (exact, a minimum prefix, or the first six letters), the handler and the fixed
// arguments the handler is given. One matcher walks a chain and the first entry whose rule
// the command word meets wins, so the order of the entries is part of the language: an
// abbreviation belongs to the first entry it matches.
//
// Commands that work on the default Vam bank go through the gateway `vamcommand`, which
// checks that a default Vam bank is set and then looks the entry's canonical name up in the
// gateway table.
#pragma once

#include <cstdio>
#include <span>
#include <variant>

#include "interp/dispatch.h"

class DataBank;

namespace dispatch {

enum class Rule : unsigned char {
    exact,     // the word equals the name
    prefix,    // the word is the name or a beginning of it of at least `minLength` characters
    firstSix,  // the word's first six characters equal the name's (gridtype)
};

struct Match {
    Rule rule;
    int minLength;
};
constexpr Match eq() { return {Rule::exact, 0}; }
constexpr Match pre(int n) { return {Rule::prefix, n}; }
constexpr Match six() { return {Rule::firstSix, 6}; }

// The fixed arguments of an entry: up to three mode letters, a number, and for gateway
// entries the canonical name handed to `vamcommand`.
struct Args {
    char c1 = 0, c2 = 0, c3 = 0;
    int n = 0;
    const char* gatewayName = nullptr;
};
constexpr Args noargs() { return {}; }
constexpr Args chars(char a) { return {a, 0, 0, 0, nullptr}; }
constexpr Args chars(char a, char b, char c) { return {a, b, c, 0, nullptr}; }
constexpr Args num(int n) { return {0, 0, 0, n, nullptr}; }
constexpr Args charnum(char a, int n) { return {a, 0, 0, n, nullptr}; }
constexpr Args gate(const char* name) { return {0, 0, 0, 0, name}; }

// What the call of one matched entry sees.
struct Call {
    const char* word;      // the command word as read
    const char* name;      // the entry's name
    std::FILE** in;        // the caller's input, by reference
    LoopAction& action;    // what the command loop must do besides (first chain only)
    int* equationOffsets;  // the loop's equation offset table (con, qpcon, sma)
};

// Handler shapes. A handler of a command that is not part of this version yet is
// `NotAvailable`: the word is recognised and prints that it is not available.
struct NotAvailable {};
struct Gateway {};                                        // vamcommand(in, args.gatewayName)
using InputHandler = int (*)(std::FILE* in);              // the usual handler
using InputRefHandler = int (*)(std::FILE** in);          // may close the input itself
using NoInputHandler = int (*)();                         // reads nothing
using ModeHandler = int (*)(std::FILE* in, char mode);    // one fixed letter
using NumberHandler = int (*)(std::FILE* in, int mode);   // one fixed number
using GraphHandler = int (*)(std::FILE* in, char, char, char);
using PrintHandler = int (*)(std::FILE* in, char mode, int n);
using EquationHandler = int (*)(std::FILE* in, int* equationOffsets);
using InlineHandler = int (*)(const Call& call);          // commands carried out by the chains

using Handler = std::variant<NotAvailable, Gateway, InputHandler, InputRefHandler, NoInputHandler,
                             ModeHandler, NumberHandler, GraphHandler, PrintHandler,
                             EquationHandler, InlineHandler>;

// What a status of the handler means to the command loop beyond the status itself.
enum class Effect : unsigned char {
    none,
    endRunOnDone,     // return: status 0 ends the run (the input is closed)
    stepFailOnError,  // step: status -1 makes the run return 101
    dropLine,         // the rest of the line is dropped after the handler (pwd, beep)
};

struct Entry {
    const char* name;
    Match match;
    Handler handler;
    Args args = {};
    Effect effect = Effect::none;
};

// The four chains in the order the command loop consults them (1 is the loop's own).
std::span<const Entry> chain(int which);

// The gateway table: handler shapes of the default-Vam-bank commands.
using BankHandler = int (*)(DataBank* bank, std::FILE* in);
using BankModeHandler = int (*)(DataBank* bank, std::FILE* in, int mode);
using BankOnlyHandler = int (*)(DataBank* bank);
struct StoreOperation {};  // the bank's own storecmd
using GatewayHandler = std::variant<NotAvailable, BankHandler, BankModeHandler, BankOnlyHandler,
                                    InputHandler, StoreOperation>;
struct GatewayEntry {
    const char* name;
    GatewayHandler handler;
    int mode = 0;
};
std::span<const GatewayEntry> gatewayTable();

// True when the word meets the entry's rule (`length` is the word's length).
bool matches(const Entry& entry, const char* word, int length);
// The first entry of the chain that the word matches, or null.
const Entry* findentry(std::span<const Entry> entries, const char* word, int length);
// The chain (1..4) and entry a word resolves to, trying the chains in order; null when none.
const Entry* resolve(const char* word, int* whichChain = nullptr);

}  // namespace dispatch

// The gateway of the default-Vam-bank commands: -1 with two lines of advice when no default
// Vam bank is set; else the result of the handler named `name` (0 for an unknown name).
int vamcommand(std::FILE** in, const char* name);
