// The graph settings that every graph command reads, and the commands that set them: the
// title file and its titles, the subtitle, legend and year-label switches, the fixed scale
// values, the print and graph dates and the side of the vertical-axis labels.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace graphs {

constexpr int maxTitleLines = 4000;  // entries of the title-file table
extern std::FILE* gtfile;
extern std::vector<std::int32_t> gtfileLineOffsets;
extern std::int32_t gtfileLineCount;  // lines + 1; 0 without a title file

extern char graphSubtitle[81];
extern char legendMode;   // 'y' legend, 'n' none and a deeper plot, another letter neither
extern char legendMode2;  // 'y' year labels
extern float verticalRange[10];
extern float horizontalRange[10];
extern int verticalRangeCount;
extern int horizontalRangeCount;
extern char userDates;
extern char vaxLabelSide;  // 'i' inside, 'o' outside

// Start values of all of these; closes the title file.
void resetgraphsettings();

int gtfilecmd(std::FILE* in);
int gtitlecmd(std::FILE* in);
int subtitlecmd(std::FILE* in);
int legendcmd(std::FILE* in);
int rangecmd(std::FILE* in, char which);  // 'v' vrange, 'h' hrange
int tdatescmd(std::FILE* in);
int gdatescmd(std::FILE* in);
int vaxlabcmd(std::FILE* in);

}  // namespace graphs
