#include "interp/userfunc.h"

#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"

std::map<std::string, std::vector<std::string>> userFunctions;

namespace {

void printUsage() {
    printout("Format for function command: \r\n");
    printout(" function <FunctionName> {\r\n");
    printout("    Jex7 script\r\n");
    printout("    }\r\n");
}

void printFunction(const std::string& name, const std::vector<std::string>& body) {
    printout("function %s{", name.c_str());
    for (const std::string& line : body) printoutlong("%s", line.c_str());
    printout("}\n");
}

class ArgsHidden {
public:
    ArgsHidden() : saved_(scriptArgs) { scriptArgs = nullptr; }
    ~ArgsHidden() { scriptArgs = saved_; }
    ArgsHidden(const ArgsHidden&) = delete;
    ArgsHidden& operator=(const ArgsHidden&) = delete;

private:
    const std::vector<std::string>* saved_;
};

}  // namespace

bool isuserfunction(const char* name) { return name && userFunctions.count(name) != 0; }

int calluserfunction(const char* name, std::FILE** in) {
    auto it = name ? userFunctions.find(name) : userFunctions.end();
    if (it == userFunctions.end()) return -1;
    ScriptNestingGuard nesting;
    if (nesting.tooDeep()) {
        if (in && *in) skipstatement(*in);
        return -1;
    }
    // The body runs from a copy of its own, so redefining or clearing the function inside
    // its own run cannot take the lines away from under the reader.
    const std::vector<std::string> body = it->second;
    ReaderSourceSaver sources;
    replayCursor = 0;
    replayList = &body;
    return runaddfile(nullptr, in, 1);
}

int functioncmd(std::FILE* in) {
    ArgsHidden noArgs;
    char name[115];
    if (gettoken(name, in, 0, sizeof name) != 'a') {
        printout("No function name in \"function\" command.\n ");
        printUsage();
        return -1;
    }
    char tok[78];
    int t = gettoken(tok, in, 0, sizeof tok);
    if (t == '{') {
        std::vector<std::string> body;
        int r = readblock(body, in);
        if (r == -1) {
            printUsage();
            return -1;
        }
        if (r != 0) return r;
        userFunctions[name] = std::move(body);
        return 0;
    }
    std::string arg;
    if (t == 'a' || t == '"') arg = tok;
    const std::string word = name;
    if (word == "print") {
        if (!arg.empty()) {
            auto it = userFunctions.find(arg);
            if (it == userFunctions.end()) {
                printout("\nError:  user function \"%s\" not found.\n", arg.c_str());
                if (in) skipstatement(in);
                return -1;
            }
            printFunction(it->first, it->second);
        } else {
            for (const auto& [n, body] : userFunctions) printFunction(n, body);
        }
        return 0;
    }
    if (word == "list" && (t == 'f' || t == 'e')) {
        if (userFunctions.empty()) {
            printout("\n");
        } else {
            printout("# functions: \n");
            for (const auto& entry : userFunctions) printout("%s\n", entry.first.c_str());
        }
        return 0;
    }
    if (word == "clear") {
        if (!arg.empty()) {
            auto it = userFunctions.find(arg);
            if (it == userFunctions.end()) {
                printout("\nError:  user function \"%s\" not found, so cannot clear it.\n", arg.c_str());
                if (in) skipstatement(in);
                return -1;
            }
            userFunctions.erase(it);
        } else {
            userFunctions.clear();
        }
        return 0;
    }
    printout("No \"{\" in \"function\" command.\n ");
    printUsage();
    return -1;
}
