// The two fix dialogs: "MacMender Configuration" for the macro-fix tool and "Mender
// Configuration" for the vector-fix tool. Each edits a four-line configuration file, writes
// its tool's batch file when it is missing and runs it when its run-batch flag is set (the
// run dialog clears the flag, so that only the configuration is written).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "models/modelfiles.h"
#include "shell/form.h"

class TFixFm : public Form {
public:
    // What tells the two dialogs apart.
    struct Kind {
        const char* caption;
        std::vector<ConfigField> fields;     // the four edit boxes in the order of the file lines
        const char* firstExt;                // added to the first field's root on Save
        std::vector<std::string> labels;     // the file lines' labels with their ';' and blanks
        const char *loadName, *saveName, *helpName;
        std::string* configName;
        bool* runBatch;
        const char* batchName;
        std::vector<std::string> batchLines;
        bool closesGroups;                   // the tool may change groups.bin
    };
    explicit TFixFm(const Kind& kind);

    // Reads four entries into the fields and closes the file.
    void readConfig(std::FILE* file);
    // 0 written, 27 save dialog cancelled, -1 not written.
    int saveConfig();
    void LoadClick();
    void OKBtnClick();
    void CancelBtnClick();
    void HelpClick();

    bool configLoaded = false;

protected:
    void activate() override;

private:
    void setSaveEnabled(bool on) { findButton(kind_.saveName)->enabled = on; }
    const Kind& kind_;
};

// The dialogs of the program, made at their first use.
TFixFm& MacFixFm();
TFixFm& VecFixFm();
