// Helpers of the graph tests: a fresh working directory for the files a test writes, and
// one command run on a line of text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "regress/regress_state.h"
#include "series/series_state.h"
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

// A workspace bank "ws" from 1980 with 200 annual observations, made in the working
// directory; the bank, series and regression state are put back with the object.
class Workspace {
public:
    Workspace() {
        resetbankslots();
        resetseriesstate();
        clearPendingLine();
        savedSync_ = JexBank::syncWrites;
        JexBank::syncWrites = false;
        wsStartDate = JexDate(1980, 1, 1, 13);
        wsBaseYear = 1980;
        wsFirstMonth = 1;
        cfgFirstMonth = 1;
        wsMaxObs = 200;
        setWorkspaceBank(new JexBank("ws", "New", 1980, 200, 1, 1));
        workspaceBank->setFreq(1);
    }
    ~Workspace() {
        resetregressstate();
        resetbankslots();
        resetseriesstate();
        resetDateGlobals();
        clearPendingLine();
        JexBank::syncWrites = savedSync_;
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // An annual series whose values start in 1990; false when it could not be stored.
    static bool addseries(const char* name, const std::vector<float>& values) {
        std::vector<float> v(2000, MISSING);
        std::copy(values.begin(), values.end(), v.begin() + 10);
        return workspaceBank->addser(name, v.data(), 'y') >= 0;
    }

private:
    bool savedSync_ = false;
};

// The bytes of a file ("" when it cannot be read).
inline std::string slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a command handler on one line of input.
template <class Cmd>
int run(Cmd cmd, const std::string& line) {
    seriestest::ReplayInput input({line});
    return cmd(nullptr);
}

}  // namespace graphtest
