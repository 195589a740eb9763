// Transcript tests: each case runs the real jex binary in a fresh temporary directory and
// compares what it printed with the expected text.
//
// Data format (tests/transcripts/*.txt; README.md there says the same):
//
//   # Lines starting with '#' before the first case are comments.
//   === name of the case
//   --- file NAME           the lines that follow are the file NAME (each line ends in \n)
//   --- file-noeol NAME     the same, without a line end after the last line
//   --- file-hex NAME       the file's bytes as hexadecimal pairs (blanks and lines ignored)
//   --- args WORD ...       command-line arguments of jex (a word in double quotes may hold
//                           blanks)
//   --- answers ok,cancel   JEX_ANSWERS: answers of the message boxes, in order
//   --- stdin               the lines typed on standard input (each ends in \n)
//   --- stdin-hex           standard input as hexadecimal pairs
//   --- stdout              the exact standard output expected (each line ends in \n)
//   --- stdout-hex          the same as hexadecimal pairs (for control bytes)
//   --- stderr              the exact standard error expected (optional: unchecked if absent)
//   --- exit N              the exit status expected (optional: 0 when absent)
//   --- no-jex.cfg          the case runs without a jex.cfg (see below)
//   --- no-help-file        the program's home holds no Jex7Help.chm (see below)
//   --- result-file NAME    the exact bytes the file NAME holds after the run (each line
//                           ends in \n); the case fails when the file is missing
//
// "{dir}" in any text of a case (files, arguments, answers, standard input, expected
// outputs and result files) stands for the case's directory, an absolute path.
//
// A case starts at its "===" line; sections may come in any order; every section but
// stdout is optional (no stdin means empty standard input). The directory holds the case's
// own files and, unless the case gives its own ("--- file jex.cfg") or declares that it has
// none ("--- no-jex.cfg"), the default jex.cfg below: a small workspace ws.bnk (base year
// 1990, first month 1, 100 observations, dates 1990 2000 2009) and no default bank.
// The program's home (JEX_HOME: settings, history, recent files) is the case's directory
// too, with an empty help file Jex7Help.chm in it unless the case says "--- no-help-file".
// Content lines are taken as they stand, with two rules: a content line that begins with a
// backslash loses that backslash (so "\=== x" and "\--- x" are content, and "\" alone is
// an empty line), and blank lines right before a "===" line only separate cases.
//
// On a failure the test shows a line diff of expected and actual output. Expected text is
// never rewritten by the tests: with JEX_TRANSCRIPT_ACTUAL=DIR set, every transcript file
// is also written to DIR with the actual outputs in place of the expected ones, for a
// person to review and copy over deliberately.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Fixture {
    std::string name;
    std::string content;
};

struct Case {
    std::string sourceFile;  // the transcript file (stem)
    std::string name;        // as written after ===
    std::string testName;    // a GoogleTest-safe name
    std::vector<Fixture> files;
    std::vector<std::string> args;
    bool haveAnswers = false;
    std::string answers;
    std::string stdinText;
    std::string expectedStdout;
    bool haveStdout = false;
    bool haveStderr = false;
    std::string expectedStderr;
    int expectedExit = 0;
    bool noConfig = false;   // no jex.cfg at all (not even the default one)
    bool noHelpFile = false; // no Jex7Help.chm in the program's home
    std::vector<Fixture> resultFiles;  // files expected after the run
    std::string parseError;  // non-empty when the case could not be read
};

// How GoogleTest names a case in its messages (instead of a dump of the object's bytes).
void PrintTo(const Case& c, std::ostream* os) { *os << c.sourceFile << ".txt: " << c.name; }

bool givesFile(const Case& c, const std::string& name) {
    for (const Fixture& f : c.files)
        if (f.name == name) return true;
    return false;
}

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool fromHex(const std::string& text, std::string& out) {
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) digits.push_back(c);
    if (digits.size() % 2) return false;
    out.clear();
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        char* end = nullptr;
        std::string pair = digits.substr(i, 2);
        long v = std::strtol(pair.c_str(), &end, 16);
        if (*end) return false;
        out.push_back(static_cast<char>(v));
    }
    return true;
}

std::string safeName(const std::string& s) {
    std::string out;
    for (char c : s) out.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return out;
}

// One section: its header words and content lines (escapes removed).
struct Section {
    std::string kind;
    std::string argument;
    std::vector<std::string> lines;
    std::vector<bool> escaped;  // the line was written with a leading backslash
    int line = 0;
    // Drops the blank lines at the end that only separate cases (not escaped ones).
    void dropSeparators() {
        while (!lines.empty() && lines.back().empty() && !escaped.back()) {
            lines.pop_back();
            escaped.pop_back();
        }
    }
};

std::string joinLines(const std::vector<std::string>& lines, bool finalNewline) {
    std::string s;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        s += lines[i];
        if (i + 1 < lines.size() || finalNewline) s += "\n";
    }
    return s;
}

void applySection(Case& c, const Section& s) {
    auto fail = [&](const std::string& why) {
        if (c.parseError.empty())
            c.parseError = "line " + std::to_string(s.line) + ": " + why;
    };
    if (s.kind == "file" || s.kind == "file-noeol" || s.kind == "file-hex") {
        if (s.argument.empty()) return fail("a file section needs a name");
        Fixture f{s.argument, ""};
        if (s.kind == "file-hex") {
            if (!fromHex(joinLines(s.lines, false), f.content)) return fail("bad hexadecimal");
        } else {
            f.content = joinLines(s.lines, s.kind == "file");
        }
        c.files.push_back(f);
    } else if (s.kind == "args") {
        // Words split at blanks; a word in double quotes may hold blanks.
        std::istringstream words(s.argument);
        for (std::string w; words >> std::quoted(w);) c.args.push_back(w);
    } else if (s.kind == "answers") {
        c.haveAnswers = true;
        c.answers = s.argument;
    } else if (s.kind == "stdin") {
        c.stdinText = joinLines(s.lines, true);
    } else if (s.kind == "stdin-hex") {
        if (!fromHex(joinLines(s.lines, false), c.stdinText)) return fail("bad hexadecimal");
    } else if (s.kind == "stdout") {
        c.haveStdout = true;
        c.expectedStdout = joinLines(s.lines, true);
    } else if (s.kind == "stdout-hex") {
        c.haveStdout = true;
        if (!fromHex(joinLines(s.lines, false), c.expectedStdout)) return fail("bad hexadecimal");
    } else if (s.kind == "stderr") {
        c.haveStderr = true;
        c.expectedStderr = joinLines(s.lines, true);
    } else if (s.kind == "exit") {
        c.expectedExit = std::atoi(s.argument.c_str());
    } else if (s.kind == "no-jex.cfg") {
        if (!s.argument.empty() || !s.lines.empty()) return fail("no-jex.cfg takes no text");
        c.noConfig = true;
    } else if (s.kind == "no-help-file") {
        if (!s.argument.empty() || !s.lines.empty()) return fail("no-help-file takes no text");
        c.noHelpFile = true;
    } else if (s.kind == "result-file") {
        if (s.argument.empty()) return fail("a result-file section needs a name");
        c.resultFiles.push_back(Fixture{s.argument, joinLines(s.lines, true)});
    } else {
        fail("unknown section \"" + s.kind + "\"");
    }
}

std::vector<Case> parseTranscript(const fs::path& path) {
    std::vector<Case> cases;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> raw;
    for (std::string line; std::getline(in, line);) raw.push_back(line);

    Case* current = nullptr;
    Section section;
    bool inSection = false;
    auto closeSection = [&] {
        if (!inSection || !current) return;
        applySection(*current, section);
        inSection = false;
    };
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::string& line = raw[i];
        if (line.rfind("===", 0) == 0) {
            // Blank lines right before a case separate cases.
            if (inSection) section.dropSeparators();
            closeSection();
            cases.emplace_back();
            current = &cases.back();
            current->sourceFile = path.stem().string();
            current->name = trim(line.substr(3));
            continue;
        }
        if (!current) continue;  // comments and blank lines before the first case
        if (line.rfind("---", 0) == 0) {
            closeSection();
            std::string header = trim(line.substr(3));
            std::size_t sp = header.find_first_of(" \t");
            section = Section{};
            section.kind = header.substr(0, sp);
            section.argument = sp == std::string::npos ? "" : trim(header.substr(sp));
            section.line = static_cast<int>(i + 1);
            inSection = true;
            continue;
        }
        if (!inSection) {
            if (!trim(line).empty() && current->parseError.empty())
                current->parseError = "line " + std::to_string(i + 1) + ": text outside a section";
            continue;
        }
        std::string content = line;
        const bool escaped = !content.empty() && content[0] == '\\';
        if (escaped) content.erase(0, 1);
        section.lines.push_back(content);
        section.escaped.push_back(escaped);
    }
    if (inSection) section.dropSeparators();
    closeSection();

    std::map<std::string, int> seen;
    for (Case& c : cases) {
        if (!c.haveStdout && c.parseError.empty()) c.parseError = "the case has no stdout section";
        if (c.noConfig && givesFile(c, "jex.cfg") && c.parseError.empty())
            c.parseError = "the case gives a jex.cfg and declares that it has none";
        std::string base = safeName(c.sourceFile + "_" + c.name);
        int n = ++seen[base];
        c.testName = n == 1 ? base : base + "_" + std::to_string(n);
    }
    return cases;
}

std::vector<Case> loadAllCases() {
    std::vector<Case> all;
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(TRANSCRIPT_DIR, ec))
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        std::vector<Case> cases = parseTranscript(f);
        all.insert(all.end(), cases.begin(), cases.end());
    }
    return all;
}

struct RunResult {
    std::string out;
    std::string err;
    int exitStatus = -1;
    bool timedOut = false;
    std::string problem;
    std::string dir;                       // the case's directory, as the program sees it
    std::vector<Fixture> resultFiles;      // the bytes of the expected result files (or none)
    std::vector<bool> resultFound;
};

// Every "{dir}" of a text replaced by the case's directory.
std::string withDir(std::string text, const std::string& dir) {
    const std::string mark = "{dir}";
    for (std::size_t p = text.find(mark); p != std::string::npos; p = text.find(mark, p + dir.size()))
        text.replace(p, mark.size(), dir);
    return text;
}

// The case's directory written back as "{dir}".
std::string markDir(std::string text, const std::string& dir) {
    if (dir.empty()) return text;
    for (std::size_t p = text.find(dir); p != std::string::npos; p = text.find(dir, p + 5))
        text.replace(p, dir.size(), "{dir}");
    return text;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool writeFile(const fs::path& p, const std::string& content) {
    std::ofstream out(p, std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

// The start-up configuration every case gets unless it gives its own or declares none.
const char* const defaultConfig =
    "Name of workspace; ws.bnk\n"
    "Name of workspace index; ws.ind\n"
    "Name of default bank; \n"
    "Name of default bank index; \n"
    "Path to help files; x\n"
    "Reserved for future use; x\n"
    "Default regression limits; 1990 2000 2009\n"
    "Default base year of workspace file; 1990\n"
    "First month covered; 1\n"
    "Default maximum number of observations per series in workspace; 100\n"
    "Add file to run at startup; \n";

RunResult runCase(const Case& c) {
    RunResult r;
    std::string templ = (fs::temp_directory_path() / "jex-transcript-XXXXXX").string();
    std::vector<char> dirName(templ.begin(), templ.end());
    dirName.push_back(0);
    if (!mkdtemp(dirName.data())) {
        r.problem = "cannot make a temporary directory";
        return r;
    }
    fs::path dir(dirName.data());
    fs::path work = dir / "work";
    fs::create_directory(work);
    std::error_code ec;
    fs::path real = fs::canonical(work, ec);
    if (!ec) work = real;
    r.dir = work.string();
    for (const Fixture& f : c.files) {
        fs::path p = work / f.name;
        fs::create_directories(p.parent_path());
        writeFile(p, withDir(f.content, r.dir));
    }
    if (!c.noConfig && !givesFile(c, "jex.cfg")) writeFile(work / "jex.cfg", defaultConfig);
    if (!c.noHelpFile && !givesFile(c, "Jex7Help.chm")) writeFile(work / "Jex7Help.chm", "");
    writeFile(dir / "stdin", withDir(c.stdinText, r.dir));
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(withDir(a, r.dir));

    pid_t pid = fork();
    if (pid == 0) {
        setsid();  // no controlling terminal: message boxes take their answers or defaults
        if (chdir(work.c_str()) != 0) _exit(126);
        int in = open((dir / "stdin").c_str(), O_RDONLY);
        int out = open((dir / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open((dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (c.haveAnswers)
            setenv("JEX_ANSWERS", withDir(c.answers, work.string()).c_str(), 1);
        else
            unsetenv("JEX_ANSWERS");
        setenv("JEX_HOME", work.c_str(), 1);
        // Times in local time are UTC, and the free space of a disk a fixed figure.
        setenv("TZ", "UTC", 1);
        setenv("JEX_FREE_SPACE_MB", "2048", 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("jex"));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(JEX_BINARY, argv.data());
        _exit(127);
    }
    if (pid < 0) {
        r.problem = "cannot start jex";
        return r;
    }
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        pid_t w = waitpid(pid, &status, WNOHANG);
        if (w == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status))
        r.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        r.exitStatus = 128 + WTERMSIG(status);
    r.out = readFile(dir / "stdout");
    r.err = readFile(dir / "stderr");
    for (const Fixture& f : c.resultFiles) {
        fs::path p = work / f.name;
        bool found = fs::is_regular_file(p, ec);
        r.resultFound.push_back(found);
        r.resultFiles.push_back(Fixture{f.name, found ? readFile(p) : ""});
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return r;
}

// Control characters shown visibly in diff lines.
std::string visible(const std::string& line) {
    std::string s;
    for (unsigned char ch : line) {
        if (ch == '\r')
            s += "\\r";
        else if (ch == '\t')
            s += "\\t";
        else if (ch < 32 || ch == 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", ch);
            s += buf;
        } else
            s.push_back(static_cast<char>(ch));
    }
    if (!s.empty() && s.back() == ' ') s += "\u2423";  // show a trailing blank
    return s;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (char ch : text) {
        if (ch == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(ch);
        }
    }
    if (!cur.empty()) lines.push_back(cur + "\\ (no line end)");
    return lines;
}

// A line diff (longest common subsequence): "  " same, "- " expected only, "+ " actual only.
std::string lineDiff(const std::string& expected, const std::string& actual) {
    std::vector<std::string> a = splitLines(expected), b = splitLines(actual);
    std::size_t n = a.size(), m = b.size();
    if (n * m > 4000000) return "(outputs too long to diff)\n--- actual ---\n" + actual;
    std::vector<std::vector<int>> lcs(n + 1, std::vector<int>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    std::string out;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            out += "  " + visible(a[i]) + "\n";
            ++i, ++j;
        } else if (j < m && (i == n || lcs[i][j + 1] >= lcs[i + 1][j])) {
            out += "+ " + visible(b[j++]) + "\n";
        } else {
            out += "- " + visible(a[i++]) + "\n";
        }
    }
    return out;
}

// The transcript text of a case with the actual outputs as expected text.
// Empty lines are written as a lone backslash when `escapeBlanks` is set (the style of the
// section they replace) and at the end of the text, where they would be read as the blank
// lines that separate cases; otherwise as they are.
std::string escapeContent(const std::string& text, bool escapeBlanks = true) {
    std::string out;
    std::vector<std::string> lines = splitLines(text);
    std::size_t lastFull = lines.size();
    while (lastFull > 0 && lines[lastFull - 1].empty()) --lastFull;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if ((line.empty() && (escapeBlanks || i >= lastFull)) || (!line.empty() && line[0] == '\\') ||
            line.rfind("===", 0) == 0 || line.rfind("---", 0) == 0)
            out += "\\";
        out += line + "\n";
    }
    return out;
}

// Bytes as hexadecimal pairs, 16 to a line.
std::string toHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
        out += (i % 16 == 15 || i + 1 == bytes.size()) ? '\n' : ' ';
    }
    return out;
}

void recordActual(const Case& c, const RunResult& r) {
    const char* dir = std::getenv("JEX_TRANSCRIPT_ACTUAL");
    if (!dir || !*dir) return;
    fs::create_directories(dir);
    // Rewrite the whole transcript file with this case's outputs replaced; cases of the same
    // file that run later replace theirs in the copy.
    fs::path target = fs::path(dir) / (c.sourceFile + ".txt");
    fs::path source = fs::path(TRANSCRIPT_DIR) / (c.sourceFile + ".txt");
    std::string text = fs::exists(target) ? readFile(target) : readFile(source);
    std::vector<std::string> lines;
    {
        std::istringstream s(text);
        for (std::string l; std::getline(s, l);) lines.push_back(l);
    }
    const std::string actualOut = markDir(r.out, r.dir), actualErr = markDir(r.err, r.dir);
    std::string out;
    bool inCase = false, skipping = false;
    std::size_t resultIndex = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.rfind("===", 0) == 0) {
            inCase = trim(l.substr(3)) == c.name;
            skipping = false;
        } else if (inCase && l.rfind("---", 0) == 0) {
            std::string kind = trim(l.substr(3));
            kind = kind.substr(0, kind.find_first_of(" \t"));
            // The replaced section's way of writing empty lines is kept.
            bool escapedBlanks = false;
            for (std::size_t k = i + 1; k < lines.size(); ++k) {
                if (lines[k].rfind("---", 0) == 0 || lines[k].rfind("===", 0) == 0) break;
                if (lines[k] == "\\") escapedBlanks = true;
            }
            if (kind == "stdout" || (kind == "stderr" && c.haveStderr)) {
                out += l + "\n" + escapeContent(kind == "stdout" ? actualOut : actualErr, escapedBlanks);
                skipping = true;
                continue;
            }
            if (kind == "stdout-hex") {
                out += l + "\n" + toHex(actualOut);
                skipping = true;
                continue;
            }
            if (kind == "result-file" && resultIndex < r.resultFiles.size()) {
                out += l + "\n" + escapeContent(markDir(r.resultFiles[resultIndex++].content, r.dir), escapedBlanks);
                skipping = true;
                continue;
            }
            skipping = false;
        } else if (skipping) {
            if (trim(l).empty()) {
                // keep the blank separator lines before the next case
                std::size_t k = i;
                while (k < lines.size() && trim(lines[k]).empty()) ++k;
                if (k == lines.size() || lines[k].rfind("===", 0) == 0) skipping = false;
            }
            if (skipping) continue;
        }
        out += l + "\n";
    }
    writeFile(target, out);
}

class Transcript : public ::testing::TestWithParam<Case> {};

TEST_P(Transcript, Matches) {
    const Case& c = GetParam();
    ASSERT_TRUE(c.parseError.empty()) << c.sourceFile << ".txt, case \"" << c.name
                                      << "\": " << c.parseError;
    RunResult r = runCase(c);
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    ASSERT_FALSE(r.timedOut) << "jex did not finish within 60 seconds";
    recordActual(c, r);
    EXPECT_EQ(r.exitStatus, c.expectedExit) << "standard error:\n" << r.err;
    const std::string expectedOut = withDir(c.expectedStdout, r.dir);
    EXPECT_TRUE(r.out == expectedOut)
        << c.sourceFile << ".txt, case \"" << c.name << "\": standard output differs "
        << "(- expected, + actual):\n"
        << lineDiff(expectedOut, r.out);
    if (c.haveStderr) {
        const std::string expectedErr = withDir(c.expectedStderr, r.dir);
        EXPECT_TRUE(r.err == expectedErr)
            << c.sourceFile << ".txt, case \"" << c.name << "\": standard error differs "
            << "(- expected, + actual):\n"
            << lineDiff(expectedErr, r.err);
    }
    for (std::size_t i = 0; i < c.resultFiles.size(); ++i) {
        const Fixture& f = c.resultFiles[i];
        if (!r.resultFound[i]) {
            ADD_FAILURE() << c.sourceFile << ".txt, case \"" << c.name << "\": no file " << f.name
                          << " after the run";
            continue;
        }
        const std::string expected = withDir(f.content, r.dir);
        EXPECT_TRUE(r.resultFiles[i].content == expected)
            << c.sourceFile << ".txt, case \"" << c.name << "\": file " << f.name
            << " differs (- expected, + actual):\n"
            << lineDiff(expected, r.resultFiles[i].content);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Transcript, ::testing::ValuesIn(loadAllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.testName;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Transcript);

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
