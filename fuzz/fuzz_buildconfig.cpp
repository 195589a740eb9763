// Fuzz target: the build dialog reading a build configuration from arbitrary bytes with the
// entry reader. Every field is one token without a line end, Save is left disabled, and the
// input switches and the line being read are as they were (the echo on again).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_models.h"
#include "models/orybuild.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = fuzzmodels::inputfile(data, size, "Build.cfg");
    if (!f) return 0;
    fuzzmodels::typedline();
    const fuzzmodels::InputState before;
    TOryBldForm form;
    form.readBuildConfig(f);  // closes the file
    if (!before.same(fuzzmodels::InputState(), false) || addPrint != 1) std::abort();
    for (const char* name : {"WSBnkEdit", "HistBankEdit", "PathEdit", "rd1Edit", "rd2Edit", "rd3Edit", "dbyEdit",
                             "MonthEdit", "ObsEdit", "ConvergeEdit", "GlobalEdit"}) {
        const std::string value = form.text(name);
        if (value.size() > 78 || value.find_first_of("\r\n") != std::string::npos) std::abort();
    }
    if (form.findButton("SaveBtn")->enabled) std::abort();
    return 0;
}
