// Groups: lists of sector numbers written compactly as numbers, ranges in
// either direction (1-10, 10-1), spreadsheet column letters (A-C, AA), named groups
// (":name"), the dynamic group (":" alone) and parenthesised sublists whose members are
// removed from what precedes them ("1-10 (4-7) 13 15" is 1 2 3 8 9 10 13 15).
//
// parsegroup reads one group from the command input and gives its members as
// 16-bit numbers; parsegroupint gives 32-bit numbers and the group's text as read.
// Both copy every token read (the ending line break or ")" included) to the caller's text
// cursor, which ends on the NUL after the copy.
//
// Bounds: parsegroup refuses members outside the 16-bit range (parsegroupint outside the
// 32-bit range), and every caller states how many members it can hold: a group
// whose list would grow past that limit at any point (1-2000000000) is refused before the
// members are made. Named groups and the dynamic group hold at most namedGroupLimit members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <list>
#include <string>
#include <vector>

// The member limit of most callers (fixed arrays of 1500 sectors).
constexpr int groupLimit = 1500;
// The member limit of the group loops of the add command (per group).
constexpr int addGroupLimit = 12000;
// The largest named group or dynamic group that a group list may use.
constexpr int namedGroupLimit = 1500;

// A list of ranges in the order they were written. A range runs from lo to hi ascending
// (step +1) or from hi down to lo (step -1); lo <= hi always.
template <class T>
class RangeList {
public:
    struct Range {
        T lo;
        T hi;
        int step;
    };
    using Node = typename std::list<Range>::iterator;

    bool isEmpty() const { return ranges_.empty(); }
    // The range from a to b at the end: descending when b < a.
    void append(T a, T b) { ranges_.push_back(make(a, b)); }
    // A new range placed after / before a node (an empty list gets it as its only node).
    void insertAfter(Node node, T a, T b) {
        if (ranges_.empty()) { ranges_.push_back(make(a, b)); return; }
        ranges_.insert(std::next(node), make(a, b));
    }
    void insertBefore(Node node, T a, T b) {
        if (ranges_.empty()) { ranges_.push_back(make(a, b)); return; }
        ranges_.insert(node, make(a, b));
    }
    void remove(Node node) { ranges_.erase(node); }
    // Removes the members of other, range by range in their order: each member is taken
    // once from the last range (counting from the end) that holds it; members that no range
    // holds are ignored. A cut range keeps its direction and its place.
    void subtract(const RangeList& other);
    // The number of members.
    long long count() const {
        long long n = 0;
        for (const Range& r : ranges_) n += static_cast<long long>(r.hi) - r.lo + 1;
        return n;
    }
    // The members in order: ascending ranges from lo up, descending ones from hi down.
    std::vector<T> toArray() const;
    Node begin() { return ranges_.begin(); }
    Node end() { return ranges_.end(); }
    const std::list<Range>& ranges() const { return ranges_; }

private:
    static Range make(T a, T b) { return b < a ? Range{b, a, -1} : Range{a, b, +1}; }
    void removeMember(T m);
    std::list<Range> ranges_;
};

// Where the parser finds named groups and the dynamic group. The named-group store of the
// Vam subsystem supplies them; while no source is installed there are no named groups and
// the dynamic group is empty.
class GroupSource {
public:
    virtual ~GroupSource() = default;
    // Members of the named group, -1 when no group has that name.
    virtual int groupSize(const char* name) = 0;
    // Copies the members of the named group into out (groupSize entries).
    virtual void getGroup(const char* name, std::int16_t* out) = 0;
    // The dynamic group (set by the group command).
    virtual int dynamicGroupSize() = 0;
    virtual const std::int16_t* dynamicGroup() = 0;
};
extern GroupSource* groupSource;

// One group into 16-bit members. Returns the count (0 or more) with the members in
// out (empty for 0), or -1 after "Error:  problem in list.\n" (out untouched). limit: the
// most members the caller can hold. textRoom: bytes of the caller's text buffer from the
// cursor (0: an expression text bound already open, else exprTextSize).
int parsegroup(std::FILE* in, char*& text, std::vector<std::int16_t>& out, int limit = groupLimit,
               std::size_t textRoom = 0);
// The same into 32-bit members; echo receives the group as read, every token
// followed by one blank (its previous text is dropped first).
int parsegroupint(std::FILE* in, char*& text, std::vector<std::int32_t>& out, std::string& echo,
                  int limit = groupLimit, std::size_t textRoom = 0);
