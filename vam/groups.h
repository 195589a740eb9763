// Named groups of sector numbers, kept in groups.bin of the working directory, and the one
// unnamed dynamic group that the group command sets from numbers.
//
// groups.bin (little-endian): int16 count K (at most 300), int32 offset of the first record
// (1206), int32[300] record offsets (entries from K on 0; entry 0 is 1206 when there is no
// group), then the K records: int16 length (2 + 2 + 2n + name + NUL), int16 n (at most
// 1500), int16 x n sector numbers (0..1499), the name and its NUL (at most 77 characters).
//
// The file is read whole and checked before use: a damaged file is reported and leaves no
// groups (the file is kept as it is). Every definition writes the whole file beside the old
// one and renames it over, so a killed program leaves the old or the new file, never a mix.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "series/group.h"

constexpr int maxNamedGroups = 300;
constexpr int groupsFirstRecord = 1206;
constexpr int maxGroupNameLength = 77;

struct GroupDefn {
    std::string name;
    std::vector<std::int16_t> elements;
};

// Decodes a groups.bin image; false when it is damaged (nothing is printed).
bool decodegroups(const std::uint8_t* data, std::size_t size, std::vector<GroupDefn>& out);
// The whole file for these groups.
std::string encodegroups(const std::vector<GroupDefn>& groups);

class GroupHome : public GroupSource {
public:
    // Reads <directory>/groups.bin (the working directory's when none is given), creating it
    // (empty) when there is none.
    explicit GroupHome(const std::string& directory = "");
    ~GroupHome() override = default;

    // Reads a group name and, from the next line, its specification; adds or replaces the
    // group in memory. 0, or -1 after a message.
    int define(std::FILE* in, std::string& name, std::string& echo);
    // Writes the whole file (beside the old one, renamed over it). 0, or -1 after a message.
    int writeGroups();

    int groupSize(const char* name) override;
    void getGroup(const char* name, std::int16_t* out) override;
    int dynamicGroupSize() override;
    const std::int16_t* dynamicGroup() override;

    int findGroup(const char* name) const;
    int listGroups() const;
    int groupCount() const { return static_cast<int>(groups_.size()); }
    bool damaged() const { return damaged_; }
    const std::vector<GroupDefn>& groups() const { return groups_; }

private:
    std::string path_;
    std::vector<GroupDefn> groups_;
    bool damaged_ = false;
    bool unreadable_ = false;
    int redefinitions_ = 0;
};

// The holder of the working directory's groups (null before start-up).
extern GroupHome* groupHome;
// (Re)builds the holder for the working directory and makes it the group parser's source.
void opengrouphome();
// Destroys the holder (shut-down).
void closegrouphome();
// Named groups known now (0 without a holder).
int namedgroupcount();

// The dynamic group.
extern std::vector<std::int16_t> dynamicGroupElements;
void emptydynamicgroup();

// One group specification into a list (limit: the most members). The count, or -1 after
// "\nError:  in group routine, error in group specification.\n".
int readgroupspec(std::FILE* in, std::string& echo, int limit, std::vector<std::int32_t>& list);
// The elements of the source that lie in 0..1499, in order.
std::vector<std::int16_t> filtergroup(const std::vector<std::int32_t>& source);

int groupcmd(std::FILE* in);
int glistcmd(std::FILE* in);
int listgroup(const char* name);
int listgroupscmd(std::FILE* in);
