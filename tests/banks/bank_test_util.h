// Helpers of the bank tests: a fresh temporary directory per test, whole-file reads and
// writes, and the results window captured by the scripted platform.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/slots.h"
#include "core/bytes.h"
#include "core/date.h"
#include "core/printout.h"
#include "platform/scripted_platform.h"

namespace banktest {

inline std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

// A temporary directory, the current directory while the test runs, removed afterwards;
// the bank globals are reset before and after, and the results window is captured.
class BankDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jexbanktestXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        resetbankslots();
        clearPendingLine();
        wsStartDate = JexDate(1990, 1, 1, 13);
        wsBaseYear = 1990;
        wsFirstMonth = 1;
        cfgFirstMonth = 1;
        wsMaxObs = 100;
    }
    void TearDown() override {
        resetbankslots();
        resetDateGlobals();
        clearPendingLine();
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    // Everything printed so far, completed lines and the pending one.
    std::string output() const { return screen.platform.text() + pendingLine(); }
    void clearOutput() {
        screen.platform.lines.clear();
        clearPendingLine();
    }

    platform::ScopedScriptedPlatform screen;
    std::string dir;
    std::filesystem::path old;
};

// A bank file with the given header, one series named s and its index.
inline void makeBank(const std::string& stem, int baseYear, int firstMonth, int maxObs,
                     std::uint8_t freq, const std::vector<float>& values,
                     const char* title = "made by hand") {
    bytes::ByteWriter w;
    w.u16(static_cast<std::uint16_t>(baseYear));
    w.u16(static_cast<std::uint16_t>(firstMonth));
    w.u16(static_cast<std::uint16_t>(maxObs));
    w.fixedText(title, 80);
    w.u8(freq);
    for (int i = 0; i < maxObs; ++i) w.f32(i < static_cast<int>(values.size()) ? values[i] : 0);
    writeFile(stem + ".bnk", w.data());
    writeFile(stem + ".ind", std::vector<std::uint8_t>{1, 0, 0, 0, 2, 0, 's', 0, 0});
}

// A bank built through JexBank itself: annual series from 1990 with the given names and
// first values.
inline void makeNamedBank(const std::string& stem,
                          const std::vector<std::pair<std::string, float>>& series,
                          int baseYear = 1990, int maxObs = 100) {
    JexBank bank(stem.c_str(), "New", baseYear, maxObs, 1, 1);
    bank.setFreq(1);
    for (const auto& [name, value] : series) {
        std::vector<float> v(1999, value);
        bank.addser(name.c_str(), v.data(), 'y');
    }
}

}  // namespace banktest
