// Annotations of the next graph: free texts and lines (with or without an arrow head) that
// anntext and annline put on the pending lists, placed as fractions of the plot area; the
// next graph drawn draws them after everything else and empties the lists. smf is accepted
// and ignored, so that an annotation file (its first line names a metafile) runs as an add
// file. With the annotation save file open, anntext and annline are written to it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "graphs/canvas.h"

namespace graphs {

constexpr int maxAnnTexts = 10, maxAnnLines = 80;

// The pending texts: the text and its point (x from the plot's left edge, y from its top
// edge, both fractions of the plot area).
extern std::string annTexts[maxAnnTexts];
extern float annTextX[maxAnnTexts], annTextY[maxAnnTexts];
extern int annTextCount;
// The pending lines and their arrow heads (1: a head at the second point).
extern float annLineX1[maxAnnLines], annLineY1[maxAnnLines], annLineX2[maxAnnLines],
    annLineY2[maxAnnLines];
extern std::uint8_t annLineArrow[maxAnnLines];
extern int annLineCount;

// anntext <x> <y> <text>, annline <x1> <y1> <x2> <y2> [>], smf ...
int anntextcmd(std::FILE* in);
int annlinecmd(std::FILE* in);
int smfcmd(std::FILE* in);

// Draws the pending texts (left and bottom aligned at their points, in the canvas's font and
// colour) and then the pending lines (black, width 2, with their heads) over a plot whose
// edges are R, L, B and T, and empties the lists.
void drawanntexts(double R, double L, double B, double T, Canvas& c);
void drawannlines(double R, double L, double B, double T, Canvas& c);
// The arrow head at (x2, y2) of the line from (x1, y1): two strokes 0.08 long in a 4 by 3
// frame laid over a drawing area W wide and H high, drawn with the current pen.
void drawarrowhead(int x1, int y1, int x2, int y2, int H, int W, Canvas& c);

// A number of an annotation: the decimal number the text begins with (digits, a sign, a
// point and an exponent); 0 when there is none or when it is not finite.
double annnumber(std::string_view text);

// Start values: both lists empty.
void resetannotations();

}  // namespace graphs
