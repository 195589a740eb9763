#include "interp/switches.h"

#include <cstring>

#include "core/printout.h"
#include "interp/state.h"

std::string saveFilePath;
std::string saveFileName;
std::string catchFileName;
char saveType[saveTypeSize] = "update";
char saveTypeGiven = 'n';
char rhoSaveOn = 'n';
std::FILE* rhoSaveFile = nullptr;
char autoPrint = 'n';
char secondMode = 'n';
char currentTitle[titleSize] = "";
char vaxTitle[vaxTitleSize] = "";
std::vector<std::string> commandCache;

namespace {

void closefile(char& on, std::FILE*& file) {
    if (file) std::fclose(file);
    file = nullptr;
    on = 'n';
}

// Closes a file; false when it was not written out whole: an earlier write failed (the
// stream's error flag), or the last flush or the close did.
bool closechecked(std::FILE*& file) {
    if (!file) return true;
    bool ok = !std::ferror(file);
    if (std::fclose(file) != 0) ok = false;
    file = nullptr;
    return ok;
}

// True when what is buffered for the file has been written out and no write failed.
bool writtenout(std::FILE* file) { return std::fflush(file) == 0 && !std::ferror(file); }

}  // namespace

void closesavefile() {
    const std::string name = saveFileName;
    saveOn = 'n';
    const bool ok = closechecked(saveFile);
    saveFilePath.clear();
    saveFileName.clear();
    if (!ok) printout("\nError:  cannot write %s for saving.\n", name.c_str());
}

void closecatchfile() {
    const std::string name = catchFileName;
    // Off before the report, which would otherwise be copied into the failing file.
    catchOn = 'n';
    const bool ok = closechecked(catchFile);
    catchFileName.clear();
    if (!ok) printout("\nError:  cannot write %s for catching.\n", name.c_str());
}

void checkoutputfiles() {
    if (saveFile && !writtenout(saveFile)) {
        closesavefile();
        saveEcho = 'n';
    }
    if (catchFile && !writtenout(catchFile)) closecatchfile();
}

void resetswitches() {
    closesavefile();
    closefile(annSaveOn, annSaveFile);
    closefile(rhoSaveOn, rhoSaveFile);
    closecatchfile();
    saveEcho = 'n';
    annSaveEcho = 'n';
    std::strcpy(saveType, "update");
    saveTypeGiven = 'n';
    autoPrint = 'n';
    secondMode = 'n';
    currentTitle[0] = 0;
    vaxTitle[0] = 0;
    commandCache.clear();
}
