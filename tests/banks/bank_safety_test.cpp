// Banks shared, killed and reached through links. Two jex programs in one folder or aimed at
// one bank (the second is refused and nothing changes), kills in the middle of a loop of
// deletes and of a long run of new series (the bank always opens, every name reading its own
// values), the index journal read back from files made by hand, and output files that keep
// their links and permissions. Runs the jex binary built beside the tests (build/app/jex).
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/missing.h"
#include "tests/banks/bank_test_util.h"
#include "tests/banks/command_test_util.h"
#include "tests/jex_process.h"

namespace bank_safety_test {

using ::testing::HasSubstr;

namespace {

using jextest::JexProcess;
using jextest::jexbinary;

namespace fs = std::filesystem;

// findmode's last line: every command before it has returned once it is printed.
const char* endMarker = "provided to access any other data bank.";

std::string datacommand(int i) {
    return "data s" + std::to_string(i) + " 1990 " + std::to_string(i) + " " +
           std::to_string(i + 1) + " ;\n";
}

// A bank of `count` annual series s<first>.. holding i and i + 1 from 1990, made in process.
void makeseries(const std::string& stem, int count, int first = 0, int maxObs = 100) {
    JexBank bank(stem.c_str(), "New", 1990, maxObs, 1, 1);
    ASSERT_TRUE(bank.isOpen());
    bank.setFreq(1);
    std::vector<float> v(seriesArrayLength, MISSING);
    for (int i = first; i < first + count; ++i) {
        v[0] = static_cast<float>(i);
        v[1] = static_cast<float>(i + 1);
        ASSERT_GE(bank.addser(("s" + std::to_string(i)).c_str(), v.data(), 'y'), 0);
    }
}

// Every name of the bank is s<i> and reads i and i + 1; returns the names' numbers in index
// order (empty when the bank does not open).
std::vector<int> checkseries(const std::string& stem) {
    JexBank bank(stem.c_str(), "Read", 1965, 200, 1, 1);
    EXPECT_TRUE(bank.isOpen()) << stem;
    std::vector<int> numbers;
    if (!bank.isOpen()) return numbers;
    std::vector<float> v(seriesArrayLength);
    for (int k = 0; k < bank.seriesCount(); ++k) {
        const std::string name = bank.nameAt(k);
        const int i = std::atoi(name.c_str() + 1);
        numbers.push_back(i);
        EXPECT_EQ(bank.getser(name.c_str(), v.data(), -1), 0) << name;
        EXPECT_EQ(v[0], static_cast<float>(i)) << name;
        EXPECT_EQ(v[1], static_cast<float>(i + 1)) << name;
    }
    return numbers;
}

// FNV-1a, computed here from the description of the journal, not from the bank's code.
std::uint64_t fnv64(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

std::uint32_t fnv32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t h = 2166136261u;
    for (std::size_t k = 0; k < n; ++k) h = (h ^ p[k]) * 16777619u;
    return h;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

// A journal extending the index file as it stands, with entries (type, ordinal, name).
std::vector<std::uint8_t> journalfor(const std::vector<std::uint8_t>& index,
                                     const std::vector<std::tuple<char, int, std::string>>& entries) {
    std::vector<std::uint8_t> j{'J', 'X', 'J', '1'};
    put16(j, index[0] | (index[1] << 8));
    put16(j, 0);
    const std::uint64_t d = fnv64(index);
    for (int k = 0; k < 8; ++k) j.push_back(static_cast<std::uint8_t>(d >> (8 * k)));
    for (const auto& [type, ordinal, name] : entries) {
        const std::size_t start = j.size();
        j.push_back(static_cast<std::uint8_t>(type));
        put16(j, static_cast<unsigned>(ordinal));
        put16(j, static_cast<unsigned>(name.size()));
        j.insert(j.end(), name.begin(), name.end());
        const std::uint32_t c = fnv32(&j[start], j.size() - start);
        for (int k = 0; k < 4; ++k) j.push_back(static_cast<std::uint8_t>(c >> (8 * k)));
    }
    return j;
}

// The names of an index file, parsed from its layout.
std::vector<std::string> indexnames(const std::vector<std::uint8_t>& index) {
    std::vector<std::string> names;
    if (index.size() < 2) return names;
    const int count = index[0] | (index[1] << 8);
    const std::size_t block = 2 + 2 * (static_cast<std::size_t>(count) + 1);
    for (int i = 0; i < count; ++i) {
        const int at = index[2 + 2 * i] | (index[3 + 2 * i] << 8);
        names.emplace_back(reinterpret_cast<const char*>(&index[block + at]));
    }
    return names;
}

class BankSafety : public banktest::BankDirTest {
protected:
    void SetUp() override {
        BankDirTest::SetUp();
        binary = jexbinary();
    }
    void needjex() {
        if (binary.empty()) GTEST_SKIP() << "the jex program is not built beside the tests";
    }
    // A folder with a jex.cfg whose workspace holds `obs` observations from `base`.
    std::string folder(const std::string& name, const std::string& obs = "100",
                       const std::string& base = "1990") {
        fs::create_directories(path(name));
        banktest::writeText(path(name + "/jex.cfg"),
                            banktest::jexcfg("", "1990 2000 2009", base, "1", obs));
        return path(name);
    }
    // Starts jex in `here` with the commands, waits until its results hold `marker` (every
    // command before the one echoed has returned), lets it run up to 0.4 ms more, at random,
    // and kills it.
    void runandkill(const std::string& here, const std::string& commands,
                    const std::string& marker, std::mt19937& rng) {
        JexProcess jex(binary, here);
        ASSERT_TRUE(jex.started());
        jex.send(commands);
        ASSERT_TRUE(jex.readUntil(marker)) << marker;
        usleep(static_cast<useconds_t>(rng() % 400));
        jex.killNow();
    }
    std::string binary;
};

// ---------------------------------------------------------------------------------------
// Two programs

TEST_F(BankSafety, ASecondSessionInTheSameFolderEndsAtOnce) {
    needjex();
    const std::string here = folder("s");
    JexProcess first(binary, here);
    ASSERT_TRUE(first.started());
    first.send("data a 1990 1 2 ;\nfindmode\n");
    ASSERT_TRUE(first.readUntil(endMarker)) << first.output;

    // The second one's input stays open: it must end by itself.
    JexProcess second(binary, here);
    ASSERT_TRUE(second.started());
    const int status = second.waitWithin(20);
    ASSERT_NE(status, -1) << "the second session did not end";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    second.readUntil("", 5);
    EXPECT_THAT(second.output, HasSubstr("is in use by another"));

    // The first session's workspace is untouched and still written.
    first.send("data b 1990 7 ;\nprint a 1990 1991\nprint b 1990 1990\n");
    EXPECT_TRUE(first.readUntil("7.000000")) << first.output;
    EXPECT_THAT(first.output, HasSubstr(" 1990   1.0000000   2.000000"));
}

TEST_F(BankSafety, WsbankOfABankInUseIsRefusedAndTheBankKeepsEverySeries) {
    needjex();
    const std::string shared = path("shared");
    JexProcess first(binary, folder("a"));
    ASSERT_TRUE(first.started());
    std::string commands = "wsbank \"" + shared + "\"\n";
    for (int i = 0; i < 20; ++i) commands += datacommand(i);
    first.send(commands + "findmode\n");
    ASSERT_TRUE(first.readUntil(endMarker)) << first.output;

    JexProcess second(binary, folder("b"));
    ASSERT_TRUE(second.started());
    second.send("wsbank \"" + shared + "\"\ndata y 1990 5 ;\nfindmode\n");
    ASSERT_TRUE(second.readUntil(endMarker)) << second.output;
    EXPECT_THAT(second.output, HasSubstr("shared.bnk is in use by another program"));
    EXPECT_THAT(second.output, HasSubstr("The workspace bank is unchanged."));

    commands.clear();
    for (int i = 20; i < 40; ++i) commands += datacommand(i);
    first.send(commands);
    first.endInput();
    first.readUntil("");
    first.wait();
    second.endInput();
    second.readUntil("");
    second.wait();

    std::vector<int> expected;
    for (int i = 0; i < 40; ++i) expected.push_back(i);
    EXPECT_EQ(checkseries(shared), expected);
}

TEST_F(BankSafety, WritersShareTheLockWithinOneProgramAndReadersTakeNone) {
    makeseries(path("w"), 3);
    {
        JexBank writer(path("w").c_str(), "ReadWrite", 1965, 200, 1, 1);
        ASSERT_TRUE(writer.isOpen());
        // The workspace replaced by a bank of the same files (wsbank, zap) opens.
        JexBank again(path("w").c_str(), "ReadWrite", 1965, 200, 1, 1);
        EXPECT_TRUE(again.isOpen());
        EXPECT_FALSE(again.inUse());
        JexBank reader(path("w").c_str(), "Read", 1965, 200, 1, 1);
        EXPECT_TRUE(reader.isOpen());
    }
    // Every lock went with its banks: the files open for writing again.
    JexBank writer(path("w").c_str(), "ReadWrite", 1965, 200, 1, 1);
    EXPECT_TRUE(writer.isOpen());
}

// ---------------------------------------------------------------------------------------
// Kills

TEST_F(BankSafety, AKillDuringALoopOfDeletesLeavesEveryNameWithItsOwnValues) {
    needjex();
    const int count = 3000;
    std::mt19937 rng(1313);
    for (int round = 0; round < 30; ++round) {
        fs::remove_all(path("d"));
        const std::string here = folder("d");
        makeseries(here + "/bank", count, 1);
        // Deleting from s1 on, most deletes move a record.
        const int seen = 1 + static_cast<int>(rng() % (count - 1));
        runandkill(here, "wsbank bank\ndo { del s%1 } (1-" + std::to_string(count) + ")\n",
                   " del s" + std::to_string(seen) + " ", rng);
        if (HasFatalFailure()) return;
        // The names left are the last ones, each reading its own values (checkseries), and
        // the deletes of s1 to s<seen - 1> have all been done.
        auto check = [&](const char* when) {
            const std::vector<int> numbers = checkseries(here + "/bank");
            std::vector<int> sorted = numbers;
            std::sort(sorted.begin(), sorted.end());
            const int left = static_cast<int>(sorted.size());
            EXPECT_LE(left, count - seen + 1) << round << when;
            for (int k = 0; k < left; ++k)
                ASSERT_EQ(sorted[k], count - left + 1 + k)
                    << round << when << ": " << left << " names left, the first in index order s"
                    << numbers[0];
        };
        check(" after the kill");
        // A writer opening it finishes what the kill interrupted; the bank reads the same.
        { JexBank writer((here + "/bank").c_str(), "ReadWrite", 1965, 200, 1, 1); }
        EXPECT_FALSE(fs::exists(here + "/bank.inj")) << round;
        check(" after a writer opened it");
    }
}

TEST_F(BankSafety, AKillDuringALongRunOfNewSeriesKeepsEverySeriesCompleted) {
    needjex();
    const int count = 10000;
    std::mt19937 rng(1414);
    for (int round = 0; round < 30; ++round) {
        fs::remove_all(path("n"));
        const std::string here = folder("n", "1999", "1980");
        const int seen = 2 + static_cast<int>(rng() % (count - 2));
        const std::string n = std::to_string(seen);
        runandkill(here, "do { f s%1 = %1 } (1-" + std::to_string(count) + ")\n",
                   " f s" + n + " = " + n + " ", rng);
        if (HasFatalFailure()) return;
        JexBank bank((here + "/ws").c_str(), "Read", 1965, 200, 1, 1);
        ASSERT_TRUE(bank.isOpen()) << round;
        // s1 .. s<seen - 1> had completed; each name holds its own number.
        ASSERT_GE(bank.seriesCount(), seen - 1) << round;
        std::vector<float> v(seriesArrayLength);
        for (int k = 0; k < bank.seriesCount(); ++k) {
            const std::string name = "s" + std::to_string(k + 1);
            ASSERT_STREQ(bank.nameAt(k), name.c_str()) << round;
            if (k % 97 != 0 && k < bank.seriesCount() - 20) continue;
            ASSERT_EQ(bank.getser(name.c_str(), v.data(), -1), 0) << name;
            int held = 0;
            for (int i = 0; i < bank.maxObs(); ++i) {
                if (ismissing(v[i])) continue;
                EXPECT_EQ(v[i], static_cast<float>(k + 1)) << name << " " << i;
                ++held;
            }
            EXPECT_GT(held, 0) << name;
        }
    }
}

// Series stored again are written through the mapping of the workspace's data file: a kill
// keeps every replacement that completed, leaves the series not yet reached as they were,
// and the bank opens with every name; only the one series being written at the kill may
// hold part of each.
TEST_F(BankSafety, AKillDuringALoopOfReplacementsKeepsEveryReplacementCompleted) {
    needjex();
    const int count = 400;
    std::mt19937 rng(1515);
    for (int round = 0; round < 20; ++round) {
        fs::remove_all(path("r"));
        const std::string here = folder("r", "1999", "1980");
        const int seen = 2 + static_cast<int>(rng() % (count - 2));
        const std::string n = std::to_string(seen);
        const std::string loops = "do { f s%1 = %1 } (1-" + std::to_string(count) + ")\n" +
                                  "do { f s%1 = %1 + 1000 } (1-" + std::to_string(count) + ")\n";
        runandkill(here, loops, " f s" + n + " = " + n + " + 1000", rng);
        if (HasFatalFailure()) return;
        // No record was added or cut: the file holds the 400 records.
        EXPECT_EQ(fs::file_size(here + "/ws.bnk"), 86u + count * (1u + 4u * 1999u)) << round;
        JexBank bank((here + "/ws").c_str(), "Read", 1965, 200, 1, 1);
        ASSERT_TRUE(bank.isOpen()) << round;
        ASSERT_EQ(bank.seriesCount(), count) << round;
        std::vector<float> v(seriesArrayLength);
        // Each series is new (all its values k + 1000), old (all k) or, once, neither.
        std::string states;
        for (int k = 1; k <= count; ++k) {
            const std::string name = "s" + std::to_string(k);
            ASSERT_STREQ(bank.nameAt(k - 1), name.c_str()) << round;
            ASSERT_EQ(bank.getser(name.c_str(), v.data(), -1), 0) << name;
            // (Read as aligned to this process's workspace: values outside it are missing.)
            int fresh = 0, old = 0, held = 0;
            for (int i = 0; i < bank.maxObs(); ++i) {
                if (ismissing(v[i])) continue;
                ++held;
                fresh += v[i] == static_cast<float>(k + 1000);
                old += v[i] == static_cast<float>(k);
            }
            ASSERT_GT(held, 0) << name;
            states += fresh == held ? 'n' : old == held ? 'o' : 'x';
        }
        // New ones first (at least those completed before the marker), then at most one
        // other, then old ones.
        const std::size_t newOnes = states.find_first_not_of('n');
        EXPECT_GE(newOnes == std::string::npos ? count : static_cast<int>(newOnes), seen - 1) << round;
        if (newOnes != std::string::npos) {
            const std::size_t rest = states[newOnes] == 'x' ? newOnes + 1 : newOnes;
            EXPECT_EQ(states.find_first_not_of('o', rest), std::string::npos) << round << " " << states;
        }
    }
}

// ---------------------------------------------------------------------------------------
// The index journal

TEST_F(BankSafety, NewNamesGoToTheJournalAndTheIndexTakesThemWhenTheBankCloses) {
    const std::string stem = path("j");
    {
        JexBank writer(stem.c_str(), "New", 1990, 100, 1, 1);
        writer.setFreq(1);
        std::vector<float> v(seriesArrayLength, MISSING);
        for (int i = 0; i < 200; ++i) {
            v[0] = static_cast<float>(i);
            v[1] = static_cast<float>(i + 1);
            ASSERT_GE(writer.addser(("s" + std::to_string(i)).c_str(), v.data(), 'y'), 0);
        }
        EXPECT_GT(writer.journaledNames(), 0);
        EXPECT_TRUE(fs::exists(stem + ".inj"));
        // The index file lags behind; a reader opening now reads it and the journal.
        EXPECT_LT(indexnames(banktest::readFile(stem + ".ind")).size(), 200u);
        EXPECT_EQ(checkseries(stem).size(), 200u);
    }
    EXPECT_FALSE(fs::exists(stem + ".inj"));
    const auto names = indexnames(banktest::readFile(stem + ".ind"));
    ASSERT_EQ(names.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(names[i], "s" + std::to_string(i));
    EXPECT_EQ(checkseries(stem).size(), 200u);
}

TEST_F(BankSafety, AJournalMadeByHandIsReadAsTheBanksOwn) {
    // s0 s1 s2 s3 in the index; the journal deletes s1 (s3 takes its place) and adds s4,
    // whose record is written at ordinal 3, where s3's record was.
    struct Case {
        const char* what;
        bool moveDone;       // s3's record copied over record 1 already
        bool cutShort;       // the last entry lost its last byte
        bool otherIndex;     // the journal was written against another index
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {"delete interrupted before its move", false, false, false, {0, 3, 2}},
        {"delete interrupted after its move", true, false, false, {0, 3, 2}},
        {"a delete, then an addition", true, true, false, {0, 3, 2, 4}},
        {"written against another index", false, false, true, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string stem = path("h");
        makeseries(stem, 4);
        auto index = banktest::readFile(stem + ".ind");
        auto data = banktest::readFile(stem + ".bnk");
        const std::size_t record = 4 * 100 + 1;
        if (c.moveDone)
            std::copy(data.begin() + 86 + 3 * record, data.begin() + 86 + 4 * record,
                      data.begin() + 86 + record);
        std::vector<std::tuple<char, int, std::string>> entries = {{'d', 1, "s1"}};
        if (c.cutShort) {
            // After the move, s4 was written over the old last record and named; a cut
            // second addition follows.
            std::vector<std::uint8_t> s4(record, 0);
            s4[0] = 1;
            bytes::putF32(&s4[1], 4.0f);
            bytes::putF32(&s4[5], 5.0f);
            for (int k = 2; k < 100; ++k) bytes::putF32(&s4[1 + 4 * k], MISSING);
            std::copy(s4.begin(), s4.end(), data.begin() + 86 + 3 * record);
            data.insert(data.end(), s4.begin(), s4.end());  // room for s5's record
            entries.emplace_back('a', 3, "s4");
            entries.emplace_back('a', 4, "s5");
        }
        std::vector<std::uint8_t> against = index;
        if (c.otherIndex) against.back() ^= 1;
        auto journal = journalfor(against, entries);
        if (c.cutShort) journal.pop_back();
        banktest::writeFile(stem + ".bnk", data);
        banktest::writeFile(stem + ".inj", journal);

        EXPECT_EQ(checkseries(stem), c.expected);
        // A writer redoes what is left and folds the journal into the index.
        { JexBank writer(stem.c_str(), "ReadWrite", 1965, 200, 1, 1); }
        EXPECT_FALSE(fs::exists(stem + ".inj"));
        EXPECT_EQ(checkseries(stem), c.expected);
        std::vector<std::string> names;
        for (int i : c.expected) names.push_back("s" + std::to_string(i));
        EXPECT_EQ(indexnames(banktest::readFile(stem + ".ind")), names);
        fs::remove(stem + ".bnk");
        fs::remove(stem + ".ind");
    }
}

TEST_F(BankSafety, ANewWorkspaceOnTheSameFilesIsNotOverwrittenByTheOldOne) {
    // zap and wsbank open the new workspace before the old one goes; the old one's journal
    // must not be folded over the new files when it closes.
    const std::string stem = path("ws");
    std::vector<float> v(seriesArrayLength, 1.0f);
    // At least 40 new series, the last ones standing in the journal; returns the count.
    auto fill = [&](JexBank& bank) {
        bank.setFreq(1);
        int i = 0;
        while (i < 40 || bank.journaledNames() == 0) {
            EXPECT_GE(bank.addser(("s" + std::to_string(i)).c_str(), v.data(), 'y'), 0);
            if (++i > 1000) break;
        }
        return i;
    };
    auto* old = new JexBank(stem.c_str(), "New", 1990, 100, 1, 1);
    fill(*old);
    ASSERT_GT(old->journaledNames(), 0);
    auto* fresh = new JexBank(stem.c_str(), "New", 1990, 100, 1, 1);
    ASSERT_TRUE(fresh->isOpen());
    delete old;
    EXPECT_TRUE(indexnames(banktest::readFile(stem + ".ind")).empty());
    fresh->setFreq(1);
    ASSERT_GE(fresh->addser("y", v.data(), 'y'), 0);
    delete fresh;
    EXPECT_EQ(indexnames(banktest::readFile(stem + ".ind")), std::vector<std::string>{"y"});

    // wsbank of the workspace's own files takes in the old one's journal.
    old = new JexBank(stem.c_str(), "ReadWrite", 1965, 200, 1, 1);
    const int added = fill(*old);
    ASSERT_GT(old->journaledNames(), 0);
    fresh = new JexBank(stem.c_str(), "ReadWrite", 1965, 200, 1, 1);
    ASSERT_TRUE(fresh->isOpen());
    EXPECT_EQ(fresh->seriesCount(), added + 1);
    delete old;
    fresh->setFreq(1);
    ASSERT_GE(fresh->addser("z", v.data(), 'y'), 0);
    delete fresh;
    const auto names = indexnames(banktest::readFile(stem + ".ind"));
    ASSERT_EQ(names.size(), static_cast<std::size_t>(added + 2));
    EXPECT_EQ(names.front(), "y");
    EXPECT_EQ(names.back(), "z");
}

// ---------------------------------------------------------------------------------------
// Links and permissions

TEST_F(BankSafety, ABankReachedThroughLinksStaysOneBank) {
    fs::create_directory(path("real"));
    makeseries(path("real/b"), 5);
    fs::create_symlink(path("real/b.bnk"), path("ws.bnk"));
    fs::create_symlink("real/b.ind", path("ws.ind"));  // a relative link
    {
        JexBank writer(path("ws").c_str(), "ReadWrite", 1965, 200, 1, 1);
        ASSERT_TRUE(writer.isOpen());
        writer.setFreq(1);
        std::vector<float> v(seriesArrayLength, MISSING);
        for (int i = 5; i < 60; ++i) {
            v[0] = static_cast<float>(i);
            v[1] = static_cast<float>(i + 1);
            ASSERT_GE(writer.addser(("s" + std::to_string(i)).c_str(), v.data(), 'y'), 0);
        }
        ASSERT_EQ(writer.delser("s2"), 0);
        // The journal stands beside the index it extends.
        EXPECT_FALSE(fs::exists(path("ws.inj")));
    }
    EXPECT_TRUE(fs::is_symlink(path("ws.bnk")));
    EXPECT_TRUE(fs::is_symlink(path("ws.ind")));
    const std::vector<int> direct = checkseries(path("real/b"));
    EXPECT_EQ(direct.size(), 59u);
    EXPECT_EQ(checkseries(path("ws")), direct);
    for (const auto& entry : fs::directory_iterator(path("real")))
        EXPECT_THAT(entry.path().filename().string(), ::testing::StartsWith("b."));
}

TEST_F(BankSafety, OutputFilesKeepTheirPermissionsAndLinks) {
    needjex();
    const std::string here = folder("o");
    for (const char* name : {"dump.txt", "vars.add", "real.txt"}) {
        banktest::writeText(here + "/" + name, "old\n");
        ASSERT_EQ(chmod((here + "/" + name).c_str(), 0600), 0);
    }
    fs::create_symlink("real.txt", here + "/link.txt");
    fs::create_symlink("/dev/full", here + "/full.wk1");
    JexProcess jex(binary, here);
    ASSERT_TRUE(jex.started());
    jex.send("data x 1990 1 2 ;\nwsdump dump.txt\nwsdump link.txt\nstr v = \"a\"\n"
             "str save vars.add\np123 full 1990 1991 x ;\n");
    jex.endInput();
    jex.readUntil("");
    jex.wait();
    for (const char* name : {"dump.txt", "vars.add", "real.txt"}) {
        struct stat st;
        ASSERT_EQ(stat((here + "/" + name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
    }
    EXPECT_THAT(banktest::readFile(here + "/dump.txt").size(), ::testing::Gt(4u));
    EXPECT_TRUE(fs::is_symlink(here + "/link.txt"));
    const auto dumped = banktest::readFile(here + "/real.txt");
    EXPECT_THAT(std::string(dumped.begin(), dumped.end()), HasSubstr("data x"));
    // The worksheet's link leads to a full device: written in place, the failure is said.
    EXPECT_TRUE(fs::is_symlink(here + "/full.wk1"));
    EXPECT_THAT(jex.output, HasSubstr("Error:  cannot write full.wk1."));
}

}  // namespace

}  // namespace bank_safety_test
