#include "series/ctrlscale.h"

#include "core/missing.h"
#include "core/printout.h"
#include "series/pscale.h"
#include "series/rdscale.h"

int ctrlscale(CtrlRun& run) {
    if (!run.members || !run.control) return -1;
    std::vector<CtrlMember>& members = *run.members;
    const int count = static_cast<int>(members.size());
    if (count > 32766) {
        printout("\nError:  A valid <group> of sectors must be specified\n");
        return -1;
    }
    if (run.first < 0 || run.last < run.first) return -1;
    for (const CtrlMember& member : members)
        if (member.number >= 0 && static_cast<int>(member.values.size()) <= run.last) return -1;

    // Positions 1..count hold the members' values of one period.
    std::vector<float> values(static_cast<size_t>(count) + 1, 0.0f);
    std::vector<float> before;  // the period's values before scaling
    std::vector<short> list;
    list.reserve(static_cast<size_t>(count));

    for (int t = run.first; t <= run.last; ++t) {
        char date[JexDate::textSize];
        (run.firstDate + (t - run.first)).print(date, '4');

        // 1. A missing control leaves the period as it is.
        if (ismissing(run.control[t])) {
            printout("\nThe control total for period %s is missing.\n", date);
            printout("The listed sectors for %s will not be scaled.\n", run.rootName.c_str());
            printout("\n");
            if (pausebox("OK to continue, Cancel to quit", "Warning") == 27) return -1;
            continue;
        }

        // 2, 3. The period's values and the list of members that take part.
        list.clear();
        for (int k = 1; k <= count; ++k) {
            const CtrlMember& member = members[k - 1];
            values[k] = member.number >= 0 ? member.values[t] : 0.0f;
            if (member.number < 0) continue;
            if (!run.force && ismissing(values[k])) {
                printout("\n%s is missing in %s. If the algorithm continues,\n",
                         member.name.c_str(), date);
                printout("the other series in the group will be scaled to the total\n");
                printout("\n");
                if (pausebox("OK to continue, Cancel to quit", "") == 27) return -1;
                continue;  // left out: keeps its missing value
            }
            list.push_back(static_cast<short>(k));
        }

        // 4. - 6. Scale.
        before.assign(values.begin(), values.end());
        if (scalingcheck() == 27) return -1;
        float factor = 0;
        int code;
        bool scaled;
        const float c = run.control[t];
        const short nlist = static_cast<short>(list.size());
        if (run.rightDirection) {
            code = rdscale(nullptr, values.data(), static_cast<short>(count), list.data(), nlist,
                           c, &factor);
            scaled = code == 30;
            if (code > 0) code = 0;
        } else {
            code = pscale(values.data(), static_cast<short>(count), list.data(), nlist, c,
                          &factor, 0);
            // A Cancel at a numerical-error box inside the scaling ends the command.
            if (code == -1 && scalecancelled()) return -1;
            // Code 0 also comes from the rank-preserving method, which does move the values.
            scaled = code >= 20 || (code == 0 && values != before);
        }
        if (scalingcheck() == 27) return -1;

        // 7. The period's line.
        if (run.addPrint == 1) {
            if (scaled) {
                printout("For %s, ", date);
                printout("the proportional scaling factor is %7.4f.\n", factor);
            } else if (code == 0) {
                printout("For %s, ", date);
                printout("the sum of the elements already equals the control.\n");
            }
        }

        // 8. Situations to report.
        if (code == -1 || code > 20) {
            printout("For %s, ", date);
            scalemessage(code);
            if (pausebox("OK to continue, Cancel to quit", "") == 27) return -1;
        }

        // 9. The period is done: write it back.
        for (int k = 1; k <= count; ++k) {
            CtrlMember& member = members[k - 1];
            if (member.number >= 0) member.values[t] = values[k];
        }
    }
    return 0;
}
