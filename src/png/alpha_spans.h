#pragma once
// The opaque and partly transparent runs of each row of an alpha plane,
// found once per decoded picture so that drawing skips what is invisible
// and copies what is opaque.

#include <cstdint>
#include <span>
#include <vector>

namespace nivarra {

struct AlphaRun {
  std::uint32_t Start;   // first column
  std::uint32_t Length;  // columns
  bool Opaque;           // every alpha 255; otherwise some lie between 1 and 254
};

class AlphaSpans {
 public:
  // Scans a top-row-first plane of width × height alpha bytes. Fully
  // transparent pixels belong to no run.
  AlphaSpans(const std::uint8_t* plane, int width, int height);
  std::span<const AlphaRun> Row(int y) const {
    return {runs_.data() + rowFirst_[y], runs_.data() + rowFirst_[y + 1]};
  }

 private:
  std::vector<AlphaRun> runs_;
  std::vector<std::uint32_t> rowFirst_;
};

}  // namespace nivarra
