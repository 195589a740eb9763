// The revised model run dialog "OryRun" (heading "Orrery Run Form"): writes the fixed run
// configuration orb.cfg and runs the standard run script run.add through this program's own
// command interpreter, with the result banks, the starting banks, the exogenous script and
// the two fix inputs as its arguments %1 to %5. The script copies the banks and calls the
// tools; the run banks are always "tmp".
#pragma once

#include <string>

#include "shell/form.h"

class TORYRunRevForm : public Form {
public:
    TORYRunRevForm();
    void OKBtnClick();
    void CancelBtnClickClick() { FormClose(); }
    void FormClose();
    // Deterministic, Optimizing, Stochastic.
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();

    // The type of run: 0 Deterministic, 1 Optimizing, 2 Stochastic (RadioButton1 to 3).
    int runType() const { return type_->index; }
    // The command that OK ran last ("add run.add ..." with its line end).
    const std::string& lastCommand() const { return command_; }

private:
    Radio* type_ = nullptr;
    std::string command_;
};

// The one revised run dialog of the program, made at its first use.
TORYRunRevForm& ORYRunRevForm();
