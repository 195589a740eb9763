// The fixture of the @function tests: the series fixture's annual workspace (20
// observations from 1990) and a runner that calls one @function handler on a typed line
// holding its argument list.
#pragma once

#include <string>
#include <vector>

#include "series/atfunction.h"
#include "series/functions.h"
#include "series_fixture.h"

namespace seriestest {

struct AtCall {
    int code = 0;
    std::vector<float> values;  // the output array (2000 entries)
    std::string text;           // the expression text the handler copied
    int frequency = 0;          // currentFrequency afterwards
};

class FunctionFixture : public SeriesFixture {
protected:
    // Runs the handler on the typed line (the argument list, "(x, 2)"); the output array
    // starts as `start` (0 in a fresh evaluation).
    AtCall call(AtHandler handler, const std::string& line, float start = 0.0f) {
        settypedline(line);
        AtCall r;
        r.values.assign(2000, start);
        char text[3000];
        text[0] = '\0';
        char* cursor = text;
        currentFrequency = -7;
        r.code = handler(r.values.data(), nullptr, cursor);
        r.text = text;
        r.frequency = currentFrequency;
        r.values.resize(obs);
        return r;
    }
    // Sets the f dates (annual date numbers), or turns them off with -1.
    void setfdates(float first, float last) {
        fdate1 = first;
        fdate2 = last;
        fdate1Date = first < 0 ? JexDate() : JexDate(first);
        fdate2Date = last < 0 ? JexDate() : JexDate(last);
    }
};

}  // namespace seriestest
