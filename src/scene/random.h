#pragma once
// The program's one pseudo-random generator, shared by the snowfall and the
// "add" start-up placement. Every ordinary start yields the same sequence.

#include <cstdint>

namespace nivarra {

// The generator's state: 0 at start, reseeded only by the "add" start.
std::uint32_t& RandomSeed();

// Advances the seed (× 134775813 + 1, modulo 2^32) and returns the upper 32
// bits of seed × n: 0 to n − 1 for a positive n. n is taken as an unsigned
// 32-bit value, so 0 yields 0.
std::int32_t RandomBelow(std::int32_t n);

}  // namespace nivarra
