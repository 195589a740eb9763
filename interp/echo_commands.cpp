#include "interp/echo_commands.h"

#include <cstring>
#include <filesystem>
#include <string>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "shell/mainform.h"

namespace {

constexpr int wordSize = 78;

// Sets percentMode for the life of the object and puts the old value back on every way out.
class PercentModeGuard {
public:
    explicit PercentModeGuard(int mode) : saved_(percentMode) { percentMode = mode; }
    ~PercentModeGuard() { percentMode = saved_; }
    PercentModeGuard(const PercentModeGuard&) = delete;
    PercentModeGuard& operator=(const PercentModeGuard&) = delete;

private:
    int saved_;
};

bool isabort(int c) { return c == 27 || c == 18; }

void closeoutput(char& on, std::FILE*& file) {
    if (file) std::fclose(file);
    file = nullptr;
    on = 'n';
}

// The optional "-a" / "-w" and the file name of save and catch. Returns false on a format
// error; `name` receives the file name (or "off"), `mode` "w" or "a".
bool parsefilearguments(std::FILE* in, char* name, const char*& mode) {
    mode = "w";
    int cls = gettoken(name, in, 0, wordSize);
    if (cls != 'a' && cls != '"' && cls != '-') return false;
    if (cls == '-') {
        char option[wordSize];
        if (gettoken(option, in, 0, wordSize) != 'a') return false;
        if (option[0] == 'a') mode = "a";
        else if (option[0] != 'w') return false;
        cls = gettoken(name, in, 0, wordSize);
        if (cls != 'a' && cls != '"') return false;
    }
    return true;
}

// The same, printing the command's format when the arguments are wrong.
bool readfilearguments(std::FILE* in, char* name, const char*& mode, const char* format) {
    if (parsefilearguments(in, name, mode)) return true;
    printout("%s", format);
    return false;
}

std::string fullpath(const char* name) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(name, error);
    return error ? std::string(name) : path.string();
}

bool validsavetype(const char* word) {
    static const char* const types[] = {"data", "vdata", "vupdate", "ovr", "cta", "fix", "mul",
                                        "ind",  "gro",   "stp",     "update", "gf", "dump"};
    for (const char* type : types)
        if (std::strcmp(word, type) == 0) return true;
    return false;
}

// annsave and rhosave: a word naming the file, or off.
int switchfile(std::FILE* in, char& on, std::FILE*& file, const char* command) {
    char name[wordSize];
    if (gettoken(name, in, 0, wordSize) != 'a') {
        printout("Usage:  %s <filename | off>\n", command);
        return -1;
    }
    if (std::strcmp(name, "off") == 0) {
        closeoutput(on, file);
        return 0;
    }
    closeoutput(on, file);
    file = std::fopen(name, "w");
    if (!file) {
        printout("Cannot open %s for saving.\n", name);
        return -1;
    }
    on = 'y';
    return 0;
}

// Reads characters to the line end into `text` (at most `limit`); beyond the limit the rest
// of the line is dropped. Returns the character or code that ended the reading: '\n', -1
// (end of input), 27 or 18, or another non-character status of the reader.
int readtoline(std::FILE* in, std::string& text, std::size_t limit) {
    for (;;) {
        int c = chop(in);
        if (c == '\n' || c < 0 || c > 255 || isabort(c)) return c;
        text += static_cast<char>(c);
        if (text.size() >= limit) {
            int r = skipline(in);
            return r == 0 ? '\n' : r;
        }
    }
}

// title and vaxtitle: skip blanks, read to the line end (at most `limit` characters).
void readtitle(std::FILE* in, char* title, std::size_t limit, bool dropReturn) {
    int c = chop(in);
    while (c == ' ' || c == '\t') c = chop(in);
    std::string text;
    if (c == -1 || isabort(c) || c < 0 || c > 255) {
        // an abort or the end of the input ends the title before it starts
    } else if (c != '\n') {
        unchop(c);
        readtoline(in, text, limit);
    }
    if (dropReturn && text.size() >= 2 && text.back() == '\r') text.pop_back();
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    std::memcpy(title, text.c_str(), text.size() + 1);
}

// Copies the command line to the save file (mode 'b', with the annsave file) or the annsave
// file alone (mode 'a') up to its first '%'. A line cut at a '%' still ends with a line end,
// so that the next statement written to the file starts a line of its own.
void echocommandline(char mode) {
    echoline(0, mode, '%');
    const char* end = std::strchr(commandBuffer, '\n');
    const char* percent = std::strchr(commandBuffer, '%');
    if (!percent || (end && percent > end)) return;
    if (mode == 'b' && saveOn == 'y' && saveFile) std::fputc('\n', saveFile);
    if (annSaveOn == 'y' && annSaveFile) std::fputc('\n', annSaveFile);
}

}  // namespace

int savecmd(std::FILE* in) {
    static const char* const format = "\r\nFormat is \r\n save [-a|-w] <filename | off> \r\n";
    char name[wordSize];
    const char* mode = "w";
    if (!readfilearguments(in, name, mode, format)) return -1;
    if (std::strcmp(name, "off") == 0) {
        if (saveOn == 'n') {
            printout("Saving is not on.\n");
        } else {
            closesavefile();
            saveEcho = 'n';
            saveTypeGiven = 'n';
            std::strcpy(saveType, "update");
        }
        return 0;
    }

    // The old file is closed and forgotten before the new one is tried, so that nobody
    // writes into a closed stream when the new one cannot be opened.
    closesavefile();
    saveFile = std::fopen(name, mode);
    if (!saveFile) {
        printout("Cannot open %s for saving.\n", name);
        return -1;
    }
    saveOn = 'y';
    saveFilePath = fullpath(name);
    saveFileName = name;

    char type[wordSize];
    if (gettoken(type, in, 0, wordSize) == 'a') {
        if (validsavetype(type)) {
            std::strcpy(saveType, type);
            saveTypeGiven = 'y';
        } else {
            printout("%s not a valid type.  Ignored.\r\n", type);
        }
    }
    return 0;
}

int catchcmd(std::FILE* in) {
    static const char* const format = "\r\nFormat is \r\n catch [-a | -w] <filename | off> \r\n";
    char name[wordSize];
    const char* mode = "w";
    if (!readfilearguments(in, name, mode, format)) return -1;
    if (std::strcmp(name, "off") == 0) {
        if (catchOn == 'y') {
            if (catchFile) std::fputs("\r\n", catchFile);
            closecatchfile();
            printout("Catching is now off.\n");
        } else {
            printout("Catching was not on.\n");
        }
        return 0;
    }
    closecatchfile();
    catchFile = std::fopen(name, mode);
    if (!catchFile) {
        printout("\nError:  Cannot open %s for catching.\n", name);
        return 0;
    }
    catchFileName = name;
    catchOn = 'y';
    return 0;
}

int annsavecmd(std::FILE* in) { return switchfile(in, annSaveOn, annSaveFile, "annsave"); }

int rhosavecmd(std::FILE* in) { return switchfile(in, rhoSaveOn, rhoSaveFile, "rhosave"); }

int addprintcmd(std::FILE* in) {
    char word[wordSize];
    int cls = gettoken(word, in, 0, wordSize);
    if (cls == 'a') {
        addPrint = (word[0] == 'n' || word[0] == 'N') ? 0 : 1;
        printout("\r\naddprint is %d\r\n", addPrint);
        return 0;
    }
    printout("\nAddprint is set to \"%s.\"", addPrint == 1 ? "yes" : "no");
    printout("\r\nFormat is \r\n addprint <y | n>\r\n");
    return (cls == 'f' || cls == 'e') ? 0 : -1;
}

int iccmd(std::FILE* in) {
    std::string text;
    int end;
    {
        PercentModeGuard quiet(2);
        end = readtoline(in, text, 499);
    }
    if (end == -1 || isabort(end)) return end;
    if (saveOn == 'y' && saveFile)
        std::fprintf(saveFile, "#%s\n", text.c_str());
    else
        printoutlong("%s\r\n", text.c_str());
    return 0;
}

int textcmd(std::FILE* in) {
    PercentModeGuard quiet(2);
    int c = chop(in);
    if (c == '\n' || c == -1 || isabort(c) || c < 0 || c > 255) return 0;
    std::string text;
    int end = readtoline(in, text, 2998);
    if (end == 27) return 27;
    if (end != '\n') {
        printout("\nError:  in text command, need valid text.\n");
        return -1;
    }
    if (saveOn == 'y' && saveFile)
        std::fprintf(saveFile, "%s\n", text.c_str());
    else
        printoutlong("%s\n", text.c_str());
    return 0;
}

int cccmd(std::FILE* in) {
    if (saveOn != 'y' || !saveFile) {
        skipstatement(in);
        return 0;
    }
    std::string rest;
    int end;
    {
        PercentModeGuard quiet(2);
        end = readtoline(in, rest, 2989);
    }
    if (end != '\n') return end;
    const char* newline = std::strchr(commandBuffer, '\n');
    std::size_t n = newline ? static_cast<std::size_t>(newline - commandBuffer)
                            : std::strlen(commandBuffer);
    std::fwrite(commandBuffer, 1, n, saveFile);
    std::fputc('\n', saveFile);
    return 0;
}

int secondcmd(std::FILE* in) {
    secondMode = 'y';
    char word[wordSize];
    int cls = gettoken(word, in, 0, wordSize);
    if (cls == 'a' && std::strcmp(word, "off") == 0) secondMode = 'n';
    return 0;
}

int titlecmd(std::FILE* in) {
    readtitle(in, currentTitle, titleSize - 1, true);
    if (saveOn == 'y' || annSaveOn == 'y') echocommandline('b');
    return 0;
}

int vaxtitlecmd(std::FILE* in) {
    readtitle(in, vaxTitle, vaxTitleSize - 1, false);
    if (annSaveOn == 'y') echocommandline('a');
    return 0;
}

int autoprintcmd(std::FILE* in) {
    char word[wordSize];
    if (gettoken(word, in, 0, wordSize) == 'a' && (word[0] == 'y' || word[0] == 'n')) {
        autoPrint = word[0];
        return 0;
    }
    printout("Usage is\n  autoprint  <y|n>\n");
    return -1;
}

int commandcachecmd(std::FILE* in) {
    char word[wordSize];
    if (gettoken(word, in, 0, wordSize) == 'a') {
        if (std::strcmp(word, "clear") == 0) {
            Main.ClearCache1Click();
            return 0;
        }
        if (std::strcmp(word, "print") == 0) {
            Main.DisplayPreviousCommands1Click();
            return 0;
        }
        if (std::strcmp(word, "replay") == 0) {
            Main.ReplayCachedCommands1Click();
            return 0;
        }
    }
    printout("Error:  invalid option in commandcache.\n");
    return -1;
}
