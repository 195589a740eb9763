#include "models/fixforms.h"

#include "banks/startup.h"
#include "core/printout.h"
#include "vam/groups.h"

namespace {

const TFixFm::Kind macKind = {
    "MacMender Configuration",
    {{"MacFixEd", "Name of input fix file (Omit .mfx, which will be added.)", "Macrofix", 70},
     {"OutEd", "Name of macrofixes bank, the output of MacMender. (Omit .bnk, which will be added.)",
      "MacFixes", 70},
     {"JexBankEd", "Name of model's Jex bank of  macro variables.   (Omit .bnk, which will be added.)",
      "hist", 70},
     {"CheckEd", "Check file (Omit .chk, which will be added.)", "MacMender", 70}},
    ".mfx",
    {"Input fix file    ;", "Output fixes bank ;", "Model Jex bank    ;", "Output check file ;"},
    "BitBtn1", "BitBtn2", "Button2",
    &macFixConfigFile, &macFixRunBatch,
    "MacMender.bat", {"echo Running MacMender.exe.", "MacMender.exe", "pause"},
    false,
};

const TFixFm::Kind vecKind = {
    "Mender Configuration",
    {{"TextInEd", "Name of input fix file (Omit .vfx, which will be added)", "vectors", 0},
     {"OutEd", "Output fix index file (Omit .fin, which will be added)", "vecfixes", 0},
     {"VamEd", "Model vam file (Omit .vam, which will be added)", "hist", 0},
     {"CheckEd", "Text check file (Omit .chk, which will be added)", "mender", 0}},
    ".vfx",
    {"Text input file; ", "Fix index file;  ", "VAM reference;   ", "Text check file; "},
    "LoadBtn", "SaveBtn", "HelpButton",
    &vecFixConfigFile, &vecFixRunBatch,
    "Mender.bat", {"echo Running Mender.exe.", "Mender.exe", "pause"},
    true,
};

}  // namespace

TFixFm::TFixFm(const Kind& kind) : Form(kind.caption), kind_(kind) {
    addconfigfields(*this, kind.fields, [this] { setSaveEnabled(true); });
    button("OKBtn", "&OK").onClick = [this] { OKBtnClick(); };
    button("CancelBtn", "&Cancel").onClick = [this] { CancelBtnClick(); };
    button(kind.helpName, "&Help").onClick = [this] { HelpClick(); };
    button(kind.loadName, "&Load").onClick = [this] { LoadClick(); };
    button(kind.saveName, "&Save").onClick = [this] {
        if (saveConfig() == 0) setSaveEnabled(false);
    };
    *kind.runBatch = true;
}

void TFixFm::activate() {
    const std::string& name = *kind_.configName;
    if (name.empty()) return;
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        pausebox("Could not open file", "Error");
        return;
    }
    if (!configLoaded) readConfig(f);  // closes the file
    else std::fclose(f);
    configLoaded = true;
}

void TFixFm::readConfig(std::FILE* file) {
    {
        ConfigSource source;
        char value[80] = "";
        for (const ConfigField& s : kind_.fields) {
            int r = readcfgentry(value, file);
            if (r == 101) break;  // an entry the file no longer holds leaves its field alone
            if (r == 0) findField(s.name)->text = cutvalue(value, ".");
        }
    }
    std::fclose(file);
    setSaveEnabled(false);
}

int TFixFm::saveConfig() {
    setSaveEnabled(false);
    std::string name = *kind_.configName;
    if (!filedialog("Save", *kind_.configName, name)) {
        setSaveEnabled(true);
        return 27;
    }
    *kind_.configName = name;
    // Roots of any length, the extensions added again to the first and the last.
    std::vector<std::string> values;
    for (const ConfigField& s : kind_.fields) values.push_back(namestem(text(s.name)));
    values[0] += kind_.firstExt;
    values[3] += ".chk";
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < values.size(); ++i) lines.push_back(kind_.labels[i] + values[i]);
    if (name.empty() || !writedosfile(name, lines)) {
        pausebox("Could not open file", "Error");
        setSaveEnabled(true);
        return -1;
    }
    for (std::size_t i = 0; i < values.size(); ++i) findField(kind_.fields[i].name)->text = values[i];
    return 0;
}

void TFixFm::LoadClick() {
    std::string name = *kind_.configName;
    if (!filedialog("Open", *kind_.configName, name)) name = *kind_.configName;  // Cancel reads it again
    if (name.empty()) return;
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        pausebox("Could not open file", "Error");
        return;
    }
    *kind_.configName = name;
    readConfig(f);
}

void TFixFm::OKBtnClick() {
    if (findButton(kind_.saveName)->enabled) saveConfig();  // a failed save does not stop OK
    close();
    if (kind_.closesGroups) closegrouphome();  // the tool may rewrite groups.bin
    bool run = *kind_.runBatch;
    if (batchpresent(kind_.batchName) || writedosfile(kind_.batchName, kind_.batchLines)) {
        if (run) runBatch(kind_.batchName, RunMode::spawn);
    } else {
        printout("Cannot open %s.\n", kind_.batchName);
    }
    configLoaded = false;
    *kind_.runBatch = true;
    if (kind_.closesGroups) opengrouphome();
}

void TFixFm::CancelBtnClick() {
    configLoaded = false;
    *kind_.runBatch = true;
    close();
}

void TFixFm::HelpClick() {
    std::string help = kind_.caption;
    help += " writes the tool's configuration file (default " + *kind_.configName +
            "): the input fix file, the output, the model's bank and the check file, each given "
            "without its extension.  OK saves changed fields, then writes " + kind_.batchName +
            " when it is missing and runs it:\n";
    for (const std::string& line : kind_.batchLines) help += "  " + line + "\n";
    help += "An existing " + std::string(kind_.batchName) + " is never rewritten, so that it may be edited.\n";
    printout("%s", help.c_str());
}

TFixFm& MacFixFm() {
    static TFixFm form(macKind);
    return form;
}

TFixFm& VecFixFm() {
    static TFixFm form(vecKind);
    return form;
}
