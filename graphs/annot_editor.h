// The annotation editor: a saved graph metafile shown over the editor's client area, lines
// (with or without an arrow head) drawn on it with the mouse and texts placed with a click,
// kept as an annotation script (.ann: smf, anntext and annline lines) that is saved, opened
// and replayed, and the picture saved as a new 800 x 600 metafile. What the client area shows
// is a canvas in pixels of the client area; painting it writes jexannot.svg and names it in a
// platform notice. Its two small dialogs: the text to place and the file error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphs/canvas.h"
#include "shell/form.h"

namespace graphs {

// The editor's caption while no metafile is open.
extern std::string annEditorCaption;
// The script of the picture shown: lines of an annotation file, each ending in a newline.
extern std::string annScript;
// The text taken from the text dialog, waiting to be placed.
extern std::string pendingAnnText;
// The next mouse release places pendingAnnText.
extern bool textPlacing;
// The line being recorded gets an arrow head.
extern bool arrowPending;
// Set after a file was opened or the script replayed: the next mouse release that has no
// press on the editor before it is ignored.
extern bool justLoaded;

// Left, Top: the start of the line being drawn; Right, Bottom: its end (Right is -32000
// while no end has been drawn).
struct DragRect {
    int Left = 0, Top = 0, Right = -32000, Bottom = 0;
};

enum class MouseButton { left, right };

class TAnnGraphFm {
public:
    TAnnGraphFm();

    std::string caption = "Annotation Editor";
    bool visible = false;
    int clientWidth = 1000, clientHeight = 750;
    // The metafile shown (its bytes; empty for the empty picture).
    std::vector<std::uint8_t> annMetafile;
    DragRect dragLine;
    bool dragging = false;
    // The rubber band of the line being drawn (from Left, Top to Right, Bottom) is shown.
    bool bandShown = false;
    // The client area as it shows now.
    Canvas screen{1000, 750};

    // The menus.
    void NewClick();
    void WindowsMetafile1Click();  // Open, Metafile
    void Annotation1Click();       // Open, Annotation
    void SaveAnnClick();
    void SaveMetafileClick();
    void Print1Click();
    void EditingTextClick();
    void Exit1Click();

    // The form and the mouse (client coordinates).
    void FormShow();
    void FormPaint();
    void FormResize(int width, int height);
    void FormMouseDown(MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp(MouseButton button, int x, int y);

    // The script.
    void recordText(const std::string& text, double y, double x);
    void recordLine();  // from dragLine over the client area
    void recordLine(double x1, double y1, double x2, double y2);
    void recordMetafile(const std::string& name);
    // Writes the script to Patempfile.ann and replays it from there; false (with the file
    // error) when that file cannot be written or read back, and the script is kept.
    bool replayScript();
    // Replays an annotation file's text line by line, up to its end or the first line it
    // does not know.
    void replayText(std::string_view text);
    void showFileError(const std::string& name);

    // Shown from the Graph menu: shown and painted.
    void show();
    // Writes the client area as it shows (jexannot.svg) and names it in a platform notice.
    void showPicture() const;
    // The client area as a picture of its own size.
    Metafile picture() const;

private:
    class LineReader;
    bool replayLine(LineReader& r);
    void clearScreen();
    void drawMetafile();
    void setPenAndFont();
    void strokeDragLine();
    void drawText(int x, int y, const std::string& text);
};

// The part of a file name after its last '\' or '/', without its extension (from the last
// '.') unless `withExtension`.
std::string baseName(const std::string& name, bool withExtension);
// The text without its tabs and carriage returns.
std::string stripControls(const std::string& text);

// The text dialog ("Edit Text"): the edit box TextEdit (at most 254 characters) and the
// default button OKBtn ("&Okay"). Shown without waiting; on the console an answer that names
// nothing of the form is typed into the edit box and Okay pressed.
class TTextDlg : public Form {
public:
    TTextDlg();
    bool visible = false;
    void OKBtnClick();
    void show();
};

// The file error ("File Error"): Label1, SvorOp and the button OKBtn ("OK"). Shown without
// waiting: on the console its form is a notice.
class TFileErrorDlg : public Form {
public:
    TFileErrorDlg();
    std::string Label1, SvorOp;
    bool visible = false;
    void OKBtnClick();
    void show();
    std::string noticeText() const;
};

extern TAnnGraphFm AnnGraphFm;
extern TTextDlg TextDlg;
extern TFileErrorDlg FileErrorDlg;

// The Graph menu's Annotations: shows the editor.
void showannotationeditor();
// Start values of the editor, its dialogs and the globals above.
void resetannotationeditor();

}  // namespace graphs
