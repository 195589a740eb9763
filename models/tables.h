// The tables dialog "Specify Banks, Stub, and Output File for Tables": up to ten banks with
// their kinds, the stub and the output file, written to tables.in for the table tool, whose
// batch file tabrun.bat is written when missing and run.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "shell/form.h"

class TTablesFm : public Form {
public:
    TTablesFm();
    // Reads a tables file into the controls and closes the file; the input state is put back.
    void readConfig(std::FILE* file);
    void OKBtnClick();
    void LoadBtnClick();
    void BrowseCfgButtonClick();

    bool configLoaded = false;
    // The banks OK gathered: kind code (1 to 5) and root name.
    std::vector<std::pair<int, std::string>> banks;
    int kind(int row) const;  // rows 1 to 10: the selected item of BT<row>, 0 for the empty one
    int display() const { return display_->index; }
    void setDisplay(int item) { display_->index = item; }

protected:
    void activate() override;

private:
    std::vector<Radio*> kinds_;
    Radio* display_ = nullptr;
};

// The one tables dialog of the program, made at its first use.
TTablesFm& TablesFm();
