// The Lotus worksheet writer: names, the records byte by byte, and failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "banks/wk1file.h"
#include "tests/banks/bank_test_util.h"

namespace other_wk1_test {

using banktest::readFile;

namespace {

class Wk1 : public banktest::BankDirTest {};

TEST_F(Wk1, WorksheetNames) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Out.XLS", "out.wk1"},
        {"out", "out.wk1"},
        {"a.b.c", "a.wk1"},
        {"x.WK1", "x.wk1"},
        // Only the file name changes: folders keep their case and their points.
        {"My.Dir/Sub/Data.Out", "My.Dir/Sub/data.wk1"},
        {"v1.2/tab", "v1.2/tab.wk1"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(WK1File::worksheetname(in), out) << in;
}

TEST_F(Wk1, EmptyWorksheetIsBofAndEof) {
    std::string path = "Empty";
    { WK1File w(path, 1); EXPECT_TRUE(w.isReady()); }
    EXPECT_EQ(path, "empty.wk1");
    EXPECT_EQ(readFile("empty.wk1"),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x02, 0x00, 0x06, 0x04, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_FALSE(std::filesystem::exists("empty.wk1.part"));
}

TEST_F(Wk1, RecordsByteByByte) {
    std::string path = "cells";
    {
        WK1File w(path, 1);
        EXPECT_EQ(w.writeNumber(1, 0, 2.5f, 3), 1);
        EXPECT_EQ(w.writeLabel(0, 0, "Dates", '^'), 1);
        EXPECT_EQ(w.writeColumnWidth(2, 9), 1);
        EXPECT_EQ(w.writeDimensions(0, 0, 10, 2), 1);
        EXPECT_EQ(w.writeLabel(3, 1, std::string(300, 'x').c_str(), '\''), 1);
    }
    const auto b = readFile("cells.wk1");
    std::vector<std::uint8_t> expect = {0x00, 0x00, 0x02, 0x00, 0x06, 0x04};
    // NUMBER: opcode 14, length 13, format 0x83, column 0, row 1, the double 2.5.
    for (int x : {0x0E, 0x00, 0x0D, 0x00, 0x83, 0x00, 0x00, 0x01, 0x00}) expect.push_back(x);
    for (int x : {0, 0, 0, 0, 0, 0, 0x04, 0x40}) expect.push_back(x);
    // LABEL: opcode 15, length 12, 0x80, column 0, row 0, '^', Dates, NUL.
    for (int x : {0x0F, 0x00, 0x0C, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, int('^')}) expect.push_back(x);
    for (char c : std::string("Dates")) expect.push_back(c);
    expect.push_back(0);
    // COLW1: opcode 8, length 3, column 2, width 9.
    for (int x : {0x08, 0x00, 0x03, 0x00, 0x02, 0x00, 0x09}) expect.push_back(x);
    // DIMENSIONS: opcode 6, length 8, first column 0, first row 0, last column 2, last row 10.
    for (int x : {0x06, 0x00, 0x08, 0x00, 0, 0, 0, 0, 2, 0, 10, 0}) expect.push_back(x);
    // A long label is cut to 239 characters: length 246.
    for (int x : {0x0F, 0x00, 246, 0x00, 0x80, 0x01, 0x00, 0x03, 0x00, int('\'')}) expect.push_back(x);
    for (int i = 0; i < 239; ++i) expect.push_back('x');
    expect.push_back(0);
    for (int x : {0x01, 0x00, 0x00, 0x00}) expect.push_back(x);
    EXPECT_EQ(b, expect);
}

TEST_F(Wk1, OpenFailureAndReadingMode) {
    std::string path = "nodir/out";
    {
        WK1File w(path, 1);
        EXPECT_FALSE(w.isReady());
        EXPECT_EQ(w.mode(), -1);
        EXPECT_EQ(w.writeNumber(0, 0, 1.0f, 3), -1);
        EXPECT_EQ(w.writeLabel(0, 0, "x", '^'), -1);
    }
    EXPECT_NE(output().find("Unable to open nodir/out.wk1 for writing."), std::string::npos);
    std::string missing = "absent";
    WK1File r(missing, 2);
    EXPECT_FALSE(r.isReady());
    EXPECT_NE(output().find("Unable to open absent.wk1 for reading."), std::string::npos);
    // A reader never writes.
    std::string made = "made";
    { WK1File w(made, 1); }
    WK1File r2(made, 2);
    EXPECT_TRUE(r2.isReady());
    EXPECT_EQ(r2.writeEof(), -1);
}

}  // namespace

}  // namespace other_wk1_test
