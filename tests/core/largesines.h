// Arguments from 2^24 on where the float sine is hardest, and the certified sine, shared by the
// tests of the scalar function and of its vector forms.
#pragma once

#include <mpfr.h>

namespace largesines {

// The certified sine: MPFR's, correctly rounded at float precision (ties cannot occur).
inline float certifiedsin(float x) {
    mpfr_t a, r;
    mpfr_init2(a, 24);
    mpfr_init2(r, 24);
    mpfr_set_flt(a, x, MPFR_RNDN);
    mpfr_sin(r, a, MPFR_RNDN);
    const float f = mpfr_get_flt(r, MPFR_RNDN);
    mpfr_clear(a);
    mpfr_clear(r);
    return f;
}

// The floats nearest a multiple of pi, the least in several binades (found by going through
// every float from 2^24 on; the first is the nearest of all, 2^-28.2 from one).
inline constexpr float nearpi[] = {0x1.f37c8ap+96f,  0x1.47d0fep+35f, 0x1.32ede2p+86f,  0x1.628d4cp+41f,
                                   0x1.13093p+77f,   0x1.b08c4ap+112f, 0x1.4665d2p+26f, 0x1.0f79ap+58f,
                                   0x1.c82258p+65f,  0x1.4ac55cp+24f, 0x1.7f4134p+102f, 0x1.2ceb8p+120f,
                                   0x1.7b9b4p+127f};

// Floats whose sine lies nearest a point halfway between two floats: their doubles lie within
// 5 units of the last place of such a point (the nearest of every float from 2^24 on).
inline constexpr float halfway[] = {0x1.fe025ap+24f, 0x1.411b04p+63f, 0x1.487e0cp+103f, 0x1.bf908ep+68f,
                                    0x1.79dd1ep+75f, 0x1.b559b6p+117f, 0x1.02f61p+118f,  0x1.e68b32p+91f,
                                    0x1.054d1cp+124f, 0x1.8d9d8p+73f,  0x1.9a238ep+30f,  0x1.54594ep+127f};

}  // namespace largesines
