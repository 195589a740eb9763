// File names of the Vam subsystem: written with '\' or '/' as separators, opened with '/'.
#pragma once

#include <string>

// The name with every '\' turned into '/'.
std::string vampath(const char* name);
// The absolute directory of a file path (the working directory for a bare name).
std::string vamdirectory(const std::string& path);
// Writes the bytes as the whole file `path`: first beside it (<path>.part), then renamed over
// it, so that the old file stays whole until the new one is complete. False on failure
// (the old file is then untouched and the partial one removed).
bool replacefile(const std::string& path, const std::string& bytes);
