// Bank files checked against their byte layout by a reader written here from the layout
// alone (plain shifts, no shared helper), after the real start-up and data commands; and the
// files rewritten whole (the index, the dump, the table file) checked to be replaced by a
// rename, never rewritten in place.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "banks/other_commands.h"
#include "banks/startup.h"
#include "core/missing.h"
#include "regress/regress_state.h"
#include "series/export_commands.h"
#include "series/series_state.h"
#include "tests/banks/command_test_util.h"

namespace qa_layout_test {

using banktest::readFile;
using banktest::writeText;
using ::testing::HasSubstr;

namespace {

using Bytes = std::vector<std::uint8_t>;

unsigned u16at(const Bytes& b, std::size_t p) { return b.at(p) | (b.at(p + 1) << 8); }
float f32at(const Bytes& b, std::size_t p) {
    std::uint32_t v = b.at(p) | (b.at(p + 1) << 8) | (b.at(p + 2) << 16) |
                      (static_cast<std::uint32_t>(b.at(p + 3)) << 24);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

// One series of a workspace-format bank as the two files hold it.
struct StoredSeries {
    int frequency;
    std::vector<float> values;
};

// The whole bank read from its .bnk and .ind bytes: header fields, then for each name of
// the index its record.
struct StoredBank {
    unsigned baseYear = 0, firstMonth = 0, maxObs = 0;
    std::string title;
    std::vector<std::string> order;
    std::map<std::string, StoredSeries> series;
};

StoredBank readStoredBank(const std::string& stem) {
    StoredBank bank;
    const Bytes bnk = readFile(stem + ".bnk");
    const Bytes ind = readFile(stem + ".ind");
    EXPECT_GE(bnk.size(), 86u);
    EXPECT_GE(ind.size(), 2u);
    if (bnk.size() < 86 || ind.size() < 2) return bank;
    bank.baseYear = u16at(bnk, 0);
    bank.firstMonth = u16at(bnk, 2);
    bank.maxObs = u16at(bnk, 4);
    bank.title = std::string(reinterpret_cast<const char*>(&bnk[6]),
                             strnlen(reinterpret_cast<const char*>(&bnk[6]), 80));
    const unsigned n = u16at(ind, 0);
    if (n == 0) {
        EXPECT_EQ(ind.size(), 2u);
        return bank;
    }
    const std::size_t block = 2 + 2 * (n + 1);
    EXPECT_EQ(u16at(ind, 2), 0u);
    const unsigned end = u16at(ind, 2 + 2 * n);
    EXPECT_EQ(ind.size(), block + end + 1);  // the names and one further byte
    const std::size_t record = 1 + 4 * static_cast<std::size_t>(bank.maxObs);
    EXPECT_GE(bnk.size(), 86 + n * record);  // a deleted last record may stay after them
    for (unsigned i = 0; i < n; ++i) {
        const unsigned a = u16at(ind, 2 + 2 * i), b = u16at(ind, 2 + 2 * (i + 1));
        EXPECT_LT(a, b);
        EXPECT_EQ(ind.at(block + b - 1), 0);  // each name ends with its NUL at the next offset
        std::string name(reinterpret_cast<const char*>(&ind.at(block + a)), b - a - 1);
        StoredSeries s;
        const std::size_t at = 86 + i * record;
        s.frequency = bnk.at(at);
        for (unsigned k = 0; k < bank.maxObs; ++k) s.values.push_back(f32at(bnk, at + 1 + 4 * k));
        bank.order.push_back(name);
        bank.series[name] = s;
    }
    return bank;
}

ino_t inode(const char* path) {
    struct stat st;
    if (::stat(path, &st) != 0) return 0;
    return st.st_ino;
}

// No default bank; dates 1990, 2000, 2009; base year 1990, first month 1.
std::string config(const std::string& obs = "100") {
    return banktest::jexcfg("", "1990 2000 2009", "1990", "1", obs);
}

class QaLayout : public banktest::StartupTest {};

}  // namespace

// Start-up with base year 1990, first month 1 and 100 observations, then data commands of
// two frequencies, a delete of the first series and a rename: after each step the files
// read back by the layout alone hold exactly the workspace's series.
TEST_F(QaLayout, StartupAndDataCommandsGiveTheLayout) {
    writeText("jex.cfg", config());
    ASSERT_EQ(readstartupcfg(0), 0);
    Bytes bnk = readFile("ws.bnk");
    ASSERT_EQ(bnk.size(), 86u);
    EXPECT_EQ(Bytes(bnk.begin(), bnk.begin() + 6), (Bytes{0xc6, 0x07, 0x01, 0x00, 0x64, 0x00}));
    EXPECT_EQ(readFile("ws.ind"), (Bytes{0, 0}));
    StoredBank b = readStoredBank("ws");
    EXPECT_EQ(b.title, "Untitled");

    ASSERT_EQ(typed(datacmd, "gdp 1990 1 2 3 ;"), 0);
    EXPECT_EQ(readFile("ws.bnk").size(), 487u);
    EXPECT_EQ(readFile("ws.ind").size(), 11u);
    ASSERT_EQ(typed(datacmd, "q 1990.2 5 - 6 ? 7 ;"), 0);
    ASSERT_EQ(typed(datacmd, "longer_name 2089 9 ;"), 0);

    b = readStoredBank("ws");
    EXPECT_EQ(b.baseYear, 1990u);
    EXPECT_EQ(b.firstMonth, 1u);
    EXPECT_EQ(b.maxObs, 100u);
    ASSERT_EQ(b.order, (std::vector<std::string>{"gdp", "q", "longer_name"}));
    const StoredSeries& gdp = b.series["gdp"];
    EXPECT_EQ(gdp.frequency, 1);
    EXPECT_EQ(gdp.values[0], 1.0f);
    EXPECT_EQ(gdp.values[2], 3.0f);
    for (int k = 3; k < 100; ++k) ASSERT_EQ(gdp.values[k], MISSING) << k;
    const StoredSeries& q = b.series["q"];
    EXPECT_EQ(q.frequency, 4);
    EXPECT_EQ(q.values[0], MISSING);  // 1990.1
    EXPECT_EQ(q.values[1], 5.0f);     // 1990.2
    EXPECT_EQ(q.values[2], -6.0f);
    EXPECT_EQ(q.values[3], MISSING);
    EXPECT_EQ(q.values[4], 7.0f);
    EXPECT_EQ(b.series["longer_name"].values[99], 9.0f);  // the workspace's last observation

    // Delete the first: the last series moves into its record and its index place.
    ASSERT_EQ(typed(delcmd, 'd', "gdp"), 0);
    b = readStoredBank("ws");
    ASSERT_EQ(b.order, (std::vector<std::string>{"longer_name", "q"}));
    EXPECT_EQ(b.series["longer_name"].values[99], 9.0f);
    EXPECT_EQ(b.series["q"].values[4], 7.0f);
    EXPECT_EQ(readFile("ws.bnk").size(), 86u + 3 * 401);  // records are never cut off

    // Rename to a shorter name: the offsets after it move down.
    ASSERT_EQ(typed(delcmd, 'r', "longer_name l"), 0);
    const Bytes ind = readFile("ws.ind");
    ASSERT_GE(ind.size(), 2u + 6 + 5);
    EXPECT_EQ(Bytes(ind.begin(), ind.begin() + 12),
              (Bytes{2, 0, 0, 0, 2, 0, 4, 0, 'l', 0, 'q', 0}));
    b = readStoredBank("ws");
    EXPECT_EQ(b.series["l"].values[99], 9.0f);

    // A rename onto an existing name and a value past the end change neither file.
    const Bytes beforeBnk = readFile("ws.bnk"), beforeInd = readFile("ws.ind");
    EXPECT_EQ(typed(delcmd, 'r', "l q"), -1);
    EXPECT_EQ(typed(datacmd, "l 2089 1 2 ;"), -1);
    EXPECT_THAT(output(), HasSubstr("values of l reach past the end of the workspace"));
    EXPECT_EQ(readFile("ws.bnk"), beforeBnk);
    EXPECT_EQ(readFile("ws.ind"), beforeInd);
}

// The index is always a new file renamed over the old one; the data file keeps its records
// in place. No temporary file is left beside them.
TEST_F(QaLayout, IndexIsReplacedByARenameAndRecordsStayInPlace) {
    writeText("jex.cfg", config());
    ASSERT_EQ(readstartupcfg(0), 0);
    ASSERT_EQ(typed(datacmd, "a 1990 1 ;"), 0);
    const ino_t data = inode("ws.bnk");
    struct Step {
        const char* what;
        std::function<int()> run;
    };
    const std::vector<Step> steps = {
        {"new series", [&] { return typed(datacmd, "b 1990 2 ;"); }},
        {"rename", [&] { return typed(delcmd, 'r', "b bb"); }},
        {"delete", [&] { return typed(delcmd, 'd', "a"); }},
    };
    for (const Step& step : steps) {
        const ino_t before = inode("ws.ind");
        ASSERT_NE(before, 0u);
        // Keep the old file alive under another name so that its inode cannot be reused.
        ASSERT_EQ(::link("ws.ind", "held.ind"), 0);
        ASSERT_EQ(step.run(), 0) << step.what;
        EXPECT_NE(inode("ws.ind"), before) << step.what;
        std::remove("held.ind");
        EXPECT_EQ(inode("ws.bnk"), data) << step.what;
        for (const auto& entry : std::filesystem::directory_iterator("."))
            EXPECT_THAT(entry.path().filename().string(),
                        ::testing::AnyOf("ws.bnk", "ws.ind", "jex.cfg", "input.add"))
                << step.what;
    }
    StoredBank b = readStoredBank("ws");
    ASSERT_EQ(b.order, (std::vector<std::string>{"bb"}));
    EXPECT_EQ(b.series["bb"].values[0], 2.0f);
}

// wsdump and matty replace their output file only when the command succeeds, by a rename; a
// refused command leaves an earlier file of that name untouched.
TEST_F(QaLayout, DumpAndTableFilesAreReplacedOnlyWhenComplete) {
    writeText("jex.cfg", config());
    ASSERT_EQ(readstartupcfg(0), 0);
    ASSERT_EQ(typed(datacmd, "gdp 1990 1 2 3 ;"), 0);
    writeText("old.dat", "keep\n");
    writeText("table.txt", "keep\n");
    auto text = [](const char* path) {
        Bytes b = readFile(path);
        return std::string(b.begin(), b.end());
    };

    EXPECT_EQ(typed(wsdumpcmd, "old.dat bogus"), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  invalid argument given after file name for bank dump."));
    EXPECT_EQ(text("old.dat"), "keep\n");
    EXPECT_FALSE(std::filesystem::exists("old.dat.part"));

    EXPECT_EQ(typed(wsdumpcmd, "old.dat"), 0);
    EXPECT_EQ(text("old.dat"), "data gdp\n1990          1.0          2.0          3.0\n");
    EXPECT_FALSE(std::filesystem::exists("old.dat.part"));

    // A dump that cannot be written reports it and leaves nothing behind.
    std::filesystem::create_directory("adir");
    EXPECT_EQ(typed(wsdumpcmd, "adir"), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  cannot dump bank to adir."));
    EXPECT_FALSE(std::filesystem::exists("adir.part"));
    EXPECT_TRUE(std::filesystem::is_directory("adir"));

    clearOutput();
    EXPECT_EQ(typed(mattycmd, "file table.txt 1990 1992 nosuch ;"), -1);
    EXPECT_EQ(text("table.txt"), "keep\n");
    EXPECT_EQ(typed(mattycmd, "file table.txt 1980 1992 gdp ;"), -1);
    EXPECT_EQ(text("table.txt"), "keep\n");
    EXPECT_FALSE(std::filesystem::exists("table.txt.part"));

    EXPECT_EQ(typed(mattycmd, "file table.txt 1990 1992 gdp ;"), 0);
    const std::string table = text("table.txt");
    EXPECT_THAT(table, HasSubstr("gdp"));
    EXPECT_THAT(table, HasSubstr("1990"));
    EXPECT_THAT(table, HasSubstr("3.000"));
    EXPECT_FALSE(std::filesystem::exists("table.txt.part"));
}

// Turning the cache off writes every series into a new bank beside the workspace files; when
// that fails, the cache stays on with every series and the files keep their earlier state.
TEST_F(QaLayout, CacheStaysOnWhenItCannotBeWrittenBack) {
    writeText("jex.cfg", config());
    ASSERT_EQ(readstartupcfg(0), 0);
    ASSERT_EQ(typed(datacmd, "a 1990 1 ;"), 0);
    ASSERT_EQ(typed(wscachecmd, "on"), 0);
    ASSERT_EQ(typed(datacmd, "b 1990.1 2 3 ;"), 0);
    ASSERT_EQ(typed(datacmd, "c 1990 4 ;"), 0);
    const Bytes bnk = readFile("ws.bnk"), ind = readFile("ws.ind");

    // Something in the way of the new data file.
    std::filesystem::create_directory("ws.cachepart.bnk");
    clearOutput();
    EXPECT_EQ(typed(wscachecmd, "off"), -1);
    EXPECT_THAT(output(), HasSubstr("could not be written back; the cache stays on"));
    ASSERT_NE(workspaceBank, nullptr);
    EXPECT_TRUE(workspaceBank->cacheOn());
    EXPECT_EQ(workspaceBank->seriesCount(), 3);
    EXPECT_EQ(readFile("ws.bnk"), bnk);
    EXPECT_EQ(readFile("ws.ind"), ind);
    EXPECT_FALSE(std::filesystem::exists("ws.cachepart.ind"));

    std::filesystem::remove("ws.cachepart.bnk");
    ASSERT_EQ(typed(wscachecmd, "off"), 0);
    EXPECT_FALSE(workspaceBank->cacheOn());
    const StoredBank b = readStoredBank("ws");
    ASSERT_EQ(b.order, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(b.series.at("a").values[0], 1.0f);
    EXPECT_EQ(b.series.at("b").frequency, 4);
    EXPECT_EQ(b.series.at("b").values[1], 3.0f);
    EXPECT_EQ(b.series.at("c").values[0], 4.0f);
}

// A title field with no NUL ends after 79 characters when read; a longer new title is cut
// to 79 characters and the header keeps its NUL, the rest of the file untouched.
TEST_F(QaLayout, TitlesAreEndedSafely) {
    Bytes bnk = {0xc6, 0x07, 0x01, 0x00, 0x02, 0x00};
    bnk.insert(bnk.end(), 80, 'T');
    bnk.push_back(1);
    for (float v : {1.0f, 2.0f}) {
        std::uint8_t raw[4];
        std::memcpy(raw, &v, 4);
        bnk.insert(bnk.end(), raw, raw + 4);
    }
    banktest::writeFile("t.bnk", bnk);
    banktest::writeFile("t.ind", Bytes{1, 0, 0, 0, 2, 0, 's', 0, 0});
    JexBank bank("t", "ReadWrite", 1965, 200, 1);
    ASSERT_TRUE(bank.isOpen());
    EXPECT_EQ(std::string(bank.title()), std::string(79, 'T'));
    ASSERT_NE(bank.settitle(std::string(100, 'x').c_str()), nullptr);
    EXPECT_EQ(std::string(bank.title()), std::string(79, 'x'));
    const Bytes after = readFile("t.bnk");
    ASSERT_EQ(after.size(), bnk.size());
    EXPECT_EQ(Bytes(after.begin(), after.begin() + 6), Bytes(bnk.begin(), bnk.begin() + 6));
    for (int i = 6; i < 85; ++i) ASSERT_EQ(after[i], 'x') << i;
    EXPECT_EQ(after[85], 0);
    EXPECT_EQ(Bytes(after.begin() + 86, after.end()), Bytes(bnk.begin() + 86, bnk.end()));
    EXPECT_EQ(readStoredBank("t").title, std::string(79, 'x'));
}

// zap makes the new empty workspace before letting the old one go: when ws.bnk cannot be
// created, the command fails and the old workspace, with its series, stays.
TEST_F(QaLayout, ZapThatCannotCreateKeepsTheWorkspace) {
    setWorkspaceBank(new JexBank("other", "New", 1990, 100, 1));
    ASSERT_EQ(typed(datacmd, "a 1990 1 ;"), 0);
    std::filesystem::remove("ws.bnk");
    std::filesystem::remove("ws.ind");
    std::filesystem::create_directory("ws.bnk");
    clearOutput();
    EXPECT_EQ(typed(zapcmd, "1980 1 50"), -1);
    EXPECT_THAT(output(), HasSubstr("Cannot open ws.bnk"));
    EXPECT_THAT(output(), HasSubstr("The workspace bank is unchanged."));
    ASSERT_NE(workspaceBank, nullptr);
    EXPECT_TRUE(workspaceBank->isOpen());
    EXPECT_EQ(wsBaseYear, 1990);
    EXPECT_EQ(wsMaxObs, 100);
    ASSERT_FALSE(ws("a").empty());
    EXPECT_EQ(ws("a")[0], 1.0f);
    EXPECT_EQ(typed(datacmd, "b 1990 2 ;"), 0);

    std::filesystem::remove("ws.bnk");
    EXPECT_EQ(typed(zapcmd, "1980 1 50"), 0);
    EXPECT_EQ(std::string(workspaceBank->dataPath()), "ws.bnk");
    EXPECT_EQ(wsBaseYear, 1980);
    EXPECT_EQ(readFile("ws.bnk").size(), 86u);
}

// The workspace's own files assigned read-only to a slot: every rewrite of the index or the
// header by the workspace is seen by the reader, so a name never reads another series'
// record after a deletion moved it.
TEST_F(QaLayout, ReaderOfTheWorkspaceFilesFollowsItsRewrites) {
    auto* writer = new JexBank("ws2", "New", 1990, 10, 1);
    setWorkspaceBank(writer);
    ASSERT_EQ(typed(datacmd, "a 1990 1 ;"), 0);
    ASSERT_EQ(typed(datacmd, "b 1990 2 ;"), 0);
    JexBank reader("ws2", "Read", 1965, 200, 1);
    ASSERT_TRUE(reader.isOpen());
    ASSERT_EQ(typed(datacmd, "c 1990 3 ;"), 0);
    std::vector<float> v(seriesArrayLength);
    ASSERT_EQ(reader.getser("c", v.data(), -1), 0);
    EXPECT_EQ(v[0], 3.0f);

    ASSERT_EQ(typed(delcmd, 'd', "a"), 0);  // c moves into a's record
    EXPECT_EQ(reader.getser("a", v.data(), -1), -1);
    ASSERT_EQ(reader.getser("c", v.data(), -1), 0);
    EXPECT_EQ(v[0], 3.0f);
    ASSERT_EQ(reader.getser("b", v.data(), -1), 0);
    EXPECT_EQ(v[0], 2.0f);
    ASSERT_EQ(typed(delcmd, 'r', "b bee"), 0);
    EXPECT_EQ(reader.findser("b"), -1);
    EXPECT_EQ(reader.findser("bee"), 1);
    ASSERT_NE(writer->settitle("Renamed"), nullptr);
    EXPECT_STREQ(reader.title(), "Renamed");

    // A new bank made over the same files (zap, start-up) leaves the reader empty, with the
    // new calendar, not reading old names at the old record length.
    setWorkspaceBank(nullptr);
    delete writer;
    JexBank fresh("ws2", "New", 1980, 5, 1);
    EXPECT_EQ(reader.seriesCount(), 0);
    EXPECT_EQ(reader.maxObs(), 5);
    EXPECT_EQ(reader.findser("c"), -1);
    fresh.setFreq(1);
    std::vector<float> w(seriesArrayLength, 9.0f);
    ASSERT_EQ(fresh.addser("n", w.data(), 'y'), 0);
    ASSERT_EQ(reader.getser("n", v.data(), -1), 0);
    EXPECT_EQ(reader.maxObs(), 5);
}

}  // namespace qa_layout_test
