// The worksheet export (p123, rp123), read back record by record, and the tables of series
// (matty).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "banks/listing_commands.h"
#include "core/missing.h"
#include "series/export_commands.h"
#include "series/series_state.h"
#include "tests/banks/command_test_util.h"

namespace other_export_test {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// The cells of a worksheet, read from its records by the layout.
struct Sheet {
    std::map<std::pair<int, int>, std::string> labels;  // (row, column) -> text
    std::map<std::pair<int, int>, double> numbers;
    std::map<std::pair<int, int>, int> formats;
    std::map<int, int> widths;
    std::vector<int> dims;
    std::vector<int> opcodes;
    bool wellFormed = true;

    explicit Sheet(const std::vector<std::uint8_t>& b) {
        std::size_t p = 0;
        while (p + 4 <= b.size()) {
            const int op = bytes::getU16(&b[p]);
            const int len = bytes::getU16(&b[p + 2]);
            if (p + 4 + len > b.size()) {
                wellFormed = false;
                return;
            }
            const std::uint8_t* d = &b[p + 4];
            opcodes.push_back(op);
            if (op == 0x0E) {
                if (len != 13) wellFormed = false;
                const auto at = std::make_pair(int(bytes::getU16(d + 3)), int(bytes::getU16(d + 1)));
                numbers[at] = bytes::getF64(d + 5);
                formats[at] = d[0];
            } else if (op == 0x0F) {
                if (d[len - 1] != 0 || d[0] != 0x80 || d[5] != '^') wellFormed = false;
                labels[{bytes::getU16(d + 3), bytes::getU16(d + 1)}] =
                    std::string(reinterpret_cast<const char*>(d + 6), len - 7);
            } else if (op == 0x08) {
                widths[bytes::getU16(d)] = d[2];
            } else if (op == 0x06) {
                for (int k = 0; k < 4; ++k) dims.push_back(bytes::getU16(d + 2 * k));
            }
            p += 4 + len;
        }
        if (p != b.size()) wellFormed = false;
    }
};

class Export : public banktest::BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        resetlistingstate();
        resetseriesstate();
    }
    void TearDown() override {
        resetlistingstate();
        resetseriesstate();
        if (saveFile) std::fclose(saveFile);
        saveFile = nullptr;
        saveOn = 'n';
        BankCmdTest::TearDown();
    }
    void addws(const char* name, std::vector<float> values, int freq = 1) {
        values.resize(1999, MISSING);
        workspaceBank->setFreq(freq);
        workspaceBank->addser(name, values.data(), 'y');
    }
    std::vector<float> ramp(float start, float step) {
        std::vector<float> v(100);
        for (int i = 0; i < 100; ++i) v[i] = start + step * static_cast<float>(i);
        return v;
    }
    std::string text(const char* file) {
        const auto b = banktest::readFile(file);
        return std::string(b.begin(), b.end());
    }
};

TEST_F(Export, P123ColumnsRecordByRecord) {
    addws("x", ramp(1.5f, 1.0f));
    auto y = ramp(-10.0f, 0.25f);
    y[3] = MISSING;
    addws("y", y);
    ASSERT_EQ(typed(p123cmd, 'c', "Out 1990 1999 x y ;"), 0) << output();
    Sheet s(banktest::readFile("out.wk1"));
    ASSERT_TRUE(s.wellFormed);
    EXPECT_EQ(s.opcodes.front(), 0x00);
    EXPECT_EQ(s.opcodes.back(), 0x01);
    EXPECT_EQ((s.labels[{0, 0}]), "Dates");
    for (int k = 0; k < 10; ++k) EXPECT_EQ((s.labels[{k + 1, 0}]), std::to_string(1990 + k));
    EXPECT_EQ((s.labels[{0, 1}]), "x");
    EXPECT_EQ((s.labels[{0, 2}]), "y");
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ((s.numbers[{k + 1, 1}]), 1.5 + k);
        EXPECT_EQ((s.formats[{k + 1, 1}]), 0x83);
        EXPECT_EQ((s.numbers[{k + 1, 2}]), static_cast<double>(y[k]));
    }
    EXPECT_EQ((s.numbers[{4, 2}]), static_cast<double>(-0.000001f));
    EXPECT_EQ(s.widths[1], 9);
    EXPECT_EQ(s.widths[2], 9);
    EXPECT_THAT(s.dims, ElementsAre(0, 0, 2, 10));  // columns 0..2, rows 0..10
    EXPECT_EQ(s.numbers.size(), 20u);
}

TEST_F(Export, Rp123RowsGroupsWidthAndFormat) {
    for (int k : {1, 2, 3, 5}) addws(("x" + std::to_string(k)).c_str(), ramp(float(k), 0.0f));
    yearFormat = '2';
    ASSERT_EQ(typed(p123cmd, 'r', "r 1990 1992 12 2 x(1-5 (4)) nothere ;"), 0) << output();
    EXPECT_THAT(output(), ::testing::Not(HasSubstr("x4")));
    EXPECT_THAT(output(), HasSubstr("Continuing anyway.\n"));
    Sheet s(banktest::readFile("r.wk1"));
    ASSERT_TRUE(s.wellFormed);
    EXPECT_EQ((s.labels[{0, 1}]), "90");
    EXPECT_EQ((s.labels[{0, 3}]), "92");
    EXPECT_EQ((s.labels[{1, 0}]), "x1");
    EXPECT_EQ((s.labels[{3, 0}]), "x3");
    EXPECT_EQ((s.labels[{4, 0}]), "x5");
    EXPECT_EQ((s.labels[{5, 0}]), "nothere");
    EXPECT_EQ((s.numbers[{4, 2}]), 5.0);
    EXPECT_EQ((s.numbers[{5, 3}]), 0.0);
    EXPECT_EQ((s.formats[{1, 1}]), 0x82);
    EXPECT_EQ(s.widths[4], 12);
    EXPECT_THAT(s.dims, ElementsAre(0, 0, 3, 5));  // columns 0..3, rows 0..5
}

TEST_F(Export, P123Refusals) {
    addws("q", ramp(1, 1), 4);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "\nNeed filename for spreadsheet.\n"},
        {"o", "\nNeed dates!\n"},
        {"o 1980 1990 x ;", "\n First date is before beginning of workspace bank.\n"},
        {"o 1990", "\nNeed two dates. \n"},
        {"o 1990 2200 x ;", "\n Second date is too far out.  \n"},
        {"o 1995 1991 x ;", "\nError:  the second date is before the first.\n"},
        {"o 1990 1991 q ;", "\n q has the wrong frequency.\n"},
        {"o 1990 1991 x( ;", "\r\nGroup definition invalid\n"},
    };
    for (const auto& [line, message] : cases) {
        clearOutput();
        EXPECT_EQ(typed(p123cmd, 'c', line), -1) << line;
        EXPECT_THAT(output(), HasSubstr(message)) << line;
    }
    std::string many = "m 1990 1991";
    for (int i = 0; i < 257; ++i) many += " s" + std::to_string(i);
    clearOutput();
    EXPECT_EQ(typed(p123cmd, 'c', many + " ;"), -1);
    EXPECT_THAT(output(), HasSubstr("\nNo more than 256 series will fit.\n"));
    // The file is complete even after a refusal part way.
    Sheet s(banktest::readFile("m.wk1"));
    EXPECT_TRUE(s.wellFormed);
    EXPECT_EQ(s.opcodes.back(), 0x01);
}

TEST_F(Export, MattyPrintsTheTable) {
    addws("x", ramp(1.0f, 0.5f));
    auto y = ramp(100.0f, -1.0f);
    y[2] = MISSING;
    addws("y", y);
    addPrint = 1;
    ASSERT_EQ(typed(mattycmd, "1990 1993 x y ;"), 0) << output();
    EXPECT_EQ(output(),
              "1990          1.000    100.000\n"
              "1991          1.500     99.000\n"
              "1992          2.000     -0.000\n"
              "1993          2.500     97.000\n"
              "\n");
    // The dates stay the print dates.
    EXPECT_EQ(printDateRange[1].year, 1993);
    clearOutput();
    formatGiven = 1;
    width = 6;
    decs = 1;
    widthGiven = 1;
    ASSERT_EQ(typed(mattycmd, "file out.txt x y"), 0);
    EXPECT_EQ(output(), "");
    EXPECT_EQ(text("out.txt"),
              "Date        x      y\n"
              "1990      1.0  100.0\n"
              "1991      1.5   99.0\n"
              "1992      2.0   -0.0\n"
              "1993      2.5   97.0");
    // With dump and saving on, the save file gets the rows only.
    saveFile = std::fopen("save.txt", "w");
    saveOn = 'y';
    addPrint = 0;
    clearOutput();
    ASSERT_EQ(typed(mattycmd, "1991 1992 dump x"), 0);
    std::fclose(saveFile);
    saveFile = nullptr;
    EXPECT_EQ(output(), "");
    EXPECT_EQ(text("save.txt"), "1991      1.5\n1992      2.0\n");
}

TEST_F(Export, MattyRefusals) {
    addws("q", ramp(1, 1), 4);
    addws("x", ramp(1, 1));
    EXPECT_EQ(typed(mattycmd, ""), 0);
    EXPECT_THAT(output(), HasSubstr("Format of matty is:\n"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1980 1990 x", "\r\n First date is before beginning of workspace bank. \r\n"},
        {"1990 x", "\r\n Need two dates. \r\n"},
        {"1990 2500 x", "\r\n Second date is too far out. \r\n"},
        {"1990 1991 q", "\r\nq has wrong frequency.\r\n"},
        {"1990 1991 nothere", "nothere can't be found."},
        {"file \"nodir/t.txt\" x", "\r\n Can't open nodir/t.txt\r\n"},
    };
    for (const auto& [line, message] : cases) {
        clearOutput();
        EXPECT_EQ(typed(mattycmd, line), -1) << line;
        // A line end that closes the output shows as a plain newline.
        std::string shown = message;
        if (shown.size() > 2 && shown.compare(shown.size() - 2, 2, "\r\n") == 0) shown.replace(shown.size() - 2, 2, "\n");
        EXPECT_THAT(output(), HasSubstr(shown)) << line;
    }
    std::string many = "1990 1991";
    for (int i = 0; i < 101; ++i) many += " x";
    clearOutput();
    EXPECT_EQ(typed(mattycmd, many), -1);
    EXPECT_THAT(output(), HasSubstr("No more than 100 names.\n"));
}

}  // namespace

}  // namespace other_export_test
