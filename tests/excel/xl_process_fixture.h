// The jex program run in a directory of its own with the default jex.cfg (an annual
// workspace of 100 observations from 1990): typed lines in, the results window out, and
// openpyxl run in the same directory to check the files jex wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/excel/excel_fixture.h"
#include "tests/jex_process.h"

namespace exceltest {

inline const char* const config =
    "Name of workspace; ws.bnk\n"
    "Name of workspace index; ws.ind\n"
    "Name of default bank; \n"
    "Name of default bank index; \n"
    "Path to help files; x\n"
    "Reserved for future use; x\n"
    "Default regression limits; 1990 2000 2009\n"
    "Default base year of workspace file; 1990\n"
    "First month covered; 1\n"
    "Default maximum number of observations per series in workspace; 100\n"
    "Add file to run at startup; \n";

class XlProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        binary = jextest::jexbinary();
        if (binary.empty()) GTEST_SKIP() << "the jex program is not built";
        char pattern[] = "/tmp/jexxlXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        writeFile(dir + "/jex.cfg", config);
    }
    void TearDown() override {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }

    // Runs jex with the typed lines; its results window with the directory written <dir>.
    std::string run(const std::string& typed) {
        writeFile(dir + "/typed.txt", typed);
        std::string command = "cd '" + dir + "' && '" + binary + "' < typed.txt 2>stderr.txt";
        std::FILE* p = popen(command.c_str(), "r");
        if (!p) return "popen failed";
        std::string out;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        status = pclose(p);
        for (std::size_t at; (at = out.find(dir)) != std::string::npos;) out.replace(at, dir.size(), "<dir>");
        return out;
    }
    // openpyxl's output of a script run in the directory.
    std::string python(const std::string& script) {
        auto old = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        std::string out = exceltest::python(script);
        std::filesystem::current_path(old);
        return out;
    }

    std::string binary, dir;
    int status = 0;
};

inline void expectendswith(const std::string& out, const std::string& tail) {
    ASSERT_GE(out.size(), tail.size()) << out;
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
}

}  // namespace exceltest
