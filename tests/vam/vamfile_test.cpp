// Opening a Vam bank: the info lines, the element tables, and damaged files refused.
#include "tests/vam/vam_fixture.h"

namespace vamfile_test {

using ::testing::HasSubstr;
using namespace vamtest;

namespace {

class VamOpen : public VamTest {};

TEST_F(VamOpen, OpensWithItsTables) {
    create(modelConfig);
    clearOutput();
    ASSERT_EQ(typed(bankcmd, 'v', "hist b"), 0);
    EXPECT_EQ(output(),
              "Found 0 static groups.\nIndex file read.\nTitle of assigned bank: \n\r\n"
              "Base year 1990.Max observations per series 6.\nContains 10 series.\n\r\n"
              "This bank assigned as bank: b.\n");
    EXPECT_EQ(bankTypes[1], 'v');
    auto* v = dynamic_cast<VamFile*>(bankSlots[1]);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->elementCount(), 2);
    EXPECT_EQ(v->findser("am"), 1);
    EXPECT_EQ(v->findser("AM"), -1);
    EXPECT_EQ(v->offsetOf(1), 10);
    EXPECT_EQ(v->typeOf(2), 0);
    EXPECT_EQ(v->eltype(2), -1);
    EXPECT_EQ(v->rows(1), 10);
    EXPECT_EQ(v->periodCount(), 6);
    EXPECT_EQ(v->freq(), 1);
    // dvam, then close: the slot is free again and the default forgotten.
    ASSERT_EQ(typed(dvamcmd, "b"), 0);
    EXPECT_EQ(defaultVamBank, 1);
    EXPECT_EQ(typed(closecmd, "b"), 0);
    EXPECT_EQ(bankTypes[1], ' ');
    EXPECT_EQ(defaultVamBank, -1);
}

TEST_F(VamOpen, OpeningEmptiesTheDynamicGroup) {
    create(modelConfig);
    dynamicGroupElements = {1, 2, 3};
    ASSERT_NE(open(), nullptr);
    EXPECT_TRUE(dynamicGroupElements.empty());
}

// A healthy bank's bytes changed one way each: every one must be refused with the message,
// and never crash.
TEST_F(VamOpen, DamagedBanksAreRefused) {
    create(modelConfig);
    const auto good = readFile("hist.vam");
    auto with = [&](std::size_t at, const std::vector<std::uint8_t>& patch) {
        return patched(good, at, patch);
    };
    auto f32 = [](float v) {
        std::vector<std::uint8_t> b(4);
        bytes::putF32(b.data(), v);
        return b;
    };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"empty file", {}},
        {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 102)},
        {"tables cut", std::vector<std::uint8_t>(good.begin(), good.begin() + 200)},
        {"last record cut", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
        {"N negative", with(16, {0xff, 0xff})},
        {"N over 999", with(16, {0xe8, 0x03})},
        {"N one more", with(16, {3, 0})},
        {"S one more", with(18, {6, 0})},
        {"P claims a slot", with(20, {1, 0})},
        {"F wrong", with(8, {111, 0, 0, 0})},
        {"data offset wrong", with(12, {0x00, 0x01, 0, 0})},
        {"first name offset", with(102, {1, 0})},
        {"offsets falling", with(104, {6, 0})},
        {"size not rows x columns", with(108, {11, 0, 0, 0})},
        {"zero rows", with(116, {0, 0})},
        {"type unknown", with(128, {'q'})},
        {"packed without a slot", with(129, {'p'})},
        {"name without its NUL", with(131, {'y'})},
        {"NUL inside a name", with(132, {0})},
        {"last date before first", with(4, f32(1989))},
        {"dates of two frequencies", with(4, f32(1995.2f))},
        {"date not a number", with(0, {0xff, 0xff, 0xff, 0x7f})},
    };
    for (const Case& c : cases) {
        writeFile("bad.vam", c.file);
        clearOutput();
        VamFile v("bad");
        EXPECT_FALSE(v.isOpen()) << c.what;
        EXPECT_EQ(v.kind(), 'x') << c.what;
        EXPECT_THAT(output(), HasSubstr("Cannot open bad.vam.")) << c.what;
        EXPECT_EQ(readFile("bad.vam"), c.file) << c.what;  // a refused file is left alone
    }
    clearOutput();
    EXPECT_EQ(typed(bankcmd, 'v', "nosuch c"), -1);
    EXPECT_THAT(output(), HasSubstr("Cannot open nosuch.vam.\nUnable to open nosuch as assigned bank c."));
}

// The series count is the values of the one-column elements, not cut to 16 bits, and the
// title always ends inside its field.
TEST_F(VamOpen, LargeCountsAndAnUnendedTitle) {
    create("1990 1990\nbig 40000 1 0 r.txt\nrow 1 5 0 r.txt c.txt\n");
    auto b = readFile("hist.vam");
    for (int k = 22; k < 102; ++k) b[k] = 'T';
    writeFile("hist.vam", b);
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->totalSeries(), 40000);
    EXPECT_EQ(std::strlen(v->vamTitle()), 79u);
    clearOutput();
    v->info(2);
    EXPECT_THAT(output(), HasSubstr("Contains 40000 series."));
}

TEST_F(VamOpen, BackslashPaths) {
    std::filesystem::create_directory("sub");
    create(modelConfig, "sub\\hist");
    ASSERT_EQ(typed(bankcmd, 'v', "sub\\hist c"), 0);
    auto* v = dynamic_cast<VamFile*>(bankSlots[2]);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->directory(), (std::filesystem::current_path() / "sub").string());
}

// A name pool past 32,767 bytes: the offsets are unsigned.
TEST_F(VamOpen, NamePoolBeyondSignedSixteenBits) {
    std::string cfg = "1990 1990\n";
    for (int k = 0; k < 500; ++k) cfg += "v" + std::string(64, 'a') + std::to_string(1000 + k) + " 1 1 0 r.txt\n";
    create(cfg);
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->elementCount(), 500);
    EXPECT_EQ(v->findser(("v" + std::string(64, 'a') + "1499").c_str()), 499);
    EXPECT_GT(bytes::getU16(readFile("hist.vam").data() + 18), 32767);
}

// Titles: the lines of the file, then "n;n" for the ones it lacks.
TEST_F(VamOpen, TitleFiles) {
    create(modelConfig);
    writeText("rows.txt", "first\nsecond\nthird\n");
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    std::vector<std::string> titles;
    ASSERT_EQ(v->readTitleFile("rows.txt", titles, 5), 0);
    EXPECT_EQ(titles, (std::vector<std::string>{"first", "second", "third", "4;4", "5;5"}));
    clearOutput();
    ASSERT_EQ(v->readTitleFile("none.txt", titles, 2), 0);
    EXPECT_EQ(titles, (std::vector<std::string>{"1;1", "2;2"}));
    EXPECT_EQ(output(), "Cannot open none.txt for reading.\n");
    EXPECT_EQ(v->readTitleFile("rows.txt", titles, 0), -1);
    EXPECT_TRUE(titles.empty());
}

// With the advanced Vam mode the bank's companion <stem>.bnk supplies the series the bank
// does not hold; in the simple mode it is not opened.
TEST_F(VamOpen, CompanionBank) {
    create(modelConfig);
    banktest::makeNamedBank("hist", {{"gdp", 5}});
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->totalSeries(), 11);
    std::vector<float> s(seriesArrayLength);
    EXPECT_EQ(v->getser("gdp", s.data(), -1), 0);
    EXPECT_EQ(s[0], 5);
    vamMode = 's';
    v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->getser("gdp", s.data(), -1), -1);
}

}  // namespace

}  // namespace vamfile_test
