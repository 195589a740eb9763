// The graph command over a real workspace bank: temporary series, the f range after a failed
// expression, the pause box's Save and the counter, and the metafile that wmf2svg reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "graphs/graph_command.h"
#include "graphs/graph_settings.h"
#include "graphs/line_styles.h"
#include "graphs/wmf.h"
#include "interp/switches.h"
#include "platform/scripted_platform.h"
#include "regress/regress_state.h"
#include "series/series_state.h"
#include "tests/graphs/graph_test_util.h"

namespace command_test {

namespace {

class GraphCommand : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = std::make_unique<graphtest::WorkingDirectory>();
        ws = std::make_unique<graphtest::Workspace>();
        ASSERT_TRUE(graphtest::Workspace::addseries("a", {10, 12, 15, 11, 14, 18, 20, 17, 22, 25, 24}));
        graphs::resetgraphstate();
        graphs::resetgraphsettings();
        graphs::initlinestyles();
        graphs::showGraph = [this](const graphs::Metafile&, const std::string& caption) {
            shownCaptions.push_back(caption);
        };
        graphDates[0] = 1990;
        graphDates[1] = graphDates[2] = 2000;
        regZip = 'n';
    }
    void TearDown() override {
        graphs::resetgraphstate();
        graphs::showGraph = savedShow;
        ws.reset();
        cwd.reset();
    }
    int run(int (*cmd)(std::FILE*), const std::string& line) { return graphtest::run(cmd, line); }
    int graph(const std::string& line, char scatter = 'n') {
        seriestest::ReplayInput input({line});
        return graphs::graph(nullptr, 'n', 'n', scatter);
    }
    bool exists(const char* name) {
        char text[100] = "";
        char* cursor = text;
        return fetchseries(name, nullptr, cursor, nullptr, 0) >= 0;
    }

    platform::ScopedScriptedPlatform screen;
    std::unique_ptr<graphtest::WorkingDirectory> cwd;
    std::unique_ptr<graphtest::Workspace> ws;
    std::vector<std::string> shownCaptions;
    std::function<void(const graphs::Metafile&, const std::string&)> savedShow = graphs::showGraph;
    std::function<void(int, const graphs::Metafile&)> savedSpare = graphs::showSpareGraph;
    void clearShown() {
        screen.platform.lines.clear();
        clearPendingLine();
    }
};

TEST_F(GraphCommand, ExpressionsAreTemporaryAndTheFRangeComesBack) {
    screen.platform.answers = {"Cont."};
    fdate1 = 1991;
    fdate1Date = JexDate(1991.0f);
    fdate2 = 1995;
    fdate2Date = JexDate(1995.0f);
    ASSERT_EQ(graph("(a*2) (a*2) 1990 2000"), 0);
    EXPECT_FALSE(exists("boo_temp"));
    EXPECT_EQ(graphs::graphCounter, 1);
    EXPECT_EQ(fdate1, 1991.0f);
    // A failing expression, and one left open: the f range is back each time and the
    // current graph is kept.
    const graphs::Metafile* kept = graphs::graphMetafile.get();
    for (const char* line : {"(a+", "(a b)", "(nosuch*2)"}) {
        EXPECT_NE(graph(line), 0) << line;
        EXPECT_EQ(fdate1, 1991.0f) << line;
        EXPECT_EQ(fdate2, 1995.0f) << line;
        EXPECT_EQ(fdate1Date.year, 1991) << line;
        EXPECT_EQ(fdate2Date.year, 1995) << line;
        EXPECT_FALSE(exists("boo_temp")) << line;
        EXPECT_EQ(graphs::graphMetafile.get(), kept) << line;
    }
    EXPECT_EQ(graphs::graphCounter, 1);
}

TEST_F(GraphCommand, PauseBoxSaveUsesTheNameAndTheCounter) {
    ASSERT_EQ(run(graphs::gnamecmd, "fig 3"), 0);
    screen.platform.answers = {"Save"};
    ASSERT_EQ(graph("a 1990 2000"), 0);
    EXPECT_TRUE(std::filesystem::exists("fig3.wmf"));
    screen.platform.answers = {"Save"};
    ASSERT_EQ(graph("a 1990 2000"), 0);
    EXPECT_TRUE(std::filesystem::exists("fig4.wmf"));
    EXPECT_EQ(graphs::graphCounter, 5);
    screen.platform.answers = {"Stop"};
    EXPECT_EQ(graph("a 1990 2000"), 27);
    EXPECT_EQ(shownCaptions.size(), 3u);
    // A name over 31 characters is refused and the old one kept.
    EXPECT_EQ(run(graphs::gnamecmd, std::string(32, 'n')), -1);
    EXPECT_EQ(graphs::graphName, "fig");
}

TEST_F(GraphCommand, ShiftsMoveTheCurrentGraphToASpareWindow) {
    std::vector<int> spare;
    graphs::showSpareGraph = [&](int window, const graphs::Metafile&) { spare.push_back(window); };
    regZip = 'y';
    ASSERT_EQ(graph("a 1990 2000"), 32);
    const graphs::Metafile* first = graphs::graphMetafile.get();
    EXPECT_EQ(graphs::graphshift(1), 0);
    EXPECT_EQ(graphs::graphMetafile1.get(), first);
    EXPECT_EQ(graphs::graphMetafile, nullptr);
    EXPECT_EQ(graphs::freeOldGraph, 'n');
    clearShown();
    EXPECT_EQ(graphs::graphshift(1), -1);  // the first shift left no current graph
    EXPECT_EQ(screen.platform.text() + pendingLine(), "A graph must exist before it can be shifted.\n");
    // A new graph shifted to window 1 replaces the older one there; window 2 takes the next.
    ASSERT_EQ(graph("a 1990 1995"), 32);
    const graphs::Metafile* second = graphs::graphMetafile.get();
    EXPECT_EQ(graphs::graphshift(1), 0);
    EXPECT_EQ(graphs::graphMetafile1.get(), second);
    ASSERT_EQ(graph("a 1990 1992"), 32);
    EXPECT_EQ(graphs::graphshift(2), 0);
    EXPECT_NE(graphs::graphMetafile2, nullptr);
    EXPECT_EQ(spare, (std::vector<int>{1, 1, 2}));
    // Through the pause box's buttons.
    graphs::installgraphactions();
    regZip = 'n';
    screen.platform.answers = {"Shift1"};
    ASSERT_EQ(graph("a 1990 2000"), 0);
    EXPECT_EQ(spare.size(), 4u);
    EXPECT_EQ(graphs::graphMetafile, nullptr);
    graphs::showSpareGraph = savedSpare;
}

TEST_F(GraphCommand, ZipMakesAndCountsTheGraphWithoutShowingIt) {
    regZip = 'y';
    EXPECT_EQ(graph("a 1990 2000"), 32);
    EXPECT_TRUE(shownCaptions.empty());
    ASSERT_NE(graphs::graphMetafile, nullptr);
    EXPECT_EQ(graphs::graphCounter, 1);
    EXPECT_EQ(run(graphs::gsavecmd, "zipped"), 0);
    EXPECT_TRUE(std::filesystem::exists("zipped.WMF"));
}

TEST_F(GraphCommand, RegressionResultsOverTheRegressionLimits) {
    std::vector<float> v(2000, 1.0f);
    for (const char* name : {"predic", "depvar", "bpred", "predic2", "depvar2"})
        ASSERT_GE(workspaceBank->addser(name, v.data(), 'y'), 0);
    regZip = 'y';
    fitStart = 1990;
    fitEnd = 1995;
    testEnd = 1998;
    auto legends = [] {
        std::vector<std::string> out;
        for (const graphs::Record& r : graphs::graphMetafile->records)
            if (r.op == graphs::Op::Text && r.b == 1125 - 33 - 9) out.push_back(r.text);
        return out;
    };
    const std::string predicted = " Predicted        ", actual = " Actual           ";
    lagDepIndex = 0;
    ASSERT_EQ(graph("*"), 32);
    EXPECT_EQ(legends(), (std::vector<std::string>{predicted, actual}));
    EXPECT_EQ(graphs::graphDateRange[0].year, 1990);
    EXPECT_EQ(graphs::graphDateRange[1].year, 1995);
    EXPECT_EQ(graphs::graphDateRange[2].year, 1998);
    lagDepIndex = 1;
    ASSERT_EQ(graph("* 2"), -1);  // there is no bpred2
    ASSERT_EQ(graph("*"), 32);
    EXPECT_EQ(legends(), (std::vector<std::string>{predicted, actual, " BasePred         "}));
    lagDepIndex = 0;
    ASSERT_EQ(graph("* 2"), 32);
    EXPECT_EQ(legends().size(), 2u);
}

TEST_F(GraphCommand, ScatterNeedsTwoSeries) {
    regZip = 'y';
    EXPECT_EQ(graph("a 1990 2000", 'y'), -1);
    EXPECT_EQ(graphs::graphMetafile, nullptr);
    EXPECT_EQ(graph("a (a*a) 1990 2000", 'y'), 32);
}

TEST_F(GraphCommand, TheSavedMetafileIsReadByWmf2svg) {
    if (std::system("command -v wmf2svg >/dev/null 2>&1") != 0) GTEST_SKIP() << "no wmf2svg";
    regZip = 'y';
    std::snprintf(currentTitle, sizeof currentTitle, "Two series");
    ASSERT_EQ(graph("a (a/2) 1990 2000"), 32);
    ASSERT_EQ(run(graphs::gsavecmd, "two"), 0);
    EXPECT_EQ(std::system("wmf2svg -o two.svg two.WMF >/dev/null 2>&1"), 0);
    EXPECT_TRUE(std::filesystem::exists("two.svg"));
    currentTitle[0] = 0;
}

}  // namespace

}  // namespace command_test
