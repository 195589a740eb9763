// Blocks in braces and the control commands built on them: if/else if/else, try/catch,
// continue and break. A block is read from the input into a list of lines and replayed
// through a nested command loop; the rest of the line after its closing brace stays for
// the caller.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// Reads the lines of a block whose opening brace has been read, up to its matching closing
// brace (not stored), with no echo and no %-expansion. Braces inside comments (#...) and
// quoted texts do not count. Returns 0; -1 after "Right brace sign is missing\r\n" when the
// input ends first; 27, 15 or 18 when the reader was cancelled or had no input (the block
// is then not complete and must not run).
int readblock(std::vector<std::string>& list, std::FILE* in);
// Reads the block that follows (the opening brace just read) and runs it through a nested
// command loop; the block sees the arguments of its add file. Returns the block's status.
int runblock(std::FILE* in);
// Skips the block whose opening brace is the next token, then reads the token after it and
// pushes it back for the caller. Returns 0, or -1 (with the message) when the braces do not
// balance before the input ends.
int skipblock(std::FILE* in);

int ifcmd(std::FILE* in);
int trycmd(std::FILE* in);
int continuecmd(std::FILE* in);
int breakcmd(std::FILE** in);

// Nested runs of blocks, do bodies and user functions, counted so that a runaway
// recursion (a function that calls itself without end) ends with an error instead of
// exhausting the stack.
constexpr int maxScriptNesting = 400;
extern int scriptNestingDepth;

// Counts one nested run for its lifetime. When the limit is passed, tooDeep() is true and
// the message has been printed; the run must then not start.
class ScriptNestingGuard {
public:
    ScriptNestingGuard();
    ~ScriptNestingGuard() { --scriptNestingDepth; }
    ScriptNestingGuard(const ScriptNestingGuard&) = delete;
    ScriptNestingGuard& operator=(const ScriptNestingGuard&) = delete;
    bool tooDeep() const { return tooDeep_; }

private:
    bool tooDeep_ = false;
};

// Saves the reader's source switches (keyboardInput, replayMode, replayList, replayCursor)
// and puts them back when it goes out of scope.
class ReaderSourceSaver {
public:
    ReaderSourceSaver();
    ~ReaderSourceSaver();
    ReaderSourceSaver(const ReaderSourceSaver&) = delete;
    ReaderSourceSaver& operator=(const ReaderSourceSaver&) = delete;

private:
    char keyboardInput_;
    char replayMode_;
    const std::vector<std::string>* replayList_;
    std::size_t replayCursor_;
};
