// What the model build and run dialogs share: the label;value line reader, the DOS-text
// writer, the rule that a tool's batch file is written only when it is missing, and the
// runner of the batch files (which on this system starts nothing).
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "interp/reader.h"
#include "shell/form.h"

// The names of the dialogs' configuration files, kept for the whole run; Load and Save put
// the name last chosen here.
extern std::string buildConfigFile;   // "Build.cfg"
extern std::string macFixConfigFile;  // "MacMender.cfg"
extern std::string vecFixConfigFile;  // "Mender.cfg"
// Whether the macro-fix and vector-fix dialogs run their batch file after OK.
extern bool macFixRunBatch, vecFixRunBatch;

// Reads the next line of a configuration file (at most 239 characters, its line end not
// counted; a longer line is read as several) and copies the value after its ';' and the
// blanks and tabs that follow into buf (n + 1 characters). 0 when read; -1 at the end of
// the file, after "Config line missing ;: %s\n", or after "Config line too long: %s\n"
// (buf then holds the first n characters).
int readconfigline(std::FILE* file, char* buf, short n);

// Writes the lines, each ended in CR LF, beside the file and renames them over it. False
// when the file could not be made or written whole; the old file is then as it was.
bool writedosfile(const std::string& name, const std::vector<std::string>& lines);

// A batch file counts as present when it exists and may be written.
bool batchpresent(const std::string& name);

// How a batch file is run: started by name and waited for, or handed to the command
// interpreter as a command line.
enum class RunMode { spawn, system };
// Runs a batch file through the installed runner; the default one runs nothing and prints
// "\nWarning:  cannot run %s on this system.\n".
void runBatch(const std::string& commandLine, RunMode mode);
// Installs a runner (tests record the calls); an empty function puts back the default.
void setbatchrunner(std::function<void(const std::string&, RunMode)> runner);

// Writes a tool's batch file when it is missing (an existing one may hold the user's edits
// and is left alone) and runs it. False after "Cannot open %s.\n" when it could not be
// written; nothing runs then.
bool writeoncerun(const std::string& name, const std::vector<std::string>& lines);

// The name up to its first '.', also cut at a line feed or carriage return.
std::string namestem(const std::string& name);

// The file's name without its directory, up to its first '.'.
std::string filestem(const std::string& name);

// The Load of the run and tables dialogs: the open dialog preset to `preset` (a cancelled
// dialog reads the preset again), the chosen file opened for reading into `name`. Null for an
// empty name, or after "Cannot open %s.\n" when it does not open.
std::FILE* openchosen(const std::string& preset, std::string& name);

// A value as the dialogs show it: cut at its first line feed and carriage return, and at
// the first of `more` as well.
std::string cutvalue(const char* value, const char* more = "");

// The tokenizer reads from a configuration file while the object lives, with the echo of
// add-file lines off; the command line being worked on is put back afterwards and the echo
// switched on (or, with `restoreEcho`, put back as it was).
class ConfigSource {
public:
    explicit ConfigSource(bool restoreEcho = false);
    ~ConfigSource();
    ConfigSource(const ConfigSource&) = delete;
    ConfigSource& operator=(const ConfigSource&) = delete;

private:
    ReaderPositionSaver position_;
    char keyboard_, replay_;
    const std::vector<std::string>* list_;
    int echo_;
};

// An edit box of a configuration dialog: name, label, initial text, maximum length (0: none).
struct ConfigField {
    const char *name, *label, *text;
    std::size_t max;
};
// Adds the edit boxes; a change cuts the text to its maximum length and calls `changed`.
void addconfigfields(Form& form, const std::vector<ConfigField>& specs, const std::function<void()>& changed);
