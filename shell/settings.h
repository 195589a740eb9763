// The settings file JexReg.ini in the program's home: the fonts and colours of the results
// window, graphs and editors, the placements of the main window, the graph window, the
// add-file pause box and new editors, the execute box's text, the names last used by the
// model dialogs and a few switches. Read once at start, written once at the end.
#pragma once

#include <string>

class ProfileFile;

// The settings file's full name.
std::string settingsFilePath();
// Reads the settings file into the main window and the shared globals, then checks the
// placements against the screen's work area. A missing or damaged file gives the defaults.
void loadsettings();
// The same from a parsed file (the reader of loadsettings).
void applysettings(const ProfileFile& ini);
// Writes every key, in the table's order, from the main window and the globals. Prints
// "\nWarning:  Cannot write %s.\n" when the file cannot be written.
void savesettings();
// The file's content as savesettings writes it.
ProfileFile collectsettings();
