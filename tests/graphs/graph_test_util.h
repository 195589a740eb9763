// Helpers of the graph tests: a fresh working directory for the files a test writes, and
// one command run on a line of text.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/series/series_test_util.h"

namespace graphtest {

// Makes a temporary directory the working directory; the old one comes back and the
// directory goes away with the object.
class WorkingDirectory {
public:
    WorkingDirectory() {
        char pattern[] = "/tmp/jexgraphsXXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        dir_ = pattern;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    ~WorkingDirectory() {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path dir_, old_;
};

// Runs a command handler on one line of input.
template <class Cmd>
int run(Cmd cmd, const std::string& line) {
    seriestest::ReplayInput input({line});
    return cmd(nullptr);
}

}  // namespace graphtest
