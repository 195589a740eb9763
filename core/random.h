// The random draws of the series functions: one generator for the whole run, shared by the
// uniform draws (@rand) and the normal draws (@normal).
//
// Raw draws come from a 32-bit linear congruential generator (state = state * 22695477 + 1,
// draw = (state >> 16) & 0x7fff, so 0..32767). A 50-slot shuffle table sits between the raw
// draws and the uniform values. The generator is seeded from the clock before its first draw
// unless a seed was given; after that only randuniform with a seed (the seed command)
// reseeds it, and a reseed also starts the shuffle table and the normal pairs afresh, so the
// same seed always gives the same uniform and normal sequences.
#pragma once

#include <cstdint>

// The argument of randuniform that asks for a draw rather than a reseed.
constexpr int drawSeed = -999999;

// State of the generator (changed only by the routines below).
extern std::uint32_t rawRandomState;  // the congruential state
extern bool rawRandomSeeded;          // false until seeded (then from the clock at the first draw)
extern int uniformReady;              // 0 until the shuffle table has been filled
extern float uniformShuffle[50];      // the shuffle table of raw draws
extern float uniformLast;             // the raw draw returned last; it picks the next slot
extern float uniformScale;            // 32768.0 once the table is filled
extern bool normalSpareReady;         // a second normal value of a pair is waiting
extern float normalSpare;             // that value

// The raw generator: seeding sets the state to the seed and advances it once.
void seedrawrand(std::uint32_t seed);
int rawrand();  // 0..32767

// With drawSeed: the next uniform draw in [0, 1) (0 to 32767/32768). With any other seed:
// reseeds the generator (table and normal pairs start afresh) and returns 0.
float randuniform(int seed);

// A uniform draw in [0, 1) from the shared generator.
float normaluniform();
// A standard normal draw (polar Box-Muller): each pair is returned on two successive calls.
float randnormal();
