#pragma once
// The program's version texts. The version command prints the version and the build date;
// %version gives the version text as it stands. The main window's title is its own text.
extern const char* versionText;
extern const char* buildDate;
extern const char* applicationTitle;
// The main window's caption (the title of the graph print jobs of the Graph menu).
extern const char* mainWindowCaption;
