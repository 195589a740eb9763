// @sum(x): the sum over the regression limits. Kept apart from the other statistics since it
// reads the limits of the regression commands.
#include <cstdio>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/printout.h"
#include "series/functions.h"
#include "series/functions_common.h"
#include "series/functions_stats.h"
#include "regress/regress_state.h"
#include "series/rhs.h"

int atsum(float* out, std::FILE* in, char*& text) {
    const char* label = "@sum";
    char token[78];
    if (atread(token, in, text) != '(') return atfail(label);
    if (rhs(out, in, text) != 41) return atfail(label);
    atback(text);
    if (fitStart == 0.0f || fitEnd == 0.0f) {
        printout("\nError:  In @sum(), no regression limits are set.\n");
        return atfail(label);
    }
    const auto frequency = currentFrequency;
    int i1 = dateindex(fitStart);
    int i2 = dateindex(fitEnd);
    currentFrequency = frequency;
    if (sumkernel(out, atobs(), i1, i2) != 0) {
        printout("\nError:  In @sum(), the regression limits lie outside the workspace.\n");
        return atfail(label);
    }
    return 0;
}
