#include "graphs/graph_model.h"

#include <algorithm>
#include <cstring>

namespace graphs {
namespace {

template <std::size_t N>
void copycut(char (&dst)[N], const char* src) {
    std::size_t n = src ? std::strlen(src) : 0;
    n = std::min(n, N - 1);
    if (n) std::memcpy(dst, src, n);
    dst[n] = 0;
}

}  // namespace

int JexGraph::setTitles(const char* t, const char* st, const char* at, char legend,
                        char labelSide, char yearLabels, int vcount, int hcount, const float* v,
                        const float* h) {
    copycut(title, t);
    copycut(subtitle, st);
    copycut(axisTitle, at);
    legendMode = legend;
    vaxLabelSide = labelSide;
    dateLabels = yearLabels;
    vrangeCount = static_cast<std::int8_t>(std::clamp(vcount, 0, 10));
    hrangeCount = static_cast<std::int8_t>(std::clamp(hcount, 0, 10));
    for (int i = 0; i < 10; ++i) {
        vrange[i] = v ? v[i] : 0.0f;
        hrange[i] = h ? h[i] : 0.0f;
    }
    return 0;
}

int JexGraph::clearSeries() {
    for (int i = 0; i < maxGraphSeries; ++i) {
        legends[i].clear();
        values[i].clear();
        values[i].shrink_to_fit();
    }
    lastSeries = -1;
    return 0;
}

int JexGraph::setDates(const JexDate& start, const JexDate& first, const JexDate& middle,
                       const JexDate& last, char style) {
    seriesStart = start;
    firstDate = first;
    middleDate = middle;
    lastDate = last;
    yearStyle = style;
    hasRange = 1;
    return 1;
}

int JexGraph::setRange(int first, int middle, int last) {
    firstObs = static_cast<std::int16_t>(first);
    middleObs = static_cast<std::int16_t>(middle);
    lastObs = static_cast<std::int16_t>(last);
    useObsRange = 1;
    hasRange = 1;
    return 0;
}

int JexGraph::addSeries(const char* legend, const JexDate& start, const float* v, int n) {
    if (lastSeries >= maxGraphSeries - 1) return -2;
    const int i = lastSeries + 1;
    legends[i] = legend ? legend : "";
    values[i].assign(v, v + std::max(n, 0));
    startDates[i] = start;
    lastSeries = static_cast<std::int16_t>(i);
    hasSeries = 1;
    return 1;
}

int JexGraph::setLegend(const char* text, int index) {
    if (index < 0 || index >= maxGraphSeries) return -1;
    legends[index] = text ? text : "";
    return static_cast<int>(legends[index].size());
}

JexDate JexGraph::startDate(int index) const {
    if (index < 0 || index >= maxGraphSeries) return JexDate();
    return startDates[index];
}

}  // namespace graphs
