// Drawing a graph record onto a canvas of 1500 by 1125 logical units: scales and their
// formats, titles, plot box, series with lines, marks and bars, the date axis, the scatter
// axis and the legend.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "graphs/canvas.h"
#include "graphs/graph_model.h"

namespace graphs {

// The graph window's colour, which becomes the background of every graph drawn.
extern std::int32_t graphWindowColour;


// Draws the graph; separate, logScale and scatter are 'y' or 'n'; bridge non-zero bridges
// gaps after the middle observation. The texts take the face and the colour of the main
// window's graph font (Main.graphFont). Returns the graph's status: 32 drawn, -1 failed.
int drawgraph(JexGraph& g, Canvas& c, char separate, char logScale, char scatter, int bridge);

void drawlabel(Canvas& c, const std::string& text, int x, int y);
void drawvertical(Canvas& c, int x, int y, const std::string& text, int height,
                  const std::string& face, int alignment);
void drawbar(Canvas& c, int i, int slot, int x, int y, int base);
void drawmark(Canvas& c, int i, int y, int x, int dx, int dy);
void drawarrow(Canvas& c, int x1, int y1, int x2, int y2, int width, int height);
void drawcross(Canvas& c, int x, int y, int dx, int dy);

}  // namespace graphs
