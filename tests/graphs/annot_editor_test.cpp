// The annotation editor driven as a form model: opening a metafile, lines and arrow heads
// drawn with the mouse, texts placed with a click, the script saved and replayed, the picture
// saved as an 800 x 600 metafile, and the replay through Patempfile.ann keeping the script
// (resizes, a working directory where that file cannot be written).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphs/annot_editor.h"
#include "graphs/canvas.h"
#include "graphs/graph_command.h"
#include "graphs/wmf.h"
#include "platform/scripted_platform.h"
#include "tests/graphs/graph_test_util.h"

namespace annot_editor_test {

using graphs::AnnGraphFm;
using graphs::annScript;
using graphs::MouseButton;
using graphs::Op;
using graphs::Record;
using Segment = std::array<int, 4>;

std::string readfile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writefile(const std::string& name, const std::string& content) {
    std::ofstream out(name, std::ios::binary);
    out << content;
}

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        graphs::resetannotationeditor();
        // A small graph picture to open: a white box with a red diagonal.
        graphs::Canvas c;
        c.fill(0, 0, 1500, 1125, 0xFFFFFF);
        c.setPen(255, 3, 0);
        c.moveTo(0, 1125);
        c.lineTo(1500, 0);
        graphs::Metafile m;
        m.records = c.takeRecords();
        ASSERT_TRUE(graphs::savemetafile(m, "two.wmf"));
        AnnGraphFm.show();
    }
    void TearDown() override { graphs::resetannotationeditor(); }

    // Segments drawn on the client area since record `from`.
    std::vector<Segment> drawn(std::size_t from = 0) const {
        std::vector<Segment> out;
        const std::vector<Record>& r = AnnGraphFm.screen.records();
        int x = 0, y = 0;
        for (std::size_t i = from; i < r.size(); ++i) {
            if (r[i].op == Op::MoveTo) x = r[i].a, y = r[i].b;
            if (r[i].op == Op::LineTo) {
                out.push_back({x, y, r[i].a, r[i].b});
                x = r[i].a, y = r[i].b;
            }
        }
        return out;
    }
    std::size_t mark() const { return AnnGraphFm.screen.records().size(); }
    void open(const std::string& name) {
        answers().push_back(name);
        AnnGraphFm.WindowsMetafile1Click();
    }
    void drag(MouseButton b, int x1, int y1, int x2, int y2) {
        AnnGraphFm.FormMouseDown(b, x1, y1);
        AnnGraphFm.FormMouseMove(x2, y2);
        AnnGraphFm.FormMouseUp(b, x2, y2);
    }
    void click(int x, int y) {
        AnnGraphFm.FormMouseDown(MouseButton::left, x, y);
        AnnGraphFm.FormMouseUp(MouseButton::left, x, y);
    }
    std::deque<std::string>& answers() { return screen.platform.answers; }
    std::vector<std::string>& notices() { return screen.platform.notices; }

    graphtest::WorkingDirectory cwd;
    platform::ScopedScriptedPlatform screen;
};

TEST_F(Editor, OpenDrawPlaceAndSave) {
    open("two.wmf");
    EXPECT_EQ(AnnGraphFm.caption, "two.wmf");
    EXPECT_EQ(annScript, "smf two.wmf\n");
    // The picture is played over the client area: its diagonal stretched to 1000 x 750.
    const std::vector<Segment> picture = drawn();
    EXPECT_NE(std::find(picture.begin(), picture.end(), Segment{0, 750, 1000, 0}), picture.end());

    // A lone release right after the open (from the file dialog) is ignored.
    AnnGraphFm.FormMouseUp(MouseButton::left, 10, 10);
    EXPECT_EQ(annScript, "smf two.wmf\n");

    std::size_t from = mark();
    AnnGraphFm.FormMouseDown(MouseButton::left, 0, 0);
    AnnGraphFm.FormMouseMove(200, 100);
    EXPECT_TRUE(AnnGraphFm.bandShown);
    EXPECT_EQ(AnnGraphFm.dragLine.Right, 200);
    EXPECT_EQ(AnnGraphFm.dragLine.Bottom, 100);
    AnnGraphFm.FormMouseMove(500, 375);
    EXPECT_TRUE(drawn(from).empty());  // the rubber band is no part of the picture
    AnnGraphFm.FormMouseUp(MouseButton::left, 500, 375);
    EXPECT_EQ(annScript, "smf two.wmf\nannline 0 0 0.5 0.5\n");
    EXPECT_EQ(drawn(from), (std::vector<Segment>{{0, 0, 500, 375}}));

    from = mark();
    drag(MouseButton::right, 0, 0, 500, 375);
    EXPECT_EQ(annScript, "smf two.wmf\nannline 0 0 0.5 0.5\nannline 0 0 0.5 0.5>\n");
    EXPECT_EQ(drawn(from), (std::vector<Segment>{{0, 0, 500, 375}, {481, 370, 500, 375}, {490, 358, 500, 375}}));
    EXPECT_FALSE(graphs::arrowPending);

    // Text: the dialog's answer, then a click places it with its top-left corner there.
    answers().push_back("Hello");
    AnnGraphFm.EditingTextClick();
    EXPECT_TRUE(graphs::textPlacing);
    EXPECT_EQ(graphs::pendingAnnText, "Hello");
    from = mark();
    click(250, 75);
    EXPECT_EQ(annScript, "smf two.wmf\nannline 0 0 0.5 0.5\nannline 0 0 0.5 0.5>\nanntext 0.25 0.1 Hello\n");
    const std::vector<Record>& r = AnnGraphFm.screen.records();
    auto text = std::find_if(r.begin() + static_cast<long>(from), r.end(),
                             [](const Record& k) { return k.op == Op::Text; });
    ASSERT_NE(text, r.end());
    EXPECT_EQ(text->text, "Hello");
    EXPECT_EQ(text->a, 250);
    EXPECT_EQ(text->b, 75);
    int align = -1;
    for (auto it = r.begin(); it != text; ++it)
        if (it->op == Op::TextAlign) align = it->a;
    EXPECT_EQ(align, graphs::alignLeft | graphs::alignTop);
    EXPECT_TRUE(graphs::pendingAnnText.empty());
    EXPECT_FALSE(graphs::textPlacing);

    // Saved as c:\proj\pic.ann: pic.ann in the working directory, the script byte for byte.
    answers().push_back("c:\\proj\\pic.ann");
    AnnGraphFm.SaveAnnClick();
    EXPECT_EQ(readfile("pic.ann"), annScript);

    // Saved as a metafile: 800 x 600, read by our reader and by wmf2svg.
    answers().push_back("c:/proj/pic.ann");
    AnnGraphFm.SaveMetafileClick();
    const std::string wmf = readfile("pic.wmf");
    ASSERT_GT(wmf.size(), 22u);
    const std::vector<std::uint8_t> bytes(wmf.begin(), wmf.end());
    EXPECT_EQ(bytes[10] | bytes[11] << 8, 800);
    EXPECT_EQ(bytes[12] | bytes[13] << 8, 600);
    graphs::Canvas played(800, 600);
    std::string error;
    ASSERT_EQ(graphs::readwmf(bytes.data(), bytes.size(), played, error), 0) << error;
    // The arrowed line from (0, 0) to the centre, scaled from 1000 x 750.
    bool centre = false;
    int x = 0, y = 0;
    for (const Record& k : played.records()) {
        if (k.op == Op::MoveTo) x = k.a, y = k.b;
        if (k.op == Op::LineTo && x == 0 && y == 0 && k.a == 400 && k.b == 300) centre = true;
    }
    EXPECT_TRUE(centre);
    if (std::system("command -v wmf2svg >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system("wmf2svg -o pic.svg pic.wmf >/dev/null 2>&1"), 0);
    }
}

TEST_F(Editor, AnOpenedScriptDrawsTheSame) {
    open("two.wmf");
    drag(MouseButton::right, 100, 700, 900, 50);
    answers().push_back("TextEdit= note");
    answers().push_back("Okay");
    AnnGraphFm.EditingTextClick();
    click(30, 40);
    answers().push_back("pic");
    AnnGraphFm.SaveAnnClick();
    const std::string script = annScript;
    AnnGraphFm.FormPaint();
    const std::vector<Record> first = AnnGraphFm.screen.records();

    AnnGraphFm.NewClick();
    EXPECT_EQ(annScript, "");
    EXPECT_TRUE(AnnGraphFm.annMetafile.empty());
    answers().push_back("pic.ann");
    AnnGraphFm.Annotation1Click();
    EXPECT_EQ(annScript, script);
    const std::string two = readfile("two.wmf");
    EXPECT_EQ(AnnGraphFm.annMetafile, std::vector<std::uint8_t>(two.begin(), two.end()));
    AnnGraphFm.FormPaint();
    EXPECT_EQ(AnnGraphFm.screen.records(), first);
    // Painted again and again, the text keeps its leading blank and the script stays.
    for (int i = 0; i < 3; ++i) AnnGraphFm.FormPaint();
    EXPECT_EQ(annScript, script);
    EXPECT_NE(annScript.find("anntext 0.03 0.0533333333333333  note\n"), std::string::npos);
}

TEST_F(Editor, ReplayStopsAtALineItDoesNotKnow) {
    struct Case {
        std::string file;
        const char* script;  // the script after the replay
        std::size_t lines;   // segments drawn by it
    } cases[] = {
        {"annline 0 0 1 1\nplot 1 2\nannline 0.5 0.5 1 1\n", "annline 0 0 1 1\n", 1},
        // The echo of the graph commands: blanks before the arrow mark.
        {"annline 0.500 0.000 0.500 1.000  >\n", "annline 0.5 0 0.5 1>\n", 3},
        {"\r\n\tannline 0.1 0.2 0.3 0.4>\r\nanntext 0.5 0.5 a\tb\r\n", "annline 0.1 0.2 0.3 0.4>\nanntext 0.5 0.5 ab\n", 3},
        // A short line counts its missing numbers as 0; the end of the file ends a line.
        {"annline 0.5\nannline 0 0 1", "annline 0.5 0 0 0\nannline 0 0 1 0\n", 2},
        {"annline " + std::string(64, '1') + " 0 0 0\nannline 0 0 1 1\n", "", 0},
        {std::string(64, 'k') + " 0 0\n", "", 0},
        {"anntext 0 0 " + std::string(300, 'x') + "\n", nullptr, 0},
        {"smf", "", 0},
        // A name whose file part begins with blanks is kept without them, as it reads back.
        {"smf c:\\x/  lead.wmf\n", "smf lead.wmf\n", 0},
    };
    for (const Case& c : cases) {
        graphs::resetannotationeditor();
        AnnGraphFm.show();
        writefile("in.ann", c.file);
        const std::size_t from = mark();
        answers().push_back("in.ann");
        AnnGraphFm.Annotation1Click();
        if (c.script) {
            EXPECT_EQ(annScript, c.script) << c.file;
        } else {
            EXPECT_EQ(annScript, "anntext 0 0 " + std::string(300, 'x') + "\n");
        }
        EXPECT_EQ(drawn(from).size(), c.lines) << c.file;
        EXPECT_TRUE(graphs::justLoaded);
    }
}

TEST_F(Editor, AMetafileThatCannotBeReadLeavesThePictureWhite) {
    open("two.wmf");
    writefile("in.ann", "smf c:\\gone\\gone.wmf\nannline 0 0 1 1\n");
    answers().push_back("in.ann");
    AnnGraphFm.Annotation1Click();
    ASSERT_FALSE(notices().empty());
    EXPECT_EQ(notices().back(), "[File Error]\n  Cannot open file gone.wmf.\n  Operation cancelled.\n  <OK>");
    EXPECT_TRUE(AnnGraphFm.annMetafile.empty());
    EXPECT_EQ(annScript, "smf gone.wmf\nannline 0 0 1 1\n");
    EXPECT_EQ(drawn(), (std::vector<Segment>{{0, 0, 1000, 750}}));  // the white box, then the line

    // Neither a missing file nor one that is no metafile is opened; the editor stays as it was.
    writefile("bad.wmf", "not a metafile");
    for (const char* name : {"nosuch.wmf", "bad.wmf"}) {
        open(name);
        EXPECT_EQ(notices().back(), std::string("[File Error]\n  Cannot open file ") + name +
                                        ".\n  Operation cancelled.\n  <OK>");
        EXPECT_EQ(annScript, "smf gone.wmf\nannline 0 0 1 1\n");
        EXPECT_TRUE(graphs::FileErrorDlg.visible);
        graphs::FileErrorDlg.OKBtnClick();
    }
}

TEST_F(Editor, RepaintsKeepTheScriptAfterResizes) {
    drag(MouseButton::left, 300, 225, 600, 450);
    EXPECT_EQ(annScript, "annline 0.3 0.3 0.6 0.6\n");
    AnnGraphFm.FormResize(999, 749);
    EXPECT_EQ(annScript, "annline 0.3 0.3 0.6 0.6\n");
    EXPECT_EQ(drawn(), (std::vector<Segment>{{299, 224, 599, 449}}));  // drawn with whole pixels
    AnnGraphFm.FormResize(1000, 750);
    EXPECT_EQ(annScript, "annline 0.3 0.3 0.6 0.6\n");
    EXPECT_EQ(drawn(), (std::vector<Segment>{{300, 225, 600, 450}}));
    EXPECT_EQ(readfile("Patempfile.ann"), annScript);
    EXPECT_EQ(notices().back(), "[Annotation Editor] jexannot.svg");
    EXPECT_NE(readfile("jexannot.svg").find("viewBox=\"0 0 1000 750\""), std::string::npos);
}

TEST_F(Editor, ARepaintThatCannotWriteItsFileKeepsTheScript) {
    drag(MouseButton::right, 300, 225, 600, 450);
    const std::string script = annScript;
    const std::vector<Record> before = AnnGraphFm.screen.records();
    std::filesystem::create_directory("Patempfile.ann");
    AnnGraphFm.FormResize(1000, 750);
    EXPECT_EQ(annScript, script);
    EXPECT_EQ(AnnGraphFm.screen.records(), before);
    ASSERT_GE(notices().size(), 2u);
    EXPECT_EQ(notices()[notices().size() - 2],
              "[File Error]\n  Cannot open file Patempfile.ann.\n  Operation cancelled.\n  <OK>");
    // Once the file can be written again, the paint replays it.
    std::filesystem::remove("Patempfile.ann");
    AnnGraphFm.FormPaint();
    EXPECT_EQ(annScript, script);
    EXPECT_EQ(readfile("Patempfile.ann"), script);
}

TEST_F(Editor, ShowNewAndExitEmptyTheScript) {
    open("two.wmf");
    drag(MouseButton::left, 1, 2, 3, 4);
    AnnGraphFm.Exit1Click();
    EXPECT_FALSE(AnnGraphFm.visible);
    EXPECT_EQ(annScript, "");
    EXPECT_EQ(AnnGraphFm.caption, "Annotation Editor");
    AnnGraphFm.show();
    EXPECT_TRUE(AnnGraphFm.visible);
    EXPECT_EQ(annScript, "");
    EXPECT_FALSE(AnnGraphFm.annMetafile.empty());  // the picture is shown again
    // A cancelled open changes nothing but ignores the dialog's release.
    answers().push_back("Cancel");
    AnnGraphFm.WindowsMetafile1Click();
    EXPECT_TRUE(graphs::justLoaded);
    EXPECT_EQ(annScript, "");
    // The print dialog prints nothing.
    answers().push_back("OK");
    AnnGraphFm.Print1Click();
    EXPECT_EQ(screen.platform.forms.back().rfind("[Print]", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists("jexprint1.wmf"));
    EXPECT_TRUE(graphs::heldPrintJobs().empty());
}

TEST(AnnotationNames, BaseNames) {
    struct Case {
        const char* name;
        const char* with;
        const char* without;
    } cases[] = {
        {"c:\\proj\\pic.ann", "pic.ann", "pic"},
        {"/home/a/pic.ann", "pic.ann", "pic"},
        {"c:\\x/y\\my.fig.wmf", "my.fig.wmf", "my.fig"},
        {"plain", "plain", "plain"},
        {"dir\\", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(graphs::baseName(c.name, true), c.with) << c.name;
        EXPECT_EQ(graphs::baseName(c.name, false), c.without) << c.name;
    }
    EXPECT_EQ(graphs::stripControls("a\tb\r\nc"), "ab\nc");
}

TEST(AnnotationTextDialog, TakesOneLineOfAtMost254Characters) {
    platform::ScopedScriptedPlatform screen;
    graphs::resetannotationeditor();
    screen.platform.answers = {"TextEdit=" + std::string(300, 'y'), "OKBtn"};
    graphs::TextDlg.show();
    EXPECT_EQ(graphs::pendingAnnText, std::string(254, 'y'));
    EXPECT_EQ(graphs::TextDlg.text("TextEdit"), "");
    EXPECT_FALSE(graphs::TextDlg.visible);
    // Leaving it open stores nothing.
    screen.platform.answers = {"TextEdit=half", "Leave"};
    graphs::pendingAnnText.clear();
    graphs::TextDlg.show();
    EXPECT_EQ(graphs::pendingAnnText, "");
    EXPECT_TRUE(graphs::TextDlg.visible);
    graphs::resetannotationeditor();
}

}  // namespace annot_editor_test
