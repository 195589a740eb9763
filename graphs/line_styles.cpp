#include "graphs/line_styles.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "platform/files.h"

namespace graphs {

LineStyle lineStyles[8];
std::int32_t graphColors[3] = {16777215, 0, 0};
TGrSetFm GrSetFm;

namespace {
// The styles hold their start values from the program's start.
const bool stylesReady = (initlinestyles(), true);
}  // namespace

const char* const TGrSetFm::markItems[9] = {"none", "+", "square", "x",  "diamond",
                                            "^",    "v", ">",      "bar"};

namespace {

struct NamedColour {
    const char* name;
    std::int32_t colour;
};

constexpr NamedColour colourTable[] = {
    {"black", 0},           {"maroon", 128},         {"green", 32768},
    {"olive", 32896},       {"navy", 8388608},       {"purple", 8388736},
    {"teal", 8421376},      {"gray", 8421504},       {"red", 238},
    {"lime", 65280},        {"yellow", 65535},       {"blue", 16711680},
    {"fuchsia", 16711935},  {"aqua", 16776960},      {"ltgray", 13158600},
    {"dkgray", 8421504},    {"white", 16777215},     {"lavender", 16443110},
    {"brown", 2763429},     {"sienna", 2970272},     {"orange", 42495},
    {"tomato", 4678655},    {"coral", 5275647},      {"hotpink", 11823615},
    {"azure", 16777200},    {"skyblue", 15123335},   {"gold", 55295},
    {"dkred", 139},         {"darkred", 139},        {"blood", 139},
    {"ltred", 7295485},     {"lightred", 7295485},   {"dkblue", 9109504},
    {"darkblue", 9109504},  {"ltblue", 16436871},    {"lightblue", 16436871},
    {"dkgreen", 35584},     {"darkgreen", 35584},    {"ltgreen", 10157978},
    {"lightgreen", 10157978}, {"seagreen", 10485588}, {"chartreuse", 65407},
    {"midnight", 7346457},  {"chocolate", 2508191},  {"slategray", 9470064},
    {"forest", 2263842},    {"turquoise", 13422920}, {"pumpkin", 2850256},
};

constexpr char marks[] = "n+sxd^v>b";

int usage(std::FILE* in, int number, int lastClass) {
    printout("Usage: line <number> <color> <width> <mark> <style> <barfill> <left> <right>\n");
    printout("Create line commands with Graph | Settings and 'Save to File'.\n");
    if (number >= 1 && number <= 7) {
        printout("Current \"line\" settings are:\n");
        printout("%s", linesettings(number).c_str());
    }
    if (lastClass != 'f' && lastClass != 'e' && lastClass != -1) skipline(in);
    return -1;
}

}  // namespace

void initlinestyles() {
    struct Start {
        std::int32_t colour;
        std::uint8_t style;
        char mark;
    };
    static const Start starts[8] = {{0, 0, 'n'},        {255, 0, '+'},     {16711680, 1, 's'},
                                    {32768, 2, 'x'},    {16776960, 3, 'd'}, {8388736, 4, '^'},
                                    {8388608, 0, 'v'},  {8388736, 0, 'n'}};
    for (int i = 0; i < 8; ++i)
        lineStyles[i] = LineStyle{starts[i].colour, 2, starts[i].style, 0, starts[i].mark, 0.0f,
                                  1.0f};
    graphColors[0] = 16777215;
    graphColors[1] = 0;
    graphColors[2] = 0;
}

void setpen(Canvas& c, const LineStyle& s) {
    c.setPen(static_cast<std::uint32_t>(s.colour), s.penWidth, s.penStyle);
}

int checkmark(char mark) {
    const char* p = mark ? std::strchr(marks, mark) : nullptr;
    if (p == nullptr) {
        printout("Bad mark: %c.\n", mark);
        return -1;
    }
    return static_cast<int>(p - marks);
}

std::int32_t colourbyname(const char* name) {
    std::string lower(name);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const NamedColour& nc : colourTable)
        if (lower == nc.name) return nc.colour;
    return 0;
}

std::string linesettings(int number) {
    const LineStyle& s = lineStyles[number];
    char buf[160];
    std::snprintf(buf, sizeof buf, "line %d %8d %2d %c %2d %2d %6.3f %6.3f\n", number, s.colour,
                  s.penWidth, s.mark, s.penStyle, s.barFill, s.barLeft, s.barRight);
    return buf;
}

int linecmd(std::FILE* in) {
    char token[80];
    int cls = gettoken(token, in, 0, 78);
    if (cls == 'f' || cls == 'e') return 0;
    if (cls != 'n') return usage(in, 0, cls);
    const int number = std::atoi(token);
    if (number < 1 || number > 7) {
        printout("\nError: in line command, number must fall between 1 and 7.\n");
        return usage(in, number, cls);
    }
    LineStyle& s = lineStyles[number];
    // The colour: a number or a name; the line may end after it.
    cls = gettoken(token, in, 0, 78);
    if (cls == 'n') s.colour = std::atoi(token);
    else if (cls == 'a') s.colour = colourbyname(token);
    else if (cls == 'f' || cls == 'e') {
        printout("%s", linesettings(number).c_str());
        return 0;
    } else return usage(in, number, cls);
    // Width, mark, pen style, bar fill, left, right.
    for (int field = 0; field < 6; ++field) {
        cls = gettoken(token, in, 0, 78);
        if (cls == 'f' || cls == 'e') return 0;
        if (field == 1) {
            if (cls == -1) return usage(in, number, cls);
            s.mark = token[0];
            continue;
        }
        if (cls != 'n') return usage(in, number, cls);
        const double value = std::atof(token);
        switch (field) {
        case 0: s.penWidth = static_cast<std::int32_t>(value); break;
        case 2: s.penStyle = static_cast<std::uint8_t>(std::atoi(token)); break;
        case 3: {
            const int fill = std::atoi(token);
            s.barFill = static_cast<std::uint8_t>(fill == 8 ? 4 : fill == 9 ? 5 : fill >= 10 ? 7 : fill);
            break;
        }
        case 4: s.barLeft = static_cast<float>(value); break;
        case 5: s.barRight = static_cast<float>(value); break;
        }
    }
    return 0;
}

void TGrSetFm::formShow() {
    for (int i = 0; i < 8; ++i) {
        const LineStyle& s = lineStyles[i];
        Row& r = rows[i];
        r.colour = s.colour;
        r.width = std::to_string(s.penWidth);
        r.mark = i == 0 ? 0 : checkmark(s.mark);
        r.style = s.penStyle;
        r.fill = s.barFill;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2f", s.barLeft);
        r.left = buf;
        std::snprintf(buf, sizeof buf, "%.2f", s.barRight);
        r.right = buf;
    }
}

void TGrSetFm::applySettings() {
    lineStyles[0].colour = rows[0].colour;
    for (int i = 1; i <= 7; ++i) {
        LineStyle& s = lineStyles[i];
        const Row& r = rows[i];
        s.colour = r.colour;
        s.penWidth = std::atoi(r.width.c_str());
        if (r.mark >= 0 && r.mark < 9) s.mark = markItems[r.mark][0];
        s.penStyle = static_cast<std::uint8_t>(r.style);
        s.barFill = static_cast<std::uint8_t>(r.fill);
        s.barLeft = static_cast<float>(std::atof(r.left.c_str()));
        s.barRight = static_cast<float>(std::atof(r.right.c_str()));
    }
}

int TGrSetFm::saveBtnClick() {
    std::string name;
    // A cancelled dialog writes nothing.
    if (!saveDialog || !saveDialog(name) || name.empty()) return -1;
    platform::ReplacingFile out(name);
    std::FILE* f = out.open("w");
    bool ok = f != nullptr;
    if (ok) {
        applySettings();
        for (int i = 1; i <= 7; ++i) ok = ok && std::fputs(linesettings(i).c_str(), f) >= 0;
        ok = out.commit() && ok;
    }
    if (!ok) {
        char msg[600];
        std::snprintf(msg, sizeof msg, "Cannot open %s for writing.", name.c_str());
        pausebox(msg, "");
        return -1;
    }
    return 0;
}

}  // namespace graphs
