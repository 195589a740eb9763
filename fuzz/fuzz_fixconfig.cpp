// Fuzz target: the macro-fix and vector-fix dialogs reading their configuration from
// arbitrary bytes. Every field shows a root (no '.', no line end, one token), and the input
// switches and the line being read are as they were (the echo on again).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_models.h"
#include "models/fixforms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (TFixFm* form : {&MacFixFm(), &VecFixFm()}) {
        std::FILE* f = fuzzmodels::inputfile(data, size, "fix.cfg");
        if (!f) return 0;
        fuzzmodels::typedline();
        const fuzzmodels::InputState before;
        form->readConfig(f);  // closes the file
        if (!before.same(fuzzmodels::InputState(), false) || addPrint != 1) std::abort();
        for (const char* name : {"MacFixEd", "TextInEd", "OutEd", "JexBankEd", "VamEd", "CheckEd"}) {
            if (!form->findField(name)) continue;
            const std::string value = form->text(name);
            if (value.size() > 78 || value.find_first_of(".\r\n") != std::string::npos) std::abort();
        }
    }
    return 0;
}
