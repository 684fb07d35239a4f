#pragma once
// The generator's only source of variety: a small seeded generator, so every
// run draws the same pictures byte for byte.

#include <cstdint>
#include <string_view>

namespace artgen {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  // Seeded from a name, so each picture's randomness is its own.
  explicit Rng(std::string_view name) : state_(0x9E3779B97F4A7C15ull) {
    for (char c : name) state_ = (state_ ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  }
  std::uint64_t Next() {  // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  int Below(int n) { return static_cast<int>(Uniform() * n); }

 private:
  std::uint64_t state_;
};

}  // namespace artgen
