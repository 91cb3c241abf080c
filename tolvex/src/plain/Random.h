// The library's one random generator, behind Rnd, RndF and Shuffle.
#pragma once

#include <cstdint>

namespace tolvex {

// Restarts the generator. Until the first call the generator runs from a fixed seed, so a
// program that never seeds still gets the same numbers on every run.
void SeedRandom(uint64_t seed);

// The next 64 random bits.
uint64_t NextRandom();

// A uniform integer in [0, bound], both ends included; no modulo bias.
uint64_t RandomUpTo(uint64_t bound);

}  // namespace tolvex
