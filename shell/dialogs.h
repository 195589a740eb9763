// The shell's dialogs besides the start-directory dialog: the options dialog, the printer
// set-up, the font and colour dialogs it opens, the folder selection, the about box, the date
// editor and the empty Wren form; and the window geometry rules every dialog uses.
#pragma once

#include <string>

#include "shell/form.h"
#include "shell/mainform.h"

// Keeps at least a 10-pixel strip of a form inside the work area, and the form no larger
// than the work area.
void fitonscreen(Bounds& form, int workWidth, int workHeight);
// The main window's size at creation on a screen of the given width (height, width).
Bounds mainwindowsize(int screenWidth);
// The results window's text size under Auto Font Size for a client width.
int autofontsize(int clientWidth);

// Adds the OK (default) and Cancel buttons to a form, shows it modally, and tells whether OK
// closed it.
bool showokcancel(Form& form);

// The printer set-up: the page orientation used by every print job.
enum class Orientation { portrait, landscape };
extern Orientation printerOrientation;
// The printer set-up form (Portrait / Landscape, OK / Cancel).
void printersetupdialog();

// The font dialog on a font: OK takes the fields, Cancel leaves the font as it was.
void fontdialog(WindowFont& font, const std::string& caption);
// The colour dialog on a colour.
void colordialog(int& color);

// The options dialog (Edit, Options).
class TJex7OptionFm : public Form {
public:
    TJex7OptionFm();
    int pagesWidth = 0;  // width of the page control
    int width = 520;     // the dialog's width
    void FormResize();

protected:
    void activate() override;
};
void showoptions();

// The folder selection dialog: OK makes the edit box's folder the working directory.
class TChDirForm : public Form {
public:
    TChDirForm();
    int top = 0, left = 0;
    void ChDirOKBtnClick();

protected:
    void activate() override;
};
// Change Directory (menu and tool button): the folder selection, then the working directory
// is recorded and printed.
void ChangeDirClick();

// The about box: any answer closes it.
class TAboutBox : public Form {
public:
    TAboutBox();
};
extern const char* const aboutText;

// The date editor: five dates and a frequency, set from the print dates when shown.
struct TDateConfig1 {
    float startDate = 0, endDate = 0, endDate2 = 0, startDate2 = 0, spareDate = 0;
    unsigned char dateFrequency = 0;
    void FormShow();
};

// Wren's Box: a label, an edit box, an OK button and three radio buttons that do nothing.
class TWren1 : public Form {
public:
    TWren1();
};
