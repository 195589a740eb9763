// vamcreate: the .vam, .glb and .rsz files byte by byte, the directives, the refusals, and
// an existing bank kept whole when the configuration is wrong.
#include "tests/vam/vam_fixture.h"

namespace vamcreate_test {

using ::testing::HasSubstr;
using namespace vamtest;

namespace {

class VamCreate : public VamTest {};

std::vector<std::uint8_t> hex(std::initializer_list<int> v) {
    return std::vector<std::uint8_t>(v.begin(), v.end());
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) {
    if (at + n > b.size()) return {};
    return std::vector<std::uint8_t>(b.begin() + at, b.begin() + at + n);
}

TEST_F(VamCreate, ModelBankByteByByte) {
    create(modelConfig);
    const auto b = readFile("hist.vam");
    ASSERT_EQ(b.size(), 2895u);
    EXPECT_EQ(slice(b, 0, 22), hex({0x00, 0xc0, 0xf8, 0x44, 0x00, 0x60, 0xf9, 0x44, 0x6e, 0, 0, 0,
                                    0xff, 0, 0, 0, 0x02, 0, 0x05, 0, 0, 0}));
    EXPECT_EQ(slice(b, 22, 80), std::vector<std::uint8_t>(80, 0));  // empty title
    EXPECT_EQ(slice(b, 102, 6), hex({0, 0, 2, 0, 5, 0}));           // name offsets
    EXPECT_EQ(slice(b, 108, 8), hex({10, 0, 0, 0, 100, 0, 0, 0}));  // sizes
    EXPECT_EQ(slice(b, 116, 4), hex({10, 0, 10, 0}));                // rows
    EXPECT_EQ(slice(b, 120, 4), hex({1, 0, 10, 0}));                 // columns
    EXPECT_EQ(slice(b, 124, 4), hex({0, 0, 0, 0}));                  // lags
    EXPECT_EQ(slice(b, 128, 2), hex({0x76, 0x6d}));                  // types v m
    EXPECT_EQ(slice(b, 130, 5), hex({0x78, 0, 0x61, 0x6d, 0}));      // pool
    // Title-file fields of 30 bytes padded with NUL: rows.txt twice, then "" and cols.txt.
    std::vector<std::uint8_t> stubs(120, 0);
    for (int at : {0, 30}) std::memcpy(stubs.data() + at, "rows.txt", 8);
    std::memcpy(stubs.data() + 90, "cols.txt", 8);
    EXPECT_EQ(slice(b, 135, 120), stubs);
    EXPECT_EQ(slice(b, 255, 2640), std::vector<std::uint8_t>(2640, 0));  // six records of 110
    const auto glb = readFile("model.glb");
    EXPECT_EQ(std::string(glb.begin(), glb.end()), "GLOBAL Vector x;\nGLOBAL Matrix am;\n");
    const auto rsz = readFile("model.rsz");
    EXPECT_EQ(std::string(rsz.begin(), rsz.end()), "x.r(\"x\");\nam.r(\"am\");\n");
}

TEST_F(VamCreate, PackedElementTakesASlotAndNoRoom) {
    create(packedConfig);
    const auto b = readFile("hist.vam");
    ASSERT_EQ(b.size(), 311u);
    EXPECT_EQ(bytes::getI16(b.data() + 20), 1);   // P
    EXPECT_EQ(bytes::getI32(b.data() + 8), 3);    // F
    EXPECT_EQ(bytes::getI32(b.data() + 12), 287); // data offset
    std::vector<std::uint8_t> slot(32, 0);
    slot[0] = 0x20;
    EXPECT_EQ(slice(b, 102, 32), slot);
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->typeOf(1), 'p');
    EXPECT_EQ(v->lagsOf(1), 0);
    EXPECT_EQ(v->offsetOf(1), 3);
    EXPECT_STREQ(v->packedFileName(0), " ");
}

TEST_F(VamCreate, Directives) {
    create("1990 1991\n@missing = MISSING\nx 2 1 0 rows.txt\n");
    auto b = readFile("hist.vam");
    ASSERT_GE(b.size(), 4u);
    const std::vector<std::uint8_t> missing = {0xbd, 0x37, 0x86, 0xb5};
    EXPECT_EQ(slice(b, b.size() - 4, 4), missing);
    EXPECT_EQ(slice(b, b.size() - 16, 4), missing);

    create("1990 1991\n@matonly y\nx 10 1 0 rows.txt cols.txt\n");
    b = readFile("hist.vam");
    EXPECT_EQ(b[116], 'm');  // N = 1: the types follow the lags (104 + 10N) at 104 + 12N
    const auto glb = readFile("model.glb");
    EXPECT_EQ(std::string(glb.begin(), glb.end()), "GLOBAL Vector x;\n");

    // A lagged vector and two packed matrices: lag values 3, 0 and 1; the declaration files
    // name the lag matrix in upper case.
    create("1990 1991\ngdp 4 1 3 r.txt\np1 2 2 p r.txt c.txt\np2 2 2 P r.txt c.txt\n");
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->typeOf(0), 'l');
    EXPECT_EQ(v->lagsOf(0), 3);
    EXPECT_EQ(v->lagsOf(1), 0);
    EXPECT_EQ(v->lagsOf(2), 1);
    const auto g = readFile("model.glb");
    EXPECT_EQ(std::string(g.begin(), g.end()),
              "GLOBAL Vector gdp;\nGLOBAL Matrix p1, p2;\nGLOBAL Matrix GDPlag;\n");
    const auto r = readFile("model.rsz");
    EXPECT_EQ(std::string(r.begin(), r.end()),
              "gdp.r(\"gdp\");\np1.r(\"p1\"); p2.r(\"p2\");\nGDPlag.r(\"gdp\");\n");
}

TEST_F(VamCreate, LongListsBreakTheirLines) {
    std::string cfg = "1990 1990\n";
    for (int k = 1; k <= 9; ++k) cfg += "v" + std::to_string(k) + " 2 1 0 r.txt\n";
    create(cfg);
    const auto g = readFile("model.glb");
    EXPECT_EQ(std::string(g.begin(), g.end()),
              "GLOBAL Vector v1, v2, v3, v4, v5, v6, v7, \n   v8, v9;\n");
    const auto r = readFile("model.rsz");
    EXPECT_EQ(std::string(r.begin(), r.end()),
              "v1.r(\"v1\"); v2.r(\"v2\"); v3.r(\"v3\"); \n   v4.r(\"v4\"); v5.r(\"v5\"); "
              "v6.r(\"v6\"); v7.r(\"v7\"); \n   v8.r(\"v8\"); v9.r(\"v9\");\n;\n");
}

TEST_F(VamCreate, ConfigurationErrorsLeaveTheOldBankWhole) {
    create(modelConfig);
    poke("hist.vam", 255, {1.5f, 2.5f});
    const auto before = readFile("hist.vam");
    const auto glbBefore = readFile("model.glb");
    struct Case {
        const char* config;
        const char* message;
    } cases[] = {
        {"1995 1990\nx 2 1 0 r.txt\n", "Error:  invalid dates in vam config file."},
        {"x 2 1 0 r.txt\n", "Error:  invalid dates in vam config file."},
        {"1990 1995\nx 10 1 0 rows.txt cols.txt\n", "Error:  in vam configuration file."},
        {"1990 1995\nx 0 1 0 rows.txt\n", "   rows        = 0"},
        {"1990 1995\nx 2 1 q rows.txt\n", "   p or lag    = q"},
        {"1990 1995\n@missing 5\nx 2 1 0 r.txt\n", "\"@missing\" must be followed"},
        {"1990 1995\n@matonly maybe\nx 2 1 0 r.txt\n", "\"@matonly\" must be followed"},
    };
    for (const Case& c : cases) {
        clearOutput();
        create(c.config);
        EXPECT_THAT(output(), HasSubstr(c.message)) << c.config;
        EXPECT_EQ(readFile("hist.vam"), before) << c.config;
        EXPECT_EQ(readFile("model.glb"), glbBefore) << c.config;
        EXPECT_FALSE(std::filesystem::exists("hist.vam.part"));
    }
}

TEST_F(VamCreate, DeclarationFilesBesideTheConfiguration) {
    std::filesystem::create_directory("cfg");
    create(modelConfig, "hist", "cfg/model.cfg");
    EXPECT_TRUE(std::filesystem::exists("cfg/model.glb"));
    EXPECT_TRUE(std::filesystem::exists("cfg/model.rsz"));
    EXPECT_FALSE(std::filesystem::exists(".glb"));
    // Backslashes separate directories as well.
    std::filesystem::remove("cfg/model.glb");
    writeText("cfg/m2.cfg", modelConfig);
    typed(vamcrcmd, "cfg\\m2.cfg cfg\\h2");
    EXPECT_TRUE(std::filesystem::exists("cfg/m2.glb"));
    EXPECT_EQ(readFile("cfg/h2.vam").size(), 2895u);
}

TEST_F(VamCreate, LongTitleFileNamesAreCut) {
    create("1990 1990\nx 2 1 0 abcdefghijklmnopqrstuvwxyz0123456789.txt\n");
    EXPECT_THAT(output(), HasSubstr("file names for titles in vam.cfg must be <30 characters."));
    VamFile* v = open();
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v->rowStubFile(0), "abcdefghijklmnopqrstuvwxyz012");
}

TEST_F(VamCreate, Usage) {
    EXPECT_EQ(typed(vamcrcmd, "model.cfg"), -1);
    EXPECT_THAT(output(), HasSubstr("Usage: vamcr <name of .cfg file> <name of bank>"));
    clearOutput();
    EXPECT_EQ(typed(vamcrcmd, "nosuch.cfg hist"), 1);
    EXPECT_THAT(output(), HasSubstr("Could not open nosuch.cfg."));
    EXPECT_FALSE(std::filesystem::exists("hist.vam"));
}

}  // namespace

}  // namespace vamcreate_test
