// The model run dialog "Orrery Run Specification": writes the model's run configuration
// (the model name with ".cfg"), can first show the fix dialogs, and runs the run batch file
// through the command interpreter with the simulation's name as its argument. Its batch
// editor holds the batch file's text: loaded at activation, changed, drafted from the fields
// ("Draft Batch File"), saved, and chosen by Browse.
//
// On the console the editor's lines follow the form's fields, numbered from 1, and take these
// answers beside the form's own: "Edit.N=text" gives line N the text (N one past the last
// line adds a line), "Select=N" or "Select=N-M" selects whole lines, "Caret=N" puts the caret
// at the start of line N (one past the last line: at the end) and "Select=" selects nothing;
// the pop-up menu's Cut, Copy and Paste act on the selection.
#pragma once

#include <cstdio>
#include <set>
#include <string>

#include "models/batchtext.h"
#include "shell/form.h"

// The editor's text differs from the batch file.
extern bool batchModified;

class TORYRunFm : public Form {
public:
    TORYRunFm();
    // Reads a run configuration into the fields and closes the file; `name` is its file name.
    void readRunConfig(std::FILE* file, const std::string& name);
    void LoadBtnClick();
    void OKBtnClick();
    void SimTypeRGClick();
    void HelpButtonClick();

    // The batch editor.
    void EditBtnClick();          // loads the batch file
    int SaveBtnClick();           // 0 saved, 27 save dialog cancelled, -1 not written
    void BatchSearchBtnClick();   // Browse
    void CreateBatBtnClick();     // Draft Batch File
    void CutClick() { edit.cut(); }
    void CopyClick() { edit.copy(16383); }
    void PasteClick() { edit.paste(); }
    void EditSaveClipboard() { edit.copy(); }

    std::string consoleText() const override;
    bool answer(const std::string& word) override;

    bool configLoaded = false;
    std::string batchFileName = "Run.Bat";
    BatchText edit;
    // The hidden "Configure and Run OryBuild": nothing shows it, so nobody checks it.
    bool orybChecked = false;
    // Whether a field, check box or label is enabled (all are, unless disabled here).
    bool isEnabled(const std::string& name) const { return disabled_.count(name) == 0; }
    bool isChecked(const std::string& name) { return findCheck(name)->checked; }
    void setChecked(const std::string& name, bool on) { findCheck(name)->checked = on; }
    int simType() const { return simTypeRG_->index; }
    void setSimType(int item) { simTypeRG_->index = item; }

protected:
    void activate() override;

private:
    void enable(std::initializer_list<const char*> names, bool on);
    void readSettings();
    void setSaveEnabled(bool on) { findButton("SaveBtn")->enabled = on; }
    std::set<std::string> disabled_;
    Radio* simTypeRG_ = nullptr;
};

// The one run dialog of the program, made at its first use.
TORYRunFm& ORYRunFm();
