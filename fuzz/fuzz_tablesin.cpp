// Fuzz target: the tables dialog reading a tables file from arbitrary bytes. The input state
// (input switches, replay list, echo of add-file lines and the line being read) is put back
// whatever the file holds, every kind is one of the list's items, and the names are tokens.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_models.h"
#include "models/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = fuzzmodels::inputfile(data, size, "tables.in");
    if (!f) return 0;
    fuzzmodels::typedline();
    // An echo switched off by the caller stays off.
    addPrint = size % 2;
    const fuzzmodels::InputState before;
    TTablesFm form;
    form.readConfig(f);  // closes the file
    if (!before.same(fuzzmodels::InputState(), true)) std::abort();
    for (int row = 1; row <= 10; ++row) {
        if (form.kind(row) < 0 || form.kind(row) > 5) std::abort();
        if (form.text("BN" + std::to_string(row)).size() > 78) std::abort();
    }
    if (form.display() < 0 || form.display() > 2) std::abort();
    addPrint = 1;
    return 0;
}
