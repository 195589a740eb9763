// The start-directory and configuration dialog Tjexconfig3: it changes to the remembered
// directory, loads the jex.cfg found there (or default values), and saves the entries as a
// new jex.cfg. The main window shows a fresh one at start, wsreset the one made at start.
#pragma once

#include <cstdio>
#include <string>

#include "shell/form.h"

class Tjexconfig3 : public Form {
public:
    Tjexconfig3();

    // Fills the fields from an open jex.cfg (closed here), or the defaults when null.
    void loadConfigFile(std::FILE* file);
    // The buttons.
    void OKButtonClick();
    void SaveButtonClick();
    void LoadButtonClick();
    void Button1Click();  // "&Default Values"
    void Button2Click();  // "&Help"
    void FormClose();

    bool configLoaded = false;
    std::string pwd;             // the label PWD: the present working directory
    std::string jexOpenDlgName;  // the browse dialog's file name
    std::string wbi, dbi, path;  // hidden entries

protected:
    void activate() override;

private:
    void changed();
    void afterfile();
    void setsave(bool enabled);
};

// The dialog made at start (shown by wsreset).
Tjexconfig3& jexconfig3();
// The main window's start: skipped when the start directory holds jex.cfg (that directory is
// recorded as the dialog would record it) and in a batch run with no answer queued (nothing
// happens); otherwise a fresh dialog is shown modally.
void startdirectorydialog();
// wsreset: the dialog made at start, shown modally unless the run is a batch run with no
// answer queued.
void showconfigdialog();
