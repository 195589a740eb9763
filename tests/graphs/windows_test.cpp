// The graph windows and the Graph menu's actions: placements for the screen, the showings
// that enable the menu items, the pictures written at the client size, the spare windows,
// the browser, the save and print dialogs, the settings dialog, the graph font and the
// annotation step.
#include <gtest/gtest.h>

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
#include "graphs/drawgraph.h"
#include "graphs/graph_command.h"
#include "graphs/graph_settings.h"
#include "graphs/graph_windows.h"
#include "graphs/line_styles.h"
#include "graphs/wmf.h"
#include "interp/switches.h"
#include "platform/scripted_platform.h"
#include "regress/regress_state.h"
#include "series/series_state.h"
#include "shell/dialogs.h"
#include "shell/mainform.h"
#include "shell/menu_handlers.h"
#include "shell/profile.h"
#include "shell/settings.h"
#include "tests/graphs/graph_test_util.h"

namespace windows_test {

namespace graph_windows_test {

using graphs::Op;
using graphs::Record;
using graphtest::slurp;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The size an SVG is shown at.
std::string svgsize(int width, int height) {
    return "width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
}

class GraphWindows : public ::testing::Test {
protected:
    void SetUp() override {
        cwd = std::make_unique<graphtest::WorkingDirectory>();
        ws = std::make_unique<graphtest::Workspace>();
        ASSERT_TRUE(graphtest::Workspace::addseries("a", {10, 12, 15, 11, 14, 18, 20, 17, 22, 25, 24}));
        ASSERT_TRUE(graphtest::Workspace::addseries("b", {5, 8, MISSING, 9, 7, 6, 10, 12, 11, 15, 30}));
        graphs::resetgraphstate();
        graphs::resetgraphsettings();
        graphs::initlinestyles();
        graphs::creategraphwindows(1024);
        savedFont = Main.graphFont;
        graphDates[0] = 1990;
        graphDates[1] = graphDates[2] = 2000;
        regZip = 'n';
    }
    void TearDown() override {
        graphs::closegraphsettings();
        graphs::creategraphwindows(1024);
        graphs::resetgraphstate();
        graphs::initlinestyles();
        graphs::GrSetFm.saveDialog = nullptr;
        graphs::graphPrinter = savedPrinter;
        Main.graphFont = savedFont;
        printerOrientation = Orientation::portrait;
        currentTitle[0] = 0;
        ws.reset();
        cwd.reset();
    }
    // A graph command, its pause box answered from the queue (Cont. when it is empty).
    int graph(const std::string& line) {
        seriestest::ReplayInput input({line});
        return graphs::graph(nullptr, 'n', 'n', 'n');
    }
    std::vector<std::string>& notices() { return screen.platform.notices; }

    platform::ScopedScriptedPlatform screen;
    std::unique_ptr<graphtest::WorkingDirectory> cwd;
    std::unique_ptr<graphtest::Workspace> ws;
    WindowFont savedFont;
    std::function<int(const graphs::GraphPrintJob&)> savedPrinter = graphs::graphPrinter;
};

TEST(GraphWindowPlaces, FollowTheScreenWidth) {
    struct Case {
        int screen;
        Bounds graph, spare1, spare2;
    };
    // Width, height, top, left: 345, 320, 255, 455 and 171, 191, 0, 627 (455) times
    // screen / 800, truncated.
    const Case cases[] = {
        {800, {345, 320, 255, 455}, {171, 191, 0, 627}, {171, 191, 0, 455}},
        {1024, {441, 409, 326, 582}, {218, 244, 0, 802}, {218, 244, 0, 582}},
        {1600, {690, 640, 510, 910}, {342, 382, 0, 1254}, {342, 382, 0, 910}},
    };
    auto same = [](const Bounds& a, const Bounds& b) {
        return a.width == b.width && a.height == b.height && a.top == b.top && a.left == b.left;
    };
    for (const Case& c : cases) {
        graphs::creategraphwindows(c.screen);
        EXPECT_TRUE(same(Main.graphForm, c.graph)) << c.screen;
        EXPECT_TRUE(same(graphs::GraphForm.place(), c.graph)) << c.screen;
        EXPECT_TRUE(same(graphs::GrForm1.place(), c.spare1)) << c.screen;
        EXPECT_TRUE(same(graphs::GrForm2.place(), c.spare2)) << c.screen;
    }
    graphs::creategraphwindows(1024);
}

TEST_F(GraphWindows, ShowingsEnableTheMenuItemsAndThePictureIsTheGraph) {
    EXPECT_FALSE(graphitemsenabled());
    std::snprintf(currentTitle, sizeof currentTitle, "Two series");
    ASSERT_EQ(graph("a b 1990 2000"), 0);
    EXPECT_TRUE(graphs::GraphForm.visible);
    EXPECT_EQ(graphs::openGraphWindows, 1);
    EXPECT_TRUE(graphitemsenabled());
    EXPECT_EQ(notices(), (std::vector<std::string>{"[Two series] jexgraph.svg"}));
    // The metafile is the graph's; the SVG draws the same records at the client size
    // (441 - 8 by 409 - 27): a's first segment back from 1991 to 1990, the top label.
    const std::vector<std::uint8_t> wmf = graphs::writewmf(*graphs::graphMetafile);
    EXPECT_EQ(slurp("jexgraph.wmf"), std::string(wmf.begin(), wmf.end()));
    const std::string svg = slurp("jexgraph.svg");
    EXPECT_TRUE(contains(svg, svgsize(433, 382) + " viewBox=\"0 0 1500 1125\""));
    EXPECT_TRUE(contains(svg, "<line x1=\"209\" y1=\"767\" x2=\"73\" y2=\"841\""));
    EXPECT_TRUE(contains(svg, "<text x=\"29\" y=\"119\""));
    // Each graph closes the window and shows it again: still one showing.
    ASSERT_EQ(graph("a 1990 2000"), 0);
    EXPECT_EQ(graphs::openGraphWindows, 1);
    // Closing it disables the items; closing a hidden window counts nothing below 0.
    graphs::GraphForm.close();
    graphs::GraphForm.close();
    EXPECT_EQ(graphs::openGraphWindows, 0);
    EXPECT_FALSE(graphitemsenabled());
    ASSERT_EQ(graph("a 1990 2000"), 0);
    EXPECT_TRUE(graphitemsenabled());
    // With zip on the graph is made but no window shows it.
    graphs::GraphForm.close();
    std::filesystem::remove("jexgraph.svg");
    regZip = 'y';
    ASSERT_EQ(graph("a 1990 2000"), 32);
    EXPECT_FALSE(graphs::GraphForm.visible);
    EXPECT_FALSE(graphitemsenabled());
    EXPECT_FALSE(std::filesystem::exists("jexgraph.svg"));
}

TEST_F(GraphWindows, ResizingAndMaximisingRedrawAtTheNewSize) {
    // The pause box's Max and Normal set the window's state and show the box again.
    screen.platform.answers = {"Max", "Normal", "Cont."};
    ASSERT_EQ(graph("a 1990 2000"), 0);
    ASSERT_EQ(notices().size(), 3u);
    EXPECT_EQ(Main.graphFormState, WindowState::normal);
    graphs::GraphForm.setState(WindowState::maximized);
    EXPECT_TRUE(contains(slurp("jexgraph.svg"), svgsize(1024 - 8, 768 - 27)));
    graphs::GraphForm.setState(WindowState::normal);
    graphs::GraphForm.resize(700, 527);
    EXPECT_TRUE(contains(slurp("jexgraph.svg"), svgsize(692, 500)));
    EXPECT_EQ(Main.graphForm.width, 700);
    EXPECT_EQ(notices().size(), 6u);
    // A hidden window is not painted.
    graphs::GraphForm.close();
    graphs::GraphForm.resize(600, 400);
    EXPECT_EQ(notices().size(), 6u);
}

TEST_F(GraphWindows, SpareWindowsShowTheShiftedGraphUntilTheyClose) {
    regZip = 'y';
    ASSERT_EQ(graph("a 1990 2000"), 32);
    const std::vector<std::uint8_t> first = graphs::writewmf(*graphs::graphMetafile);
    ASSERT_EQ(graphs::graphshift(1), 0);
    EXPECT_TRUE(graphs::GrForm1.visible);
    EXPECT_EQ(notices().back(), "[Graph Form 1] jexgraph1.svg");
    EXPECT_EQ(slurp("jexgraph1.wmf"), std::string(first.begin(), first.end()));
    // 218 - 8 by 244 - 27 on a 1024-pixel screen.
    EXPECT_TRUE(contains(slurp("jexgraph1.svg"), svgsize(210, 217)));
    // Closing the window releases its graph; the next shift shows the new graph.
    graphs::GrForm1.close();
    EXPECT_EQ(graphs::graphMetafile1, nullptr);
    ASSERT_EQ(graph("a 1990 1995"), 32);
    const std::vector<std::uint8_t> second = graphs::writewmf(*graphs::graphMetafile);
    ASSERT_EQ(graphs::graphshift(1), 0);
    EXPECT_EQ(slurp("jexgraph1.wmf"), std::string(second.begin(), second.end()));
    ASSERT_EQ(graph("a 1990 1992"), 32);
    ASSERT_EQ(graphs::graphshift(2), 0);
    EXPECT_EQ(notices().back(), "[Graph Form 2] jexgraph2.svg");
    EXPECT_NE(graphs::graphMetafile1, nullptr);
    EXPECT_NE(graphs::graphMetafile2, nullptr);
}

TEST_F(GraphWindows, BrowserShowsAMetafileStretchedAndRefusesWhatItCannotRead) {
    EXPECT_EQ(graphs::TBrowseGraph::fileNameOnly("C:\\graphs\\fig1.wmf"), "fig1.wmf");
    EXPECT_EQ(graphs::TBrowseGraph::fileNameOnly("fig1.wmf"), "fig1.wmf");
    std::filesystem::create_directory("graphs");
    graphs::Metafile m;
    graphs::Canvas c;
    c.moveTo(0, 0);
    c.lineTo(1500, 1125);
    m.records = c.records();
    ASSERT_TRUE(graphs::savemetafile(m, "graphs/fig1.wmf"));

    GraphBrowser1Click();
    EXPECT_TRUE(graphs::BrowseGraph.visible);
    screen.platform.answers = {"graphs/fig1.wmf"};
    graphs::BrowseGraph.Open1Click();
    EXPECT_EQ(graphs::BrowseGraph.caption, "fig1.wmf - Jex7 Graph Browser");
    EXPECT_EQ(notices().back(), "[fig1.wmf - Jex7 Graph Browser] jexbrowse.svg");
    EXPECT_FALSE(std::filesystem::exists("jexbrowse.wmf"));
    // Played over the client area, 441 - 8 by 409 - 27 - 20, cleared to white first.
    std::string svg = slurp("jexbrowse.svg");
    EXPECT_TRUE(contains(svg, svgsize(433, 362) + " viewBox=\"0 0 433 362\""));
    EXPECT_TRUE(contains(svg, "fill=\"#ffffff\""));
    EXPECT_TRUE(contains(svg, "<line x1=\"0\" y1=\"0\" x2=\"433\" y2=\"362\""));
    // The file is read again at every painting: a resize draws it at the new size.
    graphs::BrowseGraph.resize(508, 347);
    EXPECT_TRUE(contains(slurp("jexbrowse.svg"), "x2=\"500\" y2=\"300\""));

    // A metafile cut short: the box, nothing drawn, and no box again at the next painting.
    const std::string whole = slurp("graphs/fig1.wmf");
    std::ofstream("cut.wmf", std::ios::binary) << whole.substr(0, whole.size() / 2);
    screen.platform.answers = {"cut.wmf"};
    graphs::BrowseGraph.Open1Click();
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_EQ(screen.platform.boxes.back(), "[Jex Message] Cannot read metafile cut.wmf.");
    EXPECT_FALSE(contains(slurp("jexbrowse.svg"), "<line"));
    EXPECT_TRUE(graphs::BrowseGraph.fileName.empty());
    const std::size_t boxes = screen.platform.boxes.size();
    graphs::BrowseGraph.paint();
    EXPECT_EQ(screen.platform.boxes.size(), boxes);
    // A cancelled dialog changes nothing; Exit forgets the file and the caption.
    screen.platform.answers = {"graphs/fig1.wmf"};
    graphs::BrowseGraph.Open1Click();
    screen.platform.answers = {"Cancel"};
    graphs::BrowseGraph.Open1Click();
    EXPECT_EQ(graphs::BrowseGraph.fileName, "graphs/fig1.wmf");
    graphs::BrowseGraph.Exit1Click();
    EXPECT_FALSE(graphs::BrowseGraph.visible);
    EXPECT_EQ(graphs::BrowseGraph.caption, "Jex7 Graph Browser");
    EXPECT_TRUE(graphs::BrowseGraph.fileName.empty());
}

TEST_F(GraphWindows, SaveAsksForANameOnlyWithoutAGraphName) {
    regZip = 'y';
    ASSERT_EQ(graph("a 1990 2000"), 32);
    struct Case {
        std::vector<std::string> answers;
        const char* written;  // null: nothing
    };
    const Case cases[] = {
        {{"Edit1=mine", "OK"}, "mine.wmf"},
        {{"Edit1=other", "Cancel"}, nullptr},
        {{"Edit1=", "OK"}, nullptr},  // an empty name saves nothing (no ".wmf")
    };
    for (const Case& c : cases) {
        for (const auto& e : std::filesystem::directory_iterator("."))
            if (e.path().extension() == ".wmf") std::filesystem::remove(e.path());
        screen.platform.answers.assign(c.answers.begin(), c.answers.end());
        screen.platform.forms.clear();
        GraphSaveAsClick();
        ASSERT_EQ(screen.platform.forms.size(), c.answers.size());
        EXPECT_TRUE(contains(screen.platform.forms[0], "[Give Filename for Graph]"));
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::directory_iterator("."))
            if (e.path().extension() == ".wmf") files.push_back(e.path().filename().string());
        if (c.written) EXPECT_EQ(files, std::vector<std::string>{c.written});
        else EXPECT_TRUE(files.empty()) << c.answers[0];
    }
    const std::vector<std::uint8_t> wmf = graphs::writewmf(*graphs::graphMetafile);
    screen.platform.answers = {"Edit1=mine", "OK"};
    GraphSaveAsClick();
    EXPECT_EQ(slurp("mine.wmf"), std::string(wmf.begin(), wmf.end()));
}

TEST_F(GraphWindows, PrintSpoolsOneJobForEachCopy) {
    std::vector<graphs::GraphPrintJob> jobs;
    graphs::graphPrinter = [&](const graphs::GraphPrintJob& job) {
        jobs.push_back(job);
        return 0;
    };
    regZip = 'y';
    ASSERT_EQ(graph("a 1990 2000"), 32);
    const std::vector<std::uint8_t> wmf = graphs::writewmf(*graphs::graphMetafile);
    printerOrientation = Orientation::landscape;
    struct Case {
        std::vector<std::string> answers;
        std::size_t jobs;
    };
    const Case cases[] = {
        {{"Copies=2", "OK"}, 2}, {{"Copies=3", "Cancel"}, 0}, {{"Copies=0", "OK"}, 1},
        {{"OK"}, 1},  // the dialog starts at one copy
    };
    for (const Case& c : cases) {
        jobs.clear();
        screen.platform.answers.assign(c.answers.begin(), c.answers.end());
        Print1Click();
        ASSERT_EQ(jobs.size(), c.jobs) << c.answers[0];
        for (const graphs::GraphPrintJob& j : jobs) {
            EXPECT_EQ(j.title, "Jex 7.415");
            EXPECT_EQ(j.right, 6150);
            EXPECT_EQ(j.bottom, 4600);
            EXPECT_EQ(j.wmf, wmf);
        }
    }
    // After a shift there is no current graph: nothing is printed.
    ASSERT_EQ(graphs::graphshift(1), 0);
    jobs.clear();
    screen.platform.answers = {"Copies=2", "OK"};
    Print1Click();
    EXPECT_TRUE(jobs.empty());
}

TEST_F(GraphWindows, GraphTextTakesTheGraphFontsFaceAndColour) {
    regZip = 'y';
    auto drawn = [] {
        std::vector<std::string> faces;
        std::uint32_t colour = 1;
        for (const Record& r : graphs::graphMetafile->records) {
            if (r.op == Op::Font) faces.push_back(r.text);
            if (r.op == Op::TextColor) colour = r.colour;
        }
        return std::make_pair(faces, colour);
    };
    std::snprintf(currentTitle, sizeof currentTitle, "Two series");
    ASSERT_EQ(graph("a 1990 2000"), 32);
    EXPECT_EQ(drawn().first, std::vector<std::string>({"Courier", "Courier"}));  // the start font
    EXPECT_EQ(drawn().second, 0u);
    // From the settings file.
    ProfileFile ini;
    ini.parse("[Graph Settings]\r\nFontName=Arial\r\nFontColor=255\r\n");
    applysettings(ini);
    ASSERT_EQ(graph("a 1990 2000"), 32);
    EXPECT_EQ(drawn().first, std::vector<std::string>({"Arial", "Arial"}));
    EXPECT_EQ(drawn().second, 255u);
    // From the Graph menu's Font; a cancelled dialog keeps the font.
    screen.platform.answers = {"FontName=Courier New", "OK"};
    GraphFontClick();
    screen.platform.answers = {"FontName=Verdana", "Cancel"};
    GraphFontClick();
    ASSERT_EQ(graph("a 1990 2000"), 32);
    EXPECT_EQ(drawn().first, std::vector<std::string>({"Courier New", "Courier New"}));
}

TEST_F(GraphWindows, SettingsDialogEditsTheStylesAndSavesThem) {
    // Left open: the colour acts at once, the rest waits for OK.
    screen.platform.answers = {"ColorM2=255", "WL2=5", "ML2=8", "Style2CB=3", "Leave"};
    GraphSettingsClick();
    EXPECT_TRUE(graphs::graphsettingsopen());
    EXPECT_EQ(graphs::lineStyles[2].colour, 255);
    EXPECT_EQ(graphs::lineStyles[2].penWidth, 2);
    // Shown again it keeps the edits; OK applies them.
    screen.platform.answers = {"OK"};
    GraphSettingsClick();
    EXPECT_FALSE(graphs::graphsettingsopen());
    EXPECT_EQ(graphs::lineStyles[2].penWidth, 5);
    EXPECT_EQ(graphs::lineStyles[2].mark, 'b');
    EXPECT_EQ(graphs::lineStyles[2].penStyle, 3);
    // Cancel applies nothing; the form shows the styles as they are.
    screen.platform.answers = {"WL3=9", "Cancel"};
    screen.platform.forms.clear();
    GraphSettingsClick();
    EXPECT_EQ(graphs::lineStyles[3].penWidth, 2);
    ASSERT_FALSE(screen.platform.forms.empty());
    EXPECT_TRUE(contains(screen.platform.forms[0], "WL2 = 5\n"));
    // Save to file through the file dialog; a cancelled file dialog writes nothing.
    screen.platform.answers = {"Save to file", "styles.add", "Save to file", "Cancel", "Cancel"};
    GraphSettingsClick();
    const std::string saved = slurp("styles.add");
    EXPECT_EQ(saved.substr(0, saved.find('\n') + 1), graphs::linesettings(1));
    EXPECT_TRUE(contains(saved, "line 2      255  5 b  3  0  0.000  1.000\n"));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 7);
}

TEST_F(GraphWindows, EaselDrawsItsOwnMetafileOnBlue) {
    graphs::Easel.show();
    EXPECT_TRUE(contains(slurp("jexeasel.svg"), "fill=\"#0000ff\""));
    graphs::Easel.metafile = std::make_unique<graphs::Metafile>();
    graphs::Easel.FormDestroy();
    EXPECT_EQ(graphs::Easel.metafile, nullptr);
    graphs::Easel.close();
}

}  // namespace graph_windows_test

}  // namespace windows_test
