// Running command lines through the system's command interpreter (/bin/sh), and the few
// other process-level services of the dos and cwd commands.
#pragma once

#include <string>

namespace platform {

// What a command line gave back.
struct ShellResult {
    bool started = false;   // false: the interpreter could not be started (no output, no status)
    int exitStatus = -1;    // the interpreter's exit status (128 + n when killed by signal n)
    std::string output;     // standard output and error, interleaved, when captured
};

// Where a command line's standard streams go.
enum class ShellStreams {
    capture,      // input from /dev/null; output and errors collected into the result
    discard,      // input from /dev/null; output and errors thrown away
    interactive,  // all three on the terminal (/dev/tty); without one, input from /dev/null
                  // and output and errors where ours go
};

// Runs `command` with `/bin/sh -c`. The child never reads our standard input (which may be
// the commands still to come). Our own buffered output is flushed first, so the order of
// lines is kept.
ShellResult runShell(const std::string& command, ShellStreams streams);

// Creates a new empty file with a unique name in the temporary directory and returns its
// path (its name ends in `suffix`); empty when no file could be made.
std::string makeTempFile(const std::string& suffix);

// Opens an interactive shell on the terminal, when there is one; otherwise does nothing.
// Returns true when a shell ran.
bool openConsoleWindow();

// The working directory; empty when it cannot be read.
std::string currentDirectory();

}  // namespace platform
