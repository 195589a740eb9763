// The command chains at work: one matcher walks the ordered tables of interp/dispatch_table.cpp
// and calls the handler of the first entry the command word matches, with the entry's fixed
// arguments; `vamcommand` is the gateway of the default-Vam-bank commands.
//
// Commands of this version that are not built yet: their entries (and the gateway rows) hold
// the handler `na`. Such a word is still recognised, so abbreviations resolve as they always
// will, and prints "\nError:  the <word> command is not available in this version.\n" with
// status -1. Building a command means replacing `na` in its row by the handler (see the top
// of dispatch_table.cpp); nothing here changes.
#include "interp/dispatch.h"

#include <cstring>
#include <type_traits>

#include "banks/databank.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "interp/dispatch_table.h"
#include "interp/tokens.h"
#include "interp/userfunc.h"

namespace dispatch {
namespace {

// The command word being run, for the message of a command that is not available.
const char* currentWord = nullptr;

bool isstop(int status) { return status == -1 || status == 27 || status == 15 || status == 18; }

// Close the add file and forget it (standard input, the keyboard source of add, stays open).
void closeinput(std::FILE** in) {
    if (!in) return;
    if (*in && *in != stdin) std::fclose(*in);
    *in = nullptr;
}

int notavailable(const char* word) {
    printout("\nError:  the %s command is not available in this version.\n", word);
    return -1;
}

int invoke(const Entry& entry, const Call& call) {
    const Args& a = entry.args;
    std::FILE* input = call.in ? *call.in : nullptr;
    int status = std::visit(
        [&](auto handler) -> int {
            using H = decltype(handler);
            if constexpr (std::is_same_v<H, NotAvailable>) return notavailable(call.word);
            else if constexpr (std::is_same_v<H, Gateway>) return vamcommand(call.in, a.gatewayName);
            else if constexpr (std::is_same_v<H, InputHandler>) return handler(input);
            else if constexpr (std::is_same_v<H, InputRefHandler>) return handler(call.in);
            else if constexpr (std::is_same_v<H, NoInputHandler>) return handler();
            else if constexpr (std::is_same_v<H, ModeHandler>) return handler(input, a.c1);
            else if constexpr (std::is_same_v<H, NumberHandler>) return handler(input, a.n);
            else if constexpr (std::is_same_v<H, GraphHandler>) return handler(input, a.c1, a.c2, a.c3);
            else if constexpr (std::is_same_v<H, PrintHandler>) return handler(input, a.c1, a.n);
            else if constexpr (std::is_same_v<H, EquationHandler>) return handler(input, call.equationOffsets);
            else return handler(call);
        },
        entry.handler);

    switch (entry.effect) {
        case Effect::none: break;
        case Effect::endRunOnDone:
            if (status == 0) call.action = LoopAction::returnNow;
            break;
        case Effect::stepFailOnError:
            if (status == -1) call.action = LoopAction::stepFailed;
            break;
        case Effect::dropLine:
            skipline(call.in ? *call.in : nullptr);
            break;
    }
    return status;
}

// Runs the entry the word matches in one chain. Returns false when none matched.
bool runchain(int which, const char* word, int length, std::FILE** in, int& status,
              LoopAction& action) {
    const Entry* entry = findentry(chain(which), word, length);
    if (!entry) return false;
    int equationOffsets[1] = {0};
    const char* savedWord = currentWord;
    currentWord = word;
    Call call{word, entry->name, in, action, equationOffsets};
    status = invoke(*entry, call);
    currentWord = savedWord;
    return true;
}

}  // namespace

bool matches(const Entry& entry, const char* word, int length) {
    switch (entry.match.rule) {
        case Rule::exact: return std::strcmp(word, entry.name) == 0;
        case Rule::prefix: {
            int n = length > entry.match.minLength ? length : entry.match.minLength;
            return std::strncmp(word, entry.name, static_cast<std::size_t>(n)) == 0;
        }
        case Rule::firstSix: return std::strncmp(word, entry.name, 6) == 0;
    }
    return false;
}

const Entry* findentry(std::span<const Entry> entries, const char* word, int length) {
    for (const Entry& entry : entries)
        if (matches(entry, word, length)) return &entry;
    return nullptr;
}

const Entry* resolve(const char* word, int* whichChain) {
    int length = static_cast<int>(std::strlen(word));
    for (int which = 1; which <= 4; ++which) {
        if (const Entry* entry = findentry(chain(which), word, length)) {
            if (whichChain) *whichChain = which;
            return entry;
        }
    }
    return nullptr;
}

}  // namespace dispatch

using namespace dispatch;

int dispatch1(const char* word, int length, std::FILE** in, int& status, LoopAction& action) {
    action = LoopAction::none;
    return runchain(1, word, length, in, status, action) ? 1 : 0;
}

namespace {

// dispatch2 and dispatch3: 0 no match, 1 done, or a stop code after closing the input.
int furtherchain(int which, const char* word, int length, std::FILE** in) {
    int status = 0;
    LoopAction action = LoopAction::none;
    if (!runchain(which, word, length, in, status, action)) return 0;
    if (isstop(status)) {
        closeinput(in);
        return status;
    }
    return 1;
}

}  // namespace

int dispatch2(const char* word, int length, std::FILE** in) {
    return furtherchain(2, word, length, in);
}

int dispatch3(const char* word, int length, std::FILE** in) {
    return furtherchain(3, word, length, in);
}

int dispatch4(const char* word, int length, std::FILE** in) {
    int status = 0;
    LoopAction action = LoopAction::none;
    if (runchain(4, word, length, in, status, action)) {
        if (isstop(status)) {
            closeinput(in);
            return status;
        }
        return 0;
    }
    // No command of that name: a user function of that name, else an error.
    if (isuserfunction(word)) {
        status = calluserfunction(word, in);
        if (isstop(status)) {
            closeinput(in);
            return status;
        }
        return 0;
    }
    printout("Not a Jex command.\n");
    if (in && *in) skipstatement(*in);
    closeinput(in);
    return -1;
}

int vamcommand(std::FILE** in, const char* name) {
    DataBank* bank = nullptr;
    if (defaultVamBank >= 0 && defaultVamBank < bankSlotCount) bank = bankSlots[defaultVamBank];
    // A default slot whose bank has gone counts as no default bank: the handlers need one.
    if (!bank) {
        printout("No default Vam file has been assigned.\n");
        printout("Use vam command to assign a Vam file, then dvam to make it the default.\n");
        return -1;
    }
    std::FILE* input = in ? *in : nullptr;
    for (const GatewayEntry& entry : gatewayTable()) {
        if (std::strcmp(name, entry.name) != 0) continue;
        return std::visit(
            [&](auto handler) -> int {
                using H = decltype(handler);
                if constexpr (std::is_same_v<H, NotAvailable>)
                    return notavailable(currentWord ? currentWord : name);
                else if constexpr (std::is_same_v<H, StoreOperation>) return bank->storecmd();
                else if constexpr (std::is_same_v<H, BankHandler>) return handler(bank, input);
                else if constexpr (std::is_same_v<H, BankModeHandler>)
                    return handler(bank, input, entry.mode);
                else if constexpr (std::is_same_v<H, BankOnlyHandler>) return handler(bank);
                else return handler(input);
            },
            entry.handler);
    }
    printout("Unrecognized command: %s .\n", name);
    return 0;
}
