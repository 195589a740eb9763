// The switches and output files of the echo, copy and switch commands (save, catch, annsave,
// rhosave, addprint, ic, text, cc/id, second, title, vaxtitle, autoprint, commandcache).
// The save and annsave switches and files, the echo switches and addPrint live with the
// reader (interp/state.h); the catch switch and file with the results writer (core/printout.h).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Full path of the open save file; empty while saving is off.
extern std::string saveFilePath;
// Names of the open save and catch files as the commands gave them (for messages); empty
// while saving or catching is off.
extern std::string saveFileName;
extern std::string catchFileName;
// Statement type the type command and the regression printer write to the save file.
constexpr int saveTypeSize = 11;
extern char saveType[saveTypeSize];  // "update" at start and after save off
extern char saveTypeGiven;           // 'y' when the save command named a type

// The rhosave file, written by the regression printer.
extern char rhoSaveOn;
extern std::FILE* rhoSaveFile;

extern char autoPrint;   // 'y': the graph command prints every graph it draws
extern char secondMode;  // the second switch

constexpr int titleSize = 90;     // at most 89 characters
constexpr int vaxTitleSize = 41;  // at most 40 characters
extern char currentTitle[titleSize];
extern char vaxTitle[vaxTitleSize];

// Every line typed into the command box, in typing order.
extern std::vector<std::string> commandCache;

// Closes the save file and switches saving off. A file that could not be written out whole
// (a write, the last flush or the close failed) is reported:
// "\nError:  cannot write %s for saving.\n".
void closesavefile();
// Closes the catch file and switches catching off; a file that could not be written out
// whole is reported: "\nError:  cannot write %s for catching.\n".
void closecatchfile();
// Writes out what is buffered for the save and catch files. One that cannot be written is
// closed with its report, and saving or catching is then off; the run goes on. Called after
// every command, so that a failure is reported where it happens.
void checkoutputfiles();

// Closes the save, annsave, rhosave and catch files that are open and puts every switch of
// these commands (and the save/annsave/catch switches of the reader and the results writer)
// back to its start-up value. The command cache is emptied.
void resetswitches();
