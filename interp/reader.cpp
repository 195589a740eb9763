#include "interp/reader.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "core/printout.h"
#include "interp/percent.h"
#include "interp/state.h"
#include "interp/strings.h"

namespace {

const char* const lineTooLongWarning = "\nWarning:  line length exceeds maximum length for reading.\n\n";

bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// ASCII punctuation that forms a token of its own (the point and the backslash do not).
bool isPunct(int c) {
    return c >= 33 && c <= 126 && !isDigit(c) && !isLetter(c) && c != '.' && c != '\\';
}
}  // namespace

bool continuesWord(int c) {
    return isLetter(c) || isDigit(c) || c == '.' || c == '_' || c == '$' || c == '\\' ||
           c == ':' || c == '&' || c == '!';
}

namespace {

// Lines come from the typed line alone (never refilled).
bool typedSource() { return keyboardInput != 'n' && replayMode != 'y'; }

bool echoWanted() { return addPrint == 1 || saveEcho == 'y' || annSaveEcho == 'y'; }

// Echo a piece of the line to the results window and the save files: from `from` up to
// the next '%' after its first character (or to the end of the line); a fresh line
// (`fresh`) is echoed up to its first '%', whatever its first character is.
void echopiece(int from, bool fresh = false) {
    if (!echoWanted()) return;
    const char* start = commandBuffer + from;
    const char* stop = fresh ? std::strchr(start, '%')
                             : (start[0] ? std::strchr(start + 1, '%') : nullptr);
    std::size_t n = stop ? static_cast<std::size_t>(stop - start) : std::strlen(start);
    if (addPrint == 1 && n > 0) printoutlong("%.*s", static_cast<int>(n), start);
    if ((saveEcho == 'y' || annSaveEcho == 'y') && (n > 0 || !fresh)) echoline(from, 'b', '%');
}

// After a refill: cut the line at its first carriage return (made a newline), end a
// non-empty line with a newline, and put the read position at the start.
void finishrefill() {
    char* cr = std::strchr(commandBuffer, '\r');
    if (cr) {
        cr[0] = '\n';
        cr[1] = 0;
    }
    std::size_t n = std::strlen(commandBuffer);
    if (n > 0 && commandBuffer[n - 1] != '\n') {
        commandBuffer[n] = '\n';
        commandBuffer[n + 1] = 0;
    }
    readPointer = commandBuffer;
}

// The limit of the current line after %-expansion (see linelimit).
std::size_t currentLineLimit = commandBufferSize;

// Sets the limit for a line of `length` characters read whole, and makes the buffer hold it
// with the limit's room to grow.
void readylinebuffer(std::size_t length) {
    const std::size_t headroom = commandBufferSize - maxReadLineLength;
    currentLineLimit = std::max<std::size_t>(commandBufferSize, length + headroom);
    growcommandbuffer(currentLineLimit);
}

// Copies a line into commandBuffer, unterminated; returns its length there. A typed line
// (`cut`) longer than maxTypedLineLength is cut, with a warning; any other line is kept whole.
std::size_t copyline(const std::string& line, bool cut) {
    std::size_t n = line.size();
    if (cut && n > static_cast<std::size_t>(maxTypedLineLength)) {
        n = maxTypedLineLength;
        printout("%s", lineTooLongWarning);
        pausebox("Error:  Line too long!", "Error!");
    }
    readylinebuffer(n);
    std::memcpy(commandBuffer, line.data(), n);
    // A NUL inside the text would end the line early: show it as a blank.
    for (std::size_t i = 0; i < n; ++i)
        if (commandBuffer[i] == 0) commandBuffer[i] = ' ';
    return n;
}

// Refill commandBuffer from the replay list or the add file. Returns 0 when a line is
// ready, or the value chop must return (-1 end of input, 18 no file).
int refill(std::FILE* in) {
    if (replayMode == 'y') {
        if (!replayList || replayCursor >= replayList->size()) return -1;
        const std::string& line = (*replayList)[replayCursor++];
        if (line.empty()) {
            readylinebuffer(0);
            std::strcpy(commandBuffer, "\n");
        } else {
            // (copyline may move the buffer: its length first, then the buffer)
            const std::size_t n = copyline(line, false);
            commandBuffer[n] = 0;
        }
    } else {
        if (!in) {
            printout("\nError:  file is not open for reading in chop().\n");
            return 18;
        }
        // The whole line, however long: the buffer grows as it fills.
        std::size_t n = 0;
        int c = 0;
        while ((c = std::getc(in)) != EOF) {
            // room for this character, a line end and the NUL
            if (n + 3 > commandbuffercapacity()) growcommandbuffer(n + 3);
            commandBuffer[n++] = c == 0 ? ' ' : static_cast<char>(c);
            if (c == '\n') break;
        }
        commandBuffer[n] = 0;
        if (n == 0) {
            readylinebuffer(0);
            std::strcpy(commandBuffer, "\n");
            readPointer = commandBuffer;
            return -1;
        }
        readylinebuffer(n);
    }
    finishrefill();
    if (echoWanted()) echopiece(0, true);
    return 0;
}

}  // namespace

int chop(std::FILE* in) {
    // 1. A character pushed back with unchop.
    if (ungotChar) {
        int c = ungotChar;
        ungotChar = 0;
        return c;
    }
    // 2. The characters of a token pushed back with ungettoken.
    if (tokenPushedBack) {
        if (lastToken[0]) {
            int c = static_cast<unsigned char>(lastToken[0]);
            std::memmove(lastToken, lastToken + 1, std::strlen(lastToken));
            if (!lastToken[0]) {
                ungotChar = 0;
                tokenPushedBack = 0;
            }
            return c;
        }
        ungotChar = 0;
        tokenPushedBack = 0;
    }
    for (;;) {
        // 3. Refill at the end of the line.
        if (lastChar == '\n' || lastChar < 0 || *readPointer == 0) {
            if (typedSource()) {
                // A typed line is never refilled: past its end there is no more input.
                lastChar = -1;
                return -1;
            }
            int r = refill(in);
            if (r != 0) {
                lastChar = r;
                return r;
            }
            lastChar = 0;
        }
        // 4. %-expansion in place.
        bool expanded = false;
        while (*readPointer == '%' && percentMode != 0) {
            std::string text(readPointer);
            std::string result;
            std::size_t pos = 0;
            int status;
            try {
                status = expandpercent(result, text, pos);
            } catch (const std::exception&) {
                printout("\nError:  in routine trying to interpret \"%%\"\n");
                status = -1;
            }
            if (status != 0) {
                // The line's echo stops at the failed sequence: end it, so that what is
                // printed next does not join it.
                if (!typedSource() && addPrint == 1 && linePending()) printout("\n");
                return status;
            }
            std::size_t offset = static_cast<std::size_t>(readPointer - commandBuffer);
            std::size_t rest = text.size() - pos;
            if (offset + rest >= currentLineLimit) {
                printout("\nError:  line too long after %%-expansion (the limit is %d characters).\n",
                         static_cast<int>(currentLineLimit - 1));
                return 18;
            }
            std::memcpy(readPointer, text.data() + pos, rest);
            readPointer[rest] = 0;
            if (!typedSource()) echopiece(static_cast<int>(offset));
            if (!result.empty()) {
                expanded = true;
                break;
            }
        }
        // 5. An unexpanded '%' starts a new echo piece.
        if (!expanded && *readPointer == '%' && percentMode == 0 && !typedSource())
            echopiece(static_cast<int>(readPointer - commandBuffer));
        // 6. Deliver the byte; a carriage return is passed over.
        while (*readPointer == '\r') ++readPointer;
        if (*readPointer == 0) {
            lastChar = 0;
            continue;  // the line ended (an expansion may have left it empty): refill
        }
        int c = static_cast<unsigned char>(*readPointer++);
        lastChar = c;
        return c;
    }
}

int unchop(int c) {
    if (c >= 1 && c <= 255) ungotChar = c;
    return 1;
}

int ungettoken() {
    tokenPushedBack = 1;
    return 1;
}

namespace {

void storetoken(char* buf, int bufSize, const std::string& text, int cls) {
    if (bufSize > 0) {
        std::size_t n = text.size() < static_cast<std::size_t>(bufSize - 1) ? text.size()
                                                                            : bufSize - 1;
        std::memcpy(buf, text.data(), n);
        buf[n] = 0;
    }
    std::size_t m = text.size() < static_cast<std::size_t>(commandBufferSize - 1)
                        ? text.size()
                        : commandBufferSize - 1;
    std::memcpy(lastToken, text.data(), m);
    lastToken[m] = 0;
    lastTokenClass = cls;
}

// chop's end and abort values as token classes; 0 for an ordinary character.
int stopclass(int c) {
    if (c == -1) return 'e';
    if (c == 27 || c == 18) return -1;
    if (c < 0 || c > 255) return -1;
    return 0;
}

}  // namespace

TokenClass gettoken(char* buf, std::FILE* in, int dateLetters, int bufSize) {
    if (bufSize < 2) bufSize = 2;
    if (tokenPushedBack) {
        tokenPushedBack = 0;
        std::size_t n = std::strlen(lastToken);
        if (n > static_cast<std::size_t>(bufSize - 1)) n = bufSize - 1;
        std::memcpy(buf, lastToken, n);
        buf[n] = 0;
        return lastTokenClass;
    }
    int c;
    do {
        c = chop(in);
    } while (c == ' ' || c == '\t');
    if (int s = stopclass(c)) {
        if (s == 'e') {
            buf[0] = 0;
            lastTokenClass = 'e';
            return 'e';
        }
        buf[0] = 0;
        lastTokenClass = -1;
        return -1;
    }
    std::string tok;
    auto finish = [&](int cls) {
        storetoken(buf, bufSize, tok, cls);
        return cls;
    };
    auto fail = [&](int ch) {
        int s = stopclass(ch);
        storetoken(buf, bufSize, tok, s);
        return s;
    };

    if (c == '\n') fixedTokenWidth = 0;
    if (fixedTokenWidth > 0) {
        int width = fixedTokenWidth;
        fixedTokenWidth = 0;
        for (int i = 0;; ++i) {
            if (stopclass(c)) return fail(c);
            if (static_cast<int>(tok.size()) < bufSize - 2) tok.push_back(static_cast<char>(c));
            if (i + 1 >= width) break;
            c = chop(in);
        }
        return finish('"');
    }

    if (c == '#') {
        int saved = percentMode;
        percentMode = 2;
        int ch;
        do {
            ch = chop(in);
        } while (ch != '\n' && !stopclass(ch));
        percentMode = saved;
        tok = "#";
        if (stopclass(ch)) return fail(ch);
        return finish('f');
    }
    if (c == '"') {
        std::size_t keep = static_cast<std::size_t>(bufSize - 1);
        for (;;) {
            int ch = chop(in);
            if (stopclass(ch)) return fail(ch);
            if (ch == '"') return finish('"');
            if (ch == '\n') return finish('f');
            if (tok.size() < keep) tok.push_back(static_cast<char>(ch));
        }
    }
    if (isPunct(c)) {
        tok.push_back(static_cast<char>(c));
        return finish(c);
    }
    if (isDigit(c) || c == '.') {
        std::size_t limit = bufSize - 1 < 39 ? static_cast<std::size_t>(bufSize - 1) : 39;
        tok.push_back(static_cast<char>(c));
        while (tok.size() < limit) {
            int ch = chop(in);
            if (stopclass(ch)) return fail(ch);
            bool more = isDigit(ch) || ch == '.' || ch == 'E' ||
                        ((ch == '+' || ch == '-') && tok.back() == 'E') ||
                        (dateLetters && (ch == 'm' || ch == 'q' || ch == 'd'));
            if (!more) {
                unchop(ch);
                break;
            }
            tok.push_back(static_cast<char>(ch));
        }
        return finish('n');
    }
    if (isLetter(c) || c == '\\') {
        std::size_t limit = static_cast<std::size_t>(bufSize - 1);
        tok.push_back(static_cast<char>(c));
        while (tok.size() < limit) {
            int ch = chop(in);
            if (stopclass(ch)) return fail(ch);
            if (!continuesWord(ch)) {
                unchop(ch);
                break;
            }
            tok.push_back(static_cast<char>(ch));
        }
        return finish('a');
    }
    tok.push_back(static_cast<char>(c));
    if (c == '\n') return finish('f');
    return finish('c');
}

int echoline(int from, char mode, char stop) {
    if (from < 0 || from >= commandBufferSize) return 0;
    const char* start = commandBuffer + from;
    std::size_t n = std::strcspn(start, "\r\n");
    bool ended = start[n] == '\r' || start[n] == '\n';
    if (stop && n > 0) {
        const char* s = std::strchr(start + 1, stop);
        if (s && static_cast<std::size_t>(s - start) < n) {
            n = static_cast<std::size_t>(s - start);
            ended = false;
        }
    }
    auto write = [&](std::FILE* f) {
        if (!f) return;
        std::fwrite(start, 1, n, f);
        if (ended) std::fputc('\n', f);
    };
    if (mode == 'b' && saveOn == 'y') write(saveFile);
    if ((mode == 'b' || mode == 'a') && annSaveOn == 'y') write(annSaveFile);
    return 0;
}

void resetreader() {
    readPointer = commandBuffer;
    lastChar = 0;
    ungotChar = 0;
    tokenPushedBack = 0;
}

void settypedline(const std::string& line) {
    std::size_t n = copyline(line, true);
    commandBuffer[n] = '\n';
    commandBuffer[n + 1] = 0;
    resetreader();
}

std::size_t linelimit() { return currentLineLimit; }

ReaderPositionSaver::ReaderPositionSaver()
    : line_(commandBuffer, static_cast<std::size_t>(readPointer - commandBuffer) + std::strlen(readPointer)),
      readOffset_(static_cast<std::size_t>(readPointer - commandBuffer)),
      lineLimit_(currentLineLimit),
      lastChar_(lastChar),
      ungotChar_(ungotChar),
      lastToken_(lastToken),
      lastTokenClass_(lastTokenClass),
      tokenPushedBack_(tokenPushedBack),
      fixedTokenWidth_(fixedTokenWidth) {}

ReaderPositionSaver::~ReaderPositionSaver() {
    currentLineLimit = lineLimit_;
    growcommandbuffer(std::max(line_.size() + 1, currentLineLimit));
    std::memcpy(commandBuffer, line_.c_str(), line_.size() + 1);
    readPointer = commandBuffer + readOffset_;
    lastChar = lastChar_;
    ungotChar = ungotChar_;
    std::memcpy(lastToken, lastToken_.c_str(), lastToken_.size() + 1);
    lastTokenClass = lastTokenClass_;
    tokenPushedBack = tokenPushedBack_;
    fixedTokenWidth = fixedTokenWidth_;
}

// ---- text tokenizer ----

int textgetc(const std::string& text, std::size_t& pos) {
    if (pos >= text.size()) return -1;
    return static_cast<unsigned char>(text[pos++]);
}

int textungetc(const std::string&, std::size_t& pos) {
    if (pos == 0) return -1;
    --pos;
    return 0;
}

int textskipblanks(const std::string& text, std::size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos >= text.size()) return -1;
    return static_cast<unsigned char>(text[pos]);
}

void pushtoken(const std::string& text, int cls) { textPushBack.emplace_back(text, cls); }

namespace {

// Expand the %-sequence at pos inside a token. Returns 0 and sets `literal` when the
// expansion begins with '%' (the caller keeps one '%' and moves past it); otherwise the
// text now holds the expansion at pos. A failure returns -1 with the token class set to
// the failure's status (a stop code), or to -1.
int expandintoken(std::string& text, std::size_t& pos, std::string& result, bool& literal,
                  int& cls) {
    result.clear();
    int status = expandpercent(result, text, pos);
    if (status != 0) {
        cls = status > 0 ? status : -1;
        return -1;
    }
    literal = !result.empty() && result[0] == '%';
    return 0;
}

}  // namespace

int stringtoken(std::string& out, std::string& text, std::size_t& pos, int& cls) {
    out.clear();
    if (!textPushBack.empty()) {
        out = textPushBack.front().first;
        cls = textPushBack.front().second;
        textPushBack.pop_front();
        return 0;
    }
    std::string result;
    int c;
    // Blanks, and %-sequences before the token.
    for (;;) {
        c = textskipblanks(text, pos);
        if (c < 0) {
            cls = -1;
            return -1;
        }
        if (c != '%') break;
        bool literal = false;
        if (expandintoken(text, pos, result, literal, cls) != 0) return -1;
        if (literal) {
            ++pos;
            out = "%";
            cls = '%';
            return 0;
        }
    }
    ++pos;
    if (c == '#') {
        while (pos < text.size() && text[pos] != '\n') ++pos;
        if (pos < text.size()) ++pos;
        out = "#";
        cls = 'f';
        return 0;
    }
    if (c == '"') {
        for (;;) {
            if (pos >= text.size()) {
                // The text ended first: its last character is not part of the token.
                char last = text.empty() ? 0 : text.back();
                if (!out.empty()) out.pop_back();
                if (last == '\n') {
                    cls = 'f';
                    return 0;
                }
                cls = -1;
                return -1;
            }
            int ch = static_cast<unsigned char>(text[pos]);
            if (ch == '"') {
                ++pos;
                cls = '"';
                return 0;
            }
            if (ch == '%') {
                bool literal = false;
                if (expandintoken(text, pos, result, literal, cls) != 0) return -1;
                if (literal) {
                    out.push_back('%');
                    ++pos;
                } else {
                    out += result;
                    pos += result.size();
                }
                continue;
            }
            out.push_back(static_cast<char>(ch));
            ++pos;
        }
    }
    if (isPunct(c)) {
        out.push_back(static_cast<char>(c));
        cls = c;
        return 0;
    }
    bool number = isDigit(c) || c == '.';
    bool word = isLetter(c) || c == '\\';
    if (number || word) {
        out.push_back(static_cast<char>(c));
        for (;;) {
            if (pos >= text.size()) {
                cls = -1;
                return -1;
            }
            int ch = static_cast<unsigned char>(text[pos]);
            if (ch == '%') {
                bool literal = false;
                if (expandintoken(text, pos, result, literal, cls) != 0) return -1;
                if (literal) {
                    out.push_back('%');
                    ++pos;
                }
                continue;
            }
            bool more = number ? (isDigit(ch) || ch == '.' || ch == 'E' ||
                                  ((ch == '+' || ch == '-') && out.back() == 'E'))
                               : continuesWord(ch);
            if (!more) break;
            out.push_back(static_cast<char>(ch));
            ++pos;
        }
        cls = number ? 'n' : 'a';
        return 0;
    }
    out.push_back(static_cast<char>(c));
    cls = c == '\n' ? 'f' : 'c';
    return 0;
}

int textterm(std::string& out, std::string& text, std::size_t& pos) {
    int cls = 0;
    if (stringtoken(out, text, pos, cls) < 0) return -1;
    if (cls == '"') return 0;
    if (cls == 'a') {
        std::string value;
        if (stringStore.value(out, value) == 0) {
            out = value;
            return 0;
        }
    }
    return -1;
}

int textquoted(std::string& out, std::string& text, std::size_t& pos) {
    struct ModeGuard {
        int saved = percentMode;
        ModeGuard() { percentMode = 0; }
        ~ModeGuard() { percentMode = saved; }
    } guard;
    out.clear();
    int c = textskipblanks(text, pos);
    if (c != '"') return -1;
    ++pos;
    for (;;) {
        int ch = textgetc(text, pos);
        if (ch < 0) return -1;
        if (ch == '"' || ch == '\n') return static_cast<int>(out.size());
        if (ch == '\\') {
            int next = textgetc(text, pos);
            if (next < 0 || next == '\n') return -1;
            out.push_back('\\');
            out.push_back(static_cast<char>(next));
            continue;
        }
        out.push_back(static_cast<char>(ch));
    }
}
