// The command chains: which entry a word resolves to (abbreviations by the order of the
// chains), the gateway of the default-Vam-bank commands, the not-a-command path, the
// commands that are not part of this version, and the inline commands.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <set>
#include <string>

#include "banks/databank.h"
#include "banks/slots.h"
#include "interp/dispatch_table.h"
#include "interp/inline_commands.h"
#include "interp/switches.h"
#include "interp/userfunc.h"
#include "platform/platform.h"
#include "shell/mainform.h"
#include "tests/shell/command_fixture.h"

namespace dispatch_test {

namespace {

struct Resolution {
    const char* word;
    const char* entry;  // name of the entry it resolves to; null: no command
    int chain;
};

TEST(DispatchTable, AbbreviationsResolveByTheOrderOfTheChains) {
    const Resolution cases[] = {
        {"list", "listgroups", 2}, {"lis", "listnames", 2}, {"st", "stype", 4},
        {"sta", "stack", 4},       {"fd", "fdup", 2},       {"fda", "fdates", 1},
        {"ed", "edd", 2},          {"edi", nullptr, 0},     {"in", "index", 3},
        {"r", "regress", 1},       {"w", "width", 2},       {"wi", "width", 2},
        {"q", "quit", 1},          {"ti", "title", 4},      {"tit", "title", 4},
        {"titp", "titpch", 4},     {"gridtyXYZ", "gridtype", 3}, {"gridt", nullptr, 0},
        {"ver", "version", 4},     {"vers", "version", 4},  {"ve", nullptr, 0},
        {"XL", "XL", 1},           {"F", nullptr, 0},       {"str", "string", 1},
        {"st", "stype", 4},        {"sav", "save", 4},      {"sa", nullptr, 0},
        {"addt", "addtype", 1},    {"autoc", nullptr, 0},   {"autocom", "autocomplete", 1},
        {"autop", "autoprint", 2}, {"cat", "catch", 2},     {"ca", "catch", 2},
        {"mainfontcolo", "mainfontcolor", 1}, {"mainfontcol", nullptr, 0},
        {"versionx", nullptr, 0},  {"fdatesx", nullptr, 0}, {"rhos", "rhosave", 4},
        {"ann", nullptr, 0},       {"anns", "annsave", 2},  {":", ":", 4},
        {"exi", nullptr, 0},       {"exit", "exit", 1},     {"pa", "pause", 3},
    };
    for (const Resolution& c : cases) {
        int which = 0;
        const dispatch::Entry* entry = dispatch::resolve(c.word, &which);
        if (!c.entry) {
            EXPECT_EQ(entry, nullptr) << c.word << " resolved to " << (entry ? entry->name : "");
            continue;
        }
        ASSERT_NE(entry, nullptr) << c.word;
        EXPECT_STREQ(entry->name, c.entry) << c.word;
        EXPECT_EQ(which, c.chain) << c.word;
    }
}

TEST(DispatchTable, SingleLettersNameTheirCommands) {
    const Resolution cases[] = {
        {"a", "a", 1}, {"b", "b", 2}, {"c", "c", 2}, {"d", "d", 2}, {"e", "e", 2},
        {"f", "f", 1}, {"g", "g", 3}, {"h", "h", 2}, {"l", "l", 2}, {"p", "p", 3},
        {"q", "quit", 1}, {"r", "regress", 1}, {"s", "s", 3}, {"t", "t", 3},
        {"v", "v", 4}, {"w", "width", 2},
    };
    for (const Resolution& c : cases) {
        int which = 0;
        const dispatch::Entry* entry = dispatch::resolve(c.word, &which);
        ASSERT_NE(entry, nullptr) << c.word;
        EXPECT_STREQ(entry->name, c.entry) << c.word;
        EXPECT_EQ(which, c.chain) << c.word;
    }
}

// A name written out in full reaches its own entry; the one exception is w, which the
// width row before it takes (the same command).
TEST(DispatchTable, EveryFullNameReachesItsOwnCommand) {
    for (int which = 1; which <= 4; ++which) {
        for (const dispatch::Entry& entry : dispatch::chain(which)) {
            const dispatch::Entry* found = dispatch::resolve(entry.name);
            ASSERT_NE(found, nullptr) << entry.name;
            if (std::strcmp(entry.name, "w") == 0) EXPECT_STREQ(found->name, "width");
            else EXPECT_STREQ(found->name, entry.name);
        }
    }
}

TEST(DispatchTable, MatchRulesCompareTheLongerOfWordAndMinimum) {
    dispatch::Entry add{"add", dispatch::pre(2), dispatch::NotAvailable{}};
    EXPECT_TRUE(dispatch::matches(add, "ad", 2));
    EXPECT_TRUE(dispatch::matches(add, "add", 3));
    EXPECT_FALSE(dispatch::matches(add, "a", 1));      // shorter than the minimum
    EXPECT_FALSE(dispatch::matches(add, "addx", 4));   // longer than the name
    EXPECT_FALSE(dispatch::matches(add, "ADD", 3));    // case counts
    dispatch::Entry store{"store", dispatch::eq(), dispatch::NotAvailable{}};
    EXPECT_FALSE(dispatch::matches(store, "stor", 4));
    dispatch::Entry grid{"gridtype", dispatch::six(), dispatch::NotAvailable{}};
    EXPECT_TRUE(dispatch::matches(grid, "gridty", 6));
    EXPECT_FALSE(dispatch::matches(grid, "gridt", 5));
}

// Every gateway entry of a chain names a row of the gateway table.
TEST(DispatchTable, GatewayNamesAreKnownToTheGateway) {
    std::set<std::string> known;
    for (const dispatch::GatewayEntry& g : dispatch::gatewayTable()) known.insert(g.name);
    int gateways = 0;
    for (int which = 1; which <= 4; ++which)
        for (const dispatch::Entry& entry : dispatch::chain(which))
            if (std::holds_alternative<dispatch::Gateway>(entry.handler)) {
                ++gateways;
                ASSERT_NE(entry.args.gatewayName, nullptr) << entry.name;
                EXPECT_TRUE(known.count(entry.args.gatewayName)) << entry.name;
            }
    EXPECT_GT(gateways, 40);
    // punch5 and punchvec are reached directly, without the default-bank test.
    for (const char* word : {"punch5", "p5", "punchvec", "pv"}) {
        const dispatch::Entry* entry = dispatch::resolve(word);
        ASSERT_NE(entry, nullptr);
        EXPECT_FALSE(std::holds_alternative<dispatch::Gateway>(entry->handler)) << word;
    }
}

// ---- through the command loop ----

class DispatchLoop : public CommandFixture {};

constexpr const char* gatewayLines =
    "No default Vam file has been assigned.\n"
    "Use vam command to assign a Vam file, then dvam to make it the default.\n";

TEST_F(DispatchLoop, GatewayCommandWithoutDefaultVamBankPrintsTwoLines) {
    for (const char* line : {"vf x = y + 1", "store", "in 3", "lint a b", "commands"}) {
        clearResults();
        EXPECT_EQ(typed(line), -1) << line;
        EXPECT_EQ(results(), gatewayLines) << line;
    }
    // punch5 does not go through the gateway: without an element it prints its own usage.
    clearResults();
    EXPECT_EQ(typed("punch5 x"), -1);
    EXPECT_EQ(results(), "Usage is: punch5 <filename> <vecname> [<width> <decs> <Indexwidth>]\n");
}

TEST_F(DispatchLoop, GatewayErrorEndsTheAddFileAndLeavesItsArgumentsUnread) {
    EXPECT_EQ(script("vf x = 1\ntext not reached\n"), -1);
    EXPECT_TRUE(scriptClosedByLoop());
    EXPECT_EQ(results(), gatewayLines);
}

class CountingBank : public DataBank {
public:
    std::int16_t getser(const char*, float*, std::int16_t) override { return -1; }
    std::int16_t collectser(std::vector<std::string>& list, const char*, std::int16_t) override {
        list.clear();
        return 0;
    }
    std::int16_t storecmd() override {
        ++stores;
        return 0;
    }
    int stores = 0;
};

TEST_F(DispatchLoop, GatewayWithDefaultBankCallsItsHandler) {
    CountingBank bank;
    bankSlots[4] = &bank;
    defaultVamBank = 4;
    EXPECT_EQ(typed("store"), statusTyped);
    EXPECT_EQ(bank.stores, 1);
    EXPECT_EQ(results(), "");
    EXPECT_EQ(typed("lint a b"), -1);  // lint refuses a bank that is not a Vam bank
    EXPECT_EQ(results(), "");
    clearResults();
    std::FILE* none = nullptr;
    EXPECT_EQ(vamcommand(&none, "bogus"), 0);
    EXPECT_EQ(results(), "Unrecognized command: bogus .\n");
    bankSlots[4] = nullptr;
    defaultVamBank = -1;
}

TEST_F(DispatchLoop, DefaultSlotWithoutBankCountsAsNoDefaultBank) {
    defaultVamBank = 7;  // the slot was set but holds no bank
    EXPECT_EQ(typed("store"), -1);
    EXPECT_EQ(results(), gatewayLines);
}

TEST_F(DispatchLoop, UnknownWordIsNotACommand) {
    EXPECT_EQ(typed("zzz 1 2"), -1);
    EXPECT_EQ(results(), "Not a Jex command.\n");
    clearResults();
    EXPECT_EQ(typed("F x = 1"), -1);  // case counts
    EXPECT_EQ(results(), "Not a Jex command.\n");
}

TEST_F(DispatchLoop, AWordNamingAUserFunctionRunsIt) {
    EXPECT_EQ(script("function greet {\ntext hello %1 and %2\n}\ngreet big world\ntext after\n"), 0);
    EXPECT_EQ(results(), "hello big and world\nafter\n");
    clearResults();
    // The function's stop code ends the calling file too.
    EXPECT_EQ(script("function bad {\nzzz\n}\nbad\ntext after\n"), -1);
    EXPECT_TRUE(scriptClosedByLoop());
    EXPECT_EQ(results(), "Not a Jex command.\n");
    userFunctions.clear();
}

TEST_F(DispatchLoop, CheckReadsNothingSoTheNextWordIsACommand) {
    EXPECT_EQ(script("check foo\ntext not reached\n"), -1);
    EXPECT_TRUE(scriptClosedByLoop());
    EXPECT_EQ(results(), "Not a Jex command.\n");
}

// Every command of the chains whose handler is not part of this version yet (the gateway
// commands aside, which test for the default bank first) is recognised by its full name.
std::vector<std::string> notAvailableWords() {
    std::vector<std::string> words;
    for (int which = 1; which <= 4; ++which)
        for (const dispatch::Entry& entry : dispatch::chain(which))
            if (std::holds_alternative<dispatch::NotAvailable>(entry.handler)) words.push_back(entry.name);
    return words;
}

TEST_F(DispatchLoop, CommandsNotInThisVersionAreRecognised) {
    for (const std::string& word : notAvailableWords()) {
        clearResults();
        EXPECT_EQ(typed(word + " a b"), -1) << word;
        EXPECT_EQ(results(), "\nError:  the " + word + " command is not available in this version.\n");
    }
}

TEST_F(DispatchLoop, NotAvailableInAScriptEndsTheFile) {
    auto words = notAvailableWords();
    if (words.empty()) GTEST_SKIP() << "every command is built";
    EXPECT_EQ(script("text before\n" + words.back() + " x\ntext after\n"), -1);
    EXPECT_TRUE(scriptClosedByLoop());
    EXPECT_EQ(results(), "before\n\nError:  the " + words.back() +
                             " command is not available in this version.\n");
}

TEST_F(DispatchLoop, AutocompleteSetsAndReports) {
    autoComplete = false;
    EXPECT_EQ(typed("autocomplete yellow"), statusTyped);
    EXPECT_TRUE(autoComplete);
    EXPECT_EQ(results(), "Autocomplete is yes.\n");
    clearResults();
    EXPECT_EQ(typed("autocomplete off"), statusTyped);
    EXPECT_FALSE(autoComplete);
    clearResults();
    EXPECT_EQ(typed("autocomplete maybe"), -1);
    EXPECT_FALSE(autoComplete);
    EXPECT_EQ(results(), "Error:  syntax is \"autocomplete <[on]|[off]>\"\n");
    clearResults();
    EXPECT_EQ(typed("autocomplete 1"), -1);
    clearResults();
    addPrint = 0;
    EXPECT_EQ(typed("autocomplete on"), statusTyped);
    EXPECT_TRUE(autoComplete);
    EXPECT_EQ(results(), "");  // reports only while addprint is on
    addPrint = 1;
    clearResults();
    EXPECT_EQ(typed("autocomplete"), statusTyped);
    EXPECT_EQ(results(), "Autocomplete is yes.\n");
}

struct FontCase {
    const char* line;
    int status;
    const char* output;
};

TEST_F(DispatchLoop, WindowFontWords) {
    mainformcreate();
    shutdownHandler = nullptr;
    const FontCase cases[] = {
        {"mainfontsize 12", statusTyped, "Main window font size is \"12.\"\n"},
        {"mainfontsize 0", statusTyped, "Main window font size is \"-1.\"\n"},
        {"edfontsize 9", statusTyped, "Editor font size is \"9.\"\n"},
        {"mainfontsize big", -1,
         "Error:  in mainfontsize specification.\n  Main window font size is \"-1.\"\n"},
        {"mainfontname \"Times New Roman\"", statusTyped,
         "Main window font name is \"Times New Roman.\"\n"},
        {"edfontname arial", statusTyped, "Editor window font name is \"arial.\"\n"},
        {"mainfontname Nonesuch", -1,
         "Error:  in mainfontname specification.\n  Main window font name is \"Times New Roman.\"\n"},
        {"mainfontcolor red", statusTyped, "Main window font color is \"255.\"\n"},
        {"maincolor 16777215", statusTyped, "Main window color is \"16777215.\"\n"},
        {"edcolor sky", statusTyped, "Editor window color is \"15780518.\"\n"},
        {"edfontcolor RGB(1,2,3)", statusTyped, "Editor window font color is \"197121.\"\n"},
        {"edfontcolor rgb(1,2,300)", -1,
         "\nError:  in \"edfontcolor\" command, \nthe RGB color syntax is incorrect "
         "(e.g. \"RGB(<int1>,<int2>,<int3>)\").\nEditor window font color is \"197121.\"\n"},
        {"mainfontcolo blue", statusTyped, "Main window font color is \"16711680.\"\n"},
        {"mainautofontsize 0", statusTyped, "mainautofontsize setting is \"0.\"\n"},
        {"mainautofontsize yes", statusTyped, "mainautofontsize setting is \"1.\"\n"},
        {"mainautofontsize on", -1,
         "Error:  in mainautofontsize specification.\n  mainautofontsize setting is \"1.\"\n"},
        {"mainfontbold true", statusTyped, "Main window font bold setting is \"1.\"\n"},
        {"mainfontitalic on", statusTyped, "Main window font italic setting is \"1.\"\n"},
        {"mainfontitalic off", statusTyped, "Main window font italic setting is \"0.\"\n"},
        {"mainfontunderline 3", statusTyped, "Main window font underline setting is \"1.\"\n"},
        {"edfontstrikeout yes", statusTyped, "Editor window font strikeout setting is \"1.\"\n"},
        {"mainfontsize", statusTyped, "Main window font size is \"-1.\"\n"},
    };
    for (const FontCase& c : cases) {
        clearResults();
        EXPECT_EQ(typed(c.line), c.status) << c.line;
        EXPECT_EQ(results(), c.output) << c.line;
    }
    EXPECT_EQ(editorFont.size, 9);
    EXPECT_TRUE(mainFont.bold);
    EXPECT_FALSE(mainFont.italic);
    EXPECT_TRUE(editorFont.strikeout);
    EXPECT_FALSE(editorFont.bold);  // one style at a time
    EXPECT_EQ(mainColor, 16777215);
}

TEST_F(DispatchLoop, FailingFontWordDropsTheRestOfTheLine) {
    addPrint = 0;
    EXPECT_EQ(script("mainfontsize big words here\ntext after\n"), -1);
    EXPECT_EQ(results(), "Error:  in mainfontsize specification.\n  Main window font size is \"" +
                             std::to_string(mainFont.size) + ".\"\n");
}

TEST_F(DispatchLoop, PauseWithSecondsSleepsWithinTheLimits) {
    static int slept;
    slept = -1;
    auto savedSleeper = pauseSleeper;
    pauseSleeper = [](int ms) { slept = ms; };
    EXPECT_EQ(typed("pause 5000"), statusTyped);
    EXPECT_EQ(slept, 1000000);
    EXPECT_EQ(typed("pause 1.5"), statusTyped);
    EXPECT_EQ(slept, 1500);
    slept = -1;
    EXPECT_EQ(typed("pause -3"), statusTyped);  // '-' is no number: the plain pause box
    EXPECT_EQ(slept, -1);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[Pause] Paused: Hit a key to continue, ESC to cancel add file.");
    pauseSleeper = savedSleeper;
}

TEST_F(DispatchLoop, EscapeCutsALongPauseShortAndAbortsTheAddFile) {
    platform::pressEscape();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(script("pause 1000\ntext not reached\n"), 27);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(results(), "");
    platform::clearEscape();
}

TEST_F(DispatchLoop, PauseWithTextShowsItAndCancelAborts) {
    answers().push_back("ok");
    EXPECT_EQ(typed("pause \"Look at this\" more"), statusTyped);
    answers().push_back("cancel");
    EXPECT_EQ(script("pause hello\ntext not reached\n"), 27);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0], "[Pause] Look at this");
    EXPECT_EQ(boxes()[1], "[Pause] hello");
    EXPECT_EQ(results(), "");
}

TEST_F(DispatchLoop, BeepSoundsThreeTimesAndDropsTheLine) {
    static int beeps;
    beeps = 0;
    auto saved = beepSounder;
    beepSounder = [] { ++beeps; };
    EXPECT_EQ(script("beep these words are dropped\ntext after\n"), 0);
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(results(), "after\n");
    beepSounder = saved;
}

TEST_F(DispatchLoop, BackReturnsAtOnceAndQuitShutsDown) {
    EXPECT_EQ(script("text one\nback\ntext two\n"), 0);
    EXPECT_FALSE(scriptClosedByLoop());  // back leaves the file to its caller
    EXPECT_EQ(results(), "one\n");

    static int shutdowns;
    shutdowns = 0;
    shutdownHandler = [] { ++shutdowns; };
    EXPECT_EQ(typed("q"), statusQuit);
    EXPECT_EQ(shutdowns, 1);
    resetinterpstate();
    EXPECT_EQ(script("exit\ntext never\n"), statusQuit);
    EXPECT_EQ(shutdowns, 2);
    EXPECT_EQ(results(), "one\n");
}

TEST_F(DispatchLoop, PwdDropsTheRestOfTheLineAndClearEmptiesTheResults) {
    EXPECT_EQ(script("pwd this is dropped\ntext after\n"), 0);
    EXPECT_EQ(results(), "Your present working directory is " +
                             std::filesystem::current_path().string() + "\n\nafter\n");
    EXPECT_EQ(typed("cls"), statusTyped);
    EXPECT_EQ(typed("clea"), statusTyped);
    EXPECT_EQ(clears(), 2);
}

TEST_F(DispatchLoop, PmmodeSetsAndReportsTheSwitch) {
    bool advanced = false;
    settypedline("advanced");
    EXPECT_EQ(pmmodecmd(nullptr, advanced), 0);
    EXPECT_TRUE(advanced);
    settypedline("simple");
    EXPECT_EQ(pmmodecmd(nullptr, advanced), 0);
    EXPECT_FALSE(advanced);
    EXPECT_EQ(results(), "");
    settypedline("");
    EXPECT_EQ(pmmodecmd(nullptr, advanced), 0);
    settypedline("3");
    EXPECT_EQ(pmmodecmd(nullptr, advanced), -1);
    EXPECT_EQ(results(), "Pmmode is \"simple\".\nPmmode is \"simple\".\n");
}

TEST_F(DispatchLoop, WsresetAloneAsksFirstAndCancelChangesNothing) {
    answers().push_back("cancel");
    auto before = std::filesystem::current_path();
    EXPECT_EQ(typed("wsreset"), 27);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], "[Pause] Warning:  All workspace data will be lost.  Continue?\n");
    EXPECT_EQ(results(), "Warning:  All workspace data will be lost.  Continue?\n");
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(DispatchLoop, WsresetWithADirectoryAsksNothingAndChangesToIt) {
    std::filesystem::create_directories("sub");
    auto sub = std::filesystem::canonical("sub");
    EXPECT_EQ(typed("wsreset \"sub/jex.cfg\""), statusTyped);
    for (const std::string& box : boxes()) EXPECT_EQ(box.find("[Pause]"), std::string::npos) << box;
    EXPECT_EQ(std::filesystem::current_path(), sub);
    EXPECT_EQ(Main.configFileName, "sub/");
    EXPECT_NE(results().find("Your present working directory is " + sub.string()),
              std::string::npos);
    // No jex.cfg there: the advice follows.
    EXPECT_NE(results().find("Because the directory you selected has no jex.cfg file,\n"
                             "you have no workspace or assigned banks.\n"),
              std::string::npos);
}

// The directory is read to the end of the line or '#', as cd reads it: a name with blanks
// is taken whole, unquoted or quoted, and a path naming jex.cfg keeps its directory part.
TEST_F(DispatchLoop, WsresetReadsTheDirectoryToTheEndOfTheLineAsCdDoes) {
    const auto start = std::filesystem::current_path();
    std::filesystem::create_directories("my dir/sub dir");
    const auto target = std::filesystem::canonical("my dir/sub dir");
    const std::vector<std::string> lines = {"wsreset my dir/sub dir   # a comment",
                                            "wsreset \"my dir/sub dir\"",
                                            "wsreset my dir/sub dir/jex.cfg"};
    for (const std::string& line : lines) {
        std::filesystem::current_path(start);
        EXPECT_EQ(typed(line), statusTyped) << line;
        EXPECT_EQ(std::filesystem::current_path(), target) << line;
        EXPECT_EQ(results().find("Invalid directory"), std::string::npos) << line << results();
    }
    EXPECT_EQ(Main.configFileName, "my dir/sub dir/");
    std::filesystem::current_path(start);
}

TEST_F(DispatchLoop, CommandCachePrintClearAndReplay) {
    commandCache = {"text first", "text second"};
    EXPECT_EQ(typed("commandcache print"), statusTyped);
    EXPECT_EQ(results(), "# Command History:\ntext first\ntext second\n");
    clearResults();
    addPrint = 0;
    EXPECT_EQ(typed("commandcache replay"), statusTyped);
    EXPECT_EQ(results(), "first\nsecond\n");
    clearResults();
    // A cached replay does not replay the cache without end.
    commandCache = {"commandcache replay", "text once"};
    EXPECT_EQ(typed("commandcache replay"), statusTyped);
    EXPECT_EQ(results(), "\nError:  the command cache is already being replayed.\nonce\n");
    EXPECT_EQ(typed("commandcache clear"), statusTyped);
    EXPECT_TRUE(commandCache.empty());
    clearResults();
    EXPECT_EQ(typed("commandcache show"), -1);
    EXPECT_EQ(results(), "Error:  invalid option in commandcache.\n");
}

}  // namespace

}  // namespace dispatch_test
