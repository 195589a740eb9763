// The small utility commands: clocks and stamps, fadd, dos, comment blocks, addpause, cwd,
// step (with the step dialog) and seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "core/printout.h"
#include "core/random.h"
#include "interp/addfile.h"
#include "interp/command.h"
#include "interp/commandloop.h"
#include "interp/reader.h"
#include "interp/script_commands.h"
#include "interp/state.h"
#include "interp/stepdialog.h"
#include "interp/strings.h"
#include "interp/userfunc.h"
#include "interp/utility_commands.h"
#include "platform/process.h"
#include "platform/scripted_platform.h"
#include "tests/interp/script_fixture.h"

namespace script_utility_test {

namespace {

class UtilityTest : public ScriptFixture {
protected:
    UtilityTest() : ScriptFixture("jex_util_") {}

    int (*savedStepDialog)(const char*) = nullptr;

    void SetUp() override {
        ScriptFixture::SetUp();
        savedStepDialog = stepDialog;
        Jex7ScriptControl.result = 0;
    }
    void TearDown() override {
        stepDialog = savedStepDialog;
        ScriptFixture::TearDown();
    }
};

std::tm at(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(TimeTexts, TimeOfDayPhrasesAndTwelveHourClock) {
    struct Case {
        int hour, minute;
        const char* text;
    } cases[] = {
        {0, 30, "12:30:00 in the morning, on 01/05/2026.\n"},
        {11, 59, "11:59:00 in the morning, on 01/05/2026.\n"},
        {12, 0, "12:00:00 in the afternoon, on 01/05/2026.\n"},
        {13, 5, " 1:05:00 in the afternoon, on 01/05/2026.\n"},
        {16, 0, " 4:00:00 in the evening, on 01/05/2026.\n"},
        {21, 59, " 9:59:00 in the evening, on 01/05/2026.\n"},
        {22, 0, "10:00:00 at night, on 01/05/2026.\n"},
        {23, 10, "11:10:00 at night, on 01/05/2026.\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(timeofday(at(2026, 1, 5, c.hour, c.minute, 0)), c.text) << c.hour;
}

TEST(TimeTexts, TimestampSuffixes) {
    EXPECT_EQ(timestamptext(at(2026, 1, 5, 0, 5, 0)), " Created on  1/ 5/2026 0:05 AM.");
    EXPECT_EQ(timestamptext(at(2026, 11, 25, 12, 30, 0)), " Created on 11/25/2026 12:30 PM.");
    EXPECT_EQ(timestamptext(at(2026, 11, 25, 13, 30, 0)), " Created on 11/25/2026 1:30 PM.");
}

TEST(TimeTexts, FileTimeDifference) {
    SystemTime a{2026, 1, 1, 0, 0, 0, 0};
    SystemTime b{2026, 1, 2, 0, 0, 1, 500};
    // One day, one second and a half: 86401.5 s in units of 100 ns.
    EXPECT_EQ(filetimediff(a, b), 864015000000LL);
    EXPECT_EQ(filetimediff(b, a), -864015000000LL);
    // Across a month end in a leap year: 2024-02-28 23:00 to 2024-03-01 01:00 is 26 hours.
    SystemTime c{2024, 2, 28, 23, 0, 0, 0};
    SystemTime d{2024, 3, 1, 1, 0, 0, 0};
    EXPECT_EQ(filetimediff(c, d), 26LL * 3600 * 10000000);
}

TEST_F(UtilityTest, Timer) {
    EXPECT_EQ(typed("timer"), statusTyped);
    EXPECT_NE(output().find("Year:  0"), std::string::npos);
    EXPECT_EQ(typed("timer on"), statusTyped);
    EXPECT_GE(timerStart.year, 2024);
    screen.platform.lines.clear();
    EXPECT_EQ(typed("timer off"), statusTyped);
    EXPECT_EQ(output(), "times are 0 seconds apart.\n");
    screen.platform.lines.clear();
    EXPECT_EQ(typed("timer bogus"), -1);
    EXPECT_EQ(output(), "");
}

TEST_F(UtilityTest, FaddRunsTheCommandFileOncePerArgumentLine) {
    std::string cmds = write("cmds.add", "str log += \"[%1 %2 %3 %4]\"\n");
    std::string args = write("args.txt",
                             "# a comment\n"
                             "a1 b1\n"
                             "\n"
                             "   -5 abc\n"
                             "  # indented comment\n"
                             "c1 \"d 1\"");
    addPrint = 0;
    EXPECT_EQ(typed("fadd \"" + cmds + "\" \"" + args + "\" x y"), statusTyped) << output();
    EXPECT_EQ(var("log"), "[a1 b1 x y][-5 abc x y][c1 d 1 x y]");
    EXPECT_EQ(scriptArgs, nullptr);
    EXPECT_EQ(keyboardInput, 'y');
}

TEST_F(UtilityTest, FaddContinueGoesOnAndBreakStops) {
    std::string args = write("args.txt", "1\n2\n3\n");
    std::string cont = write("cont.add", "str seen += \"%1\"\ncontinue\nstr never = \"x\"\n");
    std::string brk = write("brk.add", "str upto += \"%1\"\nif (%1 == 2) { break }\n");
    addPrint = 0;
    // The continue of the last line's run is fadd's result.
    EXPECT_EQ(typed("fadd \"" + cont + "\" \"" + args + "\""), 15);
    EXPECT_EQ(var("seen"), "123");
    EXPECT_FALSE(stringStore.has("never"));
    // In a script, the break ends fadd and the stop code ends the script too.
    EXPECT_EQ(script("fadd \"" + brk + "\" \"" + args + "\"\nstr after = \"x\"\n"), 18);
    EXPECT_EQ(var("upto"), "12");
    EXPECT_FALSE(stringStore.has("after"));
}

TEST_F(UtilityTest, FaddErrors) {
    EXPECT_EQ(typed("fadd 5"), -1);
    EXPECT_NE(output().find("Format is: fadd <CommandFile> <ArgumentFile>"), std::string::npos);
    std::string missing = (dir / "none.txt").string();
    EXPECT_EQ(typed("fadd cmds \"" + missing + "\""), -1);
    EXPECT_NE(output().find("cannot open " + missing), std::string::npos);
    std::string args = write("args.txt", "1\n");
    EXPECT_EQ(typed("fadd \"" + missing + "\" \"" + args + "\""), -1);
    EXPECT_EQ(typed("str ok = \"fine\""), statusTyped);
    EXPECT_EQ(var("ok"), "fine");
}

TEST_F(UtilityTest, DosShowsOutputBetweenEmptyLines) {
    EXPECT_EQ(typed("dos echo hi"), statusTyped);
    EXPECT_EQ(output(), "\nhi\n\n");
    screen.platform.lines.clear();
    addPrint = 0;
    EXPECT_EQ(typed("dos echo hidden"), statusTyped);
    EXPECT_EQ(output(), "");
    addPrint = 1;
    EXPECT_EQ(typed("dos -x dir"), -1);
    EXPECT_NE(output().find("Error:  in dos command.\n-x dir\n"), std::string::npos) << "[" << output() << "]";
    // Standard error is captured too.
    screen.platform.lines.clear();
    EXPECT_EQ(typed("dos echo oops 1>&2"), statusTyped);
    EXPECT_EQ(output(), "\noops\n\n");
}

TEST_F(UtilityTest, TimestampGoesToTheSaveFileWhenSaving) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    saveOn = 'y';
    saveFile = f;
    EXPECT_EQ(typed("ts"), statusTyped);
    saveOn = 'n';
    saveFile = nullptr;
    std::rewind(f);
    char line[200] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    std::fclose(f);
    EXPECT_EQ(std::string(line).rfind("# Created on ", 0), 0u) << line;
    EXPECT_EQ(output(), "");
    EXPECT_EQ(typed("timestamp"), statusTyped);
    EXPECT_EQ(output().rfind(" Created on ", 0), 0u) << output();
}

TEST_F(UtilityTest, DosBlockRunsItsLinesAsAScript) {
    EXPECT_EQ(script("dos first second {\necho one $1\necho two $2 }\nstr after = \"yes\"\n"), 0)
        << output();
    std::string out = output();
    EXPECT_NE(out.find("\none first\ntwo second\n\n"), std::string::npos) << out;
    EXPECT_EQ(var("after"), "yes");
    // The temporary script is gone.
    EXPECT_EQ(script("dos { echo x\n"), -1);
    EXPECT_NE(output().find("Error:  in dos command, when reading contents of batch file."),
              std::string::npos);
}

TEST_F(UtilityTest, ColonBlockSkipsItsLines) {
    EXPECT_EQ(script("str a = \"1\"\n:\nstr b = \"%9 %{bad\"\nanything %here\n\n: end of the block\nstr c = \"3\"\n"),
              0)
        << output();
    EXPECT_EQ(var("a"), "1");
    EXPECT_FALSE(stringStore.has("b"));
    EXPECT_EQ(var("c"), "3");
    EXPECT_EQ(output().find("Error"), std::string::npos) << output();
    EXPECT_EQ(percentMode, 1);
}

TEST_F(UtilityTest, AddpauseAndCwd) {
    EXPECT_EQ(typed("addpause y"), statusTyped);
    EXPECT_EQ(addPause, 1);
    EXPECT_EQ(typed("addpause no"), statusTyped);
    EXPECT_EQ(addPause, 0);
    EXPECT_EQ(output(), "AddPause is yes\nAddPause is no\n");
    screen.platform.lines.clear();
    EXPECT_EQ(typed("cwd"), statusTyped);
    EXPECT_EQ(output(), "Your current working directory is " + platform::currentDirectory() + "\n\n");
}

TEST_F(UtilityTest, SeedRepeatsTheDraws) {
    EXPECT_EQ(typed("seed(123)"), statusTyped);
    std::vector<float> first;
    for (int i = 0; i < 5; ++i) first.push_back(randuniform(drawSeed));
    randuniform(drawSeed);
    EXPECT_EQ(typed("seed(123)"), statusTyped);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(randuniform(drawSeed), first[i]) << i;
    EXPECT_EQ(typed("seed 5"), -1);
    EXPECT_NE(output().find("Error:  syntax for seed command is seed(x), where x is a number."),
              std::string::npos);
    ASSERT_FALSE(screen.platform.boxes.empty());
    EXPECT_EQ(screen.platform.boxes.back(), "[Error] Error:  in seed command.");
}

class StepTest : public UtilityTest {
protected:
    void SetUp() override {
        UtilityTest::SetUp();
        stepDialog = runstepdialog;
    }
    int steppedScript(std::vector<std::string> answers) {
        screen.platform.answers.assign(answers.begin(), answers.end());
        addPrint = 0;
        return script("step -n\nstr a = \"1\"\nstr b = \"2\"\nstr c = \"3\"\n");
    }
    int dialogsShown() {
        int n = 0;
        for (const auto& b : screen.platform.boxes)
            if (b.rfind("[Jex7 Script Control]", 0) == 0) ++n;
        return n;
    }
};

TEST_F(StepTest, StepThenCancelEndsTheScript) {
    EXPECT_EQ(steppedScript({"Step", "Cancel"}), 27);
    EXPECT_TRUE(stringStore.has("a"));
    EXPECT_FALSE(stringStore.has("b"));
    EXPECT_EQ(dialogsShown(), 2);
}

TEST_F(StepTest, ContinueStopsStepping) {
    EXPECT_EQ(steppedScript({"Step", "Continue"}), 0);
    EXPECT_TRUE(stringStore.has("c"));
    EXPECT_EQ(dialogsShown(), 2);
}

TEST_F(StepTest, StepThroughEveryCommand) {
    EXPECT_EQ(steppedScript({"Step", "Step", "Step"}), 0);
    EXPECT_TRUE(stringStore.has("c"));
    EXPECT_EQ(dialogsShown(), 3);
    EXPECT_EQ(Jex7ScriptControl.commandName, "str");
}

TEST_F(StepTest, ViewBufferAndSaveChangeWhatTheCommandReads) {
    screen.platform.answers = {"View Buffer", " a = \"edited\"", "Step"};
    addPrint = 0;
    EXPECT_EQ(script("step -n\nstr a = \"orig\"\nstr b = \"2\"\n"), 0) << output();
    EXPECT_EQ(var("a"), "edited");
    EXPECT_EQ(var("b"), "2");
}

TEST_F(StepTest, StepCommandArguments) {
    // step off turns stepping off; a bad option asks whether to go on.
    screen.platform.answers = {"cancel"};
    EXPECT_EQ(typed("step -q"), statusStepFailed);  // Cancel: the step command fails
    EXPECT_NE(output().find("\"-q\" is not a valid argument."), std::string::npos) << output();
    screen.platform.answers = {"ok"};
    EXPECT_EQ(typed("step sideways"), statusTyped);
    EXPECT_NE(output().find("\"sideways\" is not a valid argument."), std::string::npos);
    addPrint = 1;
    screen.platform.answers = {"ok"};
    settypedline("off");
    EXPECT_EQ(stepcmd(nullptr), 0);
    EXPECT_EQ(stepMode, 0);
    EXPECT_EQ(addPrint, 0);  // "Turn addprint off?" answered OK
    settypedline("-y");
    EXPECT_EQ(stepcmd(nullptr), 0);
    EXPECT_EQ(stepMode, 1);
    EXPECT_EQ(addPrint, 1);
}

TEST(StepDialogModel, ButtonsAndBuffer) {
    resetinterpstate();
    TJex7ScriptControl d;
    EXPECT_EQ(d.result, 0);
    settypedline("f x = y + z");
    char w[78];
    gettoken(w, nullptr, 0, sizeof w);
    d.viewBufferClick();
    EXPECT_TRUE(d.bufferVisible);
    EXPECT_FALSE(d.saveVisible);
    EXPECT_EQ(d.bufferText, "x = y + z\n");
    d.bufferChange("x = 2");
    EXPECT_TRUE(d.saveVisible);
    EXPECT_TRUE(d.saveEnabled);
    d.saveClick();
    EXPECT_FALSE(d.saveEnabled);
    char tok[78];
    EXPECT_EQ(gettoken(tok, nullptr, 0, sizeof tok), 'a');
    EXPECT_STREQ(tok, "x");
    EXPECT_EQ(gettoken(tok, nullptr, 0, sizeof tok), '=');
    EXPECT_EQ(gettoken(tok, nullptr, 0, sizeof tok), 'n');
    EXPECT_STREQ(tok, "2");
    EXPECT_EQ(gettoken(tok, nullptr, 0, sizeof tok), 'f');
    d.continueClick();
    EXPECT_EQ(d.result, 10);
    EXPECT_FALSE(d.bufferVisible);
    d.cancelClick();
    EXPECT_EQ(d.result, 27);
    resetinterpstate();
}

TEST(ContinueDialogModel, ResultsAndActions) {
    platform::ScopedScriptedPlatform screen;
    TContAddFileDB d;
    d.create(800);
    EXPECT_EQ(d.top, 190);
    EXPECT_EQ(d.left, 410);
    d.create(1280);
    EXPECT_EQ(d.top, 304);
    EXPECT_EQ(d.left, 656);
    int printed = 0, maximized = 0;
    d.printGraph = [&] { ++printed; };
    d.maximizeGraph = [&] { ++maximized; };
    std::pair<int, int> remembered{-1, -1};
    d.rememberPosition = [&](int l, int t) { remembered = {l, t}; };
    // Print keeps the dialog open; Max closes it with 5; Stop gives 2; Enter is Cont.
    screen.platform.answers = {"Print", "Print", "Max"};
    EXPECT_EQ(d.showModal(), 5);
    EXPECT_EQ(printed, 2);
    EXPECT_EQ(maximized, 1);
    EXPECT_EQ(remembered, std::make_pair(656, 304));
    screen.platform.answers = {"Stop"};
    EXPECT_EQ(d.showModal(), 2);
    EXPECT_EQ(d.showModal(), 1);
    EXPECT_STREQ(TContAddFileDB::buttonCaption(TContAddFileDB::CancelBtn), "S&top");
    // Zip runs with no script input and puts the reader's source back.
    resetinterpstate();
    std::vector<std::string> list = {"x\n"};
    replayList = &list;
    keyboardInput = 'y';
    char seenKeyboard = 0;
    const std::vector<std::string>* seenList = &list;
    d.zip = [&] {
        seenKeyboard = keyboardInput;
        seenList = replayList;
    };
    EXPECT_EQ(d.click(TContAddFileDB::ZipBtn1), 1);
    EXPECT_EQ(seenKeyboard, 'n');
    EXPECT_EQ(seenList, nullptr);
    EXPECT_EQ(keyboardInput, 'y');
    EXPECT_EQ(replayList, &list);
    resetinterpstate();
}

}  // namespace

}  // namespace script_utility_test
