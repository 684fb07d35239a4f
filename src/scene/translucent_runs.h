#pragma once
// The pixels of a frame whose colour must be held to their alpha: where
// the empty globe's alpha is below 255. Drawing never changes the fourth
// byte, so they are the same in every frame over one base, and the rest
// of a frame needs no clamping.

#include <cstdint>
#include <vector>

#include "graphics/blend_rows.h"
#include "graphics/rect.h"

namespace nivarra {

class PixelStore;

class TranslucentRuns {
 public:
  TranslucentRuns() = default;
  // base: 32 bits per pixel; other depths have no such pixels.
  explicit TranslucentRuns(const PixelStore& base);

  // Holds blue, green and red to alpha in those pixels of frame (of the
  // base's size) that lie within area.
  void Clamp(PixelStore& frame, const TRect& area, BlendPath path) const;

 private:
  struct Run {
    std::int32_t Start;
    std::int32_t End;
  };
  std::vector<Run> runs_;
  std::vector<std::uint32_t> rowFirst_;
};

}  // namespace nivarra
