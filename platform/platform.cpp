#include "platform/platform.h"

#include <atomic>
#include <cctype>
#include <cfenv>
#include <chrono>
#include <cstdlib>

#include "platform/console_platform.h"

namespace platform {

namespace {
Platform* active = nullptr;
std::atomic<bool> escapeFlag{false};
}  // namespace

Platform& current() {
    if (!active) return consolePlatform();
    return *active;
}

void install(Platform* p) { active = p; }

// Asked after every command and in long loops: a plain load first, the exchange (a locked
// instruction) only when the flag is set.
bool escapePressed() { return escapeFlag.load(std::memory_order_relaxed) && escapeFlag.exchange(false); }
void pressEscape() { escapeFlag.store(true); }
void clearEscape() { escapeFlag.store(false); }

void maskFloatingPointExceptions() {
    // With glibc every exception is masked by default; make sure no trap is enabled.
    std::feclearexcept(FE_ALL_EXCEPT);
}

bool floatingPointFault() {
    return std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID) != 0;
}

void clearFloatingPointStatus() { std::feclearexcept(FE_ALL_EXCEPT); }

double secondsNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::int64_t unixTimeNow() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::deque<std::string>& answerQueue() {
    static std::deque<std::string> q;
    return q;
}

void loadAnswerQueueFromEnvironment() {
    const char* env = std::getenv("JEX_ANSWERS");
    if (!env) return;
    std::string word;
    for (const char* p = env;; ++p) {
        if (*p == ',' || *p == 0) {
            while (!word.empty() && std::isspace(static_cast<unsigned char>(word.back())))
                word.pop_back();
            size_t b = 0;
            while (b < word.size() && std::isspace(static_cast<unsigned char>(word[b]))) ++b;
            answerQueue().push_back(word.substr(b));
            word.clear();
            if (*p == 0) break;
        } else {
            word += *p;
        }
    }
}

bool parseAnswer(const std::string& word, Buttons buttons, Answer& out) {
    std::string w;
    for (char c : word) w += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (w == "ok" || w == "o") out = Answer::Ok;
    else if (w == "cancel" || w == "c" || w == "esc" || w == "escape") out = Answer::Cancel;
    else if (w == "yes" || w == "y") out = Answer::Yes;
    else if (w == "no" || w == "n") out = Answer::No;
    else if (w.empty()) { out = defaultAnswer(buttons); return true; }
    else return false;
    switch (buttons) {
        case Buttons::Ok: out = Answer::Ok; return true;  // anything closes an OK box
        case Buttons::OkCancel: return out == Answer::Ok || out == Answer::Cancel;
        case Buttons::YesNo: return out == Answer::Yes || out == Answer::No;
        case Buttons::YesNoCancel: return out != Answer::Ok;
    }
    return false;
}

Answer defaultAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel: return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel: return Answer::Yes;
    }
    return Answer::Ok;
}

bool Platform::formAnswer(const std::string&, std::string& answer) {
    if (answerQueue().empty()) return false;
    answer = answerQueue().front();
    answerQueue().pop_front();
    return true;
}

void Platform::notice(const std::string&) {}

bool Platform::answerQueued() { return !answerQueue().empty(); }

bool Platform::interactive() { return false; }

}  // namespace platform
