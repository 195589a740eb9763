// The run control dialog "Run Options": runs a macro model in one step through "_go.bat",
// written anew each time (base workspace copied to the run workspace, the model run, the run
// workspace copied to the results bank).
#pragma once

#include "shell/form.h"

class TRunForm : public Form {
public:
    TRunForm();
    void OKBtnClick();
    void TypeClick();
    bool isShown(const char* name) const;

protected:
    void activate() override;  // the four fields from the settings

private:
    Radio* type_ = nullptr;
    Check *addErr_ = nullptr, *coefErr_ = nullptr;
};

// The wait before the run, in milliseconds (tests set 0).
extern int runControlWaitMs;

// The one run control dialog of the program, made at its first use.
TRunForm& RunForm();
