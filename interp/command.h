// Command handlers and the status codes they return.
#pragma once

#include <cstdio>

// What a command handler returns, and what the command loop passes up.
enum CommandStatus : int {
    statusDone = 0,
    statusError = -1,
    statusAbort = 27,     // abort by the user (Escape, Cancel)
    statusContinue = 15,  // continue: next member of a loop
    statusBreak = 18,     // break: leave the loop
    statusTyped = 49,     // one typed command done
    statusStepFailed = 101,
    statusQuit = 113,
};

// A command handler reads its own arguments through the reader (gettoken, chop) from the
// current input: an open add file, or null for a typed line or a replayed list of lines.
using CommandHandler = int (*)(std::FILE* input);
