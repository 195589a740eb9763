// The handlers of the scripting commands: do loops and user functions, if/else, try/catch,
// continue and break, the string command, and the small utility commands. Each reads its
// own arguments from the current input and returns a CommandStatus (interp/command.h).
#pragma once

#include <cstdio>

// ---- do loops and user functions (interp/doloop.h, interp/userfunc.h) ----
int docmd(std::FILE** in);            // do {body} [arguments] [(group)]; input by reference
int functioncmd(std::FILE* in);       // function name {body} | print | list | clear
// The not-a-command path: runs the user function `name` with the rest of the line as its
// arguments; -1 (nothing printed) when there is none. See interp/userfunc.h.
int calluserfunction(const char* name, std::FILE** in);
bool isuserfunction(const char* name);

// ---- conditionals and error trapping (interp/conditional.h) ----
int ifcmd(std::FILE* in);             // if (condition) {block} [else if (...) {...}] [else {...}]
int trycmd(std::FILE* in);            // try {block} catch {block}
int continuecmd(std::FILE* in);       // 15
int breakcmd(std::FILE** in);         // closes the current add file, 18; input by reference

// ---- string variables (interp/strings.h) ----
int stringcmd(std::FILE* in);         // string, str

// ---- small utility commands (interp/utility_commands.h) ----
int faddcmd(std::FILE* in);           // fadd <CommandFile> <ArgumentFile> [word ...]
int timercmd(std::FILE* in);          // timer [on|start|off|stop]
int timecmd();                        // time; reads nothing
int timestampcmd();                   // timestamp, ts; reads nothing
int colonblockcmd(std::FILE* in);     // : comment block :
int addpausecmd(std::FILE* in);       // addpause [y|n]
int doscmd(std::FILE* in);            // dos [-noprint|-i] [command] | dos ... { lines }
int cwdcmd();                         // cwd; reads nothing
int stepcmd(std::FILE* in);           // step [-y|-n] [off]; -1 makes the loop return 101
int seedcmd(std::FILE* in);           // seed(x)

// ---- the step dialog (interp/stepdialog.h) ----
// Shows the step dialog for the command word about to run: 0 Step, 10 Continue, 27 Cancel.
// Install it as the command loop's stepDialog.
int runstepdialog(const char* word);
