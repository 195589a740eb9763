// The record of one graph: titles, up to seven series with their legends and values, the
// dates or observation range drawn, the fixed scale values and the drawing switches. The
// graph command makes one per graph, fills it, draws it and deletes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/date.h"

namespace graphs {

constexpr int maxGraphSeries = 7;

class JexGraph {
public:
    JexGraph() = default;
    JexGraph(const JexGraph&) = delete;
    JexGraph& operator=(const JexGraph&) = delete;

    std::int16_t status = 32;
    char yearStyle = '4';
    char title[91] = {};
    char subtitle[91] = {};
    char axisTitle[41] = {};
    char leftFormat[7] = {};
    char rightFormat[7] = {};
    std::int16_t hasSeries = 0;
    std::int16_t hasRange = 0;
    std::string legends[maxGraphSeries];
    JexDate startDates[maxGraphSeries];
    std::vector<float> values[maxGraphSeries];  // workspace positions 0, 1, 2, ...
    std::int16_t lastSeries = -1;
    JexDate seriesStart, firstDate, middleDate, lastDate;
    std::int16_t useObsRange = 0;
    std::int16_t firstObs = 0, middleObs = 0, lastObs = 0;
    std::int8_t vrangeCount = 0, hrangeCount = 0;
    float vrange[10] = {};
    float hrange[10] = {};
    char legendMode = 0;
    char dateLabels = 0;
    char vaxLabelSide = 0;

    // Copies at most 90 characters of the title, 90 of the subtitle and 40 of the axis
    // title; stores the switches, the counts (at most 10) and all ten values of both arrays.
    int setTitles(const char* title, const char* subtitle, const char* axisTitle,
                  char legendMode, char labelSide, char yearLabels, int vcount, int hcount,
                  const float* v, const float* h);
    // Drops every series and legend; hasSeries stays.
    int clearSeries();
    // The series start and the first, middle and last dates; hasRange 1. Returns 1.
    int setDates(const JexDate& start, const JexDate& first, const JexDate& middle,
                 const JexDate& last, char yearStyle);
    // Observation indexes in place of the dates; returns 0.
    int setRange(int first, int middle, int last);
    // Appends a series: 1, -2 when seven are held already (nothing changes).
    int addSeries(const char* legend, const JexDate& start, const float* v, int n);
    // Replaces the legend of slot index (0..6); returns its length, -1 for a bad slot.
    int setLegend(const char* text, int index);
    JexDate startDate(int index) const;
};

}  // namespace graphs
