#include "interp/addfile.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/printout.h"
#include "interp/commandloop.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"

namespace {

void addusage() {
    printout("Format for add command: \r\n");
    printout(" add <addfile> [RegularArguments] [(Group)]\r\n");
    printout(" eg: add afile.add \"sector\" (1-30(10))\r\n");
}

// Open an add file; the name keyboard stands for the standard input stream.
std::FILE* openaddfile(const char* path) {
    if (std::strcmp(path, "keyboard") == 0) return stdin;
    return std::fopen(path, "r");
}

void closeaddfile(std::FILE*& f) {
    if (f && f != stdin) std::fclose(f);
    f = nullptr;
}

// The reader state an add run changes, restored on every way out.
struct RunState {
    int savedAddPrint = addPrint;
    char savedKeyboardInput = keyboardInput;
    const std::vector<std::string>* savedScriptArgs = scriptArgs;
    ~RunState() {
        addPrint = savedAddPrint;
        keyboardInput = savedKeyboardInput;
        scriptArgs = savedScriptArgs;
    }
};

}  // namespace

namespace {

// Group loops (the file run once per member of a group, per pair of members of two groups,
// per combination of three to ten) start at the '(' or '{' that ends the arguments. They
// need the group parser; until it is part of the interpreter a group is refused with a
// clear error rather than running the file once with the wrong %-values. The rest of the
// line is dropped. Returns the runner's status.
int rungroups(std::FILE** in) {
    printout("\nError:  group loops of the add command are not available.\n");
    skipline(*in);
    return -1;
}

// One run of the file (or of the replay list when path is null) with the arguments that
// are in force. Returns the command loop's status; an input the loop left open is closed.
int runonce(const char* path) {
    std::FILE* f = nullptr;
    if (path) {
        f = openaddfile(path);
        if (!f) {
            printout("Cannot open %s.\n", path);
            return -1;
        }
    } else {
        replayCursor = 0;
    }
    int status = commandloop(&f);
    closeaddfile(f);
    return status;
}

}  // namespace

int runaddfile(const char* path, std::FILE** in, int quiet) {
    RunState saved;
    // Add files that add themselves without end stop here, before the stack runs out.
    // (The bodies of do loops and user functions are counted by their own commands.)
    std::optional<ScriptNestingGuard> nesting;
    if (path) {
        nesting.emplace();
        if (nesting->tooDeep()) {
            skipline(*in);
            return -1;
        }
    }
    // The arguments: every token up to the end of the line is one argument. They are
    // kept in growable storage; the run's scriptArgs points at them. They are read from
    // the caller's input as the caller reads it (a typed line stays a typed line: it is
    // not echoed again and never read past its end).
    std::vector<std::string> args;
    char tok[250];
    bool groups = false;
    for (;;) {
        int cls = gettoken(tok, *in, 0, sizeof tok);
        if (cls == 'f') break;
        if (cls == 'e' || cls == -1) {
            printout("\nWarning:  trouble in argument list.\n");
            if (cls != 'e') skipline(*in);
            return cls;
        }
        if (cls == '(' || cls == '{') {
            groups = true;
            break;
        }
        if (static_cast<int>(args.size()) >= maxScriptArgs) {
            printout("\nWarning:  too many arguments.  Only first %d arguments read.\n",
                     maxScriptArgs);
            skipline(*in);
            break;
        }
        args.emplace_back(tok);
    }
    keyboardInput = 'n';
    if (groups) return rungroups(in);

    if (quiet == 1) addPrint = 0;
    if (replayList) {
        *readPointer = 0;
        ungotChar = 0;
        replayMode = 'y';
    }
    scriptArgs = args.empty() ? nullptr : &args;
    return runonce(path);
}

int addcmd(std::FILE** in) {
    char name[78];
    int cls = gettoken(name, *in, 0, sizeof name);
    if (cls != 'a' && cls != '"') {
        printout("No name in add command.\n ");
        addusage();
        return -1;
    }
    if (std::strcmp(name, "keyboard") != 0) {
        std::FILE* test = std::fopen(name, "r");
        if (!test) {
            printout("Cannot open %s.\n", name);
            addusage();
            return -1;
        }
        std::fclose(test);
    }
    if (addPrint == 1) printout("add %s\n", name);
    if (addPause == 1) {
        printout("Running %s\n", name);
        std::string text = std::string("AddPause stopped before ") + name;
        if (pausebox(text.c_str(), name) == 27) return 27;
    }
    // A replay list being read is put aside for the run.
    std::size_t savedCursor = replayCursor;
    const std::vector<std::string>* savedList = replayList;
    char savedMode = replayMode;
    replayMode = 'n';
    replayList = nullptr;
    int status = runaddfile(name, in, 0);
    replayCursor = savedCursor;
    replayList = savedList;
    replayMode = savedMode;
    if (status == -1) addusage();
    return status;
}

int simpleadd(std::FILE* in) {
    const std::vector<std::string>* savedList = replayList;
    char savedMode = replayMode;
    const std::vector<std::string>* savedArgs = scriptArgs;
    char savedKeyboard = keyboardInput;
    struct Restore {
        const std::vector<std::string>*& list;
        char& mode;
        const std::vector<std::string>*& args;
        char& keyboard;
        const std::vector<std::string>* l;
        char m;
        const std::vector<std::string>* a;
        char k;
        ~Restore() {
            list = l;
            mode = m;
            args = a;
            keyboard = k;
        }
    } restore{replayList, replayMode, scriptArgs, keyboardInput,
              savedList, savedMode, savedArgs, savedKeyboard};

    char name[78];
    if (gettoken(name, in, 0, sizeof name) != 'a') {
        printout("no name in add command.\n");
        return -1;
    }
    std::FILE* f = nullptr;
    if (std::strcmp(name, "keyboard") != 0) {
        f = std::fopen(name, "r");
        if (!f) {
            printout("cannot open %s\n", name);
            return -1;
        }
    }
    std::vector<std::string> args;
    char tok[78];
    for (;;) {
        int cls = gettoken(tok, in, 0, sizeof tok);
        if (cls == 'f' || cls == 'e' || cls == -1) break;
        if (args.size() < 10) args.emplace_back(tok);
    }
    scriptArgs = args.empty() ? nullptr : &args;
    keyboardInput = 'n';
    replayMode = 'n';
    replayList = nullptr;
    int status = commandloop(&f);
    closeaddfile(f);
    return status;
}

int returncmd(std::FILE* in) {
    char word[78];
    int cls = gettoken(word, in, 0, sizeof word);
    if (cls == 'a') {
        if (std::strcmp(word, "ESC") == 0 || std::strcmp(word, "esc") == 0) return 27;
        if (std::strcmp(word, "ERR") == 0 || std::strcmp(word, "err") == 0) return -1;
    }
    return 0;
}
