// The console implementation: the results window is standard output, message boxes are
// printed to standard error and answered at the terminal (/dev/tty); without a terminal a
// box takes its default answer. Ctrl-C is the Escape key.
#pragma once

#include "platform/platform.h"

namespace platform {

Platform& consolePlatform();

// Route SIGINT to the Escape flag.
void installEscapeOnInterrupt();

}  // namespace platform
