// The model build dialog "Run OryBuild": edits the build configuration that the model
// builder reads, writes orymodel.bat when it is missing and runs it.
#pragma once

#include <cstdio>
#include <string>

#include "shell/form.h"

class TOryBldForm : public Form {
public:
    TOryBldForm();
    // 0 written, 27 save dialog cancelled, -1 not written.
    int writeBuildConfig();
    // Fills the fields from an open build configuration and closes the file.
    void readBuildConfig(std::FILE* file);

    void LoadBtnClick();
    void SaveBtnClick();
    void OKBtnClick();
    void CancelBtnClick() { FormClose(); }
    void HelpBtnClick();
    void FormClose();

    bool configLoaded = false;

protected:
    void activate() override;

private:
    void setSaveEnabled(bool on) { findButton("SaveBtn")->enabled = on; }
};

// The one build dialog of the program, made at its first use.
TOryBldForm& OryBldForm();
