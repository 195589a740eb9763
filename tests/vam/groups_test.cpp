// Named groups in groups.bin: the file byte by byte, definitions from the next line, the
// listings, the dynamic group, named groups inside group specifications, and damaged files
// reported without ending the program or being written over.
#include "tests/vam/vam_fixture.h"

namespace groups_test {

using ::testing::HasSubstr;
using namespace vamtest;

namespace {

class Groups : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        opengrouphome();
    }
};

TEST_F(Groups, FreshFileAndOneDefinition) {
    auto b = readFile("groups.bin");
    ASSERT_EQ(b.size(), 1206u);
    EXPECT_EQ(bytes::getI16(b.data()), 0);
    EXPECT_EQ(bytes::getI32(b.data() + 2), 1206);
    EXPECT_EQ(bytes::getI32(b.data() + 6), 1206);
    EXPECT_EQ(bytes::getI32(b.data() + 10), 0);

    ASSERT_EQ(script(groupcmd, "basics\n1-3 7\n"), 0);
    b = readFile("groups.bin");
    ASSERT_EQ(b.size(), 1225u);
    EXPECT_EQ(bytes::getI16(b.data()), 1);
    const std::vector<std::uint8_t> record = {0x13, 0, 4, 0, 1, 0, 2, 0, 3, 0, 7, 0,
                                              'b', 'a', 's', 'i', 'c', 's', 0};
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 1206, b.end()), record);
    EXPECT_EQ(bytes::getI32(b.data() + 10), 0);

    clearOutput();
    ASSERT_EQ(typed(glistcmd, "basics"), 0);
    EXPECT_EQ(output(), "   1    2    3    7 \n");
    // A new holder reads what was written.
    opengrouphome();
    EXPECT_EQ(groupHome->groupSize("basics"), 4);
    EXPECT_FALSE(std::filesystem::exists("groups.bin.part"));
}

TEST_F(Groups, RedefinitionKeepsItsPlace) {
    ASSERT_EQ(script(groupcmd, "first\n1 2\n"), 0);
    ASSERT_EQ(script(groupcmd, "second\n5\n"), 0);
    ASSERT_EQ(script(groupcmd, "first\n1 2 3 1600\n"), 0);  // 1600 is dropped
    ASSERT_EQ(groupHome->groupCount(), 2);
    EXPECT_EQ(groupHome->groups()[0].elements, (std::vector<std::int16_t>{1, 2, 3}));
    const auto b = readFile("groups.bin");
    EXPECT_EQ(bytes::getI32(b.data() + 10), 1206 + 5 + 6 + 5);  // second after first's 16 bytes
    EXPECT_EQ(bytes::getI16(b.data() + 1206), 16);
    EXPECT_EQ(b.size(), 1206u + 16 + 13);
}

TEST_F(Groups, DynamicGroupAndListings) {
    ASSERT_EQ(typed(groupcmd, "1 2 3"), 0);
    clearOutput();
    ASSERT_EQ(typed(glistcmd, ":"), 0);
    EXPECT_EQ(output(), "   1   2   3\n");
    ASSERT_EQ(typed(groupcmd, "1-15"), 0);
    clearOutput();
    ASSERT_EQ(typed(glistcmd, ":"), 0);
    EXPECT_EQ(output(), "   1   2   3   4   5   6   7   8   9  10  11  12  13  14  15\n");
    // More than a group may hold is refused before it is made; the dynamic group stays.
    clearOutput();
    EXPECT_EQ(typed(groupcmd, "1-1000 1-1000"), -1);
    EXPECT_THAT(output(), HasSubstr("Error:  in group routine, error in group specification."));
    EXPECT_EQ(dynamicGroupElements.size(), 15u);
    clearOutput();
    EXPECT_EQ(typed(glistcmd, "nosuch"), 0);
    EXPECT_EQ(output(), "There are no elements in group nosuch.\n");
    clearOutput();
    EXPECT_EQ(typed(glistcmd, ";"), -1);
    EXPECT_EQ(output(), "Unrecognized group name.\n");
    for (const char* name : {"a1", "a2", "a3", "a4", "a5"})
        ASSERT_EQ(script(groupcmd, std::string(name) + "\n1\n"), 0);
    clearOutput();
    ASSERT_EQ(listgroupscmd(nullptr), 0);
    EXPECT_EQ(output(), "a1             a2             a3             a4             a5             \n\n");
}

TEST_F(Groups, NamedGroupsInGroupSpecifications) {
    ASSERT_EQ(script(groupcmd, "basics\n1-3 7\n"), 0);
    ASSERT_EQ(typed(groupcmd, "9 8"), 0);
    for (const auto& [spec, expected] : std::vector<std::pair<std::string, std::vector<std::int16_t>>>{
             {":basics", {1, 2, 3, 7}},
             {"5 :basics (2)", {5, 1, 3, 7}},
             {":", {9, 8}}}) {
        settypedline(spec);
        std::vector<std::int16_t> members;
        char text[200] = {};
        char* cursor = text;
        ASSERT_GE(parsegroup(nullptr, cursor, members, groupLimit, sizeof text), 0) << spec;
        EXPECT_EQ(members, expected) << spec;
    }
}

TEST_F(Groups, DamagedFilesLeaveNoGroupsAndStayAsTheyAre) {
    ASSERT_EQ(script(groupcmd, "basics\n1-3 7\n"), 0);
    const auto good = readFile("groups.bin");
    auto with = [&](std::size_t at, const std::vector<std::uint8_t>& patch) {
        return patched(good, at, patch);
    };
    std::vector<std::uint8_t> longName = good;
    longName[1206] = static_cast<std::uint8_t>(12 + 79);
    longName.resize(1206 + 12);
    longName.insert(longName.end(), 78, 'n');
    longName.push_back(0);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"header cut", std::vector<std::uint8_t>(good.begin(), good.begin() + 600)},
        {"count over 300", with(0, {0x2d, 0x01})},
        {"negative count", with(0, {0xff, 0xff})},
        {"record past the end", with(6, {0x00, 0x05, 0, 0})},
        {"record inside the header", with(6, {0x10, 0, 0, 0})},
        {"record cut", std::vector<std::uint8_t>(good.begin(), good.end() - 3)},
        {"over 1500 elements", with(1208, {0xdd, 0x05})},
        {"element outside 0..1499", with(1210, {0xdc, 0x05})},
        {"negative element", with(1210, {0xff, 0xff})},
        {"name without NUL", with(1224, {'x'})},
        {"name of 78 characters", longName},
    };
    for (const Case& c : cases) {
        writeFile("groups.bin", c.file);
        clearOutput();
        opengrouphome();
        EXPECT_THAT(output(), HasSubstr(" Error reading GROUPS.BIN file.  It has somehow become "
                                        "corrupted.\n  Please delete it and recreate the groups.\n"))
            << c.what;
        EXPECT_EQ(groupHome->groupCount(), 0) << c.what;
        EXPECT_EQ(readFile("groups.bin"), c.file) << c.what;
        // A definition does not write over the damaged file either.
        EXPECT_EQ(script(groupcmd, "other\n4\n"), -1) << c.what;
        EXPECT_EQ(readFile("groups.bin"), c.file) << c.what;
    }
}

}  // namespace

}  // namespace groups_test
