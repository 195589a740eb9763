#include "interp/doloop.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"

namespace {

void printUsage() {
    printout("Format for do command: \r\n");
    printout(" do <{commands with variables}> [RegularArguments] [(Group)]\r\n");
    printout(" eg: do {gr out%%1} (1-30(10))\r\n");
}

}  // namespace

int docmd(std::FILE** in) {
    std::FILE* input = in ? *in : nullptr;
    char buf[78];
    if (gettoken(buf, input, 0, sizeof buf) != '{') {
        printUsage();
        return -1;
    }
    // The line's echo stopped at its first '%', and the body is read unexpanded: show the
    // rest of the line as written.
    if (addPrint == 1 && (keyboardInput == 'n' || replayMode == 'y')) {
        const char* pc = std::strchr(readPointer, '%');
        if (pc) printoutlong("%s", pc);
    }
    std::vector<std::string> body;
    int r = readblock(body, input);
    if (r == -1) {
        printUsage();
        return -1;
    }
    if (r != 0) return r;

    ScriptNestingGuard nesting;
    if (nesting.tooDeep()) return -1;
    int status;
    {
        ReaderSourceSaver sources;
        replayCursor = 0;
        replayList = &body;
        status = runaddfile(nullptr, in, 0);
    }
    return status == 18 ? 0 : status;
}
