#include "core/printout.h"

#include <cstdarg>

#include "platform/platform.h"

char catchOn = 'n';
std::FILE* catchFile = nullptr;

namespace {

std::string pending;

void writeCatch(const std::string& text) {
    if (catchOn == 'y' && catchFile) {
        std::fputs(text.c_str(), catchFile);
        std::fputc('\n', catchFile);
    }
}

void emit(int pushLimit, const char* format, va_list args) {
    char buffer[printBufferSize];
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) return;
    if (n >= printBufferSize) n = printBufferSize - 1;  // cut safely

    // A line that would grow past the limit is pushed out first, as a line of its own.
    if (static_cast<int>(pending.size()) + n >= pushLimit) {
        platform::current().appendResultsLine(pending);
        writeCatch(pending);
        pending.clear();
    }
    pending.append(buffer, static_cast<size_t>(n));
    if (pending.empty()) return;
    char last = pending.back();
    if (last != '\n' && last != '\r') return;

    pending.pop_back();
    if (!pending.empty() && pending.back() == '\r') pending.pop_back();
    writeCatch(pending);
    platform::current().appendResultsLine(pending);
    pending.clear();
}

}  // namespace

void printout(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(printPushLimit, format, args);
    va_end(args);
}

void printoutlong(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(printLongPushLimit, format, args);
    va_end(args);
}

const std::string& pendingLine() { return pending; }
bool linePending() { return !pending.empty(); }
void clearPendingLine() { pending.clear(); }

void flushPendingLine() {
    if (pending.empty()) return;
    platform::current().appendResultsLine(pending);
    writeCatch(pending);
    pending.clear();
}

void catchOnly(const std::string& line) { writeCatch(line); }

int pausebox(const char* text, const char* caption) {
    platform::Answer a =
        platform::current().messageBox(text ? text : "", caption ? caption : "",
                                       platform::Buttons::OkCancel);
    return a == platform::Answer::Cancel ? 27 : 0;
}

int infobox(const char* text) {
    platform::current().messageBox(text ? text : "", "Jex Message", platform::Buttons::Ok);
    return 0;
}

int waitkey() { return 0; }
