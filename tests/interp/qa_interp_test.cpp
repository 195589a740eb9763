// Bad input and ways out of the script commands: fadd that runs itself, dos output longer
// than a results line, a dos batch block cut short, and the exact messages of string
// save and string clear.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/printout.h"
#include "interp/command.h"
#include "interp/commandloop.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/strings.h"
#include "platform/scripted_platform.h"

namespace qa_interp_test {

namespace {

class QaScripts : public ::testing::Test {
protected:
    platform::ScopedScriptedPlatform screen;
    std::filesystem::path dir;
    std::filesystem::path home;

    void SetUp() override {
        resetinterpstate();
        clearPendingLine();
        stringStore.reset();
        home = std::filesystem::current_path();
        dir = std::filesystem::temp_directory_path() /
              ("jex_qa_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(home);
        std::filesystem::remove_all(dir);
        stringStore.reset();
        resetinterpstate();
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) {
        std::ifstream f(dir / name, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    int typed(const std::string& line) {
        settypedline(line);
        std::FILE* none = nullptr;
        return commandloop(&none);
    }
    std::string output() { return screen.platform.text() + pendingLine(); }
    void clearOutput() {
        screen.platform.lines.clear();
        clearPendingLine();
    }
};

// A command file that runs fadd on itself used to nest until the stack ran out (a crash):
// it now stops at the nesting limit with the error, every level unwinds, and the next
// command runs normally.
TEST_F(QaScripts, FaddThatRunsItselfStopsAtTheNestingLimit) {
    write("self.add", "str n += \"x\"\nfadd self.add one.txt\nstr never = \"reached\"\n");
    write("one.txt", "1\n");
    addPrint = 0;
    EXPECT_EQ(typed("fadd self.add one.txt"), -1);
    std::string out = output();
    const std::string message = "\nError:  scripts nested too deeply (more than 400 levels).\n";
    ASSERT_NE(out.find(message), std::string::npos) << out.substr(0, 500);
    EXPECT_EQ(out.find(message), out.rfind(message)) << "the message is printed once";
    // Each fadd below the limit ran its first line once; none got past its own fadd.
    std::string n;
    ASSERT_EQ(stringStore.value("n", n), 0);
    EXPECT_EQ(n.size(), static_cast<std::size_t>(maxScriptNesting));
    EXPECT_FALSE(stringStore.has("never"));
    EXPECT_EQ(scriptNestingDepth, 0);
    EXPECT_EQ(keyboardInput, 'y');
    EXPECT_EQ(scriptArgs, nullptr);
    clearOutput();
    EXPECT_EQ(typed("str after = \"ok\""), statusTyped) << output();
    EXPECT_TRUE(stringStore.has("after"));
}

// fadd inside fadd to a modest depth still works: the limit counts nested runs only.
TEST_F(QaScripts, FaddNestedAFewLevelsRunsEveryLevel) {
    write("outer.txt", "a\nb\n");
    write("inner.txt", "1\n2\n");
    write("outer.add", "fadd inner.add inner.txt %1\n");
    write("inner.add", "str log += \"%2%1 \"\n");
    addPrint = 0;
    EXPECT_EQ(typed("fadd outer.add outer.txt"), statusTyped) << output();
    std::string log;
    ASSERT_EQ(stringStore.value("log", log), 0);
    EXPECT_EQ(log, "a1 a2 b1 b2 ");
    EXPECT_EQ(scriptNestingDepth, 0);
}

// The arguments fadd takes from a line of its argument file are kept whole, however long,
// and at most 99 of them count (the extra words of the fadd line come after them).
TEST_F(QaScripts, FaddTakesLongArgumentLinesWhole) {
    std::string longword(2500, 'w');
    std::string many;
    for (int i = 1; i <= 120; ++i) many += "t" + std::to_string(i) + " ";
    write("long.txt", longword + " b\n");
    write("many.txt", many + "\n");
    write("first.add", "str first%2 = \"%1\"\nstr extra = \"%3\"\n");
    write("last.add", "str first = \"%1\"\nstr last = \"%99\"\n");
    addPrint = 0;
    EXPECT_EQ(typed("fadd first.add long.txt more"), statusTyped) << output().substr(0, 300);
    std::string v;
    ASSERT_EQ(stringStore.value("firstb", v), 0) << output().substr(0, 300);
    EXPECT_EQ(v, longword);
    ASSERT_EQ(stringStore.value("extra", v), 0);
    EXPECT_EQ(v, "more");
    EXPECT_EQ(typed("fadd last.add many.txt more"), statusTyped) << output().substr(0, 300);
    ASSERT_EQ(stringStore.value("first", v), 0);
    EXPECT_EQ(v, "t1");
    ASSERT_EQ(stringStore.value("last", v), 0);
    EXPECT_EQ(v, "t99");
}

// An output line of dos longer than a results line reaches the results whole, in pieces
// that fit, in order, with nothing lost or doubled.
TEST_F(QaScripts, DosOutputLineLongerThanTheBufferArrivesWhole) {
    std::string line;
    for (int i = 0; i < 1000; ++i) line += "0123456789";
    write("long.txt", line + "\nend\n");
    EXPECT_EQ(typed("dos cat long.txt"), statusTyped);
    std::string out = output();
    std::string joined;
    for (const std::string& l : screen.platform.lines) {
        EXPECT_LT(l.size(), static_cast<std::size_t>(commandBufferSize));
        if (l != "end" && !l.empty()) joined += l;
    }
    EXPECT_EQ(joined, line);
    EXPECT_NE(out.find("\nend\n\n"), std::string::npos) << out.substr(out.size() - 20);
    EXPECT_EQ(out.front(), '\n');
}

// A dos batch block that the end of the add file cuts short fails with its message and
// leaves no temporary batch file behind.
TEST_F(QaScripts, DosBlockCutShortRemovesItsBatchFile) {
    std::filesystem::create_directories(dir / "tmp");
    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    write("cut.add", "dos {\necho hi\n");
    write("ok.add", "dos {\necho fine\n}\n");
    EXPECT_EQ(typed("add cut.add"), -1);
    std::string out = output();
    EXPECT_NE(out.find("Error:  in dos command, when reading contents of batch file."),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("hi\n\n"), std::string::npos) << "the cut block must not run";
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp"));
    clearOutput();
    EXPECT_EQ(typed("add ok.add"), statusTyped);
    EXPECT_NE(output().find("\nfine\n\n"), std::string::npos) << output();
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tmp"));
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
}

// string save skips a value that cannot be read back, with its warning, writes the others
// (a '%' doubled so that it reads back as it stands) and keeps the status of success.
TEST_F(QaScripts, StringSaveWarnsAndSkipsExactly) {
    stringStore.set("a", "plain");
    stringStore.set("nl", "two\nlines");
    stringStore.set("pct", "100%");
    stringStore.set("q", "say \"hi\"");
    EXPECT_EQ(typed("str save vars.add"), statusTyped);
    std::string out = output();
    EXPECT_NE(out.find("Warning:  string \"nl\" holds a double quote or a line end; it is not saved.\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Warning:  string \"q\" holds a double quote or a line end; it is not saved.\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("\"a\""), std::string::npos) << "no warning for a plain value";
    EXPECT_EQ(read("vars.add"), "str a = \"plain\"\nstr pct = \"100%%\"\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "vars.add.tmp"));
    stringStore.reset();
    addPrint = 0;
    EXPECT_EQ(typed("add vars.add"), statusTyped) << output();
    std::string v;
    ASSERT_EQ(stringStore.value("pct", v), 0);
    EXPECT_EQ(v, "100%");
}

// A saved line longer than the reader takes would be read back in pieces, and the pieces
// after the first would run as commands of their own (here a text command hidden at the
// end of the value): such a value is skipped with a warning. A value whose line just fits
// is saved and reads back whole.
TEST_F(QaScripts, StringSaveSkipsValuesTooLongForALine) {
    const std::size_t fits = static_cast<std::size_t>(maxReadLineLength) - 10 - 1;  // name "g"
    std::string longest(fits - 1, 'A');
    longest += '%';  // written doubled: one character more in the file
    stringStore.set("g", std::string(fits, 'A'));
    stringStore.set("h", longest);
    stringStore.set("t", std::string(2979, 'A') + "text RAN");
    EXPECT_EQ(typed("str save vars.add"), statusTyped);
    std::string out = output();
    EXPECT_NE(out.find("Warning:  string \"h\" is too long to be read back from a line; it is not saved.\n"),
              std::string::npos)
        << out.substr(0, 400);
    EXPECT_NE(out.find("Warning:  string \"t\" is too long to be read back from a line; it is not saved.\n"),
              std::string::npos);
    EXPECT_EQ(out.find("\"g\""), std::string::npos);
    EXPECT_EQ(read("vars.add"), "str g = \"" + std::string(fits, 'A') + "\"\n");
    stringStore.reset();
    clearOutput();
    addPrint = 0;
    EXPECT_EQ(typed("add vars.add"), statusTyped) << output().substr(0, 400);
    std::string v;
    ASSERT_EQ(stringStore.value("g", v), 0);
    EXPECT_EQ(v, std::string(fits, 'A'));
    EXPECT_EQ(output().find("RAN"), std::string::npos);
}

TEST_F(QaScripts, StringClearOfAnUnknownNameSaysSo) {
    stringStore.set("b", "2");
    EXPECT_EQ(typed("str clear zz"), -1);
    EXPECT_NE(output().find("\nError:  String name \"zz\" not found.\n"), std::string::npos)
        << output();
    EXPECT_TRUE(stringStore.has("b"));
}

}  // namespace

}  // namespace qa_interp_test
