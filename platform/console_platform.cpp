#include "platform/console_platform.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <strings.h>
#include <unistd.h>

namespace platform {

namespace {

// Read one answer line from the controlling terminal; false when there is none.
bool readTerminalLine(std::string& out) {
    std::FILE* tty = std::fopen("/dev/tty", "r");
    if (!tty) return false;
    char buf[256];
    bool ok = std::fgets(buf, sizeof buf, tty) != nullptr;
    std::fclose(tty);
    if (!ok) return false;
    out = buf;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return true;
}


class ConsolePlatform final : public Platform {
public:
    // Line breaks inside the line ("\r\n", or a lone "\r") show as further lines, as the
    // windowed results window shows them: each becomes one plain "\n", so that no carriage
    // return reaches standard output.
    void appendResultsLine(const std::string& line) override {
        // Most lines hold no carriage return: they are written as they are.
        std::size_t from = 0;
        for (std::size_t cr = line.find('\r'); cr != std::string::npos; cr = line.find('\r', from)) {
            std::fwrite(line.data() + from, 1, cr - from, stdout);
            std::fputc('\n', stdout);
            from = cr + 1;
            if (from < line.size() && line[from] == '\n') ++from;
        }
        std::fwrite(line.data() + from, 1, line.size() - from, stdout);
        std::fputc('\n', stdout);
        if (holds_ == 0) std::fflush(stdout);
    }

    void holdResults() override { ++holds_; }
    void releaseResults() override {
        if (holds_ > 0 && --holds_ == 0) std::fflush(stdout);
    }

    void clearResults() override {
        if (isatty(STDOUT_FILENO)) {
            std::fputs("\033[H\033[2J", stdout);
            std::fflush(stdout);
        }
    }

    Answer messageBox(const std::string& text, const std::string& caption,
                      Buttons buttons) override {
        std::fflush(stdout);
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        Answer a;
        if (!answerQueue().empty()) {
            std::string w = answerQueue().front();
            answerQueue().pop_front();
            if (parseAnswer(w, buttons, a)) return a;
            return defaultAnswer(buttons);
        }
        if (!interactive()) return defaultAnswer(buttons);
        const char* prompt = buttons == Buttons::Ok         ? "[OK] "
                             : buttons == Buttons::OkCancel ? "[OK/cancel] "
                             : buttons == Buttons::YesNo    ? "[Yes/no] "
                                                            : "[Yes/no/cancel] ";
        for (;;) {
            std::fputs(prompt, stderr);
            std::string line;
            if (!readTerminalLine(line)) return defaultAnswer(buttons);
            if (parseAnswer(line, buttons, a)) return a;
        }
    }

    int choose(const std::string& text, const std::string& caption,
               const std::vector<std::string>& choices, int defaultChoice) override {
        std::fflush(stdout);
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        auto pick = [&](const std::string& w) -> int {
            for (size_t i = 0; i < choices.size(); ++i) {
                std::string c = choices[i];
                if (w.size() && c.size() >= w.size() &&
                    strncasecmp(c.c_str(), w.c_str(), w.size()) == 0)
                    return static_cast<int>(i);
            }
            char* end = nullptr;
            long n = std::strtol(w.c_str(), &end, 10);
            if (end && *end == 0 && n >= 1 && n <= static_cast<long>(choices.size()))
                return static_cast<int>(n - 1);
            return -1;
        };
        if (!answerQueue().empty()) {
            std::string w = answerQueue().front();
            answerQueue().pop_front();
            int i = pick(w);
            return i >= 0 ? i : defaultChoice;
        }
        if (!interactive()) return defaultChoice;
        for (;;) {
            for (size_t i = 0; i < choices.size(); ++i)
                std::fprintf(stderr, "%s%zu) %s", i ? "  " : "", i + 1, choices[i].c_str());
            std::fputs(": ", stderr);
            std::string line;
            if (!readTerminalLine(line)) return defaultChoice;
            if (line.empty()) return defaultChoice;
            int i = pick(line);
            if (i >= 0) return i;
        }
    }

    bool formAnswer(const std::string& formText, std::string& answer) override {
        std::fflush(stdout);
        std::fputs(formText.c_str(), stderr);
        if (!answerQueue().empty()) {
            answer = answerQueue().front();
            answerQueue().pop_front();
            return true;
        }
        if (!interactive()) return false;
        std::fputs("> ", stderr);
        return readTerminalLine(answer);
    }

    void notice(const std::string& text) override {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", text.c_str());
    }

    bool interactive() override { return isatty(STDIN_FILENO) && isatty(STDERR_FILENO); }

    bool askText(const std::string& prompt, const std::string& caption,
                 std::string& answer) override {
        std::fflush(stdout);
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), prompt.c_str());
        if (!answerQueue().empty()) {
            answer = answerQueue().front();
            answerQueue().pop_front();
            return answer != "cancel";
        }
        if (!interactive()) return false;
        std::fputs("> ", stderr);
        return readTerminalLine(answer);
    }

private:
    int holds_ = 0;  // holds on the results window (lines are flushed when none is left)
};

extern "C" void onInterrupt(int) { pressEscape(); }

}  // namespace

Platform& consolePlatform() {
    static ConsolePlatform p;
    return p;
}

void installEscapeOnInterrupt() {
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace platform
