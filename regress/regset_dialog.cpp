#include "regress/regset_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "interp/switches.h"
#include "platform/platform.h"
#include "regress/regress_state.h"
#include "regress/settings_commands.h"
#include "series/series_state.h"

TRegSetFm RegSetFm;

namespace {

std::string datetext(float date) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%8.3f", date);
    return buf;
}

// Text that is not a number gives 0.
float datefrom(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end == text.c_str() ? 0.0f : static_cast<float>(v);
}

}  // namespace

void TRegSetFm::FormShow() {
    StartFit = datetext(fitStart);
    EndFit = datetext(fitEnd);
    EndTest = datetext(testEnd);
    cbShowT = showT != 0;
    cbMode = forecastMode != 0;
    cbCmtype = showRelations != 0;
    cbStochastic = stochastic == 'y';
    cbZip = regZip == 'y';
    cbSecond = secondMode == 'y';
    rbNone = normalityTest == 'n';
    rbJB = normalityTest == 'y';
    rbFull = normalityTest == 'f';
}

void TRegSetFm::OKBtnClick() {
    fitStart = datefrom(StartFit);
    fitEnd = datefrom(EndFit);
    testEnd = datefrom(EndTest);
    showT = cbShowT ? 1 : 0;
    forecastMode = cbMode ? 1 : 0;
    showRelations = cbCmtype ? 1 : 0;
    stochastic = cbStochastic ? 'y' : 'n';
    setregzip(cbZip);
    secondMode = cbSecond ? 'y' : 'n';
    if (rbNone) normalityTest = 'n';
    else if (rbJB) normalityTest = 'y';
    else if (rbFull) normalityTest = 'f';
}

int regsetdialog() {
    TRegSetFm& f = RegSetFm;
    platform::Platform& p = platform::current();
    f.FormShow();
    for (auto [label, field] : {std::pair{TRegSetFm::Label1, &f.StartFit},
                                std::pair{TRegSetFm::Label2, &f.EndFit},
                                std::pair{TRegSetFm::Label3, &f.EndTest}}) {
        std::string text = *field;
        if (p.askText(std::string(label) + " [" + *field + "]", TRegSetFm::caption, text)) *field = text;
    }
    const std::vector<std::string> offOn = {"off", "on"};
    for (auto [label, box] : {std::pair{"Show t and F values", &f.cbShowT},
                              std::pair{"Forecast mode", &f.cbMode},
                              std::pair{"Show relations among independent variables", &f.cbCmtype},
                              std::pair{"Save results for stochastic simulation", &f.cbStochastic},
                              std::pair{"Zip", &f.cbZip},
                              std::pair{"Second stage of 2SLS", &f.cbSecond}})
        *box = p.choose(label, TRegSetFm::caption, offOn, *box ? 1 : 0) == 1;
    const int current = f.rbFull ? 2 : f.rbJB ? 1 : 0;
    const int normality =
        p.choose("Normality tests", TRegSetFm::caption, {"None", "Jarque-Bera test ", "Full"}, current);
    f.rbNone = normality == 0;
    f.rbJB = normality == 1;
    f.rbFull = normality == 2;
    if (p.choose("OK or Cancel", TRegSetFm::caption, {"OK", "Cancel"}, 1) == 0) {
        f.OKBtnClick();
        return 1;
    }
    f.CancelBtnClick();
    return 0;
}
