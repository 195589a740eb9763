// The scans of series/lanes.h: loops over the bits of the floats, which the compiler makes
// loops of vectors, built for AVX-512, for AVX2 and for every x86-64 and chosen by
// lanes::width at each call, as the LANES_VERSIONS functions are. (Not by target_clones: Clang
// builds only the first target of a function declared before without the attribute, whose
// instructions fault on a processor without AVX-512, and with the attribute on the declaration
// too the calls from other files go wrong in both compilers.)
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

template <int>
[[gnu::always_inline]] inline bool anynanscan(const float* x, int n) {
    std::uint32_t any = 0;
    for (int i = 0; i < n; ++i) any |= static_cast<std::uint32_t>((bitsat(x, i) & 0x7fffffffu) > 0x7f800000u);
    return any != 0;
}

template <int>
[[gnu::always_inline]] inline bool anymissingornanscan(const float* x, int n) {
    MissingOrNanScan scan;
    for (int i = 0; i < n; ++i) scan.take(bitsat(x, i));
    return scan.found();
}

template <int>
[[gnu::always_inline]] inline bool copymissingornanscan(const float* x, int n, float* to) {
    MissingOrNanScan scan;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t b = bitsat(x, i);
        scan.take(b);
        std::memcpy(to + i, &b, sizeof b);
    }
    return scan.found();
}

template <int>
[[gnu::always_inline]] inline bool allfinitescan(const float* x, int n) {
    std::uint32_t infinite = 0;
    for (int i = 0; i < n; ++i) infinite |= static_cast<std::uint32_t>((bitsat(x, i) & 0x7f800000u) == 0x7f800000u);
    return infinite == 0;
}

// The three builds of a scan.
#define SCAN_VERSIONS(name, params, args)                                                    \
    __attribute__((target("avx512f"))) bool name##16 params { return name##scan<16> args; } \
    __attribute__((target("avx2,fma"))) bool name##8 params { return name##scan<8> args; }  \
    bool name##4 params { return name##scan<4> args; }

SCAN_VERSIONS(anynan, (const float* x, int n), (x, n))
SCAN_VERSIONS(anymissingornan, (const float* x, int n), (x, n))
SCAN_VERSIONS(copymissingornan, (const float* x, int n, float* to), (x, n, to))
SCAN_VERSIONS(allfinite, (const float* x, int n), (x, n))

}  // namespace

// The build the processor runs (or a test asks for).
#define SCAN_CHOICE(name, params, args)        \
    bool name params {                         \
        if (width >= 16) return name##16 args; \
        if (width >= 8) return name##8 args;   \
        return name##4 args;                   \
    }

SCAN_CHOICE(anynan, (const float* x, int n), (x, n))
SCAN_CHOICE(anymissingornan, (const float* x, int n), (x, n))
SCAN_CHOICE(copymissingornan, (const float* x, int n, float* to), (x, n, to))
SCAN_CHOICE(allfinite, (const float* x, int n), (x, n))

}  // namespace lanes
