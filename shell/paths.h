// Paths as the user writes them: '\' and '/' both separate, a drive "c:" stands for the
// configured root ('/'), and "\x" and "/x" are absolute.
#pragma once

#include <string>

std::string nativepath(const std::string& name);
// The directory part of a path (up to its last separator), "" when it has none.
std::string directorypart(const std::string& path);
// The file-name part of a path (after its last separator).
std::string filenamepart(const std::string& path);
