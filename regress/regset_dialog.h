// The Regression Settings dialog as a model: its edits, check boxes and radio buttons,
// filled from the regression settings when it is shown and written back by OK. The main
// window's "&Settings" and "Regression Setting" items show it; on the console it is shown
// and answered through the platform's dialogs (regsetdialog).
#pragma once

#include <string>

class TRegSetFm {
public:
    static constexpr const char* caption = "Regression Settings";
    static constexpr const char* Label1 = "Start fit";
    static constexpr const char* Label2 = "End fit";
    static constexpr const char* Label3 = "End test or forecast";
    static constexpr const char* Label4 = "of 2SLS";

    // Fills the controls from the settings.
    void FormShow();
    // Writes the controls back into the settings and closes.
    void OKBtnClick();
    // Closes without changing anything.
    void CancelBtnClick() {}

    // Edits.
    std::string StartFit, EndFit, EndTest;
    // Check boxes.
    bool cbShowT = false;       // "Show t and F values"
    bool cbMode = false;        // "Forecast mode"
    bool cbCmtype = false;      // "Show relations among independent variables"
    bool cbStochastic = false;  // "Save results for stochastic simulation"
    bool cbZip = false;         // "Zip"
    bool cbSecond = false;      // "Second stage "
    // RadioGroup1 "Normality tests".
    bool rbNone = true;         // "None"
    bool rbJB = false;          // "Jarque-Bera test "
    bool rbFull = false;        // "Full"
};

extern TRegSetFm RegSetFm;

// Shows the dialog through the platform: each edit as a text box (an unanswered box keeps
// the field), each check box and the normality group as a choice, then OK or Cancel
// (Cancel when nobody answers). Returns 1 after OK, 0 after Cancel.
int regsetdialog();
