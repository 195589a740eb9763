// User functions: named bodies of command lines, stored by the function command and run
// when a command word names no command but a stored function.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Function name -> its body, the lines between the braces (each with its newline), in
// name order. Lives from program start to program end; emptied only by function clear.
extern std::map<std::string, std::vector<std::string>> userFunctions;

// True when a function of that name is stored.
bool isuserfunction(const char* name);

// Runs the stored function `name` (the not-a-command path of the command chains): the rest
// of the calling line gives its arguments %1, %2, ... (and may end in a group, which runs
// the body once per member); the body's lines are not echoed. The body run is a copy that
// lives until the call ends, so the function may be redefined or cleared while it runs.
// Returns the body's status as it is; -1 when no function of that name is stored (nothing
// is printed then: the caller prints "Not a Jex command.\n").
int calluserfunction(const char* name, std::FILE** in);

// function name { body } | function print [name] | function list | function clear [name]
int functioncmd(std::FILE* in);
