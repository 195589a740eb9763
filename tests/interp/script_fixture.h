// Set-up shared by the script command tests: a fresh interpreter state with no string
// variables and no user functions, a scripted results window, and a temporary folder of the
// test's own for the add files and data files it writes. Commands run as typed lines through
// the command loop, or as add files through the add command.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/strings.h"
#include "interp/userfunc.h"
#include "platform/scripted_platform.h"

class ScriptFixture : public ::testing::Test {
protected:
    // `prefix` starts the name of the temporary folder (the process and the test name follow).
    explicit ScriptFixture(const char* prefix) : prefix_(prefix) {}

    platform::ScopedScriptedPlatform screen;
    std::filesystem::path dir;

    void SetUp() override {
        resetinterpstate();
        clearPendingLine();
        stringStore.reset();
        userFunctions.clear();
        dir = std::filesystem::temp_directory_path() /
              (prefix_ + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        stringStore.reset();
        userFunctions.clear();
        std::filesystem::remove_all(dir);
        resetinterpstate();
    }

    // Writes `text` to the file `name` in the test's folder; returns its path.
    std::string write(const std::string& name, const std::string& text) {
        std::string p = (dir / name).string();
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
    int typed(const std::string& line) {
        settypedline(line);
        std::FILE* none = nullptr;
        return commandloop(&none);
    }
    // Runs the text as an add file; returns the status of the add command.
    int script(const std::string& text, const std::string& args = "") {
        std::string p = write("run.add", text);
        settypedline("add \"" + p + "\"" + (args.empty() ? "" : " " + args));
        std::FILE* none = nullptr;
        char word[78];
        gettoken(word, none, 0, sizeof word);  // the word add
        return addcmd(&none);
    }
    std::string var(const std::string& name) {
        std::string v;
        EXPECT_EQ(stringStore.value(name, v), 0) << "no variable " << name << "\n" << output();
        return v;
    }
    std::string output() { return screen.platform.text() + pendingLine(); }

private:
    std::string prefix_;
};
