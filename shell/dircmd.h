// dir [filter]: the entries of a directory with their dates, kinds and sizes, the number of
// files and their size in megabytes, the number of directories and the free space.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The command: reads its filter to the end of the line ('#' starts a comment). Always 0.
int dircmd(std::FILE* in);
// Lists what the filter names, as the command prints it.
void listdirectory(std::string filter);
// A file's size as dir shows it: "512 B", "12KB", "3MB", "2GB".
std::string dirsizetext(std::int64_t bytes);
// A last-change time as dir shows it: "01\17\2024" and "09:05 AM" (local time); false when
// the time cannot be converted.
bool dirtimetext(std::int64_t seconds, std::string& date, std::string& time);
