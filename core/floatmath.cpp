// The long double recomputation behind core/floatmath.h: ln, exp and sin in 64-bit significands,
// rounded once to float; and the sine of the floats from 2^24 on.
#include "core/floatmath.h"

#include <cmath>

namespace floatmath {

float lnslow(float x) { return static_cast<float>(std::log(static_cast<long double>(x))); }
float expslow(float x) { return static_cast<float>(std::exp(static_cast<long double>(x))); }
float sinslow(float x) { return static_cast<float>(std::sin(static_cast<long double>(x))); }

float sinlarge(float x) {
    if ((std::bit_cast<std::uint32_t>(x) & 0x7FFFFFFFu) >= 0x7F800000u) return sinslow(x);
    const double y = sinlargeapprox(x);
    return indoubt<double, std::uint32_t, std::uint64_t>(y) ? sinslow(x) : static_cast<float>(y);
}

}  // namespace floatmath
