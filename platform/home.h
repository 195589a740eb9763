// The program's home: the folder that keeps what outlives a run (the settings file, the
// command history, the recent-files list) and where the help file is looked for. It is
// JEX_HOME when that is set, else $XDG_CONFIG_HOME/jex7, else ~/.config/jex7; an installed
// program never writes beside itself.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The home folder (not made; may not exist yet).
std::string programHome();
// The home folder, made (with its parents) when missing; false when that fails.
bool makeProgramHome();
// A file of the home folder.
std::string homeFile(const std::string& name);
// The folder of the running executable ("" when it cannot be told).
std::string executableDirectory();
// The help file: the home's when it exists, else the one beside the executable, else the
// home's name (which then does not exist).
std::string helpFilePath();
// True when a regular file of that name exists.
bool fileExists(const std::string& path);
// True when a directory of that name exists.
bool directoryExists(const std::string& path);

// The screen the windows are placed on: a fixed work area.
constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr int workAreaWidth = 1024;
constexpr int workAreaHeight = 768;

// Free space of the file system that holds the path, in bytes; -1 when it cannot be told.
// JEX_FREE_SPACE_MB, when set, gives the answer instead (so that tests see a fixed figure).
std::int64_t freeSpace(const std::string& path);

}  // namespace platform
