// The start and the end of the program as the main window makes them, and the command box:
// the start sequence of the main window's first showing, the line typed into the command
// box, and the end of the run that writes the settings and the history.
#pragma once

#include <string>
#include <vector>

// The start sequence: the settings file, the start-directory dialog, the named groups, the
// working directory, jex.cfg. False when the workspace is in use by another program (the
// program must end; already said).
bool startsequence();
// Runs "add <name>" for the program's first argument as the main window does after start-up,
// then adds "\n\nFinish processing of call from command line.\n" to the results window.
void runstartargument(const std::string& name);
// The add file name as the reader takes it whole: a plain word as it stands, anything else
// in double quotes with each '%' doubled.
std::string addfileword(const std::string& name);
// One line entered in the command box: echoed (unless the terminal has shown it already, then
// only to the catch file), kept in the command cache and the drop-down history, run; a 30th
// history entry is dropped afterwards. Returns the command loop's status.
int runcommandboxline(std::string line, bool shownAlready);
// A line of standard input: a "::" line reaches the menus (not echoed, cached or kept in
// the history), any other runs as the command box runs it.
int runinputline(const std::string& line, bool shownAlready);
// "add <name>" run as the execute box runs it: not echoed, cached or kept in the history.
int runaddline(const std::string& name);
// The end of the run: the shut-down when quit has not run it, then the main window's end
// (the settings file and HIST.DAT). Runs once.
void endofrun();
