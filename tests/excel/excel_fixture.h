// Shared set-up of the spreadsheet-link tests: a fresh link in a temporary working
// directory, the results window captured, whole-file reads and writes, and openpyxl (run
// with Debian's python3) as an independent reader and writer of .xlsx files.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/printout.h"
#include "excel/excel.h"
#include "platform/scripted_platform.h"
#include "series/series_state.h"

namespace exceltest {

inline std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

// True when Debian's python3 has openpyxl.
inline bool haveOpenpyxl() {
    static int have = -1;
    if (have < 0) have = std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
    return have == 1;
}

// Runs a python script (with openpyxl imported) in the working directory; its standard
// output, or "python failed" when it did not end well.
inline std::string python(const std::string& script) {
    writeFile("check.py", "import openpyxl, datetime\n" + script);
    std::FILE* p = popen("/usr/bin/python3 check.py 2>&1", "r");
    if (!p) return "python failed";
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    int status = pclose(p);
    return status == 0 ? out : "python failed: " + out;
}

class ExcelTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/jexexceltestXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        resetseriesstate();  // the link takes its first dates from the f-command range
        x.reset();
        clearPendingLine();
    }
    void TearDown() override {
        x.reset();
        clearPendingLine();
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }

    // Everything the results window received since the last call, pending text included.
    std::string printed() {
        std::string t = scripted.platform.text();
        if (linePending()) t += pendingLine();
        scripted.platform.lines.clear();
        clearPendingLine();
        return t;
    }

    // A new workbook with its first sheet linked.
    void newBook() {
        ASSERT_EQ(x.OpenWorkbook(""), 0);
        printed();
    }

    xlmodel::Worksheet& sheet() { return *x.worksheet(); }

    platform::ScopedScriptedPlatform scripted;
    Excel x;
    std::string dir;
    std::filesystem::path old;
};

#define SKIP_WITHOUT_OPENPYXL() \
    if (!exceltest::haveOpenpyxl()) GTEST_SKIP() << "Debian's python3-openpyxl is not installed"

}  // namespace exceltest
