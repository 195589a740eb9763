// The long double recomputation behind core/floatmath.h: ln, exp and sin in 64-bit significands,
// rounded once to float.
#include "core/floatmath.h"

#include <cmath>

namespace floatmath {

float lnslow(float x) { return static_cast<float>(std::log(static_cast<long double>(x))); }
float expslow(float x) { return static_cast<float>(std::exp(static_cast<long double>(x))); }
float sinslow(float x) { return static_cast<float>(std::sin(static_cast<long double>(x))); }

}  // namespace floatmath
