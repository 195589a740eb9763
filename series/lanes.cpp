// The scans of series/lanes.h: loops over the bits of the floats, which the compiler makes
// loops of vectors, built for the widest instruction set the processor has.
#include "series/lanes.h"

namespace lanes {

namespace {

inline std::uint32_t bitsat(const float* x, int i) {
    std::uint32_t b;
    std::memcpy(&b, x + i, sizeof b);
    return b;
}

// 1 where the bits b are those of a missing value or of a NaN, else 0.
inline std::uint32_t missingornan(std::uint32_t b, std::uint32_t first, std::uint32_t span) {
    return static_cast<std::uint32_t>(missingbits(b, first, span)) |
           static_cast<std::uint32_t>((b & 0x7fffffffu) > 0x7f800000u);
}

}  // namespace

__attribute__((target_clones("avx512f", "avx2", "default"))) bool anynan(const float* x, int n) {
    std::uint32_t any = 0;
    for (int i = 0; i < n; ++i) any |= static_cast<std::uint32_t>((bitsat(x, i) & 0x7fffffffu) > 0x7f800000u);
    return any != 0;
}

__attribute__((target_clones("avx512f", "avx2", "default"))) bool anymissingornan(const float* x, int n) {
    const std::uint32_t first = missingFirstBits(), span = missingSpan();
    std::uint32_t any = 0;
    for (int i = 0; i < n; ++i) any |= missingornan(bitsat(x, i), first, span);
    return any != 0;
}

__attribute__((target_clones("avx512f", "avx2", "default"))) bool copymissingornan(const float* x, int n,
                                                                                  float* to) {
    const std::uint32_t first = missingFirstBits(), span = missingSpan();
    std::uint32_t any = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t b = bitsat(x, i);
        any |= missingornan(b, first, span);
        std::memcpy(to + i, &b, sizeof b);
    }
    return any != 0;
}

__attribute__((target_clones("avx512f", "avx2", "default"))) bool allfinite(const float* x, int n) {
    std::uint32_t infinite = 0;
    for (int i = 0; i < n; ++i) infinite |= static_cast<std::uint32_t>((bitsat(x, i) & 0x7f800000u) == 0x7f800000u);
    return infinite == 0;
}

}  // namespace lanes
