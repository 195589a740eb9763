// The windows that show graphs: the graph window, which shows the current graph; the two spare
// windows, which show the graphs shifted out of it; the graph browser, which shows metafiles
// read from files; the easel, a spare canvas window; and the small dialog that asks for the
// name of a graph file. Each draws one metafile stretched over its whole client area.
//
// On the console a window shows its picture by writing it into the working directory: the
// metafile as <name>.wmf (not the browser's) and its SVG drawn at the window's client size as
// <name>.svg, named in a platform notice "[<caption>] <name>.svg" (never in the results).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphs/canvas.h"
#include "shell/form.h"
#include "shell/mainform.h"

namespace graphs {

// The frame around a window's client area, in pixels: both side borders together; the
// caption bar with the top and bottom borders; a menu bar.
constexpr int frameWidth = 8, frameHeight = 27, menuBarHeight = 20;

// Window colours: white, the button face, blue.
constexpr std::int32_t colourWhite = 16777215, colourButtonFace = 15790320, colourBlue = 16711680;

class GraphWindow {
public:
    GraphWindow(std::string caption, std::int32_t colour, std::string pictureName, bool menuBar);
    virtual ~GraphWindow() = default;
    GraphWindow(const GraphWindow&) = delete;
    GraphWindow& operator=(const GraphWindow&) = delete;

    std::string caption;
    const std::int32_t colour;
    bool visible = false;

    // The window's normal placement and its state.
    virtual Bounds& place() { return place_; }
    virtual WindowState& state() { return state_; }
    // The client area: the normal placement, or the whole work area when maximised, less the
    // frame (at least one pixel each way).
    int clientWidth();
    int clientHeight();

    // Shows the window (its show handler runs when it was hidden) and paints it.
    void show();
    // Closes the window: its close handler runs, hidden or not, and it is hidden.
    void close();
    // Writes the picture of what the window shows.
    void paint();
    // A new size (the placement keeps its top and left); a shown window repaints.
    void resize(int width, int height);
    // Maximised or normal; a shown window repaints.
    void setState(WindowState s);

    const std::string& pictureName() const { return pictureName_; }

protected:
    virtual void FormShow() {}
    virtual void FormClose() {}
    // What the client area shows: a metafile stretched over it.
    virtual Metafile picture() = 0;
    // The client area in the window's colour with nothing drawn on it.
    Metafile blank(int width = 1500, int height = 1125) const;
    // Writes the picture: the metafile (unless the window keeps none) and the SVG at the
    // client size, then the notice.
    void showpicture(const Metafile& m);
    bool writesMetafile = true;

private:
    Bounds place_;
    WindowState state_ = WindowState::normal;
    std::string pictureName_;
    bool menuBar_;
};

// The graph window "Jex7 Graph": the current graph (graphMetafile). Its placement and state
// are the main window's record of them (Main.graphForm), which the settings file fills.
class TGraphForm : public GraphWindow {
public:
    TGraphForm();
    Bounds& place() override { return Main.graphForm; }
    WindowState& state() override { return Main.graphFormState; }
    // Size and place at creation for a screen of the given width.
    void FormCreate(int screenWidth);

protected:
    // The first showing of the window enables the Graph menu's Save, Shift1, Shift2 and
    // Print; closing the last one disables them.
    void FormShow() override;
    void FormClose() override;
    Metafile picture() override;
};

// The spare graph windows "Graph Form 1" and "Graph Form 2": the graph shifted to them.
class TGrForm : public GraphWindow {
public:
    explicit TGrForm(int number);
    void FormCreate(int screenWidth);
    const int number;

protected:
    // Closing the window releases its graph.
    void FormClose() override;
    Metafile picture() override;
};

// The graph browser "Jex7 Graph Browser": a metafile read from a file at every painting.
class TBrowseGraph : public GraphWindow {
public:
    TBrowseGraph();
    const std::string baseCaption = "Jex7 Graph Browser";
    std::string fileName;  // the open dialog's file name; empty: nothing to show

    void FormCreate(int screenWidth);
    // Open: the open dialog; a confirmed file is read and shown, the caption becomes its name
    // without the directory, " - " and the base caption. A file that cannot be read as a
    // metafile gives the box "Cannot read metafile <name>." and draws nothing.
    void Open1Click();
    // Exit: as closing the window, then the window closes.
    void Exit1Click();
    // The text after the last backslash or slash.
    static std::string fileNameOnly(const std::string& path);

protected:
    void FormClose() override;
    Metafile picture() override;

private:
    // Reads the file and plays it over the client area (cleared to white); false, after the
    // box, when it cannot be read, and then the file name is dropped.
    bool load(Metafile& out);
};

// The easel: a blue canvas window "Jex7 Graph" that would draw a metafile of its own; nothing
// in the system gives it one.
class TEasel : public GraphWindow {
public:
    TEasel();
    std::unique_ptr<Metafile> metafile;  // owned while it is held
    void FormDestroy() { metafile.reset(); }

protected:
    Metafile picture() override;
};

// The dialog "Give Filename for Graph": the label "Filename for graph", the edit Edit1, O&K
// (modal result 1, the default) and Cancel (2, the cancel button).
class TSaveGrFm : public Form {
public:
    TSaveGrFm();
    // Shows it modally; 1 when OK closed it, else 2.
    int showModalResult();

private:
    int result_ = 2;
};

extern TGraphForm GraphForm;
extern TGrForm GrForm1, GrForm2;
extern TBrowseGraph BrowseGraph;
extern TEasel Easel;
extern TSaveGrFm SaveGrFm;

// Showings of the graph window not closed yet (a negative count counts as 0).
extern int openGraphWindows;
// The Graph menu's Save, Shift1, Shift2 and Print are enabled.
extern bool graphItemsEnabled;

// The spare window 1 or 2.
TGrForm& sparewindow(int number);
// The graph window's size and place at creation on a screen of the given width: 345, 320,
// 255 and 455 times width / 800 (width, height, top, left), each truncated.
Bounds graphwindowbounds(int screenWidth);
// Creates the windows for a screen of the given width: sized and placed, hidden, without
// graphs, the browser without a file, the menu items that need a graph disabled.
void creategraphwindows(int screenWidth);

}  // namespace graphs
