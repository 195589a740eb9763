// Annotations of the next graph: how anntext, annline and smf read their lines, the capacity
// of the pending lists, the echo to the annsave file and its replay as an add file, and the
// texts, lines and arrow heads drawn on the example graph (worked out here from the plot
// edges and a rotation of the line's direction).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "graphs/annotations.h"
#include "graphs/canvas.h"
#include "graphs/drawgraph.h"
#include "graphs/graph_model.h"
#include "graphs/line_styles.h"
#include "graphs/wmf.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"
#include "tests/graphs/graph_test_util.h"
#include "tests/shell/command_fixture.h"

namespace annotations_test {

using graphs::Op;
using graphs::Record;
using Segment = std::array<int, 4>;

// The next word of the input after the handler, passing over line ends.
std::string nextword() {
    char token[commandBufferSize];
    int cls;
    do cls = gettoken(token, nullptr, 0, sizeof token);
    while (cls == 'f');
    return cls == 'e' ? "<end>" : token;
}

std::vector<Segment> segments(const std::vector<Record>& records, std::size_t from = 0) {
    std::vector<Segment> out;
    int x = 0, y = 0;
    for (std::size_t i = from; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.op == Op::MoveTo) x = r.a, y = r.b;
        if (r.op == Op::LineTo) {
            out.push_back({x, y, r.a, r.b});
            x = r.a, y = r.b;
        }
    }
    return out;
}

// The head's two strokes built independently: the line's back direction in a 4 by 3 frame
// turned by the angle whose cosine is 0.9238 either way, 0.08 long, rounded as the drawing
// rounds.
std::set<Segment> expectedhead(int x1, int y1, int x2, int y2, int H, int W) {
    const double sx = 4.0 / W, sy = 3.0 / H;
    double bx = (x1 - x2) * sx, by = (y1 - y2) * sy;
    if (bx == 0 && by == 0) by = -1;  // coinciding ends point down
    const double len = std::hypot(bx, by);
    bx /= len;
    by /= len;
    const double angle = std::acos(0.9238);
    std::set<Segment> out;
    for (double a : {angle, -angle}) {
        const double vx = bx * std::cos(a) - by * std::sin(a);
        const double vy = bx * std::sin(a) + by * std::cos(a);
        out.insert({static_cast<int>(0.08 * vx / sx + x2 + 0.5),
                    static_cast<int>(0.08 * vy / sy + y2 + 0.5), x2, y2});
    }
    return out;
}

class Pending : public ::testing::Test {
protected:
    void SetUp() override { graphs::resetannotations(); }
    void TearDown() override {
        graphs::resetannotations();
        clearPendingLine();
    }
    platform::ScopedScriptedPlatform screen;
};

TEST_F(Pending, TextsTakeTwoNumbersAndTheRestOfTheLine) {
    struct Case {
        const char* line;
        float x, y;
        const char* text;
    } cases[] = {
        {"0.5 0.5 a # b", 0.5f, 0.5f, "a # b"},
        {"-0.2 0.5 Hi", 0.0f, 0.2f, "0.5 Hi"},  // the minus sign is a token of its own
        {"x y z", 0, 0, "z"},
        {"0.25 0.75  two blanks", 0.25f, 0.75f, " two blanks"},
        {"1E400 nan Hi", 0, 0, "Hi"},  // not finite, not a number
        {"0.25 0.75", 0.25f, 0.75f, ""},
        {"0.25", 0.25f, 0, ""},
    };
    for (const Case& c : cases) {
        graphs::resetannotations();
        seriestest::ReplayInput input({c.line, "next"});
        EXPECT_EQ(graphs::anntextcmd(nullptr), 0) << c.line;
        ASSERT_EQ(graphs::annTextCount, 1) << c.line;
        EXPECT_FLOAT_EQ(graphs::annTextX[0], c.x) << c.line;
        EXPECT_FLOAT_EQ(graphs::annTextY[0], c.y) << c.line;
        EXPECT_EQ(graphs::annTexts[0], c.text) << c.line;
        EXPECT_EQ(nextword(), "next") << c.line;  // a short line never reads the next one
    }
}

TEST_F(Pending, LinesTakeFourNumbersAndAnArrowMark) {
    struct Case {
        const char* line;
        std::array<float, 4> v;
        int arrow;
    } cases[] = {
        {"0 0 1 1 >", {0, 0, 1, 1}, 1},
        {"0 0 1 1 x", {0, 0, 1, 1}, 0},
        {"0.1 0.2 0.3 0.4", {0.1f, 0.2f, 0.3f, 0.4f}, 0},
        {"0.1 0.2 0.3", {0.1f, 0.2f, 0.3f, 0}, 0},
        {"0.5 -0.5 0.5 1 >", {0.5f, 0, 0.5f, 0.5f}, 0},  // the minus sign takes a field
    };
    for (const Case& c : cases) {
        graphs::resetannotations();
        seriestest::ReplayInput input({c.line, "next"});
        EXPECT_EQ(graphs::annlinecmd(nullptr), 0) << c.line;
        ASSERT_EQ(graphs::annLineCount, 1) << c.line;
        EXPECT_FLOAT_EQ(graphs::annLineX1[0], c.v[0]) << c.line;
        EXPECT_FLOAT_EQ(graphs::annLineY1[0], c.v[1]) << c.line;
        EXPECT_FLOAT_EQ(graphs::annLineX2[0], c.v[2]) << c.line;
        EXPECT_FLOAT_EQ(graphs::annLineY2[0], c.v[3]) << c.line;
        EXPECT_EQ(graphs::annLineArrow[0], c.arrow) << c.line;
        if (c.line[4] != '-') {
            EXPECT_EQ(nextword(), "next") << c.line;
        }
    }
}

TEST_F(Pending, SmfDropsItsLine) {
    seriestest::ReplayInput input({"any thing", "next"});
    EXPECT_EQ(graphs::smfcmd(nullptr), 0);
    EXPECT_EQ(nextword(), "next");
    EXPECT_EQ(graphs::annTextCount + graphs::annLineCount, 0);
}

TEST_F(Pending, TenTextsAndEightyLinesUntilAGraphIsDrawn) {
    for (int i = 0; i < graphs::maxAnnTexts; ++i)
        ASSERT_EQ(graphtest::run(graphs::anntextcmd, "0.1 0.2 t" + std::to_string(i)), 0) << i;
    EXPECT_EQ(graphtest::run(graphs::anntextcmd, "0.3 0.4 eleventh"), -1);
    EXPECT_NE(screen.platform.text().find("\nToo many annotations.\n"), std::string::npos);
    EXPECT_EQ(graphs::annTextCount, 10);
    EXPECT_EQ(graphs::annTexts[9], "t9");
    for (int i = 0; i < graphs::maxAnnLines; ++i)
        ASSERT_EQ(graphtest::run(graphs::annlinecmd, "0 0 1 1"), 0) << i;
    EXPECT_EQ(graphtest::run(graphs::annlinecmd, "0 0 1 1"), -1);
    EXPECT_EQ(graphs::annLineCount, 80);

    graphs::Canvas c;
    graphs::drawanntexts(1499, 5.5, 1026, 102, c);
    graphs::drawannlines(1499, 5.5, 1026, 102, c);
    EXPECT_EQ(graphs::annTextCount, 0);
    EXPECT_EQ(graphs::annLineCount, 0);
    for (int i = 0; i < graphs::maxAnnTexts; ++i)
        EXPECT_EQ(graphtest::run(graphs::anntextcmd, "0.1 0.2 again"), 0) << i;
}

TEST(ArrowHead, StrokesAtTheHalfAngleOfTheHead) {
    struct Case {
        int x1, y1, x2, y2, H, W;
    } cases[] = {
        {752, 102, 752, 1026, 1026, 1499},  // down the example graph
        {0, 0, 500, 375, 750, 1000},        // the editor's diagonal
        {500, 375, 0, 0, 750, 1000},
        {10, 300, 900, 300, 750, 1000},     // level
        {400, 700, 400, 100, 750, 1000},    // up
        {600, 200, 100, 650, 750, 1000},
        {300, 300, 300, 300, 750, 1000},    // ends that coincide
    };
    for (const Case& k : cases) {
        graphs::Canvas c;
        graphs::drawarrowhead(k.x1, k.y1, k.x2, k.y2, k.H, k.W, c);
        const std::vector<Segment> drawn = segments(c.records());
        ASSERT_EQ(drawn.size(), 2u);
        const std::set<Segment> got(drawn.begin(), drawn.end());
        const std::set<Segment> want = expectedhead(k.x1, k.y1, k.x2, k.y2, k.H, k.W);
        // Rounding of single-precision factors may move an end by one unit.
        auto near = [](const Segment& a, const Segment& b) {
            for (int i = 0; i < 4; ++i)
                if (std::abs(a[i] - b[i]) > 1) return false;
            return true;
        };
        for (const Segment& s : want)
            EXPECT_TRUE(std::any_of(got.begin(), got.end(), [&](const Segment& g) { return near(g, s); }))
                << k.x1 << "," << k.y1 << " -> " << k.x2 << "," << k.y2 << ": " << s[0] << "," << s[1];
    }
    // The example's head exactly, first stroke first.
    graphs::Canvas c;
    graphs::drawarrowhead(752, 102, 752, 1026, 1026, 1499, c);
    EXPECT_EQ(segments(c.records()), (std::vector<Segment>{{763, 1001, 752, 1026}, {741, 1001, 752, 1026}}));
}

// The example graph: "Two series" of a and b over 1990..2000 on a workspace from 1980.
class ExampleGraph : public Pending {
protected:
    void SetUp() override {
        Pending::SetUp();
        wsStartDate = JexDate(1980, 1, 1, 13);
        wsBaseYear = 1980;
        wsFirstMonth = 1;
        wsMaxObs = 200;
        graphs::initlinestyles();
    }
    void TearDown() override {
        resetDateGlobals();
        Pending::TearDown();
    }
    std::vector<Record> drawexample() {
        graphs::JexGraph g;
        float none[10] = {};
        g.setTitles("Two series", "", "", 'y', 'i', 'y', 0, 0, none, none);
        const std::vector<float> a = {10, 12, 15, 11, 14, 18, 20, 17, 22, 25, 24};
        const std::vector<float> b = {5, 8, MISSING, 9, 7, 6, 10, 12, 11, 15, 30};
        for (const auto* s : {&a, &b}) {
            std::vector<float> values(1999, MISSING);
            std::copy(s->begin(), s->end(), values.begin() + 10);
            g.addSeries(s == &a ? "a" : "b", JexDate(1980, 1, 1), values.data(), 1999);
        }
        const JexDate last(2000, 1, 0, 1);
        g.setDates(JexDate(1980, 1, 1), JexDate(1990, 1, 0, 1), last, last, '4');
        graphs::Canvas c;
        EXPECT_EQ(graphs::drawgraph(g, c, 'n', 'n', 'n', 0), 32);
        // What the metafile holds: written and read back.
        graphs::Metafile m;
        m.records = c.takeRecords();
        const std::vector<std::uint8_t> bytes = graphs::writewmf(m);
        graphs::Canvas back;
        std::string error;
        EXPECT_EQ(graphs::readwmf(bytes.data(), bytes.size(), back, error), 0) << error;
        return back.records();
    }
};

TEST_F(ExampleGraph, AnnotationsFollowTheLegendAndBelongToOneGraph) {
    const std::vector<Record> plain = drawexample();
    ASSERT_EQ(graphtest::run(graphs::anntextcmd, "0.5 0 Title"), 0);
    ASSERT_EQ(graphtest::run(graphs::annlinecmd, "0.5 0 0.5 1 >"), 0);
    const std::vector<Record> r = drawexample();
    // The plot edges of the example: T 102, B 1026, L 5.5, R 1499.
    const int x = static_cast<int>((1499 - 5.5) * 0.5 + 5.5), top = 102, bottom = 1026;
    ASSERT_EQ(x, 752);
    auto legend = std::find_if(r.begin(), r.end(), [](const Record& k) {
        return k.op == Op::Text && k.text.rfind(" b ", 0) == 0;
    });
    ASSERT_NE(legend, r.end());
    auto title = std::find_if(legend, r.end(), [](const Record& k) {
        return k.op == Op::Text && k.text == "Title";
    });
    ASSERT_NE(title, r.end());
    EXPECT_EQ(title->a, x);
    EXPECT_EQ(title->b, top);
    int align = -1;
    for (auto it = r.begin(); it != title; ++it)
        if (it->op == Op::TextAlign) align = it->a;
    EXPECT_EQ(align, graphs::alignLeft | graphs::alignBottom);
    // Then the black pen of width 2, the line and its head.
    auto pen = std::find_if(title, r.end(), [](const Record& k) { return k.op == Op::Pen; });
    ASSERT_NE(pen, r.end());
    EXPECT_EQ(pen->b, 2);
    EXPECT_EQ(pen->colour, 0u);
    const std::vector<Segment> after = segments(r, static_cast<std::size_t>(pen - r.begin()));
    const std::set<Segment> head = expectedhead(x, top, x, bottom, bottom, 1499);
    std::vector<Segment> want = {{x, top, x, bottom}};
    want.insert(want.end(), head.rbegin(), head.rend());
    EXPECT_EQ(after, want);
    EXPECT_EQ(after, (std::vector<Segment>{{752, 102, 752, 1026}, {763, 1001, 752, 1026}, {741, 1001, 752, 1026}}));

    // The next graph has none of them: it is the graph drawn with nothing pending.
    EXPECT_EQ(drawexample(), plain);
}

// The echo through the real command loop, and the echo file run as an add file.
class AnnotationEcho : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        graphs::resetannotations();
    }
    void TearDown() override {
        graphs::resetannotations();
        CommandFixture::TearDown();
    }
};

TEST_F(AnnotationEcho, EchoFileRunsAsTheSamePendingEntries) {
    typed("annsave ann.add");
    typed("anntext 0.5 0 Title");
    typed("annline 0.5 0 0.5 1 >");
    typed("annl 0.25 0.125 1 0.75");
    typed("annsave off");
    EXPECT_EQ(read("ann.add"),
              "anntext 0.500 0.000 Title\n"
              "annline 0.500 0.000 0.500 1.000  >\n"
              "annline 0.250 0.125 1.000 0.750 \n");
    const std::string text = graphs::annTexts[0];
    const float lines[3] = {graphs::annLineX1[1], graphs::annLineY1[1], graphs::annLineY2[1]};
    const int arrows[2] = {graphs::annLineArrow[0], graphs::annLineArrow[1]};
    graphs::resetannotations();
    script(read("ann.add"));
    ASSERT_EQ(graphs::annTextCount, 1);
    ASSERT_EQ(graphs::annLineCount, 2);
    EXPECT_EQ(graphs::annTexts[0], text);
    EXPECT_FLOAT_EQ(graphs::annTextX[0], 0.5f);
    EXPECT_FLOAT_EQ(graphs::annLineX1[1], lines[0]);
    EXPECT_FLOAT_EQ(graphs::annLineY1[1], lines[1]);
    EXPECT_FLOAT_EQ(graphs::annLineY2[1], lines[2]);
    EXPECT_EQ(graphs::annLineArrow[0], arrows[0]);
    EXPECT_EQ(graphs::annLineArrow[1], arrows[1]);
}

}  // namespace annotations_test
