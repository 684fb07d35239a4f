#include "scene/random.h"

namespace nivarra {

std::uint32_t& RandomSeed() {
  static std::uint32_t seed = 0;
  return seed;
}

std::int32_t RandomBelow(std::int32_t n) {
  std::uint32_t& seed = RandomSeed();
  // Unsigned arithmetic wraps modulo 2^32 by itself.
  seed = seed * 134775813u + 1u;
  const std::uint64_t product = std::uint64_t{seed} * static_cast<std::uint32_t>(n);
  return static_cast<std::int32_t>(product >> 32);
}

}  // namespace nivarra
