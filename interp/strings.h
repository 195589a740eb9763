// String variables: the store `stringStore` of named texts, the words of the last split,
// the text file read line by line, and the string command that works on them. Regular
// expressions (string replace and string parse) are Boost.Regex's, in its default Perl
// syntax.
#pragma once

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The longest text a string variable holds, and the longest line string getline reads
// (1 MiB); a command that would make a longer one fails and leaves the variable as it was.
constexpr std::size_t maxStringLength = std::size_t{1} << 20;

class JexString {
public:
    JexString() = default;
    ~JexString();
    JexString(const JexString&) = delete;
    JexString& operator=(const JexString&) = delete;

    // ---- the subcommands of the string command; each reads its own arguments from the
    // input and returns 0 or -1 (or an abort code of the reader) ----
    // name = term [+ term ...] (op '=') or name += ... (op '+').
    int assign(const std::string& name, std::FILE* in, char op);
    int clear(std::FILE* in);
    int save(std::FILE* in);
    int print(std::FILE* in);
    int open(std::FILE* in);
    int close(std::FILE* in);
    int getline(std::FILE* in);
    int parse(std::FILE* in);
    int replace(std::FILE* in);
    int trim(const std::string& subcommand, std::FILE* in);
    int storeArgs(std::FILE* in);

    // ---- read by the reader and the %-functions ----
    // The variable's text into out and 0; out empty and -1 when there is no such variable.
    int value(const std::string& name, std::string& out) const;
    // Word n (1-based) of the last split into out and 0; out empty and -1 when out of range.
    int word(int n, std::string& out) const;
    // Number of words of the last split (or 1 after a successful getline).
    int wordCount() const { return static_cast<int>(words.size()); }
    // Length of the last line read by getline; -1 when the last read failed.
    int lineLength() const { return lastReadFailed ? -1 : static_cast<int>(currentLine.size()); }
    // A copy of the last line read by getline.
    std::string lastLine() const { return currentLine; }
    // Copies every entry into the variables, replacing equal names; 0, or -1 on failure.
    int merge(const std::map<std::string, std::string>& entries);

    // Direct access for the program's own code and tests.
    void set(const std::string& name, const std::string& text) { variables[name] = text; }
    bool has(const std::string& name) const { return variables.count(name) != 0; }
    const std::map<std::string, std::string>& all() const { return variables; }
    const std::vector<std::string>& allWords() const { return words; }
    // Empties everything and closes the text file (start-up state).
    void reset();

private:
    std::map<std::string, std::string> variables;
    std::ifstream textFile;
    std::string currentLine;
    bool lastReadFailed = false;
    std::vector<std::string> words;
};

// The one store of the program.
extern JexString stringStore;

// string|str ...: the handler of the string command.
int stringcmd(std::FILE* in);

// Every match of `pattern` in `text` replaced by `replacement` ($1, $& refer to the match);
// nothing when the pattern is invalid or matching fails.
std::optional<std::string> regexreplace(const std::string& text, const std::string& pattern,
                                        const std::string& replacement);
// The pieces of `text` between matches of `pattern` into `pieces`; their number, or -1
// (pieces empty) when the pattern is invalid or matching fails.
int regexsplit(const std::string& text, const std::string& pattern,
               std::vector<std::string>& pieces);
// The pattern of string parse when none is given: any run of blanks and tabs.
extern const char* const defaultSplitPattern;
