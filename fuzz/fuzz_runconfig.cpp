// Fuzz target: the run dialog reading a run configuration from arbitrary bytes. No value is
// longer than its line's limit, the type of simulation is one of the three and the enabled
// fields follow it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_models.h"
#include "models/oryrun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path;
    std::FILE* f = fuzzmodels::inputfile(data, size, "orb.run.cfg", &path);
    if (!f) return 0;
    TORYRunFm form;
    form.readRunConfig(f, path);  // closes the file
    const struct {
        const char* field;
        std::size_t max;
    } limits[] = {{"TitleEd", 76},  {"StartEd", 4}, {"EndEd", 4},     {"MacEqStartEd", 4}, {"DiscrepEd", 4},
                  {"VecFixEd", 60}, {"MacFixEd", 60}, {"RunEd", 60},  {"DebugEd", 5},      {"MaxItEd", 3},
                  {"OptEdit", 239}, {"Edit1", 5}};
    for (const auto& l : limits)
        if (form.text(l.field).size() > l.max) std::abort();
    if (form.text("ModelEd") != "orb") std::abort();
    const int type = form.simType();
    if (type < 0 || type > 2) std::abort();
    if (form.isEnabled("OptEdit") != (type == 2)) std::abort();
    return 0;
}
