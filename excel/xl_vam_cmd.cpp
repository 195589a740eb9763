// xl vecread, vecwrite and matread: not in this version yet.
#include "core/printout.h"
#include "excel/xlcmd.h"

namespace {
int later(const char* name) {
    printout("\nError:  the xl %s command is not available in this version.\n", name);
    return -1;
}
}  // namespace

int xlvecreadcmd(std::FILE*) { return later("vecread"); }
int xlvecwritecmd(std::FILE*) { return later("vecwrite"); }
int xlmatreadcmd(std::FILE*) { return later("matread"); }
