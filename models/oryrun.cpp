#include "models/oryrun.h"

#include <cstdlib>
#include <tuple>
#include <vector>

#include "core/printout.h"
#include "models/fixforms.h"
#include "models/modelfiles.h"
#include "models/orybuild.h"
#include "models/rundraft.h"
#include "platform/platform.h"
#include "shell/mainform.h"

bool batchModified = false;

namespace {

const std::vector<ConfigField> runFields = {
    {"TitleEd", "Title of run", "Demonstration ", 70},
    {"StartEd", "Start date", "1995", 70},
    {"EndEd", "End date", "2010", 70},
    {"MacEqStartEd", "Macro Eq Start date", "2003", 70},
    {"DiscrepEd", "Discrepancy year", "1995", 70},
    {"VecFixEd", "Vector Fixes File", "Vecfixes", 70},
    {"MacFixEd", "Macro Fixes File", "Macfixes", 70},
    {"RunEd", "Forecast Bank Root Name", "base", 70},
    {"DebugEd", "Start Debug in Year", "3200", 70},
    {"MaxItEd", "Maximum Iterations", "100", 70},
    {"OptEdit", "Optimization specification file", "OptSpec.opt", 70},
    {"HistBankName", "Historical Bank Root Name, if different than the Forecast Bank", "hist", 70},
    {"ModelEd", "Model File Name:", "orb", 70},
    {"SimBankName", "Store Simulation as:", "sim", 70},
    {"ExogFileName", "EXOG --  root name of the .xog file:", "", 70},
    {"Edit1", "Number of runs", "50", 70},
};

// Lines 1 to 12 of the run configuration: label, field (the check box for line 6), the
// reader's maximum value length.
struct RunLine {
    const char *label, *field;
    short n;
};
const RunLine runLines[] = {
    {"Title of run   ;", "TitleEd", 76},     {"Start year     ;", "StartEd", 4},
    {"Finish year    ;", "EndEd", 4},        {"Start MacEq yr ;", "MacEqStartEd", 4},
    {"Discrepancy yr ;", "DiscrepEd", 4},    {"Use all data?  ;", "UseAllCb", 3},
    {"VecFix file    ;", "VecFixEd", 60},    {"MacroFix file  ;", "MacFixEd", 60},
    {"Vam file       ;", "RunEd", 60},       {"Jex bank       ;", "RunEd", 60},
    {"Debug start yr ;", "DebugEd", 5},      {"Max iterations ;", "MaxItEd", 3},
};

bool saysyes(const char* value) { return value[0] == 'y' || value[0] == 'Y'; }

void box(const char* text, const char* caption) {
    platform::current().messageBox(text, caption, platform::Buttons::Ok);
}

// A batch file's name with ".bat" when it has no '.'.
std::string withbat(const std::string& name) {
    return name.find('.') == std::string::npos ? name + ".bat" : name;
}

// A line number of the editor's answers: digits only, from 1.
bool linenumber(const std::string& s, std::size_t& n) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    n = std::stoul(s);
    return n >= 1;
}

}  // namespace

TORYRunFm::TORYRunFm() : Form("Orrery Run Specification") {
    addconfigfields(*this, runFields, [] {});
    for (auto [name, caption, on] : {std::tuple{"UseAllCb", "Use All Data", true},
                                     {"AddErrCB", "Additive errors", true},
                                     {"CoefCB", "Coefficient errors", true},
                                     {"MFCheckBox", "Configure MacMender", false},
                                     {"VFCheckBox", "Configure VecMender", false}})
        check(name, caption, on);
    simTypeRG_ = &radio("SimTypeRG", "Type of Simulation", {"Deterministic", "Stochastic", "Optimizing"});
    simTypeRG_->onClick = [this] { SimTypeRGClick(); };
    setSimType(0);
    enable({"OptEdit", "OptLabel"}, false);
    button("OKBtn", "&OK").onClick = [this] { OKBtnClick(); };
    button("CancelBtn", "&Cancel").onClick = [this] { close(); };
    button("HelpButton", "&Help").onClick = [this] { HelpButtonClick(); };
    button("LoadBtn", "&Load Config from file").onClick = [this] { LoadBtnClick(); };
    button("BatchSearchBtn", "Browse").onClick = [this] { BatchSearchBtnClick(); };
    button("SaveBtn", "Save Batch File").onClick = [this] { SaveBtnClick(); };
    setSaveEnabled(false);  // nothing to save before the editor changes
    button("CreateBatBtn", "Draft Batch File").onClick = [this] { CreateBatBtnClick(); };
    // The editor's pop-up menu.
    button("Cut", "Cut").onClick = [this] { CutClick(); };
    button("Copy", "Copy").onClick = [this] { CopyClick(); };
    button("Paste", "Paste").onClick = [this] { PasteClick(); };
    edit.onChange = [this] {  // EditChange
        setSaveEnabled(true);
        batchModified = true;
    };
}

void TORYRunFm::enable(std::initializer_list<const char*> names, bool on) {
    for (const char* n : names) {
        if (on) disabled_.erase(n);
        else disabled_.insert(n);
        if (Field* f = findField(n)) f->enabled = on;
        if (Check* c = findCheck(n)) c->enabled = on;
    }
}

void TORYRunFm::SimTypeRGClick() {
    int item = simType();
    enable({"OptEdit", "OptLabel"}, item == 2);
    enable({"Edit1", "AddErrCB", "CoefCB", "Label11"}, item == 1);
    if (item == 2 && text("OptEdit") == "none") findField("OptEdit")->text = "OptSpec.opt";
}

void TORYRunFm::readSettings() {
    findField("HistBankName")->text = lastModelHistName;
    findField("SimBankName")->text = lastModelSimName;
    findField("ExogFileName")->text = exogFileName;
}

void TORYRunFm::activate() {
    if (lastModelRun.empty()) return;
    std::string name = lastModelRun + ".cfg";
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        pausebox("Could not open file", "Error");
        return;
    }
    if (!configLoaded) {
        readRunConfig(f, name);
        readSettings();
    } else {
        std::fclose(f);
    }
    configLoaded = true;
    if (batchFileName.empty()) batchFileName = "Run.Bat";
    // The batch file is loaded again at each activation, unless the editor holds changes
    // not yet saved: they are kept.
    std::FILE* batch = std::fopen(batchFileName.c_str(), "r");
    if (!batch) return;
    std::fclose(batch);
    if (!batchModified) EditBtnClick();
}

void TORYRunFm::readRunConfig(std::FILE* file, const std::string& name) {
    findField("ModelEd")->text = filestem(name);
    char value[240];
    int errors = 0;
    for (const RunLine& l : runLines) {
        if (readconfigline(file, value, l.n) != 0) {
            ++errors;  // the field keeps its text
            continue;
        }
        if (std::string(l.field) == "UseAllCb") setChecked("UseAllCb", saysyes(value));
        else findField(l.field)->text = value;
    }
    auto fail = [&] {
        printout("Error in reading configuration file.\n");
        std::fclose(file);
    };
    if (errors) return fail();
    if (readconfigline(file, value, 239) != 0) return fail();
    if (std::string(value) != "none") {
        setSimType(2);
        enable({"OptEdit", "OptLabel"}, true);
        enable({"Edit1", "AddErrCB", "CoefCB", "Label11"}, false);
        findField("OptEdit")->text = value;
        std::fclose(file);
        return;
    }
    if (readconfigline(file, value, 5) != 0) return fail();
    enable({"OptEdit", "OptLabel"}, false);
    findField("OptEdit")->text = "none";
    if (std::atoi(value) < 1) {
        setSimType(0);
        findField("Edit1")->text = "50";
        setChecked("AddErrCB", false);
        setChecked("CoefCB", false);
        enable({"Edit1", "AddErrCB", "CoefCB", "Label11"}, false);
        std::fclose(file);
        return;
    }
    setSimType(1);
    findField("Edit1")->text = value;
    enable({"Edit1", "AddErrCB", "CoefCB", "Label11"}, true);
    if (readconfigline(file, value, 3) != 0) return fail();
    setChecked("AddErrCB", saysyes(value));
    if (readconfigline(file, value, 3) != 0) return fail();
    setChecked("CoefCB", saysyes(value));
    std::fclose(file);
}

void TORYRunFm::LoadBtnClick() {
    std::string name;
    std::FILE* f = openchosen(lastModelRun + ".cfg", name);
    if (!f) return;
    readRunConfig(f, name);
    readSettings();
}

void TORYRunFm::OKBtnClick() {
    // The fix dialogs write their configurations; the batch file runs their tools later.
    if (orybChecked) OryBldForm().showModal(false);
    if (isChecked("MFCheckBox")) {
        macFixRunBatch = false;
        MacFixFm().showModal(false);
    }
    if (isChecked("VFCheckBox")) {
        vecFixRunBatch = false;
        VecFixFm().showModal(false);
    }
    for (const char* n : {"TitleEd", "VecFixEd", "MacFixEd", "RunEd", "OptEdit", "HistBankName", "ModelEd",
                          "SimBankName"}) {
        std::string& t = findField(n)->text;
        t.erase(0, t.find_first_not_of(' ') == std::string::npos ? t.size() : t.find_first_not_of(' '));
    }
    int type = simType();
    bool stochastic = type == 1;
    std::vector<std::string> lines;
    for (const RunLine& l : runLines)
        lines.push_back(l.label + (std::string(l.field) == "UseAllCb" ? std::string(isChecked("UseAllCb") ? "yes" : "no")
                                                                      : text(l.field)));
    lines.push_back("Optimization specification file; " + (type == 2 ? text("OptEdit") : std::string("none")));
    lines.push_back("Number of random draws; " + (stochastic ? text("Edit1") : std::string("0")));
    lines.push_back(std::string("Additive random errors; ") + (stochastic && isChecked("AddErrCB") ? "yes" : "no"));
    lines.push_back(std::string("Random coefficients; ") + (stochastic && isChecked("CoefCB") ? "yes" : "no"));
    std::string cfg = text("ModelEd") + ".cfg";
    if (!writedosfile(cfg, lines)) {
        printout("Cannot open %s\n", cfg.c_str());
        return;
    }
    lastModelRun = text("ModelEd");
    lastModelHistName = text("HistBankName");
    lastModelSimName = text("SimBankName");
    exogFileName = text("ExogFileName");
    // Unsaved changes of the editor are saved first; a cancelled save dialog runs the batch
    // file as it is on disk, one that could not be written runs nothing.
    if (findButton("SaveBtn")->enabled && SaveBtnClick() == -1) return;

    std::string batch = batchFileName;
    std::FILE* f = std::fopen(batch.c_str(), "r");
    if (f) {
        std::fclose(f);
    } else {
        f = std::fopen("Run.Bat", "r");
        if (!f) {
            printout("\nError:  Cannot open %s.\n", batchFileName.c_str());
            pausebox("Error:  Cannot open batch file.", "Error");
            return;
        }
        std::fclose(f);
        printout("\nWarning:  Cannot open %s.\n", batchFileName.c_str());
        printout("Running Run.bat instead.\n");
        pausebox("Running Run.bat instead.", "Warning");
        batch = "Run.Bat";
    }
    close();
    std::string command = batch;
    if (!text("SimBankName").empty()) command += " " + text("SimBankName");
    if (command.size() > 254) command.resize(254);
    runBatch(command, RunMode::system);
}

void TORYRunFm::EditBtnClick() {
    if (batchFileName.empty()) {
        edit.clear();
    } else {
        std::string name = withbat(batchFileName);
        std::FILE* f = std::fopen(name.c_str(), "r");
        if (f) {
            std::fclose(f);
        } else {
            box("Warning!  File does not exist; creating file.", "");
            if (!writedosfile(name, {})) {
                box("\nWarning:  cannot create file.  Returning...", "");
                return;
            }
        }
        if (!edit.load(name)) edit.clear();
    }
    setSaveEnabled(false);
    batchModified = false;
}

int TORYRunFm::SaveBtnClick() {
    batchFileName = withbat(batchFileName);
    std::string name = batchFileName;
    if (!filedialog("Save Batch File", batchFileName, name)) return 27;
    batchFileName = name;
    if (!edit.save(name)) {
        // Not written: the changes stay marked, so that they are not taken for saved.
        printout("Cannot open %s.\n", name.c_str());
        return -1;
    }
    setSaveEnabled(false);
    batchModified = false;
    return 0;
}

void TORYRunFm::BatchSearchBtnClick() {
    std::string name = batchFileName;
    if (!filedialog("Open Model Batch File", batchFileName, name)) name = batchFileName;  // Cancel: the preset
    if (name.empty()) return;
    // The file's own name, looked for in the working directory.
    std::size_t slash = name.find_last_of("/\\");
    name = withbat(slash == std::string::npos ? name : name.substr(slash + 1));
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) {
        printout("Cannot open %s.\n", name.c_str());
        return;
    }
    std::fclose(f);
    batchFileName = name;
    EditBtnClick();
}

void TORYRunFm::CreateBatBtnClick() {
    for (const char* n : {"ModelEd", "HistBankName", "RunEd", "MacFixEd", "VecFixEd"})
        findField(n)->text = trimmed(text(n));
    RunDraft d;
    d.model = text("ModelEd");
    d.hist = text("HistBankName");
    d.run = text("RunEd");
    d.macFixes = text("MacFixEd");
    d.vecFixes = text("VecFixEd");
    d.exog = text("ExogFileName");
    d.macFixInput = MacFixFm().text("MacFixEd");
    d.vecFixInput = VecFixFm().text("TextInEd");
    if (!d.exog.empty() && !writedosfile("RunXog.add", runxoglines(d.run, d.exog))) {
        printout("Cannot open %s.\r\n", "RunXog.add");
        return;
    }
    edit.setLines(runbatchlines(d));  // a change of the editor: Save is enabled
}

std::string TORYRunFm::consoleText() const {
    std::string out = Form::consoleText() + "  Edit:\n";
    std::size_t n = 0;
    for (const std::string& line : edit.lines()) {
        std::string number = std::to_string(++n);
        out += std::string(number.size() < 4 ? 4 - number.size() : 0, ' ') + number + "| " + line + "\n";
    }
    return out;
}

bool TORYRunFm::answer(const std::string& word) {
    std::size_t eq = word.find('=');
    if (eq != std::string::npos && word.compare(0, 5, "Edit.") == 0) {
        std::size_t n = 0;
        return linenumber(word.substr(5, eq - 5), n) && edit.setLine(n, word.substr(eq + 1));
    }
    if (word.compare(0, 6, "Caret=") == 0) {
        std::size_t n = 0;
        return linenumber(word.substr(6), n) && edit.selectLines(n, n - 1);
    }
    if (word.compare(0, 7, "Select=") == 0) {
        std::string range = word.substr(7);
        if (range.empty()) {
            edit.select(edit.selStart(), edit.selStart());
            return true;
        }
        std::size_t dash = range.find('-');
        std::size_t first = 0, last = 0;
        if (!linenumber(range.substr(0, dash), first)) return false;
        if (dash == std::string::npos) last = first;
        else if (!linenumber(range.substr(dash + 1), last)) return false;
        return last >= first && edit.selectLines(first, last);
    }
    return Form::answer(word);
}

void TORYRunFm::HelpButtonClick() {
    printout("Orrery Run Specification writes the run configuration <model>.cfg that the model\n"
             "reads: the title, the start, finish, macro-equation start and discrepancy years, the\n"
             "use of all data, the vector and macro fix files, the forecast bank, the debug year,\n"
             "the maximum iterations and the type of simulation (deterministic, stochastic with\n"
             "its number of runs and errors, or optimizing with its specification file).  OK\n"
             "writes it and runs the batch file (default Run.Bat) with the simulation's name.\n"
             "The editor below holds the batch file: Browse chooses it, Draft Batch File composes\n"
             "one from the fields (and RunXog.add for the EXOG script), Save Batch File writes it;\n"
             "OK saves unsaved changes first.\n");
}

TORYRunFm& ORYRunFm() {
    static TORYRunFm form;
    return form;
}
