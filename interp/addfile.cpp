#include "interp/addfile.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/printout.h"
#include "interp/commandloop.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "series/exprtext.h"
#include "series/group.h"

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

// The groups of a group loop: the members of each group (at most maxLoopGroups groups) and,
// for two groups, whether they run as matched pairs rather than all pairs.
struct LoopGroups {
    std::vector<std::vector<std::int16_t>> members;
    bool matched = false;
};

constexpr int maxLoopGroups = 10;

// Reads one group (the '(' before it already read). Returns its size, or
// 0 or less when it is empty or invalid (the parser has said why when it failed).
int readgroup(std::FILE** in, std::vector<std::int16_t>& members) {
    char text[exprTextSize] = "";
    char* cursor = text;
    members.clear();
    return parsegroup(*in, cursor, members, addGroupLimit);
}

// Reads the group list that starts after the '(' (or '{') that ended the arguments:
// one group; then a second when the first ended with ')' and '(' follows; then, after the
// second group's ')', either a word beginning with m (matched pairs) or more groups, each
// after its own '(', up to ten in all. The token that ends the list is consumed; whatever
// follows it on the line is dropped. Returns 0, or -1 after a message.
int readgroups(std::FILE** in, LoopGroups& groups) {
    char tok[78];
    std::vector<std::int16_t> members;
    if (readgroup(in, members) < 1) {
        printout("Group definition invalid.\n");
        return -1;
    }
    groups.members.push_back(members);
    ungettoken();
    int cls = gettoken(tok, *in, 0, sizeof tok);
    if (cls == ')') {
        cls = gettoken(tok, *in, 0, sizeof tok);
        if (cls == '(') {
            if (readgroup(in, members) < 1) {
                printout("\r\nGroup definition invalid\r\n");
                return -1;
            }
            groups.members.push_back(members);
            ungettoken();
            cls = gettoken(tok, *in, 0, sizeof tok);
            if (cls == ')') {
                cls = gettoken(tok, *in, 0, sizeof tok);
                if (cls == 'a' && tok[0] == 'm') {
                    groups.matched = true;
                    cls = 0;
                } else {
                    while (cls == '(' && static_cast<int>(groups.members.size()) < maxLoopGroups) {
                        if (readgroup(in, members) < 1) {
                            printout("\r\nGroup definition invalid\r\n");
                            return -1;
                        }
                        groups.members.push_back(members);
                        // A group ended by the line end (not by its ')') ends the list there.
                        ungettoken();
                        cls = gettoken(tok, *in, 0, sizeof tok);
                        if (cls != ')') break;
                        if (static_cast<int>(groups.members.size()) == maxLoopGroups) {
                            cls = 0;
                            break;
                        }
                        cls = gettoken(tok, *in, 0, sizeof tok);
                    }
                }
            }
        }
    }
    // The rest of a line that did not end with the group list is not part of the command.
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(*in);
    return 0;
}

// True when a run's status ends a group loop: a break, an abort, an error, a quit.
bool endsloop(int status) { return status == 18 || status == 27 || status < 0 || status == 113; }

// Runs the file once per member, pair or combination of the groups; the member numbers go
// into the arguments from firstSlot on (one per group, in group order) as decimal text. Returns the status of the
// last run, or -1.
int rungroups(const char* path, const LoopGroups& groups, std::vector<std::string>& args,
              std::size_t firstSlot) {
    const std::size_t count = groups.members.size();
    auto runwith = [&](const std::vector<int>& member) {
        for (std::size_t g = 0; g < count; ++g) args[firstSlot + g] = std::to_string(member[g]);
        // Nothing left of the previous run's line is read by the next run.
        *readPointer = 0;
        ungotChar = 0;
        tokenPushedBack = 0;
        return runonce(path);
    };
    int status = 0;
    if (count == 1) {
        for (std::int16_t m : groups.members[0]) {
            if (m == 0) continue;
            status = runwith({m});
            if (status < 0) return -1;
            if (endsloop(status)) break;
        }
        return status;
    }
    if (count == 2 && groups.matched) {
        std::vector<std::int16_t> first, second;
        for (std::int16_t m : groups.members[0])
            if (m != 0) first.push_back(m);
        for (std::int16_t m : groups.members[1])
            if (m != 0) second.push_back(m);
        // Checked before any run, so that unequal groups leave nothing half done.
        if (second.size() < first.size()) {
            printout("Error: number of members is not equal in two groups.\n");
            return -1;
        }
        for (std::size_t i = 0; i < first.size(); ++i) {
            status = runwith({first[i], second[i]});
            if (endsloop(status)) break;
        }
        return status;
    }
    if (count == 2) {
        long runs = 0;
        for (std::int16_t a : groups.members[0]) {
            if (a == 0) continue;
            for (std::int16_t b : groups.members[1]) {
                if (b == 0) continue;
                if (++runs % 100 == 0) printout("do(%d,%d)\r", a, b);
                status = runwith({a, b});
                if (endsloop(status)) break;
            }
            if (endsloop(status)) break;
        }
        if (runs > 100) printout("\r\n");
        return status;
    }
    // Three to ten groups: every combination, the last group varying fastest.
    for (const auto& g : groups.members)
        if (g.empty()) return 0;
    std::vector<std::size_t> at(count, 0);
    std::vector<int> member(count);
    for (;;) {
        for (std::size_t g = 0; g < count; ++g) member[g] = groups.members[g][at[g]];
        status = runwith(member);
        if (endsloop(status)) return status;
        std::size_t g = count;
        while (g > 0) {
            --g;
            if (++at[g] < groups.members[g].size()) break;
            at[g] = 0;
            if (g == 0) return status;
        }
    }
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
    LoopGroups loop;
    std::size_t firstSlot = args.size();
    if (groups) {
        if (readgroups(in, loop) != 0) return -1;
        // Each group's member number is one more argument after the regular ones.
        if (args.size() + loop.members.size() > static_cast<std::size_t>(maxScriptArgs)) {
            printout("\nError:  too many arguments: %d arguments and %d groups do not fit in "
                     "%d arguments.\n",
                     static_cast<int>(args.size()), static_cast<int>(loop.members.size()),
                     maxScriptArgs);
            return -1;
        }
        args.resize(args.size() + loop.members.size());
    }
    // The caller reads on where the arguments ended, however the run ends.
    ReaderPositionSaver callerPosition;
    keyboardInput = 'n';

    if (quiet == 1) addPrint = 0;
    if (replayList) {
        *readPointer = 0;
        ungotChar = 0;
        replayMode = 'y';
    }
    scriptArgs = args.empty() ? nullptr : &args;
    if (groups) return rungroups(path, loop, args, firstSlot);
    return runonce(path);
}

bool scriptfileallowed(const char* path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status))
        return true;
    printout("Error:  %s is not a regular file; it cannot be read as a script.\n", path);
    return false;
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
        if (!scriptfileallowed(name)) {
            addusage();
            return -1;
        }
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
        if (!scriptfileallowed(name)) return -1;
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
    ReaderPositionSaver callerPosition;
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
