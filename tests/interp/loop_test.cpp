// The command loop: typed and script modes, what each mode drops before the command word,
// the stop codes and who closes the input, the step dialog, the arithmetic-error box, the
// Escape poll, and quit (also from inside nested scripts).
#include <cfenv>
#include <string>
#include <vector>

#include "interp/command.h"
#include "interp/doloop.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "tests/interp/reader_fixture.h"
#include "tests/shell/command_fixture.h"

namespace loop_test {

namespace {

class LoopTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        shutdowns = 0;
        shutdownHandler = [] { ++shutdowns; };
        stepped.clear();
        savedStep_ = stepDialog;
        platform::clearEscape();
        std::feclearexcept(FE_ALL_EXCEPT);
    }
    void TearDown() override {
        stepDialog = savedStep_;
        platform::clearEscape();
        std::feclearexcept(FE_ALL_EXCEPT);
        CommandFixture::TearDown();
    }

    // Runs an add file as a script with its lines echoed; returns the status, and whether
    // the loop closed the file is in scriptClosedByLoop().
    int echoed(const std::string& content) { return script(content, true); }

    static inline int shutdowns = 0;
    static inline std::vector<std::string> stepped;

private:
    int (*savedStep_)(const char*) = nullptr;
};

TEST_F(LoopTest, EmptyTypedLineDoesNothing) {
    EXPECT_EQ(typed(""), statusDone);
    EXPECT_EQ(typed("   \t "), statusDone);
    EXPECT_EQ(results(), "");
}

TEST_F(LoopTest, TypedLineDropsEverythingBeforeItsWordAndRunsOneCommand) {
    struct Case {
        const char* line;
        const char* printed;
    };
    // Numbers, punctuation, quoted text and the colon before the word are all dropped.
    const Case cases[] = {{"12 text hello", "hello\n"},
                          {"\"quoted\" text q", "q\n"},
                          {": text after colon", "after colon\n"},
                          {"( , text x", "x\n"}};
    for (const Case& c : cases) {
        clearResults();
        EXPECT_EQ(typed(c.line), statusTyped) << c.line;
        EXPECT_EQ(results(), c.printed) << c.line;
    }
    // Only one command runs: what the handler leaves on the line is not read as a command.
    clearResults();
    EXPECT_EQ(typed("check bogus"), statusTyped);
    EXPECT_EQ(results().find("Not a Jex command."), std::string::npos) << results();
}

TEST_F(LoopTest, WordThatNamesNothingIsAnError) {
    EXPECT_EQ(typed("bogus rest of line"), statusError);
    EXPECT_EQ(results(), "Not a Jex command.\n");
}

TEST_F(LoopTest, ScriptLooksUpAQuotedWordAndStartsCommentBlocksAtAColon) {
    EXPECT_EQ(script("\"text\" from quotes\n:\nbogus inside the block\n:\ntext after block\n"),
              statusDone)
        << results();
    EXPECT_EQ(results(), "from quotes\nafter block\n");
    EXPECT_TRUE(scriptClosedByLoop());
}

TEST_F(LoopTest, ScriptReadsWordsLeftOnALineAsCommands) {
    // check reads nothing, so the next word of its line is the next command word: it names
    // no command, which ends the add file with an error.
    EXPECT_EQ(script("check bogus\ntext never\n"), statusError);
    EXPECT_EQ(results(), "Not a Jex command.\n");
    EXPECT_TRUE(scriptClosedByLoop());
}

TEST_F(LoopTest, ScriptStopsAtTheFirstStopCodeAndClosesItsFile) {
    struct Case {
        const char* text;
        int status;
    };
    const Case cases[] = {{"text one\nbogus\ntext two\n", statusError},
                          {"text one\ncontinue\ntext two\n", statusContinue},
                          {"text one\nbreak\ntext two\n", statusBreak},
                          {"text one\nreturn esc\ntext two\n", statusAbort},
                          {"text one\nreturn err\ntext two\n", statusError},
                          {"text one\nreturn\ntext two\n", statusDone},
                          {"text one\n", statusDone}};
    for (const Case& c : cases) {
        clearResults();
        EXPECT_EQ(script(c.text), c.status) << c.text;
        EXPECT_EQ(results().substr(0, 4), "one\n") << c.text;
        EXPECT_EQ(results().find("two"), std::string::npos) << c.text;
        EXPECT_TRUE(scriptClosedByLoop()) << c.text;
    }
}

TEST_F(LoopTest, ScriptLinesAreEchoedWithTheirExpansions) {
    EXPECT_EQ(echoed("text %{6*7} answers\n# a comment\n"), statusDone);
    EXPECT_EQ(results(), "text 42 answers\n42 answers\n# a comment\n");
}

TEST_F(LoopTest, StepDialogShowsBeforeEachLaterCommandButNotInNestedFiles) {
    stepDialog = [](const char* word) {
        stepped.push_back(word);
        return 0;  // Step
    };
    write("inner.add", "text in inner\n");
    EXPECT_EQ(script("text before\nstep\ntext one\nadd inner.add\ntext two\n"), statusDone)
        << results();
    // The nested run clears step mode: nothing inside inner.add, nothing after it.
    EXPECT_EQ(stepped, (std::vector<std::string>{"text", "add"}));
    EXPECT_NE(results().find("two"), std::string::npos);

    // Continue ends stepping; Cancel ends the add file with 27.
    stepped.clear();
    stepDialog = [](const char* word) {
        stepped.push_back(word);
        return 10;
    };
    EXPECT_EQ(script("step\ntext a\ntext b\n"), statusDone);
    EXPECT_EQ(stepped, (std::vector<std::string>{"text"}));
    stepped.clear();
    clearResults();
    stepDialog = [](const char* word) {
        stepped.push_back(word);
        return 27;
    };
    EXPECT_EQ(script("step\ntext a\ntext b\n"), statusAbort);
    EXPECT_TRUE(scriptClosedByLoop());
    EXPECT_EQ(stepped, (std::vector<std::string>{"text"}));
    // (step turns the echo of the lines on; the text command itself never ran)
    EXPECT_EQ(results().find("\na\n"), std::string::npos) << results();
}

TEST_F(LoopTest, ArithmeticFaultIsReportedBeforeTheNextCommand) {
    std::feraiseexcept(FE_DIVBYZERO);
    EXPECT_EQ(typed("text after"), statusTyped);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[Error] Arithmetic error in last operation. Do not trust result.\n");
    EXPECT_EQ(results(), "after\n");
    // Reported once: the flags are cleared.
    EXPECT_EQ(typed("text again"), statusTyped);
    EXPECT_EQ(boxes().size(), 1u);

    // Cancel aborts the run before its command; the add file stays open for its caller.
    std::feraiseexcept(FE_OVERFLOW);
    answers().push_back("cancel");
    clearResults();
    EXPECT_EQ(script("text never\n"), statusAbort);
    EXPECT_FALSE(scriptClosedByLoop());
    EXPECT_EQ(results(), "");
}

TEST_F(LoopTest, EscapeBetweenScriptCommandsAborts) {
    platform::pressEscape();
    EXPECT_EQ(script("text one\ntext two\n"), statusAbort);
    EXPECT_EQ(results(), "one\n");
    EXPECT_FALSE(scriptClosedByLoop());  // the caller closes it
}

TEST_F(LoopTest, QuitRunsTheShutDownOnceAndEndsEveryRun) {
    EXPECT_EQ(typed("quit"), statusQuit);
    EXPECT_EQ(shutdowns, 1);
    // After the shut-down no command runs any more.
    EXPECT_EQ(typed("text late"), statusQuit);
    EXPECT_EQ(results(), "");
    EXPECT_EQ(shutdowns, 1);
}

// However the body of a do command ends, inside a block or not, the caller reads on where
// the do command's line ended: the next tokens are those of the next line, never the rest
// of the body's line.
TEST_F(LoopTest, EveryEndingOfADoBodyLeavesTheCallersReaderAfterTheDoLine) {
    struct Case {
        const char* ending;
        int status;
    };
    const Case cases[] = {{"text mid", statusDone},      {"break", statusDone},
                          {"continue", statusDone},      {"return", statusDone},
                          {"return err", statusError},   {"return esc", statusAbort},
                          {"bogus", statusError}};
    const char* const shapes[] = {"do { if (%%1 == 2) { %s } text e%%1 } (1-3)\n",
                                  "do { try { if (%%1 == 2) { %s } } catch { text c } text e%%1 } (1-3)\n",
                                  "do { if (%%1 != 2) { text i } else { %s } text e%%1 } (1-3)\n"};
    for (const char* shape : shapes) {
        for (const Case& c : cases) {
            char line[200];
            std::snprintf(line, sizeof line, shape, c.ending);
            std::FILE* f = nullptr;
            startscript(f, std::string(line) + "text next\n");
            addPrint = 0;
            char word[78];
            ASSERT_EQ(gettoken(word, f, 0, sizeof word), 'a') << line;
            ASSERT_STREQ(word, "do");
            int status = docmd(&f);
            // In the try block an error is caught.
            const bool caught = std::string(shape).find("try") != std::string::npos &&
                                c.status == statusError;
            EXPECT_EQ(status, caught ? statusDone : c.status) << line;
            ASSERT_EQ(gettoken(word, f, 0, sizeof word), 'a') << line;
            EXPECT_STREQ(word, "text") << line;
            ASSERT_EQ(gettoken(word, f, 0, sizeof word), 'a') << line;
            EXPECT_STREQ(word, "next") << line;
            if (f) std::fclose(f);
        }
    }
}

TEST_F(LoopTest, QuitInsideNestedScriptsStopsEveryEnclosingRun) {
    write("c.add", "text in c\nexit\ntext after exit\n");
    write("b.add", "add c.add\ntext after c\n");
    write("a.add",
          "add b.add\ntext after b\ndo {\ntext in do\n}\nfunction zzfun {\ntext in f\n}\nzzfun\n");
    EXPECT_EQ(typed("add a.add"), statusQuit);
    EXPECT_EQ(shutdowns, 1);
    EXPECT_NE(results().find("in c\n"), std::string::npos);
    EXPECT_EQ(results().find("after"), std::string::npos) << results();
    EXPECT_EQ(results().find("in do"), std::string::npos) << results();
    EXPECT_EQ(results().find("in f"), std::string::npos) << results();
}

TEST_F(LoopTest, QuitInsideABlockOrFunctionStopsTheScript) {
    std::string text =
        "function stopnow {\nquit\ntext after quit in f\n}\n"
        "if (1) {\nstopnow\ntext after call\n}\ntext after if\n";
    EXPECT_EQ(script(text), statusQuit);
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(results().find("after"), std::string::npos) << results();
}

}  // namespace

}  // namespace loop_test
