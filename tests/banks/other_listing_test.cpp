// The listing and mode commands (lb, listnames, btitle, wsi, dfreq, vammode, wrindex,
// yearformat, show) and the workspace cache and dump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "banks/compbank.h"
#include "banks/dirfor.h"
#include "banks/hashbank.h"
#include "banks/listing_commands.h"
#include "banks/other_commands.h"
#include "core/missing.h"
#include "interp/commandloop.h"
#include "interp/strings.h"
#include "series/series_state.h"
#include "tests/banks/command_test_util.h"
#include "tests/banks/other_fixtures.h"

namespace other_listing_test {

using otherbanks::plainRecord;
using otherbanks::scaledRecord;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class Listing : public banktest::BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        resetlistingstate();
        resetseriesstate();
        stringStore.reset();
    }
    void TearDown() override {
        resetlistingstate();
        resetseriesstate();
        stringStore.reset();
        if (saveFile) std::fclose(saveFile);
        saveFile = nullptr;
        saveOn = 'n';
        BankCmdTest::TearDown();
    }
    void put(int slot, DataBank* bank, char kind) {
        ASSERT_TRUE(bank->isOpen()) << output();
        bankSlots[slot] = bank;
        bankTypes[slot] = kind;
        ++assignedBankCount;
    }
    void addws(const char* name, std::vector<float> values, int freq = 1) {
        values.resize(1999, MISSING);
        workspaceBank->setFreq(freq);
        workspaceBank->addser(name, values.data(), 'y');
    }
    void threeBanks() {
        otherbanks::makeCompressed("cb", "  Compressed \t", {
            {"gdp", scaledRecord(90, 0x41, 0x02, 1000, {5, -3})},
            {"gnp", plainRecord(87, 0x11, {1, 2, 3})},
            {"gdpx", plainRecord(90, 0x11, {1})}});
        otherbanks::makeHashed("hb", "", {{}, {{"a", plainRecord(90, 0x11, {1})}}});
        banktest::makeNamedBank("wb", {{"x", 1}});
        put(0, new CompBank("cb", 1), 'c');
        put(2, new HashBank("hb", 1), 'h');
        put(3, new JexBank("wb", "Read", 1965, 200, 1, 1), 'w');
        clearOutput();
    }
};

TEST_F(Listing, ListBanks) {
    EXPECT_EQ(typed(listbankscmd, ""), 0);
    EXPECT_EQ(output(), " There currently are 0 assigned banks.\n");
    otherbanks::makeCompressed("cb", "  Compressed \t", {{"gdp", plainRecord(90, 0x11, {1})}});
    put(1, new CompBank("cb", 1), 'c');
    clearOutput();
    EXPECT_EQ(typed(listbankscmd, ""), 0);
    EXPECT_EQ(output(), " There currently is 1 assigned bank.\n"
                        "Bank b: \"Compressed,\" cb.cbk, Type: cbk \n");
    threeBanks();
    EXPECT_EQ(typed(listbankscmd, ""), 0);
    EXPECT_EQ(output(), " There currently are 4 assigned banks.\n"
                        "Bank a: \"Compressed,\" cb.cbk, Type: cbk \n"
                        "Bank b: \"Compressed,\" cb.cbk, Type: cbk \n"
                        "Bank c: \"Untitled,\" hb.hbk, Type: hbk \n"
                        "Bank d: \"Untitled,\" wb.bnk, Type: bnk \n");
}

TEST_F(Listing, ListNamesWithWildcardsColumnsAndSorting) {
    threeBanks();
    EXPECT_EQ(typed(listnamescmd, 1, "a gdp*"), 0);
    EXPECT_EQ(output(), "gdp            gdpx           \n");
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 0, "0"), 0);
    EXPECT_EQ(output(), "gdp\ngnp\ngdpx\n\n");
    for (const char* n : {"zeta", "alpha", "Mid", "averyveryverylongname", "b5", "c6"}) addws(n, {1});
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 1, "ws"), 0);
    EXPECT_EQ(output(), "zeta           alpha          Mid            averyveryverylongnameb5             \n"
                        "c6             \n");
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 0, "-s ws"), 0);
    EXPECT_EQ(output(), "Mid\nalpha\naveryveryverylongname\nb5\nc6\nzeta\n\n");
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 0, "-s -r w ^^"), 0);
    EXPECT_EQ(output(), "c6\nb5\n\n");
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 0, "-sr ws *a*"), 0);
    EXPECT_EQ(output(), "zeta\naveryveryverylongname\nalpha\n\n");
}

TEST_F(Listing, ListNamesIntoStringVariables) {
    addws("x", {1});
    addws("y", {2});
    EXPECT_EQ(typed(listnamescmd, 1, "-l nm ws *"), 0);
    EXPECT_EQ(output(), "");
    std::string v;
    EXPECT_EQ(stringStore.value("nm1", v), 0);
    EXPECT_EQ(v, "x");
    EXPECT_EQ(stringStore.value("nm2", v), 0);
    EXPECT_EQ(v, "y");
    EXPECT_FALSE(stringStore.has("nm3"));
    EXPECT_EQ(typed(listnamescmd, 1, "-l"), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  'l' option given, and so a valid root name is required in listnames routine."));
}

TEST_F(Listing, ListNamesErrorsAndTheSaveFile) {
    threeBanks();
    EXPECT_EQ(typed(listnamescmd, 1, "-q ws"), -1);
    EXPECT_EQ(output(), "Error:  in listnames command, option is not recognized.\n");
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 1, "e"), -1);
    EXPECT_EQ(output(), "No bank assigned to position e.\n");
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 1, "5"), -1);
    EXPECT_EQ(output(), "\r\nThe format is \r\n listnames <ws | location> [wildcard]\n \r\n The bank must be between 'a' and 'z'\n");
    // With the save file open the header and the names go there only.
    saveFile = std::fopen("save.txt", "w");
    saveOn = 'y';
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 1, "a g*"), 0);
    EXPECT_EQ(typed(listnamescmd, 0, "w"), 0);
    EXPECT_EQ(typed(listnamescmd, 0, "a nomatch*"), 0);
    std::fclose(saveFile);
    saveFile = nullptr;
    saveOn = 'n';
    EXPECT_EQ(output(), "");
    const auto text = banktest::readFile("save.txt");
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "\n# Series names list for assigned bank a:  cb.cbk\n"
              "gdp            gnp            gdpx           \n"
              "\n\n");
}

TEST_F(Listing, BtitleOfWorkspaceAndLetteredBanks) {
    threeBanks();
    otherbanks::DirforFixture fx;
    fx.write();
    put(4, new Dirfor("fc", nullptr), 'd');
    // A workspace-format bank with first month 4.
    { JexBank b("q", "New", 1980, 50, 4, 1); }
    put(5, new JexBank("q", "Read", 1965, 200, 1, 1), 'w');
    clearOutput();
    EXPECT_EQ(typed(btitlecmd, "a"), 0);
    EXPECT_EQ(output(), "Title:   Compressed \t\nBase year 1925; first month covered 1.\n"
                        "Max observations per series 1999.\nContains 3 series.\n");
    EXPECT_THAT(std::vector<int>(bankInfo, bankInfo + 4), ElementsAre(1925, 1, 1999, 3));
    // The compressed bank's frequency field holds 4 after reading a quarterly series: the
    // title block still shows first month 1.
    std::vector<float> v(1999);
    bankSlots[0]->getser("gdp", v.data(), -1);
    ASSERT_EQ(bankSlots[0]->freq(), 4);
    clearOutput();
    typed(btitlecmd, "a");
    EXPECT_THAT(output(), HasSubstr("first month covered 1."));
    clearOutput();
    typed(btitlecmd, "e");
    EXPECT_EQ(output(), "Title: Forecast of the model\nBase year 1990; first month covered 1.\n"
                        "Max observations per series 16.\nContains 10 series.\n");
    clearOutput();
    typed(btitlecmd, "f");
    EXPECT_THAT(output(), HasSubstr("Base year 1980; first month covered 4."));
    clearOutput();
    EXPECT_EQ(typed(btitlecmd, "z"), -1);
    EXPECT_EQ(output(), "Bank 25 not assigned.\n");
    clearOutput();
    EXPECT_EQ(typed(btitlecmd, "5"), -1);
    EXPECT_EQ(output(), "Format is: btitle <a | w>\n");

    addws("s", {1});
    clearOutput();
    EXPECT_EQ(typed(btitlecmd, "w New title"), 0);
    EXPECT_EQ(output(), "Title: Untitled\nBase year 1990; first month covered 1.\n"
                        "Max observations per series 100.\nContains 1 series.\n");
    EXPECT_STREQ(workspaceBank->title(), "New title");
    EXPECT_EQ(wsSeriesCount, 1);
    clearOutput();
    EXPECT_EQ(typed(btitlecmd, "w x"), 0);
    EXPECT_THAT(output(), HasSubstr("Title: New title\n"));
    EXPECT_STREQ(workspaceBank->title(), "New title");
}

// A bank that is only a name: stands for a Vam bank in the slot tables.
class VamStandIn : public DataBank {
public:
    VamStandIn() : DataBank("m.vam") {
        dataPath_ = "m.vam";
        status_ = 1;
    }
    std::int16_t getser(const char*, float*, std::int16_t) override { return -1; }
    std::int16_t collectser(std::vector<std::string>& l, const char*, std::int16_t) override {
        l = {"beta", "Alpha", "gamma"};
        return 0;
    }
    std::int16_t show(const char* name, int slot, std::FILE*) override {
        shown = std::string(name) + "@" + std::to_string(slot);
        return 0;
    }
    std::string shown;
};

TEST_F(Listing, VamBanksInTheListings) {
    auto* vam = new VamStandIn;
    put(1, vam, 'v');
    clearOutput();
    EXPECT_EQ(typed(btitlecmd, "b"), -1);
    EXPECT_EQ(output(), "\nWarning:  the \"btitle\" command is for macro banks.  To see\n"
                        "the title of a Vam file, or to set the title of the default\n"
                        "Vam file, use the \"vtitle\" command instead.\n\n");
    EXPECT_THAT(screen.platform.boxes, ElementsAre("[Warning] Warning:  Problem with \"btitle\" usage."));
    clearOutput();
    EXPECT_EQ(typed(listnamescmd, 0, "-sv b"), 0);
    EXPECT_EQ(output(), "Alpha\nbeta\ngamma\n\n");
    EXPECT_EQ(typed(showcmd, "b.mat1"), 0);
    EXPECT_EQ(vam->shown, "mat1@1");
    defaultVamBank = 1;
    EXPECT_EQ(typed(showcmd, "vec"), 0);
    EXPECT_EQ(vam->shown, "vec@1");
    std::vector<std::string> lines = {"b", "C", "a"};
    std::sort(lines.begin(), lines.end(), comparetextdescending);
    EXPECT_THAT(lines, ElementsAre("C", "b", "a"));
}

TEST_F(Listing, WsiFindmodeDfreqAndSwitches) {
    EXPECT_EQ(typed(wsicmd, ""), 0);
    EXPECT_EQ(output(), "Index file read.\nTitle of assigned bank:Untitled\nBase year 1990; first month covered 1\n"
                        "Max observations per series 100.\nContains 0 series.\n");
    clearOutput();
    EXPECT_EQ(typed(findmodecmd, "a"), 0);
    EXPECT_EQ(findMode, 'a');
    EXPECT_EQ(output(), "");
    EXPECT_EQ(typed(findmodecmd, "3"), 27);

    clearOutput();
    EXPECT_EQ(typed(dfreqcmd, "5"), -1);
    EXPECT_EQ(output(), "\n.incorrect frequency 5\n");
    EXPECT_EQ(typed(dfreqcmd, "12"), 0);
    EXPECT_EQ(defaultFrequency, 12);
    clearOutput();
    EXPECT_EQ(typed(dfreqcmd, ""), 0);
    EXPECT_EQ(output(), "\ndefault frequncy: 12\n");
    clearOutput();
    EXPECT_EQ(typed(dfreqcmd, "x"), -1);
    EXPECT_EQ(output(), "\ndfreq format: dfreq [0|1|2|4|6|12]\n");

    clearOutput();
    EXPECT_EQ(typed(vammodecmd, "s"), 0);
    EXPECT_EQ(vamMode, 's');
    EXPECT_EQ(typed(vammodecmd, ""), 0);
    EXPECT_THAT(output(), HasSubstr("vammode is now s(imple).\n"));
    EXPECT_EQ(typed(vammodecmd, "q"), -1);

    clearOutput();
    EXPECT_EQ(typed(wrindexcmd, "n"), 0);
    EXPECT_EQ(writeIndexMode, 'n');
    EXPECT_EQ(output(), "\r\nCaution: the ws.ind file is NOT being written when a variable is added.\n"
                        "It will be written if you do \"q\" or \"wri y\".\n");
    clearOutput();
    EXPECT_EQ(typed(wrindexcmd, "y"), 0);
    EXPECT_EQ(writeIndexMode, 'y');
    EXPECT_EQ(typed(wrindexcmd, "1"), -1);

    for (auto [line, style] : std::vector<std::pair<const char*, char>>{{"2", '2'}, {"3", '3'}, {"9", '4'}, {"", '4'}}) {
        yearFormat = 'x';
        EXPECT_EQ(typed(yearformatcmd, line), 0);
        EXPECT_EQ(yearFormat, style) << line;
    }

    clearOutput();
    EXPECT_EQ(typed(showcmd, "b.x"), -1);
    EXPECT_EQ(output(), "Bank b not assigned.\n");
    threeBanks();
    EXPECT_EQ(typed(showcmd, "a.x"), -1);
    EXPECT_EQ(output(), "The show command can be used only with Vam banks.\n");
    clearOutput();
    EXPECT_EQ(typed(showcmd, "5"), -1);
    EXPECT_EQ(output(), "No vector or matrix name in show command.\n");
}

// ---------------------------------------------------------------------------------------

class Dump : public Listing {
protected:
    // Runs a file of commands through the command loop.
    void run(const char* file) {
        std::FILE* f = std::fopen(file, "r");
        ASSERT_NE(f, nullptr);
        keyboardInput = 'n';
        commandloop(&f);
        if (f) std::fclose(f);
    }
    std::string text(const char* file) {
        const auto b = banktest::readFile(file);
        return std::string(b.begin(), b.end());
    }
};

TEST_F(Dump, TrimsEndsAndFormats) {
    std::vector<float> b(100, 0.0f);
    for (int i = 1; i <= 5; ++i) b[i] = static_cast<float>(i) * 1.25f;
    addws("b", b);
    addws("zero", std::vector<float>(100, 0.0f));
    addws("c", {MISSING, 3.0f, MISSING, 4.5f, 0.0f});
    EXPECT_EQ(typed(wsdumpcmd, "out.txt"), 0);
    EXPECT_EQ(text("out.txt"),
              "data b\n1991          1.2          2.5          3.8          5.0          6.2\n"
              "data c\n1991          3.0            ?          4.5\n");
    decs = 3;
    decsGiven = 1;
    width = 8;
    widthGiven = 1;
    obsPerLine = 2;
    obsPerLineGiven = 1;
    EXPECT_EQ(typed(wsdumpcmd, "\"out 2.txt\""), 0);
    EXPECT_EQ(text("out 2.txt"),
              "data b\n1991    1.250    2.500\n1993    3.750    5.000\n1995    6.250\n"
              "data c\n1991    3.000        ?\n1993    4.500\n");
    // A print-date range: whole years, nothing trimmed.
    printDateRange[0] = JexDate(static_cast<std::int16_t>(1990), 1, 0, 1);
    printDateRange[1] = JexDate(static_cast<std::int16_t>(1991), 1, 0, 1);
    obsPerLineGiven = 0;
    EXPECT_EQ(typed(wsdumpcmd, "r.txt t"), 0);
    EXPECT_EQ(text("r.txt"),
              "data b\n1990    0.000    1.250\ndata zero\n1990    0.000    0.000\n"
              "data c\n1990        ?    3.000\n");
    EXPECT_EQ(typed(wsdumpcmd, "5"), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  invalid file name given for bank dump.\n"));
    EXPECT_EQ(typed(wsdumpcmd, "x.txt 5"), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  invalid argument given after file name for bank dump.\n"));
    EXPECT_EQ(typed(wsdumpcmd, "\"nodir/x.txt\""), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  cannot dump bank to nodir/x.txt.\n"));
}

// The dump run again on a new workspace gives back every series to the dump's decimals,
// interior missing values included.
TEST_F(Dump, RunsBackIntoANewWorkspace) {
    std::vector<float> a(100), q(100), m(100, MISSING);
    for (int i = 0; i < 100; ++i) a[i] = 100.0f + 3.14159f * static_cast<float>(i);
    a[7] = MISSING;
    a[8] = MISSING;
    a[50] = 0.0f;
    for (int i = 0; i < 100; ++i) q[i] = (i % 5 == 0) ? MISSING : -2.5f * static_cast<float>(i);
    for (int i = 20; i < 40; ++i) m[i] = 0.001f * static_cast<float>(i);
    addws("a", a);
    addws("q", q, 4);
    addws("m", m, 12);
    decs = 4;
    decsGiven = 1;
    widthGiven = 0;
    obsPerLine = 7;
    obsPerLineGiven = 1;
    ASSERT_EQ(typed(wsdumpcmd, "dump.add"), 0);

    delete workspaceBank;
    setWorkspaceBank(new JexBank("ws2", "New", 1990, 100, 1));
    run("dump.add");
    ASSERT_EQ(workspaceBank->seriesCount(), 3) << output();
    for (const auto& [name, values, freq] :
         std::vector<std::tuple<const char*, std::vector<float>, int>>{{"a", a, 1}, {"q", q, 4}, {"m", m, 12}}) {
        std::vector<float> got(1999);
        ASSERT_EQ(workspaceBank->getser(name, got.data(), -1), 0) << name;
        EXPECT_EQ(workspaceBank->freq(), freq) << name;
        // The leading and trailing missing values and zeros are trimmed: they read as missing.
        int first = 0, last = 99;
        auto empty = [](float x) { return ismissing(x) || std::fabs(x) < 1e-7f; };
        while (empty(values[first])) ++first;
        while (empty(values[last])) --last;
        for (int i = 0; i < 100; ++i) {
            if (i < first || i > last || ismissing(values[i])) {
                EXPECT_TRUE(ismissing(got[i])) << name << " " << i << " " << got[i];
            } else {
                EXPECT_NEAR(got[i], values[i], 0.00005 + 1e-6 * std::fabs(values[i])) << name << " " << i;
            }
        }
    }
}

TEST_F(Dump, CacheOnAndOff) {
    EXPECT_EQ(typed(wscachecmd, ""), 0);
    EXPECT_EQ(output(), "Cache setting:  no.\n");
    addws("m", {1, 2});
    addws("c", {3, 4});
    ASSERT_EQ(typed(wscachecmd, "yes"), 0);
    EXPECT_TRUE(workspaceBank->cacheOn());
    EXPECT_EQ(workspaceBank->seriesCount(), 2);
    addws("x", {5, 6});
    addws("a", {7, 8}, 4);
    EXPECT_EQ(workspaceBank->seriesCount(), 4);
    clearOutput();
    EXPECT_EQ(typed(wscachecmd, ""), 0);
    EXPECT_EQ(output(), "Cache setting:  yes.\n");
    // The files keep the state they had when the cache was turned on.
    {
        JexBank disk("ws", "Read", 1965, 200, 1, 1);
        EXPECT_EQ(disk.seriesCount(), 2);
    }
    ASSERT_EQ(typed(wscachecmd, "off"), 0);
    EXPECT_FALSE(workspaceBank->cacheOn());
    JexBank disk("ws", "Read", 1965, 200, 1, 1);
    ASSERT_EQ(disk.seriesCount(), 4);
    EXPECT_STREQ(disk.nameAt(0), "a");
    EXPECT_STREQ(disk.nameAt(1), "c");
    EXPECT_STREQ(disk.nameAt(2), "m");
    EXPECT_STREQ(disk.nameAt(3), "x");
    EXPECT_EQ(disk.findser("x"), 3);
    std::vector<float> v(1999);
    ASSERT_EQ(disk.getser("a", v.data(), -1), 0);
    EXPECT_EQ(disk.freq(), 4);
    EXPECT_EQ(v[1], 8.0f);
    ASSERT_EQ(workspaceBank->getser("x", v.data(), -1), 0);
    EXPECT_EQ(v[0], 5.0f);
    EXPECT_EQ(typed(wscachecmd, "maybe"), -1);
}

}  // namespace

}  // namespace other_listing_test
