#pragma once
// The program's version text, shown in the title and by %version.
extern const char* versionText;
