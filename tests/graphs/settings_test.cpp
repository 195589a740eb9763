// Line styles, the settings form's file and the title file's line table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/printout.h"
#include "graphs/graph_command.h"
#include "graphs/graph_settings.h"
#include "graphs/line_styles.h"
#include "graphs/wmf.h"
#include "interp/switches.h"
#include "platform/scripted_platform.h"
#include "shell/dialogs.h"
#include "tests/graphs/graph_test_util.h"

namespace settings_test {

namespace {

class GraphSettings : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = std::make_unique<graphtest::WorkingDirectory>();
        graphs::initlinestyles();
        graphs::resetgraphsettings();
        clearPendingLine();
    }
    void TearDown() override {
        graphs::resetgraphsettings();
        graphs::initlinestyles();
        graphs::GrSetFm.saveDialog = nullptr;
        clearPendingLine();
        cwd.reset();
    }
    template <class Cmd>
    int run(Cmd cmd, const std::string& line) {
        return graphtest::run(cmd, line);
    }
    static std::string slurp(const std::string& name) { return graphtest::slurp(name); }

    platform::ScopedScriptedPlatform screen;
    std::unique_ptr<graphtest::WorkingDirectory> cwd;
};

TEST_F(GraphSettings, ColourNamesAndMarks) {
    const std::pair<const char*, int> colours[] = {
        {"red", 238}, {"blood", 139}, {"Blue", 16711680}, {"PUMPKIN", 2850256},
        {"dkgray", 8421504}, {"unknown", 0}, {"", 0}};
    for (const auto& [name, value] : colours) EXPECT_EQ(graphs::colourbyname(name), value) << name;
    // Colours are red + 256 green + 65536 blue: pumpkin is (208, 125, 43).
    EXPECT_EQ(208 + 256 * 125 + 65536 * 43, 2850256);
    EXPECT_EQ(graphs::checkmark('b'), 8);
    EXPECT_EQ(graphs::checkmark('n'), 0);
    EXPECT_EQ(graphs::checkmark('q'), -1);
    EXPECT_EQ(screen.platform.text() + pendingLine(), "Bad mark: q.\n");
}

TEST_F(GraphSettings, LineCommandStoresFieldsUntilTheFirstBadOne) {
    EXPECT_EQ(run(graphs::linecmd, "3 red 4 x 1 0 0 1"), 0);
    const graphs::LineStyle& s = graphs::lineStyles[3];
    EXPECT_EQ(s.colour, 238);
    EXPECT_EQ(s.penWidth, 4);
    EXPECT_EQ(s.mark, 'x');
    EXPECT_EQ(s.penStyle, 1);
    EXPECT_EQ(s.barRight, 1.0f);
    EXPECT_EQ(run(graphs::linecmd, "3 blue q"), -1);
    EXPECT_EQ(s.colour, 16711680);  // stored before the bad width
    EXPECT_EQ(s.penWidth, 4);
    const std::pair<int, int> fills[] = {{8, 4}, {9, 5}, {10, 7}, {25, 7}, {3, 3}};
    for (auto [given, stored] : fills) {
        run(graphs::linecmd, "6 navy 2 + 0 " + std::to_string(given));
        EXPECT_EQ(graphs::lineStyles[6].barFill, stored) << given;
    }
}

TEST_F(GraphSettings, SavedSettingsAreLineCommandsAndACancelWritesNothing) {
    std::ofstream("styles.add") << "keep me\n";
    bool asked = false;
    graphs::GrSetFm.saveDialog = [&](std::string& name) {
        asked = true;
        name = "styles.add";
        return false;  // cancelled
    };
    graphs::GrSetFm.formShow();
    EXPECT_EQ(graphs::GrSetFm.saveBtnClick(), -1);
    EXPECT_TRUE(asked);
    EXPECT_EQ(slurp("styles.add"), "keep me\n");

    graphs::GrSetFm.saveDialog = [](std::string& name) {
        name = "styles.add";
        return true;
    };
    graphs::GrSetFm.formShow();
    ASSERT_EQ(graphs::GrSetFm.saveBtnClick(), 0);
    const std::string text = slurp("styles.add");
    EXPECT_EQ(text.substr(0, text.find('\n')), "line 1      255  2 +  0  0  0.000  1.000");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);
    // Run back through the line command, the file restores a changed style.
    graphs::lineStyles[4].colour = 1;
    graphs::lineStyles[4].mark = 'n';
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) run(graphs::linecmd, line.substr(5));
    EXPECT_EQ(graphs::lineStyles[4].colour, 16776960);
    EXPECT_EQ(graphs::lineStyles[4].mark, 'd');
}

TEST_F(GraphSettings, TitleFileTableNeverPassesItsEnd) {
    {
        std::ofstream out("three.txt");
        out << "First title\nGDP growth   # note\nthird\n";
    }
    ASSERT_EQ(run(graphs::gtfilecmd, "three.txt"), 0);
    // 0, starts of lines 2 and 3, the end of line 3, the length.
    const int len = 12 + 20 + 6;
    EXPECT_EQ(graphs::gtfileLineCount, 5);
    const std::vector<int> expect = {0, 12, 32, len, len};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(graphs::gtfileLineOffsets[i], expect[i]) << i;
    EXPECT_EQ(run(graphs::gtitlecmd, "2"), 0);
    EXPECT_STREQ(currentTitle, "GDP growth");

    // 4005 lines: lines 1..3999 are indexed, the last entry ends line 3999.
    {
        std::ofstream out("many.txt");
        for (int i = 1; i <= 4005; ++i) out << "t" << i << "\n";
    }
    ASSERT_EQ(run(graphs::gtfilecmd, "many.txt"), 0);
    EXPECT_EQ(graphs::gtfileLineCount, graphs::maxTitleLines);
    ASSERT_EQ(graphs::gtfileLineOffsets.size(), static_cast<std::size_t>(graphs::maxTitleLines));
    long end3999 = 0;
    for (int i = 1; i <= 3999; ++i) end3999 += 2 + static_cast<long>(std::to_string(i).size());
    EXPECT_EQ(graphs::gtfileLineOffsets[3999], end3999);
    EXPECT_EQ(run(graphs::gtitlecmd, "3999"), 0);
    EXPECT_STREQ(currentTitle, "t3999");
    EXPECT_EQ(run(graphs::gtitlecmd, "4000"), -1);
    EXPECT_EQ(run(graphs::gtfilecmd, "off"), 0);
    EXPECT_EQ(graphs::gtfileLineCount, 0);
}

TEST_F(GraphSettings, RangesDatesAndSides) {
    auto vrange = [](std::FILE* in) { return graphs::rangecmd(in, 'v'); };
    EXPECT_EQ(run(vrange, "1 2 3 4 5 6 7 8 9 10 11"), 0);
    EXPECT_EQ(graphs::verticalRangeCount, 10);
    EXPECT_EQ(graphs::verticalRange[9], 10.0f);
    EXPECT_EQ(run([](std::FILE* in) { return graphs::rangecmd(in, 'h'); }, "-1 -2"), 0);
    EXPECT_EQ(graphs::horizontalRangeCount, 2);
    EXPECT_EQ(graphs::horizontalRange[1], -2.0f);
    EXPECT_EQ(run(vrange, "off"), 0);
    EXPECT_EQ(graphs::verticalRangeCount, 0);
    EXPECT_EQ(run(graphs::vaxlabcmd, "Outside"), 0);
    EXPECT_EQ(graphs::vaxLabelSide, 'o');
    EXPECT_EQ(run(graphs::vaxlabcmd, "5"), 0);
    EXPECT_EQ(run(graphs::vaxlabcmd, "upside"), -1);
    EXPECT_EQ(run(graphs::legendcmd, "on"), 0);
    EXPECT_EQ(graphs::legendMode, 'o');
    EXPECT_EQ(run(graphs::legendcmd, "y n"), 0);
    EXPECT_EQ(graphs::legendMode, 'y');
    EXPECT_EQ(graphs::legendMode2, 'n');
    EXPECT_EQ(run(graphs::subtitlecmd, "  " + std::string(100, 's')), 0);
    EXPECT_EQ(std::string(graphs::graphSubtitle), std::string(80, 's'));
}

TEST_F(GraphSettings, PrintJobsCarryTheMetafileAndThePageRectangle) {
    graphs::resetgraphstate();
    const auto spool = graphs::graphPrinter;
    graphs::graphPrinter = nullptr;  // no printer: the job is held
    EXPECT_EQ(graphs::gprintcmd(nullptr), 0);  // no graph: an empty page
    graphs::graphMetafile = std::make_unique<graphs::Metafile>();
    graphs::Canvas c;
    c.moveTo(1, 2);
    c.lineTo(3, 4);
    graphs::graphMetafile->records = c.records();
    printerOrientation = Orientation::landscape;  // the printer set-up
    int printed = 0;
    graphs::graphPrinter = [&](const graphs::GraphPrintJob& job) {
        ++printed;
        EXPECT_EQ(job.right, 6150);
        EXPECT_EQ(job.bottom, 4600);
        graphs::Canvas back;
        std::string error;
        EXPECT_EQ(graphs::readwmf(job.wmf.data(), job.wmf.size(), back, error), 0);
        EXPECT_EQ(back.records(), c.records());
        return 0;
    };
    graphs::gprintcmd(nullptr);
    graphs::gprintcmd(nullptr);
    EXPECT_EQ(printed, 2);
    printerOrientation = Orientation::portrait;
    ASSERT_EQ(graphs::heldPrintJobs().size(), 1u);
    EXPECT_TRUE(graphs::heldPrintJobs()[0].wmf.empty());
    EXPECT_EQ(graphs::heldPrintJobs()[0].right, 4600);
    EXPECT_EQ(graphs::heldPrintJobs()[0].bottom, 3400);
    graphs::graphPrinter = spool;
    graphs::resetgraphstate();
}

}  // namespace

}  // namespace settings_test
