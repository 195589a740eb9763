// Blocks and the commands built on them: if/else, try/catch, do, user functions, break,
// and deep nesting.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/printout.h"
#include "interp/addfile.h"
#include "interp/command.h"
#include "interp/commandloop.h"
#include "interp/conditional.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/strings.h"
#include "interp/userfunc.h"
#include "platform/scripted_platform.h"
#include "tests/interp/script_fixture.h"

namespace script_control_test {

namespace {

class ControlTest : public ScriptFixture {
protected:
    ControlTest() : ScriptFixture("jex_ctl_") {}
};

TEST_F(ControlTest, IfTakesTheBranchOfItsCondition) {
    struct Case {
        const char* line;
        const char* taken;
    } cases[] = {
        {"if (2 + 3 * 2 == 10) { str r = \"if\" } else { str r = \"else\" }", "if"},
        {"if (0) { str r = \"if\" } else { str r = \"else\" }", "else"},
        {"if (1 < 2 || 2 >= 1) { str r = \"if\" }", "if"},
        {"if (0) {str r = \"a\"} else if (1) {str r = \"b\"} else {str r = \"c\"}", "b"},
        {"if (0) {str r = \"a\"} else if (abc == abd) {str r = \"b\"} else {str r = \"c\"}", "c"},
        {"if (1) {str r = \"a\"} else if (1) {str r = \"b\"} else {str r = \"c\"}", "a"},
        {"if (1) {if (0) {str r = \"inner if\"} else {str r = \"inner else\"}}", "inner else"},
    };
    for (const Case& c : cases) {
        stringStore.reset();
        EXPECT_EQ(typed(c.line), statusTyped) << c.line << "\n" << output();
        EXPECT_EQ(var("r"), c.taken) << c.line;
    }
}

TEST_F(ControlTest, IfChainOverSeveralLinesThenTheNextCommand) {
    std::string text =
        "if (1 == 2) {\n"
        "  str r = \"one\"\n"
        "}\n"
        "else if (abc == abc) {\n"
        "  str r = \"two\" # a } in a comment\n"
        "  str q = \"}\"\n"
        "}\n"
        "else {\n"
        "  str r = \"three\"\n"
        "}\n"
        "str after = \"yes\"\n"
        "if (1) { str same = \"line\" } str rest = \"read\"\n";
    EXPECT_EQ(script(text), 0) << output();
    EXPECT_EQ(var("r"), "two");
    EXPECT_EQ(var("q"), "}");
    EXPECT_EQ(var("after"), "yes");
    EXPECT_EQ(var("same"), "line");
    EXPECT_EQ(var("rest"), "read");
}

TEST_F(ControlTest, BlocksSeeTheArgumentsOfTheirAddFile) {
    EXPECT_EQ(script("if (NARGS == 2) { str a = \"%2\" }\n", "x y"), 0) << output();
    EXPECT_EQ(var("a"), "y");
}

TEST_F(ControlTest, SkippingBlocksRestoresTheExpansionMode) {
    // Called the way the command loop calls it, with the mode the caller had.
    for (int mode : {0, 1, 2}) {
        settypedline("(0) { str a = \"%1\" } else { str b = \"2\" }");
        percentMode = mode;
        EXPECT_EQ(ifcmd(nullptr), 0) << output();
        EXPECT_EQ(percentMode, mode);
        settypedline("(1) { str a = \"1\" } else { str b = \"2\" }");
        percentMode = mode;
        EXPECT_EQ(ifcmd(nullptr), 0) << output();
        EXPECT_EQ(percentMode, mode);
    }
    // A skip that fails (no closing brace) restores it too.
    settypedline("(0) { str a = \"1\"");
    percentMode = 2;
    EXPECT_EQ(ifcmd(nullptr), -1);
    EXPECT_EQ(percentMode, 2);
    EXPECT_NE(output().find("Error:  the \"if\" command requires a closing bracket \"}\"."),
              std::string::npos);
}

TEST_F(ControlTest, IfErrorsLeaveTheReaderReady) {
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {"if 1 { str a = \"1\" }", "Error:  the \"if\" command must be followed by a \"(\"."},
        {"if (1 + x) { str a = \"1\" }", "Error:  in the arguments for the \"if\" command."},
        {"if (1) str a = \"1\"", "Error:  the \"if\" command must be followed by a \"{\"."},
        {"if (1) { str a = \"1\"", "Right brace sign is missing"},
        {"if (0) { } else str a = \"1\"", "Error:  the \"else\" command must be followed by a \"{\" or an \"if\" command."},
        {"try str a = \"1\"", "Error:  the \"try\" command must be followed by a \"{\"."},
        {"try { str a = \"1\" } str b = \"2\"", "Error:  try{} must be followed by a catch{} block."},
        {"try { str a = \"1\" } catch str b = \"2\"", "Error:  the \"catch\" command must be followed by a \"{\"."},
    };
    for (const Case& c : cases) {
        screen.platform.lines.clear();
        clearPendingLine();
        EXPECT_EQ(typed(c.line), -1) << c.line;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.line << "\n" << output();
        EXPECT_EQ(percentMode, 1) << c.line;
        EXPECT_EQ(replayMode, 'n') << c.line;
        EXPECT_EQ(replayList, nullptr) << c.line;
        EXPECT_EQ(keyboardInput, 'y') << c.line;
        EXPECT_EQ(typed("str ok = \"fine\""), statusTyped) << c.line;
        EXPECT_EQ(var("ok"), "fine");
    }
}

TEST_F(ControlTest, MissingClosingBraceInAnAddFile) {
    EXPECT_EQ(script("str a = \"1\"\nif (1) {\n  str b = \"2\"\n"), -1);
    EXPECT_NE(output().find("Right brace sign is missing"), std::string::npos);
    EXPECT_FALSE(stringStore.has("b"));
    EXPECT_EQ(typed("str ok = \"fine\""), statusTyped);
    EXPECT_EQ(var("ok"), "fine");
}

TEST_F(ControlTest, TryRunsCatchOnlyAfterAnError) {
    EXPECT_EQ(typed("try { bogus } catch { str c = \"caught\" }"), statusTyped) << output();
    EXPECT_EQ(var("c"), "caught");
    EXPECT_NE(output().find("Not a Jex command."), std::string::npos);
    stringStore.reset();
    EXPECT_EQ(typed("try { str t = \"ran\" } catch { str c = \"caught\" }"), statusTyped);
    EXPECT_EQ(var("t"), "ran");
    EXPECT_FALSE(stringStore.has("c"));
    // In a script, on several lines, the commands after the catch block run.
    stringStore.reset();
    EXPECT_EQ(script("try {\n  bogus\n  str never = \"x\"\n}\ncatch {\n  str c = \"caught\"\n}\nstr after = \"yes\"\n"), 0);
    EXPECT_FALSE(stringStore.has("never"));
    EXPECT_EQ(var("c"), "caught");
    EXPECT_EQ(var("after"), "yes");
}

TEST_F(ControlTest, ReturnInABlockEndsOnlyTheBlock) {
    EXPECT_EQ(script("if (1) {\n str a = \"1\"\n return\n str b = \"2\"\n}\nstr c = \"3\"\n"), 0)
        << output();
    EXPECT_TRUE(stringStore.has("a"));
    EXPECT_FALSE(stringStore.has("b"));
    EXPECT_TRUE(stringStore.has("c"));
    // return ERR ends the add file with an error.
    stringStore.reset();
    EXPECT_EQ(script("if (1) { return ERR }\nstr c = \"3\"\n"), -1);
    EXPECT_FALSE(stringStore.has("c"));
}

TEST_F(ControlTest, AnAbortInTheTryBlockSkipsTheCatchBlock) {
    EXPECT_EQ(script("try { return ESC } catch { str c = \"caught\" }\nstr after = \"x\"\n"), 27);
    EXPECT_FALSE(stringStore.has("c"));
    EXPECT_FALSE(stringStore.has("after"));
    // A break in an else block leaves the add file as well.
    EXPECT_EQ(script("if (0) { str a = \"1\" } else { break }\nstr after = \"x\"\n"), 18);
    EXPECT_FALSE(stringStore.has("after"));
}

TEST_F(ControlTest, BreakInAnAddFileEndsIt) {
    EXPECT_EQ(script("str a = \"1\"\nbreak\nstr b = \"2\"\n"), 18);
    EXPECT_TRUE(stringStore.has("a"));
    EXPECT_FALSE(stringStore.has("b"));
    // break in an if block ends the enclosing add file too.
    stringStore.reset();
    EXPECT_EQ(script("if (1) { break }\nstr b = \"2\"\n"), 18);
    EXPECT_FALSE(stringStore.has("b"));
}

TEST_F(ControlTest, BreakClosesTheAddFileOnce) {
    std::string p = write("b.add", "break\nstr b = \"2\"\n");
    std::FILE* f = std::fopen(p.c_str(), "r");
    ASSERT_NE(f, nullptr);
    keyboardInput = 'n';
    lastChar = '\n';
    EXPECT_EQ(commandloop(&f), 18);
    EXPECT_EQ(f, nullptr);  // closed by break, and the loop did not close it again
}

TEST_F(ControlTest, DoRunsItsBodyWithArguments) {
    EXPECT_EQ(typed("do {str v%1 = \"%1-%2\"} 7 x"), statusTyped) << output();
    EXPECT_EQ(var("v7"), "7-x");
    // break ends the do command, which then gives 0, and the add file goes on.
    stringStore.reset();
    EXPECT_EQ(script("do {\n str a = \"1\"\n break\n str a = \"2\"\n}\nstr after = \"yes\"\n"), 0)
        << output();
    EXPECT_EQ(var("a"), "1");
    EXPECT_EQ(var("after"), "yes");
    // A do inside a do, and an if holding a break inside a do.
    stringStore.reset();
    EXPECT_EQ(typed("do { do { str in%1 = \"%1\" } %1 } 3"), statusTyped) << output();
    EXPECT_EQ(var("in3"), "3");
    EXPECT_EQ(script("do {\n if (1) { break }\n str no = \"x\"\n}\nstr after = \"yes\"\n"), 0);
    EXPECT_FALSE(stringStore.has("no"));
    EXPECT_EQ(var("after"), "yes");
}

TEST_F(ControlTest, DoGroupLoop) {
    EXPECT_EQ(typed("do {str v%1 = \"%1\"} (1-3)"), statusTyped) << output();
    EXPECT_EQ(var("v1"), "1");
    EXPECT_EQ(var("v2"), "2");
    EXPECT_EQ(var("v3"), "3");
    // A break in the second member ends only that loop.
    stringStore.reset();
    EXPECT_EQ(script("do {\n str m%1 = \"x\"\n if (%1 == 2) { break }\n} (1-3)\nstr after = \"yes\"\n"), 0)
        << output();
    EXPECT_TRUE(stringStore.has("m1"));
    EXPECT_TRUE(stringStore.has("m2"));
    EXPECT_FALSE(stringStore.has("m3"));
    EXPECT_EQ(var("after"), "yes");
    // continue leaves the member's run; the loop goes on with the next member.
    stringStore.reset();
    EXPECT_EQ(script("do {\n if (%1 == 2) { continue }\n str c%1 = \"x\"\n} (1-3)\n"), 0) << output();
    EXPECT_TRUE(stringStore.has("c1"));
    EXPECT_FALSE(stringStore.has("c2"));
    EXPECT_TRUE(stringStore.has("c3"));
    // Pairs with arguments before the groups.
    stringStore.reset();
    EXPECT_EQ(typed("do {str p%1%2%3 = \"x\"} z (1-2)(3-4)"), statusTyped) << output();
    for (const char* name : {"pz13", "pz14", "pz23", "pz24"}) EXPECT_TRUE(stringStore.has(name)) << name;
}

TEST_F(ControlTest, QuitInADoGroupLoopStopsItAtOnce) {
    auto savedShutdown = shutdownHandler;
    shutdownHandler = nullptr;
    // 300 pairs would print their progress every hundred runs; quit in the first ends all.
    EXPECT_EQ(script("do {\n str q%1x%2 = \"x\"\n quit\n} (1-3)(1-100)\nstr after = \"x\"\n"),
              statusQuit)
        << output();
    EXPECT_FALSE(stringStore.has("after"));
    EXPECT_TRUE(stringStore.has("q1x1"));
    EXPECT_FALSE(stringStore.has("q1x2"));
    EXPECT_EQ(output().find("do("), std::string::npos) << output();
    shutdownHandler = savedShutdown;
}

TEST_F(ControlTest, DoErrors) {
    EXPECT_EQ(typed("do str a = \"1\""), -1);
    EXPECT_NE(output().find("Format for do command: "), std::string::npos);
    EXPECT_EQ(typed("do { str a = \"1\""), -1);
    EXPECT_NE(output().find("Right brace sign is missing"), std::string::npos);
    EXPECT_FALSE(stringStore.has("a"));
}

TEST_F(ControlTest, UserFunctionRunsQuietlyWithItsArguments) {
    EXPECT_EQ(typed("function zzfn { str y = \"%1\" }"), statusTyped);
    screen.platform.lines.clear();
    EXPECT_EQ(typed("zzfn 5"), statusTyped) << output();
    EXPECT_EQ(var("y"), "5");
    EXPECT_EQ(output().find("str y"), std::string::npos) << output();
    EXPECT_EQ(addPrint, 1);
    // Defined in a script on several lines, called from the script.
    EXPECT_EQ(script("function setit {\n str z = \"%1%2\"\n}\nsetit a b\n"), 0) << output();
    EXPECT_EQ(var("z"), "ab");
    // Redefinition keeps the second body only.
    EXPECT_EQ(typed("function zzfn { str y = \"second %1\" }"), statusTyped);
    EXPECT_EQ(typed("zzfn 6"), statusTyped);
    EXPECT_EQ(var("y"), "second 6");
}

TEST_F(ControlTest, FunctionPrintListClear) {
    EXPECT_EQ(typed("function list"), statusTyped);
    EXPECT_EQ(output(), "\n");
    screen.platform.lines.clear();
    EXPECT_EQ(typed("function print"), statusTyped);
    EXPECT_EQ(output(), "");
    ASSERT_EQ(typed("function bb { str b = \"1\" }"), statusTyped);
    ASSERT_EQ(typed("function aa {"), -1);  // typed line ends before the closing brace
    ASSERT_EQ(typed("function aa { str a = \"1\" }"), statusTyped);
    screen.platform.lines.clear();
    EXPECT_EQ(typed("function list"), statusTyped);
    EXPECT_EQ(output(), "# functions: \naa\nbb\n");
    screen.platform.lines.clear();
    EXPECT_EQ(typed("function print bb"), statusTyped);
    EXPECT_EQ(output(), "function bb{ str b = \"1\" }\n");
    EXPECT_EQ(typed("function print cc"), -1);
    EXPECT_NE(output().find("Error:  user function \"cc\" not found."), std::string::npos);
    EXPECT_EQ(typed("function clear cc"), -1);
    EXPECT_NE(output().find("Error:  user function \"cc\" not found, so cannot clear it."),
              std::string::npos);
    EXPECT_EQ(typed("function clear aa"), statusTyped);
    EXPECT_FALSE(isuserfunction("aa"));
    EXPECT_TRUE(isuserfunction("bb"));
    EXPECT_EQ(typed("function clear"), statusTyped);
    EXPECT_TRUE(userFunctions.empty());
    EXPECT_EQ(typed("function 5"), -1);
    EXPECT_NE(output().find("No function name in \"function\" command."), std::string::npos);
    EXPECT_EQ(typed("function aa bb"), -1);
    EXPECT_NE(output().find("No \"{\" in \"function\" command."), std::string::npos);
}

TEST_F(ControlTest, FunctionRedefinedOrClearedWhileItRuns) {
    std::string text =
        "function selfdef {\n"
        "str before = \"%1\"\n"
        "function selfdef { str z = \"new\" }\n"
        "str after = \"%1 still\"\n"
        "}\n"
        "selfdef 3\n"
        "selfdef\n"
        "function selfclr {\n"
        "function clear selfclr\n"
        "str cleared = \"went on\"\n"
        "}\n"
        "selfclr\n";
    EXPECT_EQ(script(text), 0) << output();
    EXPECT_EQ(var("before"), "3");
    EXPECT_EQ(var("after"), "3 still");
    EXPECT_EQ(var("z"), "new");
    EXPECT_EQ(var("cleared"), "went on");
    EXPECT_FALSE(isuserfunction("selfclr"));
}

TEST_F(ControlTest, RunawayRecursionEndsWithAnError) {
    ASSERT_EQ(typed("function zzrec { zzrec }"), statusTyped);
    EXPECT_EQ(typed("zzrec"), -1);
    EXPECT_NE(output().find("Error:  scripts nested too deeply"), std::string::npos) << output();
    EXPECT_EQ(scriptNestingDepth, 0);
    // Bounded recursion completes: a countdown through string variables.
    stringStore.reset();
    std::string text = "function zzdown {\nif (%1 > 0) {\nstr d%1 = \"x\"\nzzdown %{%1 - 1}\n}\n}\nzzdown 50\n";
    EXPECT_EQ(script(text), 0) << output();
    EXPECT_TRUE(stringStore.has("d50"));
    EXPECT_TRUE(stringStore.has("d1"));
    EXPECT_FALSE(stringStore.has("d0"));
    EXPECT_EQ(typed("str ok = \"fine\""), statusTyped);
}

TEST_F(ControlTest, HundredNestedAddFiles) {
    for (int i = 0; i < 100; ++i) {
        std::string next = (dir / ("n" + std::to_string(i + 1) + ".add")).string();
        std::string body = i < 99 ? "add \"" + next + "\"\n" : "str deepest = \"reached\"\n";
        body += "str back" + std::to_string(i) + " = \"ok\"\n";
        write("n" + std::to_string(i) + ".add", body);
    }
    addPrint = 0;
    settypedline("add \"" + (dir / "n0.add").string() + "\"");
    std::FILE* none = nullptr;
    EXPECT_EQ(commandloop(&none), statusTyped) << output();
    EXPECT_EQ(var("deepest"), "reached");
    EXPECT_EQ(var("back0"), "ok");
    EXPECT_EQ(var("back99"), "ok");
}

}  // namespace

}  // namespace script_control_test
