// Fuzz target: groups.bin from arbitrary bytes. The holder reads it or reports it damaged
// (never ending the program, never writing over it); every group read lists, and one
// written back reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "fuzz/fuzz_support.h"
#include "vam/groups.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = [] {
        fuzzsupport::installQuietPlatform();
        return fuzzsupport::makeTempDir("/tmp/jexgroupsfuzzXXXXXX");
    }();
    fuzzsupport::writefile(dir + "/groups.bin", data, size);
    std::vector<GroupDefn> groups;
    const bool good = decodegroups(data, size, groups);
    GroupHome home(dir);
    groupHome = &home;
    if (good != !home.damaged()) std::abort();
    for (const GroupDefn& g : home.groups()) listgroup(g.name.c_str());
    groupHome = nullptr;
    if (good) {
        const std::string again = encodegroups(groups);
        std::vector<GroupDefn> back;
        if (!decodegroups(reinterpret_cast<const std::uint8_t*>(again.data()), again.size(), back))
            std::abort();
        if (back.size() != groups.size()) std::abort();
    }
    return 0;
}
