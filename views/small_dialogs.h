// The three small forms the editors and grids share: the save question, the not-found notice
// and the copy options of the grids. Each is made once and shown modally by its users; the
// copy options keep what was chosen from one Copy to the next.
#pragma once

#include "shell/form.h"

// Modal results of the save question: 6 save, 7 do not save, anything else cancels.
enum SaveAnswer { saveYes = 6, saveNo = 7, saveCancel = 2 };

// "Save Query": Yes (the default, Enter), No, Cancel (Escape).
class TSaveQuFm : public Form {
public:
    TSaveQuFm();
    // Shows the question and returns the modal result.
    int ask();
    int modalResult = saveCancel;
};

// "Sorry, Not Found": the notice of a search that found nothing; OK closes it.
class TSorryFm : public Form {
public:
    TSorryFm();
    void FormShow() {}  // the OK button takes the focus: nothing to do on a console
    void OKSorryClick() { close(); }
    // Enables the form, shows it modally and disables it again, as its users do.
    void notfound();
    bool enabled = false;
};

// "Copy options": what the grids' Copy puts on the clipboard.
class TShowCopy : public Form {
public:
    TShowCopy();
    // Shows the dialog; every way of closing it counts (it has only OK).
    void ask();
    bool cbIncTitle() const;
    bool cbIncRowHeaders() const;
    bool cbIncColHeaders() const;
    bool rbScientific() const;

private:
    Form::Check* title_;
    Form::Check* rows_;
    Form::Check* cols_;
    Form::Radio* notation_;
};

extern TSaveQuFm SaveQuFm;
extern TSorryFm SorryFm;
extern TShowCopy ShowCopy;
