#include "interp/strings.h"

#include <boost/regex.hpp>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/files.h"
#include "platform/platform.h"

JexString stringStore;

const char* const defaultSplitPattern = "[ \t]+";

namespace {

const char* const usageText = "Format for string command: \r\n\tstring <FunctionName> = \"<string>\"\r\n";

// Puts percentMode back on every way out.
class PercentModeSaver {
public:
    explicit PercentModeSaver(int mode) : saved_(percentMode) { percentMode = mode; }
    ~PercentModeSaver() { percentMode = saved_; }
    int savedMode() const { return saved_; }
    PercentModeSaver(const PercentModeSaver&) = delete;
    PercentModeSaver& operator=(const PercentModeSaver&) = delete;

private:
    int saved_;
};

// A value of chop that ends reading: end of input, Escape/cancel, no input, or another
// failure status of the %-expansion.
bool isAbort(int c) { return c < 0 || c == 27 || c == 18 || c > 255; }

// Skips blanks and tabs; returns the first other value of chop (consumed).
int skipBlanks(std::FILE* in) {
    int c;
    do c = chop(in);
    while (c == ' ' || c == '\t');
    return c;
}

void pushBack(int c) {
    if (c > 0 && c <= 255) unchop(c);
}

// Reads a double-quoted text whose opening quote has been read, up to the closing quote or
// the end of the line (the line end is pushed back). With `pairs` a backslash and the
// character after it are both kept (\t stays a backslash and a t). Returns 0, or the
// abort value of chop.
int readQuoted(std::FILE* in, std::string& out, bool pairs) {
    for (;;) {
        int c = chop(in);
        if (isAbort(c)) return c;
        if (c == '"') return 0;
        if (c == '\n' || c == '\r' || c == 0) {
            pushBack('\n');
            return 0;
        }
        out += static_cast<char>(c);
        if (pairs && c == '\\') {
            int d = chop(in);
            if (isAbort(d)) return d;
            if (d == '\n' || d == '\r' || d == 0) {
                pushBack('\n');
                return 0;
            }
            out += static_cast<char>(d);
        }
    }
}

bool scriptMode() { return keyboardInput == 'n' || replayMode == 'y'; }

// A value that the add file written by string save could not give back: the double quote
// would end the quoted text early, a line end would end the statement.
bool unsaveable(const std::string& v) {
    return v.find_first_of("\"\n\r") != std::string::npos;
}

// %-sequences in a saved value would be expanded when the file is read back; a doubled
// percent sign reads back as one.
std::string protectPercent(const std::string& v) {
    std::string out;
    out.reserve(v.size());
    for (char c : v) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------- regular expressions

std::optional<std::string> regexreplace(const std::string& text, const std::string& pattern,
                                        const std::string& replacement) {
    try {
        boost::regex re(pattern);
        return boost::regex_replace(text, re, replacement);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

int regexsplit(const std::string& text, const std::string& pattern,
               std::vector<std::string>& pieces) {
    pieces.clear();
    try {
        boost::regex re(pattern);
        boost::sregex_token_iterator it(text.begin(), text.end(), re, -1), end;
        for (; it != end; ++it) pieces.push_back(*it);
    } catch (const std::exception&) {
        pieces.clear();
        return -1;
    }
    return static_cast<int>(pieces.size());
}

// ---------------------------------------------------------------- the store

JexString::~JexString() {
    if (textFile.is_open()) textFile.close();
}

void JexString::reset() {
    variables.clear();
    words.clear();
    currentLine.clear();
    lastReadFailed = false;
    if (textFile.is_open()) textFile.close();
    textFile.clear();
}

int JexString::value(const std::string& name, std::string& out) const {
    auto it = variables.find(name);
    if (it == variables.end()) {
        out.clear();
        return -1;
    }
    out = it->second;
    return 0;
}

int JexString::word(int n, std::string& out) const {
    if (n < 1 || n > static_cast<int>(words.size())) {
        out.clear();
        return -1;
    }
    out = words[static_cast<size_t>(n - 1)];
    return 0;
}

int JexString::merge(const std::map<std::string, std::string>& entries) {
    try {
        for (const auto& [k, v] : entries) variables[k] = v;
    } catch (const std::exception&) {
        printout("\nError:  in string merge routine.\n");
        return -1;
    }
    return 0;
}

int JexString::assign(const std::string& name, std::FILE* in, char op) {
    if (addPrint == 1 && scriptMode()) {
        const char* pc = std::strchr(readPointer, '%');
        if (pc) printoutlong("%s", pc);
    }
    std::string joined;
    for (;;) {
        std::string rest(readPointer);
        std::size_t pos = 0;
        std::string term;
        int r = textterm(term, rest, pos);
        std::size_t offset = static_cast<std::size_t>(readPointer - commandBuffer);
        if (r < 0 || pos > rest.size() ||
            offset + term.size() + (rest.size() - pos) >= linelimit()) {
            printout("Error:  No valid string on right-hand side of \"string\" command.\n");
            return -1;
        }
        // The term gives way to its value in the line, and reading goes on after it.
        std::string newRest = term + rest.substr(pos);
        std::memcpy(readPointer, newRest.c_str(), newRest.size() + 1);
        readPointer += term.size();
        joined += term;

        char buf[78];
        int t = gettoken(buf, in, 0, sizeof buf);
        if (t != '+') break;
    }
    const std::string* old = has(name) ? &variables[name] : nullptr;
    const std::size_t length = joined.size() + (op == '+' && old ? old->size() : 0);
    if (length > maxStringLength) {
        printout("\nError:  string \"%s\" would be longer than %zu characters; it is unchanged.\n",
                 name.c_str(), maxStringLength);
        return -1;
    }
    if (op == '+')
        variables[name] += joined;
    else
        variables[name] = joined;
    return 0;
}

int JexString::clear(std::FILE* in) {
    char buf[90];
    int t = gettoken(buf, in, 0, sizeof buf);
    if (t == 'a' || t == '"') {
        auto it = variables.find(buf);
        if (it == variables.end()) {
            printout("\nError:  String name \"%s\" not found.\n", buf);
            return -1;
        }
        variables.erase(it);
        return 0;
    }
    variables.clear();
    return 0;
}

int JexString::save(std::FILE* in) {
    char name[3000];
    int t = gettoken(name, in, 0, sizeof name);
    if (t != 'a' && t != '"') {
        printout("Error:  No valid file name following \"string save\" command.\n");
        return -1;
    }
    try {
        // Written beside the old file and renamed over it, so a failed save loses nothing.
        platform::ReplacingFile out(name);
        std::FILE* f = out.open("w");
        if (!f) {
            printout("Error:  Cannot create file %s in \"string save\" command.\n", name);
            return -1;
        }
        bool ok = true;
        for (const auto& [k, v] : variables) {
            if (unsaveable(v)) {
                printout("Warning:  string \"%s\" holds a double quote or a line end; it is not saved.\n",
                         k.c_str());
                continue;
            }
            // The reader takes a longer line in pieces, and the pieces after the first
            // would run as commands of their own: such a value is not saved either.
            const std::string value = protectPercent(v);
            if (k.size() + value.size() + 10 > static_cast<std::size_t>(maxReadLineLength)) {
                printout("Warning:  string \"%s\" is too long to be read back from a line; it is not saved.\n",
                         k.c_str());
                continue;
            }
            if (std::fprintf(f, "str %s = \"%s\"\n", k.c_str(), value.c_str()) < 0)
                ok = false;
        }
        if (!ok || !out.commit()) {
            printout("Error:  Cannot create file %s in \"string save\" command.\n", name);
            return -1;
        }
    } catch (const std::exception&) {
        printout("\nError:  in \"string save\" command.\n");
        return -1;
    }
    return 0;
}

int JexString::print(std::FILE*) {
    try {
        for (const auto& [k, v] : variables) {
            if (platform::escapePressed()) break;
            printoutlong("str %s = \"%s\"\n", k.c_str(), v.c_str());
        }
    } catch (const std::exception&) {
        printout("\nError:  in \"string print\" command.\n");
        return -1;
    }
    return 0;
}

int JexString::open(std::FILE* in) {
    char name[3000];
    int t = gettoken(name, in, 0, sizeof name);
    if (t != 'a' && t != '"') {
        printout("Error:  No valid file name following \"string open\" command.\n");
        return -1;
    }
    try {
        if (textFile.is_open()) textFile.close();
        textFile.clear();
        textFile.open(name, std::ios::in | std::ios::binary);
        if (!textFile.is_open()) {
            printout("Error:  Cannot open file %s in \"string open\" command.\n", name);
            return -1;
        }
    } catch (const std::exception&) {
        printout("\nError:  in \"string open\" command.\n");
        return -1;
    }
    return 0;
}

int JexString::close(std::FILE*) {
    try {
        if (!textFile.is_open()) {
            printout("\nWarning:  string text file not open.\n");
            return 0;
        }
        textFile.close();
        textFile.clear();
    } catch (const std::exception&) {
        printout("\nError:  in \"string close\" command.\n");
        return -1;
    }
    return 0;
}

int JexString::getline(std::FILE* in) {
    char name[3000];
    int t = gettoken(name, in, 0, sizeof name);
    bool named = false;
    if (t == 'a' || t == '"') {
        named = true;
    } else if (t != 'f' && t != 'e') {
        printout("Error:  No valid string name following \"string getline\" command.\n");
        return -1;
    }
    if (!textFile.is_open()) {
        printout("\nWarning:  string text file not open for reading.\n");
        return -1;
    }
    try {
        std::string line;
        bool any = false, ended = false;
        // Read to the line end, but never past the limit: a file may hold an endless line.
        // A carriage return before the limit may still be part of a CR LF line end.
        for (int ch; (ch = textFile.get()) != std::char_traits<char>::eof();) {
            any = true;
            if (ch == '\n') {
                ended = true;
                break;
            }
            line.push_back(static_cast<char>(ch));
            if (line.size() > maxStringLength + 1) break;
        }
        // A line of a file written on Windows ends in a carriage return as well.
        if ((ended || textFile.eof()) && !line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > maxStringLength) {
            printout("\nError:  in \"string getline\" command, the line is longer than %zu "
                     "characters; it is not read.\n",
                     maxStringLength);
            return -1;
        }
        words.clear();
        if (any) {
            lastReadFailed = false;
            currentLine = line;
            words.push_back(line);
            if (named) variables[name] = line;
        } else {
            lastReadFailed = true;
        }
    } catch (const std::exception&) {
        printout("\nError:  in \"string getline\" command.\n");
        return -1;
    }
    return 0;
}

int JexString::parse(std::FILE* in) {
    PercentModeSaver keep(percentMode);
    char buf[3000];
    std::string text;
    int t = gettoken(buf, in, 0, sizeof buf);
    if (t == 'a') {
        if (value(buf, text) != 0) {
            printout("\nError:  String name \"%s\" not found.\n", buf);
            return -1;
        }
    } else if (t == '"') {
        text = buf;
    } else {
        printout("\nError:  no valid separator list.\n");
        return -1;
    }

    std::string pattern = defaultSplitPattern;
    bool defaultPattern = true;
    std::string root;
    int c = skipBlanks(in);
    if (c == '"') {
        pattern.clear();
        defaultPattern = false;
        percentMode = 0;
        int r = readQuoted(in, pattern, true);
        if (r != 0) return r;
        c = skipBlanks(in);
        if (c == '"') c = chop(in);
        if (isAbort(c)) return c;
        if (std::isalpha(c)) {
            unchop(c);
            percentMode = keep.savedMode();
            char rootBuf[78];
            if (gettoken(rootBuf, in, 0, sizeof rootBuf) != 'a') {
                printout("Error:  No valid string name following \"string parse %s\" command.\n",
                         pattern.c_str());
                return -1;
            }
            root = rootBuf;
        } else {
            pushBack(c);
        }
    } else if (c == '\n' || c == '\r' || c == -1) {
        if (c != -1) pushBack('\n');
    } else if (isAbort(c)) {
        return c;
    } else {
        printout("\nError:  no valid separator list.\n");
        return -1;
    }

    try {
        words.clear();
        if (text.empty()) return 0;
        std::vector<std::string> pieces;
        // Blanks and tabs before the first word separate nothing.
        std::string source = text;
        if (defaultPattern) source.erase(0, source.find_first_not_of(" \t") == std::string::npos
                                                 ? source.size()
                                                 : source.find_first_not_of(" \t"));
        if (regexsplit(source, pattern, pieces) < 0) {
            printout("tokenizer failed\n");
            return -1;
        }
        int n = 0;
        for (const auto& p : pieces) {
            words.push_back(p);
            ++n;
            if (!root.empty()) variables[root + std::to_string(n)] = p;
        }
    } catch (const std::exception&) {
        printout("\nError:  in \"string parse\" command.\n");
        return -1;
    }
    return 0;
}

int JexString::replace(std::FILE* in) {
    PercentModeSaver keep(percentMode);
    struct ClearFixedWidth {
        ~ClearFixedWidth() { fixedTokenWidth = 0; }
    } clearWidth;

    std::string name;
    int c = skipBlanks(in);
    if (isAbort(c)) return c;
    if (std::isalpha(c)) {
        unchop(c);
        char buf[3000];
        gettoken(buf, in, 0, sizeof buf);
        name = buf;
        if (!has(name)) {
            printout("\nError:  String name \"%s\" not found.\n", buf);
            return -1;
        }
        c = skipBlanks(in);
        if (isAbort(c)) return c;
    }
    if (c != '"') {
        pushBack(c);
        printout("\nError:  no valid search text.  Expected '\"'.\n");
        return -1;
    }
    percentMode = 0;
    std::string search;
    int r = readQuoted(in, search, true);
    if (r != 0) return r;

    c = skipBlanks(in);
    if (isAbort(c)) return c;
    if (c != '"') {
        pushBack(c);
        printout("\nError:  no valid replacement text.  Expected '\"'.\n");
        return -1;
    }
    std::string replacement;
    r = readQuoted(in, replacement, false);
    if (r != 0) return r;
    while (replacement.size() > 1 && (replacement.back() == ' ' || replacement.back() == '\t'))
        replacement.pop_back();
    if (replacement.size() > 1 && replacement.back() == '"') replacement.pop_back();

    std::string& target = name.empty() ? currentLine : variables[name];
    if (target.empty()) return 0;
    auto result = regexreplace(target, search, replacement);
    if (!result) {
        printout("\nError:  in \"string replace\" command.\n");
        return -1;
    }
    if (result->size() > maxStringLength) {
        printout("\nError:  in \"string replace\" command, the result would be longer than %zu "
                 "characters; the string is unchanged.\n",
                 maxStringLength);
        return -1;
    }
    target = *result;
    return 0;
}

int JexString::trim(const std::string& subcommand, std::FILE* in) {
    char name[90];
    int t = gettoken(name, in, 0, sizeof name);
    if (t != 'a' && t != '"') {
        printout("Error:  No valid string in \"trim\" command.\n");
        return -1;
    }
    int c = skipBlanks(in);
    auto it = variables.find(name);
    if (it == variables.end()) {
        pushBack(c);
        printout("\nError:  String name \"%s\" not found in \"str %s\".\n", name,
                 subcommand.c_str());
        return -1;
    }
    if (isAbort(c)) return c;
    std::string set = " \t\f\v\n\r";
    if (c == '"') {
        set.clear();
        int r = readQuoted(in, set, true);
        if (r != 0) return r;
    } else {
        pushBack(c);
    }
    std::string& v = it->second;
    bool right = subcommand == "trim" || subcommand == "trimright";
    bool left = subcommand == "trim" || subcommand == "trimleft";
    if (right) {
        std::size_t end = v.find_last_not_of(set);
        v.erase(end == std::string::npos ? 0 : end + 1);
    }
    if (left) {
        std::size_t start = v.find_first_not_of(set);
        v.erase(0, start == std::string::npos ? v.size() : start);
    }
    return 0;
}

int JexString::storeArgs(std::FILE* in) {
    char buf[78];
    int t = gettoken(buf, in, 0, sizeof buf);
    if (t != 'a' || std::strncmp(buf, "arg", 3) != 0) {
        printout("\nError:  \"str store\" must be followed by \"args\"\n");
        return -1;
    }
    t = gettoken(buf, in, 0, sizeof buf);
    if (t != 'a') {
        printout("\nError:  \"str store args\" must be followed by a valid root name.\n");
        return -1;
    }
    try {
        std::size_t n = scriptArgs ? scriptArgs->size() : 0;
        if (n > static_cast<std::size_t>(maxScriptArgs)) n = maxScriptArgs;
        if (n == 0) {
            if (addPrint == 1) printout("No arguments to store.\n");
            return 0;
        }
        for (std::size_t i = 0; i < n; ++i)
            variables[std::string(buf) + std::to_string(i + 1)] = (*scriptArgs)[i];
    } catch (const std::exception&) {
        printout("\nError:  in \"string store\" command.\n");
        return -1;
    }
    return 0;
}

// ---------------------------------------------------------------- the command

int stringcmd(std::FILE* in) {
    char word[78];
    int t = gettoken(word, in, 0, sizeof word);
    if (t != 'a' && t != '"') {
        printout("Error:  No valid string command or string name.\n %s", usageText);
        return -1;
    }
    int c = skipBlanks(in);
    if (c == '=') return stringStore.assign(word, in, '=');
    if (c == '+') {
        int d = chop(in);
        if (d == '=') return stringStore.assign(word, in, '+');
        pushBack(d);
        printout("Error:  in str command, a '+' following the left-hand-side must\n");
        printout("be followed by a '=', or \"+=\".\n");
        printout("%s", usageText);
        return -1;
    }
    pushBack(c);

    std::string sub = word;
    int r;
    if (sub == "clear") r = stringStore.clear(in);
    else if (sub == "save") r = stringStore.save(in);
    else if (sub == "print") r = stringStore.print(in);
    else if (sub == "open") r = stringStore.open(in);
    else if (sub == "close") r = stringStore.close(in);
    else if (sub == "getline") r = stringStore.getline(in);
    else if (sub == "parse") r = stringStore.parse(in);
    else if (sub == "replace") r = stringStore.replace(in);
    else if (sub.compare(0, 4, "trim") == 0) r = stringStore.trim(sub, in);
    else if (sub == "store") r = stringStore.storeArgs(in);
    else {
        printout("Error:  No '=' in \"string\" command.\n ");
        return -1;
    }
    if (r == -1) printout("%s", usageText);
    return r;
}
