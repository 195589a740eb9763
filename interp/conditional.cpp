#include "interp/conditional.h"

#include <cmath>
#include <cstring>

#include "core/printout.h"
#include "interp/command.h"
#include "interp/commandloop.h"
#include "interp/ifcondition.h"
#include "interp/reader.h"
#include "interp/state.h"

namespace {

const char* const ifFormat =
    "\n\nFormat for if-else commands:\n   if(1 < 2 || 2 >= 1){\n      ...\n      }\n   else if( a < b && c != d ){\n      ...\n      }\n   else{\n      ...\n      }\n";
const char* const tryFormat =
    "\n\nFormat for try-catch commands:\n   try{\n      ...\n      }\n   catch{\n      ...\n      }\n";

template <class T>
class Keep {
public:
    Keep(T& var, T value) : var_(var), saved_(var) { var_ = value; }
    explicit Keep(T& var) : var_(var), saved_(var) {}
    ~Keep() { var_ = saved_; }
    Keep(const Keep&) = delete;
    Keep& operator=(const Keep&) = delete;
    const T& saved() const { return saved_; }

private:
    T& var_;
    T saved_;
};

// The codes that end a block's command at once: its own stop codes, and quit, after which
// nothing more is read (no else or catch looked for, no line echoed).
bool isStopCode(int s) { return s == -1 || s == 27 || s == 15 || s == 18 || s == statusQuit; }

// True when a double quote stands later on the current line (after the read position).
bool quoteLaterOnLine() {
    for (const char* p = readPointer; *p && *p != '\n' && *p != '\r'; ++p)
        if (*p == '"') return true;
    return false;
}

// Reads tokens over ends of line; returns the first other class.
int nextSkippingLineEnds(char* buf, int size, std::FILE* in) {
    int t;
    do t = gettoken(buf, in, 0, size);
    while (t == 'f');
    return t;
}

}  // namespace

int scriptNestingDepth = 0;

ScriptNestingGuard::ScriptNestingGuard() {
    if (++scriptNestingDepth > maxScriptNesting) {
        tooDeep_ = true;
        printout("\nError:  scripts nested too deeply (more than %d levels).\n", maxScriptNesting);
    }
}

ReaderSourceSaver::ReaderSourceSaver()
    : keyboardInput_(keyboardInput),
      replayMode_(replayMode),
      replayList_(replayList),
      replayCursor_(replayCursor) {}

ReaderSourceSaver::~ReaderSourceSaver() {
    keyboardInput = keyboardInput_;
    replayMode = replayMode_;
    replayList = replayList_;
    replayCursor = replayCursor_;
}

int readblock(std::vector<std::string>& list, std::FILE* in) {
    Keep<int> quietEcho(addPrint, 0);
    Keep<int> noExpansion(percentMode, 0);
    int depth = 0;
    bool comment = false, quoted = false;
    std::string line;
    for (;;) {
        int c = chop(in);
        if (c == -1 || c == 0 || c > 255) {
            printout("Right brace sign is missing\r\n");
            return -1;
        }
        if (c == 27 || c == 15 || c == 18) return c;
        if (c == '\n' || c == '\r') {
            comment = quoted = false;
            line += '\n';
            list.push_back(line);
            line.clear();
            continue;
        }
        if (!comment) {
            if (c == '#') {
                comment = true;
            } else if (c == '"') {
                if (quoted) quoted = false;
                else if (quoteLaterOnLine()) quoted = true;
            } else if (!quoted) {
                if (c == '{') {
                    ++depth;
                } else if (c == '}') {
                    if (depth == 0) {
                        if (!line.empty()) list.push_back(line);
                        return 0;
                    }
                    --depth;
                }
            }
        }
        line += static_cast<char>(c);
    }
}

int runblock(std::FILE* in) {
    ScriptNestingGuard nesting;
    std::vector<std::string> block;
    {
        Keep<const std::vector<std::string>*> noArgs(scriptArgs, nullptr);
        int r = readblock(block, in);
        if (r != 0) return r;
    }
    if (nesting.tooDeep()) return -1;
    int printed = addPrint;
    int status;
    {
        // The caller reads on after the closing brace, however the block ends.
        ReaderPositionSaver rest;
        ReaderSourceSaver sources;
        keyboardInput = 'n';
        replayList = &block;
        replayCursor = 0;
        replayMode = 'y';
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
        std::FILE* none = nullptr;
        status = commandloop(&none);
    }
    if (printed == 1 && status != statusQuit) printout("   }");
    return status;
}

int skipblock(std::FILE* in) {
    int printed = addPrint;
    bool balanced = false;
    {
        Keep<const std::vector<std::string>*> noArgs(scriptArgs, nullptr);
        Keep<int> quietEcho(addPrint, 0);
        Keep<int> noExpansion(percentMode, 0);
        char buf[commandBufferSize];
        int t = gettoken(buf, in, 0, sizeof buf);
        if (t == '{') {
            int depth = 1;
            for (;;) {
                t = gettoken(buf, in, 0, sizeof buf);
                if (t == 'e' || t == -1) break;
                if (t == '{') ++depth;
                if (t == '}' && --depth == 0) {
                    balanced = true;
                    break;
                }
            }
        }
        if (balanced) {
            if (printed == 1) printout("      }");
            gettoken(buf, in, 0, sizeof buf);
            ungettoken();
            if (printed == 1) printout("\n");
        }
    }
    if (!balanced) {
        printout("\nError:  the \"if\" command requires a closing bracket \"}\".");
        printout("%s", ifFormat);
        return -1;
    }
    return 0;
}

int ifcmd(std::FILE* in) {
    Keep<int> restoreExpansion(percentMode);
    countscriptargs();
    char buf[78];
    if (gettoken(buf, in, 0, sizeof buf) != '(') {
        printout("\nError:  the \"if\" command must be followed by a \"(\".\n");
        printout("%s", ifFormat);
        return -1;
    }
    int stop = 0;
    double v = ifcondition(in, stop);
    if (stop == 27) return 27;
    if (std::trunc(v) == ifErrorValue) {
        printout("\nError:  in the arguments for the \"if\" command.\n");
        printout("%s", ifFormat);
        return -1;
    }
    if (gettoken(buf, in, 0, sizeof buf) != '{') {
        printout("\nError:  the \"if\" command must be followed by a \"{\".\n");
        printout("%s", ifFormat);
        return -1;
    }

    if (v != 0) {
        int r = runblock(in);
        if (isStopCode(r)) return r;
        // Skip every else part of the chain.
        percentMode = 2;
        for (;;) {
            int t = nextSkippingLineEnds(buf, sizeof buf, in);
            if (t != 'a' || std::strcmp(buf, "else") != 0) {
                ungettoken();
                return 0;
            }
            for (;;) {
                t = gettoken(buf, in, 0, sizeof buf);
                if (t == 'e' || t == -1) return 0;
                if (t == '{') {
                    ungettoken();
                    break;
                }
                if (t == 'f') break;
            }
            if (skipblock(in) != 0) {
                printout("%s", ifFormat);
                return -1;
            }
            percentMode = 2;
        }
    }

    ungettoken();  // the '{'
    if (skipblock(in) != 0) {
        printout("%s", ifFormat);
        return -1;
    }
    percentMode = 2;
    int t = nextSkippingLineEnds(buf, sizeof buf, in);
    if (t != 'a' || std::strcmp(buf, "else") != 0) {
        ungettoken();
        return 0;
    }
    t = gettoken(buf, in, 0, sizeof buf);
    if (t == '{') return runblock(in);
    if (t == 'a' && std::strcmp(buf, "if") == 0) {
        int r = ifcmd(in);
        if (r == -1) printout("%s", ifFormat);
        return r;
    }
    printout("\nError:  the \"else\" command must be followed by a \"{\" or an \"if\" command.\n");
    return -1;
}

int trycmd(std::FILE* in) {
    char buf[78];
    if (gettoken(buf, in, 0, sizeof buf) != '{') {
        printout("\nError:  the \"try\" command must be followed by a \"{\".\n");
        printout("%s", tryFormat);
        return -1;
    }
    int r = runblock(in);
    if (r == statusQuit) return r;
    int t;
    do t = gettoken(buf, in, 0, sizeof buf);
    while (t != 'a' && t != 'e' && t != -1);
    if (t != 'a' || std::strcmp(buf, "catch") != 0) {
        printout("Error:  try{} must be followed by a catch{} block.\n");
        printout("%s", tryFormat);
        return -1;
    }
    if (gettoken(buf, in, 0, sizeof buf) != '{') {
        printout("\nError:  the \"catch\" command must be followed by a \"{\".\n");
        printout("%s", tryFormat);
        return -1;
    }
    if (r == -1) return runblock(in);
    ungettoken();
    if (skipblock(in) != 0) return -1;
    return r;
}

int continuecmd(std::FILE*) { return 15; }

int breakcmd(std::FILE** in) {
    if (in && *in) {
        std::fclose(*in);
        *in = nullptr;
    }
    return 18;
}
