// The compressed, hashed and directory-of-forecasts banks on fixture files built from their
// byte layouts: opening, decoding, alignment to the workspace, listing with wildcards,
// reading through fetchseries, and the refusal of damaged and truncated files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <bit>
#include <filesystem>
#include <functional>

#include "banks/compbank.h"
#include "banks/dirfor.h"
#include "banks/hashbank.h"
#include "banks/lookup.h"
#include "core/missing.h"
#include "tests/banks/other_fixtures.h"

namespace other_readers_test {

using banktest::readFile;
using banktest::writeFile;
using otherbanks::Bytes;
using otherbanks::plainRecord;
using otherbanks::scaledRecord;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class OtherBanks : public banktest::BankDirTest {
protected:
    std::vector<float> array() { return std::vector<float>(seriesArrayLength + 8, 42.0f); }

    // The compressed fixture: gdp quarterly from 1990q1 scaled by 0.01 (1000, +5, -3);
    // gnp annual plain floats 1..5 from 1987 (3 years before the workspace); gdpx annual
    // from 1992, shift 1, no decimals: 1000, +5 (counts double: 1010), the zero marker, +1.
    void makeComp() {
        otherbanks::makeCompressed(
            "cb", "  Compressed history \t",
            {{"gdp", scaledRecord(90, 0x41, 0x02, 1000, {5, -3})},
             {"gnp", plainRecord(87, 0x11, {1, 2, 3, 4, 5})},
             {"gdpx", scaledRecord(92, 0x11, 0x10, 1000, {5, 32767, 1})}});
    }
    // Four buckets: bucket 0 empty; a (97), e (101) and i (105) collide in bucket 1;
    // b (98) in bucket 2; c (99) in bucket 3.
    void makeHash() {
        otherbanks::makeHashed(
            "hb", "Hashed",
            {{},
             {{"a", plainRecord(90, 0x11, {1, 2})},
              {"e", plainRecord(91, 0x41, {5, 6, 7})},
              {"i", scaledRecord(89, 0xCC, 0x01, 10, {1, 1})}},
             {{"b", plainRecord(90, 0x11, {3})}},
             {{"c", plainRecord(90, 0x11, {4})}}});
    }
};

TEST_F(OtherBanks, PackedRecordsDecodeAndAlign) {
    makeComp();
    CompBank bank("cb");
    ASSERT_TRUE(bank.isOpen());
    EXPECT_EQ(bank.seriesCount(), 3);
    EXPECT_EQ(bank.kind(), 'c');
    EXPECT_STREQ(bank.className(), "CompBank");
    EXPECT_STREQ(bank.dataPath(), "cb.cbk");
    EXPECT_EQ(bank.baseyear(), 1925);

    auto v = array();
    ASSERT_EQ(bank.getser("gdp", v.data(), 0), 0);
    EXPECT_NEAR(v[0], 10.00, 1e-5);
    EXPECT_NEAR(v[1], 10.05, 1e-5);
    EXPECT_NEAR(v[2], 10.02, 1e-5);
    EXPECT_TRUE(ismissing(v[3]));
    EXPECT_TRUE(ismissing(v[seriesArrayLength - 1]));
    EXPECT_EQ(v[seriesArrayLength], 42.0f);  // nothing written past the array
    EXPECT_EQ(bank.freq(), 4);
    EXPECT_EQ(bank.firstMonth(), 1);

    // Starts 3 years before the workspace: loses its first 3 values.
    ASSERT_EQ(bank.getser("gnp", v.data(), 0), 0);
    EXPECT_EQ(v[0], 4.0f);
    EXPECT_EQ(v[1], 5.0f);
    EXPECT_TRUE(ismissing(v[2]));
    EXPECT_EQ(bank.freq(), 1);
    EXPECT_EQ(bank.lastEnd(), 2);

    // Starts 2 years after: missing at 0 and 1; shift 1 doubles the difference; the marker
    // gives 0 and keeps the running value.
    ASSERT_EQ(bank.getser("gdpx", v.data(), 0), 0);
    EXPECT_TRUE(ismissing(v[0]));
    EXPECT_TRUE(ismissing(v[1]));
    EXPECT_EQ(v[2], 1000.0f);
    EXPECT_EQ(v[3], 1010.0f);
    EXPECT_EQ(v[4], 0.0f);
    EXPECT_EQ(v[5], 1012.0f);
    EXPECT_EQ(bank.lastEnd(), 6);

    EXPECT_EQ(bank.getser("nothere", v.data(), 0), -1);
    EXPECT_EQ(bank.findser("gdpx"), 2);
    EXPECT_EQ(bank.findser("gd"), -1);

    std::vector<std::string> names;
    bank.collectser(names, "gdp*", 0);
    EXPECT_THAT(names, ElementsAre("gdp", "gdpx"));
    bank.collectser(names, "", 0);
    EXPECT_THAT(names, ElementsAre("gdp", "gnp", "gdpx"));
    bank.collectser(names, "g^p", 0);
    EXPECT_THAT(names, ElementsAre("gdp", "gnp"));
}

TEST_F(OtherBanks, PackedRecordWriterRoundTrips) {
    const std::vector<float> values = {12.5f, 12.75f, 0.0f, 13.0f, 11.25f};
    Bytes b = encodepackedrecord(1995, 4, 2, 0x02, values);
    ASSERT_FALSE(b.empty());
    PackedRecord r;
    ASSERT_EQ(decodepackedrecord(b.data(), b.size(), r), 0);
    ASSERT_EQ(r.values.size(), values.size());
    for (std::size_t k = 0; k < values.size(); ++k) EXPECT_NEAR(r.values[k], values[k], 1e-4);
    EXPECT_EQ(r.year, 1995);
    EXPECT_EQ(r.period, 2);
    // A step that does not fit 16 bits cannot be written.
    EXPECT_TRUE(encodepackedrecord(1995, 1, 1, 0x00, {0.0f, 40000.0f}).empty());
}

// A record position at the end of the int range lies outside any file: refused without
// reading (the position and the record's length were added in int).
TEST_F(OtherBanks, CompressedRecordPositionAtTheEndOfTheIntRange) {
    makeComp();
    Bytes cbk = readFile("cb.cbk");
    const std::size_t table = static_cast<std::size_t>(cbk[82]) | static_cast<std::size_t>(cbk[83]) << 8 |
                              static_cast<std::size_t>(cbk[84]) << 16 | static_cast<std::size_t>(cbk[85]) << 24;
    ASSERT_LT(table + 4, cbk.size());
    const std::uint8_t last[4] = {0xFE, 0xFF, 0xFF, 0x7F};  // 2147483646
    std::copy(last, last + 4, cbk.begin() + static_cast<std::ptrdiff_t>(table));
    writeFile("cb.cbk", cbk);
    clearOutput();
    CompBank bank("cb");
    EXPECT_FALSE(bank.isOpen());
    EXPECT_THAT(output(), HasSubstr("record position outside the file"));
}

TEST_F(OtherBanks, CompressedInfoAndNameFileMismatch) {
    makeComp();
    {
        CompBank bank("cb");
        clearOutput();
        bank.info(2);
        EXPECT_EQ(output(),
                  "Index file read.\nTitle of assigned bank:  Compressed history \t\n"
                  "Max observations per series 1999.\nContains 3 series.\n\r\n"
                  "This bank assigned as bank: c.\n");
    }
    Bytes cin = readFile("cb.cin");
    cin[0] = 2;
    writeFile("cb.cin", cin);
    clearOutput();
    CompBank bad("cb");
    EXPECT_FALSE(bad.isOpen());
    EXPECT_THAT(output(), HasSubstr("Warning: .cin file does not match .cbk file."));
    clearOutput();
    CompBank none("nothere");
    EXPECT_FALSE(none.isOpen());
    EXPECT_THAT(output(), HasSubstr("Cannot open nothere.cbk\r\nNo bank now assigned"));
    clearOutput();
    CompBank quiet("nothere", 1);
    EXPECT_EQ(output(), "");
}

// Damaged compressed banks: each is refused with a message or reads -1; never a crash.
TEST_F(OtherBanks, DamagedCompressedBanksAreRefused) {
    makeComp();
    const Bytes cbk = readFile("cb.cbk");
    const Bytes cin = readFile("cb.cin");
    struct Case {
        const char* what;
        std::function<void(Bytes&, Bytes&)> damage;
        bool opens;
    };
    const std::vector<Case> cases = {
        {"negative count", [](Bytes& d, Bytes&) { bytes::putI16(&d[80], -1); }, false},
        {"count past the table", [](Bytes& d, Bytes& n) { bytes::putI16(&d[80], 30000); bytes::putI16(&n[0], 30000); }, false},
        {"table outside", [](Bytes& d, Bytes&) { bytes::putI32(&d[82], 1 << 30); }, false},
        {"negative table", [](Bytes& d, Bytes&) { bytes::putI32(&d[82], -5); }, false},
        {"record outside", [](Bytes& d, Bytes&) { bytes::putI32(&d[d.size() - 4], 1 << 28); }, false},
        {"truncated data", [](Bytes& d, Bytes&) { d.resize(50); }, false},
        {"name block longer than file", [](Bytes&, Bytes& n) { bytes::putI16(&n[2], 2000); }, false},
        {"negative name block", [](Bytes&, Bytes& n) { bytes::putI16(&n[2], -3); }, false},
        {"too few names", [](Bytes&, Bytes& n) { for (std::size_t i = 4; i < n.size(); ++i) if (n[i] == 0) n[i] = 'x'; }, false},
        {"empty name file", [](Bytes&, Bytes& n) { n.clear(); }, false},
    };
    for (const auto& c : cases) {
        Bytes d = cbk, n = cin;
        c.damage(d, n);
        writeFile("cb.cbk", d);
        writeFile("cb.cin", n);
        clearOutput();
        CompBank bank("cb");
        EXPECT_EQ(bank.isOpen(), c.opens) << c.what;
        if (!c.opens) {
            EXPECT_NE(output(), "") << c.what;
        }
    }
    // A record whose frequency nibble is unknown, or whose count runs past the file, reads -1.
    for (int variant = 0; variant < 3; ++variant) {
        Bytes d = cbk;
        const std::size_t gdp = 86;  // first record
        if (variant == 0) d[gdp + 1] = 0x31;               // frequency 3
        if (variant == 1) bytes::putI16(&d[gdp + 3], 3000);  // count past the file
        if (variant == 2) bytes::putI16(&d[gdp + 3], -2);
        writeFile("cb.cbk", d);
        writeFile("cb.cin", cin);
        CompBank bank("cb");
        ASSERT_TRUE(bank.isOpen());
        auto v = array();
        EXPECT_EQ(bank.getser("gdp", v.data(), 0), -1) << variant;
        EXPECT_EQ(v[seriesArrayLength], 42.0f);
    }
}

TEST_F(OtherBanks, HashFunction) {
    EXPECT_EQ(HashBank::hashvalue("ab"), 3105);
    // A byte above 127 counts as negative: 31 * 97 + (0xE9 - 256).
    EXPECT_EQ(HashBank::hashvalue("a\xE9"), 31 * 97 - 23);
    // A negative running value wraps modulo 65536.
    EXPECT_EQ(HashBank::hashvalue("\xE9"), 65536 - 23);
}

TEST_F(OtherBanks, HashedBankWithCollisionsAndAnEmptyFirstBucket) {
    makeHash();
    HashBank bank("hb");
    ASSERT_TRUE(bank.isOpen());
    EXPECT_EQ(bank.bucketCount(), 4);
    EXPECT_EQ(bank.seriesCount(), 5);
    EXPECT_EQ(bank.kind(), 'h');
    EXPECT_EQ(bank.hash("ab"), 3105 % 4);
    auto v = array();
    for (const char* name : {"a", "e", "i"}) EXPECT_GE(bank.findser(name), 82) << name;
    EXPECT_EQ(bank.findser("m"), -1);  // bucket 1 (109 % 4) but not there
    EXPECT_EQ(bank.findser("d"), -1);  // the empty bucket 0
    ASSERT_EQ(bank.getser("e", v.data(), -1), 0);
    EXPECT_EQ(bank.freq(), 4);
    EXPECT_TRUE(ismissing(v[3]));
    EXPECT_EQ(v[4], 5.0f);
    EXPECT_EQ(v[6], 7.0f);
    // Monthly, from 1989m12, scaled with one decimal: 1.0, 1.1, 1.2; its first value falls
    // one month before the workspace.
    ASSERT_EQ(bank.getser("i", v.data(), -1), 0);
    EXPECT_EQ(bank.freq(), 12);
    EXPECT_EQ(bank.firstMonth(), 12);
    EXPECT_NEAR(v[0], 1.1f, 1e-6);
    EXPECT_NEAR(v[1], 1.2f, 1e-6);
    EXPECT_TRUE(ismissing(v[2]));
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    EXPECT_THAT(names, ElementsAre("a", "e", "i", "b", "c"));
    bank.collectser(names, "^", 0);
    EXPECT_EQ(names.size(), 5u);
    bank.collectser(names, "e*", 0);
    EXPECT_THAT(names, ElementsAre("e"));
}

TEST_F(OtherBanks, HashedCountsThatDisagree) {
    otherbanks::makeHashed("hb", "t", {{{"a", plainRecord(90, 0x11, {1})}}}, 7);
    HashBank bank("hb");
    ASSERT_TRUE(bank.isOpen());
    EXPECT_THAT(output(), HasSubstr("Warning: .hin file does not match .hbk file.\n"
                                    "Warning: # of series set to # in .hin file!\n"));
    EXPECT_EQ(bank.seriesCount(), 1);
}

TEST_F(OtherBanks, DamagedHashedBanksAreRefused) {
    makeHash();
    const Bytes hin = readFile("hb.hin");
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const std::vector<Case> cases = {
        {"no buckets", [](Bytes& h) { bytes::putU16(&h[4], 0); }},
        {"tables cut", [](Bytes& h) { h.resize(20); }},
        {"negative count", [](Bytes& h) { bytes::putI32(&h[0], -4); }},
        {"bucket past the end", [](Bytes& h) { bytes::putU32(&h[6 + 4 * 4 + 4], 100000); }},
        {"bucket inside the tables", [](Bytes& h) { bytes::putU32(&h[6 + 4 * 4 + 4], 2); }},
        {"more names than the block holds", [](Bytes& h) { bytes::putU16(&h[6 + 2], 40); }},
        {"block length too long", [](Bytes& h) { bytes::putU16(&h[6 + 8 + 2], 60000); }},
        {"empty", [](Bytes& h) { h.clear(); }},
    };
    for (const auto& c : cases) {
        Bytes h = hin;
        c.damage(h);
        writeFile("hb.hin", h);
        clearOutput();
        HashBank bank("hb");
        EXPECT_FALSE(bank.isOpen()) << c.what;
        EXPECT_NE(output(), "") << c.what;
    }
    // A record position outside the data file reads -1.
    Bytes h = hin;
    // Bucket 2 holds b; its position follows its 2-byte block.
    const std::uint32_t pos2 = bytes::getU32(&h[6 + 8 * 2 + 8]);
    bytes::putI32(&h[pos2 + 2], 1 << 29);
    writeFile("hb.hin", h);
    HashBank bank("hb");
    ASSERT_TRUE(bank.isOpen());
    auto v = array();
    EXPECT_EQ(bank.getser("b", v.data(), -1), -1);
}

// ---------------------------------------------------------------------------------------

class DirforBank : public OtherBanks {};

TEST_F(DirforBank, ListingRecordsAndCalendar) {
    otherbanks::DirforFixture fx;
    fx.write();
    Dirfor bank("fc", nullptr);
    ASSERT_TRUE(bank.isOpen()) << output();
    EXPECT_STREQ(bank.dataPath(), "fc.dfr");
    EXPECT_STREQ(bank.title(), "Forecast of the model");
    EXPECT_TRUE(bank.hasHistory());
    EXPECT_EQ(bank.forecastBaseYear(), 2000);
    EXPECT_EQ(bank.baseyear(), 1990);  // S = 2000 - 11 + 1
    EXPECT_EQ(bank.maxObs(), 16);      // 2000 + 6 - 1990
    EXPECT_EQ(bank.seriesCount(), 3 * 2 + 2 * 1 + 2);
    EXPECT_THAT(bank.bases(), ElementsAre(1, 7, 9, 9, 9, 9, 9));
    EXPECT_EQ(bank.groupRecord(0, 1, 3), 7);
    EXPECT_EQ(bank.groupRecord(1, 0, 2), 9);
    EXPECT_EQ(bank.macroRecord(1), 11);
    EXPECT_THAT(bank.macroNames(), ElementsAre("rate", "pop"));
    std::vector<std::string> names;
    bank.collectser(names, "", 0);
    EXPECT_THAT(names, ElementsAre("gdp1", "gdp2", "gdp3", "cons1", "cons2", "cons3", "inv1",
                                   "inv2", "rate", "pop"));
    bank.collectser(names, "*2", 0);
    EXPECT_THAT(names, ElementsAre("gdp2", "cons2", "inv2"));
    clearOutput();
    bank.info(3);
    EXPECT_EQ(output(),
              "Index file read.\nTitle of assigned bank:Forecast of the model\n\r\n"
              "Base year 1990.Max observations per series 16.\nContains 10 series.\n\r\n"
              "This bank assigned as bank: d.\n");
}

TEST_F(DirforBank, RecordNumbersOfTheWiderExample) {
    // A = (10, 5), B = (3, 2), Q = 2 gives C = 1, 31, 41.
    std::vector<std::int64_t> c = {1};
    const int a[] = {10, 5}, b[] = {3, 2};
    for (int i = 0; i < 2; ++i) c.push_back(static_cast<std::int64_t>(a[i]) * b[i] + c[i]);
    EXPECT_THAT(c, ElementsAre(1, 31, 41));
    EXPECT_EQ(c[0] + 2 + 3 * 3 + 1, 13);
    EXPECT_EQ(c[1] + 1 + 2 * 1 + 1, 35);
}

// History 50, 55, ..., 100 (last value for the base year 2000) and a forecast of 200, 210,
// ... from 2000: the history is scaled by 200 / 100 = 2 so that it meets the forecast.
TEST_F(DirforBank, HistorySplicesOntoTheForecastLevel) {
    otherbanks::DirforFixture fx;
    std::vector<float> forecast(25, 0.0f), history(11);
    for (int k = 0; k < 6; ++k) forecast[k] = 200.0f + 10.0f * k;
    for (int k = 0; k < 11; ++k) history[k] = 50.0f + 5.0f * k;
    fx.forecast = {{2, forecast}, {10, forecast}};  // gdp1 and the macro rate
    fx.history = {{2, history}, {10, history}};
    fx.write();
    Dirfor bank("fc", "dirfor.dat");
    ASSERT_TRUE(bank.isOpen());
    for (const char* name : {"gdp", "gdp1", "rate"}) {
        auto v = array();
        ASSERT_EQ(bank.getser(name, v.data(), -1), 0) << name;
        // 1990..1999: history x 2, 2000..2005: the forecast.
        EXPECT_EQ(v[0], 100.0f) << name;
        EXPECT_EQ(v[1], 110.0f) << name;
        EXPECT_EQ(v[9], 190.0f) << name;
        EXPECT_EQ(v[10], 200.0f) << name;
        EXPECT_EQ(v[15], 250.0f) << name;
        EXPECT_TRUE(ismissing(v[16])) << name;
        EXPECT_EQ(v[seriesArrayLength], 42.0f);
        EXPECT_EQ(bank.freq(), 1);
    }
    // A last history value of 0 leaves no level to join: the history becomes 0.
    history[10] = 0.0f;
    fx.history = {{2, history}};
    fx.write();
    Dirfor zero("fc", "dirfor.dat");
    auto v = array();
    ASSERT_EQ(zero.getser("gdp1", v.data(), -1), 0);
    EXPECT_EQ(v[3], 0.0f);
    EXPECT_EQ(v[10], 200.0f);
}

TEST_F(DirforBank, ValueFiltersAndNames) {
    otherbanks::DirforFixture fx;
    std::vector<float> forecast(25, 0.0f), history(11, 1.0f);
    forecast[0] = 500.0f;
    forecast[1] = 2e10f;  // read as 0 in a group series
    history[10] = 1.0f;
    history[2] = 2e10f;   // kept: history allows up to 1e13
    history[3] = std::bit_cast<float>(0x7FFF4455u);  // the no-value pattern
    fx.forecast = {{8, forecast}};
    fx.history = {{8, history}};
    fx.write();
    Dirfor bank("fc", nullptr);
    ASSERT_TRUE(bank.isOpen());
    auto v = array();
    ASSERT_EQ(bank.getser("inv1", v.data(), -1), 0);
    EXPECT_EQ(v[10], 500.0f);
    EXPECT_EQ(v[11], 0.0f);
    EXPECT_FLOAT_EQ(v[2], 2e10f * 500.0f);
    EXPECT_EQ(v[3], 0.0f);
    EXPECT_EQ(v[0], 500.0f);
    // Unknown stem, number past the group's numbers, a number below 1.
    EXPECT_EQ(bank.getser("nosuch1", v.data(), -1), -2);
    EXPECT_EQ(bank.getser("inv3", v.data(), -1), -2);
    EXPECT_EQ(bank.getser("inv0", v.data(), -1), -1);
}

TEST_F(DirforBank, WithoutHistoryAndMacroLayoutOne) {
    otherbanks::DirforFixture fx;
    fx.withHistory = false;
    fx.macroLayout = 1;
    fx.write();
    Dirfor bank("fc", nullptr);
    ASSERT_TRUE(bank.isOpen()) << output();
    EXPECT_THAT(output(), HasSubstr("Cannot open nohist.dhs."));
    EXPECT_FALSE(bank.hasHistory());
    EXPECT_EQ(bank.baseyear(), 2000);
    EXPECT_EQ(bank.maxObs(), 6);
    EXPECT_THAT(bank.macroNames(), ElementsAre("rate", "pop"));
    auto v = array();
    ASSERT_EQ(bank.getser("pop", v.data(), -1), 0);
    EXPECT_EQ(v[0], 1100.0f);  // record 11
    EXPECT_EQ(v[24], 1124.0f);
    EXPECT_TRUE(ismissing(v[25]));
}

TEST_F(DirforBank, FailuresAreReportedNotFatal) {
    otherbanks::DirforFixture fx;
    fx.macroFile = false;
    fx.write();
    {
        Dirfor bank("fc", nullptr);
        EXPECT_FALSE(bank.isOpen());
        EXPECT_THAT(output(), HasSubstr("Cannot open macro.nam."));
    }
    fx.macroFile = true;
    fx.write();
    clearOutput();
    {
        Dirfor bank("fc", "other.dat");
        EXPECT_FALSE(bank.isOpen());
        EXPECT_THAT(output(), HasSubstr("Cannot open other.dat."));
    }
    // A forecast file cut after the header: reads fail with their messages and -1.
    Bytes f = readFile("fc.dfr");
    f.resize(100 * 4);
    writeFile("fc.dfr", f);
    clearOutput();
    {
        Dirfor bank("fc", nullptr);
        ASSERT_TRUE(bank.isOpen());
        auto v = array();
        EXPECT_EQ(bank.getser("rate", v.data(), -1), -1);
        EXPECT_EQ(bank.getser("gdp3", v.data(), -1), -1);
        EXPECT_THAT(output(), HasSubstr("Error reading Dirfor."));
    }
    // The history file cut short: the splice fails.
    fx.write();
    Bytes h = readFile("fc.dhs");
    h.resize(44 * 3);
    writeFile("fc.dhs", h);
    clearOutput();
    {
        Dirfor bank("fc", nullptr);
        ASSERT_TRUE(bank.isOpen());
        auto v = array();
        EXPECT_EQ(bank.getser("gdp3", v.data(), -1), -1);
        EXPECT_THAT(output(), HasSubstr("Error reading Dirhis."));
    }
    // Wrong ordinal in the listing.
    std::string listing = fx.listing();
    const auto p = listing.find("stem  2");
    ASSERT_NE(p, std::string::npos);
    listing[p + 6] = '5';
    banktest::writeText("dirfor.dat", listing);
    clearOutput();
    Dirfor bad("fc", nullptr);
    EXPECT_FALSE(bad.isOpen());
    EXPECT_THAT(output(), HasSubstr("Problem in DIRFOR.DAT file! Line is:\nstem  5"));
}

TEST_F(DirforBank, DamagedListingsAndHeaders) {
    otherbanks::DirforFixture fx;
    fx.write();
    const std::string listing = fx.listing();
    auto replaceLine = [&](const std::string& startsWith, const std::string& with) {
        std::string l = listing;
        const auto p = l.find(startsWith);
        const auto e = l.find('\n', p);
        return l.replace(p, e - p, with);
    };
    const std::vector<std::string> bad = {
        "",
        replaceLine("6 groups", "13 groups"),
        replaceLine("6 groups", "0 groups"),
        replaceLine("Floats a record:", "Floats a record:  0"),
        replaceLine("Floats a record:", "Floats a record:   x"),
        replaceLine("History years:", "History years:   -5"),
        replaceLine("stems", "stems           500"),
        replaceLine("Group  2", "Group  9"),
        listing.substr(0, 40),
    };
    for (const auto& text : bad) {
        banktest::writeText("dirfor.dat", text);
        clearOutput();
        Dirfor bank("fc", nullptr);
        EXPECT_FALSE(bank.isOpen()) << text;
        EXPECT_NE(output(), "") << text;
    }
    // Header with more forecast years than a record holds.
    banktest::writeText("dirfor.dat", listing);
    Bytes f = readFile("fc.dfr");
    bytes::putU16(&f[100 + 4], 30);
    writeFile("fc.dfr", f);
    clearOutput();
    Dirfor bank("fc", nullptr);
    EXPECT_FALSE(bank.isOpen());
    EXPECT_THAT(output(), HasSubstr("damaged"));
    // A forecast file too short for its header.
    f.resize(120);
    writeFile("fc.dfr", f);
    clearOutput();
    Dirfor cut("fc", nullptr);
    EXPECT_FALSE(cut.isOpen());
    EXPECT_THAT(output(), HasSubstr("Error reading Dirfor."));
}

// Through the slots and fetchseries: bank letters and the search of find mode 'a'.
TEST_F(OtherBanks, FetchseriesReadsEveryKind) {
    makeComp();
    makeHash();
    otherbanks::DirforFixture fx;
    fx.write();
    bankSlots[1] = new CompBank("cb");
    bankTypes[1] = 'c';
    bankSlots[2] = new HashBank("hb");
    bankTypes[2] = 'h';
    bankSlots[3] = new Dirfor("fc", nullptr);
    bankTypes[3] = 'd';
    assignedBankCount = 3;
    setWorkspaceBank(new JexBank("ws", "New", 1990, 100, 1, 1));
    char* none = nullptr;
    auto v = array();
    ASSERT_EQ(fetchseries("b.gdp", v.data(), none, nullptr, 0), 0);
    EXPECT_NEAR(v[1], 10.05, 1e-5);
    EXPECT_EQ(currentFrequency, 4);
    EXPECT_EQ(lastSupplierBank, bankSlots[1]);
    ASSERT_EQ(fetchseries("c.e", v.data(), none, nullptr, 0), 0);
    EXPECT_EQ(v[4], 5.0f);
    ASSERT_EQ(fetchseries("d.cons2", v.data(), none, nullptr, 0), 0);
    EXPECT_EQ(v[10], 500.0f);  // record 5, first forecast value at entry 10
    EXPECT_EQ(fetchseries("b.nothere", v.data(), none, nullptr, 0), -1);
    findMode = 'a';
    ASSERT_EQ(fetchseries("gdpx", v.data(), none, nullptr, 0), 0);
    EXPECT_EQ(v[3], 1010.0f);
    ASSERT_EQ(fetchseries("i", v.data(), none, nullptr, 0), 0);
    EXPECT_EQ(lastSupplierBank, bankSlots[2]);
}

}  // namespace

}  // namespace other_readers_test
