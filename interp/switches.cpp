#include "interp/switches.h"

#include <cstring>

#include "core/printout.h"
#include "interp/state.h"

std::string saveFilePath;
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

}  // namespace

void resetswitches() {
    closefile(saveOn, saveFile);
    closefile(annSaveOn, annSaveFile);
    closefile(rhoSaveOn, rhoSaveFile);
    closefile(catchOn, catchFile);
    saveEcho = 'n';
    annSaveEcho = 'n';
    saveFilePath.clear();
    std::strcpy(saveType, "update");
    saveTypeGiven = 'n';
    autoPrint = 'n';
    secondMode = 'n';
    currentTitle[0] = 0;
    vaxTitle[0] = 0;
    commandCache.clear();
}
