// The scans of series/lanes.h: loops over the bits of the floats, which the compiler makes
// loops of vectors, built for the widest instruction set the processor has.
#include "series/lanes.h"

#include <algorithm>

namespace lanes {

namespace {

inline std::uint32_t bitsat(const float* x, int i) {
    std::uint32_t b;
    std::memcpy(&b, x + i, sizeof b);
    return b;
}

// The scans for a missing value or a NaN keep two extremes over the bits b of the floats, each
// one instruction a vector: the least of b - first (as unsigned; a missing value's is at most
// span), and the greatest magnitude (the bits without the sign, as signed; a NaN's is above
// those of infinity). The two tests are made once, at the end.
struct MissingOrNanScan {
    std::uint32_t first = missingFirstBits(), span = missingSpan();
    std::uint32_t least = ~0u;
    std::int32_t greatest = 0;
    [[gnu::always_inline]] void take(std::uint32_t b) {
        least = std::min(least, b - first);
        greatest = std::max(greatest, static_cast<std::int32_t>(b & 0x7fffffffu));
    }
    bool found() const { return least <= span || greatest > 0x7f800000; }
};

}  // namespace

__attribute__((target_clones("avx512f", "avx2", "default"))) bool anynan(const float* x, int n) {
    std::uint32_t any = 0;
    for (int i = 0; i < n; ++i) any |= static_cast<std::uint32_t>((bitsat(x, i) & 0x7fffffffu) > 0x7f800000u);
    return any != 0;
}

__attribute__((target_clones("avx512f", "avx2", "default"))) bool anymissingornan(const float* x, int n) {
    MissingOrNanScan scan;
    for (int i = 0; i < n; ++i) scan.take(bitsat(x, i));
    return scan.found();
}

__attribute__((target_clones("avx512f", "avx2", "default"))) bool copymissingornan(const float* x, int n,
                                                                                  float* to) {
    MissingOrNanScan scan;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t b = bitsat(x, i);
        scan.take(b);
        std::memcpy(to + i, &b, sizeof b);
    }
    return scan.found();
}

__attribute__((target_clones("avx512f", "avx2", "default"))) bool allfinite(const float* x, int n) {
    std::uint32_t infinite = 0;
    for (int i = 0; i < n; ++i) infinite |= static_cast<std::uint32_t>((bitsat(x, i) & 0x7f800000u) == 0x7f800000u);
    return infinite == 0;
}

}  // namespace lanes
