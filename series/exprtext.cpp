#include "series/exprtext.h"

#include <cstdint>
#include <cstring>

namespace {

// The open region: text may be written from textStart up to textLimit (the NUL may stand at
// textLimit itself). Null when no bound is open.
char* textStart = nullptr;
char* textLimit = nullptr;

bool inside(const char* p, const char* lo, const char* hi) {
    auto v = reinterpret_cast<std::uintptr_t>(p);
    return v >= reinterpret_cast<std::uintptr_t>(lo) && v <= reinterpret_cast<std::uintptr_t>(hi);
}

}  // namespace

TextBound::TextBound(char* cursor, std::size_t room) : savedStart_(textStart), savedLimit_(textLimit) {
    if (cursor == nullptr) return;
    if (room == 0) {
        if (textLimit != nullptr && inside(cursor, textStart, textLimit)) return;
        room = exprTextSize;
    }
    textStart = cursor;
    // The cursor's own NUL needs one byte; below the margin nothing more can be copied.
    textLimit = room > exprTextMargin + 1 ? cursor + (room - exprTextMargin - 1) : cursor;
}

TextBound::~TextBound() {
    textStart = savedStart_;
    textLimit = savedLimit_;
}

void textappend(char*& cursor, const char* src) {
    if (cursor == nullptr || src == nullptr) return;
    std::size_t n = std::strlen(src);
    if (textLimit != nullptr && inside(cursor, textStart, textLimit)) {
        std::size_t room = static_cast<std::size_t>(textLimit - cursor);
        if (n > room) n = room;
    } else if (textLimit != nullptr) {
        // A cursor outside the open region (past it): nothing more is written.
        return;
    }
    std::memcpy(cursor, src, n);
    cursor += n;
    *cursor = '\0';
}

void textappendchar(char*& cursor, char c) {
    char s[2] = {c, '\0'};
    textappend(cursor, s);
}

void textclamp(char*& cursor) {
    if (cursor == nullptr) return;
    if (textLimit == nullptr) {
        cursor += std::strlen(cursor);
        return;
    }
    if (!inside(cursor, textStart, textLimit)) return;
    while (*cursor != '\0' && cursor < textLimit) ++cursor;
    *cursor = '\0';
}
