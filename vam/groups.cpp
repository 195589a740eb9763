// Named groups (groups.bin), the dynamic group, and the group, glist and listgroups commands.
#include "vam/groups.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/bytes.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "series/exprtext.h"
#include "vam/vampath.h"

GroupHome* groupHome = nullptr;
std::vector<std::int16_t> dynamicGroupElements;

namespace {

constexpr int tokenSize = 78;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

}  // namespace

bool decodegroups(const std::uint8_t* data, std::size_t size, std::vector<GroupDefn>& out) {
    out.clear();
    bytes::ByteReader r(data, size);
    std::int16_t count;
    std::int32_t first;
    if (!r.i16(count) || !r.i32(first)) return false;
    if (count < 0 || count > maxNamedGroups) return false;
    std::int32_t offsets[maxNamedGroups];
    for (auto& o : offsets)
        if (!r.i32(o)) return false;
    for (int g = 0; g < count; ++g) {
        const long long at = offsets[g];
        if (at < groupsFirstRecord || at + 4 > static_cast<long long>(size)) return false;
        const std::int16_t length = bytes::getI16(data + at);
        const std::int16_t n = bytes::getI16(data + at + 2);
        if (n < 0 || n > groupLimit) return false;
        const long long nameBytes = static_cast<long long>(length) - 4 - 2LL * n;
        if (nameBytes < 1 || nameBytes > maxGroupNameLength + 1) return false;
        if (at + length > static_cast<long long>(size)) return false;
        GroupDefn d;
        d.elements.resize(n);
        for (int k = 0; k < n; ++k) {
            d.elements[k] = bytes::getI16(data + at + 4 + 2 * k);
            if (d.elements[k] < 0 || d.elements[k] >= groupLimit) return false;
        }
        const char* name = reinterpret_cast<const char*>(data + at + 4 + 2 * n);
        if (name[nameBytes - 1] != 0 || std::memchr(name, 0, nameBytes - 1)) return false;
        d.name.assign(name, nameBytes - 1);
        out.push_back(std::move(d));
    }
    return true;
}

std::string encodegroups(const std::vector<GroupDefn>& groups) {
    bytes::ByteWriter w;
    w.i16(static_cast<std::int16_t>(groups.size()));
    w.i32(groupsFirstRecord);
    std::int32_t at = groupsFirstRecord;
    for (int g = 0; g < maxNamedGroups; ++g) {
        if (g < static_cast<int>(groups.size())) {
            w.i32(at);
            at += static_cast<std::int32_t>(5 + 2 * groups[g].elements.size() + groups[g].name.size());
        } else {
            w.i32(g == 0 ? groupsFirstRecord : 0);
        }
    }
    for (const GroupDefn& d : groups) {
        w.i16(static_cast<std::int16_t>(5 + 2 * d.elements.size() + d.name.size()));
        w.i16(static_cast<std::int16_t>(d.elements.size()));
        for (auto e : d.elements) w.i16(e);
        w.name(d.name.c_str());
    }
    return std::string(w.data().begin(), w.data().end());
}

GroupHome::GroupHome(const std::string& directory) {
    std::error_code ec;
    const std::filesystem::path where =
        directory.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(directory);
    path_ = (where / "groups.bin").string();
    if (std::filesystem::exists(path_, ec)) {
        std::ifstream f(path_, std::ios::binary);
        if (!f) {  // there but unreadable: no groups, and the file is never written over
            unreadable_ = true;
            return;
        }
        std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(f)), {});
        if (!decodegroups(data.data(), data.size(), groups_)) {
            printout(" Error reading GROUPS.BIN file.  It has somehow become corrupted.\r\n");
            printout("  Please delete it and recreate the groups.\r\n");
            groups_.clear();
            damaged_ = true;
            return;
        }
        if (!groups_.empty()) return;
    }
    writeGroups();
}

int GroupHome::writeGroups() {
    if (unreadable_) {
        printout("Error writing group definition.\n");
        return -1;
    }
    if (damaged_) {
        printout("\nError:  groups.bin is damaged; the groups are not written over it.\n");
        return -1;
    }
    if (!replacefile(path_, encodegroups(groups_))) {
        printout("Error writing group definition.\n");
        return -1;
    }
    return 0;
}

int GroupHome::findGroup(const char* name) const {
    for (int g = 0; g < groupCount(); ++g)
        if (groups_[g].name == name) return g;
    return -1;
}

int GroupHome::groupSize(const char* name) {
    const int g = findGroup(name);
    return g < 0 ? -1 : static_cast<int>(groups_[g].elements.size());
}

void GroupHome::getGroup(const char* name, std::int16_t* out) {
    const int g = findGroup(name);
    if (g < 0) return;
    std::copy(groups_[g].elements.begin(), groups_[g].elements.end(), out);
}

int GroupHome::dynamicGroupSize() { return static_cast<int>(dynamicGroupElements.size()); }
const std::int16_t* GroupHome::dynamicGroup() { return dynamicGroupElements.data(); }

int GroupHome::define(std::FILE* in, std::string& name, std::string& echo) {
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n' && cls != 'a') {
        printout("\nNeed a group name or number.");
        if (!endclass(cls)) skipline(in);
        return -1;
    }
    name = token;
    skipline(in);
    if (name.empty()) {
        printout("\nGroup name must not be NULL.");
        return -1;
    }
    std::vector<std::int32_t> list;
    if (readgroupspec(in, echo, groupLimit, list) < 0) return -1;
    std::vector<std::int16_t> kept = filtergroup(list);
    if (damaged_) {  // the definition is read, so that its line is not run as a command
        printout("\nError:  groups.bin is damaged; the groups are not written over it.\n");
        return -1;
    }
    const int g = findGroup(name.c_str());
    if (g >= 0) {
        groups_[g].elements = std::move(kept);
        ++redefinitions_;
        return 0;
    }
    if (groupCount() >= maxNamedGroups) {
        printout("\nError:  there can be at most %d named groups; %s is not added.\n",
                 maxNamedGroups, name.c_str());
        return -1;
    }
    groups_.push_back(GroupDefn{name, std::move(kept)});
    return 0;
}

int GroupHome::listGroups() const {
    int n = 0;
    for (const GroupDefn& d : groups_) {
        printout("%-15s", d.name.c_str());
        if (++n % 5 == 0) printout("\n");
    }
    printout("\n");
    return 0;
}

void opengrouphome() {
    delete groupHome;
    groupHome = nullptr;
    groupSource = nullptr;
    groupHome = new GroupHome();
    groupSource = groupHome;
}

void closegrouphome() {
    if (groupSource == groupHome) groupSource = nullptr;
    delete groupHome;
    groupHome = nullptr;
}

int namedgroupcount() { return groupHome ? groupHome->groupCount() : 0; }

void emptydynamicgroup() { dynamicGroupElements.clear(); }

int readgroupspec(std::FILE* in, std::string& echo, int limit, std::vector<std::int32_t>& list) {
    std::vector<char> text(exprTextSize, 0);
    char* cursor = text.data();
    const int count = parsegroupint(in, cursor, list, echo, limit, text.size());
    if (count < 0) {
        printout("\nError:  in group routine, error in group specification.\n");
        list.clear();
        echo.clear();
        return -1;
    }
    return count;
}

std::vector<std::int16_t> filtergroup(const std::vector<std::int32_t>& source) {
    std::vector<std::int16_t> kept;
    for (std::int32_t e : source)
        if (e >= 0 && e < groupLimit) kept.push_back(static_cast<std::int16_t>(e));
    return kept;
}

int groupcmd(std::FILE* in) {
    char token[tokenSize];
    const int cls = gettoken(token, in, 0, tokenSize);
    ungettoken();
    if (cls == 'n') {
        std::vector<std::int32_t> list;
        std::string echo;
        if (readgroupspec(in, echo, groupLimit, list) < 0) return -1;
        if (list.empty()) return 0;
        dynamicGroupElements = filtergroup(list);
        return 0;
    }
    if (cls == 'a') {
        if (!groupHome) opengrouphome();
        std::string name, echo;
        if (groupHome->define(in, name, echo) < 0) return -1;
        return groupHome->writeGroups();
    }
    gettoken(token, in, 0, tokenSize);  // the token pushed back above
    if (!endclass(cls)) skipline(in);
    return 0;
}

namespace {

// The elements as " %3d", a line end after every fifteenth, and one at the end unless the
// last line is complete.
void printelements(const std::vector<std::int16_t>& elements, bool blankAfter) {
    int n = 0;
    for (auto e : elements) {
        ++n;
        if (blankAfter) printout(" %3d%s", e, n % 15 == 0 ? "\n" : " ");
        else {
            printout(" %3d", e);
            if (n % 15 == 0) printout("\n");
        }
    }
    if (n % 15 != 0) printout("\n");
}

}  // namespace

int listgroup(const char* name) {
    const int g = groupHome ? groupHome->findGroup(name) : -1;
    if (g < 0) {
        printout("There are no elements in group %s.\n", name);
        return -1;
    }
    const auto& elements = groupHome->groups()[g].elements;
    if (elements.size() > static_cast<std::size_t>(groupLimit)) {
        printout("Error: there seem to be over %d elements in %s.\n", groupLimit, name);
        return -2;
    }
    printelements(elements, true);
    return 0;
}

int glistcmd(std::FILE* in) {
    char token[tokenSize];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'a' || cls == 'n') {
        listgroup(token);
        return 0;
    }
    if (cls == ':') {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'a' || cls == 'n') {
            listgroup(token);
            return 0;
        }
        printelements(dynamicGroupElements, false);
        if (!endclass(cls)) skipline(in);
        return 0;
    }
    printout("Unrecognized group name.\n");
    if (!endclass(cls)) skipline(in);
    return -1;
}

int listgroupscmd(std::FILE*) {
    if (groupHome) return groupHome->listGroups();
    printout("\n");
    return 0;
}
