// Fuzz target: our metafile reader on arbitrary bytes. It plays the file or refuses it, never
// reading outside the bytes; a picture it played, written again, reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphs/canvas.h"
#include "graphs/svg.h"
#include "graphs/wmf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    graphs::Canvas canvas;
    std::string error;
    if (graphs::readwmf(data, size, canvas, error) != 0) {
        if (error.empty()) std::abort();
        return 0;
    }
    graphs::Metafile m;
    m.records = canvas.records();
    const std::vector<std::uint8_t> again = graphs::writewmf(m);
    graphs::Canvas back;
    if (graphs::readwmf(again.data(), again.size(), back, error) != 0) std::abort();
    if (!(back.records() == m.records)) std::abort();
    (void)graphs::writesvg(m, 690, 517);
    return 0;
}
