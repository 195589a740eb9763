// The files of the model dialog tests, read and written byte for byte, and the fixture they
// share: a fresh working directory, a scripted screen and a runner that records each batch
// file it is given instead of saying that it cannot run it.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "models/modelfiles.h"
#include "tests/shell/command_fixture.h"

inline std::string slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void spit(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

// Lines joined as the dialogs write them: each ended in CR LF.
inline std::string doslines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

class ModelDialogTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        setbatchrunner([this](const std::string& line, RunMode mode) {
            runs.push_back(line);
            modes.push_back(mode);
            if (onRun) onRun(line);
        });
    }
    void TearDown() override {
        setbatchrunner(nullptr);
        CommandFixture::TearDown();
    }
    platform::ScopedScriptedPlatform screen;
    std::vector<std::string> runs;
    std::vector<RunMode> modes;
    // What the recorded tool does besides (changing groups.bin, for instance).
    std::function<void(const std::string&)> onRun;
};
