// The command loop: reads a command word from the input, finds its handler in the command
// chains, runs it and decides by the handler's status whether to go on.
#pragma once

#include <cstdio>

// Run commands from `*in`: an open add file, or null for the typed line in commandBuffer
// (or the replay list when replayMode is 'y'). Returns a CommandStatus (interp/command.h).
// After a stop code, the end of input, return or a failed step command the add file is
// closed and *in set to null.
int commandloop(std::FILE** in);

// The step dialog shown before each command while stepMode is on: returns 0 (Step),
// 10 (Continue) or any other value (Cancel). Replaceable by the windowed shell; the
// default asks the platform with the choices Step, Continue and Cancel.
extern int (*stepDialog)(const char* word);
// The orderly shut-down run by quit and exit before the loop returns 113. Set by the
// application shell; null runs nothing beyond marking quitRequested. A shut-down that was
// refused clears quitRequested, and the loop returns 27 instead.
extern void (*shutdownHandler)();
