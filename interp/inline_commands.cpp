#include "interp/inline_commands.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "banks/startup.h"
#include "core/printout.h"
#include "excel/jexfont.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/platform.h"
#include "shell/configdialog.h"
#include "shell/mainform.h"
#include "shell/shell_commands.h"
#include "vam/groups.h"

namespace {

constexpr int wordSize = 78;

// Sleeps in short steps so that the Escape key cuts a long pause short; the key stays
// pressed for the command loop, which then aborts the add file.
void sleepfor(int milliseconds) {
    constexpr int step = 100;
    for (int left = milliseconds; left > 0; left -= step) {
        if (platform::escapePressed()) {
            platform::pressEscape();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(left < step ? left : step));
    }
}

std::FILE* inputof(const dispatch::Call& call) { return call.in ? *call.in : nullptr; }

bool equalsnocase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

bool beginsnocase(const char* word, const char* start, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (!word[i] || !start[i]) return false;
        if (std::tolower(static_cast<unsigned char>(word[i])) !=
            std::tolower(static_cast<unsigned char>(start[i])))
            return false;
    }
    return true;
}

// ---- the vocabulary of the font commands ----

bool knowntypeface(const char* name) {
    static const char* const typefaces[] = {
        "Courier New", "Arial", "Times New Roman", "Times", "Arial Black", "Arial Narrow",
        "Book Antiqua", "Bookman Old Style", "Century", "Century Gothic", "Century Schoolbook",
        "Comic Sans MS", "Courier", "Fixedsys", "Garamond", "Impact", "Lucida Bright",
        "Lucida Sans Regular", "Lucida Sans Typewriter Regular", "Palatino Linotype", "Symbol",
        "Tahoma", "Trebuchet MS", "Verdana", "Wingdings", "TF", "typeface"};
    for (const char* face : typefaces)
        if (equalsnocase(name, face)) return true;
    return false;
}

// The colour value of a colour name (the font descriptor's table; the empty text is
// black); false when the word names no colour.
bool colorbyname(const char* word, int& value) { return JexFont::colorByName(word, value); }

// "(" r "," g "," b ")" with each part 0..255; false on any other form.
bool readrgb(std::FILE* in, int& value) {
    char token[wordSize];
    int part[3] = {0, 0, 0};
    if (gettoken(token, in, 0, wordSize) != '(') return false;
    for (int i = 0; i < 3; ++i) {
        if (gettoken(token, in, 0, wordSize) != 'n') return false;
        part[i] = std::atoi(token);
        if (gettoken(token, in, 0, wordSize) != (i < 2 ? ',' : ')')) return false;
    }
    for (int p : part)
        if (p < 0 || p > 255) return false;
    value = part[0] + 256 * part[1] + 65536 * part[2];
    return true;
}

// ---- the font words ----

enum class FontSetting { name, size, color, background, autosize, bold, italic, underline, strikeout };

struct FontWord {
    const char* word;
    bool editor;
    FontSetting setting;
    const char* report;
};

const FontWord fontWords[] = {
    {"mainfontname", false, FontSetting::name, "Main window font name is \"%s.\"\n"},
    {"edfontname", true, FontSetting::name, "Editor window font name is \"%s.\"\n"},
    {"mainfontsize", false, FontSetting::size, "Main window font size is \"%d.\"\n"},
    {"edfontsize", true, FontSetting::size, "Editor font size is \"%d.\"\n"},
    {"mainfontcolor", false, FontSetting::color, "Main window font color is \"%d.\"\n"},
    {"maincolor", false, FontSetting::background, "Main window color is \"%d.\"\n"},
    {"edfontcolor", true, FontSetting::color, "Editor window font color is \"%d.\"\n"},
    {"edcolor", true, FontSetting::background, "Editor window color is \"%d.\"\n"},
    {"mainautofontsize", false, FontSetting::autosize, "mainautofontsize setting is \"%d.\"\n"},
    {"mainfontbold", false, FontSetting::bold, "Main window font bold setting is \"%d.\"\n"},
    {"mainfontitalic", false, FontSetting::italic, "Main window font italic setting is \"%d.\"\n"},
    {"mainfontunderline", false, FontSetting::underline,
     "Main window font underline setting is \"%d.\"\n"},
    {"mainfontstrikeout", false, FontSetting::strikeout,
     "Main window font strikeout setting is \"%d.\"\n"},
    {"edfontbold", true, FontSetting::bold, "Editor window font bold setting is \"%d.\"\n"},
    {"edfontitalic", true, FontSetting::italic, "Editor window font italic setting is \"%d.\"\n"},
    {"edfontunderline", true, FontSetting::underline,
     "Editor window font underline setting is \"%d.\"\n"},
    {"edfontstrikeout", true, FontSetting::strikeout,
     "Editor window font strikeout setting is \"%d.\"\n"},
};

bool& styleflag(WindowFont& font, FontSetting setting) {
    switch (setting) {
        case FontSetting::bold: return font.bold;
        case FontSetting::italic: return font.italic;
        case FontSetting::underline: return font.underline;
        default: return font.strikeout;
    }
}

void reportfont(const FontWord& fw) {
    WindowFont& font = fw.editor ? editorFont : mainFont;
    switch (fw.setting) {
        case FontSetting::name: printout(fw.report, font.name.c_str()); break;
        case FontSetting::size: printout(fw.report, font.size); break;
        case FontSetting::color: printout(fw.report, font.color); break;
        case FontSetting::background: printout(fw.report, fw.editor ? editorColor : mainColor); break;
        case FontSetting::autosize: printout(fw.report, mainAutoFontSize ? 1 : 0); break;
        default: printout(fw.report, styleflag(font, fw.setting) ? 1 : 0); break;
    }
}

// Sets what the word names from one token. 0 done (also when the line ended without a
// value), 1 a bad value, 2 a bad RGB form.
int setfont(const FontWord& fw, std::FILE* in) {
    WindowFont& font = fw.editor ? editorFont : mainFont;
    char token[wordSize];
    int cls = gettoken(token, in, 0, wordSize);
    if (cls == 'f' || cls == 'e') return 0;
    switch (fw.setting) {
        case FontSetting::name:
            if ((cls != 'a' && cls != '"') || !knowntypeface(token)) return 1;
            font.name = token;
            return 0;
        case FontSetting::size: {
            if (cls != 'n') return 1;
            int n = std::atoi(token);
            font.size = n >= 1 ? n : -1;
            return 0;
        }
        case FontSetting::color:
        case FontSetting::background: {
            int value = 0;
            if (cls == 'n') {
                value = static_cast<int>(std::strtoll(token, nullptr, 10));
            } else if (cls == 'a' && beginsnocase(token, "RGB", 3)) {
                if (!readrgb(in, value)) return 2;
            } else if (cls != 'a' || !colorbyname(token, value)) {
                return 1;
            }
            if (fw.setting == FontSetting::color) font.color = value;
            else (fw.editor ? editorColor : mainColor) = value;
            return 0;
        }
        case FontSetting::autosize:
            if (cls == 'n') mainAutoFontSize = std::atof(token) != 0;
            else if (cls == 'a' && token[0] == 'y') mainAutoFontSize = true;
            else if (cls == 'a' && token[0] == 'n') mainAutoFontSize = false;
            else return 1;
            return 0;
        default: {
            bool on;
            if (cls == 'n') on = std::atof(token) != 0;
            else if (cls == 'a' || cls == '"')
                on = token[0] == 'y' || token[0] == 't' || std::strcmp(token, "on") == 0;
            else return 1;
            styleflag(font, fw.setting) = on;
            return 0;
        }
    }
}

}  // namespace

void (*pauseSleeper)(int milliseconds) = sleepfor;
void (*beepSounder)() = consolebeep;

int wsresetinline(const dispatch::Call& call) {
    std::FILE* in = inputof(call);
    char token[wordSize];
    int cls = gettoken(token, in, 0, wordSize);
    if (cls == 'a' || cls == '"') {
        // The directory is read on to the end of the line (or '#') as cd reads it, so that
        // a name holding blanks is taken whole. A path naming the configuration file keeps
        // its directory part; the file name alone means the current directory.
        std::string name = readdirectoryname(in, token);
        std::size_t cfg = name.find("jex.cfg");
        if (cfg != std::string::npos) name.erase(cfg);
        if (!name.empty()) {
            changedirectory(name.c_str());
        } else {
            pwdcmd();
            recordworkingdirectory();
        }
        Main.configFileName = name;
    } else {
        const char* warning = "Warning:  All workspace data will be lost.  Continue?\n";
        printout("%s", warning);
        if (pausebox(warning, "Pause") == 27) return 27;
    }
    // The start-up configuration dialog, unless the line names jex.cfg; the named groups are
    // those of the new directory.
    if (std::strstr(commandBuffer, "jex.cfg") == nullptr) showconfigdialog();
    pwdcmd();
    recordworkingdirectory();
    opengrouphome();
    if (readstartupcfg() == -1) {
        printout("Because the directory you selected has no jex.cfg file,\n");
        printout("you have no workspace or assigned banks.\n");
        printout("Unless you are up to something sophisticated, you should probably quit while you can!\n");
        printout("To do so, type 'q' and tap 'Enter'.\n");
    }
    return 0;
}

int autocompleteinline(const dispatch::Call& call) {
    char token[wordSize];
    int cls = gettoken(token, inputof(call), 0, wordSize);
    if (cls == 'a') {
        if (std::strcmp(token, "on") == 0 || token[0] == 'y') autoComplete = true;
        else if (std::strcmp(token, "off") == 0 || token[0] == 'n') autoComplete = false;
        else cls = 0;
    }
    if (cls != 'a' && cls != 'f' && cls != 'e') {
        printout("Error:  syntax is \"autocomplete <[on]|[off]>\"\n");
        return -1;
    }
    if (addPrint != 0) printout("Autocomplete is %s.\n", autoComplete ? "yes" : "no");
    return 0;
}

int windowfontinline(const dispatch::Call& call) {
    const FontWord* fw = nullptr;
    for (const FontWord& w : fontWords)
        if (std::strcmp(w.word, call.name) == 0) fw = &w;
    if (!fw) return -1;
    std::FILE* in = inputof(call);
    int result = setfont(*fw, in);
    if (result == 1) {
        skipline(in);
        printout("Error:  in %s specification.\n  ", fw->word);
    } else if (result == 2) {
        printout("\nError:  in \"%s\" command, \nthe RGB color syntax is incorrect "
                 "(e.g. \"RGB(<int1>,<int2>,<int3>)\").\n",
                 fw->word);
    }
    if (result != 0 || addPrint != 0) reportfont(*fw);
    return result == 0 ? 0 : -1;
}

int backinline(const dispatch::Call& call) {
    call.action = LoopAction::back;
    return 0;
}

int quitinline(const dispatch::Call& call) {
    call.action = LoopAction::quit;
    return 0;
}

int beepinline(const dispatch::Call&) {
    for (int i = 0; i < 3; ++i) beepSounder();
    return 0;
}

int checkinline(const dispatch::Call&) { return 0; }

int pauseinline(const dispatch::Call& call) {
    char token[wordSize];
    int cls = gettoken(token, inputof(call), 0, wordSize);
    if (cls == 'a' || cls == '"') return pausebox(token, "Pause");
    if (cls == 'n') {
        double seconds = std::atof(token);
        if (seconds < 0) seconds = 0;
        if (seconds > 1000) seconds = 1000;
        Main.repaintResults();
        pauseSleeper(static_cast<int>(seconds * 1000));
        return 0;
    }
    return pausebox("Paused: Hit a key to continue, ESC to cancel add file.", "Pause");
}

int pwdinline(const dispatch::Call&) {
    pwdcmd();
    return 0;
}

int clearinline(const dispatch::Call&) {
    Main.Clearresults1Click();
    return 0;
}

int pmmodecmd(std::FILE* in, bool& advanced) {
    char token[wordSize];
    int cls = gettoken(token, in, 0, wordSize);
    if (cls == 'a') {
        advanced = token[0] == 'a';
        return 0;
    }
    printout("Pmmode is \"%s\".\n", advanced ? "advanced" : "simple");
    return (cls == 'f' || cls == 'e') ? 0 : -1;
}
