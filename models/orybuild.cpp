#include "models/orybuild.h"

#include <cctype>
#include <cstring>
#include <utility>
#include <vector>

#include "banks/startup.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "models/modelfiles.h"

namespace {

const std::vector<ConfigField> fieldSpecs = {
    {"WSBnkEdit", "Name for model bank", "hist.bnk", 70},
    {"HistBankEdit", "Name of default history bank", "macro.bnk", 70},
    {"PathEdit", "Path to files for inclusion", "c:\\kvt", 70},
    {"rd1Edit", "Default Regression Limits,", "1972", 0},
    {"rd2Edit", "Default Regression Limits,", "2008", 0},
    {"rd3Edit", "Default Regression Limits,", "2025", 0},
    {"dbyEdit", "Default Base Year", "1972", 0},
    {"MonthEdit", "First Month", "1", 0},
    {"ObsEdit", "Default Max Obs", "600", 0},
    {"ConvergeEdit", "Do you wish to supply convergence test and subdivision manually?", "n", 70},
    {"GlobalEdit", "Is there a global declaration file \"global.inc\" to be included?", "n", 70},
};

const std::vector<std::string> oryModelBat = {
    "echo Running OryBuild.exe.", "orybuild.exe master", "echo Compiling the Orrery model.",
    "make -frun.mak", "pause"};

std::string lowered(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TOryBldForm::TOryBldForm() : Form("Run OryBuild") {
    addconfigfields(*this, fieldSpecs, [this] { setSaveEnabled(true); });
    Button& ok = button("OKBtn", "&OK");
    ok.onClick = [this] { OKBtnClick(); };
    button("CancelBtn", "&Cancel").onClick = [this] { CancelBtnClick(); };
    button("HelpBtn", "&Help").onClick = [this] { HelpBtnClick(); };
    button("LoadBtn", "&Load").onClick = [this] { LoadBtnClick(); };
    button("SaveBtn", "&Save").onClick = [this] { SaveBtnClick(); };
}

void TOryBldForm::activate() {
    if (buildConfigFile.empty()) return;
    std::FILE* f = std::fopen(buildConfigFile.c_str(), "r");
    if (!f) {
        pausebox("Could not open file", "Error");
        return;
    }
    if (!configLoaded) {
        readBuildConfig(f);  // closes the file
        setSaveEnabled(false);
    } else {
        std::fclose(f);
    }
    configLoaded = true;
}

void TOryBldForm::FormClose() {
    close();
    configLoaded = false;
}

void TOryBldForm::readBuildConfig(std::FILE* file) {
    {
        ConfigSource source;
        char value[80] = "";
        auto entry = [&](const char* name) {
            int r = readcfgentry(value, file);
            if (r == 0 && name) findField(name)->text = cutvalue(value);
            return r;
        };
        // An entry the file no longer holds leaves its field as it was.
        bool more = entry("WSBnkEdit") != 101 && entry(nullptr) != 101 &&
                    entry("HistBankEdit") != 101 && entry(nullptr) != 101 &&
                    entry("PathEdit") != 101 && entry(nullptr) != 101;
        if (more) {
            int r = readcfgentry(value, file);
            if (r == 0) findField("rd1Edit")->text = cutvalue(value);
            if (r != 101) {
                char token[80] = "";
                if (gettoken(token, file, 0, 78) == 'n') findField("rd2Edit")->text = cutvalue(token);
                if (gettoken(token, file, 0, 78) == 'n') findField("rd3Edit")->text = cutvalue(token);
                else findField("rd3Edit")->text = text("rd2Edit");
                for (const char* name : {"dbyEdit", "MonthEdit", "ObsEdit", "ConvergeEdit", "GlobalEdit"})
                    if (entry(name) == 101) break;
            }
        }
    }
    std::fclose(file);
    setSaveEnabled(false);
}

int TOryBldForm::writeBuildConfig() {
    setSaveEnabled(false);
    std::string name = buildConfigFile;
    if (!filedialog("Save", buildConfigFile, name)) {
        setSaveEnabled(true);
        return 27;
    }
    std::string hist = lowered(text("HistBankEdit"));
    findField("HistBankEdit")->text = hist;  // shown lower-cased, not counted as a change
    const char* indexExt = hist.find(".bnk") != std::string::npos   ? ".ind"
                           : hist.find(".hbk") != std::string::npos ? ".hin"
                           : hist.find(".cbk") != std::string::npos ? ".cin"
                                                                    : nullptr;
    if (!indexExt) {
        pausebox("Warning:  invalid extension for the history bank.", "Warning");
        return -1;
    }
    buildConfigFile = name;
    std::string ws = namestem(text("WSBnkEdit"));
    std::vector<std::string> lines = {
        "Name of workspace; " + ws + ".bnk",
        "Name of workspace index; " + ws + ".ind",
        "Name of default; " + hist,
        "Name of default index; " + namestem(hist) + indexExt,
        "Path to files for inclusion; " + text("PathEdit"),
        "Reserved for future use; x",
        "Default regression limits; " + text("rd1Edit") + " " + text("rd2Edit") + " " + text("rd3Edit"),
        "Default base year of workspace file; " + text("dbyEdit"),
        "First month covered; " + text("MonthEdit"),
        "Default maximun number of observations per series in workspace; " + text("ObsEdit"),
        "Do you wish to supply convergence test and subdivision manually?; " + text("ConvergeEdit"),
        "Is there a global declaration file \"global.inc\" to be included?; " + text("GlobalEdit"),
    };
    if (!writedosfile(name, lines)) {
        pausebox("Could not open file", "Error");
        setSaveEnabled(true);
        return -1;
    }
    findField("WSBnkEdit")->text = ws;  // the field shows the name without ".bnk"
    return 0;
}

void TOryBldForm::LoadBtnClick() {
    std::string name = buildConfigFile;
    if (!filedialog("Open", buildConfigFile, name)) name = buildConfigFile;  // Cancel reads it again
    if (name.empty()) return;
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        printout("\nError:  cannot open file \"%s\".\n", name.c_str());
        pausebox("Could not open file", "Error");
        return;
    }
    buildConfigFile = name;
    readBuildConfig(f);
    setSaveEnabled(false);
}

void TOryBldForm::SaveBtnClick() {
    if (writeBuildConfig() == 0) setSaveEnabled(false);
}

void TOryBldForm::OKBtnClick() {
    if (findButton("SaveBtn")->enabled && writeBuildConfig() == -1) return;
    FormClose();
    writeoncerun("orymodel.bat", oryModelBat);
    configLoaded = false;
}

void TOryBldForm::HelpBtnClick() {
    printout("Run OryBuild writes the build configuration (default Build.cfg) that the model\n"
             "builder reads: the model bank and its index, the default history bank and its index,\n"
             "the path to files for inclusion, the default regression limits, base year, first\n"
             "month and maximum number of observations, and the answers about convergence tests\n"
             "and a global declaration file.  OK saves changed fields, then writes orymodel.bat\n"
             "when it is missing and runs it:\n"
             "  echo Running OryBuild.exe.\n  orybuild.exe master\n"
             "  echo Compiling the Orrery model.\n  make -frun.mak\n  pause\n"
             "An existing orymodel.bat is never rewritten, so that it may be edited.\n");
}

TOryBldForm& OryBldForm() {
    static TOryBldForm form;
    return form;
}
