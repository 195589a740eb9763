#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/printout.h"
#include "interp/state.h"
#include "platform/scripted_platform.h"
#include "series/group.h"
#include "series_test_util.h"

namespace group_test {

namespace {

using Members = std::vector<int>;

struct Parsed {
    int count;
    Members members;
    std::string text;
    std::string output;
};

Parsed parse(std::vector<std::string> lines, int limit = groupLimit) {
    clearPendingLine();
    platform::ScopedScriptedPlatform screen;
    seriestest::ReplayInput input(std::move(lines));
    char buffer[3000] = "";
    char* cursor = buffer;
    std::vector<std::int16_t> out;
    Parsed p;
    p.count = parsegroup(nullptr, cursor, out, limit);
    p.members.assign(out.begin(), out.end());
    p.text = buffer;
    p.output = screen.platform.text() + pendingLine();
    clearPendingLine();
    EXPECT_EQ(*cursor, '\0');
    EXPECT_EQ(cursor, buffer + std::strlen(buffer));
    return p;
}

}  // namespace

TEST(GroupSpec, MembersInWritingOrder) {
    struct Case {
        std::vector<std::string> lines;
        Members expected;
    } cases[] = {
        {{"1-10 (4-7) 13 15"}, {1, 2, 3, 8, 9, 10, 13, 15}},
        {{"10-1 (5)"}, {10, 9, 8, 7, 6, 4, 3, 2, 1}},
        {{"7-3 (4)"}, {7, 6, 5, 3}},
        {{"5"}, {5}},
        {{"5 - 3"}, {5, 4, 3}},
        {{"A-C"}, {1, 2, 3}},
        {{"AA"}, {27}},
        {{"ab"}, {28}},
        {{"\"c\"-a"}, {3, 2, 1}},
        {{"(2) 1-3"}, {1, 2, 3}},
        {{"3 1-2 3"}, {3, 1, 2, 3}},
        // A member is taken from the last range that holds it; absent members are ignored.
        {{"1-5 3 (3 9)"}, {1, 2, 3, 4, 5}},
        {{"1-6 (2 (2) 4)"}, {1, 2, 3, 5, 6}},
        {{"1-3 , 8"}, {1, 2, 3, 8}},
        // A comma at the end of a line continues the group on the next one.
        {{"1-3,", "5 6"}, {1, 2, 3, 5, 6}},
        // ")" ends the group; what follows stays unread.
        {{"1-3) 7"}, {1, 2, 3}},
        // "7 -" at the end of a line drops the 7.
        {{"1 7 -"}, {1}},
        {{"12.7"}, {12}},
        {{""}, {}},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.lines);
        EXPECT_EQ(p.count, static_cast<int>(c.expected.size())) << c.lines[0] << "\n" << p.output;
        EXPECT_EQ(p.members, c.expected) << c.lines[0];
    }
}

TEST(GroupSpec, TextHoldsEveryTokenWithoutBlanks) {
    EXPECT_EQ(parse({"1 2 3"}).text, "123\n");
    EXPECT_EQ(parse({"1-10 (4-7) 13"}).text, "1-10(4-7)13\n");
    EXPECT_EQ(parse({"2-4) x"}).text, "2-4)");
    EXPECT_EQ(parse({"1,", "2"}).text, "1,\n2\n");
}

TEST(GroupSpec, BadInputFailsWithProblemInList) {
    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"1 + 2", "\nUnrecognized group element +\n"},
        {"3 - +", "\nUnrecognized group element + after '-'\n"},
        {"1 7x", ""},  // "7x": the word x after 7 is a column, fine; see below
        {"1-3 (4 $)", "\nUnrecognized group element $\n"},
        {"1-3 (4", ""},
        {"a1", ""},
        {":nogroup", "There are no elements in nogroup.\n"},
        {":", "There are no elements in the dynamic group.\n"},
    };
    for (const Case& c : cases) {
        Parsed p = parse({c.line});
        if (c.line == "1 7x") {
            // 7 then the column x (24): a valid group.
            EXPECT_EQ(p.members, (Members{1, 7, 24}));
            continue;
        }
        EXPECT_EQ(p.count, -1) << c.line;
        EXPECT_TRUE(p.members.empty());
        EXPECT_NE(p.output.find("Error:  problem in list.\n"), std::string::npos) << c.line << p.output;
        if (!c.message.empty()) {
            EXPECT_NE(p.output.find(c.message), std::string::npos) << c.line << p.output;
        }
    }
}

TEST(GroupSpec, NestedFailureReportsAtEachLevel) {
    Parsed p = parse({"1-9 (2 (3 +))"});
    EXPECT_EQ(p.count, -1);
    std::size_t first = p.output.find("Error:  problem in list.\n");
    ASSERT_NE(first, std::string::npos);
    std::size_t second = p.output.find("Error:  problem in list.\n", first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(p.output.find("Error:  problem in list.\n", second + 1), std::string::npos);
}

TEST(GroupSpec, RefusesValuesOutside16Bits) {
    Parsed p = parse({"1 40000"});
    EXPECT_EQ(p.count, -1);
    EXPECT_NE(p.output.find("40000"), std::string::npos);
    EXPECT_EQ(parse({"32767"}).members, Members{32767});
    EXPECT_EQ(parse({"99999999999999999999999"}).count, -1);
}

TEST(GroupSpec, RefusesGroupsBeyondTheCallersLimit) {
    // Refused before any member is made, whatever the size of the range.
    Parsed huge = parse({"1-2000000000"});
    EXPECT_EQ(huge.count, -1);
    Parsed big = parse({"1-1501"});
    EXPECT_EQ(big.count, -1);
    EXPECT_NE(big.output.find("1500"), std::string::npos);
    EXPECT_EQ(parse({"1-1500"}).count, 1500);
    // A sublist counts too, and so do ranges added one after another.
    EXPECT_EQ(parse({"1-1000 (1-1000 2000-3000)"}).count, -1);
    EXPECT_EQ(parse({"1-1000 1001-1501"}).count, -1);
    // The add command's group loops hold 12000 per group.
    EXPECT_EQ(parse({"1-12000"}, addGroupLimit).count, 12000);
    EXPECT_EQ(parse({"1-12001"}, addGroupLimit).count, -1);
}

TEST(GroupSpec, Int32VersionAndEcho) {
    platform::ScopedScriptedPlatform screen;
    seriestest::ReplayInput input({"1-3 (2) 70000) tail"});
    char buffer[200] = "";
    char* cursor = buffer;
    std::vector<std::int32_t> out;
    std::string echo = "old text";
    int n = parsegroupint(nullptr, cursor, out, echo, groupLimit);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(out, (std::vector<std::int32_t>{1, 3, 70000}));
    EXPECT_EQ(echo, "1 - 3 ( 2 ) 70000 ) ");
    EXPECT_EQ(std::string(buffer), "1-3(2)70000)");
}

namespace {

class FakeGroups : public GroupSource {
public:
    std::map<std::string, std::vector<std::int16_t>> groups;
    std::vector<std::int16_t> dynamic;
    int groupSize(const char* name) override {
        auto it = groups.find(name);
        return it == groups.end() ? -1 : static_cast<int>(it->second.size());
    }
    void getGroup(const char* name, std::int16_t* out) override {
        auto it = groups.find(name);
        if (it != groups.end()) std::copy(it->second.begin(), it->second.end(), out);
    }
    int dynamicGroupSize() override { return static_cast<int>(dynamic.size()); }
    const std::int16_t* dynamicGroup() override { return dynamic.data(); }
};

struct InstallGroups {
    explicit InstallGroups(GroupSource* s) { groupSource = s; }
    ~InstallGroups() { groupSource = nullptr; }
};

}  // namespace

TEST(GroupSpec, NamedAndDynamicGroups) {
    FakeGroups groups;
    groups.groups["metals"] = {7, 3, 9};
    groups.groups["empty"] = {};
    groups.groups["large"] = std::vector<std::int16_t>(1501, 1);
    groups.dynamic = {4, 5};
    InstallGroups installed(&groups);

    EXPECT_EQ(parse({":metals 1"}).members, (Members{7, 3, 9, 1}));
    EXPECT_EQ(parse({"1-10 (:metals)"}).members, (Members{1, 2, 4, 5, 6, 8, 10}));
    EXPECT_EQ(parse({": 8"}).members, (Members{4, 5, 8}));
    Parsed empty = parse({":empty"});
    EXPECT_EQ(empty.count, -1);
    EXPECT_NE(empty.output.find("There are no elements in empty.\n"), std::string::npos);
    Parsed large = parse({":large"});
    EXPECT_EQ(large.count, -1);
    EXPECT_NE(large.output.find("Error: there seem to be over 1500 elements in large.\n"), std::string::npos);
}

TEST(GroupSpec, TextIsBoundedByTheCallersBuffer) {
    std::string line;
    for (int i = 0; i < 400; ++i) line += "1 ";
    platform::ScopedScriptedPlatform screen;
    seriestest::ReplayInput input({line});
    char buffer[200];
    std::memset(buffer, 'x', sizeof buffer);
    buffer[0] = '\0';
    char* cursor = buffer;
    std::vector<std::int16_t> out;
    EXPECT_EQ(parsegroup(nullptr, cursor, out, groupLimit, 150), 400);
    EXPECT_LT(std::strlen(buffer), 150u);
    EXPECT_EQ(buffer[199], 'x');
}

TEST(GroupSpec, RandomTokenSoupNeverBreaksTheParser) {
    const char* pieces[] = {"1", "7", "40000", "-", "(", ")", ",", ":", "A", "zz", "a1", "+",
                            "\"b\"", "1-3", "9-2", "#c", "2.5", "0"};
    unsigned state = 777;
    auto next = [&]() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> lines;
        int nlines = 1 + next() % 3;
        for (int l = 0; l < nlines; ++l) {
            std::string line;
            int n = next() % 10;
            for (int k = 0; k < n; ++k) {
                line += pieces[next() % (sizeof pieces / sizeof pieces[0])];
                if (next() % 2) line += " ";
            }
            lines.push_back(line);
        }
        Parsed p = parse(lines, 50);
        EXPECT_GE(p.count, -1);
        EXPECT_LE(p.count, 50);
        if (p.count >= 0) {
            EXPECT_EQ(static_cast<int>(p.members.size()), p.count);
        }
    }
}

}  // namespace group_test
