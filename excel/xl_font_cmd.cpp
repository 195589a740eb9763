// The font and background sub-commands of xl: font and background format a range setting
// by setting; setfont and setbackground keep the default cell font and background.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/printout.h"
#include "excel/excel.h"
#include "excel/jexfont.h"
#include "excel/xl_internal.h"
#include "excel/xlcmd.h"
#include "interp/reader.h"
#include "series/series_state.h"

using xlinternal::islineend;
using xlinternal::istext;
using xlinternal::tokenSize;

namespace {

bool same(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool startswith(const std::string& word, const char* prefix) {
    return strncasecmp(word.c_str(), prefix, std::strlen(prefix)) == 0;
}

// An all-digit text: a whole number.
bool alldigits(const std::string& t) {
    if (t.empty()) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

void colourlines() {
    printout("\t\tNone | Aqua | Black | Blue | Cream | Dark Gray | \n");
    printout("\t\t\tFuchsia | Gray | Green |Lime green | Light Gray | \n");
    printout("\t\t\tMaroon | Medium Gray | Mint green | Navy blue |\n");
    printout("\t\t\tOlive green | Purple | Red | Silver | Sky blue | Teal |\n");
    printout("\t\t\tWhite | Yellow | -c <integer>\n");
}

void fonthelp() {
    printout("Syntax is\n");
    printout("\t\"xl font <col 1><row 1><col 2><row 2><setting>[<setting>...]\"\n");
    printout("\t\"Valid settings include\n");
    printout("\t\tbold\n");
    printout("\t\titalic\n");
    printout("\t\tunderine\n");
    printout("\t\tleft | center | right | justify\n");
    printout("\t\ttop | vcenter | bottom | vjustify\n");
    colourlines();
    printout("\t\t<integer:  font size>\n");
    printout("\t\t\"Times New Roman\" | Arial | \"Courier New\" | -t <\"typeface\">\n");
    printout("\t\tclear (to clear current settings)\n");
}

void backgroundhelp() {
    printout("Syntax is\n");
    printout("\t\"xl background <col 1><row 1><col 2><row 2><setting>\"\n");
    printout("\t\"Valid settings include\n");
    colourlines();
    printout("\t\tclear (to clear current settings)\n");
}

// The range of mode 0: column, row, column, row. 27 when the line ends at once.
struct Range {
    std::string col1, col2;
    int row1 = 0, row2 = 0;
};

int readrange(std::FILE* in, const char* name, Range& r) {
    std::string row;
    int cls;
    if (xlcolumnarg(in, r.col1, cls) != 0) {
        if (islineend(cls)) return 27;
        printout("\nError:  in \"xl %s\" command, next argument must be \"first column\".\n", name);
        return -1;
    }
    if (xlrowarg(in, row, cls) != 0) {
        printout("\nError:  in \"xl %s <col 1>\" command, next argument must be \"first row\".\n", name);
        return -1;
    }
    r.row1 = std::atoi(row.c_str());
    if (xlcolumnarg(in, r.col2, cls) != 0) {
        printout("\nError:  in \"xl %s <col 1><row 1>\" command, next argument must be \"second column\".\n", name);
        return -1;
    }
    if (xlrowarg(in, row, cls) != 0) return -1;
    r.row2 = std::atoi(row.c_str());
    return 0;
}

// The settings of xl font (mode 0, applied to the range one by one) and xl setfont (mode 1,
// kept as the default cell font when the whole line was accepted).
int fontsettings(std::FILE* in, int mode, const Range& range) {
    JexFont font;
    char token[251];
    auto apply = [&](const std::string& text, int option) {
        return mode != 0 || excelSession.setFormat(range.col1, range.row1, range.col2, range.row2, text, option) == 0;
    };
    auto badsetting = [] {
        printout("\nError:  in \"xl font <col 1><row 1><col 2><row 2>\" command, \nnext argument must be a valid font setting (e.g. \"bold\").\n");
        return -1;
    };
    // The token after a flag word: 0 when it turns the flag off (a token beginning with 0,
    // or no or false); any other token is given back.
    auto offword = [&]() {
        char next[tokenSize];
        int cls = gettoken(next, in, 0, tokenSize);
        if ((cls == 'n' || istext(cls)) &&
            (next[0] == '0' || std::strcmp(next, "no") == 0 || std::strcmp(next, "false") == 0))
            return true;
        ungettoken();
        return false;
    };
    for (;;) {
        int cls = gettoken(token, in, 0, sizeof token);
        if (islineend(cls)) break;
        std::string text;
        int option;
        if (cls == 'n') {
            font.setSize(std::atoi(token));
            text = token;
            option = 'n';
        } else if (cls == '=' || cls == '~' || cls == '-' || cls == '_') {
            text = std::string(1, static_cast<char>(cls));
            font.setUnderline(text);
            option = 'u';
        } else if (!istext(cls)) {
            return badsetting();
        } else {
            const std::string w = token;
            static const char* const underlines[] = {"UnderlineDouble", "UnderlineDoubleAccounting", "UnderlineNone",
                                                     "UnderlineSingle", "UnderlineSingleAccounting"};
            const char* named = nullptr;
            for (const char* u : underlines)
                if (same(w, u)) named = u;
            if (same(w, "bold") || same(w, "italic")) {
                const int flag = offword() ? 0 : 1;
                if (same(w, "bold")) font.setBold(flag);
                else font.setItalic(flag);
                text = same(w, "bold") ? "bold" : "italic";
                option = flag;
            } else if (named) {
                if (font.setUnderline(named) != 0) printout("Error:  cannot set underline for font.\n");
                text = std::string(1, font.underline());
                if (font.underline() == 0) text.clear();
                option = 'u';
            } else if (startswith(w, "underline")) {
                char next[tokenSize];
                int c = gettoken(next, in, 0, tokenSize);
                if (c == '-' || c == '=' || c == '_' || c == '~' ||
                    (istext(c) && std::strchr("-=_~", next[0]) && next[0] != '\0')) {
                    text = next;
                } else if ((c == 'n' || istext(c)) && (next[0] == '0' || std::strcmp(next, "no") == 0 ||
                                                       std::strcmp(next, "false") == 0)) {
                    text.clear();
                } else {
                    ungettoken();
                    text = "-";
                }
                if (font.setUnderline(text) != 0) printout("Error:  cannot set underline for font.\n");
                option = 'u';
            } else if (same(w, "left") || same(w, "center") || same(w, "right") || same(w, "justify")) {
                if (font.setHorizontal(w) != 0) printout("Error:  cannot set horizontal position for font.\n");
                text = w;
                option = 'h';
            } else if (same(w, "top") || same(w, "vcenter") || same(w, "bottom") || same(w, "vjustify")) {
                if (font.setVertical(w) != 0) printout("Error:  cannot set vertical position for font.\n");
                text = w;
                option = 'v';
            } else if (JexFont::isColorName(w)) {
                if (!xlinternal::readcolour(in, w, font,
                                            "\nError:  in \"xl font\" command, \nthe RGB color syntax is incorrect (i.e. \"RGB(<int1>,<int2>,<int3>)\").\n"))
                    return -1;
                text = font.colorName();
                option = 'c';
            } else if (same(w, "pitch") || same(w, "size") || same(w, "point")) {
                char next[tokenSize];
                if (gettoken(next, in, 0, tokenSize) == 'n') {
                    if (same(w, "point")) font.setPitch(std::atoi(next));
                    else font.setSize(std::atoi(next));
                    text = next;
                } else {
                    ungettoken();
                    font.setSize(12);
                    text = "12";
                }
                option = 'n';
            } else if (((startswith(w, "pitch") || startswith(w, "point")) && alldigits(w.substr(5))) ||
                       (startswith(w, "size") && alldigits(w.substr(4)))) {
                text = w.substr(startswith(w, "size") ? 4 : 5);
                font.setSize(std::atoi(text.c_str()));
                option = 'n';
            } else if (same(w, "wrap") || same(w, "textwrap")) {
                char next[tokenSize];
                int c = gettoken(next, in, 0, tokenSize);
                if (c == 'a' && std::strcmp(next, "off") == 0) {
                    text = "0";
                } else {
                    ungettoken();
                    text = "1";
                }
                option = 'w';
            } else if (same(w, "separator")) {
                char next[tokenSize];
                int c = gettoken(next, in, 0, tokenSize);
                ungettoken();
                std::string separator = ",";
                if (c == '(' && parseparens(in, separator) != 0) {
                    printout("\nError:  in \"xl font\" command, \nthe format syntax is incorrect (i.e. \"separator(<separator>)\").\n");
                    return -1;
                }
                font.setSeparator(separator);
                if (font.formatKeyword().empty()) continue;
                text = font.numberFormat();
                option = 'F';
            } else if (w == "format" || JexFont::isFormatName(w)) {
                std::string keyword = w;
                if (w == "format" && parseparens(in, keyword) != 0) {
                    printout("\nError:  in \"xl font\" command, \nthe format syntax is incorrect (i.e. \"format(<format>)\").\n");
                    return -1;
                }
                font.makeFormat(keyword, decsGiven && decs <= 9 ? decs : 0);
                text = font.numberFormat();
                option = 'F';
            } else if (w == "TF" || w == "typeface") {
                std::string face;
                if (parseparens(in, face) != 0) {
                    printout("\nError:  in \"xl font\" command, \nthe typeface syntax is incorrect (i.e. \"TF(<typeface>)\" or\"TF(\"<typeface>\")\").\n");
                    return -1;
                }
                font.setTypeface(face);
                text = face;
                option = 't';
            } else if (JexFont::isTypeface(w)) {
                font.setTypeface(w);
                text = w;
                option = 't';
            } else if (w == "clear") {
                font = JexFont();
                text = "clear";
                option = 0;
            } else {
                return badsetting();
            }
        }
        if (!apply(text, option)) return -1;
    }
    if (mode == 1) excelSession.setFont(font);
    return 0;
}

int backgroundsettings(std::FILE* in, int mode, const Range& range) {
    JexFont font;
    char token[251];
    for (;;) {
        int cls = gettoken(token, in, 0, sizeof token);
        if (islineend(cls)) break;
        if (!istext(cls)) {
            if (cls != -1) {
                printout("\nError:  in \"xl background <col 1><row 1><col 2><row 2>\" command, \nnext argument must be a valid color setting.\n");
            }
            return -1;
        }
        const std::string w = token;
        std::string text;
        int option;
        if (JexFont::isColorName(w)) {
            if (!xlinternal::readcolour(in, w, font,
                                        "\nError:  in \"xl background\" command, \nthe RGB color syntax is incorrect (i.e. \"RGB(<int1>,<int2>,<int3>)\").\n"))
                return -1;
            text = font.colorName();
            option = 'c';
        } else if (w == "clear") {
            font = JexFont();
            text = "clear";
            option = 0;
        } else {
            return -1;
        }
        if (mode == 0 &&
            excelSession.setFormatBackground(range.col1, range.row1, range.col2, range.row2, text, option) != 0)
            return -1;
    }
    if (mode == 1) excelSession.setBackground(font.colorName());
    return 0;
}

// Both commands: the range (mode 0), the settings, the help text after a refusal.
int fontorbackground(std::FILE* in, int mode, bool background) {
    const char* name = background ? "background" : "font";
    int rc;
    try {
        Range range;
        rc = mode == 0 ? readrange(in, name, range) : 0;
        if (rc == 0) rc = background ? backgroundsettings(in, mode, range) : fontsettings(in, mode, range);
    } catch (...) {
        printout("\nError:  in Excel \"%s\" command.\n", name);
        return -1;
    }
    if (rc != 0) {
        if (background) backgroundhelp();
        else fonthelp();
    }
    return rc;
}

}  // namespace

bool xlinternal::readcolour(std::FILE* in, const std::string& word, JexFont& font, const char* rgbMessage) {
    if (same(word, "RGB")) {
        int red, green, blue;
        if (parsergb(in, red, green, blue) != 0) {
            printout("%s", rgbMessage);
            return false;
        }
        return font.setColorRGB(red, green, blue) == 0;
    }
    return font.setColorName(word) == 0;
}

int xlfontcmd(std::FILE* in, int mode) { return fontorbackground(in, mode, false); }
int xlbackgroundcmd(std::FILE* in, int mode) { return fontorbackground(in, mode, true); }
