#include "shell/version.h"

const char* versionText = "7.4150";
const char* buildDate = "January 17, 2024.";
const char* applicationTitle = "Jex7 - Version 7.4";
const char* mainWindowCaption = "Jex 7.415";
