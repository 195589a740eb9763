// Set-up shared by the command tests: a fresh interpreter state, the switches of the echo
// commands at their start values, a scripted results window, and a temporary working
// directory that is removed afterwards. Commands run as typed lines or as add files through
// the real command loop.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/printout.h"
#include "interp/command.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "platform/scripted_platform.h"

class CommandFixture : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("jex_cmd_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        resetswitches();
        resetinterpstate();
        clearPendingLine();
        defaultVamBank = -1;
        savedShutdown_ = shutdownHandler;
        savedStepDialog_ = stepDialog;
        shutdownHandler = nullptr;
    }

    void TearDown() override {
        resetswitches();
        resetinterpstate();
        clearPendingLine();
        shutdownHandler = savedShutdown_;
        stepDialog = savedStepDialog_;
        std::filesystem::current_path(home_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // One typed line through the command loop.
    int typed(const std::string& line) {
        settypedline(line);
        std::FILE* in = nullptr;
        return commandloop(&in);
    }

    // An add file run through the command loop; lines are not echoed unless `echo`.
    int script(const std::string& content, bool echo = false) {
        write("script.add", content);
        std::FILE* f = std::fopen("script.add", "r");
        keyboardInput = 'n';
        lastChar = '\n';
        commandBuffer[0] = 0;
        readPointer = commandBuffer;
        ungotChar = 0;
        tokenPushedBack = 0;
        int savedAddPrint = addPrint;
        if (!echo) addPrint = 0;
        int status = commandloop(&f);
        scriptClosed_ = f == nullptr;
        if (f) std::fclose(f);
        addPrint = savedAddPrint;
        keyboardInput = 'y';
        return status;
    }
    bool scriptClosedByLoop() const { return scriptClosed_; }

    void write(const std::string& name, const std::string& content) {
        std::ofstream out(name, std::ios::binary);
        out << content;
    }

    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string results() const { return scripted_.platform.text(); }
    std::vector<std::string>& lines() { return scripted_.platform.lines; }
    std::vector<std::string>& boxes() { return scripted_.platform.boxes; }
    std::deque<std::string>& answers() { return scripted_.platform.answers; }
    int clears() const { return scripted_.platform.clears; }
    void clearResults() { scripted_.platform.lines.clear(); }
    const std::filesystem::path& dir() const { return dir_; }

private:
    platform::ScopedScriptedPlatform scripted_;
    std::filesystem::path home_;
    std::filesystem::path dir_;
    void (*savedShutdown_)() = nullptr;
    int (*savedStepDialog_)(const char*) = nullptr;
    bool scriptClosed_ = false;
    static inline int counter_ = 0;
};
