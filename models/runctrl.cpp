#include "models/runctrl.h"

#include <chrono>
#include <thread>
#include <vector>

#include "core/printout.h"
#include "models/modelfiles.h"
#include "shell/mainform.h"

int runControlWaitMs = 1000;

namespace {

// The fields, their labels in messages and the longest value written.
struct Limit {
    const char *name, *label;
    std::size_t max;
};
const Limit limits[] = {
    {"RunStartDate", "Start date", 11}, {"RunStopDate", "Stop date", 11},
    {"RunName", "Results bank name", 79}, {"FixName", "Fix file name", 79},
    {"OptName", "Optimization file name", 79}, {"IterNumb", "Iterations", 7},
};

}  // namespace

TRunForm::TRunForm() : Form("Run Options") {
    field("RunStartDate", "Start date ", "");
    field("RunStopDate", "Stop date", "");
    field("RunName", "Results bank name", "");
    field("FixName", "Fix file name (without .fix)", "");
    field("OptName", "Optimization file name ", "OptSpec.opt");
    field("IterNumb", "Iterations", "50");
    addErr_ = &check("AddErrCb", "Additive errors", true);
    coefErr_ = &check("CoefErrCB", "Coefficient errors", true);
    type_ = &radio("RadioGroup1", "Type of Simulation", {"Deterministic", "Stochastic", "Optimizing"});
    type_->index = 0;
    type_->onClick = [this] { TypeClick(); };
    Button& ok = button("OKBtn", "&OK");
    ok.isDefault = true;
    ok.onClick = [this] { OKBtnClick(); };
    button("CancelBtn", "&Cancel").isCancel = true;
    TypeClick();
}

void TRunForm::TypeClick() {
    // The stochastic panel and the optimization file show only for their type.
    findField("IterNumb")->visible = type_->index == 1;
    findField("OptName")->visible = type_->index == 2;
}

bool TRunForm::isShown(const char* name) const { return const_cast<TRunForm*>(this)->findField(name)->visible; }

void TRunForm::activate() {
    findField("RunStartDate")->text = macroModelStartDate;
    findField("RunStopDate")->text = macroModelStopDate;
    findField("RunName")->text = macroModelResultsName;
    findField("FixName")->text = macroModelFixFile;
}

void TRunForm::OKBtnClick() {
    for (const Limit& l : limits)
        if (text(l.name).size() > l.max) {
            printout("\nError:  %s is longer than %d characters.\n", l.label, static_cast<int>(l.max));
            return;
        }
    std::string start = text("RunStartDate"), stop = text("RunStopDate"), fix = text("FixName");
    std::string run = "run " + start + " " + stop + " " + fix + ".fix";
    if (type_->index == 1)
        run += " " + text("IterNumb") + (addErr_->checked ? " 1" : " 0") + (coefErr_->checked ? " 1" : " 0");
    else if (type_->index == 2)
        run += " m " + text("OptName");
    if (!writedosfile("_go.bat", {"copy bws.* rws.*", run, "copy rws.* " + text("RunName") + ".*", "pause"})) {
        printout("Could not open _go.bat.\n");
        return;
    }
    macroModelStartDate = start;
    macroModelStopDate = stop;
    macroModelResultsName = text("RunName");
    macroModelFixFile = fix;
    std::this_thread::sleep_for(std::chrono::milliseconds(runControlWaitMs));
    printout("About to run model.\n");
    close();
    runBatch("_go.bat", RunMode::system);
}

TRunForm& RunForm() {
    static TRunForm form;
    return form;
}
