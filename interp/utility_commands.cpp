#include "interp/utility_commands.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/printout.h"
#include "core/random.h"
#include "interp/addfile.h"
#include "interp/commandloop.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "shell/menu_handlers.h"

SystemTime timerStart;

namespace {

template <class T>
class Keep {
public:
    explicit Keep(T& var) : var_(var), saved_(var) {}
    Keep(T& var, T value) : var_(var), saved_(var) { var_ = value; }
    ~Keep() { var_ = saved_; }
    Keep(const Keep&) = delete;
    Keep& operator=(const Keep&) = delete;

private:
    T& var_;
    T saved_;
};

bool isLineEnd(int c) { return c == '\n' || c == '\r'; }

std::tm localnow() {
    std::time_t t = static_cast<std::time_t>(platform::unixTimeNow());
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

// The floating-point check of the command loop: 27 when the user cancels the box.
int fpcheckbox() {
    if (!platform::floatingPointFault()) return 0;
    platform::clearFloatingPointStatus();
    return pausebox("Arithmetic error in last operation. Do not trust result.\n", "Error");
}

// Removes a file on every way out.
class TempFile {
public:
    TempFile() = default;
    ~TempFile() {
        if (!path.empty()) std::remove(path.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    std::string path;
};

const char* const stepHelp =
    "\"step\" command steps through code one command at a time.\nOptions are \"-y\" to turn addprint on and \"-n\" to turn addprint off.\n\"off\" turns off the stepping process.\n\"step -y\"  turns on the stepping procedure and turns addprint on.\n\"step -n off\" stops the stepping procedure and turns addprint off.\r\n";

}  // namespace

// ---------------------------------------------------------------- clocks

SystemTime systemtimenow() {
    double now = platform::secondsNow();
    double whole = std::floor(now);
    std::time_t t = static_cast<std::time_t>(whole);
    std::tm utc{};
    gmtime_r(&t, &utc);
    SystemTime s;
    s.year = utc.tm_year + 1900;
    s.month = utc.tm_mon + 1;
    s.day = utc.tm_mday;
    s.hour = utc.tm_hour;
    s.minute = utc.tm_min;
    s.second = utc.tm_sec;
    s.millisecond = static_cast<int>((now - whole) * 1000.0);
    if (s.millisecond > 999) s.millisecond = 999;
    return s;
}

std::int64_t filetimediff(const SystemTime& start, const SystemTime& end) {
    auto ticks = [](const SystemTime& s) -> std::int64_t {
        std::tm t{};
        t.tm_year = s.year - 1900;
        t.tm_mon = s.month - 1;
        t.tm_mday = s.day;
        t.tm_hour = s.hour;
        t.tm_min = s.minute;
        t.tm_sec = s.second;
        std::int64_t secs = static_cast<std::int64_t>(timegm(&t));
        return secs * 10000000 + static_cast<std::int64_t>(s.millisecond) * 10000;
    };
    return ticks(end) - ticks(start);
}

std::string timeofday(const std::tm& local) {
    int h = local.tm_hour;
    const char* phrase = h <= 11   ? " in the morning, on "
                         : h <= 15 ? " in the afternoon, on "
                         : h <= 21 ? " in the evening, on "
                                   : " at night, on ";
    int h12 = h > 12 ? h - 12 : h == 0 ? 12 : h;
    char buf[128];
    std::snprintf(buf, sizeof buf, "%2d:%02d:%02d%s%02d/%02d/%04d.\n", h12, local.tm_min,
                  local.tm_sec, phrase, local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return buf;
}

std::string timestamptext(const std::tm& local) {
    int h = local.tm_hour;
    const char* suffix;
    if (h < 13) {
        suffix = h == 12 ? "PM" : "AM";
    } else {
        h -= 12;
        suffix = "PM";
    }
    char date[64], time[64], stamp[160];
    std::snprintf(date, sizeof date, "%2d/%2d/%4d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900);
    std::snprintf(time, sizeof time, "%d:%02d %s", h, local.tm_min, suffix);
    std::snprintf(stamp, sizeof stamp, " Created on %s %s.", date, time);
    return stamp;
}

int timercmd(std::FILE* in) {
    char buf[78];
    int t = gettoken(buf, in, 0, sizeof buf);
    if (t == 'f' || t == 'e') {
        printout("Year:  %d\nMonth:  %d\nDay:  %d\nHour:  %d\nMinute:  %d\nSecond:  %d\nMillisecond:  %d\n",
                 timerStart.year, timerStart.month, timerStart.day, timerStart.hour,
                 timerStart.minute, timerStart.second, timerStart.millisecond);
        return 0;
    }
    if (t == 'a' && (std::strncmp(buf, "on", 2) == 0 || std::strncmp(buf, "sta", 3) == 0)) {
        timerStart = systemtimenow();
        return 0;
    }
    if (t == 'a' && (std::strncmp(buf, "of", 2) == 0 || std::strncmp(buf, "sto", 3) == 0)) {
        if (timerStart.year == 0) {
            printout("Warning:  the timer has not been started; use \"timer on\" first.\n");
            return 0;
        }
        std::int64_t diff = filetimediff(timerStart, systemtimenow());
        printout("times are %d seconds apart.\n", static_cast<int>(diff / 10000000));
        return 0;
    }
    return -1;
}

int timecmd() {
    printout("%s\n", timeofday(localnow()).c_str());
    return 0;
}

int timestampcmd() {
    std::string stamp = timestamptext(localnow());
    if (saveOn == 'y' && saveFile) {
        std::fputs("#", saveFile);
        std::fprintf(saveFile, "%s\n", stamp.c_str());
    } else {
        printout("%s\r\n", stamp.c_str());
    }
    return 0;
}

// ---------------------------------------------------------------- comment blocks, switches

int colonblockcmd(std::FILE* in) {
    Keep<const std::vector<std::string>*> noArgs(scriptArgs, nullptr);
    int r = skipline(in);
    if (r != 0) return r == -1 ? 0 : r;
    int ended = 0;  // 0 colon line, 1 end of input, 2 abort
    {
        Keep<int> quiet(percentMode, 2);
        char buf[commandBufferSize];
        for (;;) {
            int t = gettoken(buf, in, 0, sizeof buf);
            if (t == ':') break;
            if (t == 'e') {
                ended = 1;
                break;
            }
            if (t == -1) {
                ended = 2;
                break;
            }
            if (t == 'f') continue;
            int s = skipline(in);
            if (s == -1) {
                ended = 1;
                break;
            }
            if (s != 0) return s;
        }
    }
    if (ended == 2) return -1;
    if (ended == 0) {
        int s = skipline(in);
        if (s == 27 || s == 18) return s;
    }
    return 0;
}

int addpausecmd(std::FILE* in) {
    char buf[78];
    int t = gettoken(buf, in, 0, sizeof buf);
    if (t == 'a') addPause = buf[0] == 'y' ? 1 : 0;
    if (t != 'f' && t != 'e' && t != -1) skipline(in);
    printout("AddPause is %s\n", addPause == 1 ? "yes" : "no");
    return 0;
}

int cwdcmd() {
    printout("Your current working directory is %s\n\n", platform::currentDirectory().c_str());
    return 0;
}

// ---------------------------------------------------------------- dos

int doscmd(std::FILE* in) {
    std::fflush(nullptr);
    std::string restAfterDos = readPointer;
    while (!restAfterDos.empty() && isLineEnd(restAfterDos.back())) restAfterDos.pop_back();

    int c;
    do c = chop(in);
    while (c == ' ' || c == '\t');
    if (isLineEnd(c) || c == -1) {
        DOS1Click();
        return 0;
    }
    if (c == 27 || c == 18) {
        printout("\nError:  in dos command, immediately after \"dos\".\n");
        return -1;
    }
    // Captured output is printed; -noprint throws it away; -i (interactive) gives the
    // command the terminal.
    platform::ShellStreams streams = platform::ShellStreams::capture;
    if (c == '-') {
        char word[78];
        int t = gettoken(word, in, 0, sizeof word);
        if (t == 'a' && std::strcmp(word, "noprint") == 0) {
            streams = platform::ShellStreams::discard;
        } else if (t == 'a' && std::strcmp(word, "i") == 0) {
            streams = platform::ShellStreams::interactive;
        } else {
            printout("\nError:  in dos command.\n%s\n", restAfterDos.c_str());
            return -1;
        }
        do c = chop(in);
        while (c == ' ' || c == '\t');
    }

    std::string text;
    while (c != '{' && !isLineEnd(c) && c != -1 && c != 27 && c != 18 && c != 0 && c <= 255) {
        if (text.size() < 2999) text += static_cast<char>(c);
        c = chop(in);
    }
    if (c == -1 || c == 27 || c == 18 || c == 0 || c > 255) {
        printout("Error:  in dos command, when reading the line following \"dos\".");
        pausebox("Error in dos command!", "");
        return -1;
    }

    TempFile batch;
    std::string command = text;
    if (c == '{') {
        batch.path = platform::makeTempFile(".sh");
        std::FILE* f = batch.path.empty() ? nullptr : std::fopen(batch.path.c_str(), "w");
        if (!f) {
            printout("Error in dos command; Please close and restart Jex7");
            pausebox("Error in dos command!", "");
            return -1;
        }
        int depth = 1;
        std::string line;
        for (;;) {
            int d = chop(in);
            if (d == -1) {
                std::fclose(f);
                printout("Error:  in dos command, when reading contents of batch file.");
                pausebox("Error in dos command!", "");
                return -1;
            }
            if (d == 0 || d == 27 || d == 18 || d > 255) {
                std::fclose(f);
                printout("Error in dos command.  Script ended before closing bracket, or another error has been encountered.");
                pausebox("Error in dos command!", "");
                return d == 27 ? 27 : -1;
            }
            if (d == '{') ++depth;
            if (d == '}' && --depth == 0) {
                line += '\n';
                std::fputs(line.c_str(), f);
                break;
            }
            line += static_cast<char>(d);
            if (d == '\n') {
                std::fputs(line.c_str(), f);
                line.clear();
            }
        }
        std::fclose(f);
        command = "/bin/sh " + batch.path + " " + text;
    }

    if (fpcheckbox() == 27) return 27;
    const bool capture = streams == platform::ShellStreams::capture;
    platform::ShellResult result = platform::runShell(command, streams);
    if (fpcheckbox() == 27) return 27;

    if (capture && addPrint == 1) {
        if (!result.started) {
            printout("\nWarning:  file open error in dos command.\n");
            printout("If your dos command contained only \"rem\" statements,\n");
            printout("then ignore this warning.\r\n");
            pausebox("Warning:  possible problem in DOS command.", "Warning");
            return -1;
        }
        printout("\n");
        std::size_t pos = 0;
        const std::string& out = result.output;
        while (pos < out.size()) {
            std::size_t nl = out.find('\n', pos);
            std::size_t end = nl == std::string::npos ? out.size() : nl + 1;
            // Long lines go out in pieces the results writer can hold.
            for (std::size_t p = pos; p < end; p += 2000) {
                std::size_t n = std::min<std::size_t>(2000, end - p);
                printoutlong("%.*s", static_cast<int>(n), out.data() + p);
            }
            pos = end;
        }
        if (!out.empty() && out.back() != '\n') printout("\n");
        printout("\n");
    }
    return 0;
}

// ---------------------------------------------------------------- step

int stepcmd(std::FILE* in) {
    bool echo = addPrint == 0;
    if (echo) printout("step ");
    char buf[78];
    auto next = [&]() {
        int t = gettoken(buf, in, 0, sizeof buf);
        if (echo && t != 'f' && t != 'e' && t != -1) printout("%s ", buf);
        return t;
    };
    int option = 0;  // 'y', 'n' or 0
    int t = next();
    if (t == '-') {
        int w = next();
        if (w == 'a' && (std::strcmp(buf, "y") == 0 || std::strcmp(buf, "n") == 0)) {
            option = buf[0];
            t = next();
        } else {
            printout("\r\nProblem in step command!\n");
            printout("\"-%s\" is not a valid argument.\n", w == 'a' || w == 'n' ? buf : "");
            printout("step [-y|n] [off]\n");
            printout("%s", stepHelp);
            if (pausebox("Problem in step command!Continue?", "") == 27) return -1;
            if (w != 'f' && w != 'e' && w != -1) skipline(in);
            return 0;
        }
    }
    if (t == 'a' && std::strcmp(buf, "off") == 0) {
        stepMode = 0;
        if (option == 'y') addPrint = 1;
        else if (option == 'n') addPrint = 0;
        else if (addPrint == 1 && pausebox("Turn addprint off?", "") == 0) addPrint = 0;
        skipline(in);
    } else if (t == 'f' || t == 'e') {
        stepMode = 1;
        if (option == 'y') addPrint = 1;
        else if (option == 'n') addPrint = 0;
        else if (addPrint == 0 && pausebox("Turn addprint on?", "") == 0) addPrint = 1;
    } else {
        printout("\r\nProblem in step command!\n");
        printout("\"%s\" is not a valid argument.\r\n", buf);
        printout("step [-y|n] [off]\r\n");
        printout("%s", stepHelp);
        if (pausebox("Problem in step command!\nContinue?", "") == 27) return -1;
        if (t != -1) skipline(in);
        return 0;
    }
    printout("\n");
    return 0;
}

// ---------------------------------------------------------------- seed

int seedcmd(std::FILE* in) {
    char buf[78];
    int t = gettoken(buf, in, 0, sizeof buf);
    if (t == '(') {
        t = gettoken(buf, in, 0, sizeof buf);
        if (t == 'n') {
            long v = std::strtol(buf, nullptr, 10);
            randuniform(static_cast<int>(v));
            t = gettoken(buf, in, 0, sizeof buf);
            if (t == ')') {
                skipline(in);
                return 0;
            }
        }
    }
    if (t != 'f' && t != 'e' && t != -1) skipline(in);
    printout("Error:  syntax for seed command is seed(x), where x is a number.\n");
    pausebox("Error:  in seed command.", "Error");
    return -1;
}

// ---------------------------------------------------------------- fadd

int faddcmd(std::FILE* in) {
    // A command file that runs fadd on itself nests without end: each fadd counts as one
    // nested run, and its buffers live on the heap, so that the limit comes before the
    // stack runs out.
    ScriptNestingGuard nesting;
    std::vector<char> cmdFileBuf(commandBufferSize), argFileBuf(commandBufferSize);
    char* cmdFile = cmdFileBuf.data();
    char* argFile = argFileBuf.data();
    int t1 = gettoken(cmdFile, in, 0, commandBufferSize);
    int t2 = (t1 == 'a' || t1 == '"') ? gettoken(argFile, in, 0, commandBufferSize) : 0;
    if ((t1 != 'a' && t1 != '"') || (t2 != 'a' && t2 != '"')) {
        printout("Format is: fadd <CommandFile> <ArgumentFile>\n");
        return -1;
    }
    if (!scriptfileallowed(cmdFile) || !scriptfileallowed(argFile)) return -1;
    std::FILE* args = std::fopen(argFile, "r");
    if (!args) {
        printout("cannot open %s\n", argFile);
        return -1;
    }
    struct CloseArgs {
        std::FILE* f;
        ~CloseArgs() { std::fclose(f); }
    } closeArgs{args};

    std::vector<std::string> extras;
    {
        char tok[250];
        for (;;) {
            int t = gettoken(tok, in, 0, sizeof tok);
            if (t == 'f' || t == 'e' || t == -1) break;
            if (extras.size() < static_cast<std::size_t>(maxScriptArgs)) extras.emplace_back(tok);
        }
    }
    if (nesting.tooDeep()) return -1;

    Keep<char> keepKeyboard(keyboardInput, 'n');
    Keep<char> keepMode(replayMode, 'n');
    Keep<const std::vector<std::string>*> keepList(replayList, nullptr);
    Keep<const std::vector<std::string>*> keepArgs(scriptArgs);
    // The caller reads on where the command line ended, however the runs end.
    ReaderPositionSaver callerPosition;

    int result = 0;
    std::vector<char> line(commandBufferSize);
    while (std::fgets(line.data(), commandBufferSize, args)) {
        std::string text = line.data();
        // A line longer than the buffer goes on in the next piece: drop the remainder.
        if (!text.empty() && text.back() != '\n' && !std::feof(args)) {
            int ch;
            while ((ch = std::fgetc(args)) != EOF && ch != '\n') {
            }
        }
        std::size_t start = text.find_first_not_of(" \t\r\n\f\v");
        if (start == std::string::npos || text[start] == '#') continue;
        text.erase(0, start);
        if (text.size() >= 2998) text.resize(2997);
        if (text.empty() || text.back() != '\n') text += '\n';

        std::memcpy(commandBuffer, text.c_str(), text.size() + 1);
        readPointer = commandBuffer;
        lastChar = 0;
        ungotChar = 0;
        tokenPushedBack = 0;
        std::vector<std::string> table;
        std::vector<char> tokBuf(commandBufferSize);
        char* tok = tokBuf.data();
        for (;;) {
            if (table.size() >= static_cast<std::size_t>(maxScriptArgs)) break;
            int t = gettoken(tok, nullptr, 0, commandBufferSize);
            if (t == 'f' || t == 'e') break;
            if (t == -1) return 27;
            std::string arg = tok;
            if (t == '-' && *readPointer >= '0' && *readPointer <= '9' && ungotChar == 0) {
                int n = gettoken(tok, nullptr, 0, commandBufferSize);
                if (n == -1) return 27;
                arg += tok;
            }
            table.push_back(arg);
        }
        for (const std::string& e : extras) {
            if (table.size() >= static_cast<std::size_t>(maxScriptArgs)) break;
            table.push_back(e);
        }
        commandBuffer[0] = 0;
        readPointer = commandBuffer;
        lastChar = '\n';
        ungotChar = 0;
        tokenPushedBack = 0;
        if (table.empty()) continue;

        scriptArgs = &table;
        std::FILE* f = std::fopen(cmdFile, "r");
        if (!f) {
            printout("cannot open %s\n", cmdFile);
            return -1;
        }
        result = commandloop(&f);
        if (f) std::fclose(f);
        if (result == 27 || result == -1 || result == 18 || result == 113 || quitRequested) break;
    }
    return result;
}
