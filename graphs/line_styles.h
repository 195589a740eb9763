// The eight line styles of the graphs (0 the plot frame, 1..7 the series), the three graph
// colours, the line command and the "Set Graph Style" settings form.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "graphs/canvas.h"

namespace graphs {

struct LineStyle {
    std::int32_t colour = 0;  // red + 256 green + 65536 blue
    std::int32_t penWidth = 2;
    std::uint8_t penStyle = 0;  // 0 solid .. 4 dash-dot-dot, 5 clear
    std::uint8_t barFill = 0;   // 0 solid, 1 clear, 2..7 hatched
    char mark = 'n';            // one of "n+sxd^v>b"
    float barLeft = 0.0f;
    float barRight = 1.0f;
};

extern LineStyle lineStyles[8];
// 0 the graph background, 1 the pen of annotations, 2 the pen while titles are written.
extern std::int32_t graphColors[3];

// The start values of the styles and colours.
void initlinestyles();
// The canvas pen takes the style's colour, width and pen style.
void setpen(Canvas& c, const LineStyle& s);
// Position of the mark in "n+sxd^v>b", or -1 after "Bad mark: %c.\n".
int checkmark(char mark);
// Colour of a name of the colour table (compared in lower case); 0 for an unknown name.
std::int32_t colourbyname(const char* name);
// One style in the settings-file format (a line command, with its "\n").
std::string linesettings(int number);

// line <number> <colour> <width> <mark> <style> <barfill> <left> <right>
int linecmd(std::FILE* in);

// The settings form "Set Graph Style". Its rows stand for styles 0..7 as edited text; its
// console form (showgraphsettings) edits them.
class TGrSetFm {
public:
    struct Row {
        std::int32_t colour = 0;
        std::string width, left, right;
        int mark = 0, style = 0, fill = 0;  // item indexes of the lists
    };
    Row rows[8];
    // Asks for the file name of "Save to file"; false when the dialog was cancelled.
    std::function<bool(std::string& name)> saveDialog;

    void formShow();           // rows from the styles
    void applySettings();      // styles 1..7 from the rows
    int saveBtnClick();        // 0 written, -1 cancelled or the file could not be written
    static const char* const markItems[9];
};

extern TGrSetFm GrSetFm;

// Shows the console form of the settings dialog, its rows filled from the styles unless it
// was left open; modeless, it stays open when left ("Leave") until OK or Cancel closes it.
void showgraphsettings(bool modeless);
bool graphsettingsopen();
void closegraphsettings();

}  // namespace graphs
