#include "interp/state.h"

#include <algorithm>
#include <cstddef>

namespace {
std::vector<char>& lineStorage() {
    static std::vector<char> storage(commandBufferSize, 0);
    return storage;
}
}  // namespace

char* commandBuffer = lineStorage().data();
char* readPointer = commandBuffer;

std::size_t commandbuffercapacity() { return lineStorage().size(); }

void growcommandbuffer(std::size_t bytes) {
    std::vector<char>& storage = lineStorage();
    if (bytes <= storage.size()) return;
    std::ptrdiff_t offset = readPointer - commandBuffer;
    // Grown by half again at least, so that a line growing a byte at a time costs little.
    storage.resize(std::max(bytes, storage.size() + storage.size() / 2), 0);
    commandBuffer = storage.data();
    readPointer = commandBuffer + offset;
}
int lastChar = 0;
int ungotChar = 0;
char lastToken[commandBufferSize];
int lastTokenClass = 0;
char tokenPushedBack = 0;
int fixedTokenWidth = 0;

char keyboardInput = 'y';
char replayMode = 'n';
const std::vector<std::string>* replayList = nullptr;
std::size_t replayCursor = 0;

int percentMode = 1;
int addPrint = 1;
char saveEcho = 'n';
char annSaveEcho = 'n';
char saveOn = 'n';
std::FILE* saveFile = nullptr;
char annSaveOn = 'n';
std::FILE* annSaveFile = nullptr;

std::deque<std::pair<std::string, int>> textPushBack;

const std::vector<std::string>* scriptArgs = nullptr;
int addPause = 0;
int stepMode = 0;
bool quitRequested = false;

void resetinterpstate() {
    commandBuffer[0] = 0;
    readPointer = commandBuffer;
    lastChar = 0;
    ungotChar = 0;
    lastToken[0] = 0;
    lastTokenClass = 0;
    tokenPushedBack = 0;
    fixedTokenWidth = 0;
    keyboardInput = 'y';
    replayMode = 'n';
    replayList = nullptr;
    replayCursor = 0;
    percentMode = 1;
    addPrint = 1;
    saveEcho = 'n';
    annSaveEcho = 'n';
    saveOn = 'n';
    saveFile = nullptr;
    annSaveOn = 'n';
    annSaveFile = nullptr;
    textPushBack.clear();
    scriptArgs = nullptr;
    addPause = 0;
    stepMode = 0;
    quitRequested = false;
}
