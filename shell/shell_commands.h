// Commands and services of the application shell that the command chains call: the working
// directory (pwd, cd), the version, and the orderly shut-down of quit and exit.
#pragma once

#include <cstdio>
#include <string>

// The directory recorded at start and after each cd (at most 260 characters).
constexpr int workingDirectorySize = 261;
extern char workingDirectory[workingDirectorySize];

// Prints "Your present working directory is %s\n\n" with the current directory.
void pwdcmd();
// cd <directory>: reads the name to the line end or '#' (at most 99 characters, trailing
// blanks removed), changes to it ("Invalid directory: %s\n" when that fails), prints the
// working directory and records it. Always 0.
int cdcmd(std::FILE* in);
// Reads a directory name as cd does: `name` is what has been read of it already (a first
// token), and the characters that follow, to the end of the line or '#', complete it (at
// most 99 characters in all, blanks around it removed). The rest of a line after a '#' or
// past the limit is dropped.
std::string readdirectoryname(std::FILE* in, std::string name);
// Changes to the directory (backslashes stand for slashes), printing "Invalid directory: %s\n"
// when that fails, then prints and records the working directory, as cd does.
void changedirectory(const char* name);
// version: prints the program's version text. Always 0.
int versioncmd(std::FILE* in);
// The orderly end of the program: closes the output files of the command language and
// releases what the shell holds. Returns 0. Installed as the command loop's shut-down.
int shutdown();
// The graph window's placement kept in the main window's fields at shut-down: its bounds
// when it is in its normal state, else places derived from the screen (and the pause box's).
void remembergraphplacement();
// Record the current directory in workingDirectory.
void recordworkingdirectory();
// The system's beep, as the console can sound it (the bell character on standard error).
void consolebeep();
