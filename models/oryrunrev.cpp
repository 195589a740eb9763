#include "models/oryrunrev.h"

#include <vector>

#include "banks/bank_dialogs.h"
#include "core/printout.h"
#include "models/modelfiles.h"

namespace {

const std::vector<ConfigField> revFields = {
    {"RunTitleEd", "Title of Run", "", 0},
    {"StartDateEd", "Start Date", "", 0},
    {"EndDateEd", "End date", "", 0},
    {"MacEqStartDate", "Macro equation start date", "", 0},
    {"DiscrepYr", "Discrepancy year", "", 0},
    {"ResultEd", "RESULT  --  root name of the banks (Jex and Vam) which are the result of  this run.", "", 0},
    {"StartEd", "START -- root name of banks (Jex and Vam ) which are to be copied as the starting values for this run.",
     "", 0},
    {"ExogEd", "EXOG --  root name of the .xog file to change the exogenous  data in the copied bank and vam files.", "",
     0},
    {"MacfixesEd", "root name of the .mfx input of the macro-fix tool, or none", "", 0},
    {"VecfixesEd", "root name of the .vfx input of the vector-fix tool, or none", "", 0},
    {"MaxIter", "Max Loop Iterations", "100", 0},
    {"DbgStartYr", "Debug Start Year", "2100", 0},
    {"OpSpecFileEd", "Optimization specification file", "none", 0},
    {"Edit2", "Iterations", "50", 0},
};

// The arguments of run.add are cut to this many characters each.
constexpr std::size_t argumentMax = 99;

}  // namespace

TORYRunRevForm::TORYRunRevForm() : Form("OryRun") {
    addconfigfields(*this, revFields, [] {});
    check("UseAllDataCB", "Use all data", true);
    type_ = &radio("GroupBox1", "Type of Run", {"Deterministic", "Optimizing", "Stochastic"});
    type_->index = 0;
    type_->onClick = [this] {
        if (type_->index == 1) RadioButton2Click();
        else if (type_->index == 2) RadioButton3Click();
        else RadioButton1Click();
    };
    // The stochastic specification: its panel is never enabled, so a stochastic run takes
    // these values as they are.
    check("CheckBox1", "Additive errors", true).enabled = false;
    check("CheckBox2", "Coefficient errors", true).enabled = false;
    findField("Edit2")->enabled = false;
    findField("OpSpecFileEd")->enabled = false;
    button("OKBtn", "OK").onClick = [this] { OKBtnClick(); };
    button("CancelBtn", "Cancel").onClick = [this] { CancelBtnClickClick(); };
}

void TORYRunRevForm::FormClose() { close(); }  // the command box has the focus again

void TORYRunRevForm::RadioButton1Click() {
    Field* opt = findField("OpSpecFileEd");
    opt->enabled = false;
    opt->text = "none";
}

void TORYRunRevForm::RadioButton2Click() { findField("OpSpecFileEd")->enabled = true; }

void TORYRunRevForm::RadioButton3Click() { findField("OpSpecFileEd")->enabled = false; }

void TORYRunRevForm::OKBtnClick() {
    const bool optimizing = runType() == 1, stochastic = runType() == 2;
    auto yesno = [](bool on) { return std::string(on ? "yes" : "no"); };
    std::vector<std::string> lines = {
        "Title of run   ;" + text("RunTitleEd"),
        "Start year     ;" + text("StartDateEd"),
        "Finish year    ;" + text("EndDateEd"),
        "Start MacEq yr ;" + text("MacEqStartDate"),
        "Discrepancy yr ; " + text("DiscrepYr"),
        "Use all data   ; " + yesno(findCheck("UseAllDataCB")->checked),
        "Vecfix file; vecfixes",
        "Macfix file; macfixes",
        "Vam file   ; tmp",
        "Jex bank   ; tmp",
        "Debug start year; " + text("DbgStartYr"),
        "Max iterations ; " + text("MaxIter"),
        "OptSpec file ; " + (optimizing ? text("OpSpecFileEd") : std::string("none")),
        "Number of random draws; " + (stochastic ? text("Edit2") : std::string("0")),
        "Additive errors; " + yesno(stochastic && findCheck("CheckBox1")->checked),
        stochastic ? "Coefficient errors; " + yesno(findCheck("CheckBox2")->checked) : "Random coefficients; no",
    };
    if (!writedosfile("orb.cfg", lines)) {
        printout("Cannot open orb.cfg.\n");
        return;
    }
    command_ = "add run.add";
    for (const char* name : {"ResultEd", "StartEd", "ExogEd", "MacfixesEd", "VecfixesEd"})
        command_ += " " + text(name).substr(0, argumentMax);
    command_ += " \n";
    printout("%s\n", command_.c_str());
    // The script runs as a line typed into the command box would, with its five arguments.
    runcommandline(command_.substr(0, command_.size() - 1));
    FormClose();
}

TORYRunRevForm& ORYRunRevForm() {
    static TORYRunRevForm form;
    return form;
}
