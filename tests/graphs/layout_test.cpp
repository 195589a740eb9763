// The layout of a drawn graph: plot box, scales, labels, points, ticks and legend, with the
// expected numbers worked out here from the geometry (exact fractions, integer floors).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "graphs/canvas.h"
#include "graphs/drawgraph.h"
#include "graphs/graph_model.h"
#include "graphs/line_styles.h"
#include "graphs/wmf.h"
#include "platform/scripted_platform.h"

namespace layout_test {

namespace {

using graphs::Op;
using graphs::Record;

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        wsStartDate = JexDate(1980, 1, 1, 13);
        wsBaseYear = 1980;
        wsFirstMonth = 1;
        wsMaxObs = 200;
        graphs::initlinestyles();
        clearPendingLine();
    }
    void TearDown() override {
        resetDateGlobals();
        clearPendingLine();
    }

    // A graph over 1990..last of the given series (annual, from the workspace start).
    void make(const std::vector<std::vector<float>>& series, int lastYear, const char* title,
              int vcount = 0, const std::vector<float>& v = {}) {
        float vr[10] = {};
        for (std::size_t i = 0; i < v.size(); ++i) vr[i] = v[i];
        float hr[10] = {};
        g.setTitles(title, "", "", 'y', 'i', 'y', vcount, 0, vr, hr);
        const char* names[] = {"a", "b", "c", "d", "e", "f", "g"};
        int i = 0;
        for (const auto& s : series) {
            std::vector<float> values(1999, MISSING);
            std::copy(s.begin(), s.end(), values.begin() + 10);  // 1990 is position 10
            g.addSeries(names[i++], JexDate(1980, 1, 1), values.data(), 1999);
        }
        const JexDate last(static_cast<std::int16_t>(lastYear), 1, 0, 1);
        g.setDates(JexDate(1980, 1, 1), JexDate(1990, 1, 0, 1), last, last, '4');
    }
    int draw(char logScale = 'n', char scatter = 'n') {
        return graphs::drawgraph(g, canvas, 'n', logScale, scatter, 0);
    }
    std::vector<Record> texts() const {
        std::vector<Record> out;
        for (const Record& r : canvas.records())
            if (r.op == Op::Text) out.push_back(r);
        return out;
    }
    const Record* text(const std::string& t) const {
        for (const Record& r : canvas.records())
            if (r.op == Op::Text && r.text == t) return &r;
        return nullptr;
    }
    // Segments drawn: each LineTo with the point before it.
    std::vector<std::array<int, 4>> segments() const {
        std::vector<std::array<int, 4>> out;
        int x = 0, y = 0;
        for (const Record& r : canvas.records()) {
            if (r.op == Op::MoveTo) x = r.a, y = r.b;
            if (r.op == Op::LineTo) {
                out.push_back({x, y, r.a, r.b});
                x = r.a, y = r.b;
            }
        }
        return out;
    }
    bool hasSegment(int x1, int y1, int x2, int y2) const {
        const auto s = segments();
        return std::find(s.begin(), s.end(), std::array<int, 4>{x1, y1, x2, y2}) != s.end();
    }

    platform::ScopedScriptedPlatform screen;
    graphs::JexGraph g;
    graphs::Canvas canvas;
};

const std::vector<float> A = {10, 12, 15, 11, 14, 18, 20, 17, 22, 25, 24};
const std::vector<float> Bs = {5, 8, MISSING, 9, 7, 6, 10, 12, 11, 15, 30};

TEST_F(Layout, TwoSeriesOnACommonScale) {
    make({A, Bs}, 2000, "Two series");
    ASSERT_EQ(draw(), 32);
    // Title 45 points = 60 units: T = floor(1.7 * 60); labels 25 points = 33 units.
    const int T = 102, th = 33, hh = 16, B = 1125 - 3 * th;
    EXPECT_EQ(B, 1026);
    // Slot width s = 1494/11, L = 5 + 1/2. Points at floor(L + t s + s/2) = floor((121 +
    // 2988 t + 1494) / 22); values at floor(B - (v - 5) * 924 / 25).
    auto px = [](int t) { return (121 + 2988 * t + 1494) / 22; };
    auto py = [&](float v) { return static_cast<int>(std::floor((B * 25 - (v - 5) * (B - T)) / 25)); };
    EXPECT_EQ(px(0), 73);
    EXPECT_EQ(py(10), 841);
    EXPECT_EQ(px(10), 1431);
    EXPECT_EQ(py(24), 323);
    EXPECT_TRUE(hasSegment(px(1), py(12), px(0), py(10)));  // a: from each point back
    EXPECT_TRUE(hasSegment(px(10), py(24), px(9), py(25)));
    // b breaks at 1992 and resumes from 1993 to 1994 (480, 878).
    EXPECT_EQ(px(3), 480);
    EXPECT_EQ(py(9), 878);
    EXPECT_TRUE(hasSegment(px(4), py(7), px(3), py(9)));
    // At x 345 (1992) only a's point (345, 656) and its mark are drawn.
    EXPECT_EQ(px(2), 345);
    EXPECT_EQ(py(15), 656);
    for (const auto& s : segments()) {
        if (s[0] == 345) {
            EXPECT_LE(std::abs(s[1] - 656), 9);
        }
        if (s[2] == 345) {
            EXPECT_LE(std::abs(s[3] - 656), 9);
        }
    }
    // Labels of the scale 5..30 in "%5.1f" at x floor(L + 24).
    EXPECT_STREQ(g.leftFormat, "%5.1f");
    const std::vector<std::pair<std::string, int>> labels = {
        {" 30.0", T + hh + 1}, {" 17.5", (T + B) / 2}, {"  5.0", B - 1 - hh - 27}};
    for (const auto& [t, y] : labels) {
        const Record* r = text(t);
        ASSERT_NE(r, nullptr) << t;
        EXPECT_EQ(r->a, 29);
        EXPECT_EQ(r->b, y);
    }
    EXPECT_EQ(labels[0].second, 119);
    EXPECT_EQ(labels[1].second, 564);
    EXPECT_EQ(labels[2].second, 982);
    EXPECT_TRUE(hasSegment(17, 564, 5, 564));     // middle tick from L + 12 to L
    EXPECT_TRUE(hasSegment(1499, 564, 1487, 564));  // and from R to R - 12
    // Year labels every 2 years, centred in their slot: floor(floor(L + j s) + s/2).
    for (int year = 1990; year <= 2000; year += 2) {
        const int j = year - 1990;
        const int left = (121 + 2988 * j) / 22;
        const int centre = (22 * left + 1494) / 22;
        const Record* r = text(std::to_string(year));
        ASSERT_NE(r, nullptr) << year;
        EXPECT_EQ(r->a, centre) << year;
        EXPECT_EQ(r->b, B + 13);
    }
    EXPECT_EQ(text("1992")->a, 344);
    EXPECT_EQ(text("2000")->a, 1430);
    // Long date ticks at 1990 and 2000 only; 1995 is on a multiple of 5 but not of 2.
    EXPECT_TRUE(hasSegment(5, B - 27, 5, B));
    EXPECT_TRUE(hasSegment(1363, B - 27, 1363, B));
    EXPECT_FALSE(hasSegment(684, B - 27, 684, B));
    EXPECT_TRUE(hasSegment(684, B - 13, 684, B));
    // The frame's right edge and the divider at the end of 2000's slot.
    EXPECT_TRUE(hasSegment(5, T, 1499, T));
    EXPECT_TRUE(hasSegment(1499, B, 1499, T));
    // Legend: texts at floor(x + 5), x = (1494 - 5.5) / 2 i + 11.5; sample lines at H - hh.
    ASSERT_NE(text(" a                "), nullptr);
    EXPECT_EQ(text(" a                ")->a, 16);
    EXPECT_EQ(text(" b                ")->a, 760);
    EXPECT_EQ(text(" b                ")->b, 1125 - th - 9);
    EXPECT_TRUE(hasSegment(1, 1109, 21, 1109));
    EXPECT_TRUE(hasSegment(745, 1109, 765, 1109));

    // The metafile of it, read back by our reader, gives the same records.
    graphs::Metafile m;
    m.records = canvas.records();
    const auto bytes = graphs::writewmf(m);
    graphs::Canvas back;
    std::string error;
    ASSERT_EQ(graphs::readwmf(bytes.data(), bytes.size(), back, error), 0) << error;
    EXPECT_EQ(back.records(), m.records);
}

TEST_F(Layout, AllMissingDrawsTheFrameWithZeroLabels) {
    make({A}, 1985, "");
    g.setDates(JexDate(1980, 1, 1), JexDate(1982, 1, 0, 1), JexDate(1985, 1, 0, 1),
               JexDate(1985, 1, 0, 1), '4');
    ASSERT_EQ(draw(), 32);
    ASSERT_NE(text(" 0.00"), nullptr);
    for (const Record& r : canvas.records()) EXPECT_NE(r.op, Op::Pixel);
}

TEST_F(Layout, LogScaleLabelsShowLevels) {
    make({{-1, 0, 1}}, 1992, "Two series");
    ASSERT_EQ(draw('y'), 32);
    // e = 2.718..., (e + 1/e) / 2 = 1.543..., 1/e = 0.367...
    for (const char* t : {" 2.72", " 1.54", " 0.37"}) EXPECT_NE(text(t), nullptr) << t;
    // Middle tick at floor(0.58 T + 0.42 B) = floor(59.16 + 430.92).
    EXPECT_EQ(text(" 1.54")->b, 490);
}

TEST_F(Layout, FixedValuesTooLowForALogScaleStopTheDrawing) {
    struct Case {
        int count;
        std::vector<float> v;
        const char* message;
    };
    const std::vector<Case> cases = {
        {2, {-5, 10}, "Value in vertical range is too low (-5.000000).\n"},
        {2, {0, 10}, "Value in vertical range is too low (0.000000).\n"},
        {1, {-3}, "Value in vertical range is too low (-3.000000).\n"},  // one fixed value too
    };
    for (const Case& c : cases) {
        g.clearSeries();
        make({A}, 2000, "", c.count, c.v);
        g.status = 32;
        screen.platform.lines.clear();
        screen.platform.boxes.clear();
        EXPECT_EQ(draw('y'), -1) << c.message;
        EXPECT_EQ(screen.platform.text(), c.message);
        ASSERT_EQ(screen.platform.boxes.size(), 1u);
    }
}

TEST_F(Layout, ThreeFixedValuesGiveInnerTicksAndTheirOwnLabels) {
    make({A}, 2000, "", 4, {0, 50, 100, 150});
    ASSERT_EQ(draw(), 32);
    // No title: T = 56, k = 970 / 150; the tick of 50 at floor(1026 - 50 k) = 702, of 100
    // at floor(1026 - 100 k) = 379.
    EXPECT_TRUE(hasSegment(17, 702, 5, 702));
    EXPECT_TRUE(hasSegment(17, 379, 5, 379));
    for (const char* t : {"    0", "   50", "  100", "  150"})  // span 150: "%5.0f"
        EXPECT_NE(text(t), nullptr) << t;
    // A constant series gets factor 0 and lies on B.
    graphs::JexGraph flat;
    float none[10] = {};
    flat.setTitles("", "", "", 'y', 'i', 'y', 0, 0, none, none);
    std::vector<float> v(1999, 7.0f);
    flat.addSeries("c", JexDate(1980, 1, 1), v.data(), 1999);
    flat.setDates(JexDate(1980, 1, 1), JexDate(1990, 1, 0, 1), JexDate(1991, 1, 0, 1),
                  JexDate(1991, 1, 0, 1), '4');
    graphs::Canvas c2;
    ASSERT_EQ(graphs::drawgraph(flat, c2, 'n', 'n', 'n', 0), 32);
    for (const Record& r : c2.records())
        if (r.op == Op::Pixel) {
            EXPECT_EQ(r.b, 1026);
        }
}

TEST_F(Layout, HugeSpansAndNotANumberStayInsideTheCanvas) {
    const float nan = std::nanf("");
    make({{3e38f, -3e38f, nan, 1.0f}}, 1993, "");
    ASSERT_EQ(draw(), 32);
    int pixels = 0, moves = 0;
    for (const Record& r : canvas.records()) {
        if (r.op == Op::Pixel) ++pixels;
        if (r.op == Op::MoveTo || r.op == Op::LineTo || r.op == Op::Pixel) {
            ++moves;
            EXPECT_GE(r.a, -32768);
            EXPECT_LE(r.a, 32767);
            // The span overflows: factor 0, every value on the plot bottom or inside the box.
            EXPECT_GE(r.b, 0);
            EXPECT_LE(r.b, 1125);
        }
    }
    EXPECT_EQ(pixels, 1);
    EXPECT_GT(moves, 0);
}

TEST_F(Layout, ObservationRangeIsLabelledByNumbers) {
    make({A}, 2000, "");
    g.firstDate = g.middleDate = g.lastDate = JexDate();  // as the graph command leaves them
    g.setRange(10, 0, 20);
    ASSERT_EQ(draw(), 32);
    // s = 1494 / 11 as before; labels k = 10, 12, ... 20 at floor(floor((k - 11) s + L) + s)
    // (two periods of half a slot each), within the canvas.
    for (int k = 10; k <= 20; k += 2) {
        const Record* r = text(std::to_string(k));
        ASSERT_NE(r, nullptr) << k;
        const int left = static_cast<int>(std::trunc((2988.0 * (k - 11) + 121) / 22));
        const int x = static_cast<int>(std::floor((22.0 * left + 2988) / 22));
        const int w = canvas.textWidth(std::to_string(k)) / 2 + 1;
        EXPECT_EQ(r->a, std::clamp(x, w, 1500 - w)) << k;
    }
    // No divider (the middle index is 0): the only line up from B to T is the frame's left.
    for (const auto& sgm : segments()) {
        if (sgm[1] == 1026 && sgm[3] == 56 && sgm[0] == sgm[2]) {
            EXPECT_EQ(sgm[0], 5);
        }
    }
}

TEST_F(Layout, NoSeriesOrNoDatesFails) {
    EXPECT_EQ(draw(), -1);
    EXPECT_TRUE(canvas.records().empty());
}

TEST_F(Layout, ScatterWithOneSeriesDrawsNoPhantomSeries) {
    make({A}, 2000, "");
    ASSERT_EQ(draw('n', 'y'), 32);
    for (const Record& r : canvas.records()) EXPECT_NE(r.op, Op::Pixel);
}

TEST(GraphModel, SeriesSlotsAndTitles) {
    graphs::JexGraph g;
    EXPECT_EQ(g.lastSeries, -1);
    EXPECT_EQ(g.clearSeries(), 0);
    EXPECT_EQ(g.lastSeries, -1);
    const std::string longTitle(95, 't');
    float none[10] = {};
    g.setTitles(longTitle.c_str(), "", "", 'y', 'i', 'y', 11, 0, none, none);
    EXPECT_EQ(std::string(g.title), std::string(90, 't'));
    EXPECT_EQ(g.vrangeCount, 10);
    std::vector<float> v(3, 1.0f);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(g.addSeries("s", JexDate(), v.data(), 3), 1);
    EXPECT_EQ(g.addSeries("s", JexDate(), v.data(), 3), -2);
    EXPECT_EQ(g.lastSeries, 6);
    EXPECT_EQ(g.setLegend("two", 2), 3);
    EXPECT_EQ(g.legends[2], "two");
    EXPECT_EQ(g.setLegend("x", 7), -1);
}

}  // namespace

}  // namespace layout_test
