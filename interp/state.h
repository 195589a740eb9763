// The interpreter's global state: the command reader (line buffer, read position, push-backs,
// the source switches, the %-expansion mode, the echo switches and the save/annsave files),
// the arguments of the running script, and the loop's switches. One instance, one thread;
// every nested run (add file, do body, user function, if/try block) saves what it changes
// and restores it on every way out.
#pragma once

#include <cstddef>
#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

// Least size of the line buffer, and size of the token buffer. A typed line and the line
// grown by %-expansion are held to it; the buffer grows for a longer line read from an add
// file or a replay list, which is always read whole.
constexpr int commandBufferSize = 3000;
// A line read in pieces keeps at most this many characters; the difference to the buffer's
// size is the room a line may grow by %-expansion.
constexpr int maxReadLineLength = 2988;
// A typed line (the command box) keeps at most this many characters: with its newline and
// terminator it fills the buffer. A longer one is cut with a warning.
constexpr int maxTypedLineLength = commandBufferSize - 2;
// The arguments %1..%99 of a script.
constexpr int maxScriptArgs = 99;

// ---- the character reader ----
extern char* commandBuffer;  // the current input line, with its newline (commandBufferSize
                             // bytes at least; see growcommandbuffer)
extern char* readPointer;    // next character to deliver (into commandBuffer)
extern int lastChar;         // last value chop returned; '\n' or negative makes chop refill
extern int ungotChar;        // one character pushed back by unchop (1..255), 0 = none
extern char lastToken[commandBufferSize];  // text of the last token gettoken returned
extern int lastTokenClass;   // its token class
extern char tokenPushedBack; // 1: the next gettoken returns lastToken again
extern int fixedTokenWidth;  // above 0: the next token is exactly that many characters

// ---- sources of input ----
extern char keyboardInput;   // 'y' typed input (start); 'n' lines come from the add file
extern char replayMode;      // 'y': lines come from replayList (start 'n')
extern const std::vector<std::string>* replayList;  // the lines being replayed, or null
extern std::size_t replayCursor;                     // index of the next line to replay

// ---- %-expansion and echo ----
extern int percentMode;      // 0 no %-expansion, 1 normal (start), 2 quiet
extern int addPrint;         // 1 (start): echo lines of add files and replay lists
extern char saveEcho;        // 'y': lines read are copied to the save file (start 'n')
extern char annSaveEcho;     // 'y': lines read are copied to the annsave file (start 'n')
extern char saveOn;          // 'y': the save file is open (opened/closed by the save command)
extern std::FILE* saveFile;
extern char annSaveOn;       // 'y': the annsave file is open
extern std::FILE* annSaveFile;

// Tokens pushed back for the text tokenizer: (text, class) pairs, front first.
extern std::deque<std::pair<std::string, int>> textPushBack;

// ---- scripts ----
// The arguments of the innermost running add file, do body or user function: entry k-1
// is %k; an index past the end means "no such argument". Null when the run has none.
// The storage belongs to the runner that set the pointer.
extern const std::vector<std::string>* scriptArgs;
extern int addPause;         // 1: the add command asks before each add file runs (start 0)
extern int stepMode;         // 1: the step dialog is shown before each command of the run

// Set once quit or exit has run the shut-down: every command loop still running returns
// 113 at once and no further command runs.
extern bool quitRequested;

// Bytes the line buffer holds now (commandBufferSize at least).
std::size_t commandbuffercapacity();
// Makes the line buffer hold at least `bytes` bytes, keeping its text; readPointer keeps its
// offset. Any other pointer into the buffer is invalid afterwards.
void growcommandbuffer(std::size_t bytes);

// The reader's globals (and the switches above) back to their start-up values.
// Does not close the save files; whoever opened them closes them.
void resetinterpstate();
