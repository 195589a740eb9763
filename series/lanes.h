// Observations four at a time: vectors of four floats (the compiler's vector types; SSE2 on
// x86-64) and the bit-pattern tests that let loops over series run without branches. The
// missing-value test on bits is exactly core/missing.h's, lane by lane.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/missing.h"

namespace lanes {

typedef float vfloat __attribute__((vector_size(16)));
typedef std::uint32_t vbits __attribute__((vector_size(16)));

inline std::uint32_t bitsof(float x) { return std::bit_cast<std::uint32_t>(x); }
inline vbits bitsof(vfloat x) {
    vbits b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
inline vfloat floatof(vbits b) {
    vfloat x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}
inline vfloat load(const float* p) {
    vfloat x;
    std::memcpy(&x, p, sizeof x);
    return x;
}
// All ones when c holds, else 0.
inline std::uint32_t maskif(bool c) { return 0u - static_cast<std::uint32_t>(c); }
// a where the mask is set, else b.
inline float pick(std::uint32_t mask, float a, float b) {
    return std::bit_cast<float>((mask & bitsof(a)) | (~mask & bitsof(b)));
}
inline vfloat pick(vbits mask, vfloat a, vfloat b) {
    return floatof((mask & bitsof(a)) | (~mask & bitsof(b)));
}
inline vfloat pick(vbits mask, float a, vfloat b) { return pick(mask, vfloat{a, a, a, a}, b); }
inline vfloat pick(vbits mask, vfloat a, float b) { return pick(mask, a, vfloat{b, b, b, b}); }

// The band of the missing-value test (x in [-0.0000011, -0.0000009] compared in double) as
// floats: the floats just inside the double bounds, so that a float lies in the band exactly
// when it lies between these two.
inline float missingLow() {
    static const float low = [] {
        float f = static_cast<float>(-0.0000011);
        return static_cast<double>(f) < -0.0000011 ? std::nextafter(f, 0.0f) : f;
    }();
    return low;
}
inline float missingHigh() {
    static const float high = [] {
        float f = static_cast<float>(-0.0000009);
        return static_cast<double>(f) > -0.0000009 ? std::nextafter(f, -1.0f) : f;
    }();
    return high;
}
// Negative floats order their bit patterns by magnitude: the missing band is one range of
// patterns, from that of missingHigh (the smaller magnitude) to that of missingLow. A loop
// takes first and span once and tests every lane against them.
inline std::uint32_t missingFirstBits() { return bitsof(missingHigh()); }
inline std::uint32_t missingSpan() { return bitsof(missingLow()) - bitsof(missingHigh()); }
inline bool missingbits(std::uint32_t b, std::uint32_t first, std::uint32_t span) {
    return b - first <= span;
}
inline std::uint32_t missingmask(std::uint32_t b, std::uint32_t first, std::uint32_t span) {
    return maskif(missingbits(b, first, span));
}
inline vbits missingmask(vbits b, std::uint32_t first, std::uint32_t span) {
    return reinterpret_cast<vbits>((b - first) <= span);
}

}  // namespace lanes
