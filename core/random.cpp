#include "core/random.h"

#include <cmath>

#include "core/floatmath.h"
#include "platform/platform.h"

std::uint32_t rawRandomState = 1;
bool rawRandomSeeded = false;
int uniformReady = 0;
float uniformShuffle[50] = {};
float uniformLast = 0.0f;
float uniformScale = 32768.0f;
bool normalSpareReady = false;
float normalSpare = 0.0f;

namespace {

void advance() { rawRandomState = rawRandomState * 22695477u + 1u; }

}  // namespace

void seedrawrand(std::uint32_t seed) {
    rawRandomState = seed;
    rawRandomSeeded = true;
    advance();
}

int rawrand() {
    if (!rawRandomSeeded) seedrawrand(static_cast<std::uint32_t>(platform::unixTimeNow()));
    advance();
    return static_cast<int>((rawRandomState >> 16) & 0x7fffu);
}

float randuniform(int seed) {
    if (seed != drawSeed) {
        uniformReady = 0;
        normalSpareReady = false;
        seedrawrand(static_cast<std::uint32_t>(seed));
        return 0.0f;
    }
    if (uniformReady == 0) {
        uniformReady = 1;
        uniformScale = 32768.0f;
        for (int i = 0; i < 97; ++i) uniformLast = static_cast<float>(rawrand());
        for (float& slot : uniformShuffle) slot = static_cast<float>(rawrand());
    }
    int j = static_cast<int>(50.0f * uniformLast / uniformScale);
    if (j >= 50) j = 49;
    if (j < 0) j = 0;
    uniformLast = uniformShuffle[j];
    uniformShuffle[j] = static_cast<float>(rawrand());
    return uniformLast / uniformScale;
}

float normaluniform() { return randuniform(drawSeed); }

float randnormal() {
    if (normalSpareReady) {
        normalSpareReady = false;
        return normalSpare;
    }
    float a, b, r;
    do {
        a = 2.0f * normaluniform() - 1.0f;
        b = 2.0f * normaluniform() - 1.0f;
        r = a * a + b * b;
    } while (r >= 1.0f || r == 0.0f);  // r = 0 (both draws exactly one half) has no direction
    float f = std::sqrt(-2.0f * floatmath::ln(r) / r);
    normalSpare = a * f;
    normalSpareReady = true;
    return b * f;
}
