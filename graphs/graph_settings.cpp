#include "graphs/graph_settings.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/date.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "series/series_state.h"

namespace graphs {

std::FILE* gtfile = nullptr;
std::vector<std::int32_t> gtfileLineOffsets;
std::int32_t gtfileLineCount = 0;
char graphSubtitle[81] = {};
char legendMode = 'y';
char legendMode2 = 'y';
float verticalRange[10] = {};
float horizontalRange[10] = {};
int verticalRangeCount = 0;
int horizontalRangeCount = 0;
char userDates = 'n';
char vaxLabelSide = 'i';

namespace {

void echoannsave(char mode) {
    if (annSaveOn == 'y' || (mode == 'b' && saveOn == 'y')) echoline(0, mode, 0);
}

int gtitleusage() {
    printout("\r\nUsage: gtitle <number>\r\n");
    return -1;
}

void presentprintdates() {
    printout("Present print dates are %7.3f %7.3f\r\n", printDates[0], printDates[1]);
}

void presentgraphdates() {
    printout("Present graph dates are %7.3f %7.3f %7.3f\r\n", graphDates[0], graphDates[1],
             graphDates[2]);
}

// Trailing blanks and tabs off.
void trimright(char* s) {
    std::size_t n = std::strlen(s);
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t')) s[--n] = 0;
}

}  // namespace

void resetgraphsettings() {
    if (gtfile) std::fclose(gtfile);
    gtfile = nullptr;
    gtfileLineOffsets.clear();
    gtfileLineCount = 0;
    graphSubtitle[0] = 0;
    legendMode = 'y';
    legendMode2 = 'y';
    verticalRangeCount = horizontalRangeCount = 0;
    for (int i = 0; i < 10; ++i) verticalRange[i] = horizontalRange[i] = 0;
    userDates = 'n';
    vaxLabelSide = 'i';
}

int gtfilecmd(std::FILE* in) {
    char token[commandBufferSize];
    const int cls = gettoken(token, in, 0, 200);
    auto usage = [] {
        printout("\r\nUsage: gtfile <stubfile||off>\r\n");
        return -1;
    };
    if (cls != 'a' && cls != '"') return usage();
    if (gtfile) std::fclose(gtfile);
    gtfile = nullptr;
    if (cls == 'a' && std::strcmp(token, "off") == 0) {
        gtfileLineOffsets.clear();
        gtfileLineCount = 0;
        return 0;
    }
    gtfile = std::fopen(token, "rb");
    if (gtfile == nullptr) return usage();  // the table stays; gtitle then finds no file
    // The table holds at most maxTitleLines entries: lines 1..maxTitleLines-1 and the end of
    // the last line indexed.
    gtfileLineOffsets.assign(maxTitleLines, 0);
    gtfileLineCount = 1;
    std::int32_t count = 0, endOfLast = 0;
    bool capped = false;
    unsigned char block[512];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, gtfile)) > 0) {
        for (std::size_t i = 0; i < n; ++i) {
            ++count;
            if (block[i] != '\n' || capped) continue;
            if (gtfileLineCount < maxTitleLines - 1) {
                gtfileLineOffsets[gtfileLineCount++] = count;
            } else {
                endOfLast = count;  // the end of the last line the table can hold
                capped = true;
            }
        }
    }
    gtfileLineOffsets[gtfileLineCount++] = capped ? endOfLast : count;
    return 0;
}

int gtitlecmd(std::FILE* in) {
    if (gtfileLineCount == 0) {
        printout("\r\nuse gtfile first\r\n");
        return gtitleusage();
    }
    char token[80];
    int cls = gettoken(token, in, 0, 78);
    if (cls != 'n') return gtitleusage();
    const long n = std::atol(token);
    if (n < 1 || n > gtfileLineCount - 1) return gtitleusage();
    bool print = false;
    cls = gettoken(token, in, 0, 78);
    if (cls == 'a' && token[0] == 'p') print = true;
    else if (cls != 'f' && cls != 'e') ungettoken();
    if (gtfile == nullptr) return gtitleusage();
    const std::int32_t start = gtfileLineOffsets[n - 1];
    long len = gtfileLineOffsets[n] - start - 1;
    if (len > 80) len = 80;
    if (len < 0) len = 0;
    char bytes[81] = {};
    std::size_t got = 0;
    if (std::fseek(gtfile, start, SEEK_SET) == 0)
        got = std::fread(bytes, 1, static_cast<std::size_t>(len), gtfile);
    std::size_t k = 0;
    for (; k < got; ++k) {
        const unsigned char ch = static_cast<unsigned char>(bytes[k]);
        if (ch == '#' || ch == '\r' || ch == 0 || ch == 255) break;
        currentTitle[k] = ch == '\t' ? ' ' : static_cast<char>(ch);
    }
    currentTitle[k] = 0;
    if (k > 1 && currentTitle[k - 1] == '\n') currentTitle[k - 1] = 0;
    trimright(currentTitle);
    if (print) printout("\r\nti %s\r\n", currentTitle);
    if (saveOn == 'y' || annSaveOn == 'y') {
        // The title goes to the save files as a title command.
        const std::string saved(commandBuffer);
        std::string line = "ti " + std::string(bytes, got) + "\n";
        if (line.size() < static_cast<std::size_t>(commandBufferSize)) {
            std::memcpy(commandBuffer, line.c_str(), line.size() + 1);
            echoline(0, 'b', '%');
            std::memcpy(commandBuffer, saved.c_str(), saved.size() + 1);
        }
    }
    return 0;
}

int subtitlecmd(std::FILE* in) {
    int ch = chop(in);
    while (ch == ' ' || ch == '\t') ch = chop(in);
    std::size_t n = 0;
    while (ch != '\n' && ch != -1 && ch != 18 && ch != 27 && ch >= 0) {
        if (n == 80) {
            skipline(in);
            break;
        }
        graphSubtitle[n++] = static_cast<char>(ch);
        ch = chop(in);
    }
    graphSubtitle[n] = 0;
    trimright(graphSubtitle);
    echoannsave('a');
    return 0;
}

int legendcmd(std::FILE* in) {
    char token[80];
    legendMode = 'y';
    int cls = gettoken(token, in, 0, 78);
    if (cls != 'a') {
        if (cls != 'f' && cls != 'e') ungettoken();
        return 0;
    }
    legendMode = std::strcmp(token, "off") == 0 ? 'n' : token[0];
    cls = gettoken(token, in, 0, 78);
    if (cls == 'a') legendMode2 = token[0];
    else if (cls != 'f' && cls != 'e') ungettoken();
    return 0;
}

int rangecmd(std::FILE* in, char which) {
    float* values = which == 'v' ? verticalRange : horizontalRange;
    int& count = which == 'v' ? verticalRangeCount : horizontalRangeCount;
    char token[80];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'n' || cls == '-') {
        ungettoken();
        int n = 0;
        values[n++] = static_cast<float>(readnumber(in));
        count = n;
        while (n < 10) {
            cls = gettoken(token, in, 0, 78);
            if (cls != 'n' && cls != '-') break;
            ungettoken();
            values[n++] = static_cast<float>(readnumber(in));
            count = n;
        }
    } else if (cls == 'a' && std::strcmp(token, "off") == 0) {
        count = 0;
    } else {
        printout("\r\nError in vrange; see Help for plots.\r\n");
        return -1;
    }
    echoannsave('a');
    return 0;
}

int tdatescmd(std::FILE* in) {
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    if (cls == 'f' || cls == 'e') {
        presentprintdates();
        return 0;
    }
    if (cls == 'a' && token[0] == 'a') {
        printDatesSet = 'n';
        userDates = 'y';
        return 0;
    }
    if (cls != 'n') {
        presentprintdates();
        return -1;
    }
    printDates[0] = static_cast<float>(std::atof(token));
    printDateRange[0] = JexDate(printDates[0]);
    if (gettoken(token, in, 0, 78) != 'n') {
        printout("\r\nNeed two dates.\r\n");
        return -1;
    }
    printDates[1] = static_cast<float>(std::atof(token));
    printDateRange[1] = JexDate(printDates[1]);
    echoannsave('a');
    printDatesSet = 'y';
    return 0;
}

int gdatescmd(std::FILE* in) {
    char token[80];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'f' || cls == 'e') {
        presentgraphdates();
        return 0;
    }
    if (cls == 'a' && token[0] == 'a') {
        graphDatesSet = 'n';
        userDates = 'y';
        return 0;
    }
    if (cls != 'n') {
        presentgraphdates();
        return -1;
    }
    graphDates[0] = static_cast<float>(std::atof(token));
    graphDatesSet = 'y';
    if (gettoken(token, in, 0, 78) != 'n') {
        printout("\r\nNeed at least two dates.\r\n");
        return -1;
    }
    graphDates[1] = static_cast<float>(std::atof(token));
    cls = gettoken(token, in, 0, 78);
    if (cls == 'n') {
        graphDates[2] = static_cast<float>(std::atof(token));
        if (graphDates[2] < graphDates[1]) std::swap(graphDates[1], graphDates[2]);
    } else {
        if (cls != 'f' && cls != 'e') ungettoken();
        graphDates[2] = graphDates[1];
    }
    echoannsave('a');
    return 0;
}

int vaxlabcmd(std::FILE* in) {
    char token[80];
    if (gettoken(token, in, 0, 78) != 'a') {
        printout("Usage: vaxlab <in | out>\r\n");
        return 0;
    }
    auto lower = [&](int i) { return std::tolower(static_cast<unsigned char>(token[i])); };
    if (lower(0) == 'i' && lower(1) == 'n') vaxLabelSide = 'i';
    else if (lower(0) == 'o' && lower(1) == 'u' && lower(2) == 't') vaxLabelSide = 'o';
    else {
        printout("Usage: vaxlab <in | out>\r\n");
        return -1;
    }
    echoannsave('a');
    return 0;
}

}  // namespace graphs
