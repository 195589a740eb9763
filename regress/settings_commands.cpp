// limits, showt, missing, mode, stochastic and zip.
#include "regress/settings_commands.h"

#include <cstdlib>
#include <cstring>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "regress/regress_state.h"

namespace {

void presentlimits() {
    printout("Present limits are %7.3f %7.3f %7.3f\r\n", fitStart, fitEnd, testEnd);
}

enum class DateRead { set, none, signWithoutNumber };

// One date of the limits command: a number sets `date`, a sign and a number move it. `cls`
// receives the class of the first token read when no date was read.
DateRead readlimit(std::FILE* in, float& date, int& cls) {
    char token[80];
    cls = gettoken(token, in, 0, 78);
    if (cls == '+' || cls == '-') {
        const int sign = cls;
        if (gettoken(token, in, 0, 78) != 'n') return DateRead::signWithoutNumber;
        const float step = static_cast<float>(std::atof(token));
        date = sign == '+' ? date + step : date - step;
        return DateRead::set;
    }
    if (cls == 'n') {
        date = static_cast<float>(std::atof(token));
        return DateRead::set;
    }
    return DateRead::none;
}

}  // namespace

void setregzip(bool on) {
    regZip = on ? 'y' : 'n';
    mainRegZipChecked = on;
}

int limitscmd(std::FILE* in) {
    int cls = 0;
    DateRead r = readlimit(in, fitStart, cls);
    if (r != DateRead::set) {
        presentlimits();
        if (r == DateRead::signWithoutNumber) return -1;
        if (cls == 'f' || cls == 'e') return 0;
        return cls == -1 ? 27 : -1;
    }
    r = readlimit(in, fitEnd, cls);
    if (r == DateRead::signWithoutNumber) {
        presentlimits();
        return -1;
    }
    if (r == DateRead::none) {
        printout("\r\nNeed at least two dates in limits command\r\n");
        return cls == -1 ? 27 : -1;
    }
    r = readlimit(in, testEnd, cls);
    if (r == DateRead::signWithoutNumber) {
        presentlimits();
        return -1;
    }
    if (r == DateRead::none) {
        testEnd = fitEnd;
        if (cls == -1) return 27;
        if (cls != 'f' && cls != 'e') ungettoken();
    }
    return 0;
}

int showtcmd(std::FILE* in) {
    char token[80];
    if (gettoken(token, in, 0, 78) != 'a') {
        printout("Usage: showt <y | n>\n");
        return -1;
    }
    showT = token[0] == 'n' ? 0 : 1;
    printout("showt is %s\n", token);
    return 0;
}

int missingcmd(std::FILE* in) {
    char token[80];
    if (gettoken(token, in, 0, 78) != 'a') {
        printout("\r\nFormat is \r\n missing <y | n>\r\n");
        return -1;
    }
    missingOn = token[0] == 'n' ? 'n' : 'y';
    printout("\r\nmissing is %c\r\n", missingOn);
    return 0;
}

int modecmd(std::FILE* in) {
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    if (cls == 'a') {
        if (token[0] == 'f') forecastMode = 1;
        else if (token[0] == 't') forecastMode = 0;
    } else if (cls != 'f' && cls != 'e') {
        printout("Usage:  mode [forecast | test]\r\n");
    }
    printout(forecastMode ? "Present mode is forecast\r\n" : "Present mode is test\r\n");
    return 0;
}

int stochasticcmd(std::FILE* in) {
    char token[80];
    if (gettoken(token, in, 0, 78) == 'a' && (token[0] == 'y' || token[0] == 'n')) {
        stochastic = token[0];
        return 0;
    }
    printout("Usage is\n  stochastic  <y|n>\n");
    return -1;
}

int zipcmd(std::FILE* in) {
    setregzip(true);
    if (!in && keyboardInput == 'n' && replayList == nullptr) return 0;
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    if (cls == 'a' && (std::strcmp(token, "off") == 0 || token[0] == 'n')) setregzip(false);
    else if (cls != 'a' && cls != 'f' && cls != 'e' && cls != -1) ungettoken();
    return 0;
}
