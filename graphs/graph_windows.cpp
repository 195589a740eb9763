#include "graphs/graph_windows.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/printout.h"
#include "graphs/graph_command.h"
#include "graphs/svg.h"
#include "graphs/wmf.h"
#include "platform/home.h"
#include "platform/platform.h"

namespace graphs {

TGraphForm GraphForm;
TGrForm GrForm1(1), GrForm2(2);
TBrowseGraph BrowseGraph;
TEasel Easel;
TSaveGrFm SaveGrFm;
int openGraphWindows = 0;
bool graphItemsEnabled = false;

namespace {

// A browsed file larger than this is no metafile of ours.
constexpr std::size_t largestMetafile = 64u << 20;

Bounds scaled(int screenWidth, int width, int height, int top, int left) {
    const float f = static_cast<float>(screenWidth) / 800.0f;
    return Bounds{static_cast<int>(width * f), static_cast<int>(height * f),
                  static_cast<int>(top * f), static_cast<int>(left * f)};
}

}  // namespace

GraphWindow::GraphWindow(std::string caption_, std::int32_t colour_, std::string pictureName,
                         bool menuBar)
    : caption(std::move(caption_)), colour(colour_), pictureName_(std::move(pictureName)),
      menuBar_(menuBar) {}

int GraphWindow::clientWidth() {
    const int w = state() == WindowState::maximized ? platform::workAreaWidth : place().width;
    return std::max(1, w - frameWidth);
}

int GraphWindow::clientHeight() {
    const int h = state() == WindowState::maximized ? platform::workAreaHeight : place().height;
    return std::max(1, h - frameHeight - (menuBar_ ? menuBarHeight : 0));
}

void GraphWindow::show() {
    if (!visible) {
        visible = true;
        FormShow();
    }
    paint();
}

void GraphWindow::close() {
    FormClose();
    visible = false;
}

void GraphWindow::paint() {
    if (visible) showpicture(picture());
}

void GraphWindow::resize(int width, int height) {
    place().width = width;
    place().height = height;
    paint();
}

void GraphWindow::setState(WindowState s) {
    state() = s;
    paint();
}

Metafile GraphWindow::blank(int width, int height) const {
    Canvas c(width, height);
    c.fill(0, 0, width, height, static_cast<std::uint32_t>(colour));
    Metafile m;
    m.width = width;
    m.height = height;
    m.records = c.takeRecords();
    return m;
}

void GraphWindow::showpicture(const Metafile& m) {
    const std::string svg = writesvg(m, clientWidth(), clientHeight());
    bool written = writewholefile(pictureName_ + ".svg", svg.data(), svg.size());
    if (written && writesMetafile) written = savemetafile(m, pictureName_ + ".wmf");
    if (!written) {
        printout("\nError:  cannot write the graph window's picture.\n");
        return;
    }
    platform::current().notice("[" + caption + "] " + pictureName_ + ".svg");
}

TGraphForm::TGraphForm() : GraphWindow("Jex7 Graph", colourWhite, "jexgraph", false) {}

void TGraphForm::FormCreate(int screenWidth) { place() = graphwindowbounds(screenWidth); }

void TGraphForm::FormShow() {
    if (openGraphWindows <= 0) {
        openGraphWindows = 0;
        graphItemsEnabled = true;
    }
    ++openGraphWindows;
}

void TGraphForm::FormClose() {
    openGraphWindows = std::max(0, openGraphWindows - 1);
    if (openGraphWindows == 0) graphItemsEnabled = false;
}

Metafile TGraphForm::picture() { return graphMetafile ? *graphMetafile : blank(); }

TGrForm::TGrForm(int n)
    : GraphWindow("Graph Form " + std::to_string(n), colourButtonFace,
                  "jexgraph" + std::to_string(n), false),
      number(n) {}

void TGrForm::FormCreate(int screenWidth) {
    place() = scaled(screenWidth, 171, 191, 0, number == 1 ? 627 : 455);
}

void TGrForm::FormClose() { (number == 1 ? graphMetafile1 : graphMetafile2).reset(); }

Metafile TGrForm::picture() {
    const std::unique_ptr<Metafile>& slot = number == 1 ? graphMetafile1 : graphMetafile2;
    return slot ? *slot : blank();
}

TBrowseGraph::TBrowseGraph() : GraphWindow("Jex7 Graph Browser", colourWhite, "jexbrowse", true) {
    writesMetafile = false;
}

void TBrowseGraph::FormCreate(int screenWidth) {
    place() = graphwindowbounds(screenWidth);
    fileName.clear();
    caption = baseCaption;
}

std::string TBrowseGraph::fileNameOnly(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool TBrowseGraph::load(Metafile& out) {
    std::vector<std::uint8_t> bytes;
    std::ifstream in(fileName, std::ios::binary);
    bool ok = static_cast<bool>(in);
    if (ok) {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        ok = size >= 0 && static_cast<std::uint64_t>(size) <= largestMetafile;
        if (ok) {
            in.seekg(0);
            bytes.resize(static_cast<std::size_t>(size));
            ok = static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size));
        }
    }
    const int w = clientWidth(), h = clientHeight();
    Canvas c(w, h);
    c.fill(0, 0, w, h, static_cast<std::uint32_t>(colourWhite));
    // The file draws with the device's own pen and brush until it selects its own.
    c.setPen(Pen{});
    c.setBrush(Brush{});
    std::string error;
    if (ok) ok = readwmf(bytes.data(), bytes.size(), c, error) == 0;
    if (!ok) {
        infobox(("Cannot read metafile " + fileName + ".").c_str());
        fileName.clear();
        out = blank(w, h);
        return false;
    }
    out.width = w;
    out.height = h;
    out.records = c.takeRecords();
    return true;
}

void TBrowseGraph::Open1Click() {
    std::string name;
    if (!filedialog("Open Metafile", "", name) || name.empty()) return;
    fileName = name;
    Metafile m;
    if (load(m)) caption = fileNameOnly(name) + " - " + baseCaption;
    if (visible) showpicture(m);
}

void TBrowseGraph::Exit1Click() { close(); }

void TBrowseGraph::FormClose() {
    fileName.clear();
    caption = baseCaption;
}

Metafile TBrowseGraph::picture() {
    Metafile m = blank(clientWidth(), clientHeight());
    if (!fileName.empty()) load(m);
    return m;
}

TEasel::TEasel() : GraphWindow("Jex7 Graph", colourBlue, "jexeasel", false) {}

Metafile TEasel::picture() { return metafile ? *metafile : blank(); }

TSaveGrFm::TSaveGrFm() : Form("Give Filename for Graph") {
    field("Edit1", "Filename for graph", "");
    Button& ok = button("OKBtn", "O&K");
    ok.isDefault = true;
    ok.onClick = [this] {
        result_ = 1;
        close();
    };
    button("CancelBtn", "Cancel").isCancel = true;
}

int TSaveGrFm::showModalResult() {
    result_ = 2;
    showModal();
    return result_;
}

TGrForm& sparewindow(int number) { return number == 1 ? GrForm1 : GrForm2; }

Bounds graphwindowbounds(int screenWidth) { return scaled(screenWidth, 345, 320, 255, 455); }

void creategraphwindows(int screenWidth) {
    for (GraphWindow* w : std::initializer_list<GraphWindow*>{&GraphForm, &GrForm1, &GrForm2,
                                                               &BrowseGraph, &Easel}) {
        w->visible = false;
        w->state() = WindowState::normal;
    }
    GraphForm.FormCreate(screenWidth);
    GraphForm.caption = "Jex7 Graph";
    GrForm1.FormCreate(screenWidth);
    GrForm2.FormCreate(screenWidth);
    BrowseGraph.FormCreate(screenWidth);
    Easel.place() = graphwindowbounds(screenWidth);
    Easel.FormDestroy();
    graphMetafile1.reset();
    graphMetafile2.reset();
    SaveGrFm.setText("Edit1", "");
    openGraphWindows = 0;
    graphItemsEnabled = false;
}

}  // namespace graphs
