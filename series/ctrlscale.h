// The numerical core of the ctrl command: a group of member series is scaled, period by
// period, so that in each period the members add up to the value of a control series.
// Works over plain arrays; reading the command, fetching and storing the series is the
// command handler's business (series/scaling_commands.h).
#pragma once

#include <string>
#include <vector>

#include "core/date.h"

// One member of the group: its series name (root name and member number, "out12"), its
// member number, and its observations (indexed by workspace observation, at least last + 1).
struct CtrlMember {
    std::string name;
    int number = 0;
    std::vector<float> values;
};

// What one ctrl run scales.
struct CtrlRun {
    const float* control = nullptr;  // the control series, indexed by workspace observation
    std::vector<CtrlMember>* members = nullptr;
    std::string rootName;            // as typed (shown when a control value is missing)
    int first = 0;                   // workspace indexes of the periods, first..last
    int last = -1;
    JexDate firstDate;               // the date of period `first`
    bool force = false;              // missing members take part without a question
    bool rightDirection = false;     // rdscale in place of pscale
    int addPrint = 0;                // 1: a line per period with the scaling factor
};

// Scales every period first..last. Each period is written back to the members only when it
// has been scaled to the end, so a stop leaves no period half-scaled. Members with a negative
// number take no part. Returns 0, or -1 after a Cancel (at a question or a numerical-error
// box) or for a period range outside the members' arrays.
int ctrlscale(CtrlRun& run);
