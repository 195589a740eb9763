// The recent-files list TFileHistory: the paths of the command files last opened, saved or
// closed in the editors, newest first, shown as numbered items of the File menu and kept in
// file_history.dat in the program's home.
#pragma once

#include <string>
#include <vector>

class TFileHistory {
public:
    // Loads the list file when it exists (a failure while loading is ignored).
    TFileHistory(int maxEntries, std::string fileName);
    // Saves the list, the path given last first at its top (so that it is not lost);
    // "Could not save history file" in a box captioned "Error" when that fails.
    ~TFileHistory();
    TFileHistory(const TFileHistory&) = delete;
    TFileHistory& operator=(const TFileHistory&) = delete;

    // Records a path: the previous one enters the list at its top (unless listed), an empty
    // path moves the held one to the top and empties it.
    void addFile(const std::string& path);
    // Cuts the list to its largest number of entries (the menu shows what remains).
    void rebuildMenu();
    // The click of the numbered item n (from 0): opens entry n in an editor, or brings the
    // editor that has it forward.
    void itemClick(int n);
    // The menu captions "&1 path" ... of the numbered items.
    std::vector<std::string> captions() const;
    // Writes the list; false on failure.
    bool save() const;

    std::vector<std::string> entries;
    std::string currentPath;
    int maxEntries;
    std::string fileName;
};

// The main window's list (null before start and after shut-down).
extern TFileHistory* recentFiles;
// Makes the main window's list of 9 entries in file_history.dat of the program's home.
void openrecentfiles();
// Deletes the main window's list, which saves it.
void closerecentfiles();
// Reads the entries of a list file's text: one path a line (LF or CR LF; carriage returns at
// the end of a line go); empty lines are left out.
std::vector<std::string> parserecentfiles(const std::string& text);
