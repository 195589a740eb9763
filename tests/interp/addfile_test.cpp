// Add files: the add command and its runner (arguments, nesting, status propagation, the
// state restored after a run), the plain add of the sub-command readers, and return.
#include <string>
#include <vector>

#include "interp/reader.h"

#include "interp/addfile.h"
#include "interp/command.h"
#include "interp/strings.h"
#include "tests/shell/command_fixture.h"

namespace addfile_test {

namespace {

class AddFileTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        addPrint = 0;
    }
    // The text lines the results window received, without the usage lines of add.
    std::string printed() const { return results(); }
};

const char* const addUsage =
    "Format for add command: \n"
    " add <addfile> [RegularArguments] [(Group)]\n"
    " eg: add afile.add \"sector\" (1-30(10))\n";

TEST_F(AddFileTest, EveryTokenOfTheLineIsOneArgument) {
    write("f.add", "text [%1] [%2] [%3] [%4]\n");
    struct Case {
        const char* line;
        const char* printed;
    };
    const Case cases[] = {
        {"add f.add 5 \"x y\" w z", "[5] [x y] [w] [z]\n"},
        // A negative number is the sign and the number; an unquoted date is two tokens.
        {"add f.add -5 1990q2", "[-] [5] [1990] [q2]\n"},
        {"add f.add \"-5\" \"1990q2\" , ;", "[-5] [1990q2] [,] [;]\n"},
    };
    for (const Case& c : cases) {
        clearResults();
        EXPECT_EQ(typed(c.line), statusTyped) << c.line;
        EXPECT_EQ(printed(), c.printed) << c.line;
    }
}

TEST_F(AddFileTest, ArgumentsOfATypedLineAreNotEchoedAgain) {
    write("f.add", "text [%1]\n");
    addPrint = 1;
    EXPECT_EQ(typed("add f.add \"100%% a%%\""), statusTyped);
    EXPECT_EQ(printed(), "add f.add\ntext [100% a%]\n[100% a%]\n");
}

TEST_F(AddFileTest, AMissingArgumentAsksAndOkEndsTheFile) {
    // (check reads nothing, so %2 is read as a command word, with expansion on)
    write("f.add", "text before %1\ncheck %2\ntext after\n");
    EXPECT_EQ(typed("add f.add only"), statusTyped);
    EXPECT_EQ(printed(), "before only\n");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].rfind("[Error] You either called an add file", 0), 0u);
    // Cancel in the box aborts the file: the reader's abort class ends the run with -1.
    clearResults();
    answers().push_back("cancel");
    EXPECT_EQ(typed("add f.add only"), statusError);
    EXPECT_EQ(printed(), std::string("before only\n") + addUsage);
}

TEST_F(AddFileTest, NinetyNineArgumentsAtMost) {
    write("f.add", "text [%1] [%98] [%99]\n");
    std::string line = "add f.add";
    for (int i = 1; i <= 105; ++i) line += " a" + std::to_string(i);
    EXPECT_EQ(typed(line), statusTyped);
    EXPECT_EQ(printed(),
              "\nWarning:  too many arguments.  Only first 99 arguments read.\n"
              "[a1] [a98] [a99]\n");
    // Exactly 99 is no warning.
    clearResults();
    line = "add f.add";
    for (int i = 1; i <= 99; ++i) line += " b" + std::to_string(i);
    EXPECT_EQ(typed(line), statusTyped);
    EXPECT_EQ(printed(), "[b1] [b98] [b99]\n");
}

TEST_F(AddFileTest, LongArgumentsArriveWhole) {
    // Arguments live in storage of their own size: long texts, many of them.
    write("f.add", "str first = \"%1\"\nstr last = \"%40\"\n");
    std::string line = "add f.add";
    std::vector<std::string> args;
    for (int i = 0; i < 40; ++i) {
        args.push_back(std::string(70, static_cast<char>('a' + i % 26)) + std::to_string(i));
        line += " " + args.back();
    }
    ASSERT_LT(line.size(), 2988u);
    EXPECT_EQ(typed(line), statusTyped) << printed();
    std::string value;
    ASSERT_EQ(stringStore.value("first", value), 0);
    EXPECT_EQ(value, args[0]);
    ASSERT_EQ(stringStore.value("last", value), 0);
    EXPECT_EQ(value, args[39]);
}

TEST_F(AddFileTest, NestedFileEndingInReturnGoesBackToItsCaller) {
    write("b.add", "text in b %1\nreturn\ntext not reached\n");
    write("a.add", "text in a %1\nadd b.add bee\ntext back in a %1\n");
    EXPECT_EQ(typed("add a.add ay"), statusTyped);
    EXPECT_EQ(printed(), "in a ay\nin b bee\nback in a ay\n");
}

TEST_F(AddFileTest, StopCodesTravelUpThroughEveryEnclosingFile) {
    struct Case {
        const char* inner;
        int status;
    };
    const Case cases[] = {{"bogus\n", statusError},
                          {"break\n", statusBreak},
                          {"continue\n", statusContinue},
                          {"return esc\n", statusAbort}};
    write("a.add", "add b.add\ntext after b\n");
    for (const Case& c : cases) {
        clearResults();
        write("b.add", std::string("text in b\n") + c.inner + "text after stop\n");
        int status = typed("add a.add");
        EXPECT_EQ(status, c.status) << c.inner;
        EXPECT_EQ(printed().find("after"), std::string::npos) << c.inner << printed();
        EXPECT_EQ(printed().rfind("in b\n", 0), 0u) << c.inner;
    }
    // -1 adds the usage text at each level.
    clearResults();
    write("b.add", "bogus\n");
    EXPECT_EQ(typed("add a.add"), statusError);
    EXPECT_EQ(printed(), std::string("Not a Jex command.\n") + addUsage + addUsage);
}

TEST_F(AddFileTest, RunRestoresTheStateOfItsCaller) {
    write("b.add", "text %1\n");
    std::vector<std::string> outer = {"outer"};
    scriptArgs = &outer;
    addPrint = 1;
    EXPECT_EQ(script("add b.add inner\ntext %1\n", true), statusDone);
    EXPECT_EQ(scriptArgs, &outer);
    EXPECT_EQ(addPrint, 1);
    EXPECT_EQ(keyboardInput, 'y');
    EXPECT_EQ(printed(), "add b.add inner\nadd b.add\ntext inner\ninner\ntext outer\nouter\n");
}

TEST_F(AddFileTest, BadNamesAndFilesAreRefused) {
    EXPECT_EQ(typed("add"), statusError);
    EXPECT_EQ(printed(), std::string("No name in add command.\n ") + addUsage);
    clearResults();
    EXPECT_EQ(typed("add nothere.add"), statusError);
    EXPECT_EQ(printed(), std::string("Cannot open nothere.add.\n") + addUsage);
    clearResults();
    EXPECT_EQ(typed("add 12"), statusError);
    EXPECT_EQ(printed(), std::string("No name in add command.\n ") + addUsage);
}

// ---- group loops ----

TEST_F(AddFileTest, GroupLoopsRunOncePerMemberPairOrCombination) {
    struct Case {
        const char* body;
        const char* line;
        const char* printed;
    };
    const Case cases[] = {
        // One group: the member number follows the regular arguments.
        {"text [%1]\n", "add g.add (1-3)", "[1]\n[2]\n[3]\n"},
        {"text [%1|%2]\n", "add g.add a (3-1)", "[a|3]\n[a|2]\n[a|1]\n"},
        // Exclusions, and a member 0, which is skipped.
        {"text [%1]\n", "add g.add (0-5 (2-4))", "[1]\n[5]\n"},
        // A group ended by the line end instead of its ')'.
        {"text [%1]\n", "add g.add (7 8", "[7]\n[8]\n"},
        // Two groups: all pairs, the second varying fastest; member 0 skipped in both.
        {"text [%1|%2]\n", "add g.add (1-2)(0-3)",
         "[1|1]\n[1|2]\n[1|3]\n[2|1]\n[2|2]\n[2|3]\n"},
        // Matched pairs: a word beginning with m after the second group.
        {"text [%1|%2]\n", "add g.add (1-2)(1-3) m", "[1|1]\n[2|2]\n"},
        {"text [%1|%2|%3]\n", "add g.add x (4 5)(7 0 9) matched", "[x|4|7]\n[x|5|9]\n"},
        // Three groups: every combination, the last group fastest.
        {"text [%1|%2|%3]\n", "add g.add (1-2)(3)(5-6)",
         "[1|3|5]\n[1|3|6]\n[2|3|5]\n[2|3|6]\n"},
        // Blanks between the groups are allowed.
        {"text [%1|%2|%3]\n", "add g.add (1) (2) (3)", "[1|2|3]\n"},
    };
    for (const Case& c : cases) {
        clearResults();
        write("g.add", c.body);
        EXPECT_EQ(typed(c.line), statusTyped) << c.line;
        EXPECT_EQ(printed(), std::string(c.printed)) << c.line;
        EXPECT_EQ(scriptArgs, nullptr) << c.line;
    }
}

TEST_F(AddFileTest, TenGroupsAtMostAndEveryCombinationRuns) {
    // Ten groups of two members: 1024 runs, each leaving a variable named by its members.
    // An eleventh "(1)" is not read as a group: the rest of the line is dropped.
    write("g.add", "str c%1%2%3%4%5%6%7%8%9%10 = \"x\"\n");
    write("h.add", "add g.add (0 1)(0 1)(0 1)(0 1)(0 1)(0 1)(0 1)(0 1)(0 1)(0 1)(1)\n");
    EXPECT_EQ(typed("add h.add"), statusTyped) << printed();
    int count = 0;
    for (int i = 0; i < 1024; ++i) {
        std::string name = "c";
        for (int b = 9; b >= 0; --b) name += ((i >> b) & 1) ? '1' : '0';
        count += stringStore.has(name) ? 1 : 0;
    }
    EXPECT_EQ(count, 1024);
    EXPECT_EQ(printed(), "");
}

TEST_F(AddFileTest, StatusesOfARunDecideWhetherTheLoopGoesOn) {
    struct Case {
        const char* body;  // the file; %1 is the member
        const char* line;
        int status;
        const char* printed;
    };
    const Case cases[] = {
        // continue leaves the run and goes on with the next member.
        {"text a%1\nif (%1 == 1) { continue }\ntext b%1\n", "add g.add (1-3)", statusTyped,
         "a1\na2\nb2\na3\nb3\n"},
        // a continue in the last member's run comes out of the loop as 15.
        {"text a%1\nif (%1 == 3) { continue }\n", "add g.add (1-3)", statusContinue,
         "a1\na2\na3\n"},
        // break ends the loop, and the add command returns it.
        {"text a%1\nif (%1 == 2) { break }\n", "add g.add (1-3)", statusBreak, "a1\na2\n"},
        {"text a%1\nif (%1 == 2) { return esc }\n", "add g.add (1-3)", statusAbort, "a1\na2\n"},
        // return ends only the run.
        {"text a%1\nreturn\ntext no\n", "add g.add (1-2)", statusTyped, "a1\na2\n"},
        // The same for pairs and combinations.
        {"text a%1%2\nif (%2 == 2) { break }\n", "add g.add (1-2)(1-3)", statusBreak,
         "a11\na12\n"},
        {"text a%1%2\nif (%2 == 1) { continue }\n", "add g.add (1-2)(1-2)", statusTyped,
         "a11\na12\na21\na22\n"},
        {"text a%1%2\nif (%1 == 2) { break }\n", "add g.add (1-3)(1-3) m", statusBreak,
         "a11\na22\n"},
        {"text a%1%2%3\nif (%3 == 2) { return esc }\n", "add g.add (1)(1)(1-3)", statusAbort,
         "a111\na112\n"},
    };
    for (const Case& c : cases) {
        clearResults();
        write("g.add", c.body);
        EXPECT_EQ(typed(c.line), c.status) << c.body;
        EXPECT_EQ(printed(), c.printed) << c.body;
    }
}

TEST_F(AddFileTest, AnErrorInARunEndsTheLoopWithMinusOne) {
    write("g.add", "text a%1\nif (%1 == 2) { bogus }\n");
    EXPECT_EQ(typed("add g.add (1-3)"), statusError);
    EXPECT_EQ(printed(), std::string("a1\na2\nNot a Jex command.\n") + addUsage);
}

TEST_F(AddFileTest, ABreakInAGroupLoopEndsTheEnclosingFileToo) {
    write("g.add", "text a%1\nif (%1 == 2) { break }\n");
    write("outer.add", "text start\nadd g.add (1-3)\ntext not reached\n");
    EXPECT_EQ(typed("add outer.add"), statusBreak);
    EXPECT_EQ(printed(), "start\na1\na2\n");
}

TEST_F(AddFileTest, GroupLoopsInsideAnAddFileGoOnWithTheNextLine) {
    write("g.add", "text a%1%2\n");
    write("outer.add", "add g.add (1-2) (3-4) m trailing words\ntext next line\n"
                       "add h.add (5)\ntext last\nadd k.add (1)(2)(3\ntext end\n");
    write("k.add", "text k%1%2%3\n");
    write("h.add", "text h%1\n");
    EXPECT_EQ(typed("add outer.add"), statusTyped);
    EXPECT_EQ(printed(), "a13\na24\nnext line\nh5\nlast\nk123\nend\n");
}

TEST_F(AddFileTest, BadGroupsAreRefused) {
    write("g.add", "text ran %1\n");
    struct Case {
        const char* line;
        const char* printed;
    };
    const Case cases[] = {
        {"add g.add ()", "Group definition invalid.\n"},
        {"add g.add (1 =)", "\nUnrecognized group element =\nError:  problem in list.\n"
                            "Group definition invalid.\n"},
        // (the later groups' message begins with a line break inside the line)
        {"add g.add (1-2)()", "\r\nGroup definition invalid\n"},
        {"add g.add (1-2)(3)(:nosuch)",
         "There are no elements in nosuch.\nError:  problem in list.\n\r\nGroup definition invalid\n"},
        // Matched pairs need as many members in the second group as in the first.
        {"add g.add (1-3)(1-2) m", "Error: number of members is not equal in two groups.\n"},
        // A group of more than 12000 members.
        {"add g.add (1-12001)",
         "\nError:  a group may hold at most 12000 members.\nError:  problem in list.\n"
         "Group definition invalid.\n"},
    };
    for (const Case& c : cases) {
        clearResults();
        EXPECT_EQ(typed(c.line), statusError) << c.line;
        EXPECT_EQ(printed(), std::string(c.printed) + addUsage) << c.line;
    }
    // 12000 members are fine.
    clearResults();
    write("g.add", "str last = \"%1\"\n");
    EXPECT_EQ(typed("add g.add (1-12000)"), statusTyped);
    std::string value;
    ASSERT_EQ(stringStore.value("last", value), 0);
    EXPECT_EQ(value, "12000");
}

TEST_F(AddFileTest, MemberSlotsMustFitInTheNinetyNineArguments) {
    write("g.add", "text [%98] [%99]\n");
    std::string line = "add g.add";
    for (int i = 1; i <= 97; ++i) line += " a" + std::to_string(i);
    EXPECT_EQ(typed(line + " (5)(6)"), statusTyped) << printed();
    EXPECT_EQ(printed(), "[5] [6]\n");
    clearResults();
    EXPECT_EQ(typed(line + " x (5)(6)"), statusError);
    EXPECT_EQ(printed().find("[5]"), std::string::npos);
    EXPECT_NE(printed().find("do not fit"), std::string::npos);
}

TEST_F(AddFileTest, ManyPairsShowTheirProgressEveryHundredRuns) {
    write("g.add", "str x = \"%1\"\n");
    EXPECT_EQ(typed("add g.add (1-3)(1-100)"), statusTyped);
    EXPECT_EQ(printed(), "do(1,100)\ndo(2,100)\ndo(3,100)\n\n");
}

TEST_F(AddFileTest, AddPauseAsksFirstAndCancelRunsNothing) {
    write("f.add", "text ran\n");
    addPause = 1;
    answers().push_back("cancel");
    EXPECT_EQ(typed("add f.add"), statusAbort);
    EXPECT_EQ(printed(), "Running f.add\n");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[f.add] AddPause stopped before f.add");
    clearResults();
    EXPECT_EQ(typed("add f.add"), statusTyped);
    EXPECT_EQ(printed(), "Running f.add\nran\n");
    addPause = 0;
}

TEST_F(AddFileTest, AFileThatAddsItselfEndsWithAnErrorInsteadOfACrash) {
    write("self.add", "add self.add\n");
    EXPECT_EQ(typed("add self.add"), statusError);
    EXPECT_NE(printed().find("Error:  scripts nested too deeply"), std::string::npos);
    // The reader is fine afterwards.
    clearResults();
    EXPECT_EQ(typed("text still here"), statusTyped);
    EXPECT_EQ(printed(), "still here\n");
}

TEST_F(AddFileTest, BinaryFileEndsAtItsFirstUnknownWord) {
    std::string bytes("\x7f" "ELF\x02\x01\x01\0\0\0text\xff\xfe\r\n\0\0\x01 more\n", 27);
    write("bin.add", bytes);
    EXPECT_EQ(typed("add bin.add"), statusError);
    EXPECT_EQ(printed(), std::string("Not a Jex command.\n") + addUsage);
}

TEST_F(AddFileTest, CarriageReturnLineEndsAndAMissingLastLineEnd) {
    write("crlf.add", "text one\r\ntext two\r\ntext three");
    EXPECT_EQ(typed("add crlf.add"), statusTyped);
    EXPECT_EQ(printed(), "one\ntwo\nthree\n");
}

// ---- simpleadd and return ----

TEST_F(AddFileTest, SimpleAddRunsAFileWithAtMostTenArguments) {
    write("s.add", "text [%1] [%10]\ncheck %11\ntext not reached\n");
    settypedline("s.add a b c d e f g h i j k l");
    EXPECT_EQ(simpleadd(nullptr), statusDone);
    // The eleventh argument is dropped, so %11 is missing: the box, and the file ends.
    EXPECT_EQ(printed(), "[a] [j]\n");
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(scriptArgs, nullptr);
    EXPECT_EQ(keyboardInput, 'y');

    clearResults();
    write("s.add", "text [%1] [%10]\n");
    settypedline("s.add a b c d e f g h i j k l");
    EXPECT_EQ(simpleadd(nullptr), statusDone);
    EXPECT_EQ(printed(), "[a] [j]\n");
}

TEST_F(AddFileTest, SimpleAddRefusesBadNames) {
    settypedline("\"quoted.add\"");
    EXPECT_EQ(simpleadd(nullptr), statusError);
    EXPECT_EQ(printed(), "no name in add command.\n");
    clearResults();
    settypedline("missing.add");
    EXPECT_EQ(simpleadd(nullptr), statusError);
    EXPECT_EQ(printed(), "cannot open missing.add\n");
    // keyboard opens no file here: the reader reports it and the run ends.
    clearResults();
    settypedline("keyboard");
    EXPECT_EQ(simpleadd(nullptr), statusError);
    EXPECT_EQ(printed(), "\nError:  file is not open for reading in chop().\n");
}

TEST_F(AddFileTest, ReturnGivesItsStatusFromItsWord) {
    struct Case {
        const char* line;
        int status;
    };
    const Case cases[] = {{"", 0},      {"OK", 0},    {"ok", 0},   {"other", 0},
                          {"5", 0},     {"ESC", 27},  {"esc", 27}, {"ERR", -1},
                          {"err", -1},  {"Err", 0}};
    for (const Case& c : cases) {
        settypedline(c.line);
        EXPECT_EQ(returncmd(nullptr), c.status) << c.line;
    }
}

}  // namespace

}  // namespace addfile_test
