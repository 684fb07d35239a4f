#pragma once
// A picture the frame draws, decoded once: each row's visible pixels as
// runs of 32-bit colour and alpha to copy (long opaque stretches) or blend,
// kept without the transparent rest, so that drawing never looks at what is transparent
// nor asks the picture its kind again.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/blend_rows.h"
#include "graphics/pixel_store.h"
#include "graphics/rect.h"

namespace nivarra {

class Sprite {
 public:
  // Draws nothing.
  Sprite() = default;
  // From the picture's pixels as 32-bit straight colour and alpha, blended
  // over the frame as they are (alpha 0 leaves a pixel, 255 replaces it).
  explicit Sprite(const PixelStore& decoded);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Draws the picture with its top-left at (x, y) of a 32-bit target,
  // changing no pixel outside clip; the target's fourth bytes stay.
  void Draw(PixelStore& target, int x, int y, const TRect& clip, BlendPath path) const;

 private:
  struct Run {
    std::int32_t Start;
    std::int32_t Length;
    bool Copy;  // every alpha 255
    std::size_t First;  // where its pixels start in pixels_, in pixels
  };
  void FindRuns(const PixelStore& decoded);
  template <BlendPath kPath>
  void DrawOn(PixelStore& target, int x, int y, const TRect& clip) const;

  int width_ = 0;
  int height_ = 0;
  // Only the runs' pixels, run after run; a run to blend is followed by
  // the pixels its row has after it, so that blending four at a time may
  // read past its end.
  std::vector<std::uint8_t> pixels_;
  std::vector<Run> runs_;
  std::vector<std::uint32_t> rowFirst_;
};

}  // namespace nivarra
