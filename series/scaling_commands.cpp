#include "series/scaling_commands.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/jexbank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/date.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "series/ctrlscale.h"
#include "series/exprtext.h"
#include "series/group.h"
#include "series/linkseries.h"
#include "series/series_state.h"

namespace {

constexpr int seriesSize = 2000;  // observations 0..1999

// The bank of a prefixed name (a.out) when that slot holds a Vam bank, else null.
DataBank* vamprefix(const char* name) {
    if (name[0] < 'a' || name[0] > 'z' || name[1] != '.') return nullptr;
    DataBank* bank = bankSlots[name[0] - 'a'];
    if (bank && std::strcmp(bank->className(), "VamFile") == 0) return bank;
    return nullptr;
}

// The name without a bank prefix.
const char* unprefixed(const char* name) {
    if (name[0] != 0 && name[1] == '.') return name + 2;
    return name;
}

// Stores a series in the workspace bank with the given frequency; false on failure.
bool storeworkspace(const char* name, const float* values, int frequency) {
    if (!workspaceBank) return false;
    workspaceBank->setFreq(frequency);
    return workspaceBank->addser(name, values, 'y', -1) >= 0;
}

void ctrlusage() {
    printout("\nFormat: ctrl <x> <rootname> <group>\n");
    printout("\nwhere <x> is the control variable\n");
    printout("        <rootname> is the first part of a series name\n");
    printout("        <group> is a list sectors to be scaled\n");
    printout("\nFor example, the call\n");
    printout("\n    ctrl tot out (1-10 (4-7) 13 15)\n");
    printout("\nwould impose the values of series tot as control totals on the listed sectors\n");
    printout("of out, i.e. sectors 1 to 10, except for 4 through 7, then 13 and 15\n");
}

void lsusage() {
    printout("\r\nFormat: ls [-<flag>] <x> <y> <date> [direction]");
    printout("\r\nwhere <x> is to be moved by <y> at the linking <date>");
    printout("\r\n[direction] can be 'f' for forwards or 'b' for backward.");
    printout("\r\nThe default is 'f'.\n");
    printout("where <flag> may be \n");
    printout("   f:  force the calculation without reporting problems.\n");
    printout("   i:  if x and y are of opposite sign, use the inverse of y to move x.\n");
    printout("See Help menu for more details.\n");
}

}  // namespace

int ctrlcmd(std::FILE* in) {
    char token[80];
    char text[exprTextSize];
    text[0] = 0;
    char* cursor = text;

    // 1. Options, then the control's name.
    bool force = false;
    int cls = gettoken(token, in, 0, 78);
    while (cls == '-') {
        cls = gettoken(token, in, 0, 78);
        if (cls != 'a' && token[0] != 'f') {
            printout("\nFormat: ctrl <x> <rootname> <group>\n");
            printout("Unknown option -%s.\n", token);
            return -1;
        }
        force = true;
        cls = gettoken(token, in, 0, 78);
    }
    if (cls != 'a') {
        ctrlusage();
        return -1;
    }

    // 2. The control series.
    std::vector<float> control;
    try {
        control.assign(seriesSize, 0.0f);
    } catch (const std::bad_alloc&) {
        printout("Out of memory in ctrl.\n");
        return -1;
    }
    std::string controlName = token;
    if (fetchseries(controlName.c_str(), control.data(), cursor, in, 1) != 0) {
        printout("\nCannot find control total %s in data bank.\n", controlName.c_str());
        return -1;
    }
    const int controlFrequency = currentFrequency;

    // 3. The root name and the group.
    char root[80];
    if (gettoken(root, in, 0, 78) != 'a') {
        printout("\r\nSyntax error in ctrl command.\nPlease supply a valid root name.");
        return -1;
    }
    if (gettoken(token, in, 0, 78) != '(') ungettoken();
    std::vector<std::int16_t> group;
    int count = parsegroup(in, cursor, group, groupLimit);
    if (count <= 0) {
        printout("\nError:  A valid <group> of sectors must be specified\n");
        printout("\n");
        return -1;
    }

    // 4. Right-direction scaling. A group that ended with its line has nothing after it.
    bool rightDirection = false;
    if (lastTokenClass != 'f' && lastTokenClass != 'e') {
        cls = gettoken(token, in, 0, 20);
        if ((cls == 'a' || cls == '"' || cls == 'n') && token[0] == 'r') {
            rightDirection = true;
            if (addPrint != 0) printout("Right direction controlling\n");
        } else {
            ungettoken();
        }
    }

    // 5, 6. The members.
    std::vector<CtrlMember> members;
    try {
        members.resize(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k) {
            members[k].number = group[k];
            members[k].name = std::string(root) + std::to_string(group[k]);
            members[k].values.assign(seriesSize, 0.0f);
        }
    } catch (const std::bad_alloc&) {
        printout("Out of memory in ctrl.\n");
        return -1;
    }
    int memberFrequency = 0;
    for (CtrlMember& member : members) {
        if (member.number < 0) continue;
        char scratch[exprTextSize];
        scratch[0] = 0;
        char* scratchCursor = scratch;
        if (fetchseries(member.name.c_str(), member.values.data(), scratchCursor, in, 0) != 0) {
            printout("Error reading series %s from bank.\n", member.name.c_str());
            return -1;
        }
        if (memberFrequency == 0) memberFrequency = currentFrequency;
    }

    // 7. The periods: the workspace indexes of the f dates, at their own frequency.
    if (fdate1Date.frequency == 0 || fdate2Date.frequency == 0) {
        printout("\nError:  in ctrl command, the fdates must be set to give the periods to "
                 "scale.\n");
        return -1;
    }
    const int first = fdate1Date.wsIndex();
    const int last = fdate2Date.wsIndex();
    const int end = wsMaxObs < seriesSize - 1 ? wsMaxObs : seriesSize - 1;
    if (first < 0 || last < first || last >= end) {
        printout("\nError:  in ctrl command, the fdates lie outside the workspace.\n");
        return -1;
    }
    if (controlFrequency != 0 && controlFrequency != fdate1Date.frequency) {
        printout("\nError:  in ctrl command, the fdates do not match the frequency of %s.\n",
                 controlName.c_str());
        return -1;
    }

    // 8. Scale period by period.
    CtrlRun run;
    run.control = control.data();
    run.members = &members;
    run.rootName = root;
    run.first = first;
    run.last = last;
    run.firstDate = fdate1Date;
    run.force = force;
    run.rightDirection = rightDirection;
    run.addPrint = addPrint;
    if (ctrlscale(run) != 0) return -1;

    // 9. Store the members.
    if (vamprefix(root)) {
        // Scaled members of a Vam vector go back through the Vam bank, which this version
        // cannot write to.
        printout("\nError:  in ctrl command, cannot store vector.\n");
        return -1;
    }
    const int frequency = memberFrequency != 0 ? memberFrequency : fdate1Date.frequency;
    for (const CtrlMember& member : members) {
        if (member.number < 0) continue;
        std::string name = std::string(unprefixed(root)) + std::to_string(member.number);
        if (!storeworkspace(name.c_str(), member.values.data(), frequency)) {
            printout("\nError:  in ctrl command, cannot write series %s to the workspace bank.\n",
                     name.c_str());
            return -1;
        }
    }
    return 0;
}

int lscmd(std::FILE* in) {
    char token[80];
    char text[exprTextSize];
    text[0] = 0;
    char* cursor = text;
    const char* seeHelp =
        "Error:  In ls command; See help menu or type \"ls\" to see correct format.\n";

    // 1. A flag.
    char flag = 0;
    int cls = gettoken(token, in, 0, 78);
    if (cls == '-') {
        cls = gettoken(token, in, 0, 78);
        if (cls != 'a' || (token[0] != 'f' && token[0] != 'i' && token[0] != 'a')) {
            printout("Error:  illegal flag given in ls command.\n");
            return -1;
        }
        flag = token[0];
    } else {
        ungettoken();
    }

    // 2, 3. x.
    char xName[80];
    if (gettoken(xName, in, 0, 78) != 'a') {
        lsusage();
        return -1;
    }
    std::vector<float> x, y;
    try {
        x.assign(seriesSize, 0.0f);
        y.assign(seriesSize, 0.0f);
    } catch (const std::bad_alloc&) {
        printout("Out of memory in ls.\n");
        return -1;
    }
    if (fetchseries(xName, x.data(), cursor, in, 1) != 0) {
        printout("%s", seeHelp);
        return -1;
    }
    const int fx = currentFrequency;

    // 4. y.
    char yName[80];
    if (gettoken(yName, in, 0, 78) != 'a') {
        printout("%s", seeHelp);
        return -1;
    }
    if (fetchseries(yName, y.data(), cursor, in, 1) != 0) {
        printout("Error:  In ls command, cannot find %s from the workspace or the assigned "
                 "bank.\n",
                 yName);
        return -1;
    }
    const int fy = currentFrequency;

    // 5. The link date and the optional second date.
    char dateText[24];
    if (gettoken(dateText, in, 0, 20) != 'n') {
        printout("%s", seeHelp);
        return -1;
    }
    JexDate linkDate(dateText);
    JexDate secondDate = linkDate;
    int second = -1;
    char secondText[24];
    if (gettoken(secondText, in, 0, 20) == 'n') {
        int index = dateindex(std::atof(secondText));
        if (index < 0 || index >= 1999) {
            printout("Error:  In ls command, the second date %s is not valid.\n", secondText);
            printout("\rAborted linking.\n");
            return -1;
        }
        secondDate = JexDate(secondText);
        second = secondDate.wsIndex();
        if (second < 0 || second >= 1999) second = index;
    } else {
        ungettoken();
    }

    // 6. - 9. The link.
    LinkSpec spec;
    spec.xName = xName;
    spec.yName = yName;
    spec.dateText = dateText;
    spec.flag = flag;
    spec.link = linkDate.frequency == 0 ? -1 : linkDate.wsIndex();
    spec.second = second;
    spec.fx = fx;
    spec.fy = fy;
    spec.linkFrequency = linkDate.frequency;
    spec.secondFrequency = secondDate.frequency;
    double ratio = 0;
    int code = linkratio(x.data(), y.data(), spec, ratio);
    if (code != 0) return code;

    // 10. The direction.
    bool backward = false;
    char direction[8];
    if (gettoken(direction, in, 0, 5) == 'a') {
        if (direction[0] == 'b' || direction[0] == 'B') {
            backward = true;
        } else if (direction[0] != 'f' && direction[0] != 'F') {
            printout("\r\nUnclear which direction to extend %s.  See help menu.\n", xName);
            return -1;
        }
    }

    // 11. - 13. Extend.
    linkextend(x.data(), y.data(), spec, backward, ratio, wsMaxObs, fdate1index(), fdate2index(),
               addPrint);

    // 14. Store.
    if (vamprefix(xName)) {
        // A Vam vector element goes back through the Vam bank, which this version cannot
        // write to.
        printout("\nError:  in ls command, cannot store vector.\n");
        return -1;
    }
    if (saveOn == 'y' || annSaveOn == 'y') echoline(0, 'b', '%');
    const char* name = unprefixed(xName);
    if (!storeworkspace(name, x.data(), fx)) {
        printout("\nError:  in ls command, cannot write series %s to the workspace bank.\n", name);
        return -1;
    }
    return 0;
}
