// Add files: the add command, the runner of add files and replay lists with arguments,
// the plain add of sub-command readers, and the return command.
#pragma once

#include <cstdio>

// add <file|keyboard> [arguments] [(group)...]: the handler of the words add and a. `in`
// is the caller's input (by reference).
int addcmd(std::FILE** in);
// Run the add file `path` (null: the lines of replayList) with the arguments read from the
// rest of the caller's line; quiet 1 turns addPrint off for the run. Returns the status of
// the run, or -1 when the arguments or the file fail.
int runaddfile(const char* path, std::FILE** in, int quiet);
// add <file|keyboard> [word ...] without groups, at most 10 arguments; used by the
// start-up configuration reader and sub-command readers.
int simpleadd(std::FILE* in);
// True when `path` names a file that may be read as a script or argument file; a name that
// exists but is no regular file (a device, a directory, a pipe) is refused with
// "Error:  %s is not a regular file; it cannot be read as a script.\n", since it may never
// end or may hold no lines. A name that does not exist passes (opening it fails).
bool scriptfileallowed(const char* path);
// return [ok|esc|err]: 0 ends the current run, 27 and -1 end it with that status.
int returncmd(std::FILE* in);
