// The look window: the stub file of one assigned bank (its series names and descriptions, one
// a line), numbered from 0. A number picks that line: the series of the bank is printed over
// whole years of the print dates and graphed, with the line as the title. Home, Find and
// Find Again (F3) search the lines. There is one look window; the look command and the Bank
// menu's Look at a Bank show it, and closing its bank's slot closes it.
#pragma once

#include <string>
#include <vector>

#include "shell/form.h"
#include "views/view_window.h"

// The index of the line picked last (0 after a stub file is loaded); kept when the window
// closes.
extern int lookLineIndex;

class TLookForm2 : public ViewWindow {
public:
    TLookForm2();

    std::string LastFindText;
    int BankIndex = -1;
    bool LoadStubFile = false;
    bool CloseRequested = false;
    bool FindDialogOpen = true;

    std::vector<std::string> lines;  // the list
    int selected = -1;               // the list's selected line, -1 none

    // For a slot 0..25 sets BankIndex and returns it; -1 (nothing changed) otherwise.
    int setBankIndex(int slot);
    // Prints and graphs the series of the selected line.
    void typeSelectedSeries();
    // Shows the window for the look operations: loads the stub file of defaultBankPath; a
    // missing file closes the window again at once.
    void showForLook();

    void FormActivate();
    void LookWinClick(int line);
    void LookHomeClick();
    void LookFindClick();
    void LookFindDlgFind();
    void FindAgainClick();

    std::string consoleText() const override;
    void activate() override { FormActivate(); }

protected:
    bool choice(const std::string& word) override;
    bool closing() override;  // FormClose

private:
    Form find_;  // the find dialog: its text, match case and direction
    Form::Check* matchCase_ = nullptr;
    Form::Radio* direction_ = nullptr;
    bool findShowing_ = false;     // the find dialog is being shown
    bool findAgainShown_ = false;  // a search asked for the dialog to be shown again
};
extern TLookForm2 LookForm2;

// The stub file's name for a bank's data file: the file name's extension replaced by ".stb".
std::string stubfilename(const std::string& bankPath);

// The close of bank slot s: the look window showing that slot closes.
void lookslotclosed(int slot);
