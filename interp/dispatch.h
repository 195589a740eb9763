// The command chains: ordered tables of command names (exact or by a minimum prefix) with
// their handlers, consulted by the command loop in order; the first name that matches wins.
#pragma once

#include <cstdio>

// What the first chain asks of the command loop beyond the handler's status.
enum class LoopAction {
    none,        // go on as the status says
    returnNow,   // the return command with status 0: close the input and return 0
    back,        // the back command: return 0 at once without closing anything
    stepFailed,  // the step command failed: close the input and return 101
    quit,        // quit or exit: shut down and return 113
};

// The first chain. Returns 1 when a name matched (the handler ran; its result is in
// `status`, and `action` says what the loop must do besides), 0 when none matched.
int dispatch1(const char* word, int length, std::FILE** in, int& status, LoopAction& action);

// The other chains: 1 when a name matched and its handler succeeded, a stop code (-1, 27,
// 15, 18) when the handler returned one, 0 when no name matched. dispatch4 ends with the
// not-a-command path (a user function of that name, else "Not a Jex command.").
int dispatch2(const char* word, int length, std::FILE** in);
int dispatch3(const char* word, int length, std::FILE** in);
int dispatch4(const char* word, int length, std::FILE** in);
