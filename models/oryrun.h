// The model run dialog "Orrery Run Specification": writes the model's run configuration
// (the model name with ".cfg"), can first show the build and fix dialogs, and runs the run
// batch file through the command interpreter with the simulation's name as its argument.
// The batch editor (its text, Load, Save, Draft and Browse) needs the editor windows and is
// not part of this version; the batch file is taken as it is on disk.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "shell/form.h"

class TORYRunFm : public Form {
public:
    TORYRunFm();
    // Reads a run configuration into the fields and closes the file; `name` is its file name.
    void readRunConfig(std::FILE* file, const std::string& name);
    void LoadBtnClick();
    void OKBtnClick();
    void SimTypeRGClick();
    void HelpButtonClick();

    bool configLoaded = false;
    std::string batchFileName = "Run.Bat";
    // Whether a field, check box or label is enabled (all are, unless named here).
    bool isEnabled(const std::string& name) const { return disabled_.count(name) == 0; }
    bool isChecked(const std::string& name) const;
    void setChecked(const std::string& name, bool on);
    int simType() const { return simTypeRG_->index; }
    void setSimType(int item) { simTypeRG_->index = item; }

protected:
    void activate() override;

private:
    void enable(std::initializer_list<const char*> names, bool on);
    void readSettings();
    std::set<std::string> disabled_;
    std::map<std::string, Check*> checks_;
    Radio* simTypeRG_ = nullptr;
};

// The one run dialog of the program, made at its first use.
TORYRunFm& ORYRunFm();
