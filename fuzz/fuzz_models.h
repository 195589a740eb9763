// Pieces shared by the fuzz targets of the model dialogs' readers: the input written to a file
// of a temporary folder and opened for reading, and the interpreter's input state (the input
// switches, the echo of add-file lines and the line being read) taken before a reader runs,
// so that the target can tell whether the reader put it back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "banks/databank.h"  // what the shared fuzz pieces need first
#include "fuzz/fuzz_support.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"

namespace fuzzmodels {

// The input as the file <temporary folder>/<name>, opened for reading; the first call installs
// the quiet platform and makes the folder.
inline std::FILE* inputfile(const std::uint8_t* data, std::size_t size, const std::string& name,
                            std::string* path = nullptr) {
    static const std::string dir = [] {
        fuzzsupport::installQuietPlatform();
        return fuzzsupport::makeTempDir("/tmp/jexmodelfuzzXXXXXX");
    }();
    const std::string file = dir + "/" + name;
    fuzzsupport::writefile(file, data, size);
    if (path) *path = file;
    return std::fopen(file.c_str(), "rb");
}

struct InputState {
    char keyboard = keyboardInput, replay = replayMode;
    const std::vector<std::string>* list = replayList;
    int echo = addPrint;
    std::string line = commandBuffer;
    std::size_t offset = static_cast<std::size_t>(readPointer - commandBuffer);

    // Equal, the echo compared only when `withEcho`.
    bool same(const InputState& o, bool withEcho) const {
        return keyboard == o.keyboard && replay == o.replay && list == o.list && line == o.line &&
               offset == o.offset && (!withEcho || echo == o.echo);
    }
};

// A typed line for the readers to leave as they found it.
inline void typedline() { settypedline("type gdp"); }

}  // namespace fuzzmodels
