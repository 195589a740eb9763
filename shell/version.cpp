#include "shell/version.h"

const char* versionText = "Jex7 - Version 7.4";
